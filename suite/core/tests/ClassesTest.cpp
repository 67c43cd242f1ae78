#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vxClasses.h"
#include "vxControls.h"

namespace ZS_UNITY_ID {

namespace {

TEST(Classes, NumericRoutines) {
  struct {
    int a, b, up;
  } div[] = {{7, 2, 4}, {6, 2, 3}, {-3, 2, 0}, {0, 5, 0}, {1, 5, 1}, {-4, 2, -2}};
  for (const auto& c : div) EXPECT_EQ(vxDivRoundUp(c.a, c.b), c.up) << c.a << "/" << c.b;

  struct {
    int a, b, mid;
  } mid[] = {{-3, 0, -2}, {1, 2, 1}, {0, 0, 0}, {-1, 0, -1}, {2147483647, 2147483647, 2147483647}};
  for (const auto& c : mid) EXPECT_EQ(vxRangeMiddle(c.a, c.b), c.mid) << c.a << " " << c.b;

  EXPECT_EQ(vxSignOf(0.0), 1);
  EXPECT_EQ(vxSignOf(-0.5), -1);
  EXPECT_EQ(vxSignOf(3.0), 1);
  EXPECT_EQ(vxSignOf(std::numeric_limits<double>::quiet_NaN()), -1);

  TSize s = vxMakeSize(3, -4);
  EXPECT_EQ(s.cx, 3);
  EXPECT_EQ(s.cy, -4);
  int a = 1, b = 2;
  vxSwapIntegers(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

TEST(Classes, TextRoutines) {
  // A plain character counts 2 bytes; a position outside the text 0.
  String text = L"a日z";
  EXPECT_EQ(vxCharSizeAt(text, 1), 2);
  EXPECT_EQ(vxCharSizeAt(text, 2), 2);
  EXPECT_EQ(vxCharSizeAt(text, 0), 0);
  EXPECT_EQ(vxCharSizeAt(text, 4), 0);

  EXPECT_EQ(vxGetLocaleString(LOCALE_USER_DEFAULT, 0x7FFFFFF0, L"fallback"), L"fallback");
  String lang = vxGetLocaleString(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT),
                                  LOCALE_SENGLANGUAGE, L"");
  EXPECT_EQ(lang, L"English");

  struct {
    const wchar_t* in;
    bool replace;
    const wchar_t* out;
  } accel[] = {{L"&File", true, L"File"},   {L"A&&B", true, L"A&B"},  {L"Save&", true, L"Save_"},
               {L"Save&", false, L"Save"},  {L"", true, L""},         {L"&&&x", false, L"&x"},
               {L"保存(&S)", true, L"保存(S)"}};
  for (const auto& c : accel) EXPECT_EQ(vxStripAccelChars(c.in, c.replace), c.out);
}

LRESULT CALLBACK PassHook(int code, WPARAM w, LPARAM l) { return CallNextHookEx(nullptr, code, w, l); }

TEST(Classes, WindowsHookVariableMustBeEmpty) {
  HHOOK hook = nullptr;
  vxSetWindowsHook(hook, WH_GETMESSAGE, PassHook);
  ASSERT_NE(hook, nullptr);
  HHOOK first = hook;
  EXPECT_THROW(vxSetWindowsHook(hook, WH_GETMESSAGE, PassHook), EAssertionFailed);
  EXPECT_EQ(hook, first);
  vxReleaseWindowsHook(hook);
  EXPECT_EQ(hook, nullptr);
  vxReleaseWindowsHook(hook);  // releasing an empty variable does nothing
}

TEST(Classes, ObjectLinksGoBlankWhenTheirObjectDies) {
  EXPECT_EQ(vxAddObjectLink(nullptr), nullptr);
  vxRemoveObjectLink(nullptr);
  auto* a = new TObject();
  auto* b = new TObject();
  TvxObjectLink* la1 = vxAddObjectLink(a);
  TvxObjectLink* la2 = vxAddObjectLink(a);
  TvxObjectLink* lb = vxAddObjectLink(b);
  EXPECT_EQ(vxObjectLinkCount(), 3);
  vxClearObjectLinks(a);
  delete a;
  EXPECT_EQ(la1->Ref, nullptr);
  EXPECT_EQ(la2->Ref, nullptr);
  EXPECT_EQ(lb->Ref, b);
  EXPECT_EQ(vxObjectLinkCount(), 1);
  // A blanked link is freed without touching the list.
  vxRemoveObjectLink(la1);
  EXPECT_EQ(vxObjectLinkCount(), 1);
  vxRemoveObjectLink(lb);
  EXPECT_EQ(vxObjectLinkCount(), 0);
  vxRemoveObjectLink(la2);  // the last user: the controller goes away
  EXPECT_EQ(vxObjectLinkCount(), 0);
  vxClearObjectLinks(b);  // no controller: nothing happens
  delete b;
}

struct AutoWidthCase {
  const char* name;
  int available;
  struct Item {
    int width, minWidth;
    bool fixed;
  };
  std::vector<Item> items;
  std::vector<int> expected;
};

TEST(AutoWidth, SharesTheAvailableWidth) {
  const AutoWidthCase cases[] = {
      {"rounding surplus falls on the crossing item", 201, {{100, 0, false}, {100, 0, false}}, {101, 100}},
      {"three shares add up exactly", 100, {{10, 0, false}, {10, 0, false}, {10, 0, false}}, {33, 34, 33}},
      {"minimum clamps and others share the rest", 100, {{10, 50, false}, {90, 0, false}}, {50, 50}},
      {"minimum equal to the share is clamped", 100, {{50, 50, false}, {50, 0, false}}, {50, 50}},
      {"all clamped end at their minimums", 10, {{50, 20, false}, {50, 30, false}}, {20, 30}},
      {"zero natural widths take their minimums", 100, {{0, 7, false}, {0, 3, false}}, {7, 3}},
      {"fixed item keeps its width", 150, {{100, 0, true}, {25, 0, false}, {75, 0, false}}, {100, 13, 37}},
      {"fixed wider than available leaves a negative remainder", 50,
       {{100, 0, true}, {50, -100, false}, {50, -100, false}}, {100, -25, -25}},
      {"empty row", 100, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvxAutoWidthObject obj(static_cast<int>(c.items.size()));
    for (const auto& i : c.items) {
      TvxAutoWidthItem* item = obj.AddItem();
      EXPECT_EQ(item->AutoWidth, -1);
      item->Width = i.width;
      item->MinWidth = i.minWidth;
      item->Fixed = i.fixed;
    }
    obj.SetAvailableWidth(c.available);
    obj.Calculate();
    ASSERT_EQ(obj.Count(), static_cast<int>(c.expected.size()));
    for (int i = 0; i < obj.Count(); ++i) EXPECT_EQ(obj.GetItem(i)->AutoWidth, c.expected[i]) << "item " << i;
  }
}

// A small class tree for the registries.
class TBaseProps : public TObject {
  DECLARE_CLASS(TBaseProps, TObject)
};
class TDerivedProps : public TBaseProps {
  DECLARE_CLASS(TDerivedProps, TBaseProps)
};
class TMoreDerivedProps : public TDerivedProps {
  DECLARE_CLASS(TMoreDerivedProps, TDerivedProps)
};
class TOtherProps : public TObject {
  DECLARE_CLASS(TOtherProps, TObject)
};
class TBaseHelper : public TObject {
  DECLARE_CLASS(TBaseHelper, TObject)
};
class TDerivedHelper : public TObject {
  DECLARE_CLASS(TDerivedHelper, TObject)
};

TEST(RegisteredClassList, NearestRegisteredAncestorWinsWhateverTheOrder) {
  for (bool derivedFirst : {false, true}) {
    SCOPED_TRACE(derivedFirst ? "derived registered first" : "base registered first");
    TvxRegisteredClassList list;
    if (derivedFirst) {
      list.Register(TDerivedProps::StaticClass(), TDerivedHelper::StaticClass());
      list.Register(TBaseProps::StaticClass(), TBaseHelper::StaticClass());
    } else {
      list.Register(TBaseProps::StaticClass(), TBaseHelper::StaticClass());
      list.Register(TDerivedProps::StaticClass(), TDerivedHelper::StaticClass());
    }
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->ItemClass, TBaseProps::StaticClass());  // ancestors first
    EXPECT_EQ(list.FindClass(TMoreDerivedProps::StaticClass()), TDerivedHelper::StaticClass());
    EXPECT_EQ(list.FindClass(TDerivedProps::StaticClass()), TDerivedHelper::StaticClass());
    EXPECT_EQ(list.FindClass(TBaseProps::StaticClass()), TBaseHelper::StaticClass());
    EXPECT_EQ(list.FindClass(TOtherProps::StaticClass()), nullptr);

    list.Unregister(TDerivedProps::StaticClass(), TBaseHelper::StaticClass());  // companion does not match
    EXPECT_EQ(list.Count(), 2);
    list.Unregister(TDerivedProps::StaticClass(), TDerivedHelper::StaticClass());
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.FindClass(TMoreDerivedProps::StaticClass()), TBaseHelper::StaticClass());
  }
}

TEST(RegisteredClasses, DescriptionsHintsAndLookups) {
  TvxRegisteredClasses reg;
  reg.Register(TDerivedProps::StaticClass(), L"TextEdit|Represents a single line text editor");
  reg.Register(TDerivedProps::StaticClass(), L"Other");  // already listed: nothing changes
  reg.Register(TBaseProps::StaticClass(), L"Base");
  reg.Register(TOtherProps::StaticClass(), L"alpha|");
  ASSERT_EQ(reg.Count(), 3);
  EXPECT_EQ(reg.GetDescriptionByClass(TDerivedProps::StaticClass()), L"TextEdit");
  EXPECT_EQ(reg.GetHintByClass(TDerivedProps::StaticClass()), L"Represents a single line text editor");
  EXPECT_EQ(reg.GetHintByClass(TBaseProps::StaticClass()), L"Base");  // no "|": the whole text
  EXPECT_EQ(reg.GetHintByClass(TOtherProps::StaticClass()), L"");
  EXPECT_EQ(reg.GetDescriptionByClass(TMoreDerivedProps::StaticClass()), L"");
  EXPECT_EQ(reg.FindByClassName(L"TBaseProps"), TBaseProps::StaticClass());
  EXPECT_EQ(reg.FindByClassName(L"tbaseprops"), nullptr);
  EXPECT_EQ(reg.FindByDescription(L"TextEdit"), TDerivedProps::StaticClass());
  EXPECT_EQ(reg.FindByDescription(L"textedit"), nullptr);

  reg.SetSorted(true);  // sorts at once, case-insensitively by description
  EXPECT_EQ(reg.GetDescription(0), L"alpha");
  EXPECT_EQ(reg.GetDescription(1), L"Base");
  EXPECT_EQ(reg.GetDescription(2), L"TextEdit");
  reg.Register(TMoreDerivedProps::StaticClass(), L"Mask");
  EXPECT_EQ(reg.GetIndexByClass(TMoreDerivedProps::StaticClass()), 2);
  reg.Unregister(TBaseProps::StaticClass());
  EXPECT_EQ(reg.GetIndexByClass(TBaseProps::StaticClass()), -1);
  EXPECT_EQ(reg.Count(), 3);
}

}  // namespace

}  // namespace ZS_UNITY_ID
