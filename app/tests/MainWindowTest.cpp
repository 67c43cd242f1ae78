// The program's window built from its form resource, shown under Xvfb and driven like a
// user drives it: folders selected in the tree, rows focused by click and by arrow keys,
// the Help menu. Security descriptors come from the real system or, for entries a real
// folder does not have, through the security binding's seam.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "../../access/tests/SecurityFakes.h"
#include "../../suite/core/tests/ReferenceImage.h"
#include "ACLUtil.h"
#include "ProgramProcess.h"
#include "NewMainFormUnit.h"
#include "QvNTSecurityUnit.h"
#include "SysUtils.h"
#include "vxTLView.h"

namespace ZS_UNITY_ID {

namespace {

void Pump(DWORD Ms = 30) {
  const DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

// The texts of the message boxes that a timer finds up; each is closed.
std::vector<String> BoxTexts;
String ClassOf(HWND W) {
  wchar_t cls[32] = {};
  GetClassNameW(W, cls, 32);
  return cls;
}
BOOL CALLBACK FindShownDialog(HWND W, LPARAM Found) {
  if (ClassOf(W) != L"#32770" || !IsWindowVisible(W)) return TRUE;
  *reinterpret_cast<HWND*>(Found) = W;
  return FALSE;
}
BOOL CALLBACK CollectStaticText(HWND W, LPARAM) {
  wchar_t text[512] = {};
  GetWindowTextW(W, text, 512);
  if (ClassOf(W) == L"Static" && text[0]) BoxTexts.push_back(text);
  return TRUE;
}
void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  EnumChildWindows(box, CollectStaticText, 0);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Calls Show while a timer reads and closes the message boxes it brings up.
void AnswerBoxDuring(const std::function<void()>& Show) {
  BoxTexts.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerMessageBox);
  Show();
  Pump(100);
  KillTimer(nullptr, timer);
}

// A folder at the drive root, removed again at the end of the test.
struct TTempFolder {
  String Path;
  explicit TTempFolder(const String& Name) : Path(L"C:\\" + Name) { CreateDirectoryW(Path.c_str(), nullptr); }
  ~TTempFolder() { RemoveDirectoryW(Path.c_str()); }
};

int SetSecurityCalls = 0;
DWORD WINAPI CountingSetNamedSecurityInfo(LPWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL) {
  ++SetSecurityCalls;
  return ERROR_ACCESS_DENIED;
}

struct MainWindowTest : ::testing::Test {
  TForm1* F = nullptr;

  void SetUp() override {
    RestartSecurityUnit();  // real bindings and an empty account cache
    SetSecurityCalls = 0;
    QvSecurityApi.SetNamedSecurityInfoW = &CountingSetNamedSecurityInfo;
    F = TCustomForm::Create<TForm1>(nullptr);
    F->Show();
    SetForegroundWindow(F->Handle());
    Pump(150);
  }
  void TearDown() override {
    delete F;
    Pump(20);
    EXPECT_EQ(SetSecurityCalls, 0) << "the window only reads";
    RestartSecurityUnit();
    fakes::Sddl.clear();
    fakes::Accounts.clear();
  }

  TvxTreeList* List() const { return F->WinList; }
  Integer Rows() const { return List()->AbsoluteVisibleCount(); }
  // The six texts of a row, in column order.
  std::vector<String> RowTexts(Integer ARow) const {
    TvxTreeListNode* n = List()->AbsoluteVisibleItems(ARow);
    std::vector<String> r;
    for (TvxTreeListColumn* c : {F->WinListType, F->WinListName, F->WinListAccess, F->WinListInheritFrom,
                                 F->WinListApplyTo, F->WinListApplyToSymbol})
      r.push_back(VarToStr(n->Values(c->ItemIndex())));
    return r;
  }
  // The names of the ticked permission boxes, in the order they are set.
  std::set<String> Ticked() const {
    std::set<String> r;
    for (const TForm1::TPermissionBox& b : TForm1::PermissionBoxes)
      if ((F->*b.Box)->Checked()) r.insert((F->*b.Box)->Name());
    return r;
  }
  void SelectFolder(const String& APath) {
    F->ExplorerTreeView->SetAbsolutePath(APath);
    Pump(60);
    ASSERT_EQ(F->Folderlabel->Caption(), APath);
  }
  void ClickRow(Integer ARow) {
    TvxTreeListNodeViewData* r = List()->TreeListViewInfo()->NodeViewData(List()->AbsoluteVisibleItems(ARow));
    ASSERT_NE(r, nullptr);
    POINT p{250, (r->Bounds().top + r->Bounds().bottom) / 2};
    ClientToScreen(List()->Handle(), &p);
    SetCursorPos(p.x, p.y);
    Pump(10);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof in[0]);
    Pump(60);
  }
  void Key(WORD AVk) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = AVk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
    Pump(60);
  }
};

}  // namespace

