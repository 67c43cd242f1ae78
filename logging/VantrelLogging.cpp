#include "VantrelLogging.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

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
  FHeapStatus = ReadHeapStatus();
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
  TAcquireScope lock(FThreadMapCriticalSection);
  const Integer i = FThreadMap.IndexOfName(key);
  if (i < 0) {
    FThreadMap.Add(key + L"=" + key);
    return key;
  }
  return FThreadMap.ValueFromIndex(i);
}

void TVantrelManager::SetCurrentThreadName(const String& ThreadName) {
  const String key = UIntToStr(static_cast<Cardinal>(GetCurrentThreadId()));
  TAcquireScope lock(FThreadMapCriticalSection);
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
  TAcquireScope lock(FDispatchLock);
  return FDispatchID;
}

TDateTime TVantrelLogger::DispatchIDDate() {
  TAcquireScope lock(FDispatchLock);
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
  TVantrelConnection* c = FConnection ? FConnection.get()
                        : GlobalLogManager ? GlobalLogManager->DefaultConnection()
                                           : nullptr;
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
    TAcquireScope lock(FDispatchLock);
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
  // The error texts name the type by its range: "(vrmUser + 5) has no registered formatter".
  auto sendTypeError = [&](const String& What) {
    if (MsgType >= vrmPublic)
      SendError(L"SendCustomData Error: MsgType (vrmPublic + %d) " + What, {MsgType - vrmPublic});
    else if (MsgType < vrmUser)
      SendError(L"SendCustomData Error: MsgType (vrmReserved + %d) " + What, {MsgType - vrmReserved});
    else
      SendError(L"SendCustomData Error: MsgType (vrmUser + %d) " + What, {MsgType - vrmUser});
  };
  if (!cls) {
    sendTypeError(L"has no registered formatter");
    return;
  }
  std::unique_ptr<TObject> instance(cls->NewInstance());
  std::unique_ptr<TVantrelFormatter> formatter(dynamic_cast<TVantrelFormatter*>(instance.get()));
  if (!formatter) {
    // A registered class that is not a formatter: the object made is freed with the
    // unique_ptr, and the caller hears about it like any other unusable type.
    sendTypeError(L"has a registered class that is not a formatter (" + cls->ClassName() + L")");
    return;
  }
  instance.release();
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
  // Freeing the manager frees its connection, which tells the dispatcher that its
  // dispatch IDs are released, in messages that carry the manager's identity: the
  // manager stays reachable until it is gone.
  delete GlobalLogManager;
  GlobalLogManager = nullptr;
}

const TUnitInfo VantrelLoggingUnit = {L"VantrelLogging", VantrelLoggingInitialize, VantrelLoggingFinalize};

// ---------------------------------------------------------------------------------------
// Heap figures

THeapStatus ReadHeapStatus() {
  THeapStatus s;
  // Blocks below this size count as small free blocks.
  constexpr UInt64 SmallBlock = 4096;
  HANDLE heap = reinterpret_cast<HANDLE>(_get_heap_handle());
  if (!heap) heap = GetProcessHeap();
  if (!HeapLock(heap)) {
    s.HeapErrorCode = GetLastError();
    return s;
  }
  PROCESS_HEAP_ENTRY e{};
  while (HeapWalk(heap, &e)) {
    if (e.wFlags & PROCESS_HEAP_REGION) {
      s.TotalCommitted += e.Region.dwCommittedSize;
      s.TotalUncommitted += e.Region.dwUnCommittedSize;
      s.TotalAddrSpace += static_cast<UInt64>(e.Region.dwCommittedSize) + e.Region.dwUnCommittedSize;
    } else if (e.wFlags & PROCESS_HEAP_UNCOMMITTED_RANGE) {
      // Counted with its region.
    } else if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
      s.TotalAllocated += e.cbData;
      s.Overhead += e.cbOverhead;
    } else {
      s.TotalFree += e.cbData;
      s.Overhead += e.cbOverhead;
      if (e.cbData < SmallBlock) s.FreeSmall += e.cbData;
      else s.FreeBig += e.cbData;
    }
  }
  const DWORD err = GetLastError();
  if (err != ERROR_NO_MORE_ITEMS) s.HeapErrorCode = err;
  HeapUnlock(heap);
  return s;
}

// ---------------------------------------------------------------------------------------
// Objects and components

namespace {

String FontStyleText(TFontStyles Style) {
  String r;
  if (Style.Contains(fsBold)) r += L", Bold";
  if (Style.Contains(fsItalic)) r += L", Italic";
  if (Style.Contains(fsUnderline)) r += L", Underline";
  if (Style.Contains(fsStrikeOut)) r += L", StrikeOut";
  return r.empty() ? String(L", Normal") : r;
}

TTypeKinds AllTypeKinds() { return TTypeKinds::FromInt(0xFFFFFFFFull); }

bool IsShownKind(TTypeKind Kind) {
  switch (Kind) {
    case tkMethod:
    case tkWChar:
    case tkVariant:
    case tkArray:
    case tkRecord:
    case tkInterface:
    case tkDynArray:
    case tkClassRef:
    case tkPointer:
    case tkProcedure: return false;
    default: return true;
  }
}

bool IsStringKind(TTypeKind Kind) {
  return Kind == tkString || Kind == tkLString || Kind == tkWString || Kind == tkUString;
}

// The identifier of one element of a set or enumeration type.
String ElementName(PTypeInfo Elem, Int64 Value) {
  switch (Elem->Kind) {
    case tkEnumeration: return GetEnumName(Elem, static_cast<Integer>(Value));
    case tkChar:
    case tkWChar: return String(1, static_cast<wchar_t>(Value));
    default: return IntToStr(Value);
  }
}

// A set's bits stand for the ordinals themselves: bit n is ordinal n.
bool SetHasOrdinal(Int64 Bits, Int64 Ordinal) {
  return Ordinal >= 0 && Ordinal < 64 && (static_cast<UInt64>(Bits) & (UInt64(1) << Ordinal));
}

}  // namespace

