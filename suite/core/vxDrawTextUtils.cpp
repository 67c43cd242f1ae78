#include "vxDrawTextUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "vdCore.h"
#include "vxControls.h"

namespace {

constexpr WideChar CR = L'\r';
constexpr WideChar LF = L'\n';
const WideChar EllipsisText[] = L"...";
constexpr Integer EllipsisLength = 3;

// Pattern brushes for rows drawn as bars: index 0 normal (checkerboard), 1 bold (solid).
HBRUSH PatternBrushes[2] = {nullptr, nullptr};

bool IsBlank(WideChar C) { return C == L' ' || C == L'\t'; }
bool IsLineBreak(WideChar C) { return C == CR || C == LF; }

Integer RectWidth(const TRect& R) { return R.right - R.left; }
Integer RectHeight(const TRect& R) { return R.bottom - R.top; }

AnsiString ToAnsi(const WideChar* AText, Integer ALength) {
  return vdWideToAnsiString(String(AText, static_cast<std::size_t>(ALength)), CP_ACP);
}

// The system's default character set, for fonts created with DEFAULT_CHARSET.
Byte SystemDefaultCharset() {
  CHARSETINFO info{};
  if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(GetACP())), &info, TCI_SRCCODEPAGE))
    return static_cast<Byte>(info.ciCharset);
  return ANSI_CHARSET;
}

// Whether rows of this character set and text are written right to left (the selection
// is then mirrored). A private twin of the graphics unit's charset test.
bool IsFarEastArabicCharset(Byte ACharset, const WideChar* AText, Integer ALength) {
  if (ACharset == DEFAULT_CHARSET) ACharset = SystemDefaultCharset();
  if (ALength > 0 && AText[0] < 128) return false;
  return ACharset == GB2312_CHARSET || ACharset == CHINESEBIG5_CHARSET || ACharset == ARABIC_CHARSET;
}

// Where the word that starts at P ends (Tabs and blanks are words of their own; a
// full-width character is a word, kept together with one closing character after it).
Integer NextWordEnd(const WideChar* AText, Integer P, Integer AEnd) {
  bool first = true;
  for (Integer i = P; i < AEnd; ++i) {
    WideChar c = AText[i];
    if (IsBlank(c)) return first ? i + 1 : i;
    if (IsLineBreak(c)) return i;
    if (vxIsFullWidthChar(c)) {
      if (!first) return i;
      Integer e = i + 1;
      if (e < AEnd && vxIsLineStartForbiddenChar(AText[e])) ++e;
      return e;
    }
    first = false;
  }
  return AEnd;
}

Integer NextLineBreak(const WideChar* AText, Integer P, Integer AEnd) {
  while (P < AEnd && !IsLineBreak(AText[P])) ++P;
  return P;
}

Integer MeasureWidth(HDC ADC, const WideChar* AText, Integer ALength, TvxGetTextExtentsProc AGetExtents,
                     Pointer AUserData, bool AExpandTabs) {
  TSize size{0, 0};
  AGetExtents(ADC, AText, ALength, size, AUserData, AExpandTabs);
  return size.cx;
}

struct TRowBreak {
  Integer End;   // the row's last character + 1
  Integer Next;  // where the next row starts
};

