// The blob edit: display texts and glyphs per kind and paint style, the automatic kind
// resolved from the data's provider, the popup memo and image opened, edited and closed by
// keys and buttons on a real window, pictures keeping their file format through the popup,
// and the editor read from a form file.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "EditorFormSupport.h"
#include "Jpeg.h"
#include "vxBlobEdit.h"
#include "vxEditConsts.h"
#include "vxEditRepositoryItems.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// A provider whose data may be missing and whose field has a given blob kind.
class TBlobProvider : public TvxCustomEditDefaultValuesProvider {
 public:
  TvxBlobKind Kind = bkMemo;
  bool Available = true;
  TvxBlobKind DefaultBlobKind() override { return Kind; }
  bool IsDataAvailable() override { return Available; }
};

// An editor whose style the view data of a cell is made with.
std::unique_ptr<TvxBlobEdit> StyleSource() { return std::unique_ptr<TvxBlobEdit>(TvxContainer::Create<TvxBlobEdit>(nullptr)); }

Integer GlyphOf(TvxBlobEditProperties& P, const Variant& AValue) {
  auto source = StyleSource();
  std::unique_ptr<TvxCustomEditViewData> vd(P.CreateViewData(source->ActiveStyle(), true));
  TvxBlobEditViewInfo vi;
  vd->EditValueToDrawValue(nullptr, AValue, &vi);
  return vi.ImageIndex;
}

TEST(BlobEditProperties, DisplayTextsByKindAndPaintStyle) {
  const Variant memo = String(L"first\r\nsecond");
  struct Case {
    TvxBlobEditKind Kind;
    TvxBlobPaintStyle Style;
    Variant Value;
    bool Full;
    const wchar_t* Text;
  } cases[] = {
      {bekMemo, vxBlobEdit::bpsDefault, Null(), false, L""},  // Null is empty for every kind
      {bekMemo, vxBlobEdit::bpsDefault, String(), false, L"(MEMO)"},
      {bekMemo, vxBlobEdit::bpsText, memo, false, L"first"},
      {bekMemo, vxBlobEdit::bpsText, memo, true, L"first\r\nsecond"},
      {bekMemo, vxBlobEdit::bpsIcon, memo, false, L""},
      {bekPict, vxBlobEdit::bpsText, String(L"x"), false, L"(PICTURE)"},
      {bekPict, vxBlobEdit::bpsDefault, String(L"x"), false, L"(PICTURE)"},
      {bekOle, vxBlobEdit::bpsText, String(L"x"), false, L"OLE"},
      {bekBlob, vxBlobEdit::bpsIcon, String(L"x"), false, L"BLOB"},
      {bekAuto, vxBlobEdit::bpsText, String(L"x"), false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Kind << "/" << c.Style << "/" << VarToStr(c.Value));
    TvxBlobEditProperties p(nullptr);
    p.SetBlobEditKind(c.Kind);
    p.SetBlobPaintStyle(c.Style);
    EXPECT_EQ(p.GetDisplayText(c.Value, c.Full), c.Text);
  }
  TvxBlobEditProperties p(nullptr);
  p.SetBlobEditKind(bekMemo);
  EXPECT_EQ(p.GetBlobDisplayText(Null(), false), L"");
  p.SetBlobPaintStyle(vxBlobEdit::bpsDefault);
  EXPECT_EQ(p.GetBlobDisplayText(Null(), false), L"(memo)");
  p.SetBlobEditKind(bekPict);
  EXPECT_EQ(p.GetBlobDisplayText(Null(), false), L"(picture)");
  // Only plain memo texts compare, and with letter case.
  p.SetBlobEditKind(bekMemo);
  EXPECT_FALSE(p.CompareDisplayValues(String(L"a"), String(L"a")));
  p.SetBlobPaintStyle(vxBlobEdit::bpsText);
  EXPECT_TRUE(p.CompareDisplayValues(String(L"a"), String(L"a")));
  EXPECT_FALSE(p.CompareDisplayValues(String(L"a"), String(L"A")));
}

