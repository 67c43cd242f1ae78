#include <gtest/gtest.h>

#include "Classes.h"
#include "vdCore.h"

namespace ZS_UNITY_ID {

namespace {

std::unique_ptr<TMemoryStream> StreamOf(const std::string& bytes) {
  auto s = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  s->SetPosition(0);
  return s;
}

TEST(StreamMarkers, ReadAndWritten) {
  struct {
    const char* name;
    std::string bytes;
    bool unicode;
    Int64 position;
  } cases[] = {
      {"unicode marker with data", std::string("VDUFMT") + '\x01', true, 6},
      {"8-bit marker with data", std::string("VDAFMT") + '\x01', false, 6},
      {"other bytes", "ABCDEFGH", false, 0},
      {"marker alone is not examined", "VDUFMT", false, 0},
      {"short stream", "VD", false, 0},
      {"empty stream", "", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = StreamOf(c.bytes);
    TvdStream wrapped(s.get());
    EXPECT_EQ(wrapped.IsUnicode(), c.unicode);
    EXPECT_EQ(s->Position(), c.position);
    EXPECT_EQ(wrapped.Stream(), s.get());
    EXPECT_EQ(wrapped.Size(), static_cast<Int64>(c.bytes.size()));
  }

  TMemoryStream out;
  vdWriteFormatMarker(&out);
  Word n = 2;
  out.WriteBuffer(&n, 2);
  out.WriteBuffer(L"日x", 4);
  out.SetPosition(0);
  TvdStream reader(&out);
  ASSERT_TRUE(reader.IsUnicode());
  String text;
  vdReadStreamString(&reader, reader.IsUnicode(), text);
  EXPECT_EQ(text, L"日x");
  EXPECT_EQ(out.Position(), 12);
  // The wrapper writes and seeks through to the wrapped stream.
  reader.Seek(0, soEnd);
  reader.WriteBuffer("\0\0", 2);
  EXPECT_EQ(out.Size(), 14);
}

TEST(StreamMarkers, StreamStrings) {
  struct {
    const char* name;
    std::string bytes;
    bool unicode;
    String text;
    Int64 consumed;
  } cases[] = {
      {"empty unicode", std::string("\0\0", 2), true, L"", 2},
      {"empty 8-bit", std::string("\0\0", 2), false, L"", 2},
      {"utf-8 bytes", std::string("\x03\x00\xe6\x97\xa5", 5), false, L"日", 5},
      {"utf-16 units", std::string("\x01\x00\xe5\x65", 4), true, L"日", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = StreamOf(c.bytes);
    String text = L"old";
    vdReadStreamString(s.get(), c.unicode, text);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(s->Position(), c.consumed);
  }
  auto shortStream = StreamOf(std::string("\x05\x00" "ab", 4));
  String text;
  EXPECT_THROW(vdReadStreamString(shortStream.get(), false, text), EReadError);
  auto noCount = StreamOf("x");
  EXPECT_THROW(vdReadStreamString(noCount.get(), true, text), EReadError);
}

TEST(VariantConversions, BlobsAndText) {
  Variant bytes = VarArrayCreate({0, 2}, varByte);
  Byte* p = static_cast<Byte*>(VarArrayLock(bytes));
  p[0] = 'a';
  p[1] = 0;
  p[2] = 'z';
  VarArrayUnlock(bytes);
  EXPECT_TRUE(vdIsBlobVariant(bytes));
  EXPECT_EQ(vdVariantAsAnsiString(bytes), std::string("a\0z", 3));
  EXPECT_TRUE(vdIsBlobVariant(Variant(L"text")));
  EXPECT_FALSE(vdIsBlobVariant(Variant(42)));
  EXPECT_FALSE(vdIsBlobVariant(VarArrayCreate({0, 1, 0, 1}, varByte)));
  EXPECT_EQ(vdVariantAsString(Variant(L"日本")), L"日本");
  EXPECT_EQ(vdVariantAsWideString(Variant(AnsiString("\x93\xfa"))), L"日");  // code page 932
  EXPECT_EQ(vdVariantAsAnsiString(Variant(AnsiString("raw\x93"))), "raw\x93");
  EXPECT_EQ(vdVariantAsAnsiString(Variant(L"日")), "\x93\xfa");
  EXPECT_EQ(vdVariantAsWideString(Variant(12)), L"12");
}

}  // namespace

}  // namespace ZS_UNITY_ID
