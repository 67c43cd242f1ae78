// The group box (a container with a caption on its frame, or a panel with an indented
// caption) and the button group built on it: captioned child buttons laid out in columns.
#pragma once

#include <vector>

#include "vxCheckBox.h"
#include "vxCustomEdit.h"
#include "vxEdit.h"
#include "vxLookAndFeelPainters.h"

enum TvxCaptionAlignment {
  alTopLeft, alTopCenter, alTopRight, alBottomLeft, alBottomCenter, alBottomRight,
  alLeftTop, alLeftCenter, alLeftBottom, alRightTop, alRightCenter, alRightBottom, alCenterCenter
};
enum TvxPanelOffice11BackgroundKind { pobkGradient, pobkOffice11Color, pobkStyleColor };

// The frame side an alignment puts the caption on.
TvxGroupBoxCaptionPosition vxGroupBoxCaptionPosition(TvxCaptionAlignment A);

// --- Layout rules, shared by the control and its in-place painting ------------------------------

// The caption rectangle on a W x H box with shadow width S, for a caption measured as ATextSize
// (cx, cy). Vertical captions (left and right sides) are cy wide.
TRect vxGroupBoxCaptionRect(TvxCaptionAlignment A, const TSize& ATextSize, Integer W, Integer H, Integer S);

// Columns actually used by N items asked to fill C columns: rows = ceil(N / min(C, N)), then the
// columns are rebalanced to ceil(N / rows). 0 for no items.
Integer vxButtonGroupColumnCount(Integer N, Integer C);
// ceil(N / columns); 0 for no items.
Integer vxButtonGroupRowCount(Integer N, Integer AColumnCount);

// What a button group descendant tells the layout about its buttons.
struct TvxButtonGroupButtonMetrics {
  Integer TextGap = 0, FitWidthCorrection = 0, ColumnExtra = 0, TotalExtra = 0, ButtonsLeft = 0,
          LayoutWidthCorrection = 0, ColumnSpacing = 0, GlyphWidth = 0, GlyphHeight = 0;
};

// Bounds of the button in AColumn, ARow of a grid of AColumns x ARows laid out in ABounds less
// the client extents AExtents (left, top, right, bottom widths).
TRect vxButtonGroupButtonBounds(const TRect& ABounds, const TRect& AExtents, Integer AColumns, Integer ARows,
                                Integer AColumn, Integer ARow, const TvxButtonGroupButtonMetrics& M);

// The natural size of a button group without a width constraint: columns of the widest caption
// beside its glyph, rows of the taller of caption and glyph; no items give 0 x one caption line.
TSize vxButtonGroupNaturalSize(Integer AItemCount, Integer AColumns, Integer AWidestCaption, Integer ACaptionHeight,
                               const TvxButtonGroupButtonMetrics& M);

// --- In-place painting ------------------------------------------------------------------------

// One captioned button of a button group, placed in its column and row.
class TvxGroupBoxButtonViewInfo : public TvxEditButtonViewInfo {
  DECLARE_CLASS(TvxGroupBoxButtonViewInfo, TvxEditButtonViewInfo)
 public:
  TvxGroupBoxButtonViewInfo() = default;
  void Assign(TPersistent* Source) override;
  String Caption;
  Integer Column = 0;
  Integer Row = 0;
};

// A group box painted as a cell: its bounds in the background colour, or the custom background.
class TvxGroupBoxViewInfo : public TvxCustomTextEditViewInfo {
  DECLARE_CLASS(TvxGroupBoxViewInfo, TvxCustomTextEditViewInfo)
 public:
  TvxGroupBoxViewInfo() = default;
  void PaintContent(TvxCanvas* ACanvas) override;
  void Offset(Integer DX, Integer DY) override;
  TAlignment Alignment = taLeftJustify;  // of the button glyphs: left or right of the caption
  TRect CaptionRect{};

 protected:
  void DrawGroupBackground(TvxCanvas* ACanvas);
};

