#include "vxShellCommon.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <shlwapi.h>
#include <versionhelpers.h>

#include "Controls.h"
#include "vxClasses.h"
#include "vxControls.h"


namespace {
using TSHChangeNotifyRegister = ULONG(WINAPI*)(HWND, int, LONG, UINT, int, const SHChangeNotifyEntry*);
using TSHChangeNotifyDeregister = BOOL(WINAPI*)(ULONG);
using TSHChangeNotificationLock = HANDLE(WINAPI*)(HANDLE, DWORD, PIDLIST_ABSOLUTE**, LONG*);
using TSHChangeNotificationUnlock = BOOL(WINAPI*)(HANDLE);
using TSHGetFolderLocation = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, PIDLIST_ABSOLUTE*);
using TSHGetPathFromIDListW = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);

struct TShellState {
  bool OleInitialized = false;
  CRITICAL_SECTION FileInfoLock;
  HMODULE Shell = nullptr;
  TSHGetFolderLocation GetFolderLocation = nullptr;
  TSHChangeNotifyRegister NotifyRegister = nullptr;
  TSHChangeNotifyDeregister NotifyDeregister = nullptr;
  TSHChangeNotificationLock NotificationLock = nullptr;
  TSHChangeNotificationUnlock NotificationUnlock = nullptr;
  TSHGetPathFromIDListW PathFromIDListW = nullptr;
  IMalloc* Malloc = nullptr;
  IShellFolder* Desktop = nullptr;
  std::atomic<Integer> FileIcon{-1}, FolderIcon{-1}, OpenFolderIcon{-1};
  std::mutex GatherersLock;
  std::vector<TvxShellItemsInfoGatherer*> Gatherers;
};
TShellState* State = nullptr;

template <class F>
F Bind(LPCSTR Name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(State->Shell, Name)));
}

IMalloc* ShellMalloc() {
  if (!State->Malloc && FAILED(SHGetMalloc(&State->Malloc))) State->Malloc = nullptr;
  return State->Malloc;
}

USHORT ItemSize(PItemIDList P) {
  USHORT cb;
  std::memcpy(&cb, P, sizeof cb);
  return cb;
}

// A block of Size item bytes with a terminator and room after it.
TvxPidl AllocPidl(Integer Size) {
  auto* p = static_cast<BYTE*>(ShellMalloc()->Alloc(Size + 4));
  if (!p) throw EvxShellError(L"Out of memory for an item identifier list");
  std::memset(p + Size, 0, 4);
  return TvxPidl(reinterpret_cast<ITEMIDLIST*>(p));
}

void InitShellCommon() {
  State = new TShellState;
  State->OleInitialized = SUCCEEDED(OleInitialize(nullptr));
  InitializeCriticalSection(&State->FileInfoLock);
  State->Shell = LoadLibraryW(L"shell32.dll");
  if (State->Shell) {
    State->GetFolderLocation = Bind<TSHGetFolderLocation>("SHGetFolderLocation");
    State->NotifyRegister = Bind<TSHChangeNotifyRegister>(MAKEINTRESOURCEA(2));
    State->NotifyDeregister = Bind<TSHChangeNotifyDeregister>(MAKEINTRESOURCEA(4));
    State->NotificationLock = Bind<TSHChangeNotificationLock>(MAKEINTRESOURCEA(644));
    State->NotificationUnlock = Bind<TSHChangeNotificationUnlock>(MAKEINTRESOURCEA(645));
    State->PathFromIDListW = Bind<TSHGetPathFromIDListW>("SHGetPathFromIDListW");
  }
}

void FinShellCommon() {
  std::vector<TvxShellItemsInfoGatherer*> live;
  {
    std::lock_guard<std::mutex> lock(State->GatherersLock);
    live = State->Gatherers;
  }
  for (auto* g : live) g->Terminate();
  if (State->Desktop) State->Desktop->Release();
  if (State->Malloc) State->Malloc->Release();
  if (State->Shell) FreeLibrary(State->Shell);
  DeleteCriticalSection(&State->FileInfoLock);
  if (State->OleInitialized) OleUninitialize();
  delete State;
  State = nullptr;
}

}  // namespace

const TUnitInfo vxShellCommonUnit = {L"vxShellCommon", InitShellCommon, FinShellCommon};

// --- PIDLs ----------------------------------------------------------------------------------

void TvxPidlDeleter::operator()(ITEMIDLIST* P) const { vxShellPidlFree(P); }

PItemIDList vxShellPidlNext(PItemIDList P) {
  if (!P || ItemSize(P) == 0) return nullptr;
  return reinterpret_cast<PItemIDList>(reinterpret_cast<BYTE*>(P) + ItemSize(P));
}

Integer vxShellPidlSize(PItemIDList P) {
  Integer size = 0;
  for (; P && ItemSize(P) != 0; P = vxShellPidlNext(P)) size += ItemSize(P);
  return size;
}

Integer vxShellPidlItemCount(PItemIDList P) {
  Integer count = 0;
  for (; P && ItemSize(P) != 0; P = vxShellPidlNext(P))
    if (++count > MAX_PATH) return -1;
  return count;
}

TvxPidl vxShellPidlCopy(PItemIDList P) {
  if (!P) return nullptr;
  Integer size = vxShellPidlSize(P);
  TvxPidl r = AllocPidl(size);
  std::memcpy(r.get(), P, size);
  return r;
}

void vxShellPidlFree(PItemIDList P) {
  // After shut-down the allocator is gone; the system frees the memory with the process.
  if (P && State && ShellMalloc()) ShellMalloc()->Free(P);
}

TvxPidl vxShellPidlConcat(PItemIDList P1, PItemIDList P2) {
  if (!P1) return vxShellPidlCopy(P2);
  if (!P2) return vxShellPidlCopy(P1);
  Integer s1 = vxShellPidlSize(P1), s2 = vxShellPidlSize(P2);
  TvxPidl r = AllocPidl(s1 + s2);
  std::memcpy(r.get(), P1, s1);
  std::memcpy(reinterpret_cast<BYTE*>(r.get()) + s1, P2, s2);
  return r;
}

TvxPidl vxShellPidlParent(PItemIDList P) {
  if (!P) return nullptr;
  Integer size = static_cast<Integer>(reinterpret_cast<BYTE*>(vxShellPidlLastItem(P)) - reinterpret_cast<BYTE*>(P));
  TvxPidl r = AllocPidl(size);
  std::memcpy(r.get(), P, size);
  return r;
}

TvxPidl vxShellPidlFirstItem(PItemIDList P) {
  if (!P || ItemSize(P) == 0) return nullptr;
  TvxPidl r = AllocPidl(ItemSize(P));
  std::memcpy(r.get(), P, ItemSize(P));
  return r;
}

PItemIDList vxShellPidlLastItem(PItemIDList P) {
  PItemIDList last = P;
  for (PItemIDList q = P; q && ItemSize(q) != 0; q = vxShellPidlNext(q)) last = q;
  return last;
}

TvxPidl vxShellPidlEmpty() { return AllocPidl(0); }

namespace {
// The shell's own identity test for two absolute PIDLs of the same length. Items of the
// file system carry the file's times, so two PIDLs read at different moments of one
// folder differ in their bytes while naming the same folder.
bool SameByShell(PItemIDList P1, PItemIDList P2) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return false;
  TvxComRelease release(desktop);
  HRESULT hr = desktop->CompareIDs(0, P1, P2);
  return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
}
}  // namespace

bool vxShellPidlEqual(PItemIDList P1, PItemIDList P2) {
  if (P1 == P2) return true;
  if (!P1 || !P2) return false;
  Integer s = vxShellPidlSize(P1);
  if (s == vxShellPidlSize(P2) && std::memcmp(P1, P2, s) == 0) return true;
  return vxShellPidlItemCount(P1) == vxShellPidlItemCount(P2) && SameByShell(P1, P2);
}

bool vxShellPidlIsPrefix(PItemIDList P1, PItemIDList P2) {
  Integer s1 = vxShellPidlSize(P1);
  if (s1 == 0) return true;
  if (!P2) return false;
  // Compare whole items so that a prefix never ends inside an item of P2.
  PItemIDList a = P1, b = P2;
  bool sameBytes = true;
  while (a && ItemSize(a) != 0) {
    if (!b || ItemSize(b) == 0) return false;
    if (sameBytes && (ItemSize(b) != ItemSize(a) || std::memcmp(a, b, ItemSize(a)) != 0)) sameBytes = false;
    a = vxShellPidlNext(a);
    b = vxShellPidlNext(b);
  }
  if (sameBytes) return true;
  // Same length, other bytes: the leading items of P2 may still name P1's folder.
  Integer head = static_cast<Integer>(reinterpret_cast<BYTE*>(b) - reinterpret_cast<BYTE*>(P2));
  TvxPidl prefix = AllocPidl(head);
  std::memcpy(prefix.get(), P2, head);
  return SameByShell(P1, prefix.get());
}

