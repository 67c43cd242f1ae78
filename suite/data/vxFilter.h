// Filter operators and filter criteria: a tree of conditions joined by AND, OR, NOT AND and
// NOT OR groups that decides for one record at a time whether it passes, renders itself as
// a filter expression and as a caption, and writes and reads itself in a binary form.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Variants.h"
#include "vxFilterConsts.h"
#include "vxLike.h"
#include "vxVariants.h"

enum TvxFilterOperatorKind : Byte {
  foEqual, foNotEqual, foLess, foLessEqual, foGreater, foGreaterEqual, foLike, foNotLike, foBetween,
  foNotBetween, foInList, foNotInList, foYesterday, foToday, foTomorrow, foLast7Days, foLastWeek,
  foLast14Days, foLastTwoWeeks, foLast30Days, foLastMonth, foLastYear, foInPast, foThisWeek,
  foThisMonth, foThisYear, foNext7Days, foNextWeek, foNext14Days, foNextTwoWeeks, foNext30Days,
  foNextMonth, foNextYear, foInFuture
};
constexpr Byte CvxFilterOperatorKindLast = foInFuture;

enum TvxFilterBoolOperatorKind : Byte { fboAnd, fboOr, fboNotAnd, fboNotOr };
constexpr Byte CvxFilterBoolOperatorKindLast = fboNotOr;

enum TvxFilterCriteriaOption { fcoCaseInsensitive, fcoShowOperatorDescription, fcoSoftNull, fcoSoftCompare, fcoIgnoreNull };
using TvxFilterCriteriaOptions = Set<TvxFilterCriteriaOption, 8>;

class TvxFilterCriteria;
class TvxFilterCriteriaItem;
class TvxFilterCriteriaItemList;

// "blank" for Null, otherwise the variant as text.
String FilterValueToText(const Variant& AValue);

// The half-open range [ADate1, ADate2) of a date operator kind for today AToday whose
// week starts on AWeekStart; 0 is no bound. False for a kind that is not a date kind.
bool vxFilterDateRange(TvxFilterOperatorKind AKind, TDateTime AToday, TDateTime AWeekStart, TDateTime& ADate1,
                       TDateTime& ADate2);

// --- Operators ----------------------------------------------------------------------------

class TvxFilterOperator : public TObject {
  DECLARE_CLASS(TvxFilterOperator, TObject)
 public:
  explicit TvxFilterOperator(TvxFilterCriteriaItem* ACriteriaItem) : FCriteriaItem(ACriteriaItem) {}
  virtual void ExpressionText(const Variant& AValue, String& AText) { ValueText(AValue, AText); }
  virtual void ValueText(const Variant& AValue, String& AText);
  virtual void PrepareDisplayText(String& /*AText*/) {}
  virtual void UpdateRange() {}
  virtual bool CustomValueText(const Variant& /*AValue*/, String& /*AText*/) { return false; }
  virtual bool CompareValues(const Variant& AValue1, const Variant& AValue2) = 0;
  virtual String DisplayText() { return FilterText(); }
  virtual String FilterText() = 0;
  virtual bool IsDescription() { return false; }
  virtual bool IsExpression() { return false; }
  virtual bool IsNullOperator() { return false; }
  TvxFilterCriteriaItem* CriteriaItem() const { return FCriteriaItem; }
  TvxFilterCriteria* Criteria() const;

 protected:
  // The item's expression field name, or its part AIndex of a ";"-separated list.
  String FieldNamePart(Integer AIndex) const;

 private:
  TvxFilterCriteriaItem* FCriteriaItem;
};

