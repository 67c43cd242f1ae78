// Reading whole streams and files as text, skipping a byte-order mark and detecting
// the encoding when the caller names none.
#pragma once

#include "Classes.h"
#include "Encoding.h"

// Reads the whole stream from its start into Text. With Encoding nil a byte-order mark
// picks UTF-8 or UTF-16 and otherwise the system ANSI code page is used; with an
// Encoding its preamble is skipped when the bytes start with it.
void ReadStreamText(TStream* Stream, TEncoding* Encoding, String& Text);
// As ReadStreamText; with Encoding nil the encoding is detected from the stream's
// first bytes (UTF-8 when that cannot be told). A detected encoding without a codec
// (ISO-2022-JP, UCS-4) raises Exception.
void ReadStreamTextAutoDetect(TStream* Stream, TEncoding* Encoding, String& Text);
// Opens the file without locking anyone out and reads it with ReadStreamTextAutoDetect.
void LoadTextFile(const String& aFilePath, TEncoding* Encoding, String& Text);
