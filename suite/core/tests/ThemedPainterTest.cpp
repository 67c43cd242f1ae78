#include <gtest/gtest.h>
#include <vssym32.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSurface.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vxLookAndFeelPainters.h"

namespace ZS_UNITY_ID {

using zs_test::TestSurface;

namespace {

constexpr COLORREF Grey = RGB(192, 192, 192);

TvxCustomLookAndFeelPainterClass XP() { return TvxWinXPLookAndFeelPainter::Instance(); }
TvxCustomLookAndFeelPainterClass Standard() { return TvxStandardLookAndFeelPainter::Instance(); }

HTHEME Theme(TvdThemedObjectType AType) { return vdOpenThemeByType(AType); }

// The pixels of a drawing made on a fresh grey surface.
template <class F>
std::vector<DWORD> Drawn(int w, int h, F draw) {
  TestSurface s(w, h, Grey);
  draw(s);
  return s.Pixels();
}

// The pixels of one part drawn by the theme itself.
std::vector<DWORD> PartDrawn(int w, int h, TvdThemedObjectType AType, int APart, int AState, const RECT& R) {
  return Drawn(w, h, [&](TestSurface& s) {
    vdUxTheme::DrawThemeBackground(Theme(AType), s.dc, APart, AState, &R, nullptr);
  });
}

int Differences(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
  int n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if ((a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF)) ++n;
  return n;
}

// The ways a painter loses its theme: visual styles switched off for the window the
// themes are opened for, opening failing, visual styles off altogether.
enum TThemeLoss { tlWindowThemeOff, tlOpenFails, tlThemesOff };

class ThemeLossScope {
 public:
  explicit ThemeLossScope(TThemeLoss ALoss) {
    vdCloseAllThemes();
    FRealOpen = vdUxTheme::Function(vdUxTheme::fnOpenThemeData);
    RealOpen = FRealOpen;
    switch (ALoss) {
      case tlWindowThemeOff: {
        FWindow = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        auto setTheme = reinterpret_cast<HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR)>(
            reinterpret_cast<void*>(vdUxTheme::Function(vdUxTheme::fnSetWindowTheme)));
        // Blank names turn visual styles off for the window (this platform refuses empty ones).
        Result = setTheme ? setTheme(FWindow, L" ", L" ") : E_FAIL;
        Window = FWindow;
        vdUxTheme::SetFunction(vdUxTheme::fnOpenThemeData,
                               reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&OpenForWindow)));
        break;
      }
      case tlOpenFails:
        vdUxTheme::SetFunction(vdUxTheme::fnOpenThemeData,
                               reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FailingOpen)));
        break;
      case tlThemesOff:
        vdThemeManagerEnabled = false;
        break;
    }
  }
  ~ThemeLossScope() {
    vdThemeManagerEnabled = true;
    vdCloseAllThemes();
    vdUxTheme::SetFunction(vdUxTheme::fnOpenThemeData, FRealOpen);
    if (FWindow) DestroyWindow(FWindow);
  }
  ThemeLossScope(const ThemeLossScope&) = delete;
  ThemeLossScope& operator=(const ThemeLossScope&) = delete;
  HRESULT Result = S_OK;

 private:
  static inline FARPROC RealOpen = nullptr;
  static inline HWND Window = nullptr;
  static HTHEME WINAPI OpenForWindow(HWND, LPCWSTR AClassList) {
    return reinterpret_cast<HTHEME(WINAPI*)(HWND, LPCWSTR)>(reinterpret_cast<void*>(RealOpen))(Window, AClassList);
  }
  static HTHEME WINAPI FailingOpen(HWND, LPCWSTR) { return nullptr; }
  FARPROC FRealOpen = nullptr;
  HWND FWindow = nullptr;
};

const char* LossName(TThemeLoss ALoss) {
  return ALoss == tlWindowThemeOff ? "window theme off" : ALoss == tlOpenFails ? "open fails" : "themes off";
}

class ThemedPainter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vdThemeManagerEnabled) << "the platform's visual style is expected to be active";
    ASSERT_NE(Theme(totButton), nullptr);
  }
};

