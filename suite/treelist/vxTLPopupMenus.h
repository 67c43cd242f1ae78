// The tree list's own context menus for a column header, the footer and a group footer:
// each shows a menu the user assigns, or one the tree list builds from its own commands.
#pragma once

#include <memory>
#include <vector>

#include "Menus.h"
#include "vxImageList.h"
#include "vxTL.h"

class TvxTreeListPopupMenu;

enum TvxTreeListBuiltInMenuItemType { tlmitDefault, tlmitChecked, tlmitSubItem };

enum TvxTreeListFooterPopupMenuItem {
  tlfmiSum,
  tlfmiMin,
  tlfmiMax,
  tlfmiAverage,
  tlfmiCount,
  tlfmiNone,
  tlfmiAllNodes
};
using TvxTreeListFooterPopupMenuItems = Set<TvxTreeListFooterPopupMenuItem, 7>;

enum TvxTreeListColumnHeaderPopupMenuItem {
  tlchmiSortAscending,
  tlchmiSortDescending,
  tlchmiClearSorting,
  tlchmiFooter,
  tlchmiGroupFooters,
  tlchmiRemoveThisColumn,
  tlchmiFieldChooser,
  tlchmiHorzAlignment,
  tlchmiVertAlignment,
  tlchmiBestFit,
  tlchmiBestFitAllColumns
};
using TvxTreeListColumnHeaderPopupMenuItems = Set<TvxTreeListColumnHeaderPopupMenuItem, 11>;

// (Sender, the clicked item, var AHandled)
using TvxTreeListPopupMenuClickEvent = std::function<void(TvxCustomTreeList* Sender, TObject* AItem, bool& AHandled)>;
// (Sender, the menu about to show, var AHandled)
using TvxTreeListPopupMenuPopupEvent =
    std::function<void(TvxCustomTreeList* Sender, TvxTreeListPopupMenu* AContextMenu, bool& AHandled)>;

// A menu the user assigns, shown at a screen point for the tree list.
class TvxTreeListCustomPopupMenu : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListCustomPopupMenu, TvxOwnedPersistent)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  TComponent* PopupMenu() const { return FPopupMenu; }
  // The tree list is told when the menu goes (see the popup menus' Notification).
  virtual void SetPopupMenu(TComponent* Value);
  virtual TvxCustomTreeList* TreeList() const;
  virtual bool Popup(Integer X, Integer Y);

 protected:
  TComponent* FPopupMenu = nullptr;
};

// The built-in menu component, rebuilt at every showing.
class TvxTreeListBuiltInMenu : public TvxTreeListCustomPopupMenu {
  DECLARE_CLASS(TvxTreeListBuiltInMenu, TvxTreeListCustomPopupMenu)
 public:
  explicit TvxTreeListBuiltInMenu(TvxTreeListPopupMenu* AOwner);
  ~TvxTreeListBuiltInMenu() override;
  TvxTreeListPopupMenu* Owner() const;
  TvxCustomTreeList* TreeList() const override;
  // The old menu component is freed and a new one made.
  void CreatePopupMenu();
  void DestroyPopupMenu();
  TPopupMenu* Menu() const { return static_cast<TPopupMenu*>(FPopupMenu); }
  TMenuItem* Root() const { return Menu() ? Menu()->Items() : nullptr; }
  void ItemClick(TObject* Sender);
};

// An item of the built-in menu; its command is its Tag.
class TvxTreeListBuiltInMenuItem : public TMenuItem {
  DECLARE_CLASS(TvxTreeListBuiltInMenuItem, TMenuItem)
 public:
  using TMenuItem::TMenuItem;
  bool Internal() const { return FInternal; }
  TvxTreeListBuiltInMenu* BuiltInMenu() const { return FBuiltInMenu; }
  // Checked items draw a frame around their image box.
  void AdvancedDrawItem(TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State, bool TopLevel) override;

 private:
  friend class TvxTreeListPopupMenu;
  bool FInternal = false;
  TvxTreeListBuiltInMenu* FBuiltInMenu = nullptr;
};

