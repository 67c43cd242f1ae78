#include "vxContainerStyles.h"

#include <vssym32.h>

#include <vector>

#include "Streaming.h"
#include "SysUtils.h"
#include "vdUxTheme.h"
#include "vxDWMApi.h"

namespace {

TvxStyleController* FGlobalContainerStyleController = nullptr;

const wchar_t* const StyleValueNames[] = {L"BorderColor", L"BorderStyle", L"Color",     L"Edges",
                                          L"Font",        L"HotTrack",    L"Shadow",    L"TextColor",
                                          L"TextStyle",   L"TransparentBorder"};
constexpr Integer BaseStyleValueCount = 10;

// While a style's font-assignment lock count is raised, changes of its own font do not
// count as assigning the font.
using TFontAssignLock = TCounterScope<Integer>;

// The border style of a state style from its parent's border style: a focused or
// hot-tracked style raises the border by one step; normal and disabled keep it.
TvxContainerBorderStyle RaisedBorderStyle(TvxContainerStateItem ARow, TvxContainerBorderStyle AParentStyle) {
  if (ARow != csActive && ARow != csHotTrack) return AParentStyle;
  switch (AParentStyle) {
    case cbsNone:
      return cbsFlat;
    case cbsSingle:
    case cbsThick:
      return cbsThick;
    case cbsFlat:
    case cbs3D:
      return cbs3D;
    default:
      return AParentStyle;
  }
}

}  // namespace

TvxStyleController* GlobalContainerStyleController() { return FGlobalContainerStyleController; }

void SetGlobalContainerStyleController(TvxStyleController* Value) { FGlobalContainerStyleController = Value; }

// --- TvxContainerStyle ---------------------------------------------------------------------------

void TvxContainerStyle::DeclarePublished(TPublisher<TvxContainerStyle>& P) {
  using C = TvxContainerStyle;
  // A 32-bit set of value indexes; shown to the designer, never written.
  P.Property(
       L"AssignedValues", [](C* s) { return static_cast<Cardinal>(s->AssignedValues().ToInt()); },
       [](C* s, Cardinal v) { s->SetAssignedValues(TvxContainerStyleValues::FromInt(v)); })
      .Stored(false);
  P.Property(L"BorderColor", &C::BorderColor, &C::SetBorderColor)
      .Type(TypeInfoColor())
      .NoDefault()
      .Stored([](C* s) { return s->IsPropertyStored(csvBorderColor); });
  P.Property(L"BorderStyle", &C::BorderStyle, &C::SetBorderStyle).NoDefault().Stored([](C* s) {
    return s->IsPropertyStored(csvBorderStyle);
  });
  P.Property(L"Color", &C::Color, &C::SetColor).Type(TypeInfoColor()).NoDefault().Stored([](C* s) {
    return s->IsPropertyStored(csvColor);
  });
  P.Property(L"Edges", &C::Edges, &C::SetEdges).NoDefault().Stored([](C* s) { return s->IsPropertyStored(csvEdges); });
  P.Property(L"Font", &C::Font, &C::SetFont).Stored([](C* s) { return s->IsPropertyStored(csvFont); });
  P.Property(L"HotTrack", &C::HotTrack, &C::SetHotTrack).NoDefault().Stored([](C* s) {
    return s->IsPropertyStored(csvHotTrack);
  });
  P.Property(L"LookAndFeel", &C::LookAndFeel, &C::SetLookAndFeel).Stored(true);
  P.Property(L"Shadow", &C::Shadow, &C::SetShadow).NoDefault().Stored([](C* s) {
    return s->IsPropertyStored(csvShadow);
  });
  P.Property(L"StyleController", &C::StyleController, &C::SetStyleController).Stored(&C::IsStyleControllerStored);
  P.Property(L"TextColor", &C::TextColor, &C::SetTextColor).Type(TypeInfoColor()).NoDefault().Stored([](C* s) {
    return s->IsPropertyStored(csvTextColor);
  });
  P.Property(L"TextStyle", &C::TextStyle, &C::SetTextStyle).NoDefault().Stored([](C* s) {
    return s->IsPropertyStored(csvTextStyle);
  });
  P.Property(L"TransparentBorder", &C::TransparentBorder, &C::SetTransparentBorder).NoDefault().Stored([](C* s) {
    return s->IsPropertyStored(csvTransparentBorder);
  });
}

