// The TCP client: connects its IO handler to a host and port, optionally from a bound
// local address or port range, with connect and read timeouts.
#pragma once

#include "VRNetTCPConnection.h"

class TVRNetTCPClientCustom : public TVRNetTCPConnection {
  DECLARE_CLASS(TVRNetTCPClientCustom, TVRNetTCPConnection)
 public:
  explicit TVRNetTCPClientCustom(TComponent* AOwner = nullptr) : TVRNetTCPConnection(AOwner) {}

  virtual void NotifyConnected() { if (OnConnected) OnConnected(this); }
  virtual TVRNetIOHandler* CreateImplicitHandler() { return MakeDefaultIOHandlerFor(this); }
  virtual void SetHost(const String& AValue);
  virtual void SetPort(Word AValue);
  virtual void SetIPVersion(TVRNetIPVersion AValue);
  // EVRNetAlreadyConnected "Already connected."; ENetHostRequired, ENetPortRequired.
  virtual void Connect();
  void Connect(const String& AHost) {
    SetHost(AHost);
    Connect();
  }
  void Connect(const String& AHost, Word APort) {
    SetHost(AHost);
    SetPort(APort);
    Connect();
  }
  virtual String ConnectAndGetAll();
  void SetIOHandler(TVRNetIOHandler* AValue) override;

  const String& BoundIP() const { return FBoundIP; }
  void SetBoundIP(const String& AValue);
  Word BoundPort() const { return FBoundPort; }
  void SetBoundPort(Word AValue);
  Word BoundPortMax() const { return FBoundPortMax; }
  void SetBoundPortMax(Word AValue);
  Word BoundPortMin() const { return FBoundPortMin; }
  void SetBoundPortMin(Word AValue);
  Integer ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(Integer AValue);
  const String& Host() const { return FHost; }
  TVRNetIPVersion IPVersion() const { return FIPVersion; }
  Word Port() const { return FPort; }
  Integer ReadTimeout() const;
  void SetReadTimeout(Integer AValue);
  TNetReuseSocket ReuseSocket() const;
  void SetReuseSocket(TNetReuseSocket AValue);
  TNotifyEvent OnConnected;
  TNotifyEvent OnBeforeBind;
  TNotifyEvent OnAfterBind;
  TNotifyEvent OnSocketAllocated;

 private:
  static TVRNetIOHandler* MakeDefaultIOHandlerFor(TComponent* AOwner);
  // Pushes the client's settings into the current IO handler.
  void PushSettings();

  String FBoundIP;
  Word FBoundPort = 0;
  Word FBoundPortMax = 0;
  Word FBoundPortMin = 0;
  Integer FConnectTimeout = 0;
  String FHost;
  TVRNetIPVersion FIPVersion = Net_IPv4;
  Word FPort = 0;
  Integer FReadTimeout = -1;
  TNetReuseSocket FReuseSocket = rsOSDependent;
};

class TVRNetTCPClient : public TVRNetTCPClientCustom {
  DECLARE_CLASS(TVRNetTCPClient, TVRNetTCPClientCustom)
 public:
  explicit TVRNetTCPClient(TComponent* AOwner = nullptr) : TVRNetTCPClientCustom(AOwner) {}
};
