#include "vxShellListView.h"

#include <commctrl.h>

#include <algorithm>
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
  RegisterClass(TvxShellListView::StaticClass());
  std::lock_guard<std::mutex> lock(SpecialFoldersLock);
  SpecialFolders.reset();
  SpecialFoldersReady = true;
}

void FinShellListView() {
  UnRegisterClass(TvxShellListView::StaticClass());
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


// --- shared container glue -------------------------------------------------------------------

TvxShellViewContainer::TvxShellViewContainer(TComponent* AOwner) : TvxContainer(AOwner) {}

// The binding goes after the inner control, which the derived container frees first.
TvxShellViewContainer::~TvxShellViewContainer() = default;

void TvxShellViewContainer::AfterConstruction() {
  TvxContainer::AfterConstruction();
  FDataBinding = CreateDataBinding();
  FDataBinding->OnDataChange = [this] { ReadValueFromBinding(); };
  FDataBinding->OnDataSetChange = [this] { BindingSourceChanged(); };
  FDataBinding->OnUpdateData = [] {};  // a shell view has no value to write
}

bool TvxShellViewContainer::ExecuteAction(TBasicAction* Action) {
  return TvxContainer::ExecuteAction(Action) || (FDataBinding && FDataBinding->ExecuteAction(Action));
}

bool TvxShellViewContainer::UpdateAction(TBasicAction* Action) {
  return TvxContainer::UpdateAction(Action) || (FDataBinding && FDataBinding->UpdateAction(Action));
}

std::unique_ptr<TvxCustomDataBinding> TvxShellViewContainer::CreateDataBinding() {
  auto binding = std::make_unique<TvxCustomDataBinding>(this, this);
  binding->SetVisualControl(this);
  return binding;
}

void TvxShellViewContainer::DoExit() {
  if (IsDestroying() || FIsExitProcessing) return;
  TValueScope<bool> exiting(FIsExitProcessing, true);
  {
    // Runs only when the binding raises: the focus comes back and the error goes on.
    TScopeExit refocus([this] {
      if (CanFocus()) SetFocus();
    });
    if (FDataBinding) FDataBinding->UpdateDataSource();
    refocus.Dismiss();
  }
  TvxContainer::DoExit();
}

void TvxShellViewContainer::AdoptInnerControl(TWinControl* AInner) {
  LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
  AInner->SetParent(this);
  SetInnerControl(AInner);
}

void TvxShellViewContainer::SetScrollBarsParameters(bool AIsScrolling) {
  if (FScrollBarsCalculating) return;
  TValueScope<bool> calculating(FScrollBarsCalculating, true);
  TvxContainer::SetScrollBarsParameters(AIsScrolling);
}

bool TvxShellViewContainer::BothScrollBarsVisible() {
  return HScrollBar() && VScrollBar() && HScrollBar()->Visible() && VScrollBar()->Visible();
}

void TvxShellViewContainer::ScrollInnerControl(TWinControl* AInner, bool AVertical, TScrollCode AScrollCode,
                                               Integer AScrollPos) {
  TvxControlScrollBar* bar = AVertical ? VScrollBar() : HScrollBar();
  TMessage m{AVertical ? static_cast<UINT>(WM_VSCROLL) : static_cast<UINT>(WM_HSCROLL),
             MAKEWPARAM(static_cast<WORD>(AScrollCode), static_cast<WORD>(AScrollPos)),
             reinterpret_cast<LPARAM>(bar && bar->HandleAllocated() ? bar->Handle() : nullptr), 0};
  AInner->TWinControl::DefaultHandler(m);
}

// --- inner list --------------------------------------------------------------------------------

namespace {
// The window property under which a subclassed header finds its list.
constexpr const wchar_t* HeaderOwnerProp = L"vxShellListHeaderOwner";

TvxButtonState HeaderButtonState(Integer AState) {
  switch (AState) {
    case 2:
      return vxbsHot;
    case 3:
      return vxbsPressed;
    case 4:
      return vxbsDisabled;
    default:
      return vxbsNormal;
  }
}
}  // namespace

TvxInnerShellListView::TvxInnerShellListView(TComponent* AOwner) : TvxInnerShellListViewBase(AOwner) {
  SetBorderStyle(bsNone);
  ControlStyle().Include(csDoubleClicks);
  SetParentColor(false);
  SetParentFont(true);
  SetShowColumnHeaders(true);
  FHeaderDCCanvas = std::make_unique<TCanvas>();
  FCanvas = std::make_unique<TvxCanvas>(FHeaderDCCanvas.get());
}

TvxInnerShellListView::~TvxInnerShellListView() {
  UnhookHeader();
  FCanvas.reset();
  FHeaderDCCanvas.reset();
}

const TMessageMap* TvxInnerShellListView::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_VXSHELL_HEADERITEMINFO, MessageHandler<&TvxInnerShellListView::WMHeaderItemInfo>},
      {WM_PARENTNOTIFY, MessageHandler<&TvxInnerShellListView::WMParentNotify>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

void TvxInnerShellListView::Navigate(PItemIDList APIDL) {
  inherited::Navigate(APIDL);
  if (HandleAllocated()) {
    SendMessageW(Handle(), WM_HSCROLL, SB_TOP, 0);
    SendMessageW(Handle(), WM_VSCROLL, SB_TOP, 0);
  }
}

bool TvxInnerShellListView::DoCompare(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare) {
  if (FContainer && FContainer->OnCompare) {
    FContainer->OnCompare(FContainer, AItem1, AItem2, ACompare);
    return true;
  }
  return TvxCustomInnerShellListView::DoCompare(AItem1, AItem2, ACompare);
}

bool TvxInnerShellListView::ChangesScrollBars(const TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETREDRAW:
      return Message.WParam != 0;
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case LVM_SETITEMCOUNT:
    case CM_BASE + 0x25:
    case WM_VXSHELL_UPDATEITEM:
    case WM_VXSHELL_OPTIONSCHANGED:
    case WM_VXSHELL_CHANGEPIDLS:
      return true;
    default:
      return false;
  }
}

