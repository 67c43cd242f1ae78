#include "vdThemeManager.h"

#include <algorithm>
#include <vector>

#include "Forms.h"
#include "vdCore.h"
#include "vdUxTheme.h"

bool vdThemeManagerEnabled = false;

namespace {

constexpr int ThemedObjectTypeCount = totWindow + 1;

const wchar_t* const FDefaultClassLists[ThemedObjectTypeCount] = {
    L"Button", L"Clock", L"ComboBox", L"Edit", L"ExplorerBar", L"Header", L"ListBox", L"ListView",
    L"Menu", L"Page", L"Progress", L"Rebar", L"ScrollBar", L"Spin", L"StartPanel", L"Status", L"Tab",
    L"TaskBand", L"TaskBar", L"ToolBar", L"ToolTip", L"TrackBar", L"TrayNotify", L"TreeView", L"Window"};

struct TThemeCacheEntry {
  HTHEME Handle = nullptr;
  String ClassList;  // the list the handle was opened with
};

TThemeCacheEntry FThemeCache[ThemedObjectTypeCount];
TvdThemeChangedEventReceiver* FReceiver = nullptr;
TvdListenerList<TvdThemeChangedNotificator>* FNotificators = nullptr;

const wchar_t ReceiverClassName[] = L"TvdThemeChangedEventReceiverWindow";

void InitThemeManager() {
  if (!vdUxThemeLoaded) return;
  vdThemeManagerEnabled = vdUxTheme::IsThemeActive() != 0;
  FReceiver = new TvdThemeChangedEventReceiver();
  FNotificators = new TvdListenerList<TvdThemeChangedNotificator>();
}

void FinThemeManager() {
  if (vdUxThemeLoaded || FReceiver) {
    delete FReceiver;
    FReceiver = nullptr;
    // The receiver's end switched themes off; close the cache with the library still bound.
    for (auto& e : FThemeCache)
      if (e.Handle && vdUxTheme::Function(vdUxTheme::fnCloseThemeData)) {
        vdUxTheme::CloseThemeData(e.Handle);
        e.Handle = nullptr;
      }
    delete FNotificators;
    FNotificators = nullptr;
  }
  for (auto& e : FThemeCache) {
    e.Handle = nullptr;
    e.ClassList.clear();
  }
}

}  // namespace

const wchar_t* vdThemedObjectClassList(TvdThemedObjectType AType) { return FDefaultClassLists[AType]; }

bool vdThemesAvailable(const TvdThemedObjectTypes& ANeededThemedObjectTypes) {
  if (!(vdThemeManagerEnabled && vdUxThemeLoaded)) return false;
  for (int t = 0; t < ThemedObjectTypeCount; ++t)
    if (ANeededThemedObjectTypes.Contains(static_cast<TvdThemedObjectType>(t)) &&
        !vdOpenThemeByType(static_cast<TvdThemedObjectType>(t)))
      return false;
  return true;
}

bool vdIsThemeOpenable(TvdThemedObjectType AType) {
  return vdThemeManagerEnabled && vdUxThemeLoaded && vdOpenThemeByType(AType) != nullptr;
}

HTHEME vdOpenThemeByType(TvdThemedObjectType AType, const wchar_t* AClassList) {
  if (!vdThemesAvailable()) return nullptr;
  TThemeCacheEntry& e = FThemeCache[AType];
  if (e.Handle) {
    if (!AClassList || AnsiUpperCase(AClassList) == AnsiUpperCase(e.ClassList)) return e.Handle;
    vdCloseThemeByType(AType);
  }
  String classList;
  if (AClassList)
    classList = AClassList;
  else if (!e.ClassList.empty())
    classList = e.ClassList;
  else
    classList = FDefaultClassLists[AType];
  e.Handle = vdUxTheme::OpenThemeData(nullptr, classList.c_str());
  if (e.Handle)
    e.ClassList = classList;
  else
    e.ClassList.clear();
  return e.Handle;
}

void vdCloseThemeByType(TvdThemedObjectType AType) {
  if (!vdThemesAvailable()) return;
  TThemeCacheEntry& e = FThemeCache[AType];
  if (!e.Handle) return;
  vdUxTheme::CloseThemeData(e.Handle);
  e.Handle = nullptr;
  e.ClassList.clear();
}

void vdCloseAllThemes() {
  for (auto& e : FThemeCache)
    if (e.Handle) {
      vdUxTheme::CloseThemeData(e.Handle);
      e.Handle = nullptr;
    }
}

bool vdIsLunaOrRoyaleTheme() {
  if (!vdThemesAvailable()) return false;
  wchar_t buffer[1024] = {};
  if (FAILED(vdUxTheme::GetCurrentThemeName(buffer, 1024, nullptr, 0, nullptr, 0))) return false;
  String name = buffer;
  auto p = name.find_last_of(L"\\/:");
  if (p != String::npos) name = name.substr(p + 1);
  name = AnsiUpperCase(name);
  return name == L"LUNA.MSSTYLES" || name == L"ROYALE.MSSTYLES";
}

// --- Receiver -------------------------------------------------------------------------------

TvdThemeChangedEventReceiver::TvdThemeChangedEventReceiver() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  if (!GetClassInfoW(inst, ReceiverClassName, &wc)) {
    wc.lpfnWndProc = MessageMapWndProc<TvdThemeChangedEventReceiver>;
    wc.hInstance = inst;
    wc.lpszClassName = ReceiverClassName;
    RegisterClassW(&wc);
  }
  // A hidden top-level window: the theme-change message is broadcast to those only.
  FWindowHandle = CreateWindowExW(WS_EX_TOOLWINDOW, ReceiverClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, inst, nullptr);
  if (FWindowHandle) SetWindowLongPtrW(FWindowHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TvdThemeChangedEventReceiver::~TvdThemeChangedEventReceiver() {
  vdThemeManagerEnabled = false;
  if (FWindowHandle) DestroyWindow(FWindowHandle);
  FWindowHandle = nullptr;
}

const TMessageMap* TvdThemeChangedEventReceiver::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_THEMECHANGED, MessageHandler<&TvdThemeChangedEventReceiver::WMThemeChanged>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TvdThemeChangedEventReceiver::WMThemeChanged(TWMNoParams& Message) {
  try {
    vdCloseAllThemes();
    DefWindowProcW(FWindowHandle, Message.Msg, Message.M.WParam, Message.M.LParam);
    vdThemeManagerEnabled = vdUxTheme::IsThemeActive() != 0;
    if (FNotificators) {
      FNotificators->ForEach([](TvdThemeChangedNotificator* n) {
        if (n->OnThemeChanged()) n->OnThemeChanged()();
      });
    }
  } catch (...) {
    // Errors stay inside the window procedure: the application reports them.
    if (Application) Application->HandleException(nullptr);
  }
}

HWND vdThemeChangedReceiverWindow() { return FReceiver ? FReceiver->WindowHandle() : nullptr; }

// --- Notificator ---------------------------------------------------------------------------

TvdThemeChangedNotificator::TvdThemeChangedNotificator() {
  if (vdUxThemeLoaded && FNotificators) FNotificators->Add(this);
}

TvdThemeChangedNotificator::~TvdThemeChangedNotificator() {
  if (FNotificators) FNotificators->Remove(this);
}

const TUnitInfo vdThemeManagerUnit = {L"vdThemeManager", InitThemeManager, FinThemeManager};
