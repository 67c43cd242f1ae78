#include "Streaming.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>

namespace {

constexpr Integer MaxNesting = 200;  // lists, collections and components inside each other

bool SameIdent(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x + 32);
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string ToUtf8(const String& s) { return StringToCodePage(CP_UTF8, s); }

// 80-bit x87 extended values, converted by hand so that the format does not depend on
// the compiler's long double.
void DoubleToExtended(double d, Byte out[10]) {
  UInt64 bits;
  std::memcpy(&bits, &d, 8);
  const bool neg = bits >> 63;
  int exp = static_cast<int>((bits >> 52) & 0x7FF);
  UInt64 mant = bits & ((UInt64(1) << 52) - 1);
  UInt64 m = 0;
  int e = 0;
  if (exp == 0 && mant == 0) {
    m = 0; e = 0;
  } else if (exp == 0x7FF) {
    e = 0x7FFF;
    m = (UInt64(1) << 63) | (mant << 11);
  } else {
    if (exp == 0) {  // subnormal: normalise
      exp = 1;
      while (!(mant & (UInt64(1) << 52))) { mant <<= 1; --exp; }
      mant &= (UInt64(1) << 52) - 1;
    }
    e = exp - 1023 + 16383;
    m = (UInt64(1) << 63) | (mant << 11);
  }
  std::memcpy(out, &m, 8);
  Word se = static_cast<Word>(e | (neg ? 0x8000 : 0));
  std::memcpy(out + 8, &se, 2);
}

double ExtendedToDouble(const Byte in[10]) {
  UInt64 m;
  Word se;
  std::memcpy(&m, in, 8);
  std::memcpy(&se, in + 8, 2);
  const bool neg = se & 0x8000;
  const int e = se & 0x7FFF;
  double r;
  if (e == 0 && m == 0) r = 0.0;
  else if (e == 0x7FFF) r = (m << 1) ? std::nan("") : HUGE_VAL;
  else r = std::ldexp(static_cast<double>(m), e - 16383 - 63);
  return neg ? -r : r;
}

bool IsIntValue(TValueType v) { return v == vaInt8 || v == vaInt16 || v == vaInt32 || v == vaInt64; }

bool IsDateType(PTypeInfo t) {
  return t->Name == L"TDateTime" || t->Name == L"TDate" || t->Name == L"TTime";
}

// Named integer constants per type name.
struct TIntConsts {
  TIdentToInt ToInt;
  TIntToIdent ToIdent;
};
std::mutex& ConstsLock() {
  static std::mutex m;
  return m;
}
std::map<String, TIntConsts>& IntConsts() {
  static std::map<String, TIntConsts> m;
  return m;
}
std::vector<TFindGlobalComponent>& GlobalFinders() {
  static std::vector<TFindGlobalComponent> v;
  return v;
}

}  // namespace

namespace streaming_detail {
// Follows the components created by a read: told when one of them is freed (also when
// a parent frees its children), so the reader never touches a freed component.
class TReadTracker : public TComponent {
  DECLARE_CLASS(TReadTracker, TComponent)
 public:
  TReadTracker() : TComponent(nullptr) {}
  ~TReadTracker() override {
    for (TComponent* c : Created) c->RemoveFreeNotification(this);
  }
  void Track(TComponent* c) {
    Created.push_back(c);
    c->FreeNotification(this);
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    Created.erase(std::remove(Created.begin(), Created.end(), AComponent), Created.end());
    if (OnGone) OnGone(AComponent);
  }
  bool Alive(TComponent* c) const { return std::find(Created.begin(), Created.end(), c) != Created.end(); }
  std::vector<TComponent*> Created;
  std::function<void(TComponent*)> OnGone;
};
}  // namespace streaming_detail

// TReader ----------------------------------------------------------------------------------

struct TReader::TReadState {
  streaming_detail::TReadTracker Tracker;
  std::vector<TComponent*> Reading;  // components whose properties are being read
  bool FixupsActive = false;
};

TReader::TReader(TStream* Stream) : TFiler(Stream), FState(std::make_unique<TReadState>()) {
  FState->Tracker.OnGone = [this](TComponent* c) {
    FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), c), FLoaded.end());
    DropFixups(c);
  };
}

TReader::~TReader() { FState->Tracker.OnGone = nullptr; }

void TReader::InvalidFormat() { throw EReadError(L"Invalid stream format"); }
void TReader::InvalidValue() { throw EReadError(L"Invalid property value"); }

void TReader::Enter() {
  if (++FDepth > MaxNesting) {
    --FDepth;
    InvalidFormat();
  }
}

void TReader::Read(void* Buf, Integer Count) {
  if (Count <= 0) return;
  FStream->ReadBuffer(Buf, Count);
}

void TReader::CheckRemaining(Int64 Count) {
  if (Count < 0 || Count > FStream->Size() - FStream->Position()) InvalidFormat();
}

void TReader::ReadSignature() {
  char sig[4];
  if (FStream->Size() - FStream->Position() < 4) InvalidFormat();
  Read(sig, 4);
  if (std::memcmp(sig, "TPF0", 4) != 0) InvalidFormat();
}

void TReader::ReadPrefix(TFilerFlags& Flags, Integer& AChildPos) {
  Flags.Clear();
  AChildPos = 0;
  if ((static_cast<Byte>(NextValue()) & 0xF0) == 0xF0) {
    Byte b;
    Read(&b, 1);
    if (b & 0x01) Flags.Include(ffInherited);
    if (b & 0x02) Flags.Include(ffChildPos);
    if (b & 0x04) Flags.Include(ffInline);
    if (Flags.Contains(ffChildPos)) AChildPos = ReadInteger();
  }
}

TValueType TReader::NextValue() {
  Byte b;
  Read(&b, 1);
  FStream->Seek(-1, soCurrent);
  return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue() {
  Byte b;
  Read(&b, 1);
  if (b > vaDouble) InvalidFormat();
  return static_cast<TValueType>(b);
}

bool TReader::EndOfList() { return NextValue() == vaNull; }

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) InvalidFormat();
}

void TReader::ReadListBegin() { CheckValue(vaList); }
void TReader::ReadListEnd() { CheckValue(vaNull); }

String TReader::ReadStr() {
  Byte n;
  Read(&n, 1);
  char buf[256];
  Read(buf, n);
  return CodePageToString(CP_UTF8, buf, n);
}

void TReader::SkipValue() {
  Enter();
  switch (ReadValue()) {
    case vaNull: case vaFalse: case vaTrue: case vaNil: break;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      break;
    case vaInt8: FStream->Seek(1, soCurrent); break;
    case vaInt16: FStream->Seek(2, soCurrent); break;
    case vaInt32: case vaSingle: FStream->Seek(4, soCurrent); break;
    case vaExtended: FStream->Seek(10, soCurrent); break;
    case vaInt64: case vaDouble: case vaCurrency: case vaDate: FStream->Seek(8, soCurrent); break;
    case vaString: case vaIdent: ReadStr(); break;
    case vaBinary: case vaLString: case vaUTF8String: case vaWString: {
      FStream->Seek(-1, soCurrent);
      TValueType t = ReadValue();
      Integer n;
      Read(&n, 4);
      Int64 bytes = t == vaWString ? Int64(n) * 2 : n;
      CheckRemaining(bytes);
      FStream->Seek(bytes, soCurrent);
      break;
    }
    case vaSet:
      while (!ReadStr().empty()) {}
      break;
    case vaCollection:
      while (!EndOfList()) {
        if (IsIntValue(NextValue())) ReadInt64();
        ReadListBegin();
        while (!EndOfList()) {
          ReadStr();
          SkipValue();
        }
        ReadListEnd();
      }
      ReadListEnd();
      break;
  }
  CheckRemaining(0);  // a seek past the end means the stream was cut short
  Leave();
}

bool TReader::ReadBoolean() {
  TValueType v = ReadValue();
  if (v == vaTrue) return true;
  if (v == vaFalse) return false;
  InvalidValue();
}

