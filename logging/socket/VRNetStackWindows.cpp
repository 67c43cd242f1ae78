#include "VRNetStackWindows.h"

#include <cstring>

#include "VRNetWship6.h"

namespace {
bool GWinsockStarted = false;
using TGetFileSizeEx = BOOL(WINAPI*)(HANDLE, PLARGE_INTEGER);
TGetFileSizeEx GGetFileSizeEx = nullptr;

[[noreturn]] void RaiseUnsupported() {
  EVRNetIPVersionUnsupported::Toss(L"The requested IPVersion / Address family is not supported.");
}

// A zeroed socket address of the version's family, with the port in network order and
// the address from text (none for empty text when AllowEmpty).
Integer MakeSockAddr(TVRNetStack* AStack, sockaddr_storage& Addr, const String& AIP, Word APort,
                     TVRNetIPVersion AIPVersion, bool AllowEmpty) {
  std::memset(&Addr, 0, sizeof(Addr));
  if (AIPVersion == Net_IPv4) {
    auto* a = reinterpret_cast<sockaddr_in*>(&Addr);
    a->sin_family = AF_INET;
    a->sin_port = VRNetWinsock2::htons(APort);
    if (!(AllowEmpty && AIP.empty())) AStack->TranslateStringToTInAddr(AIP, &a->sin_addr, Net_IPv4);
    return 16;
  }
  if (AIPVersion == Net_IPv6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&Addr);
    a->sin6_family = AF_INET6;
    a->sin6_port = VRNetWinsock2::htons(APort);
    if (!(AllowEmpty && AIP.empty())) AStack->TranslateStringToTInAddr(AIP, &a->sin6_addr, Net_IPv6);
    return 28;
  }
  RaiseUnsupported();
}

// Address text and port of a socket address; the unsupported-version error for a
// foreign family.
void ReadSockAddr(TVRNetStack* AStack, const sockaddr_storage& Addr, String& VIP, Word& VPort,
                  TVRNetIPVersion& VIPVersion) {
  if (Addr.ss_family == AF_INET) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(&Addr);
    VIP = AStack->TranslateTInAddrToString(&a->sin_addr, Net_IPv4);
    VPort = VRNetWinsock2::ntohs(a->sin_port);
    VIPVersion = Net_IPv4;
  } else if (Addr.ss_family == AF_INET6) {
    const auto* a = reinterpret_cast<const sockaddr_in6*>(&Addr);
    VIP = AStack->TranslateTInAddrToString(&a->sin6_addr, Net_IPv6);
    VPort = VRNetWinsock2::ntohs(a->sin6_port);
    VIPVersion = Net_IPv6;
  } else {
    RaiseUnsupported();
  }
}

Int64 TransmitFileToSocketImpl(TVRNetStackSocketHandle ASocket, const String& AFileName) {
  HANDLE f = CreateFileW(AFileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  Int64 result = 0;
  try {
    if (VRNetWinsock2::TransmitFile(ASocket, f, 0, 0, nullptr, nullptr, 0)) {
      if (GGetFileSizeEx) {
        LARGE_INTEGER size;
        if (GGetFileSizeEx(f, &size)) result = size.QuadPart;
      } else {
        result = GetFileSize(f, nullptr);
      }
    }
  } catch (const Exception&) {
    // The extension function could not be bound: the file was not sent, which the
    // caller learns from the result 0.
    result = 0;
  }
  CloseHandle(f);
  return result;
}

void InitVRNetStackWindows() {
  SocketListClass = TVRNetSocketListWindows::StaticClass();
  StackClass = TVRNetStackWindows::StaticClass();
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool nt = GetVersionExW(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
  if (nt) {
    GGetFileSizeEx = reinterpret_cast<TGetFileSizeEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"Kernel32.dll"), "GetFileSizeEx")));
    TransmitFileToSocket = TransmitFileToSocketImpl;
  }
}

void DoneVRNetStackWindows() {
  if (GWinsockStarted) {
    UnloadIPv6Helpers();
    UnloadWinsockLibrary();
    GWinsockStarted = false;
  }
}
}  // namespace

const TUnitInfo VRNetStackWindowsUnit{L"VRNetStackWindows", InitVRNetStackWindows, DoneVRNetStackWindows};

