#include "ZvEncodingUnit.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "ZvFileUtil.h"

namespace {

struct TCodeName {
  TZvEncodingCode Code;
  const wchar_t* Name;
};

// Searched in this order: "UTF-8" finds zvcpUtf8 before zvcpUtf8Bom.
const TCodeName CodeNames[] = {
    {zvcpUnknwon, L"UNKOWN"},     {zvcpIso2002, L"ISO-2022-JP"}, {zvcpSjis, L"Shift_JIS"},
    {zvcpEuc, L"EUC-JP"},         {zvcpUtf8, L"UTF-8"},          {zvcpUtf16le, L"UTF-16LE"},
    {zvcpUtf16be, L"UTF-16BE"},   {zvcpUsAscii, L"US-ASCII"},    {zvcpUcs4be, L"UCS-4BE"},
    {zvcpUcs4le, L"UCS-4LE"},     {zvcpUtf8Bom, L"UTF-8"},
};

bool StartsWith(const Byte* s, Integer n, std::initializer_list<Byte> pattern) {
  if (n < static_cast<Integer>(pattern.size())) return false;
  return std::equal(pattern.begin(), pattern.end(), s);
}

bool In(Byte b, Byte lo, Byte hi) { return b >= lo && b <= hi; }

}  // namespace

// ---------------------------------------------------------------------------------
// TZvEncodingChecker

TZvEncodingCode TZvEncodingChecker::CheckEncoding(TStream* fs, TZvEncodingCode aDefault) {
  fs->SetPosition(0);
  Integer length = 0;
  TZvEncodingCode code = DetectEncoding(fs, length);
  fs->SetPosition(length);
  return code == zvcpUnknwon ? aDefault : code;
}

TZvEncodingCode TZvEncodingChecker::CheckEncoding(const String& aFilePath, TZvEncodingCode aDefault) {
  TShareFileStream fs(aFilePath, false, 0);
  return CheckEncoding(&fs, aDefault);
}

TZvEncodingCode TZvEncodingChecker::DetectEncoding(TStream* stream, Integer& signatureLength) {
  signatureLength = 0;
  Int64 saved = stream->Position();
  Byte sample[SampleSize] = {};
  Integer n = 0;
  try {
    Int64 size = stream->Size();
    stream->SetPosition(0);
    Integer want = static_cast<Integer>(std::min<Int64>(size, SampleSize));
    // A stream may hand out less than asked per call: read until the sample is full.
    while (n < want) {
      Integer got = stream->Read(sample + n, want - n);
      if (got <= 0) break;
      n += got;
    }
  } catch (...) {
    stream->SetPosition(saved);
    throw;
  }
  stream->SetPosition(saved);

  Integer length = 0;
  TZvEncodingCode code = CheckSignature(sample, n, length);
  if (code != zvcpUnknwon) {
    signatureLength = length;
    return code;
  }
  return GuessEncoding(sample, n);
}

TZvEncodingCode TZvEncodingChecker::CheckSignature(const Byte* s, Integer n, Integer& length) {
  length = 0;
  if (n < 2) return zvcpUnknwon;
  if (n >= 4) {
    // The byte patterns of XML's encoding autodetection.
    struct {
      Byte b[4];
      TZvEncodingCode code;
    } static const xml[] = {
        {{0x00, 0x00, 0x00, 0x3C}, zvcpUcs4be}, {{0x3C, 0x00, 0x00, 0x00}, zvcpUcs4le},
        {{0x4C, 0x6F, 0xA7, 0x94}, zvcpUnknwon},  // EBCDIC: nothing this unit reads
        {{0x3C, 0x3F, 0x78, 0x6D}, zvcpUtf8},   {{0x3C, 0x00, 0x3F, 0x00}, zvcpUtf16le},
        {{0x00, 0x3C, 0x00, 0x3F}, zvcpUtf16be},
    };
    for (const auto& p : xml) {
      if (std::memcmp(s, p.b, 4) != 0) continue;
      if (p.code == zvcpUnknwon) return zvcpUnknwon;
      length = 4;
      return p.code;
    }
  }
  if (StartsWith(s, n, {0xEF, 0xBB, 0xBF})) {
    length = 3;
    return zvcpUtf8Bom;
  }
  if (StartsWith(s, n, {0xFE, 0xFF})) {
    length = 2;
    return zvcpUtf16be;
  }
  if (StartsWith(s, n, {0xFF, 0xFE})) {
    length = 2;
    return zvcpUtf16le;
  }
  return zvcpUnknwon;
}

