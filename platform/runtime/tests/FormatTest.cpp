// Format, number text in both directions and format masks, with explicit settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <string>

#include "SysUtils.h"

namespace ZS_UNITY_ID {

namespace {

TFormatSettings Us() {
  TFormatSettings fs;  // the built-in defaults: '.' decimal, ',' thousands, "$"
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 0;
  fs.CurrencyDecimals = 2;
  return fs;
}

TFormatSettings German() {
  TFormatSettings fs = Us();
  fs.DecimalSeparator = L',';
  fs.ThousandSeparator = L'.';
  fs.CurrencyString = L"€";
  fs.CurrencyFormat = 3;
  fs.NegCurrFormat = 8;
  return fs;
}

struct FormatCase {
  const wchar_t* Fmt;
  TConstArray Args;
  const wchar_t* Expected;
};

}  // namespace

TEST(Format, Conversions) {
  const TFormatSettings fs = Us();
  const FormatCase cases[] = {
      {L"%d", {42}, L"42"},
      {L"%d", {-42}, L"-42"},
      {L"%5d|%-5d|", {42, 42}, L"   42|42   |"},
      {L"%.4d", {-7}, L"-0007"},
      {L"%d", {Int64(-9000000000LL)}, L"-9000000000"},
      {L"%u", {-1}, L"4294967295"},
      {L"%x", {255}, L"FF"},
      {L"%.4x", {255}, L"00FF"},
      {L"%x", {-1}, L"FFFFFFFF"},
      {L"%x", {Int64(-1)}, L"FFFFFFFFFFFFFFFF"},
      {L"%s and %s", {L"this", String(L"that")}, L"this and that"},
      {L"%s", {"ansi"}, L"ansi"},
      {L"%s", {L'w'}, L"w"},
      {L"%.3s|%6s|%-6s|", {L"abcdef", L"ab", L"ab"}, L"abc|    ab|ab    |"},
      {L"%f", {3.14159}, L"3.14"},
      {L"%.0f", {2.5}, L"3"},
      {L"%.3f", {-0.0005}, L"-0.001"},
      {L"%8.2f|", {3.14159}, L"    3.14|"},
      {L"%n", {1234567.891}, L"1,234,567.89"},
      {L"%.0n", {-1234.5}, L"-1,235"},
      {L"%e", {1234.5}, L"1.23450000000000E+003"},
      {L"%.3e", {-0.000123}, L"-1.23E-004"},
      {L"%g", {0.5}, L"0.5"},
      {L"%g", {1e20}, L"1E020"},
      {L"%g", {123456.0}, L"123456"},
      {L"%m", {-1234.5}, L"($1,234.50)"},
      {L"%.0m", {99.5}, L"$100"},
      {L"%1:s %0:s %s", {L"a", L"b"}, L"b a b"},
      {L"%*d|%-*d|", {4, 7, 3, 7}, L"   7|7  |"},
      {L"%.*f", {1, 2.25}, L"2.3"},
      {L"100%%", {}, L"100%"},
      {L"%D %S %X", {10, L"x", 10}, L"10 x A"},
      {L"%f", {Currency::FromScaled(12345)}, L"1.23"},
      {L"%f", {std::nan("")}, L"NAN"},
      {L"%f", {-HUGE_VAL}, L"-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.Fmt, c.Args, fs), c.Expected) << c.Fmt;
  EXPECT_EQ(Format(L"%p", {reinterpret_cast<const void*>(0x1234)}, fs),
            sizeof(void*) == 8 ? L"0000000000001234" : L"00001234");
  EXPECT_EQ(Format(L"%n", {1234.5}, German()), L"1.234,50");
}

TEST(Format, MismatchesRaiseConvertErrorWithTheFormat) {
  const struct {
    const wchar_t* Fmt;
    TConstArray Args;
    const wchar_t* Message;
  } cases[] = {
      {L"%d", {L"text"}, L"Format '%d' invalid or incompatible with argument"},
      {L"%f", {1}, L"Format '%f' invalid or incompatible with argument"},
      {L"%s", {1.5}, L"Format '%s' invalid or incompatible with argument"},
      {L"%p", {1}, L"Format '%p' invalid or incompatible with argument"},
      {L"a %y", {1}, L"Format 'a %y' invalid or incompatible with argument"},
      {L"50%", {}, L"Format '50%' invalid or incompatible with argument"},
      {L"%d %d", {1}, L"No argument for format '%d %d'"},
      {L"%2:d", {1}, L"No argument for format '%2:d'"},
  };
  for (const auto& c : cases) {
    try {
      Format(c.Fmt, c.Args);
      ADD_FAILURE() << "no exception for " << c.Fmt;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
  }
}

TEST(FloatText, FloatToStrAndFloatToStrF) {
  const TFormatSettings us = Us(), de = German();
  const struct {
    double Value;
    TFloatFormat Fmt;
    int Precision, Digits;
    const wchar_t* Us;
    const wchar_t* De;
  } cases[] = {
      {0.1 + 0.2, ffGeneral, 15, 0, L"0.3", L"0,3"},
      {1.0 / 3, ffGeneral, 15, 0, L"0.333333333333333", L"0,333333333333333"},
      {1e15, ffGeneral, 15, 0, L"1000000000000000"[0] ? L"1E15" : L"", L"1E15"},
      {123456789012345.0, ffGeneral, 15, 0, L"123456789012345", L"123456789012345"},
      {0.0001, ffGeneral, 15, 0, L"0.0001", L"0,0001"},
      {0.00001, ffGeneral, 15, 0, L"1E-5", L"1E-5"},
      {-2.5e-10, ffGeneral, 15, 2, L"-2.5E-10", L"-2,5E-10"},
      {0, ffGeneral, 15, 0, L"0", L"0"},
      {1234.5678, ffGeneral, 6, 0, L"1234.57", L"1234,57"},
      {1234.5678, ffExponent, 4, 2, L"1.235E+03", L"1,235E+03"},
      {0.0, ffExponent, 3, 0, L"0.00E+0", L"0,00E+0"},
      {1234.5678, ffFixed, 15, 2, L"1234.57", L"1234,57"},
      {-0.004, ffFixed, 15, 2, L"0.00", L"0,00"},
      {1234567.5, ffNumber, 15, 0, L"1,234,568", L"1.234.568"},
      {-1234.5, ffNumber, 15, 1, L"-1,234.5", L"-1.234,5"},
      {1234.5, ffCurrency, 15, 2, L"$1,234.50", L"1.234,50 €"},
      {-1234.5, ffCurrency, 15, 2, L"($1,234.50)", L"-1.234,50 €"},
      {1e20, ffFixed, 15, 2, L"1E20", L"1E20"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToStrF(c.Value, c.Fmt, c.Precision, c.Digits, us), c.Us) << c.Value;
    EXPECT_EQ(FloatToStrF(c.Value, c.Fmt, c.Precision, c.Digits, de), c.De) << c.Value;
  }
  EXPECT_EQ(FloatToStr(2.5, us), L"2.5");
  EXPECT_EQ(FloatToStr(-1e100, us), L"-1E100");
}

// The digits of |v| rounded half away from zero at P significant digits, deciding on
// the first 60 significant digits of the binary value: the rounding the runtime
// promises, worked out the slow way.
std::string SlowDigits(double v, int P) {
  char buf[128];
  auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 59);
  std::string digits;
  for (const char* q = buf; *q != 'e' && q < r.ptr; ++q)
    if (*q != '.') digits += *q;
  std::string kept = digits.substr(0, static_cast<size_t>(P));
  if (digits[static_cast<size_t>(P)] >= '5') {
    int i = P - 1;
    while (i >= 0 && kept[static_cast<size_t>(i)] == '9') kept[static_cast<size_t>(i--)] = '0';
    if (i < 0) kept.insert(kept.begin(), '1'), kept.pop_back();
    else kept[static_cast<size_t>(i)]++;
  }
  return kept;
}

// FloatToStrF(v, ffFixed, P, D) the slow way: the first 60 digits rounded at P
// significant digits, that result rounded again at D decimals on its next digit.
std::string SlowFixed(double v, int P, int D) {
  char buf[128];
  auto r = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(v), std::chars_format::scientific, 59);
  *r.ptr = 0;
  std::string digits;
  const char* e = std::find(buf, r.ptr, 'e');
  for (const char* q = buf; q < e; ++q)
    if (*q != '.') digits += *q;
  int exponent = std::atoi(e + 1) + 1;
  auto roundAt = [&](int keep) {
    if (keep >= static_cast<int>(digits.size())) return;
    if (keep < 0) { digits.clear(); return; }
    bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
    if (i < 0) { digits.insert(digits.begin(), '1'); ++exponent; }
    else digits[static_cast<size_t>(i)]++;
  };
  roundAt(P);
  roundAt(exponent + D);
  bool zero = digits.find_first_not_of('0') == std::string::npos;
  if (zero) exponent = 0;
  auto at = [&](int i) { return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(i)] : '0'; };
  std::string out = v < 0 && !zero ? "-" : "";
  if (exponent <= 0) out += '0';
  for (int i = 0; i < exponent; ++i) out += at(i);
  if (D > 0) {
    out += '.';
    for (int i = 0; i < D; ++i) out += at(exponent + i);
  }
  return out;
}

TEST(FloatText, RoundingDecidesOnTheExactValue) {
  const TFormatSettings us = Us();
  // Ties and near-ties: binary values just below, at and above a half.
  const struct { double Value; const wchar_t* Fmt; const wchar_t* Text; } ties[] = {
      {0.125, L"%.2f", L"0.13"},   {2.5, L"%.0f", L"3"},        {-2.5, L"%.0f", L"-3"},
      {1.005, L"%.2f", L"1.00"},   {1.015, L"%.2f", L"1.01"},   {0.045, L"%.2f", L"0.04"},
      {1.25, L"%.1f", L"1.3"},     {1.35, L"%.1f", L"1.4"},     {1e22, L"%.0f", L"1E22"},
      {0.5, L"%.0n", L"1"},        {1234.5, L"%.0n", L"1,235"},
  };
  for (const auto& c : ties) EXPECT_EQ(Format(c.Fmt, {c.Value}, us), c.Text) << c.Value;
  // Many values at every precision: the digits agree with the slow rounding.
  unsigned long long bits = 0x2545F4914F6CDD1Dull;
  for (int i = 0; i < 3000; ++i) {
    bits ^= bits << 13;
    bits ^= bits >> 7;
    bits ^= bits << 17;
    double v;
    if (i % 3 == 0) {
      std::memcpy(&v, &bits, sizeof v);
      if (!std::isfinite(v) || v == 0) continue;
    } else {
      // Short decimals put ties and 4999.../5000... tails within reach.
      v = static_cast<double>(bits % 2000001) / (i % 3 == 1 ? 1000.0 : 8.0);
      if (v == 0) continue;
    }
    for (int p = 1; p <= 18; ++p) {
      String text = FloatToStrF(v, ffExponent, p, 0, us);
      std::string got;
      for (wchar_t c : text.substr(0, text.find(L'E')))
        if (c >= L'0' && c <= L'9') got += static_cast<char>(c);
      ASSERT_EQ(got, SlowDigits(v, p)) << v << " at " << p;
    }
    if (std::fabs(v) < 1e12 && std::fabs(v) > 1e-12) {
      for (int p : {7, 15, 17, 18}) {
        for (int dec : {0, 1, 2, 3, 6}) {
          String text = FloatToStrF(v, ffFixed, p, dec, us);
          if (text.find(L'E') != String::npos) continue;  // beyond the precision: general
          const std::string slow = SlowFixed(v, p, dec);
          ASSERT_EQ(text, String(slow.begin(), slow.end())) << v << " at " << p << ", " << dec;
        }
      }
    }
  }
}

TEST(FloatText, NegativeCurrencyFormats) {
  TFormatSettings fs = Us();
  const wchar_t* expected[16] = {L"($1.50)", L"-$1.50", L"$-1.50", L"$1.50-",  L"(1.50$)", L"-1.50$",
                                 L"1.50-$",  L"1.50$-", L"-1.50 $", L"-$ 1.50", L"1.50 $-", L"$ 1.50-",
                                 L"$ -1.50", L"1.50- $", L"($ 1.50)", L"(1.50 $)"};
  for (Byte f = 0; f < 16; ++f) {
    fs.NegCurrFormat = f;
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2, fs), expected[f]) << int(f);
  }
  const wchar_t* positive[4] = {L"$1.50", L"1.50$", L"$ 1.50", L"1.50 $"};
  for (Byte f = 0; f < 4; ++f) {
    fs.CurrencyFormat = f;
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2, fs), positive[f]) << int(f);
  }
}