TVRNetStackWindows::TVRNetStackWindows() {
  if (GWinsockStarted) return;
  try {
    LoadWinsockLibrary();
    LoadIPv6Helpers();
    GWinsockStarted = true;
  } catch (const Exception& E) {
    throw EVRNetStackInitializationFailed(E.Message());
  }
}

String TVRNetStackWindows::LookupHostAddress(const String& AHost, TVRNetIPVersion AIPVersion) {
  if (AIPVersion != Net_IPv4 && AIPVersion != Net_IPv6) RaiseUnsupported();
  if (IPv6HelpersAvailable) {
    ADDRINFOW hints{};
    hints.ai_family = AIPVersion == Net_IPv4 ? AF_INET : AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* res = nullptr;
    const INT rc = VRNetWship6::GetAddrInfoW(AHost.c_str(), nullptr, &hints, &res);
    if (rc != 0) RaiseSocketError(AddrInfoErrorToWinsockError(rc));
    TScopeExit freeList([res] { VRNetWship6::FreeAddrInfoW(res); });
    if (!res || !res->ai_addr) RaiseSocketError(11001);
    sockaddr_storage a{};
    std::memcpy(&a, res->ai_addr, std::min<size_t>(res->ai_addrlen, sizeof(a)));
    String ip;
    Word port;
    TVRNetIPVersion v;
    ReadSockAddr(this, a, ip, port, v);
    return ip;
  }
  if (AIPVersion == Net_IPv6) EVRNetIPv6Unavailable::Toss(L"IPv6 unavailable");
  const AnsiString host = StringToAnsi(AHost);
  hostent* h = VRNetWinsock2::gethostbyname(host.c_str());
  if (!h || !h->h_addr_list || !h->h_addr_list[0]) RaiseLastSocketError();
  const Byte* b = reinterpret_cast<const Byte*>(h->h_addr_list[0]);
  return IntToStr(b[0]) + L"." + IntToStr(b[1]) + L"." + IntToStr(b[2]) + L"." + IntToStr(b[3]);
}

String TVRNetStackWindows::ReadLocalHostName() {
  char buf[250] = {};
  if (VRNetWinsock2::gethostname(buf, sizeof(buf)) != 0) return {};
  return AnsiToString(buf);
}

TVRNetStackSocketHandle TVRNetStackWindows::Accept(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort,
                                                   TVRNetIPVersion& VIPVersion) {
  sockaddr_storage a{};
  int len = 28;
  const SOCKET s = VRNetWinsock2::accept(ASocket, reinterpret_cast<sockaddr*>(&a), &len);
  if (s == INVALID_SOCKET) return s;
  if (a.ss_family != AF_INET && a.ss_family != AF_INET6) {
    VRNetWinsock2::closesocket(s);
    RaiseUnsupported();
  }
  ReadSockAddr(this, a, VIP, VPort, VIPVersion);
  return s;
}

void TVRNetStackWindows::Bind(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort,
                              TVRNetIPVersion AIPVersion) {
  sockaddr_storage a;
  const Integer len = MakeSockAddr(this, a, AIP, APort, AIPVersion, true);
  CheckForSocketError(VRNetWinsock2::bind(ASocket, reinterpret_cast<sockaddr*>(&a), len));
}

void TVRNetStackWindows::Connect(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort,
                                 TVRNetIPVersion AIPVersion) {
  sockaddr_storage a;
  const Integer len = MakeSockAddr(this, a, AIP, APort, AIPVersion, false);
  CheckForSocketError(VRNetWinsock2::connect(ASocket, reinterpret_cast<sockaddr*>(&a), len));
}

void TVRNetStackWindows::Disconnect(TVRNetStackSocketHandle ASocket) {
  ShutdownSocket(ASocket, SD_SEND);
  CloseSocketHandle(ASocket);
}

Integer TVRNetStackWindows::IOControl(TVRNetStackSocketHandle ASocket, Cardinal ACmd, Cardinal& AArg) {
  u_long arg = AArg;
  const Integer r = VRNetWinsock2::ioctlsocket(ASocket, static_cast<long>(ACmd), &arg);
  AArg = arg;
  return r;
}

void TVRNetStackWindows::GetPeerName(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort,
                                     TVRNetIPVersion& VIPVersion) {
  sockaddr_storage a{};
  int len = 28;
  CheckForSocketError(VRNetWinsock2::getpeername(ASocket, reinterpret_cast<sockaddr*>(&a), &len));
  ReadSockAddr(this, a, VIP, VPort, VIPVersion);
}

