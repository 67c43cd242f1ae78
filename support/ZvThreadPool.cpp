#include "ZvThreadPool.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// TsemaphoreMailbox

TsemaphoreMailbox::TsemaphoreMailbox()
    : countSema(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr)) {
  if (!countSema) RaiseLastOSError();
}

TsemaphoreMailbox::~TsemaphoreMailbox() { CloseHandle(countSema); }

void TsemaphoreMailbox::push(TObject* aObject) {
  {
    TAcquireScope lock(access);
    Push(aObject);
  }
  ReleaseSemaphore(countSema, 1, nullptr);
}

bool TsemaphoreMailbox::pop(TObject*& pResObject, DWORD timeout) {
  DWORD r;
  // An alertable wait also returns for queued I/O completion routines; wait again then.
  do {
    r = WaitForSingleObjectEx(countSema, timeout, TRUE);
  } while (r == WAIT_IO_COMPLETION);
  if (r != WAIT_OBJECT_0) return false;
  TAcquireScope lock(access);
  pResObject = Pop();
  return true;
}

Integer TsemaphoreMailbox::Length() {
  TAcquireScope lock(access);
  return Count();
}

// ---------------------------------------------------------------------------------------
// TZvWorkThread

TZvWorkThread::TZvWorkThread(TsemaphoreMailbox* workQueue, TNotifyEvent onDone)
    : TThread(true), FworkQueue(workQueue), FonDone(std::move(onDone)) {}

void TZvWorkThread::Launch() {
  SetPriority(tpLower);
  beforeStart();
  SetFreeOnTerminate(true);
  Start();
}

void TZvWorkThread::Execute() {
  // Whatever ends the loop, the pool is told that this worker is gone.
  TScopeExit ended([this] {
    afterStop();
    if (FonDone) FonDone(nullptr);
  });
  for (;;) {
    TObject* obj = nullptr;
    if (!FworkQueue->pop(obj, INFINITE) || !obj) break;
    auto* work = static_cast<TZvWorkObject*>(obj);
    work->FWorkThread = this;
    work->FerrorMess.clear();
    work->FerrorLevel = psSuccess;
    // An exception not of the runtime's family ends this worker, but the work still
    // counts as done (and failed) first.
    TScopeExit failed([this, work] {
      work->FerrorLevel = psAbend;
      if (FonDone) FonDone(work);
    });
    try {
      work->doWork();
    } catch (Exception& E) {
      work->FerrorLevel = psAbend;
      work->FerrorMess = E.ClassName() + L":" + E.Message();
    }
    failed.Dismiss();
    if (FonDone) FonDone(work);
  }
}

// ---------------------------------------------------------------------------------------
// TZvAtomicCounter

bool TZvAtomicCounter::IncCounter() {
  TAcquireScope lock(FLock);
  ++FCounter;
  if (FInterval > 0 && FCounter > FInterval) {
    FCounter = 0;
    return true;
  }
  return false;
}

void TZvAtomicCounter::DecCounter() {
  TAcquireScope lock(FLock);
  --FCounter;
}

void TZvAtomicCounter::DecCounterEx(Int64 aMinValue) {
  TAcquireScope lock(FLock);
  --FCounter;
  if (FCounter < aMinValue) FCounter = aMinValue;
}

Int64 TZvAtomicCounter::Value() {
  TAcquireScope lock(FLock);
  return FCounter;
}

bool TZvAtomicCounter::IsZero() { return Value() <= 0; }

void TZvAtomicCounter::ResetCounter() {
  TAcquireScope lock(FLock);
  FCounter = 0;
}