// --- names, paths, icons --------------------------------------------------------------------

IShellFolder* vxShellDesktop() {
  if (!State->Desktop) {
    HRESULT hr = SHGetDesktopFolder(&State->Desktop);
    if (FAILED(hr) || !State->Desktop) {
      State->Desktop = nullptr;
      throw EvxShellError(SysErrorMessage(static_cast<DWORD>(hr)));
    }
  }
  return State->Desktop;
}

String vxShellStrRetToString(STRRET& StrRet, PItemIDList Pidl) {
  switch (StrRet.uType) {
    case STRRET_WSTR: {
      String s = StrRet.pOleStr ? StrRet.pOleStr : L"";
      if (StrRet.pOleStr) ShellMalloc()->Free(StrRet.pOleStr);
      StrRet.pOleStr = nullptr;
      return s;
    }
    case STRRET_OFFSET: {
      if (!Pidl) return L"";
      const char* a = reinterpret_cast<const char*>(Pidl) + StrRet.uOffset;
      int n = MultiByteToWideChar(CP_ACP, 0, a, -1, nullptr, 0);
      String s(n > 0 ? n - 1 : 0, L'\0');
      if (n > 1) MultiByteToWideChar(CP_ACP, 0, a, -1, s.data(), n);
      return s;
    }
    case STRRET_CSTR: {
      char buf[MAX_PATH + 1];
      std::memcpy(buf, StrRet.cStr, MAX_PATH);
      buf[MAX_PATH] = 0;
      wchar_t w[MAX_PATH + 1];
      int n = MultiByteToWideChar(CP_ACP, 0, buf, -1, w, MAX_PATH + 1);
      return n > 0 ? String(w) : String();
    }
    default:
      return L"";
  }
}

String vxShellGetDisplayName(IShellFolder* Folder, PItemIDList Pidl, DWORD Flags) {
  if (!Folder) return L"";
  STRRET sr{};
  if (FAILED(Folder->GetDisplayNameOf(Pidl, Flags, &sr))) return L"";
  return vxShellStrRetToString(sr, Pidl);
}

String vxShellPidlToPath(PItemIDList P) {
  if (!P) return L"";
  if (State->PathFromIDListW) {
    wchar_t buf[MAX_PATH + 1] = {};
    return State->PathFromIDListW(P, buf) ? String(buf) : String();
  }
  char buf[MAX_PATH + 1] = {};
  if (!SHGetPathFromIDListA(P, buf)) return L"";
  wchar_t w[MAX_PATH + 1];
  return MultiByteToWideChar(CP_ACP, 0, buf, -1, w, MAX_PATH + 1) > 0 ? String(w) : String();
}

DWORD_PTR vxShellGetFileInfo(LPCWSTR Path, DWORD Attributes, SHFILEINFOW* Info, UINT Flags) {
  EnterCriticalSection(&State->FileInfoLock);
  DWORD_PTR r = SHGetFileInfoW(Path, Attributes, Info, sizeof(SHFILEINFOW), Flags);
  LeaveCriticalSection(&State->FileInfoLock);
  return r;
}

HRESULT vxShellGetFolderLocation(HWND Wnd, int Csidl, TvxPidl& Pidl) {
  PIDLIST_ABSOLUTE p = nullptr;
  HRESULT hr = State->GetFolderLocation ? State->GetFolderLocation(Wnd, Csidl, nullptr, 0, &p)
                                        : SHGetSpecialFolderLocation(Wnd, Csidl, &p);
  Pidl.reset(SUCCEEDED(hr) ? p : nullptr);
  return hr;
}

namespace {
Integer CachedIcon(std::atomic<Integer>& Cache, LPCWSTR Name, DWORD Attributes, UINT Flags) {
  if (Cache.load() == -1) {
    SHFILEINFOW fi{};
    if (vxShellGetFileInfo(Name, Attributes, &fi, Flags)) Cache = fi.iIcon;
  }
  return Cache.load();
}
}  // namespace

Integer vxShellGetDefaultFileIcon() {
  return CachedIcon(State->FileIcon, L"C:\\VXDUMMYFILE.TXT", FILE_ATTRIBUTE_NORMAL, 0x4010);
}
Integer vxShellGetDefaultFolderIcon() {
  return CachedIcon(State->FolderIcon, L"C:\\VXDUMMYFOLDER", FILE_ATTRIBUTE_DIRECTORY, 0x4010);
}
Integer vxShellGetDefaultOpenFolderIcon() {
  return CachedIcon(State->OpenFolderIcon, L"C:\\VXDUMMYFOLDER", FILE_ATTRIBUTE_DIRECTORY, 0x4012);
}

namespace {
// The version of the loaded comctl32, major in the high word, minor in the low.
DWORD ComCtlPackedVersion() {
  HMODULE lib = GetModuleHandleW(L"comctl32.dll");
  if (!lib) return 0;
  using TDllGetVersion = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
  auto get = reinterpret_cast<TDllGetVersion>(reinterpret_cast<void*>(GetProcAddress(lib, "DllGetVersion")));
  DLLVERSIONINFO v{};
  v.cbSize = sizeof(v);
  if (!get || FAILED(get(&v))) return 0;
  return (v.dwMajorVersion << 16) | (v.dwMinorVersion & 0xFFFF);
}
}  // namespace

Integer vxShellGetOverlayIndex(TvxShellItemInfo* AItem) {
  static const DWORD version = ComCtlPackedVersion();
  if (version >= 0x50050) {
    SHFILEINFOW fi{};
    if (!vxShellGetFileInfo(reinterpret_cast<LPCWSTR>(AItem->FullPIDL()), 0, &fi,
                            SHGFI_PIDL | SHGFI_ICON | SHGFI_OVERLAYINDEX))
      return -1;
    if (fi.hIcon) DestroyIcon(fi.hIcon);
    return static_cast<Integer>((static_cast<DWORD>(fi.iIcon) >> 24) & 0xFF) - 1;
  }
  if (AItem->IsLink()) return 1;
  return AItem->IsShare() ? 0 : -1;
}

IShellFolder* vxShellBindFolder(PItemIDList P) {
  IShellFolder* desktop = vxShellDesktop();
  if (!P || vxShellPidlSize(P) == 0) {
    desktop->AddRef();
    return desktop;
  }
  IShellFolder* f = nullptr;
  if (FAILED(desktop->BindToObject(P, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&f)))) return nullptr;
  return f;
}

bool vxShellHasSubItems(IShellFolder* Folder, PItemIDList P, DWORD EnumFlags) {
  if (!Folder || !P) return false;
  PItemIDList last = vxShellPidlLastItem(P);
  PCUITEMID_CHILD items[] = {last};
  ULONG attrs = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
  if (FAILED(Folder->GetAttributesOf(1, items, &attrs)) || !(attrs & SFGAO_FOLDER)) return false;
  if (!(EnumFlags & SHCONTF_NONFOLDERS)) return (attrs & SFGAO_HASSUBFOLDER) != 0;
  String path = vxShellPidlToPath(P);
  if (!path.empty()) {
    ULONG eaten = 0;
    PIDLIST_RELATIVE parsed = nullptr;
    String parse = path;
    if (SUCCEEDED(vxShellDesktop()->ParseDisplayName(nullptr, nullptr, parse.data(), &eaten, &parsed, nullptr)) &&
        parsed) {
      vxShellPidlFree(parsed);
      if (!path.empty() && path.back() == L'\\') path.pop_back();
      DWORD mask = 0x25;
      if (EnumFlags & SHCONTF_FOLDERS) mask |= FILE_ATTRIBUTE_DIRECTORY;
      if (EnumFlags & SHCONTF_INCLUDEHIDDEN) mask |= FILE_ATTRIBUTE_HIDDEN;
      WIN32_FIND_DATAW fd;
      HANDLE h = FindFirstFileW((path + L"\\*.*").c_str(), &fd);
      bool found = false;
      if (h != INVALID_HANDLE_VALUE) {
        do {
          if (std::wcscmp(fd.cFileName, L".") == 0 || std::wcscmp(fd.cFileName, L"..") == 0) continue;
          // Plain files (no attribute bits) always count; others when the mask lets them.
          DWORD a = fd.dwFileAttributes & ~(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
          bool dir = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
          bool hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0;
          if ((dir && !(mask & FILE_ATTRIBUTE_DIRECTORY)) || (hidden && !(mask & FILE_ATTRIBUTE_HIDDEN))) continue;
          found = true;
        } while (!found && FindNextFileW(h, &fd));
        FindClose(h);
      }
      return found;
    }
  }
  if (attrs & SFGAO_HASSUBFOLDER) return true;
  IShellFolder* sub = nullptr;
  if (FAILED(Folder->BindToObject(last, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub))) || !sub)
    return false;
  TvxComRelease subRef(sub);
  IEnumIDList* en = nullptr;
  if (sub->EnumObjects(nullptr, EnumFlags, &en) != S_OK || !en) return false;
  TvxComRelease enRef(en);
  PITEMID_CHILD item = nullptr;
  ULONG fetched = 0;
  bool r = en->Next(1, &item, &fetched) == S_OK && fetched == 1;
  if (item) vxShellPidlFree(item);
  return r;
}

