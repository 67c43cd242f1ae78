// The shell folder tree in a shown form over the real namespace: expanding on demand
// from the drives, selection with OnChange and AbsolutePath, navigation, rebuilds.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

#include "ShellTestSupport.h"
#include "vxShellControls.h"

namespace ZS_UNITY_ID {

using namespace shell_test;

namespace {
struct ShellTreeViewTest : ::testing::Test {
  TForm* Form = nullptr;
  TvxCustomInnerShellTreeView* Tree = nullptr;
  std::vector<String> Changes;  // AbsolutePath read in OnChange, as the folder tree's user does

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(40, 40, 400, 500);
    Tree = new TvxCustomInnerShellTreeView(Form);
    Tree->SetBounds(0, 0, 380, 460);
    Tree->SetHideSelection(false);
    Tree->OnChange = [this](TObject*, TTreeNode* N) {
      Changes.push_back((N ? N->Text() : String(L"nil")) + L"|" + Tree->AbsolutePath());
    };
  }
  void Show(TvxBrowseFolder Kind, const String& Custom = L"") {
    Tree->Root()->SetCustomPath(Custom);
    Tree->Root()->SetBrowseFolder(Kind);
    Tree->SetParent(Form);
    Form->Show();
    Pump(50);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  static TTreeNode* Child(TTreeNode* N, const String& Text) {
    for (TTreeNode* c = N ? N->getFirstChild() : nullptr; c; c = c->getNextSibling())
      if (AnsiUpperCase(c->Text()).find(AnsiUpperCase(Text)) != String::npos) return c;
    return nullptr;
  }
};
}  // namespace

TEST_F(ShellTreeViewTest, ExpandsFromTheDrivesAndReportsPaths) {
  Show(bfDrives);
  TTreeNode* computer = Tree->Items()->GetFirstNode();
  ASSERT_TRUE(computer);
  EXPECT_FALSE(computer->Text().empty());
  // The top node was enumerated at once: the drives and the Control Panel.
  TTreeNode* c = Child(computer, L"(C:)");
  ASSERT_TRUE(c) << "no C: under " << computer->Text();
  EXPECT_TRUE(Child(computer, L"(Z:)"));
  // A drive's own children wait for its first expansion.
  EXPECT_TRUE(c->HasChildren());
  EXPECT_EQ(nullptr, c->getFirstChild());

  computer->SetSelected(true);
  ASSERT_EQ(1u, Changes.size());
  EXPECT_EQ(computer->Text() + L"|", Changes.back());  // no file-system path
  c->SetSelected(true);
  EXPECT_EQ(c->Text() + L"|C:\\", Changes.back());
  EXPECT_EQ(L"C:\\", Tree->AbsolutePath());
  // Selecting computes the node's PIDL without enumerating it.
  EXPECT_EQ(nullptr, c->getFirstChild());
  ASSERT_TRUE(Tree->ProducerOf(c)->FolderPidl());
  EXPECT_EQ(L"C:\\", vxShellPidlToPath(Tree->ProducerOf(c)->FolderPidl()));

  c->Expand(false);
  TTreeNode* windows = Child(c, L"windows");
  ASSERT_TRUE(windows);
  windows->SetSelected(true);
  EXPECT_EQ(windows->Text() + L"|C:\\windows", Changes.back());
  TvxPidl selected = Tree->AbsolutePIDL();
  EXPECT_TRUE(vxShellPidlEqual(selected.get(), ParsePath(L"C:\\windows").get()));
  EXPECT_EQ(windows, Tree->FindNodeByPidl(selected.get()));
  EXPECT_EQ(computer, Tree->FindNodeByPidl(Tree->Root()->Pidl()));
  EXPECT_EQ(nullptr, Tree->FindNodeByPidl(ParsePath(L"C:\\windows\\system32\\drivers").get()));
  // The registration follows the selected folder.
  EXPECT_TRUE(vxShellPidlEqual(selected.get(), Tree->ShellChangeNotifierData().Pidl.get()));
}

TEST_F(ShellTreeViewTest, NavigatesDownFromTheTopNodeAndStaysInsideTheRoot) {
  TTempTree tmp;
  tmp.Folder(L"one");
  tmp.Folder(L"one\\two");
  tmp.Folder(L"one\\two\\three");
  Show(bfCustomPath, tmp.Root());
  TvxPidl target = ParsePath(tmp.Path(L"one\\two\\three"));
  Changes.clear();
  SendMessageW(Tree->Handle(), WM_VXSHELL_NAVIGATE, reinterpret_cast<WPARAM>(target.get()), 0);
  ASSERT_TRUE(Tree->Selected());
  EXPECT_EQ(L"three", Tree->Selected()->Text());
  EXPECT_EQ(tmp.Path(L"one\\two\\three"), Tree->AbsolutePath());
  ASSERT_GE(Changes.size(), 3u);  // every level on the way fires OnChange
  EXPECT_EQ(L"one|" + tmp.Path(L"one"), Changes[Changes.size() - 3]);
  EXPECT_EQ(L"two|" + tmp.Path(L"one\\two"), Changes[Changes.size() - 2]);

  // A PIDL outside the root (and not above it) changes nothing.
  TTempTree other;
  other.Folder(L"x");
  other.Folder(L"x\\y");
  TvxPidl outside = ParsePath(other.Path(L"x\\y"));
  ASSERT_GE(vxShellPidlItemCount(outside.get()), vxShellPidlItemCount(Tree->Root()->Pidl()));
  SendMessageW(Tree->Handle(), WM_VXSHELL_NAVIGATE, reinterpret_cast<WPARAM>(outside.get()), 0);
  EXPECT_EQ(L"three", Tree->Selected()->Text());
  EXPECT_EQ(tmp.Path(L"one\\two\\three"), Tree->AbsolutePath());
  // A PIDL above the root re-roots the tree there.
  TvxPidl drive = ParsePath(L"C:\\");
  SendMessageW(Tree->Handle(), WM_VXSHELL_NAVIGATE, reinterpret_cast<WPARAM>(drive.get()), 0);
  EXPECT_TRUE(vxShellPidlEqual(drive.get(), Tree->Root()->Pidl()));
  EXPECT_EQ(L"C:\\", Tree->AbsolutePath());
}

TEST_F(ShellTreeViewTest, ShellChangeRebuildsKeepingStateAndStalePostsAreDropped) {
  TTempTree tmp;
  tmp.Folder(L"a");
  tmp.Folder(L"a\\inner");
  tmp.Folder(L"b");
  Show(bfCustomPath, tmp.Root());
  TTreeNode* top = Tree->Items()->GetFirstNode();
  ASSERT_TRUE(top);
  TTreeNode* a = Child(top, L"a");
  ASSERT_TRUE(a);
  a->Expand(false);
  Child(a, L"inner")->SetSelected(true);
  Integer shellChanges = 0;
  Tree->OnShellChange = [&](TObject*, Cardinal, PItemIDList, PItemIDList) { ++shellChanges; };

  // A folder made through the shell below the selected one's registration (recursive).
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, tmp.Path(L"a\\inner\\new").c_str(), nullptr));
  ASSERT_TRUE(PumpUntil([&] { return shellChanges > 0; }));
  Pump(100);  // the deferred navigation after the rebuild
  ASSERT_TRUE(Tree->Selected());
  EXPECT_EQ(tmp.Path(L"a\\inner"), Tree->AbsolutePath());
  TTreeNode* newA = Child(Tree->Items()->GetFirstNode(), L"a");
  ASSERT_TRUE(newA);
  EXPECT_TRUE(newA->Expanded());
  TTreeNode* inner = Child(newA, L"inner");
  ASSERT_TRUE(inner);
  EXPECT_TRUE(inner->HasChildren());

  // A message posted for a node whose producer has gone finds nothing.
  LPARAM stale = Tree->ProducerOf(inner)->Serial();
  Tree->UpdateContent();  // F5: full rebuild, all producers new
  Pump(100);
  PostMessageW(Tree->Handle(), WM_VXSHELL_UPDATEITEM, 0, stale);
  Pump(50);
  EXPECT_EQ(tmp.Path(L"a\\inner"), Tree->AbsolutePath());
}

