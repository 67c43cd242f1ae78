// The fixed-position mask: compiling, fitting text, validity.
#include <gtest/gtest.h>

#include "System.h"
#include "vxStandardMask.h"

namespace ZS_UNITY_ID {

namespace {

struct TFormatCase {
  const wchar_t* Mask;
  const wchar_t* Text;
  const wchar_t* Formatted;  // Format (case converted, literals not matched)
  const wchar_t* Value;      // Format2 of the formatted text
};

TEST(StandardMaskTest, FormatFitsTextIntoPositionsTable) {
  TValueScope<Char> date(FormatSettings.DateSeparator, L'/');
  TValueScope<Char> time(FormatSettings.TimeSeparator, L':');
  const TFormatCase cases[] = {
      {L">LL<ll", L"abCD", L"ABcd", L"ABcd"},
      {L">L<>l", L"ab", L"Ab", L"Ab"},
      {L"!999", L"12", L"_12", L" 12"},
      {L"999", L"12", L"12_", L"12 "},
      {L"00/00", L"1a23", L"12/3_", L"12/3 "},
      {L"00:00", L"1234", L"12:34", L"12:34"},
      {L"(999) 000-0000", L"5551234567", L"(555) 123-4567", L"(555) 123-4567"},
      {L"(999) 000-0000;0;_", L"5551234567", L"(555) 123-4567", L"5551234567"},
      {L"0000;0", L"12", L"12__", L"12  "},
      {L"00-00;1; ", L"1", L"1 -  ", L"1 -  "},
      {L"0;1;_0", L"12", L"1;1;_2", L"1;1;_2"},
      {L"\\L0", L"5", L"L5", L"L5"},
      {L"##", L"+x-", L"+-", L"+-"},
      {L"cC", L"日本", L"日本", L"日本"},
      {L"AA", L"a_b", L"a_", L"a "},  // a blank leaves its position empty
      {L"000", L"123456", L"123", L"123"},
      {L"0\\", L"1", L"1", L"1"},  // a "\" at the very end adds nothing
  };
  for (const auto& c : cases) {
    TvxStandardMask m;
    m.Compile(c.Mask);
    String text = c.Text;
    const String formatted = m.Format(text);
    EXPECT_EQ(formatted, c.Formatted) << testing::PrintToString(String(c.Mask));
    EXPECT_EQ(static_cast<Integer>(formatted.size()), m.Count());
    String value = formatted;
    EXPECT_EQ(m.Format2(value), c.Value) << testing::PrintToString(String(c.Mask));
  }
}

TEST(StandardMaskTest, SectionMarksSetBlankAndLiteralSaving) {
  TvxStandardMask m;
  m.Compile(L"(999) 000-0000;1;_");
  EXPECT_EQ(m.Count(), 14);
  EXPECT_TRUE(m.SaveLiteralCharacters());
  EXPECT_EQ(m.FullEmptyString(), L"(___) ___-____");
  EXPECT_EQ(m.EmptyString(), L"(   )    -    ");
  m.Compile(L"0000;0");
  EXPECT_EQ(m.Count(), 4);
  EXPECT_FALSE(m.SaveLiteralCharacters());
  m.Compile(L"00-00;0;*");
  EXPECT_EQ(m.EmptyString(), L"    ");
  EXPECT_EQ(m.FullEmptyString(), L"**-**");
  // Case conversion only when asked; the typed character otherwise.
  m.Compile(L">LL");
  String t = L"ab";
  EXPECT_EQ(m.Format(t, false), L"ab");
  // Not saving literals, a literal is matched only when asked.
  m.Compile(L"00-00;0");
  t = L"12-34";
  EXPECT_EQ(m.Format(t, true, false), L"12-34");
  t = L"1234";
  EXPECT_EQ(m.Format(t, true, true), L"12-34");
  // Positions past the last one are no literals.
  EXPECT_FALSE(m.IsLiteral(5));
  EXPECT_FALSE(m.IsLiteral(-1));
  EXPECT_TRUE(m.IsLiteral(2));
}

struct TValidCase {
  const wchar_t* Mask;
  const wchar_t* Text;
  bool Valid;
  bool FullValid;
};

TEST(StandardMaskTest, ValidityTable) {
  TValueScope<Char> date(FormatSettings.DateSeparator, L'/');
  const TValidCase cases[] = {
      {L"00/00", L"12/3_", true, false},
      {L"00/09", L"12/3_", true, true},
      {L"00/09", L"12/3 ", true, true},
      {L"00/00", L"12/34", true, true},
      {L"00/00", L"12-34", false, false},
      {L"00/00", L"12/3", true, false},
      {L"00/00", L"12/345", false, false},
      {L"LL", L"a1", false, false},
      {L"ll", L"__", true, true},
      {L"#", L"+", true, true},
  };
  for (const auto& c : cases) {
    TvxStandardMask m;
    m.Compile(c.Mask);
    EXPECT_EQ(m.IsValid(c.Text), c.Valid) << testing::PrintToString(String(c.Mask + String(L" ") + c.Text));
    EXPECT_EQ(m.IsFullValid(c.Text), c.FullValid) << testing::PrintToString(String(c.Mask + String(L" ") + c.Text));
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
