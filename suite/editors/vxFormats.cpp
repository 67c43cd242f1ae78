#include "vxFormats.h"

#include <algorithm>

#include "Forms.h"
#include "vxControls.h"

// The controller's hidden top-level window: broadcasts of regional-settings and time
// changes reach it and go to the controller's WindowProcedure.
class TvxFormatControllerWindow : public TvxMessageWindow {
  DECLARE_CLASS(TvxFormatControllerWindow, TvxMessageWindow)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxFormatControllerWindow(TvxFormatController* AController) : FController(AController) {}

 private:
  void WMSettingsOrTimeChange(TMessage& Message) { FController->WindowProcedure(Message); }
  TvxFormatController* FController;
};

const TMessageMap* TvxFormatControllerWindow::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_WININICHANGE, MessageHandler<&TvxFormatControllerWindow::WMSettingsOrTimeChange>},
      {WM_TIMECHANGE, MessageHandler<&TvxFormatControllerWindow::WMSettingsOrTimeChange>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

namespace {

TvxFormatController* FFormatController = nullptr;
bool FFormatsFinalized = false;

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; }

// A literal inside single quotes, with an apostrophe written twice so that the text
// still ends where it should.
String QuoteLiteral(const String& AText) {
  String result = L"'";
  for (wchar_t c : AText) {
    result += c;
    if (c == L'\'') result += L'\'';
  }
  return result + L"'";
}

bool StartsWithText(const String& S, std::size_t APos, const wchar_t* AText) {
  const std::size_t n = wcslen(AText);
  if (APos + n > S.size()) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (UpperAscii(S[APos + i]) != AText[i]) return false;
  return true;
}

struct TParseState {
  TvxDateTimeFormatInfo* Info;
  bool HourSeen = false;
  bool TimeSuffixSeen = false;
  bool FarEast = false;
};

void AddFormatItem(TParseState& AState, TvxDateTimeFormatItemKind AKind, const String& AData) {
  TvxDateTimeFormatInfo& info = *AState.Info;
  const bool always = AKind == dtikString || AKind == dtikDateSeparator || AKind == dtikTimeSeparator;
  if (always || !info.DefinedItems[AKind]) info.Items.push_back(TvxDateTimeFormatItem{AKind, AData});
  info.DefinedItems[AKind] = true;
}

void AddLiteral(TParseState& AState, const String& AText) {
  if (AText.empty()) return;
  TvxDateTimeFormatInfo& info = *AState.Info;
  if (!info.Items.empty() && info.Items.back().Kind == dtikString)
    info.Items.back().Data += AText;
  else
    AddFormatItem(AState, dtikString, AText);
}

bool ParseDateTimeFormat(TParseState& AState, const String& AFormat, Integer ADepth) {
  if (ADepth >= 2) return true;
  const std::size_t n = AFormat.size();
  std::size_t i = 0;
  wchar_t lastLetter = 0;
  while (i < n) {
    const wchar_t c = AFormat[i];
    if (AState.FarEast && c < 256 && IsDBCSLeadByte(static_cast<BYTE>(c))) {
      AddLiteral(AState, AFormat.substr(i, 2));
      i += std::min<std::size_t>(2, n - i);
      lastLetter = 0;
      continue;
    }
    wchar_t u = UpperAscii(c);
    if (u == L'M' && lastLetter == L'H') u = L'N';
    std::size_t run = 1;
    while (i + run < n && AFormat[i + run] == c) ++run;
    if (IsAsciiLetter(c)) lastLetter = u;
    switch (u) {
      case L'"':
      case L'\'': {
        const std::size_t close = AFormat.find(c, i + 1);
        const std::size_t end = close == String::npos ? n : close;
        AddLiteral(AState, AFormat.substr(i + 1, end - i - 1));
        i = close == String::npos ? n : close + 1;
        continue;
      }
      case L'/':
        AddFormatItem(AState, dtikDateSeparator, L"/");
        ++i;
        continue;
      case L':':
        AddFormatItem(AState, dtikTimeSeparator, L":");
        ++i;
        continue;
      case L'A':
        if (StartsWithText(AFormat, i, L"AM/PM")) {
          AddFormatItem(AState, dtikTimeSuffix, AFormat.substr(i, 5));
          AState.TimeSuffixSeen = true;
          i += 5;
        } else if (StartsWithText(AFormat, i, L"A/P")) {
          AddFormatItem(AState, dtikTimeSuffix, AFormat.substr(i, 3));
          AState.TimeSuffixSeen = true;
          i += 3;
        } else if (StartsWithText(AFormat, i, L"AMPM")) {
          AddFormatItem(AState, dtikTimeSuffix, L"AMPM");
          AState.TimeSuffixSeen = true;
          i += 4;
        } else if (StartsWithText(AFormat, i, L"AAAA")) {
          AddFormatItem(AState, dtikDay, L"DDDD");
          i += 4;
        } else if (StartsWithText(AFormat, i, L"AAA")) {
          AddFormatItem(AState, dtikDay, L"DDD");
          i += 3;
        } else {
          AddLiteral(AState, String(1, c));
          ++i;
        }
        continue;
      case L'C':
        i += run;
        if (!ParseDateTimeFormat(AState, FormatSettings.ShortDateFormat, ADepth + 1)) return false;
        AddLiteral(AState, L" ");
        if (!ParseDateTimeFormat(AState, FormatSettings.LongTimeFormat, ADepth + 1)) return false;
        continue;
      case L'D':
        i += run;
        if (run <= 4) {
          AddFormatItem(AState, dtikDay, String(run, L'D'));
        } else if (!ParseDateTimeFormat(
                       AState, run == 5 ? FormatSettings.ShortDateFormat : FormatSettings.LongDateFormat, ADepth + 1)) {
          return false;
        }
        continue;
      case L'E':
      case L'Y':
        AddFormatItem(AState, dtikYear, run > 2 ? L"YYYY" : L"YY");
        i += run;
        continue;
      case L'G':
        return false;
      case L'H':
        AddFormatItem(AState, dtikHour, String(std::min<std::size_t>(run, 2), L'H'));
        AState.HourSeen = true;
        i += run;
        continue;
      case L'M':
        AddFormatItem(AState, dtikMonth, String(std::min<std::size_t>(run, 4), L'M'));
        i += run;
        continue;
      case L'N':
        AddFormatItem(AState, dtikMin, String(std::min<std::size_t>(run, 2), L'N'));
        i += run;
        continue;
      case L'S':
        AddFormatItem(AState, dtikSec, String(std::min<std::size_t>(run, 2), L'S'));
        i += run;
        continue;
      case L'Z':
        AddFormatItem(AState, dtikMSec, String(std::min<std::size_t>(run, 3), L'Z'));
        i += run;
        continue;
      case L'T':
        i += run;
        if (!ParseDateTimeFormat(AState, run == 1 ? FormatSettings.ShortTimeFormat : FormatSettings.LongTimeFormat,
                                 ADepth + 1))
          return false;
        continue;
      default:
        AddLiteral(AState, String(1, c));
        ++i;
        continue;
    }
  }
  return true;
}

bool IsDateKind(TvxDateTimeFormatItemKind AKind) {
  return AKind == dtikYear || AKind == dtikMonth || AKind == dtikDay || AKind == dtikDateSeparator;
}

bool IsTimeKind(TvxDateTimeFormatItemKind AKind) {
  return AKind == dtikHour || AKind == dtikMin || AKind == dtikSec || AKind == dtikMSec || AKind == dtikTimeSuffix ||
         AKind == dtikTimeSeparator;
}

Integer LongerAmPmLength() {
  return static_cast<Integer>(std::max(FormatSettings.TimeAMString.size(), FormatSettings.TimePMString.size()));
}

Integer GetFormatItemZoneLength(const TvxDateTimeFormatItem& AItem) {
  switch (AItem.Kind) {
    case dtikString:
      return static_cast<Integer>(AItem.Data.size());
    case dtikYear:
      return AItem.Data.size() == 2 ? 2 : 4;
    case dtikMonth:
    case dtikDay:
      return AItem.Data.size() > 2 ? 3 : 2;
    case dtikHour:
    case dtikMin:
    case dtikSec:
      return 2;
    case dtikTimeSuffix: {
      const String d = UpperCase(AItem.Data);
      if (d == L"A/P") return 1;
      if (d == L"AM/PM") return 2;
      return LongerAmPmLength();
    }
    case dtikDateSeparator:
    case dtikTimeSeparator:
      return 1;
    case dtikMSec:
      return 0;
  }
  return 0;
}

String SeparatorExpr(wchar_t ASeparator) {
  if (ASeparator == 0) return String();
  if (ASeparator == L' ') return L"' '";
  return String(L"\\") + ASeparator;
}

String MonthNamesExpr(bool ALong) {
  String result;
  for (Integer m = 1; m <= 12; ++m) {  // the name arrays count months from 1
    if (m > 1) result += L"|";
    result += QuoteLiteral(ALong ? FormatSettings.LongMonthNames[m] : FormatSettings.ShortMonthNames[m]);
  }
  return result;
}

}  // namespace

