// Graphics: colours, the GDI object wrappers (font, pen, brush), the canvas, and the
// picture classes (bitmap over DIB sections, icon, picture with its file formats).
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Persistent.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "TypInfo.h"

class TStream;

// ---------------------------------------------------------------------------------------
// Colours

// A colour: 0x00BBGGRR for an RGB value, 0xFF000000 plus an index for a system colour,
// plus the two special values clNone and clDefault. A type of its own over Integer (it
// converts both ways), so that colour properties carry TColor's type information and
// are written by name ("clRed").
struct TColor {
  using TOrdinal = Integer;
  Integer Value = 0;
  constexpr TColor() = default;
  constexpr TColor(Integer AValue) : Value(AValue) {}
  constexpr operator Integer() const { return Value; }
};

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// Type information of TColor (an integer type written by colour name).
PTypeInfo TypeInfoColor();
inline PTypeInfo zs_TypeInfoOf_(TColor*) { return TypeInfoColor(); }

// The RGB value of a colour: system colours are looked up; others are returned as is.
Integer ColorToRGB(TColor Color);
// The colour's identifier ("clRed") when it has one, else "$" and eight hex digits.
String ColorToString(TColor Color);
// The inverse of ColorToString; also accepts decimal and "$hex" numbers.
// EConvertError when the text is neither.
TColor StringToColor(const String& S);
bool ColorToIdent(Integer Color, String& Ident);
bool IdentToColor(const String& Ident, Integer& Color);
// Calls Proc with every colour identifier, in declaration order.
void GetColorValues(const std::function<void(const String&)>& Proc);

DECLARE_EXCEPTION(EInvalidGraphic, Exception)
DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory)

// ---------------------------------------------------------------------------------------
// GDI object wrappers

// Base of the font, pen and brush: a persistent object whose changes are announced
// through OnChange, with an optional lock shared with the canvas that owns it.
class TGraphicsObject : public TPersistent {
  DECLARE_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;
  // The canvas lock the object takes while it changes its handle (may be null).
  CRITICAL_SECTION* OwnerCriticalSection = nullptr;
  // True when no other object shares the cached handle.
  virtual bool HandleAllocated() const = 0;

