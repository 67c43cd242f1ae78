// Customizing the tree list by hand on a shown window with the real mouse: the customization
// form (its place, its lists), columns dragged from the headers into the form and back, bands
// moved by their headers with the drop arrows checked, node rows sized by the indicator's
// edge, the quick customization drop-down and its fitting to the work area, and the text drag
// picture.
#include "TreeListViewTestSupport.h"
#include "vxPC.h"
#include "vxTLCustomizing.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

using Opt = TvxTreeListOptionsCustomizing;

POINT ToScreen(HWND W, Integer X, Integer Y) {
  POINT p{X, Y};
  ClientToScreen(W, &p);
  return p;
}

void MouseButton(DWORD AFlags) {
  INPUT i{};
  i.type = INPUT_MOUSE;
  i.mi.dwFlags = AFlags;
  SendInput(1, &i, sizeof(INPUT));
}

struct CustomizingFixture : ListFixture {
  DWORD LastPress = GetTickCount() - 10000;
  TRect HeaderRect(TObject* AItem) {
    TvxTreeListHeaderCellViewInfo* h = VI()->HeaderCellOf(AItem);
    return h ? h->BoundsRect() : TRect{};
  }
  POINT HeaderPoint(TObject* AItem, bool ALeftHalf) {
    const TRect r = HeaderRect(AItem);
    const Integer x = ALeftHalf ? r.left + (r.right - r.left) / 4 : r.right - (r.right - r.left) / 4;
    return ToScreen(TL->Handle(), x, (r.top + r.bottom) / 2);
  }
  // Button down at AFrom, moves to ATo in steps (AAtEnd runs before the button goes up,
  // while the drag is still on), button up; all through the input queue, in screen points.
  void Drag(POINT AFrom, POINT ATo, const std::function<void()>& AAtEnd = {}, bool AEscape = false) {
    // A press soon after the last one would be taken for a double click.
    const DWORD since = GetTickCount() - LastPress;
    if (since < GetDoubleClickTime()) Pump(GetDoubleClickTime() - since + 20);
    LastPress = GetTickCount();
    SetCursorPos(AFrom.x, AFrom.y);
    Pump(20);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    Pump(30);
    for (int i = 1; i <= 8; ++i) {
      SetCursorPos(AFrom.x + (ATo.x - AFrom.x) * i / 8, AFrom.y + (ATo.y - AFrom.y) * i / 8);
      Pump(20);
    }
    if (AAtEnd) AAtEnd();
    if (AEscape) Key(VK_ESCAPE);
    MouseButton(MOUSEEVENTF_LEFTUP);
    Pump(60);
  }
  // The drop arrows of the drag running in AControl, as a screen rectangle (empty while hidden).
  static RECT ArrowsRect(TvxControl* AControl) {
    RECT r{};
    auto* d = dynamic_cast<TvxTreeListDragAndDropObject*>(AControl->DragAndDropObject());
    if (d && d->Arrows()->HandleAllocated() && IsWindowVisible(d->Arrows()->Handle()))
      GetWindowRect(d->Arrows()->Handle(), &r);
    return r;
  }
  TvxTreeListCustomizing* ShowForm(Integer ALeft = 700, Integer ATop = 60) {
    TvxTreeListCustomizing* cz = TL->Customizing();
    cz->SetPosition(TPoint{ALeft, ATop});
    cz->SetVisible(true);
    Pump(60);
    return cz;
  }
  // The screen centre of a customization list's entry.
  static POINT EntryPoint(TvxTreeListItemsCustomizeListBox* ALb, Integer AIndex) {
    const TRect r = ALb->ItemRect(AIndex);
    return ToScreen(ALb->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  std::vector<TvxTreeListBand*> VisibleRootBands() {
    std::vector<TvxTreeListBand*> r;
    for (Integer i = 0; i < TL->Bands()->VisibleRootItemCount(); ++i) r.push_back(TL->Bands()->VisibleRootItems(i));
    return r;
  }
};

TEST_F(CustomizingFixture, FormListsHiddenColumnsAndKeepsItsPlace) {
  TL->Columns(5)->SetVisible(false);
  int shownOrClosed = 0;
  TL->OnCustomizationFormVisibleChanged = [&](TObject*) { ++shownOrClosed; };
  TvxTreeListCustomizing* cz = TL->Customizing();
  cz->SetRowCount(1);
  EXPECT_EQ(cz->RowCount(), 2);
  cz->SetVisible(true);
  Pump(60);
  ASSERT_TRUE(cz->Visible());
  EXPECT_EQ(shownOrClosed, 1);
  // First showing: 200 x 300 in the bottom right corner of the tree list's form.
  RECT fr{}, cr{};
  GetWindowRect(Form->Handle(), &fr);
  GetWindowRect(cz->Form()->Handle(), &cr);
  EXPECT_EQ(cr.right, fr.right);
  EXPECT_EQ(cr.bottom, fr.bottom);
  EXPECT_EQ(cr.right - cr.left, 200);
  EXPECT_EQ(cr.bottom - cr.top, 300);
  EXPECT_EQ(cz->Form()->Caption(), L"Customization");
  EXPECT_EQ(GetAncestor(GetWindow(cz->Form()->Handle(), GW_OWNER), GA_ROOT), Form->Handle());
  // Without bands shown: one list, no pages; it holds the hidden column only.
  EXPECT_EQ(cz->PageControl(), nullptr);
  ASSERT_NE(cz->HeaderListBox(), nullptr);
  ASSERT_EQ(cz->HeaderListBox()->HeaderCount(), 1);
  EXPECT_EQ(cz->HeaderListBox()->EntryItem(0), TL->Columns(5));
  EXPECT_TRUE(cz->PtInCustomizingBox(TPoint{(cr.left + cr.right) / 2, (cr.top + cr.bottom) / 2}));
  EXPECT_FALSE(cz->PtInCustomizingBox(TPoint{fr.left + 5, fr.top + 40}));

  // Closed and shown again: where it was moved to.
  cz->SetPosition(TPoint{720, 90});
  cz->SetVisible(false);
  EXPECT_FALSE(cz->Visible());
  EXPECT_EQ(cz->Form(), nullptr);
  EXPECT_EQ(shownOrClosed, 2);
  cz->SetVisible(true);
  Pump(40);
  GetWindowRect(cz->Form()->Handle(), &cr);
  EXPECT_EQ(cr.left, 720);
  EXPECT_EQ(cr.top, 90);

  // A double click on an entry shows the column again; the list follows.
  std::vector<TvxTreeListColumn*> moved;
  TL->OnColumnPosChanged = [&](TObject*, TvxTreeListColumn* c) { moved.push_back(c); };
  TvxTreeListItemsCustomizeListBox* lb = cz->HeaderListBox();
  const POINT e = EntryPoint(lb, 0);
  SetForegroundWindow(cz->Form()->Handle());
  SetCursorPos(e.x, e.y);
  Pump(20);
  for (int i = 0; i < 2; ++i) {
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
  }
  Pump(80);
  EXPECT_TRUE(TL->Columns(5)->Visible());
  EXPECT_EQ(moved, std::vector<TvxTreeListColumn*>{TL->Columns(5)});
  EXPECT_EQ(lb->HeaderCount(), 0);
  // Closing by the window's own close button frees the form too.
  PostMessageW(cz->Form()->Handle(), WM_CLOSE, 0, 0);
  Pump(60);
  EXPECT_FALSE(cz->Visible());
  EXPECT_EQ(shownOrClosed, 4);
}

TEST_F(CustomizingFixture, PagedFormWithBandsAndHiddenBandRestoredOnlyUnderAVisibleParent) {
  TL->OptionsView()->SetBands(true);
  TvxTreeListBand* parent = TL->Bands()->Add();
  TvxTreeListBand* child = TL->Bands()->Add();
  child->Position()->SetBandIndex(parent->Index());
  child->SetVisible(false);
  parent->SetVisible(false);
  Pump(40);
  TvxTreeListCustomizing* cz = ShowForm();
  ASSERT_NE(cz->PageControl(), nullptr);
  EXPECT_EQ(cz->PageControl()->PageCount(), 2);
  EXPECT_EQ(cz->TabSheetBands()->Caption(), L"    Bands    ");
  EXPECT_EQ(cz->TabSheetHeaders()->Caption(), L"   Columns   ");
  ASSERT_NE(cz->BandListBox(), nullptr);
  EXPECT_EQ(cz->BandListBox()->HeaderCount(), 2);
  cz->MakeColumnPageVisible();
  EXPECT_EQ(cz->PageControl()->ActivePage(), cz->TabSheetHeaders());
  cz->MakeBandPageVisible();
  EXPECT_EQ(cz->PageControl()->ActivePage(), cz->TabSheetBands());
  // The child is not shown while its parent is hidden; the parent is.
  const Integer childEntry = cz->BandListBox()->EntryItem(0) == child ? 0 : 1;
  cz->BandListBox()->RestoreItem(childEntry);
  EXPECT_FALSE(child->Visible());
  cz->BandListBox()->RestoreItem(1 - childEntry);
  EXPECT_TRUE(parent->Visible());
}

TEST_F(CustomizingFixture, ColumnDraggedIntoTheFormIsHiddenAndDraggedBackLandsWhereTheArrowsPoint) {
  Fill(3);
  TvxTreeListCustomizing* cz = ShowForm();
  TvxTreeListColumn* access = TL->Columns(2);
  TvxTreeListColumn* name = TL->Columns(1);
  std::vector<TvxTreeListColumn*> moved;
  TL->OnColumnPosChanged = [&](TObject*, TvxTreeListColumn* c) { moved.push_back(c); };
  RECT formRect{};
  GetWindowRect(cz->Form()->Handle(), &formRect);
  const POINT intoForm{(formRect.left + formRect.right) / 2, (formRect.top + formRect.bottom) / 2};

  // Over the form the arrows hide: the drop hides the column.
  RECT arrowsOverForm{1, 1, 1, 1};
  Drag(HeaderPoint(access, true), intoForm, [&] { arrowsOverForm = ArrowsRect(TL); });
  EXPECT_TRUE(IsRectEmpty(&arrowsOverForm));
  EXPECT_FALSE(access->Visible());
  EXPECT_EQ(moved, std::vector<TvxTreeListColumn*>{access});
  TvxTreeListItemsCustomizeListBox* lb = cz->HeaderListBox();
  ASSERT_EQ(lb->HeaderCount(), 1);
  EXPECT_EQ(lb->EntryItem(0), access);

  // Back from the form onto the left half of "Name": the arrows stand on Name's left edge
  // while the pointer is there, and the column lands just left of it.
  SetForegroundWindow(cz->Form()->Handle());
  Pump(30);
  const TRect nameHeader = HeaderRect(name);
  const POINT nameTopLeft = ToScreen(TL->Handle(), nameHeader.left, nameHeader.top);
  const POINT nameBottomLeft = ToScreen(TL->Handle(), nameHeader.left, nameHeader.bottom);
  RECT arrows{};
  Drag(EntryPoint(lb, 0), HeaderPoint(name, true), [&] { arrows = ArrowsRect(lb); });
  ASSERT_FALSE(IsRectEmpty(&arrows));
  EXPECT_NEAR((arrows.left + arrows.right) / 2, nameTopLeft.x, 1);
  EXPECT_LT(arrows.top, nameTopLeft.y);
  EXPECT_GT(arrows.bottom, nameBottomLeft.y);
  EXPECT_TRUE(access->Visible());
  ASSERT_GE(TL->VisibleColumnCount(), 3);
  EXPECT_EQ(TL->VisibleColumns(1), access);
  EXPECT_EQ(TL->VisibleColumns(2), name);
  EXPECT_EQ(moved.size(), 2u);
  EXPECT_EQ(lb->HeaderCount(), 0);
}

TEST_F(CustomizingFixture, ColumnDroppedOffTheHeadersStaysWithoutHidingOrForm) {
  Fill(2);
  TvxTreeListColumn* access = TL->Columns(2);
  // No form and hiding off: a drop below the headers changes nothing.
  Drag(HeaderPoint(access, true), ToScreen(TL->Handle(), 200, 150));
  EXPECT_TRUE(access->Visible());
  // With hiding on the same drop hides it.
  TL->OptionsCustomizing()->Set(Opt::ColumnHiding, true);
  // (Pressed elsewhere on the header, so that the press is not taken for a double click.)
  Drag(HeaderPoint(access, false), ToScreen(TL->Handle(), 200, 150));
  EXPECT_FALSE(access->Visible());
}

struct BandFixture : CustomizingFixture {
  TvxTreeListBand* First = nullptr;
  TvxTreeListBand* Second = nullptr;
  void SetUp() override {
    CustomizingFixture::SetUp();
    TL->OptionsView()->SetBands(true);
    First = TL->Bands()->Items(0);
    First->Caption()->SetText(L"First");
    Second = TL->Bands()->Add();
    Second->Caption()->SetText(L"Second");
    for (Integer i = 3; i < 6; ++i) TL->Columns(i)->Position()->SetBandIndex(Second->Index());
    Fill(2);
    Relayout();
  }
};

TEST_F(BandFixture, BandMovedBeforeAnotherWhereTheArrowsPoint) {
  ASSERT_EQ(VisibleRootBands(), (std::vector<TvxTreeListBand*>{First, Second}));
  std::vector<TvxTreeListBand*> moved;
  TL->OnBandPosChanged = [&](TObject*, TvxTreeListBand* b) { moved.push_back(b); };
  const TRect firstHeader = HeaderRect(First);
  const POINT firstTopLeft = ToScreen(TL->Handle(), firstHeader.left, firstHeader.top);
  RECT arrows{};
  Drag(HeaderPoint(Second, false), HeaderPoint(First, true), [&] { arrows = ArrowsRect(TL); });
  ASSERT_FALSE(IsRectEmpty(&arrows));
  EXPECT_NEAR((arrows.left + arrows.right) / 2, firstTopLeft.x, 1);
  EXPECT_EQ(VisibleRootBands(), (std::vector<TvxTreeListBand*>{Second, First}));
  EXPECT_EQ(moved, std::vector<TvxTreeListBand*>{Second});
  // Its columns went with it.
  EXPECT_EQ(TL->VisibleColumns(0), TL->Columns(3));
}

TEST_F(BandFixture, NoChangeBesideItsOwnNeighbourNorAfterEscape) {
  std::vector<TvxTreeListBand*> moved;
  TL->OnBandPosChanged = [&](TObject*, TvxTreeListBand* b) { moved.push_back(b); };
  // On the left half of its right neighbour it would stay where it is: no arrows, no move.
  RECT arrows{1, 1, 1, 1};
  Drag(HeaderPoint(First, false), HeaderPoint(Second, true), [&] { arrows = ArrowsRect(TL); });
  EXPECT_TRUE(IsRectEmpty(&arrows));
  EXPECT_EQ(VisibleRootBands(), (std::vector<TvxTreeListBand*>{First, Second}));
  // Escape during the drag leaves the layout as it was.
  Drag(HeaderPoint(First, true), HeaderPoint(Second, false), {}, true);
  EXPECT_EQ(VisibleRootBands(), (std::vector<TvxTreeListBand*>{First, Second}));
  EXPECT_TRUE(moved.empty());
  // Dropped into the form a band is hidden and listed.
  TvxTreeListCustomizing* cz = ShowForm();
  RECT formRect{};
  GetWindowRect(cz->Form()->Handle(), &formRect);
  Drag(HeaderPoint(Second, true), POINT{(formRect.left + formRect.right) / 2, (formRect.top + formRect.bottom) / 2});
  EXPECT_FALSE(Second->Visible());
  EXPECT_EQ(moved, std::vector<TvxTreeListBand*>{Second});
  ASSERT_NE(cz->BandListBox(), nullptr);
  ASSERT_EQ(cz->BandListBox()->HeaderCount(), 1);
  EXPECT_EQ(cz->BandListBox()->EntryItem(0), Second);
}

TEST_F(BandFixture, WithNoBandShownABandDraggedFromTheFormBecomesAVisibleRootBand) {
  TvxTreeListCustomizing* cz = ShowForm();
  First->SetVisible(false);
  Second->SetVisible(false);
  Pump(40);
  cz->MakeBandPageVisible();
  TvxTreeListItemsCustomizeListBox* lb = cz->BandListBox();
  ASSERT_NE(lb, nullptr);
  ASSERT_EQ(lb->HeaderCount(), 2);
  const Integer entry = lb->EntryItem(0) == Second ? 0 : 1;
  std::vector<TvxTreeListBand*> moved;
  TL->OnBandPosChanged = [&](TObject*, TvxTreeListBand* b) { moved.push_back(b); };
  SetForegroundWindow(cz->Form()->Handle());
  Pump(30);
  Drag(EntryPoint(lb, entry), ToScreen(TL->Handle(), 150, 8));
  EXPECT_TRUE(Second->Visible());
  EXPECT_FALSE(First->Visible());
  EXPECT_EQ(VisibleRootBands(), std::vector<TvxTreeListBand*>{Second});
  EXPECT_EQ(moved, std::vector<TvxTreeListBand*>{Second});
  EXPECT_EQ(lb->HeaderCount(), 1);
}

// --- Node row sizing -----------------------------------------------------------------------

TEST_F(CustomizingFixture, NodeRowSizedByTheIndicatorEdge) {
  TL->OptionsView()->SetIndicator(true);
  TL->OptionsCustomizing()->Set(Opt::NodeSizing, true);
  Fill(4);
  Relayout();
  const TRect row0 = VI()->NodeViewData(Row(0))->Bounds();
  const Integer before = row0.bottom - row0.top;
  TvxTreeListHitTest* h = HitAt(4, row0.bottom - 1);
  ASSERT_TRUE(h->HitAtSizingVert());
  EXPECT_EQ(h->HitNode, Row(0));
  const POINT from = ToScreen(TL->Handle(), 4, row0.bottom - 1);
  Drag(from, POINT{from.x, from.y + 12});
  EXPECT_EQ(Row(0)->Height(), before + 12);
  EXPECT_EQ(VI()->NodeViewData(Row(0))->Bounds().bottom - VI()->NodeViewData(Row(0))->Bounds().top, before + 12);
  // The other rows keep their height.
  const TRect row1 = VI()->NodeViewData(Row(1))->Bounds();
  EXPECT_EQ(row1.bottom - row1.top, before);

  // Row sizing: only the top row's edge sizes, and every row follows.
  TL->OptionsCustomizing()->Set(Opt::RowSizing, true);
  Row(0)->SetHeight(0);
  Relayout();
  const TRect r0 = VI()->NodeViewData(Row(0))->Bounds();
  const TRect r1 = VI()->NodeViewData(Row(1))->Bounds();
  EXPECT_FALSE(HitAt(4, r1.bottom - 1)->HitAtSizingVert());
  ASSERT_TRUE(HitAt(4, r0.bottom - 1)->HitAtSizingVert());
  const POINT top = ToScreen(TL->Handle(), 4, r0.bottom - 1);
  Drag(top, POINT{top.x, top.y + 9});
  EXPECT_GT(TL->DefaultRowHeight(), 0);
  const TRect n0 = VI()->NodeViewData(Row(0))->Bounds();
  const TRect n2 = VI()->NodeViewData(Row(2))->Bounds();
  EXPECT_EQ(n0.bottom - n0.top, n2.bottom - n2.top);
  EXPECT_EQ(n0.bottom - n0.top, r0.bottom - r0.top + 9);
  // And back up: the rows shrink as far as the pointer went.
  const POINT edge = ToScreen(TL->Handle(), 4, n0.bottom - 1);
  Drag(edge, POINT{edge.x, edge.y - 5});
  const TRect s0 = VI()->NodeViewData(Row(0))->Bounds();
  EXPECT_EQ(s0.bottom - s0.top, n0.bottom - n0.top - 5);
}

// --- Quick customization popup ------------------------------------------------------------

// A popup placed at a fixed screen point, as a popup under an owner at the screen's edge.
class FixedPlacePopup : public TvxTreeListColumnsCustomizationPopup {
 public:
  using TvxTreeListColumnsCustomizationPopup::TvxTreeListColumnsCustomizationPopup;
  TPoint Place{100, 100};
  TPoint CalculatePosition() override { return Place; }
};

struct PopupFixture : CustomizingFixture {
  TvxTreeListIndicatorCellViewInfo* IndicatorHeader() {
    for (auto* c : Find<TvxTreeListIndicatorCellViewInfo>(VI()->Cells()))
      if (c->Position == tlipColumns) return c;
    return nullptr;
  }
  void AddColumns(Integer ACount) {
    for (Integer i = 0; i < ACount; ++i) TL->CreateColumn()->Caption()->SetText(L"Extra " + IntToStr(i));
  }
  void SetUp() override {
    CustomizingFixture::SetUp();
    TL->OptionsView()->SetIndicator(true);
    Fill(2);
    Relayout();
  }
};

TEST_F(PopupFixture, ColumnsPopupListsCustomizableColumnsAndTicksShowAndHide) {
  TL->Columns(5)->Options()->Set(TvxTreeListColumnOptions::Hidden, true);
  TL->Columns(4)->Options()->Set(TvxTreeListColumnOptions::Customizing, false);
  TvxTreeListController* c = TL->TreeListController();
  TvxTreeListColumnsCustomizationPopup* popup = c->ColumnsCustomizationPopup();
  popup->SetModalMode(false);
  ASSERT_NE(IndicatorHeader(), nullptr);
  c->ShowQuickCustomizationPopup(IndicatorHeader(), false);
  Pump(40);
  ASSERT_TRUE(popup->IsVisible());
  TvxCheckListBox* list = popup->CheckListBox();
  ASSERT_EQ(list->Count(), 4);
  EXPECT_EQ(list->Items()->Items(1)->ItemObject(), TL->Columns(1));
  EXPECT_TRUE(list->Items()->Items(1)->Checked());
  // Every row shows (no drop-down count): no scroll bar width is added.
  EXPECT_EQ(list->Height(), list->GetHeight(4));

  std::vector<TvxTreeListColumn*> moved;
  TL->OnColumnPosChanged = [&](TObject*, TvxTreeListColumn* col) { moved.push_back(col); };
  list->InnerCheckListBox()->ToggleItemCheck(1);
  Pump(20);
  EXPECT_FALSE(TL->Columns(1)->Visible());
  EXPECT_EQ(moved, std::vector<TvxTreeListColumn*>{TL->Columns(1)});
  list->InnerCheckListBox()->ToggleItemCheck(1);
  EXPECT_TRUE(TL->Columns(1)->Visible());
  // Escape in the list closes the popup.
  list->SetFocus();
  Key(VK_ESCAPE);
  EXPECT_FALSE(popup->IsVisible());
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(PopupFixture, AClickOnTheIndicatorHeaderOpensTheColumnsPopupWhenQuickCustomizationIsOn) {
  TvxTreeListController* c = TL->TreeListController();
  TvxTreeListColumnsCustomizationPopup* popup = c->ColumnsCustomizationPopup();
  popup->SetModalMode(false);
  TvxTreeListIndicatorCellViewInfo* cell = IndicatorHeader();
  ASSERT_NE(cell, nullptr);
  const TRect r = cell->BoundsRect();
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_FALSE(popup->IsVisible());
  TL->OptionsCustomizing()->Set(Opt::ColumnsQuickCustomization, true);
  Relayout();
  cell = IndicatorHeader();
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(HitAt((r.left + r.right) / 2, (r.top + r.bottom) / 2)->HitAt(tlhcColumnCustomizing));
  Pump(GetDoubleClickTime());
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_EQ(popup->Owner(), cell);
  EXPECT_EQ(popup->CheckListBox()->Count(), 6);
  popup->CloseUp();
}

TEST_F(PopupFixture, DropDownCountLimitsTheRowsAndAddsTheScrollBar) {
  AddColumns(6);
  TL->OptionsCustomizing()->ColumnsQuickCustomizationMaxDropDownCount = 5;
  TvxTreeListController* c = TL->TreeListController();
  TvxTreeListColumnsCustomizationPopup* popup = c->ColumnsCustomizationPopup();
  popup->SetModalMode(false);
  c->ShowQuickCustomizationPopup(IndicatorHeader(), false);
  Pump(40);
  TvxCheckListBox* list = popup->CheckListBox();
  ASSERT_EQ(list->Count(), 12);
  EXPECT_EQ(list->Height(), list->GetHeight(5));
  const Integer limitedWidth = list->Width();
  popup->CloseUp();
  // Without a limit every row shows, and the list is narrower by the scroll bar.
  TL->OptionsCustomizing()->ColumnsQuickCustomizationMaxDropDownCount = 0;
  c->ShowQuickCustomizationPopup(IndicatorHeader(), false);
  Pump(40);
  EXPECT_EQ(list->Height(), list->GetHeight(12));
  EXPECT_EQ(limitedWidth - list->Width(), GetSystemMetrics(SM_CXVSCROLL));
  popup->CloseUp();
}

TEST_F(PopupFixture, FittingToTheWorkAreaEndsAtOneRowWhenNotEvenARowFits) {
  AddColumns(6);
  FixedPlacePopup popup(TL);
  popup.SetModalMode(false);
  popup.SetOwner(IndicatorHeader());
  popup.RefreshList();
  ASSERT_EQ(popup.CheckListBox()->Count(), 12);
  popup.SetCheckListBoxSize(false);
  popup.CalculateSize();
  RECT work{};
  vxGetMonitorWorkArea(POINT{100, 100}, work);
  // One pixel above the work area's bottom: no row fits, the list goes into one row.
  popup.Place = TPoint{100, work.bottom - 1};
  TPoint p = popup.Place;
  popup.CorrectBoundsWithDesktopWorkArea(p);
  EXPECT_EQ(popup.ColumnCount(), 12);
  EXPECT_EQ(popup.RowCountFor(popup.ColumnCount()), 1);
  // Room for a few rows: more columns until the popup fits above the bottom.
  popup.SetColumnCount(1);
  popup.SetCheckListBoxSize(false);
  popup.CalculateSize();
  const Integer room = popup.CheckListBox()->GetHeight(4) + popup.VertFrameWidth() + 2 * GetSystemMetrics(SM_CYHSCROLL);
  popup.Place = TPoint{100, work.bottom - room};
  p = popup.Place;
  popup.CorrectBoundsWithDesktopWorkArea(p);
  EXPECT_GT(popup.ColumnCount(), 1);
  EXPECT_LE(popup.RowCountFor(popup.ColumnCount()), 4);
  EXPECT_LE(p.y + popup.Height() + GetSystemMetrics(SM_CYHSCROLL), work.bottom);
}

// --- Drop-position arrow -----------------------------------------------------------------

TEST(NodeDragInfoImage, StateSelectsTheArrowAndMoveToPlacesItCentredOnThePoint) {
  TvxTreeListNodeDragInfoImage arrow;
  EXPECT_EQ(arrow.State(), ndiNone);
  EXPECT_EQ(arrow.Images()->Count(), 3);
  // Without an arrow nothing shows.
  arrow.MoveTo(TPoint{300, 300});
  EXPECT_FALSE(arrow.HandleAllocated() && IsWindowVisible(arrow.Handle()));
  arrow.SetState(ndiInsertAfter);
  EXPECT_EQ(arrow.ImageIndex(), 1);
  arrow.MoveTo(TPoint{300, 300});
  Pump(20);
  ASSERT_TRUE(arrow.HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(arrow.Handle()));
  RECT r{};
  GetWindowRect(arrow.Handle(), &r);
  EXPECT_EQ(r.left, 300);
  EXPECT_EQ(r.top, 300 - 5);
  EXPECT_EQ(r.right - r.left, 15);
  EXPECT_EQ(r.bottom - r.top, 10);
  // The window has the arrow's shape: the magenta background is cut away.
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(arrow.Handle(), rgn), ERROR);
  EXPECT_FALSE(PtInRegion(rgn, 14, 0));
  DeleteObject(rgn);
  arrow.SetState(ndiAddChild);
  arrow.MoveTo(TPoint{310, 320});
  GetWindowRect(arrow.Handle(), &r);
  EXPECT_EQ(r.left, 310);
  EXPECT_EQ(r.top, 315);
}

// --- Text drag picture --------------------------------------------------------------------

TEST_F(CustomizingFixture, TextDragPictureShowsTheNodeTextInSelectionColours) {
  Fill(2);
  TL->SetFocusedNode(Row(1));
  Pump(20);
  TRect r{};
  TL->GetDragImageBounds(r);
  ASSERT_FALSE(IsRectEmpty(&r));
  EXPECT_EQ(r.right - r.left, TL->VisibleColumns(0)->DisplayWidth() + 4);
  EXPECT_EQ(TL->GetDragDropText(Row(1)), L"Allow");
  TL->OnGetDragDropText = [](TObject*, TvxTreeListNode*, String& AText) { AText += L"!"; };
  EXPECT_EQ(TL->GetDragDropText(Row(1)), L"Allow!");
  TvxDragImage image;
  image.SetBounds(0, 0, r.right - r.left, r.bottom - r.top);
  TL->PaintDragImage(image.Image(), image.Canvas());
  TvxViewParams selection;
  TL->Styles()->GetViewParams(tlsSelection, Row(1), nullptr, selection);
  TBitmap* b = image.Image();
  const COLORREF fill = ColorToRGB(selection.Color);
  Integer filled = 0, text = 0;
  for (Integer y = 1; y < b->Height() - 1; ++y)
    for (Integer x = 1; x < b->Width() - 1; ++x) {
      const COLORREF px = GetPixel(b->Canvas()->Handle(), x, y);
      if (px == fill)
        ++filled;
      else
        ++text;
    }
  EXPECT_GT(filled, 0);
  EXPECT_GT(text, 0);  // the text is drawn
}

}  // namespace
}  // namespace tlv_test
}  // namespace ZS_UNITY_ID
