#include "Graphics.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <mutex>

#include "Classes.h"
#include "Streaming.h"

namespace {

// ---------------------------------------------------------------------------------------
// Colour identifiers

struct TIdentMapEntry {
  Integer Value;
  const wchar_t* Name;
};

const TIdentMapEntry Colors[] = {
    {clBlack, L"clBlack"}, {clMaroon, L"clMaroon"}, {clGreen, L"clGreen"},
    {clOlive, L"clOlive"}, {clNavy, L"clNavy"}, {clPurple, L"clPurple"},
    {clTeal, L"clTeal"}, {clGray, L"clGray"}, {clSilver, L"clSilver"},
    {clRed, L"clRed"}, {clLime, L"clLime"}, {clYellow, L"clYellow"},
    {clBlue, L"clBlue"}, {clFuchsia, L"clFuchsia"}, {clAqua, L"clAqua"},
    {clWhite, L"clWhite"}, {clMoneyGreen, L"clMoneyGreen"}, {clSkyBlue, L"clSkyBlue"},
    {clCream, L"clCream"}, {clMedGray, L"clMedGray"},
    {clActiveBorder, L"clActiveBorder"}, {clActiveCaption, L"clActiveCaption"},
    {clAppWorkSpace, L"clAppWorkSpace"}, {clBackground, L"clBackground"},
    {clBtnFace, L"clBtnFace"}, {clBtnHighlight, L"clBtnHighlight"},
    {clBtnShadow, L"clBtnShadow"}, {clBtnText, L"clBtnText"},
    {clCaptionText, L"clCaptionText"}, {clDefault, L"clDefault"},
    {clGradientActiveCaption, L"clGradientActiveCaption"},
    {clGradientInactiveCaption, L"clGradientInactiveCaption"},
    {clGrayText, L"clGrayText"}, {clHighlight, L"clHighlight"},
    {clHighlightText, L"clHighlightText"}, {clHotLight, L"clHotLight"},
    {clInactiveBorder, L"clInactiveBorder"}, {clInactiveCaption, L"clInactiveCaption"},
    {clInactiveCaptionText, L"clInactiveCaptionText"}, {clInfoBk, L"clInfoBk"},
    {clInfoText, L"clInfoText"}, {clMenu, L"clMenu"}, {clMenuBar, L"clMenuBar"},
    {clMenuHighlight, L"clMenuHighlight"}, {clMenuText, L"clMenuText"},
    {clNone, L"clNone"}, {clScrollBar, L"clScrollBar"}, {cl3DDkShadow, L"cl3DDkShadow"},
    {cl3DLight, L"cl3DLight"}, {clWindow, L"clWindow"}, {clWindowFrame, L"clWindowFrame"},
    {clWindowText, L"clWindowText"},
};

bool SameTextAscii(const String& a, const wchar_t* b) {
  size_t n = wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

// Parses a decimal or "$"/"0x" hexadecimal integer, as the runtime's StrToInt does.
bool TryParseInt(const String& s0, Int64& out) {
  String s = s0;
  while (!s.empty() && s.front() == L' ') s.erase(s.begin());
  while (!s.empty() && s.back() == L' ') s.pop_back();
  if (s.empty()) return false;
  bool neg = false;
  size_t i = 0;
  if (s[i] == L'-' || s[i] == L'+') { neg = s[i] == L'-'; ++i; }
  int base = 10;
  if (i < s.size() && s[i] == L'$') { base = 16; ++i; }
  else if (i + 1 < s.size() && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
    base = 16; i += 2;
  }
  if (i >= s.size()) return false;
  UInt64 v = 0;
  for (; i < s.size(); ++i) {
    wchar_t c = s[i];
    int d;
    if (c >= L'0' && c <= L'9') d = c - L'0';
    else if (base == 16 && c >= L'a' && c <= L'f') d = c - L'a' + 10;
    else if (base == 16 && c >= L'A' && c <= L'F') d = c - L'A' + 10;
    else return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return false;
  }
  out = neg ? -static_cast<Int64>(v) : static_cast<Int64>(v);
  return true;
}

// ---------------------------------------------------------------------------------------
// Shared GDI handles: objects with the same data share one handle, counted.

template <class Key, class H>
class THandleCache {
 public:
  H Acquire(const Key& k, const std::function<H()>& make) {
    std::lock_guard<std::mutex> g(m_);
    for (auto& e : items_)
      if (e.key == k) { ++e.refs; return e.handle; }
    H h = make();
    if (!h) throw EOutOfResources(L"Out of system resources");
    items_.push_back({k, h, 1});
    return h;
  }
  void Release(H h) {
    std::lock_guard<std::mutex> g(m_);
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].handle == h) {
        if (--items_[i].refs == 0) {
          DeleteObject(h);
          items_.erase(items_.begin() + i);
        }
        return;
      }
  }
  void Clear() {
    std::lock_guard<std::mutex> g(m_);
    for (auto& e : items_) DeleteObject(e.handle);
    items_.clear();
  }

 private:
  struct Entry { Key key; H handle; int refs; };
  std::mutex m_;
  std::vector<Entry> items_;
};

struct TPenKey {
  TColor Color; Integer Width; TPenStyle Style;
  friend bool operator==(const TPenKey&, const TPenKey&) = default;
};
struct TBrushKey {
  TColor Color; TBrushStyle Style;
  friend bool operator==(const TBrushKey&, const TBrushKey&) = default;
};

THandleCache<TFontData, HFONT>* FontCache = nullptr;
THandleCache<TPenKey, HPEN>* PenCache = nullptr;
THandleCache<TBrushKey, HBRUSH>* BrushCache = nullptr;
TFontData* DefaultFont = nullptr;
Integer ScreenPPI = 96;

THandleCache<TFontData, HFONT>& Fonts() {
  if (!FontCache) FontCache = new THandleCache<TFontData, HFONT>;
  return *FontCache;
}
THandleCache<TPenKey, HPEN>& Pens() {
  if (!PenCache) PenCache = new THandleCache<TPenKey, HPEN>;
  return *PenCache;
}
THandleCache<TBrushKey, HBRUSH>& Brushes() {
  if (!BrushCache) BrushCache = new THandleCache<TBrushKey, HBRUSH>;
  return *BrushCache;
}

// ---------------------------------------------------------------------------------------
// DIB helpers

struct TDIBInfo {
  BITMAPINFOHEADER h;
  RGBQUAD colors[256];
};

Integer BitsOf(TPixelFormat pf) {
  switch (pf) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
  }
}

Integer StrideOf(Integer width, Integer bits) {
  return ((width * bits + 31) / 32) * 4;
}

void DefaultColorTable(TPixelFormat pf, RGBQUAD* t) {
  auto set = [&](int i, Byte r, Byte g, Byte b) { t[i] = RGBQUAD{b, g, r, 0}; };
  static const Byte vga[16][3] = {
      {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128},
      {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},
      {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  if (pf == pf1bit) {
    set(0, 0, 0, 0); set(1, 255, 255, 255);
  } else if (pf == pf4bit) {
    for (int i = 0; i < 16; ++i) set(i, vga[i][0], vga[i][1], vga[i][2]);
  } else if (pf == pf8bit) {
    // The 16 standard colours, a 6x6x6 colour cube and a grey ramp.
    for (int i = 0; i < 16; ++i) set(i, vga[i][0], vga[i][1], vga[i][2]);
    int n = 16;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) set(n++, Byte(r * 51), Byte(g * 51), Byte(b * 51));
    for (int i = 0; n < 256; ++i) { Byte v = Byte(8 + i * 10); set(n++, v, v, v); }
  }
}

void FillInfo(TDIBInfo& bi, Integer w, Integer h, TPixelFormat pf) {
  std::memset(&bi, 0, sizeof bi);
  bi.h.biSize = sizeof(BITMAPINFOHEADER);
  bi.h.biWidth = w;
  bi.h.biHeight = h;
  bi.h.biPlanes = 1;
  bi.h.biBitCount = static_cast<WORD>(BitsOf(pf));
  bi.h.biCompression = BI_RGB;
  if (pf == pf16bit) {
    bi.h.biCompression = BI_BITFIELDS;
    DWORD* masks = reinterpret_cast<DWORD*>(bi.colors);
    masks[0] = 0xF800; masks[1] = 0x07E0; masks[2] = 0x001F;
  } else if (pf == pf1bit || pf == pf4bit || pf == pf8bit) {
    bi.h.biClrUsed = 1u << BitsOf(pf);
    DefaultColorTable(pf, bi.colors);
  }
}

Integer ScreenBits() {
  HDC dc = GetDC(nullptr);
  Integer b = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
  return b;
}

TPixelFormat FormatOfBits(Integer bits, bool is565) {
  switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return is565 ? pf16bit : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
  }
}

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(L"Bitmap image is not valid"); }
[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(L"Icon image is not valid"); }

template <class T> T ReadAt(const Byte* p) { T v; std::memcpy(&v, p, sizeof v); return v; }

TBytes ReadWholeFile(const String& FileName) {
  HANDLE f = CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE)
    throw EFOpenError(L"Cannot open file \"%s\"", {FileName});
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  TBytes data(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  bool ok = data.empty() ||
            (ReadFile(f, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) &&
             got == data.size());
  CloseHandle(f);
  if (!ok) throw EReadError(L"Stream read error");
  return data;
}

void WriteWholeFile(const String& FileName, const TBytes& data) {
  HANDLE f = CreateFileW(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE)
    throw EFCreateError(L"Cannot create file \"%s\"", {FileName});
  DWORD put = 0;
  bool ok = data.empty() ||
            (WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) &&
             put == data.size());
  CloseHandle(f);
  if (!ok) throw EWriteError(L"Stream write error");
}