void TVRNetStackWindows::GetSocketName(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort,
                                       TVRNetIPVersion& VIPVersion) {
  sockaddr_storage a{};
  int len = 28;
  CheckForSocketError(VRNetWinsock2::getsockname(ASocket, reinterpret_cast<sockaddr*>(&a), &len));
  ReadSockAddr(this, a, VIP, VPort, VIPVersion);
}

String TVRNetStackWindows::HostByAddress(const String& AAddress, TVRNetIPVersion AIPVersion) {
  if (AIPVersion != Net_IPv4 && AIPVersion != Net_IPv6) RaiseUnsupported();
  if (IPv6HelpersAvailable) {
    ADDRINFOW hints{};
    hints.ai_flags = AI_CANONNAME;  // 2
    hints.ai_family = AIPVersion == Net_IPv4 ? AF_INET : AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* res = nullptr;
    INT rc = VRNetWship6::GetAddrInfoW(AAddress.c_str(), nullptr, &hints, &res);
    if (rc != 0) RaiseSocketError(AddrInfoErrorToWinsockError(rc));
    wchar_t host[1025] = {};
    rc = VRNetWship6::GetNameInfoW(res->ai_addr, static_cast<socklen_t>(res->ai_addrlen), host, 1025, nullptr, 0,
                                   NI_NAMEREQD);
    VRNetWship6::FreeAddrInfoW(res);
    if (rc != 0) RaiseSocketError(AddrInfoErrorToWinsockError(rc));
    return host;
  }
  if (AIPVersion == Net_IPv6) EVRNetIPv6Unavailable::Toss(L"IPv6 unavailable");
  const unsigned long addr = VRNetWinsock2::inet_addr(StringToAnsi(AAddress).c_str());
  hostent* h = VRNetWinsock2::gethostbyaddr(reinterpret_cast<const char*>(&addr), 4, AF_INET);
  if (!h) RaiseLastSocketError();
  return AnsiToString(h->h_name);
}

Word TVRNetStackWindows::HostToNetwork(Word AValue) { return VRNetWinsock2::htons(AValue); }
Cardinal TVRNetStackWindows::HostToNetwork(Cardinal AValue) { return VRNetWinsock2::htonl(AValue); }
UInt64 TVRNetStackWindows::HostToNetwork(UInt64 AValue) {
  const Cardinal lo = VRNetWinsock2::htonl(static_cast<Cardinal>(AValue));
  const Cardinal hi = VRNetWinsock2::htonl(static_cast<Cardinal>(AValue >> 32));
  return (static_cast<UInt64>(lo) << 32) | hi;
}
Word TVRNetStackWindows::NetworkToHost(Word AValue) { return VRNetWinsock2::ntohs(AValue); }
Cardinal TVRNetStackWindows::NetworkToHost(Cardinal AValue) { return VRNetWinsock2::ntohl(AValue); }
UInt64 TVRNetStackWindows::NetworkToHost(UInt64 AValue) {
  const Cardinal lo = VRNetWinsock2::ntohl(static_cast<Cardinal>(AValue));
  const Cardinal hi = VRNetWinsock2::ntohl(static_cast<Cardinal>(AValue >> 32));
  return (static_cast<UInt64>(lo) << 32) | hi;
}

void TVRNetStackWindows::Listen(TVRNetStackSocketHandle ASocket, Integer ABacklog) {
  CheckForSocketError(VRNetWinsock2::listen(ASocket, ABacklog));
}

Integer TVRNetStackWindows::WSGetLastError() { return VRNetWinsock2::WSAGetLastError(); }
void TVRNetStackWindows::WSSetLastError(Integer AErr) { VRNetWinsock2::WSASetLastError(AErr); }

void TVRNetStackWindows::GetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName,
                                         Integer& VOptVal) {
  Integer len = 4;
  WSGetSockOpt(ASocket, ALevel, AOptName, &VOptVal, len);
}

void TVRNetStackWindows::SetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName,
                                         Integer AOptVal) {
  SetSocketOption(ASocket, ALevel, AOptName, &AOptVal, 4);
}

void TVRNetStackWindows::SetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName,
                                         const void* AOptVal, Integer AOptLen) {
  CheckForSocketError(
      VRNetWinsock2::setsockopt(ASocket, ALevel, AOptName, static_cast<const char*>(AOptVal), AOptLen));
}

