// The page control: page switching and its events, hiding and removing pages, page order.
#include "PageControlTestSupport.h"

#include "DragObjs.h"
#include "ExtCtrls.h"
#include "Streaming.h"
#include "SysUtils.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

struct PageControlTest : TTabFormFixture {
  TvxPageControl* P = nullptr;
  TvxTabSheet* S[3] = {};
  std::vector<std::string> Log;
  bool AllowPage = true;
  void SetUp() override {
    TTabFormFixture::SetUp();
    P = AddTabControl<TvxPageControl>({0, 0, 300, 180});
    const wchar_t* names[] = {L"One", L"Two", L"Three"};
    for (int i = 0; i < 3; ++i) {
      S[i] = new TvxTabSheet(Form);
      S[i]->SetCaption(names[i]);
      S[i]->SetPageControl(P);
    }
    P->OnChanging = [this](TObject*, bool&) { Log.push_back("changing"); };
    P->OnPageChanging = [this](TObject*, TvxTabSheet* Page, bool& A) {
      Log.push_back("page changing " + std::to_string(Page ? Page->PageIndex() : -1));
      A = AllowPage;
    };
    P->OnChange = [this](TObject*) { Log.push_back("change"); };
    Pump(20);
  }
};

}  // namespace

TEST_F(PageControlTest, FirstSheetBecomesActiveAndShown) {
  EXPECT_EQ(P->PageCount(), 3);
  EXPECT_EQ(P->ActivePage(), S[0]);
  EXPECT_TRUE(S[0]->Visible());
  EXPECT_FALSE(S[1]->Visible());
  EXPECT_EQ(P->Tabs()->Get(2), L"Three");
  EXPECT_EQ(P->TabCount(), 3);
}

TEST_F(PageControlTest, UserSelectionFiresChangingPageChangingAndOneChange) {
  P->SelectTabByIndex(1);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing", "page changing 1", "change"}));
  EXPECT_EQ(P->ActivePage(), S[1]);
  EXPECT_TRUE(S[1]->Visible());
  EXPECT_FALSE(S[0]->Visible());
  // A veto in OnPageChanging keeps the page and fires no change.
  Log.clear();
  AllowPage = false;
  P->SelectTabByIndex(2);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing", "page changing 2"}));
  EXPECT_EQ(P->ActivePage(), S[1]);
  EXPECT_EQ(P->TabIndex(), 1);
}

TEST_F(PageControlTest, ActivePageInCodeSkipsOnChangingAndIgnoresOtherControlsPages) {
  P->SetActivePage(S[2]);
  EXPECT_EQ(Log, (std::vector<std::string>{"page changing 2", "change"}));
  EXPECT_EQ(P->TabIndex(), 2);
  EXPECT_EQ(P->ActivePageIndex(), 2);
  auto* other = AddTabControl<TvxPageControl>({0, 190, 300, 260});
  auto* foreign = new TvxTabSheet(Form);
  foreign->SetPageControl(other);
  Log.clear();
  P->SetActivePage(foreign);
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(P->ActivePage(), S[2]);
  P->SetActivePageIndex(7);  // out of range: no page
  EXPECT_EQ(P->ActivePage(), nullptr);
  EXPECT_EQ(P->TabIndex(), -1);
}

TEST_F(PageControlTest, HidingTheActiveTabShowsTheNextVisiblePage) {
  P->SetActivePage(S[1]);
  S[1]->SetTabVisible(false);
  EXPECT_EQ(P->ActivePage(), S[2]);
  EXPECT_TRUE(S[2]->Visible());
  S[2]->SetTabVisible(false);  // no page after it: the last visible one
  EXPECT_EQ(P->ActivePage(), S[0]);
  EXPECT_EQ(P->TabCount(), 1);
  // Selecting a hidden tab selects nothing in a page control.
  P->SelectTabByIndex(1);
  EXPECT_EQ(P->TabIndex(), -1);
  EXPECT_EQ(P->ActivePage(), nullptr);
}

