// Classes: pointer lists, string lists, streams and threads.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Encoding.h"
#include "Persistent.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "System.h"

class TStream;
class TThread;

DECLARE_EXCEPTION(EResNotFound, Exception)

// ---------------------------------------------------------------------------------------
// Pointer list

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
enum TListAssignOp { laCopy, laAnd, laOr, laXor, laSrcUnique, laDestUnique };
enum TDuplicates { dupIgnore, dupAccept, dupError };

// Compares two items: negative, zero or positive.
using TListSortCompare = std::function<Integer(Pointer Item1, Pointer Item2)>;

// A list of untyped pointers. Notify is called after an item enters or leaves the list
// (never for nil items). C++ cannot dispatch to a derived class from a base destructor,
// so a descendant whose Notify or Clear must see the remaining items calls Clear() in
// its own destructor.
class TList : public TObject {
  DECLARE_CLASS(TList, TObject)
 public:
  TList() = default;
  ~TList() override;

  Integer Add(Pointer Item);
  virtual void Clear();
  void Delete(Integer Index);
  void Exchange(Integer Index1, Integer Index2);
  TList* Expand();
  Pointer Extract(Pointer Item);
  Pointer First() const;
  Pointer Last() const;
  Integer IndexOf(Pointer Item) const;
  void Insert(Integer Index, Pointer Item);
  void Move(Integer CurIndex, Integer NewIndex);
  Integer Remove(Pointer Item);
  // Removes the nil items.
  void Pack();
  // Sorts with Compare; items that compare equal keep their order.
  void Sort(const TListSortCompare& Compare);
  // Combines ListA (and ListB when given) into this list by the operator; with ListB
  // the result is ListA op ListB, without it the result is Self op ListA.
  void Assign(TList* ListA, TListAssignOp AOperator = laCopy, TList* ListB = nullptr);

  Integer Count() const { return static_cast<Integer>(FList.size()); }
  void SetCount(Integer NewCount);
  Integer Capacity() const { return FCapacity; }
  void SetCapacity(Integer NewCapacity);
  Pointer Items(Integer Index) const { return Get(Index); }
  void SetItems(Integer Index, Pointer Item) { Put(Index, Item); }
  Pointer operator[](Integer Index) const { return Get(Index); }
  // The item storage (valid until the list changes).
  Pointer* List() { return FList.data(); }

  // Raises EListError with Msg formatted with Data.
  [[noreturn]] static void Error(const String& Msg, NativeInt Data);

 protected:
  Pointer Get(Integer Index) const;
  void Put(Integer Index, Pointer Item);
  virtual void Grow();
  virtual void Notify(Pointer Ptr, TListNotification Action);

 private:
  std::vector<Pointer> FList;
  Integer FCapacity = 0;
};

// A TList guarded by a critical section. LockList returns the inner list and keeps the
// lock until UnlockList.
class TThreadList : public TObject {
  DECLARE_CLASS(TThreadList, TObject)
 public:
  TThreadList();
  ~TThreadList() override;
  void Add(Pointer Item);
  void Clear();
  TList* LockList();
  void Remove(Pointer Item);
  void UnlockList();
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

 private:
  TList FList;
  CRITICAL_SECTION FLock;
  TDuplicates FDuplicates = dupIgnore;
};

// ---------------------------------------------------------------------------------------
// String lists

// The line break of the platform.
inline const String sLineBreak = L"\r\n";

// A list of strings with an object per string. Abstract: descendants store the strings.
class TStrings : public TPersistent {
  DECLARE_CLASS(TStrings, TPersistent)
 public:
  TStrings() = default;
  ~TStrings() override;

