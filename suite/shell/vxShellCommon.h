// Routines and classes the shell views share: item identifier lists (PIDLs), display
// names and paths, icon indexes, the item producer that enumerates one folder, the
// background fetcher of item details, the view root and options, and the change
// notification registration.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Classes.h"
#include "StdCtrls.h"
#include "SyncObjs.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "vdCore.h"

class TWinControl;

DECLARE_EXCEPTION(EvxShellError, Exception)

// --- item identifier lists ----------------------------------------------------------------

using PItemIDList = ITEMIDLIST*;
struct TvxPidlDeleter {
  void operator()(ITEMIDLIST* P) const;
};
// A PIDL allocated with the shell's allocator, freed with it.
using TvxPidl = std::unique_ptr<ITEMIDLIST, TvxPidlDeleter>;

PItemIDList vxShellPidlNext(PItemIDList P);
Integer vxShellPidlSize(PItemIDList P);
// -1 when there are more than 260 items.
Integer vxShellPidlItemCount(PItemIDList P);
TvxPidl vxShellPidlCopy(PItemIDList P);
void vxShellPidlFree(PItemIDList P);
TvxPidl vxShellPidlConcat(PItemIDList P1, PItemIDList P2);
TvxPidl vxShellPidlParent(PItemIDList P);
TvxPidl vxShellPidlFirstItem(PItemIDList P);
// Points into P; no copy.
PItemIDList vxShellPidlLastItem(PItemIDList P);
TvxPidl vxShellPidlEmpty();
// Same bytes, or the same items by the shell's own comparison: file-system items carry
// the file's times, so two readings of one folder may differ in their bytes.
bool vxShellPidlEqual(PItemIDList P1, PItemIDList P2);
// True when P1 is empty, or when P2's leading items name the items of P1 (as above).
bool vxShellPidlIsPrefix(PItemIDList P1, PItemIDList P2);

// --- names, paths and icons ----------------------------------------------------------------

IShellFolder* vxShellDesktop();  // borrowed; raises when the shell gives none
String vxShellGetDisplayName(IShellFolder* Folder, PItemIDList Pidl, DWORD Flags = SHGDN_INFOLDER);
String vxShellStrRetToString(STRRET& StrRet, PItemIDList Pidl);
String vxShellPidlToPath(PItemIDList P);
DWORD_PTR vxShellGetFileInfo(LPCWSTR Path, DWORD Attributes, SHFILEINFOW* Info, UINT Flags);
HRESULT vxShellGetFolderLocation(HWND Wnd, int Csidl, TvxPidl& Pidl);
Integer vxShellGetDefaultFileIcon();
Integer vxShellGetDefaultFolderIcon();
Integer vxShellGetDefaultOpenFolderIcon();
class TvxShellItemInfo;
// The overlay image of an item in the system image list (-1: none). With comctl32 5.80
// or later the shell answers from the item's full PIDL; older ones only know links (1)
// and shares (0).
Integer vxShellGetOverlayIndex(TvxShellItemInfo* AItem);
// Whether the item (absolute P, child of Folder) shows an expand button.
bool vxShellHasSubItems(IShellFolder* Folder, PItemIDList P, DWORD EnumFlags);
// Binds an absolute PIDL from the desktop; the desktop itself for an empty PIDL.
IShellFolder* vxShellBindFolder(PItemIDList P);  // new reference or nullptr

// Shows the shell's context menu of Items (relative to Folder) at the screen point and
// runs the command chosen; nothing without a folder or items. Owner receives the
// command's windows.
void vxShellShowContextMenu(HWND Owner, IShellFolder* Folder, const std::vector<PItemIDList>& Items, POINT ScreenPos);

// --- drag and drop ------------------------------------------------------------------------

enum TvxDropEffect { deCopy, deMove, deLink };
ENUM_TYPEINFO(TvxDropEffect, deCopy, deMove, deLink)
using TvxDropEffects = Set<TvxDropEffect, 4>;
SET_TYPEINFO(TvxDropEffects, TvxDropEffect)

