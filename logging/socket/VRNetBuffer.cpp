#include "VRNetBuffer.h"

#include <cstring>

#include "VRNetException.h"
#include "VRNetStack.h"
#include "VRNetStreamRTL.h"

TVRNetBuffer::TVRNetBuffer() { TVRNetStack::IncUsage(); }

TVRNetBuffer::TVRNetBuffer(Integer AGrowthFactor) : TVRNetBuffer() { GrowthFactor = AGrowthFactor; }

TVRNetBuffer::TVRNetBuffer(TVRNetBufferBytesRemoved AOnBytesRemoved) : TVRNetBuffer() {
  FOnBytesRemoved = std::move(AOnBytesRemoved);
}

TVRNetBuffer::TVRNetBuffer(const TBytes& AByteArray, Integer ALength) : TVRNetBuffer() {
  if (ALength < 0) {
    FBytes = AByteArray;
    FSize = static_cast<Integer>(AByteArray.size());
  } else {
    Write(AByteArray, ALength, 0);
  }
}

TVRNetBuffer::~TVRNetBuffer() {
  Clear();
  TVRNetStack::DecUsage();
}

void TVRNetBuffer::Clear() {
  FBytes.clear();
  FBytes.shrink_to_fit();
  FHeadIndex = 0;
  FSize = 0;
}

void TVRNetBuffer::SetCapacity(Integer AValue) {
  if (AValue < FSize) EVRNetException::Toss(L"Capacity cannot be smaller than Size");
  CompactHead(true);
  FBytes.resize(static_cast<size_t>(AValue));
}

void TVRNetBuffer::CheckRoomFor(Int64 ALength, Int64 ADestIndex) {
  if (static_cast<Int64>(FSize) + ADestIndex + ALength > 2147483647)
    EVRNetTooMuchDataInBuffer::Toss(L"Too much data in buffer.");
}

void TVRNetBuffer::CheckAvailable(Integer AByteCount, Integer AIndex) {
  const Integer avail = FSize + std::max(AIndex, 0);
  if (AByteCount == -1) AByteCount = avail;
  if (AByteCount > avail)
    EVRNetNotEnoughDataInBuffer::Toss(UsFormat(L"Not enough data in buffer. (%d/%d)", {AByteCount, FSize}));
}

void TVRNetBuffer::CheckStartPos(Integer AStartPos) {
  if (AStartPos < 0 || AStartPos >= FSize) EVRNetException::Toss(L"Buffer start position is invalid.");
}

void TVRNetBuffer::Write(const TBytes& ABytes, Integer ADestIndex) { Write(ABytes, -1, 0, ADestIndex); }

void TVRNetBuffer::Write(const TBytes& ABytes, Integer ALength, Integer AOffset, Integer ADestIndex) {
  const Integer n = AvailableBytes(ABytes, ALength, AOffset);
  if (n == 0) return;
  CheckRoomFor(n, std::max(ADestIndex, 0));
  if (FSize == 0) {
    FHeadIndex = 0;
    if (ADestIndex < 0) {
      FBytes.assign(ABytes.begin() + AOffset, ABytes.begin() + AOffset + n);
      FSize = n;
    } else {
      FBytes.resize(static_cast<size_t>(ADestIndex) + n);
      std::memcpy(FBytes.data() + ADestIndex, ABytes.data() + AOffset, n);
      FSize = ADestIndex + n;
    }
    return;
  }
  if (ADestIndex < 0) {
    CompactHead(false);
    if (Capacity() - FSize < n) FBytes.resize(static_cast<size_t>(n) + FSize + GrowthFactor);
    std::memcpy(FBytes.data() + FSize, ABytes.data() + AOffset, n);
    FSize += n;
  } else {
    // A range past the storage grows it rather than writing outside it.
    if (static_cast<size_t>(ADestIndex) + n > FBytes.size()) FBytes.resize(static_cast<size_t>(ADestIndex) + n);
    std::memcpy(FBytes.data() + ADestIndex, ABytes.data() + AOffset, n);
    if (ADestIndex >= FSize) FSize = ADestIndex + n;
  }
}

void TVRNetBuffer::Write(const String& AString, const TEncoding* AEncoding, Integer ADestIndex) {
  Write(BytesOfString(AString, EncodingOrDefault(AEncoding, Encoding)), ADestIndex);
}

