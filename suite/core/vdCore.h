// The bottom of the component suite: the process-wide repository of the suite's
// resource strings, the format markers of record streams, text conversions, small
// memory and character routines, and the operating-system version flags.
#pragma once

#include <windows.h>

#include <algorithm>
#include <bitset>
#include <functional>
#include <span>
#include <memory>
#include <vector>

#include "Classes.h"
#include "SysInit.h"
#include "SysUtils.h"
#include "System.h"
#include "Variants.h"

// A resource string: every reader takes its text through the record, so a localiser
// that replaces Text changes what every control shows.
struct TResStringRec {
  String Text;
  TResStringRec() = default;
  TResStringRec(const wchar_t* AText) : Text(AText) {}
};
using PResStringRec = TResStringRec*;

// The text behind a resource-string record (empty for nil).
String LoadResString(const TResStringRec* ARec);

DECLARE_EXCEPTION(EvdException, Exception)

class TvdProductResourceStrings;

// Adds a product's strings with TvdProductResourceStrings::Add.
using TvdAddResourceStringsProcedure = std::function<void(TvdProductResourceStrings* AProduct)>;

// One string of a product's table: its name, its record and its built-in text.
struct TvdResourceStringEntry {
  const wchar_t* Name;
  TResStringRec* Rec;
  const wchar_t* Text;
};
// (name, address of the resource-string record)
using TvdLocalizationTranslateResStringEvent =
    std::function<void(const String& AResStringName, Pointer AResString)>;

// A list of listeners (not owned) that are told in list order. A listener removed while
// the list is being told is not told afterwards (it may be gone); one added meanwhile is
// told from the next round on. Telling may nest.
template <class T>
class TvdListenerList {
 public:
  // Appends the listener unless it is listed already.
  void Add(T* Listener) {
    if (Listener && std::find(FItems.begin(), FItems.end(), Listener) == FItems.end())
      FItems.push_back(Listener);
  }
  void Remove(T* Listener) {
    auto it = std::find(FItems.begin(), FItems.end(), Listener);
    if (it == FItems.end()) return;
    if (FTelling)
      *it = nullptr;  // the round in progress skips it; the slot goes when the round ends
    else
      FItems.erase(it);
  }
  Integer Count() const {
    return static_cast<Integer>(FItems.size() - std::count(FItems.begin(), FItems.end(), nullptr));
  }
  // Calls Tell(listener) for each listener listed when the round began and still listed.
  template <class F>
  void ForEach(F Tell) {
    TScopeExit round = BeginRound();
    const size_t count = FItems.size();
    for (size_t i = 0; i < count; ++i)
      if (T* listener = FItems[i]) Tell(listener);
  }
  // The same from the last listener added to the first.
  template <class F>
  void ForEachBackward(F Tell) {
    TScopeExit round = BeginRound();
    for (size_t i = FItems.size(); i-- > 0;)
      if (T* listener = FItems[i]) Tell(listener);
  }

 private:
  // Marks a round as running; the slots of listeners removed meanwhile go when the
  // outermost round ends.
  auto BeginRound() {
    ++FTelling;
    return TScopeExit([this] {
      if (--FTelling == 0) std::erase(FItems, nullptr);
    });
  }
  std::vector<T*> FItems;
  int FTelling = 0;
};

// Told that translations changed.
class IvdLocalizerListener {
 public:
  virtual ~IvdLocalizerListener() = default;
  virtual void TranslationChanged() = 0;
};

class TvdProductResourceStrings : public TObject {
  DECLARE_CLASS(TvdProductResourceStrings, TObject)
 public:
  TvdProductResourceStrings(const String& AName, const TvdAddResourceStringsProcedure& AInitializeProc);
  ~TvdProductResourceStrings() override;
  // Adds a name with its record; a second entry with an existing name (in any letter
  // case) is ignored.
  void Add(const String& AResStringName, TResStringRec* AResStringAddr);
  // Position among the sorted names (case-insensitive), -1 when absent.
  Integer GetIndexByName(const String& AName) const;
  void Clear() { FResStringNames.clear(); }
  const String& Name() const { return FName; }
  Integer ResStringsCount() const { return static_cast<Integer>(FResStringNames.size()); }
  const String& ResStringNames(Integer Index) const { return FResStringNames.at(Index).Name; }
  TResStringRec* ResStrings(Integer Index) const { return FResStringNames.at(Index).Rec; }

 private:
  struct TEntry {
    String Name;
    TResStringRec* Rec;
  };
  String FName;
  TvdAddResourceStringsProcedure FInitializeProc;
  std::vector<TEntry> FResStringNames;  // sorted by name, case-insensitive
};

