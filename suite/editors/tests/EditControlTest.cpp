// The custom edit control on a shown form: the edit value protocol and its change events,
// validation of what the user typed, and posting stand-alone and in place.
#include <gtest/gtest.h>
#include <windows.h>

#include "Forms.h"
#include "vxCustomEdit.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 50) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

class TTestEditProperties : public TvxCustomEditProperties {
 public:
  using TvxCustomEditProperties::TvxCustomEditProperties;
  bool Compare = true;
  bool Separate = false;
  bool HasDisplayValue() override { return true; }
  bool CanCompareEditValue() override { return Compare; }
  bool HasSeparateChangeEvents() override { return Separate; }
  bool IsResetEditClass() override { return true; }
};

// An editor whose display text is a plain string: typing changes the text, validation
// applies it as the edit value.
class TTestEdit : public TvxCustomEdit {
 public:
  using TvxCustomEdit::TvxCustomEdit;
  String Text;
  TTestEditProperties* TestProperties() { return static_cast<TTestEditProperties*>(Properties()); }
  void Type(const String& S) {
    Text = S;
    SetModifiedAfterEnter(true);
  }
  void GetEditDisplayText(String& S) override { S = Text; }
  void SetInternalDisplayValue(const Variant& V) override { Text = VarToStr(V); }
  void SynchronizeDisplayValue() override { Text = VarToStr(EditValue()); }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override {
    return std::make_unique<TTestEditProperties>(this);
  }
  void InternalApplyValidatedDisplayValue(const Variant& V) override { InternalSetEditValue(V, false); }
};

struct EditControlTest : ::testing::Test {
  TForm* Form = nullptr;
  TTestEdit* Edit = nullptr;
  int Changes = 0, ValueChanges = 0, Validations = 0, Posts = 0;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 300, 200);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Edit = Make(false);
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  TTestEdit* Make(bool AInplace) {
    TTestEdit* e = AInplace ? TvxCustomEdit::CreateInplace<TTestEdit>(Form) : TvxContainer::Create<TTestEdit>(Form);
    e->SetBounds(10, 10 + (AInplace ? 40 : 0), 120, 24);
    e->SetParent(Form);
    e->HandleNeeded();
    e->Properties()->OnChange = [this](TObject*) { ++Changes; };
    e->Properties()->OnEditValueChanged = [this](TObject*) { ++ValueChanges; };
    return e;
  }
  void Focus(TTestEdit* E) {
    E->SetFocus();
    Pump(40);
  }
};

