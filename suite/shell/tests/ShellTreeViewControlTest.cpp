// The published folder tree read from a form text with the main window's settings, in a
// shown form over the real namespace: selecting by mouse and keyboard reports the folder
// through OnChange and AbsolutePath; the selected folder set by PIDL or path.
#include <gtest/gtest.h>

#include "ExtCtrls.h"
#include "ShellTestSupport.h"
#include "StdCtrls.h"
#include "Streaming.h"
#include "vxShellTreeView.h"

namespace ZS_UNITY_ID {

using namespace shell_test;

namespace {

class TTreeForm : public TForm {
  DECLARE_CLASS(TTreeForm, TForm)
  PUBLISHED(TTreeForm)
 public:
  explicit TTreeForm(TComponent* AOwner) : TForm(AOwner) {}
  std::vector<String> Changes;  // "<sender>|<node text>|<AbsolutePath>"
  TvxShellTreeView* Tree() { return dynamic_cast<TvxShellTreeView*>(FindComponent(L"ExplorerTreeView")); }
  std::vector<String> Keys;  // "<sender>|<virtual key>"
  void ExplorerTreeViewKeyDown(TObject* Sender, Word& Key, TShiftState) {
    auto* c = dynamic_cast<TComponent*>(Sender);
    Keys.push_back((c ? c->Name() : String(L"?")) + L"|" + std::to_wstring(Key));
  }
  void ExplorerTreeViewChange(TObject* Sender, TTreeNode* Node) {
    auto* c = dynamic_cast<TComponent*>(Sender);
    Changes.push_back((c ? c->Name() : String(L"?")) + L"|" + (Node ? Node->Text() : String(L"nil")) + L"|" +
                      Tree()->AbsolutePath());
  }
};

void TTreeForm::DeclarePublished(TPublisher<TTreeForm>& P) {
  P.Method(L"ExplorerTreeViewChange", &TTreeForm::ExplorerTreeViewChange);
  P.Method(L"ExplorerTreeViewKeyDown", &TTreeForm::ExplorerTreeViewKeyDown);
}

String FlatLook(const wchar_t* Style) {
  return String(L"    ") + Style + L".LookAndFeel.Kind = lfFlat\n    " + Style + L".LookAndFeel.NativeStyle = False\n";
}

// The folder tree as the main window lays it out.
const String& FormText() {
  static const String text = String(L"object TreeForm: TTreeForm\n"
                                    L"  Left = 40\n  Top = 40\n  ClientWidth = 420\n  ClientHeight = 460\n"
                                    L"  object ExplorerTreeView: TvxShellTreeView\n"
                                    L"    Left = 0\n    Top = 0\n    Width = 183\n    Height = 460\n"
                                    L"    Align = alLeft\n"
                                    L"    Root.BrowseFolder = bfDrives\n"
                                    L"    Options.ShowNonFolders = False\n"
                                    L"    Options.ShowHidden = True\n"
                                    L"    AutoExpand = True\n"
                                    L"    RightClickSelect = True\n"
                                    L"    HideSelection = False\n"
                                    L"    ShowLines = False\n"
                                    L"    Indent = 19\n"
                                    L"    DragDropSettings.AllowDragObjects = False\n"
                                    L"    Style.HotTrack = False\n") +
                             FlatLook(L"Style") + FlatLook(L"StyleDisabled") + FlatLook(L"StyleFocused") +
                             FlatLook(L"StyleHot") +
                             L"    TabOrder = 1\n"
                             L"    OnChange = ExplorerTreeViewChange\n"
                             L"    OnKeyDown = ExplorerTreeViewKeyDown\n"
                             L"  end\n"
                             L"end\n";
  return text;
}

struct ShellTreeViewControlTest : ::testing::Test {
  TTreeForm* Form = nullptr;
  TvxShellTreeView* Tree = nullptr;
  TvxInnerShellTreeView* Inner = nullptr;