TEST_F(ShellTreeViewTest, WithNothingSelectedAChangeRefreshesOnlyItsFolder) {
  TTempTree tmp;
  tmp.Folder(L"a");
  tmp.Folder(L"b");
  tmp.Folder(L"b\\kept");
  Show(bfCustomPath, tmp.Root());
  TTreeNode* top = Tree->Items()->GetFirstNode();
  TTreeNode* b = Child(top, L"b");
  Tree->SetSelected(nullptr);
  ASSERT_EQ(nullptr, Tree->Selected());
  // Taking the selection away keeps the nodes.
  ASSERT_EQ(top, Tree->Items()->GetFirstNode());
  ASSERT_EQ(b, Child(top, L"b"));
  EXPECT_FALSE(Child(top, L"a")->HasChildren());
  b->Expand(false);
  TTreeNode* kept = Child(b, L"kept");
  ASSERT_TRUE(kept);
  ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, tmp.Path(L"a\\new").c_str(), nullptr));
  TvxPidl newPidl = ParsePath(tmp.Path(L"a\\new"));
  Tree->ProcessShellChange(SHCNE_MKDIR, newPidl.get(), nullptr);
  // Folder "b" and its child node survived: the tree was not rebuilt.
  EXPECT_EQ(b, Child(top, L"b"));
  EXPECT_EQ(kept, Child(b, L"kept"));
  EXPECT_EQ(nullptr, Tree->Selected());
  // The folder that changed now shows its expand button.
  EXPECT_TRUE(Child(top, L"a")->HasChildren());
}

