#include "vxFilter.h"

#include <algorithm>

#include "StrUtils.h"

namespace {

// Groups nest at most this deep in a stream; deeper streams are refused.
constexpr Integer CMaxGroupDepth = 64;
// The smallest body a stream child can have: the is-list byte and, for a group, its kind
// byte and child count.
constexpr Int64 CMinChildSize = 1 + 1 + 4;

String Caption(const TResStringRec& ARec) { return vxFilterGetResString(&ARec); }

Integer ArrayLow(const Variant& A) { return VarArrayLowBound(A, 1); }
Integer ArrayHigh(const Variant& A) { return VarArrayHighBound(A, 1); }
Variant ArrayItem(const Variant& A, Integer AIndex) { return VarArrayGet(A, {ArrayLow(A) + AIndex}); }
Integer ArrayCount(const Variant& A) { return ArrayHigh(A) - ArrayLow(A) + 1; }

void RequireArray(const Variant& A) {
  if (!VarIsArray(A)) throw EVariantNotAnArrayError(L"Variant is not an array");
}

// Splits a display text at ";" into trimmed parts.
std::vector<String> SplitDisplayParts(const String& AText) {
  std::vector<String> parts;
  size_t start = 0;
  for (;;) {
    const size_t p = AText.find(L';', start);
    parts.push_back(Trim(AText.substr(start, p == String::npos ? String::npos : p - start)));
    if (p == String::npos) break;
    start = p + 1;
  }
  return parts;
}

String PartOrBlank(const String& APart) { return APart.empty() ? Caption(vxSFilterBlankCaption) : APart; }

}  // namespace

String FilterValueToText(const Variant& AValue) {
  return AValue.IsNull() ? Caption(vxSFilterBlankCaption) : VarToStr(AValue);
}

bool vxFilterDateRange(TvxFilterOperatorKind AKind, TDateTime AToday, TDateTime AWeekStart, TDateTime& ADate1,
                       TDateTime& ADate2) {
  const TDateTime T = AToday, W = AWeekStart, E = T + 1, S = T;
  Word y, m, d;
  DecodeDate(T, y, m, d);
  const TDateTime month = EncodeDate(y, m, 1);
  const TDateTime year = EncodeDate(y, 1, 1);
  ADate1 = 0;
  ADate2 = 0;
  switch (AKind) {
    case foYesterday: ADate1 = T - 1; ADate2 = T; break;
    case foToday: ADate1 = T; ADate2 = T + 1; break;
    case foTomorrow: ADate1 = T + 1; ADate2 = T + 2; break;
    case foLast7Days: ADate1 = E - 7; ADate2 = E; break;
    case foLastWeek: ADate1 = W - 7; ADate2 = W; break;
    case foLast14Days: ADate1 = E - 14; ADate2 = E; break;
    case foLastTwoWeeks: ADate1 = W - 14; ADate2 = W; break;
    case foLast30Days: ADate1 = E - 30; ADate2 = E; break;
    case foLastMonth: ADate1 = IncMonth(month, -1); ADate2 = month; break;
    case foLastYear: ADate1 = EncodeDate(y - 1, 1, 1); ADate2 = year; break;
    case foInPast: ADate2 = T; break;
    case foThisWeek: ADate1 = W; ADate2 = W + 7; break;
    case foThisMonth: ADate1 = month; ADate2 = IncMonth(month, 1); break;
    case foThisYear: ADate1 = year; ADate2 = EncodeDate(y + 1, 1, 1); break;
    case foNext7Days: ADate1 = S; ADate2 = S + 7; break;
    case foNextWeek: ADate1 = W + 7; ADate2 = W + 14; break;
    case foNext14Days: ADate1 = S; ADate2 = S + 14; break;
    case foNextTwoWeeks: ADate1 = W + 7; ADate2 = W + 21; break;
    case foNext30Days: ADate1 = S; ADate2 = S + 30; break;
    case foNextMonth: ADate1 = IncMonth(month, 1); ADate2 = IncMonth(month, 2); break;
    case foNextYear: ADate1 = EncodeDate(y + 1, 1, 1); ADate2 = EncodeDate(y + 2, 1, 1); break;
    case foInFuture: ADate1 = T + 1; break;
    default: return false;
  }
  return true;
}

// --- Operators ----------------------------------------------------------------------------

TvxFilterCriteria* TvxFilterOperator::Criteria() const { return FCriteriaItem->Criteria(); }

String TvxFilterOperator::FieldNamePart(Integer AIndex) const {
  String name;
  FCriteriaItem->FieldName(name);
  if (AIndex < 0) return name;
  const std::vector<String> parts = [&] {
    std::vector<String> r;
    size_t start = 0;
    for (;;) {
      const size_t p = name.find(L';', start);
      r.push_back(name.substr(start, p == String::npos ? String::npos : p - start));
      if (p == String::npos) break;
      start = p + 1;
    }
    return r;
  }();
  return AIndex < static_cast<Integer>(parts.size()) ? parts[AIndex] : String();
}

void TvxFilterOperator::ValueText(const Variant& AValue, String& AText) {
  if (!CustomValueText(AValue, AText)) {
    TvxFilterCriteria* criteria = Criteria();
    const TVarType t = VarTypeBase(AValue);
    if (VarIsStr(AValue)) {
      AText = L"'" + StringReplace(VarToStr(AValue), L"'", L"''", TReplaceFlags{rfReplaceAll}) + L"'";
    } else if (t == varDate) {
      String s;
      criteria->FormatDateValue(AValue, s);
      AText = L"'" + s + L"'";
    } else if (t == varBoolean) {
      criteria->FormatBooleanValue(AValue, AText);
    } else if (AValue.IsNull()) {
      AText = L"NULL";
    } else {
      AText = VarToStr(AValue);
    }
  }
  Criteria()->FormatFilterTextValue(FCriteriaItem, AValue, AText);
}

// Equal and its descendants.
void TvxFilterEqualOperator::ExpressionText(const Variant& AValue, String& AText) {
  if (!VarIsArray(AValue)) {
    TvxFilterOperator::ExpressionText(AValue, AText);
    return;
  }
  AText.clear();
  for (Integer i = 0; i < ArrayCount(AValue); ++i) {
    String v;
    ValueText(ArrayItem(AValue, i), v);
    if (i > 0) AText += L" AND ";
    AText += L"(" + FieldNamePart(i) + L" = " + v + L")";
  }
}
bool TvxFilterEqualOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  return VariantCompare(AValue1, AValue2) == 0;
}
String TvxFilterEqualOperator::DisplayText() { return Caption(vxSFilterOperatorEqual); }
bool TvxFilterEqualOperator::IsExpression() { return VarIsArray(CriteriaItem()->Value()); }

