#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>

#include "Variants.h"

namespace ZS_UNITY_ID {

namespace {

Variant Cur(double d) { return Variant(Currency::FromDouble(d)); }
Variant Ansi(const char* s) { return Variant(AnsiString(s)); }

TEST(Variant, ConstructorsGiveTheOleTypeCodes) {
  struct Row {
    Variant v;
    TVarType type;
  };
  const Row rows[] = {
      {Variant(), varEmpty},
      {Null(), varNull},
      {Variant(SmallInt(1)), varSmallint},
      {Variant(1), varInteger},
      {Variant(1.0f), varSingle},
      {Variant(1.0), varDouble},
      {Cur(1), varCurrency},
      {VarFromDateTime(1.0), varDate},
      {Variant::Error(5), varError},
      {Variant(true), varBoolean},
      {Variant(ShortInt(1)), varShortInt},
      {Variant(Byte(1)), varByte},
      {Variant(Word(1)), varWord},
      {Variant(1u), varLongWord},
      {Variant(Int64(1)), varInt64},
      {Variant(UInt64(1)), varUInt64},
      {Ansi("a"), varString},
      {Variant(L"a"), varUString},
      {VarArrayOf({1, 2}), varArray | varVariant},
  };
  for (const auto& r : rows) EXPECT_EQ(VarType(r.v), r.type) << VarTypeAsText(r.type).size();
  // The numbers themselves are fixed by the OLE definitions.
  EXPECT_EQ(varUInt64, 21);
  EXPECT_EQ(varString, 0x100);
  EXPECT_EQ(varUString, 0x102);
  EXPECT_EQ(varArray, 0x2000);
  EXPECT_EQ(varByRef, 0x4000);
}

TEST(Variant, Predicates) {
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_TRUE(VarIsClear(Unassigned()));
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_FALSE(VarIsClear(Null()));
  EXPECT_TRUE(VarIsNumeric(Variant(1)) && VarIsNumeric(Cur(1)) && VarIsNumeric(Variant(true)));
  EXPECT_FALSE(VarIsNumeric(VarFromDateTime(1)) || VarIsNumeric(Variant(L"1")));
  EXPECT_TRUE(VarIsOrdinal(Variant(UInt64(1))) && !VarIsOrdinal(Variant(1.0)));
  EXPECT_TRUE(VarIsFloat(Variant(1.0f)) && VarIsFloat(Cur(1)) && !VarIsFloat(Variant(1)));
  EXPECT_TRUE(VarIsStr(Ansi("")) && VarIsStr(Variant(L"")) && VarIsStr(VarAsType(Variant(1), varOleStr)));
  EXPECT_TRUE(VarIsArray(VarArrayOf({})) && !VarIsArray(Variant(1)));
  EXPECT_TRUE(VarIsType(Variant(1), varInteger));
  EXPECT_TRUE(VarIsType(Variant(1), {varSmallint, varInteger}));
  EXPECT_FALSE(VarIsType(Variant(1), {varSmallint, varDouble}));
}

TEST(Variant, TextOfEveryScalar) {
  struct Row {
    Variant v;
    const wchar_t* text;
  };
  const Row rows[] = {
      {Variant(), L""},
      {Variant(-42), L"-42"},
      {Variant(Int64(-9000000000LL)), L"-9000000000"},
      {Variant(UInt64(18446744073709551615ULL)), L"18446744073709551615"},
      {Variant(1.5), L"1.5"},
      {Variant(0.1 + 0.2), L"0.3"},
      {Variant(1e20), L"1E20"},
      {Variant(1.5e-7), L"1.5E-7"},
      {Variant(123456789012345.0), L"123456789012345"},
      {Variant(0.1f), L"0.1"},
      {Cur(1.5), L"1.5"},
      {Cur(-0.0001), L"-0.0001"},
      {Cur(2), L"2"},
      {Variant(true), L"True"},
      {Variant(false), L"False"},
      {Ansi("abc"), L"abc"},
      {Variant(L"日本"), L"日本"},
  };
  for (const auto& r : rows) EXPECT_EQ(VarToStr(r.v), r.text);
  EXPECT_EQ(VarToStr(Null()), L"");
  EXPECT_EQ(VarToStrDef(Null(), L"none"), L"none");
  EXPECT_EQ(VarToStrDef(Variant(3), L"none"), L"3");
  EXPECT_EQ(VarToWideStr(Variant(7)), L"7");
  EXPECT_EQ(Variant(L"日本").AsAnsiString(), "\x93\xfa\x96\x7b");  // the ANSI code page is 932
  // A date shown as text reads back as the same date and time.
  const TDateTime when = 45293.75;  // 2024-01-02 18:00
  EXPECT_DOUBLE_EQ(VarToDateTime(Variant(VarToStr(VarFromDateTime(when)))), when);
  EXPECT_DOUBLE_EQ(VarToDateTime(Variant(45293)), 45293.0);
}

TEST(Variant, NumbersFromEveryType) {
  struct Row {
    Variant v;
    Int64 asInt;
    double asDouble;
  };
  const Row rows[] = {
      {Variant(), 0, 0},
      {Variant(L"42"), 42, 42},
      {Variant(L" $FF "), 255, 255},
      {Variant(L"0x10"), 16, 16},
      {Variant(L"2.5"), 2, 2.5},  // rounding half to even
      {Variant(L"3.5"), 4, 3.5},
      {Variant(L"-1e3"), -1000, -1000},
      {Variant(2.5), 2, 2.5},
      {Variant(-2.5), -2, -2.5},
      {Cur(2.5), 2, 2.5},
      {Cur(3.5), 4, 3.5},
      {Variant(true), -1, -1},
      {VarFromDateTime(1.75), 2, 1.75},
      {Ansi("12"), 12, 12},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(VarToStr(r.v));
    EXPECT_EQ(r.v.AsInt64(), r.asInt);
    EXPECT_EQ(r.v.AsInteger(), r.asInt);
    EXPECT_DOUBLE_EQ(r.v.AsDouble(), r.asDouble);
  }
  EXPECT_EQ(Variant(L"1.23456").AsCurrency(), Currency::FromScaled(12346));
  EXPECT_EQ(Variant(3).AsCurrency(), Currency::FromScaled(30000));
  EXPECT_TRUE(Variant(L"TRUE").AsBoolean());
  EXPECT_FALSE(Variant(L"false").AsBoolean());
  EXPECT_TRUE(Variant(L"2").AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_EQ(static_cast<Byte>(Variant(L"255")), 255);
  EXPECT_EQ(VarType(VarAsType(Variant(L"7"), varWord)), varWord);
  EXPECT_EQ(VarAsType(Variant(3), varOleStr).AsString(), L"3");
  EXPECT_EQ(VarType(VarAsType(Variant(3), varOleStr)), varOleStr);
  EXPECT_EQ(VarAsType(Variant(1.5), varString).AsAnsiString(), "1.5");
  EXPECT_TRUE(VarIsNull(VarAsType(Variant(3), varNull)));
}

TEST(Variant, FailedConversionsRaiseTheRuntimeErrors) {
  struct Row {
    Variant v;
    TVarType to;
    const wchar_t* message;
  };
  const Row rows[] = {
      {Variant(L"abc"), varInteger, L"Could not convert variant of type (UnicodeString) into type (Integer)"},
      {Variant(L"abc"), varDouble, L"Could not convert variant of type (UnicodeString) into type (Double)"},
      {Ansi("x"), varBoolean, L"Could not convert variant of type (String) into type (Boolean)"},
      {Null(), varInteger, L"Could not convert variant of type (Null) into type (Integer)"},
      {Null(), varUString, L"Could not convert variant of type (Null) into type (UnicodeString)"},
      {VarArrayOf({1}), varInteger, L"Could not convert variant of type (Array Variant) into type (Integer)"},
      {Variant(L"x"), varDate, L"Could not convert variant of type (UnicodeString) into type (Date)"},
      {Variant(1), varError, L"Could not convert variant of type (Integer) into type (Error)"},
  };
  for (const auto& r : rows) {
    try {
      VarAsType(r.v, r.to);
      ADD_FAILURE() << "no error for " << VarTypeAsText(r.to).size();
    } catch (const EVariantTypeCastError& e) {
      EXPECT_EQ(e.Message(), r.message);
      EXPECT_TRUE(e.InheritsFrom(EVariantError::StaticClass()));
    }
  }
  EXPECT_THROW(Null().AsInteger(), EVariantTypeCastError);
  EXPECT_THROW(Variant(Int64(1) << 40).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant(-1).AsCardinal(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e300).AsCurrency(), EVariantOverflowError);
  EXPECT_THROW(static_cast<Byte>(Variant(256)), EVariantRangeCheckError);
  EXPECT_THROW(VarAsType(Variant(300), varShortInt), EVariantRangeCheckError);
  EXPECT_THROW(VarAsType(Variant(1), varArray | varInteger), EVariantBadVarTypeError);
}

TEST(Variant, ComparisonsAcrossTypes) {
  enum Expect { Eq, Lt, Gt };
  struct Row {
    Variant a, b;
    Expect e;
  };
  const Row rows[] = {
      {Variant(1), Variant(1.0), Eq},
      {Variant(2), Variant(Int64(3)), Lt},
      {Variant(L"10"), Variant(9), Gt},  // numerically, not as text
      {Variant(9), Variant(L"10"), Lt},
      {Variant(L"abc"), Variant(L"abd"), Lt},
      {Ansi("b"), Variant(L"a"), Gt},
      {Variant(L"a"), Variant(L"a"), Eq},
      {Null(), Null(), Eq},
      {Null(), Variant(5), Lt},
      {Variant(L""), Null(), Gt},
      {Variant(), Variant(0), Eq},
      {Variant(), Variant(L""), Eq},
      {Variant(), Variant(-1), Gt},
      {Variant(true), Variant(L"True"), Eq},
      {Variant(true), Variant(-1), Eq},
      {Variant(false), Variant(true), Lt},
      {Cur(1.5), Variant(1.5), Eq},
      {Cur(2), Variant(3), Lt},
      {Cur(1), Variant(LLONG_MAX), Lt},
      {Cur(1), Variant(LLONG_MIN), Gt},
      {Variant(UInt64(18446744073709551615ULL)), Variant(-1), Gt},
      {VarFromDateTime(2), Variant(1.5), Gt},
      {VarFromDateTime(45293), Variant(L"45293"), Eq},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(VarToStr(r.a) + L" ? " + VarToStr(r.b));
    EXPECT_EQ(r.a == r.b, r.e == Eq);
    EXPECT_EQ(r.a != r.b, r.e != Eq);
    EXPECT_EQ(r.a < r.b, r.e == Lt);
    EXPECT_EQ(r.a <= r.b, r.e != Gt);
    EXPECT_EQ(r.a > r.b, r.e == Gt);
    EXPECT_EQ(r.a >= r.b, r.e != Lt);
  }
  // A string that is no number cannot be compared with one.
  EXPECT_THROW((void)(Variant(L"abc") == Variant(5)), EVariantTypeCastError);
  EXPECT_THROW((void)(VarArrayOf({1}) == Variant(1)), EVariantInvalidOpError);

  // Empty and Null relate to values only as equal or not equal.
  EXPECT_EQ(VarCompareValue(Variant(), Variant(0)), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(), Variant()), vrEqual);
  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
  EXPECT_EQ(VarCompareValue(Variant(1), Null()), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(1), Variant(2)), vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(L"b"), Variant(L"a")), vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Variant(2.0), Variant(2)), vrEqual);
  EXPECT_TRUE(VarSameValue(Variant(1), Variant(L"1")));
  EXPECT_TRUE(VarSameValue(Variant(), Variant()));
  EXPECT_FALSE(VarSameValue(Variant(), Null()));
  EXPECT_FALSE(VarSameValue(Variant(0), Variant()));
}

