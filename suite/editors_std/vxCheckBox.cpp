#include "vxCheckBox.h"

#include <algorithm>

#include <vssym32.h>

#include "Menus.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxContainerRoutines.h"
#include "vxEditConsts.h"
#include "vxEditPaintUtils.h"
#include "vxVariants.h"

// --- Caption items -------------------------------------------------------------------------

void TvxCaptionItem::Assign(TPersistent* Source) {
  if (auto* item = dynamic_cast<TvxCaptionItem*>(Source)) {
    SetCaption(item->Caption());
    FTag = item->Tag();
  } else {
    TCollectionItem::Assign(Source);
  }
}

void TvxCaptionItem::SetCaption(const String& Value) {
  if (FCaption != Value) FCaption = Value;
  auto* owner = dynamic_cast<TvxOwnedInterfacedCollection*>(Collection());
  if (owner && owner->Sorted())
    owner->SortItems();
  else
    Changed(false);
}

void TvxCaptionItem::DeclarePublished(TPublisher<TvxCaptionItem>& P) {
  using C = TvxCaptionItem;
  P.Property(L"Caption", [](C* I) { return I->Caption(); }, [](C* I, const String& V) { I->SetCaption(V); });
  P.Property(L"Tag", &C::Tag, &C::SetTag).Stored([](C* I) { return I->IsTagStored(); });
}

Integer TvxCaptionItems::DefaultCompareItems(TCollectionItem* AItem1, TCollectionItem* AItem2) {
  return AnsiCompareText(static_cast<TvxCaptionItem*>(AItem1)->Caption(),
                         static_cast<TvxCaptionItem*>(AItem2)->Caption());
}

// --- Check-state formats -----------------------------------------------------------------------

bool ParseCheckNumber(const String& AText, size_t& APos, Integer& ANumber) {
  if (APos >= AText.size() || AText[APos] < L'0' || AText[APos] > L'9') return false;
  Integer number = 0;
  while (APos < AText.size() && AText[APos] >= L'0' && AText[APos] <= L'9') {
    const Integer digit = AText[APos] - L'0';
    if (number > 214748364 || (number == 214748364 && digit > 7)) return false;
    number = number * 10 + digit;
    ++APos;
  }
  ANumber = number;
  return true;
}

namespace {

// Builds the grayed run and the checked run; the value is "grayed[;checked]".
template <class Entry>
String BuildRuns(const TvxCheckStates& AStates, const String& ASeparator, Entry AEntry) {
  String grayed, checked;
  for (size_t i = 0; i < AStates.size(); ++i) {
    String* run = AStates[i] == cbsGrayed ? &grayed : (AStates[i] == cbsChecked ? &checked : nullptr);
    if (!run) continue;
    if (!run->empty()) *run += ASeparator;
    *run += AEntry(static_cast<Integer>(i));
  }
  return checked.empty() ? grayed : grayed + L";" + checked;
}

bool IsTextValue(const Variant& AValue) { return VarIsNull(AValue) || VarIsStr(AValue); }

bool ReadCaptions(const String& AText, IvxCheckItems* AItems, TvxCheckStates& AStates) {
  struct Entry {
    String Caption;
    bool Checked;
  };
  std::vector<Entry> entries;
  size_t pos = 0;
  bool checkedRun = false;
  while (pos < AText.size()) {
    if (AText[pos] == L';' && !checkedRun) {
      checkedRun = true;
      ++pos;
    }
    Integer length;
    if (!ParseCheckNumber(AText, pos, length)) return false;
    if (pos >= AText.size() || AText[pos] != L':') return false;
    ++pos;
    if (static_cast<size_t>(length) > AText.size() - pos) return false;
    entries.push_back({AText.substr(pos, static_cast<size_t>(length)), checkedRun});
    pos += static_cast<size_t>(length);
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return AnsiCompareText(a.Caption, b.Caption) < 0; });
  for (size_t i = 0; i < AStates.size(); ++i) {
    const String caption = AItems->GetCaption(static_cast<Integer>(i));
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const Entry& e) { return AnsiCompareText(e.Caption, caption) == 0; });
    if (it == entries.end()) continue;
    AStates[i] = it->Checked ? cbsChecked : cbsGrayed;
    entries.erase(it);
  }
  return entries.empty();
}

bool ReadIndices(const String& AText, TvxCheckStates& AStates) {
  size_t pos = 0;
  bool checkedRun = false;
  while (pos < AText.size()) {
    if (AText[pos] == L';' && !checkedRun) {
      checkedRun = true;
      ++pos;
    }
    Integer index;
    if (!ParseCheckNumber(AText, pos, index) || static_cast<size_t>(index) >= AStates.size()) return false;
    AStates[static_cast<size_t>(index)] = checkedRun ? cbsChecked : cbsGrayed;
    if (pos < AText.size() && AText[pos] == L',') ++pos;
  }
  return true;
}

bool ReadInteger(const Variant& AValue, TvxCheckStates& AStates) {
  UInt64 bits = 0;
  if (VarIsNull(AValue)) {
    bits = 0;
  } else if (VarIsStr(AValue)) {
    Int64 number;
    if (!TryStrToInt64(VarToStr(AValue), number)) return false;
    bits = static_cast<UInt64>(number);
  } else if (VarIsNumeric(AValue) || VarIsType(AValue, varDate)) {
    bits = static_cast<UInt64>(AValue.AsInt64());
  } else {
    return false;
  }
  for (auto& state : AStates) {
    state = (bits & 1) ? cbsChecked : cbsUnchecked;
    bits >>= 1;
  }
  return true;
}

bool ReadStatesString(const String& AText, TvxCheckStates& AStates) {
  const size_t count = std::min(AText.size(), AStates.size());
  for (size_t i = 0; i < count; ++i) {
    if (AText[i] < L'0' || AText[i] > L'2') return false;
    AStates[i] = static_cast<TvxCheckBoxState>(AText[i] - L'0');
  }
  return true;  // the rest stay unchecked
}

}  // namespace

void CheckStatesToEditValue(const TvxCheckStates& ACheckStates, IvxCheckItems* AItems,
                            TvxCheckStatesValueFormatEx AFormat, Variant& AEditValue) {
  AEditValue = Null();
  switch (AFormat) {
    case cvfCaptions:
      AEditValue = BuildRuns(ACheckStates, L"", [&](Integer i) {
        const String caption = AItems->GetCaption(i);
        return IntToStr(static_cast<Integer>(caption.size())) + L":" + caption;
      });
      break;
    case cvfIndices:
      AEditValue = BuildRuns(ACheckStates, L",", [](Integer i) { return IntToStr(i); });
      break;
    case cvfInteger: {
      UInt64 bits = 0;
      for (size_t i = 0; i < std::min<size_t>(ACheckStates.size(), 64); ++i)
        if (ACheckStates[i] == cbsChecked) bits |= UInt64{1} << i;
      AEditValue = static_cast<long long>(bits);
      break;
    }
    case cvfStatesString: {
      String text;
      for (TvxCheckBoxState state : ACheckStates) text += static_cast<wchar_t>(L'0' + state);
      AEditValue = text;
      break;
    }
    default:
      break;
  }
}

bool EditValueToCheckStates(const Variant& AEditValue, IvxCheckItems* AItems, TvxCheckStatesValueFormatEx AFormat,
                            TvxCheckStates& ACheckStates) {
  ACheckStates.assign(static_cast<size_t>(std::max(AItems->GetCount(), 0)), cbsUnchecked);
  bool result = false;
  switch (AFormat) {
    case cvfCaptions:
      result = IsTextValue(AEditValue) && ReadCaptions(VarToStr(AEditValue), AItems, ACheckStates);
      break;
    case cvfIndices:
      result = IsTextValue(AEditValue) && ReadIndices(VarToStr(AEditValue), ACheckStates);
      break;
    case cvfInteger:
      result = ReadInteger(AEditValue, ACheckStates);
      break;
    case cvfStatesString:
      result = IsTextValue(AEditValue) && ReadStatesString(VarToStr(AEditValue), ACheckStates);
      break;
    default:
      break;
  }
  if (!result) std::fill(ACheckStates.begin(), ACheckStates.end(), cbsUnchecked);
  return result;
}

