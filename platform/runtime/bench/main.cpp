// Measures the runtime's growing structures and its number formatting at two sizes ten
// times apart, each beside its floor from the C and C++ libraries:
//   memory stream written in 4 KB pieces       - std::vector<char> appends
//   ini file with N sections, written and read - std::vector appends of the same lines
//   N named components under one owner         - std::vector appends of the names
//     (renaming and finding by name are linear; creating and freeing also tell every
//     sibling, as the Notification contract asks, which grows with the square)
//   Format with a few specifiers               - swprintf of the same text
//   FloatToStr                                 - std::to_chars with 15 digits
// Time per item should stay flat from one size to the next (linear cost), and the
// ratio to the floor small.
#include "RuntimeUnits.h"
#include <charconv>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "IniFiles.h"
#include "Persistent.h"
#include "Streaming.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "Variants.h"

namespace {

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

template <class F>
double Seconds(F f) {
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    double t0 = Now();
    f();
    double t = Now() - t0;
    if (t < best) best = t;
  }
  return best;
}

void Line(const char* what, long long n, const char* unit, double t, double floor) {
  std::printf("%-34s %10lld %-8s %9.1f ns/item   floor %8.1f ns/item   ratio %5.2f\n", what, n,
              unit, t * 1e9 / static_cast<double>(n), floor * 1e9 / static_cast<double>(n),
              t / floor);
}

void MemoryStream(long long megabytes) {
  const long long bytes = megabytes << 20;
  std::vector<char> piece(4096, 'x');
  const long long pieces = bytes / 4096;
  double t = Seconds([&] {
    TMemoryStream m;
    for (long long i = 0; i < pieces; ++i) m.WriteBuffer(piece.data(), 4096);
  });
  double floor = Seconds([&] {
    std::vector<char> v;
    for (long long i = 0; i < pieces; ++i) v.insert(v.end(), piece.begin(), piece.end());
  });
  char what[64];
  std::snprintf(what, sizeof what, "memory stream, %lld MB in 4 KB", megabytes);
  Line(what, pieces, "writes", t, floor);
}

void IniSections(int n) {
  std::vector<String> names;
  for (int i = 0; i < n; ++i) names.push_back(L"Section" + std::to_wstring(i));
  double t = Seconds([&] {
    TMemIniFile ini(L"");
    for (int i = 0; i < n; ++i) ini.WriteString(names[i], L"Key", L"value");
    for (int i = 0; i < n; ++i)
      if (ini.ReadString(names[i], L"Key", L"") != L"value") std::printf("lost %d\n", i);
  });
  double floor = Seconds([&] {
    std::vector<String> lines;
    for (int i = 0; i < n; ++i) {
      lines.push_back(L"[" + names[i] + L"]");
      lines.push_back(L"Key=value");
    }
  });
  Line("ini file, sections written + read", n, "sections", t, floor);
}

void NamedComponents(int n) {
  std::vector<String> names, others;
  for (int i = 0; i < n; ++i) {
    names.push_back(L"Component" + std::to_wstring(i));
    others.push_back(L"Renamed" + std::to_wstring(i));
  }
  // Creating and freeing: each insert and removal is also told to every owned component
  // (the Notification contract), a walk of the siblings that no index removes.
  double life = Seconds([&] {
    TComponent owner(nullptr);
    for (int i = 0; i < n; ++i) (new TComponent(&owner))->SetName(names[i]);
  });
  // Names alone: every rename checks for a duplicate, every lookup finds by name.
  TComponent owner(nullptr);
  std::vector<TComponent*> made;
  for (int i = 0; i < n; ++i) {
    made.push_back(new TComponent(&owner));
    made.back()->SetName(names[i]);
  }
  bool flip = false;
  double naming = Seconds([&] {
    flip = !flip;
    for (int i = 0; i < n; ++i) made[i]->SetName(flip ? others[i] : names[i]);
    for (int i = 0; i < n; ++i)
      if (!owner.FindComponent(flip ? others[i] : names[i])) std::printf("lost %d\n", i);
  });
  double floor = Seconds([&] {
    std::vector<std::unique_ptr<TObject>> v;
    std::vector<String> copies;
    for (int i = 0; i < n; ++i) {
      v.emplace_back(new TObject());
      copies.push_back(names[i]);
    }
  });
  // Reading a form text of N named components under its root.
  String text = L"object Root: TComponent\r\n";
  for (int i = 0; i < n; ++i) text += L"  object " + names[i] + L": TComponent\r\n  end\r\n";
  text += L"end\r\n";
  double read = Seconds([&] { std::unique_ptr<TComponent> root(TextToComponent(text, nullptr)); });
  Line("components: rename + find by name", n, "children", naming, floor);
  Line("components: create, name, free", n, "children", life, floor);
  Line("components: read from text, free", n, "children", read, floor);
}

void FormatCalls(int n) {
  const TFormatSettings fs;
  String out;
  double t = Seconds([&] {
    for (int i = 0; i < n; ++i)
      out = Format(L"%s: %d of %d done, %.2f%%", {L"copy", i, n, i * 100.0 / n}, fs);
  });
  wchar_t buf[128];
  double floor = Seconds([&] {
    for (int i = 0; i < n; ++i) {
      std::swprintf(buf, 128, L"%ls: %d of %d done, %.2f%%", L"copy", i, n, i * 100.0 / n);
      out = buf;
    }
  });
  Line("Format, four specifiers", n, "calls", t, floor);
}

void FloatCalls(int n) {
  const TFormatSettings fs;
  String out;
  double t = Seconds([&] {
    for (int i = 0; i < n; ++i) out = FloatToStr(i * 1.0137 + 0.1, fs);
  });
  char buf[64];
  double floor = Seconds([&] {
    for (int i = 0; i < n; ++i) {
      auto r = std::to_chars(buf, buf + sizeof buf, i * 1.0137 + 0.1, std::chars_format::general, 15);
      out.assign(buf, r.ptr);
    }
  });
  Line("FloatToStr", n, "calls", t, floor);
}

}  // namespace

int main() {
  TUnitScope units(RuntimeUnits);
  RegisterClass(TComponent::StaticClass());
  MemoryStream(10);
  MemoryStream(100);
  IniSections(2000);
  IniSections(20000);
  NamedComponents(1000);
  NamedComponents(10000);
  FormatCalls(100000);
  FormatCalls(1000000);
  FloatCalls(100000);
  FloatCalls(1000000);
  return 0;
}
