#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "ControlsTestSupport.h"
#include "Forms.h"
#include "Streaming.h"
#include "SysUtils.h"
#include "vxContainerStyles.h"

namespace ZS_UNITY_ID {

namespace {

using TStyles = std::unique_ptr<TvxContainerStyles>;

TvxContainerStyleClass BaseStyleClass() { return TvxContainerStyle::ClassOf<TvxContainerStyle>(); }

TStyles NewStyles(TPersistent* AOwner = nullptr) {
  return std::make_unique<TvxContainerStyles>(AOwner, BaseStyleClass());
}

// Counts a style's change events.
struct TEventCounter {
  int Count = 0;
  TObject* LastSender = nullptr;
  TNotifyEvent Handler() {
    return [this](TObject* Sender) {
      ++Count;
      LastSender = Sender;
    };
  }
};

bool Listens(TvxStyleController* AController, TvxContainerStyle* AStyle) {
  for (Integer i = 0; i < AController->ListenerCount(); ++i)
    if (AController->Listeners(i) == AStyle) return true;
  return false;
}

// Every test starts and ends without a default controller.
struct ContainerStyles : ::testing::Test {
  void SetUp() override { SetGlobalContainerStyleController(nullptr); }
  void TearDown() override { SetGlobalContainerStyleController(nullptr); }
};

// --- Values of a style set without any controller ------------------------------------------------------

TEST_F(ContainerStyles, FallbacksOfTheNormalAndStateStyles) {
  TStyles set = NewStyles();
  TvxContainerStyle* normal = set->Style();
  TvxContainerStyle* focused = set->StyleFocused();
  TvxContainerStyle* disabled = set->StyleDisabled();
  TvxContainerStyle* hot = set->StyleHot();

  EXPECT_TRUE(normal->IsBaseStyle());
  EXPECT_FALSE(focused->IsBaseStyle());
  EXPECT_EQ(focused->BaseStyle(), normal);
  EXPECT_EQ(hot->State(), csHotTrack);
  EXPECT_EQ(normal->Container(), nullptr);

  EXPECT_EQ(normal->BorderColor(), clWindowFrame);
  EXPECT_EQ(focused->BorderColor(), clWindowFrame);
  EXPECT_EQ(disabled->BorderColor(), clBtnShadow);
  EXPECT_EQ(disabled->TextColor(), clBtnShadow);
  EXPECT_EQ(normal->TextColor(), normal->Font()->Color());
  EXPECT_EQ(hot->TextColor(), normal->TextColor());
  // No container: the colours of a control that takes its parent's colour.
  EXPECT_EQ(normal->Color(), clBtnFace);
  EXPECT_EQ(disabled->Color(), clBtnFace);

  // Base-only values: the state styles show the normal style's.
  for (TvxContainerStyle* s : {normal, focused, disabled, hot}) {
    EXPECT_TRUE(s->Edges() == vxBordersAll);
    EXPECT_TRUE(s->HotTrack());
    EXPECT_FALSE(s->Shadow());
    EXPECT_TRUE(s->TransparentBorder());
    EXPECT_EQ(s->Font(), normal->Font());
    EXPECT_TRUE(s->HasBorder());
    EXPECT_EQ(s->LookAndFeel(), normal->LookAndFeel());
  }
  for (TvxContainerStyleValue v = 0; v < 10; ++v) EXPECT_FALSE(focused->IsValueAssigned(v)) << v;
}

TEST_F(ContainerStyles, BorderStyleFallbacks) {
  TStyles set = NewStyles();
  TvxContainerStyle* normal = set->Style();
  const struct {
    TvxLookAndFeelKind Kind;
    TvxContainerBorderStyle Style;
  } kinds[] = {{lfFlat, cbsFlat}, {lfStandard, cbs3D}, {lfUltraFlat, cbsUltraFlat}, {lfOffice11, cbsOffice11}};
  for (const auto& k : kinds) {
    normal->LookAndFeel()->SetKind(k.Kind);
    EXPECT_EQ(normal->BorderStyle(), k.Style) << k.Kind;
  }

  // Focused and hot-tracked styles raise the border one step while hot tracking is on;
  // the disabled style keeps the normal style's border.
  const struct {
    TvxContainerBorderStyle Normal, Raised;
  } rows[] = {{cbsNone, cbsFlat},     {cbsSingle, cbsThick},        {cbsThick, cbsThick},
              {cbsFlat, cbs3D},       {cbs3D, cbs3D},               {cbsUltraFlat, cbsUltraFlat},
              {cbsOffice11, cbsOffice11}};
  for (const auto& r : rows) {
    normal->SetHotTrack(true);
    normal->SetBorderStyle(r.Normal);
    EXPECT_EQ(set->StyleFocused()->BorderStyle(), r.Raised) << r.Normal;
    EXPECT_EQ(set->StyleHot()->BorderStyle(), r.Raised) << r.Normal;
    EXPECT_EQ(set->StyleDisabled()->BorderStyle(), r.Normal) << r.Normal;
    normal->SetHotTrack(false);
    EXPECT_EQ(set->StyleFocused()->BorderStyle(), r.Normal) << r.Normal;
    EXPECT_EQ(set->StyleHot()->BorderStyle(), r.Normal) << r.Normal;
  }
}

TEST_F(ContainerStyles, StateValuesStayApartBaseOnlyValuesGoToTheNormalStyle) {
  TStyles set = NewStyles();
  TvxContainerStyle* normal = set->Style();
  TvxContainerStyle* focused = set->StyleFocused();

  focused->SetBorderColor(clRed);
  focused->SetColor(clLime);
  focused->SetTextColor(clBlue);
  focused->SetTextStyle(TFontStyles{fsItalic});
  EXPECT_EQ(focused->BorderColor(), clRed);
  EXPECT_EQ(normal->BorderColor(), clWindowFrame);
  EXPECT_EQ(normal->Color(), clBtnFace);
  EXPECT_TRUE(normal->TextStyle().Empty());
  EXPECT_TRUE(focused->AssignedValues() ==
              (TvxContainerStyleValues{csvBorderColor, csvColor, csvTextColor, csvTextStyle}));
  EXPECT_TRUE(normal->AssignedValues().Empty());

  focused->SetEdges(TvxBorders{bLeft, bTop});
  focused->SetShadow(true);
  focused->SetHotTrack(false);
  focused->SetTransparentBorder(false);
  EXPECT_TRUE(normal->Edges() == (TvxBorders{bLeft, bTop}));
  EXPECT_TRUE(normal->Shadow());
  EXPECT_FALSE(normal->HotTrack());
  EXPECT_FALSE(normal->TransparentBorder());
  EXPECT_TRUE(set->StyleHot()->Shadow());
  EXPECT_TRUE(normal->AssignedValues() ==
              (TvxContainerStyleValues{csvEdges, csvShadow, csvHotTrack, csvTransparentBorder}));

  TFont f;
  f.SetSize(17);
  focused->SetFont(&f);
  EXPECT_EQ(normal->Font()->Size(), 17);
  EXPECT_TRUE(normal->AssignedValues().Contains(csvFont));
  EXPECT_FALSE(focused->AssignedValues().Contains(csvFont));
}

// --- Controllers ---------------------------------------------------------------------------------------

TEST_F(ContainerStyles, ValuesComeFromTheControllerStyleOfTheSameState) {
  TvxStyleController ctrl(nullptr);
  ctrl.Styles()->StyleFocused()->SetColor(clRed);
  ctrl.Styles()->Style()->SetBorderColor(clBlue);
  TStyles set = NewStyles();
  set->Style()->SetStyleController(&ctrl);

  EXPECT_EQ(set->Style()->StyleController(), &ctrl);
  EXPECT_EQ(set->StyleFocused()->StyleController(), &ctrl);
  EXPECT_EQ(set->StyleFocused()->ActiveStyleController(), &ctrl);
  ASSERT_EQ(ctrl.ListenerCount(), 1);
  EXPECT_EQ(ctrl.Listeners(0), set->Style());
  EXPECT_EQ(set->Style()->LookAndFeel()->MasterLookAndFeel(), ctrl.Styles()->Style()->LookAndFeel());

  EXPECT_EQ(set->StyleFocused()->Color(), clRed);
  EXPECT_TRUE(set->StyleFocused()->IsValueAssigned(csvColor));
  EXPECT_FALSE(set->StyleFocused()->AssignedValues().Contains(csvColor));
  EXPECT_FALSE(set->Style()->IsValueAssigned(csvColor));
  EXPECT_EQ(set->Style()->Color(), clBtnFace);
  // The normal style's value from the controller, and the state styles' fallback to it.
  EXPECT_EQ(set->Style()->BorderColor(), clBlue);
  EXPECT_EQ(set->StyleHot()->BorderColor(), clBlue);
  EXPECT_EQ(set->StyleDisabled()->BorderColor(), clBtnShadow);
  // An own value wins.
  set->StyleFocused()->SetColor(clLime);
  EXPECT_EQ(set->StyleFocused()->Color(), clLime);

  // A chain: the controller's normal style has a controller of its own.
  TvxStyleController upper(nullptr);
  upper.Styles()->Style()->SetBorderStyle(cbs3D);
  upper.Styles()->StyleDisabled()->SetTextColor(clMaroon);
  ctrl.Styles()->Style()->SetStyleController(&upper);
  EXPECT_EQ(set->Style()->BorderStyle(), cbs3D);
  EXPECT_EQ(set->StyleDisabled()->TextColor(), clMaroon);
  EXPECT_EQ(ctrl.FakeStyleController(), &upper);

  // The controller's look and feel is the master of the listeners'.
  ctrl.Styles()->Style()->LookAndFeel()->SetKind(lfFlat);
  upper.Styles()->Style()->SetAssignedValues(TvxContainerStyleValues());
  EXPECT_EQ(set->Style()->BorderStyle(), cbsFlat);

  set->Style()->SetStyleController(nullptr);
  EXPECT_EQ(ctrl.ListenerCount(), 0);
  EXPECT_EQ(set->Style()->ActiveStyleController(), nullptr);
  EXPECT_EQ(set->Style()->LookAndFeel()->MasterLookAndFeel(), vxGetRootLookAndFeel());
}

TEST_F(ContainerStyles, TheDefaultControllerIsUsedButNotShown) {
  auto* global = new TvxStyleController(nullptr);
  SetGlobalContainerStyleController(global);
  global->Styles()->StyleFocused()->SetTextColor(clRed);
  // The default controller's own styles never get a controller.
  EXPECT_EQ(global->Styles()->Style()->ActiveStyleController(), nullptr);

  TStyles set = NewStyles();
  EXPECT_EQ(set->Style()->ActiveStyleController(), global);
  EXPECT_EQ(set->Style()->StyleController(), nullptr);
  EXPECT_EQ(set->StyleFocused()->TextColor(), clRed);

  // Another controller's own normal style falls back on the default as well.
  TvxStyleController other(nullptr);
  EXPECT_TRUE(Listens(global, other.Styles()->Style()));
  set->Style()->SetStyleController(&other);
  EXPECT_EQ(set->Style()->StyleController(), &other);
  EXPECT_FALSE(Listens(global, set->Style()));
  EXPECT_TRUE(Listens(&other, set->Style()));
  set->Style()->SetStyleController(nullptr);
  EXPECT_EQ(set->Style()->ActiveStyleController(), global);
  EXPECT_EQ(set->Style()->StyleController(), nullptr);
  EXPECT_TRUE(Listens(global, set->Style()));
  EXPECT_EQ(other.ListenerCount(), 0);

  TvxContainerStyle* gone = set->Style();
  set.reset();
  EXPECT_FALSE(Listens(global, gone));
  delete global;
}

TEST_F(ContainerStyles, ControllerCyclesAreRefused) {
  TvxStyleController a(nullptr), b(nullptr), c(nullptr);
  a.Styles()->Style()->SetStyleController(&b);
  b.Styles()->Style()->SetStyleController(&a);
  EXPECT_EQ(b.Styles()->Style()->StyleController(), nullptr);
  // Its own controller.
  a.Styles()->Style()->SetStyleController(&a);
  EXPECT_EQ(a.Styles()->Style()->StyleController(), &b);
  // Through three: c -> a -> b, then b -> c closes the circle.
  c.Styles()->Style()->SetStyleController(&a);
  b.Styles()->Style()->SetStyleController(&c);
  EXPECT_EQ(b.Styles()->Style()->StyleController(), nullptr);
  // A state style forwards the request to the normal style: the same test applies.
  b.Styles()->StyleHot()->SetStyleController(&c);
  EXPECT_EQ(b.Styles()->Style()->StyleController(), nullptr);
}

TEST_F(ContainerStyles, RemovedControllerHandsItsStylesToTheDefault) {
  auto* global = new TvxStyleController(nullptr);
  SetGlobalContainerStyleController(global);
  TStyles set = NewStyles();
  TEventCounter events;
  set->SetOnChanged(events.Handler());
  {
    TvxStyleController local(nullptr);
    local.Styles()->Style()->SetColor(clRed);
    set->Style()->SetStyleController(&local);
    EXPECT_EQ(set->Style()->Color(), clRed);
    events.Count = 0;
  }
  EXPECT_EQ(set->Style()->ActiveStyleController(), global);
  EXPECT_EQ(global->ListenerCount(), 1);
  EXPECT_EQ(set->Style()->Color(), clBtnFace);
  EXPECT_GE(events.Count, 1);
  set.reset();
  delete global;
}

// The default controller going away: its styles must not keep it.
TEST_F(ContainerStyles, RemovingTheDefaultControllerDetachesItsStyles) {
  auto* global = new TvxStyleController(nullptr);
  global->Styles()->Style()->SetColor(clRed);
  SetGlobalContainerStyleController(global);
  TStyles first = NewStyles();
  TStyles second = NewStyles();
  TEventCounter events;
  first->SetOnChanged(events.Handler());
  EXPECT_EQ(first->Style()->Color(), clRed);
  ASSERT_EQ(global->ListenerCount(), 2);

  delete global;
  EXPECT_EQ(GlobalContainerStyleController(), nullptr);
  for (TvxContainerStyles* set : {first.get(), second.get()}) {
    EXPECT_EQ(set->Style()->ActiveStyleController(), nullptr);
    EXPECT_EQ(set->StyleFocused()->ActiveStyleController(), nullptr);
    EXPECT_EQ(set->Style()->StyleController(), nullptr);
    EXPECT_EQ(set->Style()->LookAndFeel()->MasterLookAndFeel(), vxGetRootLookAndFeel());
  }
  // The styles heard of it and resolve without the controller.
  EXPECT_GE(events.Count, 1);
  EXPECT_EQ(first->Style()->Color(), clBtnFace);
  EXPECT_FALSE(first->Style()->IsValueAssigned(csvColor));
  first->Style()->SetBorderColor(clLime);
  EXPECT_EQ(first->Style()->BorderColor(), clLime);
  // Styles made afterwards have no controller either.
  TStyles third = NewStyles();
  EXPECT_EQ(third->Style()->ActiveStyleController(), nullptr);
}

TEST_F(ContainerStyles, ANewDefaultControllerLetsGoOfTheOldOne) {
  auto* old = new TvxStyleController(nullptr);
  SetGlobalContainerStyleController(old);
  auto* replacement = new TvxStyleController(nullptr);
  TvxContainerStyle* own = replacement->Styles()->Style();
  EXPECT_EQ(own->ActiveStyleController(), old);
  SetGlobalContainerStyleController(replacement);
  // The old default goes: the new default's own style may take no controller, so it
  // drops the old one.
  delete old;
  EXPECT_EQ(own->ActiveStyleController(), nullptr);
  EXPECT_EQ(GlobalContainerStyleController(), replacement);
  delete replacement;
  EXPECT_EQ(GlobalContainerStyleController(), nullptr);
}

TEST_F(ContainerStyles, AListenerMayLeaveWhileTheControllerNotifies) {
  TvxStyleController ctrl(nullptr), other(nullptr);
  TStyles a = NewStyles(), b = NewStyles();
  a->Style()->SetStyleController(&ctrl);
  b->Style()->SetStyleController(&ctrl);
  TEventCounter bEvents;
  b->SetOnChanged(bEvents.Handler());
  // The first listener moves itself to another controller when it hears; the second
  // one must hear all the same.
  a->SetOnChanged([&](TObject*) { a->Style()->SetStyleController(&other); });
  ctrl.Styles()->Style()->SetColor(clRed);
  EXPECT_EQ(a->Style()->ActiveStyleController(), &other);
  EXPECT_EQ(ctrl.ListenerCount(), 1);
  EXPECT_EQ(b->Style()->Color(), clRed);
  EXPECT_EQ(bEvents.Count, 1);
}

// A style family that keeps its own reference to the controller it falls back on (as an
// editor unit does), which may still name the controller while it is being freed.
TvxStyleController* KeptDefaultController = nullptr;

class TKeptDefaultStyle : public TvxContainerStyle {
  DECLARE_CLASS(TKeptDefaultStyle, TvxContainerStyle)
 public:
  using TvxContainerStyle::TvxContainerStyle;

