#include <gtest/gtest.h>

#include <memory>

#include "ComCtrls.h"
#include "FormsTestSupport.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

struct ComCtrlsTest : TFormTest {
  ComCtrlsTest() : TFormTest(400, 300) {}
  static POINT Middle(const RECT& R) { return POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2}; }
};

}  // namespace

// Nodes are inserted, expanded on demand (children added by OnExpanding) and selected
// by mouse clicks, with the events in the order the control raises them.
TEST_F(ComCtrlsTest, TreeNodesExpandOnDemandAndSelectByClick) {
  auto* tree = new TTreeView(Form);
  tree->SetBounds(10, 10, 300, 250);
  tree->SetParent(Form);
  tree->SetHideSelection(false);
  ShowForm();
  std::wstring log;
  auto name = [](TTreeNode* N) { return N ? N->Text() : String(L"nil"); };
  tree->OnChanging = [&](TObject*, TTreeNode* N, bool& Allow) {
    log += L"changing " + name(N) + L"; ";
    Allow = N->Text() != L"Locked";
  };
  tree->OnChange = [&](TObject*, TTreeNode* N) { log += L"change " + name(N) + L"; "; };
  tree->OnExpanding = [&](TObject*, TTreeNode* N, bool&) {
    log += L"expanding " + name(N) + L"; ";
    if (!N->getFirstChild()) {
      tree->Items()->AddChild(N, L"Child 1");
      tree->Items()->AddChild(N, L"Child 2");
    }
  };
  tree->OnExpanded = [&](TObject*, TTreeNode* N) { log += L"expanded " + name(N) + L"; "; };
  int deleted = 0;
  tree->OnDeletion = [&](TObject*, TTreeNode*) { ++deleted; };

  static int payload = 42;
  TTreeNode* a = tree->Items()->AddObject(nullptr, L"Folder", &payload);
  a->SetHasChildren(true);
  TTreeNode* locked = tree->Items()->Add(a, L"Locked");
  TTreeNode* first = tree->Items()->AddFirst(a, L"First");
  EXPECT_EQ(3, tree->Items()->Count());
  EXPECT_EQ(first, tree->Items()->GetFirstNode());
  EXPECT_EQ(1, a->Index());
  EXPECT_TRUE(a->HasChildren());
  EXPECT_EQ(0, a->Count());
  Pump(50);

  ClickAt(tree->ClientToScreen(Middle(a->DisplayRect(true))));
  PressKey(VK_RIGHT);  // expands the selected node
  ASSERT_EQ(2, a->Count());
  TTreeNode* child = a->Item(1);
  EXPECT_EQ(L"Child 2", child->Text());
  EXPECT_EQ(1, child->Level());
  EXPECT_EQ(a, child->Parent());
  EXPECT_EQ(3, child->AbsoluteIndex());
  EXPECT_EQ(locked, child->GetNext());
  Pump(50);
  ClickAt(tree->ClientToScreen(Middle(child->DisplayRect(true))));
  ClickAt(tree->ClientToScreen(Middle(locked->DisplayRect(true))));  // vetoed
  EXPECT_EQ(
      L"changing Folder; change Folder; expanding Folder; expanded Folder; "
      L"changing Child 2; change Child 2; changing Locked; ",
      log);
  EXPECT_EQ(child, tree->Selected());
  EXPECT_EQ(&payload, a->Data());

  // Hit testing at the child's label.
  POINT p = Middle(child->DisplayRect(true));
  EXPECT_EQ(child, tree->GetNodeAt(p.x, p.y));
  EXPECT_TRUE(tree->GetHitTestInfoAt(p.x, p.y).Contains(htOnLabel));
  EXPECT_TRUE(tree->GetHitTestInfoAt(p.x, 240).Contains(htNowhere));

  // A new window keeps the nodes, their data, expansion and the selection.
  log.clear();
  tree->SetBorderStyle(bsNone);
  Pump(30);
  EXPECT_EQ(5, tree->Items()->Count());
  EXPECT_EQ(a, tree->Items()->Item(1));
  EXPECT_TRUE(a->Expanded());
  EXPECT_EQ(child, tree->Selected());
  EXPECT_EQ(0, deleted);

  // Collapsing from code raises the events; deleting a node frees its subtree.
  a->Collapse(false);
  EXPECT_FALSE(a->Expanded());
  a->Delete();
  EXPECT_EQ(3, deleted);
  EXPECT_EQ(2, tree->Items()->Count());
  EXPECT_THROW(tree->Items()->Item(5), ETreeViewError);
  delete tree;  // before the handlers' captured locals go
  EXPECT_EQ(5, deleted);
}

