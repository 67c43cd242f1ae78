#include "vxLookAndFeelPainters.h"

#include <algorithm>
#include <memory>

#include "SysUtils.h"

namespace {

TvxExtendedStylePainters* FExtendedStylePainters = nullptr;

// Each painter class's one object.
template <class P>
TvxCustomLookAndFeelPainterClass PainterObject() {
  struct TObjectOf : P {
    TObjectOf() {}
  };
  static const TObjectOf instance;
  return &instance;
}

void InitLookAndFeelPainters() { FExtendedStylePainters = new TvxExtendedStylePainters(); }

void FinLookAndFeelPainters() { FreeAndNil(FExtendedStylePainters); }

}  // namespace

TvxCustomLookAndFeelPainterClass TvxCustomLookAndFeelPainter::Instance() {
  return PainterObject<TvxCustomLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxStandardLookAndFeelPainter::Instance() {
  return PainterObject<TvxStandardLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxFlatLookAndFeelPainter::Instance() {
  return PainterObject<TvxFlatLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxUltraFlatLookAndFeelPainter::Instance() {
  return PainterObject<TvxUltraFlatLookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxOffice11LookAndFeelPainter::Instance() {
  return PainterObject<TvxOffice11LookAndFeelPainter>();
}
TvxCustomLookAndFeelPainterClass TvxWinXPLookAndFeelPainter::Instance() {
  return PainterObject<TvxWinXPLookAndFeelPainter>();
}

// --- Extended style painters ---------------------------------------------------------------

TvxExtendedStylePainterInfo::TvxExtendedStylePainterInfo(const String& AName,
                                                         TvxCustomLookAndFeelPainterClass APainter, TObject* AData)
    : Data(AData), Name(AName), Painter(APainter) {}

TvxExtendedStylePainterInfo::~TvxExtendedStylePainterInfo() { delete Data; }

TvxExtendedStylePainters::~TvxExtendedStylePainters() { FListeners.clear(); }

void TvxExtendedStylePainters::AddListener(IvxLookAndFeelPainterListener* AListener) {
  if (AListener && std::find(FListeners.begin(), FListeners.end(), AListener) == FListeners.end())
    FListeners.push_back(AListener);
}

void TvxExtendedStylePainters::RemoveListener(IvxLookAndFeelPainterListener* AListener) {
  auto it = std::find(FListeners.begin(), FListeners.end(), AListener);
  if (it != FListeners.end()) FListeners.erase(it);
}

Integer TvxExtendedStylePainters::IndexOfName(const String& AName) const {
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiSameText(Names(i), AName)) return i;
  return -1;
}

bool TvxExtendedStylePainters::Register(const String& AName, TvxCustomLookAndFeelPainterClass APainter,
                                        TObject* AData) {
  if (IndexOfName(AName) >= 0) return false;
  auto info = std::make_unique<TvxExtendedStylePainterInfo>(AName, APainter, nullptr);
  Add(info.get());
  info.release()->Data = AData;
  Sort([](Pointer A, Pointer B) {
    return AnsiCompareStr(static_cast<TvxExtendedStylePainterInfo*>(A)->Name,
                          static_cast<TvxExtendedStylePainterInfo*>(B)->Name);
  });
  NotifyListeners(APainter);
  return true;
}

bool TvxExtendedStylePainters::Unregister(const String& AName) {
  Integer index = IndexOfName(AName);
  if (index < 0) return false;
  std::unique_ptr<TvxExtendedStylePainterInfo> info(PainterInfos(index));
  Delete(index);
  NotifyListeners(info->Painter);
  return true;
}

bool TvxExtendedStylePainters::GetPainterByName(const String& AName, TvxCustomLookAndFeelPainterClass& APainter) const {
  Integer index = IndexOfName(AName);
  if (index < 0) return false;
  APainter = Painters(index);
  return true;
}

bool TvxExtendedStylePainters::GetNameByPainter(TvxCustomLookAndFeelPainterClass APainter, String& AName) const {
  AName.clear();
  for (Integer i = 0; i < Count(); ++i)
    if (Painters(i) == APainter) {
      AName = Names(i);
      return true;
    }
  return false;
}

bool TvxExtendedStylePainters::GetPainterData(TvxCustomLookAndFeelPainterClass APainter, TObject*& AData) const {
  AData = nullptr;
  for (Integer i = 0; i < Count(); ++i)
    if (Painters(i) == APainter) {
      AData = PainterInfos(i)->Data;
      return true;
    }
  return false;
}

void TvxExtendedStylePainters::NotifyListeners(TvxCustomLookAndFeelPainterClass APainter) {
  // From the last one added to the first; a copy, so listeners may leave meanwhile.
  std::vector<IvxLookAndFeelPainterListener*> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) (*it)->PainterChanged(APainter);
}

TvxExtendedStylePainters* vxGlobalExtendedStylePainters() { return FExtendedStylePainters; }

const TUnitInfo vxLookAndFeelPaintersUnit = {L"vxLookAndFeelPainters", InitLookAndFeelPainters,
                                             FinLookAndFeelPainters};
