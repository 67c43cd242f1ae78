#include "vxTL.h"

#include <algorithm>
#include <exception>
#include <tuple>

#include "vxTLStrs.h"
#include "vxVariants.h"

namespace {

const wchar_t DataControllerMarker[] = L"DataController1";

void WriteStreamString(TStream* AStream, const String& S) {
  Integer n = static_cast<Integer>(S.size());
  AStream->WriteBuffer(&n, 4);
  if (n > 0) AStream->WriteBuffer(S.data(), n * 2);
}

[[noreturn]] void InvalidTreeStream() { throw EvxTreeList(vxGetResString(&svxInvalidStreamFormat)); }

Integer ReadStreamInteger(TStream* AStream) {
  Integer v = 0;
  if (AStream->Read(&v, 4) != 4) InvalidTreeStream();
  return v;
}

String ReadStreamString(TStream* AStream, Integer AMaxLength) {
  Integer n = ReadStreamInteger(AStream);
  if (n < 0 || n > AMaxLength) InvalidTreeStream();
  String s(static_cast<size_t>(n), L'\0');
  if (n > 0 && AStream->Read(s.data(), n * 2) != n * 2) InvalidTreeStream();
  return s;
}

}  // namespace

void TvxTreeListDataController::SaveToStream(TStream* AStream) {
  WriteStreamString(AStream, DataControllerMarker);
  Integer n = ItemCount();
  AStream->WriteBuffer(&n, 4);
  for (TvxValueDef* d : FFields) WriteStreamString(AStream, d->ValueTypeClass()->ClassName());
  // Records are written field by field in item order.
  FStorage->BeginStreaming([this](TvxValueDef* A, TvxValueDef* B) {
    auto ia = std::find(FFields.begin(), FFields.end(), A) - FFields.begin();
    auto ib = std::find(FFields.begin(), FFields.end(), B) - FFields.begin();
    return static_cast<Integer>(ia - ib);
  });
  TScopeExit endStreaming([this] { FStorage->EndStreaming(); });
  Integer count = FStorage->RecordCount();
  AStream->WriteBuffer(&count, 4);
  for (Integer i = 0; i < count; ++i) FStorage->WriteData(i, AStream);
}

void TvxTreeListDataController::LoadFromStream(TStream* AStream) {
  if (ReadStreamString(AStream, 64) != DataControllerMarker) InvalidTreeStream();
  if (ReadStreamInteger(AStream) != ItemCount()) InvalidTreeStream();
  for (TvxValueDef* d : FFields)
    if (ReadStreamString(AStream, 256) != d->ValueTypeClass()->ClassName()) InvalidTreeStream();
  Integer count = ReadStreamInteger(AStream);
  // Every record takes at least its marker and a byte, so a count beyond the bytes left
  // is a damaged stream, found before any record is made.
  if (count < 0 || count > AStream->Size() - AStream->Position()) InvalidTreeStream();
  FStorage->BeginStreaming([this](TvxValueDef* A, TvxValueDef* B) {
    auto ia = std::find(FFields.begin(), FFields.end(), A) - FFields.begin();
    auto ib = std::find(FFields.begin(), FFields.end(), B) - FFields.begin();
    return static_cast<Integer>(ia - ib);
  });
  TScopeExit endStreaming([this] { FStorage->EndStreaming(); });
  FStorage->ClearRecords(true);
  FStorage->SetRecordCount(count);
  for (Integer i = 0; i < count; ++i) FStorage->ReadData(i, AStream);
}

