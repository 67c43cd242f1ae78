#include <gtest/gtest.h>

#include "vxEdit.h"

namespace ZS_UNITY_ID {

namespace {

// The owner of a set of editor styles, in place or stand-alone.
class Owner : public TPersistent, public IvxStyledContainer {
 public:
  explicit Owner(bool AInplace) : Inplace(AInplace) {}
  bool IsInplace() override { return Inplace; }
  bool UsesParentColorByDefault() override { return false; }
  bool IsStylePropertyPublished(const String&, bool) override { return true; }
  bool Inplace;
};

struct StyleSet {
  explicit StyleSet(bool AInplace) : O(AInplace), S(&O, TvxContainerStyle::ClassOf<TvxEditStyle>()) {}
  TvxEditStyle* Style(TvxContainerStateItem AState) { return static_cast<TvxEditStyle*>(S.StyleByState(AState)); }
  Owner O;
  TvxContainerStyles S;
};

TEST(EditStyle, CommonValuesLiveInTheBaseStyle) {
  StyleSet set(false);
  TvxEditStyle* normal = set.Style(csNormal);
  TvxEditStyle* hot = set.Style(csHotTrack);
  int changes = 0;
  normal->OnChanged = [&](TObject*) { ++changes; };
  EXPECT_EQ(normal->GradientDirection(), dirDown);
  EXPECT_FALSE(normal->IsValueAssigned(svGradientDirection));
  hot->SetGradient(true);
  EXPECT_TRUE(normal->Gradient());
  EXPECT_TRUE(hot->Gradient());
  EXPECT_TRUE(normal->IsValueAssigned(svGradient));
  EXPECT_EQ(changes, 1);
  hot->SetGradient(true);
  EXPECT_EQ(changes, 1);
  set.Style(csDisabled)->SetPopupCloseButton(false);
  EXPECT_FALSE(normal->PopupCloseButton());
  EXPECT_EQ(changes, 2);
}

TEST(EditStyle, ButtonStyleBelongsToEachState) {
  StyleSet set(false);
  set.Style(csActive)->SetButtonStyle(btsFlat);
  EXPECT_EQ(set.Style(csActive)->ButtonStyle(), btsFlat);
  EXPECT_EQ(set.Style(csNormal)->ButtonStyle(), btsDefault);
  set.Style(csNormal)->SetButtonStyle(bts3D);
  EXPECT_EQ(set.Style(csHotTrack)->ButtonStyle(), bts3D);  // an unassigned state takes the base's
  EXPECT_EQ(set.Style(csActive)->ButtonStyle(), btsFlat);
}

TEST(EditStyle, ValueNamesAndCount) {
  StyleSet set(false);
  TvxEditStyle* s = set.Style(csNormal);
  EXPECT_EQ(s->GetStyleValueCount(), 16);
  String name;
  EXPECT_TRUE(s->GetStyleValueName(13, name));
  EXPECT_EQ(name, L"GradientButtons");
  EXPECT_TRUE(s->GetStyleValueName(svGradientDirection, name));
  EXPECT_EQ(name, L"GradientDirection");
  EXPECT_FALSE(s->GetStyleValueName(16, name));
}

TEST(EditStyle, DefaultControllerServesStandAloneEditorsOnly) {
  TvxEditStyleController* def = DefaultEditStyleController();
  ASSERT_NE(def, nullptr);
  StyleSet standAlone(false), inplace(true);
  EXPECT_EQ(standAlone.Style(csNormal)->ActiveStyleController(), def);
  EXPECT_EQ(inplace.Style(csNormal)->ActiveStyleController(), nullptr);
  def->Style()->SetButtonTransparency(ebtAlways);
  def->StyleHot()->SetButtonStyle(btsHotFlat);
  EXPECT_EQ(standAlone.Style(csNormal)->ButtonTransparency(), ebtAlways);
  EXPECT_EQ(standAlone.Style(csHotTrack)->ButtonStyle(), btsHotFlat);
  EXPECT_EQ(inplace.Style(csNormal)->ButtonTransparency(), ebtNone);
  EXPECT_EQ(inplace.Style(csHotTrack)->ButtonStyle(), btsDefault);
  // A value of the editor's own wins over the controller's.
  standAlone.Style(csNormal)->SetButtonTransparency(ebtInactive);
  EXPECT_EQ(standAlone.Style(csNormal)->ButtonTransparency(), ebtInactive);
  def->Style()->RestoreDefaults();
  def->StyleHot()->RestoreDefaults();
  EXPECT_EQ(def->StyleHot()->ButtonStyle(), btsDefault);
}

TEST(EditStyle, AssignCopiesTheEditorValues) {
  StyleSet a(true), b(true);
  a.Style(csNormal)->SetButtonStyle(btsUltraFlat);
  a.Style(csNormal)->SetPopupBorderStyle(epbsFlat);
  a.Style(csNormal)->SetPopupCloseButton(false);
  b.Style(csNormal)->Assign(a.Style(csNormal));
  EXPECT_EQ(b.Style(csNormal)->ButtonStyle(), btsUltraFlat);
  EXPECT_EQ(b.Style(csNormal)->PopupBorderStyle(), epbsFlat);
  EXPECT_FALSE(b.Style(csNormal)->PopupCloseButton());
}

}  // namespace

}  // namespace ZS_UNITY_ID