TEST_F(ShellTreeViewTest, RenameThroughTheLabelAndRegistrationComesBack) {
  TTempTree tmp;
  tmp.Folder(L"old");
  tmp.Folder(L"taken");
  Show(bfCustomPath, tmp.Root());
  TTreeNode* top = Tree->Items()->GetFirstNode();
  auto rename = [&](TTreeNode* Node, const String& Text) {
    HWND edit = reinterpret_cast<HWND>(
        SendMessageW(Tree->Handle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(Node->ItemId())));
    ASSERT_TRUE(edit);
    SetWindowTextW(edit, Text.c_str());
    SendMessageW(Tree->Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
    Pump(20);
  };
  TTreeNode* old = Child(top, L"old");
  ASSERT_TRUE(old);
  EXPECT_EQ(nullptr, [&]() -> TTreeNode* {
    // The top node cannot be renamed.
    return reinterpret_cast<TTreeNode*>(
        SendMessageW(Tree->Handle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(top->ItemId())));
  }());
  rename(old, L"renamed");
  EXPECT_EQ(L"renamed", old->Text());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tmp.Path(L"renamed").c_str()));
  EXPECT_NE(0u, Tree->ShellChangeNotifierData().Handle);
  old->SetSelected(true);
  EXPECT_EQ(tmp.Path(L"renamed"), Tree->AbsolutePath());

  // A name already taken fails: the old label comes back, and so does the registration.
  rename(old, L"taken");
  EXPECT_EQ(L"renamed", old->Text());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tmp.Path(L"renamed").c_str()));
  EXPECT_NE(0u, Tree->ShellChangeNotifierData().Handle);
  EXPECT_EQ(tmp.Path(L"renamed"), Tree->AbsolutePath());
}

namespace {
// Looks at the popup menu that is open while a timer of this thread runs inside the
// menu's own message loop, runs a step there, then closes the menu.
struct TMenuProbe {
  static TMenuProbe*& Current() {
    static TMenuProbe* p = nullptr;
    return p;
  }
  std::function<void()> WhileOpen;
  bool Seen = false;
  std::vector<String> Items;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR Id, DWORD) {
    TMenuProbe* self = Current();
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (!self || !popup || !IsWindowVisible(popup)) return;
    KillTimer(nullptr, Id);
    self->Seen = true;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int i = 0, n = menu ? GetMenuItemCount(menu) : 0; i < n; ++i) {
      wchar_t text[256] = {};
      GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
      if (text[0]) self->Items.push_back(text);
    }
    if (self->WhileOpen) self->WhileOpen();
    EndMenu();
  }
  // Runs Open (which opens a menu or not) and pumps until the menu, if any, is closed.
  void Run(const std::function<void()>& Open) {
    Current() = this;
    UINT_PTR id = SetTimer(nullptr, 0, 50, &TMenuProbe::Tick);
    Open();
    Pump(300);
    KillTimer(nullptr, id);
    Current() = nullptr;
  }
};
}  // namespace

