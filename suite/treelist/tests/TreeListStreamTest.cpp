#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Classes.h"
#include "vxTL.h"
#include "vxTLStrs.h"

namespace ZS_UNITY_ID {

namespace {

using Node = TvxTreeListNode;

Variant Str(const std::wstring& s) { return Variant(String(s)); }

void MakeColumns(TvxTreeList& tl) {
  tl.CreateColumn();
  tl.CreateColumn()->DataBinding()->SetValueType(L"Integer");
}

// Shape and content of a tree as text: name, values, states, images, children.
std::wstring Dump(TvxTreeList& tl) {
  std::wstring r;
  for (Integer i = 0; i < tl.AbsoluteCount(); ++i) {
    Node* n = tl.AbsoluteItems(i);
    r += std::to_wstring(n->Level()) + L":" + (VarIsNull(n->Values(0)) ? L"null" : std::wstring(VarToStr(n->Values(0))));
    r += L"/" + (VarIsNull(n->Values(1)) ? std::wstring(L"null") : std::wstring(VarToStr(n->Values(1))));
    // Saving marks children and check information in the stored state; those two bits
    // come back set, so they are left out of the comparison.
    r += L" s" + std::to_wstring((n->State - TvxTreeListNodeStates{nsValidIndexes, nsHasChildren, nsCheck}).ToInt());
    r += L" c" + std::to_wstring(n->CheckInfo.ToInt()) + L" h" + std::to_wstring(n->Height());
    for (Integer k = 0; k < 5; ++k) r += L" " + std::to_wstring(n->ImageIndexes(static_cast<TvxTreeListImageIndexType>(k)));
    r += L"\n";
  }
  return r;
}

struct StreamFixture : ::testing::Test {
  TvxTreeList tl;
  void SetUp() override {
    MakeColumns(tl);
    Node* a = tl.Add();
    a->SetValues(0, Str(L"A"));
    a->SetValues(1, Variant(1));
    a->SetImageIndexes(tlitStateIndex, 4);
    Node* a1 = tl.AddChild(a);
    a1->SetValues(0, Str(L"A1"));
    a1->SetHeight(30);
    a1->CheckInfo.Include(nciChecked);
    Node* a11 = tl.AddChild(a1);
    a11->SetValues(1, Variant(-7));
    tl.AddChild(a);  // no values: no record at all
    Node* b = tl.Add();
    b->SetHasChildren(true);  // announces children it does not have
    b->SetImageIndexes(tlitOverlayStateIndex, 9);
    Node* c = tl.Add();
    c->SetValues(0, Str(L"C"));
    a->Expand(false);
  }
  std::vector<Byte> Save(TvxTreeList& from, Integer prefix = 0) {
    TMemoryStream s;
    std::vector<Byte> pad(static_cast<size_t>(prefix), 0xAB);
    if (prefix) s.WriteBuffer(pad.data(), prefix);
    from.SaveToStream(&s);
    std::vector<Byte> bytes(static_cast<size_t>(s.Size()));
    s.SetPosition(0);
    s.ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    return bytes;
  }
  static void Load(TvxTreeList& to, const std::vector<Byte>& bytes, Integer at = 0) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    s.SetPosition(at);
    to.LoadFromStream(&s);
  }
};

TEST_F(StreamFixture, RoundTripKeepsShapeValuesStatesAndImages) {
  std::wstring before = Dump(tl);
  std::vector<Byte> bytes = Save(tl);
  Integer header[2];
  std::memcpy(header, bytes.data(), 8);
  EXPECT_EQ(header[0], 0x00050000);
  EXPECT_EQ(header[1], static_cast<Integer>(bytes.size()));
  // Saving leaves the source's records where they were.
  EXPECT_EQ(Dump(tl), before);
  EXPECT_EQ(tl.DataController()->Storage()->RecordCount(), 0);
  TvxTreeList copy;
  MakeColumns(copy);
  copy.Add()->SetValues(0, Str(L"old"));
  Load(copy, bytes);
  EXPECT_EQ(Dump(copy), before);
  EXPECT_EQ(copy.DataController()->AllocatedRecords(), tl.DataController()->AllocatedRecords());
  EXPECT_EQ(copy.DataController()->Storage()->RecordCount(), 0);
  Node* b = copy.Root()->getFirstChild()->getNextSibling();
  EXPECT_TRUE(b->HasChildren());
  EXPECT_EQ(b->Count(), 0);
  // The copy works on: values can be set and the nodes freed.
  copy.AbsoluteItems(0)->SetValues(0, Str(L"changed"));
  copy.Clear();
  EXPECT_EQ(copy.DataController()->AllocatedRecords(), 0);
  // Copying one tree list into another reproduces the nodes too.
  TvxTreeList assigned;
  assigned.Assign(&tl);
  EXPECT_EQ(assigned.ColumnCount(), 2);
  EXPECT_EQ(Dump(assigned), before);
}

TEST_F(StreamFixture, EmptyTreeLayout) {
  TvxTreeList empty;
  MakeColumns(empty);
  std::vector<Byte> bytes = Save(empty);
  // Header, the data controller stream, the root's child count 0, the root's state.
  Integer rootCount;
  std::memcpy(&rootCount, bytes.data() + bytes.size() - 6, 4);
  EXPECT_EQ(rootCount, 0);
  Load(tl, bytes);
  EXPECT_EQ(tl.AbsoluteCount(), 0);
  EXPECT_EQ(tl.DataController()->AllocatedRecords(), 0);
}

TEST_F(StreamFixture, BlockInsideALargerStream) {
  std::vector<Byte> bytes = Save(tl, 13);
  Integer length;
  std::memcpy(&length, bytes.data() + 13 + 4, 4);
  EXPECT_EQ(length, static_cast<Integer>(bytes.size()) - 13);  // the block's own length
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});  // something after the block
  TvxTreeList copy;
  MakeColumns(copy);
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  s.SetPosition(13);
  copy.LoadFromStream(&s);
  EXPECT_EQ(s.Position(), 13 + length);  // just behind the block
  EXPECT_EQ(Dump(copy), Dump(tl));
}

