// Filter edit helpers: for the properties class of a column's editor, the helper that
// configures a second editor for typing a filter value and names the filter operators
// that suit the column's value type; and the process-wide controller that maps
// properties classes to their helpers.
#pragma once

#include <map>
#include <memory>

#include "vxClasses.h"
#include "vxDataStorage.h"
#include "vxEdit.h"

enum TvxFilterControlOperator {
  fcoNone,
  fcoEqual,
  fcoNotEqual,
  fcoLess,
  fcoLessEqual,
  fcoGreater,
  fcoGreaterEqual,
  fcoLike,
  fcoNotLike,
  fcoBlanks,
  fcoNonBlanks,
  fcoBetween,
  fcoNotBetween,
  fcoInList,
  fcoNotInList,
  fcoYesterday,
  fcoToday,
  fcoTomorrow,
  fcoLast7Days,
  fcoLastWeek,
  fcoLast14Days,
  fcoLastTwoWeeks,
  fcoLast30Days,
  fcoLastMonth,
  fcoLastYear,
  fcoInPast,
  fcoThisWeek,
  fcoThisMonth,
  fcoThisYear,
  fcoNext7Days,
  fcoNextWeek,
  fcoNext14Days,
  fcoNextTwoWeeks,
  fcoNext30Days,
  fcoNextMonth,
  fcoNextYear,
  fcoInFuture
};
using TvxFilterControlOperators = Set<TvxFilterControlOperator, 64>;

class TvxCustomFilterEditHelper;
class TvxInplaceEditList;
// A helper class is its one stateless object.
using TvxFilterEditHelperClass = const TvxCustomFilterEditHelper*;

// Declares a filter helper class with its shared instance, Class().
#define DECLARE_FILTER_EDIT_HELPER(Cls, Parent) \
  DECLARE_CLASS(Cls, Parent)                    \
 public:                                        \
  static TvxFilterEditHelperClass Class() {     \
    static const Cls instance_;                 \
    return &instance_;                          \
  }

class TvxCustomFilterEditHelper : public TObject {
  DECLARE_FILTER_EDIT_HELPER(TvxCustomFilterEditHelper, TObject)
  // Clears OnButtonClick, OnChange, OnEditValueChanged and OnValidate.
  virtual void ClearPropertiesEvents(TvxCustomEditProperties* AProperties) const;
  // True: the filter editor keeps the column's default-values provider.
  virtual bool KeepsValuesProvider(TvxCustomEditProperties* AEditProperties) const;
  // False: the filter editor drops the column editor's buttons.
  virtual bool EditPropertiesHasButtons() const { return false; }
  virtual TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                                TvxValueTypeClass AValueTypeClass,
                                                                bool AExtendedSet = false) const;
  // AProperties become a copy of AEditProperties made fit for typing a filter value.
  virtual void InitializeProperties(TvxCustomEditProperties* AProperties, TvxCustomEditProperties* AEditProperties,
                                    bool AHasButtons) const;
  virtual bool IsValueValid(TvxValueTypeClass AValueTypeClass, Variant& AValue) const;
  // False: the filter compares edit values, not display texts.
  virtual bool UseDisplayValue() const { return false; }
  // The filter editor's properties from the column's.
  virtual void InitializeEdit(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties) const;
  // The editor class that types a filter value; none in the base.
  virtual TClass GetFilterEditClass() const { return nullptr; }
  // The editor's value and its text as the column shows it.
  virtual void GetFilterValue(TvxCustomEdit* AEdit, TvxCustomEditProperties* AEditProperties, Variant& V,
                              String& S) const;
  virtual void SetFilterValue(TvxCustomEdit*, TvxCustomEditProperties*, const Variant&) const {}
  // The list's unbound editor of the helper's editor class, set up for AEditProperties.
  TvxCustomEdit* GetFilterEdit(TvxCustomEditProperties* AEditProperties, TvxInplaceEditList* AInplaceEditList) const;
  // A new editor of the helper's editor class without owner, set up for AEditProperties.
  std::unique_ptr<TvxCustomEdit> CreateFilterEdit(TvxCustomEditProperties* AEditProperties) const;
};

// Maps a properties class to its helper. The key of a properties class is its parent
// class, so a helper serves every sibling and descendant of the registered class.
class TvxFilterEditsController : public TvxRegisteredClassList {
  DECLARE_CLASS(TvxFilterEditsController, TvxRegisteredClassList)
 public:
  void Register(TClass APropertiesClass, TvxFilterEditHelperClass AHelperClass);
  // Frees the process controller when its last pair goes.
  void Unregister(TClass APropertiesClass, TvxFilterEditHelperClass AHelperClass);
  TvxFilterEditHelperClass FindHelper(TClass APropertiesClass);
  static TClass GetKeyClass(TClass APropertiesClass);

 private:
  std::map<TClass, TvxFilterEditHelperClass> FHelpers;
};

// The process controller, created on first use.
TvxFilterEditsController* GetFilterEditsController();
// Whether the process controller exists (it goes with its last registration).
bool FilterEditsControllerExists();