// --- Check box properties --------------------------------------------------------------------

TvxCustomCheckBoxProperties::TvxCustomCheckBoxProperties(TPersistent* AOwner)
    : TvxCustomEditProperties(AOwner),
      FDisplayChecked(LoadResString(&vxSEditCheckBoxChecked)),
      FDisplayUnchecked(LoadResString(&vxSEditCheckBoxUnchecked)),
      FDisplayGrayed(LoadResString(&vxSEditCheckBoxGrayed)) {}

void TvxCustomCheckBoxProperties::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TvxCustomCheckBoxProperties*>(Source)) {
    BeginUpdate();
    try {
      TvxCustomEditProperties::Assign(Source);
      FAllowGrayed = p->FAllowGrayed;
      FCaption = p->FCaption;
      FDisplayChecked = p->FDisplayChecked;
      FDisplayUnchecked = p->FDisplayUnchecked;
      FDisplayGrayed = p->FDisplayGrayed;
      FFullFocusRect = p->FFullFocusRect;
      FMultiLine = p->FMultiLine;
      FNullStyle = p->FNullStyle;
      FUseAlignmentWhenInplace = p->FUseAlignmentWhenInplace;
      FGlyphCount = p->FGlyphCount;
      if (p->FGlyph)
        InternalGetGlyph()->Assign(p->FGlyph.get());
      else
        FGlyph.reset();
      Changed();
      SetCheckValues(p->FValueChecked, p->FValueGrayed, p->FValueUnchecked);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  } else {
    TvxCustomEditProperties::Assign(Source);
  }
}

TvxCustomCheckBoxProperties::~TvxCustomCheckBoxProperties() = default;

void TvxCustomCheckBoxProperties::DefineProperties(TFiler* Filer) {
  TvxCustomEditProperties::DefineProperties(Filer);
  Filer->DefineProperty(L"Caption", [this](TReader* Reader) { SetCaption(Reader->ReadString()); }, nullptr, false);
}

TvxCustomEditViewData* TvxCustomCheckBoxProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* result = new TvxCustomCheckBoxViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomCheckBoxProperties::CreateViewInfo() { return new TvxCustomCheckBoxViewInfo(); }

TClass TvxCustomCheckBoxProperties::GetContainerClass() { return TvxCheckBox::StaticClass(); }

TBitmap* TvxCustomCheckBoxProperties::InternalGetGlyph() {
  if (!FGlyph) {
    FGlyph = std::make_unique<TBitmap>();
    FGlyph->OnChange = [this](TObject*) { Changed(); };
  }
  return FGlyph.get();
}

void TvxCustomCheckBoxProperties::SetGlyph(TBitmap* Value) {
  if (!Value)
    FGlyph.reset();
  else
    InternalGetGlyph()->Assign(Value);
  Changed();
}

void TvxCustomCheckBoxProperties::SetGlyphCount(Integer Value) {
  if (FGlyphCount == Value) return;
  FGlyphCount = Value;
  if (FGlyph) Changed();
}

void TvxCustomCheckBoxProperties::SetCaption(const String& Value) {
  FIsCaptionAssigned = true;
  if (FCaption == Value) return;
  FCaption = Value;
  Changed();
}

TvxEditSupportedOperations TvxCustomCheckBoxProperties::GetSupportedOperations() {
  return TvxEditSupportedOperations{esoAlwaysHotTrack, esoEditing,       esoFiltering,   esoHotTrack,
                                    esoShowingCaption, esoSorting, esoTransparency};
}

TvxEditSpecialFeatures TvxCustomCheckBoxProperties::GetSpecialFeatures() {
  TvxEditSpecialFeatures features = TvxCustomEditProperties::GetSpecialFeatures();
  features.Include(esfNoContentPart);
  return features;
}

namespace {
// Equal values of the same variant type; two Nulls are equal.
bool SameTypeEquals(const Variant& A, const Variant& B) {
  if (VarType(A) != VarType(B)) return false;
  if (VarIsNull(A) || VarIsEmpty(A)) return true;
  return VariantsEqual(A, B);
}
}  // namespace

void TvxCustomCheckBoxProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool) {
  if (VariantsEqual(AEditValue, FValueChecked))
    DisplayValue = static_cast<int>(cbsChecked);
  else if (VariantsEqual(AEditValue, FValueUnchecked))
    DisplayValue = static_cast<int>(cbsUnchecked);
  else
    DisplayValue = static_cast<int>(cbsGrayed);
}

Variant TvxCustomCheckBoxProperties::PrepareEditValue(const Variant& ADisplayValue) {
  switch (ADisplayValue.AsInt64()) {
    case cbsUnchecked:
      return FValueUnchecked;
    case cbsChecked:
      return FValueChecked;
    case cbsGrayed:
      return FValueGrayed;
    default:
      return Variant();
  }
}

TvxCheckBoxState EditValueToCheckState(TvxCustomCheckBoxProperties* AProperties, const Variant& AEditValue) {
  Variant display;
  AProperties->PrepareDisplayValue(AEditValue, display, false);
  return static_cast<TvxCheckBoxState>(display.AsInt64());
}

bool TvxCustomCheckBoxProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return EditValueToCheckState(this, AEditValue1) == EditValueToCheckState(this, AEditValue2);
}

bool TvxCustomCheckBoxProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  return TvxCustomEditProperties::IsEditValueValid(AEditValue, AEditFocused) &&
         (SameTypeEquals(AEditValue, FValueChecked) || SameTypeEquals(AEditValue, FValueUnchecked) ||
          SameTypeEquals(AEditValue, FValueGrayed));
}

String TvxCustomCheckBoxProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  switch (EditValueToCheckState(this, AEditValue)) {
    case cbsChecked:
      return FDisplayChecked;
    case cbsUnchecked:
      return FDisplayUnchecked;
    default:
      return FDisplayGrayed;
  }
}

bool TvxCustomCheckBoxProperties::IsLoading() {
  auto* owner = dynamic_cast<TComponent*>(Owner());
  return owner && owner->ComponentState().Contains(csLoading);
}

void TvxCustomCheckBoxProperties::SetValueChecked(const Variant& Value) {
  if (!IsLoading() && (VarIsNull(Value) || SameTypeEquals(Value, FValueChecked) ||
                       SameTypeEquals(Value, FValueUnchecked) || SameTypeEquals(Value, FValueGrayed)))
    return;
  FValueChecked = Value;
  Changed();
}

void TvxCustomCheckBoxProperties::SetValueUnchecked(const Variant& Value) {
  if (!IsLoading() && (VarIsNull(Value) || SameTypeEquals(Value, FValueChecked) ||
                       SameTypeEquals(Value, FValueUnchecked) || SameTypeEquals(Value, FValueGrayed)))
    return;
  FValueUnchecked = Value;
  Changed();
}

void TvxCustomCheckBoxProperties::SetValueGrayed(const Variant& Value) {
  if (!IsLoading() && (SameTypeEquals(Value, FValueChecked) || SameTypeEquals(Value, FValueUnchecked) ||
                       SameTypeEquals(Value, FValueGrayed)))
    return;
  FValueGrayed = Value;
  Changed();
}

void TvxCustomCheckBoxProperties::SetCheckValues(const Variant& AValueChecked, const Variant& AValueGrayed,
                                                 const Variant& AValueUnchecked) {
  if (VarIsNull(AValueChecked) || VarIsNull(AValueUnchecked) || SameTypeEquals(AValueChecked, AValueGrayed) ||
      SameTypeEquals(AValueChecked, AValueUnchecked) || SameTypeEquals(AValueGrayed, AValueUnchecked))
    return;
  FValueChecked = AValueChecked;
  FValueGrayed = AValueGrayed;
  FValueUnchecked = AValueUnchecked;
  Changed();
}

