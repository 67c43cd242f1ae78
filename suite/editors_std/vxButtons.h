// The suite's push button: owner-drawn through the look-and-feel painters, with a glyph beside
// its caption, an optional drop-down menu (over the whole face or from an arrow part) and
// speed-button behaviour (not focusable, flat or see-through, a Down state shared by a group).
#pragma once

#include <memory>

#include "ActnList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "vxBitmaps.h"
#include "vxControls.h"
#include "vxImageList.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"

enum TvxButtonKind { vxbkStandard, vxbkDropDown, vxbkDropDownButton };
enum TvxButtonPaintStyle { bpsDefault, bpsCaption, bpsGlyph };
enum TvxButtonAssignedColor {
  vxbcDefault, vxbcDefaultText, vxbcDisabled, vxbcDisabledText, vxbcHot, vxbcHotText,
  vxbcNormal, vxbcNormalText, vxbcPressed, vxbcPressedText
};
using TvxButtonAssignedColors = Set<TvxButtonAssignedColor, 16>;
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
ENUM_TYPEINFO(TvxButtonKind, vxbkStandard, vxbkDropDown, vxbkDropDownButton)
ENUM_TYPEINFO(TvxButtonPaintStyle, bpsDefault, bpsCaption, bpsGlyph)
ENUM_TYPEINFO(TvxButtonAssignedColor, vxbcDefault, vxbcDefaultText, vxbcDisabled, vxbcDisabledText, vxbcHot,
              vxbcHotText, vxbcNormal, vxbcNormalText, vxbcPressed, vxbcPressedText)
SET_TYPEINFO(TvxButtonAssignedColors, TvxButtonAssignedColor)
ENUM_TYPEINFO(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)

// FInternalState bits.
constexpr unsigned bisDown = 1, bisHot = 2, bisPressed = 4, bisMenuButtonPressed = 8, bisMenuVisible = 0x10,
                   bisAccelExecute = 0x20;

// The private messages that open the drop-down menu and report that it closed.
constexpr UINT CM_DROPDOWNPOPUPMENU = 0x8065;
constexpr UINT CM_CLOSEUPPOPUPMENU = 0x8066;
constexpr Integer vxDropDownButtonWidth = 15;

class TvxCustomButton;

using TvxButtonGetDrawParamsEvent =
    std::function<void(TvxCustomButton* Sender, TvxButtonState AState, TColor& AColor, TFont* AFont)>;
using TvxButtonDropDownMenuPopupEvent =
    std::function<void(TObject* Sender, TPopupMenu*& APopupMenu, bool& AHandled)>;

class TvxButtonColors : public TPersistent {
  DECLARE_CLASS(TvxButtonColors, TPersistent)
  PUBLISHED(TvxButtonColors)
 public:
  explicit TvxButtonColors(TvxCustomButton* AButton);
  void Assign(TPersistent* Source) override;
  TColor Color(TvxButtonAssignedColor Index) const { return FColors[Index]; }
  // clNone and clDefault unassign the member.
  void SetColor(TvxButtonAssignedColor Index, TColor Value);
  TvxButtonAssignedColors AssignedColors() const { return FAssignedColors; }
  // Only at design time; elsewhere nothing.
  void SetAssignedColors(TvxButtonAssignedColors Value);
  // The background and text colours a state paints with, unassigned members falling back.
  TColor BackgroundFor(TvxButtonState AState) const;
  TColor TextFor(TvxButtonState AState) const;

 private:
  TvxCustomButton* FButton;
  TColor FColors[10];
  TvxButtonAssignedColors FAssignedColors;
};

class TvxSpeedButtonOptions : public TPersistent {
  DECLARE_CLASS(TvxSpeedButtonOptions, TPersistent)
  PUBLISHED(TvxSpeedButtonOptions)
 public:
  explicit TvxSpeedButtonOptions(TvxCustomButton* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  void BeginUpdate() { ++FLockCount; }
  void CancelUpdate() { --FLockCount; }
  void EndUpdate();
  bool Active() const;
  bool Locked() const { return FLockCount > 0; }

  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  bool CanBeFocused() const { return FCanBeFocused; }
  void SetCanBeFocused(bool Value);
  bool Down() const;
  void SetDown(bool Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  Integer GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Integer Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);

 protected:
  TPersistent* GetOwner() override;

 private:
  void SyncGroupState();
  TvxCustomButton* FOwner;
  bool FAllowAllUp = false;
  bool FCanBeFocused = true;
  Integer FGroupIndex = 0;
  bool FFlat = false;
  bool FTransparent = false;
  Integer FLockCount = 0;
};

namespace vxButtons {
// The source of a button's glyph: its own bitmap, or an image of a list it does not own.
class TvxImageInfo : public TObject {
  DECLARE_CLASS(TvxImageInfo, TObject)
 public:
  TvxImageInfo();
  ~TvxImageInfo() override;
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  // The glyph when it is not empty, else a valid image of the list.
  bool IsImageAssigned() const;
  // The glyph's size, else the list's image size; (0, 0) without an image.
  TSize GetImageSize() const;
  // The glyph bitmap's change event; raised too by list or index changes that matter.
  TNotifyEvent OnChange;

