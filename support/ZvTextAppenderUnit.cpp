#include "ZvTextAppenderUnit.h"

#include "ZvUtil.h"

namespace {
// A file handle closed when the scope ends.
class TFileHandle {
 public:
  explicit TFileHandle(HANDLE H) : FHandle(H) {}
  ~TFileHandle() {
    if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};

void WriteAll(HANDLE File, const TBytes& Bytes, const String& Path) {
  if (Bytes.empty()) return;
  DWORD written = 0;
  if (!WriteFile(File, Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr) || written != Bytes.size())
    throw EWriteError(L"Cannot write to %s: %s", {Path, SysErrorMessage(GetLastError())});
}
}  // namespace

void TZvTextAppenderWorkObj::doWork() {
  if (FFilePath.empty()) return;
  // One open-or-create call: a file another process creates in the meantime is
  // appended to, never replaced.
  TFileHandle file(CreateFileW(FFilePath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE)
    throw EFOpenError(L"Cannot open file \"%s\". %s", {FFilePath, SysErrorMessage(GetLastError())});
  TEncoding* encoding = FEncoding ? FEncoding : TEncoding::UTF8();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size))
    throw EFOpenError(L"Cannot open file \"%s\". %s", {FFilePath, SysErrorMessage(GetLastError())});
  LARGE_INTEGER zero{};
  SetFilePointerEx(file.Get(), zero, nullptr, FILE_END);
  // The byte-order mark goes only into an empty file.
  if (size.QuadPart == 0) WriteAll(file.Get(), encoding->GetPreamble(), FFilePath);
  WriteAll(file.Get(), encoding->GetBytes(FText + L"\r\n"), FFilePath);
}

TZvTextAppender::TZvTextAppender(TEncoding* aEncoding, Integer maxPendingWorkCount)
    : FEncoding(aEncoding),
      FThreadPool(std::make_unique<TZvThreadPool>(1, &TZvWorkThread::New<TZvWorkThread>)),
      FmaxPendingWorkCount(maxPendingWorkCount) {}

TZvTextAppender::~TZvTextAppender() { FThreadPool.reset(); }

void TZvTextAppender::FreeWork(TObject* Sender) { delete Sender; }

void TZvTextAppender::Writetext(const String& aText, const String& aFilePath) {
  auto* work = new TZvTextAppenderWorkObj();
  // Not bound to this appender: a line that finishes after the appender is gone (its
  // worker was stuck) still frees itself.
  work->onWorkCompleted = [](TObject* Sender) { delete Sender; };
  work->SetText(aText);
  work->SetFilePath(aFilePath);
  work->SetEncoding(FEncoding);
  FThreadPool->WaitForQueueingAvailable(FmaxPendingWorkCount, 15, false);
  FThreadPool->queueWork(work);
}

void TZvTextAppender::WriteText(const String& aText) {
  if (FFilePath.empty()) RaiseError(L"TZvTextAppender.Write.FilePathが指定されていません");
  Writetext(aText, FFilePath);
}