Int64 TReader::ReadInt64() {
  switch (ReadValue()) {
    case vaInt8: { signed char v; Read(&v, 1); return v; }
    case vaInt16: { SmallInt v; Read(&v, 2); return v; }
    case vaInt32: { Integer v; Read(&v, 4); return v; }
    case vaInt64: { Int64 v; Read(&v, 8); return v; }
    default: InvalidValue();
  }
}

Integer TReader::ReadInteger() {
  if (NextValue() == vaInt64) InvalidValue();
  return static_cast<Integer>(ReadInt64());
}

double TReader::ReadFloat() {
  TValueType v = NextValue();
  if (IsIntValue(v)) return static_cast<double>(ReadInt64());
  switch (ReadValue()) {
    case vaExtended: { Byte b[10]; Read(b, 10); return ExtendedToDouble(b); }
    case vaDouble: case vaDate: { double d; Read(&d, 8); return d; }
    case vaSingle: { float f; Read(&f, 4); return f; }
    case vaCurrency: { Int64 c; Read(&c, 8); return static_cast<double>(c) / Currency::Scale; }
    default: InvalidValue();
  }
}

Single TReader::ReadSingle() { return static_cast<Single>(ReadFloat()); }

Currency TReader::ReadCurrency() {
  if (NextValue() == vaCurrency) {
    ReadValue();
    Int64 c;
    Read(&c, 8);
    return Currency::FromScaled(c);
  }
  return Currency::FromDouble(ReadFloat());
}

TDateTime TReader::ReadDate() { return ReadFloat(); }

String TReader::ReadString() {
  switch (ReadValue()) {
    case vaString: {
      Byte n;
      Read(&n, 1);
      char buf[256];
      Read(buf, n);
      return CodePageToString(CP_ACP, buf, n);
    }
    case vaLString: case vaUTF8String: {
      FStream->Seek(-1, soCurrent);
      TValueType t = ReadValue();
      Integer n;
      Read(&n, 4);
      CheckRemaining(n);
      std::string s(static_cast<size_t>(n), '\0');
      Read(s.data(), n);
      return CodePageToString(t == vaUTF8String ? CP_UTF8 : CP_ACP, s.data(), s.size());
    }
    case vaWString: {
      Integer n;
      Read(&n, 4);
      CheckRemaining(Int64(n) * 2);
      String s(static_cast<size_t>(n), L'\0');
      Read(s.data(), n * 2);
      return s;
    }
    default: InvalidValue();
  }
}

String TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return L"False";
    case vaTrue: return L"True";
    case vaNil: return L"nil";
    case vaNull: return L"Null";
    default: InvalidValue();
  }
}

wchar_t TReader::ReadChar() {
  if (IsIntValue(NextValue())) return static_cast<wchar_t>(ReadInt64());
  String s = ReadString();
  if (s.size() != 1) InvalidValue();
  return s[0];
}

Variant TReader::ReadVariant() {
  switch (NextValue()) {
    case vaNil: ReadValue(); return Unassigned();
    case vaNull: ReadValue(); return Null();
    case vaInt8: case vaInt16: case vaInt32: return Variant(static_cast<int>(ReadInt64()));
    case vaInt64: return Variant(static_cast<long long>(ReadInt64()));
    case vaExtended: case vaDouble: return Variant(ReadFloat());
    case vaSingle: return Variant(ReadSingle());
    case vaCurrency: return Variant(ReadCurrency());
    case vaDate: return Variant(ReadDate(), varDateTag);
    case vaFalse: case vaTrue: return Variant(ReadBoolean());
    case vaString: case vaLString: case vaWString: case vaUTF8String: return Variant(ReadString());
    case vaIdent:  // Null inside a list
      if (SameIdent(ReadIdent(), L"Null")) return Null();
      InvalidValue();
    case vaList: {
      Enter();
      TScopeExit leave([this] { Leave(); });
      ReadValue();
      std::vector<Variant> items;
      while (!EndOfList()) items.push_back(ReadVariant());
      ReadListEnd();
      return VarArrayOf(items);
    }
    default: InvalidValue();
  }
}

void TReader::ReadSetBits(PPropInfo Prop, Int64& Bits) {
  CheckValue(vaSet);
  PTypeInfo comp = Prop->PropType->CompType;
  UInt64 r = 0;
  for (;;) {
    String n = ReadStr();
    if (n.empty()) break;
    Integer v = GetEnumValue(comp, n);
    if (v < 0 || v >= 64) InvalidValue();
    r |= UInt64(1) << v;
  }
  Bits = static_cast<Int64>(r);
}

void TReader::ReadCollection(TCollection* Collection) {
  Enter();
  TScopeExit leave([this] { Leave(); });
  TUpdateScope<TCollection> update(Collection);
  if (!EndOfList()) Collection->Clear();
  while (!EndOfList()) {
    if (IsIntValue(NextValue())) ReadInt64();  // the item's order: items come in order
    TCollectionItem* Item = Collection->Add();
    ReadListBegin();
    while (!EndOfList()) ReadProperty(Item);
    ReadListEnd();
  }
  ReadListEnd();
}

void TReader::ReadPropValue(TPersistent* Instance, PPropInfo P) {
  PTypeInfo T = P->PropType;
  auto needOrd = [&] { if (!P->SetOrd) InvalidValue(); };
  switch (T->Kind) {
    case tkInteger: {
      needOrd();
      Int64 v;
      if (NextValue() == vaIdent) {
        String id = ReadIdent();
        TIdentToInt fn = FindIdentToInt(T);
        Integer iv;
        if (!fn || !fn(id, iv)) InvalidValue();
        v = iv;
      } else {
        v = ReadInt64();
      }
      if (v < T->MinValue || v > T->MaxValue) InvalidValue();
      P->SetOrd(Instance, v);
      break;
    }
    case tkInt64:
      needOrd();
      P->SetOrd(Instance, ReadInt64());
      break;
    case tkChar:
    case tkWChar:
      needOrd();
      P->SetOrd(Instance, ReadChar());
      break;
    case tkEnumeration: {
      needOrd();
      Integer v = GetEnumValue(T, ReadIdent());
      if (v < 0) InvalidValue();
      P->SetOrd(Instance, v);
      break;
    }
    case tkSet: {
      needOrd();
      Int64 bits;
      ReadSetBits(P, bits);
      P->SetOrd(Instance, bits);
      break;
    }
    case tkFloat:
      if (!P->SetFloat) InvalidValue();
      P->SetFloat(Instance, ReadFloat());
      break;
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString:
      if (!P->SetStr) InvalidValue();
      P->SetStr(Instance, ReadString());
      break;
    case tkClass:
      switch (NextValue()) {
        case vaNil:
          ReadValue();
          if (!P->SetObj) InvalidValue();
          P->SetObj(Instance, nullptr);
          break;
        case vaCollection: {
          ReadValue();
          auto* C = P->GetObj ? dynamic_cast<TCollection*>(P->GetObj(Instance)) : nullptr;
          if (!C) InvalidValue();
          ReadCollection(C);
          break;
        }
        case vaIdent: {
          String name = ReadIdent();
          if (!P->SetObj) InvalidValue();
          FFixups.push_back({Instance, FState->Reading.empty() ? nullptr : FState->Reading.back(), P, name});
          break;
        }
        default: InvalidValue();
      }
      break;
    case tkVariant:
      if (!P->SetAny) InvalidValue();
      P->SetAny(Instance, std::any(ReadVariant()));
      break;
    case tkMethod: {
      if (!P->SetMeth) InvalidValue();
      if (NextValue() == vaNil) {
        ReadValue();
        P->SetMeth(Instance, TMethod{});
        break;
      }
      String name = ReadIdent();
      if (!FRoot || !FindPublishedMethod(FRoot->ClassType(), name))
        throw EReadError(L"Method %s not found", {name});
      P->SetMeth(Instance, TMethod{name, FRoot});
      break;
    }
    default:
      InvalidValue();
  }
}

