#include "ZvFileUtil.h"

#include "ZvClasses.h"

TShareFileStream::TShareFileStream(const String& aFilePath, bool createFile, Cardinal aOpenMode)
    : THandleStream(INVALID_HANDLE_VALUE), FFilePath(aFilePath) {
  DWORD access = createFile ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
  if (aOpenMode != 0) access = aOpenMode;
  FHandle = CreateFileW(aFilePath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, createFile ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (FHandle == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    // The same message whether the file was to be created or opened.
    throw EFCreateError(L"ファイル \"" + ExpandFileName(aFilePath) + L"\" を作成できません。" + SysErrorMessage(code));
  }
}

TShareFileStream::~TShareFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr) CloseHandle(FHandle);
}

void ReadTextFile(const String& aFilePath, TEncoding* Encoding, String& Text) {
  LoadTextFile(aFilePath, Encoding, Text);
}
