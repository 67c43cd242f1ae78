// Helpers of the page control tests: a shown form, tab controls on it, pixels read back
// and compared with the reference images under suite/pagecontrol/tests/images/.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../../core/tests/ReferenceImage.h"
#include "../../core/tests/SuiteControlTestSupport.h"
#include "vxPC.h"
#include "vxPCPainters.h"

namespace pc_test {

using vx_test::Pump;

// The worktree's suite/pagecontrol/tests/images folder, found from the test program's
// path (<root>/build/<arch>/suite/pagecontrol/<program>.exe).
inline std::wstring ImageFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  for (int i = 0; i < 5; ++i) p = p.substr(0, p.find_last_of(L"\\/"));
  return p + L"\\suite\\pagecontrol\\tests\\images\\";
}

// Compares pixels (BGRA, alpha ignored) with the reference image Name.png; a missing
// reference is written for review and the comparison fails until it is committed.
inline void ExpectMatchesImage(const std::wstring& Name, int W, int H, const std::vector<DWORD>& Pixels) {
  const std::wstring file = ImageFolder() + Name + L".png";
  std::vector<uint8_t> png;
  if (!zs_test::ReadWholeFileW(file, png)) {
    CreateDirectoryW(ImageFolder().c_str(), nullptr);
    zs_test::WriteWholeFileW(file, zs_test::EncodePng(W, H, Pixels));
    ADD_FAILURE() << "reference image written for review: " << std::string(file.begin(), file.end());
    return;
  }
  int rw = 0, rh = 0;
  std::vector<DWORD> ref;
  ASSERT_TRUE(zs_test::DecodePng(png, rw, rh, ref)) << "unreadable reference image";
  ASSERT_EQ(rw, W);
  ASSERT_EQ(rh, H);
  int differing = 0, first = -1;
  for (size_t i = 0; i < ref.size(); ++i)
    if ((ref[i] & 0xFFFFFF) != (Pixels[i] & 0xFFFFFF)) {
      if (first < 0) first = static_cast<int>(i);
      ++differing;
    }
  EXPECT_EQ(differing, 0) << "first difference at (" << first % W << ", " << first / W << ")";
}

// A control painted through WM_PRINTCLIENT-free means: its Paint into a 32-bit bitmap.
inline std::vector<DWORD> PaintToPixels(TvxCustomTabControl* C) {
  const int w = C->Width(), h = C->Height();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  DWORD* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  C->PaintTo(dc, 0, 0);
  GdiFlush();
  std::vector<DWORD> pixels(bits, bits + static_cast<size_t>(w) * h);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  return pixels;
}

// A shown form with tab controls on it.
struct TTabFormFixture : vx_test::TFormFixture {
  template <class T = TvxCustomTabControl>
  T* AddTabControl(RECT R, std::initializer_list<const wchar_t*> Captions = {}) {
    T* c = Add<T>(Form, R);
    // The main window's look: standard, not themed (the Tabs painter).
    c->LookAndFeel()->SetKind(lfStandard);
    c->LookAndFeel()->SetNativeStyle(false);
    for (const wchar_t* s : Captions) c->Tabs()->Add(s);
    return c;
  }
};

// A rectangle as text, for comparisons with readable failures.
inline std::string RectText(const RECT& R) {
  return "(" + std::to_string(R.left) + ", " + std::to_string(R.top) + ", " + std::to_string(R.right) + ", " +
         std::to_string(R.bottom) + ")";
}

inline COLORREF Rgb(TColor C) { return static_cast<COLORREF>(ColorToRGB(C)); }

}  // namespace pc_test
