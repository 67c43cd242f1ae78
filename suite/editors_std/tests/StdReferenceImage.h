// Reference images of the standard editors' tests, kept under tests/images as PNG: a missing
// image is written for review and the test fails; an existing one must match pixel for pixel.
#pragma once

#include <gtest/gtest.h>

#include "../../core/tests/ReferenceImage.h"
#include "../../core/tests/SuiteControlTestSupport.h"

namespace vx_test {

// The reference images of this area's tests.
inline std::wstring ImagesFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  for (int i = 0; i < 5; ++i) p = p.substr(0, p.find_last_of(L"\\/"));
  return p + L"\\suite\\editors_std\\tests\\images\\";
}

inline void ExpectMatchesImage(const std::wstring& Name, const TWindowPixels& Px) {
  std::vector<DWORD> pixels;
  for (int y = 0; y < Px.H; ++y)
    for (int x = 0; x < Px.W; ++x) {
      COLORREF c = Px.At(x, y);
      pixels.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
  const std::wstring file = ImagesFolder() + Name + L".png";
  std::vector<uint8_t> png;
  if (!zs_test::ReadWholeFileW(file, png)) {
    CreateDirectoryW(ImagesFolder().c_str(), nullptr);
    zs_test::WriteWholeFileW(file, zs_test::EncodePng(Px.W, Px.H, pixels));
    ADD_FAILURE() << "reference image written for review";
    return;
  }
  int w = 0, h = 0;
  std::vector<DWORD> ref;
  ASSERT_TRUE(zs_test::DecodePng(png, w, h, ref));
  ASSERT_EQ(w, Px.W);
  ASSERT_EQ(h, Px.H);
  int differing = 0;
  for (size_t i = 0; i < ref.size(); ++i) differing += (ref[i] & 0xFFFFFF) != (pixels[i] & 0xFFFFFF);
  EXPECT_EQ(differing, 0);
}

}  // namespace vx_test