namespace {

// Bits that describe an operation in progress, never a stored state.
const TvxTreeListNodeStates TransientNodeStates = {nsDeleting, nsValidIndexes, nsInternalDelete, nsEditing,
                                                   nsInserting};

void WriteNodeState(TStream* AStream, TvxTreeListNode* ANode) {
  TvxTreeListNodeStates state = ANode->State - TransientNodeStates;
  if (ANode->Count() > 0) state.Include(nsHasChildren);
  if (!ANode->CheckInfo.Empty())
    state.Include(nsCheck);
  else
    state.Exclude(nsCheck);
  auto bits = static_cast<Word>(state.ToInt());
  AStream->WriteBuffer(&bits, 2);
  if (state.Contains(nsCheck)) {
    auto check = static_cast<Byte>(ANode->CheckInfo.ToInt());
    AStream->WriteBuffer(&check, 1);
  }
  if (state.Contains(nsHeightAssigned)) {
    Integer h = ANode->Height();
    AStream->WriteBuffer(&h, 4);
  }
  if (state.Contains(nsHasChildren)) {
    Integer n = ANode->Count();
    AStream->WriteBuffer(&n, 4);
  }
}

template <class T>
T ReadBlockValue(TStream* AStream) {
  T v{};
  if (AStream->Read(&v, sizeof(T)) != static_cast<Integer>(sizeof(T))) InvalidTreeStream();
  return v;
}

// What one stored node part holds.
struct TStoredNodeState {
  TvxTreeListNodeStates State;
  TvxTreeListNodeCheckInfos CheckInfo;
  Integer Height = 0;
  Integer Count = 0;
};

TStoredNodeState ReadNodeState(TStream* AStream, Integer AVersion) {
  TStoredNodeState r;
  if (AVersion == 4) {
    // The older state set: bit 2 announced children, bit 4 a collapsed node.
    auto old = static_cast<Cardinal>(ReadBlockValue<Integer>(AStream));
    if (old & 0x04) r.State.Include(nsHasChildren);
    if (old & 0x10) r.State.Include(nsCollapsed);
  } else {
    r.State = TvxTreeListNodeStates::FromInt(ReadBlockValue<Word>(AStream)) - TransientNodeStates;
  }
  if (r.State.Contains(nsCheck)) r.CheckInfo = TvxTreeListNodeCheckInfos::FromInt(ReadBlockValue<Byte>(AStream));
  if (r.State.Contains(nsHeightAssigned)) {
    r.Height = ReadBlockValue<Integer>(AStream);
    if (r.Height < 0) InvalidTreeStream();
  }
  if (r.State.Contains(nsHasChildren)) {
    r.Count = ReadBlockValue<Integer>(AStream);
    if (r.Count < 0) InvalidTreeStream();
  }
  return r;
}

}  // namespace

void TvxTreeList::SaveToStream(TStream* AStream) { WriteStoredData(AStream); }
void TvxTreeList::LoadFromStream(TStream* AStream) { ReadStoredData(AStream); }

void TvxTreeList::SaveToFile(const String& AFileName) {
  TFileStream stream(AFileName, fmCreate);
  SaveToStream(&stream);
}

void TvxTreeList::LoadFromFile(const String& AFileName) {
  TFileStream stream(AFileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&stream);
}

void TvxTreeList::WriteStoredData(TStream* AStream) {
  ProcessChanges();
  // The block starts at the stream's position; its length field makes it readable from
  // inside a larger stream.
  Int64 start = AStream->Position();
  Integer header[2] = {StreamVersion << 16, 0};
  AStream->WriteBuffer(header, 8);
  TvxDataStorage* storage = FDataController->Storage();
  Integer base = storage->RecordCount();
  // The records move into the storage's list for the write and back afterwards; the
  // nodes keep their buffers, and a node's stored record index is its place in the list.
  TvxDataStorageHelper::SetRecordsCapacity(storage, base + static_cast<Integer>(FAbsoluteItems.size()));
  Integer moved = 0;
  {
    TScopeExit rebind([&] {
      for (Integer i = moved - 1; i >= 0; --i) FAbsoluteItems[i]->FHandle = TvxDataStorageHelper::RemoveRecord(storage, base + i);
    });
    for (TvxTreeListNode* n : FAbsoluteItems) {
      TvxDataStorageHelper::AppendRecord(storage, n->FHandle);
      ++moved;
    }
    FDataController->SaveToStream(AStream);
    Integer rootCount = FRoot->Count();
    AStream->WriteBuffer(&rootCount, 4);
    for (Integer i = 0; i < static_cast<Integer>(FAbsoluteItems.size()); ++i) {
      TvxTreeListNode* n = FAbsoluteItems[i];
      Integer record = base + i;
      AStream->WriteBuffer(&record, 4);
      WriteNodeState(AStream, n);
      for (Integer k = 0; k < 5; ++k) {
        Integer image = n->FImageIndexes[k];
        AStream->WriteBuffer(&image, 4);
      }
    }
    WriteNodeState(AStream, FRoot.get());
  }
  Int64 end = AStream->Position();
  auto length = static_cast<Integer>(end - start);
  AStream->SetPosition(start + 4);
  AStream->WriteBuffer(&length, 4);
  AStream->SetPosition(end);
}