TEST_F(StreamFixture, VersionFourStateWord) {
  // The data controller part of a one-node stream, then the node part in the old form.
  TvxTreeList one;
  MakeColumns(one);
  one.Add();
  std::vector<Byte> bytes = Save(one);
  {
    TvxTreeList check;
    MakeColumns(check);
    Load(check, bytes);
    ASSERT_EQ(check.AbsoluteCount(), 1);
  }
  // Version 5 node part: root count 4, record 4, state 2, images 20, then the root's
  // state 2 and child count 4.
  size_t nodePart = bytes.size() - (4 + 4 + 2 + 20 + 2 + 4);
  std::vector<Byte> v4(bytes.begin(), bytes.begin() + static_cast<long>(nodePart));
  auto put = [&](Integer v) {
    Byte b[4];
    std::memcpy(b, &v, 4);
    v4.insert(v4.end(), b, b + 4);
  };
  put(1);     // root children
  put(0);     // record index
  put(0x14);  // old state: children announced, collapsed
  put(0);     // has children: child count
  put(3);
  put(4);
  put(5);  // three image indexes
  put(0);  // root state (old form) without children
  Integer header[2] = {0x00040000, static_cast<Integer>(v4.size())};
  std::memcpy(v4.data(), header, 8);
  Load(tl, v4);
  ASSERT_EQ(tl.AbsoluteCount(), 1);
  Node* n = tl.AbsoluteItems(0);
  EXPECT_TRUE(n->State.Contains(nsHasChildren));
  EXPECT_TRUE(n->State.Contains(nsCollapsed));
  EXPECT_EQ(n->Count(), 0);
  EXPECT_EQ(n->ImageIndexes(tlitStateIndex), 5);
  EXPECT_EQ(n->ImageIndexes(tlitOverlayIndex), -1);
}

