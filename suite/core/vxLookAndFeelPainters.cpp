#include "vxLookAndFeelPainters.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <vssym32.h>

#include "SysUtils.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxLookAndFeels.h"
#include "vxLFPaintersCommon.h"

using namespace vxLFPaintersCommon;

namespace vxLFPaintersCommon {

TImageList* FIndicatorImages = nullptr;
TSize FCheckButtonSize{13, 13};
TvxRadioButtonImageList* FRadioButtonImageList = nullptr;
TSize FRadioButtonSize{0, 0};
std::vector<Integer> FRadioIndexMap;

}  // namespace vxLFPaintersCommon

namespace {

// --- Shared resources of the painters -----------------------------------------------------

TvxExtendedStylePainters* FExtendedStylePainters = nullptr;
TBitmap* FScrollBarBitmapNormal = nullptr;
TBitmap* FScrollBarBitmapPressed = nullptr;

// Keeps the painters' colour-dependent resources in step with the system colours.
class TSystemPaletteChangedNotifier : public TvxSystemPaletteChangedNotifier {
  DECLARE_CLASS(TSystemPaletteChangedNotifier, TvxSystemPaletteChangedNotifier)
 public:
  TSystemPaletteChangedNotifier() : TvxSystemPaletteChangedNotifier(true) {}
  void DoChanged() override {
    // The page patterns hold concrete colours: repaint them here, so that they follow a
    // colour change even while no scroll bar exists to ask for it.
    vxUpdateScrollBarBitmaps();
    if (FRadioButtonImageList) FRadioButtonImageList->Reset();
    TvxSystemPaletteChangedNotifier::DoChanged();
  }
};

TSystemPaletteChangedNotifier* FPaletteNotifier = nullptr;

// Each painter class's one object.
template <class P>
TvxCustomLookAndFeelPainterClass PainterObject() {
  struct TObjectOf : P {
    TObjectOf() {}
  };
  static const TObjectOf instance;
  return &instance;
}

const wchar_t* const IndicatorResourceNames[] = {L"VX_ARROWBITMAP",    L"VX_EDITBITMAP",
                                                 L"VX_INSERTBITMAP",   L"VX_MULTIDOTBITMAP",
                                                 L"VX_MULTIARROWBITMAP", L"VX_FILTERBITMAP"};

void LoadIndicatorImages() {
  for (const wchar_t* name : IndicatorResourceNames) {
    TBitmap bitmap;
    bitmap.LoadFromResourceName(GetModuleHandleW(nullptr), name);
    // The masks are computed from true-colour pixels; the resources hold 16 colours.
    bitmap.SetPixelFormat(pf24bit);
    if (!FIndicatorImages) FIndicatorImages = new TImageList(bitmap.Width(), bitmap.Height());
    FIndicatorImages->AddMasked(&bitmap, clWhite);
  }
}

void MeasureCheckButtonSize() {
  constexpr int OBM_CHECKBOXES_ID = 32759;
  HBITMAP handle = LoadBitmapW(nullptr, MAKEINTRESOURCEW(OBM_CHECKBOXES_ID));
  if (!handle) return;  // the 13 x 13 default stays
  BITMAP info{};
  if (GetObjectW(handle, sizeof(info), &info)) FCheckButtonSize = TSize{info.bmWidth / 4, info.bmHeight / 3};
  DeleteObject(handle);
}

void InitLookAndFeelPainters() {
  FExtendedStylePainters = new TvxExtendedStylePainters();
  LoadIndicatorImages();
  vxUpdateScrollBarBitmaps();
  FPaletteNotifier = new TSystemPaletteChangedNotifier();
  MeasureCheckButtonSize();
}

void FinLookAndFeelPainters() {
  FreeAndNil(FPaletteNotifier);
  FreeAndNil(FScrollBarBitmapNormal);
  FreeAndNil(FScrollBarBitmapPressed);
  FreeAndNil(FIndicatorImages);
  FreeAndNil(FRadioButtonImageList);
  FreeAndNil(FExtendedStylePainters);
  FRadioIndexMap.clear();
}
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

TvxExtendedStylePainters::~TvxExtendedStylePainters() = default;

void TvxExtendedStylePainters::AddListener(IvxLookAndFeelPainterListener* AListener) { FListeners.Add(AListener); }

void TvxExtendedStylePainters::RemoveListener(IvxLookAndFeelPainterListener* AListener) {
  FListeners.Remove(AListener);
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
  // From the last one added to the first; one that leaves meanwhile is not told.
  FListeners.ForEachBackward([&](IvxLookAndFeelPainterListener* L) { L->PainterChanged(APainter); });
}

TvxExtendedStylePainters* vxGlobalExtendedStylePainters() { return FExtendedStylePainters; }

// --- Unit-level routines ------------------------------------------------------------------------

TvxLookAndFeelKind vxStyleToLookAndFeelKind(TvxLookAndFeelStyle AStyle) {
  switch (AStyle) {
    case lfsFlat:
      return lfFlat;
    case lfsUltraFlat:
      return lfUltraFlat;
    case lfsOffice11:
      return lfOffice11;
    default:
      return lfStandard;
  }
}

TRect vxRectInset2(const TRect& R) { return Deflated(R, 2); }

void vxUpdateScrollBarBitmaps() {
  if (!FScrollBarBitmapNormal) {
    auto normal = std::make_unique<TBitmap>(8, 8);
    auto pressed = std::make_unique<TBitmap>(8, 8);
    FScrollBarBitmapNormal = normal.release();
    FScrollBarBitmapPressed = pressed.release();
  }
  TCanvas* normal = FScrollBarBitmapNormal->Canvas();
  TCanvas* pressed = FScrollBarBitmapPressed->Canvas();
  for (Integer y = 0; y < 8; ++y)
    for (Integer x = 0; x < 8; ++x) {
      const bool same = x % 2 == y % 2;
      normal->SetPixel(x, y, ColorToRGB(same ? clBtnFace : clBtnHighlight));
      pressed->SetPixel(x, y, ColorToRGB(same ? clBlack : cl3DDkShadow));
    }
}

TBitmap* vxScrollBarPatternBitmap(bool APressed) {
  return APressed ? FScrollBarBitmapPressed : FScrollBarBitmapNormal;
}

TCustomImageList* vxIndicatorImages() { return FIndicatorImages; }

const TUnitInfo vxLookAndFeelPaintersUnit = {L"vxLookAndFeelPainters", InitLookAndFeelPainters,
                                             FinLookAndFeelPainters};
