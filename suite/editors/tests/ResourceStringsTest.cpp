#include <gtest/gtest.h>

#include "vdCore.h"
#include "vxClasses.h"
#include "vxEditConsts.h"
#include "vxFilterControlStrs.h"
#include "vxLibraryConsts.h"

namespace ZS_UNITY_ID {

namespace {

TvdProductResourceStrings* Product(const String& AName) {
  TvdResourceStringsRepository* r = vdGetResourceStringsRepository();
  Integer i = r->GetProductIndexByName(AName);
  return i < 0 ? nullptr : r->Products(i);
}

TEST(EditorResourceStrings, ProductsAreRegisteredWithAllTheirStrings) {
  struct Case {
    const wchar_t* Product;
    Integer Count;
  } cases[] = {{L"TarvixEditors Library", 103}, {L"TarvixFilterControl", 33}, {L"TarvixLibrary", 24}};
  for (const Case& c : cases) {
    TvdProductResourceStrings* p = Product(c.Product);
    ASSERT_NE(p, nullptr) << c.Product;
    EXPECT_EQ(p->ResStringsCount(), c.Count) << c.Product;
  }
  TvdProductResourceStrings* p = Product(L"TarvixEditors Library");
  Integer i = p->GetIndexByName(L"vxSEditValidateErrorText");
  ASSERT_GE(i, 0);
  EXPECT_EQ(p->ResStrings(i), &vxSEditValidateErrorText);
  EXPECT_EQ(vxGetResString(&vxSEditValidateErrorText), L"Invalid input value. Use escape key to abandon changes");
  EXPECT_EQ(vxGetResString(&svxSHyperLinkPrefix), L"http://");
  EXPECT_EQ(vxGetResString(&svxSEditRepositoryTextItem), L"TextEdit|Represents a single line text editor");
  EXPECT_EQ(vxGetResString(&vxSFilterControlDialogFileFilter), L"Filters (*.flt)|*.flt");
  EXPECT_EQ(vxGetResString(&vxSDateEOM), L"eom");
}

TEST(EditorResourceStrings, EmptyEntriesReadAsEmpty) {
  EXPECT_EQ(vxGetResString(&vxSEditCheckBoxGrayed), L"");
  EXPECT_EQ(vxGetResString(&vxSRadioGroupDefaultCaption), L"");
  EXPECT_GE(Product(L"TarvixEditors Library")->GetIndexByName(L"vxSEditCheckBoxGrayed"), 0);
}

TEST(EditorResourceStrings, TranslationIsDroppedWhenTheProductIsRegisteredAnew) {
  vxSEditValidateErrorText.Text = L"Ungültige Eingabe";
  EXPECT_EQ(vxGetResString(&vxSEditValidateErrorText), L"Ungültige Eingabe");
  vxEditConstsUnit.Finalize();
  vxEditConstsUnit.Initialize();
  EXPECT_EQ(vxGetResString(&vxSEditValidateErrorText), L"Invalid input value. Use escape key to abandon changes");
  EXPECT_NE(Product(L"TarvixEditors Library"), nullptr);
}

}  // namespace

}  // namespace ZS_UNITY_ID
