// The floor of the start-up benchmark: a bare Win32 program that registers a class,
// creates one window, shows it and runs its message loop until the window closes.
#include <windows.h>

namespace {
LRESULT CALLBACK BareProc(HWND W, UINT M, WPARAM Wp, LPARAM Lp) {
  if (M == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(W, M, Wp, Lp);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, PWSTR, int Show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = BareProc;
  wc.hInstance = Instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"BareWindow";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, L"BareWindow", L"Bare window", WS_OVERLAPPEDWINDOW, 244, 173, 900, 512, nullptr,
                           nullptr, Instance, nullptr);
  ShowWindow(w, Show);
  UpdateWindow(w);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}
