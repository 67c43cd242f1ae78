#include "vxStorage.h"

#include <cmath>
#include <cstring>

#include "Encoding.h"
#include "Streaming.h"
#include "TypInfo.h"
#include "vdCore.h"
#include <unordered_map>

namespace {

// The full name's segments between "/".
std::vector<String> SplitPath(const String& AFullName) {
  std::vector<String> R;
  size_t Start = 0;
  for (;;) {
    const size_t P = AFullName.find(L'/', Start);
    R.push_back(AFullName.substr(Start, P == String::npos ? String::npos : P - Start));
    if (P == String::npos) break;
    Start = P + 1;
  }
  return R;
}

bool IsIntegerType(TVarType T) {
  switch (T) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: case varUInt64:
      return true;
    default:
      return false;
  }
}

bool IsStringType(TVarType T) { return T == varOleStr || T == varString || T == varUString; }

bool IsFloatType(TVarType T) { return T == varSingle || T == varDouble || T == varCurrency; }

// Text that is a number in the invariant format (a point before the decimals).
bool TryInvariantFloat(const String& S, double& V) {
  Extended E;
  if (S.empty() || !TryStrToFloat(S, E, TFormatSettings::Invariant())) return false;
  V = static_cast<double>(E);
  return true;
}

}  // namespace

// --- Base reader and writer ------------------------------------------------------------------------------

TvxCustomReader::TvxCustomReader(const String& AStorageName, TStream* AStorageStream) : FStorageName(AStorageName) {
  SetStream(AStorageStream);
}

Variant TvxCustomReader::ReadProperty(const String&, const String&, const String&) { return Null(); }

void TvxCustomReader::SetStream(TStream* AStream) {
  if (AStream != FStorageStream) StreamChanged(AStream);
}

TvxCustomWriter::TvxCustomWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate)
    : FReCreate(AReCreate), FStorageName(AStorageName) {
  SetStream(AStorageStream);
}

void TvxCustomWriter::SetStream(TStream* AStream) {
  if (AStream != FStorageStream) StreamChanged(AStream);
}

// --- INI ------------------------------------------------------------------------------------------------------

String vxIniQuote(const String& AText) {
  String R = L"\"";
  for (size_t I = 0; I < AText.size(); ++I) {
    const wchar_t C = AText[I];
    if (C == L'\\') R += L"\\\\";
    else if (C == L'\r' && I + 1 < AText.size() && AText[I + 1] == L'\n') { R += L"\\n"; ++I; }
    else if (C == L'\r') R += L"\\r";
    else if (C == L'\n') R += L"\\l";
    else if (C == L'\t') R += L"\\t";
    else R += C;
  }
  return R + L"\"";
}

String vxIniUnescape(const String& AText) {
  String R;
  for (size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] != L'\\') {
      R += AText[I];
      continue;
    }
    if (++I >= AText.size()) break;  // a backslash at the very end is dropped
    switch (AText[I]) {
      case L'n': R += L"\r\n"; break;
      case L't': R += L'\t'; break;
      case L'r': R += L'\r'; break;
      case L'l': R += L'\n'; break;
      default: R += L'\\'; break;
    }
  }
  return R;
}

namespace {
String SectionName(const String& AObjectName, const String& AClassName) { return AObjectName + L": " + AClassName; }
}  // namespace

TvxIniFileReader::TvxIniFileReader(const String& AStorageName, TStream* AStorageStream)
    : TvxCustomReader(AStorageName, AStorageStream),
      FIniFile(std::make_unique<TMemIniFile>(AStorageName, TEncoding::Unicode())) {}

TvxIniFileReader::~TvxIniFileReader() = default;

bool TvxIniFileReader::HasStoredData() { return FileExists(FStorageName); }

void TvxIniFileReader::StartReading() { FStorageVersion = FIniFile->ReadInteger(L"Main", L"Version", 0); }

void TvxIniFileReader::ReadProperties(const String& AObjectName, const String& AClassName, TStrings* AProperties) {
  FIniFile->ReadSection(SectionName(AObjectName, AClassName), AProperties);
}

Variant TvxIniFileReader::ReadProperty(const String& AObjectName, const String& AClassName, const String& AName) {
  const String S = FIniFile->ReadString(SectionName(AObjectName, AClassName), AName, L"");
  if (S.size() >= 2 && S.front() == L'"' && S.back() == L'"') {
    const String Inner = S.substr(1, S.size() - 2);
    return Variant(FStorageVersion == 1 ? vxIniUnescape(Inner) : Inner);
  }
  Integer I;
  if (TryStrToInt(S, I)) return Variant(I);
  Int64 I64;
  if (TryStrToInt64(S, I64)) return Variant(static_cast<long long>(I64));
  double D;
  if (TryInvariantFloat(S, D)) return Variant(D);
  TDateTime DT;
  if (!S.empty() && TryStrToDateTime(S, DT)) return Variant(DT, varDateTag);
  return Variant(S);
}

void TvxIniFileReader::BuildSectionLists() {
  if (FPathList) return;
  FPathList = std::make_unique<TStringList>();
  FObjectNameList = std::make_unique<TStringList>();
  FClassNameList = std::make_unique<TStringList>();
  TStringList Sections;
  FIniFile->ReadSections(&Sections);
  for (Integer I = 0; I < Sections.Count(); ++I) {
    const String S = Sections.Strings(I);
    const size_t Colon = S.find(L':');
    if (Colon == String::npos) continue;
    const String Full = S.substr(0, Colon);
    const size_t Slash = Full.rfind(L'/');
    const String Path = Slash == String::npos ? String() : Full.substr(0, Slash + 1);
    FPathList->Add(UpperCase(Path));
    FObjectNameList->Add(Full.substr(Slash == String::npos ? 0 : Slash + 1));
    FClassNameList->Add(Trim(S.substr(Colon + 1)));
  }
}

