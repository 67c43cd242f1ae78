// One socket: allocation, binding to a local address or a range of local ports, connect,
// send, receive, readiness waits, and the local and peer addresses.
#pragma once

#include <memory>

#include "Persistent.h"
#include "VRNetStack.h"

class TVRNetSocketHandle : public TCollectionItem {
  DECLARE_CLASS(TVRNetSocketHandle, TCollectionItem)
 public:
  explicit TVRNetSocketHandle(TCollection* ACollection = nullptr);
  ~TVRNetSocketHandle() override;

  void Assign(TPersistent* Source) override;
  virtual void CloseSocket();
  virtual void Connect();

  void AllocateSocket(Integer ASocketType = Net_SOCK_STREAM, Integer AProtocol = 0);
  // One address and port, or a port range tried from the top down.
  void Bind();
  void Listen(Integer AQueueCount = 5);
  bool Accept(TVRNetStackSocketHandle ASocket);
  Integer Receive(TBytes& VBuffer);
  Integer Send(const TBytes& ABuffer, Integer AOffset = 0, Integer ASize = -1);
  // Datagrams: the whole array to AIP and APort, and one datagram into VBuffer (its size
  // is the most taken) with its source.
  Integer SendTo(const String& AIP, Word APort, const TBytes& ABuffer, TVRNetIPVersion AIPVersion = Net_IPv4);
  Integer RecvFrom(TBytes& VBuffer, String& VIP, Word& VPort, TVRNetIPVersion& VIPVersion);
  // Sends to AIP (resolved), or to 255.255.255.255 when AIP is empty, with SO_BROADCAST
  // on for the send and back to BroadcastEnabled afterwards.
  void Broadcast(const TBytes& AData, Word APort, const String& AIP = String());
  void Broadcast(const String& AData, Word APort, const String& AIP = String(), const TEncoding* AEncoding = nullptr);
  void SetSockOpt(Integer ALevel, Integer AOptName, Integer AOptVal);
  void GetSockOpt(Integer ALevel, Integer AOptName, Integer& VOptVal);
  void SetPeer(const String& AIP, Word APort, TVRNetIPVersion AIPVersion = Net_IPv4);
  void SetBinding(const String& AIP, Word APort, TVRNetIPVersion AIPVersion = Net_IPv4);
  void UpdateBindingLocal();
  void UpdateBindingPeer();
  void Reset(bool AResetLocal = true);
  // -1 waits without limit.
  bool Readable(Integer AMSec = -1);
  bool Select(Integer ATimeout = -1);

  Word ClientPortMin = 0;
  Word ClientPortMax = 0;
  TVRNetStackSocketHandle Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandleAllocated; }
  String IP;
  String PeerIP;
  Word Port = 0;
  Word PeerPort = 0;
  bool OverLapped = false;
  TVRNetIPVersion IPVersion() const { return FIPVersion; }
  // EVRNetCannotSetIPVersionWhenConnected for a different value while a socket exists.
  void SetIPVersion(TVRNetIPVersion AValue);
  bool BroadcastEnabled() const { return FBroadcastEnabled; }
  void SetBroadcastEnabled(bool AValue);

 private:
  void SetHandle(TVRNetStackSocketHandle AHandle);
  bool TryBind();
  bool WaitReadableOnce(Integer ATimeout);

  TVRNetStackSocketHandle FHandle = Net_INVALID_SOCKET;
  bool FHandleAllocated = false;
  std::unique_ptr<TVRNetSocketList> FReadSocketList;
  TVRNetIPVersion FIPVersion = Net_IPv4;
  TVRNetCriticalSection FConnectionHandle;
  bool FBroadcastEnabled = false;
};
