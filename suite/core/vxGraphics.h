// The suite's drawing surface: a canvas wrapper with saved device-context, object and
// clip-region stacks and clip-region algebra in logical coordinates, GDI regions, the
// shared screen and paint canvases, a cache of solid brushes shared by colour, the
// halftone and system brushes, the screen resolution and optional GDI entry points.
#pragma once

#include <windows.h>

#include <vector>

#include "Controls.h"
#include "Graphics.h"
#include "ImgList.h"
#include "StdCtrls.h"
#include "SysInit.h"
#include "System.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxGeometry.h"

// --- Text-drawing flags ----------------------------------------------------------------------

// One set of text-drawing bits that every text call of the suite takes.
constexpr Integer vxtfLeft = 0x0001;
constexpr Integer vxtfRight = 0x0002;
constexpr Integer vxtfCenterX = 0x0004;
constexpr Integer vxtfTop = 0x0008;
constexpr Integer vxtfBottom = 0x0010;
constexpr Integer vxtfCenterY = 0x0020;
constexpr Integer vxtfSingleLine = 0x0040;
constexpr Integer vxtfNoClip = 0x0080;
constexpr Integer vxtfExpandTabs = 0x0100;
constexpr Integer vxtfShowPrefix = 0x0200;
constexpr Integer vxtfWordBreak = 0x0400;
constexpr Integer vxtfEndEllipsis = 0x0800;
constexpr Integer vxtfCalcRect = 0x1000;
constexpr Integer vxtfPathEllipsis = 0x2000;
constexpr Integer vxtfDontBreakChars = 0x4000;
constexpr Integer vxtfNoFullWidthCharBreak = 0x8000;

// The text-drawing bits as DrawText flags (DT_NOPREFIX unless prefixes are shown).
Cardinal vxTextFlagsToDrawTextFlags(Integer AFlags);

using TRectArray = std::vector<TRect>;

enum TvxBorder { bLeft, bTop, bRight, bBottom };
ENUM_TYPEINFO(TvxBorder, bLeft, bTop, bRight, bBottom)
using TvxBorders = Set<TvxBorder, 4>;
SET_TYPEINFO(TvxBorders, TvxBorder)
inline const TvxBorders vxBordersAll{bLeft, bTop, bRight, bBottom};
enum TvxRotationAngle { ra0, raPlus90, raMinus90, ra180 };

// --- Regions -----------------------------------------------------------------------------

enum TvxRegionOperation { roSet, roAdd, roSubtract, roIntersect };

