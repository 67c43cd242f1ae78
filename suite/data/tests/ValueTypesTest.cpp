#include <gtest/gtest.h>

#include <cstring>

#include "TestUtils.h"
#include "vxDataStorage.h"

namespace ZS_UNITY_ID {

namespace {

// A value slot with room for the largest type, released on exit.
struct TSlot {
  TvxValueTypeClass Type;
  alignas(8) Byte Data[40] = {};
  explicit TSlot(TvxValueTypeClass AType) : Type(AType) {}
  TSlot(TvxValueTypeClass AType, const Variant& V) : Type(AType) { Type->StoreVariant(Data, V); }
  ~TSlot() { Type->ReleaseData(Data); }
  Pointer Prepared() {
    Pointer p = Data;
    Type->PrepareValueBuffer(p);
    return p;
  }
};

Integer Sign(Integer V) { return V < 0 ? -1 : V > 0 ? 1 : 0; }

TSQLTimeStamp Stamp(SmallInt Y, Word M, Word D) {
  TSQLTimeStamp t;
  t.Year = Y;
  t.Month = M;
  t.Day = D;
  return t;
}

}  // namespace

TEST(ValueTypes, FourteenTypesTable) {
  struct {
    TvxValueTypeClass type;
    const wchar_t* caption;
    Integer dataSize;
    Integer varType;  // -1: a runtime custom type
    Variant low, high;
    size_t streamedBytes;  // the value's stream form in the UTF-16 format
    const wchar_t* text;   // default text of `high`
  } cases[] = {
      {TvxStringValueType::Class(), L"String", 4, varUString, Variant(L"B"), Variant(L"a"), 6, L"a"},
      {TvxWideStringValueType::Class(), L"WideString", 4, varOleStr, Variant(L"B"), Variant(L"a"), 6, L"a"},
      {TvxSmallintValueType::Class(), L"Smallint", 2, varSmallint, Variant(-5), Variant(300), 2, L"300"},
      {TvxIntegerValueType::Class(), L"Integer", 4, varInteger, Variant(-2000000000), Variant(2000000000), 4, L"2000000000"},
      {TvxWordValueType::Class(), L"Word", 2, varWord, Variant(1), Variant(65535), 2, L"65535"},
      {TvxBooleanValueType::Class(), L"Boolean", 1, varBoolean, Variant(false), Variant(true), 1, L"True"},
      {TvxFloatValueType::Class(), L"Float", 8, varDouble, Variant(-0.5), Variant(2.5), 10, L"2.5"},
      {TvxCurrencyValueType::Class(), L"Currency", 8, varCurrency, Variant(Currency::FromScaled(-1)),
       Variant(Currency::FromScaled(15000)), 8, L"1.5"},
      {TvxDateTimeValueType::Class(), L"DateTime", 8, varDate, VarFromDateTime(1.0), VarFromDateTime(2.0), 8, nullptr},
      {TvxLargeIntValueType::Class(), L"LargeInt", 8, varInt64, Variant(-(1LL << 40)), Variant(1LL << 40), 8,
       L"1099511627776"},
      {TvxFMTBcdValueType::Class(), L"FMTBcd", 34, -1, Variant(L"-1.25"), Variant(L"10.5"), 6, L"10.5"},
      {TvxSQLTimeStampValueType::Class(), L"SQLTimeStamp", 16, -1, VarSQLTimeStampCreate(Stamp(2000, 1, 1)),
       VarSQLTimeStampCreate(Stamp(2000, 1, 2)), 9, nullptr},
      {TvxVariantValueType::Class(), L"Variant", 4, varVariant, Variant(1), Variant(L"z"), 7, L"z"},
      {TvxObjectValueType::Class(), L"Object", 4, varInteger, Variant(1), Variant(2), 0, L"2"},
  };
  TvxValueTypeClassList* list = GetValueTypeClassList();
  ASSERT_EQ(list->Count(), 14);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "type " << i);
    EXPECT_EQ(list->Items(static_cast<Integer>(i)), c.type);
    EXPECT_EQ(c.type->Caption(), c.caption);
    EXPECT_EQ(list->ItemByCaption(c.caption), c.type);
    EXPECT_EQ(c.type->DataSize(), c.dataSize);
    if (c.varType >= 0) {
      EXPECT_EQ(c.type->GetVarType(), c.varType);
    }
    if (c.type == TvxObjectValueType::Class()) continue;  // object handles own their objects
    TSlot lo(c.type, c.low), hi(c.type, c.high);
    EXPECT_EQ(Sign(c.type->CompareData(lo.Data, hi.Data)), -1);
    EXPECT_EQ(Sign(c.type->CompareData(hi.Data, lo.Data)), 1);
    EXPECT_EQ(c.type->CompareData(hi.Data, hi.Data), 0);
    EXPECT_EQ(Sign(c.type->CompareValues(lo.Prepared(), hi.Prepared())), -1);
    EXPECT_EQ(VariantCompare(c.type->GetValue(hi.Prepared()), c.type->LoadVariant(hi.Data)), 0);
    if (c.text) {
      EXPECT_EQ(c.type->DefaultText(hi.Data), c.text);
    }
    // Streamed in the UTF-16 form and read back.
    TMemoryStream s;
    TvxFormatStream out(&s, true);
    c.type->StreamOutValue(hi.Data, &out);
    EXPECT_EQ(static_cast<size_t>(s.Size()), c.streamedBytes);
    s.SetPosition(0);
    TvxFormatStream in(&s, true);
    TSlot back(c.type);
    c.type->StreamInValue(back.Data, &in);
    EXPECT_EQ(c.type->CompareData(back.Data, hi.Data), 0);
    EXPECT_EQ(s.Position(), s.Size());
  }
  EXPECT_EQ(list->ItemByCaption(L"string"), nullptr);
}

