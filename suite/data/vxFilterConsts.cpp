#include "vxFilterConsts.h"

TResStringRec vxSFilterOperatorEqual(L"equals");
TResStringRec vxSFilterOperatorNotEqual(L"does not equal");
TResStringRec vxSFilterOperatorLess(L"is less than");
TResStringRec vxSFilterOperatorLessEqual(L"is less than or equal to");
TResStringRec vxSFilterOperatorGreater(L"is greater than");
TResStringRec vxSFilterOperatorGreaterEqual(L"is greater than or equal to");
TResStringRec vxSFilterOperatorLike(L"like");
TResStringRec vxSFilterOperatorNotLike(L"not like");
TResStringRec vxSFilterOperatorBetween(L"between");
TResStringRec vxSFilterOperatorNotBetween(L"not between");
TResStringRec vxSFilterOperatorInList(L"in");
TResStringRec vxSFilterOperatorNotInList(L"not in");
TResStringRec vxSFilterOperatorYesterday(L"is yesterday");
TResStringRec vxSFilterOperatorToday(L"is today");
TResStringRec vxSFilterOperatorTomorrow(L"is tomorrow");
TResStringRec vxSFilterOperatorLast7Days(L"is last 7 days");
TResStringRec vxSFilterOperatorLastWeek(L"is last week");
TResStringRec vxSFilterOperatorLast14Days(L"is last 14 days");
TResStringRec vxSFilterOperatorLastTwoWeeks(L"is last two weeks");
TResStringRec vxSFilterOperatorLast30Days(L"is last 30 days");
TResStringRec vxSFilterOperatorLastMonth(L"is last month");
TResStringRec vxSFilterOperatorLastYear(L"is last year");
TResStringRec vxSFilterOperatorPast(L"is past");
TResStringRec vxSFilterOperatorThisWeek(L"is this week");
TResStringRec vxSFilterOperatorThisMonth(L"is this month");
TResStringRec vxSFilterOperatorThisYear(L"is this year");
TResStringRec vxSFilterOperatorNext7Days(L"is next 7 days");
TResStringRec vxSFilterOperatorNextWeek(L"is next week");
TResStringRec vxSFilterOperatorNext14Days(L"is next 14 days");
TResStringRec vxSFilterOperatorNextTwoWeeks(L"is next two weeks");
TResStringRec vxSFilterOperatorNext30Days(L"is next 30 days");
TResStringRec vxSFilterOperatorNextMonth(L"is next month");
TResStringRec vxSFilterOperatorNextYear(L"is next year");
TResStringRec vxSFilterOperatorFuture(L"is future");
TResStringRec vxSFilterAndCaption(L"and");
TResStringRec vxSFilterOrCaption(L"or");
TResStringRec vxSFilterNotCaption(L"not");
TResStringRec vxSFilterBlankCaption(L"blank");
TResStringRec vxSFilterOperatorIsNull(L"is blank");
TResStringRec vxSFilterOperatorIsNotNull(L"is not blank");
TResStringRec vxSFilterOperatorBeginsWith(L"begins with");
TResStringRec vxSFilterOperatorDoesNotBeginWith(L"does not begin with");
TResStringRec vxSFilterOperatorEndsWith(L"ends with");
TResStringRec vxSFilterOperatorDoesNotEndWith(L"does not end with");
TResStringRec vxSFilterOperatorContains(L"contains");
TResStringRec vxSFilterOperatorDoesNotContain(L"does not contain");
TResStringRec vxSFilterBoxAllCaption(L"(All)");
TResStringRec vxSFilterBoxCustomCaption(L"(Custom...)");
TResStringRec vxSFilterBoxBlanksCaption(L"(Blanks)");
TResStringRec vxSFilterBoxNonBlanksCaption(L"(NonBlanks)");

TvxFilterGetResourceStringFunc vxFilterGetResourceStringFunc;

String vxFilterGetResString(const TResStringRec* ARec) {
  if (vxFilterGetResourceStringFunc) return vxFilterGetResourceStringFunc(ARec);
  return ARec->Text;
}

