// The three meeting points of the support library and the logging client, end to end:
// the log-destination manager as GlobalLogger's send hook (to the stand-in dispatcher
// or to per-day and per-hour UTF-8 files), the manager switching the logger on and off,
// and the maker's exception warning through the logger.
#include <gtest/gtest.h>

#include <memory>

#include "DateUtils.h"
#include "DispatcherHarness.h"
#include "Samples.h"
#include "VantrelLogging.h"
#include "ZvUtil.h"
#include "ZvVrIntf.h"

namespace ZS_UNITY_ID {

namespace {

// Restores the manager's default destination and the logger's switch after each test.
struct LogDestination : ::testing::Test {
  void SetUp() override {
    ASSERT_NE(VRObjectManager, nullptr);
    ASSERT_NE(GlobalLogger, nullptr);
    GlobalLogger->SetEnabled(true);
  }
  void TearDown() override {
    // Lines still queued for the scratch folder go before it does.
    ZvVrIntfFinalize();
    ZvVrIntfInitialize();
    GlobalLogger->SetEnabled(true);
  }
  // Makes the manager send every message it sees to Seen.
  void Observe() {
    VRObjectManager->OnMessageSend = [this](const TVantrelMsgData& D) {
      Seen.push_back({D.MsgType, D.MsgText, D.TimeStamp, D.ThreadName});
    };
  }
  struct SeenMsg {
    Integer Type;
    String Text;
    TTimeStamp Stamp;
    String Thread;
  };
  std::vector<SeenMsg> Seen;
};

// Waits until the file holds at least Size bytes (the appender writes on its worker).
std::string WaitForFile(const String& Path, size_t Size) {
  std::string text;
  for (int i = 0; i < 250; ++i) {
    HANDLE f = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      text.assign(GetFileSize(f, nullptr), '\0');
      DWORD read = 0;
      if (!text.empty()) ReadFile(f, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
      CloseHandle(f);
      if (text.size() >= Size) return text;
    }
    Sleep(20);
  }
  return text;
}

String Two(Integer V) { return Format(L"%.2d", {V}); }

// The expected line, spelled out from the parts of the time.
String ExpectedLine(const TTimeStamp& Stamp, Integer Type, const String& Thread, const String& Text) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(TimeStampToDateTime(Stamp), y, mo, d, h, mi, s, ms);
  const wchar_t ds = FormatSettings.DateSeparator, ts = FormatSettings.TimeSeparator;
  return L"[" + IntToStr(static_cast<Integer>(y)) + ds + Two(mo) + ds + Two(d) + L" " + Two(h) + ts + Two(mi) + ts +
         Two(s) + L"." + Format(L"%.3d", {static_cast<Integer>(ms)}) + L"][" + IntToStr(Type) + L"][" + Thread + L"][" +
         IntToStr(static_cast<Int64>(GetCurrentProcessId())) + L"]\t" + Text + L"\t";
}

}  // namespace

TEST_F(LogDestination, TheDefaultLetsMessagesThroughToTheDispatcher) {
  ASSERT_TRUE(harness::WaitNoDispatcher());
  harness::RecordFile record;
  harness::DispatcherPathSetting setting(harness::StubPath());
  harness::Dispatcher dispatcher(record.Path());
  Observe();
  TScratchFolder dir;
  VRObjectManager->SetLogFolder(dir.Path(L""));  // set, but unused by the default
  GlobalLogger->Send(L"to the dispatcher");
  GlobalLogger->SendWarning(L"second");
  dispatcher.Stop();
  const auto packets = record.Packets();
  // The destination's registration, then the two messages.
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0].Type, 91);
  EXPECT_EQ(packets[1].WText(), L"to the dispatcher");
  EXPECT_EQ(packets[2].Type, vrmWarning);
  ASSERT_EQ(Seen.size(), 2u);
  EXPECT_EQ(Seen[1].Text, L"second");
  // No file was made.
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir.Path(L"*.log")).c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  EXPECT_TRUE(GlobalLogger->Enabled());
}