// What a shell view allows when its items are dragged or dropped on.
class TvxDragDropSettings : public TPersistent {
  DECLARE_CLASS(TvxDragDropSettings, TPersistent)
  PUBLISHED(TvxDragDropSettings)
 public:
  TvxDragDropSettings() = default;
  bool AllowDragObjects() const { return FAllowDragObjects; }
  void SetAllowDragObjects(bool Value);
  TvxDropEffect DefaultDropEffect() const { return FDefaultDropEffect; }
  void SetDefaultDropEffect(TvxDropEffect Value) { FDefaultDropEffect = Value; }
  TvxDropEffects DropEffect() const { return FDropEffect; }
  void SetDropEffect(TvxDropEffects Value) { FDropEffect = Value; }
  bool Scroll() const { return FScroll; }
  void SetScroll(bool Value) { FScroll = Value; }
  // The default effect and the allowed effects as DROPEFFECT_ bits.
  DWORD DefaultDropEffectAPI() const;
  DWORD DropEffectAPI() const;
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  bool FAllowDragObjects = true;
  TvxDropEffect FDefaultDropEffect = deMove;
  TvxDropEffects FDropEffect{deCopy, deMove, deLink};
  bool FScroll = false;
};

// The drag source of a shell view: Escape cancels, releasing both buttons drops.
class TvxDropSource final : public IDropSource {
 public:
  TvxDropSource() = default;
  virtual ~TvxDropSource() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefCount; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD dwEffect) override;

 private:
  std::atomic<ULONG> FRefCount{1};  // the creator's reference
};

// The drop-target side of a shell view. Each drag event goes to the shell's own drop
// target of what lies under the mouse: the view finds that target and marks what it
// belongs to (a node, a row); the traffic with the shell's target is the same for every
// view. The object lives as long as its view, whose window's registration ends first.
class TvxShellViewDropTarget : public IDropTarget {
 public:
  TvxShellViewDropTarget() = default;
  virtual ~TvxShellViewDropTarget();
  TvxShellViewDropTarget(const TvxShellViewDropTarget&) = delete;
  TvxShellViewDropTarget& operator=(const TvxShellViewDropTarget&) = delete;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

  // The data object of the drag over the view (one reference while it lasts), and the
  // shell's target under the mouse (one reference).
  IDataObject* DraggedObject() const { return FDraggedObject; }
  IDropTarget* CurrentTarget() const { return FCurrentTarget; }
  // Makes Target (whose reference it takes over) the current target.
  void SetCurrentTarget(IDropTarget* Target);
  // Releases the current target, with a DragLeave when asked (never after its Drop), and
  // unmarks what it belonged to.
  void LeaveTarget(bool CallDragLeave);
  void ForgetDraggedObject();

 protected:
  // Finds the target under the screen point (leaving the old one when it changes);
  // true when a new target was taken.
  virtual bool UpdateTarget(POINTL ScreenPos) = 0;
  virtual void UnmarkTarget() = 0;
  virtual DWORD DefaultDropEffect() = 0;
  // After the target's Drop, while what it belonged to is still marked.
  virtual void Dropped() {}

 private:
  IDataObject* FDraggedObject = nullptr;
  IDropTarget* FCurrentTarget = nullptr;
};

// The shell's drop target of one item of Parent: a folder's own view target (the folder
// bound and asked for its view object), another item's UI object; nil when it has none.
// A new reference.
IDropTarget* vxShellItemDropTarget(HWND Wnd, IShellFolder* Parent, TvxShellItemInfo* Item);

// Drags Items (children of Folder) with the shell's own data object; false when the
// folder gives no data object. Effect receives the drop's effect.
bool vxShellDragItems(HWND Wnd, IShellFolder* Folder, const std::vector<PItemIDList>& Items, DWORD AllowedEffects,
                      DWORD* Effect = nullptr);

// --- change notification ------------------------------------------------------------------

struct TvxShellChangeNotifierData {
  ULONG Handle = 0;
  TvxPidl Pidl;
};
constexpr DWORD vxShellChangeEvents = 0x2B81F;
// Registers Wnd for changes in (and, when Recursive, below) the folder P. Registering
// again for the same folder keeps a live registration; a failed one is retried.
void vxShellRegisterChangeNotify(PItemIDList P, HWND Wnd, UINT Msg, TvxShellChangeNotifierData& Data,
                                 bool Recursive);