void TvxTreeList::ReadStoredData(TStream* AStream) {
  Int64 start = AStream->Position();
  Integer header[2] = {0, 0};
  if (AStream->Read(header, 8) != 8) InvalidTreeStream();
  // The length field must name a block that lies inside the stream; this is checked
  // before anything changes, so a foreign stream leaves the nodes alone.
  Integer length = header[1];
  if (length < 8 || start + length > AStream->Size()) {
    AStream->SetPosition(start);
    InvalidTreeStream();
  }
  Integer version = static_cast<Integer>(static_cast<Cardinal>(header[0]) >> 16);
  // The block is read from a copy of its own, so nothing beyond its end is ever read.
  TMemoryStream block;
  block.CopyFrom(AStream, length - 8);
  block.SetPosition(0);
  {
    TvxTreeListUpdateScope lock(this);
    DeleteAllNodes();
    // Nothing half-read stays: the nodes read so far and the records loaded go.
    TScopeExit failed([this] {
      FDataController->Storage()->ClearRecords(true);
      DeleteAllNodes();
    });
    FDataController->LoadFromStream(&block);
    ReadNodes(&block, block.Size(), version);
    failed.Dismiss();
  }
  AStream->SetPosition(start + length);
}

void TvxTreeList::ReadNodes(TStream* AStream, Int64 AEnd, Integer AVersion) {
  Integer rootCount = ReadBlockValue<Integer>(AStream);
  if (rootCount < 0) InvalidTreeStream();
  TvxDataStorage* storage = FDataController->Storage();
  Integer recordCount = storage->RecordCount();
  // Nodes keep no record index in their record slot: the pairs wait here until every
  // node was read and checked, and only then do the nodes take their buffers.
  std::vector<std::pair<Integer, TvxTreeListNode*>> bindings;
  std::vector<bool> used(static_cast<size_t>(recordCount), false);
  if (rootCount > 0) {
    std::vector<std::pair<TvxTreeListNode*, Integer>> parents = {{FRoot.get(), rootCount}};
    while (!parents.empty()) {
      if (parents.back().second == 0) {
        parents.pop_back();
        continue;
      }
      --parents.back().second;
      TvxTreeListNode* parent = parents.back().first;
      Integer record = ReadBlockValue<Integer>(AStream);
      if (record < 0 || record >= recordCount || used[record]) InvalidTreeStream();
      used[record] = true;
      TStoredNodeState s = ReadNodeState(AStream, AVersion);
      Integer images[5] = {-1, -1, -1, -1, -1};
      Integer imageCount = AVersion == 4 ? 3 : 5;
      for (Integer k = 0; k < imageCount; ++k) images[k] = ReadBlockValue<Integer>(AStream);
      TvxTreeListNode* node = CreateNode();
      node->LinkLast(parent);
      node->FOriginalIndex = parent->FCount;
      node->State = s.State;
      if (AVersion == 4) node->State.Exclude(nsCheck);
      node->CheckInfo = s.CheckInfo;
      node->FHeight = s.Height;
      for (Integer k = 0; k < imageCount; ++k) node->FImageIndexes[k] = images[k];
      bindings.emplace_back(record, node);
      if (s.Count > 0) parents.emplace_back(node, s.Count);
    }
    if (AStream->Position() < AEnd) FRoot->CheckInfo = ReadNodeState(AStream, AVersion).CheckInfo;
  }
  // Highest indexes first, so the lower ones stay valid while records leave the list.
  std::sort(bindings.begin(), bindings.end(), [](auto& a, auto& b) { return a.first > b.first; });
  Integer withRecord = 0;
  for (auto& [record, node] : bindings) {
    node->FHandle = TvxDataStorageHelper::RemoveRecord(storage, record);
    if (node->FHandle) ++withRecord;
  }
  storage->ClearRecords(true);
  FDataController->SetAllocatedRecords(FDataController->AllocatedRecords() + withRecord);
  AddChanges({tcStructure, tcData});
}

void TvxTreeList::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxTreeList*>(Source);
  if (!src) return inherited::Assign(Source);
  TvxTreeListUpdateScope lock(this);
  DeleteAllNodes();
  DeleteAllColumns();
  SetDefaultRowHeight(src->DefaultRowHeight());
  FBands->Assign(src->Bands());
  for (Integer i = 0; i < src->ColumnCount(); ++i) {
    TvxTreeListColumn* c = CreateColumn(nullptr);
    c->Assign(src->Columns(i));
    c->Position()->ApplyWishes();
  }
  FOptionsView->Assign(src->OptionsView());
  FPreview->Assign(src->Preview());
  TMemoryStream stream;
  src->SaveToStream(&stream);
  stream.SetPosition(0);
  LoadFromStream(&stream);
}

// --- Form streaming ---------------------------------------------------------------------------

TComponent* TvxTreeListColumn::GetParentComponent() const { return FTreeList; }

void TvxTreeListColumn::SetParentComponent(TComponent* Value) {
  SetTreeList(dynamic_cast<TvxCustomTreeList*>(Value));
}

