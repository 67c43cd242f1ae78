// A TCP connection: owns (or refers to) an IO handler, disconnects with status events, and
// runs line-oriented command/response exchanges with numbered replies.
#pragma once

#include <memory>

#include "VRNetIOHandlerSocket.h"
#include "VRNetReplyRFC.h"

class TVRNetTCPConnection : public TVRNetComponent {
  DECLARE_CLASS(TVRNetTCPConnection, TVRNetComponent)
 public:
  explicit TVRNetTCPConnection(TComponent* AOwner = nullptr);
  ~TVRNetTCPConnection() override;

  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual void NotifyDisconnected() { if (OnDisconnected) OnDisconnected(this); }
  virtual TVRNetConnectionIntercept* Intercept() const;
  virtual TClass DefaultReplyClass() const { return TVRNetReplyRFC::StaticClass(); }
  // "The IOHandler already has a different Intercept assigned".
  virtual void SetIntercept(TVRNetConnectionIntercept* AValue);
  virtual void SetIOHandler(TVRNetIOHandler* AValue);
  virtual void PrepareCommand(String& VCommand) {}
  virtual void CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected = true);
  virtual Integer CheckResponse(Integer AResponse, std::initializer_list<Integer> AAllowedResponses);
  virtual String CheckResponse(const String& AResponse, const String& AAllowedResponse);
  virtual bool Connected();
  void Disconnect() { Disconnect(true); }
  virtual void Disconnect(bool ANotifyPeer);
  virtual void DisconnectNotifyPeer() {}
  virtual void GetInternalResponse(const TEncoding* AEncoding = nullptr);
  virtual Integer GetResponse(std::initializer_list<Integer> AAllowedResponses, const TEncoding* AEncoding = nullptr);
  Integer GetResponse(Integer AAllowedResponse = -1, const TEncoding* AEncoding = nullptr);
  virtual String GetResponse(const String& AAllowedResponse, const TEncoding* AEncoding = nullptr);
  [[noreturn]] virtual void RaiseExceptionForLastCmdResult();
  virtual Integer SendCmd(String AOut, std::initializer_list<Integer> AResponse, const TEncoding* AEncoding = nullptr);
  Integer SendCmd(const String& AOut, Integer AResponse = -1, const TEncoding* AEncoding = nullptr);
  String SendCmd(const String& AOut, const String& AResponse, const TEncoding* AEncoding = nullptr);
  // "Cannot change a connected IOHandler." when connected.
  void CreateIOHandler(TClass ABaseType = nullptr);
  void WriteHeader(TStrings* AHeader);
  void WriteRFCStrings(TStrings* AStrings);

  TVRNetReply* Greeting() const { return FGreeting.get(); }
  void SetGreeting(TVRNetReply* AValue) { FGreeting->Assign(AValue); }
  TVRNetIOHandler* IOHandler() const { return FIOHandler; }
  TVRNetReply* LastCmdResult() const { return FLastCmdResult.get(); }
  bool ManagedIOHandler = false;
  TVRNetIOHandlerSocket* Socket() const { return FSocket; }
  TNotifyEvent OnDisconnected;

 protected:
  void RequireIOHandler();
  TVRNetIOHandler* FIOHandler = nullptr;
  TVRNetConnectionIntercept* FIntercept = nullptr;
  TVRNetIOHandlerSocket* FSocket = nullptr;

 private:
  std::unique_ptr<TVRNetReply> FGreeting;
  std::unique_ptr<TVRNetReply> FLastCmdResult;
};