void vxShellUnregisterChangeNotify(TvxShellChangeNotifierData& Data);
// Decodes a posted notification message; the PIDLs are copies.
bool vxShellLockChangeNotification(WPARAM WParam, LPARAM LParam, LONG& EventId, TvxPidl& Pidl1,
                                   TvxPidl& Pidl2);

// --- items and producers ------------------------------------------------------------------

class TvxCustomItemProducer;
class TvxShellItemsInfoGatherer;

// The details shell interface of Folder: asked of the folder itself, then of its UI
// objects (no item, the view object, the one item P when given); E_NOINTERFACE when none
// gives one.
HRESULT vxShellGetShellDetails(IShellFolder* Folder, PItemIDList P, IShellDetails*& Details);

// The titles of the columns a folder without column information gets.
extern TResStringRec svxShellNameColumn;
extern TResStringRec svxShellSizeColumn;
extern TResStringRec svxShellTypeColumn;
extern TResStringRec svxShellModifiedColumn;

// One report column: its title, its width in pixels, its alignment and the shell's index
// of the column.
struct TvxDetailItem {
  String Text;
  Integer Width = 0;
  TAlignment Alignment = taLeftJustify;
  Integer ID = 0;
};

// The report columns of a folder, as the folder's shell object offers them.
class TvxShellDetails : public TObject {
  DECLARE_CLASS(TvxShellDetails, TObject)
 public:
  TvxDetailItem* Add();
  void Clear();
  void Remove(TvxDetailItem* Item);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxDetailItem* Items(Integer Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
  // Fills the list with the folder's columns (widths are the shell's character counts
  // times ACharWidth); a folder without column information gets the name column, and
  // size, type and date for a file-system folder.
  void ProcessDetails(Integer ACharWidth, IShellFolder* AShellFolder, bool AFileSystem);

 private:
  std::vector<std::unique_ptr<TvxDetailItem>> FItems;
};

// One item given by its parent folder and its relative PIDL.
class TvxShellFolder : public TObject {
  DECLARE_CLASS(TvxShellFolder, TObject)
 public:
  explicit TvxShellFolder(PItemIDList AAbsolutePIDL);
  ~TvxShellFolder() override;
  PItemIDList AbsolutePIDL() const { return FAbsolutePIDL; }
  PItemIDList RelativePIDL() const { return FRelativePIDL.get(); }
  IShellFolder* ParentShellFolder() const { return FParentShellFolder; }
  bool IsFolder() const;
  bool SubFolders() const;
  String DisplayName() const;
  String PathName() const;

 private:
  DWORD QueryAttributes(DWORD Mask) const;
  PItemIDList FAbsolutePIDL;  // borrowed: the owner's full PIDL
  IShellFolder* FParentShellFolder = nullptr;
  TvxPidl FRelativePIDL;
};

class TvxShellItemInfo : public TObject {
  DECLARE_CLASS(TvxShellItemInfo, TObject)
 public:
  TvxShellItemInfo(TvxCustomItemProducer* AItemProducer, IShellFolder* AParentIFolder, PItemIDList AParentPIDL,
                   PItemIDList APIDL, bool AFast);
  ~TvxShellItemInfo() override;

  void CheckInitialize(IShellFolder* AIFolder, PItemIDList APIDL);
  // Fills the details once; a second caller (the other thread) finds the item claimed
  // and returns at once.
  void CheckUpdate(IShellFolder* ShellFolder, PItemIDList FolderPidl, bool Fast);
  void CheckSubitems(IShellFolder* AParentIFolder, DWORD AEnumSettings);
  void SetNewPidl(IShellFolder* pFolder, PItemIDList FolderPidl, PItemIDList apidl);
  // Reads the item's texts of the columns of DetailsMap (the name column excepted) from
  // the folder's shell object.
  void FetchDetails(HWND wnd, IShellFolder* ShellFolder, TvxShellDetails* DetailsMap);
  const std::vector<String>& Details() const { return FDetails; }

