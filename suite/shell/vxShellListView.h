// The path routines of the shell views and the table of the shell's special folders,
// built when first read, through which a name such as a special folder's display name
// becomes an item identifier list.
#pragma once

#include "vxContainer.h"
#include "vxDataUtils.h"
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

// One column header section as the header painting asks for it. The list leaves
// SortOrder 0 (no mark); 1 paints an ascending mark and any other value a descending one.
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

// The glue every shell view's inner control shares with its container: the container
// sees the control's keys, clicks, mouse, wheel, focus and popup menu as its own; the
// control wants characters and (without Ctrl) Tab; a left press starts the container's
// automatic drag; and the container's scroll bars follow each message after which
// ChangesScrollBars says the control's contents moved.
template <class TBase, class TContainerClass>
class TvxShellInnerControl : public TBase, public IvxContainerInnerControl {
 public:
  using TBase::TBase;
  TWinControl* GetControl() override { return this; }
  TvxContainer* GetControlContainer() override { return FContainer; }
  TContainerClass* Container() const { return FContainer; }
  bool CanFocus() override { return FContainer ? FContainer->CanFocus() : TBase::CanFocus(); }
  void Click() override {
    TBase::Click();
    if (FContainer) FContainer->Click();
  }
  void DblClick() override {
    TBase::DblClick();
    if (FContainer) FContainer->DblClick();
  }
  void KeyDown(Word& Key, TShiftState Shift) override {
    if (FContainer) FContainer->KeyDown(Key, Shift);
    if (Key != 0) TBase::KeyDown(Key, Shift);
  }
  void KeyUp(Word& Key, TShiftState Shift) override {
    if (Key == VK_TAB) Key = 0;
    if (FContainer && Key != 0) FContainer->KeyUp(Key, Shift);
    if (Key != 0) TBase::KeyUp(Key, Shift);
  }
  void KeyPress(wchar_t& Key) override {
    if (Key == L'\t') Key = 0;
    if (FContainer && Key != 0) FContainer->KeyPress(Key);
    if (Key == L'\r') Key = 0;
    if (Key != 0) TBase::KeyPress(Key);
  }
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override {
    TBase::MouseDown(Button, Shift, X, Y);
    if (FContainer) FContainer->MouseDownFromInner(this, Button, Shift, X, Y);
  }
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override {
    TBase::MouseMove(Shift, X, Y);
    if (FContainer) FContainer->MouseMove(Shift, X + this->Left(), Y + this->Top());
  }
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override {
    TBase::MouseUp(Button, Shift, X, Y);
    if (FContainer) FContainer->MouseUp(Button, Shift, X + this->Left(), Y + this->Top());
  }
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, POINT MousePos) override {
    if (FContainer && FContainer->DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    return TBase::DoMouseWheel(Shift, WheelDelta, MousePos);
  }
  TPopupMenu* GetPopupMenu() override { return FContainer ? FContainer->GetPopupMenu() : TBase::GetPopupMenu(); }
  // An action the inner control does not take itself goes to the container's binding.
  bool ExecuteAction(TBasicAction* Action) override {
    if (TBase::ExecuteAction(Action)) return true;
    return FContainer && FContainer->DataBinding() && FContainer->DataBinding()->ExecuteAction(Action);
  }
  bool UpdateAction(TBasicAction* Action) override {
    if (TBase::UpdateAction(Action)) return true;
    return FContainer && FContainer->DataBinding() && FContainer->DataBinding()->UpdateAction(Action);
  }
  void DefaultHandler(TMessage& Message) override {
    if (FContainer && FContainer->InnerControlDefaultHandler(Message)) return;
    TBase::DefaultHandler(Message);
  }
  void WndProc(TMessage& Message) override {
    if (FContainer && FContainer->InnerControlMenuHandler(Message)) return;
    const UINT msg = Message.Msg;
    if ((msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) && FContainer && FContainer->DragMode() == dmAutomatic &&
        !this->ComponentState().Contains(csDesigning)) {
      FContainer->BeginDrag(false);
      return;
    }
    TBase::WndProc(Message);
    const bool live = FContainer && !FContainer->IsDestroying();
    switch (msg) {
      case WM_GETDLGCODE:
        Message.Result |= DLGC_WANTCHARS;
        if (GetKeyState(VK_CONTROL) >= 0) Message.Result |= DLGC_WANTTAB;
        break;
      case WM_SETFOCUS:
        // The focus coming from the container itself is the container's own hand-off.
        if (live && !this->ComponentState().Contains(csDestroying) &&
            !(FContainer->HandleAllocated() && reinterpret_cast<HWND>(Message.WParam) == FContainer->Handle()))
          FContainer->FocusChanged();
        break;
      case WM_KILLFOCUS:
        if (live) FContainer->FocusChanged();
        break;
      default:
        break;
    }
    if (live && ChangesScrollBars(Message)) FContainer->SetScrollBarsParameters(false);
  }

 protected:
  // Whether the contents may have moved or changed extent after Message.
  virtual bool ChangesScrollBars(const TMessage& Message) = 0;
  TContainerClass* FContainer = nullptr;
};