// --- Builders ---------------------------------------------------------------------------------

String vxBuildCurrencyFormat(const TFormatSettings& ASettings) {
  const String n = L",0." + String(ASettings.CurrencyDecimals, L'0');
  String s;
  for (wchar_t c : ASettings.CurrencyString) {
    if (c == L',' || c == L'.')
      s += String(L"'") + c + L"'";
    else
      s += c;
  }
  String positive;
  switch (ASettings.CurrencyFormat) {
    case 0:
      positive = s + n;
      break;
    case 1:
      positive = n + s;
      break;
    case 2:
      positive = s + L" " + n;
      break;
    default:
      positive = n + L" " + s;
      break;
  }
  String negative;
  switch (ASettings.NegCurrFormat) {
    case 0:
      negative = L"(" + s + n + L")";
      break;
    case 1:
      negative = L"-" + s + n;
      break;
    case 2:
      negative = s + L"-" + n;
      break;
    case 3:
      negative = s + n + L"-";
      break;
    case 4:
      negative = L"(" + n + s + L")";
      break;
    case 5:
      negative = L"-" + n + s;
      break;
    case 6:
      negative = n + L"-" + s;
      break;
    case 7:
      negative = n + s + L"-";
      break;
    case 8:
      negative = L"-" + n + L" " + s;
      break;
    case 9:
      negative = L"-" + s + L" " + n;
      break;
    case 10:
      negative = n + L" " + s + L"-";
      break;
    case 11:
      negative = s + L" " + n + L"-";
      break;
    case 12:
      negative = s + L" -" + n;
      break;
    case 13:
      negative = n + L"- " + s;
      break;
    case 14:
      negative = L"(" + s + L" " + n + L")";
      break;
    case 15:
      negative = L"(" + n + L" " + s + L")";
      break;
    default:
      break;
  }
  return positive + L";" + negative;
}

