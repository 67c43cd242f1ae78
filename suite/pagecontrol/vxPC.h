// The custom-drawn tab control: the tab list, the painter registry and painter base,
// the tab layout, the tab control itself and the page control with its tab sheets.
#pragma once

#include <memory>
#include <vector>

#include "Menus.h"
#include "SysInit.h"
#include "vxControls.h"
#include "vxGraphics.h"
#include "vxLookAndFeels.h"

class TvxCustomTabControl;
class TvxPageControl;
class TvxTabSheet;
class TvxTabs;
class TvxPCCustomPainter;

using TvxPCStyleID = Integer;
enum TvxPCOption : int {
  pcoAlwaysShowGoDialogButton, pcoCloseButton, pcoFixedTabWidthWhenRotated, pcoGoDialog, pcoGradient,
  pcoGradientClientArea, pcoNoArrows, pcoRedrawOnResize, pcoSort, pcoTopToBottomText, pcoUsePageColorForTab
};
using TvxPCOptions = Set<TvxPCOption, 16>;
enum TvxTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TvxPCNavigatorPosition { npLeftTop, npLeftBottom, npRightTop, npRightBottom };
enum TvxPCNavigatorButton { nbTopLeft, nbBottomRight, nbGoDialog, nbClose };
using TvxPCNavigatorButtons = Set<TvxPCNavigatorButton>;
enum TvxPCNavigatorButtonState : Byte { nbsNormal, nbsPressed, nbsHotTrack, nbsDisabled };
enum TvxPCStandardStyle { tsTabs, tsButtons, tsFlatButtons };
ENUM_TYPEINFO(TvxPCOption, pcoAlwaysShowGoDialogButton, pcoCloseButton, pcoFixedTabWidthWhenRotated, pcoGoDialog,
              pcoGradient, pcoGradientClientArea, pcoNoArrows, pcoRedrawOnResize, pcoSort, pcoTopToBottomText,
              pcoUsePageColorForTab)
ENUM_TYPEINFO(TvxTabPosition, tpTop, tpBottom, tpLeft, tpRight)
ENUM_TYPEINFO(TvxPCNavigatorPosition, npLeftTop, npLeftBottom, npRightTop, npRightBottom)
SET_TYPEINFO(TvxPCOptions, TvxPCOption)
enum TvxTabSlantKind { skCutCorner, skSlant };
enum TvxTabSlantPosition { spLeft, spRight };
using TvxTabSlantPositions = Set<TvxTabSlantPosition>;
ENUM_TYPEINFO(TvxTabSlantKind, skCutCorner, skSlant)
ENUM_TYPEINFO(TvxTabSlantPosition, spLeft, spRight)
SET_TYPEINFO(TvxTabSlantPositions, TvxTabSlantPosition)

// Change kinds of a tab, passed on to the painter.
enum : Integer {
  tckContent = 0, tckColor = 1, tckEnabled = 2, tckFocus = 3, tckHighlighted = 4, tckHotTrack = 5,
  tckMainTab = 6, tckLayout = 7, tckPressed = 8, tckSelected = 9, tckTracking = 10
};

struct TvxPCRectCorrection {
  Integer dLeft = 0, dTop = 0, dRight = 0, dBottom = 0;
};
struct TvxPCTabPosition {
  TPoint TabNormalPosition{0, 0};
  Integer TabNormalWidth = 0;
  TvxPCRectCorrection TabRectCorrection;
};
struct TvxPCTabsPosition {
  TRect ExtendedTabsRect{};
  Integer ExtendedTopOrLeftTabsRectBottomOrRightBorderOffset = 0;
  Integer ExtendedBottomOrRightTabsRectTopOrLeftBorderOffset = 0;
  Integer MinDistanceBetweenTopOrLeftAndBottomOrRightExtendedTabsRects = 0;
  Integer NormalRowWidth = 0;
  TRect NormalTabsRect{};
};
struct TvxPCOutTabImageAndTextData {
  TRect TabImageRect{};
  TRect TabTextRect{};
  Integer TabVisibleIndex = -1;
};
struct TvxPCIndexInterval {
  Integer Left = 0, Right = 0;
};
using TvxPCLineIndexBoundsArray = std::vector<TvxPCIndexInterval>;
struct TvxPCSizePair {
  Integer First = 0, Second = 0;
};

// ---------------------------------------------------------------------------------------
// Tab model.