TEST_F(MainWindowTest, WindowHasItsSizeCaptionsAndControls) {
  EXPECT_EQ(F->Caption(), L"Zalvo Sorvane");
  EXPECT_EQ(F->ClientWidth(), 884);
  EXPECT_EQ(F->ClientHeight(), 454);
  EXPECT_EQ(F->ExplorerTreeView->Width(), 183);
  EXPECT_EQ(F->Panel1->Left(), 186);
  EXPECT_EQ(F->Panel1->Width(), 698);
  ASSERT_NE(F->MainMenu1, nullptr);
  EXPECT_EQ(F->Menu(), F->MainMenu1);
  EXPECT_EQ(F->N1->Caption(), L"ヘルプ(&H)");
  EXPECT_EQ(F->SorvaneA1->Caption(), L"Sorvaneについて(&A)");
  EXPECT_EQ(F->vxPageControl1->ActivePage()->Caption(), L"Windows標準表示");
  EXPECT_EQ(F->vxPageControl2->ActivePage(), F->vxTabSheet2);
  EXPECT_EQ(F->vxTabSheet2->Caption(), L"アクセス許可");
  EXPECT_EQ(F->ApplyToLabel->Caption(), L"?");
  EXPECT_EQ(F->Label1->Caption(), L"適用先：");

  // Six string columns in one band, in item order, sharing the list's width.
  const wchar_t* captions[] = {L"種類", L"名前", L"アクセス許可", L"継承元", L"適用先", L""};
  TvxTreeListColumn* columns[] = {F->WinListType,      F->WinListName,    F->WinListAccess,
                                  F->WinListInheritFrom, F->WinListApplyTo, F->WinListApplyToSymbol};
  ASSERT_EQ(List()->ColumnCount(), 6);
  ASSERT_EQ(List()->Bands()->Count(), 1);
  Integer total = 0;
  for (Integer i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(columns[i], nullptr);
    EXPECT_EQ(columns[i]->ItemIndex(), i);
    EXPECT_EQ(columns[i]->Caption()->Text(), captions[i]);
    EXPECT_EQ(columns[i]->Position()->BandIndex(), 0);
    EXPECT_EQ(columns[i]->Position()->ColIndex(), i);
    EXPECT_EQ(columns[i]->DataBinding()->ValueType(), L"String");
    total += columns[i]->DisplayWidth();
  }
  EXPECT_EQ(total, List()->GetBandAreaWidth());
  EXPECT_GE(total, List()->ClientWidth() - 4) << "the band fills the list inside its border";
  EXPECT_LT(columns[0]->DisplayWidth(), columns[1]->DisplayWidth()) << "widths keep their proportions";
  EXPECT_FALSE(List()->OptionsSelection()->CellSelect);
  EXPECT_FALSE(List()->OptionsData()->Editing());

  // The fourteen boxes at their places with their captions.
  struct {
    TvxCheckBox* Box;
    const wchar_t* Caption;
    Integer Left, Top;
  } boxes[] = {{F->ExecChk, L"フォルダのスキャン/ファイルの実行", 8, 24},
               {F->DelChk, L"削除", 448, 48},
               {F->SetOwnerChk, L"所有権の取得", 448, 120},
               {F->NPCheckBox,
                L"(NP): こららのアクセス権を、このコンテナの中にあるオブジェクトやコンテナにのみ適用する", 8, 144}};
  for (auto& b : boxes) {
    ASSERT_NE(b.Box, nullptr);
    EXPECT_EQ(b.Box->Caption(), b.Caption);
    EXPECT_EQ(b.Box->Left(), b.Left);
    EXPECT_EQ(b.Box->Top(), b.Top);
    EXPECT_EQ(b.Box->Parent(), F->vxTabSheet2);
  }
  for (const TForm1::TPermissionBox& b : TForm1::PermissionBoxes) EXPECT_NE(F->*b.Box, nullptr);

  // A screenshot of the whole window for review, next to the test program.
  RedrawWindow(F->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(100);
  RECT r{};
  GetWindowRect(F->Handle(), &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(dc, bmp);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(dc, old);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(bi.bmiHeader), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
  GetDIBits(dc, bmp, 0, h, pixels.data(), &bi, DIB_RGB_COLORS);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  zs_test::WriteWholeFileW(L"MainWindow.png", zs_test::EncodePng(w, h, pixels));
}

// A real folder lists what the model reads for it, row for row.
TEST_F(MainWindowTest, RealFolderListsTheModelsEntries) {
  TTempFolder folder(L"zs_app_real");
  SelectFolder(folder.Path);
  TQvNTFileSecurity security(folder.Path);
  TQvAccessList model;
  security.GetAccessList(&model, L"");
  ASSERT_EQ(model.ReadOutcome().Result, qrComplete);
  ASSERT_GT(model.Count(), 0);
  ASSERT_EQ(Rows(), model.Count());
  bool inherited = false;
  for (Integer i = 0; i < model.Count(); ++i) {
    TQvAccessItem* item = model.Get(i);
    String symbol, applySymbol;
    const String access = PermissionCaption(item, symbol, false);
    const String applyTo = ApplyToCaption(item, applySymbol, false);
    const std::vector<String> expected = {TypeCaption(item), item->UserName(),
                                          access,            InheritedFrom(item, folder.Path),
                                          applyTo,           applySymbol};
    EXPECT_EQ(RowTexts(i), expected) << i;
    inherited = inherited || item->Flags().Contains(acfInherited);
  }
  EXPECT_EQ(F->InheritACLCheckBox->Checked(), inherited);
  EXPECT_EQ(List()->FocusedNode(), nullptr) << "nothing is focused after a refresh";
}

// Entries a real folder under Wine does not have, read through the binding's seam: every
// column's text, the inherit box, and the boxes each focused row ticks.
TEST_F(MainWindowTest, EntriesShowTheirTextsAndFocusTicksTheirBoxes) {
  TTempFolder folder(L"zs_app_seam");
  QvSecurityApi.GetNamedSecurityInfoW = &fakes::FakeGetNamedSecurityInfo;
  QvSecurityApi.LookupAccountSidW = &fakes::FakeLookupAccountSid;
  fakes::Accounts = {{L"S-1-5-11", {L"NT AUTHORITY", L"Authenticated Users"}},
                     {L"S-1-5-32-545", {L"BUILTIN", L"Users"}},
                     {L"S-1-5-32-544", {L"BUILTIN", L"Administrators"}},
                     {L"S-1-5-18", {L"NT AUTHORITY", L"SYSTEM"}}};
  fakes::Sddl = {{folder.Path,
                  L"D:(A;OICI;0x1301bf;;;AU)(D;OICI;0x116;;;BU)(A;OICINP;0x1200a9;;;BA)(A;CIIO;GR;;;BU)"
                  L"(A;OI;0x1201bf;;;AU)(A;OICIID;FA;;;SY)"},
                 {L"C:\\", L"D:(A;OICI;FA;;;SY)"}};
  SelectFolder(folder.Path);
  const std::vector<std::vector<String>> expected = {
      {L"許可", L"Authenticated Users", L"変更", L"(継承なし)",
       L"このフォルダ、サブフォルダおよびファイル", L"(OI)(CI)"},
      {L"拒否", L"BUILTIN\\Users", L"書き込み", L"(継承なし)", L"このフォルダ、サブフォルダおよびファイル", L"(OI)(CI)"},
      {L"許可", L"BUILTIN\\Administrators", L"読み取りと実行", L"(継承なし)",
       L"このフォルダ、サブフォルダおよびファイル(NP)", L"(OI)(CI)(NP)"},
      {L"許可", L"BUILTIN\\Users", L"読み取り", L"(継承なし)", L"サブフォルダのみ", L"(CI)(IO)"},
      {L"許可", L"Authenticated Users", L"読み取り・書き込みと実行", L"(継承なし)",
       L"このフォルダとファイル", L"(OI)"},
      {L"許可", L"SYSTEM", L"フルコントロール", L"C:\\", L"このフォルダ、サブフォルダおよびファイル",
       L"(OI)(CI)"},
  };
  ASSERT_EQ(Rows(), static_cast<Integer>(expected.size()));
  for (Integer i = 0; i < Rows(); ++i) EXPECT_EQ(RowTexts(i), expected[i]) << i;
  EXPECT_TRUE(F->InheritACLCheckBox->Checked());

  const std::set<String> all = {L"ExecChk",     L"ReadChk",        L"ReadAttrChk",     L"ReadEaChk",  L"WriteChk",
                                L"AppendChk",   L"WriteAttrChk",   L"WriteEaChk",      L"DelChildChk", L"DelChk",
                                L"WriteControlChk", L"ReadControlChk", L"SetOwnerChk"};
  const std::set<String> readExecute = {L"ExecChk", L"ReadChk", L"ReadAttrChk", L"ReadEaChk", L"ReadControlChk"};
  const std::set<String> write = {L"WriteChk", L"AppendChk", L"WriteAttrChk", L"WriteEaChk"};
  const std::set<String> read = {L"ReadChk", L"ReadAttrChk", L"ReadEaChk", L"ReadControlChk"};
  std::set<String> modify = all;
  for (const wchar_t* n : {L"DelChildChk", L"WriteControlChk", L"SetOwnerChk"}) modify.erase(n);
  std::set<String> readWriteExecute = modify;
  readWriteExecute.erase(L"DelChk");

  List()->SetFocus();
  // By click, then by arrow keys: each row's boxes, applies-to text and (NP).
  ClickRow(5);
  EXPECT_EQ(Ticked(), all);
  EXPECT_EQ(F->ApplyToLabel->Caption(), L"このフォルダ、サブフォルダおよびファイル");
  EXPECT_FALSE(F->NPCheckBox->Checked());
  const struct {
    WORD Key;
    std::set<String> Boxes;
    bool NP;
  } steps[] = {{VK_UP, readWriteExecute, false},
               {VK_UP, read, false},
               {VK_UP, readExecute, true},
               {VK_UP, write, false},
               {VK_UP, modify, false},
               {VK_DOWN, write, false}};
  Integer row = 5;
  for (const auto& s : steps) {
    row += s.Key == VK_UP ? -1 : 1;
    SCOPED_TRACE(row);
    Key(s.Key);
    ASSERT_EQ(List()->FocusedNode(), List()->AbsoluteVisibleItems(row));
    EXPECT_EQ(Ticked(), s.Boxes);
    EXPECT_EQ(F->ApplyToLabel->Caption(), expected[row][4]);
    EXPECT_EQ(F->NPCheckBox->Checked(), s.NP);
  }
  ClickRow(2);
  EXPECT_EQ(Ticked(), readExecute);
  EXPECT_TRUE(F->NPCheckBox->Checked());

  // Listing the folder again: no row focused, and the pane no longer shows a row that is gone.
  F->CompatCheckBoxClick(nullptr);
  EXPECT_EQ(List()->FocusedNode(), nullptr);
  EXPECT_TRUE(Ticked().empty());
  EXPECT_FALSE(F->NPCheckBox->Checked());
  EXPECT_EQ(F->ApplyToLabel->Caption(), L"?");
}

// What the list shows when the descriptor is not an ordinary DACL read whole.
TEST_F(MainWindowTest, NullDaclAndFailedReadsSaySo) {
  TTempFolder folder(L"zs_app_outcome");
  QvSecurityApi.GetNamedSecurityInfoW = &fakes::FakeGetNamedSecurityInfo;
  fakes::Sddl = {{L"C:\\", L"D:"}};

  // No DACL at all: everyone may do everything, and one row says so.
  fakes::Sddl[folder.Path] = L"O:SY";
  SelectFolder(folder.Path);
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(RowTexts(0), (std::vector<String>{L"許可", L"Everyone", L"フルコントロール", L"(DACLなし: 全員にフルコントロール)",
                                               L"このフォルダ、サブフォルダおよびファイル", L"(OI)(CI)"}));
  List()->SetFocus();
  ClickRow(0);
  EXPECT_EQ(Ticked().size(), 13u);

  // An empty DACL lets nobody in: an empty list.
  fakes::Sddl[folder.Path] = L"D:P";
  F->CompatCheckBoxClick(nullptr);
  EXPECT_EQ(Rows(), 0);

  // A descriptor that cannot be read says why instead of passing for an empty DACL.
  fakes::Sddl.erase(folder.Path);
  F->CompatCheckBoxClick(nullptr);
  ASSERT_EQ(Rows(), 1);
  std::vector<String> row = RowTexts(0);
  EXPECT_EQ(row[0], L"？？");
  EXPECT_EQ(row[1], L"(アクセス許可を読み取れません)");
  EXPECT_EQ(row[2].find(L"2: "), 0u) << row[2];  // ERROR_FILE_NOT_FOUND with the system's text

  // A walk cut short keeps what it read and says where it stopped.
  QvSecurityApi.LookupAccountSidW = &fakes::FakeLookupAccountSid;
  fakes::Accounts = {{L"S-1-5-32-545", {L"BUILTIN", L"Users"}}, {L"S-1-5-32-551", {L"", L"", ERROR_ACCESS_DENIED}}};
  fakes::Sddl[folder.Path] = L"D:(A;;FA;;;BU)(A;;FA;;;BO)";
  F->CompatCheckBoxClick(nullptr);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(RowTexts(0)[1], L"BUILTIN\\Users");
  row = RowTexts(1);
  EXPECT_EQ(row[1], L"(項目 1 以降を読み取れません)");
  EXPECT_EQ(row[2], L"5: " + Trim(SysErrorMessage(ERROR_ACCESS_DENIED)));
}

// The Computer node has no file-system path: an empty path and an empty list.
TEST_F(MainWindowTest, ComputerNodeGivesAnEmptyPathAndList) {
  TTempFolder folder(L"zs_app_computer");
  SelectFolder(folder.Path);
  ASSERT_GT(Rows(), 0);
  F->ExplorerTreeView->SetAbsolutePIDL(nullptr);
  Pump(60);
  EXPECT_EQ(F->Folderlabel->Caption(), L"");
  EXPECT_EQ(Rows(), 0);
}

TEST_F(MainWindowTest, HelpMenuShowsTheAboutText) {
  // Chosen from the menu bar: the command reaches the item through the form's window.
  ASSERT_EQ(GetMenu(F->Handle()), F->MainMenu1->Handle());
  AnswerBoxDuring([&] {
    PostMessageW(F->Handle(), WM_COMMAND, F->SorvaneA1->Command(), 0);
    Pump(300);
  });
  ASSERT_FALSE(BoxTexts.empty());
  const String& text = BoxTexts.front();
  EXPECT_EQ(text.find(L"アクセス権確認ツール"), 0u) << text;
  EXPECT_NE(text.find(L"Zalvo Sorvane Ver. 1.0"), String::npos) << text;
}

// A handler that fails reaches the application's default handler, and the window goes on.
TEST_F(MainWindowTest, AnExceptionInAHandlerIsShownAndTheWindowStaysUsable) {
  TTempFolder folder(L"zs_app_failing");
  List()->OnNodeChanged = [](TObject*, TvxTreeListNode*, TvxTreeListColumn*) {
    throw EOutOfMemory(L"Out of memory");
  };
  AnswerBoxDuring([&] {
    F->ExplorerTreeView->SetAbsolutePath(folder.Path);
    Pump(300);
  });
  ASSERT_FALSE(BoxTexts.empty());
  // Setting the path walks the tree through the drive to the folder: each folder listed
  // fails and is reported.
  for (const String& t : BoxTexts) EXPECT_NE(t.find(L"Out of memory"), String::npos);

  List()->OnNodeChanged = nullptr;
  F->CompatCheckBoxClick(nullptr);
  ASSERT_GT(Rows(), 0);
  List()->SetFocus();
  ClickRow(0);
  EXPECT_EQ(List()->FocusedNode(), List()->AbsoluteVisibleItems(0));
  EXPECT_NE(F->ApplyToLabel->Caption(), L"?") << "focus changes are handled again";
}

// The program itself, started as a second process: its window shows, and closing it ends
// the message loop, frees the form and shuts every unit down without a fault.
TEST(ProgramProcess, StartsShowsAndClosesCleanly) {
  const program_process::TRun run =
      program_process::StartShowAndClose(program_process::Sibling(L"ZalvoSorvane.exe"), L"Zalvo Sorvane");
  EXPECT_GT(run.PaintedAfter, 0) << "no window";
  EXPECT_TRUE(run.Ended) << "still running after its window closed";
  EXPECT_EQ(run.ExitCode, 0u);
}

}  // namespace ZS_UNITY_ID
