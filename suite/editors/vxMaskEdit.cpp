#include "vxMaskEdit.h"

#include <algorithm>

#include "vxEditConsts.h"

namespace {

String Res(const TResStringRec& ARec) { return LoadResString(&ARec); }

}  // namespace

// ---- Base mode.

TvxCustomMaskEditProperties* TvxMaskEditCustomMode::ActiveModeProperties() const {
  return FEdit ? FEdit->ActiveProperties() : FProperties;
}

void TvxMaskEditCustomMode::BeepOnError() {
  TvxCustomMaskEditProperties* p = ActiveModeProperties();
  if (!p || !p->BeepOnError()) return;
  if (FEdit)
    FEdit->MaskBeep();
  else
    MessageBeep(0);
}

void TvxMaskEditCustomMode::SynchronizeEditValue() {
  if (!FEdit) return;
  Variant display;
  if (FEdit->ModifiedAfterEnter())
    display = GetFormattedText(FEdit->EditText(), true);
  else
    ActiveModeProperties()->PrepareDisplayValue(FEdit->EditValue(), display, FEdit->InternalFocused());
  FEdit->SetModeDisplayText(VarToStr(display), FEdit->SelStart());
}

// ---- Standard mode: fixed positions; the caret is shown as a one-character overwrite
// selection.

void TvxMaskEditStandardMode::Compile(const String& AMask) {
  FEditMask = AMask;
  if (!TvxCustomMaskEditProperties::IsBlankMask(AMask))
    FMask.Compile(AMask);
  else
    FMask.Compile(L"");
  FNeedUpdateEditValue = !IsEditAttached();
}

String TvxMaskEditStandardMode::GetFormattedText(const String& AText, bool AMatchForBlanksAndLiterals) {
  String t = AText;
  return FMask.Format(t, true, AMatchForBlanksAndLiterals);
}

String TvxMaskEditStandardMode::GetUpdatedText(const String& AText, bool AMatchForBlanksAndLiterals) {
  if (FMask.Count() == 0) return AText;
  String t = AText;
  TvxCustomMaskEditProperties* p = ActiveModeProperties();
  FMask.Format(t, !p || p->CharCase() == ecNormal, AMatchForBlanksAndLiterals);
  return FMask.Format2(t);
}

bool TvxMaskEditStandardMode::IsFullValidText(const String& AText) {
  if (FMask.IsFullValid(AText)) return true;
  TvxCustomMaskEditProperties* p = ActiveModeProperties();
  return p && p->IgnoreMaskBlank() && AText == GetFormattedText(L"", true);
}

bool TvxMaskEditStandardMode::IsCursorBegin() {
  Integer k = 0;
  while (k < FMask.Count() && FMask.IsLiteral(k)) ++k;
  return FEdit->SelStart() <= k && (FEdit->SelLength() < 2 || FEdit->CursorPos() == FEdit->SelStart());
}

bool TvxMaskEditStandardMode::IsCursorEnd() {
  return FEdit->SelStart() == static_cast<Integer>(FEdit->EditText().size());
}

void TvxMaskEditStandardMode::LMouseDown() {
  if (!FEdit || !FEdit->HandleAllocated() || !FEdit->ActiveProperties()->IsMasked()) return;
  if (FEdit->SelLength() == 0) FEdit->SetInternalSelection(FEdit->SelStart(), 1);
}

void TvxMaskEditStandardMode::MoveCaret(Integer APosition) {
  FEdit->SetInternalSelection(APosition, 0);
  LMouseDown();
}

bool TvxMaskEditStandardMode::PressDelete() {
  const Integer start = FEdit->SelStart(), length = FEdit->SelLength();
  if (length == 0) return false;
  String text = FEdit->EditText();
  for (Integer i = start; i < start + length && i < static_cast<Integer>(text.size()); ++i)
    if (i < FMask.Count() && !FMask.IsLiteral(i)) text[static_cast<size_t>(i)] = GetBlank(i);
  FEdit->SetModeDisplayText(text, start);
  LMouseDown();
  return false;
}

bool TvxMaskEditStandardMode::PressBackSpace() {
  if (FEdit->SelLength() <= 1) PressLeft();
  PressDelete();
  return false;
}

bool TvxMaskEditStandardMode::PressHome() {
  if (FEdit->ShiftOn()) return true;
  MoveCaret(0);
  if (FMask.IsLiteral(0)) PressRight();
  return false;
}

bool TvxMaskEditStandardMode::PressEnd() {
  if (FEdit->ShiftOn()) return true;
  FEdit->SetInternalSelection(static_cast<Integer>(FEdit->EditText().size()), 0);
  return false;
}

bool TvxMaskEditStandardMode::PressLeft() {
  const Integer start = FEdit->SelStart(), length = FEdit->SelLength();
  const Integer textLength = static_cast<Integer>(FEdit->EditText().size());
  if (FEdit->ShiftOn()) {
    if (length == 1) FEdit->SetInternalSelection(start + 1, 0);
    return true;
  }
  if (length >= 2) {
    // To the selection's start, over its leading literals (over all of them only when the
    // selection reaches the end of the text).
    const Integer end = start + length;
    Integer p = start;
    while (p < end && FMask.IsLiteral(p) && (p + 1 < end || end == textLength)) ++p;
    MoveCaret(p);
    return false;
  }
  Integer p = start - 1;
  while (p >= 0 && FMask.IsLiteral(p)) --p;
  if (p >= 0) MoveCaret(p);
  return false;
}