class TvxTab : public TPersistent {
  DECLARE_CLASS(TvxTab, TPersistent)
 public:
  TvxTab(TvxTabs* ATabs, Integer AIndex);
  ~TvxTab() override;
  void AssignTo(TPersistent* Dest) override;

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Highlighted() const { return FHighlighted; }
  void SetHighlighted(bool Value);
  Integer ImageIndex() const;
  void SetImageIndex(Integer Value);
  bool Selected() const { return FSelected; }
  void SetSelected(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TObject* Object() const { return FObject; }
  void SetObject(TObject* Value) { FObject = Value; }

  Integer Index() const { return FIndex; }
  Integer VisibleIndex() const;
  Integer Row() const { return FRow; }
  Integer VisibleRow() const { return FVisibleRow; }
  bool IsMainTab() const;
  bool HotTrack() const;
  bool Pressed() const;
  bool Tracking() const;
  bool RealEnabled() const;
  bool RealVisible() const;
  TRect NormalRect() const;
  TRect FullRect();
  TRect VisibleRect();
  TvxTabPosition PaintingPosition() const;
  Integer PaintingPositionIndex() const;
  TBitmap* PaintBitmap() const { return FPaintBitmap.get(); }
  const TvxPCTabPosition& TabPosition() const { return FTabPosition; }
  TvxTabs* Tabs() const { return FTabs; }
  // The image index as stored (written to a form only when it differs from Index).
  Integer StoredImageIndex() const { return FImageIndex; }

  void InitializePaintBitmap();
  void ResetPaintBitmap() { FPaintBitmap.reset(); }
  void ResetVerticalTextBitmap() { FVerticalTextBitmap.reset(); }

 private:
  friend class TvxTabs;
  friend class TvxCustomTabControl;
  friend class TvxPCCustomPainter;
  friend class TvxTabSheet;
  void Changed(Integer AKind);
  TvxCustomTabControl* Control() const;

  String FCaption;
  TColor FColor = clDefault;
  bool FEnabled = true;
  bool FHighlighted = false;
  Integer FImageIndex;
  Integer FIndex;
  TObject* FObject = nullptr;
  std::unique_ptr<TBitmap> FPaintBitmap;
  Integer FRow = 0;
  bool FSelected = false;
  TvxPCTabPosition FTabPosition;
  TvxTabs* FTabs;
  std::unique_ptr<TBitmap> FVerticalTextBitmap;
  bool FVisible = true;
  Integer FVisibleRow = 0;
};

// The tabs of a control; the strings are the captions, the objects each tab's object.
class TvxTabs : public TPersistent {
  DECLARE_CLASS(TvxTabs, TPersistent)
 public:
  explicit TvxTabs(TvxCustomTabControl* AParent);
  ~TvxTabs() override;

  Integer Count() const { return static_cast<Integer>(FTabsItemA.size()); }
  Integer Add(const String& S) { Insert(Count(), S); return Count() - 1; }
  void Insert(Integer Index, const String& S);
  void Delete(Integer Index);
  void Clear();
  void Move(Integer CurIndex, Integer NewIndex);
  String Get(Integer Index) const;
  void Put(Integer Index, const String& S);
  TObject* GetObject(Integer Index) const;
  void PutObject(Integer Index, TObject* AObject);
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  void Assign(TPersistent* Source) override;

  TvxTab* Tab(Integer Index) const;
  TvxTab* VisibleTab(Integer AVisibleIndex) const;
  Integer VisibleTabsCount() const;
  Integer TabNormalHeight() const { return FTabNormalHeight; }
  TvxCustomTabControl* Parent() const { return FParent; }

  void ResetTabVerticalTextBitmaps();
  virtual void NotifyTabDestroying(Integer AIndex, bool AFlag);
  [[noreturn]] virtual void RaiseIndexError(const String& AMethodName, Integer AIndex) const;
  void Changed(Integer AVisibleIndex, Integer AKind);
  void SetHotTrackTab(Integer AVisibleIndex);
  void UpdateMainTab();
  void SetTrackingTab(Integer AVisibleIndex);
  void RefreshTabImages();

 private:
  friend class TvxTab;
  friend class TvxVisibleTabList;
  friend class TvxCustomTabControl;
  std::vector<TvxTab*> FTabsItemA;  // owned
  TvxCustomTabControl* FParent;
  Integer FTabNormalHeight = 0;
  bool FNotification = false;
  bool FUpdating = false;
  Integer FUpdateCount = 0;
};

class TvxVisibleTabList : public TObject {
  DECLARE_CLASS(TvxVisibleTabList, TObject)
 public:
  explicit TvxVisibleTabList(TvxCustomTabControl* AParent) : FParent(AParent) {}
  Integer Count() const { return static_cast<Integer>(TabIndexA.size()); }
  TvxTab* GetTab(Integer AVisibleIndex) const;
  bool FindVisibleTab(Integer ATabIndex, Integer& AVisibleIndex) const;
  void HideTab(Integer ATabIndex);
  void ShowTab(Integer ATabIndex);
  void Update();
  Integer TabVisibleIndexOf(Integer ATabIndex) const;
  std::vector<Integer> TabIndexA;

