// An IPv4 or IPv6 address parsed from text.
#pragma once

#include <memory>

#include "VRNetGlobal.h"

class TVRNetIPAddress : public TObject {
  DECLARE_CLASS(TVRNetIPAddress, TObject)
 public:
  TVRNetIPAddress() = default;

  // An IPv6 object for IPv6 text, else an IPv4 object when the text parses, else none.
  static std::unique_ptr<TVRNetIPAddress> MakeAddressObject(const String& Text);
  // Only the given version is tried.
  static std::unique_ptr<TVRNetIPAddress> MakeAddressObject(const String& Text, TVRNetIPVersion Version);

  // -1, 0 or 1 against the address in Text; Error when Text is no address of this type.
  Integer CompareAddress(const String& Text, bool& Error) const;
  // IPv4: 4 bytes, IPv6: 16 bytes, most significant first.
  TBytes HToNBytes() const;

  Cardinal IPv4() const { return FIPv4; }
  void SetIPv4(Cardinal Value) { FIPv4 = Value; }
  TVRNetIPVersion AddrType() const { return FAddrType; }
  void SetAddrType(TVRNetIPVersion Value) { FAddrType = Value; }
  String IPv4AsString() const;
  String IPv6AsString() const;
  String IPAsString() const { return FAddrType == Net_IPv4 ? IPv4AsString() : IPv6AsString(); }

  TVRNetIPv6Address IPv6{};

 private:
  Cardinal FIPv4 = 0;
  TVRNetIPVersion FAddrType = Net_IPv4;
};
