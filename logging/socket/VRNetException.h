// The exception classes of the socket library. Every class can be raised through its
// class-level Toss(message).
#pragma once

#include "SysUtils.h"

#define DECLARE_VRNET_EXCEPTION(Name, Parent)                           \
  class Name : public Parent {                                          \
    DECLARE_CLASS(Name, Parent)                                         \
   public:                                                              \
    using Parent::Parent;                                               \
    [[noreturn]] static void Toss(const String& Msg) { throw Name(Msg); } \
  };

class EVRNetException : public Exception {
  DECLARE_CLASS(EVRNetException, Exception)
 public:
  using Exception::Exception;
  [[noreturn]] static void Toss(const String& Msg) { throw EVRNetException(Msg); }
};

DECLARE_VRNET_EXCEPTION(EVRNetSilentException, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetConnClosedGracefully, EVRNetSilentException)
DECLARE_VRNET_EXCEPTION(EVRNetSocketHandleError, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetPackageSizeTooBig, EVRNetSocketHandleError)
DECLARE_VRNET_EXCEPTION(EVRNetNotAllBytesSent, EVRNetSocketHandleError)
DECLARE_VRNET_EXCEPTION(EVRNetCouldNotBindSocket, EVRNetSocketHandleError)
DECLARE_VRNET_EXCEPTION(EVRNetCannotBindPortInRange, EVRNetSocketHandleError)
DECLARE_VRNET_EXCEPTION(EVRNetInvalidPortRange, EVRNetSocketHandleError)
DECLARE_VRNET_EXCEPTION(EVRNetCannotSetIPVersionWhenConnected, EVRNetSocketHandleError)
DECLARE_VRNET_EXCEPTION(EVRNetInvalVRNetIPv6Address, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetIPv6Unavailable, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetInvalidServiceName, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetStackError, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetStackInitializationFailed, EVRNetStackError)
DECLARE_VRNET_EXCEPTION(EVRNetStackSetSizeExceeded, EVRNetStackError)
DECLARE_VRNET_EXCEPTION(EVRNetIPVersionUnsupported, EVRNetStackError)

// A socket failure with its Winsock error number.
class EVRNetSocketError : public EVRNetException {
  DECLARE_CLASS(EVRNetSocketError, EVRNetException)
 public:
  using EVRNetException::EVRNetException;
  EVRNetSocketError(Integer Error, const String& Msg) : EVRNetException(Msg), FLastError(Error) {}
  static EVRNetSocketError CreateError(Integer Error, const String& Msg) { return EVRNetSocketError(Error, Msg); }
  Integer LastError() const { return FLastError; }

 private:
  Integer FLastError = 0;
};

class EVRNetNotASocket : public EVRNetSocketError {
  DECLARE_CLASS(EVRNetNotASocket, EVRNetSocketError)
 public:
  using EVRNetSocketError::EVRNetSocketError;
};

DECLARE_VRNET_EXCEPTION(EVRNetAlreadyConnected, EVRNetException)
DECLARE_VRNET_EXCEPTION(ENetHostRequired, EVRNetException)
DECLARE_VRNET_EXCEPTION(ENetPortRequired, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetClosedSocket, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetReadTimeout, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetReadLnMaxLineLengthExceeded, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetReadLnWaitMaxAttemptsExceeded, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetNotConnected, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetMaxCaptureLineExceeded, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetTCPConnectionError, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetObjectTypeNotSupported, EVRNetTCPConnectionError)
DECLARE_VRNET_EXCEPTION(EVRNetNoDataToRead, EVRNetTCPConnectionError)
DECLARE_VRNET_EXCEPTION(EVRNetFileNotFound, EVRNetTCPConnectionError)
DECLARE_VRNET_EXCEPTION(EVRNetConnectTimeout, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetConnectException, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetTransparentProxyCantBind, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetSocksError, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetSocksRequestFailed, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksRequestServerFailed, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksRequestIdentFailed, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksUnknownError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerRespondError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksAuthMethodError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksAuthError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerGeneralError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerPermissionError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerNetUnreachableError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerHostUnreachableError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerConnectionRefusedError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerTTLExpiredError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerCommandError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksServerAddressError, EVRNetSocksError)
DECLARE_VRNET_EXCEPTION(EVRNetSocksUDPNotSupportedBySOCKSVersion, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetTransparentProxyCircularLink, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetTransparentProxyUDPNotSupported, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetNotEnoughDataInBuffer, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetTooMuchDataInBuffer, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetInterceptCircularLink, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetIOHandler, EVRNetException)
DECLARE_VRNET_EXCEPTION(EVRNetIOHandlerRequiresLargeStream, EVRNetIOHandler)
DECLARE_VRNET_EXCEPTION(EVRNetIOHandlerStreamDataTooLarge, EVRNetIOHandler)
DECLARE_VRNET_EXCEPTION(EVRNetReplyError, EVRNetException)

class EVRNetReplyRFCError : public EVRNetReplyError {
  DECLARE_CLASS(EVRNetReplyRFCError, EVRNetReplyError)
 public:
  using EVRNetReplyError::EVRNetReplyError;
  EVRNetReplyRFCError(Integer Code, const String& Msg) : EVRNetReplyError(Msg), FErrorCode(Code) {}
  static EVRNetReplyRFCError CreateError(Integer Code, const String& Msg) { return EVRNetReplyRFCError(Code, Msg); }
  Integer ErrorCode() const { return FErrorCode; }

 private:
  Integer FErrorCode = 0;
};

// A failed internal consistency check of the library (a missing stream, a range outside
// an array): raised as the runtime's assertion failure.
[[noreturn]] void VRNetAssertFailed(const char* What);
#define VRNET_ASSERT(Cond) \
  do { if (!(Cond)) VRNetAssertFailed(#Cond); } while (0)