void TvxCustomTreeList::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  // Columns made in code have no owner; they are written all the same, and come back
  // owned by the form that reads them.
  for (TvxTreeListColumn* c : std::vector<TvxTreeListColumn*>(FColumns))
    if (!c->Owner() || c->Owner() == Root) Proc(c);
}

void TvxCustomTreeList::Loaded() {
  // The lock's release processes the batch and relays out once.
  TvxTreeListUpdateScope lock(this);
  inherited::Loaded();
  // The places read were kept as wishes.
  ApplyPositionWishes();
  RebuildSortColumns();
  ClearCalculatedWidths();
  for (TvxTreeListColumn* c : FColumns) c->ConvertDeprecatedSummaryFooter();
  AddChanges({tcStructure, tcData, tcColumns, tcLayout, tcSortOrder});
}

void TvxCustomTreeList::ApplyPositionWishes() {
  FBands->PlaceFromWishes();
  std::vector<TvxTreeListColumn*> columns(FColumns);
  auto wish = [](const TvxTreeListColumn* C) {
    const TvxTreeListColumnPosition* p = C->Position();
    return std::make_tuple(p->WishBandIndex(), p->WishRowIndex(), p->WishColIndex());
  };
  std::stable_sort(columns.begin(), columns.end(),
                   [&](TvxTreeListColumn* A, TvxTreeListColumn* B) { return wish(A) < wish(B); });
  for (TvxTreeListColumn* c : columns) {
    c->Position()->ApplyWishes();
    // A column read without a place goes to the default band, like one made in code.
    if (!c->Position()->Band()) c->Position()->SetBandIndex(DefaultBand()->Index());
  }
}

void TvxTreeList::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      L"Data",
      [this](TStream* AStream) {
        if (!ComponentState().Contains(csLoading)) return LoadFromStream(AStream);
        // While a form loads the columns are not in place yet: keep the bytes for Loaded.
        FDataStream = std::make_unique<TMemoryStream>();
        FDataStream->CopyFrom(AStream, AStream->Size() - AStream->Position());
        FDataStream->SetPosition(0);
      },
      [this](TStream* AStream) { SaveToStream(AStream); }, Root()->Count() > 0);
}

void TvxTreeList::Loaded() {
  std::unique_ptr<TMemoryStream> data = std::move(FDataStream);
  // One relayout, with the nodes in: the lock's release runs it.
  TvxTreeListUpdateScope lock(this);
  inherited::Loaded();
  if (data) LoadFromStream(data.get());
}

void TvxTreeListCaption::DeclarePublished(TPublisher<TvxTreeListCaption>& P) {
  using C = TvxTreeListCaption;
  P.Property(L"AlignHorz", &C::AlignHorz, &C::SetAlignHorz).Default(taLeftJustify);
  P.Property(L"AlignVert", &C::AlignVert, &C::SetAlignVert).Default(vaTop);
  P.Property(L"Glyph", &C::Glyph, &C::SetGlyph).Stored([](C* c) { return !c->GlyphEmpty(); });
  P.Property(L"GlyphAlignHorz", &C::GlyphAlignHorz, &C::SetGlyphAlignHorz).Default(taLeftJustify);
  P.Property(L"GlyphAlignVert", &C::GlyphAlignVert, &C::SetGlyphAlignVert).Default(vaTop);
  P.Property(L"MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  P.Property(L"ShowEndEllipsis", &C::ShowEndEllipsis, &C::SetShowEndEllipsis).Default(true);
  P.Property(L"Text", &C::Text, &C::SetText).Stored(&C::IsTextStored);
}

namespace {
// A published option of an option set kept as an array of flags.
template <class C, class O>
void PublishOption(TPublisher<C>& P, const String& AName, O AOption, bool ADefault) {
  P.Property(
       AName, [AOption](C* c) { return c->Get(AOption); }, [AOption](C* c, bool v) { c->Set(AOption, v); })
      .Default(ADefault);
}
}  // namespace

void TvxTreeListColumnOptions::DeclarePublished(TPublisher<TvxTreeListColumnOptions>& P) {
  using C = TvxTreeListColumnOptions;
  static const struct {
    const wchar_t* Name;
    TOption Option;
    bool Default;
  } options[] = {
      {L"CellEndEllipsis", CellEndEllipsis, true}, {L"Customizing", Customizing, true},
      {L"Editing", Editing, true},                 {L"Focusing", Focusing, true},
      {L"Footer", Footer, true},                   {L"GroupFooter", GroupFooter, true},
      {L"Hidden", Hidden, false},                  {L"IncSearch", IncSearch, true},
      {L"Moving", Moving, true},                   {L"ShowEditButtons", ShowEditButtons, false},
      {L"Sizing", Sizing, true},                   {L"Sorting", Sorting, true},
      {L"TabStop", TabStop, true},                 {L"VertSizing", VertSizing, true},
  };
  for (const auto& o : options) PublishOption<C>(P, o.Name, o.Option, o.Default);
}

void TvxTreeListColumnPosition::DeclarePublished(TPublisher<TvxTreeListColumnPosition>& P) {
  using C = TvxTreeListColumnPosition;
  P.Property(L"ColIndex", &C::ColIndex, &C::SetColIndex).NoDefault();
  P.Property(L"LineCount", &C::LineCount, &C::SetLineCount).Default(1);
  P.Property(L"RowIndex", &C::RowIndex, &C::SetRowIndex).NoDefault();
  P.Property(L"BandIndex", &C::BandIndex, &C::SetBandIndex).NoDefault();
}

void TvxTreeListColumn::DeclarePublished(TPublisher<TvxTreeListColumn>& P) {
  using C = TvxTreeListColumn;
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"BestFitMaxWidth", &C::BestFitMaxWidth, &C::SetBestFitMaxWidth).Default(0);
  P.Property(L"Caption", &C::Caption);
  P.Property(L"DataBinding", &C::DataBinding);
  P.Property(L"MinWidth", &C::MinWidth, &C::SetMinWidth).Default(20);
  P.Property(L"Options", &C::Options);
  P.Property(L"Width", &C::Width, &C::SetWidth).Stored([](C* c) { return c->FWidth != 0; });
  P.Property(L"Position", &C::Position);
  P.Property(L"SortOrder", &C::SortOrder, &C::SetSortOrder).Default(soNone);
  P.Property(L"SortIndex", &C::SortIndex, &C::SetSortIndex).Default(-1);
  P.Property(L"StatusHint", &C::StatusHint);
  P.Property(L"Summary", &C::Summary);
  // Old forms only: read, never written.
  P.Property(L"SummaryFooter", &C::SummaryFooter).Stored(false);
  P.Property(L"OnGetDisplayText", &C::OnGetDisplayText);
}

