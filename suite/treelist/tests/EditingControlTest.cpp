// The editing control: its update lock and relayout, item binding, in-place editing by key
// and by mouse (opened, parked, validated, posted, cancelled), painting read back, hit
// tests and hot tracking.
#include <gtest/gtest.h>

#include "EditingControlTestSupport.h"
#include "vxEditRepositoryItems.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

using namespace tl_test;

namespace {

std::string S(const RECT& R) {
  return std::to_string(R.left) + "," + std::to_string(R.top) + "," + std::to_string(R.right) + "," +
         std::to_string(R.bottom);
}

COLORREF PixelAt(TWinControl* C, int X, int Y) {
  HDC dc = GetDC(C->Handle());
  COLORREF c = GetPixel(dc, X, Y);
  ReleaseDC(C->Handle(), dc);
  return c;
}

// The client area as shown, read back with GetDIBits.
std::vector<DWORD> Pixels(TWinControl* C) {
  RECT r;
  GetClientRect(C->Handle(), &r);
  HDC wdc = GetDC(C->Handle());
  HDC mem = CreateCompatibleDC(wdc);
  HBITMAP bmp = CreateCompatibleBitmap(wdc, r.right, r.bottom);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, r.right, r.bottom, wdc, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = r.right;
  bi.bmiHeader.biHeight = -r.bottom;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<DWORD> bits(static_cast<size_t>(r.right) * r.bottom);
  GetDIBits(mem, bmp, 0, r.bottom, bits.data(), &bi, DIB_RGB_COLORS);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(C->Handle(), wdc);
  return bits;
}

void Repaint(TWinControl* C) {
  RedrawWindow(C->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(10);
}

}  // namespace

TEST_F(GridFixture, UpdateLockRelayoutsOnceAtTheOutermostEnd) {
  Grid->Layouts = Grid->Releases = 0;
  Grid->BeginUpdate();
  Grid->BeginUpdate();
  Grid->LayoutChanged();
  Grid->EndUpdate();  // still locked: absorbed
  EXPECT_EQ(Grid->Layouts, 0);
  EXPECT_TRUE(Grid->ViewInfo()->GetState(vxvisCalculationNeeded));
  Grid->EndUpdate();
  EXPECT_EQ(Grid->Layouts, 1);
  EXPECT_EQ(Grid->Releases, 1);
  EXPECT_FALSE(Grid->ViewInfo()->GetState(vxvisCalculationNeeded));

  // CancelUpdate never relayouts; the next LayoutChanged does.
  Grid->BeginUpdate();
  Grid->CancelUpdate();
  EXPECT_EQ(Grid->Layouts, 1);
  EXPECT_EQ(Grid->Releases, 1);
  Grid->LayoutChanged();
  EXPECT_EQ(Grid->Layouts, 2);
}

TEST_F(GridFixture, NestedAndFailingRelayoutsCompleteOnceAndRestoreTheLock) {
  Grid->Layouts = 0;
  Grid->DuringLayout = [&] { Grid->LayoutChanged(); };  // nested: absorbed by the lock
  Grid->LayoutChanged();
  EXPECT_EQ(Grid->Layouts, 1);

  Grid->DuringLayout = [] { throw EvxAbstractError(L"layout failed"); };
  EXPECT_THROW(Grid->LayoutChanged(), EvxAbstractError);
  EXPECT_EQ(Grid->LockUpdate(), 0);
  EXPECT_EQ(Grid->Layouts, 2);  // the completion steps ran on the way out
  EXPECT_FALSE(Grid->ViewInfo()->GetState(vxvisCalculationNeeded));
  Grid->DuringLayout = nullptr;
  Grid->LayoutChanged();
  EXPECT_EQ(Grid->Layouts, 3);
}

TEST(EditingControl, LayoutBeforeTheWindowOnlyMarksTheCalculation) {
  std::unique_ptr<TTestGrid> g(TvxEditingControl::Create<TTestGrid>(nullptr));
  g->AddColumn();
  g->Layouts = 0;
  g->LayoutChanged();
  EXPECT_EQ(g->Layouts, 0);
  EXPECT_TRUE(g->IsLocked());
  EXPECT_TRUE(g->ViewInfo()->GetState(vxvisCalculationNeeded));
}

TEST(EditingControl, BareControlHasNoOptions) {
  std::unique_ptr<TvxEditingControl> c(new TvxEditingControl(nullptr));
  EXPECT_THROW(c->GetOptions(), EvxAbstractError);
}

TEST_F(GridFixture, ItemsAreFieldsOfTheDataControllerPaintedThroughTheTextEditor) {
  TTestColumn* c0 = Grid->Columns[0].get();
  TTestColumn* c2 = Grid->AddColumn(60, true);
  EXPECT_EQ(c0->ItemIndex(), 0);
  EXPECT_EQ(c2->ItemIndex(), 2);
  EXPECT_EQ(Grid->DataController()->GetItemID(c2), 2);
  EXPECT_EQ(Grid->DataController()->GetItemID(Grid), -1);
  EXPECT_EQ(Grid->DataController()->GetItemValueTypeClass(2), TvxStringValueType::Class());
  // Without properties or a repository item the value type's default editor paints.
  ASSERT_NE(c2->PropertiesValue(), nullptr);
  EXPECT_EQ(c2->PropertiesValue()->ClassType(), TvxTextEditProperties::StaticClass());
  EXPECT_EQ(c0->PropertiesValue(), c0->Properties());
  EXPECT_EQ(c0->PropertiesClassName(), L"TTestEditProperties");
  EXPECT_EQ(c2->ValueCount(), 3);
  Grid->DataController()->SetValue(1, 2, Variant(String(L"delta")));
  Grid->LayoutChanged();
  TTestCell* cell = Grid->CellAt(1, 2);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(VarToStr(cell->DisplayValue()), L"delta");
  EXPECT_EQ(cell->ViewData, c2->EditViewData());  // shared with the item

  // Re-typing the item re-types its field.
  c2->DataBinding()->SetValueType(L"Integer");
  EXPECT_EQ(Grid->DataController()->GetItemValueTypeClass(2), TvxIntegerValueType::Class());

  // A detached item has no values; removing one renumbers the rest.
  c0->SetEditingControl(nullptr);
  EXPECT_EQ(c0->ValueCount(), 0);
  EXPECT_EQ(Grid->ItemCount(), 2);
  EXPECT_EQ(Grid->Columns[1]->ItemIndex(), 0);
  EXPECT_EQ(c2->ItemIndex(), 1);
}

TEST_F(GridFixture, EditCellBoundsAndClipping) {
  TTestCell* cell = Grid->CellAt(0, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(cell->Visible());
  EXPECT_EQ(S(cell->ContentRect()), S(TRect{80, 0, 160, 20}));
  EXPECT_EQ(S(cell->CellEditRect), S(TRect{81, 1, 159, 19}));  // less the content offsets

  cell->CellBorders = vxBordersAll;
  cell->CalculateBounds(TRect{80, 0, 160, 20}, TRect{0, 0, 240, 120});
  EXPECT_EQ(S(cell->ContentRect()), S(TRect{81, 1, 159, 19}));
  // Partly outside the visible area: clipped; wholly outside: not visible.
  cell->CalculateBounds(TRect{200, 100, 280, 130}, TRect{0, 0, 240, 120});
  EXPECT_TRUE(cell->HasClipping());
  EXPECT_EQ(S(cell->ClipRect), S(TRect{200, 100, 240, 120}));
  cell->CalculateBounds(TRect{300, 0, 380, 20}, TRect{0, 0, 240, 120});
  EXPECT_FALSE(cell->Visible());
  EXPECT_TRUE(IsRectEmpty(&cell->CellEditRect));
}

TEST_F(GridFixture, HitTestFindsTheCellUnderThePoint) {
  TvxCustomHitTestController* h = Grid->Controller()->HitTestController();
  struct {
    TPoint p;
    Integer record, item;  // -1: no cell
  } cases[] = {
      {{5, 5}, 0, 0},     {{85, 25}, 1, 1},  {{79, 19}, 0, 0},  {{80, 19}, 0, 1},  // the right edge is the next cell's
      {{79, 20}, 1, 0},   {{170, 5}, -1, -1}, {{5, 70}, -1, -1},
  };
  for (const auto& c : cases) {
    h->ReCalculate(c.p);
    TvxEditCellViewInfo* cell = h->EditCellViewInfo();
    if (c.record < 0) {
      EXPECT_EQ(cell, nullptr) << c.p.x << "," << c.p.y;
    } else {
      EXPECT_EQ(cell, Grid->CellAt(c.record, c.item)) << c.p.x << "," << c.p.y;
    }
  }
  // Scrolled: the first row is gone, the hit point finds the second one there.
  Grid->SetTopRecord(1);
  h->ReCalculate(TPoint{5, 5});
  EXPECT_EQ(h->EditCellViewInfo(), Grid->CellAt(1, 0));
}

TEST_F(GridFixture, TypingOpensTheEditorWithTheKeyAndEnterPostsTheValue) {
  std::vector<std::string> log;
  Grid->OnEditing = [&](TObject*, TObject*, bool&) { log.push_back("editing"); };
  Grid->OnInitEdit = [&](TObject*, TObject*, TvxCustomEdit*) { log.push_back("init"); };
  Grid->OnEdited = [&](TObject*, TvxCustomInplaceEditContainer*) { log.push_back("edited"); };
  Grid->Focus(1, 0);
  Pump(20);
  ASSERT_FALSE(Grid->Editing()->IsEditing());
  Type(L"x");
  ASSERT_NE(Edit(), nullptr);
  EXPECT_TRUE(Grid->Editing()->IsEditing());
  EXPECT_EQ(Grid->Editing()->EditingItem(), Grid->Items(0));
  EXPECT_EQ(Edit()->Text, L"betax");  // the key is the first input after the value
  EXPECT_TRUE(Edit()->Visible());
  EXPECT_EQ(Edit()->Left(), 1);
  EXPECT_EQ(Edit()->Top(), 21);
  Type(L"y");
  Key(VK_RETURN);
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  EXPECT_EQ(Edit(), nullptr);
  EXPECT_EQ(Grid->Value(1, 0), L"betaxy");
  EXPECT_EQ(Grid->Value(0, 0), L"alpha");
  EXPECT_EQ(log, (std::vector<std::string>{"editing", "init", "edited"}));
  EXPECT_EQ(GetFocus(), Grid->Handle());  // the focus came back from the editor
}

TEST_F(GridFixture, EscapeCancelsAModifiedEditorAndSwallowsTheKey) {
  Grid->Focus(0, 1);
  Type(L"z");
  ASSERT_NE(Edit(), nullptr);
  TTestEdit* e = Edit();
  Word key = VK_ESCAPE;
  e->SetEditModified(true);
  e->OnKeyDown(e, key, TShiftState());
  EXPECT_EQ(key, 0);
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  EXPECT_EQ(Grid->Value(0, 1), L"one");

  // An untouched editor lets Escape go on to the form.
  Grid->Editing()->ShowEdit(Grid->Items(1));
  ASSERT_NE(Edit(), nullptr);
  e = Edit();
  key = VK_ESCAPE;
  e->OnKeyDown(e, key, TShiftState());
  EXPECT_EQ(key, VK_ESCAPE);
  EXPECT_FALSE(Grid->Editing()->IsEditing());
}

TEST_F(GridFixture, HidingWithoutAcceptDiscardsTheTypedText) {
  Grid->Focus(2, 0);
  Type(L"qq");
  ASSERT_NE(Edit(), nullptr);
  Grid->Editing()->HideEdit(false);
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  Grid->DataController()->Cancel();
  EXPECT_EQ(Grid->Value(2, 0), L"gamma");
}

TEST_F(GridFixture, InvalidInputKeepsTheEditorOpen) {
  TTestColumn* c = Grid->Columns[0].get();
  c->SetPropertiesClass(TTestEditProperties::StaticClass());
  c->Properties()->OnValidate = [](TObject*, Variant& V, String& AError, bool& Error) {
    Error = VarToStr(V).find(L'!') != String::npos;
    if (Error) AError = L"no exclamation marks";
  };
  Grid->Focus(0, 0);
  Type(L"!");
  ASSERT_NE(Edit(), nullptr);
  EXPECT_THROW(Grid->Editing()->HideEdit(true), EvxEditValidationError);
  EXPECT_TRUE(Grid->Editing()->IsEditing());
  ASSERT_NE(Edit(), nullptr);
  EXPECT_EQ(Grid->Value(0, 0), L"alpha");
  // Fixed input posts.
  Edit()->Text = L"alpha2";
  Edit()->SetModifiedAfterEnter(true);
  Grid->Editing()->HideEdit(true);
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  EXPECT_EQ(Grid->Value(0, 0), L"alpha2");
}

TEST_F(GridFixture, ClickingACellOpensTheImmediateEditorOverIt) {
  ASSERT_TRUE(Grid->OptionsBehavior()->ImmediateEditor());
  Click(100, 45);
  EXPECT_EQ(Grid->Controller()->FocusedRecordIndex(), 2);
  EXPECT_EQ(Grid->Controller()->FocusedItem(), Grid->Items(1));
  ASSERT_NE(Edit(), nullptr);
  RECT r = Edit()->BoundsRect();
  EXPECT_EQ(S((TRect{r.left, r.top, r.right, r.bottom})), S(TRect{81, 41, 159, 59}));
  EXPECT_EQ(Edit()->Text, L"three");

  // A middle-button press does not move the focus.
  Grid->Editing()->HideEdit(true);
  SendMessageW(Grid->Handle(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5));
  SendMessageW(Grid->Handle(), WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(Grid->Controller()->FocusedRecordIndex(), 2);
}

TEST_F(GridFixture, ClickingTheFocusedCellAgainOpensTheEditorAfterTheDoubleClickTime) {
  Grid->OptionsBehavior()->SetImmediateEditor(false);
  Click(10, 25);  // focuses the cell, no editor
  EXPECT_EQ(Grid->Controller()->FocusedRecordIndex(), 1);
  EXPECT_EQ(Edit(), nullptr);
  EXPECT_FALSE(Grid->Editing()->IsEditShowingTimerActive());
  Click(10, 25);  // the same cell again
  EXPECT_EQ(Edit(), nullptr);
  EXPECT_TRUE(Grid->Editing()->IsEditShowingTimerActive());
  Pump(GetDoubleClickTime() + 150);
  ASSERT_NE(Edit(), nullptr);
  EXPECT_EQ(Grid->Editing()->EditingItem(), Grid->Items(0));
}

TEST_F(GridFixture, ScrollingTheCellAwayParksTheEditorAndBackPlacesIt) {
  Grid->Focus(2, 1);
  Grid->Editing()->ShowEdit(Grid->Items(1));
  ASSERT_NE(Edit(), nullptr);
  EXPECT_EQ(Edit()->Left(), 81);
  Grid->RowHeight = 70;  // the third row now starts below the client area
  Grid->LayoutChanged();
  Repaint(Grid);
  EXPECT_EQ(Edit()->Left(), 30000);
  EXPECT_TRUE(Grid->Editing()->IsEditing());  // parked, not closed
  Grid->SetTopRecord(2);
  Repaint(Grid);
  EXPECT_EQ(Edit()->Left(), 81);
  EXPECT_EQ(Edit()->Top(), 1);
}

TEST_F(GridFixture, TurningEditingOffClosesTheEditor) {
  Grid->Focus(0, 0);
  Grid->Editing()->ShowEdit(Grid->Items(0));
  ASSERT_TRUE(Grid->Editing()->IsEditing());
  Grid->OptionsData()->SetEditing(false);
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  Grid->OptionsData()->SetEditing(true);
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  // An item that refuses editing gets no editor.
  Grid->Columns[0]->Options()->SetEditing(false);
  Grid->Editing()->SetEditingItem(Grid->Items(0));
  EXPECT_FALSE(Grid->Editing()->IsEditing());
}

TEST_F(GridFixture, TabOptionDecidesWhoGetsTheTabKey) {
  EXPECT_FALSE(Grid->Keys().Contains(kTab));
  EXPECT_EQ(SendMessageW(Grid->Handle(), WM_GETDLGCODE, VK_TAB, 0) & DLGC_WANTTAB, 0);
  Grid->OptionsBehavior()->SetGoToNextCellOnTab(true);
  EXPECT_TRUE(Grid->Keys().Contains(kTab));
  EXPECT_NE(SendMessageW(Grid->Handle(), WM_GETDLGCODE, VK_TAB, 0) & DLGC_WANTTAB, 0);
  Grid->Focus(0, 0);
  Key(VK_TAB);
  EXPECT_EQ(Grid->Controller()->FocusedItem(), Grid->Items(1));
  Grid->OptionsBehavior()->SetGoToNextCellOnTab(false);
  EXPECT_FALSE(Grid->Keys().Contains(kTab));
}

TEST_F(GridFixture, BufferedPaintingMatchesDirectPaintingAndCustomDrawReplacesACell) {
  Repaint(Grid);
  std::vector<DWORD> direct = Pixels(Grid);
  // The cell text is drawn: some pixels of the first cell differ from the background.
  COLORREF bg = ColorToRGB(clWindow);
  int ink = 0;
  for (int y = 2; y < 18; ++y)
    for (int x = 2; x < 78; ++x)
      if (PixelAt(Grid, x, y) != bg) ++ink;
  EXPECT_GT(ink, 10);
  EXPECT_EQ(PixelAt(Grid, 200, 100), bg);

  Grid->SetBufferedPaint(true);
  EXPECT_TRUE(Grid->BufferedPaint());
  Grid->LayoutChanged();  // a relayout paints the whole client area into the buffer
  Repaint(Grid);
  EXPECT_EQ(Pixels(Grid), direct);

  Grid->OnCustomDrawCell = [](TObject*, TvxCanvas* ACanvas, TvxCustomViewInfoItem* AItem, bool& ADone) {
    auto* cell = dynamic_cast<TTestCell*>(AItem);
    if (cell && cell->Record == 1 && cell->EditContainer()->ItemIndex() == 1) {
      ACanvas->FillRect(cell->ClipRect, clRed);
      ADone = true;
    }
  };
  InvalidateRect(Grid->Handle(), nullptr, FALSE);
  Repaint(Grid);
  EXPECT_EQ(PixelAt(Grid, 120, 30), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(Grid, 40, 30) == RGB(255, 0, 0), false);
}

namespace {

// Records what the hot-track controller tells it.
class TRecordingTarget : public TObject, public IvxHotTrackTarget {
 public:
  std::vector<std::string> Log;
  void GetHintOrigin(TPoint& P) override { P = TPoint{0, 0}; }
  bool CalculateHint(TvxCanvas*, const TPoint&, bool&, TRect&, bool, String&) override { return false; }
  void UpdateHotTrackState(const TPoint& P) override {
    Log.push_back(std::to_string(P.x) + "," + std::to_string(P.y));
  }
};

}  // namespace

TEST_F(GridFixture, HotTrackingTellsElementsWhenTheMouseEntersMovesAndLeaves) {
  TvxHotTrackController* h = Grid->Controller()->HotTrackController();
  TRecordingTarget a, b;
  h->SetHotElement(&a, TPoint{1, 1});
  h->SetHotElement(&a, TPoint{1, 1});  // no move: nothing
  h->SetHotElement(&a, TPoint{2, 1});
  h->SetHotElement(&b, TPoint{3, 3});
  h->SetHotElement(nullptr, TPoint{-1, -1});
  EXPECT_EQ(a.Log, (std::vector<std::string>{"1,1", "2,1", "-1,-1"}));
  EXPECT_EQ(b.Log, (std::vector<std::string>{"3,3", "-1,-1"}));

  // While the control is locked the controller forgets instead.
  h->SetHotElement(&a, TPoint{4, 4});
  Grid->BeginUpdate();
  h->SetHotElement(&b, TPoint{5, 5});
  Grid->CancelUpdate();
  EXPECT_EQ(h->PrevElement, nullptr);
  EXPECT_EQ(b.Log.size(), 2u);
  h->ElementRemoved(&a);
}

TEST_F(GridFixture, ACellWhoseTextDoesNotFitShowsAHintUnlessAButtonIsDown) {
  Grid->Columns[0]->Width = 24;
  Grid->LayoutChanged();
  Repaint(Grid);
  TvxHotTrackController* h = Grid->Controller()->HotTrackController();
  POINT p{10, 5};
  ClientToScreen(Grid->Handle(), &p);
  SetCursorPos(p.x, p.y);

  // With CellHints off hot tracking runs, but no hint shows.
  SendMessageW(Grid->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
  EXPECT_EQ(h->PrevElement, Grid->CellAt(0, 0));
  EXPECT_FALSE(h->HintVisible);

  Grid->OptionsBehavior()->SetCellHints(true);
  Grid->Controller()->FLockShowHint = true;  // a mouse button is held
  SendMessageW(Grid->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(11, 5));
  EXPECT_FALSE(h->HintVisible);
  Grid->Controller()->FLockShowHint = false;
  SendMessageW(Grid->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(12, 5));
  ASSERT_TRUE(h->HintVisible);
  EXPECT_EQ(h->Hint, L"alpha");
  EXPECT_EQ(h->HintElement, Grid->CellAt(0, 0));
  ASSERT_NE(h->HintWindow, nullptr);
  EXPECT_TRUE(IsWindowVisible(h->HintWindow->Handle()));

  // Another cell whose text fits hides it.
  SendMessageW(Grid->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(60, 5));
  EXPECT_FALSE(h->HintVisible);
  EXPECT_FALSE(IsWindowVisible(h->HintWindow->Handle()));
}

TEST_F(GridFixture, EnterWithGoToNextCellPostsMovesAndReopens) {
  Grid->OptionsBehavior()->SetGoToNextCellOnEnter(true);
  Grid->Focus(0, 0);
  Type(L"1");
  ASSERT_NE(Edit(), nullptr);
  Key(VK_RETURN);
  EXPECT_EQ(Grid->Value(0, 0), L"alpha1");
  EXPECT_EQ(Grid->Controller()->FocusedItem(), Grid->Items(1));
  EXPECT_EQ(Grid->Controller()->FocusedRecordIndex(), 0);
  ASSERT_NE(Edit(), nullptr);
  EXPECT_EQ(Grid->Editing()->EditingItem(), Grid->Items(1));
  EXPECT_EQ(Edit()->Text, L"one");
}

TEST_F(GridFixture, MovingTheFocusWhileEditingPostsTheEditorFirst) {
  Grid->Focus(1, 1);
  Type(L"!");
  ASSERT_NE(Edit(), nullptr);
  Key(VK_LEFT);  // the editor passes the arrow on: the controller moves the focus
  EXPECT_EQ(Grid->Controller()->FocusedItem(), Grid->Items(0));
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  EXPECT_EQ(Grid->Value(1, 1), L"two!");
}

TEST_F(GridFixture, NoEditorOpensWhileTheControlIsUnfocused) {
  Grid->Focus(0, 0);
  FocusElsewhere();
  Grid->Editing()->ShowEdit(Grid->Items(0));
  EXPECT_FALSE(Grid->Editing()->IsEditing());
  EXPECT_EQ(Edit(), nullptr);
}

TEST_F(GridFixture, ChangingTheLookAndFeelReopensAnOpenEditor) {
  Grid->Focus(2, 1);
  Type(L"+");
  TvxCustomEdit* before = Grid->Editing()->Edit();
  ASSERT_NE(before, nullptr);
  Grid->LookAndFeel()->SetKind(Grid->LookAndFeel()->Kind() == lfFlat ? lfStandard : lfFlat);
  EXPECT_EQ(Grid->Value(2, 1), L"three+");  // closed with its value accepted
  EXPECT_TRUE(Grid->Editing()->IsEditing());
  EXPECT_EQ(Grid->Editing()->Edit(), before);  // the cached editor came back
}

TEST_F(GridFixture, DraggingAutomaticallyTurnsTheImmediateEditorOff) {
  EXPECT_TRUE(Grid->Controller()->ImmediateEditorOption());
  Grid->SetDragMode(dmAutomatic);
  EXPECT_FALSE(Grid->Controller()->ImmediateEditorOption());
  Grid->SetDragMode(dmManual);
  Grid->OptionsBehavior()->SetImmediateEditor(false);
  EXPECT_FALSE(Grid->Controller()->ImmediateEditorOption());
  Grid->OptionsBehavior()->SetAlwaysShowEditor(true);
  EXPECT_TRUE(Grid->Controller()->ImmediateEditorOption());
}

TEST_F(GridFixture, EditButtonsShowByTheItemAndControlSettings) {
  struct {
    TvxEditItemShowEditButtons item;
    TvxEditingControlEditShowButtons control;
    bool focusedCell;
    TvxEditButtonTransparency expected;
  } cases[] = {
      {eisbAlways, ecsbNever, false, ebtNone},         {eisbNever, ecsbAlways, true, ebtHideInactive},
      {eisbDefault, ecsbAlways, false, ebtNone},       {eisbDefault, ecsbFocused, true, ebtNone},
      {eisbDefault, ecsbFocused, false, ebtHideInactive}, {eisbDefault, ecsbNever, true, ebtHideInactive},
  };
  Grid->Focus(0, 0);
  for (const auto& c : cases) {
    Grid->Columns[0]->Options()->SetShowEditButtons(c.item);
    Grid->OptionsView()->SetShowEditButtons(c.control);
    TTestCell* cell = Grid->CellAt(c.focusedCell ? 0 : 1, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->GetButtonTransparency(), c.expected) << c.item << "/" << c.control << "/" << c.focusedCell;
  }
}

TEST_F(GridFixture, StylesResolveThroughTheLookAndFeelAndTheFocus) {
  TvxCustomLookAndFeelPainterClass p = Grid->LookAndFeelPainter();
  TvxViewParams bg, sel;
  Grid->Styles()->GetBackgroundParams(bg);
  EXPECT_EQ(bg.Color, p->DefaultContentColor());
  EXPECT_EQ(bg.Font, Grid->Font());
  Grid->Styles()->GetSelectionParams(sel);
  EXPECT_EQ(sel.Color, p->DefaultSelectionColor());  // focused
  FocusElsewhere();
  Grid->Styles()->GetSelectionParams(sel);
  EXPECT_EQ(sel.Color, p->DefaultInactiveColor());

  // An assigned style wins and relayouts the control.
  TvxStyle style(nullptr);
  style.SetColor(clYellow);
  Grid->Layouts = 0;
  Grid->Styles()->SetBackground(&style);
  EXPECT_GE(Grid->Layouts, 1);
  Grid->Styles()->GetBackgroundParams(bg);
  EXPECT_EQ(bg.Color, clYellow);
  Repaint(Grid);
  EXPECT_EQ(PixelAt(Grid, 200, 100), RGB(255, 255, 0));
  Grid->Styles()->SetBackground(nullptr);
}

TEST_F(GridFixture, EscapeOnTheControlCancelsThePendingRecordEdit) {
  Grid->Focus(0, 0);
  Type(L"#");
  ASSERT_NE(Edit(), nullptr);
  Grid->Editing()->HideEdit(true);  // posted into the record being edited
  EXPECT_EQ(Grid->Value(0, 0), L"alpha#");
  ASSERT_TRUE(Grid->DataController()->EditState().Contains(dceEdit));
  Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->DataController()->EditState().Contains(dceEdit));
  EXPECT_EQ(Grid->Value(0, 0), L"alpha");
}

TEST_F(GridFixture, IncrementalSearchFocusesTheMatchAndBackspaceShortensIt) {
  Grid->OptionsBehavior()->SetIncSearch(true);
  Grid->Focus(0, 0);
  Type(L"ga");
  EXPECT_FALSE(Grid->Editing()->IsEditing());  // the keys went to the search, not to an editor
  EXPECT_TRUE(Grid->Controller()->IsIncSearching());
  EXPECT_EQ(Grid->Controller()->GetIncSearchingText(), L"ga");
  EXPECT_EQ(Grid->Controller()->FocusedRecordIndex(), 2);
  EXPECT_EQ(Grid->Controller()->GetIncSearchingItem(), Grid->Items(0));
  Type(L"x");  // no match: the search stays as it was
  EXPECT_EQ(Grid->Controller()->GetIncSearchingText(), L"ga");
  EXPECT_EQ(Grid->Controller()->FocusedRecordIndex(), 2);
  Key(VK_BACK, L'\b');
  EXPECT_EQ(Grid->Controller()->GetIncSearchingText(), L"g");
  Key(VK_BACK, L'\b');
  EXPECT_FALSE(Grid->Controller()->IsIncSearching());

  // While a record is being edited typing opens the editor instead.
  Grid->DataController()->Edit();
  Type(L"b");
  EXPECT_FALSE(Grid->Controller()->IsIncSearching());
  EXPECT_TRUE(Grid->Editing()->IsEditing());
}

TEST_F(GridFixture, RepositoryItemsAndPropertiesClassNamesResolveTheEditor) {
  TTestColumn* c = Grid->AddColumn(60, true);
  TvxCustomEditProperties* byType = c->PropertiesValue();
  auto repo = std::make_unique<TvxEditRepository>(nullptr);
  TvxEditRepositoryItem* item = repo->CreateItem(TvxEditRepositoryTextItem::StaticClass());
  c->SetRepositoryItem(item);
  EXPECT_EQ(c->PropertiesValue(), item->Properties());
  delete item;  // the item tells its listeners that it goes
  EXPECT_EQ(c->RepositoryItem(), nullptr);
  EXPECT_EQ(c->PropertiesValue(), byType);

  // A class name nobody registered gives no own properties: the value type decides.
  TTestColumn* t = Grid->Columns[0].get();
  ASSERT_NE(t->Properties(), nullptr);
  t->SetPropertiesClassName(L"TNoSuchProperties");
  EXPECT_EQ(t->Properties(), nullptr);
  EXPECT_EQ(t->PropertiesValue(), byType);
}

}  // namespace ZS_UNITY_ID