TEST_F(ShellTreeViewTest, ContextMenuOfANodeByMouseAndKeyboardHoldsChangesUntilItCloses) {
  TTempTree tmp;
  tmp.Folder(L"a");
  tmp.Folder(L"b");
  Show(bfCustomPath, tmp.Root());
  Form->BringToFront();
  TTreeNode* top = Tree->Items()->GetFirstNode();
  top->Expand(false);
  TTreeNode* a = Child(top, L"a");
  ASSERT_TRUE(a);
  auto pointOf = [&](TTreeNode* N) {
    RECT r = N->DisplayRect(true);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };

  // A right click on "a": the shell's menu of the folder. A folder made in it while the
  // menu is open does not rebuild the tree under the menu; the tree shows it once the
  // menu closed.
  TMenuProbe byMouse;
  bool openDuringMenu = false;
  TTreeNode* topDuringMenu = nullptr;
  byMouse.WhileOpen = [&] {
    openDuringMenu = Tree->IsContextMenuOpen();
    SHCreateDirectoryExW(nullptr, tmp.Path(L"a\\made").c_str(), nullptr);
    topDuringMenu = Tree->Items()->GetFirstNode();
  };
  byMouse.Run([&] {
    // The press and release the tree control reads; the cursor stands where they happen.
    POINT p = pointOf(a);
    POINT at = Tree->ClientToScreen(p);
    SetCursorPos(at.x, at.y);
    Pump(30);
    PostMessageW(Tree->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
    PostMessageW(Tree->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  });
  ASSERT_TRUE(byMouse.Seen);
  EXPECT_FALSE(byMouse.Items.empty());
  EXPECT_TRUE(openDuringMenu);
  EXPECT_EQ(top, topDuringMenu);
  EXPECT_FALSE(Tree->IsContextMenuOpen());
  TTreeNode* newA = Child(Tree->Items()->GetFirstNode(), L"a");
  ASSERT_TRUE(newA);
  EXPECT_TRUE(newA->HasChildren());
  EXPECT_NE(0u, Tree->ShellChangeNotifierData().Handle);

  // Shift+F10 (a context menu at -1,-1) opens the selected node's menu.
  top = Tree->Items()->GetFirstNode();
  Child(top, L"b")->SetSelected(true);
  TMenuProbe byKey;
  LRESULT handled = 0;
  byKey.Run([&] { handled = SendMessageW(Tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Tree->Handle()), MAKELPARAM(-1, -1)); });
  EXPECT_TRUE(byKey.Seen);
  EXPECT_EQ(byMouse.Items, byKey.Items);
  EXPECT_EQ(1, handled);

  // The top node has no menu, but the request counts as handled.
  TMenuProbe onTop;
  onTop.Run([&] {
    POINT at = Tree->ClientToScreen(pointOf(top));
    handled = SendMessageW(Tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Tree->Handle()), MAKELPARAM(at.x, at.y));
  });
  EXPECT_FALSE(onTop.Seen);
  EXPECT_EQ(1, handled);
  // Without shell menus the tree's ordinary handling runs (no popup menu of its own here).
  Tree->Options()->SetContextMenus(false);
  TMenuProbe off;
  off.Run([&] {
    POINT at = Tree->ClientToScreen(pointOf(Child(top, L"b")));
    handled = SendMessageW(Tree->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Tree->Handle()), MAKELPARAM(at.x, at.y));
  });
  EXPECT_FALSE(off.Seen);
  EXPECT_EQ(0, handled);
}

TEST(ShellDragDrop, SettingsAndDropSourceAnswers) {
  TvxDragDropSettings s;
  EXPECT_EQ(DWORD(DROPEFFECT_MOVE), s.DefaultDropEffectAPI());
  EXPECT_EQ(DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK), s.DropEffectAPI());
  s.SetDefaultDropEffect(deLink);
  s.SetDropEffect(TvxDropEffects{deCopy});
  EXPECT_EQ(DWORD(DROPEFFECT_LINK), s.DefaultDropEffectAPI());
  EXPECT_EQ(DWORD(DROPEFFECT_COPY), s.DropEffectAPI());
  int changes = 0;
  s.OnChange = [&](TObject*) { ++changes; };
  s.SetAllowDragObjects(true);  // unchanged: no event
  s.SetAllowDragObjects(false);
  EXPECT_EQ(1, changes);

  auto* source = new TvxDropSource;
  struct {
    BOOL Escape;
    DWORD Keys;
    HRESULT Expected;
  } const cases[] = {
      {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
      {FALSE, 0, DRAGDROP_S_DROP},
      {FALSE, MK_CONTROL, DRAGDROP_S_DROP},
      {FALSE, MK_LBUTTON, S_OK},
      {FALSE, MK_RBUTTON, S_OK},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, source->QueryContinueDrag(c.Escape, c.Keys)) << c.Keys;
  EXPECT_EQ(DRAGDROP_S_USEDEFAULTCURSORS, source->GiveFeedback(DROPEFFECT_COPY));
  source->Release();
}

