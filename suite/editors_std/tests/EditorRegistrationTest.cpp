// Editors registered at start-up carry the descriptions of the suite's resource strings, so a
// replaced resource text shows wherever the editors are listed.
#include <gtest/gtest.h>

#include "vxClasses.h"
#include "vxEditConsts.h"
#include "vxEditDataRegisteredRepositoryItems.h"
#include "vxEditRepositoryItems.h"
#include "vxImage.h"
#include "vxMemo.h"
#include "vxRadioGroup.h"

namespace ZS_UNITY_ID {

TEST(EditorRegistration, DescriptionsComeFromTheResourceStrings) {
  struct Case { TClass Class; TResStringRec* Text; } cases[] = {
      {TvxMemoProperties::StaticClass(), &svxSEditRepositoryMemoItem},
      {TvxImageProperties::StaticClass(), &svxSEditRepositoryImageItem},
      {TvxRadioGroupProperties::StaticClass(), &svxSEditRepositoryRadioGroupItem},
      {TvxHyperLinkEditProperties::StaticClass(), &svxSEditRepositoryHyperLinkItem},
      {TvxCalcEditProperties::StaticClass(), &svxSEditRepositoryCalcItem},
  };
  for (const Case& c : cases) {
    const String text = vxGetResString(c.Text);
    const size_t bar = text.find(L'|');
    ASSERT_NE(String::npos, bar);
    EXPECT_EQ(text.substr(0, bar), GetEditPropertiesRegistry()->GetDescriptionByClass(c.Class))
        << c.Class->ClassName();
    EXPECT_EQ(text.substr(bar + 1), GetEditPropertiesRegistry()->GetHintByClass(c.Class)) << c.Class->ClassName();
  }
  // The classes are found by name, as form files name them.
  for (const wchar_t* name : {L"TvxMemo", L"TvxRadioGroup", L"TvxButton"}) EXPECT_NE(nullptr, GetClass(name)) << name;
}

// Every editor of the suite is known after start-up: its properties class in the registry,
// found by its class name, with the filter helper of its own (or none), and a repository item
// class that streams by name and creates that properties class.
TEST(EditorRegistration, EveryEditorIsRegisteredAndFoundByName) {
  struct Case {
    TClass Properties;
    const wchar_t* Editor;
    const wchar_t* Item;
    TvxFilterEditHelperClass Helper;
  } cases[] = {
      {TvxTextEditProperties::StaticClass(), nullptr, L"TvxEditRepositoryTextItem", TvxFilterTextEditHelper::Class()},
      {TvxMaskEditProperties::StaticClass(), nullptr, L"TvxEditRepositoryMaskItem", TvxFilterMaskEditHelper::Class()},
      {TvxComboBoxProperties::StaticClass(), nullptr, L"TvxEditRepositoryComboBoxItem", TvxFilterComboBoxHelper::Class()},
      {TvxPopupEditProperties::StaticClass(), nullptr, L"TvxEditRepositoryPopupItem", nullptr},
      {TvxCheckBoxProperties::StaticClass(), L"TvxCheckBox", L"TvxEditRepositoryCheckBoxItem", TvxFilterCheckBoxHelper::Class()},
      {TvxButtonEditProperties::StaticClass(), L"TvxButtonEdit", L"TvxEditRepositoryButtonItem", nullptr},
      {TvxImageProperties::StaticClass(), nullptr, L"TvxEditRepositoryImageItem", nullptr},
      {TvxSpinEditProperties::StaticClass(), L"TvxSpinEdit", L"TvxEditRepositorySpinItem", TvxFilterSpinEditHelper::Class()},
      {TvxTimeEditProperties::StaticClass(), L"TvxTimeEdit", L"TvxEditRepositoryTimeItem", TvxFilterTimeEditHelper::Class()},
      {TvxDateEditProperties::StaticClass(), L"TvxDateEdit", L"TvxEditRepositoryDateItem", TvxFilterDateEditHelper::Class()},
      {TvxCurrencyEditProperties::StaticClass(), L"TvxCurrencyEdit", L"TvxEditRepositoryCurrencyItem", TvxFilterCurrencyEditHelper::Class()},
      {TvxMemoProperties::StaticClass(), L"TvxMemo", L"TvxEditRepositoryMemoItem", TvxFilterMemoHelper::Class()},
      {TvxCalcEditProperties::StaticClass(), L"TvxCalcEdit", L"TvxEditRepositoryCalcItem", TvxFilterCalcEditHelper::Class()},
      {TvxHyperLinkEditProperties::StaticClass(), L"TvxHyperLinkEdit", L"TvxEditRepositoryHyperLinkItem", TvxFilterHyperLinkEditHelper::Class()},
      {TvxRadioGroupProperties::StaticClass(), L"TvxRadioGroup", L"TvxEditRepositoryRadioGroupItem", TvxFilterRadioGroupHelper::Class()},
  };
  TvxRegisteredClasses* registry = GetEditPropertiesRegistry();
  for (const Case& c : cases) {
    const String name = c.Properties->ClassName();
    EXPECT_GE(registry->GetIndexByClass(c.Properties), 0) << name;
    EXPECT_EQ(c.Properties, registry->FindByClassName(name)) << name;
    if (c.Editor) {
      EXPECT_NE(nullptr, GetClass(c.Editor)) << c.Editor;
    }
    if (c.Helper) {
      EXPECT_EQ(c.Helper, GetFilterEditsController()->FindHelper(c.Properties)) << name;
    }
    TClass item = GetClass(c.Item);
    ASSERT_NE(nullptr, item) << c.Item;
    std::unique_ptr<TvxEditRepositoryItem> instance(static_cast<TvxEditRepositoryItem*>(item->NewInstance(nullptr)));
    EXPECT_EQ(c.Properties, instance->Properties()->ClassType()) << c.Item;
  }
  // The value-type map hands out the default editors by type.
  TvxEditDataRegisteredRepositoryItems* map = GetDataRegisteredRepositoryItems();
  struct TypeCase { TvxValueTypeClass Type; TClass Properties; } types[] = {
      {TvxStringValueType::Class(), TvxTextEditProperties::StaticClass()},
      {TvxBooleanValueType::Class(), TvxCheckBoxProperties::StaticClass()},
      {TvxCurrencyValueType::Class(), TvxCurrencyEditProperties::StaticClass()},
      {TvxDateTimeValueType::Class(), TvxDateEditProperties::StaticClass()},
  };
  for (const TypeCase& t : types) {
    TvxEditRepositoryItem* item = map->GetItem(t.Type);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(t.Properties, item->Properties()->ClassType()) << t.Properties->ClassName();
  }
}

// A check box column filters through a fixed list of its two values.
TEST(EditorRegistration, CheckBoxFilterOffersCheckedThenUnchecked) {
  TvxFilterEditHelperClass helper = TvxFilterCheckBoxHelper::Class();
  TvxCheckBoxProperties props(nullptr);
  props.SetValueChecked(Variant(String(L"Y")));
  props.SetValueUnchecked(Variant(String(L"N")));
  std::unique_ptr<TvxCustomEdit> edit = helper->CreateFilterEdit(&props);
  ASSERT_NE(nullptr, edit);
  struct Case { Variant Value; bool Null; } cases[] = {{Variant(String(L"Y")), false}, {Variant(String(L"N")), false}};
  for (const Case& c : cases) {
    helper->SetFilterValue(edit.get(), &props, c.Value);
    Variant v;
    String text;
    helper->GetFilterValue(edit.get(), &props, v, text);
    EXPECT_EQ(VarToStr(c.Value), VarToStr(v));
  }
}

}  // namespace ZS_UNITY_ID
