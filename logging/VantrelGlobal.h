// Small services of the logging client: the product's install path, a writer of entries
// into the application event log, the assertion-handling modes, the start-up binding of
// the shell's special-folder function, and text helpers for colours, cursors and
// component names.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Persistent.h"
#include "SysInit.h"

// The registry key (under HKEY_LOCAL_MACHINE) of the logging product's settings.
inline const String VantrelRegistryKey = L"\\Software\\Quillon\\Vantrel\\4.0";

enum TVREventLogEntryType { etInfo, etWarning, etError };
enum TVantrelLogAsserts { laNormal, laVantrel, laBoth };

DECLARE_EXCEPTION(EVREventLogException, Exception)

// Writes entries into the application event log under one source name; the source is
// registered on the first write.
class TVREventLog : public TObject {
  DECLARE_CLASS(TVREventLog, TObject)
 public:
  explicit TVREventLog(const String& SourceName) : FSourceName(SourceName) {}
  ~TVREventLog() override;
  // EVREventLogException when the source name is empty or cannot be registered.
  void WriteEntry(const String& Msg, TVREventLogEntryType EntryType, Cardinal EventId, Word Category);
  const String& SourceName() const { return FSourceName; }
  HANDLE Handle() const { return FHandle; }

 private:
  void OpenEventSource();
  void RegisterEventSourceKey();
  String FSourceName;
  HANDLE FHandle = nullptr;
};

// The "InstallPath" value of the product key; empty when missing.
String GetInstallPath();
// "clRed( 255, 0, 0 )": the colour's identifier (or hexadecimal text) and its RGB bytes.
String ColorToRGBText(TColor Color);
// The cursor's identifier ("crHandPoint"), or its number.
String CursorToString(Integer Cursor);
// Base when TryBase and no component of Owner bears it, else Base followed by the first
// number from 1 on that none bears.
String UniqueComponentName(TComponent* Owner, const String& Base, bool TryBase);

// SHGetSpecialFolderPathW, bound at start-up; nullptr when the shell lacks it.
using TSHGetSpecialFolderPathW = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
extern TSHGetSpecialFolderPathW SHGetSpecialFolderPathProc;

// Unit start-up binds SHGetSpecialFolderPathW from shell32; shut-down frees the library.
void VantrelGlobalInitialize();
void VantrelGlobalFinalize();
extern const TUnitInfo VantrelGlobalUnit;
