// SOCKS 4, 4A and 5 (with username/password authentication): CONNECT, BIND with its
// second reply, and UDP ASSOCIATE with the datagram header.
#pragma once

#include <memory>

#include "VRNetCustomTransparentProxy.h"

class TVRNetIOHandlerStack;

enum TSocksAuthentication { saNoAuthentication, saUsernamePassword };
enum TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };

class TVRNetSocksInfo : public TVRNetCustomTransparentProxy {
  DECLARE_CLASS(TVRNetSocksInfo, TVRNetCustomTransparentProxy)
 public:
  explicit TVRNetSocksInfo(TComponent* AOwner = nullptr);
  ~TVRNetSocksInfo() override;

  void Assign(TPersistent* Source) override;
  bool Enabled() const override { return Version != svNoSocks; }
  void NegotiateConnect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort,
                        TVRNetIPVersion AIPVersion) override;
  using TVRNetCustomTransparentProxy::Bind;
  void Bind(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort, TVRNetIPVersion AIPVersion) override;
  bool Listen(TVRNetIOHandler* AIOHandler, Integer ATimeOut) override;
  void OpenUDP(TVRNetSocketHandle* AHandle, const String& AHost = L"", Word APort = 0,
               TVRNetIPVersion AIPVersion = Net_IPv4) override;
  void CloseUDP(TVRNetSocketHandle* AHandle) override;
  Integer RecvFromUDP(TVRNetSocketHandle* AHandle, TBytes& ABuffer, String& VPeerIP, Word& VPeerPort,
                      TVRNetIPVersion& VIPVersion, Integer AMSec = -1) override;
  void SendToUDP(TVRNetSocketHandle* AHandle, const String& AHost, Word APort, TVRNetIPVersion AIPVersion,
                 const TBytes& ABuffer) override;

  TSocksAuthentication Authentication = saNoAuthentication;
  TSocksVersion Version = svNoSocks;

  // The datagram header for a target (reserved, fragment, address type, address, port).
  TBytes Socks5UdpHeader(const String& AHost, Word APort);

 private:
  void Socks4Request(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort, Byte ACommand);
  void Socks4Judge(Byte ACode);
  void Socks4Connect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort);
  void Socks4Bind(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort);
  bool Socks4AcceptReply(TVRNetIOHandler* AIOHandler, Integer ATimeOut);
  void Socks5Authenticate(TVRNetIOHandler* AIOHandler);
  TBytes Socks5Request(const String& AHost, Word APort, Byte ACommand);
  void Socks5Judge(Byte ACode);
  void Socks5Connect(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort);
  void Socks5Bind(TVRNetIOHandler* AIOHandler, const String& AHost, Word APort, TVRNetIPVersion AIPVersion);
  bool Socks5AcceptReply(TVRNetIOHandler* AIOHandler, Integer ATimeOut);
  // Reads a bound address (type byte already known) and port; type 3 names are resolved.
  void ReadBoundAddress(TVRNetIOHandler* AIOHandler, Byte AType, String& VIP, Word& VPort,
                        TVRNetIPVersion ANameVersion);
  // Connects the handler straight to the proxy for a BIND.
  void ConnectToProxy(TVRNetIOHandler* AIOHandler);

  std::unique_ptr<TVRNetIOHandlerStack> FUDPSocksAssociation;
};