// One row from AStart (see vxMakeTextRowsOf).
TRowBreak MakeRow(HDC ADC, const WideChar* AText, Integer AStart, Integer AEnd, Integer AMaxWidth,
                  bool ALastWithEllipsis, TvxGetTextExtentsProc AGetExtents, Pointer AUserData,
                  const TvxTextParams& AParams, TvxTextRow& ARow) {
  const bool breakAtWords = !AParams.SingleLine && (AParams.WordBreak || AParams.TextAlignX == taJustifyX ||
                                                    AParams.TextAlignX == taDistributeX);
  const bool breakInsideWords = breakAtWords && (AParams.CharBreak || AParams.EditControl);
  // Measuring breaks rows exactly as drawing does, so a measured rectangle holds the
  // drawn rows.
  const bool lineEndsOnly = !breakAtWords;

  TRowBreak result{AEnd, AEnd};
  Integer P = AStart;
  Integer prevWidth = 0;
  bool trim = false;
  while (P < AEnd) {
    Integer B = lineEndsOnly ? NextLineBreak(AText, P, AEnd) : NextWordEnd(AText, P, AEnd);
    Integer w = MeasureWidth(ADC, AText + AStart, B - AStart, AGetExtents, AUserData, AParams.ExpandTabs);
    if (breakAtWords && w > AMaxWidth) {
      if (P != AStart && !ALastWithEllipsis) {
        result = {P, P};
        trim = true;
      } else if (breakInsideWords) {
        Integer lo = 0, hi = B - P;
        while (hi - lo > 1) {
          Integer mid = lo + (hi - lo) / 2;
          if (MeasureWidth(ADC, AText + P, mid, AGetExtents, AUserData, AParams.ExpandTabs) > AMaxWidth - prevWidth)
            hi = mid;
          else
            lo = mid;
        }
        if (lo == 0 && B > P) lo = 1;
        result = {P + lo, P + lo};
      } else {
        result = {B, B};
        trim = true;
        if (AParams.EndEllipsis) {
          Integer n = B;
          if (n < AEnd && AText[n] == CR) {
            ++n;
            if (n < AEnd && AText[n] == LF) ++n;
            trim = false;
          }
          if (n < AEnd && AText[n] == LF) {
            ++n;
            if (n < AEnd && AText[n] == CR) ++n;
            trim = false;
          }
          result.Next = n;
        }
      }
      break;
    }
    if (B < AEnd && AText[B] == CR) {
      result = {B, B + 1};
      if (result.Next < AEnd && AText[result.Next] == LF) ++result.Next;
      break;
    }
    if (B < AEnd && AText[B] == LF) {
      result = {B, B + 1};
      if (result.Next < AEnd && AText[result.Next] == CR) ++result.Next;
      break;
    }
    P = B;
    prevWidth = w;
  }

  if (trim && result.Next < AEnd) {
    switch (AParams.TextAlignX) {
      case taLeft:
        if (IsBlank(AText[result.Next])) ++result.Next;
        break;
      case taCenterX:
        if (result.End == result.Next && result.End > AStart && IsBlank(AText[result.End - 1])) --result.End;
        if (IsBlank(AText[result.Next])) ++result.Next;
        break;
      case taRight:
        if (result.End == result.Next && result.End > AStart && IsBlank(AText[result.End - 1])) --result.End;
        break;
      default:
        break;
    }
    if (AParams.ExcelStyle)
      while (result.Next < AEnd && AText[result.Next] == L' ') ++result.Next;
  }

  ARow.Text = AText + AStart;
  ARow.TextLength = result.End - AStart;
  if (AParams.TextAlignX == taDistributeX || (AParams.TextAlignX == taJustifyX && trim)) {
    Integer e = result.Next - 1;
    while (ARow.TextLength > 0 && e >= AStart && IsBlank(AText[e])) {
      if (e == AStart + ARow.TextLength - 1) --ARow.TextLength;
      --e;
    }
    Integer breaks = 0;
    for (Integer i = AStart; i < e && i < AStart + ARow.TextLength; ++i)
      if (IsBlank(AText[i])) ++breaks;
    ARow.BreakCount = breaks;
  }
  return result;
}

void RowTextOut(HDC ADC, Integer X, Integer Y, const WideChar* AText, Integer ALength, bool AExpandTabs) {
  if (ALength <= 0) return;
  if (vdOSWinNT) {
    if (AExpandTabs)
      TabbedTextOutW(ADC, X, Y, AText, std::min(ALength, 4096), 0, nullptr, X);
    else
      TextOutW(ADC, X, Y, AText, ALength);
  } else {
    AnsiString s = ToAnsi(AText, ALength);
    if (AExpandTabs)
      TabbedTextOutA(ADC, X, Y, s.c_str(), std::min<int>(static_cast<int>(s.size()), 4096), 0, nullptr, X);
    else
      TextOutA(ADC, X, Y, s.c_str(), static_cast<int>(s.size()));
  }
}

void EllipsisOut(HDC ADC, Integer X, Integer Y, UINT AOptions, const RECT& R) {
  if (vdOSWinNT)
    ExtTextOutW(ADC, X, Y, AOptions, &R, EllipsisText, EllipsisLength, nullptr);
  else
    ExtTextOutA(ADC, X, Y, AOptions, &R, "...", EllipsisLength, nullptr);
}

// How many leading characters fit in AMaxWidth.
Integer FitCharCount(HDC ADC, const WideChar* AText, Integer ALength, Integer AMaxWidth) {
  INT fit = 0;
  SIZE size{};
  if (vdOSWinNT) {
    if (!GetTextExtentExPointW(ADC, AText, ALength, AMaxWidth, &fit, nullptr, &size)) return 0;
    return fit;
  }
  AnsiString s = ToAnsi(AText, ALength);
  if (!GetTextExtentExPointA(ADC, s.c_str(), static_cast<int>(s.size()), AMaxWidth, &fit, nullptr, &size))
    return 0;
  // Back from bytes to characters.
  return static_cast<Integer>(vdAnsiToWideString(s.substr(0, static_cast<std::size_t>(fit)), CP_ACP).size());
}

