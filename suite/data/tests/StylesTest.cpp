#include <gtest/gtest.h>

#include <map>

#include "vxStyles.h"

namespace ZS_UNITY_ID {

namespace {

// A control's styles: defaults of its own, and a count of each index's changes.
class TTestStyles : public TvxStyles {
  DECLARE_CLASS(TTestStyles, TvxStyles)
 public:
  using TvxStyles::TvxStyles;
  void StyleChanged(Integer AIndex) override { ++Changes[AIndex]; }
  void GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams) override {
    TvxStyles::GetDefaultViewParams(AIndex, AData, AParams);
    ++DefaultCalls;
    AParams.Color = clWindow;
    AParams.Font = &DefaultFont;
    AParams.TextColor = clWindowText;
    AParams.Bitmap = nullptr;
  }
  std::map<Integer, int> Changes;
  int DefaultCalls = 0;
  TFont DefaultFont;
};

class TOtherStyles : public TvxStyles {
  DECLARE_CLASS(TOtherStyles, TvxStyles)
 public:
  using TvxStyles::TvxStyles;
};

class TTestStyleSheet : public TvxCustomStyleSheet {
  DECLARE_CLASS(TTestStyleSheet, TvxCustomStyleSheet)
 public:
  using TvxCustomStyleSheet::TvxCustomStyleSheet;
  TvxCustomStylesClass GetStylesClass() const override { return TTestStyles::StaticClass(); }
};

class TOtherStyleSheet : public TvxCustomStyleSheet {
  DECLARE_CLASS(TOtherStyleSheet, TvxCustomStyleSheet)
 public:
  using TvxCustomStyleSheet::TvxCustomStyleSheet;
  TvxCustomStylesClass GetStylesClass() const override { return TOtherStyles::StaticClass(); }
};

class TWritingForm : public TComponent {
  DECLARE_CLASS(TWritingForm, TComponent)
 public:
  TWritingForm() : TComponent(nullptr) {}
  void SetWriting(bool On) { SetComponentStateItem(csWriting, On); }
};

class TStylesTest : public testing::Test {
 protected:
  TWritingForm Form;
  TvxStyleRepository* Repository = new TvxStyleRepository(&Form);
  TvxStyle* NewStyle() { return static_cast<TvxStyle*>(Repository->CreateItemEx(TvxStyle::StaticClass(), &Form)); }
};

}  // namespace

TEST_F(TStylesTest, ViewParamsResolveThroughStyleAndDefaults) {
  TTestStyles styles(&Form);
  TvxStyle* content = NewStyle();
  content->SetColor(clRed);
  styles.PutStyle(0, content);
  TvxViewParams p;
  styles.GetViewParams(0, nullptr, nullptr, p);
  EXPECT_EQ(p.Color, clRed);
  EXPECT_EQ(p.Font, &styles.DefaultFont);
  EXPECT_EQ(p.TextColor, clWindowText);
  EXPECT_EQ(p.Bitmap, nullptr);
  EXPECT_EQ(styles.DefaultCalls, 1);

  // An explicit style's text colour wins for the text colour only.
  TvxStyle explicitStyle(nullptr);
  explicitStyle.SetTextColor(clBlue);
  styles.GetViewParams(0, nullptr, &explicitStyle, p);
  EXPECT_EQ(p.TextColor, clBlue);
  EXPECT_EQ(p.Color, clRed);

  // Back to clDefault: the value falls back again.
  content->SetColor(clDefault);
  EXPECT_FALSE(content->AssignedValues().Contains(svColor));
  styles.GetViewParams(0, nullptr, nullptr, p);
  EXPECT_EQ(p.Color, clWindow);

  // With every value assigned the defaults are not asked.
  TFont font;
  content->SetColor(clGreen);
  content->SetTextColor(clYellow);
  content->SetFont(&font);
  EXPECT_TRUE(content->AssignedValues().Contains(svFont));
  int calls = styles.DefaultCalls;
  styles.GetViewParams(0, nullptr, nullptr, p);
  EXPECT_EQ(styles.DefaultCalls, calls);
  EXPECT_EQ(p.Font, content->Font());
  EXPECT_FALSE(styles.UsesDefaultFont(0));
  EXPECT_TRUE(styles.UsesDefaultFont(1));
}

TEST_F(TStylesTest, BitmapsAreReturnedOnlyWhenAsked) {
  TTestStyles styles(&Form);
  TvxStyle* s = NewStyle();
  styles.PutStyle(2, s);
  TBitmap bmp(4, 4);
  s->SetBitmap(&bmp);
  EXPECT_TRUE(s->AssignedValues().Contains(svBitmap));
  TvxViewParams p;
  styles.GetViewParams(2, nullptr, nullptr, p);
  EXPECT_EQ(p.Bitmap, nullptr);
  styles.BitmapInViewParams = true;
  styles.GetViewParams(2, nullptr, nullptr, p);
  EXPECT_EQ(p.Bitmap, s->Bitmap());
  EXPECT_EQ(styles.GetBitmap(2), s->Bitmap());
  TBitmap empty;
  s->SetBitmap(&empty);
  EXPECT_FALSE(s->AssignedValues().Contains(svBitmap));
  EXPECT_EQ(styles.GetBitmap(2), nullptr);
}

