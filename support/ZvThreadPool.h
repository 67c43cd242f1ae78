// A small producer/consumer framework: a first-in first-out object mailbox counted by a
// semaphore, worker threads that run work objects taken from it, a pool that owns the
// mailbox and a changing number of workers and can wait for pending work, and the
// lock-protected 64-bit counter the pool counts pending work with.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Contnrs.h"
#include "SyncObjs.h"

// An object queue whose length is mirrored by a semaphore: push adds one unit, a
// successful pop takes one.
class TsemaphoreMailbox : public TObjectQueue {
  DECLARE_CLASS(TsemaphoreMailbox, TObjectQueue)
 public:
  TsemaphoreMailbox();
  ~TsemaphoreMailbox() override;
  // Appends aObject (nil allowed) and releases the semaphore by one.
  virtual void push(TObject* aObject);
  // Waits up to timeout milliseconds (INFINITE allowed) for an object; False when none
  // came in time (pResObject unchanged), else the oldest object in pResObject.
  virtual bool pop(TObject*& pResObject, DWORD timeout);
  HANDLE semaHandle() const { return countSema; }
  Integer Length();

 private:
  HANDLE countSema;
  TCriticalSection access;
};

enum TZvProcStatus { psSuccess, psWarning, psAbort, psAbend };

class TZvWorkThread;

// One piece of work run by a worker.
class TZvWorkObject : public TObject {
  DECLARE_CLASS(TZvWorkObject, TObject)
 public:
  virtual void doWork() = 0;
  const String& errorMess() const { return FerrorMess; }
  TZvProcStatus errorlevel() const { return FerrorLevel; }
  TZvWorkThread* workThread() const { return FWorkThread; }
  // Called on the worker's thread when the work is done (Sender: the work object);
  // typically frees the object.
  TNotifyEvent onWorkCompleted;

 private:
  friend class TZvWorkThread;
  TZvWorkThread* FWorkThread = nullptr;
  TZvProcStatus FerrorLevel = psSuccess;
  String FerrorMess;
};

// A worker: pops work objects from a mailbox and runs them until it pops nil. Runs at
// lower than normal priority and frees itself when it ends.
class TZvWorkThread : public TThread {
  DECLARE_CLASS(TZvWorkThread, TThread)
 public:
  // onDone is called with each finished work object, and with nil when the worker ends.
  // The thread is created suspended; Launch starts it.
  TZvWorkThread(TsemaphoreMailbox* workQueue, TNotifyEvent onDone);
  // Creates a suspended worker of class T, ready for Launch.
  template <class T>
  static TZvWorkThread* New(TsemaphoreMailbox* workQueue, TNotifyEvent onDone) {
    return new T(workQueue, std::move(onDone));
  }
  // Lowers the priority, calls beforeStart, sets free-on-terminate and starts the thread.
  void Launch();
  virtual void beforeStart() {}
  virtual void afterStop() {}

 protected:
  void Execute() override;

 private:
  TsemaphoreMailbox* FworkQueue;
  TNotifyEvent FonDone;
};

// A worker class: creates a suspended worker of some TZvWorkThread class
// (TZvWorkThread::New<T>).
using TZvWorkThreadClass = TZvWorkThread* (*)(TsemaphoreMailbox* workQueue, TNotifyEvent onDone);

// A 64-bit counter; every operation holds the counter's lock.
class TZvAtomicCounter : public TObject {
  DECLARE_CLASS(TZvAtomicCounter, TObject)
 public:
  explicit TZvAtomicCounter(Int64 aInterval) : FInterval(aInterval) {}
  // Adds one; when an interval is set and the counter passes it, resets to 0 and
  // answers True.
  bool IncCounter();
  void DecCounter();
  // Subtracts one, then raises the value to aMinValue when below it.
  void DecCounterEx(Int64 aMinValue);
  Int64 Value();
  bool IsZero();
  void ResetCounter();
  // True (and the counter reset, aLastCommitDateTime := now) when the counter is
  // positive and more than aTimerIntervalSeconds have passed since aLastCommitDateTime.
  bool TimerIntervalReached(TDateTime& aLastCommitDateTime, Integer aTimerIntervalSeconds);

 private:
  Int64 FInterval;
  Int64 FCounter = 0;
  TCriticalSection FLock;
};

// A pool of workers fed through one mailbox.
class TZvThreadPool : public TObject {
  DECLARE_CLASS(TZvThreadPool, TObject)
 public:
  TZvThreadPool(Integer initialThreads, TZvWorkThreadClass threadClass = &TZvWorkThread::New<TZvWorkThread>);
  // Shuts the pool down (unless done already) and waits a bounded time for every worker
  // to end. A worker that does not end (stuck in its work) is reported to the debugger
  // output and left running: what it uses stays alive until it ends.
  ~TZvThreadPool() override;

  // Queues work; adds a worker when more are wanted, retires one when fewer are.
  void queueWork(TZvWorkObject* work);
  // Waits until no work is pending; True when the wait timed out and aIncThread asked
  // for one more worker. aMaxMin: minutes, negative for 15. A wait that times out gives
  // up on the work pending then: later waits count only the work queued after it.
  bool WaitForDone(Integer aMaxMin, bool aIncThread);
  // Waits until at most aMaxPendingWorkCount jobs are pending.
  bool WaitForQueueingAvailable(Int64 aMaxPendingWorkCount, Integer aMaxMin, bool aIncThread);
  // Discards the queued work (freeing it) and tells every worker to end;
  // onShutdownComplete runs on the last worker's thread.
  void shutDown(TNotifyEvent onShutdownComplete);
  // Waits for pending work, shuts down and waits (up to 6 seconds) for the workers.
  void DoShutDown(Integer aMaxMin);
  Int64 GetQueueLength();
  Int64 GetNumThreads();
  Integer numberOfWorkThreads() { return static_cast<Integer>(GetNumThreads()); }
  Int64 pendingWorkCounter();

  // How long destruction waits for the workers after the shutdown, in milliseconds.
  static inline DWORD JoinTimeout = 2000;

 private:
  // Everything a worker touches. Each worker holds a reference, so a worker that
  // outlives the pool never uses freed memory.
  struct TShared;
  bool WaitForPending(Integer aMaxMin, Int64 bound, bool aIncThread);
  void AddWorker();  // F->countLock held

  std::shared_ptr<TShared> F;
  TZvWorkThreadClass FthreadClass;
};
