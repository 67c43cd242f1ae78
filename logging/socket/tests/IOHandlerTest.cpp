// The IO handler over a real loopback connection: lines, bytes, typed values, streams,
// capture, console input and write buffering.
#include "TestClient.h"

#include <gtest/gtest.h>

#include "VRNetException.h"

namespace ZS_UNITY_ID {

namespace {
// A peer that sends Data, then keeps the connection until the client closes it.
TTestPeer::THandler Sends(std::string Data, bool CloseAfter = false) {
  return [Data, CloseAfter](SOCKET s) {
    TTestPeer::SendAll(s, Data);
    if (!CloseAfter) TTestPeer::RecvAll(s, 5000);
  };
}

Cardinal Since(Cardinal Start) { return ElapsedTicks(Start, TickCount()); }

// A memory stream that remembers the largest size it was ever given.
class TSizeWatchStream : public TMemoryStream {
 public:
  void SetSize(Int64 NewSize) override {
    Largest = std::max(Largest, NewSize);
    TMemoryStream::SetSize(NewSize);
  }
  Int64 Largest = 0;
};
}  // namespace

TEST(VRNetIOHandler, ReadsLinesWithTheirTerminators) {
  TTestPeer peer(Sends("abc\r\na\rb\nabc\r\nlast"));
  auto c = ConnectedClient(peer.Port());
  TVRNetIOHandler* h = c->IOHandler();
  EXPECT_EQ(h->ReadLn(), L"abc");
  EXPECT_EQ(h->ReadLn(), L"a\rb");  // only a CR right before the LF goes
  EXPECT_EQ(h->ReadLn(L"\r\n"), L"abc");
  EXPECT_EQ(h->ReadLn(L"\n", 200), L"");  // "last" has no terminator yet
  EXPECT_TRUE(h->ReadLnTimedout());
  EXPECT_EQ(h->InputBuffer()->Size(), 4);
}

TEST(VRNetIOHandler, OverLongLinesRaiseOrSplit) {
  TTestPeer peer(Sends("abcdefgh\nabcdefgh\n"));
  auto c = ConnectedClient(peer.Port());
  TVRNetIOHandler* h = c->IOHandler();
  h->MaxLineLength = 5;
  try {
    h->ReadLn();
    FAIL();
  } catch (const EVRNetReadLnMaxLineLengthExceeded& e) {
    EXPECT_EQ(e.Message(), L"Max line length exceeded.");
  }
  h->MaxLineAction = maSplit;
  EXPECT_EQ(h->ReadLn(), L"abcde");
  EXPECT_TRUE(h->ReadLnSplitFlag());
  EXPECT_EQ(h->ReadLn(), L"fgh");
  h->MaxLineAction = maException;
  bool split = false;
  EXPECT_EQ(h->ReadLnSplit(split), L"abcde");
  EXPECT_TRUE(split);
  EXPECT_EQ(h->MaxLineAction, maException);
}

TEST(VRNetIOHandler, ReadTimeoutsAndEmptyLines) {
  TTestPeer peer(Sends("\r\n\r\n\r\n"));
  auto c = ConnectedClient(peer.Port());
  TVRNetIOHandler* h = c->IOHandler();
  try {
    h->ReadLnWait(3);
    FAIL();
  } catch (const EVRNetReadLnWaitMaxAttemptsExceeded& e) {
    EXPECT_EQ(e.Message(), L"Max line read attempts exceeded.");
  }
  Cardinal t = TickCount();
  EXPECT_EQ(h->ReadLn(L"\n", 100), L"");
  EXPECT_TRUE(h->ReadLnTimedout());
  EXPECT_GE(Since(t), 90u);
  EXPECT_LT(Since(t), 3000u);
  h->ReadTimeout = 150;
  t = TickCount();
  try {
    h->ReadLnWait();
    FAIL();
  } catch (const EVRNetReadTimeout& e) {
    EXPECT_EQ(e.Message(), L"Read timed out.");
  }
  EXPECT_GE(Since(t), 140u);
  EXPECT_TRUE(c->Connected());
}

TEST(VRNetIOHandler, WriteBufferingSendsInThresholdChunks) {
  std::string received;
  std::atomic<bool> done{false};
  TTestPeer peer([&](SOCKET s) {
    received = TTestPeer::RecvAll(s, 5000);
    done = true;
  });
  auto c = ConnectedClient(peer.Port());
  TVRNetIOHandler* h = c->IOHandler();
  TVRNetConnectionIntercept sends;
  std::vector<size_t> sizes;
  sends.OnSend = [&](TVRNetConnectionIntercept*, TBytes& b) { sizes.push_back(b.size()); };
  c->SetIntercept(&sends);
  h->Write(String());  // empty text: nothing at all
  EXPECT_TRUE(sizes.empty());
  h->WriteBufferOpen(100);
  h->Write(TBytes(250, 'a'));
  EXPECT_EQ(sizes, (std::vector<size_t>{100, 100}));
  h->WriteBufferClose();
  EXPECT_EQ(sizes, (std::vector<size_t>{100, 100, 50}));
  h->WriteBufferOpen(100);
  h->Write(TBytes(250, 'b'));
  h->WriteBufferCancel();
  EXPECT_EQ(sizes.size(), 5u);
  EXPECT_FALSE(h->WriteBufferingActive());
  c->Disconnect();
  c->SetIntercept(nullptr);
  TTestPeer::Hold(done);
  EXPECT_EQ(received.size(), 450u);
  EXPECT_EQ(std::count(received.begin(), received.end(), 'b'), 200);
}

TEST(VRNetIOHandler, PeerClosingMidValueKeepsWhatArrived) {
  TTestPeer peer(Sends("ab", true));
  auto c = ConnectedClient(peer.Port());
  TBytes b;
  EXPECT_THROW(c->IOHandler()->ReadBytes(b, 4), EVRNetConnClosedGracefully);
  EXPECT_EQ(c->IOHandler()->InputBuffer()->Size(), 2);
  EXPECT_EQ(c->IOHandler()->InputBufferAsString(), L"ab");
  EXPECT_FALSE(c->Connected());
}

TEST(VRNetIOHandler, TypedValuesGoMostSignificantByteFirst) {
  std::string first4;
  TTestPeer peer([&](SOCKET s) {
    first4 = TTestPeer::RecvExact(s, 4);
    TTestPeer::SendAll(s, first4 + first4);
    EchoPeer(s);
  });
  auto c = ConnectedClient(peer.Port());
  TVRNetIOHandler* h = c->IOHandler();
  h->Write(Integer(0x7F000001));
  EXPECT_EQ(h->ReadLongInt(), 0x7F000001);
  EXPECT_EQ(h->ReadLongInt(false), 0x0100007F);
  EXPECT_EQ(first4, std::string("\x7F\x00\x00\x01", 4));
  h->Write(SmallInt(-2));
  h->Write(Int64(0x0102030405060708));
  h->Write(Cardinal(0xFFFFFFFE));
  h->Write(Byte(9));
  h->Write(Char(L'\u00E9'), TEncoding::UTF8());
  EXPECT_EQ(h->ReadSmallInt(), -2);
  EXPECT_EQ(h->ReadInt64(), 0x0102030405060708);
  EXPECT_EQ(h->ReadLongWord(), 0xFFFFFFFEu);
  EXPECT_EQ(h->ReadByte(), 9);
  EXPECT_EQ(h->ReadChar(TEncoding::UTF8()), L'\u00E9');

  TStringList lines, back;
  lines.Add(L"one");
  lines.Add(L"two");
  h->Write(&lines, true);
  h->ReadStrings(&back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Strings(1), L"two");
  h->Write(String(L"abcdef"));
  h->Discard(3);
  EXPECT_EQ(h->ReadString(3), L"def");
}

TEST(VRNetIOHandler, AnAnnouncedLengthGrowsTheStreamOnlyAsBytesArrive) {
  // The peer announces 2 GB and sends six bytes.
  TTestPeer peer(Sends(std::string("\x7F\xFF\xFF\xFF", 4) + "123456", true));
  auto c = ConnectedClient(peer.Port());
  TSizeWatchStream ms;
  EXPECT_THROW(c->IOHandler()->ReadStream(&ms), EVRNetConnClosedGracefully);
  EXPECT_EQ(ms.Size(), 6);
  EXPECT_LT(ms.Largest, 1 << 20);
}

TEST(VRNetIOHandler, StreamsWithLengthAndAShortTransfer) {
  TTestPeer peer(Sends(std::string("\x00\x00\x00\x0A", 4) + "123456", true));
  auto c = ConnectedClient(peer.Port());
  TMemoryStream ms;
  try {
    c->IOHandler()->ReadStream(&ms);
    FAIL();
  } catch (const EVRNetConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), L"Connection Closed Gracefully.");
  }
  EXPECT_EQ(ms.Size(), 6);

  TTestPeer echo(EchoPeer);
  auto e = ConnectedClient(echo.Port());
  TVRNetIOHandler* h = e->IOHandler();
  TMemoryStream src;
  src.WriteBuffer("0123456789", 10);
  h->SendBufferSize = 4;  // three chunks
  h->Write(&src, 0, true);
  TMemoryStream dst;
  h->ReadStream(&dst);
  EXPECT_EQ(dst.Size(), 10);
  EXPECT_EQ(std::string(static_cast<const char*>(dst.Memory()), 10), "0123456789");

  std::vector<String> work;
  e->OnWorkBegin = [&](TObject*, TWorkMode m, Int64 n) { work.push_back(L"begin " + IntToStr(n)); };
  e->OnWorkEnd = [&](TObject*, TWorkMode) { work.push_back(L"end"); };
  TMemoryStream empty;
  h->Write(&empty);
  EXPECT_EQ(work, (std::vector<String>{L"begin 0", L"end"}));
  // A socket handler answers 0 for a missing file; an existing one goes out whole, through
  // the stream path or through the system's file sending.
  EXPECT_EQ(h->WriteFile(L"Z:\\no\\such\\file.bin"), 0);
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"vrn", 0, path);
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("file-data", 9);
  }
  EXPECT_EQ(h->WriteFile(path), 9);
  EXPECT_EQ(h->ReadString(9), L"file-data");
  EXPECT_EQ(h->WriteFile(path, true), 9);
  EXPECT_EQ(h->ReadString(9), L"file-data");
  DeleteFileW(path);
}

