// The mask edit on a shown form, driven by synthesized keyboard input: the standard,
// regular-expression and forced-character modes, pasting, validation and display.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "Forms.h"
#include "SysUtils.h"
#include "vxMaskEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 30) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(1);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

// Counts the error beeps instead of sounding them.
class TProbeMaskEdit : public TvxMaskEdit {
 public:
  using TvxMaskEdit::TvxMaskEdit;
  void MaskBeep() override { ++Beeps; }
  int Beeps = 0;
};

void SetClipboardText(const String& AText) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (AText.size() + 1) * sizeof(wchar_t));
  auto* p = static_cast<wchar_t*>(GlobalLock(h));
  std::copy(AText.begin(), AText.end(), p);
  p[AText.size()] = 0;
  GlobalUnlock(h);
  SetClipboardData(CF_UNICODETEXT, h);
  CloseClipboard();
}

struct MaskEditTest : ::testing::Test {
  TForm* Form = nullptr;
  TProbeMaskEdit* Edit = nullptr;
  TvxTextEdit* Other = nullptr;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 320, 200);
    Form->Show();
    Edit = TvxContainer::Create<TProbeMaskEdit>(Form);
    Edit->SetBounds(10, 10, 200, 24);
    Edit->SetParent(Form);
    Edit->Properties()->SetBeepOnError(true);
    Other = TvxContainer::Create<TvxTextEdit>(Form);
    Other->SetBounds(10, 60, 200, 24);
    Other->SetParent(Form);
    Pump();
  }
  void TearDown() override {
    delete Form;
    Pump(10);
  }

  void Use(TvxEditMaskKind AKind, const String& AMask) {
    Edit->Properties()->SetMaskKind(AKind);
    Edit->Properties()->SetEditMask(AMask);
    Focus();
  }
  void Focus() {
    SetForegroundWindow(Form->Handle());
    Edit->SetFocus();
    Pump();
  }
  HWND Inner() { return Edit->InnerTextControl()->Handle(); }

  // Synthesized keyboard input: characters as typed text, "{BS}" "{DEL}" "{LEFT}"
  // "{RIGHT}" "{HOME}" "{END}" as keys, "{S+DEL}" "{C+LEFT}" with Shift or Ctrl.
  void Keys(const String& AKeys) {
    std::vector<INPUT> in;
    auto vk = [&](WORD V, bool AUp) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = V;
      i.ki.dwFlags = AUp ? KEYEVENTF_KEYUP : 0;
      in.push_back(i);
    };
    for (size_t k = 0; k < AKeys.size(); ++k) {
      if (AKeys[k] == L'{') {
        const size_t close = AKeys.find(L'}', k);
        String name = AKeys.substr(k + 1, close - k - 1);
        k = close;
        WORD mod = 0;
        if (name.rfind(L"S+", 0) == 0) mod = VK_SHIFT;
        if (name.rfind(L"C+", 0) == 0) mod = VK_CONTROL;
        if (mod) name = name.substr(2);
        const WORD v = name == L"BS"     ? VK_BACK
                       : name == L"DEL"  ? VK_DELETE
                       : name == L"LEFT" ? VK_LEFT
                       : name == L"RIGHT" ? VK_RIGHT
                       : name == L"HOME" ? VK_HOME
                                         : VK_END;
        if (mod) vk(mod, false);
        vk(v, false);
        vk(v, true);
        if (mod) vk(mod, true);
        continue;
      }
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wScan = AKeys[k];
      i.ki.dwFlags = KEYEVENTF_UNICODE;
      in.push_back(i);
      i.ki.dwFlags |= KEYEVENTF_KEYUP;
      in.push_back(i);
    }
    for (INPUT& i : in) {
      SendInput(1, &i, sizeof(INPUT));
      Pump(5);
    }
    Pump();
  }
  String Text() { return Edit->EditText(); }
  Integer Caret() { return Edit->SelStart(); }
};

