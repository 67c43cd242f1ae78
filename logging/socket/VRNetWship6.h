// The optional address-lookup functions (IPv6 name resolution) and the socket-security
// functions, bound by name from WS2_32 (or Wship6.dll on systems whose WS2_32 lacks them)
// and Fwpuclnt.dll.
#pragma once

#include "VRNetWinsock2.h"

namespace VRNetWship6 {
using TGetAddrInfoW = INT(WSAAPI*)(PCWSTR, PCWSTR, const ADDRINFOW*, PADDRINFOW*);
using TGetNameInfoW = INT(WSAAPI*)(const SOCKADDR*, socklen_t, PWCHAR, DWORD, PWCHAR, DWORD, INT);
using TFreeAddrInfoW = VOID(WSAAPI*)(PADDRINFOW);
extern TGetAddrInfoW GetAddrInfoW;
extern TGetNameInfoW GetNameInfoW;
extern TFreeAddrInfoW FreeAddrInfoW;
extern FARPROC InetPtonW, InetNtopW, GetAddrInfoExW, SetAddrInfoExW, FreeAddrInfoExW;
extern FARPROC WSASetSocketPeerTargetName, WSADeleteSocketPeerTargetName, WSAImpersonateSocketPeer,
    WSAQuerySocketSecurity, WSARevertImpersonation;
}  // namespace VRNetWship6

extern bool IPv6HelpersAvailable;
void LoadIPv6Helpers();
void UnloadIPv6Helpers();

// Unit shutdown: UnloadIPv6Helpers.
extern const TUnitInfo VRNetWship6Unit;