void TvxCheckBoxProperties::DeclarePublished(TPublisher<TvxCheckBoxProperties>& P) {
  using C = TvxCheckBoxProperties;
  P.Property(L"AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed).Default(false);
  // Each display text is written only when it is not its resource default.
  P.Property(L"DisplayChecked", [](C* E) { return E->DisplayChecked(); },
             [](C* E, const String& V) { E->SetDisplayChecked(V); })
      .Stored([](C* E) { return E->DisplayChecked() != LoadResString(&vxSEditCheckBoxChecked); });
  P.Property(L"DisplayUnchecked", [](C* E) { return E->DisplayUnchecked(); },
             [](C* E, const String& V) { E->SetDisplayUnchecked(V); })
      .Stored([](C* E) { return E->DisplayUnchecked() != LoadResString(&vxSEditCheckBoxUnchecked); });
  P.Property(L"DisplayGrayed", [](C* E) { return E->DisplayGrayed(); },
             [](C* E, const String& V) { E->SetDisplayGrayed(V); })
      .Stored([](C* E) { return E->DisplayGrayed() != LoadResString(&vxSEditCheckBoxGrayed); });
  P.Property(L"FullFocusRect", &C::FullFocusRect, &C::SetFullFocusRect).Default(false);
  P.Property(L"Glyph", [](C* E) { return E->Glyph(); }, [](C* E, TBitmap* V) { E->SetGlyph(V); })
      .Stored([](C* E) { return E->GlyphOrNull() && !E->GlyphOrNull()->Empty(); });
  P.Property(L"GlyphCount", &C::GlyphCount, &C::SetGlyphCount).Default(6);
  P.Property(L"MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  P.Property(L"NullStyle", &C::NullStyle, &C::SetNullStyle).Default(nssGrayedChecked);
  P.Property(L"UseAlignmentWhenInplace", &C::UseAlignmentWhenInplace, &C::SetUseAlignmentWhenInplace).Default(false);
  P.Property(L"ValueChecked", [](C* E) { return E->ValueChecked(); },
             [](C* E, const Variant& V) { E->SetValueChecked(V); })
      .Stored([](C* E) { return !SameTypeEquals(E->ValueChecked(), Variant(true)); });
  P.Property(L"ValueGrayed", [](C* E) { return E->ValueGrayed(); },
             [](C* E, const Variant& V) { E->SetValueGrayed(V); })
      .Stored([](C* E) { return !VarIsNull(E->ValueGrayed()); });
  P.Property(L"ValueUnchecked", [](C* E) { return E->ValueUnchecked(); },
             [](C* E, const Variant& V) { E->SetValueUnchecked(V); })
      .Stored([](C* E) { return !SameTypeEquals(E->ValueUnchecked(), Variant(false)); });
}

Integer CalcCheckGlyphIndex(TvxCheckBoxState AState, bool APressed, bool AGrayedSupported, Integer AGlyphCount) {
  const Integer perRow = (!AGrayedSupported && AGlyphCount % 3 != 0 && AGlyphCount % 2 == 0) ? 2 : 3;
  Integer index = static_cast<Integer>(AState) + (APressed ? perRow : 0);
  if (index < AGlyphCount || index < perRow) return index;
  return index % perRow;
}

// --- Painting ---------------------------------------------------------------------------------

namespace {

HBITMAP FCheckMarkMask = nullptr;

// White where the system's checked and unchecked cells agree, black where the mark is.
void BuildCheckMarkMask() {
  const TSize size = TvxStandardLookAndFeelPainter::Instance()->CheckButtonSize();
  HBITMAP system = LoadBitmapW(nullptr, MAKEINTRESOURCEW(32759));  // OBM_CHECKBOXES
  if (!system) return;
  HDC screen = GetDC(nullptr);
  HDC source = CreateCompatibleDC(screen);
  HDC mask = CreateCompatibleDC(screen);
  FCheckMarkMask = CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
  HGDIOBJ oldSource = SelectObject(source, system);
  HGDIOBJ oldMask = SelectObject(mask, FCheckMarkMask);
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < size.cx; ++x)
      SetPixel(mask, x, y,
               GetPixel(source, x + size.cx, y) == GetPixel(source, x, y) ? RGB(255, 255, 255) : RGB(0, 0, 0));
  SelectObject(mask, oldMask);
  SelectObject(source, oldSource);
  DeleteDC(mask);
  DeleteDC(source);
  ReleaseDC(nullptr, screen);
  DeleteObject(system);
}

void FreeCheckMarkMask() {
  if (FCheckMarkMask) DeleteObject(FCheckMarkMask);
  FCheckMarkMask = nullptr;
}

bool IsFlatBorder(TvxEditBorderStyle AStyle) { return AStyle == ebsUltraFlat || AStyle == ebsOffice11; }

// The saved clip region of a canvas, restored when the scope ends.
class TClipScope {
 public:
  TClipScope(TvxCanvas* ACanvas, const TRect& AClip) : FCanvas(ACanvas) {
    FCanvas->SaveClipRegion();
    FCanvas->IntersectClipRect(AClip);
  }
  ~TClipScope() { FCanvas->RestoreClipRegion(); }
  TClipScope(const TClipScope&) = delete;
  TClipScope& operator=(const TClipScope&) = delete;

 private:
  TvxCanvas* FCanvas;
};

void DrawCheckMarkMask(TvxCanvas* ACanvas, const TRect& R, TColor AColor) {
  if (!FCheckMarkMask) return;
  BITMAP info{};
  GetObjectW(FCheckMarkMask, sizeof(info), &info);
  TClipScope clip(ACanvas, R);
  HDC maskDC = CreateCompatibleDC(ACanvas->Handle());
  HGDIOBJ old = SelectObject(maskDC, FCheckMarkMask);
  HGDIOBJ oldBrush = SelectObject(ACanvas->Handle(), CreateSolidBrush(ColorToRGB(AColor)));
  SetTextColor(ACanvas->Handle(), RGB(0, 0, 0));
  SetBkColor(ACanvas->Handle(), RGB(255, 255, 255));
  BitBlt(ACanvas->Handle(), R.left - 2, R.top - 2, info.bmWidth, info.bmHeight, maskDC, 0, 0, 0xB8074A);
  DeleteObject(SelectObject(ACanvas->Handle(), oldBrush));
  SelectObject(maskDC, old);
  DeleteDC(maskDC);
}

void DrawEditCheckBorder(TvxCanvas* ACanvas, TRect R, TvxEditBorderStyle ABorderStyle, TvxEditCheckState ACheckState,
                         TColor ABorderColor, TColor ABackgroundColor, bool AFill, bool AIsDesigning, bool AFocused) {
  const Integer offset = 2 - vxContainerBorderWidth(static_cast<TvxContainerBorderStyle>(ABorderStyle));
  if (AFill && offset > 0) ACanvas->FrameRect(R, ABackgroundColor, offset);
  InflateRect(&R, -offset, -offset);
  switch (ABorderStyle) {
    case ebsSingle:
      ACanvas->FrameRect(R, ABorderColor);
      break;
    case ebsThick:
      ACanvas->FrameRect(R, ABorderColor, 2);
      break;
    case ebsFlat:
      ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnHighlight);
      InflateRect(&R, -1, -1);
      ACanvas->FrameRect(R, clBtnFace);
      break;
    case ebs3D:
      ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnHighlight);
      InflateRect(&R, -1, -1);
      ACanvas->DrawComplexFrame(R, cl3DDkShadow, cl3DLight);
      break;
    case ebsUltraFlat:
    case ebsOffice11: {
      const bool office11 = ABorderStyle == ebsOffice11;
      TColor color;
      if (office11 && ACheckState == ecsNormal && !AFocused && !AIsDesigning)
        color = clBtnText;
      else if (ACheckState == ecsHot || ACheckState == ecsPressed || (AIsDesigning && ACheckState != ecsDisabled) ||
               (ACheckState == ecsNormal && AFocused))
        color = GetEditHighlightColor(office11);
      else
        color = clBtnShadow;
      ACanvas->FrameRect(R, color);
      break;
    }
    default:
      break;
  }
}

