#include "VRNetIOHandler.h"

#include <cstring>
#include <limits>

#include "VRNetAntiFreezeBase.h"
#include "VRNetException.h"
#include "VRNetStack.h"
#include "VRNetStreamRTL.h"

namespace {
std::unique_ptr<std::vector<TClass>> GIOHandlerClassList;
TClass GDefaultIOHandlerClass = nullptr;

void DoneVRNetIOHandler() {
  GIOHandlerClassList.reset();
  GDefaultIOHandlerClass = nullptr;
}

// BeginWork now, EndWork when the scope ends (also on failure). EndWork runs event
// handlers, so it may raise: the scope family passes that on, or hands it to the
// application's handler while another exception unwinds.
auto WorkScope(TVRNetComponent* C, TWorkMode M, Int64 Size = 0) {
  C->BeginWork(M, Size);
  return TScopeExit([C, M] { C->EndWork(M); });
}
}  // namespace

const TUnitInfo VRNetIOHandlerUnit{L"VRNetIOHandler", nullptr, DoneVRNetIOHandler};

TVRNetIOHandler::TVRNetIOHandler(TComponent* AOwner) : TVRNetComponent(AOwner) {
  FInputBuffer = std::make_unique<TVRNetBuffer>(
      [this](TObject*, Integer ABytes) { DoWork(wmRead, ABytes); });
}

TVRNetIOHandler::~TVRNetIOHandler() {
  // Close is virtual; here it runs this class's part only: the descendants close their
  // own transport in their destructors.
  try {
    TVRNetIOHandler::Close();
  } catch (const Exception&) {
    // A failing intercept must not stop the destruction.
  }
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
}

void TVRNetIOHandler::RegisterIOHandler(TClass AClass) {
  if (!GIOHandlerClassList) GIOHandlerClassList = std::make_unique<std::vector<TClass>>();
  for (TClass c : *GIOHandlerClassList)
    if (c == AClass) return;
  GIOHandlerClassList->push_back(AClass);
}

void TVRNetIOHandler::SetDefaultClass(TClass AClass) {
  GDefaultIOHandlerClass = AClass;
  RegisterIOHandler(AClass);
}

TVRNetIOHandler* TVRNetIOHandler::MakeDefaultIOHandler(TComponent* AOwner) {
  VRNET_ASSERT(GDefaultIOHandlerClass != nullptr);
  return static_cast<TVRNetIOHandler*>(GDefaultIOHandlerClass->NewInstance(AOwner));
}

TVRNetIOHandler* TVRNetIOHandler::MakeIOHandler(TClass ABaseType, TComponent* AOwner) {
  if (GIOHandlerClassList)
    for (auto it = GIOHandlerClassList->rbegin(); it != GIOHandlerClassList->rend(); ++it)
      if ((*it)->InheritsFrom(ABaseType) && (*it)->CanCreate())
        return static_cast<TVRNetIOHandler*>((*it)->NewInstance(nullptr));
  EVRNetException::Toss(UsFormat(L"No IOHandler of type %s is installed.", {ABaseType->ClassName()}));
}

// Life cycle ---------------------------------------------------------------------------------

void TVRNetIOHandler::Open() {
  FOpened = false;
  FClosedGracefully = false;
  WriteBufferClear();
  if (FInputBuffer) FInputBuffer->Clear();
  FOpened = true;
}

void TVRNetIOHandler::Close() {
  // Closed also when the intercept's disconnect fails.
  TScopeExit closed([this] {
    FOpened = false;
    WriteBufferClear();
  });
  if (FIntercept) FIntercept->Disconnect();
}

bool TVRNetIOHandler::Connected() {
  CheckForDisconnect(false, false);
  return FOpened && ((FInputBuffer && FInputBuffer->Size() > 0) || (!FClosedGracefully && FInputBuffer));
}

bool TVRNetIOHandler::CheckForDataOnSource(Integer ATimeout) {
  const Integer before = FInputBuffer ? FInputBuffer->Size() : 0;
  if (!Connected()) return false;
  if (FInputBuffer && FInputBuffer->Size() > before) return true;
  return ReadIntoInputBuffer(false, ATimeout, false) > 0;
}

