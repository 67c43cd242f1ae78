// Basic types of the runtime: strings, integer aliases, sets, the array-of-const
// argument record, TObject and class references (metaclass objects).
#pragma once

#include <windows.h>

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

using String = std::wstring;          // UTF-16 text
using WideString = std::wstring;
using UnicodeString = std::wstring;
using AnsiString = std::string;       // text in the system ANSI code page
using RawByteString = std::string;
using UTF8String = std::string;
using Char = wchar_t;
using WideChar = wchar_t;
using AnsiChar = char;
using PChar = wchar_t*;

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using Word = std::uint16_t;
using SmallInt = std::int16_t;
using Integer = std::int32_t;
using LongInt = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using NativeInt = std::intptr_t;
using NativeUInt = std::uintptr_t;
using Boolean = bool;
using Single = float;
using Double = double;
using Extended = double;               // as on 64-bit targets
using Pointer = void*;
using TBytes = std::vector<Byte>;
using TDateTime = double;              // days since 1899-12-30, time as the fraction
using THandle = HANDLE;

// Currency: a 64-bit integer scaled by 10,000.
struct Currency {
  Int64 Value = 0;  // the scaled value
  static constexpr Int64 Scale = 10000;
  constexpr Currency() = default;
  static constexpr Currency FromScaled(Int64 v) { Currency c; c.Value = v; return c; }
  static Currency FromDouble(double d) {
    Currency c; c.Value = static_cast<Int64>(d * Scale + (d < 0 ? -0.5 : 0.5)); return c;
  }
  double ToDouble() const { return static_cast<double>(Value) / Scale; }
  friend constexpr bool operator==(Currency a, Currency b) { return a.Value == b.Value; }
  friend constexpr auto operator<=>(Currency a, Currency b) { return a.Value <=> b.Value; }
  friend constexpr Currency operator+(Currency a, Currency b) { return FromScaled(a.Value + b.Value); }
  friend constexpr Currency operator-(Currency a, Currency b) { return FromScaled(a.Value - b.Value); }
};

// A set over an enumeration whose ordinals are below N (at most 256).
template <class E, std::size_t N = 256>
class Set {
 public:
  constexpr Set() = default;
  Set(std::initializer_list<E> items) { for (E e : items) Include(e); }
  bool Contains(E e) const { return bits_.test(Ord(e)); }
  Set& Include(E e) { bits_.set(Ord(e)); return *this; }
  Set& Exclude(E e) { bits_.reset(Ord(e)); return *this; }
  bool Empty() const { return bits_.none(); }
  void Clear() { bits_.reset(); }
  // Set operators: + union, - difference, * intersection, <= subset.
  friend Set operator+(Set a, const Set& b) { a.bits_ |= b.bits_; return a; }
  friend Set operator-(Set a, const Set& b) { a.bits_ &= ~b.bits_; return a; }
  friend Set operator*(Set a, const Set& b) { a.bits_ &= b.bits_; return a; }
  friend Set operator+(Set a, E e) { return a.Include(e); }
  friend Set operator-(Set a, E e) { return a.Exclude(e); }
  Set& operator+=(const Set& b) { bits_ |= b.bits_; return *this; }
  Set& operator-=(const Set& b) { bits_ &= ~b.bits_; return *this; }
  Set& operator*=(const Set& b) { bits_ &= b.bits_; return *this; }
  Set& operator<<(E e) { return Include(e); }
  Set& operator>>(E e) { return Exclude(e); }
  friend bool operator==(const Set& a, const Set& b) { return a.bits_ == b.bits_; }
  friend bool operator<=(const Set& a, const Set& b) { return (a.bits_ & ~b.bits_).none(); }
  friend bool operator>=(const Set& a, const Set& b) { return b <= a; }
  // Raw access: bit i stands for ordinal i (used by streaming and RTTI).
  bool TestOrdinal(std::size_t i) const { return i < N && bits_.test(i); }
  void SetOrdinal(std::size_t i, bool on = true) { if (i < N) bits_.set(i, on); }
  static constexpr std::size_t Capacity() { return N; }
  // The first 32 or 64 ordinals as an integer: bit i is ordinal i (the stored form of a
  // small set).
  UInt64 ToInt() const {
    UInt64 r = 0;
    for (std::size_t i = 0; i < N && i < 64; ++i) if (bits_.test(i)) r |= UInt64(1) << i;
    return r;
  }
  static Set FromInt(UInt64 v) {
    Set s;
    for (std::size_t i = 0; i < N && i < 64; ++i) if (v & (UInt64(1) << i)) s.bits_.set(i);
    return s;
  }