void TvxFilterNotEqualOperator::ExpressionText(const Variant& AValue, String& AText) {
  TvxFilterEqualOperator::ExpressionText(AValue, AText);
  AText = L"NOT (" + AText + L")";
}
bool TvxFilterNotEqualOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  return !TvxFilterEqualOperator::CompareValues(AValue1, AValue2);
}
String TvxFilterNotEqualOperator::DisplayText() { return Caption(vxSFilterOperatorNotEqual); }

bool TvxFilterLessOperator::CompareValues(const Variant& A, const Variant& B) { return VariantCompare(A, B) < 0; }
String TvxFilterLessOperator::DisplayText() { return Caption(vxSFilterOperatorLess); }
bool TvxFilterLessEqualOperator::CompareValues(const Variant& A, const Variant& B) {
  return VariantCompare(A, B) <= 0;
}
String TvxFilterLessEqualOperator::DisplayText() { return Caption(vxSFilterOperatorLessEqual); }
bool TvxFilterGreaterOperator::CompareValues(const Variant& A, const Variant& B) { return VariantCompare(A, B) > 0; }
String TvxFilterGreaterOperator::DisplayText() { return Caption(vxSFilterOperatorGreater); }
bool TvxFilterGreaterEqualOperator::CompareValues(const Variant& A, const Variant& B) {
  return VariantCompare(A, B) >= 0;
}
String TvxFilterGreaterEqualOperator::DisplayText() { return Caption(vxSFilterOperatorGreaterEqual); }

// LIKE.
Integer TvxFilterLikeOperator::PatternKind() {
  String pattern = VarToStr(CriteriaItem()->Value());
  return GetLikePatternKind(pattern, Criteria()->PercentWildcard());
}
void TvxFilterLikeOperator::PrepareDisplayText(String& AText) {
  if (Criteria()->Options().Contains(fcoShowOperatorDescription))
    GetLikePatternKind(AText, Criteria()->PercentWildcard());
}
bool TvxFilterLikeOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  // Unicode strings are matched where they are; other values through their text.
  String textCopy, patternCopy;
  const String& text = AValue1.VType() == varUString ? AValue1.UStringRef() : (textCopy = VarToStr(AValue1));
  const String& pattern = AValue2.VType() == varUString ? AValue2.UStringRef() : (patternCopy = VarToStr(AValue2));
  TvxFilterCriteria* c = Criteria();
  return MatchLikeMask(text.c_str(), static_cast<Integer>(text.size()), pattern.c_str(), 0, c->UnderscoreWildcard(),
                       c->PercentWildcard(), static_cast<Integer>(pattern.size()));
}
String TvxFilterLikeOperator::DisplayText() {
  switch (PatternKind()) {
    case 1: return Caption(vxSFilterOperatorBeginsWith);
    case 2: return Caption(vxSFilterOperatorEndsWith);
    case 3: return Caption(vxSFilterOperatorContains);
    default: return Caption(vxSFilterOperatorLike);
  }
}

void TvxFilterNotLikeOperator::ExpressionText(const Variant& AValue, String& AText) {
  String v;
  ValueText(AValue, v);
  AText = L" NOT (" + FieldNamePart(-1) + L" LIKE " + v + L")";
}
bool TvxFilterNotLikeOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  return !TvxFilterLikeOperator::CompareValues(AValue1, AValue2);
}
String TvxFilterNotLikeOperator::DisplayText() {
  switch (PatternKind()) {
    case 1: return Caption(vxSFilterOperatorDoesNotBeginWith);
    case 2: return Caption(vxSFilterOperatorDoesNotEndWith);
    case 3: return Caption(vxSFilterOperatorDoesNotContain);
    default: return Caption(vxSFilterOperatorNotLike);
  }
}
bool TvxFilterNotLikeOperator::IsExpression() { return Criteria()->TranslateLike(); }

// BETWEEN.
void TvxFilterBetweenOperator::ExpressionText(const Variant& AValue, String& AText) {
  RequireArray(AValue);
  String v1, v2;
  ValueText(ArrayItem(AValue, 0), v1);
  ValueText(ArrayItem(AValue, 1), v2);
  const String f = FieldNamePart(-1);
  AText = L"(" + f + L" >= " + v1 + L") AND (" + f + L" <= " + v2 + L")";
}
void TvxFilterBetweenOperator::PrepareDisplayText(String& AText) {
  std::vector<String> parts = SplitDisplayParts(AText);
  parts.resize(std::max<size_t>(parts.size(), 2));
  AText = PartOrBlank(parts[0]) + L" " + Caption(vxSFilterAndCaption) + L" " + PartOrBlank(parts[1]);
}
bool TvxFilterBetweenOperator::CustomValueText(const Variant& AValue, String& AText) {
  if (!VarIsArray(AValue)) return false;
  String v1, v2;
  TvxFilterOperator::ValueText(ArrayItem(AValue, 0), v1);
  TvxFilterOperator::ValueText(ArrayItem(AValue, 1), v2);
  AText = v1 + L" AND " + v2;
  return true;
}
bool TvxFilterBetweenOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  RequireArray(AValue2);
  return VariantCompare(ArrayItem(AValue2, 0), AValue1) <= 0 && VariantCompare(AValue1, ArrayItem(AValue2, 1)) <= 0;
}
String TvxFilterBetweenOperator::DisplayText() { return Caption(vxSFilterOperatorBetween); }
bool TvxFilterBetweenOperator::IsExpression() { return Criteria()->TranslateBetween(); }

void TvxFilterNotBetweenOperator::ExpressionText(const Variant& AValue, String& AText) {
  TvxFilterBetweenOperator::ExpressionText(AValue, AText);
  AText = L"NOT (" + AText + L")";
}
bool TvxFilterNotBetweenOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  return !TvxFilterBetweenOperator::CompareValues(AValue1, AValue2);
}
String TvxFilterNotBetweenOperator::DisplayText() { return Caption(vxSFilterOperatorNotBetween); }

// IN.
void TvxFilterInListOperator::ExpressionText(const Variant& AValue, String& AText) {
  RequireArray(AValue);
  const String f = FieldNamePart(-1);
  AText.clear();
  for (Integer i = 0; i < ArrayCount(AValue); ++i) {
    String v;
    ValueText(ArrayItem(AValue, i), v);
    if (i > 0) AText += L" OR ";
    AText += L"(" + f + L" = " + v + L")";
  }
}
void TvxFilterInListOperator::PrepareDisplayText(String& AText) {
  const std::vector<String> parts = SplitDisplayParts(AText);
  String r;
  for (size_t i = 0; i < parts.size(); ++i) r += (i ? L", " : L"") + parts[i];
  AText = L"(" + r + L")";
}
bool TvxFilterInListOperator::CustomValueText(const Variant& AValue, String& AText) {
  if (!VarIsArray(AValue)) return false;
  String r;
  for (Integer i = 0; i < ArrayCount(AValue); ++i) {
    String v;
    TvxFilterOperator::ValueText(ArrayItem(AValue, i), v);
    r += (i ? L", " : L"") + v;
  }
  AText = L"(" + r + L")";
  return true;
}
bool TvxFilterInListOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  RequireArray(AValue2);
  for (Integer i = 0; i < ArrayCount(AValue2); ++i)
    if (AValue1 == ArrayItem(AValue2, i)) return true;
  return false;
}
String TvxFilterInListOperator::DisplayText() { return Caption(vxSFilterOperatorInList); }
bool TvxFilterInListOperator::IsExpression() { return Criteria()->TranslateIn(); }

