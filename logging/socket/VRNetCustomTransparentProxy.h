// A transparent proxy: the IO handler connects to the proxy, then the proxy negotiates a
// tunnel to the real host over that connection. Proxies may be chained.
#pragma once

#include "VRNetComponent.h"

class TVRNetIOHandler;
class TVRNetSocketHandle;

class TVRNetCustomTransparentProxy : public TVRNetComponent {
  DECLARE_CLASS(TVRNetCustomTransparentProxy, TVRNetComponent)
 public:
  explicit TVRNetCustomTransparentProxy(TComponent* AOwner = nullptr) : TVRNetComponent(AOwner) {}
  ~TVRNetCustomTransparentProxy() override;

  void Assign(TPersistent* Source) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool AValue) {}
  // Through an enabled chained proxy first, then that proxy's own Connect.
  void Connect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort, TVRNetIPVersion AIPVersion = Net_IPv4);
  virtual void NegotiateConnect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort,
                                TVRNetIPVersion AIPVersion) = 0;
  virtual void OpenUDP(TVRNetSocketHandle* AHandle, const String& AHost = L"", Word APort = 0,
                       TVRNetIPVersion AIPVersion = Net_IPv4);
  virtual void CloseUDP(TVRNetSocketHandle* AHandle);
  virtual Integer RecvFromUDP(TVRNetSocketHandle* AHandle, TBytes& ABuffer, String& VPeerIP, Word& VPeerPort,
                              TVRNetIPVersion& VIPVersion, Integer AMSec = -1);
  virtual void SendToUDP(TVRNetSocketHandle* AHandle, const String& AHost, Word APort, TVRNetIPVersion AIPVersion,
                         const TBytes& ABuffer);
  void Bind(TVRNetIOHandler* AIOHandler, Word APort) { Bind(AIOHandler, L"0.0.0.0", APort, Net_IPv4); }
  virtual void Bind(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort, TVRNetIPVersion AIPVersion);
  virtual bool Listen(TVRNetIOHandler* AIOHandler, Integer ATimeOut);

  String Host;
  String Password;
  Word Port = 0;
  TVRNetIPVersion IPVersion = Net_IPv4;
  String Username;
  TVRNetCustomTransparentProxy* ChainedProxy() const { return FChainedProxy; }
  // EVRNetTransparentProxyCircularLink when the chain leads back here; nothing changes.
  void SetChainedProxy(TVRNetCustomTransparentProxy* AValue);

 private:
  TVRNetCustomTransparentProxy* FChainedProxy = nullptr;
};
