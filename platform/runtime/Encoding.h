// Text encodings: conversion between String (UTF-16) and bytes in a code page.
#pragma once

#include "SysUtils.h"

// An encoding turns text into bytes and back. The standard encodings are shared
// singletons owned by the runtime (never free them); GetEncoding returns a new instance
// that the caller owns.
class TEncoding : public TObject {
  DECLARE_CLASS(TEncoding, TObject)
 public:
  ~TEncoding() override = default;

  // Text to bytes.
  TBytes GetBytes(const String& S) const;
  TBytes GetBytes(const wchar_t* Chars, Integer CharCount) const;
  // Encodes Chars[CharIndex .. CharIndex+CharCount) into Bytes at ByteIndex; returns the
  // number of bytes written. EEncodingError when the range or the room is wrong.
  Integer GetBytes(const String& S, Integer CharIndex, Integer CharCount, TBytes& Bytes,
                   Integer ByteIndex) const;
  Integer GetByteCount(const String& S) const;
  Integer GetByteCount(const wchar_t* Chars, Integer CharCount) const;

  // Bytes to text.
  String GetString(const TBytes& Bytes) const;
  String GetString(const TBytes& Bytes, Integer ByteIndex, Integer ByteCount) const;
  String GetString(const Byte* Bytes, Integer ByteCount) const;
  Integer GetCharCount(const TBytes& Bytes) const;
  Integer GetCharCount(const TBytes& Bytes, Integer ByteIndex, Integer ByteCount) const;
  Integer GetCharCount(const Byte* Bytes, Integer ByteCount) const;

  // The largest number of bytes (characters) that CharCount characters (ByteCount
  // bytes) can take.
  virtual Integer GetMaxByteCount(Integer CharCount) const = 0;
  virtual Integer GetMaxCharCount(Integer ByteCount) const = 0;
  // The byte-order mark written before text in this encoding (empty when none).
  virtual TBytes GetPreamble() const = 0;
  virtual UINT CodePage() const = 0;
  virtual bool IsSingleByte() const = 0;
  virtual String EncodingName() const;

  // Re-encodes bytes from one encoding into another.
  static TBytes Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes);
  static TBytes Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes,
                        Integer StartIndex, Integer Count);
  // Detects a byte-order mark. With Encoding nullptr on entry: UTF-8, UTF-16 LE or BE by
  // the mark, else Default with length 0 (ADefault when given). With an Encoding given:
  // its preamble length when Buffer starts with it, else 0. Returns the preamble length.
  static Integer GetBufferEncoding(const TBytes& Buffer, const TEncoding*& Encoding);
  static Integer GetBufferEncoding(const TBytes& Buffer, const TEncoding*& Encoding,
                                   const TEncoding* ADefault);
  // A new encoding for any code page the system converts (the caller frees it).
  // 1200/1201 give UTF-16 encodings, 65001 the UTF-8 encoding with its preamble.
  static TEncoding* GetEncoding(UINT CodePage);
  static TEncoding* GetEncoding(const String& EncodingName);
  // True for the shared singletons below (they must not be freed).
  static bool IsStandardEncoding(const TEncoding* AEncoding);
  static void FreeEncoding(const TEncoding* AEncoding);

  static TEncoding* ASCII();             // 7-bit; other characters become '?'
  static TEncoding* ANSI();              // the system ANSI code page
  static TEncoding* Default();           // = ANSI
  static TEncoding* UTF7();
  static TEncoding* UTF8();              // with the EF BB BF preamble
  static TEncoding* Unicode();           // UTF-16 little endian, preamble FF FE
  static TEncoding* BigEndianUnicode();  // UTF-16 big endian, preamble FE FF

 protected:
  TEncoding() = default;
  virtual Integer DoGetByteCount(const wchar_t* Chars, Integer CharCount) const = 0;
  virtual Integer DoGetBytes(const wchar_t* Chars, Integer CharCount, Byte* Bytes,
                             Integer ByteCount) const = 0;
  virtual Integer DoGetCharCount(const Byte* Bytes, Integer ByteCount) const = 0;
  virtual Integer DoGetChars(const Byte* Bytes, Integer ByteCount, wchar_t* Chars,
                             Integer CharCount) const = 0;
};

// A code page converted by the system (MultiByteToWideChar / WideCharToMultiByte).
// Undecodable bytes become replacement characters; nothing is raised. Code pages the
// system does not convert raise EEncodingError on construction. ISO-2022-JP (50220 to
// 50222) is converted here through EUC-JP when the system lacks it.
class TMBCSEncoding : public TEncoding {
  DECLARE_CLASS(TMBCSEncoding, TEncoding)
 public:
  TMBCSEncoding();  // the system ANSI code page
  explicit TMBCSEncoding(UINT CodePage, DWORD MBToWCharFlags = 0, DWORD WCharToMBFlags = 0);
  Integer GetMaxByteCount(Integer CharCount) const override;
  Integer GetMaxCharCount(Integer ByteCount) const override;
  TBytes GetPreamble() const override { return {}; }
  UINT CodePage() const override { return FCodePage; }
  bool IsSingleByte() const override { return FIsSingleByte; }
  String EncodingName() const override;