TvxContainerStyle::TvxContainerStyle(TPersistent* AOwner, bool ADirectAccessMode, TvxContainerStyle* AParentStyle,
                                     TvxContainerStateItem AState)
    : TvxInterfacedPersistent(AOwner), FDirectAccessMode(ADirectAccessMode), FState(AState) {
  if (AState != csNormal) FParentStyle = AParentStyle;
  if (FDirectAccessMode)
    FAssignedValues = TvxContainerStyleValues{csvColor, csvFont, csvTextColor, csvTextStyle};
  if (IsBaseStyle() && !FDirectAccessMode) {
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject* Sender) { StyleFontChanged(Sender); };
    StyleData.Font = FFont.get();
  }
  FVisibleFont = std::make_unique<TFont>();
  if (IsBaseStyle()) {
    FLookAndFeel = std::make_unique<TvxLookAndFeel>(this);
    FLookAndFeel->OnChanged = [this](TvxLookAndFeel*, TvxLookAndFeelValues) { MarkChanged(); };
  }
}

void TvxContainerStyle::AfterConstruction() {
  inherited::AfterConstruction();
  // Here rather than in the constructor, so that a descendant's choice of controller counts.
  if (IsBaseStyle()) SetStyleController(InitialStyleController());
}

TvxContainerStyle::~TvxContainerStyle() {
  FIsDestroying = true;
  if (IsBaseStyle() && FStyleController) FStyleController->RemoveStyleListener(this);
  FStyleController = nullptr;
  if (FFont) FFont->OnChange = nullptr;
  if (FLookAndFeel) FLookAndFeel->OnChanged = nullptr;
}

IvxStyledContainer* TvxContainerStyle::Container() { return dynamic_cast<IvxStyledContainer*>(FOwner); }

TControl* TvxContainerStyle::ContainerControl() { return dynamic_cast<TControl*>(Container()); }

// --- Lookup, fallbacks and change notification ---

TvxContainerStyle* TvxContainerStyle::FindAssignedValue(TvxContainerStyleValue V) {
  for (TvxContainerStyle* style = this; style;) {
    if (style->FAssignedValues.Contains(V)) return style;
    TvxStyleController* controller = style->ActiveStyleController();
    if (!controller) return nullptr;
    style = controller->Styles()->StyleByState(style->FState);
  }
  return nullptr;
}

bool TvxContainerStyle::IsValueAssigned(TvxContainerStyleValue AValue) {
  return AValue >= 0 && AValue < BaseStyleValueCount && FindAssignedValue(AValue) != nullptr;
}

TColor TvxContainerStyle::FallbackBorderColor() {
  if (FState == csDisabled) return clBtnShadow;
  if (IsBaseStyle()) return clWindowFrame;
  return FParentStyle->BorderColor();
}

TvxContainerBorderStyle TvxContainerStyle::FallbackBorderStyle() {
  if (IsBaseStyle()) {
    switch (LookAndFeel()->Kind()) {
      case lfFlat:
        return cbsFlat;
      case lfStandard:
        return cbs3D;
      case lfOffice11:
        return cbsOffice11;
      case lfUltraFlat:
      default:
        return cbsUltraFlat;
    }
  }
  const TvxContainerStateItem row = (HotTrack() || FState == csDisabled) ? FState : csNormal;
  return RaisedBorderStyle(row, FParentStyle->BorderStyle());
}

TColor TvxContainerStyle::FallbackColor() {
  IvxStyledContainer* container = Container();
  const bool parentColorByDefault = !container || container->UsesParentColorByDefault();
  if (IsBaseStyle()) return parentColorByDefault ? clBtnFace : clWindow;
  if (FState == csDisabled && !parentColorByDefault) return clBtnFace;
  return FParentStyle->Color();
}

