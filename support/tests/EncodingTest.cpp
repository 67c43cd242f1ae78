// Encoding detection on Japanese samples, and the code table.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Samples.h"
#include "ZvEncodingUnit.h"

namespace ZS_UNITY_ID {

// Failure messages name the codes.
void PrintTo(TZvEncodingCode code, std::ostream* os) {
  *os << static_cast<int>(code) << " (" << ::testing::PrintToString(TZvEncoding::CodePageToName(code)) << ")";
}

namespace {

// Reaches the scorers, which are class methods for the checker's own use.
struct Probe : TZvEncodingChecker {
  using TZvEncodingChecker::GuessEncoding;
  using TZvEncodingChecker::ScoreEucJp;
  using TZvEncodingChecker::ScoreShiftJis;
  using TZvEncodingChecker::ScoreUtf8;
};

struct Detected {
  TZvEncodingCode code;
  Int64 position;
};

Detected Check(const TBytes& bytes, TZvEncodingCode aDefault = zvcpUnknwon) {
  TBytesStream s(bytes);
  s.SetPosition(s.Size());  // the checker starts from the beginning wherever it is
  TZvEncodingCode code = TZvEncodingChecker::CheckEncoding(&s, aDefault);
  return {code, s.Position()};
}

TBytes Ascii(const char* s) { return TBytes(s, s + std::strlen(s)); }

TEST(EncodingDetection, JapaneseSamples) {
  const String xmlDecl = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n";
  const String xmlUtf8 = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<名前>値</名前>\r\n";
  struct Case {
    const char* what;
    TBytes bytes;
    TZvEncodingCode code;
    Int64 position;
  } cases[] = {
      {"Shift_JIS", Encode(932, JapaneseText), zvcpSjis, 0},
      {"EUC-JP", Encode(20932, JapaneseText), zvcpEuc, 0},
      {"UTF-8", Encode(CP_UTF8, JapaneseText), zvcpUtf8, 0},
      {"UTF-8 with mark", Concat({{0xEF, 0xBB, 0xBF}, Encode(CP_UTF8, JapaneseText)}), zvcpUtf8Bom, 3},
      {"UTF-16LE with mark", Concat({{0xFF, 0xFE}, Utf16(JapaneseText, false)}), zvcpUtf16le, 2},
      {"UTF-16BE with mark", Concat({{0xFE, 0xFF}, Utf16(JapaneseText, true)}), zvcpUtf16be, 2},
      {"UTF-16LE XML without mark", Utf16(xmlDecl + JapaneseText, false), zvcpUtf16le, 4},
      {"UTF-16BE XML without mark", Utf16(xmlDecl + JapaneseText, true), zvcpUtf16be, 4},
      {"XML declaration", Encode(CP_UTF8, xmlUtf8), zvcpUtf8, 4},
      {"ISO-2022-JP", Iso2022Jp(JapaneseText), zvcpIso2002, 0},
      {"US-ASCII", Ascii("plain text\r\nonly\r\n"), zvcpUsAscii, 0},
      {"UCS-4BE", {0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x3F}, zvcpUcs4be, 4},
      {"UCS-4LE", {0x3C, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00}, zvcpUcs4le, 4},
  };
  for (const Case& c : cases) {
    Detected d = Check(c.bytes);
    EXPECT_EQ(d.code, c.code) << c.what;
    EXPECT_EQ(d.position, c.position) << c.what;
  }
}

// Valid UTF-8 made of full-width characters pairs up as Shift_JIS as well, byte for
// byte; text that is valid UTF-8 throughout, with characters of three bytes, is UTF-8.
TEST(EncodingDetection, FullWidthUtf8IsUtf8) {
  const String samples[] = {L"［１］",  L"（１）",   L"ＡＢＣ",     L"１２３４", L"［１］ テスト",
                            L"〉Av",    L"＋dv",     L"(＂S",       L"O〜\\｝", L"ｚpＴ",
                            L"ｘ＝１",  L"【注意】", L"　全角　"};
  for (const String& text : samples) {
    SCOPED_TRACE(testing::Message() << "sample " << ::testing::PrintToString(text));
    EXPECT_EQ(Check(Encode(CP_UTF8, text)).code, zvcpUtf8);
  }
  // Text in the Japanese encodings is still told apart.
  EXPECT_EQ(Check(Encode(932, L"［１］の全角テスト")).code, zvcpSjis);
  EXPECT_EQ(Check(Encode(20932, L"［１］の全角テスト")).code, zvcpEuc);
}

TEST(EncodingDetection, UndecidableSamplesGiveTheDefault) {
  struct Case {
    const char* what;
    TBytes bytes;
  } cases[] = {
      {"empty", {}},
      {"one byte", {0x82}},
      {"one ASCII byte", {0x41}},
      {"EBCDIC XML pattern", {0x4C, 0x6F, 0xA7, 0x94}},
      // E0 A1 is a Shift_JIS pair and an EUC-JP pair alike: the scores tie.
      {"tie", Concat({Ascii("abc "), {0xE0, 0xA1}, Ascii(" def")})},
      {"no scorer plausible", {0x80, 0x80, 0x80, 0x80, 0xFF}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Check(c.bytes).code, zvcpUnknwon) << c.what;
    Detected d = Check(c.bytes, zvcpSjis);
    EXPECT_EQ(d.code, zvcpSjis) << c.what;
    EXPECT_EQ(d.position, 0) << c.what;
  }
}

TEST(EncodingDetection, OnlyTheFirst1024BytesCount) {
  TBytes ascii(TZvEncodingChecker::SampleSize, 'a');
  EXPECT_EQ(Check(Concat({ascii, Encode(932, JapaneseText)})).code, zvcpUsAscii);
  EXPECT_EQ(Check(Concat({ascii, Iso2022Jp(JapaneseText)})).code, zvcpUsAscii);
  TBytes almost(TZvEncodingChecker::SampleSize - 2, 'a');
  EXPECT_EQ(Check(Concat({almost, Encode(932, L"漢字")})).code, zvcpSjis);
  // An escape after the first byte above 0x7F is not looked for.
  EXPECT_EQ(Check(Concat({Encode(932, L"漢字"), {0x1B, 0x24, 0x42}})).code, zvcpSjis);
}

TEST(EncodingDetection, Scorers) {
  struct Case {
    const char* what;
    TBytes bytes;
    bool utf8Plausible;
    Integer utf8;
    bool sjisPlausible;
    Integer sjis;
    bool eucPlausible;
    Integer euc;
  } cases[] = {
      {"UTF-8 two, three and four bytes", {0xC3, 0xA9, 0xE3, 0x81, 0x82, 0xF0, 0x9F, 0x98, 0x80, 0x41},
       true, 9, false, 6, false, 2},
      {"UTF-8 mark counts", {0xEF, 0xBB, 0xBF, 0x41}, true, 3, true, 2, false, 2},
      {"UTF-8 stray byte near the end", {0x41, 0x41, 0x90, 0x41, 0x41}, false, 0, true, 2, false, 0},
      {"half-width katakana", {0xB1, 0xB2, 0xB3}, false, 0, true, 0, true, 2},
      {"EUC-JP JIS X 0212 and katakana", {0x8F, 0xB0, 0xA1, 0x8E, 0xB1}, false, 0, true, 4, true, 5},
      {"Shift_JIS lead at the end", {0x41, 0x88, 0x9F, 0x93}, false, 0, true, 2, false, 0},
  };
  for (const Case& c : cases) {
    const Byte* s = c.bytes.data();
    Integer n = static_cast<Integer>(c.bytes.size());
    Integer score = -1;
    bool bom = false;
    EXPECT_EQ(Probe::ScoreUtf8(s, n, score, bom), c.utf8Plausible) << c.what;
    EXPECT_EQ(score, c.utf8) << c.what;
    EXPECT_EQ(Probe::ScoreShiftJis(s, n, score), c.sjisPlausible) << c.what;
    EXPECT_EQ(score, c.sjis) << c.what;
    EXPECT_EQ(Probe::ScoreEucJp(s, n, score), c.eucPlausible) << c.what;
    EXPECT_EQ(score, c.euc) << c.what;
  }
}

TEST(EncodingDetection, FileCheckUsesTheDefaultWhenUndecidable) {
  TScratchFolder dir;
  String sjis = dir.WriteFile(L"sjis.txt", Encode(932, JapaneseText));
  String tie = dir.WriteFile(L"tie.txt", {0xE0, 0xA1});
  EXPECT_EQ(TZvEncodingChecker::CheckEncoding(sjis, zvcpUtf8), zvcpSjis);
  EXPECT_EQ(TZvEncodingChecker::CheckEncoding(tie, zvcpSjis), zvcpSjis);
  EXPECT_THROW(TZvEncodingChecker::CheckEncoding(dir.Path(L"missing.txt"), zvcpSjis), EFCreateError);
}

TEST(EncodingCodes, NamesAndCodecs) {
  EXPECT_EQ(TZvEncoding::CodeNameToPage(L"UTF-8"), zvcpUtf8);
  EXPECT_EQ(TZvEncoding::CodeNameToPage(L"utf-8"), zvcpUtf8);
  EXPECT_EQ(TZvEncoding::CodeNameToPage(L"shift_jis"), zvcpSjis);
  EXPECT_EQ(TZvEncoding::CodeNameToPage(L"euc-jp"), zvcpEuc);
  EXPECT_EQ(TZvEncoding::CodeNameToPage(L"latin-1"), zvcpUnknwon);
  EXPECT_EQ(TZvEncoding::CodePageToName(zvcpUtf8Bom), L"UTF-8");
  EXPECT_EQ(TZvEncoding::CodePageToName(zvcpUcs4le), L"UCS-4LE");
  EXPECT_EQ(TZvEncoding::CodePageToName(static_cast<TZvEncodingCode>(42)), L"UNKOWN");

  struct Codec {
    TZvEncodingCode code;
    UINT codePage;
    TBytes preamble;
    bool japanese;
  } codecs[] = {
      {zvcpSjis, 932, {}, true},
      {zvcpEuc, 20932, {}, true},
      {zvcpUtf8, CP_UTF8, {}, true},
      {zvcpUtf8Bom, CP_UTF8, {0xEF, 0xBB, 0xBF}, true},
      {zvcpUtf16le, 1200, {0xFF, 0xFE}, false},
      {zvcpUtf16be, 1201, {0xFE, 0xFF}, false},
      {zvcpUsAscii, GetACP(), {}, false},
  };
  for (const Codec& c : codecs) {
    std::unique_ptr<TEncoding> e(TZvEncoding::CreateEncoding(c.code));
    EXPECT_EQ(e->CodePage(), c.codePage) << int(c.code);
    EXPECT_EQ(e->GetPreamble(), c.preamble) << int(c.code);
    EXPECT_EQ(TZvEncoding::IsJapaneseCodePage(c.code), c.japanese) << int(c.code);
  }
  std::unique_ptr<TEncoding> sjis(TZvEncoding::CreateEncoding(zvcpSjis));
  EXPECT_EQ(sjis->GetString(Encode(932, JapaneseText)), JapaneseText);

  struct Unsupported {
    TZvEncodingCode code;
    const wchar_t* message;
  } unsupported[] = {
      {zvcpIso2002, L"Iso2002 is not supported encoding."},
      {zvcpUcs4be, L"Ucs4be is not supported encoding."},
      {zvcpUcs4le, L"Ucs4le is not supported encoding."},
      {zvcpUnknwon, L"Unsupported TZvEncodingCode in TZvEncoding GetEncoding."},
  };
  for (const Unsupported& u : unsupported) {
    try {
      delete TZvEncoding::CreateEncoding(u.code);
      ADD_FAILURE() << int(u.code);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), u.message);
    }
  }
  EXPECT_TRUE(TZvEncoding::IsJapaneseCodePage(zvcpIso2002));
}

}  // namespace

}  // namespace ZS_UNITY_ID