TEST_F(ThemedPainter, ElementsAreDrawnByTheVisualStyle) {
  const RECT box{2, 2, 15, 15}, button{2, 2, 40, 24}, arrow{2, 2, 19, 19};
  struct Case {
    const char* name;
    std::function<void(TvxCanvas*)> draw;
    TvdThemedObjectType type;
    int part, state;
    RECT r;
  };
  const Case cases[] = {
      {"hot checked check box",
       [&](TvxCanvas* c) { XP()->DrawCheck(c, box, vxbsHot, true, clRed); }, totButton, BP_CHECKBOX, CBS_CHECKEDHOT,
       box},
      {"disabled unchecked check box",
       [&](TvxCanvas* c) { XP()->DrawCheck(c, box, vxbsDisabled, false, clRed); }, totButton, BP_CHECKBOX,
       CBS_UNCHECKEDDISABLED, box},
      {"default push button", [&](TvxCanvas* c) { XP()->DrawButton(c, button, String(), vxbsDefault); }, totButton,
       BP_PUSHBUTTON, PBS_DEFAULTED, button},
      {"pressed tool button",
       [&](TvxCanvas* c) { XP()->DrawButton(c, button, String(), vxbsPressed, true, clDefault, clDefault, false, true); },
       totToolBar, TP_BUTTON, 3, button},
      {"down arrow", [&](TvxCanvas* c) { XP()->DrawArrow(c, arrow, vxbsHot, adDown); }, totScrollBar, SBP_ARROWBTN,
       ABS_DOWNHOT, arrow},
      {"vertical page up",
       [&](TvxCanvas* c) {
         TRect r = button;
         XP()->DrawScrollBarPart(c, false, r, sbpPageUp, vxbsNormal);
       },
       totScrollBar, SBP_UPPERTRACKVERT, 1, button},
      {"vertical page down",
       [&](TvxCanvas* c) {
         TRect r = button;
         XP()->DrawScrollBarPart(c, false, r, sbpPageDown, vxbsPressed);
       },
       totScrollBar, SBP_LOWERTRACKVERT, 3, button},
      {"horizontal page up",
       [&](TvxCanvas* c) {
         TRect r = button;
         XP()->DrawScrollBarPart(c, true, r, sbpPageUp, vxbsNormal);
       },
       totScrollBar, SBP_UPPERTRACKHORZ, 1, button},
      {"expanded tree glyph", [&](TvxCanvas* c) { XP()->DrawExpandButton(c, box, true); }, totTreeview, TVP_GLYPH,
       GLPS_OPENED, box},
      {"disabled group box",
       [&](TvxCanvas* c) {
         TRect r = button;
         XP()->DrawGroupBoxFrame(c, r, false, vxgpTop, vxBordersAll);
       },
       totButton, BP_GROUPBOX, GBS_DISABLED, button},
      {"combo drop-down",
       [&](TvxCanvas* c) {
         TRect r = arrow;
         XP()->DrawFilterDropDownButton(c, r, vxbsHot, false);
       },
       totComboBox, CP_DROPDOWNBUTTON, 2, arrow},
      {"scheduler navigator button",
       [&](TvxCanvas* c) {
         TRect r = button;
         XP()->DrawSchedulerNavigatorButton(c, r, vxbsHot);
       },
       totToolBar, TP_BUTTON, 5, button},
  };
  for (const Case& c : cases) {
    const auto painted = Drawn(48, 28, [&](TestSurface& s) { c.draw(s.vx.get()); });
    const auto themed = PartDrawn(48, 28, c.type, c.part, c.state, c.r);
    EXPECT_EQ(Differences(painted, themed), 0) << c.name;
    EXPECT_GT(Differences(painted, Drawn(48, 28, [](TestSurface&) {})), 0) << c.name << " draws something";
  }
  // Really themed: the check box does not look like the Standard one.
  const auto standard = Drawn(20, 20, [&](TestSurface& s) { Standard()->DrawCheckButton(s.vx.get(), box, vxbsNormal, true); });
  const auto themed = Drawn(20, 20, [&](TestSurface& s) { XP()->DrawCheckButton(s.vx.get(), box, vxbsNormal, true); });
  EXPECT_GT(Differences(standard, themed), 0);
  EXPECT_EQ(Differences(themed, PartDrawn(20, 20, totButton, BP_CHECKBOX, CBS_CHECKEDNORMAL, box)), 0)
      << "a themed check box takes the whole rect: no border";
}

