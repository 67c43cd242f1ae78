// The program's window: the folder tree on the left; on the right the selected folder's
// path, whether it has inherited entries, its access control entries one row each, and
// the special permissions of the focused entry. Every control comes from the form
// resource "TForm1"; the window only reads.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "vxCheckBox.h"
#include "vxPC.h"
#include "vxShellTreeView.h"
#include "vxTL.h"

class TQvAccessList;

class TForm1 : public TForm {
  DECLARE_CLASS(TForm1, TForm)
  PUBLISHED(TForm1)
 public:
  using TForm::TForm;

  TSplitter* Splitter1 = nullptr;
  TPanel* Panel1 = nullptr;
  TPanel* Panel2 = nullptr;
  TLabel* Folderlabel = nullptr;
  TLabel* Label2 = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* SorvaneA1 = nullptr;
  TvxShellTreeView* ExplorerTreeView = nullptr;
  TvxPageControl* vxPageControl1 = nullptr;
  TvxPageControl* vxPageControl2 = nullptr;
  TvxTabSheet* vxTabSheet2 = nullptr;
  TvxTreeList* WinList = nullptr;
  TvxTreeListColumn* WinListType = nullptr;
  TvxTreeListColumn* WinListName = nullptr;
  TvxTreeListColumn* WinListAccess = nullptr;
  TvxTreeListColumn* WinListInheritFrom = nullptr;
  TvxTreeListColumn* WinListApplyTo = nullptr;
  TvxTreeListColumn* WinListApplyToSymbol = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* ApplyToLabel = nullptr;
  TvxCheckBox* InheritACLCheckBox = nullptr;
  TvxCheckBox* ExecChk = nullptr;
  TvxCheckBox* ReadChk = nullptr;
  TvxCheckBox* ReadAttrChk = nullptr;
  TvxCheckBox* ReadEaChk = nullptr;
  TvxCheckBox* WriteChk = nullptr;
  TvxCheckBox* AppendChk = nullptr;
  TvxCheckBox* WriteAttrChk = nullptr;
  TvxCheckBox* WriteEaChk = nullptr;
  TvxCheckBox* DelChildChk = nullptr;
  TvxCheckBox* DelChk = nullptr;
  TvxCheckBox* WriteControlChk = nullptr;
  TvxCheckBox* ReadControlChk = nullptr;
  TvxCheckBox* SetOwnerChk = nullptr;
  TvxCheckBox* NPCheckBox = nullptr;

  // The tree's selection changed: shows the selected folder's path and its entries.
  void ExplorerTreeViewChange(TObject* Sender, TTreeNode* Node);
  // A row got the focus: its special permissions, applies-to text and (NP).
  void WinListFocusedNodeChanged(TObject* Sender, TvxTreeListNode* APrevFocusedNode, TvxTreeListNode* AFocusedNode);
  // Help > about.
  void SorvaneA1Click(TObject* Sender);
  // Lists the shown folder again.
  void CompatCheckBoxClick(TObject* Sender);

  // The about box's text.
  static String AboutText();
  // The special-permission boxes in the order they are set, each with its mask bit.
  struct TPermissionBox {
    TvxCheckBox* TForm1::*Box;
    Cardinal Bit;
  };
  static const TPermissionBox PermissionBoxes[13];

 private:
  // Lists the access control entries of APath's DACL, one row each, in DACL order.
  void ShowFolderAcl(const String& APath);
  void AddEntryRow(Cardinal AMask, const String& AType, const String& AName, const String& AAccess,
                   const String& AInheritFrom, const String& AApplyTo, const String& ASymbol);
  // The rows for a DACL that is not what its list looks like: a NULL DACL, or one read only
  // in part or not at all.
  void AddReadOutcomeRows(const TQvAccessList& AList);
  // The permission pane as before any row was focused.
  void ClearPermissionPane();

  bool FUpdating = false;
};

extern TForm1* Form1;
