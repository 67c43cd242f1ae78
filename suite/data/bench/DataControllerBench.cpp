// Unbound records of four typed columns in a data controller, against the same work on
// a std::vector: fill, sort by two columns, filter through OnFilterRecord, group by one
// column, locate a value, delete a selection of half the records; then a LIKE filter, a
// filter of three conditions, and footer and group summaries. Prints each time beside the
// vector's time and their ratio at 10^5 and 10^6 records.
#include "SuiteDataUnits.h"
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
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

using namespace vxCustomData;

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

struct TTimes {
  double Fill = 1e9, Sort = 1e9, Filter = 1e9, Group = 1e9, Locate = 1e9, Delete = 1e9, DeleteHeap = 1e9;
  void Min(const TTimes& A) {
    DeleteHeap = std::min(DeleteHeap, A.DeleteHeap);
    Fill = std::min(Fill, A.Fill);
    Sort = std::min(Sort, A.Sort);
    Filter = std::min(Filter, A.Filter);
    Group = std::min(Group, A.Group);
    Locate = std::min(Locate, A.Locate);
    Delete = std::min(Delete, A.Delete);
  }
};

using Clock = std::chrono::steady_clock;

// The floor: the same work on a vector of structs and a vector of positions.
TTimes RunVector(int N, const std::vector<int>& keys, const std::wstring& target) {
  TTimes t;
  auto t0 = Clock::now();
  std::vector<TRow> rows;
  rows.reserve(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i)
    rows.push_back({keys[static_cast<size_t>(i)], i * 0.5, i == N - 1 ? target : NameOf(i % 1000), 45000.0 + i});
  auto t1 = Clock::now();
  std::vector<int> order(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) order[static_cast<size_t>(i)] = i;
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const TRow& x = rows[static_cast<size_t>(a)];
    const TRow& y = rows[static_cast<size_t>(b)];
    if (x.Id != y.Id) return x.Id < y.Id;
    return x.Name < y.Name;
  });
  auto t2 = Clock::now();
  std::vector<int> kept;
  kept.reserve(order.size());
  for (int r : order)
    if (rows[static_cast<size_t>(r)].Id % 2 == 0) kept.push_back(r);
  auto t3 = Clock::now();
  // Group by the name column: sort by it (then by the sort order) and mark the group starts.
  std::vector<int> grouped(order);
  std::stable_sort(grouped.begin(), grouped.end(),
                   [&](int a, int b) { return rows[static_cast<size_t>(a)].Name < rows[static_cast<size_t>(b)].Name; });
  std::vector<int> starts;
  for (size_t i = 0; i < grouped.size(); ++i)
    if (i == 0 || rows[static_cast<size_t>(grouped[i])].Name != rows[static_cast<size_t>(grouped[i - 1])].Name)
      starts.push_back(static_cast<int>(i));
  auto t4 = Clock::now();
  auto found = std::find_if(order.begin(), order.end(), [&](int r) { return rows[static_cast<size_t>(r)].Name == target; });
  auto t5 = Clock::now();
  if (found == order.end() || starts.empty() || kept.empty()) std::printf("reference lost its work\n");
  std::vector<char> selected(static_cast<size_t>(N), 0);
  for (size_t i = 0; i < order.size(); i += 2) selected[static_cast<size_t>(order[i])] = 1;
  auto t6 = Clock::now();
  size_t to = 0;
  for (size_t i = 0; i < rows.size(); ++i)
    if (!selected[i]) rows[to++] = std::move(rows[i]);
  rows.resize(to);
  auto t7 = Clock::now();
  // The same compaction when every row owns a heap record and a heap string cell, as the
  // storage's records do (each deleted row frees both).
  struct THeapRow {
    std::unique_ptr<unsigned char[]> Buffer;
    std::unique_ptr<wchar_t[]> Name;
  };
  std::vector<THeapRow> heap(static_cast<size_t>(N));
  for (auto& h : heap) {
    h.Buffer = std::make_unique<unsigned char[]>(40);
    h.Name = std::make_unique<wchar_t[]>(8);
  }
  auto t8 = Clock::now();
  to = 0;
  for (size_t i = 0; i < heap.size(); ++i)
    if (!selected[i]) heap[to++] = std::move(heap[i]);
  heap.resize(to);
  auto t9 = Clock::now();
  t.DeleteHeap = Seconds(t8, t9);
  t.Fill = Seconds(t0, t1);
  t.Sort = Seconds(t1, t2);
  t.Filter = Seconds(t2, t3);
  t.Group = Seconds(t3, t4);
  t.Locate = Seconds(t4, t5);
  t.Delete = Seconds(t6, t7);
  return t;
}