bool TvxMaskEditStandardMode::PressRight() {
  const Integer start = FEdit->SelStart(), length = FEdit->SelLength();
  const Integer textLength = static_cast<Integer>(FEdit->EditText().size());
  if (FEdit->ShiftOn()) {
    if (length == 1 && FEdit->CursorPos() == start) FEdit->SetInternalSelection(start, 0);
    return true;
  }
  if (length < 2) {
    Integer p = start + 1;
    while (p < textLength && FMask.IsLiteral(p)) ++p;
    if (p <= textLength) MoveCaret(p);
    return false;
  }
  Integer p = start + length;
  if (p != textLength)
    while (p - 1 > start && FMask.IsLiteral(p - 1)) --p;
  MoveCaret(std::max(start, p - 1));
  return false;
}

bool TvxMaskEditStandardMode::PressSymbol(Char& AChar) {
  const String text = FEdit->EditText();
  const Integer pos = FEdit->SelStart();
  // Nothing at the end of the text or past the last position.
  if (text.empty() || pos >= static_cast<Integer>(text.size()) || pos >= FMask.Count()) return false;
  if (FMask.IsLiteral(pos)) {
    FEdit->SetShiftOn(false);
    if (FEdit->SelLength() > 1) PressDelete();
    PressRight();
    if (FEdit->SelStart() != pos) return PressSymbol(AChar);
    return false;
  }
  Char c = AChar;
  if (!FMask.Items(pos).Check(c)) return false;
  if (!FEdit->CanAcceptMaskChar(c, pos + 1)) return false;
  if (c == 0) {
    BeepOnError();
    return false;
  }
  AChar = c;
  if (FEdit->SelLength() > 1) PressDelete();
  String t = FEdit->EditText();
  t[static_cast<size_t>(pos)] = c;
  FEdit->SetModeDisplayText(t, pos);
  FEdit->SetShiftOn(false);
  FEdit->SetInternalSelection(pos, 0);
  PressRight();
  return false;
}

bool TvxMaskEditStandardMode::ReplaceSelection(const String& AText) {
  // Pasting overwrites: each character goes to the next position that takes it.
  String text = FEdit->EditText();
  const Integer start = FEdit->SelStart();
  Integer pos = start;
  bool placed = false;
  for (Char typed : AText) {
    for (Integer p = pos; p < FMask.Count() && p < static_cast<Integer>(text.size()); ++p) {
      Char c = typed;
      if (FMask.Items(p).Check(c)) {
        if (!FMask.IsLiteral(p)) {
          if (!FEdit->CanAcceptMaskChar(c, p + 1) || c == 0) continue;
          text[static_cast<size_t>(p)] = c;
          placed = true;
        }
        pos = p + 1;
        break;
      }
      if (!FMask.IsLiteral(p) && (typed == FMask.Blank() || typed == L' ')) {
        text[static_cast<size_t>(p)] = FMask.Blank();
        placed = true;
        pos = p + 1;
        break;
      }
    }
  }
  // Nothing fits: the text stays as it was.
  if (!placed) return false;
  Integer caret = start + static_cast<Integer>(AText.size());
  const Integer textLength = static_cast<Integer>(text.size());
  if (caret >= textLength) caret = textLength - 1;
  if (caret < 0) caret = 0;
  FEdit->SetModeDisplayText(text, caret);
  FEdit->SetInternalSelection(caret, 0);
  if (FMask.IsLiteral(caret)) {
    FEdit->SetShiftOn(false);
    PressRight();
  } else {
    LMouseDown();
  }
  return true;
}

void TvxMaskEditStandardMode::SynchronizeEditValue() {
  TvxMaskEditCustomMode::SynchronizeEditValue();
  LMouseDown();
}

void TvxMaskEditStandardMode::UpdateEditValue() {
  if (!FNeedUpdateEditValue || !FEdit) return;
  FEdit->SetInternalEditValue(GetEmptyString());
  FNeedUpdateEditValue = false;
}

// ---- Regular-expression mode.

TvxMaskEditRegExprMode::TvxMaskEditRegExprMode(TvxCustomMaskEdit* AEdit, TvxCustomMaskEditProperties* AProperties)
    : TvxMaskEditCustomMode(AEdit, AProperties) {
  SetRegExprCaseInsensitive();
}

void TvxMaskEditRegExprMode::SetRegExprCaseInsensitive() {
  if (TvxCustomMaskEditProperties* p = ActiveModeProperties()) FRegExpr.SetCaseInsensitive(p->CaseInsensitive());
}

void TvxMaskEditRegExprMode::Compile(const String& AMask) {
  FEditMask = AMask;
  if (TvxCustomMaskEditProperties::IsBlankMask(AMask)) return;
  try {
    FRegExpr.Compile(AMask);
  } catch (const EvxRegExprError& e) {
    String message = Res(svxMaskEditRegExprError);
    for (Integer i = 0; i < e.Errors().Count(); ++i) message += L"\r\n" + e.Errors()[i].FullMessage();
    throw EvxMaskEditError(message);
  }
}