void TvxIniFileReader::ReadChildren(const String& AObjectName, const String&, TStrings* AChildrenNames,
                                    TStrings* AChildrenClassNames) {
  BuildSectionLists();
  const String Path = AObjectName.empty() ? String() : UpperCase(AObjectName + L"/");
  for (Integer I = 0; I < FPathList->Count(); ++I)
    if (FPathList->Strings(I) == Path) {
      AChildrenNames->Add(FObjectNameList->Strings(I));
      AChildrenClassNames->Add(FClassNameList->Strings(I));
    }
}

TvxIniFileWriter::TvxIniFileWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate)
    : TvxCustomWriter(AStorageName, AStorageStream, AReCreate),
      FIniFile(std::make_unique<TMemIniFile>(AStorageName, TEncoding::Unicode())) {
  if (AReCreate) FIniFile->Clear();
}

TvxIniFileWriter::~TvxIniFileWriter() = default;

void TvxIniFileWriter::StartWriting() { FIniFile->WriteInteger(L"Main", L"Version", 1); }

void TvxIniFileWriter::FinishWriting() { FIniFile->UpdateFile(); }

void TvxIniFileWriter::BeginWriteObject(const String& AObjectName, const String& AClassName) {
  FIniFile->WriteString(SectionName(AObjectName, AClassName), L"", L"");
}

void TvxIniFileWriter::WriteProperty(const String& AObjectName, const String& AClassName, const String& AName,
                                     const Variant& AValue) {
  const TVarType T = AValue.VType();
  String S;
  if (IsIntegerType(T)) {
    // Whole: a 64-bit value is not cut to 32 bits.
    S = IntToStr(AValue.AsInt64());
  } else if (IsFloatType(T)) {
    // The invariant format, so the file reads back under any locale.
    S = FloatToStr(AValue.AsDouble(), TFormatSettings::Invariant());
  } else if (T == varDate) {
    S = DateTimeToStr(AValue.AsDouble());
  } else if (IsStringType(T)) {
    S = vxIniQuote(VarToWideStr(AValue));
  } else {
    return;
  }
  FIniFile->WriteString(SectionName(AObjectName, AClassName), AName, S);
}

// --- Registry ------------------------------------------------------------------------------------------

namespace {
String StorageKeyOf(const String& AName) {
  if (AName.empty() || AName[0] == L'\\') return AName;
  return L"\\" + AName;
}

String ObjectKeyPath(const String& AStorageKey, const String& AFullName) {
  String R = AStorageKey;
  for (const String& S : SplitPath(AFullName)) R += L"\\" + S;
  return R;
}

const wchar_t* const CClassNameKey = L"[ClassName]";
}  // namespace

TvxRegistryReader::TvxRegistryReader(const String& AStorageName, TStream* AStorageStream)
    : TvxCustomReader(AStorageName, AStorageStream),
      FRegistry(std::make_unique<TRegistry>(KEY_READ)),
      FStorageKey(StorageKeyOf(AStorageName)) {
  FRegistry->SetRootKey(HKEY_CURRENT_USER);
  FRegistry->OpenKeyReadOnly(FStorageKey);
}

TvxRegistryReader::~TvxRegistryReader() = default;

bool TvxRegistryReader::OpenObjectKey(const String& AObjectName) {
  FRegistry->CloseKey();
  return FRegistry->OpenKeyReadOnly(ObjectKeyPath(FStorageKey, AObjectName));
}

void TvxRegistryReader::ReadProperties(const String& AObjectName, const String&, TStrings* AProperties) {
  if (OpenObjectKey(AObjectName)) FRegistry->GetValueNames(AProperties);
}

Variant TvxRegistryReader::ReadProperty(const String& AObjectName, const String&, const String& AName) {
  if (!OpenObjectKey(AObjectName)) return Null();
  DWORD Type = 0, Size = 0;
  if (RegQueryValueExW(FRegistry->CurrentKey(), AName.c_str(), nullptr, &Type, nullptr, &Size) != ERROR_SUCCESS)
    return Null();
  switch (Type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      const String S = FRegistry->ReadString(AName);
      if (S.size() >= 2 && S.front() == L'"' && S.back() == L'"') return Variant(S.substr(1, S.size() - 2));
      double D;
      if (TryInvariantFloat(S, D)) return Variant(D);
      TDateTime DT;
      if (!S.empty() && TryStrToDateTime(S, DT)) return Variant(DT, varDateTag);
      return Variant(S);
    }
    case REG_DWORD:
      return Variant(FRegistry->ReadInteger(AName));
    case REG_QWORD: {
      Int64 V = 0;
      DWORD N = sizeof(V);
      RegQueryValueExW(FRegistry->CurrentKey(), AName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&V), &N);
      return Variant(static_cast<long long>(V));
    }
    case REG_BINARY: {
      const TBytes B = FRegistry->ReadBinaryData(AName);
      if (B.size() != sizeof(double)) throw ERegistryException(L"Invalid data type for '" + AName + L"'");
      double D;
      memcpy(&D, B.data(), sizeof(D));
      return Variant(D);
    }
    default:
      return Null();
  }
}

void TvxRegistryReader::ReadChildren(const String& AObjectName, const String&, TStrings* AChildrenNames,
                                     TStrings* AChildrenClassNames) {
  if (!OpenObjectKey(AObjectName)) return;
  TStringList Keys;
  FRegistry->GetKeyNames(&Keys);
  bool ClassKeySkipped = false;
  const String Path = ObjectKeyPath(FStorageKey, AObjectName);
  for (Integer I = 0; I < Keys.Count(); ++I) {
    const String K = Keys.Strings(I);
    if (!ClassKeySkipped && K == CClassNameKey) {
      ClassKeySkipped = true;
      continue;
    }
    String ClassName;
    FRegistry->CloseKey();
    if (FRegistry->OpenKeyReadOnly(Path + L"\\" + K + L"\\" + CClassNameKey) && FRegistry->ValueExists(L"ClassName"))
      ClassName = FRegistry->ReadString(L"ClassName");
    AChildrenNames->Add(K);
    AChildrenClassNames->Add(ClassName);
    FRegistry->CloseKey();
    FRegistry->OpenKeyReadOnly(Path);
  }
}

