// The spin edit on real windows: steps at the bounds in each limit mode (a table), the
// value type's limits, keys, the wheel and a button held down for auto-repeat, typed
// text, validation of an emptied text, zero steps through a form stream; and the
// button edit's default and streamed buttons.
#include <gtest/gtest.h>

#include <limits>

#include "../../core/tests/ControlsTestSupport.h"
#include "Streaming.h"
#include "SysUtils.h"
#include "../../editors/tests/EditTestSurface.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxButtonEdit.h"
#include "vxSpinEdit.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

constexpr long long Int64Max = std::numeric_limits<long long>::max();
constexpr long long Int64Min = std::numeric_limits<long long>::min();

struct SpinEditTest : TFormFixture {
  TFormatSettings Saved = FormatSettings;
  TvxSpinEdit* Edit = nullptr;
  TvxSpinEdit* Other = nullptr;
  void SetUp() override {
    FormatSettings.DecimalSeparator = L'.';
    TFormFixture::SetUp();
    Edit = Make(10);
    Other = Make(60);
    Pump(30);
  }
  void TearDown() override {
    MoveMouse(POINT{0, 0});
    TFormFixture::TearDown();
    FormatSettings = Saved;
  }
  TvxSpinEdit* Make(Integer Top) {
    auto* e = TvxContainer::Create<TvxSpinEdit>(Form);
    e->SetBounds(10, Top, 150, 24);
    e->SetParent(Form);
    e->HandleNeeded();
    return e;
  }
  void Focus(TvxSpinEdit* E) {
    E->SetFocus();
    Pump(30);
  }
  void Key(WORD Vk) {
    SendKey(Vk, false);
    SendKey(Vk, true);
    Pump(30);
  }
  POINT ScreenCenterOf(const TRect& R) {
    POINT p{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(Edit->Handle(), &p);
    return p;
  }
};

struct StepCase {
  const char* Name;
  TvxSpinEditValueType Type;
  double Min, Max;  // equal: no bounds
  bool Circular;
  double Increment;
  Variant Start;
  TvxSpinEditButton Button;
  Variant Expected;
  bool Changed;
};

TEST_F(SpinEditTest, StepsAtTheBoundsInEachMode) {
  const StepCase cases[] = {
      {"down at min, clamp", vtInt, 0, 100, false, 1, 0, sebBackward, 0LL, false},
      {"up at max, clamp", vtInt, 0, 100, false, 1, 100, sebForward, 100LL, false},
      {"down at max", vtInt, 0, 100, false, 1, 100, sebBackward, 99LL, true},
      {"up past max stops at it", vtInt, 0, 100, false, 3, 99, sebForward, 100LL, true},
      {"wrap up at max", vtInt, 0, 100, true, 1, 100, sebForward, 0LL, true},
      {"wrap down at min", vtInt, 0, 100, true, 1, 0, sebBackward, 100LL, true},
      {"wrap up by 3", vtInt, 0, 100, true, 3, 99, sebForward, 1LL, true},
      {"wrap down by 3", vtInt, 0, 100, true, 3, 1, sebBackward, 99LL, true},
      {"below min, up jumps to min", vtInt, 0, 100, false, 1, -5, sebForward, 0LL, true},
      {"below min, down refused", vtInt, 0, 100, false, 1, -5, sebBackward, -5LL, false},
      {"below min, down wraps to max", vtInt, 0, 100, true, 1, -5, sebBackward, 100LL, true},
      {"integer step 0.5 is 0", vtInt, 0, 0, false, 0.5, 7, sebForward, 7LL, false},
      {"integer step 1.5 is 2", vtInt, 0, 0, false, 1.5, 7, sebForward, 9LL, true},
      {"integer step 2.5 is 2", vtInt, 0, 0, false, 2.5, 7, sebForward, 9LL, true},
      {"no bounds: up at the type's max stays", vtInt, 0, 0, false, 1, Int64Max, sebForward, Int64Max, false},
      {"no bounds: down at the type's min stays", vtInt, 0, 0, false, 1, Int64Min, sebBackward, Int64Min, false},
      // A step too large for the type saturates instead of turning negative.
      {"huge step forward", vtInt, 0, 0, false, 1e19, 0, sebForward, Int64Max, true},
      {"huge step backward", vtInt, 0, 0, false, 1e19, 0, sebBackward, Int64Min, true},
      // Wrapping always lands inside the bounds.
      {"wrap a step longer than the range", vtInt, 0, 10, true, 30, 5, sebForward, 2LL, true},
      {"float wrap up at max", vtFloat, 0, 10, true, 0.5, 10.0, sebForward, 0.5, true},
      {"float wrap down at min", vtFloat, 0, 10, true, 0.5, 0.0, sebBackward, 9.5, true},
      {"float step inside", vtFloat, 0, 10, true, 0.5, 2.0, sebForward, 2.5, true},
      {"float clamp at max", vtFloat, 0, 10, false, 0.75, 9.5, sebForward, 10.0, true},
  };
  Focus(Edit);
  ASSERT_TRUE(Edit->Focused());
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TvxSpinEditProperties* p = Edit->Properties();
    p->SetValueType(c.Type);
    p->SetMinMaxValues(c.Max, c.Min);
    p->SetCircular(c.Circular);
    p->SetIncrement(c.Increment);
    Edit->SetValue(c.Start);
    ASSERT_EQ(Edit->Value(), p->ConvertToValueType(c.Start));
    EXPECT_EQ(Edit->Increment(c.Button), c.Changed);
    const Variant v = Edit->Value();
    EXPECT_EQ(Edit->Text(), VarToStr(v));
    EXPECT_EQ(VarType(v), c.Type == vtInt ? varInt64 : varDouble);
    if (c.Type == vtInt)
      EXPECT_EQ(v.AsInt64(), c.Expected.AsInt64());
    else
      EXPECT_DOUBLE_EQ(v.AsDouble(), c.Expected.AsDouble());
    if (c.Min != c.Max && !(c.Start < c.Min)) {
      EXPECT_GE(v.AsDouble(), c.Min);
      EXPECT_LE(v.AsDouble(), c.Max);
    }
  }
}