String TVRNetIOHandler::InputBufferAsString(const TEncoding* AEncoding) {
  return FInputBuffer->Extract(FInputBuffer->Size(), EncodingOrDefault(AEncoding, FDefStringEncoding));
}

void TVRNetIOHandler::InputBufferToStream(TStream* AStream, Integer AByteCount) {
  FInputBuffer->ExtractToStream(AStream, AByteCount);
}

void TVRNetIOHandler::SetIntercept(TVRNetConnectionIntercept* AValue) {
  if (FIntercept == AValue) return;
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
  FIntercept = AValue;
  if (FIntercept) FIntercept->FreeNotification(this);
}

void TVRNetIOHandler::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FIntercept) FIntercept = nullptr;
}

String TVRNetIOHandler::Destination() const { return FHost + L":" + IntToStr(FPort); }

void TVRNetIOHandler::SetDestination(const String& AValue) {
  const size_t p = AValue.rfind(L':');
  if (p == String::npos) return;
  SetHost(AValue.substr(0, p));
  SetPort(TrimStrToInt(AValue.substr(p + 1), FPort));
}

// Input pump ---------------------------------------------------------------------------------

Integer TVRNetIOHandler::ReadIntoInputBuffer(bool ARaiseExceptionIfDisconnected, Integer ATimeout,
                                             bool ARaiseExceptionOnTimeout) {
  if (ATimeout == -1) ATimeout = (ReadTimeout == -1 || ReadTimeout == 0) ? -2 : ReadTimeout;
  CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
  if (!TransportAvailable()) {
    if (ARaiseExceptionIfDisconnected) EVRNetException::Toss(L"Not Connected");
    return 0;
  }
  do {
    if (!Readable(ATimeout)) {
      if (ARaiseExceptionOnTimeout) EVRNetReadTimeout::Toss(L"Read timed out.");
      return -1;
    }
    Integer n = 0;
    if (FOpened) {
      if (!TransportAvailable()) EVRNetClosedSocket::Toss(L"Disconnected.");
      TBytes chunk(static_cast<size_t>(RecvBufferSize));
      n = ReadFromTransport(chunk);
      if (n > 0) {
        chunk.resize(static_cast<size_t>(n));
        if (FIntercept) {
          FIntercept->Receive(chunk);
          n = static_cast<Integer>(chunk.size());
        }
        FInputBuffer->Write(chunk);
      }
    } else if (ARaiseExceptionIfDisconnected) {
      EVRNetNotConnected::Toss(L"Not Connected");
    }
    if (n < 0) {
      const Integer error = TransportErrorOf(n);
      FClosedGracefully = true;
      Close();
      if (InputBufferIsEmpty()) RaiseTransportError(error);
      n = 0;
    }
    if (n == 0) FClosedGracefully = true;
    CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
    if (n != 0) return n;
  } while (TransportAvailable());
  return 0;
}

// Reads --------------------------------------------------------------------------------------

void TVRNetIOHandler::ReadBytes(TBytes& VBuffer, Integer AByteCount, bool AAppend) {
  VRNET_ASSERT(FInputBuffer != nullptr);
  if (AByteCount > 0) {
    while (FInputBuffer->Size() < AByteCount) {
      if (ReadIntoInputBuffer(false, -1, true) > 0 && FInputBuffer->Size() >= AByteCount) break;
      CheckForDisconnect(true, true);
    }
    FInputBuffer->ExtractToBytes(VBuffer, AByteCount, AAppend);
  } else if (AByteCount < 0) {
    ReadIntoInputBuffer(false, ReadTimeout, false);
    CheckForDisconnect(true, true);
    FInputBuffer->ExtractToBytes(VBuffer, -1, AAppend);
  }
}

