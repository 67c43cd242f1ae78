// SyncObjs: synchronisation objects over the system's kernel objects.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>

#include "SysUtils.h"
#include "System.h"

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };

DECLARE_EXCEPTION(ESyncObjectException, Exception)

// The base of the lockable objects.
class TSynchroObject : public TObject {
  DECLARE_CLASS(TSynchroObject, TObject)
 public:
  virtual void Acquire() {}
  virtual void Release() {}
  virtual TWaitResult WaitFor(Cardinal Timeout = INFINITE);
};

// An object with a kernel handle that can be waited on.
class THandleObject : public TSynchroObject {
  DECLARE_CLASS(THandleObject, TSynchroObject)
 public:
  ~THandleObject() override;
  TWaitResult WaitFor(Cardinal Timeout = INFINITE) override;
  THandle Handle() const { return FHandle; }
  // The system error of the last wrError.
  Integer LastError() const { return FLastError; }

 protected:
  THandle FHandle = nullptr;
  Integer FLastError = 0;
};

// A kernel event. The default is manual reset, initially not signalled, unnamed.
class TEvent : public THandleObject {
  DECLARE_CLASS(TEvent, THandleObject)
 public:
  TEvent();
  TEvent(LPSECURITY_ATTRIBUTES EventAttributes, bool ManualReset, bool InitialState, const String& Name);
  void SetEvent();
  void ResetEvent();
};

class TSimpleEvent : public TEvent {
  DECLARE_CLASS(TSimpleEvent, TEvent)
 public:
  using TEvent::TEvent;
};

// A critical section: re-entrant for the thread that holds it.
class TCriticalSection : public TSynchroObject {
  DECLARE_CLASS(TCriticalSection, TSynchroObject)
 public:
  TCriticalSection();
  ~TCriticalSection() override;
  void Acquire() override;
  void Release() override;
  bool TryEnter();
  void Enter() { Acquire(); }
  void Leave() { Release(); }

 private:
  CRITICAL_SECTION FSection;
};

// Holds a synchronization object (a critical section, a mutex) for the life of the scope.
using TAcquireScope = TCallScope<TSynchroObject, &TSynchroObject::Acquire, &TSynchroObject::Release>;

// A counting semaphore. Acquire waits for a unit; Release returns units.
class TSemaphore : public THandleObject {
  DECLARE_CLASS(TSemaphore, THandleObject)
 public:
  explicit TSemaphore(Integer InitialCount = 0, Integer MaximumCount = 0x7FFFFFFF, const String& Name = String());
  void Acquire() override;
  void Release() override;
  // Returns the count before the release.
  Integer Release(Integer Count);
};

// A kernel mutex, re-entrant for its owner.
class TMutex : public THandleObject {
  DECLARE_CLASS(TMutex, THandleObject)
 public:
  explicit TMutex(bool InitialOwner = false, const String& Name = String());
  void Acquire() override;
  void Release() override;
};

// Many readers or one writer. Both kinds of lock are re-entrant; the writer may also
// read, and a reader may ask to write (it waits until the other readers leave). Writers
// get the lock in the order they asked for it.
// BeginWrite returns false when another writer changed the data while it waited with a
// read lock held (the reader's view may be stale).
class TMultiReadExclusiveWriteSynchronizer : public TObject {
  DECLARE_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject)
 public:
  void BeginRead();
  void EndRead();
  bool BeginWrite();
  void EndWrite();
  // Incremented by each outermost EndWrite.
  Cardinal RevisionLevel() const { return FRevisionLevel; }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  std::map<DWORD, Integer> FReaders;  // read depth per thread
  Integer FReadCount = 0;             // sum of the depths
  DWORD FWriter = 0;                  // thread holding the write lock
  Integer FWriteDepth = 0;
  Integer FWaitingWriters = 0;
  Integer FPromotingReads = 0;  // read depth held by threads waiting in BeginWrite
  Cardinal FRevisionLevel = 0;
  UInt64 FNextTicket = 0;  // writers' turn numbers
  UInt64 FServing = 0;
};
using TMREWSync = TMultiReadExclusiveWriteSynchronizer;