 private:
  static std::size_t Ord(E e) { return static_cast<std::size_t>(e); }
  std::bitset<N> bits_;
};

// Scope helpers: state that a block sets and must put back however it is left.
//
// A cleanup that runs handlers or relayouts (EndUpdate, EnableAlign, a notification) can
// raise. When the scope ends normally, that exception travels on to the caller. When the
// scope is already being left by another exception, the first one travels on and the
// second goes to HandleCleanupException (the application's exception handler once the
// forms layer is up; it is called inside the catch block, so it may rethrow to inspect
// the exception). A destructor never lets two exceptions meet, so std::terminate is never
// reached from a cleanup.
inline void (*HandleCleanupException)() = nullptr;

// Runs AWork where no exception may leave (a destructor, a teardown that must run to its
// end): a failure goes to HandleCleanupException, as a cleanup's second exception does.
template <class F>
void RunWithoutThrowing(F&& AWork) noexcept {
  try {
    AWork();
  } catch (...) {
    if (HandleCleanupException) {
      try {
        HandleCleanupException();
      } catch (...) {  // a handler that raises again has nowhere to go
      }
    }
  }
}

// Runs ACleanup for a scope that was entered while AUncaught exceptions were in flight.
template <class F>
void RunScopeCleanup(F&& ACleanup, int AUncaught) noexcept(false) {
  if (std::uncaught_exceptions() <= AUncaught) {
    ACleanup();
    return;
  }
  RunWithoutThrowing(ACleanup);  // the exception already in flight still wins
}

// Runs any cleanup when the scope ends.
template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F ACleanup) : fn_(std::move(ACleanup)) {}
  ~TScopeExit() noexcept(false) {
    if (active_) RunScopeCleanup(fn_, uncaught_);
  }
  // The cleanup is not needed after all (the block finished its work another way).
  void Dismiss() { active_ = false; }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  F fn_;
  int uncaught_ = std::uncaught_exceptions();
  bool active_ = true;
};

// Includes an item in a set for the life of the scope, and excludes it at the end.
template <class E, std::size_t N>
class TSetItemScope {
 public:
  TSetItemScope(Set<E, N>& ASet, E AItem) : set_(ASet), item_(AItem) { set_.Include(item_); }
  ~TSetItemScope() { set_.Exclude(item_); }
  TSetItemScope(const TSetItemScope&) = delete;
  TSetItemScope& operator=(const TSetItemScope&) = delete;

 private:
  Set<E, N>& set_;
  E item_;
};

// Gives a variable a value for the life of the scope and puts the old value back.
template <class T>
class TValueScope {
 public:
  TValueScope(T& AVariable, T AValue) : var_(AVariable), old_(AVariable) { var_ = AValue; }
  ~TValueScope() { var_ = old_; }
  TValueScope(const TValueScope&) = delete;
  TValueScope& operator=(const TValueScope&) = delete;

 private:
  T& var_;
  T old_;
};

// Raises a counter for the life of the scope (a lock count, a nesting depth).
template <class T>
class TCounterScope {
 public:
  explicit TCounterScope(T& ACounter) : counter_(ACounter) { ++counter_; }
  ~TCounterScope() { --counter_; }
  TCounterScope(const TCounterScope&) = delete;
  TCounterScope& operator=(const TCounterScope&) = delete;

 private:
  T& counter_;
};

// Gives a variable a value, and puts the old value back only when the scope is left by
// an exception: a step that fails leaves the state as it found it.
template <class T>
class TRollbackScope {
 public:
  TRollbackScope(T& AVariable, T AValue)
      : var_(AVariable), old_(AVariable), exceptions_(std::uncaught_exceptions()) {
    var_ = AValue;
  }
  ~TRollbackScope() {
    if (std::uncaught_exceptions() > exceptions_) var_ = old_;
  }
  TRollbackScope(const TRollbackScope&) = delete;
  TRollbackScope& operator=(const TRollbackScope&) = delete;

 private:
  T& var_;
  T old_;
  int exceptions_;
};

