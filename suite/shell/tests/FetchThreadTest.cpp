// The background fetcher: queue rules, the stop/resume handshake under stress, and a
// worker that ends on an exception.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "ShellTestSupport.h"

namespace ZS_UNITY_ID {

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

// A real folder that counts, per item, the attribute reads that only the filling of an
// item's details makes (the drop-target and rename bits), and makes each last a moment
// so that two threads filling one item at once would overlap.
class TCountingFolder : public IShellFolder {
 public:
  explicit TCountingFolder(IShellFolder* AReal) : FReal(AReal) { FReal->AddRef(); }
  ~TCountingFolder() { FReal->Release(); }
  static constexpr ULONG DetailMask = 0x177;
  std::map<std::string, int> Fills() {
    std::lock_guard<std::mutex> lock(FLock);
    return FFills;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder)) {
      *ppv = static_cast<IShellFolder*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
  ULONG STDMETHODCALLTYPE Release() override { return --FRefs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND h, IBindCtx* b, LPWSTR n, ULONG* e, PIDLIST_RELATIVE* p,
                                             ULONG* a) override {
    return FReal->ParseDisplayName(h, b, n, e, p, a);
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND h, SHCONTF f, IEnumIDList** e) override {
    return FReal->EnumObjects(h, f, e);
  }
  HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE p, IBindCtx* b, REFIID r, void** v) override {
    return FReal->BindToObject(p, b, r, v);
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE p, IBindCtx* b, REFIID r, void** v) override {
    return FReal->BindToStorage(p, b, r, v);
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM l, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override {
    return FReal->CompareIDs(l, a, b);
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND h, REFIID r, void** v) override {
    return FReal->CreateViewObject(h, r, v);
  }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT c, PCUITEMID_CHILD_ARRAY a, SFGAOF* f) override {
    if (c == 1 && f && *f == DetailMask) {
      {
        std::lock_guard<std::mutex> lock(FLock);
        ++FFills[std::string(reinterpret_cast<const char*>(a[0]),
                             static_cast<size_t>(vxShellPidlSize(const_cast<PItemIDList>(a[0]))))];
      }
      Sleep(2);
    }
    return FReal->GetAttributesOf(c, a, f);
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND h, UINT c, PCUITEMID_CHILD_ARRAY a, REFIID r, UINT* x,
                                          void** v) override {
    return FReal->GetUIObjectOf(h, c, a, r, x, v);
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD p, SHGDNF f, STRRET* n) override {
    return FReal->GetDisplayNameOf(p, f, n);
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND h, PCUITEMID_CHILD p, LPCWSTR n, SHGDNF f, PITEMID_CHILD* o) override {
    return FReal->SetNameOf(h, p, n, f, o);
  }

 private:
  IShellFolder* FReal;
  std::atomic<ULONG> FRefs{1};
  std::mutex FLock;  // guards FFills
  std::map<std::string, int> FFills;
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
  // The queue is looked at now and then only: each look stops the worker for a moment,
  // and a loaded machine gives it few turns between looks made every few milliseconds.
  EXPECT_TRUE(PumpUntil([&] {
    Sleep(25);
    g.StopFetch();
    bool empty = g.FetchQueue().empty();
    g.ResumeFetch();
    return empty;
  }, 10000));
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

// The worker and three other threads fill the items of one folder at the same time, all
// in the same order: each item is filled by exactly one of them, and every item ends
// filled. Without the atomic claim two threads would both pass the "not yet filled"
// check and fill one item together (writing its fields at the same time).
TEST_F(FetchThreadTest, EachItemIsFilledByOneThreadOnly) {
  TvxShellItemsInfoGatherer g(nullptr);
  TFetchProducer p(&g);
  TvxPidl pidl = ParsePath(Tree.Root());
  IShellFolder* real = vxShellBindFolder(pidl.get());
  ASSERT_TRUE(real);
  TCountingFolder folder(real);
  real->Release();
  g.StopFetch();  // the worker starts with the other threads
  p.Request = true;
  p.ProcessItems(&folder, pidl.get(), 0);
  ASSERT_EQ(40u, p.Items().size());
  std::atomic<bool> go{false};
  auto fillAll = [&] {
    bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    while (!go) std::this_thread::yield();
    for (size_t i = 0; i < 40; ++i) {
      TvxProducerReadLock lock(&p);
      p.Items()[i]->CheckUpdate(p.ShellFolder(), p.FolderPidl(), false);
    }
    if (com) CoUninitialize();
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) threads.emplace_back(fillAll);
  go = true;
  g.ResumeFetch();
  fillAll();
  for (auto& t : threads) t.join();
  EXPECT_TRUE(PumpUntil([&] { return AllUpdated(p); }, 10000));
  g.StopFetch();
  g.ClearFetchQueue(&p);
  g.ResumeFetch();
  auto fills = folder.Fills();
  EXPECT_EQ(40u, fills.size());
  for (auto& [item, n] : fills) EXPECT_EQ(1, n);
  p.ClearItems();
}

// The worker's filling of one queued request, called on its own: the item is read and
// reported once; a request whose row is gone is dropped unreported.
TEST_F(FetchThreadTest, AQueuedRequestIsFilledAndReportedByItsOwnRoutine) {
  TvxShellItemsInfoGatherer g(nullptr);
  TFetchProducer p(&g);
  p.Open(Tree.Root());
  g.StopFetch();
  TScopeExit resume([&g] { g.ResumeFetch(); });
  ASSERT_GT(p.Items().size(), 3u);
  ASSERT_FALSE(p.Items()[3]->Updated());
  vxShellFetchQueuedItem(&g, TvxRequestItem{3, &p, true});
  EXPECT_TRUE(p.Items()[3]->Updated());
  EXPECT_GE(p.Items()[3]->IconIndex(), 0);
  EXPECT_EQ(1, p.Notified.load());
  vxShellFetchQueuedItem(&g, TvxRequestItem{static_cast<Integer>(p.Items().size()), &p, true});
  EXPECT_EQ(1, p.Notified.load());
}

}  // namespace ZS_UNITY_ID
