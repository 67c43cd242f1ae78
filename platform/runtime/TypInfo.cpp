#include "TypInfo.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>

#include "Persistent.h"

namespace {

wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

// Identifiers (property, class, method and enumeration names) compare without regard
// to ASCII case.
bool SameIdent(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

String LowerIdent(const String& s) {
  String r = s;
  for (auto& c : r) c = Lower(c);
  return r;
}

String TrimSpaces(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == L' ' || s[b] == L'\t' || s[b] == L'\r' || s[b] == L'\n')) ++b;
  while (e > b && (s[e - 1] == L' ' || s[e - 1] == L'\t' || s[e - 1] == L'\r' || s[e - 1] == L'\n')) --e;
  return s.substr(b, e - b);
}

TTypeInfo* NewOrdinal(TTypeKind Kind, const wchar_t* Name, TOrdType Ord, Int64 Min, Int64 Max) {
  auto* t = new TTypeInfo;
  t->Kind = Kind;
  t->Name = Name;
  t->OrdType = Ord;
  t->MinValue = Min;
  t->MaxValue = Max;
  return t;
}

TTypeInfo* NewFloat(const wchar_t* Name, TFloatType F) {
  auto* t = new TTypeInfo;
  t->Kind = tkFloat;
  t->Name = Name;
  t->FloatType = F;
  return t;
}

TTypeInfo* NewKind(TTypeKind Kind, const wchar_t* Name) {
  auto* t = new TTypeInfo;
  t->Kind = Kind;
  t->Name = Name;
  return t;
}

std::mutex& InfoLock() {
  static std::mutex m;
  return m;
}

[[noreturn]] void UnknownProperty(const String& Name) {
  throw EPropertyError(L"Property %s does not exist", {Name});
}

[[noreturn]] void InvalidType(PPropInfo P) {
  throw EPropertyConvertError(L"Invalid property type: %s", {P->PropType->Name});
}

PPropInfo Need(TObject* Instance, const String& Name) {
  PPropInfo P = GetPropInfo(Instance, Name);
  if (!P) UnknownProperty(Name);
  return P;
}

}  // namespace

// Standard type information -------------------------------------------------------------

PTypeInfo TypeInfoInteger() {
  static const PTypeInfo t = NewOrdinal(tkInteger, L"Integer", otSLong, INT32_MIN, INT32_MAX);
  return t;
}
PTypeInfo TypeInfoCardinal() {
  static const PTypeInfo t = NewOrdinal(tkInteger, L"Cardinal", otULong, 0, UINT32_MAX);
  return t;
}
PTypeInfo TypeInfoInt64() {
  static const PTypeInfo t = NewOrdinal(tkInt64, L"Int64", otSQWord, INT64_MIN, INT64_MAX);
  return t;
}
PTypeInfo TypeInfoBoolean() {
  static const PTypeInfo t = [] {
    TTypeInfo* b = NewOrdinal(tkEnumeration, L"Boolean", otUByte, 0, 1);
    b->EnumNames = {L"False", L"True"};
    return b;
  }();
  return t;
}
PTypeInfo TypeInfoChar() {
  static const PTypeInfo t = NewOrdinal(tkChar, L"AnsiChar", otUByte, 0, 255);
  return t;
}
PTypeInfo TypeInfoWideChar() {
  static const PTypeInfo t = NewOrdinal(tkWChar, L"WideChar", otUWord, 0, 65535);
  return t;
}
PTypeInfo TypeInfoString() {
  static const PTypeInfo t = NewKind(tkUString, L"string");
  return t;
}
PTypeInfo TypeInfoAnsiString() {
  static const PTypeInfo t = NewKind(tkLString, L"AnsiString");
  return t;
}
PTypeInfo TypeInfoSingle() {
  static const PTypeInfo t = NewFloat(L"Single", ftSingle);
  return t;
}
PTypeInfo TypeInfoDouble() {
  static const PTypeInfo t = NewFloat(L"Double", ftDouble);
  return t;
}
PTypeInfo TypeInfoCurrency() {
  static const PTypeInfo t = NewFloat(L"Currency", ftCurr);
  return t;
}
PTypeInfo TypeInfoDateTime() {
  static const PTypeInfo t = NewFloat(L"TDateTime", ftDouble);
  return t;
}
PTypeInfo TypeInfoDate() {
  static const PTypeInfo t = NewFloat(L"TDate", ftDouble);
  return t;
}
PTypeInfo TypeInfoTime() {
  static const PTypeInfo t = NewFloat(L"TTime", ftDouble);
  return t;
}