String TVRNetIOHandler::ReadLn(const String& ATerminator, Integer ATimeout, Integer AMaxLineLength,
                               const TEncoding* AEncoding) {
  const TEncoding* enc = EncodingOrDefault(AEncoding, FDefStringEncoding);
  if (AMaxLineLength < 0) AMaxLineLength = MaxLineLength;
  const String term = ATerminator.empty() ? String(L"\n") : ATerminator;
  const TBytes termBytes = BytesOfString(term, enc);
  const Integer termLen = static_cast<Integer>(termBytes.size());
  FReadLnSplit = false;
  FReadLnTimedout = false;
  Integer p = -1;
  Integer s = 0;
  const Cardinal start = TickCount();
  for (;;) {
    if (!InputBufferIsEmpty()) {
      const Integer size = FInputBuffer->Size();
      p = s < size ? FInputBuffer->IndexOf(termBytes, s) : -1;
      s = std::max(size - termLen + 1, 0);
    }
    if (AMaxLineLength > 0 && p > AMaxLineLength) {
      if (MaxLineAction == maException)
        EVRNetReadLnMaxLineLengthExceeded::Toss(L"Max line length exceeded.");
      FReadLnSplit = true;
      return FInputBuffer->Extract(AMaxLineLength, enc);
    }
    if (p == -1) {
      CheckForDisconnect(true, true);
      FReadLnTimedout = ReadIntoInputBuffer(true, ATimeout, ATimeout == -1) == -1;
      if (!FReadLnTimedout && ATimeout >= 0) FReadLnTimedout = ElapsedTicks(start, TickCount()) >= static_cast<Cardinal>(ATimeout);
      if (FReadLnTimedout) return {};
      continue;
    }
    TBytes line;
    FInputBuffer->ExtractToBytes(line, p + termLen, false);
    Integer len = p;
    if (term == L"\n" && p > 0 && line[p - 1] == 13) --len;
    return TextFromBytes(line, enc, 0, len);
  }
}

String TVRNetIOHandler::ReadLnRFC(bool& VMsgEnd, const String& ALineTerminator, const String& ADelim,
                                  const TEncoding* AEncoding) {
  String line = ReadLn(ALineTerminator, AEncoding);
  if (line == ADelim) {
    VMsgEnd = true;
    return line;
  }
  VMsgEnd = false;
  if (!line.empty() && line[0] == L'.') line.erase(0, 1);
  return line;
}

String TVRNetIOHandler::ReadLnSplit(bool& AWasSplit, const String& ATerminator, Integer ATimeout,
                                    Integer AMaxLineLength, const TEncoding* AEncoding) {
  String r;
  {
    TValueScope<TNetMaxLineAction> split(MaxLineAction, maSplit);
    r = ReadLn(ATerminator, ATimeout, AMaxLineLength, AEncoding);
  }
  AWasSplit = FReadLnSplit;
  return r;
}

String TVRNetIOHandler::ReadLnWait(Integer AFailCount, const TEncoding* AEncoding) {
  for (Integer attempts = 0; attempts < AFailCount; ++attempts) {
    const String line = Trim(ReadLn(AEncoding));
    if (!line.empty()) return line;
    if (FReadLnTimedout) EVRNetReadTimeout::Toss(L"Read timed out.");
  }
  EVRNetReadLnWaitMaxAttemptsExceeded::Toss(L"Max line read attempts exceeded.");
}

Byte TVRNetIOHandler::ReadByte() {
  TBytes b;
  ReadBytes(b, 1, false);
  return b[0];
}

SmallInt TVRNetIOHandler::ReadSmallInt(bool AConvert) {
  TBytes b;
  ReadBytes(b, 2, false);
  Word v = WordFromBytes(b);
  if (AConvert) v = GStack()->NetworkToHost(v);
  return static_cast<SmallInt>(v);
}

Integer TVRNetIOHandler::ReadLongInt(bool AConvert) { return static_cast<Integer>(ReadLongWord(AConvert)); }

Cardinal TVRNetIOHandler::ReadLongWord(bool AConvert) {
  TBytes b;
  ReadBytes(b, 4, false);
  Cardinal v = LongWordFromBytes(b);
  if (AConvert) v = GStack()->NetworkToHost(v);
  return v;
}

