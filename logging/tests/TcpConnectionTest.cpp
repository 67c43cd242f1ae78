// The TCP transport against a dispatcher that listens on loopback (threads of this test
// program): the framing, the reply rule, failures that switch the logger off, and
// concurrent senders.
#include <winsock2.h>  // first: Winsock 2 before windows.h

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "VRNetTCPClient.h"
#include "VantrelLogging.h"
#include "VantrelTcpConnection.h"

namespace ZS_UNITY_ID {

namespace {

// One frame as the dispatcher read it.
struct Frame {
  uint32_t Signature = 0, Type = 0, Size = 0;
  std::string Packet;
  size_t WireBytes = 0;
};

bool WaitReadable(SOCKET S, int Ms) {
  fd_set rs;
  rs.fd_count = 1;
  rs.fd_array[0] = S;
  timeval tv{Ms / 1000, (Ms % 1000) * 1000};
  return select(0, &rs, nullptr, nullptr, &tv) > 0;
}

// Exactly Count bytes, or false when the client closes or 5 s pass.
bool RecvExact(SOCKET S, char* Out, size_t Count) {
  size_t got = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (got < Count) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!WaitReadable(S, 100)) continue;
    const int n = recv(S, Out + got, static_cast<int>(Count - got), 0);
    if (n <= 0) return false;
    got += n;
  }
  return true;
}

uint32_t BigEndian(const char* P) {
  uint32_t v;
  std::memcpy(&v, P, 4);
  return ntohl(v);
}

// A dispatcher on 127.0.0.1: reads frames, records them, and answers 1, or 0 for the
// refused message types; a silent one reads and records but never answers.
class TTcpDispatcher {
 public:
  explicit TTcpDispatcher(std::set<uint32_t> Refused = {}, bool Silent = false)
      : FRefused(std::move(Refused)), FSilent(Silent) {
    WSADATA d;
    WSAStartup(0x0202, &d);
    FListen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int len = sizeof(a);
    getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len);
    FPort = ntohs(a.sin_port);
    listen(FListen, 5);
    FThread = std::thread([this] { Run(); });
  }
  ~TTcpDispatcher() {
    Stop();
    closesocket(FListen);
    WSACleanup();
  }
  // Ends serving: the client's connection is closed.
  void Stop() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
  }
  uint16_t Port() const { return FPort; }
  std::vector<Frame> Frames() {
    std::lock_guard<std::mutex> lock(FMutex);
    return FFrames;
  }
  // Waits (bounded) until at least Count frames arrived.
  std::vector<Frame> WaitFrames(size_t Count) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Frames().size() < Count && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Frames();
  }
  bool FramingBroken() const { return FBroken; }

 private:
  void Run() {
    while (!FStop) {
      if (!WaitReadable(FListen, 50)) continue;
      SOCKET s = accept(FListen, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      Serve(s);
      closesocket(s);
    }
  }
  void Serve(SOCKET S) {
    while (!FStop) {
      if (!WaitReadable(S, 50)) continue;
      char head[12];
      if (!RecvExact(S, head, 12)) return;
      Frame f;
      f.Signature = BigEndian(head);
      f.Type = BigEndian(head + 4);
      f.Size = BigEndian(head + 8);
      if (f.Signature != 0x7F000001 || f.Size > 1 << 20) {
        FBroken = true;
        return;
      }
      f.Packet.resize(f.Size);
      if (!RecvExact(S, f.Packet.data(), f.Size)) return;
      f.WireBytes = 12 + f.Size;
      uint32_t packetType;
      std::memcpy(&packetType, f.Packet.data(), 4);
      if (packetType != f.Type) FBroken = true;
      {
        std::lock_guard<std::mutex> lock(FMutex);
        FFrames.push_back(f);
      }
      if (FSilent) continue;
      const uint32_t reply = htonl(FRefused.count(f.Type) ? 0 : 1);
      send(S, reinterpret_cast<const char*>(&reply), 4, 0);
    }
  }

  std::set<uint32_t> FRefused;
  bool FSilent;
  SOCKET FListen = INVALID_SOCKET;
  uint16_t FPort = 0;
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::atomic<bool> FBroken{false};
  std::mutex FMutex;
  std::vector<Frame> FFrames;
};

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

}  // namespace

TEST(TcpConnection, DefaultsToTheLocalMachineOnPort3434) {
  TVantrelTcpConnection c;
  EXPECT_EQ(c.TcpClient()->Host(), L"localhost");
  EXPECT_EQ(c.TcpClient()->Port(), 3434);
  TVantrelTcpConnection named(L"logs.example");
  EXPECT_EQ(named.TcpClient()->Host(), L"logs.example");
  EXPECT_EQ(named.TcpClient()->Port(), 3434);
  TVantrelTcpConnection both(L"127.0.0.1", 0x10000 + 4000);  // taken as a 16-bit port
  EXPECT_EQ(both.TcpClient()->Port(), 4000);
  EXPECT_TRUE(c.Connect());
}

TEST(TcpConnection, FramesEveryPacketAndReleasesItsIDsOnTheWayOut) {
  TTcpDispatcher dispatcher;
  {
    TVantrelLogger logger(nullptr);
    logger.ConnectUsingTcp(L"127.0.0.1", dispatcher.Port());
    logger.Send(L"");  // no text, no details: the smallest packet
    logger.Send(L"second");
    EXPECT_TRUE(logger.Enabled());
    const std::vector<Frame> f = dispatcher.WaitFrames(3);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].Type, 91u);  // the destination registration goes first
    EXPECT_EQ(f[1].Type, 0u);
    EXPECT_EQ(f[1].Size, 246u);
    EXPECT_EQ(f[1].WireBytes, 258u);
    EXPECT_EQ(f[2].Size, 246u + 6u);
    EXPECT_EQ(f[2].Packet.substr(243, 6), "second");
    EXPECT_EQ(logger.Connection()->DispatchIDs().size(), 1u);
  }
  const std::vector<Frame> f = dispatcher.WaitFrames(4);
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[3].Type, 92u);  // released through the same transport
  EXPECT_FALSE(dispatcher.FramingBroken());
}