TEST_F(SpinEditTest, ValueTypeAndValuesThatDoNotFit) {
  TvxSpinEditProperties alone(nullptr);
  EXPECT_EQ(alone.ValueType(), vtFloat) << "without a provider or an assigned type";
  EXPECT_FALSE(alone.IsValueTypeStored());
  TvxSpinEditProperties* p = Edit->Properties();
  EXPECT_EQ(p->ValueType(), vtInt) << "the editor's own provider holds no float value";
  p->SetValueType(vtInt);
  Edit->SetValue(5);
  Edit->SetValue(1.5);
  EXPECT_EQ(Edit->Value().AsInt64(), 5) << "1.5 does not convert to an integer";
  Edit->SetValue(L"7");
  EXPECT_EQ(Edit->Value().AsInt64(), 5) << "a string is ignored";
  EXPECT_THROW(p->GetIncrement(static_cast<TvxSpinEditButton>(9)), EvdException);
  // Buttons follow the spin-button settings.
  EXPECT_EQ(p->Buttons()->Count(), 2);
  p->SpinButtons()->SetShowFastButtons(true);
  EXPECT_EQ(p->Buttons()->Count(), 4);
  p->SpinButtons()->SetVisible(false);
  EXPECT_EQ(p->Buttons()->Count(), 0);
}

