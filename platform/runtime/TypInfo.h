// Run-time type information: published properties of classes, enumeration and set
// types, published methods bound to events by name, and the class registry used by
// the component streaming.
//
// A class declares its published properties once:
//
//   class TButton : public TControl {
//     DECLARE_CLASS(TButton, TControl)
//     PUBLISHED(TButton)
//     ...
//   };
//   // in the .cpp:
//   void TButton::DeclarePublished(TPublisher<TButton>& P) {
//     P.Property(L"Caption", &TButton::Caption, &TButton::SetCaption);
//     P.Property(L"Default", &TButton::Default, &TButton::SetDefault).Default(false);
//     P.Property(L"Tag", &TButton::Tag, &TButton::SetTag).Default(0);
//     P.Property(L"OnClick", &TButton::FOnClick);        // a field: read and write
//     P.Method(L"Button1Click", &TForm1::Button1Click);   // a published method
//   }
//
// Getters and setters are member functions, fields or callables taking the object.
// Enumerations used by properties declare their names once, next to the enumeration:
//   enum TAlign { alNone, alTop, alBottom };
//   ENUM_TYPEINFO(TAlign, alNone, alTop, alBottom)
//   using TAnchors = Set<TAnchorKind>;  SET_TYPEINFO(TAnchors, TAnchorKind)
#pragma once

#include <any>
#include <climits>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "SysUtils.h"
#include "System.h"
#include "Variants.h"

enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64,
  tkDynArray, tkUString, tkClassRef, tkPointer, tkProcedure
};
using TTypeKinds = Set<TTypeKind, 32>;

enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong, otSQWord, otUQWord };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

struct TPropInfo;
using PPropInfo = const TPropInfo*;
using PTypeInfo = const TTypeInfo*;
using TPropList = std::vector<PPropInfo>;

// A published method: its name and a way to bind it to an instance.
struct TMethodEntry {
  String Name;
  // Returns the method bound to Instance as a std::function of the method's signature
  // (inside std::any).
  std::function<std::any(TObject* Instance)> Bind;
};

// A published field of a form: a component pointer that the owner's component of that
// name fills while it lives (TComponent::SetReference).
struct TFieldEntry {
  String Name;
  // Stores Value (nullptr clears) into the field of Owner; a component of another class
  // clears the field.
  std::function<void(TObject* Owner, TObject* Value)> Set;
};

// The type of a property, or a class's own published table.
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  String Name;
  // Ordinals (integer, character, enumeration).
  TOrdType OrdType = otSLong;
  Int64 MinValue = 0;
  Int64 MaxValue = 0;
  // Enumerations: the identifiers of ordinals MinValue..MaxValue.
  std::vector<String> EnumNames;
  // Sets: the element type.
  PTypeInfo CompType = nullptr;
  // Floats.
  TFloatType FloatType = ftDouble;
  // Classes: the class; for a class's own table, its published properties and
  // methods in declaration order.
  TClass ClassType = nullptr;
  std::vector<std::unique_ptr<TPropInfo>> Props;
  std::vector<TMethodEntry> Methods;
  std::vector<TFieldEntry> Fields;
};
inline const TTypeInfo* GetTypeData(PTypeInfo Info) { return Info; }

// A method pointer: the name of a published method and the instance it is bound to.
// An event holding any other callable reads back with an empty Name and Data, and
// Assigned() true.
struct TMethod {
  String Name;  // the method's name ("Code")
  TObject* Data = nullptr;
  bool IsAssigned = false;
  bool Assigned() const { return IsAssigned || !Name.empty() || Data; }
};

// Marker on the callables that events receive from SetMethodProp: they remember the
// method's name and instance so that the event can be written back by name.
template <class Sig> struct TBoundMethod;
template <class R, class... A>
struct TBoundMethod<R(A...)> {
  String Name;
  TObject* Data = nullptr;
  std::function<R(A...)> Call;
  R operator()(A... Args) const { return Call(std::forward<A>(Args)...); }
};

