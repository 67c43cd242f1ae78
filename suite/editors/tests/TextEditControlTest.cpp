// The text edit control on a shown form: its inner system edit and the edit value kept in
// step, typing and leaving, selection replacement under a length limit, the texts the
// window answers, thousand separators, and the repository item that lends properties.
#include <gtest/gtest.h>
#include <windows.h>

#include "Forms.h"
#include "Streaming.h"
#include "SysUtils.h"
#include "vxTextEdit.h"
#include "EditTestSurface.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 50) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

String WindowText(HWND W) {
  wchar_t buf[256] = {};
  GetWindowTextW(W, buf, 256);
  return buf;
}

// Offers text to the selection as if typed.
class TProbeTextEdit : public TvxTextEdit {
 public:
  using TvxTextEdit::TvxTextEdit;
  bool PrepareAsTyped(const String& A, String& T, Integer& P) {
    FKeyboardAction = true;
    const bool r = PrepareSelTextChange(A, T, P);
    FKeyboardAction = false;
    return r;
  }
};

class TTextRepositoryItem : public TvxEditRepositoryItem {
 public:
  explicit TTextRepositoryItem(TComponent* AOwner)
      : TvxEditRepositoryItem(AOwner, TvxTextEditProperties::StaticClass()) {}
};

struct TextEditControlTest : ::testing::Test {
  TForm* Form = nullptr;
  TvxTextEdit* Edit = nullptr;
  TvxTextEdit* Other = nullptr;
  int Changes = 0, ValueChanges = 0;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 320, 200);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Edit = Make(10);
    Other = Make(60);
    Edit->Properties()->OnChange = [this](TObject*) { ++Changes; };
    Edit->Properties()->OnEditValueChanged = [this](TObject*) { ++ValueChanges; };
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  TvxTextEdit* Make(Integer Top) {
    auto* e = TvxContainer::Create<TProbeTextEdit>(Form);
    e->SetBounds(10, Top, 150, 24);
    e->SetParent(Form);
    e->HandleNeeded();
    return e;
  }
  HWND Inner(TvxTextEdit* E) { return E->InnerTextControl()->Handle(); }
  void Type(const String& S) {
    for (wchar_t c : S) SendMessageW(Inner(Edit), WM_CHAR, c, 0);
  }
};

TEST_F(TextEditControlTest, EditValueIsShownInTheInnerEditAndAnsweredByTheWindow) {
  ASSERT_NE(Edit->InnerTextEdit(), nullptr);
  EXPECT_EQ(Edit->InnerTextControl()->Parent(), Edit);
  Edit->SetEditValue(L"Sorvane");
  EXPECT_EQ(WindowText(Inner(Edit)), L"Sorvane");
  EXPECT_EQ(Edit->Text(), L"Sorvane");
  EXPECT_EQ(WindowText(Edit->Handle()), L"Sorvane");
  EXPECT_EQ(SendMessageW(Edit->Handle(), WM_GETTEXTLENGTH, 0, 0), 7);
  wchar_t one[1] = {L'x'};
  EXPECT_EQ(SendMessageW(Edit->Handle(), WM_GETTEXT, 1, reinterpret_cast<LPARAM>(one)), 0);
  EXPECT_EQ(one[0], L'\0');
  wchar_t four[4] = {};
  EXPECT_EQ(SendMessageW(Edit->Handle(), WM_GETTEXT, 4, reinterpret_cast<LPARAM>(four)), 3);
  EXPECT_STREQ(four, L"Sor");
  // Programmatic text becomes the edit value at once and leaves the editor unmodified.
  SetWindowTextW(Edit->Handle(), L"Zalvo");
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"Zalvo");
  EXPECT_FALSE(Edit->EditModified());
  // The inner edit lies inside the editor's client area.
  const RECT inner = Edit->InnerTextControl()->BoundsRect();
  const TRect client = Edit->ViewInfo()->ClientRect;
  EXPECT_GE(inner.left, client.left);
  EXPECT_GE(inner.top, client.top);
  EXPECT_LE(inner.bottom, client.bottom);
  EXPECT_GT(inner.right - inner.left, 100);
}

// Pixels darker than mid-grey in R: the text's ink on the white editor.
int DarkPixels(const zs_edit_test::Surface& S, const TRect& R) {
  int n = 0;
  for (int y = R.top; y < R.bottom; ++y)
    for (int x = R.left; x < R.right; ++x) {
      const COLORREF c = S.At(x, y);
      if (GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128) ++n;
    }
  return n;
}