void TvxInnerShellListView::CreateWnd() {
  inherited::CreateWnd();
  if (!HandleAllocated()) return;
  // A header made with the window (report style) is taken here; one made later arrives
  // with its creation notice.
  if (HWND header = ListView_GetHeader(Handle())) HookHeader(header);
  if (FAbsolutePIDL) {
    TvxPidl kept = std::move(FAbsolutePIDL);
    Navigate(kept.get());
  }
}

void TvxInnerShellListView::DestroyWnd() {
  if (HandleAllocated() && !ComponentState().Contains(csDestroying) && Root()->Pidl())
    FAbsolutePIDL = vxShellPidlCopy(Root()->Pidl());
  UnhookHeader();
  inherited::DestroyWnd();
}

void TvxInnerShellListView::WMParentNotify(TMessage& Message) {
  InheritedMessage(Message);
  if (LOWORD(Message.WParam) != WM_CREATE) return;
  HWND child = reinterpret_cast<HWND>(Message.LParam);
  wchar_t cls[32] = {};
  if (child && GetClassNameW(child, cls, 32) && lstrcmpiW(cls, L"SysHeader32") == 0) HookHeader(child);
}

void TvxInnerShellListView::HookHeader(HWND AHeader) {
  if (!AHeader || AHeader == FHeaderHandle) return;
  UnhookHeader();
  FHeaderHandle = AHeader;
  SetPropW(AHeader, HeaderOwnerProp, this);
  FDefHeaderProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(AHeader, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TvxInnerShellListView::HeaderWndProc)));
  SetWindowLongPtrW(AHeader, GWL_STYLE, GetWindowLongPtrW(AHeader, GWL_STYLE) | HDS_HOTTRACK);
}

void TvxInnerShellListView::UnhookHeader() {
  HWND header = FHeaderHandle;
  FHeaderHandle = nullptr;
  FPressedHeaderItemIndex = -1;
  if (!header) return;
  if (IsWindow(header) && FDefHeaderProc)
    SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefHeaderProc));
  if (IsWindow(header)) RemovePropW(header, HeaderOwnerProp);
  FDefHeaderProc = nullptr;
}

