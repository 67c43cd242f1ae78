#include "ZvWindowsFolder.h"

#include <shlobj.h>

#include <iterator>

TWindowsFolderListAccess WindowsFolderList;

namespace {
struct TFolderEntry {
  const wchar_t* Name;
  int Csidl;
};
// In WF_ index order.
constexpr TFolderEntry Folders[] = {
    {L"WF_DESKTOP", CSIDL_DESKTOP},
    {L"WF_INTERNET", CSIDL_INTERNET},
    {L"WF_PROGRAMS", CSIDL_PROGRAMS},
    {L"WF_CONTROLS", CSIDL_CONTROLS},
    {L"WF_PRINTERS", CSIDL_PRINTERS},
    {L"WF_PERSONAL", CSIDL_PERSONAL},
    {L"WF_FAVORITES", CSIDL_FAVORITES},
    {L"WF_STARTUP", CSIDL_STARTUP},
    {L"WF_RECENT", CSIDL_RECENT},
    {L"WF_SENDTO", CSIDL_SENDTO},
    {L"WF_BITBUCKET", CSIDL_BITBUCKET},
    {L"WF_STARTMENU", CSIDL_STARTMENU},
    {L"WF_DESKTOPDIRECTORY", CSIDL_DESKTOPDIRECTORY},
    {L"WF_DRIVES", CSIDL_DRIVES},
    {L"WF_NETWORK", CSIDL_NETWORK},
    {L"WF_NETHOOD", CSIDL_NETHOOD},
    {L"WF_FONTS", CSIDL_FONTS},
    {L"WF_TEMPLATES", CSIDL_TEMPLATES},
    {L"WF_COMMON_STARTMENU", CSIDL_COMMON_STARTMENU},
    {L"WF_COMMON_PROGRAMS", CSIDL_COMMON_PROGRAMS},
    {L"WF_COMMON_STARTUP", CSIDL_COMMON_STARTUP},
    {L"WF_COMMON_DESKTOPDIRECTORY", CSIDL_COMMON_DESKTOPDIRECTORY},
    {L"WF_APPDATA", CSIDL_APPDATA},
    {L"WF_PRINTHOOD", CSIDL_PRINTHOOD},
    {L"WF_ALTSTARTUP", CSIDL_ALTSTARTUP},
    {L"WF_COMMON_ALTSTARTUP", CSIDL_COMMON_ALTSTARTUP},
    {L"WF_COMMON_FAVORITES", CSIDL_COMMON_FAVORITES},
    {L"WF_INTERNET_CACHE", CSIDL_INTERNET_CACHE},
    {L"WF_COOKIES", CSIDL_COOKIES},
    {L"WF_HISTORY", CSIDL_HISTORY},
    {L"WF_MYMUSIC", CSIDL_MYMUSIC},
    {L"WF_MYVIDEO", CSIDL_MYVIDEO},
    {L"WF_LOCAL_APPDATA", CSIDL_LOCAL_APPDATA},
    {L"WF_COMMON_APPDATA", CSIDL_COMMON_APPDATA},
    {L"WF_WINDOWS", CSIDL_WINDOWS},
    {L"WF_SYSTEM", CSIDL_SYSTEM},
    {L"WF_PROGRAM_FILES", CSIDL_PROGRAM_FILES},
    {L"WF_MYPICTURES", CSIDL_MYPICTURES},
    {L"WF_PROFILE", CSIDL_PROFILE},
    {L"WF_SYSTEMX86", CSIDL_SYSTEMX86},
    {L"WF_PROGRAM_FILESX86", CSIDL_PROGRAM_FILESX86},
    {L"WF_PROGRAM_FILES_COMMON", CSIDL_PROGRAM_FILES_COMMON},
    {L"WF_COMMON_TEMPLATES", CSIDL_COMMON_TEMPLATES},
    {L"WF_COMMON_DOCUMENTS", CSIDL_COMMON_DOCUMENTS},
    {L"WF_COMMON_ADMINTOOLS", CSIDL_COMMON_ADMINTOOLS},
    {L"WF_ADMINTOOLS", CSIDL_ADMINTOOLS},
    {L"WF_COMMON_MUSIC", CSIDL_COMMON_MUSIC},
    {L"WF_COMMON_PICTURES", CSIDL_COMMON_PICTURES},
    {L"WF_COMMON_VIDEO", CSIDL_COMMON_VIDEO},
    {L"WF_RESOURCES", CSIDL_RESOURCES},
    {L"WF_CDBURN_AREA", CSIDL_CDBURN_AREA},
};
static_assert(std::size(Folders) == WF_TEMP);

// An item identifier list from the shell, freed when the scope ends.
class TItemIdList {
 public:
  TItemIdList() = default;
  ~TItemIdList() {
    if (FList) CoTaskMemFree(FList);
  }
  TItemIdList(const TItemIdList&) = delete;
  TItemIdList& operator=(const TItemIdList&) = delete;
  LPITEMIDLIST* Out() { return &FList; }
  LPCITEMIDLIST Get() const { return FList; }