// A published property.
struct TPropInfo {
  static constexpr Integer NoIndex = INT_MIN;
  static constexpr Int64 NoDefault = INT_MIN;  // ordinal properties without a default

  PTypeInfo PropType = nullptr;
  String Name;
  Integer Index = NoIndex;
  Int64 Default = NoDefault;
  Integer NameIndex = 0;  // position in the declaring class
  TClass Owner = nullptr;  // the declaring class
  bool Stored = true;      // constant stored flag, used when StoredFn is empty
  std::function<bool(TObject*)> StoredFn;

  // Accessors; only those of the property's kind are set. Ordinal kinds (integer,
  // character, enumeration, set bits, Int64) share GetOrd/SetOrd.
  std::function<Int64(TObject*)> GetOrd;
  std::function<void(TObject*, Int64)> SetOrd;
  std::function<double(TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<String(TObject*)> GetStr;
  std::function<void(TObject*, const String&)> SetStr;
  std::function<TObject*(TObject*)> GetObj;
  std::function<void(TObject*, TObject*)> SetObj;
  std::function<TMethod(TObject*)> GetMeth;
  std::function<void(TObject*, const TMethod&)> SetMeth;
  std::function<std::any(TObject*)> GetAny;  // variants, interfaces, records
  std::function<void(TObject*, const std::any&)> SetAny;

  bool HasGetter() const { return GetOrd || GetFloat || GetStr || GetObj || GetMeth || GetAny; }
  bool HasSetter() const { return SetOrd || SetFloat || SetStr || SetObj || SetMeth || SetAny; }
};

DECLARE_EXCEPTION(EPropertyError, Exception)
DECLARE_EXCEPTION(EPropertyConvertError, Exception)
// Streaming errors (the component reader and writer, the class registry).
DECLARE_EXCEPTION(EClassNotFound, EFilerError)

// Standard type information ------------------------------------------------------------

PTypeInfo TypeInfoInteger();
PTypeInfo TypeInfoCardinal();
PTypeInfo TypeInfoInt64();
PTypeInfo TypeInfoBoolean();
PTypeInfo TypeInfoChar();      // AnsiChar
PTypeInfo TypeInfoWideChar();
PTypeInfo TypeInfoString();    // UnicodeString
PTypeInfo TypeInfoAnsiString();
PTypeInfo TypeInfoSingle();
PTypeInfo TypeInfoDouble();
PTypeInfo TypeInfoCurrency();
PTypeInfo TypeInfoDateTime();  // floats named TDateTime, TDate and TTime
PTypeInfo TypeInfoDate();
PTypeInfo TypeInfoTime();
PTypeInfo TypeInfoVariant();
inline PTypeInfo zs_TypeInfoOf_(Variant*) { return TypeInfoVariant(); }
// The same type under another name (TColor for an Integer, TDate for a Double ...).
PTypeInfo RenamedTypeInfo(PTypeInfo Base, const String& Name);
// The type information of a class reference (a property of class type).
PTypeInfo ClassTypeInfo(TClass AClass);
// Type information of a method (event) type with this name.
PTypeInfo MethodTypeInfo(const String& Name);
// Enumeration type info from "a, b, c": the names of the ordinals 0, 1, 2 ... in order
// (enumerations with explicit, non-consecutive values have no type information).
PTypeInfo MakeEnumTypeInfo(const wchar_t* TypeName, const wchar_t* NameList);
PTypeInfo MakeSetTypeInfo(const wchar_t* TypeName, PTypeInfo CompType);

#define ENUM_TYPEINFO(E, ...)                                                       \
  inline PTypeInfo zs_TypeInfoOf_(E*) {                                             \
    static const PTypeInfo info_ = ::MakeEnumTypeInfo(L## #E, L"" #__VA_ARGS__);    \
    return info_;                                                                   \
  }
#define SET_TYPEINFO(S, E)                                                          \
  inline PTypeInfo zs_TypeInfoOf_(S*) {                                             \
    static const PTypeInfo info_ = ::MakeSetTypeInfo(L## #S, zs_TypeInfoOf_((E*)nullptr)); \
    return info_;                                                                   \
  }

// Sets without a declared name: "set of <element>".
template <class E, std::size_t N>
PTypeInfo zs_TypeInfoOf_(Set<E, N>*) {
  static const PTypeInfo info_ =
      MakeSetTypeInfo((L"set of " + zs_TypeInfoOf_((E*)nullptr)->Name).c_str(),
                      zs_TypeInfoOf_((E*)nullptr));
  return info_;
}

namespace zs_detail {
template <class T> struct IsSet : std::false_type {};
template <class E, std::size_t N> struct IsSet<Set<E, N>> : std::true_type {};
template <class T> struct IsFunction : std::false_type {};
template <class R, class... A> struct IsFunction<std::function<R(A...)>> : std::true_type {};
template <class T> struct FunctionSig;
template <class R, class... A> struct FunctionSig<std::function<R(A...)>> { using type = R(A...); };
template <class T>
concept HasAdlTypeInfo = requires(T* p) { { zs_TypeInfoOf_(p) } -> std::convertible_to<PTypeInfo>; };
// An ordinal type of its own over an integer (TColor, TCursor): it names the integer as
// TOrdinal and converts to and from it. Properties of such a type are ordinal
// properties with the type's own type information.
template <class T>
concept OrdinalWrapper = requires(T v) {
  typename T::TOrdinal;
  { static_cast<typename T::TOrdinal>(v) };
  { T(typename T::TOrdinal{}) };
};
}  // namespace zs_detail

// The type information of a C++ type used by a property.
template <class T>
PTypeInfo TypeInfoOf() {
  using zs_detail::HasAdlTypeInfo;
  if constexpr (std::is_same_v<T, bool>) return TypeInfoBoolean();
  else if constexpr (std::is_same_v<T, wchar_t>) return TypeInfoWideChar();
  else if constexpr (std::is_same_v<T, char>) return TypeInfoChar();
  else if constexpr (std::is_integral_v<T> && sizeof(T) == 8) return TypeInfoInt64();
  else if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T> && sizeof(T) == 4) return TypeInfoCardinal();
  else if constexpr (std::is_integral_v<T>) return TypeInfoInteger();
  else if constexpr (std::is_same_v<T, float>) return TypeInfoSingle();
  else if constexpr (std::is_floating_point_v<T>) return TypeInfoDouble();
  else if constexpr (std::is_same_v<T, Currency>) return TypeInfoCurrency();
  else if constexpr (std::is_same_v<T, String>) return TypeInfoString();
  else if constexpr (std::is_same_v<T, AnsiString>) return TypeInfoAnsiString();
  else if constexpr (HasAdlTypeInfo<T>) return zs_TypeInfoOf_(static_cast<T*>(nullptr));
  else if constexpr (std::is_pointer_v<T> &&
                     std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>>)
    return ClassTypeInfo(std::remove_cv_t<std::remove_pointer_t<T>>::StaticClass());
  else if constexpr (zs_detail::IsFunction<T>::value)
    return MethodTypeInfo(std::is_same_v<T, TNotifyEvent> ? L"TNotifyEvent" : L"TMethod");
  else
    static_assert(sizeof(T) == 0, "this type has no type information: declare it");
}

namespace zs_detail {
// The published method Value.Name of Value.Data, bound (std::function in std::any).
std::any BindPublishedMethod(const TMethod& Value);
}  // namespace zs_detail

// Builds the property list of class C (see the example at the top).
template <class C>
class TPublisher {
 public:
  // Fine-tunes the property just declared.
  class TPropBuilder {
   public:
    explicit TPropBuilder(TPropInfo& p) : p_(p) {}
    template <class V> TPropBuilder& Default(V Value) {
      if constexpr (zs_detail::IsSet<V>::value) p_.Default = static_cast<Int64>(Value.ToInt());
      else p_.Default = static_cast<Int64>(Value);
      return *this;
    }
    TPropBuilder& NoDefault() { p_.Default = TPropInfo::NoDefault; return *this; }
    TPropBuilder& Stored(bool Value) { p_.Stored = Value; p_.StoredFn = nullptr; return *this; }
    template <class F> TPropBuilder& Stored(F Fn) {
      p_.StoredFn = [Fn](TObject* o) -> bool { return std::invoke(Fn, static_cast<C*>(o)); };
      return *this;
    }
    TPropBuilder& Index(Integer Value) { p_.Index = Value; return *this; }
    TPropBuilder& Type(PTypeInfo Info) { p_.PropType = Info; return *this; }
    TPropBuilder& TypeName(const String& Name) { p_.PropType = RenamedTypeInfo(p_.PropType, Name); return *this; }
   private:
    TPropInfo& p_;
  };

  explicit TPublisher(TTypeInfo& Info) : info_(Info) {}

  // A property with a getter and an optional setter (nullptr: read-only).
  template <class G, class S = std::nullptr_t>
  TPropBuilder Property(const String& Name, G Getter, S Setter = nullptr) {
    using T = std::decay_t<std::invoke_result_t<G, C*>>;
    auto p = std::make_unique<TPropInfo>();
    p->Name = Name;
    p->Owner = C::StaticClass();
    p->NameIndex = static_cast<Integer>(info_.Props.size());
    p->PropType = TypeInfoOf<T>();
    auto get = [Getter](TObject* o) -> T { return std::invoke(Getter, static_cast<C*>(o)); };
    std::function<void(TObject*, const T&)> set;
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      if constexpr (std::is_member_object_pointer_v<S>)
        set = [Setter](TObject* o, const T& v) { static_cast<C*>(o)->*Setter = v; };
      else
        set = [Setter](TObject* o, const T& v) { std::invoke(Setter, static_cast<C*>(o), v); };
    }
    Bind<T>(*p, get, set);
    TPropInfo& ref = *p;
    info_.Props.push_back(std::move(p));
    return TPropBuilder(ref);
  }
  // A property read and written straight through a field.
  template <class T, class B>
    requires(!std::is_function_v<T>)
  TPropBuilder Property(const String& Name, T B::*Field) {
    static_assert(std::is_base_of_v<B, C>);
    return Property(Name, Field, Field);
  }
  // A published component field, filled by the owned component of the same name.
  template <class T, class B>
  void Field(const String& Name, T* B::*Member) {
    static_assert(std::is_base_of_v<B, C> && std::is_base_of_v<TObject, T>);
    info_.Fields.push_back({Name, [Member](TObject* Owner, TObject* Value) {
                              if (B* self = dynamic_cast<B*>(Owner)) self->*Member = dynamic_cast<T*>(Value);
                            }});
  }
  // A published method, bound to events by name.
  template <class R, class B, class... A>
  void Method(const String& Name, R (B::*Fn)(A...)) {
    static_assert(std::is_base_of_v<B, C>);
    String N = Name;
    info_.Methods.push_back({Name, [Fn, N](TObject* d) -> std::any {
      B* self = dynamic_cast<B*>(d);
      TBoundMethod<R(A...)> m{N, d, [self, Fn](A... a) -> R { return (self->*Fn)(std::forward<A>(a)...); }};
      return std::any(std::function<R(A...)>(m));
    }});
  }

 private:
  template <class T, class Get>
  void Bind(TPropInfo& p, Get get, std::function<void(TObject*, const T&)> set) {
    if constexpr (std::is_same_v<T, bool> || std::is_integral_v<T> || std::is_enum_v<T>) {
      p.GetOrd = [get](TObject* o) { return static_cast<Int64>(get(o)); };
      if (set) p.SetOrd = [set](TObject* o, Int64 v) { set(o, static_cast<T>(v)); };
    } else if constexpr (zs_detail::OrdinalWrapper<T>) {
      using O = typename T::TOrdinal;
      p.GetOrd = [get](TObject* o) { return static_cast<Int64>(static_cast<O>(get(o))); };
      if (set) p.SetOrd = [set](TObject* o, Int64 v) { set(o, T(static_cast<O>(v))); };
    } else if constexpr (zs_detail::IsSet<T>::value) {
      p.GetOrd = [get](TObject* o) { return static_cast<Int64>(get(o).ToInt()); };
      if (set) p.SetOrd = [set](TObject* o, Int64 v) { set(o, T::FromInt(static_cast<UInt64>(v))); };
    } else if constexpr (std::is_floating_point_v<T>) {
      p.GetFloat = [get](TObject* o) { return static_cast<double>(get(o)); };
      if (set) p.SetFloat = [set](TObject* o, double v) { set(o, static_cast<T>(v)); };
    } else if constexpr (std::is_same_v<T, Currency>) {
      p.GetFloat = [get](TObject* o) { return get(o).ToDouble(); };
      if (set) p.SetFloat = [set](TObject* o, double v) { set(o, Currency::FromDouble(v)); };
    } else if constexpr (std::is_same_v<T, String>) {
      p.GetStr = get;
      if (set) p.SetStr = set;
    } else if constexpr (std::is_same_v<T, AnsiString>) {
      p.GetStr = [get](TObject* o) { return ::AnsiToString(get(o)); };
      if (set) p.SetStr = [set](TObject* o, const String& v) { set(o, ::StringToAnsi(v)); };
    } else if constexpr (std::is_pointer_v<T> &&
                         std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>>) {
      using O = std::remove_cv_t<std::remove_pointer_t<T>>;
      p.GetObj = [get](TObject* o) -> TObject* { return const_cast<O*>(get(o)); };
      if (set) p.SetObj = [set](TObject* o, TObject* v) {
        O* typed = dynamic_cast<O*>(v);
        if (v && !typed) throw EPropertyConvertError(L"Invalid property value");
        set(o, typed);
      };
    } else if constexpr (zs_detail::IsFunction<T>::value) {
      using Sig = typename zs_detail::FunctionSig<T>::type;
      p.GetMeth = [get](TObject* o) -> TMethod {
        T f = get(o);
        TMethod m;
        if (!f) return m;
        if (auto* b = f.template target<TBoundMethod<Sig>>()) {
          m.Name = b->Name;
          m.Data = b->Data;
        }
        m.IsAssigned = true;
        return m;
      };
      if (set) p.SetMeth = [set](TObject* o, const TMethod& m) {
        if (!m.Assigned()) { set(o, T()); return; }
        std::any a = zs_detail::BindPublishedMethod(m);
        const T* f = std::any_cast<T>(&a);
        if (!f) throw EPropertyConvertError(L"Invalid property value");
        set(o, *f);
      };
    } else {
      p.GetAny = [get](TObject* o) { return std::any(get(o)); };
      if (set) p.SetAny = [set](TObject* o, const std::any& v) {
        const T* t = std::any_cast<T>(&v);
        if (!t) throw EPropertyConvertError(L"Invalid property value");
        set(o, *t);
      };
    }
  }
  TTypeInfo& info_;
};

namespace zs_detail {
template <class C>
const TTypeInfo* BuildClassTypeInfo() {
  static const TTypeInfo* info_ = [] {
    auto* t = new TTypeInfo;
    t->Kind = tkClass;
    t->ClassType = C::StaticClass();
    t->Name = t->ClassType->ClassName();
    TPublisher<C> p(*t);
    C::DeclarePublished(p);
    return t;
  }();
  return info_;
}
}  // namespace zs_detail

// Put PUBLISHED(Cls) after DECLARE_CLASS in a class that declares published
// properties or methods, and define Cls::DeclarePublished in its source file.
#define PUBLISHED(Cls)                                                                   \
 public:                                                                                 \
  using zs_published_class_ = Cls;                                                       \
  static const TTypeInfo* zs_PublishedTypeInfo_() {                                      \
    return ::zs_detail::BuildClassTypeInfo<Cls>();                                       \
  }                                                                                      \
  static void DeclarePublished(TPublisher<Cls>& P);

// Queries ------------------------------------------------------------------------------

// True when the class has published information (TPersistent descendants, or a class
// that declares a table).
bool ClassHasTypeInfo(TClass AClass);
// The published properties, parents first, each in declaration order; a property
// declared again by a descendant takes the place of the ancestor's.
const TPropList& GetPropList(TClass AClass);
const TPropList& GetPropList(const TObject* Instance);
// The same, filtered by kind and optionally sorted by name.
TPropList GetPropList(TClass AClass, TTypeKinds Kinds, bool SortList = false);
// The property of that name (case-insensitive), or nullptr.
PPropInfo GetPropInfo(TClass AClass, const String& PropName);
PPropInfo GetPropInfo(const TObject* Instance, const String& PropName);
// The published method of that name (case-insensitive) in the class or an ancestor.
const TMethodEntry* FindPublishedMethod(TClass AClass, const String& Name);
// The published field of that name (case-insensitive) in the class or an ancestor.
const TFieldEntry* FindPublishedField(TClass AClass, const String& Name);
bool IsPublishedProp(TClass AClass, const String& PropName);
bool IsPublishedProp(const TObject* Instance, const String& PropName);
bool IsStoredProp(TObject* Instance, PPropInfo PropInfo);
bool IsStoredProp(TObject* Instance, const String& PropName);
TTypeKind PropType(TClass AClass, const String& PropName);
TTypeKind PropType(const TObject* Instance, const String& PropName);
bool PropIsType(const TObject* Instance, const String& PropName, TTypeKind TypeKind);
bool PropIsType(TClass AClass, const String& PropName, TTypeKind TypeKind);

String GetEnumName(PTypeInfo TypeInfo, Integer Value);
// The ordinal of the identifier (case-insensitive), -1 when there is none.
Integer GetEnumValue(PTypeInfo TypeInfo, const String& Name);
// "a,b" (or "[a,b]") from the set bits; SetType may be the set's or its element's info.
String SetToString(PTypeInfo SetType, Int64 Value, bool Brackets = false);
String SetToString(PPropInfo PropInfo, Int64 Value, bool Brackets = false);
// The bits of "[a, b]" or "a,b"; EPropertyConvertError "Invalid property element: %s".
Int64 StringToSet(PTypeInfo SetType, const String& Value);
Int64 StringToSet(PPropInfo PropInfo, const String& Value);

// Reading and writing by property. The name forms raise EPropertyError
// "Property %s does not exist"; a property of another kind raises
// EPropertyConvertError "Invalid property type: %s".
Int64 GetOrdProp(TObject* Instance, PPropInfo PropInfo);
Int64 GetOrdProp(TObject* Instance, const String& PropName);
void SetOrdProp(TObject* Instance, PPropInfo PropInfo, Int64 Value);
void SetOrdProp(TObject* Instance, const String& PropName, Int64 Value);
String GetEnumProp(TObject* Instance, PPropInfo PropInfo);
String GetEnumProp(TObject* Instance, const String& PropName);
void SetEnumProp(TObject* Instance, PPropInfo PropInfo, const String& Value);
void SetEnumProp(TObject* Instance, const String& PropName, const String& Value);
String GetSetProp(TObject* Instance, PPropInfo PropInfo, bool Brackets = false);
String GetSetProp(TObject* Instance, const String& PropName, bool Brackets = false);
void SetSetProp(TObject* Instance, PPropInfo PropInfo, const String& Value);
void SetSetProp(TObject* Instance, const String& PropName, const String& Value);
String GetStrProp(TObject* Instance, PPropInfo PropInfo);
String GetStrProp(TObject* Instance, const String& PropName);
void SetStrProp(TObject* Instance, PPropInfo PropInfo, const String& Value);
void SetStrProp(TObject* Instance, const String& PropName, const String& Value);
double GetFloatProp(TObject* Instance, PPropInfo PropInfo);
double GetFloatProp(TObject* Instance, const String& PropName);
void SetFloatProp(TObject* Instance, PPropInfo PropInfo, double Value);
void SetFloatProp(TObject* Instance, const String& PropName, double Value);
Int64 GetInt64Prop(TObject* Instance, PPropInfo PropInfo);
Int64 GetInt64Prop(TObject* Instance, const String& PropName);
void SetInt64Prop(TObject* Instance, PPropInfo PropInfo, Int64 Value);
void SetInt64Prop(TObject* Instance, const String& PropName, Int64 Value);
TObject* GetObjectProp(TObject* Instance, PPropInfo PropInfo, TClass MinClass = nullptr);
TObject* GetObjectProp(TObject* Instance, const String& PropName, TClass MinClass = nullptr);
void SetObjectProp(TObject* Instance, PPropInfo PropInfo, TObject* Value);
void SetObjectProp(TObject* Instance, const String& PropName, TObject* Value);
TClass GetObjectPropClass(PPropInfo PropInfo);
TMethod GetMethodProp(TObject* Instance, PPropInfo PropInfo);
TMethod GetMethodProp(TObject* Instance, const String& PropName);
// Binds the event to Value.Data's published method named Value.Name; an empty value
// clears the event. EPropertyConvertError "Invalid property value" when the method does
// not exist or has another signature.
void SetMethodProp(TObject* Instance, PPropInfo PropInfo, const TMethod& Value);
void SetMethodProp(TObject* Instance, const String& PropName, const TMethod& Value);
// Variants, interfaces and records, as std::any holding the property's C++ type.
std::any GetAnyProp(TObject* Instance, PPropInfo PropInfo);
void SetAnyProp(TObject* Instance, PPropInfo PropInfo, const std::any& Value);
Variant GetVariantProp(TObject* Instance, PPropInfo PropInfo);
Variant GetVariantProp(TObject* Instance, const String& PropName);
void SetVariantProp(TObject* Instance, PPropInfo PropInfo, const Variant& Value);
void SetVariantProp(TObject* Instance, const String& PropName, const Variant& Value);
// Any ordinal, float, string, Int64 or variant property as a Variant; enumerations and
// sets as their text when PreferStrings (Boolean as a Boolean), else as numbers.
Variant GetPropValue(TObject* Instance, PPropInfo PropInfo, bool PreferStrings = true);
Variant GetPropValue(TObject* Instance, const String& PropName, bool PreferStrings = true);
// Sets such a property from a Variant (enumerations and sets also from their text).
void SetPropValue(TObject* Instance, PPropInfo PropInfo, const Variant& Value);
void SetPropValue(TObject* Instance, const String& PropName, const Variant& Value);
// Any property as text: ordinals in decimal, enumerations and sets by name, floats,
// strings; objects by component name; methods by method name.
String GetPropValueText(TObject* Instance, PPropInfo PropInfo);

// Class registry -------------------------------------------------------------------------

// Registers the class and its ancestors up to TPersistent for FindClass by name.
// EFilerError "A class named %s already exists" when another class has the name.
void RegisterClass(TClass AClass);
void RegisterClasses(std::initializer_list<TClass> Classes);
void RegisterClassAlias(TClass AClass, const String& Alias);
void UnRegisterClass(TClass AClass);
void UnRegisterClasses(std::initializer_list<TClass> Classes);
// The registered class of that name (case-insensitive), nullptr when none.
TClass GetClass(const String& AClassName);
// The same, raising EClassNotFound "Class %s not found".
TClass FindClass(const String& ClassName);
