// Resources and drawing helpers shared by the look-and-feel painters' source files.
// Internal to the vxLookAndFeelPainters unit.
#pragma once

#include <vector>

#include "vxLookAndFeelPainters.h"

namespace vxLFPaintersCommon {

// The shared resources of the painters, owned by the unit (created at its start-up).
extern TImageList* FIndicatorImages;
extern TSize FCheckButtonSize;
// The shared radio-button images, their measured size and the map from a combination of
// look, state and flags to an image number.
extern TvxRadioButtonImageList* FRadioButtonImageList;
extern TSize FRadioButtonSize;
extern std::vector<Integer> FRadioIndexMap;

// --- Drawing helpers -------------------------------------------------------------------------

// Fills R with a solid brush of AColor (nothing for clNone, the brush colour for clDefault).
inline void SolidFill(TvxCanvas* ACanvas, const TRect& R, TColor AColor) {
  if (AColor == clNone) return;
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->FillRect(R, AColor);
}

inline TRect Deflated(const TRect& R, Integer D) { return TRect{R.left + D, R.top + D, R.right - D, R.bottom - D}; }

inline void Line(TvxCanvas* ACanvas, Integer X1, Integer Y1, Integer X2, Integer Y2) {
  ACanvas->MoveTo(X1, Y1);
  ACanvas->LineTo(X2, Y2);
}

inline void FilledPolygon(TvxCanvas* ACanvas, const std::vector<TPoint>& APoints, TColor AColor) {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(AColor);
  ACanvas->Pen()->SetColor(AColor);
  ACanvas->Polygon(APoints);
}

inline void FilledTriangle(TvxCanvas* ACanvas, const TvxArrowPoints& P, TColor AColor, Integer DX = 0, Integer DY = 0) {
  FilledPolygon(ACanvas, {TPoint{P[0].x + DX, P[0].y + DY}, TPoint{P[1].x + DX, P[1].y + DY},
                          TPoint{P[2].x + DX, P[2].y + DY}},
                AColor);
}

// Header edges merge with their neighbours at the corners.
inline void DrawMergingHeaderBorder(TvxCanvas* ACanvas, const TRect& R, TvxNeighbors ANeighbors) {
  ACanvas->DrawEdge(R, false, false, vxBordersAll);
  if (ANeighbors.Contains(nLeft)) {
    ACanvas->SetPixel(R.left, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.left, R.bottom - 2, clBtnFace);
  }
  if (ANeighbors.Contains(nRight)) {
    ACanvas->SetPixel(R.right - 1, R.top, clBtnHighlight);
    ACanvas->SetPixel(R.right - 1, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.right - 1, R.bottom - 2, clBtnFace);
  }
}

// The frame and face of the filter drop-down button of the Standard and Flat painters;
// R shrinks to the face.
inline void DrawFilterDropDownFrame(TvxCanvas* ACanvas, TRect& R, TvxButtonState AState) {
  ACanvas->DrawEdge(R, AState == vxbsPressed, AState == vxbsPressed, vxBordersAll);
  InflateRect(&R, -1, -1);
  SolidFill(ACanvas, R, clBtnFace);
}

// Tab borders of the Standard and Flat painters: R is adjusted and filled with one colour.
inline void DrawPlainTabBorder(TvxCanvas* ACanvas, TRect& R, TvxBorder ABorder, TvxBorders ABorders, bool AVertical) {
  TColor color = clBtnHighlight;
  if (!AVertical) {
    if (ABorder == bLeft || ABorder == bRight) {
      if (ABorders.Contains(bTop)) R.top += 2;
      if (ABorders.Contains(bBottom)) R.bottom -= 1;
    } else if (ABorder == bTop) {
      R.left += 1;
      R.right -= 1;
      ACanvas->SetPixel(R.left - 1, R.top + 1, clBtnHighlight);
      ACanvas->SetPixel(R.right, R.top + 1, clBtnHighlight);
    }
    if (ABorder == bRight) color = clBtnShadow;
  } else {
    if (ABorder == bLeft) {
      R.top += ABorders.Contains(bTop) ? 2 : 1;
      R.bottom -= ABorders.Contains(bBottom) ? 2 : 1;
      ACanvas->SetPixel(R.left + 1, R.top - 1, clBtnHighlight);
      ACanvas->SetPixel(R.left + 1, R.bottom, clBtnHighlight);
    } else if ((ABorder == bTop || ABorder == bBottom) && ABorders.Contains(bLeft)) {
      R.left += 1;
    }
    if (ABorder == bBottom) color = clBtnShadow;
  }
  SolidFill(ACanvas, R, color);
}

inline void FillPagePattern(TvxCanvas* ACanvas, const TRect& R, TvxButtonState AState) {
  TBitmap* pattern = vxScrollBarPatternBitmap(AState == vxbsPressed);
  ACanvas->Brush()->SetBitmap(pattern);
  ACanvas->Canvas()->FillRect(R);
  ACanvas->Brush()->SetBitmap(nullptr);
  ACanvas->Brush()->SetStyle(bsSolid);
}

// The top, bottom and outer side of a scheduler navigation button: the right side of the
// previous button, the left side of the next one.
inline TvxBorders NavigationButtonBorders(bool AIsNextButton) {
  return AIsNextButton ? TvxBorders{bLeft, bTop, bBottom} : TvxBorders{bTop, bRight, bBottom};
}

// One-pixel lines across the ends of a scheduler splitter, the rest filled by the view
// parameters; R becomes the filled rect.
inline void DrawLinedSplitterBorder(TvxCanvas* ACanvas, TRect& R, const TvxViewParams& AViewParams, bool AIsHorizontal,
                             TColor AColor) {
  if (AIsHorizontal) {
    SolidFill(ACanvas, TRect{R.left, R.top, R.right, R.top + 1}, AColor);
    SolidFill(ACanvas, TRect{R.left, R.bottom - 1, R.right, R.bottom}, AColor);
    InflateRect(&R, 1, -1);
  } else {
    SolidFill(ACanvas, TRect{R.left, R.top, R.left + 1, R.bottom}, AColor);
    SolidFill(ACanvas, TRect{R.right - 1, R.top, R.right, R.bottom}, AColor);
    InflateRect(&R, -1, 1);
  }
  ACanvas->FillRect(R, AViewParams);
}

}  // namespace vxLFPaintersCommon