#define VX_FILTER_OPERATOR(Cls, Parent)                                              \
  class Cls : public Parent {                                                       \
    DECLARE_CLASS(Cls, Parent)                                                      \
   public:                                                                          \
    explicit Cls(TvxFilterCriteriaItem* ACriteriaItem) : Parent(ACriteriaItem) {}

VX_FILTER_OPERATOR(TvxFilterEqualOperator, TvxFilterOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"="; }
  bool IsExpression() override;
};
VX_FILTER_OPERATOR(TvxFilterNotEqualOperator, TvxFilterEqualOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"<>"; }
};
VX_FILTER_OPERATOR(TvxFilterLessOperator, TvxFilterOperator)
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"<"; }
};
VX_FILTER_OPERATOR(TvxFilterLessEqualOperator, TvxFilterOperator)
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"<="; }
};
VX_FILTER_OPERATOR(TvxFilterGreaterOperator, TvxFilterOperator)
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L">"; }
};
VX_FILTER_OPERATOR(TvxFilterGreaterEqualOperator, TvxFilterOperator)
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L">="; }
};
VX_FILTER_OPERATOR(TvxFilterLikeOperator, TvxFilterOperator)
  void PrepareDisplayText(String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"LIKE"; }
 protected:
  Integer PatternKind();
};
VX_FILTER_OPERATOR(TvxFilterNotLikeOperator, TvxFilterLikeOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"NOT LIKE"; }
  bool IsExpression() override;
};
VX_FILTER_OPERATOR(TvxFilterBetweenOperator, TvxFilterOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  void PrepareDisplayText(String& AText) override;
  bool CustomValueText(const Variant& AValue, String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"BETWEEN"; }
  bool IsDescription() override { return true; }
  bool IsExpression() override;
};
VX_FILTER_OPERATOR(TvxFilterNotBetweenOperator, TvxFilterBetweenOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"NOT BETWEEN"; }
};
VX_FILTER_OPERATOR(TvxFilterInListOperator, TvxFilterOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  void PrepareDisplayText(String& AText) override;
  bool CustomValueText(const Variant& AValue, String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"IN"; }
  bool IsDescription() override { return true; }
  bool IsExpression() override;
};
VX_FILTER_OPERATOR(TvxFilterNotInListOperator, TvxFilterInListOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"NOT IN"; }
};
VX_FILTER_OPERATOR(TvxFilterNullOperator, TvxFilterEqualOperator)
  void PrepareDisplayText(String& AText) override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  bool IsExpression() override { return false; }
  bool IsNullOperator() override { return true; }
};
VX_FILTER_OPERATOR(TvxFilterNotNullOperator, TvxFilterNullOperator)
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String DisplayText() override;
  String FilterText() override { return L"<>"; }
};

// A date operator passes a non-null value inside [Date1, Date2); 0 is no bound.
VX_FILTER_OPERATOR(TvxFilterDateOperator, TvxFilterOperator)
  void ExpressionText(const Variant& AValue, String& AText) override;
  void PrepareDisplayText(String& AText) override { AText.clear(); }
  void UpdateRange() override;
  bool CompareValues(const Variant& AValue1, const Variant& AValue2) override;
  String FilterText() override;
  bool IsExpression() override { return true; }
  TDateTime Date1 = 0;
  TDateTime Date2 = 0;
 protected:
  virtual TvxFilterOperatorKind Kind() const { return foToday; }
};
#define VX_FILTER_DATE_OPERATOR(Cls, Parent, AKind) \
  VX_FILTER_OPERATOR(Cls, Parent)                   \
   protected:                                       \
    TvxFilterOperatorKind Kind() const override { return AKind; } \
  };
VX_FILTER_DATE_OPERATOR(TvxFilterYesterdayOperator, TvxFilterDateOperator, foYesterday)
VX_FILTER_DATE_OPERATOR(TvxFilterTodayOperator, TvxFilterDateOperator, foToday)
VX_FILTER_DATE_OPERATOR(TvxFilterTomorrowOperator, TvxFilterDateOperator, foTomorrow)
VX_FILTER_OPERATOR(TvxFilterLastNDaysOperator, TvxFilterDateOperator)
  virtual Integer DaysInRange() { return 7; }
};
VX_FILTER_OPERATOR(TvxFilterNextNDaysOperator, TvxFilterDateOperator)
  virtual Integer DaysInRange() { return 7; }
};
#define VX_FILTER_NDAYS_OPERATOR(Cls, Parent, AKind, ADays) \
  VX_FILTER_OPERATOR(Cls, Parent)                           \
    Integer DaysInRange() override { return ADays; }        \
   protected:                                               \
    TvxFilterOperatorKind Kind() const override { return AKind; } \
  };
