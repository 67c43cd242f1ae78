// The main window's list on a shown form for the view tests: flat look, one band, six
// string columns with column auto width, row selection, rows added after Clear; helpers
// that read the window's pixels back and drive it with synthesized input.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../../core/tests/ReferenceImage.h"
#include "Forms.h"
#include "vxTLView.h"

namespace tlv_test {

using Node = TvxTreeListNode;

inline void Pump(DWORD Ms = 30) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

// The worktree's suite/treelist/tests/images folder, found from the test program's path
// (<root>/build/<arch>/suite/treelist/<program>.exe).
inline std::wstring ImageFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  for (int i = 0; i < 5; ++i) p = p.substr(0, p.find_last_of(L"\\/"));
  return p + L"\\suite\\treelist\\tests\\images\\";
}

// Compares pixels (BGRA, alpha ignored) with the reference image Name.png; a missing
// reference is written for review and the comparison fails until it is committed.
inline void ExpectMatchesImage(const std::wstring& Name, int W, int H, const std::vector<DWORD>& Pixels) {
  const std::wstring file = ImageFolder() + Name + L".png";
  std::vector<uint8_t> png;
  if (!zs_test::ReadWholeFileW(file, png)) {
    CreateDirectoryW(ImageFolder().c_str(), nullptr);
    zs_test::WriteWholeFileW(file, zs_test::EncodePng(W, H, Pixels));
    ADD_FAILURE() << "reference image written for review: " << std::string(file.begin(), file.end());
    return;
  }
  int rw = 0, rh = 0;
  std::vector<DWORD> ref;
  ASSERT_TRUE(zs_test::DecodePng(png, rw, rh, ref)) << "unreadable reference image";
  ASSERT_EQ(rw, W);
  ASSERT_EQ(rh, H);
  int differing = 0, first = -1;
  for (size_t i = 0; i < ref.size(); ++i)
    if ((ref[i] & 0xFFFFFF) != (Pixels[i] & 0xFFFFFF)) {
      if (first < 0) first = static_cast<int>(i);
      ++differing;
    }
  EXPECT_EQ(differing, 0) << "first difference at (" << first % W << ", " << first / W << ")";
}