TEST_F(SpinEditTest, ArrowAndPageKeysStepAndHoldTheButtonPressed) {
  Edit->Properties()->SetValueType(vtInt);
  Edit->Properties()->SpinButtons()->SetShowFastButtons(true);
  Focus(Edit);
  ASSERT_TRUE(Edit->Focused());
  Key(VK_UP);
  Key(VK_UP);
  EXPECT_EQ(Edit->Value().AsInt64(), 2);
  Key(VK_PRIOR);
  EXPECT_EQ(Edit->Value().AsInt64(), 12);
  Key(VK_NEXT);
  Key(VK_DOWN);
  EXPECT_EQ(Edit->Value().AsInt64(), 1);
  EXPECT_EQ(Edit->Text(), L"1");
  // A held key keeps its button drawn pressed; the system's repeat steps again.
  SendKey(VK_UP, false);
  Pump(30);
  EXPECT_EQ(Edit->PressedState(), epsUp);
  EXPECT_TRUE(Edit->ViewInfo()->Buttons(sebForward)->Data.State == ebsPressed);
  SendKey(VK_UP, false);
  Pump(30);
  SendKey(VK_UP, true);
  Pump(30);
  EXPECT_EQ(Edit->PressedState(), epsNone);
  EXPECT_EQ(Edit->Value().AsInt64(), 3);
  // With Ctrl required, Up alone does not step.
  Edit->Properties()->SetUseCtrlIncrement(true);
  Key(VK_UP);
  EXPECT_EQ(Edit->Value().AsInt64(), 3);
  SendKey(VK_CONTROL, false);
  Key(VK_UP);
  SendKey(VK_CONTROL, true);
  Pump(20);
  EXPECT_EQ(Edit->Value().AsInt64(), 4);
  // Leaving posts the stepped value.
  Focus(Other);
  EXPECT_EQ(Edit->EditValue().AsInt64(), 4);
}

TEST_F(SpinEditTest, WheelSteps) {
  Edit->Properties()->SetValueType(vtFloat);
  Edit->Properties()->SetIncrement(0.25);
  Focus(Edit);
  MoveMouse(ScreenCenterOf(Edit->ViewInfo()->BorderRect));
  for (int i = 0; i < 3; ++i) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = WHEEL_DELTA;
    SendInput(1, &in, sizeof in);
    Pump(30);
  }
  EXPECT_DOUBLE_EQ(Edit->Value().AsDouble(), 0.75);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_WHEEL;
  in.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
  SendInput(1, &in, sizeof in);
  Pump(30);
  EXPECT_DOUBLE_EQ(Edit->Value().AsDouble(), 0.5);
}

TEST_F(SpinEditTest, HeldButtonRepeatsAfter400ThenEvery100Ms) {
  Edit->Properties()->SetValueType(vtInt);
  Focus(Edit);
  const TRect up = Edit->ViewInfo()->Buttons(sebForward)->Bounds;
  ASSERT_GT(up.right - up.left, 0);
  MoveMouse(ScreenCenterOf(up));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  Pump(60);
  EXPECT_EQ(Edit->Value().AsInt64(), 1) << "the press steps once";
  EXPECT_TRUE(Edit->IsSpinning());
  EXPECT_EQ(Edit->SpinInterval(), 400u);
  ASSERT_TRUE(PumpUntil([&] { return Edit->Value().AsInt64() >= 4; }, 2000));
  EXPECT_EQ(Edit->SpinInterval(), 100u);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_FALSE(Edit->IsSpinning());
  const long long after = Edit->Value().AsInt64();
  Pump(300);
  EXPECT_EQ(Edit->Value().AsInt64(), after) << "release stops the repeat";
  // The backward button steps down.
  const TRect down = Edit->ViewInfo()->Buttons(sebBackward)->Bounds;
  MoveMouse(ScreenCenterOf(down));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  Pump(40);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_EQ(Edit->Value().AsInt64(), after - 1);
}