TEST_F(TStylesTest, NotificationCounts) {
  TTestStyles styles(&Form);
  TvxStyle* s = NewStyle();
  styles.PutStyle(1, s);
  styles.PutStyle(1, s);
  EXPECT_EQ(styles.Changes[1], 1);
  styles.PutStyle(3, s);
  styles.PutStyle(5, s);
  styles.Changes.clear();
  s->SetColor(clRed);
  EXPECT_EQ(styles.Changes, (std::map<Integer, int>{{1, 1}, {3, 1}, {5, 1}}));
  EXPECT_EQ(s->ListenerCount(), 1);
  // Destroying a style used at three indexes removes all three and tells each once.
  styles.Changes.clear();
  delete s;
  EXPECT_EQ(styles.Changes, (std::map<Integer, int>{{1, 1}, {3, 1}, {5, 1}}));
  EXPECT_EQ(styles.Count(), 0);
  EXPECT_EQ(Repository->Count(), 0);
}

TEST_F(TStylesTest, SheetsChainAndNotifyTheirUsers) {
  auto* sheet = static_cast<TTestStyleSheet*>(Repository->CreateStyleSheetEx(TTestStyleSheet::StaticClass(), &Form));
  auto* base = static_cast<TTestStyleSheet*>(Repository->CreateStyleSheetEx(TTestStyleSheet::StaticClass(), &Form));
  TvxStyle* inSheet = NewStyle();
  TvxStyle* inBase = NewStyle();
  sheet->Styles()->PutStyle(4, inSheet);
  base->Styles()->PutStyle(6, inBase);
  sheet->Styles()->SetStyleSheet(base);
  TTestStyles styles(&Form);
  styles.SetStyleSheet(sheet);
  EXPECT_EQ(styles.Changes, (std::map<Integer, int>{{4, 1}, {6, 1}}));
  EXPECT_EQ(styles.FindStyle(4), inSheet);
  EXPECT_EQ(styles.FindStyle(6), inBase);  // sheets chain
  EXPECT_EQ(sheet->UserCount(), 1);
  styles.Changes.clear();
  inSheet->SetTextColor(clRed);
  EXPECT_EQ(styles.Changes, (std::map<Integer, int>{{4, 1}}));
  // While the owning form is written only own styles count.
  Form.SetWriting(true);
  EXPECT_EQ(styles.FindStyle(4), nullptr);
  Form.SetWriting(false);
  // Invalid sheets: the styles' own sheet, another styles class, a cycle.
  EXPECT_FALSE(sheet->Styles()->IsValidStyleSheet(sheet));
  TOtherStyleSheet other(&Form);
  EXPECT_FALSE(styles.IsValidStyleSheet(&other));
  EXPECT_FALSE(base->Styles()->IsValidStyleSheet(sheet));
  base->Styles()->SetStyleSheet(sheet);
  EXPECT_EQ(base->Styles()->StyleSheet(), nullptr);
  EXPECT_TRUE(styles.IsValidStyleSheet(nullptr));
  // Destroying a sheet detaches its users.
  delete sheet;
  EXPECT_EQ(styles.StyleSheet(), nullptr);
  EXPECT_EQ(styles.FindStyle(4), nullptr);
}

TEST_F(TStylesTest, RepositoryAndSheetProperties) {
  TvxStyle* a = NewStyle();
  TvxStyle* b = static_cast<TvxStyle*>(Repository->CreateItem(TvxStyle::StaticClass()));
  EXPECT_EQ(a->StyleRepository(), Repository);
  EXPECT_EQ(b->Owner(), Repository);
  EXPECT_EQ(b->Index(), 1);
  EXPECT_TRUE(a->HasParent());
  std::vector<TComponent*> children;
  Repository->GetChildren([&](TComponent* c) { children.push_back(c); }, &Form);
  EXPECT_EQ(children, std::vector<TComponent*>({a}));
  a->SetStyleRepository(nullptr);
  EXPECT_EQ(Repository->Count(), 1);
  EXPECT_EQ(b->Index(), 0);
  Repository->Clear();
  EXPECT_EQ(Repository->Count(), 0);

  auto* sheet = static_cast<TTestStyleSheet*>(Repository->CreateStyleSheetEx(TTestStyleSheet::StaticClass(), &Form));
  sheet->SetName(L"Sheet1");
  EXPECT_EQ(sheet->Caption(), L"Sheet1");
  sheet->SetCaption(L"Grid look");
  EXPECT_EQ(sheet->Caption(), L"Grid look");
  sheet->SetCaption(L"SHEET1");
  EXPECT_EQ(sheet->Caption(), L"Sheet1");
  TvxStyle* s = NewStyle();
  s->SetColor(clAqua);
  sheet->Styles()->PutStyle(2, s);
  auto* copy = static_cast<TTestStyleSheet*>(Repository->CreateStyleSheetEx(TTestStyleSheet::StaticClass(), &Form));
  copy->CopyFrom(sheet);
  auto* copied = dynamic_cast<TvxStyle*>(copy->Styles()->FindStyle(2));
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, s);
  EXPECT_EQ(copied->Color(), clAqua);
  EXPECT_EQ(Repository->StyleSheetCount(), 2);
  delete a;

  Repository->Scalable = true;
  Repository->PixelsPerInch = 192;
  TSize ppi{0, 0};
  vxGetScreenPixelsPerInch(ppi);
  ASSERT_GT(ppi.cy, 0);
  ASSERT_NE(ppi.cy, 192);
  EXPECT_EQ(Repository->ScaleFontHeight(-24), MulDiv(-24, ppi.cy, 192));
  Repository->PixelsPerInch = ppi.cy;
  EXPECT_EQ(Repository->ScaleFontHeight(-24), -24);
  Repository->Scalable = false;
  EXPECT_EQ(Repository->ScaleFontHeight(-24), -24);
}

