#include "ZvFileUtil.h"

#include "ZvClasses.h"

namespace {

String FullPathOf(const String& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  String r(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, r.data(), nullptr);
  r.resize(n);
  return r;
}

// The system's text for an error code, without the trailing line break.
String SystemErrorText(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  String r = n && buf ? String(buf, n) : String();
  if (buf) LocalFree(buf);
  while (!r.empty() && (r.back() <= L' ')) r.pop_back();
  return r;
}

}  // namespace

TShareFileStream::TShareFileStream(const String& aFilePath, bool createFile, Cardinal aOpenMode)
    : THandleStream(INVALID_HANDLE_VALUE), FFilePath(aFilePath) {
  DWORD access = createFile ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
  if (aOpenMode != 0) access = aOpenMode;
  FHandle = CreateFileW(aFilePath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, createFile ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (FHandle == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    // The same message whether the file was to be created or opened.
    throw EFCreateError(L"ファイル \"" + FullPathOf(aFilePath) + L"\" を作成できません。" + SystemErrorText(code));
  }
}

TShareFileStream::~TShareFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr) CloseHandle(FHandle);
}

void ReadTextFile(const String& aFilePath, TEncoding* Encoding, String& Text) {
  LoadTextFile(aFilePath, Encoding, Text);
}
