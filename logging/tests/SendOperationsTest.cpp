// The text each send operation builds, read through a send hook that keeps every
// message (so nothing reaches a dispatcher).
#include <gtest/gtest.h>

#include <functional>

#include "DispatcherHarness.h"
#include "VantrelLogging.h"

namespace ZS_UNITY_ID {

namespace {

enum TFruit { frApple, frPear, frPlum };
ENUM_TYPEINFO(TFruit, frApple, frPear, frPlum)
using TFruits = Set<TFruit, 8>;
SET_TYPEINFO(TFruits, TFruit)

class TGrid : public TComponent {
  DECLARE_CLASS(TGrid, TComponent)
 public:
  using TComponent::TComponent;
};

struct Captured {
  Integer Type;
  String Text, TypeName, Details;
};

// A logger whose hook records and keeps every message.
class CapturingLogger {
 public:
  CapturingLogger() : Logger(nullptr) {
    Logger.OnSendMsg = [this](TObject* Sender, const TVantrelMsgData& Data, bool& Handled) {
      EXPECT_EQ(Sender, &Logger);
      EXPECT_TRUE(Handled);
      Messages.push_back({Data.MsgType, Data.MsgText, Data.TypeName, Data.Details->Text()});
    };
  }
  TVantrelLogger Logger;
  std::vector<Captured> Messages;
};

struct SendCase {
  const char* Name;
  std::function<void(TVantrelLogger&)> Call;
  Integer Type;
  String Text;
  String TypeName = String();
  String Details = String();
};

void RunCases(const std::vector<SendCase>& Cases) {
  for (const SendCase& c : Cases) {
    CapturingLogger cap;
    c.Call(cap.Logger);
    ASSERT_EQ(cap.Messages.size(), 1u) << c.Name;
    const Captured& m = cap.Messages[0];
    EXPECT_EQ(m.Type, c.Type) << c.Name;
    EXPECT_EQ(m.Text, c.Text) << c.Name;
    EXPECT_EQ(m.TypeName, c.TypeName) << c.Name;
    EXPECT_EQ(m.Details, c.Details) << c.Name;
    EXPECT_TRUE(cap.Logger.Enabled()) << c.Name;
  }
}

}  // namespace

TEST(SendOperations, ValuesAndTheirTexts) {
  const int red = 0x0000FF;
  std::vector<SendCase> cases = {
      {"plain", [](auto& l) { l.Send(L"hello"); }, 0, L"hello"},
      {"typed plain", [](auto& l) { l.Send(42, L"hello"); }, 42, L"hello"},
      {"string literal", [](auto& l) { l.Send(L"x", L"abc"); }, 0, L"x = abc"},
      {"string", [](auto& l) { l.Send(L"x", String(L"abc")); }, 0, L"x = abc"},
      {"typed string literal", [](auto& l) { l.Send(7, L"x", L"abc"); }, 7, L"x = abc"},
      {"char", [](auto& l) { l.Send(L"c", L'z'); }, 0, L"c = z"},
      {"integer", [](auto& l) { l.Send(L"i", -5); }, 0, L"i = -5"},
      {"word", [](auto& l) { l.Send(L"w", Word(65535)); }, 0, L"w = 65535"},
      {"typed integer", [](auto& l) { l.Send(42, L"t", 5); }, 42, L"t = 5"},
      {"cardinal", [](auto& l) { l.Send(L"u", 0xFFFFFFFFu, false); }, 0, L"u = 4294967295"},
      {"cardinal hex", [](auto& l) { l.Send(L"u", 0xFFFFFFFFu, true); }, 0, L"u = $FFFFFFFF"},
      {"int64", [](auto& l) { l.Send(L"big", Int64(1) << 40); }, 0, L"big = 1099511627776"},
      {"extended", [](auto& l) { l.Send(L"f", 1234.5678, 2); }, 0, L"f = 1,234.57"},
      {"boolean", [](auto& l) { l.SendBoolean(L"Done", true); }, 0, L"Done = True"},
      {"boolean colon", [](auto& l) { l.SendBoolean(L"Done:", true); }, 0, L"Done: True"},
      {"boolean equals", [](auto& l) { l.SendBoolean(L"Done=", false); }, 0, L"Done= False"},
      {"boolean no label", [](auto& l) { l.SendBoolean(L"", true); }, 0, L" True"},
      {"point", [](auto& l) { l.Send(L"p", POINT{1, -2}); }, 0, L"p = ( 1, -2 )"},
      {"small point", [](auto& l) { l.SendSmallPoint(L"s", static_cast<Integer>(0xFFFF0002)); }, 0, L"s = ( 2, -1 )"},
      {"rect", [](auto& l) { l.Send(L"r", RECT{1, 2, 3, 4}); }, 0, L"r = ( 1, 2, 3, 4 )"},
      {"nil assigned", [](auto& l) { l.SendAssigned(L"ptr", nullptr); }, 0, L"ptr is *NOT* Assigned."},
      {"assigned", [&](auto& l) { l.SendAssigned(L"ptr", &red); }, 0, L"ptr is Assigned."},
      {"pointer", [](auto& l) { l.SendPointer(L"ptr", reinterpret_cast<void*>(0x1234)); }, 0, L"ptr = $1234"},
      {"nil pointer", [](auto& l) { l.SendPointer(L"ptr", nullptr); }, 0, L"ptr is *NOT* Assigned."},
      {"currency", [](auto& l) { l.SendCurrency(L"m", Currency::FromDouble(12.5)); }, 0,
       Format(L"m = %m", {Currency::FromDouble(12.5)})},
      {"date-time", [](auto& l) { l.SetDateTimeFormat(L"yyyy-mm-dd hh:nn"); l.SendDateTime(L"d", EncodeDate(2024, 1, 2) + EncodeTime(3, 4, 0, 0)); },
       0, L"d = 2024-01-02 03:04"},
      {"enum", [](auto& l) { l.SendEnum(L"e", TypeInfoOf<TFruit>(), 1); }, 0, L"e = frPear"},
      {"bad enum", [](auto& l) { l.SendEnum(L"e", TypeInfoInteger(), 1); }, 2, L"Send Data Error: Invalid Enumeration Type (e)"},
      {"set", [](auto& l) { l.SendSet(L"s", TFruits{frPlum, frApple}); }, 0, L"s: [frApple, frPlum]", L"TFruits"},
      {"empty set", [](auto& l) { l.SendSet(L"s", TFruits{}); }, 0, L"s: [ ]", L"TFruits"},
      {"not a set", [](auto& l) { l.SendSet(L"s", TypeInfoOf<TFruit>(), 1); }, 2, L"SendSet Error: Value is not a set"},
      {"colour", [](auto& l) { l.SendColor(L"c", 0x0000FF); }, 31, L"c: clRed = RGB( 255, 0, 0 )", L"TColor", L"255\r\n0\r\n0\r\n"},
      {"colour without name", [](auto& l) { l.SendColor(L"c", 0x563412); }, 31, L"c: $00563412 = RGB( 18, 52, 86 )", L"TColor",
       L"18\r\n52\r\n86\r\n"},
      {"ARGB named", [](auto& l) { l.SendColorARGB(L"a", 0x80FF0000); }, 31, L"a: Red = RGB( 255, 0, 0 )  Alpha( 128 )",
       L"ARGB_Color", L"255\r\n0\r\n0\r\n128\r\n"},
      {"ARGB unnamed", [](auto& l) { l.SendColorARGB(L"a", 0xFF12AB56); }, 31, L"a: #12AB56 = RGB( 18, 171, 86 )  Alpha( 255 )",
       L"ARGB_Color", L"18\r\n171\r\n86\r\n255\r\n"},
      {"win error", [](auto& l) { l.SendWinError(L"w", ERROR_FILE_NOT_FOUND); }, 2, L"w: " + SysErrorMessage(ERROR_FILE_NOT_FOUND)},
      {"assert", [](auto& l) { l.Assert(false, L"broken"); }, 2, L"broken"},
      {"send if", [](auto& l) { l.SendIf(false, L"no"); l.SendIf(true, L"m", 5); }, 0, L"m = 5"},
      {"typed send if", [](auto& l) { l.SendIf(true, 9, L"m", L"v"); }, 9, L"m = v"},
  };
  RunCases(cases);
}

TEST(SendOperations, VariantsOfEveryScalarType) {
  const Variant oneDim = VarArrayOf({Variant(1), Variant(L"two")});
  const Variant twoDim = VarArrayCreate({0, 1, 0, 1}, varInteger);
  std::vector<SendCase> cases = {
      {"empty", [](auto& l) { l.SendVariant(L"v", Variant()); }, 0, L"v: Variant is Not Assigned"},
      {"null", [](auto& l) { l.SendVariant(L"v", Null()); }, 0, L"v: Variant is Null"},
      {"integer", [](auto& l) { l.SendVariant(3, L"v", Variant(-7)); }, 3, L"v = -7"},
      {"smallint", [](auto& l) { l.SendVariant(L"v", Variant(SmallInt(-300))); }, 0, L"v = -300"},
      {"shortint", [](auto& l) { l.SendVariant(L"v", Variant(ShortInt(-3))); }, 0, L"v = -3"},
      {"word", [](auto& l) { l.SendVariant(L"v", Variant(Word(60000))); }, 0, L"v = 60000"},
      {"longword", [](auto& l) { l.SendVariant(L"v", Variant(4000000000u)); }, 0, L"v = 4000000000"},
      {"int64", [](auto& l) { l.SendVariant(L"v", Variant(Int64(-5000000000LL))); }, 0, L"v = -5000000000"},
      {"uint64", [](auto& l) { l.SendVariant(L"v", Variant(18000000000000000000ULL)); }, 0, L"v = 18000000000000000000"},
      {"double", [](auto& l) { l.SendVariant(L"v", Variant(2.5)); }, 0, L"v = 2.50"},
      {"date", [](auto& l) { l.SendVariant(L"v", Variant(45000.25, varDateTag)); }, 0, L"v = 45,000.25"},
      {"unicode string", [](auto& l) { l.SendVariant(L"v", Variant(L"abc")); }, 0, L"v = abc"},
      {"ansi string", [](auto& l) { l.SendVariant(L"v", Variant("abc")); }, 0, L"v = abc"},
      {"boolean", [](auto& l) { l.SendVariant(L"v", Variant(true)); }, 0, L"v = True"},
      {"byte", [](auto& l) { l.SendVariant(L"v", Variant(Byte(255))); }, 0, L"v = $FF"},
      {"currency", [](auto& l) { l.SendVariant(L"v", Variant(Currency::FromDouble(3))); }, 0, Format(L"v = %m", {Currency::FromDouble(3)})},
      {"error", [](auto& l) { l.SendVariant(L"v", Variant::Error(5)); }, 0, L"v: Variant is of type varError"},
      {"array", [&](auto& l) { l.SendVariant(L"v", oneDim); }, 0, L"v", L"varArray", L"1\r\ntwo\r\n"},
      {"two dimensions", [&](auto& l) { l.SendVariant(L"v", twoDim); }, 2,
       L"SendVariant Error: Multi-dimensional variant arrays not supported"},
  };
  RunCases(cases);
}

TEST(SendOperations, TextsFormatsTracingAndScratchPad) {
  TGrid grid(nullptr);
  grid.SetName(L"Grid1");
  TGrid unnamed(nullptr);
  TStringList lines;
  lines.Add(L"a");
  lines.Add(L"b");
  std::vector<SendCase> cases = {
      {"fmt", [](auto& l) { l.SendFmt(L"%d-%s", {1, L"a"}); }, 0, L"1-a"},
      {"fmt mismatch", [](auto& l) { l.SendFmt(L"%d", {L"a"}); }, 2, L"Send Error: Invalid Format Arguments"},
      {"fmtmsg mismatch", [](auto& l) { l.SendFmtMsg(L"%d items", {L"a"}); }, 2,
       L"SendFmtMsg Error: Invalid Format Arguments - %d items"},
      {"note", [](auto& l) { l.SendNote(L"n"); }, 8, L"n"},
      {"warning fmt", [](auto& l) { l.SendWarning(L"w%d", {1}); }, 1, L"w1"},
      {"error", [](auto& l) { l.SendError(L"e"); }, 2, L"e"},
      {"reminder", [](auto& l) { l.SendReminder(L"r"); }, 23, L"r"},
      {"strings", [&](auto& l) { l.Send(L"list", &lines); }, 6, L"list", L"TStringList", L"a\r\nb\r\n"},
      {"enter", [](auto& l) { l.EnterMethod(L"Paint"); }, 9, L"Paint"},
      {"enter object", [&](auto& l) { l.EnterMethod(&grid, L"Paint"); }, 9, L"TGrid( Grid1 ).Paint", L"TGrid"},
      {"exit unnamed", [&](auto& l) { l.ExitMethod(&unnamed, L"Paint"); }, 10, L"TGrid.Paint", L"TGrid"},
      {"exit nil", [](auto& l) { l.ExitMethod(nullptr, L"Paint"); }, 10, L"Paint"},
      {"exit result", [&](auto& l) { l.ExitMethod(&grid, L"Count", Variant(5)); }, 10, L"TGrid( Grid1 ).Count = 5", L"TGrid"},
      {"collapse", [&](auto& l) { l.ExitMethodCollapse(&grid, L"Paint"); }, 43, L"TGrid( Grid1 ).Paint", L"TGrid"},
      {"separator", [](auto& l) { l.AddSeparator(); }, 11, L""},
      {"reset separator", [](auto& l) { l.AddResetSeparator(); }, 39, L""},
      {"clear", [](auto& l) { l.Clear(); }, 13, L""},
      {"exception", [](auto& l) { l.SendException(L"ctx", EConvertError(L"bad")); }, 37, L"ctx: bad", L"EConvertError",
       ExceptionErrorMessage(EConvertError(L"bad")) + L"\r\n"},
      {"write", [](auto& l) { l.Write(L"id", L"v"); }, 14, L"id@v"},
      {"write labelled", [](auto& l) { l.Write(L"id", L"m", L"v"); }, 14, L"id@m = v"},
      {"write integer", [](auto& l) { l.Write(L"id", 5); }, 14, L"id@5"},
      {"write labelled integer", [](auto& l) { l.Write(L"id", L"m", 5); }, 14, L"id@m = 5"},
      {"write hex", [](auto& l) { l.Write(L"id", 255u, true); }, 14, L"id@$FF"},
      {"write unsigned", [](auto& l) { l.Write(L"id", L"m", 255u, false); }, 14, L"id@m = 255"},
      {"write extended", [](auto& l) { l.Write(L"id", 0.5, 3); }, 14, L"id@0.500"},
      {"write boolean", [](auto& l) { l.WriteBoolean(L"id", true); }, 14, L"id@True"},
      {"write labelled boolean", [](auto& l) { l.WriteBoolean(L"id", L"m", false); }, 14, L"id@m = False"},
      {"write colour", [](auto& l) { l.WriteColor(L"id", 0x0000FF); }, 14, L"id@clRed( 255, 0, 0 )"},
      {"write labelled colour", [](auto& l) { l.WriteColor(L"id", L"m", 0x0000FF); }, 14, L"id@m: clRed( 255, 0, 0 )"},
      {"write point", [](auto& l) { l.Write(L"id", POINT{1, 2}); }, 14, L"id@( 1, 2 )"},
      {"write rect", [](auto& l) { l.Write(L"id", L"m", RECT{1, 2, 3, 4}); }, 14, L"id@m = ( 1, 2, 3, 4 )"},
      {"write fmt mismatch", [](auto& l) { l.WriteFmt(L"id", L"%d", {L"x"}); }, 2, L"WriteFmtMsg Error: Invalid Format Arguments"},
  };
  RunCases(cases);
}

TEST(SendOperations, CheckPointsCountPerLogger) {
  CapturingLogger cap;
  cap.Logger.AddCheckPoint();
  cap.Logger.AddCheckPoint();
  cap.Logger.ResetCheckPoint();
  cap.Logger.SetCategory(L"Cat");
  cap.Logger.AddCheckPoint();
  ASSERT_EQ(cap.Messages.size(), 3u);
  EXPECT_EQ(cap.Messages[0].Text, GlobalLogManager->AppName() + L": Check Point #1");
  EXPECT_EQ(cap.Messages[1].Text, GlobalLogManager->AppName() + L": Check Point #2");
  EXPECT_EQ(cap.Messages[2].Text, L"Cat: Check Point #1");
  EXPECT_EQ(cap.Messages[2].Type, 3);
}

TEST(SendOperations, GatesAndTheHook) {
  harness::DispatcherPathSetting nowhere(harness::ExeDir() + L"NoSuchDispatcher.exe");
  ASSERT_TRUE(harness::WaitNoDispatcher());
  {
    // The manager's switch silences every logger without touching theirs.
    CapturingLogger cap;
    GlobalLogManager->SetEnabled(false);
    cap.Logger.Send(L"silent");
    cap.Logger.SendBoolean(L"silent", true);
    GlobalLogManager->SetEnabled(true);
    EXPECT_TRUE(cap.Messages.empty());
    EXPECT_TRUE(cap.Logger.Enabled());
  }
  {
    // A handler that does nothing keeps every message; nothing reaches a connection.
    TVantrelLogger logger(nullptr);
    logger.OnSendMsg = [](TObject*, const TVantrelMsgData&, bool&) {};
    logger.Send(L"kept");
    EXPECT_TRUE(logger.Enabled());
    EXPECT_TRUE(logger.DispatchID().empty());
  }
  {
    // Control types never reach the hook: this one goes to the (missing) dispatcher.
    CapturingLogger cap;
    cap.Logger.ConnectUsingCopyData();
    cap.Logger.Send(95, L"control");
    EXPECT_TRUE(cap.Messages.empty());
    EXPECT_FALSE(cap.Logger.Enabled());
    cap.Logger.Send(L"after");
    EXPECT_TRUE(cap.Messages.empty());
  }
  {
    // A handler that raises: nothing is sent, the logger stays on.
    TVantrelLogger logger(nullptr);
    logger.OnSendMsg = [](TObject*, const TVantrelMsgData&, bool&) { throw EAbort(L"no"); };
    EXPECT_THROW(logger.Send(L"x"), EAbort);
    EXPECT_TRUE(logger.Enabled());
  }
}

TEST(SendOperations, EscapingNonvisibleCharacters) {
  EXPECT_EQ(EscapeNonvisibleChars(String(L"a\tb\n", 4)), L"a[TAB]b[LF]");
  EXPECT_EQ(EscapeNonvisibleChars(String(L"\r\x07\0z", 4)), L"[CR][#7][#0]z");
  EXPECT_EQ(EscapeNonvisibleChars(L"\x3042 ok"), L"\x3042 ok");
}

// A Boolean value never goes through an overloaded send by accident, and a string literal
// never reaches a Boolean send.
template <class T>
concept SendsBoolean = requires(T& l) { l.Send(L"x", true); };
template <class T>
concept SendsTypedBoolean = requires(T& l) { l.Send(1, L"x", true); };
template <class T>
concept WritesBoolean = requires(T& l) { l.Write(L"id", L"m", true); };
template <class T>
concept AddsBooleanPair = requires(T& f) { f.AddNameValuePair(L"n", true); };
static_assert(!SendsBoolean<TVantrelLogger>);
static_assert(!SendsTypedBoolean<TVantrelLogger>);
static_assert(!WritesBoolean<TVantrelLogger>);
static_assert(!AddsBooleanPair<TVantrelFormatter>);

TEST(SendOperations, StringLiteralsPickTheStringSends) {
  CapturingLogger cap;
  cap.Logger.Send(L"a", L"b");
  cap.Logger.Write(L"id", L"m", L"v");
  cap.Logger.Write(L"id", L"v");
  cap.Logger.SendIf(true, L"m", L"v");
  ASSERT_EQ(cap.Messages.size(), 4u);
  EXPECT_EQ(cap.Messages[0].Text, L"a = b");
  EXPECT_EQ(cap.Messages[1].Text, L"id@m = v");
  EXPECT_EQ(cap.Messages[2].Text, L"id@v");
  EXPECT_EQ(cap.Messages[3].Text, L"m = v");
}

}  // namespace ZS_UNITY_ID
