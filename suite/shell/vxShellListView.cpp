#include "vxShellListView.h"

#include <array>
#include <memory>
#include <mutex>

namespace {
using TSpecialFolderTable = std::array<TvxShellSpecialFolderInfoTableItem, vxShellSpecialFolderCount>;
std::mutex SpecialFoldersLock;                     // guards SpecialFolders and SpecialFoldersReady
std::unique_ptr<TSpecialFolderTable> SpecialFolders;  // built by the first reader
bool SpecialFoldersReady = false;                  // between the unit's start-up and shut-down

// Fills one entry; a folder the shell cannot give or describe leaves the entry empty,
// so that one missing special folder never stops the program's start.
void FillSpecialFolder(int Csidl, TvxShellSpecialFolderInfoTableItem& E) {
  PIDLIST_ABSOLUTE p = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, Csidl, &p)) || !p) return;
  TvxPidl pidl(p);
  PCUITEMID_CHILD items[] = {vxShellPidlLastItem(pidl.get())};
  ULONG attrs = SFGAO_FOLDER | SFGAO_HIDDEN;
  if (FAILED(vxShellDesktop()->GetAttributesOf(1, items, &attrs))) return;
  E.Attributes = attrs & (SFGAO_FOLDER | SFGAO_HIDDEN);
  E.PIDLDisplayName = vxShellGetPidlDisplayPath(pidl.get(), false);
  E.PIDLUpperCaseDisplayName = AnsiUpperCase(E.PIDLDisplayName);
  E.PIDLName = AnsiUpperCase(vxShellPidlToPath(pidl.get()));
  E.PIDL = std::move(pidl);
}

// Asking the shell for 35 folders is slow and most runs never need one: the table is
// built by its first reader, once, and shared until shut-down.
void InitShellListView() {
  std::lock_guard<std::mutex> lock(SpecialFoldersLock);
  SpecialFolders.reset();
  SpecialFoldersReady = true;
}

void FinShellListView() {
  std::unique_ptr<TSpecialFolderTable> old;
  std::lock_guard<std::mutex> lock(SpecialFoldersLock);
  old = std::move(SpecialFolders);
  SpecialFoldersReady = false;
}
}  // namespace

const TUnitInfo vxShellListViewUnit = {L"vxShellListView", InitShellListView, FinShellListView};

const TvxShellSpecialFolderInfoTableItem& vxShellSpecialFolder(int Csidl) {
  static const TvxShellSpecialFolderInfoTableItem Empty;
  if (Csidl < 0 || Csidl >= vxShellSpecialFolderCount) return Empty;
  std::lock_guard<std::mutex> lock(SpecialFoldersLock);
  if (!SpecialFoldersReady) return Empty;
  if (!SpecialFolders) {
    auto table = std::make_unique<TSpecialFolderTable>();
    for (int i = 0; i < vxShellSpecialFolderCount; ++i) FillSpecialFolder(i, (*table)[i]);
    SpecialFolders = std::move(table);
  }
  return (*SpecialFolders)[Csidl];
}

String vxShellGetPidlDisplayPath(PItemIDList P, bool APreferPath) {
  if (APreferPath) {
    String path = vxShellPidlToPath(P);
    if (!path.empty()) return path;
  }
  IShellFolder* folder = vxShellDesktop();
  folder->AddRef();
  String joined, last;
  for (PItemIDList q = P; q && vxShellPidlSize(q) > 0; q = vxShellPidlNext(q)) {
    TvxPidl item = vxShellPidlFirstItem(q);
    last = vxShellGetDisplayName(folder, item.get(), SHGDN_NORMAL);
    joined += (joined.empty() ? L"" : L"\\") + vxShellGetDisplayName(folder, item.get());
    IShellFolder* next = nullptr;
    if (vxShellPidlNext(q) && vxShellPidlSize(vxShellPidlNext(q)) > 0 &&
        FAILED(folder->BindToObject(item.get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&next))))
      next = nullptr;
    folder->Release();
    folder = next;
    if (!folder) break;
  }
  if (folder) folder->Release();
  return APreferPath ? joined : last;
}