TEST_F(MaskEditTest, StandardMaskTypingSkipsLiteralsAndRefusesWrongKeys) {
  Use(emkStandard, L"(000) 000-0000");
  ASSERT_EQ(GetFocus(), Inner());
  EXPECT_EQ(Text(), L"(___) ___-____");
  Edit->SetSelection(0, 0);
  Pump();
  EXPECT_EQ(Edit->SelLength(), 1);  // the caret shows as a one-character selection
  Keys(L"5");
  EXPECT_EQ(Text(), L"(5__) ___-____");
  EXPECT_EQ(Caret(), 2);
  EXPECT_EQ(Edit->SelLength(), 1);
  Keys(L"x");  // refused silently
  EXPECT_EQ(Text(), L"(5__) ___-____");
  EXPECT_EQ(Edit->Beeps, 0);
  Keys(L"55123");
  EXPECT_EQ(Text(), L"(555) 123-____");
  EXPECT_EQ(Caret(), 10);
  Keys(L"{BS}");  // blanks the digit before, keeps the literal
  EXPECT_EQ(Text(), L"(555) 12_-____");
  EXPECT_EQ(Caret(), 8);
  Keys(L"{LEFT}{LEFT}{LEFT}");
  EXPECT_EQ(Caret(), 3);
  Keys(L"{RIGHT}");
  EXPECT_EQ(Caret(), 6);
  Keys(L"{HOME}");
  EXPECT_EQ(Caret(), 1);
  Keys(L"{C+RIGHT}");
  EXPECT_EQ(Caret(), 14);
  Keys(L"{C+LEFT}");
  EXPECT_EQ(Caret(), 1);
  Edit->SetSelection(3, 4);  // "5) 1"
  Keys(L"{DEL}");
  EXPECT_EQ(Text(), L"(55_) _2_-____");
  EXPECT_EQ(Edit->Beeps, 0);
}

TEST_F(MaskEditTest, StandardMaskValueAndUnfocusedDisplay) {
  Edit->Properties()->SetEditMask(L"(000) 000-0000");
  Edit->SetEditValue(String(L"123"));
  Pump();
  // Unfocused: empty positions show as spaces, or as blanks when asked.
  EXPECT_EQ(Text(), L"(123)    -    ");
  Edit->Properties()->SetAlwaysShowBlanksAndLiterals(true);
  Pump();
  EXPECT_EQ(Text(), L"(123) ___-____");
  Focus();
  Edit->SetSelection(6, 0);
  Keys(L"4567890");
  Other->SetFocus();
  Pump();
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"(123) 456-7890");
}

TEST_F(MaskEditTest, PastedTextIsFittedOrRefusedWhole) {
  Use(emkStandard, L"00-00");
  Edit->SetSelection(0, 0);
  SetClipboardText(L"ab");
  Edit->PasteFromClipboard();
  Pump();
  EXPECT_EQ(Text(), L"__-__");  // nothing fits: the text stays
  SetClipboardText(L"1x23");
  Edit->SetSelection(0, 0);
  Edit->PasteFromClipboard();
  Pump();
  EXPECT_EQ(Text(), L"12-3_");
  Edit->SetSelection(0, 5);
  Edit->SetSelText(L"zz");
  EXPECT_EQ(Text(), L"12-3_");
}

TEST_F(MaskEditTest, RegularExpressionModeBeepsOnRejectedKeys) {
  Use(emkRegExpr, L"\\d+");
  Keys(L"12a3");
  EXPECT_EQ(Text(), L"123");
  EXPECT_EQ(Edit->Beeps, 1);
  Edit->SetSelection(1, 1);
  Keys(L"x");  // rejected: the text and the selection stay
  EXPECT_EQ(Text(), L"123");
  EXPECT_EQ(Edit->SelStart(), 1);
  EXPECT_EQ(Edit->SelLength(), 1);
  EXPECT_EQ(Edit->Beeps, 2);
  Keys(L"9");
  EXPECT_EQ(Text(), L"193");
  Edit->SetSelection(2, 0);
  Keys(L"{S+DEL}");  // Shift+Delete without a selection is Backspace
  EXPECT_EQ(Text(), L"13");
  Edit->Properties()->SetBeepOnError(false);
  Keys(L"x");
  EXPECT_EQ(Edit->Beeps, 2);
}

TEST_F(MaskEditTest, RegularExpressionChangesDropATailThatNoLongerFits) {
  Use(emkRegExpr, L"[a-z]+\\d\\d");
  Keys(L"ab12");
  EXPECT_EQ(Text(), L"ab12");
  Edit->SetSelection(1, 0);
  Keys(L"{BS}");
  EXPECT_EQ(Text(), L"b12");
  Keys(L"{DEL}");  // "12" alone cannot follow nothing: dropped
  EXPECT_EQ(Text(), L"");
  Keys(L"日");
  EXPECT_EQ(Text(), L"");
  // Japanese literals in the pattern match typed Japanese text.
  Edit->Properties()->SetEditMask(L"(東京|大阪)\\d+");
  Focus();
  Keys(L"大阪12");
  EXPECT_EQ(Text(), L"大阪12");
}

