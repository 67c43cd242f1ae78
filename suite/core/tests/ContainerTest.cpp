// The container control on real windows: a container framing an edit control, its
// looks per state drawn from styles and a style controller, focus and Tab navigation,
// keyboard forwarding and refreshes that do not re-enter themselves.
#include <gtest/gtest.h>

#include "StdCtrls.h"
#include "Streaming.h"
#include "SuiteControlTestSupport.h"
#include "vxContainer.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// A container whose refresh step can ask for another refresh from inside itself.
class TProbeContainer : public TvxContainer {
  DECLARE_CLASS(TProbeContainer, TvxContainer)
 public:
  using TvxContainer::TvxContainer;
  using TvxContainer::KeyDown;
  using TvxContainer::SetComponentStateItem;
  int RefreshCount = 0;
  bool NestedRefresh = false;

 protected:
  bool RefreshViewInfoAt(const TPoint& P, TvxMouseButton AButton, TShiftState AShift, bool AIsMouseEvent) override {
    ++RefreshCount;
    if (NestedRefresh) ShortRefreshContainer(false);
    return TvxContainer::RefreshViewInfoAt(P, AButton, AShift, AIsMouseEvent);
  }
};

// An edit that names its container.
class TInnerEdit : public TEdit, public IvxContainerInnerControl {
  DECLARE_CLASS(TInnerEdit, TEdit)
 public:
  TInnerEdit(TComponent* AOwner, TvxContainer* AContainer) : TEdit(AOwner), FContainer(AContainer) {}
  TWinControl* GetControl() override { return this; }
  TvxContainer* GetControlContainer() override { return FContainer; }

 private:
  TvxContainer* FContainer;
};

struct ContainerTest : TFormFixture {
  TProbeContainer* Box = nullptr;
  TInnerEdit* Inner = nullptr;
  TEdit* Other = nullptr;

  void SetUp() override {
    TFormFixture::SetUp();
    Box = TvxContainer::Create<TProbeContainer>(Form);
    Box->Style()->SetBorderStyle(cbsSingle);
    Box->Style()->SetTransparentBorder(false);
    Box->Style()->SetBorderColor(clBlue);
    Box->SetBounds(10, 10, 120, 40);
    Inner = new TInnerEdit(Form, Box);
    Inner->SetBorderStyle(bsNone);
    Inner->SetParent(Box);
    Box->SetInnerControl(Inner);
    Box->SetParent(Form);
    Other = Add<TEdit>(Form, RECT{10, 100, 120, 124});
    Box->HandleNeeded();
    Pump(60);
  }
  void TearDown() override {
    SetGlobalContainerStyleController(nullptr);
    TFormFixture::TearDown();
  }
  COLORREF BorderPixel() {
    Box->Repaint();
    Pump(20);
    return TWindowPixels(Box->Handle()).At(0, Box->Height() / 2);
  }
  void FocusInner() {
    Inner->SetFocus();
    Pump(40);
  }
};

TEST_F(ContainerTest, InnerControlFillsTheClientRectAndTakesTheBackground) {
  const TRect& c = Box->ViewInfo()->ClientRect;
  EXPECT_EQ(c.left, 1);
  EXPECT_EQ(c.top, 1);
  EXPECT_EQ(c.right, 119);
  EXPECT_EQ(c.bottom, 39);
  RECT b = Inner->BoundsRect();
  EXPECT_TRUE(EqualRect(&b, &c));
  EXPECT_EQ(Inner->Color(), Box->ViewInfo()->BackgroundColor());
  EXPECT_EQ(BorderPixel(), Shown(clBlue));
}

