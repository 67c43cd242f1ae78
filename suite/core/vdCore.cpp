#include "vdCore.h"

#include <algorithm>
#include <cstring>

#include "Libraries.h"

namespace {

TvdResourceStringsRepository* FResourceStringsRepository = nullptr;
DWORD FMajorVersion = 0;

void ComputeOSFlags() {
  OSVERSIONINFOW vi{};
  vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&vi);
#pragma GCC diagnostic pop
  vdSetOSFlags(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion);
  FMajorVersion = vi.dwMajorVersion;

  vdOSWow64 = false;
  using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
  BOOL w = FALSE;
  if (auto f = ModuleFunction<TIsWow64Process>(L"kernel32.dll", "IsWow64Process"))
    if (f(GetCurrentProcess(), &w)) vdOSWow64 = w != FALSE;
}

void InitCore() { ComputeOSFlags(); }

void FinCore() {
  delete FResourceStringsRepository;
  FResourceStringsRepository = nullptr;
}

}  // namespace

bool vdOSWin9x, vdOSWin95, vdOSWin98, vdOSWinMe, vdOSWinNT, vdOSWin2000, vdOSWin2000Up, vdOSWinXP,
    vdOSWinXPUp, vdOSWinMajor5, vdOSWinVista, vdOSWinVistaUp, vdOSWin7, vdOSWow64;
bool IsWindowsNTVersion6;

void vdSetOSFlags(DWORD P, DWORD M, DWORD m) {
  vdOSWin9x = P == 1;
  vdOSWin95 = P == 1 && m == 0;
  vdOSWin98 = P == 1 && m == 10;
  vdOSWinMe = P == 1 && m == 90;
  vdOSWinNT = P == 2;
  vdOSWin2000 = P == 2 && M == 5 && m == 0;
  vdOSWin2000Up = P == 2 && M >= 5;
  vdOSWinXP = P == 2 && M == 5 && m > 0;
  vdOSWinXPUp = P == 2 && M >= 5 && !vdOSWin2000;
  vdOSWinMajor5 = vdOSWin2000 || vdOSWinXP;
  vdOSWinVista = P == 2 && M == 6;
  vdOSWinVistaUp = P == 2 && M >= 6;
  vdOSWin7 = P == 2 && M == 6 && m == 1;
  IsWindowsNTVersion6 = P == 2 && M == 6;
}

DWORD vdOSMajorVersion() { return FMajorVersion; }

String LoadResString(const TResStringRec* ARec) { return ARec ? ARec->Text : String(); }

// --- TvdProductResourceStrings ---------------------------------------------------------

TvdProductResourceStrings::TvdProductResourceStrings(const String& AName,
                                                     const TvdAddResourceStringsProcedure& AInitializeProc)
    : FName(AName), FInitializeProc(AInitializeProc) {
  if (FInitializeProc) FInitializeProc(this);
}

TvdProductResourceStrings::~TvdProductResourceStrings() { Clear(); }

void TvdProductResourceStrings::Add(const String& AResStringName, TResStringRec* AResStringAddr) {
  auto it = std::lower_bound(FResStringNames.begin(), FResStringNames.end(), AResStringName,
                             [](const TEntry& e, const String& n) { return AnsiCompareText(e.Name, n) < 0; });
  if (it != FResStringNames.end() && AnsiCompareText(it->Name, AResStringName) == 0) return;
  FResStringNames.insert(it, TEntry{AResStringName, AResStringAddr});
}

Integer TvdProductResourceStrings::GetIndexByName(const String& AName) const {
  auto it = std::lower_bound(FResStringNames.begin(), FResStringNames.end(), AName,
                             [](const TEntry& e, const String& n) { return AnsiCompareText(e.Name, n) < 0; });
  if (it != FResStringNames.end() && AnsiCompareText(it->Name, AName) == 0)
    return static_cast<Integer>(it - FResStringNames.begin());
  return -1;
}

// --- TvdResourceStringsRepository ------------------------------------------------------