TEST_F(ShellTreeViewTest, DropOnAFolderNodeGoesToTheShellAndTheFolderIsReadAgain) {
  TTempTree tmp;
  tmp.Folder(L"src");
  tmp.File(L"src\\moved.txt");
  tmp.Folder(L"dst");
  tmp.File(L"dst\\old.txt");
  Show(bfCustomPath, tmp.Root());
  TTreeNode* top = Tree->Items()->GetFirstNode();
  top->Expand(false);
  TTreeNode* dst = Child(top, L"dst");
  ASSERT_TRUE(dst);
  dst->Expand(false);
  ASSERT_TRUE(Child(dst, L"old.txt"));
  ASSERT_FALSE(Child(dst, L"moved.txt"));
  // Dragging is on by default; without it the tree control reports no drag start.
  EXPECT_FALSE(GetWindowLongPtrW(Tree->Handle(), GWL_STYLE) & TVS_DISABLEDRAGDROP);
  // The shell drag starts from the control's own notice, not from the runtime's drag.
  EXPECT_EQ(dmManual, Tree->DragMode());
  Tree->DragDropSettings()->SetAllowDragObjects(false);
  EXPECT_TRUE(GetWindowLongPtrW(Tree->Handle(), GWL_STYLE) & TVS_DISABLEDRAGDROP);

  // The shell's own data object of the file, as another window would drag it.
  TvxPidl srcPidl = ParsePath(tmp.Path(L"src"));
  IShellFolder* src = vxShellBindFolder(srcPidl.get());
  ASSERT_TRUE(src);
  TInterfaceScope srcRef(src);
  TvxPidl file = ParsePath(tmp.Path(L"src\\moved.txt"));
  PCUITEMID_CHILD items[] = {vxShellPidlLastItem(file.get())};
  IDataObject* data = nullptr;
  ASSERT_EQ(S_OK, src->GetUIObjectOf(Tree->Handle(), 1, items, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data)));
  TInterfaceScope dataRef(data);

  auto screenOf = [&](TTreeNode* N) {
    RECT r = N->DisplayRect(true);
    POINT p = Tree->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return POINTL{p.x, p.y};
  };
  IDropTarget* target = Tree->GetDropTarget();
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  // Below the last node: nothing there accepts the drop.
  RECT client;
  GetClientRect(Tree->Handle(), &client);
  POINT below = Tree->ClientToScreen(POINT{client.right / 2, client.bottom - 2});
  ASSERT_EQ(S_OK, target->DragEnter(data, MK_LBUTTON, POINTL{below.x, below.y}, &effect));
  EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
  EXPECT_EQ(nullptr, Tree->DropTarget());
  // Over the folder node: the node is marked and the folder's shell target answers.
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  ASSERT_EQ(S_OK, target->DragOver(MK_LBUTTON, screenOf(dst), &effect));
  EXPECT_TRUE(dst->DropTarget());
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(S_OK, target->Drop(data, 0, screenOf(dst), &effect));
  EXPECT_FALSE(dst->DropTarget());
  EXPECT_NE(DWORD(DROPEFFECT_NONE), effect);
  // Wine's folder target accepts the drop without copying: the copy it reports is made
  // here, before the tree gets to its deferred re-reading.
  ASSERT_TRUE(CopyFileW(tmp.Path(L"src\\moved.txt").c_str(), tmp.Path(L"dst\\moved.txt").c_str(), FALSE));
  // A little later the folder dropped on is read again: the new item is appended as its
  // last child (a full rebuild would have sorted it first).
  ASSERT_TRUE(PumpUntil([&] { return Child(dst, L"moved.txt") != nullptr; }));
  EXPECT_EQ(Child(dst, L"moved.txt"), dst->GetLastChild());
  EXPECT_TRUE(Child(dst, L"old.txt"));

  // Leaving after entering unmarks the node.
  effect = DROPEFFECT_COPY;
  target->DragEnter(data, MK_LBUTTON, screenOf(dst), &effect);
  EXPECT_TRUE(dst->DropTarget());
  target->DragLeave();
  EXPECT_FALSE(dst->DropTarget());
}

