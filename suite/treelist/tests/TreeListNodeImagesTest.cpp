// Node images and check boxes in the indent of a shown tree list: the cells a row gets for
// them, the pixels they paint (images, selected and overlay images, check boxes and radio
// buttons), their hit codes, and real clicks that check nodes.
#include <algorithm>
#include <memory>

#include "TreeListViewTestSupport.h"

namespace ZS_UNITY_ID {
using namespace ::tlv_test;

namespace tlv_test {
namespace {

const TColor kColours[] = {clRed, clLime, clBlue, clYellow};

// Four solid images of ASize pixels in the colours above, and a fifth whose left half is
// transparent and right half aqua (an overlay).
std::unique_ptr<TImageList> MakeImages(Integer ASize) {
  auto list = std::make_unique<TImageList>(ASize, ASize);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(5 * ASize, ASize);
  for (int i = 0; i < 4; ++i) {
    b.Canvas()->Brush()->SetColor(kColours[i]);
    b.Canvas()->FillRect(RECT{i * ASize, 0, (i + 1) * ASize, ASize});
  }
  b.Canvas()->Brush()->SetColor(clFuchsia);
  b.Canvas()->FillRect(RECT{4 * ASize, 0, 4 * ASize + ASize / 2, ASize});
  b.Canvas()->Brush()->SetColor(clAqua);
  b.Canvas()->FillRect(RECT{4 * ASize + ASize / 2, 0, 5 * ASize, ASize});
  list->AddMasked(&b, clFuchsia);
  return list;
}

COLORREF Rgb(TColor C) { return static_cast<COLORREF>(ColorToRGB(C)); }

struct ImagesFixture : ListFixture {
  std::unique_ptr<TImageList> Images = MakeImages(16);
  std::unique_ptr<TImageList> States = MakeImages(16);