bool TVRNetStackWindows::SupportsIPv6() {
  DWORD size = 0;
  VRNetWinsock2::WSAEnumProtocolsW(nullptr, nullptr, &size);
  if (size == 0) return false;
  std::vector<Byte> buf(size);
  auto* info = reinterpret_cast<WSAPROTOCOL_INFOW*>(buf.data());
  const int n = VRNetWinsock2::WSAEnumProtocolsW(nullptr, info, &size);
  for (int i = 0; i < n; ++i)
    if (info[i].iAddressFamily == AF_INET6) return true;
  return false;
}

void TVRNetStackWindows::AddLocalAddressesToList(TStrings* AAddresses) {
  const String name = ReadLocalHostName();
  TUpdateScope<TStrings> update(AAddresses);
  {
    if (IPv6HelpersAvailable) {
      ADDRINFOW hints{};
      hints.ai_family = AF_INET;
      hints.ai_socktype = SOCK_STREAM;
      ADDRINFOW* res = nullptr;
      const INT rc = VRNetWship6::GetAddrInfoW(name.c_str(), nullptr, &hints, &res);
      if (rc != 0) RaiseSocketError(AddrInfoErrorToWinsockError(rc));
      TScopeExit freeList([res] { VRNetWship6::FreeAddrInfoW(res); });
      for (ADDRINFOW* p = res; p; p = p->ai_next) {
        if (p->ai_family != AF_INET) continue;
        sockaddr_storage a{};
        std::memcpy(&a, p->ai_addr, std::min<size_t>(p->ai_addrlen, sizeof(a)));
        String ip;
        Word port;
        TVRNetIPVersion v;
        ReadSockAddr(this, a, ip, port, v);
        AAddresses->Add(ip);
      }
    } else {
      hostent* h = VRNetWinsock2::gethostbyname(StringToAnsi(name).c_str());
      if (!h) RaiseLastSocketError();
      for (char** p = h->h_addr_list; p && *p; ++p) {
        const Byte* b = reinterpret_cast<const Byte*>(*p);
        AAddresses->Add(IntToStr(b[0]) + L"." + IntToStr(b[1]) + L"." + IntToStr(b[2]) + L"." + IntToStr(b[3]));
      }
    }
  }
}

Integer TVRNetStackWindows::CloseSocketHandle(TVRNetStackSocketHandle ASocket) {
  return VRNetWinsock2::closesocket(ASocket);
}

Integer TVRNetStackWindows::RawReceive(TVRNetStackSocketHandle ASocket, void* ABuffer, Integer ALength,
                                       Integer AFlags) {
  return VRNetWinsock2::recv(ASocket, static_cast<char*>(ABuffer), ALength, AFlags);
}

Integer TVRNetStackWindows::RawSend(TVRNetStackSocketHandle ASocket, const void* ABuffer, Integer ALength,
                                    Integer AFlags) {
  return CheckForSocketError(VRNetWinsock2::send(ASocket, static_cast<const char*>(ABuffer), ALength, AFlags));
}

Integer TVRNetStackWindows::ShutdownSocket(TVRNetStackSocketHandle ASocket, Integer AHow) {
  return VRNetWinsock2::shutdown(ASocket, AHow);
}

bool TVRNetStackWindows::CheckIPVersionSupport(TVRNetIPVersion AIPVersion) {
  const SOCKET s = WSSocket(AIPVersion == Net_IPv4 ? AF_INET : AF_INET6, SOCK_STREAM, 0, false);
  if (s == INVALID_SOCKET) return false;
  CloseSocketHandle(s);
  return true;
}

Word TVRNetStackWindows::WSGetServByName(const String& AServiceName) {
  servent* s = VRNetWinsock2::getservbyname(StringToAnsi(AServiceName).c_str(), nullptr);
  if (s) return VRNetWinsock2::ntohs(static_cast<u_short>(s->s_port));
  Integer n;
  if (TryStrToInt(Trim(AServiceName), n)) return static_cast<Word>(n);
  EVRNetInvalidServiceName::Toss(UsFormat(L"%s is not a valid service.", {AServiceName}));
}

