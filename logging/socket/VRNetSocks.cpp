#include "VRNetSocks.h"

#include "VRNetException.h"
#include "VRNetIOHandlerStack.h"
#include "VRNetTCPClient.h"

namespace {
[[noreturn]] void NoResponse() { EVRNetSocksServerRespondError::Toss(L"Socks server did not respond."); }

// Reads ACount bytes; any failure is the server not responding.
TBytes ReadOrFail(TVRNetIOHandler* H, Integer ACount) {
  TBytes b;
  try {
    H->ReadBytes(b, ACount, false);
  } catch (const Exception&) {
    NoResponse();
  }
  return b;
}

void AppendWord(TBytes& B, Word V) {
  B.push_back(static_cast<Byte>(V >> 8));
  B.push_back(static_cast<Byte>(V));
}

void AppendText(TBytes& B, const String& S) {
  const TBytes t = BytesOfString(S, TEncoding::ASCII());
  B.insert(B.end(), t.begin(), t.end());
}

// Address type, address and port of a SOCKS 5 request or datagram header.
void AppendSocks5Address(TBytes& B, const String& AHost, Word APort) {
  if (!CanonicalIPv6Text(AHost).empty()) {
    B.push_back(4);
    TVRNetIPv6Address w;
    ParseIPv6Text(AHost, w);
    for (Word x : w) AppendWord(B, x);
  } else if (GStack()->IsIP(AHost)) {
    B.push_back(1);
    String rest = AHost;
    for (int i = 0; i < 4; ++i) B.push_back(static_cast<Byte>(TrimStrToInt(Fetch(rest, L"."))));
  } else {
    // The length byte carries at most 255 characters of the name.
    const String name = AHost.substr(0, 255);
    B.push_back(3);
    B.push_back(static_cast<Byte>(name.size()));
    AppendText(B, name);
  }
  AppendWord(B, APort);
}

String IPv4Text(const TBytes& B, size_t At) {
  return IntToStr(B[At]) + L"." + IntToStr(B[At + 1]) + L"." + IntToStr(B[At + 2]) + L"." + IntToStr(B[At + 3]);
}

String IPv6Text(const TBytes& B, size_t At) {
  TVRNetIPv6Address w;
  for (int i = 0; i < 8; ++i) w[i] = static_cast<Word>((B[At + 2 * i] << 8) | B[At + 2 * i + 1]);
  return IPv6WordsToText(w);
}
}  // namespace

TVRNetSocksInfo::TVRNetSocksInfo(TComponent* AOwner) : TVRNetCustomTransparentProxy(AOwner) {
  Port = 1080;
  IPVersion = Net_IPv4;
  FUDPSocksAssociation = std::make_unique<TVRNetIOHandlerStack>(nullptr);
}

TVRNetSocksInfo::~TVRNetSocksInfo() = default;

void TVRNetSocksInfo::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TVRNetSocksInfo*>(Source)) {
    Authentication = s->Authentication;
    Version = s->Version;
  }
  TVRNetCustomTransparentProxy::Assign(Source);
}

void TVRNetSocksInfo::NegotiateConnect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort,
                                       TVRNetIPVersion AIPVersion) {
  switch (Version) {
    case svSocks4:
    case svSocks4A: Socks4Connect(AIOHandler, AHost, APort); break;
    case svSocks5: Socks5Connect(AIOHandler, AHost, APort); break;
    default: break;
  }
}

void TVRNetSocksInfo::Bind(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort, TVRNetIPVersion AIPVersion) {
  switch (Version) {
    case svSocks4:
    case svSocks4A: Socks4Bind(AIOHandler, AHost, APort); break;
    case svSocks5: Socks5Bind(AIOHandler, AHost, APort, AIPVersion); break;
    default: break;
  }
}

bool TVRNetSocksInfo::Listen(TVRNetIOHandler* AIOHandler, Integer ATimeOut) {
  switch (Version) {
    case svSocks4:
    case svSocks4A: return Socks4AcceptReply(AIOHandler, ATimeOut);
    case svSocks5: return Socks5AcceptReply(AIOHandler, ATimeOut);
    default: return false;
  }
}

// SOCKS 4 and 4A -------------------------------------------------------------------------

