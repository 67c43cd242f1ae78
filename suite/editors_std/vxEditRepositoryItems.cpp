#include "vxEditRepositoryItems.h"

const TUnitInfo vxEditRepositoryItemsUnit = {L"vxEditRepositoryItems", nullptr, nullptr};

// --- Image combo box, blob and MRU items ---------------------------------------------------------

void TvxEditRepositoryImageComboBoxItem::Notification(TComponent* AComponent, TOperation Operation) {
  TvxEditRepositoryItem::Notification(AComponent, Operation);
  if (Operation != opRemove || ComponentState().Contains(csDestroying)) return;
  TvxImageComboBoxProperties* p = Properties();
  if (AComponent == p->Images()) p->SetImages(nullptr);
  if (AComponent == p->LargeImages()) p->SetLargeImages(nullptr);
}