VX_FILTER_NDAYS_OPERATOR(TvxFilterLast7DaysOperator, TvxFilterLastNDaysOperator, foLast7Days, 7)
VX_FILTER_NDAYS_OPERATOR(TvxFilterLast14DaysOperator, TvxFilterLastNDaysOperator, foLast14Days, 14)
VX_FILTER_NDAYS_OPERATOR(TvxFilterLast30DaysOperator, TvxFilterLastNDaysOperator, foLast30Days, 30)
VX_FILTER_NDAYS_OPERATOR(TvxFilterNext7DaysOperator, TvxFilterNextNDaysOperator, foNext7Days, 7)
VX_FILTER_NDAYS_OPERATOR(TvxFilterNext14DaysOperator, TvxFilterNextNDaysOperator, foNext14Days, 14)
VX_FILTER_NDAYS_OPERATOR(TvxFilterNext30DaysOperator, TvxFilterNextNDaysOperator, foNext30Days, 30)
VX_FILTER_DATE_OPERATOR(TvxFilterLastWeekOperator, TvxFilterDateOperator, foLastWeek)
VX_FILTER_DATE_OPERATOR(TvxFilterLastTwoWeeksOperator, TvxFilterDateOperator, foLastTwoWeeks)
VX_FILTER_DATE_OPERATOR(TvxFilterLastMonthOperator, TvxFilterDateOperator, foLastMonth)
VX_FILTER_DATE_OPERATOR(TvxFilterLastYearOperator, TvxFilterDateOperator, foLastYear)
VX_FILTER_DATE_OPERATOR(TvxFilterInPastOperator, TvxFilterDateOperator, foInPast)
VX_FILTER_DATE_OPERATOR(TvxFilterThisWeekOperator, TvxFilterDateOperator, foThisWeek)
VX_FILTER_DATE_OPERATOR(TvxFilterThisMonthOperator, TvxFilterDateOperator, foThisMonth)
VX_FILTER_DATE_OPERATOR(TvxFilterThisYearOperator, TvxFilterDateOperator, foThisYear)
VX_FILTER_DATE_OPERATOR(TvxFilterNextWeekOperator, TvxFilterDateOperator, foNextWeek)
VX_FILTER_DATE_OPERATOR(TvxFilterNextTwoWeeksOperator, TvxFilterDateOperator, foNextTwoWeeks)
VX_FILTER_DATE_OPERATOR(TvxFilterNextMonthOperator, TvxFilterDateOperator, foNextMonth)
VX_FILTER_DATE_OPERATOR(TvxFilterNextYearOperator, TvxFilterDateOperator, foNextYear)
VX_FILTER_DATE_OPERATOR(TvxFilterInFutureOperator, TvxFilterDateOperator, foInFuture)

#undef VX_FILTER_NDAYS_OPERATOR
#undef VX_FILTER_DATE_OPERATOR
#undef VX_FILTER_OPERATOR

// The operator class of a kind; a new operator of a class for an item.
TClass vxFilterOperatorClassOf(TvxFilterOperatorKind AKind);
std::unique_ptr<TvxFilterOperator> vxCreateFilterOperator(TClass AClass, TvxFilterCriteriaItem* AItem);

// --- Criteria items -----------------------------------------------------------------------

class TvxCustomFilterCriteriaItem : public TObject {
  DECLARE_CLASS(TvxCustomFilterCriteriaItem, TObject)
 public:
  explicit TvxCustomFilterCriteriaItem(TvxFilterCriteriaItemList* AParent) : FParent(AParent) {}
  virtual void ItemChanged();
  virtual TvxFilterCriteria* Criteria() const;
  virtual bool IsItemList() const = 0;
  virtual bool IsEmpty() const = 0;
  TvxFilterCriteriaItemList* Parent() const { return FParent; }

 private:
  friend class TvxFilterCriteriaItemList;
  friend class TvxFilterCriteria;
  TvxFilterCriteriaItemList* FParent;
};