 protected:
  Integer DoGetByteCount(const wchar_t* Chars, Integer CharCount) const override;
  Integer DoGetBytes(const wchar_t* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const override;
  Integer DoGetCharCount(const Byte* Bytes, Integer ByteCount) const override;
  Integer DoGetChars(const Byte* Bytes, Integer ByteCount, wchar_t* Chars, Integer CharCount) const override;

 private:
  UINT FCodePage;
  DWORD FMBToWCharFlags;
  DWORD FWCharToMBFlags;
  Integer FMaxCharSize = 1;
  bool FIsSingleByte = true;
  bool FJisOverEuc = false;  // ISO-2022-JP done here through code page 20932
};

// 7-bit ASCII: characters above U+007F are written as '?', bytes above 0x7F read as '?'.
class TASCIIEncoding : public TEncoding {
  DECLARE_CLASS(TASCIIEncoding, TEncoding)
 public:
  TASCIIEncoding() = default;
  Integer GetMaxByteCount(Integer CharCount) const override { return CharCount + 1; }
  Integer GetMaxCharCount(Integer ByteCount) const override { return ByteCount; }
  TBytes GetPreamble() const override { return {}; }
  UINT CodePage() const override { return 20127; }
  bool IsSingleByte() const override { return true; }
  String EncodingName() const override { return L"US-ASCII"; }

 protected:
  Integer DoGetByteCount(const wchar_t* Chars, Integer CharCount) const override;
  Integer DoGetBytes(const wchar_t* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const override;
  Integer DoGetCharCount(const Byte* Bytes, Integer ByteCount) const override;
  Integer DoGetChars(const Byte* Bytes, Integer ByteCount, wchar_t* Chars, Integer CharCount) const override;
};

class TUTF7Encoding : public TMBCSEncoding {
  DECLARE_CLASS(TUTF7Encoding, TMBCSEncoding)
 public:
  TUTF7Encoding() : TMBCSEncoding(CP_UTF7) {}
  Integer GetMaxByteCount(Integer CharCount) const override { return CharCount * 3 + 2; }
  Integer GetMaxCharCount(Integer ByteCount) const override { return ByteCount; }
};

// UTF-8 with the byte-order mark EF BB BF as its preamble.
class TUTF8Encoding : public TMBCSEncoding {
  DECLARE_CLASS(TUTF8Encoding, TMBCSEncoding)
 public:
  TUTF8Encoding() : TMBCSEncoding(CP_UTF8) {}
  Integer GetMaxByteCount(Integer CharCount) const override { return (CharCount + 1) * 3; }
  Integer GetMaxCharCount(Integer ByteCount) const override { return ByteCount + 1; }
  TBytes GetPreamble() const override { return {0xEF, 0xBB, 0xBF}; }
};

// UTF-16 little endian, preamble FF FE.
class TUnicodeEncoding : public TEncoding {
  DECLARE_CLASS(TUnicodeEncoding, TEncoding)
 public:
  TUnicodeEncoding() = default;
  Integer GetMaxByteCount(Integer CharCount) const override { return (CharCount + 1) * 2; }
  Integer GetMaxCharCount(Integer ByteCount) const override { return ByteCount / 2 + ByteCount % 2 + 1; }
  TBytes GetPreamble() const override { return {0xFF, 0xFE}; }
  UINT CodePage() const override { return 1200; }
  bool IsSingleByte() const override { return false; }
  String EncodingName() const override { return L"Unicode (UTF-16LE)"; }

 protected:
  virtual bool BigEndian() const { return false; }
  Integer DoGetByteCount(const wchar_t* Chars, Integer CharCount) const override;
  Integer DoGetBytes(const wchar_t* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const override;
  Integer DoGetCharCount(const Byte* Bytes, Integer ByteCount) const override;
  Integer DoGetChars(const Byte* Bytes, Integer ByteCount, wchar_t* Chars, Integer CharCount) const override;
};

// UTF-16 big endian, preamble FE FF.
class TBigEndianUnicodeEncoding : public TUnicodeEncoding {
  DECLARE_CLASS(TBigEndianUnicodeEncoding, TUnicodeEncoding)
 public:
  TBigEndianUnicodeEncoding() = default;
  TBytes GetPreamble() const override { return {0xFE, 0xFF}; }
  UINT CodePage() const override { return 1201; }
  String EncodingName() const override { return L"Unicode (UTF-16BE)"; }

 protected:
  bool BigEndian() const override { return true; }
};
