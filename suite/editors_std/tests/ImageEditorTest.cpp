// The image editor on a real window: its value is the picture's bytes in any format, the
// picture is painted centred or stretched, and saving through the dialog leaves nothing behind.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "Forms.h"
#include "vdGDIPlusClasses.h"
#include "vxImage.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

// Answers the file dialogs without showing them.
class TTestImage : public TvxImage {
  DECLARE_CLASS(TTestImage, TvxImage)
 public:
  using TvxImage::TvxImage;
  String Answer;
  int Dialogs = 0;

 protected:
  bool ExecuteDialog(TOpenDialog* ADialog) override {
    ++Dialogs;
    ADialog->SetFileName(Answer);
    return true;
  }
};

std::unique_ptr<TBitmap> Solid(int W, int H, TColor C) {
  auto b = std::make_unique<TBitmap>(W, H);
  b->Canvas()->Brush()->SetColor(C);
  RECT r{0, 0, W, H};
  b->Canvas()->FillRect(r);
  return b;
}

struct ImageEditorTest : TFormFixture {
  TTestImage* Image = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Image = TvxContainer::Create<TTestImage>(Form);
    Image->SetParent(Form);
    Image->HandleNeeded();
    Pump(20);
  }
  int Count(COLORREF C, int X0, int Y0, int X1, int Y1) {
    Image->Repaint();
    Pump(20);
    TWindowPixels px(Image->Handle());
    int n = 0;
    for (int y = Y0; y < Y1; ++y)
      for (int x = X0; x < X1; ++x) n += px.At(x, y) == C;
    return n;
  }
};

}  // namespace