TEST_F(ThemedPainter, RadioButtonsAndTheirSizeComeFromTheTheme) {
  SIZE part{};
  ASSERT_HRESULT_SUCCEEDED(
      vdUxTheme::GetThemePartSize(Theme(totButton), nullptr, BP_RADIOBUTTON, 1, nullptr, TS_TRUE, &part));
  EXPECT_EQ(XP()->RadioButtonSize().cx, part.cx);
  EXPECT_EQ(XP()->RadioButtonSize().cy, part.cy);
  const int states[][3] = {{vxbsNormal, 0, RBS_UNCHECKEDNORMAL}, {vxbsHot, 1, RBS_CHECKEDHOT},
                           {vxbsPressed, 1, RBS_CHECKEDPRESSED}, {vxbsDisabled, 0, RBS_UNCHECKEDDISABLED},
                           {vxbsDefault, 1, RBS_CHECKEDNORMAL}};
  for (const auto& st : states) {
    const auto painted = Drawn(20, 20, [&](TestSurface& s) {
      XP()->DrawRadioButton(s.vx.get(), 3, 4, static_cast<TvxButtonState>(st[0]), st[1] != 0, false, clDefault);
    });
    const auto themed = PartDrawn(20, 20, totButton, BP_RADIOBUTTON, st[2], RECT{3, 4, 3 + part.cx, 4 + part.cy});
    EXPECT_EQ(Differences(painted, themed), 0) << "state " << st[0];
  }
}

TEST_F(ThemedPainter, MetricsAskTheTheme) {
  HTHEME button = Theme(totButton);
  RECT content{};
  const RECT r100{0, 0, 100, 100};
  ASSERT_HRESULT_SUCCEEDED(
      vdUxTheme::GetThemeBackgroundContentRect(button, nullptr, BP_PUSHBUTTON, PBS_NORMAL, &r100, &content));
  EXPECT_EQ(XP()->ButtonBorderSize(vxbsNormal), content.left);
  const TRect group = XP()->ButtonGroupBorderSizes(3, 1);
  const int shift = vdUxTheme::IsThemeBackgroundPartiallyTransparent(button, BP_PUSHBUTTON, 1) ? 1 : 0;
  EXPECT_EQ(group.left, content.left - shift);
  EXPECT_EQ(group.bottom, 100 - content.bottom - shift);
  SIZE check{};
  vdUxTheme::GetThemePartSize(button, nullptr, BP_CHECKBOX, CBS_CHECKEDNORMAL, nullptr, TS_TRUE, &check);
  EXPECT_EQ(XP()->CheckButtonSize().cx, check.cx);
  EXPECT_EQ(XP()->FilterActivateButtonSize().y, check.cy);
  EXPECT_EQ(XP()->CheckBorderSize(), 0);
  EXPECT_EQ(XP()->BorderSize(), 1);
  SIZE glyph{};
  vdUxTheme::GetThemePartSize(Theme(totTreeview), nullptr, TVP_GLYPH, GLPS_OPENED, nullptr, TS_TRUE, &glyph);
  EXPECT_EQ(XP()->ExpandButtonSize(), glyph.cx);
  EXPECT_EQ(XP()->SmallExpandButtonSize(), glyph.cx);
  SIZE close{};
  vdUxTheme::GetThemePartSize(Theme(totWindow), nullptr, WP_SMALLCLOSEBUTTON, 1, nullptr, TS_TRUE, &close);
  EXPECT_EQ(XP()->FilterCloseButtonSize().x, close.cx + 4);
  EXPECT_GE(XP()->ScrollBarMinimalThumbSize(true), 8);
  EXPECT_GE(XP()->ScrollBarMinimalThumbSize(false), 8);
  EXPECT_GE(XP()->HeaderBorderSize(), 1);
  EXPECT_EQ(XP()->HeaderControlSectionBorderSize(vxbsNormal), XP()->HeaderBorderSize());
  EXPECT_TRUE(XP()->IsDrawTabImplemented(false));
  EXPECT_TRUE(XP()->IsTabHotTrack(false));
  EXPECT_TRUE(XP()->NeedRedrawOnResize());
  EXPECT_EQ(XP()->LookAndFeelStyle(), lfsNative);
  EXPECT_EQ(vxStyleToLookAndFeelKind(XP()->LookAndFeelStyle()), lfStandard);
  COLORREF text = 0;
  if (SUCCEEDED(vdUxTheme::GetThemeColor(button, BP_PUSHBUTTON, PBS_HOT, TMT_TEXTCOLOR, &text))) {
    EXPECT_EQ(static_cast<COLORREF>(XP()->ButtonSymbolColor(vxbsHot)), text);
  }
  EXPECT_EQ(XP()->ButtonColor(vxbsNormal), clBtnFace) << "the theme defines no fill here: the Standard colour";
}

