// Shared routines of the socket library: text and bytes in an encoding, fixed-width
// numbers in byte arrays, tokens, ticks, English formatting and IP address text.
#pragma once

#include <array>

#include "Classes.h"
#include "Encoding.h"
#include "SyncObjs.h"
#include "SysUtils.h"

enum TVRNetIPVersion : Byte { Net_IPv4 = 0, Net_IPv6 = 1 };
using TVRNetIPv6Address = std::array<Word, 8>;
enum TNetMaxLineAction { maException, maSplit };
enum TNetReuseSocket { rsOSDependent, rsTrue, rsFalse };

// The lock type of the whole library.
class TVRNetCriticalSection : public TCriticalSection {
  DECLARE_CLASS(TVRNetCriticalSection, TCriticalSection)
};

// Holds a critical section for the life of the scope.
class TVRNetLockScope {
 public:
  explicit TVRNetLockScope(TCriticalSection& ALock) : FLock(ALock) { FLock.Enter(); }
  ~TVRNetLockScope() { FLock.Leave(); }
  TVRNetLockScope(const TVRNetLockScope&) = delete;
  TVRNetLockScope& operator=(const TVRNetLockScope&) = delete;

 private:
  TCriticalSection& FLock;
};

// A file opened for reading that others may read but not write.
class TVRNetReadFileExclusiveStream : public TFileStream {
  DECLARE_CLASS(TVRNetReadFileExclusiveStream, TFileStream)
 public:
  explicit TVRNetReadFileExclusiveStream(const String& FileName) : TFileStream(FileName, 0x0020) {}
};

// Encodings: an absent encoding means ASCII.
void DefaultEncodingOfKind(const TEncoding*& Encoding, Integer Kind);
const TEncoding* EncodingOrDefault(const TEncoding* Encoding, const TEncoding* Fallback = nullptr,
                                   Integer Kind = 1);

Integer AvailableChars(const String& Text, Integer Length, Integer Start);
Integer AvailableBytes(const TBytes& Bytes, Integer Length, Integer Start);
TBytes BytesOfString(const String& Text, const TEncoding* Encoding = nullptr, Integer Length = -1,
                     Integer Start = 1);
TBytes BytesOfChar(Char Ch, const TEncoding* Encoding = nullptr);
String TextFromBytes(const TBytes& Bytes, const TEncoding* Encoding = nullptr, Integer Start = 0,
                     Integer Length = -1);
TBytes SubBytes(const TBytes& Bytes, Integer Length, Integer Start);
void CopyBytes(const TBytes& Source, Integer SourceIndex, TBytes& Dest, Integer Count, Integer DestIndex);

TBytes BytesOfValue(Int64 Value);
TBytes BytesOfValue(Integer Value);
TBytes BytesOfValue(Cardinal Value);
TBytes BytesOfValue(SmallInt Value);
TBytes BytesOfValue(Word Value);
TBytes BytesOfValue(Byte Value);
void CopyValueToBytes(Word Value, TBytes& Dest, Integer Index);
void CopyValueToBytes(Cardinal Value, TBytes& Dest, Integer Index);
void CopyValueToBytes(Int64 Value, TBytes& Dest, Integer Index);
void CopyValueToBytes(const TVRNetIPv6Address& Value, TBytes& Dest, Integer Index);
Integer LongIntFromBytes(const TBytes& Bytes, Integer Index = 0);
Int64 Int64FromBytes(const TBytes& Bytes, Integer Index = 0);
SmallInt SmallIntFromBytes(const TBytes& Bytes, Integer Index = 0);
Word WordFromBytes(const TBytes& Bytes, Integer Index = 0);
Cardinal LongWordFromBytes(const TBytes& Bytes, Integer Index = 0);
TVRNetIPv6Address IPv6FromBytes(const TBytes& Bytes, Integer Index = 0);

// Writes the available characters, encoded, to the stream.
void WriteTextToStream(TStream* Stream, const String& Text, const TEncoding* Encoding = nullptr,
                       Integer Length = -1, Integer Start = 1);

// Tokens and comparison.
void FetchToken(String& Input, const String& Delimiter, bool Delete, String& Token, bool CaseSensitive = true);
String Fetch(String& Input, const String& Delimiter = L" ", bool Delete = true, bool CaseSensitive = true);
bool HasPrefixText(const String& Text, const String& Prefix);
bool HasSuffixText(const String& Text, const String& Suffix);
// EVRNetException "Invalid ACharPos" for a position below 1.
bool CharAtIsOneOf(const String& Text, Integer Position, const String& Set);
// EConvertError for a bad number.
Integer TrimStrToInt(const String& Text);
Integer TrimStrToInt(const String& Text, Integer Default);
String ReplaceFirstOccurrence(const String& Text, const String& Old, const String& New);
// 1-based position of Sub in Text, 0 when absent.
Integer FindSubText(const String& Sub, const String& Text);
inline Integer MinOf(Integer A, Integer B) { return A < B ? A : B; }
inline Integer MaxOf(Integer A, Integer B) { return A > B ? A : B; }
inline Int64 MinOf64(Int64 A, Int64 B) { return A < B ? A : B; }
inline Integer ChooseInt(bool Flag, Integer IfTrue, Integer IfFalse) { return Flag ? IfTrue : IfFalse; }

// Time and threads.
Cardinal TickCount();
Cardinal ElapsedTicks(Cardinal Old, Cardinal New);
void SleepMs(Cardinal Ms);
bool OnMainThread();
// The runtime's Format with fixed English settings.
String UsFormat(const String& Fmt, const TConstArray& Args);
String UsFormat(const String& Fmt, TVarRecs Args);

// Address text.
Cardinal ParseIPv4Text(const String& Text, bool& Error);
String CanonicalIPv6Text(const String& Text);
void ParseIPv6Text(const String& Text, TVRNetIPv6Address& Words, bool& Error);
// EVRNetInvalVRNetIPv6Address "%s is not a valid IPv6 address".
void ParseIPv6Text(const String& Text, TVRNetIPv6Address& Words);
String IPv6WordsToText(const TVRNetIPv6Address& Words);

// Unit start-up: picks the substring routine and makes the English name tables.
extern const TUnitInfo VRNetGlobalUnit;
