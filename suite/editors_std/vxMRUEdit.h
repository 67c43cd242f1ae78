// The MRU edit: a combo box whose list holds the most recently confirmed texts, newest
// first, cut to a maximum length, with an extra ellipsis button that raises an event.
#pragma once

#include "vxDropDownEdit.h"

class TvxCustomMRUEditProperties;

using TvxMRUEditDeleteLookupItemEvent =
    std::function<void(TvxCustomMRUEditProperties* AProperties, Integer AItemIndex)>;

class TvxCustomMRUEditProperties : public TvxCustomComboBoxProperties {
  DECLARE_CLASS(TvxCustomMRUEditProperties, TvxCustomComboBoxProperties)
 public:
  explicit TvxCustomMRUEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  // Another MRU properties object takes this object's list, so an editor working through a
  // repository item sees the same list.
  void Update(TvxCustomEditProperties* AProperties) override;

  // Moves AItem to the top of the list, or inserts it there and cuts the list.
  void AddItem(const String& AItem) { InternalAddItem(AItem, true); }
  virtual void InternalAddItem(const String& AItem, bool ANotify);
  // Fires OnNewLookupDisplayText with these properties as the sender.
  virtual void DoNewLookupDisplayText(const String& AText);
  // Deletes the last entries while the list holds more than MaxItemCount (0: no limit).
  void CutLookupItems();
  // The button that carries the glyph: the ellipsis when shown, else the drop-down button.
  Integer EllipsisButtonIndex() const { return FShowEllipsis ? 1 : 0; }
  // The glyph button shows the glyph when there is one, else the ellipsis (or the drop-down
  // arrow while the ellipsis is hidden); the drop-down button keeps its arrow.
  void UpdateButtonKinds();

  Integer MaxItemCount() const { return FMaxItemCount; }
  // Negative values are stored as 0.
  void SetMaxItemCount(Integer Value);
  bool ShowEllipsis() const { return FShowEllipsis; }
  void SetShowEllipsis(bool Value);

  // The ellipsis button was clicked (Sender: the edit).
  TNotifyEvent OnButtonClick;
  TvxMRUEditDeleteLookupItemEvent OnDeleteLookupItem;

 private:
  Integer FMaxItemCount = 0;
  bool FShowEllipsis = true;
};

class TvxMRUEditProperties : public TvxCustomMRUEditProperties {
  DECLARE_CLASS(TvxMRUEditProperties, TvxCustomMRUEditProperties)
  PUBLISHED(TvxMRUEditProperties)
 public:
  using TvxCustomMRUEditProperties::TvxCustomMRUEditProperties;
};

class TvxCustomMRUEdit : public TvxCustomComboBox {
  DECLARE_CLASS(TvxCustomMRUEdit, TvxCustomComboBox)
 public:
  using TvxCustomComboBox::TvxCustomComboBox;
  TvxCustomMRUEditProperties* Properties() const {
    return static_cast<TvxCustomMRUEditProperties*>(TvxCustomComboBox::Properties());
  }
  TvxCustomMRUEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomMRUEditProperties*>(TvxCustomComboBox::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomMRUEditProperties::StaticClass(); }
  // Puts Value at the top of the active properties' list; an empty text is ignored.
  void AddItem(const String& Value);
  void PropertiesChanged(TObject* Sender) override;
  bool SupportsSpelling() override;

 protected:
  void FireButtonClick(Integer AButtonVisibleIndex) override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  void ApplyLookupSelection() override;
  void ApplyValidatedDisplayValue(const Variant& ADisplayValue) override;
};

class TvxMRUEdit : public TvxCustomMRUEdit {
  DECLARE_CLASS(TvxMRUEdit, TvxCustomMRUEdit)
  PUBLISHED(TvxMRUEdit)
 public:
  using TvxCustomMRUEdit::TvxCustomMRUEdit;
  TvxMRUEditProperties* Properties() const {
    return static_cast<TvxMRUEditProperties*>(TvxCustomMRUEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxMRUEditProperties::StaticClass(); }
  void SetProperties(TvxMRUEditProperties* Value) { Properties()->Assign(Value); }
};

extern const TUnitInfo vxMRUEditUnit;
