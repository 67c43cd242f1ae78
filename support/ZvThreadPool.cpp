#include "ZvThreadPool.h"

#include <algorithm>

namespace {
// Holds a critical section for the life of the scope.
class TLocked {
 public:
  explicit TLocked(TCriticalSection& C) : FC(C) { FC.Acquire(); }
  ~TLocked() { FC.Release(); }
  TLocked(const TLocked&) = delete;
  TLocked& operator=(const TLocked&) = delete;

 private:
  TCriticalSection& FC;
};
}  // namespace

// ---------------------------------------------------------------------------------------
// TsemaphoreMailbox

TsemaphoreMailbox::TsemaphoreMailbox()
    : countSema(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr)) {
  if (!countSema) RaiseLastOSError();
}

TsemaphoreMailbox::~TsemaphoreMailbox() { CloseHandle(countSema); }

void TsemaphoreMailbox::push(TObject* aObject) {
  {
    TLocked lock(access);
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
  TLocked lock(access);
  pResObject = Pop();
  return true;
}

Integer TsemaphoreMailbox::Length() {
  TLocked lock(access);
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
  struct EndGuard {
    TZvWorkThread* T;
    ~EndGuard() {
      T->afterStop();
      if (T->FonDone) T->FonDone(nullptr);
    }
  } guard{this};
  for (;;) {
    TObject* obj = nullptr;
    if (!FworkQueue->pop(obj, INFINITE) || !obj) break;
    auto* work = static_cast<TZvWorkObject*>(obj);
    work->FWorkThread = this;
    work->FerrorMess.clear();
    work->FerrorLevel = psSuccess;
    try {
      work->doWork();
    } catch (Exception& E) {
      work->FerrorLevel = psAbend;
      work->FerrorMess = E.ClassName() + L":" + E.Message();
    } catch (...) {
      // Not of the runtime's family: the work still counts as done (and failed), then
      // the exception ends this worker.
      work->FerrorLevel = psAbend;
      if (FonDone) FonDone(work);
      throw;
    }
    if (FonDone) FonDone(work);
  }
}

// ---------------------------------------------------------------------------------------
// TZvAtomicCounter

bool TZvAtomicCounter::IncCounter() {
  TLocked lock(FLock);
  ++FCounter;
  if (FInterval > 0 && FCounter > FInterval) {
    FCounter = 0;
    return true;
  }
  return false;
}

void TZvAtomicCounter::DecCounter() {
  TLocked lock(FLock);
  --FCounter;
}

void TZvAtomicCounter::DecCounterEx(Int64 aMinValue) {
  TLocked lock(FLock);
  --FCounter;
  if (FCounter < aMinValue) FCounter = aMinValue;
}

Int64 TZvAtomicCounter::Value() {
  TLocked lock(FLock);
  return FCounter;
}

bool TZvAtomicCounter::IsZero() { return Value() <= 0; }

void TZvAtomicCounter::ResetCounter() {
  TLocked lock(FLock);
  FCounter = 0;
}

bool TZvAtomicCounter::TimerIntervalReached(TDateTime& aLastCommitDateTime, Integer aTimerIntervalSeconds) {
  TLocked lock(FLock);
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

TZvThreadPool::TZvThreadPool(Integer initialThreads, TZvWorkThreadClass threadClass)
    : FnumThreads(0),
      FrequestedNumThreads(initialThreads),
      FthreadClass(threadClass),
      // Unnamed: a name derived from the address could be opened by another process.
      FDoneEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  TLocked lock(FcountLock);
  for (Integer i = 0; i < initialThreads; ++i) AddWorker();
}

TZvThreadPool::~TZvThreadPool() {
  if (!FShutdownDone) DoShutDown(5);
  // Join every worker: none may touch the mailbox, the lock or the counter once they go.
  for (size_t i = 0; i < FWorkerHandles.size(); i += MAXIMUM_WAIT_OBJECTS) {
    const DWORD n = static_cast<DWORD>(std::min<size_t>(MAXIMUM_WAIT_OBJECTS, FWorkerHandles.size() - i));
    WaitForMultipleObjects(n, FWorkerHandles.data() + i, TRUE, INFINITE);
  }
  for (HANDLE h : FWorkerHandles) CloseHandle(h);
  CloseHandle(FDoneEvent);
}

void TZvThreadPool::AddWorker() {
  TZvWorkThread* worker = FthreadClass(&FworkQueue, [this](TObject* Sender) { WorkDone(Sender); });
  HANDLE h = nullptr;
  DuplicateHandle(GetCurrentProcess(), worker->Handle(), GetCurrentProcess(), &h, SYNCHRONIZE, FALSE, 0);
  if (h) FWorkerHandles.push_back(h);
  ++FnumThreads;
  worker->Launch();
}

void TZvThreadPool::WorkDone(TObject* Sender) {
  if (Sender) {
    // The work counts as done only once its completion handler has run, so that a
    // caller of WaitForDone sees every handler's results; the count goes down and the
    // waiter is woken also when the handler raises.
    struct TDone {
      TZvThreadPool* Pool;
      ~TDone() {
        Pool->FPendingWorkCounter.DecCounterEx(0);
        SetEvent(Pool->FDoneEvent);
      }
    } done{this};
    auto* work = static_cast<TZvWorkObject*>(Sender);
    if (work->onWorkCompleted) work->onWorkCompleted(Sender);
    return;
  }
  TNotifyEvent handler;
  {
    TLocked lock(FcountLock);
    if (--FnumThreads == 0) handler = FonShutdownComplete;
  }
  if (handler) handler(this);
}

void TZvThreadPool::queueWork(TZvWorkObject* work) {
  bool retire;
  {
    TLocked lock(FcountLock);
    if (FnumThreads < FrequestedNumThreads) AddWorker();
    retire = FrequestedNumThreads < FnumThreads;
  }
  if (retire) FworkQueue.push(nullptr);
  FPendingWorkCounter.IncCounter();
  FworkQueue.push(work);
}

bool TZvThreadPool::WaitForPending(Integer aMaxMin, Int64 bound, bool aIncThread) {
  const ULONGLONG minutes = aMaxMin < 0 ? 15 : static_cast<ULONGLONG>(aMaxMin);
  const ULONGLONG deadline = GetTickCount64() + minutes * 60 * 1000;
  ResetEvent(FDoneEvent);
  for (;;) {
    if (FPendingWorkCounter.Value() <= bound) return false;
    if (GetTickCount64() >= deadline) break;
    WaitForSingleObjectEx(FDoneEvent, 200, TRUE);
  }
  // Timed out. The pending count is left as it is: the jobs behind it are still queued
  // or running and will count themselves down when they finish.
  if (!aIncThread) return false;
  TLocked lock(FcountLock);
  ++FrequestedNumThreads;
  return true;
}

bool TZvThreadPool::WaitForDone(Integer aMaxMin, bool aIncThread) { return WaitForPending(aMaxMin, 0, aIncThread); }

bool TZvThreadPool::WaitForQueueingAvailable(Int64 aMaxPendingWorkCount, Integer aMaxMin, bool aIncThread) {
  return WaitForPending(aMaxMin, aMaxPendingWorkCount, aIncThread);
}

void TZvThreadPool::shutDown(TNotifyEvent onShutdownComplete) {
  {
    TLocked lock(FcountLock);
    FonShutdownComplete = onShutdownComplete;
  }
  // Queued work that never ran is discarded; it no longer counts as pending.
  TObject* obj = nullptr;
  while (FworkQueue.pop(obj, 0)) {
    if (obj) {
      FPendingWorkCounter.DecCounterEx(0);
      delete obj;
    }
    obj = nullptr;
  }
  Integer workers;
  {
    TLocked lock(FcountLock);
    workers = FnumThreads;
  }
  if (workers == 0) {
    if (onShutdownComplete) onShutdownComplete(this);
    return;
  }
  for (Integer i = 0; i < workers; ++i) FworkQueue.push(nullptr);
}

void TZvThreadPool::DoShutDown(Integer aMaxMin) {
  WaitForDone(aMaxMin, false);
  shutDown([this](TObject* Sender) { SetShutdownDone(Sender); });
  const ULONGLONG start = GetTickCount64();
  while (!FShutdownDone && GetTickCount64() - start < 6000) Sleep(100);
}

Int64 TZvThreadPool::GetQueueLength() { return FworkQueue.Length(); }

Int64 TZvThreadPool::GetNumThreads() {
  TLocked lock(FcountLock);
  return FnumThreads;
}
