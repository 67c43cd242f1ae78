#include "ZvUtil.h"

#include "ZvVrIntf.h"

EZalvoException::EZalvoException(const String& Msg) : Exception(Msg) { FErrMsg = Message(); }

EZalvoException::EZalvoException(const String& Fmt, TVarRecs Args) : Exception(Fmt, Args) {
  FErrMsg = Message();
  if (ZvGlobalLogger) ZvGlobalLogger->SendWarning(L"Error " + Message());
}

void RaiseErrorFmt(const String& Fmt, TVarRecs Args) { throw EZalvoException(Fmt, Args); }

void RaiseError(const String& Msg) { RaiseErrorFmt(L"%s", {Msg}); }