TvxRegistryWriter::TvxRegistryWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate)
    : TvxCustomWriter(AStorageName, AStorageStream, AReCreate),
      FRegistry(std::make_unique<TRegistry>()),
      FStorageKey(StorageKeyOf(AStorageName)) {
  FRegistry->SetRootKey(HKEY_CURRENT_USER);
  if (AReCreate && !FStorageKey.empty()) FRegistry->DeleteKey(FStorageKey);
  FRootKeyCreated = FRegistry->KeyExists(FStorageKey);
}

TvxRegistryWriter::~TvxRegistryWriter() = default;

void TvxRegistryWriter::BeginWriteObject(const String& AObjectName, const String& AClassName) {
  if (!FRootKeyOpened) {
    if (!FRootKeyCreated) {
      if (!FRegistry->OpenKey(FStorageKey, true))
        throw ERegistryException(L"Can't create the registry key: \\" + FStorageName);
      FRootKeyCreated = true;
    }
    FRegistry->CloseKey();
    if (!FRegistry->OpenKey(FStorageKey, false))
      throw ERegistryException(L"Can't open the registry key: \\" + FStorageName);
    FRootKeyOpened = true;
  }
  const String Key = ObjectKeyPath(FStorageKey, AObjectName);
  FRegistry->CloseKey();
  if (!FRegistry->OpenKey(Key + L"\\" + CClassNameKey, true))
    throw ERegistryException(L"Error store " + AObjectName + L" object");
  FRegistry->WriteString(L"ClassName", AClassName);
  FRegistry->CloseKey();
  if (!FRegistry->OpenKey(Key, false)) throw ERegistryException(L"Error store " + AObjectName + L" object");
}

void TvxRegistryWriter::EndWriteObject(const String& AObjectName, const String&) {
  const size_t P = AObjectName.rfind(L'/');
  FRegistry->CloseKey();
  FRegistry->OpenKey(P == String::npos ? FStorageKey : ObjectKeyPath(FStorageKey, AObjectName.substr(0, P)), false);
}

void TvxRegistryWriter::WriteProperty(const String& AObjectName, const String&, const String& AName,
                                      const Variant& AValue) {
  const TVarType T = AValue.VType();
  if (IsIntegerType(T)) {
    const Int64 V = AValue.AsInt64();
    if (V >= INT32_MIN && V <= INT32_MAX) {
      FRegistry->WriteInteger(AName, static_cast<Integer>(V));
    } else {
      // Beyond 32 bits the value is kept whole as a 64-bit registry value.
      if (RegSetValueExW(FRegistry->CurrentKey(), AName.c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&V),
                         sizeof(V)) != ERROR_SUCCESS)
        throw ERegistryException(L"Error store " + AObjectName + L" object");
    }
  } else if (IsFloatType(T) || T == varDate) {
    const double D = AValue.AsDouble();
    FRegistry->WriteBinaryData(AName, &D, sizeof(D));
  } else if (IsStringType(T)) {
    FRegistry->WriteString(AName, L"\"" + VarToWideStr(AValue) + L"\"");
  }
}

// --- Stream items -------------------------------------------------------------------------------------------