TEST(BlobEditProperties, GlyphsByKindAndTheAutomaticKindFromTheProvider) {
  struct Case {
    TvxBlobKind Provided;
    TvxBlobEditKind Kind;
    Integer Empty, Full;
    TvxEditButtonKind Button;
  } cases[] = {
      {bkNone, bekBlob, 0, 1, bkEllipsis}, {bkBlob, bekBlob, 0, 1, bkEllipsis}, {bkMemo, bekMemo, 2, 3, bkDown},
      {bkGraphic, bekPict, 4, 5, bkDown},  {bkOle, bekOle, 6, 7, bkEllipsis},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Provided);
    TBlobProvider provider;
    provider.Kind = c.Provided;
    TvxBlobEditProperties p(nullptr);
    p.SetIDefaultValuesProvider(&provider);
    int changes = 0;
    p.OnPropertiesChanged = [&](TObject*) { ++changes; };
    EXPECT_EQ(GlyphOf(p, Null()), c.Empty);
    EXPECT_EQ(p.BlobEditKind(), c.Kind);
    EXPECT_EQ(changes, 0) << "resolving the kind notifies nobody";
    EXPECT_EQ(p.Buttons()->Items(0)->Kind(), c.Button);
    EXPECT_EQ(GlyphOf(p, String()), c.Empty) << "an empty string shows the empty glyph";
    EXPECT_EQ(GlyphOf(p, String(L"data")), c.Full);
    p.SetIDefaultValuesProvider(nullptr);
  }
  TvxBlobEditProperties alone(nullptr);
  EXPECT_EQ(GlyphOf(alone, String(L"x")), 1) << "without a provider the kind is raw data";
  EXPECT_EQ(alone.BlobEditKind(), bekBlob);
}

TEST(BlobEditProperties, AnUnresolvedKindKeepsItsGlyphAmongTheEight) {
  TBlobProvider provider;
  provider.Available = false;
  TvxBlobEditProperties p(nullptr);
  p.SetIDefaultValuesProvider(&provider);
  auto source = StyleSource();
  std::unique_ptr<TvxCustomEditViewData> vd(p.CreateViewData(source->ActiveStyle(), true));
  TvxBlobEditViewInfo vi;
  for (int i = 0; i < 12; ++i) {
    vd->EditValueToDrawValue(nullptr, String(L"data"), &vi);
    ASSERT_GE(vi.ImageIndex, 0);
    ASSERT_LE(vi.ImageIndex, 7) << "conversion " << i;
  }
  EXPECT_EQ(vi.ImageIndex, 1);
  EXPECT_EQ(p.BlobEditKind(), bekAuto);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkEllipsis);
  p.SetIDefaultValuesProvider(nullptr);
}

TEST(BlobEditProperties, AssignAndTheGraphicClassName) {
  TvxBlobEditProperties p(nullptr);
  EXPECT_EQ(p.PictureGraphicClass(), GetDefaultGraphicClass());
  EXPECT_EQ(p.PopupWidth(), 250);
  EXPECT_EQ(p.PopupHeight(), 200);
  EXPECT_TRUE(p.ImmediatePopup());
  p.SetPictureGraphicClassName(L"TNoSuchGraphic");
  EXPECT_EQ(p.PictureGraphicClass(), GetDefaultGraphicClass()) << "an unknown name is ignored";
  p.SetPictureGraphicClassName(L"TJPEGImage");
  EXPECT_EQ(p.PictureGraphicClass(), TJPEGImage::StaticClass());
  p.SetMemoMaxLength(12);
  p.SetBlobEditKind(bekPict);
  p.OnAssignPicture = [](TObject*, TPicture*) {};
  TvxEditRepositoryBlobItem item(nullptr);
  item.SetProperties(&p);
  EXPECT_EQ(item.Properties()->PictureGraphicClass(), TJPEGImage::StaticClass());
  EXPECT_EQ(item.Properties()->MemoMaxLength(), 12);
  EXPECT_EQ(item.Properties()->BlobEditKind(), bekPict);
  EXPECT_TRUE(static_cast<bool>(item.Properties()->OnAssignPicture));
}

