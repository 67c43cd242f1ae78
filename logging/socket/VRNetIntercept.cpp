#include "VRNetIntercept.h"

#include "VRNetException.h"

TVRNetConnectionIntercept::~TVRNetConnectionIntercept() {
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
}

void TVRNetConnectionIntercept::Connect(TComponent* AConnection) {
  FConnection = AConnection;
  if (OnConnect) OnConnect(this);
  if (FIntercept) FIntercept->Connect(AConnection);
}

void TVRNetConnectionIntercept::Disconnect() {
  if (FIntercept) FIntercept->Disconnect();
  if (OnDisconnect) OnDisconnect(this);
  FConnection = nullptr;
}

void TVRNetConnectionIntercept::Receive(TBytes& ABuffer) {
  if (FIntercept) FIntercept->Receive(ABuffer);
  if (OnReceive) OnReceive(this, ABuffer);
}

void TVRNetConnectionIntercept::Send(TBytes& ABuffer) {
  if (OnSend) OnSend(this, ABuffer);
  if (FIntercept) FIntercept->Send(ABuffer);
}

void TVRNetConnectionIntercept::SetIntercept(TVRNetConnectionIntercept* Value) {
  for (TVRNetConnectionIntercept* i = Value; i; i = i->FIntercept)
    if (i == this)
      EVRNetInterceptCircularLink::Toss(ClassName() + L": Circular links are not allowed");
  if (FIntercept == Value) return;
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
  FIntercept = Value;
  if (FIntercept) FIntercept->FreeNotification(this);
}

void TVRNetConnectionIntercept::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FIntercept) FIntercept = nullptr;
}
