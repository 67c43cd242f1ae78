// Replies with three-digit codes: continuation lines "code-text", a final line "code text".
#pragma once

#include "VRNetReply.h"

class TVRNetReplyRFC : public TVRNetReply {
  DECLARE_CLASS(TVRNetReplyRFC, TVRNetReply)
 public:
  using TVRNetReply::TVRNetReply;
  // The trimmed code as a number 100..999, or a blank code.
  bool CodeIsValid(const String& ACode) override;
  // A line shorter than 4 characters, or with a blank as its fourth character.
  bool IsEndMarker(const String& ALine) override;
  bool ReplyExists() override { return NumericCode() > 0 || Text()->Count() > 0; }
  // EVRNetReplyRFCError with ErrorCode = NumericCode and the text lines as message.
  [[noreturn]] void RaiseReplyError() override;
  TStrings* FormattedReply() override;
  void SetFormattedReply(TStrings* AValue) override;

  void AssignTo(TPersistent* Dest) override;
};
