#include "VRNetStreamRTL.h"

#include "VRNetException.h"
#include "VRNetGlobal.h"

Int64 TVRNetStreamHelperRTL::ReadBytes(TStream* Stream, TBytes& Bytes, Int64 Count, Integer Offset) {
  VRNET_ASSERT(Stream != nullptr);
  if (Count < 0) Count = Stream->Size() - Stream->Position();
  if (Count <= 0) return 0;
  if (static_cast<Int64>(Bytes.size()) < Offset + Count) Bytes.resize(static_cast<size_t>(Offset + Count));
  return Stream->Read(Bytes.data() + Offset, static_cast<Integer>(Count));
}

Int64 TVRNetStreamHelperRTL::Write(TStream* Stream, const TBytes& Bytes, Integer Size, Integer Offset) {
  VRNET_ASSERT(Stream != nullptr);
  if (Bytes.empty()) return 0;
  const Integer n = AvailableBytes(Bytes, Size, Offset);
  if (n <= 0) return 0;
  return Stream->Write(Bytes.data() + Offset, n);
}

Int64 TVRNetStreamHelperRTL::Seek(TStream* Stream, Int64 Offset, TSeekOrigin Origin) {
  return Stream->Seek(Offset, Origin);
}
