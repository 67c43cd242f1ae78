// The transport-independent half of a connection: the input buffer and its pump, byte,
// number, line and stream reads, direct and buffered writes through the connection
// intercept, work events, and the registry of IO handler classes. The transport is
// reached through the abstract operations the socket handlers implement.
#pragma once

#include <memory>
#include <vector>

#include "VRNetBuffer.h"
#include "VRNetComponent.h"
#include "VRNetIntercept.h"

class TVRNetIOHandler : public TVRNetComponent {
  DECLARE_CLASS(TVRNetIOHandler, TVRNetComponent)
 public:
  explicit TVRNetIOHandler(TComponent* AOwner = nullptr);
  ~TVRNetIOHandler() override;

  // Registry of IO handler classes.
  static void RegisterIOHandler(TClass AClass);
  static void SetDefaultClass(TClass AClass);
  static TVRNetIOHandler* MakeDefaultIOHandler(TComponent* AOwner = nullptr);
  // The last registered class that descends from ABaseType, made without owner;
  // EVRNetException "No IOHandler of type %s is installed." when none.
  static TVRNetIOHandler* MakeIOHandler(TClass ABaseType, TComponent* AOwner = nullptr);

  // Transport.
  virtual Integer ReadFromTransport(TBytes& VBuffer) = 0;
  virtual Integer WriteToTransport(const TBytes& ABuffer, Integer AOffset, Integer ALength) = 0;
  virtual bool TransportAvailable() = 0;
  virtual Integer TransportErrorOf(Integer AResult) = 0;
  virtual void RaiseTransportError(Integer AError) = 0;
  virtual void AfterAccept() {}
  virtual bool Connected();
  virtual void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true, bool AIgnoreBuffer = false) = 0;
  virtual bool CheckForDataOnSource(Integer ATimeout = 0);
  virtual void Close();
  virtual void CloseGracefully() { FClosedGracefully = true; }
  virtual void Open();
  virtual bool Readable(Integer AMSec = -1) { return false; }

  // Life and input.
  bool InputBufferIsEmpty() const { return !FInputBuffer || FInputBuffer->Size() == 0; }
  String InputBufferAsString(const TEncoding* AEncoding = nullptr);
  void InputBufferToStream(TStream* AStream, Integer AByteCount = -1);
  // Pumps one arrival of data into the input buffer; the number of bytes, -1 on a timeout
  // without raising, 0 when the far end closed or nothing is there to read from.
  Integer ReadIntoInputBuffer(bool ARaiseExceptionIfDisconnected = true, Integer ATimeout = -1,
                              bool ARaiseExceptionOnTimeout = true);

  // Reads.
  virtual void ReadBytes(TBytes& VBuffer, Integer AByteCount, bool AAppend = true);
  String ReadLn(const TEncoding* AEncoding = nullptr) { return ReadLn(L"\n", -1, -1, AEncoding); }
  String ReadLn(const String& ATerminator, const TEncoding* AEncoding = nullptr) {
    return ReadLn(ATerminator, -1, -1, AEncoding);
  }
  virtual String ReadLn(const String& ATerminator, Integer ATimeout, Integer AMaxLineLength = -1,
                        const TEncoding* AEncoding = nullptr);
  String ReadLnRFC(bool& VMsgEnd, const TEncoding* AEncoding = nullptr) {
    return ReadLnRFC(VMsgEnd, L"\n", L".", AEncoding);
  }
  String ReadLnRFC(bool& VMsgEnd, const String& ALineTerminator, const String& ADelim = L".",
                   const TEncoding* AEncoding = nullptr);
  String ReadLnSplit(bool& AWasSplit, const String& ATerminator = L"\n", Integer ATimeout = -1,
                     Integer AMaxLineLength = -1, const TEncoding* AEncoding = nullptr);
  virtual String ReadLnWait(Integer AFailCount = 2147483647, const TEncoding* AEncoding = nullptr);

  Byte ReadByte();
  SmallInt ReadSmallInt(bool AConvert = true);
  Integer ReadLongInt(bool AConvert = true);
  Cardinal ReadLongWord(bool AConvert = true);
  Int64 ReadInt64(bool AConvert = true);
  Char ReadChar(const TEncoding* AEncoding = nullptr);
  String ReadString(Integer ABytes, const TEncoding* AEncoding = nullptr);
  void ReadStrings(TStrings* AValue, Integer AReadLinesCount = -1, const TEncoding* AEncoding = nullptr);
  virtual void ReadStream(TStream* AStream, Int64 AByteCount = -1, bool AReadUntilDisconnect = false);

  // Capture: lines until the delimiter line into a string list or a stream.
  void Capture(TObject* ADest, const String& ADelim = L".", bool AUsesDotTransparency = true,
               const TEncoding* AEncoding = nullptr);
  void Capture(TObject* ADest, Integer& VLineCount, const String& ADelim = L".", bool AUsesDotTransparency = true,
               const TEncoding* AEncoding = nullptr);
  virtual void CaptureLines(TObject* ADest, Integer& VLineCount, const String& ADelim, bool AUsesDotTransparency,
                            const TEncoding* AEncoding);

  virtual String InputLn(const String& AMask = L"", bool AEcho = true, Integer ATabWidth = 8,
                         Integer AMaxLineLength = -1, const TEncoding* AEncoding = nullptr);
  String WaitFor(const String& AString, bool ARemoveFromBuffer = true, bool AInclusive = false,
                 const TEncoding* AEncoding = nullptr, Integer ATimeout = -1);
  virtual String AllData(const TEncoding* AEncoding = nullptr);
  void Discard(Int64 AByteCount);
  void DiscardAll();

  // Writes.
  virtual void Write(const TBytes& ABuffer, Integer ALength = -1, Integer AOffset = 0);
  void WriteDirect(const TBytes& ABuffer, Integer ALength = -1, Integer AOffset = 0);
  virtual void Write(const String& AOut, const TEncoding* AEncoding = nullptr);
  void Write(const wchar_t* AOut, const TEncoding* AEncoding = nullptr) { Write(String(AOut), AEncoding); }
  virtual void WriteLn(const String& AOut, const TEncoding* AEncoding = nullptr);
  void WriteLn(const TEncoding* AEncoding = nullptr) { WriteLn(String(), AEncoding); }
  virtual void WriteLnRFC(const String& AOut = L"", const TEncoding* AEncoding = nullptr);
  void WriteRFCStrings(TStrings* AStrings, bool AWriteTerminator = true, const TEncoding* AEncoding = nullptr);
  virtual void Write(TStrings* AValue, bool AWriteLinesCount = false, const TEncoding* AEncoding = nullptr);
  virtual void Write(TStream* AStream, Int64 ASize = 0, bool AWriteByteCount = false);
  virtual Int64 WriteFile(const String& AFile, bool AEnableTransferFile = false);
  void Write(Byte AValue);
  void Write(Char AValue, const TEncoding* AEncoding = nullptr);
  void Write(SmallInt AValue, bool AConvert = true);
  void Write(Integer AValue, bool AConvert = true);
  void Write(Cardinal AValue, bool AConvert = true);
  void Write(Int64 AValue, bool AConvert = true);

  // Write buffering.
  virtual void WriteBufferOpen(Integer AThreshold);
  void WriteBufferOpen() { WriteBufferOpen(-1); }
  bool WriteBufferingActive() const { return FWriteBuffer != nullptr; }
  virtual void WriteBufferCancel();
  virtual void WriteBufferClear();
  virtual void WriteBufferClose();
  virtual void WriteBufferFlush(Integer AByteCount);
  void WriteBufferFlush() { WriteBufferFlush(-1); }

  // Properties.
  bool LargeStream = false;
  bool ClosedGracefully() const { return FClosedGracefully; }
  Integer ConnectTimeout = 0;
  virtual String Destination() const;
  virtual void SetDestination(const String& AValue);
  const String& Host() const { return FHost; }
  virtual void SetHost(const String& AValue) { FHost = AValue; }
  TVRNetBuffer* InputBuffer() const { return FInputBuffer.get(); }
  TVRNetConnectionIntercept* Intercept() const { return FIntercept; }
  virtual void SetIntercept(TVRNetConnectionIntercept* AValue);
  Integer MaxCapturedLines = -1;
  TNetMaxLineAction MaxLineAction = maException;
  Integer MaxLineLength = 16384;
  bool Opened() const { return FOpened; }
  Integer Port() const { return FPort; }
  virtual void SetPort(Integer AValue) { FPort = AValue; }
  bool ReadLnSplitFlag() const { return FReadLnSplit; }
  bool ReadLnTimedout() const { return FReadLnTimedout; }
  Integer ReadTimeout = -1;
  Integer RecvBufferSize = 32768;
  Integer SendBufferSize = 32768;
  Integer WriteBufferThreshold() const { return FWriteBufferThreshold; }
  const TEncoding* DefStringEncoding() const { return FDefStringEncoding; }
  void SetDefStringEncoding(const TEncoding* AValue) { FDefStringEncoding = AValue ? AValue : TEncoding::ASCII(); }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  bool FClosedGracefully = false;
  bool FOpened = false;
  std::unique_ptr<TVRNetBuffer> FInputBuffer;

 private:
  String FHost;
  Integer FPort = 0;
  TVRNetConnectionIntercept* FIntercept = nullptr;
  bool FReadLnSplit = false;
  bool FReadLnTimedout = false;
  std::unique_ptr<TVRNetBuffer> FWriteBuffer;
  Integer FWriteBufferThreshold = 0;
  const TEncoding* FDefStringEncoding = TEncoding::ASCII();
};

// Opens write buffering unless it is already on; Close sends what was written, and leaving
// the scope without Close (by an exception) cancels it, so that nothing partial goes out.
class TVRNetWriteBufferScope {
 public:
  explicit TVRNetWriteBufferScope(TVRNetIOHandler* AHandler)
      : FHandler(AHandler), FOwn(!AHandler->WriteBufferingActive()) {
    if (FOwn) FHandler->WriteBufferOpen();
  }
  void Close() {
    if (FOwn) {
      FOwn = false;
      FHandler->WriteBufferClose();
    }
  }
  ~TVRNetWriteBufferScope() {
    if (FOwn) FHandler->WriteBufferCancel();
  }
  TVRNetWriteBufferScope(const TVRNetWriteBufferScope&) = delete;
  TVRNetWriteBufferScope& operator=(const TVRNetWriteBufferScope&) = delete;

 private:
  TVRNetIOHandler* FHandler;
  bool FOwn;
};

// Unit shutdown: frees the registry of IO handler classes.
extern const TUnitInfo VRNetIOHandlerUnit;
