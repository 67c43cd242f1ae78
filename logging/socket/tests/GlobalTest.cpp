// Shared routines and IP address text.
#include "TestPeer.h"

#include <gtest/gtest.h>

#include "VRNetException.h"
#include "VRNetGlobal.h"
#include "VRNetIPAddress.h"
#include "VRNetStreamRTL.h"

namespace ZS_UNITY_ID {

TEST(VRNetGlobal, IPv4TextInTheLenientForms) {
  struct Case {
    const wchar_t* Text;
    Cardinal Value;
    bool Error;
  } cases[] = {
      {L"10.1", 0x0A000001, false},       {L"0x7f.1", 0x7F000001, false},   {L"010.0.0.1", 0x08000001, false},
      {L"1.2.3.4", 0x01020304, false},    {L"127.1.2", 0x7F010002, false},  {L"3232235777", 0xC0A80101, false},
      {L"0XFF.0.0.1", 0xFF000001, false}, {L"192.168..1", 0x0000C0A8, false},
  };
  for (const Case& c : cases) {
    bool error = true;
    EXPECT_EQ(ParseIPv4Text(c.Text, error), c.Value) << c.Text;
    EXPECT_EQ(error, c.Error) << c.Text;
  }
  for (const wchar_t* bad : {L"1.x.3.4", L"0xg.1", L"-1.2.3.4"}) {
    bool error = false;
    ParseIPv4Text(bad, error);
    EXPECT_TRUE(error) << bad;
  }
}

TEST(VRNetGlobal, CanonicalIPv6Text) {
  struct Case {
    const wchar_t* Text;
    const wchar_t* Canonical;
  } cases[] = {
      {L"::1", L"0:0:0:0:0:0:0:1"},
      {L"fe80::0202:b3ff:fe1e:8329", L"FE80:0:0:0:202:B3FF:FE1E:8329"},
      {L"::ffff:1.2.3.4", L"0:0:0:0:0:FFFF:0102:0304"},
      {L"1:2:3:4:5:6:7:8", L"1:2:3:4:5:6:7:8"},
      {L"1::", L"1:0:0:0:0:0:0:0"},
      {L"::", L"0:0:0:0:0:0:0:0"},
      {L"1:2", L""},
      {L"1::2::3", L""},
      {L"1:2:3:4:5:6:7:8:9", L""},
      {L"12345::1", L""},
      {L"::1.2.3.256", L""},
      {L"::ffff:a.2.3.4", L""},
      {L"1:2:3", L""},
      {L"", L""},
      {L"localhost", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(CanonicalIPv6Text(c.Text), c.Canonical) << c.Text;

  TVRNetIPv6Address w;
  bool error = true;
  ParseIPv6Text(L"fe80::1", w, error);
  EXPECT_FALSE(error);
  EXPECT_EQ(w[0], 0xFE80);
  EXPECT_EQ(w[7], 1);
  try {
    ParseIPv6Text(L"1:2", w);
    FAIL() << "no exception";
  } catch (const EVRNetInvalVRNetIPv6Address& e) {
    EXPECT_EQ(e.Message(), L"1:2 is not a valid IPv6 address");
  }
  TVRNetIPv6Address loop{0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(IPv6WordsToText(loop), L"0000:0000:0000:0000:0000:0000:0000:0001");
}

TEST(VRNetGlobal, AddressObjectsCompareAndPrint) {
  auto v4 = TVRNetIPAddress::MakeAddressObject(L"192.168.1.10");
  ASSERT_TRUE(v4);
  EXPECT_EQ(v4->AddrType(), Net_IPv4);
  EXPECT_EQ(v4->IPv4AsString(), L"192.168.1.10");
  EXPECT_EQ(v4->IPv6AsString(), L"");
  EXPECT_EQ(v4->HToNBytes(), (TBytes{192, 168, 1, 10}));
  bool error = true;
  EXPECT_EQ(v4->CompareAddress(L"192.168.1.9", error), 1);
  EXPECT_FALSE(error);
  EXPECT_EQ(v4->CompareAddress(L"200.0.0.0", error), -1);
  EXPECT_EQ(v4->CompareAddress(L"192.168.1.10", error), 0);
  EXPECT_EQ(v4->CompareAddress(L"::1", error), 0);
  EXPECT_TRUE(error);

  auto v6 = TVRNetIPAddress::MakeAddressObject(L"fe80::1");
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->AddrType(), Net_IPv6);
  EXPECT_EQ(v6->IPAsString(), L"FE80:0000:0000:0000:0000:0000:0000:0001");
  EXPECT_EQ(v6->HToNBytes().size(), 16u);
  EXPECT_EQ(v6->HToNBytes()[0], 0xFE);
  EXPECT_EQ(v6->CompareAddress(L"fe80::2", error), -1);
  EXPECT_FALSE(error);
  EXPECT_FALSE(TVRNetIPAddress::MakeAddressObject(L"not an address"));
  EXPECT_FALSE(TVRNetIPAddress::MakeAddressObject(L"1.2.3.4", Net_IPv6));
  EXPECT_FALSE(TVRNetIPAddress::MakeAddressObject(L"1.2.3.4", static_cast<TVRNetIPVersion>(7)));
}

TEST(VRNetGlobal, TextBytesAndValues) {
  EXPECT_EQ(BytesOfString(L"\u00E9"), TBytes{0x3F});  // no encoding: ASCII
  EXPECT_EQ(BytesOfString(L"\u00E9", TEncoding::UTF8()), (TBytes{0xC3, 0xA9}));
  EXPECT_EQ(BytesOfString(L"abcdef", nullptr, 2, 3), (TBytes{'c', 'd'}));
  EXPECT_TRUE(BytesOfString(L"abc", nullptr, -1, 9).empty());
  EXPECT_EQ(TextFromBytes(TBytes{'a', 'b', 'c'}, nullptr, 1), L"bc");
  EXPECT_EQ(AvailableChars(L"abc", -1, 2), 2);
  EXPECT_EQ(AvailableBytes(TBytes{1, 2, 3}, 1, 1), 1);
  EXPECT_THROW(AvailableBytes(TBytes{1}, -1, -1), EAssertionFailed);
  EXPECT_EQ(SubBytes(TBytes{1, 2, 3, 4}, 2, 1), (TBytes{2, 3}));

  TBytes dest(4);
  EXPECT_THROW(CopyBytes(TBytes{1, 2}, 1, dest, 2, 0), EAssertionFailed);
  EXPECT_EQ(dest, TBytes(4));
  CopyValueToBytes(Cardinal(0x11223344), dest, 0);
  EXPECT_EQ(dest, (TBytes{0x44, 0x33, 0x22, 0x11}));
  EXPECT_EQ(LongWordFromBytes(dest), 0x11223344u);
  EXPECT_EQ(BytesOfValue(Word(0x1234)), (TBytes{0x34, 0x12}));
  EXPECT_EQ(BytesOfValue(Int64(1)).size(), 8u);
  EXPECT_THROW(WordFromBytes(TBytes{1}, 0), EAssertionFailed);

  TMemoryStream ms;
  WriteTextToStream(&ms, L"hello", nullptr, 3, 2);
  EXPECT_EQ(ms.Size(), 3);
  ms.SetPosition(0);
  TBytes back;
  EXPECT_EQ(TVRNetStreamHelperRTL::ReadBytes(&ms, back, -1, 2), 3);
  EXPECT_EQ(back, (TBytes{0, 0, 'e', 'l', 'l'}));
  EXPECT_THROW(TVRNetStreamHelperRTL::Write(nullptr, back), EAssertionFailed);
}

TEST(VRNetGlobal, TokensComparisonTicksAndFormat) {
  struct Case {
    const wchar_t* Input;
    const wchar_t* Delim;
    bool CaseSensitive;
    const wchar_t* Token;
    const wchar_t* Rest;
  } cases[] = {
      {L"a:b:c", L":", true, L"a", L"b:c"},
      {L"abc", L":", true, L"abc", L""},
      {L"oneANDtwo", L"and", false, L"one", L"two"},
      {L"oneANDtwo", L"and", true, L"oneANDtwo", L""},
  };
  for (const Case& c : cases) {
    String in = c.Input, token;
    FetchToken(in, c.Delim, true, token, c.CaseSensitive);
    EXPECT_EQ(token, c.Token) << c.Input;
    EXPECT_EQ(in, c.Rest) << c.Input;
  }
  String keep = L"x.y";
  EXPECT_EQ(Fetch(keep, L".", false), L"x");
  EXPECT_EQ(keep, L"x.y");

  EXPECT_TRUE(HasPrefixText(L"Content-Type", L"content-"));
  EXPECT_FALSE(HasPrefixText(L"ab", L"abc"));
  EXPECT_TRUE(HasSuffixText(L"file.TXT", L".txt"));
  EXPECT_TRUE(CharAtIsOneOf(L"abc", 2, L"xb"));
  EXPECT_FALSE(CharAtIsOneOf(L"abc", 4, L"abc"));
  try {
    CharAtIsOneOf(L"abc", 0, L"a");
    FAIL();
  } catch (const EVRNetException& e) {
    EXPECT_EQ(e.Message(), L"Invalid ACharPos");
  }
  EXPECT_EQ(TrimStrToInt(L"  42 "), 42);
  EXPECT_EQ(TrimStrToInt(L"x", 7), 7);
  EXPECT_THROW(TrimStrToInt(L"x"), EConvertError);
  EXPECT_EQ(ReplaceFirstOccurrence(L"a=b=c", L"=", L": "), L"a: b=c");
  EXPECT_EQ(FindSubText(L"lo", L"hello"), 4);
  EXPECT_EQ(FindSubText(L"zz", L"hello"), 0);

  EXPECT_EQ(ElapsedTicks(0xFFFFFFF0u, 0x10u), 0x1Fu);
  EXPECT_EQ(ElapsedTicks(100, 250), 150u);
  const Cardinal t0 = TickCount();
  SleepMs(30);
  EXPECT_GE(ElapsedTicks(t0, TickCount()), 25u);
  EXPECT_TRUE(OnMainThread());
  bool other = true;
  std::thread([&] { other = OnMainThread(); }).join();
  EXPECT_FALSE(other);

  // Fixed English conventions whatever the user's locale.
  EXPECT_EQ(UsFormat(L"%.2f|%n|%d", {1234.5, 1234567.0, 5}), L"1234.50|1,234,567.00|5");
}

}  // namespace ZS_UNITY_ID
