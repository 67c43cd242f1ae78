// The TCP transport of the logging client: each packed message goes to a dispatcher
// listening on a host and port, framed as three 32-bit network-order integers (the
// signature, the message type and the packet size) and the packet, and is answered with
// one 32-bit network-order integer, non-zero for delivered.
#pragma once

#include <memory>

#include "SyncObjs.h"
#include "VantrelConnection.h"

class TVRNetTCPClient;

// The dispatcher's default TCP port.
constexpr Word VantrelDefaultTcpPort = 3434;

class TVantrelTcpConnection : public TVantrelConnection {
  DECLARE_CLASS(TVantrelTcpConnection, TVantrelConnection)
 public:
  // The local machine's loopback host, port 3434.
  TVantrelTcpConnection();
  explicit TVantrelTcpConnection(const String& Host);
  TVantrelTcpConnection(const String& Host, Integer Port);
  // Releases the dispatch IDs through this transport, then disconnects.
  ~TVantrelTcpConnection() override;

  // Connects lazily inside each send; one request and its reply at a time. A failed
  // exchange (a write error, no reply within ReplyTimeout) drops the connection, so a
  // late reply can never be taken for the answer to a later message.
  Integer SendPackedMessage(TVantrelMessage* Msg) override;

  TVRNetTCPClient* TcpClient() const { return FTcpClient.get(); }

  // How long a send waits for the dispatcher's reply, in milliseconds. A dispatcher that
  // accepts and never answers costs each send this long at most; the send then fails
  // (and the logger switches itself off) instead of holding every logging thread.
  static inline Integer ReplyTimeout = 5000;

 protected:
  void ConnectClient();

 private:
  std::unique_ptr<TVRNetTCPClient> FTcpClient;
  TCriticalSection FTcpClientCriticalSection;
};