TEST_F(TextEditControlTest, TheViewLeavesTheTextToAVisibleInnerEdit) {
  Edit->Style()->SetColor(clWhite);
  Edit->Style()->SetTextColor(clBlack);
  Edit->SetEditValue(L"WWWWWWWW");
  Pump(30);
  ASSERT_TRUE(Edit->InnerTextControl()->Visible());
  TvxCustomEditViewInfo* vi = Edit->ViewInfo();
  EXPECT_TRUE(vi->HasInnerEdit);
  EXPECT_FALSE(vi->HasBackground);
  TRect client = vi->ClientRect;
  InflateRect(&client, -2, -2);
  {
    zs_edit_test::Surface s(150, 24);
    vi->Paint(s.vx.get());
    EXPECT_EQ(DarkPixels(s, client), 0) << "the text is painted under the inner edit";
  }
  // The same view without a live inner edit draws the text itself.
  vi->HasInnerEdit = false;
  zs_edit_test::Surface s(150, 24);
  vi->Paint(s.vx.get());
  EXPECT_GT(DarkPixels(s, client), 10);
}

TEST_F(TextEditControlTest, TypingModifiesAndLeavingAppliesTheValueOnce) {
  Edit->SetEditValue(L"ab");
  Edit->SetFocus();
  Pump(40);
  ASSERT_TRUE(Edit->Focused());
  Changes = ValueChanges = 0;
  Edit->SetSelection(2, 0);
  Type(L"cd");
  EXPECT_EQ(Edit->Text(), L"abcd");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(Changes, 2);       // the text changed twice
  EXPECT_EQ(ValueChanges, 0);  // the value only at validation
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"ab");
  EXPECT_EQ(VarToStr(Edit->EditingValue()), L"abcd");
  Other->SetFocus();
  Pump(40);
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"abcd");
  EXPECT_EQ(ValueChanges, 1);
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
}

TEST_F(TextEditControlTest, EscapeRestoresTheValueOfEntry) {
  Edit->SetEditValue(L"keep");
  Edit->SetFocus();
  Pump(40);
  Edit->SelectAll();
  Type(L"gone");
  ASSERT_EQ(Edit->Text(), L"gone");
  SendMessageW(Inner(Edit), WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageW(Inner(Edit), WM_CHAR, 27, 0);
  EXPECT_EQ(Edit->Text(), L"keep");
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"keep");
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
}

TEST_F(TextEditControlTest, AnInstalledEditHookHearsFocusKeysAndTheEnd) {
  struct THook : IvxEditHook {
    String Log;
    void EditingEnded(TvxCustomEdit*) override { Log += L"end;"; }
    void InnerControlFocused(TvxCustomEdit*, TWinControl* C) override { Log += C ? L"focus;" : L"focus-none;"; }
    void KeyPressed(TvxCustomEdit*, wchar_t K) override { Log += String(1, K) + L";"; }
  } hook;
  vxSetEditHook(&hook);
  Edit->SetFocus();
  Pump(40);
  Type(L"q");
  Other->SetFocus();
  Pump(40);
  vxSetEditHook(nullptr);
  EXPECT_EQ(hook.Log, L"focus;q;end;focus;");  // the last: the other editor taking the focus
}

