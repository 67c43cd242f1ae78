// The anti-freeze hook: lets blocking calls on the main thread keep the user interface
// alive. At most one instance exists per process; without one every call is a no-op or a
// plain sleep.
#pragma once

#include "VRNetComponent.h"

class TVRNetAntiFreezeBase : public TVRNetBaseComponent {
  DECLARE_CLASS(TVRNetAntiFreezeBase, TVRNetBaseComponent)
 public:
  // EVRNetException "Only one TVRNetAntiFreeze can exist per application." for a second one.
  explicit TVRNetAntiFreezeBase(TComponent* AOwner = nullptr);
  ~TVRNetAntiFreezeBase() override;

  virtual void Process() = 0;

  static bool ShouldUse();
  static void DoProcess(bool AIdle = true, bool AOverride = false);
  static void Sleep(Integer ATimeout);
  static TVRNetAntiFreezeBase* Instance() { return GAntiFreeze; }

  bool Active = true;
  bool ApplicationHasPriority = true;
  Integer IdleTimeOut = 250;
  bool OnlyWhenIdle = true;

 private:
  static inline TVRNetAntiFreezeBase* GAntiFreeze = nullptr;
};