Int64 TVRNetIOHandler::ReadInt64(bool AConvert) {
  TBytes b;
  ReadBytes(b, 8, false);
  UInt64 v = static_cast<UInt64>(Int64FromBytes(b));
  if (AConvert) v = GStack()->NetworkToHost(v);
  return static_cast<Int64>(v);
}

Char TVRNetIOHandler::ReadChar(const TEncoding* AEncoding) {
  const TEncoding* enc = EncodingOrDefault(AEncoding, FDefStringEncoding);
  const Integer maxBytes = enc->GetMaxByteCount(2);
  TBytes b;
  String s;
  for (Integer i = 0; i < maxBytes; ++i) {
    ReadBytes(b, 1, true);
    s = enc->GetString(b);
    // A multi-byte character is complete when its text encodes back to the bytes read: a
    // decoder shows a started sequence as a replacement character, which is no character
    // of the input.
    if (!s.empty() && (enc->IsSingleByte() || enc->GetBytes(s) == b)) break;
  }
  VRNET_ASSERT(s.size() == 1);
  return s[0];
}

String TVRNetIOHandler::ReadString(Integer ABytes, const TEncoding* AEncoding) {
  if (ABytes < 1) return {};
  TBytes b;
  ReadBytes(b, ABytes, false);
  return TextFromBytes(b, EncodingOrDefault(AEncoding, FDefStringEncoding));
}

void TVRNetIOHandler::ReadStrings(TStrings* AValue, Integer AReadLinesCount, const TEncoding* AEncoding) {
  if (AReadLinesCount < 0) AReadLinesCount = ReadLongInt();
  for (Integer i = 0; i < AReadLinesCount; ++i) AValue->Add(ReadLn(AEncoding));
}

void TVRNetIOHandler::ReadStream(TStream* AStream, Int64 AByteCount, bool AReadUntilDisconnect) {
  VRNET_ASSERT(AStream != nullptr);
  if (AByteCount == -1 && !AReadUntilDisconnect) AByteCount = LargeStream ? ReadInt64() : ReadLongInt();
  if (AByteCount >= 0) {
    const Int64 pos = AStream->Position();
    if (pos > std::numeric_limits<Int64>::max() - AByteCount)
      EVRNetIOHandlerStreamDataTooLarge::Toss(L"Data is too large for stream");
    // The count may come from the peer: the stream grows as the bytes arrive rather than
    // being sized for a count that nothing backs yet.
  } else {
    AReadUntilDisconnect = true;
  }
  BeginWork(wmRead, AReadUntilDisconnect ? 0 : AByteCount);
  // Always, also on failure: the work bracket closes and the stream ends at its position.
  TScopeExit finish([&] {
    EndWork(wmRead);
    if (AStream->Size() > AStream->Position()) AStream->SetSize(AStream->Position());
  });
  if (!InputBufferIsEmpty()) {
    Integer n = FInputBuffer->Size();
    if (!AReadUntilDisconnect) n = static_cast<Integer>(std::min<Int64>(n, AByteCount));
    FInputBuffer->ExtractToStream(AStream, n);
    if (!AReadUntilDisconnect) AByteCount -= n;
  }
  for (;;) {
    Integer chunk;
    if (AReadUntilDisconnect) {
      chunk = RecvBufferSize;
    } else {
      if (AByteCount <= 0) break;
      chunk = static_cast<Integer>(std::min<Int64>(RecvBufferSize, AByteCount));
    }
    TBytes b;
    try {
      ReadBytes(b, chunk, false);
    } catch (const Exception& E) {
      const Integer got = std::min(FInputBuffer->Size(), chunk);
      if (got > 0) FInputBuffer->ExtractToStream(AStream, got);
      if (AReadUntilDisconnect && dynamic_cast<const EVRNetConnClosedGracefully*>(&E)) break;
      throw;
    }
    AStream->WriteBuffer(b.data(), chunk);
    if (!AReadUntilDisconnect) AByteCount -= chunk;
    TVRNetAntiFreezeBase::DoProcess(true);
  }
}

void TVRNetIOHandler::Capture(TObject* ADest, const String& ADelim, bool AUsesDotTransparency,
                              const TEncoding* AEncoding) {
  Integer n = 0;
  CaptureLines(ADest, n, ADelim, AUsesDotTransparency, AEncoding);
}