TEST(FloatText, FormatFloatMasks) {
  const TFormatSettings us = Us();
  const struct {
    const wchar_t* Mask;
    double Value;
    const wchar_t* Expected;
  } cases[] = {
      {L"#,##0.00", 1234567.891, L"1,234,567.89"},
      {L"#,##0.00", -1234.5, L"-1,234.50"},
      {L"#,##0.00", 0.005, L"0.01"},
      {L"0.00", 0.125, L"0.13"},
      {L"0.###", 1.5, L"1.5"},
      {L"0.###", 2, L"2"},
      {L"#.##", 0, L""},
      {L"000", 7, L"007"},
      {L"#", 1234, L"1234"},
      {L"0", -0.4, L"0"},
      {L"0.0;(0.0)", -5.25, L"(5.3)"},
      {L"0.0;(0.0);'zero'", 0, L"zero"},
      {L"0.0;(0.0);'zero'", 0.01, L"zero"},
      {L"0.0;;'zero'", -2, L"-2.0"},
      {L"0.00E+00", 1234.5, L"1.23E+03"},
      {L"0.00E-00", 1234.5, L"1.23E03"},
      {L"0.00e-0", 0.000123, L"1.23e-4"},
      {L"00.0E+0", 1234.5, L"12.3E+2"},
      {L"'$'#,##0", 1500, L"$1,500"},
      {L"\"Total: \"0", 5, L"Total: 5"},
      {L"0 'kg'", 3, L"3 kg"},
      {L"", 2.5, L"2.5"},
      {L"#,##0", 999999.5, L"1,000,000"},
      {L"0.00", 1e-20, L"0.00"},
      {L"0.00", 123456789012.345, L"123456789012.35"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.Mask, c.Value, us), c.Expected) << c.Mask << " " << c.Value;
  EXPECT_EQ(FormatFloat(L"#,##0.00", 1234.5, German()), L"1.234,50");
  EXPECT_EQ(FormatCurr(L"#,##0.0000", Currency::FromScaled(-12345678), us), L"-1,234.5678");
}