 private:
  TvxCustomTabControl* FParent;
};

class TvxTabSlants : public TPersistent {
  DECLARE_CLASS(TvxTabSlants, TPersistent)
  PUBLISHED(TvxTabSlants)
 public:
  explicit TvxTabSlants(TPersistent* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  TvxTabSlantKind Kind() const { return FKind; }
  void SetKind(TvxTabSlantKind Value);
  TvxTabSlantPositions Positions() const { return FPositions; }
  void SetPositions(TvxTabSlantPositions Value);
  TNotifyEvent OnChange;

 private:
  TvxTabSlantKind FKind = skSlant;
  TPersistent* FOwner;
  TvxTabSlantPositions FPositions{spLeft};
};

// ---------------------------------------------------------------------------------------
// Painter registry and painter base.

// A painter class reference: one object per painter class whose virtual methods are the
// class functions, and which creates the painters of its class.
class TvxPCPainterClassInfo {
 public:
  virtual ~TvxPCPainterClassInfo() = default;
  virtual TvxPCCustomPainter* Create(TvxCustomTabControl* AParent) const = 0;
  virtual TvxPCStandardStyle GetStandardStyle() const { return tsTabs; }
  virtual TvxPCStyleID GetStyleID() const { return -1; }
  virtual String GetStyleName() const { return String(); }
  virtual bool HasLookAndFeel(TvxLookAndFeel* ALookAndFeel) const { return false; }
  virtual bool IsDefault(TvxLookAndFeel* ALookAndFeel) const { return false; }
  virtual bool IsMainTabBoundWithClient() const { return true; }
  virtual bool IsMultiSelectionAccepted() const { return false; }
  virtual bool IsStandardStyle() const { return false; }
  virtual bool IsTabPressable() const { return false; }
};
using TvxPCPainterClass = const TvxPCPainterClassInfo*;

class TvxPCPaintersFactory : public TObject {
  DECLARE_CLASS(TvxPCPaintersFactory, TObject)
 public:
  void RegisterPCPainterClass(TvxPCPainterClass AClass);
  void UnregisterPCPainterClass(TvxPCPainterClass AClass);
  Integer PainterClassCount() const { return static_cast<Integer>(FPainterClassList.size()); }
  TvxPCPainterClass GetPainterClass(TvxPCStandardStyle AStandardStyle) const;
  TvxPCPainterClass GetPainterClass(TvxPCStyleID AStyleID) const;
  TvxPCPainterClass GetPainterClass(const String& AStyleName) const;
  TvxPCStyleID GetStyleID(TvxLookAndFeel* ALookAndFeel) const;
  TvxPCStyleID GetDefaultStyleID(TvxLookAndFeel* ALookAndFeel) const;
  TvxPCCustomPainter* GetPainterInstance(TvxPCPainterClass AClass, TvxCustomTabControl* AParent) const;
  void FreePainterInstance(TvxPCCustomPainter* APainter) const;

 private:
  std::vector<TvxPCPainterClass> FPainterClassList;
};

// The process-wide registry; nil until the first registration.
TvxPCPaintersFactory* PaintersFactory();
void RegisterPCPainter(TvxPCPainterClass AClass);
void UnregisterPCPainter(TvxPCPainterClass AClass);

// The control's images: the base image list, and for rotated captions copies of its
// images turned by the caption rotation on the background they are drawn on.
class TvxPCImageList : public TObject {
  DECLARE_CLASS(TvxPCImageList, TObject)
 public:
  explicit TvxPCImageList(TvxCustomTabControl* AParent);
  ~TvxPCImageList() override;
  TCustomImageList* BaseImages() const { return FBaseImages; }
  void SetBaseImages(TCustomImageList* Value);
  TvxRotationAngle ImageRotationAngle() const { return FImageRotationAngle; }
  void SetImageRotationAngle(TvxRotationAngle Value);
  SIZE BaseImageSize() const;
  SIZE RotatedImageSize() const;
  void Draw(TCanvas* ACanvas, Integer X, Integer Y, Integer AIndex, bool AEnabled, TColor ABackgroundColor);
  TNotifyEvent OnChange;
  std::function<void(TBitmap*)> OnPrepareBitmapBackground;

 private:
  struct TRotatedImage {
    TColor BackgroundColor = clNone;
    std::unique_ptr<TBitmap> Bitmap;
    bool IsBackgroundColorSpecified = false;
  };
  void Rebuild();
  void BaseImagesChanged();
  // Fills ABitmap with the background, lets the painter prepare it and draws the image on it.
  void PrepareBitmap(TBitmap* ABitmap, Integer AIndex, bool AEnabled, TColor ABackgroundColor);
  std::unique_ptr<TChangeLink> FBaseImageChangeLink;
  TCustomImageList* FBaseImages = nullptr;
  std::unique_ptr<TvxFreeNotificator> FFreeNotificator;
  TvxRotationAngle FImageRotationAngle = ra0;
  TvxCustomTabControl* FParent;
  std::vector<TRotatedImage> FRotatedImages;
};

// What a painter reads of its control.
class TvxPCPainterParentInfo : public TObject {
  DECLARE_CLASS(TvxPCPainterParentInfo, TObject)
 public:
  explicit TvxPCPainterParentInfo(TvxCustomTabControl* AParent) : FParent(AParent) {}
  TvxTabSheet* ActivePage() const;
  TvxCanvas* Canvas() const;
  TColor Color() const;
  TRect ExtendedBottomOrRightTabsRect() const;
  TRect ExtendedTopOrLeftTabsRect() const;
  TFont* Font() const;
  Integer Height() const;
  bool HideTabs() const;
  Integer ImageBorder() const;
  bool IsTabsContainer() const;
  Integer MainTabVisibleIndex() const;
  bool MultiLine() const;
  TvxPCNavigatorButtons NavigatorButtons() const;
  TvxPCNavigatorPosition NavigatorPosition() const;
  TvxPCOptions Options() const;
  bool RaggedRight() const;
  bool Rotate() const;
  Integer RowCount() const;
  bool ScrollOpposite() const;
  bool ShowFrame() const;
  Integer TabHeight() const;
  Integer TabWidth() const;
  TvxTabPosition TabPosition() const;
  TvxTabSlants* TabSlants() const;
  Integer TopOrLeftPartRowCount() const;
  Integer Width() const;
  bool TabsOnBothSides() const;
  TvxPCNavigatorButtonState NavigatorButtonState(TvxPCNavigatorButton AButton) const;
  TvxTab* VisibleTab(Integer AVisibleIndex) const;
  TWinControl* VisibleTabPage(Integer AVisibleIndex) const;
  TvxCustomTabControl* Control() const { return FParent; }