namespace {
// A folder that passes every call to a real one and counts the comparisons of
// identifiers (from any thread).
class TCountingFolder : public IShellFolder {
 public:
  explicit TCountingFolder(IShellFolder* AReal) : FReal(AReal) { FReal->AddRef(); }
  virtual ~TCountingFolder() { FReal->Release(); }
  std::atomic<long> Compares{0};

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IShellFolder) {
      *ppv = static_cast<IShellFolder*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
  ULONG STDMETHODCALLTYPE Release() override { return --FRefs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND h, IBindCtx* b, LPWSTR n, ULONG* e, PIDLIST_RELATIVE* p,
                                             ULONG* a) override {
    return FReal->ParseDisplayName(h, b, n, e, p, a);
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND h, SHCONTF f, IEnumIDList** e) override {
    return FReal->EnumObjects(h, f, e);
  }
  HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE p, IBindCtx* b, REFIID r, void** v) override {
    return FReal->BindToObject(p, b, r, v);
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE p, IBindCtx* b, REFIID r, void** v) override {
    return FReal->BindToStorage(p, b, r, v);
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM l, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override {
    ++Compares;
    return FReal->CompareIDs(l, a, b);
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND h, REFIID r, void** v) override {
    return FReal->CreateViewObject(h, r, v);
  }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT c, PCUITEMID_CHILD_ARRAY a, SFGAOF* f) override {
    return FReal->GetAttributesOf(c, a, f);
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND h, UINT c, PCUITEMID_CHILD_ARRAY a, REFIID r, UINT* x,
                                          void** v) override {
    return FReal->GetUIObjectOf(h, c, a, r, x, v);
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD p, SHGDNF f, STRRET* s) override {
    return FReal->GetDisplayNameOf(p, f, s);
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND h, PCUITEMID_CHILD p, LPCWSTR n, SHGDNF f, PITEMID_CHILD* o) override {
    return FReal->SetNameOf(h, p, n, f, o);
  }

 private:
  IShellFolder* FReal;
  std::atomic<ULONG> FRefs{1};
};

String Numbered(const wchar_t* Prefix, int I) {
  wchar_t buf[32];
  swprintf(buf, 32, L"%ls%03d.txt", Prefix, I);
  return buf;
}
}  // namespace

// A folder read again after a drop or a drag: kept items stay in their places, gone ones
// leave, new ones are appended, and finding each old item among the fresh ones costs
// log n comparisons, not a scan (half the items gone made that n^2/4).
TEST_F(ShellTreeViewTest, FolderReadAgainMergesByIdentifierInNLogN) {
  TTempTree tmp;
  const int n = 400;
  for (int i = 0; i < n; ++i) tmp.File(Numbered(L"f", i));
  TvxPidl pidl = ParsePath(tmp.Root());
  IShellFolder* real = vxShellBindFolder(pidl.get());
  ASSERT_TRUE(real);
  TInterfaceScope realRef(real);
  TCountingFolder counting(real);
  {
    TvxShellTreeItemProducer p(Tree);
    p.TvxCustomItemProducer::ProcessItems(&counting, pidl.get(), 0);
    ASSERT_EQ(static_cast<size_t>(n), p.Items().size());
    for (int i = 0; i < n / 2; ++i) DeleteFileW(tmp.Path(Numbered(L"f", i)).c_str());
    for (int i = 0; i < 5; ++i) tmp.File(Numbered(L"a", i));
    counting.Compares = 0;
    ASSERT_TRUE(p.CheckUpdates());
    std::vector<String> names;
    {
      TvxProducerReadLock lock(&p);
      for (auto& item : p.Items()) names.push_back(AnsiUpperCase(item->Name()));
    }
    ASSERT_EQ(static_cast<size_t>(n / 2 + 5), names.size());
    for (int i = 0; i < n / 2; ++i) EXPECT_EQ(AnsiUpperCase(Numbered(L"f", n / 2 + i)), names[i]) << i;
    // New items come after the kept ones, in the folder's order.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(AnsiUpperCase(Numbered(L"a", i)), names[n / 2 + i]);
    EXPECT_LT(counting.Compares.load(), static_cast<long>(4 * n * std::log2(n)));
  }
}

