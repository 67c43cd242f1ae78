#include "vxEditRepositoryItems.h"

namespace {
// The item classes a form file names, in the order the editors were added to the suite.
TClass const* ItemClasses(size_t& ACount) {
  static const TClass classes[] = {
      TvxEditRepositoryItem::StaticClass(),         TvxEditRepositoryTextItem::StaticClass(),
      TvxEditRepositoryButtonItem::StaticClass(),   TvxEditRepositoryImageItem::StaticClass(),
      TvxEditRepositoryComboBoxItem::StaticClass(), TvxEditRepositoryMaskItem::StaticClass(),
      TvxEditRepositoryPopupItem::StaticClass(),    TvxEditRepositoryCalcItem::StaticClass(),
      TvxEditRepositoryDateItem::StaticClass(),     TvxEditRepositoryCurrencyItem::StaticClass(),
      TvxEditRepositorySpinItem::StaticClass(),     TvxEditRepositoryMemoItem::StaticClass(),
      TvxEditRepositoryCheckBoxItem::StaticClass(), TvxEditRepositoryTimeItem::StaticClass(),
      TvxEditRepositoryHyperLinkItem::StaticClass(), TvxEditRepositoryRadioGroupItem::StaticClass(),
  };
  ACount = sizeof(classes) / sizeof(classes[0]);
  return classes;
}

void InitEditRepositoryItems() {
  size_t n = 0;
  TClass const* classes = ItemClasses(n);
  for (size_t i = 0; i < n; ++i) RegisterClass(classes[i]);
}

void FinEditRepositoryItems() {
  size_t n = 0;
  TClass const* classes = ItemClasses(n);
  for (size_t i = n; i-- > 0;) UnRegisterClass(classes[i]);
}
}  // namespace

const TUnitInfo vxEditRepositoryItemsUnit = {L"vxEditRepositoryItems", InitEditRepositoryItems,
                                             FinEditRepositoryItems};

// --- Image combo box, blob and MRU items ---------------------------------------------------------

void TvxEditRepositoryImageComboBoxItem::Notification(TComponent* AComponent, TOperation Operation) {
  TvxEditRepositoryItem::Notification(AComponent, Operation);
  if (Operation != opRemove || ComponentState().Contains(csDestroying)) return;
  TvxImageComboBoxProperties* p = Properties();
  if (AComponent == p->Images()) p->SetImages(nullptr);
  if (AComponent == p->LargeImages()) p->SetLargeImages(nullptr);
}