void TvxFilterNotInListOperator::ExpressionText(const Variant& AValue, String& AText) {
  TvxFilterInListOperator::ExpressionText(AValue, AText);
  AText = L"NOT (" + AText + L")";
}
bool TvxFilterNotInListOperator::CompareValues(const Variant& AValue1, const Variant& AValue2) {
  return !TvxFilterInListOperator::CompareValues(AValue1, AValue2);
}
String TvxFilterNotInListOperator::DisplayText() { return Caption(vxSFilterOperatorNotInList); }

// Blank tests.
void TvxFilterNullOperator::PrepareDisplayText(String& AText) {
  if (Criteria()->Options().Contains(fcoShowOperatorDescription)) AText.clear();
}
bool TvxFilterNullOperator::CompareValues(const Variant& AValue1, const Variant&) {
  return Criteria()->ValueIsNull(AValue1);
}
String TvxFilterNullOperator::DisplayText() { return Caption(vxSFilterOperatorIsNull); }
bool TvxFilterNotNullOperator::CompareValues(const Variant& AValue1, const Variant&) {
  return !Criteria()->ValueIsNull(AValue1);
}
String TvxFilterNotNullOperator::DisplayText() { return Caption(vxSFilterOperatorIsNotNull); }

// Dates.
void TvxFilterDateOperator::ExpressionText(const Variant&, String& AText) {
  const String f = FieldNamePart(-1);
  AText.clear();
  if (Date1 != 0) {
    String v;
    ValueText(Variant(Date1, varDateTag), v);
    AText = L"(" + f + L" >= " + v + L")";
  }
  if (Date2 != 0) {
    String v;
    ValueText(Variant(Date2, varDateTag), v);
    if (!AText.empty()) AText += L" AND ";
    AText += L"(" + f + L" < " + v + L")";
  }
}
void TvxFilterDateOperator::UpdateRange() {
  const TDateTime today = Date();
  vxFilterDateRange(Kind(), today, WeekStartOf(today), Date1, Date2);
}
bool TvxFilterDateOperator::CompareValues(const Variant& AValue1, const Variant&) {
  if (AValue1.IsNull() || AValue1.IsEmpty()) return false;
  const TDateTime v = AValue1.AsDateTime();
  return (Date1 == 0 || v >= Date1) && (Date2 == 0 || v < Date2);
}
String TvxFilterDateOperator::FilterText() {
  static const TResStringRec* const Captions[] = {
      &vxSFilterOperatorYesterday, &vxSFilterOperatorToday, &vxSFilterOperatorTomorrow,
      &vxSFilterOperatorLast7Days, &vxSFilterOperatorLastWeek, &vxSFilterOperatorLast14Days,
      &vxSFilterOperatorLastTwoWeeks, &vxSFilterOperatorLast30Days, &vxSFilterOperatorLastMonth,
      &vxSFilterOperatorLastYear, &vxSFilterOperatorPast, &vxSFilterOperatorThisWeek,
      &vxSFilterOperatorThisMonth, &vxSFilterOperatorThisYear, &vxSFilterOperatorNext7Days,
      &vxSFilterOperatorNextWeek, &vxSFilterOperatorNext14Days, &vxSFilterOperatorNextTwoWeeks,
      &vxSFilterOperatorNext30Days, &vxSFilterOperatorNextMonth, &vxSFilterOperatorNextYear,
      &vxSFilterOperatorFuture};
  return vxFilterGetResString(Captions[Kind() - foYesterday]);
}

namespace {

template <class C>
std::unique_ptr<TvxFilterOperator> MakeOperator(TvxFilterCriteriaItem* AItem) {
  return std::make_unique<C>(AItem);
}

struct TOperatorClassEntry {
  TClass (*Class)();
  std::unique_ptr<TvxFilterOperator> (*Create)(TvxFilterCriteriaItem*);
};

#define VX_OP(C) {&C::StaticClass, &MakeOperator<C>}
// Indexed by the operator kind; the blank tests follow.
const TOperatorClassEntry COperatorClasses[] = {
    VX_OP(TvxFilterEqualOperator), VX_OP(TvxFilterNotEqualOperator), VX_OP(TvxFilterLessOperator),
    VX_OP(TvxFilterLessEqualOperator), VX_OP(TvxFilterGreaterOperator), VX_OP(TvxFilterGreaterEqualOperator),
    VX_OP(TvxFilterLikeOperator), VX_OP(TvxFilterNotLikeOperator), VX_OP(TvxFilterBetweenOperator),
    VX_OP(TvxFilterNotBetweenOperator), VX_OP(TvxFilterInListOperator), VX_OP(TvxFilterNotInListOperator),
    VX_OP(TvxFilterYesterdayOperator), VX_OP(TvxFilterTodayOperator), VX_OP(TvxFilterTomorrowOperator),
    VX_OP(TvxFilterLast7DaysOperator), VX_OP(TvxFilterLastWeekOperator), VX_OP(TvxFilterLast14DaysOperator),
    VX_OP(TvxFilterLastTwoWeeksOperator), VX_OP(TvxFilterLast30DaysOperator), VX_OP(TvxFilterLastMonthOperator),
    VX_OP(TvxFilterLastYearOperator), VX_OP(TvxFilterInPastOperator), VX_OP(TvxFilterThisWeekOperator),
    VX_OP(TvxFilterThisMonthOperator), VX_OP(TvxFilterThisYearOperator), VX_OP(TvxFilterNext7DaysOperator),
    VX_OP(TvxFilterNextWeekOperator), VX_OP(TvxFilterNext14DaysOperator), VX_OP(TvxFilterNextTwoWeeksOperator),
    VX_OP(TvxFilterNext30DaysOperator), VX_OP(TvxFilterNextMonthOperator), VX_OP(TvxFilterNextYearOperator),
    VX_OP(TvxFilterInFutureOperator), VX_OP(TvxFilterNullOperator), VX_OP(TvxFilterNotNullOperator),
};
#undef VX_OP

}  // namespace

TClass vxFilterOperatorClassOf(TvxFilterOperatorKind AKind) {
  return AKind <= CvxFilterOperatorKindLast ? COperatorClasses[AKind].Class() : nullptr;
}

