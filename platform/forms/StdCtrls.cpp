#include "StdCtrls.h"

#include <algorithm>

#include "Forms.h"

namespace {

// The classes form files may name, registered while the unit runs.
std::vector<TClass> StdCtrlsClasses() {
  return {TLabel::StaticClass(), TButton::StaticClass(), TEdit::StaticClass(),
          TMemo::StaticClass(), TListBox::StaticClass(), TScrollBar::StaticClass(),
          TGroupBox::StaticClass(), TCheckBox::StaticClass(), TRadioButton::StaticClass(),
          TComboBox::StaticClass()};
}

void InitStdCtrls() {
  for (TClass c : StdCtrlsClasses()) RegisterClass(c);
}

void DoneStdCtrls() {
  for (TClass c : StdCtrlsClasses()) UnRegisterClass(c);
}

// Child windows that get owner-draw measuring messages need a control number of their
// own (the parent finds them by it).
int NextControlId = 0x7000;

String Fetch(HWND H, UINT LenMsg, UINT GetMsg, WPARAM Index) {
  LRESULT n = SendMessageW(H, LenMsg, Index, 0);
  if (n <= 0) return {};
  String s(static_cast<size_t>(n) + 1, L'\0');
  LRESULT got = SendMessageW(H, GetMsg, Index, reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(got < 0 ? 0 : got));
  return s;
}

// Splits text at CR LF (or a lone LF) into lines; a final line break adds no line.
std::vector<String> SplitLines(const String& Text) {
  std::vector<String> r;
  size_t start = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == L'\n' || Text[i] == L'\r') {
      r.push_back(Text.substr(start, i - start));
      if (Text[i] == L'\r' && i + 1 < Text.size() && Text[i + 1] == L'\n') ++i;
      start = i + 1;
    }
  }
  if (start < Text.size()) r.push_back(Text.substr(start));
  return r;
}

String JoinLines(const std::vector<String>& Lines) {
  String r;
  for (size_t i = 0; i < Lines.size(); ++i) {
    if (i) r += L"\r\n";
    r += Lines[i];
  }
  return r;
}

}  // namespace

const TUnitInfo StdCtrlsUnit{L"StdCtrls", InitStdCtrls, DoneStdCtrls};

// =======================================================================================
// TCustomLabel

void TLabel::DeclarePublished(TPublisher<TLabel>& P) {
  using C = TLabel;
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(taLeftJustify);
  P.Property(L"AutoSize", &C::AutoSize, &C::SetAutoSize).Default(true);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"FocusControl", &C::FocusControl, &C::SetFocusControl);
  P.Property(L"Layout", &C::Layout, &C::SetLayout).Default(tlTop);
  P.Property(L"ShowAccelChar", &C::ShowAccelChar, &C::SetShowAccelChar).Default(true);
  P.Property(L"Transparent", &C::Transparent, &C::SetTransparent).Default(false);
  P.Property(L"WordWrap", &C::WordWrap, &C::SetWordWrap).Default(false);
}

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle.Include(csOpaque);
  FControlStyle.Include(csReplicatable);
  SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  AdjustBounds();
}
void TCustomLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}
void TCustomLabel::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}
void TCustomLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}
void TCustomLabel::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  if (Value) FControlStyle.Exclude(csOpaque);
  else FControlStyle.Include(csOpaque);
  Invalidate();
}
void TCustomLabel::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value) return;
  FShowAccelChar = Value;
  AdjustBounds();
  Invalidate();
}
void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl == Value) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::DoDrawText(RECT& Rect, UINT Flags) {
  String text = GetText();
  if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == L"&")))
    text = L" ";
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  HDC dc = Canvas()->Handle();
  Canvas()->SetFont(Font());
  Canvas()->Handle();
  SelectObject(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
  DrawTextW(dc, text.c_str(), -1, &Rect, Flags);
}

void TCustomLabel::Paint() {
  RECT r = ClientRect();
  if (!FTransparent) {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->FillRect(r);
  }
  UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0);
  flags |= FAlignment == taRightJustify ? DT_RIGHT : FAlignment == taCenter ? DT_CENTER : DT_LEFT;
  if (FLayout != tlTop) {
    RECT calc = r;
    DoDrawText(calc, flags | DT_CALCRECT);
    Integer h = calc.bottom - calc.top;
    if (FLayout == tlBottom) r.top = r.bottom - h;
    else r.top = (r.top + r.bottom - h) / 2;
  }
  DoDrawText(r, flags);
}

// With AutoSize the label takes its text's size, keeping the side its alignment
// anchors it by.
void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || ComponentState().Contains(csLoading)) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  String text = GetText();
  if (text.empty()) text = L" ";
  RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
  UINT flags = DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) |
               (FShowAccelChar ? 0 : DT_NOPREFIX);
  DrawTextW(dc, text.c_str(), -1, &r, flags);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  Integer x = FLeft;
  if (FAlignment == taRightJustify) x = FLeft + FWidth - r.right;
  SetBounds(x, FTop, r.right, r.bottom);
}

