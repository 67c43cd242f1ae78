#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Streaming.h"
#include "vdOffice11.h"
#include "vdThemeManager.h"
#include "vxLookAndFeels.h"

namespace ZS_UNITY_ID {

namespace {

// A painter registered by name, standing for a skin.
class TSkinPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TSkinPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance() {
    static const TSkinPainter instance;
    return &instance;
  }
  TSkinPainter() {}
};

class TOtherSkinPainter : public TSkinPainter {
  DECLARE_CLASS(TOtherSkinPainter, TSkinPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance() {
    static const TOtherSkinPainter instance;
    return &instance;
  }
  TOtherSkinPainter() {}
};

// Records the changed-value sets a look and feel reports.
struct Recorder {
  explicit Recorder(TvxLookAndFeel& lf) {
    lf.OnChanged = [this](TvxLookAndFeel*, TvxLookAndFeelValues v) { Changes.push_back(v); };
  }
  std::vector<TvxLookAndFeelValues> Changes;
};

// Leaves the root look and feel as it found it (nothing assigned).
class LookAndFeel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(vxGetRootLookAndFeel(), nullptr);
    Root()->Reset();
    ThemesWere = vdThemeManagerEnabled;
  }
  void TearDown() override {
    vdThemeManagerEnabled = ThemesWere;
    Root()->Reset();
  }
  static TvxLookAndFeel* Root() { return vxGetRootLookAndFeel(); }
  bool ThemesWere = false;
};

TEST_F(LookAndFeel, InheritsTheRootsValuesAndPainterPerKind) {
  struct Case {
    TvxLookAndFeelKind kind;
    TvxCustomLookAndFeelPainterClass painter;
    TvxLookAndFeelStyle style;
  } cases[] = {
      {lfFlat, TvxFlatLookAndFeelPainter::Instance(), lfsFlat},
      {lfStandard, TvxStandardLookAndFeelPainter::Instance(), lfsStandard},
      {lfUltraFlat, TvxUltraFlatLookAndFeelPainter::Instance(), lfsUltraFlat},
      {lfOffice11, TvxOffice11LookAndFeelPainter::Instance(), lfsOffice11},
  };
  TvxLookAndFeel fresh(nullptr);
  EXPECT_EQ(fresh.Kind(), lfUltraFlat);
  EXPECT_FALSE(fresh.NativeStyle());
  EXPECT_EQ(fresh.MasterLookAndFeel(), Root());
  EXPECT_EQ(Root()->MasterLookAndFeel(), nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.painter->ClassName());
    Root()->SetKind(c.kind);
    TvxLookAndFeel lf(nullptr);
    EXPECT_EQ(lf.Kind(), c.kind);
    EXPECT_TRUE(lf.AssignedValues().Empty());
    EXPECT_EQ(lf.Painter(), c.painter);
    EXPECT_EQ(lf.Painter()->LookAndFeelStyle(), c.style);
    EXPECT_EQ(lf.ActiveStyle(), c.style);
    EXPECT_EQ(fresh.Kind(), c.kind) << "existing looks and feels follow the root";
    EXPECT_EQ(fresh.Painter(), c.painter);
  }
}

TEST_F(LookAndFeel, AssignedValuesStopInheritance) {
  TvxLookAndFeel lf(nullptr);
  Recorder rec(lf);
  lf.SetKind(lfUltraFlat);  // the value it already inherits
  EXPECT_TRUE(lf.AssignedValues().Contains(lfvKind));
  EXPECT_TRUE(rec.Changes.empty()) << "no effective change, no notification";
  Root()->SetKind(lfFlat);
  EXPECT_EQ(lf.Kind(), lfUltraFlat);
  EXPECT_TRUE(rec.Changes.empty()) << "the root's change no longer reaches it";
  Root()->SetNativeStyle(true);
  EXPECT_EQ(rec.Changes, (std::vector<TvxLookAndFeelValues>{{lfvNativeStyle}})) << "unassigned values still do";

  // Dropping the assignments notifies exactly the values whose effective value changes.
  rec.Changes.clear();
  lf.SetNativeStyle(true);  // same as inherited
  lf.SetSkinName(L"");      // same as inherited
  EXPECT_TRUE(rec.Changes.empty());
  lf.SetAssignedValues({});
  EXPECT_EQ(rec.Changes, (std::vector<TvxLookAndFeelValues>{{lfvKind}}));
  EXPECT_EQ(lf.Kind(), lfFlat);
  rec.Changes.clear();
  lf.SetAssignedValues({});
  EXPECT_TRUE(rec.Changes.empty()) << "an unchanged set does nothing";
}

