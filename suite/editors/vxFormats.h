// The format controller: the process-wide keeper of the locale-dependent formats the
// editors use (currency display format, first day of the week, the short date format
// for editing, and the standard and regular-expression masks and display formats of
// date and date-time editors). It rebuilds them when the regional settings or the
// translations change and tells its listeners.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include "Messages.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxDateUtils.h"

enum TvxDateTimeFormatItemKind {
  dtikString,
  dtikYear,
  dtikMonth,
  dtikDay,
  dtikHour,
  dtikMin,
  dtikSec,
  dtikMSec,
  dtikTimeSuffix,
  dtikDateSeparator,
  dtikTimeSeparator
};
constexpr Integer vxDateTimeFormatItemKindCount = 11;

struct TvxDateTimeFormatItem {
  TvxDateTimeFormatItemKind Kind = dtikString;
  // The literal text of a string item, else the item's pattern (YYYY, MM, DDD, 12HH,
  // AM/PM ...).
  String Data;
};

struct TvxDateTimeFormatInfo {
  std::array<bool, vxDateTimeFormatItemKindCount> DefinedItems{};
  std::vector<TvxDateTimeFormatItem> Items;
};

enum TvxTimeSuffixKind { tskAP, tskAMPM, tskAMPMString };

struct TvxDateTimeFormatItemInfo {
  TvxDateTimeFormatItemKind Kind = dtikString;
  Integer ItemZoneStart = 0;  // 1-based position in the edit text
  Integer ItemZoneLength = 0;
  TvxTimeSuffixKind TimeSuffixKind = tskAP;
};


class IvxFormatControllerListener {
 public:
  virtual ~IvxFormatControllerListener() = default;
  virtual void FormatChanged() = 0;
};

// Asked for on each listener; told when the system time changes.
class IvxFormatControllerTimeListener {
 public:
  virtual ~IvxFormatControllerTimeListener() = default;
  virtual void TimeChanged() = 0;
};

class TvxFormatControllerWindow;

class TvxFormatController : public TvxIUnknownObject, public IvdLocalizerListener {
  DECLARE_CLASS(TvxFormatController, TvxIUnknownObject)
 public:
  TvxFormatController();
  ~TvxFormatController() override;

  // The hidden window's handler: regional-settings and time changes.
  virtual void WindowProcedure(TMessage& Message);
  virtual void AddListener(IvxFormatControllerListener* AListener);
  virtual void RemoveListener(IvxFormatControllerListener* AListener);

  void BeginUpdate();
  void EndUpdate();
  void NotifyListeners();
  // Rebuilds the derived formats and notifies, unless updates are locked.
  void FormatsChanged();
  void TranslationChanged() override { FormatsChanged(); }

  static bool GetDateTimeFormatItemStandardMaskInfo(const TvxDateTimeFormatInfo& AFormatInfo, Integer APos,
                                                    TvxDateTimeFormatItemInfo& AItemInfo);
  static Integer GetDateTimeStandardMaskStringLength(const TvxDateTimeFormatInfo& AFormatInfo);
  static void AnalyzeDateTimeFormat(const String& AFormat, TvxDateTimeFormatInfo& AFormatInfo);

  bool AssignedCurrencyFormat() const { return FAssignedCurrencyFormat; }
  void SetAssignedCurrencyFormat(bool Value) { SetFlag(FAssignedCurrencyFormat, Value); }
  bool AssignedRegExprDateEditMask() const { return FAssignedRegExprDateEditMask; }
  void SetAssignedRegExprDateEditMask(bool Value) { SetFlag(FAssignedRegExprDateEditMask, Value); }
  bool AssignedRegExprDateTimeEditMask() const { return FAssignedRegExprDateTimeEditMask; }
  void SetAssignedRegExprDateTimeEditMask(bool Value) { SetFlag(FAssignedRegExprDateTimeEditMask, Value); }
  bool AssignedStandardDateEditMask() const { return FAssignedStandardDateEditMask; }
  void SetAssignedStandardDateEditMask(bool Value) { SetFlag(FAssignedStandardDateEditMask, Value); }
  bool AssignedStandardDateTimeEditMask() const { return FAssignedStandardDateTimeEditMask; }
  void SetAssignedStandardDateTimeEditMask(bool Value) { SetFlag(FAssignedStandardDateTimeEditMask, Value); }
  bool AssignedStartOfWeek() const { return FAssignedStartOfWeek; }
  void SetAssignedStartOfWeek(bool Value) { SetFlag(FAssignedStartOfWeek, Value); }