void TvxTreeListColumnSummary::DeclarePublished(TPublisher<TvxTreeListColumnSummary>& P) {
  using C = TvxTreeListColumnSummary;
  P.Property(L"FooterSummaryItems", &C::FooterSummaryItems);
  P.Property(L"GroupFooterSummaryItems", &C::GroupFooterSummaryItems);
}

void TvxTreeListSummaryItem::DeclarePublished(TPublisher<TvxTreeListSummaryItem>& P) {
  using C = TvxTreeListSummaryItem;
  P.Property(L"AlignHorz", &C::AlignHorz, &C::SetAlignHorz).Default(taLeftJustify);
  P.Property(L"AlignVert", &C::AlignVert, &C::SetAlignVert).Default(vaCenter);
  P.Property(L"AllNodes", &C::AllNodes, &C::SetAllNodes).Default(true);
  P.Property(L"CalculatedColumn", &C::AssignedCalculatedColumn, &C::SetCalculatedColumn)
      .Stored([](C* c) { return c->FCalculatedColumn != nullptr; });
  P.Property(L"MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"Format", &C::Format, &C::SetFormat);
  P.Property(L"Kind", &C::Kind, &C::SetKind).Default(skNone);
  P.Property(L"OnGetText", &C::OnGetText);
}

void TvxTreeListDeprecatedColumnSummaryFooter::DeclarePublished(TPublisher<TvxTreeListDeprecatedColumnSummaryFooter>& P) {
  using C = TvxTreeListDeprecatedColumnSummaryFooter;
  P.Property(L"AlignHorz", &C::AlignHorz).NoDefault();
  P.Property(L"AlignVert", &C::AlignVert).NoDefault();
  P.Property(L"Format", &C::Format);
  P.Property(L"Kind", &C::Kind).NoDefault();
  P.Property(L"MultiLine", &C::MultiLine).NoDefault();
}

void TvxTreeListBandOptions::DeclarePublished(TPublisher<TvxTreeListBandOptions>& P) {
  using C = TvxTreeListBandOptions;
  P.Property(L"Customizing", &C::Customizing).Default(true);
  P.Property(L"Hidden", &C::Hidden).Default(false);
  P.Property(L"Moving", &C::Moving).Default(true);
  P.Property(L"OnlyOwnColumns", &C::OnlyOwnColumns).Default(false);
  P.Property(L"Sizing", &C::Sizing, &C::SetSizing).Default(true);
  P.Property(L"VertSizing", &C::VertSizing, &C::SetVertSizing).Default(true);
}

void TvxTreeListBandPosition::DeclarePublished(TPublisher<TvxTreeListBandPosition>& P) {
  using C = TvxTreeListBandPosition;
  P.Property(L"BandIndex", &C::BandIndex, &C::SetBandIndex).Default(-1);
  P.Property(L"ColIndex", &C::ColIndex, &C::SetColIndex).Stored([](C* c) { return c->FParentBand != nullptr; });
}

void TvxTreeListBand::DeclarePublished(TPublisher<TvxTreeListBand>& P) {
  using C = TvxTreeListBand;
  P.Property(L"Caption", &C::Caption);
  P.Property(L"Expandable", &C::Expandable, &C::SetExpandable).Default(tlbeDefault);
  P.Property(L"FixedKind", &C::FixedKind, &C::SetFixedKind).Default(tlbfNone);
  P.Property(L"MinWidth", &C::MinWidth, &C::SetMinWidth).Default(20);
  P.Property(L"Options", &C::Options);
  P.Property(L"Position", &C::Position);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"Width", &C::Width, &C::SetWidth).Default(0);
}