const TMessageMap* TCustomLabel::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_TEXTCHANGED, MessageHandler<&TCustomLabel::CMTextChanged>},
      {CM_FONTCHANGED, MessageHandler<&TCustomLabel::CMFontChanged>},
      {CM_DIALOGCHAR, MessageHandler<&TCustomLabel::CMDialogChar>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomLabel::CMTextChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::CMFontChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::CMDialogChar(TCMDialogChar& Message) {
  // The caption's hot key moves the focus to FocusControl.
  if (FFocusControl && FShowAccelChar && Enabled() && Visible() &&
      GetHotkey(GetText()) == towupper(static_cast<wchar_t>(Message.CharCode())) &&
      FFocusControl->CanFocus()) {
    FFocusControl->SetFocus();
    Message.Result = 1;
    return;
  }
  InheritedMessage(Message);
}

// =======================================================================================
// TButton

void TButton::DeclarePublished(TPublisher<TButton>& P) {
  using C = TButton;
  P.Property(L"Cancel", &C::Cancel, &C::SetCancel).Default(false);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"Default", &C::Default, &C::SetDefault).Default(false);
  P.Property(L"ModalResult", &C::ModalResult, &C::SetModalResult).Default(0);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle.Exclude(csClickEvents);  // the button's own notification clicks it
  FTabStop = true;
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  FDefault = Value;
  if (HandleAllocated())
    SendMessageW(FHandle, BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"BUTTON");
  Params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::Click() {
  if (FModalResult != mrNone)
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(FModalResult);
  inherited::Click();
}

const TMessageMap* TButton::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_COMMAND, MessageHandler<&TButton::CNCommand>},
      {CM_DIALOGKEY, MessageHandler<&TButton::CMDialogKey>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TButton::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == BN_CLICKED) Click();
}

void TButton::CMDialogKey(TCMDialogKey& Message) {
  if (((Message.CharCode() == VK_RETURN && FDefault) || (Message.CharCode() == VK_ESCAPE && FCancel)) &&
      Enabled() && Visible() && KeyDataToShiftState(Message.KeyData()).Empty()) {
    Click();
    Message.Result = 1;
    return;
  }
  InheritedMessage(Message);
}

// =======================================================================================
// TCheckBox, TRadioButton

void TCheckBox::DeclarePublished(TPublisher<TCheckBox>& P) {
  using C = TCheckBox;
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(taRightJustify);
  P.Property(L"AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed).Default(false);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  // Checked is written for a checked box, State only for a grayed one.
  P.Property(L"Checked", &C::Checked, &C::SetChecked).Default(false);
  P.Property(L"State", &C::State, &C::SetState).Default(cbUnchecked).Stored([](C* c) {
    return c->State() == cbGrayed;
  });
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
}

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle.Exclude(csClickEvents);  // the button's notification clicks it
  FTabStop = true;
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  if (HandleAllocated()) SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCheckBox::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCheckBox::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"BUTTON");
  Params.Style |= BS_3STATE;  // the control steps the state itself
  if (FAlignment == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TCheckBox::CreateWnd() {
  inherited::CreateWnd();
  SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

const TMessageMap* TCheckBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_COMMAND, MessageHandler<&TCheckBox::CNCommand>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCheckBox::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() != BN_CLICKED) return;
  switch (FState) {
    case cbUnchecked: SetState(cbChecked); break;
    case cbChecked: SetState(FAllowGrayed ? cbGrayed : cbUnchecked); break;
    case cbGrayed: SetState(cbUnchecked); break;
  }
  Click();
}

void TRadioButton::DeclarePublished(TPublisher<TRadioButton>& P) {
  using C = TRadioButton;
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(taRightJustify);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"Checked", &C::Checked, &C::SetChecked).Default(false);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(false);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle.Exclude(csClickEvents);
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (HandleAllocated()) SendMessageW(FHandle, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!Value || !Parent()) return;
  for (Integer i = 0; i < Parent()->ControlCount(); ++i)
    if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); other && other != this)
      other->SetChecked(false);
}

void TRadioButton::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TRadioButton::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"BUTTON");
  Params.Style |= BS_RADIOBUTTON;  // checked by the control, which unchecks the others
  if (FAlignment == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
  inherited::CreateWnd();
  SendMessageW(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

const TMessageMap* TRadioButton::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_COMMAND, MessageHandler<&TRadioButton::CNCommand>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TRadioButton::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() != BN_CLICKED) return;
  SetChecked(true);
  Click();
}

// =======================================================================================
// TComboBox

void TComboBox::DeclarePublished(TPublisher<TComboBox>& P) {
  using C = TComboBox;
  P.Property(L"Color", &C::Color, &C::SetColor).Default(clWindow);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
  P.Property(L"Style", &C::Style, &C::SetStyle).Default(csDropDown);
  P.Property(L"DropDownCount", &C::DropDownCount, &C::SetDropDownCount).Default(8);
  // Before the index and the text, which name an item.
  P.Property(L"Items", &C::Items, &C::SetItems);
  P.Property(L"ItemIndex", &C::ItemIndex, &C::SetItemIndex).Default(-1);
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Default(0);
  P.Property(L"Sorted", &C::Sorted, &C::SetSorted).Default(false);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"Text", &C::Text, &C::SetText).Stored([](C* c) { return c->Style() != csDropDownList; });
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnCloseUp", &C::OnCloseUp);
  P.Property(L"OnDropDown", &C::OnDropDown);
  P.Property(L"OnSelect", &C::OnSelect);
}

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(new TStringList()) {
  FControlStyle.Exclude(csClickEvents);
  FControlStyle.Exclude(csSetCaption);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  FItems->OnChange = [this](TObject* Sender) { ItemsChanged(Sender); };
  SetBounds(0, 0, 145, 21);
}