TEST_F(MaskEditTest, ForcedCharactersAreTypedAndPassedOver) {
  Use(emkRegExprEx, L"'ID-'\\d\\d'-'\\d\\d");
  EXPECT_EQ(Text(), L"ID-");
  Edit->SetSelection(3, 0);
  Keys(L"12");
  EXPECT_EQ(Text(), L"ID-12-");
  EXPECT_EQ(Caret(), 6);
  Keys(L"{BS}");
  EXPECT_EQ(Text(), L"ID-1");
  Edit->SetSelection(0, 0);
  Keys(L"{DEL}");
  EXPECT_EQ(Text(), L"ID-1");
  EXPECT_EQ(Edit->Beeps, 1);
  Edit->SetSelection(3, 0);
  Keys(L"{LEFT}");
  EXPECT_EQ(Caret(), 0);
  Keys(L"{RIGHT}");
  EXPECT_EQ(Caret(), 3);
  Edit->SetSelection(4, 0);
  Keys(L"2{BS}{BS}");
  EXPECT_EQ(Text(), L"ID-");
  Keys(L"{BS}");  // only the forced prefix is left
  EXPECT_EQ(Text(), L"ID-");
  EXPECT_EQ(Edit->Beeps, 2);
}

TEST_F(MaskEditTest, MaskPropertiesTable) {
  TvxMaskEditProperties p(nullptr);
  // A blank mask is no mask.
  p.SetEditMask(L"   ");
  EXPECT_FALSE(p.IsMasked());
  p.SetEditMask(L"00");
  EXPECT_TRUE(p.IsMasked());
  // A bad mask raises and the old one stays.
  p.SetMaskKind(emkRegExpr);
  EXPECT_EQ(p.EditMask(), L"");  // switching between standard and expressions clears it
  p.SetEditMask(L"\\d+");
  try {
    p.SetEditMask(L"(a|");
    ADD_FAILURE();
  } catch (const EvxMaskEditError& e) {
    EXPECT_EQ(e.Message(), L"Regular expression errors:\r\nMissing ')'");
  }
  EXPECT_EQ(p.EditMask(), L"\\d+");
  p.SetMaskKind(emkRegExprEx);
  EXPECT_EQ(p.EditMask(), L"\\d+");
  // Assign carries the kind and the mask together.
  TvxMaskEditProperties q(nullptr);
  q.Assign(&p);
  EXPECT_EQ(q.MaskKind(), emkRegExprEx);
  EXPECT_EQ(q.EditMask(), L"\\d+");
  // Case conversion forces case-insensitive patterns.
  p.SetCharCase(ecUpperCase);
  p.SetCaseInsensitive(false);
  EXPECT_TRUE(p.CaseInsensitive());
}

struct TValidCase {
  TvxEditMaskKind Kind;
  const wchar_t* Mask;
  bool IgnoreMaskBlank;
  const wchar_t* Text;
  bool Valid;
};

TEST_F(MaskEditTest, FullValidityTable) {
  TValueScope<Char> date(FormatSettings.DateSeparator, L'/');
  const TValidCase cases[] = {
      {emkStandard, L"00/00", true, L"__/__", true},    {emkStandard, L"00/00", true, L"1_/__", false},
      {emkStandard, L"00/00", false, L"__/__", false},  {emkStandard, L"00/00", false, L"12/34", true},
      {emkRegExpr, L"\\d\\d-\\d", false, L"12-", false}, {emkRegExpr, L"\\d\\d-\\d", true, L"12-", true},
      {emkRegExpr, L"\\d\\d-\\d", true, L"12x", false},  {emkRegExpr, L"\\d\\d-\\d", false, L"", true},
      {emkRegExprEx, L"'ID-'\\d", false, L"ID-", true},  {emkRegExprEx, L"'ID-'\\d", false, L"ID-5", true},
  };
  for (const auto& c : cases) {
    TvxMaskEditProperties p(nullptr);
    p.SetMaskKind(c.Kind);
    p.SetEditMask(c.Mask);
    p.SetIgnoreMaskBlank(c.IgnoreMaskBlank);
    std::unique_ptr<TvxMaskEditCustomMode> mode(p.CreateMode(c.Kind, nullptr));
    mode->Compile(c.Mask);
    EXPECT_EQ(mode->IsFullValidText(c.Text), c.Valid) << testing::PrintToString(String(c.Mask) + L" " + c.Text);
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
