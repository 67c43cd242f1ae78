#include "VantrelLogging.h"

#include <cmath>

#include "Streaming.h"
#include "VantrelTcpConnection.h"

TVantrelManager* GlobalLogManager = nullptr;
TVantrelLogger* GlobalLogger = nullptr;

const wchar_t* const MessageTypeName[45] = {
    L"Info",     L"Warning",    L"Error",      L"CheckPoint", L"Object",     L"CompAsText", L"StringList",
    L"Property", L"Note",       L"Enter",      L"Exit",       L"Separator",  L"InactSep",   L"Clear",
    L"ScratchPad", L"SaveLog",  L"Bitmap",     L"TextFile",   L"Window",     L"Memory",     L"MemStatus",
    L"Text",     L"Properties", L"Reminder",   L"Level1",     L"Level2",     L"Level3",     L"Level4",
    L"Level5",   L"Level6",     L"Level7",     L"Color",      L"Registry",   L"SysInfo",    L"VerInfo",
    L"XmlData",  L"StackTrace", L"Exception",  L"Table",      L"ResetSep",   L"AppStrtSep", L"Collection",
    L"CollapsedMethod", L"ExitMethodCollapse", L"Hierarchy"};

namespace {

class TLocked {
 public:
  explicit TLocked(TCriticalSection& C) : FC(C) { FC.Acquire(); }
  ~TLocked() { FC.Release(); }
  TLocked(const TLocked&) = delete;
  TLocked& operator=(const TLocked&) = delete;

 private:
  TCriticalSection& FC;
};

String PointText(const POINT& P) { return Format(L"( %d, %d )", {static_cast<Integer>(P.x), static_cast<Integer>(P.y)}); }
String SmallPointText(Integer V) {
  return Format(L"( %d, %d )", {static_cast<Integer>(static_cast<SmallInt>(V & 0xFFFF)),
                                static_cast<Integer>(static_cast<SmallInt>((V >> 16) & 0xFFFF))});
}
String RectText(const RECT& R) {
  return Format(L"( %d, %d, %d, %d )", {static_cast<Integer>(R.left), static_cast<Integer>(R.top),
                                        static_cast<Integer>(R.right), static_cast<Integer>(R.bottom)});
}
String CardinalText(Cardinal Value, bool AsHex) {
  return AsHex ? Format(L"$%x", {Value}) : UIntToStr(Value);
}

// Web colour names of RGB values.
String WebColorName(Integer R, Integer G, Integer B) {
  struct Entry {
    Integer Rgb;
    const wchar_t* Name;
  };
  static constexpr Entry Names[] = {
      {0x000000, L"Black"},  {0xFFFFFF, L"White"},   {0xFF0000, L"Red"},     {0x00FF00, L"Lime"},
      {0x0000FF, L"Blue"},   {0xFFFF00, L"Yellow"},  {0x00FFFF, L"Aqua"},    {0xFF00FF, L"Fuchsia"},
      {0x800000, L"Maroon"}, {0x008000, L"Green"},   {0x000080, L"Navy"},    {0x808000, L"Olive"},
      {0x800080, L"Purple"}, {0x008080, L"Teal"},    {0x808080, L"Gray"},    {0xC0C0C0, L"Silver"},
      {0xFFA500, L"Orange"}, {0xFFC0CB, L"Pink"},    {0xA52A2A, L"Brown"},   {0xFFD700, L"Gold"}};
  const Integer rgb = (R << 16) | (G << 8) | B;
  for (const Entry& e : Names)
    if (e.Rgb == rgb) return e.Name;
  return Format(L"#%.2x%.2x%.2x", {R, G, B});
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Formatters

void TVantrelFormatter::AddNameValueBoolean(const String& Name, bool Value) {
  FStringList.Add(Name + L"=" + (Value ? L"True" : L"False"));
}
void TVantrelFormatter::AddNameValuePair(const String& Name, wchar_t Value) { FStringList.Add(Name + L"=" + String(1, Value)); }
void TVantrelFormatter::AddNameValueDateTime(const String& Name, TDateTime Value) {
  String text;
  try {
    if (!std::isfinite(Value) || Value < MinDateTime || Value > MaxDateTime) throw EInvalidOp(L"Invalid date-time");
    text = DateTimeToStr(Value);
  } catch (const Exception&) {
    text = L"??";
  }
  FStringList.Add(Name + L"=" + text);
}
void TVantrelFormatter::AddNameValuePair(const String& Name, Cardinal Value, bool AsHex) {
  FStringList.Add(Name + (AsHex ? Format(L"=$%x", {Value}) : Format(L"=%u", {Value})));
}
void TVantrelFormatter::AddNameValuePair(const String& Name, Extended Value, Integer Precision) {
  FStringList.Add(Name + Format(L"=%.*n", {Precision, Value}));
}
void TVantrelFormatter::AddNameValuePair(const String& Name, Integer Value) { FStringList.Add(Name + Format(L"=%d", {Value})); }
void TVantrelFormatter::AddNameValuePair(const String& Name, Int64 Value) { FStringList.Add(Name + Format(L"=%d", {Value})); }
void TVantrelFormatter::AddNameValuePair(const String& Name, const wchar_t* Value) {
  FStringList.Add(Name + L"=" + (Value ? Value : L""));
}
void TVantrelFormatter::AddNameValuePair(const String& Name, const POINT& Value) {
  FStringList.Add(Name + L"=" + PointText(Value));
}
void TVantrelFormatter::AddNameValueSmallPoint(const String& Name, Integer Value) {
  FStringList.Add(Name + L"=" + SmallPointText(Value));
}
void TVantrelFormatter::AddNameValuePair(const String& Name, const RECT& Value) {
  FStringList.Add(Name + L"=" + RectText(Value));
}
void TVantrelFormatter::AddNameValuePair(const String& Name, const String& Value) { FStringList.Add(Name + L"=" + Value); }

Integer TVantrelFormatterList::Add(Integer MsgType, TVantrelFormatterClass FormatterClass) {
  return TList::Add(new TVantrelFormatterItem(MsgType, FormatterClass));
}

void TVantrelFormatterList::Delete(Integer Idx) {
  delete Item(Idx);
  TList::Delete(Idx);
}

void TVantrelFormatterList::Clear() {
  while (Count() > 0) Delete(0);
  TList::Clear();
}

TVantrelFormatterClass TVantrelFormatterList::FindFormatterClass(Integer MsgType) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Item(i)->MsgType() == MsgType) return Item(i)->FormatterClass();
  return nullptr;
}