TColor TvxContainerStyle::FallbackTextColor() {
  if (FState == csDisabled) return clBtnShadow;
  if (IsBaseStyle()) return Font() ? Font()->Color() : clWindowText;
  return FParentStyle->TextColor();
}

TFontStyles TvxContainerStyle::FallbackTextStyle() {
  if (IsBaseStyle()) return Font() ? Font()->Style() : TFontStyles();
  return FParentStyle->TextStyle();
}

TvxStyleController* TvxContainerStyle::InitialStyleController() { return GlobalContainerStyleController(); }

TvxContainerStyleValues TvxContainerStyle::HiddenExtendedStyleValues() {
  return TvxContainerStyleValues{csvEdges, csvFont, csvHotTrack, csvShadow, csvTransparentBorder};
}

void TvxContainerStyle::MarkChanged() {
  FModified = true;
  FireChangeIfModified();
}

void TvxContainerStyle::FireChangeIfModified() {
  if (!FModified || FUpdateCount != 0) return;
  FModified = false;
  if (!FIsDestroying && !FDirectAccessMode && OnChanged) OnChanged(this);
}

void TvxContainerStyle::BeginUpdate() { ++FUpdateCount; }

void TvxContainerStyle::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  FireChangeIfModified();
}

void TvxContainerStyle::StyleFontChanged(TObject* Sender) {
  (void)Sender;
  if (FFontAssignedValueLockCount <= 0) FAssignedValues.Include(csvFont);
  MarkChanged();
}

// --- Getters ---

TvxContainerStyleValues TvxContainerStyle::AssignedValues() {
  if (!FDirectAccessMode) return FAssignedValues;
  TvxContainerStyleValues all;
  for (Integer i = 0; i < GetStyleValueCount(); ++i) all.Include(i);
  return all;
}

TColor TvxContainerStyle::BorderColor() {
  if (FDirectAccessMode) return clDefault;
  if (TvxContainerStyle* s = FindAssignedValue(csvBorderColor)) return s->FBorderColor;
  return FallbackBorderColor();
}

TvxContainerBorderStyle TvxContainerStyle::BorderStyle() {
  if (FDirectAccessMode) return FAssignedValues.Contains(csvBorderStyle) ? FBorderStyle : FallbackBorderStyle();
  if (TvxContainerStyle* s = FindAssignedValue(csvBorderStyle)) return s->FBorderStyle;
  return FallbackBorderStyle();
}

TColor TvxContainerStyle::Color() {
  if (FDirectAccessMode) return StyleData.Color;
  if (IsBaseStyle()) {
    TControl* control = ContainerControl();
    if (control && control->ParentColor() && control->Parent()) return control->Parent()->Color();
  }
  if (TvxContainerStyle* s = FindAssignedValue(csvColor)) return s->StyleData.Color;
  return FallbackColor();
}

TColor TvxContainerStyle::ResolvedColor() {
  if (FDirectAccessMode) return StyleData.Color;
  if (TvxContainerStyle* s = FindAssignedValue(csvColor)) return s->StyleData.Color;
  if (IsBaseStyle()) {
    IvxStyledContainer* container = Container();
    TControl* control = ContainerControl();
    if (container && control && !container->IsInplace() && control->ParentColor() && control->Parent())
      return control->Parent()->Color();
  }
  return FallbackColor();
}

TvxBorders TvxContainerStyle::Edges() {
  if (FDirectAccessMode) return TvxBorders();
  if (!IsBaseStyle()) return FParentStyle->Edges();
  if (TvxContainerStyle* s = FindAssignedValue(csvEdges)) return s->FEdges;
  return FallbackEdges();
}

TFont* TvxContainerStyle::Font() {
  if (FDirectAccessMode) return StyleData.Font;
  if (!IsBaseStyle()) return FParentStyle->Font();
  return FFont.get();
}

bool TvxContainerStyle::HotTrack() {
  if (FDirectAccessMode) return FAssignedValues.Contains(csvHotTrack) ? FHotTrack : FallbackHotTrack();
  if (!IsBaseStyle()) return FParentStyle->HotTrack();
  if (TvxContainerStyle* s = FindAssignedValue(csvHotTrack)) return s->FHotTrack;
  return FallbackHotTrack();
}

