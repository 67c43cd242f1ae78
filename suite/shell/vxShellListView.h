// The path routines of the shell views and the table of the shell's special folders,
// built when first read, through which a name such as a special folder's display name
// becomes an item identifier list.
#pragma once

#include "vxContainer.h"
#include "vxShellControls.h"

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

class TvxCustomShellListView;

// One column header section as the header painting asks for it.
struct THeaderItemInfo {
  Integer ImageIndex = -1;
  RECT Rect{};
  TAlignment SectionAlignment = taLeftJustify;
  Byte SortOrder = 0;
  Integer State = 1;  // 1 normal, 2 hot, 3 pressed, 4 disabled
  String Text;
};
// The list's own request for a header section's information (wParam: section index,
// lParam: THeaderItemInfo*). It has a number of its own: the suite's popup-closing
// message must not be answered by a list.
constexpr UINT WM_VXSHELL_HEADERITEMINFO = 0xB147;

// The list inside the container: hands its input and focus to the container and keeps
// the folder shown while its window is re-created.
class TvxInnerShellListView : public TvxCustomInnerShellListView, public IvxContainerInnerControl {
  DECLARE_CLASS(TvxInnerShellListView, TvxCustomInnerShellListView)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxInnerShellListView(TComponent* AOwner);
  ~TvxInnerShellListView() override;
  TWinControl* GetControl() override { return this; }
  TvxContainer* GetControlContainer() override;
  TvxCustomShellListView* Container() const { return FContainer; }
  void Navigate(PItemIDList APIDL) override;
  bool DoCompare(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare) override;
  bool CanFocus() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void KeyPress(wchar_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  TPopupMenu* GetPopupMenu() override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  Integer PressedHeaderItemIndex() const { return FPressedHeaderItemIndex; }

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  friend class TvxCustomShellListView;
  void WMSetFocus(TWMSetFocus& Message);
  void WMKillFocus(TWMKillFocus& Message);
  void WMGetDlgCode(TWMGetDlgCode& Message);
  void WMHeaderItemInfo(TMessage& Message);
  TvxPidl FAbsolutePIDL;
  Integer FPressedHeaderItemIndex = -1;
  TvxCustomShellListView* FContainer = nullptr;
};

using TvxBeforeNavigationEvent = std::function<void(TObject* Sender, PItemIDList ANewAbsolutePIDL)>;

class TvxCustomShellListView : public TvxContainer {
  DECLARE_CLASS(TvxCustomShellListView, TvxContainer)
 public:
  explicit TvxCustomShellListView(TComponent* AOwner);
  ~TvxCustomShellListView() override;
  void AfterConstruction() override;

  TvxInnerShellListView* InnerListView() const { return FInnerListView; }
  void BrowseParent() { FInnerListView->BrowseParent(); }
  TvxPidl GetItemAbsolutePIDL(Integer AIndex) { return FInnerListView->GetItemAbsolutePIDL(AIndex); }
  void ProcessTreeViewNavigate(PItemIDList APidl) { FInnerListView->ProcessTreeViewNavigate(APidl); }
  void Sort() { FInnerListView->Sort(); }
  void UpdateContent() { FInnerListView->UpdateContent(); }
  Integer FolderCount() { return FInnerListView->FolderCount(); }
  // A copy of the folder shown; nil while the control is destroyed.
  TvxPidl AbsolutePIDL();
  void SetAbsolutePIDL(PItemIDList Value);
  String AbsolutePath();
  void SetAbsolutePath(const String& Value);
  String Path() { return AbsolutePath(); }
  TvxListViewStyle ListViewStyle() const { return FInnerListView->ListViewStyle(); }
  void SetListViewStyle(TvxListViewStyle Value) { FInnerListView->SetListViewStyle(Value); }
  TvxShellListViewOptions* Options() const { return FInnerListView->Options(); }
  void SetOptions(TvxShellListViewOptions* Value) { FInnerListView->Options()->Assign(Value); }
  TvxShellListRoot* Root() const { return FInnerListView->Root(); }
  void SetRoot(TvxShellListRoot* Value) { FInnerListView->Root()->Assign(Value); }
  TvxDragDropSettings* DragDropSettings() const { return FInnerListView->DragDropSettings(); }
  void SetDragDropSettings(TvxDragDropSettings* Value) { FInnerListView->DragDropSettings()->Assign(Value); }
  bool MultiSelect() const { return FInnerListView->MultiSelect(); }
  void SetMultiSelect(bool Value) { FInnerListView->SetMultiSelect(Value); }

  bool HasScrollBars() override { return true; }
  void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) override;

  TvxShellAddFolderEvent OnAddFolder;
  TvxBeforeNavigationEvent OnBeforeNavigation;
  TLVChangeEvent OnChange;
  TNotifyEvent OnCurrentFolderChanged;
  TvxShellCompareEvent OnCompare;
  TvxShellExecuteItemEvent OnExecuteItem;
  TLVSelectItemEvent OnSelectItem;
  TvxShellChangeEvent OnShellChange;

 protected:
  void Loaded() override;

 private:
  friend class TvxInnerShellListView;
  void HookInnerEvents();
  void SetScrollBarsParameters(bool AIsScrolling) override;
  bool FScrollBarsCalculating = false;
  TvxInnerShellListView* FInnerListView = nullptr;  // owned: freed before the container
};

class TvxShellListView : public TvxCustomShellListView {
  DECLARE_CLASS(TvxShellListView, TvxCustomShellListView)
  PUBLISHED(TvxShellListView)
 public:
  using TvxCustomShellListView::TvxCustomShellListView;
};

extern const TUnitInfo vxShellListViewUnit;
