#include <gtest/gtest.h>

#include "Clipbrd.h"
#include "Graphics.h"
#include "Jpeg.h"

namespace ZS_UNITY_ID {

TEST(ClipboardTest, TextRoundTripsAndReplacesOtherFormats) {
  const String cases[] = {L"plain", L"日本語のテキスト", L"", L"two\r\nlines"};
  for (const String& s : cases) {
    Clipboard()->SetAsText(s);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
    EXPECT_EQ(s, Clipboard()->AsText());
  }
  // A bitmap put afterwards replaces the text rather than joining it.
  TBitmap b(4, 4);
  Clipboard()->Assign(&b);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_FALSE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(L"", Clipboard()->AsText());

  // Inside one Open/Close pair, several formats go together.
  Clipboard()->Open();
  Clipboard()->SetAsText(L"both");
  Clipboard()->Assign(&b);
  Clipboard()->Close();
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_EQ(L"both", Clipboard()->AsText());
}

TEST(ClipboardTest, BitmapsAndPicturesRoundTrip) {
  TBitmap src;
  src.SetPixelFormat(pf24bit);
  src.SetSize(20, 10);
  src.Canvas()->Brush()->SetColor(clBlue);
  src.Canvas()->FillRect(RECT{0, 0, 20, 10});
  src.Canvas()->Brush()->SetColor(clYellow);
  src.Canvas()->FillRect(RECT{10, 0, 20, 10});
  Clipboard()->Assign(&src);

  TBitmap back;
  back.Assign(Clipboard());
  ASSERT_EQ(20, back.Width());
  ASSERT_EQ(10, back.Height());
  EXPECT_EQ(clBlue, back.Canvas()->Pixel(3, 5));
  EXPECT_EQ(clYellow, back.Canvas()->Pixel(15, 5));

  // A picture holding another kind of graphic goes as a bitmap of its pixels.
  TJPEGImage jpg;
  jpg.Assign(&src);
  TPicture pic;
  pic.SetGraphic(&jpg);
  Clipboard()->Assign(&pic);
  TPicture got;
  got.Assign(Clipboard());
  ASSERT_NE(nullptr, dynamic_cast<TBitmap*>(got.Graphic()));
  EXPECT_EQ(20, got.Width());

  // Without a bitmap on the clipboard, reading one raises and leaves the target alone.
  Clipboard()->SetAsText(L"no picture");
  EXPECT_THROW(back.Assign(Clipboard()), EClipboardException);
  EXPECT_EQ(20, back.Width());
}

}  // namespace ZS_UNITY_ID