TTimes RunController(int N, const std::vector<int>& keys, const std::wstring& target, long long& AComparisons) {
  TTimes t;
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
  t.Sort = Seconds(c1, c2);
  AComparisons = c.Comparisons;
  // Filtering and grouping are timed on their own: without a sort order to keep, as the
  // floor does.
  c.ClearSorting();
  c2 = Clock::now();
  c.SetOnFilterRecord([](TvxCustomDataController* AC, Integer ARecordIndex, bool& AAccept) {
    AAccept = AC->GetValue(ARecordIndex, 0).AsInteger() % 2 == 0;
  });
  auto c3 = Clock::now();
  c.SetOnFilterRecord(nullptr);
  auto c4 = Clock::now();
  c.Groups()->ChangeGrouping(2, 0);
  auto c5 = Clock::now();
  c.Groups()->ClearGrouping();
  c.SetFocusedRowIndex(0);
  auto c6 = Clock::now();
  bool located = c.Search()->Locate(2, target);
  auto c7 = Clock::now();
  if (!located || c.GetValue(c.GetFocusedRecordIndex(), 2).AsString() != target) std::printf("controller lost the target\n");
  c.SetMultiSelect(true);
  c.BeginUpdate();
  c.ClearSelection();  // switching multiple selection on selected the focused row
  for (Integer r = 0; r < c.RowCount(); r += 2) c.ChangeRowSelection(r, true);
  c.EndUpdate();
  auto c8 = Clock::now();
  c.DeleteSelection();
  auto c9 = Clock::now();
  if (c.RecordCount() != N / 2) std::printf("controller kept %d records of %d\n", c.RecordCount(), N);
  t.Fill = Seconds(c0, c1);
  t.Filter = Seconds(c2, c3);
  (void)c4;
  t.Group = Seconds(c4, c5);
  t.Locate = Seconds(c6, c7);
  t.Delete = Seconds(c8, c9);
  return t;
}

// Deleting a selection of half the records of a controller with a relation: every kept
// record's detail controllers follow their records.
double RunRelationDelete(int N, const std::vector<int>& keys) {
  TBenchController c;
  c.AddItem(&c.Items[0]);
  c.ChangeValueTypeClass(0, TvxIntegerValueType::Class());
  c.Relations()->Add(&c.Items[1]);
  c.BeginUpdate();
  TvxDataStorageHelper::SetRecordsCapacity(c.DataStorage(), N);
  c.SetRecordCount(N);
  for (int i = 0; i < N; ++i) c.SetValue(i, 0, Variant(keys[static_cast<size_t>(i)]));
  c.EndUpdate();
  c.SetMultiSelect(true);
  c.BeginUpdate();
  c.ClearSelection();
  for (Integer r = 0; r < c.RowCount(); r += 2) c.ChangeRowSelection(r, true);
  c.EndUpdate();
  auto t0 = Clock::now();
  c.DeleteSelection();
  auto t1 = Clock::now();
  if (c.RecordCount() != N / 2) std::printf("controller with a relation kept %d records of %d\n", c.RecordCount(), N);
  return Seconds(t0, t1);
}