bool TVantrelLogger::CheckObjectRtti(const String& Msg, TObject* Obj) {
  if (!Obj) {
    SendError(L"Send Data Error:  %s: Object is nil", {Msg});
    return false;
  }
  if (!ClassHasTypeInfo(Obj->ClassType())) {
    SendError(L"Send Data Error:  %s: Object has no RTTI", {Msg});
    return false;
  }
  return true;
}

void TVantrelLogger::SendObjectOfType(Integer MsgType, const String& Msg, TObject* Obj) {
  if (!Gate() || !CheckObjectRtti(Msg, Obj)) return;
  if (MsgType > vrmReserved) {
    SendCustomData(MsgType, Msg, Obj);
    return;
  }
  TVantrelStringList lines;
  ObjectToLines(false, Obj, String(), &lines);
  SendMsgDetails(vrmObject, Msg, &lines, Obj->ClassName());
}

void TVantrelLogger::ObjectToLines(bool Nested, TObject* Obj, const String& Prefix, TStrings* List) {
  std::vector<TObject*> path;
  ObjectToLinesWalk(Nested, Obj, Prefix, List, path);
}

String TVantrelLogger::PropertyValueText(TObject* Obj, PPropInfo Prop, bool ForDump) {
  PTypeInfo type = Prop->PropType;
  switch (type->Kind) {
    case tkInteger: {
      const Int64 v = GetOrdProp(Obj, Prop);
      if (SameText(type->Name, L"TColor"))
        return ForDump ? ColorToString(static_cast<TColor>(v)) : ColorToRGBText(static_cast<TColor>(v));
      if (SameText(type->Name, L"TCursor")) return CursorToString(static_cast<Integer>(v));
      return IntToStr(v);
    }
    case tkEnumeration: return GetEnumName(type, static_cast<Integer>(GetOrdProp(Obj, Prop)));
    case tkFloat: {
      const double v = GetFloatProp(Obj, Prop);
      if (SameText(type->Name, L"TDateTime")) return FormatDateTimeValue(v);
      if (SameText(type->Name, L"TDate")) return FormatDateTime(FormatSettings.ShortDateFormat, v);
      if (SameText(type->Name, L"TTime")) return FormatDateTime(FormatSettings.LongTimeFormat, v);
      return FloatToStr(v);
    }
    default:
      if (IsStringKind(type->Kind)) return GetStrProp(Obj, Prop);
      return L"<<Not Implemented Yet>>";
  }
}

void TVantrelLogger::ObjectToLinesWalk(bool Nested, TObject* Obj, const String& Prefix, TStrings* List,
                                       std::vector<TObject*>& Path) {
  if (!ClassHasTypeInfo(Obj->ClassType())) {
    if (!Nested) SendError(L"Send Data Error:  Object has no RTTI");
    return;
  }
  Path.push_back(Obj);
  for (PPropInfo prop : GetPropList(Obj->ClassType(), AllTypeKinds(), true)) {
    if (!prop->HasGetter() || !IsShownKind(prop->PropType->Kind)) continue;
    const String path = Prefix.empty() ? prop->Name : Prefix + L"." + prop->Name;
    PTypeInfo type = prop->PropType;
    String text;
    switch (type->Kind) {
      case tkChar: {
        const Int64 c = GetOrdProp(Obj, prop);
        text = c > 31 ? String(1, static_cast<wchar_t>(c)) : L"#" + IntToStr(c);
        break;
      }
      case tkInt64: text = IntToStr(GetOrdProp(Obj, prop)); break;
      case tkSet: {
        List->Add(path + L"=[" + type->Name + L"]");
        const Int64 bits = GetOrdProp(Obj, prop);
        if (PTypeInfo elem = type->CompType)
          for (Int64 v = elem->MinValue; v <= elem->MaxValue; ++v)
            List->Add(path + L"." + ElementName(elem, v) + (SetHasOrdinal(bits, v) ? L"=True" : L"=False"));
        continue;
      }
      case tkClass: {
        TObject* value = GetObjectProp(Obj, prop);
        if (!value) {
          text = L"nil";
          break;
        }
        if (auto* comp = dynamic_cast<TComponent*>(value)) {
          text = comp->Name();
          break;
        }
        if (auto* font = dynamic_cast<TFont*>(value))
          text = Format(L"%s, %d %s", {font->Name(), font->Size(), FontStyleText(font->Style())});
        else
          text = L"(" + (type->ClassType ? type->ClassType->ClassName() : value->ClassName()) + L")";
        List->Add(path + L"=" + text);
        // An object already on the way down from the root is listed but not entered
        // again, so that a cycle of object references ends.
        if (std::find(Path.begin(), Path.end(), value) == Path.end()) ObjectToLinesWalk(true, value, path, List, Path);
        continue;
      }
      default: text = PropertyValueText(Obj, prop, true); break;
    }
    List->Add(path + L"=" + text);
  }
  Path.pop_back();
}

