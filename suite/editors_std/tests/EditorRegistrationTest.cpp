// Editors registered at start-up carry the descriptions of the suite's resource strings, so a
// replaced resource text shows wherever the editors are listed.
#include <gtest/gtest.h>

#include "../../core/tests/ControlsTestSupport.h"
#include "EditorFormSupport.h"
#include "Forms.h"

#include "vxClasses.h"
#include "vxEditConsts.h"
#include "vxEditDataRegisteredRepositoryItems.h"
#include "vxEditRepositoryItems.h"
#include "vxImage.h"
#include "vxMemo.h"
#include "vxRadioGroup.h"

namespace ZS_UNITY_ID {

using vx_test::Pump;

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
      {TvxTextEditProperties::StaticClass(), L"TvxTextEdit", L"TvxEditRepositoryTextItem", TvxFilterTextEditHelper::Class()},
      {TvxMaskEditProperties::StaticClass(), L"TvxMaskEdit", L"TvxEditRepositoryMaskItem", TvxFilterMaskEditHelper::Class()},
      {TvxComboBoxProperties::StaticClass(), L"TvxComboBox", L"TvxEditRepositoryComboBoxItem", TvxFilterComboBoxHelper::Class()},
      {TvxPopupEditProperties::StaticClass(), L"TvxPopupEdit", L"TvxEditRepositoryPopupItem", nullptr},
      {TvxCheckBoxProperties::StaticClass(), L"TvxCheckBox", L"TvxEditRepositoryCheckBoxItem", TvxFilterCheckBoxHelper::Class()},
      {TvxButtonEditProperties::StaticClass(), L"TvxButtonEdit", L"TvxEditRepositoryButtonItem", nullptr},
      {TvxImageProperties::StaticClass(), L"TvxImage", L"TvxEditRepositoryImageItem", nullptr},
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

// A designer's form naming each editor of the framework and the image editor, with a
// setting of its own, is read, shown and written back equal.
TEST(EditorRegistration, AFormNamingTheFrameworkEditorsIsReadShownAndWrittenBack) {
  const String text =
      L"object Form1: TForm\r\n"
      L"  Left = 0\r\n"
      L"  Top = 0\r\n"
      L"  object Text1: TvxTextEdit\r\n"
      L"    Left = 8\r\n"
      L"    Top = 8\r\n"
      L"    Properties.MaxLength = 12\r\n"
      L"    TabOrder = 0\r\n"
      L"    Text = 'hello'\r\n"
      L"  end\r\n"
      L"  object Mask1: TvxMaskEdit\r\n"
      L"    Left = 8\r\n"
      L"    Top = 40\r\n"
      L"    Properties.EditMask = '000;1;_'\r\n"
      L"    TabOrder = 1\r\n"
      L"  end\r\n"
      L"  object Combo1: TvxComboBox\r\n"
      L"    Left = 8\r\n"
      L"    Top = 72\r\n"
      L"    Properties.Items.Strings = (\r\n"
      L"      'one'\r\n"
      L"      'two')\r\n"
      L"    TabOrder = 2\r\n"
      L"  end\r\n"
      L"  object Popup1: TvxPopupEdit\r\n"
      L"    Left = 8\r\n"
      L"    Top = 104\r\n"
      L"    Properties.PopupAutoSize = False\r\n"
      L"    TabOrder = 3\r\n"
      L"  end\r\n"
      L"  object Image1: TvxImage\r\n"
      L"    Left = 8\r\n"
      L"    Top = 136\r\n"
      L"    Properties.Stretch = True\r\n"
      L"    TabOrder = 4\r\n"
      L"  end\r\n"
      L"end\r\n";
  std::unique_ptr<TForm> form = vx_test::ReadFormText(text);
  struct Case {
    const wchar_t* Name;
    TClass Class;
  } cases[] = {{L"Text1", TvxTextEdit::StaticClass()},   {L"Mask1", TvxMaskEdit::StaticClass()},
               {L"Combo1", TvxComboBox::StaticClass()},  {L"Popup1", TvxPopupEdit::StaticClass()},
               {L"Image1", TvxImage::StaticClass()}};
  for (const Case& c : cases) {
    TComponent* e = form->FindComponent(c.Name);
    ASSERT_NE(e, nullptr) << c.Name;
    EXPECT_EQ(e->ClassType(), c.Class) << c.Name;
  }
  auto* edit = static_cast<TvxTextEdit*>(form->FindComponent(L"Text1"));
  EXPECT_EQ(edit->Properties()->MaxLength(), 12);
  EXPECT_EQ(static_cast<TvxComboBox*>(form->FindComponent(L"Combo1"))->Properties()->Items()->Count(), 2);
  EXPECT_TRUE(static_cast<TvxImage*>(form->FindComponent(L"Image1"))->Properties()->Stretch());
  form->Show();
  Pump(40);
  EXPECT_TRUE(edit->HandleAllocated());
  EXPECT_EQ(edit->Text(), L"hello");
  const String back = vx_test::FormText(form.get());
  for (const wchar_t* setting : {L"MaxLength = 12", L"EditMask = '000;1;_'", L"'two')", L"PopupAutoSize = False",
                                 L"Stretch = True", L"Text = 'hello'"})
    EXPECT_NE(back.find(setting), String::npos) << setting << "\n" << back;
  std::unique_ptr<TForm> again = vx_test::ReadFormText(back);
  again->Show();
  Pump(40);
  const String twice = vx_test::FormText(again.get());
  for (const Case& c : cases)
    EXPECT_EQ(vx_test::ComponentBlock(twice, c.Name), vx_test::ComponentBlock(back, c.Name));
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
