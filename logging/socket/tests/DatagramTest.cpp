// Datagrams on loopback: the socket handle's SendTo, RecvFrom and Broadcast, and the
// stack's message receive, multicast options, checksums and address text.
#include "TestPeer.h"

#include <gtest/gtest.h>

#include <memory>

#include "VRNetSocketHandle.h"
#include "VRNetStackWindows.h"

namespace ZS_UNITY_ID {

namespace {

constexpr Integer kDatagram = 2, kUdp = 17;

TBytes Bytes(const char* Text) { return TBytes(Text, Text + strlen(Text)); }

// A UDP socket bound to AIP (empty: any address) on a port the system picks.
std::unique_ptr<TVRNetSocketHandle> UdpSocket(const String& AIP = L"127.0.0.1") {
  auto h = std::make_unique<TVRNetSocketHandle>();
  h->AllocateSocket(kDatagram, kUdp);
  h->IP = AIP;
  h->Bind();
  return h;
}

// One datagram within two seconds, as text; empty when none came.
std::string Receive(TVRNetSocketHandle& H, String* From = nullptr, Word* FromPort = nullptr) {
  if (!H.Readable(2000)) return {};
  TBytes buf(512);
  String ip;
  Word port = 0;
  TVRNetIPVersion v = Net_IPv4;
  const Integer n = H.RecvFrom(buf, ip, port, v);
  if (From) *From = ip;
  if (FromPort) *FromPort = port;
  return std::string(buf.begin(), buf.begin() + n);
}

Integer BroadcastOption(TVRNetSocketHandle& H) {
  Integer v = -1;
  H.GetSockOpt(0xFFFF, 32, v);
  return v;
}

class TStackUsage {
 public:
  TStackUsage() { TVRNetStack::IncUsage(); }
  ~TStackUsage() { TVRNetStack::DecUsage(); }
};

}  // namespace

TEST(VRNetSocketHandle, DatagramsTravelOnLoopbackWithTheirSource) {
  TStackUsage usage;
  auto receiver = UdpSocket();
  auto sender = UdpSocket();
  EXPECT_EQ(sender->SendTo(L"127.0.0.1", receiver->Port, Bytes("first")), 5);
  String from;
  Word fromPort = 0;
  EXPECT_EQ(Receive(*receiver, &from, &fromPort), "first");
  EXPECT_EQ(from, L"127.0.0.1");
  EXPECT_EQ(fromPort, sender->Port);
  EXPECT_EQ(sender->SendTo(L"127.0.0.1", receiver->Port, TBytes()), 0);  // nothing to send
}

TEST(VRNetSocketHandle, BroadcastSwitchesTheOptionOnOnlyForItsSend) {
  TStackUsage usage;
  auto receiver = UdpSocket(String());  // any address: loopback broadcasts reach it
  auto sender = UdpSocket();
  EXPECT_EQ(BroadcastOption(*sender), 0);
  // Without the option the system refuses a broadcast address.
  try {
    sender->SendTo(L"127.255.255.255", receiver->Port, Bytes("refused"));
    ADD_FAILURE() << "a broadcast address was accepted without the option";
  } catch (const EVRNetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10013);
  }
  sender->Broadcast(Bytes("to all"), receiver->Port, L" 127.255.255.255 ");
  EXPECT_EQ(Receive(*receiver), "to all");
  EXPECT_EQ(BroadcastOption(*sender), 0);  // back to BroadcastEnabled
  // A host name is resolved; text goes out as bytes of its encoding.
  sender->Broadcast(String(L"named"), receiver->Port, L"localhost");
  EXPECT_EQ(Receive(*receiver), "named");

  sender->SetBroadcastEnabled(true);  // applied at once
  EXPECT_EQ(BroadcastOption(*sender), 1);
  sender->Broadcast(Bytes("still on"), receiver->Port, L"127.255.255.255");
  EXPECT_EQ(Receive(*receiver), "still on");
  EXPECT_EQ(BroadcastOption(*sender), 1);
  sender->SetBroadcastEnabled(false);
  EXPECT_EQ(BroadcastOption(*sender), 0);
}

TEST(VRNetStack, ReceiveMsgTellsWhereADatagramCameFromAndWentTo) {
  TStackUsage usage;
  auto receiver = UdpSocket();
  auto sender = UdpSocket();
  GStack()->SetSocketOption(receiver->Handle(), 0, 19, 1);  // ask for the packet information
  sender->SendTo(L"127.0.0.1", receiver->Port, Bytes("with info"));
  ASSERT_TRUE(receiver->Readable(2000));
  TBytes buf(64);
  TNetPacketInfo info;
  const Integer n = GStack()->ReceiveMsg(receiver->Handle(), buf, &info);
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + n), "with info");
  EXPECT_EQ(info.SourceIP, L"127.0.0.1");
  EXPECT_EQ(info.SourcePort, sender->Port);
  EXPECT_EQ(info.DestIP, L"127.0.0.1");
  EXPECT_NE(info.DestIF, 0u);

  // Over IPv6 the hop limit comes too, when asked for.
  auto receiver6 = std::make_unique<TVRNetSocketHandle>();
  receiver6->SetIPVersion(Net_IPv6);
  try {
    receiver6->AllocateSocket(kDatagram, kUdp);
  } catch (const EVRNetSocketError&) {
    GTEST_SKIP() << "no IPv6 here";
  }
  receiver6->IP = L"::1";
  receiver6->Bind();
  GStack()->SetSocketOption(receiver6->Handle(), 41, 19, 1);
  GStack()->SetSocketOption(receiver6->Handle(), 41, 21, 1);
  TVRNetSocketHandle sender6;
  sender6.SetIPVersion(Net_IPv6);
  sender6.AllocateSocket(kDatagram, kUdp);
  sender6.SendTo(L"::1", receiver6->Port, Bytes("six"), Net_IPv6);
  ASSERT_TRUE(receiver6->Readable(2000));
  TNetPacketInfo info6;
  EXPECT_EQ(GStack()->ReceiveMsg(receiver6->Handle(), buf, &info6), 3);
  EXPECT_EQ(info6.SourceIP, L"0:0:0:0:0:0:0:1");
  EXPECT_EQ(info6.DestIP, L"0:0:0:0:0:0:0:1");
  EXPECT_NE(info6.DestIF, 0u);
  EXPECT_EQ(info6.TTL, 64);
}