void TVRNetIOHandler::Capture(TObject* ADest, Integer& VLineCount, const String& ADelim, bool AUsesDotTransparency,
                              const TEncoding* AEncoding) {
  CaptureLines(ADest, VLineCount, ADelim, AUsesDotTransparency, AEncoding);
}

void TVRNetIOHandler::CaptureLines(TObject* ADest, Integer& VLineCount, const String& ADelim,
                                   bool AUsesDotTransparency, const TEncoding* AEncoding) {
  auto* list = dynamic_cast<TStrings*>(ADest);
  auto* stream = dynamic_cast<TStream*>(ADest);
  if (!list && !stream) EVRNetObjectTypeNotSupported::Toss(L"Object type not supported.");
  VLineCount = 0;
  auto work = WorkScope(this, wmRead);
  for (;;) {
    String line = ReadLn(AEncoding);
    if (line == ADelim) break;
    if (MaxCapturedLines > 0 && VLineCount > MaxCapturedLines)
      EVRNetMaxCaptureLineExceeded::Toss(L"Maximum number of line allowed exceeded");
    if (AUsesDotTransparency && line.rfind(L"..", 0) == 0) line.erase(0, 1);
    ++VLineCount;
    if (list) list->Add(line);
    else WriteTextToStream(stream, line + L"\r\n", EncodingOrDefault(AEncoding, FDefStringEncoding));
  }
}

String TVRNetIOHandler::InputLn(const String& AMask, bool AEcho, Integer ATabWidth, Integer AMaxLineLength,
                                const TEncoding* AEncoding) {
  if (AMaxLineLength < 0) AMaxLineLength = MaxLineLength;
  String line;
  Char c;
  do {
    c = ReadChar(AEncoding);
    if (static_cast<Integer>(line.size()) > AMaxLineLength) continue;
    switch (c) {
      case 8:
        if (!line.empty()) {
          line.pop_back();
          if (AEcho) Write(String(L"\b \b"), AEncoding);
        }
        break;
      case 9:
        if (ATabWidth <= 0) {
          line += c;
          if (AEcho) Write(c, AEncoding);
        } else {
          const Integer spaces = ATabWidth - static_cast<Integer>(line.size()) % ATabWidth;
          const String pad(static_cast<size_t>(spaces), L' ');
          line += pad;
          if (AEcho) Write(pad, AEncoding);
        }
        break;
      case 10:
      case 13:
      case 27:
        break;
      default:
        line += c;
        if (AEcho) {
          if (AMask.empty()) Write(c, AEncoding);
          else Write(AMask, AEncoding);
        }
    }
  } while (c != 10);
  while (!line.empty() && (line.back() == 13 || line.back() == 10)) line.pop_back();
  if (AEcho) WriteLn(AEncoding);
  return line;
}

String TVRNetIOHandler::WaitFor(const String& AString, bool ARemoveFromBuffer, bool AInclusive,
                                const TEncoding* AEncoding, Integer ATimeout) {
  const TEncoding* enc = EncodingOrDefault(AEncoding, FDefStringEncoding);
  const TBytes bytes = BytesOfString(AString, enc);
  const Integer len = static_cast<Integer>(bytes.size());
  Integer start = 0;
  Integer p;
  for (;;) {
    p = FInputBuffer->Size() > 0 && start < FInputBuffer->Size() ? FInputBuffer->IndexOf(bytes, start) : -1;
    if (p >= 0) break;
    start = std::max(0, FInputBuffer->Size() - len + 1);
    ReadIntoInputBuffer(true, ATimeout, true);
  }
  if (AInclusive && ARemoveFromBuffer) return FInputBuffer->Extract(p + len, enc);
  String r = FInputBuffer->Extract(p, enc);
  if (ARemoveFromBuffer) FInputBuffer->Remove(len);
  if (AInclusive) r += AString;
  return r;
}