TEST(VRNetIOHandler, CaptureUntilTheDelimiterLine) {
  TTestPeer peer(Sends("a\r\n..b\r\n.\r\n1\n2\n3\n4\n.\n"));
  auto c = ConnectedClient(peer.Port());
  TVRNetIOHandler* h = c->IOHandler();
  TStringList lines;
  Integer count = 0;
  h->Capture(&lines, count);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Strings(1), L".b");
  h->MaxCapturedLines = 1;
  TStringList limited;
  EXPECT_THROW(h->Capture(&limited), EVRNetMaxCaptureLineExceeded);
  EXPECT_EQ(limited.Count(), 2);  // the third line was about to be stored
  TVRNetBuffer notALineStore;
  EXPECT_THROW(h->Capture(&notALineStore), EVRNetObjectTypeNotSupported);
}

TEST(VRNetIOHandler, ConsoleInputEchoesAndWaitForFindsText) {
  std::string echoed;
  std::atomic<bool> done{false};
  TTestPeer peer([&](SOCKET s) {
    TTestPeer::SendAll(s, "x\by\n\tz\nabcEND");
    echoed = TTestPeer::RecvExact(s, 14);
    done = true;
  });
  auto c = ConnectedClient(peer.Port());
  TVRNetIOHandler* h = c->IOHandler();
  EXPECT_EQ(h->InputLn(), L"y");
  EXPECT_EQ(h->InputLn(L"*", true, 4), L"    z");
  EXPECT_EQ(h->WaitFor(L"END"), L"abc");
  EXPECT_TRUE(h->InputBufferIsEmpty());
  TTestPeer::Hold(done);
  c->Disconnect();
  // x, then backspace-space-backspace, then y and a line end; four spaces, a mask, a line end.
  EXPECT_EQ(echoed.substr(0, 7), std::string("x\b \by\r\n"));
  EXPECT_EQ(echoed.substr(7), std::string("    *\r\n"));
}

TEST(VRNetIOHandler, AllDataReadsUntilThePeerCloses) {
  TTestPeer peer(Sends("hello, world", true));
  TVRNetTCPClient c(nullptr);
  c.SetHost(L"127.0.0.1");
  c.SetPort(peer.Port());
  c.SetReadTimeout(5000);
  EXPECT_EQ(c.ConnectAndGetAll(), L"hello, world");
  EXPECT_FALSE(c.Connected());
}

}  // namespace ZS_UNITY_ID