 private:
  TvxCustomTabControl* FParent;
};

class TvxPCCustomPainter : public TObject {
  DECLARE_CLASS(TvxPCCustomPainter, TObject)
 public:
  explicit TvxPCCustomPainter(TvxCustomTabControl* AParent);
  ~TvxPCCustomPainter() override;
  virtual TvxPCPainterClass Class() const = 0;

  virtual bool SupportsTabRotation() { return true; }
  virtual Integer CalculateTabNormalWidth(TvxTab* ATab) = 0;
  virtual void GetTabRectCorrection(Integer AVisibleIndex, TvxPCRectCorrection& ACorrection) { ACorrection = {}; }
  virtual void PaintPageBackground(HDC DC, TvxTabSheet* ASheet) {}
  virtual void PaintTabContent(TvxTab* ATab, Integer AVisibleIndex);
  virtual void PaintClientArea();
  virtual void PaintClientAreaBackground() { PaintClientArea(); }
  virtual Integer GetNavigatorButtonsDistance(TvxPCNavigatorButton AButton, TvxPCNavigatorButton ANextButton) {
    return 0;
  }
  virtual Integer GetNavigatorButtonsInnerOffset() { return 0; }
  virtual Integer GetNavigatorButtonsEdgeOffset() { return 0; }
  virtual Integer GetNavigatorButtonsSideOffset() { return 0; }
  virtual TColor GetClientColor();
  virtual void GetClientRectOffsets(TRect& AOffsets);
  virtual TColor GetDefaultClientColor();
  virtual void GetFrameRectOffsets(TRect& AOffsets);
  virtual void GetTabImageAreaMargins(Integer AVisibleIndex, TRect& AMargins) = 0;
  virtual TvxPCSizePair GetTabImageSideOffsets(Integer AVisibleIndex) = 0;
  virtual void GetTabTextAreaMargins(Integer AVisibleIndex, TRect& AMargins) = 0;
  virtual Integer GetFrameWidth() { return 0; }
  virtual void AfterPaintTab(Integer AVisibleIndex);
  virtual bool IsTabColoredByPage() { return false; }
  virtual Integer GetImageTextDistance(Integer AVisibleIndex) = 0;
  virtual Integer GetMinTabNormalWidth(Integer AVisibleIndex) = 0;
  virtual void GetNativeContentMargins(TRect& AMargins);
  virtual TColor GetTabBodyColor(Integer AVisibleIndex) = 0;
  virtual TColor GetTabColor(Integer AVisibleIndex);
  virtual TvxRegion* GetTabClipRegion(Integer AVisibleIndex);
  virtual TvxRegionOperation GetTabClipOperation(Integer AVisibleIndex) { return roIntersect; }
  virtual TvxPCSizePair GetTextPadding(Integer AVisibleIndex) = 0;
  virtual void GetNativeTabPartAndState(Integer AVisibleIndex, Integer& APart, Integer& AState) {
    APart = 0;
    AState = 0;
  }
  virtual void GetTabsContainerOffsets(TRect& AOffsets) { AOffsets = TRect{}; }
  virtual TvxPCSizePair GetTabsDistance() { return {}; }
  virtual void GetTabsPosition(TvxPCNavigatorButtons AButtons, TvxPCTabsPosition& ATabsPosition) = 0;
  virtual TColor GetTabTextColor(Integer AVisibleIndex);
  virtual TvxPCSizePair GetCompactTextPadding(Integer AVisibleIndex) = 0;
  virtual void PrepareLayout() {}
  virtual void DrawTabText(TvxCanvas* ACanvas, const String& AText, Integer AVisibleIndex, TRect R);
  virtual void PaintContent();
  virtual void SetTabImageAndTextRects(Integer AVisibleIndex, const TRect& AImageRect, const TRect& ATextRect) = 0;
  virtual void InvalidateTab(Integer AVisibleIndex);
  virtual bool NeedsHotTracking() { return IsNativePainting(); }
  virtual bool IsNativePainting() { return false; }
  virtual bool GetNavigatorButtonAt(Integer X, Integer Y, TvxPCNavigatorButton& AButton) = 0;
  virtual bool IsTabHit(Integer AVisibleIndex, Integer X, Integer Y) { return true; }
  virtual bool IsTabDrawnPressed(Integer AVisibleIndex) = 0;
  virtual bool IsTabContentOnlyExcluded(Integer AVisibleIndex) { return false; }
  virtual bool NeedsDisabledTextShadow() { return true; }
  virtual bool IsDoubleBuffered() { return false; }
  virtual bool NeedsRedrawOnResize() { return IsNativePainting(); }
  virtual bool IsFrameVisible();
  virtual void Paint() { PaintContent(); }
  virtual void PaintNavigatorButtons() = 0;
  virtual void PaintFrameAndClientArea();
  virtual void PaintFrame() = 0;
  virtual void PaintTabs() = 0;
  virtual void PrepareTabTextBitmapBackground(TBitmap* ABitmap, const TvxPCOutTabImageAndTextData& AData,
                                              Integer AVisibleIndex) {}
  virtual void NavigatorButtonStateChanged(TvxPCNavigatorButton AButton, TvxPCNavigatorButtonState AOldState) {}
  virtual void InvalidateNavigatorButtons() {}
  virtual void TabStateChanged(Integer AVisibleIndex, Integer AKind) {}
  virtual Integer CalculateTabNormalHeight() = 0;
  virtual TRect GetGoDialogButtonBounds() = 0;