// A button group painted as a cell: the glyph and caption of every button.
class TvxButtonGroupViewInfo : public TvxGroupBoxViewInfo {
  DECLARE_CLASS(TvxButtonGroupViewInfo, TvxGroupBoxViewInfo)
 public:
  TvxButtonGroupViewInfo() = default;
  void PaintContent(TvxCanvas* ACanvas) override;
  // The button view infos, created as group-box buttons.
  void SetGroupButtonCount(Integer ACount);
  TvxGroupBoxButtonViewInfo* GroupButtons(Integer AIndex) const {
    return static_cast<TvxGroupBoxButtonViewInfo*>(Buttons(AIndex));
  }
  // Where the glyph of a button goes: at the start of its bounds (or its end for right-hand
  // glyphs), centred vertically.
  TRect GlyphRect(TvxGroupBoxButtonViewInfo* AButton);
  virtual void DrawButtonCaption(TvxCanvas*, TvxGroupBoxButtonViewInfo*, const TRect& /*AGlyphRect*/) {}
  virtual void DrawButtonGlyph(TvxCanvas*, TvxGroupBoxButtonViewInfo*, const TRect& /*AGlyphRect*/) {}
  virtual TSize GetGlyphSize() { return GlyphSize; }
  virtual TvxButtonState GetButtonState(TvxGroupBoxButtonViewInfo* AButton);

  TRect CaptionExtent{};
  TSize GlyphSize{0, 0};
  Integer CaptionFlags = 0;  // the suite's text-drawing bits for the captions
};

class TvxCustomGroupBoxProperties;
class TvxCustomButtonGroupProperties;

class TvxGroupBoxViewData : public TvxCustomEditViewData {
  DECLARE_CLASS(TvxGroupBoxViewData, TvxCustomEditViewData)
 public:
  using TvxCustomEditViewData::TvxCustomEditViewData;
  // The border only: the buttons of a group are its content, never edit buttons beside it.
  TRect GetClientExtent(TvxCanvas*, TvxCustomEditViewInfo*) override { return GetBorderExtent(); }
};

// Lays out the buttons of a button group in columns and rows and computes its least size.
class TvxButtonGroupViewData : public TvxGroupBoxViewData {
  DECLARE_CLASS(TvxButtonGroupViewData, TvxGroupBoxViewData)
 public:
  using TvxGroupBoxViewData::TvxGroupBoxViewData;
  void Calculate(TvxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TvxMouseButton Button, TShiftState Shift,
                 TvxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  TSize GetEditConstantPartSize(TvxCanvas* ACanvas, const TvxEditSizeProperties& AEditSizeProperties,
                                TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo = nullptr) override;
  TvxCustomButtonGroupProperties* GroupProperties() const;
  virtual void CalculateButtonPositions(TvxCanvas* ACanvas, TvxButtonGroupViewInfo* AViewInfo);
  // Index, caption, column and row of every button.
  virtual void CalculateButtonsCaptions(TvxButtonGroupViewInfo* AViewInfo);
  // 609: left, centred vertically, single line, prefixes shown; 1697 when word wrapping
  // captions while computing the auto height.
  virtual Integer GetCaptionFlags();
  // The descendant's button metrics; with no canvas only the layout values count.
  virtual void GetButtonMetrics(TvxCanvas* ACanvas, TvxButtonGroupButtonMetrics& AMetrics) {
    (void)ACanvas;
    AMetrics = TvxButtonGroupButtonMetrics{};
  }
  virtual TRect GetCaptionRectExtent() { return TRect{}; }
  // The descendant finishes each button (native parts, transparency).
  virtual void CalculateButtonViewInfo(TvxButtonGroupViewInfo*, TvxGroupBoxButtonViewInfo*) {}
  virtual bool IsButtonNativeStyle();
  // The button is pressed by the descendant's own rule.
  virtual bool IsGroupButtonPressed(TvxButtonGroupViewInfo*, Integer) { return false; }
  bool ComputingAutoHeight = false;

 protected:
  TvxEditButtonStyle GroupButtonStyle();
};

// --- Panel style -------------------------------------------------------------------------------

class TvxCustomGroupBox;

class TvxPanelStyle : public TPersistent {
  DECLARE_CLASS(TvxPanelStyle, TPersistent)
 public:
  explicit TvxPanelStyle(TvxCustomGroupBox* AOwner) : FEdit(AOwner) {}
  // Copies Active, CaptionIndent, WordWrap and OfficeBackgroundKind; never BorderWidth.
  void Assign(TPersistent* Source) override;
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  Integer BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer Value);
  Integer CaptionIndent() const { return FCaptionIndent; }
  // Values below 2 are stored as 2.
  void SetCaptionIndent(Integer Value);
  TvxPanelOffice11BackgroundKind OfficeBackgroundKind() const { return FOfficeBackgroundKind; }
  void SetOfficeBackgroundKind(TvxPanelOffice11BackgroundKind Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

 private:
  void Changed(bool AAlways = false);
  bool FActive = false;
  Integer FBorderWidth = 0;
  Integer FCaptionIndent = 2;
  TvxCustomGroupBox* FEdit;
  TvxPanelOffice11BackgroundKind FOfficeBackgroundKind = pobkOffice11Color;
  bool FWordWrap = false;
};

// --- Properties and items ---------------------------------------------------------------------

class TvxCustomGroupBoxProperties : public TvxCustomEditProperties {
  DECLARE_CLASS(TvxCustomGroupBoxProperties, TvxCustomEditProperties)
 public:
  using TvxCustomEditProperties::TvxCustomEditProperties;
  TClass GetContainerClass() override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
};

class TvxButtonGroupItems;

class TvxButtonGroupItem : public TvxCaptionItem {
  DECLARE_CLASS(TvxButtonGroupItem, TvxCaptionItem)
 public:
  explicit TvxButtonGroupItem(TCollection* Collection);
  ~TvxButtonGroupItem() override;
  void Assign(TPersistent* Source) override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