void TvxTreeListOptionsBehavior::DeclarePublished(TPublisher<TvxTreeListOptionsBehavior>& P) {
  using C = TvxTreeListOptionsBehavior;
  using B = TvxControlOptionsBehavior;
  P.Property(L"AlwaysShowEditor", &B::AlwaysShowEditor, &B::SetAlwaysShowEditor).Default(false);
  P.Property(L"AutoDragCopy", &C::AutoDragCopy).Default(false);
  P.Property(L"BestFitMaxRecordCount", &C::BestFitMaxRecordCount).Default(-1);
  P.Property(L"CellHints", &B::CellHints, &B::SetCellHints).Default(false);
  P.Property(L"ChangeDelay", &C::ChangeDelay, &C::SetChangeDelay).Default(0);
  P.Property(L"ConfirmDelete", &C::ConfirmDelete).Default(true);
  P.Property(L"DragCollapse", &C::DragCollapse).Default(true);
  P.Property(L"DragExpand", &C::DragExpand).Default(true);
  P.Property(L"DragFocusing", &C::DragFocusing).Default(false);
  P.Property(L"ExpandOnDblClick", &C::ExpandOnDblClick).Default(true);
  P.Property(L"ExpandOnIncSearch", &C::ExpandOnIncSearch).Default(false);
  P.Property(L"FocusCellOnCycle", &B::FocusCellOnCycle, &B::SetFocusCellOnCycle).Default(false);
  P.Property(L"FocusFirstCellOnNewRecord", &B::FocusFirstCellOnNewRecord, &B::SetFocusFirstCellOnNewRecord)
      .Default(false);
  P.Property(L"FooterHints", &C::FooterHints, &C::SetFooterHints).Default(false);
  P.Property(L"GoToNextCellOnEnter", &B::GoToNextCellOnEnter, &B::SetGoToNextCellOnEnter).Default(false);
  P.Property(L"GoToNextCellOnTab", &B::GoToNextCellOnTab, &B::SetGoToNextCellOnTab).Default(false);
  P.Property(L"HeaderHints", &C::HeaderHints, &C::SetHeaderHints).Default(false);
  P.Property(L"HotTrack", &C::HotTrack).Default(false);
  P.Property(L"ImmediateEditor", &B::ImmediateEditor, &B::SetImmediateEditor).Default(true);
  P.Property(L"IncSearch", &B::IncSearch, &B::SetIncSearch).Default(false);
  P.Property(L"MultiSort", &C::MultiSort).Default(true);
  P.Property(L"ShowHourGlass", &C::ShowHourGlass).Default(true);
  P.Property(L"Sorting", &C::Sorting).Default(true);
  P.Property(L"WaitForExpandNodeTime", &C::WaitForExpandNodeTime).Default(500);
}

void TvxTreeListOptionsCustomizing::DeclarePublished(TPublisher<TvxTreeListOptionsCustomizing>& P) {
  using C = TvxTreeListOptionsCustomizing;
  static const struct {
    const wchar_t* Name;
    TOption Option;
  } options[] = {
      {L"BandCustomizing", BandCustomizing},
      {L"BandHiding", BandHiding},
      {L"BandHorzSizing", BandHorzSizing},
      {L"BandMoving", BandMoving},
      {L"BandsQuickCustomization", BandsQuickCustomization},
      {L"BandVertSizing", BandVertSizing},
      {L"ColumnCustomizing", ColumnCustomizing},
      {L"ColumnHiding", ColumnHiding},
      {L"ColumnHorzSizing", ColumnHorzSizing},
      {L"ColumnMoving", ColumnMoving},
      {L"ColumnsQuickCustomization", ColumnsQuickCustomization},
      {L"ColumnVertSizing", ColumnVertSizing},
      {L"DynamicSizing", DynamicSizing},
      {L"NestedBands", NestedBands},
      {L"NodeSizing", NodeSizing},
      {L"RowSizing", RowSizing},
  };
  const C defaults(nullptr);
  for (const auto& o : options) PublishOption<C>(P, o.Name, o.Option, defaults.Get(o.Option));
  P.Property(L"BandsQuickCustomizationMaxDropDownCount", &C::BandsQuickCustomizationMaxDropDownCount).Default(0);
  P.Property(L"ColumnsQuickCustomizationMaxDropDownCount", &C::ColumnsQuickCustomizationMaxDropDownCount).Default(0);
}