Integer PrefixWidth(HDC ADC, const WideChar* AText, Integer ALength, bool AExpandTabs) {
  if (ALength <= 0) return 0;
  TSize size{0, 0};
  vxMeasureTextExtents(ADC, AText, ALength, size, nullptr, AExpandTabs);
  return size.cx;
}

bool IsMetafileDC(HDC ADC) {
  switch (GetObjectType(ADC)) {
    case OBJ_METADC:
    case OBJ_METAFILE:
    case OBJ_ENHMETADC:
    case OBJ_ENHMETAFILE:
      return true;
    default:
      return false;
  }
}

// Origin of a row of the given width in the text rectangle.
Integer RowOriginX(const TRect& T, const TvxTextParams& AParams, Integer AWidth) {
  Integer x;
  switch (AParams.TextAlignX) {
    case taCenterX:
      x = T.left + (RectWidth(T) - AWidth) / 2;
      break;
    case taRight:
      x = T.right - AWidth;
      break;
    default:
      x = T.left;
      break;
  }
  if (AParams.PreventLeftExceed) x = std::max(x, static_cast<Integer>(T.left));
  return x;
}

void InitDrawTextUtils() {
  // 8x8 monochrome patterns: rows alternate 0x55 and 0xAA (a checkerboard), or all zero
  // (every pixel in the text colour).
  WORD checker[8], solid[8] = {};
  for (int i = 0; i < 8; ++i) checker[i] = (i % 2 == 0) ? 0x55 : 0xAA;
  WORD* patterns[2] = {checker, solid};
  for (int i = 0; i < 2; ++i) {
    HBITMAP bmp = CreateBitmap(8, 8, 1, 1, patterns[i]);
    PatternBrushes[i] = CreatePatternBrush(bmp);
    DeleteObject(bmp);
  }
}

void FinDrawTextUtils() {
  for (auto& b : PatternBrushes) {
    if (b) DeleteObject(b);
    b = nullptr;
  }
}

}  // namespace

// --- Characters -----------------------------------------------------------------------------

bool vxIsFullWidthChar(WideChar C) {
  if (C < 0x80) return false;
  if ((C >= 0x4E00 && C <= 0x9FFF) || (C >= 0x3040 && C <= 0x309F) || (C >= 0x30A0 && C <= 0x30FF) ||
      (C >= 0xAC00 && C <= 0xD7A3))
    return true;
  char buffer[8];
  return WideCharToMultiByte(CP_ACP, 0, &C, 1, buffer, sizeof(buffer), nullptr, nullptr) > 1;
}

bool vxIsLineStartForbiddenChar(WideChar C) {
  static const WideChar Forbidden[] = {
      L'!', L'%', L')', L',', L'.', L':', L';', L'>', L'?', L']', L'}',
      0x00A8, 0x00B0, 0x00B7, 0x02C7, 0x02C9,
      0x2013, 0x2014, 0x2015, 0x2016, 0x2018, 0x2019, 0x201D, 0x2022, 0x2025, 0x2026, 0x2027, 0x2032, 0x2033,
      0x2103, 0x2236, 0x2574,
      0x3001, 0x3002, 0x3003, 0x3005, 0x3009, 0x300B, 0x300D, 0x300F, 0x3011, 0x3015, 0x3017, 0x301E,
      0x309B, 0x309C,
      0xFE30, 0xFE31, 0xFE33, 0xFE34, 0xFE36, 0xFE38, 0xFE3A, 0xFE3C, 0xFE3E, 0xFE40, 0xFE42, 0xFE44, 0xFE4F,
      0xFE50, 0xFE51, 0xFE52, 0xFE54, 0xFE55, 0xFE56, 0xFE57, 0xFE5A, 0xFE5C, 0xFE5E,
      0xFF01, 0xFF02, 0xFF05, 0xFF07, 0xFF09, 0xFF0C, 0xFF0D, 0xFF0E, 0xFF1A, 0xFF1B, 0xFF1E, 0xFF1F, 0xFF3D,
      0xFF5C, 0xFF5D, 0xFF5E, 0xFF61, 0xFF63, 0xFF64, 0xFF9E, 0xFF9F};
  if (C >= 0xFFE0) return true;
  return std::find(std::begin(Forbidden), std::end(Forbidden), C) != std::end(Forbidden);
}

// --- Rows store -----------------------------------------------------------------------------

