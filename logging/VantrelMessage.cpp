#include "VantrelMessage.h"

#include <cstring>

namespace {

void PutInt(std::vector<Byte>& Buf, Integer Offset, Integer Value) {
  std::memcpy(Buf.data() + Offset, &Value, 4);  // little-endian on every Windows target
}

// Copies Text into a slot of SlotSize bytes, leaving room for the NUL; an over-long text
// is cut before the last whole UTF-8 sequence that fits.
void PutSlot(std::vector<Byte>& Buf, Integer Offset, Integer SlotSize, const UTF8String& Text) {
  size_t n = Text.size();
  if (n > static_cast<size_t>(SlotSize - 1)) {
    n = SlotSize - 1;
    // Step back over continuation bytes to the start of the sequence that did not fit.
    while (n > 0 && (static_cast<Byte>(Text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(Buf.data() + Offset, Text.data(), n);
}

}  // namespace

Integer PackedTextLength(const TVantrelMessage& Msg) {
  const UTF8String& t = Msg.MsgText;
  size_t L = t.size();
  if (L > 2 && t[L - 2] == '\r' && t[L - 1] == '\n') L -= 2;
  return static_cast<Integer>(L);
}

Integer PackedMessageSize(const TVantrelMessage& Msg) {
  return PackedTextLength(Msg) + static_cast<Integer>(Msg.Details.size()) + 246;
}

std::vector<Byte> PackMessage(const TVantrelMessage& Msg) {
  using namespace VantrelPacket;
  const Integer L = PackedTextLength(Msg);
  const Integer D = static_cast<Integer>(Msg.Details.size());
  std::vector<Byte> buf(static_cast<size_t>(L + D + 246), 0);
  PutInt(buf, MsgType, Msg.MsgType);
  PutSlot(buf, DispatchID, DispatchIDSize, Msg.DispatchID);
  PutInt(buf, VantrelPacket::Time, Msg.TimeStamp.Time);
  PutInt(buf, VantrelPacket::Date, Msg.TimeStamp.Date);
  PutInt(buf, TimeBias, Msg.TimeBias);
  PutInt(buf, TextLength, L);
  PutInt(buf, DetailsLength, D);
  PutInt(buf, ProcessID, static_cast<Integer>(Msg.ProcessID));
  PutSlot(buf, ThreadName, ThreadNameSize, Msg.ThreadName);
  PutSlot(buf, ComputerName, ComputerNameSize, Msg.ComputerName);
  PutSlot(buf, AppName, AppNameSize, Msg.AppName);
  PutSlot(buf, TypeName, TypeNameSize, Msg.TypeName);
  PutSlot(buf, Category, CategorySize, Msg.Category);
  PutInt(buf, CategoryColor, Msg.CategoryColor);
  PutInt(buf, CategoryFontColor, Msg.CategoryFontColor);
  // Text and details are copied whole, NUL bytes included: the receiver splits them by
  // L and D, so a NUL inside must not shorten what is sent.
  std::memcpy(buf.data() + HeaderSize, Msg.MsgText.data(), L);
  std::memcpy(buf.data() + HeaderSize + L, Msg.Details.data(), D);
  return buf;
}

String CutText(const String& S, size_t MaxLength) {
  if (S.size() <= MaxLength) return S;
  size_t n = MaxLength;
  if (n > 0 && IS_HIGH_SURROGATE(S[n - 1])) --n;
  return S.substr(0, n);
}