  void SetUp() override {
    Form = new TTreeForm(nullptr);  // laid out from the text below, not from a resource
    Form->SetPosition(poDesigned);
    TextToComponent(FormText(), Form);
    Tree = Form->Tree();
    ASSERT_TRUE(Tree);
    Inner = Tree->InnerTreeView();
  }
  void Show() {
    Form->Show();
    Pump(60);
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
  // A real click through the input queue, on the middle of the node's label.
  void ClickNode(TTreeNode* N) {
    RECT r{};
    TreeView_GetItemRect(Inner->Handle(), N->ItemId(), &r, TRUE);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(Inner->Handle(), &at);
    SetCursorPos(at.x, at.y);
    Pump(30);
    // Press and release go in together: the tree control watches for a drag in a loop
    // of its own after the press, which only the release already queued ends.
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof in[0]);
    Pump(60);
  }
  void Key(WORD VKey) {
    PostMessageW(Inner->Handle(), WM_KEYDOWN, VKey, 1);
    PostMessageW(Inner->Handle(), WM_KEYUP, VKey, 0xC0000001);
    Pump(60);
  }
};

}  // namespace

TEST_F(ShellTreeViewControlTest, ReadsTheMainWindowSettingsFromTheFormText) {
  EXPECT_EQ(Tree->Parent(), Form);
  EXPECT_EQ(Inner->Parent(), Tree);
  EXPECT_EQ(Tree->InnerControl(), Inner);
  EXPECT_EQ(alLeft, Tree->Align());
  EXPECT_EQ(183, Tree->Width());
  EXPECT_EQ(bfDrives, Tree->Root()->BrowseFolder());
  EXPECT_FALSE(Tree->Options()->ShowNonFolders());
  EXPECT_TRUE(Tree->Options()->ShowHidden());
  EXPECT_TRUE(Tree->Options()->ShowFolders());
  EXPECT_TRUE(Inner->AutoExpand());
  EXPECT_TRUE(Inner->RightClickSelect());
  EXPECT_FALSE(Inner->HideSelection());
  EXPECT_FALSE(Inner->ShowLines());
  EXPECT_TRUE(Inner->ShowButtons());
  EXPECT_FALSE(Tree->DragDropSettings()->AllowDragObjects());
  EXPECT_EQ(deMove, Tree->DragDropSettings()->DefaultDropEffect());
  EXPECT_FALSE(Tree->Style()->HotTrack());
  for (TvxContainerStyle* s : {Tree->Style(), Tree->StyleDisabled(), Tree->StyleFocused(), Tree->StyleHot()}) {
    EXPECT_EQ(lfFlat, s->LookAndFeel()->Kind());
    EXPECT_FALSE(s->LookAndFeel()->NativeStyle());
  }
  Show();
  EXPECT_EQ(19, Tree->Indent());
  // The tree fills the container inside its border.
  RECT inner = Inner->BoundsRect();
  const TRect& client = Tree->ViewInfo()->ClientRect;
  EXPECT_TRUE(EqualRect(&inner, &client));
  EXPECT_GT(client.left, 0);
  EXPECT_TRUE(Form->Changes.empty() || Form->Changes.back().find(L"ExplorerTreeView|") == 0);
}

TEST_F(ShellTreeViewControlTest, SelectingByMouseAndKeyboardReportsTheFolder) {
  Show();
  TTreeNode* computer = Inner->Items()->GetFirstNode();
  ASSERT_TRUE(computer);
  TTreeNode* c = Child(computer, L"(C:)");
  ASSERT_TRUE(c);
  EXPECT_TRUE(Child(computer, L"(Z:)"));

  computer->Expand(false);
  Pump(30);
  Form->Changes.clear();
  ClickNode(c);
  ASSERT_EQ(c, Inner->Selected());
  ASSERT_FALSE(Form->Changes.empty());
  EXPECT_EQ(L"ExplorerTreeView|" + c->Text() + L"|C:\\", Form->Changes.back());
  EXPECT_EQ(L"C:\\", Tree->Path());

  ClickNode(computer);
  ASSERT_EQ(computer, Inner->Selected());
  EXPECT_EQ(L"ExplorerTreeView|" + computer->Text() + L"|", Form->Changes.back());
  EXPECT_EQ(L"", Tree->AbsolutePath());
  ClickNode(c);

  // Keyboard: open the drive and walk down to its "windows" folder.
  Inner->SetFocus();
  Pump(20);
  c->Expand(false);
  TTreeNode* windows = Child(c, L"windows");
  ASSERT_TRUE(windows);
  for (int i = 0; i < 200 && Inner->Selected() != windows; ++i) Key(VK_DOWN);
  ASSERT_EQ(windows, Inner->Selected());
  // The keys reached the form's handler with the container as sender.
  ASSERT_FALSE(Form->Keys.empty());
  EXPECT_EQ(L"ExplorerTreeView|" + std::to_wstring(VK_DOWN), Form->Keys.back());
  EXPECT_EQ(L"ExplorerTreeView|" + windows->Text() + L"|C:\\windows", Form->Changes.back());
  TvxPidl selected = Tree->AbsolutePIDL();
  EXPECT_TRUE(vxShellPidlEqual(selected.get(), ParsePath(L"C:\\windows").get()));
  Key(VK_HOME);
  EXPECT_EQ(computer, Inner->Selected());
  EXPECT_EQ(L"ExplorerTreeView|" + computer->Text() + L"|", Form->Changes.back());
}

// Tab and Shift+Tab leave the folder tree from its inner tree both ways, as in the main
// window, where the tree stands between a panel's controls and the rest of the form.
TEST_F(ShellTreeViewControlTest, TabAndShiftTabLeaveTheTreeBothWays) {
  auto* panel = new TPanel(Form);
  panel->SetParent(Form);
  panel->SetBounds(200, 0, 200, 200);
  panel->SetTabOrder(0);
  auto* before = new TEdit(Form);
  before->SetParent(panel);
  before->SetBounds(10, 10, 150, 24);
  auto* after = new TEdit(Form);
  after->SetParent(Form);
  after->SetBounds(210, 300, 150, 24);
  after->SetTabOrder(2);
  ASSERT_EQ(1, Tree->TabOrder());
  Show();
  SetForegroundWindow(Form->Handle());
  auto press = [](WORD Vk, bool Shift) {
    std::vector<INPUT> in;
    auto add = [&](WORD K, bool Up) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = K;
      i.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
      in.push_back(i);
    };
    if (Shift) add(VK_SHIFT, false);
    add(Vk, false);
    add(Vk, true);
    if (Shift) add(VK_SHIFT, true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Pump(80);
  };
  Tree->SetFocus();
  Pump(30);
  ASSERT_EQ(Inner->Handle(), GetFocus());

  press(VK_TAB, true);
  EXPECT_EQ(before->Handle(), GetFocus()) << "Shift+Tab goes back to the panel's edit";
  press(VK_TAB, false);
  EXPECT_EQ(Inner->Handle(), GetFocus());
  press(VK_TAB, false);
  EXPECT_EQ(after->Handle(), GetFocus()) << "Tab goes on past the tree";
  press(VK_TAB, true);
  EXPECT_EQ(Inner->Handle(), GetFocus());
  EXPECT_TRUE(Tree->Focused());
}

TEST_F(ShellTreeViewControlTest, SelectedFolderSetByPathOrPidlAndKeptAcrossWindows) {
  TTempTree tmp;
  tmp.Folder(L"one");
  tmp.Folder(L"one\\two");
  // Kept before the window exists and selected when it is made.
  TvxPidl two = ParsePath(tmp.Path(L"one\\two"));
  Tree->SetAbsolutePIDL(two.get());
  EXPECT_EQ(tmp.Path(L"one\\two"), Tree->AbsolutePath());
  Show();
  ASSERT_TRUE(Inner->Selected());
  EXPECT_EQ(L"two", Inner->Selected()->Text());
  EXPECT_EQ(tmp.Path(L"one\\two"), Tree->AbsolutePath());
  EXPECT_EQ(L"ExplorerTreeView|two|" + tmp.Path(L"one\\two"), Form->Changes.back());

  Tree->SetAbsolutePath(L"C:\\windows");
  EXPECT_EQ(L"C:\\windows", Tree->AbsolutePath());
  // A path that does not resolve changes nothing; nil selects the root.
  Tree->SetAbsolutePath(tmp.Path(L"missing"));
  EXPECT_EQ(L"C:\\windows", Tree->AbsolutePath());
  Tree->SetAbsolutePIDL(nullptr);
  EXPECT_EQ(Inner->Items()->GetFirstNode(), Inner->Selected());
  EXPECT_EQ(L"", Tree->AbsolutePath());

  // The selection survives a new window of the tree.
  Tree->SetAbsolutePath(tmp.Path(L"one"));
  Inner->RecreateWnd();
  Pump(60);
  EXPECT_EQ(tmp.Path(L"one"), Tree->AbsolutePath());
}

TEST_F(ShellTreeViewControlTest, ContainerScrollBarsMirrorAndScrollTheTree) {
  TTempTree tmp;
  for (int i = 0; i < 40; ++i) tmp.Folder(L"f" + std::to_wstring(100 + i));
  Tree->SetAlign(alNone);
  Tree->SetBounds(0, 0, 160, 150);
  Show();
  Tree->SetAbsolutePath(tmp.Root());
  ASSERT_EQ(tmp.Root(), Tree->AbsolutePath());
  Inner->Selected()->Expand(false);
  Pump(60);
  // The tree's own vertical bar is shown by the container's bar in its place.
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(Inner->Handle(), SB_VERT, &si));
  ASSERT_GT(si.nMax, static_cast<int>(si.nPage));
  ASSERT_TRUE(Tree->VScrollBar());
  EXPECT_TRUE(Tree->VScrollBar()->Visible());
  EXPECT_EQ(si.nMax, Tree->VScrollBar()->Max());
  EXPECT_EQ(si.nPos, Tree->VScrollBar()->Position());

  // Scrolling through the container moves the tree and the mirror follows.
  TTreeNode* top = Inner->TopItem();
  Integer pos = 0;
  Tree->Scroll(sbVertical, scPageDown, pos);
  EXPECT_GT(pos, si.nPos);
  EXPECT_EQ(pos, GetScrollPos(Inner->Handle(), SB_VERT));
  EXPECT_EQ(pos, Tree->VScrollBar()->Position());
  EXPECT_NE(top, Inner->TopItem());
  pos = 3;
  Tree->Scroll(sbVertical, scTrack, pos);
  Tree->Scroll(sbVertical, scEndScroll, pos);
  EXPECT_EQ(3, GetScrollPos(Inner->Handle(), SB_VERT));
  EXPECT_EQ(3, Tree->VScrollBar()->Position());
}

}  // namespace ZS_UNITY_ID