void Run(int N, int ARuns) {
  std::mt19937 rng(42);
  std::vector<int> keys(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i) keys[static_cast<size_t>(i)] = static_cast<int>(rng() % static_cast<unsigned>(N / 10 + 1));
  const std::wstring target = L"TARGET";
  TTimes v, d;
  long long comparisons = 0;
  double relationDelete = 1e9;
  for (int run = 0; run < ARuns; ++run) {
    v.Min(RunVector(N, keys, target));
    d.Min(RunController(N, keys, target, comparisons));
    relationDelete = std::min(relationDelete, RunRelationDelete(N, keys));
  }
  auto line = [N](const char* AName, double AD, double AV) {
    std::printf("n=%-8d %-7s %8.3f s  floor %8.4f s  ratio %7.1f  per record %7.3f us\n", N, AName, AD, AV, AD / AV,
                AD / N * 1e6);
  };
  line("fill", d.Fill, v.Fill);
  line("sort", d.Sort, v.Sort);
  std::printf("           (%.2f field comparisons per n log2 n)\n",
              static_cast<double>(comparisons) / (N * std::log2(static_cast<double>(N))));
  line("filter", d.Filter, v.Filter);
  line("group", d.Group, v.Group);
  line("locate", d.Locate, v.Locate);
  line("delete", d.Delete, v.Delete);
  std::printf("           (heap floor %.4f s, ratio %.1f: rows that own a heap record and string cell)\n",
              v.DeleteHeap, d.Delete / v.DeleteHeap);
  line("delete+r", relationDelete, v.Delete);
  std::printf("           (delete+r: the same deletion, one integer column, the controller with a relation)\n");
}


// --- Filter criteria and summaries ------------------------------------------------------

struct TFilterRow {
  std::wstring Name;
  double Qty;
  int Grp;
};

struct TFilterTimes {
  double Like = 1e9, Criteria = 1e9, Footer = 1e9, Groups = 1e9;
  void Min(const TFilterTimes& A) {
    Like = std::min(Like, A.Like);
    Criteria = std::min(Criteria, A.Criteria);
    Footer = std::min(Footer, A.Footer);
    Groups = std::min(Groups, A.Groups);
  }
};

struct TFilterCounts {
  long long Like = 0, Criteria = 0;
  double Sum = 0;
  size_t Groups = 0;
};

std::vector<TFilterRow> MakeFilterRows(int N) {
  std::mt19937 rng(7);
  const wchar_t letters[] = L"abcx";
  std::vector<TFilterRow> rows(static_cast<size_t>(N));
  for (auto& r : rows) {
    const int len = 4 + static_cast<int>(rng() % 9);
    r.Name.resize(static_cast<size_t>(len));
    for (auto& ch : r.Name) ch = letters[rng() % 4];
    r.Qty = static_cast<double>(rng() % 1000);
    r.Grp = static_cast<int>(rng() % 1000);
  }
  return rows;
}

// "%abc%_": an occurrence of abc followed by at least one character; the first occurrence
// decides, since a later one ends later still.
bool LikeFloor(const std::wstring& S) {
  const size_t p = S.find(L"abc");
  return p != std::wstring::npos && p + 3 < S.size();
}

TFilterTimes RunFilterVector(const std::vector<TFilterRow>& rows, TFilterCounts& AOut) {
  TFilterTimes t;
  auto t0 = Clock::now();
  std::vector<int> kept;
  kept.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i)
    if (LikeFloor(rows[i].Name)) kept.push_back(static_cast<int>(i));
  auto t1 = Clock::now();
  AOut.Like = static_cast<long long>(kept.size());
  kept.clear();
  for (size_t i = 0; i < rows.size(); ++i) {
    const TFilterRow& r = rows[i];
    if (LikeFloor(r.Name) && r.Qty > 100 && r.Grp < 500) kept.push_back(static_cast<int>(i));
  }
  auto t2 = Clock::now();
  AOut.Criteria = static_cast<long long>(kept.size());
  double sum = 0, mn = 1e300, mx = -1e300;
  long long count = 0;
  for (const TFilterRow& r : rows) {
    sum += r.Qty;
    mn = std::min(mn, r.Qty);
    mx = std::max(mx, r.Qty);
    ++count;
  }
  const double avg = sum / static_cast<double>(count);
  auto t3 = Clock::now();
  AOut.Sum = sum + 0 * (mn + mx + avg);
  // Group summaries over records already ordered by group, as the grouped record list is.
  std::vector<int> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rows[static_cast<size_t>(a)].Grp < rows[static_cast<size_t>(b)].Grp; });
  auto t4 = Clock::now();
  struct TAcc {
    double Sum = 0, Min = 1e300, Max = -1e300;
    long long Count = 0;
  };
  std::vector<TAcc> groups;
  for (size_t i = 0; i < order.size(); ++i) {
    const TFilterRow& r = rows[static_cast<size_t>(order[i])];
    if (i == 0 || r.Grp != rows[static_cast<size_t>(order[i - 1])].Grp) groups.emplace_back();
    TAcc& a = groups.back();
    a.Sum += r.Qty;
    a.Min = std::min(a.Min, r.Qty);
    a.Max = std::max(a.Max, r.Qty);
    ++a.Count;
  }
  auto t5 = Clock::now();
  AOut.Groups = groups.size();
  t.Like = Seconds(t0, t1);
  t.Criteria = Seconds(t1, t2);
  t.Footer = Seconds(t2, t3);
  t.Groups = Seconds(t4, t5);
  return t;
}

