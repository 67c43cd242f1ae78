// The image editor's picture classes and the conversions between an edit value (the bytes a
// graphic writes to a stream) and a picture.
#pragma once

#include <vector>

#include "Graphics.h"
#include "Variants.h"
#include "vxGeometry.h"

// Graphic classes the editor creates by name: TBitmap, TIcon, the PNG class when it is
// registered as a streamable class, TJPEGImage. Built on first use.
const std::vector<TGraphicClass>& PictureClassList();
TGraphicClass GetDefaultGraphicClass();
// The class of that name (case-insensitive), or nullptr.
TGraphicClass FindPictureClassByName(const String& Name);
// The class of the picture class list whose file format the bytes begin with (BMP, PNG,
// JPEG, ICO, GIF), or nullptr when none is recognised or no such class is listed.
TGraphicClass GraphicClassOfData(const Byte* Data, size_t Count);

// Area's top-left corner with W x H scaled to fit inside Area; an empty Area unchanged.
TRect FitRectProportionally(const TRect& Area, Integer W, Integer H);
bool IsPictureEmpty(TPicture* Picture);
// Stretch, or Proportional with a picture larger than the area.
bool NeedsPictureScaling(bool AStretch, bool AProportional, const TSize& APictureSize, const TSize& AAreaSize);

// Loads the picture from an edit value. The bytes' own file format decides the graphic
// class when it is recognised, so a value keeps its picture whatever class is asked for;
// otherwise AGraphicClass, or a bitmap without one. Anything unreadable clears the picture.
void LoadPictureFromValue(TPicture* Picture, TGraphicClass AGraphicClass, const Variant& Value);
// The bytes the graphic writes to a stream, as an 8-bit string; empty for an empty picture.
AnsiString SavePictureToValue(TPicture* Picture);

extern const TUnitInfo vxImageUnit;
