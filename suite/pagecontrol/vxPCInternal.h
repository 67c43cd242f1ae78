// Helpers shared by the source files of the page control unit (vxPC*.cpp); not part of
// the unit's interface.
#pragma once

#include <algorithm>

#include <windows.h>

#include "vxPC.h"
#include "vxClasses.h"
#include "vxPCConsts.h"

namespace vxPCDetail {

inline String ResStr(const TResStringRec& ARec) { return vxGetResString(&ARec); }

[[noreturn]] inline void RaiseError(const String& AClassName, const String& AMethod, const String& AMessage) {
  throw EvdException(AClassName + L"." + AMethod + L": " + AMessage);
}

// Whether ACharCode is the accelerator of ACaption: the character after a single "&".
inline bool IsAccel(Word ACharCode, const String& ACaption) {
  for (size_t i = 0; i + 1 < ACaption.size(); ++i) {
    if (ACaption[i] != L'&') continue;
    if (ACaption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ACaption[i + 1]))) ==
           CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ACharCode)));
  }
  return false;
}

inline bool IsHorizontal(TvxTabPosition P) { return P == tpTop || P == tpBottom; }

inline Integer RectWidth(const TRect& R) { return R.right - R.left; }
inline Integer RectHeight(const TRect& R) { return R.bottom - R.top; }
inline bool IsRectEmptyEx(const TRect& R) { return R.right <= R.left || R.bottom <= R.top; }

inline TRect IntersectRects(const TRect& A, const TRect& B) {
  TRect r{std::max(A.left, B.left), std::max(A.top, B.top), std::min(A.right, B.right), std::min(A.bottom, B.bottom)};
  if (IsRectEmptyEx(r)) return TRect{};
  return r;
}


}  // namespace vxPCDetail