TEST_F(EditControlTest, AssignmentsFireChangeEventsByTheComparisonRules) {
  struct Case {
    const char* Name;
    bool Compare, Separate;
    std::vector<int> Values;
    int Change, ValueChange;
  } cases[] = {
      {"no comparison: every assignment", false, false, {5, 5, 6}, 3, 3},
      {"comparison, combined events: real changes", true, false, {5, 5, 6}, 2, 2},
      {"comparison, separate events: value changes only", true, true, {5, 5, 6}, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Edit->TestProperties()->Compare = c.Compare;
    Edit->TestProperties()->Separate = c.Separate;
    Edit->SetEditValue(Null());
    Changes = ValueChanges = 0;
    for (int v : c.Values) Edit->SetEditValue(v);
    EXPECT_EQ(Changes, c.Change);
    EXPECT_EQ(ValueChanges, c.ValueChange);
    EXPECT_EQ(Edit->EditValue(), Variant(c.Values.back()));
    EXPECT_FALSE(Edit->EditModified());
    EXPECT_EQ(Edit->Text, L"6");
  }
}

TEST_F(EditControlTest, LocksDeferOrDropEventsAndBlockAssignments) {
  Edit->SetEditValue(1);
  Changes = ValueChanges = 0;
  Edit->LockChangeEvents(true);
  Edit->LockChangeEvents(true);
  Edit->SetEditValue(2);
  Edit->SetEditValue(3);
  Edit->LockChangeEvents(false);
  EXPECT_EQ(Changes + ValueChanges, 0);  // still locked once
  Edit->LockChangeEvents(false);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(ValueChanges, 1);

  Changes = ValueChanges = 0;
  Edit->LockChangeEvents(true);
  Edit->SetEditValue(4);
  Edit->LockChangeEvents(false, false);
  EXPECT_EQ(Changes + ValueChanges, 0);
  Edit->LockChangeEvents(false);  // unlocking an unlocked catcher does nothing
  EXPECT_EQ(Changes + ValueChanges, 0);

  Edit->LockEditValueChanging(true);
  Edit->SetEditValue(99);
  Edit->LockEditValueChanging(false);
  EXPECT_EQ(Edit->EditValue(), Variant(4));
  Edit->Clear();
  EXPECT_TRUE(Edit->EditValue().IsNull());
}

TEST_F(EditControlTest, ValidationTable) {
  // Each row types a text into the focused editor and validates it; the OnValidate
  // handler rejects "bad" (and shows "fixed" when Fix is set).
  struct Case {
    const char* Name;
    bool Type;
    const wchar_t* Typed;
    bool Fix;
    bool Raise;
    bool Result, Throws;
    const wchar_t* Shown;
    int Validations;
  } cases[] = {
      {"not modified: no handler call", false, L"", false, false, true, false, L"7", 0},
      {"valid text is applied", true, L"12", false, false, true, false, L"12", 1},
      {"invalid without raising keeps the text", true, L"bad", false, false, false, false, L"bad", 1},
      {"invalid shows the handler's text", true, L"bad", true, false, false, false, L"fixed", 1},
      {"invalid with raising throws", true, L"bad", false, true, false, true, L"bad", 1},
  };
  Focus(Edit);
  ASSERT_TRUE(Edit->Focused());
  bool fix = false;
  Edit->Properties()->OnValidate = [&](TObject* Sender, Variant& V, String& ErrorText, bool& Error) {
    EXPECT_EQ(Sender, Edit);
    EXPECT_EQ(ErrorText, L"Invalid input value. Use escape key to abandon changes");
    ++Validations;
    if (VarToStr(V) == L"bad") {
      Error = true;
      if (fix) V = String(L"fixed");
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Edit->SetEditValue(7);
    Validations = 0;
    fix = c.Fix;
    if (c.Type) Edit->Type(c.Typed);
    bool result = !c.Result;
    bool thrown = false;
    try {
      result = Edit->ValidateEdit(c.Raise);
    } catch (const EvxEditValidationError& e) {
      thrown = true;
      EXPECT_STREQ(e.what(), "Invalid input value. Use escape key to abandon changes");
    }
    EXPECT_EQ(thrown, c.Throws);
    if (!c.Throws) {
      EXPECT_EQ(result, c.Result);
    }
    EXPECT_EQ(Edit->Text, c.Shown);
    EXPECT_EQ(Validations, c.Validations);
    EXPECT_EQ(Edit->IsEditValidated(), c.Result && c.Type);
    if (c.Result && c.Type) {
      EXPECT_EQ(Edit->EditValue(), Variant(String(c.Typed)));
      EXPECT_TRUE(Edit->ValidateEdit(true));  // validated once: no second handler call
      EXPECT_EQ(Validations, 1);
    }
  }
}

TEST_F(EditControlTest, EditorThatCannotTakeFocusDoesNotAcceptInvalidValue) {
  Edit->Properties()->OnValidate = [&](TObject*, Variant&, String&, bool& Error) {
    ++Validations;
    Error = true;
  };
  Edit->SetVisible(false);
  Edit->Type(L"x");
  EXPECT_THROW(Edit->ValidateEdit(true), EvxEditValidationError);
  EXPECT_FALSE(Edit->IsEditValidated());
  EXPECT_THROW(Edit->ValidateEdit(true), EvxEditValidationError);  // checked again
  EXPECT_EQ(Validations, 2);
}

TEST_F(EditControlTest, ValidationErrorTakesTheFocusBack) {
  TTestEdit* other = Make(false);
  Edit->Properties()->OnValidate = [](TObject*, Variant& V, String&, bool& Error) { Error = VarToStr(V) == L"bad"; };
  Focus(other);
  ASSERT_FALSE(Edit->Focused());
  Edit->Type(L"bad");
  EXPECT_THROW(Edit->ValidateEdit(true), EvxEditValidationError);
  Pump(40);
  EXPECT_TRUE(Edit->Focused());
}

TEST_F(EditControlTest, EscapeResetRestoresTheValueSavedOnEntry) {
  Edit->SetEditValue(String(L"start"));
  Focus(Edit);
  Edit->Type(L"typed");
  ASSERT_TRUE(Edit->ValidateEdit(false));
  EXPECT_EQ(Edit->EditValue(), Variant(String(L"typed")));
  Edit->SetModifiedAfterEnter(true);
  Edit->Reset();
  EXPECT_EQ(Edit->EditValue(), Variant(String(L"start")));
  EXPECT_EQ(Edit->Text, L"start");
  EXPECT_TRUE(Edit->EditModified());
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
}

TEST_F(EditControlTest, PostingInPlaceFiresTheEventAndKeepsAFailedPostOpen) {
  TTestEdit* inplace = Make(true);
  ASSERT_TRUE(inplace->IsInplace());
  bool fail = false;
  inplace->OnPostEditValue = [&](TObject* Sender) {
    EXPECT_EQ(Sender, inplace);
    ++Posts;
    if (fail) throw Exception(L"the cell refused the value");
  };
  Focus(inplace);
  inplace->Type(L"41");
  inplace->PostEditValue();
  EXPECT_EQ(Posts, 1);
  EXPECT_FALSE(inplace->EditModified());
  EXPECT_EQ(inplace->EditValue(), Variant(String(L"41")));

  // A failed post reaches the caller and the editor stays modified.
  fail = true;
  inplace->Type(L"42");
  EXPECT_THROW(inplace->PostEditValue(), Exception);
  EXPECT_EQ(Posts, 2);
  EXPECT_TRUE(inplace->EditModified());
  EXPECT_TRUE(inplace->ModifiedAfterEnter());
}

TEST_F(EditControlTest, StandAlonePostValidatesFirst) {
  Edit->Properties()->OnValidate = [&](TObject*, Variant& V, String&, bool& Error) {
    ++Validations;
    Error = VarToStr(V) == L"bad";
  };
  Focus(Edit);
  Edit->Type(L"bad");
  EXPECT_THROW(Edit->PostEditValue(), EvxEditValidationError);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  Edit->Type(L"good");
  Edit->PostEditValue();
  EXPECT_EQ(Edit->EditValue(), Variant(String(L"good")));
  EXPECT_EQ(Validations, 2);
}

class TNumberProperties : public TvxCustomTextEditProperties {
 public:
  using TvxCustomTextEditProperties::TvxCustomTextEditProperties;
  bool IsEditValueNumeric() override { return true; }
};

// A number editor: the display text converts to a number (or stays text when it is none).
class TNumberEdit : public TTestEdit {
 public:
  using TTestEdit::TTestEdit;
  void PrepareEditValue(const Variant& ADisplayValue, Variant& EditValue, bool) override {
    Extended d;
    EditValue = TryStrToFloat(VarToStr(ADisplayValue), d) ? Variant(d) : ADisplayValue;
  }

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override {
    return std::make_unique<TNumberProperties>(this);
  }
};

TEST_F(EditControlTest, NumericBoundsTable) {
  struct Case {
    const wchar_t* Typed;
    double Min, Max;
    bool SetMinOnly;
    bool Valid;
  } cases[] = {
      {L"5", 1, 10, false, true},     {L"0", 1, 10, false, false},  {L"11", 1, 10, false, false},
      {L"10", 1, 10, false, true},    {L"abc", 1, 10, false, true},  // not a number: no bounds check
      {L"-3", 1, 1, false, true},     // equal bounds mean no bounds
      {L"500", 2, 0, true, true},     {L"1", 2, 0, true, false},   // a min bound alone
  };
  TNumberEdit* e = TvxContainer::Create<TNumberEdit>(Form);
  e->SetBounds(10, 100, 80, 24);
  e->SetParent(Form);
  auto* p = static_cast<TNumberProperties*>(e->Properties());
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << &c - cases);
    p->AssignedValues()->RestoreDefaults();
    if (c.SetMinOnly)
      p->SetMinValue(c.Min);
    else
      p->SetMinMaxValues(c.Max, c.Min);
    e->SetEditValue(Null());
    e->Type(c.Typed);
    EXPECT_EQ(e->ValidateEdit(false), c.Valid);
    bool thrown = false;
    if (!c.Valid) {
      try {
        e->ValidateEdit(true);
      } catch (const EvxEditValidationError& x) {
        thrown = true;
        EXPECT_STREQ(x.what(), "Value out of bounds");
      }
      EXPECT_TRUE(thrown);
    }
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