TEST_F(LookAndFeel, ChangesFlowDownTheChainOfMasters) {
  TvxLookAndFeel a(nullptr), b(nullptr), c(nullptr);
  b.SetMasterLookAndFeel(&a);
  c.SetMasterLookAndFeel(&b);
  Recorder rb(b), rc(c);
  a.SetKind(lfOffice11);
  EXPECT_EQ(c.Kind(), lfOffice11);
  EXPECT_EQ(c.Painter(), TvxOffice11LookAndFeelPainter::Instance());
  EXPECT_EQ(rc.Changes, (std::vector<TvxLookAndFeelValues>{{lfvKind}}));
  b.SetKind(lfStandard);
  rc.Changes.clear();
  a.SetKind(lfFlat);
  EXPECT_EQ(c.Kind(), lfStandard);
  EXPECT_TRUE(rc.Changes.empty()) << "b's own Kind shields c";

  // Setting the master that the getter already answers is no change.
  TvxLookAndFeel d(nullptr);
  Recorder rd(d);
  d.SetMasterLookAndFeel(Root());
  d.SetMasterLookAndFeel(&d);
  EXPECT_TRUE(rd.Changes.empty());
  d.SetMasterLookAndFeel(&b);
  EXPECT_EQ(rd.Changes, (std::vector<TvxLookAndFeelValues>{{lfvKind}}));
  EXPECT_EQ(b.ChangeListenerCount(), 2);
  Root()->SetMasterLookAndFeel(&a);
  EXPECT_EQ(Root()->MasterLookAndFeel(), nullptr) << "the root has no master";
}

TEST_F(LookAndFeel, DependentsFallBackToTheRootWhenTheirMasterGoes) {
  auto master = std::make_unique<TvxLookAndFeel>(nullptr);
  master->SetKind(lfFlat);
  TvxLookAndFeel x(nullptr), y(nullptr);
  x.SetMasterLookAndFeel(master.get());
  y.SetMasterLookAndFeel(master.get());
  y.SetKind(lfStandard);
  Recorder rx(x), ry(y);
  const Integer rootListeners = Root()->ChangeListenerCount();
  master.reset();
  EXPECT_EQ(x.MasterLookAndFeel(), Root());
  EXPECT_EQ(x.Kind(), lfUltraFlat);
  EXPECT_EQ(rx.Changes, (std::vector<TvxLookAndFeelValues>{{lfvKind}}));
  EXPECT_TRUE(ry.Changes.empty()) << "nothing effective changed for y";
  EXPECT_EQ(Root()->ChangeListenerCount(), rootListeners + 1) << "x and y joined the root, the master left";
}

TEST_F(LookAndFeel, AListenerLeavingDuringNotificationSkipsNobody) {
  TvxLookAndFeel master(nullptr), elsewhere(nullptr);
  TvxLookAndFeel first(nullptr), second(nullptr), third(nullptr);
  for (auto* lf : {&first, &second, &third}) lf->SetMasterLookAndFeel(&master);
  elsewhere.SetKind(lfOffice11);
  std::vector<std::string> told;
  first.OnChanged = [&](TvxLookAndFeel* s, TvxLookAndFeelValues) {
    told.push_back("first");
    s->SetMasterLookAndFeel(&elsewhere);  // leaves master's list while being told
  };
  second.OnChanged = [&](TvxLookAndFeel*, TvxLookAndFeelValues) { told.push_back("second"); };
  third.OnChanged = [&](TvxLookAndFeel*, TvxLookAndFeelValues) { told.push_back("third"); };
  master.SetKind(lfFlat);
  EXPECT_EQ(told, (std::vector<std::string>{"first", "first", "second", "third"}));
  EXPECT_EQ(first.Kind(), lfOffice11);
  EXPECT_EQ(master.ChangeListenerCount(), 2);
}

