// The socket stack: the library's one door to the system's sockets, in terms of socket
// handles, address text, ports and IP versions. One stack object exists per process while
// anything uses it (a usage count). Also socket sets with select, host-name resolution,
// error texts and the raising of socket errors.
#pragma once

#include <memory>
#include <vector>

#include "VRNetException.h"
#include "VRNetGlobal.h"

// The system's socket handle type (SOCKET).
using TVRNetStackSocketHandle = UINT_PTR;
constexpr TVRNetStackSocketHandle Net_INVALID_SOCKET = ~TVRNetStackSocketHandle(0);
constexpr Integer Net_SOCKET_ERROR = -1;
constexpr Integer Net_SOCK_STREAM = 1;

// The name that always means this machine's loopback address.
inline const String VRNetLoopbackHostName = L"localhost";

class TVRNetSocketList;

// What a received datagram tells about its way: where it came from, where it was sent
// to, the interfaces, and the time to live it arrived with.
class TNetPacketInfo : public TObject {
  DECLARE_CLASS(TNetPacketInfo, TObject)
 public:
  String SourceIP;
  Word SourcePort = 0;
  String DestIP;
  Word DestPort = 0;
  Cardinal SourceIF = 0;
  Cardinal DestIF = 0;
  Byte TTL = 0;
};

class TVRNetStack : public TObject {
  DECLARE_CLASS(TVRNetStack, TObject)
 public:
  TVRNetStack();
  ~TVRNetStack() override;

  // Process-wide life: the first usage makes the stack object, the last frees it.
  static void IncUsage();
  static void DecUsage();
  static Integer UsageCount();