bool TvxContainerStyle::Shadow() {
  if (FDirectAccessMode) return false;
  if (!IsBaseStyle()) return FParentStyle->Shadow();
  if (TvxContainerStyle* s = FindAssignedValue(csvShadow)) return s->FShadow;
  return FallbackShadow();
}

TColor TvxContainerStyle::TextColor() {
  if (FDirectAccessMode) return StyleData.FontColor;
  if (TvxContainerStyle* s = FindAssignedValue(csvTextColor)) return s->StyleData.FontColor;
  return FallbackTextColor();
}

TFontStyles TvxContainerStyle::TextStyle() {
  if (FDirectAccessMode) return StyleData.Font ? StyleData.Font->Style() : FTextStyle;
  if (TvxContainerStyle* s = FindAssignedValue(csvTextStyle)) return s->FTextStyle;
  return FallbackTextStyle();
}

bool TvxContainerStyle::TransparentBorder() {
  if (FDirectAccessMode) return true;
  if (!IsBaseStyle()) return FParentStyle->TransparentBorder();
  if (TvxContainerStyle* s = FindAssignedValue(csvTransparentBorder)) return s->FTransparentBorder;
  return FallbackTransparentBorder();
}

// --- Setters ---

void TvxContainerStyle::SetAssignedValues(TvxContainerStyleValues Value) {
  if (Value == FAssignedValues) return;
  FAssignedValues = Value;
  if (IsBaseStyle()) RefreshOwnFont();
  MarkChanged();
}

void TvxContainerStyle::SetBorderColor(TColor Value) {
  if (FAssignedValues.Contains(csvBorderColor) && FBorderColor == Value) return;
  FBorderColor = Value;
  FAssignedValues.Include(csvBorderColor);
  MarkChanged();
}

void TvxContainerStyle::SetBorderStyle(TvxContainerBorderStyle Value) {
  if (FAssignedValues.Contains(csvBorderStyle) && FBorderStyle == Value) return;
  FBorderStyle = Value;
  FAssignedValues.Include(csvBorderStyle);
  MarkChanged();
}

void TvxContainerStyle::SetColor(TColor Value) {
  if (FAssignedValues.Contains(csvColor) && StyleData.Color == Value) return;
  StyleData.Color = Value;
  FAssignedValues.Include(csvColor);
  MarkChanged();
}

void TvxContainerStyle::SetTextColor(TColor Value) {
  if (FAssignedValues.Contains(csvTextColor) && TextColor() == Value) return;
  StyleData.FontColor = Value;
  FAssignedValues.Include(csvTextColor);
  MarkChanged();
}

void TvxContainerStyle::SetTextStyle(TFontStyles Value) {
  if (FAssignedValues.Contains(csvTextStyle) && TextStyle() == Value) return;
  FTextStyle = Value;
  FAssignedValues.Include(csvTextStyle);
  MarkChanged();
}

void TvxContainerStyle::SetEdges(TvxBorders Value) {
  if (!IsBaseStyle()) return FParentStyle->SetEdges(Value);
  if (FAssignedValues.Contains(csvEdges) && FEdges == Value) return;
  FEdges = Value;
  FAssignedValues.Include(csvEdges);
  MarkChanged();
}

void TvxContainerStyle::SetHotTrack(bool Value) {
  if (!IsBaseStyle()) return FParentStyle->SetHotTrack(Value);
  if (FAssignedValues.Contains(csvHotTrack) && FHotTrack == Value) return;
  FHotTrack = Value;
  FAssignedValues.Include(csvHotTrack);
  MarkChanged();
}

void TvxContainerStyle::SetShadow(bool Value) {
  if (!IsBaseStyle()) return FParentStyle->SetShadow(Value);
  if (FAssignedValues.Contains(csvShadow) && FShadow == Value) return;
  FShadow = Value;
  FAssignedValues.Include(csvShadow);
  MarkChanged();
}

