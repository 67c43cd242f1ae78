// Japanese sample texts in the encodings the support library reads, made with the
// platform's own converter, and a scratch folder for files.
#pragma once

#include "System.h"

// Several lines of Japanese text with some ASCII.
extern const String JapaneseText;

// The text in a Windows code page (932, 20932, 65001).
TBytes Encode(UINT codePage, const String& text);
// UTF-16 bytes, little or big endian, without a byte-order mark.
TBytes Utf16(const String& text, bool bigEndian);
// ISO-2022-JP: JIS X 0208 runs between ESC $ B and ESC ( B, built from the EUC-JP bytes.
TBytes Iso2022Jp(const String& text);
TBytes Concat(std::initializer_list<TBytes> parts);

// A folder under the temporary path, emptied and removed by the destructor.
class TScratchFolder {
 public:
  TScratchFolder();
  ~TScratchFolder();
  String Path(const String& name) const { return FPath + L"\\" + name; }
  String WriteFile(const String& name, const TBytes& bytes) const;
  TBytes ReadFile(const String& name) const;

 private:
  String FPath;
};