namespace {

void WriteByte(TStream* S, Byte B) { S->WriteBuffer(&B, 1); }

void WriteIntItem(TStream* S, Int64 V) {
  if (V >= -128 && V <= 127) {
    WriteByte(S, vaInt8);
    const int8_t B = static_cast<int8_t>(V);
    S->WriteBuffer(&B, 1);
  } else if (V >= -32768 && V <= 32767) {
    WriteByte(S, vaInt16);
    const int16_t W = static_cast<int16_t>(V);
    S->WriteBuffer(&W, 2);
  } else if (V >= INT32_MIN && V <= INT32_MAX) {
    WriteByte(S, vaInt32);
    const int32_t I = static_cast<int32_t>(V);
    S->WriteBuffer(&I, 4);
  } else {
    WriteByte(S, vaInt64);
    S->WriteBuffer(&V, 8);
  }
}

void WriteTextItem(TStream* S, const String& T) {
  const AnsiString U = vdWideToAnsiString(T, CP_UTF8);
  if (U.size() < 2 * T.size()) {
    bool Ascii = true;
    for (unsigned char C : U) Ascii = Ascii && C < 0x80;
    if (Ascii) {
      if (U.size() <= 255) {
        WriteByte(S, vaString);
        WriteByte(S, static_cast<Byte>(U.size()));
      } else {
        WriteByte(S, vaLString);
        const int32_t N = static_cast<int32_t>(U.size());
        S->WriteBuffer(&N, 4);
      }
    } else {
      WriteByte(S, vaUTF8String);
      const int32_t N = static_cast<int32_t>(U.size());
      S->WriteBuffer(&N, 4);
    }
    if (!U.empty()) S->WriteBuffer(U.data(), static_cast<Integer>(U.size()));
  } else {
    WriteByte(S, vaWString);
    const int32_t N = static_cast<int32_t>(T.size());
    S->WriteBuffer(&N, 4);
    if (N) S->WriteBuffer(T.data(), N * 2);
  }
}

[[noreturn]] void BadFormat() { throw EReadError(L"Invalid stream format"); }

Byte ReadTag(TStream* S) {
  Byte B;
  S->ReadBuffer(&B, 1);
  return B;
}

// A count of bytes or units that the rest of the stream can hold.
int32_t ReadCount(TStream* S, int32_t UnitSize) {
  int32_t N;
  S->ReadBuffer(&N, 4);
  if (N < 0 || static_cast<Int64>(N) * UnitSize > S->Size() - S->Position()) BadFormat();
  return N;
}

bool ReadIntAfterTag(TStream* S, Byte Tag, Int64& V) {
  switch (Tag) {
    case vaInt8: { int8_t B; S->ReadBuffer(&B, 1); V = B; return true; }
    case vaInt16: { int16_t W; S->ReadBuffer(&W, 2); V = W; return true; }
    case vaInt32: { int32_t I; S->ReadBuffer(&I, 4); V = I; return true; }
    case vaInt64: { S->ReadBuffer(&V, 8); return true; }
    default: return false;
  }
}

Int64 ReadIntItem(TStream* S, bool* Is64 = nullptr) {
  const Byte Tag = ReadTag(S);
  Int64 V;
  if (!ReadIntAfterTag(S, Tag, V)) BadFormat();
  if (Is64) *Is64 = Tag == vaInt64;
  return V;
}

// Counts are 32-bit values.
Integer ReadCountItem(TStream* S) {
  bool Is64;
  const Int64 V = ReadIntItem(S, &Is64);
  if (Is64 || V < 0 || V > INT32_MAX) BadFormat();
  return static_cast<Integer>(V);
}

String ReadTextAfterTag(TStream* S, Byte Tag) {
  switch (Tag) {
    case vaString:
    case vaLString: {
      int32_t N;
      if (Tag == vaString) N = ReadTag(S);
      else N = ReadCount(S, 1);
      AnsiString A(static_cast<size_t>(N), '\0');
      if (N) S->ReadBuffer(A.data(), N);
      return vdAnsiToWideString(A, CP_ACP);
    }
    case vaUTF8String: {
      const int32_t N = ReadCount(S, 1);
      AnsiString A(static_cast<size_t>(N), '\0');
      if (N) S->ReadBuffer(A.data(), N);
      return vdAnsiToWideString(A, CP_UTF8);
    }
    case vaWString: {
      const int32_t N = ReadCount(S, 2);
      String W(static_cast<size_t>(N), L'\0');
      if (N) S->ReadBuffer(W.data(), N * 2);
      return W;
    }
    default:
      BadFormat();
  }
}

String ReadTextItem(TStream* S) { return ReadTextAfterTag(S, ReadTag(S)); }

// The x87 80-bit extended form of a double, and back.
void DoubleToExtended(double D, Byte Out[10]) {
  memset(Out, 0, 10);
  uint64_t Bits;
  memcpy(&Bits, &D, 8);
  const bool Neg = Bits >> 63;
  const int Exp = static_cast<int>((Bits >> 52) & 0x7FF);
  uint64_t Frac = Bits & ((uint64_t(1) << 52) - 1);
  uint64_t Mant = 0;
  int E = 0;
  if (Exp == 0 && Frac == 0) {
    E = 0;
  } else if (Exp == 0x7FF) {
    E = 0x7FFF;
    Mant = (uint64_t(1) << 63) | (Frac << 11);
  } else if (Exp == 0) {  // subnormal: normalise
    int Shift = 0;
    while (!(Frac & (uint64_t(1) << 52))) { Frac <<= 1; ++Shift; }
    E = 1 - 1023 - Shift + 16383;
    Mant = Frac << 11;
  } else {
    E = Exp - 1023 + 16383;
    Mant = (uint64_t(1) << 63) | (Frac << 11);
  }
  memcpy(Out, &Mant, 8);
  const uint16_t SE = static_cast<uint16_t>((Neg ? 0x8000 : 0) | E);
  memcpy(Out + 8, &SE, 2);
}

double ExtendedToDouble(const Byte In[10]) {
  uint64_t Mant;
  uint16_t SE;
  memcpy(&Mant, In, 8);
  memcpy(&SE, In + 8, 2);
  const bool Neg = SE & 0x8000;
  const int E = SE & 0x7FFF;
  double R;
  if (E == 0 && Mant == 0) R = 0;
  else if (E == 0x7FFF) R = (Mant << 1) ? NAN : INFINITY;
  else R = std::ldexp(static_cast<double>(Mant), E - 16383 - 63);
  return Neg ? -R : R;
}

double ReadFloatAfterTag(TStream* S, Byte Tag, bool AllowDouble) {
  Int64 I;
  if (ReadIntAfterTag(S, Tag, I)) return static_cast<double>(I);
  if (Tag == vaExtended) {
    Byte B[10];
    S->ReadBuffer(B, 10);
    return ExtendedToDouble(B);
  }
  if (Tag == vaDouble && AllowDouble) {
    double D;
    S->ReadBuffer(&D, 8);
    return D;
  }
  BadFormat();
}

}  // namespace

// --- Stream records ----------------------------------------------------------------------------------------

void TvxStreamPropertyData::Write(TStream* S) {
  WriteTextItem(S, FName);
  const TVarType T = FValue.VType();
  if (T == varBoolean) {
    WriteIntItem(S, 1);
    WriteByte(S, FValue.AsBoolean() ? vaTrue : vaFalse);
  } else if (T == varByte) {
    WriteIntItem(S, 2);
    WriteTextItem(S, String(1, static_cast<wchar_t>(FValue.AsInteger() & 0xFF)));
  } else if (T == varCurrency) {
    WriteIntItem(S, 3);
    WriteByte(S, vaCurrency);
    const Int64 V = FValue.AsCurrency().Value;
    S->WriteBuffer(&V, 8);
  } else if (T == varDate) {
    WriteIntItem(S, 4);
    WriteByte(S, vaDate);
    const double D = FValue.AsDouble();
    S->WriteBuffer(&D, 8);
  } else if (T == varDouble) {
    WriteIntItem(S, 5);
    WriteByte(S, vaExtended);
    Byte B[10];
    DoubleToExtended(FValue.AsDouble(), B);
    S->WriteBuffer(B, 10);
  } else if (T == varSmallint || T == varInteger || T == varShortInt || T == varWord || T == varLongWord ||
             T == varInt64) {
    WriteIntItem(S, 6);
    WriteIntItem(S, FValue.AsInt64());
  } else if (T == varSingle) {
    WriteIntItem(S, 7);
    WriteByte(S, vaSingle);
    const float F = static_cast<float>(FValue.AsDouble());
    S->WriteBuffer(&F, 4);
  } else if (T == varString) {
    WriteIntItem(S, 8);
    WriteTextItem(S, VarToWideStr(FValue));
  } else if (T == varOleStr || T == varUString) {
    WriteIntItem(S, 9);
    WriteTextItem(S, VarToWideStr(FValue));
  } else {
    // No kind exists for the value's type: it is written as text, which reads back.
    WriteIntItem(S, 9);
    WriteTextItem(S, VarToWideStr(FValue));
  }
}