 protected:
  TvxStyleController* InitialStyleController() override { return KeptDefaultController; }
};

TEST_F(ContainerStyles, RemovingAFallbackControllerStillNamedByTheStylesDetachesThem) {
  KeptDefaultController = new TvxStyleController(nullptr);
  TvxContainerStyles set(nullptr, TvxContainerStyle::ClassOf<TKeptDefaultStyle>());
  EXPECT_EQ(set.Style()->ActiveStyleController(), KeptDefaultController);
  EXPECT_EQ(set.Style()->StyleController(), nullptr);
  EXPECT_EQ(KeptDefaultController->ListenerCount(), 1);

  // Freed before the reference is cleared: asking for the fallback again would give back
  // the controller that is going away.
  delete KeptDefaultController;
  EXPECT_EQ(set.Style()->ActiveStyleController(), nullptr);
  KeptDefaultController = nullptr;
  set.Style()->SetStyleController(nullptr);
  EXPECT_EQ(set.Style()->ActiveStyleController(), nullptr);
}

// --- Notifications -------------------------------------------------------------------------------------

TEST_F(ContainerStyles, ChangeNotifications) {
  TStyles set = NewStyles();
  TvxContainerStyle* normal = set->Style();
  TEventCounter events;
  set->SetOnChanged(events.Handler());

  normal->BeginUpdate();
  normal->SetBorderColor(clRed);
  normal->SetBorderStyle(cbsThick);
  normal->SetColor(clLime);
  normal->SetEdges(TvxBorders{bLeft});
  normal->SetHotTrack(false);
  normal->SetShadow(true);
  normal->SetTextColor(clBlue);
  normal->SetTextStyle(TFontStyles{fsBold});
  normal->SetTransparentBorder(false);
  TFont f;
  normal->SetFont(&f);
  EXPECT_EQ(events.Count, 0);
  normal->EndUpdate();
  EXPECT_EQ(events.Count, 1);
  EXPECT_EQ(events.LastSender, normal);
  normal->EndUpdate();  // unbalanced: nothing
  EXPECT_EQ(events.Count, 1);

  // Values assigned already and equal: no event.
  normal->SetBorderColor(clRed);
  normal->SetColor(clLime);
  normal->SetTextColor(clBlue);
  normal->SetEdges(TvxBorders{bLeft});
  EXPECT_EQ(events.Count, 1);

  // A state style's own event; a base-only value set through it reports on the base.
  events.Count = 0;
  set->StyleFocused()->SetColor(clRed);
  EXPECT_EQ(events.LastSender, set->StyleFocused());
  set->StyleFocused()->SetShadow(false);
  EXPECT_EQ(events.LastSender, normal);
  EXPECT_EQ(events.Count, 2);

  // A look-and-feel change and a font change of the normal style.
  events.Count = 0;
  normal->LookAndFeel()->SetKind(lfOffice11);
  EXPECT_EQ(events.Count, 1);
  normal->Font()->SetSize(21);
  EXPECT_EQ(events.Count, 2);
}

TEST_F(ContainerStyles, ControllerChangesReachItsListeners) {
  TvxStyleController ctrl(nullptr);
  TEventCounter controllerEvents;
  ctrl.OnStyleChanged = controllerEvents.Handler();
  TStyles a = NewStyles(), b = NewStyles();
  a->Style()->SetStyleController(&ctrl);
  b->Style()->SetStyleController(&ctrl);
  TEventCounter aEvents, bEvents;
  a->SetOnChanged(aEvents.Handler());
  b->SetOnChanged(bEvents.Handler());

  ctrl.Styles()->StyleHot()->SetBorderColor(clRed);
  EXPECT_EQ(controllerEvents.Count, 1);
  EXPECT_EQ(controllerEvents.LastSender, &ctrl);
  EXPECT_EQ(aEvents.Count, 1);
  EXPECT_EQ(bEvents.Count, 1);
  EXPECT_EQ(aEvents.LastSender, a->Style());
  EXPECT_EQ(a->StyleHot()->BorderColor(), clRed);

  ctrl.Loaded();
  EXPECT_EQ(controllerEvents.Count, 2);
  EXPECT_EQ(aEvents.Count, 2);

  ctrl.RestoreStyles();
  EXPECT_FALSE(a->StyleHot()->IsValueAssigned(csvBorderColor));
}

// --- Fonts ---------------------------------------------------------------------------------------------

TEST_F(ContainerStyles, OwnFontFollowsTheControllerFontUntilAssigned) {
  TvxStyleController ctrl(nullptr);
  ctrl.Styles()->Style()->Font()->SetSize(19);
  ASSERT_TRUE(ctrl.Styles()->Style()->AssignedValues().Contains(csvFont));
  TStyles set = NewStyles();
  TvxContainerStyle* normal = set->Style();
  normal->SetStyleController(&ctrl);
  EXPECT_EQ(normal->Font()->Size(), 19);
  EXPECT_TRUE(normal->IsValueAssigned(csvFont));
  EXPECT_FALSE(normal->AssignedValues().Contains(csvFont));

  // A later change of the controller font reaches the listener.
  ctrl.Styles()->Style()->Font()->SetName(L"Arial");
  EXPECT_EQ(normal->Font()->Name(), L"Arial");

  // An own font stays.
  TFont own;
  own.SetSize(7);
  normal->SetFont(&own);
  ctrl.Styles()->Style()->Font()->SetSize(30);
  EXPECT_EQ(normal->Font()->Size(), 7);

  // Without the assignment the controller font comes back.
  normal->SetAssignedValues(TvxContainerStyleValues());
  EXPECT_EQ(normal->Font()->Size(), 30);
  EXPECT_FALSE(normal->AssignedValues().Contains(csvFont));
}

TEST_F(ContainerStyles, RestoringDefaultsResetsTheFontWithoutAssigningIt) {
  TStyles set = NewStyles();
  TvxContainerStyle* normal = set->Style();
  const TFont defaults;
  normal->Font()->SetSize(defaults.Size() + 9);
  normal->SetBorderColor(clRed);
  normal->LookAndFeel()->SetKind(lfStandard);
  set->StyleDisabled()->SetColor(clRed);
  set->RestoreDefaults();
  EXPECT_EQ(normal->Font()->Size(), defaults.Size());
  EXPECT_TRUE(normal->AssignedValues().Empty());
  EXPECT_TRUE(set->StyleDisabled()->AssignedValues().Empty());
  EXPECT_TRUE(normal->LookAndFeel()->AssignedValues().Empty());
  EXPECT_EQ(normal->BorderColor(), clWindowFrame);
}

TEST_F(ContainerStyles, VisibleFontCarriesTextColorAndStyle) {
  TStyles set = NewStyles();
  set->Style()->Font()->SetName(L"Arial");
  set->StyleFocused()->SetTextColor(clRed);
  set->StyleFocused()->SetTextStyle(TFontStyles{fsBold, fsUnderline});
  TFont* visible = set->StyleFocused()->GetVisibleFont();
  EXPECT_EQ(visible->Name(), L"Arial");
  EXPECT_EQ(visible->Color(), clRed);
  EXPECT_TRUE(visible->Style() == (TFontStyles{fsBold, fsUnderline}));
  EXPECT_NE(visible, set->Style()->Font());
  EXPECT_EQ(set->Style()->Font()->Color(), TFont().Color());
  // The disabled style: the fallback text colour.
  EXPECT_EQ(set->StyleDisabled()->GetVisibleFont()->Color(), clBtnShadow);
}

TEST_F(ContainerStyles, ControllerFontIsScaledOnce) {
  TvxStyleController fonts(nullptr), plain(nullptr);
  fonts.Styles()->Style()->Font()->SetSize(8);
  plain.Styles()->Style()->SetStyleController(&fonts);
  // The controller without a font passes the call on.
  plain.ScaleStyleFont(3, 2);
  EXPECT_EQ(fonts.Styles()->Style()->Font()->Size(), 12);
  fonts.ScaleStyleFont(3, 2);
  plain.ScaleStyleFont(3, 2);
  EXPECT_EQ(fonts.Styles()->Style()->Font()->Size(), 12);
}

// --- Direct access, names, copying -------------------------------------------------------------------

TEST_F(ContainerStyles, DirectAccessStyleIsABareValueHolder) {
  std::unique_ptr<TvxContainerStyle> d(TvxContainerStyle::Create<TvxContainerStyle>(nullptr, true, nullptr, csNormal));
  TEventCounter events;
  d->OnChanged = events.Handler();
  EXPECT_TRUE(d->DirectAccessMode());
  TvxContainerStyleValues all;
  for (Integer i = 0; i < 10; ++i) all.Include(i);
  EXPECT_TRUE(d->AssignedValues() == all);
  EXPECT_EQ(d->BorderColor(), clDefault);
  EXPECT_TRUE(d->Edges().Empty());
  EXPECT_FALSE(d->Shadow());
  EXPECT_TRUE(d->TransparentBorder());
  EXPECT_TRUE(d->HotTrack());
  EXPECT_EQ(d->BorderStyle(), cbsUltraFlat);
  EXPECT_EQ(d->Font(), nullptr);

  d->StyleData.Color = clRed;
  d->StyleData.FontColor = clBlue;
  EXPECT_EQ(d->Color(), clRed);
  EXPECT_EQ(d->ResolvedColor(), clRed);
  EXPECT_EQ(d->TextColor(), clBlue);
  TFont f;
  f.SetStyle(TFontStyles{fsItalic});
  d->SetFont(&f);
  EXPECT_EQ(d->Font(), &f);
  EXPECT_TRUE(d->TextStyle() == TFontStyles{fsItalic});
  d->SetHotTrack(false);
  d->SetBorderStyle(cbs3D);
  EXPECT_FALSE(d->HotTrack());
  EXPECT_EQ(d->BorderStyle(), cbs3D);
  EXPECT_EQ(events.Count, 0);
  EXPECT_EQ(d->ActiveStyleController(), nullptr);
}

TEST_F(ContainerStyles, ValueNamesAndPublishedChecks) {
  TStyles set = NewStyles();
  TvxContainerStyle* s = set->Style();
  EXPECT_EQ(s->GetStyleValueCount(), 10);
  const wchar_t* names[] = {L"BorderColor", L"BorderStyle", L"Color",     L"Edges",     L"Font",
                            L"HotTrack",    L"Shadow",      L"TextColor", L"TextStyle", L"TransparentBorder"};
  String name;
  for (Integer i = 0; i < 10; ++i) {
    EXPECT_TRUE(s->GetStyleValueName(i, name));
    EXPECT_EQ(name, names[i]);
    TvxContainerStyleValue v = -1;
    EXPECT_TRUE(s->GetStyleValue(UpperCase(names[i]), v));
    EXPECT_EQ(v, i);
  }
  name = L"x";
  EXPECT_FALSE(s->GetStyleValueName(10, name));
  EXPECT_TRUE(name.empty());
  EXPECT_FALSE(s->GetStyleValueName(-1, name));
  TvxContainerStyleValue v;
  EXPECT_FALSE(s->GetStyleValue(L"Nothing", v));
  EXPECT_FALSE(s->IsValueAssigned(10));

  const struct {
    const wchar_t* Name;
    bool Published;
  } checks[] = {{L"Font", false},        {L"LookAndFeel", false}, {L"StyleController", false},
                {L"BorderColor", true},  {L"edges", false},       {L"TransparentBorder", false},
                {L"TextStyle", true},    {L"Unknown", true}};
  for (const auto& c : checks) EXPECT_EQ(s->IsExtendedStylePropertyPublished(c.Name), c.Published) << c.Name;
}

TEST_F(ContainerStyles, AssignCopiesValuesIntoTheExistingStyles) {
  TStyles source = NewStyles(), target = NewStyles();
  TvxStyleController ctrl(nullptr);
  TvxContainerStyle* s = source->Style();
  s->SetStyleController(&ctrl);
  s->SetBorderStyle(cbsFlat);
  s->SetShadow(true);
  s->SetTextColor(clRed);
  s->Font()->SetSize(15);
  s->LookAndFeel()->SetKind(lfStandard);
  source->StyleHot()->SetColor(clBlue);

  TvxContainerStyle* normalBefore = target->Style();
  TEventCounter events;
  target->SetOnChanged(events.Handler());
  target->SetStyle(s);
  target->SetStyleHot(source->StyleHot());
  EXPECT_EQ(target->Style(), normalBefore);
  EXPECT_EQ(events.Count, 2);
  EXPECT_EQ(target->Style()->StyleController(), &ctrl);
  EXPECT_EQ(target->Style()->BorderStyle(), cbsFlat);
  EXPECT_TRUE(target->Style()->Shadow());
  EXPECT_EQ(target->Style()->TextColor(), clRed);
  EXPECT_EQ(target->Style()->Font()->Size(), 15);
  EXPECT_EQ(target->Style()->LookAndFeel()->Kind(), lfStandard);
  EXPECT_TRUE(target->Style()->AssignedValues() == s->AssignedValues());
  EXPECT_EQ(target->StyleHot()->Color(), clBlue);

  // From a bare value holder: its font and text colour.
  std::unique_ptr<TvxContainerStyle> d(TvxContainerStyle::Create<TvxContainerStyle>(nullptr, true, nullptr, csNormal));
  TFont f;
  f.SetName(L"Arial");
  d->SetFont(&f);
  d->StyleData.FontColor = clGreen;
  target->Style()->Assign(d.get());
  EXPECT_EQ(target->Style()->Font()->Name(), L"Arial");
  EXPECT_EQ(target->Style()->Font()->Color(), clGreen);
  EXPECT_EQ(target->Style()->TextColor(), clGreen);

  TFont notAStyle;
  EXPECT_THROW(target->Style()->Assign(&notAStyle), EConvertError);
}

// --- With a container ----------------------------------------------------------------------------------

// A real control that owns a style set and answers what the styles ask of a container.
class TStyledControl : public TCustomControl, public IvxStyledContainer {
  DECLARE_CLASS(TStyledControl, TCustomControl)
 public:
  explicit TStyledControl(TComponent* AOwner) : TCustomControl(AOwner) {
    Styles = std::make_unique<TvxContainerStyles>(this, BaseStyleClass());
  }
  bool IsInplace() override { return Inplace; }
  bool UsesParentColorByDefault() override { return ParentColorByDefault; }
  bool IsStylePropertyPublished(const String& APropertyName, bool AExtendedStyle) override {
    if (AExtendedStyle && !Styles->Style()->IsExtendedStylePropertyPublished(APropertyName)) return false;
    return Hidden.count(APropertyName) == 0;
  }
  bool Inplace = false;
  bool ParentColorByDefault = false;
  std::set<String> Hidden;
  std::unique_ptr<TvxContainerStyles> Styles;
};

struct StyledContainerFixture : vx_test::TFormFixture {
  TStyledControl* C = nullptr;
  void SetUp() override {
    SetGlobalContainerStyleController(nullptr);
    vx_test::TFormFixture::SetUp();
    Form->SetColor(clYellow);
    C = Add<TStyledControl>(Form, RECT{10, 10, 110, 40});
  }
};

TEST_F(StyledContainerFixture, ColourPrecedenceWithTheParentColour) {
  TvxContainerStyle* normal = C->Styles->Style();
  EXPECT_EQ(normal->Container(), static_cast<IvxStyledContainer*>(C));
  C->SetParentColor(true);
  EXPECT_EQ(normal->Color(), clYellow);
  EXPECT_EQ(normal->ResolvedColor(), clYellow);
  // An assigned colour: the parent still wins for Color, the assignment for ResolvedColor.
  normal->SetColor(clRed);
  EXPECT_EQ(normal->Color(), clYellow);
  EXPECT_EQ(normal->ResolvedColor(), clRed);
  // Not taking the parent's colour.
  C->SetParentColor(false);
  EXPECT_EQ(normal->Color(), clRed);
  normal->SetAssignedValues(TvxContainerStyleValues());
  EXPECT_EQ(normal->Color(), clWindow);
  EXPECT_EQ(C->Styles->StyleDisabled()->Color(), clBtnFace);
  EXPECT_EQ(C->Styles->StyleFocused()->Color(), clWindow);
  // In place: the parent colour is never taken by ResolvedColor.
  C->SetParentColor(true);
  C->Inplace = true;
  EXPECT_EQ(normal->ResolvedColor(), clWindow);
  EXPECT_EQ(normal->Color(), clYellow);
  // A container that takes its parent's colour by default.
  C->Inplace = false;
  C->ParentColorByDefault = true;
  C->SetParentColor(false);
  EXPECT_EQ(normal->Color(), clBtnFace);
  EXPECT_EQ(C->Styles->StyleDisabled()->Color(), clBtnFace);
  normal->SetColor(clAqua);
  EXPECT_EQ(C->Styles->StyleDisabled()->Color(), clAqua);
}

TEST_F(StyledContainerFixture, RestoringDefaultsSetsTheContainerParentFlags) {
  C->SetParentColor(true);
  C->SetParentFont(false);
  C->Styles->RestoreDefaults();
  EXPECT_FALSE(C->ParentColor());
  EXPECT_TRUE(C->ParentFont());

  // A container that takes its parent's colour by default does so again, unless its
  // controller's normal style has a colour.
  C->ParentColorByDefault = true;
  C->Styles->RestoreDefaults();
  EXPECT_TRUE(C->ParentColor());
  TvxStyleController ctrl(nullptr);
  ctrl.Styles()->Style()->SetColor(clRed);
  C->Styles->Style()->SetStyleController(&ctrl);
  C->Styles->RestoreDefaults();
  EXPECT_FALSE(C->ParentColor());
  C->Styles->Style()->SetStyleController(nullptr);
}

TEST_F(StyledContainerFixture, OwnFontKeepsTheParentFontWhenTheContainerUsesIt) {
  TvxContainerStyle* normal = C->Styles->Style();
  normal->Font()->SetSize(23);
  normal->SetAssignedValues(TvxContainerStyleValues());
  // ParentFont: the font stays as the parent put it.
  C->SetParentFont(true);
  normal->RefreshOwnFont();
  EXPECT_EQ(normal->Font()->Size(), 23);
  // Otherwise the defaults, without marking the font assigned.
  C->SetParentFont(false);
  normal->RefreshOwnFont();
  EXPECT_EQ(normal->Font()->Size(), TFont().Size());
  EXPECT_FALSE(normal->AssignedValues().Contains(csvFont));
}

TEST_F(StyledContainerFixture, StoredPropertiesFollowAssignmentsAndTheContainer) {
  TvxContainerStyle* normal = C->Styles->Style();
  TvxContainerStyle* focused = C->Styles->StyleFocused();
  EXPECT_FALSE(IsStoredProp(normal, L"BorderColor"));
  normal->SetBorderColor(clRed);
  focused->SetBorderColor(clRed);
  EXPECT_TRUE(IsStoredProp(normal, L"BorderColor"));
  EXPECT_TRUE(IsStoredProp(focused, L"BorderColor"));
  C->Hidden.insert(L"BorderColor");
  EXPECT_FALSE(IsStoredProp(normal, L"BorderColor"));
  // A state style stores no base-only value even when it holds one.
  focused->SetAssignedValues(TvxContainerStyleValues{csvEdges});
  EXPECT_FALSE(IsStoredProp(focused, L"Edges"));
  EXPECT_FALSE(IsStoredProp(normal, L"AssignedValues"));
  EXPECT_TRUE(IsStoredProp(normal, L"LookAndFeel"));
  TvxStyleController ctrl(nullptr);
  EXPECT_FALSE(IsStoredProp(normal, L"StyleController"));
  normal->SetStyleController(&ctrl);
  EXPECT_TRUE(IsStoredProp(normal, L"StyleController"));
  EXPECT_FALSE(IsStoredProp(focused, L"StyleController"));
  normal->SetStyleController(nullptr);
}

// --- Streaming -----------------------------------------------------------------------------------------

// A controller that publishes its normal style.
class TStreamedController : public TvxStyleController {
  DECLARE_CLASS(TStreamedController, TvxStyleController)
  PUBLISHED(TStreamedController)
 public:
  using TvxStyleController::TvxStyleController;
  TvxContainerStyle* Style() { return Styles()->Style(); }
  void SetStyle(TvxContainerStyle* Value) { Styles()->SetStyle(Value); }
};

void TStreamedController::DeclarePublished(TPublisher<TStreamedController>& P) {
  P.Property(L"Style", &TStreamedController::Style, &TStreamedController::SetStyle);
}

TEST_F(ContainerStyles, AssignedFontSurvivesStreamingEvenWithDefaultValues) {
  TStreamedController written(nullptr);
  written.SetName(L"Ctrl");
  written.Style()->SetBorderColor(clRed);
  TFont defaults;
  written.Style()->SetFont(&defaults);
  const String text = ComponentToText(&written);
  EXPECT_NE(text.find(L"IsFontAssigned = True"), String::npos) << ::testing::PrintToString(text);
  EXPECT_EQ(text.find(L"AssignedValues"), String::npos);

  TStreamedController read(nullptr);
  TextToComponent(text, &read);
  EXPECT_TRUE(read.Style()->AssignedValues() == (TvxContainerStyleValues{csvBorderColor, csvFont}));
  EXPECT_EQ(read.Style()->BorderColor(), clRed);
}

// --- View info -----------------------------------------------------------------------------------------

TEST(ContainerViewInfo, AssignOffsetAndUpdateRegion) {
  TvxContainerViewInfo a, b;
  a.ClientRect = TRect{1, 2, 3, 4};
  a.Bounds = TRect{0, 0, 10, 10};
  b.Assign(&a);
  EXPECT_TRUE(EqualRect(&b.ClientRect, &a.ClientRect));
  EXPECT_TRUE(IsRectEmpty(&b.Bounds));
  TObject other;
  b.Assign(&other);
  EXPECT_TRUE(EqualRect(&b.ClientRect, &a.ClientRect));
  a.BorderRect = TRect{2, 2, 8, 8};
  a.Offset(5, -1);
  const TRect bounds{5, -1, 15, 9}, border{7, 1, 13, 7}, client{6, 1, 8, 3};
  EXPECT_TRUE(EqualRect(&a.Bounds, &bounds));
  EXPECT_TRUE(EqualRect(&a.BorderRect, &border));
  EXPECT_TRUE(EqualRect(&a.ClientRect, &client));
  EXPECT_TRUE(a.GetUpdateRegion(&b)->IsEmpty());
  EXPECT_TRUE(a.ContainerState == TvxContainerState{csNormal});
}

}  // namespace

}  // namespace ZS_UNITY_ID
