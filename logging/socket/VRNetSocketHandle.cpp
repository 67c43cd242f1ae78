#include "VRNetSocketHandle.h"

#include "VRNetAntiFreezeBase.h"

TVRNetSocketHandle::TVRNetSocketHandle(TCollection* ACollection) : TCollectionItem(ACollection) {
  FReadSocketList = TVRNetSocketList::CreateSocketList();
  Reset(true);
}

TVRNetSocketHandle::~TVRNetSocketHandle() { CloseSocket(); }

void TVRNetSocketHandle::Assign(TPersistent* Source) {
  if (auto* h = dynamic_cast<TVRNetSocketHandle*>(Source)) {
    IP = h->IP;
    Port = h->Port;
    PeerIP = h->PeerIP;
    PeerPort = h->PeerPort;
    FIPVersion = h->FIPVersion;
    return;
  }
  TCollectionItem::Assign(Source);
}

void TVRNetSocketHandle::SetHandle(TVRNetStackSocketHandle AHandle) {
  if (FHandle != Net_INVALID_SOCKET) FReadSocketList->Remove(FHandle);
  FHandle = AHandle;
  FHandleAllocated = AHandle != Net_INVALID_SOCKET;
  if (FHandleAllocated) FReadSocketList->Add(FHandle);
}

void TVRNetSocketHandle::AllocateSocket(Integer ASocketType, Integer AProtocol) {
  CloseSocket();
  SetHandle(GStack()->NewSocketHandle(ASocketType, AProtocol, FIPVersion, OverLapped));
}

void TVRNetSocketHandle::CloseSocket() {
  if (!FHandleAllocated) return;
  TVRNetLockScope lock(FConnectionHandle);
  FHandleAllocated = false;
  GStack()->Disconnect(FHandle);
  SetHandle(Net_INVALID_SOCKET);
}

void TVRNetSocketHandle::Connect() {
  GStack()->Connect(FHandle, PeerIP, PeerPort, FIPVersion);
  TVRNetLockScope lock(FConnectionHandle);
  if (FHandleAllocated) {
    UpdateBindingLocal();
    UpdateBindingPeer();
  }
}

bool TVRNetSocketHandle::TryBind() {
  try {
    GStack()->Bind(FHandle, IP, Port, FIPVersion);
    UpdateBindingLocal();
    return true;
  } catch (const Exception&) {
    // Any failure is reported by the caller as a failed bind.
    return false;
  }
}

void TVRNetSocketHandle::Bind() {
  if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
    if (!TryBind()) EVRNetCouldNotBindSocket::Toss(L"Could not bind socket. Address and port are already in use.");
    return;
  }
  if (ClientPortMax < ClientPortMin)
    EVRNetInvalidPortRange::Toss(UsFormat(L"Invalid Port Range (%d - %d)", {Integer(ClientPortMin), Integer(ClientPortMax)}));
  for (Integer p = ClientPortMax; p >= ClientPortMin; --p) {
    Port = static_cast<Word>(p);
    if (TryBind()) return;
  }
  Port = 0;
  EVRNetCannotBindPortInRange::Toss(UsFormat(L"Can not bind in port range (%d - %d)", {Integer(ClientPortMin), Integer(ClientPortMax)}));
}

void TVRNetSocketHandle::Listen(Integer AQueueCount) { GStack()->Listen(FHandle, AQueueCount); }

bool TVRNetSocketHandle::Accept(TVRNetStackSocketHandle ASocket) {
  Reset(true);
  String ip;
  Word port;
  TVRNetIPVersion v;
  const TVRNetStackSocketHandle s = GStack()->Accept(ASocket, ip, port, v);
  if (s == Net_INVALID_SOCKET) return false;
  SetHandle(s);
  UpdateBindingLocal();
  UpdateBindingPeer();
  return true;
}

Integer TVRNetSocketHandle::Receive(TBytes& VBuffer) { return GStack()->Receive(FHandle, VBuffer); }

Integer TVRNetSocketHandle::Send(const TBytes& ABuffer, Integer AOffset, Integer ASize) {
  return GStack()->Send(FHandle, ABuffer, AOffset, ASize);
}

Integer TVRNetSocketHandle::SendTo(const String& AIP, Word APort, const TBytes& ABuffer, TVRNetIPVersion AIPVersion) {
  return GStack()->SendTo(FHandle, ABuffer, AIP, APort, AIPVersion);
}

