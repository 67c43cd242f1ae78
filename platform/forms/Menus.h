// Menus: menu components over system menus. A TMenuItem tree is turned into an HMENU
// (rebuilt when the tree changes); commands, shortcuts, owner drawing and image-list
// images come back to the items. TMainMenu sits in a window's menu bar, TPopupMenu
// shows itself at a point.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "Controls.h"
#include "Graphics.h"
#include "ImgList.h"
#include "Persistent.h"
#include "SysInit.h"

class TMenu;
class TMenuItem;

// A key with its modifiers: the virtual key in the low byte, the modifiers as flags.
using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
// "Ctrl+Shift+S", "F5", "Del"; "" for scNone or an unnamed key.
String ShortCutToText(TShortCut ShortCut);
// The reverse (modifier and key names compared without regard to case); 0 when the text
// names no key.
TShortCut TextToShortCut(const String& Text);
// "&File" -> "File"; "&&" stays one "&".
String StripHotkey(const String& Text);
// The hot key character of a caption (after a single "&"), upper-cased; 0 when none.
wchar_t GetHotkey(const String& Text);

enum TOwnerDrawStateItem {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
  odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = Set<TOwnerDrawStateItem, 16>;
TOwnerDrawState OwnerDrawStateOf(UINT ItemState);

using TMenuMeasureItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, Integer& Width, Integer& Height)>;
using TMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, TOwnerDrawState State)>;

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
ENUM_TYPEINFO(TMenuBreak, mbNone, mbBreak, mbBarBreak)

DECLARE_EXCEPTION(EMenuError, Exception)

class TMenuItem : public TComponent {
  DECLARE_CLASS(TMenuItem, TComponent)
  PUBLISHED(TMenuItem)
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  // Children.
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TMenuItem* Items(Integer Index) const;
  void Add(TMenuItem* Item);
  void Add(const std::vector<TMenuItem*>& AItems);
  void Insert(Integer Index, TMenuItem* Item);
  // Removes (without freeing) the item at Index.
  void Delete(Integer Index);
  void Remove(TMenuItem* Item);
  // Frees every child.
  void Clear();
  Integer IndexOf(TMenuItem* Item) const;
  // The child whose caption, without its hot key, is ACaption (case-insensitive).
  TMenuItem* Find(const String& ACaption) const;
  TMenuItem* Parent() const { return FParent; }
  Integer MenuIndex() const { return FParent ? FParent->IndexOf(const_cast<TMenuItem*>(this)) : -1; }
  void SetMenuIndex(Integer Value);
  TMenu* GetParentMenu() const;
  bool IsLine() const { return FCaption == L"-"; }

  String Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  Byte GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Byte Value);
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  TImageIndex ImageIndex() const { return FImageIndex; }
  void SetImageIndex(TImageIndex Value);
  TMenuBreak Break() const { return FBreak; }
  void SetBreak(TMenuBreak Value);
  String Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  // A picture shown when the menu has no image list (or the index is -1).
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value);
  // The image list of the item's submenu (overrides the menu's for its children).
  TCustomImageList* SubMenuImages() const { return FSubMenuImages; }
  void SetSubMenuImages(TCustomImageList* Value);

  // The command number the system menu reports for this item.
  UINT Command() const { return FCommand; }
  // The item's submenu handle (made with the parent menu's handle).
  HMENU Handle();

  // Runs the item as a menu choice: toggles AutoCheck items, then OnClick.
  virtual void Click();
  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Owner drawing, called for WM_MEASUREITEM and WM_DRAWITEM.
  virtual void MeasureItem(TCanvas* ACanvas, Integer& Width, Integer& Height);
  virtual void AdvancedDrawItem(TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State,
                                bool TopLevel);
  // The image list in effect for this item (its parent's SubMenuImages, else the menu's).
  TCustomImageList* GetImageList() const;
  bool IsOwnerDraw() const;

 protected:
  friend class TMenu;
  friend class TMainMenu;
  // Tells the menu that the tree changed (it rebuilds its system menu).
  void MenuChanged();
  void AppendTo(HMENU Menu, bool TopLevel);
  void DestroyHandle();
  // Forgets the handles of this item and every item below it, without freeing them.
  void ForgetHandles();
  void TurnSiblingsOff();

 private:
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item
  String FCaption;
  String FHint;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FDefault = false;
  bool FRadioItem = false;
  bool FAutoCheck = false;
  Byte FGroupIndex = 0;
  TShortCut FShortCut = 0;
  TImageIndex FImageIndex = -1;
  TMenuBreak FBreak = mbNone;
  std::unique_ptr<TBitmap> FBitmap;
  TCustomImageList* FSubMenuImages = nullptr;
  UINT FCommand = 0;
  HMENU FHandle = nullptr;
};

