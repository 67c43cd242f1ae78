// Threads, calls marshalled to the main thread, and the synchronisation objects.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "Classes.h"
#include "SyncObjs.h"

namespace ZS_UNITY_ID {

namespace {

// A thread whose Execute is a function given by the test.
class TFuncThread : public TThread {
  DECLARE_CLASS(TFuncThread, TThread)
 public:
  TFuncThread(bool CreateSuspended, std::function<void(TFuncThread*)> Body)
      : TThread(CreateSuspended), FBody(std::move(Body)) {}
  ~TFuncThread() override {
    if (Started() && !Finished()) {
      Terminate();
      WaitFor();
    }
    if (Destroyed) *Destroyed = true;
  }
  using TThread::Queue;
  using TThread::Synchronize;
  std::atomic<bool>* Destroyed = nullptr;

 protected:
  void Execute() override { FBody(this); }

 private:
  std::function<void(TFuncThread*)> FBody;
};

// Runs the main-thread queue until Done or about five seconds pass.
bool PumpUntil(const std::function<bool()>& Done) {
  for (int i = 0; i < 500 && !Done(); ++i) CheckSynchronize(10);
  return Done();
}

}  // namespace

TEST(Threads, StartWaitAndReturnValue) {
  std::atomic<int> runs{0};
  std::atomic<DWORD> seenId{0};
  auto* T = new TFuncThread(true, [&](TFuncThread* Self) {
    ++runs;
    seenId = GetCurrentThreadId();
    EXPECT_EQ(TThread::CurrentThread(), Self);
    Self->SetReturnValue(42);
  });
  EXPECT_NE(T->Handle(), nullptr);
  Sleep(20);
  EXPECT_EQ(runs, 0);  // created suspended
  T->Start();
  EXPECT_EQ(T->WaitFor(), 42u);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(seenId, T->ThreadID());
  EXPECT_TRUE(T->Finished());
  EXPECT_EQ(T->FatalException(), nullptr);
  try {
    T->Start();
    ADD_FAILURE() << "no exception";
  } catch (const EThread& e) {
    EXPECT_EQ(e.Message(), L"Cannot call Start on a running or suspended thread");
  }
  delete T;
  EXPECT_EQ(TThread::CurrentThread(), nullptr);

  // Not suspended: starts once constructed through Create.
  TFuncThread* U = TThread::Create<TFuncThread>(false, [&](TFuncThread*) { ++runs; });
  U->WaitFor();
  EXPECT_EQ(runs, 2);
  delete U;
}

TEST(Threads, TerminateStopsALoopingThread) {
  std::atomic<int> spins{0};
  TFuncThread* T = TThread::Create<TFuncThread>(false, [&](TFuncThread* Self) {
    while (!Self->Terminated()) {
      ++spins;
      Sleep(1);
    }
  });
  T->SetPriority(tpLower);
  EXPECT_EQ(T->Priority(), tpLower);
  PumpUntil([&] { return spins > 3; });
  T->Terminate();
  T->WaitFor();
  EXPECT_GT(spins, 3);
  delete T;

  // A thread destroyed before it ever started never runs its Execute.
  std::atomic<bool> ran{false};
  delete new TFuncThread(true, [&](TFuncThread*) { ran = true; });
  EXPECT_FALSE(ran);
}

TEST(Threads, FatalExceptionIsCaptured) {
  struct Case { std::function<void()> raise; const wchar_t* message; TClass cls; };
  const Case cases[] = {
      {[] { throw EConvertError(L"bad number"); }, L"bad number", EConvertError::StaticClass()},
      {[] { throw std::runtime_error("plain failure"); }, L"plain failure", Exception::StaticClass()},
      {[] { throw 7; }, L"Unknown exception in thread", Exception::StaticClass()},
  };
  for (const Case& c : cases) {
    TFuncThread* T = TThread::Create<TFuncThread>(false, [&](TFuncThread*) { c.raise(); });
    T->WaitFor();
    ASSERT_NE(T->FatalException(), nullptr);
    EXPECT_EQ(T->FatalException()->Message(), c.message);
    EXPECT_EQ(T->FatalException()->ClassType(), c.cls);
    EXPECT_THROW(std::rethrow_exception(T->FatalExceptionPtr()), Exception);
    delete T;
  }
}

TEST(Threads, SynchronizeRunsOnTheMainThread) {
  ASSERT_EQ(GetCurrentThreadId(), MainThreadID);
  std::atomic<int> wakes{0};
  WakeMainThread = [&](TObject*) { ++wakes; };
  std::atomic<bool> done{false};
  DWORD ranOn = 0;
  String errorSeen;
  TFuncThread* T = TThread::Create<TFuncThread>(false, [&](TFuncThread* Self) {
    int local = 0;
    Self->Synchronize([&] { ranOn = GetCurrentThreadId(); local = 5; });
    EXPECT_EQ(local, 5);  // Synchronize waited for the call
    try {
      Self->Synchronize([] { throw EInvalidOperation(L"refused on main"); });
    } catch (const EInvalidOperation& e) {
      errorSeen = e.Message();  // the main thread's exception comes back here
    }
    try {
      CheckSynchronize(0);
    } catch (const EThread&) {
      local = 6;
    }
    EXPECT_EQ(local, 6);
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  T->WaitFor();
  delete T;
  WakeMainThread = nullptr;
  EXPECT_EQ(ranOn, MainThreadID);
  EXPECT_EQ(errorSeen, L"refused on main");
  EXPECT_EQ(wakes, 2);
  // On the main thread itself the call runs at once.
  int direct = 0;
  TThread::Synchronize(nullptr, [&] { direct = 1; });
  EXPECT_EQ(direct, 1);
  EXPECT_FALSE(CheckSynchronize(0));
}

TEST(Threads, QueuedCallsRunInOrderAndOnTerminateRunsInWaitFor) {
  std::vector<int> order;
  DWORD terminateOn = 0;
  TFuncThread* T = TThread::Create<TFuncThread>(true, [&](TFuncThread* Self) {
    for (int i = 1; i <= 3; ++i) Self->Queue([&order, i] { order.push_back(i); });
  });
  T->OnTerminate = [&](TObject* Sender) {
    EXPECT_EQ(Sender, T);
    terminateOn = GetCurrentThreadId();
  };
  T->Start();
  T->WaitFor();  // runs the queued calls and OnTerminate while waiting
  EXPECT_EQ(terminateOn, MainThreadID);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(CheckSynchronize(0));
  delete T;

  // Calls still queued by a thread that is destroyed are dropped.
  T = TThread::Create<TFuncThread>(false, [&](TFuncThread* Self) { Self->Queue([&order] { order.push_back(9); }); });
  WaitForSingleObject(T->Handle(), 5000);
  delete T;
  CheckSynchronize(0);
  EXPECT_EQ(order.size(), 3u);
}

TEST(Threads, FreeOnTerminateDeletesTheThread) {
  std::atomic<bool> destroyed{false};
  TSimpleEvent go;
  auto* T = new TFuncThread(true, [&](TFuncThread*) { go.WaitFor(5000); });
  T->Destroyed = &destroyed;
  T->SetFreeOnTerminate(true);
  T->Start();
  go.SetEvent();
  EXPECT_TRUE(PumpUntil([&] { return destroyed.load(); }));
}

TEST(SyncObjects, EventsWaitAndTimeOut) {
  TEvent manual;
  EXPECT_EQ(manual.WaitFor(10), wrTimeout);
  manual.SetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);  // manual reset stays set
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrTimeout);
  TEvent autoReset(nullptr, false, true, String());
  EXPECT_EQ(autoReset.WaitFor(0), wrSignaled);
  EXPECT_EQ(autoReset.WaitFor(0), wrTimeout);
  // Signalled from another thread.
  TSimpleEvent ev;
  TFuncThread* T = TThread::Create<TFuncThread>(false, [&](TFuncThread*) {
    Sleep(30);
    ev.SetEvent();
  });
  EXPECT_EQ(ev.WaitFor(5000), wrSignaled);
  T->WaitFor();
  delete T;
  // An abandoned mutex is reported as such.
  TMutex mutex;
  T = TThread::Create<TFuncThread>(false, [&](TFuncThread*) { mutex.Acquire(); });
  T->WaitFor();
  delete T;
  EXPECT_EQ(mutex.WaitFor(1000), wrAbandoned);
  mutex.Release();
}

TEST(SyncObjects, CriticalSectionAndSemaphore) {
  TCriticalSection cs;
  int counter = 0;
  std::vector<TFuncThread*> threads;
  for (int t = 0; t < 4; ++t)
    threads.push_back(TThread::Create<TFuncThread>(false, [&](TFuncThread*) {
      for (int i = 0; i < 10000; ++i) {
        cs.Enter();
        int v = counter;
        counter = v + 1;
        cs.Leave();
      }
    }));
  for (TFuncThread* T : threads) {
    T->WaitFor();
    delete T;
  }
  EXPECT_EQ(counter, 40000);
  // TryEnter fails while another thread holds the section.
  cs.Acquire();
  std::atomic<int> tried{-1};
  TFuncThread* T = TThread::Create<TFuncThread>(false, [&](TFuncThread*) { tried = cs.TryEnter() ? 1 : 0; });
  T->WaitFor();
  delete T;
  EXPECT_EQ(tried, 0);
  EXPECT_TRUE(cs.TryEnter());  // re-entrant for the holder
  cs.Release();
  cs.Release();

  TSemaphore sem(1, 2);
  EXPECT_EQ(sem.WaitFor(0), wrSignaled);
  EXPECT_EQ(sem.WaitFor(0), wrTimeout);
  EXPECT_EQ(sem.Release(2), 0);
  EXPECT_THROW(sem.Release(1), ESyncObjectException);  // above the maximum
}

TEST(SyncObjects, ReadersShareWritersExclude) {
  TMultiReadExclusiveWriteSynchronizer sync;
  sync.BeginRead();
  sync.BeginRead();  // re-entrant
  std::atomic<int> stage{0};
  TFuncThread* reader = TThread::Create<TFuncThread>(false, [&](TFuncThread*) {
    sync.BeginRead();  // other readers get in while only readers hold it
    stage = 1;
    sync.EndRead();
  });
  reader->WaitFor();
  delete reader;
  EXPECT_EQ(stage, 1);
  std::atomic<bool> writerAsking{false};
  TFuncThread* writer = TThread::Create<TFuncThread>(false, [&](TFuncThread*) {
    writerAsking = true;
    sync.BeginWrite();
    stage = 2;
    sync.EndWrite();
  });
  while (!writerAsking) Sleep(1);
  Sleep(200);  // let it reach the wait inside BeginWrite
  EXPECT_EQ(stage, 1);  // the writer waits for our reads
  // Promoting our read lock lets the waiting writer go first: the result says so.
  EXPECT_FALSE(sync.BeginWrite());
  EXPECT_EQ(stage, 2);
  EXPECT_TRUE(sync.BeginWrite());  // re-entrant write
  sync.BeginRead();                // the writer may read
  sync.EndRead();
  sync.EndWrite();
  sync.EndWrite();
  sync.EndRead();
  sync.EndRead();
  writer->WaitFor();
  delete writer;
  EXPECT_TRUE(sync.BeginWrite());
  sync.EndWrite();
}

}  // namespace ZS_UNITY_ID
