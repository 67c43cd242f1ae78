// The memo on real windows: MaxLength kept by code insertions anywhere in the text, word
// wrap and scroll bars of the edit control, first-line display text and line-break conversion.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "Streaming.h"
#include "../../editors/tests/EditTestSurface.h"
#include "vxMemo.h"
#include "vxScrollBar.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

struct MemoTest : TFormFixture {
  TvxMemo* Memo = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Memo = TvxContainer::Create<TvxMemo>(Form);
    Memo->SetBounds(10, 10, 120, 80);
    Memo->SetParent(Form);
    Memo->HandleNeeded();
    Pump(20);
  }
  String Text() { return Memo->Text(); }
  void Set(const String& S) {
    Memo->SetEditValue(Variant(S));
    Pump(10);
  }
  LONG InnerStyle() { return GetWindowLongW(Memo->InnerMemo()->Handle(), GWL_STYLE); }
};

}  // namespace

TEST_F(MemoTest, MaxLengthHoldsForInsertsAtStartMiddleAndEnd) {
  Memo->Properties()->SetMaxLength(10);
  Memo->SetFocus();
  Pump(20);
  ASSERT_TRUE(Memo->Focused());
  struct Case { Integer Start, Length; const wchar_t* Insert; const wchar_t* Expected; } cases[] = {
      {8, 0, L"xyz", L"abcdefghxy"},   // end: two fit
      {0, 0, L"xyz", L"xyabcdefgh"},   // start: the text after the caret counts too
      {4, 0, L"xyz", L"abcdxyefgh"},   // middle
      {2, 3, L"12345", L"ab12345fgh"}, // the selection's room is reused
      {2, 3, L"1234567", L"ab12345fgh"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Expected);
    Set(L"abcdefgh");
    Memo->SetSelection(c.Start, c.Length);
    Memo->SetSelText(c.Insert);
    EXPECT_EQ(String(c.Expected), Text());
  }
  Set(L"0123456789");
  Memo->SetSelection(10, 0);
  Memo->SetSelText(L"x");
  EXPECT_EQ(L"0123456789", Text());  // full: nothing at all
}

TEST_F(MemoTest, WordWrapAndScrollBarsAreStylesOfTheEditControl) {
  Set(L"one two three four five six seven eight nine ten eleven twelve");
  EXPECT_GT(Memo->LineCount(), 1);
  EXPECT_FALSE(InnerStyle() & ES_AUTOHSCROLL);
  const HWND before = Memo->InnerMemo()->Handle();
  Memo->Properties()->SetWordWrap(false);
  Pump(20);
  EXPECT_EQ(1, Memo->LineCount());
  EXPECT_TRUE(InnerStyle() & ES_AUTOHSCROLL);
  struct Case { TScrollStyle Style; bool H, V; } cases[] = {
      {ssVertical, false, true}, {ssHorizontal, true, false}, {ssBoth, true, true}, {ssNone, false, false}};
  for (const Case& c : cases) {
    Memo->Properties()->SetScrollBars(c.Style);
    Pump(20);
    EXPECT_EQ(c.H, (InnerStyle() & WS_HSCROLL) != 0) << c.Style;
    EXPECT_EQ(c.V, (InnerStyle() & WS_VSCROLL) != 0) << c.Style;
  }
  EXPECT_NE(before, Memo->InnerMemo()->Handle());
  EXPECT_EQ(String(L"one two three four five six seven eight nine ten eleven twelve"), Text());
}

TEST_F(MemoTest, ReplacementTextGetsLineBreaksFromLfCrPairs) {
  Set(L"");
  SendMessageW(Memo->InnerMemo()->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"a\n\rb"));
  EXPECT_EQ(String(L"a\r\n\r\nb"), String(Memo->InnerMemo()->Text()));
  struct Case { const wchar_t* In; const wchar_t* Out; } cases[] = {
      {L"a\n\rb", L"a\r\n\r\nb"}, {L"a\r\nb", L"a\r\nb"}, {L"a\nb", L"a\nb"}, {L"\n\r\n\r", L"\r\n\r\n\r\n\r\n"}};
  for (const Case& c : cases) EXPECT_EQ(String(c.Out), MemoConvertLineBreaks(c.In));
}

TEST(MemoProperties, CellsShowTheFirstLineAndCountsNeverGoNegative) {
  TvxMemoProperties p(nullptr);
  EXPECT_EQ(L"abc", p.GetDisplayText(Variant(String(L"abc\r\ndef"))));
  EXPECT_EQ(String(L"abc\r\ndef"), p.GetDisplayText(Variant(String(L"abc\r\ndef")), true));
  EXPECT_EQ(250u, p.GetDisplayText(Variant(String(300, L'x'))).size());
  p.SetVisibleLineCount(-5);
  EXPECT_EQ(0, p.VisibleLineCount());
  EXPECT_FALSE(p.AutoSelect());
}