TEST(FloatText, TextToNumbers) {
  const TFormatSettings us = Us(), de = German();
  const struct {
    const wchar_t* Text;
    bool UsOk;
    double UsValue;
    bool DeOk;
    double DeValue;
  } cases[] = {
      {L"1.5", true, 1.5, false, 0},
      {L"1,5", false, 0, true, 1.5},
      {L"  -12.25e2 ", true, -1225, false, 0},
      {L"+3", true, 3, true, 3},
      {L"1e-400", true, 0, true, 0},
      {L".5", true, 0.5, false, 0},
      {L"5.", true, 5, false, 0},
      {L"", false, 0, false, 0},
      {L"1e", false, 0, false, 0},
      {L"1e999", false, 0, false, 0},
      {L"1,000", false, 0, true, 1},
      {L"abc", false, 0, false, 0},
      {L"0x10", false, 0, false, 0},
  };
  for (const auto& c : cases) {
    Extended v = -1;
    EXPECT_EQ(TryStrToFloat(c.Text, v, us), c.UsOk) << c.Text;
    if (c.UsOk) { EXPECT_DOUBLE_EQ(v, c.UsValue) << c.Text; }
    EXPECT_EQ(TryStrToFloat(c.Text, v, de), c.DeOk) << c.Text;
    if (c.DeOk) { EXPECT_DOUBLE_EQ(v, c.DeValue) << c.Text; }
  }
  try {
    StrToFloat(L"1.2.3", us);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"'1.2.3' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloatDef(L"x", 7.5, us), 7.5);
  // Round trip of awkward values through text.
  for (double v : {0.1, 1.0 / 3, 123456.789, 1e-7, 2.5e300, -0.000123}) {
    EXPECT_NEAR(StrToFloat(FloatToStr(v, de), de), v, std::fabs(v) * 1e-14);
  }
}

TEST(FloatText, CurrencyBothWays) {
  const TFormatSettings us = Us();
  const struct {
    const wchar_t* Text;
    bool Ok;
    Int64 Scaled;
  } cases[] = {
      {L"12.34", true, 123400},
      {L"-0.00005", true, -1},
      {L"0.00004", true, 0},
      {L"922337203685477.5807", true, 0x7FFFFFFFFFFFFFFFLL},
      {L"922337203685477.5808", false, 0},
      {L"1e3", true, 10000000},
      {L"1,000", false, 0},
  };
  for (const auto& c : cases) {
    Currency v;
    EXPECT_EQ(TryStrToCurr(c.Text, v, us), c.Ok) << c.Text;
    if (c.Ok) { EXPECT_EQ(v.Value, c.Scaled) << c.Text; }
  }
  EXPECT_EQ(CurrToStr(Currency::FromScaled(123450), us), L"12.345");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-5), us), L"-0.0005");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(0x7FFFFFFFFFFFFFFFLL), ffNumber, 4, us),
            L"922,337,203,685,477.5807");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(-15000), ffCurrency, 2, us), L"($1.50)");
  EXPECT_EQ(StrToCurrDef(L"bad", Currency::FromScaled(1), us).Value, 1);
}

TEST(FloatText, JapaneseLocaleDefaults) {
  const TFormatSettings ja = TFormatSettings::Create(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
  EXPECT_EQ(ja.DecimalSeparator, L'.');
  EXPECT_EQ(ja.ThousandSeparator, L',');
  EXPECT_EQ(ja.DateSeparator, L'/');
  EXPECT_EQ(ja.TimeSeparator, L':');
  EXPECT_EQ(ja.CurrencyDecimals, 0);
  EXPECT_EQ(FloatToStrF(1234.0, ffCurrency, 15, ja.CurrencyDecimals, ja),
            ja.CurrencyString + L"1,234");
  EXPECT_EQ(ja.TimeAMString, L"午前");
  EXPECT_EQ(ja.LongMonthNames[1], L"1月");
  EXPECT_EQ(ja.LongDayNames[1], L"日曜日");
  EXPECT_EQ(ja.ShortDayNames[7], L"土");
  EXPECT_EQ(StrToDate(DateToStr(EncodeDate(2024, 3, 9), ja), ja), EncodeDate(2024, 3, 9));
}

}  // namespace ZS_UNITY_ID