TEST_F(TextEditControlTest, TabMovesOnAndPageKeysGoToTheSurroundingControl) {
  Edit->SetFocus();
  Pump(40);
  ASSERT_TRUE(Edit->Focused());
  std::vector<Word> after;
  Edit->OnAfterKeyDown = [&](TObject*, Word& Key, TShiftState) { after.push_back(Key); };
  SendMessageW(Inner(Edit), WM_KEYDOWN, VK_NEXT, 0);
  SendMessageW(Inner(Edit), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(after, (std::vector<Word>{VK_NEXT, VK_DOWN}));
  // Home stays with the inner edit.
  Edit->SetEditValue(L"abc");
  Edit->SetSelection(3, 0);
  after.clear();
  SendMessageW(Inner(Edit), WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(Edit->SelStart(), 0);
  EXPECT_TRUE(after.empty());
  // Tab moves the focus to the next control.
  SendMessageW(Inner(Edit), WM_KEYDOWN, VK_TAB, 0);
  Pump(40);
  EXPECT_TRUE(Other->Focused());
  EXPECT_FALSE(Edit->Focused());
}

TEST_F(TextEditControlTest, SelectionReplacementUnderTheLengthLimit) {
  Edit->Properties()->SetMaxLength(5);
  Edit->SetEditValue(L"abcde");
  Edit->SetFocus();
  Pump(40);
  struct Case {
    const char* Name;
    Integer SelStart, SelLength;
    const wchar_t* Insert;
    bool Accepted;
    const wchar_t* Text;
    Integer Caret;
  } cases[] = {
      {"typing at the end of a full text is refused", 5, 0, L"f", false, L"", 0},
      {"three over the second and third", 1, 2, L"XYZ", true, L"aXYZd", 4},
      {"replacing all", 0, 5, L"12", true, L"12", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Edit->SetEditValue(L"abcde");
    Edit->SetSelection(c.SelStart, c.SelLength);
    String text;
    Integer caret = -1;
    EXPECT_EQ(static_cast<TProbeTextEdit*>(Edit)->PrepareAsTyped(c.Insert, text, caret), c.Accepted);
    if (c.Accepted) {
      EXPECT_EQ(text, c.Text);
      EXPECT_EQ(caret, c.Caret);
    }
  }
  // Typed characters past the limit never reach the text.
  Edit->SetEditValue(L"abcde");
  Edit->SetSelection(5, 0);
  Type(L"f");
  EXPECT_EQ(Edit->Text(), L"abcde");
}

TEST_F(TextEditControlTest, PasswordEchoAndCharacterCaseReachTheInnerEdit) {
  Edit->Properties()->SetEchoMode(eemPassword);
  EXPECT_EQ(SendMessageW(Inner(Edit), EM_GETPASSWORDCHAR, 0, 0), L'*');
  Edit->Properties()->SetPasswordChar(L'#');
  EXPECT_EQ(SendMessageW(Inner(Edit), EM_GETPASSWORDCHAR, 0, 0), L'#');
  Edit->Properties()->SetEchoMode(eemNormal);
  EXPECT_EQ(SendMessageW(Inner(Edit), EM_GETPASSWORDCHAR, 0, 0), 0);
  Edit->Properties()->SetCharCase(ecUpperCase);
  Edit->SetText(L"mixed Case");
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"MIXED CASE");
}

TEST_F(TextEditControlTest, ReadOnlyEditorRefusesTypingAndClear) {
  Edit->SetEditValue(L"fixed");
  Edit->Properties()->SetReadOnly(true);
  EXPECT_NE(GetWindowLongW(Inner(Edit), GWL_STYLE) & ES_READONLY, 0);
  Edit->SetFocus();
  Pump(40);
  Edit->SelectAll();
  SendMessageW(Edit->Handle(), WM_CLEAR, 0, 0);
  SendMessageW(Inner(Edit), WM_CLEAR, 0, 0);
  Type(L"x");
  EXPECT_EQ(Edit->Text(), L"fixed");
}

TEST_F(TextEditControlTest, InPlaceEditorTypesTheActivationKeyAndPostsOnRequest) {
  TvxInplaceEditList list(Form);
  TvxTextEditProperties column(nullptr);
  column.SetMaxLength(4);
  auto* e = dynamic_cast<TvxTextEdit*>(list.GetEdit(&column));
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->IsInplace());
  e->SetBounds(20, 110, 120, 20);
  e->SetParent(Form);
  e->SetEditValue(L"old");
  int posts = 0;
  e->OnPostEditValue = [&](TObject*) { ++posts; };
  TvxCustomEditData* data = nullptr;
  e->ActivateByKey(L'n', data);
  EXPECT_TRUE(e->Visible());
  EXPECT_TRUE(e->Focused());
  // Auto-select put the whole text under the typed key.
  EXPECT_EQ(e->Text(), L"n");
  EXPECT_TRUE(e->ModifiedAfterEnter());
  for (wchar_t c : String(L"ewer")) SendMessageW(e->InnerTextControl()->Handle(), WM_CHAR, c, 0);
  EXPECT_EQ(e->Text(), L"newe");  // the column's length limit holds
  EXPECT_TRUE(e->Deactivate());
  EXPECT_EQ(VarToStr(e->EditValue()), L"newe");
  e->PostEditValue();
  EXPECT_EQ(posts, 1);
}

TEST(TextEditStreaming, TextPropertiesAndSettingsAreWrittenAndReadBack) {
  std::unique_ptr<TvxTextEdit> edit(TvxContainer::Create<TvxTextEdit>(nullptr));
  edit->SetName(L"Edit1");
  edit->Properties()->SetCharCase(ecUpperCase);
  edit->Properties()->SetMaxLength(8);
  edit->SetBeepOnEnter(false);
  edit->SetTextHint(L"name");
  edit->SetText(L"abc");
  ASSERT_EQ(edit->Text(), L"ABC");
  TMemoryStream binary;
  WriteComponentToStream(&binary, edit.get());
  binary.SetPosition(0);
  TMemoryStream text;
  ObjectBinaryToText(&binary, &text);
  const std::string s(reinterpret_cast<const char*>(text.Memory()), text.Size());
  EXPECT_NE(s.find("Text = 'ABC'"), std::string::npos) << s;
  EXPECT_NE(s.find("BeepOnEnter = False"), std::string::npos) << s;
  EXPECT_NE(s.find("Properties.CharCase = ecUpperCase"), std::string::npos) << s;
  EXPECT_EQ(s.find("AutoSize"), std::string::npos) << s;  // the default

  std::unique_ptr<TvxTextEdit> copy(TvxContainer::Create<TvxTextEdit>(nullptr));
  binary.SetPosition(0);
  ReadComponentFromStream(&binary, copy.get());
  EXPECT_EQ(copy->Text(), L"ABC");
  EXPECT_EQ(VarToStr(copy->EditValue()), L"ABC");
  EXPECT_EQ(copy->Properties()->CharCase(), ecUpperCase);
  EXPECT_EQ(copy->Properties()->MaxLength(), 8);
  EXPECT_FALSE(copy->BeepOnEnter());
  EXPECT_EQ(copy->TextHint(), L"name");
  EXPECT_FALSE(copy->EditModified());
}

TEST(ThousandSeparators, InsertedByTheLocaleSeparators) {
  const TFormatSettings saved = FormatSettings;
  FormatSettings.ThousandSeparator = L',';
  FormatSettings.DecimalSeparator = L'.';
  struct Case {
    const wchar_t* In;
    const wchar_t* Out;
  } cases[] = {
      {L"1234567.5", L"1,234,567.5"}, {L"-1234", L"-1,234"},  {L"12345e5", L"12,345e5"},
      {L" 1,2,34 ", L" 1,234 "},      {L"999", L"999"},       {L"abc", L"abc"},
  };
  for (const Case& c : cases) {
    String s = c.In;
    InsertThousandSeparators(s);
    EXPECT_EQ(s, c.Out) << c.In;
  }
  EXPECT_TRUE(IsNumericText(L"1,234.5"));
  EXPECT_FALSE(IsNumericText(L""));
  EXPECT_FALSE(IsNumericText(L"1a"));
  FormatSettings = saved;
}

TEST_F(TextEditControlTest, RepositoryItemLendsItsPropertiesUntilItGoes) {
  auto* item = new TTextRepositoryItem(Form);
  static_cast<TvxTextEditProperties*>(item->Properties())->SetCharCase(ecUpperCase);
  Edit->SetRepositoryItem(item);
  EXPECT_EQ(Edit->TvxCustomEdit::ActiveProperties(), item->Properties());
  EXPECT_EQ(item->ListenerCount(), 1);
  Edit->SetText(L"lent");
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"LENT");
  // Properties of an unfitting class are refused; the item stays.
  auto* plain = new TvxEditRepositoryItem(Form);
  EXPECT_THROW(Edit->SetRepositoryItem(plain), EvxEditError);
  EXPECT_EQ(Edit->RepositoryItem(), item);
  // A change of the item's properties reaches the editor.
  static_cast<TvxTextEditProperties*>(item->Properties())->SetEchoMode(eemPassword);
  EXPECT_EQ(SendMessageW(Inner(Edit), EM_GETPASSWORDCHAR, 0, 0), L'*');
  delete item;
  EXPECT_EQ(Edit->RepositoryItem(), nullptr);
  EXPECT_EQ(Edit->TvxCustomEdit::ActiveProperties(), Edit->Properties());
  EXPECT_EQ(SendMessageW(Inner(Edit), EM_GETPASSWORDCHAR, 0, 0), 0);
  delete plain;
}

}  // namespace

}  // namespace ZS_UNITY_ID