String vxBuildDateEditFormat(const String& AShortDateFormat) {
  String result;
  const std::size_t n = AShortDateFormat.size();
  for (std::size_t i = 0; i < n; ++i) {
    const wchar_t c = AShortDateFormat[i];
    if (c == L'd' || c == L'M') {
      const bool lone = (i == 0 || AShortDateFormat[i - 1] != c) && (i + 1 >= n || AShortDateFormat[i + 1] != c);
      result += c;
      if (lone) result += c;
    } else {
      result += c;
    }
  }
  return result;
}

String vxBuildStandardMask(const TvxDateTimeFormatInfo& AFormatInfo, TvxStandardMaskKind AKind) {
  if (AFormatInfo.Items.empty()) return String();
  String result = AKind == smkTime ? L"" : L"!";
  for (const TvxDateTimeFormatItem& item : AFormatInfo.Items) {
    switch (item.Kind) {
      case dtikString:
        for (wchar_t c : item.Data) result += String(L"\\") + c;
        break;
      case dtikYear:
        result += item.Data.size() == 2 ? L"99" : L"9999";
        break;
      case dtikMonth:
      case dtikDay:
        result += item.Data.size() > 2 ? L"lll" : L"99";
        break;
      case dtikHour:
      case dtikMin:
      case dtikSec:
        result += AKind == smkTime ? L"00" : L"99";
        break;
      case dtikMSec:
        break;
      case dtikTimeSuffix:
        result += String(GetFormatItemZoneLength(item), L'c');
        break;
      case dtikDateSeparator:
        result += L"/";
        break;
      case dtikTimeSeparator:
        result += L":";
        break;
    }
  }
  return result + (AKind == smkTime ? L";1;0" : L";1; ");
}