void TvxStreamPropertyData::Read(TStream* S) {
  FName = ReadTextItem(S);
  const Integer Kind = ReadCountItem(S);
  const Byte Tag = ReadTag(S);
  switch (Kind) {
    case 1:
      if (Tag != vaTrue && Tag != vaFalse) BadFormat();
      FValue = Variant(Tag == vaTrue);
      break;
    case 2: {
      const String T = ReadTextAfterTag(S, Tag);
      FValue = Variant(static_cast<Byte>(T.empty() ? 0 : T[0] & 0xFF));
      break;
    }
    case 3: {
      Int64 I;
      if (ReadIntAfterTag(S, Tag, I)) FValue = Variant(Currency::FromScaled(I * Currency::Scale));
      else if (Tag == vaCurrency) { S->ReadBuffer(&I, 8); FValue = Variant(Currency::FromScaled(I)); }
      else FValue = Variant(Currency::FromDouble(ReadFloatAfterTag(S, Tag, true)));
      break;
    }
    case 4: {
      double D;
      if (Tag == vaDate) S->ReadBuffer(&D, 8);
      else D = ReadFloatAfterTag(S, Tag, true);
      FValue = Variant(TDateTime(D), varDateTag);
      break;
    }
    case 5:
      FValue = Variant(ReadFloatAfterTag(S, Tag, true));
      break;
    case 6: {
      Int64 I;
      if (!ReadIntAfterTag(S, Tag, I)) BadFormat();
      FValue = Tag == vaInt64 ? Variant(static_cast<long long>(I)) : Variant(static_cast<int>(I));
      break;
    }
    case 7: {
      if (Tag == vaSingle) {
        float F;
        S->ReadBuffer(&F, 4);
        FValue = Variant(static_cast<double>(F));
      } else {
        FValue = Variant(ReadFloatAfterTag(S, Tag, true));
      }
      break;
    }
    case 8:
      FValue = Variant(ReadTextAfterTag(S, Tag));
      break;
    case 9: {
      Variant V(ReadTextAfterTag(S, Tag));
      FValue = V;
      break;
    }
    default:
      BadFormat();
  }
}

void TvxStreamObjectData::Write(TStream* S) {
  // Depth first with an explicit stack, so a deep tree cannot exhaust the call stack.
  auto Header = [S](TvxStreamObjectData* O) {
    WriteTextItem(S, O->FName);
    WriteTextItem(S, O->FClassName);
    WriteIntItem(S, O->PropertyCount());
    for (auto& P : O->FProperties) P->Write(S);
    WriteIntItem(S, O->ChildCount());
  };
  std::vector<std::pair<TvxStreamObjectData*, size_t>> Stack;
  Header(this);
  Stack.push_back({this, 0});
  while (!Stack.empty()) {
    auto& [O, Next] = Stack.back();
    if (Next >= O->FChildren.size()) {
      Stack.pop_back();
      continue;
    }
    TvxStreamObjectData* C = O->FChildren[Next++].get();
    Header(C);
    Stack.push_back({C, 0});
  }
}

void TvxStreamObjectData::Read(TStream* S) {
  auto Header = [S](TvxStreamObjectData* O) {
    O->FName = ReadTextItem(S);
    O->FClassName = ReadTextItem(S);
    const Integer N = ReadCountItem(S);
    for (Integer I = 0; I < N; ++I) {
      auto P = std::make_unique<TvxStreamPropertyData>(String(), Variant());
      P->Read(S);
      O->FProperties.push_back(std::move(P));
    }
    return ReadCountItem(S);
  };
  std::vector<std::pair<TvxStreamObjectData*, Integer>> Stack;
  Stack.push_back({this, Header(this)});
  while (!Stack.empty()) {
    auto& [O, Left] = Stack.back();
    if (Left == 0) {
      Stack.pop_back();
      continue;
    }
    --Left;
    auto C = std::make_unique<TvxStreamObjectData>(String(), String());
    TvxStreamObjectData* Child = C.get();
    O->FChildren.push_back(std::move(C));
    const Integer Count = Header(Child);
    Stack.push_back({Child, Count});
  }
}

// --- Stream reader and writer ---------------------------------------------------------------------------

TvxStreamReader::TvxStreamReader(const String& AStorageName, TStream* AStorageStream)
    : TvxCustomReader(AStorageName, AStorageStream) {}

TvxStreamReader::~TvxStreamReader() = default;

bool TvxStreamReader::HasStoredData() { return FStorageStream && FStorageStream->Size() > 0; }

void TvxStreamReader::StartReading() {
  // The last object looked up belongs to the tree being discarded.
  FCurrentObject = nullptr;
  FCurrentObjectFullName.clear();
  FRootObject = std::make_unique<TvxStreamObjectData>(String(), String());
  if (FStorageStream && FStorageStream->Position() < FStorageStream->Size()) FRootObject->Read(FStorageStream);
}