TEST_F(ThemedPainter, VerticalTabIsTheHorizontalOneTurned) {
  const int w = 40, h = 20;
  TestSurface horizontal(w, w, Grey), vertical(w, w, Grey);
  TRect hr{0, 0, w, h}, vr{0, 0, h, w};
  XP()->DrawTab(horizontal.vx.get(), hr, TvxBorders{bLeft, bTop, bRight}, String(), vxbsHot, false, nullptr, clBlack,
                clBtnFace);
  XP()->DrawTab(vertical.vx.get(), vr, TvxBorders{bLeft, bTop, bBottom}, String(), vxbsHot, true, nullptr, clBlack,
                clBtnFace);
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (horizontal.At(x, y) != vertical.At(y, x)) ++wrong;
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(horizontal.CountNot(RECT{0, 0, w, h}, Grey), 0) << "the tab was drawn";
}

TEST_F(ThemedPainter, FramesAndPanesStayInsideTheirRects) {
  // The list-view border leaves its inside alone and matches the part along the edge.
  const RECT r{4, 4, 40, 30};
  TestSurface border(48, 36, Grey);
  TRect br = r;
  XP()->DrawBorder(border.vx.get(), br);
  EXPECT_EQ(border.CountNot(RECT{5, 5, 39, 29}, Grey), 0);
  const auto part = PartDrawn(48, 36, totListView, 5, 0, r);
  int edgeWrong = 0;
  for (int x = r.left; x < r.right; ++x)
    if ((border.Raw(x, r.top) & 0xFFFFFF) != (part[r.top * 48 + x] & 0xFFFFFF)) ++edgeWrong;
  EXPECT_EQ(edgeWrong, 0);
  EXPECT_EQ(border.vx->SavedDCCount(), 0) << "the device context state is restored";

  // The tab pane is drawn enlarged but clipped to its rect.
  TestSurface pane(48, 36, Grey);
  XP()->DrawTabsRoot(pane.vx.get(), r, vxBordersAll, false);
  EXPECT_EQ(pane.CountNot(RECT{0, 0, 48, 4}, Grey) + pane.CountNot(RECT{0, 30, 48, 36}, Grey) +
                pane.CountNot(RECT{40, 0, 48, 36}, Grey) + pane.CountNot(RECT{0, 0, 4, 36}, Grey),
            0);
  EXPECT_GT(pane.CountNot(r, Grey), 0);

  // The size grip: the background first, the size box on top.
  TestSurface grip(20, 20, Grey);
  XP()->DrawSizeGrip(grip.vx.get(), TRect{0, 0, 20, 20}, clLime);
  const auto box = Drawn(20, 20, [](TestSurface& s) {
    s.vx->FillRect(TRect{0, 0, 20, 20}, clLime);
    const RECT all{0, 0, 20, 20};
    vdUxTheme::DrawThemeBackground(Theme(totScrollBar), s.dc, SBP_SIZEBOX, 1, &all, nullptr);
  });
  EXPECT_EQ(Differences(grip.Pixels(), box), 0);

  // The footer border is the edit theme's raised inner edge.
  TestSurface footer(48, 36, Grey);
  XP()->DrawFooterBorder(footer.vx.get(), r);
  const auto edge = Drawn(48, 36, [&](TestSurface& s) {
    RECT rr = r;
    vdUxTheme::DrawThemeEdge(Theme(totEdit), s.dc, 0, 0, &rr, BDR_RAISEDINNER, BF_RECT, nullptr);
  });
  EXPECT_EQ(Differences(footer.Pixels(), edge), 0);
  EXPECT_GT(footer.CountNot(r, Grey), 0);
}

