// The suite's push button: owner-drawn through the look-and-feel painters, with a glyph beside
// its caption, an optional drop-down menu (over the whole face or from an arrow part) and
// speed-button behaviour (not focusable, flat or see-through, a Down state shared by a group).
#pragma once

#include <memory>

#include "Menus.h"
#include "StdCtrls.h"
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

// The glyph of a button: a strip of 1 to 4 cells (normal, disabled, pressed, unused) or an
// image-list image; lays the glyph and the caption out and draws them.
class TvxButtonGlyph : public TObject {
  DECLARE_CLASS(TvxButtonGlyph, TObject)
 public:
  TvxButtonGlyph();
  ~TvxButtonGlyph() override;
  TBitmap* Glyph() const { return FGlyph.get(); }
  // Copies the bitmap and takes the cell count from its shape.
  void SetGlyph(TBitmap* Value);
  Integer NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(Integer Value);
  bool HasImage() const { return !FGlyph->Empty(); }
  // The size of one cell; (0, 0) without an image.
  TSize CellSize() const;
  // The strip cell a state draws: 0 normal, 1 disabled, 2 pressed.
  Integer StateCell(TvxButtonState AState) const;

  // The glyph and text rectangles inside AClient.
  void CalcLayout(const TRect& AClient, const String& ACaption, TCanvas* ACanvas, TButtonLayout ALayout,
                  Integer AMargin, Integer ASpacing, TvxButtonPaintStyle APaintStyle, bool AWordWrap,
                  const TPoint& AOffset, TPoint& AGlyphPos, TRect& ATextRect);
  void Draw(TvxCanvas* ACanvas, const TRect& AClient, bool ASkinPainter, bool AWordWrap, TvxButtonState AState,
            Integer ASpacing, Integer AMargin, TButtonLayout ALayout, TvxButtonPaintStyle APaintStyle,
            const String& ACaption, const TPoint& AOffset);
  TNotifyEvent OnChange;

 private:
  void GlyphChanged(TObject*);
  std::unique_ptr<TBitmap> FGlyph;
  Integer FNumGlyphs = 1;
};

class TvxCustomButton : public TButton {
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
  virtual void MouseLeave();
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
};

class TvxButton : public TvxCustomButton {
  DECLARE_CLASS(TvxButton, TvxCustomButton)
 public:
  using TvxCustomButton::TvxCustomButton;
};

extern const TUnitInfo vxButtonsUnit;