TvdResourceStringsRepository::~TvdResourceStringsRepository() {
  for (auto* p : FProducts) delete p;
  FProducts.clear();
}

void TvdResourceStringsRepository::RegisterProduct(const String& AProductName,
                                                   const TvdAddResourceStringsProcedure& AAddStringsProc) {
  auto* p = new TvdProductResourceStrings(AProductName, AAddStringsProc);
  FProducts.push_back(p);
}

void TvdResourceStringsRepository::UnRegisterProduct(const String& AProductName) {
  Integer i = GetProductIndexByName(AProductName);
  if (i < 0) return;
  TvdProductResourceStrings* p = FProducts[i];
  FProducts.erase(FProducts.begin() + i);
  delete p;
}

Integer TvdResourceStringsRepository::GetProductIndexByName(const String& AName) const {
  for (std::size_t i = 0; i < FProducts.size(); ++i)
    if (FProducts[i]->Name() == AName) return static_cast<Integer>(i);
  return -1;
}

String TvdResourceStringsRepository::GetOriginalValue(const String& AName) const {
  for (auto* p : FProducts) {
    Integer i = p->GetIndexByName(AName);
    if (i >= 0) return LoadResString(p->ResStrings(i));
  }
  return String();
}

void TvdResourceStringsRepository::Translate() {
  if (!FOnTranslateResString) return;
  for (auto* p : FProducts)
    for (Integer i = 0; i < p->ResStringsCount(); ++i)
      FOnTranslateResString(p->ResStringNames(i), p->ResStrings(i));
}

void TvdResourceStringsRepository::AddListener(IvdLocalizerListener* AListener) { FListeners.Add(AListener); }

void TvdResourceStringsRepository::RemoveListener(IvdLocalizerListener* AListener) {
  FListeners.Remove(AListener);
}

void TvdResourceStringsRepository::NotifyListeners() {
  FListeners.ForEach([](IvdLocalizerListener* l) { l->TranslationChanged(); });
}

TvdResourceStringsRepository* vdGetResourceStringsRepository() {
  if (!FResourceStringsRepository) FResourceStringsRepository = new TvdResourceStringsRepository();
  return FResourceStringsRepository;
}

// --- Streams ------------------------------------------------------------------------------

namespace {
const char UnicodeMarker[6] = {'V', 'D', 'U', 'F', 'M', 'T'};
const char AnsiMarker[6] = {'V', 'D', 'A', 'F', 'M', 'T'};
}  // namespace

TvdStream::TvdStream(TStream* AStream) : FIsUnicode(vdReadFormatMarker(AStream)), FStream(AStream) {}
Integer TvdStream::Read(void* Buffer, Integer Count) { return FStream->Read(Buffer, Count); }
Integer TvdStream::Write(const void* Buffer, Integer Count) { return FStream->Write(Buffer, Count); }
Int64 TvdStream::Seek(Int64 Offset, TSeekOrigin Origin) { return FStream->Seek(Offset, Origin); }
Int64 TvdStream::GetSize() { return FStream->Size(); }

void vdWriteFormatMarker(TStream* AStream) { AStream->WriteBuffer(UnicodeMarker, 6); }

bool vdReadFormatMarker(TStream* AStream) {
  if (AStream->Size() - AStream->Position() <= 6) return false;
  char marker[6];
  AStream->ReadBuffer(marker, 6);
  if (std::memcmp(marker, UnicodeMarker, 6) == 0) return true;
  if (std::memcmp(marker, AnsiMarker, 6) == 0) return false;
  AStream->Seek(-6, soCurrent);
  return false;
}

void vdReadStreamString(TStream* AStream, bool AIsUnicode, String& S) {
  Word count = 0;
  AStream->ReadBuffer(&count, 2);
  S.clear();
  if (count == 0) return;
  if (AIsUnicode) {
    String W(count, L'\0');
    AStream->ReadBuffer(W.data(), count * 2);
    S = std::move(W);
  } else {
    AnsiString A(count, '\0');
    AStream->ReadBuffer(A.data(), count);
    S = vdAnsiToWideString(A, CP_UTF8);
  }
}

