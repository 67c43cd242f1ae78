// The byte queue of the socket library: bytes are appended at the tail and taken from the
// head; the head advances without moving memory, and the storage is compacted only when
// enough has been consumed.
#pragma once

#include <functional>

#include "VRNetGlobal.h"

class TVRNetBuffer;
using TVRNetBufferBytesRemoved = std::function<void(TObject* AVRSender, Integer ABytes)>;

class TVRNetBuffer : public TObject {
  DECLARE_CLASS(TVRNetBuffer, TObject)
 public:
  TVRNetBuffer();
  explicit TVRNetBuffer(Integer AGrowthFactor);
  explicit TVRNetBuffer(TVRNetBufferBytesRemoved AOnBytesRemoved);
  // ALength < 0 takes the array itself as the storage; otherwise copies ALength bytes.
  TVRNetBuffer(const TBytes& AByteArray, Integer ALength);
  ~TVRNetBuffer() override;

  void Clear();
  Integer Capacity() const { return static_cast<Integer>(FBytes.size()); }
  // EVRNetException "Capacity cannot be smaller than Size".
  void SetCapacity(Integer AValue);
  Integer Size() const { return FSize; }
  Integer GrowthFactor = 2048;
  const TEncoding* Encoding = nullptr;

  void Write(const TBytes& ABytes, Integer ADestIndex = -1);
  void Write(const TBytes& ABytes, Integer ALength, Integer AOffset, Integer ADestIndex = -1);
  void Write(const String& AString, const TEncoding* AEncoding = nullptr, Integer ADestIndex = -1);
  void Write(TStream* AStream, Integer AByteCount = 0);
  void Write(Byte AValue, Integer ADestIndex = -1);
  void Write(Word AValue, Integer ADestIndex = -1);
  void Write(Cardinal AValue, Integer ADestIndex = -1);
  void Write(Int64 AValue, Integer ADestIndex = -1);
  void Write(const TVRNetIPv6Address& AValue, Integer ADestIndex = -1);

  String Extract(Integer AByteCount = -1, const TEncoding* AEncoding = nullptr);
  void ExtractToBytes(TBytes& VBytes, Integer AByteCount = -1, bool AAppend = true, Integer AIndex = -1);
  void ExtractToVRNetBuffer(TVRNetBuffer* ABuffer, Integer AByteCount = -1, Integer AIndex = -1);
  void ExtractToStream(TStream* AStream, Integer AByteCount = -1, Integer AIndex = -1);
  Byte ExtractToByte(Integer AIndex = -1);
  Word ExtractToWord(Integer AIndex = -1);
  Cardinal ExtractToLongWord(Integer AIndex = -1);
  Int64 ExtractToInt64(Integer AIndex = -1);
  TVRNetIPv6Address ExtractToIPv6(Integer AIndex = -1);

  void Remove(Integer AByteCount);
  void CompactHead(bool ACanShrink = true);
  Integer IndexOf(const TBytes& ABytes, Integer AStartPos = 0);
  Integer IndexOf(const String& AString, Integer AStartPos = 0, const TEncoding* AEncoding = nullptr);
  Integer IndexOf(Byte AByte, Integer AStartPos = 0);
  Byte PeekByte(Integer AIndex);
  void SaveToStream(TStream* AStream);
  String AsString();

  // Called after every removal with the requested count.
  TVRNetBufferBytesRemoved FOnBytesRemoved;

 private:
  void CheckAvailable(Integer AByteCount, Integer AIndex);
  // Counts are 64-bit so that a count from a large stream is not narrowed before the test.
  void CheckRoomFor(Int64 ALength, Int64 ADestIndex);
  void CheckStartPos(Integer AStartPos);
  // Typed writes: width bytes appended (ADestIndex < 0) or written at a storage position.
  void WriteRaw(const Byte* AData, Integer AWidth, Integer ADestIndex);
  // Typed reads at the head (removing) or at a storage position.
  void ReadRaw(Byte* AData, Integer AWidth, Integer AIndex);

  TBytes FBytes;
  Integer FHeadIndex = 0;
  Integer FSize = 0;
};
