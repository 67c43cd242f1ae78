// The logging client: the process-wide manager (switch, sender identity, time stamps,
// thread names, default connection and destination, formatter registry), the logger
// with its send operations, formatters and custom data, and the unit that creates
// GlobalLogManager and GlobalLogger.
//
// Sends that take a Boolean, a date-time or a packed small point have their own names
// (SendBoolean, SendDateTime, SendSmallPoint, WriteBoolean, ...): with one overloaded
// name a string literal or a double would silently pick the wrong one. Formatted sends
// (SendFmt, WriteFmt, SendIfFmt) are named apart from the value sends for the same
// reason: a one-element argument list would otherwise pick an Integer send.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"
#include "SyncObjs.h"
#include "TypInfo.h"
#include "Variants.h"
#include "VantrelConnection.h"
#include "VantrelDestination.h"
#include "VantrelGlobal.h"
#include "VantrelMessage.h"

// Message types.
constexpr Integer vrmInfo = 0, vrmWarning = 1, vrmError = 2, vrmCheckPoint = 3, vrmObject = 4,
                  vrmCompAsText = 5, vrmStringList = 6, vrmProperty = 7, vrmNote = 8, vrmEnterMethod = 9,
                  vrmExitMethod = 10, vrmSeparator = 11, vrmInactiveSeparator = 12, vrmClear = 13,
                  vrmScratchPad = 14, vrmSaveLog = 15, vrmBitmap = 16, vrmTextFile = 17, vrmWindow = 18,
                  vrmMemory = 19, vrmMemStatus = 20, vrmText = 21, vrmProperties = 22, vrmReminder = 23,
                  vrmColor = 31, vrmRegistry = 32, vrmSysInfo = 33, vrmVerInfo = 34, vrmXmlData = 35,
                  vrmStackTrace = 36, vrmException = 37, vrmTable = 38, vrmResetSeparator = 39,
                  vrmAppStartSeparator = 40, vrmCollection = 41, vrmCollapsedMethod = 42,
                  vrmExitMethodCollapse = 43, vrmHierarchy = 44;
// Bases of the custom types.
constexpr Integer vrmReserved = 100, vrmUser = 1000, vrmPublic = 33000;
// True for the custom types, which go through formatters.
constexpr bool IsCustomMsgType(Integer MsgType) { return MsgType >= vrmReserved; }
// True for the connection's control types, never offered to the send hook.
constexpr bool IsControlMsgType(Integer MsgType) { return MsgType >= 90 && MsgType <= 99; }

// The names of the message types 0 to 44.
extern const wchar_t* const MessageTypeName[45];

enum TVantrelInspectorType { itStockText, itStockProperties, itStockTable, itStockHierarchy, itCustom };

// The message as offered to the send hook: texts as the caller built them, neither cut
// nor escaped. Details lives only for the call.
struct TVantrelMsgData {
  Integer MsgType = 0;
  String MsgText;
  TStringList* Details = nullptr;
  Cardinal ProcessID = 0;
  String ThreadName;
  String ComputerName;
  String AppName;
  String TypeName;
  String Category;
  TColor CategoryColor = 0;
  TColor CategoryFontColor = 0;
  TTimeStamp TimeStamp;
};
// Handled starts True: a handler keeps the message unless it sets Handled := False.
using TVantrelSendMsgEvent = std::function<void(TObject* Sender, const TVantrelMsgData& MsgData, bool& Handled)>;

class TVantrelStringList : public TStringList {
  DECLARE_CLASS(TVantrelStringList, TStringList)
};

// ---------------------------------------------------------------------------------------
// Formatters and custom data

// Turns a value of a custom message type into lines. Derived classes override FormatData
// (and usually InspectorType and TypeName); they are created through their class.
class TVantrelFormatter : public TObject {
  DECLARE_CLASS(TVantrelFormatter, TObject)
 public:
  TVantrelFormatter() = default;
  virtual String FormattedData() const { return FStringList.Text(); }
  // Fills the lines from the value; the base does nothing.
  virtual void FormatData(const void* Data) {}
  virtual TVantrelInspectorType InspectorType() { return itStockText; }
  virtual String TypeName() { return FTypeName; }

