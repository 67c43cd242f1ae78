// One log message before packing, and its packed binary form: a 243-byte header of
// 32-bit little-endian integers and fixed NUL-terminated UTF-8 slots, then the text, the
// details, a NUL and two spare zero bytes.
#pragma once

#include <vector>

#include "SysUtils.h"

// The dwData of the window-message frame and the first integer of the TCP frame.
constexpr DWORD VantrelPacketSignature = 0x7F000001;

// Field offsets and slot sizes of the packed header.
namespace VantrelPacket {
constexpr Integer MsgType = 0, Time = 4, Date = 8, TimeBias = 12, TextLength = 16, DetailsLength = 20,
                  ProcessID = 24, ThreadName = 28, DispatchID = 54, ComputerName = 96, AppName = 112,
                  Category = 153, CategoryColor = 194, CategoryFontColor = 198, TypeName = 202,
                  HeaderSize = 243;
constexpr Integer ThreadNameSize = 26, DispatchIDSize = 42, ComputerNameSize = 16, AppNameSize = 41,
                  CategorySize = 41, TypeNameSize = 41;
}  // namespace VantrelPacket

class TVantrelMessage : public TObject {
  DECLARE_CLASS(TVantrelMessage, TObject)
 public:
  Integer MsgType = 0;
  UTF8String DispatchID;
  UTF8String MsgText;
  UTF8String Details;
  TTimeStamp TimeStamp;
  Integer TimeBias = 0;
  Cardinal ProcessID = 0;
  UTF8String ThreadName;
  UTF8String AppName;
  UTF8String ComputerName;
  UTF8String TypeName;
  UTF8String Category;
  Integer CategoryColor = 0;
  Integer CategoryFontColor = 0;
};

// The byte length of the text as sent: one trailing CR LF is not sent when the text is
// longer than that pair.
Integer PackedTextLength(const TVantrelMessage& Msg);
// L + D + 246.
Integer PackedMessageSize(const TVantrelMessage& Msg);
// The packed message, PackedMessageSize bytes.
std::vector<Byte> PackMessage(const TVantrelMessage& Msg);

// The first MaxLength UTF-16 units of S, one fewer when the cut would split a surrogate
// pair.
String CutText(const String& S, size_t MaxLength);