TEST_F(ContainerTest, StylesFallBackOnTheControllerThenOnTheDefaults) {
  TColor window = Box->Style()->Color();
  EXPECT_EQ(ColorToRGB(window), ColorToRGB(clWindow)) << "no controller: the default colour";

  auto* controller = new TvxStyleController(Form);
  controller->Styles()->Style()->SetColor(clYellow);
  controller->Styles()->Style()->SetBorderColor(clFuchsia);
  Box->Style()->SetStyleController(controller);
  Pump(40);
  // Colour comes from the controller; the own border colour still wins.
  EXPECT_EQ(Box->ViewInfo()->BackgroundColor(), clYellow);
  EXPECT_EQ(Inner->Color(), clYellow);
  EXPECT_EQ(BorderPixel(), Shown(clBlue));
  Inner->Repaint();
  Pump(20);
  EXPECT_EQ(TWindowPixels(Inner->Handle()).At(Inner->Width() - 2, Inner->Height() - 2), Shown(clYellow));

  // A global default controller serves a container without its own one.
  Box->Style()->SetStyleController(nullptr);
  auto* global = new TvxStyleController(Form);
  global->Styles()->Style()->SetColor(clAqua);
  SetGlobalContainerStyleController(global);
  Box->Style()->SetStyleController(global);
  Box->ShortRefreshContainer(false);
  EXPECT_EQ(Box->ViewInfo()->BackgroundColor(), clAqua);

  // An own value wins over every controller.
  Box->Style()->SetColor(clLime);
  EXPECT_EQ(Box->ViewInfo()->BackgroundColor(), clLime);
  EXPECT_EQ(Box->Color(), clLime);
  SetGlobalContainerStyleController(nullptr);
  delete global;
  delete controller;
}

TEST_F(ContainerTest, FocusedHotAndDisabledLooks) {
  Box->StyleFocused()->SetBorderColor(clRed);
  Box->StyleHot()->SetBorderColor(clGreen);
  Box->StyleDisabled()->SetBorderColor(clGray);
  Box->StyleDisabled()->SetColor(clSilver);
  Other->SetFocus();
  MoveMouse(POINT{0, 0});
  Pump(40);
  EXPECT_EQ(BorderPixel(), Shown(clBlue));

  // Focusing the inner control alone turns the container to its focused look.
  FocusInner();
  EXPECT_TRUE(Box->Focused());
  EXPECT_TRUE(Box->ViewInfo()->ContainerState.Contains(csActive));
  EXPECT_EQ(BorderPixel(), Shown(clRed));

  // Hot look when the mouse is over the unfocused container; not with a button held.
  Other->SetFocus();
  Pump(40);
  EXPECT_EQ(BorderPixel(), Shown(clBlue));
  MoveMouse(ScreenPoint(Box, 60, 1));
  MoveMouse(ScreenPoint(Box, 61, 1));
  EXPECT_TRUE(Box->ViewInfo()->ContainerState.Contains(csHotTrack));
  EXPECT_EQ(BorderPixel(), Shown(clGreen));
  MoveMouse(POINT{0, 0});
  PumpUntil([&] { return !Box->ViewInfo()->ContainerState.Contains(csHotTrack); }, 1000);
  EXPECT_FALSE(Box->ViewInfo()->ContainerState.Contains(csHotTrack));
  Box->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 1));
  EXPECT_FALSE(Box->ViewInfo()->ContainerState.Contains(csHotTrack)) << "button held";

  Box->SetEnabled(false);
  Pump(20);
  EXPECT_TRUE(Box->ViewInfo()->ContainerState.Contains(csDisabled));
  EXPECT_EQ(Box->ViewInfo()->BackgroundColor(), clSilver);
  EXPECT_EQ(BorderPixel(), Shown(clGray));
}

TEST_F(ContainerTest, TabMovesFocusInAndOutOfTheContainer) {
  Box->SetFocus();
  Pump(40);
  EXPECT_EQ(GetFocus(), Inner->Handle()) << "the container hands the focus to its inner control";

  SendKey(VK_TAB, false);
  SendKey(VK_TAB, true);
  Pump(60);
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_FALSE(Box->Focused());

  SendKey(VK_SHIFT, false);
  SendKey(VK_TAB, false);
  SendKey(VK_TAB, true);
  SendKey(VK_SHIFT, true);
  Pump(60);
  EXPECT_EQ(GetFocus(), Inner->Handle());
  EXPECT_TRUE(Box->Focused());

  // Ctrl+Tab is not taken by the container.
  Word key = VK_TAB;
  Box->KeyDown(key, TShiftState{ssCtrl});
  EXPECT_EQ(key, VK_TAB);
  EXPECT_EQ(GetFocus(), Inner->Handle());
}