void DrawSystemCheckContent(TvxCanvas* ACanvas, const TRect& AContent, TvxEditBorderStyle ABorderStyle,
                            TvxEditCheckState ACheckState, TvxCheckBoxState AState,
                            TvxCheckBoxNullValueShowingStyle ANullStyle) {
  UINT flags;
  if (ACheckState == ecsDisabled) {
    flags = DFCS_PUSHED | DFCS_BUTTON3STATE;
    flags |= (AState == cbsUnchecked || (AState == cbsGrayed && ANullStyle != nssGrayedChecked)) ? DFCS_INACTIVE
                                                                                                  : DFCS_CHECKED;
  } else {
    switch (AState) {
      case cbsChecked:
        flags = DFCS_CHECKED;
        break;
      case cbsGrayed:
        flags = DFCS_BUTTON3STATE |
                (ANullStyle == nssInactive ? DFCS_INACTIVE : (ANullStyle == nssGrayedChecked ? DFCS_CHECKED : 0));
        break;
      default:
        flags = 0;
    }
    if (ACheckState == ecsPressed) flags |= DFCS_PUSHED;
  }
  if (ABorderStyle != ebs3D) flags |= DFCS_FLAT;
  TRect frame = AContent;
  InflateRect(&frame, 2, 2);
  TClipScope clip(ACanvas, AContent);
  DrawFrameControl(ACanvas->Handle(), &frame, DFC_BUTTON, DFCS_BUTTONCHECK | flags);
}

void DrawFlatCheckContent(TvxCanvas* ACanvas, const TRect& AContent, TvxEditBorderStyle ABorderStyle,
                          TvxEditCheckState ACheckState, TvxCheckBoxState AState,
                          TvxCheckBoxNullValueShowingStyle ANullStyle) {
  FillRectWithBrushHandle(ACanvas->Handle(), AContent,
                          GetCachedSolidBrush(CalcCheckContentColor(ABorderStyle, ACheckState, AState, ANullStyle)));
  if (AState == cbsUnchecked || (AState == cbsGrayed && ANullStyle != nssGrayedChecked)) return;
  DrawCheckMarkMask(ACanvas, AContent,
                    ACheckState != ecsDisabled && AState == cbsChecked ? clBtnText : clBtnShadow);
}

TvxButtonState ButtonStateOf(TvxEditCheckState AState) {
  static const TvxButtonState states[] = {vxbsNormal, vxbsHot, vxbsPressed, vxbsDisabled};
  return states[AState];
}

}  // namespace

HBITMAP CheckMarkMask() { return FCheckMarkMask; }

TColor CalcCheckContentColor(TvxEditBorderStyle ABorderStyle, TvxEditCheckState ACheckState,
                             TvxCheckBoxState AState, TvxCheckBoxNullValueShowingStyle ANullStyle) {
  const bool inactiveGrayed = AState == cbsGrayed && ANullStyle == nssInactive;
  if (!IsFlatBorder(ABorderStyle)) {
    if (inactiveGrayed) return clBtnFace;
    return ACheckState == ecsNormal || ACheckState == ecsHot ? clWindow : clBtnFace;
  }
  switch (ACheckState) {
    case ecsNormal:
      return inactiveGrayed ? clBtnFace : clWindow;
    case ecsHot:
    case ecsPressed:
      return GetFlatButtonBorderColor(ACheckState == ecsPressed, ABorderStyle == ebsOffice11);
    default:
      return clBtnFace;
  }
}

namespace {

void DrawCheckGlyph(TvxCanvas* ACanvas, const TRect& R, TvxCheckBoxState AState, TvxEditCheckState ACheckState,
                    TBitmap* AGlyph, Integer AGlyphCount, bool AGrayedSupported, TColor ABackgroundColor) {
  const Integer width = R.right - R.left, height = R.bottom - R.top;
  if (width <= 0 || height <= 0) return;
  const Integer index = CalcCheckGlyphIndex(AState, ACheckState == ecsPressed, AGrayedSupported, AGlyphCount);
  TBitmap cell;
  cell.Assign(AGlyph);
  cell.SetSize(width, height);
  const Integer cellLeft = index * (AGlyph->Width() / AGlyphCount);
  const Integer cellTop = (AGlyph->Height() - height) / 2;
  cell.Canvas()->CopyRect(TRect{0, 0, width, height}, AGlyph->Canvas(),
                          TRect{cellLeft, cellTop, cellLeft + width, cellTop + height});
  DrawGlyphOnCanvas(ACanvas, R.left, R.top, &cell, ACheckState != ecsDisabled,
                    ABackgroundColor == clNone ? clNone : TColor(ColorToRGB(ABackgroundColor)), nullptr);
}

bool DrawNativeCheck(TvxCanvas* ACanvas, const TRect& R, TvxCheckBoxState AState, TvxEditCheckState ACheckState) {
  const HTHEME theme = vdOpenThemeByType(totButton);
  if (!theme) return false;
  vdUxTheme::DrawThemeBackground(theme, ACanvas->Handle(), BP_CHECKBOX, ThemeCheckStateId(AState, ACheckState), &R,
                                 nullptr);
  return true;
}

}  // namespace

bool IsCheckThemeOpenable() { return vdOpenThemeByType(totButton) != nullptr; }

TSize CalcEditCheckSize(TBitmap* AGlyph, Integer AGlyphCount, bool ANativeStyle,
                        TvxCustomLookAndFeelPainterClass ASkinPainter) {
  if (AGlyphCount > 0 && IsBitmapUsable(AGlyph)) return TSize{AGlyph->Width() / AGlyphCount, AGlyph->Height()};
  if (ASkinPainter) return ASkinPainter->CheckButtonSize();
  if (ANativeStyle && IsCheckThemeOpenable()) return TvxWinXPLookAndFeelPainter::Instance()->CheckButtonSize();
  return TvxStandardLookAndFeelPainter::Instance()->CheckButtonSize();
}

Integer CalcCheckBorderOffset(TvxEditBorderStyle ABorderStyle, bool ANativeStyle, bool AHasGlyph,
                              TvxCustomLookAndFeelPainterClass ASkinPainter) {
  if (ANativeStyle || AHasGlyph || ASkinPainter) return 0;
  return 2 - vxContainerBorderWidth(static_cast<TvxContainerBorderStyle>(ABorderStyle));
}

void PaintEditCheckBox(TvxCanvas* ACanvas, const TRect& R, TvxCheckBoxState AState, TvxEditCheckState ACheckState,
                       TBitmap* AGlyph, Integer AGlyphCount, TvxEditBorderStyle ABorderStyle, bool ANativeStyle,
                       TColor ABorderColor, TColor ABackgroundColor, bool AFill, bool AIsDesigning, bool AFocused,
                       bool AGrayedSupported, TvxCustomLookAndFeelPainterClass ASkinPainter,
                       TvxCheckBoxNullValueShowingStyle ANullStyle) {
  if (!AFill) ABackgroundColor = clNone;
  if (AState == cbsGrayed && ANullStyle == nssUnchecked) AState = cbsUnchecked;
  if (AGlyphCount > 0 && IsBitmapUsable(AGlyph)) {
    DrawCheckGlyph(ACanvas, R, AState, ACheckState, AGlyph, AGlyphCount, AGrayedSupported, ABackgroundColor);
    return;
  }
  if (ASkinPainter) {
    if (AFill) ACanvas->FillRect(R, ABackgroundColor);
    ASkinPainter->DrawCheckButton(ACanvas, R, ButtonStateOf(ACheckState), AState);
    return;
  }
  // The themed part is the whole face; without a theme the classic face is drawn.
  if (ANativeStyle && DrawNativeCheck(ACanvas, R, AState, ACheckState)) return;
  DrawEditCheckBorder(ACanvas, R, ABorderStyle, ACheckState, ABorderColor, ABackgroundColor, AFill, AIsDesigning,
                      AFocused);
  TRect content = R;
  InflateRect(&content, -2, -2);
  if (IsFlatBorder(ABorderStyle))
    DrawFlatCheckContent(ACanvas, content, ABorderStyle, ACheckState, AState, ANullStyle);
  else
    DrawSystemCheckContent(ACanvas, content, ABorderStyle, ACheckState, AState, ANullStyle);
}

