// SysUtils: exceptions, string and number routines, Format, format settings, dates and
// file routines.
//
// Positions: Pos, PosEx, Copy, Delete and Insert take and return 1-based character
// positions, the way users and stored files count them (0 from Pos means "not found").
// Everything that works on std::wstring directly stays 0-based.
#pragma once

#include <array>
#include <exception>
#include <functional>
#include <source_location>
#include <string>
#include <string_view>

#include "SysInit.h"
#include "System.h"

// The runtime's DeleteFile takes a String; the system's is DeleteFileW.
#ifdef DeleteFile
#undef DeleteFile
#endif

// ---------------------------------------------------------------------------------------
// Exceptions

// The root of every failure raised by the runtime and the system. Carries a message.
class Exception : public TObject, public std::exception {
  DECLARE_CLASS(Exception, TObject)
 public:
  explicit Exception(const String& Msg);
  // CreateFmt: the message is Format(Fmt, Args).
  Exception(const String& Fmt, TVarRecs Args);
  // Exceptions copy (a raised object may be stored and raised again); the copy is a new object.
  Exception(const Exception& Other);
  ~Exception() override;
  const String& Message() const { return FMessage; }
  void SetMessage(const String& Msg);
  Integer HelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value) { FHelpContext = Value; }
  // The message in UTF-8, for std::exception users (and test output).
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  String FMessage;
  std::string FWhat;
  Integer FHelpContext = 0;
};

// Declares an exception class with its parent; constructors are those of Exception.
#define DECLARE_EXCEPTION(Name, Parent)   \
  class Name : public Parent {            \
    DECLARE_CLASS(Name, Parent)           \
   public:                                \
    using Parent::Parent;                 \
  };

DECLARE_EXCEPTION(EAbort, Exception)
DECLARE_EXCEPTION(EConvertError, Exception)
DECLARE_EXCEPTION(EListError, Exception)
DECLARE_EXCEPTION(EStringListError, Exception)
DECLARE_EXCEPTION(EInvalidOperation, Exception)
DECLARE_EXCEPTION(EInvalidPointer, Exception)
DECLARE_EXCEPTION(EOutOfMemory, Exception)
DECLARE_EXCEPTION(EInvalidCast, Exception)
DECLARE_EXCEPTION(ENotSupportedException, Exception)
DECLARE_EXCEPTION(EArgumentException, Exception)
DECLARE_EXCEPTION(EArgumentOutOfRangeException, EArgumentException)
DECLARE_EXCEPTION(EExternal, Exception)
DECLARE_EXCEPTION(EIntError, EExternal)
DECLARE_EXCEPTION(EDivByZero, EIntError)
DECLARE_EXCEPTION(ERangeError, EIntError)
DECLARE_EXCEPTION(EIntOverflow, EIntError)
DECLARE_EXCEPTION(EMathError, EExternal)
DECLARE_EXCEPTION(EInvalidOp, EMathError)
DECLARE_EXCEPTION(EZeroDivide, EMathError)
DECLARE_EXCEPTION(EOverflow, EMathError)
DECLARE_EXCEPTION(EUnderflow, EMathError)
DECLARE_EXCEPTION(EAccessViolation, EExternal)
DECLARE_EXCEPTION(EAssertionFailed, Exception)
DECLARE_EXCEPTION(EStreamError, Exception)
DECLARE_EXCEPTION(EFileStreamError, EStreamError)
DECLARE_EXCEPTION(EFCreateError, EFileStreamError)
DECLARE_EXCEPTION(EFOpenError, EFileStreamError)
DECLARE_EXCEPTION(EFilerError, EStreamError)
DECLARE_EXCEPTION(EReadError, EFilerError)
DECLARE_EXCEPTION(EWriteError, EFilerError)
DECLARE_EXCEPTION(EInOutError, Exception)
DECLARE_EXCEPTION(EThread, Exception)
DECLARE_EXCEPTION(EVariantError, Exception)
DECLARE_EXCEPTION(EEncodingError, Exception)

// A failed operating-system call: carries the system error code.
class EOSError : public Exception {
  DECLARE_CLASS(EOSError, Exception)
 public:
  using Exception::Exception;
  DWORD ErrorCode = 0;
};