  bool CanRename() const { return FCanRename; }
  TvxShellFolder* Folder() const { return FFolder.get(); }
  PItemIDList FullPIDL() const { return FFullPIDL.get(); }
  bool HasSubfolder() const { return FHasSubfolder; }
  Integer IconIndex() const { return FIconIndex; }
  Integer OpenIconIndex() const { return FOpenIconIndex; }
  bool Initialized() const { return FInitialized; }
  bool IsDropTarget() const { return FIsDropTarget; }
  bool IsFilesystem() const { return FIsFilesystem; }
  bool IsFolder() const { return FIsFolder; }
  bool IsGhosted() const { return FIsGhosted; }
  bool IsLink() const { return FIsLink; }
  bool IsRemovable() const { return FIsRemovable; }
  bool IsShare() const { return FIsShare; }
  TvxCustomItemProducer* ItemProducer() const { return FItemProducer; }
  String Name() const { return FName; }
  PItemIDList pidl() const { return Fpidl.get(); }
  bool Updated() const { return FUpdated; }
  void SetUpdated(bool Value) { FUpdated = Value; }

 private:
  // The detail fields below are written by whichever thread holds the item's claim
  // (FUpdating, taken in CheckUpdate) and read by the UI thread at any time: each is
  // atomic. The name, the PIDLs and the folder are set before the item is shared.
  std::atomic<bool> FCanRename{false};
  std::vector<String> FDetails;  // UI thread only
  std::unique_ptr<TvxShellFolder> FFolder;
  TvxPidl FFullPIDL;
  std::atomic<bool> FHasSubfolder{false};
  std::atomic<Integer> FIconIndex{-1};
  std::atomic<bool> FInitialized{false};
  std::atomic<bool> FIsDropTarget{false};
  std::atomic<bool> FIsFilesystem{false};
  std::atomic<bool> FIsFolder{false};
  std::atomic<bool> FIsGhosted{false};
  std::atomic<bool> FIsLink{false};
  std::atomic<bool> FIsRemovable{false};
  std::atomic<bool> FIsShare{false};
  TvxCustomItemProducer* FItemProducer;
  String FName;
  std::atomic<Integer> FOpenIconIndex{-1};
  TvxPidl Fpidl;
  std::atomic<bool> FUpdated{false};
  std::atomic<bool> FUpdating{false};
};

struct TvxRequestItem {
  Integer ItemIndex;
  TvxCustomItemProducer* ItemProducer;
  bool Priority;
};

// Enumerates one folder into a sorted list of items and tells its view by messages.
class TvxCustomItemProducer : public TObject {
  DECLARE_CLASS(TvxCustomItemProducer, TObject)
 public:
  explicit TvxCustomItemProducer(TWinControl* AOwner);
  ~TvxCustomItemProducer() override;

  virtual bool CanRequestItemsInfo() = 0;
  virtual bool CanAddFolder(TvxShellFolder* AFolder);
  virtual bool DoCompareItems(TvxShellFolder* AItem1, TvxShellFolder* AItem2, Integer& ACompare);
  virtual void SortItems();
  virtual DWORD GetEnumSettings() = 0;
  virtual TvxShellItemsInfoGatherer* ItemsInfoGatherer() = 0;
  virtual void InitializeItem(TvxShellItemInfo* AItem);
  virtual void CheckItemSubitems(TvxShellItemInfo* AItem);
  virtual void ProcessItems(IShellFolder* AIFolder, PItemIDList AFolderPIDL, Integer cPreloadItems);
  // The folder's report columns into Details.
  virtual void ProcessDetails(IShellFolder* ShellFolder, Integer CharWidth);
  virtual void SetItemsCount(Integer Count);
  virtual void NotifyUpdateItem(const TvxRequestItem& AItem) = 0;
  virtual void NotifyRemoveItem(Integer Index);
  virtual void NotifyAddItem(Integer Index);