// --- View info ---------------------------------------------------------------------------------

void TvxCustomCheckBoxViewInfo::Assign(TObject* Source) {
  if (auto* src = dynamic_cast<TvxCustomCheckBoxViewInfo*>(Source)) {
    CheckBoxState = src->CheckBoxState;
    State = src->State;
  }
  TvxCustomTextEditViewInfo::Assign(Source);
}

std::unique_ptr<TvxRegion> TvxCustomCheckBoxViewInfo::GetUpdateRegion(TvxContainerViewInfo* AViewInfo) {
  std::unique_ptr<TvxRegion> result = TvxCustomTextEditViewInfo::GetUpdateRegion(AViewInfo);
  auto* other = dynamic_cast<TvxCustomCheckBoxViewInfo*>(AViewInfo);
  if (other && (other->CheckBoxState != CheckBoxState || other->State != State))
    result->Combine(new TvxRegion(CheckBoxRect), roAdd);
  return result;
}

void TvxCustomCheckBoxViewInfo::Offset(Integer DX, Integer DY) {
  TvxCustomTextEditViewInfo::Offset(DX, DY);
  OffsetRect(&CheckBoxRect, DX, DY);
  OffsetRect(&FocusRect, DX, DY);
}

bool TvxCustomCheckBoxViewInfo::Repaint(TWinControl* AControl, const TRect&, TvxCustomEditViewInfo* AViewInfo) {
  if (!AControl || !AControl->HandleAllocated()) return false;
  auto* other = dynamic_cast<TvxCustomCheckBoxViewInfo*>(AViewInfo);
  if (other && other->CheckBoxState == CheckBoxState && other->State == State) return false;
  TRect r = CheckBoxRect;
  OffsetRect(&r, Left, Top);
  ::InvalidateRect(AControl->Handle(), &r, FALSE);
  return true;
}

bool TvxCustomCheckBoxViewInfo::IsTextEnabled() const {
  return (FEdit && FEdit->IsInplace()) || Enabled || IsTextColorAssigned || NativeStyle;
}

// Whether the face paints every pixel of its rectangle, so the background may skip it.
bool TvxCustomCheckBoxViewInfo::FaceCoversRect() {
  if (!Transparent) return true;
  if (Painter || HasGlyph) return false;
  if (NativeStyle) {
    const HTHEME theme = vdOpenThemeByType(totButton);
    return !theme || !vdUxTheme::IsThemeBackgroundPartiallyTransparent(theme, BP_CHECKBOX,
                                                                        ThemeCheckStateId(State, CheckBoxState));
  }
  return true;
}

void TvxCustomCheckBoxViewInfo::PaintContent(TvxCanvas* ACanvas) {
  TRect face = CheckBoxRect;
  InflateRect(&face, -CheckBorderOffset, -CheckBorderOffset);
  {
    const bool exclude = FaceCoversRect();
    if (exclude) {
      ACanvas->SaveClipRegion();
      ACanvas->ExcludeClipRect(face);
    }
    DrawEditBackground(ACanvas);
    if (exclude) ACanvas->RestoreClipRegion();
  }
  PaintEditCheckBox(ACanvas, face, State, CheckBoxState, CheckBoxGlyph, CheckBoxGlyphCount, CheckBoxBorderStyle,
                    NativeStyle, BorderColor, BackgroundColor(), !Transparent, IsDesigning, Focused, true, Painter,
                    NullValueShowingStyle);
  if (Alignment != taCenter) DrawText(ACanvas);
  if (!vxRectHasNoArea(FocusRect)) ACanvas->DrawFocusRect(FocusRect);
}

void TvxCustomCheckBoxViewInfo::DrawText(TvxCanvas* ACanvas) {
  if (Text.empty() || vxRectHasNoArea(TextRect)) return;
  if (Font) ACanvas->SetFont(Font);
  ACanvas->Font()->SetColor(TextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->DrawTexT(Text, TextRect, DrawTextFlags, IsTextEnabled());
  ACanvas->Brush()->SetStyle(bsSolid);
}

// --- View data ---------------------------------------------------------------------------------

namespace {
// The face's border style by hot state: a selected box shows a raised variant.
TvxEditBorderStyle CheckBoxBorderStyleOf(TvxContainerHotState AHotState, TvxEditBorderStyle AStyle) {
  if (AHotState != chsSelected) return AStyle;
  static constexpr TvxEditBorderStyle CSelected[] = {ebsFlat, ebsThick, ebsThick, ebs3D, ebs3D, ebsUltraFlat,
                                                      ebsOffice11};
  return CSelected[AStyle];
}

String StripAccelerators(const String& AText) {
  String result;
  for (size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == L'&') {
      if (i + 1 < AText.size() && AText[i + 1] == L'&') result += L'&';
      else if (i + 1 >= AText.size()) result += L'&';
      if (i + 1 < AText.size() && AText[i + 1] == L'&') ++i;
      continue;
    }
    result += AText[i];
  }
  return result;
}
}  // namespace

TvxCustomCheckBox* TvxCustomCheckBoxViewData::CheckBox() const { return dynamic_cast<TvxCustomCheckBox*>(Edit); }

Integer TvxCustomCheckBoxViewData::GetCheckDrawTextFlags(TAlignment AAlignment) {
  Integer flags = AAlignment == taCenter ? vxtfCenterX : vxtfLeft;
  flags |= vxtfShowPrefix;
  flags |= CheckProperties()->MultiLine() ? (vxtfWordBreak | vxtfNoClip) : vxtfSingleLine;
  flags |= IsInplace() || !CheckProperties()->MultiLine() ? vxtfCenterY : vxtfTop;
  return flags;
}

bool TvxCustomCheckBoxViewData::IsTextDrawnDisabled(TvxCustomCheckBoxViewInfo* AViewInfo) {
  return !AViewInfo->IsTextEnabled();
}

void TvxCustomCheckBoxViewData::CalculateCheckBoxRect(TvxCustomCheckBoxViewInfo* AViewInfo, const TSize& AFaceSize) {
  TvxCustomCheckBoxViewInfo* vi = AViewInfo;
  const bool showCaption = CheckProperties()->ShowCaptionInplace();
  TRect r = vi->ClientRect;
  if (IsInplace() && showCaption) {
    if (vi->Alignment == taLeftJustify) r.left += 2;
    if (vi->Alignment == taRightJustify) r.right -= 2;
  }
  if (!IsInplace() && !(NativeStyle && IsCheckThemeOpenable() && showCaption)) InflateRect(&r, -2, -2);
  const Integer width = std::min<Integer>(AFaceSize.cx, r.right - r.left);
  const Integer height = AFaceSize.cy;
  TRect face{(r.left + r.right - width) / 2, (r.top + r.bottom - height) / 2, 0, 0};
  if (width < r.right - r.left) {
    if (vi->Alignment == taLeftJustify) face.left = r.left;
    if (vi->Alignment == taRightJustify) face.left = r.right - width;
  }
  face.right = face.left + width;
  face.bottom = face.top + height;
  vi->CheckBoxRect = face;
}

