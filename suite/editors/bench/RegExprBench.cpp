// A compiled regular expression followed over 10^5 and 10^6 characters of text. Each
// figure is the time per character; the floor is a bare loop over the same text that
// tests every character against a std::wstring of allowed characters. Per-character
// times that stay flat between the sizes show the matching is linear, also for patterns
// whose alternatives overlap ("(a|a)*b").
#include "SuiteEditorsUnits.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "SysUtils.h"
#include "vxRegExpr.h"

namespace {

double Seconds(std::chrono::steady_clock::duration D) { return std::chrono::duration<double>(D).count(); }

// Feeds AText to the engine from a reset; answers whether all of it was accepted and
// complete.
bool Follow(TvxRegExpr& E, const String& AText) {
  E.Reset();
  for (Char c : AText)
    if (!E.Next(c)) return false;
  return E.IsFinal();
}

size_t Floor(const String& AText, const String& AAllowed) {
  size_t n = 0;
  for (Char c : AText)
    if (AAllowed.find(c) != String::npos) ++n;
  return n;
}

struct TCase {
  const char* Label;
  const wchar_t* Pattern;
  String (*Make)(size_t);
  const wchar_t* Allowed;
};

String As(size_t N) { return String(N - 1, L'a') + L"b"; }
String Digits(size_t N) {
  String s;
  s.reserve(N);
  while (s.size() + 4 < N) s += L"123-";
  while (s.size() < N) s += L'9';
  return s;
}
String Kana(size_t N) { return String(N, L'あ'); }

}  // namespace

int main() {
  TUnitScope units(SuiteEditorsUnits);
  const TCase cases[] = {
      {"(a|a)*b", L"(a|a)*b", As, L"ab"},
      {"(a|a?a)*(a|a)*b", L"(a|a?a)*(a|a)*b", As, L"ab"},
      {"\\d+(-\\d+)*", L"\\d+(-\\d+)*", Digits, L"0123456789-"},
      {"[hiragana]*", L"[ぁ-ん]*", Kana, L"ぁあぃいぅう"},
  };
  std::printf("%-22s %10s %12s %12s %12s %12s\n", "pattern", "chars", "cold ns/ch", "ns/char", "floor ns/ch", "ratio");
  for (const TCase& c : cases) {
    TvxRegExpr e;
    e.Compile(c.Pattern);
    double perChar[2] = {0, 0};
    int k = 0;
    for (size_t n : {size_t(100000), size_t(1000000)}) {
      const String text = c.Make(n);
      // The first run also allocates the history (one state set per character); the
      // second reuses it.
      auto t0 = std::chrono::steady_clock::now();
      Follow(e, text);
      const double cold = Seconds(std::chrono::steady_clock::now() - t0);
      t0 = std::chrono::steady_clock::now();
      const bool ok = Follow(e, text);
      const double t = Seconds(std::chrono::steady_clock::now() - t0);
      t0 = std::chrono::steady_clock::now();
      volatile size_t sink = Floor(text, c.Allowed);
      (void)sink;
      const double f = Seconds(std::chrono::steady_clock::now() - t0);
      perChar[k++] = t / static_cast<double>(n) * 1e9;
      std::printf("%-22s %10zu %12.1f %12.1f %12.2f %12.1f%s\n", c.Label, n, cold / static_cast<double>(n) * 1e9,
                  t / static_cast<double>(n) * 1e9,
                  f / static_cast<double>(n) * 1e9, t / (f > 0 ? f : 1e-9), ok ? "" : "  (NOT MATCHED)");
    }
    std::printf("%-22s growth of ns/char from 10^5 to 10^6: %.2fx (linear = 1.0)\n", c.Label,
                perChar[1] / perChar[0]);
  }
  return 0;
}
