#include "FMTBcd.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

// A decimal as its digits (most significant first) and the number of them after the
// point.
struct TDecimal {
  bool Negative = false;
  std::string Digits;  // '0'..'9'
  int Places = 0;
};

void Normalise(TDecimal& D) {
  while (D.Places > 0 && !D.Digits.empty() && D.Digits.back() == '0') {
    D.Digits.pop_back();
    --D.Places;
  }
  size_t lead = 0;
  while (lead + 1 < D.Digits.size() && static_cast<int>(D.Digits.size() - lead) > D.Places &&
         D.Digits[lead] == '0')
    ++lead;
  D.Digits.erase(0, lead);
  if (D.Digits.empty()) D.Digits = "0";
  if (D.Digits.find_first_not_of('0') == std::string::npos) D.Negative = false;
}

TDecimal FromBcd(const TBcd& B) {
  TDecimal d;
  d.Negative = (B.SignSpecialPlaces & 0x80) != 0;
  d.Places = B.SignSpecialPlaces & 0x3F;
  int n = B.Precision > 64 ? 64 : B.Precision;
  for (int i = 0; i < n; ++i) {
    Byte b = B.Fraction[i / 2];
    int digit = (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
    d.Digits.push_back(static_cast<char>('0' + (digit > 9 ? 0 : digit)));
  }
  if (d.Places > n) d.Digits.insert(0, static_cast<size_t>(d.Places - n), '0');
  Normalise(d);
  return d;
}

bool ToBcd(TDecimal d, TBcd& B) {
  Normalise(d);
  if (d.Digits.size() > 64 || d.Places > 63) return false;
  B = TBcd{};
  B.Precision = static_cast<Byte>(d.Digits.size());
  B.SignSpecialPlaces = static_cast<Byte>(d.Places | (d.Negative ? 0x80 : 0));
  for (size_t i = 0; i < d.Digits.size(); ++i) {
    int digit = d.Digits[i] - '0';
    if (i % 2 == 0) B.Fraction[i / 2] = static_cast<Byte>(digit << 4);
    else B.Fraction[i / 2] |= static_cast<Byte>(digit);
  }
  return true;
}

bool Parse(const String& S, TDecimal& D) {
  String t = Trim(S);
  size_t i = 0;
  D = TDecimal{};
  if (i < t.size() && (t[i] == L'-' || t[i] == L'+')) D.Negative = t[i++] == L'-';
  bool point = false, any = false;
  for (; i < t.size(); ++i) {
    wchar_t c = t[i];
    if (c >= L'0' && c <= L'9') {
      D.Digits.push_back(static_cast<char>(c));
      if (point) ++D.Places;
      any = true;
    } else if (!point && (c == L'.' || c == FormatSettings.DecimalSeparator)) {
      point = true;
    } else {
      return false;
    }
  }
  if (!any) return false;
  Normalise(D);
  return true;
}

String ToText(const TDecimal& D) {
  std::string s = D.Digits;
  if (D.Places > 0) {
    size_t intLen = s.size() - static_cast<size_t>(D.Places);
    String r = (D.Negative ? String(L"-") : String()) + String(s.begin(), s.begin() + static_cast<long>(intLen));
    if (intLen == 0) r += L"0";
    r += FormatSettings.DecimalSeparator;
    r += String(s.begin() + static_cast<long>(intLen), s.end());
    return r;
  }
  return (D.Negative ? String(L"-") : String()) + String(s.begin(), s.end());
}

class TFMTBcdVariantType : public TCustomVariantType {
  DECLARE_CLASS(TFMTBcdVariantType, TCustomVariantType)
 public:
  Variant Make(const TBcd& B) const {
    Variant v;
    v.SetCustom(VarType(), std::make_shared<TBcd>(B));
    return v;
  }
  void Cast(Variant& Dest, const Variant& Source) const override {
    if (VarIsNull(Source) || VarIsArray(Source)) VarCastError(::VarType(Source), VarType());
    TBcd b;
    if (VarIsOrdinal(Source)) {
      if (!TryStrToBcd(IntToStr(Source.AsInt64()), b)) VarCastError(::VarType(Source), VarType());
    } else if (VarIsFloat(Source) || ::VarType(Source) == varCurrency) {
      b = DoubleToBcd(Source.AsDouble());
    } else if (!TryStrToBcd(VarToStr(Source), b)) {
      VarCastError(::VarType(Source), VarType());
    }
    Dest = Make(b);
  }
  void CastTo(Variant& Dest, const Variant& Source, TVarType AVarType) const override {
    const TBcd& b = *Source.CustomData<TBcd>();
    if (AVarType == varUString || AVarType == varOleStr || AVarType == varString)
      Dest = VarAsType(Variant(BcdToStr(b)), AVarType);
    else
      Dest = VarAsType(Variant(BcdToDouble(b)), AVarType);
  }
  void Compare(const Variant& L, const Variant& R, TVariantRelationship& Rel) const override {
    Integer c = BcdCompare(*L.CustomData<TBcd>(), *R.CustomData<TBcd>());
    Rel = c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual;
  }
};

std::unique_ptr<TFMTBcdVariantType> GBcdType;

void InitFMTBcd() { GBcdType = std::make_unique<TFMTBcdVariantType>(); }
void FinFMTBcd() { GBcdType.reset(); }

}  // namespace