size_t TvxMaskEditRegExprMode::Accepted(const String& AText) {
  if (!FRegExpr.IsCompiled()) return 0;
  const bool update = FRegExpr.UpdateOn();
  FRegExpr.SetUpdateOn(false);
  TScopeExit restore([&] { FRegExpr.SetUpdateOn(update); });
  FRegExpr.Reset();
  size_t n = 0;
  for (Char c : AText) {
    if (!FRegExpr.Next(c)) break;
    ++n;
  }
  return n;
}

String TvxMaskEditRegExprMode::GetFormattedText(const String& AText, bool) {
  if (!FRegExpr.IsCompiled()) return L"";
  FRegExpr.Reset();
  return FRegExpr.NextEx(AText);
}

bool TvxMaskEditRegExprMode::IsFullValidText(const String& AText) {
  if (AText.empty()) return true;
  if (!FRegExpr.IsCompiled()) return false;
  TvxRegExpr scratch;
  FRegExpr.CompileInto(scratch);
  for (Char c : AText)
    if (!scratch.Next(c)) return false;
  TvxCustomMaskEditProperties* p = ActiveModeProperties();
  return (p && p->IgnoreMaskBlank()) || scratch.IsFinal();
}

bool TvxMaskEditRegExprMode::IsCursorBegin() { return FEdit->SelStart() == 0; }

bool TvxMaskEditRegExprMode::IsCursorEnd() {
  return FEdit->SelStart() == static_cast<Integer>(FEdit->EditText().size());
}

String TvxMaskEditRegExprMode::Compose(const String& AHead, const String& ATail, Integer& ACaret) {
  ACaret = static_cast<Integer>(AHead.size());
  return Fits(AHead + ATail) ? AHead + ATail : AHead;
}

void TvxMaskEditRegExprMode::Apply(const String& AText, Integer ACaret) {
  FEdit->SetModeDisplayText(AText, ACaret);
  FEdit->SetInternalSelection(ACaret, 0);
}

bool TvxMaskEditRegExprMode::DeleteSelection() {
  const String text = FEdit->EditText();
  const size_t start = static_cast<size_t>(FEdit->SelStart());
  const size_t length = static_cast<size_t>(FEdit->SelLength());
  Integer caret;
  const String t = Compose(text.substr(0, start), text.substr(std::min(text.size(), start + length)), caret);
  Apply(t, caret);
  return false;
}

bool TvxMaskEditRegExprMode::PressSymbol(Char& AChar) {
  if (!FRegExpr.IsCompiled()) return false;
  const String text = FEdit->EditText();
  const size_t start = static_cast<size_t>(FEdit->SelStart());
  const size_t length = static_cast<size_t>(FEdit->SelLength());
  const String head = text.substr(0, start);
  if (Accepted(head) != head.size()) {
    BeepOnError();
    return false;
  }
  Char c = AChar;
  FRegExpr.Reset();
  FRegExpr.NextEx(head);
  if (!FRegExpr.Next(c)) {
    // Rejected: the text and the selection stay.
    BeepOnError();
    return false;
  }
  AChar = c;
  Integer caret;
  const String t = Compose(head + c, text.substr(std::min(text.size(), start + length)), caret);
  Apply(t, caret);
  return false;
}

bool TvxMaskEditRegExprMode::PressBackSpace() {
  if (FEdit->SelLength() > 0) return DeleteSelection();
  const Integer start = FEdit->SelStart();
  if (start == 0) return false;
  const String text = FEdit->EditText();
  Integer caret;
  const String t = Compose(text.substr(0, static_cast<size_t>(start - 1)), text.substr(static_cast<size_t>(start)), caret);
  Apply(t, caret);
  return false;
}

bool TvxMaskEditRegExprMode::PressDelete() {
  if (FEdit->SelLength() > 0) return DeleteSelection();
  const String text = FEdit->EditText();
  const size_t start = static_cast<size_t>(FEdit->SelStart());
  if (start >= text.size()) return false;
  Integer caret;
  const String t = Compose(text.substr(0, start), text.substr(start + 1), caret);
  Apply(t, caret);
  return false;
}

bool TvxMaskEditRegExprMode::ReplaceSelection(const String& AText) {
  if (!FRegExpr.IsCompiled()) return false;
  const String text = FEdit->EditText();
  const size_t start = static_cast<size_t>(FEdit->SelStart());
  const size_t length = static_cast<size_t>(FEdit->SelLength());
  String head = text.substr(0, start);
  if (Accepted(head) != head.size()) return false;
  FRegExpr.Reset();
  FRegExpr.NextEx(head);
  // Keeps what the pattern takes of AText, in order.
  String taken;
  for (Char ch : AText) {
    Char c = ch;
    if (FRegExpr.Next(c)) taken += c;
  }
  if (taken.empty() && !AText.empty()) return false;
  Integer caret;
  const String t = Compose(head + taken, text.substr(std::min(text.size(), start + length)), caret);
  Apply(t, caret);
  return true;
}

