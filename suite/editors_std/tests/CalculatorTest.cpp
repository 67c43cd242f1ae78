// The calculator: button sequences as a table (chained operators, percent, memory, errors),
// the display's length limit, text it did not write itself, its metrics, and a real window
// driven by keys and the mouse and read back as pixels.
#include <gtest/gtest.h>

#include "StdReferenceImage.h"
#include "../../core/tests/SuiteControlTestSupport.h"
#include "vxCalc.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// A calculator that shows its text itself, as a popup calculator shows its edit's.
class TTestCalculator : public TvxCustomCalculator {
  DECLARE_CLASS(TTestCalculator, TvxCustomCalculator)
 public:
  using TvxCustomCalculator::TvxCustomCalculator;
  String GetDisplayText() override { return Display; }
  void SetDisplayText(const String& AText) override { Display = AText; }
  String Display = L"0";
};

// Presses the buttons of a key string: characters as typed, and S = sqrt, R = 1/x, N = +/-,
// B = Back, C = C, E = CE, L = MC, M = MS, P = M+, Q = MR.
void Press(TvxCustomCalculator& C, const wchar_t* Keys) {
  for (const wchar_t* k = Keys; *k; ++k) {
    TvxCalcButtonKind kind = TvxCustomCalculator::GetButtonKindChar(*k);
    switch (*k) {
      case L'S': kind = cbSqrt; break;
      case L'R': kind = cbRev; break;
      case L'N': kind = cbSign; break;
      case L'B': kind = cbBack; break;
      case L'C': kind = cbClear; break;
      case L'E': kind = cbCancel; break;
      case L'L': kind = cbMC; break;
      case L'M': kind = cbMS; break;
      case L'P': kind = cbMP; break;
      case L'Q': kind = cbMR; break;
      default: break;
    }
    ASSERT_NE(kind, cbNone) << static_cast<int>(*k);
    C.ProcessButton(kind);
  }
}

}  // namespace

TEST(Calculator, ButtonSequences) {
  const String error = L"Error";
  struct Case { const wchar_t* Keys; const wchar_t* Shown; } cases[] = {
      {L"2+3=", L"5"},
      {L"2+3*4=", L"20"},     // one pending operator: chained from left to right
      {L"5+10%", L"5.5"},     // operand 5 plus 5 x 10 / 100
      {L"50*10%", L"5"},
      {L"9S", L"3"},
      {L"2+9S=", L"5"},       // sqrt while + is pending keeps the number being entered
      {L"4R", L"0.25"},
      {L"1.5N", L"-1.5"},
      {L"12B", L"1"},
      {L"5NB", L"0"},         // "-5": two characters beginning with "-"
      {L"1/0=", L"Error"},
      {L"1/0=7+", L"Error"},  // after an error only CE and C act
      {L"1/0=E", L"0"},
      {L"0R", L"Error"},
      {L"4NS", L"Error"},
      {L"1..5", L"1.5"},      // one separator only
      {L"3M C Q", L"3"},
      {L"3MP Q", L"6"},
      {L"007", L"7"},
  };
  for (const Case& c : cases) {
    TTestCalculator calc(nullptr);
    String keys;
    for (const wchar_t* k = c.Keys; *k; ++k)
      if (*k != L' ') keys += *k;
    Press(calc, keys.c_str());
    EXPECT_EQ(String(c.Shown), calc.Display) << c.Keys;
    if (String(c.Shown) == error) {
      EXPECT_EQ(0, calc.Value()) << c.Keys;
    }
  }
}

TEST(Calculator, DisplayLengthMemoryButtonsAndEvents) {
  TTestCalculator calc(nullptr);
  Press(calc, L"1234567890.1234");  // 15 characters, the separator counting
  EXPECT_EQ(String(L"1234567890.1234"), calc.Display);
  Press(calc, L"5");
  EXPECT_EQ(String(L"1234567890.1234"), calc.Display) << "a 16th character is refused";
  calc.Display = L"0";
  Press(calc, L"C12345678901234N5");
  EXPECT_EQ(String(L"-123456789012345"), calc.Display) << "the sign adds one place";
  Press(calc, L"6");
  EXPECT_EQ(String(L"-123456789012345"), calc.Display);
  // Storing 0 leaves MC and MR grayed; a value other than 0 ungrays them.
  Press(calc, L"CM");
  EXPECT_TRUE(calc.Button(cbMC).Grayed);
  EXPECT_TRUE(calc.Button(cbMR).Grayed);
  Press(calc, L"8M");
  EXPECT_FALSE(calc.Button(cbMR).Grayed);
  EXPECT_EQ(8, calc.Memory());
  Press(calc, L"L");
  EXPECT_TRUE(calc.Button(cbMR).Grayed);
  // OnButtonClick may change the button; OnResult follows = and %.
  int results = 0;
  calc.OnResult = [&](TObject*) { ++results; };
  calc.OnButtonClick = [](TObject*, TvxCalcButtonKind& k) { if (k == cbNum1) k = cbNum9; };
  Press(calc, L"C1+1=");
  EXPECT_EQ(String(L"18"), calc.Display);
  EXPECT_EQ(1, results);
}