  virtual Integer Add(const String& S);
  virtual Integer AddObject(const String& S, TObject* AObject);
  void Append(const String& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  // Copies the strings, objects and text settings of another string list; other
  // sources are handled as by TPersistent.
  void Assign(TPersistent* Source) override;
  void BeginUpdate();
  void EndUpdate();
  virtual void Clear() = 0;
  virtual void Delete(Integer Index) = 0;
  // True when both lists hold the same strings in the same order (case-sensitive).
  bool Equals(TStrings* Strings) const;
  virtual void Exchange(Integer Index1, Integer Index2);
  virtual Integer IndexOf(const String& S) const;
  virtual Integer IndexOfName(const String& Name) const;
  virtual Integer IndexOfObject(TObject* AObject) const;
  virtual void Insert(Integer Index, const String& S) = 0;
  virtual void InsertObject(Integer Index, const String& S, TObject* AObject);
  virtual void Move(Integer CurIndex, Integer NewIndex);
  // Loads the text; with Encoding nullptr the encoding is taken from a byte-order mark
  // (UTF-8, UTF-16 LE or BE), else the default encoding (the ANSI code page). The
  // encoding found is kept in Encoding() and used by a later save without one.
  virtual void LoadFromFile(const String& FileName, TEncoding* Encoding = nullptr);
  virtual void LoadFromStream(TStream* Stream, TEncoding* Encoding = nullptr);
  // Saves the text; the byte-order mark of the encoding is written when WriteBOM.
  virtual void SaveToFile(const String& FileName, TEncoding* Encoding = nullptr);
  virtual void SaveToStream(TStream* Stream, TEncoding* Encoding = nullptr);

  Integer Count() const { return GetCount(); }
  String Strings(Integer Index) const { return Get(Index); }
  void SetStrings(Integer Index, const String& S) { Put(Index, S); }
  String operator[](Integer Index) const { return Get(Index); }
  TObject* Objects(Integer Index) const { return GetObject(Index); }
  void SetObjects(Integer Index, TObject* AObject) { PutObject(Index, AObject); }
  Integer Capacity() const { return GetCapacity(); }
  virtual void SetCapacity(Integer NewCapacity);

  // Name=value access; the separator is NameValueSeparator.
  String Names(Integer Index) const;
  String Values(const String& Name) const;
  void SetValues(const String& Name, const String& Value);
  String ValueFromIndex(Integer Index) const;
  void SetValueFromIndex(Integer Index, const String& Value);
  Char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(Char C) { FNameValueSeparator = C; }

  // Delimited text: items separated by Delimiter, quoted with QuoteChar when they hold
  // a delimiter, a quote or (unless StrictDelimiter) a space or control character.
  String CommaText() const;
  void SetCommaText(const String& Value);
  String DelimitedText() const;
  void SetDelimitedText(const String& Value);
  Char Delimiter() const { return FDelimiter; }
  void SetDelimiter(Char C) { FDelimiter = C; }
  Char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(Char C) { FQuoteChar = C; }
  bool StrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

  // Every line followed by LineBreak; reading splits at CR, LF or CR LF (or at
  // LineBreak exactly when it is not CR LF).
  String Text() const { return GetTextStr(); }
  void SetText(const String& Value) { SetTextStr(Value); }
  String LineBreak() const { return FLineBreak; }
  void SetLineBreak(const String& Value) { FLineBreak = Value; }

  TEncoding* Encoding() const { return FEncoding; }
  TEncoding* DefaultEncoding() const { return FDefaultEncoding; }
  void SetDefaultEncoding(TEncoding* Value) { FDefaultEncoding = Value; }
  bool WriteBOM() const { return FWriteBOM; }
  void SetWriteBOM(bool Value) { FWriteBOM = Value; }

  std::vector<String> ToStringArray() const;

  // Streams the lines as the property "Strings" (a list of strings), written when the
  // list differs from the ancestor's or, without one, when it is not empty.
  void DefineProperties(TFiler* Filer) override;

 protected:
  virtual String Get(Integer Index) const = 0;
  virtual Integer GetCount() const = 0;
  virtual TObject* GetObject(Integer Index) const;
  virtual void Put(Integer Index, const String& S);
  virtual void PutObject(Integer Index, TObject* AObject);
  virtual Integer GetCapacity() const { return GetCount(); }
  virtual String GetTextStr() const;
  virtual void SetTextStr(const String& Value);
  // Called with true when the first BeginUpdate starts and false when the last EndUpdate
  // ends.
  virtual void SetUpdateState(bool Updating);
  // Compares two strings as the list does (here: case-insensitive, by the user locale).
  virtual Integer CompareStrings(const String& S1, const String& S2) const;
  [[noreturn]] void Error(const String& Msg, NativeInt Data) const;
  String ExtractName(const String& S) const;
  Integer UpdateCount() const { return FUpdateCount; }

 private:
  Integer FUpdateCount = 0;
  Char FNameValueSeparator = L'=';
  Char FDelimiter = L',';
  Char FQuoteChar = L'"';
  bool FStrictDelimiter = false;
  bool FWriteBOM = true;
  String FLineBreak = sLineBreak;
  TEncoding* FEncoding = nullptr;
  TEncoding* FDefaultEncoding = nullptr;
};

class TStringList;
using TStringListSortCompare = std::function<Integer(TStringList* List, Integer Index1, Integer Index2)>;

// The standard string list: strings and objects in memory, optionally sorted.
class TStringList : public TStrings {
  DECLARE_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;
  explicit TStringList(bool OwnsObjects) : FOwnsObjects(OwnsObjects) {}
  TStringList(TDuplicates ADuplicates, bool ASorted, bool ACaseSensitive = false);
  ~TStringList() override;

