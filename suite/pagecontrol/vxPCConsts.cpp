#include "vxPCConsts.h"

TResStringRec svxPCImageListIndexError(L"Index (%d) must be between 0 and %d");
TResStringRec svxPCNoBaseImages(L"BaseImages is not assigned");
TResStringRec svxPCNoRegisteredStyles(L"There are no styles registered");
TResStringRec svxPCPageIndexError(L"%d is an invalid PageIndex value.  PageIndex must be between 0 and %d");
TResStringRec svxPCPainterClassError(L"PCPainterClass is nil");
TResStringRec svxPCStandardStyleError(L"%s is an unsupported standard style");
TResStringRec svxPCStyleNameError(L"%s is an unregistered style name");
TResStringRec svxPCTabCountEqualsZero(L"Tabs.Count = 0");
TResStringRec svxPCTabIndexError(L"Tab's index (%d) out of bounds");
TResStringRec svxPCTabVisibleIndexOutsOfBounds(L"TabVisibleIndex (%d) must be between 0 and %d");
TResStringRec svxPCVisibleTabListEmpty(L"There are no visible tabs");
TResStringRec svxPCAllowRotateError(L"%s style does not support rotation of tabs");

namespace {

using TEntry = TvdResourceStringEntry;

// Registration order of the product's strings.
const TEntry GPCConstsEntries[] = {
    {L"svxPCImageListIndexError", &svxPCImageListIndexError, L"Index (%d) must be between 0 and %d"},
    {L"svxPCNoBaseImages", &svxPCNoBaseImages, L"BaseImages is not assigned"},
    {L"svxPCNoRegisteredStyles", &svxPCNoRegisteredStyles, L"There are no styles registered"},
    {L"svxPCPageIndexError", &svxPCPageIndexError,
     L"%d is an invalid PageIndex value.  PageIndex must be between 0 and %d"},
    {L"svxPCPainterClassError", &svxPCPainterClassError, L"PCPainterClass is nil"},
    {L"svxPCStandardStyleError", &svxPCStandardStyleError, L"%s is an unsupported standard style"},
    {L"svxPCStyleNameError", &svxPCStyleNameError, L"%s is an unregistered style name"},
    {L"svxPCTabCountEqualsZero", &svxPCTabCountEqualsZero, L"Tabs.Count = 0"},
    {L"svxPCTabIndexError", &svxPCTabIndexError, L"Tab's index (%d) out of bounds"},
    {L"svxPCTabVisibleIndexOutsOfBounds", &svxPCTabVisibleIndexOutsOfBounds,
     L"TabVisibleIndex (%d) must be between 0 and %d"},
    {L"svxPCVisibleTabListEmpty", &svxPCVisibleTabListEmpty, L"There are no visible tabs"},
    {L"svxPCAllowRotateError", &svxPCAllowRotateError, L"%s style does not support rotation of tabs"},
};

const wchar_t* const CPCConstsProductName = L"TarvixPageControl";

void InitPCConsts() { vdRegisterResourceStrings(CPCConstsProductName, GPCConstsEntries); }

void FinPCConsts() { vdUnregisterResourceStrings(CPCConstsProductName, GPCConstsEntries); }

}  // namespace

const TUnitInfo vxPCConstsUnit = {L"vxPCConsts", InitPCConsts, FinPCConsts};
