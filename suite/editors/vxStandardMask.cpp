#include "vxStandardMask.h"

#include <algorithm>
#include <type_traits>

namespace {

bool IsAsciiLetter(Char C) { return (C >= L'A' && C <= L'Z') || (C >= L'a' && C <= L'z'); }

}  // namespace

bool TvxStandardMaskManyItem::Check(Char& AChar) const {
  const bool r = Accepts(AChar);
  if (FCaseControl == ccUpperCase && AChar >= L'a' && AChar <= L'z')
    AChar = static_cast<Char>(AChar - L'a' + L'A');
  else if (FCaseControl == ccLowerCase && AChar >= L'A' && AChar <= L'Z')
    AChar = static_cast<Char>(AChar - L'A' + L'a');
  return r;
}

bool TvxStandardMaskAlphaItem::Accepts(Char AChar) const { return IsAsciiLetter(AChar); }

bool TvxStandardMaskAlphaNumericItem::Accepts(Char AChar) const {
  return IsAsciiLetter(AChar) || (AChar >= L'0' && AChar <= L'9');
}

void TvxStandardMask::Clear() {
  FItems.clear();
  FBlank = L'_';
  FSaveLiteralCharacters = true;
  FLeading = false;
}

bool TvxStandardMask::IsLiteral(Integer AIndex) const {
  // A position past the last one is no literal (and takes no character either).
  if (AIndex < 0 || AIndex >= Count()) return false;
  return dynamic_cast<const TvxStandardMaskLiteralItem*>(FItems[static_cast<size_t>(AIndex)].get()) != nullptr;
}

void TvxStandardMask::Compile(const String& AMask) {
  Clear();
  FMask = AMask;
  String mask = AMask;
  if (!mask.empty() && mask[0] == L'!') {
    mask.erase(0, 1);
    FLeading = true;
  }
  TvxCaseControl caseControl = ccUserCase;
  const size_t len = mask.size();
  auto literal = [this](Char C) { FItems.push_back(std::make_unique<TvxStandardMaskLiteralItem>(C)); };
  for (size_t i = 0; i < len; ++i) {
    const Char c = mask[i];
    auto input = [&](auto* ATag, bool AOptional) {
      using T = std::remove_pointer_t<decltype(ATag)>;
      FItems.push_back(std::make_unique<T>(caseControl, AOptional));
    };
    switch (c) {
      case L'>':
        caseControl = ccUpperCase;
        break;
      case L'<':
        if (i + 1 < len && mask[i + 1] == L'>') {
          caseControl = ccUserCase;
          ++i;
        } else {
          caseControl = ccLowerCase;
        }
        break;
      case L'\\':
        if (i + 1 < len) literal(mask[++i]);
        break;
      case L'L': input(static_cast<TvxStandardMaskAlphaItem*>(nullptr), false); break;
      case L'l': input(static_cast<TvxStandardMaskAlphaItem*>(nullptr), true); break;
      case L'A': input(static_cast<TvxStandardMaskAlphaNumericItem*>(nullptr), false); break;
      case L'a': input(static_cast<TvxStandardMaskAlphaNumericItem*>(nullptr), true); break;
      case L'0': input(static_cast<TvxStandardMaskNumericItem*>(nullptr), false); break;
      case L'9': input(static_cast<TvxStandardMaskNumericItem*>(nullptr), true); break;
      case L'#': input(static_cast<TvxStandardMaskNumericSymbolItem*>(nullptr), true); break;
      case L'C': input(static_cast<TvxStandardMaskASCIIItem*>(nullptr), false); break;
      case L'c': input(static_cast<TvxStandardMaskASCIIItem*>(nullptr), true); break;
      case L'/': literal(FormatSettings.DateSeparator); break;
      case L':': literal(FormatSettings.TimeSeparator); break;
      case L';':
        // A section mark only as ";X;B" at the end or ";X" at the end, X being 0 or 1.
        if (i + 4 == len && (mask[i + 1] == L'0' || mask[i + 1] == L'1') && mask[i + 2] == L';') {
          FSaveLiteralCharacters = mask[i + 1] != L'0';
          FBlank = mask[i + 3];
          return;
        }
        if (i + 2 == len && (mask[i + 1] == L'0' || mask[i + 1] == L'1')) {
          FSaveLiteralCharacters = mask[i + 1] != L'0';
          return;
        }
        literal(c);
        break;
      default:
        literal(c);
        break;
    }
  }
}

String TvxStandardMask::EmptyString() const {
  String r;
  for (const auto& item : FItems) {
    if (auto lit = dynamic_cast<const TvxStandardMaskLiteralItem*>(item.get())) {
      if (FSaveLiteralCharacters) r += lit->Literal();
    } else {
      r += L' ';
    }
  }
  return r;
}

String TvxStandardMask::FullEmptyString() const {
  String r;
  r.reserve(FItems.size());
  for (const auto& item : FItems) {
    auto lit = dynamic_cast<const TvxStandardMaskLiteralItem*>(item.get());
    r += lit ? lit->Literal() : FBlank;
  }
  return r;
}

String TvxStandardMask::Format(String& AText, bool AChangeCharCase, bool AMatchForBlanksAndLiterals) const {
  String r = FullEmptyString();
  const Integer count = Count();
  const Integer textLen = static_cast<Integer>(AText.size());
  const Integer step = FLeading ? -1 : 1;
  Integer pos = FLeading ? count - 1 : 0;
  for (Integer k = 0; k < textLen; ++k) {
    if (pos < 0 || pos >= count) break;
    const Char typed = AText[static_cast<size_t>(FLeading ? textLen - 1 - k : k)];
    for (Integer p = pos; p >= 0 && p < count; p += step) {
      const bool literal = IsLiteral(p);
      if (literal && !FSaveLiteralCharacters && !AMatchForBlanksAndLiterals) continue;
      Char c = typed;
      if (FItems[static_cast<size_t>(p)]->Check(c)) {
        r[static_cast<size_t>(p)] = AChangeCharCase ? c : typed;
        pos = p + step;
        break;
      }
      if (!literal && (typed == FBlank || typed == L' ')) {
        pos = p + step;
        break;
      }
    }
    // A character that no remaining position takes is dropped.
  }
  AText = r;
  return r;
}

String TvxStandardMask::Format2(String& AText) const {
  String r;
  const size_t n = std::min(AText.size(), FItems.size());
  for (size_t i = 0; i < n; ++i) {
    if (IsLiteral(static_cast<Integer>(i))) {
      if (FSaveLiteralCharacters) r += AText[i];
    } else {
      r += AText[i] == FBlank ? L' ' : AText[i];
    }
  }
  AText = r;
  return r;
}

bool TvxStandardMask::IsFullValid(const String& AText) const {
  if (AText.size() != FItems.size()) return false;
  for (size_t i = 0; i < AText.size(); ++i) {
    Char c = AText[i];
    if (FItems[i]->Check(c)) continue;
    auto many = dynamic_cast<const TvxStandardMaskManyItem*>(FItems[i].get());
    if (many && many->Optional() && (AText[i] == FBlank || AText[i] == L' ')) continue;
    return false;
  }
  return true;
}

bool TvxStandardMask::IsValid(const String& AText) const {
  if (AText.size() > FItems.size()) return false;
  for (size_t i = 0; i < AText.size(); ++i) {
    Char c = AText[i];
    if (FItems[i]->Check(c)) continue;
    if (!IsLiteral(static_cast<Integer>(i)) && (AText[i] == FBlank || AText[i] == L' ')) continue;
    return false;
  }
  return true;
}
