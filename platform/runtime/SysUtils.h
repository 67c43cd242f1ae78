// SysUtils: exceptions, string and number routines, Format, dates and file routines.
#pragma once

#include <exception>
#include <string>

#include "System.h"

// The root of every failure raised by the runtime and the system. Carries a message.
class Exception : public TObject, public std::exception {
  DECLARE_CLASS(Exception, TObject)
 public:
  explicit Exception(const String& Msg);
  // CreateFmt: the message is Format(Fmt, Args).
  Exception(const String& Fmt, TVarRecs Args);
  ~Exception() override;
  const String& Message() const { return FMessage; }
  void SetMessage(const String& Msg);
  Integer HelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value) { FHelpContext = Value; }
  // The message in UTF-8, for std::exception users (and test output).
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  String FMessage;
  std::string FWhat;
  Integer FHelpContext = 0;
};

// Declares an exception class with its parent; constructors are those of Exception.
#define DECLARE_EXCEPTION(Name, Parent)   \
  class Name : public Parent {            \
    DECLARE_CLASS(Name, Parent)           \
   public:                                \
    using Parent::Parent;                 \
  };

DECLARE_EXCEPTION(EAbort, Exception)
DECLARE_EXCEPTION(EConvertError, Exception)
DECLARE_EXCEPTION(EListError, Exception)
DECLARE_EXCEPTION(EStringListError, Exception)
DECLARE_EXCEPTION(EInvalidOperation, Exception)
DECLARE_EXCEPTION(EInvalidPointer, Exception)
DECLARE_EXCEPTION(EOutOfMemory, Exception)
DECLARE_EXCEPTION(EInvalidCast, Exception)
DECLARE_EXCEPTION(ENotSupportedException, Exception)
DECLARE_EXCEPTION(EArgumentException, Exception)
DECLARE_EXCEPTION(EArgumentOutOfRangeException, EArgumentException)
DECLARE_EXCEPTION(EExternal, Exception)
DECLARE_EXCEPTION(EIntError, EExternal)
DECLARE_EXCEPTION(EDivByZero, EIntError)
DECLARE_EXCEPTION(ERangeError, EIntError)
DECLARE_EXCEPTION(EIntOverflow, EIntError)
DECLARE_EXCEPTION(EMathError, EExternal)
DECLARE_EXCEPTION(EInvalidOp, EMathError)
DECLARE_EXCEPTION(EZeroDivide, EMathError)
DECLARE_EXCEPTION(EOverflow, EMathError)
DECLARE_EXCEPTION(EUnderflow, EMathError)
DECLARE_EXCEPTION(EAccessViolation, EExternal)
DECLARE_EXCEPTION(EAssertionFailed, Exception)
DECLARE_EXCEPTION(EStreamError, Exception)
DECLARE_EXCEPTION(EFileStreamError, EStreamError)
DECLARE_EXCEPTION(EFCreateError, EFileStreamError)
DECLARE_EXCEPTION(EFOpenError, EFileStreamError)
DECLARE_EXCEPTION(EReadError, EStreamError)
DECLARE_EXCEPTION(EWriteError, EStreamError)
DECLARE_EXCEPTION(EInOutError, Exception)
DECLARE_EXCEPTION(EThread, Exception)
DECLARE_EXCEPTION(EVariantError, Exception)
DECLARE_EXCEPTION(EEncodingError, Exception)

// A failed operating-system call: carries the system error code.
class EOSError : public Exception {
  DECLARE_CLASS(EOSError, Exception)
 public:
  using Exception::Exception;
  DWORD ErrorCode = 0;
};

// Raises EAbort with an empty message: the silent exception.
[[noreturn]] void Abort();

// Format with the original runtime's semantics (%d %u %x %e %f %g %n %m %p %s, index,
// '-', width, precision, '*'). EConvertError on a mismatch.
String Format(const String& Fmt, TVarRecs Args);
String Format(const String& Fmt, const TConstArray& Args);
