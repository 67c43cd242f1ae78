#include "Libraries.h"

TLibrary& TLibrary::operator=(TLibrary&& Other) noexcept {
  if (this != &Other) {
    Free();
    FHandle = Other.FHandle;
    Other.FHandle = nullptr;
  }
  return *this;
}

bool TLibrary::Load(const wchar_t* Name) {
  Free();
  FHandle = LoadLibraryW(Name);
  return FHandle != nullptr;
}

void TLibrary::Free() {
  if (FHandle) FreeLibrary(FHandle);
  FHandle = nullptr;
}

FARPROC TLibrary::Entry(const char* Name) const { return FHandle ? GetProcAddress(FHandle, Name) : nullptr; }

FARPROC ModuleEntry(const wchar_t* Module, const char* Name) {
  HMODULE h = GetModuleHandleW(Module);
  return h ? GetProcAddress(h, Name) : nullptr;
}
