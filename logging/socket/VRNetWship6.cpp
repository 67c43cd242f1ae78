#include "VRNetWship6.h"

#include <atomic>

#include "SysUtils.h"

namespace VRNetWship6 {
TGetAddrInfoW GetAddrInfoW = nullptr;
TGetNameInfoW GetNameInfoW = nullptr;
TFreeAddrInfoW FreeAddrInfoW = nullptr;
FARPROC InetPtonW, InetNtopW, GetAddrInfoExW, SetAddrInfoExW, FreeAddrInfoExW;
FARPROC WSASetSocketPeerTargetName, WSADeleteSocketPeerTargetName, WSAImpersonateSocketPeer, WSAQuerySocketSecurity,
    WSARevertImpersonation;
}  // namespace VRNetWship6

bool IPv6HelpersAvailable = false;

namespace {
std::atomic<HMODULE> GWship6{nullptr};
std::atomic<HMODULE> GFwpuclnt{nullptr};

bool NTFamily5OrLater() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&v)) return false;
#pragma GCC diagnostic pop
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT && v.dwMajorVersion >= 5;
}

template <class T>
T Proc(HMODULE M, const char* Name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(M, Name)));
}
}  // namespace

void LoadIPv6Helpers() {
  namespace W = VRNetWship6;
  IPv6HelpersAvailable = false;
  if (!NTFamily5OrLater()) return;
  LoadWinsockLibrary();
  HMODULE m = WinsockModule();
  W::GetAddrInfoW = Proc<W::TGetAddrInfoW>(m, "GetAddrInfoW");
  if (!W::GetAddrInfoW) {
    HMODULE w = SafeLoadLibrary(L"Wship6.dll");
    GWship6 = w;
    if (w) {
      m = w;
      W::GetAddrInfoW = Proc<W::TGetAddrInfoW>(m, "GetAddrInfoW");
    }
  }
  if (W::GetAddrInfoW) W::GetNameInfoW = Proc<W::TGetNameInfoW>(m, "GetNameInfoW");
  if (W::GetNameInfoW) W::FreeAddrInfoW = Proc<W::TFreeAddrInfoW>(m, "FreeAddrInfoW");
  if (!W::GetAddrInfoW || !W::GetNameInfoW || !W::FreeAddrInfoW) {
    UnloadIPv6Helpers();
    return;
  }
  IPv6HelpersAvailable = true;
  W::InetPtonW = GetProcAddress(m, "InetPtonW");
  W::InetNtopW = GetProcAddress(m, "InetNtopW");
  W::GetAddrInfoExW = GetProcAddress(m, "GetAddrInfoExW");
  W::SetAddrInfoExW = GetProcAddress(m, "SetAddrInfoExW");
  W::FreeAddrInfoExW = GetProcAddress(m, "FreeAddrInfoExW");
  HMODULE f = SafeLoadLibrary(L"Fwpuclnt.dll");
  GFwpuclnt = f;
  if (f) {
    W::WSASetSocketPeerTargetName = GetProcAddress(f, "WSASetSocketPeerTargetName");
    W::WSADeleteSocketPeerTargetName = GetProcAddress(f, "WSADeleteSocketPeerTargetName");
    W::WSAImpersonateSocketPeer = GetProcAddress(f, "WSAImpersonateSocketPeer");
    W::WSAQuerySocketSecurity = GetProcAddress(f, "WSAQuerySocketSecurity");
    W::WSARevertImpersonation = GetProcAddress(f, "WSARevertImpersonation");
  }
}

void UnloadIPv6Helpers() {
  namespace W = VRNetWship6;
  if (!NTFamily5OrLater()) return;
  if (HMODULE w = GWship6.exchange(nullptr)) FreeLibrary(w);
  if (HMODULE f = GFwpuclnt.exchange(nullptr)) FreeLibrary(f);
  IPv6HelpersAvailable = false;
  W::GetAddrInfoW = nullptr;
  W::GetNameInfoW = nullptr;
  W::FreeAddrInfoW = nullptr;
  W::WSASetSocketPeerTargetName = W::WSADeleteSocketPeerTargetName = W::WSAImpersonateSocketPeer = W::WSAQuerySocketSecurity =
      W::WSARevertImpersonation = nullptr;
}

const TUnitInfo VRNetWship6Unit{L"VRNetWship6", nullptr, UnloadIPv6Helpers};