TEST(Variant, ArithmeticResultTypesAndValues) {
  struct Row {
    Variant result;
    TVarType type;
    Variant value;
  };
  const Variant maxInt(INT_MAX);
  const Row rows[] = {
      {Variant(2) + Variant(3), varInteger, Variant(5)},
      {maxInt + Variant(1), varInt64, Variant(Int64(2147483648LL))},
      {Variant(L"a") + Variant(L"b"), varUString, Variant(L"ab")},
      {Ansi("a") + Ansi("b"), varString, Ansi("ab")},
      {Variant(L"1") + Variant(2), varDouble, Variant(3)},
      {Variant() + Variant(5), varInteger, Variant(5)},
      {Variant() + Variant(L"x"), varUString, Variant(L"x")},
      {Variant(7) / Variant(2), varDouble, Variant(3.5)},
      {Div(Variant(7), Variant(2)), varInteger, Variant(3)},
      {Variant(-7) % Variant(3), varInteger, Variant(-1)},
      {Variant(1.5) * Variant(2), varDouble, Variant(3)},
      {Cur(1.5) * Variant(3), varCurrency, Cur(4.5)},
      {Cur(0.0001) * Cur(0.5), varCurrency, Cur(0)},  // half to even at the fourth decimal
      {Cur(-0.0003) * Cur(0.5), varCurrency, Cur(-0.0002)},
      {Variant(Currency::FromScaled(LLONG_MAX)) * Variant(1), varCurrency, Variant(Currency::FromScaled(LLONG_MAX))},
      {Cur(10) / Variant(4), varCurrency, Cur(2.5)},
      {VarFromDateTime(10) + Variant(1), varDate, VarFromDateTime(11)},
      {VarFromDateTime(10) - VarFromDateTime(4), varDouble, Variant(6)},
      {Variant(true) & Variant(false), varBoolean, Variant(false)},
      {Variant(true) | Variant(L"False"), varBoolean, Variant(true)},
      {Variant(6) & Variant(3), varInteger, Variant(2)},
      {Variant(6) ^ Variant(3), varInteger, Variant(5)},
      {Variant(1) << Variant(4), varInteger, Variant(16)},
      {-Variant(5), varInteger, Variant(-5)},
      {-Cur(1.25), varCurrency, Cur(-1.25)},
      {!Variant(true), varBoolean, Variant(false)},
      {~Variant(0), varInteger, Variant(-1)},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(VarToStr(r.value));
    EXPECT_EQ(VarType(r.result), r.type);
    EXPECT_TRUE(r.result == r.value);
  }
  EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
  EXPECT_TRUE(VarIsNull(Variant(L"x") * Null()));
  EXPECT_TRUE(VarIsNull(-Null()));
  Variant acc = 1;
  acc += 2;
  acc *= Variant(L"4");
  EXPECT_DOUBLE_EQ(acc.AsDouble(), 12);

  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(Div(Variant(1), Variant()), EDivByZero);
  EXPECT_THROW(Variant(LLONG_MAX) + Variant(1), EVariantOverflowError);
  EXPECT_THROW(Cur(1e9) * Cur(1e9), EVariantOverflowError);
  EXPECT_THROW(Variant(L"x") - Variant(1), EVariantTypeCastError);
  EXPECT_THROW(VarArrayOf({1}) + Variant(1), EVariantInvalidOpError);
}

