#include <gtest/gtest.h>

#include "Streaming.h"
#include "vxFilterControlUtils.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

namespace {

class NumericProperties : public TvxCustomTextEditProperties {
  DECLARE_CLASS(NumericProperties, TvxCustomTextEditProperties)
 public:
  explicit NumericProperties(TPersistent* AOwner) : TvxCustomTextEditProperties(AOwner) {}
  bool IsEditValueNumeric() override { return true; }
};

class ListProperties : public TvxCustomTextEditProperties {
  DECLARE_CLASS(ListProperties, TvxCustomTextEditProperties)
 public:
  explicit ListProperties(TPersistent* AOwner) : TvxCustomTextEditProperties(AOwner) {}
  TvxEditEditingStyle GetEditingStyle() override { return esFixedList; }
};

class Provider : public TvxCustomEditDefaultValuesProvider {
 public:
  Integer MaxLen = 12;
  Integer DefaultMaxLength() override { return MaxLen; }
};

TEST(TextEditProperties, DefaultsRegistrationAndAnswers) {
  TvxTextEditProperties p(nullptr);
  EXPECT_TRUE(p.HideSelection());
  EXPECT_TRUE(p.IncrementalSearch());
  EXPECT_TRUE(p.FixedListSelection());
  EXPECT_EQ(p.ImeMode(), imDontCare);
  EXPECT_EQ(p.LookupItems()->Duplicates(), dupAccept);
  EXPECT_TRUE(p.HasDisplayValue());
  EXPECT_TRUE(p.IsResetEditClass());
  EXPECT_EQ(p.GetEditValueSource(false), evsText);
  EXPECT_TRUE(p.GetSupportedOperations().Contains(esoIncSearch));
  EXPECT_FALSE(p.GetSupportedOperations().Contains(esoHotTrack));
  EXPECT_EQ(p.GetValidationErrorText(1), L"Value out of bounds");
  EXPECT_EQ(GetEditPropertiesRegistry()->FindByClassName(L"TvxTextEditProperties"),
            TvxTextEditProperties::StaticClass());
  EXPECT_EQ(GetEditPropertiesRegistry()->GetDescriptionByClass(TvxTextEditProperties::StaticClass()), L"TextEdit");
  EXPECT_NE(GetFilterEditsController()->FindHelper(TvxTextEditProperties::StaticClass()), nullptr);
  p.SetViewStyle(vsHideCursor);
  EXPECT_EQ(p.GetEditingStyle(), esNoEdit);
  EXPECT_FALSE(p.IsResetEditClass());
  p.SetViewStyle(vsButtonsOnly);
  EXPECT_EQ(p.ButtonsViewStyle(), bvsButtonsOnly);
  EXPECT_EQ(p.ViewStyle(), vsButtonsOnly);
}

TEST(TextEditProperties, AssignedFlagsOfFormatsAndLength) {
  TvxTextEditProperties p(nullptr);
  int changes = 0;
  p.OnPropertiesChanged = [&](TObject*) { ++changes; };
  p.SetMaxLength(-5);
  EXPECT_EQ(p.MaxLength(), 0);
  EXPECT_TRUE(p.AssignedValues()->MaxLength());
  EXPECT_EQ(changes, 1);
  Provider provider;
  p.SetIDefaultValuesProvider(&provider);
  EXPECT_EQ(p.MaxLength(), 0);
  p.AssignedValues()->SetMaxLength(false);
  EXPECT_EQ(p.MaxLength(), 12);
  p.SetIDefaultValuesProvider(nullptr);
  EXPECT_EQ(p.MaxLength(), 0);

  changes = 0;
  p.SetDisplayFormat(L"");  // unassigned: even the same text assigns and notifies
  EXPECT_TRUE(p.AssignedValues()->DisplayFormat());
  EXPECT_EQ(changes, 1);
  p.SetDisplayFormat(L"");
  EXPECT_EQ(changes, 1);
  p.SetDisplayFormat(L"0.00");
  EXPECT_EQ(changes, 2);
  // The edit format follows the display format only when asked.
  EXPECT_EQ(p.EditFormat(), L"");
  p.SetUseDisplayFormatWhenEditing(true);
  EXPECT_EQ(p.EditFormat(), L"0.00");
  p.SetEditFormat(L"0");
  EXPECT_EQ(p.EditFormat(), L"0");
}

TEST(TextEditProperties, DisplayTextOfPasswordCaseAndNumbers) {
  TvxTextEditProperties p(nullptr);
  p.SetEchoMode(eemPassword);
  EXPECT_EQ(p.GetDisplayText(Variant(String(L"abc"))), L"***");
  p.SetPasswordChar(L'#');
  EXPECT_EQ(p.GetDisplayText(Variant(String(L"abcd"))), L"####");
  p.SetEchoMode(eemNormal);
  p.SetCharCase(ecUpperCase);
  EXPECT_EQ(p.GetDisplayText(Variant(String(L"abc"))), L"ABC");
  EXPECT_EQ(p.GetDisplayText(Null()), L"");

  NumericProperties n(nullptr);
  n.SetDisplayFormat(L"0.00");
  EXPECT_EQ(n.GetDisplayText(Variant(1.5)), L"1.50");
  EXPECT_EQ(n.GetDisplayText(Variant(String(L"2"))), L"2.00");
  // A text that is no number is shown as it is, not raised.
  EXPECT_EQ(n.GetDisplayText(Variant(String(L"n/a"))), L"n/a");
  Variant display;
  EXPECT_THROW(n.PrepareDisplayValue(VarFromDateTime(2.5), display, false), EConvertError);
  n.PrepareDisplayValue(Null(), display, false);
  EXPECT_EQ(VarToStr(display), L"");
  EXPECT_TRUE(n.CompareDisplayValues(Variant(1.5), Variant(String(L"1.5"))));
}

TEST(TextEditProperties, BoundsLookupAndValidity) {
  TvxTextEditProperties p(nullptr);
  EXPECT_FALSE(p.IsValueBoundsDefined());
  p.SetMinMaxValues(0, 0);
  EXPECT_FALSE(p.IsValueBoundsDefined());  // equal bounds are no bounds
  p.AssignedValues()->SetMinValue(false);
  EXPECT_TRUE(p.IsValueBoundDefined(true));
  EXPECT_FALSE(p.IsValueBoundDefined(false));
  p.SetMinMaxValues(10, 1);
  EXPECT_TRUE(p.IsValueBoundDefined(true));
  EXPECT_TRUE(p.IsValueBoundDefined(false));

  Variant v = String(L"anything");
  EXPECT_TRUE(p.IsDisplayValueValid(v, true));  // esEdit takes any text
  ListProperties l(nullptr);
  l.LookupItems()->Add(L"Alpha");
  l.SetCharCase(ecLowerCase);
  Variant empty = String();
  EXPECT_TRUE(l.IsDisplayValueValid(empty, true));
  Variant a = String(L"ALPHA");
  EXPECT_TRUE(l.IsDisplayValueValid(a, true));
  EXPECT_EQ(VarToStr(a), L"alpha");
  Variant b = String(L"Beta");
  EXPECT_FALSE(l.IsDisplayValueValid(b, true));
  EXPECT_FALSE(l.IsEditValueValid(b, true));
  Variant num = 5;
  EXPECT_TRUE(l.IsEditValueValid(num, true));
}

TEST(TextEditProperties, AssignKeepsLookupOrderAndFlags) {
  TvxTextEditProperties src(nullptr), dst(nullptr);
  src.LookupItems()->Add(L"b");
  src.LookupItems()->Add(L"a");
  src.SetEditFormat(L"0");
  src.SetEchoMode(eemPassword);
  src.OnNewLookupDisplayText = [](TObject*, const String&) {};
  dst.SetDisplayFormat(L"x");
  dst.Assign(&src);
  EXPECT_EQ(dst.LookupItems()->Strings(0), L"b");
  EXPECT_FALSE(dst.LookupItemsSorted());
  EXPECT_FALSE(dst.AssignedValues()->DisplayFormat());
  EXPECT_TRUE(dst.AssignedValues()->EditFormat());
  EXPECT_EQ(dst.EchoMode(), eemPassword);
  EXPECT_TRUE(dst.OnNewLookupDisplayText);
  src.SetLookupItemsSorted(true);
  dst.Assign(&src);
  EXPECT_TRUE(dst.LookupItemsSorted());
  EXPECT_EQ(dst.LookupItems()->Strings(0), L"a");
}

TEST(TextEditProperties, LocaleChangeReachesEveryTextProperties) {
  TvxTextEditProperties p(nullptr);
  int changes = 0;
  bool changingSeen = false;
  p.OnPropertiesChanged = [&](TObject*) {
    ++changes;
    changingSeen = p.FormatChanging();
  };
  GetFormatController()->FormatsChanged();
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(changingSeen);
  EXPECT_FALSE(p.FormatChanging());
}

}  // namespace