std::unique_ptr<TvxFilterOperator> vxCreateFilterOperator(TClass AClass, TvxFilterCriteriaItem* AItem) {
  for (const TOperatorClassEntry& e : COperatorClasses)
    if (e.Class() == AClass) return e.Create(AItem);
  throw EInvalidOperation(L"Not a filter operator class");
}

// --- Items --------------------------------------------------------------------------------

void TvxCustomFilterCriteriaItem::ItemChanged() {
  if (TvxFilterCriteria* c = Criteria()) c->Changed();
}

TvxFilterCriteria* TvxCustomFilterCriteriaItem::Criteria() const { return FParent ? FParent->Criteria() : nullptr; }

TvxFilterCriteriaItemList::TvxFilterCriteriaItemList(TvxFilterCriteriaItemList* AOwner,
                                                     TvxFilterBoolOperatorKind ABoolOperatorKind)
    : TvxCustomFilterCriteriaItem(AOwner), FBoolOperatorKind(ABoolOperatorKind) {}

TvxFilterCriteriaItemList::~TvxFilterCriteriaItemList() {
  // Children are freed from the last; a child's own children go first, through an
  // explicit stack, so that a deep tree does not recurse.
  std::vector<std::unique_ptr<TvxCustomFilterCriteriaItem>> pending;
  for (auto& c : FItems) pending.push_back(std::move(c));
  FItems.clear();
  while (!pending.empty()) {
    std::unique_ptr<TvxCustomFilterCriteriaItem> node = std::move(pending.back());
    pending.pop_back();
    if (auto* list = dynamic_cast<TvxFilterCriteriaItemList*>(node.get())) {
      for (auto& c : list->FItems) pending.push_back(std::move(c));
      list->FItems.clear();
    }
  }
}

TvxFilterCriteria* TvxFilterCriteriaItemList::Criteria() const {
  return FCriteria ? FCriteria : TvxCustomFilterCriteriaItem::Criteria();
}

TvxFilterCriteriaItem* TvxFilterCriteriaItemList::AddItem(TObject* AItemLink, TvxFilterOperatorKind AOperatorKind,
                                                          const Variant& AValue, const String& ADisplayValue) {
  std::unique_ptr<TvxFilterCriteriaItem> item =
      Criteria()->CreateItem(this, AItemLink, AOperatorKind, AValue, ADisplayValue);
  TvxFilterCriteriaItem* result = item.get();
  item->FParent = this;
  item->CreateFirstOperator();
  Append(std::move(item));
  return result;
}

TvxFilterCriteriaItemList* TvxFilterCriteriaItemList::AddItemList(TvxFilterBoolOperatorKind ABoolOperatorKind) {
  auto list = std::make_unique<TvxFilterCriteriaItemList>(this, ABoolOperatorKind);
  TvxFilterCriteriaItemList* result = list.get();
  Append(std::move(list));
  return result;
}

void TvxFilterCriteriaItemList::Append(std::unique_ptr<TvxCustomFilterCriteriaItem> AItem) {
  AItem->FParent = this;
  FItems.push_back(std::move(AItem));
  ItemChanged();
}

std::unique_ptr<TvxCustomFilterCriteriaItem> TvxFilterCriteriaItemList::Extract(TvxCustomFilterCriteriaItem* AItem) {
  auto it = std::find_if(FItems.begin(), FItems.end(), [&](const auto& p) { return p.get() == AItem; });
  if (it == FItems.end()) return nullptr;
  std::unique_ptr<TvxCustomFilterCriteriaItem> r = std::move(*it);
  FItems.erase(it);
  r->FParent = nullptr;
  return r;
}

void TvxFilterCriteriaItemList::RemoveChild(TvxCustomFilterCriteriaItem* AItem) {
  if (Extract(AItem)) ItemChanged();
}

void TvxFilterCriteriaItemList::Clear() {
  TvxFilterCriteria* c = Criteria();
  TUpdateScope<TvxFilterCriteria> update(c);
  while (!FItems.empty()) RemoveChild(FItems.back().get());
}

void TvxFilterCriteriaItemList::SetBoolOperatorKind(TvxFilterBoolOperatorKind Value) {
  if (FBoolOperatorKind == Value) return;
  FBoolOperatorKind = Value;
  ItemChanged();
}

TvxCustomFilterCriteriaItem* TvxFilterCriteriaItemList::Items(Integer AIndex) const {
  return AIndex >= 0 && AIndex < Count() ? FItems[AIndex].get() : nullptr;
}

bool TvxFilterCriteriaItemList::Evaluate(Pointer AData) {
  bool result = true;
  for (size_t i = 0; i < FItems.size(); ++i) {
    TvxCustomFilterCriteriaItem* child = FItems[i].get();
    const bool r = child->IsItemList() ? static_cast<TvxFilterCriteriaItemList*>(child)->Evaluate(AData)
                                       : static_cast<TvxFilterCriteriaItem*>(child)->Evaluate(AData);
    if (i == 0) {
      result = (FBoolOperatorKind == fboNotAnd || FBoolOperatorKind == fboNotOr) ? !r : r;
      continue;
    }
    switch (FBoolOperatorKind) {
      case fboAnd: result = result && r; break;
      case fboOr: result = result || r; break;
      case fboNotAnd: result = result || !r; break;
      case fboNotOr: result = result && !r; break;
    }
  }
  return result;
}

TvxFilterCriteriaItem::TvxFilterCriteriaItem(TvxFilterCriteriaItemList* AOwner, TObject* AItemLink,
                                             TvxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                             const String& ADisplayValue)
    : TvxCustomFilterCriteriaItem(AOwner),
      FDisplayValue(ADisplayValue),
      FItemLink(AItemLink),
      FOperatorKind(AOperatorKind),
      FValue(AValue) {}

TvxFilterCriteriaItem::~TvxFilterCriteriaItem() = default;

void TvxFilterCriteriaItem::CreateFirstOperator() {
  if (FOperator) return;
  FOperator = vxCreateFilterOperator(OperatorClass(), this);
  if (FOperator && FOperator->IsNullOperator() && FDisplayValue.empty())
    FDisplayValue = Caption(vxSFilterBlankCaption);
}

bool TvxFilterCriteriaItem::ValueIsNull(const Variant& AValue) const {
  TvxFilterCriteria* c = Criteria();
  return c ? c->ValueIsNull(AValue) : AValue.IsNull();
}

TClass TvxFilterCriteriaItem::OperatorClass() {
  if (ValueIsNull(FValue)) {
    if (FOperatorKind == foEqual || FOperatorKind == foLike) return TvxFilterNullOperator::StaticClass();
    if (FOperatorKind == foNotEqual || FOperatorKind == foNotLike) return TvxFilterNotNullOperator::StaticClass();
  }
  return vxFilterOperatorClassOf(FOperatorKind);
}

