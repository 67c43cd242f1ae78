// Winsock binding and the socket stack.
#include "TestPeer.h"

#include <gtest/gtest.h>

#include "VRNetStackWindows.h"
#include "VRNetWinsock2.h"
#include "VRNetWship6.h"

namespace ZS_UNITY_ID {

namespace {
// One stack usage for the duration of a test.
class TStackUsage {
 public:
  TStackUsage() { TVRNetStack::IncUsage(); }
  ~TStackUsage() { TVRNetStack::DecUsage(); }
  TStackUsage(const TStackUsage&) = delete;
  TStackUsage& operator=(const TStackUsage&) = delete;
};
}  // namespace

TEST(VRNetWinsock2, EntriesBindByNameOnFirstCall) {
  TStackUsage usage;  // Winsock is loaded by the first stack
  ASSERT_TRUE(WinsockLoaded());
  UnloadWinsockLibrary();
  ResetWinsockEntries();
  try {
    VRNetWinsock2::htons(1);
    FAIL() << "bound without a module";
  } catch (const EVRNetWinsockStubError& e) {
    EXPECT_EQ(e.Win32Error(), 10093u);
    EXPECT_NE(e.Message().find(L"Error on call to Winsock2 library function htons"), String::npos);
  }
  LoadWinsockLibrary();
  EXPECT_EQ(VRNetWinsock2::htons(0x1234), 0x3412);
  EXPECT_EQ(reinterpret_cast<void*>(VRNetWinsock2::htons),
            reinterpret_cast<void*>(GetProcAddress(WinsockModule(), "htons")));
  try {
    BindWinsockEntry(WinsockModule(), "NoSuchSocketFunction");
    FAIL();
  } catch (const EVRNetWinsockStubError& e) {
    EXPECT_EQ(e.Win32Error(), 10022u);
    EXPECT_EQ(e.Title(), L"Error on call to Winsock2 library function NoSuchSocketFunction");
  }
  // Windows' WS2_32 has the address-lookup functions itself.
  LoadIPv6Helpers();
  EXPECT_TRUE(IPv6HelpersAvailable);
  EXPECT_EQ(AddrInfoErrorToWinsockError(8), 11001);
  EXPECT_EQ(AddrInfoErrorToWinsockError(11001), 11001);
  EXPECT_EQ(AddrInfoErrorToWinsockError(1), 0);
}

TEST(VRNetStack, UsageCountMakesExactlyOneStack) {
  const Integer base = TVRNetStack::UsageCount();
  ASSERT_EQ(base, 0) << "a test leaked a stack usage";
  EXPECT_EQ(GStack(), nullptr);
  TVRNetStack::IncUsage();
  TVRNetStack* first = GStack();
  TVRNetStack::IncUsage();
  EXPECT_EQ(GStack(), first);
  EXPECT_EQ(first->ClassName(), L"TVRNetStackWindows");
  TVRNetStack::DecUsage();
  EXPECT_NE(GStack(), nullptr);
  TVRNetStack::DecUsage();
  EXPECT_EQ(GStack(), nullptr);
  TVRNetStack::DecUsage();  // at 0: nothing
  EXPECT_EQ(TVRNetStack::UsageCount(), 0);
}

TEST(VRNetStack, ResolvesAddressesAndChecksLiterals) {
  TStackUsage usage;
  TVRNetStack* s = GStack();
  EXPECT_EQ(s->ResolveHost(L"localhost"), L"127.0.0.1");
  EXPECT_EQ(s->ResolveHost(L"LocalHost"), L"127.0.0.1");
  EXPECT_EQ(s->ResolveHost(L"10.1.2.3"), L"10.1.2.3");
  EXPECT_EQ(s->ResolveHost(L"::1", Net_IPv6), L"0:0:0:0:0:0:0:1");
  EXPECT_THROW(s->ResolveHost(L"x", static_cast<TVRNetIPVersion>(5)), EVRNetIPVersionUnsupported);
  struct Case {
    const wchar_t* Text;
    bool IP;
  } cases[] = {{L"1.2.3", false},     {L"1.2.3.4.5", false}, {L"1.2.3.256", false}, {L"1.2.x.4", false},
               {L" 1 . 2 .3. 4 ", true}, {L"0.0.0.0", true},  {L"255.255.255.255", true}, {L"", false}};
  for (const Case& c : cases) EXPECT_EQ(s->IsIP(c.Text), c.IP) << c.Text;
  EXPECT_TRUE(s->IsValidIPv4MulticastGroup(L"224.0.0.1"));
  EXPECT_FALSE(s->IsValidIPv4MulticastGroup(L"240.0.0.1"));
  EXPECT_TRUE(s->IsValVRNetIPv6MulticastGroup(L"ff02::1"));
  EXPECT_FALSE(s->HostName().empty());
  // The loopback address has a name (looked up with the canonical-name flag).
  EXPECT_FALSE(s->HostByAddress(L"127.0.0.1", Net_IPv4).empty());
  EXPECT_EQ(s->HostToNetwork(Cardinal(0x01020304)), 0x04030201u);
  EXPECT_EQ(s->HostToNetwork(UInt64(0x0102030405060708)), 0x0807060504030201ull);
  EXPECT_EQ(s->NetworkToHost(s->HostToNetwork(UInt64(0x1122334455667788))), 0x1122334455667788ull);
  EXPECT_EQ(s->CalcCheckSum(TBytes{0x45, 0x00, 0x00, 0x1C}), static_cast<Word>(~0x1C45));
  EXPECT_EQ(s->CalcCheckSum(TBytes{0x01}), static_cast<Word>(~0x0001));
}

TEST(VRNetStack, SocketErrorsCarryTheirNumberAndText) {
  TStackUsage usage;
  TVRNetStack* s = GStack();
  EXPECT_EQ(s->WSTranslateSocketErrorMsg(10061), L"Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(s->WSTranslateSocketErrorMsg(12345), L"Socket Error # 12345\r\n");
  EXPECT_EQ(s->WSTranslateSocketErrorMsg(11001), L"Socket Error # 11001\r\nHost not found.");
  try {
    s->RaiseSocketError(10038);
    FAIL();
  } catch (const EVRNetNotASocket& e) {
    EXPECT_EQ(e.LastError(), 10038);
  }
  try {
    s->RaiseSocketError(10054);
    FAIL();
  } catch (const EVRNetSocketError& e) {
    EXPECT_EQ(e.ClassType(), EVRNetSocketError::StaticClass());
    EXPECT_EQ(e.LastError(), 10054);
  }
  EXPECT_EQ(s->CheckForSocketError(5), 5);
  s->WSSetLastError(10053);
  EXPECT_EQ(s->CheckForSocketError(-1, {10058, 10053}), 10053);
  s->WSSetLastError(10054);
  EXPECT_THROW(s->CheckForSocketError(-1, {10058, 10053}), EVRNetSocketError);
  // A lookup of a name that cannot exist fails with a socket error.
  EXPECT_THROW(s->ResolveHost(L"no-such-host.invalid"), EVRNetSocketError);
}

TEST(VRNetStack, SocketListsHoldAtMost64AndSelect) {
  TStackUsage usage;
  auto list = TVRNetSocketList::CreateSocketList();
  for (int i = 0; i < 64; ++i) list->Add(static_cast<TVRNetStackSocketHandle>(1000 + i));
  try {
    list->Add(5000);
    FAIL();
  } catch (const EVRNetStackSetSizeExceeded& e) {
    EXPECT_EQ(e.Message(), L"Set Size Exceeded.");
  }
  EXPECT_EQ(list->Count(), 64);
  EXPECT_THROW(list->Items(64), EVRNetStackSetSizeExceeded);
  list->Remove(1000);
  EXPECT_EQ(list->Count(), 63);
  EXPECT_EQ(list->Items(0), static_cast<TVRNetStackSocketHandle>(1063));  // the last took the slot
  auto copy = list->Clone();
  EXPECT_EQ(copy->Count(), 63);
  list->Clear();
  EXPECT_EQ(list->Count(), 0);

  // Real sockets: a connected pair becomes readable once the peer writes.
  std::atomic<bool> release{false};
  TTestPeer peer([&](SOCKET c) {
    TTestPeer::Hold(release);
    TTestPeer::SendAll(c, "x");
    TTestPeer::RecvAll(c, 2000);
  });
  TVRNetStack* s = GStack();
  const TVRNetStackSocketHandle h = s->NewSocketHandle(Net_SOCK_STREAM, 0, Net_IPv4, false);
  s->Connect(h, L"127.0.0.1", peer.Port(), Net_IPv4);
  String ip;
  Word port;
  TVRNetIPVersion v;
  s->GetPeerName(h, ip, port, v);
  EXPECT_EQ(ip, L"127.0.0.1");
  EXPECT_EQ(port, peer.Port());
  list->Add(h);
  EXPECT_FALSE(list->SelectRead(100));
  release = true;
  std::unique_ptr<TVRNetSocketList> ready;
  EXPECT_TRUE(list->SelectReadList(ready, 3000));
  ASSERT_TRUE(ready);
  EXPECT_TRUE(ready->ContainsSocket(h));
  TBytes buf(8);
  EXPECT_EQ(s->Receive(h, buf), 1);
  EXPECT_EQ(buf[0], 'x');
  s->Disconnect(h);
}

}  // namespace ZS_UNITY_ID
