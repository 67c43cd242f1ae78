// The hyperlink edit opens links through the shell binding, which the tests replace: a table
// of cell texts and what opening each one does, and the triggers on a real window.
#include <gtest/gtest.h>

#include <vector>

#include "../../core/tests/SuiteControlTestSupport.h"
#include "vxHyperLinkEdit.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

struct TOpened { String Verb, File; INT Show; };
std::vector<TOpened> Opened;

HINSTANCE WINAPI FakeShellExecute(HWND, LPCWSTR Verb, LPCWSTR File, LPCWSTR Params, LPCWSTR Dir, INT Show) {
  EXPECT_EQ(nullptr, Params);
  EXPECT_EQ(nullptr, Dir);
  Opened.push_back({Verb, File, Show});
  return reinterpret_cast<HINSTANCE>(33);
}

struct HyperLinkEditTest : TFormFixture {
  TvxHyperLinkEdit* Edit = nullptr;
  TvxShellExecuteProc Real = nullptr;
  void SetUp() override {
    TFormFixture::SetUp();
    Real = vxSetShellExecuteProc(FakeShellExecute);
    Opened.clear();
    Edit = TvxContainer::Create<TvxHyperLinkEdit>(Form);
    Edit->SetBounds(10, 10, 200, 21);
    Edit->SetParent(Form);
    Edit->HandleNeeded();
    Pump(20);
  }
  void TearDown() override {
    vxSetShellExecuteProc(Real);
    MoveMouse(POINT{0, 0});  // the next test's windows are not under the cursor
    TFormFixture::TearDown();
  }
  // What opening the text does: the file handed to the shell, or "" when nothing opens.
  String OpenText(const String& Text) {
    Opened.clear();
    Edit->SetEditValue(Variant(Text));
    Edit->DoStart();
    return Opened.empty() ? String() : Opened.back().File;
  }
};

}  // namespace

TEST_F(HyperLinkEditTest, OnlyKnownLinkSchemesReachTheShell) {
  ASSERT_NE(nullptr, Real);  // the real binding is found by name
  struct Case { TvxHyperLinkEditUsePrefix Use; const wchar_t* Text; const wchar_t* Opens; } cases[] = {
      {upAlways, L"  www.example.com  ", L"http://www.example.com"},
      {upAlways, L"http://example.com/a?b", L"http://example.com/a?b"},
      {upAlways, L"HTTP://example.com", L"http://HTTP://example.com"},  // the prefix test is case-sensitive
      {upNever, L"HTTPS://example.com", L"HTTPS://example.com"},         // scheme names are not
      {upNever, L"ftp://host/file", L"ftp://host/file"},
      {upNever, L"mailto:someone@example.com", L"mailto:someone@example.com"},
      {upNever, L"file:///C:/docs/readme.txt", L"file:///C:/docs/readme.txt"},
      {upOnlyOnExecute, L"example.org", L"http://example.org"},
      // Anything else is never opened or run.
      {upNever, L"www.example.com", L""},
      {upNever, L"calc.exe", L""},
      {upNever, L"C:\\Windows\\notepad.exe", L""},
      {upNever, L"cmd /c del x", L""},
      {upNever, L"javascript:alert(1)", L""},
      {upNever, L"shell:startup", L""},
      {upNever, L"http://a\r\nb", L""},
      {upAlways, L"   ", L""},
  };
  for (const Case& c : cases) {
    Edit->Properties()->SetUsePrefix(c.Use);
    EXPECT_EQ(String(c.Opens), OpenText(c.Text)) << c.Text;
  }
  OpenText(L"http://example.com");
  ASSERT_EQ(1u, Opened.size());
  EXPECT_EQ(L"OPEN", Opened[0].Verb);
  EXPECT_EQ(SW_SHOWMAXIMIZED, Opened[0].Show);
  // A prefix of the properties' own adds its scheme.
  Edit->Properties()->SetPrefix(L"news://");
  Edit->Properties()->SetUsePrefix(upAlways);
  EXPECT_EQ(L"news://group.topic", OpenText(L"group.topic"));
  Edit->Properties()->SetUsePrefix(upNever);
  EXPECT_EQ(L"", OpenText(L"gopher://x"));
}

TEST_F(HyperLinkEditTest, StartClickReplacesTheShellAndKeysOrClicksOpen) {
  int started = 0;
  Edit->Properties()->OnStartClick = [&](TObject*) { ++started; };
  OpenText(L"http://example.com");
  EXPECT_EQ(1, started);
  EXPECT_TRUE(Opened.empty());
  Edit->Properties()->OnStartClick = nullptr;

  Edit->SetEditValue(Variant(String(L"http://example.com")));
  Edit->SetFocus();
  Pump(20);
  Opened.clear();
  SendKey(VK_CONTROL, false);
  SendKey(VK_RETURN, false);
  SendKey(VK_RETURN, true);
  SendKey(VK_CONTROL, true);
  Pump(40);
  ASSERT_EQ(1u, Opened.size());  // Ctrl+Enter
  EXPECT_EQ(L"http://example.com", Opened[0].File);

  Opened.clear();
  ClickAt(Edit, 30, 10);
  EXPECT_TRUE(Opened.empty());  // a single click does not open by default
  ClickAt(Edit, 30, 10, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  ClickAt(Edit, 30, 10, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  Pump(40);
  EXPECT_GE(Opened.size(), 1u);  // double click
}

TEST(HyperLinkEditProperties, PrefixingAndAutoComplete) {
  TvxHyperLinkEditProperties p(nullptr);
  EXPECT_EQ(L"http://a.b", p.AddPrefixTo(L" a.b "));
  EXPECT_EQ(L"http://a.b", p.AddPrefixTo(L"http://a.b"));
  EXPECT_EQ(L"", p.AddPrefixTo(L"  "));
  p.SetAutoComplete(false);
  EXPECT_EQ(upNever, p.UsePrefix());
  p.SetUsePrefix(upOnlyOnExecute);
  EXPECT_TRUE(p.AutoComplete());
  EXPECT_EQ(16397, p.StartKey());
  EXPECT_EQ(L"", vxHyperLinkScheme(L"C:\\x"));
  EXPECT_EQ(L"mailto", vxHyperLinkScheme(L"MailTo:x"));
}

}  // namespace ZS_UNITY_ID