// Raises EAbort with an empty message: the silent exception.
[[noreturn]] void Abort();
// Raises EOutOfMemory.
[[noreturn]] void OutOfMemoryError();

// The system's text for an error code (FormatMessageW), without the trailing line break.
// Empty when the system has no text for the code.
String SysErrorMessage(DWORD ErrorCode);
// Loads a library under the given error mode (by default no "file not found" box when it
// is missing) and puts the previous mode back. 0 when the library cannot be loaded.
HMODULE SafeLoadLibrary(const wchar_t* FileName, UINT ErrorMode = SEM_NOOPENFILEERRORBOX);
// Raises EOSError for GetLastError() (or the given code) with the message
// "System Error.  Code: <n>.\r\n<system text>"; a zero code gives
// "A call to an OS function failed".
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD LastError);
// Raises through RaiseLastOSError when RetVal is false; returns RetVal otherwise.
BOOL Win32Check(BOOL RetVal);

// The message of an exception as the application shows it:
// "Exception <class> in module <module> at <address>.\r\n<message>." (the dot only when the
// message does not already end in one).
String ExceptionErrorMessage(const Exception& E, const void* ExceptAddr = nullptr);
// Shows the message of an exception in a message box (console programs print it to stderr).
void ShowException(const Exception& E, const void* ExceptAddr = nullptr);

// Assertions. AssertErrorProc is called with the message, the source file and the line
// of a failed assertion; the default raises EAssertionFailed "<message> (<file>, line <n>)".
using TAssertErrorProc = std::function<void(const String& Message, const String& FileName, Integer LineNumber)>;
extern TAssertErrorProc AssertErrorProc;
// Calls AssertErrorProc (or the default) for a failed assertion.
void AssertFailed(const String& Message, const char* FileName, Integer LineNumber);
// Assert(cond) and Assert(cond, msg); the message defaults to "Assertion failure".
inline void Assert(bool Condition, const String& Message = L"Assertion failure",
                   std::source_location Where = std::source_location::current()) {
  if (!Condition) AssertFailed(Message, Where.file_name(), static_cast<Integer>(Where.line()));
}
#define ASSERT(cond) \
  ((cond) ? (void)0 : ::AssertFailed(L"Assertion failure", __FILE__, __LINE__))

// Converts a Variant passed in an array-of-const list (vtVariant) to a plain argument for
// Format. The Variants unit installs it; without it a Variant argument is a mismatch.
using TVarRecVariantConverter = bool (*)(const void* Variant, TVarRec& Out);
extern TVarRecVariantConverter VarRecVariantConverter;

// ---------------------------------------------------------------------------------------
// Format settings

// A fixed list of names indexed from 1 (months 1..12, days 1..7 with Sunday as 1).
template <std::size_t N>
struct TNameArray {
  std::array<String, N> Items;
  String& operator[](std::size_t I) { return Items.at(I - 1); }
  const String& operator[](std::size_t I) const { return Items.at(I - 1); }
  static constexpr std::size_t Count() { return N; }
  auto begin() { return Items.begin(); }
  auto end() { return Items.end(); }
  auto begin() const { return Items.begin(); }
  auto end() const { return Items.end(); }
};

// One era of a calendar with eras (the Japanese calendar): its name and first day.
struct TEraInfo {
  String EraName;
  Integer EraOffset = 0;    // the Gregorian year before the era's year 1
  TDateTime EraStart = 0;   // first day of the era
};

