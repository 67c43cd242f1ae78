// The logger and its copy-data connection against the stand-in dispatcher, a separate
// process that records every packet it receives.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "DispatcherHarness.h"
#include "VantrelLogging.h"

namespace ZS_UNITY_ID {

using namespace harness;

namespace {

// A logger whose dispatch ID can be made older, to reach the renewal rule.
class TTestLogger : public TVantrelLogger {
  DECLARE_CLASS(TTestLogger, TVantrelLogger)
 public:
  explicit TTestLogger(TComponent* AOwner) : TVantrelLogger(AOwner) { ConnectUsingCopyData(); }
  void AgeDispatchID(Integer Days) {
    FDispatchIDDate = Date() - Days;
  }
};

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WaitNoDispatcher());
    FDispatcher = std::make_unique<Dispatcher>(FRecord.Path());
    FLogger = std::make_unique<TTestLogger>(nullptr);
  }
  void TearDown() override {
    FLogger.reset();
    FDispatcher.reset();
  }
  std::vector<Packet> Packets() const { return FRecord.Packets(); }

  RecordFile FRecord;
  std::unique_ptr<Dispatcher> FDispatcher;
  std::unique_ptr<TTestLogger> FLogger;
};

}  // namespace

TEST_F(DispatcherTest, FirstMessageRegistersTheDestinationThenLaterOnesGoAlone) {
  FLogger->SetCategory(L"Cat");
  FLogger->Send(L"hello");
  std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].Type, 91);
  EXPECT_EQ(p[0].Text, "Viewer");
  EXPECT_EQ(p[0].Category, "Cat");
  EXPECT_EQ(p[0].ThreadName, "");
  EXPECT_EQ(p[0].Time, 0);
  EXPECT_EQ(p[0].ProcessID, GetCurrentProcessId());
  EXPECT_EQ(p[0].AppName, UTF8Encode(GlobalLogManager->AppName()));
  EXPECT_EQ(p[1].Type, 0);
  EXPECT_EQ(p[1].Text, "hello");
  EXPECT_EQ(p[1].Category, "Cat");
  EXPECT_EQ(p[1].CategoryColor, 0xFFFFFF);
  EXPECT_EQ(p[1].DispatchID, p[0].DispatchID);
  EXPECT_EQ(p[1].DispatchID.size(), 36u);
  EXPECT_EQ(UTF8Decode(p[1].DispatchID), FLogger->DispatchID());
  EXPECT_EQ(p[1].Bias, GlobalLogManager->TimeBias());
  EXPECT_EQ(p[1].ThreadName, UTF8Encode(UIntToStr(static_cast<Cardinal>(GetCurrentThreadId()))));
  const TTimeStamp now = DateTimeToTimeStamp(Now());
  EXPECT_NEAR(p[1].Date, now.Date, 1);

  FLogger->SendWarning(L"again");
  p = Packets();
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[2].Type, 1);
  EXPECT_EQ(p[2].DispatchID, p[0].DispatchID);
  EXPECT_TRUE(FLogger->Enabled());
}

TEST_F(DispatcherTest, AnIdTwoDaysOldIsRenewedAndRegisteredAgain) {
  FLogger->Send(L"one");
  const String first = FLogger->DispatchID();
  FLogger->AgeDispatchID(1);  // made yesterday: still in use
  FLogger->Send(L"two");
  EXPECT_EQ(FLogger->DispatchID(), first);
  FLogger->AgeDispatchID(2);
  FLogger->Send(L"three");
  const String second = FLogger->DispatchID();
  EXPECT_NE(second, first);
  EXPECT_EQ(FLogger->DispatchIDDate(), Date());
  std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[2].Text, "two");
  // No release for the old ID: the new entry was never registered.
  EXPECT_EQ(p[3].Type, 91);
  EXPECT_EQ(UTF8Decode(p[3].DispatchID), second);
  EXPECT_EQ(p[4].Text, "three");
  EXPECT_EQ(UTF8Decode(p[4].DispatchID), second);

  // Destroying the logger's connection releases every ID it ever made, in order.
  FLogger.reset();
  p = Packets();
  ASSERT_EQ(p.size(), 7u);
  EXPECT_EQ(p[5].Type, 92);
  EXPECT_EQ(UTF8Decode(p[5].DispatchID), first);
  EXPECT_EQ(p[5].Text, "");
  EXPECT_EQ(p[6].Type, 92);
  EXPECT_EQ(UTF8Decode(p[6].DispatchID), second);
}

