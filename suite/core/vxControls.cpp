#include "vxControls.h"

String vxStripAccelChars(const String& S, bool AReplaceTrailing) {
  String Result;
  Result.reserve(S.size());
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (S[i] == L'&') {
      if (i + 1 < S.size()) {
        Result += S[++i];
      } else if (AReplaceTrailing) {
        Result += L'_';
      }
    } else {
      Result += S[i];
    }
  }
  return Result;
}