class TvxFilterCriteriaItemList : public TvxCustomFilterCriteriaItem {
  DECLARE_CLASS(TvxFilterCriteriaItemList, TvxCustomFilterCriteriaItem)
 public:
  TvxFilterCriteriaItemList(TvxFilterCriteriaItemList* AOwner, TvxFilterBoolOperatorKind ABoolOperatorKind);
  ~TvxFilterCriteriaItemList() override;
  TvxFilterCriteria* Criteria() const override;
  bool IsItemList() const override { return true; }
  bool IsEmpty() const override { return FItems.empty(); }

  TvxFilterCriteriaItem* AddItem(TObject* AItemLink, TvxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                 const String& ADisplayValue);
  TvxFilterCriteriaItemList* AddItemList(TvxFilterBoolOperatorKind ABoolOperatorKind);
  // Appends a node made for this list (its Parent is this list) and reports the change.
  void Append(std::unique_ptr<TvxCustomFilterCriteriaItem> AItem);
  // Takes a child out, giving the caller its ownership; nullptr when it is not a child.
  std::unique_ptr<TvxCustomFilterCriteriaItem> Extract(TvxCustomFilterCriteriaItem* AItem);
  // Frees a child and reports the change.
  virtual void RemoveChild(TvxCustomFilterCriteriaItem* AItem);
  void Clear();
  bool Evaluate(Pointer AData);
  TvxFilterBoolOperatorKind BoolOperatorKind() const { return FBoolOperatorKind; }
  void SetBoolOperatorKind(TvxFilterBoolOperatorKind Value);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxCustomFilterCriteriaItem* Items(Integer AIndex) const;

 private:
  friend class TvxFilterCriteria;
  TvxFilterBoolOperatorKind FBoolOperatorKind;
  TvxFilterCriteria* FCriteria = nullptr;
  std::vector<std::unique_ptr<TvxCustomFilterCriteriaItem>> FItems;
};

class TvxFilterCriteriaItem : public TvxCustomFilterCriteriaItem {
  DECLARE_CLASS(TvxFilterCriteriaItem, TvxCustomFilterCriteriaItem)
 public:
  TvxFilterCriteriaItem(TvxFilterCriteriaItemList* AOwner, TObject* AItemLink, TvxFilterOperatorKind AOperatorKind,
                        const Variant& AValue, const String& ADisplayValue);
  ~TvxFilterCriteriaItem() override;
  // The value of the item's field for the record being filtered.
  virtual void RecordValue(Pointer AData, Variant& AValue) = 0;
  virtual void CaptionValue(String& AText);
  virtual void ValueString(bool ACaption, String& AText);
  virtual void FieldCaption(String& AText) = 0;
  virtual void FieldName(String& AText) = 0;
  virtual TClass OperatorClass();
  virtual TObject* ItemLink() const { return FItemLink; }
  virtual void SetItemLink(TObject* Value);
  virtual void RebuildOperator();
  bool ValueIsNull(const Variant& AValue) const;
  bool IsItemList() const override { return false; }
  bool IsEmpty() const override { return ItemLink() == nullptr; }
  bool Evaluate(Pointer AData);

  const String& DisplayValue() const { return FDisplayValue; }
  void SetDisplayValue(const String& Value);
  TvxFilterOperator* Operator() const { return FOperator.get(); }
  TvxFilterOperatorKind OperatorKind() const { return FOperatorKind; }
  void SetOperatorKind(TvxFilterOperatorKind Value);
  const Variant& Value() const { return FValue; }
  void SetValue(const Variant& Value);

 private:
  friend class TvxFilterCriteria;
  friend class TvxFilterCriteriaItemList;
  // Builds the first operator once the item hangs in its criteria's tree, then gives a
  // blank test without a display value the blank caption.
  void CreateFirstOperator();
  String FDisplayValue;
  TObject* FItemLink = nullptr;
  std::unique_ptr<TvxFilterOperator> FOperator;
  TvxFilterOperatorKind FOperatorKind = foEqual;
  Variant FValue;
  // The condition value as the criteria prepares it, kept for one evaluation pass (made
  // again after a value change or when the criteria's options differ).
  Variant FPreparedValue;
  bool FHasPreparedValue = false;
  TvxFilterCriteriaOptions FPreparedOptions;
};

// --- Criteria -----------------------------------------------------------------------------