Integer InspectorTypeToMsgType(TVantrelInspectorType Inspector, Integer CustomType) {
  switch (Inspector) {
    case itStockText: return vrmText;
    case itStockProperties: return vrmProperties;
    case itStockTable: return vrmTable;
    case itStockHierarchy: return vrmHierarchy;
    default: return CustomType;
  }
}

// ---------------------------------------------------------------------------------------
// TVantrelManager

namespace {
String GetDefaultAppName() {
  wchar_t buf[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  const String name = ChangeFileExt(ExtractFileName(buf), String());
  return CutText(name, 40);
}

String GetLocalComputerName() {
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(buf, &size) ? String(buf, size) : String();
}

// The bias in force now: the base bias plus the daylight or standard adjustment.
Integer CurrentTimeBias() {
  TIME_ZONE_INFORMATION tz{};
  const DWORD mode = GetTimeZoneInformation(&tz);
  Integer bias = tz.Bias;
  if (mode == TIME_ZONE_ID_DAYLIGHT) bias += tz.DaylightBias;
  else if (mode == TIME_ZONE_ID_STANDARD) bias += tz.StandardBias;
  return bias;
}
}  // namespace

TVantrelManager::TVantrelManager() {
  ConnectUsingCopyData();
  FDefaultDestination = std::make_unique<TVantrelDestination>(nullptr);
  FDefaultDestination->Viewer()->SetActive(true);
  FAppName = GetDefaultAppName();
  FComputerName = GetLocalComputerName();
  FProcessID = GetCurrentProcessId();
  FTimeBias = CurrentTimeBias();
  LARGE_INTEGER freq;
  FHighPerfTiming = QueryPerformanceFrequency(&freq) && freq.QuadPart > 0;
  if (FHighPerfTiming) {
    FFrequency = freq.QuadPart;
    FBaseTimeStamp = DateTimeToTimeStamp(Now());
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    FBaseCount = count.QuadPart;
  }
}

TVantrelManager::~TVantrelManager() {
  FFormatterList.reset();
  FDefaultDestination.reset();
  FDefaultConnection.reset();
}

void TVantrelManager::SetDefaultDestination(TVantrelDestination* Value) {
  if (Value) {
    FDefaultDestination->Assign(Value);
  } else {
    FDefaultDestination->BeginUpdate();
    FDefaultDestination->Clear();
    FDefaultDestination->Viewer()->SetActive(true);
    FDefaultDestination->EndUpdate();
  }
}

void TVantrelManager::ConnectUsingCopyData() {
  FDefaultConnection.reset();
  FDefaultConnection = std::make_unique<TVantrelCopyDataConnection>();
}

void TVantrelManager::ConnectUsingTcp() {
  FDefaultConnection.reset();
  FDefaultConnection = std::make_unique<TVantrelTcpConnection>();
}

void TVantrelManager::ConnectUsingTcp(const String& Host) {
  FDefaultConnection.reset();
  FDefaultConnection = std::make_unique<TVantrelTcpConnection>(Host);
}

void TVantrelManager::ConnectUsingTcp(const String& Host, Integer Port) {
  FDefaultConnection.reset();
  FDefaultConnection = std::make_unique<TVantrelTcpConnection>(Host, Port);
}

TTimeStamp TVantrelManager::AddMilliseconds(const TTimeStamp& BaseTime, Int64 Ms) {
  const Int64 total = BaseTime.Time + Ms;
  TTimeStamp r;
  r.Date = BaseTime.Date + static_cast<Integer>(total / MSecsPerDay);
  r.Time = static_cast<Integer>(total % MSecsPerDay);
  return r;
}

TTimeStamp TVantrelManager::GetTimeStamp() {
  if (!FHighPerfTiming) return DateTimeToTimeStamp(Now());
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  const double elapsed = static_cast<double>(count.QuadPart - FBaseCount);
  const Int64 ms = static_cast<Int64>(std::nearbyint(elapsed / static_cast<double>(FFrequency) * 1000.0));
  return AddMilliseconds(FBaseTimeStamp, ms);
}

String TVantrelManager::GetCurrentThreadName() {
  const String key = UIntToStr(static_cast<Cardinal>(GetCurrentThreadId()));
  TLocked lock(FThreadMapCriticalSection);
  const Integer i = FThreadMap.IndexOfName(key);
  if (i < 0) {
    FThreadMap.Add(key + L"=" + key);
    return key;
  }
  return FThreadMap.ValueFromIndex(i);
}

void TVantrelManager::SetCurrentThreadName(const String& ThreadName) {
  const String key = UIntToStr(static_cast<Cardinal>(GetCurrentThreadId()));
  TLocked lock(FThreadMapCriticalSection);
  const Integer i = FThreadMap.IndexOfName(key);
  if (i < 0) {
    // Naming an unnamed thread with nothing leaves it unnamed.
    if (!ThreadName.empty()) FThreadMap.Add(key + L"=" + ThreadName);
  } else if (ThreadName.empty()) {
    FThreadMap.Delete(i);
  } else {
    FThreadMap.SetValueFromIndex(i, ThreadName);
  }
}

TVantrelFormatterList* TVantrelManager::GetFormatterList() {
  if (!FFormatterList) FFormatterList = std::make_unique<TVantrelFormatterList>();
  return FFormatterList.get();
}

void TVantrelManager::RegisterCustomFormatter(Integer MsgType, TVantrelFormatterClass FormatterClass) {
  const String className = FormatterClass ? FormatterClass->ClassName() : String(L"nil");
  if (!IsCustomMsgType(MsgType)) {
    // Reserved and built-in types are not for formatters: registering one would never be
    // used and would hide the mistake.
    if (GlobalLogger) GlobalLogger->SendError(L"%s Error: MsgType %d is less than vrmUser", {className, MsgType});
    return;
  }
  TVantrelFormatterList* list = GetFormatterList();
  if (TVantrelFormatterClass existing = list->FindFormatterClass(MsgType)) {
    if (GlobalLogger)
      GlobalLogger->SendWarning(L"%s warning: %s is already registered for MsgType %d",
                                {className, existing->ClassName(), MsgType});
    return;
  }
  list->Add(MsgType, FormatterClass);
}

// ---------------------------------------------------------------------------------------
// TVantrelLogger: life cycle and delivery

void TVantrelLogger::DeclarePublished(TPublisher<TVantrelLogger>& P) {
  using C = TVantrelLogger;
  P.Property(L"About", [](C*) { return aiVantrel; }, [](C*, TVantrelAboutInfo) {});
  P.Property(L"Category", &C::Category, &C::SetCategory);
  P.Property(L"CategoryColor", &C::CategoryColor, &C::SetCategoryColor).Type(TypeInfoColor()).Default(0xFFFFFF);
  P.Property(L"CategoryFontColor", &C::CategoryFontColor, &C::SetCategoryFontColor).Type(TypeInfoColor()).Default(0);
  P.Property(L"DateTimeFormat", &C::DateTimeFormat, &C::SetDateTimeFormat);
  P.Property(L"Destination", &C::Destination, &C::SetDestination);
  P.Property(L"Enabled", &C::Enabled, &C::SetEnabled).Default(true);
  P.Property(L"OnSendMsg", &C::OnSendMsg);
}

TVantrelLogger::TVantrelLogger(TComponent* AOwner) : TComponent(AOwner) {
  FEnabled = GlobalLogManager ? GlobalLogManager->Enabled() : true;
}

TVantrelLogger::~TVantrelLogger() {
  FEventLog.reset();
  FConnection.reset();
}

void TVantrelLogger::SetDestination(TVantrelDestination* Value) {
  if (Value == FDestination) return;
  if (FDestination) FDestination->RemoveFreeNotification(this);
  FDestination = Value;
  if (Value) Value->FreeNotification(this);
}

void TVantrelLogger::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDestination) FDestination = nullptr;
}

