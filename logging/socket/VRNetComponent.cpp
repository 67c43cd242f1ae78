#include "VRNetComponent.h"

#include "VRNetStack.h"

namespace {
std::unique_ptr<std::array<String, 9>> StatusTexts;

void InitVRNetComponent() {
  StatusTexts = std::make_unique<std::array<String, 9>>(std::array<String, 9>{
      L"Resolving hostname %s.", L"Connecting to %s.", L"Connected.", L"Disconnecting.", L"Disconnected.",
      L"%s", L"%s", L"%s", L"%s"});
}
void DoneVRNetComponent() { StatusTexts.reset(); }
}  // namespace

const TUnitInfo VRNetComponentUnit{L"VRNetComponent", InitVRNetComponent, DoneVRNetComponent};

String StatusTextOf(TNetStatus Status) {
  if (!StatusTexts) return L"%s";
  return (*StatusTexts)[static_cast<size_t>(Status)];
}

TVRNetComponent::TVRNetComponent(TComponent* AOwner) : TVRNetBaseComponent(AOwner) { TVRNetStack::IncUsage(); }

TVRNetComponent::~TVRNetComponent() { TVRNetStack::DecUsage(); }

void TVRNetComponent::BeginWork(TWorkMode AWorkMode, Int64 ASize) {
  if (FWorkTarget) {
    FWorkTarget->BeginWork(AWorkMode, ASize);
    return;
  }
  TWorkInfo& w = FWorkInfos[AWorkMode];
  ++w.Level;
  if (w.Level == 1) {
    w.Max = ASize;
    w.Current = 0;
    if (OnWorkBegin) OnWorkBegin(this, AWorkMode, ASize);
  }
}

void TVRNetComponent::DoWork(TWorkMode AWorkMode, Int64 ACount) {
  if (FWorkTarget) {
    FWorkTarget->DoWork(AWorkMode, ACount);
    return;
  }
  TWorkInfo& w = FWorkInfos[AWorkMode];
  if (w.Level < 1) return;
  w.Current += ACount;
  if (OnWork) OnWork(this, AWorkMode, w.Current);
}

void TVRNetComponent::EndWork(TWorkMode AWorkMode) {
  if (FWorkTarget) {
    FWorkTarget->EndWork(AWorkMode);
    return;
  }
  TWorkInfo& w = FWorkInfos[AWorkMode];
  if (w.Level == 1 && OnWorkEnd) OnWorkEnd(this, AWorkMode);
  // An unbalanced end never drives the level below zero.
  if (w.Level > 0) --w.Level;
}

void TVRNetComponent::ReportStatus(TNetStatus AStatus) { ReportStatus(AStatus, {}); }

void TVRNetComponent::ReportStatus(TNetStatus AStatus, const TConstArray& Args) {
  if (!OnStatus) return;
  OnStatus(this, AStatus, UsFormat(StatusTextOf(AStatus), Args));
}