class TvxFilterCriteria : public TPersistent {
  DECLARE_CLASS(TvxFilterCriteria, TPersistent)
 public:
  TvxFilterCriteria();
  ~TvxFilterCriteria() override;

  virtual void CheckChanged();
  virtual void FormatBooleanValue(const Variant& AValue, String& AText);
  virtual void FormatDateValue(const Variant& AValue, String& AText);
  virtual void FormatFilterTextValue(TvxFilterCriteriaItem* AItem, const Variant& AValue, String& AText);
  virtual String FilterCaption();
  virtual void BuildFilterText(bool ACaption, String& AText);
  virtual String FilterText();
  virtual Integer ItemLinkToID(TObject* AItemLink) = 0;
  virtual void ItemLinkToName(TObject* AItemLink, String& AName) = 0;
  // Creates a condition of the criteria's item class; the list appends it.
  virtual std::unique_ptr<TvxFilterCriteriaItem> CreateItem(TvxFilterCriteriaItemList* AOwner, TObject* AItemLink,
                                                            TvxFilterOperatorKind AOperatorKind,
                                                            const Variant& AValue, const String& ADisplayValue) = 0;
  virtual void ItemText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText);
  virtual void ItemFieldText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText);
  virtual void ItemOperatorText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText);
  virtual void ItemValueText(TvxFilterCriteriaItem* AItem, bool ACaption, String& AText);
  virtual TObject* IDToItemLink(Integer AID) = 0;
  virtual TObject* NameToItemLink(const String& AName) = 0;
  virtual void PrepareOperators();
  virtual void PrepareValue(const Variant& AValue, Variant& AResult);
  // Whether PrepareValue makes something else of AValue; a value it keeps as it is is
  // compared without a copy.
  virtual bool ValueNeedsPreparing(const Variant& AValue);
  virtual void SetFilterText(const String& /*Value*/) {}
  virtual void FireChanged();
  void Assign(TPersistent* Source) override { Assign(Source, false); }
  virtual void Assign(TPersistent* Source, bool AIgnoreItemNames);
  virtual void AssignEvents(TPersistent* Source);
  virtual void AssignItems(TvxFilterCriteria* ASource, bool AIgnoreItemNames);
  TvxFilterCriteriaItem* AddItem(TvxFilterCriteriaItemList* AParent, TObject* AItemLink,
                                 TvxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                 const String& ADisplayValue);
  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  void CancelUpdate() { --FLockCount; }
  void Changed();
  void Clear();
  bool EqualItems(TvxFilterCriteria* ACriteria, bool AIgnoreItemNames);
  bool EvaluateRecord(Pointer AData);
  TvxFilterCriteriaItem* FindItemByItemLink(TObject* AItemLink);
  bool IsEmpty() const { return FRoot->IsEmpty(); }
  void Refresh();
  void RemoveItemByItemLink(TObject* AItemLink);
  void RestoreDefaults();
  bool ValueIsNull(const Variant& AValue) const;
  // Reads a binary form; a stream that is malformed raises "Invalid stream format" and
  // one that ends early the stream's read error, and either leaves the criteria as it was.
  void ReadData(TStream* AStream);
  void WriteData(TStream* AStream, Byte AVersion = 0);

  const String& DateTimeFormat() const { return FDateTimeFormat; }
  void SetDateTimeFormat(const String& Value);
  bool IsUnicode() const { return FIsUnicode; }
  Byte LoadedVersion() const { return FLoadedVersion; }
  Integer LockCount() const { return FLockCount; }
  Integer MaxValueListCount() const { return FMaxValueListCount; }
  void SetMaxValueListCount(Integer Value) { FMaxValueListCount = Value; }
  TvxFilterCriteriaOptions Options() const { return FOptions; }
  void SetOptions(TvxFilterCriteriaOptions Value);
  wchar_t PercentWildcard() const { return FPercentWildcard; }
  void SetPercentWildcard(wchar_t Value);
  wchar_t UnderscoreWildcard() const { return FUnderscoreWildcard; }
  void SetUnderscoreWildcard(wchar_t Value);
  TvxFilterCriteriaItemList* Root() const { return FRoot.get(); }
  Byte SavedVersion() const { return FSavedVersion; }
  bool SavingToStream() const { return FSavingToStream; }
  bool StoreItemLinkNames() const { return FVersion > 2; }
  void SetStoreItemLinkNames(bool Value) { FVersion = Value ? 3 : 2; }
  bool SupportedLike() const { return FSupportedLike; }
  void SetSupportedLike(bool Value) { FSupportedLike = Value; }
  bool TranslateBetween() const { return FTranslateBetween; }
  void SetTranslateBetween(bool Value) { FTranslateBetween = Value; }
  bool TranslateIn() const { return FTranslateIn; }
  void SetTranslateIn(bool Value) { FTranslateIn = Value; }
  bool TranslateLike() const { return FTranslateLike; }
  void SetTranslateLike(bool Value) { FTranslateLike = Value; }
  Byte Version() const { return FVersion; }
  void SetVersion(Byte Value) { FVersion = Value; }
  const TNotifyEvent& OnChanged() const { return FOnChanged; }
  void SetOnChanged(const TNotifyEvent& Value) { FOnChanged = Value; }

 private:
  void BuildGroupText(TvxFilterCriteriaItemList* AList, bool ACaption, String& AText);
  void WriteGroup(TStream* AStream, TvxFilterCriteriaItemList* AList, Byte AVersion);
  bool FChanged = false;
  String FDateTimeFormat;
  bool FIsUnicode = true;
  Byte FLoadedVersion = 0;
  Integer FLockCount = 0;
  Integer FMaxValueListCount = 0;
  TvxFilterCriteriaOptions FOptions;
  wchar_t FPercentWildcard = L'%';
  std::unique_ptr<TvxFilterCriteriaItemList> FRoot;
  Byte FSavedVersion = 0;
  bool FSavingToStream = false;
  bool FSupportedLike = true;
  bool FTranslateBetween = false;
  bool FTranslateLike = false;
  bool FTranslateIn = false;
  wchar_t FUnderscoreWildcard = L'_';
  Byte FVersion = 2;
  TNotifyEvent FOnChanged;
};

