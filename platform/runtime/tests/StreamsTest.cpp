// Streams: memory and file streams, their errors, copying and growth.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Classes.h"

namespace ZS_UNITY_ID {

namespace {

String TempPath(const String& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return String(dir) + std::to_wstring(GetCurrentProcessId()) + L"_" + name;  // parallel runs stay apart
}

std::string Content(TCustomMemoryStream& m) {
  return std::string(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

}  // namespace

TEST(Streams, MemoryStreamReadWriteSeek) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Seek(-3, soEnd), 2);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 3);  // short read returns what there is
  EXPECT_STREQ(buf, "llo");
  EXPECT_EQ(m.Read(buf, 8), 0);
  m.SetPosition(1);
  m.WriteBuffer("EL", 2);
  EXPECT_EQ(Content(m), "hELlo");
  m.SetPosition(8);  // writing past the end leaves zeros in the gap
  m.WriteBuffer("!", 1);
  EXPECT_EQ(Content(m), std::string("hELlo\0\0\0!", 9));
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  EXPECT_EQ(Content(m), "hE");
  Int64 big = 0x0102030405060708LL, back = 0;
  m.WriteData(big);
  m.SetPosition(2);
  EXPECT_EQ(m.ReadData(back), 8);
  EXPECT_EQ(back, big);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Memory(), nullptr);
}

TEST(Streams, ShortReadsAndWritesRaise) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.SetPosition(1);
  char buf[4];
  try {
    m.ReadBuffer(buf, 4);
    ADD_FAILURE() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), L"Stream read error");
  }
  TBytes small(2);
  EXPECT_THROW(m.ReadBuffer(small, 3), EReadError);  // more than the array holds
  // A stream over fixed memory cannot grow.
  class TFixed : public TCustomMemoryStream {
   public:
    TFixed(void* p, NativeInt n) { SetPointer(p, n); }
    Integer Write(const void*, Integer) override { return 0; }
  };
  char mem[4] = {'w', 'x', 'y', 'z'};
  TFixed fixed(mem, 4);
  try {
    fixed.WriteBuffer("q", 1);
    ADD_FAILURE() << "no exception";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), L"Stream write error");
  }
  fixed.SetPosition(2);
  fixed.ReadBuffer(buf, 2);
  EXPECT_EQ(std::string(buf, 2), "yz");
}

TEST(Streams, ManySmallWritesGrowTheStorageGeometrically) {
  TMemoryStream m;
  std::vector<char> piece(4096, 'x');
  NativeInt last = 0;
  int grows = 0;
  for (int i = 0; i < 2560; ++i) {  // 10 MB
    m.WriteBuffer(piece.data(), static_cast<Integer>(piece.size()));
    if (m.Capacity() != last) {
      ++grows;
      EXPECT_GE(m.Capacity(), last + last / 2) << "write " << i;
      last = m.Capacity();
    }
  }
  EXPECT_EQ(m.Size(), 2560 * 4096);
  EXPECT_LT(grows, 40);
  const Byte* bytes = static_cast<const Byte*>(m.Memory());
  EXPECT_EQ(bytes[0], 'x');
  EXPECT_EQ(bytes[m.Size() - 1], 'x');
}

TEST(Streams, CapacityGrowsInSteps) {
  TMemoryStream m;
  std::vector<char> chunk(5000, 'x');
  m.WriteBuffer(chunk.data(), 5000);
  EXPECT_EQ(m.Capacity(), 0x2000);
  m.WriteBuffer(chunk.data(), 5000);
  EXPECT_EQ(m.Capacity(), 0x4000);
  EXPECT_EQ(m.Size(), 10000);
  m.SetCapacity(10000);  // exact when asked for the size
  EXPECT_EQ(m.Capacity(), 10000);
  m.SetCapacity(100);  // rounded up to a step; cutting the storage cuts the data with it
  EXPECT_EQ(m.Capacity(), 0x2000);
  EXPECT_EQ(m.Size(), 0x2000);
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(&m, 0), 0x2000);
  TBytesStream b;
  for (int i = 0; i < 1000; ++i) b.WriteData(i);
  EXPECT_EQ(b.Size(), 4000);
  EXPECT_GE(b.Bytes().size(), 4000u);
  int v = 0;
  std::memcpy(&v, b.Bytes().data() + 4 * 999, 4);
  EXPECT_EQ(v, 999);
  TBytesStream fromBytes(TBytes{1, 2, 3});
  EXPECT_EQ(fromBytes.Size(), 3);
  Byte last = 0;
  fromBytes.Seek(-1, soEnd);
  fromBytes.ReadData(last);
  EXPECT_EQ(last, 3);
}