TvxTextRow& vxGetTextRow(TvxTextRows& ARows, Integer I) {
  return I < vxStaticTextRowCount ? ARows.StaticRows[I] : ARows.DynamicRows[I - vxStaticTextRowCount];
}

const TvxTextRow& vxGetTextRow(const TvxTextRows& ARows, Integer I) {
  return I < vxStaticTextRowCount ? ARows.StaticRows[I] : ARows.DynamicRows[I - vxStaticTextRowCount];
}

namespace {

// Counts one more row, growing the dynamic part when needed; the row starts zeroed.
TvxTextRow& AddRow(TvxTextRows& ARows) {
  ++ARows.Count;
  if (ARows.Count > static_cast<Integer>(ARows.DynamicRows.size()) + vxStaticTextRowCount)
    ARows.DynamicRows.resize(static_cast<std::size_t>(ARows.Count - vxStaticTextRowCount + 4));
  TvxTextRow& row = vxGetTextRow(ARows, ARows.Count - 1);
  row = TvxTextRow{};
  return row;
}

}  // namespace

// --- Parameters ---------------------------------------------------------------------------

void vxCalcTextParamsOfDC(HDC ADC, Integer AFlags, TvxTextParams& AParams, double ALineSpacing) {
  AParams = TvxTextParams{};
  TEXTMETRICW tm{};
  bool haveMetrics = GetTextMetricsW(ADC, &tm) != 0;
  if (!haveMetrics) {
    TEXTMETRICA tma{};
    if (GetTextMetricsA(ADC, &tma)) {
      haveMetrics = true;
      tm.tmWeight = tma.tmWeight;
      tm.tmBreakChar = static_cast<Byte>(tma.tmBreakChar);
      tm.tmMaxCharWidth = tma.tmMaxCharWidth;
      tm.tmHeight = tma.tmHeight;
      tm.tmCharSet = tma.tmCharSet;
      tm.tmExternalLeading = tma.tmExternalLeading;
    }
  }
  if (haveMetrics) {
    AParams.Bold = tm.tmWeight >= FW_BOLD;
    AParams.BreakChar = tm.tmBreakChar;
    AParams.MaxCharWidth = tm.tmMaxCharWidth;
    AParams.RowHeight = tm.tmHeight;
    AParams.CharSet = tm.tmCharSet;
    if (AFlags & vxtoExternalLeading) AParams.tmExternalLeading = tm.tmExternalLeading;
  }

  AParams.TextAlignX = static_cast<TvxTextAlignX>(std::min(AFlags & vxtoAlignXMask, static_cast<Integer>(taDistributeX)));
  AParams.TextAlignY = static_cast<TvxTextAlignY>((AFlags & vxtoAlignYMask) >> 4);
  AParams.WordBreak = (AFlags & vxtoWordBreak) != 0;
  AParams.SingleLine = (AFlags & vxtoSingleLine) != 0;
  AParams.ExpandTabs = (AFlags & vxtoExpandTabs) != 0;
  AParams.EndEllipsis = (AFlags & vxtoEndEllipsis) != 0;
  AParams.PatternedText = (AFlags & vxtoPatternedText) != 0;
  AParams.ExternalLeading = (AFlags & vxtoExternalLeading) != 0;
  AParams.EditControl = (AFlags & vxtoEditControl) != 0;
  AParams.NoClip = (AFlags & vxtoNoClip) != 0;
  AParams.AutoIndents = (AFlags & vxtoAutoIndents) != 0;
  // The far-east text switch is always on here, so breaking inside words is too.
  AParams.CharBreak = true;
  AParams.PreventLeftExceed = (AFlags & vxtoPreventLeftExceed) != 0;
  AParams.PreventTopExceed = (AFlags & vxtoPreventTopExceed) != 0;
  AParams.CalcRect = (AFlags & vxtoCalcRect) != 0;
  AParams.CalcRowCount = (AFlags & vxtoCalcRowCount) != 0;
  AParams.HidePrefix = (AFlags & vxtoHidePrefix) != 0;
  AParams.ExcelStyle = (AFlags & vxtoExcelStyle) != 0;

  POINT one[2] = {{0, 0}, {1, 1}};
  DPtoLP(ADC, one, 2);
  AParams.OnePixel = one[1].x - one[0].x;

  AParams.FullRowHeight =
      static_cast<Integer>(std::nearbyint((AParams.RowHeight + AParams.tmExternalLeading) * ALineSpacing));

  if (AParams.PatternedText) {
    POINT six[2] = {{0, 0}, {6, 6}};
    DPtoLP(ADC, six, 2);
    AParams.PatternedText = AParams.RowHeight < six[1].y - six[0].y;
  }

  if (AParams.EndEllipsis) {
    TSize size{0, 0};
    vxMeasureTextExtents(ADC, EllipsisText, EllipsisLength, size, nullptr, false);
    AParams.EndEllipsisWidth = size.cx;
  }
}

