// The painter registry, the painter choice of a control and the page control's texts.
#include "PageControlTestSupport.h"

#include "ImgList.h"
#include "vxClasses.h"
#include "vxPCConsts.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

struct PainterRegistryTest : TTabFormFixture {};

// A painter class for registry tests that answers like a style of its own.
class TTestPainterClass : public TvxPCStandardPainterClassInfo {
 public:
  TTestPainterClass(Integer AId, const wchar_t* AName, TvxPCStandardStyle AStyle, bool ADefault)
      : FId(AId), FName(AName), FStyle(AStyle), FDefault(ADefault) {}
  TvxPCCustomPainter* Create(TvxCustomTabControl* AParent) const override {
    return TvxPCTabsPainter::StaticPainterClass()->Create(AParent);
  }
  TvxPCStandardStyle GetStandardStyle() const override { return FStyle; }
  TvxPCStyleID GetStyleID() const override { return FId; }
  String GetStyleName() const override { return FName; }
  bool HasLookAndFeel(TvxLookAndFeel* L) const override { return L && L->Kind() == lfFlat; }
  bool IsDefault(TvxLookAndFeel*) const override { return FDefault; }

 private:
  Integer FId;
  String FName;
  TvxPCStandardStyle FStyle;
  bool FDefault;
};

}  // namespace

TEST_F(PainterRegistryTest, LookupsByStyleNameIdAndLookAndFeel) {
  TvxPCPaintersFactory f;
  const TTestPainterClass flat(7, L"Flat", tsTabs, false), buttons(2, L"Buttons", tsButtons, false);
  f.RegisterPCPainterClass(TvxPCTabsPainter::StaticPainterClass());
  f.RegisterPCPainterClass(&buttons);
  f.RegisterPCPainterClass(&flat);
  f.RegisterPCPainterClass(&flat);  // listed once
  EXPECT_EQ(f.PainterClassCount(), 3);
  // Both the Tabs and the Flat class report tsTabs; the first registered wins.
  EXPECT_EQ(f.GetPainterClass(tsTabs), TvxPCTabsPainter::StaticPainterClass());
  EXPECT_EQ(f.GetPainterClass(tsButtons), &buttons);
  EXPECT_EQ(f.GetPainterClass(tsFlatButtons), nullptr);
  EXPECT_EQ(f.GetPainterClass(TvxPCStyleID(7)), &flat);
  EXPECT_EQ(f.GetPainterClass(TvxPCStyleID(4)), nullptr);
  EXPECT_EQ(f.GetPainterClass(String(L"fLAT")), &flat);
  EXPECT_EQ(f.GetPainterClass(String(L"Default")), nullptr);

  TvxLookAndFeel laf(nullptr);
  laf.SetKind(lfStandard);
  laf.SetNativeStyle(false);
  EXPECT_EQ(f.GetStyleID(&laf), 1);  // scanned from the last class back: only Tabs answers
  laf.SetKind(lfFlat);
  EXPECT_EQ(f.GetStyleID(&laf), 7);
  laf.SetKind(lfUltraFlat);
  EXPECT_EQ(f.GetStyleID(&laf), -1);
  EXPECT_EQ(f.GetDefaultStyleID(&laf), 1);  // no IsDefault answer: the first class
  laf.SetNativeStyle(true);
  EXPECT_EQ(f.GetDefaultStyleID(&laf), 1);  // the Tabs painter is the native default

  f.UnregisterPCPainterClass(TvxPCTabsPainter::StaticPainterClass());
  f.UnregisterPCPainterClass(&buttons);
  f.UnregisterPCPainterClass(&flat);
  try {
    f.GetDefaultStyleID(&laf);
    FAIL();
  } catch (EvdException& E) {
    EXPECT_EQ(E.Message(), L"TvxPCPaintersFactory.GetDefaultStyleID: There are no styles registered");
  }
  try {
    f.GetPainterInstance(nullptr, nullptr);
    FAIL();
  } catch (EvdException& E) {
    EXPECT_EQ(E.Message(), L"TvxPCPaintersFactory.GetPainterInstance: PCPainterClass is nil");
  }
}

TEST_F(PainterRegistryTest, PaintersAreRegisteredAtStartUp) {
  ASSERT_NE(PaintersFactory(), nullptr);
  EXPECT_EQ(PaintersFactory()->GetPainterClass(TvxPCStyleID(1)), TvxPCTabsPainter::StaticPainterClass());
  EXPECT_EQ(PaintersFactory()->GetPainterClass(String(L"tabs"))->GetStyleName(), L"Tabs");
}

TEST_F(PainterRegistryTest, ControlFollowsItsLookAndFeelAndRefusesUnknownStyles) {
  auto* c = AddTabControl({0, 0, 300, 100}, {L"A"});
  c->LookAndFeel()->SetKind(lfStandard);
  c->LookAndFeel()->SetNativeStyle(false);
  EXPECT_EQ(c->Style(), 0);
  EXPECT_EQ(c->Painter()->Class(), TvxPCTabsPainter::StaticPainterClass());
  TvxPCCustomPainter* before = c->Painter();
  c->SetStyle(4);  // no painter has id 4: ignored
  EXPECT_EQ(c->Style(), 0);
  EXPECT_EQ(c->Painter(), before);
  c->SetStyleByStyleName(L"TABS");
  EXPECT_EQ(c->Style(), 1);
  c->SetStyleByStyleName(L"Default");
  EXPECT_EQ(c->Style(), 0);
  try {
    c->SetStyleByStyleName(L"Nothing");
    FAIL();
  } catch (EvdException& E) {
    EXPECT_EQ(E.Message(), L"TvxCustomTabControl.SetStyleByName: Nothing is an unregistered style name");
  }
  try {
    c->SetStandardStyle(tsFlatButtons);
    if (!PaintersFactory()->GetPainterClass(tsFlatButtons)) FAIL();
  } catch (EvdException& E) {
    EXPECT_EQ(E.Message(), L"TvxCustomTabControl.SetStandardStyle: tsFlatButtons is an unsupported standard style");
  }
}

TEST(PageControlStrings, RegisteredUnderTheProductName) {
  TvdResourceStringsRepository* r = vdGetResourceStringsRepository();
  const Integer i = r->GetProductIndexByName(L"TarvixPageControl");
  ASSERT_GE(i, 0);
  TvdProductResourceStrings* p = r->Products(i);
  EXPECT_EQ(p->ResStringsCount(), 12);
  EXPECT_GE(p->GetIndexByName(L"svxPCPageIndexError"), 0);
  EXPECT_EQ(vxGetResString(&svxPCPageIndexError),
            L"%d is an invalid PageIndex value.  PageIndex must be between 0 and %d");
}

// The image list's drawing errors are the registered texts, read when raised: a
// translated text is what the error says.
TEST(PageControlStrings, ImageListDrawErrorsReadTheRegisteredTexts) {
  TvxPageControl c(nullptr);
  TBitmap target;
  target.SetWidth(32);
  target.SetHeight(32);
  auto drawError = [&](Integer AIndex) -> String {
    try {
      c.ImageList()->Draw(target.Canvas(), 0, 0, AIndex, true, clWhite);
    } catch (EvdException& E) {
      return E.Message();
    }
    return L"no error";
  };
  EXPECT_EQ(drawError(0), L"TvxPCImageList.Draw: BaseImages is not assigned");
  {
    TValueScope<String> translated(svxPCNoBaseImages.Text, String(L"Keine Bilder"));
    EXPECT_EQ(drawError(0), L"TvxPCImageList.Draw: Keine Bilder");
  }
}

}  // namespace ZS_UNITY_ID
