// What the shell view containers add around their inner controls, in shown forms: the
// list's column header painted through the look and feel and answering for its sections,
// the owner-data rows reaching OnData, the overlay image of a row, and the data binding
// that keeps the focus when it refuses the value on leaving.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "StdCtrls.h"
#include "vxShellListView.h"
#include "vxShellTreeView.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace ZS_UNITY_ID {

using namespace shell_test;

namespace {

// The header's client area as it paints itself into a memory bitmap.
struct THeaderShot {
  Integer Width = 0, Height = 0;
  std::vector<DWORD> Pixels;  // 0x00RRGGBB, top row first
  DWORD At(Integer X, Integer Y) const { return Pixels[static_cast<size_t>(Y) * Width + X]; }
  bool operator==(const THeaderShot&) const = default;
};

THeaderShot ShootHeader(HWND Header) {
  THeaderShot s;
  RECT r{};
  GetClientRect(Header, &r);
  s.Width = r.right;
  s.Height = r.bottom;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = s.Width;
  bi.bmiHeader.biHeight = -s.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, s.Width, s.Height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SendMessageW(Header, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  const DWORD* p = static_cast<const DWORD*>(bits);
  s.Pixels.assign(p, p + static_cast<size_t>(s.Width) * s.Height);
  for (DWORD& px : s.Pixels) px &= 0xFFFFFF;
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return s;
}

DWORD Rgb(COLORREF C) { return (GetRValue(C) << 16) | (GetGValue(C) << 8) | GetBValue(C); }

// The list view's fixture with three files shown; header sections read back through the
// header's own message.
struct ShellListContainerTest : ShellListViewTest {
  void SetUp() override {
    ShellListViewTest::SetUp();
    for (const wchar_t* n : {L"alpha.txt", L"beta.txt", L"gamma.txt"}) Tmp.File(n);
    Open(Tmp.Root());
  }
  THeaderItemInfo Info(Integer Section) {
    THeaderItemInfo info;
    SendMessageW(Inner->HeaderHandle(), WM_VXSHELL_HEADERITEMINFO, Section, reinterpret_cast<LPARAM>(&info));
    return info;
  }
};

}  // namespace

// The report's column header is the list's own header window, taken over: it paints
// each column and the empty area after the last through the container's look and feel,
// answers for its sections, and follows presses and the control's state.
TEST_F(ShellListContainerTest, TheReportHeaderIsPaintedThroughTheLookAndFeelAndAnswersForItsSections) {
  List->Style()->LookAndFeel()->SetKind(lfFlat);
  List->Style()->LookAndFeel()->SetNativeStyle(false);
  List->SetListViewStyle(lvsReport);
  Pump(40);
  HWND header = ListView_GetHeader(Inner->Handle());
  ASSERT_TRUE(header);
  ASSERT_EQ(header, Inner->HeaderHandle());
  EXPECT_TRUE(GetWindowLongPtrW(header, GWL_STYLE) & HDS_HOTTRACK);
  const Integer count = Inner->ColumnCount();
  ASSERT_GE(count, 2);

  // Each column's section, then the area right of the last column.
  RECT client{};
  GetClientRect(header, &client);
  for (Integer i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    THeaderItemInfo info = Info(i);
    RECT expected{};
    Header_GetItemRect(header, i, &expected);
    EXPECT_EQ(Inner->Column(i)->Caption(), info.Text);
    EXPECT_TRUE(EqualRect(&expected, &info.Rect));
    EXPECT_EQ(1, info.State);
  }
  RECT lastColumn{};
  Header_GetItemRect(header, count - 1, &lastColumn);
  THeaderItemInfo trailing = Info(count);
  EXPECT_EQ(lastColumn.right, trailing.Rect.left);
  EXPECT_EQ(client.right, trailing.Rect.right);
  EXPECT_EQ(-1, trailing.ImageIndex);

  // Painted: the empty area is the face colour, the first caption leaves dark pixels.
  THeaderShot flat = ShootHeader(header);
  ASSERT_GT(flat.Height, 4);
  const Integer mid = flat.Height / 2;
  const DWORD face = Rgb(GetSysColor(COLOR_BTNFACE));
  ASSERT_GT(trailing.Rect.right - trailing.Rect.left, 12);
  for (Integer x = trailing.Rect.left + 4; x < trailing.Rect.right - 4; ++x) ASSERT_EQ(face, flat.At(x, mid)) << x;
  RECT first = Info(0).Rect;
  Integer dark = 0;
  for (Integer y = 2; y < flat.Height - 2; ++y)
    for (Integer x = first.left + 2; x < first.right - 2; ++x)
      if ((flat.At(x, y) & 0xFF) < 0x60) ++dark;
  EXPECT_GT(dark, 5);

  // Another look paints other section borders, and the change repaints the header.
  ValidateRect(header, nullptr);
  List->Style()->LookAndFeel()->SetKind(lfUltraFlat);
  RECT dirty{};
  EXPECT_TRUE(GetUpdateRect(header, &dirty, FALSE));
  Pump(20);
  EXPECT_FALSE(flat == ShootHeader(header));

  // A press on the second section marks it pressed until the button is released.
  RECT second = Info(1).Rect;
  const LPARAM at = MAKELPARAM((second.left + second.right) / 2, (second.top + second.bottom) / 2);
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_EQ(1, Inner->PressedHeaderItemIndex());
  EXPECT_EQ(3, Info(1).State);
  SendMessageW(header, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(-1, Inner->PressedHeaderItemIndex());
  EXPECT_EQ(1, Info(1).State);

  // A disabled control shows every section disabled.
  List->SetEnabled(false);
  for (Integer i = 0; i <= count; ++i) EXPECT_EQ(4, Info(i).State) << i;
  List->SetEnabled(true);

  // The window re-created with the control keeps a painted header.
  List->SetListViewStyle(lvsIcon);
  List->SetListViewStyle(lvsReport);
  Pump(20);
  EXPECT_EQ(ListView_GetHeader(Inner->Handle()), Inner->HeaderHandle());
}

// Rows come from the folder, and OnData sees each row's item filled before it changes it.
TEST_F(ShellListContainerTest, OwnerDataRowsReachOnDataFilledFromTheFolder) {
  std::vector<String> seen;
  Inner->OnData = [&](TObject*, TListItem* Item) {
    seen.push_back(Item->Caption());
    Item->SetCaption(L"<" + Item->Caption() + L">");
  };
  EXPECT_EQ(L"<beta.txt>", Inner->Items()->Item(1)->Caption());
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(L"beta.txt", seen.back());
  wchar_t buf[260] = {};
  ListView_GetItemText(Inner->Handle(), 0, 0, buf, 260);
  EXPECT_EQ(String(L"<alpha.txt>"), String(buf));
}

// A row's overlay image is the shell's overlay of the item, shown in the row's state.
TEST_F(ShellListContainerTest, TheOverlayOfARowIsTheShellsOverlayOfItsItem) {
  ASSERT_TRUE(PumpUntil([&] {
    TvxProducerReadLock lock(Inner->ItemProducer());
    for (auto& i : Inner->ItemProducer()->Items())
      if (!i->Updated()) return false;
    return true;
  }));
  for (Integer row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    Integer expected = -1, overlay = -1;
    {
      TvxProducerReadLock lock(Inner->ItemProducer());
      TvxShellItemInfo* item = Inner->ItemProducer()->Items()[row].get();
      SHFILEINFOW fi{};
      ASSERT_TRUE(SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item->FullPIDL()), 0, &fi, sizeof fi,
                                 SHGFI_PIDL | SHGFI_ICON | SHGFI_OVERLAYINDEX));
      if (fi.hIcon) DestroyIcon(fi.hIcon);
      expected = static_cast<Integer>((static_cast<DWORD>(fi.iIcon) >> 24) & 0xFF) - 1;
      overlay = vxShellGetOverlayIndex(item);
    }
    EXPECT_EQ(expected, overlay);
    EXPECT_EQ(static_cast<UINT>(INDEXTOOVERLAYMASK(expected + 1)),
              ListView_GetItemState(Inner->Handle(), row, LVIS_OVERLAYMASK));
  }
}

