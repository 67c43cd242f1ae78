// The mask edit's settings in form files, and the mask editor typing filter values.
#include <gtest/gtest.h>

#include "Streaming.h"
#include "vxFilterControlUtils.h"
#include "vxMaskEdit.h"

namespace ZS_UNITY_ID {

namespace {

class MaskItem : public TvxEditRepositoryItem {
  DECLARE_CLASS(MaskItem, TvxEditRepositoryItem)
 public:
  explicit MaskItem(TComponent* AOwner) : TvxEditRepositoryItem(AOwner, TvxMaskEditProperties::StaticClass()) {}
  TvxCustomEditPropertiesClass GetEditPropertiesClass() override { return TvxMaskEditProperties::StaticClass(); }
  TvxMaskEditProperties* Mask() { return static_cast<TvxMaskEditProperties*>(Properties()); }
};

String AsText(TComponent* C) {
  TMemoryStream binary;
  WriteComponentToStream(&binary, C);
  binary.SetPosition(0);
  TMemoryStream text;
  ObjectBinaryToText(&binary, &text);
  return String(reinterpret_cast<const char*>(text.Memory()),
                reinterpret_cast<const char*>(text.Memory()) + text.Size());
}

TEST(MaskEditStreaming, MaskSettingsAreWrittenOnlyWhenSetAndReadBack) {
  MaskItem item(nullptr);
  item.SetName(L"Item");
  const String fresh = AsText(&item);
  for (const wchar_t* name : {L"MaskKind", L"EditMask", L"IgnoreMaskBlank", L"CaseInsensitive", L"AlwaysShow"})
    EXPECT_EQ(fresh.find(name), String::npos) << name << "\n" << fresh;

  // A regular expression that the standard kind would drop on the switch of kinds.
  item.Mask()->SetMaskKind(emkRegExpr);
  item.Mask()->SetEditMask(L"\\d\\d?(\\.\\d+)?");
  item.Mask()->SetIgnoreMaskBlank(true);
  item.Mask()->SetCaseInsensitive(false);
  item.Mask()->SetAlwaysShowBlanksAndLiterals(true);
  const String text = AsText(&item);
  const size_t kind = text.find(L"MaskKind = emkRegExpr");
  const size_t mask = text.find(L"EditMask = ");
  ASSERT_NE(kind, String::npos) << text;
  ASSERT_NE(mask, String::npos) << text;
  EXPECT_LT(kind, mask) << "the kind must be read before the mask it compiles";
  EXPECT_NE(text.find(L"IgnoreMaskBlank = True"), String::npos) << text;
  EXPECT_NE(text.find(L"CaseInsensitive = False"), String::npos) << text;

  MaskItem copy(nullptr);
  {
    TMemoryStream binary;
    WriteComponentToStream(&binary, &item);
    binary.SetPosition(0);
    ReadComponentFromStream(&binary, &copy);
  }
  EXPECT_EQ(copy.Mask()->MaskKind(), emkRegExpr);
  EXPECT_EQ(copy.Mask()->EditMask(), L"\\d\\d?(\\.\\d+)?");
  EXPECT_TRUE(copy.Mask()->IgnoreMaskBlank());
  EXPECT_FALSE(copy.Mask()->CaseInsensitive());
  EXPECT_TRUE(copy.Mask()->AlwaysShowBlanksAndLiterals());
}

TEST(MaskEditFilterHelper, OperatorsAndPropertiesForTypingFilterValues) {
  TvxFilterEditHelperClass h = GetFilterEditsController()->FindHelper(TvxMaskEditProperties::StaticClass());
  ASSERT_EQ(h, TvxFilterMaskEditHelper::Class());
  EXPECT_EQ(h->GetFilterEditClass(), TvxMaskEdit::StaticClass());

  TvxMaskEditProperties column(nullptr), filter(nullptr);
  const TvxFilterControlOperators open = h->GetSupportedFilterOperators(&column, TvxStringValueType::Class());
  EXPECT_TRUE(open.Contains(fcoLike));
  EXPECT_TRUE(open.Contains(fcoNonBlanks));
  EXPECT_FALSE(open.Contains(fcoBetween));
  column.SetEditMask(L"000-0000;1;_");
  const TvxFilterControlOperators masked = h->GetSupportedFilterOperators(&column, TvxStringValueType::Class(), true);
  EXPECT_FALSE(masked.Contains(fcoLike));
  EXPECT_FALSE(masked.Contains(fcoNotLike));
  EXPECT_TRUE(masked.Contains(fcoGreaterEqual));
  EXPECT_TRUE(masked.Contains(fcoInList));
  EXPECT_TRUE(masked.Contains(fcoNotBetween));

  h->InitializeProperties(&filter, &column, false);
  EXPECT_EQ(filter.EditMask(), L"000-0000;1;_");
  EXPECT_FALSE(filter.AutoSelect());
  // A regular expression becomes the kind that accepts partial values, keeping its mask.
  column.SetMaskKind(emkRegExpr);
  column.SetEditMask(L"[a-c]+");
  h->InitializeProperties(&filter, &column, false);
  EXPECT_EQ(filter.MaskKind(), emkRegExprEx);
  EXPECT_EQ(filter.EditMask(), L"[a-c]+");
  column.SetEditMask(L"");
  h->InitializeProperties(&filter, &column, false);
  EXPECT_TRUE(filter.AutoSelect());
}

}  // namespace

}  // namespace ZS_UNITY_ID
