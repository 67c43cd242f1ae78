// Winsock 2 bound by name: every entry starts at a stub that looks the function up the
// first time it is called, stores the real address in the entry and calls through. The
// unit also loads and starts WS2_32.DLL, loads MSWSOCK.DLL on demand and fetches
// extension functions through the socket control call.
//
// The entries carry the export names; __WSAFDIsSet, a name C++ reserves, is spelled
// WSAFDIsSet here. Only the entries the stack calls are bound; the unsuffixed names of
// the wide functions are macros of the system headers, so callers use the W entries.
#pragma once

// Winsock 2 must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>

#include "VRNetException.h"
#include "VRNetGlobal.h"

// A library or function that cannot be loaded or bound.
class EVRNetWinsockStubError : public EVRNetException {
  DECLARE_CLASS(EVRNetWinsockStubError, EVRNetException)
 public:
  using EVRNetException::EVRNetException;
  // Title := UsFormat(TitleFormat, Args); the message is Title, or Title + ": " + the
  // system's text for a non-zero error.
  static EVRNetWinsockStubError Build(DWORD Win32Error, const String& TitleFormat, const TConstArray& Args);
  DWORD Win32Error() const { return FWin32Error; }
  const String& Win32ErrorMessage() const { return FWin32ErrorMessage; }
  const String& Title() const { return FTitle; }

 private:
  DWORD FWin32Error = 0;
  String FWin32ErrorMessage;
  String FTitle;
};

#define VRNET_WS2_ENTRIES(X)                                                                              \
  X(WSAStartup) X(WSACleanup) X(accept) X(bind) X(closesocket) X(connect) X(ioctlsocket) X(getpeername)     \
  X(getsockname) X(getsockopt) X(htonl) X(htons) X(inet_addr) X(inet_ntoa) X(listen) X(ntohl) X(ntohs)       \
  X(recv) X(recvfrom) X(select) X(send) X(sendto) X(setsockopt) X(shutdown) X(socket) X(gethostbyaddr)      \
  X(gethostbyname) X(gethostname) X(getservbyport) X(getservbyname) X(WSASetLastError) X(WSAGetLastError)    \
  X(WSAIoctl) X(WSASocketA) X(WSASocketW) X(WSAEnumProtocolsA) X(WSAEnumProtocolsW)

namespace VRNetWinsock2 {
#define VRNET_DECLARE_ENTRY(Name) extern decltype(&::Name) Name;
VRNET_WS2_ENTRIES(VRNET_DECLARE_ENTRY)
#undef VRNET_DECLARE_ENTRY
extern decltype(&::__WSAFDIsSet) WSAFDIsSet;
// From MSWSOCK.DLL.
extern decltype(&::WSARecvEx) WSARecvEx;
// Extension functions, bound with the socket of their first call.
extern LPFN_TRANSMITFILE TransmitFile;
extern LPFN_WSARECVMSG WSARecvMsg;
}  // namespace VRNetWinsock2

void LoadWinsockLibrary();
void LoadWinsockExtensions();
void UnloadWinsockLibrary();
bool WinsockLoaded();
HMODULE WinsockModule();
// GetProcAddress by name: module 0 raises with 10093, a missing export with 10022.
FARPROC BindWinsockEntry(HMODULE Module, const char* Name);
FARPROC GetExtensionFunction(SOCKET Socket, const char* Name, const GUID& Guid);
void ResetWinsockEntries();
Integer AddrInfoErrorToWinsockError(Integer Error);

// fd_set helpers.
bool FDIsSet(SOCKET Socket, fd_set& Set);
inline void FDZero(fd_set& Set) { Set.fd_count = 0; }

extern const BYTE IN6ADDR_ANY_INIT_BYTES[16];
extern const BYTE IN6ADDR_LOOPBACK_INIT_BYTES[16];

// Unit start-up: points every entry at its stub.
extern const TUnitInfo VRNetWinsock2Unit;
