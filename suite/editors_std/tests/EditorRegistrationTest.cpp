// Editors registered at start-up carry the descriptions of the suite's resource strings, so a
// replaced resource text shows wherever the editors are listed.
#include <gtest/gtest.h>

#include "vxClasses.h"
#include "vxEditConsts.h"
#include "vxImage.h"
#include "vxMemo.h"
#include "vxRadioGroup.h"

namespace ZS_UNITY_ID {

TEST(EditorRegistration, DescriptionsComeFromTheResourceStrings) {
  struct Case { TClass Class; TResStringRec* Text; } cases[] = {
      {TvxMemoProperties::StaticClass(), &svxSEditRepositoryMemoItem},
      {TvxImageProperties::StaticClass(), &svxSEditRepositoryImageItem},
      {TvxRadioGroupProperties::StaticClass(), &svxSEditRepositoryRadioGroupItem},
  };
  for (const Case& c : cases) {
    const String text = vxGetResString(c.Text);
    const size_t bar = text.find(L'|');
    ASSERT_NE(String::npos, bar);
    EXPECT_EQ(text.substr(0, bar), GetEditPropertiesRegistry()->GetDescriptionByClass(c.Class))
        << c.Class->ClassName();
    EXPECT_EQ(text.substr(bar + 1), GetEditPropertiesRegistry()->GetHintByClass(c.Class)) << c.Class->ClassName();
  }
  // The classes are found by name, as form files name them.
  for (const wchar_t* name : {L"TvxMemo", L"TvxRadioGroup", L"TvxButton"}) EXPECT_NE(nullptr, GetClass(name)) << name;
}

}  // namespace ZS_UNITY_ID