// The locale-dependent formats of numbers, currency and dates.
// Date and time formats use the runtime's tokens (see FormatDateTime), not the system's.
struct TFormatSettings {
  Byte CurrencyFormat = 0;       // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  Byte NegCurrFormat = 1;        // 0-15, as the system's negative currency formats
  Char ThousandSeparator = L',';
  Char DecimalSeparator = L'.';
  Byte CurrencyDecimals = 2;
  Char DateSeparator = L'/';
  Char TimeSeparator = L':';
  Char ListSeparator = L',';
  String CurrencyString = L"$";
  String ShortDateFormat = L"M/d/yyyy";
  String LongDateFormat = L"dddd, MMMM d, yyyy";
  String TimeAMString = L"AM";
  String TimePMString = L"PM";
  String ShortTimeFormat = L"h:mm AMPM";
  String LongTimeFormat = L"h:mm:ss AMPM";
  TNameArray<12> ShortMonthNames{{L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun", L"Jul",
                                  L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"}};
  TNameArray<12> LongMonthNames{{L"January", L"February", L"March", L"April", L"May",
                                 L"June", L"July", L"August", L"September", L"October",
                                 L"November", L"December"}};
  TNameArray<7> ShortDayNames{{L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"}};
  TNameArray<7> LongDayNames{{L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday",
                              L"Friday", L"Saturday"}};
  Word TwoDigitYearCenturyWindow = 50;
  // Eras for the g/gg/e/ee tokens; empty for calendars without eras.
  std::vector<TEraInfo> EraInfo;

  // The settings of the user's locale.
  static TFormatSettings Create();
  // The settings of the given locale (LOCALE_USER_DEFAULT, LOCALE_INVARIANT, 0x0411 …).
  static TFormatSettings Create(LCID Locale);
  // Settings that do not depend on any locale ('.' decimal, "MM/dd/yyyy", English names).
  static TFormatSettings Invariant();
};

// Fills Settings from the locale (GetLocaleInfoW), translating the system's date and time
// patterns to the runtime's tokens.
void GetLocaleFormatSettings(LCID Locale, TFormatSettings& Settings);

// The process-wide settings, filled from the user's locale when the SysUtils unit starts
// and on GetFormatSettings().
extern TFormatSettings FormatSettings;
// Refreshes FormatSettings from the user's locale.
void GetFormatSettings();

// The SysUtils unit: start-up fills FormatSettings.
extern const TUnitInfo SysUtilsUnit;

// ---------------------------------------------------------------------------------------
// Strings

// Conversions between String and the bytes of a code page (CP_ACP, CP_UTF8, 932, ...),
// done by the system: the one routine family every unit converts text with. Flags go to
// MultiByteToWideChar; with MB_ERR_INVALID_CHARS, bytes that do not convert give ''.
String CodePageToString(UINT CodePage, const char* Bytes, size_t Count, DWORD Flags = 0);
inline String CodePageToString(UINT CodePage, const std::string& Bytes, DWORD Flags = 0) {
  return CodePageToString(CodePage, Bytes.data(), Bytes.size(), Flags);
}
std::string StringToCodePage(UINT CodePage, const String& S);

// Conversions between String and the system ANSI code page / UTF-8.
AnsiString StringToAnsi(const String& S);
String AnsiToString(const AnsiString& S);
UTF8String UTF8Encode(const String& S);
String UTF8Decode(const UTF8String& S);
String UTF8ToString(const UTF8String& S);

// Character classification (Unicode, through the system's character types).
bool IsLetter(Char C);
bool IsDigit(Char C);          // Unicode decimal digits
bool IsLetterOrDigit(Char C);
bool IsUpper(Char C);
bool IsLower(Char C);
bool IsWhiteSpace(Char C);
bool IsPunctuation(Char C);
bool IsControl(Char C);
// True when C is one of Chars.
bool CharInSet(Char C, std::wstring_view Chars);
// A Char of the ASCII range upper-cased / lower-cased; others unchanged.
Char UpCase(Char C);

String IntToStr(Integer Value);
String IntToStr(Int64 Value);
String UIntToStr(Cardinal Value);
String UIntToStr(UInt64 Value);
// Upper-case hexadecimal with at least Digits digits (negative values as two's complement).
String IntToHex(Integer Value, Integer Digits);
String IntToHex(Int64 Value, Integer Digits);
String IntToHex(UInt64 Value, Integer Digits);
template <class T>
  requires std::is_integral_v<T>
String IntToStr(T Value) {
  if constexpr (std::is_signed_v<T>) return IntToStr(static_cast<Int64>(Value));
  else return UIntToStr(static_cast<UInt64>(Value));
}
template <class T>
  requires std::is_integral_v<T>
String IntToHex(T Value, Integer Digits) {
  if constexpr (sizeof(T) <= 4 && std::is_signed_v<T>) return IntToHex(static_cast<Integer>(Value), Digits);
  else if constexpr (sizeof(T) <= 4) return IntToHex(static_cast<UInt64>(static_cast<Cardinal>(Value)), Digits);
  else return IntToHex(static_cast<UInt64>(Value), Digits);
}

// Integer text: optional blanks, sign, decimal digits or hexadecimal after '$', '0x' or
// '0X'. EConvertError "'<text>' is not a valid integer value" on bad text or overflow.
Integer StrToInt(const String& S);
Integer StrToIntDef(const String& S, Integer Default);
bool TryStrToInt(const String& S, Integer& Value);
Int64 StrToInt64(const String& S);
Int64 StrToInt64Def(const String& S, Int64 Default);
bool TryStrToInt64(const String& S, Int64& Value);
Cardinal StrToUInt(const String& S);
bool TryStrToUInt(const String& S, Cardinal& Value);

// Booleans: BoolToStr gives "-1"/"0", or "True"/"False" with UseBoolStrs.
String BoolToStr(bool B, bool UseBoolStrs = false);
// "True"/"False" (any case) and numbers (non-zero is true).
// EConvertError "'<text>' is not a valid boolean value".
bool StrToBool(const String& S);
bool StrToBoolDef(const String& S, bool Default);
bool TryStrToBool(const String& S, bool& Value);

// Case: UpperCase/LowerCase/CompareText/SameText change only ASCII letters;
// the Ansi forms follow the user's locale (CompareStringW, CharUpperBuffW).
String UpperCase(const String& S);
String LowerCase(const String& S);
Integer CompareStr(const String& S1, const String& S2);
Integer CompareText(const String& S1, const String& S2);
bool SameStr(const String& S1, const String& S2);
bool SameText(const String& S1, const String& S2);
String AnsiUpperCase(const String& S);
String AnsiLowerCase(const String& S);
Integer AnsiCompareStr(const String& S1, const String& S2);
Integer AnsiCompareText(const String& S1, const String& S2);
bool AnsiSameStr(const String& S1, const String& S2);
bool AnsiSameText(const String& S1, const String& S2);

// Trim removes leading and trailing characters up to and including the space
// (control characters and blanks).
String Trim(const String& S);
String TrimLeft(const String& S);
String TrimRight(const String& S);

// 1-based position of SubStr in S (searching from Offset), 0 when absent.
Integer Pos(const String& SubStr, const String& S);
Integer PosEx(const String& SubStr, const String& S, Integer Offset = 1);
Integer Pos(Char C, const String& S);
Integer AnsiPos(const String& SubStr, const String& S);
// Count characters from the 1-based Index (clipped to the string).
String Copy(const String& S, Integer Index, Integer Count = 0x7FFFFFFF);
// Deletes Count characters from the 1-based Index; inserts Source before Index.
void Delete(String& S, Integer Index, Integer Count);
void Insert(const String& Source, String& S, Integer Index);
// The 1-based position of the last character of S that is one of Delimiters, 0 if none.
Integer LastDelimiter(const String& Delimiters, const String& S);
// True when the 1-based Index of S holds one of Delimiters.
bool IsDelimiter(const String& Delimiters, const String& S, Integer Index);

enum class TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = Set<TReplaceFlag, 2>;
constexpr TReplaceFlag rfReplaceAll = TReplaceFlag::rfReplaceAll;
constexpr TReplaceFlag rfIgnoreCase = TReplaceFlag::rfIgnoreCase;
String StringReplace(const String& S, const String& OldPattern, const String& NewPattern,
                     TReplaceFlags Flags);

String QuotedStr(const String& S);                       // 'it''s'
String AnsiQuotedStr(const String& S, Char Quote);
// Removes the quotes of a quoted string and undoubles inner quotes; S unchanged when it
// does not start with Quote.
String AnsiDequotedStr(const String& S, Char Quote);
// Extracts the quoted string at Pos (0-based index into Src), advancing Pos past it.
// Empty when Src[Pos] is not Quote.
String AnsiExtractQuotedStr(const String& Src, std::size_t& Pos, Char Quote);
String StringOfChar(Char C, Integer Count);
// Wraps Line at MaxCol, breaking after one of BreakChars, inserting BreakStr; text in
// quotes is never broken.
String WrapText(const String& Line, const String& BreakStr, const String& BreakChars, Integer MaxCol);
String WrapText(const String& Line, Integer MaxCol = 45);
// Every line break (CR, LF, CR LF, LF CR) becomes CR LF.
String AdjustLineBreaks(const String& S);

// ---------------------------------------------------------------------------------------
// Format

// Format: every specifier in Fmt has the form
//   "%" [index ":"] ["-"] [width] ["." precision] type
// with types d u x e f g n m p s (any case) and '*' for index, width or precision taken
// from the argument list; "%%" is a percent sign. Indexes are 0-based. A mismatch raises
// EConvertError "Format '<fmt>' invalid or incompatible with argument"; a missing argument
// EConvertError "No argument for format '<fmt>'".
String Format(const String& Fmt, TVarRecs Args);
String Format(const String& Fmt, const TConstArray& Args);
String Format(const String& Fmt, TVarRecs Args, const TFormatSettings& Settings);
String Format(const String& Fmt, const TConstArray& Args, const TFormatSettings& Settings);
// Format into Result.
void FmtStr(String& Result, const String& Fmt, TVarRecs Args);

// ---------------------------------------------------------------------------------------
// Floating-point and currency text

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
enum TFloatValue { fvExtended, fvCurrency };

String FloatToStr(Extended Value);
String FloatToStr(Extended Value, const TFormatSettings& Settings);
// Precision: significant digits; Digits: decimals (fixed, number, currency) or the
// minimum exponent digits (general, exponent).
String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits);
String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& Settings);
// Format masks: 0 # . , E+ E- e+ e- 'literal' "literal" and up to three sections
// (positive;negative;zero).
String FormatFloat(const String& Format, Extended Value);
String FormatFloat(const String& Format, Extended Value, const TFormatSettings& Settings);
String FormatCurr(const String& Format, Currency Value);
String FormatCurr(const String& Format, Currency Value, const TFormatSettings& Settings);
// Text to number: blanks around, sign, digits with DecimalSeparator, exponent.
// EConvertError "'<text>' is not a valid floating point value".
Extended StrToFloat(const String& S);
Extended StrToFloat(const String& S, const TFormatSettings& Settings);
Extended StrToFloatDef(const String& S, Extended Default);
Extended StrToFloatDef(const String& S, Extended Default, const TFormatSettings& Settings);
bool TryStrToFloat(const String& S, Extended& Value);
bool TryStrToFloat(const String& S, Extended& Value, const TFormatSettings& Settings);
bool TryStrToFloat(const String& S, Single& Value);
bool TryStrToFloat(const String& S, Single& Value, const TFormatSettings& Settings);
// TextToFloat: the same conversion as TryStrToFloat, as the low-level routine.
bool TextToFloat(const String& S, Extended& Value, const TFormatSettings& Settings);
bool TextToFloat(const String& S, Extended& Value);

String CurrToStr(Currency Value);
String CurrToStr(Currency Value, const TFormatSettings& Settings);
String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits);
String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits, const TFormatSettings& Settings);
// EConvertError "'<text>' is not a valid floating point value".
Currency StrToCurr(const String& S);
Currency StrToCurr(const String& S, const TFormatSettings& Settings);
Currency StrToCurrDef(const String& S, Currency Default);
Currency StrToCurrDef(const String& S, Currency Default, const TFormatSettings& Settings);
bool TryStrToCurr(const String& S, Currency& Value);
bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& Settings);