void TvxCustomCheckBoxViewData::CalculateCheckTextRect(TvxCustomCheckBoxViewInfo* AViewInfo) {
  TvxCustomCheckBoxViewInfo* vi = AViewInfo;
  const bool showCaption = CheckProperties()->ShowCaptionInplace();
  TRect r = vi->ClientRect;
  if (IsInplace()) {
    if (vi->Alignment == taLeftJustify) r.right -= 2;
    if (vi->Alignment == taRightJustify) r.left += 2;
    r.top += ContentOffset.top;
    r.bottom -= ContentOffset.bottom;
  } else {
    InflateRect(&r, -2, -2);
    if (!showCaption) --r.top;
  }
  if (vi->ClientRect.right - vi->ClientRect.left <= vi->CheckBoxRect.right - vi->CheckBoxRect.left) {
    r.right = r.left;
  } else if (vi->Alignment == taLeftJustify) {
    r.left = vi->CheckBoxRect.right + 3;
  } else if (vi->Alignment == taRightJustify) {
    r.right = vi->CheckBoxRect.left - (IsInplace() && showCaption ? 2 : 3);
  }
  if (IsTextDrawnDisabled(vi) && !vi->Painter) {
    ++r.right;
    ++r.bottom;
  }
  vi->TextRect = r;
}

void TvxCustomCheckBoxViewData::CalculateCheckFocusRect(TvxCanvas* ACanvas, TvxCustomCheckBoxViewInfo* AViewInfo) {
  TvxCustomCheckBoxViewInfo* vi = AViewInfo;
  vi->SetBackgroundColor(Style()->Color());
  vi->FocusRect = TRect{};
  const bool showCaption = CheckProperties()->ShowCaptionInplace();
  const bool shown = Focused && (((!IsInplace() || showCaption) && vi->Alignment != taCenter) ||
                                 (IsInplace() && vi->Alignment == taCenter &&
                                  vi->PaintOptions.Contains(epoShowFocusRectWhenInplace)));
  if (!shown) return;
  TRect r{};
  if (vi->Alignment == taCenter) {
    r = vi->ClientRect;
    InflateRect(&r, -1, -1);
  } else if (!vi->Text.empty()) {
    r = vi->TextRect;
    if (!CheckProperties()->FullFocusRect()) {
      if (vi->Font) ACanvas->SetFont(vi->Font);
      ACanvas->TextExtent(vi->Text, r, vi->DrawTextFlags);
    }
    InflateRect(&r, 1, 1);
    ++r.bottom;
  }
  if (vxRectHasNoArea(r)) return;
  TRect limit;
  if (vi->Alignment == taCenter) {
    limit = r;
    limit.top = vi->ClientRect.top;
    limit.bottom = vi->ClientRect.bottom;
  } else {
    limit = vi->TextRect;
    InflateRect(&limit, 1, 1);
    if (IsInplace()) {
      limit.top += 2;
      limit.bottom -= 2;
    }
    limit.right = std::min<Integer>(limit.right, vi->BorderRect.right - 1);
  }
  IntersectRect(&r, &r, &limit);
  vi->FocusRect = r;
}

void TvxCustomCheckBoxViewData::Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                                          TvxMouseButton Button, TShiftState Shift, TvxCustomEditViewInfo* AViewInfo,
                                          bool AIsMouseEvent) {
  auto* vi = static_cast<TvxCustomCheckBoxViewInfo*>(AViewInfo);
  const TvxEditCheckState prevCheckState = vi->CheckBoxState;
  TvxCustomEditViewData::Calculate(ACanvas, ABounds, P, Button, Shift, AViewInfo, AIsMouseEvent);
  TvxCustomCheckBoxProperties* props = CheckProperties();
  TvxCustomLookAndFeelPainterClass skin = Style()->LookAndFeel()->SkinPainter();
  vi->Painter = skin;
  vi->SetEdit(CheckBox());
  vi->IsEditClass = true;
  vi->DrawSelectionBar = false;
  vi->HasPopupWindow = false;
  vi->TextRect = TRect{vi->ClientRect.left + EditContentParams.Offsets.left,
                       vi->ClientRect.top + EditContentParams.Offsets.top,
                       vi->ClientRect.right - EditContentParams.Offsets.right,
                       vi->ClientRect.bottom - EditContentParams.Offsets.bottom};
  vi->Text = CheckBox() ? CheckBox()->Caption() : String();
  vi->Alignment = !IsInplace() || props->ShowCaptionInplace() || props->UseAlignmentWhenInplace() || !vi->Text.empty()
                      ? props->Alignment()->Horz()
                      : taCenter;
  vi->DrawTextFlags = GetCheckDrawTextFlags(vi->Alignment);
  vi->DrawCaptionFlags = vi->DrawTextFlags;
  vi->CheckBoxBorderStyle =
      CheckBoxBorderStyleOf(vi->HotState, static_cast<TvxEditBorderStyle>(Style()->BorderStyle()));
  vi->CheckBoxGlyph = props->GlyphOrNull();
  vi->CheckBoxGlyphCount = props->GlyphCount();
  vi->NullValueShowingStyle = props->NullStyle();
  vi->HasGlyph = props->GlyphCount() > 0 && IsBitmapUsable(props->GlyphOrNull());
  vi->CheckBorderOffset = CalcCheckBorderOffset(vi->CheckBoxBorderStyle, NativeStyle, vi->HasGlyph, skin);
  vi->IsTextColorAssigned =
      Style()->IsValueAssigned(csvTextColor) ||
      (skin && skin->DefaultEditorTextColorEx(esckDisabled) != clDefault);
  const TSize face = CalcEditCheckSize(props->GlyphOrNull(), props->GlyphCount(), NativeStyle, skin);
  CalculateCheckBoxRect(vi, face);
  CalculateCheckTextRect(vi);
  if (!Enabled) {
    vi->CheckBoxState = ecsDisabled;
  } else if (!IsCheckPressed && !IsDesigning && PtInRect(&vi->BorderRect, P)) {
    const bool anyButton = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
    if (!anyButton)
      vi->CheckBoxState = ecsHot;
    else if (Shift.Contains(ssLeft) && (Button == vxmbLeft || prevCheckState == ecsPressed))
      vi->CheckBoxState = ecsPressed;
    else
      vi->CheckBoxState = ecsNormal;
  } else {
    vi->CheckBoxState = IsCheckPressed ? ecsPressed : ecsNormal;
  }
  CalculateCheckFocusRect(ACanvas, vi);
  if (IsInplace() && vi->CheckBoxBorderStyle == ebsSingle)
    vi->BorderColor =
        vi->CheckBoxState == ecsHot || (IsDesigning && vi->CheckBoxState != ecsDisabled) ? clHighlight : clBtnShadow;
}

void TvxCustomCheckBoxViewData::EditValueToDrawValue(TvxCanvas* ACanvas, const Variant& AEditValue,
                                                     TvxCustomEditViewInfo* AViewInfo) {
  auto* vi = static_cast<TvxCustomCheckBoxViewInfo*>(AViewInfo);
  vi->State = PreviewMode ? cbsChecked : EditValueToCheckState(CheckProperties(), AEditValue);
  if (IsInplace() && !CheckProperties()->ShowCaptionInplace()) vi->Text.clear();
  CalculateCheckFocusRect(ACanvas, vi);
}