String vxBuildRegExprMask(const TvxDateTimeFormatInfo& AFormatInfo, bool ADateItems) {
  String result;
  for (const TvxDateTimeFormatItem& item : AFormatInfo.Items) {
    if (item.Kind == dtikString) {
      result += QuoteLiteral(item.Data);
      continue;
    }
    if (ADateItems ? !IsDateKind(item.Kind) : !IsTimeKind(item.Kind)) continue;
    switch (item.Kind) {
      case dtikYear:
        result += item.Data.size() == 2 ? L"\\d\\d" : L"\\d\\d\\d\\d";
        break;
      case dtikMonth:
        result += L"((0?[1-9]|1[012])|(" + MonthNamesExpr(item.Data == L"MMMM") + L"))";
        break;
      case dtikDay:
        result += L"([012]?[1-9]|[123]0|31)";
        break;
      case dtikDateSeparator:
        result += SeparatorExpr(FormatSettings.DateSeparator);
        break;
      case dtikHour:
        result += item.Data.rfind(L"12", 0) == 0 ? L"(0?[1-9]|1[012])" : L"([01]?\\d|2[0-3])";
        break;
      case dtikMin:
      case dtikSec:
        result += L"[0-5]?\\d";
        break;
      case dtikTimeSuffix: {
        const String d = UpperCase(item.Data);
        if (d == L"A/P") {
          result += L"(A|P)?";
        } else if (d == L"AM/PM") {
          result += L"(AM|PM)?";
        } else {
          const String& am = FormatSettings.TimeAMString;
          const String& pm = FormatSettings.TimePMString;
          if (!am.empty() && !pm.empty())
            result += L"(" + QuoteLiteral(am) + L"|" + QuoteLiteral(pm) + L")?";
          else if (!am.empty() || !pm.empty())
            result += L"(" + QuoteLiteral(am.empty() ? pm : am) + L")?";
        }
        break;
      }
      case dtikTimeSeparator:
        result += SeparatorExpr(FormatSettings.TimeSeparator);
        break;
      default:
        break;
    }
  }
  return result;
}

String vxBuildMaskedEditFormat(const TvxDateTimeFormatInfo& AFormatInfo) {
  String result;
  for (const TvxDateTimeFormatItem& item : AFormatInfo.Items) {
    switch (item.Kind) {
      case dtikString:
        result += QuoteLiteral(item.Data);
        break;
      case dtikYear:
      case dtikTimeSuffix:
        result += LowerCase(item.Data);
        break;
      case dtikMonth:
        result += item.Data.size() > 2 ? L"mmm" : L"mm";
        break;
      case dtikDay:
        result += item.Data.size() > 2 ? L"ddd" : L"dd";
        break;
      case dtikHour:
        result += L"hh";
        break;
      case dtikMin:
        result += L"nn";
        break;
      case dtikSec:
        result += L"ss";
        break;
      case dtikDateSeparator:
        result += L"/";
        break;
      case dtikTimeSeparator:
        result += L":";
        break;
      case dtikMSec:
        break;
    }
  }
  return result;
}

// --- TvxFormatController ----------------------------------------------------------------------

TvxFormatController::TvxFormatController() {
  GetFormats();
  vdGetResourceStringsRepository()->AddListener(this);
}

TvxFormatController::~TvxFormatController() {
  vdGetResourceStringsRepository()->RemoveListener(this);
  FWindow.reset();
  if (FFormatController == this) FFormatController = nullptr;
}

