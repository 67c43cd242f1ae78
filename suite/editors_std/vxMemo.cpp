#include "vxMemo.h"

#include "vxEditConsts.h"
#include "vxScrollBar.h"

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

// --- Lines -------------------------------------------------------------------------------------------

namespace {
std::vector<String> SplitText(const String& AText) {
  std::vector<String> Result;
  size_t Start = 0;
  for (size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] != L'\r' && AText[I] != L'\n') continue;
    Result.push_back(AText.substr(Start, I - Start));
    if (AText[I] == L'\r' && I + 1 < AText.size() && AText[I + 1] == L'\n') ++I;
    Start = I + 1;
  }
  if (Start < AText.size()) Result.push_back(AText.substr(Start));
  return Result;
}

String JoinText(const std::vector<String>& ALines) {
  String Result;
  for (const String& L : ALines) {
    Result += L;
    Result += L"\r\n";
  }
  return Result;
}
}  // namespace

HWND TvxMemoLines::Window() const {
  TvxCustomInnerMemo* Inner = FMemo->InnerMemo();
  return Inner && Inner->HandleAllocated() ? Inner->Handle() : nullptr;
}

void TvxMemoLines::Check(Integer Index, Integer Max) const {
  if (Index < 0 || Index > Max) throw EStringListError(L"List index out of bounds (%d)", {Index});
}

Integer TvxMemoLines::GetCount() const {
  if (FBuffered) return static_cast<Integer>(FBuffer.size());
  HWND W = Window();
  if (!W) return static_cast<Integer>(SplitText(FMemo->InnerMemo() ? FMemo->InnerMemo()->Text() : L"").size());
  // The control counts an empty last line; the list does not.
  Integer N = static_cast<Integer>(SendMessageW(W, EM_GETLINECOUNT, 0, 0));
  const LRESULT LastStart = SendMessageW(W, EM_LINEINDEX, static_cast<WPARAM>(N - 1), 0);
  if (N > 0 && SendMessageW(W, EM_LINELENGTH, static_cast<WPARAM>(LastStart), 0) == 0) --N;
  return N;
}

String TvxMemoLines::Get(Integer Index) const {
  if (FBuffered) {
    Check(Index, static_cast<Integer>(FBuffer.size()) - 1);
    return FBuffer[static_cast<size_t>(Index)];
  }
  HWND W = Window();
  if (!W) {
    const std::vector<String> L = Snapshot();
    Check(Index, static_cast<Integer>(L.size()) - 1);
    return L[static_cast<size_t>(Index)];
  }
  Check(Index, GetCount() - 1);
  const LRESULT Start = SendMessageW(W, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
  const Integer Length = static_cast<Integer>(SendMessageW(W, EM_LINELENGTH, static_cast<WPARAM>(Start), 0));
  // EM_GETLINE takes the buffer size in its first word.
  std::vector<wchar_t> Buffer(static_cast<size_t>(std::max(Length, 1)) + 1, L'\0');
  Buffer[0] = static_cast<wchar_t>(Buffer.size() - 1);
  const LRESULT Got = SendMessageW(W, EM_GETLINE, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Buffer.data()));
  return String(Buffer.data(), static_cast<size_t>(std::min<LRESULT>(Got, Length)));
}

std::vector<String> TvxMemoLines::Snapshot() const {
  if (FBuffered) return FBuffer;
  TvxCustomInnerMemo* Inner = FMemo->InnerMemo();
  return SplitText(Inner ? Inner->Text() : L"");
}

void TvxMemoLines::Write(const std::vector<String>& ALines) {
  if (FBuffered) {
    FBuffer = ALines;
    return;
  }
  FMemo->SetText(JoinText(ALines));
}

void TvxMemoLines::SetUpdateState(bool Updating) {
  if (Updating) {
    FBuffer = Snapshot();
    FBuffered = true;
  } else if (FBuffered) {
    FBuffered = false;
    std::vector<String> L;
    L.swap(FBuffer);
    Write(L);
  }
}

void TvxMemoLines::Clear() { Write({}); }

