// The shell list view in a shown form over a temporary folder tree: rows, styles and
// report columns, the shell's order, owner-data requests while the fetch worker fills
// items, navigation, execution, rename, shell changes and the link with the folder tree.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "vxShellListView.h"
#include "vxShellTreeView.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace ZS_UNITY_ID {

using namespace shell_test;

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

// A folder made and removed through the shell in the folder shown reaches the list by
// the shell's notification: its row comes and goes. A folder made one level down is no
// change of the folder shown.
TEST_F(ShellListViewTest, FoldersMadeAndRemovedThroughTheShellComeAndGo) {
  Tmp.Folder(L"below");
  Open(Tmp.Root());
  std::vector<Cardinal> events;
  List->OnShellChange = [&](TObject*, Cardinal E, PItemIDList, PItemIDList) { events.push_back(E); };
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, Tmp.Path(L"made").c_str(), nullptr));
  ASSERT_TRUE(PumpUntil([&] { return RowOf(L"made") >= 0; }));
  EXPECT_EQ(L"made", Cell(RowOf(L"made")));
  EXPECT_NE(events.end(), std::find(events.begin(), events.end(), Cardinal(SHCNE_MKDIR)));

  String from = Tmp.Path(L"made");
  from.push_back(L'\0');  // the list of names ends with an empty one
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  ASSERT_EQ(0, SHFileOperationW(&op));
  EXPECT_TRUE(PumpUntil([&] { return RowOf(L"made") < 0; }));
  EXPECT_EQ(1, List->FolderCount());  // "below" is left

  events.clear();
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, Tmp.Path(L"below\\deeper").c_str(), nullptr));
  Pump(300);
  EXPECT_TRUE(events.empty());
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

namespace {

// Synthesized mouse input from a second thread: a drag runs a modal loop on the UI
// thread, which only input arriving meanwhile can lead and end.
void MouseTo(POINT P) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}
void Button(bool Down) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = Down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &in, sizeof in);
}
// Moves in steps from A to B, pausing between them.
void Glide(POINT A, POINT B, int Steps = 6) {
  for (int i = 1; i <= Steps; ++i) {
    MouseTo(POINT{A.x + (B.x - A.x) * i / Steps, A.y + (B.y - A.y) * i / Steps});
    Sleep(40);
  }
}

// A plain drop target of another window: it takes the dragged files by their names,
// moves them when moving is offered and copies them otherwise, and says which it did.
class TFileDropTarget : public IDropTarget {
 public:
  explicit TFileDropTarget(String ADest) : Dest(std::move(ADest)) {}
  String Dest;
  std::vector<String> Dropped;
  DWORD Offered = 0, Done = DROPEFFECT_NONE;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *ppv = static_cast<IDropTarget*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  static DWORD Choose(DWORD Allowed) { return Allowed & DROPEFFECT_MOVE ? DROPEFFECT_MOVE : Allowed & DROPEFFECT_COPY; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* E) override {
    *E = Choose(*E);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* E) override {
    *E = Choose(*E);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* Data, DWORD, POINTL, DWORD* E) override {
    Offered = *E;
    Done = *E = Choose(*E);
    FORMATETC fmt{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{};
    if (FAILED(Data->GetData(&fmt, &m))) return S_OK;
    auto drop = static_cast<HDROP>(m.hGlobal);
    for (UINT i = 0, n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
      wchar_t path[MAX_PATH];
      DragQueryFileW(drop, i, path, MAX_PATH);
      String name = ExtractFileName(path);
      Dropped.push_back(name);
      String to = Dest + L"\\" + name;
      if (Done == DROPEFFECT_MOVE)
        MoveFileW(path, to.c_str());
      else
        CopyFileW(path, to.c_str(), TRUE);
    }
    ReleaseStgMedium(&m);
    return S_OK;
  }
};

POINT RowCenter(TvxInnerShellListView* L, Integer Row) {
  RECT r{};
  ListView_GetItemRect(L->Handle(), Row, &r, LVIR_LABEL);
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(L->Handle(), &p);
  return p;
}

}  // namespace