// ---- Extended regular-expression mode: forced characters are typed automatically and
// the caret passes over them.

void TvxMaskEditRegExprExMode::Compile(const String& AMask) {
  TvxMaskEditRegExprMode::Compile(AMask);
  FNeedUpdateEditValue = !IsEditAttached();
}

String TvxMaskEditRegExprExMode::ForcedAfter(const String& AText) {
  if (Accepted(AText) != AText.size()) return L"";
  String r;
  FRegExpr.Reset();
  FRegExpr.NextEx(AText);
  String forced;
  const TvxSymbolUpdateEvent old = FRegExpr.OnSymbolUpdate;
  FRegExpr.OnSymbolUpdate = [&forced](Char C) { forced += C; };
  TScopeExit restore([&] {
    FRegExpr.OnSymbolUpdate = old;
    FRegExpr.SetUpdateOn(false);
  });
  FRegExpr.SetUpdateOn(true);  // collects the forced run due now
  return forced;
}

std::vector<bool> TvxMaskEditRegExprExMode::ForcedFlags(const String& AText) {
  std::vector<bool> r(AText.size(), false);
  if (!FRegExpr.IsCompiled()) return r;
  FRegExpr.SetUpdateOn(false);
  FRegExpr.Reset();
  for (size_t i = 0; i < AText.size(); ++i) {
    Char forced;
    r[i] = FRegExpr.ForcedChar(forced) && forced == AText[i];
    Char c = AText[i];
    if (!FRegExpr.Next(c)) break;
  }
  return r;
}

size_t TvxMaskEditRegExprExMode::ForcedPrefixLength(const String& AText) {
  const std::vector<bool> flags = ForcedFlags(AText);
  size_t n = 0;
  while (n < flags.size() && flags[n]) ++n;
  return n;
}

String TvxMaskEditRegExprExMode::GetEmptyString() {
  if (!FRegExpr.IsCompiled()) return L"";
  return ForcedAfter(L"");
}

String TvxMaskEditRegExprExMode::GetFormattedText(const String& AText, bool AMatch) {
  if (!FRegExpr.IsCompiled()) return L"";
  const String base = TvxMaskEditRegExprMode::GetFormattedText(AText, AMatch);
  return base + ForcedAfter(base);
}

bool TvxMaskEditRegExprExMode::IsFullValidText(const String& AText) {
  if (FRegExpr.IsCompiled() && AText == GetEmptyString()) return true;
  return TvxMaskEditRegExprMode::IsFullValidText(AText);
}

void TvxMaskEditRegExprExMode::UpdateEditValue() {
  if (!FNeedUpdateEditValue || !FEdit) return;
  FEdit->SetInternalEditValue(GetEmptyString());
  FNeedUpdateEditValue = false;
}

String TvxMaskEditRegExprExMode::Compose(const String& AHead, const String& ATail, Integer& ACaret) {
  String head = AHead;
  String text;
  if (!ATail.empty() && Fits(head + ATail)) {
    text = head + ATail;
  } else {
    text = head;
  }
  text += ForcedAfter(text);
  // The caret passes the forced run that follows the head.
  const std::vector<bool> flags = ForcedFlags(text);
  size_t caret = head.size();
  while (caret < text.size() && flags[caret]) ++caret;
  ACaret = static_cast<Integer>(caret);
  return text;
}

bool TvxMaskEditRegExprExMode::PressSymbol(Char& AChar) {
  const String text = FEdit->EditText();
  const size_t prefix = ForcedPrefixLength(text);
  // A selection from the start keeps the forced prefix.
  if (FEdit->SelStart() < static_cast<Integer>(prefix) && FEdit->SelLength() > 0) {
    const Integer end = FEdit->SelStart() + FEdit->SelLength();
    FEdit->SetInternalSelection(static_cast<Integer>(prefix), std::max<Integer>(0, end - static_cast<Integer>(prefix)));
  }
  return TvxMaskEditRegExprMode::PressSymbol(AChar);
}

bool TvxMaskEditRegExprExMode::PressBackSpace() {
  const String text = FEdit->EditText();
  const size_t prefix = ForcedPrefixLength(text);
  if (FEdit->SelLength() > 0) {
    if (FEdit->SelStart() < static_cast<Integer>(prefix)) {
      const Integer end = FEdit->SelStart() + FEdit->SelLength();
      FEdit->SetInternalSelection(static_cast<Integer>(prefix), std::max<Integer>(0, end - static_cast<Integer>(prefix)));
    }
    return DeleteSelection();
  }
  // The character before the caret goes together with the forced run before the caret.
  const std::vector<bool> flags = ForcedFlags(text);
  size_t k = static_cast<size_t>(FEdit->SelStart());
  while (k > 0 && flags[k - 1]) --k;
  if (k == 0) {
    BeepOnError();
    return false;
  }
  --k;
  Integer caret;
  const String t = Compose(text.substr(0, k), text.substr(static_cast<size_t>(FEdit->SelStart())), caret);
  Apply(t, caret);
  return false;
}

