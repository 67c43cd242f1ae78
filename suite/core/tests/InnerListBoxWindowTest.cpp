// The inner list box of a container on real windows: the suite scroll bars that cover
// its system bars and scroll it, the size-grip corner between them, owner-drawn items
// with the selection colours and the focus rectangle, and dragging from and onto it
// through its container.
#include <gtest/gtest.h>

#include <string>

#include "DragObjs.h"
#include "StdCtrls.h"
#include "SuiteControlTestSupport.h"
#include "vxContainer.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// An inner list box that also has a horizontal system bar.
class TWideInnerList : public TvxCustomInnerListBox {
  DECLARE_CLASS(TWideInnerList, TvxCustomInnerListBox)
 public:
  using TvxCustomInnerListBox::TvxCustomInnerListBox;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TvxCustomInnerListBox::CreateParams(Params);
    Params.Style |= WS_HSCROLL;
  }
};

// A painter whose size-grip corner colour differs from the system face colour.
class TRedGripPainter : public TvxStandardLookAndFeelPainter {
 public:
  TColor DefaultSizeGripAreaColor() const override { return clRed; }
};

// The colour of a point of a window, non-client area included.
COLORREF WindowPixel(HWND Wnd, int X, int Y) {
  HDC dc = GetWindowDC(Wnd);
  COLORREF c = GetPixel(dc, X, Y);
  ReleaseDC(Wnd, dc);
  return c;
}

// A screen rectangle in the client coordinates of Wnd.
RECT ToClient(HWND Wnd, RECT R) {
  MapWindowPoints(nullptr, Wnd, reinterpret_cast<POINT*>(&R), 2);
  return R;
}

struct InnerListContainerFixture : TFormFixture {
  TvxContainer* Box = nullptr;
  TvxCustomInnerListBox* List = nullptr;
  template <class TList = TvxCustomInnerListBox>
  void Build(RECT ABounds, int AItems) {
    Box = TvxContainer::Create<TvxContainer>(Form);
    Box->Style()->SetBorderStyle(cbsSingle);
    Box->Style()->SetTransparentBorder(false);
    Box->SetBoundsRect(ABounds);
    List = new TList(Form);
    List->SetContainer(Box);
    List->SetParent(Box);
    Box->SetInnerControl(List);
    Box->SetParent(Form);
    for (int i = 0; i < AItems; ++i) List->Items()->Add(L"item " + std::to_wstring(i));
    Pump(60);
  }
  SCROLLINFO Info(int ABar) {
    SCROLLINFO si{sizeof si, SIF_ALL};
    GetScrollInfo(List->Handle(), ABar, &si);
    return si;
  }
  RECT SystemBar(LONG AObject) {
    SCROLLBARINFO sbi{sizeof sbi};
    GetScrollBarInfo(List->Handle(), AObject, &sbi);
    return sbi.rcScrollBar;
  }
};

// --- External scroll bars ----------------------------------------------------------------

struct InnerListBarsTest : InnerListContainerFixture {
  void SetUp() override {
    InnerListContainerFixture::SetUp();
    Build<TWideInnerList>(RECT{10, 10, 170, 120}, 40);
    SendMessageW(List->Handle(), LB_SETHORIZONTALEXTENT, 400, 0);
    Pump(30);
  }
};