TEST_F(LogDestination, PerDayAndPerHourFilesHoldOneUtf8LinePerMessage) {
  TScratchFolder dir;
  Observe();
  GlobalLogManager->SetCurrentThreadName(L"メイン");
  VRObjectManager->SetDestinationType(zvdtLogFilePerDate);
  VRObjectManager->SetLogFolder(dir.Path(L"").substr(0, dir.Path(L"").size() - 1));
  GlobalLogger->Send(L"日本語のテキスト");
  TStringList details;
  details.Add(L"d1");
  details.Add(L"d2");
  GlobalLogger->Send(L"list", &details);
  VRObjectManager->SetDestinationType(zvdtLogFilePerHour);
  GlobalLogger->SendError(L"hourly");
  GlobalLogManager->SetCurrentThreadName(String());
  ASSERT_EQ(Seen.size(), 3u);

  const TDateTime day = TimeStampToDateTime(Seen[0].Stamp);
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(day, y, mo, d, h, mi, s, ms);
  const String dayName = IntToStr(static_cast<Integer>(y)) + Two(mo) + Two(d) + L".log";
  const String line1 = ExpectedLine(Seen[0].Stamp, vrmInfo, L"メイン", L"日本語のテキスト") + L"\r\n";
  const String line2 = ExpectedLine(Seen[1].Stamp, vrmStringList, L"メイン", L"list") + L"d1\r\nd2\r\n\r\n";
  const std::string dayBytes = "\xEF\xBB\xBF" + UTF8Encode(line1 + line2);
  EXPECT_EQ(WaitForFile(dir.Path(dayName), dayBytes.size()), dayBytes);

  DecodeDateTime(TimeStampToDateTime(Seen[2].Stamp), y, mo, d, h, mi, s, ms);
  const String hourName = IntToStr(static_cast<Integer>(y)) + Two(mo) + Two(d) + L"_" + Two(h) + L".log";
  const std::string hourBytes =
      "\xEF\xBB\xBF" + UTF8Encode(ExpectedLine(Seen[2].Stamp, vrmError, L"メイン",
                                               L"hourly") +
                                  L"\r\n");
  EXPECT_EQ(WaitForFile(dir.Path(hourName), hourBytes.size()), hourBytes);
}

TEST(LogDestinationLines, FileNamesAndTheLineFormat) {
  TZvVRObjectManager m;
  TVantrelMsgData data;
  data.MsgType = 1;
  data.ThreadName = L"Main";
  data.ProcessID = 1234;
  data.MsgText = L"abc";
  data.TimeStamp = DateTimeToTimeStamp(EncodeDateTime(2026, 1, 8, 13, 45, 7, 89));
  const wchar_t ds = FormatSettings.DateSeparator, ts = FormatSettings.TimeSeparator;
  const String head = String(L"[2026") + ds + L"01" + ds + L"08 13" + ts + L"45" + ts + L"07.089][1][Main][1234]";
  EXPECT_EQ(TZvVRObjectManager::LogLine(data), head + L"\tabc\t");
  TStringList details;
  details.Add(L"x");
  details.Add(L"");
  data.Details = &details;
  EXPECT_EQ(TZvVRObjectManager::LogLine(data), head + L"\tabc\tx\r\n\r\n");

  struct Case {
    TZvVantrelDestinationType Type;
    String Folder, File, Expected;
  };
  const std::vector<Case> cases = {
      {zvdtVantrel, L"C:\\Logs", L"C:\\x.log", L""},
      {zvdtLogFile, L"C:\\Logs", L"C:\\x.log", L"C:\\x.log"},
      {zvdtLogFilePerHour, L"C:\\Logs", L"", L"C:\\Logs\\20260108_13.log"},
      {zvdtLogFilePerDate, L"C:\\Logs\\", L"", L"C:\\Logs\\20260108.log"},
      // A file destination without a path names no file.
      {zvdtLogFile, L"C:\\Logs", L"", L""},
      {zvdtLogFilePerHour, L"", L"C:\\x.log", L""},
      {zvdtLogFilePerDate, L"", L"C:\\x.log", L""},
  };
  for (const Case& c : cases) {
    m.SetDestinationType(c.Type);
    m.SetLogFolder(c.Folder);
    m.SetLogFilePath(c.File);
    EXPECT_EQ(m.LogFileFor(data), c.Expected) << c.Type << " " << UTF8Encode(c.Folder);
  }
}

