// The tokener and the parsers: lenient input, number recognition, error texts and
// malformed input.
#include <gtest/gtest.h>

#include <memory>

#include "LeakCounter.h"
#include "ZvJson.h"

namespace ZS_UNITY_ID {

namespace {

using Obj = std::unique_ptr<TJSONObject>;
using Arr = std::unique_ptr<TJSONArray>;

TEST(JsonParse, LenientSyntax) {
  Obj o(new TJSONObject(L"{a: 1, 'b' => x, c = true;}"));
  EXPECT_EQ(o->toString(), L"{\"a\":1,\"b\":\"x\",\"c\":true}");
  EXPECT_NE(dynamic_cast<Integer_*>(o->get(L"a")), nullptr);
  EXPECT_NE(dynamic_cast<String_*>(o->get(L"b")), nullptr);
  EXPECT_NE(dynamic_cast<Boolean_*>(o->get(L"c")), nullptr);

  // Comments of each kind, separators and trailing separators.
  const wchar_t* same[] = {
      L"# leading comment\n{\"a\":1,\"b\":[2]}",
      L"{// line\n\"a\":1,/* block */\"b\":[2 /* inner */]}",
      L"{\"a\" /* : */ : 1 # note\r, \"b\" : [2,] }",
      L"/**/{\"a\":1;\"b\":[2;];}",
      L"{a=>1,b=[2]}",
  };
  for (const wchar_t* text : same) EXPECT_EQ(Obj(new TJSONObject(text))->toString(), L"{\"a\":1,\"b\":[2]}") << text;

  EXPECT_EQ(Arr(new TJSONArray(L"[1,,2]"))->toString(), L"[1,null,2]");
  Arr elided(new TJSONArray(L"[,]"));
  ASSERT_EQ(elided->length(), 1);
  EXPECT_EQ(elided->opt(0), nullptr);
  EXPECT_EQ(Arr(new TJSONArray(L" [ ] "))->length(), 0);
  EXPECT_EQ(Arr(new TJSONArray(L"[hello world , 'it\"s']"))->toString(), L"[\"hello world\",\"it\\\"s\"]");
}

TEST(JsonParse, TokensBecomeNumbersLiteralsOrStrings) {
  struct Case {
    const wchar_t* token;
    const wchar_t* cls;
    const wchar_t* text;
  } cases[] = {
      {L"017", L"Integer_", L"17"},
      {L"0x1F", L"Integer_", L"31"},
      {L"0X1f", L"Integer_", L"31"},
      {L"0xFFFFFFFF", L"Integer_", L"-1"},
      {L"0x1G", L"String_", L"0x1G"},
      {L"0", L"Integer_", L"0"},
      {L"00", L"Integer_", L"0"},
      {L"-5", L"Integer_", L"-5"},
      {L"+7", L"Integer_", L"7"},
      {L"2147483647", L"Integer_", L"2147483647"},
      {L"-2147483648", L"Integer_", L"-2147483648"},
      {L"2147483648", L"Double_", L"2147483648"},
      {L"1.0", L"Double_", L"1"},
      {L"1e3", L"Double_", L"1000"},
      {L".5", L"Double_", L"0.5"},
      {L"-1.5E-7", L"Double_", L"-1.5E-7"},
      {L"1e400", L"String_", L"1e400"},
      {L"-", L"String_", L"-"},
      {L"1.2.3", L"String_", L"1.2.3"},
      {L"12abc", L"String_", L"12abc"},
      {L"$10", L"String_", L"$10"},
      {L"True", L"Boolean_", L"true"},
      {L"fAlSe", L"Boolean_", L"false"},
      {L"NULL", L"NULL_", L"null"},
      {L"  spaced  out  ", L"String_", L"spaced  out"},
      {L"'single \"q\"'", L"String_", L"single \"q\""},
  };
  for (const Case& c : cases) {
    Arr a(new TJSONArray(String(L"[") + c.token + L"]"));
    ASSERT_EQ(a->length(), 1) << c.token;
    EXPECT_EQ(a->get(0)->ClassName(), c.cls) << c.token;
    EXPECT_EQ(a->get(0)->toString(), c.text) << c.token;
  }
}

TEST(JsonParse, UnquotedWordsKeepTheirFormWhenAsked) {
  TJSONObject o;
  o.LoadFromText(L"{a: word, b: \"q\", c: 'w', d: 5}", true);
  EXPECT_EQ(o.toString(), L"{\"a\":word,\"b\":\"q\",\"c\":\"w\",\"d\":5}");
  o.LoadFromText(L"{a: word}", false);  // parsing replaces the content
  EXPECT_EQ(o.toString(), L"{\"a\":\"word\"}");

  TJSONArray a(L"[1]");
  a.LoadFromText(L"[2]", false);  // an array appends
  EXPECT_EQ(a.toString(), L"[1,2]");
}

TEST(JsonParse, StringEscapes) {
  Arr a(new TJSONArray(L"[\"\\u0041\\n\\t\\/\\'\\\"\\\\\\b\\f\\r\", '\\u00e9\\x', \"\\uD83D\\uDE00\", \"tab\there\"]"));
  EXPECT_EQ(a->getString(0), L"A\n\t/'\"\\\b\f\r");
  EXPECT_EQ(a->getString(1), L"\u00e9x");
  EXPECT_EQ(a->getString(2), String({wchar_t(0xD83D), wchar_t(0xDE00)}));
  EXPECT_EQ(a->getString(3), L"tab\there");
  // Written back with the writer's escapes.
  EXPECT_EQ(a->toString(), L"[\"A\\n\\t/'\\\"\\\\\\b\\f\\r\",\"\u00e9x\",\"\U0001F600\",\"tab\\there\"]");
}

TEST(JsonParse, DuplicatedKeysAreWrittenBackAsRead) {
  const wchar_t* text = L"{\"a\":1,\"A\":2,\"a\":{\"x\":[3]}}";
  Obj o(new TJSONObject(text));
  EXPECT_EQ(o->length(), 3);
  EXPECT_EQ(o->getInt(L"a"), 1);  // lookups find the first
  EXPECT_EQ(o->toString(), text);
  EXPECT_EQ(o->toString(1), L"{\n \"a\": 1,\n \"A\": 2,\n \"a\": {\"x\": [3]}\n}");
}

TEST(JsonParse, ErrorTexts) {
  try {
    Obj o(new TJSONObject(L"{\"a\" 1}"));
    FAIL() << "no exception";
  } catch (const ParseException& e) {
    EXPECT_EQ(e.Message(),
              L"Expected a \":\" after a key at character 7 of {\"a\" 1} pr\uE26Cimo a : }\n\r erro no caracter : 7");
    EXPECT_EQ(e.Index(), 7);
  }

  struct Case {
    bool array;
    const wchar_t* text;
    const wchar_t* start;
  } cases[] = {
      {false, L"", L"A TJSONObject must begin with \"{\" at character 2 of "},
      {false, L"{", L"A TJSONObject must end with \"}\""},
      {false, L"{\"a\":1", L"Expected a \",\" or \"}\""},
      {false, L"{\"a\":}", L"Missing value."},
      {false, L"{]", L"Missing value."},
      {true, L"{}", L"A TJSONArray must start with \"[\""},
      {true, L"[1 \"2\"]", L"Expected a \",\" or \"]\""},
      {true, L"[1", L"Expected a \",\" or \"]\""},
      {true, L"[1,", L"Missing value."},
      {true, L"[\"abc", L"Unterminated string"},
      {true, L"[\"a\nb\"]", L"Unterminated string"},
      {true, L"[/* x", L"Unclosed comment."},
      {true, L"[\"\\u12G4\"]", L"Illegal escape \\u12G4. at character 3 of "},
      {true, L"[\"\\u12", L"Substring bounds error"},
  };
  for (const Case& c : cases) {
    try {
      if (c.array)
        Arr(new TJSONArray(c.text));
      else
        Obj(new TJSONObject(c.text));
      ADD_FAILURE() << "no exception for " << ::testing::PrintToString(String(c.text));
    } catch (const ParseException& e) {
      EXPECT_EQ(e.Message().substr(0, std::wcslen(c.start)), c.start) << ::testing::PrintToString(e.Message());
    }
  }
}

// Parses text into an object, returning whether it raised ParseException; nothing else
// may escape.
bool RaisesParseException(const String& text) {
  try {
    Obj o(new TJSONObject(text));
  } catch (const ParseException&) {
    return true;
  }
  return false;
}

TEST(JsonParse, EveryTruncationOfADocumentFailsCleanly) {
  const String doc =
      L"{\"name\": \"Zalvo\", 'list': [1, 2.5, 0x1F, true, null, {k: v}, [,]], /* c */\n"
      L" \"nested\" => {\"a\": [[]]; \"b\": {}}, # note\n \"esc\": \"\\u00e9\\n\"}";
  ASSERT_FALSE(RaisesParseException(doc));
  long long before = LiveAllocations();
  size_t failures = 0;
  for (size_t n = 0; n < doc.size(); ++n)
    if (RaisesParseException(doc.substr(0, n))) ++failures;
  long long after = LiveAllocations();
  EXPECT_EQ(failures, doc.size());
  EXPECT_EQ(after, before);
}

TEST(JsonParse, NestingIsBounded) {
  auto nested = [](Integer depth, const String& open, const String& close) {
    String s;
    for (Integer i = 0; i < depth; ++i) s += open;
    for (Integer i = 0; i < depth; ++i) s += close;
    return s;
  };
  // The deepest accepted nesting reads and writes back.
  String deepest = nested(JSONMaxNestingDepth, L"[", L"]");
  EXPECT_EQ(Arr(new TJSONArray(deepest))->toString(), deepest);
  String deepestObj = L"{\"v\":" + nested(JSONMaxNestingDepth - 1, L"[", L"]") + L"}";
  EXPECT_EQ(Obj(new TJSONObject(deepestObj))->toString(), deepestObj);

  const String tooDeep[] = {
      nested(JSONMaxNestingDepth + 1, L"[", L"]"),
      nested(100000, L"[", L""),
      nested(100000, L"{\"a\":", L"}"),
      nested(50000, L"{k:[", L""),
  };
  long long before = LiveAllocations();
  for (const String& text : tooDeep) {
    bool raised = false;
    try {
      Arr a(text[0] == L'[' ? new TJSONArray(text) : nullptr);
      Obj o(text[0] == L'{' ? new TJSONObject(text) : nullptr);
    } catch (const ParseException& e) {
      raised = e.Message().find(L"Nesting deeper than 256 levels.") == 0;
    }
    EXPECT_TRUE(raised) << text.size();
  }
  EXPECT_EQ(LiveAllocations(), before);
}

TEST(JsonParse, MalformedInputsRaiseAndLeakNothing) {
  const wchar_t* inputs[] = {
      L"{\"a\":\"\\u12\"}",  L"{\"a\":\"\\uZZZZ\"}", L"{\"a\":\"\\u",   L"{\"a\":\"x\\",
      L"{\"a\":[1,{\"b\":}]}", L"{\"a\":[1,2,{\"c\":3}", L"{\"k\" \"v\"}", L"{\"k\":1 \"j\":2}",
      L"{\"a\":'unterminated}", L"{\"a\":1,/*", L"[1]",          L"{:1}",
  };
  long long before = LiveAllocations();
  size_t failures = 0;
  for (const wchar_t* text : inputs)
    if (RaisesParseException(text)) ++failures;
  EXPECT_EQ(LiveAllocations(), before);
  EXPECT_EQ(failures, std::size(inputs));
}

TEST(JsonParse, TokenerPrimitives) {
  JSONTokener x(L"ab", false);
  EXPECT_TRUE(x.more());
  EXPECT_EQ(x.next(L'a'), L'a');
  EXPECT_EQ(x.next(), L'b');
  EXPECT_EQ(x.next(), L'\0');  // at length + 1: #0, advancing
  EXPECT_FALSE(x.more());
  EXPECT_EQ(x.next(), L'\0');
  EXPECT_EQ(x.Index(), 4);
  x.back();
  x.back();
  EXPECT_EQ(x.next(), L'b');
  EXPECT_FALSE(JSONTokener(L"", false).more());
  EXPECT_EQ(x.toString(), L" at character 3 of ab");

  JSONTokener y(L"ab", false);
  y.next();
  try {
    y.next(L'x');
    ADD_FAILURE();
  } catch (const ParseException& e) {
    EXPECT_EQ(e.Message().substr(0, 27), L"Expected x and instead saw ");
  }

  JSONTokener n(L"abcdef", false);
  EXPECT_EQ(n.next(2), L"ab");
  EXPECT_EQ(n.next(4), L"cdef");  // the last characters can be read
  EXPECT_THROW(n.next(1), ParseException);

  JSONTokener s(L"abc;def", false);
  EXPECT_EQ(s.skipTo(L'z'), L'\0');
  EXPECT_EQ(s.Index(), 1);
  EXPECT_EQ(s.skipTo(L';'), L';');
  EXPECT_EQ(s.next(), L';');
  JSONTokener p(L"a--b--c", false);
  p.skipPast(L"--");
  EXPECT_EQ(p.next(), L'b');
  p.skipPast(L"xx");
  EXPECT_EQ(p.next(), L'\0');

  JSONTokener t(L"  key : value\nrest", false);
  EXPECT_EQ(t.nextTo(L':'), L"key");
  EXPECT_EQ(t.next(), L':');
  EXPECT_EQ(t.nextTo(L",;"), L'v');
  EXPECT_EQ(t.next(), L'\n');

  struct {
    Char c;
    Integer v;
  } hex[] = {{L'0', 0}, {L'9', 9}, {L'a', 10}, {L'F', 15}, {L'g', -1}, {L' ', -1}};
  for (auto h : hex) EXPECT_EQ(JSONTokener::dehexchar(h.c), h.v);

  JSONTokener v(L"  /* c */ 12 , x", true);
  std::unique_ptr<TZvAbstractObject> first(v.nextValue());
  EXPECT_EQ(first->toString(), L"12");
  EXPECT_EQ(v.nextClean(), L',');
  std::unique_ptr<TZvAbstractObject> second(v.nextValue());
  EXPECT_TRUE(static_cast<String_*>(second.get())->NoQuote());
}

}  // namespace

}  // namespace ZS_UNITY_ID