  // Each adds one line: Name, "=" and the value's text.
  void AddNameValueBoolean(const String& Name, bool Value);
  void AddNameValuePair(const String& Name, wchar_t Value);
  // "=??" when the value is not a valid date-time.
  void AddNameValueDateTime(const String& Name, TDateTime Value);
  void AddNameValuePair(const String& Name, Cardinal Value, bool AsHex);
  void AddNameValuePair(const String& Name, Extended Value, Integer Precision);
  void AddNameValuePair(const String& Name, Integer Value);
  void AddNameValuePair(const String& Name, Int64 Value);
  void AddNameValuePair(const String& Name, const wchar_t* Value);
  void AddNameValuePair(const String& Name, const POINT& Value);
  void AddNameValueSmallPoint(const String& Name, Integer Value);
  void AddNameValuePair(const String& Name, const RECT& Value);
  void AddNameValuePair(const String& Name, const String& Value);
  void AddNameValuePair(const String& Name, bool Value) = delete;  // use AddNameValueBoolean
  void AddLine(const String& Line) { FStringList.Add(Line); }

 protected:
  TStringList FStringList;
  String FTypeName;
};
// A formatter class: TVantrelFormatter or a descendant.
using TVantrelFormatterClass = TClass;

class TVantrelFormatterItem : public TObject {
  DECLARE_CLASS(TVantrelFormatterItem, TObject)
 public:
  TVantrelFormatterItem(Integer AMsgType, TVantrelFormatterClass AClass) : FMsgType(AMsgType), FClass(AClass) {}
  Integer MsgType() const { return FMsgType; }
  TVantrelFormatterClass FormatterClass() const { return FClass; }

 private:
  Integer FMsgType;
  TVantrelFormatterClass FClass;
};

// The registry of formatters; owns its items.
class TVantrelFormatterList : public TList {
  DECLARE_CLASS(TVantrelFormatterList, TList)
 public:
  ~TVantrelFormatterList() override { Clear(); }
  Integer Add(Integer MsgType, TVantrelFormatterClass FormatterClass);
  void Delete(Integer Idx);
  void Clear() override;
  TVantrelFormatterItem* Item(Integer Idx) const { return static_cast<TVantrelFormatterItem*>(Items(Idx)); }
  TVantrelFormatterClass FindFormatterClass(Integer MsgType) const;
};

// An object that formats itself for the logger.
class IVantrelCustomData {
 public:
  virtual ~IVantrelCustomData() = default;
  virtual void FormatData(TStrings* Data) = 0;
  virtual TVantrelInspectorType InspectorType() = 0;
  virtual Integer CustomMsgType() = 0;
  virtual String TypeName() = 0;
};

Integer InspectorTypeToMsgType(TVantrelInspectorType Inspector, Integer CustomType);

// ---------------------------------------------------------------------------------------
// Heap figures and in-place memory streams

// The figures of the C runtime's heap, in bytes, as the heap dump reports them.
struct THeapStatus {
  UInt64 TotalAddrSpace = 0;
  UInt64 TotalUncommitted = 0;
  UInt64 TotalCommitted = 0;
  UInt64 TotalAllocated = 0;
  UInt64 TotalFree = 0;
  UInt64 FreeSmall = 0;
  UInt64 FreeBig = 0;
  UInt64 Unused = 0;
  UInt64 Overhead = 0;
  Cardinal HeapErrorCode = 0;
};
// Walks the C runtime's heap; HeapErrorCode holds the system error when the walk fails.
THeapStatus ReadHeapStatus();

// A memory stream that reads memory it does not own, in place.
class TMemStream : public TCustomMemoryStream {
  DECLARE_CLASS(TMemStream, TCustomMemoryStream)
 public:
  using TCustomMemoryStream::SetPointer;
  // The memory is only read: writing stores nothing.
  Integer Write(const void* Buffer, Integer Count) override { return 0; }
};

// ---------------------------------------------------------------------------------------
// Manager

