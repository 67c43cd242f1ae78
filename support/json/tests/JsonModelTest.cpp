// The value model, its accessors and the two writers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "LeakCounter.h"
#include "ZvJson.h"

namespace ZS_UNITY_ID {

namespace {

using Obj = std::unique_ptr<TJSONObject>;
using Arr = std::unique_ptr<TJSONArray>;

TEST(JsonModel, KeysKeepInsertionOrderAndMatchIgnoringCase) {
  TJSONObject o;
  o.put(L"b", 1)->put(L"a", true);
  EXPECT_EQ(o.toString(), L"{\"b\":1,\"a\":true}");

  o.put(L"key", 1);
  o.put(L"Key", L"two");
  EXPECT_EQ(o.length(), 3);
  EXPECT_EQ(o.keyFromIndex(2), L"key");  // spelling and position of the first put
  EXPECT_EQ(o.getString(L"KEY"), L"two");
  EXPECT_EQ(o.indexOf(L"KeY"), 2);
  EXPECT_EQ(o.indexOfCS(L"B"), 0);
  EXPECT_TRUE(o.has(L"A"));
  EXPECT_EQ(o.keyFromIndex(3), L"");
  EXPECT_EQ(o.valueFromIndex(-1), nullptr);

  o.moveFirst(L"KEY");
  EXPECT_EQ(o.toString(), L"{\"key\":\"two\",\"b\":1,\"a\":true}");
  EXPECT_TRUE(o.remove(L"B"));
  EXPECT_FALSE(o.remove(L"b"));
  o.put(L"a", nullptr);  // a nil value removes the key
  EXPECT_EQ(o.toString(), L"{\"key\":\"two\"}");
  std::unique_ptr<TJSONArray> names(o.names());
  EXPECT_EQ(names->toString(), L"[\"key\"]");
  o.clean();
  EXPECT_EQ(o.names(), nullptr);
  EXPECT_EQ(o.toString(), L"{}");
}

TEST(JsonModel, IndentedWriterLayout) {
  TJSONObject two;
  two.put(L"b", 1)->put(L"a", true);
  EXPECT_EQ(two.toString(2), L"{\n  \"b\": 1,\n  \"a\": true\n}");

  // One key: no line breaks of its own, and its value keeps the same indent.
  TJSONObject one;
  one.put(L"k", (new TJSONArray())->put(1)->put(2));
  EXPECT_EQ(one.toString(2), L"{\"k\": [\n  1,\n  2\n]}");

  Obj doc(new TJSONObject(
      L"{\"name\":\"x\",\"list\":[1,[],{},[true]],\"sub\":{\"a\":null,\"b\":{\"c\":[1,2]}}}"));
  EXPECT_EQ(doc->toString(2),
            L"{\n"
            L"  \"name\": \"x\",\n"
            L"  \"list\": [\n"
            L"    1,\n"
            L"    [],\n"
            L"    {},\n"
            L"    [true]\n"
            L"  ],\n"
            L"  \"sub\": {\n"
            L"    \"a\": null,\n"
            L"    \"b\": {\"c\": [\n"
            L"      1,\n"
            L"      2\n"
            L"    ]}\n"
            L"  }\n"
            L"}");
  EXPECT_EQ(doc->toString(3, 1).substr(0, 7), L"{\n    \"");
  EXPECT_EQ(doc->ConvertToString(2), doc->toString(2));
  EXPECT_EQ(TJSONObject::valueToString(doc->get(L"list"), 1, 0), L"[\n 1,\n [],\n {},\n [true]\n]");
}

TEST(JsonModel, NumberText) {
  struct Case {
    double value;
    const wchar_t* text;
  } cases[] = {
      {2.0, L"2"},          {0.1, L"0.1"},
      {1e21, L"1E21"},      {1e-5, L"1E-5"},
      {0.0001, L"0.0001"},  {983551, L"983551"},
      {1.5e-7, L"1.5E-7"},  {1e20, L"1E20"},
      {-2.5, L"-2.5"},      {0.0, L"0"},
      {1e15, L"1E15"},      {1e14, L"100000000000000"},
      // Fifteen digits would not read back as the same double: as many as needed.
      {1.0 / 3, L"0.3333333333333333"},
      {123456789012345678.0, L"1.2345678901234568E17"},
      {0.1 + 0.2, L"0.30000000000000004"},
      {1.7976931348623157e308, L"1.7976931348623157E308"},
      {4.9e-324, L"5E-324"},
      {9007199254740993.0, L"9.007199254740992E15"},
      {-1234.5678, L"-1234.5678"},
  };
  for (const Case& c : cases) {
    Double_ d(c.value);
    EXPECT_EQ(d.toString(), c.text) << c.value;
    EXPECT_EQ(TJSONObject::numberToString(&d), c.text);
  }
  Integer_ i(-42);
  EXPECT_EQ(TJSONObject::numberToString(&i), L"-42");
  EXPECT_EQ(TJSONObject::numberToString(nullptr), L"");
  EXPECT_EQ(Double_(2.9).intValue(), 2);
  EXPECT_EQ(Double_(-2.9).intValue(), -2);
  EXPECT_EQ(Double_::NaN(), 0.0);
}

// Every double written and read back is the same double, the extremes included; they
// never come back as strings.
TEST(JsonModel, NumbersRoundTripExactly) {
  std::vector<double> values = {1.7976931348623157e308, -1.7976931348623157e308,
                                2.2250738585072014e-308, 4.9e-324, 1.0 / 3, 2.0 / 3,
                                0.1, 1e15 + 0.3, 123456.789e-300, 6.02214076e23};
  unsigned long long bits = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < 2000; ++i) {
    bits ^= bits << 13;
    bits ^= bits >> 7;
    bits ^= bits << 17;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (std::isfinite(d)) values.push_back(d);
  }
  for (double d : values) {
    Arr a(new TJSONArray());
    a->put(d);
    Arr back(new TJSONArray(a->toString()));
    ASSERT_NE(dynamic_cast<Number_*>(back->get(0)), nullptr) << a->toString();
    EXPECT_EQ(back->getDouble(0), d) << a->toString();
  }
}

TEST(JsonModel, LargeObjectsLookKeysUpIgnoringCase) {
  TJSONObject o;
  for (int i = 0; i < 2000; ++i) o.put(L"Key" + std::to_wstring(i), i);
  o.put(L"KEY17", L"seventeen");  // replaces in place, keeping the first spelling
  EXPECT_EQ(o.length(), 2000);
  EXPECT_EQ(o.keyFromIndex(17), L"Key17");
  EXPECT_EQ(o.getString(L"key17"), L"seventeen");
  EXPECT_EQ(o.indexOf(L"kEy1999"), 1999);
  EXPECT_EQ(o.indexOfCS(L"key2000"), -1);
  // Non-ASCII keys fold too.
  o.put(L"\u00C9t\u00E9", 1);
  EXPECT_EQ(o.indexOf(L"\u00C9T\u00C9"), 2000);
  // Removing and moving keep lookups right.
  EXPECT_TRUE(o.remove(L"KEY0"));
  EXPECT_EQ(o.indexOf(L"key1"), 0);
  o.moveFirst(L"key1999");
  EXPECT_EQ(o.indexOf(L"KEY1999"), 0);
  EXPECT_EQ(o.indexOf(L"key1"), 1);
  EXPECT_FALSE(o.has(L"key0"));
  // Duplicated keys read from text: the first one is found.
  String text = L"{";
  for (int i = 0; i < 50; ++i) text += L"\"k" + std::to_wstring(i) + L"\":" + std::to_wstring(i) + L",";
  text += L"\"K3\":\"again\"}";
  TJSONObject parsed(text);
  EXPECT_EQ(parsed.length(), 51);
  EXPECT_EQ(parsed.getInt(L"k3"), 3);
  EXPECT_EQ(parsed.toString(), text);
}

TEST(JsonModel, ContainersHoldingNullConvert) {
  long long before = LiveAllocations();
  {
    Obj o(new TJSONObject(L"{\"a\":null,\"b\":[null,1]}"));
    Arr names(new TJSONArray(L"[\"a\",\"b\"]"));
    Arr values(o->toJSONArray(names.get()));
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->toString(), L"[null,[null,1]]");
    EXPECT_NE(values->get(0), o->get(L"a"));
    Obj back(values->toJSONObject(names.get()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->toString(), L"{\"a\":null,\"b\":[null,1]}");
    std::unique_ptr<TZvAbstractObject> n(NULL_().clone());
    EXPECT_TRUE(n->equals(nullptr));
  }
  EXPECT_EQ(LiveAllocations(), before);
}

TEST(JsonModel, QuoteEscapes) {
  struct Case {
    String in;
    const wchar_t* out;
  } cases[] = {
      {L"", L"\"\""},
      {L"a\"b\\c", L"\"a\\\"b\\\\c\""},
      {L"\t\n\r\b\f", L"\"\\t\\n\\r\\b\\f\""},
      {String(1, L'\x01'), L"\"\\u0001\""},
      {String(1, L'\x1F'), L"\"\\u001F\""},
      {L"a/b", L"\"a/b\""},
      {L"日本語\x7F", L"\"日本語\x7F\""},
  };
  for (const Case& c : cases) EXPECT_EQ(TJSONObject::quote(c.in), c.out);
  EXPECT_EQ(Integer_::toHexString(L'\x0A'), L"0A");
  EXPECT_EQ(Integer_::toHexString(L'\xABCD'), L"ABCD");
}

TEST(JsonModel, ScalarTextAndNoQuote) {
  TJSONArray a;
  a.put(L"abc", true)->put(L"", true)->put(L"q\"", false)->put(new NULL_())->put(static_cast<TZvAbstractObject*>(nullptr))->put(false)->put(7);
  EXPECT_EQ(a.toString(), L"[abc,\"\",\"q\\\"\",null,null,false,7]");
  EXPECT_EQ(a.join(L" | "), L"abc | \"\" | \"q\\\"\" | null | null | false | 7");
  EXPECT_EQ(TJSONObject::ValueToUnquotedString(a.get(2)), L"q\\\"");
  EXPECT_EQ(TJSONObject::ValueToUnquotedString(a.get(6)), L"7");

  Integer_ i(5);
  String t = i.TZvAbstractObject::toString();
  EXPECT_EQ(t.substr(0, 10), L"Integer_ <");
  EXPECT_EQ(t.size(), 10 + sizeof(void*) * 2 + 1);

  String_ s(L"x");
  String_ same(L"x");
  String_ other(L"X");
  NULL_ n;
  EXPECT_TRUE(s.equals(&same));
  EXPECT_FALSE(s.equals(&other));
  EXPECT_TRUE(n.equals(nullptr));
  EXPECT_TRUE(n.equals(&n));
  EXPECT_FALSE(i.equals(nullptr));
  EXPECT_TRUE(i.equals(&i));
  EXPECT_FALSE(i.equals(std::unique_ptr<TZvAbstractObject>(i.clone()).get()));
}

TEST(JsonModel, TypedAccessors) {
  Obj o(new TJSONObject(
      L"{\"i\":7,\"d\":2.5,\"s5\":\"2.5\",\"s35\":\"3.5\",\"s\":\"2.25\",\"t\":\"TRUE\",\"b\":false,\"n\":null,"
      L"\"a\":[1],\"o\":{}}"));
  EXPECT_EQ(o->getInt(L"i"), 7);
  EXPECT_EQ(Obj(new TJSONObject(L"{\"d\":2.9}"))->getInt(L"d"), 2);  // a number's intValue
  EXPECT_EQ(o->getInt(L"s5"), 2);  // text is read as a double and rounded to even
  EXPECT_EQ(o->getInt(L"s35"), 4);
  EXPECT_EQ(o->getInt(L"s"), 2);
  EXPECT_EQ(o->getDouble(L"s"), 2.25);
  EXPECT_EQ(o->getDouble(L"i"), 7.0);
  EXPECT_TRUE(o->getBoolean(L"t"));
  EXPECT_FALSE(o->getBoolean(L"b"));
  EXPECT_EQ(o->getString(L"d"), L"2.5");
  EXPECT_EQ(o->getJSONArray(L"a")->length(), 1);
  EXPECT_EQ(o->getJSONObject(L"o")->length(), 0);
  EXPECT_TRUE(o->isNull(L"n"));
  EXPECT_TRUE(o->isNull(L"missing"));
  EXPECT_FALSE(o->isNull(L"i"));

  EXPECT_EQ(o->optDouble(L"missing"), 0.0);
  EXPECT_EQ(o->optDouble(L"missing", 1.5), 1.5);
  EXPECT_EQ(o->optDouble(L"s"), 2.25);
  EXPECT_EQ(o->optDouble(L"t", -1), -1);
  EXPECT_EQ(o->optInt(L"d"), 2);
  EXPECT_EQ(o->optInt(L"t", 9), 9);
  EXPECT_TRUE(o->optBoolean(L"t"));
  EXPECT_TRUE(o->optBoolean(L"i", true));
  EXPECT_EQ(o->optString(L"missing", L"def"), L"def");
  EXPECT_EQ(o->optString(L"n"), L"null");
  EXPECT_EQ(o->optJSONArray(L"o"), nullptr);
  EXPECT_NE(o->optJSONObject(L"o"), nullptr);
  EXPECT_EQ(o->opt(L"missing"), nullptr);

  Arr a(new TJSONArray(L"[2.7,-2.7,\"4.5\",\"false\",null,{},[]]"));
  EXPECT_EQ(a->getInt(0), 2);  // truncated toward zero
  EXPECT_EQ(a->getInt(1), -2);
  EXPECT_EQ(a->getInt(2), 4);
  EXPECT_FALSE(a->getBoolean(3));
  EXPECT_EQ(a->getInt(4, 11), 11);
  EXPECT_EQ(a->getString(9, L"none"), L"none");
  EXPECT_EQ(a->getJSONObject(4, true), nullptr);
  EXPECT_NE(a->getJSONObject(5, true), nullptr);
  EXPECT_NE(a->getJSONArray(6), nullptr);
  EXPECT_EQ(a->optDouble(2), 4.5);
  EXPECT_EQ(a->optInt(99, 3), 3);
  EXPECT_EQ(a->optString(0), L"2.7");
  EXPECT_TRUE(a->isNull(4));
  EXPECT_TRUE(a->isNull(-1));
}

// Runs f and returns the class name and message of what it raised.
std::pair<String, String> Raised(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return {e.ClassName(), e.Message()};
  }
  return {L"(nothing)", L""};
}

