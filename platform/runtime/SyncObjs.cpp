#include "SyncObjs.h"

TWaitResult TSynchroObject::WaitFor(Cardinal) { return wrError; }

THandleObject::~THandleObject() {
  if (FHandle) CloseHandle(FHandle);
}

TWaitResult THandleObject::WaitFor(Cardinal Timeout) {
  switch (WaitForSingleObject(FHandle, Timeout)) {
    case WAIT_OBJECT_0: return wrSignaled;
    case WAIT_TIMEOUT: return wrTimeout;
    case WAIT_ABANDONED: return wrAbandoned;
    default:
      FLastError = static_cast<Integer>(GetLastError());
      return wrError;
  }
}

namespace {
[[noreturn]] void RaiseCreateError(const wchar_t* What) {
  DWORD Code = GetLastError();
  throw ESyncObjectException(L"Cannot create %s (system error %d)", {What, static_cast<long long>(Code)});
}
}  // namespace

TEvent::TEvent() : TEvent(nullptr, true, false, String()) {}

TEvent::TEvent(LPSECURITY_ATTRIBUTES EventAttributes, bool ManualReset, bool InitialState, const String& Name) {
  FHandle = CreateEventW(EventAttributes, ManualReset, InitialState, Name.empty() ? nullptr : Name.c_str());
  if (!FHandle) RaiseCreateError(L"event");
}

void TEvent::SetEvent() { ::SetEvent(FHandle); }
void TEvent::ResetEvent() { ::ResetEvent(FHandle); }

TCriticalSection::TCriticalSection() { InitializeCriticalSection(&FSection); }
TCriticalSection::~TCriticalSection() { DeleteCriticalSection(&FSection); }
void TCriticalSection::Acquire() { EnterCriticalSection(&FSection); }
void TCriticalSection::Release() { LeaveCriticalSection(&FSection); }
bool TCriticalSection::TryEnter() { return TryEnterCriticalSection(&FSection) != FALSE; }

TSemaphore::TSemaphore(Integer InitialCount, Integer MaximumCount, const String& Name) {
  FHandle = CreateSemaphoreW(nullptr, InitialCount, MaximumCount, Name.empty() ? nullptr : Name.c_str());
  if (!FHandle) RaiseCreateError(L"semaphore");
}

void TSemaphore::Acquire() { WaitFor(INFINITE); }
void TSemaphore::Release() { Release(1); }

Integer TSemaphore::Release(Integer Count) {
  LONG Previous = 0;
  if (!ReleaseSemaphore(FHandle, Count, &Previous)) {
    DWORD Code = GetLastError();
    throw ESyncObjectException(L"Cannot release semaphore (system error %d)", {static_cast<long long>(Code)});
  }
  return static_cast<Integer>(Previous);
}

TMutex::TMutex(bool InitialOwner, const String& Name) {
  FHandle = CreateMutexW(nullptr, InitialOwner, Name.empty() ? nullptr : Name.c_str());
  if (!FHandle) RaiseCreateError(L"mutex");
}

void TMutex::Acquire() { WaitFor(INFINITE); }
void TMutex::Release() { ReleaseMutex(FHandle); }

// ---------------------------------------------------------------------------------------
// TMultiReadExclusiveWriteSynchronizer

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  const DWORD Me = GetCurrentThreadId();
  std::unique_lock<std::mutex> Lock(FLock);
  auto it = FReaders.find(Me);
  // A thread that already reads or writes goes on at once; others give way to writers.
  if (FWriter != Me && it == FReaders.end())
    FChanged.wait(Lock, [&] { return FWriter == 0 && FWaitingWriters == 0; });
  ++FReaders[Me];
  ++FReadCount;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  const DWORD Me = GetCurrentThreadId();
  std::lock_guard<std::mutex> Lock(FLock);
  auto it = FReaders.find(Me);
  if (it == FReaders.end()) return;  // not reading: nothing to end
  if (--it->second == 0) FReaders.erase(it);
  --FReadCount;
  FChanged.notify_all();
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  const DWORD Me = GetCurrentThreadId();
  std::unique_lock<std::mutex> Lock(FLock);
  if (FWriter == Me) {
    ++FWriteDepth;
    return true;
  }
  const Cardinal Revision = FRevisionLevel;
  auto it = FReaders.find(Me);
  const Integer MyReads = it == FReaders.end() ? 0 : it->second;
  // While waiting, the caller's own read locks do not block anyone: two readers that
  // both ask to write take turns instead of waiting for each other.
  // Writers are served in the order they asked.
  const UInt64 Ticket = FNextTicket++;
  ++FWaitingWriters;
  FPromotingReads += MyReads;
  if (MyReads) FChanged.notify_all();  // a waiting writer may now go ahead
  FChanged.wait(Lock, [&] { return FWriter == 0 && FReadCount - FPromotingReads == 0 && Ticket == FServing; });
  ++FServing;
  FPromotingReads -= MyReads;
  --FWaitingWriters;
  FWriter = Me;
  FWriteDepth = 1;
  return FRevisionLevel == Revision;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  std::lock_guard<std::mutex> Lock(FLock);
  if (FWriter != GetCurrentThreadId()) return;  // not the writer: nothing to end
  if (--FWriteDepth == 0) {
    FWriter = 0;
    ++FRevisionLevel;
    FChanged.notify_all();
  }
}