TComboBox::~TComboBox() { FItems->OnChange = nullptr; }

TStrings* TComboBox::Items() const { return FItems.get(); }
void TComboBox::SetItems(TStrings* Value) { FItems->Assign(Value); }

void TComboBox::ItemsChanged(TObject*) {
  if (FSorted) {
    FItems->OnChange = nullptr;
    TScopeExit hook([this] { FItems->OnChange = [this](TObject* Sender) { ItemsChanged(Sender); }; });
    FItems->Sort();
  }
  if (FItemIndex >= FItems->Count()) FItemIndex = -1;
  if (HandleAllocated()) FillWindow();
}

void TComboBox::FillWindow() {
  TValueScope<bool> filling(FFilling, true);
  SendMessageW(FHandle, CB_RESETCONTENT, 0, 0);
  for (Integer i = 0; i < FItems->Count(); ++i)
    SendMessageW(FHandle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FItems->Strings(i).c_str()));
  SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
  if (FStyle != csDropDownList && FItemIndex < 0) SetWindowTextW(FHandle, FText.c_str());
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TComboBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  if (FSorted) ItemsChanged(this);
}

void TComboBox::SetMaxLength(Integer Value) {
  FMaxLength = Value < 0 ? 0 : Value;
  if (HandleAllocated()) SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

Integer TComboBox::ItemIndex() {
  if (HandleAllocated()) FItemIndex = static_cast<Integer>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0));
  return FItemIndex;
}

void TComboBox::SetItemIndex(Integer Value) {
  if (Value < -1 || Value >= FItems->Count()) Value = -1;
  FItemIndex = Value;
  if (Value >= 0) FText = FItems->Strings(Value);
  if (HandleAllocated()) SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

String TComboBox::Text() {
  if (HandleAllocated()) FText = GetText();
  return FText;
}

void TComboBox::SetText(const String& Value) {
  FText = Value;
  if (FStyle == csDropDownList) {
    SetItemIndex(FItems->IndexOf(Value));
    return;
  }
  if (HandleAllocated()) SetWindowTextW(FHandle, Value.c_str());
}

void TComboBox::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"COMBOBOX");
  static constexpr DWORD Styles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST};
  Params.Style |= Styles[FStyle] | WS_VSCROLL | CBS_AUTOHSCROLL;
}

void TComboBox::CreateWnd() {
  const String text = FText;
  inherited::CreateWnd();
  SendMessageW(FHandle, CB_SETMINVISIBLE, static_cast<WPARAM>(FDropDownCount), 0);
  if (FMaxLength > 0) SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  FText = text;
  FillWindow();
}

void TComboBox::DestroyWnd() {
  FItemIndex = ItemIndex();
  FText = GetText();
  inherited::DestroyWnd();
}

const TMessageMap* TComboBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_COMMAND, MessageHandler<&TComboBox::CNCommand>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TComboBox::CNCommand(TWMCommand& Message) {
  if (FFilling) return;
  switch (Message.NotifyCode()) {
    case CBN_EDITCHANGE:
      FItemIndex = -1;
      if (OnChange) OnChange(this);
      break;
    case CBN_SELCHANGE:
      FItemIndex = static_cast<Integer>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0));
      if (FItemIndex >= 0) FText = FItems->Strings(FItemIndex);
      Click();
      if (OnSelect) OnSelect(this);
      if (OnChange) OnChange(this);
      break;
    case CBN_DROPDOWN:
      if (OnDropDown) OnDropDown(this);
      break;
    case CBN_CLOSEUP:
      if (OnCloseUp) OnCloseUp(this);
      break;
    default: break;
  }
}

// =======================================================================================
// TCustomEdit

void TEdit::DeclarePublished(TPublisher<TEdit>& P) {
  using C = TEdit;
  P.Property(L"Color", &C::Color, &C::SetColor).Default(clWindow);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
  P.Property(L"AutoSelect", &C::AutoSelect, &C::SetAutoSelect).Default(true);
  P.Property(L"BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsSingle);
  P.Property(L"CharCase", &C::CharCase, &C::SetCharCase).Default(ecNormal);
  P.Property(L"HideSelection", &C::HideSelection, &C::SetHideSelection).Default(true);
  P.Property(L"MaxLength", &C::MaxLength, &C::SetMaxLength).Default(0);
  P.Property(L"PasswordChar", [](C* c) { return static_cast<Integer>(c->PasswordChar()); },
             [](C* c, Integer v) { c->SetPasswordChar(static_cast<wchar_t>(v)); }).Default(0);
  P.Property(L"ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"Text", &C::Text, &C::SetText);
  P.Property(L"OnChange", &C::OnChange);
}

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle.Exclude(csClickEvents);
  FControlStyle.Exclude(csSetCaption);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"EDIT");
  Params.Style |= ES_AUTOHSCROLL | ES_LEFT;
  if (!FHideSelection) Params.Style |= ES_NOHIDESEL;
  if (FReadOnly) Params.Style |= ES_READONLY;
  if (FCharCase == ecUpperCase) Params.Style |= ES_UPPERCASE;
  if (FCharCase == ecLowerCase) Params.Style |= ES_LOWERCASE;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
  {
    TValueScope<bool> creating(FCreating, true);
    inherited::CreateWnd();
  }
  SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
  if (FPasswordChar) SendMessageW(FHandle, EM_SETPASSWORDCHAR, FPasswordChar, 0);
  SendMessageW(FHandle, EM_SETMODIFY, FModified, 0);
}

