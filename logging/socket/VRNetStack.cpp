#include "VRNetStack.h"

#include <cstring>

#include <map>

TClass StackClass = nullptr;
TClass SocketListClass = nullptr;
TTransmitFileToSocket TransmitFileToSocket = nullptr;

namespace {
TVRNetStack* GStackInstance = nullptr;
Integer GUsageCount = 0;
// Made at start-up and never freed: components may outlive the unit lists' shutdown.
TVRNetCriticalSection* GStackLock = nullptr;

void InitVRNetStack() {
  if (!GStackLock) GStackLock = new TVRNetCriticalSection();
}

const wchar_t* ErrorText(Integer AErr) {
  static const std::map<Integer, const wchar_t*> texts = {
      {10004, L"Interrupted system call."},
      {10009, L"Bad file number."},
      {10013, L"Access denied."},
      {10014, L"Buffer fault."},
      {10022, L"Invalid argument."},
      {10024, L"Too many open files."},
      {10035, L"Operation would block."},
      {10036, L"Operation now in progress."},
      {10037, L"Operation already in progress."},
      {10038, L"Socket operation on non-socket."},
      {10039, L"Destination address required."},
      {10040, L"Message too long."},
      {10041, L"Protocol wrong type for socket."},
      {10042, L"Bad protocol option."},
      {10043, L"Protocol not supported."},
      {10044, L"Socket type not supported."},
      {10045, L"Operation not supported on socket."},
      {10046, L"Protocol family not supported."},
      {10047, L"Address family not supported by protocol family."},
      {10048, L"Address already in use."},
      {10049, L"Cannot assign requested address."},
      {10050, L"Network is down."},
      {10051, L"Network is unreachable."},
      {10052, L"Net dropped connection or reset."},
      {10053, L"Software caused connection abort."},
      {10054, L"Connection reset by peer."},
      {10055, L"No buffer space available."},
      {10056, L"Socket is already connected."},
      {10057, L"Socket is not connected."},
      {10058, L"Cannot send or receive after socket is closed."},
      {10059, L"Too many references, cannot splice."},
      {10060, L"Connection timed out."},
      {10061, L"Connection refused."},
      {10062, L"Too many levels of symbolic links."},
      {10063, L"File name too long."},
      {10064, L"Host is down."},
      {10065, L"No route to host."},
      {10066, L"Directory not empty"},
      {11001, L"Host not found."},
  };
  auto it = texts.find(AErr);
  return it == texts.end() ? L"" : it->second;
}
}  // namespace

const TUnitInfo VRNetStackUnit{L"VRNetStack", InitVRNetStack, nullptr};

TVRNetStack* GStack() { return GStackInstance; }

TVRNetStack::TVRNetStack() = default;
TVRNetStack::~TVRNetStack() = default;

void TVRNetStack::IncUsage() {
  VRNET_ASSERT(GStackLock != nullptr);
  TVRNetLockScope lock(*GStackLock);
  if (GUsageCount == 0) {
    if (GStackInstance) EVRNetException::Toss(L"Stack already created.");
    if (!StackClass) EVRNetException::Toss(L"Stack Class is undefined.");
    GStackInstance = static_cast<TVRNetStack*>(StackClass->NewInstance());
  }
  ++GUsageCount;
}

void TVRNetStack::DecUsage() {
  VRNET_ASSERT(GStackLock != nullptr);
  TVRNetLockScope lock(*GStackLock);
  if (GUsageCount > 0) {
    --GUsageCount;
    if (GUsageCount == 0) {
      delete GStackInstance;
      GStackInstance = nullptr;
    }
  }
}

Integer TVRNetStack::UsageCount() { return GUsageCount; }

TVRNetIPv6Address TVRNetStack::HostToNetwork(const TVRNetIPv6Address& AValue) {
  TVRNetIPv6Address r;
  for (int i = 0; i < 8; ++i) r[i] = HostToNetwork(AValue[i]);
  return r;
}