  TvxPCPainterParentInfo* ParentInfo() const { return FParentInfo.get(); }
  TvxCustomTabControl* ParentControl() const { return FParentControl; }
  const TvxPCOutTabImageAndTextData& OutTabImageAndTextData() const { return FOutTabImageAndTextData; }

  // The frame rectangle and the client rectangle in control coordinates.
  TRect GetFrameRect();
  TRect GetClientRect();
  // Offsets given for tabs on top, turned to the control's tab position.
  TRect TurnOffsets(const TRect& AOffsets) const;
  static TRect TurnOffsets(const TRect& AOffsets, TvxTabPosition APosition);

 protected:
  void SaveClipRegion();
  void RestoreClipRegion();
  void InvalidateRect(const TRect& R);
  // Draws the polyline and then its last pixel.
  void DrawPolyline(std::vector<TPoint> Points, TColor AColor);
  // Maps a point of a shape described for tabs on top to the painting position.
  static TPoint MirrorPoint(const TPoint& P, const TRect& R, TvxTabPosition APosition);
  void DrawTabCaptionBitmap(TvxTab* ATab, Integer AVisibleIndex);

  TvxPCOutTabImageAndTextData FOutTabImageAndTextData;

 private:
  std::unique_ptr<TvxPCPainterParentInfo> FParentInfo;
  TvxCustomTabControl* FParentControl;
};

// ---------------------------------------------------------------------------------------
// Go dialog: the popup menu of the navigator's go button, listing the tabs to switch to.

using TvxPCGoDialogClickEvent = std::function<void(Integer ATabControlItemIndex)>;

class TvxPCGoDialog : public TPopupMenu {
  DECLARE_CLASS(TvxPCGoDialog, TPopupMenu)
 public:
  explicit TvxPCGoDialog(TvxCustomTabControl* AOwner);
  // Builds the items and pops the menu up at the go button's bottom-left corner.
  void Popup(bool ASortItems);
  // One item per enabled visible tab, captions sorted without accelerator marks when asked.
  void BuildItems(bool ASortItems);
  TvxPCGoDialogClickEvent OnClick;

 private:
  void ItemClick(TObject* Sender);
  TvxCustomTabControl* FTabControl;
};

// ---------------------------------------------------------------------------------------
// Tab control.

using TvxTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;
using TvxPCCanCloseEvent = std::function<void(TObject* Sender, bool& ACanClose)>;
using TvxDrawTabEvent = std::function<void(TvxCustomTabControl* AControl, TvxTab* ATab, bool& DefaultDraw)>;
using TvxDrawTabExEvent = std::function<void(TvxCustomTabControl* AControl, TvxTab* ATab, TFont* Font)>;
using TvxGetTabImageEvent = std::function<void(TObject* Sender, Integer TabIndex, Integer& ImageIndex)>;

class TvxCustomTabControl : public TvxControl {
  DECLARE_CLASS(TvxCustomTabControl, TvxControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomTabControl(TComponent* AOwner);
  ~TvxCustomTabControl() override;

  bool CanFocus() override;
  Integer IndexOfTabAt(Integer X, Integer Y);
  void ScrollTabs(Integer ADelta);
  Integer GetOptimalSize();
  void SetStandardStyle(TvxPCStandardStyle AStandardStyle);
  void SetStyleByStyleName(const String& AStyleName);
  void LockChangeEvents(bool ALock);
  void SelectTabByIndex(Integer AIndex);
  virtual void Relayout();
  void MakeTabVisible(Integer AVisibleIndex);
  // The rectangle below the tabs that the pages fill.
  TRect ClientRectOfPainter();

  // Properties.
  bool Focusable() const { return FFocusable; }
  void SetFocusable(bool Value) { FFocusable = Value; }
  bool HideTabs() const { return FHideTabs; }
  void SetHideTabs(bool Value);
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value);
  Integer ImageBorder() const { return FImageBorder; }
  void SetImageBorder(Integer Value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value);
  TvxPCNavigatorPosition NavigatorPosition() const { return FNavigatorPosition; }
  void SetNavigatorPosition(TvxPCNavigatorPosition Value);
  TvxPCOptions Options() const { return FOptions; }
  void SetOptions(TvxPCOptions Value);
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  bool RaggedRight() const { return FRaggedRight; }
  void SetRaggedRight(bool Value);
  bool Rotate() const { return FRotate; }
  void SetRotate(bool Value);
  bool ScrollOpposite() const { return FScrollOpposite; }
  void SetScrollOpposite(bool Value);
  bool ShowFrame() const { return FShowFrame; }
  void SetShowFrame(bool Value);
  TvxPCStyleID Style() const { return FStyle; }
  void SetStyle(TvxPCStyleID Value);
  Integer TabHeight() const { return FTabHeight; }
  void SetTabHeight(Integer Value);
  Integer TabWidth() const { return FTabWidth; }
  void SetTabWidth(Integer Value);
  TvxTabPosition TabPosition() const { return FTabPosition; }
  void SetTabPosition(TvxTabPosition Value);
  TvxTabSlants* TabSlants() const { return FTabSlants.get(); }
  void SetTabSlants(TvxTabSlants* Value) { FTabSlants->Assign(Value); }
  // The row height of rotated tabs when it is below the widest tab (0: no limit); never
  // below the painter's narrowest tab.
  Integer MaxRotatedTabWidth() const;
  void SetMaxRotatedTabWidth(Integer Value);
  Integer TabIndex() const { return FTabIndex; }
  void SetTabIndex(Integer Value) { SelectTabByIndex(Value); }
  TvxTabs* Tabs() const { return FTabs.get(); }
  TvxVisibleTabList* VisibleTabList() const { return FVisibleTabList.get(); }
  TvxPCCustomPainter* Painter() const { return FPainter; }
  Integer RowCount() const { return FRowCount; }
  Integer TopOrLeftPartRowCount() const { return FTopOrLeftPartRowCount; }
  Integer RowHeight() const { return FRowHeight; }
  Integer MainTabVisibleIndex() const { return FMainTabVisibleIndex; }
  Integer FirstVisibleTab() const { return FFirstVisibleTab; }
  Integer LastVisibleTab() const { return FLastVisibleTab; }
  bool IsLastTabFullyVisible() const { return FIsLastTabFullyVisible; }
  Integer HotTrackTabVisibleIndex() const { return FHotTrackTabVisibleIndex; }
  Integer PressedTabVisibleIndex() const { return FPressedTabVisibleIndex; }
  Integer TrackingTabVisibleIndex() const { return FTracking; }
  TvxPCNavigatorButtons NavigatorButtons() const { return FNavigatorButtons; }
  TvxPCNavigatorButtonState NavigatorButtonState(TvxPCNavigatorButton AButton) const {
    return FNavigatorButtonStates[AButton];
  }
  const TvxPCTabsPosition& TabsPosition() const { return FTabsPosition; }
  const TRect& ExtendedTopOrLeftTabsRect() const { return FExtendedTopOrLeftTabsRect; }
  const TRect& ExtendedBottomOrRightTabsRect() const { return FExtendedBottomOrRightTabsRect; }
  bool MultiSelect() const { return FMultiSelect; }
  bool IsTabsContainer() const { return FIsTabsContainer; }
  TCustomImageList* Images() const { return FImageList->BaseImages(); }
  void SetImages(TCustomImageList* Value) { FImageList->SetBaseImages(Value); }
  TvxPCImageList* ImageList() const { return FImageList.get(); }
  Integer MaxTabCaptionWidth() const { return FMaxTabCaptionWidth; }
  bool IsVerticalText() const;
  TvxRotationAngle CaptionRotation() const;
  bool IsRowDirectionReversed() const;
  bool IsDisplayedTab(Integer AVisibleIndex) const;