 private:
  LPITEMIDLIST FList = nullptr;
};

// A file search handle closed when the scope ends.
class TFindScope {
 public:
  explicit TFindScope(HANDLE H) : FHandle(H) {}
  ~TFindScope() {
    if (FHandle != INVALID_HANDLE_VALUE) FindClose(FHandle);
  }
  TFindScope(const TFindScope&) = delete;
  TFindScope& operator=(const TFindScope&) = delete;
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};
}  // namespace

TWindowsFolderList::TWindowsFolderList() : FFolderList(std::make_unique<TStringList>()) {
  for (const TFolderEntry& f : Folders) FFolderList->Add(GetSpecialFolderPath(f.Csidl));
  FFolderList->Add(GetTempFolder());
  FFolderList->Add(UsersFolderOf((*FFolderList)[WF_PROFILE]));
}

TWindowsFolderList::~TWindowsFolderList() = default;

String TWindowsFolderList::GetSpecialFolderPath(Integer csidl) {
  TItemIdList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, list.Out())) || !list.Get()) return String();
  wchar_t buf[MAX_PATH + 1] = {};
  if (!SHGetPathFromIDListW(list.Get(), buf)) return String();
  return ExcludeTrailingPathDelimiter(buf);
}

String TWindowsFolderList::UsersFolderOf(const String& ProfilePath) {
  return ProfilePath.empty() ? String() : ExtractFileDir(ProfilePath);
}

String TWindowsFolderList::GetTempFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH, buf);
  if (n == 0 || n > MAX_PATH) return String();
  return ExcludeTrailingPathDelimiter(buf);
}

String TWindowsFolderList::FolderName(Integer Index) {
  if (Index >= 0 && Index < WF_TEMP) return Folders[Index].Name;
  return Index == WF_TEMP ? String(L"WF_TEMP") : String();
}

String TWindowsFolderList::GetFolder(Integer Index) const {
  return Index >= 0 && Index < FFolderList->Count() ? (*FFolderList)[Index] : String();
}

String TWindowsFolderList::Dump() const {
  String r;
  for (Integer i = 0; i <= WF_TEMP; ++i) r += FolderName(i) + L"=>" + GetFolder(i) + L"\r\n";
  return r;
}

void TWindowsFolderList::GetUsersFolderList(TStrings* aFolderList, bool tolower) const {
  const String users = UsersFolderOf(GetFolder(WF_PROFILE));
  if (users.empty()) return;
  const String base = IncludeTrailingPathDelimiter(users);
  WIN32_FIND_DATAW fd{};
  TFindScope find(FindFirstFileW((base + L"*.*").c_str(), &fd));
  if (find.Get() == INVALID_HANDLE_VALUE) return;
  do {
    const String name = fd.cFileName;
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
    aFolderList->Add(tolower ? AnsiLowerCase(base + name) : base + name);
  } while (FindNextFileW(find.Get(), &fd));
}

TWindowsFolderList* TWindowsFolderListAccess::Get() const {
  std::lock_guard<std::mutex> lock(FLock);
  if (!FList) FList = std::make_unique<TWindowsFolderList>();
  return FList.get();
}

bool TWindowsFolderListAccess::Built() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FList != nullptr;
}

void TWindowsFolderListAccess::Reset() {
  std::unique_ptr<TWindowsFolderList> old;
  {
    std::lock_guard<std::mutex> lock(FLock);
    old = std::move(FList);
  }
}

void ZvWindowsFolderInitialize() { WindowsFolderList.Reset(); }

void ZvWindowsFolderFinalize() { WindowsFolderList.Reset(); }

const TUnitInfo ZvWindowsFolderUnit = {L"ZvWindowsFolder", ZvWindowsFolderInitialize, ZvWindowsFolderFinalize};
