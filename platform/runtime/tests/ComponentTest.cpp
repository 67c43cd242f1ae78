// Components (owner tree, names, notifications) and collections.
#include <gtest/gtest.h>

#include <vector>

#include "Persistent.h"

namespace ZS_UNITY_ID {

namespace {

// Records the notifications it receives and clears its reference when it goes.
class TWatcher : public TComponent {
  DECLARE_CLASS(TWatcher, TComponent)
 public:
  using TComponent::TComponent;
  ~TWatcher() override { ++Freed; }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    Log += (Operation == opInsert ? L"+" : L"-") + AComponent->Name() + L";";
    if (Operation == opRemove && AComponent == Link) Link = nullptr;
  }
  void SetLink(TComponent* Value) {
    if (Link) Link->RemoveFreeNotification(this);
    Link = Value;
    if (Link) Link->FreeNotification(this);
  }
  TComponent* Link = nullptr;
  String Log;
  static int Freed;
};
int TWatcher::Freed = 0;

TEST(Component, NamesAreValidatedAndUniqueWithinTheOwner) {
  TComponent Owner(nullptr);
  auto* A = new TComponent(&Owner);
  auto* B = new TComponent(&Owner);
  A->SetName(L"Button1");
  struct Case { const wchar_t* name; const wchar_t* error; };
  const Case cases[] = {
      {L"_ok2", nullptr},
      {L"", nullptr},
      {L"1abc", L"'1abc' is not a valid component name"},
      {L"a b", L"'a b' is not a valid component name"},
      {L"ボタン", L"'ボタン' is not a valid component name"},
      {L"BUTTON1", L"A component named BUTTON1 already exists"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "name " << c.name);
    if (c.error) {
      try {
        B->SetName(c.name);
        ADD_FAILURE() << "no error";
      } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), c.error);
      }
    } else {
      B->SetName(c.name);
      EXPECT_EQ(B->Name(), c.name);
    }
  }
  // Renaming to itself in another case is fine.
  A->SetName(L"BUTTON1");
  EXPECT_EQ(Owner.FindComponent(L"button1"), A);
  EXPECT_EQ(Owner.FindComponent(L""), nullptr);
  // Inserting a component whose name is taken fails and leaves both owners intact.
  TComponent Other(nullptr);
  auto* Dup = new TComponent(&Other);
  Dup->SetName(L"Button1");
  EXPECT_THROW(Owner.InsertComponent(Dup), EComponentError);
  EXPECT_EQ(Dup->Owner(), &Other);
  EXPECT_EQ(Owner.ComponentCount(), 2);
}

TEST(Component, OwnerTreeOrderNotificationsAndDestruction) {
  TWatcher::Freed = 0;
  auto* Owner = new TWatcher(nullptr);
  auto* A = new TWatcher(Owner);
  A->SetName(L"A");
  auto* B = new TWatcher(Owner);
  B->SetName(L"B");
  auto* C = new TWatcher(Owner);
  C->SetName(L"C");
  EXPECT_EQ(Owner->ComponentCount(), 3);
  EXPECT_EQ(B->ComponentIndex(), 1);
  C->SetComponentIndex(0);
  EXPECT_EQ(Owner->Components(0), C);
  EXPECT_EQ(A->ComponentIndex(), 1);
  EXPECT_THROW(Owner->Components(3), EListError);

  // Moving B to another owner: the old owner and its components are told of the removal.
  TWatcher Other(nullptr);
  Other.InsertComponent(B);
  EXPECT_EQ(B->Owner(), &Other);
  EXPECT_EQ(Owner->ComponentCount(), 2);
  EXPECT_NE(A->Log.find(L"-B;"), String::npos);
  EXPECT_NE(Other.Log.find(L"+B;"), String::npos);

  // Freeing a component removes it from its owner; the siblings are told.
  A->Log.clear();
  delete C;
  EXPECT_EQ(Owner->ComponentCount(), 1);
  EXPECT_EQ(A->Log, L"-C;");
  EXPECT_EQ(TWatcher::Freed, 1);

  delete Owner;  // frees A as well
  EXPECT_EQ(TWatcher::Freed, 3);
  EXPECT_EQ(Other.ComponentCount(), 1);
}

TEST(Component, FreeNotificationClearsReferenceAcrossOwners) {
  auto* FormA = new TComponent(nullptr);
  auto* FormB = new TComponent(nullptr);
  auto* Holder = new TWatcher(FormA);
  auto* Target = new TComponent(FormB);
  Target->SetName(L"Target");
  Holder->SetLink(Target);
  EXPECT_TRUE(Target->ComponentState().Contains(csFreeNotification));
  delete Target;
  EXPECT_EQ(Holder->Link, nullptr);
  EXPECT_NE(Holder->Log.find(L"-Target;"), String::npos);

  // A link removed again is not used: the holder dies first, the target later.
  TWatcher::Freed = 0;
  Holder->SetName(L"Holder");
  auto* Target2 = new TWatcher(FormB);
  Holder->SetLink(Target2);
  delete FormA;  // frees Holder, which unlinks itself from Target2 and tells it
  EXPECT_EQ(TWatcher::Freed, 1);
  EXPECT_EQ(Target2->Log, L"-Holder;");
  auto* Bystander = new TWatcher(nullptr);
  Bystander->SetLink(Target2);
  delete FormB;  // frees Target2: only the bystander still linked is told
  EXPECT_EQ(TWatcher::Freed, 2);
  EXPECT_EQ(Bystander->Link, nullptr);
  EXPECT_EQ(Bystander->Log, L"-;");
  delete Bystander;
}

