// The connection intercept: a chain of filters that see every buffer sent and received.
#pragma once

#include "VRNetComponent.h"

class TVRNetConnectionIntercept;
using TVRNetInterceptNotifyEvent = std::function<void(TVRNetConnectionIntercept* AVRSender)>;
using TVRNetInterceptStreamEvent = std::function<void(TVRNetConnectionIntercept* AVRSender, TBytes& ABuffer)>;

class TVRNetConnectionIntercept : public TVRNetBaseComponent {
  DECLARE_CLASS(TVRNetConnectionIntercept, TVRNetBaseComponent)
 public:
  explicit TVRNetConnectionIntercept(TComponent* AOwner = nullptr) : TVRNetBaseComponent(AOwner) {}
  ~TVRNetConnectionIntercept() override;

  virtual void Connect(TComponent* AConnection);
  virtual void Disconnect();
  virtual void Receive(TBytes& ABuffer);
  virtual void Send(TBytes& ABuffer);

  TComponent* Connection() const { return FConnection; }
  TVRNetConnectionIntercept* Intercept() const { return FIntercept; }
  // EVRNetInterceptCircularLink when the chain of Value leads back here; nothing changes.
  void SetIntercept(TVRNetConnectionIntercept* Value);
  bool IsClient() const { return FIsClient; }
  TObject* Data = nullptr;

  TVRNetInterceptNotifyEvent OnConnect;
  TVRNetInterceptNotifyEvent OnDisconnect;
  TVRNetInterceptStreamEvent OnReceive;
  TVRNetInterceptStreamEvent OnSend;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  bool FIsClient = true;

 private:
  TComponent* FConnection = nullptr;
  TVRNetConnectionIntercept* FIntercept = nullptr;
};
