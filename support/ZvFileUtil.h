// File routines of the support library: a file stream that never locks other
// processes out, and reading a whole text file.
#pragma once

#include "Classes.h"
#include "Encoding.h"

// A file stream opened or created with read, write and delete sharing, so that other
// processes may read, write, move or delete the file while it is open.
class TShareFileStream : public THandleStream {
  DECLARE_CLASS(TShareFileStream, THandleStream)
 public:
  // createFile True: CREATE_ALWAYS, default access GENERIC_READ | GENERIC_WRITE;
  // False: OPEN_EXISTING, default access GENERIC_READ. An aOpenMode other than 0
  // replaces the default access. A failure raises EFCreateError naming the full path.
  TShareFileStream(const String& aFilePath, bool createFile, Cardinal aOpenMode = 0);
  ~TShareFileStream() override;
  const String& FilePath() const { return FFilePath; }

 private:
  String FFilePath;  // as passed
};

// Reads the whole file into Text: in Encoding, or in the encoding detected from the
// file when Encoding is nil (see LoadTextFile).
void ReadTextFile(const String& aFilePath, TEncoding* Encoding, String& Text);
