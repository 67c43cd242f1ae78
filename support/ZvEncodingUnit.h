// Guessing the character encoding of Japanese text files, and turning an encoding code
// into a text codec.
#pragma once

#include "Classes.h"
#include "Encoding.h"

// An encoding as this unit names it (see TZvEncoding for the names).
enum TZvEncodingCode : Byte {
  zvcpUnknwon,
  zvcpIso2002,  // ISO-2022-JP
  zvcpSjis,
  zvcpEuc,
  zvcpUtf8,
  zvcpUtf16le,
  zvcpUtf16be,
  zvcpUsAscii,
  zvcpUcs4be,
  zvcpUcs4le,
  zvcpUtf8Bom,
};

// Looks at the first 1,024 bytes of a stream: byte signatures first (byte-order marks
// and the XML declaration patterns), then ISO-2022-JP escapes and pure ASCII, and
// finally scores the sample as UTF-8, Shift_JIS and EUC-JP. Keeps no state.
class TZvEncodingChecker : public TObject {
  DECLARE_CLASS(TZvEncodingChecker, TObject)
 public:
  // The number of bytes looked at.
  static constexpr Integer SampleSize = 1024;

  // Moves fs to its start, detects, and leaves fs just after the recognised signature
  // bytes (at 0 when the heuristics decided or nothing was found). aDefault when the
  // encoding cannot be told.
  static TZvEncodingCode CheckEncoding(TStream* fs, TZvEncodingCode aDefault);
  // The same for a file, opened read-only without locking anyone out.
  static TZvEncodingCode CheckEncoding(const String& aFilePath, TZvEncodingCode aDefault);

 protected:
  // Reads the sample from the start of the stream (restoring its position) and
  // returns the code with the length of the signature that decided it (0 for a guess).
  static TZvEncodingCode DetectEncoding(TStream* stream, Integer& signatureLength);
  // Byte-order marks and XML declaration patterns; zvcpUnknwon when none matches.
  static TZvEncodingCode CheckSignature(const Byte* sample, Integer n, Integer& length);
  static TZvEncodingCode GuessEncoding(const Byte* sample, Integer n);
  static bool HasUtf16Bom(const Byte* sample, Integer n, TZvEncodingCode& code);
  static bool HasIso2022JpEscape(const Byte* sample, Integer n);
  static bool IsAllAscii(const Byte* sample, Integer n);
  // True when the sample is well-formed UTF-8 throughout (a sequence cut by the end of
  // the sample aside) and holds at least one character of three or four bytes.
  static bool IsWellFormedUtf8(const Byte* sample, Integer n);
  // Each scorer returns whether the sample is plausible in its encoding, and a score
  // (kept up to where a scan stopped).
  static bool ScoreUtf8(const Byte* sample, Integer n, Integer& score, bool& hasBom);
  static bool ScoreShiftJis(const Byte* sample, Integer n, Integer& score);
  static bool ScoreEucJp(const Byte* sample, Integer n, Integer& score);
};

// Maps encoding codes to names and codecs. Keeps no state.
class TZvEncoding : public TObject {
  DECLARE_CLASS(TZvEncoding, TObject)
 public:
  // The code whose name equals aCodeName ignoring case (the first in code order, so
  // "UTF-8" is zvcpUtf8); zvcpUnknwon when none.
  static TZvEncodingCode CodeNameToPage(const String& aCodeName);
  // The code's name; "UNKOWN" for codes without one.
  static String CodePageToName(TZvEncodingCode aCodePage);
  // A new codec for the code (the caller frees it). ISO-2022-JP, UCS-4 and unknown
  // codes raise Exception.
  static TEncoding* CreateEncoding(TZvEncodingCode aCodePage);
  // True for ISO-2022-JP, Shift_JIS, EUC-JP and UTF-8 (with or without a mark).
  static bool IsJapaneseCodePage(TZvEncodingCode aCodePage);
};