void TVantrelLogger::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineProperty(L"DestinationDetails", [this](TReader* R) { ReadDestinationDetails(R); }, nullptr, false);
  Filer->DefineProperty(L"HexNumPrefix", [](TReader* R) { R->ReadString(); }, nullptr, false);
  Filer->DefineProperty(L"HexViewWidth", [](TReader* R) { R->ReadInteger(); }, nullptr, false);
  Filer->DefineProperty(L"QuoteChar", [](TReader* R) { R->ReadString(); }, nullptr, false);
}

void TVantrelLogger::ReadDestinationDetails(TReader* Reader) {
  const String text = Reader->ReadString();
  auto* dest = new TVantrelDestination(Owner());
  dest->SetName(UniqueComponentName(Owner(), L"VRDestination", false));
  dest->SetAsString(text);
  SetDestination(dest);
}

String TVantrelLogger::DispatchID() {
  TLocked lock(FDispatchLock);
  return FDispatchID;
}

TDateTime TVantrelLogger::DispatchIDDate() {
  TLocked lock(FDispatchLock);
  return FDispatchIDDate;
}

void TVantrelLogger::ConnectUsingCopyData() {
  FConnection.reset();
  FConnection = std::make_unique<TVantrelCopyDataConnection>();
}

void TVantrelLogger::ConnectUsingTcp() {
  FConnection.reset();
  FConnection = std::make_unique<TVantrelTcpConnection>();
}

