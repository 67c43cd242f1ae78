// The TCP client and the socket handle over real loopback connections.
#include "TestClient.h"

#include <gtest/gtest.h>

#include "VRNetException.h"

namespace ZS_UNITY_ID {

namespace {
// A loopback port on which nothing listens.
uint16_t FreePort() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  int len = sizeof(a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  closesocket(s);
  return ntohs(a.sin_port);
}

Cardinal Since(Cardinal Start) { return ElapsedTicks(Start, TickCount()); }
}  // namespace

TEST(VRNetTCPClient, ConnectsOnceAndAgainAfterDisconnect) {
  TTestPeer peer(EchoPeer);
  TVRNetTCPClient c(nullptr);
  c.Disconnect();  // never connected: nothing
  c.SetHost(L"127.0.0.1");
  c.SetPort(peer.Port());
  c.SetReadTimeout(5000);
  int connected = 0, disconnected = 0;
  c.OnConnected = [&](TObject*) { ++connected; };
  c.OnDisconnected = [&](TObject*) { ++disconnected; };
  c.Connect();
  EXPECT_TRUE(c.Connected());
  TVRNetIOHandler* handler = c.IOHandler();
  EXPECT_TRUE(c.ManagedIOHandler);
  EXPECT_EQ(c.Socket(), handler);
  try {
    c.Connect();
    FAIL();
  } catch (const EVRNetAlreadyConnected& e) {
    EXPECT_EQ(e.Message(), L"Already connected.");
  }
  c.IOHandler()->WriteLn(L"ping");
  EXPECT_EQ(c.IOHandler()->ReadLn(), L"ping");
  c.Disconnect();
  EXPECT_FALSE(c.Connected());
  c.Connect();
  EXPECT_EQ(c.IOHandler(), handler);  // the managed handler is reused
  c.IOHandler()->WriteLn(L"pong");
  EXPECT_EQ(c.IOHandler()->ReadLn(), L"pong");
  EXPECT_EQ(connected, 2);
  EXPECT_EQ(disconnected, 1);
  EXPECT_EQ(peer.Accepted(), 2);
}

TEST(VRNetTCPClient, RequiresHostAndPortAndReportsRefusal) {
  TVRNetTCPClient c(nullptr);
  c.SetPort(1);
  EXPECT_THROW(c.Connect(), ENetHostRequired);
  c.SetHost(L"127.0.0.1");
  c.SetPort(0);
  EXPECT_THROW(c.Connect(), ENetPortRequired);
  EXPECT_EQ(c.IOHandler(), nullptr);  // nothing was made
  c.SetPort(FreePort());
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      c.Connect();
      FAIL();
    } catch (const EVRNetSocketError& e) {
      EXPECT_EQ(e.LastError(), 10061);
      EXPECT_EQ(e.Message(), L"Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_FALSE(c.Connected());
    EXPECT_EQ(c.IOHandler(), nullptr);  // the managed handler went with the failure
  }
}

TEST(VRNetTCPClient, StatusEventsInOrder) {
  TTestPeer peer(EchoPeer);
  TVRNetTCPClient c(nullptr);
  std::vector<String> texts;
  c.OnStatus = [&](TObject*, TNetStatus, const String& t) { texts.push_back(t); };
  c.SetHost(L"localhost");
  c.SetPort(peer.Port());
  c.Connect();
  c.Disconnect();
  EXPECT_EQ(texts, (std::vector<String>{L"Resolving hostname localhost.", L"Connecting to 127.0.0.1.",
                                        L"Connected.", L"Disconnecting.", L"Disconnected."}));
  texts.clear();
  c.SetHost(L"127.0.0.1");
  c.Connect();  // an address literal is not resolved
  EXPECT_EQ(texts.front(), L"Connecting to 127.0.0.1.");
}

TEST(VRNetTCPClient, ReadTimeoutKeepsTheConnection) {
  std::atomic<bool> release{false};
  TTestPeer peer([&](SOCKET s) {
    TTestPeer::SendAll(s, "ab");
    TTestPeer::Hold(release);
  });
  auto c = ConnectedClient(peer.Port(), 1000);
  const Cardinal t = TickCount();
  try {
    c->IOHandler()->ReadLongInt();
    FAIL();
  } catch (const EVRNetReadTimeout& e) {
    EXPECT_EQ(e.Message(), L"Read timed out.");
  }
  EXPECT_GE(Since(t), 950u);
  EXPECT_LT(Since(t), 4000u);
  EXPECT_TRUE(c->Connected());
  EXPECT_EQ(c->IOHandler()->InputBuffer()->Size(), 2);  // kept for the next read
  release = true;
}

TEST(VRNetTCPClient, CommandsAndNumberedReplies) {
  std::vector<std::string> commands;
  TTestPeer peer([&](SOCKET s) {
    commands.push_back(TTestPeer::RecvLine(s));
    TTestPeer::SendAll(s, "250-first\r\n250 done\r\n");
    commands.push_back(TTestPeer::RecvLine(s));
    TTestPeer::SendAll(s, "500 bad\r\n");
    commands.push_back(TTestPeer::RecvLine(s));
    TTestPeer::SendAll(s, "220 text\r\n");
    TTestPeer::RecvAll(s);
  });
  auto c = ConnectedClient(peer.Port());
  EXPECT_EQ(c->SendCmd(L"HELO x", 250), 250);
  EXPECT_EQ(c->LastCmdResult()->Text()->Count(), 2);
  try {
    c->SendCmd(L"BAD", 250);
    FAIL();
  } catch (const EVRNetReplyRFCError& e) {
    EXPECT_EQ(e.ErrorCode(), 500);
    EXPECT_EQ(e.Message(), L"bad");
  }
  EXPECT_EQ(c->SendCmd(L"TEXT", String(L"220")), L"220");
  c->Disconnect();
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0], "HELO x\r\n");
}