struct TFileFormat {
  String Extension;  // lower case, without the dot
  String Description;
  TGraphicClass GraphicClass;
};
std::vector<TFileFormat>* FileFormats = nullptr;
std::vector<TFileFormat>& Formats() {
  if (!FileFormats) FileFormats = new std::vector<TFileFormat>;
  return *FileFormats;
}

String LowerAscii(String s) {
  for (auto& c : s) if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
  return s;
}

void InitGraphics() {
  HDC dc = GetDC(nullptr);
  ScreenPPI = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  DefaultFont = new TFontData(DefFontData());
  RegisterIntegerConsts(TypeInfoColor(), IdentToColor, ColorToIdent);
  RegisterIntegerConsts(TypeInfoFontCharset(), IdentToCharset, CharsetToIdent);
  TPicture::RegisterFileFormat(L"bmp", L"Bitmaps", TBitmap::StaticClass());
  TPicture::RegisterFileFormat(L"ico", L"Icons", TIcon::StaticClass());
  TPicture::RegisterFileFormat(L"emf", L"Enhanced Metafiles", TMetafile::StaticClass());
  TPicture::RegisterFileFormat(L"wmf", L"Metafiles", TMetafile::StaticClass());
  RegisterClasses({TFont::StaticClass(), TPen::StaticClass(), TBrush::StaticClass(), TPicture::StaticClass(),
                   TBitmap::StaticClass(), TIcon::StaticClass(), TMetafile::StaticClass()});
}

void DoneGraphics() {
  UnRegisterClasses({TFont::StaticClass(), TPen::StaticClass(), TBrush::StaticClass(), TPicture::StaticClass(),
                     TBitmap::StaticClass(), TIcon::StaticClass(), TMetafile::StaticClass()});
  delete FileFormats; FileFormats = nullptr;
  delete DefaultFont; DefaultFont = nullptr;
  if (FontCache) { FontCache->Clear(); delete FontCache; FontCache = nullptr; }
  if (PenCache) { PenCache->Clear(); delete PenCache; PenCache = nullptr; }
  if (BrushCache) { BrushCache->Clear(); delete BrushCache; BrushCache = nullptr; }
}

}  // namespace

const TUnitInfo GraphicsUnit{L"Graphics", InitGraphics, DoneGraphics};

// ---------------------------------------------------------------------------------------
// Colours

Integer ColorToRGB(TColor Color) {
  if (Color < 0) return static_cast<Integer>(GetSysColor(Color & 0xFF));
  return Color;
}

bool ColorToIdent(Integer Color, String& Ident) {
  for (const auto& e : Colors)
    if (e.Value == Color) { Ident = e.Name; return true; }
  return false;
}

bool IdentToColor(const String& Ident, Integer& Color) {
  for (const auto& e : Colors)
    if (SameTextAscii(Ident, e.Name)) { Color = e.Value; return true; }
  return false;
}

String ColorToString(TColor Color) {
  String s;
  if (ColorToIdent(Color, s)) return s;
  wchar_t buf[16];
  swprintf(buf, 16, L"$%.8X", static_cast<unsigned>(Color));
  return buf;
}

TColor StringToColor(const String& S) {
  Integer c;
  if (IdentToColor(S, c)) return c;
  Int64 v;
  if (!TryParseInt(S, v) || v < INT32_MIN || v > 0xFFFFFFFFll)
    throw EConvertError(L"'%s' is not a valid integer value", {S});
  return static_cast<TColor>(static_cast<UInt64>(v) & 0xFFFFFFFFu);
}

void GetColorValues(const std::function<void(const String&)>& Proc) {
  for (const auto& e : Colors) Proc(e.Name);
}

Integer ScreenPixelsPerInch() { return ScreenPPI; }

