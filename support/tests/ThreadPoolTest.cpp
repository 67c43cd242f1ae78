#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ZvThreadPool.h"

namespace ZS_UNITY_ID {

namespace {

DECLARE_EXCEPTION(EFooError, Exception)

// A job that records its number and thread, optionally waits for a gate, optionally raises.
struct Journal {
  std::mutex Lock;
  std::vector<int> Order;
  std::vector<DWORD> Threads;
  std::atomic<int> Freed{0};
};

class TJob : public TZvWorkObject {
  DECLARE_CLASS(TJob, TZvWorkObject)
 public:
  TJob(Journal& J, int N, HANDLE Gate = nullptr, bool Raise = false) : FJ(J), FN(N), FGate(Gate), FRaise(Raise) {}
  ~TJob() override { ++FJ.Freed; }
  void doWork() override {
    if (FGate) WaitForSingleObject(FGate, 10000);
    {
      std::lock_guard<std::mutex> g(FJ.Lock);
      FJ.Order.push_back(FN);
      FJ.Threads.push_back(GetCurrentThreadId());
    }
    if (FRaise) throw EFooError(L"bar");
  }

 private:
  Journal& FJ;
  int FN;
  HANDLE FGate;
  bool FRaise;
};

struct Gate {
  HANDLE H = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Gate() { CloseHandle(H); }
  void Open() { SetEvent(H); }
};

TZvWorkObject* Job(Journal& J, int N, HANDLE G = nullptr, bool Raise = false) {
  auto* w = new TJob(J, N, G, Raise);
  w->onWorkCompleted = [](TObject* Sender) { delete Sender; };
  return w;
}

}  // namespace

TEST(ThreadPool, OneWorkerRunsJobsOneAtATimeInQueueOrder) {
  Journal j;
  TZvThreadPool pool(1);
  for (int i = 0; i < 50; ++i) pool.queueWork(Job(j, i));
  EXPECT_FALSE(pool.WaitForDone(1, false));
  EXPECT_EQ(pool.pendingWorkCounter(), 0);
  ASSERT_EQ(j.Order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(j.Order[i], i);
  for (DWORD t : j.Threads) EXPECT_EQ(t, j.Threads[0]);
  EXPECT_NE(j.Threads[0], GetCurrentThreadId());
  EXPECT_EQ(j.Freed, 50);
}

TEST(ThreadPool, ATimedOutWaitGivesUpOnThePendingWorkAndCanAskForAWorker) {
  Journal j;
  Gate gate;
  TZvThreadPool pool(1);
  pool.queueWork(Job(j, 1, gate.H));  // stuck until the gate opens
  pool.queueWork(Job(j, 2));
  EXPECT_FALSE(pool.WaitForQueueingAvailable(1, 0, false));
  // The wait gave up on both jobs: a later wait does not sit out its whole bound again
  // for work that a stuck worker holds.
  EXPECT_EQ(pool.pendingWorkCounter(), 0);
  const ULONGLONG t0 = GetTickCount64();
  EXPECT_FALSE(pool.WaitForQueueingAvailable(1, 1, false));
  EXPECT_LT(GetTickCount64() - t0, 30000u);

  // With aIncThread the time-out asks for one more worker, started by the next queueWork.
  pool.queueWork(Job(j, 3, gate.H));
  EXPECT_TRUE(pool.WaitForDone(0, true));
  EXPECT_EQ(pool.numberOfWorkThreads(), 1);
  pool.queueWork(Job(j, 4));
  EXPECT_EQ(pool.numberOfWorkThreads(), 2);
  EXPECT_EQ(pool.pendingWorkCounter(), 1);

  // The given-up jobs count themselves off as they finish, not the work queued after.
  gate.Open();
  EXPECT_FALSE(pool.WaitForDone(1, false));
  EXPECT_EQ(pool.pendingWorkCounter(), 0);
  std::lock_guard<std::mutex> g(j.Lock);
  EXPECT_NE(std::find(j.Order.begin(), j.Order.end(), 4), j.Order.end());
}

TEST(ThreadPool, ShutdownDiscardsQueuedJobsAndEndsEveryWorker) {
  Journal j;
  Gate gate;
  std::atomic<int> handlerCalls{0};
  std::atomic<DWORD> handlerThread{0};
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    TZvThreadPool pool(2);
    pool.queueWork(Job(j, 0, gate.H));
    pool.queueWork(Job(j, 1, gate.H));
    while (pool.GetQueueLength() > 0) Sleep(5);  // both workers hold a blocked job
    for (int i = 2; i < 5; ++i) pool.queueWork(Job(j, i));
    EXPECT_EQ(pool.pendingWorkCounter(), 5);
    pool.shutDown([&](TObject*) {
      ++handlerCalls;
      handlerThread = GetCurrentThreadId();
      SetEvent(done);
    });
    EXPECT_EQ(j.Freed, 3);  // the queued ones, never run
    EXPECT_EQ(pool.pendingWorkCounter(), 2);
    gate.Open();
    EXPECT_EQ(WaitForSingleObject(done, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(pool.numberOfWorkThreads(), 0);
  }
  CloseHandle(done);
  EXPECT_EQ(handlerCalls, 1);
  EXPECT_NE(handlerThread, GetCurrentThreadId());
  std::vector<int> ran = j.Order;
  std::sort(ran.begin(), ran.end());
  EXPECT_EQ(ran, (std::vector<int>{0, 1}));
  EXPECT_EQ(j.Freed, 5);
}

TEST(ThreadPool, WaitForDoneReturnsAfterTheCompletionHandlersRan) {
  // A slow completion handler: the wait must not end between the job's end and the
  // handler's end, or the caller reads results that are not there yet.
  Journal j;
  TZvThreadPool pool(2);
  std::atomic<int> handled{0};
  for (int i = 0; i < 4; ++i) {
    auto* w = new TJob(j, i);
    w->onWorkCompleted = [&](TObject* Sender) {
      Sleep(150);
      ++handled;
      delete Sender;
    };
    pool.queueWork(w);
  }
  pool.WaitForDone(1, false);
  EXPECT_EQ(handled.load(), 4);
  EXPECT_EQ(pool.pendingWorkCounter(), 0);
}

TEST(ThreadPool, JobThatRaisesIsRecordedAsFailureAndTheWorkerGoesOn) {
  Journal j;
  TZvThreadPool pool(1);
  std::vector<std::pair<TZvProcStatus, String>> results;
  std::mutex lock;
  for (int i = 0; i < 2; ++i) {
    auto* w = new TJob(j, i, nullptr, i == 0);
    w->onWorkCompleted = [&](TObject* Sender) {
      auto* work = static_cast<TZvWorkObject*>(Sender);
      std::lock_guard<std::mutex> g(lock);
      results.emplace_back(work->errorlevel(), work->errorMess());
      delete work;
    };
    pool.queueWork(w);
  }
  pool.WaitForDone(1, false);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].first, psAbend);
  EXPECT_EQ(results[0].second, L"EFooError:bar");
  EXPECT_EQ(results[1].first, psSuccess);
  EXPECT_EQ(results[1].second, L"");
}

namespace {
std::atomic<int> SlowWorkersGone{0};

// A worker whose own teardown, after it has told the pool it ends, takes a while.
class TSlowEndWorker : public TZvWorkThread {
  DECLARE_CLASS(TSlowEndWorker, TZvWorkThread)
 public:
  using TZvWorkThread::TZvWorkThread;
  ~TSlowEndWorker() override {
    Sleep(150);
    ++SlowWorkersGone;
  }
};
}  // namespace

TEST(ThreadPool, DestructionWaitsForTheWorkersToEnd) {
  Journal j;
  SlowWorkersGone = 0;
  {
    TZvThreadPool pool(3, &TZvWorkThread::New<TSlowEndWorker>);
    for (int i = 0; i < 6; ++i) pool.queueWork(Job(j, i));
  }
  // Every job ran before the pool went, and every worker had ended.
  EXPECT_EQ(j.Order.size(), 6u);
  EXPECT_EQ(j.Freed, 6);
  EXPECT_EQ(SlowWorkersGone, 3);
}

TEST(ThreadPool, DestructionDoesNotWaitForEverForAStuckWorker) {
  Journal j;
  Gate gate;
  TValueScope<DWORD> join(TZvThreadPool::JoinTimeout, 200);
  HANDLE destroyed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto pool = std::make_unique<TZvThreadPool>(1);
  pool->queueWork(Job(j, 1, gate.H));
  while (pool->GetQueueLength() > 0) Sleep(5);  // the worker holds the stuck job
  EXPECT_FALSE(pool->WaitForDone(0, false));    // gives up on it: no 5-minute wait below
  std::thread destroyer([&] {
    pool.reset();
    SetEvent(destroyed);
  });
  const bool returned = WaitForSingleObject(destroyed, 30000) == WAIT_OBJECT_0;
  EXPECT_TRUE(returned) << "the pool's destruction waits for the stuck worker";
  // The worker ends after its pool is gone, without touching freed memory.
  gate.Open();
  destroyer.join();
  CloseHandle(destroyed);
  for (int i = 0; i < 200 && j.Freed < 1; ++i) Sleep(10);
  EXPECT_EQ(j.Order, (std::vector<int>{1}));
  EXPECT_EQ(j.Freed, 1);
}

TEST(AtomicCounter, IntervalDecrementAndTimer) {
  TZvAtomicCounter c3(3);
  EXPECT_FALSE(c3.IncCounter());
  EXPECT_FALSE(c3.IncCounter());
  EXPECT_FALSE(c3.IncCounter());
  EXPECT_TRUE(c3.IncCounter());  // the fourth passes the interval of 3
  EXPECT_EQ(c3.Value(), 0);
  TZvAtomicCounter never(0);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(never.IncCounter());
  EXPECT_EQ(never.Value(), 10);

  TZvAtomicCounter z(0);
  z.DecCounterEx(0);
  EXPECT_EQ(z.Value(), 0);
  EXPECT_TRUE(z.IsZero());
  z.DecCounter();
  EXPECT_EQ(z.Value(), -1);
  EXPECT_TRUE(z.IsZero());

  TZvAtomicCounter t(0);
  TDateTime last = Now() - 10.0 / SecsPerDay;
  EXPECT_FALSE(t.TimerIntervalReached(last, 5));  // nothing counted
  t.IncCounter();
  EXPECT_FALSE(t.TimerIntervalReached(last, 60));
  EXPECT_TRUE(t.TimerIntervalReached(last, 5));
  EXPECT_EQ(t.Value(), 0);
  EXPECT_GT(last, Now() - 1.0 / SecsPerDay);
}

}  // namespace ZS_UNITY_ID
