// The text edit's lookup items: stepping, incremental find, completion while typing on a
// real window, the list box that follows, and its wheel.
#include <gtest/gtest.h>
#include <windows.h>

#include "Forms.h"
#include "SysUtils.h"
#include "vxTextEdit.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 30) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(1);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

// Lookup data with a visible list, as the drop-down editors have.
class TListLookupData : public TvxCustomTextEditLookupData {
 public:
  using TvxCustomTextEditLookupData::TvxCustomTextEditLookupData;

 protected:
  TvxCustomEditListBox* CreateListBox(TComponent* AOwner) override { return new TvxCustomEditListBox(AOwner); }
};

class TListProperties : public TvxTextEditProperties {
 public:
  using TvxTextEditProperties::TvxTextEditProperties;
  std::unique_ptr<TvxCustomTextEditLookupData> CreateLookupData(TvxCustomTextEdit* AEdit) override {
    return std::make_unique<TListLookupData>(AEdit);
  }
};

class TListTextEdit : public TvxTextEdit {
 public:
  using TvxTextEdit::TvxTextEdit;
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override {
    return std::make_unique<TListProperties>(this);
  }
};

struct LookupDataTest : ::testing::Test {
  TForm* Form = nullptr;
  TListTextEdit* Edit = nullptr;

  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 360, 300);
    Form->Show();
    Edit = TvxContainer::Create<TListTextEdit>(Form);
    Edit->SetBounds(10, 10, 200, 24);
    Edit->SetParent(Form);
    TStringList* items = Edit->Properties()->LookupItems();
    for (const wchar_t* s : {L"apple", L"Banana", L"banjo", L"cherry", L"date", L"elder", L"fig", L"grape", L"hazel",
                             L"kiwi"})
      items->Add(s);
    Pump();
  }
  void TearDown() override {
    delete Form;
    Pump(10);
  }
  TvxCustomTextEditLookupData* Data() { return Edit->ILookupData(); }
  void Type(const String& S) {
    for (wchar_t c : S) {
      INPUT in[2]{};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wScan = in[1].ki.wScan = c;
      in[0].ki.dwFlags = KEYEVENTF_UNICODE;
      in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
      SendInput(2, in, sizeof(INPUT));
      Pump(10);
    }
    Pump();
  }
};

struct TGoCase {
  Integer From;
  TvxEditLookupDataGoDirection Direction;
  bool Circular;
  Integer To;
};

TEST_F(LookupDataTest, GoStepsThroughTheItemsTable) {
  const TGoCase cases[] = {
      {9, egdNext, false, 9}, {9, egdNext, true, 0},     {0, egdPrev, false, 0},     {0, egdPrev, true, 9},
      {4, egdBegin, false, 0}, {4, egdEnd, false, 9},    {0, egdPageUp, true, 9},    {3, egdPageUp, true, 0},
      {-1, egdPageUp, false, -1}, {-1, egdPageUp, true, 9}, {-1, egdPageDown, false, 7}, {5, egdPageDown, false, 9},
      {9, egdPageDown, true, 0}, {1, egdPageDown, false, 8},
  };
  for (const auto& c : cases) {
    Data()->SetCurrentKey(c.From);
    Data()->Go(c.Direction, c.Circular);
    EXPECT_EQ(Data()->CurrentKey(), c.To) << c.From << " " << c.Direction << " " << c.Circular;
  }
}

TEST_F(LookupDataTest, IncrementalFindAndCurrentKeyEvents) {
  String text = L"BAN", tail;
  EXPECT_TRUE(Data()->FindIncremental(text, tail, false, false));
  EXPECT_EQ(Data()->CurrentKey(), 1);
  EXPECT_EQ(tail, L"ana");
  EXPECT_EQ(text, L"BAN");  // a plain edit keeps the typed letters
  EXPECT_TRUE(Data()->FindIncremental(text, tail, true, false));
  EXPECT_EQ(Data()->CurrentKey(), 2);
  // No wrap-around: searching on from the last item finds nothing.
  Data()->SetCurrentKey(9);
  text = L"app";
  EXPECT_FALSE(Data()->FindIncremental(text, tail, true, false));
  EXPECT_EQ(Data()->CurrentKey(), -1);
  text = L"";
  EXPECT_FALSE(Data()->FindIncremental(text, tail, false, false));
  EXPECT_EQ(Data()->IndexOf(L"CHERRY"), 3);
  EXPECT_EQ(Data()->GetDisplayText(4), L"date");
  EXPECT_EQ(Data()->GetDisplayText(10), L"");
  // The same key again selects only when the text differs from the item.
  int selects = 0;
  Data()->OnSelectItem = [&](TObject*) { ++selects; };
  Data()->SetCurrentKey(3);
  EXPECT_EQ(selects, 1);
  Data()->SetCurrentKey(3);
  EXPECT_EQ(selects, 2);  // the edit's text is not "cherry"
  Edit->SetEditValue(String(L"cherry"));
  Data()->SetCurrentKey(3);
  EXPECT_EQ(selects, 2);
}