void TvxFilterCriteriaItem::RebuildOperator() {
  const bool had = FOperator != nullptr;
  FOperator.reset();
  FOperator = vxCreateFilterOperator(OperatorClass(), this);
  if (had) ItemChanged();
}

void TvxFilterCriteriaItem::SetItemLink(TObject* Value) {
  if (FItemLink == Value) return;
  FItemLink = Value;
  ItemChanged();
}

void TvxFilterCriteriaItem::SetDisplayValue(const String& Value) {
  if (FDisplayValue == Value) return;
  FDisplayValue = Value;
  ItemChanged();
}

void TvxFilterCriteriaItem::SetOperatorKind(TvxFilterOperatorKind Value) {
  if (FOperatorKind == Value) return;
  FOperatorKind = Value;
  RebuildOperator();
}

void TvxFilterCriteriaItem::SetValue(const Variant& Value) {
  if (VariantCompare(FValue, Value) == 0 && VarType(FValue) == VarType(Value)) return;
  FValue = Value;
  FHasPreparedValue = false;
  RebuildOperator();
}

void TvxFilterCriteriaItem::CaptionValue(String& AText) {
  AText = FDisplayValue;
  FOperator->PrepareDisplayText(AText);
}

void TvxFilterCriteriaItem::ValueString(bool ACaption, String& AText) {
  if (ACaption)
    CaptionValue(AText);
  else
    FOperator->ValueText(FValue, AText);
}

bool TvxFilterCriteriaItem::Evaluate(Pointer AData) {
  TvxFilterCriteria* c = Criteria();
  try {
    Variant raw, prepared;
    RecordValue(AData, raw);
    const Variant* v = &raw;
    if (c->ValueNeedsPreparing(raw)) {
      c->PrepareValue(raw, prepared);
      v = &prepared;
    }
    if (!FHasPreparedValue || !(FPreparedOptions == c->Options())) {
      c->PrepareValue(FValue, FPreparedValue);
      FPreparedOptions = c->Options();
      FHasPreparedValue = true;
    }
    if (c->Options().Contains(fcoIgnoreNull) && !FOperator->IsNullOperator() && c->ValueIsNull(*v)) return false;
    return FOperator->CompareValues(*v, FPreparedValue);
  } catch (const EVariantError&) {
    if (c->Options().Contains(fcoSoftCompare)) return false;
    throw;
  }
}

// --- Criteria -----------------------------------------------------------------------------

TvxFilterCriteria::TvxFilterCriteria() : FRoot(std::make_unique<TvxFilterCriteriaItemList>(nullptr, fboAnd)) {
  FRoot->FCriteria = this;
}

TvxFilterCriteria::~TvxFilterCriteria() = default;

void TvxFilterCriteria::EndUpdate() {
  --FLockCount;
  CheckChanged();
}

void TvxFilterCriteria::Changed() {
  FChanged = true;
  CheckChanged();
}

void TvxFilterCriteria::CheckChanged() {
  if (!FChanged || FLockCount != 0) return;
  FChanged = false;
  PrepareOperators();
  FireChanged();
}

void TvxFilterCriteria::FireChanged() {
  if (FOnChanged) FOnChanged(this);
}

void TvxFilterCriteria::PrepareOperators() {
  // Tree order, with an explicit stack.
  std::vector<std::pair<TvxFilterCriteriaItemList*, Integer>> stack{{FRoot.get(), 0}};
  while (!stack.empty()) {
    auto& [list, next] = stack.back();
    if (next >= list->Count()) {
      stack.pop_back();
      continue;
    }
    TvxCustomFilterCriteriaItem* child = list->Items(next++);
    if (child->IsItemList())
      stack.push_back({static_cast<TvxFilterCriteriaItemList*>(child), 0});
    else if (TvxFilterOperator* op = static_cast<TvxFilterCriteriaItem*>(child)->Operator())
      op->UpdateRange();
  }
}

void TvxFilterCriteria::FormatBooleanValue(const Variant& AValue, String& AText) { AText = VarToStr(AValue); }

void TvxFilterCriteria::FormatDateValue(const Variant& AValue, String& AText) {
  AText = FDateTimeFormat.empty() ? VarToStr(AValue) : FormatDateTime(FDateTimeFormat, AValue.AsDateTime());
}

void TvxFilterCriteria::FormatFilterTextValue(TvxFilterCriteriaItem*, const Variant&, String&) {}

String TvxFilterCriteria::FilterCaption() {
  String s;
  BuildFilterText(true, s);
  return s;
}

String TvxFilterCriteria::FilterText() {
  String s;
  BuildFilterText(false, s);
  return s;
}

void TvxFilterCriteria::BuildFilterText(bool ACaption, String& AText) { BuildGroupText(FRoot.get(), ACaption, AText); }

void TvxFilterCriteria::BuildGroupText(TvxFilterCriteriaItemList* AList, bool ACaption, String& AText) {
  // Children are rendered depth first with an explicit stack of open groups; a group's
  // text is completed when its last child is done.
  struct TFrame {
    TvxFilterCriteriaItemList* List;
    Integer Next;
    String Text;
  };
  auto joinWord = [&](TvxFilterBoolOperatorKind k) {
    const bool isAnd = k == fboAnd || k == fboNotAnd;
    if (ACaption) return Caption(isAnd ? vxSFilterAndCaption : vxSFilterOrCaption);
    return String(isAnd ? L"AND" : L"OR");
  };
  auto finish = [&](TFrame& f) {
    if (f.List->BoolOperatorKind() == fboNotAnd || f.List->BoolOperatorKind() == fboNotOr)
      f.Text = (ACaption ? Caption(vxSFilterNotCaption) : String(L"NOT")) + L" (" + f.Text + L")";
  };
  std::vector<TFrame> stack;
  stack.push_back({AList, 0, String()});
  for (;;) {
    TFrame& f = stack.back();
    if (f.Next >= f.List->Count()) {
      finish(f);
      if (stack.size() == 1) break;
      String done = std::move(f.Text);
      stack.pop_back();
      TFrame& parent = stack.back();
      parent.Text += L"(" + done + L")";
      continue;
    }
    const Integer i = f.Next++;
    if (i > 0) f.Text += L" " + joinWord(f.List->BoolOperatorKind()) + L" ";
    TvxCustomFilterCriteriaItem* child = f.List->Items(i);
    if (child->IsItemList()) {
      stack.push_back({static_cast<TvxFilterCriteriaItemList*>(child), 0, String()});
    } else {
      String t;
      ItemText(static_cast<TvxFilterCriteriaItem*>(child), ACaption, t);
      f.Text += L"(" + t + L")";
    }
  }
  AText = std::move(stack.back().Text);
}