  TvxTabChangingEvent OnChanging;
  TNotifyEvent OnChange;
  TvxPCCanCloseEvent OnCanClose;
  TvxDrawTabEvent OnDrawTab;
  TvxDrawTabExEvent OnDrawTabEx;
  TvxGetTabImageEvent OnGetImageIndex;

  // Virtual operations of the control.
  virtual void DoTabClick(Integer AVisibleIndex, TShiftState Shift) {}
  virtual void DoAfterPaintTab(TvxCanvas* ACanvas, TvxTab* ATab, const TvxPCOutTabImageAndTextData& AData) {}
  virtual bool DoCanClose();
  virtual void DoClose();
  virtual void EraseBackground(HDC DC);
  virtual bool DoDialogChar(Integer ACharCode);
  virtual bool IsTabAccessible(Integer AIndex);
  virtual TvxTabSheet* GetActivePage() { return nullptr; }
  virtual Integer GetTabImageIndex(Integer AIndex);
  virtual TWinControl* GetPageByIndex(Integer AIndex) { return nullptr; }
  virtual void ImagesChanged() { Relayout(); }
  virtual void ShowGoDialog();
  virtual void DoGoDialogClick(Integer ATabIndex) { GoDialogClosed(ATabIndex); }
  void GoDialogClosed(Integer ATabIndex);
  TvxPCGoDialog* GoDialog() const { return FGoDialog; }
  virtual bool HandleTabNavigationKey(Word& Key, TShiftState Shift);
  virtual void PrepareTabFont(TvxTab* ATab, TvxCanvas* ACanvas);
  virtual bool SelectsVisibleTabsOnly() { return false; }
  virtual bool CanChange(Integer ANewTabIndex);
  virtual void Change();

  // Layout steps, open to painters and tests.
  void CalculateTabNormalSizes();
  // The image and caption rectangles of a tab as its content is painted.
  void CalculateTabContentRects(TvxTab* ATab, TRect& AImageRect, TRect& ATextRect);
  // Packs tabs of the given lengths into rows of AWidth with AGap between tabs, then
  // (when asked) balances each run of rows between two tabs that fill a row alone.
  static void PackTabRows(const std::vector<Integer>& ALengths, Integer AWidth, Integer AGap, bool ABalance,
                          std::vector<Integer>& ARows);
  void UpdateHotTrackState(TShiftState Shift);
  void PressNavigatorButton(TvxPCNavigatorButton AButton);
  void ReleaseNavigatorButton(TvxPCNavigatorButton AButton);