void TVantrelLogger::ConnectUsingTcp(const String& Host) {
  FConnection.reset();
  FConnection = std::make_unique<TVantrelTcpConnection>(Host);
}

void TVantrelLogger::ConnectUsingTcp(const String& Host, Integer Port) {
  FConnection.reset();
  FConnection = std::make_unique<TVantrelTcpConnection>(Host, Port);
}

void TVantrelLogger::CloseDispatcher() {
  TVantrelConnection* c = FConnection ? FConnection.get() : GlobalLogManager->DefaultConnection();
  if (c) c->CloseDispatcher();
}

bool TVantrelLogger::Installed() { return FileExists(GetDispatcherPath()); }

bool TVantrelLogger::Gate() const { return FEnabled && GlobalLogManager && GlobalLogManager->Enabled(); }

void TVantrelLogger::SendMsgDetails(Integer MsgType, const String& Msg, TStrings* Details, const String& TypeName) {
  if (!Gate()) return;
  DeliverMessage(MsgType, Msg, TypeName, Details ? Details->Text() : String());
}

bool TVantrelLogger::CallSendMsgHook(Integer MsgType, const String& Msg, const String& Details,
                                     const String& TypeName, const TTimeStamp& Stamp, bool& Handled) {
  if (!OnSendMsg || IsControlMsgType(MsgType)) return false;
  TStringList details;
  details.SetText(Details);
  TVantrelMsgData data;
  data.MsgType = MsgType;
  data.MsgText = Msg;
  data.Details = &details;
  data.ProcessID = GlobalLogManager->ProcessID();
  data.ThreadName = GlobalLogManager->GetCurrentThreadName();
  data.ComputerName = GlobalLogManager->ComputerName();
  data.AppName = GlobalLogManager->AppName();
  data.TypeName = TypeName;
  data.Category = FCategory;
  data.CategoryColor = FCategoryColor;
  data.CategoryFontColor = FCategoryFontColor;
  data.TimeStamp = Stamp;
  OnSendMsg(this, data, Handled);
  return true;
}

Integer TVantrelLogger::DeliverMessage(Integer MsgType, const String& Msg, const String& TypeName,
                                       const String& Details) {
  TVantrelMessage msg;
  const TTimeStamp stamp = GlobalLogManager->GetTimeStamp();
  bool handled = true;
  if (CallSendMsgHook(MsgType, Msg, Details, TypeName, stamp, handled) && handled) return 0;

  msg.MsgType = MsgType;
  msg.MsgText = UTF8Encode(GlobalLogManager->EncodeNonvisibleCharacters() ? EscapeNonvisibleChars(Msg) : Msg);
  msg.Details = UTF8Encode(Details);
  msg.TimeStamp = stamp;
  msg.TimeBias = GlobalLogManager->TimeBias();
  msg.ProcessID = GlobalLogManager->ProcessID();
  msg.ThreadName = UTF8Encode(CutText(GlobalLogManager->GetCurrentThreadName(), 25));
  msg.AppName = UTF8Encode(CutText(GlobalLogManager->AppName(), 40));
  msg.ComputerName = UTF8Encode(CutText(GlobalLogManager->ComputerName(), 15));
  msg.TypeName = UTF8Encode(CutText(TypeName, 40));
  msg.Category = UTF8Encode(CutText(FCategory, 40));
  msg.CategoryColor = FCategoryColor;
  msg.CategoryFontColor = FCategoryFontColor;

  TVantrelConnection* connection = FConnection ? FConnection.get() : GlobalLogManager->DefaultConnection();
  Integer result;
  {
    TLocked lock(FDispatchLock);
    result = connection->SendVantrelMessage(this, FDispatchID, FDispatchIDDate, &msg);
  }
  if (result == 0) FEnabled = false;
  return result;
}

String EscapeNonvisibleChars(const String& Text) {
  String r;
  r.reserve(Text.size());
  for (wchar_t c : Text) {
    if (c >= 32) r += c;
    else if (c == 9) r += L"[TAB]";
    else if (c == 10) r += L"[LF]";
    else if (c == 13) r += L"[CR]";
    else r += Format(L"[#%d]", {static_cast<Integer>(c)});
  }
  return r;
}

String BooleanLabelText(const String& Msg, bool Value) {
  String s = Msg;
  if (!Msg.empty() && Msg.back() != L'=' && Msg.back() != L':') s += L" =";
  return s + (Value ? L" True" : L" False");
}

String TVantrelLogger::FormatDateTimeValue(TDateTime Value) const {
  return FDateTimeFormat.empty() ? DateTimeToStr(Value) : FormatDateTime(FDateTimeFormat, Value);
}

// ---------------------------------------------------------------------------------------
// Texts

void TVantrelLogger::Send(Integer MsgType, const String& Msg) {
  if (Gate()) DeliverMessage(MsgType, Msg, String(), String());
}

