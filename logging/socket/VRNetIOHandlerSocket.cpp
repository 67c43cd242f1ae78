#include "VRNetIOHandlerSocket.h"

#include "VRNetSocks.h"

TVRNetIOHandlerSocket::~TVRNetIOHandlerSocket() {
  try {
    if (FBinding) FBinding->CloseSocket();
  } catch (const Exception&) {
    // Closing on the way out: nothing is left to tell about a failing close.
  }
  DropProxy();
}

void TVRNetIOHandlerSocket::DropProxy() {
  if (!FTransparentProxy) return;
  if (FOwnsProxy) {
    delete FTransparentProxy;
  } else {
    FTransparentProxy->RemoveFreeNotification(this);
  }
  FTransparentProxy = nullptr;
  FOwnsProxy = false;
}

void TVRNetIOHandlerSocket::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FTransparentProxy && !FOwnsProxy) FTransparentProxy = nullptr;
}

String TVRNetIOHandlerSocket::Destination() const {
  String r = Host();
  if (Port() > 0 && Port() != DefaultPort) r += L":" + IntToStr(Port());
  return r;
}

void TVRNetIOHandlerSocket::SetDestination(const String& AValue) {
  const size_t p = AValue.rfind(L':');
  if (p == String::npos) return;
  SetHost(AValue.substr(0, p));
  SetPort(TrimStrToInt(AValue.substr(p + 1, 255), DefaultPort));
}

Integer TVRNetIOHandlerSocket::TransportErrorOf(Integer AResult) {
  return GStack()->CheckForSocketError(AResult, {10058, 10053});
}

void TVRNetIOHandlerSocket::RaiseTransportError(Integer AError) { GStack()->RaiseSocketError(AError); }

bool TVRNetIOHandlerSocket::Connected() {
  return (BindingAllocated() && TVRNetIOHandler::Connected()) || !InputBufferIsEmpty();
}

void TVRNetIOHandlerSocket::Close() {
  if (FBinding) FBinding->CloseSocket();
  TVRNetIOHandler::Close();
}

void TVRNetIOHandlerSocket::Open() {
  TVRNetIOHandler::Open();
  if (FBinding) FBinding->Reset(true);
  else FBinding = std::make_unique<TVRNetSocketHandle>(nullptr);
  FBinding->ClientPortMin = BoundPortMin;
  FBinding->ClientPortMax = BoundPortMax;
  if (!Host().empty() && Port() > 0) EstablishConnection();
}

void TVRNetIOHandlerSocket::EstablishConnection() {
  NotifyBeforeBind();
  FBinding->SetIPVersion(IPVersion);
  FBinding->AllocateSocket(Net_SOCK_STREAM, 0);
  NotifySocketAllocated();
  if (!BoundIP.empty()) FBinding->IP = BoundIP;
  FBinding->Port = BoundPort;
  FBinding->ClientPortMin = BoundPortMin;
  FBinding->ClientPortMax = BoundPortMax;
  if (ReuseSocket == rsTrue) FBinding->SetSockOpt(0xFFFF, 4, 1);
  FBinding->Bind();
  ApplyNagle();
  NotifyAfterBind();
}

void TVRNetIOHandlerSocket::SetUseNagle(bool AValue) {
  if (FUseNagle == AValue) return;
  FUseNagle = AValue;
  ApplyNagle();
}

void TVRNetIOHandlerSocket::ApplyNagle() {
  if (BindingAllocated()) FBinding->SetSockOpt(6, 1, FUseNagle ? 0 : 1);
}

Int64 TVRNetIOHandlerSocket::WriteFile(const String& AFile, bool AEnableTransferFile) {
  if (GetFileAttributesW(AFile.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
  if (TransmitFileToSocket && !WriteBufferingActive() && AEnableTransferFile && BindingAllocated())
    return TransmitFileToSocket(FBinding->Handle(), AFile);
  return TVRNetIOHandler::WriteFile(AFile, AEnableTransferFile);
}

TVRNetCustomTransparentProxy* TVRNetIOHandlerSocket::TransparentProxy() {
  if (!FTransparentProxy) {
    FTransparentProxy = new TVRNetSocksInfo(nullptr);
    FOwnsProxy = true;
  }
  return FTransparentProxy;
}

TVRNetCustomTransparentProxy* TVRNetIOHandlerSocket::EnabledProxy() const {
  return FTransparentProxy && FTransparentProxy->Enabled() ? FTransparentProxy : nullptr;
}

void TVRNetIOHandlerSocket::SetTransparentProxy(TVRNetCustomTransparentProxy* AValue) {
  if (AValue == FTransparentProxy) return;
  if (!AValue) {
    DropProxy();
    return;
  }
  if (AValue->Owner()) {
    DropProxy();
    FTransparentProxy = AValue;
    FOwnsProxy = false;
    AValue->FreeNotification(this);
    return;
  }
  if (FTransparentProxy && (!FOwnsProxy || FTransparentProxy->ClassType() != AValue->ClassType())) DropProxy();
  if (!FTransparentProxy) {
    FTransparentProxy = static_cast<TVRNetCustomTransparentProxy*>(AValue->ClassType()->NewInstance(nullptr));
    FOwnsProxy = true;
  }
  FTransparentProxy->Assign(AValue);
}