void TvxFilterCriteria::ItemText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText) {
  if (!ACaption && AItem->Operator()->IsExpression()) {
    AItem->Operator()->ExpressionText(AItem->Value(), AText);
    return;
  }
  String field, op, value;
  ItemFieldText(AItem, ACaption, field);
  ItemOperatorText(AItem, ACaption, op);
  ItemValueText(AItem, ACaption, value);
  AText = field + L" " + op;
  if (!value.empty()) AText += L" " + value;
}

void TvxFilterCriteria::ItemFieldText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText) {
  if (ACaption)
    AItem->FieldCaption(AText);
  else
    AItem->FieldName(AText);
}

void TvxFilterCriteria::ItemOperatorText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText) {
  TvxFilterOperator* op = AItem->Operator();
  if (ACaption && (op->IsDescription() || FOptions.Contains(fcoShowOperatorDescription)))
    AText = op->DisplayText();
  else
    AText = op->FilterText();
}

void TvxFilterCriteria::ItemValueText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText) {
  AItem->ValueString(ACaption, AText);
}

void TvxFilterCriteria::PrepareValue(const Variant& AValue, Variant& AResult) {
  if (VarIsArray(AValue)) {
    std::vector<Variant> items;
    for (Integer i = 0; i < ArrayCount(AValue); ++i) {
      Variant r;
      PrepareValue(ArrayItem(AValue, i), r);
      items.push_back(std::move(r));
    }
    AResult = VarArrayOf(items);
  } else if (VarTypeBase(AValue) == varCurrency) {
    AResult = AValue.AsDouble();
  } else if (VarIsStr(AValue) && FOptions.Contains(fcoCaseInsensitive)) {
    AResult = AnsiUpperCase(VarToStr(AValue));
  } else {
    AResult = AValue;
  }
}

bool TvxFilterCriteria::ValueNeedsPreparing(const Variant& AValue) {
  return VarIsArray(AValue) || VarTypeBase(AValue) == varCurrency ||
         (VarIsStr(AValue) && FOptions.Contains(fcoCaseInsensitive));
}

bool TvxFilterCriteria::ValueIsNull(const Variant& AValue) const {
  if (AValue.IsNull()) return true;
  return FOptions.Contains(fcoSoftNull) && VarIsStr(AValue) && VarToStr(AValue).empty();
}

TvxFilterCriteriaItem* TvxFilterCriteria::AddItem(TvxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                  TvxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                  const String& ADisplayValue) {
  return (AParent ? AParent : FRoot.get())->AddItem(AItemLink, AOperatorKind, AValue, ADisplayValue);
}

void TvxFilterCriteria::Clear() {
  TUpdateScope<TvxFilterCriteria> update(this);
  FRoot->Clear();
  FRoot->SetBoolOperatorKind(fboAnd);
}

TvxFilterCriteriaItem* TvxFilterCriteria::FindItemByItemLink(TObject* AItemLink) {
  std::vector<std::pair<TvxFilterCriteriaItemList*, Integer>> stack{{FRoot.get(), 0}};
  while (!stack.empty()) {
    auto& [list, next] = stack.back();
    if (next >= list->Count()) {
      stack.pop_back();
      continue;
    }
    TvxCustomFilterCriteriaItem* child = list->Items(next++);
    if (child->IsItemList())
      stack.push_back({static_cast<TvxFilterCriteriaItemList*>(child), 0});
    else if (static_cast<TvxFilterCriteriaItem*>(child)->ItemLink() == AItemLink)
      return static_cast<TvxFilterCriteriaItem*>(child);
  }
  return nullptr;
}

void TvxFilterCriteria::RemoveItemByItemLink(TObject* AItemLink) {
  BeginUpdate();
  bool removed = false;
  TScopeExit close([&] {
    if (removed)
      EndUpdate();
    else
      CancelUpdate();
  });
  while (TvxFilterCriteriaItem* item = FindItemByItemLink(AItemLink)) {
    removed = true;
    TvxFilterCriteriaItemList* group = item->Parent();
    group->RemoveChild(item);
    // Tidy upwards: an empty non-root group goes; a non-root AND or OR group left with one
    // child gives way to that child, appended to the grandparent. A NOT group keeps its
    // single child so that its negation is not lost.
    while (group != FRoot.get()) {
      TvxFilterCriteriaItemList* grand = group->Parent();
      if (group->IsEmpty()) {
        grand->RemoveChild(group);
        group = grand;
        continue;
      }
      if (group->Count() == 1 && (group->BoolOperatorKind() == fboAnd || group->BoolOperatorKind() == fboOr)) {
        std::unique_ptr<TvxCustomFilterCriteriaItem> only = group->Extract(group->Items(0));
        grand->RemoveChild(group);
        grand->Append(std::move(only));
      }
      break;
    }
  }
}

void TvxFilterCriteria::Refresh() {
  TUpdateScope<TvxFilterCriteria> update(this);
  std::vector<std::pair<TvxFilterCriteriaItemList*, Integer>> stack{{FRoot.get(), 0}};
  while (!stack.empty()) {
    auto& [list, next] = stack.back();
    if (next >= list->Count()) {
      stack.pop_back();
      continue;
    }
    TvxCustomFilterCriteriaItem* child = list->Items(next++);
    if (child->IsItemList())
      stack.push_back({static_cast<TvxFilterCriteriaItemList*>(child), 0});
    else
      static_cast<TvxFilterCriteriaItem*>(child)->RebuildOperator();
  }
}

void TvxFilterCriteria::RestoreDefaults() {
  TUpdateScope<TvxFilterCriteria> update(this);
  SetOptions({});
  SetPercentWildcard(L'%');
  FSupportedLike = true;
  FTranslateBetween = false;
  FTranslateLike = false;
  FTranslateIn = false;
  SetUnderscoreWildcard(L'_');
}

void TvxFilterCriteria::SetOptions(TvxFilterCriteriaOptions Value) {
  if (FOptions == Value) return;
  FOptions = Value;
  Changed();
}

void TvxFilterCriteria::SetPercentWildcard(wchar_t Value) {
  if (FPercentWildcard == Value) return;
  FPercentWildcard = Value;
  Changed();
}

void TvxFilterCriteria::SetUnderscoreWildcard(wchar_t Value) {
  if (FUnderscoreWildcard == Value) return;
  FUnderscoreWildcard = Value;
  Changed();
}

void TvxFilterCriteria::SetDateTimeFormat(const String& Value) {
  if (FDateTimeFormat == Value) return;
  FDateTimeFormat = Value;
  Changed();
}