TEST_F(LookupDataTest, ItemIndexShowsTheItemsValue) {
  TObject marker;
  Edit->Properties()->LookupItems()->SetObjects(4, &marker);
  Edit->SetItemIndex(4);
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"date");
  EXPECT_EQ(Edit->ItemIndex(), 4);
  EXPECT_EQ(Edit->ItemObject(), &marker);
  Edit->SetItemIndex(-1);
  EXPECT_EQ(Edit->ItemIndex(), -1);
  EXPECT_EQ(Edit->ItemObject(), nullptr);
  EXPECT_EQ(VarToStr(Edit->EditValue()), L"");
  Edit->Properties()->LookupItems()->SetObjects(4, nullptr);
}

TEST_F(LookupDataTest, TypingCompletesFromTheItemsAndTheListFollows) {
  Data()->Initialize(Form);
  TvxCustomEditListBox* list = Data()->GetActiveControl();
  ASSERT_NE(list, nullptr);
  Data()->PositionVisualArea(TRect{10, 100, 200, 160});
  list->HandleNeeded();
  EXPECT_EQ(list->Items()->Count(), 10);
  EXPECT_EQ(list->GetItemText(3), L"cherry");
  SetForegroundWindow(Form->Handle());
  Edit->SetFocus();
  Pump();
  Type(L"ba");
  EXPECT_EQ(Edit->Text(), L"banana");
  EXPECT_EQ(Edit->SelStart(), 2);
  EXPECT_EQ(Edit->SelLength(), 4);
  EXPECT_EQ(Edit->ItemIndex(), 1);
  EXPECT_EQ(list->ItemIndex(), 1);
  Type(L"nj");
  EXPECT_EQ(Edit->Text(), L"banjo");
  EXPECT_EQ(list->ItemIndex(), 2);
  Type(L"x");  // no item: the character is typed, the lookup lets go
  EXPECT_EQ(Edit->Text(), L"banjx");
  EXPECT_EQ(Edit->ItemIndex(), -1);
  // Typing keeps the lookup's text-change counter paired.
  EXPECT_EQ(Edit->LookupDataTextChangedLockCount(), 0);
  // The mouse over the list is judged in the list's own client coordinates.
  POINT inside{2, 2};
  ClientToScreen(list->Handle(), &inside);
  EXPECT_TRUE(Data()->IsMouseOverList(TPoint{inside.x, inside.y}));
  POINT outside{2, -5};
  ClientToScreen(list->Handle(), &outside);
  EXPECT_FALSE(Data()->IsMouseOverList(TPoint{outside.x, outside.y}));
}

TEST_F(LookupDataTest, WheelScrollsOnePageWithThePageSetting) {
  Data()->Initialize(Form);
  TvxCustomEditListBox* list = Data()->GetActiveControl();
  Data()->PositionVisualArea(TRect{10, 100, 200, 100 + 3 * list->GetItemHeight()});
  list->HandleNeeded();
  Pump();
  UINT saved = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &saved, 0);
  TScopeExit restore([saved] { SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, saved, nullptr, 0); });
  SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, WHEEL_PAGESCROLL, nullptr, 0);
  POINT p{5, 5};
  ClientToScreen(list->Handle(), &p);
  SendMessageW(list->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(p.x, p.y));
  Pump();
  const Integer top = list->TopIndex();
  EXPECT_GT(top, 0);
  EXPECT_LT(top, 7);  // one page, not the end of the list
  SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, 1, nullptr, 0);
  SendMessageW(list->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(p.x, p.y));
  Pump();
  EXPECT_EQ(list->TopIndex(), top - 1);
}

}  // namespace

}  // namespace ZS_UNITY_ID