void TvxContainerStyle::SetTransparentBorder(bool Value) {
  if (!IsBaseStyle()) return FParentStyle->SetTransparentBorder(Value);
  if (FAssignedValues.Contains(csvTransparentBorder) && FTransparentBorder == Value) return;
  FTransparentBorder = Value;
  FAssignedValues.Include(csvTransparentBorder);
  MarkChanged();
}

void TvxContainerStyle::SetFont(TFont* Value) {
  if (FDirectAccessMode) {
    StyleData.Font = Value;
    return;
  }
  if (!IsBaseStyle()) return FParentStyle->SetFont(Value);
  // The copy changes the own font (one notification) and marks it assigned; one event
  // for both steps.
  TUpdateScope<TvxContainerStyle> update(*this);
  if (Value) FFont->Assign(Value);
  FAssignedValues.Include(csvFont);
  MarkChanged();
}

void TvxContainerStyle::SetLookAndFeel(TvxLookAndFeel* Value) { LookAndFeel()->Assign(Value); }

// --- Style controller ---

TvxStyleController* TvxContainerStyle::StyleController() {
  if (!IsBaseStyle()) return FParentStyle->StyleController();
  // The default controller is never streamed: it reads as none.
  return FStyleController == InitialStyleController() ? nullptr : FStyleController;
}

void TvxContainerStyle::SetStyleController(TvxStyleController* Value) {
  if (!IsBaseStyle()) return FParentStyle->SetStyleController(Value);
  TvxStyleController* initial = InitialStyleController();
  // The default controller's own styles never get a controller.
  if (initial && FOwner == static_cast<TPersistent*>(initial)) return;
  if (!Value) Value = initial;
  if (Value) {
    // A controller whose chain of normal styles leads back to this style would make the
    // lookups circular.
    for (TvxStyleController* c = Value; c;) {
      TvxContainerStyle* normal = c->Styles()->Style();
      if (normal == this) return;
      c = normal->StyleController();
    }
  }
  if (Value == FStyleController) return;
  if (FStyleController) FStyleController->RemoveStyleListener(this);
  FStyleController = Value;
  if (FStyleController) FStyleController->AddStyleListener(this);
  StyleControllerChanged(Value);
}

void TvxContainerStyle::DetachStyleController() {
  TvxStyleController* old = FStyleController;
  FStyleController = nullptr;
  if (old) old->RemoveStyleListener(this);
  StyleControllerChanged(nullptr);
}

void TvxContainerStyle::StyleControllerChanged(TvxStyleController* AController) {
  (void)AController;
  // The font refresh and the change itself make one event.
  TUpdateScope<TvxContainerStyle> update(*this);
  RefreshOwnFont();
  MarkChanged();
}

void TvxContainerStyle::StyleControllerRemoved(TvxStyleController* AController) {
  if (AController != ActiveStyleController()) return;
  if (AController != InitialStyleController()) SetStyleController(nullptr);
  // Falling back on the controller that is going away would keep it, and the default
  // controller's own styles take no controller at all: in both cases the style lets go
  // of it outright.
  if (FStyleController == AController) DetachStyleController();
}

// --- Own font ---

void TvxContainerStyle::ResetOwnFont() {
  TFont defaults;
  FFont->Assign(&defaults);
}

void TvxContainerStyle::RefreshOwnFont() {
  if (FDirectAccessMode || !FFont || FAssignedValues.Contains(csvFont)) return;
  TFontAssignLock lock(FFontAssignedValueLockCount);
  TvxContainerStyle* holder = FindAssignedValue(csvFont);
  if (holder && holder->StyleData.Font) {
    FFont->Assign(holder->StyleData.Font);
    return;
  }
  TControl* control = ContainerControl();
  // With ParentFont the own font keeps what the container's parent font put there.
  if (!control || !control->ParentFont()) ResetOwnFont();
}

TFont* TvxContainerStyle::GetVisibleFont() {
  if (TFont* font = Font()) FVisibleFont->Assign(font);
  FVisibleFont->SetColor(TextColor());
  FVisibleFont->SetStyle(TextStyle());
  return FVisibleFont.get();
}