TEST_F(ContainerTest, KeyboardMessagesGoToTheInnerControl) {
  FocusInner();
  Box->Perform(WM_CHAR, L'q', 0);
  Box->Perform(WM_CHAR, L'z', 0);
  EXPECT_EQ(Inner->Text(), L"qz");
}

TEST_F(ContainerTest, RefreshDoesNotReenterItself) {
  Box->RefreshCount = 0;
  Box->NestedRefresh = true;
  Box->ShortRefreshContainer(false);
  EXPECT_EQ(Box->RefreshCount, 1);
  EXPECT_FALSE(Box->IsViewInfoCalculated()) << "a refresh asked for while one runs marks the view stale";
  Box->NestedRefresh = false;
  Box->CheckViewInfo();
  EXPECT_EQ(Box->RefreshCount, 2);
  EXPECT_TRUE(Box->IsViewInfoCalculated());

  // The private refresh message recomputes the look.
  Box->Style()->BeginUpdate();
  Box->Style()->SetBorderColor(clMaroon);
  Box->Style()->EndUpdate();
  Box->RefreshCount = 0;
  SendMessageW(Box->Handle(), VXM_REFRESHCONTAINER, 0, 0);
  EXPECT_GE(Box->RefreshCount, 1);
  EXPECT_EQ(BorderPixel(), Shown(clMaroon));
}

TEST_F(ContainerTest, ContainerColourAndNormalStyleStayInStep) {
  Box->SetColor(clFuchsia);
  EXPECT_TRUE(Box->Style()->AssignedValues().Contains(csvColor));
  EXPECT_EQ(Box->Style()->Color(), clFuchsia);
  EXPECT_EQ(Inner->Color(), clFuchsia);
  Box->Style()->SetColor(clTeal);
  EXPECT_EQ(Box->Color(), clTeal);
}

TEST_F(ContainerTest, FontSetByTheProgramOrReadFromAFormIsKept) {
  Box->Font()->SetSize(19);
  EXPECT_EQ(Box->Font()->Size(), 19);
  EXPECT_EQ(Box->Style()->Font()->Size(), 19);
  EXPECT_EQ(Inner->Font()->Size(), 19);
  EXPECT_FALSE(Box->ParentFont());

  // The same from a form file: the font the reader sets survives Loaded.
  RegisterClass(TvxContainer::StaticClass());
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  TextToComponent(L"object LoadedForm: TForm\r\n"
                  L"  object Loaded1: TvxContainer\r\n"
                  L"    Left = 4\r\n    Top = 4\r\n    Width = 100\r\n    Height = 30\r\n"
                  L"    Font.Height = -25\r\n    Font.Name = 'Arial'\r\n    ParentFont = False\r\n"
                  L"  end\r\n"
                  L"end\r\n",
                  form.get());
  auto* loaded = dynamic_cast<TvxContainer*>(form->FindComponent(L"Loaded1"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Font()->Height(), -25);
  EXPECT_EQ(loaded->Font()->Name(), L"Arial");
  EXPECT_FALSE(loaded->ParentFont());
}

TEST_F(ContainerTest, ScalingScalesTheFontOfTheNormalStyle) {
  Box->Style()->Font()->SetSize(10);
  ASSERT_TRUE(Box->Style()->AssignedValues().Contains(csvFont));
  static_cast<TControl*>(Box)->ChangeScale(3, 2);
  EXPECT_EQ(Box->Width(), 180);
  EXPECT_EQ(Box->Style()->Font()->Size(), 15);
  EXPECT_EQ(Box->Font()->Size(), 15);
  EXPECT_EQ(Inner->Font()->Size(), 15);

  // A font that comes from a controller is scaled once by the controller while the form
  // loads, and the style does not take a font of its own.
  auto* controller = new TvxStyleController(Form);
  controller->Styles()->Style()->Font()->SetSize(8);
  TvxContainerStyleValues none = Box->Style()->AssignedValues();
  none.Exclude(csvFont);
  Box->Style()->SetAssignedValues(none);
  Box->Style()->SetStyleController(controller);
  Box->SetComponentStateItem(csLoading, true);
  static_cast<TControl*>(Box)->ChangeScale(2, 1);
  static_cast<TControl*>(Box)->ChangeScale(2, 1);
  Box->SetComponentStateItem(csLoading, false);
  EXPECT_EQ(controller->Styles()->Style()->Font()->Size(), 16) << "scaled on the first call only";
  EXPECT_FALSE(Box->Style()->AssignedValues().Contains(csvFont));
  Box->Style()->SetStyleController(nullptr);
  delete controller;
}

TEST_F(ContainerTest, FindsTheContainerOfAControlOrWindow) {
  EXPECT_EQ(vxFindContainerOf(Box), Box);
  EXPECT_EQ(vxFindContainerOf(Inner), Box);
  EXPECT_EQ(vxFindContainerOf(Other), nullptr);
  EXPECT_EQ(vxFindContainerOf(nullptr), nullptr);
  EXPECT_TRUE(vxIsControlHandle(Box, Box->Handle()));
  EXPECT_FALSE(vxIsControlHandle(Box, Inner->Handle()));
  EXPECT_TRUE(vxIsControlHandle(Box, Inner->Handle(), true));
  EXPECT_FALSE(vxIsRelatedWindowHandle(Box, Box->Handle())) << "its own window is not related";
  EXPECT_FALSE(vxIsRelatedWindowHandle(nullptr, Inner->Handle()));
  EXPECT_FALSE(vxIsControlHandle(Box, Other->Handle(), true));
  // A plain child window of the inner control is related too.
  HWND grandChild = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 4, 4, Inner->Handle(), nullptr, nullptr,
                                    nullptr);
  EXPECT_TRUE(vxIsRelatedWindowHandle(Box, grandChild));
  EXPECT_FALSE(vxIsRelatedWindowHandle(Other, grandChild));
  DestroyWindow(grandChild);
}

