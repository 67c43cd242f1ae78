#include <gtest/gtest.h>

#include <vector>

#include "TypInfo.h"
#include "vxClasses.h"

namespace ZS_UNITY_ID {

namespace {

class TCounted : public TObject {
  DECLARE_CLASS(TCounted, TObject)
 public:
  explicit TCounted(std::vector<int>* log, int id) : FLog(log), FId(id) {}
  ~TCounted() override { FLog->push_back(FId); }

 private:
  std::vector<int>* FLog;
  int FId;
};

TEST(BaseClasses, ObjectListOwnsItsObjectsWhenAsked) {
  std::vector<int> freed;
  {
    TvxObjectList owning(true);
    owning.Add(new TCounted(&freed, 1));
    owning.Add(new TCounted(&freed, 2));
    EXPECT_EQ(owning.GetItem(1)->ClassName(), L"TCounted");
    owning.Clear();
    EXPECT_EQ(freed, (std::vector<int>{1, 2}));
    owning.Add(new TCounted(&freed, 3));
  }
  EXPECT_EQ(freed, (std::vector<int>{1, 2, 3}));
  TCounted kept(&freed, 4);
  {
    TvxObjectList borrowing(false);
    EXPECT_FALSE(borrowing.OwnObjects());
    borrowing.Add(&kept);
  }
  EXPECT_EQ(freed.size(), 3u);
}

struct IProbe {
  virtual ~IProbe() = default;
  virtual int Probe() = 0;
};

class TProbed : public TvxOwnedInterfacedPersistent, public IProbe {
  DECLARE_CLASS(TProbed, TvxOwnedInterfacedPersistent)
 public:
  using TvxOwnedInterfacedPersistent::TvxOwnedInterfacedPersistent;
  int Probe() override { return 7; }
};

TEST(BaseClasses, OwnersAndInterfacesWithoutReferenceCounting) {
  TPersistent owner;
  TProbed probed(&owner);
  EXPECT_EQ(vxGetPersistentOwner(&probed), &owner);
  EXPECT_EQ(vxGetPersistentOwner(nullptr), nullptr);
  IProbe* probe = nullptr;
  EXPECT_EQ(probed.QueryInterface(probe), S_OK);
  EXPECT_EQ(probe->Probe(), 7);
  EXPECT_EQ(probed.AddRef_(), -1);
  EXPECT_EQ(probed.Release_(), -1);
  TvxOwnedPersistent plain(&owner);
  TvxInterfacedPersistent interfaced(&plain);
  EXPECT_EQ(interfaced.GetOwner(), &plain);
  EXPECT_EQ(interfaced.QueryInterface(probe), E_NOINTERFACE);
  EXPECT_EQ(probe, nullptr);
  TvxIUnknownObject unknown;
  EXPECT_EQ(unknown.QueryInterface(probe), E_NOINTERFACE);
  EXPECT_EQ(unknown.Release_(), -1);
}

TEST(BaseClasses, FreeNotificatorAndComponentLinks) {
  auto* watched = new TComponent(nullptr);
  auto* ignored = new TComponent(nullptr);
  TvxFreeNotificator notificator(nullptr);
  std::vector<TComponent*> gone;
  notificator.OnFreeNotification = [&](TComponent* c) { gone.push_back(c); };
  notificator.AddSender(watched);
  notificator.AddSender(ignored);
  notificator.RemoveSender(ignored);
  notificator.AddSender(nullptr);
  notificator.RemoveSender(nullptr);
  delete ignored;
  EXPECT_TRUE(gone.empty());
  delete watched;
  EXPECT_EQ(gone, (std::vector<TComponent*>{watched}));

  // The suite's component blanks its links when it is destroyed.
  auto* component = new TvxComponent(nullptr);
  TvxObjectLink* link = vxAddObjectLink(component);
  EXPECT_FALSE(component->IsDestroying());
  component->BeforeDestruction();
  EXPECT_TRUE(component->IsDestroying());
  delete component;
  EXPECT_EQ(link->Ref, nullptr);
  vxRemoveObjectLink(link);
}

class TLinkedComponent : public TvxComponent {
  DECLARE_CLASS(TLinkedComponent, TvxComponent)
 public:
  using TvxComponent::TvxComponent;
  std::vector<TComponent*> Links;