TvxStreamObjectData* TvxStreamReader::FindObject(const String& AFullName) {
  if (!FRootObject) return nullptr;
  if (FCurrentObject && AFullName == FCurrentObjectFullName) return FCurrentObject;
  const std::vector<String> Segments = SplitPath(AFullName);
  TvxStreamObjectData* O = FRootObject.get();
  for (size_t I = 1; I < Segments.size() && O; ++I) {
    TvxStreamObjectData* Found = nullptr;
    for (Integer C = 0; C < O->ChildCount() && !Found; ++C)
      if (O->Children(C)->Name() == Segments[I]) Found = O->Children(C);
    // A segment that names no child ends the walk: the path names no stored object.
    O = Found;
  }
  if (!O) return nullptr;
  FCurrentObject = O;
  FCurrentObjectFullName = AFullName;
  return O;
}

void TvxStreamReader::ReadProperties(const String& AObjectName, const String&, TStrings* AProperties) {
  if (TvxStreamObjectData* O = FindObject(AObjectName))
    for (Integer I = 0; I < O->PropertyCount(); ++I) AProperties->Add(O->Properties(I)->Name());
}

Variant TvxStreamReader::ReadProperty(const String& AObjectName, const String&, const String& AName) {
  if (TvxStreamObjectData* O = FindObject(AObjectName))
    for (Integer I = 0; I < O->PropertyCount(); ++I)
      if (O->Properties(I)->Name() == AName) return O->Properties(I)->Value();
  return Null();
}

void TvxStreamReader::ReadChildren(const String& AObjectName, const String&, TStrings* AChildrenNames,
                                   TStrings* AChildrenClassNames) {
  if (TvxStreamObjectData* O = FindObject(AObjectName))
    for (Integer I = 0; I < O->ChildCount(); ++I) {
      AChildrenNames->Add(O->Children(I)->Name());
      AChildrenClassNames->Add(O->Children(I)->ClassName_());
    }
}

TvxStreamWriter::TvxStreamWriter(const String& AStorageName, TStream* AStorageStream, bool AReCreate)
    : TvxCustomWriter(AStorageName, AStorageStream, AReCreate) {}

TvxStreamWriter::~TvxStreamWriter() = default;

void TvxStreamWriter::BeginWriteObject(const String& AObjectName, const String& AClassName) {
  const std::vector<String> Segments = SplitPath(AObjectName);
  const String Last = Segments.back();
  if (!FRootObject) {
    if (Segments.size() == 1) {
      FRootObject = std::make_unique<TvxStreamObjectData>(Last, AClassName);
      FCurrentObject = FRootObject.get();
    }
    return;
  }
  TvxStreamObjectData* O = FRootObject.get();
  for (size_t I = 1; I + 1 < Segments.size() && O; ++I) {
    TvxStreamObjectData* Found = nullptr;
    for (Integer C = 0; C < O->ChildCount() && !Found; ++C)
      if (O->Children(C)->Name() == Segments[I]) Found = O->Children(C);
    O = Found;
  }
  // A parent that was never written: nothing is added, and its properties are dropped.
  if (!O) {
    FCurrentObject = nullptr;
    return;
  }
  auto Child = std::make_unique<TvxStreamObjectData>(Last, AClassName);
  FCurrentObject = Child.get();
  O->AddChild(std::move(Child));
}

void TvxStreamWriter::WriteProperty(const String&, const String&, const String& AName, const Variant& AValue) {
  if (FCurrentObject) FCurrentObject->AddProperty(std::make_unique<TvxStreamPropertyData>(AName, AValue));
}

void TvxStreamWriter::FinishWriting() {
  if (FRootObject) FRootObject->Write(FStorageStream);
  FRootObject.reset();
  FCurrentObject = nullptr;
}

// --- Storage --------------------------------------------------------------------------------------------------

TvxStorage::TvxStorage(const String& AStorageName, TStream* AStorageStream)
    : FStorageName(AStorageName), FStream(AStorageStream) {}

TvxStorageModes TvxStorage::EffectiveModes() { return OnGetStorageModes ? OnGetStorageModes() : FModes; }

bool TvxStorage::EffectiveUseInterfaceOnly() {
  return OnGetUseInterfaceOnly ? OnGetUseInterfaceOnly() : FUseInterfaceOnly;
}

namespace {
std::unique_ptr<TvxCustomReader> NewReader(TvxCustomReaderClass C, const String& Name, TStream* S) {
  if (C == TvxIniFileReader::StaticClass()) return std::make_unique<TvxIniFileReader>(Name, S);
  if (C == TvxRegistryReader::StaticClass()) return std::make_unique<TvxRegistryReader>(Name, S);
  if (C == TvxStreamReader::StaticClass()) return std::make_unique<TvxStreamReader>(Name, S);
  if (C == TvxCustomReader::StaticClass()) return std::make_unique<TvxCustomReader>(Name, S);
  return nullptr;
}
std::unique_ptr<TvxCustomWriter> NewWriter(TvxCustomWriterClass C, const String& Name, TStream* S, bool ReCreate) {
  if (C == TvxIniFileWriter::StaticClass()) return std::make_unique<TvxIniFileWriter>(Name, S, ReCreate);
  if (C == TvxRegistryWriter::StaticClass()) return std::make_unique<TvxRegistryWriter>(Name, S, ReCreate);
  if (C == TvxStreamWriter::StaticClass()) return std::make_unique<TvxStreamWriter>(Name, S, ReCreate);
  if (C == TvxCustomWriter::StaticClass()) return std::make_unique<TvxCustomWriter>(Name, S, ReCreate);
  return nullptr;
}
}  // namespace

void TvxStorage::RestoreFrom(TObject* AObject, TvxCustomReaderClass AReaderClass) {
  std::unique_ptr<TvxCustomReader> R = NewReader(AReaderClass, FStorageName, FStream);
  RestoreWithExistingReader(AObject, R.get());
}

void TvxStorage::RestoreWithExistingReader(TObject* AObject, TvxCustomReader* AReader) {
  if (!AReader || !AReader->HasStoredData()) return;
  FStoredObject = AObject;
  AReader->StartReading();
  auto Finish = TScopeExit([AReader] { AReader->FinishReading(); });
  RestoreObjectLevel(AReader, String());
}

