// A stand-in for the logging dispatcher, used by the logging tests only. It registers the
// dispatcher's window class and caption, appends every WM_COPYDATA packet it receives to
// a record file (a 32-bit length followed by the packet), and answers 1 for accepted
// packets and 0 for refused ones.
//
// Options (also read from the environment, so that a copy started by the logging client
// itself behaves the same): /log=<file> (ZS_DISPATCHER_LOG) and /refuse=<type>,<type>...
// (ZS_DISPATCHER_REFUSE): packets of these message types are recorded and refused.
// ZS_DISPATCHER_STALL=<ms> makes it sleep that long before it shows its window, like a
// dispatcher that never becomes ready in time. /hang=<type> records a packet of that
// type and then never answers (its window hangs until the process is ended).
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace {

std::wstring LogPath;
std::set<int32_t> RefusedTypes;
int32_t HangType = -1000;

std::wstring EnvValue(const wchar_t* Name) {
  wchar_t buf[1024];
  const DWORD n = GetEnvironmentVariableW(Name, buf, 1024);
  return n > 0 && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

void ParseTypes(const std::wstring& Text) {
  size_t start = 0;
  while (start < Text.size()) {
    size_t comma = Text.find(L',', start);
    if (comma == std::wstring::npos) comma = Text.size();
    if (comma > start) RefusedTypes.insert(std::stoi(Text.substr(start, comma - start)));
    start = comma + 1;
  }
}

void Record(const void* Data, DWORD Size) {
  if (LogPath.empty()) return;
  HANDLE f = CreateFileW(LogPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, &Size, 4, &written, nullptr);
  if (Size) WriteFile(f, Data, Size, &written, nullptr);
  CloseHandle(f);
}

LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_COPYDATA: {
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(LParam);
      if (!cds || cds->dwData != 0x7F000001) return 0;
      Record(cds->lpData, cds->cbData);
      int32_t type = -1;
      if (cds->cbData >= 4) std::memcpy(&type, cds->lpData, 4);
      if (type == HangType) Sleep(INFINITE);
      return RefusedTypes.count(type) ? 0 : 1;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, LPWSTR, int) {
  const std::wstring stall = EnvValue(L"ZS_DISPATCHER_STALL");
  if (!stall.empty()) Sleep(static_cast<DWORD>(std::stoul(stall)));
  LogPath = EnvValue(L"ZS_DISPATCHER_LOG");
  ParseTypes(EnvValue(L"ZS_DISPATCHER_REFUSE"));
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; argv && i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a.rfind(L"/log=", 0) == 0) LogPath = a.substr(5);
    else if (a.rfind(L"/refuse=", 0) == 0) ParseTypes(a.substr(8));
    else if (a.rfind(L"/hang=", 0) == 0) HangType = std::stoi(a.substr(6));
  }
  LocalFree(argv);

  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = Instance;
  wc.lpszClassName = L"TFrmDispatcher";
  if (!RegisterClassW(&wc)) return 1;
  HWND wnd = CreateWindowW(L"TFrmDispatcher", L"Vantrel Dispatcher", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, Instance, nullptr);
  if (!wnd) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