TEST_F(ContainerTest, FreedInnerControlIsForgotten) {
  delete Inner;
  Inner = nullptr;
  EXPECT_EQ(Box->InnerControl(), nullptr);
  Box->ShortRefreshContainer(false);
  EXPECT_EQ(BorderPixel(), Shown(clBlue));
}

}  // namespace

namespace {

// A list box that names its container.
class TInnerList : public TListBox, public IvxContainerInnerControl {
  DECLARE_CLASS(TInnerList, TListBox)
 public:
  TInnerList(TComponent* AOwner, TvxContainer* AContainer) : TListBox(AOwner), FContainer(AContainer) {}
  TWinControl* GetControl() override { return this; }
  TvxContainer* GetControlContainer() override { return FContainer; }

 private:
  TvxContainer* FContainer;
};

// A container that mirrors its inner control's scroll bars (or, with Mirrors false, keeps
// the base behaviour that never shows its own).
class TScrollingContainer : public TvxContainer {
  DECLARE_CLASS(TScrollingContainer, TvxContainer)
 public:
  using TvxContainer::TvxContainer;
  bool Mirrors = true;

 protected:
  bool HasScrollBars() override { return Mirrors; }
};

TEST_F(ContainerTest, RegionCutsAChildThatSticksOutOfTheClientRect) {
  // The inner control lies wholly inside: no region.
  HRGN none = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(Inner->Handle(), none), ERROR);
  DeleteObject(none);
  auto* stray = new TEdit(Form);
  stray->SetBorderStyle(bsNone);
  stray->SetParent(Box);
  stray->HandleNeeded();
  stray->SetBounds(100, 5, 40, 20);  // the client rect ends at 119
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(stray->Handle(), rgn), SIMPLEREGION);
  RECT box;
  GetRgnBox(rgn, &box);
  DeleteObject(rgn);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 19);
  EXPECT_EQ(box.bottom, 20);
  // Pixels right of the client rect show the container's border, not the edit.
  Box->Repaint();
  stray->Repaint();
  Pump(30);
  EXPECT_EQ(TWindowPixels(Box->Handle()).At(119, 15), Shown(clBlue));
}

TEST_F(ContainerTest, ShadowShapesTheContainerWindow) {
  Box->Style()->SetShadow(true);
  Pump(20);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(Box->Handle(), rgn), ERROR);
  EXPECT_TRUE(PtInRegion(rgn, 5, 5));
  EXPECT_FALSE(PtInRegion(rgn, Box->Width() - 1, 0)) << "top right corner is transparent";
  EXPECT_FALSE(PtInRegion(rgn, 0, Box->Height() - 1)) << "bottom left corner is transparent";
  EXPECT_TRUE(PtInRegion(rgn, Box->Width() - 1, Box->Height() - 1));
  DeleteObject(rgn);
}