TEST_F(LookAndFeel, ControllersSetTheRootAndTheLastOneResetsIt) {
  auto c1 = std::make_unique<TvxLookAndFeelController>(nullptr);
  auto c2 = std::make_unique<TvxLookAndFeelController>(nullptr);
  EXPECT_EQ(vxLookAndFeelControllerCount(), 2);
  c1->SetKind(lfOffice11);
  c1->SetSkinName(L"Any");
  EXPECT_EQ(Root()->Kind(), lfOffice11);
  EXPECT_EQ(c2->Kind(), lfOffice11);
  EXPECT_EQ(c2->SkinName(), L"Any");
  // Only the root accepts controllers.
  TvxLookAndFeel lf(nullptr);
  lf.AddChangeListener(c1.get());
  EXPECT_EQ(lf.ChangeListenerCount(), 0);
  lf.AddChangeListener(nullptr);
  TObject plain;
  lf.AddChangeListener(&plain);
  EXPECT_EQ(lf.ChangeListenerCount(), 0) << "objects without the listener interface are ignored";
  Root()->AddChangeListener(c1.get());
  EXPECT_EQ(vxLookAndFeelControllerCount(), 2) << "a second registration is a no-op";

  c1.reset();
  EXPECT_EQ(Root()->Kind(), lfOffice11) << "one controller remains";
  c2.reset();
  EXPECT_EQ(vxLookAndFeelControllerCount(), 0);
  EXPECT_EQ(Root()->Kind(), lfUltraFlat) << "the last controller resets the root";
  EXPECT_TRUE(Root()->AssignedValues().Empty());
  EXPECT_EQ(lf.SkinName(), L"");
}

TEST_F(LookAndFeel, NativeStyleChoosesTheThemedPainterOnlyWithVisualStyles) {
  ASSERT_TRUE(vdThemesAvailable()) << "the platform's visual style is expected to be active";
  TvxLookAndFeel lf(nullptr);
  lf.SetKind(lfFlat);
  Recorder rec(lf);
  lf.SetNativeStyle(true);
  EXPECT_EQ(rec.Changes, (std::vector<TvxLookAndFeelValues>{{lfvNativeStyle}}));
  EXPECT_EQ(lf.Painter(), TvxWinXPLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.GetAvailablePainter(totButton), TvxWinXPLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.GetAvailablePainter(TvdThemedObjectTypes{totHeader, totScrollBar}),
            TvxWinXPLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.ActiveStyle(), lfsNative);

  vdThemeManagerEnabled = false;  // classic style
  lf.Refresh();
  EXPECT_EQ(lf.Painter(), TvxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.GetAvailablePainter(totButton), TvxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.ActiveStyle(), lfsFlat);
}

TEST_F(LookAndFeel, StylesMapToSettings) {
  struct Case {
    TvxLookAndFeelStyle style;
    bool native;
    TvxLookAndFeelKind kind;
  } cases[] = {
      {lfsFlat, false, lfFlat},
      {lfsStandard, false, lfStandard},
      {lfsUltraFlat, false, lfUltraFlat},
      {lfsOffice11, false, lfOffice11},
      {lfsNative, true, lfOffice11},  // the Kind stays as it was
  };
  TvxLookAndFeel lf(nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    lf.SetStyle(c.style);
    EXPECT_EQ(lf.NativeStyle(), c.native);
    EXPECT_EQ(lf.Kind(), c.kind);
  }
}

TEST_F(LookAndFeel, ForcedPainterWins) {
  TvxLookAndFeel lf(nullptr);
  Recorder rec(lf);
  lf.SetPainter(TvxStandardLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.Painter(), TvxStandardLookAndFeelPainter::Instance());
  EXPECT_EQ(rec.Changes, (std::vector<TvxLookAndFeelValues>{{lfvKind, lfvNativeStyle}}));
  lf.SetPainter(TvxStandardLookAndFeelPainter::Instance());
  EXPECT_EQ(rec.Changes.size(), 1u);
  lf.SetPainter(nullptr);
  EXPECT_EQ(lf.Painter(), TvxUltraFlatLookAndFeelPainter::Instance());
}