void TReader::ReadProperty(TPersistent* AInstance) {
  String Path = ReadStr();
  try {
    TPersistent* Instance = AInstance;
    size_t start = 0;
    for (;;) {
      size_t dot = Path.find(L'.', start);
      String seg = Path.substr(start, dot == String::npos ? String::npos : dot - start);
      PPropInfo P = GetPropInfo(Instance, seg);
      if (dot == String::npos) {
        if (P) {
          ReadPropValue(Instance, P);
        } else {
          // Not published: perhaps a property the object defines itself.
          FPropName = seg;
          Instance->DefineProperties(this);
          if (!FPropName.empty()) throw EReadError(L"Property %s does not exist", {seg});
        }
        break;
      }
      TPersistent* Sub = nullptr;
      if (P && P->PropType->Kind == tkClass && P->GetObj)
        Sub = dynamic_cast<TPersistent*>(P->GetObj(Instance));
      if (!Sub) throw EReadError(L"Property %s does not exist", {seg});
      Instance = Sub;
      start = dot + 1;
    }
  } catch (const Exception& E) {
    if (Is<EReadError>(&E) && E.Message().rfind(L"Error reading ", 0) == 0) throw;
    TReadState& st = *FState;
    String Owner = st.Reading.empty() ? String() : st.Reading.back()->Name();
    throw EReadError(L"Error reading %s.%s: %s", {Owner, Path, E.Message()});
  }
}

void TReader::DefineProperty(const String& Name, const TReaderProc& ReadData,
                             const TWriterProc&, bool) {
  if (!FPropName.empty() && ReadData && SameIdent(Name, FPropName)) {
    FPropName.clear();
    ReadData(this);
  }
}

void TReader::DefineBinaryProperty(const String& Name, const TStreamProc& ReadData,
                                   const TStreamProc&, bool) {
  if (FPropName.empty() || !ReadData || !SameIdent(Name, FPropName)) return;
  FPropName.clear();
  CheckValue(vaBinary);
  Integer n;
  Read(&n, 4);
  CheckRemaining(n);
  TMemoryStream ms;
  ms.SetSize(n);
  if (n > 0) Read(ms.Memory(), n);
  ms.SetPosition(0);
  ReadData(&ms);
}

void TReader::DropFixups(TComponent* Component) {
  FFixups.erase(std::remove_if(FFixups.begin(), FFixups.end(),
                               [&](const TFixup& f) {
                                 return f.Component == Component || f.Instance == Component;
                               }),
                FFixups.end());
}

void TReader::ResolveFixups() {
  std::vector<TFixup> list;
  list.swap(FFixups);
  for (const TFixup& f : list) {
    TComponent* target = nullptr;
    const String& n = f.Name;
    size_t dot = n.find(L'.');
    if (dot == String::npos) {
      if (SameIdent(n, L"Owner") || (FLookupRoot && !FLookupRoot->Name().empty() && SameIdent(n, FLookupRoot->Name())))
        target = FLookupRoot;
      else if (FLookupRoot)
        target = FLookupRoot->FindComponent(n);
    } else {
      String first = n.substr(0, dot);
      TComponent* base = nullptr;
      if (FLookupRoot && SameIdent(first, FLookupRoot->Name())) base = FLookupRoot;
      else base = FindGlobalComponent(first);
      size_t start = dot + 1;
      while (base && start <= n.size()) {
        size_t d = n.find(L'.', start);
        String seg = n.substr(start, d == String::npos ? String::npos : d - start);
        base = SameIdent(seg, L"Owner") ? base : base->FindComponent(seg);
        if (d == String::npos) break;
        start = d + 1;
      }
      target = base;
    }
    // A name that matches nothing leaves the reference empty, as if it was not written.
    if (!target) continue;
    try {
      f.Prop->SetObj(f.Instance, target);
    } catch (const Exception& E) {
      throw EReadError(L"Error reading %s: %s", {f.Prop->Name, E.Message()});
    }
  }
}

void TReader::ReadDataInner(TComponent* Instance) {
  Enter();
  TScopeExit leave([this] { Leave(); });
  TReadState& st = *FState;
  st.Reading.push_back(Instance);
  TScopeExit reading([&st] { st.Reading.pop_back(); });
  TValueScope<TComponent*> owner(FOwner, FOwner);
  TValueScope<TComponent*> parent(FParent, FParent);
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
  FParent = Instance->GetChildParent();
  FOwner = Instance->GetChildOwner();
  if (!FOwner) FOwner = FRoot;
  while (!EndOfList()) ReadComponent(nullptr);
  ReadListEnd();
}

void TReader::ReadData(TComponent* Instance) {
  TReadState& st = *FState;
  if (st.FixupsActive) {
    ReadDataInner(Instance);
    return;
  }
  TValueScope<bool> fixups(st.FixupsActive, true);
  // A failed read leaves no fixups behind.
  TScopeExit dropFixups([this] { FFixups.clear(); });
  ReadDataInner(Instance);
  ResolveFixups();
  dropFixups.Dismiss();
}

TComponent* TReader::ReadComponent(TComponent* Component) {
  Enter();
  TReadState& st = *FState;
  TFilerFlags Flags;
  Integer Pos = 0;
  TComponent* Result = Component;
  bool Created = false;
  TScopeExit leave([this] { Leave(); });
  // A component that fails to read is freed when this read made it, and leaves the
  // reading state otherwise.
  TScopeExit undo([&] {
    if (Created) {
      if (st.Tracker.Alive(Result)) delete Result;  // the tracker drops its fixups
    } else if (Result) {
      Result->SetComponentStateItem(csReading, false);
    }
  });
  ReadPrefix(Flags, Pos);
  String ClassName = ReadStr();
  String Name = ReadStr();
  if (!Result) {
    if (Flags.Contains(ffInherited)) {
      Result = FOwner ? FOwner->FindComponent(Name) : nullptr;
      if (!Result) throw EReadError(L"Ancestor for '%s' not found", {Name});
    } else {
      TClass C = GetClass(ClassName);
      if (!C) throw EReadError(L"Class %s not found", {ClassName});
      if (!C->InheritsFrom(TComponent::StaticClass()) || !C->CanCreate()) InvalidFormat();
      TObject* O = C->NewInstance(FOwner);
      Result = dynamic_cast<TComponent*>(O);
      if (!Result) {
        delete O;
        InvalidFormat();
      }
      // Construction finishes as with Create<T>: virtual factories run here.
      Result->AfterConstruction();
      Created = true;
      st.Tracker.Track(Result);
      Result->SetComponentStateItem(csLoading, true);
      Result->SetComponentStateItem(csReading, true);
      try {
        Result->SetName(Name);
      } catch (const EComponentError& E) {
        throw EReadError(E.Message());
      }
    }
  }
  Result->SetComponentStateItem(csLoading, true);
  Result->SetComponentStateItem(csReading, true);
  if (FParent && FParent != Result) Result->SetParentComponent(FParent);
  Result->ReadState(this);
  Result->SetComponentStateItem(csReading, false);
  if (Flags.Contains(ffChildPos) && FParent) FParent->SetChildOrder(Result, Pos);
  if (std::find(FLoaded.begin(), FLoaded.end(), Result) == FLoaded.end()) FLoaded.push_back(Result);
  undo.Dismiss();
  return Result;
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  TReadState& st = *FState;
  TComponent* Result = Root;
  bool Created = false;
  auto cleanUp = [&] {
    FFixups.clear();
    // Free every component this read made, newest first (each leaves its owner and the
    // tracker's list).
    while (!st.Tracker.Created.empty()) delete st.Tracker.Created.back();
    if (Created) {
      delete Result;
    } else if (Result) {
      Result->SetComponentStateItem(csReading, false);
      Result->SetComponentStateItem(csLoading, false);
    }
    FLoaded.clear();
    FRoot = FLookupRoot = nullptr;
  };
  // A failed read frees what it made and leaves no reading state behind; a failure that
  // is not a read error reaches the caller as one.
  TScopeExit undo(cleanUp);
  try {
    ReadSignature();
    TFilerFlags Flags;
    Integer Pos;
    ReadPrefix(Flags, Pos);
    String ClassName = ReadStr();
    String Name = ReadStr();
    if (!Result) {
      TClass C = GetClass(ClassName);
      if (!C) throw EReadError(L"Class %s not found", {ClassName});
      if (!C->InheritsFrom(TComponent::StaticClass()) || !C->CanCreate()) InvalidFormat();
      TObject* O = C->NewInstance(nullptr);
      Result = dynamic_cast<TComponent*>(O);
      if (!Result) {
        delete O;
        InvalidFormat();
      }
      Created = true;
    }
    Result->SetComponentStateItem(csLoading, true);
    Result->SetComponentStateItem(csReading, true);
    if (!Result->ComponentState().Contains(csDesigning)) {
      // Another root of the same owner may already carry the name: add _1, _2 ...
      String Unique = Name;
      TComponent* Owner = Result->Owner();
      for (Integer i = 1; Owner && !Unique.empty(); ++i) {
        TComponent* Other = Owner->FindComponent(Unique);
        if (!Other || Other == Result) break;
        Unique = Name + L"_" + std::to_wstring(i);
      }
      Result->SetName(Unique);
    }
    FRoot = Result;
    FLookupRoot = Result;
    FOwner = Result;
    FParent = nullptr;
    FLoaded.clear();
    FLoaded.push_back(Result);
    Result->ReadState(this);
    Result->SetComponentStateItem(csReading, false);
  } catch (const EReadError&) {
    throw;
  } catch (const Exception& E) {
    throw EReadError(E.Message());
  }
  undo.Dismiss();
  // The whole tree is in and linked: tell every component, in reading order.
  std::vector<TComponent*> loaded;
  loaded.swap(FLoaded);
  for (TComponent* c : loaded) c->Loaded();
  // Components made by this read now belong to the caller.
  for (TComponent* c : st.Tracker.Created) c->RemoveFreeNotification(&st.Tracker);
  st.Tracker.Created.clear();
  return Result;
}