LRESULT CALLBACK TvxInnerShellListView::HeaderWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* self = static_cast<TvxInnerShellListView*>(GetPropW(Wnd, HeaderOwnerProp));
  if (!self || self->FHeaderHandle != Wnd) return DefWindowProcW(Wnd, Msg, WParam, LParam);
  LRESULT result = 0;
  // A fault of the painting must not unwind through the system's message dispatch.
  RunHandlingControlException(self, [&] { result = self->HeaderMessage(Msg, WParam, LParam); });
  return result;
}

LRESULT TvxInnerShellListView::CallOldHeaderProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  return FDefHeaderProc ? CallWindowProcW(FDefHeaderProc, FHeaderHandle, Msg, WParam, LParam)
                        : DefWindowProcW(FHeaderHandle, Msg, WParam, LParam);
}

LRESULT TvxInnerShellListView::HeaderMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
      if (WParam) {
        PaintHeader(reinterpret_cast<HDC>(WParam));
      } else {
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(FHeaderHandle, &ps);
        TScopeExit end([this, &ps] { EndPaint(FHeaderHandle, &ps); });
        PaintHeader(dc);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN: {
      LRESULT r = CallOldHeaderProc(Msg, WParam, LParam);
      if (FHeaderHandle && (GetWindowLongPtrW(FHeaderHandle, GWL_STYLE) & HDS_BUTTONS) &&
          GetCapture() == FHeaderHandle) {
        FPressedHeaderItemIndex = HeaderSectionAt(POINT{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))});
        InvalidateRect(FHeaderHandle, nullptr, FALSE);
      }
      return r;
    }
    case WM_CAPTURECHANGED:
      if (FPressedHeaderItemIndex >= 0) InvalidateRect(FHeaderHandle, nullptr, FALSE);
      FPressedHeaderItemIndex = -1;
      return CallOldHeaderProc(Msg, WParam, LParam);
    case WM_VXSHELL_HEADERITEMINFO:
      return HandleAllocated() ? SendMessageW(Handle(), Msg, WParam, LParam) : 0;
    case WM_NCDESTROY: {
      HWND header = FHeaderHandle;
      WNDPROC old = FDefHeaderProc;
      UnhookHeader();
      return old ? CallWindowProcW(old, header, Msg, WParam, LParam) : DefWindowProcW(header, Msg, WParam, LParam);
    }
    default:
      return CallOldHeaderProc(Msg, WParam, LParam);
  }
}

