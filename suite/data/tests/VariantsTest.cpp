#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "FMTBcd.h"
#include "SqlTimSt.h"
#include "TestUtils.h"
#include "vxDataUtils.h"
#include "vxVariants.h"

namespace ZS_UNITY_ID {

namespace {

std::string Tagged(const Variant& V) {
  TMemoryStream s;
  WriteVariantToStream(&s, V);
  return StreamBytes(s);
}

Variant FromTagged(const std::string& Bytes) {
  TMemoryStream s;
  LoadBytes(s, Bytes);
  return ReadVariantFromStream(&s);
}

}  // namespace

TEST(TaggedVariant, WrittenForms) {
  struct {
    const char* name;
    Variant value;
    std::string bytes;
  } cases[] = {
      {"int 127", Variant(127), std::string("\x02\x7F", 2)},
      {"int -128", Variant(-128), std::string("\x02\x80", 2)},
      {"int 128", Variant(128), std::string("\x03\x80\x00", 3)},
      {"int 40000", Variant(40000), std::string("\x04\x40\x9C\x00\x00", 5)},
      {"int64 2^32", Variant(static_cast<long long>(1) << 32), std::string("\x13\x00\x00\x00\x00\x01\x00\x00\x00", 9)},
      {"byte 200", Variant(static_cast<Byte>(200)), std::string("\x03\xC8\x00", 3)},
      {"empty", Variant(), std::string("\x0D", 1)},
      {"null", Null(), std::string("\x00", 1)},
      {"true", Variant(true), std::string("\x09", 1)},
      {"false", Variant(false), std::string("\x08", 1)},
      {"ansi", Variant(AnsiString("ab")), std::string("\x06\x02" "ab", 4)},
      {"wide", Variant(String(L"\u65E5")), std::string("\x12\x01\x00\x00\x00\xE5\x65", 7)},
      {"single", Variant(1.0f), std::string("\x0F\x00\x00\x80\x3F", 5)},
      {"currency", Variant(Currency::FromScaled(12345)), std::string("\x10\x39\x30\x00\x00\x00\x00\x00\x00", 9)},
      {"double 1.0", Variant(1.0), std::string("\x05\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x3F", 11)},
  };
  for (const auto& c : cases) EXPECT_EQ(Tagged(c.value), c.bytes) << c.name;

  EXPECT_EQ(Tagged(Variant(AnsiString(255, 'x'))).substr(0, 2), std::string("\x06\xFF", 2));
  EXPECT_EQ(Tagged(Variant(AnsiString(256, 'x'))).substr(0, 5), std::string("\x0C\x00\x01\x00\x00", 5));
  EXPECT_EQ(Tagged(VarArrayOf({Variant(1), Variant(true)})), std::string("\x01\x02\x02\x02\x01\x09", 6));
  EXPECT_EQ(Tagged(Variant(VarFromDateTime(2.5))).size(), 9u);
  // A time stamp is written as the date it stands for.
  TSQLTimeStamp ts;
  ts.Year = 2000;
  ts.Month = 1;
  ts.Day = 2;
  EXPECT_EQ(Tagged(VarSQLTimeStampCreate(ts))[0], '\x11');
  // A BCD value is written as its text.
  EXPECT_EQ(Tagged(VarFMTBcdCreate(StrToBcd(L"12.5"))), std::string("\x06\x04" "12.5", 6));
}

TEST(TaggedVariant, ReadBackTypesAndValues) {
  struct {
    Variant value;
    TVarType type;
  } cases[] = {
      {Variant(5), varShortInt},
      {Variant(1000), varSmallint},
      {Variant(100000), varInteger},
      {Variant(static_cast<long long>(1) << 40), varInt64},
      {Variant(2.25), varDouble},
      {Variant(AnsiString("abc")), varString},
      {Variant(String(L"\u3042\u3044")), varOleStr},
      {Variant(true), varBoolean},
      {Variant(Currency::FromScaled(7)), varCurrency},
      {Null(), varNull},
      {Variant(), varEmpty},
  };
  for (const auto& c : cases) {
    Variant r = FromTagged(Tagged(c.value));
    EXPECT_EQ(VarType(r), c.type) << Tagged(c.value).size();
    EXPECT_EQ(VariantCompare(r, c.value), 0);
  }
  Variant arr = FromTagged(Tagged(VarArrayOf({Variant(1), Variant(String(L"x"))})));
  ASSERT_TRUE(VarIsArray(arr));
  EXPECT_EQ(VarArrayLowBound(arr, 1), 0);
  EXPECT_EQ(VarArrayHighBound(arr, 1), 1);
  EXPECT_EQ(VarArrayGet(arr, {1}).AsString(), L"x");
}

TEST(TaggedVariant, WriteErrors) {
  Variant twoDims = VarArrayCreate({0, 1, 0, 1}, varVariant);
  EXPECT_EQ(RaisedMessage([&] { Tagged(twoDims); }), L"Stream write error");
}

TEST(TaggedVariant, MalformedInputIsRefused) {
  struct {
    const char* name;
    std::string bytes;
    const wchar_t* message;
  } cases[] = {
      {"unused tag 7", std::string("\x07", 1), L"Stream read error"},
      {"tag above 21", std::string("\x20", 1), L"Stream read error"},
      {"long string longer than the stream", std::string("\x0C\xFF\xFF\x00\x00" "ab", 7), L"Invalid stream format"},
      {"negative long string", std::string("\x0C\xFF\xFF\xFF\xFF", 5), L"Invalid stream format"},
      {"wide string longer than the stream", std::string("\x12\x10\x00\x00\x00\x41\x00", 7), L"Invalid stream format"},
      {"list count beyond the stream", std::string("\x01\x04\xFF\xFF\xFF\x7F", 6), L"Invalid stream format"},
      {"negative list count", std::string("\x01\x02\xFF", 3), L"Invalid stream format"},
      {"list count not an integer", std::string("\x01\x09", 2), L"Invalid stream format"},
      {"truncated integer", std::string("\x04\x01", 2), L"Stream read error"},
      {"empty stream", std::string(), L"Stream read error"},
  };
  for (const auto& c : cases) {
    TMemoryStream s;
    LoadBytes(s, c.bytes);
    try {
      ReadVariantFromStream(&s);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.name;
    }
  }
}

TEST(TaggedVariant, NestedArraysAreReadToAFixedDepth) {
  // Each level is a list of one element: tag, count tag (8-bit), count 1.
  auto nested = [](size_t ADepth) {
    std::string bytes;
    for (size_t i = 0; i < ADepth; ++i) bytes += std::string("\x01\x02\x01", 3);
    return bytes + std::string("\x02\x07", 2);  // the innermost value: 8-bit integer 7
  };
  {
    TMemoryStream s;
    LoadBytes(s, nested(64));
    Variant v = ReadVariantFromStream(&s);
    for (int i = 0; i < 64; ++i) {
      ASSERT_TRUE(v.IsArray()) << i;
      ASSERT_EQ(VarArrayHighBound(v, 1), 0) << i;
      v = Variant(VarArrayGet(v, {0}));
    }
    EXPECT_EQ(v.AsInteger(), 7);
    EXPECT_EQ(s.Position(), s.Size());
  }
  for (size_t depth : {65u, 100000u}) {  // the deep one overflowed the stack when read by recursion
    TMemoryStream s;
    LoadBytes(s, nested(depth));
    try {
      ReadVariantFromStream(&s);
      ADD_FAILURE() << depth << ": no error";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), L"Invalid stream format") << depth;
    }
  }
  // Lists side by side are not nesting: a wide flat array of empty arrays reads whole.
  std::string wide("\x01\x03\x00\x01", 4);
  for (int i = 0; i < 256; ++i) wide += std::string("\x01\x02\x00", 3);
  TMemoryStream s;
  LoadBytes(s, wide);
  Variant v = ReadVariantFromStream(&s);
  EXPECT_EQ(VarArrayHighBound(v, 1), 255);
}