// --- Value names and published checks ---

Integer TvxContainerStyle::GetStyleValueCount() { return BaseStyleValueCount; }

bool TvxContainerStyle::GetStyleValueName(TvxContainerStyleValue AStyleValue, String& AName) {
  if (AStyleValue < 0 || AStyleValue >= BaseStyleValueCount) {
    AName.clear();
    return false;
  }
  AName = StyleValueNames[AStyleValue];
  return true;
}

bool TvxContainerStyle::GetStyleValue(const String& APropertyName, TvxContainerStyleValue& AStyleValue) {
  String name;
  for (Integer i = 0; i < GetStyleValueCount(); ++i)
    if (GetStyleValueName(i, name) && vxSameStrings(name, APropertyName)) {
      AStyleValue = i;
      return true;
    }
  return false;
}

bool TvxContainerStyle::IsExtendedStylePropertyPublished(const String& APropertyName) {
  if (vxSameStrings(APropertyName, L"LookAndFeel") || vxSameStrings(APropertyName, L"StyleController")) return false;
  TvxContainerStyleValue value;
  if (!GetStyleValue(APropertyName, value)) return true;
  return !HiddenExtendedStyleValues().Contains(value);
}

bool TvxContainerStyle::HasBorder() { return IsBaseStyle() ? true : FParentStyle->HasBorder(); }

bool TvxContainerStyle::IsPropertyStored(TvxContainerStyleValue V) {
  if (!FAssignedValues.Contains(V)) return false;
  IvxStyledContainer* container = Container();
  if (!container) return true;
  String name;
  GetStyleValueName(V, name);
  return container->IsStylePropertyPublished(name, FState != csNormal);
}

void TvxContainerStyle::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  // A font equal to the defaults writes no values of its own; this entry keeps the fact
  // that it was assigned.
  Filer->DefineProperty(
      L"IsFontAssigned",
      [this](TReader* Reader) {
        Reader->ReadBoolean();
        FAssignedValues.Include(csvFont);
      },
      [](TWriter* Writer) { Writer->WriteBoolean(true); }, IsPropertyStored(csvFont));
}

// --- Assign and defaults ---

void TvxContainerStyle::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TvxContainerStyle*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  TUpdateScope<TvxContainerStyle> update(*this);
  if (IsBaseStyle()) {
    SetStyleController(source->StyleController());
    SetLookAndFeel(source->LookAndFeel());
  }
  FBorderColor = source->FBorderColor;
  FBorderStyle = source->FBorderStyle;
  FEdges = source->FEdges;
  FHotTrack = source->FHotTrack;
  FShadow = source->FShadow;
  FTransparentBorder = source->FTransparentBorder;
  StyleData.Color = source->StyleData.Color;
  if (FDirectAccessMode) {
    StyleData.Font = source->Font();
    StyleData.FontColor = source->TextColor();
  } else {
    // Only a base style has a font of its own; a state style's font is its parent's.
    if (FFont && source->Font()) {
      FFont->Assign(source->Font());
      if (source->FDirectAccessMode) FFont->SetColor(source->TextColor());
    }
    StyleData.FontColor = source->TextColor();
    FTextStyle = source->TextStyle();
  }
  FAssignedValues = source->FAssignedValues;
  MarkChanged();
}

void TvxContainerStyle::RestoreDefaults() {
  TUpdateScope<TvxContainerStyle> update(*this);
  SetAssignedValues(TvxContainerStyleValues());
  if (!IsBaseStyle()) return;
  LookAndFeel()->Reset();
  TControl* control = ContainerControl();
  if (control) {
    control->SetParentColor(false);
    control->SetParentFont(true);
  } else if (!FDirectAccessMode) {
    TFontAssignLock lock(FFontAssignedValueLockCount);
    ResetOwnFont();
  }
  IvxStyledContainer* container = Container();
  if (control && container && container->UsesParentColorByDefault()) {
    TvxStyleController* controller = ActiveStyleController();
    if (!controller || !controller->Styles()->Style()->IsValueAssigned(csvColor)) control->SetParentColor(true);
  }
}