 private:
  void DoChange();
  std::unique_ptr<TBitmap> FGlyph;
  TCustomImageList* FImages = nullptr;
  Integer FImageIndex = -1;
};
}  // namespace vxButtons

// An image list of glyph cells of one size whose cells are reused: deleting a cell only
// marks it free, the next placed image takes it.
class TvxGlyphList : public TvxImageList {
  DECLARE_CLASS(TvxGlyphList, TvxImageList)
 public:
  TvxGlyphList(Integer AWidth, Integer AHeight) : TvxImageList(AWidth, AHeight) {}
  static std::unique_ptr<TvxGlyphList> CreateSize(Integer AWidth, Integer AHeight) {
    return std::make_unique<TvxGlyphList>(AWidth, AHeight);
  }
  // Places the image in a free cell (appending one when all are used); the cell index.
  Integer Add(TBitmap* AImage, TBitmap* AMask);
  Integer AddMasked(TBitmap* AImage, TColor AMaskColor);
  // Frees the cell for reuse; the image stays in the list.
  void Delete(Integer AIndex);
  Integer UsedCount() const { return FCount; }
  bool IsUsed(Integer AIndex) const {
    return AIndex >= 0 && AIndex < static_cast<Integer>(FUsed.size()) && FUsed[static_cast<size_t>(AIndex)];
  }

 private:
  Integer GetFreeIndex(TBitmap* AImage);
  std::vector<bool> FUsed;
  Integer FCount = 0;
};

// The process-wide store of glyph lists, one per cell size; a list goes when it holds no
// used cell.
class TvxGlyphCache : public TObject {
  DECLARE_CLASS(TvxGlyphCache, TObject)
 public:
  TvxGlyphList* GetList(Integer AWidth, Integer AHeight);
  void ReturnList(TvxGlyphList* AList);
  bool Empty() const { return FLists.empty(); }
  Integer ListCount() const { return static_cast<Integer>(FLists.size()); }

 private:
  std::vector<std::unique_ptr<TvxGlyphList>> FLists;
};

// The cache while any button glyph exists; nil otherwise.
TvxGlyphCache* vxGlyphCache();

class TvxCustomButton;

// The glyph of a button: a strip of 1 to 4 cells (normal, disabled, pressed, unused) or an
// image-list image; lays the glyph and the caption out and draws them. Each state's cell is
// rendered once into the shared glyph cache.
class TvxButtonGlyph : public TObject {
  DECLARE_CLASS(TvxButtonGlyph, TObject)
 public:
  explicit TvxButtonGlyph(TvxCustomButton* AOwner = nullptr);
  ~TvxButtonGlyph() override;
  TBitmap* Glyph() const { return FImageInfo->Glyph(); }
  // Copies the bitmap and takes the cell count from its shape.
  void SetGlyph(TBitmap* Value);
  TCustomImageList* ImageList() const { return FImageInfo->Images(); }
  void SetImageList(TCustomImageList* Value) { FImageInfo->SetImages(Value); }
  Integer ImageIndex() const { return FImageInfo->ImageIndex(); }
  void SetImageIndex(Integer Value) { FImageInfo->SetImageIndex(Value); }
  TColor TransparentColor() const { return FImageInfo->Glyph()->TransparentColor(); }
  void SetTransparentColor(TColor Value) { FImageInfo->Glyph()->SetTransparentColor(Value); }
  Integer NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(Integer Value);
  vxButtons::TvxImageInfo* ImageInfo() const { return FImageInfo.get(); }
  bool HasImage() const { return FImageInfo->IsImageAssigned(); }
  // The size of one cell; (0, 0) without an image.
  TSize CellSize() const;
  // The strip cell a state draws: 0 normal, 1 disabled, 2 pressed.
  Integer StateCell(TvxButtonState AState) const;
  // The glyph-list index of a state's cell, rendering it on first use; -1 without an image.
  Integer CreateButtonGlyph(TvxButtonState AState);
  // Frees every rendered cell and gives the list back to the cache.
  void ReleaseCells();
  TvxGlyphList* GlyphList() const { return FGlyphList; }

