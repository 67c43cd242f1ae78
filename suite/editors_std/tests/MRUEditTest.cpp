// The MRU edit: its list after confirmed texts (moves, inserts, cuts with their events),
// the ellipsis button, texts confirmed by Enter and by picking from the list on a real
// window, the list shared through a repository item, and the edit read from a form file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../../core/tests/ControlsTestSupport.h"
#include "EditorFormSupport.h"
#include "vxEditRepositoryItems.h"
#include "vxMRUEdit.h"

namespace ZS_UNITY_ID {

using namespace vx_test;

namespace {

std::vector<String> ListOf(TvxCustomMRUEditProperties* P) {
  std::vector<String> r;
  for (Integer i = 0; i < P->LookupItems()->Count(); ++i) r.push_back(P->LookupItems()->Strings(i));
  return r;
}

struct MRUList : ::testing::Test {
  TvxMRUEditProperties P{nullptr};
  std::vector<Integer> Deleted;
  std::vector<String> New;
  void SetUp() override {
    P.OnDeleteLookupItem = [this](TvxCustomMRUEditProperties* AP, Integer I) {
      EXPECT_EQ(AP, &P);
      Deleted.push_back(I);
    };
    P.OnNewLookupDisplayText = [this](TObject* Sender, const String& T) {
      EXPECT_EQ(Sender, &P);
      New.push_back(T);
    };
  }
};

TEST_F(MRUList, ConfirmedTextsMoveToTheTopAndTheOldestAreCut) {
  P.SetMaxItemCount(3);
  struct Step {
    const wchar_t* Text;
    std::vector<String> List;
    std::vector<Integer> Deleted;
    std::vector<String> New;
  } steps[] = {
      {L"A", {L"A"}, {}, {L"A"}},
      {L"B", {L"B", L"A"}, {}, {L"B"}},
      {L"C", {L"C", L"B", L"A"}, {}, {L"C"}},
      {L"D", {L"D", L"C", L"B"}, {3}, {L"D"}},
      {L"B", {L"B", L"D", L"C"}, {}, {}},   // moved, no event
      {L"", {L"B", L"D", L"C"}, {}, {}},    // empty text: nothing
      {L"D", {L"D", L"B", L"C"}, {}, {}},
      {L"d", {L"D", L"B", L"C"}, {}, {}},   // the list compares without letter case
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.Text);
    Deleted.clear();
    New.clear();
    P.AddItem(s.Text);
    EXPECT_EQ(ListOf(&P), s.List);
    EXPECT_EQ(Deleted, s.Deleted);
    EXPECT_EQ(New, s.New);
  }
}

TEST_F(MRUList, MaxItemCountCutsFromTheEndAndNegativeMeansNoLimit) {
  for (const wchar_t* t : {L"1", L"2", L"3", L"4", L"5"}) P.AddItem(t);
  P.SetMaxItemCount(-5);
  EXPECT_EQ(P.MaxItemCount(), 0);
  P.AddItem(L"6");
  EXPECT_EQ(P.LookupItems()->Count(), 6);
  P.SetMaxItemCount(10);
  EXPECT_TRUE(Deleted.empty());
  P.SetMaxItemCount(2);
  EXPECT_EQ(Deleted, (std::vector<Integer>{5, 4, 3, 2}));
  EXPECT_EQ(ListOf(&P), (std::vector<String>{L"6", L"5"}));
}

TEST(MRUEditProperties, TheEllipsisButtonFollowsShowEllipsis) {
  TvxMRUEditProperties p(nullptr);
  ASSERT_EQ(p.Buttons()->Count(), 2);
  EXPECT_EQ(p.Buttons()->Items(1)->Kind(), bkEllipsis);
  EXPECT_TRUE(p.Buttons()->Items(1)->Default());
  EXPECT_EQ(p.GlyphButtonIndex(), 1);
  EXPECT_EQ(p.DropDownListStyle(), lsEditList);
  EXPECT_TRUE(p.MRUMode());
  p.SetShowEllipsis(false);
  EXPECT_FALSE(p.Buttons()->Items(1)->Visible());
  EXPECT_EQ(p.GlyphButtonIndex(), 0);
  TvxMRUEditProperties copy(nullptr);
  p.SetMaxItemCount(4);
  copy.Assign(&p);
  EXPECT_FALSE(copy.ShowEllipsis());
  EXPECT_EQ(copy.MaxItemCount(), 4);
  EXPECT_EQ(copy.GlyphButtonIndex(), 0);
}

TEST(MRUEditProperties, AnEditThroughARepositoryItemSharesItsList) {
  TvxEditRepositoryMRUItem item(nullptr);
  EXPECT_EQ(item.GetEditPropertiesClass(), TvxMRUEditProperties::StaticClass());
  item.Properties()->AddItem(L"shared");
  TvxMRUEditProperties own(nullptr);
  item.Properties()->Update(&own);
  EXPECT_EQ(ListOf(&own), std::vector<String>{L"shared"});
}

struct MRUEditControl : TFormFixture {
  TvxMRUEdit* Edit = nullptr;
  TvxMRUEdit* Other = nullptr;
  std::vector<TObject*> Clicks;
  void SetUp() override {
    TFormFixture::SetUp();
    Edit = TvxContainer::Create<TvxMRUEdit>(Form);
    Edit->SetBounds(10, 10, 180, 24);
    Edit->SetParent(Form);
    Other = TvxContainer::Create<TvxMRUEdit>(Form);
    Other->SetBounds(10, 100, 180, 24);
    Other->SetParent(Form);
    Edit->Properties()->OnButtonClick = [this](TObject* S) { Clicks.push_back(S); };
    Edit->PopupWindow()->SetModalMode(false);
    Edit->SetFocus();
    Pump(60);
  }
  void Key(WORD Vk) {
    SendKey(Vk, false);
    SendKey(Vk, true);
    Pump(60);
  }
  void Type(const std::wstring& S) {
    for (wchar_t c : S) {
      INPUT d{};
      d.type = INPUT_KEYBOARD;
      d.ki.wScan = c;
      d.ki.dwFlags = KEYEVENTF_UNICODE;
      INPUT u = d;
      u.ki.dwFlags |= KEYEVENTF_KEYUP;
      SendInput(1, &d, sizeof d);
      SendInput(1, &u, sizeof u);
      Pump(10);
    }
    Pump(40);
  }
  void ClickAt(POINT P) {
    MoveMouse(P);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Pump(80);
  }
  POINT ButtonCenter(Integer AIndex) {
    Edit->CheckViewInfo();
    const TRect b = Edit->ViewInfo()->Buttons(AIndex)->Bounds;
    POINT p{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    ClientToScreen(Edit->Handle(), &p);
    return p;
  }
  bool Open() { return Edit->PopupWindow()->IsVisible(); }
};

TEST_F(MRUEditControl, EnterAndTheListConfirmTextsAndTheEllipsisRaisesItsEvent) {
  Type(L"alpha");
  Key(VK_RETURN);
  Edit->SelectAll();
  Type(L"beta");
  Key(VK_RETURN);
  EXPECT_EQ(ListOf(Edit->Properties()), (std::vector<String>{L"beta", L"alpha"}));
  // Picking the older text from the list by the keyboard moves it to the top.
  Key(VK_F4);
  ASSERT_TRUE(Open());
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Edit->Text(), L"alpha");
  EXPECT_EQ(ListOf(Edit->Properties()), (std::vector<String>{L"alpha", L"beta"}));
  // The drop-down button opens the list with the mouse; the ellipsis button raises the event.
  ClickAt(ButtonCenter(0));
  EXPECT_TRUE(Open());
  Key(VK_ESCAPE);
  EXPECT_FALSE(Open());
  ClickAt(ButtonCenter(1));
  EXPECT_FALSE(Open());
  EXPECT_EQ(Clicks, std::vector<TObject*>{Edit});
  // Leaving the edit confirms the typed text as well.
  Edit->SelectAll();
  Type(L"gamma");
  Other->SetFocus();
  Pump(60);
  EXPECT_EQ(ListOf(Edit->Properties()).front(), L"gamma");
}

TEST(MRUEditStreaming, ReadShownAndWrittenBackEqual) {
  String first;
  {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetName(L"Form1");
    auto* e = TvxContainer::Create<TvxMRUEdit>(form.get());
    e->SetName(L"Recent");
    e->SetParent(form.get());
    e->SetAutoSize(false);
    e->Properties()->SetMaxItemCount(5);
    e->Properties()->SetShowEllipsis(false);
    e->Properties()->AddItem(L"one");
    e->Properties()->AddItem(L"two");
    first = FormText(form.get());
  }
  EXPECT_NE(first.find(L"MaxItemCount = 5"), String::npos) << first;
  EXPECT_NE(first.find(L"ShowEllipsis = False"), String::npos) << first;
  std::unique_ptr<TForm> loaded = ReadFormText(first);
  auto* e = dynamic_cast<TvxMRUEdit*>(loaded->FindComponent(L"Recent"));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Properties()->MaxItemCount(), 5);
  EXPECT_FALSE(e->Properties()->ShowEllipsis());
  EXPECT_EQ(e->Properties()->GlyphButtonIndex(), 0);
  EXPECT_EQ(ListOf(e->Properties()), (std::vector<String>{L"two", L"one"}));
  loaded->Show();
  Pump(40);
  EXPECT_TRUE(e->HandleAllocated());
  EXPECT_EQ(ComponentBlock(FormText(loaded.get()), L"Recent"), ComponentBlock(first, L"Recent"));
}

}  // namespace

}  // namespace ZS_UNITY_ID