  TvxTreeListIndentCellViewInfo* Indent(Node* N, TvxTreeListNodeIndentKind AKind) {
    for (TvxTreeListIndentCellViewInfo* c : Indents(N))
      if (c->Kind == AKind) return c;
    return nullptr;
  }
  // The left of the first column's header: where the indent begins.
  Integer HeaderRect0() {
    for (Integer i = 0; i < VI()->Cells().Count(); ++i)
      if (auto* h = dynamic_cast<TvxTreeListColumnHeaderCellViewInfo*>(VI()->Cells().Items(i));
          h && h->Column() == TL->Columns(0))
        return h->BoundsRect().left;
    return -1;
  }
  TPoint Centre(const TRect& R) { return TPoint{(R.left + R.right) / 2, (R.top + R.bottom) / 2}; }
  COLORREF Pixel(Integer X, Integer Y) {
    int w = 0, h = 0;
    std::vector<DWORD> p = WindowPixels(TL->Handle(), w, h);
    return PixelRgb(p, w, X, Y);
  }
};

TEST_F(ImagesFixture, RowsShowStateImageAndImageInFrontOfTheirCells) {
  Fill(3);
  Row(0)->SetStateIndex(1);
  Row(1)->SetStateIndex(7);  // not in the list: no state image
  Row(1)->SetImageIndex(2);
  Row(2)->SetImageIndex(-1);
  TL->SetStateImages(States.get());
  TL->SetImages(Images.get());
  Relayout();

  struct Case {
    Integer Row;
    bool State;
    COLORREF Image;  // the image cell's centre
  } cases[] = {{0, true, Rgb(clRed)}, {1, false, Rgb(clBlue)}, {2, false, 0xFFFFFFFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Row);
    TvxTreeListIndentCellViewInfo* state = Indent(Row(c.Row), nikState);
    TvxTreeListIndentCellViewInfo* image = Indent(Row(c.Row), nikImage);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(state != nullptr, c.State);
    EXPECT_EQ(image->DisplayRect.right - image->DisplayRect.left, 16 + 3);
    // The node's cells begin after its indent.
    EXPECT_EQ(VI()->GetEditCell(Row(c.Row), TL->Columns(0))->BoundsRect().left, image->DisplayRect.right);
    const TPoint p = Centre(image->GlyphRect);
    if (c.Image != 0xFFFFFFFF) EXPECT_EQ(Pixel(p.x, p.y), c.Image);
    else EXPECT_NE(Pixel(p.x, p.y), Rgb(clRed));  // index -1 draws nothing
    if (state) {
      EXPECT_EQ(state->DisplayRect.right, image->DisplayRect.left);
      const TPoint s = Centre(state->GlyphRect);
      EXPECT_EQ(Pixel(s.x, s.y), Rgb(clLime));
    }
  }
  // The rows are as high as the images need.
  EXPECT_GE(VI()->NodeViewData(Row(0))->Bounds().bottom - VI()->NodeViewData(Row(0))->Bounds().top, 16 + 3);

  // Hits: the image counts as the node's content (a click focuses it), the state image too.
  TvxTreeListIndentCellViewInfo* image = Indent(Row(1), nikImage);
  TPoint p = Centre(image->GlyphRect);
  TvxTreeListHitTest* h = HitAt(p.x, p.y);
  EXPECT_TRUE(h->HitAt(tlhcImage));
  EXPECT_TRUE(h->HitAtImages());
  EXPECT_EQ(h->HitNode, Row(1));
  p = Centre(Indent(Row(0), nikState)->GlyphRect);
  EXPECT_TRUE(HitAt(p.x, p.y)->HitAt(tlhcStateImage));
  p = Centre(image->GlyphRect);
  Click(p.x, p.y);
  EXPECT_EQ(TL->FocusedNode(), Row(1));
}

TEST_F(ImagesFixture, SelectedOverlayAndEventImages) {
  Fill(3);
  TL->SetImages(Images.get());
  Row(0)->SetImageIndex(0);
  Row(0)->SetSelectedIndex(3);
  Row(1)->SetImageIndex(1);
  Row(1)->SetOverlayIndex(4);
  Relayout();
  auto imageAt = [&](Integer ARow, Integer ADx) {
    const TRect g = Indent(Row(ARow), nikImage)->GlyphRect;
    return Pixel(g.left + ADx, (g.top + g.bottom) / 2);
  };
  // The overlay is drawn over the image at the same place: its transparent half shows the
  // image under it.
  EXPECT_EQ(imageAt(1, 3), Rgb(clLime));
  EXPECT_EQ(imageAt(1, 12), Rgb(clAqua));

  // A selected node shows its selected image only without UseImageIndexForSelected.
  struct Case {
    bool UseImageIndex;
    COLORREF Selected;
  } cases[] = {{true, Rgb(clRed)}, {false, Rgb(clYellow)}};
  for (const Case& c : cases) {
    TL->OptionsView()->SetUseImageIndexForSelected(c.UseImageIndex);
    Click(TL->ClientWidth() / 2, RowY(0));
    Relayout();
    EXPECT_EQ(imageAt(0, 8), c.Selected) << c.UseImageIndex;
    Click(TL->ClientWidth() / 2, RowY(2));
    Relayout();
    EXPECT_EQ(imageAt(0, 8), Rgb(clRed)) << c.UseImageIndex;
  }

  // OnGetNodeImageIndex has the last word; indexes it writes relay nothing out.
  Node* third = Row(2);
  int layouts = 0;
  TL->OnLayoutChanged = [&](TObject*) { ++layouts; };
  TL->OnGetNodeImageIndex = [&](TObject*, Node* N, TvxTreeListImageIndexType T, Integer& I) {
    if (N == third && (T == tlitImageIndex || T == tlitSelectedIndex)) {
      N->SetImageIndex(1);
      I = 2;
    }
  };
  EXPECT_EQ(third->ImageIndex(), 2);
  EXPECT_EQ(third->ImageIndexes(tlitImageIndex), 1);
  EXPECT_EQ(layouts, 0);
  Relayout();
  EXPECT_EQ(imageAt(2, 8), Rgb(clBlue));
}

TEST_F(ImagesFixture, LargerImagesWidenTheIndentStepAndHeightenTheRows) {
  Fill(2);
  Node* child = TL->AddChild(Row(0));
  child->SetValues(1, Variant(String(L"child")));
  TL->FullExpand();
  Relayout();
  const Integer plainStep = Indents(Row(0)).front()->DisplayRect.right - Indents(Row(0)).front()->DisplayRect.left;
  std::unique_ptr<TImageList> big = MakeImages(24);
  TL->SetImages(big.get());
  Relayout();
  ASSERT_EQ(TL->LevelInfoCount(), 2);
  EXPECT_EQ(TL->DefaultIndentSize().cx, std::max<Integer>(plainStep, 24 + 3));
  EXPECT_GE(TL->DefaultIndentSize().cy, 24 + 3);
  TvxTreeListNodeViewData* row = VI()->NodeViewData(child);
  EXPECT_GE(row->Bounds().bottom - row->Bounds().top, 24 + 3);
  // The child's level step lies under its parent's image, so that the line from the image
  // down to the child meets the child's line.
  TvxTreeListIndentCellViewInfo* parentImage = Indent(Row(0), nikImage);
  TvxTreeListIndentCellViewInfo* childLevel = Indents(child)[1];
  EXPECT_EQ(childLevel->DisplayRect.left, parentImage->DisplayRect.left);
  EXPECT_TRUE(parentImage->LineDown);
  EXPECT_EQ(parentImage->VertTreeLine().left, childLevel->VertTreeLine().left);
  EXPECT_EQ(parentImage->VertTreeLine().top, parentImage->GlyphRect.bottom);

  // Without root lines the top level has no step: the parent's image starts the indent, and
  // the child's step still lies under it.
  TL->OptionsView()->SetShowRoot(false);
  Relayout();
  const Integer bandLeft = HeaderRect0();
  parentImage = Indent(Row(0), nikImage);
  ASSERT_EQ(Indents(Row(0)).size(), 1u);
  EXPECT_EQ(parentImage->DisplayRect.left, bandLeft);
  childLevel = Indents(child)[0];
  EXPECT_EQ(childLevel->DisplayRect.left, bandLeft);
  EXPECT_EQ(parentImage->VertTreeLine().left, childLevel->VertTreeLine().left);
  EXPECT_EQ(TL->GetIndentWidth(), 2 * (24 + 3));
  TL->OptionsView()->SetShowRoot(true);
  Relayout();

  // A list freed while it is shown is forgotten: the rows lose their images.
  big.reset();
  Relayout();
  EXPECT_EQ(TL->Images(), nullptr);
  EXPECT_EQ(Indent(Row(0), nikImage), nullptr);
  EXPECT_EQ(TL->DefaultIndentSize().cx, plainStep);
}

TEST_F(ImagesFixture, DynamicFocusedStateImagesShowOnlyOnTheFocusedNode) {
  Fill(3);
  for (Integer i = 0; i < 3; ++i) Row(i)->SetStateIndex(0);
  TL->SetStateImages(States.get());
  TL->OptionsView()->SetDynamicFocusedStateImages(true);
  Relayout();
  for (Integer i = 0; i < 3; ++i) EXPECT_EQ(Indent(Row(i), nikState), nullptr);
  Click(TL->ClientWidth() / 2, RowY(1));
  Relayout();
  EXPECT_EQ(Indent(Row(0), nikState), nullptr);
  ASSERT_NE(Indent(Row(1), nikState), nullptr);
  const TPoint p = Centre(Indent(Row(1), nikState)->GlyphRect);
  EXPECT_EQ(Pixel(p.x, p.y), Rgb(clRed));
}

// A check group (P: C1, C2, C3) and a radio group (R: R1, R2) on shown rows.
struct ChecksFixture : ImagesFixture {
  Node *P = nullptr, *C1 = nullptr, *C2 = nullptr, *C3 = nullptr, *R = nullptr, *R1 = nullptr, *R2 = nullptr;
  void Build() {
    TL->Clear();
    TL->OptionsView()->SetCheckGroups(true);
    P = TL->Add();
    C1 = TL->AddChild(P);
    C2 = TL->AddChild(P);
    C3 = TL->AddChild(P);
    R = TL->Add();
    R1 = TL->AddChild(R);
    R2 = TL->AddChild(R);
    const std::pair<Node*, const wchar_t*> names[] = {{P, L"P"},   {C1, L"C1"}, {C2, L"C2"}, {C3, L"C3"},
                                                      {R, L"R"},   {R1, L"R1"}, {R2, L"R2"}};
    for (auto& [n, s] : names) n->SetValues(1, Variant(String(s)));
    P->SetCheckGroupType(ncgCheckGroup);
    R->SetCheckGroupType(ncgRadioGroup);
    TL->FullExpand();
    Relayout();
  }
  TPoint Check(Node* N) { return Centre(Indent(N, nikCheck)->GlyphRect); }
};

TEST_F(ChecksFixture, GroupMembersShowCheckBoxesOrRadioButtons) {
  Build();
  TvxCustomLookAndFeelPainterClass p = TL->LookAndFeelPainter();
  // Only children of a group have a check box: the check cell, then the node's cells.
  EXPECT_EQ(Indent(P, nikCheck), nullptr);
  for (Node* n : {C1, R1}) {
    TvxTreeListIndentCellViewInfo* c = Indent(n, nikCheck);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->DisplayRect.right - c->DisplayRect.left, VI()->CheckboxSize().cx);
    EXPECT_EQ(VI()->GetEditCell(n, TL->Columns(0))->BoundsRect().left, c->DisplayRect.right);
    const TSize glyph = n == R1 ? p->RadioButtonSize() : p->CheckButtonSize();
    EXPECT_EQ(c->GlyphRect.right - c->GlyphRect.left, glyph.cx);
    EXPECT_EQ(c->GlyphRect.bottom - c->GlyphRect.top, glyph.cy);
    // The check box is a button, not the node's content.
    const TPoint at = Check(n);
    TvxTreeListHitTest* h = HitAt(at.x, at.y);
    EXPECT_TRUE(h->HitAt(tlhcCheckButton));
    EXPECT_TRUE(h->HitAtIndent());
    EXPECT_EQ(h->HitNode, n);
    EXPECT_FALSE(TL->TreeListController()->HitAtNodeContent());
  }
  // The indent leaves room for the check box in front of every node's cells.
  EXPECT_GE(TL->GetIndentWidth(), 2 * TL->DefaultIndentSize().cx + VI()->CheckboxSize().cx);