TFilterTimes RunFilterController(const std::vector<TFilterRow>& rows, const TFilterCounts& AExpected) {
  TFilterTimes t;
  const int N = static_cast<int>(rows.size());
  TBenchController c;
  for (int i = 0; i < 3; ++i) c.AddItem(&c.Items[i]);
  c.ChangeValueTypeClass(0, TvxStringValueType::Class());
  c.ChangeValueTypeClass(1, TvxFloatValueType::Class());
  c.ChangeValueTypeClass(2, TvxIntegerValueType::Class());
  c.BeginUpdate();
  TvxDataStorageHelper::SetRecordsCapacity(c.DataStorage(), N);
  c.SetRecordCount(N);
  for (int i = 0; i < N; ++i) {
    c.SetValue(i, 0, Variant(rows[static_cast<size_t>(i)].Name));
    c.SetValue(i, 1, Variant(rows[static_cast<size_t>(i)].Qty));
    c.SetValue(i, 2, Variant(rows[static_cast<size_t>(i)].Grp));
  }
  c.EndUpdate();
  TvxDataFilterCriteria* f = c.Filter();
  f->AddItem(nullptr, &c.Items[0], foLike, L"%abc%_", L"%abc%_");
  auto c0 = Clock::now();
  f->SetActive(true);
  auto c1 = Clock::now();
  if (c.FilteredRecordCount() != AExpected.Like)
    std::printf("LIKE filter kept %d records, the floor %lld\n", c.FilteredRecordCount(), AExpected.Like);
  f->BeginUpdate();
  f->AddItem(nullptr, &c.Items[1], foGreater, 100, L"100");
  f->AddItem(nullptr, &c.Items[2], foLess, 500, L"500");
  auto c2 = Clock::now();
  f->EndUpdate();
  auto c3 = Clock::now();
  if (c.FilteredRecordCount() != AExpected.Criteria)
    std::printf("criteria kept %d records, the floor %lld\n", c.FilteredRecordCount(), AExpected.Criteria);
  f->SetActive(false);
  TvxDataSummary* s = c.Summary();
  s->BeginUpdate();
  for (TvxSummaryKind k : {skSum, skMin, skMax, skCount, skAverage}) {
    s->FooterSummaryItems()->Add(&c.Items[1], spFooter, k);
    s->DefaultGroupSummaryItems()->Add(&c.Items[1], spGroup, k);
  }
  s->CancelUpdate();
  auto c4 = Clock::now();
  s->BeginCalculate();
  auto c5 = Clock::now();
  if (VarArrayGet(s->FooterSummaryValues(), {0}).AsDouble() != AExpected.Sum) std::printf("footer sum differs\n");
  c.Groups()->ChangeGrouping(2, 0);
  auto c6 = Clock::now();
  s->EndCalculate();
  auto c7 = Clock::now();
  if (static_cast<size_t>(c.DataControllerInfo()->DataGroups()->Count()) != AExpected.Groups)
    std::printf("group count differs\n");
  t.Like = Seconds(c0, c1);
  t.Criteria = Seconds(c2, c3);
  t.Footer = Seconds(c4, c5);
  t.Groups = Seconds(c6, c7);
  return t;
}

