// The published shell folder tree: a container that frames the shell tree, draws its
// border and states from the container styles, passes its settings through to the tree,
// forwards the tree's events with itself as sender and reports the selected folder.
#pragma once

#include <memory>

#include "vxContainer.h"
#include "vxShellControls.h"
#include "vxShellListView.h"

class TvxCustomShellTreeView;
class TvxCustomShellListView;

using TvxInnerShellTreeViewBase = TvxShellInnerControl<TvxCustomInnerShellTreeView, TvxCustomShellTreeView>;

// The tree inside the container: hands its mouse, keyboard and focus events to the
// container and keeps the selected folder while its window is re-created.
class TvxInnerShellTreeView : public TvxInnerShellTreeViewBase {
  DECLARE_CLASS(TvxInnerShellTreeView, TvxInnerShellTreeViewBase)
  DECLARE_MESSAGE_MAP
 public:
  explicit TvxInnerShellTreeView(TComponent* AOwner);
  ~TvxInnerShellTreeView() override;
  // The selected folder: the kept one without a window, nil with nothing selected.
  TvxPidl CurrentPIDL();

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  bool ChangesScrollBars(const TMessage& Message) override;

 private:
  friend class TvxCustomShellTreeView;
  void WMNCCalcSize(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void CMMouseLeave(TMessage& Message);

  TvxPidl FAbsolutePIDL;
};

class TvxCustomShellTreeView : public TvxShellViewContainer {
  DECLARE_CLASS(TvxCustomShellTreeView, TvxShellViewContainer)
 public:
  explicit TvxCustomShellTreeView(TComponent* AOwner);
  ~TvxCustomShellTreeView() override;
  void AfterConstruction() override;

  TvxInnerShellTreeView* InnerTreeView() const { return FInnerTreeView; }
  // The selected node's file-system path; empty for a node without one (the Computer
  // node, virtual folders), with nothing selected and while the control is destroyed.
  String AbsolutePath();
  // Selects the folder of that path when it resolves inside the root.
  void SetAbsolutePath(const String& Value);
  String Path() { return AbsolutePath(); }
  TvxPidl AbsolutePIDL();
  // Selects that folder when it lies within the root and the shell knows it; nil
  // stands for the root. Without a window the folder is kept and selected on creation.
  void SetAbsolutePIDL(PItemIDList Value);
  TvxPidl GetNodeAbsolutePIDL(TTreeNode* ANode) { return FInnerTreeView->GetNodeAbsolutePIDL(ANode); }
  Integer FolderCount() { return FInnerTreeView->FolderCount(); }
  void UpdateContent() { FInnerTreeView->UpdateContent(); }
  void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, Integer& AScrollPos) override;

  Integer ChangeDelay() const { return FInnerTreeView->ChangeDelay(); }
  void SetChangeDelay(Integer Value) { FInnerTreeView->SetChangeDelay(Value); }
  bool AutoExpand() const { return FInnerTreeView->AutoExpand(); }
  void SetAutoExpand(bool Value) { FInnerTreeView->SetAutoExpand(Value); }
  TvxDragDropSettings* DragDropSettings() const { return FInnerTreeView->DragDropSettings(); }
  void SetDragDropSettings(TvxDragDropSettings* Value) { FInnerTreeView->DragDropSettings()->Assign(Value); }
  bool HideSelection() const { return FInnerTreeView->HideSelection(); }
  void SetHideSelection(bool Value) { FInnerTreeView->SetHideSelection(Value); }
  Integer Indent() { return FInnerTreeView->Indent(); }
  void SetIndent(Integer Value);
  TvxShellOptions* Options() const { return FInnerTreeView->Options(); }
  void SetOptions(TvxShellOptions* Value) { FInnerTreeView->Options()->Assign(Value); }
  bool RightClickSelect() const { return FInnerTreeView->RightClickSelect(); }
  void SetRightClickSelect(bool Value) { FInnerTreeView->SetRightClickSelect(Value); }
  TvxShellTreeRoot* Root() const { return FInnerTreeView->Root(); }
  // The list view that follows the selected folder (nil: none).
  TvxCustomShellListView* ShellListView() const;
  void SetShellListView(TvxCustomShellListView* Value);
  void SetRoot(TvxShellTreeRoot* Value) { FInnerTreeView->Root()->Assign(Value); }
  bool ShowButtons() const { return FInnerTreeView->ShowButtons(); }
  void SetShowButtons(bool Value) { FInnerTreeView->SetShowButtons(Value); }
  bool ShowInfoTips() const { return FInnerTreeView->ShowInfoTips(); }
  void SetShowInfoTips(bool Value) { FInnerTreeView->SetShowInfoTips(Value); }
  bool ShowLines() const { return FInnerTreeView->ShowLines(); }
  void SetShowLines(bool Value) { FInnerTreeView->SetShowLines(Value); }
  bool ShowRoot() const { return FInnerTreeView->ShowRoot(); }
  void SetShowRoot(bool Value) { FInnerTreeView->SetShowRoot(Value); }
  TCustomImageList* StateImages() const { return FInnerTreeView->StateImages(); }
  void SetStateImages(TCustomImageList* Value) { FInnerTreeView->SetStateImages(Value); }
  bool TreeHotTrack() const { return FInnerTreeView->HotTrack(); }
  void SetTreeHotTrack(bool Value) { FInnerTreeView->SetHotTrack(Value); }

  TvxShellAddFolderEvent OnAddFolder;
  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandedEvent OnCollapsed;
  TTVCollapsingEvent OnCollapsing;
  TTVEditedEvent OnEdited;
  TTVEditingEvent OnEditing;
  TTVExpandedEvent OnExpanded;
  TTVExpandingEvent OnExpanding;
  TvxShellChangeEvent OnShellChange;

 protected:
  void Loaded() override;

 private:
  friend class TvxInnerShellTreeView;
  template <class, class>
  friend class TvxShellInnerControl;
  void HookInnerEvents();
  bool IsAcceptablePIDL(PItemIDList P);

  TvxInnerShellTreeView* FInnerTreeView = nullptr;  // owned: freed before the container
};

class TvxShellTreeView : public TvxCustomShellTreeView {
  DECLARE_CLASS(TvxShellTreeView, TvxCustomShellTreeView)
  PUBLISHED(TvxShellTreeView)
 public:
  using TvxCustomShellTreeView::TvxCustomShellTreeView;
};

extern const TUnitInfo vxShellTreeViewUnit;
