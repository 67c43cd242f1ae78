#include "vxCheckBox.h"

#include <algorithm>

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
bool VarEqualsSameType(const Variant& A, const Variant& B) {
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
         (VarEqualsSameType(AEditValue, FValueChecked) || VarEqualsSameType(AEditValue, FValueUnchecked) ||
          VarEqualsSameType(AEditValue, FValueGrayed));
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
  if (!IsLoading() && (VarIsNull(Value) || VarEqualsSameType(Value, FValueChecked) ||
                       VarEqualsSameType(Value, FValueUnchecked) || VarEqualsSameType(Value, FValueGrayed)))
    return;
  FValueChecked = Value;
  Changed();
}

void TvxCustomCheckBoxProperties::SetValueUnchecked(const Variant& Value) {
  if (!IsLoading() && (VarIsNull(Value) || VarEqualsSameType(Value, FValueChecked) ||
                       VarEqualsSameType(Value, FValueUnchecked) || VarEqualsSameType(Value, FValueGrayed)))
    return;
  FValueUnchecked = Value;
  Changed();
}

void TvxCustomCheckBoxProperties::SetValueGrayed(const Variant& Value) {
  if (!IsLoading() && (VarEqualsSameType(Value, FValueChecked) || VarEqualsSameType(Value, FValueUnchecked) ||
                       VarEqualsSameType(Value, FValueGrayed)))
    return;
  FValueGrayed = Value;
  Changed();
}

