// The button edit: the mask edit with embedded buttons (one ellipsis button unless a form
// stream lists its own), for values picked through a button rather than typed.
#pragma once

#include "vxMaskEdit.h"

class TvxCustomButtonEditProperties : public TvxCustomMaskEditProperties {
  DECLARE_CLASS(TvxCustomButtonEditProperties, TvxCustomMaskEditProperties)
 public:
  // The mask edit's settings and one default ellipsis button.
  explicit TvxCustomButtonEditProperties(TPersistent* AOwner);
  TClass GetContainerClass() override;
};

class TvxButtonEditProperties : public TvxCustomButtonEditProperties {
  DECLARE_CLASS(TvxButtonEditProperties, TvxCustomButtonEditProperties)
  PUBLISHED(TvxButtonEditProperties)
 public:
  explicit TvxButtonEditProperties(TPersistent* AOwner) : TvxCustomButtonEditProperties(AOwner) {}
};

class TvxCustomButtonEdit : public TvxCustomMaskEdit {
  DECLARE_CLASS(TvxCustomButtonEdit, TvxCustomMaskEdit)
 public:
  using TvxCustomMaskEdit::TvxCustomMaskEdit;
  TvxCustomButtonEditProperties* Properties() const {
    return static_cast<TvxCustomButtonEditProperties*>(TvxCustomEdit::Properties());
  }
  TvxCustomButtonEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomButtonEditProperties*>(TvxCustomEdit::ActiveProperties());
  }
  TClass GetPropertiesClass() override { return TvxCustomButtonEditProperties::StaticClass(); }
  bool SupportsSpelling() override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;
  // The button style values are published for this editor.
  TvxContainerStyleValues GetNotPublishedStyleValues() override;
};

class TvxButtonEdit : public TvxCustomButtonEdit {
  DECLARE_CLASS(TvxButtonEdit, TvxCustomButtonEdit)
  PUBLISHED(TvxButtonEdit)
 public:
  using TvxCustomButtonEdit::TvxCustomButtonEdit;
  TvxButtonEditProperties* Properties() const {
    return static_cast<TvxButtonEditProperties*>(TvxCustomEdit::Properties());
  }
  void SetProperties(TvxButtonEditProperties* Value) { Properties()->Assign(Value); }
  TClass GetPropertiesClass() override { return TvxButtonEditProperties::StaticClass(); }
  // The first read from a stream drops the default buttons, so the streamed list
  // replaces them instead of adding to them.
  void ReadState(TReader* Reader) override;

 protected:
  std::unique_ptr<TvxCustomEditProperties> CreateProperties() override;

 private:
  bool FAreButtonsLoaded = false;
};

extern const TUnitInfo vxButtonEditUnit;