void TVRNetSocksInfo::Socks4Request(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort, Byte ACommand) {
  TBytes req{4, ACommand};
  AppendWord(req, APort);
  if (Version == svSocks4A) {
    for (Byte b : {0, 0, 0, 1}) req.push_back(b);
  } else {
    String rest = GStack()->ResolveHost(AHost, Net_IPv4);
    for (int i = 0; i < 4; ++i) req.push_back(static_cast<Byte>(TrimStrToInt(Fetch(rest, L"."))));
  }
  AppendText(req, Username);
  req.push_back(0);
  if (Version == svSocks4A) {
    AppendText(req, AHost);
    req.push_back(0);
  }
  TVRNetWriteBufferScope buffered(AIOHandler);
  AIOHandler->Write(req);
  buffered.Close();
}

void TVRNetSocksInfo::Socks4Judge(Byte ACode) {
  switch (ACode) {
    case 90: return;
    case 91: EVRNetSocksRequestFailed::Toss(L"Request rejected or failed.");
    case 92: EVRNetSocksRequestServerFailed::Toss(L"Request rejected because SOCKS server cannot connect.");
    case 93:
      EVRNetSocksRequestIdentFailed::Toss(
          L"Request rejected because the client program and identd report different user-ids.");
    default: EVRNetSocksUnknownError::Toss(L"Unknown socks error.");
  }
}

void TVRNetSocksInfo::Socks4Connect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort) {
  Socks4Request(AIOHandler, AHost, APort, 1);
  const TBytes reply = ReadOrFail(AIOHandler, 8);
  Socks4Judge(reply[1]);
}

void TVRNetSocksInfo::ConnectToProxy(TVRNetIOHandler* AIOHandler) {
  // A temporary client connects the handler straight to the proxy: meanwhile the proxy is
  // switched off, and the handler's work target is given back afterwards.
  TVRNetComponent* workTarget = AIOHandler->WorkTarget();
  const TSocksVersion saved = Version;
  Version = svNoSocks;
  TVRNetTCPClient client(nullptr);
  TScopeExit restore([&] {
    Version = saved;
    client.SetIOHandler(nullptr);
    AIOHandler->SetWorkTarget(workTarget);
  });
  client.SetIOHandler(AIOHandler);
  client.SetHost(Host);
  client.SetPort(Port);
  client.SetIPVersion(IPVersion);
  client.Connect();
}

void TVRNetSocksInfo::Socks4Bind(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort) {
  ConnectToProxy(AIOHandler);
  Socks4Request(AIOHandler, AHost, APort, 2);
  const TBytes code = ReadOrFail(AIOHandler, 2);
  Socks4Judge(code[1]);
  const TBytes rest = ReadOrFail(AIOHandler, 6);
  if (auto* s = dynamic_cast<TVRNetIOHandlerSocket*>(AIOHandler))
    s->Binding()->SetBinding(IPv4Text(rest, 2), static_cast<Word>((rest[0] << 8) | rest[1]), Net_IPv4);
}

bool TVRNetSocksInfo::Socks4AcceptReply(TVRNetIOHandler* AIOHandler, Integer ATimeOut) {
  if (!AIOHandler->Readable(ATimeOut)) return false;
  const TBytes code = ReadOrFail(AIOHandler, 2);
  Socks4Judge(code[1]);
  const TBytes rest = ReadOrFail(AIOHandler, 6);
  if (auto* s = dynamic_cast<TVRNetIOHandlerSocket*>(AIOHandler))
    s->Binding()->SetPeer(IPv4Text(rest, 2), static_cast<Word>((rest[0] << 8) | rest[1]), Net_IPv4);
  return true;
}

// SOCKS 5 --------------------------------------------------------------------------------

void TVRNetSocksInfo::Socks5Authenticate(TVRNetIOHandler* AIOHandler) {
  const Byte method = Authentication == saUsernamePassword ? 2 : 0;
  AIOHandler->WriteDirect(TBytes{5, 1, method});
  const TBytes answer = ReadOrFail(AIOHandler, 2);
  if (answer[1] != method) EVRNetSocksAuthMethodError::Toss(L"Invalid socks authentication method.");
  if (method != 2) return;
  TBytes sub{1};
  const String user = Username.substr(0, Username.size() % 256);
  const String pass = Password.substr(0, Password.size() % 256);
  sub.push_back(static_cast<Byte>(user.size()));
  AppendText(sub, user);
  sub.push_back(static_cast<Byte>(pass.size()));
  AppendText(sub, pass);
  AIOHandler->WriteDirect(sub);
  const TBytes status = ReadOrFail(AIOHandler, 2);
  if (status[1] != 0) EVRNetSocksAuthError::Toss(L"Authentication error to socks server.");
}