  Integer Add(const String& S) override;
  Integer AddObject(const String& S, TObject* AObject) override;
  void Clear() override;
  void Delete(Integer Index) override;
  void Exchange(Integer Index1, Integer Index2) override;
  // Binary search of a sorted list: true when S is found; Index is its position, or
  // where it would be inserted.
  virtual bool Find(const String& S, Integer& Index) const;
  Integer IndexOf(const String& S) const override;
  void Insert(Integer Index, const String& S) override;
  void InsertObject(Integer Index, const String& S, TObject* AObject) override;
  // Sorting does nothing on a list that is Sorted (it is in order already); items
  // that compare equal keep their order.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);
  void SetCapacity(Integer NewCapacity) override;

  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  String Get(Integer Index) const override;
  Integer GetCount() const override { return static_cast<Integer>(FList.size()); }
  TObject* GetObject(Integer Index) const override;
  void Put(Integer Index, const String& S) override;
  void PutObject(Integer Index, TObject* AObject) override;
  Integer GetCapacity() const override { return static_cast<Integer>(FList.capacity()); }
  void SetUpdateState(bool Updating) override;
  Integer CompareStrings(const String& S1, const String& S2) const override;
  virtual void InsertItem(Integer Index, const String& S, TObject* AObject);

 private:
  struct TStringItem {
    String FString;
    TObject* FObject;
  };
  void CheckIndex(Integer Index) const;
  std::vector<TStringItem> FList;
  TDuplicates FDuplicates = dupIgnore;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
};

// A string list whose IndexOf and IndexOfName look strings up through hash tables,
// extended when strings are appended and rebuilt after any other change.
class THashedStringList : public TStringList {
  DECLARE_CLASS(THashedStringList, TStringList)
 public:
  using TStringList::TStringList;
  ~THashedStringList() override;
  Integer IndexOf(const String& S) const override;
  Integer IndexOfName(const String& Name) const override;

 protected:
  void Changed() override;
  void InsertItem(Integer Index, const String& S, TObject* AObject) override;