void TvxMemoLines::Delete(Integer Index) {
  if (FBuffered) {
    Check(Index, static_cast<Integer>(FBuffer.size()) - 1);
    FBuffer.erase(FBuffer.begin() + Index);
    return;
  }
  std::vector<String> L = Snapshot();
  Check(Index, static_cast<Integer>(L.size()) - 1);
  L.erase(L.begin() + Index);
  Write(L);
}

void TvxMemoLines::Insert(Integer Index, const String& S) {
  if (FBuffered) {
    Check(Index, static_cast<Integer>(FBuffer.size()));
    FBuffer.insert(FBuffer.begin() + Index, S);
    return;
  }
  std::vector<String> L = Snapshot();
  Check(Index, static_cast<Integer>(L.size()));
  L.insert(L.begin() + Index, S);
  Write(L);
}

void TvxMemoLines::Put(Integer Index, const String& S) {
  if (FBuffered) {
    Check(Index, static_cast<Integer>(FBuffer.size()) - 1);
    FBuffer[static_cast<size_t>(Index)] = S;
    return;
  }
  std::vector<String> L = Snapshot();
  Check(Index, static_cast<Integer>(L.size()) - 1);
  L[static_cast<size_t>(Index)] = S;
  Write(L);
}

String TvxMemoLines::GetTextStr() const {
  if (FBuffered) return JoinText(FBuffer);
  TvxCustomInnerMemo* Inner = FMemo->InnerMemo();
  return Inner ? Inner->Text() : String();
}

void TvxMemoLines::SetTextStr(const String& Value) {
  if (FBuffered) FBuffer = SplitText(Value);
  else FMemo->SetText(Value);
}

// --- Inner control ------------------------------------------------------------------------------------------

TvxCustomInnerMemo::TvxCustomInnerMemo(TComponent* AOwner) : TvxCustomInnerTextEdit(AOwner) {
  SetHelper(std::make_unique<TvxCustomInnerMemoHelper>(this));
}

TvxCustomMemo* TvxCustomInnerMemo::Memo() { return dynamic_cast<TvxCustomMemo*>(Container()); }

// --- Inner control helper ---------------------------------------------------------------------------------------

TvxCustomInnerMemoHelper::TvxCustomInnerMemoHelper(TvxCustomInnerMemo* AEdit)
    : TvxCustomInnerTextEditHelper(AEdit), FMemoEdit(AEdit) {}

void TvxCustomInnerMemoHelper::SetEditValue(const Variant& Value) {
  TvxCustomMemo* memo = FMemoEdit->Memo();
  if (!memo || !FMemoEdit->HandleAllocated()) {
    FMemoEdit->SetText(VarToStr(Value));
    return;
  }
  auto events = vxLockChangeEvents(memo);
  if (memo->IsInplace() && memo->ActiveProperties()->WordWrap()) FMemoEdit->SetText(String());
  FMemoEdit->SetText(VarToStr(Value));
}

TPoint TvxCustomInnerMemoHelper::GetCaretPos() {
  TvxCustomMemo* memo = FMemoEdit->Memo();
  return memo ? memo->CaretPos() : TPoint{};
}

void TvxCustomInnerMemoHelper::SetCaretPos(const TPoint& Value) {
  if (TvxCustomMemo* memo = FMemoEdit->Memo()) memo->SetCaretPos(Value);
}

TStrings* TvxCustomInnerMemoHelper::GetLines() {
  TvxCustomMemo* memo = FMemoEdit->Memo();
  return memo ? memo->Lines() : nullptr;
}

// The line settings live in the memo's properties, which make the inner window anew
// when a window style changes.
#define ZS_MEMO_SETTING(AType, AName, ADefault)                                            \
  AType TvxCustomInnerMemoHelper::Get##AName() {                                           \
    TvxCustomMemo* memo = FMemoEdit->Memo();                                               \
    return memo ? memo->ActiveProperties()->AName() : ADefault;                            \
  }                                                                                        \
  void TvxCustomInnerMemoHelper::Set##AName(AType Value) {                                 \
    if (TvxCustomMemo* memo = FMemoEdit->Memo()) memo->ActiveProperties()->Set##AName(Value); \
  }
