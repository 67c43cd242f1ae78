// The manager, formatters and custom data, the assertion handler, the event-log writer
// and the small text helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "DispatcherHarness.h"
#include "Streaming.h"
#include "VantrelLogging.h"

namespace ZS_UNITY_ID {

namespace {

struct Captured {
  Integer Type;
  String Text, TypeName, Details;
};

// Records (and keeps) what a logger sends while the object lives.
class Capture {
 public:
  explicit Capture(TVantrelLogger* L) : FLogger(L) {
    FLogger->OnSendMsg = [this](TObject*, const TVantrelMsgData& Data, bool&) {
      Messages.push_back({Data.MsgType, Data.MsgText, Data.TypeName, Data.Details->Text()});
    };
  }
  ~Capture() { FLogger->OnSendMsg = nullptr; }
  std::vector<Captured> Messages;

 private:
  TVantrelLogger* FLogger;
};

class TTableFormatter : public TVantrelFormatter {
  DECLARE_CLASS(TTableFormatter, TVantrelFormatter)
 public:
  TTableFormatter() { FTypeName = String(50, L'T'); }
  void FormatData(const void* Data) override {
    AddNameValuePair(L"Value", *static_cast<const Integer*>(Data));
    AddNameValueBoolean(L"Flag", true);
    AddNameValuePair(L"Text", L"literal");
    AddNameValueDateTime(L"When", 1e30);
    AddNameValuePair(L"Hex", 255u, true);
    AddNameValueSmallPoint(L"Pt", static_cast<Integer>(0xFFFF0002));
  }
  TVantrelInspectorType InspectorType() override { return itStockTable; }
};

class TCustomFormatter : public TVantrelFormatter {
  DECLARE_CLASS(TCustomFormatter, TVantrelFormatter)
 public:
  TVantrelInspectorType InspectorType() override { return itCustom; }
  void FormatData(const void*) override { AddLine(L"line"); }
};

// Registered by mistake in place of a formatter; counts its live instances.
class TNotAFormatter : public TObject {
  DECLARE_CLASS(TNotAFormatter, TObject)
 public:
  TNotAFormatter() { ++Live; }
  ~TNotAFormatter() override { --Live; }
  static inline int Live = 0;
};

class THierarchyData : public IVantrelCustomData {
 public:
  void FormatData(TStrings* Data) override { Data->Add(L"root"); }
  TVantrelInspectorType InspectorType() override { return itStockHierarchy; }
  Integer CustomMsgType() override { return 5000; }
  String TypeName() override { return L"Tree"; }
};

// Empties the manager's formatter registry when the test ends.
struct FormatterScope : TScopeExit<void (*)()> {
  FormatterScope() : TScopeExit([] { GlobalLogManager->GetFormatterList()->Clear(); }) {}
};

}  // namespace

TEST(Manager, IdentityAndTimeBias) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  EXPECT_EQ(GlobalLogManager->AppName(), ChangeFileExt(ExtractFileName(exe), L""));
  EXPECT_EQ(GlobalLogManager->ProcessID(), GetCurrentProcessId());
  wchar_t name[64];
  DWORD size = 64;
  GetComputerNameW(name, &size);
  EXPECT_EQ(GlobalLogManager->ComputerName(), String(name, size));
  // The full bias: local time + bias = UTC.
  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  GetLocalTime(&local);
  const double minutes = (SystemTimeToDateTime(utc) - SystemTimeToDateTime(local)) * MinsPerDay;
  EXPECT_NEAR(GlobalLogManager->TimeBias(), minutes, 1.0);
}