PTypeInfo TypeInfoVariant() {
  static const PTypeInfo t = NewKind(tkVariant, L"Variant");
  return t;
}

PTypeInfo RenamedTypeInfo(PTypeInfo Base, const String& Name) {
  if (!Base || Base->Name == Name) return Base;
  static std::map<std::pair<PTypeInfo, String>, std::unique_ptr<TTypeInfo>> interned;
  std::lock_guard<std::mutex> lock(InfoLock());
  auto& slot = interned[{Base, Name}];
  if (!slot) {
    slot = std::make_unique<TTypeInfo>();
    slot->Kind = Base->Kind;
    slot->Name = Name;
    slot->OrdType = Base->OrdType;
    slot->MinValue = Base->MinValue;
    slot->MaxValue = Base->MaxValue;
    slot->EnumNames = Base->EnumNames;
    slot->CompType = Base->CompType;
    slot->FloatType = Base->FloatType;
    slot->ClassType = Base->ClassType;
  }
  return slot.get();
}

PTypeInfo ClassTypeInfo(TClass AClass) {
  static std::unordered_map<TClass, std::unique_ptr<TTypeInfo>> refs;
  std::lock_guard<std::mutex> lock(InfoLock());
  auto& slot = refs[AClass];
  if (!slot) {
    slot = std::make_unique<TTypeInfo>();
    slot->Kind = tkClass;
    slot->Name = AClass ? AClass->ClassName() : String();
    slot->ClassType = AClass;
  }
  return slot.get();
}

PTypeInfo MethodTypeInfo(const String& Name) {
  static std::map<String, std::unique_ptr<TTypeInfo>> methods;
  std::lock_guard<std::mutex> lock(InfoLock());
  auto& slot = methods[Name];
  if (!slot) {
    slot = std::make_unique<TTypeInfo>();
    slot->Kind = tkMethod;
    slot->Name = Name;
  }
  return slot.get();
}

PTypeInfo MakeEnumTypeInfo(const wchar_t* TypeName, const wchar_t* NameList) {
  auto* t = new TTypeInfo;
  t->Kind = tkEnumeration;
  t->Name = TypeName;
  t->OrdType = otUByte;
  String list = NameList;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(L',', pos);
    if (comma == String::npos) comma = list.size();
    String item = list.substr(pos, comma - pos);
    size_t eq = item.find(L'=');
    if (eq != String::npos) item.resize(eq);
    item = TrimSpaces(item);
    if (!item.empty()) t->EnumNames.push_back(item);
    pos = comma + 1;
  }
  t->MinValue = 0;
  t->MaxValue = static_cast<Int64>(t->EnumNames.size()) - 1;
  if (t->EnumNames.size() > 256) t->OrdType = otUWord;
  return t;
}

PTypeInfo MakeSetTypeInfo(const wchar_t* TypeName, PTypeInfo CompType) {
  auto* t = new TTypeInfo;
  t->Kind = tkSet;
  t->Name = TypeName;
  t->CompType = CompType;
  return t;
}

namespace zs_detail {
std::any BindPublishedMethod(const TMethod& Value) {
  const TMethodEntry* e =
      Value.Data ? FindPublishedMethod(Value.Data->ClassType(), Value.Name) : nullptr;
  if (!e) throw EPropertyConvertError(L"Invalid property value");
  return e->Bind(Value.Data);
}
}  // namespace zs_detail

// Queries -------------------------------------------------------------------------------

bool ClassHasTypeInfo(TClass AClass) {
  if (!AClass) return false;
  if (AClass->InheritsFrom(TPersistent::StaticClass())) return true;
  for (TClass c = AClass; c; c = c->ClassParent())
    if (c->OwnTypeInfo()) return true;
  return false;
}