void TvxTreeListOptionsData::DeclarePublished(TPublisher<TvxTreeListOptionsData>& P) {
  using C = TvxTreeListOptionsData;
  using B = TvxControlOptionsData;
  P.Property(L"AnsiSort", &C::AnsiSort, &C::SetAnsiSort).Default(false);
  P.Property(L"CancelOnExit", &B::CancelOnExit, &B::SetCancelOnExit).Default(true);
  P.Property(L"CaseInsensitive", &C::CaseInsensitive, &C::SetCaseInsensitive).Default(false);
  P.Property(L"Deleting", &C::Deleting).Default(true);
  P.Property(L"Editing", &B::Editing, &B::SetEditing).Default(true);
  P.Property(L"Inserting", &C::Inserting).Default(false);
  P.Property(L"SummaryNullIgnore", &C::SummaryNullIgnore, &C::SetSummaryNullIgnore).Default(false);
}

void TvxTreeListOptionsSelection::DeclarePublished(TPublisher<TvxTreeListOptionsSelection>& P) {
  using C = TvxTreeListOptionsSelection;
  P.Property(L"CellSelect", &C::CellSelect).Default(true);
  P.Property(L"HideFocusRect", &C::HideFocusRect).Default(true);
  P.Property(L"HideSelection", &C::HideSelection).Default(false);
  P.Property(L"InvertSelect", &C::InvertSelect).Default(true);
  P.Property(L"MultiSelect", &C::MultiSelect).Default(false);
}

void TvxTreeListOptionsView::DeclarePublished(TPublisher<TvxTreeListOptionsView>& P) {
  using C = TvxTreeListOptionsView;
  P.Property(L"BandLineHeight", &C::BandLineHeight, &C::SetBandLineHeight).Default(0);
  P.Property(L"Bands", &C::Bands, &C::SetBands).Default(false);
  P.Property(L"Buttons", &C::Buttons, &C::SetButtons).Default(true);
  P.Property(L"CategorizedColumn", &C::CategorizedColumn, &C::SetCategorizedColumn);
  P.Property(L"CellAutoHeight", &C::CellAutoHeight, &C::SetCellAutoHeight).Default(false);
  P.Property(L"CellEndEllipsis", &C::CellEndEllipsis, &C::SetCellEndEllipsis).Default(false);
  P.Property(L"CellTextMaxLineCount", &C::CellTextMaxLineCount, &C::SetCellTextMaxLineCount).Default(0);
  P.Property(L"CheckGroups", &C::CheckGroups, &C::SetCheckGroups).Default(false);
  P.Property(L"ColumnAutoWidth", &C::ColumnAutoWidth, &C::SetColumnAutoWidth).Default(false);
  P.Property(L"DropArrowColor", &C::DropArrowColor).Type(TypeInfoColor()).Default(0x00FF00);
  P.Property(L"DynamicFocusedStateImages", &C::DynamicFocusedStateImages, &C::SetDynamicFocusedStateImages)
      .Default(false);
  P.Property(L"DynamicIndent", &C::DynamicIndent, &C::SetDynamicIndent).Default(false);
  P.Property(L"ExtPaintStyle", &C::ExtPaintStyle, &C::SetExtPaintStyle).Default(false);
  P.Property(L"FixedSeparatorColor", &C::FixedSeparatorColor, &C::SetFixedSeparatorColor)
      .Type(TypeInfoColor())
      .Default(clDefault);
  P.Property(L"FixedSeparatorWidth", &C::FixedSeparatorWidth, &C::SetFixedSeparatorWidth).Default(2);
  P.Property(L"Footer", &C::Footer, &C::SetFooter).Default(false);
  P.Property(L"GridLineColor", &C::GridLineColor, &C::SetGridLineColor).Type(TypeInfoColor()).Default(clDefault);
  P.Property(L"GridLines", &C::GridLines, &C::SetGridLines).Default(tlglNone);
  P.Property(L"GroupFooters", &C::GroupFooters, &C::SetGroupFooters).Default(tlgfInvisible);
  P.Property(L"HeaderAutoHeight", &C::HeaderAutoHeight, &C::SetHeaderAutoHeight).Default(false);
  P.Property(L"Headers", &C::Headers, &C::SetHeaders).Default(true);
  P.Property(L"Indicator", &C::Indicator, &C::SetIndicator).Default(false);
  P.Property(L"IndicatorWidth", &C::IndicatorWidth, &C::SetIndicatorWidth).Default(12);
  P.Property(L"PaintStyle", &C::PaintStyle, &C::SetPaintStyle).Default(tlpsStandard);
  P.Property(L"ScrollBars", &C::ScrollBars, &C::SetScrollBars).Default(ssBoth);
  P.Property(L"ShowRoot", &C::ShowRoot, &C::SetShowRoot).Default(true);
  P.Property(L"SimpleCustomizeBox", &C::SimpleCustomizeBox, &C::SetSimpleCustomizeBox).Default(false);
  P.Property(L"TreeLineColor", &C::TreeLineColor, &C::SetTreeLineColor).Type(TypeInfoColor()).Default(clDefault);
  P.Property(L"TreeLineStyle", &C::TreeLineStyle, &C::SetTreeLineStyle).Default(tllsDot);
  P.Property(L"UseImageIndexForSelected", &C::UseImageIndexForSelected, &C::SetUseImageIndexForSelected)
      .Default(true);
  P.Property(L"UseNodeColorForIndent", &C::UseNodeColorForIndent, &C::SetUseNodeColorForIndent).Default(true);
}