void TCustomEdit::DestroyWnd() {
  FModified = Modified();
  inherited::DestroyWnd();
}

void TCustomEdit::SetMaxLength(Integer Value) {
  FMaxLength = Value < 0 ? 0 : Value;
  if (HandleAllocated()) SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool Value) {
  FReadOnly = Value;
  if (HandleAllocated()) SendMessageW(FHandle, EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetPasswordChar(wchar_t Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  if (HandleAllocated()) {
    SendMessageW(FHandle, EM_SETPASSWORDCHAR, Value, 0);
    ::InvalidateRect(FHandle, nullptr, TRUE);
  }
}

// Changing the case converts the text already there, as typing would.
void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value) return;
  FCharCase = Value;
  String t = GetText();
  if (Value != ecNormal && !t.empty()) {
    CharUpperBuffW(t.data(), 0);  // keeps the buffer; converted below
    t = GetText();
    if (Value == ecUpperCase) CharUpperBuffW(t.data(), static_cast<DWORD>(t.size()));
    else CharLowerBuffW(t.data(), static_cast<DWORD>(t.size()));
    SetText(t);
  }
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (FHideSelection == Value) return;
  FHideSelection = Value;
  if (HandleAllocated()) RecreateWnd();
}

bool TCustomEdit::Modified() {
  if (HandleAllocated()) return SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0;
  return FModified;
}

void TCustomEdit::SetModified(bool Value) {
  FModified = Value;
  if (HandleAllocated()) SendMessageW(FHandle, EM_SETMODIFY, Value, 0);
}

Integer TCustomEdit::SelStart() {
  DWORD s = 0, e = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<Integer>(s);
}

void TCustomEdit::SetSelStart(Integer Value) {
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(Value), Value);
}

Integer TCustomEdit::SelLength() {
  DWORD s = 0, e = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<Integer>(e - s);
}

void TCustomEdit::SetSelLength(Integer Value) {
  Integer s = SelStart();
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(s), s + Value);
  SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
}

String TCustomEdit::SelText() {
  Integer s = SelStart(), n = SelLength();
  String t = GetText();
  if (s < 0 || static_cast<size_t>(s) > t.size()) return {};
  return t.substr(static_cast<size_t>(s), static_cast<size_t>(n));
}