void TVantrelLogger::SendProperty(Integer MsgType, const String& Msg, TObject* Obj, const String& PropName) {
  if (!Gate()) return;
  if (!Obj || !ClassHasTypeInfo(Obj->ClassType())) {
    SendError(L"SendProperty Error: Object has no RTTI (%s)", {Msg});
    return;
  }
  String value, typeName;
  PPropInfo prop = GetPropInfo(Obj, PropName);
  if (!prop) {
    value = PropName + L" property does not exist or is not published.";
  } else if (!prop->HasGetter()) {
    value = PropName + L"is a write-only property.";
  } else if (IsShownKind(prop->PropType->Kind)) {
    PTypeInfo type = prop->PropType;
    typeName = CutText(type->Name, 40);
    switch (type->Kind) {
      case tkSet: {
        const Int64 bits = GetOrdProp(Obj, prop);
        String items;
        if (PTypeInfo elem = type->CompType)
          for (Int64 v = elem->MinValue; v <= elem->MaxValue; ++v)
            if (SetHasOrdinal(bits, v)) items += (items.empty() ? L"" : L", ") + ElementName(elem, v);
        value = L"[" + items + L"]";
        break;
      }
      case tkClass: Send(Msg, GetObjectProp(Obj, prop)); return;
      case tkInteger:
      case tkEnumeration:
      case tkFloat: value = PropertyValueText(Obj, prop, false); break;
      default:
        value = IsStringKind(type->Kind) ? GetStrProp(Obj, prop) : String(L"<<Not Implemented Yet>>");
        break;
    }
  }
  // A kind the inspector does not show (method, variant, ...) leaves both empty.
  DeliverMessage(MsgType, Format(L"%s: %s", {Msg, value}), typeName, String());
}

void TVantrelLogger::Send(const String& Msg, TCollection* Collection) {
  if (!Gate() || !CheckObjectRtti(Msg, Collection)) return;
  TStringList lines;
  TVantrelStringList props;
  props.SetDelimiter(L';');
  props.SetQuoteChar(L'"');
  for (Integer i = 0; i < Collection->Count(); ++i) {
    TCollectionItem* item = Collection->Items(i);
    props.Clear();
    ObjectToLines(false, item, String(), &props);
    lines.Add(Format(L"%d - %s|%s", {i, item->DisplayName(), props.DelimitedText()}));
  }
  SendMsgDetails(vrmCollection, Msg, &lines, Collection->ClassName());
}

void TVantrelLogger::SendComponentAsText(const String& Msg, TComponent* Obj) {
  if (!Gate() || !CheckObjectRtti(Msg, Obj)) return;
  TMemoryStream binary, text;
  WriteComponentToStream(&binary, Obj);
  binary.SetPosition(0);
  ObjectBinaryToText(&binary, &text);
  text.SetPosition(0);
  TStringList lines;
  lines.LoadFromStream(&text);
  SendMsgDetails(vrmCompAsText, Msg, &lines, Obj->ClassName());
}

namespace {
void ControlTree(TControl* Control, Integer Depth, TStrings* Lines) {
  if (Control->Name().empty()) return;
  Lines->Add(String(Depth, L'\t') + Control->Name() + L": " + Control->ClassName());
  if (auto* win = dynamic_cast<TWinControl*>(Control))
    for (Integer i = 0; i < win->ControlCount(); ++i) ControlTree(win->Controls(i), Depth + 1, Lines);
}

void ComponentTree(TComponent* Component, Integer Depth, TStrings* Lines) {
  if (Component->Name().empty()) return;
  Lines->Add(String(Depth, L'\t') + Component->Name() + L": " + Component->ClassName());
  for (Integer i = 0; i < Component->ComponentCount(); ++i) ComponentTree(Component->Components(i), Depth + 1, Lines);
}
}  // namespace

void TVantrelLogger::SendControls(const String& Msg, TControl* Control) {
  if (!Gate()) return;
  if (!Control) {
    SendError(L"SendControls Error: Control is Not Assigned");
    return;
  }
  TStringList lines;
  ControlTree(Control, 0, &lines);
  SendMsgDetails(vrmHierarchy, Msg, &lines, L"Controls");
}

void TVantrelLogger::SendComponents(const String& Msg, TComponent* Component) {
  if (!Gate()) return;
  if (!Component) {
    SendError(L"SendComponents Error: Component is Not Assigned");
    return;
  }
  TStringList lines;
  ComponentTree(Component, 0, &lines);
  SendMsgDetails(vrmHierarchy, Msg, &lines, L"Components");
}

void TVantrelLogger::SendParents(const String& Msg, TControl* Control) {
  if (!Gate()) return;
  if (!Control) {
    SendError(L"SendParents Error: Control is Not Assigned");
    return;
  }
  TStringList lines;
  for (TControl* c = Control; c; c = c->Parent()) {
    for (Integer i = 0; i < lines.Count(); ++i) lines.SetStrings(i, L"\t" + lines[i]);
    lines.Insert(0, c->Name() + L": " + c->ClassName());
  }
  SendMsgDetails(vrmHierarchy, Msg, &lines, L"Parents");
}

// ---------------------------------------------------------------------------------------
// Process, system, window, file and image dumps