namespace {

class TextItem : public TvxEditRepositoryItem {
  DECLARE_CLASS(TextItem, TvxEditRepositoryItem)
 public:
  explicit TextItem(TComponent* AOwner) : TvxEditRepositoryItem(AOwner, TvxTextEditProperties::StaticClass()) {}
  TvxCustomEditPropertiesClass GetEditPropertiesClass() override { return TvxTextEditProperties::StaticClass(); }
};

String AsText(TComponent* C) {
  TMemoryStream binary;
  WriteComponentToStream(&binary, C);
  binary.SetPosition(0);
  TMemoryStream text;
  ObjectBinaryToText(&binary, &text);
  return String(reinterpret_cast<const char*>(text.Memory()),
                reinterpret_cast<const char*>(text.Memory()) + text.Size());
}

TEST(TextEditPropertiesStreaming, OnlyAssignedAndChangedValuesAreWritten) {
  TextItem item(nullptr);
  item.SetName(L"Item");
  auto* p = static_cast<TvxTextEditProperties*>(item.Properties());
  String fresh = AsText(&item);
  EXPECT_EQ(fresh.find(L"MaxLength"), String::npos) << fresh;
  EXPECT_EQ(fresh.find(L"ReadOnly"), String::npos) << fresh;
  EXPECT_EQ(fresh.find(L"Alignment"), String::npos) << fresh;
  p->SetMaxLength(0);
  p->SetReadOnly(false);
  p->SetEchoMode(eemPassword);
  p->Alignment()->SetHorz(taRightJustify);
  p->Buttons()->Add()->SetKind(bkEllipsis);
  p->LookupItems()->Add(L"one");
  const String text = AsText(&item);
  EXPECT_NE(text.find(L"MaxLength = 0"), String::npos) << text;
  EXPECT_NE(text.find(L"ReadOnly = False"), String::npos) << text;
  EXPECT_NE(text.find(L"EchoMode = eemPassword"), String::npos) << text;
  EXPECT_NE(text.find(L"Alignment.Horz = taRightJustify"), String::npos) << text;
  EXPECT_NE(text.find(L"Kind = bkEllipsis"), String::npos) << text;
  EXPECT_NE(text.find(L"'one'"), String::npos) << text;
  // Reading back gives the same settings.
  TextItem copy(nullptr);
  {
    TMemoryStream binary;
    WriteComponentToStream(&binary, &item);
    binary.SetPosition(0);
    ReadComponentFromStream(&binary, &copy);
  }
  auto* q = static_cast<TvxTextEditProperties*>(copy.Properties());
  EXPECT_TRUE(q->AssignedValues()->MaxLength());
  EXPECT_EQ(q->EchoMode(), eemPassword);
  EXPECT_EQ(q->Alignment()->Horz(), taRightJustify);
  ASSERT_EQ(q->Buttons()->Count(), 1);
  EXPECT_EQ(q->Buttons()->Items(0)->Kind(), bkEllipsis);
  EXPECT_EQ(q->LookupItems()->Count(), 1);
  // The text editor does not publish MaxValue: an assigned zero limit is not written.
  p->SetMaxValue(0);
  EXPECT_EQ(AsText(&item).find(L"MaxValue"), String::npos);
}

}  // namespace

namespace {

TEST(TextEditPropertiesStreaming, LegacyDisplayFormatFlagIsRead) {
  const String text = L"object Item: TextItem\r\n  Properties.IsDisplayFormatAssigned = True\r\nend\r\n";
  TextItem item(nullptr);
  TMemoryStream in, binary;
  const std::string utf8(text.begin(), text.end());
  in.Write(utf8.data(), static_cast<Integer>(utf8.size()));
  in.SetPosition(0);
  ObjectTextToBinary(&in, &binary);
  binary.SetPosition(0);
  ReadComponentFromStream(&binary, &item);
  EXPECT_TRUE(static_cast<TvxTextEditProperties*>(item.Properties())->AssignedValues()->DisplayFormat());
}

}  // namespace

}  // namespace ZS_UNITY_ID