  const String& CurrencyFormat() const { return FCurrencyFormat; }
  void SetCurrencyFormat(const String& Value) { SetAssignedString(FAssignedCurrencyFormat, FCurrencyFormat, Value); }
  TvxFirstWeekOfYear FirstWeekOfYear() const { return FFirstWeekOfYear; }
  void SetFirstWeekOfYear(TvxFirstWeekOfYear Value);
  const String& RegExprDateEditMask() const { return FRegExprDateEditMask; }
  void SetRegExprDateEditMask(const String& Value) {
    SetAssignedString(FAssignedRegExprDateEditMask, FRegExprDateEditMask, Value);
  }
  const String& RegExprDateTimeEditMask() const { return FRegExprDateTimeEditMask; }
  void SetRegExprDateTimeEditMask(const String& Value) {
    SetAssignedString(FAssignedRegExprDateTimeEditMask, FRegExprDateTimeEditMask, Value);
  }
  const String& StandardDateEditMask() const { return FStandardDateEditMask; }
  void SetStandardDateEditMask(const String& Value) {
    SetAssignedString(FAssignedStandardDateEditMask, FStandardDateEditMask, Value);
  }
  const String& StandardDateTimeEditMask() const { return FStandardDateTimeEditMask; }
  void SetStandardDateTimeEditMask(const String& Value) {
    SetAssignedString(FAssignedStandardDateTimeEditMask, FStandardDateTimeEditMask, Value);
  }
  TDayOfWeek StartOfWeek() const { return FStartOfWeek; }
  void SetStartOfWeek(TDayOfWeek Value);
  bool UseRtlDateTimeFormats() const { return FUseRtlDateTimeFormats; }
  void SetUseRtlDateTimeFormats(bool Value) { SetFlag(FUseRtlDateTimeFormats, Value); }

  const String& DateEditFormat() const { return FDateEditFormat; }
  const String& DateEditMask() const { return FDateEditMask; }
  const TvxDateTimeFormatInfo& DateFormatInfo() const { return FDateFormatInfo; }
  const TvxDateTimeFormatInfo& DateTimeFormatInfo() const { return FDateTimeFormatInfo; }
  const TvxDateTimeFormatInfo& TimeFormatInfo() const { return FTimeFormatInfo; }
  const String& MaskedDateEditFormat() const { return FMaskedDateEditFormat; }
  const String& MaskedDateTimeEditFormat() const { return FMaskedDateTimeEditFormat; }
  // The hidden window, nullptr while there are no listeners.
  HWND WindowHandle() const;
  Integer ListenerCount() const { return static_cast<Integer>(FList.size()); }

 protected:
  void GetFormats();
  void UpdateDateTimeMasks(bool AWithSmartDateAlternatives);
  void NotifyTimeChanged();

 private:
  void SetFlag(bool& AField, bool Value);
  void SetAssignedString(bool& AAssigned, String& AField, const String& Value);

  bool FAssignedCurrencyFormat = false;
  bool FAssignedRegExprDateEditMask = false;
  bool FAssignedRegExprDateTimeEditMask = false;
  bool FAssignedStandardDateEditMask = false;
  bool FAssignedStandardDateTimeEditMask = false;
  bool FAssignedStartOfWeek = false;
  String FCurrencyFormat;
  String FDateEditFormat;
  String FDateEditMask;
  TvxDateTimeFormatInfo FDateFormatInfo;
  TvxDateTimeFormatInfo FDateTimeFormatInfo;
  TvxFirstWeekOfYear FFirstWeekOfYear = fwySystem;
  std::vector<IvxFormatControllerListener*> FList;  // not owned
  Integer FLockCount = 0;
  String FMaskedDateEditFormat;
  String FMaskedDateTimeEditFormat;
  String FRegExprDateEditMask;
  String FRegExprDateTimeEditMask;
  String FStandardDateEditMask;
  String FStandardDateTimeEditMask;
  TDayOfWeek FStartOfWeek = dSunday;
  TvxDateTimeFormatInfo FTimeFormatInfo;
  bool FUseRtlDateTimeFormats = false;
  std::unique_ptr<TvxFormatControllerWindow> FWindow;
};

// The process instance, created on first use and freed when the unit shuts down;
// nullptr after that.
TvxFormatController* GetFormatController();

// The builders behind the controller's formats, for the editors that derive their own.
String vxBuildCurrencyFormat(const TFormatSettings& ASettings);
String vxBuildDateEditFormat(const String& AShortDateFormat);
enum TvxStandardMaskKind { smkDate, smkTime, smkDateTime };
String vxBuildStandardMask(const TvxDateTimeFormatInfo& AFormatInfo, TvxStandardMaskKind AKind);
// The expression of the date items (ADateItems) or of the time items of the info.
String vxBuildRegExprMask(const TvxDateTimeFormatInfo& AFormatInfo, bool ADateItems);
String vxBuildMaskedEditFormat(const TvxDateTimeFormatInfo& AFormatInfo);

extern const TUnitInfo vxFormatsUnit;