  // The glyph and text rectangles inside AClient.
  void CalcLayout(const TRect& AClient, const String& ACaption, TCanvas* ACanvas, TButtonLayout ALayout,
                  Integer AMargin, Integer ASpacing, TvxButtonPaintStyle APaintStyle, bool AWordWrap,
                  const TPoint& AOffset, TPoint& AGlyphPos, TRect& ATextRect);
  void Draw(TvxCanvas* ACanvas, const TRect& AClient, bool ASkinPainter, bool AWordWrap, TvxButtonState AState,
            Integer ASpacing, Integer AMargin, TButtonLayout ALayout, TvxButtonPaintStyle APaintStyle,
            const String& ACaption, const TPoint& AOffset);
  TNotifyEvent OnChange;

 protected:
  virtual void DrawGlyph(TCanvas* ACanvas, const TPoint& APos, TvxButtonState AState);
  virtual void DrawCaption(TCanvas* ACanvas, const TRect& ATextRect, const String& ACaption, TvxButtonState AState,
                           bool ASkinPainter, bool AWordWrap);

 private:
  void ImageInfoChanged(TObject*);
  TvxCustomButton* FOwner;
  TvxGlyphList* FGlyphList = nullptr;  // from the cache; returned by ReleaseCells
  Integer FIndexes[4] = {-1, -1, -1, -1};
  Integer FNumGlyphs = 1;
  std::unique_ptr<vxButtons::TvxImageInfo> FImageInfo;
};

// Carries the action's image index to the button's glyph, and drops the action's list from
// the glyph when the link goes while the button stays.
class TvxButtonActionLink : public TControlActionLink {
  DECLARE_CLASS(TvxButtonActionLink, TControlActionLink)
 public:
  explicit TvxButtonActionLink(TvxCustomButton* AClient);
  ~TvxButtonActionLink() override;
  void SetImageIndex(Integer Value) override;
  void SetChecked(bool Value) override;

 private:
  TvxCustomButton* FButton;
};

class TvxCustomButton : public TButton, public IvxMouseTrackingCaller, public IvxLookAndFeelContainer {
  DECLARE_CLASS(TvxCustomButton, TButton)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxCustomButton(TComponent* AOwner);
  ~TvxCustomButton() override;

  TvxButtonColors* Colors() const { return FColors.get(); }
  void SetColors(TvxButtonColors* Value) { FColors->Assign(Value); }
  TvxSpeedButtonOptions* SpeedButtonOptions() const { return FSpeedButtonOptions.get(); }
  void SetSpeedButtonOptions(TvxSpeedButtonOptions* Value) { FSpeedButtonOptions->Assign(Value); }
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  TvxButtonGlyph* GlyphObject() const { return FGlyph.get(); }
  TBitmap* Glyph() const { return FGlyph->Glyph(); }
  void SetGlyph(TBitmap* Value) { FGlyph->SetGlyph(Value); }
  Integer NumGlyphs() const { return FGlyph->NumGlyphs(); }
  void SetNumGlyphs(Integer Value) { FGlyph->SetNumGlyphs(Value); }
  TvxLookAndFeel* GetLookAndFeel() override { return FLookAndFeel.get(); }
  void SetLookAndFeel(TvxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }

  // The action whose caption, state and image the button shows and whose execution its
  // click runs.
  TBasicAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
  void SetAction(TBasicAction* Value);
  TvxButtonActionLink* ActionLink() const { return FActionLink.get(); }
  // Copies the action's list and image index to the glyph.
  void UpdateAction();
  // A TPopupMenu or an external popup menu; anything else is taken as nil.
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* Value);
  void SetPopupMenu(TPopupMenu* Value) override { SetPopupMenu(static_cast<TComponent*>(Value)); }

  bool AllowAllUp() const { return FSpeedButtonOptions->AllowAllUp(); }
  void SetAllowAllUp(bool Value) { FSpeedButtonOptions->SetAllowAllUp(Value); }
  bool CanBeFocused() const { return FSpeedButtonOptions->CanBeFocused(); }
  void SetCanBeFocused(bool Value) { FSpeedButtonOptions->SetCanBeFocused(Value); }
  bool Down() const { return FSpeedButtonOptions->Down(); }
  void SetDown(bool Value) { FSpeedButtonOptions->SetDown(Value); }
  Integer GroupIndex() const { return FSpeedButtonOptions->GroupIndex(); }
  void SetGroupIndex(Integer Value) { FSpeedButtonOptions->SetGroupIndex(Value); }