bool vxShellCheckPidl(TvxPidl& P, IShellFolder*, PItemIDList RootPidl, bool ACheckExists, bool AInsideRoot) {
  if (!P) {
    P = vxShellPidlCopy(RootPidl);
    return true;
  }
  if (AInsideRoot && !vxShellPidlIsPrefix(RootPidl, P.get())) return false;
  return !ACheckExists || vxShellPathExists(P.get());
}

DWORD vxShellOptionsToEnumFlags(DWORD Options) {
  DWORD r = 0;
  if (Options & 1) r |= SHCONTF_NONFOLDERS;
  if (Options & 2) r |= SHCONTF_FOLDERS;
  if (Options & 4) r |= SHCONTF_INCLUDEHIDDEN;
  return r;
}

bool vxShellItemPassesFilter(DWORD Options, DWORD Attributes) {
  return (!(Attributes & SFGAO_HIDDEN) || (Options & 4)) && ((Attributes & SFGAO_FOLDER) || (Options & 1)) &&
         (!(Attributes & SFGAO_FOLDER) || (Options & 2));
}

bool vxShellPathExists(PItemIDList P) {
  SHFILEINFOW fi{};
  return vxShellGetFileInfo(reinterpret_cast<LPCWSTR>(P), 0, &fi, 0x4009) != 0;
}

namespace {

// The child of Folder whose upper-case in-folder name is AUpperName, found by enumerating
// the folder (relative PIDL; nil when none matches).
TvxPidl FindChildByEnumeration(IShellFolder* Folder, const String& AUpperName, DWORD Options) {
  IEnumIDList* en = nullptr;
  if (!Folder || Folder->EnumObjects(nullptr, vxShellOptionsToEnumFlags(Options), &en) != S_OK || !en) return nullptr;
  TvxComRelease enRef(en);
  PITEMID_CHILD item = nullptr;
  ULONG fetched = 0;
  while (en->Next(1, &item, &fetched) == S_OK && fetched == 1 && item) {
    TvxPidl owned(item);
    if (AnsiUpperCase(vxShellGetDisplayName(Folder, item)) == AUpperName) return owned;
  }
  return nullptr;
}

}  // namespace

TvxPidl vxShellFindChildByName(IShellFolder* Folder, const String& Name, DWORD Options) {
  if (!Folder) return nullptr;
  String parse = Name;
  ULONG eaten = 0, attrs = SFGAO_FOLDER | SFGAO_HIDDEN;
  PIDLIST_RELATIVE p = nullptr;
  if (SUCCEEDED(Folder->ParseDisplayName(nullptr, nullptr, parse.data(), &eaten, &p, &attrs)) && p) {
    TvxPidl r(p);
    return vxShellItemPassesFilter(Options, attrs) ? std::move(r) : nullptr;
  }
  return FindChildByEnumeration(Folder, AnsiUpperCase(Name), Options);
}

