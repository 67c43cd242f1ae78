// A TCP client connected to a loopback test peer, with a bounded read time-out.
#pragma once

#include "TestPeer.h"

#include <memory>

#include "VRNetIOHandlerStack.h"
#include "VRNetTCPClient.h"

inline std::unique_ptr<TVRNetTCPClient> ConnectedClient(uint16_t Port, Integer ReadTimeout = 5000) {
  auto c = std::make_unique<TVRNetTCPClient>(nullptr);
  c->SetHost(L"127.0.0.1");
  c->SetPort(Port);
  c->SetReadTimeout(ReadTimeout);
  c->Connect();
  return c;
}

// Echoes everything back until the client closes.
inline void EchoPeer(SOCKET S) {
  for (;;) {
    if (!TTestPeer::WaitReadable(S, 5000)) return;
    char buf[4096];
    const int n = recv(S, buf, sizeof(buf), 0);
    if (n <= 0) return;
    TTestPeer::SendAll(S, std::string(buf, n));
  }
}