// ---------------------------------------------------------------------------------------
// Dates and times. TDateTime counts days since 1899-12-30; the fraction is the time of day
// (for negative values the fraction still counts forward from midnight).

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerHour = 60;
constexpr Integer SecsPerMin = 60;
constexpr Integer MSecsPerSec = 1000;
constexpr Integer MinsPerDay = HoursPerDay * MinsPerHour;
constexpr Integer SecsPerDay = MinsPerDay * SecsPerMin;
constexpr Integer SecsPerHour = SecsPerMin * MinsPerHour;
constexpr Integer MSecsPerDay = SecsPerDay * MSecsPerSec;
constexpr Integer DateDelta = 693594;       // days from 0001-01-01 to 1899-12-31
constexpr Integer UnixDateDelta = 25569;    // days from 1899-12-30 to 1970-01-01
constexpr double MinDateTime = -657434.0;        // 0100-01-01
constexpr double MaxDateTime = 2958465.99999999; // 9999-12-31 23:59:59.999

// Time = milliseconds since midnight; Date = days since 0001-01-01 plus one.
struct TTimeStamp {
  Integer Time = 0;
  Integer Date = 0;
};

// MonthDays[IsLeapYear(Year)][Month], Month 1..12 (index 0 is unused).
using TDayTable = std::array<Word, 13>;
extern const std::array<TDayTable, 2> MonthDays;

