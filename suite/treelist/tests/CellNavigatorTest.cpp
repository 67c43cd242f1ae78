#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vxInplaceContainer.h"

namespace ZS_UNITY_ID {

namespace {

// A grid of rows; each cell is an item that may refuse the keyboard focus ('x').
class TGridNavigator : public TvxCustomCellNavigator {
 public:
  explicit TGridNavigator(std::vector<std::string> ARows) : Rows(std::move(ARows)) {
    for (auto& r : Rows)
      for (char& c : r) Items.push_back(std::make_unique<TItem>(&c));
  }
  struct TItem : TObject {
    explicit TItem(char* AKind) : Kind(AKind) {}
    char* Kind;
  };
  std::vector<std::string> Rows;
  std::vector<std::unique_ptr<TItem>> Items;
  Integer Row = 0, Cell = 0;
  bool Cycle = false, Editing = false;
  std::wstring Shown;

  void CalcNextRow(bool AForward, Integer& ARowIndex, Integer&) override {
    Integer r = ARowIndex + (AForward ? 1 : -1);
    if (r >= 0 && r < static_cast<Integer>(Rows.size())) ARowIndex = r;
  }
  TObject* GetCellContainer(Integer ARow, Integer ACell) override {
    if (ACell < 0 || ACell >= GetCount(ARow)) return nullptr;
    Integer base = 0;
    for (Integer r = 0; r < ARow; ++r) base += static_cast<Integer>(Rows[r].size());
    return Items[base + ACell].get();
  }
  Integer GetCount(Integer ARow) override { return static_cast<Integer>(Rows.at(ARow).size()); }
  void Init(Integer& ARow, Integer& ACell, Integer& ARowCount) override {
    ARow = Row;
    ACell = Cell;
    ARowCount = static_cast<Integer>(Rows.size());
  }
  void SetFocusCell(Integer ARow, Integer ACell, TShiftState) override {
    Row = ARow;
    Cell = ACell;
  }

 protected:
  bool CanFocusItem(TObject* AItem) override { return *static_cast<TItem*>(AItem)->Kind != 'x'; }
  bool FocusCellOnCycle() override { return Cycle; }
  bool HasFocusedItem() override { return true; }
  bool StartEditing() override { return Editing = true; }
  void ShowEdit(Char AKey) override { Shown += AKey; }
};

TEST(CellNavigator, KeyTable) {
  struct Case {
    const char* name;
    Integer row, cell;
    Word key;
    TShiftState shift;
    bool cycle;
    Integer toRow, toCell;
    bool eaten;
  } cases[] = {
      {"right", 0, 0, VK_RIGHT, {}, false, 0, 1, true},
      {"right skips unfocusable", 0, 1, VK_RIGHT, {}, false, 0, 3, true},
      {"right at the end stays", 0, 3, VK_RIGHT, {}, false, 0, 3, true},
      {"right at the end cycles", 0, 3, VK_RIGHT, {}, true, 1, 0, true},
      {"left at the start cycles back", 1, 0, VK_LEFT, {}, true, 0, 3, true},
      {"left skips unfocusable", 0, 3, VK_LEFT, {}, false, 0, 1, true},
      {"down keeps the cell", 0, 1, VK_DOWN, {}, false, 1, 1, true},
      {"up at the top stays", 0, 1, VK_UP, {}, false, 0, 1, true},
      {"tab", 0, 0, VK_TAB, {}, false, 0, 1, true},
      {"shift tab", 0, 1, VK_TAB, {ssShift}, false, 0, 0, true},
      {"other keys pass", 0, 0, 'A', {}, false, 0, 0, false},
  };
  for (const Case& c : cases) {
    TGridNavigator nav({"aaxa", "aaa", "aa"});
    nav.Row = c.row;
    nav.Cell = c.cell;
    nav.Cycle = c.cycle;
    Word key = c.key;
    nav.KeyDown(key, c.shift);
    EXPECT_EQ(nav.Row, c.toRow) << c.name;
    EXPECT_EQ(nav.Cell, c.toCell) << c.name;
    EXPECT_EQ(key == 0, c.eaten) << c.name;
  }
}

TEST(CellNavigator, EnterStartsEditingAndTypingShowsTheEditor) {
  TGridNavigator nav({"aa"});
  Word key = VK_RETURN;
  nav.KeyDown(key, {ssCtrl});
  EXPECT_FALSE(nav.Editing);
  nav.KeyDown(key, {});
  EXPECT_TRUE(nav.Editing);
  EXPECT_EQ(key, 0);
  Char ch = L'q';
  nav.EatKeyPress = true;
  nav.DoKeyPress(ch);  // eaten once
  EXPECT_EQ(nav.Shown, L"");
  nav.DoKeyPress(ch);
  EXPECT_EQ(nav.Shown, L"q");
  EXPECT_EQ(ch, 0);
  Char esc = 27;
  nav.DoKeyPress(esc);  // a control character does not start editing
  EXPECT_EQ(nav.Shown, L"q");
}

}  // namespace

}  // namespace ZS_UNITY_ID
