// An IO handler joined to one socket handle, with the client-side settings: bound address
// and port range, address reuse, Nagle, the transparent proxy and the bind events.
#pragma once

#include <memory>

#include "VRNetCustomTransparentProxy.h"
#include "VRNetIOHandler.h"
#include "VRNetSocketHandle.h"

class TVRNetIOHandlerSocket : public TVRNetIOHandler {
  DECLARE_CLASS(TVRNetIOHandlerSocket, TVRNetIOHandler)
 public:
  explicit TVRNetIOHandlerSocket(TComponent* AOwner = nullptr) : TVRNetIOHandler(AOwner) {}
  ~TVRNetIOHandlerSocket() override;

  void Notification(TComponent* AComponent, TOperation Operation) override;
  String Destination() const override;
  void SetDestination(const String& AValue) override;
  bool TransportAvailable() override { return BindingAllocated(); }
  Integer TransportErrorOf(Integer AResult) override;
  void RaiseTransportError(Integer AError) override;
  bool Connected() override;
  void Close() override;
  void Open() override;
  Int64 WriteFile(const String& AFile, bool AEnableTransferFile = false) override;

  bool BindingAllocated() const { return FBinding && FBinding->HandleAllocated(); }
  TVRNetSocketHandle* Binding() const { return FBinding.get(); }

  String BoundIP;
  Word BoundPort = 0;
  Word BoundPortMax = 0;
  Word BoundPortMin = 0;
  Word DefaultPort = 0;
  TNotifyEvent OnBeforeBind;
  TNotifyEvent OnAfterBind;
  TNotifyEvent OnSocketAllocated;
  TNetReuseSocket ReuseSocket = rsOSDependent;
  TVRNetIPVersion IPVersion = Net_IPv4;
  bool UseNagle() const { return FUseNagle; }
  void SetUseNagle(bool AValue);
  // Made on first use as a SOCKS object without owner (disabled).
  virtual TVRNetCustomTransparentProxy* TransparentProxy();
  virtual void SetTransparentProxy(TVRNetCustomTransparentProxy* AValue);

 protected:
  virtual void EstablishConnection();
  virtual void NotifyBeforeBind() { if (OnBeforeBind) OnBeforeBind(this); }
  virtual void NotifyAfterBind() { if (OnAfterBind) OnAfterBind(this); }
  virtual void NotifySocketAllocated() { if (OnSocketAllocated) OnSocketAllocated(this); }
  void ApplyNagle();
  // The proxy when one exists and is enabled, without making one.
  TVRNetCustomTransparentProxy* EnabledProxy() const;

  std::unique_ptr<TVRNetSocketHandle> FBinding;

 private:
  void DropProxy();
  bool FUseNagle = true;
  TVRNetCustomTransparentProxy* FTransparentProxy = nullptr;
  bool FOwnsProxy = false;
};