TEST(VRNetTCPClient, ConnectTimeoutAgainstAPeerThatDropsAttempts) {
  // A listener that never accepts and whose queue is full drops further connection attempts.
  TTestPeer silent(nullptr, 1);
  std::vector<SOCKET> fillers;
  for (int i = 0; i < 4; ++i) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    u_long nb = 1;
    ioctlsocket(s, FIONBIO, &nb);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(silent.Port());
    connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    fillers.push_back(s);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  TVRNetTCPClient c(nullptr);
  c.SetHost(L"127.0.0.1");
  c.SetPort(silent.Port());
  c.SetConnectTimeout(500);
  const Cardinal t = TickCount();
  try {
    c.Connect();
    FAIL() << "connected";
  } catch (const EVRNetConnectTimeout& e) {
    EXPECT_EQ(e.Message(), L"Connect timed out.");
  }
  EXPECT_GE(Since(t), 480u);
  EXPECT_LT(Since(t), 3000u);
  EXPECT_FALSE(c.Connected());
  for (SOCKET s : fillers) closesocket(s);

  // With a time-out and a peer that answers, the connect thread succeeds.
  TTestPeer peer(EchoPeer);
  c.SetPort(peer.Port());
  c.SetConnectTimeout(3000);
  c.SetReadTimeout(5000);
  c.Connect();
  c.IOHandler()->WriteLn(L"late");
  EXPECT_EQ(c.IOHandler()->ReadLn(), L"late");
  c.Disconnect();

  // A refused connect on the thread is reported with its number.
  c.SetPort(FreePort());
  try {
    c.Connect();
    FAIL();
  } catch (const EVRNetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
  }
}

TEST(VRNetTCPClient, BindsWithinAPortRangeFromTheTop) {
  TTestPeer peer(EchoPeer);
  // A range of three ports whose top one is taken.
  SOCKET taken = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  uint16_t top = 0;
  for (uint16_t p = 47102; p < 47900 && !top; p += 7) {
    a.sin_port = htons(p);
    if (bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0) top = p;
  }
  ASSERT_NE(top, 0);
  TVRNetTCPClient c(nullptr);
  c.SetHost(L"127.0.0.1");
  c.SetPort(peer.Port());
  c.SetBoundIP(L"127.0.0.1");
  c.SetBoundPortMin(static_cast<Word>(top - 2));
  c.SetBoundPortMax(top);
  c.Connect();
  EXPECT_EQ(c.Socket()->Binding()->Port, top - 1);
  EXPECT_EQ(c.Socket()->Binding()->PeerPort, peer.Port());
  c.Disconnect();
  closesocket(taken);

  c.SetBoundPortMin(top);
  c.SetBoundPortMax(static_cast<Word>(top - 2));
  try {
    c.Connect();
    FAIL();
  } catch (const EVRNetInvalidPortRange& e) {
    EXPECT_EQ(e.Message(), L"Invalid Port Range (" + IntToStr(top) + L" - " + IntToStr(top - 2) + L")");
  }
  c.SetBoundPort(static_cast<Word>(top - 5));  // a single port wins over the range
  c.Connect();
  EXPECT_EQ(c.Socket()->Binding()->Port, top - 5);
}

