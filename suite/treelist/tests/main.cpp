#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "SuitePageControlUnits.h"
#include "SuiteTreeListUnits.h"

namespace {

// Run as a second process by the clipboard test: writes the clipboard's Unicode text to
// the file named by the next argument (UTF-16, without a terminator).
int WriteClipboardText(const char* AFileName) {
  if (!OpenClipboard(nullptr)) return 2;
  int rc = 3;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(GlobalLock(h))) {
      if (FILE* f = std::fopen(AFileName, "wb")) {
        std::fwrite(text, sizeof(wchar_t), wcslen(text), f);
        std::fclose(f);
        rc = 0;
      }
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-clipboard-text") == 0) return WriteClipboardText(argv[2]);
  ::testing::InitGoogleTest(&argc, argv);
  TUnitScope units(SuiteTreeListUnits);
  // The customization form shows its lists on a page control: its units start after the
  // tree list's, in the program's order.
  TUnitScope pageControlUnits(SuitePageControlUnits);
  return RUN_ALL_TESTS();
}