TEST_F(ComCtrlsTest, TreeSortMoveAndImageIndexCallback) {
  auto* tree = new TTreeView(Form);
  tree->SetBounds(10, 10, 300, 250);
  tree->SetParent(Form);
  for (auto* s : {L"pear", L"Apple", L"fig"}) tree->Items()->Add(nullptr, s);
  tree->AlphaSort();
  TTreeNode* n = tree->Items()->GetFirstNode();
  EXPECT_EQ(L"Apple", n->Text());
  EXPECT_EQ(L"fig", n->getNextSibling()->Text());

  // The pear goes under the apple, taking no new object.
  TTreeNode* pear = tree->Items()->Item(2);
  pear->MoveTo(n, naAddChild);
  EXPECT_EQ(n, pear->Parent());
  EXPECT_EQ(L"pear", n->getFirstChild()->Text());

  TImageList images(nullptr);
  auto bmp = std::make_unique<TBitmap>(16, 16);
  images.Add(bmp.get(), nullptr);
  tree->SetImages(&images);
  int asked = 0;
  tree->OnGetImageIndex = [&](TObject*, TTreeNode* N) {
    ++asked;
    N->SetImageIndex(0);
  };
  ShowForm();
  EXPECT_GT(asked, 0);
  tree->SetImages(nullptr);
}

// Report view over owner data: rows come from OnData; a click selects a row.
TEST_F(ComCtrlsTest, ListViewOwnerDataReportAndSelection) {
  auto* lv = new TListView(Form);
  lv->SetBounds(10, 10, 380, 250);
  lv->SetViewStyle(vsReport);
  lv->SetOwnerData(true);
  lv->SetRowSelect(true);
  lv->SetParent(Form);
  auto* c0 = lv->AddColumn();
  c0->SetCaption(L"名前");
  c0->SetWidth(150);
  lv->AddColumn()->SetCaption(L"Size");
  lv->OnData = [](TObject*, TListItem* Item) {
    Item->SetCaption(L"row " + std::to_wstring(Item->Index()));
    Item->SubItems()->Add(std::to_wstring(Item->Index() * 10));
  };
  lv->Items()->SetCount(1000);
  std::wstring log;
  lv->OnSelectItem = [&](TObject*, TListItem* Item, bool Selected) {
    if (Selected) log += Item->Caption() + L" ";
  };
  ShowForm();
  EXPECT_EQ(1000, lv->Items()->Count());
  EXPECT_EQ(L"row 7", lv->Items()->Item(7)->Caption());

  wchar_t buf[64] = {};
  LVITEMW it{};
  it.iSubItem = 1;
  it.pszText = buf;
  it.cchTextMax = 64;
  SendMessageW(lv->Handle(), LVM_GETITEMTEXTW, 500, reinterpret_cast<LPARAM>(&it));
  EXPECT_EQ(String(L"5000"), buf);

  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageW(lv->Handle(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  ClickAt(lv->ClientToScreen(POINT{40, (r.top + r.bottom) / 2}));
  EXPECT_EQ(2, lv->ItemIndex());
  EXPECT_EQ(L"row 2 ", log);
  EXPECT_EQ(L"row 2", lv->GetItemAt(40, (r.top + r.bottom) / 2)->Caption());
  EXPECT_EQ(150, c0->Width());
  delete lv;
}

TEST_F(ComCtrlsTest, ListViewItemsSortAndDelete) {
  auto* lv = new TListView(Form);
  lv->SetBounds(10, 10, 380, 250);
  lv->SetViewStyle(vsReport);
  lv->AddColumn()->SetCaption(L"Name");
  lv->SetParent(Form);
  for (auto* s : {L"b", L"c", L"a"}) lv->Items()->Add()->SetCaption(s);
  int deleted = 0;
  lv->OnDeletion = [&](TObject*, TListItem*) { ++deleted; };
  ShowForm();
  ASSERT_TRUE(lv->AlphaSort());
  EXPECT_EQ(L"a", lv->Items()->Item(0)->Caption());
  EXPECT_EQ(2, lv->Items()->Item(2)->Index());
  // A compare handler reverses the order.
  lv->OnCompare = [](TObject*, TListItem* A, TListItem* B, Integer, Integer& C) {
    C = -A->Caption().compare(B->Caption());
  };
  lv->AlphaSort();
  EXPECT_EQ(L"c", lv->Items()->Item(0)->Caption());

  wchar_t buf[16] = {};
  LVITEMW it{};
  it.pszText = buf;
  it.cchTextMax = 16;
  SendMessageW(lv->Handle(), LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&it));
  EXPECT_EQ(String(L"a"), buf);

  lv->SetSelected(lv->Items()->Item(1));
  EXPECT_EQ(L"b", lv->Selected()->Caption());
  lv->Items()->Delete(0);
  EXPECT_EQ(1, deleted);
  EXPECT_EQ(2, lv->Items()->Count());
  EXPECT_EQ(0, lv->Selected()->Index());
  EXPECT_THROW(lv->Items()->Item(5), EListViewError);
  delete lv;
  EXPECT_EQ(3, deleted);
}

}  // namespace ZS_UNITY_ID