// --- TvxContainerStyles --------------------------------------------------------------------------

TvxContainerStyles::TvxContainerStyles(TPersistent* AOwner, TvxContainerStyleClass AStyleClass) {
  for (TvxContainerStateItem state : {csNormal, csActive, csDisabled, csHotTrack}) {
    TvxContainerStyle* parent = state == csNormal ? nullptr : FStyles[csNormal].get();
    FStyles[state].reset(AStyleClass->Create(AOwner, false, parent, state));
  }
}

TvxContainerStyles::~TvxContainerStyles() {
  // The state styles refer to the normal style: they go first.
  for (TvxContainerStateItem state : {csHotTrack, csDisabled, csActive, csNormal}) FStyles[state].reset();
}

void TvxContainerStyles::RestoreDefaults() {
  for (auto& style : FStyles) style->RestoreDefaults();
}

void TvxContainerStyles::SetOnChanged(const TNotifyEvent& Value) {
  for (auto& style : FStyles) style->OnChanged = Value;
}

// --- TvxStyleController --------------------------------------------------------------------------

void TvxStyleController::DeclarePublished(TPublisher<TvxStyleController>& P) {
  using C = TvxStyleController;
  P.Property(L"FakeStyleController", &C::FakeStyleController, &C::SetFakeStyleController).Stored(false);
}

TvxStyleController::TvxStyleController(TComponent* AOwner)
    : TComponent(AOwner), FListeners(std::make_unique<TList>()) {}

TvxStyleController::~TvxStyleController() {
  // Nothing may fall back on a controller that is being freed.
  if (FGlobalContainerStyleController == this) FGlobalContainerStyleController = nullptr;
  FIsDestruction = true;
  for (Integer i = FListeners->Count() - 1; i >= 0; --i)
    if (i < FListeners->Count()) Listeners(i)->StyleControllerRemoved(this);
  FStyles.reset();
  FListeners.reset();
}

TvxContainerStyles* TvxStyleController::Styles() {
  if (!FStyles) {
    FStyles.reset(GetStylesClass()->Create(this, GetStyleClass()));
    FStyles->SetOnChanged([this](TObject*) { NotifyStyleChanged(); });
  }
  return FStyles.get();
}

TvxContainerStyleClass TvxStyleController::GetStyleClass() { return TvxContainerStyle::ClassOf<TvxContainerStyle>(); }

TvxContainerStylesClass TvxStyleController::GetStylesClass() {
  return TvxContainerStyles::ClassOf<TvxContainerStyles>();
}

void TvxStyleController::Loaded() {
  inherited::Loaded();
  NotifyStyleChanged();
}

void TvxStyleController::AddStyleListener(TvxContainerStyle* AStyle) {
  if (!AStyle || FListeners->IndexOf(AStyle) >= 0) return;
  FListeners->Add(AStyle);
  AStyle->LookAndFeel()->SetMasterLookAndFeel(Styles()->Style()->LookAndFeel());
}

void TvxStyleController::RemoveStyleListener(TvxContainerStyle* AStyle) {
  if (!AStyle || FListeners->IndexOf(AStyle) < 0) return;
  FListeners->Remove(AStyle);
  AStyle->LookAndFeel()->SetMasterLookAndFeel(nullptr);
}

void TvxStyleController::NotifyStyleChanged() {
  if (OnStyleChanged) OnStyleChanged(this);
  if (FIsDestruction) return;
  // A listener's change handler may attach or detach styles: the styles listening now
  // are told, each only while it still listens.
  std::vector<TvxContainerStyle*> listeners;
  for (Integer i = 0; i < FListeners->Count(); ++i) listeners.push_back(Listeners(i));
  for (TvxContainerStyle* style : listeners)
    if (FListeners->IndexOf(style) >= 0) style->StyleControllerChanged(this);
}