void TCustomEdit::SetSelText(const String& Value) {
  SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() { SendMessageW(Handle(), EM_SETSEL, 0, -1); }
bool TCustomEdit::CanUndo() { return SendMessageW(Handle(), EM_CANUNDO, 0, 0) != 0; }
void TCustomEdit::Undo() { SendMessageW(Handle(), EM_UNDO, 0, 0); }
void TCustomEdit::ClearUndo() { SendMessageW(Handle(), EM_EMPTYUNDOBUFFER, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessageW(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::CopyToClipboard() { SendMessageW(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessageW(Handle(), WM_PASTE, 0, 0); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::DoEnter() {
  if (FAutoSelect && !(GetKeyState(VK_LBUTTON) & 0x8000)) SelectAll();
  inherited::DoEnter();
}

const TMessageMap* TCustomEdit::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_COMMAND, MessageHandler<&TCustomEdit::CNCommand>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomEdit::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == EN_CHANGE && !FCreating) Change();
}

// =======================================================================================
// TCustomMemo

namespace {

// The memo's text as lines. Every change rewrites the window's text.
class TMemoStrings : public TStrings {
  DECLARE_CLASS(TMemoStrings, TStrings)
 public:
  explicit TMemoStrings(TCustomMemo* AMemo) : FMemo(AMemo) {}
  void Clear() override { FMemo->SetText(L""); }
  void Delete(Integer Index) override {
    auto l = Lines();
    Check(Index, static_cast<Integer>(l.size()) - 1);
    l.erase(l.begin() + Index);
    FMemo->SetText(JoinLines(l) + (l.empty() ? L"" : L""));
  }
  void Insert(Integer Index, const String& S) override {
    auto l = Lines();
    Check(Index, static_cast<Integer>(l.size()));
    l.insert(l.begin() + Index, S);
    FMemo->SetText(JoinLines(l));
  }
  void Put(Integer Index, const String& S) override {
    auto l = Lines();
    Check(Index, static_cast<Integer>(l.size()) - 1);
    l[static_cast<size_t>(Index)] = S;
    FMemo->SetText(JoinLines(l));
  }
  String GetTextStr() const override { return FMemo->Text(); }
  void SetTextStr(const String& Value) override { FMemo->SetText(Value); }

 protected:
  String Get(Integer Index) const override {
    auto l = Lines();
    Check(Index, static_cast<Integer>(l.size()) - 1);
    return l[static_cast<size_t>(Index)];
  }
  Integer GetCount() const override { return static_cast<Integer>(Lines().size()); }

 private:
  std::vector<String> Lines() const { return SplitLines(FMemo->Text()); }
  static void Check(Integer Index, Integer Max) {
    if (Index < 0 || Index > Max) throw EStringListError(L"List index out of bounds (%d)", {Index});
  }
  TCustomMemo* FMemo;
};

}  // namespace

void TMemo::DeclarePublished(TPublisher<TMemo>& P) {
  using C = TMemo;
  P.Property(L"Color", &C::Color, &C::SetColor).Default(clWindow);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(taLeftJustify);
  P.Property(L"Lines", &C::Lines, &C::SetLines);
  P.Property(L"ScrollBars", &C::ScrollBars, &C::SetScrollBars).Default(ssNone);
  P.Property(L"WantReturns", &C::WantReturns, &C::SetWantReturns).Default(true);
  P.Property(L"WantTabs", &C::WantTabs, &C::SetWantTabs).Default(false);
  P.Property(L"WordWrap", &C::WordWrap, &C::SetWordWrap).Default(true);
}

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(new TMemoStrings(this)) {
  SetBounds(FLeft, FTop, 185, 89);
  FAutoSelect = false;
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  Params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!FWordWrap) Params.Style |= ES_AUTOHSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
  if (FAlignment == taCenter) Params.Style |= ES_CENTER;
  if (FAlignment == taRightJustify) Params.Style |= ES_RIGHT;
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  if (HandleAllocated()) RecreateWnd();
}
void TCustomMemo::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  if (HandleAllocated()) RecreateWnd();
}
void TCustomMemo::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  if (HandleAllocated()) RecreateWnd();
}

POINT TCustomMemo::CaretPos() {
  Integer start = SelStart();
  Integer line = static_cast<Integer>(SendMessageW(Handle(), EM_LINEFROMCHAR, static_cast<WPARAM>(start), 0));
  Integer first = static_cast<Integer>(SendMessageW(Handle(), EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  return POINT{start - first, line};
}

void TCustomMemo::SetCaretPos(POINT Value) {
  LRESULT first = SendMessageW(Handle(), EM_LINEINDEX, static_cast<WPARAM>(Value.y), 0);
  if (first < 0) return;
  SetSelStart(static_cast<Integer>(first) + Value.x);
}

void TCustomMemo::DoEnter() { TWinControl::DoEnter(); }

const TMessageMap* TCustomMemo::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_GETDLGCODE, MessageHandler<&TCustomMemo::WMGetDlgCode>},
      {WM_CHAR, MessageHandler<&TCustomMemo::WMChar>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomMemo::WMGetDlgCode(TWMGetDlgCode& Message) {
  InheritedMessage(Message);
  if (FWantTabs) Message.Result |= DLGC_WANTTAB;
  else Message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
  if (!FWantReturns) Message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
}

void TCustomMemo::WMChar(TWMChar& Message) {
  if ((Message.CharCode() == VK_RETURN && !FWantReturns) || (Message.CharCode() == VK_TAB && !FWantTabs))
    return;
  InheritedMessage(Message);
}

// =======================================================================================
// TCustomListBox

// The list box's strings: the window's own while it exists, a string list otherwise.
class TListBoxStrings : public TStrings {
  DECLARE_CLASS(TListBoxStrings, TStrings)
 public:
  explicit TListBoxStrings(TCustomListBox* AListBox) : FListBox(AListBox) {}
  Integer Add(const String& S) override {
    if (!Live()) return FListBox->FSaved->Add(S);
    // Unsorted: inserted at an explicit end index, so that a variable-height list is
    // measured with the item's real index.
    LRESULT r = FListBox->FSorted
                    ? SendMessageW(H(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()))
                    : SendMessageW(H(), LB_INSERTSTRING, static_cast<WPARAM>(GetCount()),
                                   reinterpret_cast<LPARAM>(S.c_str()));
    if (r < 0) throw EOutOfResources(L"Out of system resources");
    return static_cast<Integer>(r);
  }
  void Clear() override {
    if (!Live()) FListBox->FSaved->Clear();
    else SendMessageW(H(), LB_RESETCONTENT, 0, 0);
  }
  void Delete(Integer Index) override {
    if (!Live()) return FListBox->FSaved->Delete(Index);
    Check(Index, GetCount() - 1);
    SendMessageW(H(), LB_DELETESTRING, static_cast<WPARAM>(Index), 0);
  }
  void Insert(Integer Index, const String& S) override {
    if (!Live()) return FListBox->FSaved->Insert(Index, S);
    Check(Index, GetCount());
    if (SendMessageW(H(), LB_INSERTSTRING, static_cast<WPARAM>(Index),
                     reinterpret_cast<LPARAM>(S.c_str())) < 0)
      throw EOutOfResources(L"Out of system resources");
  }
  void Put(Integer Index, const String& S) override {
    if (!Live()) return FListBox->FSaved->SetStrings(Index, S);
    Check(Index, GetCount() - 1);
    Integer sel = FListBox->ItemIndex();
    TObject* o = GetObject(Index);
    Delete(Index);
    Insert(Index, S);
    PutObject(Index, o);
    if (sel == Index) FListBox->SetItemIndex(sel);
  }
  void PutObject(Integer Index, TObject* AObject) override {
    if (!Live()) return FListBox->FSaved->SetObjects(Index, AObject);
    Check(Index, GetCount() - 1);
    SendMessageW(H(), LB_SETITEMDATA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(AObject));
  }

 protected:
  String Get(Integer Index) const override {
    if (!Live()) return FListBox->FSaved->Strings(Index);
    Check(Index, GetCount() - 1);
    return Fetch(H(), LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(Index));
  }
  Integer GetCount() const override {
    if (!Live()) return FListBox->FSaved->Count();
    return static_cast<Integer>(SendMessageW(H(), LB_GETCOUNT, 0, 0));
  }
  TObject* GetObject(Integer Index) const override {
    if (!Live()) return FListBox->FSaved->Objects(Index);
    Check(Index, GetCount() - 1);
    return reinterpret_cast<TObject*>(SendMessageW(H(), LB_GETITEMDATA, static_cast<WPARAM>(Index), 0));
  }

 private:
  bool Live() const { return FListBox->HandleAllocated(); }
  HWND H() const { return FListBox->Handle(); }
  static void Check(Integer Index, Integer Max) {
    if (Index < 0 || Index > Max) throw EStringListError(L"List index out of bounds (%d)", {Index});
  }
  TCustomListBox* FListBox;
};

void TListBox::DeclarePublished(TPublisher<TListBox>& P) {
  using C = TListBox;
  P.Property(L"Color", &C::Color, &C::SetColor).Default(clWindow);
  P.Property(L"ParentColor", &C::ParentColor, &C::SetParentColor).Default(false);
  P.Property(L"BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsSingle);
  P.Property(L"ExtendedSelect", &C::ExtendedSelect, &C::SetExtendedSelect).Default(true);
  P.Property(L"IntegralHeight", &C::IntegralHeight, &C::SetIntegralHeight).Default(false);
  P.Property(L"ItemHeight", &C::ItemHeight, &C::SetItemHeight).Default(16);
  P.Property(L"Items", &C::Items, &C::SetItems);
  P.Property(L"MultiSelect", &C::MultiSelect, &C::SetMultiSelect).Default(false);
  P.Property(L"Sorted", &C::Sorted, &C::SetSorted).Default(false);
  P.Property(L"Style", &C::Style, &C::SetStyle).Default(lbStandard);
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"OnDrawItem", &C::OnDrawItem);
  P.Property(L"OnMeasureItem", &C::OnMeasureItem);
}

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(new TListBoxStrings(this)),
      FSaved(new TStringList()),
      FCanvas(new TControlCanvas()) {
  FCanvas->SetControl(this);
  FControlStyle.Exclude(csClickEvents);  // clicks come from the selection notification
  FControlStyle.Exclude(csCaptureMouse);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() {
  FCanvas->SetControl(nullptr);
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"LISTBOX");
  Params.Style |= LBS_NOTIFY | WS_VSCROLL | LBS_HASSTRINGS;
  if (!FIntegralHeight) Params.Style |= LBS_NOINTEGRALHEIGHT;
  if (FSorted) Params.Style |= LBS_SORT;
  if (FMultiSelect) Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (FStyle == lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
  if (FStyle == lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListBox::CreateWnd() {
  inherited::CreateWnd();
  SetWindowLongPtrW(FHandle, GWLP_ID, NextControlId++);
  if (FStyle == lbOwnerDrawFixed) SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
  // Bring back what was kept while there was no window.
  TStringList saved;
  saved.Assign(FSaved.get());
  FSaved->Clear();
  SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
  for (Integer i = 0; i < saved.Count(); ++i) FItems->AddObject(saved.Strings(i), saved.Objects(i));
  SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
  SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FTopIndex), 0);
  SetItemIndex(FItemIndex);
}

void TCustomListBox::DestroyWnd() {
  FSaved->Clear();
  Integer n = static_cast<Integer>(SendMessageW(FHandle, LB_GETCOUNT, 0, 0));
  for (Integer i = 0; i < n; ++i)
    FSaved->AddObject(Fetch(FHandle, LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(i)),
                      reinterpret_cast<TObject*>(SendMessageW(FHandle, LB_GETITEMDATA, static_cast<WPARAM>(i), 0)));
  FItemIndex = ItemIndex();
  FTopIndex = TopIndex();
  inherited::DestroyWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}
void TCustomListBox::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  if (HandleAllocated()) RecreateWnd();
}
void TCustomListBox::SetExtendedSelect(bool Value) {
  if (FExtendedSelect == Value) return;
  FExtendedSelect = Value;
  if (HandleAllocated()) RecreateWnd();
}
void TCustomListBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  FSaved->SetSorted(Value);
  if (HandleAllocated()) RecreateWnd();
}
void TCustomListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value) return;
  FIntegralHeight = Value;
  if (HandleAllocated()) RecreateWnd();
}
void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (HandleAllocated()) RecreateWnd();
}