std::unique_ptr<TStrings> TVRNetStackWindows::WSGetServByPort(Word APortNumber) {
  auto list = std::make_unique<TStringList>();
  servent* s = VRNetWinsock2::getservbyport(VRNetWinsock2::htons(APortNumber), nullptr);
  if (s) {
    list->Add(AnsiToString(s->s_name));
    for (char** a = s->s_aliases; a && *a; ++a) list->Add(AnsiToString(*a));
  }
  return list;
}

Integer TVRNetStackWindows::RecvFrom(TVRNetStackSocketHandle ASocket, void* ABuffer, Integer ALength, Integer AFlags,
                                     String& VIP, Word& VPort, TVRNetIPVersion& VIPVersion) {
  sockaddr_storage a{};
  int len = VIPVersion == Net_IPv6 ? 28 : 16;
  const Integer r =
      VRNetWinsock2::recvfrom(ASocket, static_cast<char*>(ABuffer), ALength, AFlags, reinterpret_cast<sockaddr*>(&a), &len);
  if (r >= 0 && (a.ss_family == AF_INET || a.ss_family == AF_INET6)) ReadSockAddr(this, a, VIP, VPort, VIPVersion);
  return r;
}

void TVRNetStackWindows::WSSendTo(TVRNetStackSocketHandle ASocket, const void* ABuffer, Integer ALength,
                                  Integer AFlags, const String& AIP, Word APort, TVRNetIPVersion AIPVersion) {
  sockaddr_storage a;
  const Integer len = MakeSockAddr(this, a, AIP, APort, AIPVersion, false);
  const Integer r = VRNetWinsock2::sendto(ASocket, static_cast<const char*>(ABuffer), ALength, AFlags,
                                          reinterpret_cast<sockaddr*>(&a), len);
  if (r == Net_SOCKET_ERROR) {
    const Integer err = WSGetLastError();
    if (err == 10040) EVRNetPackageSizeTooBig::Toss(L"Package Size Too Big.");
    RaiseSocketError(err);
  }
  if (r < ALength) EVRNetNotAllBytesSent::Toss(L"Not all bytes sent.");
}

TVRNetStackSocketHandle TVRNetStackWindows::WSSocket(Integer AFamily, Integer AStruct, Integer AProtocol,
                                                     bool AOverlapped) {
  if (AOverlapped) return VRNetWinsock2::WSASocketW(AFamily, AStruct, AProtocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
  return VRNetWinsock2::socket(AFamily, AStruct, AProtocol);
}

void TVRNetStackWindows::WSGetSockOpt(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName,
                                      void* AOptVal, Integer& AOptLen) {
  int len = AOptLen;
  CheckForSocketError(VRNetWinsock2::getsockopt(ASocket, ALevel, AOptName, static_cast<char*>(AOptVal), &len));
  AOptLen = len;
}

void TVRNetStackWindows::SetBlocking(TVRNetStackSocketHandle ASocket, bool ABlocking) {
  u_long v = ABlocking ? 0 : 1;
  CheckForSocketError(VRNetWinsock2::ioctlsocket(ASocket, static_cast<long>(FIONBIO), &v));
}

bool TVRNetStackWindows::WouldBlock(Integer AResult) { return CheckForSocketError(AResult, {10035}) != 0; }

namespace {
bool WindowsXPOrLater() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&v)) return false;
#pragma GCC diagnostic pop
  return v.dwMajorVersion > 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion >= 1);
}
}  // namespace

