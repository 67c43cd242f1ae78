// Painting helpers shared by the editors' view infos: the process-wide cache of solid
// brushes, arrows, button frames, polylines, glyphs, fills around an inner rectangle,
// the conversion between the suite's text-out flags and DrawText flags, and a few
// colour and size rules.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Graphics.h"
#include "ImgList.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"

class TvxPaletteChangeWindow;
class TvxEditButtonViewInfo;
class TvxCustomEditProperties;
class TvxCustomEditViewData;

// Solid GDI brushes by colour, at most FMaxDepth of them; the least used one makes room
// for a new colour. System colours are answered from the system's own brushes.
//
// A brush handed out stays valid while any TvxBrushCacheLock is alive: an entry evicted
// (or a cache cleared) during that time only parks its brush, which is deleted when the
// last lock goes. Painting code holds a lock across the fills that use cached brushes.
class TvxSolidBrushCache : public TObject {
  DECLARE_CLASS(TvxSolidBrushCache, TObject)
 public:
  explicit TvxSolidBrushCache(Integer AMaxDepth = 128);
  ~TvxSolidBrushCache() override;
  // Called when the system colours change: drops every cached brush.
  virtual void SystemPaletteChanged();
  HBRUSH GetBrush(TColor AColor);
  void Clear();

  Integer Depth() const { return FDepth; }
  Integer MaxDepth() const { return FMaxDepth; }
  // The hit count of a cached colour, -1 when the colour is not cached.
  Integer CountOf(TColor AColor) const;
  Integer ParkedCount() const { return static_cast<Integer>(FParked.size()); }

 private:
  friend class TvxBrushCacheLock;
  void Retire(HBRUSH ABrush);
  void Lock() { ++FLockCount; }
  void Unlock();
  Integer Find(Cardinal AColor, bool& AFound) const;

  std::vector<TColor> FBrushColors;
  std::vector<HBRUSH> FBrushes;
  std::vector<Cardinal> FCounts;
  Integer FDepth = 0;
  Integer FMaxDepth;
  Integer FLockCount = 0;
  std::vector<HBRUSH> FParked;  // evicted while locked, deleted at the last unlock
  std::unique_ptr<TvxPaletteChangeWindow> FSystemPaletteChangedNotifier;
};

// Keeps every brush the global cache hands out alive until the scope ends.
class TvxBrushCacheLock {
 public:
  TvxBrushCacheLock();
  ~TvxBrushCacheLock();
  TvxBrushCacheLock(const TvxBrushCacheLock&) = delete;
  TvxBrushCacheLock& operator=(const TvxBrushCacheLock&) = delete;

 private:
  TvxSolidBrushCache* FCache;
};

// The process-wide cache; nullptr outside the unit's lifetime.
TvxSolidBrushCache* vxSolidBrushCache();
// A brush owned by the cache: callers never delete it.
HBRUSH GetCachedSolidBrush(TColor AColor);
HBRUSH GetCachedSolidBrushForCanvas(TvxCanvas* ACanvas, TColor AColor);
HBRUSH GetCachedSolidBrushForCanvas(TCanvas* ACanvas, TColor AColor);

// --- Painting helpers ---------------------------------------------------------------------

void DrawEditArrow(TvxCanvas* ACanvas, Integer AArrowSize, const TRect& AContentRect, TColor AColor,
                   bool AOffsetContent, bool AIsDoubleArrow, TvxArrowDirection AArrowDirection);
TSize CalculateArrowSize(const TSize& ASize, TvxArrowDirection AArrowDirection);
// One-pixel lines on the chosen sides; ARect shrinks by one on each side drawn.
void DrawEditButtonBorder(TvxCanvas* ACanvas, TRect& ARect, TvxBorders ABorders, TColor AColor);
void DrawButtonFrame(TvxCanvas* ACanvas, TRect& R, TColor AColor);
void DrawButtonFrame3D(TvxCanvas* ACanvas, TRect& R, TColor ATopLeftColor, TColor ABottomRightColor);
void DrawEditPolyline(TvxCanvas* ACanvas, const std::vector<TPoint>& APoints, TColor AColor, bool AUseFillRect);
void DrawEditGlyph(TCanvas* ACanvas, Integer X, Integer Y, TBitmap* AGlyph, bool AEnabled, TColor ABackgroundColor,
                   TBitmap* ABuffer);
void DrawGlyphOnCanvas(TvxCanvas* ACanvas, Integer X, Integer Y, TBitmap* AGlyph, bool AEnabled,
                       TColor ABackgroundColor, TBitmap* ABuffer);
void DrawImageListGlyph(TvxCanvas* ACanvas, TCustomImageList* AImages, Integer AImageIndex, TBitmap* ABuffer,
                        bool AEnabled, TColor ABackgroundColor, const TRect& ARect);
bool IsBitmapUsable(TBitmap* ABitmap);
bool IsImageListUsable(TCustomImageList* AImages);
TvxCustomLookAndFeelPainterClass GetEditButtonPainterClass(bool ANativeStyle, TvxLookAndFeelKind AKind);
// The width a button needs: its own width when given (at least the content margins),
// else from its glyph or caption, never less than a horizontal scroll bar is high.
Integer CalculateEditButtonWidth(TvxCanvas* ACanvas, TvxEditButtonViewInfo* AButtonViewInfo);

void FillRectWithColor(TvxCanvas* ACanvas, const TRect& ARect, TColor AColor);
void FillRectWithBrushHandle(HDC ADC, const TRect& ARect, HBRUSH ABrush);
void FillRectExceptInner(TvxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, HBRUSH ABrush);
bool IsDigitCharacter(wchar_t AChar);

// The suite's text-out flags (vxto...) as DrawText flags (DT_...) and back. Each flag
// maps to the one of the same meaning; flags without a counterpart are dropped.
UINT ConvertTextOutFlags(Integer AFlags);
Integer ConvertDrawTextFlags(UINT AFlags);

// The content offset of the buttons of a non-native button style (see TvxEditButtonStyle
// values: default, 3D, flat, simple, hot flat, ultra flat, Office 11), or the theme's
// vertical content margins of a native button.
Integer ButtonsContentVerticalOffset(TvxCanvas* ACanvas, Integer AButtonsStyle, bool ANativeStyle);
TColor GetEditHighlightColor(bool AIsOffice11);
// 0 for no border, 2 for a thick one, else 1 with a painter; without one the container's
// border width of the style (ABorderStyle numbers the editor border styles).
Integer GetEditBorderWidth(Integer ABorderStyle, TvxCustomLookAndFeelPainterClass APainter);
// ACheck and at least one button.
bool PropertiesHaveButtons(TvxCustomEditProperties* AProperties, bool ACheck);
// The style asks for a shadow and the editor is not painted natively.
bool ViewDataHasShadow(TvxCustomEditViewData* AViewData);
TColor GetFlatButtonBorderColor(bool APressed, bool AIsOffice11);

extern const TUnitInfo vxEditPaintUtilsUnit;
