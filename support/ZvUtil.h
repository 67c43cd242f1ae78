// The maker's exception class and the routines that raise it. An exception built from a
// format also leaves a warning in the log, so that it is traced even when a caller
// swallows it.
#pragma once

#include "SysUtils.h"

class EZalvoException : public Exception {
  DECLARE_CLASS(EZalvoException, Exception)
 public:
  // ErrMsg := Msg; nothing is logged.
  explicit EZalvoException(const String& Msg);
  // Message := Fmt formatted with Args (EConvertError when they do not match, before
  // anything is logged); ErrMsg := Message; then the warning "Error " + Message goes
  // to the log-destination manager's logger.
  EZalvoException(const String& Fmt, TVarRecs Args);
  // FErrMsg, or Message while FErrMsg is empty.
  String ErrMsg() const { return FErrMsg.empty() ? Message() : FErrMsg; }
  void SetErrMsg(const String& Value) { FErrMsg = Value; }

 private:
  String FErrMsg;
};

// Raises EZalvoException(Fmt, Args).
[[noreturn]] void RaiseErrorFmt(const String& Fmt, TVarRecs Args);
// Raises EZalvoException("%s", [Msg]): a percent sign in Msg is kept as it is.
[[noreturn]] void RaiseError(const String& Msg);