struct BlobEditControl : TFormFixture {
  TvxBlobEdit* Edit = nullptr;
  std::vector<TvxEditCloseUpReason> Reasons;
  void SetUp() override {
    TFormFixture::SetUp();
    Edit = TvxContainer::Create<TvxBlobEdit>(Form);
    Edit->SetBounds(10, 10, 120, 24);
    Edit->SetParent(Form);
    Edit->Properties()->OnClosePopup = [this](TObject*, TvxEditCloseUpReason R) { Reasons.push_back(R); };
    Edit->PopupWindow()->SetModalMode(false);
    Edit->SetFocus();
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    Pump(20);
  }
  void Key(WORD Vk, bool ACtrl = false) {
    if (ACtrl) SendKey(VK_CONTROL, false);
    SendKey(Vk, false);
    SendKey(Vk, true);
    if (ACtrl) SendKey(VK_CONTROL, true);
    Pump(80);
  }
  void TypeChar(wchar_t C) {
    INPUT d{};
    d.type = INPUT_KEYBOARD;
    d.ki.wScan = C;
    d.ki.dwFlags = KEYEVENTF_UNICODE;
    INPUT u = d;
    u.ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(1, &d, sizeof d);
    SendInput(1, &u, sizeof u);
    Pump(60);
  }
  void ClickControl(TWinControl* C) {
    MoveMouse(ScreenPoint(C, C->Width() / 2, C->Height() / 2));
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(100);
  }
  bool Open() { return Edit->PopupWindow()->IsVisible(); }
  TvxPopupMemo* Memo() { return dynamic_cast<TvxPopupMemo*>(Edit->Storage()); }
};

TEST_F(BlobEditControl, TheMemoPopupSavesOnCtrlEnter) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->SetEditValue(String(L"first\r\nsecond"));
  Key(VK_F4);
  ASSERT_TRUE(Open());
  ASSERT_NE(Memo(), nullptr);
  EXPECT_EQ(Memo()->Parent(), Edit->PopupWindow());
  EXPECT_EQ(VarToStr(Memo()->EditValue()), L"first\r\nsecond");
  ASSERT_NE(Edit->OkButton(), nullptr);
  EXPECT_EQ(Edit->CancelButton()->Caption(), L"&Cancel");
  EXPECT_EQ(Edit->OkButton()->Caption(), L"&OK");
  EXPECT_FALSE(Edit->OkButton()->Enabled()) << "nothing changed yet";
  // Typing changes the memo and enables OK; Enter is a line break; Ctrl+Enter closes with OK.
  Key(VK_END, true);
  TypeChar(L'!');
  EXPECT_TRUE(Edit->OkButton()->Enabled());
  Key(VK_RETURN);
  EXPECT_TRUE(Open());
  TypeChar(L'z');
  Key(VK_RETURN, true);
  EXPECT_FALSE(Open());
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"first\r\nsecond!\r\nz");
  EXPECT_EQ(Reasons, (std::vector<TvxEditCloseUpReason>{crEnter}));
}

TEST_F(BlobEditControl, F4InsideThePopupSavesOnlyWhenDataIsAlwaysSaved) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->SetEditValue(String(L"a"));
  struct Case {
    bool AlwaysSave;
    const wchar_t* After;
  } cases[] = {{false, L"a"}, {true, L"ab"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.AlwaysSave);
    Edit->Properties()->SetAlwaysSaveData(c.AlwaysSave);
    Key(VK_F4);
    ASSERT_TRUE(Open());
    Key(VK_END, true);
    TypeChar(L'b');
    Key(VK_F4);
    EXPECT_FALSE(Open());
    EXPECT_EQ(VarToStr(Edit->EditValue()), c.After);
  }
}

TEST_F(BlobEditControl, AReadOnlyPopupHasOneCloseButton) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->Properties()->SetReadOnly(true);
  Edit->SetEditValue(String(L"text"));
  Key(VK_F4);
  ASSERT_TRUE(Open());
  EXPECT_EQ(Edit->OkButton(), nullptr);
  ASSERT_NE(Edit->CancelButton(), nullptr);
  EXPECT_EQ(Edit->CancelButton()->Caption(), L"&Close");
  const Integer h = Edit->CancelButton()->Height();
  EXPECT_EQ(Edit->Properties()->PopupMinWidth(),
            GetSystemMetrics(SM_CXVSCROLL) + h / 3 + Edit->ButtonWidth() + h / 2);
  ClickControl(Edit->CancelButton());
  EXPECT_FALSE(Open());
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"text");
}