// One of the tree list's context menus: the user's menu, or (UseBuiltInMenu) the built-in
// one made of the tree list's commands.
class TvxTreeListPopupMenu : public TvxTreeListCustomPopupMenu {
  DECLARE_CLASS(TvxTreeListPopupMenu, TvxTreeListCustomPopupMenu)
 public:
  explicit TvxTreeListPopupMenu(TvxCustomTreeList* AOwner);
  ~TvxTreeListPopupMenu() override;
  void Assign(TPersistent* Source) override;
  TvxCustomTreeList* TreeList() const override;
  bool Popup(Integer X, Integer Y) override;
  // Accepts the hit (client point) and takes what it needs from it.
  virtual bool CheckHitTest(TvxTreeListHitTest* AHitTest) { return false; }
  void Notification(TComponent* AComponent, TOperation Operation);

  bool UseBuiltInMenu() const { return FUseBuiltInMenu; }
  void SetUseBuiltInMenu(bool Value);
  TCustomImageList* UserImages() const { return FUserImages; }
  void SetUserImages(TCustomImageList* Value);
  TvxImageList* Images() const { return FImages.get(); }
  TvxTreeListBuiltInMenu* BuiltInMenu() const { return FBuiltInMenu.get(); }
  TvxTreeListPopupMenuClickEvent OnClick;
  TvxTreeListPopupMenuPopupEvent OnPopup;

  // Adds an item (after a separator when AWithSeparator) with the user's images; the
  // internal variant uses the menu's own images.
  TComponent* CreateMenuItem(TComponent* AOwner, const String& ACaption, Integer ACommand, bool AEnabled = true,
                             TvxTreeListBuiltInMenuItemType AItemType = tlmitDefault, bool AChecked = false,
                             Integer AImageIndex = -1, bool AWithSeparator = false);
  // Runs the command of a built-in item after OnClick let it.
  void DoClick(TvxTreeListBuiltInMenuItem* AItem);

 protected:
  virtual void AddItems(TMenuItem* ARoot) {}
  virtual void ExecuteCommand(Integer ACommand) {}
  virtual Integer ImageCount() { return 0; }
  virtual String ImageResourcePrefix() { return String(); }
  void FillInternalImages();
  TMenuItem* CreateInternalMenuItem(TMenuItem* AOwner, const String& ACaption, Integer ACommand, bool AEnabled,
                                    TvxTreeListBuiltInMenuItemType AItemType, bool AChecked, Integer AImageIndex,
                                    bool AWithSeparator);

 private:
  TMenuItem* AddMenuItem(TComponent* AOwner, bool AInternal, const String& ACaption, Integer ACommand, bool AEnabled,
                         bool AChecked, Integer AImageIndex, bool AWithSeparator);
  std::unique_ptr<TvxTreeListBuiltInMenu> FBuiltInMenu;
  std::unique_ptr<TvxImageList> FImages;
  bool FImagesFilled = false;
  bool FUseBuiltInMenu = false;
  TCustomImageList* FUserImages = nullptr;
};

// The footer's menu: the summary kinds of the column under the mouse.
class TvxTreeListFooterPopupMenu : public TvxTreeListPopupMenu {
  DECLARE_CLASS(TvxTreeListFooterPopupMenu, TvxTreeListPopupMenu)
 public:
  using TvxTreeListPopupMenu::TvxTreeListPopupMenu;
  void Assign(TPersistent* Source) override;
  bool CheckHitTest(TvxTreeListHitTest* AHitTest) override;
  TvxTreeListFooterPopupMenuItems Items() const { return FItems; }
  void SetItems(TvxTreeListFooterPopupMenuItems Value) { FItems = Value; }
  TvxTreeListSummaryItems* SummaryItems() const { return FSummaryItems; }
  void SetSummaryItems(TvxTreeListSummaryItems* Value) { FSummaryItems = Value; }
  // Sum, Min, Max and Average need a numeric (or, for Min and Max, date) value type.
  static bool IsKindAllowed(TvxTreeListColumn* AColumn, TvxSummaryKind AKind);
  void ExecuteCommand(Integer ACommand) override;

