// Measures building, looking up, parsing and writing JSON objects at two sizes ten times
// apart, beside the floor of each: appending the same pairs to a std::vector, and
// formatting the same text with std::to_chars. Time per member should stay flat from one
// size to the next (linear cost) and within a small factor of the floor.
#include "JsonUnits.h"
#include <charconv>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "SysInit.h"
#include "ZvJson.h"

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

String KeyOf(int i) { return L"member_" + std::to_wstring(i); }

void Measure(int n) {
  std::vector<String> keys;
  for (int i = 0; i < n; ++i) keys.push_back(KeyOf(i));

  double build = Seconds([&] {
    TJSONObject o;
    for (int i = 0; i < n; ++i) o.put(keys[i], i);
  });
  double buildFloor = Seconds([&] {
    std::vector<std::pair<String, int>> v;
    for (int i = 0; i < n; ++i) v.emplace_back(keys[i], i);
  });

  TJSONObject o;
  for (int i = 0; i < n; ++i) {
    if (i % 3 == 0) o.put(keys[i], i);
    else if (i % 3 == 1) o.put(keys[i], i * 0.25);
    else o.put(keys[i], L"text value " + std::to_wstring(i));
  }
  long long found = 0;
  double lookup = Seconds([&] {
    for (int i = 0; i < n; ++i) found += o.indexOf(keys[(i * 7919) % n]);
  });

  String text = o.toString();
  double write = Seconds([&] { text = o.toString(); });
  // The floor writes the same members with to_chars and appends, no escaping or lookups.
  double writeFloor = Seconds([&] {
    std::wstring out = L"{";
    char buf[32];
    for (int i = 0; i < n; ++i) {
      if (i) out += L',';
      out += L'"';
      out += keys[i];
      out += L"\":";
      if (i % 3 == 2) {
        out += L"\"text value ";
        auto r = std::to_chars(buf, buf + sizeof buf, i);
        out.append(buf, r.ptr);
        out += L'"';
      } else {
        auto r = i % 3 ? std::to_chars(buf, buf + sizeof buf, i * 0.25)
                       : std::to_chars(buf, buf + sizeof buf, i);
        out.append(buf, r.ptr);
      }
    }
    out += L'}';
  });
  double parse = Seconds([&] { TJSONObject p(text); });

  std::printf("%7d members  put: %7.1f ns/member (vector append %5.1f, ratio %5.1f)"
              "  lookup: %6.1f ns  write: %6.1f ns (to_chars %5.1f, ratio %4.1f)"
              "  parse: %7.1f ns/member\n",
              n, build * 1e9 / n, buildFloor * 1e9 / n, build / buildFloor, lookup * 1e9 / n,
              write * 1e9 / n, writeFloor * 1e9 / n, write / writeFloor, parse * 1e9 / n);
  if (found < 0) std::printf("?\n");
}

}  // namespace

int main() {
  TUnitScope units(JsonUnits);
  Measure(10000);
  Measure(100000);
  return 0;
}
