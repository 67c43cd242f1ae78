// The default IO handler: resolves the host, connects (on a connect thread when a connect
// timeout is set), runs the proxy negotiation, and carries bytes through the stack.
#pragma once

#include "VRNetIOHandlerSocket.h"

class TVRNetIOHandlerStack : public TVRNetIOHandlerSocket {
  DECLARE_CLASS(TVRNetIOHandlerStack, TVRNetIOHandlerSocket)
 public:
  explicit TVRNetIOHandlerStack(TComponent* AOwner = nullptr) : TVRNetIOHandlerSocket(AOwner) {}
  Integer ReadFromTransport(TBytes& VBuffer) override;
  Integer WriteToTransport(const TBytes& ABuffer, Integer AOffset, Integer ALength) override;
  bool Connected() override;
  void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true, bool AIgnoreBuffer = false) override;
  bool Readable(Integer AMSec = -1) override;

 protected:
  void EstablishConnection() override;
  void ConnectWithTimeout(Integer ATimeout);
};

// Runs the connect of a socket handle, recording what it met.
class TVRNetConnectThread : public TThread {
  DECLARE_CLASS(TVRNetConnectThread, TThread)
 public:
  explicit TVRNetConnectThread(TVRNetSocketHandle* ABinding) : TThread(true), FBinding(ABinding) {}
  ~TVRNetConnectThread() override;
  Integer FLastSocketError = 0;
  String FExceptionMessage;
  bool Done() const { return FDone; }

 protected:
  void Execute() override;

 private:
  TVRNetSocketHandle* FBinding;
  std::atomic<bool> FDone{false};
};

// Unit start-up: makes TVRNetIOHandlerStack the default IO handler class.
extern const TUnitInfo VRNetIOHandlerStackUnit;
