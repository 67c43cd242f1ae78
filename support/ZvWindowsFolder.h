// The Windows special folders, resolved once, when the list is first read, and kept in a
// list indexed by fixed WF_ numbers, with the temporary folder and the folder that holds
// the user profiles.
#pragma once

#include <memory>
#include <mutex>

#include "Classes.h"
#include "SysInit.h"

// Indexes into the list (positions, not the shell's CSIDL values).
enum : Integer {
  WF_DESKTOP, WF_INTERNET, WF_PROGRAMS, WF_CONTROLS, WF_PRINTERS, WF_PERSONAL, WF_FAVORITES, WF_STARTUP,
  WF_RECENT, WF_SENDTO, WF_BITBUCKET, WF_STARTMENU, WF_DESKTOPDIRECTORY, WF_DRIVES, WF_NETWORK, WF_NETHOOD,
  WF_FONTS, WF_TEMPLATES, WF_COMMON_STARTMENU, WF_COMMON_PROGRAMS, WF_COMMON_STARTUP,
  WF_COMMON_DESKTOPDIRECTORY, WF_APPDATA, WF_PRINTHOOD, WF_ALTSTARTUP, WF_COMMON_ALTSTARTUP,
  WF_COMMON_FAVORITES, WF_INTERNET_CACHE, WF_COOKIES, WF_HISTORY, WF_MYMUSIC, WF_MYVIDEO, WF_LOCAL_APPDATA,
  WF_COMMON_APPDATA, WF_WINDOWS, WF_SYSTEM, WF_PROGRAM_FILES, WF_MYPICTURES, WF_PROFILE, WF_SYSTEMX86,
  WF_PROGRAM_FILESX86, WF_PROGRAM_FILES_COMMON, WF_COMMON_TEMPLATES, WF_COMMON_DOCUMENTS,
  WF_COMMON_ADMINTOOLS, WF_ADMINTOOLS, WF_COMMON_MUSIC, WF_COMMON_PICTURES, WF_COMMON_VIDEO, WF_RESOURCES,
  WF_CDBURN_AREA,
  WF_TEMP,
};
// The entry after WF_TEMP: the folder that holds the user profiles.
constexpr Integer WindowsFolderUsersIndex = WF_TEMP + 1;
constexpr Integer WindowsFolderCount = WindowsFolderUsersIndex + 1;

class TWindowsFolderList : public TObject {
  DECLARE_CLASS(TWindowsFolderList, TObject)
 public:
  // Resolves the 53 entries in index order.
  TWindowsFolderList();
  ~TWindowsFolderList() override;

  Integer Count() const { return FFolderList->Count(); }
  String CommaText() const { return FFolderList->CommaText(); }
  // The entry, or '' outside the list.
  String GetFolder(Integer Index) const;
  // One line "WF_NAME=>path" per entry up to WF_TEMP, each ending in CR LF.
  String Dump() const;
  // Adds each folder inside the profiles folder (entry 52) to aFolderList, as the base
  // path with a trailing delimiter and the folder's name, all lower-cased when tolower.
  // Adds nothing when the profile folder does not resolve.
  void GetUsersFolderList(TStrings* aFolderList, bool tolower) const;

  // The folder of the shell constant without a trailing delimiter; '' for a folder
  // without a file-system path.
  static String GetSpecialFolderPath(Integer csidl);
  // The temporary folder without a trailing delimiter; '' when it cannot be read.
  static String GetTempFolder();
  // The folder that holds a profile folder: its directory part, '' for an empty path
  // (never the current drive's root).
  static String UsersFolderOf(const String& ProfilePath);
  // The name of an index up to WF_TEMP ("WF_DESKTOP"); '' otherwise.
  static String FolderName(Integer Index);

 private:
  std::unique_ptr<TStringList> FFolderList;
};

// The process-wide list, used as a pointer to it. Asking the shell for some fifty folders
// is slow, so the list is built when it is first read, once, and shared by every reader
// (any thread) until shut-down.
class TWindowsFolderListAccess {
 public:
  TWindowsFolderList* Get() const;
  TWindowsFolderList* operator->() const { return Get(); }
  TWindowsFolderList& operator*() const { return *Get(); }
  operator TWindowsFolderList*() const { return Get(); }
  // Whether a reader has built the list since start-up.
  bool Built() const;
  // Frees the list; the next read builds it again.
  void Reset();

 private:
  mutable std::mutex FLock;                          // guards FList
  mutable std::unique_ptr<TWindowsFolderList> FList;  // built by the first Get
};

extern TWindowsFolderListAccess WindowsFolderList;

// Start-up leaves WindowsFolderList to its first reader; shut-down frees it.
void ZvWindowsFolderInitialize();
void ZvWindowsFolderFinalize();
extern const TUnitInfo ZvWindowsFolderUnit;
