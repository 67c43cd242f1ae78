#include "NewMainFormUnit.h"

#include "ACLUtil.h"
#include "Dialogs.h"
#include "QvNTSecurityUnit.h"
#include "SysUtils.h"

TForm1* Form1 = nullptr;

const TForm1::TPermissionBox TForm1::PermissionBoxes[13] = {
    {&TForm1::ExecChk, 0x20},           {&TForm1::ReadChk, 0x01},          {&TForm1::ReadAttrChk, 0x80},
    {&TForm1::ReadEaChk, 0x08},         {&TForm1::WriteChk, 0x02},         {&TForm1::AppendChk, 0x04},
    {&TForm1::WriteAttrChk, 0x100},     {&TForm1::WriteEaChk, 0x10},       {&TForm1::DelChk, 0x10000},
    {&TForm1::DelChildChk, 0x40},       {&TForm1::ReadControlChk, 0x20000}, {&TForm1::WriteControlChk, 0x40000},
    {&TForm1::SetOwnerChk, 0x80000},
};

namespace {

// Texts of the rows that stand for something other than one entry of a DACL read whole.
const wchar_t* const NullDaclName = L"Everyone";
const wchar_t* const NullDaclMark = L"(DACLなし: 全員にフルコントロール)";
const wchar_t* const NotReadName = L"(アクセス許可を読み取れません)";
const wchar_t* const StoppedName = L"(項目 %d 以降を読み取れません)";

// "code: text" for a Windows error, the reason alone for other failures.
String OutcomeText(const TQvReadOutcome& AOutcome) {
  String text = Trim(AOutcome.ErrorText);
  return AOutcome.ErrorCode >= 0 ? IntToStr(AOutcome.ErrorCode) + L": " + text : text;
}

}  // namespace

void TForm1::DeclarePublished(TPublisher<TForm1>& P) {
  using C = TForm1;
  P.Field(L"Splitter1", &C::Splitter1);
  P.Field(L"Panel1", &C::Panel1);
  P.Field(L"Panel2", &C::Panel2);
  P.Field(L"Folderlabel", &C::Folderlabel);
  P.Field(L"Label2", &C::Label2);
  P.Field(L"MainMenu1", &C::MainMenu1);
  P.Field(L"N1", &C::N1);
  P.Field(L"SorvaneA1", &C::SorvaneA1);
  P.Field(L"ExplorerTreeView", &C::ExplorerTreeView);
  P.Field(L"vxPageControl1", &C::vxPageControl1);
  P.Field(L"vxPageControl2", &C::vxPageControl2);
  P.Field(L"vxTabSheet2", &C::vxTabSheet2);
  P.Field(L"WinList", &C::WinList);
  P.Field(L"WinListType", &C::WinListType);
  P.Field(L"WinListName", &C::WinListName);
  P.Field(L"WinListAccess", &C::WinListAccess);
  P.Field(L"WinListInheritFrom", &C::WinListInheritFrom);
  P.Field(L"WinListApplyTo", &C::WinListApplyTo);
  P.Field(L"WinListApplyToSymbol", &C::WinListApplyToSymbol);
  P.Field(L"Label1", &C::Label1);
  P.Field(L"ApplyToLabel", &C::ApplyToLabel);
  P.Field(L"InheritACLCheckBox", &C::InheritACLCheckBox);
  P.Field(L"ExecChk", &C::ExecChk);
  P.Field(L"ReadChk", &C::ReadChk);
  P.Field(L"ReadAttrChk", &C::ReadAttrChk);
  P.Field(L"ReadEaChk", &C::ReadEaChk);
  P.Field(L"WriteChk", &C::WriteChk);
  P.Field(L"AppendChk", &C::AppendChk);
  P.Field(L"WriteAttrChk", &C::WriteAttrChk);
  P.Field(L"WriteEaChk", &C::WriteEaChk);
  P.Field(L"DelChildChk", &C::DelChildChk);
  P.Field(L"DelChk", &C::DelChk);
  P.Field(L"WriteControlChk", &C::WriteControlChk);
  P.Field(L"ReadControlChk", &C::ReadControlChk);
  P.Field(L"SetOwnerChk", &C::SetOwnerChk);
  P.Field(L"NPCheckBox", &C::NPCheckBox);
  P.Method(L"ExplorerTreeViewChange", &C::ExplorerTreeViewChange);
  P.Method(L"WinListFocusedNodeChanged", &C::WinListFocusedNodeChanged);
  P.Method(L"SorvaneA1Click", &C::SorvaneA1Click);
  P.Method(L"CompatCheckBoxClick", &C::CompatCheckBoxClick);
}

String TForm1::AboutText() {
  // The credit line; the tool has no web address of its own, so the fourth line stays out.
  return L"アクセス権確認ツール\r\n"
         L"Zalvo Sorvane Ver. 1.0\r\n"
         L"Copyright (C) 2026 Zalvo Sorvane";
}