namespace {

// Walks the parts of AParts (separated by "\") down from AFolder, whose absolute PIDL is
// AStart: each part names a child by its in-folder name; every part but the last must be
// a folder. No parts at all give an empty PIDL.
TvxPidl WalkNamedParts(IShellFolder* AFolder, TvxPidl AStart, const String& AParts, DWORD Options) {
  std::vector<String> parts;
  for (size_t from = 0; from < AParts.size();) {
    size_t to = AParts.find(L'\\', from);
    if (to == String::npos) to = AParts.size();
    parts.push_back(AParts.substr(from, to - from));
    from = to + 1;
  }
  if (parts.empty()) return vxShellPidlEmpty();
  IShellFolder* folder = AFolder;
  if (!folder) return nullptr;
  folder->AddRef();
  TScopeExit release([&folder] {
    if (folder) folder->Release();
  });
  TvxPidl walked = std::move(AStart);
  for (size_t i = 0; i < parts.size(); ++i) {
    TvxPidl child = FindChildByEnumeration(folder, parts[i], Options);
    if (!child) return nullptr;
    if (i + 1 == parts.size()) return vxShellPidlConcat(walked.get(), child.get());
    PCUITEMID_CHILD items[] = {child.get()};
    ULONG attrs = SFGAO_FOLDER;
    if (FAILED(folder->GetAttributesOf(1, items, &attrs)) || !(attrs & SFGAO_FOLDER)) return nullptr;
    IShellFolder* next = nullptr;
    if (FAILED(folder->BindToObject(child.get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&next))) ||
        !next)
      return nullptr;
    folder->Release();
    folder = next;
    walked = vxShellPidlConcat(walked.get(), child.get());
  }
  return nullptr;
}

// The two namespace prefixes whose paths are walked by name below the desktop or the root.
constexpr const wchar_t* DesktopWalkPrefix = L"::{9C211B58-E6F1-456A-9F22-7B3B418A7BB1}";
constexpr const wchar_t* RootWalkPrefix = L"::{63BE9ADB-E4B5-4623-96AA-57440B4EF5A8}";

}  // namespace

TvxPidl vxShellPathToPidl(const String& Path, IShellFolder* RootFolder, PItemIDList RootPidl, DWORD Options,
                          bool AInsideRoot) {
  if (Path.empty()) return vxShellPidlCopy(RootPidl);
  String s = AnsiUpperCase(Path);
  if (s.size() > 1 && s.back() == L'\\' && s[s.size() - 2] != L':') s.pop_back();
  String rootPath = AnsiUpperCase(vxShellPidlToPath(RootPidl));
  auto isDrivePath = [](const String& t) { return t.size() >= 3 && iswalpha(t[0]) && t[1] == L':' && t[2] == L'\\'; };
  TvxPidl r;
  // The text after the prefix and its backslash: the parts of a walk.
  auto walkParts = [&s] { return s.size() > 41 ? s.substr(41) : String(); };
  if (s.size() >= 2 && iswalpha(s[0]) && s[1] == L':' && (s.size() == 2 || s[2] != L'\\')) {
    return nullptr;  // drive-relative
  } else if (s.starts_with(DesktopWalkPrefix)) {
    r = WalkNamedParts(vxShellDesktop(), vxShellPidlEmpty(), walkParts(), Options);
  } else if (s.starts_with(RootWalkPrefix)) {
    r = WalkNamedParts(RootFolder, vxShellPidlCopy(RootPidl), walkParts(), Options);
  } else if (isDrivePath(s) || s.starts_with(L"\\\\") || (s.size() > 39 && s.starts_with(L"::{"))) {
    r = vxShellFindChildByName(vxShellDesktop(), s, Options);
  } else if (s[0] == L'\\') {
    if (!isDrivePath(rootPath)) return nullptr;
    s = (s.size() == 1 ? rootPath.substr(0, 3) : rootPath.substr(0, 2) + s);
    r = vxShellFindChildByName(vxShellDesktop(), s, Options);
  } else {
    if (TvxPidl child = vxShellFindChildByName(RootFolder, s, Options)) {
      r = vxShellPidlConcat(RootPidl, child.get());
    } else {
      for (int i = 0; i < vxShellSpecialFolderCount && !r; ++i) {
        const auto& e = vxShellSpecialFolder(i);
        if (e.PIDL && e.PIDLUpperCaseDisplayName == s && vxShellItemPassesFilter(Options, e.Attributes))
          r = vxShellPidlCopy(e.PIDL.get());
      }
    }
  }
  if (r && AInsideRoot && !vxShellPidlIsPrefix(RootPidl, r.get())) return nullptr;
  return r;
}

