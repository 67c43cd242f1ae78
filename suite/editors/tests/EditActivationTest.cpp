// In-place editors: the edit list that caches one editor per properties object, and
// activation of an editor by a key and by the mouse, with the keys it handles itself.
#include <gtest/gtest.h>
#include <windows.h>

#include "Forms.h"
#include "vxCustomEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 50) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

class TCellEdit;

class TCellEditProperties : public TvxCustomEditProperties {
  DECLARE_CLASS(TCellEditProperties, TvxCustomEditProperties)
 public:
  using TvxCustomEditProperties::TvxCustomEditProperties;
  bool HasDisplayValue() override { return true; }
  bool CanCompareEditValue() override { return true; }
  bool IsResetEditClass() override { return true; }
  TClass GetContainerClass() override;
};

// An editor that takes typed characters into its display text, as an inner text control
// would.
class TCellEdit : public TvxCustomEdit {
  DECLARE_CLASS(TCellEdit, TvxCustomEdit)
 public:
  using TvxCustomEdit::TvxCustomEdit;
  String Text;
  void GetEditDisplayText(String& S) override { S = Text; }
  void SetInternalDisplayValue(const Variant& V) override { Text = VarToStr(V); }
  void SynchronizeDisplayValue() override { Text = VarToStr(EditValue()); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override {
    return std::make_unique<TCellEditProperties>(this);
  }
  void InternalApplyValidatedDisplayValue(const Variant& V) override { InternalSetEditValue(V, false); }
  void ProcessKeyPress(wchar_t& Key) override {
    TvxCustomEdit::ProcessKeyPress(Key);
    if (Key < L' ') return;
    Text += Key;
    SetModifiedAfterEnter(true);
  }
};

TClass TCellEditProperties::GetContainerClass() { return TCellEdit::StaticClass(); }

// Another editor class: its editors never serve TCellEditProperties.
class TOtherEdit : public TCellEdit {
  DECLARE_CLASS(TOtherEdit, TCellEdit)
 public:
  using TCellEdit::TCellEdit;
};

struct InplaceEditTest : ::testing::Test {
  TForm* Form = nullptr;
  std::unique_ptr<TvxInplaceEditList> List;
  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 300, 200);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    List = std::make_unique<TvxInplaceEditList>(Form);
    Pump(60);
  }
  void TearDown() override {
    List.reset();
    delete Form;
    Pump(20);
  }
  // The editor for P placed over a cell of the form, hidden until activated.
  TCellEdit* EditorFor(TCellEditProperties* P) {
    auto* e = static_cast<TCellEdit*>(List->GetEdit(P));
    e->SetBounds(20, 30, 100, 22);
    e->SetParent(Form);
    return e;
  }
  static void Key(TvxCustomEdit* E, WORD Vk, wchar_t Ch = 0) {
    SendMessageW(E->Handle(), WM_KEYDOWN, Vk, 0);
    if (Ch) SendMessageW(E->Handle(), WM_CHAR, Ch, 0);
    SendMessageW(E->Handle(), WM_KEYUP, Vk, 0xC0000000);
  }
};

TEST_F(InplaceEditTest, ListGivesOneEditorPerPropertiesObject) {
  TCellEditProperties a(nullptr), b(nullptr);
  a.SetBeepOnError(true);
  int changes = 0;
  TvxCustomEdit* ea = List->GetEdit(&a);
  ea->Properties()->OnChange = [&](TObject*) { ++changes; };
  ASSERT_NE(ea, nullptr);
  EXPECT_EQ(ea->ClassType(), TCellEdit::StaticClass());
  EXPECT_TRUE(ea->IsInplace());
  EXPECT_FALSE(ea->Visible());
  EXPECT_TRUE(ea->Properties()->BeepOnError());  // a copy of the settings

  a.SetBeepOnError(false);
  a.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(List->GetEdit(&a), ea);
  EXPECT_FALSE(ea->Properties()->BeepOnError());  // copied again
  EXPECT_EQ(changes, 0);                         // copying fires no events

  TvxCustomEdit* eb = List->GetEdit(&b);
  EXPECT_NE(eb, ea);
  EXPECT_EQ(List->Count(), 2);
  EXPECT_EQ(List->FindEdit(&b), eb);

  // An unbound editor serves the next properties object of its exact class only.
  List->DisconnectProperties(&a);
  EXPECT_EQ(List->FindEdit(TOtherEdit::StaticClass()), nullptr);
  EXPECT_EQ(List->FindEdit(TCellEdit::StaticClass()), ea);
  {
    TCellEditProperties c(nullptr);
    EXPECT_EQ(List->GetEdit(&c), ea);
  }  // c goes away: its editor becomes unbound again
  EXPECT_EQ(List->Count(), 2);
  EXPECT_EQ(List->FindEdit(TCellEdit::StaticClass()), ea);

  TvxCustomEdit* other = List->GetEdit(TOtherEdit::StaticClass());
  EXPECT_EQ(other->ClassType(), TOtherEdit::StaticClass());
  EXPECT_EQ(List->Count(), 3);
  List->RemoveItem(TOtherEdit::StaticClass());
  TCellEditProperties none(nullptr);
  List->RemoveItem(&none);  // no entry: nothing happens
  List->RemoveItem(&b);
  EXPECT_EQ(List->Count(), 1);
  EXPECT_EQ(List->FindEdit(TCellEdit::StaticClass()), ea);  // the unbound one is left
}

