// The socket stack on Winsock 2, and socket sets over the Winsock fd_set.
#pragma once

#include "VRNetWinsock2.h"  // first: Winsock 2 before windows.h
#include "VRNetStack.h"

class TVRNetStackWindows : public TVRNetStackBSDBase {
  DECLARE_CLASS(TVRNetStackWindows, TVRNetStackBSDBase)
 public:
  // The first time in the process: loads Winsock and the IPv6 helpers;
  // EVRNetStackInitializationFailed with the message of the failure.
  TVRNetStackWindows();

  String LookupHostAddress(const String& AHost, TVRNetIPVersion AIPVersion) override;
  String ReadLocalHostName() override;
  TVRNetStackSocketHandle Accept(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort,
                                 TVRNetIPVersion& VIPVersion) override;
  void Bind(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort, TVRNetIPVersion AIPVersion) override;
  void Connect(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort, TVRNetIPVersion AIPVersion) override;
  void Disconnect(TVRNetStackSocketHandle ASocket) override;
  Integer IOControl(TVRNetStackSocketHandle ASocket, Cardinal ACmd, Cardinal& AArg) override;
  void GetPeerName(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort, TVRNetIPVersion& VIPVersion) override;
  void GetSocketName(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort, TVRNetIPVersion& VIPVersion) override;
  String HostByAddress(const String& AAddress, TVRNetIPVersion AIPVersion) override;
  using TVRNetStack::HostToNetwork;
  using TVRNetStack::NetworkToHost;
  Word HostToNetwork(Word AValue) override;
  Cardinal HostToNetwork(Cardinal AValue) override;
  UInt64 HostToNetwork(UInt64 AValue) override;
  Word NetworkToHost(Word AValue) override;
  Cardinal NetworkToHost(Cardinal AValue) override;
  UInt64 NetworkToHost(UInt64 AValue) override;
  void Listen(TVRNetStackSocketHandle ASocket, Integer ABacklog) override;
  Integer WSGetLastError() override;
  void WSSetLastError(Integer AErr) override;
  void GetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, Integer& VOptVal) override;
  void SetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, Integer AOptVal) override;
  void SetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, const void* AOptVal,
                       Integer AOptLen) override;
  // WSARecvMsg (Windows XP and later) with the packet information and hop limit the
  // socket was asked for; earlier systems give the source only.
  Integer ReceiveMsg(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, TNetPacketInfo* APacketInfo) override;
  void WriteChecksum(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, Integer AOffset, const String& AIP,
                     Word APort, TVRNetIPVersion AIPVersion) override;
  // The local address the system would send from to AIP (IPv6), and AIP itself.
  void RouteQuery(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort, in6_addr& VSource,
                  in6_addr& VDest);
  bool SupportsIPv6() override;
  void AddLocalAddressesToList(TStrings* AAddresses) override;

  Integer CloseSocketHandle(TVRNetStackSocketHandle ASocket) override;
  Integer RawReceive(TVRNetStackSocketHandle ASocket, void* ABuffer, Integer ALength, Integer AFlags) override;
  Integer RawSend(TVRNetStackSocketHandle ASocket, const void* ABuffer, Integer ALength, Integer AFlags) override;
  Integer ShutdownSocket(TVRNetStackSocketHandle ASocket, Integer AHow) override;
  bool CheckIPVersionSupport(TVRNetIPVersion AIPVersion) override;
  Word WSGetServByName(const String& AServiceName) override;
  std::unique_ptr<TStrings> WSGetServByPort(Word APortNumber) override;
  Integer RecvFrom(TVRNetStackSocketHandle ASocket, void* ABuffer, Integer ALength, Integer AFlags, String& VIP,
                   Word& VPort, TVRNetIPVersion& VIPVersion) override;
  void WSSendTo(TVRNetStackSocketHandle ASocket, const void* ABuffer, Integer ALength, Integer AFlags,
                const String& AIP, Word APort, TVRNetIPVersion AIPVersion) override;
  TVRNetStackSocketHandle WSSocket(Integer AFamily, Integer AStruct, Integer AProtocol, bool AOverlapped) override;
  void WSGetSockOpt(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, void* AOptVal,
                    Integer& AOptLen) override;
  void SetBlocking(TVRNetStackSocketHandle ASocket, bool ABlocking) override;
  bool WouldBlock(Integer AResult) override;
};

class TVRNetSocketListWindows : public TVRNetSocketList {
  DECLARE_CLASS(TVRNetSocketListWindows, TVRNetSocketList)
 public:
  TVRNetSocketListWindows() { FFDSet.fd_count = 0; }
  // EVRNetStackSetSizeExceeded "Set Size Exceeded." outside 0..Count-1.
  TVRNetStackSocketHandle Items(Integer AIndex) override;
  // EVRNetStackSetSizeExceeded when 64 sockets are already held.
  void Add(TVRNetStackSocketHandle AHandle) override;
  std::unique_ptr<TVRNetSocketList> Clone() override;
  Integer Count() override;
  void Remove(TVRNetStackSocketHandle AHandle) override;
  void Clear() override;
  bool ContainsSocket(TVRNetStackSocketHandle AHandle) override;
  bool Select(TVRNetSocketList* AReadList, TVRNetSocketList* AWriteList, TVRNetSocketList* AExceptList,
              Integer ATimeout = -2) override;
  bool SelectRead(Integer ATimeout = -2) override;
  bool SelectReadList(std::unique_ptr<TVRNetSocketList>& VSocketList, Integer ATimeout = -2) override;

 private:
  fd_set FFDSet;
};

// Unit start-up: the socket-list and stack classes, the file-sending routine. Shutdown:
// unloads the IPv6 helpers and Winsock when they were started.
extern const TUnitInfo VRNetStackWindowsUnit;