// TWriter ----------------------------------------------------------------------------------

void TWriter::Write(const void* Buf, Integer Count) {
  if (Count > 0) FStream->WriteBuffer(Buf, Count);
}

void TWriter::WriteValue(TValueType Value) {
  Byte b = Value;
  Write(&b, 1);
}

void TWriter::WriteSignature() { Write("TPF0", 4); }

void TWriter::WritePrefix(TFilerFlags Flags, Integer AChildPos) {
  if (Flags.Empty()) return;
  Byte b = 0xF0;
  if (Flags.Contains(ffInherited)) b |= 0x01;
  if (Flags.Contains(ffChildPos)) b |= 0x02;
  if (Flags.Contains(ffInline)) b |= 0x04;
  Write(&b, 1);
  if (Flags.Contains(ffChildPos)) WriteInteger(AChildPos);
}

void TWriter::WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }

void TWriter::WriteInteger(Int64 Value) {
  if (Value >= -128 && Value <= 127) {
    WriteValue(vaInt8);
    signed char v = static_cast<signed char>(Value);
    Write(&v, 1);
  } else if (Value >= -32768 && Value <= 32767) {
    WriteValue(vaInt16);
    SmallInt v = static_cast<SmallInt>(Value);
    Write(&v, 2);
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    Integer v = static_cast<Integer>(Value);
    Write(&v, 4);
  } else {
    WriteValue(vaInt64);
    Write(&Value, 8);
  }
}

void TWriter::WriteFloat(double Value) {
  WriteValue(vaExtended);
  Byte b[10];
  DoubleToExtended(Value, b);
  Write(b, 10);
}

void TWriter::WriteDouble(double Value) {
  WriteValue(vaDouble);
  Write(&Value, 8);
}

void TWriter::WriteSingle(Single Value) {
  WriteValue(vaSingle);
  Write(&Value, 4);
}

void TWriter::WriteCurrency(Currency Value) {
  WriteValue(vaCurrency);
  Write(&Value.Value, 8);
}

void TWriter::WriteDate(TDateTime Value) {
  WriteValue(vaDate);
  Write(&Value, 8);
}

void TWriter::WriteStr(const String& Value) {
  std::string s = ToUtf8(Value);
  if (s.size() > 255) s.resize(255);
  Byte n = static_cast<Byte>(s.size());
  Write(&n, 1);
  Write(s.data(), n);
}

void TWriter::WriteWideString(const String& Value) {
  WriteValue(vaWString);
  Integer n = static_cast<Integer>(Value.size());
  Write(&n, 4);
  Write(Value.data(), n * 2);
}

void TWriter::WriteUTF8Str(const String& Value) {
  std::string s = ToUtf8(Value);
  WriteValue(vaUTF8String);
  Integer n = static_cast<Integer>(s.size());
  Write(&n, 4);
  Write(s.data(), n);
}

void TWriter::WriteString(const String& Value) {
  const bool ascii = !Value.empty() &&
                     std::all_of(Value.begin(), Value.end(), [](wchar_t c) { return c < 128; });
  if (ascii) {
    if (Value.size() <= 255) {
      WriteValue(vaString);
      Byte n = static_cast<Byte>(Value.size());
      Write(&n, 1);
    } else {
      WriteValue(vaLString);
      Integer n = static_cast<Integer>(Value.size());
      Write(&n, 4);
    }
    std::string s(Value.begin(), Value.end());
    Write(s.data(), static_cast<Integer>(s.size()));
    return;
  }
  if (!Value.empty() && ToUtf8(Value).size() < Value.size() * 2)
    WriteUTF8Str(Value);
  else
    WriteWideString(Value);
}

void TWriter::WriteIdent(const String& Ident) {
  if (SameIdent(Ident, L"False")) WriteValue(vaFalse);
  else if (SameIdent(Ident, L"True")) WriteValue(vaTrue);
  else if (SameIdent(Ident, L"nil")) WriteValue(vaNil);
  else {
    WriteValue(vaIdent);
    WriteStr(Ident);
  }
}

void TWriter::WriteVariant(const Variant& Value) {
  Variant V = Value.IsByRef() ? Value.Deref() : Value;
  if (V.IsArray()) {
    if (VarArrayDimCount(V) != 1) throw EWriteError(L"Unsupported variant type");
    WriteListBegin();
    for (Integer i = VarArrayLowBound(V, 1); i <= VarArrayHighBound(V, 1); ++i) {
      Variant E = VarArrayGet(V, {i});
      if (E.IsByRef()) E = E.Deref();
      // vaNull ends a list, so a Null element is written as the identifier Null.
      if ((E.VType() & varTypeMask) == varNull) {
        WriteValue(vaIdent);
        WriteStr(L"Null");
      } else {
        WriteVariant(E);
      }
    }
    WriteListEnd();
    return;
  }
  switch (V.VType() & varTypeMask) {
    case varEmpty: WriteValue(vaNil); break;
    case varNull: WriteValue(vaNull); break;
    case varOleStr: case varString: case varUString: WriteString(V.AsString()); break;
    case varShortInt: case varByte: case varSmallint: case varWord: case varInteger:
    case varLongWord: case varInt64:
      WriteInteger(V.AsInt64());
      break;
    case varUInt64: WriteInteger(V.AsInt64()); break;
    case varBoolean: WriteBoolean(V.AsBoolean()); break;
    case varSingle: WriteSingle(static_cast<Single>(V.AsDouble())); break;
    case varDouble: WriteFloat(V.AsDouble()); break;
    case varCurrency: WriteCurrency(V.AsCurrency()); break;
    case varDate: WriteDate(V.AsDateTime()); break;
    default: throw EWriteError(L"Unsupported variant type");
  }
}

void TWriter::WriteChar(wchar_t Value) { WriteString(String(1, Value)); }

void TWriter::WriteBinary(const TBytes& Data) {
  WriteValue(vaBinary);
  Integer n = static_cast<Integer>(Data.size());
  Write(&n, 4);
  Write(Data.data(), n);
}

