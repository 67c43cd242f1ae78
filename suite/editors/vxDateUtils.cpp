#include "vxDateUtils.h"

#include "vxClasses.h"
#include "vxLibraryConsts.h"

namespace {

TResStringRec* const CSmartDateWords[vxSmartDateWordCount] = {
    &vxSDateToday,   &vxSDateYesterday, &vxSDateTomorrow, &vxSDateSunday, &vxSDateMonday,
    &vxSDateTuesday, &vxSDateWednesday, &vxSDateThursday, &vxSDateFriday, &vxSDateSaturday,
    &vxSDateFirst,   &vxSDateSecond,    &vxSDateThird,    &vxSDateFourth, &vxSDateFifth,
    &vxSDateSixth,   &vxSDateSeventh,   &vxSDateBOM,      &vxSDateEOM,    &vxSDateNow,
};

}  // namespace

TDay ReadLocaleStartOfWeek() {
  const String s = vxGetLocaleString(GetThreadLocale(), LOCALE_IFIRSTDAYOFWEEK, L"0");
  Integer v = 0;
  if (!s.empty() && s[0] >= L'0' && s[0] <= L'9') v = s[0] - L'0';
  const Integer day = (v + 1) % 7;
  return static_cast<TDay>(day);
}

String SmartDateWord(Integer AIndex) {
  if (AIndex < 0 || AIndex >= vxSmartDateWordCount) return String();
  return vxGetResString(CSmartDateWords[AIndex]);
}

String AddQuotedMaskText(const String& AText) {
  String result;
  String run;
  auto flush = [&] {
    if (!run.empty()) result += L"'" + run + L"'";
    run.clear();
  };
  for (wchar_t c : AText) {
    if (c == L'\'') {
      flush();
      result += L"\\'";
    } else {
      run += c;
    }
  }
  flush();
  return result;
}

String GetSmartDateInputMask(const String& AMask, bool AWithNow) {
  String result = L"(" + AMask + L")|(";
  const Integer last = AWithNow ? vxSmartDateNowIndex : vxSmartDateNowIndex - 1;
  for (Integer i = 0; i <= last; ++i) {
    if (i > 0) result += L"|";
    result += AddQuotedMaskText(SmartDateWord(i));
  }
  result += L")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
  return result;
}