TEST(Variant, ArraysBoundsElementsAndLocking) {
  Variant a = VarArrayCreate({1, 3}, varInteger);
  EXPECT_EQ(VarType(a), varArray | varInteger);
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a, 1), 1);
  EXPECT_EQ(VarArrayHighBound(a, 1), 3);
  EXPECT_EQ(a[2].AsInteger(), 0);
  a[1] = Variant(10);
  a[2] = Variant(L"20");  // converted to the element type
  a[3] = Variant(30.0);
  EXPECT_EQ(VarType(a[2]), varInteger);
  auto* raw = static_cast<Integer*>(VarArrayLock(a));
  EXPECT_EQ(raw[0] + raw[1] + raw[2], 60);
  raw[0] = 11;
  VarArrayUnlock(a);
  EXPECT_EQ(a[1].AsInteger(), 11);
  EXPECT_THROW(VarArrayUnlock(a), EVariantArrayLockedError);

  try {
    VarArrayGet(a, {4});
    ADD_FAILURE();
  } catch (const EVariantBadIndexError& e) {
    EXPECT_EQ(e.Message(), L"Variant or safe array index out of bounds");
  }
  EXPECT_THROW(a[0] = Variant(1), EVariantArrayBoundsError);
  EXPECT_THROW(a[1] = Variant(L"x"), EVariantTypeCastError);
  EXPECT_THROW(VarArrayHighBound(a, 2), EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(Variant(1), 1), EVariantNotAnArrayError);
  EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);

  // Copies are independent values.
  Variant copy = a;
  copy[1] = Variant(99);
  EXPECT_EQ(a[1].AsInteger(), 11);
  EXPECT_EQ(copy[1].AsInteger(), 99);

  // Two dimensions, and growing an array keeps its elements.
  Variant m = VarArrayCreate({0, 1, 5, 7}, varVariant);
  EXPECT_EQ(VarArrayDimCount(m), 2);
  EXPECT_EQ(VarArrayLowBound(m, 2), 5);
  EXPECT_EQ(VarArrayHighBound(m, 2), 7);
  VarArrayPut(m, Variant(L"x"), {1, 6});
  EXPECT_EQ(VarArrayGet(m, {1, 6}).AsString(), L"x");
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(m, {0, 5})));
  EXPECT_THROW(VarArrayGet(m, {1}), EVariantBadIndexError);
  VarArrayRedim(m, 8);
  EXPECT_EQ(VarArrayGet(m, {1, 6}).AsString(), L"x");
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(m, {1, 8})));

  // A byte array hands out its bytes.
  Variant bytes = VarArrayCreate({0, 2}, varByte);
  std::memcpy(VarArrayLock(bytes), "abc", 3);
  VarArrayUnlock(bytes);
  EXPECT_EQ(bytes[1].AsInteger(), 'b');
  EXPECT_EQ(VarArrayElemType(bytes), varByte);

  Variant mixed = VarArrayOf({1, L"two", Null()});
  EXPECT_EQ(VarArrayLowBound(mixed, 1), 0);
  EXPECT_EQ(VarArrayHighBound(mixed, 1), 2);
  EXPECT_EQ(VarType(mixed[1]), varUString);
  EXPECT_TRUE(VarIsNull(mixed[2]));
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
  EXPECT_THROW(VarArrayCreate({1}, varInteger), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate({3, 1}, varInteger), EVariantArrayCreateError);
}

