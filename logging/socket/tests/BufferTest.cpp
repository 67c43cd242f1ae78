// The byte buffer.
#include "TestPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "VRNetBuffer.h"
#include "VRNetException.h"
#include "VRNetStack.h"

namespace ZS_UNITY_ID {

namespace {
TBytes Seq(int N, int From = 0) {
  TBytes b;
  for (int i = 0; i < N; ++i) b.push_back(static_cast<Byte>(From + i));
  return b;
}

// A stream that claims 4 GB + 16 bytes and reads as zeros, without holding them.
class THugeStream : public TStream {
 public:
  Integer Read(void* Buffer, Integer Count) override {
    const Int64 n = std::max<Int64>(0, std::min<Int64>(Count, kSize - FPos));
    std::memset(Buffer, 0, static_cast<size_t>(n));
    FPos += n;
    return static_cast<Integer>(n);
  }
  Integer Write(const void*, Integer) override { return 0; }
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override {
    FPos = Origin == soBeginning ? Offset : Origin == soCurrent ? FPos + Offset : kSize + Offset;
    return FPos;
  }
  static constexpr Int64 kSize = (Int64(1) << 32) + 16;

 private:
  Int64 FPos = 0;
};
}  // namespace

TEST(VRNetBuffer, RemoveAdvancesTheHeadAndReportsTheRequestedCount) {
  std::vector<Integer> removed;
  TVRNetBuffer b([&](TObject*, Integer n) { removed.push_back(n); });
  b.Write(Seq(10));
  b.Remove(4);
  EXPECT_EQ(b.Size(), 6);
  EXPECT_EQ(b.IndexOf(Byte(4)), 0);
  EXPECT_EQ(b.PeekByte(0), 4);
  b.Remove(10);  // more than stored: cleared, the request is reported
  EXPECT_EQ(b.Size(), 0);
  EXPECT_EQ(b.Capacity(), 0);
  EXPECT_EQ(removed, (std::vector<Integer>{4, 10}));
}

TEST(VRNetBuffer, CompactsAndShrinksOnlyPastTheGrowthFactor) {
  TVRNetBuffer b;
  b.Write(Seq(4000));
  const Integer cap = b.Capacity();
  b.Remove(1000);  // head 1000 < 2048: nothing moves
  EXPECT_EQ(b.Capacity(), cap);
  EXPECT_EQ(b.PeekByte(0), static_cast<Byte>(1000));
  b.Remove(2000);  // head 3000 > 2048: compacted and shrunk to Size + 2048
  EXPECT_EQ(b.Size(), 1000);
  EXPECT_EQ(b.Capacity(), 3048);
  EXPECT_EQ(b.PeekByte(0), static_cast<Byte>(3000));
  TBytes out;
  b.ExtractToBytes(out, 3, false, 0);  // by storage position: nothing removed
  EXPECT_EQ(out, Seq(3, 3000));
  EXPECT_EQ(b.Size(), 1000);
}

TEST(VRNetBuffer, ExtractsTextBytesStreamsAndOtherBuffers) {
  TVRNetBuffer b;
  b.Write(String(L"abc"));
  try {
    b.Extract(5);
    FAIL();
  } catch (const EVRNetNotEnoughDataInBuffer& e) {
    EXPECT_EQ(e.Message(), L"Not enough data in buffer. (5/3)");
  }
  EXPECT_EQ(b.Size(), 3);
  EXPECT_EQ(b.Extract(2), L"ab");
  TBytes appended{'x'};
  b.ExtractToBytes(appended, -1, true);
  EXPECT_EQ(appended, (TBytes{'x', 'c'}));

  b.Write(String(L"\u00E9t\u00E9"), TEncoding::UTF8());
  EXPECT_EQ(b.Size(), 5);
  EXPECT_EQ(b.Extract(-1, TEncoding::UTF8()), L"\u00E9t\u00E9");

  TMemoryStream ms;
  b.Write(Seq(6));
  b.ExtractToStream(&ms, 4);
  EXPECT_EQ(ms.Size(), 4);
  EXPECT_EQ(b.Size(), 2);
  TVRNetBuffer other;
  b.ExtractToVRNetBuffer(&other);
  EXPECT_EQ(other.Size(), 2);
  EXPECT_EQ(other.PeekByte(1), 5);

  ms.SetPosition(0);
  other.Write(&ms, 0);  // count 0: the whole stream from its start
  EXPECT_EQ(other.Size(), 6);
  TMemoryStream saved;
  other.SaveToStream(&saved);
  EXPECT_EQ(saved.Size(), 6);
  EXPECT_EQ(other.Size(), 6);
}

TEST(VRNetBuffer, TypedValuesTravelInNetworkOrder) {
  TVRNetBuffer b;
  b.Write(Word(0x1234));
  b.Write(Cardinal(0xA1B2C3D4));
  b.Write(Int64(0x0102030405060708));
  TVRNetIPv6Address a{0xFE80, 0, 0, 0, 0, 0, 0, 1};
  b.Write(a);
  EXPECT_EQ(b.PeekByte(0), 0x12);
  EXPECT_EQ(b.PeekByte(1), 0x34);
  EXPECT_EQ(b.PeekByte(2), 0xA1);
  EXPECT_EQ(b.PeekByte(6), 0x01);
  EXPECT_EQ(b.ExtractToLongWord(2), 0xA1B2C3D4u);  // by position: nothing removed
  EXPECT_EQ(b.ExtractToWord(), 0x1234);
  EXPECT_EQ(b.ExtractToLongWord(), 0xA1B2C3D4u);
  EXPECT_EQ(b.ExtractToInt64(), 0x0102030405060708);
  EXPECT_EQ(b.ExtractToIPv6(), a);
  EXPECT_EQ(b.Size(), 0);
  b.Write(Byte(7));
  EXPECT_THROW(b.ExtractToLongWord(), EVRNetNotEnoughDataInBuffer);  // fewer bytes than the width
  EXPECT_EQ(b.ExtractToByte(), 7);

  b.Write(Seq(4));
  b.Write(Word(0xBEEF), 1);  // overwrite at a storage position
  EXPECT_EQ(b.Size(), 4);
  EXPECT_EQ(b.ExtractToWord(1), 0xBEEF);
}

TEST(VRNetBuffer, SearchesAndBoundsChecks) {
  TVRNetBuffer b;
  EXPECT_EQ(b.IndexOf(TBytes{}), -1);  // empty buffer: even an empty pattern is just absent
  EXPECT_THROW(b.PeekByte(0), EVRNetException);
  b.Write(String(L"line one\r\nline two\r\n"));
  EXPECT_EQ(b.IndexOf(String(L"\r\n")), 8);
  EXPECT_EQ(b.IndexOf(String(L"\r\n"), 9), 18);
  EXPECT_EQ(b.IndexOf(String(L"two\r\nx")), -1);
  EXPECT_EQ(b.IndexOf(Byte('t'), 10), 15);
  struct Case {
    std::function<void()> Call;
    const wchar_t* Message;
  } cases[] = {
      {[&] { b.IndexOf(TBytes{}); }, L"Buffer terminator must be specified."},
      {[&] { b.IndexOf(TBytes{'a'}, 20); }, L"Buffer start position is invalid."},
      {[&] { b.IndexOf(Byte('a'), -1); }, L"Buffer start position is invalid."},
      {[&] { b.PeekByte(20); }, L"Index out of bounds."},
      {[&] { b.SetCapacity(3); }, L"Capacity cannot be smaller than Size"},
  };
  for (const Case& c : cases) {
    try {
      c.Call();
      ADD_FAILURE() << "no exception for " << c.Message;
    } catch (const EVRNetException& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
  }
  EXPECT_EQ(b.Size(), 20);
  b.SetCapacity(100);
  EXPECT_EQ(b.Capacity(), 100);
  EXPECT_EQ(b.Extract(8), L"line one");
}

TEST(VRNetBuffer, AStreamPast4GBIsRefusedNotCutTo32Bits) {
  TVRNetBuffer b;
  b.Write(Seq(3));
  THugeStream huge;
  for (Integer count : {-1, 0}) {
    huge.SetPosition(0);
    EXPECT_THROW(b.Write(&huge, count), EVRNetTooMuchDataInBuffer) << count;
    EXPECT_EQ(b.Size(), 3) << count;
  }
}

TEST(VRNetBuffer, EachBufferHoldsAStackUsage) {
  const Integer before = TVRNetStack::UsageCount();
  {
    TVRNetBuffer a, b;
    EXPECT_EQ(TVRNetStack::UsageCount(), before + 2);
    EXPECT_NE(GStack(), nullptr);
  }
  EXPECT_EQ(TVRNetStack::UsageCount(), before);
}

}  // namespace ZS_UNITY_ID