 protected:
  virtual void Changed();
  void Lock();
  void Unlock();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle, 4>;
ENUM_TYPEINFO(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
SET_TYPEINFO(TFontStyles, TFontStyle)
enum TFontPitch { fpDefault, fpVariable, fpFixed };
ENUM_TYPEINFO(TFontPitch, fpDefault, fpVariable, fpFixed)
enum TFontQuality {
  fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType,
  fqClearTypeNatural
};
ENUM_TYPEINFO(TFontQuality, fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased,
              fqClearType, fqClearTypeNatural)
// A character set number (DEFAULT_CHARSET, SHIFTJIS_CHARSET ...): a type of its own over
// Byte, so that font files write it by name.
struct TFontCharset {
  using TOrdinal = Byte;
  Byte Value = DEFAULT_CHARSET;
  constexpr TFontCharset() = default;
  constexpr TFontCharset(Byte AValue) : Value(AValue) {}
  constexpr operator Byte() const { return Value; }
};
PTypeInfo TypeInfoFontCharset();
inline PTypeInfo zs_TypeInfoOf_(TFontCharset*) { return TypeInfoFontCharset(); }
bool CharsetToIdent(Integer Charset, String& Ident);
bool IdentToCharset(const String& Ident, Integer& Charset);
using TFontName = String;

// The key data that identify one font handle in the shared cache.
struct TFontData {
  Integer Height = 0;
  Integer Orientation = 0;
  TFontPitch Pitch = fpDefault;
  TFontStyles Style;
  TFontCharset Charset = DEFAULT_CHARSET;
  TFontQuality Quality = fqDefault;
  String Name;
  // The rest of a LOGFONT taken over from a handle, kept so the font made again from
  // these data is the same font (a rotated TrueType-only font stays TrueType-only).
  // Weight 0 means "from Style"; a kept weight is used while it agrees with fsBold.
  Integer Weight = 0;
  Integer Width = 0;
  Integer CharOrientation = 0;
  BYTE OutPrecision = OUT_DEFAULT_PRECIS;
  BYTE ClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE Family = FF_DONTCARE;
  friend bool operator==(const TFontData&, const TFontData&) = default;
};

class TFont : public TGraphicsObject {
  DECLARE_CLASS(TFont, TGraphicsObject)
  PUBLISHED(TFont)
 public:
  TFont();
  ~TFont() override;
  void Assign(TPersistent* Source) override;
  bool HandleAllocated() const override { return FHandle != nullptr; }

  // The HFONT, created on demand and shared with every font of the same data.
  HFONT Handle();
  // Takes over a font handle: the font's data become those of the handle's whole LOGFONT.
  void SetHandle(HFONT Value);

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  Integer Height() const { return FData.Height; }
  void SetHeight(Integer Value);
  // The size in points: -Height * 72 / PixelsPerInch, rounded.
  Integer Size() const;
  void SetSize(Integer Value);
  String Name() const { return FData.Name; }
  void SetName(const String& Value);
  TFontStyles Style() const { return FData.Style; }
  void SetStyle(TFontStyles Value);
  TFontPitch Pitch() const { return FData.Pitch; }
  void SetPitch(TFontPitch Value);
  TFontCharset Charset() const { return FData.Charset; }
  void SetCharset(TFontCharset Value);
  Integer Orientation() const { return FData.Orientation; }
  void SetOrientation(Integer Value);
  TFontQuality Quality() const { return FData.Quality; }
  void SetQuality(TFontQuality Value);
  Integer PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value) { FPixelsPerInch = Value; }
  const TFontData& Data() const { return FData; }

 private:
  void SetData(const TFontData& Value);
  void ReleaseHandle();
  TFontData FData;
  TColor FColor = clWindowText;
  Integer FPixelsPerInch = 96;
  HFONT FHandle = nullptr;
};

enum TPenStyle {
  psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame, psUserStyle,
  psAlternate
};
ENUM_TYPEINFO(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear,
              psInsideFrame, psUserStyle, psAlternate)
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
ENUM_TYPEINFO(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot,
              pmMaskPenNot, pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask,
              pmNotMask, pmXor, pmNotXor)

class TPen : public TGraphicsObject {
  DECLARE_CLASS(TPen, TGraphicsObject)
  PUBLISHED(TPen)
 public:
  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* Source) override;
  bool HandleAllocated() const override { return FHandle != nullptr; }
  HPEN Handle();
  void SetHandle(HPEN Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  Integer Width() const { return FWidth; }
  void SetWidth(Integer Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value);

 private:
  void ReleaseHandle();
  TColor FColor = clBlack;
  Integer FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  HPEN FHandle = nullptr;
  bool FOwnsForeign = false;
};

enum TBrushStyle {
  bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};
ENUM_TYPEINFO(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal,
              bsBDiagonal, bsCross, bsDiagCross)

class TBitmap;

class TBrush : public TGraphicsObject {
  DECLARE_CLASS(TBrush, TGraphicsObject)
  PUBLISHED(TBrush)
 public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* Source) override;
  bool HandleAllocated() const override { return FHandle != nullptr; }
  HBRUSH Handle();
  void SetHandle(HBRUSH Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  // A pattern bitmap: when set, the brush paints with it (the brush keeps a reference,
  // not a copy; the caller keeps the bitmap alive).
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* Value);

 private:
  void ReleaseHandle();
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
  HBRUSH FHandle = nullptr;
  bool FCached = false;
};

// ---------------------------------------------------------------------------------------
// Canvas

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = Set<TCanvasStates, 4>;
enum TFillStyle { fsSurface, fsBorder };
enum TTextFormats {
  tfBottom, tfCalcRect, tfCenter, tfEditControl, tfEndEllipsis, tfPathEllipsis, tfExpandTabs,
  tfExternalLeading, tfLeft, tfModifyString, tfNoClip, tfNoPrefix, tfRight, tfRtlReading,
  tfSingleLine, tfTop, tfVerticalCenter, tfWordBreak, tfHidePrefix, tfNoFullWidthCharBreak,
  tfPrefixOnly, tfTabStop, tfWordEllipsis, tfComposited
};
using TTextFormat = Set<TTextFormats, 32>;
using TCopyMode = Integer;

class TGraphic;

class TCanvas : public TPersistent {
  DECLARE_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context. Setting it deselects the objects from the previous one.
  HDC Handle();
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  void Lock();
  void Unlock();
  bool TryLock();
  Integer LockCount() const { return FLockCount; }

  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TPen* Pen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
  POINT PenPos();
  void SetPenPos(POINT Value) { MoveTo(Value.x, Value.y); }
  Integer TextFlags() const { return FTextFlags; }
  void SetTextFlags(Integer Value) { FTextFlags = Value; }

  TColor Pixel(Integer X, Integer Y);
  void SetPixel(Integer X, Integer Y, TColor Value);
  RECT ClipRect();