bool IsLeapYear(Word Year);
Word DaysInMonth(Word Year, Word Month);

TDateTime EncodeDate(Word Year, Word Month, Word Day);
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
// DOW: 1 = Sunday … 7 = Saturday. Returns whether Year is a leap year.
bool DecodeDateFully(TDateTime Date, Word& Year, Word& Month, Word& Day, Word& DOW);
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
// 1 = Sunday … 7 = Saturday.
Word DayOfWeek(TDateTime Date);
TDateTime Now();
TDateTime Date();
TDateTime Time();
TDateTime GetTime();
// Adds months, clipping the day to the new month's length.
TDateTime IncMonth(TDateTime Date, Integer NumberOfMonths = 1);
void IncAMonth(Word& Year, Word& Month, Word& Day, Integer NumberOfMonths = 1);
// Replaces the time part (or date part) of DateTime, keeping the other.
void ReplaceTime(TDateTime& DateTime, TDateTime NewTime);
void ReplaceDate(TDateTime& DateTime, TDateTime NewDate);

TTimeStamp DateTimeToTimeStamp(TDateTime DateTime);
TDateTime TimeStampToDateTime(const TTimeStamp& TimeStamp);
TTimeStamp MSecsToTimeStamp(double MSecs);
double TimeStampToMSecs(const TTimeStamp& TimeStamp);
TDateTime SystemTimeToDateTime(const SYSTEMTIME& SystemTime);
void DateTimeToSystemTime(TDateTime DateTime, SYSTEMTIME& SystemTime);
// DOS date and time (local), as file routines use them.
Integer DateTimeToFileDate(TDateTime DateTime);
TDateTime FileDateToDateTime(Integer FileDate);

