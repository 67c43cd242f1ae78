// The image combo box: items found by value for display and selection, defaults for values
// no item has, images given to new items, the layout of image and text, the image painted
// and read back, the list opened and picked by keys and mouse on a real window, image lists
// forgotten when freed, and the editor read from a form file.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "EditorFormSupport.h"
#include "vxEditRepositoryItems.h"
#include "vxImageComboBox.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

constexpr COLORREF ImageColors[] = {RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255), RGB(255, 0, 255),
                                    RGB(0, 255, 255), RGB(255, 255, 0)};

// An image list of AWidth x 16 solid images in the colours above.
std::unique_ptr<TImageList> SolidImages(Integer ACount, Integer AWidth = 16) {
  auto list = std::make_unique<TImageList>(nullptr);
  list->SetSize(AWidth, 16);
  for (Integer i = 0; i < ACount; ++i) {
    TBitmap b;
    b.SetSize(AWidth, 16);
    b.Canvas()->Brush()->SetColor(static_cast<TColor>(ImageColors[i % 6]));
    b.Canvas()->FillRect(TRect{0, 0, AWidth, 16});
    list->Add(&b, nullptr);
  }
  return list;
}

TvxImageComboBoxItem* AddItem(TvxCustomImageComboBoxProperties* P, const wchar_t* ADescription,
                              const Variant& AValue) {
  TvxImageComboBoxItem* item = P->Items()->Add();
  item->SetDescription(ADescription);
  item->SetValue(AValue);
  return item;
}