 private:
  bool FEnabled = true;
};

class TvxCustomButtonGroupProperties;

// Reports each single-item change (its index and kind) to the owning properties.
class TvxButtonGroupItems : public TvxCaptionItems {
  DECLARE_CLASS(TvxButtonGroupItems, TvxCaptionItems)
 public:
  TvxButtonGroupItems(TvxCustomButtonGroupProperties* AOwner, TCollectionItemClass AItemClass);
  ~TvxButtonGroupItems() override;
  TvxButtonGroupItem* Items(Integer Index) const { return static_cast<TvxButtonGroupItem*>(TCollection::Items(Index)); }
  TvxButtonGroupItem* Add() { return static_cast<TvxButtonGroupItem*>(TCollection::Add()); }
  Integer ChangedItemIndex() const { return FChangedItemIndex; }
  TvxCollectionOperation ChangedItemOperation() const { return FChangedItemOperation; }
  // True only while a single-item change is being reported.
  bool ItemChanged() const { return FItemChanged; }
  void ReportItemChange(Integer AIndex, TvxCollectionOperation AOperation);
  // Takes the item out without the collection's own change report: its deletion is reported
  // as one single-item change instead.
  void RemoveQuietly(TCollectionItem* AItem);

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TvxCustomButtonGroupProperties* Owner_() const;
  Integer FChangedItemIndex = -1;
  TvxCollectionOperation FChangedItemOperation = copChanged;
  bool FItemChanged = false;
  bool FDestroying = false;
  bool FRemoving = false;
};

class TvxCustomButtonGroupProperties : public TvxCustomGroupBoxProperties {
  DECLARE_CLASS(TvxCustomButtonGroupProperties, TvxCustomGroupBoxProperties)
 public:
  explicit TvxCustomButtonGroupProperties(TPersistent* AOwner);
  ~TvxCustomButtonGroupProperties() override;
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;
  TvxEditSupportedOperations GetSupportedOperations() override;
  TvxEditSpecialFeatures GetSpecialFeatures() override;
  // Three items captioned "A", "B" and "C" in 3 columns.
  TvxCustomEditProperties* CreatePreviewProperties() override;
  // The effective column count of the items.
  virtual Integer GetColumnCount();
  Integer Columns() const { return FColumns; }
  // 0 or below is stored as 1.
  void SetColumns(Integer Value);
  TvxButtonGroupItems* Items() const { return FItems.get(); }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