TEST(VRNetStack, MulticastMembershipOnLoopback) {
  TStackUsage usage;
  TVRNetStack* stack = GStack();
  auto receiver = UdpSocket(String());
  auto sender = UdpSocket();
  const String group = L"239.255.42.99";
  // An address that is no multicast group changes nothing and raises nothing.
  EXPECT_NO_THROW(stack->AddMulticastMembership(receiver->Handle(), L"10.0.0.1", L"127.0.0.1", Net_IPv4));
  EXPECT_NO_THROW(stack->DropMulticastMembership(receiver->Handle(), L"10.0.0.1", L"127.0.0.1", Net_IPv4));
  stack->SetMulticastTTL(sender->Handle(), 1, Net_IPv4);
  Integer ttl = 0;
  stack->GetSocketOption(sender->Handle(), 0, 10, ttl);
  EXPECT_EQ(ttl, 1);
  stack->SetLoopBack(sender->Handle(), true, Net_IPv4);
  Integer loop = 0;
  stack->GetSocketOption(sender->Handle(), 0, 11, loop);
  EXPECT_EQ(loop, 1);
  // The group on the loopback interface: the system may refuse it there.
  try {
    stack->AddMulticastMembership(receiver->Handle(), group, L"127.0.0.1", Net_IPv4);
  } catch (const EVRNetSocketError& e) {
    GTEST_SKIP() << "no multicast on the loopback interface here (socket error " << e.LastError() << ")";
  }
  Byte local[4];
  stack->TranslateStringToTInAddr(L"127.0.0.1", local, Net_IPv4);
  static_cast<TVRNetStackBSDBase*>(stack)->SetSocketOption(sender->Handle(), 0, 9, local, 4);  // send via loopback
  sender->SendTo(group, receiver->Port, Bytes("to the group"));
  EXPECT_EQ(Receive(*receiver), "to the group");
  stack->DropMulticastMembership(receiver->Handle(), group, L"127.0.0.1", Net_IPv4);
  sender->SendTo(group, receiver->Port, Bytes("after leaving"));
  EXPECT_EQ(Receive(*receiver), "");
}

TEST(VRNetStack, ChecksumsAndAddressText) {
  TStackUsage usage;
  TVRNetStack* stack = GStack();
  auto s = UdpSocket();
  // An IPv4 header with its checksum field zero: written at offset 10, after which the
  // header sums to zero.
  TBytes header = {0x45, 0x00, 0x00, 0x1C, 0x1C, 0x46, 0x40, 0x00, 0x40, 0x11,
                   0x00, 0x00, 0x7F, 0x00, 0x00, 0x01, 0x7F, 0x00, 0x00, 0x01};
  stack->WriteChecksum(s->Handle(), header, 10, L"127.0.0.1", 9, Net_IPv4);
  EXPECT_EQ(stack->CalcCheckSum(header), 0);
  EXPECT_NE(header[10] | header[11], 0);
  EXPECT_THROW(stack->WriteChecksum(s->Handle(), header, 19, L"127.0.0.1", 9, Net_IPv4), EVRNetException);

  struct Case {
    String Text, Back;
    TVRNetIPVersion Version;
    std::vector<Byte> Raw;
  } cases[] = {
      {L"127.0.0.1", L"127.0.0.1", Net_IPv4, {0x7F, 0, 0, 1}},
      {L" 10 . 1.2.255", L"10.1.2.255", Net_IPv4, {10, 1, 2, 255}},
      {L"::1", L"0:0:0:0:0:0:0:1", Net_IPv6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {L"fe80::1:ab", L"FE80:0:0:0:0:0:1:AB", Net_IPv6, {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0xAB}},
  };
  for (const Case& c : cases) {
    Byte raw[16] = {};
    stack->TranslateStringToTInAddr(c.Text, raw, c.Version);
    EXPECT_EQ(std::vector<Byte>(raw, raw + c.Raw.size()), c.Raw) << UTF8Encode(c.Text);
    EXPECT_EQ(stack->TranslateTInAddrToString(raw, c.Version), c.Back) << UTF8Encode(c.Text);
  }
  Byte raw[16];
  EXPECT_THROW(stack->TranslateStringToTInAddr(L"1.x.0.0", raw, Net_IPv4), EConvertError);
  EXPECT_THROW(stack->TranslateStringToTInAddr(L"1::2::3", raw, Net_IPv6), EVRNetInvalVRNetIPv6Address);
}

}  // namespace ZS_UNITY_ID