TEST_F(BlobEditControl, APictureKeepsItsFileFormatThroughThePopup) {
  TBitmap b;
  b.SetSize(30, 20);
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->FillRect(TRect{0, 0, 30, 20});
  TJPEGImage jpeg;
  jpeg.Assign(&b);
  TMemoryStream m;
  jpeg.SaveToStream(&m);
  const AnsiString bytes(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  Edit->Properties()->SetBlobEditKind(bekPict);
  ASSERT_EQ(Edit->Properties()->PictureGraphicClass(), GetDefaultGraphicClass());
  Edit->SetEditValue(Variant(bytes));
  ClickControl(Edit);  // a click in the editor opens the popup
  ASSERT_TRUE(Open());
  auto* image = dynamic_cast<TvxPopupImage*>(Edit->Storage());
  ASSERT_NE(image, nullptr);
  ASSERT_NE(image->Picture()->Graphic(), nullptr);
  EXPECT_EQ(image->Picture()->Graphic()->ClassType(), TJPEGImage::StaticClass());
  const SIZE s = Edit->GetPopupPreferredSize();
  EXPECT_EQ(s.cx, 34);
  EXPECT_EQ(s.cy, 24);
  image->SetEditModified(true);
  Key(VK_RETURN);
  EXPECT_FALSE(Open());
  ASSERT_EQ(VarType(Edit->EditValue()), varString);
  const AnsiString saved = Edit->EditValue().AsAnsiString();
  ASSERT_GE(saved.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(saved[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(saved[1]), 0xD8);
  EXPECT_EQ(Edit->GraphicClass(), TJPEGImage::StaticClass());
}

TEST_F(BlobEditControl, TheGlyphIsPaintedForTheValue) {
  ASSERT_NE(BlobEditGlyphs(), nullptr);
  EXPECT_EQ(BlobEditGlyphs()->Count(), 8);
  Edit->Properties()->SetBlobEditKind(bekMemo);
  struct Case {
    Variant Value;
    Integer Glyph;
    COLORREF Line;  // a pixel of the first text line of the memo glyph
  } cases[] = {{Null(), 2, RGB(255, 255, 255)}, {String(L"x"), 3, RGB(0, 0x40, 0xC0)}};
  for (const Case& c : cases) {
    Edit->SetEditValue(c.Value);
    Edit->Invalidate();
    Pump(60);
    Edit->CheckViewInfo();
    auto* vi = static_cast<TvxBlobEditViewInfo*>(Edit->ViewInfo());
    EXPECT_EQ(vi->ImageIndex, c.Glyph);
    (void)c.Line;
  }
}

TEST(BlobEditStreaming, ReadShownAndWrittenBackEqual) {
  String first;
  {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetName(L"Form1");
    auto* e = TvxContainer::Create<TvxBlobEdit>(form.get());
    e->SetName(L"Notes");
    e->SetParent(form.get());
    e->SetAutoSize(false);
    TvxBlobEditProperties* p = e->Properties();
    p->SetBlobEditKind(bekMemo);
    p->SetBlobPaintStyle(vxBlobEdit::bpsText);
    p->SetMemoScrollBars(ssVertical);
    p->SetAlwaysSaveData(false);
    p->SetPictureGraphicClass(nullptr);
    first = FormText(form.get());
  }
  EXPECT_NE(first.find(L"BlobEditKind = bekMemo"), String::npos) << first;
  EXPECT_NE(first.find(L"IsPictureGraphicClassNameEmpty = True"), String::npos) << first;
  EXPECT_EQ(first.find(L"PopupWidth"), String::npos) << first;
  std::unique_ptr<TForm> loaded = ReadFormText(first);
  auto* e = dynamic_cast<TvxBlobEdit*>(loaded->FindComponent(L"Notes"));
  ASSERT_NE(e, nullptr);
  TvxBlobEditProperties* p = e->Properties();
  EXPECT_EQ(p->BlobEditKind(), bekMemo);
  EXPECT_EQ(p->BlobPaintStyle(), vxBlobEdit::bpsText);
  EXPECT_EQ(p->MemoScrollBars(), ssVertical);
  EXPECT_FALSE(p->AlwaysSaveData());
  EXPECT_EQ(p->PictureGraphicClass(), nullptr);
  EXPECT_EQ(p->Buttons()->Items(0)->Kind(), bkDown);
  loaded->Show();
  Pump(40);
  EXPECT_TRUE(e->HandleAllocated());
  EXPECT_EQ(ComponentBlock(FormText(loaded.get()), L"Notes"), ComponentBlock(first, L"Notes"));
}

}  // namespace

}  // namespace ZS_UNITY_ID
