#include "VRNetTCPClient.h"

#include "VRNetException.h"

TVRNetIOHandler* TVRNetTCPClientCustom::MakeDefaultIOHandlerFor(TComponent* AOwner) {
  // The client frees its managed handler itself, so the handler gets no owner that would
  // free it a second time.
  return TVRNetIOHandler::MakeDefaultIOHandler(nullptr);
}

void TVRNetTCPClientCustom::PushSettings() {
  if (!FIOHandler) return;
  FIOHandler->SetPort(FPort);
  FIOHandler->SetHost(FHost);
  FIOHandler->ConnectTimeout = FConnectTimeout;
  FIOHandler->ReadTimeout = FReadTimeout;
  if (FSocket) {
    FSocket->BoundIP = FBoundIP;
    FSocket->BoundPort = FBoundPort;
    FSocket->BoundPortMin = FBoundPortMin;
    FSocket->BoundPortMax = FBoundPortMax;
    FSocket->IPVersion = FIPVersion;
    FSocket->ReuseSocket = FReuseSocket;
    FSocket->OnBeforeBind = OnBeforeBind;
    FSocket->OnAfterBind = OnAfterBind;
    FSocket->OnSocketAllocated = OnSocketAllocated;
  }
}

void TVRNetTCPClientCustom::SetHost(const String& AValue) {
  FHost = AValue;
  if (FIOHandler) FIOHandler->SetHost(AValue);
}

void TVRNetTCPClientCustom::SetPort(Word AValue) {
  FPort = AValue;
  if (FIOHandler) FIOHandler->SetPort(AValue);
}

void TVRNetTCPClientCustom::SetIPVersion(TVRNetIPVersion AValue) {
  FIPVersion = AValue;
  if (FSocket) FSocket->IPVersion = AValue;
}

void TVRNetTCPClientCustom::SetBoundIP(const String& AValue) {
  FBoundIP = AValue;
  if (FSocket) FSocket->BoundIP = AValue;
}
void TVRNetTCPClientCustom::SetBoundPort(Word AValue) {
  FBoundPort = AValue;
  if (FSocket) FSocket->BoundPort = AValue;
}
void TVRNetTCPClientCustom::SetBoundPortMax(Word AValue) {
  FBoundPortMax = AValue;
  if (FSocket) FSocket->BoundPortMax = AValue;
}
void TVRNetTCPClientCustom::SetBoundPortMin(Word AValue) {
  FBoundPortMin = AValue;
  if (FSocket) FSocket->BoundPortMin = AValue;
}
void TVRNetTCPClientCustom::SetConnectTimeout(Integer AValue) {
  FConnectTimeout = AValue;
  if (FIOHandler) FIOHandler->ConnectTimeout = AValue;
}
Integer TVRNetTCPClientCustom::ReadTimeout() const { return FIOHandler ? FIOHandler->ReadTimeout : FReadTimeout; }
void TVRNetTCPClientCustom::SetReadTimeout(Integer AValue) {
  FReadTimeout = AValue;
  if (FIOHandler) FIOHandler->ReadTimeout = AValue;
}
TNetReuseSocket TVRNetTCPClientCustom::ReuseSocket() const { return FSocket ? FSocket->ReuseSocket : FReuseSocket; }
void TVRNetTCPClientCustom::SetReuseSocket(TNetReuseSocket AValue) {
  FReuseSocket = AValue;
  if (FSocket) FSocket->ReuseSocket = AValue;
}

void TVRNetTCPClientCustom::SetIOHandler(TVRNetIOHandler* AValue) {
  TVRNetTCPConnection::SetIOHandler(AValue);
  PushSettings();
}

void TVRNetTCPClientCustom::Connect() {
  if (Connected()) EVRNetAlreadyConnected::Toss(L"Already connected.");
  if (FHost.empty()) ENetHostRequired::Toss(String());
  if (FPort == 0) ENetPortRequired::Toss(String());
  if (!FIOHandler) {
    TVRNetIOHandler* h = CreateImplicitHandler();
    SetIOHandler(h);
    h->OnStatus = OnStatus;
    ManagedIOHandler = true;
  }
  // A failed connect leaves no handler open, and no handler of its own making behind.
  TScopeExit undo([this] {
    if (!FIOHandler) return;
    try {
      FIOHandler->Close();
    } catch (const Exception&) {
      // The connect failure is the one to report.
    }
    if (ManagedIOHandler) SetIOHandler(nullptr);
  });
  PushSettings();
  FIOHandler->Open();
  if (FIOHandler->Intercept()) FIOHandler->Intercept()->Connect(this);
  ReportStatus(hsConnected, {FHost});
  NotifyConnected();
  undo.Dismiss();
}

String TVRNetTCPClientCustom::ConnectAndGetAll() {
  Connect();
  TScopeExit disconnect([this] { Disconnect(); });
  return FIOHandler->AllData();
}