TEST(Manager, TimeStampsFollowTheCounter) {
  const TTimeStamp a = GlobalLogManager->GetTimeStamp();
  Sleep(20);
  const TTimeStamp b = GlobalLogManager->GetTimeStamp();
  const double diff = TimeStampToMSecs(b) - TimeStampToMSecs(a);
  EXPECT_GE(diff, 15);
  EXPECT_LT(diff, 500);
  const TTimeStamp now = DateTimeToTimeStamp(Now());
  EXPECT_NEAR(TimeStampToMSecs(b), TimeStampToMSecs(now), 2000);
  // 23:59:59.900 plus 200 ms is the next day at 100 ms.
  const TTimeStamp late{86399900, 739000};
  const TTimeStamp next = TVantrelManager::AddMilliseconds(late, 200);
  EXPECT_EQ(next.Date, 739001);
  EXPECT_EQ(next.Time, 100);
}

TEST(Manager, ThreadNames) {
  std::thread([] {
    const String id = UIntToStr(static_cast<Cardinal>(GetCurrentThreadId()));
    GlobalLogManager->SetCurrentThreadName(String());  // never named: nothing happens
    EXPECT_EQ(GlobalLogManager->GetCurrentThreadName(), id);
    GlobalLogManager->SetCurrentThreadName(L"Worker");
    EXPECT_EQ(GlobalLogManager->GetCurrentThreadName(), L"Worker");
    GlobalLogManager->SetCurrentThreadName(String());
    EXPECT_EQ(GlobalLogManager->GetCurrentThreadName(), id);
    GlobalLogManager->SetCurrentThreadName(String());
  }).join();
}

TEST(Manager, DefaultDestinationResetsToTheViewer) {
  EXPECT_EQ(GlobalLogManager->DefaultDestination()->AsString(), L"Viewer");
  TVantrelDestination file(nullptr);
  file.SetAsString(L"File[Path=C:\\x.log]");
  GlobalLogManager->SetDefaultDestination(&file);
  EXPECT_EQ(GlobalLogManager->DefaultDestination()->AsString(), L"File[Path=C:\\x.log]");
  EXPECT_NE(GlobalLogManager->DefaultDestination(), &file);
  GlobalLogManager->SetDefaultDestination(nullptr);
  EXPECT_EQ(GlobalLogManager->DefaultDestination()->AsString(), L"Viewer");
  EXPECT_EQ(GlobalLogManager->DefaultDestination()->DestinationCode(), 1870682626);
}

TEST(Formatters, RegistrationRules) {
  FormatterScope scope;
  Capture cap(GlobalLogger);
  GlobalLogManager->RegisterCustomFormatter(1005, TTableFormatter::StaticClass());
  GlobalLogManager->RegisterCustomFormatter(1005, TCustomFormatter::StaticClass());
  GlobalLogManager->RegisterCustomFormatter(99, TCustomFormatter::StaticClass());
  GlobalLogManager->RegisterCustomFormatter(100, TCustomFormatter::StaticClass());
  TVantrelFormatterList* list = GlobalLogManager->GetFormatterList();
  EXPECT_EQ(list->FindFormatterClass(1005), TTableFormatter::StaticClass());
  EXPECT_EQ(list->FindFormatterClass(99), nullptr);  // reserved types are refused
  EXPECT_EQ(list->FindFormatterClass(100), TCustomFormatter::StaticClass());
  ASSERT_EQ(cap.Messages.size(), 2u);
  EXPECT_EQ(cap.Messages[0].Type, 1);
  EXPECT_EQ(cap.Messages[0].Text, L"TCustomFormatter warning: TTableFormatter is already registered for MsgType 1005");
  EXPECT_EQ(cap.Messages[1].Type, 2);
  EXPECT_EQ(cap.Messages[1].Text, L"TCustomFormatter Error: MsgType 99 is less than vrmUser");
  EXPECT_TRUE(IsCustomMsgType(100));
  EXPECT_FALSE(IsCustomMsgType(99));
}