// DrawThemeText is observed through a recorder standing in for the library's function.
struct TextCall {
  String text;
  DWORD flags;
  RECT rect;
};
std::vector<TextCall> TextCalls;
HRESULT WINAPI RecordingDrawThemeText(HTHEME, HDC, int, int, LPCWSTR text, int count, DWORD flags, DWORD,
                                      LPCRECT rect) {
  TextCalls.push_back({count < 0 ? String(text) : String(text, count), flags, *rect});
  return S_OK;
}

TEST_F(ThemedPainter, ThemedTextFlags) {
  const FARPROC real = vdUxTheme::Function(vdUxTheme::fnDrawThemeText);
  vdUxTheme::SetFunction(vdUxTheme::fnDrawThemeText,
                         reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordingDrawThemeText)));
  struct Case {
    TAlignment horz;
    TvxAlignmentVert vert;
    bool multiLine, ellipsis, prefix;
    DWORD flags;
  };
  const Case cases[] = {
      {taLeftJustify, vaTop, false, false, false, DT_EDITCONTROL | DT_NOPREFIX | DT_SINGLELINE},
      {taRightJustify, vaBottom, false, true, true, DT_RIGHT | DT_BOTTOM | DT_EDITCONTROL | DT_END_ELLIPSIS | DT_SINGLELINE},
      {taCenter, vaCenter, true, false, false, DT_CENTER | DT_VCENTER | DT_EDITCONTROL | DT_NOPREFIX | DT_WORDBREAK},
  };
  TestSurface s(100, 60);
  TextCalls.clear();
  for (const Case& c : cases)
    static_cast<const TvxWinXPLookAndFeelPainter*>(XP())->DrawThemedText(
        s.vx.get(), Theme(totHeader), HP_HEADERITEM, 1, TRect{0, 0, 100, 60}, TRect{0, 0, 100, 20}, c.horz, c.vert,
        c.multiLine, c.ellipsis, c.prefix, L"Caption", nullptr, clBlack, clWhite);
  static_cast<const TvxWinXPLookAndFeelPainter*>(XP())->DrawThemedText(
      s.vx.get(), Theme(totHeader), HP_HEADERITEM, 1, TRect{}, TRect{0, 0, 100, 20}, taLeftJustify, vaTop, false,
      false, false, String(), nullptr, clBlack, clWhite);
  // A pressed header's text moves by one pixel.
  XP()->DrawHeader(s.vx.get(), TRect{0, 0, 60, 20}, TRect{4, 2, 56, 18}, {}, vxBordersAll, vxbsPressed, taLeftJustify,
                   vaCenter, false, false, L"Head", nullptr, clBlack, clBtnFace);
  vdUxTheme::SetFunction(vdUxTheme::fnDrawThemeText, real);
  ASSERT_EQ(TextCalls.size(), 4u) << "empty text is not drawn";
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(TextCalls[i].flags, cases[i].flags) << "case " << i;
    EXPECT_EQ(TextCalls[i].text, L"Caption");
  }
  EXPECT_EQ(TextCalls[3].text, L"Head");
  EXPECT_EQ(TextCalls[3].rect.left, 5);
  EXPECT_EQ(TextCalls[3].rect.top, 3);
  EXPECT_EQ(TextCalls[3].flags & DT_NOPREFIX, static_cast<DWORD>(DT_NOPREFIX));
}

