#include <gtest/gtest.h>

#include "TypInfo.h"
#include "vxCheckBox.h"

namespace ZS_UNITY_ID {

namespace {

class Captions : public IvxCheckItems {
 public:
  Captions(std::initializer_list<const wchar_t*> ACaptions) : FCaptions(ACaptions.begin(), ACaptions.end()) {}
  explicit Captions(size_t ACount) : FCaptions(ACount, L"x") {}
  String GetCaption(Integer Index) override { return FCaptions.at(static_cast<size_t>(Index)); }
  Integer GetCount() override { return static_cast<Integer>(FCaptions.size()); }

 private:
  std::vector<String> FCaptions;
};

String Write(const TvxCheckStates& AStates, IvxCheckItems& AItems, TvxCheckStatesValueFormatEx AFormat) {
  Variant value;
  CheckStatesToEditValue(AStates, &AItems, AFormat, value);
  return VarToStr(value);
}

TEST(CheckStateFormats, WriteEachFormatAndReadBack) {
  Captions items{L"Apple", L"Kiwi", L"Fig"};
  struct Case {
    TvxCheckStates States;
    TvxCheckStatesValueFormatEx Format;
    const wchar_t* Text;
  } cases[] = {
      {{cbsChecked, cbsUnchecked, cbsGrayed}, cvfCaptions, L"3:Fig;5:Apple"},
      {{cbsChecked, cbsUnchecked, cbsGrayed}, cvfIndices, L"2;0"},
      {{cbsChecked, cbsUnchecked, cbsGrayed}, cvfStatesString, L"102"},
      {{cbsUnchecked, cbsUnchecked, cbsGrayed}, cvfCaptions, L"3:Fig"},
      {{cbsChecked, cbsUnchecked, cbsUnchecked}, cvfCaptions, L";5:Apple"},
      {{cbsUnchecked, cbsUnchecked, cbsUnchecked}, cvfCaptions, L""},
      {{cbsChecked, cbsChecked, cbsGrayed}, cvfIndices, L"2;0,1"},
      {{cbsGrayed, cbsGrayed, cbsChecked}, cvfCaptions, L"5:Apple4:Kiwi;3:Fig"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Write(c.States, items, c.Format), c.Text) << c.Text;
    TvxCheckStates read;
    EXPECT_TRUE(EditValueToCheckStates(Variant(c.Text), &items, c.Format, read)) << c.Text;
    EXPECT_EQ(read, c.States) << c.Text;
  }
}

TEST(CheckStateFormats, IntegerKeepsCheckedItemsOnly) {
  Captions items{L"Apple", L"Kiwi", L"Fig"};
  Variant value;
  CheckStatesToEditValue({cbsChecked, cbsUnchecked, cbsGrayed}, &items, cvfInteger, value);
  EXPECT_EQ(VarType(value), varInt64);
  EXPECT_EQ(value.AsInt64(), 1);
  TvxCheckStates read;
  EXPECT_TRUE(EditValueToCheckStates(Variant(5), &items, cvfInteger, read));
  EXPECT_EQ(read, (TvxCheckStates{cbsChecked, cbsUnchecked, cbsChecked}));
  EXPECT_TRUE(EditValueToCheckStates(Variant(L"2"), &items, cvfInteger, read));
  EXPECT_EQ(read, (TvxCheckStates{cbsUnchecked, cbsChecked, cbsUnchecked}));
  EXPECT_TRUE(EditValueToCheckStates(Null(), &items, cvfInteger, read));
  EXPECT_EQ(read, (TvxCheckStates{cbsUnchecked, cbsUnchecked, cbsUnchecked}));
  EXPECT_FALSE(EditValueToCheckStates(Variant(L"two"), &items, cvfInteger, read));
}

TEST(CheckStateFormats, IntegerCoversTheFirst64Items) {
  Captions items(70);
  TvxCheckStates all(70, cbsChecked);
  Variant value;
  CheckStatesToEditValue(all, &items, cvfInteger, value);
  EXPECT_EQ(value.AsInt64(), -1);
  TvxCheckStates read;
  EXPECT_TRUE(EditValueToCheckStates(Variant(-1LL), &items, cvfInteger, read));
  ASSERT_EQ(read.size(), 70u);
  for (size_t i = 0; i < 70; ++i) EXPECT_EQ(read[i], i < 64 ? cbsChecked : cbsUnchecked) << i;
}

TEST(CheckStateFormats, CaptionsMatchWithoutCase) {
  Captions items{L"Apple", L"Kiwi"};
  TvxCheckStates read;
  EXPECT_TRUE(EditValueToCheckStates(Variant(L";5:apple"), &items, cvfCaptions, read));
  EXPECT_EQ(read, (TvxCheckStates{cbsChecked, cbsUnchecked}));
  EXPECT_TRUE(EditValueToCheckStates(Variant(L"5:Apple"), &items, cvfCaptions, read));
  EXPECT_EQ(read, (TvxCheckStates{cbsGrayed, cbsUnchecked}));
}

TEST(CheckStateFormats, BadTextsFailAndUncheckEverything) {
  Captions items{L"Apple", L"Kiwi", L"Fig", L"Plum"};
  struct Case {
    TvxCheckStatesValueFormatEx Format;
    const wchar_t* Text;
  } cases[] = {
      {cvfCaptions, L"9:Apple"},          // runs past the end
      {cvfCaptions, L";5:Apple5:Mango"},  // no item has that caption
      {cvfCaptions, L"5Apple"},           // no colon
      {cvfCaptions, L"2147483648:x"},     // length overflows
      {cvfCaptions, L";;5:Apple"},        // second semicolon
      {cvfIndices, L"1,,2"},
      {cvfIndices, L"4"},  // index beyond the items
      {cvfIndices, L"1;x"},
      {cvfIndices, L"2147483648"},
      {cvfStatesString, L"13"},
  };
  for (const Case& c : cases) {
    TvxCheckStates read{cbsChecked};
    EXPECT_FALSE(EditValueToCheckStates(Variant(c.Text), &items, c.Format, read)) << c.Text;
    EXPECT_EQ(read, TvxCheckStates(4, cbsUnchecked)) << c.Text;
  }
  TvxCheckStates read;
  EXPECT_FALSE(EditValueToCheckStates(Variant(1), &items, cvfCaptions, read));  // not a text
  EXPECT_FALSE(EditValueToCheckStates(Variant(L""), &items, cvfCustom, read));
  Variant value = 5;
  CheckStatesToEditValue({cbsChecked}, &items, cvfCustom, value);
  EXPECT_TRUE(VarIsNull(value));
}

TEST(CheckStateFormats, StatesStringReadsWhatItHas) {
  Captions items{L"a", L"b", L"c", L"d"};
  TvxCheckStates read;
  EXPECT_TRUE(EditValueToCheckStates(Variant(L"12"), &items, cvfStatesString, read));
  EXPECT_EQ(read, (TvxCheckStates{cbsChecked, cbsGrayed, cbsUnchecked, cbsUnchecked}));
  EXPECT_TRUE(EditValueToCheckStates(Variant(L"1111222"), &items, cvfStatesString, read));  // extra ignored
  EXPECT_EQ(read, TvxCheckStates(4, cbsChecked));
  EXPECT_TRUE(EditValueToCheckStates(Null(), &items, cvfIndices, read));
  EXPECT_EQ(read, TvxCheckStates(4, cbsUnchecked));
}

TEST(CheckStateFormats, ParseCheckNumberLimits) {
  struct Case {
    const wchar_t* Text;
    bool Ok;
    Integer Number;
    size_t End;
  } cases[] = {
      {L"2147483647", true, 2147483647, 10}, {L"2147483648", false, 0, 0}, {L"12:x", true, 12, 2},
      {L"x", false, 0, 0},                   {L"", false, 0, 0},          {L"0007", true, 7, 4},
  };
  for (const Case& c : cases) {
    size_t pos = 0;
    Integer number = -1;
    EXPECT_EQ(ParseCheckNumber(c.Text, pos, number), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(number, c.Number) << c.Text;
      EXPECT_EQ(pos, c.End) << c.Text;
    }
  }
}

TEST(CaptionItems, SortedCollectionReordersOnCaptionChange) {
  TvxCaptionItems items(nullptr, TvxCaptionItem::StaticClass());
  for (const wchar_t* caption : {L"pear", L"Apple", L"fig"}) items.Add()->SetCaption(caption);
  EXPECT_EQ(items.GetCaption(0), L"pear");
  items.SetSorted(true);
  EXPECT_EQ(items.GetCaption(0), L"Apple");
  EXPECT_EQ(items.GetCaption(1), L"fig");
  EXPECT_EQ(items.GetCaption(2), L"pear");
  items.Items(0)->SetCaption(L"zucchini");
  EXPECT_EQ(items.GetCaption(2), L"zucchini");
  EXPECT_EQ(items.GetCount(), 3);

  TvxCaptionItems copy(nullptr, TvxCaptionItem::StaticClass());
  TvxCaptionItem* item = copy.Add();
  items.Items(0)->SetTag(5);
  item->Assign(items.Items(0));
  EXPECT_EQ(item->Caption(), L"fig");
  EXPECT_EQ(item->Tag(), 5);
  EXPECT_TRUE(item->IsTagStored());

  // Published: the caption always, the tag only when it is not 0.
  SetStrProp(item, L"Caption", L"plum");
  EXPECT_EQ(item->Caption(), L"plum");
  EXPECT_TRUE(IsStoredProp(item, L"Tag"));
  item->SetTag(0);
  EXPECT_FALSE(IsStoredProp(item, L"Tag"));
}

}  // namespace

}  // namespace ZS_UNITY_ID