TVRNetIPv6Address TVRNetStack::NetworkToHost(const TVRNetIPv6Address& AValue) {
  TVRNetIPv6Address r;
  for (int i = 0; i < 8; ++i) r[i] = NetworkToHost(AValue[i]);
  return r;
}

String TVRNetStack::WSTranslateSocketErrorMsg(Integer AErr) {
  return UsFormat(L"Socket Error # %d\r\n%s", {AErr, String(ErrorText(AErr))});
}

void TVRNetStack::RaiseSocketError(Integer AErr) {
  if (AErr == 10038) throw EVRNetNotASocket(AErr, WSTranslateSocketErrorMsg(AErr));
  throw EVRNetSocketError(AErr, WSTranslateSocketErrorMsg(AErr));
}

void TVRNetStack::RaiseLastSocketError() {
  RaiseSocketError(WSGetLastError());
  __builtin_unreachable();  // RaiseSocketError always raises
}

Integer TVRNetStack::CheckForSocketError(Integer AResult) {
  if (AResult == Net_SOCKET_ERROR) RaiseLastSocketError();
  return AResult;
}

Integer TVRNetStack::CheckForSocketError(Integer AResult, std::initializer_list<Integer> AIgnore) {
  if (AResult != Net_SOCKET_ERROR) return AResult;
  const Integer err = WSGetLastError();
  for (Integer i : AIgnore)
    if (i == err) return err;
  RaiseSocketError(err);
  __builtin_unreachable();  // RaiseSocketError always raises
}


Word TVRNetStack::CalcCheckSum(const TBytes& AData) {
  UInt64 sum = 0;
  size_t i = 0;
  for (; i + 1 < AData.size(); i += 2) sum += static_cast<Word>(AData[i] | (AData[i + 1] << 8));
  if (i < AData.size()) sum += AData[i];
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<Word>(~sum);
}

String TVRNetStack::ResolveHost(const String& AHost, TVRNetIPVersion AIPVersion) {
  if (AIPVersion == Net_IPv4) {
    if (SameText(AHost, VRNetLoopbackHostName)) return L"127.0.0.1";
    if (IsIP(AHost)) return AHost;
    return LookupHostAddress(AHost, AIPVersion);
  }
  if (AIPVersion == Net_IPv6) {
    const String canon = CanonicalIPv6Text(AHost);
    if (!canon.empty()) return canon;
    return LookupHostAddress(AHost, AIPVersion);
  }
  EVRNetIPVersionUnsupported::Toss(L"The requested IPVersion / Address family is not supported.");
}

bool TVRNetStack::IsIP(String AIP) {
  for (int i = 0; i < 4; ++i) {
    String part;
    if (i < 3) {
      const size_t p = AIP.find(L'.');
      if (p == String::npos) return false;
      part = AIP.substr(0, p);
      AIP = AIP.substr(p + 1);
    } else {
      if (AIP.find(L'.') != String::npos) return false;
      part = AIP;
    }
    part = Trim(part);
    if (part.empty() || part.size() > 3 || part.find_first_not_of(L"0123456789") != String::npos) return false;
    if (std::stoi(part) > 255) return false;
  }
  return true;
}

bool TVRNetStack::IsValidIPv4MulticastGroup(const String& Value) {
  if (!IsIP(Value)) return false;
  const Integer first = TrimStrToInt(Value.substr(0, Value.find(L'.')), 0);
  return first >= 224 && first <= 239;
}

bool TVRNetStack::IsValVRNetIPv6MulticastGroup(const String& Value) {
  const String c = CanonicalIPv6Text(Value);
  return !c.empty() && c.rfind(L"FF", 0) == 0;
}

TStrings* TVRNetStack::LocalAddresses() {
  if (!FLocalAddresses) FLocalAddresses = std::make_unique<TStringList>();
  FLocalAddresses->Clear();
  AddLocalAddressesToList(FLocalAddresses.get());
  return FLocalAddresses.get();
}

