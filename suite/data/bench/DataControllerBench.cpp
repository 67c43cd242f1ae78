// Unbound records of four typed columns in a data controller, against the same work on
// a std::vector: fill, sort by two columns, locate a value. Prints each time as a ratio
// to the vector's time at 10^5 and 10^6 records.
#include "SuiteDataUnits.h"
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "Classes.h"
#include "FMTBcd.h"
#include "SqlTimSt.h"
#include "SysInit.h"
#include "Variants.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxData.h"
#include "vxDataConsts.h"
#include "vxDataStorage.h"

namespace {

class TBenchItem : public TObject {
  DECLARE_CLASS(TBenchItem, TObject)
};

class TBenchController : public TvxDataController {
  DECLARE_CLASS(TBenchController, TvxDataController)
 public:
  TBenchController() : TvxDataController(nullptr) {}
  TObject* GetItem(Integer Index) override { return &Items[static_cast<size_t>(Index)]; }
  // Counts the field comparisons, to show the growth of the sort apart from the memory.
  Integer CompareRecordsByField(Integer ARecordIndex1, Integer ARecordIndex2, TvxCustomDataField* AField) override {
    ++Comparisons;
    return TvxDataController::CompareRecordsByField(ARecordIndex1, ARecordIndex2, AField);
  }
  TBenchItem Items[4];
  long long Comparisons = 0;
};

struct TRow {
  int Id;
  double Amount;
  std::wstring Name;
  double When;
};

double Seconds(std::chrono::steady_clock::time_point A, std::chrono::steady_clock::time_point B) {
  return std::chrono::duration<double>(B - A).count();
}

std::wstring NameOf(int AValue) { return L"N" + std::to_wstring(AValue); }

void Run(int N) {
  std::mt19937 rng(42);
  std::vector<int> keys(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) keys[static_cast<size_t>(i)] = static_cast<int>(rng() % static_cast<unsigned>(N / 10 + 1));
  const std::wstring target = L"TARGET";
  using Clock = std::chrono::steady_clock;

  // The reference: a vector of structs.
  auto t0 = Clock::now();
  std::vector<TRow> rows;
  rows.reserve(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i)
    rows.push_back({keys[static_cast<size_t>(i)], i * 0.5, i == N - 1 ? target : NameOf(i % 1000), 45000.0 + i});
  auto t1 = Clock::now();
  std::sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) {
    if (a.Id != b.Id) return a.Id < b.Id;
    return a.Name < b.Name;
  });
  auto t2 = Clock::now();
  auto found = std::find_if(rows.begin(), rows.end(), [&](const TRow& r) { return r.Name == target; });
  auto t3 = Clock::now();
  if (found == rows.end()) std::printf("reference lost the target\n");
  double vFill = Seconds(t0, t1), vSort = Seconds(t1, t2), vFind = Seconds(t2, t3);

  // The data controller in unbound mode.
  TBenchController c;
  c.AddItem(&c.Items[0]);
  c.AddItem(&c.Items[1]);
  c.AddItem(&c.Items[2]);
  c.AddItem(&c.Items[3]);
  c.ChangeValueTypeClass(0, TvxIntegerValueType::Class());
  c.ChangeValueTypeClass(1, TvxFloatValueType::Class());
  c.ChangeValueTypeClass(2, TvxStringValueType::Class());
  c.ChangeValueTypeClass(3, TvxDateTimeValueType::Class());
  auto c0 = Clock::now();
  c.BeginUpdate();
  TvxDataStorageHelper::SetRecordsCapacity(c.DataStorage(), N);
  c.SetRecordCount(N);
  for (int i = 0; i < N; ++i) {
    c.SetValue(i, 0, Variant(keys[static_cast<size_t>(i)]));
    c.SetValue(i, 1, Variant(i * 0.5));
    c.SetValue(i, 2, Variant(i == N - 1 ? target : NameOf(i % 1000)));
    c.SetValue(i, 3, VarFromDateTime(45000.0 + i));
  }
  c.EndUpdate();
  auto c1 = Clock::now();
  c.Comparisons = 0;
  c.BeginUpdate();
  c.ChangeSorting(0, soAscending);
  c.ChangeSorting(2, soAscending);
  c.EndUpdate();
  auto c2 = Clock::now();
  c.SetFocusedRowIndex(0);
  bool located = c.Search()->Locate(2, target);
  auto c3 = Clock::now();
  if (!located || c.GetValue(c.GetFocusedRecordIndex(), 2).AsString() != target) std::printf("controller lost the target\n");
  double dFill = Seconds(c0, c1), dSort = Seconds(c1, c2), dFind = Seconds(c2, c3);

  std::printf("n=%-8d fill   %8.3f s  vector %8.4f s  ratio %7.1f\n", N, dFill, vFill, dFill / vFill);
  std::printf("n=%-8d sort   %8.3f s  vector %8.4f s  ratio %7.1f  (%.2f field comparisons per n log2 n)\n", N, dSort,
              vSort, dSort / vSort, static_cast<double>(c.Comparisons) / (N * std::log2(static_cast<double>(N))));
  std::printf("n=%-8d locate %8.3f s  vector %8.4f s  ratio %7.1f\n", N, dFind, vFind, dFind / vFind);
}

}  // namespace

int main() {
  TUnitScope units(SuiteDataUnits);
  std::printf("Data controller, unbound mode, four typed columns (Integer, Float, String, DateTime)\n");
  std::printf("floor: the same work on std::vector (push_back, std::sort, std::find_if)\n");
  Run(100000);
  Run(1000000);
  return 0;
}