namespace {

class TRefusingBinding : public TvxCustomDataBinding {
 public:
  using TvxCustomDataBinding::TvxCustomDataBinding;
  void UpdateDataSource() override {
    ++Updates;
    if (Refuse) throw Exception(L"value refused");
  }
  bool Refuse = false;
  Integer Updates = 0;
  // Actions reach the binding after the control declined them.
  bool ExecuteAction(TBasicAction* Action) override {
    Actions.push_back(L"binding run " + Action->Name());
    return TakeActions;
  }
  bool UpdateAction(TBasicAction* Action) override {
    Actions.push_back(L"binding update " + Action->Name());
    return TakeActions;
  }
  bool TakeActions = false;
  std::vector<String> Actions;
};

// Works on the shell tree container only, as an action class for one kind of control does.
class TTreeAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
  std::vector<String>* Log = nullptr;
  bool HandlesTarget(TObject* Target) override { return dynamic_cast<TvxShellTreeView*>(Target) != nullptr; }
  void ExecuteTarget(TObject* Target) override { Log->push_back(L"run on " + static_cast<TComponent*>(Target)->Name()); }
  void UpdateTarget(TObject* Target) override {
    Log->push_back(L"update on " + static_cast<TComponent*>(Target)->Name());
  }
};

// Works on nothing: only a binding may take it.
class TNoTargetAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
};