  TvxButtonKind Kind() const { return FKind; }
  void SetKind(TvxButtonKind Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  Integer Margin() const { return FMargin; }
  void SetMargin(Integer Value);
  Integer Spacing() const { return FSpacing; }
  void SetSpacing(Integer Value);
  TvxButtonPaintStyle PaintStyle() const { return FPaintStyle; }
  void SetPaintStyle(TvxButtonPaintStyle Value);
  TPopupAlignment PopupAlignment() const { return FPopupAlignment; }
  void SetPopupAlignment(TPopupAlignment Value) { FPopupAlignment = Value; }
  TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
  void SetDropDownMenu(TPopupMenu* Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool UseSystemPaint() const { return FUseSystemPaint; }
  void SetUseSystemPaint(bool Value);

  unsigned InternalState() const { return FInternalState; }
  // The state the face paints in now.
  TvxButtonState GetPaintState() const;
  TvxCustomLookAndFeelPainterClass GetButtonPainter() const;
  virtual bool IsNativeDrawn() const { return false; }
  // Width: the caption's width plus three "R"s; height: 14/8 of a text line.
  virtual TSize GetOptimalSize();
  // The part of the face that opens the menu (empty for a standard button).
  TRect DropDownPart() const;
  // Asks for the menu by a posted message unless it is showing or closing.
  void PostDropDown();
  bool CanFocus() override;

  TvxButtonGetDrawParamsEvent OnGetDrawParams;
  TvxButtonDropDownMenuPopupEvent OnDropDownMenuPopup;

 protected:
  friend class TvxSpeedButtonOptions;
  friend class TvxButtonColors;
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Click() override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  virtual bool DoDropDownMenuPopup(TPopupMenu*& AMenu);
  // The system's default-button style, which the face shows as the default state.
  virtual void SetButtonStyle(bool ADefault);
  virtual void MouseEnter();
  void MouseLeave() override;
  virtual bool ShowPopupMenu(TComponent* AMenu, Integer X, Integer Y);
  void DoContextPopup(POINT MousePos, bool& Handled) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void CreateWnd() override;
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  bool IsSpeedLike() const { return !CanBeFocused() || GroupIndex() != 0; }

  void CNDrawItem(TMessage& Message);
  void CNCommandFiltered(TWMCommand& Message);
  void WMEraseBkgnd(TMessage& Message);
  void CMDropDownPopupMenu(TMessage& Message);
  void CMCloseUpPopupMenu(TMessage& Message);
  void CMButtonPressed(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMMouseEnterMsg(TCMMouseEnterLeave& Message);
  void CMMouseLeaveMsg(TCMMouseEnterLeave& Message);
  // The handler a parent class lists for the message, else the default handling.
  void InheritedHandler(TMessage& Message);
  void CNKeyDownMsg(TWMKey& Message);
  void CMDialogCharMsg(TCMDialogChar& Message);
  void WMCaptureChanged(TMessage& Message);
  void WMContextMenuMsg(TMessage& Message);
  void CNMeasureItem(TMessage& Message);
  void CMFontChangedMsg(TMessage& Message);
  void WMWindowPosChangedMsg(TMessage& Message);

 private:
  void Paint(TvxCanvas* ACanvas, bool ASelected, bool AFocused);
  void DrawButtonBackground(TvxCanvas* ACanvas, TRect R, TvxButtonState AState, TColor AColor);
  void LookAndFeelChanged(TvxLookAndFeel*, TvxLookAndFeelValues);
  void GlyphChanged(TObject*) { Invalidate(); }
  void SetInternalState(unsigned Bits, bool Value) { FInternalState = Value ? FInternalState | Bits : FInternalState & ~Bits; }

  unsigned FInternalState = 0;
  std::unique_ptr<TvxButtonColors> FColors;
  TPopupMenu* FDropDownMenu = nullptr;
  bool FIsFocused = false;
  TvxButtonKind FKind = vxbkStandard;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  bool FIsDropDownMenuClosing = false;
  bool FIsPaintDefault = false;
  bool FIsPaintPressed = false;
  TvxButtonPaintStyle FPaintStyle = bpsDefault;
  TPopupAlignment FPopupAlignment = paLeft;
  std::unique_ptr<TvxSpeedButtonOptions> FSpeedButtonOptions;
  bool FUseSystemPaint = false;
  std::unique_ptr<TvxButtonGlyph> FGlyph;
  TButtonLayout FLayout = blGlyphLeft;
  Integer FMargin = -1;
  Integer FSpacing = 4;
  bool FWordWrap = false;
  TComponent* FPopupMenu = nullptr;
  std::unique_ptr<TvxButtonActionLink> FActionLink;
};

class TvxButton : public TvxCustomButton {
  DECLARE_CLASS(TvxButton, TvxCustomButton)
  PUBLISHED(TvxButton)
 public:
  using TvxCustomButton::TvxCustomButton;
};

extern const TUnitInfo vxButtonsUnit;