ZS_MEMO_SETTING(TScrollStyle, ScrollBars, ssNone)
ZS_MEMO_SETTING(bool, WantReturns, true)
ZS_MEMO_SETTING(bool, WantTabs, false)
ZS_MEMO_SETTING(bool, WordWrap, true)
#undef ZS_MEMO_SETTING

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

void TvxCustomMemo::ReadState(TReader* Reader) {
  inherited::ReadState(Reader);
  // The lines were read while loading, when the text edit keeps its value as it is.
  if (FLines->Count() == 0) return;
  Variant value;
  PrepareEditValue(InternalGetText(), value, InternalFocused());
  StoreEditValue(value);
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

TPoint TvxCustomMemo::CaretPos() {
  TvxCustomInnerMemo* Inner = InnerMemo();
  if (!Inner || !Inner->HandleAllocated()) return {0, 0};
  DWORD Start = 0, End = 0;
  SendMessageW(Inner->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
  const Integer Line = static_cast<Integer>(SendMessageW(Inner->Handle(), EM_LINEFROMCHAR, End, 0));
  const Integer LineStart = static_cast<Integer>(SendMessageW(Inner->Handle(), EM_LINEINDEX, static_cast<WPARAM>(Line), 0));
  return {static_cast<Integer>(End) - LineStart, Line};
}

void TvxCustomMemo::SetCaretPos(const TPoint& Value) {
  TvxCustomInnerMemo* Inner = InnerMemo();
  if (!Inner || !Inner->HandleAllocated()) return;
  const LRESULT Start = SendMessageW(Inner->Handle(), EM_LINEINDEX, static_cast<WPARAM>(Value.y), 0);
  if (Start < 0) return;
  const LPARAM Pos = static_cast<LPARAM>(Start + Value.x);
  SendMessageW(Inner->Handle(), EM_SETSEL, static_cast<WPARAM>(Pos), Pos);
}

void TvxCustomMemo::KeyDown(Word& Key, TShiftState Shift) {
  // In a cell, Enter that makes a line break (Ctrl+Enter without WantReturns) is the
  // editor's own key rather than the framework's.
  const bool WantReturns = ActiveProperties()->WantReturns();
  if (IsInplace() && Key == VK_RETURN &&
      ((Shift.Contains(ssCtrl) && !WantReturns) || (!Shift.Contains(ssCtrl) && WantReturns))) {
    ProcessKeyDown(Key, Shift);
    return;
  }
  inherited::KeyDown(Key, Shift);
}

void TvxCustomMemo::ProcessKeyDown(Word& Key, TShiftState Shift) {
  inherited::ProcessKeyDown(Key, Shift);
  if (Key == 'A' && Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt) &&
      FLines->Count() > 0) {
    if (TvxCustomInnerMemo* Inner = InnerMemo(); Inner && Inner->HandleAllocated())
      SendMessageW(Inner->Handle(), EM_SETSEL, 0, -1);
    DoAfterKeyDown(Key, Shift);
    Key = 0;
  }
}

void TvxMemoProperties::DeclarePublished(TPublisher<TvxMemoProperties>& P) {
  using C = TvxMemoProperties;
  P.Property(L"AssignedValues", &C::AssignedValues,
             [](C* E, TvxTextEditPropertiesValues* V) { E->SetAssignedValues(V); });
  P.Property(L"AutoSelect", &C::AutoSelect, &C::SetAutoSelect).Default(false);
  P.Property(L"CharCase", &C::CharCase, &C::SetCharCase).Default(ecNormal);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"ImeMode", &C::ImeMode, &C::SetImeMode).Default(imDontCare);
  P.Property(L"ImeName", &C::ImeName, &C::SetImeName).Stored([](C* E) { return !E->ImeName().empty(); });
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Stored([](C* E) {
    return E->AssignedValues()->MaxLength();
  });
  P.Property(L"OEMConvert", &C::OEMConvert, &C::SetOEMConvert).Default(false);
  P.Property(L"ScrollBars", &C::ScrollBars, &C::SetScrollBars).Default(ssNone);
  P.Property(L"VisibleLineCount", &C::VisibleLineCount, &C::SetVisibleLineCount).Default(0);
  P.Property(L"WantReturns", &C::WantReturns, &C::SetWantReturns).Default(true);
  P.Property(L"WantTabs", &C::WantTabs, &C::SetWantTabs).Default(false);
  P.Property(L"WordWrap", &C::WordWrap, &C::SetWordWrap).Default(true);
}