TSize TvxCustomCheckBoxViewData::GetEditConstantPartSize(TvxCanvas* ACanvas,
                                                         const TvxEditSizeProperties& AEditSizeProperties,
                                                         TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo) {
  std::unique_ptr<TvxCustomEditViewInfo> temp;
  if (!AViewInfo) {
    temp.reset(Properties()->CreateViewInfo());
    AViewInfo = temp.get();
    Calculate(ACanvas, TRect{0, 0, 10000, 10000}, TPoint{-1, -1}, vxmbNone, TShiftState{}, AViewInfo, false);
  }
  TSize size = TvxCustomEditViewData::GetEditConstantPartSize(ACanvas, AEditSizeProperties, MinContentSize, AViewInfo);
  auto* vi = static_cast<TvxCustomCheckBoxViewInfo*>(AViewInfo);
  Integer width = vi->CheckBoxRect.right - vi->CheckBoxRect.left;
  Integer height = vi->CheckBoxRect.bottom - vi->CheckBoxRect.top;
  const String caption = CheckBox() ? StripAccelerators(CheckBox()->Caption()) : String();
  ACanvas->SetFont(Style()->GetVisibleFont());
  if (IsInplace()) {
    if (vi->Alignment != taCenter && !caption.empty())
      width = ACanvas->TextWidth(caption) + (vi->Bounds.right - vi->Bounds.left) -
              (vi->TextRect.right - vi->TextRect.left);
    else
      width += 4;
    height += (1 - vi->CheckBorderOffset) * 2;
  } else {
    height += 4;
  }
  const String text = vi->Alignment == taCenter || IsInplace() ? String(L"Gg") : caption;
  if (!text.empty()) {
    TRect r{0, 0, 10000, 10000};
    ACanvas->TextExtent(text, r, GetCheckDrawTextFlags(vi->Alignment) & ~(vxtfCenterY | vxtfCenterX));
    Integer textHeight = r.bottom - r.top;
    if (IsTextDrawnDisabled(vi)) ++textHeight;
    if (!IsInplace() && vi->Alignment != taCenter) width += (r.right - r.left) + 3 + 2;
    height = std::max(height, textHeight);
  }
  size.cx += width;
  size.cy += height;
  return size;
}

// --- Check box control -------------------------------------------------------------------------

namespace {
// A weak link to an object for the length of a scope: a handler may free the control.
class TLinkScope {
 public:
  explicit TLinkScope(TObject* AObject) : FLink(vxAddObjectLink(AObject)) {}
  ~TLinkScope() { vxRemoveObjectLink(FLink); }
  TLinkScope(const TLinkScope&) = delete;
  TLinkScope& operator=(const TLinkScope&) = delete;
  bool Alive() const { return FLink && FLink->Ref; }

 private:
  TvxObjectLink* FLink;
};
}  // namespace

std::unique_ptr<TvxCustomEditProperties> TvxCustomCheckBox::CreateProperties() {
  return std::make_unique<TvxCustomCheckBoxProperties>(this);
}

std::unique_ptr<TvxCustomEditProperties> TvxCheckBox::CreateProperties() {
  return std::make_unique<TvxCheckBoxProperties>(this);
}

const TMessageMap* TvxCustomCheckBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_LBUTTONUP, MessageHandler<&TvxCustomCheckBox::WMLButtonUp>},
      {CM_DIALOGCHAR, MessageHandler<&TvxCustomCheckBox::CMDialogChar>},
      {CM_PARENTCOLORCHANGED, MessageHandler<&TvxCustomCheckBox::CMParentColorChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxCustomCheckBox::Initialize() {
  inherited::Initialize();
  // The box keeps the size it is given: its layout does not measure the caption.
  SetAutoSize(false);
  ControlStyle().Exclude(csDoubleClicks);
  SetWidth(121);
  SetHeight(21);
  LockChangeEvents(true);
  LockClick(true);
  InternalSetEditValue(Properties()->PrepareEditValue(Variant(0)), false);
  LockClick(false);
  LockChangeEvents(false, false);
  ViewInfo()->State = State();
}

TvxCheckBoxState TvxCustomCheckBox::State() { return EditValueToCheckState(Properties(), EditValue()); }

void TvxCustomCheckBox::SetState(TvxCheckBoxState Value) {
  if (ComponentState().Contains(csLoading)) {
    FLoadingState = Value;
    FIsLoadingStateAssigned = true;
    return;
  }
  if (Value == State()) return;
  SetInternalEditValue(Properties()->PrepareEditValue(Variant(static_cast<int>(Value))));
}

void TvxCustomCheckBox::InternalSetEditValue(const Variant& Value, bool AValidateEditValue) {
  const TvxCheckBoxState before = State();
  inherited::InternalSetEditValue(Value, AValidateEditValue);
  const TvxCheckBoxState after = State();
  if (after != before && ViewInfo()) {
    ViewInfo()->State = after;
    Invalidate();
    Click();
    NotifyChange();
  }
  ShortRefreshContainer(false);
}

void TvxCustomCheckBox::PropertiesChanged(TObject* Sender) {
  TvxCustomCheckBoxProperties* props = Properties();
  if (props->IsCaptionAssigned()) {
    SetCaption(props->Caption());
    props->ClearCaptionAssigned();
  }
  const TvxCheckBoxState s = State();
  if (ViewInfo() && ViewInfo()->State != s) {
    ViewInfo()->State = s;
    Invalidate();
    if (!AreChangeEventsLocked()) {
      Click();
      NotifyChange();
    }
  }
  inherited::PropertiesChanged(Sender);
}

void TvxCustomCheckBox::Toggle() {
  LockChangeEvents(true);
  FKeyboardAction = true;
  switch (State()) {
    case cbsUnchecked: SetState(Properties()->AllowGrayed() ? cbsGrayed : cbsChecked); break;
    case cbsChecked: SetState(cbsUnchecked); break;
    case cbsGrayed: SetState(cbsChecked); break;
  }
  FKeyboardAction = false;
  LockChangeEvents(false);
  if (Properties()->ImmediatePost() && CanPostEditValue() && ValidateEdit(true)) InternalPostEditValue(false);
}

void TvxCustomCheckBox::Loaded() {
  FIsLoaded = true;
  LockChangeEvents(true);
  LockClick(true);
  inherited::Loaded();
  if (FIsLoadingStateAssigned)
    SetState(FLoadingState);
  else if (!IsDataStorage())
    SetState(cbsUnchecked);
  FIsLoadingStateAssigned = false;
  LockClick(false);
  LockChangeEvents(false, false);
  FIsLoaded = false;
}

void TvxCustomCheckBox::GetBorderRect(TRect& R) {
  if (!Properties()->ShowCaptionInplace() && IsNativeStyle() && Style()->TransparentBorder()) {
    R = TRect{0, 0, Width(), Height()};
    InflateRect(&R, -2, -2);
    return;
  }
  inherited::GetBorderRect(R);
}

TvxContainerStyleValues TvxCustomCheckBox::GetNotPublishedStyleValues() {
  TvxContainerStyleValues values = inherited::GetNotPublishedStyleValues();
  values.Include(csvEdges);
  return values;
}

bool TvxCustomCheckBox::DependsOnParentBackground() {
  return IsNativeStyle() && ControlStyle().Contains(csParentBackground) && !IsInplace() && !Transparent();
}

bool TvxCustomCheckBox::RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift,
                                          bool AIsMouseEvent) {
  TvxCustomCheckBoxViewInfo* vi = ViewInfo();
  const TvxEditCheckState prev = vi->CheckBoxState;
  std::unique_ptr<TvxCustomEditViewData> base(CreateViewData());
  auto* vd = static_cast<TvxCustomCheckBoxViewData*>(base.get());
  // The caption comes from the control even though a check box has no inner edit.
  vd->Edit = this;
  vd->IsCheckPressed = FIsCheckPressed;
  vd->NativeStyle = IsNativeStyle();
  vd->Calculate(Canvas(), TRect{0, 0, Width(), Height()}, P, AButton, AShift, vi, AIsMouseEvent);
  vd->EditValueToDrawValue(Canvas(), EditValue(), vi);
  vi->Transparent = vi->Transparent || IsTransparent();
  InvalidateRect(TRect{0, 0, Width(), Height()}, false);
  if (vi->ContainerState.Contains(csHotTrack)) vxBeginMouseTracking(this, Bounds(), this);
  // Only a mouse press released over the box toggles; a keyboard press ends in the key
  // handlers or is dropped when the focus leaves.
  if (AIsMouseEvent) ButtonStateChanged(prev);
  return true;
}