TEST_F(DispatcherTest, ChangedDestinationIsReleasedAndRegisteredUnderANewId) {
  TVantrelDestination dest(nullptr);
  dest.SetAsString(L"Viewer,File[Path=C:\\Logs\\a.log]");
  FLogger->SetCategory(L"Cat");
  FLogger->Send(L"one");
  const String first = FLogger->DispatchID();
  FLogger->SetDestination(&dest);
  FLogger->Send(L"two");
  std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[2].Type, 92);
  EXPECT_EQ(UTF8Decode(p[2].DispatchID), first);
  EXPECT_EQ(p[2].Category, "Cat");
  EXPECT_EQ(p[3].Type, 91);
  EXPECT_EQ(p[3].Text, "Viewer,File[Path=C:\\Logs\\a.log]");
  EXPECT_NE(UTF8Decode(p[3].DispatchID), first);
  EXPECT_EQ(p[4].Text, "two");
  EXPECT_EQ(p[4].DispatchID, p[3].DispatchID);

  // A change that leaves the sampled hash alone (another port) is still registered.
  dest.SetAsString(L"Tcp[Host=logs.example;Port=3434]");
  FLogger->Send(L"three");
  const Integer code = dest.DestinationCode();
  const String before = dest.AsString();
  Integer port = 1;
  for (; port < 65536; ++port) {
    dest.TCP()->SetPort(port);
    if (dest.DestinationCode() == code && dest.AsString() != before) break;
  }
  ASSERT_LT(port, 65536) << "no port with the same code";
  const size_t count = Packets().size();
  FLogger->Send(L"four");
  p = Packets();
  ASSERT_EQ(p.size(), count + 3);
  EXPECT_EQ(p[count].Type, 92);
  EXPECT_EQ(p[count + 1].Type, 91);
  EXPECT_EQ(p[count + 1].WText(), dest.AsString());
  EXPECT_EQ(p[count + 2].Text, "four");

  // Freeing the destination component returns the logger to the manager's default.
  // (dest goes out of scope after the logger is reset in TearDown otherwise.)
  FLogger->SetDestination(nullptr);
}

TEST_F(DispatcherTest, FreedDestinationFallsBackToTheDefault) {
  auto* dest = new TVantrelDestination(nullptr);
  dest->SetAsString(L"Alias[Name=Mine]");
  FLogger->SetDestination(dest);
  FLogger->Send(L"one");
  delete dest;
  EXPECT_EQ(FLogger->Destination(), nullptr);
  FLogger->Send(L"two");
  std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[0].Text, "Alias[Name=Mine]");
  EXPECT_EQ(p[3].Type, 91);
  EXPECT_EQ(p[3].Text, "Viewer");
}