TEST(VariantCompareTest, Table) {
  struct {
    const char* name;
    Variant a, b;
    int sign;
  } cases[] = {
      {"empty/null", Variant(), Null(), -1},
      {"empty/empty", Variant(), Variant(), 0},
      {"null/5", Null(), Variant(5), -1},
      {"5/null", Variant(5), Null(), 1},
      {"null/null", Null(), Null(), 0},
      {"1/2", Variant(1), Variant(2), -1},
      {"2.5/2", Variant(2.5), Variant(2), 1},
      {"short/long array", VarArrayOf({Variant(1), Variant(2)}), VarArrayOf({Variant(1), Variant(2), Variant(3)}), -1},
      {"array elements", VarArrayOf({Variant(1), Variant(3)}), VarArrayOf({Variant(1), Variant(2)}), 1},
      {"equal arrays", VarArrayOf({Variant(1)}), VarArrayOf({Variant(1)}), 0},
      {"array/scalar", VarArrayOf({Variant(1)}), Variant(5), 1},
      {"scalar/array", Variant(5), VarArrayOf({Variant(1)}), -1},
  };
  auto sign = [](Integer v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
  for (const auto& c : cases) EXPECT_EQ(sign(VariantCompare(c.a, c.b)), c.sign) << c.name;
  EXPECT_TRUE(VariantsMatch(Variant(3), Variant(3.0)));
}

TEST(VariantCompareTest, MixedIncomparableValuesFormATotalOrder) {
  std::mt19937 rng(12345);
  std::vector<Variant> values;
  for (int i = 0; i < 300; ++i) {
    switch (rng() % 6) {
      case 0: values.emplace_back(static_cast<int>(rng() % 50)); break;
      case 1: values.emplace_back(String(1, static_cast<wchar_t>(L'a' + rng() % 5))); break;
      case 2: values.push_back(Null()); break;
      case 3: values.emplace_back(static_cast<double>(rng() % 7) / 2); break;
      case 4: values.emplace_back(rng() % 2 == 0); break;
      default: values.push_back(VarFromDateTime(static_cast<double>(rng() % 9))); break;
    }
  }
  auto sign = [](Integer v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
  for (size_t i = 0; i < values.size(); i += 7)
    for (size_t j = 0; j < values.size(); ++j)
      ASSERT_EQ(sign(VariantCompare(values[i], values[j])), -sign(VariantCompare(values[j], values[i])))
          << VarToStr(values[i]) << " / " << VarToStr(values[j]);
  // An ordering over the mixed values can be sorted with a strict comparator.
  std::stable_sort(values.begin(), values.end(),
                   [](const Variant& a, const Variant& b) { return VariantCompare(a, b) < 0; });
  for (size_t i = 1; i < values.size(); ++i)
    if (VariantCompare(values[i - 1], values[i]) > 0 && VariantCompare(values[i], values[i - 1]) > 0)
      FAIL() << "both directions greater at " << i;
}

TEST(VariantsEqualTest, Table) {
  struct {
    const char* name;
    Variant a, b;
    bool equal;
  } cases[] = {
      {"true/'True'", Variant(true), Variant(String(L"True")), true},
      {"null/null", Null(), Null(), true},
      {"true/null", Variant(true), Null(), false},
      {"true/1", Variant(true), Variant(1), false},
      {"1/1.0", Variant(1), Variant(1.0), true},
      {"'a'/'b'", Variant(String(L"a")), Variant(String(L"b")), false},
  };
  for (const auto& c : cases) EXPECT_EQ(VariantsEqual(c.a, c.b), c.equal) << c.name;
}

TEST(VariantRoutines, ArraysAndPredicates) {
  Variant pair = MakeVariantPair(Variant(1), Variant(String(L"b")));
  EXPECT_EQ(VarArrayHighBound(pair, 1), 1);
  Variant single = MakeVariantSingleton(Variant(7));
  AppendToVariantArray(single, Variant(8));
  EXPECT_EQ(VarArrayHighBound(single, 1), 1);
  EXPECT_EQ(VarArrayGet(single, {1}).AsInteger(), 8);

  EXPECT_TRUE(VariantIsDate(VarFromDateTime(1.0)));
  TSQLTimeStamp ts;
  ts.Year = 2001;
  ts.Month = 2;
  ts.Day = 3;
  EXPECT_TRUE(VariantIsDate(VarSQLTimeStampCreate(ts)));
  EXPECT_FALSE(VariantIsDate(Variant(1.0)));
  EXPECT_TRUE(VariantIsNumericOrBcd(VarFMTBcdCreate(StrToBcd(L"1"))));
  EXPECT_TRUE(VariantIsNumericOrBcd(Variant(2)));
  EXPECT_TRUE(VariantIsNullOrEmptyString(Null()));
  EXPECT_TRUE(VariantIsNullOrEmptyString(Variant(String())));
  EXPECT_FALSE(VariantIsNullOrEmptyString(Variant()));
  EXPECT_TRUE(IsCurrencyVarType(varCurrency));
  EXPECT_TRUE(IsCurrencyVarType(VarFMTBcd()));
}

TEST(VariantRoutines, MatchSearchText) {
  struct {
    const wchar_t *text, *search;
    bool partial, match;
  } cases[] = {
      {L"Abc", L"aB", true, true},   {L"Abc", L"aB", false, false}, {L"", L"", false, true},
      {L"x", L"", true, false},      {L"abc", L"ABC", false, true}, {L"ab", L"abc", true, false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchSearchText(c.text, c.search, c.partial), c.match) << c.text << "/" << c.search;
}

TEST(VariantRoutines, CurrencyDisplayFormat) {
  TFormatSettings saved = FormatSettings;
  struct {
    const wchar_t* symbol;
    Byte decimals, format;
    const wchar_t* result;
  } cases[] = {
      {L"$", 2, 0, L"$,0.00"},   {L"kr.", 2, 3, L",0.00 kr'.'"}, {L"", 2, 1, L",0.00"},
      {L"\u00A5", 0, 1, L",0.\u00A5"}, {L"E", 1, 2, L"E ,0.0"},
  };
  for (const auto& c : cases) {
    FormatSettings.CurrencyString = c.symbol;
    FormatSettings.CurrencyDecimals = c.decimals;
    FormatSettings.CurrencyFormat = c.format;
    EXPECT_EQ(GetCurrencyDisplayFormat(), c.result);
  }
  FormatSettings = saved;
}

TEST(VariantRoutines, DatesAndWeekStart) {
  EXPECT_DOUBLE_EQ(DatePartOf(10.75), 10.0);
  EXPECT_DOUBLE_EQ(DatePartOf(-1.5), -1.0);
  EXPECT_DOUBLE_EQ(TimePartOf(10.75), 0.75);
  LCID saved = GetThreadLocale();
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), SORT_DEFAULT));  // Monday first
  EXPECT_EQ(LocaleFirstDayOfWeek(), 1);
  TDateTime sunday = EncodeDate(2024, 3, 10);
  EXPECT_DOUBLE_EQ(WeekStartOf(sunday + 0.5), EncodeDate(2024, 3, 4));
  EXPECT_DOUBLE_EQ(WeekStartOf(EncodeDate(2024, 3, 6)), EncodeDate(2024, 3, 4));
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));  // Sunday first
  EXPECT_EQ(LocaleFirstDayOfWeek(), 0);
  EXPECT_DOUBLE_EQ(WeekStartOf(EncodeDate(2024, 3, 6)), sunday - 7);
  EXPECT_DOUBLE_EQ(WeekStartOf(sunday), sunday);
  SetThreadLocale(saved);
}

