#include <gtest/gtest.h>

#include <cstring>

#include "../../editors/tests/EditTestSurface.h"
#include "vxCheckBox.h"

namespace ZS_UNITY_ID {

namespace {

using zs_edit_test::Surface;

const COLORREF kParent = RGB(255, 0, 255);  // the parent's background behind the face
const TRect kFace{4, 4, 17, 17};

struct Look {
  const char* Name;
  TvxEditBorderStyle Border;
  TvxCustomLookAndFeelPainterClass Skin;
};

const Look kLooks[] = {
    {"standard", ebs3D, nullptr},
    {"flat", ebsFlat, nullptr},
    {"ultra flat", ebsUltraFlat, nullptr},
    {"office 11", ebsOffice11, nullptr},
    {"standard painter", ebsNone, TvxStandardLookAndFeelPainter::Instance()},
    {"flat painter", ebsNone, TvxFlatLookAndFeelPainter::Instance()},
    {"ultra flat painter", ebsNone, TvxUltraFlatLookAndFeelPainter::Instance()},
    {"office 11 painter", ebsNone, TvxOffice11LookAndFeelPainter::Instance()},
};

// The pixels inside the face's content area, as painted for the state.
std::vector<COLORREF> Paint(const Look& ALook, TvxCheckBoxState AState, bool AFill = true,
                            TvxEditCheckState ACheckState = ecsNormal) {
  Surface s(24, 24, kParent);
  PaintEditCheckBox(s.vx.get(), kFace, AState, ACheckState, nullptr, 0, ALook.Border, false, clBtnShadow, clWindow, AFill, false,
                    false, true, ALook.Skin, nssGrayedChecked);
  std::vector<COLORREF> pixels;
  for (int y = kFace.top + 3; y < kFace.bottom - 3; ++y)
    for (int x = kFace.left + 3; x < kFace.right - 3; ++x) pixels.push_back(s.At(x, y));
  return pixels;
}

int CountDark(const std::vector<COLORREF>& APixels) {
  int n = 0;
  for (COLORREF c : APixels) n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
  return n;
}

TEST(CheckBoxPaint, ThreeStatesDifferInEveryLook) {
  for (const Look& look : kLooks) {
    const auto unchecked = Paint(look, cbsUnchecked);
    const auto checked = Paint(look, cbsChecked);
    const auto grayed = Paint(look, cbsGrayed);
    EXPECT_EQ(CountDark(unchecked), 0) << look.Name;
    EXPECT_GT(CountDark(checked), 5) << look.Name;  // the check mark
    EXPECT_NE(checked, grayed) << look.Name;
    // A skin painter decides itself how a grayed face looks; the suite's own faces show it.
    if (!look.Skin) {
      EXPECT_NE(unchecked, grayed) << look.Name;
    }
    // Nothing of the parent shows inside a painted face.
    for (COLORREF c : checked) EXPECT_NE(c, kParent) << look.Name;
  }
}

TEST(CheckBoxPaint, GrayedDrawnUncheckedWhenNullStyleSaysSo) {
  for (const Look& look : kLooks) {
    Surface a(24, 24, kParent), b(24, 24, kParent);
    PaintEditCheckBox(a.vx.get(), kFace, cbsGrayed, ecsNormal, nullptr, 0, look.Border, false, clBtnShadow, clWindow, true, false,
                    false, true, look.Skin, nssUnchecked);
    PaintEditCheckBox(b.vx.get(), kFace, cbsUnchecked, ecsNormal, nullptr, 0, look.Border, false, clBtnShadow, clWindow, true, false,
                    false, true, look.Skin, nssGrayedChecked);
    EXPECT_EQ(std::memcmp(a.bits, b.bits, 24 * 24 * 4), 0) << look.Name;
  }
}

// Without fill the face paints over the parent's background and leaves the rest of it.
TEST(CheckBoxPaint, TransparentFaceKeepsTheParentAround) {
  for (const Look& look : kLooks) {
    Surface s(24, 24, kParent);
    PaintEditCheckBox(s.vx.get(), kFace, cbsChecked, ecsNormal, nullptr, 0, look.Border, false, clBtnShadow, clWindow, false, false,
                    false, true, look.Skin, nssGrayedChecked);
    EXPECT_EQ(s.CountNot(TRect{0, 0, 24, kFace.top}, kParent), 0) << look.Name;
    EXPECT_EQ(s.CountNot(TRect{0, kFace.bottom, 24, 24}, kParent), 0) << look.Name;
    EXPECT_GT(s.CountNot(kFace, kParent), 0) << look.Name;
  }
}

TEST(CheckBoxPaint, FlatContentFollowsTheMouse) {
  EXPECT_EQ(CalcCheckContentColor(ebsUltraFlat, ecsNormal, cbsChecked, nssGrayedChecked), clWindow);
  EXPECT_EQ(CalcCheckContentColor(ebsUltraFlat, ecsDisabled, cbsChecked, nssGrayedChecked), clBtnFace);
  EXPECT_EQ(CalcCheckContentColor(ebs3D, ecsPressed, cbsChecked, nssGrayedChecked), clBtnFace);
  EXPECT_EQ(CalcCheckContentColor(ebs3D, ecsHot, cbsGrayed, nssInactive), clBtnFace);
  const Look flat{"ultra flat", ebsUltraFlat, nullptr};
  EXPECT_NE(Paint(flat, cbsChecked, true, ecsHot), Paint(flat, cbsChecked, true, ecsNormal));
  ASSERT_NE(CheckMarkMask(), nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