void TVantrelLogger::SendFmt(Integer MsgType, const String& Fmt, TVarRecs Args) {
  if (!Gate()) return;
  String text;
  try {
    text = Format(Fmt, Args);
  } catch (const EConvertError&) {
    SendError(L"Send Error: Invalid Format Arguments");
    return;
  }
  DeliverMessage(MsgType, text, String(), String());
}

void TVantrelLogger::SendFmtMsg(Integer MsgType, const String& Fmt, TVarRecs Args) {
  if (!Gate()) return;
  String text;
  try {
    text = Format(Fmt, Args);
  } catch (const EConvertError&) {
    SendError(L"SendFmtMsg Error: Invalid Format Arguments - " + Fmt);
    return;
  }
  DeliverMessage(MsgType, text, String(), String());
}

// ---------------------------------------------------------------------------------------
// Values

void TVantrelLogger::Send(Integer MsgType, const String& Msg, const String& Value) {
  if (Gate()) DeliverMessage(MsgType, Format(L"%s = %s", {Msg, Value}), String(), String());
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, const wchar_t* Value) {
  Send(MsgType, Msg, String(Value ? Value : L""));
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, wchar_t Value) {
  Send(MsgType, Msg, String(1, Value));
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, Integer Value) {
  if (Gate()) DeliverMessage(MsgType, Format(L"%s = %d", {Msg, Value}), String(), String());
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, Cardinal Value, bool AsHex) {
  if (Gate()) DeliverMessage(MsgType, Msg + L" = " + CardinalText(Value, AsHex), String(), String());
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, Int64 Value) {
  if (Gate()) DeliverMessage(MsgType, Format(L"%s = %d", {Msg, Value}), String(), String());
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, Extended Value, Integer Precision) {
  if (Gate()) DeliverMessage(MsgType, Format(L"%s = %.*n", {Msg, Precision, Value}), String(), String());
}

void TVantrelLogger::SendBoolean(Integer MsgType, const String& Msg, bool Expression) {
  if (Gate()) DeliverMessage(MsgType, BooleanLabelText(Msg, Expression), String(), String());
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, const POINT& Value) {
  if (Gate()) DeliverMessage(MsgType, Msg + L" = " + PointText(Value), String(), String());
}

void TVantrelLogger::SendSmallPoint(Integer MsgType, const String& Msg, Integer Value) {
  if (Gate()) DeliverMessage(MsgType, Msg + L" = " + SmallPointText(Value), String(), String());
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, const RECT& Value) {
  if (Gate()) DeliverMessage(MsgType, Msg + L" = " + RectText(Value), String(), String());
}

void TVantrelLogger::Send(Integer MsgType, const String& Msg, TStrings* Value) {
  if (!Gate() || !Value) return;
  SendMsgDetails(MsgType, Msg, Value, Value->ClassName());
}

void TVantrelLogger::SendAssigned(Integer MsgType, const String& Msg, const void* Value) {
  if (Gate()) DeliverMessage(MsgType, Msg + (Value ? L" is Assigned." : L" is *NOT* Assigned."), String(), String());
}

void TVantrelLogger::SendPointer(Integer MsgType, const String& Msg, const void* Value) {
  if (!Gate()) return;
  if (!Value) {
    SendAssigned(MsgType, Msg, Value);
    return;
  }
  DeliverMessage(MsgType, Format(L"%s = $%x", {Msg, static_cast<UInt64>(reinterpret_cast<NativeUInt>(Value))}),
                 String(), String());
}

void TVantrelLogger::SendCurrency(Integer MsgType, const String& Msg, Currency Value) {
  if (Gate()) DeliverMessage(MsgType, Format(L"%s = %m", {Msg, Value}), String(), String());
}

void TVantrelLogger::SendDateTime(Integer MsgType, const String& Msg, TDateTime Value) {
  if (Gate()) DeliverMessage(MsgType, Format(L"%s = %s", {Msg, FormatDateTimeValue(Value)}), String(), String());
}

void TVantrelLogger::SendEnum(Integer MsgType, const String& Msg, PTypeInfo EnumTypeInfo, Integer Value) {
  if (!Gate()) return;
  if (!EnumTypeInfo || EnumTypeInfo->Kind != tkEnumeration || Value < 0 ||
      Value >= static_cast<Integer>(EnumTypeInfo->EnumNames.size())) {
    SendError(L"Send Data Error: Invalid Enumeration Type (%s)", {Msg});
    return;
  }
  DeliverMessage(MsgType, Format(L"%s = %s", {Msg, EnumTypeInfo->EnumNames[Value]}), String(), String());
}