bool TryStrToBcd(const String& AValue, TBcd& Bcd) {
  TDecimal d;
  return Parse(AValue, d) && ToBcd(d, Bcd);
}

TBcd StrToBcd(const String& AValue) {
  TBcd b;
  if (!TryStrToBcd(AValue, b)) throw EBcdException(L"'" + AValue + L"' is not a valid BCD value");
  return b;
}

String BcdToStr(const TBcd& Bcd) { return ToText(FromBcd(Bcd)); }

Integer BcdCompare(const TBcd& A, const TBcd& B) {
  TDecimal a = FromBcd(A), b = FromBcd(B);
  bool az = a.Digits == "0", bz = b.Digits == "0";
  if (az && bz) return 0;
  if (a.Negative != b.Negative) return a.Negative ? -1 : 1;
  // Align the scales, then compare the integer parts by length and the digits in order.
  int places = a.Places > b.Places ? a.Places : b.Places;
  a.Digits.append(static_cast<size_t>(places - a.Places), '0');
  b.Digits.append(static_cast<size_t>(places - b.Places), '0');
  int mag = a.Digits.size() != b.Digits.size() ? (a.Digits.size() < b.Digits.size() ? -1 : 1)
                                                : (a.Digits < b.Digits ? -1 : a.Digits > b.Digits ? 1 : 0);
  return a.Negative ? -mag : mag;
}

double BcdToDouble(const TBcd& Bcd) {
  TDecimal d = FromBcd(Bcd);
  std::string s = d.Digits;
  if (d.Places > 0) s.insert(s.size() - static_cast<size_t>(d.Places), ".");
  double r = std::stod(s);
  return d.Negative ? -r : r;
}

TBcd DoubleToBcd(double Value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", Value);
  TDecimal d;
  String text(buf, buf + std::char_traits<char>::length(buf));
  if (text.find(L'e') != String::npos) {
    std::snprintf(buf, sizeof buf, "%.20f", Value);
    text.assign(buf, buf + std::char_traits<char>::length(buf));
  }
  TBcd b;
  if (!Parse(text, d) || !ToBcd(d, b)) throw EBcdException(L"Value out of BCD range");
  return b;
}

TVarType VarFMTBcd() { return GBcdType ? GBcdType->VarType() : TVarType(varEmpty); }

Variant VarFMTBcdCreate(const TBcd& Bcd) {
  if (!GBcdType) throw EVariantError(L"The BCD variant type is not registered");
  return GBcdType->Make(Bcd);
}

bool VarIsFMTBcd(const Variant& V) { return GBcdType && VarTypeBase(V) == GBcdType->VarType(); }

TBcd VarToBcd(const Variant& V) {
  Variant d = V.Deref();
  if (VarIsFMTBcd(d)) return *d.CustomData<TBcd>();
  Variant c = VarAsType(d, VarFMTBcd());
  return *c.CustomData<TBcd>();
}

const TUnitInfo FMTBcdUnit = {L"FMTBcd", InitFMTBcd, FinFMTBcd};
