// The background fetcher's queue at 10^4 and 10^5 requests: queuing every item of a
// folder (what a list or a node does after reading a folder), asking for each again
// first in line (rows scrolled into view), and the worker draining the queue, beside a
// bare std::deque doing the same number of pushes and pops. Per-request costs at both
// sizes show the growth.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "Forms.h"
#include "vxShellCommon.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

// A producer without items: the worker finds every request beyond its list and moves on,
// so draining the queue times the queue itself.
class TEmptyProducer : public TvxCustomItemProducer {
 public:
  explicit TEmptyProducer(TvxShellItemsInfoGatherer* G) : TvxCustomItemProducer(nullptr), FGatherer(G) {}
  ~TEmptyProducer() override { ClearItems(); }
  bool CanRequestItemsInfo() override { return true; }
  bool GetShowToolTip() override { return false; }
  DWORD GetEnumSettings() override { return 0; }
  TvxShellItemsInfoGatherer* ItemsInfoGatherer() override { return FGatherer; }
  void NotifyUpdateItem(const TvxRequestItem&) override {}

 private:
  TvxShellItemsInfoGatherer* FGatherer;
};

struct TFigures {
  double Queue, Priority, Drain, Floor;
};

TFigures Run(int N) {
  TFigures f{};
  TvxShellItemsInfoGatherer g(nullptr);
  TEmptyProducer p(&g);
  g.StopFetch();
  auto t0 = Clock::now();
  for (int i = 0; i < N; ++i) g.RequestItemInfo(&p, i, false);
  auto t1 = Clock::now();
  // Rows shown from the bottom up, each asked for first in line (every one already queued).
  for (int i = N - 1; i >= 0; --i) g.RequestItemInfo(&p, i, true);
  auto t2 = Clock::now();
  g.ResumeFetch();
  for (;;) {
    g.StopFetch();
    const bool empty = g.FetchQueue().empty();
    g.ResumeFetch();
    if (empty) break;
    // Each look stops the worker for a moment: look seldom.
    Sleep(20);
  }
  auto t3 = Clock::now();
  f.Queue = Micro(t0, t1);
  f.Priority = Micro(t1, t2);
  f.Drain = Micro(t2, t3);
  // The floor: the same pushes to the back, pushes to the front and pops of a bare deque.
  auto u0 = Clock::now();
  std::deque<TvxRequestItem> d;
  for (int i = 0; i < N; ++i) d.push_back(TvxRequestItem{i, &p, false});
  for (int i = N - 1; i >= 0; --i) d.push_front(TvxRequestItem{i, &p, true});
  volatile Integer sink = 0;
  while (!d.empty()) {
    sink = sink + d.front().ItemIndex;
    d.pop_front();
  }
  f.Floor = Micro(u0, Clock::now());
  return f;
}

}  // namespace

// Called by the bench program's main with the unit start-up done.
void FetchQueueBench(int argc, char** argv) {
  // A smaller first size may be given (the second is always ten times the first).
  int sizes[] = {10000, 100000};
  if (argc > 1 && std::atoi(argv[1]) > 0) sizes[1] = 10 * (sizes[0] = std::atoi(argv[1]));
  TFigures f[2];
  for (int i = 0; i < 2; ++i) f[i] = Run(sizes[i]);
  std::printf("fetch queue (microseconds per request)\n");
  std::printf("%-40s %12d %12d %10s\n", "operation", sizes[0], sizes[1], "growth");
  auto line = [&](const char* name, double a, double b) {
    double pa = a / sizes[0], pb = b / sizes[1];
    std::printf("%-40s %12.3f %12.3f %10.2f\n", name, pa, pb, pb / pa);
  };
  line("queue every item", f[0].Queue, f[1].Queue);
  line("ask for each again first in line", f[0].Priority, f[1].Priority);
  line("worker drains the queue", f[0].Drain, f[1].Drain);
  line("floor: bare deque, same pushes and pops", f[0].Floor, f[1].Floor);
  std::printf("growth is the per-request cost at the larger size over that at the smaller: 1 for linear work\n");
}