void vxCalcTextParamsOfCanvas(TCanvas* ACanvas, Integer AFlags, TvxTextParams& AParams, double ALineSpacing) {
  HDC dc = ACanvas->Handle();  // creates the handle and selects the canvas's font
  vxCalcTextParamsOfDC(dc, AFlags, AParams, ALineSpacing);
}

TRect vxIndentTextRect(const TRect& R, const TvxTextParams& AParams, Integer ALeftIndent, Integer ARightIndent) {
  TRect result = R;
  if (AParams.AutoIndents) InflateRect(&result, -2 * AParams.OnePixel, -2 * AParams.OnePixel);
  result.left += ALeftIndent * AParams.OnePixel;
  result.right -= ARightIndent * AParams.OnePixel;
  return result;
}

TRect vxUnindentTextRect(const TRect& R, const TvxTextParams& AParams, Integer ALeftIndent, Integer ARightIndent) {
  TRect result = R;
  result.left -= ALeftIndent * AParams.OnePixel;
  result.right += ARightIndent * AParams.OnePixel;
  if (AParams.AutoIndents) InflateRect(&result, 2 * AParams.OnePixel, 2 * AParams.OnePixel);
  return result;
}

// --- Measuring ----------------------------------------------------------------------------

void vxMeasureTextExtents(HDC ADC, const WideChar* AText, Integer ALength, TSize& ASize, Pointer AUserData,
                          bool AExpandTabs) {
  (void)AUserData;
  ASize = TSize{0, 0};
  if (ALength < 0) ALength = 0;
  if (!AExpandTabs) {
    SIZE size{};
    if (vdOSWinNT) {
      GetTextExtentPoint32W(ADC, AText, ALength, &size);
    } else {
      AnsiString s = ToAnsi(AText, ALength);
      GetTextExtentPoint32A(ADC, s.c_str(), static_cast<int>(s.size()), &size);
    }
    ASize = TSize{size.cx, size.cy};
    return;
  }
  if (ALength <= 4095) {
    DWORD extent;
    if (vdOSWinNT) {
      extent = GetTabbedTextExtentW(ADC, AText, ALength, 0, nullptr);
    } else {
      AnsiString s = ToAnsi(AText, ALength);
      extent = GetTabbedTextExtentA(ADC, s.c_str(), static_cast<int>(s.size()), 0, nullptr);
    }
    ASize = TSize{static_cast<LONG>(LOWORD(extent)), static_cast<LONG>(HIWORD(extent))};
    return;
  }
  // Long runs: the tabbed extent's 16-bit answer would overflow, so DrawText measures.
  auto measure = [&](Integer ACount) {
    RECT r{0, 0, 0, 0};
    const UINT flags = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | DT_SINGLELINE;
    int height;
    if (vdOSWinNT) {
      height = DrawTextW(ADC, AText, ACount, &r, flags);
    } else {
      AnsiString s = ToAnsi(AText, ACount);
      height = DrawTextA(ADC, s.c_str(), static_cast<int>(s.size()), &r, flags);
    }
    ASize = TSize{r.right - r.left, height};
  };
  measure(ALength);
  if (ASize.cx == 0 && ALength >= 4097) measure(4096);
}

// --- Rows ---------------------------------------------------------------------------------