TBytes TVRNetSocksInfo::Socks5Request(const String& AHost, Word APort, Byte ACommand) {
  TBytes req{5, ACommand, 0};
  AppendSocks5Address(req, AHost, APort);
  return req;
}

void TVRNetSocksInfo::Socks5Judge(Byte ACode) {
  switch (ACode) {
    case 0: return;
    case 1: EVRNetSocksServerGeneralError::Toss(L"General SOCKS server failure.");
    case 2: EVRNetSocksServerPermissionError::Toss(L"Connection not allowed by ruleset.");
    case 3: EVRNetSocksServerNetUnreachableError::Toss(L"Network unreachable.");
    case 4: EVRNetSocksServerHostUnreachableError::Toss(L"Host unreachable.");
    case 5: EVRNetSocksServerConnectionRefusedError::Toss(L"Connection refused.");
    case 6: EVRNetSocksServerTTLExpiredError::Toss(L"TTL expired.");
    case 7: EVRNetSocksServerCommandError::Toss(L"Command not supported.");
    case 8: EVRNetSocksServerAddressError::Toss(L"Address type not supported.");
    default: EVRNetSocksUnknownError::Toss(L"Unknown socks error.");
  }
}

void TVRNetSocksInfo::Socks5Connect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort) {
  Socks5Authenticate(AIOHandler);
  AIOHandler->WriteDirect(Socks5Request(AHost, APort, 1));
  const TBytes head = ReadOrFail(AIOHandler, 5);
  Socks5Judge(head[1]);
  switch (head[3]) {
    case 1: ReadOrFail(AIOHandler, 5); break;
    case 3: ReadOrFail(AIOHandler, head[4] + 2); break;
    case 4: ReadOrFail(AIOHandler, 17); break;
    // How much follows an unknown address type is unknown: the tunnel cannot be used.
    default: EVRNetSocksUnknownError::Toss(L"Unknown socks error.");
  }
}

void TVRNetSocksInfo::ReadBoundAddress(TVRNetIOHandler* AIOHandler, Byte AType, String& VIP, Word& VPort,
                                       TVRNetIPVersion ANameVersion) {
  if (AType == 1) {
    const TBytes b = ReadOrFail(AIOHandler, 6);
    VIP = IPv4Text(b, 0);
    VPort = static_cast<Word>((b[4] << 8) | b[5]);
  } else if (AType == 3) {
    const Byte len = ReadOrFail(AIOHandler, 1)[0];
    const TBytes b = ReadOrFail(AIOHandler, len + 2);
    VIP = GStack()->ResolveHost(TextFromBytes(b, TEncoding::ASCII(), 0, len), Net_IPv4);
    VPort = static_cast<Word>((b[len] << 8) | b[len + 1]);
  } else {
    const TBytes b = ReadOrFail(AIOHandler, 18);
    VIP = IPv6Text(b, 0);
    VPort = static_cast<Word>((b[16] << 8) | b[17]);
  }
  (void)ANameVersion;
}

void TVRNetSocksInfo::Socks5Bind(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort,
                                 TVRNetIPVersion AIPVersion) {
  ConnectToProxy(AIOHandler);
  Socks5Authenticate(AIOHandler);
  AIOHandler->WriteDirect(Socks5Request(AHost, APort, 2));
  const TBytes head = ReadOrFail(AIOHandler, 4);
  Socks5Judge(head[1]);
  String ip;
  Word port;
  ReadBoundAddress(AIOHandler, head[3], ip, port, AIPVersion);
  auto* s = dynamic_cast<TVRNetIOHandlerSocket*>(AIOHandler);
  if (s) s->Binding()->SetPeer(ip, port, head[3] == 4 ? Net_IPv6 : (head[3] == 1 ? Net_IPv4 : s->IPVersion));
}

bool TVRNetSocksInfo::Socks5AcceptReply(TVRNetIOHandler* AIOHandler, Integer ATimeOut) {
  if (!AIOHandler->Readable(ATimeOut)) return false;
  const TBytes head = ReadOrFail(AIOHandler, 4);
  Socks5Judge(head[1]);
  String ip;
  Word port;
  const Byte type = head[3] == 1 || head[3] == 3 ? head[3] : 4;
  ReadBoundAddress(AIOHandler, type, ip, port, Net_IPv4);
  if (auto* s = dynamic_cast<TVRNetIOHandlerSocket*>(AIOHandler))
    s->Binding()->SetPeer(ip, port, type == 4 ? Net_IPv6 : Net_IPv4);
  return true;
}

