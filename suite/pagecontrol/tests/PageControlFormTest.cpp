// The page control in a form file: what the text gives reaches the control and its sheets
// (events bound to the form's methods, images, slants, the rotated tab limit), a text
// written, read back and written again is the same, and reading many sheets lays the
// tabs out a fixed number of times instead of once per sheet.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "ImgList.h"
#include "PageControlTestSupport.h"
#include "Streaming.h"

namespace ZS_UNITY_ID {

using namespace pc_test;

namespace {

// Counts the image queries of its tabs: every layout asks once per tab.
class TCountedPageControl : public TvxPageControl {
  DECLARE_CLASS(TCountedPageControl, TvxPageControl)
 public:
  explicit TCountedPageControl(TComponent* AOwner) : TvxPageControl(AOwner) {
    OnGetImageIndex = [](TObject*, Integer, Integer&) { ++Queries; };
  }
  static inline Integer Queries = 0;
  static inline Integer AtLoaded = -1, AfterLoaded = -1;
  void Loaded() override {
    AtLoaded = Queries;
    TvxPageControl::Loaded();
    AfterLoaded = Queries;
  }
};

class TPagesForm : public TForm {
  DECLARE_CLASS(TPagesForm, TForm)
  PUBLISHED(TPagesForm)
 public:
  using TForm::TForm;
  TvxPageControl* Pages = nullptr;
  TvxTabSheet* First = nullptr;
  TvxTabSheet* Second = nullptr;
  std::vector<std::string> Log;
  void PagesChange(TObject*) { Log.push_back("change"); }
  void PagesPageChanging(TObject*, TvxTabSheet* NewPage, bool&) {
    Log.push_back("page changing " + std::to_string(NewPage ? NewPage->PageIndex() : -1));
  }
  void SheetShow(TObject* Sender) { Log.push_back("show " + std::to_string(static_cast<TvxTabSheet*>(Sender)->PageIndex())); }
  void SheetHide(TObject* Sender) { Log.push_back("hide " + std::to_string(static_cast<TvxTabSheet*>(Sender)->PageIndex())); }
  void PagesDockDrop(TObject*, TDragDockObject*, Integer, Integer) { Log.push_back("dock drop"); }
  void PagesUnDock(TObject*, TControl*, TWinControl*, bool&) { Log.push_back("undock"); }
};
void TPagesForm::DeclarePublished(TPublisher<TPagesForm>& P) {
  P.Field(L"Pages", &TPagesForm::Pages);
  P.Field(L"First", &TPagesForm::First);
  P.Field(L"Second", &TPagesForm::Second);
  P.Method(L"PagesChange", &TPagesForm::PagesChange);
  P.Method(L"PagesPageChanging", &TPagesForm::PagesPageChanging);
  P.Method(L"SheetShow", &TPagesForm::SheetShow);
  P.Method(L"SheetHide", &TPagesForm::SheetHide);
  P.Method(L"PagesDockDrop", &TPagesForm::PagesDockDrop);
  P.Method(L"PagesUnDock", &TPagesForm::PagesUnDock);
}

const wchar_t* const PagesText =
    L"object PagesForm: TPagesForm\n"
    L"  Left = 40\n  Top = 40\n  ClientWidth = 420\n  ClientHeight = 260\n"
    L"  object Pics: TImageList\n"
    L"  end\n"
    L"  object Pages: TvxPageControl\n"
    L"    Left = 0\n    Top = 0\n    Width = 400\n    Height = 240\n"
    L"    ActivePage = Second\n"
    L"    DockSite = True\n"
    L"    Images = Pics\n"
    L"    MaxRotatedTabWidth = 5\n"
    L"    TabSlants.Kind = skCutCorner\n"
    L"    TabSlants.Positions = [spLeft, spRight]\n"
    L"    OnChange = PagesChange\n"
    L"    OnPageChanging = PagesPageChanging\n"
    L"    OnDockDrop = PagesDockDrop\n"
    L"    OnUnDock = PagesUnDock\n"
    L"    object First: TvxTabSheet\n"
    L"      Caption = 'First'\n"
    L"      OnHide = SheetHide\n"
    L"      OnShow = SheetShow\n"
    L"    end\n"
    L"    object Second: TvxTabSheet\n"
    L"      Caption = 'Second'\n"
    L"      OnHide = SheetHide\n"
    L"      OnShow = SheetShow\n"
    L"    end\n"
    L"  end\n"
    L"end\n";

struct PageControlFormTest : ::testing::Test {
  void SetUp() override {
    for (TClass c : {TImageList::StaticClass(), TCountedPageControl::StaticClass()})
      if (!GetClass(c->ClassName())) {
        RegisterClass(c);
        Registered.push_back(c);
      }
  }
  void TearDown() override {
    for (TClass c : Registered) UnRegisterClass(c);
  }
  std::vector<TClass> Registered;
};

}  // namespace

TEST_F(PageControlFormTest, FormTextBindsEventsImagesSlantsAndTheRotatedTabLimit) {
  std::unique_ptr<TPagesForm> form(new TPagesForm(nullptr));
  TextToComponent(PagesText, form.get());
  TvxPageControl* p = form->Pages;
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->PageCount(), 2);
  EXPECT_EQ(p->ActivePage(), form->Second);
  EXPECT_EQ(p->Images(), form->FindComponent(L"Pics"));
  EXPECT_EQ(p->TabSlants()->Kind(), skCutCorner);
  EXPECT_TRUE(p->TabSlants()->Positions() == (TvxTabSlantPositions{spLeft, spRight}));
  // A limit below the narrowest tab the painter draws is raised to it.
  EXPECT_EQ(p->MaxRotatedTabWidth(), p->Painter()->GetMinTabNormalWidth(-1));
  EXPECT_GT(p->MaxRotatedTabWidth(), 5);