bool vxMakeTextRowsOf(HDC ADC, const WideChar* AText, Integer ALength, TvxGetTextExtentsProc AGetExtents,
                      Pointer AUserData, Integer AMaxRowCount, Integer& ARowCount, TvxTextRows& ARows,
                      const TvxTextParams& AParams, const TRect& ATextRect) {
  ARows.Count = 0;
  ARows.DynamicRows.clear();
  ARowCount = 0;
  bool allFitted = true;
  if (ALength <= 0 || AText == nullptr) return allFitted;

  if (AParams.CalcRect && AParams.SingleLine) {
    TvxTextRow& row = AddRow(ARows);
    row.Text = AText;
    row.TextLength = ALength;
    AGetExtents(ADC, AText, ALength, row.TextExtents, AUserData, AParams.ExpandTabs);
    ARowCount = ARows.Count;
    return allFitted;
  }

  const Integer W = RectWidth(ATextRect);
  const Integer H = RectHeight(ATextRect);
  const bool lastRowEllipsis = !AParams.NoClip && AParams.EndEllipsis && !AParams.CalcRect &&
                               !AParams.CalcRowCount && AParams.TextAlignX != taJustifyX &&
                               AParams.TextAlignX != taDistributeX;
  Integer total = 0;
  Integer pos = 0;
  bool last = false;
  while (pos < ALength && !last) {
    TvxTextRow& row = AddRow(ARows);
    total += AParams.FullRowHeight;
    last = AParams.SingleLine;
    if (!last && AParams.TextAlignY == taTop && !AParams.CalcRect && !AParams.CalcRowCount)
      last = (AParams.EditControl && !AParams.NoClip) ? H < total + AParams.FullRowHeight : H < total;
    if (!last && AMaxRowCount > 0 && ARows.Count == AMaxRowCount) last = true;

    TRowBreak rb = MakeRow(ADC, AText, pos, ALength, W, last && lastRowEllipsis, AGetExtents, AUserData, AParams, row);
    row.StartOffset = pos;
    AGetExtents(ADC, row.Text, row.TextLength, row.TextExtents, AUserData, AParams.ExpandTabs);
    pos = rb.Next;
    if (AMaxRowCount > 0 && ARows.Count >= AMaxRowCount) break;
  }
  if (!AParams.CalcRect && !AParams.CalcRowCount && ARows.Count > 0) {
    if (AParams.SingleLine)
      allFitted = vxGetTextRow(ARows, 0).TextExtents.cx <= W;
    else
      allFitted = pos >= ALength;
  }
  ARowCount = ARows.Count;
  return allFitted;
}

void vxPlaceTextRows(HDC ADC, const TRect& ATextRect, TvxTextParams& AParams, Integer ARowCount, TvxTextRows& ARows) {
  (void)ADC;
  const TRect& T = ATextRect;
  Integer extra = 0;
  if (AParams.TextAlignY == taDistributeY && ARowCount > 1) {
    Integer space = RectHeight(T) - AParams.RowHeight;
    if (AParams.RowHeight < static_cast<double>(space) / (ARowCount - 1)) {
      AParams.FullRowHeight = space / (ARowCount - 1);
      extra = space % (ARowCount - 1);
    }
  }
  Integer top;
  switch (AParams.TextAlignY) {
    case taCenterY:
      top = T.top + (RectHeight(T) - ARowCount * AParams.FullRowHeight) / 2;
      break;
    case taBottom:
      top = T.bottom - ARowCount * AParams.FullRowHeight + AParams.tmExternalLeading;
      break;
    default:
      top = T.top;
      break;
  }
  if (AParams.PreventTopExceed) top = std::max(top, static_cast<Integer>(T.top));
  for (Integer i = 0; i < ARowCount; ++i) {
    TvxTextRow& row = vxGetTextRow(ARows, i);
    row.TextOriginX = RowOriginX(T, AParams, row.TextExtents.cx);
    row.TextOriginY = top;
    top += AParams.FullRowHeight;
    if (extra > 0) {
      ++top;
      --extra;
    }
  }
}

Integer vxLongestTextRowWidth(const TvxTextRows& ARows, Integer ARowCount) {
  Integer result = 0;
  for (Integer i = 0; i < std::min(ARowCount, ARows.Count); ++i)
    result = std::max(result, static_cast<Integer>(vxGetTextRow(ARows, i).TextExtents.cx));
  return result;
}

// --- Drawing ------------------------------------------------------------------------------