TEST(Formatters, CustomDataIsSentAsItsInspectorAsks) {
  FormatterScope scope;
  GlobalLogManager->RegisterCustomFormatter(1005, TTableFormatter::StaticClass());
  GlobalLogManager->RegisterCustomFormatter(2000, TCustomFormatter::StaticClass());
  TVantrelLogger logger(nullptr);
  Capture cap(&logger);
  const Integer value = 42;
  logger.SendCustomData(1005, L"table", &value);
  logger.SendCustomData(2000, L"custom", &value);
  logger.SendCustomData(1006, L"x", nullptr);
  logger.SendCustomData(150, L"x", nullptr);
  logger.SendCustomData(vrmPublic + 1, L"x", nullptr);
  THierarchyData tree;
  logger.Send(L"tree", &tree);
  logger.SendCustomData(L"none", nullptr);
  ASSERT_EQ(cap.Messages.size(), 6u);
  EXPECT_EQ(cap.Messages[0].Type, 38);
  EXPECT_EQ(cap.Messages[0].TypeName, String(40, L'T'));
  EXPECT_EQ(cap.Messages[0].Details,
            L"Value=42\r\nFlag=True\r\nText=literal\r\nWhen=??\r\nHex=$FF\r\nPt=( 2, -1 )\r\n");
  EXPECT_EQ(cap.Messages[1].Type, 2000);
  EXPECT_EQ(cap.Messages[1].Details, L"line\r\n");
  EXPECT_EQ(cap.Messages[2].Text, L"SendCustomData Error: MsgType (vrmUser + 6) has no registered formatter");
  EXPECT_EQ(cap.Messages[3].Text, L"SendCustomData Error: MsgType (vrmReserved + 50) has no registered formatter");
  EXPECT_EQ(cap.Messages[4].Text, L"SendCustomData Error: MsgType (vrmPublic + 1) has no registered formatter");
  EXPECT_EQ(cap.Messages[4].Type, 2);
  EXPECT_EQ(cap.Messages[5].Type, 44);
  EXPECT_EQ(cap.Messages[5].TypeName, L"Tree");
  EXPECT_EQ(cap.Messages[5].Details, L"root\r\n");
}

TEST(Formatters, AClassThatIsNoFormatterIsFreedAndReported) {
  FormatterScope scope;
  GlobalLogManager->RegisterCustomFormatter(1007, TNotAFormatter::StaticClass());
  GlobalLogManager->RegisterCustomFormatter(vrmPublic + 2, TNotAFormatter::StaticClass());
  TVantrelLogger logger(nullptr);
  Capture cap(&logger);
  const Integer value = 1;
  logger.SendCustomData(1007, L"x", &value);
  logger.SendCustomData(vrmPublic + 2, L"x", &value);
  EXPECT_EQ(TNotAFormatter::Live, 0);
  ASSERT_EQ(cap.Messages.size(), 2u);
  EXPECT_EQ(cap.Messages[0].Type, vrmError);
  EXPECT_EQ(cap.Messages[0].Text,
            L"SendCustomData Error: MsgType (vrmUser + 7) has a registered class that is not a formatter "
            L"(TNotAFormatter)");
  EXPECT_EQ(cap.Messages[1].Text,
            L"SendCustomData Error: MsgType (vrmPublic + 2) has a registered class that is not a formatter "
            L"(TNotAFormatter)");
}

TEST(Assertions, LoggedRaisedOrBothAsTheManagerSays) {
  Capture cap(GlobalLogger);
  struct Restore {
    ~Restore() { GlobalLogManager->SetLogAsserts(laNormal); }
  } restore;

  GlobalLogManager->SetLogAsserts(laNormal);
  EXPECT_THROW(Assert(false, L"normal"), EAssertionFailed);
  EXPECT_TRUE(cap.Messages.empty());

  GlobalLogManager->SetLogAsserts(laVantrel);
  EXPECT_NO_THROW(Assert(false, L"logged"));
  ASSERT_EQ(cap.Messages.size(), 1u);
  EXPECT_EQ(cap.Messages[0].Type, 2);
  const String text = cap.Messages[0].Text;
  EXPECT_EQ(text.find(L"Assertion Failed: logged\rFile: "), 0u);
  EXPECT_NE(text.find(L"ManagerTest.cpp\rLine: "), String::npos);
  EXPECT_NE(text.find(L"\rAddress: "), String::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 3);

  GlobalLogManager->SetLogAsserts(laBoth);
  try {
    Assert(false, L"both");
    ADD_FAILURE() << "laBoth did not raise";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(cap.Messages.size(), 2u);  // the message went first
    EXPECT_EQ(e.Message().find(L"both ("), 0u);
  }
}