TEST(Streams, CopyFromCopiesAllOrCount) {
  TMemoryStream src;
  std::vector<Byte> data(200000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<Byte>(i * 7);
  src.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(&src, 0), 200000);  // 0: everything, from the start
  EXPECT_EQ(std::memcmp(all.Memory(), data.data(), data.size()), 0);
  src.SetPosition(10);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(&src, 5), 5);
  EXPECT_EQ(static_cast<const Byte*>(part.Memory())[0], data[10]);
  src.SetPosition(199998);
  EXPECT_THROW(part.CopyFrom(&src, 5), EReadError);
}

TEST(Streams, FileStreamRoundTripAndModes) {
  const String path = TempPath(L"zs_stream_test.bin");
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.FileName(), path);
    f.SetSize(6);
    EXPECT_EQ(f.Size(), 6);
  }
  {
    TFileStream f(path, fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_EQ(f.Size(), 6);
    f.Seek(0, soEnd);
    f.WriteBuffer("ab", 2);
    // A second writer is refused while this one denies writing.
    EXPECT_THROW(TFileStream(path, fmOpenWrite | fmShareDenyNone), EFOpenError);
    TFileStream reader(path, fmOpenRead | fmShareDenyNone);
    char buf[9] = {};
    EXPECT_EQ(reader.Read(buf, 8), 8);
    EXPECT_STREQ(buf, "012345ab");
    EXPECT_THROW(reader.WriteBuffer("x", 1), EWriteError);  // opened for reading
  }
  TMemoryStream m;
  m.LoadFromFile(path);
  EXPECT_EQ(Content(m), "012345ab");
  const String copy = TempPath(L"zs_stream_copy.bin");
  m.SaveToFile(copy);
  TFileStream c(copy, fmOpenRead);
  EXPECT_EQ(c.Size(), 8);
  DeleteFileW(path.c_str());
}

TEST(Streams, OpenAndCreateErrorsNameTheFullPath) {
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  String dir = cwd;
  if (dir.back() != L'\\') dir += L'\\';
  try {
    TFileStream f(L"no_such_file_zs.dat", fmOpenRead);
    ADD_FAILURE() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), L"Cannot open file \"" + dir + L"no_such_file_zs.dat\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SysErrorMessage(ERROR_FILE_NOT_FOUND).empty());
  }
  try {
    TFileStream f(L"no_such_dir_zs\\x.dat", fmCreate);
    ADD_FAILURE() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(),
              L"Cannot create file \"" + dir + L"no_such_dir_zs\\x.dat\". " + SysErrorMessage(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(e.InheritsFrom(EStreamError::StaticClass()));
  }
}

TEST(Streams, StringStreamEncodesItsText) {
  TStringStream ansi(L"日本語abc");  // the default (ANSI) encoding
  EXPECT_EQ(ansi.Size(), 9);
  EXPECT_EQ(ansi.DataString(), L"日本語abc");
  TStringStream utf8(L"", TEncoding::UTF8());
  utf8.WriteString(L"ダクル");
  utf8.WriteString(L"!");
  EXPECT_EQ(utf8.Size(), 10);
  EXPECT_EQ(utf8.DataString(), L"ダクル!");
  utf8.SetPosition(3);
  EXPECT_EQ(utf8.ReadString(6), L"クル");
  EXPECT_EQ(utf8.ReadString(100), L"!");
  EXPECT_EQ(utf8.ReadString(1), L"");
  TStringStream owned(L"x", TEncoding::GetEncoding(20932), true);  // freed with the stream
  EXPECT_EQ(owned.Encoding()->CodePage(), 20932u);
}

TEST(Streams, ResourceStreamReadsModuleResources) {
  HINSTANCE self = GetModuleHandleW(nullptr);
  TResourceStream byName(self, L"ZS_STREAM_DATA", RT_RCDATA);
  EXPECT_EQ(Content(byName), "resource bytes");
  TResourceStream byId(self, 4711, RT_RCDATA);
  EXPECT_EQ(Content(byId), "by number");
  try {
    byId.WriteBuffer("x", 1);
    ADD_FAILURE() << "no exception";
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), L"Can't write to a read-only resource stream");
  }
  const std::pair<std::function<void()>, const wchar_t*> missing[] = {
      {[&] { TResourceStream s(self, L"NOT_THERE", RT_RCDATA); }, L"Resource NOT_THERE not found"},
      {[&] { TResourceStream s(self, 4712, RT_RCDATA); }, L"Resource 4712 not found"},
  };
  for (const auto& [make, message] : missing) {
    try {
      make();
      ADD_FAILURE() << "no exception";
    } catch (const EResNotFound& e) {
      EXPECT_EQ(e.Message(), message);
    }
  }
}

}  // namespace ZS_UNITY_ID