TEST(VRNetTCPClient, PeerCloseIsNoticedAndDestinationText) {
  std::atomic<bool> release{false};
  TTestPeer peer([&](SOCKET s) { TTestPeer::Hold(release); });
  auto c = ConnectedClient(peer.Port());
  EXPECT_TRUE(c->Connected());
  release = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(c->Connected());
  EXPECT_FALSE(c->Socket()->BindingAllocated());  // the socket was closed

  TVRNetIOHandlerStack h(nullptr);
  h.DefaultPort = 80;
  h.SetDestination(L"example");
  EXPECT_EQ(h.Host(), L"");
  h.SetDestination(L"example:81");
  EXPECT_EQ(h.Host(), L"example");
  EXPECT_EQ(h.Port(), 81);
  EXPECT_EQ(h.Destination(), L"example:81");
  h.SetPort(80);
  EXPECT_EQ(h.Destination(), L"example");
  h.SetDestination(L"other:http");
  EXPECT_EQ(h.Port(), 80);
  EXPECT_EQ(h.Host(), L"other");
}

TEST(VRNetTCPClient, IOHandlerClassesComeFromTheRegistry) {
  TVRNetIOHandler* made = TVRNetIOHandler::MakeIOHandler(TVRNetIOHandlerSocket::StaticClass());
  EXPECT_EQ(made->ClassType(), TVRNetIOHandlerStack::StaticClass());
  delete made;
  try {
    TVRNetIOHandler::MakeIOHandler(TVRNetTCPClient::StaticClass());
    FAIL();
  } catch (const EVRNetException& e) {
    EXPECT_EQ(e.Message(), L"No IOHandler of type TVRNetTCPClient is installed.");
  }
  TTestPeer peer(EchoPeer);
  TVRNetTCPClient c(nullptr);
  c.CreateIOHandler();
  EXPECT_TRUE(c.ManagedIOHandler);
  EXPECT_EQ(c.IOHandler()->WorkTarget(), &c);
  c.SetHost(L"127.0.0.1");
  c.SetPort(peer.Port());
  c.SetReadTimeout(5000);
  c.Connect();
  try {
    c.CreateIOHandler();
    FAIL();
  } catch (const EVRNetException& e) {
    EXPECT_EQ(e.Message(), L"Cannot change a connected IOHandler.");
  }
  // Write progress of the handler is reported by the client, its work target.
  Int64 written = 0;
  c.OnWork = [&](TObject*, TWorkMode m, Int64 n) {
    if (m == wmWrite) written = n;
  };
  TMemoryStream ms;
  ms.WriteBuffer("0123456789", 10);
  c.IOHandler()->Write(&ms);
  EXPECT_EQ(written, 10);
  EXPECT_EQ(c.IOHandler()->ReadString(10), L"0123456789");
}

TEST(VRNetTCPClient, ConnectsOverIPv6Loopback) {
  SOCKET l = socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  a.sin6_addr = in6addr_loopback;
  if (l == INVALID_SOCKET || bind(l, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
    if (l != INVALID_SOCKET) closesocket(l);
    GTEST_SKIP() << "no IPv6 loopback on this machine";
  }
  int len = sizeof(a);
  getsockname(l, reinterpret_cast<sockaddr*>(&a), &len);
  listen(l, 1);
  std::thread t([&] {
    if (!TTestPeer::WaitReadable(l, 5000)) return;
    SOCKET s = accept(l, nullptr, nullptr);
    EchoPeer(s);
    closesocket(s);
  });
  TVRNetTCPClient c(nullptr);
  c.SetIPVersion(Net_IPv6);
  c.SetHost(L"::1");
  c.SetPort(ntohs(a.sin6_port));
  c.SetReadTimeout(5000);
  c.Connect();
  EXPECT_EQ(c.Socket()->Binding()->PeerIP, L"0:0:0:0:0:0:0:1");
  EXPECT_EQ(c.Socket()->Binding()->IPVersion(), Net_IPv6);
  c.IOHandler()->WriteLn(L"six");
  EXPECT_EQ(c.IOHandler()->ReadLn(), L"six");
  c.Disconnect();
  t.join();
  closesocket(l);
}

}  // namespace ZS_UNITY_ID