 protected:
  // A constructor cannot reach a descendant's override: a descendant with items of its own
  // class calls ReplaceItems from its constructor.
  virtual std::unique_ptr<TvxButtonGroupItems> CreateItems();
  void ReplaceItems() { FItems = CreateItems(); }

 private:
  Integer FColumns = 1;
  std::unique_ptr<TvxButtonGroupItems> FItems;
  bool FWordWrap = false;
};

// --- Group box control --------------------------------------------------------------------------

using TvxGroupBoxCustomDrawEvent = std::function<void(TvxCustomGroupBox* Sender, bool& ADone)>;
using TvxGroupBoxCustomDrawElementEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ABounds,
                       TvxCustomLookAndFeelPainterClass APainter, bool& ADone)>;
using TvxGroupBoxMeasureCaptionHeightEvent =
    std::function<void(TObject* Sender, TvxCustomLookAndFeelPainterClass APainter, Integer& ACaptionHeight)>;

class TvxCustomGroupBox : public TvxCustomEdit {
  DECLARE_CLASS(TvxCustomGroupBox, TvxCustomEdit)
  DECLARE_MESSAGE_MAP
 public:
  using TvxCustomEdit::TvxCustomEdit;
  ~TvxCustomGroupBox() override;
  TvxCaptionAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TvxCaptionAlignment Value);
  TvxPanelStyle* PanelStyle() const { return FPanelStyle.get(); }
  void SetPanelStyle(TvxPanelStyle* Value) { FPanelStyle->Assign(Value); }
  TFont* CaptionFont() const { return FCaptionFont.get(); }
  const String& VisibleCaption() const { return FVisibleCaption; }
  // Left and right captions (outside the panel style) are written vertically.
  bool IsVerticalCaption() const;
  TvxGroupBoxCaptionPosition CaptionPosition() const { return vxGroupBoxCaptionPosition(FAlignment); }
  // Where the caption was last drawn, in client coordinates.
  TRect CaptionRect();
  // The frame rectangle: the bounds with the caption side moved inwards by half a caption line.
  TRect FrameRect();
  // Rebuilds the caption font and caption, refreshes and realigns the children.
  void UpdateLayout();
  // A skin draws the caption outside the client area: panel style off, supported, a skin
  // painter set, a caption, and the caption on a side.
  virtual bool HasNonClientCaption();
  // The skin painter of the style, nullptr for none.
  TvxCustomLookAndFeelPainterClass SkinPainter();
  // The depth of a skin's caption strip: the taller of the caption and "Qq", as the
  // measuring event leaves it.
  Integer SkinCaptionDepth();
  // The skin caption strip in window coordinates.
  TRect NonClientCaptionRect();
  void AdjustClientRect(RECT& Rect) override;

  TvxGroupBoxCustomDrawEvent OnCustomDraw;
  TvxGroupBoxCustomDrawElementEvent OnCustomDrawCaption;
  TvxGroupBoxCustomDrawElementEvent OnCustomDrawContentBackground;
  TvxGroupBoxMeasureCaptionHeightEvent OnMeasureCaptionHeight;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  void Initialize() override;
  virtual std::unique_ptr<TvxPanelStyle> CreatePanelStyle();
  virtual bool DoCustomDrawCaption(TCanvas* ACanvas, const TRect& ARect, TvxCustomLookAndFeelPainterClass APainter);
  virtual bool DoCustomDrawContentBackground(TCanvas* ACanvas, const TRect& ARect,
                                             TvxCustomLookAndFeelPainterClass APainter);
  virtual bool IsNonClientCaptionSupported() { return true; }
  bool CanFocusOnClick() override { return false; }
  void WndProc(TMessage& Message) override;
  void Paint() override;
  void TextChanged() override;
  // The buttons of a button group; nothing for the box itself.
  virtual void PaintButtons(TCanvas*) {}
  Integer CaptionLineHeight(const wchar_t* ASample);
  Integer ShadowWidth() { return HasShadow() ? 3 : 0; }
  bool HasShadow() override;
  void ContainerStyleChanged(TObject* Sender) override;
  void Resize() override;

 private:
  void CMFontChanged(TMessage& Message);
  void CMDialogChar(TCMDialogChar& Message);
  void WMNCCalcSize(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void PaintSkinned(TvxCanvas* ACanvas, TvxCustomLookAndFeelPainterClass ASkin);
  // Draws the caption text in the skin's colour, placed by the alignment inside ARect.
  void DrawSkinCaptionText(TvxCanvas* ACanvas, const TRect& ARect, TvxCustomLookAndFeelPainterClass ASkin);
  void UpdateCaptionFont();
  void UpdateVisibleCaption();
  void DrawFrame(TCanvas* C, const TRect& AFrame);
  // The content background: the parent's when transparent, the Office 2003 panel
  // background of an active panel style, or the background colour.
  void DrawContentBackground(TvxCanvas* ACanvas, const TRect& ABounds);
  void DrawPanelCaption(TCanvas* C);
  TvxCaptionAlignment FAlignment = alTopLeft;
  TColor FCaptionBkColor = clDefault;
  bool FIsAccelCharHandling = false;
  std::unique_ptr<TvxPanelStyle> FPanelStyle;
  bool FRedrawOnResize = true;
  String FVisibleCaption;
  std::unique_ptr<TFont> FCaptionFont;
  TRect FCaptionRect{};
};