  void MoveTo(Integer X, Integer Y);
  void LineTo(Integer X, Integer Y);
  void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Rectangle(const RECT& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
  void FillRect(const RECT& R);
  void FrameRect(const RECT& R);
  void DrawFocusRect(const RECT& R);
  void Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Ellipse(const RECT& R) { Ellipse(R.left, R.top, R.right, R.bottom); }
  void RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3);
  void Polygon(const std::vector<POINT>& Points);
  void Polyline(const std::vector<POINT>& Points);
  void Arc(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3, Integer X4,
           Integer Y4);
  void Pie(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3, Integer X4,
           Integer Y4);
  void FloodFill(Integer X, Integer Y, TColor Color, TFillStyle FillStyle);
  void Draw(Integer X, Integer Y, TGraphic* Graphic);
  void StretchDraw(const RECT& R, TGraphic* Graphic);
  void CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source);
  void BrushCopy(const RECT& Dest, TBitmap* Bitmap, const RECT& Source, TColor Color);

  void TextOut(Integer X, Integer Y, const String& Text);
  void TextRect(const RECT& R, Integer X, Integer Y, const String& Text);
  // Draws the text in the rectangle with DrawText flags from TextFormat; with tfCalcRect
  // the rectangle is updated and nothing is drawn; with tfModifyString the text may be
  // shortened as drawn.
  void TextRect(RECT& R, String& Text, TTextFormat TextFormat);
  SIZE TextExtent(const String& Text);
  Integer TextWidth(const String& Text) { return TextExtent(Text).cx; }
  Integer TextHeight(const String& Text) { return TextExtent(Text).cy; }

  // Forgets the objects selected into the DC; they are selected again on next use.
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  virtual void CreateHandle() {}
  void RequiredState(TCanvasState ReqState);
  void DeselectHandles();

 private:
  void CreateFont();
  void CreatePen();
  void CreateBrush();
  void FontChanged(TObject*);
  void PenChanged(TObject*);
  void BrushChanged(TObject*);

  HDC FHandle = nullptr;
  TCanvasState FState;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  POINT FPenPos{0, 0};
  TCopyMode FCopyMode = SRCCOPY;
  Integer FTextFlags = 0;
  CRITICAL_SECTION FLock;
  Integer FLockCount = 0;
  HGDIOBJ FOldFont = nullptr, FOldPen = nullptr, FOldBrush = nullptr;
};

// Canvas scopes (the device-context scopes are the runtime's, in System.h).

// Holds a canvas's lock.
using TCanvasLock = TCallScope<TCanvas, &TCanvas::Lock, &TCanvas::Unlock>;

// Lends a device context to a canvas: the canvas draws on it until the scope ends, then
// lets go of it (deselecting its objects).
class TCanvasHandleScope {
 public:
  TCanvasHandleScope(TCanvas& ACanvas, HDC ADC) : FCanvas(ACanvas) { FCanvas.SetHandle(ADC); }
  ~TCanvasHandleScope() { FCanvas.SetHandle(nullptr); }
  TCanvasHandleScope(const TCanvasHandleScope&) = delete;
  TCanvasHandleScope& operator=(const TCanvasHandleScope&) = delete;

 private:
  TCanvas& FCanvas;
};

// ---------------------------------------------------------------------------------------
// Pictures

// Abstract picture: a bitmap, an icon or a compressed image.
class TGraphic : public TPersistent {
  DECLARE_CLASS(TGraphic, TPersistent)
 public:
  TGraphic() = default;
  virtual bool Empty() const = 0;
  virtual Integer Width() const = 0;
  virtual Integer Height() const = 0;
  virtual void SetWidth(Integer Value) = 0;
  virtual void SetHeight(Integer Value) = 0;
  virtual void SetSize(Integer AWidth, Integer AHeight);
  virtual bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  bool Modified() const { return FModified; }
  void SetModified(bool Value);
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  virtual void LoadFromFile(const String& FileName);
  virtual void SaveToFile(const String& FileName);
  // The whole picture as the bytes of its file format, and back.
  virtual void LoadFromBytes(const TBytes& Data) = 0;
  virtual TBytes SaveToBytes() = 0;
  TNotifyEvent OnChange;

  // Draws the picture stretched into Rect on the canvas (TCanvas::Draw and StretchDraw
  // call it).
  virtual void Draw(TCanvas* ACanvas, const RECT& Rect) = 0;

  // A picture held by a published property is written in a form as its "Data" block.
  void DefineProperties(TFiler* Filer) override;