Integer TvxInnerShellListView::HeaderSectionAt(POINT P) {
  HDHITTESTINFO hit{};
  hit.pt = P;
  Integer i = static_cast<Integer>(SendMessageW(FHeaderHandle, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) return -1;
  return i;
}

bool TvxInnerShellListView::IsHeaderHot(Integer AIndex) {
  if (!FHeaderHandle || !(GetWindowLongPtrW(FHeaderHandle, GWL_STYLE) & HDS_BUTTONS)) return false;
  for (Integer k = 0; k < ColumnCount(); ++k)
    if (Column(k)->ImageIndex() != -1) return false;
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(FHeaderHandle, &p);
  RECT client{};
  GetClientRect(FHeaderHandle, &client);
  return PtInRect(&client, p) && HeaderSectionAt(p) == AIndex;
}

void TvxInnerShellListView::GetHeaderItemInfo(Integer AIndex, THeaderItemInfo& Info) {
  Info = THeaderItemInfo{};
  const Integer count = ColumnCount();
  HWND header = FHeaderHandle ? FHeaderHandle : (HandleAllocated() ? ListView_GetHeader(Handle()) : nullptr);
  if (AIndex >= 0 && AIndex < count) {
    TListColumn* c = Column(AIndex);
    Info.ImageIndex = c->ImageIndex();
    Info.SectionAlignment = c->Alignment();
    Info.Text = c->Caption();
    if (header) Header_GetItemRect(header, AIndex, &Info.Rect);
  } else if (header) {
    // The area right of the last column in display order up to the header's right edge.
    RECT client{};
    GetClientRect(header, &client);
    LONG right = 0;
    if (count > 0) {
      RECT last{};
      if (Header_GetItemRect(header, Header_OrderToIndex(header, count - 1), &last)) right = last.right;
    }
    Info.Rect = RECT{right, client.top, std::max(right, client.right), client.bottom};
  }
  TWinControl* parent = Parent();
  if (parent && !parent->Enabled())
    Info.State = 4;
  else if (AIndex == FPressedHeaderItemIndex)
    Info.State = 3;
  else if (IsHeaderHot(AIndex))
    Info.State = 2;
  else
    Info.State = 1;
}

void TvxInnerShellListView::WMHeaderItemInfo(TMessage& Message) {
  auto* info = reinterpret_cast<THeaderItemInfo*>(Message.LParam);
  if (!info) return;
  GetHeaderItemInfo(static_cast<Integer>(Message.WParam), *info);
  Message.Result = 1;
}

void TvxInnerShellListView::PaintHeader(HDC DC) {
  if (!DC || !FHeaderHandle) return;
  RECT client{};
  GetClientRect(FHeaderHandle, &client);
  FHeaderDCCanvas->SetHandle(DC);
  TScopeExit release([this] { FHeaderDCCanvas->SetHandle(nullptr); });
  FCanvas->Brush()->SetColor(clBtnFace);
  FCanvas->Font()->Assign(Font());
  FCanvas->Font()->SetColor(clBtnText);
  const Integer count = ColumnCount();
  if (count == 0) {
    FCanvas->FillRect(client, clBtnFace);
    return;
  }
  for (Integer i = 0; i <= count; ++i) PaintHeaderSection(FCanvas.get(), i, client.right - client.left);
}

void TvxInnerShellListView::PaintHeaderSection(TvxCanvas* ACanvas, Integer AIndex, Integer AHeaderWidth) {
  // The section is described through the list's window procedure, so that a program
  // watching the list (its WindowProc) may add what it knows, such as a sort order.
  THeaderItemInfo info;
  Perform(WM_VXSHELL_HEADERITEMINFO, static_cast<WPARAM>(AIndex), reinterpret_cast<LPARAM>(&info));
  TRect bounds = info.Rect;
  const bool trailing = AIndex >= ColumnCount();
  if (trailing) bounds.right = AHeaderWidth + 10;
  TvxLookAndFeel* lf = FContainer ? FContainer->LookAndFeel() : nullptr;
  TvxCustomLookAndFeelPainterClass painter = FContainer ? FContainer->LookAndFeelPainter() : nullptr;
  if (!painter) return;
  if (!trailing && lf && lf->Kind() == lfUltraFlat && !lf->NativeStyle()) bounds.right += 1;
  TRect text = painter->HeaderContentBounds(bounds, vxBordersAll);
  text.left += 4;
  text.top += 4;
  text.right -= 4 + (info.SortOrder != 0 ? 15 : 0);
  text.bottom -= 4;
  TAlignment alignment = info.SectionAlignment;
  // A section image stands before the text; without room for both it goes left.
  HIMAGELIST images = ListView_GetImageList(Handle(), LVSIL_SMALL);
  Integer imageX = 0, imageW = 0, imageH = 0;
  const bool hasImage = images && info.ImageIndex >= 0 && ImageList_GetIconSize(images, &imageW, &imageH);
  if (hasImage) {
    SIZE extent{};
    GetTextExtentPoint32W(ACanvas->Handle(), info.Text.c_str(), static_cast<int>(info.Text.size()), &extent);
    const Integer width = text.right - text.left;
    if (alignment == taRightJustify && width >= imageW + 2 + extent.cx) {
      imageX = text.right - extent.cx - 2 - imageW;
    } else if (alignment == taCenter && width >= imageW + 2 + extent.cx) {
      imageX = text.left + (width - imageW - 2 - extent.cx) / 2;
      text.left = imageX + imageW + 2;
      alignment = taLeftJustify;
    } else {
      alignment = taLeftJustify;
      imageX = text.left;
      text.left += imageW + 2;
    }
  }
  {
    TvxClipRegionScope clip(ACanvas);
    ACanvas->IntersectClipRect(bounds);
    painter->DrawHeader(ACanvas, bounds, text, TvxNeighbors(), vxBordersAll, HeaderButtonState(info.State), alignment,
                        vaCenter, false, true, info.Text, ACanvas->Font(), ACanvas->Font()->Color(),
                        ACanvas->Brush()->Color());
    if (hasImage)
      ImageList_Draw(images, info.ImageIndex, ACanvas->Handle(), imageX,
                     bounds.top + (bounds.bottom - bounds.top - imageH) / 2, ILD_TRANSPARENT);
    if (info.SortOrder != 0)
      painter->DrawSortingMark(ACanvas, TRect{bounds.right - 4 - 7, bounds.top, bounds.right - 4, bounds.bottom},
                               info.SortOrder == 1);
  }
}

// --- container ---------------------------------------------------------------------------------

TvxCustomShellListView::TvxCustomShellListView(TComponent* AOwner) : TvxShellViewContainer(AOwner) {}

void TvxCustomShellListView::AfterConstruction() {
  inherited::AfterConstruction();
  FInnerListView = new TvxInnerShellListView(this);
  FInnerListView->FContainer = this;
  HookInnerEvents();
  AdoptInnerControl(FInnerListView);
  SetBounds(Left(), Top(), 250, 150);
}

TvxCustomShellListView::~TvxCustomShellListView() { FreeInnerControl(FInnerListView); }

void TvxCustomShellListView::HookInnerEvents() {
  TvxInnerShellListView* l = FInnerListView;
  l->BeforeNavigation = [this](TObject*, PItemIDList P, const String&) {
    if (OnBeforeNavigation) OnBeforeNavigation(this, P);
  };
  l->OnAddFolder = [this](TObject*, TvxShellFolder* F, bool& CanAdd) {
    if (OnAddFolder) OnAddFolder(this, F, CanAdd);
  };
  l->OnChange = [this](TObject*, TListItem* Item, TItemChange Change) {
    if (!Item) return;
    TScopeExit refresh([this] { SetScrollBarsParameters(false); });
    if (OnChange) OnChange(this, Item, Change);
  };
  l->OnExecuteItem = [this](TObject*, PItemIDList P, bool& Handled) {
    if (OnExecuteItem) OnExecuteItem(this, P, Handled);
  };
  l->OnSelectItem = [this](TObject*, TListItem* Item, bool Selected) {
    if (OnSelectItem) OnSelectItem(this, Item, Selected);
  };
  l->OnShellChange = [this](TObject*, Cardinal AEventID, PItemIDList P1, PItemIDList P2) {
    if (OnShellChange) OnShellChange(this, AEventID, P1, P2);
  };
  l->OnRootChanged = [this](TObject*, TvxCustomShellRoot*) {
    TScopeExit refresh([this] { SetScrollBarsParameters(false); });
    if (OnCurrentFolderChanged) OnCurrentFolderChanged(this);
  };
}

void TvxCustomShellListView::LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  inherited::LookAndFeelChanged(Sender, AChangedValues);
  // The column header is painted through the look and feel.
  if (FInnerListView && FInnerListView->HeaderHandle()) ::InvalidateRect(FInnerListView->HeaderHandle(), nullptr, TRUE);
}