TEST_F(ThemedPainter, WithoutATheme) {
  for (TThemeLoss loss : {tlWindowThemeOff, tlOpenFails, tlThemesOff}) {
    SCOPED_TRACE(LossName(loss));
    ThemeLossScope scope(loss);
    ASSERT_HRESULT_SUCCEEDED(scope.Result);
    ASSERT_EQ(vdOpenThemeByType(totButton), nullptr);

    // Drawing falls back to the Standard look.
    const TRect box{2, 2, 15, 15}, button{2, 2, 40, 24};
    struct Pair {
      const char* name;
      std::function<void(TvxCustomLookAndFeelPainterClass, TvxCanvas*)> draw;
    };
    const Pair pairs[] = {
        {"check box", [&](auto p, TvxCanvas* c) { p->DrawCheckButton(c, box, vxbsNormal, true); }},
        {"push button", [&](auto p, TvxCanvas* c) { p->DrawButton(c, button, String(), vxbsPressed); }},
        {"arrow", [&](auto p, TvxCanvas* c) { p->DrawArrow(c, button, vxbsNormal, adLeft); }},
        {"expand button", [&](auto p, TvxCanvas* c) { p->DrawExpandButton(c, TRect{2, 2, 14, 14}, false); }},
        {"border",
         [&](auto p, TvxCanvas* c) {
           TRect r = button;
           p->DrawBorder(c, r);
         }},
        {"header",
         [&](auto p, TvxCanvas* c) {
           p->DrawHeader(c, button, button, {}, vxBordersAll, vxbsNormal, taLeftJustify, vaTop, false, false,
                         String(), nullptr, clBtnText, clBtnFace);
         }},
        {"scroll thumb",
         [&](auto p, TvxCanvas* c) {
           TRect r = button;
           p->DrawScrollBarPart(c, true, r, sbpThumbnail, vxbsNormal);
         }},
        {"footer border", [&](auto p, TvxCanvas* c) { p->DrawFooterBorder(c, button); }},
        {"group box",
         [&](auto p, TvxCanvas* c) {
           TRect r = button;
           p->DrawGroupBoxFrame(c, r, true, vxgpTop, vxBordersAll);
         }},
    };
    for (const Pair& pair : pairs) {
      const auto xp = Drawn(48, 28, [&](TestSurface& s) { pair.draw(XP(), s.vx.get()); });
      const auto standard = Drawn(48, 28, [&](TestSurface& s) { pair.draw(Standard(), s.vx.get()); });
      EXPECT_EQ(Differences(xp, standard), 0) << pair.name;
    }

    // Radio buttons come from the shared images of the Standard look, at their size.
    TvxRadioButtonImageList* list = vxGetRadioButtonImageList();
    EXPECT_EQ(XP()->RadioButtonSize().cx, list->GetSize().cx);
    EXPECT_EQ(XP()->RadioButtonSize().cy, list->GetSize().cy);
    for (TvxButtonState state : {vxbsDefault, vxbsNormal, vxbsHot, vxbsPressed, vxbsDisabled}) {
      const auto xp = Drawn(20, 20, [&](TestSurface& s) {
        XP()->DrawRadioButton(s.vx.get(), 2, 2, state, true, false, clDefault);
      });
      const auto images = Drawn(20, 20, [&](TestSurface& s) {
        list->Draw(s.vx.get(), 2, 2, clDefault, lfStandard, state, true, false, false);
      });
      EXPECT_EQ(Differences(xp, images), 0) << "radio state " << state;
      EXPECT_GT(Differences(xp, Drawn(20, 20, [](TestSurface&) {})), 0);
    }
    // The date-navigator header has no fallback.
    const auto header = Drawn(30, 20, [&](TestSurface& s) {
      TRect r{0, 0, 30, 20};
      XP()->DrawDateNavigatorDateHeader(s.vx.get(), r);
    });
    EXPECT_EQ(Differences(header, Drawn(30, 20, [](TestSurface&) {})), 0);

    // Metrics: the fallbacks, and the values the theme never decided.
    EXPECT_EQ(XP()->BorderSize(), 2);
    EXPECT_EQ(XP()->CheckBorderSize(), 2);
    EXPECT_EQ(XP()->ExpandButtonSize(), 12);
    EXPECT_EQ(XP()->GroupExpandButtonSize(), 15);
    EXPECT_EQ(XP()->ScrollBarMinimalThumbSize(true), 8);
    EXPECT_EQ(XP()->FilterCloseButtonSize().x, 16);
    EXPECT_EQ(XP()->FilterCloseButtonSize().y, 14);
    EXPECT_EQ(XP()->CheckButtonSize().cx, Standard()->CheckButtonSize().cx);
    for (TvxButtonState state : {vxbsDefault, vxbsNormal, vxbsPressed})
      EXPECT_EQ(XP()->ButtonBorderSize(state), 2) << "state " << state;
    EXPECT_EQ(XP()->ButtonTextOffset(), 2);
    EXPECT_EQ(XP()->ButtonTextShift(), 0);
    EXPECT_TRUE(XP()->IsButtonHotTrack());
    EXPECT_TRUE(XP()->IsHeaderHotTrack());
    EXPECT_FALSE(XP()->DrawExpandButtonFirst());
    EXPECT_FALSE(XP()->FooterDrawCellsFirst());
    EXPECT_EQ(XP()->HeaderBorderSize(), 1);
    EXPECT_EQ(XP()->HeaderControlSectionBorderSize(vxbsNormal), 1);
    EXPECT_EQ(Standard()->HeaderControlSectionBorderSize(vxbsNormal), 2);
    EXPECT_EQ(XP()->DefaultSchedulerViewContentColor(), static_cast<TColor>(RGB(255, 255, 213)));
    EXPECT_EQ(XP()->DefaultSchedulerBorderColor(), Standard()->DefaultSchedulerBorderColor());
    EXPECT_EQ(XP()->ButtonColor(vxbsHot), clBtnFace);
    EXPECT_EQ(XP()->ButtonSymbolColor(vxbsNormal), clBtnText);
    EXPECT_FALSE(XP()->IsDrawTabImplemented(false));
    EXPECT_EQ(XP()->LookAndFeelStyle(), lfsNative);

    // The Office11 look borrows nothing then: Standard scroll bars, its own group box.
    const auto officeScroll = Drawn(48, 28, [&](TestSurface& s) {
      TRect r = button;
      TvxOffice11LookAndFeelPainter::Instance()->DrawScrollBarPart(s.vx.get(), false, r, sbpLineUp, vxbsNormal);
    });
    const auto standardScroll = Drawn(48, 28, [&](TestSurface& s) {
      TRect r = button;
      Standard()->DrawScrollBarPart(s.vx.get(), false, r, sbpLineUp, vxbsNormal);
    });
    EXPECT_EQ(Differences(officeScroll, standardScroll), 0);
    const auto officeBox = Drawn(48, 28, [&](TestSurface& s) {
      TRect r = button;
      TvxOffice11LookAndFeelPainter::Instance()->DrawGroupBoxFrame(s.vx.get(), r, true, vxgpTop, vxBordersAll);
    });
    const auto ultraBox = Drawn(48, 28, [&](TestSurface& s) {
      TRect r = button;
      TvxUltraFlatLookAndFeelPainter::Instance()->DrawGroupBoxFrame(s.vx.get(), r, true, vxgpTop, vxBordersAll);
    });
    EXPECT_EQ(Differences(officeBox, ultraBox), 0);
  }
  EXPECT_NE(Theme(totButton), nullptr) << "the theme opens again afterwards";
}

