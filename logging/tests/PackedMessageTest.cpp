#include <gtest/gtest.h>

#include <cstring>

#include "VantrelMessage.h"

namespace ZS_UNITY_ID {

namespace {

Integer IntAt(const std::vector<Byte>& B, size_t Offset) {
  Integer v;
  std::memcpy(&v, B.data() + Offset, 4);
  return v;
}

std::string SlotAt(const std::vector<Byte>& B, size_t Offset, size_t Size) {
  const char* p = reinterpret_cast<const char*>(B.data() + Offset);
  return std::string(p, strnlen(p, Size));
}

}  // namespace

TEST(PackedMessage, EmptyMessageIsHeaderAndThreeZeroBytes) {
  TVantrelMessage msg;
  const std::vector<Byte> b = PackMessage(msg);
  ASSERT_EQ(b.size(), 246u);
  EXPECT_EQ(PackedMessageSize(msg), 246);
  for (Byte x : b) EXPECT_EQ(x, 0);
}

TEST(PackedMessage, HeaderFieldsSitAtTheirOffsets) {
  TVantrelMessage msg;
  msg.MsgType = 23;
  msg.TimeStamp.Time = 0x01020304;
  msg.TimeStamp.Date = 739000;
  msg.TimeBias = -540;
  msg.ProcessID = 0xFEDCBA98;
  msg.DispatchID = "0123456789ABCDEF0123456789ABCDEF0123";
  msg.ThreadName = "Worker";
  msg.ComputerName = "HOST";
  msg.AppName = "App";
  msg.Category = "Cat";
  msg.TypeName = "TType";
  msg.CategoryColor = 0x00FFFFFF;
  msg.CategoryFontColor = 0x000000FF;
  msg.MsgText = "Hello";
  msg.Details = "line 1\r";
  const std::vector<Byte> b = PackMessage(msg);
  // L = 5 and D = 7: 258 bytes, details from 248, NUL at 255, two spare zero bytes.
  ASSERT_EQ(b.size(), 258u);
  EXPECT_EQ(IntAt(b, 0), 23);
  EXPECT_EQ(IntAt(b, 4), 0x01020304);
  EXPECT_EQ(IntAt(b, 8), 739000);
  EXPECT_EQ(IntAt(b, 12), -540);
  EXPECT_EQ(IntAt(b, 16), 5);
  EXPECT_EQ(IntAt(b, 20), 7);
  EXPECT_EQ(static_cast<Cardinal>(IntAt(b, 24)), 0xFEDCBA98u);
  EXPECT_EQ(SlotAt(b, 28, 26), "Worker");
  EXPECT_EQ(SlotAt(b, 54, 42), "0123456789ABCDEF0123456789ABCDEF0123");
  EXPECT_EQ(SlotAt(b, 96, 16), "HOST");
  EXPECT_EQ(SlotAt(b, 112, 41), "App");
  EXPECT_EQ(SlotAt(b, 153, 41), "Cat");
  EXPECT_EQ(IntAt(b, 194), 0x00FFFFFF);
  EXPECT_EQ(IntAt(b, 198), 0x000000FF);
  EXPECT_EQ(SlotAt(b, 202, 41), "TType");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 243), 5), "Hello");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 248), 7), "line 1\r");
  EXPECT_EQ(b[255], 0);
  EXPECT_EQ(b[256], 0);
  EXPECT_EQ(b[257], 0);
}

TEST(PackedMessage, OneTrailingLineBreakIsNotSentUnlessItIsTheWholeText) {
  struct Case {
    const char* Text;
    Integer L;
  } cases[] = {
      {"abc\r\n", 3},    // the pair is dropped
      {"abc\n", 4},      // a lone LF stays
      {"\r\n", 2},       // a text that is exactly CR LF keeps both characters
      {"a\r\n", 1},
      {"ab\r\n\r\n", 4}, // only one pair
  };
  for (const Case& c : cases) {
    TVantrelMessage msg;
    msg.MsgText = c.Text;
    const std::vector<Byte> b = PackMessage(msg);
    EXPECT_EQ(IntAt(b, 16), c.L) << c.Text;
    EXPECT_EQ(static_cast<Integer>(b.size()), c.L + 246) << c.Text;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 243), c.L), std::string(c.Text, c.L));
  }
}

TEST(PackedMessage, NamesFillTheirSlotsButNeverOverflowThem) {
  TVantrelMessage msg;
  msg.ThreadName = std::string(25, 'T');
  msg.MsgText = "x";
  std::vector<Byte> b = PackMessage(msg);
  EXPECT_EQ(SlotAt(b, 28, 26), std::string(25, 'T'));
  EXPECT_EQ(b[53], 0);

  // 25 Japanese characters take 75 bytes in UTF-8; the slot keeps whole characters only.
  msg.ThreadName = UTF8Encode(String(25, L'\x3042'));
  msg.ComputerName = UTF8Encode(String(15, L'\x3042'));
  msg.AppName = UTF8Encode(String(40, L'\x3042'));
  b = PackMessage(msg);
  EXPECT_EQ(SlotAt(b, 28, 26), UTF8Encode(String(8, L'\x3042')));  // 24 bytes + NUL
  EXPECT_EQ(b[53], 0);
  EXPECT_EQ(SlotAt(b, 54, 42), "");  // the next slot is untouched
  EXPECT_EQ(SlotAt(b, 96, 16), UTF8Encode(String(5, L'\x3042')));
  EXPECT_EQ(SlotAt(b, 112, 41), UTF8Encode(String(13, L'\x3042')));
  EXPECT_EQ(b[152], 0);
  EXPECT_EQ(b[243], 'x');
}

TEST(PackedMessage, TextAndDetailsWithNulBytesAreSentWhole) {
  TVantrelMessage msg;
  msg.MsgText = std::string("a\0b", 3);
  msg.Details = std::string("\0d", 2);
  const std::vector<Byte> b = PackMessage(msg);
  ASSERT_EQ(b.size(), 251u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 243), 5), std::string("a\0b\0d", 5));
}

TEST(PackedMessage, CutsNeverSplitASurrogatePair) {
  const String clef = L"\xD834\xDD1E";  // one character outside the basic plane
  EXPECT_EQ(CutText(L"abcdef", 4), L"abcd");
  EXPECT_EQ(CutText(L"abc", 4), L"abc");
  EXPECT_EQ(CutText(L"abc" + clef, 4), L"abc");
  EXPECT_EQ(CutText(L"ab" + clef, 4), L"ab" + clef);
  EXPECT_EQ(CutText(String(24, L'x') + clef, 25), String(24, L'x'));
}

}  // namespace ZS_UNITY_ID
