// Starts a program of the build next to the running one as a second process, waits for
// its window to show and go idle (painted), and closes it again: used by the program's
// shut-down test and the start-up benchmark.
#pragma once

#include <windows.h>

#include <string>

namespace program_process {

inline double Seconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// A file next to the running program.
inline std::wstring Sibling(const wchar_t* Name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/") + 1) + Name;
}

struct TRun {
  double PaintedAfter = -1;  // seconds from start to the shown, idle window; -1 if it never showed
  bool Ended = false;        // ended by itself within the time-out after WM_CLOSE
  DWORD ExitCode = 0;
};

// Starts Exe, waits for its visible top-level window with that caption, lets its thread
// go idle, posts WM_CLOSE and waits for the process to end (killed after 20 s).
inline TRun StartShowAndClose(const std::wstring& Exe, const wchar_t* Caption) {
  TRun run;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + Exe + L"\"";
  const double t0 = Seconds();
  if (!CreateProcessW(Exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return run;
  HWND w = nullptr;
  for (int i = 0; i < 20000 && !w; ++i) {
    HWND found = FindWindowW(nullptr, Caption);
    if (found && IsWindowVisible(found)) w = found;
    else Sleep(1);
  }
  if (w) {
    WaitForInputIdle(pi.hProcess, 20000);
    run.PaintedAfter = Seconds() - t0;
    PostMessageW(w, WM_CLOSE, 0, 0);
  }
  run.Ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
  if (!run.Ended) TerminateProcess(pi.hProcess, 1);
  GetExitCodeProcess(pi.hProcess, &run.ExitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return run;
}

}  // namespace program_process