TEST_F(TStylesTest, AssignAndRestoreDefaults) {
  TvxStyle* a = NewStyle();
  TvxStyle* b = NewStyle();
  a->SetColor(clRed);
  a->SetTextColor(clBlue);
  b->Assign(a);
  EXPECT_EQ(b->Color(), clRed);
  EXPECT_EQ(b->AssignedValues(), a->AssignedValues());
  TTestStyles styles(&Form);
  styles.PutStyle(0, b);
  styles.Changes.clear();
  b->RestoreDefaults();
  EXPECT_TRUE(b->AssignedValues().Empty());
  EXPECT_EQ(b->Color(), clDefault);
  EXPECT_EQ(styles.Changes[0], 1);
  styles.ResetStyles();
  EXPECT_EQ(styles.Count(), 0);
  EXPECT_EQ(b->ListenerCount(), 0);
  // Style indexes past the number of assigned items go too.
  styles.PutStyle(3, a);
  styles.PutStyle(7, b);
  styles.ResetStyles();
  EXPECT_EQ(styles.Count(), 0);
  EXPECT_EQ(a->ListenerCount(), 0);
  EXPECT_EQ(b->ListenerCount(), 0);
}

namespace {

class TStyleForm : public TComponent {
  DECLARE_CLASS(TStyleForm, TComponent)
 public:
  using TComponent::TComponent;
  TStyleForm() : TComponent(nullptr) {}
  // As a form: writes the owned components that have no parent of their own.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    for (Integer i = 0; i < ComponentCount(); ++i)
      if (!Components(i)->HasParent()) Proc(Components(i));
  }
};

}  // namespace

TEST(StylesStreaming, RepositoryStylesAndSheetsRoundTrip) {
  RegisterClasses({TStyleForm::StaticClass(), TvxStyleRepository::StaticClass(), TvxStyle::StaticClass(),
                   TTestStyleSheet::StaticClass()});
  TMemoryStream stream;
  {
    TStyleForm form;
    form.SetName(L"Form1");
    auto* repository = new TvxStyleRepository(&form);
    repository->SetName(L"Repository1");
    repository->Scalable = true;
    auto* style = static_cast<TvxStyle*>(repository->CreateItemEx(TvxStyle::StaticClass(), &form));
    style->SetName(L"Red");
    style->SetColor(clRed);
    auto* plain = static_cast<TvxStyle*>(repository->CreateItemEx(TvxStyle::StaticClass(), &form));
    plain->SetName(L"Plain");
    auto* sheet = static_cast<TTestStyleSheet*>(repository->CreateStyleSheetEx(TTestStyleSheet::StaticClass(), &form));
    sheet->SetName(L"Sheet1");
    sheet->SetCaption(L"Look");
    sheet->SetBuiltIn(true);
    WriteComponentToStream(&stream, &form);
  }
  String text = ObjectBinaryToText(TBytes(static_cast<const Byte*>(stream.Memory()),
                                          static_cast<const Byte*>(stream.Memory()) + stream.Size()));
  EXPECT_NE(text.find(L"Color = clRed"), String::npos) << text;
  EXPECT_EQ(text.find(L"TextColor"), String::npos);  // not assigned, not written
  EXPECT_NE(text.find(L"PixelsPerInch"), String::npos);
  EXPECT_NE(text.find(L"BuiltIn = True"), String::npos);
  stream.SetPosition(0);
  TStyleForm loaded;
  ReadComponentFromStream(&stream, &loaded);
  auto* repository = dynamic_cast<TvxStyleRepository*>(loaded.FindComponent(L"Repository1"));
  ASSERT_NE(repository, nullptr);
  EXPECT_TRUE(repository->Scalable);
  ASSERT_EQ(repository->Count(), 2);
  auto* red = dynamic_cast<TvxStyle*>(loaded.FindComponent(L"Red"));
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red->StyleRepository(), repository);
  EXPECT_EQ(red->Color(), clRed);
  EXPECT_EQ(red->AssignedValues(), TvxStyleValues({svColor}));
  ASSERT_EQ(repository->StyleSheetCount(), 1);
  EXPECT_EQ(repository->StyleSheets(0)->Caption(), L"Look");
  EXPECT_TRUE(repository->StyleSheets(0)->BuiltIn());
}

}  // namespace ZS_UNITY_ID