void TvxStorage::RestoreFromIni(TObject* AObject) { RestoreFrom(AObject, TvxIniFileReader::StaticClass()); }
void TvxStorage::RestoreFromRegistry(TObject* AObject) { RestoreFrom(AObject, TvxRegistryReader::StaticClass()); }
void TvxStorage::RestoreFromStream(TObject* AObject) { RestoreFrom(AObject, TvxStreamReader::StaticClass()); }

void TvxStorage::StoreTo(TObject* AObject, TvxCustomWriterClass AWriterClass) {
  std::unique_ptr<TvxCustomWriter> W = NewWriter(AWriterClass, FStorageName, FStream, FReCreate);
  StoreWithExistingWriter(AObject, W.get());
}

void TvxStorage::StoreWithExistingWriter(TObject* AObject, TvxCustomWriter* AWriter) {
  if (!AWriter || !AWriter->IsWritable()) return;
  FStoredObject = AObject;
  AWriter->StartWriting();
  auto Finish = TScopeExit([AWriter] { AWriter->FinishWriting(); });
  StoreObjectLevel(AWriter, String());
}

void TvxStorage::StoreToIni(TObject* AObject) { StoreTo(AObject, TvxIniFileWriter::StaticClass()); }
void TvxStorage::StoreToRegistry(TObject* AObject) { StoreTo(AObject, TvxRegistryWriter::StaticClass()); }
void TvxStorage::StoreToStream(TObject* AObject) { StoreTo(AObject, TvxStreamWriter::StaticClass()); }

String TvxStorage::ObjectName(TObject* AObject) {
  if (auto* I = dynamic_cast<IvxStorageObject*>(AObject)) return I->GetStorageObjectName();
  if (auto* C = dynamic_cast<TComponent*>(AObject)) return C->Name();
  return L"Object";
}

String TvxStorage::LevelName(const String& AName) {
  String N = AName.empty() ? ObjectName(FStoredObject) : AName;
  if (!FNamePrefix.empty()) N = FNamePrefix + L"." + N;
  return N;
}

std::unique_ptr<TvxStorage> TvxStorage::ChildStorage(const String& AParentFullName) {
  auto S = std::make_unique<TvxStorage>(FStorageName, FStream);
  S->FObjectNamePrefix = AParentFullName + L"/";
  S->OnTestClassProperty = OnTestClassProperty;
  S->OnGetComponentByName = OnGetComponentByName;
  S->FModes = EffectiveModes();
  S->FSaveComponentPropertiesByName = FSaveComponentPropertiesByName;
  // A tree stored through its interfaces only is stored so all the way down.
  S->FUseInterfaceOnly = EffectiveUseInterfaceOnly();
  return S;
}

void TvxStorage::GetPropertyNames(TStrings* ANames) {
  if (auto* I = dynamic_cast<IvxStorageObject*>(FStoredObject)) {
    if (I->GetStorageProperties(ANames)) return;
    ANames->Clear();
  }
  if (!ClassHasTypeInfo(FStoredObject->ClassType())) return;
  for (PPropInfo P : GetPropList(FStoredObject))
    if (P->PropType && P->PropType->Kind != tkMethod) ANames->Add(P->Name);
}

Variant TvxStorage::GetPropertyValue(const String& AName) {
  Variant V = Null();
  auto* Intf = dynamic_cast<IvxStorageObject*>(FStoredObject);
  PPropInfo P = nullptr;
  if (!EffectiveUseInterfaceOnly() && ClassHasTypeInfo(FStoredObject->ClassType()))
    P = GetPropInfo(FStoredObject, AName);
  bool Done = false;
  if (P && P->PropType) {
    Done = true;
    switch (P->PropType->Kind) {
      case tkInteger: case tkChar: case tkWChar:
        V = Variant(static_cast<int>(GetOrdProp(FStoredObject, P)));
        break;
      case tkEnumeration:
        V = Variant(GetEnumProp(FStoredObject, P));
        break;
      case tkFloat:
        V = Variant(GetFloatProp(FStoredObject, P));
        break;
      case tkString: case tkLString: case tkUString: case tkWString:
        V = Variant(GetStrProp(FStoredObject, P));
        break;
      case tkSet:
        V = Variant(GetSetProp(FStoredObject, P, true));
        break;
      case tkVariant:
        V = GetVariantProp(FStoredObject, P);
        break;
      case tkInt64:
        V = Variant(static_cast<long long>(GetInt64Prop(FStoredObject, P)));
        break;
      case tkClass:
        if (FSaveComponentPropertiesByName) {
          if (auto* C = dynamic_cast<TComponent*>(GetObjectProp(FStoredObject, P))) V = Variant(C->Name());
        } else {
          Done = false;
        }
        break;
      default:
        Done = false;
    }
  }
  if (!Done && Intf) Intf->GetStoragePropertyValue(AName, V);
  if (V.VType() == varBoolean) V = Variant(String(V.AsBoolean() ? L"True" : L"False"));
  return V;
}

void TvxStorage::SetPropertyValue(const String& AName, const Variant& AValue) {
  if (AValue.IsNull()) return;
  auto* Intf = dynamic_cast<IvxStorageObject*>(FStoredObject);
  PPropInfo P = nullptr;
  if (!EffectiveUseInterfaceOnly() && ClassHasTypeInfo(FStoredObject->ClassType()))
    P = GetPropInfo(FStoredObject, AName);
  if (P && P->PropType) {
    switch (P->PropType->Kind) {
      case tkInteger: case tkChar: case tkWChar:
        SetOrdProp(FStoredObject, P, AValue.AsInteger());
        return;
      case tkEnumeration:
        SetEnumProp(FStoredObject, P, VarToWideStr(AValue));
        return;
      case tkFloat:
        SetFloatProp(FStoredObject, P, AValue.AsDouble());
        return;
      case tkString: case tkLString: case tkUString: case tkWString:
        SetStrProp(FStoredObject, P, VarToWideStr(AValue));
        return;
      case tkSet:
        SetSetProp(FStoredObject, P, VarToWideStr(AValue));
        return;
      case tkVariant:
        SetVariantProp(FStoredObject, P, AValue);
        return;
      case tkInt64:
        SetInt64Prop(FStoredObject, P, AValue.AsInt64());
        return;
      case tkClass: {
        TClass C = GetObjectPropClass(P);
        if (FSaveComponentPropertiesByName && VarIsStr(AValue) && C && C->InheritsFrom(TComponent::StaticClass())) {
          if (OnGetComponentByName)
            if (TComponent* Found = OnGetComponentByName(VarToWideStr(AValue))) SetObjectProp(FStoredObject, P, Found);
          return;
        }
        break;
      }
      default:
        break;
    }
  }
  if (Intf) Intf->SetStoragePropertyValue(AName, AValue);
}