String TVRNetStack::LocalAddress() {
  TStrings* l = LocalAddresses();
  return l->Count() > 0 ? l->Strings(0) : String();
}

// BSD base --------------------------------------------------------------------------------

TVRNetStackSocketHandle TVRNetStackBSDBase::NewSocketHandle(Integer ASocketType, Integer AProtocol,
                                                            TVRNetIPVersion AIPVersion, bool AOverlapped) {
  Integer family;
  switch (AIPVersion) {
    case Net_IPv4: family = 2; break;  // AF_INET
    case Net_IPv6: family = 23; break;  // AF_INET6
    default: EVRNetIPVersionUnsupported::Toss(L"The requested IPVersion / Address family is not supported.");
  }
  const TVRNetStackSocketHandle s = WSSocket(family, ASocketType, AProtocol, AOverlapped);
  if (s == Net_INVALID_SOCKET) RaiseLastSocketError();
  return s;
}

Integer TVRNetStackBSDBase::Receive(TVRNetStackSocketHandle ASocket, TBytes& VBuffer) {
  return CheckForSocketError(RawReceive(ASocket, VBuffer.data(), static_cast<Integer>(VBuffer.size()), 0));
}

Integer TVRNetStackBSDBase::Send(TVRNetStackSocketHandle ASocket, const TBytes& ABuffer, Integer AOffset,
                                 Integer ASize) {
  const Integer n = AvailableBytes(ABuffer, ASize, AOffset);
  if (n <= 0) return n;
  return RawSend(ASocket, ABuffer.data() + AOffset, n, 0);
}

Integer TVRNetStackBSDBase::ReceiveFrom(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, String& VIP, Word& VPort,
                                        TVRNetIPVersion& VIPVersion) {
  return CheckForSocketError(
      RecvFrom(ASocket, VBuffer.data(), static_cast<Integer>(VBuffer.size()), 0, VIP, VPort, VIPVersion));
}

Integer TVRNetStackBSDBase::SendTo(TVRNetStackSocketHandle ASocket, const TBytes& ABuffer, Integer AOffset,
                                   Integer ASize, const String& AIP, Word APort, TVRNetIPVersion AIPVersion) {
  const Integer n = AvailableBytes(ABuffer, ASize, AOffset);
  if (n > 0) WSSendTo(ASocket, ABuffer.data() + AOffset, n, 0, AIP, APort, AIPVersion);
  return n;
}

namespace {
Integer MulticastLevel(TVRNetIPVersion AIPVersion) {
  switch (AIPVersion) {
    case Net_IPv4: return 0;    // IPPROTO_IP
    case Net_IPv6: return 41;  // IPPROTO_IPV6
    default: EVRNetIPVersionUnsupported::Toss(L"The requested IPVersion / Address family is not supported.");
  }
}
}  // namespace

void TVRNetStackBSDBase::SetMulticastTTL(TVRNetStackSocketHandle ASocket, Byte AValue, TVRNetIPVersion AIPVersion) {
  SetSocketOption(ASocket, MulticastLevel(AIPVersion), 10, Integer(AValue));
}

void TVRNetStackBSDBase::SetLoopBack(TVRNetStackSocketHandle ASocket, bool AValue, TVRNetIPVersion AIPVersion) {
  SetSocketOption(ASocket, MulticastLevel(AIPVersion), 11, Integer(AValue ? 1 : 0));
}