void TvxStyleController::ScaleStyleFont(Integer M, Integer D) {
  TvxContainerStyle* normal = Styles()->Style();
  if (normal->AssignedValues().Contains(csvFont)) {
    // The shared font is scaled for the first form that asks, not again for the others.
    if (FIsFontScaled) return;
    FIsFontScaled = true;
    TFont* font = normal->Font();
    font->SetSize(MulDiv(font->Size(), M, D));
  } else if (TvxStyleController* controller = normal->ActiveStyleController()) {
    controller->ScaleStyleFont(M, D);
  }
}

// --- TvxContainerViewInfo ------------------------------------------------------------------------

void TvxContainerViewInfo::Assign(TObject* Source) {
  if (auto* source = dynamic_cast<TvxContainerViewInfo*>(Source)) ClientRect = source->ClientRect;
}

std::unique_ptr<TvxRegion> TvxContainerViewInfo::GetUpdateRegion(TvxContainerViewInfo* AViewInfo) {
  (void)AViewInfo;
  return std::make_unique<TvxRegion>();
}

void TvxContainerViewInfo::Offset(Integer DX, Integer DY) {
  OffsetRect(&BorderRect, DX, DY);
  OffsetRect(&Bounds, DX, DY);
  OffsetRect(&ClientRect, DX, DY);
}

void TvxContainerViewInfo::DrawContainer(TvxCanvas* ACanvas) {
  if (NativeStyle)
    DrawNativeContainer(ACanvas);
  else
    DrawClassicContainer(ACanvas);
}

void TvxContainerViewInfo::DrawNativeContainer(TvxCanvas* ACanvas) {
  HTHEME theme = BorderStyle == cbsNone ? nullptr : vdOpenThemeByType(ThemedObjectType);
  if (!theme) {
    ACanvas->FillRect(Bounds, FBackgroundColor);
    return;
  }
  TRect content = Bounds;
  vdUxTheme::GetThemeBackgroundContentRect(theme, ACanvas->Handle(), 1, NativeState, &Bounds, &content);
  ACanvas->FillRect(content, FBackgroundColor);
  // The frame colour of the system's own list and combo boxes.
  COLORREF border = 0;
  if (vxIsCompositionEnabled()) {
    if (HTHEME list = vdOpenThemeByType(totListBox)) vdUxTheme::GetThemeColor(list, 3, 1, TMT_BORDERCOLOR, &border);
  } else if (HTHEME combo = vdOpenThemeByType(totComboBox)) {
    vdUxTheme::GetThemeColor(combo, 1, 1, TMT_BORDERCOLOR, &border);
  }
  vxFillRectFrame(ACanvas, Bounds, content, static_cast<TColor>(border));
}

void TvxContainerViewInfo::DrawClassicContainer(TvxCanvas* ACanvas) {
  TRect r = BorderRect;
  r.left -= BorderWidth;
  r.top -= BorderWidth;
  if (Edges.Contains(bRight)) r.right += BorderWidth;
  if (Edges.Contains(bBottom)) r.bottom += BorderWidth;
  if (Shadow) vxDrawContainerShadow(ACanvas, r);
  if (!Edges.Contains(bRight)) r.right += BorderWidth;
  if (!Edges.Contains(bBottom)) r.bottom += BorderWidth;
  PaintBorder(ACanvas, r);
  ACanvas->FillRect(BorderRect, FBackgroundColor);
}

void TvxContainerViewInfo::PaintBorder(TvxCanvas* ACanvas, const TRect& R) {
  const TvxContainerBorderStyle style = CurrentBorderStyle();
  if (Painter || style == cbsSingle || style == cbsThick) {
    ACanvas->FrameRect(R, BorderColor, BorderWidth);
    return;
  }
  TRect inner = R;
  InflateRect(&inner, -1, -1);
  switch (style) {
    case cbsFlat:
      ACanvas->DrawEdge(R, true, true, Edges);
      ACanvas->FrameRect(inner, clBtnFace);
      break;
    case cbs3D:
      ACanvas->DrawEdge(R, true, true, Edges);
      ACanvas->DrawComplexFrame(inner, cl3DDkShadow, cl3DLight, Edges);
      break;
    default:
      // cbsNone draws nothing; the container computes UltraFlat and Office11 as single.
      break;
  }
}