void TvxMemo::DeclarePublished(TPublisher<TvxMemo>& P) {
  using C = TvxMemo;
  P.Property(L"Enabled", [](C* E) { return E->Enabled(); }, [](C* E, bool V) { E->SetEnabled(V); }).Default(true);
  P.Property(L"Lines", [](C* E) { return E->Lines(); }, [](C* E, TStrings* V) { E->SetLines(V); });
  P.Property(L"ParentColor", [](C* E) { return E->ParentColor(); }, [](C* E, bool V) { E->SetParentColor(V); })
      .Default(false);
  P.Property(L"ParentFont", [](C* E) { return E->ParentFont(); }, [](C* E, bool V) { E->SetParentFont(V); });
  P.Property(L"Properties", [](C* E) { return static_cast<TvxMemoProperties*>(E->Properties()); },
             [](C* E, TvxMemoProperties* V) { E->Properties()->Assign(V); });
  P.Property(L"ShowHint", [](C* E) { return E->ShowHint(); }, [](C* E, bool V) { E->SetShowHint(V); })
      .Default(false);
  vxDeclareEditStylesPublished(P);
  P.Property(L"TabOrder", [](C* E) { return E->TabOrder(); }, [](C* E, Integer V) { E->SetTabOrder(V); });
  P.Property(L"TabStop", [](C* E) { return E->TabStop(); }, [](C* E, bool V) { E->SetTabStop(V); }).Default(true);
  P.Property(L"Visible", [](C* E) { return E->Visible(); }, [](C* E, bool V) { E->SetVisible(V); }).Default(true);
}

TvxCustomEditViewData* TvxCustomMemoProperties::CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace,
                                                                bool APreviewMode) {
  auto* result = new TvxCustomMemoViewData(this, AStyle, AIsInplace);
  result->PreviewMode = APreviewMode;
  return result;
}

TvxCustomEditViewInfo* TvxCustomMemoProperties::CreateViewInfo() { return new TvxCustomMemoViewInfo(); }

TSize TvxCustomMemoViewData::GetEditConstantPartSize(TvxCanvas* ACanvas,
                                                     const TvxEditSizeProperties& AEditSizeProperties,
                                                     TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo) {
  TSize size = inherited::GetEditConstantPartSize(ACanvas, AEditSizeProperties, MinContentSize, AViewInfo);
  TvxCustomMemoProperties* props = MemoProperties();
  if (Edit && (props->ScrollBars() == ssHorizontal || props->ScrollBars() == ssBoth))
    size.cy += vxGetDefaultScrollBarSize().cy;
  if (props->VisibleLineCount() > 0) {
    ACanvas->SetFont(Style()->GetVisibleFont());
    const Integer h = GetEditContentSizeCorrection().cy + ACanvas->TextHeight(L"Zg") * props->VisibleLineCount();
    if (MinContentSize.cy < h) MinContentSize.cy = h;
  }
  return size;
}

TClass TvxFilterMemoHelper::GetFilterEditClass() const { return TvxTextEdit::StaticClass(); }

TvxFilterControlOperators TvxFilterMemoHelper::GetSupportedFilterOperators(TvxCustomEditProperties*,
                                                                           TvxValueTypeClass, bool) const {
  return TvxFilterControlOperators{fcoLike, fcoNotLike, fcoBlanks, fcoNonBlanks};
}

namespace {
void InitMemo() {
  RegisterClass(TvxMemo::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxMemoProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryMemoItem));
  GetFilterEditsController()->Register(TvxMemoProperties::StaticClass(), TvxFilterMemoHelper::Class());
}
void FinMemo() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxMemoProperties::StaticClass(), TvxFilterMemoHelper::Class());
  UnRegisterClass(TvxMemo::StaticClass());
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxMemoProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxMemoUnit = {L"vxMemo", InitMemo, FinMemo};
