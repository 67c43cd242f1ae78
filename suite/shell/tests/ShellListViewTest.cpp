// The shell list view in a shown form over a temporary folder tree: rows, styles and
// report columns, the shell's order, owner-data requests while the fetch worker fills
// items, navigation, execution, rename, shell changes and the link with the folder tree.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "vxShellListView.h"
#include "vxShellTreeView.h"

#include <commctrl.h>

using namespace shell_test;

namespace {

struct ShellListViewTest : ::testing::Test {
  TForm* Form = nullptr;
  TvxShellListView* List = nullptr;
  TvxInnerShellListView* Inner = nullptr;
  TTempTree Tmp;

  void SetUp() override {
    Form = new TForm(nullptr);
    Form->SetBounds(40, 40, 640, 480);
    List = new TvxShellListView(Form);
    List->AfterConstruction();  // what creation through the class reference does
    List->SetParent(Form);
    List->SetBounds(0, 0, 600, 400);
    Inner = List->InnerListView();
    Form->Show();
    Pump(40);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  void Open(const String& Path) {
    List->SetAbsolutePath(Path);
    Pump(20);
  }
  std::vector<String> Names() {
    std::vector<String> r;
    TvxProducerReadLock lock(Inner->ItemProducer());
    for (auto& i : Inner->ItemProducer()->Items()) r.push_back(i->Name());
    return r;
  }
  // The text the list control itself shows in a cell.
  String Cell(Integer Row, Integer Column = 0) {
    wchar_t buf[260] = {};
    ListView_GetItemText(Inner->Handle(), Row, Column, buf, 260);
    return buf;
  }
  void Select(Integer Row) {
    ListView_SetItemState(Inner->Handle(), Row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  Integer RowOf(const String& Name) {
    auto n = Names();
    for (size_t i = 0; i < n.size(); ++i)
      if (n[i] == Name) return static_cast<Integer>(i);
    return -1;
  }
  bool AllUpdated() {
    TvxProducerReadLock lock(Inner->ItemProducer());
    for (auto& i : Inner->ItemProducer()->Items())
      if (!i->Updated()) return false;
    return true;
  }
};

}  // namespace

TEST_F(ShellListViewTest, ShowsTheFolderFoldersFirstInEveryStyle) {
  Tmp.Folder(L"sub2");
  Tmp.Folder(L"Sub1");
  Tmp.File(L"b.txt");
  Tmp.File(L"A.txt");
  Open(Tmp.Root());
  EXPECT_EQ(Tmp.Root(), List->AbsolutePath());
  const std::vector<String> expected{L"Sub1", L"sub2", L"A.txt", L"b.txt"};
  EXPECT_EQ(expected, Names());
  EXPECT_EQ(4, ListView_GetItemCount(Inner->Handle()));

  struct Case {
    TvxListViewStyle Style;
    DWORD Type;
  };
  for (Case c : {Case{lvsReport, LVS_REPORT}, Case{lvsList, LVS_LIST}, Case{lvsSmallIcon, LVS_SMALLICON},
                 Case{lvsIcon, LVS_ICON}}) {
    SCOPED_TRACE(c.Style);
    List->SetListViewStyle(c.Style);
    Pump(20);
    EXPECT_EQ(c.Type, GetWindowLongW(Inner->Handle(), GWL_STYLE) & LVS_TYPEMASK);
    EXPECT_EQ(expected, Names());
    EXPECT_EQ(4, ListView_GetItemCount(Inner->Handle()));
    for (Integer r = 0; r < 4; ++r) EXPECT_EQ(expected[r], Cell(r));
    if (c.Style == lvsReport) {
      // A file-system folder gives at least name, size, type and date columns.
      ASSERT_GE(Inner->ColumnCount(), 4);
      EXPECT_EQ(Inner->ItemProducer()->Details()->Items(0)->Text, Inner->Column(0)->Caption());
      ASSERT_TRUE(PumpUntil([&] { return AllUpdated(); }));
      // The type column of a text file and of a folder differ.
      Integer typeColumn = -1;
      for (Integer k = 1; k < Inner->ColumnCount(); ++k)
        if (!Cell(0, k).empty() && !Cell(2, k).empty() && Cell(0, k) != Cell(2, k)) typeColumn = k;
      EXPECT_GT(typeColumn, 0);
    } else {
      EXPECT_EQ(0, Inner->ColumnCount());
    }
  }
}

TEST_F(ShellListViewTest, ACompareHandlerOrdersTheRows) {
  for (const wchar_t* n : {L"a.txt", L"c.txt", L"b.txt"}) Tmp.File(n);
  List->OnCompare = [](TObject*, TvxShellFolder* A, TvxShellFolder* B, Integer& C) {
    C = -CompareText(A->DisplayName(), B->DisplayName());
  };
  Open(Tmp.Root());
  EXPECT_EQ((std::vector<String>{L"c.txt", L"b.txt", L"a.txt"}), Names());
  List->OnCompare = nullptr;
  List->Sort();
  EXPECT_EQ((std::vector<String>{L"a.txt", L"b.txt", L"c.txt"}), Names());
}

// A shown row whose details are missing is not read on the UI thread: it goes to the
// front of the worker's queue, and the row is redrawn when the worker has filled it.
TEST_F(ShellListViewTest, AShownRowAsksTheWorkerFirstInsteadOfReadingItself) {
  for (int i = 0; i < 40; ++i) Tmp.File(L"f" + std::to_wstring(100 + i) + L".txt");
  TvxShellItemsInfoGatherer* g = Inner->ItemsInfoGatherer();
  g->StopFetch();
  {
    TScopeExit resume([g] { g->ResumeFetch(); });
    Open(Tmp.Root());
    ASSERT_EQ(40, List->FolderCount());
    TvxShellItemInfo* item = Inner->ItemProducer()->Items()[30].get();
    EXPECT_FALSE(item->Updated());  // beyond the first ten read at once
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE;
    it.iItem = 30;
    wchar_t buf[64];
    it.pszText = buf;
    it.cchTextMax = 64;
    SendMessageW(Inner->Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_STREQ(L"f130.txt", buf);
    EXPECT_FALSE(item->Updated());
    ASSERT_FALSE(g->FetchQueue().empty());
    EXPECT_EQ(30, g->FetchQueue().front().ItemIndex);
    EXPECT_TRUE(g->FetchQueue().front().Priority);
  }
  EXPECT_TRUE(PumpUntil([&] { return Inner->ItemProducer()->Items()[30]->Updated(); }));
}

// The list control asks for every row over and over while the worker fills them: every
// row ends filled once, with its own name, and the queue drains.
TEST_F(ShellListViewTest, OwnerDataRequestsWhileTheWorkerFillsItems) {
  const int count = 200;
  for (int i = 0; i < count; ++i) Tmp.File(L"s" + std::to_wstring(1000 + i) + L".dat");
  List->SetListViewStyle(lvsReport);
  Open(Tmp.Root());
  ASSERT_EQ(count, List->FolderCount());
  for (int pass = 0; pass < 2; ++pass)
    for (int r = count - 1; r >= 0; r -= 3) {
      ListView_EnsureVisible(Inner->Handle(), r, FALSE);
      EXPECT_EQ(L"s" + std::to_wstring(1000 + r) + L".dat", Cell(r)) << r;
      if (r % 50 == 0) Application->ProcessMessages();
    }
  ASSERT_TRUE(PumpUntil([&] { return AllUpdated(); }, 20000));
  TvxShellItemsInfoGatherer* g = Inner->ItemsInfoGatherer();
  g->StopFetch();
  EXPECT_TRUE(g->FetchQueue().empty());
  g->ResumeFetch();
  EXPECT_TRUE(g->WorkerAlive());
  EXPECT_EQ(count, ListView_GetItemCount(Inner->Handle()));
}

TEST_F(ShellListViewTest, NavigatesIntoFoldersAndBackToTheParent) {
  Tmp.Folder(L"inner");
  Tmp.File(L"inner\\x.txt");
  Open(Tmp.Root());
  std::vector<String> before, after;
  Inner->BeforeNavigation = [&](TObject*, PItemIDList, const String& Name) { before.push_back(Name); };
  Inner->AfterNavigation = [&](TObject*, PItemIDList, const String& Path) { after.push_back(Path); };
  Select(RowOf(L"inner"));
  Inner->SetFocus();
  PostMessageW(Inner->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  Pump(60);
  EXPECT_EQ(Tmp.Path(L"inner"), List->AbsolutePath());
  EXPECT_EQ((std::vector<String>{L"x.txt"}), Names());
  EXPECT_EQ((std::vector<String>{Tmp.Path(L"inner")}), before);
  EXPECT_EQ((std::vector<String>{Tmp.Path(L"inner")}), after);

  PostMessageW(Inner->Handle(), WM_KEYDOWN, VK_BACK, 1);
  Pump(60);
  EXPECT_EQ(Tmp.Root(), List->AbsolutePath());
  EXPECT_GE(RowOf(L"inner"), 0);

  // The desktop's parent is the desktop.
  TvxPidl desktop = vxShellPidlEmpty();
  Inner->Navigate(desktop.get());
  Inner->BrowseParent();
  ASSERT_TRUE(Inner->Root()->Pidl());
  EXPECT_EQ(0, vxShellPidlSize(Inner->Root()->Pidl()));
}

// Executing goes through the shell with the structure's real size: a command file runs
// and leaves its mark; a handler that takes the item starts nothing.
TEST_F(ShellListViewTest, ExecutesAFileUnlessTheHandlerTakesIt) {
  String mark = Tmp.Path(L"mark.out");
  {
    HANDLE h = CreateFileW(Tmp.Path(L"run.cmd").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::string body = "echo done> \"" + std::string(mark.begin(), mark.end()) + "\"\r\n";
    DWORD written = 0;
    WriteFile(h, body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
    CloseHandle(h);
  }
  Open(Tmp.Root());
  Integer row = RowOf(L"run.cmd");
  ASSERT_GE(row, 0);
  int handled = 0;
  List->OnExecuteItem = [&](TObject* Sender, PItemIDList P, bool& Handled) {
    EXPECT_EQ(List, Sender);
    EXPECT_EQ(Tmp.Path(L"run.cmd"), vxShellPidlToPath(P));
    ++handled;
    Handled = handled == 1;
  };
  Inner->ExecuteItem(row);
  Pump(300);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(mark.c_str()));
  Inner->ExecuteItem(row);
  EXPECT_TRUE(PumpUntil([&] { return GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000));
  EXPECT_EQ(2, handled);
}

// A label edit renames the file; a rename the shell refuses keeps the row's item, which
// still names the file that is there.
TEST_F(ShellListViewTest, RenamesThroughTheLabelAndKeepsTheItemWhenRefused) {
  Tmp.File(L"old.txt");
  Tmp.File(L"taken.txt");
  Open(Tmp.Root());
  auto rename = [&](const String& From, const String& To) {
    Integer row = RowOf(From);
    ASSERT_GE(row, 0);
    Inner->SetFocus();
    HWND edit = ListView_EditLabel(Inner->Handle(), row);
    ASSERT_TRUE(edit);
    SetWindowTextW(edit, To.c_str());
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    Pump(60);
  };
  rename(L"old.txt", L"new.txt");
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Tmp.Path(L"new.txt").c_str()));
  Integer row = RowOf(L"new.txt");
  ASSERT_GE(row, 0);
  EXPECT_EQ(L"new.txt", Cell(row));
  TvxPidl full = Inner->GetItemAbsolutePIDL(row);
  EXPECT_EQ(Tmp.Path(L"new.txt"), vxShellPidlToPath(full.get()));

  rename(L"new.txt", L"taken.txt");
  row = RowOf(L"new.txt");
  ASSERT_GE(row, 0);
  EXPECT_EQ(L"new.txt", Cell(row));
  full = Inner->GetItemAbsolutePIDL(row);
  EXPECT_EQ(Tmp.Path(L"new.txt"), vxShellPidlToPath(full.get()));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Tmp.Path(L"new.txt").c_str()));
}

// The tree's "change with identifiers" message is a shell change for the list too; the
// after-drop message only reads the folder again; a header section is described on a
// message of the list's own, not on the suite's popup-closing one.
TEST_F(ShellListViewTest, PrivateMessagesKeepTheirOneMeaning) {
  Open(Tmp.Root());
  std::vector<Cardinal> events;
  List->OnShellChange = [&](TObject*, Cardinal E, PItemIDList, PItemIDList) { events.push_back(E); };
  PItemIDList pair[2] = {Inner->Root()->Pidl(), nullptr};
  SendMessageW(Inner->Handle(), WM_VXSHELL_CHANGEPIDLS, reinterpret_cast<WPARAM>(pair), 0x40);
  EXPECT_EQ((std::vector<Cardinal>{0x40}), events);
  Tmp.File(L"dropped.txt");
  SendMessageW(Inner->Handle(), WM_VXSHELL_AFTERDROP, 0, 0);
  EXPECT_EQ(1u, events.size());
  EXPECT_GE(RowOf(L"dropped.txt"), 0);

  List->SetListViewStyle(lvsReport);
  Pump(20);
  THeaderItemInfo info;
  info.Text = L"untouched";
  EXPECT_EQ(0, SendMessageW(Inner->Handle(), 0x807D, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(L"untouched", info.Text);
  ASSERT_EQ(1, SendMessageW(Inner->Handle(), WM_VXSHELL_HEADERITEMINFO, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(Inner->Column(0)->Caption(), info.Text);
  EXPECT_EQ(1, info.State);
  EXPECT_GT(info.Rect.right, info.Rect.left);
  const Integer last = Inner->ColumnCount();
  ASSERT_EQ(1, SendMessageW(Inner->Handle(), WM_VXSHELL_HEADERITEMINFO, last, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(-1, info.ImageIndex);
  EXPECT_TRUE(info.Text.empty());
}

// Dragging the report's thumb to row k shows row k at the top, whatever a row's height.
TEST_F(ShellListViewTest, ThumbTrackingInTheReportScrollsByRows) {
  for (int i = 0; i < 80; ++i) Tmp.File(L"t" + std::to_wstring(100 + i) + L".txt");
  List->SetListViewStyle(lvsReport);
  Open(Tmp.Root());
  for (Integer target : {20, 45, 5}) {
    Integer pos = target;
    List->Scroll(sbVertical, scTrack, pos);
    EXPECT_EQ(target, ListView_GetTopIndex(Inner->Handle()));
    EXPECT_EQ(target, pos);
  }
}

// Selecting in the tree shows that folder in the list; navigating in the list selects
// that folder in the tree.
TEST_F(ShellListViewTest, LinkedToTheTreeEachNavigatesTheOther) {
  Tmp.Folder(L"one");
  Tmp.Folder(L"one\\two");
  Tmp.File(L"one\\two\\leaf.txt");
  auto* tree = new TvxShellTreeView(Form);
  tree->AfterConstruction();
  tree->SetParent(Form);
  tree->SetBounds(0, 0, 200, 400);
  List->SetLeft(210);
  Pump(40);
  tree->SetShellListView(List);
  EXPECT_EQ(List, tree->ShellListView());
  EXPECT_EQ(tree->InnerTreeView(), Inner->TreeView());
  int listNavigations = 0;
  Inner->AfterNavigation = [&](TObject*, PItemIDList, const String&) { ++listNavigations; };

  tree->SetAbsolutePath(Tmp.Path(L"one"));
  Pump(40);
  EXPECT_EQ(Tmp.Path(L"one"), tree->AbsolutePath());
  EXPECT_EQ(Tmp.Path(L"one"), List->AbsolutePath());
  EXPECT_EQ((std::vector<String>{L"two"}), Names());
  EXPECT_EQ(0, listNavigations);  // a tree-driven change is no navigation of the list

  Select(RowOf(L"two"));
  Inner->DblClick();
  Pump(40);
  EXPECT_EQ(1, listNavigations);
  EXPECT_EQ(Tmp.Path(L"one\\two"), List->AbsolutePath());
  EXPECT_EQ(Tmp.Path(L"one\\two"), tree->AbsolutePath());

  tree->SetShellListView(nullptr);
  EXPECT_EQ(nullptr, Inner->TreeView());
}