Integer TCustomListBox::ItemIndex() {
  if (!HandleAllocated()) return FItemIndex;
  return static_cast<Integer>(SendMessageW(FHandle, FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(Integer Value) {
  if (!HandleAllocated()) {
    FItemIndex = Value;
    return;
  }
  if (FMultiSelect) {
    SendMessageW(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(Value), FALSE);
    if (Value >= 0) {
      SendMessageW(FHandle, LB_SETSEL, FALSE, -1);
      SendMessageW(FHandle, LB_SETSEL, TRUE, Value);
    }
  } else {
    SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
  }
}

bool TCustomListBox::Selected(Integer Index) {
  LRESULT r = SendMessageW(Handle(), LB_GETSEL, static_cast<WPARAM>(Index), 0);
  if (r < 0) throw EListError(L"List index out of bounds (%d)", {Index});
  return r != 0;
}

void TCustomListBox::SetSelected(Integer Index, bool Value) {
  if (Index < 0 || Index >= Count()) throw EListError(L"List index out of bounds (%d)", {Index});
  if (FMultiSelect) {
    SendMessageW(Handle(), LB_SETSEL, Value, Index);
  } else if (Value) {
    SetItemIndex(Index);
  } else if (ItemIndex() == Index) {
    SetItemIndex(-1);
  }
}

Integer TCustomListBox::SelCount() {
  return static_cast<Integer>(SendMessageW(Handle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SelectAll() {
  if (FMultiSelect) SendMessageW(Handle(), LB_SETSEL, TRUE, -1);
}

void TCustomListBox::ClearSelection() {
  if (FMultiSelect) SendMessageW(Handle(), LB_SETSEL, FALSE, -1);
  else SetItemIndex(-1);
}

Integer TCustomListBox::TopIndex() {
  if (!HandleAllocated()) return FTopIndex;
  return static_cast<Integer>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(Integer Value) {
  if (!HandleAllocated()) {
    FTopIndex = Value;
    return;
  }
  SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0);
}

Integer TCustomListBox::ItemHeight() {
  if (FStyle == lbOwnerDrawFixed || !HandleAllocated()) return FItemHeight;
  return static_cast<Integer>(SendMessageW(FHandle, LB_GETITEMHEIGHT, 0, 0));
}

void TCustomListBox::SetItemHeight(Integer Value) {
  if (Value <= 0 || FItemHeight == Value) return;
  FItemHeight = Value;
  if (HandleAllocated() && FStyle == lbOwnerDrawFixed) {
    SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, Value);
    Invalidate();
  }
}

RECT TCustomListBox::ItemRect(Integer Index) {
  RECT r{0, 0, 0, 0};
  Integer n = Count();
  if (Index == 0 || Index < n) {
    SendMessageW(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  } else if (Index == n) {
    // Just below the last item, where the next one would go.
    SendMessageW(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(n - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, 0, r.bottom - r.top);
  }
  return r;
}

Integer TCustomListBox::ItemAtPos(POINT Pos, bool Existing) {
  RECT client = ClientRect();
  if (PtInRect(&client, Pos)) {
    Integer n = Count();
    for (Integer i = TopIndex(); i < n; ++i) {
      RECT r{};
      if (SendMessageW(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) == LB_ERR) break;
      if (PtInRect(&r, Pos)) return i;
      if (r.top > client.bottom) break;
    }
  }
  return Existing ? -1 : Count();
}

void TCustomListBox::DrawItem(Integer Index, RECT Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas->FillRect(Rect);
  if (Index < Count()) FCanvas->TextOut(Rect.left + 2, Rect.top, FItems->Strings(Index));
}

void TCustomListBox::MeasureItem(Integer Index, Integer& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

const TMessageMap* TCustomListBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_COMMAND, MessageHandler<&TCustomListBox::CNCommand>},
      {CN_DRAWITEM, MessageHandler<&TCustomListBox::CNDrawItem>},
      {CN_MEASUREITEM, MessageHandler<&TCustomListBox::CNMeasureItem>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomListBox::CNCommand(TWMCommand& Message) {
  switch (Message.NotifyCode()) {
    case LBN_SELCHANGE: Click(); break;
    case LBN_DBLCLK: DblClick(); break;
    default: break;
  }
}

void TCustomListBox::CNDrawItem(TWMDrawItem& Message) {
  DRAWITEMSTRUCT* d = Message.DrawItemStruct();
  TOwnerDrawState state = OwnerDrawStateOf(d->itemState);
  TCanvasHandleScope dc(*FCanvas, d->hDC);
  FCanvas->SetFont(Font());
  FCanvas->Brush()->SetStyle(bsSolid);
  FCanvas->Brush()->SetColor(Color());
  if (state.Contains(odSelected)) {
    FCanvas->Brush()->SetColor(clHighlight);
    FCanvas->Font()->SetColor(clHighlightText);
  }
  if (static_cast<int>(d->itemID) >= 0) DrawItem(static_cast<Integer>(d->itemID), d->rcItem, state);
  else FCanvas->FillRect(d->rcItem);
  if (state.Contains(odFocused) && !state.Contains(odNoFocusRect)) DrawFocusRect(d->hDC, &d->rcItem);
  Message.Result = TRUE;
}

void TCustomListBox::CNMeasureItem(TWMMeasureItem& Message) {
  MEASUREITEMSTRUCT* m = Message.MeasureItemStruct();
  Integer h = FItemHeight;
  if (FStyle == lbOwnerDrawVariable) MeasureItem(static_cast<Integer>(m->itemID), h);
  m->itemHeight = static_cast<UINT>(std::max<Integer>(h, 1));
  Message.Result = TRUE;
}

// =======================================================================================
// TScrollBar

void TScrollBar::DeclarePublished(TPublisher<TScrollBar>& P) {
  using C = TScrollBar;
  P.Property(L"TabStop", &C::TabStop, &C::SetTabStop).Default(true);
  P.Property(L"Kind", &C::Kind, &C::SetKind).Default(sbHorizontal);
  P.Property(L"LargeChange", &C::LargeChange, &C::SetLargeChange).Default(1);
  P.Property(L"Max", &C::Max, &C::SetMax).Default(100);
  P.Property(L"Min", &C::Min, &C::SetMin).Default(0);
  P.Property(L"PageSize", &C::PageSize, &C::SetPageSize).Default(0);
  P.Property(L"Position", &C::Position, &C::SetPosition).Default(0);
  P.Property(L"SmallChange", &C::SmallChange, &C::SetSmallChange).Default(1);
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnScroll", &C::OnScroll);
}

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  FControlStyle.Exclude(csClickEvents);
  FControlStyle.Exclude(csCaptureMouse);
  FTabStop = true;
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  CreateSubClass(Params, L"SCROLLBAR");
  Params.Style |= FKind == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
  inherited::CreateWnd();
  UpdateInfo();
}

void TScrollBar::UpdateInfo() {
  if (!HandleAllocated()) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  si.nMin = FMin;
  si.nMax = FMax;
  si.nPage = static_cast<UINT>(FPageSize);
  si.nPos = FPosition;
  SetScrollInfo(FHandle, SB_CTL, &si, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  if (!ComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
  if (HandleAllocated()) RecreateWnd();
}

void TScrollBar::SetPageSize(Integer Value) {
  if (Value < 0 || Value > FMax - FMin + 1) throw EInvalidOperation(L"Scroll bar property out of range");
  FPageSize = Value;
  UpdateInfo();
}

void TScrollBar::SetParams(Integer APosition, Integer AMin, Integer AMax) {
  if (AMax < AMin) throw EInvalidOperation(L"Scroll bar property out of range");
  APosition = std::clamp(APosition, AMin, AMax);
  bool changed = APosition != FPosition;
  FMin = AMin;
  FMax = AMax;
  FPosition = APosition;
  UpdateInfo();
  if (changed) Change();
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TScrollBar::DoScroll(TWMScroll& Message) {
  Integer code = Message.ScrollCode();
  Integer pos = FPosition;
  TScrollCode sc = scEndScroll;
  switch (code) {
    case SB_LINEUP: sc = scLineUp; pos -= FSmallChange; break;
    case SB_LINEDOWN: sc = scLineDown; pos += FSmallChange; break;
    case SB_PAGEUP: sc = scPageUp; pos -= FLargeChange; break;
    case SB_PAGEDOWN: sc = scPageDown; pos += FLargeChange; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      sc = code == SB_THUMBTRACK ? scTrack : scPosition;
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_TRACKPOS;
      GetScrollInfo(FHandle, SB_CTL, &si);
      pos = si.nTrackPos;
      break;
    }
    case SB_TOP: sc = scTop; pos = FMin; break;
    case SB_BOTTOM: sc = scBottom; pos = FMax; break;
    default: break;
  }
  Integer limit = FPageSize > 0 ? FMax - FPageSize + 1 : FMax;
  pos = std::clamp(pos, FMin, std::max(FMin, limit));
  if (OnScroll) OnScroll(this, sc, pos);
  SetPosition(pos);
}

const TMessageMap* TScrollBar::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CN_HSCROLL, MessageHandler<&TScrollBar::CNScroll>},
      {CN_VSCROLL, MessageHandler<&TScrollBar::CNScroll>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TScrollBar::CNScroll(TWMScroll& Message) {
  DoScroll(Message);
  Message.Result = 0;
}

// =======================================================================================
// TCustomGroupBox

void TGroupBox::DeclarePublished(TPublisher<TGroupBox>& P) {
  using C = TGroupBox;
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
}

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  FControlStyle.Include(csAcceptsControls);
  FControlStyle.Include(csSetCaption);
  FControlStyle.Include(csParentBackground);
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::AdjustClientRect(RECT& Rect) {
  inherited::AdjustClientRect(Rect);
  Canvas()->SetFont(Font());
  Integer h = Canvas()->TextHeight(L"0");
  Rect.top += h;
  InflateRect(&Rect, -1, -1);
}

void TCustomGroupBox::Paint() {
  Canvas()->SetFont(Font());
  Integer h = Canvas()->TextHeight(L"0");
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  RECT frame{r.left, r.top + h / 2, r.right, r.bottom};
  DrawEdge(Canvas()->Handle(), &frame, EDGE_ETCHED, BF_RECT);
  String text = GetText();
  if (!text.empty()) {
    RECT tr{8, 0, 0, h};
    HDC dc = Canvas()->Handle();
    DrawTextW(dc, text.c_str(), -1, &tr, DT_CALCRECT | DT_SINGLELINE);
    FillRect(dc, &tr, Canvas()->Brush()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawTextW(dc, text.c_str(), -1, &tr, DT_SINGLELINE);
  }
}

const TMessageMap* TCustomGroupBox::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_TEXTCHANGED, MessageHandler<&TCustomGroupBox::CMTextChanged>},
      {CM_FONTCHANGED, MessageHandler<&TCustomGroupBox::CMFontChanged>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TCustomGroupBox::CMTextChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  Realign();
  Invalidate();
}

void TCustomGroupBox::CMFontChanged(TCMNoParams& Message) {
  InheritedMessage(Message);
  Realign();
  Invalidate();
}