bool TvxMaskEditRegExprExMode::PressDelete() {
  const String text = FEdit->EditText();
  const size_t prefix = ForcedPrefixLength(text);
  if (FEdit->SelLength() > 0) return PressBackSpace();
  const size_t start = static_cast<size_t>(FEdit->SelStart());
  if (start >= text.size()) return false;
  if (start < prefix) {
    BeepOnError();
    return false;
  }
  // The character at the caret goes together with the forced run after it.
  const std::vector<bool> flags = ForcedFlags(text);
  size_t end = start + 1;
  while (end < text.size() && flags[end]) ++end;
  Integer caret;
  const String t = Compose(text.substr(0, start), text.substr(end), caret);
  Apply(t, static_cast<Integer>(start));
  (void)caret;
  return false;
}

bool TvxMaskEditRegExprExMode::PressLeft() {
  if (FEdit->ShiftOn()) return true;
  const String text = FEdit->EditText();
  const Integer start = FEdit->SelStart();
  if (FEdit->SelLength() > 0) {
    FEdit->SetInternalSelection(start, 0);
    return false;
  }
  const std::vector<bool> flags = ForcedFlags(text);
  size_t k = static_cast<size_t>(start);
  while (k > 0 && flags[k - 1]) --k;
  if (k > 0 && k == static_cast<size_t>(start)) --k;
  FEdit->SetInternalSelection(static_cast<Integer>(k), 0);
  return false;
}

bool TvxMaskEditRegExprExMode::PressRight() {
  if (FEdit->ShiftOn()) return true;
  const String text = FEdit->EditText();
  const Integer start = FEdit->SelStart();
  if (FEdit->SelLength() > 0) {
    FEdit->SetInternalSelection(start + FEdit->SelLength(), 0);
    return false;
  }
  const std::vector<bool> flags = ForcedFlags(text);
  size_t k = static_cast<size_t>(start);
  if (k < text.size()) ++k;
  while (k < text.size() && flags[k]) ++k;
  FEdit->SetInternalSelection(static_cast<Integer>(k), 0);
  return false;
}

// ---- Properties.

TvxCustomMaskEditProperties::TvxCustomMaskEditProperties(TPersistent* AOwner) : TvxCustomTextEditProperties(AOwner) {
  SetValidateOnEnter(true);
}

TvxCustomMaskEditProperties::~TvxCustomMaskEditProperties() = default;

bool TvxCustomMaskEditProperties::IsBlankMask(const String& AMask) {
  return std::all_of(AMask.begin(), AMask.end(),
                     [](Char C) { return C == L' ' || C == 0 || C == 9 || C == 10 || C == 12 || C == 13; });
}

TvxMaskEditCustomMode* TvxCustomMaskEditProperties::CreateMode(TvxEditMaskKind AKind, TvxCustomMaskEdit* AEdit) {
  switch (AKind) {
    case emkRegExpr: return new TvxMaskEditRegExprMode(AEdit, this);
    case emkRegExprEx: return new TvxMaskEditRegExprExMode(AEdit, this);
    default: return new TvxMaskEditStandardMode(AEdit, this);
  }
}

TvxMaskEditCustomMode* TvxCustomMaskEditProperties::FormattingMode() {
  if (!IsMasked()) return nullptr;
  if (!FTempMode || FTempMode->ModeMaskKind() != FMaskKind || FTempMode->EditMask() != FEditMask) {
    FTempMode.reset(CreateMode(FMaskKind, nullptr));
    FTempMode->Compile(FEditMask);
  }
  return FTempMode.get();
}

void TvxCustomMaskEditProperties::SetEditMask(const String& Value) {
  if (Value == FEditMask) return;
  if (!IsBlankMask(Value)) {
    std::unique_ptr<TvxMaskEditCustomMode> check(CreateMode(FMaskKind, nullptr));
    check->Compile(Value);  // a bad mask raises here; the old one stays
  }
  FEditMask = Value;
  FTempMode.reset();
  Changed();
}

void TvxCustomMaskEditProperties::SetMaskKind(TvxEditMaskKind Value) {
  if (Value == FMaskKind) return;
  // Standard masks and regular expressions do not read each other.
  if ((Value == emkStandard) != (FMaskKind == emkStandard)) FEditMask.clear();
  FMaskKind = Value;
  FTempMode.reset();
  Changed();
}

void TvxCustomMaskEditProperties::SetAlwaysShowBlanksAndLiterals(bool Value) {
  if (Value == FAlwaysShowBlanksAndLiterals) return;
  FAlwaysShowBlanksAndLiterals = Value;
  Changed();
}

void TvxCustomMaskEditProperties::SetCaseInsensitive(bool Value) {
  FCaseInsensitive = Value || CharCase() != ecNormal;
  FTempMode.reset();
  Changed();
}

void TvxCustomMaskEditProperties::SetCharCase(TEditCharCase Value) {
  if (Value != ecNormal) FCaseInsensitive = true;
  TvxCustomTextEditProperties::SetCharCase(Value);
}

void TvxCustomMaskEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TvxCustomMaskEditProperties*>(Source);
  if (!source) {
    TvxCustomTextEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  TvxCustomTextEditProperties::Assign(Source);
  FMaskKind = source->FMaskKind;
  FEditMask = source->FEditMask;
  FCaseInsensitive = source->FCaseInsensitive;
  FIgnoreMaskBlank = source->FIgnoreMaskBlank;
  FAlwaysShowBlanksAndLiterals = source->FAlwaysShowBlanksAndLiterals;
  FTempMode.reset();
  Changed();
}

TClass TvxCustomMaskEditProperties::GetContainerClass() { return TvxMaskEdit::StaticClass(); }

bool TvxCustomMaskEditProperties::IsEditValueValid(Variant& EditValue, bool AEditFocused) {
  return IsMasked() || TvxCustomTextEditProperties::IsEditValueValid(EditValue, AEditFocused);
}

void TvxCustomMaskEditProperties::MaxLengthChanged() {
  if (!IsMasked()) {
    TvxCustomTextEditProperties::MaxLengthChanged();
    return;
  }
  if (FMaxLengthSetting) return;
  TValueScope<bool> guard(FMaxLengthSetting, true);
  BeginUpdate();
  TScopeExit end([this] { EndUpdate(); });
  SetMaxLength(0);
}

void TvxCustomMaskEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue,
                                                      bool AEditFocused) {
  TvxMaskEditCustomMode* mode = FormattingMode();
  if (!mode) {
    TvxCustomTextEditProperties::PrepareDisplayValue(AEditValue, DisplayValue, AEditFocused);
    return;
  }
  const String text = VarIsNull(AEditValue) ? String() : VarToStr(AEditValue);
  if (AEditFocused || mode->ModeMaskKind() != emkStandard || FAlwaysShowBlanksAndLiterals)
    DisplayValue = mode->GetFormattedText(text, false);
  else
    DisplayValue = mode->GetUpdatedText(text, false);
}

void TvxCustomMaskEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       TvxCustomEdit* AEdit) {
  auto* edit = dynamic_cast<TvxCustomMaskEdit*>(AEdit);
  if (!AError && IsMasked() && edit && edit->Mode() && !edit->Mode()->IsFullValidText(VarToStr(ADisplayValue))) {
    AError = true;
    AErrorText = Res(svxMaskEditInvalidEditValue);
  }
  TvxCustomTextEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

// ---- The control.

TvxCustomMaskEdit::~TvxCustomMaskEdit() = default;

void TvxCustomMaskEdit::Initialize() {
  TvxCustomTextEdit::Initialize();
  FMode.reset(new TvxMaskEditStandardMode(this, nullptr));
  FShiftOn = false;
  RefreshEmptyString();
}

void TvxCustomMaskEdit::RefreshEmptyString() {
  if (FMode) ActiveProperties()->FEmptyString = FMode->GetEmptyString();
}

void TvxCustomMaskEdit::RecreateMode() {
  TvxCustomMaskEditProperties* p = ActiveProperties();
  if (!FMode || FMode->ModeMaskKind() != p->MaskKind()) FMode.reset(p->CreateMode(p->MaskKind(), this));
  FMode->Compile(p->EditMask());
  RefreshEmptyString();
}

void TvxCustomMaskEdit::PropertiesChanged(TObject* Sender) {
  TvxCustomMaskEditProperties* p = ActiveProperties();
  const bool kindChanged = !FMode || FMode->ModeMaskKind() != p->MaskKind();
  const bool maskChanged = kindChanged || FMode->EditMask() != p->EditMask();
  if (maskChanged) RecreateMode();
  if (auto* re = dynamic_cast<TvxMaskEditRegExprMode*>(FMode.get())) re->SetRegExprCaseInsensitive();
  TvxCustomTextEdit::PropertiesChanged(Sender);
  if (maskChanged && p->IsMasked() && !IsLoadingOrDestroying()) {
    FMode->UpdateEditValue();
    SynchronizeDisplayValue();
  }
  FMode->FCharCase = p->CharCase();
  FMode->FEchoMode = p->EchoMode();
  FText = FMode->GetUpdatedText(InternalGetText(), true);
}

void TvxCustomMaskEdit::SynchronizeDisplayValue() {
  TvxCustomTextEdit::SynchronizeDisplayValue();
  if (FMode && IsMasked() && HandleAllocated() && InternalFocused()) FMode->LMouseDown();
}

void TvxCustomMaskEdit::SetInternalSelection(Integer AStart, Integer ALength) {
  TValueScope<bool> internal(FInternalTextSelection, true);
  SetSelection(AStart, ALength);
}

void TvxCustomMaskEdit::SetModeDisplayText(const String& AText, Integer ACaret) {
  if (AText != InternalGetText()) {
    TValueScope<bool> internal(FInternalTextSelection, true);
    SetInternalDisplayValue(AText);
    SetModifiedAfterEnter(true);
  }
  SetInternalSelection(ACaret, 0);
}

void TvxCustomMaskEdit::SetEditText(const String& Value) {
  if (!IsMasked()) {
    SetInternalDisplayValue(Value);
    return;
  }
  const String display = FMode->GetFormattedText(Value, true);
  SetInternalDisplayValue(display);
  SetInternalEditValue(FMode->GetUpdatedText(display, true));
}

void TvxCustomMaskEdit::ChangeHandler(TObject* Sender) {
  if (FMode) FText = FMode->GetUpdatedText(InternalGetText(), true);
  TvxCustomTextEdit::ChangeHandler(Sender);
}

void TvxCustomMaskEdit::PrepareEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) {
  TvxCustomMaskEditProperties* p = ActiveProperties();
  if (!p->IsMasked() || !FMode) {
    TvxCustomTextEdit::PrepareEditValue(ADisplayValue, AEditValue, AEditFocused);
    return;
  }
  AEditValue = FMode->GetUpdatedText(VarToStr(ADisplayValue), true);
}

