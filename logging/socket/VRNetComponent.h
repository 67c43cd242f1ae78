// The component tower of the socket library: an initialisation hook, the library version,
// status and work reporting, and one usage of the process-wide socket stack per live
// component.
#pragma once

#include <functional>

#include "Persistent.h"
#include "VRNetGlobal.h"

// Every constructor of the tower runs its class's defaults after the inherited
// construction; a descendant does the same for its own fields in its constructor.
class TVRNetInitializerComponent : public TComponent {
  DECLARE_CLASS(TVRNetInitializerComponent, TComponent)
 public:
  explicit TVRNetInitializerComponent(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  bool InDesignState() const { return ComponentState().Contains(csDesigning); }
};

class TVRNetBaseComponent : public TVRNetInitializerComponent {
  DECLARE_CLASS(TVRNetBaseComponent, TVRNetInitializerComponent)
 public:
  explicit TVRNetBaseComponent(TComponent* AOwner = nullptr) : TVRNetInitializerComponent(AOwner) {}
  String Version() const { return L"10.5.7"; }
};

enum TNetStatus { hsResolving, hsConnecting, hsConnected, hsDisconnecting, hsDisconnected, hsStatusText,
                  ftpTransfer, ftpReady, ftpAborted };
enum TWorkMode { wmRead, wmWrite };

class TVRNetComponent;
using TNetStatusEvent = std::function<void(TObject* AVRSender, TNetStatus AStatus, const String& AStatusText)>;
using TWorkEvent = std::function<void(TObject* AVRSender, TWorkMode AWorkMode, Int64 AWorkCount)>;
using TWorkBeginEvent = std::function<void(TObject* AVRSender, TWorkMode AWorkMode, Int64 AWorkCountMax)>;
using TWorkEndEvent = std::function<void(TObject* AVRSender, TWorkMode AWorkMode)>;

// The status text format of each status value.
String StatusTextOf(TNetStatus Status);

class TVRNetComponent : public TVRNetBaseComponent {
  DECLARE_CLASS(TVRNetComponent, TVRNetBaseComponent)
 public:
  // Takes one stack usage.
  explicit TVRNetComponent(TComponent* AOwner = nullptr);
  // Returns the stack usage.
  ~TVRNetComponent() override;

  virtual void BeginWork(TWorkMode AWorkMode, Int64 ASize = 0);
  virtual void DoWork(TWorkMode AWorkMode, Int64 ACount);
  virtual void EndWork(TWorkMode AWorkMode);
  // Only when OnStatus is assigned: the status text formatted with the arguments.
  void ReportStatus(TNetStatus AStatus);
  void ReportStatus(TNetStatus AStatus, const TConstArray& Args);

  TVRNetComponent* WorkTarget() const { return FWorkTarget; }
  void SetWorkTarget(TVRNetComponent* Value) { FWorkTarget = Value; }

  TNetStatusEvent OnStatus;
  TWorkEvent OnWork;
  TWorkBeginEvent OnWorkBegin;
  TWorkEndEvent OnWorkEnd;

 private:
  struct TWorkInfo {
    Int64 Current = 0;
    Int64 Max = 0;
    Integer Level = 0;
  };
  TWorkInfo FWorkInfos[2];
  TVRNetComponent* FWorkTarget = nullptr;
};

// Unit start-up: loads the status texts.
extern const TUnitInfo VRNetComponentUnit;
