#include "VRNetCustomTransparentProxy.h"

#include "VRNetException.h"

TVRNetCustomTransparentProxy::~TVRNetCustomTransparentProxy() {
  if (FChainedProxy) FChainedProxy->RemoveFreeNotification(this);
}

void TVRNetCustomTransparentProxy::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TVRNetCustomTransparentProxy*>(Source)) {
    Host = p->Host;
    Password = p->Password;
    Port = p->Port;
    IPVersion = p->IPVersion;
    Username = p->Username;
    return;
  }
  TVRNetComponent::Assign(Source);
}

void TVRNetCustomTransparentProxy::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FChainedProxy) FChainedProxy = nullptr;
}

void TVRNetCustomTransparentProxy::Connect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort,
                                           TVRNetIPVersion AIPVersion) {
  if (FChainedProxy && FChainedProxy->Enabled()) {
    NegotiateConnect(AIOHandler, FChainedProxy->Host, FChainedProxy->Port, Net_IPv4);
    FChainedProxy->Connect(AIOHandler, AHost, APort, AIPVersion);
  } else {
    NegotiateConnect(AIOHandler, AHost, APort, AIPVersion);
  }
}

void TVRNetCustomTransparentProxy::OpenUDP(TVRNetSocketHandle*, const String&, Word, TVRNetIPVersion) {
  EVRNetTransparentProxyUDPNotSupported::Toss(L"UDP Not supported by this proxy.");
}
void TVRNetCustomTransparentProxy::CloseUDP(TVRNetSocketHandle*) {
  EVRNetTransparentProxyUDPNotSupported::Toss(L"UDP Not supported by this proxy.");
}
Integer TVRNetCustomTransparentProxy::RecvFromUDP(TVRNetSocketHandle*, TBytes&, String&, Word&, TVRNetIPVersion&,
                                                  Integer) {
  EVRNetTransparentProxyUDPNotSupported::Toss(L"UDP Not supported by this proxy.");
}
void TVRNetCustomTransparentProxy::SendToUDP(TVRNetSocketHandle*, const String&, Word, TVRNetIPVersion,
                                             const TBytes&) {
  EVRNetTransparentProxyUDPNotSupported::Toss(L"UDP Not supported by this proxy.");
}
void TVRNetCustomTransparentProxy::Bind(TVRNetIOHandler*, const String&, Word, TVRNetIPVersion) {
  EVRNetTransparentProxyCantBind::Toss(L"Transparent proxy cannot bind.");
}
bool TVRNetCustomTransparentProxy::Listen(TVRNetIOHandler*, Integer) {
  EVRNetTransparentProxyCantBind::Toss(L"Transparent proxy cannot bind.");
}

void TVRNetCustomTransparentProxy::SetChainedProxy(TVRNetCustomTransparentProxy* AValue) {
  for (TVRNetCustomTransparentProxy* p = AValue; p; p = p->FChainedProxy)
    if (p == this) EVRNetTransparentProxyCircularLink::Toss(ClassName() + L": Circular links are not allowed");
  if (FChainedProxy == AValue) return;
  if (FChainedProxy) FChainedProxy->RemoveFreeNotification(this);
  FChainedProxy = AValue;
  if (FChainedProxy) FChainedProxy->FreeNotification(this);
}
