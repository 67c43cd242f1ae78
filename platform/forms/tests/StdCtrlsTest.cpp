#include <gtest/gtest.h>

#include <memory>

#include "Clipbrd.h"
#include "FormsTestSupport.h"
#include "StdCtrls.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

struct StdCtrlsTest : TFormTest {
  StdCtrlsTest() : TFormTest(360, 260, 50, 50) {}
  void SetUp() override {
    TFormTest::SetUp();
    Form->SetColor(clBtnFace);
  }
  template <class T>
  T* Add(RECT R) {
    T* c = new T(Form);
    c->SetBoundsRect(R);
    c->SetParent(Form);
    return c;
  }
  void Type(const wchar_t* Text) {
    for (const wchar_t* p = Text; *p; ++p) {
      INPUT in[2]{};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wScan = in[1].ki.wScan = *p;
      in[0].ki.dwFlags = KEYEVENTF_UNICODE;
      in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
      SendInput(2, in, sizeof(INPUT));
    }
    Pump(100);
  }
};

}  // namespace

// Typed text reaches the edit control; its properties limit and report it.
TEST_F(StdCtrlsTest, EditTakesTypedTextWithinItsLimits) {
  auto* edit = Add<TEdit>(RECT{10, 10, 200, 34});
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText(L"abc");  // kept until the window exists
  edit->SetMaxLength(6);
  ShowForm();
  EXPECT_EQ(L"abc", edit->Text());
  EXPECT_EQ(0, changes);
  edit->SetFocus();
  Pump(50);
  // AutoSelect: entering selects everything, so typing replaces the text.
  EXPECT_EQ(3, edit->SelLength());
  Type(L"日本語xyz12");
  EXPECT_EQ(L"日本語xyz", edit->Text());  // six characters at most
  EXPECT_TRUE(edit->Modified());
  EXPECT_GE(changes, 6);

  edit->SetSelStart(3);
  edit->SetSelLength(2);
  EXPECT_EQ(L"xy", edit->SelText());
  edit->SetSelText(L"-");
  EXPECT_EQ(L"日本語-z", edit->Text());
  edit->Undo();
  EXPECT_EQ(L"日本語xyz", edit->Text());

  edit->SelectAll();
  edit->CutToClipboard();
  EXPECT_EQ(L"", edit->Text());
  EXPECT_EQ(L"日本語xyz", Clipboard()->AsText());
  edit->PasteFromClipboard();
  EXPECT_EQ(L"日本語xyz", edit->Text());

  edit->SetReadOnly(true);
  Type(L"q");
  EXPECT_EQ(L"日本語xyz", edit->Text());
  edit->SetReadOnly(false);

  // Upper case converts the text already there and what is typed; the window is made
  // again and keeps the text.
  edit->SetMaxLength(0);
  edit->SetText(L"ab");
  edit->SetCharCase(ecUpperCase);
  EXPECT_EQ(L"AB", edit->Text());
  edit->SetFocus();
  edit->SetSelStart(2);
  Type(L"cd");
  EXPECT_EQ(L"ABCD", edit->Text());
}

TEST_F(StdCtrlsTest, MemoLinesAndReturnKey) {
  auto* memo = Add<TMemo>(RECT{10, 10, 300, 200});
  memo->Lines()->Add(L"one");
  memo->Lines()->Add(L"two");
  memo->Lines()->Insert(1, L"between");
  EXPECT_EQ(L"one\r\nbetween\r\ntwo", memo->Text());
  memo->Lines()->Delete(0);
  memo->Lines()->SetStrings(1, L"2");
  EXPECT_EQ(2, memo->Lines()->Count());
  EXPECT_EQ(L"between\r\n2", memo->Text());
  EXPECT_THROW(memo->Lines()->Delete(5), EStringListError);

  ShowForm();
  memo->SetFocus();
  memo->SetSelStart(static_cast<Integer>(memo->Text().size()));
  PressKey(VK_RETURN);
  Type(L"x");
  EXPECT_EQ(3, memo->Lines()->Count());
  EXPECT_EQ(L"x", memo->Lines()->Strings(2));
  POINT caret = memo->CaretPos();
  EXPECT_EQ(2, caret.y);
  EXPECT_EQ(1, caret.x);

  memo->SetWantReturns(false);
  PressKey(VK_RETURN);
  EXPECT_EQ(3, memo->Lines()->Count());
}

