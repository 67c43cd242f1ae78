#include <gtest/gtest.h>

#include <random>

#include "vxLike.h"

namespace ZS_UNITY_ID {

namespace {

bool Like(const String& AText, const String& APattern, wchar_t AEscape = 0) {
  return MatchLikeMask(AText.c_str(), static_cast<Integer>(AText.size()), APattern.c_str(), AEscape, L'_', L'%',
                       static_cast<Integer>(APattern.size()));
}

// The matching rules written out as the plain recursive walk they describe; used only to
// check the linear matcher on small inputs.
bool ReferenceLike(const String& T, size_t t, const String& P, size_t p, wchar_t AEscape) {
  bool escaped = false;
  while (p < P.size()) {
    const wchar_t c = P[p];
    if (AEscape && c == AEscape && !escaped) {
      escaped = true;
      ++p;
      continue;
    }
    if (c == L'%' && !escaped) {
      if (p + 1 == P.size()) return true;
      for (size_t k = t; k < T.size(); ++k)
        if (ReferenceLike(T, k, P, p + 1, AEscape)) return true;
      return false;
    }
    if (t >= T.size()) return false;
    if (!(c == L'_' && !escaped) && c != T[t]) return false;
    escaped = false;
    ++p;
    ++t;
  }
  return t == T.size();
}

TEST(LikeMatch, TableOfPatterns) {
  struct Case {
    const wchar_t* Text;
    const wchar_t* Pattern;
    bool Match;
  } cases[] = {
      {L"abc", L"a%", true},   {L"abc", L"%c", true},    {L"abc", L"%b%", true},   {L"abc", L"a_c", true},
      {L"abc", L"abc", true},  {L"abc", L"%", true},     {L"abc", L"ab", false},   {L"abc", L"a__c", false},
      {L"", L"%", true},       {L"", L"%%", false},      {L"", L"a%", false},      {L"a", L"a%%", false},
      {L"ab", L"a%%", true},   {L"abc", L"%%c", true},   {L"abc", L"%_", true},    {L"c", L"%c%", true}, {L"", L"%c%", false},
      {L"ABC", L"a%", false},  {L"abc", L"ABC", false},  {L"", L"", true},         {L"a", L"", false},
      {L"東京都庁", L"東京%", true}, {L"東京都庁", L"%都_", true}, {L"大阪", L"%京%", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LikeMatchText(c.Text, c.Pattern, L'%', L'_'), c.Match) << c.Text << L" LIKE " << c.Pattern;
}

TEST(LikeMatch, EscapeMakesNextCharacterLiteral) {
  EXPECT_TRUE(Like(L"100%", L"100\\%", L'\\'));
  EXPECT_FALSE(Like(L"1000", L"100\\%", L'\\'));
  EXPECT_FALSE(Like(L"100", L"100\\%", L'\\'));
  EXPECT_TRUE(Like(L"a\\b", L"a\\\\b", L'\\'));
  EXPECT_FALSE(Like(L"a\\\\b", L"a\\\\b", L'\\'));
  EXPECT_TRUE(Like(L"a_", L"a\\_", L'\\'));
  EXPECT_FALSE(Like(L"ab", L"a\\_", L'\\'));
  // Without an escape character the backslash is an ordinary character.
  EXPECT_TRUE(Like(L"100\\x", L"100\\%"));
}

// Many multi wildcards against a text that does not match: a backtracking walk takes
// time exponential in their number; this finishes at once.
TEST(LikeMatch, ManyWildcardsOnLongTextStayLinear) {
  const String text(4000, L'a');
  String pattern;
  for (int i = 0; i < 40; ++i) pattern += L"%a";
  EXPECT_FALSE(LikeMatchText(text, pattern + L"%b", L'%', L'_'));
  EXPECT_TRUE(LikeMatchText(text, pattern + L"%", L'%', L'_'));
  EXPECT_TRUE(LikeMatchText(text, pattern + L"%%", L'%', L'_'));
}

TEST(LikeMatch, AgreesWithTheRecursiveRulesOnSmallInputs) {
  std::mt19937 rng(12345);
  const wchar_t patternChars[] = {L'a', L'b', L'%', L'_', L'\\'};
  for (int n = 0; n < 20000; ++n) {
    String p, t;
    for (int i = rng() % 7; i > 0; --i) p += patternChars[rng() % 5];
    for (int i = rng() % 6; i > 0; --i) t += (rng() % 3 == 0) ? L'\\' : static_cast<wchar_t>(L'a' + rng() % 2);
    for (wchar_t esc : {L'\0', L'\\'})
      ASSERT_EQ(Like(t, p, esc), ReferenceLike(t, 0, p, 0, esc)) << t << L" LIKE " << p << L" escape " << int(esc);
  }
}

TEST(LikeMatch, PatternKinds) {
  struct Case {
    const wchar_t* Pattern;
    const wchar_t* Result;
    Integer Kind;
  } cases[] = {
      {L"%%abc%%", L"abc", 3}, {L"abc%", L"abc", 1}, {L"%abc", L"abc", 2}, {L"a%c", L"a%c", 0},
      {L"%", L"%", 0},         {L"%%", L"%", 0},     {L"", L"", 0},         {L"a%%%b", L"a%b", 0},
  };
  for (const Case& c : cases) {
    String p = c.Pattern;
    EXPECT_EQ(GetLikePatternKind(p, L'%'), c.Kind) << c.Pattern;
    EXPECT_EQ(p, c.Result) << c.Pattern;
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