TEST(ImageComboBoxProperties, ValuesFindTheirItemOrTheDefaults) {
  TvxImageComboBoxProperties p(nullptr);
  EXPECT_EQ(p.DropDownListStyle(), lsFixedList);
  p.SetDefaultDescription(L"(none)");
  p.SetDefaultImageIndex(7);
  AddItem(&p, L"One", Variant(1))->SetImageIndex(1);
  AddItem(&p, L"Two", Variant(String(L"2")))->SetImageIndex(2);
  AddItem(&p, L"Also two", Variant(String(L"2")))->SetImageIndex(3);
  AddItem(&p, L"Yes", Variant(true))->SetImageIndex(4);
  struct Case {
    Variant Value;
    const wchar_t* Text;
    TImageIndex Image;
  } cases[] = {
      {Variant(1), L"One", 1},
      {Variant(String(L"2")), L"Two", 2},        // two items with the value: the first wins
      {Variant(String(L"True")), L"Yes", 4},     // a Boolean compares with other types as text
      {Variant(99), L"(none)", 7},
      {Null(), L"(none)", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(VarToStr(c.Value));
    String text;
    TImageIndex image = -2;
    p.GetImageComboBoxDisplayValue(c.Value, text, image);
    EXPECT_EQ(text, c.Text);
    EXPECT_EQ(image, c.Image);
    EXPECT_EQ(p.GetDisplayText(c.Value), c.Text);
  }
  // Without descriptions the editor shows no text, but the display text stays.
  p.SetShowDescriptions(false);
  String text = L"x";
  TImageIndex image = -1;
  p.GetImageComboBoxDisplayValue(Variant(1), text, image);
  EXPECT_EQ(text, L"");
  EXPECT_EQ(p.GetDisplayText(Variant(1)), L"One");
  EXPECT_FALSE(p.IsLookupItem(L"one"));
  p.SetShowDescriptions(true);
  EXPECT_TRUE(p.IsLookupItem(L"one"));
  EXPECT_TRUE(p.CompareDisplayValues(Variant(String(L"2")), Variant(String(L"2"))));
  EXPECT_FALSE(p.CompareDisplayValues(Variant(1), Variant(99)));
  EXPECT_TRUE(p.GetSupportedOperations().Contains(esoIncSearch));
}

TEST(ImageComboBoxProperties, NewItemsTakeTheirOwnImageWhileTheListHasOne) {
  auto images = SolidImages(5);
  TvxImageComboBoxProperties p(nullptr);
  p.SetImages(images.get());
  std::vector<TImageIndex> got;
  for (int i = 0; i < 7; ++i) got.push_back(p.Items()->Add()->ImageIndex());
  EXPECT_EQ(got, (std::vector<TImageIndex>{0, 1, 2, 3, 4, -1, -1}));
  EXPECT_TRUE(VarIsNull(p.Items()->Items(0)->Value()));
  // A value of another type is a change even when it reads the same.
  int changes = 0;
  p.OnPropertiesChanged = [&](TObject*) { ++changes; };
  p.Items()->Items(0)->SetValue(Variant(1));
  p.Items()->Items(0)->SetValue(Variant(1));
  p.Items()->Items(0)->SetValue(Variant(String(L"1")));
  EXPECT_EQ(changes, 2);
}

TEST(ImageComboBoxProperties, AFreedImageListIsForgottenInBothSlots) {
  TvxEditRepositoryImageComboBoxItem item(nullptr);
  auto images = SolidImages(2);
  item.Properties()->SetImages(images.get());
  item.Properties()->SetLargeImages(images.get());
  images.reset();
  EXPECT_EQ(item.Properties()->Images(), nullptr);
  EXPECT_EQ(item.Properties()->LargeImages(), nullptr);
  EXPECT_EQ(item.GetEditPropertiesClass(), TvxImageComboBoxProperties::StaticClass());
}

struct ImageComboBoxControl : TFormFixture {
  std::unique_ptr<TImageList> Images = SolidImages(3);
  TvxImageComboBox* Combo = nullptr;
  std::vector<TvxEditCloseUpReason> Reasons;
  void SetUp() override {
    TFormFixture::SetUp();
    Combo = TvxContainer::Create<TvxImageComboBox>(Form);
    Combo->SetBounds(10, 10, 180, 24);
    Combo->SetParent(Form);
    TvxImageComboBoxProperties* p = Combo->Properties();
    p->SetImages(Images.get());
    AddItem(p, L"Red", Variant(10));
    AddItem(p, L"Green", Variant(20));
    AddItem(p, L"Blue", Variant(30));
    p->OnClosePopup = [this](TObject*, TvxEditCloseUpReason R) { Reasons.push_back(R); };
    Combo->PopupWindow()->SetModalMode(false);
    Combo->SetFocus();
    Pump(60);
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    Pump(20);
  }
  void Key(WORD Vk, bool AAlt = false) {
    if (AAlt) SendKey(VK_MENU, false);
    SendKey(Vk, false);
    SendKey(Vk, true);
    if (AAlt) SendKey(VK_MENU, true);
    Pump(60);
  }
  bool Open() { return Combo->PopupWindow()->IsVisible(); }
  TvxImageComboBoxViewInfo* Info() {
    Combo->CheckViewInfo();
    return static_cast<TvxImageComboBoxViewInfo*>(Combo->ViewInfo());
  }
};

TEST_F(ImageComboBoxControl, TheValueShowsItsDescriptionAndItsImage) {
  Combo->SetEditValue(Variant(20));
  Combo->Invalidate();
  Pump(60);
  EXPECT_EQ(Combo->Text(), L"Green");
  TvxImageComboBoxViewInfo* vi = Info();
  EXPECT_EQ(vi->ImageIndex, 1);
  const TRect r = vi->ImageRect;
  EXPECT_EQ(r.right - r.left, 16);
  EXPECT_LE(vi->ImageRect.right + 2, vi->TextRect.left) << "the text starts after the image";
  TWindowPixels px(Combo->Handle());
  EXPECT_EQ(px.At(r.left + 8, r.top + 8), ImageColors[1]);
  // On the right, with the image aligned right.
  Combo->Properties()->SetImageAlign(iaRight);
  Pump(40);
  vi = Info();
  EXPECT_LE(vi->TextRect.right, vi->ImageRect.left);
  // Without descriptions the image is centred and no text is drawn.
  Combo->Properties()->SetShowDescriptions(false);
  Pump(40);
  vi = Info();
  const TRect c = vi->ClientRect;
  EXPECT_NEAR((vi->ImageRect.left + vi->ImageRect.right) / 2.0, (c.left + c.right) / 2.0, 1.0);
  EXPECT_EQ(vi->Text, L"");
}

TEST_F(ImageComboBoxControl, AnImageWiderThanTheEditorLeavesNoRoomForText) {
  auto wide = SolidImages(3, 400);
  Combo->Properties()->SetImages(wide.get());
  Combo->SetEditValue(Variant(10));
  Pump(40);
  TvxImageComboBoxViewInfo* vi = Info();
  EXPECT_EQ(vi->TextRect.left, vi->TextRect.right);
  Combo->Properties()->SetImages(nullptr);
}

TEST_F(ImageComboBoxControl, TheListOpensAndPicksByKeysAndMouse) {
  Combo->SetEditValue(Variant(10));
  Key(VK_DOWN, true);
  ASSERT_TRUE(Open());
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Combo->EditValue().AsInteger(), 20);
  EXPECT_EQ(Combo->Text(), L"Green");
  // The mouse: a click on the button opens, a click on a row picks it.
  Combo->CheckViewInfo();
  const TRect b = Combo->ViewInfo()->Buttons(0)->Bounds;
  MoveMouse(ScreenPoint(Combo, (b.left + b.right) / 2, (b.top + b.bottom) / 2));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(80);
  ASSERT_TRUE(Open());
  TvxComboBoxListBox* list = Combo->GetLookupData()->List();
  RECT row;
  SendMessageW(list->Handle(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
  MoveMouse(ScreenPoint(list, (row.left + row.right) / 2, (row.top + row.bottom) / 2));
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  Pump(80);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Combo->EditValue().AsInteger(), 30);
  // Escape closes without a change.
  Key(VK_F4);
  ASSERT_TRUE(Open());
  Key(VK_UP);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Combo->EditValue().AsInteger(), 30);
  EXPECT_EQ(Reasons, (std::vector<TvxEditCloseUpReason>{crEnter, crEnter, crCancel}));
}