TEST_F(InplaceEditTest, LastListFreesTheRegistry) {
  EXPECT_EQ(TvxInplaceEditList::LiveListCount(), 1);
  {
    TvxInplaceEditList second(Form);
    EXPECT_EQ(TvxInplaceEditList::LiveListCount(), 2);
  }
  List.reset();
  EXPECT_EQ(TvxInplaceEditList::LiveListCount(), 0);
  List = std::make_unique<TvxInplaceEditList>(Form);
  EXPECT_EQ(TvxInplaceEditList::LiveListCount(), 1);
}

TEST_F(InplaceEditTest, KeyboardActivationTypesTheKeyAndEscapeRestores) {
  TCellEditProperties p(nullptr);
  TCellEdit* e = EditorFor(&p);
  e->SetEditValue(String(L"ab"));
  TvxCustomEditData* data = nullptr;
  e->ActivateByKey(L'c', data);
  Pump(40);
  EXPECT_TRUE(e->Visible());
  EXPECT_TRUE(e->Focused());
  EXPECT_EQ(e->Text, L"abc");
  EXPECT_TRUE(e->ModifiedAfterEnter());

  // Escape restores the value saved on entry; its character is not typed.
  Key(e, VK_ESCAPE, 27);
  EXPECT_EQ(e->Text, L"ab");
  EXPECT_EQ(e->EditValue(), Variant(String(L"ab")));
  EXPECT_TRUE(e->EditModified());

  Key(e, 'D', L'd');
  ASSERT_TRUE(e->Deactivate());
  EXPECT_EQ(e->EditValue(), Variant(String(L"abd")));
  EXPECT_TRUE(e->IsEditValidated());
}

TEST_F(InplaceEditTest, DeactivateRaisesForAnInvalidValueAndStaysActive) {
  TCellEditProperties p(nullptr);
  p.OnValidate = [](TObject*, Variant& V, String&, bool& Error) { Error = VarToStr(V) == L"x!"; };
  TCellEdit* e = EditorFor(&p);
  e->SetEditValue(String(L"x"));
  TvxCustomEditData* data = nullptr;
  e->ActivateByKey(L'!', data);
  Pump(40);
  EXPECT_THROW(e->Deactivate(), EvxEditValidationError);
  EXPECT_TRUE(e->Focused());
  EXPECT_FALSE(e->IsEditValidated());
  EXPECT_EQ(e->EditValue(), Variant(String(L"x")));
}

TEST_F(InplaceEditTest, EditorKeysTable) {
  // Keys the editor handles itself: the navigation keys stop at the editor (OnAfterKeyDown
  // sees them), the clear key empties the value with one deferred OnChange, the click key
  // clicks the default button.
  TCellEditProperties p(nullptr);
  p.SetClearKey(VK_F2);
  p.SetClickKey(VK_F3);
  p.Buttons()->Add()->SetDefault(true);
  TCellEdit* e = EditorFor(&p);
  int changes = 0, clicks = 0;
  std::vector<WORD> after;
  e->SetEditValue(String(L"v"));
  e->Properties()->OnEditValueChanged = [&](TObject*) { ++changes; };
  e->Properties()->OnButtonClick = [&](TObject*, Integer Index) {
    EXPECT_EQ(Index, 0);
    ++clicks;
  };
  e->OnAfterKeyDown = [&](TObject*, Word& K, TShiftState) { after.push_back(K); };
  TvxCustomEditData* data = nullptr;
  e->Activate(data);
  Pump(40);
  ASSERT_TRUE(e->Focused());

  for (WORD k : {VK_PRIOR, VK_NEXT, VK_END, VK_HOME, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) Key(e, k);
  EXPECT_EQ(after, (std::vector<WORD>{VK_PRIOR, VK_NEXT, VK_END, VK_HOME, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}));

  Key(e, VK_F2);
  EXPECT_TRUE(e->EditValue().IsNull());
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(e->IsEditValidated());

  Key(e, VK_F3, L'\r');
  EXPECT_EQ(clicks, 1);
}

TEST_F(InplaceEditTest, MouseActivationAndAQuickSecondClickFormADoubleClick) {
  TCellEditProperties p(nullptr);
  TCellEdit* e = EditorFor(&p);
  int downs = 0, dbl = 0;
  e->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, Integer X, Integer Y) {
    ++downs;
    EXPECT_EQ(X, 5);  // the form point (25, 35) in the editor's coordinates
    EXPECT_EQ(Y, 5);
  };
  e->OnDblClick = [&](TObject*) { ++dbl; };
  TvxCustomEditData* data = nullptr;
  e->ActivateByMouse(TShiftState{ssLeft}, 25, 35, data);
  EXPECT_TRUE(e->Visible());
  EXPECT_EQ(downs, 1);
  EXPECT_TRUE(e->DoubleClickPending());
  EXPECT_NE(GetCapture(), e->Handle());  // the real button is up: no capture is kept

  SendMessageW(e->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(e->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(dbl, 1);
  EXPECT_FALSE(e->DoubleClickPending());

  // Once the window is used up, a click is a click.
  SendMessageW(e->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(e->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(dbl, 1);
}

}  // namespace

}  // namespace ZS_UNITY_ID
