#include "vxButtonEdit.h"

#include "Streaming.h"
#include "vxEditConsts.h"

TvxCustomButtonEditProperties::TvxCustomButtonEditProperties(TPersistent* AOwner)
    : TvxCustomMaskEditProperties(AOwner) {
  TvxEditButton* button = Buttons()->Add();
  button->SetKind(bkEllipsis);
  button->SetDefault(true);
}

TClass TvxCustomButtonEditProperties::GetContainerClass() { return TvxButtonEdit::StaticClass(); }

void TvxButtonEditProperties::DeclarePublished(TPublisher<TvxButtonEditProperties>& P) {
  using C = TvxButtonEditProperties;
  P.Property(L"EditMask", &C::EditMask, &C::SetEditMask);
  P.Property(L"ValidateOnEnter", &C::ValidateOnEnter, &C::SetValidateOnEnter).Default(true);
}

std::unique_ptr<TvxCustomEditProperties> TvxCustomButtonEdit::CreateProperties() {
  return std::make_unique<TvxCustomButtonEditProperties>(this);
}

bool TvxCustomButtonEdit::SupportsSpelling() {
  return ActiveProperties()->EditMask().empty() && InternalSupportsSpelling();
}

TvxContainerStyleValues TvxCustomButtonEdit::GetNotPublishedStyleValues() {
  TvxContainerStyleValues r = TvxCustomMaskEdit::GetNotPublishedStyleValues();
  r.Exclude(svButtonStyle);
  r.Exclude(svButtonTransparency);
  r.Exclude(svGradientButtons);
  return r;
}

std::unique_ptr<TvxCustomEditProperties> TvxButtonEdit::CreateProperties() {
  return std::make_unique<TvxButtonEditProperties>(this);
}

void TvxButtonEdit::ReadState(TReader* Reader) {
  if (!FAreButtonsLoaded) {
    Properties()->Buttons()->Clear();
    ActiveProperties()->Buttons()->Clear();
    FAreButtonsLoaded = true;
  }
  TvxCustomButtonEdit::ReadState(Reader);
}

void TvxButtonEdit::DeclarePublished(TPublisher<TvxButtonEdit>& P) {
  using C = TvxButtonEdit;
  P.Property(L"EditValue", [](C* E) { return E->EditValue(); }, [](C* E, const Variant& V) { E->SetEditValue(V); });
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"Properties", [](C* E) { return E->Properties(); },
             [](C* E, TvxButtonEditProperties* V) { E->SetProperties(V); });
  P.Property(L"Style", &TvxContainer::Style, &TvxContainer::SetStyle);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(true);
  P.Property(L"Text", [](C* E) { return E->Text(); }, [](C* E, const String& V) { E->SetText(V); }).Stored(false);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
}

namespace {
void InitButtonEdit() {
  RegisterClass(TvxButtonEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxButtonEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryButtonItem));
}
void FinButtonEdit() {
  UnRegisterClass(TvxButtonEdit::StaticClass());
  if (TvxRegisteredClasses* r = GetEditPropertiesRegistry()) r->Unregister(TvxButtonEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxButtonEditUnit = {L"vxButtonEdit", InitButtonEdit, FinButtonEdit};
