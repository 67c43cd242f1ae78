#include "SysInit.h"

#include <cwchar>
#include <vector>

namespace {

std::vector<const TUnitInfo*>& Started() {
  static std::vector<const TUnitInfo*> units;
  return units;
}

// Shuts down the started units above Mark, the last started first.
void FinalizeDownTo(std::size_t Mark) {
  auto& units = Started();
  while (units.size() > Mark) {
    const TUnitInfo* u = units.back();
    units.pop_back();
    if (u->Finalize) u->Finalize();
  }
}

void StartList(const TUnitList& List) {
  for (const TUnitList* Need : List.Needs) StartList(*Need);
  for (const TUnitInfo* u : List.Units) {
    if (UnitInitialized(u->Name)) continue;
    if (u->Initialize) u->Initialize();
    Started().push_back(u);
  }
}

}  // namespace

void InitializeUnits(const TUnitList& List) {
  std::size_t Mark = Started().size();
  // A unit that fails to start takes down the units this list started before it.
  TScopeExit undo([Mark] { FinalizeDownTo(Mark); });
  StartList(List);
  undo.Dismiss();
}

void FinalizeUnits() { FinalizeDownTo(0); }

bool UnitInitialized(const wchar_t* Name) {
  for (const TUnitInfo* u : Started())
    if (std::wcscmp(u->Name, Name) == 0) return true;
  return false;
}

TUnitScope::TUnitScope(const TUnitList& List) : FMark(Started().size()) { InitializeUnits(List); }

TUnitScope::~TUnitScope() { FinalizeDownTo(FMark); }