TEST(JsonModel, FailuresRaiseTheirClassAndMessage) {
  Obj o(new TJSONObject(L"{\"i\":1,\"b\":true,\"s\":\"x\"}"));
  Arr a(new TJSONArray(L"[1,\"x\"]"));
  struct Case {
    std::function<void()> call;
    const wchar_t* cls;
    const wchar_t* message;
  } cases[] = {
      {[&] { o->get(L"x"); }, L"NoSuchElementException", L"TJSONObject[\"x\"] not found."},
      {[&] { o->getBoolean(L"i"); }, L"ClassCastException", L"TJSONObject[\"i\"] is not a Boolean."},
      {[&] { o->getDouble(L"b"); }, L"Exception",
       L"TJSONObject[\"b\"] is not a number.(TJSONObject.getDouble.key=b)"},
      {[&] { o->getDouble(L"s"); }, L"Exception",
       L"'x' is not a valid floating point value(TJSONObject.getDouble.key=s)"},
      {[&] { o->getInt(L"x"); }, L"Exception", L"TJSONObject[\"x\"] not found.(TJSONObject.getInt.key=x)"},
      {[&] { o->getJSONArray(L"i"); }, L"NoSuchElementException", L"TJSONObject[\"i\"] is not a TJSONArray."},
      {[&] { o->getJSONObject(L"i"); }, L"NoSuchElementException", L"TJSONObject[\"i\"] is not a TJSONObject."},
      {[&] { o->put(L"", 1); }, L"NullPointerException", L"Null key."},
      {[&] { o->opt(L""); }, L"NullPointerException", L"Null key"},
      {[&] { a->get(5); }, L"NoSuchElementException", L"TJSONArray[5] not found."},
      {[&] { a->getBoolean(0); }, L"ClassCastException", L"TJSONArray[0] not a Boolean."},
      {[&] { a->getDouble(9); }, L"Exception", L"TJSONArray[9] not found.(TJSONArray.getDouble)"},
      {[&] { a->getInt(1); }, L"Exception",
       L"'x' is not a valid floating point value(TJSONArray.getDouble)(TJSONObject.getInt)"},
      {[&] { a->getJSONArray(0); }, L"NoSuchElementException", L"TJSONArray[0] is not a TJSONArray."},
      {[&] { a->getJSONObject(0); }, L"NoSuchElementException", L"TJSONArray[0] is not a TJSONObject is Integer_"},
      {[&] { a->put(-1, 1); }, L"NoSuchElementException", L"TJSONArray[-1] not found."},
      {[&] { a->put(0, static_cast<TZvAbstractObject*>(nullptr)); }, L"NullPointerException", L""},
      {[&] { JSONTokener(L"", false).clone(); }, L"NotImplmentedFeature", L"Not Implemented. ZvJson."},
      {[&] { Integer_::parseInt(L"17", 8); }, L"NotImplmentedFeature", L"Not Implemented. ZvJson."},
      {[&] { Integer_ bad(L"12a"); }, L"EConvertError", L"'12a' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    auto [cls, msg] = Raised(c.call);
    EXPECT_EQ(cls, c.cls) << msg;
    EXPECT_EQ(msg, c.message);
  }
  // Failed puts left both containers as they were.
  EXPECT_EQ(o->toString(), L"{\"i\":1,\"b\":true,\"s\":\"x\"}");
  EXPECT_EQ(a->toString(), L"[1,\"x\"]");
  EXPECT_EQ(Integer_::parseInt(L"1f", 16), 31);
  EXPECT_EQ(Integer_::parseInt(L"12", 3), 0);
}

TEST(JsonModel, PutReplacesAndFreesTheOldValue) {
  long long before = LiveAllocations();
  {
    TJSONObject o;
    auto* v = new String_(L"first");
    o.put(L"k", v);
    o.put(L"k", v);  // the same object again is kept, not freed
    EXPECT_EQ(o.getString(L"k"), L"first");
    o.put(L"K", 2.5);  // the old value is freed
    EXPECT_EQ(o.toString(), L"{\"k\":2.5}");

    TJSONArray a;
    a.put(3, L"x");
    EXPECT_EQ(a.toString(), L"[null,null,null,\"x\"]");
    a.put(1, 5)->put(3, true);
    EXPECT_EQ(a.toString(), L"[null,5,null,true]");
    a.remove(0);
    a.remove(17);
    EXPECT_EQ(a.toString(), L"[5,null,true]");
    a.clean();
    EXPECT_EQ(a.length(), 0);
  }
  EXPECT_EQ(LiveAllocations(), before);
}

TEST(JsonModel, AccumulateBuildsAnArray) {
  TJSONObject o;
  o.accumulate(L"k", new Integer_(1));
  EXPECT_EQ(o.toString(), L"{\"k\":1}");
  o.accumulate(L"K", new String_(L"two"));
  o.accumulate(L"k", new Boolean_(true));
  EXPECT_EQ(o.toString(), L"{\"k\":[1,\"two\",true]}");
  o.putOpt(L"n", nullptr);
  EXPECT_FALSE(o.has(L"n"));
}

// Conversions between containers copy the values they share with the source, so that
// freeing both trees frees every value exactly once.
TEST(JsonModel, ConversionsDoNotShareOwnership) {
  long long before = LiveAllocations();
  TJSONObject* src = new TJSONObject(L"{\"x\":{\"deep\":[1,2]},\"y\":\"text\"}");
  src->put(L"z", L"raw", true);
  Arr names(new TJSONArray(L"[\"z\",\"x\",\"missing\"]"));
  TJSONArray* picked = src->toJSONArray(names.get());
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->toString(), L"[raw,{\"deep\":[1,2]},null]");
  EXPECT_NE(picked->get(1), src->get(L"x"));
  EXPECT_EQ(src->toJSONArray(nullptr), nullptr);

  TJSONArray* values = new TJSONArray(L"[10,[\"a\"]]");
  Arr keys(new TJSONArray(L"[\"x\",\"y\"]"));
  TJSONObject* zipped = values->toJSONObject(keys.get());
  ASSERT_NE(zipped, nullptr);
  EXPECT_EQ(zipped->toString(), L"{\"x\":10,\"y\":[\"a\"]}");
  EXPECT_NE(zipped->get(L"y"), values->get(1));

  TJSONObject* picked2 = new TJSONObject(src, {L"y", L"nope", L"x"});
  EXPECT_EQ(picked2->toString(), L"{\"y\":\"text\",\"x\":{\"deep\":[1,2]}}");

  TJSONObject* target = new TJSONObject(L"{\"y\":1,\"w\":2}");
  src->assignTo(target);
  EXPECT_EQ(target->toString(), L"{\"y\":\"text\",\"w\":2,\"x\":{\"deep\":[1,2]},\"z\":raw}");

  delete src;
  delete values;
  // The results stay whole after their sources are gone.
  EXPECT_EQ(picked->toString(), L"[raw,{\"deep\":[1,2]},null]");
  EXPECT_EQ(zipped->getJSONArray(L"y")->getString(0), L"a");
  delete picked;
  delete zipped;
  delete picked2;
  delete target;
  names.reset();
  keys.reset();
  EXPECT_EQ(LiveAllocations(), before);  // below would mean a double free
}

