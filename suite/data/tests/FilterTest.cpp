#include <gtest/gtest.h>

#include "FilterTestUtils.h"
#include "TestUtils.h"

namespace ZS_UNITY_ID {

namespace {

class FilterCriteria : public ::testing::Test {
 protected:
  void SetUp() override {
    Name = C.AddField(L"Name", L"名前", 10);
    Qty = C.AddField(L"Qty", L"数量", 20);
    When = C.AddField(L"When", L"日付", 30);
  }
  TTestFilterCriteria C;
  TTestFilterField* Name = nullptr;
  TTestFilterField* Qty = nullptr;
  TTestFilterField* When = nullptr;
};

// Each operator: its comparison of a record value with the condition value, and its texts.
TEST_F(FilterCriteria, OperatorTable) {
  struct Case {
    TvxFilterOperatorKind Kind;
    Variant Value;
    Variant Record;
    bool Passes;
    const wchar_t* Filter;
    const wchar_t* Display;
  } cases[] = {
      {foEqual, 5, 5, true, L"=", L"equals"},
      {foEqual, 5, 6, false, L"=", L"equals"},
      {foNotEqual, 5, 6, true, L"<>", L"does not equal"},
      {foLess, 5, 4, true, L"<", L"is less than"},
      {foLess, 5, 5, false, L"<", L"is less than"},
      {foLessEqual, 5, 5, true, L"<=", L"is less than or equal to"},
      {foGreater, 5, 5, false, L">", L"is greater than"},
      {foGreaterEqual, 5, 5, true, L">=", L"is greater than or equal to"},
      {foLike, L"ab%", L"abc", true, L"LIKE", L"begins with"},
      {foLike, L"%bc", L"abc", true, L"LIKE", L"ends with"},
      {foLike, L"%b%", L"xyz", false, L"LIKE", L"contains"},
      {foLike, L"a_c", L"abc", true, L"LIKE", L"like"},
      {foNotLike, L"ab%", L"abc", false, L"NOT LIKE", L"does not begin with"},
      {foNotLike, L"%z", L"abc", true, L"NOT LIKE", L"does not end with"},
      {foNotLike, L"%z%", L"abc", true, L"NOT LIKE", L"does not contain"},
      {foNotLike, L"z", L"abc", true, L"NOT LIKE", L"not like"},
      {foBetween, MakeVariantPair(2, 4), 4, true, L"BETWEEN", L"between"},
      {foBetween, MakeVariantPair(2, 4), 5, false, L"BETWEEN", L"between"},
      {foNotBetween, MakeVariantPair(2, 4), 5, true, L"NOT BETWEEN", L"not between"},
      {foInList, VarArrayOf({1, 3, 5}), 3, true, L"IN", L"in"},
      {foInList, VarArrayOf({1, 3, 5}), 4, false, L"IN", L"in"},
      {foNotInList, VarArrayOf({1, 3, 5}), 4, true, L"NOT IN", L"not in"},
      {foEqual, Null(), Null(), true, L"=", L"is blank"},
      {foLike, Null(), 1, false, L"=", L"is blank"},
      {foNotEqual, Null(), 1, true, L"<>", L"is not blank"},
      {foNotLike, Null(), Null(), false, L"<>", L"is not blank"},
  };
  for (const Case& c : cases) {
    C.Clear();
    TvxFilterCriteriaItem* item = C.AddItem(nullptr, Qty, c.Kind, c.Value, L"");
    const TTestFilterRecord rec{Null(), c.Record, Null()};
    EXPECT_EQ(C.Passes(rec), c.Passes) << c.Filter << L" " << VarToStr(c.Record);
    EXPECT_EQ(item->Operator()->FilterText(), c.Filter);
    EXPECT_EQ(item->Operator()->DisplayText(), c.Display);
  }
}

TEST_F(FilterCriteria, InListUsesTheVariantTypesEquality) {
  // A string and a number that sort as equal by the three-way comparison are not equal
  // by the variant type's equality when the string is not that number.
  C.AddItem(nullptr, Qty, foInList, VarArrayOf({L"abc"}), L"");
  EXPECT_TRUE(C.Passes({Null(), L"abc", Null()}));
  EXPECT_FALSE(C.Passes({Null(), L"ABC", Null()}));
}

TEST_F(FilterCriteria, NullHandlingOptions) {
  C.AddItem(nullptr, Name, foEqual, L"", L"");
  EXPECT_EQ(C.Root()->Count(), 1);
  auto* item = static_cast<TvxFilterCriteriaItem*>(C.Root()->Items(0));
  EXPECT_FALSE(item->Operator()->IsNullOperator());
  C.SetOptions({fcoSoftNull});
  C.Refresh();
  EXPECT_TRUE(item->Operator()->IsNullOperator());
  EXPECT_TRUE(C.Passes({L"", 0, Null()}));
  EXPECT_TRUE(C.Passes({Null(), 0, Null()}));

  C.Clear();
  C.SetOptions({fcoIgnoreNull});
  C.AddItem(nullptr, Qty, foNotEqual, 5, L"");
  EXPECT_FALSE(C.Passes({Null(), Null(), Null()}));
  EXPECT_TRUE(C.Passes({Null(), 4, Null()}));
  C.Clear();
  C.AddItem(nullptr, Qty, foEqual, Null(), L"");
  EXPECT_TRUE(C.Passes({Null(), Null(), Null()}));
  EXPECT_EQ(static_cast<TvxFilterCriteriaItem*>(C.Root()->Items(0))->DisplayValue(), L"blank");
}

TEST_F(FilterCriteria, CaseInsensitiveAndSoftCompare) {
  C.AddItem(nullptr, Name, foLike, L"ab%", L"");
  EXPECT_FALSE(C.Passes({L"ABC", 0, Null()}));
  C.SetOptions({fcoCaseInsensitive});
  EXPECT_TRUE(C.Passes({L"ABC", 0, Null()}));
  C.Clear();
  C.AddItem(nullptr, Qty, foBetween, 5, L"");  // not a pair: the comparison raises
  EXPECT_THROW(C.Passes({Null(), 5, Null()}), EVariantError);
  C.SetOptions({fcoSoftCompare});
  EXPECT_FALSE(C.Passes({Null(), 5, Null()}));
}

TEST_F(FilterCriteria, GroupsCombineEveryChild) {
  // A true, B false.
  const TTestFilterRecord rec{L"a", 1, Null()};
  struct Case {
    TvxFilterBoolOperatorKind Kind;
    bool Passes;
    const wchar_t* Text;
  } cases[] = {
      {fboAnd, false, L"(Name = 'a') AND (Qty = 2)"},
      {fboOr, true, L"(Name = 'a') OR (Qty = 2)"},
      {fboNotAnd, true, L"NOT ((Name = 'a') AND (Qty = 2))"},
      {fboNotOr, false, L"NOT ((Name = 'a') OR (Qty = 2))"},
  };
  for (const Case& c : cases) {
    C.Clear();
    C.Root()->SetBoolOperatorKind(c.Kind);
    C.AddItem(nullptr, Name, foEqual, L"a", L"a");
    C.AddItem(nullptr, Qty, foEqual, 2, L"2");
    EXPECT_EQ(C.Passes(rec), c.Passes) << c.Text;
    EXPECT_EQ(C.FilterText(), c.Text);
  }
  C.Clear();
  EXPECT_TRUE(C.Passes(rec));
  EXPECT_EQ(C.FilterText(), L"");
  C.Root()->SetBoolOperatorKind(fboNotAnd);
  C.AddItem(nullptr, Name, foEqual, L"a", L"a");
  EXPECT_EQ(C.FilterText(), L"NOT ((Name = 'a'))");
  C.Clear();
  TvxFilterCriteriaItemList* g = C.Root()->AddItemList(fboOr);
  C.AddItem(g, Name, foEqual, L"it's", L"it's");
  C.AddItem(g, Qty, foGreater, 3, L"3");
  C.AddItem(nullptr, Qty, foLess, 9, L"9");
  EXPECT_EQ(C.FilterText(), L"((Name = 'it''s') OR (Qty > 3)) AND (Qty < 9)");
  EXPECT_EQ(C.FilterCaption(), L"((名前 = it's) or (数量 > 3)) and (数量 < 9)");
}

TEST_F(FilterCriteria, ExpressionsAndCaptions) {
  C.SetTranslateBetween(true);
  C.SetTranslateIn(true);
  C.SetTranslateLike(true);
  struct Case {
    TvxFilterOperatorKind Kind;
    Variant Value;
    const wchar_t* Display;
    const wchar_t* Text;
    const wchar_t* Caption;
  } cases[] = {
      {foBetween, MakeVariantPair(1, 5), L"1;5", L"(Qty >= 1) AND (Qty <= 5)", L"数量 between 1 and 5"},
      {foNotBetween, MakeVariantPair(1, Null()), L"1; ", L"NOT ((Qty >= 1) AND (Qty <= NULL))",
       L"数量 not between 1 and blank"},
      {foInList, VarArrayOf({1, 2}), L"1;2", L"(Qty = 1) OR (Qty = 2)", L"数量 in (1, 2)"},
      {foNotInList, VarArrayOf({1, 2}), L"1; 2", L"NOT ((Qty = 1) OR (Qty = 2))", L"数量 not in (1, 2)"},
      {foNotLike, L"a%", L"a%", L" NOT (Qty LIKE 'a%')", L"数量 NOT LIKE a%"},
  };
  for (const Case& c : cases) {
    C.Clear();
    C.AddItem(nullptr, Qty, c.Kind, c.Value, c.Display);
    EXPECT_EQ(C.FilterText(), String(L"(") + c.Text + L")");
    EXPECT_EQ(C.FilterCaption(), String(L"(") + c.Caption + L")");
  }
  // Without the translation the values are written inline.
  C.SetTranslateBetween(false);
  C.SetTranslateIn(false);
  C.Clear();
  C.AddItem(nullptr, Qty, foBetween, MakeVariantPair(1, 5), L"1;5");
  EXPECT_EQ(C.FilterText(), L"(Qty BETWEEN 1 AND 5)");
  C.Clear();
  C.AddItem(nullptr, Name, foInList, VarArrayOf({L"a", L"b"}), L"a;b");
  EXPECT_EQ(C.FilterText(), L"(Name IN ('a', 'b'))");
  // A multi-field key: one comparison per element.
  TTestFilterField* key = C.AddField(L"A;B", L"AB", 40);
  C.Clear();
  C.AddItem(nullptr, key, foNotEqual, VarArrayOf({1, L"x"}), L"");
  EXPECT_EQ(C.FilterText(), L"(NOT ((A = 1) AND (B = 'x')))");
  // Operator descriptions in captions, with the LIKE wildcards stripped.
  C.Clear();
  C.SetOptions({fcoShowOperatorDescription});
  C.AddItem(nullptr, Name, foLike, L"%ab%", L"%ab%");
  EXPECT_EQ(C.FilterCaption(), L"(名前 contains ab)");
  C.Clear();
  C.AddItem(nullptr, Name, foEqual, Null(), L"");
  EXPECT_EQ(C.FilterCaption(), L"(名前 is blank)");
}

TEST(FilterDateRange, MonthAndYearEnds) {
  struct Case {
    TvxFilterOperatorKind Kind;
    TDateTime Today;
    TDateTime From, To;
  } cases[] = {
      {foLastMonth, EncodeDate(2026, 1, 15), EncodeDate(2025, 12, 1), EncodeDate(2026, 1, 1)},
      {foNextMonth, EncodeDate(2026, 11, 30), EncodeDate(2026, 12, 1), EncodeDate(2027, 1, 1)},
      {foNextMonth, EncodeDate(2026, 12, 31), EncodeDate(2027, 1, 1), EncodeDate(2027, 2, 1)},
      {foThisMonth, EncodeDate(2024, 2, 29), EncodeDate(2024, 2, 1), EncodeDate(2024, 3, 1)},
      {foLastYear, EncodeDate(2026, 1, 1), EncodeDate(2025, 1, 1), EncodeDate(2026, 1, 1)},
      {foNextYear, EncodeDate(2026, 12, 31), EncodeDate(2027, 1, 1), EncodeDate(2028, 1, 1)},
      {foYesterday, EncodeDate(2026, 3, 1), EncodeDate(2026, 2, 28), EncodeDate(2026, 3, 1)},
      {foLast7Days, EncodeDate(2026, 3, 10), EncodeDate(2026, 3, 4), EncodeDate(2026, 3, 11)},
      {foNext14Days, EncodeDate(2026, 3, 10), EncodeDate(2026, 3, 10), EncodeDate(2026, 3, 24)},
      {foInPast, EncodeDate(2026, 3, 10), 0, EncodeDate(2026, 3, 10)},
      {foInFuture, EncodeDate(2026, 3, 10), EncodeDate(2026, 3, 11), 0},
  };
  for (const Case& c : cases) {
    TDateTime d1 = -1, d2 = -1;
    ASSERT_TRUE(vxFilterDateRange(c.Kind, c.Today, c.Today, d1, d2));
    EXPECT_EQ(d1, c.From) << int(c.Kind);
    EXPECT_EQ(d2, c.To) << int(c.Kind);
  }
  // On a Monday whose week starts that day, last week is the previous Monday up to today.
  const TDateTime monday = EncodeDate(2026, 12, 7);
  TDateTime d1, d2;
  vxFilterDateRange(foLastWeek, monday, monday, d1, d2);
  EXPECT_EQ(d1, EncodeDate(2026, 11, 30));
  EXPECT_EQ(d2, monday);
  EXPECT_FALSE(vxFilterDateRange(foEqual, monday, monday, d1, d2));
}

TEST_F(FilterCriteria, DateOperatorsUseTodaysRange) {
  const TDateTime today = Date();
  C.AddItem(nullptr, When, foToday, Null(), L"");
  EXPECT_TRUE(C.Passes({Null(), 0, Variant(today + 0.5, varDateTag)}));
  EXPECT_FALSE(C.Passes({Null(), 0, Variant(today + 1, varDateTag)}));
  EXPECT_FALSE(C.Passes({Null(), 0, Null()}));
  C.SetDateTimeFormat(L"yyyy-mm-dd");
  const String t0 = FormatDateTime(L"yyyy-mm-dd", today), t1 = FormatDateTime(L"yyyy-mm-dd", today + 1);
  EXPECT_EQ(C.FilterText(), L"((When >= '" + t0 + L"') AND (When < '" + t1 + L"'))");
  EXPECT_EQ(C.FilterCaption(), L"(日付 is today)");
}

TEST_F(FilterCriteria, ChangesAreReportedOncePerUpdate) {
  C.ChangedCount = 0;
  C.BeginUpdate();
  C.AddItem(nullptr, Name, foEqual, L"a", L"a");
  C.AddItem(nullptr, Qty, foEqual, 1, L"1");
  C.SetPercentWildcard(L'*');
  EXPECT_EQ(C.ChangedCount, 0);
  C.EndUpdate();
  EXPECT_EQ(C.ChangedCount, 1);
  C.RemoveItemByItemLink(When);  // nothing has that link
  EXPECT_EQ(C.ChangedCount, 1);
}

TEST_F(FilterCriteria, RemovingByLinkTidiesGroups) {
  TvxFilterCriteriaItemList* g = C.Root()->AddItemList(fboOr);
  C.AddItem(g, Name, foEqual, L"a", L"a");
  C.AddItem(g, Qty, foEqual, 1, L"1");
  C.AddItem(nullptr, When, foToday, Null(), L"");
  TvxFilterCriteriaItemList* lone = C.Root()->AddItemList(fboAnd);
  C.AddItem(lone, Name, foEqual, L"b", L"b");
  C.ChangedCount = 0;
  C.RemoveItemByItemLink(Name);
  EXPECT_EQ(C.ChangedCount, 1);
  // The OR group is left with Qty, which moves to the end; the group of one is gone.
  ASSERT_EQ(C.Root()->Count(), 2);
  EXPECT_EQ(static_cast<TvxFilterCriteriaItem*>(C.Root()->Items(0))->ItemLink(), When);
  EXPECT_EQ(static_cast<TvxFilterCriteriaItem*>(C.Root()->Items(1))->ItemLink(), Qty);
  EXPECT_EQ(C.FindItemByItemLink(Name), nullptr);
}

TEST_F(FilterCriteria, StreamRoundTripAndLinkResolution) {
  TvxFilterCriteriaItemList* g = C.Root()->AddItemList(fboNotOr);
  C.AddItem(g, Name, foLike, L"東京%", L"東京%");
  C.AddItem(g, Qty, foBetween, MakeVariantPair(1, 5), L"1;5");
  C.AddItem(nullptr, When, foThisYear, Null(), L"");
  const String text = C.FilterText();
  C.Root()->AddItemList(fboAnd);  // an empty group is not kept by a reader

  for (Byte version : {Byte(2), Byte(3)}) {
    C.SetVersion(version);
    TMemoryStream s;
    C.WriteData(&s);
    s.SetPosition(0);
    TTestFilterCriteria R;
    R.AddField(L"Name", L"", 10);
    R.AddField(L"Qty", L"", 20);
    R.AddField(L"When", L"", 30);
    R.ReadData(&s);
    EXPECT_EQ(R.LoadedVersion(), version);
    EXPECT_EQ(R.FilterText(), text);
    EXPECT_EQ(R.Root()->Count(), 2);
  }
  // Version 3 prefers the name; version 2 has only the ID.
  C.SetVersion(3);
  TMemoryStream s3;
  C.WriteData(&s3);
  TTestFilterCriteria R;
  R.AddField(L"Qty", L"", 10);  // the ID of Name in the writer
  R.AddField(L"Name", L"", 99);
  s3.SetPosition(0);
  R.ReadData(&s3);
  auto* first = static_cast<TvxFilterCriteriaItemList*>(R.Root()->Items(0));
  EXPECT_EQ(static_cast<TTestFilterField*>(static_cast<TvxFilterCriteriaItem*>(first->Items(0))->ItemLink())->Name,
            L"Name");
}

// Crafted streams: each is refused with the stream format error and the criteria keeps
// its tree and reports nothing.
TEST_F(FilterCriteria, MalformedStreamsLeaveTheCriteriaUnchanged) {
  C.AddItem(nullptr, Name, foEqual, L"keep", L"keep");
  const String before = C.FilterText();
  auto i32 = [](Integer v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto condition = [&](char op, Integer chars) {
    return std::string("\0", 1) + "VDUFMT" + std::string(1, op) + i32(chars);
  };
  std::string deep = i32(-1) + std::string(1, '\0') + i32(1);
  for (int i = 0; i < 100; ++i) deep += std::string("\1\0", 2) + i32(1);
  struct Case {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"version code", i32(-3)},
      {"root kind", i32(-1) + "\x07" + i32(0)},
      {"negative count", i32(-1) + std::string(1, '\0') + i32(-5)},
      {"count past the end", i32(-1) + std::string(1, '\0') + i32(1000000)},
      {"version 1 count past the end", i32(50000)},
      {"is-list byte", i32(-1) + std::string(1, '\0') + i32(1) + "\x02" + std::string(10, '\0')},
      {"group kind", i32(-1) + std::string(1, '\0') + i32(1) + "\x01\x09" + i32(0)},
      {"operator kind", i32(-1) + std::string(1, '\0') + i32(1) + condition(char(60), 0) + i32(10) + "\x01"},
      {"string length", i32(-1) + std::string(1, '\0') + i32(1) + condition(0, 0x40000000)},
      {"negative string length", i32(-1) + std::string(1, '\0') + i32(1) + condition(0, -2)},
      {"nesting", deep},
  };
  for (const Case& c : cases) {
    TMemoryStream s;
    LoadBytes(s, c.Bytes);
    C.ChangedCount = 0;
    EXPECT_EQ(RaisedMessage([&] { C.ReadData(&s); }), L"Invalid stream format") << c.What;
    EXPECT_EQ(C.FilterText(), before) << c.What;
    EXPECT_EQ(C.ChangedCount, 0) << c.What;
    EXPECT_EQ(C.LockCount(), 0) << c.What;
  }
  // A stream that ends early raises the read error, also changing nothing.
  TMemoryStream s;
  LoadBytes(s, i32(-1) + std::string(1, '\0') + i32(1) + condition(0, 2) + "a");
  EXPECT_NE(RaisedMessage([&] { C.ReadData(&s); }), L"");
  EXPECT_EQ(C.FilterText(), before);
}

TEST_F(FilterCriteria, AssignCopiesItemsAndAFailedWriteLosesNothing) {
  TTestFilterCriteria Src;
  TTestFilterField* n = Src.AddField(L"Name", L"", 10);
  Src.AddItem(nullptr, n, foLike, L"x%", L"x%");
  Src.SetOptions({fcoCaseInsensitive});
  C.AddItem(nullptr, Qty, foEqual, 7, L"7");
  C.Assign(&Src);
  EXPECT_EQ(C.FilterText(), L"(Name LIKE 'x%')");
  EXPECT_TRUE(C.Options().Contains(fcoCaseInsensitive));
  EXPECT_TRUE(C.EqualItems(&Src, false));

  C.Clear();
  C.AddItem(nullptr, Qty, foEqual, 7, L"7");
  Src.FailWrites = true;
  EXPECT_THROW(C.AssignItems(&Src, false), EWriteError);
  EXPECT_EQ(C.FilterText(), L"(Qty = 7)");
  EXPECT_EQ(C.LockCount(), 0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