// FormatDateTime tokens: c d dd ddd dddd ddddd dddddd e ee g gg m mm mmm mmmm y yy yyyy
// h hh n nn s ss z zzz t tt am/pm a/p ampm / : 'literal' "literal" (case-insensitive;
// m after h is minutes).
String FormatDateTime(const String& Format, TDateTime DateTime);
String FormatDateTime(const String& Format, TDateTime DateTime, const TFormatSettings& Settings);
void DateTimeToString(String& Result, const String& Format, TDateTime DateTime);
void DateTimeToString(String& Result, const String& Format, TDateTime DateTime,
                      const TFormatSettings& Settings);
String DateToStr(TDateTime Date);
String DateToStr(TDateTime Date, const TFormatSettings& Settings);
String TimeToStr(TDateTime Time);
String TimeToStr(TDateTime Time, const TFormatSettings& Settings);
String DateTimeToStr(TDateTime DateTime);
String DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings);
// Text to date: numbers separated by DateSeparator in ShortDateFormat's order (a missing
// year is the current year; two-digit years use TwoDigitYearCenturyWindow).
// EConvertError "'<text>' is not a valid date" / "… time" / "… date and time".
TDateTime StrToDate(const String& S);
TDateTime StrToDate(const String& S, const TFormatSettings& Settings);
TDateTime StrToDateDef(const String& S, TDateTime Default);
TDateTime StrToDateDef(const String& S, TDateTime Default, const TFormatSettings& Settings);
bool TryStrToDate(const String& S, TDateTime& Value);
bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& Settings);
TDateTime StrToTime(const String& S);
TDateTime StrToTime(const String& S, const TFormatSettings& Settings);
TDateTime StrToTimeDef(const String& S, TDateTime Default);
TDateTime StrToTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings);
bool TryStrToTime(const String& S, TDateTime& Value);
bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& Settings);
TDateTime StrToDateTime(const String& S);
TDateTime StrToDateTime(const String& S, const TFormatSettings& Settings);
TDateTime StrToDateTimeDef(const String& S, TDateTime Default);
TDateTime StrToDateTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings);
bool TryStrToDateTime(const String& S, TDateTime& Value);
bool TryStrToDateTime(const String& S, TDateTime& Value, const TFormatSettings& Settings);