TEST_F(LookAndFeel, SkinsComeFromTheRegistryOfNamedPainters) {
  TvxExtendedStylePainters* painters = vxGlobalExtendedStylePainters();
  ASSERT_NE(painters, nullptr);
  ASSERT_TRUE(painters->Register(L"Sample", TSkinPainter::Instance(), nullptr));
  TvxLookAndFeel master(nullptr), child(nullptr);
  child.SetMasterLookAndFeel(&master);
  master.SetSkinName(L"SAMPLE");
  EXPECT_EQ(master.SkinPainter(), TSkinPainter::Instance());
  EXPECT_EQ(master.Painter(), TSkinPainter::Instance());
  EXPECT_EQ(child.SkinName(), L"SAMPLE");
  EXPECT_EQ(child.Painter(), TSkinPainter::Instance()) << "an inherited skin";

  TvxLookAndFeel unknown(nullptr);
  unknown.SetSkinName(L"Missing");
  EXPECT_EQ(unknown.SkinPainter(), nullptr);
  EXPECT_EQ(unknown.Painter(), TvxUltraFlatLookAndFeelPainter::Instance());

  master.SetNativeStyle(true);
  EXPECT_EQ(master.SkinPainter(), nullptr) << "the native style has no skin";
  master.SetNativeStyle(false);

  // Unregistering tells the looks and feels using the skin.
  Recorder rec(master);
  ASSERT_TRUE(painters->Unregister(L"sample"));
  EXPECT_EQ(rec.Changes, (std::vector<TvxLookAndFeelValues>{{lfvKind, lfvNativeStyle, lfvSkinName}}));
  EXPECT_EQ(master.SkinPainter(), nullptr);
  EXPECT_EQ(master.Painter(), TvxUltraFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(child.Painter(), TvxUltraFlatLookAndFeelPainter::Instance());
}

TEST(ExtendedStylePainters, NamesAreUniqueAndSorted) {
  TvxExtendedStylePainters list;
  struct Listener : IvxLookAndFeelPainterListener {
    Listener(std::vector<std::string>& log, const char* name) : Log(log), Name(name) {}
    void PainterChanged(TvxCustomLookAndFeelPainterClass p) override {
      Log.push_back(std::string(Name) + ":" + (p ? "painter" : "nil"));
    }
    std::vector<std::string>& Log;
    const char* Name;
  };
  std::vector<std::string> log;
  Listener first(log, "first"), second(log, "second");
  list.AddListener(&first);
  list.AddListener(&second);
  list.AddListener(&first);
  EXPECT_EQ(list.ListenerCount(), 2);

  // Data owned by the registry once registered; freed with the entry.
  struct Data : TObject {
    explicit Data(int& frees) : Frees(frees) {}
    ~Data() override { ++Frees; }
    int& Frees;
  };
  int frees = 0;
  EXPECT_TRUE(list.Register(L"Sample", TSkinPainter::Instance(), new Data(frees)));
  auto rejected = std::make_unique<Data>(frees);
  EXPECT_FALSE(list.Register(L"SAMPLE", TOtherSkinPainter::Instance(), rejected.get()));
  EXPECT_TRUE(list.Register(L"Beta", TOtherSkinPainter::Instance(), nullptr));
  EXPECT_TRUE(list.Register(L"alpha", TSkinPainter::Instance(), nullptr));
  EXPECT_EQ(log, (std::vector<std::string>{"second:painter", "first:painter", "second:painter", "first:painter",
                                           "second:painter", "first:painter"}))
      << "the last listener added hears first";
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Names(0), L"alpha");
  EXPECT_EQ(list.Names(1), L"Beta");
  EXPECT_EQ(list.Names(2), L"Sample");

  TvxCustomLookAndFeelPainterClass p = TvxFlatLookAndFeelPainter::Instance();
  EXPECT_FALSE(list.GetPainterByName(L"none", p));
  EXPECT_EQ(p, TvxFlatLookAndFeelPainter::Instance()) << "left unchanged";
  EXPECT_TRUE(list.GetPainterByName(L"BETA", p));
  EXPECT_EQ(p, TOtherSkinPainter::Instance());
  String name = L"x";
  EXPECT_TRUE(list.GetNameByPainter(TSkinPainter::Instance(), name));
  EXPECT_EQ(name, L"alpha") << "the first in name order";
  EXPECT_FALSE(list.GetNameByPainter(TvxFlatLookAndFeelPainter::Instance(), name));
  EXPECT_EQ(name, L"");
  TObject* data = &list;
  EXPECT_TRUE(list.GetPainterData(TSkinPainter::Instance(), data));
  EXPECT_EQ(data, nullptr) << "alpha has none";

  list.RemoveListener(&second);
  log.clear();
  EXPECT_TRUE(list.Unregister(L"SAMPLE"));
  EXPECT_EQ(frees, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"first:painter"}));
  EXPECT_FALSE(list.Unregister(L"Sample"));
  EXPECT_EQ(frees, 1) << "the rejected data stays with the caller";

  // A listener told first removes one that would be told later in the same round: that
  // one is not told (it may be gone already).
  struct Remover : IvxLookAndFeelPainterListener {
    TvxExtendedStylePainters* List = nullptr;
    IvxLookAndFeelPainterListener* Victim = nullptr;
    void PainterChanged(TvxCustomLookAndFeelPainterClass) override { List->RemoveListener(Victim); }
  } remover;
  remover.List = &list;
  remover.Victim = &first;
  list.AddListener(&remover);
  log.clear();
  EXPECT_TRUE(list.Unregister(L"Beta"));
  EXPECT_TRUE(log.empty()) << log.size();
  EXPECT_EQ(list.ListenerCount(), 1);
  list.RemoveListener(&remover);
}

