#include <gtest/gtest.h>

#include "vdCore.h"
#include "vxClasses.h"
#include "vxTLStrs.h"

namespace ZS_UNITY_ID {

namespace {

TvdProductResourceStrings* Product() {
  TvdResourceStringsRepository* r = vdGetResourceStringsRepository();
  Integer i = r->GetProductIndexByName(L"TarvixTreeList");
  return i < 0 ? nullptr : r->Products(i);
}

TEST(TreeListResourceStrings, ProductIsRegisteredWithAllItsStrings) {
  TvdProductResourceStrings* p = Product();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->ResStringsCount(), 43);
  struct Case {
    const wchar_t* Name;
    TResStringRec* Rec;
    const wchar_t* Text;
  } cases[] = {
      {L"svxIndexOutOfBounds", &svxIndexOutOfBounds, L"Index %d out of bounds"},
      {L"svxDesignerCaption", &svxDesignerCaption, L"TreeListDesigner editing - "},
      {L"svxColumnsCaption", &svxColumnsCaption, L"   Columns   "},
      {L"svxBandsCaption", &svxBandsCaption, L"    Bands    "},
      {L"svxTreeListBestFitAllColumnsMenuItem", &svxTreeListBestFitAllColumnsMenuItem, L"Bes&t Fit (all columns)"},
      {L"svxExportNotVisibleControl", &svxExportNotVisibleControl, L"Control must be visible for export"},
  };
  for (const Case& c : cases) {
    Integer i = p->GetIndexByName(c.Name);
    ASSERT_GE(i, 0) << c.Name;
    EXPECT_EQ(p->ResStrings(i), c.Rec) << c.Name;
    EXPECT_EQ(vxGetResString(c.Rec), c.Text) << c.Name;
  }
  // The column name prefix is read directly, not through the repository.
  EXPECT_LT(p->GetIndexByName(L"svxTreeListColumnNamePrefix"), 0);
  EXPECT_EQ(LoadResString(&svxTreeListColumnNamePrefix), L"TvxTreeList");
}

TEST(TreeListResourceStrings, EqualTextsUnderTwoNamesTranslateApart) {
  svxTreeListHorizontalAlignmentCenterMenuItem.Text = L"Mi&tte";
  svxTreeListVerticalAlignmentCenterMenuItem.Text = L"&Mittig";
  EXPECT_EQ(vxGetResString(&svxTreeListHorizontalAlignmentCenterMenuItem), L"Mi&tte");
  EXPECT_EQ(vxGetResString(&svxTreeListVerticalAlignmentCenterMenuItem), L"&Mittig");
  vxTLStrsUnit.Finalize();
  vxTLStrsUnit.Initialize();
  EXPECT_EQ(vxGetResString(&svxTreeListHorizontalAlignmentCenterMenuItem), L"Ce&nter");
  EXPECT_EQ(vxGetResString(&svxTreeListVerticalAlignmentCenterMenuItem), L"Ce&nter");
  EXPECT_NE(Product(), nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
