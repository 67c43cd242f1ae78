#include "vxMemo.h"

// --- Properties ---------------------------------------------------------------------------------------

TvxCustomMemoProperties::TvxCustomMemoProperties(TPersistent* AOwner) : TvxCustomTextEditProperties(AOwner) {
  Alignment()->SetVert(taTopJustify);
  SetAutoSelect(false);
}

void TvxCustomMemoProperties::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TvxCustomMemoProperties*>(Source);
  if (!S) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  auto End = TScopeExit([this] { EndUpdate(); });
  inherited::Assign(Source);
  SetScrollBars(S->ScrollBars());
  SetVisibleLineCount(S->VisibleLineCount());
  SetWantReturns(S->WantReturns());
  SetWantTabs(S->WantTabs());
  SetWordWrap(S->WordWrap());
}

TClass TvxCustomMemoProperties::GetContainerClass() { return TvxMemo::StaticClass(); }

String TvxCustomMemoProperties::GetDisplayText(const Variant& AEditValue, bool AFullText, bool AIsInplace) {
  const String Text = inherited::GetDisplayText(AEditValue, false, true);
  return AFullText ? Text : MemoFirstLine(Text);
}

void TvxCustomMemoProperties::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  Changed();
}

void TvxCustomMemoProperties::SetVisibleLineCount(Integer Value) {
  if (Value < 0) Value = 0;
  if (FVisibleLineCount == Value) return;
  FVisibleLineCount = Value;
  Changed();
}

void TvxCustomMemoProperties::SetWantReturns(bool Value) {
  if (FWantReturns == Value) return;
  FWantReturns = Value;
  Changed();
}

void TvxCustomMemoProperties::SetWantTabs(bool Value) {
  if (FWantTabs == Value) return;
  FWantTabs = Value;
  Changed();
}

void TvxCustomMemoProperties::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Changed();
}

// --- Text routines ----------------------------------------------------------------------------------------

String MemoFirstLine(const String& AText) {
  constexpr size_t Limit = 250;
  const size_t N = std::min(AText.size(), Limit);
  for (size_t I = 0; I < N; ++I)
    if (AText[I] == L'\r' || AText[I] == L'\n') return AText.substr(0, I);
  return AText.substr(0, N);
}

String MemoConvertLineBreaks(const String& AText) {
  String R;
  R.reserve(AText.size());
  for (size_t I = 0; I < AText.size(); ++I) {
    const wchar_t C = AText[I];
    const wchar_t Next = I + 1 < AText.size() ? AText[I + 1] : L'\0';
    if (C == L'\r' && Next == L'\n') {
      R += L"\r\n";
      ++I;
    } else if (C == L'\n' && Next == L'\r') {
      R += L"\r\n\r\n";
      ++I;
    } else {
      R += C;
    }
  }
  return R;
}

// --- Inner control ------------------------------------------------------------------------------------------

TvxCustomMemo* TvxCustomInnerMemo::Memo() { return dynamic_cast<TvxCustomMemo*>(Container()); }

void TvxCustomInnerMemo::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  Params.Style &= ~(ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL | ES_WANTRETURN);
  TvxCustomMemo* M = Memo();
  if (!M) return;
  TvxCustomMemoProperties* P = M->ActiveProperties();
  if (P->WantReturns()) Params.Style |= ES_WANTRETURN;
  const TScrollStyle S = P->ScrollBars();
  if (S == ssHorizontal || S == ssBoth) Params.Style |= WS_HSCROLL;
  if (S == ssVertical || S == ssBoth) Params.Style |= WS_VSCROLL;
  // Without word wrap, or with a horizontal bar, lines scroll instead of wrapping.
  if (!P->WordWrap() || S == ssHorizontal || S == ssBoth) Params.Style |= ES_AUTOHSCROLL;
  Params.WindowClass.style &= ~CS_VREDRAW;
  if (!P->WordWrap() || S == ssHorizontal || S == ssBoth) Params.WindowClass.style &= ~CS_HREDRAW;
}

void TvxCustomInnerMemo::WndProc(TMessage& Message) {
  if (Message.Msg == EM_REPLACESEL && Message.LParam) {
    // Replacement text gets its LF CR pairs made into line breaks the control shows.
    const String Converted = MemoConvertLineBreaks(reinterpret_cast<const wchar_t*>(Message.LParam));
    const LPARAM Own = Message.LParam;
    Message.LParam = reinterpret_cast<LPARAM>(Converted.c_str());
    auto Restore = TScopeExit([&] { Message.LParam = Own; });
    inherited::WndProc(Message);
    return;
  }
  inherited::WndProc(Message);
}

// --- Memo -------------------------------------------------------------------------------------------------------

void TvxCustomMemo::Initialize() {
  inherited::Initialize();
  SetBounds(Left(), Top(), 185, 89);
}

void TvxCustomMemo::PropertiesChanged(TObject* Sender) {
  TvxCustomMemoProperties* P = ActiveProperties();
  TvxCustomInnerMemo* Inner = InnerMemo();
  // Scroll bars and wrapping are window styles: a change makes the edit control anew,
  // keeping its text.
  if (Inner && (P->ScrollBars() != FAppliedScrollBars || P->WordWrap() != FAppliedWordWrap)) {
    FAppliedScrollBars = P->ScrollBars();
    FAppliedWordWrap = P->WordWrap();
    if (Inner->HandleAllocated()) Inner->RecreateWnd();
  }
  inherited::PropertiesChanged(Sender);
}

Integer TvxCustomMemo::LineCount() {
  TvxCustomInnerMemo* Inner = InnerMemo();
  if (!Inner || !Inner->HandleAllocated()) return 0;
  return static_cast<Integer>(SendMessageW(Inner->Handle(), EM_GETLINECOUNT, 0, 0));
}

void TvxCustomMemo::SetSelText(const String& Value) {
  String Text = Value;
  const Integer MaxLength = ActiveProperties()->MaxLength();
  if (Focused() && MaxLength > 0) {
    const Integer Length = static_cast<Integer>(InternalGetText().size());
    const Integer Selected = std::min(SelLength(), Length);
    // What stays of the text is everything outside the selection.
    const Integer Room = MaxLength - (Length - Selected);
    if (Room < 1) return;
    if (static_cast<Integer>(Text.size()) > Room) Text.resize(static_cast<size_t>(Room));
  }
  inherited::SetSelText(Text);
}

namespace {
void InitMemo() {
  GetEditPropertiesRegistry()->Register(TvxMemoProperties::StaticClass(), L"Memo|Represents a memo editor");
}
void FinMemo() {
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxMemoProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxMemoUnit = {L"vxMemo", InitMemo, FinMemo};
