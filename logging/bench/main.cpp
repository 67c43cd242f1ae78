// Measures reading destination strings of many items beside the floor of one pass that
// cuts the same text at its commas into a vector of strings. The cost per item should
// stay flat from 10,000 to 100,000 items.
#include <winsock2.h>  // first: Winsock 2 before windows.h

#include <cstdio>
#include <string>
#include <vector>

#include "LoggingUnits.h"
#include "VantrelDestination.h"

namespace {

double Seconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

String ManyFileItems(int N) {
  String s;
  for (int i = 0; i < N; ++i) {
    if (i) s += L",";
    s += L"File[Path=C:\\Logs\\part" + std::to_wstring(i) + L".log;MaxSize=1024]";
  }
  return s;
}

size_t SplitFloor(const String& S) {
  std::vector<String> items;
  size_t start = 0;
  for (size_t i = 0; i <= S.size(); ++i)
    if (i == S.size() || S[i] == L',') {
      items.push_back(S.substr(start, i - start));
      start = i + 1;
    }
  return items.size();
}

}  // namespace

int main() {
  TUnitScope units(LoggingUnits);
  std::printf("%-34s %10s %14s %14s\n", "destination string", "items", "parse us/item", "floor us/item");
  for (int n : {10000, 100000}) {
    const String text = ManyFileItems(n);
    TVantrelDestination d(nullptr);
    double t0 = Seconds();
    d.SetAsString(text);
    const double parse = Seconds() - t0;
    t0 = Seconds();
    const size_t count = SplitFloor(text);
    const double floor = Seconds() - t0;
    std::printf("%-34s %10d %14.3f %14.3f\n", "File items (one active, rest kept)", static_cast<int>(count),
                parse * 1e6 / n, floor * 1e6 / n);
  }
  return 0;
}