TEST(ImageComboBoxStreaming, ReadShownAndWrittenBackEqual) {
  String first;
  {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetName(L"Form1");
    auto* c = TvxContainer::Create<TvxImageComboBox>(form.get());
    c->SetName(L"Kind");
    c->SetParent(form.get());
    c->SetAutoSize(false);
    TvxImageComboBoxProperties* p = c->Properties();
    p->SetDefaultDescription(L"unknown");
    p->SetImageAlign(iaRight);
    AddItem(p, L"Text", Variant(1))->SetImageIndex(0);
    AddItem(p, L"Number", Variant(String(L"n")))->SetTag(5);
    AddItem(p, L"Nothing", Null());
    first = FormText(form.get());
  }
  EXPECT_NE(first.find(L"Description = 'Number'"), String::npos) << first;
  EXPECT_NE(first.find(L"ImageAlign = iaRight"), String::npos) << first;
  std::unique_ptr<TForm> loaded = ReadFormText(first);
  auto* c = dynamic_cast<TvxImageComboBox*>(loaded->FindComponent(L"Kind"));
  ASSERT_NE(c, nullptr);
  TvxImageComboBoxProperties* p = c->Properties();
  ASSERT_EQ(p->Items()->Count(), 3);
  EXPECT_EQ(p->Items()->Items(0)->Value().AsInteger(), 1);
  EXPECT_EQ(p->Items()->Items(1)->Tag(), 5);
  EXPECT_EQ(VarToStr(p->Items()->Items(1)->Value()), L"n");
  EXPECT_TRUE(VarIsNull(p->Items()->Items(2)->Value()));
  EXPECT_EQ(p->DefaultDescription(), L"unknown");
  loaded->Show();
  Pump(40);
  c->SetEditValue(Variant(1));
  EXPECT_EQ(c->Text(), L"Text");
  c->SetEditValue(Null());
  EXPECT_EQ(ComponentBlock(FormText(loaded.get()), L"Kind"), ComponentBlock(first, L"Kind"));
}

}  // namespace

}  // namespace ZS_UNITY_ID