// Calls BeginUpdate now and EndUpdate when the scope ends (EndUpdate may raise; see
// RunScopeCleanup). Works on a reference or a pointer to the object.
template <class T>
class TUpdateScope {
 public:
  explicit TUpdateScope(T& AObject) : obj_(AObject) { obj_.BeginUpdate(); }
  explicit TUpdateScope(T* AObject) : obj_(*AObject) { obj_.BeginUpdate(); }
  ~TUpdateScope() noexcept(false) {
    RunScopeCleanup([this] { obj_.EndUpdate(); }, uncaught_);
  }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  T& obj_;
  int uncaught_ = std::uncaught_exceptions();
};

// Calls an object's entering member now and its leaving member when the scope ends (the
// leaving member may raise; see RunScopeCleanup). Named pairs are aliases of it beside
// their class, for example
//   using TAlignScope = TCallScope<TWinControl, &TWinControl::DisableAlign,
//                                  &TWinControl::EnableAlign>;
// Works on a reference or a pointer to the object.
template <class T, auto AEnter, auto ALeave>
class TCallScope {
 public:
  explicit TCallScope(T& AObject) : obj_(AObject) { (obj_.*AEnter)(); }
  explicit TCallScope(T* AObject) : obj_(*AObject) { (obj_.*AEnter)(); }
  ~TCallScope() noexcept(false) {
    RunScopeCleanup([this] { (obj_.*ALeave)(); }, uncaught_);
  }
  TCallScope(const TCallScope&) = delete;
  TCallScope& operator=(const TCallScope&) = delete;

 private:
  T& obj_;
  int uncaught_ = std::uncaught_exceptions();
};

// Owns a system handle (a registry key, a menu, a file) and closes it with AClose when the
// scope ends; a null handle is never closed. Close ends it early.
template <class H, auto AClose>
class THandleScope {
 public:
  explicit THandleScope(H AHandle = nullptr) : FHandle(AHandle) {}
  ~THandleScope() { Close(); }
  THandleScope(const THandleScope&) = delete;
  THandleScope& operator=(const THandleScope&) = delete;
  H Get() const { return FHandle; }
  void Close() {
    if (FHandle) AClose(FHandle);
    FHandle = nullptr;
  }

 private:
  H FHandle;
};

// Device-context and window scopes: each puts back on leaving what it changed on entry.

// Saves a device context's clip region and selects it again when the scope ends (no clip
// region when there was none). Restore puts it back early, for drawing that goes on
// inside the scope after a clipped part.
class TClipRegionScope {
 public:
  explicit TClipRegionScope(HDC ADC) : FDC(ADC), FRegion(CreateRectRgn(0, 0, 0, 0)) {
    if (FRegion && GetClipRgn(FDC, FRegion) != 1) {
      DeleteObject(FRegion);
      FRegion = nullptr;
    }
  }
  ~TClipRegionScope() {
    SelectClipRgn(FDC, FRegion);
    if (FRegion) DeleteObject(FRegion);
  }
  void Restore() { SelectClipRgn(FDC, FRegion); }
  TClipRegionScope(const TClipRegionScope&) = delete;
  TClipRegionScope& operator=(const TClipRegionScope&) = delete;

 private:
  HDC FDC;
  HRGN FRegion;
};

// Selects a GDI object into a device context and selects the previous one back. With
// ADeleteAfter the object is the scope's own and is deleted once deselected.
class TSelectedObject {
 public:
  TSelectedObject(HDC ADC, HGDIOBJ AObject, bool ADeleteAfter = false)
      : FDC(ADC), FObject(ADeleteAfter ? AObject : nullptr), FOld(SelectObject(ADC, AObject)) {}
  ~TSelectedObject() {
    SelectObject(FDC, FOld);
    if (FObject) DeleteObject(FObject);
  }
  TSelectedObject(const TSelectedObject&) = delete;
  TSelectedObject& operator=(const TSelectedObject&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FObject;
  HGDIOBJ FOld;
};

// Saves a device context's state and restores it.
class TSavedDC {
 public:
  explicit TSavedDC(HDC ADC) : FDC(ADC), FSaved(SaveDC(ADC)) {}
  ~TSavedDC() { RestoreDC(FDC, FSaved); }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC FDC;
  int FSaved;
};

// A window's device context, released when the scope ends.
class TWindowDC {
 public:
  explicit TWindowDC(HWND AWnd) : FWnd(AWnd), FDC(GetDC(AWnd)) {}
  ~TWindowDC() { ReleaseDC(FWnd, FDC); }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC DC() const { return FDC; }

