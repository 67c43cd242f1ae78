// The text appender writing real files through its worker, and the exception its
// missing-path check raises.
#include <gtest/gtest.h>

#include <memory>

#include "Samples.h"
#include "ZvTextAppenderUnit.h"
#include "ZvUtil.h"

namespace ZS_UNITY_ID {

namespace {

TBytes Bytes(const std::string& S) { return TBytes(S.begin(), S.end()); }
const std::string Bom = "\xEF\xBB\xBF";

}  // namespace

TEST(TextAppender, TwoLinesToANewFileStartWithTheMark) {
  TScratchFolder dir;
  const String path = dir.Path(L"new.log");
  {
    TZvTextAppender appender(TEncoding::UTF8(), 500);
    appender.Writetext(L"line one", path);
    appender.Writetext(L"二行目", path);
  }  // freeing the appender lets its pending lines finish
  EXPECT_EQ(dir.ReadFile(L"new.log"), Bytes(Bom + "line one\r\n\xE4\xBA\x8C\xE8\xA1\x8C\xE7\x9B\xAE\r\n"));
}

TEST(TextAppender, AppendsToFilesOthersMadeWithoutTruncatingThem) {
  TScratchFolder dir;
  // A file with content gets no mark and keeps what it held.
  dir.WriteFile(L"existing.log", Bytes("kept\r\n"));
  // A file another process created empty in the meantime gets the mark first.
  dir.WriteFile(L"empty.log", TBytes());
  {
    TZvTextAppender appender(TEncoding::UTF8(), 500);
    appender.SetFilePath(dir.Path(L"existing.log"));
    appender.WriteText(L"added");
    appender.Writetext(L"first", dir.Path(L"empty.log"));
  }
  EXPECT_EQ(dir.ReadFile(L"existing.log"), Bytes("kept\r\nadded\r\n"));
  EXPECT_EQ(dir.ReadFile(L"empty.log"), Bytes(Bom + "first\r\n"));
}

TEST(TextAppender, AFileThatCannotBeOpenedLosesItsLineAndLaterLinesAreStillTried) {
  TScratchFolder dir;
  const String path = dir.Path(L"locked.log");
  dir.WriteFile(L"locked.log", Bytes("x\r\n"));
  HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  auto appender = std::make_unique<TZvTextAppender>(TEncoding::UTF8(), 500);
  appender->Writetext(L"lost", path);
  // With a bound of 500, the 501st line into a folder that does not exist still returns
  // once the worker has failed enough of them.
  const String nowhere = dir.Path(L"no such folder\\x.log");
  for (int i = 0; i < 501; ++i) appender->Writetext(L"nowhere", nowhere);
  CloseHandle(lock);
  appender->Writetext(L"written", path);
  appender.reset();
  EXPECT_EQ(dir.ReadFile(L"locked.log"), Bytes("x\r\nwritten\r\n"));
}

TEST(TextAppender, WriteTextWithoutAPathRaisesTheMakersException) {
  TZvTextAppender appender(TEncoding::UTF8(), 10);
  try {
    appender.WriteText(L"x");
    FAIL() << "no exception";
  } catch (const EZalvoException& E) {
    EXPECT_EQ(E.Message(), L"TZvTextAppender.Write.FilePathが指定されていません");
    EXPECT_EQ(E.ErrMsg(), E.Message());
  }
}

}  // namespace ZS_UNITY_ID