namespace {

String Thousands(UInt64 Value) { return FormatFloat(L"#,#0", static_cast<Extended>(Value)); }

String RootKeyName(HKEY Root) {
  if (Root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
  if (Root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
  if (Root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
  if (Root == HKEY_USERS) return L"HKEY_USERS";
  if (Root == HKEY_PERFORMANCE_DATA) return L"HKEY_PERFORMANCE_DATA";
  if (Root == HKEY_CURRENT_CONFIG) return L"HKEY_CURRENT_CONFIG";
  if (Root == HKEY_DYN_DATA) return L"HKEY_DYN_DATA";
  return String();
}

using TRegKeyScope = THandleScope<HKEY, &RegCloseKey>;

// A key opened for reading; nullptr when it cannot be opened.
HKEY OpenKeyForReading(HKEY Root, const String& Key) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(Root, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

String RegistryValueText(HKEY Key, const String& Name, Integer Width) {
  DWORD type = 0, size = 0;
  const String shown = Name.empty() ? String(L"Default") : Name;
  if (RegQueryValueExW(Key, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return String();
  std::vector<Byte> data(size + 2, 0);
  if (RegQueryValueExW(Key, Name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return String();
  const String textFmt = Format(L"%%-%ds = %%s", {Width});
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      String text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      return Format(textFmt, {shown, text});
    }
    case REG_DWORD: {
      Integer v = 0;
      memcpy(&v, data.data(), sizeof(v));
      return Format(Format(L"%%-%ds = 0x%%.8x (%%d)", {Width}), {shown, v, v});
    }
    case REG_BINARY: {
      String hex;
      for (DWORD i = 0; i < size; ++i) hex += IntToHex(static_cast<Integer>(data[i]), 2) + L" ";
      return Format(textFmt, {shown, hex});
    }
    default: return Format(textFmt, {shown, String(L"Unknown Data Type")});
  }
}

void RegistryWalk(HKEY Root, const String& Key, bool ProcessSubKeys, TStrings* Lines) {
  TRegKeyScope key(OpenKeyForReading(Root, Key));
  if (!key.Get()) return;  // a key that vanished during the walk is skipped
  Lines->Add(L"[" + Key + L"]");
  DWORD maxName = 0;
  RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, &maxName, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr);
  auto enumNames = [&](bool Values, TStringList& Names) {
    std::vector<wchar_t> buf(32768);
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(buf.size());
      const LONG r = Values ? RegEnumValueW(key.Get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr)
                            : RegEnumKeyExW(key.Get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
      if (r != ERROR_SUCCESS) break;
      Names.Add(String(buf.data(), len));
    }
    Names.Sort();
  };
  TStringList values;
  enumNames(true, values);
  Integer width = 0;
  for (Integer i = 0; i < values.Count(); ++i) width = std::max(width, static_cast<Integer>(values[i].size()));
  for (Integer i = 0; i < values.Count(); ++i) Lines->Add(RegistryValueText(key.Get(), values[i], width));
  if (!ProcessSubKeys) return;
  TStringList subKeys;
  enumNames(false, subKeys);
  key.Close();
  for (Integer i = 0; i < subKeys.Count(); ++i) {
    Lines->Add(String());
    RegistryWalk(Root, Key + L"\\" + subKeys[i], ProcessSubKeys, Lines);
  }
}

struct TStyleName {
  const wchar_t* Name;
  DWORD Mask;
};

}  // namespace

void RegistryKeyToLines(HKEY RootKey, const String& Key, bool ProcessSubKeys, TStrings* Lines) {
  RegistryWalk(RootKey, Key, ProcessSubKeys, Lines);
}

void WindowHandleToLines(HWND Wnd, TStrings* Lines) {
  wchar_t text[256] = {};
  GetWindowTextW(Wnd, text, 256);
  RECT r{};
  GetWindowRect(Wnd, &r);
  wchar_t cls[256] = {};
  GetClassNameW(Wnd, cls, 256);
  Lines->Add(String(L"Caption = ") + text);
  Lines->Add(L"Top = " + IntToStr(static_cast<Integer>(r.top)));
  Lines->Add(L"Left = " + IntToStr(static_cast<Integer>(r.left)));
  Lines->Add(L"Width = " + IntToStr(static_cast<Integer>(r.right - r.left)));
  Lines->Add(L"Height = " + IntToStr(static_cast<Integer>(r.bottom - r.top)));
  Lines->Add(String());
  Lines->Add(String(L"Class Name = ") + cls);
  Lines->Add(L"User Data = " + IntToStr(static_cast<Int64>(GetWindowLongPtrW(Wnd, GWLP_USERDATA))));
  Lines->Add(String());
  Lines->Add(L"Styles:");
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(Wnd, GWL_STYLE));
  std::vector<String> names;
  auto test = [&](const wchar_t* Name, DWORD Mask) {
    if ((style & Mask) == Mask) {
      names.push_back(Name);
      return true;
    }
    return false;
  };
  auto listed = [&](const wchar_t* Name) { return std::find(names.begin(), names.end(), Name) != names.end(); };
  if (!test(L"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW)) {
    test(L"WS_OVERLAPPED", WS_OVERLAPPED);
    test(L"WS_CAPTION", WS_CAPTION);
    test(L"WS_THICKFRAME", WS_THICKFRAME);
    test(L"WS_MINIMIZEBOX", WS_MINIMIZEBOX);
    test(L"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX);
  }
  if (!test(L"WS_POPUPWINDOW", WS_POPUPWINDOW)) {
    test(L"WS_POPUP", WS_POPUP);
    test(L"WS_BORDER", WS_BORDER);
  }
  if ((style & WS_SYSMENU) && !listed(L"WS_OVERLAPPEDWINDOW") && !listed(L"WS_POPUPWINDOW")) names.push_back(L"WS_SYSMENU");
  static constexpr TStyleName Each[] = {
      {L"WS_CHILD", WS_CHILD},           {L"WS_MINIMIZE", WS_MINIMIZE},     {L"WS_VISIBLE", WS_VISIBLE},
      {L"WS_DISABLED", WS_DISABLED},     {L"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS}, {L"WS_CLIPCHILDREN", WS_CLIPCHILDREN},
      {L"WS_MAXIMIZE", WS_MAXIMIZE},     {L"WS_CAPTION", WS_CAPTION},       {L"WS_BORDER", WS_BORDER},
      {L"WS_DLGFRAME", WS_DLGFRAME},     {L"WS_VSCROLL", WS_VSCROLL},       {L"WS_HSCROLL", WS_HSCROLL},
      {L"WS_SYSMENU", WS_SYSMENU},       {L"WS_THICKFRAME", WS_THICKFRAME}, {L"WS_GROUP", WS_GROUP},
      {L"WS_TABSTOP", WS_TABSTOP},       {L"WS_MINIMIZEBOX", WS_MINIMIZEBOX}, {L"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX}};
  for (const TStyleName& s : Each) test(s.Name, s.Mask);
  for (const String& n : names) Lines->Add(n);
  Lines->Add(String());
  Lines->Add(L"ExStyles:");
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(Wnd, GWL_EXSTYLE));
  static constexpr TStyleName Ex[] = {
      {L"WS_EX_ACCEPTFILES", WS_EX_ACCEPTFILES},     {L"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE},
      {L"WS_EX_CONTEXTHELP", WS_EX_CONTEXTHELP},     {L"WS_EX_CONTROLPARENT", WS_EX_CONTROLPARENT},
      {L"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME}, {L"WS_EX_LEFT", WS_EX_LEFT},
      {L"WS_EX_LEFTSCROLLBAR", WS_EX_LEFTSCROLLBAR}, {L"WS_EX_LTRREADING", WS_EX_LTRREADING},
      {L"WS_EX_MDICHILD", WS_EX_MDICHILD},           {L"WS_EX_NOPARENTNOTIFY", WS_EX_NOPARENTNOTIFY},
      {L"WS_EX_OVERLAPPEDWINDOW", WS_EX_OVERLAPPEDWINDOW}, {L"WS_EX_PALETTEWINDOW", WS_EX_PALETTEWINDOW},
      {L"WS_EX_RIGHT", WS_EX_RIGHT},                 {L"WS_EX_RIGHTSCROLLBAR", WS_EX_RIGHTSCROLLBAR},
      {L"WS_EX_RTLREADING", WS_EX_RTLREADING},       {L"WS_EX_STATICEDGE", WS_EX_STATICEDGE},
      {L"WS_EX_TOOLWINDOW", WS_EX_TOOLWINDOW},       {L"WS_EX_TOPMOST", WS_EX_TOPMOST},
      {L"WS_EX_TRANSPARENT", WS_EX_TRANSPARENT},     {L"WS_EX_WINDOWEDGE", WS_EX_WINDOWEDGE}};
  for (const TStyleName& s : Ex)
    if ((exStyle & s.Mask) == s.Mask) Lines->Add(s.Name);
}

String KeyName(Word Key) {
  struct Entry {
    Word Code;
    const wchar_t* Name;
  };
  static constexpr Entry Names[] = {
      {1, L"VK_LBUTTON"}, {2, L"VK_RBUTTON"}, {3, L"VK_CANCEL"}, {4, L"VK_MBUTTON"}, {8, L"VK_BACK"},
      {9, L"VK_TAB"}, {12, L"VK_CLEAR"}, {13, L"VK_RETURN"}, {16, L"VK_SHIFT"}, {17, L"VK_CONTROL"},
      {18, L"VK_MENU"}, {19, L"VK_PAUSE"}, {20, L"VK_CAPITAL"}, {21, L"VK_KANA or VK_HANGUL"}, {23, L"VK_JUNJA"},
      {24, L"VK_FINAL"}, {25, L"VK_HANJA or VK_KANJI"}, {27, L"VK_ESCAPE"}, {28, L"VK_CONVERT"},
      {29, L"VK_NONCONVERT"}, {30, L"VK_ACCEPT"}, {31, L"VK_MODECHANGE"}, {32, L"VK_SPACE"}, {33, L"VK_PRIOR"},
      {34, L"VK_NEXT"}, {35, L"VK_END"}, {36, L"VK_HOME"}, {37, L"VK_LEFT"}, {38, L"VK_UP"}, {39, L"VK_RIGHT"},
      {40, L"VK_DOWN"}, {41, L"VK_SELECT"}, {42, L"VK_PRINT"}, {43, L"VK_EXECUTE"}, {44, L"VK_SNAPSHOT"},
      {45, L"VK_INSERT"}, {46, L"VK_DELETE"}, {47, L"VK_HELP"}, {91, L"VK_LWIN"}, {92, L"VK_RWIN"},
      {93, L"VK_APPS"}, {106, L"VK_MULTIPLY"}, {107, L"VK_ADD"}, {108, L"VK_SEPARATOR"}, {109, L"VK_SUBTRACT"},
      {110, L"VK_DECIMAL"}, {111, L"VK_DIVIDE"}, {144, L"VK_NUMLOCK"}, {145, L"VK_SCROLL"}, {164, L"VK_LMENU"},
      {165, L"VK_RMENU"}, {229, L"VK_PROCESSKEY"}, {246, L"VK_ATTN"}, {247, L"VK_CRSEL"}, {248, L"VK_EXSEL"},
      {249, L"VK_EREOF"}, {250, L"VK_PLAY"}, {251, L"VK_ZOOM"}, {252, L"VK_NONAME"}, {253, L"VK_PA1"},
      {254, L"VK_OEM_CLEAR"}};
  if ((Key >= L'0' && Key <= L'9') || (Key >= L'A' && Key <= L'Z')) return String(L"VK_") + static_cast<wchar_t>(Key);
  if (Key >= 96 && Key <= 105) return L"VK_NUMPAD" + IntToStr(static_cast<Integer>(Key - 96));
  if (Key >= 112 && Key <= 135) return L"VK_F" + IntToStr(static_cast<Integer>(Key - 111));
  for (const Entry& e : Names)
    if (e.Code == Key) return e.Name;
  return String();
}

String ShiftStateText(TShiftState Shift) {
  static const wchar_t* const Names[] = {L"ssShift", L"ssAlt",    L"ssCtrl",  L"ssLeft", L"ssRight",
                                         L"ssMiddle", L"ssDouble", L"ssTouch", L"ssPen"};
  const UInt64 bits = Shift.ToInt();
  String r;
  for (std::size_t i = 0; i < std::size(Names); ++i)
    if (bits & (UInt64(1) << i)) r += (r.empty() ? L"" : L", ") + String(Names[i]);
  return L"[" + r + L"]";
}

void HexDumpStream(TStream* Stream, TStrings* Lines) {
  const Int64 start = Stream->Position();
  const Int64 size = Stream->Size();
  Byte buf[8];
  while (Stream->Position() < size) {
    const Int64 pos = Stream->Position();
    const Integer lead = static_cast<Integer>(pos % 8);
    const Integer n = Stream->Read(buf, 8 - lead);
    if (n <= 0) break;
    String line = IntToHex(static_cast<UInt64>(pos - lead), 8) + L": ";
    for (Integer i = 0; i < lead; ++i) line += L"   ";
    for (Integer i = 0; i < n; ++i) line += IntToHex(static_cast<Integer>(buf[i]), 2) + L" ";
    for (Integer i = lead + n; i < 8; ++i) line += L"   ";
    line += L" | ";
    line += String(lead, L' ');
    for (Integer i = 0; i < n; ++i) line += buf[i] >= 32 ? static_cast<wchar_t>(buf[i]) : L'.';
    Lines->Add(line);
  }
  Stream->SetPosition(start);
}

String BytesToHexText(const TBytes& Bytes) {
  static constexpr wchar_t Digits[] = L"0123456789ABCDEF";
  String r;
  r.reserve(Bytes.size() * 2);
  for (Byte b : Bytes) {
    r += Digits[b >> 4];
    r += Digits[b & 15];
  }
  return r;
}

void TVantrelLogger::SendHeapStatus() {
  if (!Gate()) return;
  const THeapStatus& h = GlobalLogManager->GetHeapStatus();
  TStringList lines;
  lines.Add(L"Total Address Space=" + Thousands(h.TotalAddrSpace));
  lines.Add(L"Total Uncommitted=" + Thousands(h.TotalUncommitted));
  lines.Add(L"Total Committed=" + Thousands(h.TotalCommitted));
  lines.Add(L"Total Allocated=" + Thousands(h.TotalAllocated));
  lines.Add(L"TotalFree=" + Thousands(h.TotalFree));
  lines.Add(L"FreeSmall=" + Thousands(h.FreeSmall));
  lines.Add(L"FreeBig=" + Thousands(h.FreeBig));
  lines.Add(L"Unused=" + Thousands(h.Unused));
  lines.Add(L"Overhead=" + Thousands(h.Overhead));
  lines.Add(L"Heap Error Code=" + Thousands(h.HeapErrorCode));
  SendMsgDetails(vrmMemStatus, L"RTL Heap Status", &lines, String());
}

void TVantrelLogger::SendMemoryStatus() {
  if (!Gate()) return;
  MEMORYSTATUSEX m{};
  m.dwLength = sizeof(m);
  GlobalMemoryStatusEx(&m);
  TStringList lines;
  lines.Add(L"Memory Load=" + IntToStr(static_cast<Integer>(m.dwMemoryLoad)) + L"%");
  auto kb = [](DWORDLONG Bytes) { return Thousands(static_cast<UInt64>(Bytes / 1024)); };
  lines.Add(L"Total Physical Memory=" + kb(m.ullTotalPhys));
  lines.Add(L"Avail Physical Memory=" + kb(m.ullAvailPhys));
  lines.Add(L"Total Page File=" + kb(m.ullTotalPageFile));
  lines.Add(L"Avail Page File=" + kb(m.ullAvailPageFile));
  lines.Add(L"Total Virtual Memory=" + kb(m.ullTotalVirtual));
  lines.Add(L"Avail Virtual Memory=" + kb(m.ullAvailVirtual));
  lines.Add(L"Avail Ext Virtual Memory=" + kb(m.ullAvailExtendedVirtual));
  SendMsgDetails(vrmMemStatus, L"Memory Status", &lines, String());
}

namespace {
String PlatformText(const OSVERSIONINFOW& V) {
  if (V.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (V.dwMinorVersion < 10) return L"Windows 95";
    if (V.dwMinorVersion < 90) return L"Windows 98";
    return L"Windows ME";
  }
  if (V.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    switch (V.dwMajorVersion) {
      case 3: return L"Windows NT 3.51";
      case 4: return L"Windows NT 4.0";
      case 5: return V.dwMinorVersion == 0 ? L"Windows 2000" : V.dwMinorVersion == 1 ? L"Windows XP" : L"Windows 2003";
      case 6: return L"Longhorn";
      default: break;
    }
  }
  return String();
}
}  // namespace

void TVantrelLogger::SendSystemInfo() {
  if (!Gate()) return;
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&v);
#pragma GCC diagnostic pop
  TStringList lines;
  lines.Add(L"Platform=" + PlatformText(v));
  lines.Add(L"Major Version=" + IntToStr(static_cast<Integer>(v.dwMajorVersion)));
  lines.Add(L"Minor Version=" + IntToStr(static_cast<Integer>(v.dwMinorVersion)));
  lines.Add(L"Build Number=" + IntToStr(static_cast<Integer>(v.dwBuildNumber)));
  lines.Add(String(L"Other Info=") + v.szCSDVersion);
  lines.Add(L"=");
  wchar_t name[256] = {};
  DWORD size = 256;
  lines.Add(L"Computer Name=" + (GetComputerNameW(name, &size) ? String(name) : String()));
  wchar_t user[257] = {};
  size = 257;
  lines.Add(L"User Name=" + (GetUserNameW(user, &size) ? String(user) : String()));
  lines.Add(L"=");
  lines.Add(L"Screen Width=" + IntToStr(GetSystemMetrics(SM_CXSCREEN)));
  lines.Add(L"Screen Height=" + IntToStr(GetSystemMetrics(SM_CYSCREEN)));
  HDC dc = GetDC(nullptr);
  const Integer ppi = GetDeviceCaps(dc, LOGPIXELSY);
  const Integer bpp = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
  lines.Add(L"Pixels Per Inch=" + IntToStr(ppi));
  lines.Add(ppi == 96 ? L"Small Fonts=True" : L"Small Fonts=False");
  const wchar_t* depth = bpp == 8    ? L"256 Colors"
                         : bpp == 16 ? L"High Color (16-bit)"
                         : bpp == 24 ? L"True Color (24-bit)"
                         : bpp == 32 ? L"True Color (32-bit)"
                                     : L"Unknown";
  lines.Add(String(L"Color Depth=") + depth);
  SendMsgDetails(vrmSysInfo, L"System Information", &lines, String());
}

void TVantrelLogger::SendVersionInfo() {
  if (!Gate()) return;
  static const wchar_t* const Keys[] = {L"CompanyName",    L"FileDescription",  L"FileVersion",      L"InternalName",
                                        L"LegalCopyright", L"LegalTrademarks",  L"OriginalFilename", L"ProductName",
                                        L"ProductVersion", L"Comments"};
  static const wchar_t* const Labels[] = {L"Company Name=",     L"File Description=", L"File Version=",
                                          L"Internal Name=",    L"Legal Copyright=",  L"Legal Trademarks=",
                                          L"Original Filename=", L"Product Name=",    L"Product Version=",
                                          L"Comments="};
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  std::vector<Byte> data(size);
  const bool has = size > 0 && GetFileVersionInfoW(path, 0, size, data.data());
  String language = L"Not Available", codePage = L"Not Available";
  std::vector<String> values(std::size(Keys), L"Not Available");
  if (has) {
    void* trans = nullptr;
    UINT len = 0;
    language.clear();
    codePage.clear();
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &trans, &len) && len >= 4) {
      const DWORD t = *static_cast<const DWORD*>(trans);
      language = Format(L"%.4x", {static_cast<Integer>(LOWORD(t))});
      codePage = Format(L"%.4x", {static_cast<Integer>(HIWORD(t))});
    }
    for (std::size_t i = 0; i < std::size(Keys); ++i) {
      const String sub = L"StringFileInfo\\" + language + codePage + L"\\" + Keys[i];
      void* value = nullptr;
      values[i] = VerQueryValueW(data.data(), sub.c_str(), &value, &len) && value && len > 0
                      ? String(static_cast<const wchar_t*>(value))
                      : String();
    }
  }
  TStringList lines;
  lines.Add(L"LanguageID=" + language);
  lines.Add(L"CodePage=" + codePage);
  for (std::size_t i = 0; i < std::size(Keys); ++i) lines.Add(Labels[i] + values[i]);
  SendMsgDetails(vrmVerInfo, L"Version Information", &lines, String());
}

void TVantrelLogger::SendRegistry(HKEY RootKey, const String& Key, bool ProcessSubKeys) {
  if (!Gate()) return;
  {
    TRegKeyScope probe(OpenKeyForReading(RootKey, Key));
    if (!probe.Get()) {
      SendError(L"SendRegistry Error: Key does not exist (%s)", {Key});
      return;
    }
  }
  TStringList lines;
  RegistryKeyToLines(RootKey, Key, ProcessSubKeys, &lines);
  SendMsgDetails(vrmRegistry, RootKeyName(RootKey) + L"\\" + Key, &lines, L"Registry Key");
}

void TVantrelLogger::SendWindowHandle(const String& Msg, HWND Wnd) {
  if (!Gate()) return;
  if (!Wnd || !IsWindow(Wnd)) {
    SendError(L"SendWindowHandle Error: Not a valid HWND (%s)", {Msg});
    return;
  }
  TStringList lines;
  WindowHandleToLines(Wnd, &lines);
  SendMsgDetails(vrmWindow, Msg, &lines, L"Window Handle");
}

void TVantrelLogger::SendKey(Integer MsgType, const String& Msg, Word Key, TShiftState Shift) {
  if (!Gate()) return;
  Send(MsgType, Msg, Format(L"%s ($%s, %s)", {KeyName(Key), IntToHex(static_cast<Integer>(Key), 4), ShiftStateText(Shift)}));
}

void TVantrelLogger::SendMouseButton(Integer MsgType, const String& Msg, TMouseButton Button, TShiftState Shift) {
  const Word key = Button == mbLeft ? VK_LBUTTON : Button == mbRight ? VK_RBUTTON : VK_MBUTTON;
  SendKey(MsgType, Msg, key, Shift);
}

void TVantrelLogger::SendFileDump(Integer MsgType, const String& Operation, const String& Msg,
                                  const String& FileName, const String& TypeName, bool AsHex) {
  if (!Gate()) return;
  if (!FileExists(FileName)) {
    SendError(L"%s Error: File does not exist (%s)", {Operation, FileName});
    return;
  }
  try {
    TStringList lines;
    if (AsHex) {
      TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
      HexDumpStream(&file, &lines);
    } else {
      lines.LoadFromFile(FileName);
    }
    SendMsgDetails(MsgType, Msg, &lines, TypeName);
  } catch (const std::exception&) {
    SendError(L"%s Error: Unable to read file (%s)", {Operation, FileName});
  }
}

void TVantrelLogger::SendTextFile(const String& Msg, const String& FileName) {
  SendFileDump(vrmTextFile, L"SendTextFile", Msg, FileName, L"Text File", false);
}

void TVantrelLogger::SendXmlFile(const String& Msg, const String& FileName) {
  SendFileDump(vrmXmlData, L"SendXmlFile", Msg, FileName, L"Xml File", false);
}

void TVantrelLogger::SendFileAsHex(const String& Msg, const String& FileName) {
  SendFileDump(vrmMemory, L"SendFileAsHex", Msg, FileName, L"Stream", true);
}

void TVantrelLogger::SendXmlData(const String& Msg, TStrings* XmlData) {
  if (Gate() && XmlData) SendMsgDetails(vrmXmlData, Msg, XmlData, L"Xml Data");
}

void TVantrelLogger::SendXmlData(const String& Msg, const String& XmlData) {
  if (Gate()) DeliverMessage(vrmXmlData, Msg, L"Xml Data", XmlData);
}

void TVantrelLogger::SendStreamAsText(const String& Msg, TStream* Stream) {
  if (!Gate() || !Stream) return;
  TStringList lines;
  lines.LoadFromStream(Stream);
  SendMsgDetails(vrmMemory, Msg, &lines, L"Stream");
}

void TVantrelLogger::SendStreamAsHex(const String& Msg, TStream* Stream) {
  if (!Gate() || !Stream) return;
  TStringList lines;
  HexDumpStream(Stream, &lines);
  SendMsgDetails(vrmMemory, Msg, &lines, L"Stream");
}

void TVantrelLogger::SendMemoryAsHex(const String& Msg, const void* Buffer, Integer Size) {
  if (!Gate() || !Buffer || Size <= 0) return;
  TMemStream stream;
  stream.SetPointer(const_cast<void*>(Buffer), Size);
  SendStreamAsHex(Msg, &stream);
}

void TVantrelLogger::Send(const String& Msg, TBitmap* Bitmap) {
  if (!Gate()) return;
  if (!Bitmap) {
    SendError(L"Send Data Error: Bitmap is Not Assigned");
    return;
  }
  TMemoryStream stream;
  Bitmap->SaveToStream(&stream);
  TBytes bytes(static_cast<std::size_t>(stream.Size()));
  if (!bytes.empty()) memcpy(bytes.data(), stream.Memory(), bytes.size());
  DeliverMessage(vrmBitmap, Msg, L"Bitmap", BytesToHexText(bytes));
}

void TVantrelLogger::Send(const String& Msg, TIcon* Icon) {
  if (!Gate()) return;
  if (!Icon) {
    SendError(L"Send Data Error: Icon is Not Assigned");
    return;
  }
  TBitmap bitmap(Icon->Width(), Icon->Height());
  bitmap.Canvas()->Brush()->SetColor(clWindow);
  bitmap.Canvas()->FillRect(RECT{0, 0, Icon->Width(), Icon->Height()});
  bitmap.Canvas()->Draw(0, 0, Icon);
  Send(Msg, &bitmap);
}

void TVantrelLogger::Send(const String& Msg, TPicture* Picture) {
  if (!Gate()) return;
  if (!Picture) {
    SendError(L"Send Data Error: Picture is Not Assigned");
    return;
  }
  if (!Picture->Graphic()) {
    SendError(L"Send Data Error: Picture.Graphic is Not Assigned");
    return;
  }
  Send(Msg, Picture->Graphic());
}

void TVantrelLogger::Send(const String& Msg, TGraphic* Graphic) {
  if (!Gate()) return;
  if (!Graphic) {
    SendError(L"Send Data Error: Graphic is Not Assigned");
    return;
  }
  TBitmap bitmap(Graphic->Width(), Graphic->Height());
  bitmap.Canvas()->Draw(0, 0, Graphic);
  Send(Msg, &bitmap);
}

void TVantrelLogger::SendScreenShot(const String& Msg, HWND Wnd) {
  if (!Gate()) return;
  RECT r{};
  if (!GetWindowRect(Wnd, &r)) return;
  const Integer w = r.right - r.left, h = r.bottom - r.top;
  TBitmap bitmap(w, h);
  HDC screen = GetDC(nullptr);
  BitBlt(bitmap.Canvas()->Handle(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  Send(Msg, &bitmap);
}