void TVRNetBuffer::Write(TStream* AStream, Integer AByteCount) {
  VRNET_ASSERT(AStream != nullptr);
  Int64 count;
  if (AByteCount < 0) {
    count = AStream->Size() - AStream->Position();
  } else if (AByteCount > 0) {
    count = std::min<Int64>(AByteCount, AStream->Size() - AStream->Position());
  } else {
    AStream->SetPosition(0);
    count = AStream->Size();
  }
  if (count < 1) return;
  CheckRoomFor(count, 0);
  CompactHead(true);
  FBytes.resize(static_cast<size_t>(FSize + count));
  const Integer got = AStream->Read(FBytes.data() + FSize, static_cast<Integer>(count));
  FSize += got;
}

void TVRNetBuffer::WriteRaw(const Byte* AData, Integer AWidth, Integer ADestIndex) {
  if (ADestIndex < 0) {
    CheckRoomFor(AWidth, 0);
    FBytes.resize(static_cast<size_t>(FHeadIndex) + FSize + AWidth);
    std::memcpy(FBytes.data() + FHeadIndex + FSize, AData, AWidth);
    FSize += AWidth;
  } else {
    if (static_cast<size_t>(ADestIndex) + AWidth > FBytes.size()) FBytes.resize(static_cast<size_t>(ADestIndex) + AWidth);
    std::memcpy(FBytes.data() + ADestIndex, AData, AWidth);
    if (ADestIndex >= FSize) FSize = ADestIndex + AWidth;
  }
}

void TVRNetBuffer::Write(Byte AValue, Integer ADestIndex) { WriteRaw(&AValue, 1, ADestIndex); }
void TVRNetBuffer::Write(Word AValue, Integer ADestIndex) {
  const Word v = GStack()->HostToNetwork(AValue);
  WriteRaw(reinterpret_cast<const Byte*>(&v), 2, ADestIndex);
}
void TVRNetBuffer::Write(Cardinal AValue, Integer ADestIndex) {
  const Cardinal v = GStack()->HostToNetwork(AValue);
  WriteRaw(reinterpret_cast<const Byte*>(&v), 4, ADestIndex);
}
void TVRNetBuffer::Write(Int64 AValue, Integer ADestIndex) {
  const UInt64 v = GStack()->HostToNetwork(static_cast<UInt64>(AValue));
  WriteRaw(reinterpret_cast<const Byte*>(&v), 8, ADestIndex);
}
void TVRNetBuffer::Write(const TVRNetIPv6Address& AValue, Integer ADestIndex) {
  const TVRNetIPv6Address v = GStack()->HostToNetwork(AValue);
  WriteRaw(reinterpret_cast<const Byte*>(v.data()), 16, ADestIndex);
}

String TVRNetBuffer::Extract(Integer AByteCount, const TEncoding* AEncoding) {
  if (AByteCount < 0) AByteCount = FSize;
  if (AByteCount < 1) return {};
  TBytes b;
  ExtractToBytes(b, AByteCount, false);
  return TextFromBytes(b, EncodingOrDefault(AEncoding, Encoding));
}

void TVRNetBuffer::ExtractToBytes(TBytes& VBytes, Integer AByteCount, bool AAppend, Integer AIndex) {
  if (AByteCount < 0) AByteCount = FSize;
  if (AByteCount <= 0) return;
  CheckAvailable(AByteCount, AIndex);
  const Integer from = AIndex < 0 ? FHeadIndex : AIndex;
  VRNET_ASSERT(static_cast<size_t>(from) + AByteCount <= FBytes.size());
  size_t at = 0;
  if (AAppend) {
    at = VBytes.size();
    VBytes.resize(at + AByteCount);
  } else if (VBytes.size() < static_cast<size_t>(AByteCount)) {
    VBytes.resize(AByteCount);
  }
  std::memcpy(VBytes.data() + at, FBytes.data() + from, AByteCount);
  if (AIndex < 0) Remove(AByteCount);
}

void TVRNetBuffer::ExtractToVRNetBuffer(TVRNetBuffer* ABuffer, Integer AByteCount, Integer AIndex) {
  TBytes b;
  ExtractToBytes(b, AByteCount, true, AIndex);
  ABuffer->Write(b);
}

void TVRNetBuffer::ExtractToStream(TStream* AStream, Integer AByteCount, Integer AIndex) {
  if (AByteCount < 0) AByteCount = FSize;
  if (AIndex < 0) {
    CompactHead(true);
    CheckAvailable(AByteCount, -1);
    if (AByteCount > 0) {
      AStream->WriteBuffer(FBytes.data(), AByteCount);
      Remove(AByteCount);
    }
  } else {
    VRNET_ASSERT(static_cast<size_t>(AIndex) + AByteCount <= FBytes.size());
    if (AByteCount > 0) AStream->WriteBuffer(FBytes.data() + AIndex, AByteCount);
  }
}