void TvxFilterCriteria::Assign(TPersistent* Source, bool AIgnoreItemNames) {
  auto* src = dynamic_cast<TvxFilterCriteria*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  TUpdateScope<TvxFilterCriteria> update(this);
  SetDateTimeFormat(src->FDateTimeFormat);
  FMaxValueListCount = src->FMaxValueListCount;
  SetOptions(src->FOptions);
  SetPercentWildcard(src->FPercentWildcard);
  FTranslateBetween = src->FTranslateBetween;
  FTranslateLike = src->FTranslateLike;
  FTranslateIn = src->FTranslateIn;
  FSupportedLike = src->FSupportedLike;
  SetUnderscoreWildcard(src->FUnderscoreWildcard);
  AssignItems(src, AIgnoreItemNames);
  AssignEvents(src);
}

void TvxFilterCriteria::AssignEvents(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxFilterCriteria*>(Source)) FOnChanged = src->FOnChanged;
}

bool TvxFilterCriteria::EqualItems(TvxFilterCriteria* ACriteria, bool AIgnoreItemNames) {
  const Byte version = std::min<Byte>({FVersion, ACriteria->FVersion, static_cast<Byte>(AIgnoreItemNames ? 2 : 3)});
  TMemoryStream a, b;
  WriteData(&a, version);
  ACriteria->WriteData(&b, version);
  return a.Size() == b.Size() && std::equal(static_cast<const char*>(a.Memory()),
                                            static_cast<const char*>(a.Memory()) + a.Size(),
                                            static_cast<const char*>(b.Memory()));
}

void TvxFilterCriteria::AssignItems(TvxFilterCriteria* ASource, bool AIgnoreItemNames) {
  if (EqualItems(ASource, AIgnoreItemNames)) return;
  // The source is written before anything here changes, so a failed write leaves this
  // criteria as it was; ReadData replaces the tree only once the stream has been read.
  TMemoryStream s;
  ASource->WriteData(&s, AIgnoreItemNames ? std::min<Byte>(ASource->FVersion, 2) : ASource->FVersion);
  s.SetPosition(0);
  ReadData(&s);
}

// --- Binary form --------------------------------------------------------------------------

namespace {

void WriteInt32(TStream* S, Integer V) { S->WriteBuffer(&V, 4); }
void WriteByte(TStream* S, Byte V) { S->WriteBuffer(&V, 1); }
void WriteText(TStream* S, const String& V) {
  WriteInt32(S, static_cast<Integer>(V.size()));
  if (!V.empty()) S->WriteBuffer(V.data(), static_cast<Integer>(V.size() * sizeof(wchar_t)));
}

Integer ReadInt32(TStream* S) {
  Integer v;
  S->ReadBuffer(&v, 4);
  return v;
}
Byte ReadByte(TStream* S) {
  Byte v;
  S->ReadBuffer(&v, 1);
  return v;
}
String ReadText(TStream* S, bool AUnicode) {
  const Integer n = ReadInt32(S);
  vxCheckStreamCount(S, n, AUnicode ? 2 : 1);
  if (AUnicode) {
    String r(static_cast<size_t>(n), L'\0');
    if (n) S->ReadBuffer(r.data(), n * 2);
    return r;
  }
  AnsiString a(static_cast<size_t>(n), '\0');
  if (n) S->ReadBuffer(a.data(), n);
  return AnsiToString(a);
}

}  // namespace

void TvxFilterCriteria::WriteGroup(TStream* AStream, TvxFilterCriteriaItemList* AList, Byte AVersion) {
  struct TFrame {
    TvxFilterCriteriaItemList* List;
    Integer Next;
  };
  std::vector<TFrame> stack{{AList, 0}};
  WriteByte(AStream, AList->BoolOperatorKind());
  WriteInt32(AStream, AList->Count());
  while (!stack.empty()) {
    TFrame& f = stack.back();
    if (f.Next >= f.List->Count()) {
      stack.pop_back();
      continue;
    }
    TvxCustomFilterCriteriaItem* child = f.List->Items(f.Next++);
    if (child->IsItemList()) {
      auto* list = static_cast<TvxFilterCriteriaItemList*>(child);
      WriteByte(AStream, 1);
      WriteByte(AStream, list->BoolOperatorKind());
      WriteInt32(AStream, list->Count());
      stack.push_back({list, 0});
      continue;
    }
    auto* item = static_cast<TvxFilterCriteriaItem*>(child);
    WriteByte(AStream, 0);
    vdWriteFormatMarker(AStream);
    WriteByte(AStream, item->OperatorKind());
    WriteText(AStream, item->DisplayValue());
    WriteInt32(AStream, ItemLinkToID(item->ItemLink()));
    if (AVersion >= 3) {
      String name;
      ItemLinkToName(item->ItemLink(), name);
      WriteText(AStream, name);
    }
    WriteVariantToStream(AStream, item->Value());
  }
}

void TvxFilterCriteria::WriteData(TStream* AStream, Byte AVersion) {
  Byte version = FVersion < 2 ? 2 : (FVersion > 3 ? 3 : FVersion);
  if (AVersion != 0 && AVersion < version) version = AVersion < 2 ? 2 : AVersion;
  FSavedVersion = version;
  WriteInt32(AStream, version == 2 ? -1 : -2);
  WriteGroup(AStream, FRoot.get(), version);
}