void TWriter::WritePropName(const String& Name) { WriteStr(FPropPath + Name); }

void TWriter::DefineProperty(const String& Name, const TReaderProc&, const TWriterProc& WriteData,
                             bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(this);
}

void TWriter::DefineBinaryProperty(const String& Name, const TStreamProc&,
                                   const TStreamProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  TMemoryStream ms;
  WriteData(&ms);
  WriteValue(vaBinary);
  Integer n = static_cast<Integer>(ms.Size());
  Write(&n, 4);
  Write(ms.Memory(), n);
}

String TWriter::ComponentReference(TComponent* C) {
  if (C == FLookupRoot) return L"Owner";
  if (C->Name().empty()) return {};
  if (C->Owner() == FLookupRoot) return C->Name();
  if (C->Owner() && !C->Owner()->Name().empty()) return C->Owner()->Name() + L"." + C->Name();
  return C->Name() + L".Owner";
}

void TWriter::WriteCollection(TCollection* Value) {
  WriteValue(vaCollection);
  String saved = FPropPath;
  for (Integer i = 0; i < Value->Count(); ++i) {
    WriteListBegin();
    FPropPath.clear();
    WriteProperties(Value->Items(i));
    FPropPath = saved;
    WriteListEnd();
  }
  WriteListEnd();
}

void TWriter::WriteProperty(TPersistent* Instance, PPropInfo P) {
  PTypeInfo T = P->PropType;
  switch (T->Kind) {
    case tkInteger: case tkInt64: case tkChar: case tkWChar: case tkEnumeration: case tkSet: {
      Int64 v = P->GetOrd(Instance);
      if (P->Default != TPropInfo::NoDefault && v == P->Default) return;
      WritePropName(P->Name);
      if (T->Kind == tkEnumeration) {
        if (T == TypeInfoBoolean() || T->EnumNames == TypeInfoBoolean()->EnumNames) WriteBoolean(v != 0);
        else WriteIdent(GetEnumName(T, static_cast<Integer>(v)));
      } else if (T->Kind == tkSet) {
        WriteValue(vaSet);
        for (int i = 0; i < 64; ++i)
          if (static_cast<UInt64>(v) & (UInt64(1) << i)) WriteStr(GetEnumName(T->CompType, i));
        WriteStr(L"");
      } else if (T->Kind == tkChar || T->Kind == tkWChar) {
        WriteChar(static_cast<wchar_t>(v));
      } else {
        String ident;
        TIntToIdent fn = T->Kind == tkInteger ? FindIntToIdent(T) : nullptr;
        if (fn && fn(static_cast<Integer>(v), ident)) WriteIdent(ident);
        else WriteInteger(v);
      }
      break;
    }
    case tkFloat: {
      double v = P->GetFloat(Instance);
      if (v == 0) return;
      WritePropName(P->Name);
      if (T->FloatType == ftSingle) WriteSingle(static_cast<Single>(v));
      else if (T->FloatType == ftCurr) WriteCurrency(Currency::FromDouble(v));
      else if (IsDateType(T)) WriteDate(v);
      else WriteFloat(v);
      break;
    }
    case tkString: case tkLString: case tkWString: case tkUString: {
      String v = P->GetStr(Instance);
      if (v.empty()) return;
      WritePropName(P->Name);
      WriteString(v);
      break;
    }
    case tkClass: {
      TObject* O = P->GetObj(Instance);
      if (!O) return;
      auto* C = dynamic_cast<TComponent*>(O);
      if (C && !C->ComponentStyle().Contains(csSubComponent)) {
        if (!P->HasSetter()) return;
        String ref = ComponentReference(C);
        if (ref.empty()) return;
        WritePropName(P->Name);
        WriteIdent(ref);
      } else if (auto* Coll = dynamic_cast<TCollection*>(O)) {
        if (Coll->Count() == 0) return;
        WritePropName(P->Name);
        WriteCollection(Coll);
      } else if (auto* Sub = dynamic_cast<TPersistent*>(O)) {
        String saved = FPropPath;
        FPropPath += P->Name + L".";
        WriteProperties(Sub);
        FPropPath = saved;
      }
      break;
    }
    case tkVariant: {
      Variant v = GetVariantProp(Instance, P);
      if (VarIsClear(v)) return;
      WritePropName(P->Name);
      WriteVariant(v);
      break;
    }
    case tkMethod: {
      TMethod m = P->GetMeth(Instance);
      if (m.Name.empty() || (m.Data != FLookupRoot && m.Data != FRoot)) return;
      WritePropName(P->Name);
      WriteIdent(m.Name);
      break;
    }
    default:
      break;
  }
}

void TWriter::WriteProperties(TPersistent* Instance) {
  for (PPropInfo P : GetPropList(Instance->ClassType())) {
    if (!P->HasGetter() || !IsStoredProp(Instance, P)) continue;
    if (!P->HasSetter() && P->PropType->Kind != tkClass) continue;
    WriteProperty(Instance, P);
  }
  Instance->DefineProperties(this);
}

void TWriter::WriteData(TComponent* Instance) {
  TFilerFlags Flags;
  if (Instance->ComponentState().Contains(csInline)) Flags.Include(ffInline);
  WritePrefix(Flags, 0);
  WriteStr(Instance->ClassName());
  WriteStr(Instance->Name());
  WriteProperties(Instance);
  WriteListEnd();
  if (!FIgnoreChildren)
    Instance->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, FRoot);
  WriteListEnd();
}

void TWriter::WriteComponent(TComponent* Component) {
  Component->SetComponentStateItem(csWriting, true);
  TScopeExit writing([Component] { Component->SetComponentStateItem(csWriting, false); });
  Component->WriteState(this);
}

void TWriter::WriteRootComponent(TComponent* Root) {
  FRoot = Root;
  FLookupRoot = Root;
  WriteSignature();
  WriteComponent(Root);
}

// Binary to text -------------------------------------------------------------------------

namespace {

// Non-finite values as words the text reader takes back: NaN, Infinity, -Infinity.
String FloatText(double v) {
  if (std::isnan(v)) return L"NaN";
  if (std::isinf(v)) return v < 0 ? L"-Infinity" : L"Infinity";
  wchar_t buf[64];
  for (int prec = 15; prec <= 17; ++prec) {
    swprintf(buf, 64, L"%.*g", prec, v);
    if (std::wcstod(buf, nullptr) == v) break;
  }
  String s = buf;
  if (s.find_first_of(L".eEin") == String::npos) s += L".0";
  return s;
}

class TBinaryToText {
 public:
  TBinaryToText(TStream* In) : r_(In) {}
  String Run() {
    r_.ReadSignature();
    Object(0);
    return out_;
  }

 private:
  void Line(int indent, const String& text) {
    out_ += String(static_cast<size_t>(indent), L' ') + text + L"\r\n";
  }
  void NewLine(int indent) { out_ += L"\r\n" + String(static_cast<size_t>(indent), L' '); }

  // Names go into the text bare, so only identifiers (dotted for property paths) can be
  // written there and read back the same; anything else is refused.
  static const String& CheckName(const String& s) {
    size_t b = 0;
    for (;;) {
      size_t e = s.find(L'.', b);
      if (!IsValidIdent(s.substr(b, e == String::npos ? String::npos : e - b)))
        throw EReadError(L"Invalid name '%s' in the stream", {s});
      if (e == String::npos) return s;
      b = e + 1;
    }
  }

  void Object(int indent) {
    if (++depth_ > MaxNesting) throw EReadError(L"Invalid stream format");
    TFilerFlags Flags;
    Integer Pos;
    r_.ReadPrefix(Flags, Pos);
    String cls = CheckName(r_.ReadStr());
    String name = r_.ReadStr();
    if (!name.empty()) CheckName(name);
    String head = Flags.Contains(ffInherited) ? L"inherited " : Flags.Contains(ffInline) ? L"inline " : L"object ";
    if (!name.empty()) head += name + L": ";
    head += cls;
    if (Flags.Contains(ffChildPos)) head += L" [" + std::to_wstring(Pos) + L"]";
    Line(indent, head);
    while (!r_.EndOfList()) Property(indent + 2);
    r_.ReadListEnd();
    while (!r_.EndOfList()) Object(indent + 2);
    r_.ReadListEnd();
    Line(indent, L"end");
    --depth_;
  }