TEST(TypedStreams, WriterAndReaderRoundTrip) {
  TMemoryStream s;
  {
    vdWriteFormatMarker(&s);
    TvxWriter w(&s);
    EXPECT_TRUE(w.IsUnicode);
    w.WriteAnsiString("ab");
    w.WriteBoolean(true);
    w.WriteByte(200);
    w.WriteShortInt(-3);
    w.WriteSmallInt(-300);
    w.WriteWord(65000);
    w.WriteChar(L'\u3042');
    w.WriteInteger(-70000);
    w.WriteCardinal(4000000000u);
    w.WriteSingle(1.5f);
    w.WriteCurrency(Currency::FromScaled(-5));
    w.WriteDateTime(45000.25);
    w.WriteLargeInt(-(static_cast<Int64>(1) << 40));
    w.WriteFloat(3.25);
    w.WriteWideString(L"\u65E5\u672C");
    w.WriteVariant(Variant(12));
    Word n = 2;
    s.WriteBuffer(&n, 2);
    s.WriteBuffer(L"\u8A9E\u8A9E", 4);
  }
  s.SetPosition(0);
  TvxReader r(&s);
  EXPECT_TRUE(r.IsUnicode);
  EXPECT_EQ(r.ReadAnsiString(), "ab");
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.ReadByte(), 200);
  EXPECT_EQ(r.ReadShortInt(), -3);
  EXPECT_EQ(r.ReadSmallInt(), -300);
  EXPECT_EQ(r.ReadWord(), 65000);
  EXPECT_EQ(r.ReadChar(), L'\u3042');
  EXPECT_EQ(r.ReadInteger(), -70000);
  EXPECT_EQ(r.ReadCardinal(), 4000000000u);
  EXPECT_FLOAT_EQ(r.ReadSingle(), 1.5f);
  EXPECT_EQ(r.ReadCurrency().Value, -5);
  EXPECT_DOUBLE_EQ(r.ReadDateTime(), 45000.25);
  EXPECT_EQ(r.ReadLargeInt(), -(static_cast<Int64>(1) << 40));
  EXPECT_DOUBLE_EQ(r.ReadFloat(), 3.25);
  EXPECT_EQ(r.ReadWideString(), L"\u65E5\u672C");
  EXPECT_EQ(r.ReadVariant().AsInteger(), 12);
  EXPECT_EQ(r.ReadString_(), L"\u8A9E\u8A9E");
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(TypedStreams, ReaderChecksLengthsAndFlags) {
  struct {
    const char* name;
    std::string bytes;
    int what;  // 0 ansi string, 1 wide string, 2 Boolean
  } cases[] = {
      {"ansi length beyond the stream", std::string("\x10\x00\x00\x00" "ab", 6), 0},
      {"negative ansi length", std::string("\xFE\xFF\xFF\xFF", 4), 0},
      {"wide count beyond the stream", std::string("\x03\x00\x00\x00\x41\x00", 6), 1},
      {"Boolean byte 2", std::string("\x02", 1), 2},
  };
  for (const auto& c : cases) {
    TMemoryStream s;
    LoadBytes(s, c.bytes);
    TvxReader r(&s);
    String msg = RaisedMessage([&] {
      if (c.what == 0) r.ReadAnsiString();
      else if (c.what == 1) r.ReadWideString();
      else r.ReadBoolean();
    });
    EXPECT_EQ(msg, L"Invalid stream format") << c.name;
  }
  // Without a marker the reader keeps its position and reads 8-bit strings as UTF-8.
  TMemoryStream s;
  LoadBytes(s, std::string("\x03\x00" "\xE3\x81\x82", 5));
  TvxReader r(&s);
  EXPECT_FALSE(r.IsUnicode);
  EXPECT_EQ(s.Position(), 0);
}