void TVantrelLogger::SendSet(Integer MsgType, const String& Msg, PTypeInfo Info, UInt64 Value) {
  if (!Gate()) return;
  if (!Info || Info->Kind != tkSet || !Info->CompType) {
    SendError(L"SendSet Error: Value is not a set");
    return;
  }
  PTypeInfo elem = Info->CompType;
  const Int64 base = elem->MinValue & ~Int64(7);
  String text;
  for (Int64 v = elem->MinValue; v <= elem->MaxValue; ++v) {
    const Int64 bit = v - base;
    if (bit < 0 || bit >= 64 || !(Value & (UInt64(1) << bit))) continue;
    String name;
    switch (elem->Kind) {
      case tkInteger: name = IntToStr(v); break;
      case tkChar:
      case tkWChar: name = v >= 32 && v <= 127 ? L"'" + String(1, static_cast<wchar_t>(v)) + L"'" : Format(L"#%d", {v}); break;
      case tkEnumeration: name = GetEnumName(elem, static_cast<Integer>(v)); break;
      default: name = L"#invalid value#"; break;
    }
    text += (text.empty() ? L"[" : L", ") + name;
  }
  text = text.empty() ? String(L"[ ]") : text + L"]";
  DeliverMessage(MsgType, Msg + L": " + text, Info->Name, String());
}

void TVantrelLogger::SendColor(const String& Msg, TColor Value) {
  if (!Gate()) return;
  const Integer rgb = ColorToRGB(Value);
  const Integer r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  TStringList details;
  details.Add(IntToStr(r));
  details.Add(IntToStr(g));
  details.Add(IntToStr(b));
  SendMsgDetails(vrmColor, Format(L"%s: %s = RGB( %d, %d, %d )", {Msg, ColorToString(Value), r, g, b}), &details,
                 L"TColor");
}

void TVantrelLogger::SendColorARGB(const String& Msg, Cardinal Value) {
  if (!Gate()) return;
  const Integer a = (Value >> 24) & 0xFF, r = (Value >> 16) & 0xFF, g = (Value >> 8) & 0xFF, b = Value & 0xFF;
  TStringList details;
  for (Integer v : {r, g, b, a}) details.Add(IntToStr(v));
  SendMsgDetails(vrmColor,
                 Format(L"%s: %s = RGB( %d, %d, %d )  Alpha( %d )", {Msg, WebColorName(r, g, b), r, g, b, a}),
                 &details, L"ARGB_Color");
}

void TVantrelLogger::SendWinError(const String& Msg, DWORD LastError) {
  if (Gate()) DeliverMessage(vrmError, Format(L"%s: %s", {Msg, SysErrorMessage(LastError)}), String(), String());
}

void TVantrelLogger::SendVariant(Integer MsgType, const String& Msg, const Variant& Value) {
  if (!Gate()) return;
  const Variant v = Value.Deref();
  if (v.IsArray()) {
    if (VarArrayDimCount(v) != 1) {
      SendError(L"SendVariant Error: Multi-dimensional variant arrays not supported");
      return;
    }
    TStringList lines;
    for (Integer i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i) lines.Add(VarToStr(VarArrayGet(v, {i})));
    SendMsgDetails(MsgType, Msg, &lines, L"varArray");
    return;
  }
  auto note = [&](const wchar_t* What) { Send(MsgType, Msg + What); };
  switch (VarTypeBase(v)) {
    case varEmpty: note(L": Variant is Not Assigned"); break;
    case varNull: note(L": Variant is Null"); break;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varWord: Send(MsgType, Msg, v.AsInteger()); break;
    case varLongWord: Send(MsgType, Msg, v.AsCardinal(), false); break;
    case varInt64: Send(MsgType, Msg, v.AsInt64()); break;
    case varUInt64: Send(MsgType, Msg, UIntToStr(v.AsUInt64())); break;
    case varSingle:
    case varDouble:
    case varDate: Send(MsgType, Msg, v.AsDouble(), 2); break;
    case varCurrency: SendCurrency(MsgType, Msg, v.AsCurrency()); break;
    case varOleStr:
    case varStrArg:
    case varString:
    case varUString: Send(MsgType, Msg, v.AsString()); break;
    case varDispatch: note(L": Variant contains an IDispatch reference"); break;
    case varError: note(L": Variant is of type varError"); break;
    case varBoolean: SendBoolean(MsgType, Msg, v.AsBoolean()); break;
    case varVariant: note(L": Variant is of type varVariant"); break;
    case varUnknown: note(L": Variant contains an IUnknown reference"); break;
    case varByte: Send(MsgType, Msg, static_cast<Cardinal>(v.AsInteger()), true); break;
    case varAny: note(L": Variant is of type varAny"); break;
    default: Send(MsgType, Msg + L": Variant is of type " + VarTypeAsText(VarTypeBase(v))); break;
  }
}

// ---------------------------------------------------------------------------------------
// Method tracing, check points, exceptions

void TVantrelLogger::SendMethod(Integer MsgType, TObject* Obj, const String& MethodName) {
  if (!Gate()) return;
  if (!Obj) {
    DeliverMessage(MsgType, MethodName, String(), String());
    return;
  }
  auto* comp = dynamic_cast<TComponent*>(Obj);
  const String text = comp && !comp->Name().empty()
                          ? Obj->ClassName() + L"( " + comp->Name() + L" )." + MethodName
                          : Obj->ClassName() + L"." + MethodName;
  DeliverMessage(MsgType, text, Obj->ClassName(), String());
}