namespace {
struct TCharsetName {
  Integer Value;
  const wchar_t* Name;
};
const TCharsetName CharsetNames[] = {
    {ANSI_CHARSET, L"ANSI_CHARSET"},         {DEFAULT_CHARSET, L"DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, L"SYMBOL_CHARSET"},     {MAC_CHARSET, L"MAC_CHARSET"},
    {SHIFTJIS_CHARSET, L"SHIFTJIS_CHARSET"}, {HANGEUL_CHARSET, L"HANGEUL_CHARSET"},
    {JOHAB_CHARSET, L"JOHAB_CHARSET"},       {GB2312_CHARSET, L"GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, L"CHINESEBIG5_CHARSET"}, {GREEK_CHARSET, L"GREEK_CHARSET"},
    {TURKISH_CHARSET, L"TURKISH_CHARSET"},   {VIETNAMESE_CHARSET, L"VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, L"HEBREW_CHARSET"},     {ARABIC_CHARSET, L"ARABIC_CHARSET"},
    {BALTIC_CHARSET, L"BALTIC_CHARSET"},     {RUSSIAN_CHARSET, L"RUSSIAN_CHARSET"},
    {THAI_CHARSET, L"THAI_CHARSET"},         {EASTEUROPE_CHARSET, L"EASTEUROPE_CHARSET"},
    {OEM_CHARSET, L"OEM_CHARSET"},
};
}  // namespace

bool CharsetToIdent(Integer Charset, String& Ident) {
  for (const auto& c : CharsetNames)
    if (c.Value == Charset) { Ident = c.Name; return true; }
  return false;
}

bool IdentToCharset(const String& Ident, Integer& Charset) {
  for (const auto& c : CharsetNames)
    if (_wcsicmp(c.Name, Ident.c_str()) == 0) { Charset = c.Value; return true; }
  return false;
}

PTypeInfo TypeInfoFontCharset() {
  static const PTypeInfo info = RenamedTypeInfo(TypeInfoInteger(), L"TFontCharset");
  return info;
}

PTypeInfo TypeInfoColor() {
  static const PTypeInfo info = RenamedTypeInfo(TypeInfoInteger(), L"TColor");
  return info;
}

void TFont::DeclarePublished(TPublisher<TFont>& P) {
  P.Property(L"Charset", &TFont::Charset, &TFont::SetCharset);
  P.Property(L"Color", &TFont::Color, &TFont::SetColor).NoDefault();
  P.Property(L"Height", &TFont::Height, &TFont::SetHeight).NoDefault();
  P.Property(L"Name", &TFont::Name, &TFont::SetName);
  P.Property(L"Orientation", &TFont::Orientation, &TFont::SetOrientation).Default(0);
  P.Property(L"Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  P.Property(L"Size", &TFont::Size, &TFont::SetSize).Stored(false);
  P.Property(L"Style", &TFont::Style, &TFont::SetStyle).NoDefault();
  P.Property(L"Quality", &TFont::Quality, &TFont::SetQuality).Default(fqDefault);
}

void TPen::DeclarePublished(TPublisher<TPen>& P) {
  P.Property(L"Color", &TPen::Color, &TPen::SetColor).Default(clBlack);
  P.Property(L"Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  P.Property(L"Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  P.Property(L"Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

void TBrush::DeclarePublished(TPublisher<TBrush>& P) {
  P.Property(L"Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite);
  P.Property(L"Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

TFontData DefFontData() {
  TFontData d;
  LOGFONTW lf{};
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) {
    d.Height = lf.lfHeight;
    d.Name = lf.lfFaceName;
  }
  if (d.Name.empty()) d.Name = L"Tahoma";
  if (d.Height == 0) d.Height = -11;
  d.Charset = DEFAULT_CHARSET;
  return d;
}

// ---------------------------------------------------------------------------------------
// TGraphicsObject

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}
void TGraphicsObject::Lock() {
  if (OwnerCriticalSection) EnterCriticalSection(OwnerCriticalSection);
}
void TGraphicsObject::Unlock() {
  if (OwnerCriticalSection) LeaveCriticalSection(OwnerCriticalSection);
}

// ---------------------------------------------------------------------------------------
// TFont

namespace {
// LOGFONT quality bytes by TFontQuality.
const BYTE QualityBytes[] = {DEFAULT_QUALITY,        DRAFT_QUALITY,       PROOF_QUALITY,
                             NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY,
                             CLEARTYPE_NATURAL_QUALITY};
}  // namespace

TFont::TFont() {
  FData = DefaultFont ? *DefaultFont : DefFontData();
  FPixelsPerInch = ScreenPPI;
}

TFont::~TFont() { ReleaseHandle(); }

void TFont::ReleaseHandle() {
  if (FHandle) {
    Fonts().Release(FHandle);
    FHandle = nullptr;
  }
}

HFONT TFont::Handle() {
  if (!FHandle) {
    Lock();
    TScopeExit unlock([this] { Unlock(); });
    const TFontData d = FData;
    FHandle = Fonts().Acquire(d, [&d]() {
      LOGFONTW lf{};
      lf.lfHeight = d.Height;
      lf.lfWidth = d.Width;
      lf.lfEscapement = d.Orientation;
      lf.lfOrientation = d.CharOrientation;
      const bool bold = d.Style.Contains(fsBold);
      lf.lfWeight = d.Weight > 0 && (d.Weight >= FW_BOLD) == bold ? d.Weight
                    : bold                                     ? FW_BOLD
                                                               : FW_NORMAL;
      lf.lfItalic = d.Style.Contains(fsItalic);
      lf.lfUnderline = d.Style.Contains(fsUnderline);
      lf.lfStrikeOut = d.Style.Contains(fsStrikeOut);
      lf.lfCharSet = d.Charset;
      lf.lfOutPrecision = d.OutPrecision;
      lf.lfClipPrecision = d.ClipPrecision;
      lf.lfQuality = QualityBytes[d.Quality];
      lf.lfPitchAndFamily = d.Pitch == fpVariable ? VARIABLE_PITCH
                            : d.Pitch == fpFixed  ? FIXED_PITCH
                                                  : DEFAULT_PITCH;
      lf.lfPitchAndFamily |= d.Family & 0xF0;
      wcsncpy(lf.lfFaceName, d.Name.c_str(), LF_FACESIZE - 1);
      return CreateFontIndirectW(&lf);
    });
  }
  return FHandle;
}

void TFont::SetHandle(HFONT Value) {
  LOGFONTW lf{};
  if (!Value || !GetObjectW(Value, sizeof lf, &lf)) return;
  TFontData d;
  d.Height = lf.lfHeight;
  d.Width = lf.lfWidth;
  d.Orientation = lf.lfEscapement;
  d.CharOrientation = lf.lfOrientation;
  d.Weight = lf.lfWeight;
  d.OutPrecision = lf.lfOutPrecision;
  d.ClipPrecision = lf.lfClipPrecision;
  d.Family = lf.lfPitchAndFamily & 0xF0;
  for (int i = 0; i < int(std::size(QualityBytes)); ++i)
    if (QualityBytes[i] == lf.lfQuality) d.Quality = TFontQuality(i);
  if (lf.lfWeight >= FW_BOLD) d.Style.Include(fsBold);
  if (lf.lfItalic) d.Style.Include(fsItalic);
  if (lf.lfUnderline) d.Style.Include(fsUnderline);
  if (lf.lfStrikeOut) d.Style.Include(fsStrikeOut);
  d.Charset = lf.lfCharSet;
  d.Name = lf.lfFaceName;
  d.Pitch = (lf.lfPitchAndFamily & 3) == VARIABLE_PITCH ? fpVariable
            : (lf.lfPitchAndFamily & 3) == FIXED_PITCH  ? fpFixed
                                                        : fpDefault;
  SetData(d);
}

void TFont::SetData(const TFontData& Value) {
  if (Value == FData && FHandle) return;
  Lock();
  ReleaseHandle();
  FData = Value;
  Unlock();
  Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    Lock();
    ReleaseHandle();
    FData = f->FData;
    FColor = f->FColor;
    if (FPixelsPerInch != f->FPixelsPerInch && FPixelsPerInch > 0)
      FData.Height = MulDiv(FData.Height, FPixelsPerInch, f->FPixelsPerInch);
    Unlock();
    Changed();
    return;
  }
  inherited::Assign(Source);
}

void TFont::SetColor(TColor Value) {
  if (FColor != Value) { FColor = Value; Changed(); }
}
void TFont::SetHeight(Integer Value) {
  if (FData.Height != Value) { TFontData d = FData; d.Height = Value; SetData(d); }
}
Integer TFont::Size() const { return -MulDiv(FData.Height, 72, FPixelsPerInch); }
void TFont::SetSize(Integer Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }
void TFont::SetName(const String& Value) {
  if (!Value.empty() && FData.Name != Value) { TFontData d = FData; d.Name = Value; SetData(d); }
}
void TFont::SetStyle(TFontStyles Value) {
  if (!(FData.Style == Value)) { TFontData d = FData; d.Style = Value; SetData(d); }
}
void TFont::SetPitch(TFontPitch Value) {
  if (FData.Pitch != Value) { TFontData d = FData; d.Pitch = Value; SetData(d); }
}
void TFont::SetCharset(TFontCharset Value) {
  if (FData.Charset != Value) { TFontData d = FData; d.Charset = Value; SetData(d); }
}
void TFont::SetOrientation(Integer Value) {
  if (FData.Orientation != Value || FData.CharOrientation != Value) {
    TFontData d = FData; d.Orientation = Value; d.CharOrientation = Value; SetData(d);
  }
}
void TFont::SetQuality(TFontQuality Value) {
  if (FData.Quality != Value) { TFontData d = FData; d.Quality = Value; SetData(d); }
}

// ---------------------------------------------------------------------------------------
// TPen

TPen::~TPen() { ReleaseHandle(); }

void TPen::ReleaseHandle() {
  if (FHandle) {
    if (FOwnsForeign) DeleteObject(FHandle);
    else Pens().Release(FHandle);
    FHandle = nullptr;
    FOwnsForeign = false;
  }
}

HPEN TPen::Handle() {
  if (!FHandle) {
    Lock();
    TScopeExit unlock([this] { Unlock(); });
    TPenKey k{FColor, FWidth, FStyle};
    FHandle = Pens().Acquire(k, [&k]() {
      static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT,
                                   PS_NULL, PS_INSIDEFRAME, PS_SOLID, PS_SOLID};
      if (k.Style == psAlternate) {
        LOGBRUSH lb{BS_SOLID, static_cast<COLORREF>(ColorToRGB(k.Color)), 0};
        return ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr);
      }
      return CreatePen(styles[k.Style], k.Width, ColorToRGB(k.Color));
    });
  }
  return FHandle;
}

void TPen::SetHandle(HPEN Value) {
  LOGPEN lp{};
  if (!Value || !GetObjectW(Value, sizeof lp, &lp)) return;
  Lock();
  ReleaseHandle();
  FColor = static_cast<TColor>(lp.lopnColor);
  FWidth = lp.lopnWidth.x;
  static const TPenStyle back[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear,
                                   psInsideFrame};
  FStyle = lp.lopnStyle < 7 ? back[lp.lopnStyle] : psSolid;
  FHandle = Value;
  FOwnsForeign = true;
  Unlock();
  Changed();
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    Lock();
    ReleaseHandle();
    FColor = p->FColor; FWidth = p->FWidth; FStyle = p->FStyle; FMode = p->FMode;
    Unlock();
    Changed();
    return;
  }
  inherited::Assign(Source);
}

void TPen::SetColor(TColor Value) {
  if (FColor != Value) { Lock(); ReleaseHandle(); FColor = Value; Unlock(); Changed(); }
}
void TPen::SetWidth(Integer Value) {
  if (Value >= 0 && FWidth != Value) {
    Lock(); ReleaseHandle(); FWidth = Value; Unlock(); Changed();
  }
}
void TPen::SetStyle(TPenStyle Value) {
  if (FStyle != Value) { Lock(); ReleaseHandle(); FStyle = Value; Unlock(); Changed(); }
}
void TPen::SetMode(TPenMode Value) {
  if (FMode != Value) { FMode = Value; Changed(); }
}

// ---------------------------------------------------------------------------------------
// TBrush

TBrush::~TBrush() { ReleaseHandle(); }

void TBrush::ReleaseHandle() {
  if (FHandle) {
    if (FCached) Brushes().Release(FHandle);
    else DeleteObject(FHandle);
    FHandle = nullptr;
    FCached = false;
  }
}

HBRUSH TBrush::Handle() {
  if (!FHandle) {
    Lock();
    TScopeExit unlock([this] { Unlock(); });
    if (FBitmap && !FBitmap->Empty()) {
      FHandle = CreatePatternBrush(FBitmap->Handle());
      FCached = false;
    } else {
      TBrushKey k{FColor, FStyle};
      FHandle = Brushes().Acquire(k, [&k]() -> HBRUSH {
        LOGBRUSH lb{};
        lb.lbColor = ColorToRGB(k.Color);
        switch (k.Style) {
          case bsSolid: lb.lbStyle = BS_SOLID; break;
          case bsClear: lb.lbStyle = BS_HOLLOW; break;
          default:
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = static_cast<ULONG_PTR>(k.Style - bsHorizontal);
        }
        return CreateBrushIndirect(&lb);
      });
      FCached = true;
    }
  }
  return FHandle;
}

void TBrush::SetHandle(HBRUSH Value) {
  LOGBRUSH lb{};
  if (!Value || !GetObjectW(Value, sizeof lb, &lb)) return;
  Lock();
  ReleaseHandle();
  FColor = static_cast<TColor>(lb.lbColor);
  FStyle = lb.lbStyle == BS_HOLLOW    ? bsClear
           : lb.lbStyle == BS_HATCHED ? static_cast<TBrushStyle>(bsHorizontal + lb.lbHatch)
                                      : bsSolid;
  FHandle = Value;
  FCached = false;
  Unlock();
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    Lock();
    ReleaseHandle();
    FColor = b->FColor; FStyle = b->FStyle; FBitmap = b->FBitmap;
    Unlock();
    Changed();
    return;
  }
  inherited::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
  if (FColor != Value || FStyle == bsClear) {
    Lock(); ReleaseHandle(); FColor = Value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Unlock(); Changed();
  }
}
void TBrush::SetStyle(TBrushStyle Value) {
  if (FStyle != Value) { Lock(); ReleaseHandle(); FStyle = Value; Unlock(); Changed(); }
}
void TBrush::SetBitmap(TBitmap* Value) {
  Lock(); ReleaseHandle(); FBitmap = Value; Unlock(); Changed();
}

// ---------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()),
      FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()) {
  InitializeCriticalSection(&FLock);
  FFont->OnChange = [this](TObject* s) { FontChanged(s); };
  FFont->OwnerCriticalSection = &FLock;
  FPen->OnChange = [this](TObject* s) { PenChanged(s); };
  FPen->OwnerCriticalSection = &FLock;
  FBrush->OnChange = [this](TObject* s) { BrushChanged(s); };
  FBrush->OwnerCriticalSection = &FLock;
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
  FFont->OwnerCriticalSection = nullptr;
  FPen->OwnerCriticalSection = nullptr;
  FBrush->OwnerCriticalSection = nullptr;
  DeleteCriticalSection(&FLock);
}

HDC TCanvas::Handle() {
  RequiredState({csHandleValid});
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (FHandle != Value) {
    if (FHandle) {
      DeselectHandles();
      FPenPos = PenPos();
      FHandle = nullptr;
      FState.Exclude(csHandleValid);
    }
    if (Value) {
      FState.Include(csHandleValid);
      FHandle = Value;
      ::MoveToEx(FHandle, FPenPos.x, FPenPos.y, nullptr);
    }
  }
}

void TCanvas::DeselectHandles() {
  if (FHandle) {
    if (FState.Contains(csPenValid) && FOldPen) SelectObject(FHandle, FOldPen);
    if (FState.Contains(csBrushValid) && FOldBrush) SelectObject(FHandle, FOldBrush);
    if (FState.Contains(csFontValid) && FOldFont) SelectObject(FHandle, FOldFont);
  }
  FOldPen = FOldBrush = FOldFont = nullptr;
  FState.Exclude(csPenValid).Exclude(csBrushValid).Exclude(csFontValid);
}

void TCanvas::RequiredState(TCanvasState ReqState) {
  TCanvasState need = ReqState - FState;
  if (need.Empty()) return;
  if (need.Contains(csHandleValid)) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation(L"Canvas does not allow drawing");
    FState.Include(csHandleValid);
  }
  if (need.Contains(csFontValid)) CreateFont();
  if (need.Contains(csPenValid)) CreatePen();
  if (need.Contains(csBrushValid)) CreateBrush();
}

void TCanvas::CreateFont() {
  HGDIOBJ old = SelectObject(FHandle, FFont->Handle());
  if (!FState.Contains(csFontValid) && !FOldFont) FOldFont = old;
  SetTextColor(FHandle, ColorToRGB(FFont->Color()));
  FState.Include(csFontValid);
}

void TCanvas::CreatePen() {
  static const int modes[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                              R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN,
                              R2_MERGEPEN, R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN,
                              R2_XORPEN, R2_NOTXORPEN};
  HGDIOBJ old = SelectObject(FHandle, FPen->Handle());
  if (!FOldPen) FOldPen = old;
  SetROP2(FHandle, modes[FPen->Mode()]);
  FState.Include(csPenValid);
}

void TCanvas::CreateBrush() {
  UnrealizeObject(FBrush->Handle());
  HGDIOBJ old = SelectObject(FHandle, FBrush->Handle());
  if (!FOldBrush) FOldBrush = old;
  if (FBrush->Style() == bsSolid) {
    SetBkColor(FHandle, ColorToRGB(FBrush->Color()));
    SetBkMode(FHandle, OPAQUE);
  } else {
    SetBkColor(FHandle, ~static_cast<COLORREF>(ColorToRGB(FBrush->Color())) & 0xFFFFFF);
    SetBkMode(FHandle, TRANSPARENT);
  }
  FState.Include(csBrushValid);
}

// A changed object may get a new handle and the old one may be deleted: the stock object
// goes into the DC first, so the DC never holds a deleted handle.
void TCanvas::FontChanged(TObject*) {
  if (FState.Contains(csFontValid)) {
    FState.Exclude(csFontValid);
    SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
  }
}
void TCanvas::PenChanged(TObject*) {
  if (FState.Contains(csPenValid)) {
    FState.Exclude(csPenValid);
    SelectObject(FHandle, GetStockObject(BLACK_PEN));
  }
}
void TCanvas::BrushChanged(TObject*) {
  if (FState.Contains(csBrushValid)) {
    FState.Exclude(csBrushValid);
    SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
  }
}

void TCanvas::Lock() {
  EnterCriticalSection(&FLock);
  ++FLockCount;
}
void TCanvas::Unlock() {
  --FLockCount;
  LeaveCriticalSection(&FLock);
}
bool TCanvas::TryLock() {
  if (!TryEnterCriticalSection(&FLock)) return false;
  ++FLockCount;
  return true;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

POINT TCanvas::PenPos() {
  if (!FHandle) return FPenPos;
  POINT p;
  GetCurrentPositionEx(FHandle, &p);
  return p;
}

TColor TCanvas::Pixel(Integer X, Integer Y) {
  RequiredState({csHandleValid});
  return static_cast<TColor>(GetPixel(FHandle, X, Y));
}
void TCanvas::SetPixel(Integer X, Integer Y, TColor Value) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  ::SetPixel(FHandle, X, Y, ColorToRGB(Value));
  Changed();
}

RECT TCanvas::ClipRect() {
  RequiredState({csHandleValid});
  RECT r{};
  GetClipBox(FHandle, &r);
  return r;
}

void TCanvas::MoveTo(Integer X, Integer Y) {
  RequiredState({csHandleValid});
  MoveToEx(FHandle, X, Y, nullptr);
}
void TCanvas::LineTo(Integer X, Integer Y) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::LineTo(FHandle, X, Y);
  Changed();
}
void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Rectangle(FHandle, X1, Y1, X2, Y2);
  Changed();
}
void TCanvas::FillRect(const RECT& R) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FillRect(FHandle, &R, FBrush->Handle());
  Changed();
}
void TCanvas::FrameRect(const RECT& R) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FrameRect(FHandle, &R, FBrush->Handle());
  Changed();
}
void TCanvas::DrawFocusRect(const RECT& R) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::DrawFocusRect(FHandle, &R);
  Changed();
}
void TCanvas::Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Ellipse(FHandle, X1, Y1, X2, Y2);
  Changed();
}
void TCanvas::RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3,
                        Integer Y3) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
  Changed();
}
void TCanvas::Polygon(const std::vector<POINT>& Points) {
  if (Points.empty()) return;
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size()));
  Changed();
}
void TCanvas::Polyline(const std::vector<POINT>& Points) {
  if (Points.empty()) return;
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size()));
  Changed();
}
void TCanvas::Arc(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3,
                  Integer X4, Integer Y4) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Arc(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  Changed();
}
void TCanvas::Pie(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3,
                  Integer X4, Integer Y4) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Pie(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  Changed();
}
void TCanvas::FloodFill(Integer X, Integer Y, TColor Color, TFillStyle FillStyle) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ExtFloodFill(FHandle, X, Y, ColorToRGB(Color),
               FillStyle == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
  Changed();
}

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic) {
  if (Graphic && !Graphic->Empty()) {
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, RECT{X, Y, X + Graphic->Width(), Y + Graphic->Height()});
    Changed();
  }
}
void TCanvas::StretchDraw(const RECT& R, TGraphic* Graphic) {
  if (Graphic && !Graphic->Empty()) {
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, R);
    Changed();
  }
}