 protected:
  virtual void Changed(TObject* Sender);
  // The picture's form data: the bytes of its file format; a bitmap puts their count first.
  virtual void ReadData(TStream* Stream);
  virtual void WriteData(TStream* Stream);
  bool FTransparent = false;
  bool FModified = false;
};

using TGraphicClass = TClass;

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// The canvas of a bitmap: a memory DC with the bitmap selected.
class TBitmapCanvas : public TCanvas {
  DECLARE_CLASS(TBitmapCanvas, TCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* ABitmap) : FBitmap(ABitmap) {}
  ~TBitmapCanvas() override;
  void FreeContext();

 protected:
  void CreateHandle() override;

 private:
  TBitmap* FBitmap;
  HGDIOBJ FOldBitmap = nullptr;
};

class TBitmap : public TGraphic {
  DECLARE_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  TBitmap(Integer AWidth, Integer AHeight);
  ~TBitmap() override;
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  Integer Width() const override { return FWidth; }
  Integer Height() const override { return FHeight; }
  void SetWidth(Integer Value) override { SetSize(Value, FHeight); }
  void SetHeight(Integer Value) override { SetSize(FWidth, Value); }
  void SetSize(Integer AWidth, Integer AHeight) override;

  TCanvas* Canvas();
  HBITMAP Handle();
  // Takes over a bitmap handle (DIB section or device-dependent bitmap).
  void SetHandle(HBITMAP Value);
  // Gives up the handle: the caller owns it and the bitmap becomes empty.
  HBITMAP ReleaseHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  TBitmapHandleType HandleType() const { return FHandleType; }
  void SetHandleType(TBitmapHandleType Value);
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat Value);
  bool Monochrome() const;
  void SetMonochrome(bool Value);
  // The first byte of row Row (row 0 is the top row) of the DIB's pixels. A DDB is
  // converted to a DIB first.
  void* ScanLine(Integer Row);

  TColor TransparentColor();
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);
  // A monochrome mask: white where the picture has the transparent colour.
  HBITMAP MaskHandle();
  void Mask(TColor TransparentColor);
  HBITMAP ReleaseMaskHandle();

  // Releases the memory DC, keeping the picture.
  void Dormant();
  void FreeImage() {}

  void LoadFromResourceName(HINSTANCE Instance, const String& ResName);
  void LoadFromResourceID(HINSTANCE Instance, Integer ResID);
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromBytes(const TBytes& Data) override;
  TBytes SaveToBytes() override;

  void Draw(TCanvas* ACanvas, const RECT& Rect) override;

 protected:
  void ReadData(TStream* Stream) override;
  void WriteData(TStream* Stream) override;

 private:
  friend class TBitmapCanvas;
  void FreeHandle();
  void NewImage(Integer W, Integer H, TPixelFormat PF, TBitmapHandleType HT,
                HBITMAP CopyFrom, Integer CopyW, Integer CopyH);
  void LoadPackedDIB(const Byte* Info, size_t InfoSize, const Byte* Bits, size_t BitsSize);
  void CanvasChanged(TObject*);

  HBITMAP FHandle = nullptr;
  HBITMAP FMaskHandle = nullptr;
  void* FBits = nullptr;
  Integer FStride = 0;
  Integer FWidth = 0;
  Integer FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  TBitmapHandleType FHandleType = bmDIB;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  std::unique_ptr<TBitmapCanvas> FCanvas;
};

class TIcon : public TGraphic {
  DECLARE_CLASS(TIcon, TGraphic)
 public:
  TIcon() = default;
  ~TIcon() override;
  void Assign(TPersistent* Source) override;
  bool Empty() const override { return FHandle == nullptr; }
  Integer Width() const override { return FWidth; }
  Integer Height() const override { return FHeight; }
  void SetWidth(Integer Value) override;
  void SetHeight(Integer Value) override;
  HICON Handle() const { return FHandle; }
  // Takes over the icon handle.
  void SetHandle(HICON Value);
  HICON ReleaseHandle();
  void LoadFromResourceName(HINSTANCE Instance, const String& ResName);
  void LoadFromResourceID(HINSTANCE Instance, Integer ResID);
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromBytes(const TBytes& Data) override;
  TBytes SaveToBytes() override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;

 private:
  void Reset();
  HICON FHandle = nullptr;
  Integer FWidth = 0, FHeight = 0;
  TBytes FData;  // the .ico file the icon came from, written back unchanged
};