void TvxTreeListPreview::DeclarePublished(TPublisher<TvxTreeListPreview>& P) {
  using C = TvxTreeListPreview;
  P.Property(L"AutoHeight", &C::AutoHeight, &C::SetAutoHeight).Default(true);
  P.Property(L"Column", &C::Column, &C::SetColumn);
  P.Property(L"LeftIndent", &C::LeftIndent, &C::SetLeftIndent).Default(5);
  P.Property(L"MaxLineCount", &C::MaxLineCount, &C::SetMaxLineCount).Default(3);
  P.Property(L"Place", &C::Place, &C::SetPlace).Default(tlppBottom);
  P.Property(L"RightIndent", &C::RightIndent, &C::SetRightIndent).Default(5);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(false);
}

void TvxTreeList::DeclarePublished(TPublisher<TvxTreeList>& P) {
  using C = TvxTreeList;
  P.Property(L"Bands", &C::Bands);
  P.Property(L"DefaultRowHeight", &C::DefaultRowHeight, &C::SetDefaultRowHeight).Default(0);
  P.Property(L"LookAndFeel", &TvxControl::LookAndFeel, &TvxControl::SetLookAndFeel);
  P.Property(L"OptionsBehavior", &C::OptionsBehavior);
  P.Property(L"OptionsCustomizing", &C::OptionsCustomizing);
  P.Property(L"OptionsData", &C::OptionsData);
  P.Property(L"OptionsSelection", &C::OptionsSelection);
  P.Property(L"OptionsView", &C::OptionsView);
  P.Property(L"Preview", &C::Preview);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"OnCanFocusNode", &C::OnCanFocusNode);
  P.Property(L"OnCollapsed", &C::OnCollapsed);
  P.Property(L"OnCollapsing", &C::OnCollapsing);
  P.Property(L"OnColumnHeaderClick", &C::OnColumnHeaderClick);
  P.Property(L"OnColumnSizeChanged", &C::OnColumnSizeChanged);
  P.Property(L"OnColumnPosChanged", &C::OnColumnPosChanged);
  P.Property(L"OnBandSizeChanged", &C::OnBandSizeChanged);
  P.Property(L"OnCompare", &C::OnCompare);
  P.Property(L"OnDataChanged", &C::OnDataChanged);
  P.Property(L"OnDeletion", &C::OnDeletion);
  P.Property(L"OnExpanded", &C::OnExpanded);
  P.Property(L"OnExpanding", &C::OnExpanding);
  P.Property(L"OnFocusedNodeChanged", &C::OnFocusedNodeChanged);
  P.Property(L"OnLayoutChanged", &C::OnLayoutChanged);
  P.Property(L"OnNodeChanged", &C::OnNodeChanged);
  P.Property(L"OnNodeCheckChanged", &C::OnNodeCheckChanged);
  P.Property(L"OnSelectionChanged", &C::OnSelectionChanged);
  P.Property(L"OnTopRecordIndexChanged", &C::OnTopRecordIndexChanged);
}