void TCanvas::CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  HDC src = Canvas->Handle();
  StretchBlt(FHandle, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, src,
             Source.left, Source.top, Source.right - Source.left, Source.bottom - Source.top,
             FCopyMode);
  Changed();
}

void TCanvas::BrushCopy(const RECT& Dest, TBitmap* Bitmap, const RECT& Source, TColor Color) {
  if (!Bitmap || Bitmap->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  TransparentBlt(FHandle, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top,
                 Bitmap->Canvas()->Handle(), Source.left, Source.top,
                 Source.right - Source.left, Source.bottom - Source.top, ColorToRGB(Color));
  Changed();
}

void TCanvas::TextOut(Integer X, Integer Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  ExtTextOutW(FHandle, X, Y, FTextFlags, nullptr, Text.c_str(),
              static_cast<UINT>(Text.size()), nullptr);
  MoveTo(X + TextWidth(Text), Y);
  Changed();
}

void TCanvas::TextRect(const RECT& R, Integer X, Integer Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED | FTextFlags;
  if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
  ExtTextOutW(FHandle, X, Y, options, &R, Text.c_str(), static_cast<UINT>(Text.size()),
              nullptr);
  Changed();
}

void TCanvas::TextRect(RECT& R, String& Text, TTextFormat TextFormat) {
  static const UINT flags[] = {
      DT_BOTTOM, DT_CALCRECT, DT_CENTER, DT_EDITCONTROL, DT_END_ELLIPSIS, DT_PATH_ELLIPSIS,
      DT_EXPANDTABS, DT_EXTERNALLEADING, DT_LEFT, DT_MODIFYSTRING, DT_NOCLIP, DT_NOPREFIX,
      DT_RIGHT, DT_RTLREADING, DT_SINGLELINE, DT_TOP, DT_VCENTER, DT_WORDBREAK,
      DT_HIDEPREFIX, DT_NOFULLWIDTHCHARBREAK, DT_PREFIXONLY, DT_TABSTOP, DT_WORD_ELLIPSIS,
      0};
  UINT f = 0;
  for (int i = tfBottom; i <= tfComposited; ++i)
    if (TextFormat.Contains(static_cast<TTextFormats>(i))) f |= flags[i];
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  if (f & DT_MODIFYSTRING) {
    // DrawText may write up to four more characters (the ellipsis) into the buffer.
    std::vector<wchar_t> buf(Text.begin(), Text.end());
    buf.resize(Text.size() + 5, L'\0');
    DrawTextW(FHandle, buf.data(), static_cast<int>(Text.size()), &R, f);
    Text = buf.data();
  } else {
    DrawTextW(FHandle, Text.c_str(), static_cast<int>(Text.size()), &R, f);
  }
  Changed();
}

SIZE TCanvas::TextExtent(const String& Text) {
  RequiredState({csHandleValid, csFontValid});
  SIZE s{0, 0};
  GetTextExtentPoint32W(FHandle, Text.c_str(), static_cast<int>(Text.size()), &s);
  return s;
}

void TCanvas::Refresh() { DeselectHandles(); }

// ---------------------------------------------------------------------------------------
// TGraphic

void TGraphic::SetSize(Integer AWidth, Integer AHeight) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

void TGraphic::SetTransparent(bool Value) {
  if (FTransparent != Value) {
    FTransparent = Value;
    Changed(this);
  }
}

void TGraphic::SetModified(bool Value) {
  if (Value) Changed(this);
  else FModified = false;
}

void TGraphic::Changed(TObject*) {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const String& FileName) { LoadFromBytes(ReadWholeFile(FileName)); }

void TGraphic::DefineProperties(TFiler* Filer) {
  TPersistent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      L"Data", [this](TStream* S) { ReadData(S); }, [this](TStream* S) { WriteData(S); }, !Empty());
}