// A vector picture held as an enhanced metafile. It reads enhanced metafiles (.emf) and
// placeable Windows metafiles (.wmf) and writes back the kind it was read as (Enhanced),
// so a picture keeps its format through a save. Sizes are kept in 0.01 mm as the
// metafile's frame gives them; Width and Height are those at the screen's resolution.
class TMetafile : public TGraphic {
  DECLARE_CLASS(TMetafile, TGraphic)
 public:
  TMetafile() = default;
  ~TMetafile() override;
  void Assign(TPersistent* Source) override;
  bool Empty() const override { return FHandle == nullptr; }
  Integer Width() const override;
  Integer Height() const override;
  void SetWidth(Integer Value) override;
  void SetHeight(Integer Value) override;
  Integer MMWidth() const { return FMMWidth; }
  Integer MMHeight() const { return FMMHeight; }
  void SetMMWidth(Integer Value);
  void SetMMHeight(Integer Value);
  // Units per inch of a placeable Windows metafile's frame (0: not read from one).
  Word Inch() const { return FInch; }
  void SetInch(Word Value);
  // True: written as an enhanced metafile; False: as a placeable Windows metafile.
  bool Enhanced() const { return FEnhanced; }
  void SetEnhanced(bool Value);
  HENHMETAFILE Handle() const { return FHandle; }
  // Takes over an enhanced metafile handle; its frame gives the size.
  void SetHandle(HENHMETAFILE Value);
  // Gives up the handle: the caller owns it and the metafile becomes empty.
  HENHMETAFILE ReleaseHandle();
  void Clear();
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromBytes(const TBytes& Data) override;
  TBytes SaveToBytes() override;
  // A ".wmf" file is written as a placeable Windows metafile and an ".emf" file as an
  // enhanced one, whatever Enhanced says; other names follow Enhanced.
  void SaveToFile(const String& FileName) override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;

 private:
  void Reset();
  void LoadEnhanced(const TBytes& Data);
  void LoadPlaceable(const TBytes& Data);
  TBytes SavePlaceable();
  HENHMETAFILE FHandle = nullptr;
  Integer FMMWidth = 0, FMMHeight = 0;
  Word FInch = 0;
  bool FEnhanced = true;
};

// Records drawing into a metafile: what is drawn on the canvas becomes the metafile's
// picture when the canvas is freed. The metafile's size, when set, is the frame;
// otherwise the frame is the drawing's bounds.
class TMetafileCanvas : public TCanvas {
  DECLARE_CLASS(TMetafileCanvas, TCanvas)
 public:
  // AReferenceDevice: the device the drawing is measured for (nullptr: the screen).
  TMetafileCanvas(TMetafile* AMetafile, HDC AReferenceDevice);
  ~TMetafileCanvas() override;

 private:
  TMetafile* FMetafile;
};

class TPicture : public TPersistent {
  DECLARE_CLASS(TPicture, TPersistent)
 public:
  TPicture() = default;
  ~TPicture() override;
  void Assign(TPersistent* Source) override;
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Stores a copy of Value (nullptr clears the picture).
  void SetGraphic(TGraphic* Value);
  // The picture as a bitmap: an empty bitmap replaces any other kind of graphic.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
  TIcon* Icon();
  void SetIcon(TIcon* Value) { SetGraphic(Value); }
  Integer Width() const { return FGraphic ? FGraphic->Width() : 0; }
  Integer Height() const { return FGraphic ? FGraphic->Height() : 0; }
  // Loads a file; the format is chosen by the file's extension among the registered
  // formats. EInvalidGraphic for an unknown extension.
  void LoadFromFile(const String& FileName);
  void SaveToFile(const String& FileName);
  TNotifyEvent OnChange;

  static void RegisterFileFormat(const String& AExtension, const String& ADescription,
                                 TGraphicClass AGraphicClass);
  static void UnregisterGraphicClass(TGraphicClass AClass);
  // The class registered for an extension (with or without the dot), or nullptr.
  static TGraphicClass FileFormatFor(const String& AExtension);
  // "Description (*.ext)|*.ext" pairs of every registered format (for file dialogs).
  static String GraphicFilter(TGraphicClass GraphicClass);

 protected:
  void Changed(TObject* Sender);

 private:
  void ForceType(TGraphicClass C);
  std::unique_ptr<TGraphic> FGraphic;
};

// The screen DC's logical pixels per inch.
Integer ScreenPixelsPerInch();

// The font data of a new TFont (the system's default GUI font).
TFontData DefFontData();

extern const TUnitInfo GraphicsUnit;
