// Unit start-up and shut-down: the program entry (and each test program's main) runs an
// explicit, ordered list of units; finalisation runs in reverse order.
#pragma once

#include <initializer_list>

#include "System.h"

struct TUnitInfo {
  const wchar_t* Name;
  void (*Initialize)();  // may be nullptr
  void (*Finalize)();    // may be nullptr
};

// Initialises the units in order. If one raises, the units already initialised are
// finalised in reverse order and the exception propagates.
void InitializeUnits(std::initializer_list<TUnitInfo> Units);
// Finalises every initialised unit, in reverse order of initialisation.
void FinalizeUnits();
// True while the named unit is initialised.
bool UnitInitialized(const wchar_t* Name);

// Runs InitializeUnits on construction and FinalizeUnits on destruction.
class TUnitScope {
 public:
  explicit TUnitScope(std::initializer_list<TUnitInfo> Units) { InitializeUnits(Units); }
  ~TUnitScope() { FinalizeUnits(); }
  TUnitScope(const TUnitScope&) = delete;
  TUnitScope& operator=(const TUnitScope&) = delete;
};