// --- context menu ------------------------------------------------------------------------

namespace {
// Owns the popup while a context menu that draws its own items is open: the menu's
// drawing and sub-menu messages go back to the menu object.
class TvxContextMenuMessageWindow : public TvxMessageWindow {
  DECLARE_CLASS(TvxContextMenuMessageWindow, TvxMessageWindow)
 public:
  explicit TvxContextMenuMessageWindow(IContextMenu2* AContextMenu) : FContextMenu(AContextMenu) {}
  void HandleMessage(TMessage& Message) override {
    switch (Message.Msg) {
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
        FContextMenu->HandleMenuMsg(Message.Msg, Message.WParam, Message.LParam);
        Message.Result = 1;
        return;
      case WM_INITMENUPOPUP:
        FContextMenu->HandleMenuMsg(Message.Msg, Message.WParam, Message.LParam);
        Message.Result = 0;
        return;
      default:
        inherited::HandleMessage(Message);
    }
  }

 private:
  IContextMenu2* FContextMenu;
};

}  // namespace

void vxShellShowContextMenu(HWND Owner, IShellFolder* Folder, const std::vector<PItemIDList>& Items, POINT ScreenPos) {
  if (!Folder || Items.empty()) return;
  std::vector<PCUITEMID_CHILD> array(Items.begin(), Items.end());
  IContextMenu* menu = nullptr;
  if (FAILED(Folder->GetUIObjectOf(Owner, static_cast<UINT>(array.size()), array.data(), IID_IContextMenu, nullptr,
                                   reinterpret_cast<void**>(&menu))) ||
      !menu)
    return;
  TvxComRelease menuRef(menu);
  THandleScope<HMENU, &DestroyMenu> popup(CreatePopupMenu());
  if (!popup.Get() || FAILED(menu->QueryContextMenu(popup.Get(), 0, 1, 0x7FFF, CMF_NORMAL))) return;
  IContextMenu2* menu2 = nullptr;
  if (FAILED(menu->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&menu2)))) menu2 = nullptr;
  TvxComRelease menu2Ref(menu2);
  std::unique_ptr<TvxContextMenuMessageWindow> window;
  if (menu2) window = std::make_unique<TvxContextMenuMessageWindow>(menu2);
  HWND owner = window ? window->Handle() : Owner;
  UINT command = static_cast<UINT>(
      TrackPopupMenu(popup.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, ScreenPos.x, ScreenPos.y, 0, owner, nullptr));
  if (command == 0) return;
  CMINVOKECOMMANDINFO info{};
  // The structure's own size: on 64-bit Windows it is larger than on 32-bit.
  info.cbSize = sizeof info;
  info.hwnd = Owner;
  info.lpVerb = MAKEINTRESOURCEA(command - 1);
  info.nShow = SW_SHOWNORMAL;
  menu->InvokeCommand(&info);
}

// --- drag and drop ----------------------------------------------------------------------

void TvxDragDropSettings::DeclarePublished(TPublisher<TvxDragDropSettings>& P) {
  using C = TvxDragDropSettings;
  P.Property(L"AllowDragObjects", &C::AllowDragObjects, &C::SetAllowDragObjects).Default(true);
  P.Property(L"DefaultDropEffect", &C::DefaultDropEffect, &C::SetDefaultDropEffect).Default(deMove);
  P.Property(L"DropEffect", &C::DropEffect, &C::SetDropEffect).Default(TvxDropEffects{deCopy, deMove, deLink});
  P.Property(L"Scroll", &C::Scroll, &C::SetScroll).Default(false);
}

void TvxDragDropSettings::SetAllowDragObjects(bool Value) {
  if (FAllowDragObjects == Value) return;
  FAllowDragObjects = Value;
  if (OnChange) OnChange(this);
}

DWORD TvxDragDropSettings::DefaultDropEffectAPI() const {
  switch (FDefaultDropEffect) {
    case deCopy: return DROPEFFECT_COPY;
    case deMove: return DROPEFFECT_MOVE;
    case deLink: return DROPEFFECT_LINK;
  }
  return DROPEFFECT_NONE;
}

DWORD TvxDragDropSettings::DropEffectAPI() const {
  DWORD r = 0;
  if (FDropEffect.Contains(deCopy)) r |= DROPEFFECT_COPY;
  if (FDropEffect.Contains(deMove)) r |= DROPEFFECT_MOVE;
  if (FDropEffect.Contains(deLink)) r |= DROPEFFECT_LINK;
  return r;
}

void TvxDragDropSettings::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TvxDragDropSettings*>(Source)) {
    FDefaultDropEffect = s->FDefaultDropEffect;
    FDropEffect = s->FDropEffect;
    FScroll = s->FScroll;
    SetAllowDragObjects(s->FAllowDragObjects);
  } else {
    TPersistent::Assign(Source);
  }
}

HRESULT STDMETHODCALLTYPE TvxDropSource::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
    *ppv = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TvxDropSource::Release() {
  ULONG n = --FRefCount;
  if (n == 0) delete this;
  return n;
}