  C1->SetChecked(true);
  C2->SetCheckState(cbsGrayed);
  R2->SetChecked(true);
  Relayout();
  int w = 0, h = 0;
  std::vector<DWORD> px = WindowPixels(TL->Handle(), w, h);
  const TRect area{0, VI()->NodeViewData(P)->Bounds().top, 90, VI()->NodeViewData(R2)->Bounds().bottom};
  std::vector<DWORD> crop;
  for (Integer y = area.top; y < area.bottom; ++y)
    for (Integer x = area.left; x < area.right; ++x) crop.push_back(px[static_cast<size_t>(y) * w + x]);
  ExpectMatchesImage(L"TreeListNodeChecks", area.right - area.left, area.bottom - area.top, crop);

  // The check box under the mouse is drawn hot, and cools when the mouse leaves it.
  TL->LookAndFeel()->SetKind(lfUltraFlat);
  Relayout();
  auto glyphPixels = [&] {
    const TRect g = Indent(C3, nikCheck)->GlyphRect;
    int ww = 0, hh = 0;
    std::vector<DWORD> all = WindowPixels(TL->Handle(), ww, hh), r;
    for (Integer y = g.top; y < g.bottom; ++y)
      for (Integer x = g.left; x < g.right; ++x) r.push_back(all[static_cast<size_t>(y) * ww + x]);
    return r;
  };
  auto moveTo = [&](TPoint P) {
    POINT s{P.x, P.y};
    ClientToScreen(TL->Handle(), &s);
    SetCursorPos(s.x, s.y);
    Pump(60);
    UpdateWindow(TL->Handle());
    Pump(20);
  };
  const std::vector<DWORD> cold = glyphPixels();
  moveTo(Check(C3));
  EXPECT_TRUE(Indent(C3, nikCheck)->HotTrack);
  EXPECT_NE(glyphPixels(), cold);
  moveTo(TPoint{TL->ClientWidth() / 2, RowY(0)});
  EXPECT_FALSE(Indent(C3, nikCheck)->HotTrack);
  EXPECT_EQ(glyphPixels(), cold);
}

TEST_F(ChecksFixture, ClickingACheckBoxChecksTheNodeWithoutFocusingIt) {
  Build();
  Click(TL->ClientWidth() / 2, RowY(0));
  ASSERT_EQ(TL->FocusedNode(), P);
  std::vector<std::pair<Node*, TvxCheckBoxState>> events;
  TL->OnNodeCheckChanged = [&](TObject*, Node* N, TvxCheckBoxState S) { events.emplace_back(N, S); };
  const COLORREF unchecked = Pixel(Check(C1).x, Check(C1).y);

  TPoint at = Check(C1);
  Click(at.x, at.y);
  EXPECT_EQ(C1->CheckState(), cbsChecked);
  EXPECT_EQ(P->CheckState(), cbsGrayed);
  EXPECT_EQ(TL->FocusedNode(), P);
  EXPECT_NE(std::find(events.begin(), events.end(), std::make_pair(C1, cbsChecked)), events.end());
  UpdateWindow(TL->Handle());
  Pump(30);
  at = Check(C1);
  EXPECT_NE(Pixel(at.x, at.y), unchecked);  // the mark shows

  // Clicking again unchecks; a disabled node keeps its state.
  Click(at.x, at.y);
  EXPECT_EQ(C1->CheckState(), cbsUnchecked);
  C2->SetEnabled(false);
  Relayout();
  at = Check(C2);
  Click(at.x, at.y);
  EXPECT_EQ(C2->CheckState(), cbsUnchecked);

  // Space checks the focused node when it has a check box.
  Click(TL->ClientWidth() / 2, RowY(3));
  ASSERT_EQ(TL->FocusedNode(), C3);
  Key(VK_SPACE);
  EXPECT_EQ(C3->CheckState(), cbsChecked);

  // A radio button checks its node and unchecks its sibling; a checked one stays checked.
  at = Check(R1);
  Click(at.x, at.y);
  EXPECT_TRUE(R1->Checked());
  at = Check(R2);
  Click(at.x, at.y);
  EXPECT_TRUE(R2->Checked());
  EXPECT_FALSE(R1->Checked());
  at = Check(R2);
  Click(at.x, at.y);
  EXPECT_TRUE(R2->Checked());
  EXPECT_EQ(R->CheckState(), cbsChecked);
}

}  // namespace
}  // namespace tlv_test

}  // namespace ZS_UNITY_ID