 private:
  struct THashes {
    bool ValueValid = false;
    bool NameValid = false;
    bool CaseSensitive = false;
    Char Separator = L'=';
    std::unordered_map<String, Integer> Values;
    std::unordered_map<String, Integer> Names;
  };
  String Key(const String& S) const;
  mutable std::unique_ptr<THashes> FHashes;
};

// ---------------------------------------------------------------------------------------
// Streams

enum TSeekOrigin { soBeginning, soCurrent, soEnd };
constexpr Word soFromBeginning = 0;
constexpr Word soFromCurrent = 1;
constexpr Word soFromEnd = 2;

// File open modes (TFileStream, FileOpen).
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmExclusive = 0x0004;  // with fmCreate: fail when the file exists
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;

// A sequence of bytes with a position. Read and Write move as many bytes as they can
// and return that number; ReadBuffer and WriteBuffer raise when they fall short.
class TStream : public TObject {
  DECLARE_CLASS(TStream, TObject)
 public:
  TStream() = default;
  ~TStream() override;

  virtual Integer Read(void* Buffer, Integer Count) = 0;
  virtual Integer Write(const void* Buffer, Integer Count) = 0;
  virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;
  Integer Read(TBytes& Buffer, Integer Offset, Integer Count);
  Integer Write(const TBytes& Buffer, Integer Offset, Integer Count);
  // EReadError "Stream read error" / EWriteError "Stream write error" when short.
  void ReadBuffer(void* Buffer, Integer Count);
  void WriteBuffer(const void* Buffer, Integer Count);
  void ReadBuffer(TBytes& Buffer, Integer Count);
  void WriteBuffer(const TBytes& Buffer, Integer Count);
  // Copies Count bytes from Source at its position; Count 0 copies all of Source from
  // its start. Returns the number of bytes copied.
  Int64 CopyFrom(TStream* Source, Int64 Count);

  // Reads or writes a plain value in its memory layout; return the bytes moved.
  template <class T>
  Integer ReadData(T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return Read(&Value, static_cast<Integer>(sizeof(T)));
  }
  template <class T>
  Integer WriteData(const T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return Write(&Value, static_cast<Integer>(sizeof(T)));
  }

  // Reads or writes a plain value in its memory layout, whole or raising as ReadBuffer and
  // WriteBuffer do.
  template <class T>
  T ReadValue() {
    static_assert(std::is_trivially_copyable_v<T>);
    T v{};
    ReadBuffer(&v, static_cast<Integer>(sizeof(T)));
    return v;
  }
  template <class T>
  void WriteValue(const T& Value) {
    static_assert(std::is_trivially_copyable_v<T>);
    WriteBuffer(&Value, static_cast<Integer>(sizeof(T)));
  }

  Int64 Position() { return Seek(0, soCurrent); }
  void SetPosition(Int64 Pos) { Seek(Pos, soBeginning); }
  Int64 Size() { return GetSize(); }
  virtual void SetSize(Int64 NewSize);

 protected:
  virtual Int64 GetSize();
};

// A stream over an operating-system file handle (not closed by this class).
class THandleStream : public TStream {
  DECLARE_CLASS(THandleStream, TStream)
 public:
  explicit THandleStream(THandle AHandle) : FHandle(AHandle) {}
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SetSize(Int64 NewSize) override;
  THandle Handle() const { return FHandle; }

 protected:
  THandle FHandle;
};

// A stream over a named file. Mode is fmCreate (optionally with a share mode) or one of
// the fmOpen modes combined with a share mode. EFCreateError / EFOpenError name the full
// path and carry the system's message.
class TFileStream : public THandleStream {
  DECLARE_CLASS(TFileStream, THandleStream)
 public:
  TFileStream(const String& AFileName, Word Mode);
  TFileStream(const String& AFileName, Word Mode, Cardinal Rights);
  ~TFileStream() override;
  const String& FileName() const { return FFileName; }