TZvEncodingCode TZvEncodingChecker::GuessEncoding(const Byte* s, Integer n) {
  // An empty stream or a single byte tells nothing.
  if (n < 2) return zvcpUnknwon;
  TZvEncodingCode code;
  if (HasUtf16Bom(s, n, code)) return code;
  if (HasIso2022JpEscape(s, n)) return zvcpIso2002;
  if (IsAllAscii(s, n)) return zvcpUsAscii;
  // Full-width characters in UTF-8 pair up byte for byte as Shift_JIS too, so the scores
  // can favour Shift_JIS; text that is well-formed UTF-8 throughout is taken as UTF-8.
  if (IsWellFormedUtf8(s, n)) return zvcpUtf8;
  Integer utf8 = 0, sjis = 0, euc = 0;
  bool bom = false;
  bool anyPlausible = ScoreUtf8(s, n, utf8, bom);
  anyPlausible = ScoreShiftJis(s, n, sjis) || anyPlausible;
  anyPlausible = ScoreEucJp(s, n, euc) || anyPlausible;
  if (!anyPlausible) return zvcpUnknwon;
  // The scores are compared whatever each flag says; only a strict winner counts.
  if (euc > sjis && euc > utf8) return zvcpEuc;
  if (sjis > euc && sjis > utf8) return zvcpSjis;
  if (utf8 > euc && utf8 > sjis) return zvcpUtf8;
  return zvcpUnknwon;
}

bool TZvEncodingChecker::HasUtf16Bom(const Byte* s, Integer n, TZvEncodingCode& code) {
  if (StartsWith(s, n, {0xFF, 0xFE})) {
    code = zvcpUtf16le;
    return true;
  }
  if (StartsWith(s, n, {0xFE, 0xFF})) {
    code = zvcpUtf16be;
    return true;
  }
  return false;
}

bool TZvEncodingChecker::HasIso2022JpEscape(const Byte* s, Integer n) {
  for (Integer i = 0; i < n; ++i) {
    if (s[i] > 0x7F) return false;
    if (s[i] != 0x1B) continue;
    const Byte* p = s + i;
    Integer left = n - i;
    if (left >= 3 && ((p[1] == 0x28 && (p[2] == 0x42 || p[2] == 0x4A || p[2] == 0x49)) ||
                      (p[1] == 0x24 && (p[2] == 0x40 || p[2] == 0x42))))
      return true;
    if (left >= 4 && p[1] == 0x24 && p[2] == 0x28 && p[3] == 0x44) return true;
    if (left >= 6 && p[1] == 0x26 && p[2] == 0x40 && p[3] == 0x1B && p[4] == 0x24 && p[5] == 0x42) return true;
  }
  return false;
}

bool TZvEncodingChecker::IsAllAscii(const Byte* s, Integer n) {
  return std::all_of(s, s + n, [](Byte b) { return b < 0x80; });
}