Integer TVRNetStackWindows::ReceiveMsg(TVRNetStackSocketHandle ASocket, TBytes& VBuffer,
                                       TNetPacketInfo* APacketInfo) {
  if (!WindowsXPOrLater()) {
    TVRNetIPVersion v = Net_IPv4;
    const Integer r = CheckForSocketError(RecvFrom(ASocket, VBuffer.data(), static_cast<Integer>(VBuffer.size()), 0,
                                                   APacketInfo->SourceIP, APacketInfo->SourcePort, v));
    return r;
  }
  sockaddr_storage from{};
  WSABUF data{static_cast<ULONG>(VBuffer.size()), reinterpret_cast<char*>(VBuffer.data())};
  // Control data: the packet information and the hop limit, well within this room.
  std::vector<char> control(VBuffer.size() + 24 + 64);
  WSAMSG msg{};
  msg.name = reinterpret_cast<sockaddr*>(&from);
  msg.namelen = sizeof(from);
  msg.lpBuffers = &data;
  msg.dwBufferCount = 1;
  msg.Control.buf = control.data();
  msg.Control.len = static_cast<ULONG>(control.size());
  DWORD received = 0;
  if (VRNetWinsock2::WSARecvMsg(ASocket, &msg, &received, nullptr, nullptr) != 0) RaiseLastSocketError();
  TVRNetIPVersion v;
  ReadSockAddr(this, from, APacketInfo->SourceIP, APacketInfo->SourcePort, v);
  for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&msg); c; c = WSA_CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_type == 19) {  // packet information
      if (c->cmsg_level == 0) {
        const auto* info = reinterpret_cast<const IN_PKTINFO*>(WSA_CMSG_DATA(c));
        APacketInfo->DestIP = TranslateTInAddrToString(&info->ipi_addr, Net_IPv4);
        APacketInfo->DestIF = info->ipi_ifindex;
      } else if (c->cmsg_level == 41) {
        const auto* info = reinterpret_cast<const IN6_PKTINFO*>(WSA_CMSG_DATA(c));
        APacketInfo->DestIP = TranslateTInAddrToString(&info->ipi6_addr, Net_IPv6);
        APacketInfo->DestIF = info->ipi6_ifindex;
      }
    } else if (c->cmsg_type == 21) {  // hop limit
      Integer ttl;
      std::memcpy(&ttl, WSA_CMSG_DATA(c), sizeof(ttl));
      APacketInfo->TTL = static_cast<Byte>(ttl);
    }
  }
  return static_cast<Integer>(received);
}

void TVRNetStackWindows::RouteQuery(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort,
                                    in6_addr& VSource, in6_addr& VDest) {
  sockaddr_storage to;
  MakeSockAddr(this, to, AIP, APort, Net_IPv6, false);
  Byte out[128] = {};
  DWORD bytes = 0;
  if (VRNetWinsock2::WSAIoctl(ASocket, SIO_ROUTING_INTERFACE_QUERY, &to, 28, out, sizeof(out), &bytes, nullptr,
                              nullptr) != 0)
    RaiseLastSocketError();
  const auto* source = reinterpret_cast<const sockaddr_in6*>(out);
  if (source->sin6_family != AF_INET6) RaiseUnsupported();
  VSource = source->sin6_addr;
  VDest = reinterpret_cast<const sockaddr_in6*>(&to)->sin6_addr;
}

void TVRNetStackWindows::WriteChecksum(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, Integer AOffset,
                                       const String& AIP, Word APort, TVRNetIPVersion AIPVersion) {
  if (AOffset < 0 || static_cast<size_t>(AOffset) + 2 > VBuffer.size())
    EVRNetException::Toss(L"Buffer start position is invalid.");
  Word sum;
  if (AIPVersion == Net_IPv4) {
    sum = CalcCheckSum(VBuffer);
  } else if (AIPVersion == Net_IPv6) {
    in6_addr source, dest;
    RouteQuery(ASocket, AIP, APort, source, dest);
    // The checksum field of the message counts as zero.
    for (size_t i = 2; i < 4 && i < VBuffer.size(); ++i) VBuffer[i] = 0;
    TBytes pseudo(40);
    std::memcpy(pseudo.data(), &source, 16);
    std::memcpy(pseudo.data() + 16, &dest, 16);
    const Cardinal length = HostToNetwork(static_cast<Cardinal>(VBuffer.size()));
    std::memcpy(pseudo.data() + 32, &length, 4);
    pseudo[39] = 58;  // next header: ICMPv6
    pseudo.insert(pseudo.end(), VBuffer.begin(), VBuffer.end());
    sum = CalcCheckSum(pseudo);
  } else {
    RaiseUnsupported();
  }
  std::memcpy(VBuffer.data() + AOffset, &sum, 2);
}

// Socket lists ------------------------------------------------------------------------------

namespace {

[[noreturn]] void SetSizeExceeded() { EVRNetStackSetSizeExceeded::Toss(L"Set Size Exceeded."); }

// Milliseconds to a select time value: -2 waits without limit.
timeval* ToTimeval(Integer ATimeout, timeval& Tv) {
  if (ATimeout == -2) return nullptr;
  if (ATimeout < 0) ATimeout = 0;
  Tv.tv_sec = ATimeout / 1000;
  Tv.tv_usec = (ATimeout % 1000) * 1000;
  return &Tv;
}

fd_set CopySet(TVRNetSocketListWindows* L, const fd_set& S) {
  fd_set r;
  L->Lock();
  r = S;
  L->Unlock();
  return r;
}
}  // namespace