TEST_F(ThemedPainter, Office11BorrowsTheThemedScrollBarsAndGroupBoxes) {
  const RECT r{2, 2, 40, 24};
  const auto office = Drawn(48, 28, [&](TestSurface& s) {
    TRect rr = r;
    TvxOffice11LookAndFeelPainter::Instance()->DrawScrollBarPart(s.vx.get(), false, rr, sbpThumbnail, vxbsHot);
  });
  const auto xp = Drawn(48, 28, [&](TestSurface& s) {
    TRect rr = r;
    XP()->DrawScrollBarPart(s.vx.get(), false, rr, sbpThumbnail, vxbsHot);
  });
  EXPECT_EQ(Differences(office, xp), 0);
  EXPECT_EQ(Differences(office, PartDrawn(48, 28, totScrollBar, SBP_THUMBBTNVERT, SCRBS_HOT, r)), 0)
      << "the gripper of Wine's theme draws nothing over the thumb";
  const auto box = Drawn(48, 28, [&](TestSurface& s) {
    TRect rr = r;
    TvxOffice11LookAndFeelPainter::Instance()->DrawGroupBoxFrame(s.vx.get(), rr, true, vxgpTop, vxBordersAll);
  });
  EXPECT_EQ(Differences(box, PartDrawn(48, 28, totButton, BP_GROUPBOX, GBS_NORMAL, r)), 0);
}

}  // namespace

}  // namespace ZS_UNITY_ID
