// Strings, integer text, exceptions and assertions, file names and files, GUIDs.
#include <gtest/gtest.h>

#include "Math.h"
#include "StrUtils.h"
#include "SysUtils.h"

namespace ZS_UNITY_ID {

namespace {
template <class F>
String MessageOf(F&& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.ClassName() + L": " + e.Message();
  }
  return L"(no exception)";
}
}  // namespace

TEST(Strings, IntegerTextBothWays) {
  const struct {
    const wchar_t* Text;
    bool Ok;
    Integer Value;
  } cases[] = {
      {L"0", true, 0},           {L"-2147483648", true, INT32_MIN}, {L"2147483647", true, INT32_MAX},
      {L"2147483648", false, 0}, {L"-2147483649", false, 0},        {L"$FF", true, 255},
      {L"0x1f", true, 31},       {L"0XFFFFFFFF", true, -1},         {L"$100000000", false, 0},
      {L"-$10", true, -16},      {L"  12", true, 12},               {L"12 ", false, 0},
      {L"+7", true, 7},          {L"", false, 0},                   {L"-", false, 0},
      {L"1.0", false, 0},        {L"$", false, 0},                  {L"0x", false, 0},
      {L"１２", false, 0},
  };
  for (const auto& c : cases) {
    Integer v = 12345;
    EXPECT_EQ(TryStrToInt(c.Text, v), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(v, c.Value) << c.Text;
    }
    EXPECT_EQ(StrToIntDef(c.Text, -99), c.Ok ? c.Value : -99) << c.Text;
  }
  EXPECT_EQ(MessageOf([] { StrToInt(L"12a"); }), L"EConvertError: '12a' is not a valid integer value");
  EXPECT_EQ(MessageOf([] { StrToInt64(L"9223372036854775808"); }),
            L"EConvertError: '9223372036854775808' is not a valid integer value");
  EXPECT_EQ(StrToInt64(L"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64(L"$FFFFFFFFFFFFFFFF"), -1);
  Int64 big;
  EXPECT_TRUE(TryStrToInt64(L"4294967296", big));
  EXPECT_EQ(big, 4294967296LL);
  EXPECT_EQ(StrToInt64Def(L"x", 5), 5);

  EXPECT_EQ(IntToStr(-5), L"-5");
  EXPECT_EQ(IntToStr(Int64(1) << 40), L"1099511627776");
  EXPECT_EQ(IntToStr(static_cast<unsigned short>(65535)), L"65535");
  EXPECT_EQ(IntToHex(255, 4), L"00FF");
  EXPECT_EQ(IntToHex(-1, 2), L"FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(-1), 0), L"FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(static_cast<Byte>(10), 1), L"A");
}

TEST(Strings, Booleans) {
  EXPECT_EQ(BoolToStr(true), L"-1");
  EXPECT_EQ(BoolToStr(false, true), L"False");
  const struct {
    const wchar_t* Text;
    bool Ok, Value;
  } cases[] = {{L"true", true, true}, {L"FALSE", true, false}, {L"-1", true, true},
               {L"0", true, false},   {L"2.5", true, true},    {L"yes", false, false}};
  for (const auto& c : cases) {
    bool b = !c.Value;
    EXPECT_EQ(TryStrToBool(c.Text, b), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(b, c.Value) << c.Text;
    }
  }
  EXPECT_EQ(MessageOf([] { StrToBool(L"yes"); }), L"EConvertError: 'yes' is not a valid boolean value");
}

TEST(Strings, CaseAndComparison) {
  // The plain forms touch ASCII letters only; the Ansi forms follow the locale.
  EXPECT_EQ(UpperCase(L"abcÄé"), L"ABCÄé");
  EXPECT_EQ(AnsiUpperCase(L"abcäé"), L"ABCÄÉ");
  EXPECT_EQ(LowerCase(L"ÄBC"), L"Äbc");
  EXPECT_EQ(AnsiLowerCase(L"ÄBC"), L"äbc");
  EXPECT_TRUE(SameText(L"Hello", L"hELLO"));
  EXPECT_FALSE(SameText(L"ä", L"Ä"));
  EXPECT_TRUE(AnsiSameText(L"ä", L"Ä"));
  EXPECT_FALSE(AnsiSameStr(L"a", L"A"));
  EXPECT_LT(CompareStr(L"B", L"a"), 0);      // ordinal: 'B' < 'a'
  EXPECT_GT(CompareText(L"B", L"a"), 0);
  EXPECT_LT(CompareText(L"ab", L"abc"), 0);
  EXPECT_EQ(CompareText(L"ABC", L"abc"), 0);
  EXPECT_LT(AnsiCompareStr(L"a", L"B"), 0);  // locale: letters before case
  EXPECT_EQ(AnsiCompareText(L"straße", L"STRASSE") == 0, AnsiCompareText(L"STRASSE", L"straße") == 0);
  EXPECT_GT(AnsiCompareText(L"b", L"A"), 0);
}

TEST(Strings, CharacterClasses) {
  EXPECT_TRUE(IsLetter(L'あ'));
  EXPECT_TRUE(IsLetter(L'é'));
  EXPECT_FALSE(IsLetter(L'5'));
  EXPECT_TRUE(IsDigit(L'7'));
  EXPECT_TRUE(IsUpper(L'Ä'));
  EXPECT_TRUE(IsLower(L'ß'));
  EXPECT_TRUE(IsWhiteSpace(L'\t'));
  EXPECT_TRUE(IsWhiteSpace(L'\u3000'));  // ideographic space
  EXPECT_TRUE(IsPunctuation(L'。'));
  EXPECT_TRUE(CharInSet(L'b', L"abc"));
  EXPECT_EQ(UpCase(L'q'), L'Q');
  EXPECT_EQ(UpCase(L'é'), L'é');
}

TEST(Strings, AnsiAndUtf8Conversions) {
  const String jp = L"日本語テキスト①";
  AnsiString a = StringToAnsi(L"日本語");  // code page 932 under the test prefix
  EXPECT_EQ(a.size(), 6u);
  EXPECT_EQ(AnsiToString(a), L"日本語");
  UTF8String u = UTF8Encode(jp);
  EXPECT_EQ(u.size(), jp.size() * 3);
  EXPECT_EQ(UTF8Decode(u), jp);
  EXPECT_EQ(UTF8ToString(u), jp);
  EXPECT_EQ(UTF8ToString(""), L"");
}

TEST(Strings, TrimPosCopy) {
  EXPECT_EQ(Trim(L" \t\r\nab c\x01 "), L"ab c");
  EXPECT_EQ(Trim(L"\u3000a"), L"\u3000a");  // only blanks and controls
  EXPECT_EQ(TrimLeft(L"  a "), L"a ");
  EXPECT_EQ(TrimRight(L"  a "), L"  a");
  EXPECT_EQ(Trim(L"   "), L"");
  // 1-based, 0 = not found.
  EXPECT_EQ(Pos(L"b", L"abcb"), 2);
  EXPECT_EQ(Pos(L"x", L"abc"), 0);
  EXPECT_EQ(Pos(L"", L"abc"), 0);
  EXPECT_EQ(PosEx(L"b", L"abcb", 3), 4);
  EXPECT_EQ(PosEx(L"b", L"abcb", 5), 0);
  EXPECT_EQ(PosEx(L"b", L"abcb", 0), 0);
  EXPECT_EQ(LastDelimiter(L"\\.", L"c:\\a.b\\c.txt"), 9);
  EXPECT_EQ(Copy(L"abcdef", 2, 3), L"bcd");
  EXPECT_EQ(Copy(L"abcdef", 5, 100), L"ef");
  EXPECT_EQ(Copy(L"abcdef", 7, 1), L"");
  EXPECT_EQ(Copy(L"abcdef", 0, 2), L"ab");
  EXPECT_EQ(Copy(L"abcdef", 3, -1), L"");
  String s = L"abcdef";
  Delete(s, 2, 2);
  EXPECT_EQ(s, L"adef");
  Insert(L"XY", s, 2);
  EXPECT_EQ(s, L"aXYdef");
  Insert(L"!", s, 100);
  EXPECT_EQ(s, L"aXYdef!");
}

TEST(Strings, ReplaceAndQuotes) {
  const struct {
    const wchar_t *S, *Old, *New;
    TReplaceFlags Flags;
    const wchar_t* Expected;
  } cases[] = {
      {L"aXbxc", L"x", L"-", {}, L"aXb-c"},
      {L"aXbxc", L"x", L"-", {rfIgnoreCase}, L"a-bxc"},
      {L"aXbxc", L"x", L"-", {rfReplaceAll, rfIgnoreCase}, L"a-b-c"},
      {L"aaaa", L"aa", L"a", {rfReplaceAll}, L"aa"},
      {L"abc", L"", L"x", {rfReplaceAll}, L"abc"},
      {L"ÄäÄ", L"ä", L"o", {rfReplaceAll, rfIgnoreCase}, L"ooo"},
  };
  for (const auto& c : cases) EXPECT_EQ(StringReplace(c.S, c.Old, c.New, c.Flags), c.Expected) << c.S;

  EXPECT_EQ(QuotedStr(L"it's"), L"'it''s'");
  EXPECT_EQ(AnsiQuotedStr(L"say \"hi\"", L'"'), L"\"say \"\"hi\"\"\"");
  EXPECT_EQ(AnsiDequotedStr(L"'it''s'", L'\''), L"it's");
  EXPECT_EQ(AnsiDequotedStr(L"plain", L'\''), L"plain");
  EXPECT_EQ(AnsiDequotedStr(L"'open", L'\''), L"'open");
  EXPECT_EQ(AnsiDequotedStr(L"''", L'\''), L"");
  String src = L"'a''b' rest";
  size_t p = 0;
  EXPECT_EQ(AnsiExtractQuotedStr(src, p, L'\''), L"a'b");
  EXPECT_EQ(p, 6u);
  EXPECT_EQ(StringOfChar(L'-', 3), L"---");
  EXPECT_EQ(StringOfChar(L'-', -1), L"");
}

TEST(Strings, WrapAndLineBreaks) {
  EXPECT_EQ(WrapText(L"The quick brown fox jumps", L"\r\n", L" ", 10), L"The quick\r\nbrown fox\r\njumps");
  EXPECT_EQ(WrapText(L"a 'quoted text here' b", L"|", L" ", 5), L"a|'quoted text here'|b");
  EXPECT_EQ(WrapText(L"unbreakablewordhere", 5), L"unbreakablewordhere");
  EXPECT_EQ(WrapText(L"ab cd\r\nef gh", L"\r\n", L" ", 3), L"ab\r\ncd\r\nef\r\ngh");
  EXPECT_EQ(AdjustLineBreaks(L"a\nb\rc\r\nd\n\re\n\nf"), L"a\r\nb\r\nc\r\nd\r\ne\r\n\r\nf");
}

TEST(Strings, StrUtilsAndMath) {
  EXPECT_EQ(LeftStr(L"abcdef", 2), L"ab");
  EXPECT_EQ(RightStr(L"abcdef", 10), L"abcdef");
  EXPECT_EQ(MidStr(L"abcdef", 3, 2), L"cd");
  EXPECT_TRUE(StartsText(L"AB", L"abc"));
  EXPECT_FALSE(StartsStr(L"AB", L"abc"));
  EXPECT_TRUE(EndsText(L"C", L"abc"));
  EXPECT_TRUE(ContainsText(L"Hello World", L"o w"));
  EXPECT_EQ(IndexText(L"B", {L"a", L"b"}), 1);
  EXPECT_EQ(IndexStr(L"B", {L"a", L"b"}), -1);
  EXPECT_EQ(ReplaceText(L"aAa", L"a", L"b"), L"bbb");
  EXPECT_EQ(DupeString(L"ab", 3), L"ababab");
  EXPECT_EQ(ReverseString(L"abc"), L"cba");
  EXPECT_EQ(SplitString(L"a,b;;c", L",;"), (std::vector<String>{L"a", L"b", L"", L"c"}));

  // Round halves to even; Trunc and Frac toward zero.
  const struct { double X; Int64 Round, Trunc; } r[] = {
      {2.5, 2, 2}, {3.5, 4, 3}, {-2.5, -2, -2}, {-2.6, -3, -2}, {0.49999999999999994, 0, 0}};
  for (const auto& c : r) {
    EXPECT_EQ(Round(c.X), c.Round) << c.X;
    EXPECT_EQ(Trunc(c.X), c.Trunc) << c.X;
  }
  EXPECT_DOUBLE_EQ(Frac(-1.25), -0.25);
  EXPECT_EQ(Max(3, 5), 5);
  EXPECT_EQ(EnsureRange(12, 0, 10), 10);
  EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1.005 * 1000, 0), 1005);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(-2.5, 0), -3);
  EXPECT_DOUBLE_EQ(RoundTo(2.5, 0), 2);
  EXPECT_EQ(Ceil(1.2), 2);
  EXPECT_EQ(Floor(-1.2), -2);
}