const TPropList& GetPropList(TClass AClass) {
  static std::unordered_map<TClass, TPropList> cache;
  static const TPropList empty;
  if (!AClass) return empty;
  // Build the ancestors' tables outside the lock: a class's table is built once.
  std::vector<const TTypeInfo*> chain;
  for (TClass c = AClass; c; c = c->ClassParent())
    if (const TTypeInfo* own = c->OwnTypeInfo()) chain.push_back(own);
  std::lock_guard<std::mutex> lock(InfoLock());
  auto it = cache.find(AClass);
  if (it != cache.end()) return it->second;
  TPropList list;
  for (auto ci = chain.rbegin(); ci != chain.rend(); ++ci) {
    for (const auto& p : (*ci)->Props) {
      auto same = std::find_if(list.begin(), list.end(),
                               [&](PPropInfo q) { return SameIdent(q->Name, p->Name); });
      if (same != list.end())
        *same = p.get();
      else
        list.push_back(p.get());
    }
  }
  return cache.emplace(AClass, std::move(list)).first->second;
}

const TPropList& GetPropList(const TObject* Instance) {
  return GetPropList(Instance ? Instance->ClassType() : nullptr);
}

TPropList GetPropList(TClass AClass, TTypeKinds Kinds, bool SortList) {
  TPropList r;
  for (PPropInfo p : GetPropList(AClass))
    if (Kinds.Contains(p->PropType->Kind)) r.push_back(p);
  if (SortList)
    std::stable_sort(r.begin(), r.end(), [](PPropInfo a, PPropInfo b) {
      return LowerIdent(a->Name) < LowerIdent(b->Name);
    });
  return r;
}

PPropInfo GetPropInfo(TClass AClass, const String& PropName) {
  for (PPropInfo p : GetPropList(AClass))
    if (SameIdent(p->Name, PropName)) return p;
  return nullptr;
}

PPropInfo GetPropInfo(const TObject* Instance, const String& PropName) {
  return Instance ? GetPropInfo(Instance->ClassType(), PropName) : nullptr;
}

const TFieldEntry* FindPublishedField(TClass AClass, const String& Name) {
  if (Name.empty()) return nullptr;
  for (TClass c = AClass; c; c = c->ClassParent())
    if (const TTypeInfo* own = c->OwnTypeInfo())
      for (const TFieldEntry& f : own->Fields)
        if (SameIdent(f.Name, Name)) return &f;
  return nullptr;
}

const TMethodEntry* FindPublishedMethod(TClass AClass, const String& Name) {
  if (Name.empty()) return nullptr;
  for (TClass c = AClass; c; c = c->ClassParent())
    if (const TTypeInfo* own = c->OwnTypeInfo())
      for (const TMethodEntry& m : own->Methods)
        if (SameIdent(m.Name, Name)) return &m;
  return nullptr;
}

bool IsPublishedProp(TClass AClass, const String& PropName) {
  return GetPropInfo(AClass, PropName) != nullptr;
}
bool IsPublishedProp(const TObject* Instance, const String& PropName) {
  return GetPropInfo(Instance, PropName) != nullptr;
}

bool IsStoredProp(TObject* Instance, PPropInfo PropInfo) {
  if (!PropInfo) return false;
  if (PropInfo->StoredFn) return PropInfo->StoredFn(Instance);
  return PropInfo->Stored;
}
bool IsStoredProp(TObject* Instance, const String& PropName) {
  return IsStoredProp(Instance, Need(Instance, PropName));
}

TTypeKind PropType(TClass AClass, const String& PropName) {
  PPropInfo p = GetPropInfo(AClass, PropName);
  if (!p) UnknownProperty(PropName);
  return p->PropType->Kind;
}
TTypeKind PropType(const TObject* Instance, const String& PropName) {
  return PropType(Instance ? Instance->ClassType() : nullptr, PropName);
}
bool PropIsType(const TObject* Instance, const String& PropName, TTypeKind TypeKind) {
  return PropType(Instance, PropName) == TypeKind;
}
bool PropIsType(TClass AClass, const String& PropName, TTypeKind TypeKind) {
  return PropType(AClass, PropName) == TypeKind;
}