// What both shell view containers share: a data binding (it binds nothing of the views,
// but a refused update on leaving keeps the focus), the guard that keeps the scroll-bar
// mirror from re-entering itself, and the hand-off of scroll codes to the inner control.
// It adds no class of its own: the containers' parent class stays the container.
class TvxShellViewContainer : public TvxContainer {
 public:
  explicit TvxShellViewContainer(TComponent* AOwner);
  ~TvxShellViewContainer() override;
  void AfterConstruction() override;
  TvxCustomDataBinding* DataBinding() const { return FDataBinding.get(); }
  // The container draws the inner control's scroll bars: they mirror its own and scroll it.
  bool HasScrollBars() override { return true; }
  void SetScrollBarsParameters(bool AIsScrolling) override;
  // Leaving the control first hands its value to the binding; when the binding refuses,
  // the focus comes back and the error goes on to the caller.
  void DoExit() override;
  // An action the container does not take itself goes to its data binding.
  bool ExecuteAction(TBasicAction* Action) override;
  bool UpdateAction(TBasicAction* Action) override;

 protected:
  // The data-binding class's instance for this container.
  virtual std::unique_ptr<TvxCustomDataBinding> CreateDataBinding();
  bool ScrollBarsCalculating() const { return FScrollBarsCalculating; }
  bool BothScrollBarsVisible();
  // Makes AInner the inner control (its events hooked already): parented to the
  // container, with the container's look and feel following its style's.
  void AdoptInnerControl(TWinControl* AInner);
  // Frees the inner control first, while the container it names is whole.
  template <class T>
  void FreeInnerControl(T*& AInner) {
    if (!AInner) return;
    SetInnerControl(nullptr);
    T* inner = AInner;
    AInner = nullptr;
    delete inner;
  }
  // Passes a scroll code straight to AInner's own control (the container's handling must
  // not see it again), with the container's scroll bar as the sender.
  void ScrollInnerControl(TWinControl* AInner, bool AVertical, TScrollCode AScrollCode, Integer AScrollPos);

 private:
  std::unique_ptr<TvxCustomDataBinding> FDataBinding;  // freed after the inner control
  bool FIsExitProcessing = false;
  bool FScrollBarsCalculating = false;
};

class TvxInnerShellListView;
using TvxInnerShellListViewBase = TvxShellInnerControl<TvxCustomInnerShellListView, TvxCustomShellListView>;

// The list inside the container: hands its input and focus to the container, paints its
// column header through the container's look and feel, and keeps the folder shown while
// its window is re-created.
class TvxInnerShellListView : public TvxInnerShellListViewBase {
  DECLARE_CLASS(TvxInnerShellListView, TvxInnerShellListViewBase)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxInnerShellListView(TComponent* AOwner);
  ~TvxInnerShellListView() override;
  void Navigate(PItemIDList APIDL) override;
  bool DoCompare(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare) override;
  // The column header window (nil before the report shows one) and the section pressed
  // with the mouse (-1 for none).
  HWND HeaderHandle() const { return FHeaderHandle; }
  Integer PressedHeaderItemIndex() const { return FPressedHeaderItemIndex; }
  // Fills Info for header section AIndex; the section after the last column is the
  // empty area to the header's right.
  void GetHeaderItemInfo(Integer AIndex, THeaderItemInfo& Info);

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  bool ChangesScrollBars(const TMessage& Message) override;

 private:
  friend class TvxCustomShellListView;
  void WMHeaderItemInfo(TMessage& Message);
  void WMParentNotify(TMessage& Message);
  void HookHeader(HWND AHeader);
  void UnhookHeader();
  static LRESULT CALLBACK HeaderWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  LRESULT HeaderMessage(UINT Msg, WPARAM WParam, LPARAM LParam);
  LRESULT CallOldHeaderProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  void PaintHeader(HDC DC);
  void PaintHeaderSection(TvxCanvas* ACanvas, Integer AIndex, Integer AHeaderWidth);
  Integer HeaderSectionAt(POINT P);
  bool IsHeaderHot(Integer AIndex);
  TvxPidl FAbsolutePIDL;
  std::unique_ptr<TCanvas> FHeaderDCCanvas;  // the canvas the header is painted through
  std::unique_ptr<TvxCanvas> FCanvas;
  WNDPROC FDefHeaderProc = nullptr;
  HWND FHeaderHandle = nullptr;
  Integer FPressedHeaderItemIndex = -1;
};

using TvxBeforeNavigationEvent = std::function<void(TObject* Sender, PItemIDList ANewAbsolutePIDL)>;

class TvxCustomShellListView : public TvxShellViewContainer {
  DECLARE_CLASS(TvxCustomShellListView, TvxShellViewContainer)
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
  void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) override;

 private:
  friend class TvxInnerShellListView;
  template <class, class>
  friend class TvxShellInnerControl;
  void HookInnerEvents();
  TvxInnerShellListView* FInnerListView = nullptr;  // owned: freed before the container
};

class TvxShellListView : public TvxCustomShellListView {
  DECLARE_CLASS(TvxShellListView, TvxCustomShellListView)
  PUBLISHED(TvxShellListView)
 public:
  using TvxCustomShellListView::TvxCustomShellListView;
};

extern const TUnitInfo vxShellListViewUnit;
