// Unit start-up and shut-down. Every layer (the runtime, the forms library, each
// subsystem) keeps one ordered list of its units that have a start-up or a shut-down,
// together with the layers it stands on. The program entry and every test program's main
// start one list; its layers start first, depth first, then its own units in order.
// Shut-down runs in the reverse order. A build check (cmake/CheckUnitLists.cmake) fails
// when a unit of a layer is missing from that layer's list.
#pragma once

#include <cstddef>
#include <span>

#include "System.h"

struct TUnitInfo {
  const wchar_t* Name;
  void (*Initialize)();  // may be nullptr
  void (*Finalize)();    // may be nullptr
};

// One layer's start-up list: the lists of the layers it uses, then its own units in
// start-up order. Lists are constant data built from the units' addresses, so they are
// ready before any code runs.
struct TUnitList {
  const wchar_t* Name;
  std::span<const TUnitList* const> Needs;
  std::span<const TUnitInfo* const> Units;
};

// Starts the layers List needs, then List's own units, skipping units already started.
// If a start-up raises, the units this call started are shut down in reverse order and
// the exception propagates.
void InitializeUnits(const TUnitList& List);
// Shuts down every started unit, in reverse order of start-up.
void FinalizeUnits();
// True while the named unit is started.
bool UnitInitialized(const wchar_t* Name);

// Starts a list on construction; on destruction shuts down, in reverse order, the units
// it started.
class TUnitScope {
 public:
  explicit TUnitScope(const TUnitList& List);
  ~TUnitScope();
  TUnitScope(const TUnitScope&) = delete;
  TUnitScope& operator=(const TUnitScope&) = delete;

 private:
  std::size_t FMark;
};