void TvxCustomMaskEdit::InternalApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  if (!IsMasked() || IsLoadingOrDestroying()) {
    TvxCustomTextEdit::InternalApplyValidatedDisplayValue(ADisplayValue);
    return;
  }
  Variant display;
  ActiveProperties()->PrepareDisplayValue(FMode->GetUpdatedText(VarToStr(ADisplayValue), true), display,
                                          InternalFocused());
  TvxCustomTextEdit::InternalApplyValidatedDisplayValue(display);
}

void TvxCustomMaskEdit::InnerEditSelChanged(TObject* Sender) {
  TvxCustomTextEdit::InnerEditSelChanged(Sender);
  if (!FInternalTextSelection && FMode && IsMasked()) FMode->LMouseDown();
}

void TvxCustomMaskEdit::DblClick() {
  if (FMode && IsMasked()) FMode->GotoEnd();
  TvxCustomTextEdit::DblClick();
}

void TvxCustomMaskEdit::DoEnter() {
  if (FMode && IsMasked() && ActiveProperties()->AutoSelect()) FMode->GotoEnd();
  TvxCustomTextEdit::DoEnter();
}

void TvxCustomMaskEdit::ProcessKeyDown(Word& Key, TShiftState Shift) {
  if (!IsMasked() || !FMode || IsClearOrClickKey(Key, Shift)) {
    TvxCustomTextEdit::ProcessKeyDown(Key, Shift);
    return;
  }
  if (Key == VK_TAB) {
    TvxCustomTextEdit::ProcessKeyDown(Key, Shift);
    return;
  }
  const bool modifies = Key == VK_DELETE;
  if (modifies && !DoEditing()) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  FShiftOn = Shift.Contains(ssShift);
  bool pass = true;
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
      if (!HasPopupWindow()) {
        DoAfterKeyDown(Key, Shift);
        Key = 0;
        return;
      }
      break;
    case VK_LEFT:
      if (Shift.Contains(ssCtrl)) {
        pass = FMode->PressHome();
      } else {
        const bool begin = FMode->IsCursorBegin();
        pass = FMode->PressLeft();
        if (!pass && begin) DoAfterKeyDown(Key, Shift);
      }
      break;
    case VK_RIGHT:
      if (Shift.Contains(ssCtrl)) {
        pass = FMode->PressEnd();
      } else {
        const bool end = FMode->IsCursorEnd();
        pass = FMode->PressRight();
        if (!pass && end) DoAfterKeyDown(Key, Shift);
      }
      break;
    case VK_DELETE:
      if (FShiftOn && SelLength() == 0)
        pass = FMode->PressBackSpace();
      else if (FShiftOn) {
        CutToClipboard();
        pass = false;
      } else
        pass = FMode->PressDelete();
      break;
    case VK_HOME:
      pass = FMode->PressHome();
      break;
    case VK_END:
      pass = FMode->PressEnd();
      break;
    default:
      break;
  }
  if (!pass) {
    Key = 0;
    return;
  }
  TvxCustomTextEdit::ProcessKeyDown(Key, Shift);
}

void TvxCustomMaskEdit::ProcessKeyPress(wchar_t& Key) {
  if (!IsMasked() || !FMode) {
    TvxCustomTextEdit::ProcessKeyPress(Key);
    return;
  }
  if (Key == 9 || Key == 27) {
    Key = 0;
    return;
  }
  if (Key == 13) return;
  if (Key == 3 || Key == 22 || Key == 24) {
    TvxCustomTextEdit::ProcessKeyPress(Key);
    return;
  }
  if (Key != 8 && !IsValidChar(Key)) {
    Key = 0;
    return;
  }
  if (!DoEditing()) {
    Key = 0;
    return;
  }
  Char c = Key;
  const bool pass = Key == 8 ? FMode->PressBackSpace() : FMode->PressSymbol(c);
  Key = pass ? c : 0;
}

void TvxCustomMaskEdit::SetSelText(const String& Value) {
  if (!IsMasked() || !FMode) {
    TvxCustomTextEdit::SetSelText(Value);
    return;
  }
  FMode->ReplaceSelection(Value);
}

void TvxCustomMaskEdit::PasteFromClipboard() {
  if (!IsMasked() || !FMode) {
    TvxCustomTextEdit::PasteFromClipboard();
    return;
  }
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return;
  String clip;
  {
    TScopeExit close([] { CloseClipboard(); });
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
        clip = p;
        GlobalUnlock(h);
      }
    }
  }
  if (Focused() && !DoEditing()) return;
  FMode->ReplaceSelection(clip);
}

