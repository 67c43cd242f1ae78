#include "VRNetIPAddress.h"

std::unique_ptr<TVRNetIPAddress> TVRNetIPAddress::MakeAddressObject(const String& Text) {
  if (auto r = MakeAddressObject(Text, Net_IPv6)) return r;
  return MakeAddressObject(Text, Net_IPv4);
}

std::unique_ptr<TVRNetIPAddress> TVRNetIPAddress::MakeAddressObject(const String& Text, TVRNetIPVersion Version) {
  bool error = true;
  auto r = std::make_unique<TVRNetIPAddress>();
  if (Version == Net_IPv4) {
    r->FIPv4 = ParseIPv4Text(Text, error);
    r->FAddrType = Net_IPv4;
  } else if (Version == Net_IPv6) {
    ParseIPv6Text(Text, r->IPv6, error);
    r->FAddrType = Net_IPv6;
  }
  if (error) r.reset();
  return r;
}

Integer TVRNetIPAddress::CompareAddress(const String& Text, bool& Error) const {
  auto other = MakeAddressObject(Text);
  Error = !other || other->FAddrType != FAddrType;
  if (Error) return 0;
  if (FAddrType == Net_IPv4) return FIPv4 == other->FIPv4 ? 0 : (FIPv4 < other->FIPv4 ? -1 : 1);
  for (int i = 0; i < 8; ++i)
    if (IPv6[i] != other->IPv6[i]) return IPv6[i] < other->IPv6[i] ? -1 : 1;
  return 0;
}

TBytes TVRNetIPAddress::HToNBytes() const {
  TBytes r;
  if (FAddrType == Net_IPv4) {
    for (int s = 24; s >= 0; s -= 8) r.push_back(static_cast<Byte>(FIPv4 >> s));
  } else {
    for (Word w : IPv6) {
      r.push_back(static_cast<Byte>(w >> 8));
      r.push_back(static_cast<Byte>(w));
    }
  }
  return r;
}

String TVRNetIPAddress::IPv4AsString() const {
  if (FAddrType != Net_IPv4) return {};
  return IntToStr((FIPv4 >> 24) & 0xFF) + L"." + IntToStr((FIPv4 >> 16) & 0xFF) + L"." +
         IntToStr((FIPv4 >> 8) & 0xFF) + L"." + IntToStr(FIPv4 & 0xFF);
}

String TVRNetIPAddress::IPv6AsString() const {
  if (FAddrType != Net_IPv6) return {};
  return IPv6WordsToText(IPv6);
}