TEST_F(StreamFixture, CorruptStreamsRaiseAndLeaveNoHalfTree) {
  const std::vector<Byte> good = Save(tl);
  auto withInt = [&](size_t at, Integer v) {
    std::vector<Byte> b = good;
    std::memcpy(b.data() + at, &v, 4);
    return b;
  };
  // The node part of the fixture: root count, then nodes in pre-order (A first).
  size_t nodes = good.size();
  {
    // Node parts: A(4+2+4+20) A1(4+2+1+4+4+20) A11(26) A2(26) B(4+2+4+20) C(26), root 2+4.
    size_t tail = 30 + (4 + 2 + 1 + 4 + 4 + 20) + 26 + 26 + 30 + 26 + (2 + 4);
    nodes = good.size() - tail - 4;
  }
  Integer rootCount;
  std::memcpy(&rootCount, good.data() + nodes, 4);
  ASSERT_EQ(rootCount, 3);
  struct Case {
    const char* name;
    std::vector<Byte> bytes;
    bool keepsOldNodes;
  } cases[] = {
      {"length off by one", withInt(4, static_cast<Integer>(good.size()) + 1), true},
      {"length below the header", withInt(4, 4), true},
      {"truncated", std::vector<Byte>(good.begin(), good.begin() + 5), true},
      {"record index out of range", withInt(nodes + 4, 999), false},
      {"negative record index", withInt(nodes + 4, -1), false},
      {"record index used twice", withInt(nodes + 4 + 30, 0), false},
      {"negative root count", withInt(nodes, -2), false},
      {"more children than bytes", withInt(nodes, 1000), false},
      {"marker damaged", withInt(12, 0x41414141), false},
  };
  for (Case& c : cases) {
    TvxTreeList target;
    MakeColumns(target);
    target.Add()->SetValues(0, Str(L"old"));
    if (c.keepsOldNodes == false) {
      // Only a block whose length matches reaches the reading of nodes.
      Integer len = static_cast<Integer>(c.bytes.size());
      std::memcpy(c.bytes.data() + 4, &len, 4);
    }
    try {
      Load(target, c.bytes);
      ADD_FAILURE() << c.name << ": no exception";
    } catch (const EvxTreeList& e) {
      EXPECT_EQ(e.Message(), vxGetResString(&svxInvalidStreamFormat)) << c.name;
    } catch (const Exception& e) {
      // Failures inside the data controller stream pass on with their own message.
      EXPECT_FALSE(c.keepsOldNodes) << c.name << ": " << std::string(e.Message().begin(), e.Message().end());
    }
    if (c.keepsOldNodes) {
      ASSERT_EQ(target.AbsoluteCount(), 1) << c.name;
      EXPECT_EQ(VarToStr(target.AbsoluteItems(0)->Values(0)), L"old") << c.name;
    } else {
      EXPECT_EQ(target.AbsoluteCount(), 0) << c.name;
      EXPECT_EQ(target.DataController()->NodesCount(), 0) << c.name;
      EXPECT_EQ(target.DataController()->Storage()->RecordCount(), 0) << c.name;
      EXPECT_EQ(target.DataController()->AllocatedRecords(), 0) << c.name;
    }
    // Whatever happened, the tree list takes the good stream afterwards.
    Load(target, good);
    EXPECT_EQ(Dump(target), Dump(tl)) << c.name;
  }
  // A stream of different columns is refused.
  TvxTreeList other;
  other.CreateColumn();
  EXPECT_THROW(Load(other, good), EvxTreeList);
}

TEST_F(StreamFixture, FileRoundTrip) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  String path = String(dir) + L"zs_treelist_stream.bin";
  tl.SaveToFile(path);
  TvxTreeList copy;
  MakeColumns(copy);
  copy.LoadFromFile(path);
  EXPECT_EQ(Dump(copy), Dump(tl));
  DeleteFileW(path.c_str());
  EXPECT_THROW(copy.LoadFromFile(path), Exception);
}

}  // namespace

}  // namespace ZS_UNITY_ID