// The window's client pixels as the screen shows them (BGRA, top row first).
inline std::vector<DWORD> WindowPixels(HWND W, int& Width, int& Height) {
  RECT r{};
  GetClientRect(W, &r);
  Width = r.right;
  Height = r.bottom;
  HDC wdc = GetDC(W);
  HDC dc = CreateCompatibleDC(wdc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = Width;
  bi.bmiHeader.biHeight = -Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HBITMAP bmp = CreateCompatibleBitmap(wdc, Width, Height);
  HGDIOBJ old = SelectObject(dc, bmp);
  BitBlt(dc, 0, 0, Width, Height, wdc, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  std::vector<DWORD> pixels(static_cast<size_t>(Width) * Height);
  GetDIBits(dc, bmp, 0, Height, pixels.data(), &bi, DIB_RGB_COLORS);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(W, wdc);
  return pixels;
}

inline COLORREF PixelRgb(const std::vector<DWORD>& P, int W, int X, int Y) {
  DWORD v = P[static_cast<size_t>(Y) * W + X];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

struct ListFixture : ::testing::Test {
  TForm* Form = nullptr;
  TvxTreeList* TL = nullptr;
  std::vector<std::pair<Node*, Node*>> FocusEvents;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(40, 40, 540, 280);
    TL = TvxEditingControl::Create<TvxTreeList>(Form);
    TL->LookAndFeel()->SetKind(lfFlat);
    TL->SetBounds(0, 0, 500, 200);
    TL->OptionsView()->SetColumnAutoWidth(true);
    TL->OptionsSelection()->CellSelect = false;
    TL->OptionsBehavior()->Sorting = false;
    TL->OptionsData()->Deleting = false;
    const std::pair<const wchar_t*, Integer> cols[] = {{L"Type", 44},       {L"Name", 158},       {L"Access", 194},
                                                       {L"Inherited", 162}, {L"Applies to", 186}, {L"", 100}};
    for (auto& [caption, width] : cols) {
      TvxTreeListColumn* c = TL->CreateColumn();
      c->Caption()->SetText(caption);
      c->SetWidth(width);
    }
    TL->SetParent(Form);
    TL->OnFocusedNodeChanged = [this](TObject*, Node* p, Node* n) { FocusEvents.emplace_back(p, n); };
    Form->Show();
    SetForegroundWindow(Form->Handle());
    TL->SetFocus();
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  // Clear, then one node per row with a Data pointer and six string values, as the main
  // window fills its list.
  void Fill(Integer ACount) {
    TL->Clear();
    for (Integer i = 0; i < ACount; ++i) {
      Node* n = TL->Add(nullptr, reinterpret_cast<Pointer>(static_cast<NativeInt>(i + 1)));
      const std::wstring s = std::to_wstring(i);
      const std::wstring values[] = {i % 3 ? L"Allow" : L"Deny", L"User " + s, L"Read and execute",
                                     L"C:\\Folder" + s,          L"This folder only", L"(OI)(CI)"};
      for (Integer c = 0; c < 6; ++c) n->SetValues(c, Variant(String(values[c])));
    }
    Pump(40);
  }
  Node* Row(Integer i) { return TL->AbsoluteVisibleItems(i); }
  TvxTreeListViewInfo* VI() { return TL->TreeListViewInfo(); }
  TvxTreeListHitTest* HT() { return TL->HitTest(); }
  // The hit test at a client point.
  TvxTreeListHitTest* HitAt(Integer X, Integer Y) {
    HT()->SetHitPoint(TPoint{X, Y});
    return HT();
  }
  // A real click at a client point, through the input queue, with a modifier key (VK_SHIFT,
  // VK_CONTROL) held when given.
  // Each call is a click of its own: a press within the double-click time of the last one
  // waits that time out first, as a press soon after the last would be a double click.
  void Click(Integer X, Integer Y, WORD AModifier = 0) {
    const DWORD since = GetTickCount() - LastClick;
    if (LastClick && since < GetDoubleClickTime()) Pump(GetDoubleClickTime() - since + 20);
    POINT p{X, Y};
    ClientToScreen(TL->Handle(), &p);
    SetCursorPos(p.x, p.y);
    Pump(10);
    std::vector<INPUT> in;
    auto key = [&](bool up) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = AModifier;
      i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      in.push_back(i);
    };
    auto mouse = [&](DWORD flags) {
      INPUT i{};
      i.type = INPUT_MOUSE;
      i.mi.dwFlags = flags;
      in.push_back(i);
    };
    if (AModifier) key(false);
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouse(MOUSEEVENTF_LEFTUP);
    if (AModifier) key(true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    LastClick = GetTickCount();
    Pump(40);
  }
  DWORD LastClick = 0;
  // Lays the list out again now and lets it paint.
  void Relayout() {
    TL->LayoutChanged();
    UpdateWindow(TL->Handle());
    Pump(40);
  }
  // The cells of one kind, in order.
  template <class T>
  static std::vector<T*> Find(TvxCustomControlCells& ACells) {
    std::vector<T*> r;
    for (Integer i = 0; i < ACells.Count(); ++i)
      if (auto* c = dynamic_cast<T*>(ACells.Items(i))) r.push_back(c);
    return r;
  }
  // The indent cells of a shown node's row, left to right.
  std::vector<TvxTreeListIndentCellViewInfo*> Indents(Node* N) {
    TvxTreeListNodeViewData* row = VI()->NodeViewData(N);
    return row ? Find<TvxTreeListIndentCellViewInfo>(row->Cells()) : std::vector<TvxTreeListIndentCellViewInfo*>{};
  }
  // The vertical middle of a shown row.
  Integer RowY(Integer i) {
    TvxTreeListNodeViewData* r = TL->TreeListViewInfo()->NodeViewData(Row(i));
    return r ? (r->Bounds().top + r->Bounds().bottom) / 2 : -1;
  }
  // A key press through the input queue, optionally with Ctrl held.
  void Key(WORD AVk, bool ACtrl = false) {
    std::vector<INPUT> in;
    auto add = [&](WORD vk, bool up) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = vk;
      i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      in.push_back(i);
    };
    if (ACtrl) add(VK_CONTROL, false);
    add(AVk, false);
    add(AVk, true);
    if (ACtrl) add(VK_CONTROL, true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Pump(40);
  }
};

}  // namespace tlv_test