TEST_F(InnerListBarsTest, SuiteBarsCoverTheSystemBarsAndTakeTheirRanges) {
  TvxScrollBar* v = List->VScrollBar();
  TvxScrollBar* h = List->HScrollBar();
  ASSERT_TRUE(v && h);
  EXPECT_TRUE(v->Visible());
  EXPECT_TRUE(h->Visible());
  EXPECT_EQ(v->Parent(), Box) << "the bars sit on the list box's parent";
  EXPECT_EQ(v->Kind(), sbVertical);
  for (auto [bar, object] : {std::pair{v, OBJID_VSCROLL}, std::pair{h, OBJID_HSCROLL}}) {
    const RECT sys = ToClient(Box->Handle(), SystemBar(object));
    RECT b = bar->BoundsRect();
    EXPECT_TRUE(EqualRect(&b, &sys)) << "bar of kind " << bar->Kind();
    // The suite bar, not the list box, is the window under the middle of the system bar.
    POINT mid{(sys.left + sys.right) / 2, (sys.top + sys.bottom) / 2};
    ClientToScreen(Box->Handle(), &mid);
    EXPECT_EQ(WindowFromPoint(mid), bar->Handle());
  }
  SCROLLINFO si = Info(SB_VERT);
  EXPECT_EQ(v->Max(), si.nMax);
  EXPECT_EQ(v->PageSize(), static_cast<Integer>(si.nPage));
  si = Info(SB_HORZ);
  EXPECT_EQ(h->Max(), si.nMax);

  // The list scrolled by itself: the bar follows.
  SendMessageW(List->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_GT(Info(SB_VERT).nPos, 0);
  EXPECT_EQ(v->Position(), Info(SB_VERT).nPos);
  List->SetTopIndex(7);
  EXPECT_EQ(v->Position(), 7);

  // Too few items for a vertical bar: the suite bar goes too.
  while (List->Items()->Count() > 2) List->Items()->Delete(List->Items()->Count() - 1);
  EXPECT_FALSE(v->Visible());
  EXPECT_TRUE(h->Visible());
  List->Items()->Clear();
  EXPECT_FALSE(v->Visible());
}

TEST_F(InnerListBarsTest, ClickingTheSuiteBarsScrollsTheList) {
  TvxScrollBar* v = List->VScrollBar();
  ClickAt(v, v->Width() / 2, v->Height() - 3);  // the down arrow
  EXPECT_EQ(List->TopIndex(), 1);
  EXPECT_EQ(v->Position(), 1);
  ClickAt(v, v->Width() / 2, v->Height() - v->Width() - 4);  // the page below the thumb
  EXPECT_GT(List->TopIndex(), 2);
  EXPECT_EQ(v->Position(), List->TopIndex());
  ClickAt(v, v->Width() / 2, 3);  // the up arrow
  EXPECT_EQ(v->Position(), List->TopIndex());

  TvxScrollBar* h = List->HScrollBar();
  ClickAt(h, h->Width() - 3, h->Height() / 2);  // the right arrow
  EXPECT_GT(Info(SB_HORZ).nPos, 0);
  EXPECT_EQ(h->Position(), Info(SB_HORZ).nPos);
}

TEST_F(InnerListBarsTest, SizeGripCornerIsFilledWithThePainterColour) {
  static const TRedGripPainter painter;
  Box->Style()->LookAndFeel()->SetPainter(&painter);
  const TRect grip = List->GetSizeGripRect();
  // The corner of the list box window between the two bars.
  EXPECT_EQ(grip.right, List->Width());
  EXPECT_EQ(grip.bottom, List->Height());
  EXPECT_EQ(grip.right - grip.left, List->VScrollBar()->Width());
  EXPECT_EQ(grip.bottom - grip.top, List->HScrollBar()->Height());
  // A resize repaints the corner after the bars moved.
  Box->SetBounds(10, 10, 190, 130);
  Pump(40);
  const TRect moved = List->GetSizeGripRect();
  EXPECT_EQ(moved.right, List->Width());
  EXPECT_EQ(WindowPixel(List->Handle(), (moved.left + moved.right) / 2, (moved.top + moved.bottom) / 2),
            Shown(clRed));
  RedrawWindow(List->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(WindowPixel(List->Handle(), moved.left + 1, moved.top + 1), Shown(clRed));

  List->Items()->Clear();
  const TRect none = List->GetSizeGripRect();
  EXPECT_TRUE(IsRectEmpty(&none)) << "no corner without two bars";
  Box->Style()->LookAndFeel()->SetPainter(nullptr);
}

TEST_F(InnerListBarsTest, LockedRedrawKeepsTheBarsUntilRedrawIsBack) {
  TvxScrollBar* v = List->VScrollBar();
  const Integer max = v->Max();
  SendMessageW(List->Handle(), WM_SETREDRAW, FALSE, 0);
  EXPECT_TRUE(List->IsRedrawLocked());
  for (int i = 0; i < 10; ++i) List->Items()->Add(L"more");
  EXPECT_EQ(v->Max(), max);
  SendMessageW(List->Handle(), WM_SETREDRAW, TRUE, 0);
  EXPECT_FALSE(List->IsRedrawLocked());
  EXPECT_EQ(v->Max(), max + 10);
}

TEST_F(InnerListBarsTest, DisabledContainerDisablesTheBarsAndAFreedBarIsForgotten) {
  Box->SetEnabled(false);
  Pump(20);
  EXPECT_FALSE(List->VScrollBar()->Enabled());
  Box->SetEnabled(true);
  List->Items()->Add(L"again");
  EXPECT_TRUE(List->VScrollBar()->Enabled());

  delete List->VScrollBar();
  EXPECT_EQ(List->VScrollBar(), nullptr);
  List->Items()->Add(L"one more");  // places the remaining bar only
  EXPECT_TRUE(List->HScrollBar()->Visible());
}

TEST(InnerListOwnership, BarsGoWithTheListBoxOrWithTheirParent) {
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  auto* box = TvxContainer::Create<TvxContainer>(form);
  box->SetBounds(0, 0, 100, 60);
  box->SetParent(form);
  auto* list = new TvxCustomInnerListBox(form);
  list->SetContainer(box);
  list->SetParent(box);
  box->SetInnerControl(list);
  for (int i = 0; i < 30; ++i) list->Items()->Add(L"x");
  form->Show();
  Pump(30);
  ASSERT_EQ(list->VScrollBar()->Parent(), box);
  const Integer before = box->ControlCount();
  delete list;  // the list box and its shown bar leave the container
  EXPECT_EQ(box->ControlCount(), before - 2);
  EXPECT_EQ(box->InnerControl(), nullptr);
  delete form;  // a container freed with the list box inside frees the bars once
}

// --- Owner drawing -----------------------------------------------------------------------

struct InnerListDrawTest : InnerListContainerFixture {
  void SetUp() override {
    InnerListContainerFixture::SetUp();
    Build(RECT{10, 10, 170, 120}, 4);
    Box->Style()->SetColor(clWhite);
    List->SetItemHeight(20);
    List->SetStyle(lbOwnerDrawFixed);
    List->SetItemIndex(1);
    List->SetFocus();
    Pump(40);
  }
  TWindowPixels Shot() {
    List->Repaint();
    Pump(20);
    return TWindowPixels(List->Handle());
  }
};

TEST_F(InnerListDrawTest, SelectedItemTakesTheSelectionColoursAndTheFocusRectangle) {
  const RECT sel = List->ItemRect(1);
  TWindowPixels px = Shot();
  EXPECT_EQ(px.At(sel.right - 10, sel.top + 10), Shown(clHighlight));
  EXPECT_EQ(px.At(sel.right - 10, List->ItemRect(0).top + 10), Shown(clWhite));
  // The dotted focus rectangle inverts part of the selected item's top row.
  int inverted = 0;
  for (int x = sel.left; x < sel.left + 6; ++x)
    if (px.At(x, sel.top) != Shown(clHighlight)) ++inverted;
  EXPECT_GT(inverted, 0);
}

TEST_F(InnerListDrawTest, DrawItemHandlerDrawsOnTheSuiteCanvasWithoutFocusRectangle) {
  TColor selectedBrush = clNone, selectedFont = clNone;
  List->OnDrawItem = [&](TWinControl*, Integer Index, RECT Rect, TOwnerDrawState State) {
    if (State.Contains(odSelected)) {
      selectedBrush = List->vxCanvas()->Brush()->Color();
      selectedFont = List->vxCanvas()->Font()->Color();
    }
    List->vxCanvas()->FillRect(TRect{Rect.left, Rect.top, Rect.right, Rect.bottom}, Index == 1 ? clLime : clYellow);
  };
  const RECT sel = List->ItemRect(1);
  TWindowPixels px = Shot();
  EXPECT_EQ(selectedBrush, clHighlight);
  EXPECT_EQ(selectedFont, clHighlightText);
  for (int x = sel.left; x < sel.left + 6; ++x) EXPECT_EQ(px.At(x, sel.top), Shown(clLime)) << x;
  EXPECT_EQ(px.At(5, List->ItemRect(0).top + 5), Shown(clYellow));
  // Below the last item the list box's background shows.
  EXPECT_EQ(px.At(5, List->ItemRect(3).bottom + 5), Shown(clWhite));
}

// --- Dragging --------------------------------------------------------------------------

struct InnerListDragTest : InnerListContainerFixture {
  TEdit* Target = nullptr;
  int Drops = 0;
  TObject* DroppedSource = nullptr;
  void SetUp() override {
    InnerListContainerFixture::SetUp();
    Build(RECT{10, 10, 170, 130}, 5);
    List->SetMultiSelect(true);
    Pump(20);
    List->ClearSelection();
    List->SetSelected(1, true);
    List->SetSelected(2, true);
    Target = Add<TEdit>(Form, RECT{200, 20, 290, 44});
    Target->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
    Target->OnDragDrop = [this](TObject*, TObject* Source, int, int) {
      ++Drops;
      DroppedSource = Source;
    };
    Box->SetDragMode(dmAutomatic);
    List->SetFocus();
    Pump(20);
  }
  POINT ItemPoint(int AIndex) {
    RECT r = List->ItemRect(AIndex);
    return ScreenPoint(List, r.left + 20, (r.top + r.bottom) / 2);
  }
  void DragItemToTarget(int AIndex) {
    MoveMouse(ItemPoint(AIndex));
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Pump(30);
    MoveMouse(ScreenPoint(Target, 10, 10));
    MoveMouse(ScreenPoint(Target, 20, 12));
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(40);
  }
};

TEST_F(InnerListDragTest, DraggingASelectedItemKeepsTheSelection) {
  EXPECT_EQ(List->DragMode(), dmAutomatic) << "the container passes its drag mode on";
  DragItemToTarget(1);
  EXPECT_EQ(Drops, 1);
  EXPECT_EQ(DroppedSource, Box) << "the container is what is dragged";
  EXPECT_EQ(List->SelCount(), 2);
  EXPECT_TRUE(List->Selected(1));
  EXPECT_TRUE(List->Selected(2));
  EXPECT_EQ(List->DragMode(), dmAutomatic) << "the list box's own mode comes back";
}

TEST_F(InnerListDragTest, PressOnAnotherItemSelectsItThenDrags) {
  DragItemToTarget(4);
  EXPECT_EQ(Drops, 1);
  EXPECT_EQ(List->SelCount(), 1);
  EXPECT_TRUE(List->Selected(4));
}

// The X server's modifier state overrides a synthesized Ctrl at the next mouse event, so
// the Ctrl-press comes as messages.
TEST_F(InnerListDragTest, CtrlExtendsTheSelectionWithoutDragging) {
  const RECT r = List->ItemRect(4);
  const LPARAM at = MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2);
  SendMessageW(List->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
  EXPECT_EQ(DragControl(), nullptr);
  SendMessageW(List->Handle(), WM_LBUTTONUP, MK_CONTROL, at);
  Pump(20);
  EXPECT_EQ(List->SelCount(), 3);
  EXPECT_TRUE(List->Selected(4));
  // Ctrl on an item already selected drags the selection as it is.
  const RECT s = List->ItemRect(1);
  SendMessageW(List->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(s.left + 20, s.top + 2));
  EXPECT_EQ(DragControl(), Box);
  EndDrag(false);
  EXPECT_EQ(List->SelCount(), 3);
}

TEST_F(InnerListDragTest, DropOnTheListBoxReachesTheContainer) {
  Box->SetDragMode(dmManual);
  auto* source = Add<TEdit>(Form, RECT{200, 100, 290, 124});
  source->SetDragMode(dmAutomatic);
  POINT over{-1, -1}, dropped{-1, -1};
  TObject* droppedSource = nullptr;
  auto press = [&] {
    MoveMouse(ScreenPoint(source, 10, 10));
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Pump(30);
    MoveMouse(ScreenPoint(List, 25, 35));
    MoveMouse(ScreenPoint(List, 20, 30));
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(40);
  };
  // Without a drag-over handler on the container the list box takes nothing.
  Box->OnDragDrop = [&](TObject*, TObject* Source, int X, int Y) {
    droppedSource = Source;
    dropped = POINT{X, Y};
  };
  press();
  EXPECT_EQ(droppedSource, nullptr);
  Box->OnDragOver = [&](TObject* Sender, TObject*, int X, int Y, TDragState, bool& Accept) {
    EXPECT_EQ(Sender, Box);
    over = POINT{X, Y};
    Accept = true;
  };
  press();
  EXPECT_EQ(droppedSource, source);
  EXPECT_EQ(over.x, 20 + List->Left()) << "container client coordinates";
  EXPECT_EQ(dropped.x, 20 + List->Left());
  EXPECT_EQ(dropped.y, 30 + List->Top());
}

TEST_F(InnerListDragTest, ContainerWithoutInnerControlStartsItsDragAtThePress) {
  auto* plain = TvxContainer::Create<TvxContainer>(Form);
  plain->SetBounds(200, 60, 80, 30);
  plain->SetParent(Form);
  plain->SetDragMode(dmAutomatic);
  Pump(30);
  MoveMouse(ScreenPoint(plain, 20, 10));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  Pump(30);
  EXPECT_EQ(DragControl(), plain);
  MoveMouse(ScreenPoint(Target, 10, 10));
  MoveMouse(ScreenPoint(Target, 20, 12));
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_EQ(DragControl(), nullptr);
  EXPECT_EQ(DroppedSource, plain);
}

}  // namespace

}  // namespace ZS_UNITY_ID
