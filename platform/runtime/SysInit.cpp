#include "SysInit.h"

#include <cwchar>
#include <vector>

namespace {
std::vector<TUnitInfo>& Initialized() {
  static std::vector<TUnitInfo> units;
  return units;
}
}  // namespace

void InitializeUnits(std::initializer_list<TUnitInfo> Units) {
  for (const TUnitInfo& u : Units) {
    if (UnitInitialized(u.Name)) continue;
    try {
      if (u.Initialize) u.Initialize();
    } catch (...) {
      FinalizeUnits();
      throw;
    }
    Initialized().push_back(u);
  }
}

void FinalizeUnits() {
  auto& units = Initialized();
  while (!units.empty()) {
    TUnitInfo u = units.back();
    units.pop_back();
    if (u.Finalize) u.Finalize();
  }
}

bool UnitInitialized(const wchar_t* Name) {
  for (const TUnitInfo& u : Initialized())
    if (std::wcscmp(u.Name, Name) == 0) return true;
  return false;
}
