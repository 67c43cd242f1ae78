#include "VRNetIOHandlerStack.h"

#include "VRNetAntiFreezeBase.h"

namespace {
void InitVRNetIOHandlerStack() { TVRNetIOHandler::SetDefaultClass(TVRNetIOHandlerStack::StaticClass()); }
}  // namespace

const TUnitInfo VRNetIOHandlerStackUnit{L"VRNetIOHandlerStack", InitVRNetIOHandlerStack, nullptr};

Integer TVRNetIOHandlerStack::ReadFromTransport(TBytes& VBuffer) {
  VRNET_ASSERT(FBinding != nullptr);
  return FBinding->Receive(VBuffer);
}

Integer TVRNetIOHandlerStack::WriteToTransport(const TBytes& ABuffer, Integer AOffset, Integer ALength) {
  VRNET_ASSERT(FBinding != nullptr);
  return FBinding->Send(ABuffer, AOffset, ALength);
}

bool TVRNetIOHandlerStack::Readable(Integer AMSec) {
  VRNET_ASSERT(FBinding != nullptr);
  return FBinding->Readable(AMSec);
}

bool TVRNetIOHandlerStack::Connected() {
  ReadIntoInputBuffer(false, 0, false);
  return TVRNetIOHandlerSocket::Connected();
}

void TVRNetIOHandlerStack::CheckForDisconnect(bool ARaiseExceptionIfDisconnected, bool AIgnoreBuffer) {
  bool disconnected;
  if (FClosedGracefully) {
    if (BindingAllocated()) {
      Close();
      ReportStatus(hsDisconnected);
    }
    disconnected = true;
  } else {
    disconnected = !BindingAllocated();
  }
  if (disconnected && (AIgnoreBuffer || InputBufferIsEmpty()) && ARaiseExceptionIfDisconnected)
    EVRNetConnClosedGracefully::Toss(L"Connection Closed Gracefully.");
}

void TVRNetIOHandlerStack::EstablishConnection() {
  TVRNetIOHandlerSocket::EstablishConnection();
  TVRNetCustomTransparentProxy* proxy = EnabledProxy();
  const String host = proxy ? proxy->Host : Host();
  const TVRNetIPVersion version = proxy ? proxy->IPVersion : IPVersion;
  const Word port = proxy ? proxy->Port : static_cast<Word>(Port());
  String address;
  if (version == Net_IPv6) {
    if (!CanonicalIPv6Text(host).empty()) {
      address = host;
    } else {
      ReportStatus(hsResolving, {host});
      address = GStack()->ResolveHost(host, Net_IPv6);
    }
  } else {
    if (GStack()->IsIP(host)) {
      address = host;
    } else {
      ReportStatus(hsResolving, {host});
      address = GStack()->ResolveHost(host, IPVersion);
    }
  }
  FBinding->SetPeer(address, port, version);
  ReportStatus(hsConnecting, {FBinding->PeerIP});
  if (ConnectTimeout != 0) ConnectWithTimeout(ConnectTimeout);
  else if (TVRNetAntiFreezeBase::ShouldUse()) ConnectWithTimeout(120000);
  else FBinding->Connect();
  if (proxy) proxy->Connect(this, Host(), static_cast<Word>(Port()), IPVersion);
}

void TVRNetIOHandlerStack::ConnectWithTimeout(Integer ATimeout) {
  if (ATimeout == -1) ATimeout = -2;
  std::unique_ptr<TVRNetConnectThread> thread(new TVRNetConnectThread(FBinding.get()));
  thread->Start();
  Integer slice = 125;
  if (TVRNetAntiFreezeBase::ShouldUse()) slice = std::min(TVRNetAntiFreezeBase::Instance()->IdleTimeOut, 125);
  Integer remaining = ATimeout == -2 ? slice + 1 : ATimeout;
  while (slice < remaining) {
    if (thread->Done()) {
      remaining = 0;
      break;
    }
    SleepMs(static_cast<Cardinal>(slice));
    TVRNetAntiFreezeBase::DoProcess(true);
    if (ATimeout != -2) remaining -= slice;
  }
  if (thread->Done()) remaining = 0;
  if (remaining > 0) SleepMs(static_cast<Cardinal>(remaining));
  if (!thread->Done()) {
    thread->Terminate();
    Close();
    thread->WaitFor();
    EVRNetConnectTimeout::Toss(L"Connect timed out.");
  }
  if (!thread->FExceptionMessage.empty()) {
    if (thread->FLastSocketError != 0) throw EVRNetSocketError(thread->FLastSocketError, thread->FExceptionMessage);
    EVRNetConnectException::Toss(thread->FExceptionMessage);
  }
}

TVRNetConnectThread::~TVRNetConnectThread() {
  if (Started() && !Finished()) {
    Terminate();
    WaitFor();
  }
}

void TVRNetConnectThread::Execute() {
  try {
    FBinding->Connect();
  } catch (const EVRNetSocketError& E) {
    // 10038 and 10009 are what a connect interrupted by the timeout's close meets.
    if (E.LastError() != 10038 && E.LastError() != 10009) {
      FExceptionMessage = E.Message();
      FLastSocketError = E.LastError();
    }
  } catch (const Exception& E) {
    FExceptionMessage = E.Message();
  }
  FDone = true;
}
