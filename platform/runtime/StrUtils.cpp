#include "StrUtils.h"

#include <algorithm>

String LeftStr(const String& S, Integer Count) { return Count > 0 ? S.substr(0, static_cast<size_t>(Count)) : String(); }

String RightStr(const String& S, Integer Count) {
  if (Count <= 0) return {};
  size_t n = std::min(S.size(), static_cast<size_t>(Count));
  return S.substr(S.size() - n);
}

String MidStr(const String& S, Integer Start, Integer Count) { return Copy(S, Start, Count); }

bool StartsStr(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() && Text.compare(0, SubText.size(), SubText) == 0;
}
bool EndsStr(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() &&
         Text.compare(Text.size() - SubText.size(), SubText.size(), SubText) == 0;
}
bool ContainsStr(const String& Text, const String& SubText) { return Text.find(SubText) != String::npos; }
bool StartsText(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() && SameText(Text.substr(0, SubText.size()), SubText);
}
bool EndsText(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() && SameText(Text.substr(Text.size() - SubText.size()), SubText);
}
bool ContainsText(const String& Text, const String& SubText) {
  return UpperCase(Text).find(UpperCase(SubText)) != String::npos;
}
bool AnsiStartsStr(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() && AnsiCompareStr(Text.substr(0, SubText.size()), SubText) == 0;
}
bool AnsiEndsStr(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() &&
         AnsiCompareStr(Text.substr(Text.size() - SubText.size()), SubText) == 0;
}
bool AnsiContainsStr(const String& Text, const String& SubText) { return ContainsStr(Text, SubText); }
bool AnsiStartsText(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() && AnsiSameText(Text.substr(0, SubText.size()), SubText);
}
bool AnsiEndsText(const String& SubText, const String& Text) {
  return Text.size() >= SubText.size() && AnsiSameText(Text.substr(Text.size() - SubText.size()), SubText);
}
bool AnsiContainsText(const String& Text, const String& SubText) {
  return AnsiUpperCase(Text).find(AnsiUpperCase(SubText)) != String::npos;
}

String ReplaceStr(const String& Text, const String& From, const String& To) {
  return StringReplace(Text, From, To, {rfReplaceAll});
}
String ReplaceText(const String& Text, const String& From, const String& To) {
  return StringReplace(Text, From, To, {rfReplaceAll, rfIgnoreCase});
}
String AnsiReplaceStr(const String& Text, const String& From, const String& To) {
  return ReplaceStr(Text, From, To);
}
String AnsiReplaceText(const String& Text, const String& From, const String& To) {
  return ReplaceText(Text, From, To);
}

namespace {
template <class Eq>
Integer IndexOf(const String& Text, std::initializer_list<String> Values, Eq eq) {
  Integer i = 0;
  for (const String& v : Values) {
    if (eq(Text, v)) return i;
    ++i;
  }
  return -1;
}
}  // namespace

Integer IndexStr(const String& Text, std::initializer_list<String> Values) {
  return IndexOf(Text, Values, [](const String& a, const String& b) { return a == b; });
}
Integer IndexText(const String& Text, std::initializer_list<String> Values) {
  return IndexOf(Text, Values, [](const String& a, const String& b) { return SameText(a, b); });
}
Integer AnsiIndexStr(const String& Text, std::initializer_list<String> Values) {
  return IndexOf(Text, Values, [](const String& a, const String& b) { return AnsiSameStr(a, b); });
}
Integer AnsiIndexText(const String& Text, std::initializer_list<String> Values) {
  return IndexOf(Text, Values, [](const String& a, const String& b) { return AnsiSameText(a, b); });
}
bool MatchStr(const String& Text, std::initializer_list<String> Values) { return IndexStr(Text, Values) >= 0; }
bool MatchText(const String& Text, std::initializer_list<String> Values) { return IndexText(Text, Values) >= 0; }

String DupeString(const String& Text, Integer Count) {
  String r;
  for (Integer i = 0; i < Count; ++i) r += Text;
  return r;
}

String ReverseString(const String& S) { return String(S.rbegin(), S.rend()); }

String IfThen(bool Value, const String& ATrue, const String& AFalse) { return Value ? ATrue : AFalse; }

std::vector<String> SplitString(const String& S, const String& Delimiters) {
  std::vector<String> r(1);
  for (Char c : S) {
    if (Delimiters.find(c) != String::npos) r.emplace_back();
    else r.back() += c;
  }
  return r;
}