class TBoundShellTree : public TvxShellTreeView {
 public:
  using TvxShellTreeView::TvxShellTreeView;
  TRefusingBinding* Binding = nullptr;

 protected:
  std::unique_ptr<TvxCustomDataBinding> CreateDataBinding() override {
    auto b = std::make_unique<TRefusingBinding>(this, this);
    Binding = b.get();
    return b;
  }
};

}  // namespace

// Leaving the tree hands its value to the binding first; a refusal keeps the focus in the
// tree and reports the error, an acceptance lets the focus go and fires OnExit.
TEST(ShellTreeContainer, LeavingUpdatesTheBindingAndARefusalKeepsTheFocus) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(40, 40, 500, 300);
  auto* tree = new TBoundShellTree(form.get());
  tree->AfterConstruction();
  tree->SetParent(form.get());
  tree->SetBounds(0, 0, 200, 280);
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetBounds(250, 10, 200, 24);
  ASSERT_TRUE(tree->Binding);
  Integer exits = 0;
  tree->OnExit = [&](TObject*) { ++exits; };
  std::vector<String> errors;
  Application->OnException = [&](TObject*, const Exception& E) { errors.push_back(E.Message()); };
  TScopeExit restore([] { Application->OnException = nullptr; });
  form->Show();
  Pump(60);
  tree->SetFocus();
  Pump(20);
  ASSERT_EQ(tree->InnerTreeView()->Handle(), GetFocus());

  tree->Binding->Refuse = true;
  edit->SetFocus();
  Pump(40);
  EXPECT_EQ(1, tree->Binding->Updates);
  EXPECT_EQ((std::vector<String>{L"value refused"}), errors);
  EXPECT_TRUE(GetFocus() == tree->InnerTreeView()->Handle() || GetFocus() == tree->Handle());
  EXPECT_EQ(0, exits);

  tree->Binding->Refuse = false;
  tree->SetFocus();
  Pump(20);
  edit->SetFocus();
  Pump(40);
  EXPECT_EQ(edit->Handle(), GetFocus());
  EXPECT_EQ(1, exits);
  EXPECT_GE(tree->Binding->Updates, 2);
  EXPECT_EQ(1u, errors.size());
  form.reset();
  Pump(20);
}