TEST(Component, NameLookupFollowsRenamesAndRemovals) {
  TComponent Owner(nullptr);
  std::vector<TComponent*> made;
  for (int i = 0; i < 300; ++i) {
    auto* C = new TComponent(&Owner);
    C->SetName(L"Item" + std::to_wstring(i));
    made.push_back(C);
  }
  EXPECT_EQ(Owner.FindComponent(L"ITEM299"), made[299]);
  EXPECT_EQ(Owner.FindComponent(L"item0"), made[0]);
  made[5]->SetName(L"Renamed");
  EXPECT_EQ(Owner.FindComponent(L"Item5"), nullptr);
  EXPECT_EQ(Owner.FindComponent(L"RENAMED"), made[5]);
  made[6]->SetName(L"Item5");  // the old name is free again
  EXPECT_EQ(Owner.FindComponent(L"item5"), made[6]);
  EXPECT_THROW(made[7]->SetName(L"renamed"), EComponentError);
  EXPECT_EQ(Owner.FindComponent(L"Item7"), made[7]);
  made[8]->SetName(L"");
  EXPECT_EQ(Owner.FindComponent(L"Item8"), nullptr);
  delete made[9];
  EXPECT_EQ(Owner.FindComponent(L"Item9"), nullptr);
  TComponent Other(nullptr);
  Other.InsertComponent(made[10]);
  EXPECT_EQ(Owner.FindComponent(L"Item10"), nullptr);
  EXPECT_EQ(Other.FindComponent(L"item10"), made[10]);
  auto* Again = new TComponent(&Owner);
  Again->SetName(L"Item10");  // free under the first owner now
  EXPECT_EQ(Owner.FindComponent(L"Item10"), Again);
  EXPECT_EQ(Owner.ComponentCount(), 299);
}

struct TProbe : TComponent {
  using TComponent::TComponent;
  ~TProbe() override { Flag = ComponentState().Contains(csDestroying); }
  static inline bool Flag = false;
};

TEST(Component, DestroyingState) {
  auto* Owner = new TComponent(nullptr);
  new TProbe(Owner);
  Owner->Destroying();
  EXPECT_TRUE(Owner->Components(0)->ComponentState().Contains(csDestroying));
  delete Owner;
  EXPECT_TRUE(TProbe::Flag);
}

TEST(Persistent, AssignWithoutSupportRaisesConvertError) {
  TPersistent P;
  TComponent C(nullptr);
  try {
    P.Assign(&C);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"Cannot assign a TComponent to a TPersistent");
  }
  try {
    P.Assign(nullptr);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"Cannot assign a nil to a TPersistent");
  }
}

TEST(Component, MetaclassCreatesWithOwner) {
  TComponent Owner(nullptr);
  TObject* O = TWatcher::StaticClass()->NewInstance(&Owner);
  auto* W = dynamic_cast<TWatcher*>(O);
  ASSERT_NE(W, nullptr);
  EXPECT_EQ(W->Owner(), &Owner);
  EXPECT_EQ(W->ClassName(), L"TWatcher");
}

// Collections ------------------------------------------------------------------------

class TTestItem : public TCollectionItem {
  DECLARE_CLASS(TTestItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  String Caption = L"(none)";  // must be set before the collection is told of the item
  void SetCaption(const String& Value) { Caption = Value; Changed(false); }
  void Assign(TPersistent* Source) override {
    if (auto* S = dynamic_cast<TTestItem*>(Source)) { Caption = S->Caption; return; }
    TCollectionItem::Assign(Source);
  }
 protected:
  String GetDisplayName() override { return Caption; }
};

class TTestCollection : public TOwnedCollection {
  DECLARE_CLASS(TTestCollection, TOwnedCollection)
 public:
  explicit TTestCollection(TPersistent* AOwner = nullptr)
      : TOwnedCollection(AOwner, TTestItem::StaticClass()) {}
  String Log;
 protected:
  void Update(TCollectionItem* Item) override {
    Log += L"U(" + (Item ? static_cast<TTestItem*>(Item)->Caption : String(L"*")) + L")";
  }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    static const wchar_t* names[] = {L"add", L"ext", L"del"};
    Log += String(names[Action]) + L":" + static_cast<TTestItem*>(Item)->Caption + L" ";
  }
};

