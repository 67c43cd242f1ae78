#include <gtest/gtest.h>

#include <memory>

#include "Encoding.h"

namespace ZS_UNITY_ID {

namespace {

const String kJapanese = L"日本語のテキスト、漢字とカナ。ABC 123 ~";

struct KnownBytes {
  UINT codePage;
  String text;
  TBytes bytes;
};

// Each code page's bytes for a short text, as a real system writes them.
TEST(Encoding, CodePagesGiveTheirKnownBytesAndRoundTripJapanese) {
  const KnownBytes rows[] = {
      {932, L"日本a", {0x93, 0xFA, 0x96, 0x7B, 'a'}},
      {20932, L"日本a", {0xC6, 0xFC, 0xCB, 0xDC, 'a'}},
      {50220, L"a日本b", {'a', 0x1B, '$', 'B', 0x46, 0x7C, 0x4B, 0x5C, 0x1B, '(', 'B', 'b'}},
      {65001, L"日a", {0xE6, 0x97, 0xA5, 'a'}},
      {1200, L"日a", {0xE5, 0x65, 'a', 0}},
      {1201, L"日a", {0x65, 0xE5, 0, 'a'}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.codePage);
    std::unique_ptr<TEncoding> enc(TEncoding::GetEncoding(r.codePage));
    EXPECT_EQ(enc->CodePage(), r.codePage);
    EXPECT_EQ(enc->GetBytes(r.text), r.bytes);
    EXPECT_EQ(enc->GetByteCount(r.text), static_cast<Integer>(r.bytes.size()));
    EXPECT_EQ(enc->GetString(r.bytes), r.text);
    EXPECT_EQ(enc->GetCharCount(r.bytes), static_cast<Integer>(r.text.size()));
    EXPECT_EQ(enc->GetString(enc->GetBytes(kJapanese)), kJapanese);
    EXPECT_LE(enc->GetByteCount(kJapanese), enc->GetMaxByteCount(static_cast<Integer>(kJapanese.size())));
    EXPECT_FALSE(TEncoding::IsStandardEncoding(enc.get()));
  }
}

TEST(Encoding, HalfWidthKatakanaSurvivesShiftJisAndEucJp) {
  const String text = L"ｶﾀｶﾅ半角";
  for (UINT cp : {932u, 20932u}) {
    TMBCSEncoding enc(cp);
    EXPECT_EQ(enc.GetString(enc.GetBytes(text)), text) << cp;
  }
  // ISO-2022-JP text in the half-width katakana set reads back as the same characters.
  TMBCSEncoding jis(50221);
  EXPECT_EQ(jis.GetString(TBytes{0x1B, '(', 'I', 0x36, 0x40, 0x1B, '(', 'B'}), L"ｶﾀ");
}

// ISO-2022-JP in JIS X 0212 (ESC $ ( D) reads back as the same text after a round trip,
// or, where the system has no JIS X 0212 mapping, is refused with an error that says so;
// it is never read as other characters.
TEST(Encoding, Iso2022JpInJisX0212RoundTripsOrIsRefused) {
  // U+4E02 and U+4E04, the first characters of JIS X 0212 row 16, between ASCII.
  const TBytes text{'a', 0x1B, '$', '(', 'D', 0x30, 0x21, 0x30, 0x22, 0x1B, '(', 'B', 'z'};
  for (UINT cp : {50220u, 50221u, 50222u}) {
    SCOPED_TRACE(cp);
    TMBCSEncoding jis(cp);
    try {
      String decoded = jis.GetString(text);
      EXPECT_EQ(decoded, L"a\u4E02\u4E04z");
      EXPECT_EQ(jis.GetString(jis.GetBytes(decoded)), decoded);
    } catch (const EEncodingError& e) {
      EXPECT_EQ(e.Message(), L"ISO-2022-JP text in JIS X 0212 cannot be decoded on this system");
    }
  }
}

TEST(Encoding, PreamblesAndStandardEncodings) {
  EXPECT_EQ(TEncoding::UTF8()->GetPreamble(), (TBytes{0xEF, 0xBB, 0xBF}));
  EXPECT_EQ(TEncoding::Unicode()->GetPreamble(), (TBytes{0xFF, 0xFE}));
  EXPECT_EQ(TEncoding::BigEndianUnicode()->GetPreamble(), (TBytes{0xFE, 0xFF}));
  EXPECT_TRUE(TEncoding::ANSI()->GetPreamble().empty());
  // A plain code-page codec for 65001 writes and skips no byte-order mark.
  EXPECT_TRUE(TMBCSEncoding(CP_UTF8).GetPreamble().empty());
  EXPECT_EQ(TEncoding::ANSI()->CodePage(), GetACP());
  EXPECT_EQ(TEncoding::Default(), TEncoding::ANSI());
  for (TEncoding* e : {TEncoding::ASCII(), TEncoding::ANSI(), TEncoding::UTF7(), TEncoding::UTF8(),
                       TEncoding::Unicode(), TEncoding::BigEndianUnicode()})
    EXPECT_TRUE(TEncoding::IsStandardEncoding(e)) << e->CodePage();
  EXPECT_FALSE(TEncoding::IsStandardEncoding(nullptr));
  EXPECT_TRUE(TEncoding::ASCII()->IsSingleByte());
  EXPECT_FALSE(TEncoding::UTF8()->IsSingleByte());
  EXPECT_FALSE(TEncoding::Unicode()->IsSingleByte());
  EXPECT_EQ(TEncoding::UTF7()->GetString(TEncoding::UTF7()->GetBytes(kJapanese)), kJapanese);
}

TEST(Encoding, BufferEncodingDetectsByteOrderMarks) {
  struct Row {
    TBytes buffer;
    TEncoding* expected;
    Integer length;
  };
  const Row rows[] = {
      {{0xEF, 0xBB, 0xBF, 'a'}, TEncoding::UTF8(), 3},
      {{0xFF, 0xFE, 'a', 0}, TEncoding::Unicode(), 2},
      {{0xFE, 0xFF, 0, 'a'}, TEncoding::BigEndianUnicode(), 2},
      {{'a', 'b'}, TEncoding::Default(), 0},
      {{0xEF, 0xBB}, TEncoding::Default(), 0},  // a cut-off mark is no mark
      {{}, TEncoding::Default(), 0},
  };
  for (const auto& r : rows) {
    const TEncoding* enc = nullptr;
    EXPECT_EQ(TEncoding::GetBufferEncoding(r.buffer, enc), r.length);
    EXPECT_EQ(enc, r.expected);
  }
  // With an encoding given, only that encoding's own preamble counts.
  const TEncoding* given = TEncoding::Unicode();
  EXPECT_EQ(TEncoding::GetBufferEncoding(TBytes{0xEF, 0xBB, 0xBF, 'a'}, given), 0);
  EXPECT_EQ(given, TEncoding::Unicode());
  EXPECT_EQ(TEncoding::GetBufferEncoding(TBytes{0xFF, 0xFE}, given), 2);
  // A UTF-8 file with a mark decodes without it.
  TBytes file = TEncoding::UTF8()->GetPreamble();
  TBytes body = TEncoding::UTF8()->GetBytes(kJapanese);
  file.insert(file.end(), body.begin(), body.end());
  const TEncoding* detected = nullptr;
  Integer skip = TEncoding::GetBufferEncoding(file, detected);
  EXPECT_EQ(detected->GetString(file, skip, static_cast<Integer>(file.size()) - skip), kJapanese);
}

TEST(Encoding, LossyInputIsReplacedNotRaised) {
  // ASCII writes '?' for anything outside 7 bits and reads high bytes as '?'.
  EXPECT_EQ(TEncoding::ASCII()->GetBytes(L"aé日"), (TBytes{'a', '?', '?'}));
  EXPECT_EQ(TEncoding::ASCII()->GetString(TBytes{'a', 0xE9}), L"a?");
  // Malformed UTF-8 and an odd UTF-16 byte become replacement characters.
  EXPECT_EQ(TEncoding::UTF8()->GetString(TBytes{'a', 0xFF, 'b'}), L"a\xFFFD" L"b");
  EXPECT_EQ(TEncoding::Unicode()->GetString(TBytes{'a', 0, 'b'}), L"a\xFFFD");
  // Shift_JIS cannot hold this character; the system's default character stands in.
  TMBCSEncoding sjis(932);
  String back = sjis.GetString(sjis.GetBytes(L"\x0101"));
  EXPECT_EQ(back.size(), 1u);
}

TEST(Encoding, ConvertAndRangeErrors) {
  std::unique_ptr<TEncoding> sjis(TEncoding::GetEncoding(932));
  std::unique_ptr<TEncoding> euc(TEncoding::GetEncoding(L"EUC-JP"));
  TBytes sjisBytes = sjis->GetBytes(kJapanese);
  TBytes eucBytes = TEncoding::Convert(sjis.get(), euc.get(), sjisBytes);
  EXPECT_EQ(euc->GetString(eucBytes), kJapanese);
  EXPECT_EQ(TEncoding::Convert(sjis.get(), TEncoding::UTF8(), sjisBytes, 0, 4),
            TEncoding::UTF8()->GetBytes(L"日本"));

  TBytes three{'a', 'b', 'c'};
  EXPECT_EQ(TEncoding::ASCII()->GetString(three, 1, 2), L"bc");
  EXPECT_THROW(TEncoding::ASCII()->GetString(three, 2, 2), EEncodingError);
  EXPECT_THROW(TEncoding::ASCII()->GetString(three, -1, 1), EEncodingError);
  TBytes room(2);
  EXPECT_EQ(TEncoding::ASCII()->GetBytes(L"xyz", 1, 2, room, 0), 2);
  EXPECT_EQ(room, (TBytes{'y', 'z'}));
  EXPECT_THROW(TEncoding::ASCII()->GetBytes(L"xyz", 0, 3, room, 0), EEncodingError);
  EXPECT_THROW(TEncoding::GetEncoding(L"no-such-encoding"), EEncodingError);
  EXPECT_THROW(TMBCSEncoding(12345), EEncodingError);
}

}  // namespace

}  // namespace ZS_UNITY_ID