void TvxFilterCriteria::ReadData(TStream* AStream) {
  // The tree is read into a new root first; only a stream read whole replaces the
  // criteria's tree, so a malformed or short stream changes nothing.
  auto root = std::make_unique<TvxFilterCriteriaItemList>(nullptr, fboAnd);
  root->FCriteria = this;
  const Integer code = ReadInt32(AStream);
  Byte version;
  Integer rootCount = 0;
  if (code >= 0) {
    version = 1;
    rootCount = code;
  } else if (code == -1) {
    version = 2;
  } else if (code == -2) {
    version = 3;
  } else {
    vxInvalidStreamFormat();
  }
  if (version >= 2) {
    const Byte kind = ReadByte(AStream);
    if (kind > CvxFilterBoolOperatorKindLast) vxInvalidStreamFormat();
    root->FBoolOperatorKind = static_cast<TvxFilterBoolOperatorKind>(kind);
    rootCount = ReadInt32(AStream);
  }
  vxCheckStreamCount(AStream, rootCount, CMinChildSize);

  struct TFrame {
    TvxFilterCriteriaItemList* List;
    Integer Left;  // children still to read
  };
  std::vector<TFrame> stack{{root.get(), rootCount}};
  // Nothing reports a change while the new tree is built: children are linked directly.
  while (!stack.empty()) {
    TFrame& f = stack.back();
    if (f.Left == 0) {
      TvxFilterCriteriaItemList* done = f.List;
      stack.pop_back();
      // A group read without children is not kept.
      if (!stack.empty() && done->IsEmpty()) stack.back().List->Extract(done);
      continue;
    }
    --f.Left;
    TvxFilterCriteriaItemList* parent = f.List;
    const Byte isList = ReadByte(AStream);
    if (isList > 1) vxInvalidStreamFormat();
    if (isList == 1) {
      if (static_cast<Integer>(stack.size()) >= CMaxGroupDepth) vxInvalidStreamFormat();
      const Byte kind = ReadByte(AStream);
      if (kind > CvxFilterBoolOperatorKindLast) vxInvalidStreamFormat();
      const Integer count = ReadInt32(AStream);
      vxCheckStreamCount(AStream, count, CMinChildSize);
      auto list = std::make_unique<TvxFilterCriteriaItemList>(parent, static_cast<TvxFilterBoolOperatorKind>(kind));
      TvxFilterCriteriaItemList* raw = list.get();
      parent->FItems.push_back(std::move(list));
      stack.push_back({raw, count});
      continue;
    }
    const bool unicode = vdReadFormatMarker(AStream);
    const Byte opKind = ReadByte(AStream);
    if (opKind > CvxFilterOperatorKindLast) vxInvalidStreamFormat();
    const String display = ReadText(AStream, unicode);
    const Integer id = ReadInt32(AStream);
    String name;
    const bool hasName = version >= 3;
    if (hasName) name = ReadText(AStream, unicode);
    const Variant value = ReadVariantFromStream(AStream);
    TObject* link = nullptr;
    if (!hasName) {
      link = IDToItemLink(id);
    } else if (TObject* byName = name.empty() ? nullptr : NameToItemLink(name)) {
      // An empty name identifies nothing (unnamed items would all match it).
      link = byName;
    } else if (TObject* byID = IDToItemLink(id)) {
      String ownName;
      ItemLinkToName(byID, ownName);
      if (ownName.empty()) link = byID;
    }
    if (!link) continue;  // an empty condition is not kept
    std::unique_ptr<TvxFilterCriteriaItem> item =
        CreateItem(parent, link, static_cast<TvxFilterOperatorKind>(opKind), value, display);
    item->FParent = parent;
    parent->FItems.push_back(std::move(item));
  }

  // Operators are built once the items hang in the tree, so that they reach this criteria.
  TUpdateScope<TvxFilterCriteria> update(this);
  FRoot = std::move(root);
  FLoadedVersion = version;
  std::vector<TvxFilterCriteriaItemList*> lists{FRoot.get()};
  while (!lists.empty()) {
    TvxFilterCriteriaItemList* list = lists.back();
    lists.pop_back();
    for (auto& child : list->FItems) {
      if (child->IsItemList()) {
        lists.push_back(static_cast<TvxFilterCriteriaItemList*>(child.get()));
      } else {
        auto* item = static_cast<TvxFilterCriteriaItem*>(child.get());
        item->CreateFirstOperator();
      }
    }
  }
  Changed();
}

bool TvxFilterCriteria::EvaluateRecord(Pointer AData) { return FRoot->Evaluate(AData); }

// --- Value lists ----------------------------------------------------------------------------

Integer TvxFilterValueList::FirstValueIndex() const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Kind == fviValue) return static_cast<Integer>(i);
  return Count();
}

Integer TvxFilterValueList::CompareItem(Integer AIndex, const Variant& AValue, const String& ADisplayText) {
  const TvxFilterValueItem& item = Items(AIndex);
  if (SortByDisplayText) {
    bool ci = FCriteria && FCriteria->Options().Contains(fcoCaseInsensitive);
    Integer r = ci ? AnsiCompareStr(AnsiUpperCase(item.DisplayText), AnsiUpperCase(ADisplayText))
                   : AnsiCompareStr(item.DisplayText, ADisplayText);
    if (r != 0) return r;
  }
  Variant a, b;
  if (FCriteria) {
    FCriteria->PrepareValue(item.Value, a);
    FCriteria->PrepareValue(AValue, b);
  } else {
    a = item.Value;
    b = AValue;
  }
  return VariantCompare(a, b);
}

bool TvxFilterValueList::Find(const Variant& AValue, const String& ADisplayText, Integer& AIndex) {
  for (Integer i = 0; i < Count(); ++i)
    if (FItems[static_cast<size_t>(i)].Kind == fviMRU && CompareItem(i, AValue, ADisplayText) == 0) {
      AIndex = i;
      return true;
    }
  Integer lo = FirstValueIndex(), hi = Count();
  bool found = false;
  while (lo < hi) {
    Integer mid = lo + (hi - lo) / 2;
    Integer c = CompareItem(mid, AValue, ADisplayText);
    if (c < 0) {
      lo = mid + 1;
    } else {
      if (c == 0) found = true;
      hi = mid;
    }
  }
  AIndex = lo;
  return found;
}

void TvxFilterValueList::Add(TvxFilterValueItemKind AKind, const Variant& AValue, const String& ADisplayText,
                             bool ANoSorting) {
  TvxFilterValueItem item{AKind, AValue, ADisplayText};
  if (AKind == fviMRU) {
    Integer sep = FindItemByKind(fviMRUSeparator);
    if (sep < 0) {
      FItems.insert(FItems.begin(), TvxFilterValueItem{fviMRUSeparator, Null(), String()});
      sep = 0;
    }
    FItems.insert(FItems.begin() + sep, item);
    return;
  }
  if (AKind != fviValue) {
    FItems.insert(FItems.begin() + FirstValueIndex(), item);
    return;
  }
  if (ANoSorting) {
    FItems.push_back(item);
    return;
  }
  if (MaxCount() != 0 && Count() >= MaxCount()) return;
  Integer at;
  if (Find(AValue, ADisplayText, at)) return;
  FItems.insert(FItems.begin() + at, item);
}

Integer TvxFilterValueList::FindItemByKind(TvxFilterValueItemKind AKind, const Variant& AValue) {
  for (Integer i = 0; i < Count(); ++i) {
    const TvxFilterValueItem& item = FItems[static_cast<size_t>(i)];
    if (item.Kind == AKind && (AValue.IsNull() || VariantsMatch(item.Value, AValue))) return i;
  }
  return -1;
}

Integer TvxFilterValueList::FindItemByValue(const Variant& AValue) {
  Integer at;
  String text = AValue.IsNull() ? String() : VarToStr(AValue);
  return Find(AValue, text, at) ? at : -1;
}

Integer TvxFilterValueList::GetIndexByCriteriaItem(TvxFilterCriteriaItem* AItem) {
  if (!AItem) return FindItemByKind(fviAll);
  bool null = FCriteria ? FCriteria->ValueIsNull(AItem->Value()) : AItem->Value().IsNull();
  if (null && AItem->OperatorKind() == foEqual) return FindItemByKind(fviBlanks);
  if (null && AItem->OperatorKind() == foNotEqual) return FindItemByKind(fviNonBlanks);
  Integer at;
  if (AItem->OperatorKind() == foEqual && Find(AItem->Value(), AItem->DisplayValue(), at)) return at;
  return FindItemByKind(fviCustom);
}

const TUnitInfo vxFilterUnit = {L"vxFilter", nullptr, nullptr};
