#include "vxImage.h"

#include <cstring>

#include "Jpeg.h"
#include "TypInfo.h"
#include "vdCore.h"
#include "vdGDIPlusClasses.h"

namespace {

std::vector<TGraphicClass>*& ClassList() {
  static std::vector<TGraphicClass>* P = nullptr;
  return P;
}

void AddClass(std::vector<TGraphicClass>& L, TGraphicClass C) {
  if (C && std::find(L.begin(), L.end(), C) == L.end()) L.push_back(C);
}

bool Listed(TGraphicClass C) {
  const auto& L = PictureClassList();
  return C && std::find(L.begin(), L.end(), C) != L.end();
}

}  // namespace

const std::vector<TGraphicClass>& PictureClassList() {
  if (!ClassList()) {
    auto* L = new std::vector<TGraphicClass>;
    AddClass(*L, TBitmap::StaticClass());
    AddClass(*L, TIcon::StaticClass());
    if (GetClass(L"TvdPNGImage")) AddClass(*L, TvdPNGImage::StaticClass());
    AddClass(*L, TJPEGImage::StaticClass());
    ClassList() = L;
  }
  return *ClassList();
}

TGraphicClass GetDefaultGraphicClass() {
  const auto& L = PictureClassList();
  return L.empty() ? nullptr : L.front();
}

TGraphicClass FindPictureClassByName(const String& Name) {
  for (TGraphicClass C : PictureClassList())
    if (SameText(C->ClassName(), Name)) return C;
  return nullptr;
}

TGraphicClass GraphicClassOfData(const Byte* D, size_t N) {
  static const Byte Png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  TGraphicClass C = nullptr;
  const bool HasPng = Listed(TvdPNGImage::StaticClass());
  if (N >= 14 && D[0] == 'B' && D[1] == 'M') C = TBitmap::StaticClass();
  else if (N >= 8 && memcmp(D, Png, 8) == 0) C = TvdPNGImage::StaticClass();
  else if (N >= 3 && D[0] == 0xFF && D[1] == 0xD8 && D[2] == 0xFF) C = TJPEGImage::StaticClass();
  else if (N >= 6 && D[0] == 0 && D[1] == 0 && D[2] == 1 && D[3] == 0) C = TIcon::StaticClass();
  // GIF has no class of its own; GDI+ reads it into the PNG class when that is there.
  else if (N >= 6 && (memcmp(D, "GIF87a", 6) == 0 || memcmp(D, "GIF89a", 6) == 0) && HasPng)
    C = TvdPNGImage::StaticClass();
  return Listed(C) ? C : nullptr;
}

TRect FitRectProportionally(const TRect& Area, Integer W, Integer H) {
  const Integer AW = Area.right - Area.left, AH = Area.bottom - Area.top;
  if (AW <= 0 || AH <= 0 || W <= 0 || H <= 0) return Area;
  TRect R = Area;
  if (static_cast<double>(AW) / AH >= static_cast<double>(W) / H) {
    R.bottom = Area.bottom;
    R.right = R.left + AH * W / H;
  } else {
    R.right = Area.right;
    R.bottom = R.top + AW * H / W;
  }
  return R;
}

bool IsPictureEmpty(TPicture* Picture) { return !Picture || !Picture->Graphic() || Picture->Graphic()->Empty(); }

bool NeedsPictureScaling(bool AStretch, bool AProportional, const TSize& P, const TSize& A) {
  return AStretch || (AProportional && (A.cy < P.cy || A.cx < P.cx));
}

void LoadPictureFromValue(TPicture* Picture, TGraphicClass AGraphicClass, const Variant& Value) {
  if (!VarIsStr(Value) && !VarIsArray(Value)) {
    Picture->Assign(nullptr);
    return;
  }
  const AnsiString Bytes = vdVariantAsAnsiString(Value);
  const Byte* D = reinterpret_cast<const Byte*>(Bytes.data());
  size_t N = Bytes.size();
  if (N < 8) {
    Picture->Assign(nullptr);
    return;
  }
  // An 8-byte graphic header (count 1, type 0x0100, size of the rest) is skipped.
  uint16_t Count, Type;
  uint32_t Size;
  memcpy(&Count, D, 2);
  memcpy(&Type, D + 2, 2);
  memcpy(&Size, D + 4, 4);
  if (Count == 1 && Type == 0x0100 && Size == N - 8) {
    D += 8;
    N -= 8;
  }
  if (N == 0) {
    Picture->Assign(nullptr);
    return;
  }
  TGraphicClass C = GraphicClassOfData(D, N);
  if (!C) C = AGraphicClass ? AGraphicClass : TBitmap::StaticClass();
  try {
    std::unique_ptr<TObject> O(C->NewInstance());
    auto* G = dynamic_cast<TGraphic*>(O.get());
    if (!G) {
      Picture->Assign(nullptr);
      return;
    }
    TMemoryStream M;
    M.WriteBuffer(D, static_cast<Integer>(N));
    M.SetPosition(0);
    G->LoadFromStream(&M);
    Picture->SetGraphic(G->Empty() ? nullptr : G);
  } catch (const Exception&) {
    Picture->Assign(nullptr);
  }
}

AnsiString SavePictureToValue(TPicture* Picture) {
  if (IsPictureEmpty(Picture)) return AnsiString();
  TMemoryStream M;
  Picture->Graphic()->SaveToStream(&M);
  return AnsiString(static_cast<const char*>(M.Memory()), static_cast<size_t>(M.Size()));
}

namespace {
void FinImage() {
  delete ClassList();
  ClassList() = nullptr;
}
}  // namespace

const TUnitInfo vxImageUnit = {L"vxImage", nullptr, FinImage};