void RunFilterSummary(int N, int ARuns) {
  const std::vector<TFilterRow> rows = MakeFilterRows(N);
  TFilterTimes v, d;
  TFilterCounts counts;
  for (int run = 0; run < ARuns; ++run) {
    v.Min(RunFilterVector(rows, counts));
    d.Min(RunFilterController(rows, counts));
  }
  auto line = [N](const char* AName, double AD, double AV) {
    std::printf("n=%-8d %-9s %8.3f s  floor %8.4f s  ratio %7.1f  per record %7.3f us\n", N, AName, AD, AV, AD / AV,
                AD / N * 1e6);
  };
  line("like", d.Like, v.Like);
  line("criteria", d.Criteria, v.Criteria);
  line("footer", d.Footer, v.Footer);
  line("groups", d.Groups, v.Groups);
}

// --- Items added one by one --------------------------------------------------------------

// A control adds its columns one at a time: each becomes a field with a value definition of
// its own. Then every item is removed again, from the last. Floor: the same number of
// pointers pushed into a vector and a hash map.
class TItemsController : public TvxDataController {
  DECLARE_CLASS(TItemsController, TvxDataController)
 public:
  TItemsController() : TvxDataController(nullptr) {}
  TObject* GetItem(Integer Index) override { return Items.at(static_cast<size_t>(Index)); }
  std::vector<TObject*> Items;
};

void RunItems(int N, int ARuns) {
  double add = 1e9, remove = 1e9, floor = 1e9;
  for (int run = 0; run < ARuns; ++run) {
    std::vector<std::unique_ptr<TBenchItem>> items;
    for (int i = 0; i < N; ++i) items.push_back(std::make_unique<TBenchItem>());
    {
      TItemsController c;
      c.SetRecordCount(10);
      auto t0 = Clock::now();
      for (int i = 0; i < N; ++i) {
        c.Items.push_back(items[static_cast<size_t>(i)].get());
        c.AddItem(items[static_cast<size_t>(i)].get());
        c.ChangeValueTypeClass(i, TvxIntegerValueType::Class());
      }
      auto t1 = Clock::now();
      for (int i = N - 1; i >= 0; --i) {
        c.RemoveItem(items[static_cast<size_t>(i)].get());
        c.Items.pop_back();
      }
      auto t2 = Clock::now();
      add = std::min(add, Seconds(t0, t1));
      remove = std::min(remove, Seconds(t1, t2));
    }
    auto f0 = Clock::now();
    std::vector<TObject*> list;
    std::unordered_map<TObject*, int> index;
    for (int i = 0; i < N; ++i) {
      list.push_back(items[static_cast<size_t>(i)].get());
      index.emplace(items[static_cast<size_t>(i)].get(), i);
    }
    while (!list.empty()) {
      index.erase(list.back());
      list.pop_back();
    }
    floor = std::min(floor, Seconds(f0, Clock::now()));
  }
  std::printf("n=%-8d add      %8.4f s  remove %8.4f s  floor %8.5f s  per item %7.3f us add, %7.3f us remove\n", N,
              add, remove, floor, add / N * 1e6, remove / N * 1e6);
}

}  // namespace

int main() {
  TUnitScope units(SuiteDataUnits);
  std::printf("Data controller, unbound mode, four typed columns (Integer, Float, String, DateTime)\n");
  std::printf("floor: the same work on std::vector (push_back, std::sort, loops, std::find_if, one compaction)\n");
  std::printf("each figure: the least of several runs\n");
  Run(100000, 3);
  Run(1000000, 2);
  std::printf("\nFilter criteria and summaries: a string, a float and an integer column\n");
  std::printf("like: %%abc%%_ on the string column; criteria: that AND float > 100 AND integer < 500;\n");
  std::printf("footer: sum, min, max, count, average of the float column; groups: the same per group of\n");
  std::printf("the integer column (1000 groups), the records already grouped\n");
  std::printf("floor: loops over std::vector (std::wstring::find for the LIKE)\n");
  RunFilterSummary(100000, 3);
  RunFilterSummary(1000000, 2);
  std::printf("\nItems (columns) added one by one to a controller of 10 records, then removed from the last\n");
  RunItems(1000, 3);
  RunItems(10000, 2);
  return 0;
}
