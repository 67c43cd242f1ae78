#include "VRNetWinsock2.h"
#include "SysUtils.h"

namespace {
HMODULE GWinsock = nullptr;
HMODULE GMSWSock = nullptr;

template <class F>
struct TStub;
template <class R, class... A>
struct TStub<R(WSAAPI*)(A...)> {
  template <R(WSAAPI** Slot)(A...), const char* Name, HMODULE (*Module)()>
  static R WSAAPI Call(A... Args) {
    auto f = reinterpret_cast<R(WSAAPI*)(A...)>(reinterpret_cast<void*>(BindWinsockEntry(Module(), Name)));
    *Slot = f;
    return f(Args...);
  }
};

HMODULE Ws2Module() { return GWinsock; }
HMODULE MSWSockModule() {
  LoadWinsockExtensions();
  return GMSWSock;
}

#define VRNET_ENTRY_NAME(Name) constexpr char Name_##Name[] = #Name;
VRNET_WS2_ENTRIES(VRNET_ENTRY_NAME)
#undef VRNET_ENTRY_NAME
constexpr char Name_WSAFDIsSet[] = "__WSAFDIsSet";
constexpr char Name_WSARecvEx[] = "WSARecvEx";

BOOL PASCAL TransmitFileStub(SOCKET s, HANDLE f, DWORD n, DWORD per, LPOVERLAPPED o,
                             LPTRANSMIT_FILE_BUFFERS b, DWORD flags) {
  GUID guid = WSAID_TRANSMITFILE;
  auto fn = reinterpret_cast<LPFN_TRANSMITFILE>(reinterpret_cast<void*>(GetExtensionFunction(s, "TransmitFile", guid)));
  VRNetWinsock2::TransmitFile = fn;
  return fn(s, f, n, per, o, b, flags);
}

INT PASCAL WSARecvMsgStub(SOCKET s, LPWSAMSG msg, LPDWORD received, LPWSAOVERLAPPED o,
                          LPWSAOVERLAPPED_COMPLETION_ROUTINE done) {
  GUID guid = WSAID_WSARECVMSG;
  auto fn = reinterpret_cast<LPFN_WSARECVMSG>(reinterpret_cast<void*>(GetExtensionFunction(s, "WSARecvMsg", guid)));
  VRNetWinsock2::WSARecvMsg = fn;
  return fn(s, msg, received, o, done);
}
}  // namespace

namespace VRNetWinsock2 {
#define VRNET_DEFINE_ENTRY(Name) decltype(&::Name) Name = nullptr;
VRNET_WS2_ENTRIES(VRNET_DEFINE_ENTRY)
#undef VRNET_DEFINE_ENTRY
decltype(&::__WSAFDIsSet) WSAFDIsSet = nullptr;
decltype(&::WSARecvEx) WSARecvEx = nullptr;
LPFN_TRANSMITFILE TransmitFile = nullptr;
LPFN_WSARECVMSG WSARecvMsg = nullptr;
}  // namespace VRNetWinsock2


void ResetWinsockEntries() {
#define VRNET_RESET_ENTRY(Name) \
  VRNetWinsock2::Name = &TStub<decltype(&::Name)>::Call<&VRNetWinsock2::Name, Name_##Name, Ws2Module>;
  VRNET_WS2_ENTRIES(VRNET_RESET_ENTRY)
#undef VRNET_RESET_ENTRY
  VRNetWinsock2::WSAFDIsSet =
      &TStub<decltype(&::__WSAFDIsSet)>::Call<&VRNetWinsock2::WSAFDIsSet, Name_WSAFDIsSet, Ws2Module>;
  VRNetWinsock2::WSARecvEx =
      &TStub<decltype(&::WSARecvEx)>::Call<&VRNetWinsock2::WSARecvEx, Name_WSARecvEx, MSWSockModule>;
  VRNetWinsock2::TransmitFile = TransmitFileStub;
  VRNetWinsock2::WSARecvMsg = WSARecvMsgStub;
}