HRESULT STDMETHODCALLTYPE TvxDropSource::QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) {
  if (fEscapePressed) return DRAGDROP_S_CANCEL;
  if (!(grfKeyState & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TvxDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

TvxShellViewDropTarget::~TvxShellViewDropTarget() {
  if (FCurrentTarget) FCurrentTarget->Release();
  if (FDraggedObject) FDraggedObject->Release();
}

HRESULT STDMETHODCALLTYPE TvxShellViewDropTarget::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
    *ppv = static_cast<IDropTarget*>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

void TvxShellViewDropTarget::SetCurrentTarget(IDropTarget* Target) {
  if (FCurrentTarget) FCurrentTarget->Release();
  FCurrentTarget = Target;
}

void TvxShellViewDropTarget::LeaveTarget(bool CallDragLeave) {
  if (IDropTarget* t = FCurrentTarget) {
    FCurrentTarget = nullptr;
    if (CallDragLeave) t->DragLeave();
    t->Release();
  }
  UnmarkTarget();
}

void TvxShellViewDropTarget::ForgetDraggedObject() {
  if (FDraggedObject) FDraggedObject->Release();
  FDraggedObject = nullptr;
}

HRESULT STDMETHODCALLTYPE TvxShellViewDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                                                            DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  ForgetDraggedObject();
  FDraggedObject = pDataObj;
  if (pDataObj) pDataObj->AddRef();
  UpdateTarget(pt);
  *pdwEffect = DefaultDropEffect();
  if (IDropTarget* t = FCurrentTarget) return t->DragEnter(pDataObj, grfKeyState, pt, pdwEffect);
  *pdwEffect = DROPEFFECT_NONE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TvxShellViewDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  const bool changed = UpdateTarget(pt);
  IDropTarget* t = FCurrentTarget;
  if (!t) {
    *pdwEffect = DROPEFFECT_NONE;
    return S_OK;
  }
  if (changed) {
    DWORD effect = *pdwEffect;
    HRESULT hr = t->DragEnter(FDraggedObject, grfKeyState, pt, &effect);
    if (FAILED(hr)) return hr;
  }
  return t->DragOver(grfKeyState, pt, pdwEffect);
}

HRESULT STDMETHODCALLTYPE TvxShellViewDropTarget::DragLeave() {
  ForgetDraggedObject();
  LeaveTarget(true);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TvxShellViewDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                                                       DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  const bool changed = UpdateTarget(pt);
  HRESULT hr = S_OK;
  if (IDropTarget* t = FCurrentTarget) {
    DWORD effect = *pdwEffect;
    if (changed) hr = t->DragEnter(pDataObj, grfKeyState, pt, &effect);
    if (SUCCEEDED(hr)) hr = t->Drop(pDataObj, grfKeyState, pt, pdwEffect);
  } else {
    *pdwEffect = DROPEFFECT_NONE;
  }
  Dropped();
  ForgetDraggedObject();
  // The target has had its Drop: it is released without a DragLeave.
  LeaveTarget(false);
  return hr;
}

IDropTarget* vxShellItemDropTarget(HWND Wnd, IShellFolder* Parent, TvxShellItemInfo* Item) {
  if (!Parent || !Item) return nullptr;
  IDropTarget* target = nullptr;
  void** out = reinterpret_cast<void**>(&target);
  PCUITEMID_CHILD items[] = {Item->pidl()};
  if (Item->IsFolder()) {
    IShellFolder* sub = nullptr;
    if (SUCCEEDED(Parent->BindToObject(Item->pidl(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub))) &&
        sub) {
      TvxComRelease subRef(sub);
      if (FAILED(sub->CreateViewObject(Wnd, IID_IDropTarget, out))) target = nullptr;
    }
  } else if (FAILED(Parent->GetUIObjectOf(Wnd, 1, items, IID_IDropTarget, nullptr, out))) {
    target = nullptr;
  }
  return target;
}

bool vxShellDragItems(HWND Wnd, IShellFolder* Folder, const std::vector<PItemIDList>& Items, DWORD AllowedEffects,
                      DWORD* Effect) {
  if (Effect) *Effect = DROPEFFECT_NONE;
  if (!Folder || Items.empty()) return false;
  std::vector<PCUITEMID_CHILD> children(Items.begin(), Items.end());
  IDataObject* data = nullptr;
  if (FAILED(Folder->GetUIObjectOf(Wnd, static_cast<UINT>(children.size()), children.data(), IID_IDataObject, nullptr,
                                   reinterpret_cast<void**>(&data))) ||
      !data)
    return false;
  TvxComRelease dataRef(data);
  auto* source = new TvxDropSource;  // one reference, given back below
  TvxComRelease sourceRef(source);
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(data, source, AllowedEffects, &effect);
  if (Effect) *Effect = effect;
  return true;
}

// --- change notification -----------------------------------------------------------------

void vxShellRegisterChangeNotify(PItemIDList P, HWND Wnd, UINT Msg, TvxShellChangeNotifierData& Data,
                                 bool Recursive) {
  if (Data.Handle != 0 && vxShellPidlEqual(Data.Pidl.get(), P)) return;
  vxShellUnregisterChangeNotify(Data);
  if (!State->NotifyRegister || !P) return;
  TvxPidl copy = vxShellPidlCopy(P);
  SHChangeNotifyEntry entry{copy.get(), Recursive ? TRUE : FALSE};
  Data.Handle = State->NotifyRegister(Wnd, 0x8003, static_cast<LONG>(vxShellChangeEvents), Msg, 1, &entry);
  // Only a live registration keeps its folder: a failed one is retried by the next call.
  if (Data.Handle != 0) Data.Pidl = std::move(copy);
}

void vxShellUnregisterChangeNotify(TvxShellChangeNotifierData& Data) {
  if (Data.Handle != 0 && State->NotifyDeregister) State->NotifyDeregister(Data.Handle);
  Data.Handle = 0;
  Data.Pidl.reset();
}

bool vxShellLockChangeNotification(WPARAM WParam, LPARAM LParam, LONG& EventId, TvxPidl& Pidl1, TvxPidl& Pidl2) {
  if (!State->NotificationLock || !State->NotificationUnlock) return false;
  PIDLIST_ABSOLUTE* pidls = nullptr;
  EventId = 0;
  HANDLE lock = State->NotificationLock(reinterpret_cast<HANDLE>(WParam), static_cast<DWORD>(LParam), &pidls, &EventId);
  if (!lock) return false;
  TScopeExit unlock([lock] { State->NotificationUnlock(lock); });
  Pidl1 = pidls ? vxShellPidlCopy(pidls[0]) : nullptr;
  Pidl2 = pidls ? vxShellPidlCopy(pidls[1]) : nullptr;
  return true;
}

// --- TvxShellFolder --------------------------------------------------------------------------

TvxShellFolder::TvxShellFolder(PItemIDList AAbsolutePIDL) : FAbsolutePIDL(AAbsolutePIDL) {
  if (vxShellPidlItemCount(AAbsolutePIDL) > 1) {
    TvxPidl parent = vxShellPidlParent(AAbsolutePIDL);
    FParentShellFolder = vxShellBindFolder(parent.get());
    FRelativePIDL = vxShellPidlCopy(vxShellPidlLastItem(AAbsolutePIDL));
  } else {
    FParentShellFolder = vxShellDesktop();
    FParentShellFolder->AddRef();
    FRelativePIDL = vxShellPidlCopy(AAbsolutePIDL);
  }
}

TvxShellFolder::~TvxShellFolder() {
  if (FParentShellFolder) FParentShellFolder->Release();
}

DWORD TvxShellFolder::QueryAttributes(DWORD Mask) const {
  if (!FParentShellFolder || !FRelativePIDL) return 0;
  PCUITEMID_CHILD items[] = {FRelativePIDL.get()};
  ULONG a = Mask;
  return SUCCEEDED(FParentShellFolder->GetAttributesOf(1, items, &a)) ? (a & Mask) : 0;
}

bool TvxShellFolder::IsFolder() const { return QueryAttributes(SFGAO_FOLDER) != 0; }
bool TvxShellFolder::SubFolders() const { return QueryAttributes(SFGAO_HASSUBFOLDER) != 0; }
String TvxShellFolder::DisplayName() const { return vxShellGetDisplayName(FParentShellFolder, FRelativePIDL.get()); }

String TvxShellFolder::PathName() const {
  String s = vxShellGetDisplayName(vxShellDesktop(), FAbsolutePIDL, SHGDN_FORPARSING);
  if (s.starts_with(L"::{")) s = vxShellGetDisplayName(vxShellDesktop(), FAbsolutePIDL, SHGDN_NORMAL);
  return s;
}

// --- TvxShellItemInfo ------------------------------------------------------------------------

TvxShellItemInfo::TvxShellItemInfo(TvxCustomItemProducer* AItemProducer, IShellFolder* AParentIFolder,
                                   PItemIDList AParentPIDL, PItemIDList APIDL, bool AFast)
    : FItemProducer(AItemProducer) {
  Fpidl = vxShellPidlCopy(APIDL);
  if (AFast) {
    FName = L" ";
    FIconIndex = vxShellGetDefaultFileIcon();
    FOpenIconIndex = FIconIndex.load();
  } else {
    CheckInitialize(AParentIFolder, APIDL);
  }
  FFullPIDL = vxShellPidlConcat(AParentPIDL, APIDL);
  FFolder = std::make_unique<TvxShellFolder>(FFullPIDL.get());
}

TvxShellItemInfo::~TvxShellItemInfo() = default;

void TvxShellItemInfo::CheckInitialize(IShellFolder* AIFolder, PItemIDList APIDL) {
  if (FInitialized) return;
  PCUITEMID_CHILD items[] = {APIDL};
  ULONG a = SFGAO_FOLDER;
  if (!AIFolder || FAILED(AIFolder->GetAttributesOf(1, items, &a))) {
    FIsFolder = false;
    FIsFilesystem = false;
    FIsDropTarget = true;
    FCanRename = true;
  } else {
    FIsFolder = (a & SFGAO_FOLDER) != 0;
  }
  FHasSubfolder = FIsFolder.load();
  FName = vxShellGetDisplayName(AIFolder, APIDL);
  if (FIsFolder) {
    FIconIndex = vxShellGetDefaultFolderIcon();
    FOpenIconIndex = vxShellGetDefaultOpenFolderIcon();
  } else {
    FIconIndex = vxShellGetDefaultFileIcon();
    FOpenIconIndex = FIconIndex.load();
  }
  FInitialized = true;
}

void TvxShellItemInfo::CheckUpdate(IShellFolder* ShellFolder, PItemIDList FolderPidl, bool Fast) {
  if (FUpdated) return;
  // Claim the item: of the UI thread and the fetch thread only one fills it.
  if (FUpdating.exchange(true)) return;
  TScopeExit release([this] { FUpdating = false; });
  if (FUpdated) return;
  if (!Fpidl) throw EvxShellError(L"Item object not initialized");
  TvxPidl full = vxShellPidlConcat(FolderPidl, Fpidl.get());
  CheckInitialize(ShellFolder, Fpidl.get());
  SHFILEINFOW fi{};
  LPCWSTR fullArg = reinterpret_cast<LPCWSTR>(full.get());
  if (Fast) {
    if (FIsFolder) {
      if (vxShellGetFileInfo(fullArg, 0, &fi, 0x4008)) FIconIndex = fi.iIcon;
    } else {
      if (vxShellGetFileInfo(FName.c_str(), FILE_ATTRIBUTE_NORMAL, &fi, 0x4010)) FIconIndex = fi.iIcon;
      if (vxShellGetFileInfo(FName.c_str(), FILE_ATTRIBUTE_NORMAL, &fi, 0x4012)) FOpenIconIndex = fi.iIcon;
    }
    return;
  }
  PCUITEMID_CHILD items[] = {Fpidl.get()};
  ULONG a = 0;
  if (ShellFolder && SUCCEEDED(ShellFolder->GetAttributesOf(1, items, &a))) FIsFilesystem = (a & SFGAO_FILESYSTEM) != 0;
  a = 0x20B0000;
  if (ShellFolder && SUCCEEDED(ShellFolder->GetAttributesOf(1, items, &a))) {
    FIsGhosted = (a & SFGAO_HIDDEN) != 0;
    FIsShare = (a & SFGAO_SHARE) != 0;
    FIsLink = (a & SFGAO_LINK) != 0;
    FIsRemovable = (a & SFGAO_REMOVABLE) != 0;
  }
  a = 0x177;
  if (ShellFolder && SUCCEEDED(ShellFolder->GetAttributesOf(1, items, &a))) {
    FIsDropTarget = (a & SFGAO_DROPTARGET) != 0;
    FCanRename = (a & SFGAO_CANRENAME) != 0;
  }
  if (vxShellGetFileInfo(fullArg, 0, &fi, 0x4408)) FIconIndex = fi.iIcon;
  if (FIsFolder) {
    if (vxShellGetFileInfo(fullArg, 0, &fi, 0x440A)) FOpenIconIndex = fi.iIcon;
  } else {
    FOpenIconIndex = FIconIndex.load();
  }
  FUpdated = true;
}

void TvxShellItemInfo::CheckSubitems(IShellFolder* AParentIFolder, DWORD AEnumSettings) {
  FHasSubfolder = vxShellHasSubItems(AParentIFolder, FFullPIDL.get(), AEnumSettings);
}

void TvxShellItemInfo::SetNewPidl(IShellFolder* pFolder, PItemIDList FolderPidl, PItemIDList apidl) {
  if (!apidl) return;
  Fpidl = vxShellPidlCopy(apidl);
  FUpdated = false;
  CheckUpdate(pFolder, FolderPidl, false);
}

void TvxShellItemInfo::FetchDetails(HWND, IShellFolder* ShellFolder, TvxShellDetails* DetailsMap) {
  FDetails.clear();
  if (!ShellFolder || !DetailsMap) return;
  IShellFolder2* folder2 = nullptr;
  IShellDetails* details = nullptr;
  if (FAILED(ShellFolder->QueryInterface(IID_IShellFolder2, reinterpret_cast<void**>(&folder2)))) folder2 = nullptr;
  if (!folder2 && FAILED(vxShellGetShellDetails(ShellFolder, Fpidl.get(), details))) details = nullptr;
  TScopeExit release([folder2, details] {
    if (folder2) folder2->Release();
    if (details) details->Release();
  });
  if (!folder2 && !details) return;
  for (Integer i = 0; i < DetailsMap->Count(); ++i) {
    const Integer id = DetailsMap->Items(i)->ID;
    if (id == 0) continue;  // the name column shows the item's name
    SHELLDETAILS sd{};
    const HRESULT hr = folder2 ? folder2->GetDetailsOf(Fpidl.get(), static_cast<UINT>(id), &sd)
                               : details->GetDetailsOf(Fpidl.get(), static_cast<UINT>(id), &sd);
    FDetails.push_back(SUCCEEDED(hr) ? vxShellStrRetToString(sd.str, Fpidl.get()) : String());
  }
}

// --- TvxShellDetails ---------------------------------------------------------------------------

TResStringRec svxShellNameColumn(L"Name");
TResStringRec svxShellSizeColumn(L"Size");
TResStringRec svxShellTypeColumn(L"Type");
TResStringRec svxShellModifiedColumn(L"Modified");

HRESULT vxShellGetShellDetails(IShellFolder* Folder, PItemIDList P, IShellDetails*& Details) {
  Details = nullptr;
  if (!Folder) return E_NOINTERFACE;
  void* v = nullptr;
  if (SUCCEEDED(Folder->QueryInterface(IID_IShellDetails, &v)) && v) {
    Details = static_cast<IShellDetails*>(v);
    return S_OK;
  }
  if (SUCCEEDED(Folder->GetUIObjectOf(nullptr, 0, nullptr, IID_IShellDetails, nullptr, &v)) && v) {
    Details = static_cast<IShellDetails*>(v);
    return S_OK;
  }
  if (SUCCEEDED(Folder->CreateViewObject(nullptr, IID_IShellDetails, &v)) && v) {
    Details = static_cast<IShellDetails*>(v);
    return S_OK;
  }
  PCUITEMID_CHILD items[] = {P};
  if (SUCCEEDED(Folder->GetUIObjectOf(nullptr, P ? 1 : 0, P ? items : nullptr, IID_IShellDetails, nullptr, &v)) &&
      v) {
    Details = static_cast<IShellDetails*>(v);
    return S_OK;
  }
  return E_NOINTERFACE;
}

TvxDetailItem* TvxShellDetails::Add() {
  FItems.push_back(std::make_unique<TvxDetailItem>());
  return FItems.back().get();
}

void TvxShellDetails::Clear() {
  while (!FItems.empty()) FItems.pop_back();  // freed from the last
}

void TvxShellDetails::Remove(TvxDetailItem* Item) {
  std::erase_if(FItems, [Item](const auto& I) { return I.get() == Item; });
}

namespace {
TAlignment ColumnAlignment(int Format) {
  switch (Format & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
      return taRightJustify;
    case LVCFMT_CENTER:
      return taCenter;
    default:
      return taLeftJustify;
  }
}
}  // namespace

void TvxShellDetails::ProcessDetails(Integer ACharWidth, IShellFolder* AShellFolder, bool AFileSystem) {
  Clear();
  auto addColumn = [&](const SHELLDETAILS& D, Integer AID) {
    TvxDetailItem* item = Add();
    SHELLDETAILS copy = D;
    item->Text = vxShellStrRetToString(copy.str, nullptr);
    item->Width = D.cxChar * ACharWidth;
    item->Alignment = ColumnAlignment(D.fmt);
    item->ID = AID;
  };
  IShellFolder2* folder2 = nullptr;
  if (AShellFolder && SUCCEEDED(AShellFolder->QueryInterface(IID_IShellFolder2, reinterpret_cast<void**>(&folder2))) &&
      folder2) {
    TvxComRelease release(folder2);
    const bool xpOrLater = IsWindowsXPOrGreater();
    bool onByDefaultSeen = false;
    for (UINT i = 0;; ++i) {
      SHELLDETAILS sd{};
      if (FAILED(folder2->GetDetailsOf(nullptr, i, &sd))) break;
      SHCOLSTATEF state = 0;
      if (SUCCEEDED(folder2->GetDefaultColumnState(i, &state))) {
        const bool onByDefault = (state & SHCOLSTATE_ONBYDEFAULT) != 0;
        if (onByDefaultSeen && xpOrLater && !onByDefault) break;
        if (!onByDefault || (state & SHCOLSTATE_HIDDEN)) continue;
        onByDefaultSeen = true;
      }
      addColumn(sd, static_cast<Integer>(i));
    }
    return;
  }
  IShellDetails* details = nullptr;
  if (SUCCEEDED(vxShellGetShellDetails(AShellFolder, nullptr, details)) && details) {
    TvxComRelease release(details);
    for (UINT i = 0;; ++i) {
      SHELLDETAILS sd{};
      if (FAILED(details->GetDetailsOf(nullptr, i, &sd))) break;
      addColumn(sd, static_cast<Integer>(i));
    }
    return;
  }
  struct TFixed {
    const TResStringRec* Text;
    Integer Chars, ID;
    TAlignment Alignment;
  };
  const TFixed fixed[] = {{&svxShellNameColumn, 25, 0, taLeftJustify},
                          {&svxShellSizeColumn, 10, 1, taRightJustify},
                          {&svxShellTypeColumn, 10, 2, taLeftJustify},
                          {&svxShellModifiedColumn, 14, 3, taLeftJustify}};
  for (const TFixed& f : fixed) {
    if (f.ID > 0 && !AFileSystem) break;
    TvxDetailItem* item = Add();
    item->Text = vxGetResString(f.Text);
    item->Width = f.Chars * ACharWidth;
    item->Alignment = f.Alignment;
    item->ID = f.ID;
  }
}

// --- TvxCustomItemProducer -------------------------------------------------------------------

TvxCustomItemProducer::TvxCustomItemProducer(TWinControl* AOwner) : FOwner(AOwner) {}

TvxCustomItemProducer::~TvxCustomItemProducer() {
  // ClearItems asks the gatherer, a virtual of the descendant, which has gone by now:
  // descendants call ClearItems in their own destructor; here only what is left is freed.
  FItems.clear();
  if (FShellFolder) FShellFolder->Release();
}

bool TvxCustomItemProducer::CanAddFolder(TvxShellFolder*) { return true; }
bool TvxCustomItemProducer::DoCompareItems(TvxShellFolder*, TvxShellFolder*, Integer&) { return false; }
void TvxCustomItemProducer::InitializeItem(TvxShellItemInfo*) {}
void TvxCustomItemProducer::CheckItemSubitems(TvxShellItemInfo*) {}

void TvxCustomItemProducer::SortItemList(IShellFolder* Folder, std::vector<std::unique_ptr<TvxShellItemInfo>>& List,
                                         TvxCustomItemProducer* Producer) {
  std::stable_sort(List.begin(), List.end(), [&](const auto& A, const auto& B) {
    Integer c = 0;
    if (Producer && Producer->DoCompareItems(A->Folder(), B->Folder(), c)) return c < 0;
    if (A->IsFolder() != B->IsFolder()) return A->IsFolder();
    if (!Folder) return false;
    HRESULT hr = Folder->CompareIDs(0, A->pidl(), B->pidl());
    return static_cast<short>(HRESULT_CODE(hr)) < 0;
  });
}

void TvxCustomItemProducer::SortItems() { SortItemList(FShellFolder, FItems, this); }

void TvxCustomItemProducer::Sort() {
  TvxProducerWriteLock lock(this);
  SortItems();
}

HWND TvxCustomItemProducer::OwnerHandle() const {
  return FOwner && FOwner->HandleAllocated() ? FOwner->Handle() : nullptr;
}

HWND TvxCustomItemProducer::OwnerParentHandle() const {
  return FOwner && FOwner->Parent() == nullptr ? FOwner->ParentWindow() : nullptr;
}

void TvxCustomItemProducer::ProcessItems(IShellFolder* AIFolder, PItemIDList AFolderPIDL, Integer cPreloadItems) {
  if (AIFolder) AIFolder->AddRef();
  if (FShellFolder) FShellFolder->Release();
  FShellFolder = AIFolder;
  FFolderPidl = vxShellPidlCopy(AFolderPIDL);
  ProcessDetails(FShellFolder, cPreloadItems);
  PopulateItems(cPreloadItems);
  if (CanRequestItemsInfo()) RequestItemsInfo();
}

bool TvxCustomItemProducer::EnumerateItems(IShellFolder* Folder,
                                           const std::function<void(std::unique_ptr<TvxShellItemInfo>)>& AFound) {
  if (!Folder) return false;
  IEnumIDList* en = nullptr;
  if (Folder->EnumObjects(OwnerParentHandle(), GetEnumSettings(), &en) != S_OK || !en) return false;
  TvxComRelease enRef(en);
  vxHourglassBegin();
  TScopeExit hourglass([] { vxHourglassEnd(); });
  for (;;) {
    PITEMID_CHILD item = nullptr;
    ULONG fetched = 0;
    HRESULT hr = en->Next(1, &item, &fetched);
    if (hr == E_INVALIDARG) hr = en->Next(1, &item, &fetched);
    if (hr != S_OK || fetched != 1 || !item) break;
    TvxPidl owned(item);
    auto info = std::make_unique<TvxShellItemInfo>(this, Folder, FolderPidl(), owned.get(), false);
    if (!info->Name().empty()) AFound(std::move(info));
  }
  return true;
}

void TvxCustomItemProducer::PopulateItems(Integer cPreloadItems) {
  bool listed = false;
  {
    TvxProducerWriteLock lock(this);
    listed = EnumerateItems(FShellFolder, [&](std::unique_ptr<TvxShellItemInfo> AInfo) {
      if (!CanAddFolder(AInfo->Folder())) return;
      if (cPreloadItems > 0) {
        AInfo->CheckUpdate(FShellFolder, FFolderPidl.get(), false);
        --cPreloadItems;
      } else {
        InitializeItem(AInfo.get());
      }
      FItems.push_back(std::move(AInfo));
    });
    if (listed) SortItems();
  }
  if (listed) SetItemsCount(static_cast<Integer>(FItems.size()));
}

void TvxCustomItemProducer::ProcessDetails(IShellFolder* ShellFolder, Integer CharWidth) {
  DWORD attributes = 0;
  if (FFolderPidl && vxShellPidlSize(FFolderPidl.get()) > 0) {
    PCUITEMID_CHILD items[] = {FFolderPidl.get()};
    ULONG a = 0;
    if (SUCCEEDED(vxShellDesktop()->GetAttributesOf(1, items, &a))) attributes = a;
  }
  FDetails->ProcessDetails(CharWidth, ShellFolder, (attributes & SFGAO_FILESYSTEM) != 0);
}

void TvxCustomItemProducer::RequestItemsInfo() {
  TvxShellItemsInfoGatherer* g = ItemsInfoGatherer();
  if (!g) return;
  g->StopFetch();
  TScopeExit resume([g] { g->ResumeFetch(); });
  for (size_t i = 0; i < FItems.size(); ++i)
    if (!FItems[i]->Updated()) FetchRequest(static_cast<Integer>(i), false);
}

void TvxCustomItemProducer::FetchRequest(Integer AIndex, bool APriority) {
  if (TvxShellItemsInfoGatherer* g = ItemsInfoGatherer()) g->RequestItemInfo(this, AIndex, APriority);
}

void TvxCustomItemProducer::ClearItems() {
  if (TvxShellItemsInfoGatherer* g = ItemsInfoGatherer()) g->ClearFetchQueue(this);
  {
    TvxProducerWriteLock lock(this);
    FItems.clear();
  }
  if (FShellFolder) FShellFolder->Release();
  FShellFolder = nullptr;
  FFolderPidl.reset();
}

Integer TvxCustomItemProducer::GetItemIndexByPidl(PItemIDList APidl) {
  if (!FShellFolder || !APidl) return -1;
  TvxProducerReadLock lock(this);
  for (size_t i = 0; i < FItems.size(); ++i)
    if (static_cast<short>(HRESULT_CODE(FShellFolder->CompareIDs(0, FItems[i]->pidl(), APidl))) == 0)
      return static_cast<Integer>(i);
  return -1;
}

TvxShellItemInfo* TvxCustomItemProducer::GetItemByPidl(PItemIDList APidl) {
  Integer i = GetItemIndexByPidl(APidl);
  return i < 0 ? nullptr : FItems[i].get();
}

void TvxCustomItemProducer::DoGetInfoTip(HWND Handle, Integer ItemIndex, PWSTR InfoTip, Integer cch) {
  if (!InfoTip || cch <= 0) return;
  InfoTip[0] = 0;
  if (!GetShowToolTip() || !FShellFolder) return;
  TvxProducerReadLock lock(this);
  if (ItemIndex < 0 || ItemIndex >= static_cast<Integer>(FItems.size())) return;
  PCUITEMID_CHILD items[] = {FItems[ItemIndex]->pidl()};
  IQueryInfo* info = nullptr;
  if (FAILED(FShellFolder->GetUIObjectOf(Handle, 1, items, IID_IQueryInfo, nullptr, reinterpret_cast<void**>(&info))) ||
      !info)
    return;
  TvxComRelease release(info);
  PWSTR text = nullptr;
  if (SUCCEEDED(info->GetInfoTip(0, &text)) && text) {
    lstrcpynW(InfoTip, text, cch);
    ShellMalloc()->Free(text);
  }
}

void TvxCustomItemProducer::SetItemsCount(Integer Count) {
  if (HWND h = OwnerHandle()) SendMessageW(h, WM_VXSHELL_ITEMSCOUNT, Count, 0);
}
void TvxCustomItemProducer::NotifyRemoveItem(Integer Index) {
  if (HWND h = OwnerHandle()) SendMessageW(h, WM_VXSHELL_REMOVEITEM, Index, 0);
}
void TvxCustomItemProducer::NotifyAddItem(Integer Index) {
  if (HWND h = OwnerHandle()) SendMessageW(h, WM_VXSHELL_ADDITEM, Index, 0);
}

// --- TvxShellItemsInfoGatherer ---------------------------------------------------------------

TvxShellItemsInfoGatherer::TvxShellItemsInfoGatherer(TWinControl* AOwner) : FOwner(AOwner) {
  FFetchStoppedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  FStopFetchEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  FTerminateFetchThreadEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  FFetchThread = CreateThread(nullptr, 0, vxShellFetchThreadProc, this, 0, nullptr);
  if (!FFetchThread) throw EvxShellError(SysErrorMessage(static_cast<DWORD>(GetLastError())));
  std::lock_guard<std::mutex> lock(State->GatherersLock);
  State->Gatherers.push_back(this);
}

TvxShellItemsInfoGatherer::~TvxShellItemsInfoGatherer() {
  if (State) {
    std::lock_guard<std::mutex> lock(State->GatherersLock);
    std::erase(State->Gatherers, this);
  }
  Terminate();
}

void TvxShellItemsInfoGatherer::Terminate() {
  if (FFetchThread) {
    SetEvent(FTerminateFetchThreadEvent);
    WaitForSingleObject(FFetchThread, INFINITE);
    CloseHandle(FFetchThread);
    FFetchThread = nullptr;
  }
  for (HANDLE* h : {&FFetchStoppedEvent, &FStopFetchEvent, &FTerminateFetchThreadEvent})
    if (*h) {
      CloseHandle(*h);
      *h = nullptr;
    }
}

bool TvxShellItemsInfoGatherer::WorkerAlive() const {
  return FFetchThread && WaitForSingleObject(FFetchThread, 0) == WAIT_TIMEOUT;
}

void TvxShellItemsInfoGatherer::StopFetch() {
  if (FStopFetchCount++ != 0 || !FFetchThread) return;
  // An acknowledgement left from an earlier stop must not answer this one: clear it
  // before asking. The worker sets it again only after it has seen this request.
  ResetEvent(FFetchStoppedEvent);
  SetEvent(FStopFetchEvent);
  // A worker that has ended (on an exception) ends the wait through its thread handle.
  HANDLE waits[] = {FFetchStoppedEvent, FFetchThread};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
}

void TvxShellItemsInfoGatherer::ResumeFetch() {
  if (FStopFetchCount <= 0) return;
  if (--FStopFetchCount == 0 && FStopFetchEvent) ResetEvent(FStopFetchEvent);
}

void TvxShellItemsInfoGatherer::RequestItemInfo(TvxCustomItemProducer* AItemProducer, Integer AIndex,
                                                bool APriority) {
  StopFetch();
  TScopeExit resume([this] { ResumeFetch(); });
  auto [it, fresh] = FQueued.try_emplace(TRequestKey{AItemProducer, AIndex}, 0);
  // Queued once; asked for again first in line, it moves to the head (its old entry
  // stays behind, stale, and is skipped).
  if (!fresh && !APriority) return;
  it->second = ++FNextSerial;
  TQueuedRequest q{TvxRequestItem{AIndex, AItemProducer, APriority}, it->second};
  if (APriority)
    FPriorityQueue.push_front(q);
  else
    FNormalQueue.push_back(q);
  // Stale entries never outnumber the live ones by much: the memory stays linear in
  // the requests queued, and dropping them is paid for by the moves that made them.
  if (FPriorityQueue.size() + FNormalQueue.size() > 2 * FQueued.size() + 64) DropStaleEntries();
}

bool TvxShellItemsInfoGatherer::IsLive(const TQueuedRequest& Q) const {
  auto it = FQueued.find(KeyOf(Q.Request));
  return it != FQueued.end() && it->second == Q.Serial;
}

void TvxShellItemsInfoGatherer::DropStaleEntries() {
  auto stale = [this](const TQueuedRequest& Q) { return !IsLive(Q); };
  std::erase_if(FPriorityQueue, stale);
  std::erase_if(FNormalQueue, stale);
}

const TvxShellItemsInfoGatherer::TQueuedRequest* TvxShellItemsInfoGatherer::PeekNext() {
  for (std::deque<TQueuedRequest>* q : {&FPriorityQueue, &FNormalQueue}) {
    while (!q->empty() && !IsLive(q->front())) q->pop_front();
    if (!q->empty()) return &q->front();
  }
  return nullptr;
}

void TvxShellItemsInfoGatherer::PopNext() {
  std::deque<TQueuedRequest>& q = FPriorityQueue.empty() ? FNormalQueue : FPriorityQueue;
  if (q.empty()) return;
  FQueued.erase(KeyOf(q.front().Request));
  q.pop_front();
}

std::vector<TvxRequestItem> TvxShellItemsInfoGatherer::FetchQueue() const {
  std::vector<TvxRequestItem> r;
  r.reserve(FQueued.size());
  for (const std::deque<TQueuedRequest>* q : {&FPriorityQueue, &FNormalQueue})
    for (const TQueuedRequest& e : *q)
      if (IsLive(e)) r.push_back(e.Request);
  return r;
}

void TvxShellItemsInfoGatherer::ClearFetchQueue(TvxCustomItemProducer* AItemProducer) {
  if (FIsFetchQueueClearing) return;
  FIsFetchQueueClearing = true;
  TScopeExit resume([this] {
    FIsFetchQueueClearing = false;
    ResumeFetch();
  });
  StopFetch();
  if (!AItemProducer) {
    FPriorityQueue.clear();
    FNormalQueue.clear();
    FQueued.clear();
    return;
  }
  auto ofProducer = [AItemProducer](const TQueuedRequest& Q) { return Q.Request.ItemProducer == AItemProducer; };
  std::erase_if(FPriorityQueue, ofProducer);
  std::erase_if(FNormalQueue, ofProducer);
  std::erase_if(FQueued, [AItemProducer](const auto& E) { return E.first.Producer == AItemProducer; });
}

DWORD WINAPI vxShellFetchThreadProc(LPVOID Param) {
  auto* self = static_cast<TvxShellItemsInfoGatherer*>(Param);
  bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  try {
    self->Run();
  } catch (...) {
    // The worker ends on any fault of a shell call; the thread handle, signalled on
    // return, releases a StopFetch that waits for it, and requests stay queued.
  }
  if (com) CoUninitialize();
  return 0;
}

void TvxShellItemsInfoGatherer::Run() {
  auto signalled = [](HANDLE H) { return WaitForSingleObject(H, 0) == WAIT_OBJECT_0; };
  for (;;) {
    if (!signalled(FStopFetchEvent) && !signalled(FTerminateFetchThreadEvent)) {
      ResetEvent(FFetchStoppedEvent);
      // A request leaves the queue once it is filled: one whose filling fails stays.
      while (const TQueuedRequest* next = PeekNext()) {
        vxShellFetchQueuedItem(this, next->Request);
        PopNext();
        if (signalled(FStopFetchEvent) || signalled(FTerminateFetchThreadEvent)) break;
      }
    }
    if (signalled(FTerminateFetchThreadEvent)) break;
    const bool stopped = signalled(FStopFetchEvent);
    if (stopped) SetEvent(FFetchStoppedEvent);
    // The next round comes after 10 ms, or at once when the end or a stop is asked for (a
    // stop already answered wakes it no more), so that neither waits out the pause.
    HANDLE wake[] = {FTerminateFetchThreadEvent, FStopFetchEvent};
    WaitForMultipleObjects(stopped ? 1 : 2, wake, FALSE, 10);
  }
}

void vxShellFetchQueuedItem(TvxShellItemsInfoGatherer*, const TvxRequestItem& R) {
  TvxCustomItemProducer* p = R.ItemProducer;
  {
    TvxProducerReadLock lock(p);
    if (R.ItemIndex < 0 || R.ItemIndex >= static_cast<Integer>(p->Items().size())) return;
    TvxShellItemInfo* item = p->Items()[R.ItemIndex].get();
    item->CheckUpdate(p->ShellFolder(), p->FolderPidl(), false);
    p->CheckItemSubitems(item);
    item->SetUpdated(true);
  }
  p->NotifyUpdateItem(R);
}

HRESULT vxShellRenameItem(TvxCustomItemProducer* P, TvxShellItemInfo* Item, HWND Wnd, const String& NewName) {
  IShellFolder* folder = P ? P->ShellFolder() : nullptr;
  if (!folder || !Item) return E_INVALIDARG;
  PITEMID_CHILD renamed = nullptr;
  HRESULT hr = folder->SetNameOf(Wnd, Item->pidl(), NewName.c_str(), SHGDN_INFOLDER | SHGDN_FORPARSING, &renamed);
  TvxPidl owned(renamed);
  if (hr == S_OK && owned) {
    TvxProducerWriteLock lock(P);
    Item->SetNewPidl(folder, P->FolderPidl(), owned.get());
  }
  return hr;
}

// --- root --------------------------------------------------------------------------------------

const int vxBrowseFolderCsidl[28] = {0,    0x7,  0xA,  0x19, 0x2E, 0x1F, 0x17, 0x16, 0x18, 0x2D,
                                     0x3,  0x0,  0x10, 0x11, 0x4,  0x6,  0x14, 0x22, 0xD,  0x27,
                                     0x12, 0x28, 0x26, 0x2,  0x8,  0xB,  0x7,  0x15};

TvxCustomShellRoot::TvxCustomShellRoot(TPersistent* AOwner, HWND AParentWindow)
    : FOwner(AOwner), FParentWindow(AParentWindow) {}

TvxCustomShellRoot::~TvxCustomShellRoot() {
  FFolder.reset();
  if (FShellFolder) FShellFolder->Release();
}

String TvxCustomShellRoot::CurrentPath() const {
  return FPidl ? vxShellGetDisplayName(vxShellDesktop(), FPidl.get(), SHGDN_FORPARSING) : String();
}

void TvxCustomShellRoot::RootChanged() {
  FFolder.reset();
  if (FPidl) FFolder = std::make_unique<TvxShellFolder>(FPidl.get());
}

void TvxCustomShellRoot::ResolveRootFolder() {
  if (FIsRootChecking) return;
  IShellFolder* desktop = vxShellDesktop();
  FValid = false;
  if (FShellFolder) FShellFolder->Release();
  FShellFolder = nullptr;
  FPidl.reset();
  TvxBrowseFolder kind = FBrowseFolder;
  if (kind == bfCustomPath && FCustomPath.empty()) kind = bfDesktop;
  TValueScope<bool> checking(FIsRootChecking, true);
  TvxPidl p;
  try {
    HRESULT hr;
    if (kind != bfCustomPath) {
      hr = vxShellGetFolderLocation(FParentWindow, vxBrowseFolderCsidl[kind], p);
    } else {
      String parse = FCustomPath;
      ULONG eaten = 0;
      PIDLIST_RELATIVE parsed = nullptr;
      hr = desktop->ParseDisplayName(FParentWindow, nullptr, parse.data(), &eaten, &parsed, nullptr);
      p.reset(SUCCEEDED(hr) ? parsed : nullptr);
    }
    if (FAILED(hr) || !p) throw EvxShellError(SysErrorMessage(static_cast<DWORD>(hr)));
  } catch (const Exception& E) {
    if (FRootChangingCount > 0) throw EvxShellError(E.Message());
    RootChanged();
    return;
  }
  if (kind == bfDesktop) {
    desktop->AddRef();
    FShellFolder = desktop;
    FPidl = std::move(p);
    FValid = true;
    FAttributes = SFGAO_FILESYSTEM;
    RootChanged();
  } else {
    SetPidl(p.get());
  }
}

void TvxCustomShellRoot::SetPidl(PItemIDList Value) {
  if (!Value) return;
  TvxPidl copy = vxShellPidlCopy(Value);  // Value may be the PIDL being replaced
  FPidl.reset();
  FValid = false;
  FAttributes = 0;
  if (FShellFolder) FShellFolder->Release();
  FShellFolder = vxShellBindFolder(copy.get());
  if (!FShellFolder || vxShellPidlSize(copy.get()) == 0) {
    if (FShellFolder) FShellFolder->Release();
    FShellFolder = vxShellDesktop();
    FShellFolder->AddRef();
    FAttributes = SFGAO_FILESYSTEM;
  } else {
    PCUITEMID_CHILD items[] = {copy.get()};
    ULONG a = 0;
    FAttributes = SUCCEEDED(vxShellDesktop()->GetAttributesOf(1, items, &a)) ? a : 0;
  }
  FPidl = std::move(copy);
  FValid = true;
  RootChanged();
}

void TvxCustomShellRoot::ChangeSettings(const std::function<void()>& Store) {
  // A store that fails puts the old settings back and resolves them again (with the
  // counter down, so that an unresolvable old root stays quietly invalid).
  TScopeExit rollback([this, oldFolder = FBrowseFolder, oldPath = FCustomPath] {
    FBrowseFolder = oldFolder;
    FCustomPath = oldPath;
    ResolveRootFolder();
  });
  {
    TCounterScope<Integer> changing(FRootChangingCount);
    Store();
  }
  rollback.Dismiss();
  if (OnSettingsChanged && !FUpdating) OnSettingsChanged(this);
}

void TvxCustomShellRoot::SetBrowseFolder(TvxBrowseFolder Value) {
  ChangeSettings([&] {
    bool changed = FBrowseFolder != Value;
    FBrowseFolder = Value;
    if (changed || !FPidl) ResolveRootFolder();
  });
}

void TvxCustomShellRoot::DeclarePublished(TPublisher<TvxCustomShellRoot>& P) {
  using C = TvxCustomShellRoot;
  P.Property(L"BrowseFolder", &C::BrowseFolder, &C::SetBrowseFolder).Default(bfDesktop);
  P.Property(L"CustomPath", &C::CustomPath, &C::SetCustomPath);
}

void TvxCustomShellRoot::Assign(TPersistent* Source) {
  if (auto* r = dynamic_cast<TvxCustomShellRoot*>(Source)) {
    ChangeSettings([&] {
      FBrowseFolder = r->FBrowseFolder;
      FCustomPath = r->FCustomPath;
      ResolveRootFolder();
    });
  } else {
    TPersistent::Assign(Source);
  }
}

void TvxCustomShellRoot::Update(TvxCustomShellRoot* ARoot) {
  if (FUpdating) return;
  TValueScope<bool> updating(FUpdating, true);
  Assign(ARoot);
}

void TvxCustomShellRoot::TakeLinkedRoot(TWinControl* View, WPARAM LinkedRoot) {
  TWinControl* parent = View ? View->Parent() : nullptr;
  if (parent && parent->ComponentState().Contains(csLoading)) return;
  if (auto* root = reinterpret_cast<TvxCustomShellRoot*>(LinkedRoot)) Update(root);
}

void TvxCustomShellRoot::SetCustomPath(const String& Value) {
  ChangeSettings([&] {
    FCustomPath = Value;
    if (FBrowseFolder == bfCustomPath) ResolveRootFolder();
  });
}

// --- options -----------------------------------------------------------------------------------

DWORD TvxShellOptions::GetEnumFlags() const {
  DWORD r = 0;
  if (FShowFolders) r |= SHCONTF_FOLDERS;
  if (FShowNonFolders) r |= SHCONTF_NONFOLDERS;
  if (FShowHidden) r |= SHCONTF_INCLUDEHIDDEN;
  return r;
}

void TvxShellOptions::NotifyOwner() {
  if (FOwner && FOwner->HandleAllocated()) SendMessageW(FOwner->Handle(), WM_VXSHELL_OPTIONSCHANGED, 0, 0);
}

void TvxShellOptions::SetShowFolders(bool Value) {
  FShowFolders = Value;
  NotifyOwner();
}
void TvxShellOptions::SetShowNonFolders(bool Value) {
  FShowNonFolders = Value;
  NotifyOwner();
}
void TvxShellOptions::SetShowHidden(bool Value) {
  FShowHidden = Value;
  NotifyOwner();
}
void TvxShellOptions::SetShowToolTip(bool Value) {
  if (FShowToolTip == Value) return;
  FShowToolTip = Value;
  if (OnShowToolTipChanged) OnShowToolTipChanged(this);
}

void TvxShellOptions::DeclarePublished(TPublisher<TvxShellOptions>& P) {
  using C = TvxShellOptions;
  P.Property(L"ContextMenus", &C::ContextMenus, &C::SetContextMenus).Default(true);
  P.Property(L"ShowFolders", &C::ShowFolders, &C::SetShowFolders).Default(true);
  P.Property(L"ShowHidden", &C::ShowHidden, &C::SetShowHidden).Default(false);
  P.Property(L"ShowNonFolders", &C::ShowNonFolders, &C::SetShowNonFolders).Default(true);
  P.Property(L"ShowToolTip", &C::ShowToolTip, &C::SetShowToolTip).Default(true);
  P.Property(L"TrackShellChanges", &C::TrackShellChanges, &C::SetTrackShellChanges).Default(true);
}

void TvxShellOptions::Assign(TPersistent* Source) {
  if (auto* o = dynamic_cast<TvxShellOptions*>(Source)) {
    FContextMenus = o->FContextMenus;
    FShowFolders = o->FShowFolders;
    FShowNonFolders = o->FShowNonFolders;
    FShowHidden = o->FShowHidden;
    FTrackShellChanges = o->FTrackShellChanges;
    SetShowToolTip(o->FShowToolTip);
    NotifyOwner();
  } else {
    TPersistent::Assign(Source);
  }
}
