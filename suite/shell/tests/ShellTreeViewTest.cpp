// The shell folder tree in a shown form over the real namespace: expanding on demand
// from the drives, selection with OnChange and AbsolutePath, navigation, rebuilds.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "vxShellControls.h"

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
  // Clearing the selection builds the nodes anew from the root: take the top node after it.
  Tree->SetSelected(nullptr);
  ASSERT_EQ(nullptr, Tree->Selected());
  TTreeNode* top = Tree->Items()->GetFirstNode();
  ASSERT_TRUE(top);
  TTreeNode* b = Child(top, L"b");
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