bool TZvAtomicCounter::TimerIntervalReached(TDateTime& aLastCommitDateTime, Integer aTimerIntervalSeconds) {
  TAcquireScope lock(FLock);
  const TDateTime now = Now();
  if (FCounter > 0 && aTimerIntervalSeconds > 0 &&
      (now - aLastCommitDateTime) * SecsPerDay > aTimerIntervalSeconds) {
    FCounter = 0;
    aLastCommitDateTime = now;
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// TZvThreadPool

struct TZvThreadPool::TShared {
  TShared() : doneEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~TShared() {
    for (HANDLE h : workerHandles) CloseHandle(h);
    CloseHandle(doneEvent);
  }
  // A worker's onDone: a finished work object, or nil when the worker ends.
  void WorkDone(TObject* Sender);

  TsemaphoreMailbox workQueue;
  TCriticalSection countLock;  // guards numThreads, requestedNumThreads, onShutdownComplete, workerHandles
  Integer numThreads = 0;
  Integer requestedNumThreads = 0;
  TNotifyEvent onShutdownComplete;
  std::vector<HANDLE> workerHandles;  // kept so that destruction can wait for the workers
  TZvAtomicCounter pendingWorkCounter{100000000};
  // Work that a timed-out wait gave up on: it still finishes some day and then counts
  // itself off here, not off the work queued after the wait.
  std::atomic<Int64> givenUp{0};
  std::atomic<bool> shutdownDone{false};
  // Unnamed: a name derived from the address could be opened by another process.
  HANDLE doneEvent;
};

void TZvThreadPool::TShared::WorkDone(TObject* Sender) {
  if (Sender) {
    // The work counts as done only once its completion handler has run, so that a
    // caller of WaitForDone sees every handler's results; the count goes down and the
    // waiter is woken also when the handler raises.
    TScopeExit done([this] {
      Int64 g = givenUp.load();
      while (g > 0 && !givenUp.compare_exchange_weak(g, g - 1)) {
      }
      if (g <= 0) pendingWorkCounter.DecCounterEx(0);
      SetEvent(doneEvent);
    });
    auto* work = static_cast<TZvWorkObject*>(Sender);
    if (work->onWorkCompleted) work->onWorkCompleted(Sender);
    return;
  }
  TNotifyEvent handler;
  {
    TAcquireScope lock(countLock);
    if (--numThreads == 0) handler = onShutdownComplete;
  }
  if (handler) handler(nullptr);
}

TZvThreadPool::TZvThreadPool(Integer initialThreads, TZvWorkThreadClass threadClass)
    : F(std::make_shared<TShared>()), FthreadClass(threadClass) {
  TAcquireScope lock(F->countLock);
  F->requestedNumThreads = initialThreads;
  for (Integer i = 0; i < initialThreads; ++i) AddWorker();
}

TZvThreadPool::~TZvThreadPool() {
  if (!F->shutdownDone) DoShutDown(5);
  std::vector<HANDLE> handles;
  {
    TAcquireScope lock(F->countLock);
    handles = F->workerHandles;
  }
  // Every worker has been told to end; wait for them, but not for ever.
  const ULONGLONG deadline = GetTickCount64() + JoinTimeout;
  size_t running = 0;
  for (HANDLE h : handles) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    if (WaitForSingleObject(h, left) != WAIT_OBJECT_0) ++running;
  }
  if (running > 0)
    OutputDebugStringW(Format(L"TZvThreadPool: %d worker(s) did not end and are left running",
                              {static_cast<Integer>(running)})
                           .c_str());
  // The workers still running keep the shared state alive through their references.
}

void TZvThreadPool::AddWorker() {
  std::shared_ptr<TShared> shared = F;
  TZvWorkThread* worker =
      FthreadClass(&F->workQueue, [shared](TObject* Sender) { shared->WorkDone(Sender); });
  HANDLE h = nullptr;
  DuplicateHandle(GetCurrentProcess(), worker->Handle(), GetCurrentProcess(), &h, SYNCHRONIZE, FALSE, 0);
  if (h) F->workerHandles.push_back(h);
  ++F->numThreads;
  worker->Launch();
}

void TZvThreadPool::queueWork(TZvWorkObject* work) {
  bool retire;
  {
    TAcquireScope lock(F->countLock);
    if (F->numThreads < F->requestedNumThreads) AddWorker();
    retire = F->requestedNumThreads < F->numThreads;
  }
  if (retire) F->workQueue.push(nullptr);
  F->pendingWorkCounter.IncCounter();
  F->workQueue.push(work);
}

bool TZvThreadPool::WaitForPending(Integer aMaxMin, Int64 bound, bool aIncThread) {
  const ULONGLONG minutes = aMaxMin < 0 ? 15 : static_cast<ULONGLONG>(aMaxMin);
  const ULONGLONG deadline = GetTickCount64() + minutes * 60 * 1000;
  ResetEvent(F->doneEvent);
  for (;;) {
    if (F->pendingWorkCounter.Value() <= bound) return false;
    if (GetTickCount64() >= deadline) break;
    WaitForSingleObjectEx(F->doneEvent, 200, TRUE);
  }
  // Timed out: give up on the work pending now, so that a stuck job costs this one wait
  // and not every later one. That work still counts itself off when it finishes.
  const Int64 pending = F->pendingWorkCounter.Value();
  F->givenUp += pending;
  F->pendingWorkCounter.ResetCounter();
  if (!aIncThread) return false;
  TAcquireScope lock(F->countLock);
  ++F->requestedNumThreads;
  return true;
}

bool TZvThreadPool::WaitForDone(Integer aMaxMin, bool aIncThread) { return WaitForPending(aMaxMin, 0, aIncThread); }

bool TZvThreadPool::WaitForQueueingAvailable(Int64 aMaxPendingWorkCount, Integer aMaxMin, bool aIncThread) {
  return WaitForPending(aMaxMin, aMaxPendingWorkCount, aIncThread);
}

void TZvThreadPool::shutDown(TNotifyEvent onShutdownComplete) {
  TZvThreadPool* pool = this;
  // The handler is told about this pool; it runs on the last worker's thread.
  TNotifyEvent handler;
  if (onShutdownComplete)
    handler = [pool, onShutdownComplete](TObject*) { onShutdownComplete(pool); };
  {
    TAcquireScope lock(F->countLock);
    F->onShutdownComplete = handler;
  }
  // Queued work that never ran is discarded; it no longer counts as pending.
  TObject* obj = nullptr;
  while (F->workQueue.pop(obj, 0)) {
    if (obj) {
      F->pendingWorkCounter.DecCounterEx(0);
      delete obj;
    }
    obj = nullptr;
  }
  Integer workers;
  {
    TAcquireScope lock(F->countLock);
    workers = F->numThreads;
  }
  if (workers == 0) {
    if (onShutdownComplete) onShutdownComplete(this);
    return;
  }
  for (Integer i = 0; i < workers; ++i) F->workQueue.push(nullptr);
}

void TZvThreadPool::DoShutDown(Integer aMaxMin) {
  WaitForDone(aMaxMin, false);
  // The flag lives in the shared state: a worker that ends after the pool is gone sets
  // it there, never in freed memory.
  TShared* shared = F.get();
  shutDown(nullptr);
  {
    TAcquireScope lock(F->countLock);
    if (F->numThreads == 0) F->shutdownDone = true;
    else F->onShutdownComplete = [shared](TObject*) { shared->shutdownDone = true; };
  }
  const ULONGLONG start = GetTickCount64();
  while (!F->shutdownDone && GetTickCount64() - start < 6000) Sleep(100);
}

Int64 TZvThreadPool::GetQueueLength() { return F->workQueue.Length(); }

Int64 TZvThreadPool::GetNumThreads() {
  TAcquireScope lock(F->countLock);
  return F->numThreads;
}

Int64 TZvThreadPool::pendingWorkCounter() { return F->pendingWorkCounter.Value(); }