TEST(EventLog, SourceIsRegisteredWithTheMessageFileUnderTheInstallPath) {
  const String appKey = L"\\SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\";
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  reg.DeleteKey(appKey + L"App:Audit");
  reg.DeleteKey(appKey + L"App:Kept");
  reg.DeleteKey(appKey + L"App:Bare");
  const String oldApp = GlobalLogManager->AppName();
  GlobalLogManager->SetAppName(L"App");
  {
    // No install path: the key is made but carries no message file.
    TVantrelLogger logger(nullptr);
    logger.SetCategory(L"Bare");
    logger.LogEvent(L"hello", 1, 2);
    ASSERT_TRUE(reg.OpenKey(appKey + L"App:Bare", false));
    EXPECT_FALSE(reg.ValueExists(L"EventMessageFile"));
    reg.CloseKey();
  }
  reg.OpenKey(VantrelRegistryKey, true);
  reg.WriteString(L"InstallPath", L"C:\\Program Files\\Vantrel");  // no trailing delimiter
  reg.CloseKey();
  EXPECT_EQ(GetInstallPath(), L"C:\\Program Files\\Vantrel");
  reg.OpenKey(appKey + L"App:Kept", true);
  reg.WriteString(L"EventMessageFile", L"D:\\mine.dll");
  reg.CloseKey();
  {
    TVantrelLogger logger(nullptr);
    logger.SetCategory(L"Audit");
    logger.LogEvent(L"info");
    logger.SetCategory(L"Later");  // the source stays as first made
    logger.LogWarning(L"warning");
    logger.LogError(L"error");
    TVantrelLogger kept(nullptr);
    kept.SetCategory(L"Kept");
    kept.LogEvent(L"info");
  }
  ASSERT_TRUE(reg.OpenKey(appKey + L"App:Audit", false));
  EXPECT_EQ(reg.ReadString(L"EventMessageFile"), L"C:\\Program Files\\Vantrel\\Bin\\VREventLogMessages.dll");
  EXPECT_EQ(reg.ReadInteger(L"TypesSupported"), 7);
  reg.CloseKey();
  EXPECT_FALSE(reg.KeyExists(appKey + L"App:Later"));
  ASSERT_TRUE(reg.OpenKey(appKey + L"App:Kept", false));
  EXPECT_EQ(reg.ReadString(L"EventMessageFile"), L"D:\\mine.dll");
  reg.CloseKey();

  TVREventLog unnamed(L"");
  try {
    unnamed.WriteEntry(L"x", etInfo, 0, 0);
    ADD_FAILURE() << "no error for an empty source";
  } catch (const EVREventLogException& e) {
    EXPECT_EQ(e.Message(), L"Event log source name not specified");
  }

  GlobalLogManager->SetAppName(oldApp);
  reg.OpenKey(VantrelRegistryKey, true);
  reg.DeleteValue(L"InstallPath");
  reg.CloseKey();
  for (const wchar_t* k : {L"App:Audit", L"App:Kept", L"App:Bare"}) reg.DeleteKey(appKey + k);
}