TEST(JsonModel, CloneAndAssignGoThroughText) {
  TJSONObject o;
  o.put(L"w", L"word", true)->put(L"f", 1.0);
  std::unique_ptr<TZvAbstractObject> c(o.clone());
  // Text round trip: the NoQuote flag is lost and 1.0 comes back as an integer.
  EXPECT_EQ(c->toString(), L"{\"w\":\"word\",\"f\":1}");
  EXPECT_NE(dynamic_cast<Integer_*>(static_cast<TJSONObject*>(c.get())->get(L"f")), nullptr);

  TJSONObject target(L"{\"old\":1}");
  target.Assign(&o, true);
  EXPECT_EQ(target.toString(), L"{\"w\":word,\"f\":1}");

  TJSONArray a(L"[1]");
  TJSONArray b(L"[2,3]");
  a.Assign(&b, false);
  EXPECT_EQ(a.toString(), L"[1,2,3]");
  std::unique_ptr<TZvAbstractObject> ac(a.clone());
  EXPECT_EQ(ac->toString(), L"[1,2,3]");
}

}  // namespace

namespace {

TEST(JsonModel, Variants) {
  TJSONObject o;
  Variant nothing;
  o.putValues({L"s", L"i", L"b", L"w", L"d", L"c", L"big", L"t", L"", L"e", L"cur", L"extra"},
              {Variant(L"text"), Variant(7), Variant(true), Variant(Word(9)), Variant(2.5), Variant(Cardinal(3000000000u)),
               Variant(Int64(1) << 40), Variant(SmallInt(-3)), Variant(1), nothing, Variant(Currency::FromDouble(1.5))});
  EXPECT_EQ(o.toString(),
            L"{\"s\":\"text\",\"i\":7,\"b\":true,\"w\":9,\"d\":2.5,\"c\":3000000000,\"big\":1099511627776,\"t\":-3}");
  EXPECT_EQ(o.get(L"c")->ClassName(), L"Double_");
  EXPECT_EQ(o.get(L"w")->ClassName(), L"Integer_");

  Variant d = o.getVariant(L"d");
  EXPECT_EQ(VarType(d), varDouble);
  EXPECT_EQ(d.AsDouble(), 2.5);
  EXPECT_EQ(VarType(o.getVariant(L"i")), varInteger);
  EXPECT_EQ(o.getVariant(L"s").AsString(), L"text");
  EXPECT_TRUE(o.getVariant(L"b").AsBoolean());

  o.put(L"o", new TJSONObject())->put(L"a", new TJSONArray())->put(L"n", new NULL_());
  struct {
    const wchar_t* key;
    const wchar_t* message;
  } cases[] = {
      {L"o", L"TJsonObject is unsupported.TJSONObject.getVariant."},
      {L"a", L"TJSONArray is unsupported.TJSONObject.getVariant."},
      {L"n", L"Unsupported Type.TJSONObject.getVariant."},
  };
  for (auto c : cases) {
    try {
      o.getVariant(c.key);
      ADD_FAILURE() << c.key;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  try {
    o.putVariant(L"x", Null());
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), L"Can't put null values to TJsonObject (putVariant)");
  }
  EXPECT_FALSE(o.has(L"x"));
}

}  // namespace

}  // namespace ZS_UNITY_ID
