// One cached theme handle per kind of themed window part, whether visual styles are
// active, and the notification of theme changes.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <functional>

#include "Messages.h"
#include "SysInit.h"
#include "System.h"

enum TvdThemedObjectType {
  totButton, totClock, totComboBox, totEdit, totExplorerBar, totHeader, totListBox, totListView,
  totMenu, totPage, totProgress, totRebar, totScrollBar, totSpin, totStartPanel, totStatus, totTab,
  totTaskBand, totTaskBar, totToolBar, totToolTip, totTrackBar, totTrayNotify, totTreeview, totWindow
};
using TvdThemedObjectTypes = Set<TvdThemedObjectType, 32>;

// Visual styles are active.
extern bool vdThemeManagerEnabled;

// The default theme class list of a part kind ("Button", "Header", ...).
const wchar_t* vdThemedObjectClassList(TvdThemedObjectType AType);

bool vdThemesAvailable(const TvdThemedObjectTypes& ANeededThemedObjectTypes = {});
bool vdIsThemeOpenable(TvdThemedObjectType AType);
// The cached theme handle of the kind, opened on demand; 0 when themes are not
// available or the theme does not open.
HTHEME vdOpenThemeByType(TvdThemedObjectType AType, const wchar_t* AClassList = nullptr);
void vdCloseThemeByType(TvdThemedObjectType AType);
void vdCloseAllThemes();
bool vdIsLunaOrRoyaleTheme();

using TvdThemeChangedEvent = std::function<void()>;

// Receives the system's theme-change message on a hidden window.
class TvdThemeChangedEventReceiver : public TObject {
  DECLARE_CLASS(TvdThemeChangedEventReceiver, TObject)
 public:
  TvdThemeChangedEventReceiver();
  ~TvdThemeChangedEventReceiver() override;
  HWND WindowHandle() const { return FWindowHandle; }
  static const TMessageMap* ClassMessages();

 private:
  void WMThemeChanged(TWMNoParams& Message);
  HWND FWindowHandle = nullptr;
};

// Tells its owner about theme changes; listed while the visual-styles library is loaded.
class TvdThemeChangedNotificator : public TObject {
  DECLARE_CLASS(TvdThemeChangedNotificator, TObject)
 public:
  TvdThemeChangedNotificator();
  ~TvdThemeChangedNotificator() override;
  const TvdThemeChangedEvent& OnThemeChanged() const { return FOnThemeChanged; }
  void SetOnThemeChanged(const TvdThemeChangedEvent& Value) { FOnThemeChanged = Value; }

 private:
  TvdThemeChangedEvent FOnThemeChanged;
};

// The receiver's window (nullptr when the library is not loaded).
HWND vdThemeChangedReceiverWindow();

extern const TUnitInfo vdThemeManagerUnit;