 protected:
  void Loaded() override;
  // The client rectangle goes with the form as "ClientRectBottom", "ClientRectLeft",
  // "ClientRectRight" and "ClientRectTop", so pages are placed before the painter runs.
  void DefineProperties(TFiler* Filer) override;
  void ChangeScale(Integer M, Integer D) override;
  void AdjustClientRect(RECT& Rect) override;
  void CreateHandle() override;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  bool NeedsEraseBackground() override { return false; }
  bool HasScrollBars() override { return false; }
  void LookAndFeelChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) override;
  void FocusChanged() override;
  void FontChanged() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Resize() override;
  bool DoMouseWheelDown(TShiftState Shift, POINT MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, POINT MousePos) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave(TControl* AControl) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;

  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void WMGetDlgCode(TWMGetDlgCode& Message);
  void CMDialogChar(TCMDialogKey& Message);
  void CMDialogKey(TCMDialogKey& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);

 private:
  friend class TvxTabs;
  friend class TvxTab;
  friend class TvxPageControl;
  friend class TvxPCPainterParentInfo;
  void UpdatePainterFromLookAndFeel();
  void ApplyStyle(TvxPCStyleID Value);
  void CalculateTabPositions();
  void SingleLineLayout();
  void MultiLineLayout();
  void PlaceRow(Integer AFirst, Integer ALast, bool AFitAll);
  void CalculateSingleRowScroll();
  void CalculateRowHeight();
  void CalculateRowOrder();
  void CalculateRowCoordinates();
  Integer TabLength(TvxTab* ATab) const;
  TvxPCNavigatorButtons GetNeededNavigatorButtons(bool AAllFit);
  void SetNavigatorButtons(TvxPCNavigatorButtons AButtons);
  void ResetVanishedNavigatorButtons();
  void UpdateNavigatorButtonStates();
  bool IsNavigatorButtonAvailable(TvxPCNavigatorButton AButton);
  void ScrollTabsStep(TvxPCNavigatorButton AButton);
  void TimerHandler(TObject* Sender);
  void TabMouseDown(Integer AVisibleIndex, TShiftState Shift);
  void TabMouseUp(Integer AVisibleIndex, TShiftState Shift);
  void ClickSelectTab(Integer AVisibleIndex, bool ACtrl);
  void SetHotTrackNavigatorButton(TvxPCNavigatorButtons AButtons);
  bool WheelApplies(POINT MousePos);

  std::unique_ptr<TvxTabs> FTabs;
  std::unique_ptr<TvxVisibleTabList> FVisibleTabList;
  TvxPCCustomPainter* FPainter = nullptr;  // owned, freed through the registry
  TvxPCStyleID FStyle = 0;
  Integer FTabIndex = -1;
  Integer FMainTabVisibleIndex = -1;
  Integer FFirstVisibleTab = -1, FLastVisibleTab = -1;
  bool FIsLastTabFullyVisible = false;
  Integer FHotTrackTabVisibleIndex = -1;
  Integer FPressedTabVisibleIndex = -1;
  Integer FMouseDownTabVisibleIndex = -1;
  Integer FTracking = -1;
  TvxPCNavigatorButtons FNavigatorButtons;
  TvxPCNavigatorButtonState FNavigatorButtonStates[4] = {nbsNormal, nbsNormal, nbsNormal, nbsNormal};
  TvxPCNavigatorButtons FHotTrackNavigatorButton, FPressedNavigatorButton;
  TvxTimer* FTimer = nullptr;  // owned
  TvxPCGoDialog* FGoDialog = nullptr;  // owned
  bool FIsGoDialogShowing = false, FGoDialogJustClosed = false;
  Integer FChangeEventLockCount = 0;
  bool FUpdating = false;
  // Layouts asked for while FLayoutDeferCount is above 0 wait (FLayoutPending) and run
  // once when it drops to 0: loading a form of n pages lays them out once, not n times.
  Integer FLayoutDeferCount = 0;
  bool FLayoutPending = false;
  bool FMultiSelect = false;
  Integer FRowCount = 0, FTopOrLeftPartRowCount = 0, FRowHeight = 0, FMaxTabCaptionWidth = 0;
  TvxPCTabsPosition FTabsPosition;
  TRect FExtendedTopOrLeftTabsRect{}, FExtendedBottomOrRightTabsRect{};
  bool FIsTabsContainer = false;
  TAlignment FTabCaptionAlignment = taCenter;

  bool FFocusable = true;
  bool FHideTabs = false;
  bool FHotTrack = false;
  Integer FImageBorder = 0;
  std::unique_ptr<TvxPCImageList> FImageList;
  bool FMultiLine = false;
  TvxPCNavigatorPosition FNavigatorPosition = npRightTop;
  TvxPCOptions FOptions{pcoAlwaysShowGoDialogButton, pcoGradient, pcoGradientClientArea, pcoRedrawOnResize};
  bool FOwnerDraw = false;
  bool FRaggedRight = false;
  bool FRotate = false;
  Integer FMaxRotatedTabWidth = 0;
  bool FScrollOpposite = false;
  bool FShowFrame = false;
  Integer FTabHeight = 0, FTabWidth = 0;
  TvxTabPosition FTabPosition = tpTop;
  std::unique_ptr<TvxTabSlants> FTabSlants;
  TRect FClientRect{};
  bool FIsClientRectLoaded = false;
};

// ---------------------------------------------------------------------------------------
// Page control and tab sheets.

using TvxPageChangingEvent = std::function<void(TObject* Sender, TvxTabSheet* NewPage, bool& AllowChange)>;

class TvxPageControl : public TvxCustomTabControl {
  DECLARE_CLASS(TvxPageControl, TvxCustomTabControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TvxPageControl)
 public:
  explicit TvxPageControl(TComponent* AOwner);
  ~TvxPageControl() override;