// Two selected rows dragged with a real press and moves onto another window's drop
// target: the target receives both files and moves them when the list offers moving,
// copies them when it offers copying only.
TEST_F(ShellListViewTest, DragsTheSelectedFilesToAnotherWindowWithTheEffectsAllowed) {
  TTempTree dest;
  TForm* other = new TForm(nullptr);
  TScopeExit freeOther([other] { delete other; });
  other->SetBounds(700, 40, 240, 240);
  other->Show();
  TFileDropTarget sink(dest.Root());
  ASSERT_EQ(S_OK, RegisterDragDrop(other->Handle(), &sink));
  TScopeExit revoke([other] { RevokeDragDrop(other->Handle()); });
  List->SetMultiSelect(true);
  List->SetListViewStyle(lvsReport);

  struct Case {
    TvxDropEffects Allowed;
    DWORD Effect;
  };
  int round = 0;
  for (Case c : {Case{TvxDropEffects{deCopy}, DROPEFFECT_COPY}, Case{TvxDropEffects{deCopy, deMove}, DROPEFFECT_MOVE}}) {
    SCOPED_TRACE(c.Effect);
    const String a = L"a" + std::to_wstring(round) + L".txt", b = L"b" + std::to_wstring(round) + L".txt";
    ++round;
    Tmp.File(a);
    Tmp.File(b);
    Tmp.File(L"z" + std::to_wstring(round) + L".txt");
    Inner->UpdateContent();
    Open(Tmp.Root());
    Inner->UpdateContent();
    Pump(40);
    List->DragDropSettings()->SetDropEffect(c.Allowed);
    ListView_SetItemState(Inner->Handle(), -1, 0, LVIS_SELECTED);
    Select(RowOf(a));
    Select(RowOf(b));
    sink.Dropped.clear();
    POINT from = RowCenter(Inner, RowOf(b));
    RECT o;
    GetWindowRect(other->Handle(), &o);
    POINT to{(o.left + o.right) / 2, (o.top + o.bottom) / 2};
    std::atomic<bool> done{false};
    std::thread input([&] {
      MouseTo(from);
      Sleep(150);
      Button(true);
      Sleep(100);
      Glide(from, POINT{from.x + 30, from.y + 4});
      Glide(POINT{from.x + 30, from.y + 4}, to, 10);
      Sleep(200);
      Button(false);
      Sleep(200);
      done = true;
    });
    PumpUntil([&] { return done.load(); }, 10000);
    input.join();
    Pump(100);
    EXPECT_EQ((std::vector<String>{a, b}), sink.Dropped);
    EXPECT_EQ(c.Allowed == TvxDropEffects{deCopy} ? DWORD(DROPEFFECT_COPY) : DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE),
              sink.Offered & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
    EXPECT_EQ(c.Effect, sink.Done);
    for (const String& n : {a, b}) {
      EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dest.Path(n).c_str())) << n;
      EXPECT_EQ(c.Effect == DROPEFFECT_COPY, GetFileAttributesW(Tmp.Path(n).c_str()) != INVALID_FILE_ATTRIBUTES) << n;
    }
  }
}

namespace {
// The drag source of a drop onto the list: ends like the views' own source, and at each
// feedback notes which row the list marks.
class TWatchingDropSource : public IDropSource {
 public:
  explicit TWatchingDropSource(TvxInnerShellListView* L) : List(L) {}
  TvxInnerShellListView* List;
  std::vector<Integer> Marked;
  std::vector<bool> Highlighted;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
      *ppv = static_cast<IDropSource*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL Escape, DWORD Keys) override {
    if (Escape) return DRAGDROP_S_CANCEL;
    return Keys & (MK_LBUTTON | MK_RBUTTON) ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override {
    Integer row = List->DropTargetItemIndex();
    if (Marked.empty() || Marked.back() != row) {
      Marked.push_back(row);
      Highlighted.push_back(row >= 0 &&
                            (ListView_GetItemState(List->Handle(), row, LVIS_DROPHILITED) & LVIS_DROPHILITED) != 0);
    }
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};
}  // namespace

// A file of another folder dragged over the list with real input: over a folder row the
// row is marked and the shell's target of that folder answers; over empty space nothing
// is marked; after the drop on the folder row nothing stays marked.
TEST_F(ShellListViewTest, ADropOnTheListMarksTheRowUnderTheMouseAndGoesToTheShell) {
  TTempTree src;
  src.File(L"moved.txt");
  Tmp.Folder(L"into");
  Tmp.File(L"plain.txt");
  List->SetListViewStyle(lvsReport);
  Open(Tmp.Root());
  const Integer into = RowOf(L"into");
  ASSERT_GE(into, 0);
  TvxPidl srcPidl = ParsePath(src.Root());
  IShellFolder* folder = vxShellBindFolder(srcPidl.get());
  ASSERT_TRUE(folder);
  TInterfaceScope folderRef(folder);
  TvxPidl file = ParsePath(src.Path(L"moved.txt"));
  PCUITEMID_CHILD items[] = {vxShellPidlLastItem(file.get())};
  IDataObject* data = nullptr;
  ASSERT_EQ(S_OK, folder->GetUIObjectOf(Form->Handle(), 1, items, IID_IDataObject, nullptr,
                                        reinterpret_cast<void**>(&data)));
  TInterfaceScope dataRef(data);

  POINT row = RowCenter(Inner, into);
  RECT client;
  GetClientRect(Inner->Handle(), &client);
  POINT empty{client.right / 2, client.bottom - 20};
  ClientToScreen(Inner->Handle(), &empty);
  POINT start{Form->Left() + 5, Form->Top() - 30};  // outside the list
  MouseTo(start);
  Pump(50);
  Button(true);
  ASSERT_TRUE(PumpUntil([] { return GetAsyncKeyState(VK_LBUTTON) < 0; }));
  std::thread input([&] {
    Sleep(150);
    Glide(start, row);
    Sleep(200);
    Glide(row, empty);
    Sleep(200);
    Glide(empty, row);
    Sleep(200);
    Button(false);
  });
  TWatchingDropSource source(Inner);
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  input.join();
  EXPECT_EQ(DRAGDROP_S_DROP, hr);
  EXPECT_NE(DWORD(DROPEFFECT_NONE), effect);
  // Marked in turn: the folder row (highlighted), nothing over empty space, the row again.
  std::vector<Integer> seen;
  for (size_t i = 0; i < source.Marked.size(); ++i) {
    if (source.Marked[i] == into) {
      EXPECT_TRUE(source.Highlighted[i]);
    }
    if (seen.empty() || seen.back() != source.Marked[i]) seen.push_back(source.Marked[i]);
  }
  EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), into));
  auto firstInto = std::find(seen.begin(), seen.end(), into);
  EXPECT_NE(seen.end(), std::find(firstInto, seen.end(), -1));
  EXPECT_EQ(-1, Inner->DropTargetItemIndex());
  EXPECT_EQ(0u, ListView_GetItemState(Inner->Handle(), into, LVIS_DROPHILITED));
}

}  // namespace ZS_UNITY_ID