namespace {

class TNamedItem : public TCollectionItem {
  DECLARE_CLASS(TNamedItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  using TCreateArg = TCollection*;
  String Name;
  void Assign(TPersistent* Source) override { Name = static_cast<TNamedItem*>(Source)->Name; }
};

}  // namespace

TEST(DataUtils, CollectionAssignKeepsItems) {
  TvxCollection a(TNamedItem::StaticClass()), b(TNamedItem::StaticClass());
  for (const wchar_t* n : {L"x", L"y", L"z"}) static_cast<TNamedItem*>(a.Add())->Name = n;
  for (const wchar_t* n : {L"p", L"q"}) static_cast<TNamedItem*>(b.Add())->Name = n;
  TCollectionItem* first = b.Items(0);
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 3);
  EXPECT_EQ(b.Items(0), first);
  EXPECT_EQ(static_cast<TNamedItem*>(b.Items(2))->Name, L"z");
  TvxCollection empty(TNamedItem::StaticClass());
  b.Assign(&empty);
  EXPECT_EQ(b.Count(), 0);
}

TEST(DataUtils, DataBindingDefaults) {
  TvxCustomDataBinding binding(nullptr, nullptr);
  int dataSetChanges = 0;
  binding.OnDataSetChange = [&] { ++dataSetChanges; };
  EXPECT_TRUE(binding.CanModify());
  binding.SetReadOnly(true);
  binding.SetReadOnly(true);
  EXPECT_EQ(dataSetChanges, 1);
  EXPECT_FALSE(binding.CanModify());
  EXPECT_TRUE(binding.IsControlReadOnly());
  EXPECT_TRUE(binding.GetStoredValue(evsValue, false).IsNull());
  EXPECT_TRUE(binding.IsDataSourceLive());
}

}  // namespace ZS_UNITY_ID