  TvxTabSheet* ActivePage() const { return FActivePage; }
  // The active page as a component reference of the form stream.
  TComponent* ActivePageComponent() const;
  void SetActivePageComponent(TComponent* Value);
  void SetActivePage(TvxTabSheet* Value);
  Integer ActivePageIndex() const;
  void SetActivePageIndex(Integer Value);
  Integer PageCount() const { return static_cast<Integer>(FPages.size()); }
  TvxTabSheet* Pages(Integer Index) const { return FPages.at(Index); }
  Integer TabCount() const { return Tabs()->VisibleTabsCount(); }
  TvxTabSheet* FindNextPage(TvxTabSheet* ACurrentPage, bool AGoForward, bool ACheckTabAccessibility);
  TvxTabSheet* FindNextPageEx(TvxTabSheet* ACurrentPage, bool AGoForward, bool ACircular,
                              bool ACheckTabAccessibility);
  void SelectNextPage(bool AGoForward, bool ACheckTabVisible = true);
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void Relayout() override;

  TvxPageChangingEvent OnPageChanging;

  TvxTabSheet* GetActivePage() override { return FActivePage; }
  TWinControl* GetPageByIndex(Integer AIndex) override;
  bool SelectsVisibleTabsOnly() override { return true; }
  bool CanChange(Integer ANewTabIndex) override;
  void Change() override;
  void DoClose() override;
  virtual void UpdateActivePage();
  virtual bool DoPageChanging(TvxTabSheet* ANewPage);
  virtual void PageChanged() { TvxCustomTabControl::Change(); }
  bool CanFocusOnClick() override;

  // Docking: each docked client gets a page of its own.
  void GetSiteInfo(TControl* Client, RECT& InfluenceRect, POINT MousePos, bool& CanDock) override;
  void DockOver(TDragDockObject* Source, Integer X, Integer Y, TDragState State, bool& Accept) override;
  void DockDrop(TDragDockObject* Source, Integer X, Integer Y) override;
  bool DoUnDock(TWinControl* NewTarget, TControl* Client) override;
  // Puts the source's client on a new page (a client already on a page moves to the
  // last place); answers the page's index.
  virtual Integer DockClientToNewPage(TDragDockObject* Source, POINT APoint);
  virtual bool PrepareUndock(TWinControl* NewTarget, TControl* Client);
  void CMDockNotification(TMessage& Message);
  // Another host's undocking protocol asks the page control to let a client go.
  void CMUnDockClient(TMessage& Message);
  // A press on the tab of a docked client's page starts dragging the client out; a
  // double click undocks it.
  void WMLButtonDown(TWMMouse& Message);
  void WMLButtonDblClk(TWMMouse& Message);

 protected:
  void Loaded() override;
  void DoAddDockClient(TControl* Client, const RECT& ARect) override;
  void DoRemoveDockClient(TControl* Client) override;

 private:
  friend class TvxTabSheet;
  void InsertPage(TvxTabSheet* APage);
  void RemovePage(TvxTabSheet* APage);
  void ChangeActivePage(TvxTabSheet* APage);
  void RefreshTabFromSheet(TvxTabSheet* APage);
  void MovePage(TvxTabSheet* APage, Integer ANewIndex);

  // The page of the client that docks or undocks right now.
  TvxTabSheet* FNewDockSheet = nullptr;
  TvxTabSheet* FUndockingPage = nullptr;
  // The page whose child AClient is, nullptr when it is not on one of the pages.
  TvxTabSheet* PageOfClient(TControl* AClient) const;
  // The dock client hosted on the page whose tab is at (X, Y); nullptr when none.
  TControl* DockClientAtTab(Integer X, Integer Y);
  TvxTabSheet* FActivePage = nullptr;
  bool FActivePageSetting = false;
  bool FPageInserting = false;
  std::vector<TvxTabSheet*> FPages;  // not owned
};

class TvxTabSheet : public TCustomControl {
  DECLARE_CLASS(TvxTabSheet, TCustomControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TvxTabSheet)
 public:
  explicit TvxTabSheet(TComponent* AOwner);
  ~TvxTabSheet() override;

  TvxPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TvxPageControl* Value);
  Integer PageIndex() const;
  void SetPageIndex(Integer Value);
  Integer TabIndex() const;
  bool Highlighted() const { return FHighlighted; }
  void SetHighlighted(bool Value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  TvxTab* Tab() const { return FTab; }
  void SetParent(TWinControl* AParent) override;
  void SetParentComponent(TComponent* Value) override;
  virtual void AssignPageControl(TvxPageControl* Value);

  TNotifyEvent OnHide, OnShow;

 protected:
  void CreateParams(TCreateParams& Params) override;
  virtual void DoHide();
  virtual void DoShow();
  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);

 private:
  friend class TvxPageControl;
  bool FHighlighted = false;
  Integer FImageIndex = -1;
  TvxPageControl* FPageControl = nullptr;
  TvxTab* FTab = nullptr;
  bool FTabVisible = true;
};

extern const TUnitInfo vxPCUnit;