enum TMenuItemFindKind { fkCommand, fkHandle, fkShortCut };

class TMenu : public TComponent {
  DECLARE_CLASS(TMenu, TComponent)
  PUBLISHED(TMenu)
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  TMenuItem* Items() const { return FItems.get(); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  // The system menu, built from the items on first use and after every change.
  HMENU Handle();
  bool HandleAllocated() const { return FItems->FHandle != nullptr; }

  TMenuItem* FindItem(UINT_PTR Value, TMenuItemFindKind Kind);
  // Runs the item with this command number; false when none has it.
  bool DispatchCommand(UINT ACommand);
  // A WM_KEYDOWN (or CN_KEYDOWN) that is the shortcut of an enabled, visible item runs
  // that item and answers true.
  virtual bool IsShortCut(TWMKey& Message);
  // Handles WM_MEASUREITEM and WM_DRAWITEM for this menu's items; true when it did.
  bool HandleOwnerDrawMessage(TMessage& Message);

  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;

 protected:
  friend class TMenuItem;
  virtual void MenuChanged();
  virtual bool IsPopup() const { return false; }
  void RebuildHandle();
  void ImageListChange(TObject* Sender);

 private:
  std::unique_ptr<TMenuItem> FItems;
  TCustomImageList* FImages = nullptr;
  TChangeLink FImageChangeLink;
  bool FOwnerDraw = false;
};

class TMainMenu : public TMenu {
  DECLARE_CLASS(TMainMenu, TMenu)
  PUBLISHED(TMainMenu)
 public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
  ~TMainMenu() override;
  // The window whose menu bar shows this menu; its WM_COMMAND, WM_MEASUREITEM and
  // WM_DRAWITEM messages are passed to DispatchCommand and HandleOwnerDrawMessage.
  HWND WindowHandle() const { return FWindowHandle; }
  void SetWindowHandle(HWND Value);
  bool AutoMerge() const { return FAutoMerge; }
  void SetAutoMerge(bool Value) { FAutoMerge = Value; }
  // Called by the window's subclass when the window goes: the window frees the menu bar it
  // shows along with itself, so the items forget those handles and the menu the window.
  void zs_WindowDestroyed();

 protected:
  void MenuChanged() override;

 private:
  HWND FWindowHandle = nullptr;
  bool FAutoMerge = false;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
ENUM_TYPEINFO(TPopupAlignment, paLeft, paRight, paCenter)
enum TTrackButton { tbRightButton, tbLeftButton };
ENUM_TYPEINFO(TTrackButton, tbRightButton, tbLeftButton)

class TPopupMenu : public TMenu {
  DECLARE_CLASS(TPopupMenu, TMenu)
  PUBLISHED(TPopupMenu)
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  // Shows the menu with its corner at the screen point X, Y (after OnPopup) and runs
  // the chosen item once the menu has closed.
  virtual void Popup(Integer X, Integer Y);
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
  POINT PopupPoint() const { return FPopupPoint; }
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  TTrackButton TrackButton() const { return FTrackButton; }
  void SetTrackButton(TTrackButton Value) { FTrackButton = Value; }
  TNotifyEvent OnPopup;
  TNotifyEvent OnClose;

 protected:
  virtual void DoPopup(TObject* Sender);
  bool IsPopup() const override { return true; }

 private:
  TComponent* FPopupComponent = nullptr;
  POINT FPopupPoint{0, 0};
  TPopupAlignment FAlignment = paLeft;
  bool FAutoPopup = true;
  TTrackButton FTrackButton = tbRightButton;
};

// Runs the shortcut of a key message for a control: the popup menus of the control
// and its parents first, then the main menu of its form. True when an item ran.
bool IsMenuShortCut(TControl* Control, TWMKey& Message);
// Shows a control's popup menu (when AutoPopup) at a screen point; true when shown.
bool ShowControlPopupMenu(TControl* Control, POINT ScreenPos);

extern const TUnitInfo MenusUnit;
