#include "Clipbrd.h"

#include <cstring>
#include <memory>
#include <type_traits>

namespace {

TClipboard* FClipboard = nullptr;

// Memory or a bitmap meant for the clipboard: freed unless the clipboard took it.
struct TGlobalFree {
  void operator()(void* H) const { GlobalFree(H); }
};
using TGlobalPtr = std::unique_ptr<std::remove_pointer_t<HGLOBAL>, TGlobalFree>;
struct TDeleteObject {
  void operator()(HBITMAP H) const { DeleteObject(H); }
};
using TBitmapPtr = std::unique_ptr<std::remove_pointer_t<HBITMAP>, TDeleteObject>;

// Keeps the clipboard open for one scope.
using TOpenScope = TCallScope<TClipboard, &TClipboard::Open, &TClipboard::Close>;

void DoneClipbrd() {
  delete FClipboard;
  FClipboard = nullptr;
}

}  // namespace

const TUnitInfo ClipbrdUnit{L"Clipbrd", nullptr, DoneClipbrd};

TClipboard* Clipboard() {
  if (!FClipboard) FClipboard = new TClipboard();
  return FClipboard;
}

TClipboard* SetClipboard(TClipboard* NewClipboard) {
  TClipboard* old = FClipboard;
  FClipboard = NewClipboard;
  return old;
}

TClipboard::~TClipboard() {
  if (FOpenRefCount > 0) {
    FOpenRefCount = 1;
    Close();
  }
  if (FWindow) DestroyWindow(FWindow);
}

void TClipboard::Open() {
  if (FOpenRefCount == 0) {
    // The clipboard's owner must be a window, or data put on it is refused.
    if (!FWindow)
      FWindow = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    bool opened = false;
    for (int i = 0; i < 20 && !opened; ++i) {
      opened = OpenClipboard(FWindow) != FALSE;
      if (!opened) Sleep(10);
    }
    if (!opened) throw EClipboardException(L"Cannot open clipboard");
    FEmptied = false;
  }
  ++FOpenRefCount;
}

void TClipboard::Close() {
  if (FOpenRefCount == 0) return;
  if (--FOpenRefCount == 0) CloseClipboard();
}

// The first write of an open session replaces whatever the clipboard held.
void TClipboard::Adding() {
  if (FOpenRefCount > 0 && !FEmptied) {
    Clear();
    FEmptied = true;
  }
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  Close();
}

bool TClipboard::HasFormat(UINT Format) { return IsClipboardFormatAvailable(Format) != FALSE; }

Integer TClipboard::FormatCount() { return CountClipboardFormats(); }

UINT TClipboard::Formats(Integer Index) {
  Open();
  UINT f = 0;
  for (Integer i = 0; (f = EnumClipboardFormats(f)) != 0; ++i)
    if (i == Index) break;
  Close();
  return f;
}

String TClipboard::AsText() {
  String r;
  Open();
  HANDLE h = GetClipboardData(CF_UNICODETEXT);
  if (h) {
    auto* p = static_cast<const wchar_t*>(GlobalLock(h));
    if (p) {
      // Stop at the terminator, never past the block.
      size_t max = GlobalSize(h) / sizeof(wchar_t);
      size_t n = 0;
      while (n < max && p[n]) ++n;
      r.assign(p, n);
      GlobalUnlock(h);
    }
  }
  Close();
  return r;
}

void TClipboard::SetAsText(const String& Value) {
  size_t bytes = (Value.size() + 1) * sizeof(wchar_t);
  TGlobalPtr g(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes));
  if (!g) throw EOutOfMemory(L"Out of memory");
  std::memcpy(GlobalLock(g.get()), Value.c_str(), bytes);
  GlobalUnlock(g.get());
  SetAsHandle(CF_UNICODETEXT, g.get());
  g.release();  // the clipboard owns it now
}

HANDLE TClipboard::GetAsHandle(UINT Format) {
  Open();
  HANDLE h = GetClipboardData(Format);
  Close();
  return h;
}

void TClipboard::SetAsHandle(UINT Format, HANDLE Value) {
  TOpenScope open(*this);
  Adding();
  if (!SetClipboardData(Format, Value)) throw EClipboardException(L"Cannot set clipboard data");
}

void TClipboard::AssignGraphic(TGraphic* Source) {
  TBitmap copy;
  copy.Assign(Source);
  copy.SetHandleType(bmDDB);  // a device bitmap, as other programs expect CF_BITMAP to be
  TBitmapPtr h(copy.ReleaseHandle());
  SetAsHandle(CF_BITMAP, h.get());
  h.release();  // the clipboard owns it now
}

void TClipboard::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    if (p->Graphic()) AssignGraphic(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    AssignGraphic(g);
    return;
  }
  inherited::Assign(Source);
}

void TClipboard::AssignTo(TPersistent* Dest) {
  TBitmap* target = dynamic_cast<TBitmap*>(Dest);
  auto* pic = dynamic_cast<TPicture*>(Dest);
  if (!target && !pic) {
    inherited::AssignTo(Dest);
    return;
  }
  TOpenScope open(*this);
  HBITMAP h = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!h) throw EClipboardException(L"Clipboard does not support Bitmaps");
  // The clipboard keeps its bitmap: work on a copy.
  HBITMAP dup = static_cast<HBITMAP>(CopyImage(h, IMAGE_BITMAP, 0, 0, 0));
  if (!dup) throw EClipboardException(L"Clipboard does not support Bitmaps");
  TBitmap b;
  b.SetHandle(dup);
  b.SetHandleType(bmDIB);
  if (target) target->Assign(&b);
  else pic->SetBitmap(&b);
}
