#include "SqlTimSt.h"

#include <memory>

#include "DateUtils.h"

namespace {

class TSQLTimeStampVariantType : public TCustomVariantType {
  DECLARE_CLASS(TSQLTimeStampVariantType, TCustomVariantType)
 public:
  Variant Make(const TSQLTimeStamp& T) const {
    Variant v;
    v.SetCustom(VarType(), std::make_shared<TSQLTimeStamp>(T));
    return v;
  }
  void Cast(Variant& Dest, const Variant& Source) const override {
    if (VarIsNull(Source) || VarIsArray(Source)) VarCastError(::VarType(Source), VarType());
    Dest = Make(DateTimeToSQLTimeStamp(VarToDateTime(Source)));
  }
  void CastTo(Variant& Dest, const Variant& Source, TVarType AVarType) const override {
    TDateTime d = SQLTimeStampToDateTime(*Source.CustomData<TSQLTimeStamp>());
    if (AVarType == varUString || AVarType == varOleStr || AVarType == varString)
      Dest = VarAsType(Variant(DateTimeToStr(d)), AVarType);
    else
      Dest = VarAsType(Variant(d, varDateTag), AVarType);
  }
  void Compare(const Variant& L, const Variant& R, TVariantRelationship& Rel) const override {
    TDateTime a = SQLTimeStampToDateTime(*L.CustomData<TSQLTimeStamp>());
    TDateTime b = SQLTimeStampToDateTime(*R.CustomData<TSQLTimeStamp>());
    Rel = a < b ? vrLessThan : a > b ? vrGreaterThan : vrEqual;
  }
};

std::unique_ptr<TSQLTimeStampVariantType> GTimeStampType;

void InitSqlTimSt() { GTimeStampType = std::make_unique<TSQLTimeStampVariantType>(); }
void FinSqlTimSt() { GTimeStampType.reset(); }

}  // namespace

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& T) {
  if (T.Year <= 0) throw EConvertError(L"Invalid SQL time stamp");
  TDateTime d = 0;
  if (!TryEncodeDateTime(static_cast<Word>(T.Year), T.Month, T.Day, T.Hour, T.Minute, T.Second,
                         static_cast<Word>(T.Fractions > 999 ? 999 : T.Fractions), d))
    throw EConvertError(L"Invalid SQL time stamp");
  return d;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime ADateTime) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(ADateTime, y, mo, d, h, mi, s, ms);
  TSQLTimeStamp t;
  t.Year = static_cast<SmallInt>(y);
  t.Month = mo;
  t.Day = d;
  t.Hour = h;
  t.Minute = mi;
  t.Second = s;
  t.Fractions = ms;
  return t;
}

TVarType VarSQLTimeStamp() { return GTimeStampType ? GTimeStampType->VarType() : TVarType(varEmpty); }

Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ATimeStamp) {
  if (!GTimeStampType) throw EVariantError(L"The SQL time-stamp variant type is not registered");
  return GTimeStampType->Make(ATimeStamp);
}

bool VarIsSQLTimeStamp(const Variant& V) {
  return GTimeStampType && VarTypeBase(V) == GTimeStampType->VarType();
}

TSQLTimeStamp VarToSQLTimeStamp(const Variant& V) {
  Variant d = V.Deref();
  if (VarIsSQLTimeStamp(d)) return *d.CustomData<TSQLTimeStamp>();
  return DateTimeToSQLTimeStamp(VarToDateTime(d));
}

const TUnitInfo SqlTimStUnit = {L"SqlTimSt", InitSqlTimSt, FinSqlTimSt};