void TvxCustomCheckBox::ButtonStateChanged(TvxEditCheckState APrevState) {
  if (APrevState == ecsPressed && ViewInfo()->CheckBoxState == ecsHot) Toggle();
}

TRect TvxCustomCheckBox::CheckBoxRect() {
  CheckViewInfo();
  return ViewInfo()->CheckBoxRect;
}

TvxEditCheckState TvxCustomCheckBox::CheckBoxState() {
  CheckViewInfo();
  return ViewInfo()->CheckBoxState;
}

void TvxCustomCheckBox::SetCheckBoxState(TvxEditCheckState Value) {
  TvxCustomCheckBoxViewInfo* vi = ViewInfo();
  if (vi->CheckBoxState == Value) return;
  vi->CheckBoxState = Value;
  vi->Repaint(this, nullptr);
}

void TvxCustomCheckBox::Paint() {
  CheckViewInfo();
  TvxCanvas* canvas = Canvas();
  TvxCustomCheckBoxViewInfo* vi = ViewInfo();
  if (vi->Transparent) vxDrawTransparentControlBackground(this, canvas, vi->Bounds);
  vi->Paint(canvas);
}

void TvxCustomCheckBox::ProcessKeyDown(Word& Key, TShiftState Shift) {
  inherited::ProcessKeyDown(Key, Shift);
  if (Key == VK_SPACE && !IsInplace()) {
    const TvxEditCheckState cs = CheckBoxState();
    if (cs != ecsPressed && cs != ecsDisabled) {
      FIsCheckPressed = true;
      SetCheckBoxState(ecsPressed);
      ShortRefreshContainer(false);
    }
    Key = 0;
  }
}

void TvxCustomCheckBox::ProcessKeyPress(wchar_t& Key) {
  inherited::ProcessKeyPress(Key);
  if (Key == L' ' && IsInplace() && CheckBoxState() < ecsPressed) {
    Toggle();
    Key = 0;
  }
}

void TvxCustomCheckBox::ProcessKeyUp(Word& Key, TShiftState Shift) {
  inherited::ProcessKeyUp(Key, Shift);
  if (Key == VK_SPACE && FIsCheckPressed && ViewInfo()->CheckBoxState == ecsPressed) {
    FIsCheckPressed = false;
    SetCheckBoxState(ecsNormal);
    Toggle();
  }
}

void TvxCustomCheckBox::DoExit() {
  // Focus lost while space is held: the press is dropped without toggling.
  if (FIsCheckPressed) {
    FIsCheckPressed = false;
    SetCheckBoxState(ecsNormal);
  }
  inherited::DoExit();
}

void TvxCustomCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TLinkScope link(this);
  inherited::MouseDown(Button, Shift, X, Y);
  // The base refreshes only while the mouse is tracked; the face must show the press.
  if (link.Alive()) RefreshContainer(TPoint{X, Y}, vxMouseButtonToVx(Button), Shift, true);
}

void TvxCustomCheckBox::WMLButtonUp(TMessage& Message) {
  // Clicks come from state changes only, never from the runtime's own click.
  ControlState().Exclude(csClicked);
  InheritedMessage(Message);
}

void TvxCustomCheckBox::CMDialogChar(TCMDialogChar& Message) {
  const wchar_t hotkey = GetHotkey(Caption());
  if (hotkey != 0 && hotkey == towupper(static_cast<wchar_t>(Message.CharCode())) && CanFocus()) {
    SetFocus();
    if (Focused()) Toggle();
    Message.Result = 1;
    return;
  }
  InheritedMessage(Message);
}

void TvxCustomCheckBox::CMParentColorChanged(TMessage& Message) {
  InheritedMessage(Message);
  if (IsNativeStyle() && ControlStyle().Contains(csParentBackground)) Invalidate();
}

void TvxCustomCheckBox::TextChanged() {
  inherited::TextChanged();
  if (ViewInfo()) ViewInfo()->Text = Caption();
  ShortRefreshContainer(false);
  Invalidate();
}

void TvxCheckBox::DeclarePublished(TPublisher<TvxCheckBox>& P) {
  using C = TvxCheckBox;
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"Caption", [](C* E) { return E->Caption(); }, [](C* E, const String& V) { E->SetCaption(V); });
  P.Property(L"Checked", [](C* E) { return E->Checked(); }, [](C* E, bool V) { E->SetChecked(V); })
      .Stored([](C*) { return false; });
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  P.Property(L"Properties", [](C* E) { return E->Properties(); },
             [](C* E, TvxCheckBoxProperties* V) { E->SetProperties(V); });
  P.Property(L"State", [](C* E) { return E->State(); }, [](C* E, TvxCheckBoxState V) { E->SetState(V); })
      .Default(cbsUnchecked);
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"StyleDisabled", &TvxContainer::StyleDisabled, &TvxContainer::SetStyleDisabled);
  P.Property(L"StyleFocused", &TvxContainer::StyleFocused, &TvxContainer::SetStyleFocused);
  P.Property(L"StyleHot", &TvxContainer::StyleHot, &TvxContainer::SetStyleHot);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Transparent", &C::Transparent, &C::SetTransparent).Default(false);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

// --- Filter helper -------------------------------------------------------------------------------

void TvxFilterCheckBoxHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                   TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  inherited::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* combo = dynamic_cast<TvxCustomComboBoxProperties*>(AProperties);
  auto* check = dynamic_cast<TvxCustomCheckBoxProperties*>(AEditProperties);
  if (!combo || !check) return;
  TStringList* items = combo->Items();
  items->Clear();
  items->Add(check->GetDisplayText(check->ValueChecked()));
  items->Add(check->GetDisplayText(check->ValueUnchecked()));
  combo->SetDropDownListStyle(lsFixedList);
  combo->SetIDefaultValuesProvider(nullptr);
}

void TvxFilterCheckBoxHelper::GetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties,
                                             Variant& V, String& S) const {
  auto* check = dynamic_cast<TvxCustomCheckBoxProperties*>(AEditProperties);
  auto* combo = dynamic_cast<TvxCustomTextEdit*>(AEdit);
  if (!check || !combo) {
    inherited::GetFilterValue(AEdit, AEditProperties, V, S);
    return;
  }
  switch (combo->ItemIndex()) {
    case 0: V = check->ValueChecked(); break;
    case 1: V = check->ValueUnchecked(); break;
    default:
      V = Null();
      S = String();
      return;
  }
  S = check->GetDisplayText(V);
}

void TvxFilterCheckBoxHelper::SetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties,
                                             const Variant& AValue) const {
  auto* check = dynamic_cast<TvxCustomCheckBoxProperties*>(AEditProperties);
  auto* combo = dynamic_cast<TvxCustomTextEdit*>(AEdit);
  if (!check || !combo) return;
  Variant state;
  check->PrepareDisplayValue(AValue, state, false);
  // Checked is the first item, unchecked the second; grayed selects none.
  const Integer s = state.AsInteger();
  combo->SetItemIndex(s == 1 ? 0 : s == 0 ? 1 : -1);
}

namespace {
void InitCheckBox() {
  BuildCheckMarkMask();
  RegisterClass(TvxCheckBox::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxCheckBoxProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryCheckBoxItem));
  GetFilterEditsController()->Register(TvxCheckBoxProperties::StaticClass(), TvxFilterCheckBoxHelper::Class());
}
void FinCheckBox() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxCheckBoxProperties::StaticClass(), TvxFilterCheckBoxHelper::Class());
  UnRegisterClass(TvxCheckBox::StaticClass());
  FreeCheckMarkMask();
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxCheckBoxProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxCheckBoxUnit = {L"vxCheckBox", InitCheckBox, FinCheckBox};