void TGraphic::ReadData(TStream* Stream) {
  const Int64 n = Stream->Size() - Stream->Position();
  TBytes data(n > 0 ? static_cast<size_t>(n) : 0);
  if (n > 0) Stream->ReadBuffer(data, static_cast<Integer>(n));
  LoadFromBytes(data);
}

void TGraphic::WriteData(TStream* Stream) {
  const TBytes data = SaveToBytes();
  if (!data.empty()) Stream->WriteBuffer(data, static_cast<Integer>(data.size()));
}

void TBitmap::ReadData(TStream* Stream) {
  // The count of the bitmap file's bytes, then the file; a count past the block's end is
  // refused before anything is read.
  Integer n = 0;
  Stream->ReadBuffer(&n, 4);
  if (n < 0 || n > Stream->Size() - Stream->Position()) throw EReadError(L"Invalid stream format");
  TBytes data(static_cast<size_t>(n));
  if (n > 0) Stream->ReadBuffer(data, n);
  if (data.empty()) {
    SetSize(0, 0);
    return;
  }
  LoadFromBytes(data);
}

void TBitmap::WriteData(TStream* Stream) {
  const TBytes data = SaveToBytes();
  const Integer n = static_cast<Integer>(data.size());
  Stream->WriteBuffer(&n, 4);
  if (n > 0) Stream->WriteBuffer(data, n);
}
void TGraphic::SaveToFile(const String& FileName) { WriteWholeFile(FileName, SaveToBytes()); }

// ---------------------------------------------------------------------------------------
// TBitmap

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) throw EOutOfResources(L"Out of system resources");
  if (FBitmap->FHandle) FOldBitmap = SelectObject(dc, FBitmap->FHandle);
  SetHandle(dc);
}

void TBitmapCanvas::FreeContext() {
  if (HandleAllocated()) {
    HDC dc = Handle();
    SetHandle(nullptr);
    if (FOldBitmap) SelectObject(dc, FOldBitmap);
    FOldBitmap = nullptr;
    DeleteDC(dc);
  }
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(Integer AWidth, Integer AHeight) { SetSize(AWidth, AHeight); }

TBitmap::~TBitmap() {
  FCanvas.reset();
  FreeHandle();
}

void TBitmap::FreeHandle() {
  if (FCanvas) FCanvas->FreeContext();
  if (FHandle) DeleteObject(FHandle);
  if (FMaskHandle) DeleteObject(FMaskHandle);
  FHandle = FMaskHandle = nullptr;
  FBits = nullptr;
  FStride = 0;
}

void TBitmap::NewImage(Integer W, Integer H, TPixelFormat PF, TBitmapHandleType HT,
                       HBITMAP CopyFrom, Integer CopyW, Integer CopyH) {
  if (W < 0 || H < 0) throw EInvalidGraphic(L"Invalid image size");
  HBITMAP nh = nullptr;
  void* bits = nullptr;
  if (W > 0 && H > 0) {
    if (HT == bmDDB || PF == pfDevice) {
      HDC sdc = GetDC(nullptr);
      nh = PF == pf1bit ? CreateBitmap(W, H, 1, 1, nullptr) : CreateCompatibleBitmap(sdc, W, H);
      ReleaseDC(nullptr, sdc);
      HT = bmDDB;
    } else {
      TDIBInfo bi;
      FillInfo(bi, W, H, PF);
      nh = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits,
                            nullptr, 0);
    }
    if (!nh) throw EOutOfResources(L"Out of system resources");
    // The new image starts white, then receives what fits of the old one.
    HDC dst = CreateCompatibleDC(nullptr);
    HGDIOBJ od = SelectObject(dst, nh);
    PatBlt(dst, 0, 0, W, H, WHITENESS);
    if (CopyFrom) {
      HDC src = CreateCompatibleDC(nullptr);
      HGDIOBJ os = SelectObject(src, CopyFrom);
      BitBlt(dst, 0, 0, std::min(W, CopyW), std::min(H, CopyH), src, 0, 0, SRCCOPY);
      SelectObject(src, os);
      DeleteDC(src);
    }
    SelectObject(dst, od);
    DeleteDC(dst);
  }
  FreeHandle();
  FHandle = nh;
  FBits = bits;
  FWidth = nh ? W : 0;
  FHeight = nh ? H : 0;
  FPixelFormat = PF;
  FHandleType = HT;
  FStride = bits ? StrideOf(W, BitsOf(PF)) : 0;
}

void TBitmap::SetSize(Integer AWidth, Integer AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) return;
  if (FCanvas) FCanvas->FreeContext();
  // The old image is kept aside for the copy; NewImage must not delete it first.
  HBITMAP keep = FHandle;
  const Integer ow = FWidth, oh = FHeight;
  {
    // A failed resize keeps the old image.
    TRollbackScope<HBITMAP> handle(FHandle, nullptr);
    NewImage(AWidth, AHeight, FPixelFormat, FHandleType, keep, ow, oh);
  }
  if (keep) DeleteObject(keep);
  Changed(this);
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TBitmapCanvas>(this);
    FCanvas->OnChange = [this](TObject* s) { CanvasChanged(s); };
  }
  return FCanvas.get();
}

void TBitmap::CanvasChanged(TObject*) {
  if (FMaskHandle) { DeleteObject(FMaskHandle); FMaskHandle = nullptr; }
  TGraphic::Changed(this);
}

HBITMAP TBitmap::Handle() { return FHandle; }

void TBitmap::SetHandle(HBITMAP Value) {
  if (FHandle == Value) return;
  FreeHandle();
  if (Value) {
    DIBSECTION ds{};
    int n = GetObjectW(Value, sizeof ds, &ds);
    if (n == 0) throw EInvalidGraphic(L"Invalid bitmap handle");
    FHandle = Value;
    FWidth = ds.dsBm.bmWidth;
    FHeight = ds.dsBm.bmHeight;
    if (n == sizeof(DIBSECTION) && ds.dsBm.bmBits) {
      FHandleType = bmDIB;
      FBits = ds.dsBm.bmBits;
      FStride = ds.dsBm.bmWidthBytes;
      bool is565 = ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x07E0;
      FPixelFormat = FormatOfBits(ds.dsBm.bmBitsPixel, is565);
    } else {
      FHandleType = bmDDB;
      FPixelFormat = ds.dsBm.bmBitsPixel == 1 ? pf1bit : pfDevice;
    }
  } else {
    FWidth = FHeight = 0;
  }
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  if (FCanvas) FCanvas->FreeContext();
  HBITMAP h = FHandle;
  FHandle = nullptr;
  FreeHandle();
  FWidth = FHeight = 0;
  return h;
}

void TBitmap::SetHandleType(TBitmapHandleType Value) {
  if (Value == FHandleType) return;
  TPixelFormat pf = FPixelFormat;
  if (Value == bmDIB && (pf == pfDevice || pf == pfCustom))
    pf = FormatOfBits(ScreenBits(), false) == pfCustom ? pf32bit : FormatOfBits(ScreenBits(), false);
  if (Value == bmDDB && pf != pf1bit) pf = pfDevice;
  if (FCanvas) FCanvas->FreeContext();
  HBITMAP keep = FHandle;
  FHandle = nullptr;
  FreeHandle();
  NewImage(FWidth, FHeight, pf, Value, keep, FWidth, FHeight);
  if (keep) DeleteObject(keep);
  if (FWidth == 0) { FHandleType = Value; FPixelFormat = pf; }
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == FPixelFormat) return;
  if (Value == pfCustom) throw EInvalidGraphic(L"Invalid pixel format");
  if (FCanvas) FCanvas->FreeContext();
  HBITMAP keep = FHandle;
  FHandle = nullptr;
  FreeHandle();
  TBitmapHandleType ht = Value == pfDevice ? bmDDB : bmDIB;
  Integer w = FWidth, h = FHeight;
  NewImage(w, h, Value, ht, keep, w, h);
  if (keep) DeleteObject(keep);
  FPixelFormat = Value;
  FHandleType = ht;
  Changed(this);
}

bool TBitmap::Monochrome() const { return FPixelFormat == pf1bit; }

void TBitmap::SetMonochrome(bool Value) {
  if (Value == Monochrome()) return;
  SetPixelFormat(Value ? pf1bit : (FHandleType == bmDDB ? pfDevice : pf24bit));
}