// UDP --------------------------------------------------------------------------------------

void TVRNetSocksInfo::OpenUDP(TVRNetSocketHandle* AHandle, const String& AHost, Word APort,
                              TVRNetIPVersion AIPVersion) {
  if (Version == svSocks4 || Version == svSocks4A)
    EVRNetSocksUDPNotSupportedBySOCKSVersion::Toss(L"UDP is not support in this SOCKS version.");
  if (Version != svSocks5) return;
  TVRNetIOHandlerStack* assoc = FUDPSocksAssociation.get();
  TScopeExit closeOnFailure([assoc] { assoc->Close(); });
  assoc->SetHost(Host);
  assoc->SetPort(Port);
  assoc->IPVersion = IPVersion;
  assoc->Open();
  Socks5Authenticate(assoc);
  assoc->WriteDirect(Socks5Request(IPVersion == Net_IPv6 ? L"::0" : L"0.0.0.0", 0, 3));
  const TBytes head = ReadOrFail(assoc, 4);
  Socks5Judge(head[1]);
  String ip;
  Word port;
  ReadBoundAddress(assoc, head[3], ip, port, IPVersion);
  const TVRNetIPVersion v = head[3] == 1 ? Net_IPv4 : (head[3] == 4 ? Net_IPv6 : IPVersion);
  AHandle->SetPeer(assoc->Binding()->PeerIP, port, v);
  AHandle->Connect();
  closeOnFailure.Dismiss();
}

void TVRNetSocksInfo::CloseUDP(TVRNetSocketHandle* AHandle) {
  if (Version == svSocks4 || Version == svSocks4A)
    EVRNetSocksUDPNotSupportedBySOCKSVersion::Toss(L"UDP is not support in this SOCKS version.");
  if (Version == svSocks5) FUDPSocksAssociation->Close();
}

TBytes TVRNetSocksInfo::Socks5UdpHeader(const String& AHost, Word APort) {
  TBytes h{0, 0, 0};
  AppendSocks5Address(h, AHost, APort);
  return h;
}

void TVRNetSocksInfo::SendToUDP(TVRNetSocketHandle* AHandle, const String& AHost, Word APort,
                                TVRNetIPVersion AIPVersion, const TBytes& ABuffer) {
  if (Version == svSocks4 || Version == svSocks4A)
    EVRNetSocksUDPNotSupportedBySOCKSVersion::Toss(L"UDP is not support in this SOCKS version.");
  TBytes d = Socks5UdpHeader(AHost, APort);
  d.insert(d.end(), ABuffer.begin(), ABuffer.end());
  AHandle->Send(d);
}

Integer TVRNetSocksInfo::RecvFromUDP(TVRNetSocketHandle* AHandle, TBytes& ABuffer, String& VPeerIP, Word& VPeerPort,
                                     TVRNetIPVersion& VIPVersion, Integer AMSec) {
  if (Version == svSocks4 || Version == svSocks4A)
    EVRNetSocksUDPNotSupportedBySOCKSVersion::Toss(L"UDP is not support in this SOCKS version.");
  VPeerIP.clear();
  VPeerPort = 0;
  if (!AHandle->Readable(AMSec)) return 0;
  TBytes d(ABuffer.size() + 200);
  const Integer n = AHandle->Receive(d);
  if (n <= 4) return 0;
  d.resize(static_cast<size_t>(n));
  size_t at = 4;
  const Byte type = d[3];
  if (type == 1) {
    if (d.size() < at + 6) return 0;
    VPeerIP = IPv4Text(d, at);
    VIPVersion = Net_IPv4;
    at += 4;
  } else if (type == 3) {
    const size_t len = d[at];
    if (d.size() < at + 1 + len + 2) return 0;
    VPeerIP = TextFromBytes(d, TEncoding::ASCII(), static_cast<Integer>(at + 1), static_cast<Integer>(len));
    at += 1 + len;
  } else {
    if (d.size() < at + 18) return 0;
    VPeerIP = IPv6Text(d, at);
    VIPVersion = Net_IPv6;
    at += 16;
  }
  VPeerPort = static_cast<Word>((d[at] << 8) | d[at + 1]);
  at += 2;
  const Integer data = static_cast<Integer>(d.size() - at);
  if (ABuffer.size() < static_cast<size_t>(data)) ABuffer.resize(data);
  std::copy(d.begin() + at, d.end(), ABuffer.begin());
  return data;
}