TEST_F(ImageEditorTest, ValueOfAnyFormatShowsItsPicture) {
  auto red = Solid(20, 10, clRed);
  TvdPNGImage png;
  png.Assign(red.get());
  TMemoryStream m;
  png.SaveToStream(&m);
  const AnsiString bytes(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  ASSERT_EQ(TBitmap::StaticClass(), Image->Properties()->GraphicClass());
  Image->SetEditValue(Variant(bytes));
  ASSERT_FALSE(IsPictureEmpty(Image->Picture()));
  EXPECT_EQ(20, Image->Picture()->Width());
  const Variant v = Image->EditValue();
  ASSERT_TRUE(VarIsStr(v));
  TPicture again;
  LoadPictureFromValue(&again, TBitmap::StaticClass(), v);
  EXPECT_EQ(10, again.Height());
  // Centred in the 140 x 100 client area: red in the middle, none in the corner.
  EXPECT_GT(Count(RGB(255, 0, 0), 60, 40, 80, 60), 100);
  EXPECT_EQ(0, Count(RGB(255, 0, 0), 0, 0, 30, 30));
  Image->Properties()->SetStretch(true);
  Image->Properties()->SetProportional(false);
  EXPECT_GT(Count(RGB(255, 0, 0), 0, 0, 30, 30), 400);
  Image->SetEditValue(Null());
  EXPECT_TRUE(IsPictureEmpty(Image->Picture()));
  EXPECT_TRUE(Image->EditValue().IsNull());
}

// A metafile value stays a metafile of its own kind through the editor, whatever class the
// editor is set to read, and is shown as a picture.
TEST_F(ImageEditorTest, MetafileValueKeepsItsFormat) {
  ASSERT_EQ(TMetafile::StaticClass(), FindPictureClassByName(L"TMetafile"));
  TMetafile meta;
  meta.SetWidth(40);
  meta.SetHeight(20);
  {
    TMetafileCanvas c(&meta, nullptr);
    c.Brush()->SetColor(clRed);
    c.FillRect(RECT{0, 0, 40, 20});
  }
  for (bool enhanced : {true, false}) {
    SCOPED_TRACE(enhanced ? "emf" : "wmf");
    meta.SetEnhanced(enhanced);
    TMemoryStream m;
    meta.SaveToStream(&m);
    const AnsiString bytes(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
    Image->Properties()->SetGraphicClass(TBitmap::StaticClass());
    Image->SetEditValue(Variant(bytes));
    auto* shown = dynamic_cast<TMetafile*>(Image->Picture()->Graphic());
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(enhanced, shown->Enhanced());
    EXPECT_EQ(40, Image->Picture()->Width());
    EXPECT_GT(Count(RGB(255, 0, 0), 60, 45, 80, 55), 100);
    // The value written back is the same kind of metafile, read back by any class.
    TPicture again;
    LoadPictureFromValue(&again, nullptr, Image->EditValue());
    auto* back = dynamic_cast<TMetafile*>(again.Graphic());
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(enhanced, back->Enhanced());
    EXPECT_EQ(20, back->Height());
  }
}

TEST_F(ImageEditorTest, SavingThroughTheDialogLeavesNoDialogBehind) {
  auto blue = Solid(8, 8, clBlue);
  Image->Picture()->SetBitmap(blue.get());
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  Image->Answer = String(dir) + L"zs_image_save.bmp";
  const Integer before = Application->ComponentCount();
  for (int i = 0; i < 3; ++i) Image->SaveToFile();
  EXPECT_EQ(3, Image->Dialogs);
  EXPECT_EQ(before, Application->ComponentCount());
  TPicture back;
  back.LoadFromFile(Image->Answer);
  EXPECT_EQ(8, back.Width());
  // Loading picks the class by the file's extension.
  Image->SetEditValue(Null());
  Image->LoadFromFile();
  EXPECT_EQ(8, Image->Picture()->Width());
}

TEST_F(ImageEditorTest, ContextMenuFollowsTheLayoutAndThePicture) {
  TPopupMenu* menu = Image->PreparePopupMenu();
  ASSERT_EQ(9, menu->Items()->Count());
  auto item = [&](int i) { return menu->Items()->Items(i); };
  EXPECT_EQ(L"Cu&t", item(0)->Caption());
  EXPECT_EQ(L"Save &As...", item(6)->Caption());
  // Empty picture: only Paste (with a picture on the clipboard) and Load can act.
  EXPECT_FALSE(item(0)->Enabled());
  EXPECT_FALSE(item(1)->Enabled());
  EXPECT_FALSE(item(3)->Enabled());
  EXPECT_TRUE(item(5)->Enabled());
  EXPECT_FALSE(item(6)->Enabled());
  EXPECT_FALSE(item(8)->Visible());
  auto red = Solid(8, 8, clRed);
  Image->Picture()->SetGraphic(red.get());
  menu = Image->PreparePopupMenu();
  EXPECT_TRUE(item(0)->Enabled());
  EXPECT_TRUE(item(3)->Enabled());
  EXPECT_TRUE(item(6)->Enabled());
  // Copy from the menu puts the picture on the clipboard; then Paste can act.
  item(1)->Click();
  EXPECT_TRUE(Image->CanPasteFromClipboard());
  EXPECT_TRUE(Image->PreparePopupMenu()->Items()->Items(2)->Enabled());
  // Delete from the menu is the user's change.
  item(3)->Click();
  EXPECT_TRUE(IsPictureEmpty(Image->Picture()));
  EXPECT_TRUE(Image->ModifiedAfterEnter());
  // Only Custom: the first line hidden, the second shown; Load or Save alone begins with a line.
  int customs = 0;
  Image->Properties()->OnCustomClick = [&](TObject*) { ++customs; };
  Image->Properties()->PopupMenuLayout()->SetMenuItems(TvxPopupMenuItems{pmiCustom});
  Image->Properties()->PopupMenuLayout()->SetCustomMenuItemCaption(L"Mine");
  menu = Image->PreparePopupMenu();
  EXPECT_FALSE(item(4)->Visible());
  EXPECT_TRUE(item(7)->Visible());
  EXPECT_EQ(L"Mine", item(8)->Caption());
  item(8)->Click();
  EXPECT_EQ(1, customs);
  Image->Properties()->PopupMenuLayout()->SetMenuItems(TvxPopupMenuItems{pmiLoad});
  menu = Image->PreparePopupMenu();
  EXPECT_TRUE(item(4)->Visible());
  EXPECT_FALSE(item(0)->Visible());
  EXPECT_FALSE(item(7)->Visible());
  // The layout is copied with the properties.
  TvxImageProperties copy(nullptr);
  copy.Assign(Image->Properties());
  EXPECT_EQ(TvxPopupMenuItems{pmiLoad}, copy.PopupMenuLayout()->MenuItems());
  EXPECT_EQ(L"Mine", copy.PopupMenuLayout()->CustomMenuItemCaption());
}

TEST_F(ImageEditorTest, ClipboardKeys) {
  auto blue = Solid(6, 6, clBlue);
  Image->Picture()->SetGraphic(blue.get());
  Image->SetFocus();
  Pump(20);
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  SendKey(VK_CONTROL, false);
  SendKey(VK_INSERT, false);
  SendKey(VK_INSERT, true);
  SendKey(VK_CONTROL, true);
  Pump(40);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  SendKey(VK_SHIFT, false);
  SendKey(VK_DELETE, false);
  SendKey(VK_DELETE, true);
  SendKey(VK_SHIFT, true);
  Pump(40);
  EXPECT_TRUE(IsPictureEmpty(Image->Picture()));  // cut
  SendKey(VK_SHIFT, false);
  SendKey(VK_INSERT, false);
  SendKey(VK_INSERT, true);
  SendKey(VK_SHIFT, true);
  Pump(40);
  ASSERT_FALSE(IsPictureEmpty(Image->Picture()));  // pasted back
  EXPECT_EQ(6, Image->Picture()->Width());
}

TEST_F(ImageEditorTest, LargePictureScrollsByEightPixelsWithinItsSize) {
  Image->SetBounds(0, 0, 140, 100);
  // Red rows 0-7, blue below: one line down shows blue at the top.
  auto pic = Solid(300, 200, clBlue);
  pic->Canvas()->Brush()->SetColor(clRed);
  RECT top{0, 0, 300, 8};
  pic->Canvas()->FillRect(top);
  Image->Properties()->SetCenter(false);
  Image->Picture()->SetGraphic(pic.get());
  Pump(40);
  ASSERT_TRUE(Image->HScrollBarVisible());
  ASSERT_TRUE(Image->VScrollBarVisible());
  EXPECT_GT(Count(RGB(255, 0, 0), 2, 2, 60, 6), 100);
  Integer pos = 0;
  Image->VScrollBar()->OnScroll(Image->VScrollBar(), scLineDown, pos);
  EXPECT_EQ(8, pos);
  EXPECT_EQ(0, Count(RGB(255, 0, 0), 2, 2, 60, 6));
  EXPECT_GT(Count(RGB(0, 0, 255), 2, 2, 60, 6), 100);
  // Never past picture size - page size.
  pos = 5000;
  Image->VScrollBar()->OnScroll(Image->VScrollBar(), scTrack, pos);
  EXPECT_EQ(200 - Image->VScrollBar()->PageSize(), pos);
  // A centred picture is cropped evenly and offers no bars.
  Image->Properties()->SetCenter(true);
  Pump(40);
  EXPECT_FALSE(Image->VScrollBarVisible());
  EXPECT_FALSE(Image->HScrollBarVisible());
}

}  // namespace ZS_UNITY_ID
