// Small helpers shared by the data-layer tests.
#pragma once

#include <string>

#include "Classes.h"

// The bytes of a memory stream, from its start.
inline std::string StreamBytes(TMemoryStream& S) {
  return std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

// A memory stream holding the given bytes, positioned at its start.
inline void LoadBytes(TMemoryStream& S, const std::string& Bytes) {
  S.Clear();
  if (!Bytes.empty()) S.WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
  S.SetPosition(0);
}

// Runs F and answers the message of the Exception it raised ("" when none).
template <class F>
String RaisedMessage(F&& Fn) {
  try {
    Fn();
  } catch (const Exception& E) {
    return E.Message();
  }
  return String();
}