void TVantrelLogger::EnterMethod(const String& MethodName) { Send(vrmEnterMethod, MethodName); }
void TVantrelLogger::EnterMethod(TObject* Obj, const String& MethodName) { SendMethod(vrmEnterMethod, Obj, MethodName); }
void TVantrelLogger::ExitMethod(const String& MethodName) { Send(vrmExitMethod, MethodName); }
void TVantrelLogger::ExitMethod(TObject* Obj, const String& MethodName) { SendMethod(vrmExitMethod, Obj, MethodName); }
void TVantrelLogger::ExitMethod(TObject* Obj, const String& MethodName, const Variant& Result) {
  if (Gate()) ExitMethod(Obj, Format(L"%s = %s", {MethodName, VarToStr(Result)}));
}
void TVantrelLogger::ExitMethodCollapse(const String& MethodName) { Send(vrmExitMethodCollapse, MethodName); }
void TVantrelLogger::ExitMethodCollapse(TObject* Obj, const String& MethodName) {
  SendMethod(vrmExitMethodCollapse, Obj, MethodName);
}
void TVantrelLogger::ExitMethodCollapse(TObject* Obj, const String& MethodName, const Variant& Result) {
  if (Gate()) ExitMethodCollapse(Obj, Format(L"%s = %s", {MethodName, VarToStr(Result)}));
}

void TVantrelLogger::AddCheckPoint() {
  if (!Gate()) return;
  ++FCheckPointCounter;
  const String who = FCategory.empty() ? GlobalLogManager->AppName() : FCategory;
  DeliverMessage(vrmCheckPoint, Format(L"%s: Check Point #%d", {who, FCheckPointCounter}), String(), String());
}

void TVantrelLogger::SendException(const String& Msg, const Exception& E) {
  if (!Gate()) return;
  const String text = Msg.empty() ? E.Message() : Msg + L": " + E.Message();
  DeliverMessage(vrmException, text, E.ClassName(), CutText(ExceptionErrorMessage(E), 1023));
}

// ---------------------------------------------------------------------------------------
// Scratch-pad lines

namespace {
String Line(const String& LineID, const String& Text) { return LineID + L"@" + Text; }
}  // namespace

void TVantrelLogger::Write(const String& LineID, const String& Value) {
  if (Gate()) DeliverMessage(vrmScratchPad, Line(LineID, Value), String(), String());
}
void TVantrelLogger::Write(const String& LineID, const String& Msg, const String& Value) {
  if (Gate()) DeliverMessage(vrmScratchPad, Line(LineID, Msg + L" = " + Value), String(), String());
}
void TVantrelLogger::WriteFmt(const String& LineID, const String& Fmt, TVarRecs Args) {
  if (!Gate()) return;
  String text;
  try {
    text = Format(Fmt, Args);
  } catch (const EConvertError&) {
    SendError(L"WriteFmtMsg Error: Invalid Format Arguments");
    return;
  }
  DeliverMessage(vrmScratchPad, Line(LineID, text), String(), String());
}
void TVantrelLogger::Write(const String& LineID, const String& Msg, Integer Value) {
  Write(LineID, Format(L"%s = %d", {Msg, Value}));
}
void TVantrelLogger::Write(const String& LineID, Integer Value) { Write(LineID, IntToStr(Value)); }
void TVantrelLogger::Write(const String& LineID, const String& Msg, Cardinal Value, bool AsHex) {
  Write(LineID, Msg + L" = " + CardinalText(Value, AsHex));
}
void TVantrelLogger::Write(const String& LineID, Cardinal Value, bool AsHex) { Write(LineID, CardinalText(Value, AsHex)); }
void TVantrelLogger::Write(const String& LineID, const String& Msg, Int64 Value) {
  Write(LineID, Format(L"%s = %d", {Msg, Value}));
}
void TVantrelLogger::Write(const String& LineID, Int64 Value) { Write(LineID, IntToStr(Value)); }
void TVantrelLogger::Write(const String& LineID, const String& Msg, Extended Value, Integer Precision) {
  Write(LineID, Format(L"%s = %.*n", {Msg, Precision, Value}));
}
void TVantrelLogger::Write(const String& LineID, Extended Value, Integer Precision) {
  Write(LineID, Format(L"%.*n", {Precision, Value}));
}
void TVantrelLogger::WriteBoolean(const String& LineID, const String& Msg, bool Value) {
  Write(LineID, Msg.empty() ? String(Value ? L"True" : L"False") : BooleanLabelText(Msg, Value));
}
void TVantrelLogger::WriteColor(const String& LineID, const String& Msg, TColor Value) {
  Write(LineID, Msg.empty() ? ColorToRGBText(Value) : Format(L"%s: %s", {Msg, ColorToRGBText(Value)}));
}
void TVantrelLogger::WriteCurrency(const String& LineID, const String& Msg, Currency Value) {
  Write(LineID, Format(L"%s = %m", {Msg, Value}));
}
void TVantrelLogger::WriteCurrency(const String& LineID, Currency Value) { Write(LineID, Format(L"%m", {Value})); }
void TVantrelLogger::WriteDateTime(const String& LineID, const String& Msg, TDateTime Value) {
  Write(LineID, Msg + L" = " + FormatDateTimeValue(Value));
}
void TVantrelLogger::WriteDateTime(const String& LineID, TDateTime Value) { Write(LineID, FormatDateTimeValue(Value)); }
void TVantrelLogger::Write(const String& LineID, const String& Msg, const POINT& Value) {
  Write(LineID, Msg + L" = " + PointText(Value));
}
void TVantrelLogger::Write(const String& LineID, const POINT& Value) { Write(LineID, PointText(Value)); }
void TVantrelLogger::WriteSmallPoint(const String& LineID, const String& Msg, Integer Value) {
  Write(LineID, Msg + L" = " + SmallPointText(Value));
}
void TVantrelLogger::WriteSmallPoint(const String& LineID, Integer Value) { Write(LineID, SmallPointText(Value)); }
void TVantrelLogger::Write(const String& LineID, const String& Msg, const RECT& Value) {
  Write(LineID, Msg + L" = " + RectText(Value));
}
void TVantrelLogger::Write(const String& LineID, const RECT& Value) { Write(LineID, RectText(Value)); }