void TvxCustomShellListView::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) {
  if (!Enabled() || !FInnerListView || !FInnerListView->HandleAllocated()) return;
  HWND list = FInnerListView->Handle();
  const bool vertical = AScrollBarKind == sbVertical;
  const TViewStyle style = FInnerListView->ViewStyle();
  if (AScrollCode == scTrack) {
    if (!vertical) {
      Integer pos = GetScrollPos(list, SB_HORZ);
      if (style == vsList) {
        // The list style scrolls by whole columns only.
        for (Integer guard = 0; pos != AScrollPos && guard < 10000; ++guard) {
          SendMessageW(list, WM_HSCROLL, pos < AScrollPos ? SB_LINERIGHT : SB_LINELEFT, 0);
          Integer next = GetScrollPos(list, SB_HORZ);
          if (next == pos) break;
          pos = next;
        }
      } else {
        ListView_Scroll(list, AScrollPos - pos, 0);
      }
    } else if (style == vsReport) {
      // The report's thumb counts rows: the pixels come from a real row's height.
      Integer top = ListView_GetTopIndex(list);
      RECT r{};
      Integer rowHeight = 0;
      if (ListView_GetItemRect(list, top, &r, LVIR_BOUNDS)) rowHeight = r.bottom - r.top;
      if (rowHeight > 0) ListView_Scroll(list, 0, (AScrollPos - top) * rowHeight);
    } else if (style != vsList) {
      ListView_Scroll(list, 0, AScrollPos - GetScrollPos(list, SB_VERT));
    }
  } else {
    ScrollInnerControl(FInnerListView, vertical, AScrollCode, AScrollPos);
  }
  AScrollPos = GetScrollPos(list, vertical ? SB_VERT : SB_HORZ);
  SetScrollBarsParameters(true);
}