void* TBitmap::ScanLine(Integer Row) {
  if (Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation(L"Scan line index out of range");
  if (FHandleType != bmDIB) SetHandleType(bmDIB);
  if (FCanvas && FCanvas->HandleAllocated()) GdiFlush();
  return static_cast<Byte*>(FBits) + static_cast<size_t>(FHeight - 1 - Row) * FStride;
}

TColor TBitmap::TransparentColor() {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (Empty()) return clDefault;
  return Canvas()->Pixel(0, FHeight - 1) & 0xFFFFFF;
}

void TBitmap::SetTransparentColor(TColor Value) {
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  if (FMaskHandle) { DeleteObject(FMaskHandle); FMaskHandle = nullptr; }
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode) return;
  if (Value == tmAuto) SetTransparentColor(clDefault);
  else SetTransparentColor(TransparentColor());
}

void TBitmap::Mask(TColor TransparentColor) {
  if (FMaskHandle) { DeleteObject(FMaskHandle); FMaskHandle = nullptr; }
  if (Empty()) return;
  HBITMAP m = CreateBitmap(FWidth, FHeight, 1, 1, nullptr);
  HDC src = Canvas()->Handle();
  HDC dst = CreateCompatibleDC(nullptr);
  HGDIOBJ od = SelectObject(dst, m);
  COLORREF oldBk = SetBkColor(src, ColorToRGB(TransparentColor));
  BitBlt(dst, 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY);
  SetBkColor(src, oldBk);
  SelectObject(dst, od);
  DeleteDC(dst);
  FMaskHandle = m;
}

HBITMAP TBitmap::MaskHandle() {
  if (!FMaskHandle) Mask(TransparentColor());
  return FMaskHandle;
}

HBITMAP TBitmap::ReleaseMaskHandle() {
  HBITMAP m = MaskHandle();
  FMaskHandle = nullptr;
  return m;
}

void TBitmap::Dormant() {
  if (FCanvas) FCanvas->FreeContext();
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    FreeHandle();
    FWidth = FHeight = 0;
    Changed(this);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    if (b->FCanvas) b->FCanvas->FreeContext();
    FreeHandle();
    NewImage(b->FWidth, b->FHeight, b->FPixelFormat, b->FHandleType, b->FHandle, b->FWidth,
             b->FHeight);
    if (FBits && b->FBits && (FPixelFormat == pf1bit || FPixelFormat == pf4bit ||
                              FPixelFormat == pf8bit)) {
      // Keep the source's colour table and exact indices.
      RGBQUAD t[256];
      HDC s = b->Canvas()->Handle();
      UINT n = GetDIBColorTable(s, 0, 256, t);
      HDC d = Canvas()->Handle();
      SetDIBColorTable(d, 0, n, t);
      GdiFlush();
      std::memcpy(FBits, b->FBits, static_cast<size_t>(FStride) * FHeight);
    }
    FTransparent = b->FTransparent;
    FTransparentColor = b->FTransparentColor;
    FTransparentMode = b->FTransparentMode;
    Changed(this);
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    FreeHandle();
    NewImage(g->Width(), g->Height(), pf24bit, bmDIB, nullptr, 0, 0);
    if (!Empty()) {
      Canvas()->Brush()->SetColor(clWhite);
      Canvas()->FillRect(RECT{0, 0, FWidth, FHeight});
      Canvas()->Draw(0, 0, g);
    }
    Changed(this);
    return;
  }
  inherited::Assign(Source);
}

void TBitmap::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (Empty()) return;
  HDC dst = ACanvas->Handle();
  HDC src = Canvas()->Handle();
  Integer w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  if (Transparent()) {
    TransparentBlt(dst, Rect.left, Rect.top, w, h, src, 0, 0, FWidth, FHeight,
                   ColorToRGB(TransparentColor()));
  } else {
    if (w != FWidth || h != FHeight) SetStretchBltMode(dst, COLORONCOLOR);
    StretchBlt(dst, Rect.left, Rect.top, w, h, src, 0, 0, FWidth, FHeight,
               ACanvas->CopyMode());
  }
}

// Reads a packed DIB (an info header, its colour table or masks, then the pixels).
void TBitmap::LoadPackedDIB(const Byte* Info, size_t InfoSize, const Byte* Bits,
                            size_t BitsSize) {
  if (InfoSize < 12) InvalidBitmap();
  DWORD hsize = ReadAt<DWORD>(Info);
  TDIBInfo bi;
  std::memset(&bi, 0, sizeof bi);
  size_t tableOffset;
  DWORD colorsUsed = 0;
  bool core = hsize == sizeof(BITMAPCOREHEADER);
  if (core) {
    auto ch = ReadAt<BITMAPCOREHEADER>(Info);
    bi.h.biWidth = ch.bcWidth;
    bi.h.biHeight = ch.bcHeight;
    bi.h.biPlanes = ch.bcPlanes;
    bi.h.biBitCount = ch.bcBitCount;
    bi.h.biCompression = BI_RGB;
    tableOffset = hsize;
  } else if (hsize == 40 || hsize == 52 || hsize == 56 || hsize == 108 || hsize == 124) {
    if (InfoSize < hsize) InvalidBitmap();
    bi.h = ReadAt<BITMAPINFOHEADER>(Info);
    colorsUsed = bi.h.biClrUsed;
    tableOffset = hsize;
  } else {
    InvalidBitmap();
  }
  bi.h.biSize = sizeof(BITMAPINFOHEADER);
  const Integer bits = bi.h.biBitCount;
  const Integer w = bi.h.biWidth;
  const Integer hRaw = bi.h.biHeight;
  if (bi.h.biPlanes != 1 || w <= 0 || hRaw == 0 || hRaw == INT32_MIN) InvalidBitmap();
  const Integer h = hRaw < 0 ? -hRaw : hRaw;
  if (w > 65536 || h > 65536 || static_cast<Int64>(w) * h > (Int64(1) << 28)) InvalidBitmap();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    InvalidBitmap();
  const DWORD comp = bi.h.biCompression;
  const bool rle = comp == BI_RLE8 || comp == BI_RLE4;
  if (comp != BI_RGB && comp != BI_BITFIELDS && !rle) InvalidBitmap();
  if ((comp == BI_RLE8 && bits != 8) || (comp == BI_RLE4 && bits != 4) ||
      (comp == BI_BITFIELDS && bits != 16 && bits != 32) || (rle && hRaw < 0))
    InvalidBitmap();

  // Colour table or masks.
  DWORD masks[3] = {0, 0, 0};
  if (comp == BI_BITFIELDS) {
    if (hsize == 40) {
      if (InfoSize < tableOffset + 12) InvalidBitmap();
      std::memcpy(masks, Info + tableOffset, 12);
    } else {
      std::memcpy(masks, Info + 40, 12);  // the V4/V5 headers carry the masks inline
    }
  }
  if (bits <= 8) {
    DWORD n = colorsUsed ? colorsUsed : (1u << bits);
    if (n > (1u << bits)) InvalidBitmap();
    size_t entry = core ? 3 : 4;
    if (InfoSize < tableOffset + n * entry) InvalidBitmap();
    for (DWORD i = 0; i < n; ++i) {
      const Byte* p = Info + tableOffset + i * entry;
      bi.colors[i] = RGBQUAD{p[0], p[1], p[2], 0};
    }
    bi.h.biClrUsed = n;
  }

  TPixelFormat pf;
  if (bits == 16) {
    bool is565 = comp == BI_BITFIELDS && masks[0] == 0xF800 && masks[1] == 0x07E0 &&
                 masks[2] == 0x001F;
    bool is555 = comp == BI_RGB || (masks[0] == 0x7C00 && masks[1] == 0x03E0 &&
                                    masks[2] == 0x001F);
    pf = is565 ? pf16bit : is555 ? pf15bit : pfCustom;
  } else if (bits == 32 && comp == BI_BITFIELDS &&
             !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)) {
    pf = pfCustom;
  } else {
    pf = FormatOfBits(bits, false);
  }

  const Integer stride = StrideOf(w, bits);
  if (!rle && BitsSize < static_cast<size_t>(stride) * h) InvalidBitmap();

  // Build the destination section: the file's own layout when we know it, else 32 bits
  // converted by GDI.
  TDIBInfo dib;
  if (pf == pfCustom) {
    FillInfo(dib, w, h, pf32bit);
  } else {
    FillInfo(dib, w, h, pf);
    if (bits <= 8) {
      std::memcpy(dib.colors, bi.colors, sizeof(RGBQUAD) * bi.h.biClrUsed);
      dib.h.biClrUsed = bi.h.biClrUsed;
    }
  }
  void* pbits = nullptr;
  HBITMAP nh = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS,
                                &pbits, nullptr, 0);
  if (!nh) throw EOutOfResources(L"Out of system resources");
  if (pf != pfCustom && !rle) {
    // Same layout: copy the rows, turning a top-down file upside down.
    Byte* d = static_cast<Byte*>(pbits);
    for (Integer y = 0; y < h; ++y) {
      Integer srcRow = hRaw < 0 ? h - 1 - y : y;
      std::memcpy(d + static_cast<size_t>(y) * stride, Bits + static_cast<size_t>(srcRow) * stride,
                  stride);
    }
  } else {
    // RLE or unusual masks: let GDI decode into the section.
    std::vector<Byte> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    BITMAPINFOHEADER hdr = bi.h;
    if (rle) hdr.biSizeImage = static_cast<DWORD>(BitsSize);
    std::memcpy(info.data(), &hdr, sizeof hdr);
    if (comp == BI_BITFIELDS) std::memcpy(info.data() + sizeof hdr, masks, 12);
    else std::memcpy(info.data() + sizeof hdr, bi.colors, sizeof(RGBQUAD) * 256);
    HDC sdc = GetDC(nullptr);
    int lines = SetDIBits(sdc, nh, 0, h, Bits, reinterpret_cast<BITMAPINFO*>(info.data()),
                          DIB_RGB_COLORS);
    ReleaseDC(nullptr, sdc);
    if (lines == 0) {
      DeleteObject(nh);
      InvalidBitmap();
    }
    if (pf == pfCustom) pf = pf32bit;
  }
  FreeHandle();
  FHandle = nh;
  FBits = pbits;
  FWidth = w;
  FHeight = h;
  FPixelFormat = pf;
  FHandleType = bmDIB;
  FStride = StrideOf(w, BitsOf(pf));
  Changed(this);
}