// Enumerations and sets -----------------------------------------------------------------

String GetEnumName(PTypeInfo TypeInfo, Integer Value) {
  if (!TypeInfo) return {};
  if (TypeInfo->Kind != tkEnumeration) return std::to_wstring(Value);
  Int64 i = static_cast<Int64>(Value) - TypeInfo->MinValue;
  if (i < 0 || i >= static_cast<Int64>(TypeInfo->EnumNames.size())) return {};
  return TypeInfo->EnumNames[static_cast<size_t>(i)];
}

Integer GetEnumValue(PTypeInfo TypeInfo, const String& Name) {
  if (!TypeInfo) return -1;
  const String n = TrimSpaces(Name);
  for (size_t i = 0; i < TypeInfo->EnumNames.size(); ++i)
    if (SameIdent(TypeInfo->EnumNames[i], n))
      return static_cast<Integer>(TypeInfo->MinValue + static_cast<Int64>(i));
  return -1;
}

namespace {
PTypeInfo ElementType(PTypeInfo SetType) {
  if (!SetType) return nullptr;
  return SetType->Kind == tkSet ? SetType->CompType : SetType;
}
}  // namespace

String SetToString(PTypeInfo SetType, Int64 Value, bool Brackets) {
  PTypeInfo E = ElementType(SetType);
  String r;
  for (int i = 0; i < 64; ++i) {
    if (!(static_cast<UInt64>(Value) & (UInt64(1) << i))) continue;
    if (!r.empty()) r += L',';
    String n = GetEnumName(E, i);
    r += n.empty() ? std::to_wstring(i) : n;
  }
  return Brackets ? L"[" + r + L"]" : r;
}
String SetToString(PPropInfo PropInfo, Int64 Value, bool Brackets) {
  return SetToString(PropInfo ? PropInfo->PropType : nullptr, Value, Brackets);
}

Int64 StringToSet(PTypeInfo SetType, const String& Value) {
  PTypeInfo E = ElementType(SetType);
  String s = TrimSpaces(Value);
  if (!s.empty() && s.front() == L'[') s.erase(0, 1);
  if (!s.empty() && s.back() == L']') s.pop_back();
  UInt64 r = 0;
  size_t pos = 0;
  while (pos <= s.size()) {
    size_t comma = s.find(L',', pos);
    if (comma == String::npos) comma = s.size();
    String item = TrimSpaces(s.substr(pos, comma - pos));
    pos = comma + 1;
    if (item.empty()) continue;
    Integer v = GetEnumValue(E, item);
    if (v < 0 || v >= 64) throw EPropertyConvertError(L"Invalid property element: %s", {item});
    r |= UInt64(1) << v;
  }
  return static_cast<Int64>(r);
}
Int64 StringToSet(PPropInfo PropInfo, const String& Value) {
  return StringToSet(PropInfo ? PropInfo->PropType : nullptr, Value);
}

// Reading and writing --------------------------------------------------------------------

Int64 GetOrdProp(TObject* Instance, PPropInfo P) {
  if (!P->GetOrd) InvalidType(P);
  return P->GetOrd(Instance);
}
Int64 GetOrdProp(TObject* Instance, const String& N) { return GetOrdProp(Instance, Need(Instance, N)); }
void SetOrdProp(TObject* Instance, PPropInfo P, Int64 Value) {
  if (!P->SetOrd) InvalidType(P);
  P->SetOrd(Instance, Value);
}
void SetOrdProp(TObject* Instance, const String& N, Int64 Value) {
  SetOrdProp(Instance, Need(Instance, N), Value);
}