TEST(TcpConnection, FailuresSwitchTheLoggerOffWithoutRaising) {
  {
    TVantrelLogger logger(nullptr);
    logger.ConnectUsingTcp(L"127.0.0.1", FreePort());  // nobody listens
    EXPECT_NO_THROW(logger.Send(L"lost"));
    EXPECT_FALSE(logger.Enabled());
  }
  TTcpDispatcher refusing({0});
  {
    TVantrelLogger logger(nullptr);
    logger.ConnectUsingTcp(L"127.0.0.1", refusing.Port());
    logger.Send(L"refused");
    EXPECT_FALSE(logger.Enabled());
    EXPECT_EQ(refusing.WaitFrames(2).size(), 2u);
  }
  // After a broken connection the next send connects again.
  auto dispatcher = std::make_unique<TTcpDispatcher>();
  const uint16_t port = dispatcher->Port();
  TVantrelTcpConnection c(L"127.0.0.1", port);
  TVantrelMessage msg;
  msg.MsgType = 0;
  EXPECT_EQ(c.SendPackedMessage(&msg), 1);
  dispatcher.reset();
  EXPECT_THROW(c.SendPackedMessage(&msg), Exception);
}

TEST(TcpConnection, ASilentDispatcherCostsABoundedWaitAndSwitchesTheLoggerOff) {
  TValueScope<Integer> timeout(TVantrelTcpConnection::ReplyTimeout, 300);
  TTcpDispatcher silent({}, true);
  TVantrelLogger logger(nullptr);
  logger.ConnectUsingTcp(L"127.0.0.1", silent.Port());
  // The send runs on its own thread so that a wait without limit fails the test instead
  // of hanging it (closing the dispatcher then ends the wait).
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread sender([&] {
    logger.Send(L"unanswered");
    SetEvent(done);
  });
  const bool returned = WaitForSingleObject(done, 10000) == WAIT_OBJECT_0;
  EXPECT_TRUE(returned) << "the send still waits for a reply that never comes";
  if (!returned) silent.Stop();
  sender.join();
  CloseHandle(done);
  EXPECT_FALSE(logger.Enabled());
  const std::vector<Frame> f = silent.WaitFrames(1);
  ASSERT_GE(f.size(), 1u);
  EXPECT_EQ(f[0].Type, 91u);  // the registration was read and never answered
  EXPECT_FALSE(silent.FramingBroken());
}

TEST(TcpConnection, ConcurrentSendersExchangeWholeFrames) {
  TTcpDispatcher dispatcher;
  TVantrelTcpConnection c(L"127.0.0.1", dispatcher.Port());
  std::atomic<int> delivered{0};
  auto sender = [&](int Type, const char* Text) {
    for (int i = 0; i < 25; ++i) {
      TVantrelMessage m;
      m.MsgType = Type;
      m.MsgText = std::string(Text) + std::to_string(i);
      if (c.SendPackedMessage(&m) == 1) ++delivered;
    }
  };
  std::thread a(sender, 1, "first thread ");
  std::thread b(sender, 2, "second thread, a longer text ");
  a.join();
  b.join();
  EXPECT_EQ(delivered, 50);
  const std::vector<Frame> f = dispatcher.WaitFrames(50);
  EXPECT_EQ(f.size(), 50u);
  EXPECT_FALSE(dispatcher.FramingBroken());
}

TEST(TcpConnection, TheManagersDefaultConnectionCanBeTcp) {
  TTcpDispatcher dispatcher;
  GlobalLogManager->ConnectUsingTcp(L"127.0.0.1", dispatcher.Port());
  {
    TVantrelLogger logger(nullptr);  // no connection of its own
    logger.Send(L"via the manager");
    EXPECT_TRUE(logger.Enabled());
  }
  EXPECT_GE(dispatcher.WaitFrames(2).size(), 2u);
  EXPECT_NE(dynamic_cast<TVantrelTcpConnection*>(GlobalLogManager->DefaultConnection()), nullptr);
  GlobalLogManager->ConnectUsingCopyData();
}

TEST(TcpConnection, AConnectionThatOutlivesTheLoggingUnitStillReleasesItsIDs) {
  TTcpDispatcher dispatcher;
  auto logger = std::make_unique<TVantrelLogger>(nullptr);
  logger->ConnectUsingTcp(L"127.0.0.1", dispatcher.Port());
  logger->Send(L"before the shut-down");
  ASSERT_EQ(dispatcher.WaitFrames(2).size(), 2u);
  const String id = logger->DispatchID();
  {
    // As when a form that owns the logger is freed after the logging units shut down.
    VantrelLoggingFinalize();
    TScopeExit restart([] { VantrelLoggingInitialize(); });
    TVantrelLogger plain(nullptr);
    EXPECT_NO_THROW(plain.CloseDispatcher());  // no connection of its own and no manager
    EXPECT_NO_THROW(logger->CloseDispatcher());
    logger.reset();
  }
  const std::vector<Frame> f = dispatcher.WaitFrames(3);
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[2].Type, 92u);
  EXPECT_NE(f[2].Packet.find(UTF8Encode(id)), std::string::npos);
}

}  // namespace ZS_UNITY_ID
