#include "VRNetException.h"

void VRNetAssertFailed(const char* What) {
  String text;
  for (const char* p = What; *p; ++p) text += static_cast<Char>(*p);
  throw EAssertionFailed(L"Assertion failure: " + text);
}