String GetEnumProp(TObject* Instance, PPropInfo P) {
  return GetEnumName(P->PropType, static_cast<Integer>(GetOrdProp(Instance, P)));
}
String GetEnumProp(TObject* Instance, const String& N) { return GetEnumProp(Instance, Need(Instance, N)); }
void SetEnumProp(TObject* Instance, PPropInfo P, const String& Value) {
  Integer v = GetEnumValue(P->PropType, Value);
  if (v < 0) throw EPropertyConvertError(L"Invalid property element: %s", {Value});
  SetOrdProp(Instance, P, v);
}
void SetEnumProp(TObject* Instance, const String& N, const String& Value) {
  SetEnumProp(Instance, Need(Instance, N), Value);
}

String GetSetProp(TObject* Instance, PPropInfo P, bool Brackets) {
  if (P->PropType->Kind != tkSet) InvalidType(P);
  return SetToString(P->PropType, GetOrdProp(Instance, P), Brackets);
}
String GetSetProp(TObject* Instance, const String& N, bool Brackets) {
  return GetSetProp(Instance, Need(Instance, N), Brackets);
}
void SetSetProp(TObject* Instance, PPropInfo P, const String& Value) {
  if (P->PropType->Kind != tkSet) InvalidType(P);
  SetOrdProp(Instance, P, StringToSet(P->PropType, Value));
}
void SetSetProp(TObject* Instance, const String& N, const String& Value) {
  SetSetProp(Instance, Need(Instance, N), Value);
}

String GetStrProp(TObject* Instance, PPropInfo P) {
  if (!P->GetStr) InvalidType(P);
  return P->GetStr(Instance);
}
String GetStrProp(TObject* Instance, const String& N) { return GetStrProp(Instance, Need(Instance, N)); }
void SetStrProp(TObject* Instance, PPropInfo P, const String& Value) {
  if (!P->SetStr) InvalidType(P);
  P->SetStr(Instance, Value);
}
void SetStrProp(TObject* Instance, const String& N, const String& Value) {
  SetStrProp(Instance, Need(Instance, N), Value);
}

double GetFloatProp(TObject* Instance, PPropInfo P) {
  if (!P->GetFloat) InvalidType(P);
  return P->GetFloat(Instance);
}
double GetFloatProp(TObject* Instance, const String& N) { return GetFloatProp(Instance, Need(Instance, N)); }
void SetFloatProp(TObject* Instance, PPropInfo P, double Value) {
  if (!P->SetFloat) InvalidType(P);
  P->SetFloat(Instance, Value);
}
void SetFloatProp(TObject* Instance, const String& N, double Value) {
  SetFloatProp(Instance, Need(Instance, N), Value);
}

Int64 GetInt64Prop(TObject* Instance, PPropInfo P) { return GetOrdProp(Instance, P); }
Int64 GetInt64Prop(TObject* Instance, const String& N) { return GetOrdProp(Instance, N); }
void SetInt64Prop(TObject* Instance, PPropInfo P, Int64 Value) { SetOrdProp(Instance, P, Value); }
void SetInt64Prop(TObject* Instance, const String& N, Int64 Value) { SetOrdProp(Instance, N, Value); }

TObject* GetObjectProp(TObject* Instance, PPropInfo P, TClass MinClass) {
  if (!P->GetObj) InvalidType(P);
  TObject* o = P->GetObj(Instance);
  if (o && MinClass && !o->InheritsFrom(MinClass)) return nullptr;
  return o;
}
TObject* GetObjectProp(TObject* Instance, const String& N, TClass MinClass) {
  return GetObjectProp(Instance, Need(Instance, N), MinClass);
}
void SetObjectProp(TObject* Instance, PPropInfo P, TObject* Value) {
  if (!P->SetObj) InvalidType(P);
  P->SetObj(Instance, Value);
}
void SetObjectProp(TObject* Instance, const String& N, TObject* Value) {
  SetObjectProp(Instance, Need(Instance, N), Value);
}
TClass GetObjectPropClass(PPropInfo P) {
  return P && P->PropType->Kind == tkClass ? P->PropType->ClassType : nullptr;
}

