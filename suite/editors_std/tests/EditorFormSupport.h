// Form files in text form for the editors' streaming tests: a root written to text, a text
// read into a new form, and the block of one component cut out of a form's text.
#pragma once

#include <memory>

#include "Forms.h"
#include "Streaming.h"

namespace vx_test {

inline String FormText(TComponent* ARoot) {
  TMemoryStream s;
  WriteComponentToStream(&s, ARoot);
  return ObjectBinaryToText(
      TBytes(static_cast<const Byte*>(s.Memory()), static_cast<const Byte*>(s.Memory()) + s.Size()));
}

inline std::unique_ptr<TForm> ReadFormText(const String& AText) {
  const TBytes bytes = ObjectTextToBinary(AText);
  TMemoryStream s;
  s.Write(bytes.data(), static_cast<Integer>(bytes.size()));
  s.SetPosition(0);
  std::unique_ptr<TForm> form(new TForm(nullptr));
  ReadComponentFromStream(&s, form.get());
  return form;
}

// From "object AName" to the end of its block (the form's own properties left out, since
// showing a form changes some of them).
inline String ComponentBlock(const String& AFormText, const String& AName) {
  const size_t start = AFormText.find(L"object " + AName);
  if (start == String::npos) return String();
  const size_t indent = start - AFormText.rfind(L'\n', start) - 1;
  const String end = L"\n" + String(indent, L' ') + L"end";
  const size_t stop = AFormText.find(end, start);
  return stop == String::npos ? AFormText.substr(start) : AFormText.substr(start, stop + end.size() - start);
}

}  // namespace vx_test