TEST_F(SpinEditTest, TypedTextAndValidation) {
  TvxSpinEditProperties* p = Edit->Properties();
  p->SetValueType(vtFloat);
  Focus(Edit);
  Edit->SetSelection(0, static_cast<Integer>(Edit->Text().size()));
  HWND inner = Edit->InnerTextControl()->Handle();
  for (wchar_t c : String(L"1x2,5")) SendMessageW(inner, WM_CHAR, c, 0);
  EXPECT_EQ(Edit->Text(), L"12.5") << "a letter is refused, a comma is the decimal separator";
  EXPECT_TRUE(Edit->IsCustomText());
  EXPECT_DOUBLE_EQ(Edit->Value().AsDouble(), 12.5);
  Focus(Other);
  EXPECT_DOUBLE_EQ(Edit->EditValue().AsDouble(), 12.5);
  // An emptied text validates to the default value: the nearer bound when 0 is outside.
  p->SetMinMaxValues(20, 5);
  Focus(Edit);
  Edit->SetSelection(0, static_cast<Integer>(Edit->Text().size()));
  SendMessageW(inner, WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(Edit->Text(), L"");
  Focus(Other);
  EXPECT_EQ(Edit->Text(), L"5");
  // A typed value above the maximum is clamped silently, or reported when asked.
  Focus(Edit);
  Edit->SetSelection(0, static_cast<Integer>(Edit->Text().size()));
  for (wchar_t c : String(L"99")) SendMessageW(inner, WM_CHAR, c, 0);
  Focus(Other);
  EXPECT_DOUBLE_EQ(Edit->Value().AsDouble(), 20);
  p->SetExceptionOnInvalidInput(true);
  Focus(Edit);
  Edit->SetSelection(0, static_cast<Integer>(Edit->Text().size()));
  for (wchar_t c : String(L"99")) SendMessageW(inner, WM_CHAR, c, 0);
  EXPECT_THROW(Edit->ValidateEdit(true), EvxEditError);
  // With CanEdit off typing is refused but stepping works.
  p->SetExceptionOnInvalidInput(false);
  p->SetCanEdit(false);
  Edit->SetValue(7.0);
  SendMessageW(inner, WM_CHAR, L'3', 0);
  EXPECT_DOUBLE_EQ(Edit->Value().AsDouble(), 7);
  EXPECT_TRUE(Edit->Increment(sebForward));
  EXPECT_DOUBLE_EQ(Edit->Value().AsDouble(), 8);
}

// In the native style the spin buttons are the spin theme's arrows in their states, drawn
// by the theme itself; other styles keep the drawn arrows.
TEST_F(SpinEditTest, NativeStyleDrawsTheSpinThemesButtons) {
  HTHEME theme = vdOpenThemeByType(totSpin);
  if (!theme) GTEST_SKIP() << "no spin theme";
  struct Case {
    TvxSpinEditButtonsPosition Position;
    int BackPart, ForwardPart;
  } cases[] = {{sbpVert, 2, 1}, {sbpHorzRight, 4, 3}, {sbpHorzLeftRight, 4, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.Position));
    TvxSpinEdit* e = Make(10);
    e->ActiveProperties()->SpinButtons()->SetPosition(c.Position);
    e->Style()->LookAndFeel()->SetNativeStyle(true);
    e->ShortRefreshContainer(false);
    Pump(20);
    TvxCustomEditViewInfo* vi = e->ViewInfo();
    ASSERT_GE(vi->ButtonCount(), 2);
    EXPECT_EQ(c.BackPart, vi->Buttons(sebBackward)->Data.NativePart);
    EXPECT_EQ(c.ForwardPart, vi->Buttons(sebForward)->Data.NativePart);
    EXPECT_EQ(1, vi->Buttons(sebForward)->Data.NativeState);
    zs_edit_test::Surface painted(e->Width(), e->Height(), RGB(1, 2, 3));
    e->PaintTo(painted.dc, 0, 0);
    for (int i : {int(sebBackward), int(sebForward)}) {
      const TRect b = vi->Buttons(i)->Bounds;
      zs_edit_test::Surface direct(e->Width(), e->Height(), RGB(1, 2, 3));
      vdUxTheme::DrawThemeBackground(theme, direct.dc, vi->Buttons(i)->Data.NativePart,
                                     vi->Buttons(i)->Data.NativeState, &b, nullptr);
      int same = 0, total = 0;
      for (int y = b.top + 1; y < b.bottom - 1; ++y)
        for (int x = b.left + 1; x < b.right - 1; ++x, ++total) same += painted.At(x, y) == direct.At(x, y);
      EXPECT_GT(same, total * 9 / 10) << "button " << i;
    }
    // Disabled, the buttons take the theme's disabled state.
    e->SetEnabled(false);
    e->ShortRefreshContainer(false);
    EXPECT_EQ(4, e->ViewInfo()->Buttons(sebForward)->Data.NativeState);
    // Without the native style no button is themed.
    e->Style()->LookAndFeel()->SetNativeStyle(false);
    e->ShortRefreshContainer(false);
    EXPECT_EQ(0, e->ViewInfo()->Buttons(sebForward)->Data.NativeState);
    EXPECT_EQ(0, e->ViewInfo()->Buttons(sebForward)->Data.NativePart);
    delete e;
  }
}

