#include "VRNetTCPConnection.h"

#include "VRNetException.h"

TVRNetTCPConnection::TVRNetTCPConnection(TComponent* AOwner) : TVRNetComponent(AOwner) {
  FGreeting.reset(static_cast<TVRNetReply*>(DefaultReplyClass()->NewInstance(nullptr)));
  FLastCmdResult.reset(static_cast<TVRNetReply*>(DefaultReplyClass()->NewInstance(nullptr)));
}

TVRNetTCPConnection::~TVRNetTCPConnection() {
  if (FIOHandler) {
    try {
      FIOHandler->Close();
    } catch (const Exception&) {
      // Closing on the way out: a failing intercept must not stop the destruction.
    }
    SetIOHandler(nullptr);
  }
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
}

void TVRNetTCPConnection::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FIntercept) FIntercept = nullptr;
  if (AComponent == FIOHandler) {
    FIOHandler = nullptr;
    FSocket = nullptr;
    ManagedIOHandler = false;
  }
}

TVRNetConnectionIntercept* TVRNetTCPConnection::Intercept() const {
  return FIOHandler ? FIOHandler->Intercept() : FIntercept;
}

void TVRNetTCPConnection::SetIntercept(TVRNetConnectionIntercept* AValue) {
  TVRNetConnectionIntercept* current = FIOHandler ? FIOHandler->Intercept() : nullptr;
  if (AValue != FIntercept && current && current != FIntercept && current != AValue)
    EVRNetException::Toss(L"The IOHandler already has a different Intercept assigned");
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
  FIntercept = AValue;
  if (FIntercept) FIntercept->FreeNotification(this);
  if (FIOHandler) FIOHandler->SetIntercept(AValue);
}

void TVRNetTCPConnection::SetIOHandler(TVRNetIOHandler* AValue) {
  if (AValue == FIOHandler) return;
  if (AValue && FIntercept && AValue->Intercept() && AValue->Intercept() != FIntercept)
    EVRNetException::Toss(L"The IOHandler already has a different Intercept assigned");
  TVRNetIOHandler* old = FIOHandler;
  FIOHandler = nullptr;
  FSocket = nullptr;
  if (old) {
    if (ManagedIOHandler) {
      delete old;
    } else {
      old->SetWorkTarget(nullptr);
      old->RemoveFreeNotification(this);
    }
  }
  ManagedIOHandler = false;
  if (AValue) {
    AValue->FreeNotification(this);
    AValue->SetWorkTarget(this);
    if (FIntercept) AValue->SetIntercept(FIntercept);
    FSocket = dynamic_cast<TVRNetIOHandlerSocket*>(AValue);
  }
  FIOHandler = AValue;
}

void TVRNetTCPConnection::CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected) {
  if (FIOHandler) FIOHandler->CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
  else if (ARaiseExceptionIfDisconnected) EVRNetException::Toss(L"Not Connected");
}

Integer TVRNetTCPConnection::CheckResponse(Integer AResponse, std::initializer_list<Integer> AAllowedResponses) {
  if (AAllowedResponses.size() > 0) {
    bool ok = false;
    for (Integer a : AAllowedResponses) ok = ok || a == AResponse;
    if (!ok) RaiseExceptionForLastCmdResult();
  }
  return AResponse;
}

String TVRNetTCPConnection::CheckResponse(const String& AResponse, const String& AAllowedResponse) {
  if (!AAllowedResponse.empty() && !SameText(AResponse, AAllowedResponse)) RaiseExceptionForLastCmdResult();
  return AResponse;
}

bool TVRNetTCPConnection::Connected() { return FIOHandler && FIOHandler->Connected(); }

void TVRNetTCPConnection::Disconnect(bool ANotifyPeer) {
  // The handler closes also when telling the peer fails.
  TScopeExit close([this] {
    if (FIOHandler && FIOHandler->Opened()) {
      ReportStatus(hsDisconnecting);
      FIOHandler->Close();
      NotifyDisconnected();
      ReportStatus(hsDisconnected);
    }
  });
  if (ANotifyPeer && Connected()) DisconnectNotifyPeer();
}

void TVRNetTCPConnection::RequireIOHandler() {
  if (!FIOHandler) EVRNetNotConnected::Toss(L"Not Connected");
}

void TVRNetTCPConnection::GetInternalResponse(const TEncoding* AEncoding) {
  RequireIOHandler();
  TStringList lines;
  for (;;) {
    const String line = FIOHandler->ReadLnWait(2147483647, AEncoding);
    lines.Add(line);
    if (FLastCmdResult->IsEndMarker(line)) break;
  }
  FLastCmdResult->SetFormattedReply(&lines);
}

Integer TVRNetTCPConnection::GetResponse(std::initializer_list<Integer> AAllowedResponses,
                                         const TEncoding* AEncoding) {
  GetInternalResponse(AEncoding);
  return CheckResponse(FLastCmdResult->NumericCode(), AAllowedResponses);
}

Integer TVRNetTCPConnection::GetResponse(Integer AAllowedResponse, const TEncoding* AEncoding) {
  if (AAllowedResponse == -1) return GetResponse({}, AEncoding);
  return GetResponse({AAllowedResponse}, AEncoding);
}

String TVRNetTCPConnection::GetResponse(const String& AAllowedResponse, const TEncoding* AEncoding) {
  GetInternalResponse(AEncoding);
  return CheckResponse(FLastCmdResult->Code(), AAllowedResponse);
}

void TVRNetTCPConnection::RaiseExceptionForLastCmdResult() {
  FLastCmdResult->RaiseReplyError();
  __builtin_unreachable();  // RaiseReplyError always raises
}

Integer TVRNetTCPConnection::SendCmd(String AOut, std::initializer_list<Integer> AResponse,
                                     const TEncoding* AEncoding) {
  RequireIOHandler();
  PrepareCommand(AOut);
  FIOHandler->WriteLn(AOut, AEncoding);
  return GetResponse(AResponse, AEncoding);
}

Integer TVRNetTCPConnection::SendCmd(const String& AOut, Integer AResponse, const TEncoding* AEncoding) {
  if (AResponse == -1) return SendCmd(AOut, std::initializer_list<Integer>{}, AEncoding);
  return SendCmd(AOut, {AResponse}, AEncoding);
}

String TVRNetTCPConnection::SendCmd(const String& AOut, const String& AResponse, const TEncoding* AEncoding) {
  RequireIOHandler();
  String line = AOut;
  PrepareCommand(line);
  FIOHandler->WriteLn(line, AEncoding);
  return GetResponse(AResponse, AEncoding);
}

void TVRNetTCPConnection::CreateIOHandler(TClass ABaseType) {
  if (Connected()) EVRNetException::Toss(L"Cannot change a connected IOHandler.");
  TVRNetIOHandler* h =
      ABaseType ? TVRNetIOHandler::MakeIOHandler(ABaseType, nullptr) : TVRNetIOHandler::MakeDefaultIOHandler(nullptr);
  SetIOHandler(h);
  ManagedIOHandler = true;
}

void TVRNetTCPConnection::WriteHeader(TStrings* AHeader) {
  RequireIOHandler();
  TVRNetWriteBufferScope buffered(FIOHandler);
  for (Integer i = 0; i < AHeader->Count(); ++i)
    FIOHandler->WriteLn(ReplaceFirstOccurrence(AHeader->Strings(i), L"=", L": "));
  FIOHandler->WriteLn();
  buffered.Close();
}

void TVRNetTCPConnection::WriteRFCStrings(TStrings* AStrings) {
  RequireIOHandler();
  FIOHandler->WriteRFCStrings(AStrings, true);
}
