#include "ZvClasses.h"

#include <memory>

#include "ZvEncodingUnit.h"
#include "ZvFileUtil.h"

void ReadStreamText(TStream* Stream, TEncoding* Encoding, String& Text) {
  Stream->SetPosition(0);
  Int64 size = Stream->Size();
  TBytes buffer(static_cast<size_t>(size > 0 ? size : 0));
  if (!buffer.empty()) Stream->ReadBuffer(buffer.data(), static_cast<Integer>(buffer.size()));
  const TEncoding* enc = Encoding;
  Integer preamble = TEncoding::GetBufferEncoding(buffer, enc);
  if (enc == nullptr) enc = TEncoding::Default();
  Text = enc->GetString(buffer, preamble, static_cast<Integer>(buffer.size()) - preamble);
}

void ReadStreamTextAutoDetect(TStream* Stream, TEncoding* Encoding, String& Text) {
  if (Encoding != nullptr) {
    ReadStreamText(Stream, Encoding, Text);
    return;
  }
  TZvEncodingCode code = TZvEncodingChecker::CheckEncoding(Stream, zvcpUtf8);
  std::unique_ptr<TEncoding> detected(TZvEncoding::CreateEncoding(code));
  ReadStreamText(Stream, detected.get(), Text);
}

void LoadTextFile(const String& aFilePath, TEncoding* Encoding, String& Text) {
  TShareFileStream stream(aFilePath, false, 0);
  ReadStreamTextAutoDetect(&stream, Encoding, Text);
}