TMethod GetMethodProp(TObject* Instance, PPropInfo P) {
  if (!P->GetMeth) InvalidType(P);
  return P->GetMeth(Instance);
}
TMethod GetMethodProp(TObject* Instance, const String& N) { return GetMethodProp(Instance, Need(Instance, N)); }
void SetMethodProp(TObject* Instance, PPropInfo P, const TMethod& Value) {
  if (!P->SetMeth) InvalidType(P);
  P->SetMeth(Instance, Value);
}
void SetMethodProp(TObject* Instance, const String& N, const TMethod& Value) {
  SetMethodProp(Instance, Need(Instance, N), Value);
}

std::any GetAnyProp(TObject* Instance, PPropInfo P) {
  if (!P->GetAny) InvalidType(P);
  return P->GetAny(Instance);
}
void SetAnyProp(TObject* Instance, PPropInfo P, const std::any& Value) {
  if (!P->SetAny) InvalidType(P);
  P->SetAny(Instance, Value);
}

Variant GetVariantProp(TObject* Instance, PPropInfo P) {
  if (P->PropType->Kind != tkVariant || !P->GetAny) InvalidType(P);
  std::any a = P->GetAny(Instance);
  const Variant* v = std::any_cast<Variant>(&a);
  return v ? *v : Variant();
}
Variant GetVariantProp(TObject* Instance, const String& N) { return GetVariantProp(Instance, Need(Instance, N)); }
void SetVariantProp(TObject* Instance, PPropInfo P, const Variant& Value) {
  if (P->PropType->Kind != tkVariant || !P->SetAny) InvalidType(P);
  P->SetAny(Instance, std::any(Value));
}
void SetVariantProp(TObject* Instance, const String& N, const Variant& Value) {
  SetVariantProp(Instance, Need(Instance, N), Value);
}

Variant GetPropValue(TObject* Instance, PPropInfo P, bool PreferStrings) {
  PTypeInfo T = P->PropType;
  switch (T->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar: return Variant(static_cast<Integer>(GetOrdProp(Instance, P)));
    case tkEnumeration: {
      Int64 v = GetOrdProp(Instance, P);
      if (T->EnumNames == TypeInfoBoolean()->EnumNames) return Variant(v != 0);
      if (PreferStrings) return Variant(GetEnumName(T, static_cast<Integer>(v)));
      return Variant(static_cast<Integer>(v));
    }
    case tkSet:
      if (PreferStrings) return Variant(GetSetProp(Instance, P, false));
      return Variant(static_cast<long long>(GetOrdProp(Instance, P)));
    case tkFloat: {
      double d = GetFloatProp(Instance, P);
      if (T->FloatType == ftCurr) return Variant(Currency::FromDouble(d));
      if (T->Name == L"TDateTime" || T->Name == L"TDate" || T->Name == L"TTime")
        return Variant(d, varDateTag);
      return Variant(d);
    }
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString: return Variant(GetStrProp(Instance, P));
    case tkInt64: return Variant(static_cast<long long>(GetOrdProp(Instance, P)));
    case tkVariant: return GetVariantProp(Instance, P);
    default: InvalidType(P);
  }
}
Variant GetPropValue(TObject* Instance, const String& N, bool PreferStrings) {
  return GetPropValue(Instance, Need(Instance, N), PreferStrings);
}

void SetPropValue(TObject* Instance, PPropInfo P, const Variant& Value) {
  PTypeInfo T = P->PropType;
  switch (T->Kind) {
    case tkInteger: SetOrdProp(Instance, P, Value.AsInteger()); break;
    case tkChar:
    case tkWChar:
      if (VarIsStr(Value)) {
        String s = Value.AsString();
        if (s.size() != 1) throw EPropertyConvertError(L"Invalid property value");
        SetOrdProp(Instance, P, s[0]);
      } else {
        SetOrdProp(Instance, P, Value.AsInteger());
      }
      break;
    case tkEnumeration:
      if (VarIsStr(Value)) SetEnumProp(Instance, P, Value.AsString());
      else if ((Value.VType() & varTypeMask) == varBoolean) SetOrdProp(Instance, P, Value.AsBoolean() ? 1 : 0);
      else SetOrdProp(Instance, P, Value.AsInteger());
      break;
    case tkSet:
      if (VarIsStr(Value)) SetSetProp(Instance, P, Value.AsString());
      else SetOrdProp(Instance, P, Value.AsInt64());
      break;
    case tkFloat: SetFloatProp(Instance, P, Value.AsDouble()); break;
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString: SetStrProp(Instance, P, VarIsNull(Value) ? String() : Value.AsString()); break;
    case tkInt64: SetOrdProp(Instance, P, Value.AsInt64()); break;
    case tkVariant: SetVariantProp(Instance, P, Value); break;
    default: InvalidType(P);
  }
}
void SetPropValue(TObject* Instance, const String& N, const Variant& Value) {
  SetPropValue(Instance, Need(Instance, N), Value);
}