TEST(TextHelpers, CursorsColoursAndComponentNames) {
  EXPECT_EQ(CursorToString(-21), L"crHandPoint");
  EXPECT_EQ(CursorToString(-22), L"crSizeAll");
  EXPECT_EQ(CursorToString(0), L"crDefault");
  EXPECT_EQ(CursorToString(5), L"5");
  EXPECT_EQ(CursorToString(-5), L"-5");
  EXPECT_EQ(ColorToRGBText(0x0000FF), L"clRed( 255, 0, 0 )");
  EXPECT_EQ(ColorToRGBText(0x00123456), L"$00123456( 86, 52, 18 )");
  const Integer window = ColorToRGB(static_cast<TColor>(0xFF000000 | COLOR_WINDOW));
  EXPECT_EQ(ColorToRGBText(static_cast<TColor>(0xFF000000 | COLOR_WINDOW)),
            Format(L"clWindow( %d, %d, %d )", {GetRValue(window), GetGValue(window), GetBValue(window)}));

  TComponent owner(nullptr);
  EXPECT_EQ(UniqueComponentName(&owner, L"VRDestination", true), L"VRDestination");
  (new TComponent(&owner))->SetName(L"VRDestination1");
  (new TComponent(&owner))->SetName(L"VRDestination2");
  EXPECT_EQ(UniqueComponentName(&owner, L"VRDestination", false), L"VRDestination3");
  EXPECT_EQ(UniqueComponentName(&owner, L"VRDestination", true), L"VRDestination");
  EXPECT_NE(SHGetSpecialFolderPathProc, nullptr);
}

TEST(LoggerStreaming, LegacyPropertiesAreReadAndNeverWritten) {
  TComponent owner(nullptr);
  (new TComponent(&owner))->SetName(L"VRDestination1");
  auto* logger = new TVantrelLogger(&owner);
  logger->SetName(L"Logger1");
  TextToComponent(L"object Logger1: TVantrelLogger\r\n"
                  L"  DestinationDetails = 'Viewer,File[Path=C:\\x.log]'\r\n"
                  L"  HexNumPrefix = '$'\r\n"
                  L"  HexViewWidth = 16\r\n"
                  L"  QuoteChar = '\"'\r\n"
                  L"end\r\n",
                  logger);
  TVantrelDestination* dest = logger->Destination();
  ASSERT_NE(dest, nullptr);
  EXPECT_EQ(dest->Owner(), &owner);
  EXPECT_EQ(dest->Name(), L"VRDestination2");
  EXPECT_EQ(dest->AsString(), L"Viewer,File[Path=C:\\x.log]");
  const String text = ComponentToText(logger);
  EXPECT_EQ(text.find(L"DestinationDetails"), String::npos);
  EXPECT_EQ(text.find(L"HexViewWidth"), String::npos);
}

TEST(LoggerStreaming, PublishedPropertiesRoundTrip) {
  TVantrelLogger logger(nullptr);
  logger.SetName(L"Logger1");
  logger.SetCategory(L"Cat");
  logger.SetCategoryColor(0x0000FF);
  logger.SetDateTimeFormat(L"hh:nn");
  logger.SetEnabled(false);
  const String text = ComponentToText(&logger);
  EXPECT_NE(text.find(L"Category = 'Cat'"), String::npos) << UTF8Encode(text);
  EXPECT_NE(text.find(L"CategoryColor = clRed"), String::npos) << UTF8Encode(text);
  EXPECT_NE(text.find(L"Enabled = False"), String::npos) << UTF8Encode(text);
  EXPECT_EQ(text.find(L"CategoryFontColor"), String::npos) << UTF8Encode(text);  // the default

  TVantrelLogger copy(nullptr);
  TextToComponent(text, &copy);
  EXPECT_EQ(copy.Category(), L"Cat");
  EXPECT_EQ(copy.CategoryColor(), 0x0000FF);
  EXPECT_EQ(copy.DateTimeFormat(), L"hh:nn");
  EXPECT_FALSE(copy.Enabled());

  TVantrelDestination dest(nullptr);
  dest.SetName(L"Dest1");
  dest.SetAsString(L"Viewer,Tcp[Host=h;Port=7],Alias[Name=A],File[Path=C:\\q.log;MaxSize=5]");
  TVantrelDestination back(nullptr);
  TextToComponent(ComponentToText(&dest), &back);
  EXPECT_EQ(back.AsString(), dest.AsString());
  EXPECT_EQ(back.DestinationCode(), dest.DestinationCode());
}

}  // namespace ZS_UNITY_ID