class TVantrelManager : public TObject {
  DECLARE_CLASS(TVantrelManager, TObject)
 public:
  TVantrelManager();
  ~TVantrelManager() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  const String& AppName() const { return FAppName; }
  void SetAppName(const String& Value) { FAppName = Value; }
  const String& ComputerName() const { return FComputerName; }
  Cardinal ProcessID() const { return FProcessID; }
  // Minutes; UTC = local time + bias. The full bias at creation, daylight saving included.
  Integer TimeBias() const { return FTimeBias; }
  TVantrelLogAsserts LogAsserts() const { return FLogAsserts; }
  void SetLogAsserts(TVantrelLogAsserts Value) { FLogAsserts = Value; }
  bool EncodeNonvisibleCharacters() const { return FEncodeNonvisibleCharacters; }
  void SetEncodeNonvisibleCharacters(bool Value) { FEncodeNonvisibleCharacters = Value; }

  // The manager's own destination, never nil.
  TVantrelDestination* DefaultDestination() const { return FDefaultDestination.get(); }
  // Copies Value into the manager's destination; nil resets it to the viewer alone.
  void SetDefaultDestination(TVantrelDestination* Value);
  TVantrelConnection* DefaultConnection() const { return FDefaultConnection.get(); }
  // Replaces the default connection with a new copy-data connection.
  void ConnectUsingCopyData();
  // Replaces the default connection with a new TCP connection (the local machine, port
  // 3434 by default).
  void ConnectUsingTcp();
  void ConnectUsingTcp(const String& Host);
  void ConnectUsingTcp(const String& Host, Integer Port);

  // The current time, following the performance counter from the base taken at creation.
  TTimeStamp GetTimeStamp();
  // The calling thread's name; a thread never named is named by its decimal ID.
  String GetCurrentThreadName();
  // Names the calling thread; an empty name removes the name.
  void SetCurrentThreadName(const String& ThreadName);
  // The heap figures captured when the manager was created.
  const THeapStatus& GetHeapStatus() const { return FHeapStatus; }

  // Registers a formatter for a custom type (100 or above); a reserved type is refused
  // and a second registration for a type keeps the first, both reported through
  // GlobalLogger.
  void RegisterCustomFormatter(Integer MsgType, TVantrelFormatterClass FormatterClass);
  virtual TVantrelFormatterList* GetFormatterList();

  // BaseTime advanced by Ms milliseconds, whole days carried into the date.
  static TTimeStamp AddMilliseconds(const TTimeStamp& BaseTime, Int64 Ms);

 private:
  std::atomic<bool> FEnabled{true};
  String FAppName;
  String FComputerName;
  Cardinal FProcessID;
  TCriticalSection FThreadMapCriticalSection;
  TVantrelStringList FThreadMap;
  TVantrelLogAsserts FLogAsserts = laNormal;
  std::unique_ptr<TVantrelConnection> FDefaultConnection;
  std::unique_ptr<TVantrelDestination> FDefaultDestination;
  std::unique_ptr<TVantrelFormatterList> FFormatterList;
  Integer FTimeBias = 0;
  Int64 FBaseCount = 0;
  TTimeStamp FBaseTimeStamp;
  Int64 FFrequency = 0;
  bool FHighPerfTiming = false;
  bool FEncodeNonvisibleCharacters = false;
  THeapStatus FHeapStatus;
};

// ---------------------------------------------------------------------------------------
// Logger

class TVantrelLogger : public TComponent {
  DECLARE_CLASS(TVantrelLogger, TComponent)
  PUBLISHED(TVantrelLogger)
 public:
  explicit TVantrelLogger(TComponent* AOwner);
  ~TVantrelLogger() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Reads the legacy stored properties DestinationDetails, HexNumPrefix, HexViewWidth
  // and QuoteChar; none is ever written.
  void DefineProperties(TFiler* Filer) override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  const String& Category() const { return FCategory; }
  void SetCategory(const String& Value) { FCategory = Value; }
  TColor CategoryColor() const { return FCategoryColor; }
  void SetCategoryColor(TColor Value) { FCategoryColor = Value; }
  TColor CategoryFontColor() const { return FCategoryFontColor; }
  void SetCategoryFontColor(TColor Value) { FCategoryFontColor = Value; }
  const String& DateTimeFormat() const { return FDateTimeFormat; }
  void SetDateTimeFormat(const String& Value) { FDateTimeFormat = Value; }
  TVantrelAboutInfo About() const { return aiVantrel; }
  // The logger's own destination; nil means the manager's default.
  TVantrelDestination* Destination() const { return FDestination; }
  void SetDestination(TVantrelDestination* Value);
  // The logger's own connection; nil means the manager's default.
  TVantrelConnection* Connection() const { return FConnection.get(); }
  // The dispatch ID and the day it was made (empty before the first delivery).
  String DispatchID();
  TDateTime DispatchIDDate();