TEST_F(MemoTest, LinesReadAndWriteTheTextWithOrWithoutAWindow) {
  TStringList src;
  src.Add(L"first");
  src.Add(L"");
  src.Add(L"third");
  Memo->SetLines(&src);
  EXPECT_EQ(String(L"first\r\n\r\nthird\r\n"), Text());
  ASSERT_EQ(3, Memo->Lines()->Count());
  EXPECT_EQ(L"third", Memo->Lines()->Strings(2));
  Memo->Lines()->Insert(1, L"second");
  Memo->Lines()->Delete(2);
  Memo->Lines()->SetStrings(0, L"one");
  EXPECT_EQ(String(L"one\r\nsecond\r\nthird\r\n"), Text());
  EXPECT_THROW(Memo->Lines()->Strings(3), EStringListError);
  // Many lines added in one update are written once and read back whole.
  Memo->Lines()->BeginUpdate();
  Memo->Lines()->Clear();
  for (int i = 0; i < 500; ++i) Memo->Lines()->Add(IntToStr(i));
  Memo->Lines()->EndUpdate();
  ASSERT_EQ(500, Memo->Lines()->Count());
  EXPECT_EQ(L"499", Memo->Lines()->Strings(499));
  // Caret: column and line, both from 0.
  Memo->SetCaretPos(TPoint{1, 2});
  EXPECT_EQ(2, Memo->CaretPos().y);
  EXPECT_EQ(1, Memo->CaretPos().x);
  EXPECT_EQ(2 * 3 + 1, Memo->SelStart());  // "0\r\n1\r\n" then one character
  // Without a window the lines come from the text.
  std::unique_ptr<TvxMemo> bare(TvxContainer::Create<TvxMemo>(nullptr));
  bare->SetLines(&src);
  EXPECT_EQ(3, bare->Lines()->Count());
  EXPECT_EQ(L"", bare->Lines()->Strings(1));
}

TEST_F(MemoTest, CtrlASelectsEverythingOnlyWhenThereAreLines) {
  Memo->SetFocus();
  Pump(20);
  Set(L"abc\r\ndef");
  Memo->SetSelection(1, 0);
  SendKey(VK_CONTROL, false);
  SendKey('A', false);
  SendKey('A', true);
  SendKey(VK_CONTROL, true);
  Pump(40);
  EXPECT_EQ(0, Memo->SelStart());
  EXPECT_EQ(8, Memo->SelLength());
  EXPECT_EQ(String(L"abc\r\ndef"), Text());  // consumed: no character typed
}

TEST(MemoStreaming, LinesAndPropertiesAreWrittenAndReadBack) {
  std::unique_ptr<TvxMemo> memo(TvxContainer::Create<TvxMemo>(nullptr));
  memo->SetName(L"Memo1");
  memo->SetText(L"line one\r\n日本語");
  memo->Properties()->SetScrollBars(ssVertical);
  memo->Properties()->SetWordWrap(false);
  memo->Properties()->SetVisibleLineCount(3);
  const String text = ComponentToText(memo.get());
  EXPECT_NE(text.find(L"Properties.ScrollBars = ssVertical"), String::npos) << text;
  EXPECT_EQ(text.find(L"WantReturns"), String::npos) << text;  // the default
  std::unique_ptr<TvxMemo> copy(TvxContainer::Create<TvxMemo>(nullptr));
  TextToComponent(text, copy.get());
  EXPECT_EQ(2, copy->Lines()->Count());
  EXPECT_EQ(String(L"日本語"), copy->Lines()->Strings(1));
  EXPECT_EQ(ssVertical, copy->Properties()->ScrollBars());
  EXPECT_FALSE(copy->Properties()->WordWrap());
  EXPECT_EQ(3, copy->Properties()->VisibleLineCount());
}

// A memo read from a form file has the lines it read as its edit value, and its lines in
// the edit control once it has a window.
TEST(MemoStreaming, EditValueComesFromTheLinesOfAFormFile) {
  std::unique_ptr<TvxMemo> memo(TvxContainer::Create<TvxMemo>(nullptr));
  memo->SetName(L"Memo1");
  memo->SetText(L"first\r\nsecond 二");
  const String text = ComponentToText(memo.get());
  std::unique_ptr<TvxMemo> copy(TvxContainer::Create<TvxMemo>(nullptr));
  TextToComponent(text, copy.get());
  ASSERT_TRUE(VarIsStr(copy->EditValue()));
  EXPECT_EQ(0u, VarToStr(copy->EditValue()).find(L"first\r\nsecond 二"));
  EXPECT_EQ(copy->Text(), VarToStr(copy->EditValue()));
  // A memo without lines in its form keeps a Null value.
  std::unique_ptr<TvxMemo> empty(TvxContainer::Create<TvxMemo>(nullptr));
  empty->SetName(L"Memo2");
  std::unique_ptr<TvxMemo> emptyCopy(TvxContainer::Create<TvxMemo>(nullptr));
  TextToComponent(ComponentToText(empty.get()), emptyCopy.get());
  EXPECT_TRUE(VarIsNull(emptyCopy->EditValue()) || VarToStr(emptyCopy->EditValue()).empty());
}