namespace {
// The membership request of option 12 (add) or 13 (drop): IPv4 {group, local interface
// address}, 8 bytes; IPv6 {group, interface index 0}, 20 bytes. An address that is no
// multicast group of the version sends nothing.
void ChangeMembership(TVRNetStackBSDBase* AStack, TVRNetStackSocketHandle ASocket, const String& AGroupIP,
                      const String& ALocalIP, TVRNetIPVersion AIPVersion, Integer AOption) {
  if (AIPVersion == Net_IPv4) {
    if (!AStack->IsValidIPv4MulticastGroup(AGroupIP)) return;
    Byte request[8] = {};
    AStack->TranslateStringToTInAddr(AGroupIP, request, Net_IPv4);
    if (!Trim(ALocalIP).empty()) AStack->TranslateStringToTInAddr(ALocalIP, request + 4, Net_IPv4);
    AStack->SetSocketOption(ASocket, 0, AOption, request, 8);
  } else if (AIPVersion == Net_IPv6) {
    if (!AStack->IsValVRNetIPv6MulticastGroup(AGroupIP)) return;
    Byte request[20] = {};
    AStack->TranslateStringToTInAddr(AGroupIP, request, Net_IPv6);
    AStack->SetSocketOption(ASocket, 41, AOption, request, 20);
  } else {
    EVRNetIPVersionUnsupported::Toss(L"The requested IPVersion / Address family is not supported.");
  }
}
}  // namespace

void TVRNetStackBSDBase::DropMulticastMembership(TVRNetStackSocketHandle ASocket, const String& AGroupIP,
                                                 const String& ALocalIP, TVRNetIPVersion AIPVersion) {
  ChangeMembership(this, ASocket, AGroupIP, ALocalIP, AIPVersion, 13);
}

void TVRNetStackBSDBase::AddMulticastMembership(TVRNetStackSocketHandle ASocket, const String& AGroupIP,
                                                const String& ALocalIP, TVRNetIPVersion AIPVersion) {
  ChangeMembership(this, ASocket, AGroupIP, ALocalIP, AIPVersion, 12);
}

// Address text ----------------------------------------------------------------------------

String TVRNetStack::TranslateTInAddrToString(const void* AInAddr, TVRNetIPVersion AIPVersion) {
  const Byte* b = static_cast<const Byte*>(AInAddr);
  if (AIPVersion == Net_IPv4)
    return IntToStr(b[0]) + L"." + IntToStr(b[1]) + L"." + IntToStr(b[2]) + L"." + IntToStr(b[3]);
  if (AIPVersion == Net_IPv6) {
    String t;
    for (int i = 0; i < 8; ++i) {
      Word w;
      std::memcpy(&w, b + 2 * i, 2);
      if (i) t += L":";
      t += IntToHex(static_cast<Integer>(NetworkToHost(w)), 1);
    }
    return t;
  }
  EVRNetIPVersionUnsupported::Toss(L"The requested IPVersion / Address family is not supported.");
}

void TVRNetStack::TranslateStringToTInAddr(const String& AIP, void* AInAddr, TVRNetIPVersion AIPVersion) {
  Byte* b = static_cast<Byte*>(AInAddr);
  if (AIPVersion == Net_IPv4) {
    String rest = AIP;
    Byte parts[4];
    for (int i = 0; i < 4; ++i) parts[i] = static_cast<Byte>(TrimStrToInt(Fetch(rest, L".")));
    std::memcpy(b, parts, 4);
    return;
  }
  if (AIPVersion == Net_IPv6) {
    TVRNetIPv6Address words;
    ParseIPv6Text(AIP, words);
    for (int i = 0; i < 8; ++i) {
      const Word w = HostToNetwork(words[i]);
      std::memcpy(b + 2 * i, &w, 2);
    }
    return;
  }
  EVRNetIPVersionUnsupported::Toss(L"The requested IPVersion / Address family is not supported.");
}

// Socket lists ----------------------------------------------------------------------------

TVRNetSocketList::TVRNetSocketList() = default;
TVRNetSocketList::~TVRNetSocketList() = default;

std::unique_ptr<TVRNetSocketList> TVRNetSocketList::CreateSocketList() {
  VRNET_ASSERT(SocketListClass != nullptr);
  return std::unique_ptr<TVRNetSocketList>(static_cast<TVRNetSocketList*>(SocketListClass->NewInstance()));
}