TEST(Calculator, TextItDidNotWriteReadsAsZero) {
  // An edit can hand over a lone "-" or other text that is no number: the calculator's
  // operators keep working on it as 0 instead of failing.
  for (const wchar_t* text : {L"-", L"abc", L"1.2.3", L""}) {
    TTestCalculator calc(nullptr);
    calc.Display = text;
    EXPECT_EQ(0, calc.Value()) << text;
    EXPECT_NO_THROW(Press(calc, L"+2=")) << text;
    EXPECT_EQ(String(L"2"), calc.Display) << text;
    calc.Display = text;
    EXPECT_NO_THROW(Press(calc, L"NS")) << text;
  }
}

TEST(Calculator, MetricsFollowTheSize) {
  TTestCalculator calc(nullptr);
  calc.CalcSize(300, 200);
  EXPECT_EQ(34, calc.CalcBtnHeight());
  EXPECT_EQ(43, calc.CalcBtnWidth());
  EXPECT_EQ(5, calc.CalcXOfs());
  EXPECT_EQ(5, calc.CalcYOfs());
  EXPECT_EQ(73, calc.CalcLargeBtnWidth());
  EXPECT_EQ(12, calc.CalcFontSize());
  EXPECT_EQ(302, calc.CalcWidth());
  EXPECT_EQ(200, calc.CalcHeight());
  // The first local best fit: 198 x 131 fits 23 better than 22 (133 against 128 for 131).
  calc.CalcSize(198, 131);
  EXPECT_EQ(23, calc.CalcBtnHeight());
  // Never below 22; C ends under "=", CE and Back Y apart to its left.
  calc.CalcSize(100, 100);
  EXPECT_EQ(22, calc.CalcBtnHeight());
  EXPECT_EQ(calc.Button(cbEqual).BtnRect.right, calc.Button(cbClear).BtnRect.right);
  EXPECT_EQ(calc.Button(cbClear).BtnRect.left - 3, calc.Button(cbCancel).BtnRect.right);
  EXPECT_EQ(calc.Button(cbCancel).BtnRect.left - 3, calc.Button(cbBack).BtnRect.right);
  EXPECT_EQ(cbNum5, calc.GetButtonKindAt(calc.Button(cbNum5).BtnRect.left + 2, calc.Button(cbNum5).BtnRect.top + 2));
  EXPECT_EQ(cbNone, calc.GetButtonKindAt(0, 0));
}

namespace {
struct CalculatorWindow : TFormFixture {
  TTestCalculator* Calc = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Form->SetColor(clBtnFace);
    Calc = new TTestCalculator(Form);
    Calc->SetLeft(8);
    Calc->SetTop(8);
    Calc->SetParent(Form);
    Calc->HandleNeeded();
    Calc->SetFocus();
    Pump(40);
  }
  void Type(std::initializer_list<WORD> Keys) {
    for (WORD k : Keys) {
      const bool shift = k & 0x100;
      if (shift) SendKey(VK_SHIFT, false);
      SendKey(k & 0xFF, false);
      SendKey(k & 0xFF, true);
      if (shift) SendKey(VK_SHIFT, true);
    }
    Pump(60);
  }
  void Click(TvxCalcButtonKind K) {
    const TRect r = Calc->Button(K).BtnRect;
    ClickAt(Calc, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
};
}  // namespace

TEST_F(CalculatorWindow, KeysAndClicksWorkTheButtons) {
  ASSERT_TRUE(Calc->Focused());
  Type({'7', VK_MULTIPLY, '6', VK_RETURN});
  EXPECT_EQ(String(L"42"), Calc->Display);
  Type({VK_ESCAPE});
  EXPECT_EQ(String(L"0"), Calc->Display);
  Click(cbNum9);
  Click(cbSqrt);
  EXPECT_EQ(String(L"3"), Calc->Display);
  Type({VK_BACK});
  EXPECT_EQ(String(L"0"), Calc->Display);
  // A press dragged off its button does nothing.
  const TRect r = Calc->Button(cbNum4).BtnRect;
  MoveMouse(ScreenPoint(Calc, r.left + 3, r.top + 3));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  Pump(30);
  EXPECT_TRUE(Calc->Button(cbNum4).Down);
  MoveMouse(ScreenPoint(Calc, 1, 1));
  Pump(30);
  EXPECT_FALSE(Calc->Button(cbNum4).Down);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(30);
  EXPECT_EQ(String(L"0"), Calc->Display);
}

TEST_F(CalculatorWindow, PaintsItsButtonsAsTheReferenceShows) {
  Click(cbNum5);
  MoveMouse(POINT{0, 0});
  Calc->Repaint();
  Pump(60);
  TWindowPixels px(Calc->Handle());
  EXPECT_EQ(Calc->CalcWidth(), px.W);
  // Grayed memory buttons show grey captions, the others black ones.
  auto darkIn = [&](TvxCalcButtonKind k) {
    const TRect r = Calc->Button(k).BtnRect;
    int n = 0;
    for (int y = r.top + 3; y < r.bottom - 3; ++y)
      for (int x = r.left + 3; x < r.right - 3; ++x) n += px.At(x, y) == RGB(0, 0, 0);
    return n;
  };
  EXPECT_GT(darkIn(cbNum7), 5);
  EXPECT_EQ(0, darkIn(cbMR));
  ExpectMatchesImage(L"calculator", px);
}

}  // namespace ZS_UNITY_ID