// --- Button group -------------------------------------------------------------------------------

// Captioned child buttons, one per item, laid out in columns; arrow keys move between them.
class TvxCustomButtonGroup : public TvxCustomGroupBox {
  DECLARE_CLASS(TvxCustomButtonGroup, TvxCustomGroupBox)
 public:
  using TvxCustomGroupBox::TvxCustomGroupBox;
  ~TvxCustomButtonGroup() override;
  TvxCustomButtonGroupProperties* Properties() const {
    return static_cast<TvxCustomButtonGroupProperties*>(TvxCustomEdit::Properties());
  }
  Integer ButtonCount() const { return static_cast<Integer>(FButtons.size()); }
  TWinControl* Buttons(Integer Index) const { return FButtons[Index]; }
  // The cell of each button after the last layout.
  Integer ColumnCount();
  Integer RowCount();
  TRect ButtonBounds(Integer Index);
  // Moves focus between buttons by arrow key; true when handled.
  bool MoveFocusByKey(Integer AFrom, Word AKey);
  void Resize() override;

 protected:
  void Initialize() override;
  bool IsNonClientCaptionSupported() override { return false; }
  void PropertiesChanged(TObject* Sender) override;
  void Loaded() override;
  void CreateWnd() override;
  virtual void UpdateButtonBounds();
  virtual TWinControl* CreateButton() = 0;
  virtual void InitButton(TWinControl* AButton);
  virtual void SyncButtonCount(Integer ACount);
  virtual void UpdateButtonColors();
  virtual void UpdateButtons();
  // The radio group's metrics for a stand-alone group.
  virtual TvxButtonGroupButtonMetrics GetButtonMetrics();
  // Caption text of a button; items carry it.
  virtual void SetButtonCaption(TWinControl* AButton, const String& ACaption) { AButton->SetText(ACaption); }
  // Adds and removes a button of the list kept in item order.
  void AddButton(TWinControl* AButton, Integer AIndex = -1);
  void RemoveButton(TWinControl* AButton);

 private:
  std::vector<TWinControl*> FButtons;  // children, one per item; freed by SyncButtonCount(0)
  bool FSyncing = false;
};

extern const TUnitInfo vxGroupBoxUnit;
// The number of the registered "WM_VDUPDATENONCLIENTAREA" message.
extern UINT WM_VDUPDATENONCLIENTAREA;
