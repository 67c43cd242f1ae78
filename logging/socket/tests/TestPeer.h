// A loopback TCP peer for the socket tests: listens on 127.0.0.1 with a system-chosen
// port and runs a script on every accepted connection, one after the other, on its own
// thread. Every wait is bounded so that a failing test never hangs.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

class TTestPeer {
 public:
  using THandler = std::function<void(SOCKET)>;

  explicit TTestPeer(THandler Handler, int Backlog = 5) : FHandler(std::move(Handler)) {
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
    listen(FListen, Backlog);
    if (FHandler) FThread = std::thread([this] { Run(); });
  }

  ~TTestPeer() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
    closesocket(FListen);
    WSACleanup();
  }

  uint16_t Port() const { return FPort; }
  int Accepted() const { return FAccepted; }

  // Bytes from a socket: exactly Count, or fewer when the peer closes or 5 s pass.
  static std::string RecvExact(SOCKET S, size_t Count, int TimeoutMs = 5000) {
    std::string r;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (r.size() < Count && std::chrono::steady_clock::now() < end) {
      if (!WaitReadable(S, 100)) continue;
      char buf[4096];
      const int want = static_cast<int>(std::min<size_t>(sizeof(buf), Count - r.size()));
      const int n = recv(S, buf, want, 0);
      if (n <= 0) break;
      r.append(buf, n);
    }
    return r;
  }
  // One line up to and including LF (or what came before a close or the time-out).
  static std::string RecvLine(SOCKET S, int TimeoutMs = 5000) {
    std::string r;
    while (r.empty() || r.back() != '\n') {
      const std::string c = RecvExact(S, 1, TimeoutMs);
      if (c.empty()) break;
      r += c;
    }
    return r;
  }
  // Everything until the peer closes (at most TimeoutMs).
  static std::string RecvAll(SOCKET S, int TimeoutMs = 5000) {
    std::string r;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (!WaitReadable(S, 100)) continue;
      char buf[4096];
      const int n = recv(S, buf, sizeof(buf), 0);
      if (n <= 0) break;
      r.append(buf, n);
    }
    return r;
  }
  static void SendAll(SOCKET S, const std::string& Data) {
    size_t sent = 0;
    while (sent < Data.size()) {
      const int n = send(S, Data.data() + sent, static_cast<int>(Data.size() - sent), 0);
      if (n <= 0) return;
      sent += n;
    }
  }
  static bool WaitReadable(SOCKET S, int Ms) {
    fd_set rs;
    rs.fd_count = 1;
    rs.fd_array[0] = S;
    timeval tv{Ms / 1000, (Ms % 1000) * 1000};
    return select(0, &rs, nullptr, nullptr, &tv) > 0;
  }
  // Waits (bounded) until the test releases the peer.
  static void Hold(const std::atomic<bool>& Release, int TimeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Release && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

 private:
  void Run() {
    // Stops accepting 20 s after the last connection at the latest.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!FStop && std::chrono::steady_clock::now() < deadline) {
      if (!WaitReadable(FListen, 50)) continue;
      SOCKET s = accept(FListen, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      ++FAccepted;
      FHandler(s);
      closesocket(s);
      deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    }
  }

  THandler FHandler;
  SOCKET FListen = INVALID_SOCKET;
  uint16_t FPort = 0;
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::atomic<int> FAccepted{0};
};