TEST_F(DispatcherTest, HookSeesWholeTextsWhileThePacketCarriesCutNames) {
  const String oldApp = GlobalLogManager->AppName();
  GlobalLogManager->SetAppName(String(50, L'A'));
  FLogger->SetCategory(String(38, L'c') + L"\xD834\xDD1E" + L"zz");  // a pair across the cut
  GlobalLogManager->SetCurrentThreadName(String(30, L'T'));
  GlobalLogManager->SetEncodeNonvisibleCharacters(true);
  TVantrelMsgData seen;
  String seenDetails;
  FLogger->OnSendMsg = [&](TObject*, const TVantrelMsgData& Data, bool& Handled) {
    seen = Data;
    seenDetails = Data.Details->Text();
    seen.Details = nullptr;
    Handled = false;
  };
  TStringList details;
  details.Add(L"d1");
  FLogger->SendMsgDetails(0, L"a\tb\n\x07", &details, String(50, L'N'));
  GlobalLogManager->SetEncodeNonvisibleCharacters(false);
  GlobalLogManager->SetCurrentThreadName(String());
  GlobalLogManager->SetAppName(oldApp);

  EXPECT_EQ(seen.MsgText, L"a\tb\n\x07");
  EXPECT_EQ(seen.AppName, String(50, L'A'));
  EXPECT_EQ(seen.TypeName, String(50, L'N'));
  EXPECT_EQ(seen.ThreadName, String(30, L'T'));
  EXPECT_EQ(seenDetails, L"d1\r\n");
  std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[1].Text, "a[TAB]b[LF][#7]");
  EXPECT_EQ(p[1].Details, "d1\r\n");
  EXPECT_EQ(p[1].AppName, std::string(40, 'A'));
  EXPECT_EQ(p[1].TypeName, std::string(40, 'N'));
  EXPECT_EQ(p[1].ThreadName, std::string(25, 'T'));
  EXPECT_EQ(p[1].Category, std::string(38, 'c'));
}

TEST_F(DispatcherTest, ThreadNamesFollowTheCallingThread) {
  FLogger->Send(L"unnamed");
  std::thread([&] {
    GlobalLogManager->SetCurrentThreadName(L"Worker");
    FLogger->Send(L"named");
    GlobalLogManager->SetCurrentThreadName(String());
    FLogger->Send(L"unnamed again");
  }).join();
  // Naming a thread never named with nothing leaves it as it was.
  GlobalLogManager->SetCurrentThreadName(String());
  std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[1].ThreadName, UTF8Encode(UIntToStr(static_cast<Cardinal>(GetCurrentThreadId()))));
  EXPECT_EQ(p[2].ThreadName, "Worker");
  EXPECT_NE(p[3].ThreadName, "Worker");
  EXPECT_NE(p[3].ThreadName, "");
}

TEST_F(DispatcherTest, SendsFromManyThreadsShareOneRegistration) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) FLogger->Send(L"t", t * 100 + i);
    });
  for (auto& t : threads) t.join();
  std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 41u);
  EXPECT_EQ(p[0].Type, 91);
  for (size_t i = 1; i < p.size(); ++i) {
    EXPECT_EQ(p[i].Type, 0);
    EXPECT_EQ(p[i].DispatchID, p[0].DispatchID);
  }
  EXPECT_EQ(FLogger->Connection()->DispatchIDs().size(), 1u);
}

TEST(DispatcherFailure, RefusedMessageOrRegistrationSwitchesTheLoggerOff) {
  ASSERT_TRUE(WaitNoDispatcher());
  struct Case {
    const wchar_t* Refuse;
    size_t Packets;  // recorded by the time the logger gives up
  } cases[] = {{L"0", 2}, {L"91", 1}};
  for (const Case& c : cases) {
    RecordFile record;
    Dispatcher dispatcher(record.Path(), c.Refuse);
    TTestLogger logger(nullptr);
    logger.Send(L"refused");
    EXPECT_FALSE(logger.Enabled()) << UTF8Encode(c.Refuse);
    logger.Send(L"never sent");
    logger.SendError(L"never sent");
    EXPECT_EQ(record.Packets().size(), c.Packets) << UTF8Encode(c.Refuse);
    EXPECT_TRUE(GlobalLogManager->Enabled());
  }
}

TEST(DispatcherFailure, AHungDispatcherWindowCostsABoundedWaitAndSwitchesTheLoggerOff) {
  ASSERT_TRUE(WaitNoDispatcher());
  TValueScope<DWORD> timeout(TVantrelCopyDataConnection::ReplyTimeout, 500);
  RecordFile record;
  Dispatcher hung(record.Path(), String(), L"0");  // answers the registration, hangs on the message
  TTestLogger logger(nullptr);
  // The send runs on its own thread so that a wait without limit fails the test instead
  // of hanging it (ending the dispatcher then ends the wait).
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread sender([&] {
    logger.Send(L"never answered");
    logger.CloseDispatcher();  // asking the hung window to close is bounded too
    SetEvent(done);
  });
  const bool returned = WaitForSingleObject(done, 15000) == WAIT_OBJECT_0;
  EXPECT_TRUE(returned) << "the logger still waits for the hung window";
  hung.Kill();
  sender.join();
  CloseHandle(done);
  EXPECT_FALSE(logger.Enabled());
  const std::vector<Packet> p = record.Packets();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].Type, 91);
  EXPECT_EQ(p[1].Text, "never answered");
  ASSERT_TRUE(WaitNoDispatcher());
}