void TBitmap::LoadFromBytes(const TBytes& Data) {
  if (Data.size() < sizeof(BITMAPFILEHEADER) + 12) InvalidBitmap();
  auto fh = ReadAt<BITMAPFILEHEADER>(Data.data());
  if (fh.bfType != 0x4D42) InvalidBitmap();
  const size_t infoStart = sizeof(BITMAPFILEHEADER);
  if (fh.bfOffBits < infoStart + 12 || fh.bfOffBits > Data.size()) InvalidBitmap();
  LoadPackedDIB(Data.data() + infoStart, fh.bfOffBits - infoStart, Data.data() + fh.bfOffBits,
                Data.size() - fh.bfOffBits);
}

TBytes TBitmap::SaveToBytes() {
  if (Empty()) return {};
  TPixelFormat pf = FPixelFormat;
  if (FHandleType == bmDDB) pf = pf == pf1bit ? pf1bit : pf32bit;
  TDIBInfo bi;
  FillInfo(bi, FWidth, FHeight, pf);
  const Integer stride = StrideOf(FWidth, BitsOf(pf));
  const size_t imageSize = static_cast<size_t>(stride) * FHeight;
  size_t tableSize = 0;
  if (pf == pf16bit) tableSize = 12;
  else if (BitsOf(pf) <= 8) tableSize = sizeof(RGBQUAD) << BitsOf(pf);
  std::vector<Byte> pixels(imageSize);
  if (FCanvas) FCanvas->FreeContext();
  HDC sdc = GetDC(nullptr);
  GetDIBits(sdc, FHandle, 0, FHeight, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, sdc);
  if (FBits) std::memcpy(pixels.data(), FBits, imageSize);  // exact indices of the section
  if (FBits && BitsOf(pf) <= 8) {
    HDC dc = Canvas()->Handle();
    GetDIBColorTable(dc, 0, 1u << BitsOf(pf), bi.colors);
  }
  bi.h.biSizeImage = static_cast<DWORD>(imageSize);
  bi.h.biClrUsed = BitsOf(pf) <= 8 ? (1u << BitsOf(pf)) : 0;
  if (pf == pf16bit) {
    DWORD* masks = reinterpret_cast<DWORD*>(bi.colors);
    masks[0] = 0xF800; masks[1] = 0x07E0; masks[2] = 0x001F;
  }
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + sizeof(BITMAPINFOHEADER) + tableSize);
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + imageSize);
  TBytes out(fh.bfSize);
  std::memcpy(out.data(), &fh, sizeof fh);
  std::memcpy(out.data() + sizeof fh, &bi.h, sizeof(BITMAPINFOHEADER));
  std::memcpy(out.data() + sizeof fh + sizeof(BITMAPINFOHEADER), bi.colors, tableSize);
  std::memcpy(out.data() + fh.bfOffBits, pixels.data(), imageSize);
  return out;
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const String& ResName) {
  HRSRC r = FindResourceW(Instance, ResName.c_str(), RT_BITMAP);
  if (!r) throw EResNotFound(L"Resource %s not found", {ResName});
  HGLOBAL g = LoadResource(Instance, r);
  const Byte* p = static_cast<const Byte*>(LockResource(g));
  DWORD size = SizeofResource(Instance, r);
  if (!p || size < 12) InvalidBitmap();
  // A bitmap resource is a packed DIB: find where the pixels start.
  DWORD hsize = ReadAt<DWORD>(p);
  size_t off = hsize;
  if (hsize == sizeof(BITMAPCOREHEADER)) {
    auto ch = ReadAt<BITMAPCOREHEADER>(p);
    if (ch.bcBitCount <= 8) off += 3u << ch.bcBitCount;
  } else if (hsize >= sizeof(BITMAPINFOHEADER) && size >= sizeof(BITMAPINFOHEADER)) {
    auto ih = ReadAt<BITMAPINFOHEADER>(p);
    if (ih.biBitCount <= 8 && ih.biBitCount > 0)
      off += 4u * (ih.biClrUsed ? ih.biClrUsed : (1u << ih.biBitCount));
    else if (ih.biCompression == BI_BITFIELDS && hsize == sizeof(BITMAPINFOHEADER))
      off += 12;
  } else {
    InvalidBitmap();
  }
  if (off > size) InvalidBitmap();
  LoadPackedDIB(p, off, p + off, size - off);
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, Integer ResID) {
  HRSRC r = FindResourceW(Instance, MAKEINTRESOURCEW(ResID), RT_BITMAP);
  if (!r) throw EResNotFound(L"Resource %d not found", {ResID});
  wchar_t name[16];
  swprintf(name, 16, L"#%d", ResID);
  LoadFromResourceName(Instance, name);
}

// ---------------------------------------------------------------------------------------
// TIcon

TIcon::~TIcon() { Reset(); }

void TIcon::Reset() {
  if (FHandle) DestroyIcon(FHandle);
  FHandle = nullptr;
  FWidth = FHeight = 0;
  FData.clear();
}

void TIcon::SetWidth(Integer) { throw EInvalidGraphicOperation(L"Cannot change the size of an icon"); }
void TIcon::SetHeight(Integer) { throw EInvalidGraphicOperation(L"Cannot change the size of an icon"); }

void TIcon::SetHandle(HICON Value) {
  if (Value == FHandle) return;
  Reset();
  FHandle = Value;
  if (Value) {
    ICONINFO ii{};
    if (GetIconInfo(Value, &ii)) {
      BITMAP bm{};
      if (ii.hbmColor && GetObjectW(ii.hbmColor, sizeof bm, &bm)) {
        FWidth = bm.bmWidth; FHeight = bm.bmHeight;
      } else if (ii.hbmMask && GetObjectW(ii.hbmMask, sizeof bm, &bm)) {
        FWidth = bm.bmWidth; FHeight = bm.bmHeight / 2;
      }
      if (ii.hbmColor) DeleteObject(ii.hbmColor);
      if (ii.hbmMask) DeleteObject(ii.hbmMask);
    }
  }
  Changed(this);
}

HICON TIcon::ReleaseHandle() {
  HICON h = FHandle;
  FHandle = nullptr;
  Reset();
  return h;
}

void TIcon::Assign(TPersistent* Source) {
  if (!Source) { Reset(); Changed(this); return; }
  if (auto* i = dynamic_cast<TIcon*>(Source)) {
    if (i == this) return;
    TBytes data = i->FData;
    if (!data.empty()) {
      LoadFromBytes(data);
    } else {
      SetHandle(i->FHandle ? CopyIcon(i->FHandle) : nullptr);
    }
    return;
  }
  inherited::Assign(Source);
}

namespace {

// Checks an icon image (a PNG, or a bitmap header with its colour, XOR and AND data)
// against the bytes the directory gives it, before the system sees any of it: the
// system trusts the header's sizes.
bool ValidIconImage(const Byte* p, DWORD size) {
  static const Byte png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && std::memcmp(p, png, 8) == 0) {
    if (size < 33 || std::memcmp(p + 12, "IHDR", 4) != 0) return false;
    auto be32 = [&](size_t at) {
      return (DWORD(p[at]) << 24) | (DWORD(p[at + 1]) << 16) | (DWORD(p[at + 2]) << 8) | p[at + 3];
    };
    DWORD w = be32(16), h = be32(20);
    return w >= 1 && w <= 1024 && h >= 1 && h <= 1024;
  }
  if (size < sizeof(BITMAPINFOHEADER)) return false;
  auto bi = ReadAt<BITMAPINFOHEADER>(p);
  if (bi.biSize < sizeof(BITMAPINFOHEADER) || bi.biSize > size || bi.biPlanes != 1) return false;
  // The height counts the XOR and the AND image together.
  const Int64 w = bi.biWidth, h2 = bi.biHeight;
  if (w < 1 || w > 256 || h2 < 2 || h2 > 512 || h2 % 2 != 0) return false;
  const Int64 h = h2 / 2;
  const Int64 bits = bi.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  Int64 colors = 0;
  if (bits <= 8) {
    colors = bi.biClrUsed ? bi.biClrUsed : (Int64(1) << bits);
    if (colors > (Int64(1) << bits)) return false;
  }
  if (bi.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)) colors = 3;
  else if (bi.biCompression != BI_RGB) return false;
  const Int64 xorBytes = ((w * bits + 31) / 32) * 4 * h;
  const Int64 andBytes = ((w + 31) / 32) * 4 * h;
  return Int64(bi.biSize) + colors * 4 + xorBytes + andBytes <= Int64(size);
}

}  // namespace