void vxDrawTextRows(HDC ADC, const TRect& ATextRect, TvxTextParams& AParams, bool AForceEndEllipsis,
                    TColor ASelTextColor, TColor ASelBkColor, Integer ASelLength, Integer ASelStart,
                    Integer ARowCount, TvxTextRows& ARows) {
  auto isSentinel = [](TColor C) { return C == clNone || C == clDefault; };
  const bool haveSelText = !isSentinel(ASelTextColor);
  const COLORREF selText = haveSelText ? static_cast<COLORREF>(ColorToRGB(ASelTextColor)) : 0;
  const TRect& T = ATextRect;
  Integer availWidth = RectWidth(T);
  const int oldBkMode = SetBkMode(ADC, TRANSPARENT);
  TScopeExit restoreBkMode([=] { SetBkMode(ADC, oldBkMode); });
  HBRUSH selBrush = nullptr;
  if (ASelLength >= 1 && !isSentinel(ASelBkColor)) selBrush = CreateSolidBrush(ColorToRGB(ASelBkColor));
  const bool metafile = IsMetafileDC(ADC);

  for (Integer i = 0; i < ARowCount; ++i) {
    TvxTextRow& row = vxGetTextRow(ARows, i);
    TRect RR{T.left, row.TextOriginY, T.right, row.TextOriginY + AParams.FullRowHeight};
    const bool lastRow = i == ARowCount - 1;
    const bool forcedEmpty = row.TextLength == 0 && lastRow && AForceEndEllipsis && AParams.EndEllipsis;
    if (row.TextLength == 0 && !forcedEmpty) continue;
    if (!metafile && !RectVisible(ADC, &RR)) continue;

    if (AParams.PatternedText && !forcedEmpty) {
      TRect bar{row.TextOriginX, RR.top + AParams.OnePixel,
                std::min(static_cast<Integer>(RR.right), static_cast<Integer>(row.TextOriginX + row.TextExtents.cx)),
                RR.bottom - AParams.OnePixel};
      if (bar.bottom - bar.top < AParams.OnePixel) bar.bottom = bar.top + AParams.OnePixel;
      COLORREF oldBk = SetBkColor(ADC, GetSysColor(COLOR_WINDOW));
      FillRect(ADC, &bar, PatternBrushes[AParams.Bold ? 1 : 0]);
      SetBkColor(ADC, oldBk);
      continue;
    }

    bool ellipsis = AParams.EndEllipsis && lastRow && (AForceEndEllipsis || row.TextExtents.cx > availWidth);

    bool justified = false;
    if ((AParams.TextAlignX == taJustifyX || AParams.TextAlignX == taDistributeX) && !ellipsis) {
      Integer extra = availWidth - row.TextExtents.cx;
      if (row.BreakCount > 0 && extra > 0) {
        SetTextJustification(ADC, extra, row.BreakCount);
        justified = true;
      }
    }

    std::optional<TClipRegionScope> rowClip;
    if (!AParams.NoClip && (row.TextExtents.cx > availWidth || RR.top < T.top || RR.bottom > T.bottom)) {
      RR.top = std::max(RR.top, T.top);
      RR.bottom = std::min(RR.bottom, T.bottom);
      rowClip.emplace(ADC);
      IntersectClipRect(ADC, RR.left, RR.top, RR.right, RR.bottom);
    }

    if (ellipsis) {
      availWidth = std::max(0, RectWidth(T) - AParams.EndEllipsisWidth);
      Integer fit = row.TextLength > 0 ? FitCharCount(ADC, row.Text, row.TextLength, availWidth) : 0;
      if (fit == 0 && AParams.TextAlignX == taLeft && row.TextLength > 0) fit = 1;
      row.TextLength = fit;
      vxMeasureTextExtents(ADC, row.Text, row.TextLength, row.TextExtents, nullptr, AParams.ExpandTabs);
      // The fitted text and its ellipsis are placed as one piece, so that a centred or
      // right-aligned row keeps the ellipsis right behind its last character.
      row.TextOriginX = RowOriginX(T, AParams, row.TextExtents.cx + AParams.EndEllipsisWidth);
    }

    if (!metafile && ASelLength > 0) {
      Integer rowEnd = row.StartOffset + row.TextLength;
      Integer selEnd = ASelStart + ASelLength;
      Integer a = std::max(ASelStart, row.StartOffset) - row.StartOffset;
      Integer b = std::min(selEnd, rowEnd) - row.StartOffset;
      if (a < b) {
        Integer xa = PrefixWidth(ADC, row.Text, a, AParams.ExpandTabs);
        Integer xb = PrefixWidth(ADC, row.Text, b, AParams.ExpandTabs);
        TRect sel{row.TextOriginX + xa, RR.top, row.TextOriginX + xb, RR.bottom};
        if (IsFarEastArabicCharset(AParams.CharSet, row.Text, row.TextLength))
          sel = TRect{row.TextOriginX + row.TextExtents.cx - xb, RR.top, row.TextOriginX + row.TextExtents.cx - xa,
                      RR.bottom};
        if (sel.left < sel.right && sel.top < sel.bottom) {
          if (!rowClip) rowClip.emplace(ADC);
          {
            TClipRegionScope selectionClip(ADC);
            IntersectClipRect(ADC, sel.left, sel.top, sel.right, sel.bottom);
            if (selBrush) FillRect(ADC, &sel, selBrush);
            COLORREF old = haveSelText ? SetTextColor(ADC, selText) : GetTextColor(ADC);
            RowTextOut(ADC, row.TextOriginX, row.TextOriginY, row.Text, row.TextLength, AParams.ExpandTabs);
            SetTextColor(ADC, old);
          }
          if (ellipsis && b == row.TextLength) {
            Integer x = row.TextOriginX + row.TextExtents.cx;
            if (x < RR.right) {
              COLORREF old = haveSelText ? SetTextColor(ADC, selText) : GetTextColor(ADC);
              UINT options = (!AParams.NoClip && x + AParams.EndEllipsisWidth > RR.right) ? ETO_CLIPPED : 0;
              EllipsisOut(ADC, x, row.TextOriginY, options, RR);
              SetTextColor(ADC, old);
            }
            ellipsis = false;
          }
          ExcludeClipRect(ADC, sel.left, sel.top, sel.right, sel.bottom);
        }
      }
    }

    RowTextOut(ADC, row.TextOriginX, row.TextOriginY, row.Text, row.TextLength, AParams.ExpandTabs);
    if (ellipsis) {
      Integer x = row.TextOriginX + row.TextExtents.cx;
      if (x < RR.right) {
        UINT options = (!AParams.NoClip && x + AParams.EndEllipsisWidth > RR.right) ? ETO_CLIPPED : 0;
        EllipsisOut(ADC, x, row.TextOriginY, options, RR);
      }
    }
    if (justified) SetTextJustification(ADC, 0, 0);
  }
  if (selBrush) DeleteObject(selBrush);
}