TEST(ValueTypes, RegistryKeepsOneEntryPerClass) {
  TvxValueTypeClassList list;
  list.RegisterItem(TvxStringValueType::Class());
  list.RegisterItem(TvxStringValueType::Class());
  EXPECT_EQ(list.Count(), 1);
  list.UnregisterItem(TvxIntegerValueType::Class());
  list.UnregisterItem(TvxStringValueType::Class());
  EXPECT_EQ(list.Count(), 0);
}

TEST(ValueTypes, StringCellsAndOrdinalOrder) {
  TvxValueTypeClass t = TvxStringValueType::Class();
  TSlot unassigned(t), empty(t, Variant(L"")), a(t, Variant(L"a")), b(t, Variant(L"B"));
  EXPECT_GT(t->CompareData(a.Data, b.Data), 0);  // code unit 0x61 after 0x42
  EXPECT_LT(t->CompareData(unassigned.Data, empty.Data), 0);
  EXPECT_EQ(t->CompareData(unassigned.Data, TSlot(t).Data), 0);
  EXPECT_TRUE(t->LoadVariant(unassigned.Data).IsNull());
  EXPECT_EQ(unassigned.Prepared(), nullptr);
}

TEST(ValueTypes, TimeStampsCompareFieldByField) {
  TvxValueTypeClass t = TvxSQLTimeStampValueType::Class();
  TSlot y2000(t), yNeg(t);
  TSQLTimeStamp pos = Stamp(2000, 1, 1);
  std::memcpy(y2000.Data, &pos, 16);
  TSQLTimeStamp neg = Stamp(-1, 1, 1);
  std::memcpy(yNeg.Data, &neg, 16);
  EXPECT_GT(t->CompareData(yNeg.Data, y2000.Data), 0);
}

TEST(ValueTypes, ValidityAndConversionErrors) {
  struct {
    TvxValueTypeClass type;
    Variant value;
    bool valid;
    Variant converted;
  } cases[] = {
      {TvxIntegerValueType::Class(), Variant(L"12"), true, Variant(12)},
      {TvxIntegerValueType::Class(), Variant(L"x"), false, Variant(L"x")},
      {TvxIntegerValueType::Class(), Null(), true, Null()},
      {TvxVariantValueType::Class(), Variant(L"x"), true, Variant(L"x")},
      {TvxFloatValueType::Class(), Variant(L"1.5"), true, Variant(1.5)},
      {TvxBooleanValueType::Class(), Variant(L"maybe"), false, Variant(L"maybe")},
  };
  for (auto& c : cases) {
    Variant v = c.value;
    EXPECT_EQ(c.type->IsValueValid(v), c.valid) << c.type->Caption();
    EXPECT_EQ(VarType(v), VarType(c.converted));
    EXPECT_EQ(VariantCompare(v, c.converted), 0);
  }
  TSlot slot(TvxIntegerValueType::Class(), Variant(5));
  EXPECT_THROW(TvxIntegerValueType::Class()->StoreVariant(slot.Data, Variant(L"x")), EVariantError);
  EXPECT_EQ(TvxIntegerValueType::Class()->LoadVariant(slot.Data).AsInteger(), 5);
}

TEST(ValueTypes, TextCellsStreamInBothForms) {
  Byte cell[4] = {};
  TvxValueType::StoreText(cell, L"\u65E5\u672C abc");
  TMemoryStream wide, ansi;
  TvxFormatStream w(&wide, true), a(&ansi, false);
  TvxValueType::StreamOutText(cell, &w);
  TvxValueType::StreamOutText(cell, &a);
  EXPECT_EQ(wide.Size(), 4 + 6 * 2);
  EXPECT_EQ(ansi.Size(), 4 + 8);  // code page 932: two bytes per kanji
  Byte back[4] = {};
  ansi.SetPosition(0);
  TvxFormatStream ar(&ansi, false);
  TvxValueType::StreamInText(back, &ar);
  EXPECT_EQ(TvxValueType::StoredText(back), L"\u65E5\u672C abc");
  TvxValueType::ReleaseText(cell);
  TvxValueType::ReleaseText(back);
  EXPECT_EQ(TvxValueType::StoredText(cell), L"");
}

}  // namespace ZS_UNITY_ID
