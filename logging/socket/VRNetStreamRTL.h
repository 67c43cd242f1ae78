// Stream adapter of the socket library: reads and writes byte arrays through a stream.
#pragma once

#include "Classes.h"

class TVRNetStreamHelperRTL {
 public:
  // Count < 0: from the position to the end. Grows Bytes to Offset + Count when shorter.
  // Returns the number of bytes the stream delivered.
  static Int64 ReadBytes(TStream* Stream, TBytes& Bytes, Int64 Count = -1, Integer Offset = 0);
  // Writes AvailableBytes(Bytes, Size, Offset) bytes from Offset; returns the number written.
  static Int64 Write(TStream* Stream, const TBytes& Bytes, Integer Size = -1, Integer Offset = 0);
  static Int64 Seek(TStream* Stream, Int64 Offset, TSeekOrigin Origin);
};
