#include <gtest/gtest.h>

#include "Forms.h"
#include "vxEdit.h"
#include "vxEditConsts.h"

namespace ZS_UNITY_ID {

namespace {

// Counts the owner-link notifications of a properties object.
struct Counter {
  int Count = 0;
  void Attach(TvxCustomEditProperties& P) {
    P.OnPropertiesChanged = [this](TObject*) { ++Count; };
  }
};

class TestProvider : public TvxCustomEditDefaultValuesProvider {
 public:
  TAlignment Alignment = taRightJustify;
  bool ReadOnlyDefault = false;
  bool CanModifyDefault = true;
  TAlignment DefaultAlignment() override { return Alignment; }
  bool DefaultReadOnly() override { return ReadOnlyDefault; }
  bool DefaultCanModify() override { return CanModifyDefault; }
  double DefaultMaxValue() override { return 99; }
};

TEST(EditProperties, UpdateBracketsFireOnceOrForget) {
  TvxCustomEditProperties p(nullptr);
  Counter c;
  c.Attach(p);
  p.BeginUpdate();
  p.SetAutoSelect(false);
  p.SetTransparent(true);
  p.SetButtonsViewStyle(bvsButtonsOnly);
  EXPECT_EQ(c.Count, 0);
  p.EndUpdate(true);
  EXPECT_EQ(c.Count, 1);

  p.BeginUpdate();
  p.SetTransparent(false);
  p.EndUpdate(false);
  EXPECT_EQ(c.Count, 1);
  p.BeginUpdate();  // the forgotten change is cleared here
  p.EndUpdate(true);
  EXPECT_EQ(c.Count, 1);

  p.EndUpdate(true);  // unmatched: nothing
  EXPECT_EQ(c.Count, 1);

  p.LockUpdate(true);
  p.SetAutoSelect(true);
  EXPECT_EQ(c.Count, 1);
  EXPECT_TRUE(p.ChangedOccurred());
  p.LockUpdate(false);
  EXPECT_EQ(c.Count, 1);

  p.SetTransparent(false);  // unchanged value
  EXPECT_EQ(c.Count, 1);
  EXPECT_FALSE(p.IsChanging());
  p.OnPropertiesChanged = [&](TObject*) { EXPECT_TRUE(p.IsChanging()); };
  p.SetTransparent(true);
  EXPECT_FALSE(p.IsChanging());
}

TEST(EditProperties, AssignedValuesAndLimits) {
  TvxCustomEditProperties p(nullptr);
  Counter c;
  c.Attach(p);
  EXPECT_FALSE(p.AssignedValues()->ReadOnly());
  p.SetReadOnly(false);
  EXPECT_TRUE(p.AssignedValues()->ReadOnly());
  EXPECT_EQ(c.Count, 1);
  p.SetReadOnly(false);
  EXPECT_EQ(c.Count, 1);
  p.SetMinMaxValues(10, 1);
  EXPECT_EQ(c.Count, 2);
  p.SetMinMaxValues(10, 1);
  EXPECT_EQ(c.Count, 2);
  EXPECT_EQ(p.MaxValue(), 10);
  EXPECT_EQ(p.MinValue(), 1);
  p.AssignedValues()->SetMaxValue(false);
  EXPECT_EQ(p.MaxValue(), 0);
  EXPECT_EQ(c.Count, 3);
  p.RestoreDefaults();
  EXPECT_FALSE(p.AssignedValues()->ReadOnly());
  EXPECT_FALSE(p.AssignedValues()->MinValue());
}

TEST(EditProperties, ProviderDefaultsAndItsDestruction) {
  auto provider = std::make_unique<TestProvider>();
  TvxCustomEditProperties p(nullptr), q(nullptr);
  p.SetIDefaultValuesProvider(provider.get());
  q.SetIDefaultValuesProvider(provider.get());
  EXPECT_EQ(p.Alignment()->Horz(), taRightJustify);
  EXPECT_FALSE(p.Alignment()->IsHorzStored());
  EXPECT_EQ(p.MaxValue(), 99);
  provider->ReadOnlyDefault = true;
  EXPECT_TRUE(p.ReadOnly());
  EXPECT_FALSE(p.CanModify());
  p.SetReadOnly(false);  // an explicit False wins
  EXPECT_TRUE(p.CanModify());
  provider->ReadOnlyDefault = false;
  provider->CanModifyDefault = false;
  EXPECT_FALSE(q.CanModify());
  // A write through the alignment view lands in the user's alignment.
  p.Alignment()->SetHorz(taCenter);
  EXPECT_TRUE(p.InnerAlignment()->IsHorzStored());
  EXPECT_EQ(p.Alignment()->Horz(), taCenter);
  provider.reset();
  EXPECT_EQ(p.IDefaultValuesProvider(), nullptr);
  EXPECT_EQ(q.IDefaultValuesProvider(), nullptr);
  EXPECT_TRUE(q.CanModify());
  EXPECT_EQ(q.Alignment()->Horz(), taLeftJustify);
}

TEST(EditProperties, AssignCopiesSettingsButNotTheOwnerLinks) {
  TvxCustomEditProperties a(nullptr), b(nullptr);
  a.SetAutoSelect(false);
  a.SetClearKey(0x2E);
  a.Buttons()->Add()->SetKind(bkEllipsis);
  a.SetMaxValue(5);
  a.SetReadOnly(true);
  a.Alignment()->SetVert(taVCenter);
  int closed = 0, validated = 0;
  a.OnClosePopup = [&](TObject*, TvxEditCloseUpReason) { ++closed; };
  a.OnValidate = [&](TObject*, Variant&, String&, bool&) { ++validated; };
  Counter c;
  c.Attach(b);
  b.SetMinValue(3);
  c.Count = 0;
  b.Assign(&a);
  EXPECT_EQ(c.Count, 1);
  EXPECT_FALSE(b.AutoSelect());
  EXPECT_EQ(b.ClearKey(), 0x2E);
  ASSERT_EQ(b.Buttons()->Count(), 1);
  EXPECT_EQ(b.Buttons()->Items(0)->Kind(), bkEllipsis);
  EXPECT_TRUE(b.AssignedValues()->MaxValue());
  EXPECT_FALSE(b.AssignedValues()->MinValue());  // the source did not assign it
  EXPECT_TRUE(b.ReadOnly());
  EXPECT_EQ(b.Alignment()->Vert(), taVCenter);
  EXPECT_FALSE(b.OnClosePopup);
  ASSERT_TRUE(b.OnValidate);
  EXPECT_TRUE(b.OnPropertiesChanged);
  EXPECT_EQ(b.GetSupportedOperations(), TvxEditSupportedOperations{esoHotTrack});
  EXPECT_EQ(b.GetValidationErrorText(3), L"Invalid input value. Use escape key to abandon changes");
  std::unique_ptr<TvxCustomEditProperties> preview(b.CreatePreviewProperties());
  EXPECT_EQ(preview->ClassType(), b.ClassType());
  EXPECT_EQ(preview->Owner(), nullptr);
}

TEST(EditButtons, DefaultCaptionWidthAndChangeCounts) {
  TvxCustomEditProperties p(nullptr);
  Counter c;
  c.Attach(p);
  TvxEditButtons* bs = p.Buttons();
  bs->BeginUpdate();
  for (int i = 0; i < 3; ++i) bs->Add();
  bs->EndUpdate();
  c.Count = 0;
  bs->Items(0)->SetDefault(true);
  EXPECT_EQ(c.Count, 1);
  bs->Items(2)->SetDefault(true);
  EXPECT_EQ(c.Count, 2);
  EXPECT_FALSE(bs->Items(0)->Default());
  EXPECT_TRUE(bs->Items(2)->Default());
  bs->Items(1)->SetWidth(20);
  bs->Items(1)->SetWidth(-1);
  EXPECT_EQ(bs->Items(1)->Width(), 20);
  EXPECT_EQ(c.Count, 3);
  bs->Items(1)->SetCaption(L"&Open");
  EXPECT_EQ(bs->Items(1)->VisibleCaption(), L"Open");
  bs->Items(1)->SetVisible(false);
  EXPECT_EQ(bs->VisibleCount(), 2);
  EXPECT_EQ(c.Count, 5);
  TBitmap glyph(4, 4);
  bs->Items(0)->SetGlyph(&glyph);
  EXPECT_EQ(bs->Items(0)->Glyph()->Width(), 4);
  bs->Items(0)->SetGlyph(nullptr);
  EXPECT_FALSE(bs->Items(0)->HasGlyph());
}

TEST(EditPropertiesRegistry, RegisteredClassesAreFoundByName) {
  TvxRegisteredClasses* r = GetEditPropertiesRegistry();
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(r->Sorted());
  r->Register(TvxCustomEditProperties::StaticClass(), L"Custom|The base");
  EXPECT_EQ(r->FindByClassName(L"TvxCustomEditProperties"), TvxCustomEditProperties::StaticClass());
  EXPECT_EQ(r->GetDescriptionByClass(TvxCustomEditProperties::StaticClass()), L"Custom");
  r->Unregister(TvxCustomEditProperties::StaticClass());
  EXPECT_EQ(r->FindByClassName(L"TvxCustomEditProperties"), nullptr);
}

struct ItemListener : IvxEditRepositoryItemListener {
  std::vector<String>* Log;
  String Name;
  TvxEditRepositoryItem* Seen = nullptr;
  void RepositoryItemRemoved(TvxEditRepositoryItem* Sender) override {
    Log->push_back(Name + L" removed");
    Seen = Sender;
  }
  void PropertiesChanged(TvxEditRepositoryItem*) override { Log->push_back(Name + L" changed"); }
};

TEST(EditRepository, ItemsListenersAndLookup) {
  TvxEditRepository repo(nullptr);
  repo.SetName(L"Repo");
  TvxEditRepositoryItem* a = repo.CreateItem(TvxEditRepositoryItem::StaticClass());
  TvxEditRepositoryItem* b = repo.CreateItemEx(TvxEditRepositoryItem::StaticClass(), nullptr);
  a->SetName(L"First");
  b->SetName(L"first");
  EXPECT_EQ(repo.Count(), 2);
  EXPECT_EQ(a->Owner(), &repo);
  EXPECT_EQ(repo.ItemByName(L"FIRST"), a);  // case-insensitive, first in list order
  EXPECT_EQ(repo.ItemByName(L"none"), nullptr);
  EXPECT_EQ(a->GetBaseName(), L"RepoItem");
  EXPECT_TRUE(a->HasParent());

  std::vector<String> log;
  ItemListener l1, l2;
  l1.Log = l2.Log = &log;
  l1.Name = L"1";
  l2.Name = L"2";
  b->AddListener(&l1);
  b->AddListener(&l2);
  b->AddListener(&l1);
  EXPECT_EQ(b->ListenerCount(), 2);
  b->Properties()->SetReadOnly(true);
  EXPECT_EQ(log, (std::vector<String>{L"2 changed", L"1 changed"}));
  log.clear();
  delete b;
  EXPECT_EQ(log, (std::vector<String>{L"2 removed", L"1 removed"}));
  EXPECT_EQ(repo.Count(), 1);
  a->SetRepository(nullptr);
  EXPECT_EQ(repo.Count(), 0);
  a->SetRepository(&repo);
  repo.Clear();
  EXPECT_EQ(repo.Count(), 0);
  EXPECT_EQ(repo.ComponentCount(), 0);
}

TEST(EditRepository, DefaultRepositoryAndPropertiesStandIn) {
  TvxEditRepository* repo = GetDefaultEditRepository();
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(GetDefaultEditRepository(), repo);
  TvxEditRepositoryItem* item = repo->CreateItem(TvxEditRepositoryItem::StaticClass());
  TvxCustomEditProperties own(nullptr);
  TvxCustomEditProperties* p = item->Properties();
  EXPECT_TRUE(own.UseRepositoryItemProperties(item, p));
  EXPECT_EQ(p, &own);
  TvxCustomEditProperties* other = &own;
  EXPECT_FALSE(own.UseRepositoryItemProperties(item, other));
  delete item;
  EXPECT_EQ(repo->Count(), 0);
}

}  // namespace

namespace {

TEST(EditCore, MouseWheelCursorIsInstalled) {
  HCURSOR h = Screen->Cursors(crvxMouseWheel);
  ASSERT_NE(h, nullptr);
  EXPECT_NE(h, Screen->Cursors(crDefault));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(h, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 15u);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
}

}  // namespace

}  // namespace ZS_UNITY_ID