void TvxStorage::GetChildren(TObject* AObject, std::vector<std::pair<String, TObject*>>& AChildren) {
  auto* Parent = dynamic_cast<IvxStorageParent*>(AObject);
  if (Parent) {
    TStringList L;
    Parent->GetStorageChildren(&L);
    for (Integer I = 0; I < L.Count(); ++I) AChildren.push_back({L.Strings(I), L.Objects(I)});
  }
  if (!EffectiveModes().Contains(smSavePublishedClassProperties)) return;
  if (auto* Coll = dynamic_cast<TCollection*>(AObject); Coll && !Parent)
    for (Integer I = 0; I < Coll->Count(); ++I) AChildren.push_back({IntToStr(I), Coll->Items(I)});
  if (!ClassHasTypeInfo(AObject->ClassType())) return;
  for (PPropInfo P : GetPropList(AObject))
    if (P->PropType && P->PropType->Kind == tkClass)
      if (TObject* O = GetObjectProp(AObject, P))
        if (!OnTestClassProperty || OnTestClassProperty(P->Name, AObject)) AChildren.push_back({P->Name, O});
}

void TvxStorage::StoreObjectLevel(TvxCustomWriter* AWriter, const String& AName) {
  const String FullName = FObjectNamePrefix + LevelName(AName);
  const String ClassName = FStoredObject->ClassName();
  AWriter->BeginWriteObject(FullName, ClassName);
  TStringList Names;
  GetPropertyNames(&Names);
  for (Integer I = 0; I < Names.Count(); ++I) {
    const Variant V = GetPropertyValue(Names.Strings(I));
    if (!V.IsEmpty() && !V.IsNull()) AWriter->WriteProperty(FullName, ClassName, Names.Strings(I), V);
  }
  std::vector<std::pair<String, TObject*>> Children;
  GetChildren(FStoredObject, Children);
  for (auto& [Name, Child] : Children) {
    std::unique_ptr<TvxStorage> S = ChildStorage(FullName);
    S->FStoredObject = Child;
    S->StoreObjectLevel(AWriter, Name);
  }
  AWriter->EndWriteObject(FullName, ClassName);
}

void TvxStorage::RestoreObjectLevel(TvxCustomReader* AReader, const String& AName) {
  const String FullName = FObjectNamePrefix + LevelName(AName);
  const String ClassName = FStoredObject->ClassName();
  TStringList Names;
  AReader->ReadProperties(FullName, ClassName, &Names);
  for (Integer I = 0; I < Names.Count(); ++I) {
    if (Names.Strings(I).empty()) continue;
    const Variant V = AReader->ReadProperty(FullName, ClassName, Names.Strings(I));
    if (!V.IsNull()) SetPropertyValue(Names.Strings(I), V);
  }
  TStringList StoredNames, StoredClasses;
  AReader->ReadChildren(FullName, ClassName, &StoredNames, &StoredClasses);
  std::vector<std::pair<String, TObject*>> Existing;
  GetChildren(FStoredObject, Existing);
  // Existing children by upper-cased name, so each stored child is matched in one look-up.
  std::unordered_multimap<String, size_t> Index;
  for (size_t I = 0; I < Existing.size(); ++I) {
    if (Existing[I].first.empty()) Existing[I].first = ObjectName(Existing[I].second);
    Index.emplace(UpperCase(Existing[I].first), I);
  }
  std::vector<bool> Taken(Existing.size(), false);
  const TvxStorageModes Modes = EffectiveModes();
  for (Integer I = 0; I < StoredNames.Count(); ++I) {
    const String Stored = StoredNames.Strings(I);
    TObject* Child = nullptr;
    String Name = Stored;
    auto [Lo, Hi] = Index.equal_range(UpperCase(Stored));
    size_t Best = SIZE_MAX;
    for (auto It = Lo; It != Hi; ++It)
      if (!Taken[It->second] && It->second < Best) Best = It->second;
    if (Best != SIZE_MAX) {
      Taken[Best] = true;
      Child = Existing[Best].second;
      Name = Existing[Best].first;
    } else if (Modes.Contains(smChildrenCreating)) {
      if (auto* P = dynamic_cast<IvxStorageParent*>(FStoredObject))
        Child = P->CreateStorageChild(Stored, StoredClasses.Strings(I));
      if (!Child)
        if (auto* Coll = dynamic_cast<TCollection*>(FStoredObject)) Child = Coll->Add();
    }
    if (!Child) continue;
    std::unique_ptr<TvxStorage> S = ChildStorage(FullName);
    S->FStoredObject = Child;
    S->RestoreObjectLevel(AReader, Name);
  }
  if (!Modes.Contains(smChildrenDeleting)) return;
  for (size_t I = 0; I < Existing.size(); ++I) {
    if (Taken[I]) continue;
    if (auto* P = dynamic_cast<IvxStorageParent*>(FStoredObject)) P->DeleteStorageChild(Existing[I].first, Existing[I].second);
    else if (dynamic_cast<TCollection*>(FStoredObject)) delete Existing[I].second;
  }
}

const TUnitInfo vxStorageUnit = {L"vxStorage", nullptr, nullptr};