 private:
  String FFileName;
};

// A stream over a block of memory.
class TCustomMemoryStream : public TStream {
  DECLARE_CLASS(TCustomMemoryStream, TStream)
 public:
  Integer Read(void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SaveToStream(TStream* Stream);
  void SaveToFile(const String& FileName);
  Pointer Memory() const { return FMemory; }

 protected:
  // Points the stream at memory it does not own.
  void SetPointer(Pointer Ptr, NativeInt ASize);
  Int64 GetSize() override { return FSize; }
  Pointer FMemory = nullptr;
  NativeInt FSize = 0;
  NativeInt FPosition = 0;
};

// A growable stream in memory it owns.
class TMemoryStream : public TCustomMemoryStream {
  DECLARE_CLASS(TMemoryStream, TCustomMemoryStream)
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);
  void SetSize(Int64 NewSize) override;
  Integer Write(const void* Buffer, Integer Count) override;
  NativeInt Capacity() const { return FCapacity; }
  void SetCapacity(NativeInt NewCapacity);

 protected:
  // Resizes the storage to (at least) NewCapacity bytes and returns it; may round
  // NewCapacity up. 0 releases the storage.
  virtual Pointer Realloc(NativeInt& NewCapacity);

 private:
  NativeInt FCapacity = 0;
};

// A memory stream whose storage is a byte array.
class TBytesStream : public TMemoryStream {
  DECLARE_CLASS(TBytesStream, TMemoryStream)
 public:
  TBytesStream() = default;
  explicit TBytesStream(const TBytes& ABytes);
  ~TBytesStream() override;
  // The storage; it may be longer than Size.
  const TBytes& Bytes() const { return FBytes; }

 protected:
  Pointer Realloc(NativeInt& NewCapacity) override;

 private:
  TBytes FBytes;
};

// A byte stream holding text in an encoding (the default ANSI code page when none is
// given). Encodings passed in stay the caller's unless AOwnsEncoding.
class TStringStream : public TBytesStream {
  DECLARE_CLASS(TStringStream, TBytesStream)
 public:
  TStringStream();
  explicit TStringStream(const String& AString, TEncoding* AEncoding = nullptr, bool AOwnsEncoding = false);
  explicit TStringStream(const TBytes& ABytes);
  ~TStringStream() override;
  // The whole content decoded.
  String DataString() const;
  TEncoding* Encoding() const { return FEncoding; }
  // Decodes the next Count bytes (fewer at the end).
  String ReadString(Integer Count);
  // Encodes the text at the position.
  void WriteString(const String& AString);

 private:
  TEncoding* FEncoding;
  bool FOwnsEncoding = false;
};

// A read-only stream over a resource of a module (RT_RCDATA and the like). EResNotFound
// "Resource %s not found" when the module has no such resource.
class TResourceStream : public TCustomMemoryStream {
  DECLARE_CLASS(TResourceStream, TCustomMemoryStream)
 public:
  TResourceStream(HINSTANCE Instance, const String& ResName, const wchar_t* ResType);
  TResourceStream(HINSTANCE Instance, Integer ResID, const wchar_t* ResType);
  ~TResourceStream() override;
  // Raises EStreamError: the resource cannot change.
  Integer Write(const void* Buffer, Integer Count) override;

 private:
  void Initialize(HINSTANCE Instance, const wchar_t* Name, const wchar_t* ResType, const String& Shown);
};

// ---------------------------------------------------------------------------------------
// Threads

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
using TThreadMethod = std::function<void()>;
using TThreadProcedure = std::function<void()>;

// The id of the thread that started the program (captured at start-up).
extern DWORD MainThreadID;
// Set by the application: called from the thread that queues a call for the main thread,
// so that the main thread's message loop wakes up and calls CheckSynchronize. Sender is
// the queuing thread (nullptr when it is not a TThread). Threads read it without a lock:
// it is set at unit start-up, before any thread starts, and is not changed while a thread
// may call it.
extern TNotifyEvent WakeMainThread;
// Runs the calls that threads queued for the main thread (Synchronize, Queue), waiting
// up to Timeout ms for one to arrive. True when any ran. Only the main thread may call it
// (EThread otherwise). An exception from a Synchronize call goes back to the thread that
// made it; one from a Queue call leaves CheckSynchronize after the call.
bool CheckSynchronize(Integer Timeout = 0);

// A thread running Execute. The OS thread exists from construction (Handle, ThreadID);
// C++ cannot run code after the most-derived constructor, so a thread constructed with
// CreateSuspended false starts in AfterConstruction(): create such threads with
// TThread::Create<TMine>(args...), which calls it, or call Start() yourself.
// Destroying a running thread sets Terminated and waits for it; a descendant whose
// Execute uses its own members stops the thread (Terminate + WaitFor) in its destructor.
class TThread : public TObject {
  DECLARE_CLASS(TThread, TObject)
 public:
  explicit TThread(bool CreateSuspended = false);
  ~TThread() override;

