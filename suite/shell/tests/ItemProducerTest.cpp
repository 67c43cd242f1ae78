// Enumeration of a real folder into a producer's items: filters, order, item details.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "vxShellListView.h"

namespace ZS_UNITY_ID {

using namespace shell_test;

namespace {
// A producer with the enumeration flags given and no fetcher: what the views add is
// left out, so the base enumeration and sort are what is seen.
class TTestProducer : public TvxCustomItemProducer {
 public:
  explicit TTestProducer(DWORD AFlags) : TvxCustomItemProducer(nullptr), Flags(AFlags) {}
  ~TTestProducer() override { ClearItems(); }
  bool CanRequestItemsInfo() override { return false; }
  bool GetShowToolTip() override { return false; }
  DWORD GetEnumSettings() override { return Flags; }
  TvxShellItemsInfoGatherer* ItemsInfoGatherer() override { return nullptr; }
  void NotifyUpdateItem(const TvxRequestItem&) override {}
  void SetItemsCount(Integer Count) override { ReportedCount = Count; }
  DWORD Flags;
  Integer ReportedCount = -1;

  void Open(const String& Path) {
    TvxPidl pidl = ParsePath(Path);
    ASSERT_TRUE(pidl);
    IShellFolder* folder = vxShellBindFolder(pidl.get());
    ASSERT_TRUE(folder);
    ProcessItems(folder, pidl.get(), 0);
    folder->Release();
  }
  String Names() {
    String s;
    for (auto& i : Items()) s += (s.empty() ? L"" : L",") + AnsiLowerCase(i->Name());
    return s;
  }
};

struct ItemProducerTest : ::testing::Test {
  TTempTree Tree;
  void SetUp() override {
    Tree.Folder(L"beta");
    Tree.Folder(L"alpha");
    Tree.Folder(L"alpha\\inner");
    Tree.Folder(L"hiddenfolder", FILE_ATTRIBUTE_HIDDEN);
    Tree.Folder(L"onlyhidden");
    Tree.File(L"onlyhidden\\secret.txt", FILE_ATTRIBUTE_HIDDEN);
    Tree.File(L"zeta.txt");
    Tree.File(L"delta.txt");
    Tree.File(L"hiddenfile.txt", FILE_ATTRIBUTE_HIDDEN);
  }
};
}  // namespace

TEST_F(ItemProducerTest, FiltersAndShellOrder) {
  struct Case {
    DWORD Flags;
    const wchar_t* Names;
  } cases[] = {
      {SHCONTF_FOLDERS, L"alpha,beta,onlyhidden"},
      {SHCONTF_NONFOLDERS, L"delta.txt,zeta.txt"},
      {SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, L"alpha,beta,onlyhidden,delta.txt,zeta.txt"},
      {SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
       L"alpha,beta,hiddenfolder,onlyhidden,delta.txt,hiddenfile.txt,zeta.txt"},
  };
  for (auto& c : cases) {
    TTestProducer p(c.Flags);
    p.Open(Tree.Root());
    EXPECT_EQ(String(c.Names), p.Names()) << c.Flags;
    EXPECT_EQ(static_cast<Integer>(p.Items().size()), p.ReportedCount);
  }
}

TEST_F(ItemProducerTest, ItemsKnowTheirPlaceAndDetails) {
  TTestProducer p(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
  p.Open(Tree.Root());
  ASSERT_GE(p.Items().size(), 7u);
  TvxShellItemInfo* alpha = p.Items()[0].get();
  EXPECT_TRUE(alpha->Initialized());
  EXPECT_TRUE(alpha->IsFolder());
  EXPECT_FALSE(alpha->Updated());
  EXPECT_EQ(Tree.Path(L"alpha"), vxShellPidlToPath(alpha->FullPIDL()));
  EXPECT_EQ(Tree.Path(L"alpha"), alpha->Folder()->PathName());
  alpha->CheckUpdate(p.ShellFolder(), p.FolderPidl(), false);
  EXPECT_TRUE(alpha->Updated());
  EXPECT_TRUE(alpha->IsFilesystem());
  EXPECT_FALSE(alpha->IsGhosted());
  EXPECT_GE(alpha->IconIndex(), 0);

  Integer hidden = p.GetItemIndexByPidl(p.Items()[2]->pidl());
  EXPECT_EQ(2, hidden);
  p.Items()[2]->CheckUpdate(p.ShellFolder(), p.FolderPidl(), false);
  EXPECT_TRUE(p.Items()[2]->IsGhosted());
  TvxPidl foreign = ParsePath(L"C:\\windows");
  EXPECT_EQ(-1, p.GetItemIndexByPidl(vxShellPidlLastItem(foreign.get())));
  EXPECT_EQ(nullptr, p.GetItemByPidl(vxShellPidlLastItem(foreign.get())));

  // Sub-items: "alpha" has a subfolder; "onlyhidden" has content only when hidden items count.
  TvxPidl onlyHidden = ParsePath(Tree.Path(L"onlyhidden"));
  EXPECT_TRUE(vxShellHasSubItems(p.ShellFolder(), alpha->FullPIDL(), SHCONTF_FOLDERS));
  EXPECT_FALSE(vxShellHasSubItems(p.ShellFolder(), onlyHidden.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS));
  EXPECT_TRUE(vxShellHasSubItems(p.ShellFolder(), onlyHidden.get(),
                                 SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN));
  TvxPidl file = ParsePath(Tree.Path(L"zeta.txt"));
  EXPECT_FALSE(vxShellHasSubItems(p.ShellFolder(), file.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS));
}

TEST_F(ItemProducerTest, EmptyFolderReportsZero) {
  Tree.Folder(L"empty");
  TTestProducer p(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
  p.Open(Tree.Path(L"empty"));
  EXPECT_EQ(0, p.ReportedCount);
  EXPECT_TRUE(p.Items().empty());
}

TEST(ShellRoot, ResolvesKindsAndKeepsTheCounterBalanced) {
  TvxCustomShellRoot root(nullptr, nullptr);
  Integer changes = 0;
  root.OnSettingsChanged = [&](TObject*) { ++changes; };
  root.ResolveRootFolder();
  EXPECT_TRUE(root.Valid());
  EXPECT_EQ(0, vxShellPidlItemCount(root.Pidl()));
  root.SetBrowseFolder(bfDrives);
  EXPECT_EQ(1, changes);
  EXPECT_EQ(1, vxShellPidlItemCount(root.Pidl()));
  EXPECT_EQ(L"", vxShellPidlToPath(root.Pidl()));
  root.SetBrowseFolder(bfCustomPath);  // empty custom path: the desktop
  EXPECT_EQ(0, vxShellPidlItemCount(root.Pidl()));
  root.SetCustomPath(L"C:\\windows");
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(root.Pidl()));
  // A path that cannot be resolved raises while a setting changes, puts the old
  // settings back, and leaves later changes working.
  EXPECT_THROW(root.SetCustomPath(L"C:\\no\\such\\folder\\here"), EvxShellError);
  EXPECT_EQ(L"C:\\windows", root.CustomPath());
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(root.Pidl()));
  root.SetBrowseFolder(bfDrives);
  EXPECT_EQ(1, vxShellPidlItemCount(root.Pidl()));
  // Outside a settings change (the counter is back at zero after the failure above) a
  // root that no longer resolves does not raise: it stays invalid.
  {
    TTempTree gone;
    root.SetCustomPath(gone.Root());
    root.SetBrowseFolder(bfCustomPath);
    EXPECT_TRUE(root.Valid());
  }
  EXPECT_NO_THROW(root.ResolveRootFolder());
  EXPECT_FALSE(root.Valid());
  EXPECT_EQ(nullptr, root.Pidl());
}

namespace {
// A root that, each time it changes, is told again of a linked view's root, as two views
// that follow each other would do.
struct TEchoRoot : TvxCustomShellRoot {
  using TvxCustomShellRoot::TvxCustomShellRoot;
  TvxCustomShellRoot* Echo = nullptr;
  Integer Changes = 0;
  void RootChanged() override {
    TvxCustomShellRoot::RootChanged();
    ++Changes;
    if (Echo) Update(Echo);
  }
};
}  // namespace

TEST(ShellRoot, AssignReportsOnceAndALinkedUpdateDoesNotComeBack) {
  TvxCustomShellRoot source(nullptr, nullptr);
  source.SetCustomPath(L"C:\\windows");
  source.SetBrowseFolder(bfCustomPath);
  TEchoRoot root(nullptr, nullptr);
  Integer reports = 0;
  root.OnSettingsChanged = [&](TObject*) { ++reports; };
  root.Assign(&source);
  EXPECT_EQ(1, reports) << "one assignment, one report";
  EXPECT_EQ(1, root.Changes) << "resolved once";
  EXPECT_EQ(L"C:\\windows", vxShellPidlToPath(root.Pidl()));

  // From a linked view: the settings arrive without a report, and the view's answer
  // arriving while they are applied is ignored instead of recursing.
  TvxCustomShellRoot other(nullptr, nullptr);
  other.SetBrowseFolder(bfDrives);
  root.Echo = &other;
  root.Changes = 0;
  source.SetBrowseFolder(bfDesktop);
  root.Update(&source);
  EXPECT_EQ(1, reports);
  EXPECT_EQ(1, root.Changes);
  EXPECT_EQ(bfDesktop, root.BrowseFolder());
  EXPECT_EQ(0, vxShellPidlItemCount(root.Pidl()));
}

TEST_F(ItemProducerTest, ReportColumnsOfTheFolderAndTheirTextsPerItem) {
  TTestProducer p(SHCONTF_NONFOLDERS);
  p.Open(Tree.Root());
  TvxShellDetails* columns = p.Details();
  ASSERT_GT(columns->Count(), 1) << "a file-system folder offers more than its name column";
  EXPECT_EQ(0, columns->Items(0)->ID);
  Integer others = 0;
  for (Integer i = 0; i < columns->Count(); ++i) {
    EXPECT_FALSE(columns->Items(i)->Text.empty()) << i;
    if (columns->Items(i)->ID != 0) ++others;
  }
  ASSERT_FALSE(p.Items().empty());
  TvxShellItemInfo* file = p.Items()[0].get();
  file->FetchDetails(nullptr, p.ShellFolder(), columns);
  EXPECT_EQ(static_cast<size_t>(others), file->Details().size()) << "one text per column but the name";

  // Without any column information: the fixed columns, in characters of the given width;
  // a folder outside the file system gets only the name.
  struct Case {
    bool FileSystem;
    std::vector<String> Texts;
    std::vector<Integer> Widths;
  } cases[] = {
      {true, {L"Name", L"Size", L"Type", L"Modified"}, {175, 70, 70, 98}},
      {false, {L"Name"}, {175}},
  };
  for (const Case& c : cases) {
    TvxShellDetails fixed;
    fixed.ProcessDetails(7, nullptr, c.FileSystem);
    ASSERT_EQ(static_cast<Integer>(c.Texts.size()), fixed.Count());
    for (Integer i = 0; i < fixed.Count(); ++i) {
      EXPECT_EQ(c.Texts[i], fixed.Items(i)->Text);
      EXPECT_EQ(c.Widths[i], fixed.Items(i)->Width);
      EXPECT_EQ(i, fixed.Items(i)->ID);
    }
    if (c.FileSystem) {
      EXPECT_EQ(taRightJustify, fixed.Items(1)->Alignment);
    }
  }
}

}  // namespace ZS_UNITY_ID