TEST_F(PageControlTest, RemovingTheActivePageActivatesTheNextOrThePrevious) {
  P->SetActivePage(S[1]);
  delete S[1];
  EXPECT_EQ(P->PageCount(), 2);
  EXPECT_EQ(P->ActivePage(), S[2]);
  EXPECT_EQ(P->Tabs()->Count(), 2);
  EXPECT_EQ(S[2]->PageIndex(), 1);
  S[2]->SetPageControl(nullptr);  // the last page: the one before it
  EXPECT_EQ(P->ActivePage(), S[0]);
  EXPECT_EQ(S[2]->PageIndex(), -1);
  EXPECT_EQ(S[2]->Parent(), nullptr);
  delete S[2];
}

TEST_F(PageControlTest, PageIndexMovesPageAndTabAndRefusesBadIndexes) {
  P->SetActivePage(S[0]);
  Log.clear();
  S[0]->SetPageIndex(2);
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(P->Pages(2), S[0]);
  EXPECT_EQ(P->Tabs()->Get(2), L"One");
  EXPECT_EQ(P->Tabs()->Get(0), L"Two");
  EXPECT_EQ(P->TabIndex(), 2);
  EXPECT_EQ(S[0]->Tab(), P->Tabs()->Tab(2));
  for (Integer bad : {3, -1}) {
    try {
      S[1]->SetPageIndex(bad);
      ADD_FAILURE() << bad;
    } catch (EListError& E) {
      EXPECT_EQ(E.Message(), Format(L"%d is an invalid PageIndex value.  PageIndex must be between 0 and %d", {bad, 2}));
    }
  }
  EXPECT_EQ(S[1]->PageIndex(), 0);
}

TEST_F(PageControlTest, SheetTextAndEnabledReachTheTab) {
  S[1]->SetCaption(L"Renamed");
  EXPECT_EQ(P->Tabs()->Get(1), L"Renamed");
  S[1]->SetEnabled(false);
  EXPECT_FALSE(P->Tabs()->Tab(1)->Enabled());
  EXPECT_EQ(P->FindNextPage(S[0], true, true), S[2]);   // a disabled page is passed over
  EXPECT_EQ(P->FindNextPage(S[2], true, true), S[0]);   // circular
  EXPECT_EQ(P->FindNextPageEx(S[2], true, false, true), nullptr);
  EXPECT_EQ(P->FindNextPage(nullptr, false, false), S[2]);
  P->SelectNextPage(true);
  EXPECT_EQ(P->ActivePage(), S[2]);
}

TEST_F(PageControlTest, SheetRefusesAParentThatIsNotAPageControl) {
  auto* s = new TvxTabSheet(Form);
  EXPECT_THROW(s->SetParent(Form), EAbort);
  EXPECT_EQ(s->PageControl(), nullptr);
  s->SetParent(P);
  EXPECT_EQ(s->PageControl(), P);
  EXPECT_EQ(P->PageCount(), 4);
}

TEST_F(PageControlTest, FormStreamKeepsPagesActivePageAndClientRectangle) {
  P->SetName(L"Pages");
  P->SetBounds(0, 0, 696, 193);
  for (int i = 0; i < 3; ++i) S[i]->SetName(L"Sheet" + std::to_wstring(i));
  P->SetActivePage(S[1]);
  Form->SetName(L"StreamForm");
  const String text = ComponentToText(Form);
  EXPECT_NE(text.find(L"ClientRectTop = "), String::npos);
  EXPECT_NE(text.find(L"ActivePage = Sheet1"), String::npos);
  EXPECT_NE(text.find(L"object Sheet2: TvxTabSheet"), String::npos);
  TForm* copy = TCustomForm::Create<TForm>(nullptr);
  TextToComponent(text, copy);
  auto* p = dynamic_cast<TvxPageControl*>(copy->FindComponent(L"Pages"));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->PageCount(), 3);
  EXPECT_EQ(p->ActivePageIndex(), 1);
  for (Integer i = 0; i < p->PageCount(); ++i) EXPECT_EQ(p->Pages(i)->Visible(), i == 1) << "only the active page shows";
  EXPECT_EQ(p->Tabs()->Get(2), L"Three");
  EXPECT_EQ(p->TabIndex(), 1);
  delete copy;
}