class TvdResourceStringsRepository : public TObject {
  DECLARE_CLASS(TvdResourceStringsRepository, TObject)
 public:
  TvdResourceStringsRepository() = default;
  ~TvdResourceStringsRepository() override;
  void RegisterProduct(const String& AProductName, const TvdAddResourceStringsProcedure& AAddStringsProc);
  void UnRegisterProduct(const String& AProductName);
  Integer GetProductIndexByName(const String& AName) const;
  String GetOriginalValue(const String& AName) const;
  void Translate();
  void AddListener(IvdLocalizerListener* AListener);
  void RemoveListener(IvdLocalizerListener* AListener);
  void NotifyListeners();
  Integer ProductsCount() const { return static_cast<Integer>(FProducts.size()); }
  TvdProductResourceStrings* Products(Integer Index) const { return FProducts.at(Index); }
  Integer ListenersCount() const { return FListeners.Count(); }
  const TvdLocalizationTranslateResStringEvent& OnTranslateResString() const { return FOnTranslateResString; }
  void SetOnTranslateResString(const TvdLocalizationTranslateResStringEvent& Value) { FOnTranslateResString = Value; }

 private:
  TvdListenerList<IvdLocalizerListener> FListeners;
  std::vector<TvdProductResourceStrings*> FProducts;  // owned
  TvdLocalizationTranslateResStringEvent FOnTranslateResString;
};

// The process-wide repository, created on the first call.
TvdResourceStringsRepository* vdGetResourceStringsRepository();

// --- Record-stream format markers --------------------------------------------------------

// Wraps a stream (not owned) and tells from its marker whether its strings are UTF-16.
class TvdStream : public TStream {
  DECLARE_CLASS(TvdStream, TStream)
 public:
  using TCreateArg = TStream*;
  explicit TvdStream(TStream* AStream);
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  bool IsUnicode() const { return FIsUnicode; }
  TStream* Stream() const { return FStream; }

 protected:
  Int64 GetSize() override;

 private:
  bool FIsUnicode;
  TStream* FStream;
};

// Writes the six bytes "VDUFMT": the strings that follow are UTF-16.
void vdWriteFormatMarker(TStream* AStream);
// True after a "VDUFMT" marker; False after "VDAFMT" (both are consumed) or without a
// marker (the position is kept). Fewer than 7 remaining bytes are not examined.
bool vdReadFormatMarker(TStream* AStream);
// A 16-bit character count, then UTF-16 code units or UTF-8 bytes. A short stream
// raises EReadError.
void vdReadStreamString(TStream* AStream, bool AIsUnicode, String& S);

// --- Variant conversions -------------------------------------------------------------------

String vdVariantAsString(const Variant& V);
WideString vdVariantAsWideString(const Variant& V);
AnsiString vdVariantAsAnsiString(const Variant& V);
bool vdIsBlobVariant(const Variant& V);

// Memory and character utilities.
void vdMoveMemory(const void* Source, void* Dest, std::size_t Count);
void vdZeroMemory(void* Buffer, std::size_t Count);
// A colour (system colours resolved) as an RGBQUAD: blue low, then green, red, reserved.
Cardinal vdColorToQuad(Integer AColor, Byte AReserved = 0);
using TvxByteSet = std::bitset<256>;
bool vxCharInByteSet(WideChar C, const TvxByteSet& ASet);
void vxSwapIntegers(Integer& A, Integer& B);
Word vdCharTypeFlags(WideChar C);

// Text conversions between UTF-16 and 8-bit code pages (65001 is UTF-8).
String vdAnsiToWideString(const AnsiString& S, UINT ACodePage = CP_ACP, Integer ALength = -1);
AnsiString vdWideToAnsiString(const String& W, UINT ACodePage = CP_ACP, Integer ALength = -1);

// Operating-system flags, computed once at start-up.
extern bool vdOSWin9x, vdOSWin95, vdOSWin98, vdOSWinMe, vdOSWinNT, vdOSWin2000, vdOSWin2000Up,
    vdOSWinXP, vdOSWinXPUp, vdOSWinMajor5, vdOSWinVista, vdOSWinVistaUp, vdOSWin7, vdOSWow64;
// The platform is of the NT family with major version exactly 6 (set with the flags above).
extern bool IsWindowsNTVersion6;
// Sets the flags from a platform id and a version (start-up passes the real ones).
void vdSetOSFlags(DWORD APlatformId, DWORD AMajor, DWORD AMinor);
// The Windows major version read at start-up.
DWORD vdOSMajorVersion();

extern const TUnitInfo vdCoreUnit;

// Registers a product whose strings are the table's entries, in table order.
void vdRegisterResourceStrings(const String& AProductName, std::span<const TvdResourceStringEntry> AEntries);
// Unregisters the product and gives every record its built-in text back, so a translation
// does not outlive the product.
void vdUnregisterResourceStrings(const String& AProductName, std::span<const TvdResourceStringEntry> AEntries);