void TvxCustomCheckBoxProperties::SetCheckValues(const Variant& AValueChecked, const Variant& AValueGrayed,
                                                 const Variant& AValueUnchecked) {
  if (VarIsNull(AValueChecked) || VarIsNull(AValueUnchecked) || VarEqualsSameType(AValueChecked, AValueGrayed) ||
      VarEqualsSameType(AValueChecked, AValueUnchecked) || VarEqualsSameType(AValueGrayed, AValueUnchecked))
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
  P.Property(L"GlyphCount", &C::GlyphCount, &C::SetGlyphCount).Default(6);
  P.Property(L"MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  P.Property(L"NullStyle", &C::NullStyle, &C::SetNullStyle).Default(nssGrayedChecked);
  P.Property(L"UseAlignmentWhenInplace", &C::UseAlignmentWhenInplace, &C::SetUseAlignmentWhenInplace).Default(false);
  P.Property(L"ValueChecked", [](C* E) { return E->ValueChecked(); },
             [](C* E, const Variant& V) { E->SetValueChecked(V); })
      .Stored([](C* E) { return !VarEqualsSameType(E->ValueChecked(), Variant(true)); });
  P.Property(L"ValueGrayed", [](C* E) { return E->ValueGrayed(); },
             [](C* E, const Variant& V) { E->SetValueGrayed(V); })
      .Stored([](C* E) { return !VarIsNull(E->ValueGrayed()); });
  P.Property(L"ValueUnchecked", [](C* E) { return E->ValueUnchecked(); },
             [](C* E, const Variant& V) { E->SetValueUnchecked(V); })
      .Stored([](C* E) { return !VarEqualsSameType(E->ValueUnchecked(), Variant(false)); });
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

void PaintEditCheckBox(TvxCanvas* ACanvas, const TRect& R, TvxCheckBoxState AState, TvxEditCheckState ACheckState,
                       TvxEditBorderStyle ABorderStyle, TColor ABorderColor, TColor ABackgroundColor, bool AFill,
                       bool AIsDesigning, bool AFocused, TvxCustomLookAndFeelPainterClass ASkinPainter,
                       TvxCheckBoxNullValueShowingStyle ANullStyle) {
  if (!AFill) ABackgroundColor = clNone;
  if (AState == cbsGrayed && ANullStyle == nssUnchecked) AState = cbsUnchecked;
  if (ASkinPainter) {
    if (AFill) ACanvas->FillRect(R, ABackgroundColor);
    ASkinPainter->DrawCheckButton(ACanvas, R, ButtonStateOf(ACheckState), AState);
    return;
  }
  DrawEditCheckBorder(ACanvas, R, ABorderStyle, ACheckState, ABorderColor, ABackgroundColor, AFill, AIsDesigning,
                      AFocused);
  TRect content = R;
  InflateRect(&content, -2, -2);
  if (IsFlatBorder(ABorderStyle))
    DrawFlatCheckContent(ACanvas, content, ABorderStyle, ACheckState, AState, ANullStyle);
  else
    DrawSystemCheckContent(ACanvas, content, ABorderStyle, ACheckState, AState, ANullStyle);
}

// --- Check box control -------------------------------------------------------------------------

namespace {
constexpr Integer CCheckFaceSize = 13;
}  // namespace

std::unique_ptr<TvxCustomEditProperties> TvxCustomCheckBox::CreateProperties() {
  return std::make_unique<TvxCustomCheckBoxProperties>(this);
}

std::unique_ptr<TvxCustomEditProperties> TvxCheckBox::CreateProperties() {
  return std::make_unique<TvxCheckBoxProperties>(this);
}

void TvxCustomCheckBox::Initialize() {
  inherited::Initialize();
  // The box keeps the size it is given: its layout does not measure the caption.
  SetAutoSize(false);
  ControlStyle().Exclude(csDoubleClicks);
  SetWidth(121);
  SetHeight(21);
  LockChangeEvents(true);
  InternalSetEditValue(Properties()->PrepareEditValue(Variant(0)), false);
  LockChangeEvents(false, false);
  FViewState = State();
}

TvxCheckBoxState TvxCustomCheckBox::State() { return EditValueToCheckState(Properties(), EditValue()); }

void TvxCustomCheckBox::SetState(TvxCheckBoxState Value) {
  if (ComponentState().Contains(csLoading)) {
    FLoadingState = Value;
    FIsLoadingStateAssigned = true;
    return;
  }
  if (Value == State()) return;
  InternalSetEditValue(Properties()->PrepareEditValue(Variant(static_cast<int>(Value))), false);
}

void TvxCustomCheckBox::InternalSetEditValue(const Variant& Value, bool AValidateEditValue) {
  const TvxCheckBoxState before = State();
  inherited::InternalSetEditValue(Value, AValidateEditValue);
  const TvxCheckBoxState after = State();
  if (after != before) {
    FViewState = after;
    Invalidate();
    Click();
    NotifyChange();
  }
  ShortRefreshContainer(false);
}

void TvxCustomCheckBox::PropertiesChanged(TObject* Sender) {
  const TvxCheckBoxState s = State();
  if (s != FViewState) {
    FViewState = s;
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
}

void TvxCustomCheckBox::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Invalidate();
}

TRect TvxCustomCheckBox::CheckBoxRect() {
  const Integer top = (ClientHeight() - CCheckFaceSize) / 2;
  return TRect{2, top, 2 + CCheckFaceSize, top + CCheckFaceSize};
}

TvxEditBorderStyle TvxCustomCheckBox::CheckBorderStyle() {
  switch (Style()->LookAndFeel()->Kind()) {
    case lfFlat: return ebsFlat;
    case lfUltraFlat: return ebsUltraFlat;
    case lfOffice11: return ebsOffice11;
    default: return ebs3D;
  }
}

void TvxCustomCheckBox::SetCheckBoxState(TvxEditCheckState Value) {
  if (FCheckBoxState == Value) return;
  FCheckBoxState = Value;
  TRect r = CheckBoxRect();
  if (HandleAllocated()) ::InvalidateRect(Handle(), &r, FALSE);
}

void TvxCustomCheckBox::Paint() {
  TvxCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  if (FTransparent)
    vxDrawTransparentControlBackground(this, canvas, client);
  else
    canvas->FillRect(client, Style()->Color());
  const TvxEditCheckState cs = Enabled() ? FCheckBoxState : ecsDisabled;
  TvxEditBorderStyle border = CheckBorderStyle();
  if (border == ebsFlat && (cs == ecsHot || cs == ecsPressed)) border = ebs3D;
  PaintEditCheckBox(canvas, CheckBoxRect(), FViewState, cs, border, clBtnShadow, Style()->Color(), !FTransparent,
                    ComponentState().Contains(csDesigning), Focused(), Style()->LookAndFeel()->SkinPainter(),
                    Properties()->NullStyle());
  const String caption = Caption();
  if (caption.empty()) return;
  TRect text = client;
  text.left = CheckBoxRect().right + 3;
  TCanvas* c = canvas->Canvas();
  c->SetFont(Style()->GetVisibleFont());
  SetBkMode(c->Handle(), TRANSPARENT);
  SetTextColor(c->Handle(), ColorToRGB(Enabled() ? Style()->TextColor() : clGrayText));
  std::wstring s = caption;
  DrawTextW(c->Handle(), s.data(), static_cast<int>(s.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (Focused()) {
    RECT measure = text;
    DrawTextW(c->Handle(), s.data(), static_cast<int>(s.size()), &measure,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_CALCRECT);
    InflateRect(&measure, 1, 1);
    ++measure.bottom;
    DrawFocusRect(c->Handle(), &measure);
  }
}

void TvxCustomCheckBox::ProcessKeyDown(Word& Key, TShiftState Shift) {
  inherited::ProcessKeyDown(Key, Shift);
  if (Key == VK_SPACE && FCheckBoxState != ecsPressed && Enabled()) {
    FIsCheckPressed = true;
    SetCheckBoxState(ecsPressed);
    Key = 0;
  }
}

void TvxCustomCheckBox::ProcessKeyUp(Word& Key, TShiftState Shift) {
  inherited::ProcessKeyUp(Key, Shift);
  if (Key == VK_SPACE && FIsCheckPressed) {
    FIsCheckPressed = false;
    SetCheckBoxState(ecsNormal);
    Toggle();
  }
}

void TvxCustomCheckBox::DoExit() {
  // Focus lost while space is held: the press is dropped without toggling.
  FIsCheckPressed = false;
  FIsMousePressed = false;
  SetCheckBoxState(ecsNormal);
  inherited::DoExit();
}

void TvxCustomCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft && !FIsCheckPressed) {
    FIsMousePressed = true;
    SetCheckBoxState(ecsPressed);
  }
}

void TvxCustomCheckBox::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FIsCheckPressed) return;
  const TRect client = ClientRect();
  const bool over = PtInRect(&client, POINT{X, Y});
  if (FIsMousePressed)
    SetCheckBoxState(over ? ecsPressed : ecsNormal);
  else
    SetCheckBoxState(over ? ecsHot : ecsNormal);
}

void TvxCustomCheckBox::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || !FIsMousePressed) return;
  FIsMousePressed = false;
  const TRect client = ClientRect();
  const bool over = PtInRect(&client, POINT{X, Y});
  SetCheckBoxState(over ? ecsHot : ecsNormal);
  // Released outside the box: no toggle.
  if (over) Toggle();
}

void TvxCustomCheckBox::MouseLeave(TControl* AControl) {
  inherited::MouseLeave(AControl);
  if (!FIsCheckPressed && !FIsMousePressed) SetCheckBoxState(ecsNormal);
}


namespace {
void InitCheckBox() {
  BuildCheckMarkMask();
  GetEditPropertiesRegistry()->Register(TvxCheckBoxProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryCheckBoxItem));
}
void FinCheckBox() {
  FreeCheckMarkMask();
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxCheckBoxProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxCheckBoxUnit = {L"vxCheckBox", InitCheckBox, FinCheckBox};