// The editor talks to the inner control through the memo's helper: always multi-line,
// never a password echo, and the memo's caret, lines and line settings.
TEST_F(MemoTest, InnerHelperAnswersForTheMemo) {
  Set(L"abc\r\ndefg");
  IvxInnerTextEdit* e = Memo->InnerMemo()->MemoHelper();
  EXPECT_TRUE(e->GetMultiLine());
  e->SetEchoMode(eemPassword);
  e->SetPasswordChar(L'*');
  EXPECT_EQ(eemNormal, e->GetEchoMode());
  EXPECT_EQ(L'\0', e->GetPasswordChar());
  EXPECT_EQ(0, SendMessageW(Memo->InnerMemo()->Handle(), EM_GETPASSWORDCHAR, 0, 0));
  IvxInnerMemo* m = Memo->InnerMemo()->MemoHelper();
  m->SetCaretPos(TPoint{2, 1});
  EXPECT_EQ(2, Memo->CaretPos().x);
  EXPECT_EQ(1, Memo->CaretPos().y);
  EXPECT_EQ(Memo->Lines(), m->GetLines());
  EXPECT_EQ(2, m->GetLines()->Count());
  m->SetWordWrap(false);
  m->SetScrollBars(ssVertical);
  Pump(10);
  EXPECT_FALSE(Memo->Properties()->WordWrap());
  EXPECT_TRUE(InnerStyle() & WS_VSCROLL);
  EXPECT_EQ(String(L"abc\r\ndefg"), VarToStr(e->GetEditValue()));
  // A value set through the helper becomes the control's lines.
  e->SetEditValue(Variant(String(L"x\r\ny\r\nz")));
  Pump(10);
  EXPECT_EQ(String(L"x\r\ny\r\nz"), VarToStr(e->GetEditValue()));
  EXPECT_EQ(3, Memo->Lines()->Count());
}

// A memo's size leaves room for its horizontal scroll bar only on a control, and for the
// visible line count in any case.
TEST_F(MemoTest, SizeCountsTheScrollBarAndTheVisibleLines) {
  zs_edit_test::Surface s(10, 10);
  TvxCustomMemoProperties* props = Memo->Properties();
  std::unique_ptr<TvxCustomEditViewData> vd(props->CreateViewData(static_cast<TvxCustomEditStyle*>(Memo->Style()), false));
  auto* memoData = dynamic_cast<TvxCustomMemoViewData*>(vd.get());
  ASSERT_NE(memoData, nullptr);
  std::unique_ptr<TvxCustomEditViewInfo> vi(props->CreateViewInfo());
  EXPECT_NE(dynamic_cast<TvxCustomMemoViewInfo*>(vi.get()), nullptr);
  auto Sizes = [&](TSize& AMinContent) {
    TvxEditSizeProperties sp;
    AMinContent = TSize{0, 0};
    return vd->GetEditConstantPartSize(s.vx.get(), sp, AMinContent);
  };
  TSize minContent{};
  const TSize plain = Sizes(minContent);
  props->SetScrollBars(ssBoth);
  EXPECT_EQ(Sizes(minContent).cy, plain.cy) << "a cell has no scroll bar";
  vd->Edit = Memo;
  EXPECT_EQ(Sizes(minContent).cy, plain.cy + vxGetDefaultScrollBarSize().cy);
  props->SetScrollBars(ssVertical);
  EXPECT_EQ(Sizes(minContent).cy, plain.cy);
  props->SetVisibleLineCount(3);
  Sizes(minContent);
  s.vx->SetFont(Memo->Style()->GetVisibleFont());
  EXPECT_GE(minContent.cy, 3 * s.vx->TextHeight(L"Zg"));
}

TEST(MemoFilter, LikenessAndBlanksOnlyInATextEdit) {
  TvxFilterEditHelperClass helper = GetFilterEditsController()->FindHelper(TvxMemoProperties::StaticClass());
  ASSERT_EQ(helper, TvxFilterMemoHelper::Class());
  const TvxFilterControlOperators ops{fcoLike, fcoNotLike, fcoBlanks, fcoNonBlanks};
  EXPECT_EQ(helper->GetSupportedFilterOperators(nullptr, nullptr, false), ops);
  EXPECT_EQ(helper->GetSupportedFilterOperators(nullptr, nullptr, true), ops);
  EXPECT_EQ(helper->GetFilterEditClass(), TvxTextEdit::StaticClass());
}

}  // namespace ZS_UNITY_ID
