// The shared-access file stream and reading text files in each encoding.
#include <gtest/gtest.h>

#include <memory>

#include "Samples.h"
#include "ZvClasses.h"
#include "ZvFileUtil.h"

namespace ZS_UNITY_ID {

namespace {

String Read(const String& path, TEncoding* encoding = nullptr) {
  String text = L"(unchanged)";
  ReadTextFile(path, encoding, text);
  return text;
}

TEST(ShareFileStream, OtherHandlesMayReadWriteMoveAndDeleteWhileOpen) {
  TScratchFolder dir;
  String path = dir.WriteFile(L"shared.txt", Encode(CP_UTF8, L"first"));
  {
    TShareFileStream stream(path, false);
    EXPECT_EQ(stream.FilePath(), path);
    EXPECT_EQ(stream.Size(), 5);

    // Another handle writes to the open file; the stream sees the new bytes.
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(writer, "FIRST!", 6, &written, nullptr));
    CloseHandle(writer);
    String text;
    ReadStreamText(&stream, nullptr, text);
    EXPECT_EQ(text, L"FIRST!");

    String moved = dir.Path(L"moved.txt");
    EXPECT_TRUE(MoveFileW(path.c_str(), moved.c_str()));
    EXPECT_TRUE(DeleteFileW(moved.c_str()));
  }
  EXPECT_EQ(GetFileAttributesW(dir.Path(L"moved.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ShareFileStream, OpensWhileAnotherHandleHoldsTheFile) {
  TScratchFolder dir;
  String path = dir.WriteFile(L"held.txt", Encode(932, JapaneseText));
  // The other holder lets others read and write, as a program that keeps its log open.
  HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Read(path), JapaneseText);
  CloseHandle(holder);

  // A holder that shares nothing keeps everyone out, and the failure says so.
  holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_THROW(TShareFileStream(path, false), EFCreateError);
  CloseHandle(holder);
}

TEST(ShareFileStream, CreatesAndReportsFailures) {
  TScratchFolder dir;
  String path = dir.Path(L"new.txt");
  {
    TShareFileStream stream(path, true);
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(0);
    char back[3] = {};
    stream.ReadBuffer(back, 3);
    EXPECT_EQ(std::string(back, 3), "abc");
  }
  {
    TShareFileStream again(path, true);  // CREATE_ALWAYS truncates
    EXPECT_EQ(again.Size(), 0);
  }
  {
    TShareFileStream readOnly(path, false);
    EXPECT_EQ(readOnly.Write("x", 1), 0);  // opened for reading only
  }
  {
    TShareFileStream writeOnly(path, false, GENERIC_WRITE);
    EXPECT_EQ(writeOnly.Write("xy", 2), 2);
  }
  EXPECT_EQ(dir.ReadFile(L"new.txt"), TBytes({'x', 'y'}));

  // Relative paths are reported in full.
  SetCurrentDirectoryW(dir.Path(L"").c_str());
  try {
    TShareFileStream missing(L"missing.txt", false);
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    String expected = L"ファイル \"" + dir.Path(L"missing.txt") + L"\" を作成できません。";
    EXPECT_EQ(e.Message().substr(0, expected.size()), expected);
    EXPECT_GT(e.Message().size(), expected.size());  // followed by the system's text
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  SetCurrentDirectoryW(temp);
}

TEST(TextFiles, EachEncodingReadsBackWithoutItsMark) {
  TScratchFolder dir;
  struct Case {
    const wchar_t* name;
    TBytes bytes;
  } cases[] = {
      {L"utf8.txt", Encode(CP_UTF8, JapaneseText)},
      {L"utf8bom.txt", Concat({{0xEF, 0xBB, 0xBF}, Encode(CP_UTF8, JapaneseText)})},
      {L"sjis.txt", Encode(932, JapaneseText)},
      {L"euc.txt", Encode(20932, JapaneseText)},
      {L"utf16le.txt", Concat({{0xFF, 0xFE}, Utf16(JapaneseText, false)})},
      {L"utf16be.txt", Concat({{0xFE, 0xFF}, Utf16(JapaneseText, true)})},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(dir.WriteFile(c.name, c.bytes)), JapaneseText) << c.name;

  EXPECT_EQ(Read(dir.WriteFile(L"ascii.txt", Encode(CP_UTF8, L"plain\r\n"))), L"plain\r\n");
  EXPECT_EQ(Read(dir.WriteFile(L"empty.txt", {})), L"");
  const String xml = L"<?xml version=\"1.0\"?>\r\n<名前>値</名前>";
  EXPECT_EQ(Read(dir.WriteFile(L"xml.txt", Encode(CP_UTF8, xml))), xml);
  const String xml16 = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><名前/>";
  EXPECT_EQ(Read(dir.WriteFile(L"xml16.txt", Utf16(xml16, false))), xml16);
  // Undecidable bytes are read as UTF-8.
  String tie = Read(dir.WriteFile(L"tie.txt", {0xE0, 0xA1}));
  EXPECT_FALSE(tie.empty());
  EXPECT_EQ(tie.find_first_not_of(L'\xFFFD'), String::npos);
}

TEST(TextFiles, AGivenEncodingIsUsedAsIs) {
  TScratchFolder dir;
  TBytes bytes = Concat({{0xEF, 0xBB, 0xBF}, Encode(CP_UTF8, L"日本")});
  String path = dir.WriteFile(L"bom.txt", bytes);
  EXPECT_EQ(Read(path, TEncoding::UTF8()), L"日本");
  // No UTF-16 mark at the start: every byte is decoded as UTF-16.
  EXPECT_EQ(Read(path, TEncoding::Unicode()), TEncoding::Unicode()->GetString(bytes));

  std::unique_ptr<TEncoding> euc(new TMBCSEncoding(20932));
  EXPECT_EQ(Read(dir.WriteFile(L"euc.txt", Encode(20932, JapaneseText)), euc.get()), JapaneseText);

  // Without an encoding, ReadStreamText knows only byte-order marks and otherwise uses
  // the ANSI code page (932 here).
  TBytesStream sjis(Encode(932, JapaneseText));
  String text;
  ReadStreamText(&sjis, nullptr, text);
  EXPECT_EQ(text, GetACP() == 932 ? JapaneseText : TEncoding::ANSI()->GetString(Encode(932, JapaneseText)));
  TBytesStream utf16(Concat({{0xFE, 0xFF}, Utf16(L"日本", true)}));
  ReadStreamText(&utf16, nullptr, text);
  EXPECT_EQ(text, L"日本");
}

TEST(TextFiles, EncodingsWithoutACodecRaise) {
  TScratchFolder dir;
  struct Case {
    const wchar_t* name;
    TBytes bytes;
    const wchar_t* message;
  } cases[] = {
      {L"jis.txt", Iso2022Jp(JapaneseText), L"Iso2002 is not supported encoding."},
      {L"ucs4.txt", {0x3C, 0, 0, 0, 0x3F, 0, 0, 0}, L"Ucs4le is not supported encoding."},
  };
  for (const Case& c : cases) {
    try {
      Read(dir.WriteFile(c.name, c.bytes));
      ADD_FAILURE() << c.name;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  try {
    Read(dir.Path(L"missing.txt"));
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    EXPECT_NE(e.Message().find(dir.Path(L"missing.txt")), String::npos);
  }
}

}  // namespace

}  // namespace ZS_UNITY_ID
