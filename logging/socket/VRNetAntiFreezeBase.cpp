#include "VRNetAntiFreezeBase.h"

#include "VRNetException.h"

TVRNetAntiFreezeBase::TVRNetAntiFreezeBase(TComponent* AOwner) : TVRNetBaseComponent(AOwner) {
  if (!InDesignState()) {
    if (GAntiFreeze) EVRNetException::Toss(L"Only one TVRNetAntiFreeze can exist per application.");
    GAntiFreeze = this;
  }
}

TVRNetAntiFreezeBase::~TVRNetAntiFreezeBase() {
  if (GAntiFreeze == this) GAntiFreeze = nullptr;
}

bool TVRNetAntiFreezeBase::ShouldUse() { return GAntiFreeze && OnMainThread() && GAntiFreeze->Active; }

void TVRNetAntiFreezeBase::DoProcess(bool AIdle, bool AOverride) {
  if (ShouldUse() && (AIdle || !GAntiFreeze->OnlyWhenIdle || AOverride)) GAntiFreeze->Process();
}

void TVRNetAntiFreezeBase::Sleep(Integer ATimeout) {
  if (!ShouldUse()) {
    SleepMs(static_cast<Cardinal>(std::max(ATimeout, 0)));
    return;
  }
  Integer remaining = ATimeout;
  while (GAntiFreeze && GAntiFreeze->IdleTimeOut < remaining) {
    SleepMs(static_cast<Cardinal>(GAntiFreeze->IdleTimeOut));
    remaining -= GAntiFreeze->IdleTimeOut;
    DoProcess(true);
  }
  SleepMs(static_cast<Cardinal>(std::max(remaining, 0)));
  DoProcess(true);
}
