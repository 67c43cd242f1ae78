// Appending lines of text to files without blocking the caller: each line is a work
// object run by the appender's own pool of one worker, so lines are written in the
// order they were handed over. A bound on pending lines makes a fast producer wait.
#pragma once

#include <memory>

#include "Encoding.h"
#include "ZvThreadPool.h"

// One line for one file.
class TZvTextAppenderWorkObj : public TZvWorkObject {
  DECLARE_CLASS(TZvTextAppenderWorkObj, TZvWorkObject)
 public:
  const String& Text() const { return FText; }
  void SetText(const String& Value) { FText = Value; }
  const String& FilePath() const { return FFilePath; }
  void SetFilePath(const String& Value) { FFilePath = Value; }
  TEncoding* Encoding() const { return FEncoding; }
  void SetEncoding(TEncoding* Value) { FEncoding = Value; }
  // Opens the file (creating it when missing, never truncating it) while denying other
  // writers, writes the encoding's byte-order mark when the file is empty, then the
  // text and CR LF at the end. A file that cannot be opened or written raises, which
  // the worker records in errorMess.
  void doWork() override;

 private:
  String FText;
  String FFilePath;
  TEncoding* FEncoding = nullptr;  // not owned
};

class TZvTextAppender : public TObject {
  DECLARE_CLASS(TZvTextAppender, TObject)
 public:
  // aEncoding is not owned and must outlive the appender.
  TZvTextAppender(TEncoding* aEncoding, Integer maxPendingWorkCount);
  // Frees the pool: pending lines get up to 5 minutes, lines still queued after that
  // are discarded.
  ~TZvTextAppender() override;
  // Queues aText for aFilePath, first waiting (up to 15 minutes) while more than the
  // bound of lines are pending.
  void Writetext(const String& aText, const String& aFilePath);
  // Writetext to FilePath; EZalvoException when FilePath is empty.
  void WriteText(const String& aText);
  const String& FilePath() const { return FFilePath; }
  void SetFilePath(const String& Value) { FFilePath = Value; }
  // Completion handler of every line: frees the finished work object.
  void FreeWork(TObject* Sender);

 private:
  TEncoding* FEncoding;
  std::unique_ptr<TZvThreadPool> FThreadPool;
  Integer FmaxPendingWorkCount;
  String FFilePath;
};