HWND TvxFormatController::WindowHandle() const { return FWindow ? FWindow->Handle() : nullptr; }

void TvxFormatController::WindowProcedure(TMessage& Message) {
  switch (Message.Msg) {
    case WM_WININICHANGE: {
      const auto* section = reinterpret_cast<const wchar_t*>(Message.LParam);
      if (Message.WParam == 0 && section && wcscmp(section, L"intl") == 0) {
        GetFormatSettings();
        GetFormats();
        NotifyListeners();
      }
      Message.Result = 0;
      break;
    }
    case WM_TIMECHANGE:
      NotifyTimeChanged();
      Message.Result = 0;
      break;
    default:
      Message.Result = DefWindowProcW(WindowHandle(), Message.Msg, Message.WParam, Message.LParam);
      break;
  }
}

void TvxFormatController::AddListener(IvxFormatControllerListener* AListener) {
  if (!AListener || std::find(FList.begin(), FList.end(), AListener) != FList.end()) return;
  if (FList.empty()) FWindow = std::make_unique<TvxFormatControllerWindow>(this);
  FList.push_back(AListener);
}

void TvxFormatController::RemoveListener(IvxFormatControllerListener* AListener) {
  auto it = std::find(FList.begin(), FList.end(), AListener);
  if (it == FList.end()) return;
  FList.erase(it);
  if (FList.empty()) FWindow.reset();
}

void TvxFormatController::BeginUpdate() { ++FLockCount; }

void TvxFormatController::EndUpdate() {
  if (FLockCount <= 0) return;
  if (--FLockCount == 0) NotifyListeners();
}

void TvxFormatController::NotifyListeners() {
  // A listener may remove itself while being told.
  const std::vector<IvxFormatControllerListener*> listeners = FList;
  for (IvxFormatControllerListener* l : listeners)
    if (std::find(FList.begin(), FList.end(), l) != FList.end()) l->FormatChanged();
}

void TvxFormatController::NotifyTimeChanged() {
  const std::vector<IvxFormatControllerListener*> listeners = FList;
  for (IvxFormatControllerListener* l : listeners)
    if (auto* t = dynamic_cast<IvxFormatControllerTimeListener*>(l)) t->TimeChanged();
}

void TvxFormatController::FormatsChanged() {
  if (FLockCount > 0) return;
  GetFormats();
  NotifyListeners();
}

void TvxFormatController::SetFlag(bool& AField, bool Value) {
  if (AField == Value) return;
  AField = Value;
  FormatsChanged();
}

void TvxFormatController::SetAssignedString(bool& AAssigned, String& AField, const String& Value) {
  AAssigned = true;
  if (AField == Value) return;
  AField = Value;
  FormatsChanged();
}

void TvxFormatController::SetFirstWeekOfYear(TvxFirstWeekOfYear Value) {
  if (FFirstWeekOfYear == Value) return;
  FFirstWeekOfYear = Value;
  FormatsChanged();
}

void TvxFormatController::SetStartOfWeek(TDayOfWeek Value) {
  FAssignedStartOfWeek = true;
  if (FStartOfWeek == Value) return;
  FStartOfWeek = Value;
  FormatsChanged();
}

void TvxFormatController::GetFormats() {
  if (!FFormatController) FFormatController = this;
  if (!FAssignedCurrencyFormat) FCurrencyFormat = vxBuildCurrencyFormat(FormatSettings);
  if (!FAssignedStartOfWeek) FStartOfWeek = ReadLocaleStartOfWeek();
  FDateEditFormat = vxBuildDateEditFormat(FormatSettings.ShortDateFormat);
  UpdateDateTimeMasks(true);
}