 private:
  HWND FWnd;
  HDC FDC;
};

// Paints a window: BeginPaint now and EndPaint when the scope ends, unless the caller
// already has a device context to paint on (a WM_PAINT with a given DC), which is used
// as it is.
class TPaintDC {
 public:
  explicit TPaintDC(HWND AWnd, HDC AGiven = nullptr) : FWnd(AWnd), FDC(AGiven) {
    if (!FDC) {
      FDC = BeginPaint(FWnd, &FPaint);
      FBegun = true;
    }
  }
  ~TPaintDC() {
    if (FBegun) EndPaint(FWnd, &FPaint);
  }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC DC() const { return FDC; }
  // The area to paint (empty when the caller gave the device context).
  const RECT& Rect() const { return FPaint.rcPaint; }

 private:
  HWND FWnd;
  HDC FDC;
  PAINTSTRUCT FPaint{};
  bool FBegun = false;
};

class TObject;
class TMetaClass;
using TClass = const TMetaClass*;

// Published-property information of one class (see TypInfo.h). A class declares its own
// table with PUBLISHED(Cls) (TypInfo.h); DECLARE_CLASS finds it and stores it here.
struct TTypeInfo;
using TTypeInfoFunc = const TTypeInfo* (*)();

// Creates an instance of a class; `arg` is the owner or collection for classes whose
// virtual constructor takes one (TComponent, TCollectionItem), otherwise ignored.
using TCreateFunc = TObject* (*)(TObject* arg);

// A class reference: one object per class. Creates instances (when the class has a
// virtual constructor) and answers ClassName, ClassParent and InheritsFrom.
class TMetaClass {
 public:
  constexpr TMetaClass(const wchar_t* name, TClass parent, TCreateFunc create,
                       TTypeInfoFunc typeInfo = nullptr)
      : name_(name), parent_(parent), create_(create), typeInfo_(typeInfo) {}
  String ClassName() const { return name_; }
  const wchar_t* ClassNamePtr() const { return name_; }
  TClass ClassParent() const { return parent_; }
  bool InheritsFrom(TClass other) const {
    for (TClass c = this; c; c = c->parent_) if (c == other) return true;
    return false;
  }
  bool CanCreate() const { return create_ != nullptr; }
  // Creates an instance; nullptr when the class cannot be created by reference.
  TObject* NewInstance(TObject* arg = nullptr) const { return create_ ? create_(arg) : nullptr; }
  // The published properties this class itself declares; nullptr when it declares none.
  const TTypeInfo* OwnTypeInfo() const { return typeInfo_ ? typeInfo_() : nullptr; }

 private:
  const wchar_t* name_;
  TClass parent_;
  TCreateFunc create_;
  TTypeInfoFunc typeInfo_;
};

namespace zs_detail {
template <class C>
constexpr TCreateFunc CreatorOf() {
  if constexpr (std::is_abstract_v<C>) {
    return nullptr;
  } else if constexpr (requires { typename C::TCreateArg; }) {
    if constexpr (std::is_constructible_v<C, typename C::TCreateArg>)
      return [](TObject* a) -> TObject* {
        return new C(static_cast<typename C::TCreateArg>(a));
      };
    else if constexpr (std::is_default_constructible_v<C>)
      return [](TObject*) -> TObject* { return new C(); };
    else
      return nullptr;
  } else if constexpr (std::is_default_constructible_v<C>) {
    return [](TObject*) -> TObject* { return new C(); };
  } else {
    return nullptr;
  }
}
// The class's own published-property table, when PUBLISHED(C) appears in C itself.
template <class C>
constexpr TTypeInfoFunc OwnTypeInfoOf() {
  if constexpr (requires { typename C::zs_published_class_; }) {
    if constexpr (std::is_same_v<typename C::zs_published_class_, C>)
      return &C::zs_PublishedTypeInfo_;
    else
      return nullptr;
  } else {
    return nullptr;
  }
}
}  // namespace zs_detail

// Put DECLARE_CLASS(TMine, TParent) first in every TObject descendant: it gives the
// class its metaclass object (StaticClass), ClassType and the `inherited` alias.
// The macro leaves the class body in the public section.
#define DECLARE_CLASS(Cls, Parent)                                                        \
 public:                                                                                  \
  using inherited = Parent;                                                               \
  static TClass StaticClass() {                                                           \
    static const TMetaClass meta_(L## #Cls, Parent::StaticClass(),                        \
                                  ::zs_detail::CreatorOf<Cls>(),                          \
                                  ::zs_detail::OwnTypeInfoOf<Cls>());                     \
    return &meta_;                                                                        \
  }                                                                                       \
  TClass ClassType() const override { return Cls::StaticClass(); }

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass() {
    static const TMetaClass meta_(L"TObject", nullptr, zs_detail::CreatorOf<TObject>());
    return &meta_;
  }
  virtual TClass ClassType() const { return StaticClass(); }
  String ClassName() const { return ClassType()->ClassName(); }
  TClass ClassParent() const { return ClassType()->ClassParent(); }
  bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }
  // Called right after construction and right before destruction by code that creates
  // objects through class references.
  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}
};