// ---------------------------------------------------------------------------------------
// Custom data

void TVantrelLogger::SendCustomData(Integer MsgType, const String& Msg, const void* Data) {
  if (!Gate()) return;
  TVantrelFormatterClass cls = GlobalLogManager->GetFormatterList()->FindFormatterClass(MsgType);
  if (!cls) {
    if (MsgType >= vrmPublic)
      SendError(L"SendCustomData Error: MsgType (vrmPublic + %d) has no registered formatter", {MsgType - vrmPublic});
    else if (MsgType < vrmUser)
      SendError(L"SendCustomData Error: MsgType (vrmReserved + %d) has no registered formatter", {MsgType - vrmReserved});
    else
      SendError(L"SendCustomData Error: MsgType (vrmUser + %d) has no registered formatter", {MsgType - vrmUser});
    return;
  }
  std::unique_ptr<TVantrelFormatter> formatter(dynamic_cast<TVantrelFormatter*>(cls->NewInstance()));
  if (!formatter) return;
  TStringList lines;
  const TVantrelInspectorType inspector = formatter->InspectorType();
  formatter->FormatData(Data);
  lines.SetText(formatter->FormattedData());
  SendMsgDetails(InspectorTypeToMsgType(inspector, MsgType), Msg, &lines, CutText(formatter->TypeName(), 40));
}

void TVantrelLogger::SendCustomData(const String& Msg, IVantrelCustomData* CustomData) {
  if (!Gate() || !CustomData) return;
  TStringList lines;
  CustomData->FormatData(&lines);
  const Integer customType = CustomData->CustomMsgType();
  const TVantrelInspectorType inspector = CustomData->InspectorType();
  SendMsgDetails(InspectorTypeToMsgType(inspector, customType), Msg, &lines, CutText(CustomData->TypeName(), 40));
}

// ---------------------------------------------------------------------------------------
// Event log

TVREventLog* TVantrelLogger::GetEventLog() {
  if (!FEventLog) {
    String source = GlobalLogManager->AppName();
    if (!FCategory.empty()) source += L":" + FCategory;
    FEventLog = std::make_unique<TVREventLog>(source);
  }
  return FEventLog.get();
}

void TVantrelLogger::LogEvent(const String& Msg, Cardinal EventId, Word Category) {
  if (Gate()) GetEventLog()->WriteEntry(Msg, etInfo, EventId, Category);
}
void TVantrelLogger::LogWarning(const String& Msg, Cardinal EventId, Word Category) {
  if (Gate()) GetEventLog()->WriteEntry(Msg, etWarning, EventId, Category);
}
void TVantrelLogger::LogError(const String& Msg, Cardinal EventId, Word Category) {
  if (Gate()) GetEventLog()->WriteEntry(Msg, etError, EventId, Category);
}

// ---------------------------------------------------------------------------------------
// Assertions and the unit

namespace {
TAssertErrorProc PreviousAssertErrorProc;
}

void AssertErrorHandler(const String& Message, const String& FileName, Integer LineNumber) {
  const TVantrelLogAsserts mode = GlobalLogManager ? GlobalLogManager->LogAsserts() : laNormal;
  if ((mode == laVantrel || mode == laBoth) && GlobalLogger)
    GlobalLogger->SendError(L"Assertion Failed: %s\rFile: %s\rLine: %d\rAddress: %p",
                            {Message, FileName, LineNumber, static_cast<const void*>(nullptr)});
  if (mode == laNormal || mode == laBoth) {
    if (PreviousAssertErrorProc) {
      PreviousAssertErrorProc(Message, FileName, LineNumber);
      return;
    }
    throw EAssertionFailed(L"%s (%s, line %d)",
                           {Message.empty() ? String(L"Assertion failure") : Message, FileName, LineNumber});
  }
}

void VantrelLoggingInitialize() {
  GlobalLogManager = new TVantrelManager();
  GlobalLogger = new TVantrelLogger(nullptr);
  PreviousAssertErrorProc = AssertErrorProc;
  AssertErrorProc = AssertErrorHandler;
}

void VantrelLoggingFinalize() {
  AssertErrorProc = PreviousAssertErrorProc;
  PreviousAssertErrorProc = nullptr;
  FreeAndNil(GlobalLogger);
  FreeAndNil(GlobalLogManager);
}

const TUnitInfo VantrelLoggingUnit = {L"VantrelLogging", VantrelLoggingInitialize, VantrelLoggingFinalize};