// ---------------------------------------------------------------------------------------
// File names and files

constexpr Char PathDelim = L'\\';
constexpr Char DriveDelim = L':';
constexpr Char PathSep = L';';

// ExtractFilePath keeps the trailing delimiter, ExtractFileDir drops it (except after a
// drive root). ExtractFileExt includes the dot.
String ExtractFilePath(const String& FileName);
String ExtractFileDir(const String& FileName);
String ExtractFileName(const String& FileName);
String ExtractFileExt(const String& FileName);
// "C:" or "\\server\share"; empty otherwise.
String ExtractFileDrive(const String& FileName);
String ChangeFileExt(const String& FileName, const String& Extension);
String ChangeFilePath(const String& FileName, const String& Path);
String IncludeTrailingPathDelimiter(const String& S);
String IncludeTrailingBackslash(const String& S);
String ExcludeTrailingPathDelimiter(const String& S);
String ExcludeTrailingBackslash(const String& S);
bool IsPathDelimiter(const String& S, Integer Index);  // 1-based Index
// The full path name (GetFullPathNameW).
String ExpandFileName(const String& FileName);
// DestName relative to the folder of BaseName (a path ending in a delimiter is a folder).
String ExtractRelativePath(const String& BaseName, const String& DestName);

bool FileExists(const String& FileName);
bool DirectoryExists(const String& Directory);
// Creates the folder and every missing parent. EInOutError for an empty name.
bool ForceDirectories(const String& Dir);
bool CreateDir(const String& Dir);
bool RemoveDir(const String& Dir);
bool DeleteFile(const String& FileName);
bool RenameFile(const String& OldName, const String& NewName);
String GetCurrentDir();
bool SetCurrentDir(const String& Dir);
// The last-write time of a file as a DOS date (-1 when missing); the TDateTime form.
Integer FileAge(const String& FileName);
bool FileAge(const String& FileName, TDateTime& FileDateTime);
// File attributes (faReadOnly …), -1 when the file is missing.
Integer FileGetAttr(const String& FileName);
Integer FileSetAttr(const String& FileName, Integer Attr);

constexpr Integer faReadOnly = 0x00000001;
constexpr Integer faHidden = 0x00000002;
constexpr Integer faSysFile = 0x00000004;
constexpr Integer faVolumeID = 0x00000008;
constexpr Integer faDirectory = 0x00000010;
constexpr Integer faArchive = 0x00000020;
constexpr Integer faNormal = 0x00000080;
constexpr Integer faTemporary = 0x00000100;
constexpr Integer faSymLink = 0x00000400;
constexpr Integer faCompressed = 0x00000800;
constexpr Integer faEncrypted = 0x00004000;
constexpr Integer faVirtual = 0x00010000;
constexpr Integer faAnyFile = 0x000001FF;

struct TSearchRec {
  Integer Time = 0;          // DOS date of the last write
  Int64 Size = 0;
  Integer Attr = 0;
  String Name;
  Integer ExcludeAttr = 0;
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW FindData{};
  TDateTime TimeStamp() const;
};
// Returns 0 on success, otherwise the system error code. Entries whose attributes hold
// faHidden, faSysFile, faVolumeID or faDirectory are skipped unless Attr asks for them.
Integer FindFirst(const String& Path, Integer Attr, TSearchRec& F);
Integer FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// ---------------------------------------------------------------------------------------
// Miscellaneous

// GetTickCount, Sleep and IsEqualGUID are the system's own.

// Creates a new GUID; returns S_OK or the failure code.
HRESULT CreateGUID(GUID& Guid);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
String GUIDToString(const GUID& Guid);
// EConvertError "'<text>' is not a valid GUID value".
GUID StringToGUID(const String& S);
