#include "VantrelGlobal.h"

#include "Registry.h"

TSHGetSpecialFolderPathW SHGetSpecialFolderPathProc = nullptr;

namespace {
HMODULE Shell32Module = nullptr;
}

void VantrelGlobalInitialize() {
  Shell32Module = LoadLibraryW(L"shell32.dll");
  if (Shell32Module)
    SHGetSpecialFolderPathProc = reinterpret_cast<TSHGetSpecialFolderPathW>(
        reinterpret_cast<void*>(GetProcAddress(Shell32Module, "SHGetSpecialFolderPathW")));
}

void VantrelGlobalFinalize() {
  SHGetSpecialFolderPathProc = nullptr;
  if (Shell32Module) FreeLibrary(Shell32Module);
  Shell32Module = nullptr;
}

const TUnitInfo VantrelGlobalUnit = {L"VantrelGlobal", VantrelGlobalInitialize, VantrelGlobalFinalize};

String GetInstallPath() {
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly(VantrelRegistryKey)) return String();
  return reg.ValueExists(L"InstallPath") ? reg.ReadString(L"InstallPath") : String();
}

// ---------------------------------------------------------------------------------------
// TVREventLog

TVREventLog::~TVREventLog() {
  if (FHandle) DeregisterEventSource(FHandle);
}

void TVREventLog::RegisterEventSourceKey() {
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  const String key = L"\\SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\" + FSourceName;
  if (!reg.OpenKey(key, false) && !reg.OpenKey(key, true)) return;
  if (!reg.ValueExists(L"EventMessageFile") || reg.ReadString(L"EventMessageFile").empty()) {
    const String path = GetInstallPath();
    if (!path.empty()) {
      reg.WriteString(L"EventMessageFile", IncludeTrailingPathDelimiter(path) + L"Bin\\VREventLogMessages.dll");
      reg.WriteInteger(L"TypesSupported", 7);
    }
  }
}

void TVREventLog::OpenEventSource() {
  if (FSourceName.empty()) throw EVREventLogException(L"Event log source name not specified");
  RegisterEventSourceKey();
  FHandle = RegisterEventSourceW(nullptr, FSourceName.c_str());
  if (!FHandle) throw EVREventLogException(L"Could not register event source");
}

void TVREventLog::WriteEntry(const String& Msg, TVREventLogEntryType EntryType, Cardinal EventId, Word Category) {
  OSVERSIONINFOW vi{};
  vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&vi);
#pragma GCC diagnostic pop
  if (vi.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
  if (!FHandle) OpenEventSource();
  static constexpr WORD Types[] = {EVENTLOG_INFORMATION_TYPE, EVENTLOG_WARNING_TYPE, EVENTLOG_ERROR_TYPE};
  const wchar_t* strings[] = {Msg.c_str()};
  ReportEventW(FHandle, Types[EntryType], Category, EventId, nullptr, 1, 0, strings, nullptr);
}

// ---------------------------------------------------------------------------------------
// Text helpers

String ColorToRGBText(TColor Color) {
  const Integer rgb = ColorToRGB(Color);
  return Format(L"%s( %d, %d, %d )", {ColorToString(Color), GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)});
}

String CursorToString(Integer Cursor) {
  struct Entry {
    Integer Value;
    const wchar_t* Name;
  };
  static constexpr Entry Cursors[] = {
      {0, L"crDefault"},     {-2, L"crArrow"},      {-3, L"crCross"},     {-4, L"crIBeam"},
      {-6, L"crSizeNESW"},   {-7, L"crSizeNS"},     {-8, L"crSizeNWSE"},  {-9, L"crSizeWE"},
      {-10, L"crUpArrow"},   {-11, L"crHourGlass"}, {-12, L"crDrag"},     {-13, L"crNoDrop"},
      {-14, L"crHSplit"},    {-15, L"crVSplit"},    {-16, L"crMultiDrag"}, {-17, L"crSQLWait"},
      {-18, L"crNo"},        {-19, L"crAppStart"},  {-20, L"crHelp"},     {-21, L"crHandPoint"},
      {-22, L"crSizeAll"},   {-22, L"crSize"}};
  for (const Entry& e : Cursors)
    if (e.Value == Cursor) return e.Name;
  return IntToStr(Cursor);
}

String UniqueComponentName(TComponent* Owner, const String& Base, bool TryBase) {
  auto taken = [Owner](const String& Name) { return Owner && Owner->FindComponent(Name) != nullptr; };
  if (TryBase && !taken(Base)) return Base;
  for (Integer i = 1;; ++i) {
    const String name = Base + IntToStr(i);
    if (!taken(name)) return name;
  }
}