  void Property(int indent) {
    String name = CheckName(r_.ReadStr());
    out_ += String(static_cast<size_t>(indent), L' ') + name + L" = ";
    Value(indent);
    out_ += L"\r\n";
  }

  void StringLiteral(const String& s, int indent) {
    // Pieces of at most 64 characters; longer text continues on further lines.
    std::vector<String> pieces;
    String cur;
    bool quoted = false;
    auto flush = [&] {
      if (quoted) cur += L'\'';
      quoted = false;
      pieces.push_back(cur);
      cur.clear();
    };
    for (wchar_t c : s) {
      if (cur.size() >= 64) flush();
      if (c >= 32 && c < 127) {
        if (!quoted) { cur += L'\''; quoted = true; }
        cur += c;
        if (c == L'\'') cur += c;
      } else {
        if (quoted) { cur += L'\''; quoted = false; }
        cur += L"#" + std::to_wstring(static_cast<unsigned>(c));
      }
    }
    if (s.empty()) cur = L"''";
    flush();
    if (pieces.size() == 1) {
      out_ += pieces[0];
      return;
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
      NewLine(indent + 2);
      out_ += pieces[i];
      if (i + 1 < pieces.size()) out_ += L" +";
    }
  }

  void Value(int indent) {
    if (++depth_ > MaxNesting) throw EReadError(L"Invalid stream format");
    TValueType t = r_.NextValue();
    switch (t) {
      case vaList:
        r_.ReadValue();
        out_ += L"(";
        while (!r_.EndOfList()) {
          NewLine(indent + 2);
          Value(indent + 2);
        }
        r_.ReadListEnd();
        out_ += L")";
        break;
      case vaInt8: case vaInt16: case vaInt32: case vaInt64:
        out_ += std::to_wstring(r_.ReadInt64());
        break;
      case vaExtended: case vaDouble: out_ += FloatText(r_.ReadFloat()); break;
      case vaSingle: out_ += FloatText(r_.ReadFloat()) + L"s"; break;
      case vaCurrency: out_ += FloatText(r_.ReadFloat()) + L"c"; break;
      case vaDate: out_ += FloatText(r_.ReadFloat()) + L"d"; break;
      case vaString: case vaLString: case vaWString: case vaUTF8String:
        StringLiteral(r_.ReadString(), indent);
        break;
      case vaIdent: case vaFalse: case vaTrue: case vaNil: case vaNull:
        out_ += CheckName(r_.ReadIdent());
        break;
      case vaBinary: {
        r_.ReadValue();
        Integer n;
        r_.Read(&n, 4);
        if (n < 0 || n > r_.Stream()->Size() - r_.Stream()->Position()) throw EReadError(L"Invalid stream format");
        TBytes data(static_cast<size_t>(n));
        r_.Read(data.data(), n);
        out_ += L"{";
        static const wchar_t* hex = L"0123456789ABCDEF";
        for (Integer i = 0; i < n; ++i) {
          if (i % 32 == 0) NewLine(indent + 2);
          out_ += hex[data[static_cast<size_t>(i)] >> 4];
          out_ += hex[data[static_cast<size_t>(i)] & 15];
        }
        out_ += L"}";
        break;
      }
      case vaSet: {
        r_.ReadValue();
        out_ += L"[";
        bool first = true;
        for (;;) {
          String n = r_.ReadStr();
          if (n.empty()) break;
          CheckName(n);
          if (!first) out_ += L", ";
          out_ += n;
          first = false;
        }
        out_ += L"]";
        break;
      }
      case vaCollection:
        r_.ReadValue();
        out_ += L"<";
        while (!r_.EndOfList()) {
          NewLine(indent + 2);
          out_ += L"item";
          if (IsIntValue(r_.NextValue())) out_ += L" [" + std::to_wstring(r_.ReadInt64()) + L"]";
          out_ += L"\r\n";
          r_.ReadListBegin();
          while (!r_.EndOfList()) Property(indent + 4);
          r_.ReadListEnd();
          out_ += String(static_cast<size_t>(indent + 2), L' ') + L"end";
        }
        r_.ReadListEnd();
        out_ += L">";
        break;
      default:
        throw EReadError(L"Invalid stream format");
    }
    --depth_;
  }

  TReader r_;
  String out_;
  int depth_ = 0;
};

// Text to binary -------------------------------------------------------------------------

class TTextToBinary {
 public:
  TTextToBinary(const String& Text, TStream* Out) : s_(Text), w_(Out) {}
  void Run() {
    Next();
    w_.WriteSignature();
    Object();
    if (tok_ != tEOF) Error(L"Unexpected text after the last end");
  }

 private:
  enum TToken { tEOF, tIdent, tString, tInteger, tFloat, tSymbol };

  [[noreturn]] void Error(const String& Msg) {
    throw EParserError(L"%s on line %d", {Msg, line_});
  }

  void SkipBlanks() {
    while (p_ < s_.size()) {
      wchar_t c = s_[p_];
      if (c == L'\n') { ++line_; ++p_; }
      else if (c == L' ' || c == L'\t' || c == L'\r' || c == 0xFEFF) ++p_;
      else break;
    }
  }

  static bool IdentStart(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_'; }
  static bool IdentChar(wchar_t c) { return IdentStart(c) || (c >= L'0' && c <= L'9') || c == L'.'; }
  static int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
  }

  void Next() {
    SkipBlanks();
    text_.clear();
    suffix_ = 0;
    if (p_ >= s_.size()) { tok_ = tEOF; return; }
    wchar_t c = s_[p_];
    if (IdentStart(c)) {
      size_t b = p_;
      while (p_ < s_.size() && IdentChar(s_[p_])) ++p_;
      text_ = s_.substr(b, p_ - b);
      tok_ = tIdent;
    } else if (c == L'\'' || c == L'#') {
      // Quoted pieces and #codes, joined; '+' continues the text on the next line.
      String v;
      for (;;) {
        if (p_ < s_.size() && s_[p_] == L'\'') {
          ++p_;
          for (;;) {
            if (p_ >= s_.size() || s_[p_] == L'\n') Error(L"Unterminated string");
            if (s_[p_] == L'\'') {
              if (p_ + 1 < s_.size() && s_[p_ + 1] == L'\'') { v += L'\''; p_ += 2; continue; }
              ++p_;
              break;
            }
            v += s_[p_++];
          }
        } else if (p_ < s_.size() && s_[p_] == L'#') {
          ++p_;
          unsigned long code = 0;
          size_t b = p_;
          if (p_ < s_.size() && s_[p_] == L'$') {
            ++p_;
            b = p_;
            while (p_ < s_.size() && HexDigit(s_[p_]) >= 0 && code <= 0xFFFF) code = code * 16 + HexDigit(s_[p_++]);
          } else {
            while (p_ < s_.size() && s_[p_] >= L'0' && s_[p_] <= L'9' && code <= 0xFFFF) code = code * 10 + (s_[p_++] - L'0');
          }
          if (p_ == b || code > 0xFFFF) Error(L"Invalid character code");
          v += static_cast<wchar_t>(code);
        } else {
          size_t save = p_;
          int saveLine = line_;
          SkipBlanks();
          if (p_ < s_.size() && s_[p_] == L'+') {
            ++p_;
            SkipBlanks();
            if (p_ < s_.size() && (s_[p_] == L'\'' || s_[p_] == L'#')) continue;
            Error(L"String expected");
          }
          p_ = save;
          line_ = saveLine;
          break;
        }
      }
      text_ = v;
      tok_ = tString;
    } else if ((c >= L'0' && c <= L'9') || c == L'$' || c == L'-' || c == L'+') {
      size_t b = p_;
      if (c == L'-' || c == L'+') ++p_;
      if ((c == L'-' || c == L'+') && p_ < s_.size() && IdentStart(s_[p_])) {
        // A signed word: only -Infinity and +Infinity (with a type suffix) are values.
        while (p_ < s_.size() && IdentChar(s_[p_])) ++p_;
        text_ = s_.substr(b, p_ - b);
        double d;
        wchar_t sfx;
        if (!NonFiniteWord(text_, d, sfx)) Error(L"Number expected");
        tok_ = tIdent;
        return;
      }
      if (p_ < s_.size() && s_[p_] == L'$') {
        ++p_;
        while (p_ < s_.size() && HexDigit(s_[p_]) >= 0) ++p_;
        tok_ = tInteger;
      } else {
        tok_ = tInteger;
        while (p_ < s_.size() && s_[p_] >= L'0' && s_[p_] <= L'9') ++p_;
        if (p_ < s_.size() && s_[p_] == L'.') {
          tok_ = tFloat;
          ++p_;
          while (p_ < s_.size() && s_[p_] >= L'0' && s_[p_] <= L'9') ++p_;
        }
        if (p_ < s_.size() && (s_[p_] == L'e' || s_[p_] == L'E')) {
          tok_ = tFloat;
          ++p_;
          if (p_ < s_.size() && (s_[p_] == L'-' || s_[p_] == L'+')) ++p_;
          while (p_ < s_.size() && s_[p_] >= L'0' && s_[p_] <= L'9') ++p_;
        }
        if (p_ < s_.size() && (s_[p_] == L's' || s_[p_] == L'c' || s_[p_] == L'd' ||
                               s_[p_] == L'S' || s_[p_] == L'C' || s_[p_] == L'D')) {
          tok_ = tFloat;
          suffix_ = static_cast<wchar_t>(s_[p_] | 0x20);
          ++p_;
        }
      }
      text_ = s_.substr(b, p_ - b - (suffix_ ? 1 : 0));
      if (text_ == L"-" || text_ == L"+" || text_ == L"$" || text_ == L"-$" || text_ == L"+$") Error(L"Number expected");
    } else {
      ++p_;
      text_ = String(1, c);
      tok_ = tSymbol;
    }
  }

