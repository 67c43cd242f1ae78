#include "SysUtils.h"

namespace {
std::string ToUtf8(const String& s) {
  if (s.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string r(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n, nullptr, nullptr);
  return r;
}
}  // namespace

Exception::Exception(const String& Msg) : FMessage(Msg), FWhat(ToUtf8(Msg)) {}
Exception::Exception(const String& Fmt, TVarRecs Args) : Exception(Format(Fmt, Args)) {}
Exception::~Exception() = default;

void Exception::SetMessage(const String& Msg) {
  FMessage = Msg;
  FWhat = ToUtf8(Msg);
}

void Abort() { throw EAbort(L"Operation aborted"); }

// Placeholder until the full Format lands: substitutes arguments in order for %s/%d.
String Format(const String& Fmt, TVarRecs Args) { return Format(Fmt, TConstArray(Args)); }
String Format(const String& Fmt, const TConstArray& Args) {
  String r;
  size_t ai = 0;
  for (size_t i = 0; i < Fmt.size(); ++i) {
    if (Fmt[i] == L'%' && i + 1 < Fmt.size()) {
      wchar_t c = Fmt[++i];
      if (c == L'%') { r += L'%'; continue; }
      if (ai < Args.size()) {
        const TVarRec& a = Args[ai++];
        switch (a.VType) {
          case TVarRec::vtInteger: r += std::to_wstring(a.VInteger); break;
          case TVarRec::vtInt64: r += std::to_wstring(a.VInt64); break;
          case TVarRec::vtUnicodeString: r += a.VString; break;
          default: break;
        }
      }
    } else {
      r += Fmt[i];
    }
  }
  return r;
}
