// Program entry: runs the unit start-up list, then the main window's message loop.
#include <windows.h>

#include "SysInit.h"
#include "SysUtils.h"

namespace {
LRESULT CALLBACK MainWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(h, msg, w, l);
}

int RunMainWindow(HINSTANCE inst) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"TForm1";
  RegisterClassW(&wc);
  RECT r{0, 0, 884, 454};
  DWORD style = WS_OVERLAPPEDWINDOW;
  AdjustWindowRect(&r, style, FALSE);
  HWND w = CreateWindowExW(0, L"TForm1", L"Zalvo Sorvane", style, CW_USEDEFAULT, CW_USEDEFAULT,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
  if (!w) return 1;
  ShowWindow(w, SW_SHOWNORMAL);
  UpdateWindow(w);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return static_cast<int>(m.wParam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
  try {
    TUnitScope units({});
    return RunMainWindow(inst);
  } catch (const Exception& e) {
    MessageBoxW(nullptr, e.Message().c_str(), L"Zalvo Sorvane", MB_OK | MB_ICONERROR);
    return 1;
  }
}
