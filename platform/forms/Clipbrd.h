// Clipbrd: the system clipboard as an object. Open/Close nest; reading and writing
// open it when needed. Text goes as Unicode text; bitmaps and pictures are put as
// CF_BITMAP and read back from it.
#pragma once

#include <windows.h>

#include "Graphics.h"
#include "SysInit.h"

class TClipboard : public TPersistent {
  DECLARE_CLASS(TClipboard, TPersistent)
 public:
  TClipboard() = default;
  ~TClipboard() override;

  // Opens the clipboard (nested calls count); raises when another program holds it.
  virtual void Open();
  virtual void Close();
  void Clear();
  bool HasFormat(UINT Format);
  Integer FormatCount();
  UINT Formats(Integer Index);

  String AsText();
  void SetAsText(const String& Value);
  String GetTextBuf() { return AsText(); }
  void SetTextBuf(const String& Value) { SetAsText(Value); }
  HANDLE GetAsHandle(UINT Format);
  void SetAsHandle(UINT Format, HANDLE Value);
  // Puts a copy of a graphic (bitmaps as they are, other graphics drawn on a bitmap)
  // or reads one (a bitmap, or a picture's bitmap) from CF_BITMAP.
  void Assign(TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) override;

 private:
  void Adding();
  void AssignGraphic(TGraphic* Source);
  HWND FWindow = nullptr;
  Integer FOpenRefCount = 0;
  bool FEmptied = false;
};

DECLARE_EXCEPTION(EClipboardException, Exception)

// The process's clipboard object, made on first use.
TClipboard* Clipboard();
// Replaces it (returns the previous one; the caller frees it). nullptr restores the default.
TClipboard* SetClipboard(TClipboard* NewClipboard);

extern const TUnitInfo ClipbrdUnit;