struct ScrollMirrorTest : TFormFixture {
  TScrollingContainer* Box = nullptr;
  TInnerList* List = nullptr;
  void Build(bool AMirrors) {
    Box = TvxContainer::Create<TScrollingContainer>(Form);
    Box->Mirrors = AMirrors;
    Box->Style()->SetBorderStyle(cbsSingle);
    Box->Style()->SetTransparentBorder(false);
    Box->SetBounds(10, 10, 150, 100);
    List = new TInnerList(Form, Box);
    List->SetParent(Box);
    Box->SetInnerControl(List);
    Box->SetParent(Form);
    for (int i = 0; i < 40; ++i) List->Items()->Add(L"item " + std::to_wstring(i));
    Box->UpdateScrollBarsParameters();
    Pump(60);
  }
};

TEST_F(ScrollMirrorTest, VerticalBarFollowsTheInnerList) {
  Build(true);
  ASSERT_NE(Box->VScrollBar(), nullptr);
  EXPECT_TRUE(Box->VScrollBar()->Visible());
  EXPECT_FALSE(Box->HScrollBar()->Visible());
  SCROLLINFO si{sizeof si, SIF_ALL};
  GetScrollInfo(List->Handle(), SB_VERT, &si);
  EXPECT_EQ(Box->VScrollBar()->Max(), si.nMax);
  EXPECT_EQ(Box->VScrollBar()->PageSize(), static_cast<Integer>(si.nPage));
  // The bar sits over the inner list's own bar.
  SCROLLBARINFO sbi{sizeof sbi};
  GetScrollBarInfo(List->Handle(), OBJID_VSCROLL, &sbi);
  POINT p{sbi.rcScrollBar.left, sbi.rcScrollBar.top};
  ScreenToClient(Box->Handle(), &p);
  EXPECT_EQ(Box->VScrollBar()->Left(), p.x);
  EXPECT_EQ(Box->VScrollBar()->Top(), p.y);

  SendMessageW(List->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  Box->UpdateScrollBarsParameters();
  Pump(40);
  GetScrollInfo(List->Handle(), SB_VERT, &si);
  EXPECT_GT(si.nPos, 0);
  EXPECT_EQ(Box->VScrollBar()->Position(), si.nPos);

  List->Items()->Clear();
  Box->UpdateScrollBarsParameters();
  Pump(40);
  EXPECT_FALSE(Box->VScrollBar()->Visible());
  EXPECT_FALSE(Box->SizeGripData().Visible);
}

TEST_F(ScrollMirrorTest, BaseContainerShowsNoBarsOfItsOwn) {
  Build(false);
  EXPECT_TRUE(Box->VScrollBar() == nullptr || !Box->VScrollBar()->Visible());
}

}  // namespace