  virtual String LookupHostAddress(const String& AHost, TVRNetIPVersion AIPVersion) = 0;
  virtual String ReadLocalHostName() = 0;
  virtual TVRNetStackSocketHandle Accept(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort,
                                         TVRNetIPVersion& VIPVersion) = 0;
  virtual void Bind(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort, TVRNetIPVersion AIPVersion) = 0;
  virtual void Connect(TVRNetStackSocketHandle ASocket, const String& AIP, Word APort, TVRNetIPVersion AIPVersion) = 0;
  virtual void Disconnect(TVRNetStackSocketHandle ASocket) = 0;
  virtual Integer IOControl(TVRNetStackSocketHandle ASocket, Cardinal ACmd, Cardinal& AArg) = 0;
  virtual void GetPeerName(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort, TVRNetIPVersion& VIPVersion) = 0;
  virtual void GetSocketName(TVRNetStackSocketHandle ASocket, String& VIP, Word& VPort,
                             TVRNetIPVersion& VIPVersion) = 0;
  virtual String HostByAddress(const String& AAddress, TVRNetIPVersion AIPVersion) = 0;
  virtual Word HostToNetwork(Word AValue) = 0;
  virtual Cardinal HostToNetwork(Cardinal AValue) = 0;
  virtual UInt64 HostToNetwork(UInt64 AValue) = 0;
  virtual TVRNetIPv6Address HostToNetwork(const TVRNetIPv6Address& AValue);
  virtual void Listen(TVRNetStackSocketHandle ASocket, Integer ABacklog) = 0;
  virtual Integer WSGetLastError() = 0;
  virtual void WSSetLastError(Integer AErr) = 0;
  virtual String WSTranslateSocketErrorMsg(Integer AErr);
  [[noreturn]] virtual void RaiseSocketError(Integer AErr);
  virtual TVRNetStackSocketHandle NewSocketHandle(Integer ASocketType, Integer AProtocol, TVRNetIPVersion AIPVersion,
                                                  bool AOverlapped) = 0;
  virtual Word NetworkToHost(Word AValue) = 0;
  virtual Cardinal NetworkToHost(Cardinal AValue) = 0;
  virtual UInt64 NetworkToHost(UInt64 AValue) = 0;
  virtual TVRNetIPv6Address NetworkToHost(const TVRNetIPv6Address& AValue);
  virtual void GetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, Integer& VOptVal) = 0;
  virtual void SetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, Integer AOptVal) = 0;
  virtual Integer Receive(TVRNetStackSocketHandle ASocket, TBytes& VBuffer) = 0;
  virtual Integer Send(TVRNetStackSocketHandle ASocket, const TBytes& ABuffer, Integer AOffset = 0,
                       Integer ASize = -1) = 0;
  virtual Integer ReceiveFrom(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, String& VIP, Word& VPort,
                              TVRNetIPVersion& VIPVersion) = 0;
  virtual Integer SendTo(TVRNetStackSocketHandle ASocket, const TBytes& ABuffer, Integer AOffset, Integer ASize,
                         const String& AIP, Word APort, TVRNetIPVersion AIPVersion) = 0;
  // One datagram into VBuffer (its size is the most taken); APacketInfo receives its
  // source and what the system tells about its destination. Errors raise.
  virtual Integer ReceiveMsg(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, TNetPacketInfo* APacketInfo) = 0;
  virtual bool SupportsIPv6() = 0;
  virtual void SetMulticastTTL(TVRNetStackSocketHandle ASocket, Byte AValue, TVRNetIPVersion AIPVersion) = 0;
  virtual void SetLoopBack(TVRNetStackSocketHandle ASocket, bool AValue, TVRNetIPVersion AIPVersion) = 0;
  // An address that is no multicast group of the version does nothing.
  virtual void DropMulticastMembership(TVRNetStackSocketHandle ASocket, const String& AGroupIP,
                                       const String& ALocalIP, TVRNetIPVersion AIPVersion) = 0;
  virtual void AddMulticastMembership(TVRNetStackSocketHandle ASocket, const String& AGroupIP,
                                      const String& ALocalIP, TVRNetIPVersion AIPVersion) = 0;
  // The Internet checksum (RFC 1071) of the bytes.
  virtual Word CalcCheckSum(const TBytes& AData);
  // Writes the checksum of VBuffer (IPv4), or of the IPv6 pseudo-header for the route to
  // AIP followed by VBuffer (IPv6), at AOffset in host order.
  virtual void WriteChecksum(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, Integer AOffset, const String& AIP,
                             Word APort, TVRNetIPVersion AIPVersion) = 0;
  virtual void AddLocalAddressesToList(TStrings* AAddresses) = 0;

  // The whole array to AIP and APort.
  Integer SendTo(TVRNetStackSocketHandle ASocket, const TBytes& ABuffer, const String& AIP, Word APort,
                 TVRNetIPVersion AIPVersion = Net_IPv4) {
    return SendTo(ASocket, ABuffer, 0, -1, AIP, APort, AIPVersion);
  }
  // Address text of an IPv4 (4-byte) or IPv6 (16-byte) address in network order: dotted
  // decimal, or eight hexadecimal words (upper case, no zero compression).
  String TranslateTInAddrToString(const void* AInAddr, TVRNetIPVersion AIPVersion);
  // The reverse; a part that is no number raises the conversion error, bad IPv6 text the
  // address error.
  void TranslateStringToTInAddr(const String& AIP, void* AInAddr, TVRNetIPVersion AIPVersion);

  // IPv4: the loopback host name gives 127.0.0.1, an address is returned unchanged, else
  // a lookup. IPv6: the canonical text of an address, else a lookup.
  String ResolveHost(const String& AHost, TVRNetIPVersion AIPVersion = Net_IPv4);
  // Exactly four "."-separated decimal parts 0..255 (blanks around a part allowed).
  bool IsIP(String AIP);
  bool IsValidIPv4MulticastGroup(const String& Value);
  bool IsValVRNetIPv6MulticastGroup(const String& Value);
  // -1 raises the last socket error; anything else is returned.
  Integer CheckForSocketError(Integer AResult);
  // -1: the last error when it is one of AIgnore, else raised; anything else is returned.
  Integer CheckForSocketError(Integer AResult, std::initializer_list<Integer> AIgnore);
  [[noreturn]] void RaiseLastSocketError();
  TStrings* LocalAddresses();
  String LocalAddress();
  String HostName() { return ReadLocalHostName(); }

 private:
  std::unique_ptr<TStrings> FLocalAddresses;
};

// The process-wide stack object (absent while nothing uses the library).
TVRNetStack* GStack();
// The class the first usage instantiates.
extern TClass StackClass;

// BSD-style socket interfaces: raw calls below, common operations built on them.
class TVRNetStackBSDBase : public TVRNetStack {
  DECLARE_CLASS(TVRNetStackBSDBase, TVRNetStack)
 public:
  TVRNetStackSocketHandle NewSocketHandle(Integer ASocketType, Integer AProtocol, TVRNetIPVersion AIPVersion,
                                          bool AOverlapped) override;
  Integer Receive(TVRNetStackSocketHandle ASocket, TBytes& VBuffer) override;
  Integer Send(TVRNetStackSocketHandle ASocket, const TBytes& ABuffer, Integer AOffset = 0,
               Integer ASize = -1) override;
  Integer ReceiveFrom(TVRNetStackSocketHandle ASocket, TBytes& VBuffer, String& VIP, Word& VPort,
                      TVRNetIPVersion& VIPVersion) override;
  Integer SendTo(TVRNetStackSocketHandle ASocket, const TBytes& ABuffer, Integer AOffset, Integer ASize,
                 const String& AIP, Word APort, TVRNetIPVersion AIPVersion) override;
  using TVRNetStack::SendTo;
  // Level 0 (IPv4) or 41 (IPv6), option 10 (time to live / hop limit) or 11 (loopback).
  void SetMulticastTTL(TVRNetStackSocketHandle ASocket, Byte AValue, TVRNetIPVersion AIPVersion) override;
  void SetLoopBack(TVRNetStackSocketHandle ASocket, bool AValue, TVRNetIPVersion AIPVersion) override;
  // Option 13 / 12 with the group and (IPv4) the local interface's address; an empty local
  // address means any interface.
  void DropMulticastMembership(TVRNetStackSocketHandle ASocket, const String& AGroupIP, const String& ALocalIP,
                               TVRNetIPVersion AIPVersion) override;
  void AddMulticastMembership(TVRNetStackSocketHandle ASocket, const String& AGroupIP, const String& ALocalIP,
                              TVRNetIPVersion AIPVersion) override;