String TVRNetIOHandler::AllData(const TEncoding* AEncoding) {
  auto work = WorkScope(this, wmRead);
  try {
    if (Connected())
      while (ReadIntoInputBuffer(false, 250, false) != 0) {
      }
  } catch (const Exception&) {
    // Whatever arrived before the failure is the answer; the failure itself only ends it.
  }
  return InputBufferAsString(AEncoding);
}

void TVRNetIOHandler::Discard(Int64 AByteCount) {
  VRNET_ASSERT(AByteCount >= 0);
  if (AByteCount == 0) return;
  auto work = WorkScope(this, wmRead, AByteCount);
  while (AByteCount > 0) {
    const Integer n = static_cast<Integer>(std::min<Int64>({AByteCount, FInputBuffer->Size(), 2147483647}));
    if (n > 0) {
      FInputBuffer->Remove(n);
      AByteCount -= n;
      continue;
    }
    if (ReadIntoInputBuffer(false, -1, true) <= 0) CheckForDisconnect(true, true);
  }
}

void TVRNetIOHandler::DiscardAll() {
  auto work = WorkScope(this, wmRead);
  FInputBuffer->Clear();
  // Nothing read stays buffered, whatever ends the loop.
  TScopeExit clear([this] { FInputBuffer->Clear(); });
  try {
    for (;;) {
      ReadIntoInputBuffer(true, -1, true);
      FInputBuffer->Clear();
      TVRNetAntiFreezeBase::DoProcess(true);
    }
  } catch (const EVRNetConnClosedGracefully&) {
    // The expected end: the peer closed.
  }
}

// Writes -------------------------------------------------------------------------------------

void TVRNetIOHandler::Write(const TBytes& ABuffer, Integer ALength, Integer AOffset) {
  const Integer n = AvailableBytes(ABuffer, ALength, AOffset);
  if (n <= 0) return;
  if (FWriteBuffer) {
    FWriteBuffer->Write(ABuffer, n, AOffset);
    if (FWriteBufferThreshold > 0)
      while (FWriteBuffer && FWriteBuffer->Size() >= FWriteBufferThreshold) WriteBufferFlush(FWriteBufferThreshold);
  } else {
    WriteDirect(ABuffer, n, AOffset);
  }
}

void TVRNetIOHandler::WriteDirect(const TBytes& ABuffer, Integer ALength, Integer AOffset) {
  CheckForDisconnect(true, true);
  TBytes bytes = SubBytes(ABuffer, ALength, AOffset);
  if (FIntercept) FIntercept->Send(bytes);
  Integer sent = 0;
  const Integer total = static_cast<Integer>(bytes.size());
  while (sent < total) {
    const Integer n = WriteToTransport(bytes, sent, total - sent);
    if (n < 0) {
      const Integer error = GStack()->CheckForSocketError(n, {10058, 10053, 10054});
      FClosedGracefully = true;
      Close();
      GStack()->RaiseSocketError(error);
    }
    TVRNetAntiFreezeBase::DoProcess(false);
    if (n == 0) FClosedGracefully = true;
    CheckForDisconnect(true, false);
    DoWork(wmWrite, n);
    sent += n;
  }
}

void TVRNetIOHandler::Write(const String& AOut, const TEncoding* AEncoding) {
  if (AOut.empty()) return;
  Write(BytesOfString(AOut, EncodingOrDefault(AEncoding, FDefStringEncoding)));
}

void TVRNetIOHandler::WriteLn(const String& AOut, const TEncoding* AEncoding) { Write(AOut + L"\r\n", AEncoding); }

void TVRNetIOHandler::WriteLnRFC(const String& AOut, const TEncoding* AEncoding) {
  if (!AOut.empty() && AOut[0] == L'.') WriteLn(L"." + AOut, AEncoding);
  else WriteLn(AOut, AEncoding);
}

void TVRNetIOHandler::WriteRFCStrings(TStrings* AStrings, bool AWriteTerminator, const TEncoding* AEncoding) {
  for (Integer i = 0; i < AStrings->Count(); ++i) WriteLnRFC(AStrings->Strings(i), AEncoding);
  if (AWriteTerminator) WriteLn(String(L"."), AEncoding);
}

