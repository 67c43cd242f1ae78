// Text laid out in rows by the suite itself rather than by DrawText: parameters read
// from a device context, breaking at words, inside overlong words, at line ends and
// between full-width characters (closing punctuation never starts a row), justified
// and distributed alignment, a row limit, an ellipsis on the last visible row; and
// the drawing of those rows with clipping, selection highlight and patterned bars for
// unreadably small fonts.
#pragma once

#include <windows.h>

#include <vector>

#include "Graphics.h"
#include "SysInit.h"
#include "System.h"
#include "vxGeometry.h"

// Bits of the text-out flag word.
constexpr Integer vxtoLeft = 0x0;
constexpr Integer vxtoCenterX = 0x1;
constexpr Integer vxtoRight = 0x2;
constexpr Integer vxtoJustifyX = 0x3;
constexpr Integer vxtoDistributeX = 0x4;
constexpr Integer vxtoAlignXMask = 0x7;
constexpr Integer vxtoTop = 0x00;
constexpr Integer vxtoCenterY = 0x10;
constexpr Integer vxtoBottom = 0x20;
constexpr Integer vxtoDistributeY = 0x30;
constexpr Integer vxtoAlignYMask = 0x30;
constexpr Integer vxtoWordBreak = 0x100;
constexpr Integer vxtoSingleLine = 0x200;
constexpr Integer vxtoExpandTabs = 0x400;
constexpr Integer vxtoEndEllipsis = 0x800;
constexpr Integer vxtoPatternedText = 0x1000;
constexpr Integer vxtoExternalLeading = 0x2000;
constexpr Integer vxtoEditControl = 0x4000;
constexpr Integer vxtoNoClip = 0x8000;
constexpr Integer vxtoAutoIndents = 0x10000;
constexpr Integer vxtoCharBreak = 0x20000;
constexpr Integer vxtoPreventLeftExceed = 0x40000;
constexpr Integer vxtoPreventTopExceed = 0x80000;
constexpr Integer vxtoCalcRect = 0x100000;
constexpr Integer vxtoCalcRowCount = 0x200000;
constexpr Integer vxtoHidePrefix = 0x1000000;
constexpr Integer vxtoExcelStyle = 0x2000000;

enum TvxTextAlignX { taLeft, taCenterX, taRight, taJustifyX, taDistributeX };
enum TvxTextAlignY { taTop, taCenterY, taBottom, taDistributeY };

struct TvxTextParams {
  Integer RowHeight;          // the font's tmHeight
  Integer tmExternalLeading;  // 0 unless the ExternalLeading flag is set
  Integer FullRowHeight;      // pitch from row to row
  Integer EndEllipsisWidth;
  bool Bold;
  WideChar BreakChar;
  TvxTextAlignX TextAlignX;
  TvxTextAlignY TextAlignY;
  bool WordBreak;
  bool SingleLine;
  bool ExpandTabs;
  bool EndEllipsis;
  bool ExternalLeading;
  bool EditControl;
  bool ExcelStyle;
  bool NoClip;
  bool AutoIndents;
  bool PatternedText;
  bool PreventLeftExceed;
  bool PreventTopExceed;
  bool CharBreak;
  bool CalcRowCount;
  bool CalcRect;
  Integer MaxCharWidth;
  Byte CharSet;
  Integer OnePixel;  // one device pixel in logical units
  bool HidePrefix;
};

struct TvxTextRow {
  const WideChar* Text;  // the row's first character inside the caller's text
  Integer TextLength;
  TSize TextExtents;
  Integer BreakCount;  // blanks that justification widens
  Integer TextOriginX;
  Integer TextOriginY;
  Integer StartOffset;  // characters from the start of the whole text
};

using TvxDynamicTextRows = std::vector<TvxTextRow>;

constexpr Integer vxStaticTextRowCount = 32;

// The first 32 rows live in the record itself, further ones in DynamicRows.
struct TvxTextRows {
  Integer Count;
  String Text;
  TvxTextRow StaticRows[vxStaticTextRowCount];
  TvxDynamicTextRows DynamicRows;
};

// Row I (from 0) of the store.
TvxTextRow& vxGetTextRow(TvxTextRows& ARows, Integer I);
const TvxTextRow& vxGetTextRow(const TvxTextRows& ARows, Integer I);

// Measures AText[0..ALength) into ASize.
using TvxGetTextExtentsProc = void (*)(HDC ADC, const WideChar* AText, Integer ALength, TSize& ASize,
                                       Pointer AUserData, bool AExpandTabs);

void vxCalcTextParamsOfDC(HDC ADC, Integer AFlags, TvxTextParams& AParams, double ALineSpacing = 1.0);
void vxCalcTextParamsOfCanvas(TCanvas* ACanvas, Integer AFlags, TvxTextParams& AParams, double ALineSpacing = 1.0);
TRect vxIndentTextRect(const TRect& R, const TvxTextParams& AParams, Integer ALeftIndent, Integer ARightIndent);
TRect vxUnindentTextRect(const TRect& R, const TvxTextParams& AParams, Integer ALeftIndent, Integer ARightIndent);
void vxMeasureTextExtents(HDC ADC, const WideChar* AText, Integer ALength, TSize& ASize, Pointer AUserData,
                          bool AExpandTabs);
// Breaks the text into rows; True when all of it fitted the rectangle.
bool vxMakeTextRowsOf(HDC ADC, const WideChar* AText, Integer ALength, TvxGetTextExtentsProc AGetExtents,
                      Pointer AUserData, Integer AMaxRowCount, Integer& ARowCount, TvxTextRows& ARows,
                      const TvxTextParams& AParams, const TRect& ATextRect);
// Sets the origins of the first ARowCount rows; distributed rows may change
// AParams.FullRowHeight.
void vxPlaceTextRows(HDC ADC, const TRect& ATextRect, TvxTextParams& AParams, Integer ARowCount, TvxTextRows& ARows);
Integer vxLongestTextRowWidth(const TvxTextRows& ARows, Integer ARowCount);

// Full-width (East Asian) characters, and the closing characters that never start a row.
bool vxIsFullWidthChar(WideChar C);
bool vxIsLineStartForbiddenChar(WideChar C);

// Draws placed rows. The selection covers characters [ASelStart, ASelStart + ASelLength)
// of the whole text.
void vxDrawTextRows(HDC ADC, const TRect& ATextRect, TvxTextParams& AParams, bool AForceEndEllipsis,
                    TColor ASelTextColor, TColor ASelBkColor, Integer ASelLength, Integer ASelStart,
                    Integer ARowCount, TvxTextRows& ARows);

// Measures (with vxtoCalcRect, R receives the needed rectangle) or draws a text. Answers
// the row count with vxtoCalcRowCount, else the height of the rows (the row count when
// that height is 0); 0 for an empty text or an unusable rectangle.
Integer vxTextOutFormatted(HDC ADC, const String& AText, TRect& R, Integer AFlags, Integer ASelStart = 0,
                           Integer ASelLength = 0, TFont* AFont = nullptr, TColor ASelBkColor = clHighlight,
                           TColor ASelTextColor = clHighlightText, Integer AMaxLineCount = 0,
                           Integer ALeftIndent = 0, Integer ARightIndent = 0, TColor ATextColor = clDefault,
                           double ALineSpacing = 1.0);

extern const TUnitInfo vxDrawTextUtilsUnit;