// `is` and `as` for class references and objects.
template <class T> bool Is(const TObject* o) { return dynamic_cast<const T*>(o) != nullptr; }
template <class T> T* As(TObject* o) { return dynamic_cast<T*>(o); }

// Frees the object and clears the variable.
template <class T> void FreeAndNil(T*& p) { T* t = p; p = nullptr; delete t; }

// Supports: an interface query by dynamic_cast.
template <class I, class T> bool Supports(T* obj, I*& out) {
  out = dynamic_cast<I*>(obj); return out != nullptr;
}
template <class I, class T> bool Supports(T* obj) { return dynamic_cast<I*>(obj) != nullptr; }

// The notify event: the most common event signature.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TVarRecVariant;  // a Variant passed in an array of const (see Variants.h)

// One argument of an "array of const" list (Format and friends).
struct TVarRec {
  enum TKind : Byte {
    vtInteger, vtBoolean, vtChar, vtExtended, vtPointer, vtPChar, vtObject, vtClass,
    vtWideChar, vtCurrency, vtInt64, vtUnicodeString, vtAnsiString, vtUInt64, vtVariant
  };
  TKind VType;
  union {
    Integer VInteger;
    bool VBoolean;
    wchar_t VWideChar;
    double VExtended;
    void* VPointer;
    TObject* VObject;
    TClass VClass;
    Int64 VInt64;
    UInt64 VUInt64;
    Currency VCurrency;
    const void* VVariant;  // points at a Variant that outlives the call
  };
  String VString;          // vtUnicodeString
  AnsiString VAnsiString;  // vtAnsiString, vtPChar (char*)

  TVarRec(int v) : VType(vtInteger), VInteger(v) {}
  TVarRec(unsigned v) : VType(vtInt64), VInt64(v) {}
  TVarRec(long v) : VType(vtInteger), VInteger(static_cast<Integer>(v)) {}
  TVarRec(unsigned long v) : VType(vtInt64), VInt64(v) {}
  TVarRec(long long v) : VType(vtInt64), VInt64(v) {}
  TVarRec(unsigned long long v) : VType(vtUInt64), VUInt64(v) {}
  TVarRec(short v) : VType(vtInteger), VInteger(v) {}
  TVarRec(unsigned short v) : VType(vtInteger), VInteger(v) {}
  TVarRec(signed char v) : VType(vtInteger), VInteger(v) {}
  TVarRec(unsigned char v) : VType(vtInteger), VInteger(v) {}
  TVarRec(bool v) : VType(vtBoolean), VBoolean(v) {}
  TVarRec(wchar_t v) : VType(vtWideChar), VWideChar(v) {}
  TVarRec(char v) : VType(vtChar), VInteger(static_cast<unsigned char>(v)) {}
  TVarRec(double v) : VType(vtExtended), VExtended(v) {}
  TVarRec(float v) : VType(vtExtended), VExtended(v) {}
  TVarRec(Currency v) : VType(vtCurrency), VCurrency(v) {}
  TVarRec(const String& v) : VType(vtUnicodeString), VInt64(0), VString(v) {}
  TVarRec(const wchar_t* v) : VType(vtUnicodeString), VInt64(0), VString(v ? v : L"") {}
  TVarRec(const AnsiString& v) : VType(vtAnsiString), VInt64(0), VAnsiString(v) {}
  TVarRec(const char* v) : VType(vtAnsiString), VInt64(0), VAnsiString(v ? v : "") {}
  TVarRec(TObject* v) : VType(vtObject), VObject(v) {}
  TVarRec(TClass v) : VType(vtClass), VClass(v) {}
  TVarRec(const void* v) : VType(vtPointer), VPointer(const_cast<void*>(v)) {}
  TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}
  static TVarRec FromVariant(const void* variant) {
    TVarRec r(nullptr); r.VType = vtVariant; r.VVariant = variant; return r;
  }
};
using TVarRecs = std::initializer_list<TVarRec>;
using TConstArray = std::vector<TVarRec>;
