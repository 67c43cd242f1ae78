#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include "Dialogs.h"
#include "FormsTestSupport.h"
#include "StdCtrls.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

String ChosenFile;

// Runs while a file dialog is up: types ChosenFile (or cancels when empty).
void CALLBACK AnswerFileDialog(HWND, UINT, UINT_PTR Id, DWORD) {
  HWND dlg = GetActiveWindow();
  if (!dlg) return;
  wchar_t cls[32] = {};
  GetClassNameW(dlg, cls, 32);
  if (String(cls) != L"#32770") return;
  KillTimer(nullptr, Id);
  if (ChosenFile.empty()) {
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  SendMessageW(dlg, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(ChosenFile.c_str()));
  SendMessageW(dlg, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(ChosenFile.c_str()));
  PostMessageW(dlg, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST(DialogsTest, MessageDialogButtonsAndModalResult) {
  std::unique_ptr<TForm> f(CreateMessageDialog(L"保存しますか?", mtConfirmation, mbYesNoCancel));
  EXPECT_EQ(L"Confirm", f->Caption());
  std::vector<TButton*> buttons;
  for (Integer i = 0; i < f->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TButton*>(f->Controls(i))) buttons.push_back(b);
  ASSERT_EQ(3u, buttons.size());
  struct { const wchar_t* Caption; TModalResult Result; bool Default, Cancel; } expected[] = {
      {L"&Yes", mrYes, true, false}, {L"&No", mrNo, false, false}, {L"Cancel", mrCancel, false, true}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(String(expected[i].Caption), buttons[i]->Caption());
    EXPECT_EQ(expected[i].Result, buttons[i]->ModalResult());
    EXPECT_EQ(expected[i].Default, buttons[i]->Default());
    EXPECT_EQ(expected[i].Cancel, buttons[i]->Cancel());
    if (i) {
      EXPECT_GT(buttons[i]->Left(), buttons[i - 1]->Left());
    }
  }
  auto* label = dynamic_cast<TLabel*>(f->FindComponent(L"Message"));
  ASSERT_NE(nullptr, label);
  EXPECT_EQ(L"保存しますか?", label->Caption());
  EXPECT_GT(f->ClientHeight(), buttons[0]->Top() + buttons[0]->Height());

  // A click on a button gives the dialog that button's modal result (which ends
  // ShowModal, and so MessageDlg, with it).
  f->Show();
  SetForegroundWindow(f->Handle());
  Pump(100);
  ClickAt(buttons[1]->ClientToScreen(POINT{30, 12}));
  EXPECT_EQ(mrNo, f->ModalResult());
}

TEST(DialogsTest, FileDialogsReturnTheChosenFile) {
  EXPECT_EQ(String(L"Text\0*.txt\0All\0*.*\0\0", 20), TOpenDialog::SystemFilter(L"Text|*.txt|All|*.*"));

  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  TSaveDialog save(nullptr);
  save.SetInitialDir(dir);
  save.SetFilter(L"Text|*.txt|All|*.*");
  save.SetDefaultExt(L"txt");
  ChosenFile = L"zs_dialog_test";
  SetTimer(nullptr, 0, 150, AnswerFileDialog);
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(String(dir) + L"zs_dialog_test.txt", save.FileName());
  EXPECT_EQ(1, save.Files()->Count());

  TOpenDialog open(nullptr);
  ChosenFile.clear();
  SetTimer(nullptr, 0, 150, AnswerFileDialog);
  EXPECT_FALSE(open.Execute());
}

}  // namespace ZS_UNITY_ID