  virtual Integer CloseSocketHandle(TVRNetStackSocketHandle ASocket) = 0;
  virtual Integer RawReceive(TVRNetStackSocketHandle ASocket, void* ABuffer, Integer ALength, Integer AFlags) = 0;
  virtual Integer RawSend(TVRNetStackSocketHandle ASocket, const void* ABuffer, Integer ALength, Integer AFlags) = 0;
  virtual Integer ShutdownSocket(TVRNetStackSocketHandle ASocket, Integer AHow) = 0;
  virtual bool CheckIPVersionSupport(TVRNetIPVersion AIPVersion) = 0;
  using TVRNetStack::SetSocketOption;
  virtual void SetSocketOption(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, const void* AOptVal,
                               Integer AOptLen) = 0;
  virtual Word WSGetServByName(const String& AServiceName) = 0;
  virtual std::unique_ptr<TStrings> WSGetServByPort(Word APortNumber) = 0;
  virtual Integer RecvFrom(TVRNetStackSocketHandle ASocket, void* ABuffer, Integer ALength, Integer AFlags, String& VIP,
                           Word& VPort, TVRNetIPVersion& VIPVersion) = 0;
  virtual void WSSendTo(TVRNetStackSocketHandle ASocket, const void* ABuffer, Integer ALength, Integer AFlags,
                        const String& AIP, Word APort, TVRNetIPVersion AIPVersion) = 0;
  virtual TVRNetStackSocketHandle WSSocket(Integer AFamily, Integer AStruct, Integer AProtocol, bool AOverlapped) = 0;
  virtual void WSGetSockOpt(TVRNetStackSocketHandle ASocket, Integer ALevel, Integer AOptName, void* AOptVal,
                            Integer& AOptLen) = 0;
  virtual void SetBlocking(TVRNetStackSocketHandle ASocket, bool ABlocking) = 0;
  virtual bool WouldBlock(Integer AResult) = 0;
};

// A set of up to 64 sockets for select; every operation holds the list's lock.
class TVRNetSocketList : public TObject {
  DECLARE_CLASS(TVRNetSocketList, TObject)
 public:
  TVRNetSocketList();
  ~TVRNetSocketList() override;
  virtual TVRNetStackSocketHandle Items(Integer AIndex) = 0;
  virtual void Add(TVRNetStackSocketHandle AHandle) = 0;
  virtual std::unique_ptr<TVRNetSocketList> Clone() = 0;
  virtual Integer Count() = 0;
  virtual void Remove(TVRNetStackSocketHandle AHandle) = 0;
  virtual void Clear() = 0;
  virtual bool ContainsSocket(TVRNetStackSocketHandle AHandle) = 0;
  virtual bool Select(TVRNetSocketList* AReadList, TVRNetSocketList* AWriteList, TVRNetSocketList* AExceptList,
                      Integer ATimeout = -2) {
    return false;
  }
  virtual bool SelectRead(Integer ATimeout = -2) = 0;
  virtual bool SelectReadList(std::unique_ptr<TVRNetSocketList>& VSocketList, Integer ATimeout = -2) = 0;
  void Lock() { FLock.Enter(); }
  void Unlock() { FLock.Leave(); }
  // A new list of SocketListClass.
  static std::unique_ptr<TVRNetSocketList> CreateSocketList();

 private:
  TVRNetCriticalSection FLock;
};

// Holds a socket list's lock for the life of the scope.
using TVRNetSocketListLock = TCallScope<TVRNetSocketList, &TVRNetSocketList::Lock, &TVRNetSocketList::Unlock>;

extern TClass SocketListClass;

// Sends a whole file on a socket; the file size, or 0 on any failure. Installed by the
// Windows stack's start-up on the NT family only (nullptr elsewhere).
using TTransmitFileToSocket = Int64 (*)(TVRNetStackSocketHandle ASocket, const String& AFileName);
extern TTransmitFileToSocket TransmitFileToSocket;

// Unit start-up: makes the stack lock.
extern const TUnitInfo VRNetStackUnit;