TEST_F(LookAndFeel, SystemColourChangeRefreshesOffice11ColoursFirst) {
  vdThemeManagerEnabled = false;  // colours derived from the system colours
  vdOffice11RefreshColors();
  ASSERT_NE(vxSystemPaletteChangedListenerWindow(), nullptr);
  std::vector<std::string> order;
  TvxSystemPaletteChangedNotifier primary(true);
  primary.SetOnSystemPaletteChanged([&] { order.push_back("primary"); });
  TvxLookAndFeel lf(nullptr);
  std::vector<TColor> seen;
  lf.OnChanged = [&](TvxLookAndFeel*, TvxLookAndFeelValues v) {
    order.push_back("look and feel");
    EXPECT_EQ(v, TvxLookAndFeelValues{lfvNativeStyle});
    seen.push_back(vdOffice11GradientColor1);
  };
  const COLORREF oldFace = GetSysColor(COLOR_BTNFACE);
  const COLORREF newFace = oldFace == RGB(120, 60, 30) ? RGB(30, 60, 120) : RGB(120, 60, 30);
  INT index = COLOR_BTNFACE;
  ASSERT_TRUE(SetSysColors(1, &index, &newFace));
  const TColor expected = vdMixColors(clBtnFace, clWindow, 22);
  SetSysColors(1, &index, &oldFace);
  ASSERT_FALSE(seen.empty()) << "the colour change reached the look and feel";
  EXPECT_EQ(seen[0], expected) << "the look and feel saw the recomputed colours";
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[0], "primary");
  EXPECT_EQ(order[1], "look and feel");
}

// A component carrying a look and feel, for streaming.
class TLookAndFeelHost : public TComponent {
  DECLARE_CLASS(TLookAndFeelHost, TComponent)
  PUBLISHED(TLookAndFeelHost)
 public:
  explicit TLookAndFeelHost(TComponent* AOwner) : TComponent(AOwner), FLookAndFeel(std::make_unique<TvxLookAndFeel>(this)) {}
  TvxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  void SetLookAndFeel(TvxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }

 private:
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
};

void TLookAndFeelHost::DeclarePublished(TPublisher<TLookAndFeelHost>& P) {
  P.Property(L"LookAndFeel", &TLookAndFeelHost::LookAndFeel, &TLookAndFeelHost::SetLookAndFeel);
}

TEST_F(LookAndFeel, StreamingKeepsOnlyAssignedValues) {
  TLookAndFeelHost source(nullptr);
  source.SetName(L"Host");
  source.LookAndFeel()->SetKind(lfOffice11);
  source.LookAndFeel()->SetSkinName(L"");
  String text = ComponentToText(&source);
  EXPECT_NE(text.find(L"LookAndFeel.Kind = lfOffice11"), String::npos) << text;
  EXPECT_EQ(text.find(L"NativeStyle"), String::npos) << text;
  EXPECT_EQ(text.find(L"AssignedValues"), String::npos) << text;
  EXPECT_NE(text.find(L"LookAndFeel.SkinName = ''"), String::npos) << "an explicitly empty skin name" << text;

  TLookAndFeelHost target(nullptr);
  TextToComponent(text, &target);
  EXPECT_EQ(target.LookAndFeel()->Kind(), lfOffice11);
  EXPECT_EQ(target.LookAndFeel()->AssignedValues(), (TvxLookAndFeelValues{lfvKind, lfvSkinName}));
}

}  // namespace

}  // namespace ZS_UNITY_ID