void TVRNetIOHandler::Write(TStrings* AValue, bool AWriteLinesCount, const TEncoding* AEncoding) {
  TVRNetWriteBufferScope scope(this);
  if (AWriteLinesCount) Write(static_cast<Integer>(AValue->Count()));
  for (Integer i = 0; i < AValue->Count(); ++i) WriteLn(AValue->Strings(i), AEncoding);
  scope.Close();
}

void TVRNetIOHandler::Write(TStream* AStream, Int64 ASize, bool AWriteByteCount) {
  if (ASize < 0) {
    ASize = AStream->Size() - AStream->Position();
  } else if (ASize == 0) {
    AStream->SetPosition(0);
    ASize = AStream->Size();
  }
  if (ASize > 2147483647 && !LargeStream)
    EVRNetIOHandlerRequiresLargeStream::Toss(L"Set LargeStream to True to send streams greater than 2GB");
  if (AWriteByteCount) {
    if (LargeStream) Write(ASize);
    else Write(static_cast<Integer>(ASize));
  }
  auto work = WorkScope(this, wmWrite, ASize);
  while (ASize > 0) {
    TBytes b;
    const Int64 got = TVRNetStreamHelperRTL::ReadBytes(AStream, b, std::min<Int64>(SendBufferSize, ASize));
    if (got <= 0) EVRNetNoDataToRead::Toss(L"No data to read.");
    Write(b, static_cast<Integer>(got));
    ASize -= got;
  }
}

Int64 TVRNetIOHandler::WriteFile(const String& AFile, bool AEnableTransferFile) {
  if (GetFileAttributesW(AFile.c_str()) == INVALID_FILE_ATTRIBUTES)
    EVRNetFileNotFound::Toss(UsFormat(L"File \"%s\" not found", {AFile}));
  TVRNetReadFileExclusiveStream stream(AFile);
  const Int64 size = stream.Size();
  Write(&stream);
  return size;
}

void TVRNetIOHandler::Write(Byte AValue) { Write(BytesOfValue(AValue)); }

void TVRNetIOHandler::Write(Char AValue, const TEncoding* AEncoding) {
  Write(BytesOfChar(AValue, EncodingOrDefault(AEncoding, FDefStringEncoding)));
}

void TVRNetIOHandler::Write(SmallInt AValue, bool AConvert) {
  Word v = static_cast<Word>(AValue);
  if (AConvert) v = GStack()->HostToNetwork(v);
  Write(BytesOfValue(v));
}

void TVRNetIOHandler::Write(Integer AValue, bool AConvert) { Write(static_cast<Cardinal>(AValue), AConvert); }

void TVRNetIOHandler::Write(Cardinal AValue, bool AConvert) {
  if (AConvert) AValue = GStack()->HostToNetwork(AValue);
  Write(BytesOfValue(AValue));
}

void TVRNetIOHandler::Write(Int64 AValue, bool AConvert) {
  UInt64 v = static_cast<UInt64>(AValue);
  if (AConvert) v = GStack()->HostToNetwork(v);
  Write(BytesOfValue(static_cast<Int64>(v)));
}

// Write buffering ----------------------------------------------------------------------------

void TVRNetIOHandler::WriteBufferOpen(Integer AThreshold) {
  if (FWriteBuffer) FWriteBuffer->Clear();
  else FWriteBuffer = std::make_unique<TVRNetBuffer>();
  FWriteBufferThreshold = AThreshold;
}

void TVRNetIOHandler::WriteBufferCancel() {
  WriteBufferClear();
  WriteBufferClose();
}

void TVRNetIOHandler::WriteBufferClear() {
  if (FWriteBuffer) FWriteBuffer->Clear();
}

void TVRNetIOHandler::WriteBufferClose() {
  TScopeExit drop([this] { FWriteBuffer.reset(); });  // buffering ends also when the send fails
  WriteBufferFlush();
}

void TVRNetIOHandler::WriteBufferFlush(Integer AByteCount) {
  if (!FWriteBuffer || FWriteBuffer->Size() == 0) return;
  TBytes b;
  FWriteBuffer->ExtractToBytes(b, AByteCount, false);
  WriteDirect(b);
}
