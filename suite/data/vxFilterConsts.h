// The resource strings of the filter product "TarvixDataFilter".
#pragma once

#include <functional>

#include "vdCore.h"

extern TResStringRec vxSFilterOperatorEqual;
extern TResStringRec vxSFilterOperatorNotEqual;
extern TResStringRec vxSFilterOperatorLess;
extern TResStringRec vxSFilterOperatorLessEqual;
extern TResStringRec vxSFilterOperatorGreater;
extern TResStringRec vxSFilterOperatorGreaterEqual;
extern TResStringRec vxSFilterOperatorLike;
extern TResStringRec vxSFilterOperatorNotLike;
extern TResStringRec vxSFilterOperatorBetween;
extern TResStringRec vxSFilterOperatorNotBetween;
extern TResStringRec vxSFilterOperatorInList;
extern TResStringRec vxSFilterOperatorNotInList;
extern TResStringRec vxSFilterOperatorYesterday;
extern TResStringRec vxSFilterOperatorToday;
extern TResStringRec vxSFilterOperatorTomorrow;
extern TResStringRec vxSFilterOperatorLast7Days;
extern TResStringRec vxSFilterOperatorLastWeek;
extern TResStringRec vxSFilterOperatorLast14Days;
extern TResStringRec vxSFilterOperatorLastTwoWeeks;
extern TResStringRec vxSFilterOperatorLast30Days;
extern TResStringRec vxSFilterOperatorLastMonth;
extern TResStringRec vxSFilterOperatorLastYear;
extern TResStringRec vxSFilterOperatorPast;
extern TResStringRec vxSFilterOperatorThisWeek;
extern TResStringRec vxSFilterOperatorThisMonth;
extern TResStringRec vxSFilterOperatorThisYear;
extern TResStringRec vxSFilterOperatorNext7Days;
extern TResStringRec vxSFilterOperatorNextWeek;
extern TResStringRec vxSFilterOperatorNext14Days;
extern TResStringRec vxSFilterOperatorNextTwoWeeks;
extern TResStringRec vxSFilterOperatorNext30Days;
extern TResStringRec vxSFilterOperatorNextMonth;
extern TResStringRec vxSFilterOperatorNextYear;
extern TResStringRec vxSFilterOperatorFuture;
extern TResStringRec vxSFilterAndCaption;
extern TResStringRec vxSFilterOrCaption;
extern TResStringRec vxSFilterNotCaption;
extern TResStringRec vxSFilterBlankCaption;
extern TResStringRec vxSFilterOperatorIsNull;
extern TResStringRec vxSFilterOperatorIsNotNull;
extern TResStringRec vxSFilterOperatorBeginsWith;
extern TResStringRec vxSFilterOperatorDoesNotBeginWith;
extern TResStringRec vxSFilterOperatorEndsWith;
extern TResStringRec vxSFilterOperatorDoesNotEndWith;
extern TResStringRec vxSFilterOperatorContains;
extern TResStringRec vxSFilterOperatorDoesNotContain;
extern TResStringRec vxSFilterBoxAllCaption;
extern TResStringRec vxSFilterBoxCustomCaption;
extern TResStringRec vxSFilterBoxBlanksCaption;
extern TResStringRec vxSFilterBoxNonBlanksCaption;

// How filter captions are read: while unset, the record's built-in text; the editors' start-up
// points it at the resource-string repository so that translations apply.
using TvxFilterGetResourceStringFunc = std::function<String(const TResStringRec*)>;
extern TvxFilterGetResourceStringFunc vxFilterGetResourceStringFunc;
String vxFilterGetResString(const TResStringRec* ARec);

extern const TUnitInfo vxFilterConstsUnit;