  TVantrelSendMsgEvent OnSendMsg;

  void ConnectUsingCopyData();
  // The logger's own TCP connection (the local machine, port 3434 by default).
  void ConnectUsingTcp();
  void ConnectUsingTcp(const String& Host);
  void ConnectUsingTcp(const String& Host, Integer Port);
  void UseVantrelManagerConnection() { FConnection.reset(); }
  void CloseDispatcher();
  // True when the dispatcher program file exists.
  bool Installed();

  // --- Plain and formatted texts
  void Send(const String& Msg) { Send(vrmInfo, Msg); }
  void Send(Integer MsgType, const String& Msg);
  void SendMsg(const String& Msg) { Send(vrmInfo, Msg); }
  void SendMsg(Integer MsgType, const String& Msg) { Send(MsgType, Msg); }
  void SendFmt(const String& Fmt, TVarRecs Args) { SendFmt(vrmInfo, Fmt, Args); }
  void SendFmt(Integer MsgType, const String& Fmt, TVarRecs Args);
  void SendFmtMsg(const String& Fmt, TVarRecs Args) { SendFmtMsg(vrmInfo, Fmt, Args); }
  void SendFmtMsg(Integer MsgType, const String& Fmt, TVarRecs Args);
  void SendNote(const String& Msg) { Send(vrmNote, Msg); }
  void SendNote(const String& Fmt, TVarRecs Args) { SendFmtMsg(vrmNote, Fmt, Args); }
  void SendError(const String& Msg) { Send(vrmError, Msg); }
  void SendError(const String& Fmt, TVarRecs Args) { SendFmtMsg(vrmError, Fmt, Args); }
  void SendWarning(const String& Msg) { Send(vrmWarning, Msg); }
  void SendWarning(const String& Fmt, TVarRecs Args) { SendFmtMsg(vrmWarning, Fmt, Args); }
  void SendReminder(const String& Reminder) { Send(vrmReminder, Reminder); }
  void SendReminder(const String& Fmt, TVarRecs Args) { SendFmtMsg(vrmReminder, Fmt, Args); }