void TVRNetBuffer::ReadRaw(Byte* AData, Integer AWidth, Integer AIndex) {
  // A value needs its full width of stored bytes.
  if (AIndex < 0) {
    if (FSize < AWidth)
      EVRNetNotEnoughDataInBuffer::Toss(UsFormat(L"Not enough data in buffer. (%d/%d)", {AWidth, FSize}));
    std::memcpy(AData, FBytes.data() + FHeadIndex, AWidth);
    Remove(AWidth);
  } else {
    VRNET_ASSERT(static_cast<size_t>(AIndex) + AWidth <= FBytes.size());
    std::memcpy(AData, FBytes.data() + AIndex, AWidth);
  }
}

Byte TVRNetBuffer::ExtractToByte(Integer AIndex) {
  Byte v;
  ReadRaw(&v, 1, AIndex);
  return v;
}
Word TVRNetBuffer::ExtractToWord(Integer AIndex) {
  Word v;
  ReadRaw(reinterpret_cast<Byte*>(&v), 2, AIndex);
  return GStack()->NetworkToHost(v);
}
Cardinal TVRNetBuffer::ExtractToLongWord(Integer AIndex) {
  Cardinal v;
  ReadRaw(reinterpret_cast<Byte*>(&v), 4, AIndex);
  return GStack()->NetworkToHost(v);
}
Int64 TVRNetBuffer::ExtractToInt64(Integer AIndex) {
  UInt64 v;
  ReadRaw(reinterpret_cast<Byte*>(&v), 8, AIndex);
  return static_cast<Int64>(GStack()->NetworkToHost(v));
}
TVRNetIPv6Address TVRNetBuffer::ExtractToIPv6(Integer AIndex) {
  TVRNetIPv6Address v;
  ReadRaw(reinterpret_cast<Byte*>(v.data()), 16, AIndex);
  return GStack()->NetworkToHost(v);
}

void TVRNetBuffer::Remove(Integer AByteCount) {
  if (AByteCount < FSize) {
    FHeadIndex += AByteCount;
    FSize -= AByteCount;
    if (FHeadIndex > GrowthFactor) CompactHead(true);
  } else {
    Clear();
  }
  if (FOnBytesRemoved) FOnBytesRemoved(this, AByteCount);
}

void TVRNetBuffer::CompactHead(bool ACanShrink) {
  if (FHeadIndex > 0) {
    std::memmove(FBytes.data(), FBytes.data() + FHeadIndex, FSize);
    FHeadIndex = 0;
    if (ACanShrink && Capacity() - FSize > GrowthFactor) FBytes.resize(static_cast<size_t>(FSize) + GrowthFactor);
  }
}

Integer TVRNetBuffer::IndexOf(const TBytes& ABytes, Integer AStartPos) {
  if (FSize == 0) return -1;
  if (ABytes.empty()) EVRNetException::Toss(L"Buffer terminator must be specified.");
  CheckStartPos(AStartPos);
  const Integer len = static_cast<Integer>(ABytes.size());
  const Byte* base = FBytes.data() + FHeadIndex;
  for (Integer i = AStartPos; i + len <= FSize; ++i)
    if (base[i] == ABytes[0] && std::memcmp(base + i, ABytes.data(), len) == 0) return i;
  return -1;
}

Integer TVRNetBuffer::IndexOf(const String& AString, Integer AStartPos, const TEncoding* AEncoding) {
  return IndexOf(BytesOfString(AString, EncodingOrDefault(AEncoding, Encoding)), AStartPos);
}

Integer TVRNetBuffer::IndexOf(Byte AByte, Integer AStartPos) {
  if (FSize == 0) return -1;
  CheckStartPos(AStartPos);
  const Byte* base = FBytes.data() + FHeadIndex;
  for (Integer i = AStartPos; i < FSize; ++i)
    if (base[i] == AByte) return i;
  return -1;
}

Byte TVRNetBuffer::PeekByte(Integer AIndex) {
  if (FSize == 0) EVRNetException::Toss(L"No bytes in buffer.");
  if (AIndex < 0 || AIndex >= FSize) EVRNetException::Toss(L"Index out of bounds.");
  return FBytes[FHeadIndex + AIndex];
}

void TVRNetBuffer::SaveToStream(TStream* AStream) {
  CompactHead(false);
  if (FSize > 0) AStream->WriteBuffer(FBytes.data(), FSize);
}

String TVRNetBuffer::AsString() { return TextFromBytes(FBytes, EncodingOrDefault(nullptr, Encoding)); }