// --- Variants ------------------------------------------------------------------------------

String vdVariantAsString(const Variant& V) { return vdVariantAsWideString(V); }

WideString vdVariantAsWideString(const Variant& V) {
  if (VarIsStr(V)) return VarToWideStr(V);
  return vdAnsiToWideString(vdVariantAsAnsiString(V), CP_ACP);
}

AnsiString vdVariantAsAnsiString(const Variant& V) {
  if (VarIsArray(V) && VarArrayDimCount(V) == 1) {
    Variant copy = V;
    Integer n = VarArrayHighBound(copy, 1) - VarArrayLowBound(copy, 1) + 1;
    AnsiString S(n > 0 ? n : 0, '\0');
    if (n > 0) {
      const void* data = VarArrayLock(copy);
      std::memcpy(S.data(), data, n);
      VarArrayUnlock(copy);
    }
    return S;
  }
  if (VarType(V) == varString) return V.AsAnsiString();
  return vdWideToAnsiString(VarToWideStr(V), CP_ACP);
}

bool vdIsBlobVariant(const Variant& V) { return VarIsStr(V) || (VarIsArray(V) && VarArrayDimCount(V) == 1); }

// --- Memory and characters --------------------------------------------------------------

void vdMoveMemory(const void* Source, void* Dest, std::size_t Count) {
  if (Count) std::memmove(Dest, Source, Count);
}

void vdZeroMemory(void* Buffer, std::size_t Count) {
  if (Count) std::memset(Buffer, 0, Count);
}

Cardinal vdColorToQuad(Integer AColor, Byte AReserved) {
  Cardinal c = static_cast<Cardinal>(AColor);
  if (c & 0x80000000u) c = GetSysColor(static_cast<int>(c & 0xFF));
  Cardinal r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return b | (g << 8) | (r << 16) | (static_cast<Cardinal>(AReserved) << 24);
}

bool vxCharInByteSet(WideChar C, const TvxByteSet& ASet) { return C < 256 && ASet.test(C); }

void vxSwapIntegers(Integer& A, Integer& B) { std::swap(A, B); }

Word vdCharTypeFlags(WideChar C) {
  WORD t = 0;
  if (!GetStringTypeW(CT_CTYPE1, &C, 1, &t)) return 0;
  return t;
}

// --- Conversions --------------------------------------------------------------------------

String vdAnsiToWideString(const AnsiString& S, UINT ACodePage, Integer ALength) {
  if (S.empty()) return String();
  // UTF-8 is converted whole; other code pages up to ALength bytes, precomposed.
  if (ACodePage == CP_UTF8) return CodePageToString(CP_UTF8, S);
  size_t len = ALength < 0 ? S.size() : std::min(static_cast<size_t>(ALength), S.size());
  return CodePageToString(ACodePage, S.data(), len, MB_PRECOMPOSED);
}

AnsiString vdWideToAnsiString(const String& W, UINT ACodePage, Integer ALength) {
  if (W.empty()) return AnsiString();
  if (ACodePage == CP_UTF8 || ALength < 0 || static_cast<size_t>(ALength) >= W.size())
    return StringToCodePage(ACodePage, W);
  return StringToCodePage(ACodePage, W.substr(0, static_cast<size_t>(ALength)));
}

const TUnitInfo vdCoreUnit = {L"vdCore", InitCore, FinCore};

void vdRegisterResourceStrings(const String& AProductName, std::span<const TvdResourceStringEntry> AEntries) {
  vdGetResourceStringsRepository()->RegisterProduct(AProductName, [AEntries](TvdProductResourceStrings* AProduct) {
    for (const TvdResourceStringEntry& e : AEntries) AProduct->Add(e.Name, e.Rec);
  });
}

void vdUnregisterResourceStrings(const String& AProductName, std::span<const TvdResourceStringEntry> AEntries) {
  vdGetResourceStringsRepository()->UnRegisterProduct(AProductName);
  for (const TvdResourceStringEntry& e : AEntries) e.Rec->Text = e.Text;
}