bool TZvEncodingChecker::IsWellFormedUtf8(const Byte* s, Integer n) {
  bool longSequence = false;
  Integer i = 0;
  while (i < n) {
    Byte b = s[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    Integer len;
    Byte lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (In(b, 0xC2, 0xDF)) {
      len = 2;
    } else if (In(b, 0xE0, 0xEF)) {
      len = 3;
      if (b == 0xE0) lo = 0xA0;        // no overlong forms
      else if (b == 0xED) hi = 0x9F;   // no surrogates
    } else if (In(b, 0xF0, 0xF4)) {
      len = 4;
      if (b == 0xF0) lo = 0x90;
      else if (b == 0xF4) hi = 0x8F;   // nothing above U+10FFFF
    } else {
      return false;
    }
    for (Integer k = 1; k < len; ++k) {
      if (i + k >= n) return longSequence;  // cut by the end of the sample
      Byte c = s[i + k];
      if (k == 1 ? !In(c, lo, hi) : !In(c, 0x80, 0xBF)) return false;
    }
    if (len > 2) longSequence = true;
    i += len;
  }
  return longSequence;
}

bool TZvEncodingChecker::ScoreUtf8(const Byte* s, Integer n, Integer& score, bool& hasBom) {
  auto cont = [](Byte b) { return In(b, 0x80, 0xBF); };
  score = 0;
  hasBom = false;
  Integer i = 0;
  while (i < n) {
    Byte b = s[i];
    if (b < 0x80 || i == n - 1) {
      ++i;
      continue;
    }
    if (In(b, 0xC0, 0xDF) && cont(s[i + 1])) {
      score += 2;
      i += 2;
      continue;
    }
    if (n - i < 3) {
      ++i;
      continue;
    }
    if (b == 0xEF && s[i + 1] == 0xBB && s[i + 2] == 0xBF) {
      score += 3;
      hasBom = true;
      i += 3;
      continue;
    }
    if (In(b, 0xE0, 0xEF) && cont(s[i + 1]) && cont(s[i + 2])) {
      score += 3;
      i += 3;
      continue;
    }
    if (n - i < 4) return false;
    if (In(b, 0xF0, 0xF7) && cont(s[i + 1]) && cont(s[i + 2]) && cont(s[i + 3])) {
      score += 4;
      i += 4;
      continue;
    }
    ++i;
  }
  return true;
}

bool TZvEncodingChecker::ScoreShiftJis(const Byte* s, Integer n, Integer& score) {
  auto lead = [](Byte b) { return In(b, 0x81, 0x9F) || In(b, 0xE0, 0xFC); };
  score = 0;
  Integer i = 0;
  while (i < n) {
    Byte b = s[i];
    if (b < 0x80 || In(b, 0xA1, 0xDF) || (i == n - 1 && lead(b))) {
      ++i;
      continue;
    }
    if (i + 1 < n && lead(b) && (In(s[i + 1], 0x40, 0x7E) || In(s[i + 1], 0x80, 0xFC))) {
      score += 2;
      i += 2;
      continue;
    }
    return false;
  }
  return true;
}

bool TZvEncodingChecker::ScoreEucJp(const Byte* s, Integer n, Integer& score) {
  score = 0;
  Integer i = 0;
  while (i < n) {
    Byte b = s[i];
    if (b < 0x80 || i == n - 1) {
      ++i;
      continue;
    }
    Byte t = s[i + 1];
    if (In(b, 0xA1, 0xFE) && In(t, 0xA1, 0xFE)) {
      score += 2;
      i += 2;
      continue;
    }
    if (b == 0x8E && In(t, 0xA1, 0xDF)) {  // half-width katakana
      score += 2;
      i += 2;
      continue;
    }
    if (n - i >= 3 && b == 0x8F && In(t, 0xA1, 0xFE) && In(s[i + 2], 0xA1, 0xFE)) {
      score += 3;
      i += 3;
      continue;
    }
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------
// TZvEncoding

TZvEncodingCode TZvEncoding::CodeNameToPage(const String& aCodeName) {
  for (const TCodeName& c : CodeNames)
    if (SameText(aCodeName, c.Name)) return c.Code;
  return zvcpUnknwon;
}

String TZvEncoding::CodePageToName(TZvEncodingCode aCodePage) {
  for (const TCodeName& c : CodeNames)
    if (c.Code == aCodePage) return c.Name;
  return L"UNKOWN";
}

TEncoding* TZvEncoding::CreateEncoding(TZvEncodingCode aCodePage) {
  switch (aCodePage) {
    case zvcpSjis: return new TMBCSEncoding(932);
    case zvcpEuc: return new TMBCSEncoding(20932);
    case zvcpUtf8: return new TMBCSEncoding(CP_UTF8);  // no byte-order mark
    case zvcpUtf16le: return new TUnicodeEncoding();
    case zvcpUtf16be: return new TBigEndianUnicodeEncoding();
    case zvcpUsAscii: return new TMBCSEncoding();  // the system ANSI code page
    case zvcpUtf8Bom: return new TUTF8Encoding();
    case zvcpIso2002: throw Exception(L"Iso2002 is not supported encoding.");
    case zvcpUcs4be: throw Exception(L"Ucs4be is not supported encoding.");
    case zvcpUcs4le: throw Exception(L"Ucs4le is not supported encoding.");
    default: throw Exception(L"Unsupported TZvEncodingCode in TZvEncoding GetEncoding.");
  }
}

bool TZvEncoding::IsJapaneseCodePage(TZvEncodingCode aCodePage) {
  switch (aCodePage) {
    case zvcpIso2002:
    case zvcpSjis:
    case zvcpEuc:
    case zvcpUtf8:
    case zvcpUtf8Bom:
      return true;
    default:
      return false;
  }
}