TEST(Variant, ByReferenceFollowsItsTarget) {
  Variant target = 5;
  Variant ref = Variant::ByRef(&target);
  EXPECT_TRUE(VarIsByRef(ref));
  EXPECT_EQ(VarType(ref), varByRef | varVariant);
  EXPECT_EQ(ref.AsInteger(), 5);
  target = L"7";
  EXPECT_TRUE(VarIsStr(ref));
  EXPECT_TRUE(ref == Variant(7));
  EXPECT_EQ((ref + Variant(1)).AsInteger(), 8);
}

TEST(Variant, FormatTakesVariantArgumentsAsText) {
  const Variant n = 5, s = L"abc", nul = Null(), arr = VarArrayOf({1});
  EXPECT_EQ(Format(L"%s = %s / %s", {VarRec(s), VarRec(n), VarRec(nul)}), L"abc = 5 / ");
  EXPECT_THROW(Format(L"%s", {VarRec(arr)}), EConvertError);
}

// Interfaces held by variants are counted: one reference per variant holding them.
struct CountedUnknown : IUnknown {
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(Variant, InterfaceReferencesAreCounted) {
  CountedUnknown obj;
  {
    Variant a(static_cast<IUnknown*>(&obj));
    EXPECT_EQ(VarType(a), varUnknown);
    EXPECT_EQ(obj.refs, 2u);
    Variant b = a;
    EXPECT_EQ(obj.refs, 3u);
    b = Variant(1);
    EXPECT_EQ(obj.refs, 2u);
    Variant c = std::move(a);
    EXPECT_EQ(obj.refs, 2u);
    EXPECT_FALSE(VarIsClear(c));
    EXPECT_THROW(c.AsInteger(), EVariantTypeCastError);
  }
  EXPECT_EQ(obj.refs, 1u);
  EXPECT_TRUE(VarIsClear(Variant(static_cast<IUnknown*>(nullptr))));
}

// A custom type: exact fractions num/den.
struct Fraction {
  Int64 num, den;
};

class TFractionVariantType : public TCustomVariantType {
  DECLARE_CLASS(TFractionVariantType, TCustomVariantType)
 public:
  Variant Make(Int64 num, Int64 den) const {
    Variant v;
    v.SetCustom(VarType(), std::make_shared<Fraction>(Fraction{num, den}));
    return v;
  }
  static const Fraction& F(const Variant& v) { return *v.CustomData<Fraction>(); }
  bool IsClear(const Variant& V) const override { return F(V).den == 0; }
  void Cast(Variant& Dest, const Variant& Source) const override {
    if (!VarIsOrdinal(Source) && !VarIsStr(Source)) VarCastError(::VarType(Source), VarType());
    Dest = Make(Source.AsInt64(), 1);
  }
  void CastTo(Variant& Dest, const Variant& Source, TVarType AVarType) const override {
    const Fraction& f = F(Source);
    if (AVarType == varUString || AVarType == varOleStr || AVarType == varString)
      Dest = VarAsType(Variant(std::to_wstring(f.num) + L"/" + std::to_wstring(f.den)), AVarType);
    else
      Dest = VarAsType(Variant(static_cast<double>(f.num) / static_cast<double>(f.den)), AVarType);
  }
  bool RightPromotion(const Variant& V, TVarOp, TVarType& Required) const override {
    Required = VarIsFloat(V) ? TVarType(varDouble) : VarType();  // beside a float, compute in floats
    return true;
  }
  void BinaryOp(Variant& Left, const Variant& Right, TVarOp Op) const override {
    const Fraction &a = F(Left), &b = F(Right);
    if (Op != opAdd) VarInvalidOp();
    Left = Make(a.num * b.den + b.num * a.den, a.den * b.den);
  }
  void Compare(const Variant& L, const Variant& R, TVariantRelationship& Rel) const override {
    Int64 x = F(L).num * F(R).den, y = F(R).num * F(L).den;
    Rel = x < y ? vrLessThan : x > y ? vrGreaterThan : vrEqual;
  }
};

TEST(Variant, CustomTypesAreRegisteredAndTakePartInOperations) {
  auto type = std::make_unique<TFractionVariantType>();
  TVarType code = type->VarType();
  EXPECT_GE(code, CFirstUserType);
  TCustomVariantType* found = nullptr;
  EXPECT_TRUE(FindCustomVariantType(code, found));
  EXPECT_EQ(found, type.get());
  {
    TFractionVariantType second;
    EXPECT_EQ(second.VarType(), code + 1);
  }

  Variant half = type->Make(1, 2);
  EXPECT_EQ(VarType(half), code);
  EXPECT_TRUE(VarIsCustom(half));
  EXPECT_EQ(VarTypeAsText(code), L"FractionVariantType");
  EXPECT_EQ(VarToStr(half), L"1/2");
  EXPECT_DOUBLE_EQ(half.AsDouble(), 0.5);
  EXPECT_EQ(VarType(VarAsType(Variant(3), code)), code);

  Variant sum = half + Variant(1);  // the integer is cast into a fraction
  EXPECT_EQ(VarType(sum), code);
  EXPECT_EQ(VarToStr(sum), L"3/2");
  EXPECT_EQ(VarType(Variant(1) + half), code);
  Variant mixed = half + Variant(0.25);  // promoted to double by the type's rule
  EXPECT_EQ(VarType(mixed), varDouble);
  EXPECT_DOUBLE_EQ(mixed.AsDouble(), 0.75);

  EXPECT_TRUE(half == type->Make(2, 4));
  EXPECT_TRUE(half < Variant(1));
  EXPECT_TRUE(Variant(1) > half);
  EXPECT_TRUE(Null() < half);
  EXPECT_EQ(VarCompareValue(half, type->Make(1, 3)), vrGreaterThan);
  EXPECT_TRUE(VarIsClear(type->Make(1, 0)));
  EXPECT_THROW(half * half, EVariantInvalidOpError);
  EXPECT_THROW(VarAsType(Variant(1.5), code), EVariantTypeCastError);

  // Copies share the immutable payload and outlive nothing they need.
  Variant copy = half;
  EXPECT_TRUE(copy == half);
  type.reset();
  EXPECT_FALSE(FindCustomVariantType(code, found));
}

}  // namespace

}  // namespace ZS_UNITY_ID