// Owns one GDI region.
class TvxRegion : public TObject {
  DECLARE_CLASS(TvxRegion, TObject)
 public:
  explicit TvxRegion(HRGN AHandle);
  explicit TvxRegion(const TRect& ABounds);
  TvxRegion();  // empty
  TvxRegion(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
  // A rounded rectangle; its left and top edges are moved one pixel inwards.
  static TvxRegion* CreateRoundCorners(const TRect& ABounds, Integer AWidthEllepse, Integer AHeightEllepse);
  static TvxRegion* CreateRoundCorners(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom,
                                       Integer AWidthEllepse, Integer AHeightEllepse);
  ~TvxRegion() override;

  // roSet copies ARegion; the others replace this region by its union with,
  // difference from or intersection with ARegion. ARegion is freed when asked.
  void Combine(TvxRegion* ARegion, TvxRegionOperation AOperation, bool ADestroyRegion = true);
  bool IsEqual(TvxRegion* ARegion);
  bool IsEqual(HRGN ARegionHandle);
  void Offset(const TPoint& P) { Offset(P.x, P.y); }
  void Offset(Integer DX, Integer DY);
  bool PtInRegion(const TPoint& Pt) { return PtInRegion(Pt.x, Pt.y); }
  bool PtInRegion(Integer X, Integer Y);
  bool RectInRegion(const TRect& R);
  bool RectInRegion(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
  TRect BoundsRect();
  bool IsEmpty();
  HRGN Handle() const { return FHandle; }

 private:
  HRGN FHandle;
};

// --- Canvas ------------------------------------------------------------------------------

struct TvxDCState {
  HDC Handle;
  Integer State;
};
using TvxDCStates = std::vector<TvxDCState>;

struct TvxCanvasState {
  TFont* Font;
  TBrush* Brush;
  TPen* Pen;
};
using TvxCanvasStates = std::vector<TvxCanvasState>;

struct TvxViewParams {
  TBitmap* Bitmap = nullptr;
  TColor Color = clNone;
  TFont* Font = nullptr;
  TColor TextColor = clNone;
};

// A non-owning wrapper around a platform canvas. The saved-DC, saved-state and
// saved-clip-region stacks are independent; each restore on an empty stack does nothing.
class TvxCanvas : public TObject {
  DECLARE_CLASS(TvxCanvas, TObject)
 public:
  using TCreateArg = TCanvas*;
  explicit TvxCanvas(TCanvas* ACanvas);
  ~TvxCanvas() override;

  TBrush* Brush() const { return FCanvas->Brush(); }
  void SetBrush(TBrush* Value) { FCanvas->SetBrush(Value); }
  TFont* Font() const { return FCanvas->Font(); }
  void SetFont(TFont* Value) { FCanvas->SetFont(Value); }
  TPen* Pen() const { return FCanvas->Pen(); }
  void SetPen(TPen* Value) { FCanvas->SetPen(Value); }
  TCanvas* Canvas() const { return FCanvas; }
  TCopyMode CopyMode() const { return FCanvas->CopyMode(); }
  void SetCopyMode(TCopyMode Value) { FCanvas->SetCopyMode(Value); }
  HDC Handle() const { return FCanvas->Handle(); }
  // ViewportOrg minus WindowOrg: adding it turns logical into device coordinates.
  TPoint DCOrigin() const;
  TPoint ViewportOrg() const;
  void SetViewportOrg(const TPoint& Value);
  TPoint WindowOrg() const;
  void SetWindowOrg(const TPoint& Value);

  // Changes the brush colour only when it differs, keeping the brush handle otherwise.
  void SetBrushColor(TColor Value);
  // Rotates the font: escapement Value * 10 (TrueType output for a non-zero angle).
  void SetFontAngle(Integer Value);
  void GetParams(TvxViewParams& AParams) const;
  void SetParams(const TvxViewParams& AParams);
  void SetPixel(Integer X, Integer Y, TColor Color) { FCanvas->SetPixel(X, Y, Color); }

  void SaveDC();
  void RestoreDC();
  void SaveState();
  void RestoreState();
  void SaveClipRegion();
  void RestoreClipRegion();
  Integer SavedDCCount() const { return static_cast<Integer>(FSavedDCs.size()); }
  Integer SavedStateCount() const { return static_cast<Integer>(FSavedStates.size()); }
  Integer SavedClipRegionCount() const { return static_cast<Integer>(FSavedRegions.size()); }

  // The current clip region as a new region owned by the caller; the whole surface
  // (0, 0, 30000, 30000) when the DC has none. In logical coordinates when asked.
  TvxRegion* GetClipRegion(bool AConsiderOrigin = true);
  void SetClipRegion(TvxRegion* ARegion, TvxRegionOperation AOperation, bool ADestroyRegion = true,
                     bool AConsiderOrigin = true);
  void ExcludeClipRect(const TRect& R);
  void IntersectClipRect(const TRect& R);
  bool RectVisible(const TRect& R);
  bool RectFullyVisible(const TRect& R);

  void BeginPath();
  void EndPath();
  void WidenPath();
  TvxRegion* PathToRegion();

  // --- Shapes, fills, frames, regions and bitmaps ---
  // clNone draws nothing; clDefault fills with the current brush colour.
  void FillRect(const TRect& R, TColor AColor);
  // Tiles ABitmap over R, aligned to the logical origin (the brush when ABitmap is nil
  // or empty); then, when asked, removes R from the clip region.
  void FillRect(const TRect& R, TBitmap* ABitmap = nullptr, bool AExcludeRect = false);
  void FillRect(TRect R, const TvxViewParams& AParams, TvxBorders ABorders = {}, TColor ABorderColor = clDefault,
                Integer ALineWidth = 1, bool AExcludeRect = false);
  // Fills the strips of the chosen sides inside R; with AExcludeFrame each strip leaves
  // the clip region right after it is painted.
  void FrameRect(const TRect& R, TColor Color = clDefault, Integer ALineWidth = 1,
                 TvxBorders ABorders = vxBordersAll, bool AExcludeFrame = false);
  void DrawComplexFrame(const TRect& R, TColor ALeftTopColor, TColor ARightBottomColor,
                        TvxBorders ABorders = vxBordersAll, Integer ABorderWidth = 1);
  void DrawEdge(const TRect& R, bool ASunken, bool AOuter, TvxBorders ABorders = vxBordersAll);
  void DrawFocusRect(const TRect& R);
  void DrawDesignSelection(TRect ARect, Integer AWidth = 2);
  void InvertRect(const TRect& R);
  void InvertFrame(const TRect& R, Integer ABorderSize);
  void FillRegion(TvxRegion* ARegion, TColor AColor);
  void FillRegion(HRGN ARegion, TColor AColor);
  void FrameRegion(TvxRegion* ARegion, TColor AColor, Integer ABorderWidth = 1, Integer ABorderHeight = 1);
  void FrameRegion(HRGN ARegion, TColor AColor, Integer ABorderWidth = 1, Integer ABorderHeight = 1);
  void DrawRegion(TvxRegion* ARegion, TColor AContentColor, TColor ABorderColor, Integer ABorderWidth = 1,
                  Integer ABorderHeight = 1);
  void DrawRegion(HRGN ARegion, TColor AContentColor, TColor ABorderColor, Integer ABorderWidth = 1,
                  Integer ABorderHeight = 1);
  void MoveTo(Integer X, Integer Y) { FCanvas->MoveTo(X, Y); }
  void LineTo(Integer X, Integer Y) { FCanvas->LineTo(X, Y); }
  void Polygon(const std::vector<TPoint>& Points) { FCanvas->Polygon(Points); }
  void Polyline(const std::vector<TPoint>& Points) { FCanvas->Polyline(Points); }
  void Pie(const TRect& R, const TPoint& ARadial1, const TPoint& ARadial2);
  // A pie of ASweepAngle degrees counter-clockwise from AStartAngle (0 = three o'clock).
  void Pie(const TRect& R, Integer AStartAngle, Integer ASweepAngle);
  void Draw(Integer X, Integer Y, TGraphic* Graphic) { FCanvas->Draw(X, Y, Graphic); }
  void CopyRect(const TRect& Dest, TCanvas* ACanvas, const TRect& Source) { FCanvas->CopyRect(Dest, ACanvas, Source); }
  // Draws AGlyph with its transparent colour replaced by ABackgroundColor (nothing
  // painted there for clNone), or disabled in the image-list look.
  void DrawGlyph(Integer X, Integer Y, TBitmap* AGlyph, bool AEnabled = true, TColor ABackgroundColor = clNone);
  void DrawImage(TCustomImageList* Images, Integer X, Integer Y, Integer Index, bool Enabled = true);
  void RotateBitmap(TBitmap* ABitmap, TvxRotationAngle ARotationAngle, bool AFlipVertically = false);
  void FlipHorizontally(TBitmap* ABitmap);
  // Draws ABitmap at (X, Y) with constant opacity AAlpha over ABackground (when given)
  // or over what the canvas shows there.
  void TransparentDraw(Integer X, Integer Y, TBitmap* ABitmap, Byte AAlpha, TBitmap* ABackground = nullptr);

  // --- Text ---
  // Draws Text in R. Single-line text without prefixes or ellipses is placed by the
  // canvas and written with ExtTextOut, everything else goes through DrawText. A
  // disabled text is engraved: a highlight copy one pixel right and down, then a shadow
  // copy, both in a rectangle one pixel smaller than R.
  void DrawTexT(const String& Text, TRect R, Integer Flags, bool Enabled = true);
  void DrawTexT(const String& Text, const TRect& R, TAlignment AAlignmentHorz,
                TvxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis);
  // One line's extent in the current font.
  TSize TextExtent(const String& Text);
  // Measures Text with the flags and places the measured rectangle inside R by the
  // alignment bits; a width of 0 or less measures at a width of one pixel.
  void TextExtent(const String& Text, TRect& R, Integer Flags);
  Integer TextWidth(const String& Text) { return TextExtent(Text).cx; }
  Integer TextHeight(const String& Text) { return TextExtent(Text).cy; }
  // Assigns AFont to the canvas (it stays assigned) and answers the height of "Qq".
  Integer FontHeight(TFont* AFont);
  // Moves R.Top so that a multi-line text ends at R's bottom or sits in its middle.
  void AlignMultiLineTextRectVertically(TRect& R, const String& AText, TvxAlignmentVert AAlignmentVert,
                                        bool AWordBreak, bool AShowPrefix, bool AEnabled = true,
                                        bool ADontBreakChars = false, bool AEndEllipsis = false);
  // Appends one rectangle per wrapped line of Text in R.
  void GetTextStringsBounds(String Text, TRect R, Integer Flags, bool Enabled, TRectArray& ABounds);

 protected:
  // Copies the font, brush and pen selected in ADC into the wrapped canvas's objects.
  void TakeOverSelectedObjects(HDC ADC);
  TCanvas* FCanvas;

 private:
  TvxDCStates FSavedDCs;
  std::vector<TvxRegion*> FSavedRegions;  // owned until restored
  TvxCanvasStates FSavedStates;           // the copies are owned by the entries
};

// Canvas scopes: each saves a part of the canvas on entry and restores it when the scope
// ends, however it ends.
using TvxClipRegionScope = TCallScope<TvxCanvas, &TvxCanvas::SaveClipRegion, &TvxCanvas::RestoreClipRegion>;
using TvxSavedDCScope = TCallScope<TvxCanvas, &TvxCanvas::SaveDC, &TvxCanvas::RestoreDC>;
// The font, brush and pen.
using TvxCanvasStateScope = TCallScope<TvxCanvas, &TvxCanvas::SaveState, &TvxCanvas::RestoreState>;

// A canvas on a cached desktop device context, taken when first used.
class TScreenCanvas : public TCanvas {
  DECLARE_CLASS(TScreenCanvas, TCanvas)
 public:
  TScreenCanvas() = default;
  ~TScreenCanvas() override;
  // Releases the desktop DC until the next use of Handle.
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

class TvxScreenCanvas : public TvxCanvas {
  DECLARE_CLASS(TvxScreenCanvas, TvxCanvas)
 public:
  TvxScreenCanvas();
  ~TvxScreenCanvas() override;
  void Dormant();
};

struct TvxPaintCanvasState {
  TCanvas* PrevCanvas;
  HDC PrevDC;
  HDC NewDC;
  Integer NewDCIndex;
};
using TvxPaintCanvasStates = std::vector<TvxPaintCanvasState>;

// A canvas that painting code retargets to a foreign DC or canvas; nestable.
class TvxPaintCanvas : public TvxCanvas {
  DECLARE_CLASS(TvxPaintCanvas, TvxCanvas)
 public:
  TvxPaintCanvas();
  ~TvxPaintCanvas() override;
  void BeginPaint(HDC ADC);
  void BeginPaint(TCanvas* ACanvas);
  void EndPaint();
  Integer PaintLevel() const { return FCounter; }

 private:
  TCanvas* FOwnCanvas;
  Integer FCounter = 0;
  TvxPaintCanvasStates FSavedPaintDCs;
};

// The shared canvases, created on first request; nullptr once finalization started.
TvxScreenCanvas* vxGetScreenCanvas();
TvxPaintCanvas* vxGetPaintCanvas();

// --- Brush cache -------------------------------------------------------------------------

DECLARE_EXCEPTION(EBrushCache, EvdException)

struct TvxBrushData {
  TBrush* Brush;
  TColor Color;
  Integer RefCount;
};
using TvxBrushesData = std::vector<TvxBrushData>;

// Solid brushes shared by colour with reference counts. A system colour
// (0xFF000000 plus a valid index) is served by the shared system brushes and not
// counted. Releasing gives one reference back and clears the caller's variable, so no
// caller keeps a brush that the cache may have freed.
class TvxBrushCache : public TObject {
  DECLARE_CLASS(TvxBrushCache, TObject)
 public:
  TvxBrushCache() = default;
  ~TvxBrushCache() override;
  // Releases ABrush and replaces it by the shared brush of AColor.
  void SetBrushColor(TBrush*& ABrush, TColor AColor);
  // Gives one reference back and sets ABrush to nullptr. Nothing for nil, a system
  // brush or a brush the cache does not hold; releasing a cached brush whose references
  // are all given back raises EBrushCache "Release unused brush".
  void ReleaseBrush(TBrush*& ABrush);
  void BeginUpdate() { ++FLockRef; }
  void EndUpdate();

  Integer Count() const { return FCount; }
  Integer Capacity() const { return FCapacity; }
  Integer DeletedCount() const { return FDeletedCount; }
  const TvxBrushData& Data(Integer Index) const { return FData.at(Index); }

 private:
  // Index of the colour's entry, or where it must be inserted; true when found.
  bool Find(TColor AColor, Integer& AIndex) const;
  TBrush* Add(TColor AColor);
  void Delete(Integer AIndex);
  void Pack();

  Integer FCapacity = 0;
  Integer FCount = 0;
  TvxBrushesData FData;
  Integer FDeletedCount = 0;
  Integer FLockRef = 0;
};

// True for a real system colour: 0xFF000000 plus a system colour index 0..30.
bool vxIsSystemColor(TColor AColor);

// --- Process-wide graphics resources -------------------------------------------------------

using TvxAlphaBlendFunc = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

extern TBrush* vxPatternBrush;               // one-pixel checkerboard pattern
extern std::vector<TBrush*> vxSystemBrushes;  // entry i: system colour i (0..30)
extern TvxAlphaBlendFunc vxAlphaBlendFunc;   // nullptr when msimg32 lacks it
extern bool vxGraphicsFinalized;
constexpr Integer vxSystemBrushCount = 31;

void vxGetScreenPixelsPerInch(TSize& APixelsPerInch);
// Declares the process DPI-aware on Windows versions above 5; answers whether the
// entry point was looked up.
bool vxSetProcessDPIAwareFor(DWORD AMajorVersion);

// --- Fills, arrows and light colours ----------------------------------------------------------

// Fills ARect with the one-pixel checkerboard in ABkColor and AColor; the DC's colours are
// restored afterwards.
void vxFillHalftone(TCanvas* ACanvas, const TRect& ARect, TColor ABkColor, TColor AColor);
// Two arrows pointing at the ends of ARect's side ASide (0 left, 1 top, 2 right, 3
// bottom); clDefault as APenColor outlines them in the inverse of ABrushColor.
void vxDrawInsertArrows(TCanvas* ACanvas, const TRect& ARect, Integer ASide, TColor APenColor, TColor ABrushColor);
// Light button colours mixed from button face, highlight and window (the highlight colour
// itself when the button face is black or white), as the screen shows them.
TColor vxGetLightHotColor();
TColor vxGetLightPressedColor();

// --- Colour names ------------------------------------------------------------------------------

struct TvxColorInfo {
  String Name;
  TColor Color;
};
// The 141 web colour keywords in alphabetical order, then the 28 system-colour keywords
// mapped to system colours; built on first use.
const std::vector<TvxColorInfo>& vxGetColorInfos();

// --- Text, window and background helpers ------------------------------------------------------

// Measure AText in AFont (at AFontSize points unless 0) on the shared screen canvas,
// which is made dormant again afterwards.
Integer vxTextHeightOfFont(TFont* AFont, const String& AText, Integer AFontSize = 0);
Integer vxTextWidthOfFont(TFont* AFont, const String& AText, Integer AFontSize = 0);
TSize vxTextExtentOfFont(TFont* AFont, const String& AText, Integer AFontSize = 0);
TSize vxTextSizeOnDC(HDC ADC, const String& AText);
// The narrowest rectangle that holds AText in ALineCount lines (any number when 0 or
// less) in the DC's font; with ALimitHeight its height is that of ALineCount lines.
void vxGetTextRect(HDC ADC, const String& AText, Integer ALineCount, TRect& R, bool ALimitHeight = false);
Integer vxDrawTextOnDC(HDC ADC, const String& AText, TRect& R, Integer ALength, Cardinal AFormat);
bool vxExtTextOutStr(HDC ADC, const String& AText, const TPoint& P, Integer ALength, Cardinal AOptions,
                     const TRect& R);
// The extent of the first ALength characters (-1: all) in the DC's font.
bool vxTextExtentOnDC(HDC ADC, const String& AText, TSize& ASize, Integer ALength = -1);
// True for the Chinese and Arabic character sets unless AText starts with a character
// below 128; DEFAULT_CHARSET stands for the system's character set.
bool vxIsFarEastArabicCharset(Byte ACharset, const String& AText);
bool vxGetLogFontOf(HFONT AHandle, LOGFONTW& ALogFont);
bool vxGetLogBrushOf(HBRUSH AHandle, LOGBRUSH& ALogBrush);
bool vxGetLogPenOf(HPEN AHandle, LOGPEN& ALogPen);
bool vxGetBitmapOf(HBITMAP AHandle, BITMAP& ABitmap);

void vxRectDeflateByMargins(TRect& R, const TRect& AMargins);
void vxInvalidateWindowRect(HWND AHandle, const TRect& R, bool AEraseBackground = true);
void vxInvalidateWindowRect(HWND AHandle, bool AEraseBackground = true);
// Sets the window origin to P; P receives the previous one.
void vxCanvasSetWindowOrg(TCanvas* ACanvas, TPoint& P);
// The size of the current cursor's visible part below its hot spot.
void vxGetCursorVisibleSize(TPoint& P);
void vxApplyViewParamsToCanvas(TvxCanvas* ACanvas, const TvxViewParams& AParams);
// Paints what lies behind AControl into R of the canvas: with the theme API unless it is
// missing or the parent is double-buffered, else vxDrawTransparentControlBackground.
void vxDrawThemeParentBackground(TWinControl* AControl, TvxCanvas* ACanvas, const TRect& R);
// Paints AControl's parent and the windowed siblings created before AControl into R of
// the canvas (the parent's point R.TopLeft at the canvas origin).
void vxDrawTransparentControlBackground(TControl* AControl, TvxCanvas* ACanvas, const TRect& R);
void vxDrawThemeParentBackgroundOnCanvas(TWinControl* AControl, TCanvas* ACanvas, const TRect& R);
void vxDrawTransparentControlBackgroundOnCanvas(TControl* AControl, TCanvas* ACanvas, const TRect& R);

// A child control that may keep its window border out of a copy of its background
// painting (the memo of the memo editor answers False).
class IvxWindowBorderPainting {
 public:
  virtual ~IvxWindowBorderPainting() = default;
  virtual bool NeedsWindowBorderPainting() = 0;
};

extern const TUnitInfo vxGraphicsUnit;