TEST(LogDestinationLines, AFileDestinationWithoutAPathLetsMessagesThrough) {
  TZvVRObjectManager m;
  Integer seen = 0;
  m.OnMessageSend = [&](const TVantrelMsgData&) { ++seen; };
  TVantrelMsgData data;
  for (TZvVantrelDestinationType t : {zvdtVantrel, zvdtLogFile, zvdtLogFilePerHour, zvdtLogFilePerDate}) {
    m.SetDestinationType(t);
    bool handled = true;
    m.VantrelSendMsg(nullptr, data, handled);
    EXPECT_FALSE(handled) << t;
  }
  EXPECT_EQ(seen, 4);
}

TEST_F(LogDestination, TheManagerSwitchesTheLoggerAndShutDownLeavesItOffWithoutAHook) {
  VRObjectManager->DisableAllObjects();
  EXPECT_FALSE(GlobalLogger->Enabled());
  VRObjectManager->EnableAllObjects();
  EXPECT_TRUE(GlobalLogger->Enabled());
  EXPECT_TRUE(static_cast<bool>(GlobalLogger->OnSendMsg));
  EXPECT_EQ(ZvGlobalLogger, GlobalLogger);

  ZvVrIntfFinalize();
  EXPECT_FALSE(GlobalLogger->Enabled());
  // The hook is gone with the manager: nothing can reach the freed object.
  EXPECT_FALSE(static_cast<bool>(GlobalLogger->OnSendMsg));
  EXPECT_EQ(VRObjectManager, nullptr);
  EXPECT_EQ(ZvGlobalLogger, nullptr);
  ZvVrIntfInitialize();
}

TEST_F(LogDestination, TheExceptionsFormattedWarningReachesTheLog) {
  TScratchFolder dir;
  Observe();
  const String file = dir.Path(L"errors.log");
  VRObjectManager->SetDestinationType(zvdtLogFile);
  VRObjectManager->SetLogFilePath(file);
  try {
    RaiseError(L"50% done, %s kept");
    FAIL() << "no exception";
  } catch (const EZalvoException& E) {
    EXPECT_EQ(E.Message(), L"50% done, %s kept");
    EXPECT_EQ(E.ErrMsg(), L"50% done, %s kept");
  }
  try {
    RaiseErrorFmt(L"%d files", {3});
  } catch (const EZalvoException& E) {
    EXPECT_EQ(E.Message(), L"3 files");
  }
  ASSERT_EQ(Seen.size(), 2u);
  EXPECT_EQ(Seen[0].Type, vrmWarning);
  EXPECT_EQ(Seen[0].Text, L"Error 50% done, %s kept");
  EXPECT_EQ(Seen[1].Text, L"Error 3 files");
  const String line = ExpectedLine(Seen[0].Stamp, vrmWarning, Seen[0].Thread, L"Error 50% done, %s kept") + L"\r\n";
  const std::string text = WaitForFile(file, 3 + UTF8Encode(line).size());
  EXPECT_EQ(text.substr(0, 3 + UTF8Encode(line).size()), "\xEF\xBB\xBF" + UTF8Encode(line));

  // A plain creation, a mismatched format and a disabled logger send nothing.
  Seen.clear();
  EZalvoException plain(L"plain %s");
  EXPECT_EQ(plain.ErrMsg(), L"plain %s");
  plain.SetErrMsg(L"other");
  EXPECT_EQ(plain.ErrMsg(), L"other");
  plain.SetErrMsg(String());
  EXPECT_EQ(plain.ErrMsg(), L"plain %s");
  EXPECT_THROW(RaiseErrorFmt(L"%d", {L"text"}), EConvertError);
  VRObjectManager->DisableAllObjects();
  EXPECT_THROW(RaiseError(L"quiet"), EZalvoException);
  EXPECT_TRUE(Seen.empty());
}

}  // namespace ZS_UNITY_ID