namespace {

// Registration order: the operators first, then the captions.
const TvdResourceStringEntry GFilterConstsEntries[] = {
    {L"vxSFilterOperatorEqual", &vxSFilterOperatorEqual, L"equals"},
    {L"vxSFilterOperatorNotEqual", &vxSFilterOperatorNotEqual, L"does not equal"},
    {L"vxSFilterOperatorLess", &vxSFilterOperatorLess, L"is less than"},
    {L"vxSFilterOperatorLessEqual", &vxSFilterOperatorLessEqual, L"is less than or equal to"},
    {L"vxSFilterOperatorGreater", &vxSFilterOperatorGreater, L"is greater than"},
    {L"vxSFilterOperatorGreaterEqual", &vxSFilterOperatorGreaterEqual, L"is greater than or equal to"},
    {L"vxSFilterOperatorLike", &vxSFilterOperatorLike, L"like"},
    {L"vxSFilterOperatorNotLike", &vxSFilterOperatorNotLike, L"not like"},
    {L"vxSFilterOperatorBetween", &vxSFilterOperatorBetween, L"between"},
    {L"vxSFilterOperatorNotBetween", &vxSFilterOperatorNotBetween, L"not between"},
    {L"vxSFilterOperatorInList", &vxSFilterOperatorInList, L"in"},
    {L"vxSFilterOperatorNotInList", &vxSFilterOperatorNotInList, L"not in"},
    {L"vxSFilterOperatorYesterday", &vxSFilterOperatorYesterday, L"is yesterday"},
    {L"vxSFilterOperatorToday", &vxSFilterOperatorToday, L"is today"},
    {L"vxSFilterOperatorTomorrow", &vxSFilterOperatorTomorrow, L"is tomorrow"},
    {L"vxSFilterOperatorLast7Days", &vxSFilterOperatorLast7Days, L"is last 7 days"},
    {L"vxSFilterOperatorLastWeek", &vxSFilterOperatorLastWeek, L"is last week"},
    {L"vxSFilterOperatorLast14Days", &vxSFilterOperatorLast14Days, L"is last 14 days"},
    {L"vxSFilterOperatorLastTwoWeeks", &vxSFilterOperatorLastTwoWeeks, L"is last two weeks"},
    {L"vxSFilterOperatorLast30Days", &vxSFilterOperatorLast30Days, L"is last 30 days"},
    {L"vxSFilterOperatorLastMonth", &vxSFilterOperatorLastMonth, L"is last month"},
    {L"vxSFilterOperatorLastYear", &vxSFilterOperatorLastYear, L"is last year"},
    {L"vxSFilterOperatorPast", &vxSFilterOperatorPast, L"is past"},
    {L"vxSFilterOperatorThisWeek", &vxSFilterOperatorThisWeek, L"is this week"},
    {L"vxSFilterOperatorThisMonth", &vxSFilterOperatorThisMonth, L"is this month"},
    {L"vxSFilterOperatorThisYear", &vxSFilterOperatorThisYear, L"is this year"},
    {L"vxSFilterOperatorNext7Days", &vxSFilterOperatorNext7Days, L"is next 7 days"},
    {L"vxSFilterOperatorNextWeek", &vxSFilterOperatorNextWeek, L"is next week"},
    {L"vxSFilterOperatorNext14Days", &vxSFilterOperatorNext14Days, L"is next 14 days"},
    {L"vxSFilterOperatorNextTwoWeeks", &vxSFilterOperatorNextTwoWeeks, L"is next two weeks"},
    {L"vxSFilterOperatorNext30Days", &vxSFilterOperatorNext30Days, L"is next 30 days"},
    {L"vxSFilterOperatorNextMonth", &vxSFilterOperatorNextMonth, L"is next month"},
    {L"vxSFilterOperatorNextYear", &vxSFilterOperatorNextYear, L"is next year"},
    {L"vxSFilterOperatorFuture", &vxSFilterOperatorFuture, L"is future"},
    {L"vxSFilterAndCaption", &vxSFilterAndCaption, L"and"},
    {L"vxSFilterOrCaption", &vxSFilterOrCaption, L"or"},
    {L"vxSFilterNotCaption", &vxSFilterNotCaption, L"not"},
    {L"vxSFilterBlankCaption", &vxSFilterBlankCaption, L"blank"},
    {L"vxSFilterOperatorIsNull", &vxSFilterOperatorIsNull, L"is blank"},
    {L"vxSFilterOperatorIsNotNull", &vxSFilterOperatorIsNotNull, L"is not blank"},
    {L"vxSFilterOperatorBeginsWith", &vxSFilterOperatorBeginsWith, L"begins with"},
    {L"vxSFilterOperatorDoesNotBeginWith", &vxSFilterOperatorDoesNotBeginWith, L"does not begin with"},
    {L"vxSFilterOperatorEndsWith", &vxSFilterOperatorEndsWith, L"ends with"},
    {L"vxSFilterOperatorDoesNotEndWith", &vxSFilterOperatorDoesNotEndWith, L"does not end with"},
    {L"vxSFilterOperatorContains", &vxSFilterOperatorContains, L"contains"},
    {L"vxSFilterOperatorDoesNotContain", &vxSFilterOperatorDoesNotContain, L"does not contain"},
    {L"vxSFilterBoxAllCaption", &vxSFilterBoxAllCaption, L"(All)"},
    {L"vxSFilterBoxCustomCaption", &vxSFilterBoxCustomCaption, L"(Custom...)"},
    {L"vxSFilterBoxBlanksCaption", &vxSFilterBoxBlanksCaption, L"(Blanks)"},
    {L"vxSFilterBoxNonBlanksCaption", &vxSFilterBoxNonBlanksCaption, L"(NonBlanks)"},
};

const wchar_t* const CFilterConstsProductName = L"TarvixDataFilter";

void InitFilterConsts() { vdRegisterResourceStrings(CFilterConstsProductName, GFilterConstsEntries); }

void FinFilterConsts() { vdUnregisterResourceStrings(CFilterConstsProductName, GFilterConstsEntries); }

}  // namespace

const TUnitInfo vxFilterConstsUnit = {L"vxFilterConsts", InitFilterConsts, FinFilterConsts};