 protected:
  void AddItems(TMenuItem* ARoot) override;
  Integer ImageCount() override { return 5; }
  String ImageResourcePrefix() override { return L"TLFTRIMG"; }

 private:
  TvxTreeListFooterPopupMenuItems FItems{tlfmiSum, tlfmiMin, tlfmiMax, tlfmiAverage, tlfmiCount, tlfmiNone,
                                         tlfmiAllNodes};
  TvxTreeListSummaryItems* FSummaryItems = nullptr;
};

class TvxTreeListGroupFooterPopupMenu : public TvxTreeListFooterPopupMenu {
  DECLARE_CLASS(TvxTreeListGroupFooterPopupMenu, TvxTreeListFooterPopupMenu)
 public:
  using TvxTreeListFooterPopupMenu::TvxTreeListFooterPopupMenu;
  bool CheckHitTest(TvxTreeListHitTest* AHitTest) override;
};

// The column header's menu: sorting, footers, hiding, the field chooser, alignment and
// best fit of the column under the mouse.
class TvxTreeListColumnHeaderPopupMenu : public TvxTreeListPopupMenu {
  DECLARE_CLASS(TvxTreeListColumnHeaderPopupMenu, TvxTreeListPopupMenu)
 public:
  using TvxTreeListPopupMenu::TvxTreeListPopupMenu;
  void Assign(TPersistent* Source) override;
  bool CheckHitTest(TvxTreeListHitTest* AHitTest) override;
  TvxTreeListColumnHeaderPopupMenuItems Items() const { return FItems; }
  void SetItems(TvxTreeListColumnHeaderPopupMenuItems Value) { FItems = Value; }
  TvxTreeListColumn* Column() const { return FColumn; }
  void SetColumn(TvxTreeListColumn* Value) { FColumn = Value; }
  void ExecuteCommand(Integer ACommand) override;

 protected:
  void AddItems(TMenuItem* ARoot) override;
  Integer ImageCount() override { return 6; }
  String ImageResourcePrefix() override { return L"TLHDRIMG"; }

 private:
  // An item of the menu, after a separator when one was noted.
  TMenuItem* Add(TMenuItem* AOwner, TResStringRec* ACaption, Integer ACommand, bool AEnabled,
                 TvxTreeListBuiltInMenuItemType AType, bool AChecked, Integer AImage);
  TvxTreeListColumn* FColumn = nullptr;
  TvxTreeListColumnHeaderPopupMenuItems FItems{tlchmiSortAscending,    tlchmiSortDescending, tlchmiClearSorting,
                                               tlchmiFooter,           tlchmiGroupFooters,   tlchmiRemoveThisColumn,
                                               tlchmiFieldChooser,     tlchmiHorzAlignment,  tlchmiVertAlignment,
                                               tlchmiBestFit,          tlchmiBestFitAllColumns};
  bool FSeparatorNeeded = false;
};

// The tree list's three menus, tried in the order footer, group footer, column header.
class TvxTreeListPopupMenus : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxTreeListPopupMenus, TvxOwnedPersistent)
 public:
  explicit TvxTreeListPopupMenus(TvxCustomTreeList* AOwner);
  ~TvxTreeListPopupMenus() override;
  void Assign(TPersistent* Source) override;
  TvxTreeListColumnHeaderPopupMenu* ColumnHeaderMenu() const { return FColumnHeaderMenu; }
  TvxTreeListFooterPopupMenu* FooterMenu() const { return FFooterMenu; }
  TvxTreeListGroupFooterPopupMenu* GroupFooterMenu() const { return FGroupFooterMenu; }
  // A context menu request at a screen point; True when one of the menus showed.
  bool Popup(Integer X, Integer Y);
  void Notification(TComponent* AComponent, TOperation Operation);

 private:
  TvxCustomTreeList* FTreeList;
  std::vector<std::unique_ptr<TvxTreeListPopupMenu>> FMenus;
  TvxTreeListColumnHeaderPopupMenu* FColumnHeaderMenu = nullptr;
  TvxTreeListFooterPopupMenu* FFooterMenu = nullptr;
  TvxTreeListGroupFooterPopupMenu* FGroupFooterMenu = nullptr;
};