// An action reaches the shell tree through the focused inner control: the inner control
// declines it and asks the container's binding, then the container works on it itself or
// asks its binding in turn.
TEST(ShellTreeContainer, ActionsRunAndUpdateThroughTheControlThenItsBinding) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(40, 40, 500, 300);
  auto* tree = new TBoundShellTree(form.get());
  tree->AfterConstruction();
  tree->SetName(L"Folders");
  tree->SetParent(form.get());
  tree->SetBounds(0, 0, 200, 280);
  form->Show();
  SetForegroundWindow(form->Handle());
  Pump(60);
  tree->SetFocus();
  Pump(20);
  ASSERT_EQ(tree->InnerTreeView()->Handle(), GetFocus());
  std::vector<String>& log = tree->Binding->Actions;

  TTreeAction open(nullptr);
  open.SetName(L"Open");
  open.Log = &log;
  EXPECT_TRUE(open.Execute());
  EXPECT_TRUE(open.Update());
  EXPECT_EQ((std::vector<String>{L"binding run Open", L"run on Folders", L"binding update Open",
                                 L"update on Folders"}),
            log);

  log.clear();
  TNoTargetAction other(nullptr);
  other.SetName(L"Other");
  EXPECT_FALSE(other.Execute()) << "neither the controls nor the binding took it";
  EXPECT_EQ((std::vector<String>{L"binding run Other", L"binding run Other"}), log);
  log.clear();
  tree->Binding->TakeActions = true;
  EXPECT_TRUE(other.Execute());
  EXPECT_TRUE(other.Update());
  EXPECT_EQ((std::vector<String>{L"binding run Other", L"binding update Other"}), log);
  form.reset();
  Pump(20);
}

// The header shows a sort mark in a section whose description carries a sort order, as
// a program watching the list's window procedure may add: ascending and descending marks
// differ, other sections stay as they were, and without a sort order no mark is painted.
TEST_F(ShellListContainerTest, ASortOrderInTheSectionDescriptionPaintsTheSortMark) {
  List->Style()->LookAndFeel()->SetKind(lfStandard);
  List->Style()->LookAndFeel()->SetNativeStyle(false);
  List->SetListViewStyle(lvsReport);
  Pump(40);
  HWND header = Inner->HeaderHandle();
  ASSERT_TRUE(header);
  Byte order = 0;
  Inner->SetWindowProc([&, base = Inner->WindowProc()](TMessage& M) {
    base(M);
    if (M.Msg == WM_VXSHELL_HEADERITEMINFO && M.WParam == 0)
      reinterpret_cast<THeaderItemInfo*>(M.LParam)->SortOrder = order;
  });
  const RECT first = Info(0).Rect;
  ASSERT_GT(first.right - first.left, 40);
  // The mark's place: the 7 pixels ending 4 before the section's right edge.
  auto markPixels = [&](const THeaderShot& Shot) {
    std::vector<DWORD> r;
    for (Integer y = 2; y < Shot.Height - 2; ++y)
      for (Integer x = first.right - 11; x < first.right - 4; ++x) r.push_back(Shot.At(x, y));
    return r;
  };
  // The second section's pixels, which no sort order of the first may touch.
  const RECT second = Info(1).Rect;
  auto secondPixels = [&](const THeaderShot& Shot) {
    std::vector<DWORD> r;
    for (Integer y = 0; y < Shot.Height; ++y)
      for (Integer x = second.left; x < second.right; ++x) r.push_back(Shot.At(x, y));
    return r;
  };
  const THeaderShot plain = ShootHeader(header);
  order = 1;
  const THeaderShot up = ShootHeader(header);
  order = 2;
  const THeaderShot down = ShootHeader(header);
  EXPECT_NE(markPixels(plain), markPixels(up)) << "an ascending mark is painted";
  EXPECT_NE(markPixels(plain), markPixels(down)) << "a descending mark is painted";
  EXPECT_NE(markPixels(up), markPixels(down));
  EXPECT_EQ(secondPixels(plain), secondPixels(up));
  EXPECT_EQ(secondPixels(plain), secondPixels(down));
  order = 0;
  EXPECT_TRUE(plain == ShootHeader(header)) << "without a sort order nothing is left of the mark";
}

// The list keeps its icons arranged only when its icon options ask for it, also in a
// window made again.
TEST_F(ShellListContainerTest, AutoArrangeStyleFollowsTheIconOptions) {
  auto arranged = [&] { return (GetWindowLongW(Inner->Handle(), GWL_STYLE) & LVS_AUTOARRANGE) != 0; };
  EXPECT_FALSE(Inner->IconOptions()->AutoArrange());
  EXPECT_FALSE(arranged());
  Inner->IconOptions()->SetAutoArrange(true);
  EXPECT_TRUE(arranged());
  Inner->RecreateWnd();
  Pump(20);
  EXPECT_TRUE(arranged());
  Inner->IconOptions()->SetAutoArrange(false);
  EXPECT_FALSE(arranged());
}

}  // namespace ZS_UNITY_ID