  form->Show();
  Pump(20);
  form->Log.clear();
  p->SetActivePage(form->First);
  EXPECT_EQ(form->Log, (std::vector<std::string>{"page changing 0", "hide 1", "show 0", "change"}));

  // The dock events are bound too: a control docked in takes a page, and leaves it.
  auto* tool = new TPanel(form.get());
  tool->SetParent(form.get());
  form->Log.clear();
  ASSERT_TRUE(tool->ManualDock(p));
  EXPECT_EQ(p->PageCount(), 3);
  ASSERT_TRUE(tool->ManualDock(form.get()));
  EXPECT_EQ(p->PageCount(), 2);
  auto at = [&](const char* Entry) {
    return std::find(form->Log.begin(), form->Log.end(), Entry) - form->Log.begin();
  };
  EXPECT_LT(at("dock drop"), at("undock"));
  EXPECT_LT(at("undock"), static_cast<std::ptrdiff_t>(form->Log.size()));

  // The sheet's index is a property a form can set; a bad index is refused with the
  // registered text.
  SetOrdProp(form->Second, L"PageIndex", 0);
  EXPECT_EQ(form->Second->PageIndex(), 0);
  try {
    SetOrdProp(form->Second, L"PageIndex", 2);
    ADD_FAILURE() << "no error for a page index past the end";
  } catch (const EListError& E) {
    EXPECT_EQ(E.Message(), L"2 is an invalid PageIndex value.  PageIndex must be between 0 and 1");
  }
}

TEST_F(PageControlFormTest, WrittenReadAndWrittenAgainGivesTheSameText) {
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  form->SetName(L"RoundForm");
  auto* p = new TvxPageControl(form);
  p->SetName(L"Pages");
  p->SetParent(form);
  p->SetBounds(0, 0, 300, 200);
  p->SetMaxRotatedTabWidth(80);
  p->TabSlants()->SetKind(skCutCorner);
  for (int i = 0; i < 3; ++i) {
    auto* s = new TvxTabSheet(form);
    s->SetName(L"Sheet" + std::to_wstring(i));
    s->SetCaption(L"Page " + std::to_wstring(i));
    s->SetPageControl(p);
  }
  // One sheet with a colour and a font of its own: those are written, with the flags
  // that say so; the others take both from the control and write neither.
  p->Pages(2)->SetColor(clRed);
  p->Pages(2)->Font()->SetSize(14);
  const String first = ComponentToText(form);
  EXPECT_EQ(first.find(L"ParentColor"), first.rfind(L"ParentColor")) << "only the coloured sheet says ParentColor";
  EXPECT_NE(first.find(L"MaxRotatedTabWidth = 80"), String::npos);
  EXPECT_NE(first.find(L"TabSlants.Kind = skCutCorner"), String::npos);

  TForm* copy = TCustomForm::Create<TForm>(nullptr);
  TextToComponent(first, copy);
  const String second = ComponentToText(copy);
  EXPECT_EQ(first, second);
  auto* q = dynamic_cast<TvxPageControl*>(copy->FindComponent(L"Pages"));
  ASSERT_NE(q, nullptr);
  EXPECT_TRUE(q->Pages(0)->ParentColor());
  EXPECT_EQ(q->Pages(2)->Color(), clRed);
  EXPECT_EQ(q->Pages(2)->Font()->Size(), 14);
  delete copy;
  delete form;
}

TEST_F(PageControlFormTest, ReadingManySheetsLaysTheTabsOutOnce) {
  String text = L"object ManyForm: TForm\n  Left = 10\n  Top = 10\n  ClientWidth = 600\n  ClientHeight = 300\n"
                L"  object Pages: TCountedPageControl\n    Width = 580\n    Height = 280\n";
  const int n = 200;
  for (int i = 0; i < n; ++i)
    text += L"    object Sheet" + std::to_wstring(i) + L": TvxTabSheet\n      Caption = 'Sheet " + std::to_wstring(i) +
            L"'\n    end\n";
  text += L"  end\nend\n";
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  TCountedPageControl::Queries = 0;
  TextToComponent(text, form);
  auto* p = dynamic_cast<TvxPageControl*>(form->FindComponent(L"Pages"));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->PageCount(), n);
  EXPECT_EQ(p->Tabs()->Get(n - 1), L"Sheet " + std::to_wstring(n - 1));
  EXPECT_LE(TCountedPageControl::Queries, 4 * n)
      << "a layout per sheet makes reading quadratic (" << TCountedPageControl::AtLoaded << " before the control's "
      << "Loaded, " << TCountedPageControl::AfterLoaded << " after it)";
  delete form;
}

}  // namespace ZS_UNITY_ID