Integer TVRNetSocketHandle::RecvFrom(TBytes& VBuffer, String& VIP, Word& VPort, TVRNetIPVersion& VIPVersion) {
  return GStack()->ReceiveFrom(FHandle, VBuffer, VIP, VPort, VIPVersion);
}

void TVRNetSocketHandle::Broadcast(const TBytes& AData, Word APort, const String& AIP) {
  const String target = Trim(AIP).empty() ? String(L"255.255.255.255") : GStack()->ResolveHost(Trim(AIP), FIPVersion);
  SetSockOpt(0xFFFF, 32, 1);  // SO_BROADCAST for this send
  TScopeExit restore([this] { SetSockOpt(0xFFFF, 32, FBroadcastEnabled ? 1 : 0); });
  SendTo(target, APort, AData, FIPVersion);
}

void TVRNetSocketHandle::Broadcast(const String& AData, Word APort, const String& AIP, const TEncoding* AEncoding) {
  Broadcast(BytesOfString(AData, EncodingOrDefault(AEncoding, nullptr)), APort, AIP);
}

void TVRNetSocketHandle::SetSockOpt(Integer ALevel, Integer AOptName, Integer AOptVal) {
  GStack()->SetSocketOption(FHandle, ALevel, AOptName, AOptVal);
}

void TVRNetSocketHandle::GetSockOpt(Integer ALevel, Integer AOptName, Integer& VOptVal) {
  GStack()->GetSocketOption(FHandle, ALevel, AOptName, VOptVal);
}

void TVRNetSocketHandle::SetPeer(const String& AIP, Word APort, TVRNetIPVersion AIPVersion) {
  PeerIP = AIP;
  PeerPort = APort;
  FIPVersion = AIPVersion;
}

void TVRNetSocketHandle::SetBinding(const String& AIP, Word APort, TVRNetIPVersion AIPVersion) {
  IP = AIP;
  Port = APort;
  FIPVersion = AIPVersion;
}

void TVRNetSocketHandle::UpdateBindingLocal() { GStack()->GetSocketName(FHandle, IP, Port, FIPVersion); }

void TVRNetSocketHandle::UpdateBindingPeer() { GStack()->GetPeerName(FHandle, PeerIP, PeerPort, FIPVersion); }

void TVRNetSocketHandle::Reset(bool AResetLocal) {
  SetHandle(Net_INVALID_SOCKET);
  if (AResetLocal) {
    IP.clear();
    Port = 0;
  }
  PeerIP.clear();
  PeerPort = 0;
  FIPVersion = Net_IPv4;
}

void TVRNetSocketHandle::SetIPVersion(TVRNetIPVersion AValue) {
  if (AValue == FIPVersion) return;
  if (FHandleAllocated) EVRNetCannotSetIPVersionWhenConnected::Toss(L"Cannot change IPVersion when connected");
  FIPVersion = AValue;
}

void TVRNetSocketHandle::SetBroadcastEnabled(bool AValue) {
  if (FBroadcastEnabled == AValue) return;
  FBroadcastEnabled = AValue;
  if (FHandleAllocated) SetSockOpt(0xFFFF, 32, AValue ? 1 : 0);
}

bool TVRNetSocketHandle::Readable(Integer AMSec) {
  if (AMSec == -1) AMSec = -2;
  if (TVRNetAntiFreezeBase::ShouldUse()) {
    const Integer slice = TVRNetAntiFreezeBase::Instance()->IdleTimeOut;
    if (AMSec == -2) {
      while (!WaitReadableOnce(slice)) {
      }
      return true;
    }
    while (slice < AMSec) {
      if (WaitReadableOnce(slice)) return true;
      AMSec -= slice;
    }
    return WaitReadableOnce(AMSec);
  }
  return WaitReadableOnce(AMSec);
}

bool TVRNetSocketHandle::WaitReadableOnce(Integer ATimeout) {
  if (!FHandleAllocated) EVRNetConnClosedGracefully::Toss(L"Connection Closed Gracefully.");
  return Select(ATimeout);
}

bool TVRNetSocketHandle::Select(Integer ATimeout) {
  const bool r = FReadSocketList->SelectRead(ATimeout);
  TVRNetAntiFreezeBase::DoProcess(!r);
  return r;
}