  virtual bool GetShowToolTip() = 0;
  // Fills InfoTip (cch characters at most) with the shell's tip of item ItemIndex.
  void DoGetInfoTip(HWND Handle, Integer ItemIndex, PWSTR InfoTip, Integer cch);
  void FetchRequest(Integer AIndex, bool APriority);
  void RequestItemsInfo();
  void ClearItems();
  void LockRead() { FItemsLock.BeginRead(); }
  void UnlockRead() { FItemsLock.EndRead(); }
  void LockWrite() { FItemsLock.BeginWrite(); }
  void UnlockWrite() { FItemsLock.EndWrite(); }
  TvxShellItemInfo* GetItemByPidl(PItemIDList APidl);
  Integer GetItemIndexByPidl(PItemIDList APidl);
  void Sort();

  TvxShellDetails* Details() const { return FDetails.get(); }
  PItemIDList FolderPidl() const { return FFolderPidl.get(); }
  void SetFolderPidl(TvxPidl Value) { FFolderPidl = std::move(Value); }
  std::vector<std::unique_ptr<TvxShellItemInfo>>& Items() { return FItems; }
  TWinControl* Owner() const { return FOwner; }
  IShellFolder* ShellFolder() const { return FShellFolder; }

 protected:
  void PopulateItems(Integer cPreloadItems);
  // Enumerates Folder (a child of this producer's folder) and hands each named item to
  // AFound; false when the folder cannot be enumerated.
  bool EnumerateItems(IShellFolder* Folder, const std::function<void(std::unique_ptr<TvxShellItemInfo>)>& AFound);
  // Folders first, then the shell's own order.
  static void SortItemList(IShellFolder* Folder, std::vector<std::unique_ptr<TvxShellItemInfo>>& List,
                           TvxCustomItemProducer* Producer);
  HWND OwnerParentHandle() const;
  HWND OwnerHandle() const;

 private:
  std::unique_ptr<TvxShellDetails> FDetails = std::make_unique<TvxShellDetails>();
  TvxPidl FFolderPidl;
  std::vector<std::unique_ptr<TvxShellItemInfo>> FItems;
  TMREWSync FItemsLock;
  TWinControl* FOwner;
  IShellFolder* FShellFolder = nullptr;
};

// Scoped read and write locks of a producer's item list.
using TvxProducerReadLock =
    TCallScope<TvxCustomItemProducer, &TvxCustomItemProducer::LockRead, &TvxCustomItemProducer::UnlockRead>;
using TvxProducerWriteLock =
    TCallScope<TvxCustomItemProducer, &TvxCustomItemProducer::LockWrite, &TvxCustomItemProducer::UnlockWrite>;

// --- the background fetcher ---------------------------------------------------------------

// One worker thread per view that fills the details of queued items. The UI thread
// changes the queue only between StopFetch (which waits until the worker is idle) and
// ResumeFetch.
class TvxShellItemsInfoGatherer : public TObject {
  DECLARE_CLASS(TvxShellItemsInfoGatherer, TObject)
 public:
  explicit TvxShellItemsInfoGatherer(TWinControl* AOwner);
  ~TvxShellItemsInfoGatherer() override;
  void StopFetch();
  void ResumeFetch();
  void RequestItemInfo(TvxCustomItemProducer* AItemProducer, Integer AIndex, bool APriority);
  void ClearFetchQueue(TvxCustomItemProducer* AItemProducer);
  // The queued requests in the order the worker takes them (for the views and tests;
  // call between StopFetch and ResumeFetch).
  std::vector<TvxRequestItem> FetchQueue() const;
  // Whether the worker still runs (it ends on an exception or on termination).
  bool WorkerAlive() const;
  void Terminate();