namespace {
// A spy on the task allocator the shell's identifier lists come from: counts the blocks
// freed while it is registered.
class TFreeCounter : public IMallocSpy {
 public:
  long Frees = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy)) {
      *ppv = static_cast<IMallocSpy*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cb) override { return cb; }
  void* STDMETHODCALLTYPE PostAlloc(void* p) override { return p; }
  void* STDMETHODCALLTYPE PreFree(void* p, BOOL) override {
    if (p) ++Frees;
    return p;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* p, SIZE_T cb, void** out, BOOL) override {
    *out = p;
    return cb;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* p, BOOL) override { return p; }
  void* STDMETHODCALLTYPE PreGetSize(void* p, BOOL) override { return p; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cb, BOOL) override { return cb; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* p, BOOL) override { return p; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}
};
}  // namespace

// Destroying a tree with expanded folders (the worker still busy with their details)
// frees every node's producer, and with them every item and the identifier lists each
// item holds (its own, its full one and its folder's).
TEST_F(ShellTreeViewTest, DestroyingTheTreeFreesEveryProducerItemAndIdentifier) {
  TTempTree tmp;
  for (int i = 0; i < 40; ++i) {
    tmp.Folder(L"d" + std::to_wstring(100 + i));
    tmp.Folder(L"d" + std::to_wstring(100 + i) + L"\\e");
  }
  Show(bfCustomPath, tmp.Root());
  TTreeNode* top = Tree->Items()->GetFirstNode();
  ASSERT_TRUE(top);
  top->Expand(false);
  ASSERT_EQ(40, top->Count());
  for (TTreeNode* c = top->getFirstChild(); c; c = c->getNextSibling()) c->Expand(false);
  Integer nodes = 0;
  size_t items = 0;
  int destroyed = 0;
  for (TTreeNode* n = top; n; n = n->GetNext()) {
    ++nodes;
    auto* p = Tree->ProducerOf(n);
    ASSERT_TRUE(p);
    items += p->Items().size();
    p->OnDestroy = [&destroyed](TObject*) { ++destroyed; };
  }
  EXPECT_EQ(81, nodes);
  EXPECT_EQ(80u, items);
  TFreeCounter spy;
  ASSERT_EQ(S_OK, CoRegisterMallocSpy(&spy));
  delete Form;
  Form = nullptr;
  CoRevokeMallocSpy();
  EXPECT_EQ(nodes, destroyed);
  EXPECT_GE(spy.Frees, static_cast<long>(3 * items));
}

// With a change delay the selection is reported once the delay has passed, and of
// selections made meanwhile only the last; without one, at once.
TEST_F(ShellTreeViewTest, AChangeDelayReportsOnlyTheLastSelectionAfterTheDelay) {
  TTempTree tmp;
  for (const wchar_t* n : {L"a", L"b", L"c"}) tmp.Folder(n);
  Show(bfCustomPath, tmp.Root());
  TTreeNode* top = Tree->Items()->GetFirstNode();
  top->Expand(false);
  ASSERT_EQ(3, top->Count());
  Tree->SetChangeDelay(-4);
  EXPECT_EQ(0, Tree->ChangeDelay());
  Changes.clear();
  top->Item(0)->SetSelected(true);
  EXPECT_EQ(1u, Changes.size());

  Tree->SetChangeDelay(150);
  Changes.clear();
  DWORD start = GetTickCount();
  top->Item(1)->SetSelected(true);
  top->Item(2)->SetSelected(true);
  EXPECT_TRUE(Changes.empty());
  ASSERT_TRUE(PumpUntil([&] { return !Changes.empty(); }));
  EXPECT_GE(GetTickCount() - start, 140u);
  Pump(300);
  ASSERT_EQ(1u, Changes.size());
  EXPECT_EQ(top->Item(2)->Text() + L"|" + tmp.Path(L"c"), Changes[0]);
}

}  // namespace ZS_UNITY_ID