 protected:
  void CollectLinkedComponents(TList* AList) override {
    for (auto* c : Links) AList->Add(c);
  }
};

TEST(BaseClasses, DesignLinksFollowTheLinkedComponents) {
  TComponent root(nullptr);
  auto* a = new TComponent(&root);
  auto* b = new TComponent(&root);
  auto* linked = new TLinkedComponent(&root);
  linked->Links = {a, b};
  linked->Loaded();  // not designing: nothing
  EXPECT_EQ(linked->FakeComponentLink1(), nullptr);
  linked->SetDesigning(true);
  linked->Loaded();
  EXPECT_EQ(linked->FakeComponentLink1(), a);
  EXPECT_EQ(linked->FakeComponentLink2(), b);
  EXPECT_EQ(linked->FakeComponentLink3(), nullptr);
  // Published for the designer, never written with the form.
  EXPECT_EQ(GetObjectProp(linked, L"FakeComponentLink2"), b);
  EXPECT_FALSE(IsStoredProp(linked, L"FakeComponentLink1"));
}

class TvxTreeList : public TComponent {
  DECLARE_CLASS(TvxTreeList, TComponent)
 public:
  using TComponent::TComponent;
};
class TvxTreeListColumn : public TComponent {
  DECLARE_CLASS(TvxTreeListColumn, TComponent)
 public:
  using TComponent::TComponent;
};

TEST(BaseClasses, GeneratedComponentNames) {
  TComponent root(nullptr);
  auto* tree = new TvxTreeList(&root);
  tree->SetName(L"Tree1");
  auto* column = new TvxTreeListColumn(&root);
  struct {
    const char* name;
    TComponent* nameOwner;
    const wchar_t* prefix;
    const wchar_t* base;
    const wchar_t* expected;
  } cases[] = {
      {"prefix cut, owner name and number 1", tree, L"TvxTreeList", L"", L"Tree1Column1"},
      {"prefix compared without case", tree, L"tvxtreelist", L"", L"Tree1Column1"},
      {"no prefix: leading T dropped", nullptr, L"", L"", L"vxTreeListColumn1"},
      {"base with a blank keeps no number", tree, L"", L"My Col", L"Tree1MyCol"},
      {"base starting with a digit gets the class name", nullptr, L"TvxTreeList", L"2nd", L"Column2nd"},
      {"punctuation only counts as empty", nullptr, L"TvxTreeList", L"!!", L"Column"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    String result;
    vxGenerateComponentName(&root, c.nameOwner, column, c.prefix, c.base, result);
    EXPECT_EQ(result, c.expected);
  }
  // Taken names are skipped (compared without case); the component's own name is free.
  (new TComponent(&root))->SetName(L"tree1column1");
  (new TComponent(&root))->SetName(L"Tree1Column2");
  String result;
  vxGenerateComponentName(&root, tree, column, L"TvxTreeList", L"", result);
  EXPECT_EQ(result, L"Tree1Column3");
  column->SetName(L"Tree1Column3");
  vxGenerateComponentName(&root, tree, column, L"TvxTreeList", L"", result);
  EXPECT_EQ(result, L"Tree1Column3");
  (new TComponent(&root))->SetName(L"Tree1MyCol");
  vxGenerateComponentName(&root, tree, column, L"", L"My Col", result);
  EXPECT_EQ(result, L"Tree1MyCol1");
}

class TSortItem : public TvxInterfacedCollectionItem {
  DECLARE_CLASS(TSortItem, TvxInterfacedCollectionItem)
 public:
  using TvxInterfacedCollectionItem::TvxInterfacedCollectionItem;
  int Key = 0;
};

TEST(BaseClasses, SortedCollectionResortsOnWholeChangesOnly) {
  TPersistent owner;
  TvxOwnedInterfacedCollection items(&owner, TSortItem::StaticClass());
  std::vector<TCollectionItem*> changes;
  items.OnChange = [&](TObject* sender, TCollectionItem* item) {
    EXPECT_EQ(sender, &items);
    changes.push_back(item);
    // A change reported from inside the event is not reported again (no recursion).
    if (item) item->SetDisplayName(L"again");
  };
  auto add = [&](int key) {
    auto* it = static_cast<TSortItem*>(items.Add());
    it->Key = key;
    return it;
  };
  items.BeginUpdate();
  TSortItem* a = add(3);
  TSortItem* b = add(1);
  TSortItem* c = add(2);
  items.EndUpdate();
  EXPECT_EQ(a->AddRef_(), -1);
  items.OnCompare = [](TObject*, TCollectionItem* x, TCollectionItem* y) {
    return static_cast<TSortItem*>(x)->Key - static_cast<TSortItem*>(y)->Key;
  };
  changes.clear();
  items.SetSorted(true);  // sorts at once
  EXPECT_EQ(items.Items(0), b);
  EXPECT_EQ(items.Items(1), c);
  EXPECT_EQ(items.Items(2), a);
  EXPECT_EQ(changes.size(), 1u);  // one whole-collection change from the sort

  // One item changing does not re-sort; the whole collection changing does.
  b->Key = 9;
  changes.clear();
  b->SetDisplayName(L"b");
  EXPECT_EQ(items.Items(0), b);
  EXPECT_EQ(changes, (std::vector<TCollectionItem*>{b}));
  items.BeginUpdate();
  items.SortItems();  // inside an update: nothing
  EXPECT_EQ(items.Items(0), b);
  items.EndUpdate();
  EXPECT_EQ(items.Items(2), b);

  // An exception in a compare event leaves the collection usable.
  items.OnCompare = [](TObject*, TCollectionItem*, TCollectionItem*) -> Integer { throw EvdException(L"x"); };
  EXPECT_THROW(items.SortItems(), EvdException);
  items.OnCompare = nullptr;  // default: by index, so nothing moves
  items.SortItems();
  EXPECT_EQ(items.Items(2), b);
}

TEST(BaseClasses, StringListSortUsesOnCompare) {
  TvxStringList list;
  list.Add(L"bb");
  list.Add(L"a");
  list.Add(L"ccc");
  list.OnCompare = [](TStringList* l, Integer i, Integer j) {
    return static_cast<Integer>(l->Strings(j).size()) - static_cast<Integer>(l->Strings(i).size());
  };
  list.Sort();
  EXPECT_EQ(list.Strings(0), L"ccc");
  EXPECT_EQ(list.Strings(2), L"a");
  list.OnCompare = nullptr;
  list.Sort();
  EXPECT_EQ(list.Strings(0), L"a");
}

TEST(BaseClasses, RegisteredClassesCanRegisterForStreaming) {
  TvxRegisteredClasses reg(true);
  reg.Register(TLinkedComponent::StaticClass(), L"Linked");
  EXPECT_EQ(GetClass(L"TLinkedComponent"), TLinkedComponent::StaticClass());
  UnRegisterClass(TLinkedComponent::StaticClass());
  EXPECT_EQ(GetClass(L"TvxRect"), TvxRect::StaticClass());  // registered by the geometry unit
}

}  // namespace

}  // namespace ZS_UNITY_ID