void TvxCustomShellListView::Loaded() {
  inherited::Loaded();
  FInnerListView->Loaded();
  SetScrollBarsParameters(false);
}

TvxPidl TvxCustomShellListView::AbsolutePIDL() {
  if (IsDestroying() || !FInnerListView) return nullptr;
  if (!FInnerListView->HandleAllocated() && FInnerListView->FAbsolutePIDL)
    return vxShellPidlCopy(FInnerListView->FAbsolutePIDL.get());
  Root()->CheckRoot();
  return Root()->Pidl() ? vxShellPidlCopy(Root()->Pidl()) : nullptr;
}

String TvxCustomShellListView::AbsolutePath() {
  TvxPidl p = AbsolutePIDL();
  return p ? vxShellPidlToPath(p.get()) : String();
}

void TvxCustomShellListView::SetAbsolutePIDL(PItemIDList Value) {
  if (IsDestroying() || !FInnerListView || !Value) return;
  if (!FInnerListView->HandleAllocated()) {
    FInnerListView->FAbsolutePIDL = vxShellPidlCopy(Value);
    return;
  }
  if (!vxShellPathExists(Value)) return;
  FInnerListView->ProcessTreeViewNavigate(Value);
  FInnerListView->SyncTreeView();
}

void TvxCustomShellListView::SetAbsolutePath(const String& Value) {
  if (IsDestroying() || !FInnerListView) return;
  TvxPidl empty = vxShellPidlEmpty();
  TvxPidl p = vxShellPathToPidl(Value, vxShellDesktop(), empty.get(), 6, false);
  if (p) SetAbsolutePIDL(p.get());
}

void TvxShellListView::DeclarePublished(TPublisher<TvxShellListView>& P) {
  using C = TvxShellListView;
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"Anchors", &TControl::Anchors, &TControl::SetAnchors);
  P.Property(L"DragDropSettings", &C::DragDropSettings, &C::SetDragDropSettings);
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"ListViewStyle", &C::ListViewStyle, &C::SetListViewStyle).Default(lvsIcon);
  P.Property(L"MultiSelect", &C::MultiSelect, &C::SetMultiSelect).Default(false);
  P.Property(L"Options", &C::Options, &C::SetOptions);
  P.Property(L"Root", &C::Root, &C::SetRoot);
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Property(L"OnAddFolder", &C::OnAddFolder);
  P.Property(L"OnBeforeNavigation", &C::OnBeforeNavigation);
  P.Property(L"OnChange", &C::OnChange);
  P.Property(L"OnCompare", &C::OnCompare);
  P.Property(L"OnCurrentFolderChanged", &C::OnCurrentFolderChanged);
  P.Property(L"OnExecuteItem", &C::OnExecuteItem);
  P.Property(L"OnSelectItem", &C::OnSelectItem);
  P.Property(L"OnShellChange", &C::OnShellChange);
  P.Property(L"OnClick", &TControl::OnClick);
  P.Property(L"OnDblClick", &TControl::OnDblClick);
  P.Property(L"OnKeyDown", &TWinControl::OnKeyDown);
}