 private:
  friend DWORD WINAPI vxShellFetchThreadProc(LPVOID Param);
  friend void vxShellFetchQueuedItem(TvxShellItemsInfoGatherer* AGatherer, const TvxRequestItem& R);
  void Run();
  // One queued request and the number it was queued under.
  struct TQueuedRequest {
    TvxRequestItem Request;
    UInt64 Serial;
  };
  struct TRequestKey {
    TvxCustomItemProducer* Producer;
    Integer Index;
    bool operator==(const TRequestKey&) const = default;
  };
  struct TRequestKeyHash {
    size_t operator()(const TRequestKey& K) const {
      return std::hash<const void*>()(K.Producer) ^ (std::hash<Integer>()(K.Index) * 0x9E3779B97F4A7C15ull);
    }
  };
  static TRequestKey KeyOf(const TvxRequestItem& R) { return TRequestKey{R.ItemProducer, R.ItemIndex}; }
  bool IsLive(const TQueuedRequest& Q) const;
  // The request the worker takes next (stale entries before it are dropped), or nil.
  const TQueuedRequest* PeekNext();
  void PopNext();
  void DropStaleEntries();
  // The queue, changed by the UI thread only while the worker is stopped and read by the
  // worker only while it is not: priority requests newest first, then the others in the
  // order asked. Each (producer, index) is queued once: FQueued holds the number of its
  // live entry, and an entry whose number differs (moved to the front, or cleared) is
  // skipped. Queuing, moving to the front and taking are constant time.
  std::deque<TQueuedRequest> FPriorityQueue;
  std::deque<TQueuedRequest> FNormalQueue;
  std::unordered_map<TRequestKey, UInt64, TRequestKeyHash> FQueued;
  UInt64 FNextSerial = 0;
  HANDLE FFetchStoppedEvent = nullptr;
  HANDLE FFetchThread = nullptr;
  bool FIsFetchQueueClearing = false;
  TWinControl* FOwner;
  Integer FStopFetchCount = 0;
  HANDLE FStopFetchEvent = nullptr;
  HANDLE FTerminateFetchThreadEvent = nullptr;
  // The stop request the worker acknowledged last; StopFetch waits for its own number.
  std::atomic<UInt64> FStopRequest{0};
  std::atomic<UInt64> FStopAcknowledged{0};
};

// The worker thread's routine (the parameter is the gatherer) and the filling of one
// queued request on it.
DWORD WINAPI vxShellFetchThreadProc(LPVOID Param);
void vxShellFetchQueuedItem(TvxShellItemsInfoGatherer* AGatherer, const TvxRequestItem& R);

// --- what both views do with their items -------------------------------------------------

// Renames Item (of producer P, whose folder is asked) to NewName. Only a rename that
// worked gives the item its new identifier (under P's write lock); the result is the
// shell's.
HRESULT vxShellRenameItem(TvxCustomItemProducer* P, TvxShellItemInfo* Item, HWND Wnd, const String& NewName);

// --- root and options ---------------------------------------------------------------------

enum TvxBrowseFolder {
  bfCustomPath, bfAltStartup, bfBitBucket, bfCommonDesktopDirectory, bfCommonDocuments, bfCommonFavorites,
  bfCommonPrograms, bfCommonStartMenu, bfCommonStartup, bfCommonTemplates, bfControls, bfDesktop,
  bfDesktopDirectory, bfDrives, bfPrinters, bfFavorites, bfFonts, bfHistory, bfMyMusic, bfMyPictures,
  bfNetHood, bfProfile, bfProgramFiles, bfPrograms, bfRecent, bfStartMenu, bfStartUp, bfTemplates
};
ENUM_TYPEINFO(TvxBrowseFolder, bfCustomPath, bfAltStartup, bfBitBucket, bfCommonDesktopDirectory, bfCommonDocuments,
              bfCommonFavorites, bfCommonPrograms, bfCommonStartMenu, bfCommonStartup, bfCommonTemplates, bfControls,
              bfDesktop, bfDesktopDirectory, bfDrives, bfPrinters, bfFavorites, bfFonts, bfHistory, bfMyMusic,
              bfMyPictures, bfNetHood, bfProfile, bfProgramFiles, bfPrograms, bfRecent, bfStartMenu, bfStartUp,
              bfTemplates)
extern const int vxBrowseFolderCsidl[28];

class TvxCustomShellRoot : public TPersistent {
  DECLARE_CLASS(TvxCustomShellRoot, TPersistent)
  PUBLISHED(TvxCustomShellRoot)
 public:
  TvxCustomShellRoot(TPersistent* AOwner, HWND AParentWindow);
  ~TvxCustomShellRoot() override;
  virtual void ResolveRootFolder();
  void CheckRoot() {
    if (!FShellFolder) ResolveRootFolder();
  }
  TvxBrowseFolder BrowseFolder() const { return FBrowseFolder; }
  void SetBrowseFolder(TvxBrowseFolder Value);
  String CustomPath() const { return FCustomPath; }
  void SetCustomPath(const String& Value);
  String CurrentPath() const;
  // Copies the browse folder and the custom path of another root, resolving it once and
  // reporting the change once.
  void Assign(TPersistent* Source) override;
  // Takes the settings of a linked view's root without reporting them back to it; a
  // call while one runs does nothing.
  void Update(TvxCustomShellRoot* ARoot);
  PItemIDList Pidl() const { return FPidl.get(); }
  void SetPidl(PItemIDList Value);
  IShellFolder* ShellFolder() const { return FShellFolder; }
  TvxShellFolder* Folder() const { return FFolder.get(); }
  bool Valid() const { return FValid; }
  DWORD Attributes() const { return FAttributes; }
  TPersistent* Owner() const { return FOwner; }
  // A linked view's root changed (its root-changed message, wParam the root, sent to
  // View): the settings are taken unless View's parent is being read from a form.
  void TakeLinkedRoot(TWinControl* View, WPARAM LinkedRoot);
  TNotifyEvent OnSettingsChanged;