  bool IsSymbol(wchar_t c) const { return tok_ == tSymbol && text_[0] == c; }
  void Expect(wchar_t c) {
    if (!IsSymbol(c)) Error(String(L"'") + c + L"' expected");
    Next();
  }
  String ExpectIdent() {
    if (tok_ != tIdent) Error(L"Identifier expected");
    String r = text_;
    Next();
    return r;
  }
  bool IsKeyword(const wchar_t* k) const { return tok_ == tIdent && SameIdent(text_, k); }

  Int64 IntValue() {
    String t = text_;
    bool neg = false;
    size_t i = 0;
    if (i < t.size() && (t[i] == L'-' || t[i] == L'+')) { neg = t[i] == L'-'; ++i; }
    UInt64 v = 0;
    if (i < t.size() && t[i] == L'$') {
      for (++i; i < t.size(); ++i) {
        if (v >> 60) Error(L"Number out of range");
        v = v * 16 + static_cast<UInt64>(HexDigit(t[i]));
      }
    } else {
      for (; i < t.size(); ++i) {
        if (v > (UINT64_MAX - 9) / 10) Error(L"Number out of range");
        v = v * 10 + static_cast<UInt64>(t[i] - L'0');
      }
    }
    if (!neg && v > static_cast<UInt64>(INT64_MAX)) Error(L"Number out of range");
    return neg ? -static_cast<Int64>(v) : static_cast<Int64>(v);
  }

  void Object() {
    if (++depth_ > MaxNesting) Error(L"Nesting too deep");
    TFilerFlags Flags;
    if (IsKeyword(L"inherited")) Flags.Include(ffInherited);
    else if (IsKeyword(L"inline")) Flags.Include(ffInline);
    else if (!IsKeyword(L"object")) Error(L"'object' expected");
    Next();
    String name, cls = ExpectIdent();
    if (IsSymbol(L':')) {
      Next();
      name = cls;
      cls = ExpectIdent();
    }
    Integer pos = 0;
    if (IsSymbol(L'[')) {
      Next();
      if (tok_ != tInteger) Error(L"Number expected");
      pos = static_cast<Integer>(IntValue());
      Next();
      Expect(L']');
      Flags.Include(ffChildPos);
    }
    w_.WritePrefix(Flags, pos);
    w_.WriteStr(cls);
    w_.WriteStr(name);
    while (!IsKeyword(L"end") && !IsKeyword(L"object") && !IsKeyword(L"inherited") &&
           !IsKeyword(L"inline")) {
      if (tok_ == tEOF) Error(L"'end' expected");
      Property();
    }
    w_.WriteListEnd();
    while (!IsKeyword(L"end")) {
      if (tok_ == tEOF) Error(L"'end' expected");
      Object();
    }
    w_.WriteListEnd();
    Next();
    --depth_;
  }

  void Property() {
    String name = ExpectIdent();
    w_.WriteStr(name);
    Expect(L'=');
    Value();
  }

  // Non-finite floats: NaN, Infinity with an optional sign, each with an optional type
  // suffix (s, d) as numbers have.
  static bool NonFiniteWord(const String& w, double& v, wchar_t& suffix) {
    size_t i = 0;
    bool neg = false;
    if (!w.empty() && (w[0] == L'-' || w[0] == L'+')) { neg = w[0] == L'-'; i = 1; }
    String body = w.substr(i);
    suffix = 0;
    if (!body.empty() && (body.back() == L's' || body.back() == L'd') && body != L"NaN" &&
        body != L"Infinity") {
      suffix = body.back();
      body.pop_back();
    }
    if (body == L"NaN" && i == 0) v = std::numeric_limits<double>::quiet_NaN();
    else if (body == L"Infinity") v = neg ? -HUGE_VAL : HUGE_VAL;
    else return false;
    return true;
  }

  void WriteFloatAs(double d, wchar_t suffix) {
    if (suffix == L's') w_.WriteSingle(static_cast<Single>(d));
    else if (suffix == L'c') w_.WriteCurrency(Currency::FromDouble(d));
    else if (suffix == L'd') w_.WriteDate(d);
    else w_.WriteFloat(d);
  }

  // InList: an element of a ( ) list, where Null is written as an identifier because
  // vaNull ends the list.
  void Value(bool InList = false) {
    if (++depth_ > MaxNesting) Error(L"Nesting too deep");
    switch (tok_) {
      case tInteger:
        w_.WriteInteger(IntValue());
        Next();
        break;
      case tFloat:
        WriteFloatAs(std::wcstod(text_.c_str(), nullptr), suffix_);
        Next();
        break;
      case tString:
        w_.WriteString(text_);
        Next();
        break;
      case tIdent: {
        double d;
        wchar_t suffix;
        if (NonFiniteWord(text_, d, suffix)) {
          WriteFloatAs(d, suffix);
        } else if (SameIdent(text_, L"Null")) {
          if (InList) {
            w_.WriteValue(vaIdent);
            w_.WriteStr(L"Null");
          } else {
            w_.WriteValue(vaNull);
          }
        } else {
          w_.WriteIdent(text_);
        }
        Next();
        break;
      }
      case tSymbol:
        switch (text_[0]) {
          case L'[':
            Next();
            w_.WriteValue(vaSet);
            while (!IsSymbol(L']')) {
              w_.WriteStr(ExpectIdent());
              if (IsSymbol(L',')) Next();
              else if (!IsSymbol(L']')) Error(L"']' expected");
            }
            w_.WriteStr(L"");
            Next();
            break;
          case L'(':
            Next();
            w_.WriteListBegin();
            while (!IsSymbol(L')')) {
              if (tok_ == tEOF) Error(L"')' expected");
              Value(true);
            }
            w_.WriteListEnd();
            Next();
            break;
          case L'{': {
            TBytes data;
            int hi = -1;
            while (p_ < s_.size() && s_[p_] != L'}') {
              wchar_t c = s_[p_++];
              if (c == L'\n') ++line_;
              if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') continue;
              int d = HexDigit(c);
              if (d < 0) Error(L"Invalid binary value");
              if (hi < 0) hi = d;
              else { data.push_back(static_cast<Byte>(hi * 16 + d)); hi = -1; }
            }
            if (p_ >= s_.size() || hi >= 0) Error(L"Invalid binary value");
            ++p_;
            w_.WriteBinary(data);
            Next();
            break;
          }
          case L'<':
            Next();
            w_.WriteValue(vaCollection);
            while (!IsSymbol(L'>')) {
              if (!IsKeyword(L"item")) Error(L"'item' expected");
              Next();
              if (IsSymbol(L'[')) {
                Next();
                if (tok_ != tInteger) Error(L"Number expected");
                w_.WriteInteger(IntValue());
                Next();
                Expect(L']');
              }
              w_.WriteListBegin();
              while (!IsKeyword(L"end")) {
                if (tok_ == tEOF) Error(L"'end' expected");
                Property();
              }
              Next();
              w_.WriteListEnd();
            }
            w_.WriteListEnd();
            Next();
            break;
          default:
            Error(L"Invalid property value");
        }
        break;
      default:
        Error(L"Property value expected");
    }
    --depth_;
  }

