// The image editor on a real window: its value is the picture's bytes in any format, the
// picture is painted centred or stretched, and saving through the dialog leaves nothing behind.
#include <gtest/gtest.h>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "Forms.h"
#include "vdGDIPlusClasses.h"
#include "vxImage.h"

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
