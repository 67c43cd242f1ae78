// The background fetcher: queue rules, the stop/resume handshake under stress, and a
// worker that ends on an exception.
#include <gtest/gtest.h>

#include <atomic>

#include "ShellTestSupport.h"

using namespace shell_test;

namespace {
class TFetchProducer : public TvxCustomItemProducer {
 public:
  explicit TFetchProducer(TvxShellItemsInfoGatherer* G) : TvxCustomItemProducer(nullptr), Gatherer(G) {}
  ~TFetchProducer() override { ClearItems(); }
  bool CanRequestItemsInfo() override { return Request; }
  bool GetShowToolTip() override { return false; }
  DWORD GetEnumSettings() override { return SHCONTF_FOLDERS | SHCONTF_NONFOLDERS; }
  TvxShellItemsInfoGatherer* ItemsInfoGatherer() override { return Gatherer; }
  void NotifyUpdateItem(const TvxRequestItem&) override { ++Notified; }
  void CheckItemSubitems(TvxShellItemInfo* AItem) override {
    if (ThrowAt >= 0 && AItem == Items()[ThrowAt].get()) throw EvxShellError(L"worker fault");
  }
  void Open(const String& Path) {
    TvxPidl pidl = ParsePath(Path);
    IShellFolder* folder = vxShellBindFolder(pidl.get());
    ProcessItems(folder, pidl.get(), 0);
    folder->Release();
  }
  TvxShellItemsInfoGatherer* Gatherer;
  bool Request = false;
  Integer ThrowAt = -1;
  std::atomic<Integer> Notified{0};
};

struct FetchThreadTest : ::testing::Test {
  TTempTree Tree;
  void SetUp() override {
    for (int i = 0; i < 40; ++i) Tree.File(L"file" + std::to_wstring(100 + i) + L".txt");
  }
};

bool AllUpdated(TFetchProducer& P) {
  for (auto& i : P.Items())
    if (!i->Updated()) return false;
  return true;
}
}  // namespace

TEST_F(FetchThreadTest, QueueRules) {
  TvxShellItemsInfoGatherer g(nullptr);
  TFetchProducer a(&g), b(&g);
  g.StopFetch();  // keep the worker off the queue while it is inspected
  g.RequestItemInfo(&a, 1, false);
  g.RequestItemInfo(&b, 1, false);
  g.RequestItemInfo(&a, 2, false);
  g.RequestItemInfo(&a, 1, false);  // queued once
  ASSERT_EQ(3u, g.FetchQueue().size());
  g.RequestItemInfo(&a, 2, true);  // moves to the head
  EXPECT_EQ(2, g.FetchQueue()[0].ItemIndex);
  EXPECT_TRUE(g.FetchQueue()[0].Priority);
  g.ClearFetchQueue(&a);
  ASSERT_EQ(1u, g.FetchQueue().size());
  EXPECT_EQ(&b, g.FetchQueue()[0].ItemProducer);
  g.ResumeFetch();
  g.ResumeFetch();  // without a stop: nothing
  g.StopFetch();
  g.ClearFetchQueue(nullptr);
  EXPECT_TRUE(g.FetchQueue().empty());
  g.ResumeFetch();
}

TEST_F(FetchThreadTest, StopResumeAndPriorityStress) {
  TvxShellItemsInfoGatherer g(nullptr);
  TFetchProducer p(&g);
  p.Request = true;
  p.Open(Tree.Root());
  ASSERT_EQ(40u, p.Items().size());
  // While the worker fills items, the UI thread stops and resumes it (nested), reorders
  // the queue with priority requests and fills items itself: each item is filled once.
  for (int round = 0; round < 200; ++round) {
    g.StopFetch();
    g.StopFetch();
    for (size_t k = 0; k + 1 < g.FetchQueue().size(); ++k)
      ASSERT_FALSE(g.FetchQueue()[k].ItemIndex == g.FetchQueue()[k + 1].ItemIndex);
    g.ResumeFetch();
    g.RequestItemInfo(&p, (round * 7) % 40, round % 3 == 0);
    g.ResumeFetch();
    if (round % 10 == 0) {
      TvxProducerReadLock lock(&p);
      p.Items()[(round * 3) % 40]->CheckUpdate(p.ShellFolder(), p.FolderPidl(), false);
    }
  }
  EXPECT_TRUE(PumpUntil([&] { return AllUpdated(p); }, 10000));
  EXPECT_TRUE(PumpUntil([&] {
    g.StopFetch();
    bool empty = g.FetchQueue().empty();
    g.ResumeFetch();
    return empty;
  }));
  EXPECT_GE(p.Notified.load(), 40);
  EXPECT_TRUE(g.WorkerAlive());
}

TEST_F(FetchThreadTest, WorkerExceptionDoesNotHangStopOrDestroy) {
  auto g = std::make_unique<TvxShellItemsInfoGatherer>(nullptr);
  TFetchProducer p(g.get());
  p.ThrowAt = 0;
  p.Open(Tree.Root());
  g->RequestItemInfo(&p, 0, true);
  ASSERT_TRUE(PumpUntil([&] { return !g->WorkerAlive(); }));
  // The stop after the worker ended returns, the queue keeps its request, and the
  // gatherer still goes away.
  g->StopFetch();
  EXPECT_EQ(1u, g->FetchQueue().size());
  g->ResumeFetch();
  p.ClearItems();
  p.Gatherer = nullptr;
  g.reset();
  SUCCEED();
}