void TvxFormatController::UpdateDateTimeMasks(bool AWithSmartDateAlternatives) {
  AnalyzeDateTimeFormat(FormatSettings.ShortDateFormat, FDateFormatInfo);
  AnalyzeDateTimeFormat(FormatSettings.LongTimeFormat, FTimeFormatInfo);
  AnalyzeDateTimeFormat(FormatSettings.ShortDateFormat + L" " + FormatSettings.LongTimeFormat, FDateTimeFormatInfo);
  FDateEditMask = vxBuildStandardMask(FDateFormatInfo, smkDate);
  if (!FAssignedStandardDateEditMask) FStandardDateEditMask = FDateEditMask;
  const String dateExpr = vxBuildRegExprMask(FDateFormatInfo, true);
  if (!FAssignedRegExprDateEditMask)
    FRegExprDateEditMask = AWithSmartDateAlternatives ? GetSmartDateInputMask(dateExpr, false) : dateExpr;
  if (!FAssignedRegExprDateTimeEditMask) {
    const String expr = dateExpr + L"' '(" + vxBuildRegExprMask(FTimeFormatInfo, false) + L")?";
    FRegExprDateTimeEditMask = AWithSmartDateAlternatives ? GetSmartDateInputMask(expr, true) : expr;
  }
  if (!FAssignedStandardDateTimeEditMask)
    FStandardDateTimeEditMask = vxBuildStandardMask(FDateTimeFormatInfo, smkDateTime);
  FMaskedDateEditFormat = vxBuildMaskedEditFormat(FDateFormatInfo);
  FMaskedDateTimeEditFormat = vxBuildMaskedEditFormat(FDateTimeFormatInfo);
}

void TvxFormatController::AnalyzeDateTimeFormat(const String& AFormat, TvxDateTimeFormatInfo& AFormatInfo) {
  AFormatInfo = TvxDateTimeFormatInfo{};
  TParseState state{&AFormatInfo};
  state.FarEast = GetSystemMetrics(SM_DBCSENABLED) != 0;
  if (!ParseDateTimeFormat(state, AFormat.empty() ? String(L"C") : AFormat, 0)) {
    AFormatInfo = TvxDateTimeFormatInfo{};
    return;
  }
  auto& items = AFormatInfo.Items;
  if (AFormatInfo.DefinedItems[dtikHour]) {
    for (auto& item : items)
      if (item.Kind == dtikHour) item.Data = (state.TimeSuffixSeen ? L"12" : L"24") + item.Data;
  } else if (AFormatInfo.DefinedItems[dtikTimeSuffix]) {
    AFormatInfo.DefinedItems[dtikTimeSuffix] = false;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [](const TvxDateTimeFormatItem& i) { return i.Kind == dtikTimeSuffix; }),
                items.end());
  }
}

bool TvxFormatController::GetDateTimeFormatItemStandardMaskInfo(const TvxDateTimeFormatInfo& AFormatInfo, Integer APos,
                                                                TvxDateTimeFormatItemInfo& AItemInfo) {
  if (APos < 1 || AFormatInfo.Items.empty()) return false;
  Integer start = 1;
  for (const TvxDateTimeFormatItem& item : AFormatInfo.Items) {
    const Integer len = GetFormatItemZoneLength(item);
    if (start + len > APos) {
      AItemInfo.Kind = item.Kind;
      AItemInfo.ItemZoneStart = start;
      AItemInfo.ItemZoneLength = len;
      if (item.Kind == dtikTimeSuffix) {
        const String d = UpperCase(item.Data);
        AItemInfo.TimeSuffixKind = d == L"A/P" ? tskAP : d == L"AM/PM" ? tskAMPM : tskAMPMString;
      }
      return true;
    }
    start += len;
  }
  return false;
}

Integer TvxFormatController::GetDateTimeStandardMaskStringLength(const TvxDateTimeFormatInfo& AFormatInfo) {
  Integer result = 0;
  for (const TvxDateTimeFormatItem& item : AFormatInfo.Items) result += GetFormatItemZoneLength(item);
  return result;
}

TvxFormatController* GetFormatController() {
  // The constructor's GetFormats makes the first controller the process instance.
  if (!FFormatController && !FFormatsFinalized) FFormatController = new TvxFormatController();
  return FFormatController;
}

namespace {

void InitFormats() { FFormatsFinalized = false; }

void FinFormats() {
  delete FFormatController;
  FFormatsFinalized = true;
}

}  // namespace

const TUnitInfo vxFormatsUnit = {L"vxFormats", InitFormats, FinFormats};