TEST(Collection, NotificationsAndUpdateBatching) {
  TTestCollection C;
  auto* A = static_cast<TTestItem*>(C.Add());
  EXPECT_EQ(C.Log, L"add:(none) U(*)");  // the item is whole when the collection is told
  C.Log.clear();
  A->SetCaption(L"a");
  EXPECT_EQ(C.Log, L"U(a)");

  C.Log.clear();
  C.BeginUpdate();
  C.BeginUpdate();
  static_cast<TTestItem*>(C.Add())->SetCaption(L"b");
  static_cast<TTestItem*>(C.Add())->SetCaption(L"c");
  A->SetCaption(L"a2");
  C.Delete(0);
  C.EndUpdate();
  EXPECT_EQ(C.Log.find(L"U("), String::npos);  // nothing reported inside the batch
  C.EndUpdate();
  EXPECT_EQ(C.Log, L"add:(none) add:(none) del:a2 ext:a2 U(*)");
  EXPECT_EQ(C.Count(), 2);
  EXPECT_EQ(C.Items(0)->DisplayName(), L"b");

  C.Log.clear();
  C.Clear();
  EXPECT_EQ(C.Log, L"del:c ext:c del:b ext:b U(*)");
  EXPECT_EQ(C.Count(), 0);
  C.EndUpdate();  // an unbalanced EndUpdate does not go below zero
  EXPECT_EQ(C.UpdateCount(), 0);
}

TEST(Collection, IdsIndexesAssignAndErrors) {
  TComponent Owner(nullptr);
  Owner.SetName(L"Form1");
  TTestCollection C(&Owner);
  auto* A = static_cast<TTestItem*>(C.Add());
  auto* B = static_cast<TTestItem*>(C.Add());
  auto* D = static_cast<TTestItem*>(C.Insert(0));
  A->Caption = L"a"; B->Caption = L"b"; D->Caption = L"d";
  EXPECT_EQ(D->Index(), 0);
  EXPECT_EQ(D->ID(), 2);
  EXPECT_EQ(C.FindItemID(1), B);
  EXPECT_EQ(C.FindItemID(9), nullptr);
  B->SetIndex(0);
  EXPECT_EQ(C.Items(0), B);
  EXPECT_EQ(C.Items(1), D);
  EXPECT_THROW(B->SetIndex(3), EListError);
  EXPECT_THROW(C.Items(-1), EListError);
  EXPECT_THROW(C.Delete(3), EListError);
  EXPECT_THROW(C.Insert(4), EListError);
  EXPECT_EQ(C.GetOwner(), &Owner);

  // Freeing an item directly takes it out of its collection; IDs are not reused.
  delete D;
  EXPECT_EQ(C.Count(), 2);
  EXPECT_EQ(static_cast<TTestItem*>(C.Add())->ID(), 3);

  TTestCollection Copy;
  Copy.Assign(&C);
  ASSERT_EQ(Copy.Count(), 3);
  EXPECT_EQ(static_cast<TTestItem*>(Copy.Items(0))->Caption, L"b");
  EXPECT_EQ(static_cast<TTestItem*>(Copy.Items(1))->Caption, L"a");
  EXPECT_THROW(Copy.Assign(&Owner), EConvertError);
}

}  // namespace

namespace {
// A form-like owner with published component fields.
class TFieldOwner : public TComponent {
  DECLARE_CLASS(TFieldOwner, TComponent)
  PUBLISHED(TFieldOwner)
 public:
  using TComponent::TComponent;
  TComponent* Edit1 = nullptr;
  TWatcher* Watcher1 = nullptr;
};
void TFieldOwner::DeclarePublished(TPublisher<TFieldOwner>& P) {
  P.Field(L"Edit1", &TFieldOwner::Edit1);
  P.Field(L"Watcher1", &TFieldOwner::Watcher1);
}
}  // namespace

// A published field points at the owned component of its name while it lives under that
// name: naming fills it, renaming, leaving the owner and freeing clear it.
TEST(Component, PublishedFieldsFollowTheOwnedComponentOfTheirName) {
  TFieldOwner owner(nullptr);
  auto* edit = new TComponent(&owner);
  EXPECT_EQ(owner.Edit1, nullptr);
  edit->SetName(L"edit1");  // names compare without case
  EXPECT_EQ(owner.Edit1, edit);
  edit->SetName(L"Other");
  EXPECT_EQ(owner.Edit1, nullptr);
  edit->SetName(L"Edit1");
  delete edit;
  EXPECT_EQ(owner.Edit1, nullptr);

  // A component of another class does not fill a field of a narrower type.
  auto* plain = new TComponent(&owner);
  plain->SetName(L"Watcher1");
  EXPECT_EQ(owner.Watcher1, nullptr);
  delete plain;
  auto* w = new TWatcher(&owner);
  w->SetName(L"Watcher1");
  EXPECT_EQ(owner.Watcher1, w);
  owner.RemoveComponent(w);
  EXPECT_EQ(owner.Watcher1, nullptr);
  owner.InsertComponent(w);
  EXPECT_EQ(owner.Watcher1, w);
}

}  // namespace ZS_UNITY_ID