void TIcon::LoadFromBytes(const TBytes& Data) {
  if (Data.size() < 6) InvalidIcon();
  Word reserved = ReadAt<Word>(&Data[0]), type = ReadAt<Word>(&Data[2]),
       count = ReadAt<Word>(&Data[4]);
  if (reserved != 0 || type != 1 || count == 0 || Data.size() < 6 + 16u * count) InvalidIcon();
  const Integer want = GetSystemMetrics(SM_CXICON);
  int best = -1;
  Integer bestW = 0, bestBits = 0;
  for (int i = 0; i < count; ++i) {
    const Byte* e = &Data[6 + 16 * i];
    Integer w = e[0] ? e[0] : 256;
    Integer bits = ReadAt<Word>(e + 6);
    DWORD size = ReadAt<DWORD>(e + 8), off = ReadAt<DWORD>(e + 12);
    if (off > Data.size() || size > Data.size() - off || size < 40) continue;
    if (!ValidIconImage(&Data[off], size)) InvalidIcon();
    bool better = best < 0 || (w == want && (bestW != want || bits > bestBits)) ||
                  (bestW != want && w > bestW);
    if (better) { best = i; bestW = w; bestBits = bits; }
  }
  if (best < 0) InvalidIcon();
  const Byte* e = &Data[6 + 16 * best];
  Integer w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
  DWORD size = ReadAt<DWORD>(e + 8), off = ReadAt<DWORD>(e + 12);
  HICON hi = CreateIconFromResourceEx(const_cast<Byte*>(&Data[off]), size, TRUE, 0x00030000, w,
                                      h, LR_DEFAULTCOLOR);
  if (!hi) InvalidIcon();
  TBytes keep = Data;
  Reset();
  FHandle = hi;
  FWidth = w;
  FHeight = h;
  FData = std::move(keep);
  Changed(this);
}

TBytes TIcon::SaveToBytes() {
  if (!FData.empty() || !FHandle) return FData;
  // An icon made from a handle: write it as one 32-bit image with its AND mask.
  ICONINFO ii{};
  if (!GetIconInfo(FHandle, &ii)) InvalidIcon();
  const Integer w = FWidth, h = FHeight;
  TDIBInfo bi;
  FillInfo(bi, w, h, pf32bit);
  std::vector<Byte> color(static_cast<size_t>(w) * h * 4);
  const Integer maskStride = StrideOf(w, 1);
  std::vector<Byte> mask(static_cast<size_t>(maskStride) * h);
  HDC sdc = GetDC(nullptr);
  if (ii.hbmColor)
    GetDIBits(sdc, ii.hbmColor, 0, h, color.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
  TDIBInfo mi;
  FillInfo(mi, w, h, pf1bit);
  GetDIBits(sdc, ii.hbmMask, 0, h, mask.data(), reinterpret_cast<BITMAPINFO*>(&mi),
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, sdc);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h * 2;
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  const DWORD imageSize = static_cast<DWORD>(sizeof ih + color.size() + mask.size());
  TBytes out(6 + 16 + imageSize);
  Byte* p = out.data();
  Word hdr[3] = {0, 1, 1};
  std::memcpy(p, hdr, 6);
  Byte* e = p + 6;
  e[0] = static_cast<Byte>(w >= 256 ? 0 : w);
  e[1] = static_cast<Byte>(h >= 256 ? 0 : h);
  Word planes = 1, bits = 32;
  std::memcpy(e + 4, &planes, 2);
  std::memcpy(e + 6, &bits, 2);
  std::memcpy(e + 8, &imageSize, 4);
  DWORD off = 22;
  std::memcpy(e + 12, &off, 4);
  std::memcpy(p + 22, &ih, sizeof ih);
  std::memcpy(p + 22 + sizeof ih, color.data(), color.size());
  std::memcpy(p + 22 + sizeof ih + color.size(), mask.data(), mask.size());
  return out;
}

void TIcon::LoadFromResourceName(HINSTANCE Instance, const String& ResName) {
  HICON h = static_cast<HICON>(
      LoadImageW(Instance, ResName.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (!h) throw EInvalidGraphic(L"Resource %s not found", {ResName});
  SetHandle(h);
}

void TIcon::LoadFromResourceID(HINSTANCE Instance, Integer ResID) {
  HICON h = static_cast<HICON>(
      LoadImageW(Instance, MAKEINTRESOURCEW(ResID), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (!h) throw EInvalidGraphic(L"Resource %d not found", {ResID});
  SetHandle(h);
}

void TIcon::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (!FHandle) return;
  DrawIconEx(ACanvas->Handle(), Rect.left, Rect.top, FHandle, Rect.right - Rect.left,
             Rect.bottom - Rect.top, 0, nullptr, DI_NORMAL);
}

// ---------------------------------------------------------------------------------------
// Streams

namespace {
TBytes ReadRest(TStream* Stream, Int64 count) {
  if (count < 0) count = 0;
  TBytes data(static_cast<size_t>(count));
  if (count) Stream->ReadBuffer(data.data(), static_cast<Integer>(count));
  return data;
}
}  // namespace

void TBitmap::LoadFromStream(TStream* Stream) {
  // The file header's size tells how much of the stream belongs to the bitmap.
  Int64 avail = Stream->Size() - Stream->Position();
  TBytes head = ReadRest(Stream, std::min<Int64>(avail, sizeof(BITMAPFILEHEADER)));
  if (head.size() < sizeof(BITMAPFILEHEADER)) InvalidBitmap();
  auto fh = ReadAt<BITMAPFILEHEADER>(head.data());
  Int64 rest = avail - static_cast<Int64>(head.size());
  if (fh.bfSize >= sizeof(BITMAPFILEHEADER) && static_cast<Int64>(fh.bfSize - sizeof(BITMAPFILEHEADER)) <= rest)
    rest = fh.bfSize - sizeof(BITMAPFILEHEADER);
  TBytes body = ReadRest(Stream, rest);
  head.insert(head.end(), body.begin(), body.end());
  LoadFromBytes(head);
}
void TBitmap::SaveToStream(TStream* Stream) {
  TBytes d = SaveToBytes();
  if (!d.empty()) Stream->WriteBuffer(d.data(), static_cast<Integer>(d.size()));
}
void TIcon::LoadFromStream(TStream* Stream) {
  LoadFromBytes(ReadRest(Stream, Stream->Size() - Stream->Position()));
}
void TIcon::SaveToStream(TStream* Stream) {
  TBytes d = SaveToBytes();
  if (!d.empty()) Stream->WriteBuffer(d.data(), static_cast<Integer>(d.size()));
}

// ---------------------------------------------------------------------------------------
// TPicture

TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (!Value) {
    FGraphic.reset();
    Changed(this);
    return;
  }
  if (Value == FGraphic.get()) return;
  TObject* o = Value->ClassType()->NewInstance();
  auto* g = dynamic_cast<TGraphic*>(o);
  if (!g) {
    delete o;
    throw EInvalidGraphic(L"Cannot copy a %s", {Value->ClassName()});
  }
  std::unique_ptr<TGraphic> ng(g);
  ng->Assign(Value);
  ng->OnChange = [this](TObject* s) { Changed(s); };
  FGraphic = std::move(ng);
  Changed(this);
}

void TPicture::ForceType(TGraphicClass C) {
  if (FGraphic && FGraphic->ClassType() == C) return;
  auto* g = dynamic_cast<TGraphic*>(C->NewInstance());
  FGraphic.reset(g);
  FGraphic->OnChange = [this](TObject* s) { Changed(s); };
  Changed(this);
}

TBitmap* TPicture::Bitmap() {
  ForceType(TBitmap::StaticClass());
  return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
  ForceType(TIcon::StaticClass());
  return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) { SetGraphic(nullptr); return; }
  if (auto* p = dynamic_cast<TPicture*>(Source)) { SetGraphic(p->Graphic()); return; }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) { SetGraphic(g); return; }
  inherited::Assign(Source);
}

void TPicture::LoadFromFile(const String& FileName) {
  size_t dot = FileName.find_last_of(L'.');
  size_t slash = FileName.find_last_of(L"\\/");
  String ext = dot == String::npos || (slash != String::npos && dot < slash)
                   ? String()
                   : FileName.substr(dot + 1);
  TGraphicClass c = FileFormatFor(ext);
  if (!c) throw EInvalidGraphic(L"Unknown picture file extension (.%s)", {ext});
  std::unique_ptr<TGraphic> g(dynamic_cast<TGraphic*>(c->NewInstance()));
  g->LoadFromFile(FileName);
  g->OnChange = [this](TObject* s) { Changed(s); };
  FGraphic = std::move(g);
  Changed(this);
}

void TPicture::SaveToFile(const String& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::RegisterFileFormat(const String& AExtension, const String& ADescription,
                                  TGraphicClass AGraphicClass) {
  String ext = LowerAscii(AExtension);
  if (!ext.empty() && ext[0] == L'.') ext.erase(0, 1);
  for (auto& f : Formats())
    if (f.Extension == ext) {
      f.Description = ADescription;
      f.GraphicClass = AGraphicClass;
      return;
    }
  Formats().push_back({ext, ADescription, AGraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass AClass) {
  auto& v = Formats();
  v.erase(std::remove_if(v.begin(), v.end(),
                         [AClass](const TFileFormat& f) {
                           return f.GraphicClass->InheritsFrom(AClass);
                         }),
          v.end());
}

TGraphicClass TPicture::FileFormatFor(const String& AExtension) {
  String ext = LowerAscii(AExtension);
  if (!ext.empty() && ext[0] == L'.') ext.erase(0, 1);
  for (const auto& f : Formats())
    if (f.Extension == ext) return f.GraphicClass;
  return nullptr;
}

String TPicture::GraphicFilter(TGraphicClass GraphicClass) {
  String r;
  for (const auto& f : Formats()) {
    if (GraphicClass && !f.GraphicClass->InheritsFrom(GraphicClass)) continue;
    if (!r.empty()) r += L"|";
    r += f.Description + L" (*." + f.Extension + L")|*." + f.Extension;
  }
  return r;
}
