// Libraries loaded by name and functions bound by name: the one way the project reaches
// system functions that may be missing. A library counts as loaded when LoadLibraryW
// gave a handle (not null); an entry is bound when GetProcAddress found it.
#pragma once

#include <windows.h>

class TLibrary {
 public:
  TLibrary() = default;
  // Loads the library; Loaded() tells whether that worked.
  explicit TLibrary(const wchar_t* Name) { Load(Name); }
  ~TLibrary() { Free(); }
  TLibrary(TLibrary&& Other) noexcept : FHandle(Other.FHandle) { Other.FHandle = nullptr; }
  TLibrary& operator=(TLibrary&& Other) noexcept;
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;

  // Frees any library held, then loads Name. True when it loaded.
  bool Load(const wchar_t* Name);
  // Releases the library (nothing when none is held).
  void Free();
  bool Loaded() const { return FHandle != nullptr; }
  HMODULE Handle() const { return FHandle; }

  // The named entry, or nullptr when the library is not loaded or has no such entry.
  FARPROC Entry(const char* Name) const;
  // Sets Function to the named entry (nullptr when missing); true when it was found.
  template <class F>
  bool Bind(F& Function, const char* Name) const {
    Function = reinterpret_cast<F>(reinterpret_cast<void*>(Entry(Name)));
    return Function != nullptr;
  }

 private:
  HMODULE FHandle = nullptr;
};

// The named entry of a module the process has loaded already (kernel32, user32, ...),
// or nullptr when the module is not loaded or lacks the entry. Takes no reference.
FARPROC ModuleEntry(const wchar_t* Module, const char* Name);
template <class F>
F ModuleFunction(const wchar_t* Module, const char* Name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(ModuleEntry(Module, Name)));
}