TEST_F(PageControlTest, RemovingAnotherPageKeepsTheActivePageAndItsTab) {
  P->SetActivePage(S[1]);
  Log.clear();
  delete S[2];
  EXPECT_EQ(P->ActivePage(), S[1]);
  EXPECT_TRUE(S[1]->Visible());
  EXPECT_EQ(P->TabIndex(), 1);
  delete S[0];
  EXPECT_EQ(P->ActivePage(), S[1]);
  EXPECT_EQ(P->TabIndex(), 0) << "the active page's tab moved up";
  EXPECT_TRUE(Log.empty()) << "no change happened";
}

// A control docked into the page control gets a page of its own that follows its caption
// and visibility; the page goes when the control is undocked (a double click on its tab),
// unless the page control refuses.
TEST_F(PageControlTest, DockedClientsGetAPageThatLeavesWithThem) {
  P->SetDockSite(true);
  int drops = 0;
  bool allowUndock = false;
  P->OnDockDrop = [&](TObject*, TDragDockObject*, Integer, Integer) { ++drops; };
  P->OnUnDock = [&](TObject*, TControl*, TWinControl*, bool& Allow) { Allow = allowUndock; };
  auto* tool = new TPanel(Form);
  tool->SetBounds(0, 200, 80, 40);
  tool->SetParent(Form);
  ASSERT_TRUE(tool->ManualDock(P));
  Pump(20);
  ASSERT_EQ(P->PageCount(), 4);
  TvxTabSheet* page = P->Pages(3);
  EXPECT_EQ(tool->Parent(), page);
  EXPECT_EQ(tool->HostDockSite(), P);
  EXPECT_EQ(tool->Align(), alClient);
  EXPECT_EQ(P->ActivePage(), page);
  EXPECT_EQ(drops, 1);
  EXPECT_TRUE(tool->ManualDock(P)) << "docking into its own host again changes nothing";
  EXPECT_EQ(P->PageCount(), 4);
  bool canDock = true;
  RECT influence{};
  P->GetSiteInfo(tool, influence, POINT{0, 0}, canDock);
  EXPECT_FALSE(canDock) << "a client already on a page docks no second time";

  tool->SetCaption(L"Tool\r\nsecond line");
  EXPECT_EQ(page->Caption(), L"Tool");
  tool->SetVisible(false);
  EXPECT_FALSE(page->TabVisible());
  tool->SetVisible(true);
  EXPECT_TRUE(page->TabVisible());

  // Refused: the client stays on its page.
  EXPECT_FALSE(tool->ManualDock(nullptr));
  EXPECT_EQ(tool->Parent(), page);
  EXPECT_EQ(P->PageCount(), 4);

  // A double click on the page's tab undocks the client; the next page becomes active.
  allowUndock = true;
  P->SetActivePage(page);
  Pump(20);
  const TRect r = page->Tab()->VisibleRect();
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  vx_test::ClickAt(P, x, y);
  vx_test::ClickAt(P, x, y);
  Pump(40);
  EXPECT_EQ(tool->Parent(), nullptr);
  EXPECT_EQ(tool->HostDockSite(), nullptr);
  EXPECT_EQ(tool->Align(), alNone);
  EXPECT_EQ(P->PageCount(), 3);
  EXPECT_EQ(P->DockClientCount(), 0);

  // Undocked in code from the active last page, the next page (circling) becomes active.
  ASSERT_TRUE(tool->ManualDock(P));
  ASSERT_EQ(P->ActivePage(), P->Pages(3));
  EXPECT_TRUE(tool->ManualDock(nullptr));
  EXPECT_EQ(P->PageCount(), 3);
  EXPECT_EQ(P->ActivePage(), S[0]) << P->ActivePageIndex();
  delete tool;
}