 protected:
  virtual void RootChanged();

 private:
  void ChangeSettings(const std::function<void()>& Store);
  DWORD FAttributes = 0;
  TvxBrowseFolder FBrowseFolder = bfDesktop;
  String FCustomPath;
  std::unique_ptr<TvxShellFolder> FFolder;
  bool FIsRootChecking = false;
  TPersistent* FOwner;
  HWND FParentWindow;
  TvxPidl FPidl;
  Integer FRootChangingCount = 0;
  IShellFolder* FShellFolder = nullptr;
  bool FUpdating = false;
  bool FValid = false;
};

class TvxShellOptions : public TPersistent {
  DECLARE_CLASS(TvxShellOptions, TPersistent)
  PUBLISHED(TvxShellOptions)
 public:
  explicit TvxShellOptions(TWinControl* AOwner) : FOwner(AOwner) {}
  DWORD GetEnumFlags() const;
  bool ShowFolders() const { return FShowFolders; }
  void SetShowFolders(bool Value);
  bool ShowNonFolders() const { return FShowNonFolders; }
  void SetShowNonFolders(bool Value);
  bool ShowHidden() const { return FShowHidden; }
  void SetShowHidden(bool Value);
  bool ContextMenus() const { return FContextMenus; }
  void SetContextMenus(bool Value) { FContextMenus = Value; }
  bool TrackShellChanges() const { return FTrackShellChanges; }
  void SetTrackShellChanges(bool Value) { FTrackShellChanges = Value; }
  bool ShowToolTip() const { return FShowToolTip; }
  void SetShowToolTip(bool Value);
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnShowToolTipChanged;

 private:
  void NotifyOwner();
  bool FContextMenus = true;
  TWinControl* FOwner;
  bool FShowFolders = true;
  bool FShowToolTip = true;
  bool FShowNonFolders = true;
  bool FShowHidden = false;
  bool FTrackShellChanges = true;
};

// The views' private messages.
constexpr UINT WM_VXSHELL_ITEMSCOUNT = 0xB13B;
constexpr UINT WM_VXSHELL_UPDATEITEM = 0xB13C;
constexpr UINT WM_VXSHELL_REMOVEITEM = 0xB13E;
constexpr UINT WM_VXSHELL_ADDITEM = 0xB13F;
constexpr UINT WM_VXSHELL_OPTIONSCHANGED = 0xB140;
constexpr UINT WM_VXSHELL_AFTERDROP = 0xB141;
constexpr UINT WM_VXSHELL_NAVIGATE = 0xB142;
constexpr UINT WM_VXSHELL_ROOTCHANGED = 0xB143;
constexpr UINT WM_VXSHELL_CHANGEPIDLS = 0xB144;
constexpr UINT WM_VXSHELL_DEFERREDNAVIGATE = 0xB145;
constexpr UINT WM_VXSHELL_NOTIFY = 0xB146;

extern const TUnitInfo vxShellCommonUnit;
