// The tests' side of the stand-in dispatcher (VRDispatcherStub.exe, built next to the
// test program): starting and stopping it as a separate process, reading back the
// packets it recorded, and pointing the product's registry key at it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Registry.h"
#include "VantrelConnection.h"
#include "VantrelGlobal.h"

namespace harness {

inline String ExeDir() {
  wchar_t buf[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return ExtractFilePath(buf);
}

inline String StubPath() { return ExeDir() + L"VRDispatcherStub.exe"; }

inline HWND FindDispatcher() {
  return FindWindowW(VantrelDispatcherClass.c_str(), VantrelDispatcherCaption.c_str());
}

// Waits until no dispatcher window is left.
inline bool WaitNoDispatcher(DWORD TimeoutMs = 10000) {
  const ULONGLONG end = GetTickCount64() + TimeoutMs;
  while (FindDispatcher()) {
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
  return true;
}

// One packet as the dispatcher received it.
struct Packet {
  Integer Type = 0;
  Integer Time = 0, Date = 0, Bias = 0;
  Cardinal ProcessID = 0;
  std::string ThreadName, DispatchID, ComputerName, AppName, Category, TypeName, Text, Details;
  Integer CategoryColor = 0, CategoryFontColor = 0;
  String WText() const { return UTF8Decode(Text); }
};

inline std::vector<Packet> ReadPackets(const String& File) {
  std::vector<Packet> result;
  HANDLE f = CreateFileW(File.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return result;
  std::vector<Byte> all(GetFileSize(f, nullptr));
  DWORD read = 0;
  if (!all.empty()) ReadFile(f, all.data(), static_cast<DWORD>(all.size()), &read, nullptr);
  CloseHandle(f);
  size_t pos = 0;
  auto i32 = [&](size_t at) {
    Integer v;
    std::memcpy(&v, all.data() + at, 4);
    return v;
  };
  auto slot = [&](size_t at, size_t size) {
    const char* p = reinterpret_cast<const char*>(all.data() + at);
    return std::string(p, strnlen(p, size));
  };
  while (pos + 4 <= all.size()) {
    const size_t size = static_cast<Cardinal>(i32(pos));
    const size_t b = pos + 4;
    if (b + size > all.size() || size < 246) break;
    Packet p;
    p.Type = i32(b);
    p.Time = i32(b + 4);
    p.Date = i32(b + 8);
    p.Bias = i32(b + 12);
    const Integer L = i32(b + 16), D = i32(b + 20);
    p.ProcessID = static_cast<Cardinal>(i32(b + 24));
    p.ThreadName = slot(b + 28, 26);
    p.DispatchID = slot(b + 54, 42);
    p.ComputerName = slot(b + 96, 16);
    p.AppName = slot(b + 112, 41);
    p.Category = slot(b + 153, 41);
    p.CategoryColor = i32(b + 194);
    p.CategoryFontColor = i32(b + 198);
    p.TypeName = slot(b + 202, 41);
    p.Text.assign(reinterpret_cast<const char*>(all.data() + b + 243), L);
    p.Details.assign(reinterpret_cast<const char*>(all.data() + b + 243 + L), D);
    EXPECT_EQ(size, static_cast<size_t>(L + D + 246));
    result.push_back(p);
    pos = b + size;
  }
  return result;
}

// A temporary record file, removed at the end.
class RecordFile {
 public:
  RecordFile() {
    wchar_t dir[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"vrd", 0, name);
    FPath = name;
    DeleteFileW(FPath.c_str());
  }
  ~RecordFile() { DeleteFileW(FPath.c_str()); }
  const String& Path() const { return FPath; }
  std::vector<Packet> Packets() const { return ReadPackets(FPath); }

 private:
  String FPath;
};

// The stand-in dispatcher running as its own process for the life of the object.
class Dispatcher {
 public:
  explicit Dispatcher(const String& LogFile, const String& Refuse = String(), const String& Hang = String()) {
    String cmd = L"\"" + StubPath() + L"\" \"/log=" + LogFile + L"\"";
    if (!Refuse.empty()) cmd += L" /refuse=" + Refuse;
    if (!Hang.empty()) cmd += L" /hang=" + Hang;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      ADD_FAILURE() << "cannot start the dispatcher stub";
      return;
    }
    CloseHandle(pi.hThread);
    FProcess = pi.hProcess;
    const ULONGLONG end = GetTickCount64() + 10000;
    while (!(FWindow = FindDispatcher()) && GetTickCount64() < end) Sleep(20);
    EXPECT_NE(FWindow, nullptr) << "the dispatcher stub shows no window";
  }
  ~Dispatcher() { Stop(); }
  void Stop() {
    if (!FProcess) return;
    if (IsWindow(FWindow)) PostMessageW(FWindow, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(FProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(FProcess, 1);
    CloseHandle(FProcess);
    FProcess = nullptr;
  }
  HWND Window() const { return FWindow; }
  // Ends the process at once (a hung one does not close).
  void Kill() {
    if (!FProcess) return;
    TerminateProcess(FProcess, 1);
    WaitForSingleObject(FProcess, 10000);
    CloseHandle(FProcess);
    FProcess = nullptr;
  }

 private:
  HANDLE FProcess = nullptr;
  HWND FWindow = nullptr;
};

// Sets (or removes, with an empty path) the "Dispatcher" value of the product key under
// HKEY_LOCAL_MACHINE, restoring the previous state at the end.
class DispatcherPathSetting {
 public:
  explicit DispatcherPathSetting(const String& Path) {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    FHadKey = reg.KeyExists(VantrelRegistryKey);
    reg.OpenKey(VantrelRegistryKey, true);
    FHadValue = reg.ValueExists(L"Dispatcher");
    if (FHadValue) FOld = reg.ReadString(L"Dispatcher");
    if (Path.empty()) reg.DeleteValue(L"Dispatcher");
    else reg.WriteString(L"Dispatcher", Path);
  }
  ~DispatcherPathSetting() {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!FHadKey) {
      reg.DeleteKey(VantrelRegistryKey);
      return;
    }
    reg.OpenKey(VantrelRegistryKey, true);
    if (FHadValue) reg.WriteString(L"Dispatcher", FOld);
    else reg.DeleteValue(L"Dispatcher");
  }

 private:
  bool FHadKey = false, FHadValue = false;
  String FOld;
};

}  // namespace harness
