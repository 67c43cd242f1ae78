#include <gtest/gtest.h>

#include "vxTL.h"

namespace ZS_UNITY_ID {

namespace {

// Three top-level nodes, expanded so that visible indexes are 0, 1, 2.
struct StylesFixture : ::testing::Test {
  TvxCustomTreeList tl;
  TvxTreeListNode *n0 = tl.Add(nullptr), *n1 = tl.Add(nullptr), *n2 = tl.Add(nullptr);
  TvxTreeListNode* n1a = n1->AddChild();
  // Declared after the tree list: they go first and detach from its styles.
  TvxStyle red{nullptr}, green{nullptr}, blue{nullptr};
  TvxTreeListStyles* st = tl.Styles();
  TvxCustomLookAndFeelPainterClass painter = TvxStandardLookAndFeelPainter::Instance();

  void SetUp() override {
    red.SetColor(clRed);
    green.SetColor(clGreen);
    blue.SetColor(clBlue);
  }
};

TEST_F(StylesFixture, DefaultsPerElementComeFromThePainter) {
  struct Case {
    const char* name;
    TvxViewParams p;
    TColor color, text;
  } cases[] = {
      {"content", st->GetContentParams(n0, 0), painter->DefaultContentEvenColor(), painter->DefaultContentTextColor()},
      {"odd", st->GetContentParams(n1, 0), painter->DefaultContentColor(), painter->DefaultContentTextColor()},
      {"footer", st->GetFooterParams(), painter->DefaultFooterColor(), painter->DefaultFooterTextColor()},
      {"column footer", st->GetColumnFooterParams(0, n0, nullptr), painter->DefaultFooterColor(),
       painter->DefaultFooterTextColor()},
      {"indicator", st->GetIndicatorParams(), painter->DefaultHeaderColor(), painter->DefaultHeaderTextColor()},
      {"inc search", st->GetIncSearchParams(), painter->DefaultSelectionColor(),
       painter->DefaultSelectionTextColor()},
      {"preview", st->GetPreviewParams(n0), painter->DefaultContentColor(), painter->DefaultPreviewTextColor()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.p.Color, c.color) << c.name;
    EXPECT_EQ(c.p.TextColor, c.text) << c.name;
    EXPECT_EQ(c.p.Font, tl.Font()) << c.name;
  }
}

TEST_F(StylesFixture, ParityStylesApplyOnlyWhereAssigned) {
  st->PutStyle(tlsContentOdd, &red);
  st->PutStyle(tlsContent, &green);
  EXPECT_EQ(st->GetContentParams(n0, 0).Color, clGreen);  // even: ContentEven unassigned
  EXPECT_EQ(st->GetContentParams(n1, 0).Color, clRed);
  EXPECT_EQ(st->GetContentParams(n2, 0).Color, clGreen);
  // The content event wins over the parity styles.
  st->OnGetContentStyle = [&](TObject*, Integer, TvxTreeListNode* n, TvxStyle*& s) {
    if (n == n1) s = &blue;
  };
  EXPECT_EQ(st->GetContentParams(n1, 0).Color, clBlue);
  EXPECT_EQ(st->GetContentParams(n0, 0).Color, clGreen);
}

TEST_F(StylesFixture, HotTrackedNodeUsesHotTrackStyle) {
  tl.HotTrackNode = n0;
  TvxViewParams p = st->GetContentParams(n0, 0);
  EXPECT_EQ(p.TextColor, clHighlightText);
  EXPECT_EQ(p.Color, painter->DefaultContentEvenColor());  // the content's colour
  st->PutStyle(tlsHotTrack, &blue);
  EXPECT_EQ(st->GetContentParams(n0, 0).Color, clBlue);
  EXPECT_EQ(st->GetContentParams(n2, 0).Color, painter->DefaultContentEvenColor());
  st->OnGetHotTrackStyle = [&](TObject*, Integer, TvxTreeListNode*, TvxStyle*& s) { s = &red; };
  EXPECT_EQ(st->GetContentParams(n0, 0).Color, clRed);
}

TEST_F(StylesFixture, IndentTakesTheAncestorsColoursUnlessNodeColourIsUsed) {
  n1->Expand(false);
  ASSERT_EQ(n1a->VisibleIndex(), 2);
  st->PutStyle(tlsContentOdd, &red);
  st->PutStyle(tlsContentEven, &green);
  EXPECT_EQ(st->GetIndentParams(n1a, 0).Color, clGreen);  // the node's own (even)
  tl.OptionsView()->SetUseNodeColorForIndent(false);
  EXPECT_EQ(st->GetIndentParams(n1a, 1).Color, clRed);  // the parent at level 1 (odd)
  EXPECT_EQ(st->GetIndentParams(n1a, 2).Color, clGreen);
}

TEST_F(StylesFixture, AssignCopiesTreeListStylesIncludingHotTrack) {
  TvxStyle& yellow = blue;  // outlives the second tree list
  yellow.SetTextColor(clBlack);
  TvxCustomTreeList other;
  other.Styles()->PutStyle(tlsHotTrack, &yellow);
  other.Styles()->PutStyle(tlsContent, &yellow);
  other.Styles()->PutStyle(tlsSelection, &yellow);
  st->Assign(other.Styles());
  EXPECT_EQ(st->FindStyle(tlsHotTrack), &yellow);
  EXPECT_EQ(st->FindStyle(tlsContent), &yellow);
  EXPECT_TRUE(st->IsSelectionTextAssigned(true));
  EXPECT_FALSE(st->IsSelectionTextAssigned(false));
}

}  // namespace

}  // namespace ZS_UNITY_ID