TVRNetStackSocketHandle TVRNetSocketListWindows::Items(Integer AIndex) {
  TVRNetSocketListLock lock(this);
  if (AIndex < 0 || static_cast<u_int>(AIndex) >= FFDSet.fd_count) SetSizeExceeded();
  return FFDSet.fd_array[AIndex];
}

void TVRNetSocketListWindows::Add(TVRNetStackSocketHandle AHandle) {
  TVRNetSocketListLock lock(this);
  if (FFDSet.fd_count >= FD_SETSIZE) SetSizeExceeded();
  FFDSet.fd_array[FFDSet.fd_count++] = AHandle;
}

std::unique_ptr<TVRNetSocketList> TVRNetSocketListWindows::Clone() {
  auto r = std::make_unique<TVRNetSocketListWindows>();
  TVRNetSocketListLock lock(this);
  r->FFDSet = FFDSet;
  return r;
}

Integer TVRNetSocketListWindows::Count() {
  TVRNetSocketListLock lock(this);
  return static_cast<Integer>(FFDSet.fd_count);
}

void TVRNetSocketListWindows::Remove(TVRNetStackSocketHandle AHandle) {
  TVRNetSocketListLock lock(this);
  for (u_int i = 0; i < FFDSet.fd_count; ++i) {
    if (FFDSet.fd_array[i] == AHandle) {
      FFDSet.fd_array[i] = FFDSet.fd_array[FFDSet.fd_count - 1];
      --FFDSet.fd_count;
      return;
    }
  }
}

void TVRNetSocketListWindows::Clear() {
  TVRNetSocketListLock lock(this);
  FFDSet.fd_count = 0;
}

bool TVRNetSocketListWindows::ContainsSocket(TVRNetStackSocketHandle AHandle) {
  TVRNetSocketListLock lock(this);
  return FDIsSet(AHandle, FFDSet);
}

bool TVRNetSocketListWindows::Select(TVRNetSocketList* AReadList, TVRNetSocketList* AWriteList,
                                     TVRNetSocketList* AExceptList, Integer ATimeout) {
  auto* r = static_cast<TVRNetSocketListWindows*>(AReadList);
  auto* w = static_cast<TVRNetSocketListWindows*>(AWriteList);
  auto* e = static_cast<TVRNetSocketListWindows*>(AExceptList);
  fd_set rs, ws, es;
  if (r) rs = CopySet(r, r->FFDSet);
  if (w) ws = CopySet(w, w->FFDSet);
  if (e) es = CopySet(e, e->FFDSet);
  timeval tv;
  const Integer n = VRNetWinsock2::select(0, r ? &rs : nullptr, w ? &ws : nullptr, e ? &es : nullptr,
                                          ToTimeval(ATimeout, tv));
  GStack()->CheckForSocketError(n);
  auto store = [](TVRNetSocketListWindows* L, const fd_set& S) {
    L->Lock();
    L->FFDSet = S;
    L->Unlock();
  };
  if (r) store(r, rs);
  if (w) store(w, ws);
  if (e) store(e, es);
  return n > 0;
}

bool TVRNetSocketListWindows::SelectRead(Integer ATimeout) {
  fd_set rs = CopySet(this, FFDSet);
  // An empty set cannot become readable (and select refuses it).
  if (rs.fd_count == 0) return false;
  timeval tv;
  const Integer n = VRNetWinsock2::select(0, &rs, nullptr, nullptr, ToTimeval(ATimeout, tv));
  GStack()->CheckForSocketError(n);
  return n > 0;
}

bool TVRNetSocketListWindows::SelectReadList(std::unique_ptr<TVRNetSocketList>& VSocketList, Integer ATimeout) {
  fd_set rs = CopySet(this, FFDSet);
  if (rs.fd_count == 0) return false;
  timeval tv;
  const Integer n = VRNetWinsock2::select(0, &rs, nullptr, nullptr, ToTimeval(ATimeout, tv));
  GStack()->CheckForSocketError(n);
  if (n <= 0) return false;
  if (!VSocketList) VSocketList = CreateSocketList();
  auto* l = static_cast<TVRNetSocketListWindows*>(VSocketList.get());
  l->Lock();
  l->FFDSet = rs;
  l->Unlock();
  return true;
}