  template <class T, class... A>
  static T* Create(A&&... Args) {
    T* Result = new T(std::forward<A>(Args)...);
    Result->AfterConstruction();
    return Result;
  }

  // Starts a thread constructed not suspended (once).
  void AfterConstruction() override;
  // Starts a thread created suspended; EThread when it already runs or ran.
  void Start();
  void Resume();
  void Suspend();
  // Asks Execute to stop: sets Terminated.
  void Terminate();
  // Waits until the thread ends and returns its ReturnValue. On the main thread, calls
  // queued by threads keep running meanwhile.
  Cardinal WaitFor();

  // Runs Method on the main thread and waits for it (directly when called there).
  static void Synchronize(TThread* AThread, const TThreadMethod& Method);
  // Has Method run on the main thread later without waiting (directly when called there).
  static void Queue(TThread* AThread, const TThreadMethod& Method);
  // Drops the calls queued by AThread that have not run yet.
  static void RemoveQueuedEvents(TThread* AThread);
  // The TThread running the caller, nullptr on other threads.
  static TThread* CurrentThread();
  static void NameThreadForDebugging(const String&, DWORD = static_cast<DWORD>(-1)) {}
  static Integer ProcessorCount();

  bool Terminated() const { return FTerminated; }
  bool Finished() const { return FFinished; }
  bool Started() const { return FStarted; }
  bool Suspended() const { return FSuspended; }
  void SetSuspended(bool Value) { if (Value) Suspend(); else Resume(); }
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  THandle Handle() const { return FHandle; }
  DWORD ThreadID() const { return FThreadID; }
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority Value);
  Integer ReturnValue() const { return FReturnValue; }
  void SetReturnValue(Integer Value) { FReturnValue = Value; }
  // The exception that ended Execute (an Exception; others are wrapped in one), or
  // nullptr. Owned by the thread object.
  Exception* FatalException() const { return FFatalException; }
  std::exception_ptr FatalExceptionPtr() const { return FFatalExceptionPtr; }

  // Runs on the main thread after Execute ends (Sender: the thread).
  TNotifyEvent OnTerminate;

 protected:
  virtual void Execute() = 0;
  // Runs OnTerminate through Synchronize.
  virtual void DoTerminate();
  // Called by Terminate after Terminated is set.
  virtual void TerminatedSet() {}
  void Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }
  void Queue(const TThreadMethod& Method) { Queue(this, Method); }

 private:
  static DWORD WINAPI ThreadProc(LPVOID Param);
  HANDLE FHandle = nullptr;
  DWORD FThreadID = 0;
  bool FCreateSuspended;
  std::atomic<bool> FStarted{false};
  std::atomic<bool> FSuspended{true};
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FSkipExecute{false};
  std::atomic<bool> FFreeOnTerminate{false};
  Integer FReturnValue = 0;
  Exception* FFatalException = nullptr;
  std::exception_ptr FFatalExceptionPtr;
};

// ---------------------------------------------------------------------------------------
// Unit start-up: captures the main thread and sets up the synchronisation queue.

extern const TUnitInfo ClassesUnit;