// --- Value lists ----------------------------------------------------------------------------

enum TvxFilterValueItemKind { fviAll, fviCustom, fviBlanks, fviNonBlanks, fviUser, fviValue, fviMRU, fviMRUSeparator, fviSpecial };

struct TvxFilterValueItem {
  TvxFilterValueItemKind Kind;
  Variant Value;
  String DisplayText;
};

// The values offered to a column filter: recently used items and their separator first,
// then the other special items, then the values, sorted and without repeats.
class TvxFilterValueList : public TObject {
  DECLARE_CLASS(TvxFilterValueList, TObject)
 public:
  explicit TvxFilterValueList(TvxFilterCriteria* ACriteria) : FCriteria(ACriteria) {}
  virtual Integer CompareItem(Integer AIndex, const Variant& AValue, const String& ADisplayText);
  void Add(TvxFilterValueItemKind AKind, const Variant& AValue, const String& ADisplayText, bool ANoSorting = false);
  void Clear() { FItems.clear(); }
  void Delete(Integer AIndex) { FItems.erase(FItems.begin() + AIndex); }
  // Recently used items by a linear scan, then the values by binary search: AIndex is the
  // first value not below the key.
  bool Find(const Variant& AValue, const String& ADisplayText, Integer& AIndex);
  Integer FindItemByKind(TvxFilterValueItemKind AKind, const Variant& AValue = Null());
  Integer FindItemByValue(const Variant& AValue);
  Integer GetIndexByCriteriaItem(TvxFilterCriteriaItem* AItem);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TvxFilterValueItem& Items(Integer AIndex) const { return FItems.at(static_cast<size_t>(AIndex)); }
  Integer MaxCount() const { return FCriteria ? FCriteria->MaxValueListCount() : 0; }
  TvxFilterCriteria* Criteria() const { return FCriteria; }
  bool SortByDisplayText = false;

 private:
  Integer FirstValueIndex() const;
  TvxFilterCriteria* FCriteria;
  std::vector<TvxFilterValueItem> FItems;
};

extern const TUnitInfo vxFilterUnit;