  // --- Values (Msg is the label); each has a twin with a leading MsgType
  void Send(const String& Msg, const String& Value) { Send(vrmInfo, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, const String& Value);
  void Send(const String& Msg, const wchar_t* Value) { Send(vrmInfo, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, const wchar_t* Value);
  void Send(const String& Msg, wchar_t Value) { Send(vrmInfo, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, wchar_t Value);
  void Send(const String& Msg, Integer Value) { Send(vrmInfo, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, Integer Value);
  void Send(const String& Msg, Cardinal Value, bool AsHex) { Send(vrmInfo, Msg, Value, AsHex); }
  void Send(Integer MsgType, const String& Msg, Cardinal Value, bool AsHex);
  void Send(const String& Msg, Int64 Value) { Send(vrmInfo, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, Int64 Value);
  void Send(const String& Msg, Extended Value, Integer Precision) { Send(vrmInfo, Msg, Value, Precision); }
  void Send(Integer MsgType, const String& Msg, Extended Value, Integer Precision);
  void SendBoolean(const String& Msg, bool Expression) { SendBoolean(vrmInfo, Msg, Expression); }
  void SendBoolean(Integer MsgType, const String& Msg, bool Expression);
  void Send(const String& Msg, bool) = delete;  // use SendBoolean
  void Send(Integer MsgType, const String& Msg, bool) = delete;
  void Send(const String& Msg, const POINT& Value) { Send(vrmInfo, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, const POINT& Value);
  // A small point packed in 32 bits: x in the low, y in the high 16 bits, signed.
  void SendSmallPoint(const String& Msg, Integer Value) { SendSmallPoint(vrmInfo, Msg, Value); }
  void SendSmallPoint(Integer MsgType, const String& Msg, Integer Value);
  void Send(const String& Msg, const RECT& Value) { Send(vrmInfo, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, const RECT& Value);
  void Send(const String& Msg, TStrings* Value) { Send(vrmStringList, Msg, Value); }
  void Send(Integer MsgType, const String& Msg, TStrings* Value);
  void SendAssigned(const String& Msg, const void* Value) { SendAssigned(vrmInfo, Msg, Value); }
  void SendAssigned(Integer MsgType, const String& Msg, const void* Value);
  void SendPointer(const String& Msg, const void* Value) { SendPointer(vrmInfo, Msg, Value); }
  void SendPointer(Integer MsgType, const String& Msg, const void* Value);
  void SendCurrency(const String& Msg, Currency Value) { SendCurrency(vrmInfo, Msg, Value); }
  void SendCurrency(Integer MsgType, const String& Msg, Currency Value);
  void SendDateTime(const String& Msg, TDateTime Value) { SendDateTime(vrmInfo, Msg, Value); }
  void SendDateTime(Integer MsgType, const String& Msg, TDateTime Value);
  void SendEnum(const String& Msg, PTypeInfo EnumTypeInfo, Integer Value) { SendEnum(vrmInfo, Msg, EnumTypeInfo, Value); }
  void SendEnum(Integer MsgType, const String& Msg, PTypeInfo EnumTypeInfo, Integer Value);
  // Value: the set's bits, bit 0 standing for the element type's lowest ordinal rounded
  // down to a multiple of 8.
  void SendSet(const String& Msg, PTypeInfo Info, UInt64 Value) { SendSet(vrmInfo, Msg, Info, Value); }
  void SendSet(Integer MsgType, const String& Msg, PTypeInfo Info, UInt64 Value);
  template <class E, std::size_t N>
  void SendSet(const String& Msg, const Set<E, N>& Value) { SendSet(vrmInfo, Msg, TypeInfoOf<Set<E, N>>(), Value.ToInt()); }
  void SendColor(const String& Msg, TColor Value);
  void SendColorARGB(const String& Msg, Cardinal Value);
  void SendWinError(const String& Msg, DWORD LastError);
  void SendVariant(const String& Msg, const Variant& Value) { SendVariant(vrmInfo, Msg, Value); }
  void SendVariant(Integer MsgType, const String& Msg, const Variant& Value);

  // --- Conditional sends: as the matching send when Expression is True
  void SendIf(bool Expression, const String& Msg) { if (Expression) Send(Msg); }
  void SendIf(bool Expression, Integer MsgType, const String& Msg) { if (Expression) Send(MsgType, Msg); }
  void SendIfFmt(bool Expression, const String& Fmt, TVarRecs Args) { if (Expression) SendFmt(Fmt, Args); }
  void SendIfFmt(bool Expression, Integer MsgType, const String& Fmt, TVarRecs Args) { if (Expression) SendFmt(MsgType, Fmt, Args); }
  void SendIf(bool Expression, const String& Msg, const String& Value) { if (Expression) Send(Msg, Value); }
  void SendIf(bool Expression, Integer MsgType, const String& Msg, const String& Value) { if (Expression) Send(MsgType, Msg, Value); }
  void SendIf(bool Expression, const String& Msg, Integer Value) { if (Expression) Send(Msg, Value); }
  void SendIf(bool Expression, Integer MsgType, const String& Msg, Integer Value) { if (Expression) Send(MsgType, Msg, Value); }
  void SendIf(bool Expression, const String& Msg, TStrings* Value) { if (Expression) Send(Msg, Value); }
  void SendIf(bool Expression, Integer MsgType, const String& Msg, TStrings* Value) { if (Expression) Send(MsgType, Msg, Value); }
  // The same set under the second name the conditional sends carry.
  void SendDateTimeIf(bool Expression, const String& Msg) { SendIf(Expression, Msg); }
  void SendDateTimeIf(bool Expression, Integer MsgType, const String& Msg) { SendIf(Expression, MsgType, Msg); }
  void SendDateTimeIfFmt(bool Expression, const String& Fmt, TVarRecs Args) { SendIfFmt(Expression, Fmt, Args); }
  void SendDateTimeIfFmt(bool Expression, Integer MsgType, const String& Fmt, TVarRecs Args) { SendIfFmt(Expression, MsgType, Fmt, Args); }
  void SendDateTimeIf(bool Expression, const String& Msg, const String& Value) { SendIf(Expression, Msg, Value); }
  void SendDateTimeIf(bool Expression, Integer MsgType, const String& Msg, const String& Value) { SendIf(Expression, MsgType, Msg, Value); }
  void SendDateTimeIf(bool Expression, const String& Msg, Integer Value) { SendIf(Expression, Msg, Value); }
  void SendDateTimeIf(bool Expression, Integer MsgType, const String& Msg, Integer Value) { SendIf(Expression, MsgType, Msg, Value); }
  void SendDateTimeIf(bool Expression, const String& Msg, TStrings* Value) { SendIf(Expression, Msg, Value); }
  void SendDateTimeIf(bool Expression, Integer MsgType, const String& Msg, TStrings* Value) { SendIf(Expression, MsgType, Msg, Value); }
  void SendIf(bool Expression, const String& Msg, TObject* Obj) { if (Expression) Send(Msg, Obj); }
  void SendIf(bool Expression, Integer MsgType, const String& Msg, TObject* Obj) { if (Expression) Send(MsgType, Msg, Obj); }
  void SendDateTimeIf(bool Expression, const String& Msg, TObject* Obj) { SendIf(Expression, Msg, Obj); }
  void SendDateTimeIf(bool Expression, Integer MsgType, const String& Msg, TObject* Obj) { SendIf(Expression, MsgType, Msg, Obj); }
  // Sends Msg as an error when Expression is False.
  void Assert(bool Expression, const String& Msg) { if (!Expression) SendError(Msg); }

  // --- Method tracing
  virtual void EnterMethod(const String& MethodName);
  virtual void EnterMethod(TObject* Obj, const String& MethodName);
  virtual void ExitMethod(const String& MethodName);
  virtual void ExitMethod(TObject* Obj, const String& MethodName);
  virtual void ExitMethod(TObject* Obj, const String& MethodName, const Variant& Result);
  virtual void ExitMethodCollapse(const String& MethodName);
  virtual void ExitMethodCollapse(TObject* Obj, const String& MethodName);
  virtual void ExitMethodCollapse(TObject* Obj, const String& MethodName, const Variant& Result);

  // --- Check points and separators
  void AddCheckPoint();
  void ResetCheckPoint() { FCheckPointCounter = 0; }
  void AddSeparator() { Send(vrmSeparator, String()); }
  void AddResetSeparator() { Send(vrmResetSeparator, String()); }
  void Clear() { Send(vrmClear, String()); }

  // --- Exceptions
  void SendException(const String& Msg, const Exception& E);
  void SendException(const Exception& E) { SendException(String(), E); }
  void ExceptionHandler(TObject* Sender, const Exception& E) { SendException(E); }

  // --- Scratch-pad lines (LineID names the line the dispatcher keeps updating)
  void Write(const String& LineID, const String& Value);
  void Write(const String& LineID, const wchar_t* Value) { Write(LineID, String(Value ? Value : L"")); }
  void Write(const String& LineID, const String& Msg, const String& Value);
  void Write(const String& LineID, const String& Msg, const wchar_t* Value) { Write(LineID, Msg, String(Value ? Value : L"")); }
  void WriteFmt(const String& LineID, const String& Fmt, TVarRecs Args);
  void Write(const String& LineID, const String& Msg, Integer Value);
  void Write(const String& LineID, Integer Value);
  void Write(const String& LineID, const String& Msg, Cardinal Value, bool AsHex);
  void Write(const String& LineID, Cardinal Value, bool AsHex);
  void Write(const String& LineID, const String& Msg, Int64 Value);
  void Write(const String& LineID, Int64 Value);
  void Write(const String& LineID, const String& Msg, Extended Value, Integer Precision);
  void Write(const String& LineID, Extended Value, Integer Precision);
  void WriteBoolean(const String& LineID, const String& Msg, bool Value);
  void WriteBoolean(const String& LineID, bool Value) { WriteBoolean(LineID, String(), Value); }
  void Write(const String& LineID, bool) = delete;  // use WriteBoolean
  void Write(const String& LineID, const String& Msg, bool) = delete;
  void WriteColor(const String& LineID, const String& Msg, TColor Value);
  void WriteColor(const String& LineID, TColor Value) { WriteColor(LineID, String(), Value); }
  void WriteCurrency(const String& LineID, const String& Msg, Currency Value);
  void WriteCurrency(const String& LineID, Currency Value);
  void WriteDateTime(const String& LineID, const String& Msg, TDateTime Value);
  void WriteDateTime(const String& LineID, TDateTime Value);
  void Write(const String& LineID, const String& Msg, const POINT& Value);
  void Write(const String& LineID, const POINT& Value);
  void WriteSmallPoint(const String& LineID, const String& Msg, Integer Value);
  void WriteSmallPoint(const String& LineID, Integer Value);
  void Write(const String& LineID, const String& Msg, const RECT& Value);
  void Write(const String& LineID, const RECT& Value);

  // --- Custom data
  // Formats Data with the formatter registered for MsgType.
  void SendCustomData(Integer MsgType, const String& Msg, const void* Data);
  void SendCustomData(const String& Msg, IVantrelCustomData* CustomData);
  void Send(const String& Msg, IVantrelCustomData* CustomData) { SendCustomData(Msg, CustomData); }

  // --- Objects and components, read through their published properties
  // A dump of the object's published properties (type 4); with a custom type (above
  // 100) the object goes to that type's formatter instead.
  void Send(const String& Msg, TObject* Obj) { SendObjectOfType(vrmObject, Msg, Obj); }
  void Send(Integer MsgType, const String& Msg, TObject* Obj) { SendObjectOfType(MsgType, Msg, Obj); }
  void SendProperty(const String& Msg, TObject* Obj, const String& PropName) { SendProperty(vrmInfo, Msg, Obj, PropName); }
  void SendProperty(Integer MsgType, const String& Msg, TObject* Obj, const String& PropName);
  void Send(const String& Msg, TCollection* Collection);
  void SendComponentAsText(const String& Msg, TComponent* Obj);
  void SendControls(const String& Msg, TControl* Control);
  void SendComponents(const String& Msg, TComponent* Component);
  void SendParents(const String& Msg, TControl* Control);

  // --- Process, system, window, file and image dumps
  void SendHeapStatus();
  void SendMemoryStatus();
  void SendSystemInfo();
  void SendVersionInfo();
  void SendRegistry(HKEY RootKey, const String& Key, bool ProcessSubKeys);
  void SendRegistry(const String& Key, bool ProcessSubKeys) { SendRegistry(HKEY_CURRENT_USER, Key, ProcessSubKeys); }
  void SendWindowHandle(const String& Msg, HWND Wnd);
  void SendKey(const String& Msg, Word Key, TShiftState Shift) { SendKey(vrmInfo, Msg, Key, Shift); }
  void SendKey(Integer MsgType, const String& Msg, Word Key, TShiftState Shift);
  void SendMouseButton(const String& Msg, TMouseButton Button, TShiftState Shift) { SendMouseButton(vrmInfo, Msg, Button, Shift); }
  void SendMouseButton(Integer MsgType, const String& Msg, TMouseButton Button, TShiftState Shift);
  void SendTextFile(const String& Msg, const String& FileName);
  void SendXmlFile(const String& Msg, const String& FileName);
  void SendXmlData(const String& Msg, TStrings* XmlData);
  void SendXmlData(const String& Msg, const String& XmlData);
  void SendStreamAsText(const String& Msg, TStream* Stream);
  void SendStreamAsHex(const String& Msg, TStream* Stream);
  void SendMemoryAsHex(const String& Msg, const void* Buffer, Integer Size);
  void SendFileAsHex(const String& Msg, const String& FileName);
  void Send(const String& Msg, TBitmap* Bitmap);
  void Send(const String& Msg, TIcon* Icon);
  void Send(const String& Msg, TPicture* Picture);
  void Send(const String& Msg, TGraphic* Graphic);
  void SendScreenShot(const String& Msg, HWND Wnd);

  // --- Event log
  void LogEvent(const String& Msg, Cardinal EventId = 0, Word Category = 0);
  void LogWarning(const String& Msg, Cardinal EventId = 0, Word Category = 0);
  void LogError(const String& Msg, Cardinal EventId = 0, Word Category = 0);

  // Delivers through the gate: the list-carrying sends use it.
  void SendMsgDetails(Integer MsgType, const String& Msg, TStrings* Details, const String& TypeName);

 protected:
  // Offers the message to the hook, then packs and hands it to the connection; 0 when
  // the hook kept it or the delivery failed (which switches the logger off).
  virtual Integer DeliverMessage(Integer MsgType, const String& Msg, const String& TypeName, const String& Details);
  // Both the logger and the manager are enabled.
  bool Gate() const;
  String FormatDateTimeValue(TDateTime Value) const;
  TVREventLog* GetEventLog();
  // False (with the error sent) for a nil object or one whose class has no published
  // information.
  bool CheckObjectRtti(const String& Msg, TObject* Obj);
  void SendObjectOfType(Integer MsgType, const String& Msg, TObject* Obj);
  // The lines path=value of Obj's published properties, sorted by name; objects that are
  // neither components nor already on the current path are dumped in place (nested).
  void ObjectToLines(bool Nested, TObject* Obj, const String& Prefix, TStrings* List);

  // The dispatch ID and its date, kept up to date by the connection; guarded by
  // FDispatchLock.
  String FDispatchID;
  TDateTime FDispatchIDDate = 0;
  TCriticalSection FDispatchLock;

 private:
  bool CallSendMsgHook(Integer MsgType, const String& Msg, const String& Details, const String& TypeName,
                       const TTimeStamp& Stamp, bool& Handled);
  void SendMethod(Integer MsgType, TObject* Obj, const String& MethodName);
  void ObjectToLinesWalk(bool Nested, TObject* Obj, const String& Prefix, TStrings* List,
                         std::vector<TObject*>& Path);
  String PropertyValueText(TObject* Obj, PPropInfo Prop, bool ForDump);
  void SendFileDump(Integer MsgType, const String& Operation, const String& Msg, const String& FileName,
                    const String& TypeName, bool AsHex);
  void ReadDestinationDetails(TReader* Reader);

  std::atomic<bool> FEnabled{true};
  String FDateTimeFormat;
  String FCategory;
  TColor FCategoryColor = 0xFFFFFF;
  TColor FCategoryFontColor = 0;
  Integer FCheckPointCounter = 0;
  std::unique_ptr<TVREventLog> FEventLog;
  std::unique_ptr<TVantrelConnection> FConnection;
  TVantrelDestination* FDestination = nullptr;
};

// The lines of a hexadecimal dump of Stream from its position, eight aligned offsets a
// line; the position is restored afterwards.
void HexDumpStream(TStream* Stream, TStrings* Lines);
// The key's virtual-key constant name ("VK_RETURN"); empty for codes without one.
String KeyName(Word Key);
// "[ssShift, ssCtrl]": the names of the states held, in bit order.
String ShiftStateText(TShiftState Shift);
// The window's properties and style names as SendWindowHandle lists them.
void WindowHandleToLines(HWND Wnd, TStrings* Lines);
// The key (and its subkeys when ProcessSubKeys) as SendRegistry lists it.
void RegistryKeyToLines(HKEY RootKey, const String& Key, bool ProcessSubKeys, TStrings* Lines);
// Bytes as upper-case hexadecimal text, two characters a byte.
String BytesToHexText(const TBytes& Bytes);

// Control characters as [TAB], [LF], [CR] and [#n].
String EscapeNonvisibleChars(const String& Text);
// A text label followed by the Boolean's text, as SendBoolean builds it.
String BooleanLabelText(const String& Msg, bool Value);

// The runtime's assertion procedure while the logging unit runs: logs and/or raises as
// GlobalLogManager.LogAsserts says.
void AssertErrorHandler(const String& Message, const String& FileName, Integer LineNumber);

extern TVantrelManager* GlobalLogManager;
extern TVantrelLogger* GlobalLogger;

// Unit start-up: creates GlobalLogManager, then GlobalLogger, and installs the assertion
// handler; shut-down undoes it in reverse.
void VantrelLoggingInitialize();
void VantrelLoggingFinalize();
extern const TUnitInfo VantrelLoggingUnit;