String GetPropValueText(TObject* Instance, PPropInfo P) {
  switch (P->PropType->Kind) {
    case tkEnumeration: return GetEnumProp(Instance, P);
    case tkSet: return GetSetProp(Instance, P, true);
    case tkInteger:
    case tkInt64: return std::to_wstring(GetOrdProp(Instance, P));
    case tkChar:
    case tkWChar: return String(1, static_cast<wchar_t>(GetOrdProp(Instance, P)));
    case tkFloat: {
      wchar_t buf[64];
      swprintf(buf, 64, L"%.15g", GetFloatProp(Instance, P));
      return buf;
    }
    case tkString:
    case tkLString:
    case tkWString:
    case tkUString: return GetStrProp(Instance, P);
    case tkClass: {
      TObject* o = GetObjectProp(Instance, P);
      if (!o) return L"nil";
      if (auto* c = dynamic_cast<TComponent*>(o)) return c->Name();
      return L"(" + o->ClassName() + L")";
    }
    case tkMethod: return GetMethodProp(Instance, P).Name;
    case tkVariant: return VarToStr(GetVariantProp(Instance, P));
    default: return {};
  }
}

// Class registry -------------------------------------------------------------------------

namespace {
struct TRegEntry {
  String Name;
  TClass Class;
};
struct TRegistry {
  std::mutex Lock;
  std::vector<TRegEntry> Entries;
  TRegEntry* Find(const String& Name) {
    for (auto& e : Entries)
      if (SameIdent(e.Name, Name)) return &e;
    return nullptr;
  }
};
TRegistry& Registry() {
  static TRegistry r;
  return r;
}
}  // namespace

void RegisterClass(TClass AClass) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> lock(R.Lock);
  for (TClass c = AClass; c && c != TObject::StaticClass(); c = c->ClassParent()) {
    if (TRegEntry* e = R.Find(c->ClassName())) {
      if (e->Class == c) break;  // this class and its ancestors are known
      if (c == AClass) throw EFilerError(L"A class named %s already exists", {c->ClassName()});
      break;
    }
    R.Entries.push_back({c->ClassName(), c});
    if (c == TPersistent::StaticClass()) break;
  }
}

void RegisterClasses(std::initializer_list<TClass> Classes) {
  for (TClass c : Classes) RegisterClass(c);
}

void RegisterClassAlias(TClass AClass, const String& Alias) {
  RegisterClass(AClass);
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> lock(R.Lock);
  if (TRegEntry* e = R.Find(Alias)) {
    e->Class = AClass;
    return;
  }
  R.Entries.push_back({Alias, AClass});
}

void UnRegisterClass(TClass AClass) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> lock(R.Lock);
  R.Entries.erase(std::remove_if(R.Entries.begin(), R.Entries.end(),
                                 [&](const TRegEntry& e) { return e.Class == AClass; }),
                  R.Entries.end());
}

void UnRegisterClasses(std::initializer_list<TClass> Classes) {
  for (TClass c : Classes) UnRegisterClass(c);
}

TClass GetClass(const String& AClassName) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> lock(R.Lock);
  TRegEntry* e = R.Find(AClassName);
  return e ? e->Class : nullptr;
}

TClass FindClass(const String& ClassName) {
  TClass c = GetClass(ClassName);
  if (!c) throw EClassNotFound(L"Class %s not found", {ClassName});
  return c;
}