void TvxCustomMaskEdit::CutToClipboard() {
  if (!IsMasked() || !FMode) {
    TvxCustomTextEdit::CutToClipboard();
    return;
  }
  if (SelLength() == 0) return;
  if (Focused() && !DoEditing()) return;
  CopyToClipboard();
  FMode->PressDelete();
}

// ---- Form files.

void TvxMaskEditProperties::DeclarePublished(TPublisher<TvxMaskEditProperties>& P) {
  using C = TvxMaskEditProperties;
  P.Property(L"AlwaysShowBlanksAndLiterals", &C::AlwaysShowBlanksAndLiterals, &C::SetAlwaysShowBlanksAndLiterals)
      .Default(false);
  P.Property(L"AssignedValues", &C::AssignedValues,
             [](C* E, TvxTextEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"CaseInsensitive", &C::CaseInsensitive, &C::SetCaseInsensitive).Default(true);
  P.Property(L"CharCase", &C::CharCase, &C::SetCharCase).Default(ecNormal);
  P.Property(L"EchoMode", &C::EchoMode, &C::SetEchoMode).Default(eemNormal);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"IgnoreMaskBlank", &C::IgnoreMaskBlank, &C::SetIgnoreMaskBlank).Default(false);
  P.Property(L"ImeMode", &C::ImeMode, &C::SetImeMode).Default(imDontCare);
  P.Property(L"ImeName", &C::ImeName, &C::SetImeName).Stored([](C* E) { return !E->ImeName().empty(); });
  P.Property(L"IncrementalSearch", &C::IncrementalSearch, &C::SetIncrementalSearch).Default(true);
  P.Property(L"LookupItems", &C::LookupItems, [](C* E, TStringList* V) { E->SetLookupItems(V); });
  P.Property(L"LookupItemsSorted", &C::LookupItemsSorted, &C::SetLookupItemsSorted).Default(false);
  // The kind comes first: the mask is compiled by the kind's mode as it is read.
  P.Property(L"MaskKind", &C::MaskKind, &C::SetMaskKind).Default(emkStandard);
  P.Property(L"EditMask", &C::EditMask, &C::SetEditMask).Stored([](C* E) { return !E->EditMask().empty(); });
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Stored([](C* E) {
    return E->AssignedValues()->MaxLength();
  });
  P.Property(L"OEMConvert", &C::OEMConvert, &C::SetOEMConvert).Default(false);
  P.Property(L"PasswordChar", &C::PasswordChar, &C::SetPasswordChar).Default(0);
}

void TvxMaskEdit::DeclarePublished(TPublisher<TvxMaskEdit>& P) {
  vxDeclareTextEditPublished<TvxMaskEdit, TvxMaskEditProperties>(P);
}

// ---- Filter rows.

TvxFilterControlOperators TvxFilterMaskEditHelper::GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                                                TvxValueTypeClass AValueTypeClass,
                                                                                bool AExtendedSet) const {
  TvxFilterControlOperators result{fcoEqual, fcoNotEqual, fcoLess,   fcoLessEqual,
                                   fcoGreater, fcoGreaterEqual, fcoBlanks, fcoNonBlanks};
  auto* p = dynamic_cast<TvxCustomMaskEditProperties*>(AProperties);
  if (!(p && p->IsMasked()) && AValueTypeClass && AValueTypeClass->IsString()) {
    result.Include(fcoLike);
    result.Include(fcoNotLike);
  }
  if (AExtendedSet) result += TvxFilterControlOperators{fcoBetween, fcoNotBetween, fcoInList, fcoNotInList};
  return result;
}

void TvxFilterMaskEditHelper::InitializeProperties(TvxCustomEditProperties* AProperties,
                                                   TvxCustomEditProperties* AEditProperties, bool AHasButtons) const {
  TvxFilterTextEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* p = dynamic_cast<TvxCustomMaskEditProperties*>(AProperties);
  if (!p) return;
  // A filter value may be typed in part: the extended kind accepts every prefix.
  if (p->MaskKind() == emkRegExpr) {
    const String mask = p->EditMask();
    p->SetMaskKind(emkRegExprEx);
    p->SetEditMask(mask);
  }
  p->SetAutoSelect(!p->IsMasked());
}

// ---- Start-up: the mask edit joins the editors' repository list and the filter rows.

namespace {

void InitMaskEdit() {
  RegisterClass(TvxMaskEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxMaskEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryMaskItem));
  GetFilterEditsController()->Register(TvxMaskEditProperties::StaticClass(), TvxFilterMaskEditHelper::Class());
}

void FinMaskEdit() {
  UnRegisterClass(TvxMaskEdit::StaticClass());
  if (TvxFilterEditsController* c = GetFilterEditsController())
    c->Unregister(TvxMaskEditProperties::StaticClass(), TvxFilterMaskEditHelper::Class());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxMaskEditProperties::StaticClass());
}

}  // namespace

const TUnitInfo vxMaskEditUnit = {L"vxMaskEdit", InitMaskEdit, FinMaskEdit};
