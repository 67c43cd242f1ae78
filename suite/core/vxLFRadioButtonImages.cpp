#include "vxLookAndFeelPainters.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <vssym32.h>

#include "SysUtils.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxLookAndFeels.h"
#include "vxLFPaintersCommon.h"

using namespace vxLFPaintersCommon;

// --- Radio-button image list -----------------------------------------------------------------

namespace {

// A 32-bit top-down DIB selected into its own memory DC, for measuring and building.
class TPixelSurface {
 public:
  TPixelSurface(Integer AWidth, Integer AHeight, COLORREF AFill) : FWidth(AWidth), FHeight(AHeight) {
    FDC = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = AWidth;
    bi.bmiHeader.biHeight = -AHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
    FOld = SelectObject(FDC, FBitmap);
    Fill(AFill);
  }
  ~TPixelSurface() {
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  TPixelSurface(const TPixelSurface&) = delete;
  TPixelSurface& operator=(const TPixelSurface&) = delete;
  HDC DC() const { return FDC; }
  bool Valid() const { return FBits != nullptr; }
  void Fill(COLORREF AColor) {
    RECT r{0, 0, FWidth, FHeight};
    HBRUSH brush = CreateSolidBrush(AColor);
    FillRect(FDC, &r, brush);
    DeleteObject(brush);
    GdiFlush();
  }
  // Outside the surface counts as a colour no drawing produces.
  COLORREF At(Integer X, Integer Y) const {
    if (!FBits || X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return CLR_INVALID;
    const DWORD v = FBits[Y * FWidth + X];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }

 private:
  Integer FWidth, FHeight;
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
  DWORD* FBits = nullptr;
};

// An ellipse over the whole rect: a round rect whose corners are the rect's size less one.
void DrawEllipseShape(HDC ADC, const TRect& R, COLORREF APen, COLORREF ABrush) {
  TSelectedObject pen(ADC, CreatePen(PS_SOLID, 1, APen), true);
  TSelectedObject brush(ADC, CreateSolidBrush(ABrush), true);
  RoundRect(ADC, R.left, R.top, R.right, R.bottom, R.right - R.left - 1, R.bottom - R.top - 1);
}

}  // namespace

TvxRadioButtonImageList::TvxRadioButtonImageList() {
  Measure();
  FList = std::make_unique<TImageList>(FRadioButtonSize.cx, FRadioButtonSize.cy);
  FList->SetColorDepth(cd24Bit);
  FList->SetMasked(true);
  FList->SetImageType(itImage);
  CreateMask();
  CalculatePattern();
}

TvxRadioButtonImageList::~TvxRadioButtonImageList() = default;

void TvxRadioButtonImageList::Measure() {
  const TSize cell = FCheckButtonSize;
  TPixelSurface surface(cell.cx, cell.cy, RGB(0, 0, 0));
  RECT r{0, 0, cell.cx, cell.cy};
  DrawFrameControl(surface.DC(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
  GdiFlush();
  const COLORREF black = RGB(0, 0, 0);
  Integer left = -1, width = 0, top = -1, height = 0;
  for (Integer x = 0; x < cell.cx; ++x)
    for (Integer y = 0; y < cell.cy; ++y)
      if (surface.At(x, y) == black) {
        if (left < 0) left = x;
        ++width;
        break;
      }
  for (Integer y = 0; y < cell.cy; ++y)
    for (Integer x = 0; x < cell.cx; ++x)
      if (surface.At(x, y) == black) {
        if (top < 0) top = y;
        ++height;
        break;
      }
  if (left < 0 || top < 0) {
    // Nothing drawn: the radio button takes the whole cell.
    left = top = 0;
    width = cell.cx;
    height = cell.cy;
  }
  FRadioButtonRect = TRect{left, top, left + width, top + height};
  FRadioButtonSize = TSize{width, height};

  // The check dot: the window-text coloured run through the middle of a checked button.
  surface.Fill(black);
  r = RECT{0, 0, cell.cx, cell.cy};
  DrawFrameControl(surface.DC(), &r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED | DFCS_FLAT);
  GdiFlush();
  const COLORREF text = ColorToRGB(clWindowText);
  auto run = [&](Integer X, Integer Y, Integer DX, Integer DY, Integer& AFirst, Integer& AAfter) {
    Integer x = X, y = Y;
    while (surface.At(x - DX, y - DY) == text && (DX ? x - DX >= left : y - DY >= top)) {
      x -= DX;
      y -= DY;
    }
    AFirst = DX ? x : y;
    x = X;
    y = Y;
    while (surface.At(x, y) == text && (DX ? x < left + width : y < top + height)) {
      x += DX;
      y += DY;
    }
    AAfter = DX ? x : y;
  };
  Integer dotTop, dotBottom, dotLeft, dotRight;
  run(left + width / 2 - 1, top + height / 2 - 2, 0, 1, dotTop, dotBottom);
  run(left + width / 2 - 2, top + height / 2 - 1, 1, 0, dotLeft, dotRight);
  if (dotBottom <= dotTop || dotRight <= dotLeft) {
    // No dot found in the middle: a centred dot a third of the button's size.
    const Integer dw = std::max<Integer>(2, width / 3), dh = std::max<Integer>(2, height / 3);
    dotLeft = left + (width - dw) / 2;
    dotTop = top + (height - dh) / 2;
    dotRight = dotLeft + dw;
    dotBottom = dotTop + dh;
  }
  FRadioButtonCheckRect = TRect{dotLeft, dotTop, dotRight, dotBottom};
}

void TvxRadioButtonImageList::CreateMask() {
  const Integer w = FRadioButtonSize.cx, h = FRadioButtonSize.cy;
  FButtonMask = std::make_unique<TBitmap>();
  FButtonMask->SetMonochrome(true);
  FButtonMask->SetSize(w, h);
  HDC dc = FButtonMask->Canvas()->Handle();
  RECT r{0, 0, w, h};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawEllipseShape(dc, TRect{0, 0, w, h}, RGB(0, 0, 0), RGB(0, 0, 0));
  GdiFlush();
}

void TvxRadioButtonImageList::CalculatePattern() {
  const Integer w = FRadioButtonSize.cx, h = FRadioButtonSize.cy;
  FRadioButtonPattern.assign(h, std::vector<Byte>(w, 0));
  auto& p = FRadioButtonPattern;
  const COLORREF black = RGB(0, 0, 0);
  // Below the anti-diagonal from the top-right to the bottom-left corner.
  auto lowerRight = [&](Integer x, Integer y) { return (h - 1) * (w - x - 1) < y * (w - 1); };

  // 1. The outer ring.
  {
    TPixelSurface ring(w, h, RGB(255, 255, 255));
    DrawEllipseShape(ring.DC(), TRect{0, 0, w, h}, black, RGB(255, 255, 255));
    GdiFlush();
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x)
        if (ring.At(x, y) == black) p[y][x] = lowerRight(x, y) ? 2 : 1;
  }
  auto isRing = [&](Integer x, Integer y) { return p[y][x] == 1 || p[y][x] == 2; };
  // 2. The interior, row by row from the middle outwards.
  for (Integer y = 1; y <= h - 2; ++y) {
    for (Integer x = w / 2 - 1; x >= 0 && p[y][x] == 0; --x) p[y][x] = 5;
    for (Integer x = w / 2; x < w && p[y][x] == 0; ++x) p[y][x] = 5;
  }
  // 3. The inner ring: the pixels just inside the outer ring, by rows and by columns.
  std::vector<std::vector<bool>> marked(h, std::vector<bool>(w, false));
  for (Integer y = 1; y <= h - 2; ++y) {
    const bool all = y == 1 || y == h - 2;
    for (Integer dir : {-1, 1}) {
      Integer last = -1;
      for (Integer x = w / 2; x >= 0 && x < w && !isRing(x, y); x += dir) {
        if (all) marked[y][x] = true;
        last = x;
      }
      if (last >= 0) marked[y][last] = true;
    }
  }
  for (Integer x = 1; x <= w - 2; ++x) {
    const bool all = x == 1 || x == w - 2;
    for (Integer dir : {-1, 1}) {
      Integer last = -1;
      for (Integer y = h / 2; y >= 0 && y < h && !isRing(x, y); y += dir) {
        if (all) marked[y][x] = true;
        last = y;
      }
      if (last >= 0) marked[last][x] = true;
    }
  }
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      if (!marked[y][x]) continue;
      const Integer a = (h - 1) * (w - x - 1), c = y * (w - 1);
      if (a < c)
        p[y][x] = 4;
      else if (a > c)
        p[y][x] = 3;
      else
        p[y][x] = x > w / 2 - 1 ? 4 : 3;
    }
  // 4. The check dot.
  {
    TPixelSurface dot(w, h, RGB(255, 255, 255));
    TRect d = FRadioButtonCheckRect;
    OffsetRect(&d, -FRadioButtonRect.left, -FRadioButtonRect.top);
    DrawEllipseShape(dot.DC(), d, black, black);
    GdiFlush();
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x)
        if (dot.At(x, y) == black) p[y][x] = 6;
  }
}

std::array<TColor, 7> TvxRadioButtonImageList::ImageColors(TvxLookAndFeelKind AKind, TvxButtonState AState,
                                                           bool AChecked, bool AFocused, bool AIsDesigning) {
  if (AState == vxbsDefault) AState = vxbsNormal;
  const bool disabled = AState == vxbsDisabled;
  TColor fill;
  if (AKind == lfOffice11)
    fill = AState == vxbsNormal ? clWindow : TvxOffice11LookAndFeelPainter::Instance()->ButtonColor(AState);
  else if (disabled)
    fill = clBtnFace;
  else if (AKind == lfUltraFlat)
    fill = AState == vxbsHot ? vxGetLightHotColor() : (AState == vxbsPressed ? vxGetLightPressedColor() : clWindow);
  else
    fill = AState == vxbsPressed ? clBtnFace : clWindow;

  TColor outer1, outer2, inner1, inner2;
  switch (AKind) {
    case lfFlat:
      outer1 = clBtnShadow;
      outer2 = clBtnHighlight;
      inner1 = inner2 = cl3DLight;
      break;
    case lfStandard:
      outer1 = clBtnShadow;
      outer2 = clBtnHighlight;
      inner1 = cl3DDkShadow;
      inner2 = cl3DLight;
      break;
    case lfUltraFlat: {
      const bool highlighted =
          AFocused || AState == vxbsHot || AState == vxbsPressed || (AIsDesigning && !disabled);
      outer1 = outer2 = highlighted ? clHighlight : clBtnShadow;
      inner1 = inner2 = fill;
      break;
    }
    default: {
      TColor o = clBtnText;
      if (disabled)
        o = vdOffice11DisabledSymbolColor;
      else if (AFocused || AIsDesigning || AState == vxbsHot || AState == vxbsPressed)
        o = vdOffice11HighlightBorderColor;
      outer1 = outer2 = o;
      inner1 = inner2 = fill;
      break;
    }
  }
  TColor dot = fill;
  if (AChecked) dot = disabled ? (AKind == lfOffice11 ? vdOffice11DisabledSymbolColor : clBtnShadow) : clWindowText;
  const TColor roles[7] = {clBlack, outer1, outer2, inner1, inner2, fill, dot};
  std::array<TColor, 7> result;
  for (size_t i = 0; i < result.size(); ++i) result[i] = ColorToRGB(roles[i]);
  return result;
}

Integer TvxRadioButtonImageList::MapIndex(TvxLookAndFeelKind AKind, TvxButtonState AState, bool AChecked,
                                          bool AFocused, bool AIsDesigning) {
  // The default state has no images of its own: it looks like the normal one.
  if (AState == vxbsDefault) AState = vxbsNormal;
  return (static_cast<Integer>(AState) - 1) + 4 * (AChecked ? 1 : 0) + 8 * static_cast<Integer>(AKind) +
         32 * (AIsDesigning ? 1 : 0) + 64 * (AFocused ? 1 : 0);
}

Integer TvxRadioButtonImageList::ImageIndex(TvxLookAndFeelKind AKind, TvxButtonState AState, bool AChecked,
                                            bool AFocused, bool AIsDesigning) const {
  const Integer i = MapIndex(AKind, AState, AChecked, AFocused, AIsDesigning);
  return i >= 0 && i < static_cast<Integer>(FRadioIndexMap.size()) ? FRadioIndexMap[i] : -1;
}

void TvxRadioButtonImageList::Prepare() {
  if (FList->Count() > 0) return;
  const Integer w = FRadioButtonSize.cx, h = FRadioButtonSize.cy;
  if (w <= 0 || h <= 0) return;
  for (bool designing : {false, true})
    for (bool focused : {false, true})
      for (Integer kind = lfFlat; kind <= lfOffice11; ++kind)
        for (bool checked : {false, true})
          for (Integer state = vxbsNormal; state <= vxbsDisabled; ++state) {
            const auto k = static_cast<TvxLookAndFeelKind>(kind);
            const auto s = static_cast<TvxButtonState>(state);
            const std::array<TColor, 7> colors = ImageColors(k, s, checked, focused, designing);
            TBitmap image;
            image.SetPixelFormat(pf32bit);
            image.SetSize(w, h);
            for (Integer y = 0; y < h; ++y) {
              auto* row = static_cast<DWORD*>(image.ScanLine(y));
              for (Integer x = 0; x < w; ++x) {
                const COLORREF c = static_cast<COLORREF>(colors[FRadioButtonPattern[y][x]]);
                row[x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
              }
            }
            // The system copies the mask through a context of its own: it must not stay
            // selected into the mask's canvas.
            FButtonMask->Dormant();
            const Integer number = FList->Add(&image, FButtonMask.get());
            const Integer entry = MapIndex(k, s, checked, focused, designing);
            if (entry >= static_cast<Integer>(FRadioIndexMap.size())) FRadioIndexMap.resize(entry + 1, -1);
            FRadioIndexMap[entry] = number;
          }
}

void TvxRadioButtonImageList::Reset() {
  FList->Clear();
  Prepare();
}

TSize TvxRadioButtonImageList::GetSize() const { return TSize{FList->Width(), FList->Height()}; }

void TvxRadioButtonImageList::Draw(TvxCanvas* ACanvas, Integer X, Integer Y, TColor ABrushColor,
                                   TvxLookAndFeelKind ALookAndFeelKind, TvxButtonState AButtonState, bool AChecked,
                                   bool AFocused, bool AIsDesigning) {
  const Integer image = ImageIndex(ALookAndFeelKind, AButtonState, AChecked, AFocused, AIsDesigning);
  if (image < 0) return;
  if (ABrushColor == clDefault) {
    FList->Draw(ACanvas->Canvas(), X, Y, image, true);
    return;
  }
  TBitmap square;
  square.SetPixelFormat(pf32bit);
  square.SetSize(FList->Width(), FList->Height());
  TCanvas* c = square.Canvas();
  c->Brush()->SetColor(ABrushColor);
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(TRect{0, 0, square.Width(), square.Height()});
  FList->Draw(c, 0, 0, image, true);
  ACanvas->Draw(X, Y, &square);
}

TvxRadioButtonImageList* vxGetRadioButtonImageList() {
  if (!FRadioButtonImageList) {
    auto list = std::make_unique<TvxRadioButtonImageList>();
    list->Prepare();
    FRadioButtonImageList = list.release();
  }
  return FRadioButtonImageList;
}

void TvxCustomLookAndFeelPainter::DrawRadioButton(TvxCanvas* ACanvas, Integer X, Integer Y,
                                                  TvxButtonState AButtonState, bool AChecked, bool AFocused,
                                                  TColor ABrushColor, bool AIsDesigning) const {
  vxGetRadioButtonImageList()->Draw(ACanvas, X, Y, ABrushColor, vxStyleToLookAndFeelKind(LookAndFeelStyle()),
                                    AButtonState, AChecked, AFocused, AIsDesigning);
}

TSize TvxCustomLookAndFeelPainter::RadioButtonSize() const { return vxGetRadioButtonImageList()->GetSize(); }
