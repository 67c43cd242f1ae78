// The path routines of the shell views and the table of the shell's special folders,
// built when first read, through which a name such as a special folder's display name
// becomes an item identifier list.
#pragma once

#include "vxShellCommon.h"

// Option flags: bit 0 non-folders, bit 1 folders, bit 2 hidden items.
DWORD vxShellOptionsToEnumFlags(DWORD Options);
bool vxShellItemPassesFilter(DWORD Options, DWORD Attributes);
bool vxShellPathExists(PItemIDList P);
// An owned relative PIDL of Folder's child named Name, or nil.
TvxPidl vxShellFindChildByName(IShellFolder* Folder, const String& Name, DWORD Options);
// The PIDL of a drive path, UNC path or path relative to RootPidl (whose folder is
// RootFolder); nil when it cannot be resolved or, with AInsideRoot, lies outside the root.
TvxPidl vxShellPathToPidl(const String& Path, IShellFolder* RootFolder, PItemIDList RootPidl,
                          DWORD Options, bool AInsideRoot);
// Resolves P against the root: a nil P becomes a copy of the root's PIDL; with
// AInsideRoot a P outside the root fails; with ACheckExists P must exist.
bool vxShellCheckPidl(TvxPidl& P, IShellFolder* RootFolder, PItemIDList RootPidl, bool ACheckExists,
                      bool AInsideRoot);
// The file-system path (APreferPath) or the names from the desktop joined by "\"; without
// APreferPath, the normal display name of the last item.
String vxShellGetPidlDisplayPath(PItemIDList P, bool APreferPath);

struct TvxShellSpecialFolderInfoTableItem {
  Cardinal Attributes = 0;
  TvxPidl PIDL;
  String PIDLDisplayName;
  String PIDLName;
  String PIDLUpperCaseDisplayName;
};
constexpr int vxShellSpecialFolderCount = 35;
// Entry per CSIDL 0..34; an entry whose folder the shell does not give stays empty.
const TvxShellSpecialFolderInfoTableItem& vxShellSpecialFolder(int Csidl);

extern const TUnitInfo vxShellListViewUnit;