void TForm1::ExplorerTreeViewChange(TObject*, TTreeNode*) {
  Folderlabel->SetCaption(ExplorerTreeView->AbsolutePath());
  ShowFolderAcl(Folderlabel->Caption());
}

void TForm1::CompatCheckBoxClick(TObject*) { ShowFolderAcl(Folderlabel->Caption()); }

void TForm1::SorvaneA1Click(TObject*) { ShowMessage(AboutText()); }

void TForm1::ClearPermissionPane() {
  for (const TPermissionBox& b : PermissionBoxes) (this->*b.Box)->SetChecked(false);
  ApplyToLabel->SetCaption(L"?");
  NPCheckBox->SetChecked(false);
}

void TForm1::AddEntryRow(Cardinal AMask, const String& AType, const String& AName, const String& AAccess,
                         const String& AInheritFrom, const String& AApplyTo, const String& ASymbol) {
  TvxTreeListNode* node = WinList->Add();
  node->SetData(reinterpret_cast<Pointer>(static_cast<NativeUInt>(AMask)));
  node->SetValues(WinListType->ItemIndex(), AType);
  node->SetValues(WinListName->ItemIndex(), AName);
  node->SetValues(WinListAccess->ItemIndex(), AAccess);
  node->SetValues(WinListInheritFrom->ItemIndex(), AInheritFrom);
  node->SetValues(WinListApplyTo->ItemIndex(), AApplyTo);
  node->SetValues(WinListApplyToSymbol->ItemIndex(), ASymbol);
}

void TForm1::AddReadOutcomeRows(const TQvAccessList& AList) {
  const TQvReadOutcome& outcome = AList.ReadOutcome();
  if (outcome.Result == qrComplete && AList.IsNullDacl()) {
    // A folder without a DACL lets everyone do everything: one row says so, instead of an
    // empty list that would read as a folder nobody may enter.
    TQvAccessItem everyone;
    everyone.SetMask(0xF01FF);
    everyone.SetFlags(TQvAceFlags{acfObjInherit, acfContainer});
    String permissionSymbol, applyToSymbol;
    String access = PermissionCaption(&everyone, permissionSymbol, false);
    String applyTo = ApplyToCaption(&everyone, applyToSymbol, false);
    AddEntryRow(everyone.Mask(), TypeCaption(&everyone), NullDaclName, access, NullDaclMark, applyTo, applyToSymbol);
  } else if (outcome.Result == qrNotRead) {
    AddEntryRow(0, L"？？", NotReadName, OutcomeText(outcome), L"", L"", L"");
  } else if (outcome.Result == qrStopped) {
    AddEntryRow(0, L"？？", Format(StoppedName, {outcome.StoppedAt}), OutcomeText(outcome), L"", L"", L"");
  }
}

void TForm1::ShowFolderAcl(const String& APath) {
  TValueScope<bool> updating(FUpdating, true);
  WinList->Clear();
  // The pane showed an entry of the list just cleared: it starts empty again.
  ClearPermissionPane();
  // The rows go in under one lock, so that the list lays out and paints once for all of
  // them. A lock holds back the list's report of each changed value: with a handler
  // listening for those, the rows go in one by one as before.
  const bool locked = !WinList->OnNodeChanged;
  if (locked) WinList->BeginUpdate();
  TScopeExit unlock([this, locked] {
    if (locked) WinList->EndUpdate();
  });
  if (!DirectoryExists(APath)) {
    InheritACLCheckBox->SetChecked(false);
    return;
  }
  TQvNTFileSecurity security(APath);
  TQvAccessList list;
  security.GetAccessList(&list, L"");
  bool inherited = false;
  for (Integer i = 0; i < list.Count(); ++i) {
    TQvAccessItem* item = list.Get(i);
    String symbol;
    String access = PermissionCaption(item, symbol, false);
    String applyTo = ApplyToCaption(item, symbol, false);
    AddEntryRow(item->Mask(), TypeCaption(item), item->UserName(), access, InheritedFrom(item, APath), applyTo,
                symbol);
    if (item->Flags().Contains(acfInherited)) inherited = true;
  }
  AddReadOutcomeRows(list);
  InheritACLCheckBox->SetChecked(inherited);
}

void TForm1::WinListFocusedNodeChanged(TObject*, TvxTreeListNode*, TvxTreeListNode* AFocusedNode) {
  if (FUpdating || !AFocusedNode) return;
  Cardinal mask = NormalizedMask(static_cast<Cardinal>(reinterpret_cast<NativeUInt>(AFocusedNode->Data())));
  for (const TPermissionBox& b : PermissionBoxes) (this->*b.Box)->SetChecked((mask & b.Bit) != 0);
  ApplyToLabel->SetCaption(VarToStr(AFocusedNode->Values(WinListApplyTo->ItemIndex())));
  NPCheckBox->SetChecked(ApplyToLabel->Caption().find(L"(NP)") != String::npos);
}