Integer vxTextOutFormatted(HDC ADC, const String& AText, TRect& R, Integer AFlags, Integer ASelStart,
                           Integer ASelLength, TFont* AFont, TColor ASelBkColor, TColor ASelTextColor,
                           Integer AMaxLineCount, Integer ALeftIndent, Integer ARightIndent, TColor ATextColor,
                           double ALineSpacing) {
  if (AText.empty()) return 0;
  // The selected font and text colour are put back however the drawing ends.
  const HGDIOBJ oldFont = GetCurrentObject(ADC, OBJ_FONT);
  const COLORREF oldColor = GetTextColor(ADC);
  TScopeExit restoreFontColor([=] {
    SelectObject(ADC, oldFont);
    SetTextColor(ADC, oldColor);
  });
  if (AFont) {
    SelectObject(ADC, AFont->Handle());
    SetTextColor(ADC, ColorToRGB(AFont->Color()));
  }
  if (ATextColor != clDefault) SetTextColor(ADC, ColorToRGB(ATextColor));

  TvxTextParams params;
  vxCalcTextParamsOfDC(ADC, AFlags, params, ALineSpacing);
  TRect T = vxIndentTextRect(R, params, ALeftIndent, ARightIndent);
  if (params.CalcRect ? RectWidth(T) <= 0 : (RectWidth(T) < 1 || RectHeight(T) < 1)) return 0;

  auto rows = std::make_unique<TvxTextRows>();
  rows->Count = 0;
  rows->Text = params.HidePrefix ? vxStripAccelChars(AText, false) : AText;
  if (rows->Text.empty()) return 0;
  const WideChar* text = rows->Text.c_str();
  const Integer length = static_cast<Integer>(rows->Text.size());

  Integer count = 0;
  bool allFitted = vxMakeTextRowsOf(ADC, text, length, vxMeasureTextExtents, nullptr, AMaxLineCount, count, *rows,
                                    params, T);
  Integer height = 0;
  if (count > 0) {
    if (params.CalcRect) {
      if (AMaxLineCount > 0 && AMaxLineCount < count) count = AMaxLineCount;
      T.right = T.left + vxLongestTextRowWidth(*rows, count);
      if (!params.SingleLine)
        vxMakeTextRowsOf(ADC, text, length, vxMeasureTextExtents, nullptr, AMaxLineCount, count, *rows, params, T);
      vxPlaceTextRows(ADC, T, params, count, *rows);
      const TvxTextRow& lastRow = vxGetTextRow(*rows, count - 1);
      T.bottom = lastRow.TextOriginY + params.RowHeight;
      R = vxUnindentTextRect(T, params, ALeftIndent, ARightIndent);
    } else {
      vxPlaceTextRows(ADC, T, params, count, *rows);
      if (ASelStart < 0 || ASelStart >= length) {
        ASelLength = 0;
      } else if (ASelStart + ASelLength > length) {
        ASelLength = length - ASelStart;
      }
      vxDrawTextRows(ADC, T, params, !allFitted, ASelTextColor, ASelBkColor, ASelLength, ASelStart, count, *rows);
    }
    height = vxGetTextRow(*rows, count - 1).TextOriginY + params.RowHeight - T.top;
  }
  if (params.CalcRowCount) return count;
  return height != 0 ? height : count;
}

const TUnitInfo vxDrawTextUtilsUnit = {L"vxDrawTextUtils", InitDrawTextUtils, FinDrawTextUtils};
