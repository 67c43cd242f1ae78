#include "vxLibraryConsts.h"

TResStringRec svxCantCreateRegistryKey(L"Can't create the registry key: \\%s");
TResStringRec svxCantOpenRegistryKey(L"Can't open the registry key: \\%s");
TResStringRec svxErrorStoreObject(L"Error store %s object");
TResStringRec svxConverterCantCreateStyleRepository(L"Can't create the Style Repository");
TResStringRec vxSDateToday(L"today");
TResStringRec vxSDateYesterday(L"yesterday");
TResStringRec vxSDateTomorrow(L"tomorrow");
TResStringRec vxSDateSunday(L"Sunday");
TResStringRec vxSDateMonday(L"Monday");
TResStringRec vxSDateTuesday(L"Tuesday");
TResStringRec vxSDateWednesday(L"Wednesday");
TResStringRec vxSDateThursday(L"Thursday");
TResStringRec vxSDateFriday(L"Friday");
TResStringRec vxSDateSaturday(L"Saturday");
TResStringRec vxSDateFirst(L"first");
TResStringRec vxSDateSecond(L"second");
TResStringRec vxSDateThird(L"third");
TResStringRec vxSDateFourth(L"fourth");
TResStringRec vxSDateFifth(L"fifth");
TResStringRec vxSDateSixth(L"sixth");
TResStringRec vxSDateSeventh(L"seventh");
TResStringRec vxSDateBOM(L"bom");
TResStringRec vxSDateEOM(L"eom");
TResStringRec vxSDateNow(L"now");

namespace {

using TEntry = TvdResourceStringEntry;

const TEntry GLibraryConstsEntries[] = {
    {L"svxCantCreateRegistryKey", &svxCantCreateRegistryKey, L"Can't create the registry key: \\%s"},
    {L"svxCantOpenRegistryKey", &svxCantOpenRegistryKey, L"Can't open the registry key: \\%s"},
    {L"svxErrorStoreObject", &svxErrorStoreObject, L"Error store %s object"},
    {L"svxConverterCantCreateStyleRepository", &svxConverterCantCreateStyleRepository,
     L"Can't create the Style Repository"},
    {L"vxSDateToday", &vxSDateToday, L"today"},
    {L"vxSDateYesterday", &vxSDateYesterday, L"yesterday"},
    {L"vxSDateTomorrow", &vxSDateTomorrow, L"tomorrow"},
    {L"vxSDateSunday", &vxSDateSunday, L"Sunday"},
    {L"vxSDateMonday", &vxSDateMonday, L"Monday"},
    {L"vxSDateTuesday", &vxSDateTuesday, L"Tuesday"},
    {L"vxSDateWednesday", &vxSDateWednesday, L"Wednesday"},
    {L"vxSDateThursday", &vxSDateThursday, L"Thursday"},
    {L"vxSDateFriday", &vxSDateFriday, L"Friday"},
    {L"vxSDateSaturday", &vxSDateSaturday, L"Saturday"},
    {L"vxSDateFirst", &vxSDateFirst, L"first"},
    {L"vxSDateSecond", &vxSDateSecond, L"second"},
    {L"vxSDateThird", &vxSDateThird, L"third"},
    {L"vxSDateFourth", &vxSDateFourth, L"fourth"},
    {L"vxSDateFifth", &vxSDateFifth, L"fifth"},
    {L"vxSDateSixth", &vxSDateSixth, L"sixth"},
    {L"vxSDateSeventh", &vxSDateSeventh, L"seventh"},
    {L"vxSDateBOM", &vxSDateBOM, L"bom"},
    {L"vxSDateEOM", &vxSDateEOM, L"eom"},
    {L"vxSDateNow", &vxSDateNow, L"now"},
};

const wchar_t* const CLibraryConstsProductName = L"TarvixLibrary";

void InitLibraryConsts() { vdRegisterResourceStrings(CLibraryConstsProductName, GLibraryConstsEntries); }

void FinLibraryConsts() { vdUnregisterResourceStrings(CLibraryConstsProductName, GLibraryConstsEntries); }

}  // namespace

const TUnitInfo vxLibraryConstsUnit = {L"vxLibraryConsts", InitLibraryConsts, FinLibraryConsts};
