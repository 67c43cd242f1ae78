// The regular-expression engine: compile, follow typing forward and back, forced
// characters, errors.
#include <gtest/gtest.h>

#include <chrono>

#include "SysUtils.h"
#include "vxRegExpr.h"

namespace ZS_UNITY_ID {

namespace {

// How far the engine follows AText: the accepted prefix length, and whether all of it
// was accepted and ends in a final set.
struct TFeed {
  size_t Accepted = 0;
  bool Final = false;
};

TFeed Feed(TvxRegExpr& E, const String& AText) {
  E.Reset();
  TFeed r;
  for (Char c : AText) {
    if (!E.Next(c)) return r;
    ++r.Accepted;
  }
  r.Final = E.IsFinal();
  return r;
}

bool FullMatch(TvxRegExpr& E, const String& AText) {
  const TFeed f = Feed(E, AText);
  return f.Accepted == AText.size() && f.Final;
}

// Compiles APattern and answers the full messages of its errors, one a line ("" when it
// compiles).
String CompileErrors(const String& APattern) {
  TvxRegExpr e;
  try {
    e.Compile(APattern);
    return L"";
  } catch (const EvxRegExprError& x) {
    String r;
    for (Integer i = 0; i < x.Errors().Count(); ++i) r += (i ? L"\n" : L"") + x.Errors()[i].FullMessage();
    EXPECT_FALSE(e.IsCompiled());
    return r;
  }
}

struct TMatchCase {
  const wchar_t* Pattern;
  const wchar_t* Text;
  bool Matches;
};

TEST(RegExprTest, CompiledPatternsMatchTextsTable) {
  const TMatchCase cases[] = {
      {L"abc", L"abc", true},
      {L"abc", L"ab", false},
      {L"abc", L"abd", false},
      {L"a b", L"ab", true},
      {L"'a b'", L"a b", true},
      {L"'it''s'", L"it's", true},
      {L"a|bc", L"a", true},
      {L"a|bc", L"bc", true},
      {L"a|bc", L"b", false},
      {L"a*", L"", true},
      {L"a*", L"aaaa", true},
      {L"a+", L"", false},
      {L"a+b", L"aaab", true},
      {L"ab?c", L"ac", true},
      {L"ab?c", L"abbc", false},
      {L"(ab)+", L"ababab", true},
      {L"(ab)+", L"aba", false},
      {L"(a|b)*c", L"abbac", true},
      {L"(a|a)*b", L"aaaaaab", true},
      {L"a*?", L"aaa", true},
      {L"[a-c]x", L"bx", true},
      {L"[a-c]x", L"dx", false},
      {L"[^a-c]", L"d", true},
      {L"[^a-c]", L"a", false},
      {L"[a-]", L"-", true},
      {L"[.]", L".", true},
      {L"[.]", L"x", false},
      {L".", L"x", true},
      {L"\\d\\d", L"42", true},
      {L"\\D", L"4", false},
      {L"\\w+", L"a_Z9", true},
      {L"\\W", L"a", false},
      {L"\\s\\S", L" x", true},
      {L"\\x41", L"A", true},
      {L"\\0", L"0", true},
      {L"\\.", L".", true},
      {L"\\.", L"x", false},
      {L"a{2}", L"aa", true},
      {L"a{2}", L"aaa", false},
      {L"a{2,}", L"aa", true},
      {L"a{2,}", L"aaaaa", true},
      {L"a{2,}", L"a", false},
      {L"a{2,4}", L"aaaa", true},
      {L"a{2,4}", L"aaaaa", false},
      {L"a{2,4}", L"a", false},
      {L"a{0}b", L"b", true},
      {L"(ab)\\1", L"abab", true},
      {L"(a|b)\\1", L"ab", true},  // the pattern repeats, not the matched text
      // Items that can match nothing leave the pattern complete without them.
      {L"b(a?)", L"b", true},
      {L"ba{0,2}", L"b", true},
      {L"b(a?)(c?)", L"b", true},
      {L"b(a?|c)", L"b", true},
      {L"(a?)b", L"b", true},
      {L"(a?){2}b", L"ab", true},
      // UTF-16: Japanese literals, ranges and groups.
      {L"日本", L"日本", true},
      {L"日本", L"日", false},
      {L"[ぁ-ん]+", L"ひらがな", true},
      {L"[ぁ-ん]+", L"カナ", false},
      {L"(東京|大阪)都?", L"東京都", true},
      {L"'日 本'", L"日 本", true},
  };
  for (const auto& c : cases) {
    TvxRegExpr e;
    e.Compile(c.Pattern);
    // Once compiled, the engine matches again and again from a reset.
    for (int round = 0; round < 2; ++round)
      EXPECT_EQ(FullMatch(e, c.Text), c.Matches) << "pattern " << testing::PrintToString(String(c.Pattern)) << " text "
                                                 << testing::PrintToString(String(c.Text));
  }
}

TEST(RegExprTest, SeparatorsFollowTheLocaleAtTypingTime) {
  TValueScope<Char> date(FormatSettings.DateSeparator, L'.');
  TvxRegExpr e;
  e.Compile(L"\\d\\d/\\d\\d");
  EXPECT_TRUE(FullMatch(e, L"12.31"));
  EXPECT_FALSE(FullMatch(e, L"12/31"));
  FormatSettings.DateSeparator = L'-';
  EXPECT_TRUE(FullMatch(e, L"12-31"));
  e.Compile(L"\\d\\d\\/\\d\\d");
  EXPECT_TRUE(FullMatch(e, L"12/31"));
  TValueScope<Char> time(FormatSettings.TimeSeparator, L'h');
  e.Compile(L"\\d:\\d");
  EXPECT_TRUE(FullMatch(e, L"1h2"));
}

TEST(RegExprTest, PrevStepsBackAndRejectedCharactersLeaveTheStateAlone) {
  TvxRegExpr e;
  e.Compile(L"ab|ac");
  EXPECT_TRUE(e.IsStart());
  Char c = L'a';
  ASSERT_TRUE(e.Next(c));
  c = L'x';
  EXPECT_FALSE(e.Next(c));
  EXPECT_FALSE(e.IsStart());
  c = L'c';
  ASSERT_TRUE(e.Next(c));
  EXPECT_TRUE(e.IsFinal());
  EXPECT_TRUE(e.Prev());
  EXPECT_FALSE(e.IsFinal());
  c = L'b';
  EXPECT_TRUE(e.Next(c));
  EXPECT_TRUE(e.Prev());
  EXPECT_TRUE(e.Prev());
  EXPECT_TRUE(e.IsStart());
  EXPECT_FALSE(e.Prev());
  EXPECT_EQ(e.NextEx(L"axb?c"), L"ab");  // rejected characters are skipped
  EXPECT_TRUE(e.IsFinal());
}

TEST(RegExprTest, CaseInsensitiveSymbolsHandBackThePatternsLetter) {
  TvxRegExpr e;
  e.SetCaseInsensitive(true);
  e.Compile(L"abc[a-z]");
  Char c = L'A';
  ASSERT_TRUE(e.Next(c));
  EXPECT_EQ(c, L'a');
  e.Reset();
  EXPECT_EQ(e.NextEx(L"ABCX"), L"ABC");  // NextEx returns what was typed; ranges keep case
  e.SetCaseInsensitive(false);
  e.Reset();
  c = L'A';
  EXPECT_FALSE(e.Next(c));
}

TEST(RegExprTest, ForcedCharactersAreInsertedAndTakenBackAsAWhole) {
  TvxRegExpr e;
  String inserted;
  int deleted = 0;
  e.OnSymbolUpdate = [&](Char C) { inserted += C; };
  e.OnSymbolDelete = [&] { ++deleted; };
  e.Compile(L"'ID-'\\d\\d'-'\\d\\d");
  e.SetUpdateOn(true);
  EXPECT_EQ(inserted, L"ID-");  // the forced prefix
  inserted.clear();
  Char c = L'1';
  ASSERT_TRUE(e.Next(c));
  EXPECT_EQ(inserted, L"");
  c = L'2';
  ASSERT_TRUE(e.Next(c));
  EXPECT_EQ(inserted, L"-");
  EXPECT_TRUE(e.Prev());  // takes back "-" and steps over "2"
  EXPECT_EQ(deleted, 1);
  inserted.clear();
  c = L'7';
  ASSERT_TRUE(e.Next(c));
  EXPECT_EQ(inserted, L"-");
  c = L'8';
  ASSERT_TRUE(e.Next(c));
  EXPECT_FALSE(e.IsFinal());
  c = L'9';
  ASSERT_TRUE(e.Next(c));
  EXPECT_TRUE(e.IsFinal());
  c = L'0';
  EXPECT_FALSE(e.Next(c));
}

struct TErrorCase {
  const wchar_t* Pattern;
  const wchar_t* Errors;
};

TEST(RegExprTest, PatternErrorsCarryTheirPositionsTable) {
  const TErrorCase cases[] = {
      {L"", L"The source stream is empty"},
      {L"  \t", L"The source stream is empty"},
      {L"*", L"Line1, Char1: Illegal quantifier '*'"},
      {L"a|*", L"Line1, Char3: Illegal quantifier '*'"},
      {L"a|", L"The alternative should not be empty"},
      {L"|a", L"Line1, Char1: The alternative should not be empty"},
      {L"(a|)", L"Line1, Char4: The block should not be empty"},
      {L"()", L"Line1, Char2: The block should not be empty"},
      {L")(", L"Line1, Char1: Illegal ')'"},
      {L"a)", L"Unnecessary ')'"},
      {L"a)(b", L"Line1, Char2: Illegal ')'"},
      {L"(a", L"Missing ')'"},
      {L"'ab", L"Line1, Char4: Missing '''"},
      {L"[ab", L"Line1, Char4: Missing ']'"},
      {L"a{2", L"Line1, Char4: Missing '}'"},
      {L"a{x}", L"Line1, Char3: Illegal 'x'"},
      {L"[]", L"Line1, Char2: Can't create empty enumeration"},
      {L"[^]", L"Line1, Char3: Can't create empty enumeration"},
      {L"[z-a]", L"Line1, Char4: The starting character of the subrange must be less than the finishing one"},
      {L"[a-a]", L"Line1, Char4: The starting character of the subrange must be less than the finishing one"},
      {L"[a-c-e]", L"Line1, Char5: Illegal '-'"},
      {L"a?{2}", L"Line1, Char3: The parameter quantifier cannot be applied here"},
      {L"a*{2}", L"Line1, Char3: The parameter quantifier cannot be applied here"},
      {L"{2}", L"Line1, Char1: Incorrect parameter quantifier"},
      {L"a{3,2}", L"Line1, Char5: Incorrect parameter quantifier"},
      {L"(a?)*", L"Line1, Char5: The '*' quantifier cannot be applied here"},
      {L"(a*)+", L"Line1, Char5: The '+' quantifier cannot be applied here"},
      // An open count over an item that can match nothing would loop without a character.
      {L"(a?){2,}", L"Line1, Char5: The '*' quantifier cannot be applied here"},
      {L"(a?|b){0,}", L"Line1, Char7: The '*' quantifier cannot be applied here"},
      {L"\\1", L"Line1, Char1: Too big reference number"},
      {L"(a)\\2", L"Line1, Char4: Too big reference number"},
      {L"\\x4", L"Line1, Char4: Hexadecimal number expected"},
      {L"\\x4g", L"Line1, Char4: Hexadecimal number expected but 'g' found"},
      {L"\\ a", L"Line1, Char2: The space character is not allowed after '\\'"},
      {L"a|\r\n*", L"Line2, Char1: Illegal quantifier '*'"},
      // Every error of the parse is reported together.
      {L"*|+", L"Line1, Char1: Illegal quantifier '*'\nLine1, Char3: Illegal quantifier '+'"},
  };
  for (const auto& c : cases) EXPECT_EQ(CompileErrors(c.Pattern), c.Errors) << testing::PrintToString(String(c.Pattern));
}

TEST(RegExprTest, UncompiledEngineRefusesToMatch) {
  TvxRegExpr e;
  Char c = L'a';
  EXPECT_THROW(e.Next(c), EvxEditError);
  EXPECT_THROW(e.Reset(), EvxEditError);
  EXPECT_THROW(e.IsFinal(), EvxEditError);
  // A failed compile leaves a compiled engine uncompiled, with its errors until the next.
  e.Compile(L"a");
  EXPECT_THROW(e.Compile(L"a|"), EvxRegExprError);
  EXPECT_FALSE(e.IsCompiled());
  EXPECT_EQ(e.Errors().Count(), 1);
  EXPECT_THROW(e.Next(c), EvxEditError);
  e.Compile(L"a");
  EXPECT_EQ(e.Errors().Count(), 0);
}

TEST(RegExprTest, CraftedPatternsFailOrCompileInBoundedTime) {
  const auto start = std::chrono::steady_clock::now();
  const String deep = String(100000, L'(') + L"a" + String(100000, L')');
  EXPECT_NE(CompileErrors(deep), L"");
  EXPECT_NE(CompileErrors(String(100000, L'(')), L"");
  EXPECT_NE(CompileErrors(String(100000, L')')), L"");
  EXPECT_NE(CompileErrors(L"a{99999999999999999999}"), L"");
  EXPECT_NE(CompileErrors(L"a{1000000}"), L"");
  EXPECT_NE(CompileErrors(L"((((a{1000}){1000}){1000}){1000})"), L"");
  EXPECT_NE(CompileErrors(L"(a{1000})\\1\\1\\1\\1\\1\\1\\1\\1"), L"");
  EXPECT_NE(CompileErrors(L"a{0,1000000}"), L"");
  EXPECT_NE(CompileErrors(String(50000, L'[')), L"");
  // Large but legal patterns compile and match.
  TvxRegExpr e;
  e.Compile(L"a{0,1000}b");
  EXPECT_TRUE(FullMatch(e, String(1000, L'a') + L"b"));
  EXPECT_FALSE(FullMatch(e, String(1001, L'a') + L"b"));
  e.Compile(String(20000, L'x'));
  EXPECT_TRUE(FullMatch(e, String(20000, L'x')));
  // Ambiguity never multiplies the state sets.
  e.Compile(L"(a|a|a?a)*(a|a)*b");
  EXPECT_TRUE(FullMatch(e, String(20000, L'a') + L"b"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(RegExprTest, ErrorOutlivesItsEngine) {
  std::unique_ptr<EvxRegExprError> kept;
  {
    TvxRegExpr e;
    try {
      e.Compile(L"a|*");
    } catch (const EvxRegExprError& x) {
      kept = std::make_unique<EvxRegExprError>(x);
    }
  }
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->Errors()[0].FullMessage(), L"Line1, Char3: Illegal quantifier '*'");
  EXPECT_EQ(kept->Message(), L"Line1, Char3: Illegal quantifier '*'");
}

TEST(RegExprTest, PrintShowsTheParseTree) {
  TvxRegExpr e;
  e.Compile(L"a(b)*");
  EXPECT_EQ(e.Print(),
            L"<Start_Alt>\r\nitem --> \r\n<Start_Block>\r\n<Start_Alt>\r\nitem --> \r\n<Finish_Alt>\r\n"
            L"<Finish_Block> --> *\r\n<Finish_Alt>\r\n");
}

}  // namespace

}  // namespace ZS_UNITY_ID