namespace {

struct InnerListBoxTest : TFormFixture {
  TvxContainer* Box = nullptr;
  TvxCustomInnerListBox* List = nullptr;
  const std::wstring Clef = L"\U0001D11E";  // outside the basic plane: a surrogate pair
  void SetUp() override {
    TFormFixture::SetUp();
    Box = TvxContainer::Create<TvxContainer>(Form);
    Box->SetBounds(10, 10, 150, 120);
    List = new TvxCustomInnerListBox(Form);
    List->SetContainer(Box);
    List->SetParent(Box);
    Box->SetInnerControl(List);
    Box->SetParent(Form);
    for (const std::wstring& s : {std::wstring(L"apple"), std::wstring(L"banana"), std::wstring(L"bandana"),
                                  std::wstring(L"cherry"), Clef + L" clef", std::wstring(L"\u00e9clair")})
      List->Items()->Add(s);
    List->SetFocus();
    Pump(40);
  }
  void Type(const std::wstring& S) {
    for (wchar_t c : S) PostMessageW(List->Handle(), WM_CHAR, c, 0);
    Pump(30);
  }
};

// Tab and Shift+Tab from the inner control reach the controls on either side of the
// container, for an edit and for a list box inside it.
// A form of its own for each case of a table.
struct TOwnForm : TFormFixture {
  void TestBody() override {}
};

TEST(ContainerTabOrder, TabAndShiftTabLeaveAContainerFromItsInnerControl) {
  for (bool listBox : {false, true}) {
    SCOPED_TRACE(listBox ? "list box" : "edit");
    TOwnForm f;
    f.SetUp();
    TForm* Form = f.Form;
    auto* before = f.Add<TEdit>(Form, RECT{10, 10, 110, 32});
    auto* box = TvxContainer::Create<TvxContainer>(Form);
    box->SetBounds(10, 40, 120, 60);
    TWinControl* inner;
    if (listBox) {
      auto* list = new TvxCustomInnerListBox(Form);
      list->SetContainer(box);
      inner = list;
    } else {
      inner = new TInnerEdit(Form, box);
    }
    inner->SetParent(box);
    box->SetInnerControl(inner);
    box->SetParent(Form);
    auto* after = f.Add<TEdit>(Form, RECT{10, 110, 110, 132});
    Pump(40);

    inner->SetFocus();
    Pump(40);
    ASSERT_EQ(GetFocus(), inner->Handle());
    SendKey(VK_SHIFT, false);
    SendKey(VK_TAB, false);
    SendKey(VK_TAB, true);
    SendKey(VK_SHIFT, true);
    Pump(60);
    EXPECT_EQ(GetFocus(), before->Handle()) << "Shift+Tab goes to the control before the container";

    inner->SetFocus();
    Pump(40);
    SendKey(VK_TAB, false);
    SendKey(VK_TAB, true);
    Pump(60);
    EXPECT_EQ(GetFocus(), after->Handle()) << "Tab goes to the control after it";
    f.TearDown();
  }
}

TEST_F(InnerListBoxTest, TypingSelectsTheFirstItemStartingWithTheText) {
  EXPECT_TRUE(Box->Focused()) << "the container follows its inner list's focus";
  Type(L"band");
  EXPECT_EQ(List->AutoCompleteFilter(), L"band") << "each Latin letter is one character";
  EXPECT_EQ(List->ItemIndex(), 2);
  Type(L"\b\b\b");
  EXPECT_EQ(List->ItemIndex(), 1) << "b selects the first b-item again";
  // Letters from the upper half of Latin-1 are whole characters too.
  Sleep(List->AutoCompleteDelay() + 50);
  Type(L"\u00e9c");
  EXPECT_EQ(List->AutoCompleteFilter(), L"\u00e9c");
  EXPECT_EQ(List->ItemIndex(), 5);
}

TEST_F(InnerListBoxTest, SurrogatePairsAreJoinedAndRemovedWhole) {
  Type(Clef);
  EXPECT_EQ(List->AutoCompleteFilter(), Clef);
  EXPECT_EQ(List->ItemIndex(), 4);
  Type(L"\b");
  EXPECT_EQ(List->AutoCompleteFilter(), L"");
  EXPECT_EQ(List->ItemIndex(), 0) << "an empty search selects the first item";
}

TEST_F(InnerListBoxTest, PauseStartsANewSearch) {
  List->SetAutoCompleteDelay(100);
  Type(L"ch");
  EXPECT_EQ(List->ItemIndex(), 3);
  Sleep(150);
  Type(L"a");
  EXPECT_EQ(List->AutoCompleteFilter(), L"a");
  EXPECT_EQ(List->ItemIndex(), 0);
}

}  // namespace

// A container made with plain new (the program forgot AfterConstruction) still finishes
// its construction before it is first used, and shows and paints without hanging.
TEST_F(ContainerTest, ContainerMadeWithoutAfterConstructionShows) {
  auto* plain = new TvxContainer(Form);
  plain->SetBounds(150, 10, 80, 30);
  plain->SetParent(Form);
  plain->HandleNeeded();
  plain->Repaint();
  Pump(60);
  EXPECT_TRUE(plain->IsViewInfoCalculated());
  plain->Style()->SetBorderStyle(cbsSingle);
  plain->Style()->SetTransparentBorder(false);
  plain->Style()->SetBorderColor(clRed);
  plain->Repaint();
  Pump(30);
  EXPECT_EQ(TWindowPixels(plain->Handle()).At(0, plain->Height() / 2), Shown(clRed));
}

}  // namespace ZS_UNITY_ID