TEST(SpinEditStreaming, ZeroIncrementsSurviveAStream) {
  TMemoryStream stream;
  {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetName(L"Form1");
    auto* a = TvxContainer::Create<TvxSpinEdit>(form.get());
    a->SetName(L"Spin");
    a->SetParent(form.get());
    a->Properties()->SetIncrement(0);
    a->Properties()->SetLargeIncrement(0);
    a->Properties()->SetValueType(vtInt);
    WriteComponentToStream(&stream, form.get());
  }
  const String text = ObjectBinaryToText(TBytes(static_cast<const Byte*>(stream.Memory()),
                                                static_cast<const Byte*>(stream.Memory()) + stream.Size()));
  EXPECT_NE(text.find(L"ZeroIncrement = True"), String::npos) << text;
  EXPECT_NE(text.find(L"ZeroLargeIncrement = True"), String::npos) << text;
  stream.SetPosition(0);
  std::unique_ptr<TForm> loaded(new TForm(nullptr));
  ReadComponentFromStream(&stream, loaded.get());
  auto* a = dynamic_cast<TvxSpinEdit*>(loaded->FindComponent(L"Spin"));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Properties()->Increment(), 0);
  EXPECT_EQ(a->Properties()->LargeIncrement(), 0);
  EXPECT_EQ(a->Properties()->ValueType(), vtInt);
}

TEST(ButtonEdit, DefaultEllipsisButtonOrTheStreamedOnes) {
  std::unique_ptr<TForm> form(new TForm(nullptr));
  auto* e = TvxContainer::Create<TvxButtonEdit>(form.get());
  ASSERT_EQ(e->Properties()->Buttons()->Count(), 1);
  EXPECT_EQ(e->Properties()->Buttons()->Items(0)->Kind(), bkEllipsis);
  EXPECT_TRUE(e->Properties()->Buttons()->Items(0)->Default());
  EXPECT_EQ(e->Properties()->GetContainerClass(), TvxButtonEdit::StaticClass());

  const String withTwo =
      L"object Form1: TForm\n"
      L"  object Pick: TvxButtonEdit\n"
      L"    Properties.Buttons = <\n"
      L"      item\n        Kind = bkGlyph\n      end\n"
      L"      item\n        Kind = bkDown\n      end>\n"
      L"  end\n"
      L"  object Bare: TvxButtonEdit\n"
      L"  end\n"
      L"end\n";
  std::unique_ptr<TForm> loaded(new TForm(nullptr));
  TextToComponent(withTwo, loaded.get());
  auto* pick = dynamic_cast<TvxButtonEdit*>(loaded->FindComponent(L"Pick"));
  auto* bare = dynamic_cast<TvxButtonEdit*>(loaded->FindComponent(L"Bare"));
  ASSERT_NE(pick, nullptr);
  ASSERT_NE(bare, nullptr);
  ASSERT_EQ(pick->Properties()->Buttons()->Count(), 2) << "the streamed list replaces the default button";
  EXPECT_EQ(pick->Properties()->Buttons()->Items(0)->Kind(), bkGlyph);
  EXPECT_EQ(pick->Properties()->Buttons()->Items(1)->Kind(), bkDown);
  EXPECT_EQ(bare->Properties()->Buttons()->Count(), 0) << "a stream without buttons leaves none";
}

TEST(StandardEditorRegistration, FoundByNameWithTheirDescriptions) {
  struct {
    const wchar_t* ClassName;
    const wchar_t* Description;
  } const cases[] = {
      {L"TvxButtonEditProperties", L"ButtonEdit"},
      {L"TvxSpinEditProperties", L"SpinEdit"},
  };
  TvxRegisteredClasses* r = GetEditPropertiesRegistry();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ClassName);
    TClass cls = r->FindByClassName(c.ClassName);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(r->GetDescriptionByClass(cls), c.Description);
    EXPECT_NE(FindClass(String(c.ClassName).substr(0, wcslen(c.ClassName) - 10)), nullptr);
  }
  EXPECT_NE(GetFilterEditsController()->FindHelper(TvxSpinEditProperties::StaticClass()), nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