TEST(DispatcherFailure, InvalidDestinationRaisesAndLeavesTheLoggerOn) {
  ASSERT_TRUE(WaitNoDispatcher());
  RecordFile record;
  Dispatcher dispatcher(record.Path());
  TTestLogger logger(nullptr);
  TVantrelDestination dest(nullptr);
  dest.SetAsString(L"Tcp[Host=]");
  logger.SetDestination(&dest);
  EXPECT_THROW(logger.Send(L"x"), EVantrelInvalidDestination);
  EXPECT_TRUE(logger.Enabled());
  EXPECT_EQ(record.Packets().size(), 0u);
  logger.SetDestination(nullptr);
}

TEST(DispatcherStart, MissingDispatcherIsStartedFromTheRegistryPath) {
  ASSERT_TRUE(WaitNoDispatcher());
  RecordFile record;
  DispatcherPathSetting setting(StubPath());
  SetEnvironmentVariableW(L"ZS_DISPATCHER_LOG", record.Path().c_str());
  {
    TTestLogger logger(nullptr);
    EXPECT_TRUE(logger.Installed());
    logger.Send(L"first");
    EXPECT_TRUE(logger.Enabled());
    std::vector<Packet> p = record.Packets();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1].Text, "first");
    EXPECT_NE(FindDispatcher(), nullptr);
    logger.CloseDispatcher();
    EXPECT_TRUE(WaitNoDispatcher());
  }
  SetEnvironmentVariableW(L"ZS_DISPATCHER_LOG", nullptr);
}

TEST(DispatcherStart, WaitForAStartedDispatcherIsBounded) {
  ASSERT_TRUE(WaitNoDispatcher());
  DispatcherPathSetting setting(StubPath());
  SetEnvironmentVariableW(L"ZS_DISPATCHER_STALL", L"2000");
  const DWORD oldTimeout = TVantrelCopyDataConnection::StartTimeout;
  TVantrelCopyDataConnection::StartTimeout = 300;
  {
    TTestLogger logger(nullptr);
    const ULONGLONG t0 = GetTickCount64();
    logger.Send(L"too early");
    EXPECT_LT(GetTickCount64() - t0, 1500u);
    EXPECT_FALSE(logger.Enabled());
  }
  TVantrelCopyDataConnection::StartTimeout = oldTimeout;
  SetEnvironmentVariableW(L"ZS_DISPATCHER_STALL", nullptr);
  // The stalled copy shows its window late; close it.
  const ULONGLONG end = GetTickCount64() + 10000;
  HWND late = nullptr;
  while (!(late = FindDispatcher()) && GetTickCount64() < end) Sleep(50);
  if (late) PostMessageW(late, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitNoDispatcher());
}

TEST(DispatcherStart, UnstartableDispatcherSwitchesTheLoggerOffOnce) {
  ASSERT_TRUE(WaitNoDispatcher());
  const String missing = ExeDir() + L"NoSuchDispatcher.exe";
  DispatcherPathSetting setting(missing);
  EXPECT_EQ(GetDispatcherPath(), missing);
  TTestLogger logger(nullptr);
  EXPECT_FALSE(logger.Installed());
  logger.Send(L"lost");
  EXPECT_FALSE(logger.Enabled());
  EXPECT_EQ(FindDispatcher(), nullptr);
}

TEST(DispatcherStart, WithoutARegistryValueTheDefaultProgramNameIsUsed) {
  DispatcherPathSetting setting{String()};
  EXPECT_EQ(GetDispatcherPath(), L"VRDispatcher.exe");
}

}  // namespace ZS_UNITY_ID