  const String& s_;
  TWriter w_;
  size_t p_ = 0;
  Integer line_ = 1;
  TToken tok_ = tEOF;
  String text_;
  wchar_t suffix_ = 0;
  int depth_ = 0;
};

String DecodeText(const TBytes& b) {
  const char* p = reinterpret_cast<const char*>(b.data());
  size_t n = b.size();
  if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    String r((n - 2) / 2, L'\0');
    std::memcpy(r.data(), p + 2, r.size() * 2);
    return r;
  }
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return CodePageToString(CP_UTF8, p + 3, n - 3);
  if (n == 0) return {};
  String u = CodePageToString(CP_UTF8, p, n, MB_ERR_INVALID_CHARS);
  if (!u.empty()) return u;
  return CodePageToString(CP_ACP, p, n);
}

TBytes ReadRest(TStream* S) {
  Int64 n = S->Size() - S->Position();
  TBytes b(static_cast<size_t>(n > 0 ? n : 0));
  if (n > 0) S->ReadBuffer(b.data(), static_cast<Integer>(n));
  return b;
}

}  // namespace

void ObjectBinaryToText(TStream* Input, TStream* Output) {
  String text = TBinaryToText(Input).Run();
  std::string ascii(text.begin(), text.end());  // every character is ASCII by now
  Output->WriteBuffer(ascii.data(), static_cast<Integer>(ascii.size()));
}

void ObjectTextToBinary(TStream* Input, TStream* Output) {
  String text = DecodeText(ReadRest(Input));
  TTextToBinary(text, Output).Run();
}

String ObjectBinaryToText(const TBytes& Binary) {
  TBytesStream in(Binary);
  return TBinaryToText(&in).Run();
}

TBytes ObjectTextToBinary(const String& Text) {
  TMemoryStream out;
  TTextToBinary(Text, &out).Run();
  TBytes r(static_cast<size_t>(out.Size()));
  if (!r.empty()) std::memcpy(r.data(), out.Memory(), r.size());
  return r;
}

// Whole components -------------------------------------------------------------------------

void WriteComponentToStream(TStream* Stream, TComponent* Instance) {
  TWriter w(Stream);
  w.WriteRootComponent(Instance);
}

TComponent* ReadComponentFromStream(TStream* Stream, TComponent* Instance) {
  Byte head[4] = {0, 0, 0, 0};
  Int64 avail;
  // Resource headers in front of the form (FF, the type id, the name, flags, size), as
  // many as there are, skipped in a loop.
  for (;;) {
    const Int64 start = Stream->Position();
    avail = Stream->Size() - start;
    std::memset(head, 0, sizeof head);
    if (avail >= 4) {
      Stream->ReadBuffer(head, 4);
      Stream->SetPosition(start);
    }
    if (avail < 1 || head[0] != 0xFF) break;
    Stream->Seek(3, soCurrent);
    Byte c;
    do {
      if (Stream->Read(&c, 1) != 1) throw EReadError(L"Invalid stream format");
    } while (c != 0);
    Stream->Seek(6, soCurrent);
    if (Stream->Position() > Stream->Size()) throw EReadError(L"Invalid stream format");
  }
  if (avail >= 4 && std::memcmp(head, "TPF0", 4) == 0) {
    TReader r(Stream);
    return r.ReadRootComponent(Instance);
  }
  TMemoryStream bin;
  ObjectTextToBinary(Stream, &bin);
  bin.SetPosition(0);
  TReader r(&bin);
  return r.ReadRootComponent(Instance);
}

String ComponentToText(TComponent* Instance) {
  TMemoryStream bin;
  WriteComponentToStream(&bin, Instance);
  bin.SetPosition(0);
  return TBinaryToText(&bin).Run();
}

TComponent* TextToComponent(const String& Text, TComponent* Instance) {
  TMemoryStream bin;
  TTextToBinary(Text, &bin).Run();
  bin.SetPosition(0);
  TReader r(&bin);
  return r.ReadRootComponent(Instance);
}

bool ReadComponentRes(const String& ResName, TComponent* Instance, HMODULE Module) {
  if (!Module) Module = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(Module, ResName.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!res) return false;
  HGLOBAL g = LoadResource(Module, res);
  const void* data = g ? LockResource(g) : nullptr;
  DWORD size = SizeofResource(Module, res);
  if (!data) return false;
  TMemoryStream ms;
  ms.WriteBuffer(data, static_cast<Integer>(size));
  ms.SetPosition(0);
  ReadComponentFromStream(&ms, Instance);
  return true;
}

bool InitInheritedComponent(TComponent* Instance, TClass RootAncestor, HMODULE Module) {
  std::vector<TClass> chain;
  for (TClass c = Instance->ClassType(); c && c != RootAncestor; c = c->ClassParent())
    chain.push_back(c);
  bool found = false;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (ReadComponentRes((*it)->ClassName(), Instance, Module)) found = true;
  return found;
}

void RegisterFindGlobalComponentProc(TFindGlobalComponent AFindGlobalComponent) {
  std::lock_guard<std::mutex> lock(ConstsLock());
  auto& v = GlobalFinders();
  if (std::find(v.begin(), v.end(), AFindGlobalComponent) == v.end()) v.push_back(AFindGlobalComponent);
}

void UnregisterFindGlobalComponentProc(TFindGlobalComponent AFindGlobalComponent) {
  std::lock_guard<std::mutex> lock(ConstsLock());
  auto& v = GlobalFinders();
  v.erase(std::remove(v.begin(), v.end(), AFindGlobalComponent), v.end());
}

TComponent* FindGlobalComponent(const String& Name) {
  std::vector<TFindGlobalComponent> finders;
  {
    std::lock_guard<std::mutex> lock(ConstsLock());
    finders = GlobalFinders();
  }
  for (auto it = finders.rbegin(); it != finders.rend(); ++it)
    if (TComponent* c = (*it)(Name)) return c;
  return nullptr;
}

void RegisterIntegerConsts(PTypeInfo IntegerType, TIdentToInt IdentToInt, TIntToIdent IntToIdent) {
  std::lock_guard<std::mutex> lock(ConstsLock());
  IntConsts()[IntegerType->Name] = {IdentToInt, IntToIdent};
}

TIdentToInt FindIdentToInt(PTypeInfo IntegerType) {
  std::lock_guard<std::mutex> lock(ConstsLock());
  auto it = IntConsts().find(IntegerType->Name);
  return it == IntConsts().end() ? nullptr : it->second.ToInt;
}

TIntToIdent FindIntToIdent(PTypeInfo IntegerType) {
  std::lock_guard<std::mutex> lock(ConstsLock());
  auto it = IntConsts().find(IntegerType->Name);
  return it == IntConsts().end() ? nullptr : it->second.ToIdent;
}