// A control dragged with the mouse onto the page control gets a page of its own; dragged
// out by its tab and released away from any site it floats in a host window of its own;
// dragged from there onto the page control it docks again and the host goes.
TEST_F(PageControlTest, ClientDocksByMouseFloatsOutByItsTabAndComesBack) {
  P->SetDockSite(true);
  Form->SetClientHeight(270);
  auto* tool = new TPanel(Form);
  tool->SetBounds(10, 195, 120, 60);
  tool->SetParent(Form);
  tool->SetDragKind(dkDock);
  tool->SetDragMode(dmAutomatic);
  std::vector<std::string> ends;
  tool->OnEndDock = [&](TObject*, TObject* T, int, int) { ends.push_back(T == P ? "P" : T ? "other" : "nil"); };
  Pump(40);
  auto drag = [&](POINT From, POINT To) {
    vx_test::MoveMouse(From);
    vx_test::SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Pump(40);
    for (int i = 1; i <= 6; ++i)
      vx_test::MoveMouse(POINT{From.x + (To.x - From.x) * i / 6, From.y + (To.y - From.y) * i / 6});
    vx_test::SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(60);
  };
  auto floatingHosts = [&] {
    int n = 0;
    for (Integer i = 0; i < Form->ComponentCount(); ++i)
      if (Is<TCustomDockForm>(Form->Components(i))) ++n;
    return n;
  };

  drag(vx_test::ScreenPoint(tool, 40, 30), vx_test::ScreenPoint(P, 150, 100));
  ASSERT_EQ(P, tool->HostDockSite());
  ASSERT_EQ(4, P->PageCount());
  TvxTabSheet* page = P->Pages(3);
  EXPECT_EQ(page, tool->Parent());
  EXPECT_EQ(page, P->ActivePage());
  EXPECT_EQ(alClient, tool->Align());

  const TRect r = page->Tab()->VisibleRect();
  const POINT tab = vx_test::ScreenPoint(P, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  RECT formRect{};
  GetWindowRect(Form->Handle(), &formRect);
  drag(tab, POINT{tab.x, formRect.bottom + 80});
  auto* host = dynamic_cast<TCustomDockForm*>(tool->HostDockSite());
  ASSERT_NE(nullptr, host);
  EXPECT_EQ(host, tool->Parent());
  EXPECT_TRUE(IsWindowVisible(host->Handle()));
  EXPECT_EQ(3, P->PageCount()) << "its page went with it";
  EXPECT_EQ(0, P->DockClientCount());
  EXPECT_EQ(S[0], P->ActivePage());

  drag(vx_test::ScreenPoint(tool, 30, 20), vx_test::ScreenPoint(P, 150, 100));
  EXPECT_EQ(P, tool->HostDockSite());
  ASSERT_EQ(4, P->PageCount());
  EXPECT_EQ(P->Pages(3), tool->Parent());
  EXPECT_EQ(alClient, tool->Align());
  EXPECT_EQ((std::vector<std::string>{"P", "nil", "P"}), ends);
  EXPECT_TRUE(vx_test::PumpUntil([&] { return floatingHosts() == 0; })) << "the emptied host goes away";
}

// CM_UNDOCKCLIENT, the undocking request of another host's protocol, prepares the client
// to leave its page (it no longer fills it) and lets it go; the page goes with it.
TEST_F(PageControlTest, UndockClientMessageLetsTheClientLeaveItsPage) {
  P->SetDockSite(true);
  auto* tool = new TPanel(Form);
  tool->SetBounds(0, 185, 60, 10);
  tool->SetParent(Form);
  ASSERT_TRUE(tool->ManualDock(P));
  ASSERT_EQ(alClient, tool->Align());
  EXPECT_EQ(0, P->Perform(CM_UNDOCKCLIENT, reinterpret_cast<WPARAM>(Form), reinterpret_cast<LPARAM>(tool)));
  EXPECT_EQ(alNone, tool->Align());
  EXPECT_TRUE(tool->ManualDock(nullptr));
  EXPECT_EQ(3, P->PageCount());
  EXPECT_EQ(0, P->DockClientCount());
  delete tool;
}

}  // namespace ZS_UNITY_ID