EVRNetWinsockStubError EVRNetWinsockStubError::Build(DWORD Win32Error, const String& TitleFormat,
                                                     const TConstArray& Args) {
  const String title = UsFormat(TitleFormat, Args);
  String sysText;
  String msg = title;
  if (Win32Error != 0) {
    sysText = SysErrorMessage(Win32Error);
    msg = title + L": " + sysText;
  }
  EVRNetWinsockStubError e(msg);
  e.FWin32Error = Win32Error;
  e.FWin32ErrorMessage = sysText;
  e.FTitle = title;
  return e;
}

void LoadWinsockLibrary() {
  if (GWinsock) return;
  GWinsock = SafeLoadLibrary(L"WS2_32.DLL");
  DWORD error = GWinsock ? 0 : GetLastError();
  if (GWinsock) {
    WSADATA data;
    error = static_cast<DWORD>(VRNetWinsock2::WSAStartup(0x0202, &data));
    if (error != 0) {
      FreeLibrary(GWinsock);
      GWinsock = nullptr;
    }
  }
  if (error != 0)
    throw EVRNetWinsockStubError::Build(error, L"Error on loading Winsock2 library (%s)", {String(L"WS2_32.DLL")});
}

void LoadWinsockExtensions() {
  if (GMSWSock) return;
  GMSWSock = SafeLoadLibrary(L"MSWSOCK.DLL");
  if (!GMSWSock)
    throw EVRNetWinsockStubError::Build(GetLastError(), L"Error on loading Winsock2 library (%s)",
                                        {String(L"MSWSOCK.DLL")});
}

void UnloadWinsockLibrary() {
  if (GMSWSock) {
    FreeLibrary(GMSWSock);
    GMSWSock = nullptr;
  }
  if (GWinsock) {
    VRNetWinsock2::WSACleanup();
    FreeLibrary(GWinsock);
    GWinsock = nullptr;
  }
}

bool WinsockLoaded() { return GWinsock != nullptr; }
HMODULE WinsockModule() { return GWinsock; }

FARPROC BindWinsockEntry(HMODULE Module, const char* Name) {
  String name;
  for (const char* p = Name; *p; ++p) name += static_cast<Char>(*p);
  if (!Module)
    throw EVRNetWinsockStubError::Build(WSANOTINITIALISED, L"Error on call to Winsock2 library function %s", {name});
  FARPROC f = GetProcAddress(Module, Name);
  if (!f) throw EVRNetWinsockStubError::Build(WSAEINVAL, L"Error on call to Winsock2 library function %s", {name});
  return f;
}

FARPROC GetExtensionFunction(SOCKET Socket, const char* Name, const GUID& Guid) {
  void* out = nullptr;
  DWORD bytes = 0;
  GUID g = Guid;
  if (VRNetWinsock2::WSAIoctl(Socket, SIO_GET_EXTENSION_FUNCTION_POINTER, &g, sizeof(g), &out, sizeof(out), &bytes,
                              nullptr, nullptr) != 0) {
    String name;
    for (const char* p = Name; *p; ++p) name += static_cast<Char>(*p);
    throw EVRNetWinsockStubError::Build(static_cast<DWORD>(VRNetWinsock2::WSAGetLastError()),
                                        L"Error on call to Winsock2 library function %s", {name});
  }
  return reinterpret_cast<FARPROC>(out);
}

Integer AddrInfoErrorToWinsockError(Integer Error) {
  switch (Error) {
    case 1: return 0;
    case 2: return 11002;
    case 3: return 10022;
    case 4: return 11003;
    case 5: return 10047;
    case 6: return 8;
    case 7: return 11004;
    case 8: return 11001;
    case 9: return 10109;
    case 10: return 10044;
    case 11: RaiseLastOSError(); return Error;
    default: return Error;
  }
}

bool FDIsSet(SOCKET Socket, fd_set& Set) { return VRNetWinsock2::WSAFDIsSet(Socket, &Set) != 0; }

const BYTE IN6ADDR_ANY_INIT_BYTES[16] = {};
const BYTE IN6ADDR_LOOPBACK_INIT_BYTES[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

const TUnitInfo VRNetWinsock2Unit{L"VRNetWinsock2", ResetWinsockEntries, nullptr};