// An owner-drawn list box asks for each row and paints what the handler draws; the
// selected row comes with odSelected.
TEST_F(StdCtrlsTest, OwnerDrawnListBoxPaintsItsRows) {
  auto* list = Add<TListBox>(RECT{10, 10, 210, 200});
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(20);
  list->SetBorderStyle(bsNone);
  for (auto* s : {L"red", L"green", L"blue", L"yellow"}) list->Items()->Add(s);
  const TColor colours[] = {clRed, clLime, clBlue, clYellow};
  std::vector<int> selectedDrawn;
  list->OnDrawItem = [&](TWinControl* C, Integer Index, RECT R, TOwnerDrawState State) {
    auto* lb = static_cast<TListBox*>(C);
    lb->Canvas()->Brush()->SetColor(State.Contains(odSelected) ? clBlack : colours[Index]);
    lb->Canvas()->FillRect(R);
    if (State.Contains(odSelected)) selectedDrawn.push_back(Index);
  };
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  ShowForm();

  HWND h = list->Handle();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(colours[i], PixelAt(h, 100, i * 20 + 10));
    RECT r = list->ItemRect(i);
    EXPECT_EQ(i * 20, r.top);
    EXPECT_EQ(20, r.bottom - r.top);
  }
  EXPECT_EQ(2, list->ItemAtPos(POINT{5, 45}, true));
  EXPECT_EQ(-1, list->ItemAtPos(POINT{5, 150}, true));
  EXPECT_EQ(4, list->ItemAtPos(POINT{5, 150}, false));

  // A click on the third row selects it, fires OnClick and repaints it selected.
  ClickAt(list->ClientToScreen(POINT{50, 50}));
  Pump(50);
  EXPECT_EQ(2, list->ItemIndex());
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(selectedDrawn.empty());
  EXPECT_EQ(2, selectedDrawn.back());
  EXPECT_EQ(clBlack, PixelAt(h, 100, 50));

  // Variable heights come from OnMeasureItem; the items survive the new window.
  list->OnMeasureItem = [](TWinControl*, Integer Index, Integer& Height) { Height = 10 + Index * 10; };
  list->SetStyle(lbOwnerDrawVariable);
  Pump(50);
  EXPECT_EQ(4, list->Count());
  EXPECT_EQ(L"blue", list->Items()->Strings(2));
  EXPECT_EQ(2, list->ItemIndex());
  EXPECT_EQ(10, list->ItemRect(0).bottom);
  EXPECT_EQ(30, list->ItemRect(2).bottom - list->ItemRect(2).top);
  EXPECT_EQ(clLime, PixelAt(list->Handle(), 100, 15));
}

TEST_F(StdCtrlsTest, MultiSelectListBoxAndSortedItems) {
  auto* list = Add<TListBox>(RECT{10, 10, 210, 200});
  list->SetSorted(true);
  for (auto* s : {L"pear", L"apple", L"fig"}) list->Items()->Add(s);
  EXPECT_EQ(L"apple", list->Items()->Strings(0));  // sorted before the window exists
  list->SetMultiSelect(true);
  ShowForm();
  EXPECT_EQ(L"fig", list->Items()->Strings(1));
  list->Items()->Add(L"banana");
  EXPECT_EQ(L"banana", list->Items()->Strings(1));
  list->SetSelected(0, true);
  list->SetSelected(3, true);
  EXPECT_EQ(2, list->SelCount());
  EXPECT_TRUE(list->Selected(3));
  EXPECT_FALSE(list->Selected(1));
  EXPECT_THROW(list->SetSelected(9, true), EListError);
  list->ClearSelection();
  EXPECT_EQ(0, list->SelCount());
}

TEST_F(StdCtrlsTest, LabelButtonAndScrollBar) {
  auto* label = Add<TLabel>(RECT{10, 10, 20, 20});
  label->Font()->SetColor(clRed);
  label->Font()->SetHeight(-20);
  label->SetCaption(L"WWWW");
  EXPECT_GT(label->Width(), 20);  // AutoSize took the text's size
  Integer shortWidth = label->Width();
  label->SetCaption(L"WWWWWWWW");
  EXPECT_GT(label->Width(), shortWidth);

  auto* button = Add<TButton>(RECT{10, 100, 110, 130});
  button->SetCaption(L"OK");
  button->SetModalResult(mrOk);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  auto* bar = Add<TScrollBar>(RECT{10, 150, 210, 170});
  int changes = 0;
  bar->OnChange = [&](TObject*) { ++changes; };
  bar->SetParams(150, 0, 100);  // the position is kept within the range
  EXPECT_EQ(100, bar->Position());
  EXPECT_EQ(1, changes);
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
  ShowForm();

  // The label's text is painted in its font colour somewhere in its bounds.
  bool red = false;
  for (int x = label->Left(); x < label->Left() + label->Width() && !red; ++x)
    for (int y = label->Top(); y < label->Top() + label->Height() && !red; ++y)
      red = PixelAt(Form->Handle(), x, y) == clRed;
  EXPECT_TRUE(red);

  ClickAt(button->ClientToScreen(POINT{50, 15}));
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(mrOk, Form->ModalResult());

  SendMessageW(Form->Handle(), WM_HSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(bar->Handle()));
  EXPECT_EQ(99, bar->Position());
  EXPECT_EQ(2, changes);
}

}  // namespace ZS_UNITY_ID
