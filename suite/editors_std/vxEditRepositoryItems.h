// Repository item classes: each owns one properties object of its editor kind.
#pragma once

#include "vxButtonEdit.h"
#include "vxCalc.h"
#include "vxCalendar.h"
#include "vxCheckBox.h"
#include "vxCurrencyEdit.h"
#include "vxDropDownEdit.h"
#include "vxEdit.h"
#include "vxHyperLinkEdit.h"
#include "vxImage.h"
#include "vxMaskEdit.h"
#include "vxMemo.h"
#include "vxRadioGroup.h"
#include "vxSpinEdit.h"
#include "vxTextEdit.h"
#include "vxTimeEdit.h"

// An item holding properties of class P; Properties() is a checked cast to P.
template <class P>
class TvxEditRepositoryItemOf : public TvxEditRepositoryItem {
 public:
  TvxCustomEditPropertiesClass GetEditPropertiesClass() override { return P::StaticClass(); }
  P* Properties() const {
    auto* p = dynamic_cast<P*>(TvxEditRepositoryItem::Properties());
    if (!p) throw EInvalidCast(L"Invalid class typecast");
    return p;
  }
  void SetProperties(P* Value) { TvxEditRepositoryItem::SetProperties(Value); }

 protected:
  explicit TvxEditRepositoryItemOf(TComponent* AOwner) : TvxEditRepositoryItem(AOwner, P::StaticClass()) {}
};

class TvxEditRepositoryTextItem : public TvxEditRepositoryItemOf<TvxTextEditProperties> {
  DECLARE_CLASS(TvxEditRepositoryTextItem, TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryTextItem(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {}
};

class TvxEditRepositoryCheckBoxItem : public TvxEditRepositoryItemOf<TvxCheckBoxProperties> {
  DECLARE_CLASS(TvxEditRepositoryCheckBoxItem, TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryCheckBoxItem(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {}
};

class TvxEditRepositoryCurrencyItem : public TvxEditRepositoryItemOf<TvxCurrencyEditProperties> {
  DECLARE_CLASS(TvxEditRepositoryCurrencyItem, TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryCurrencyItem(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {}
};

class TvxEditRepositoryDateItem : public TvxEditRepositoryItemOf<TvxDateEditProperties> {
  DECLARE_CLASS(TvxEditRepositoryDateItem, TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryDateItem(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {}
};

// An item class that only binds its editor's properties class.
#define VX_REPOSITORY_ITEM(Cls, Props)                                    \
  class Cls : public TvxEditRepositoryItemOf<Props> {                     \
    DECLARE_CLASS(Cls, TvxEditRepositoryItem)                             \
   public:                                                                \
    explicit Cls(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {} \
  };

VX_REPOSITORY_ITEM(TvxEditRepositoryButtonItem, TvxButtonEditProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryImageItem, TvxImageProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryComboBoxItem, TvxComboBoxProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryMaskItem, TvxMaskEditProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryPopupItem, TvxPopupEditProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryCalcItem, TvxCalcEditProperties)
VX_REPOSITORY_ITEM(TvxEditRepositorySpinItem, TvxSpinEditProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryMemoItem, TvxMemoProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryTimeItem, TvxTimeEditProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryHyperLinkItem, TvxHyperLinkEditProperties)
VX_REPOSITORY_ITEM(TvxEditRepositoryRadioGroupItem, TvxRadioGroupProperties)

extern const TUnitInfo vxEditRepositoryItemsUnit;

// --- Image combo box, blob and MRU items ---------------------------------------------------------

#include "vxBlobEdit.h"
#include "vxImageComboBox.h"
#include "vxMRUEdit.h"

// Forgets an image list freed while its properties still point at it (both slots may hold
// the same list).
class TvxEditRepositoryImageComboBoxItem : public TvxEditRepositoryItemOf<TvxImageComboBoxProperties> {
  DECLARE_CLASS(TvxEditRepositoryImageComboBoxItem, TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryImageComboBoxItem(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {}

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

class TvxEditRepositoryBlobItem : public TvxEditRepositoryItemOf<TvxBlobEditProperties> {
  DECLARE_CLASS(TvxEditRepositoryBlobItem, TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryBlobItem(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {}
};

class TvxEditRepositoryMRUItem : public TvxEditRepositoryItemOf<TvxMRUEditProperties> {
  DECLARE_CLASS(TvxEditRepositoryMRUItem, TvxEditRepositoryItem)
 public:
  explicit TvxEditRepositoryMRUItem(TComponent* AOwner) : TvxEditRepositoryItemOf(AOwner) {}
};