TEST(Exceptions, OSErrorsAndMessages) {
  String text = SysErrorMessage(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
  try {
    RaiseLastOSError(ERROR_ACCESS_DENIED);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(e.Message(), L"System Error.  Code: 5.\r\n" + SysErrorMessage(ERROR_ACCESS_DENIED));
  }
  SetLastError(ERROR_INVALID_HANDLE);
  EXPECT_EQ(MessageOf([] { Win32Check(FALSE); }).substr(0, 32), L"EOSError: System Error.  Code: 6");
  EXPECT_EQ(MessageOf([] { RaiseLastOSError(0); }), L"EOSError: A call to an OS function failed");
  EXPECT_EQ(MessageOf([] { Abort(); }).substr(0, 7), L"EAbort:");
  EXPECT_EQ(MessageOf([] { throw EConvertError(L"%s-%d", {L"x", 3}); }), L"EConvertError: x-3");

  // A copied exception keeps class and message.
  EOSError original(L"boom");
  original.ErrorCode = 42;
  EOSError copy(original);
  EXPECT_EQ(copy.ErrorCode, 42u);
  EXPECT_EQ(copy.Message(), L"boom");
  EXPECT_STREQ(copy.what(), "boom");

  String shown = ExceptionErrorMessage(EConvertError(L"Bad value"));
  EXPECT_NE(shown.find(L"Exception EConvertError in module runtime_tests.exe"), String::npos) << shown;
  EXPECT_EQ(shown.substr(shown.size() - 12), L"\r\nBad value.");
}

TEST(Exceptions, AssertionsGoThroughTheReplaceableProc) {
  EXPECT_NO_THROW(ASSERT(1 + 1 == 2));
  String msg = MessageOf([] { Assert(false, L"lost track"); });
  EXPECT_EQ(msg.rfind(L"EAssertionFailed: lost track (", 0), 0u) << msg;
  EXPECT_NE(msg.find(L"SysUtilsTest.cpp, line "), String::npos) << msg;
  EXPECT_EQ(MessageOf([] { ASSERT(2 < 1); }).rfind(L"EAssertionFailed: Assertion failure (", 0), 0u);

  String seenMsg, seenFile;
  Integer seenLine = 0;
  AssertErrorProc = [&](const String& m, const String& f, Integer l) {
    seenMsg = m;
    seenFile = f;
    seenLine = l;
  };
  const int line = __LINE__ + 1;
  Assert(false, L"custom");
  AssertErrorProc = nullptr;
  EXPECT_EQ(seenMsg, L"custom");
  EXPECT_NE(seenFile.find(L"SysUtilsTest.cpp"), String::npos);
  EXPECT_EQ(seenLine, line);
}

TEST(Files, NameRoutines) {
  const struct {
    const wchar_t* Name;
    const wchar_t *Path, *Dir, *File, *Ext, *Drive;
  } cases[] = {
      {L"C:\\dir\\sub\\file.txt", L"C:\\dir\\sub\\", L"C:\\dir\\sub", L"file.txt", L".txt", L"C:"},
      {L"C:\\file.tar.gz", L"C:\\", L"C:\\", L"file.tar.gz", L".gz", L"C:"},
      {L"C:file", L"C:", L"C:", L"file", L"", L"C:"},
      {L"\\\\server\\share\\a\\b.c", L"\\\\server\\share\\a\\", L"\\\\server\\share\\a", L"b.c", L".c",
       L"\\\\server\\share"},
      {L"dir.v2\\readme", L"dir.v2\\", L"dir.v2", L"readme", L"", L""},
      {L"name.", L"", L"", L"name.", L".", L""},
      {L"", L"", L"", L"", L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.Name), c.Path) << c.Name;
    EXPECT_EQ(ExtractFileDir(c.Name), c.Dir) << c.Name;
    EXPECT_EQ(ExtractFileName(c.Name), c.File) << c.Name;
    EXPECT_EQ(ExtractFileExt(c.Name), c.Ext) << c.Name;
    EXPECT_EQ(ExtractFileDrive(c.Name), c.Drive) << c.Name;
  }
  EXPECT_EQ(ChangeFileExt(L"a\\b.txt", L".ini"), L"a\\b.ini");
  EXPECT_EQ(ChangeFileExt(L"a.d\\b", L".ini"), L"a.d\\b.ini");
  EXPECT_EQ(ChangeFileExt(L"b.txt", L""), L"b");
  EXPECT_EQ(IncludeTrailingPathDelimiter(L"C:\\x"), L"C:\\x\\");
  EXPECT_EQ(IncludeTrailingBackslash(L"C:\\x\\"), L"C:\\x\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(L"C:\\x\\"), L"C:\\x");
  EXPECT_EQ(ExcludeTrailingBackslash(L"C:\\x"), L"C:\\x");
  EXPECT_EQ(ExpandFileName(L"C:\\a\\b\\..\\c.txt"), L"C:\\a\\c.txt");
  EXPECT_EQ(ExtractRelativePath(L"C:\\a\\b\\", L"C:\\a\\c\\d.txt"), L"..\\c\\d.txt");
  EXPECT_EQ(ExtractRelativePath(L"C:\\A\\base.txt", L"c:\\a\\x\\y.txt"), L"x\\y.txt");
  EXPECT_EQ(ExtractRelativePath(L"C:\\a\\", L"D:\\b.txt"), L"D:\\b.txt");
}

TEST(Files, FolderAndFileOperations) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const String root = IncludeTrailingPathDelimiter(tmp) + L"zs_sysutils_" + IntToStr(Integer(GetCurrentProcessId()));
  const String deep = root + L"\\一\\two\\";
  ASSERT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));  // already there
  EXPECT_THROW(ForceDirectories(L""), EInOutError);
  EXPECT_FALSE(FileExists(deep));

  const String file = deep + L"ファイル.txt";
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written;
  WriteFile(h, "hello", 5, &written, nullptr);
  CloseHandle(h);
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_NE(FileAge(file), -1);
  TDateTime age;
  ASSERT_TRUE(FileAge(file, age));
  EXPECT_LT(std::fabs(age - Now()), 1.0 / 24);  // written just now
  EXPECT_EQ(FileAge(file + L".missing"), -1);
  EXPECT_EQ(FileGetAttr(file + L".missing"), -1);
  EXPECT_EQ(FileGetAttr(deep) & faDirectory, faDirectory);

  CreateDir(deep + L"sub");
  TSearchRec sr;
  std::vector<String> plain, withDirs;
  for (Integer r = FindFirst(deep + L"*", faAnyFile & ~faDirectory, sr); r == 0; r = FindNext(sr)) plain.push_back(sr.Name);
  FindClose(sr);
  for (Integer r = FindFirst(deep + L"*", faDirectory, sr); r == 0; r = FindNext(sr)) withDirs.push_back(sr.Name);
  FindClose(sr);
  EXPECT_EQ(plain, std::vector<String>{L"ファイル.txt"});
  EXPECT_EQ(withDirs.size(), 4u);  // ".", "..", "sub" and the file
  ASSERT_EQ(FindFirst(file, faAnyFile, sr), 0);
  EXPECT_EQ(sr.Size, 5);
  EXPECT_EQ(sr.Time, FileAge(file));
  FindClose(sr);
  EXPECT_EQ(FindFirst(deep + L"*.none", faAnyFile, sr), ERROR_FILE_NOT_FOUND);

  EXPECT_TRUE(RenameFile(file, deep + L"b.txt"));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(DeleteFile(deep + L"b.txt"));
  EXPECT_FALSE(DeleteFile(deep + L"b.txt"));
  EXPECT_FALSE(RemoveDir(root));  // not empty
  EXPECT_TRUE(RemoveDir(deep + L"sub"));
  EXPECT_TRUE(RemoveDir(deep));
  EXPECT_TRUE(RemoveDir(root + L"\\一"));
  EXPECT_TRUE(RemoveDir(root));

  String cwd = GetCurrentDir();
  EXPECT_TRUE(SetCurrentDir(tmp));
  EXPECT_EQ(IncludeTrailingPathDelimiter(GetCurrentDir()), IncludeTrailingPathDelimiter(tmp));
  SetCurrentDir(cwd);
}

TEST(Guids, RoundTripAndBadText) {
  GUID g;
  ASSERT_EQ(CreateGUID(g), S_OK);
  String s = GUIDToString(g);
  EXPECT_EQ(s.size(), 38u);
  EXPECT_TRUE(IsEqualGUID(StringToGUID(s), g));
  const GUID known = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
  EXPECT_EQ(GUIDToString(known), L"{01234567-89AB-CDEF-0123-456789ABCDEF}");
  EXPECT_TRUE(IsEqualGUID(StringToGUID(L"{01234567-89ab-cdef-0123-456789abcdef}"), known));
  for (const wchar_t* bad : {L"", L"01234567-89AB-CDEF-0123-456789ABCDEF", L"{01234567-89AB-CDEF-0123-456789ABCDEG}",
                             L"{01234567-89AB-CDEF-0123456789ABCDEF0}"}) {
    EXPECT_EQ(MessageOf([&] { StringToGUID(bad); }),
              String(L"EConvertError: '") + bad + L"' is not a valid GUID value");
  }
}

}  // namespace ZS_UNITY_ID
