#include "vxLookAndFeels.h"

#include <algorithm>

#include "Forms.h"
#include "Streaming.h"
#include "vdOffice11.h"

namespace {

TvxLookAndFeel* FRootLookAndFeel = nullptr;
Integer FControllerCount = 0;
// Painters of registered skins are used; the switch is always on in this system.
constexpr bool UseSkins = true;

TvxSystemPaletteChangedListener* FPaletteListener = nullptr;
Integer FPaletteListenerUsers = 0;

const wchar_t PaletteListenerClassName[] = L"TvxSystemPaletteChangedListener";

const TvxLookAndFeelValues AllValues{lfvKind, lfvNativeStyle, lfvSkinName};

TvxCustomLookAndFeelPainterClass PainterOfKind(TvxLookAndFeelKind AKind) {
  switch (AKind) {
    case lfFlat:
      return TvxFlatLookAndFeelPainter::Instance();
    case lfStandard:
      return TvxStandardLookAndFeelPainter::Instance();
    case lfOffice11:
      return TvxOffice11LookAndFeelPainter::Instance();
    case lfUltraFlat:
    default:
      return TvxUltraFlatLookAndFeelPainter::Instance();
  }
}

IvxLookAndFeelChangeListener* ChangeListenerOf(TObject* AObject) {
  return dynamic_cast<IvxLookAndFeelChangeListener*>(AObject);
}

bool IsController(IvxLookAndFeelChangeListener* AListener) {
  return Is<TvxLookAndFeelController>(AListener->OwnerObject());
}

}  // namespace

void vxCreateRootLookAndFeel() {
  auto* root = new TvxLookAndFeel(nullptr);
  root->FIsRootLookAndFeel = true;
  FRootLookAndFeel = root;
}

void vxDestroyRootLookAndFeel() {
  TvxLookAndFeel* root = FRootLookAndFeel;
  delete root;
}

TvxLookAndFeel* vxGetRootLookAndFeel() { return FRootLookAndFeel; }

Integer vxLookAndFeelControllerCount() { return FControllerCount; }

// --- System colour changes --------------------------------------------------------------------

TvxSystemPaletteChangedNotifier::TvxSystemPaletteChangedNotifier(bool AIsPrimary) : FIsPrimary(AIsPrimary) {
  if (FPaletteListenerUsers == 0) FPaletteListener = new TvxSystemPaletteChangedListener();
  ++FPaletteListenerUsers;
  FPaletteListener->AddNotifier(this);
}

TvxSystemPaletteChangedNotifier::~TvxSystemPaletteChangedNotifier() {
  if (!FPaletteListener) return;
  FPaletteListener->RemoveNotifier(this);
  if (--FPaletteListenerUsers == 0) FreeAndNil(FPaletteListener);
}

void TvxSystemPaletteChangedNotifier::DoChanged() {
  if (FOnSystemPaletteChanged) FOnSystemPaletteChanged();
}

TvxSystemPaletteChangedListener::TvxSystemPaletteChangedListener() {
  // The Office 2003 colours are ready as soon as anything listens for colour changes.
  vdOffice11AcquireColors();
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  if (!GetClassInfoW(inst, PaletteListenerClassName, &wc)) {
    wc.lpfnWndProc = &TvxSystemPaletteChangedListener::WndProc;
    wc.hInstance = inst;
    wc.lpszClassName = PaletteListenerClassName;
    RegisterClassW(&wc);
  }
  // A hidden top-level window: the colour-change message is sent to those.
  FWindowHandle = CreateWindowExW(WS_EX_TOOLWINDOW, PaletteListenerClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, inst, nullptr);
  SetWindowLongPtrW(FWindowHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TvxSystemPaletteChangedListener::~TvxSystemPaletteChangedListener() {
  if (FWindowHandle) DestroyWindow(FWindowHandle);
  FWindowHandle = nullptr;
  vdOffice11ReleaseColors();
}

void TvxSystemPaletteChangedListener::AddNotifier(TvxSystemPaletteChangedNotifier* ANotifier) {
  (ANotifier->IsPrimary() ? FPrimaryNotifierList : FNotifierList).push_back(ANotifier);
}

void TvxSystemPaletteChangedListener::RemoveNotifier(TvxSystemPaletteChangedNotifier* ANotifier) {
  auto& list = ANotifier->IsPrimary() ? FPrimaryNotifierList : FNotifierList;
  auto it = std::find(list.begin(), list.end(), ANotifier);
  if (it != list.end()) list.erase(it);
}

void TvxSystemPaletteChangedListener::SystemColorsChanged() {
  vdOffice11RefreshColors();
  // From the last to the first; a notifier freed meanwhile has left its list, so the
  // index is checked against the list as it is now.
  for (auto* list : {&FPrimaryNotifierList, &FNotifierList})
    for (std::size_t i = list->size(); i-- > 0;)
      if (i < list->size()) (*list)[i]->DoChanged();
}

LRESULT CALLBACK TvxSystemPaletteChangedListener::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SYSCOLORCHANGE) {
    auto* self = reinterpret_cast<TvxSystemPaletteChangedListener*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    try {
      if (self) self->SystemColorsChanged();
    } catch (...) {
      // An exception must not cross the system's dispatch: the application reports it.
      if (Application) Application->HandleException(nullptr);
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND vxSystemPaletteChangedListenerWindow() { return FPaletteListener ? FPaletteListener->WindowHandle() : nullptr; }

// --- TvxLookAndFeel ----------------------------------------------------------------------------

void TvxLookAndFeel::DeclarePublished(TPublisher<TvxLookAndFeel>& P) {
  using C = TvxLookAndFeel;
  P.Property(L"Kind", &C::Kind, &C::SetKind).NoDefault().Stored(&C::IsKindStored);
  P.Property(L"NativeStyle", &C::NativeStyle, &C::SetNativeStyle).NoDefault().Stored(&C::IsNativeStyleStored);
  P.Property(L"SkinName", &C::SkinName, &C::SetSkinName).Stored(&C::IsSkinNameStored);
  P.Property(L"AssignedValues", &C::AssignedValues, &C::SetAssignedValues).Stored(false);
}

TvxLookAndFeel::TvxLookAndFeel(TPersistent* AOwner)
    : TvxInterfacedPersistent(AOwner), FChangeListenerList(std::make_unique<TvxObjectList>(false)) {
  FData.Kind = vxDefaultLookAndFeelKind;
  FData.NativeStyle = vxDefaultLookAndFeelNativeStyle;
  FCurrentState = FData;
  FSystemPaletteChangedNotifier = std::make_unique<TvxSystemPaletteChangedNotifier>(false);
  FSystemPaletteChangedNotifier->SetOnSystemPaletteChanged([this] { PaletteChanged(); });
  if (FRootLookAndFeel) {
    FRootLookAndFeel->AddChangeListener(this);
    UpdateCurrentState();
  }
  FCurrentState.Painter = GetAvailablePainter();
}

TvxLookAndFeel::~TvxLookAndFeel() {
  if (auto* painters = vxGlobalExtendedStylePainters()) painters->RemoveListener(this);
  FSystemPaletteChangedNotifier.reset();
  FIsDestruction = true;
  for (Integer i = 0; i < FChangeListenerList->Count(); ++i)
    if (auto* listener = ChangeListenerOf(FChangeListenerList->GetItem(i))) listener->SourceDestroying(this);
  FIsDestruction = false;
  FChangeListenerList.reset();
  if (TvxLookAndFeel* master = MasterLookAndFeel()) master->RemoveChangeListener(this);
  if (FIsRootLookAndFeel) {
    FRootLookAndFeel = nullptr;
    FIsRootLookAndFeel = false;
  }
}

TvxLookAndFeel* TvxLookAndFeel::MasterLookAndFeel() const {
  if (FIsRootLookAndFeel) return nullptr;
  return FMasterLookAndFeel ? FMasterLookAndFeel : FRootLookAndFeel;
}

TvxLookAndFeel* TvxLookAndFeel::InheritanceSource() const { return MasterLookAndFeel(); }

void TvxLookAndFeel::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TvxLookAndFeel*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  RememberState();
  FData = source->FData;
  FAssignedValues = source->FAssignedValues;
  TvxLookAndFeel* master = source->MasterLookAndFeel();
  if (!FIsRootLookAndFeel && master != this && master != MasterLookAndFeel()) {
    if (TvxLookAndFeel* old = MasterLookAndFeel()) old->RemoveChangeListener(this);
    FMasterLookAndFeel = master;
    if (TvxLookAndFeel* now = MasterLookAndFeel()) now->AddChangeListener(this);
  }
  NotifyStateDifferences();
}

void TvxLookAndFeel::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  // An explicitly empty skin name is not written as a published value, so it goes as
  // its own entry to survive streaming.
  Filer->DefineProperty(
      L"SkinName", [this](TReader* Reader) { SetSkinName(Reader->ReadString()); },
      [this](TWriter* Writer) { Writer->WriteString(FData.SkinName); },
      FAssignedValues.Contains(lfvSkinName) && FData.SkinName.empty());
}

void TvxLookAndFeel::AddChangeListener(TObject* AListener) {
  IvxLookAndFeelChangeListener* listener = AListener ? ChangeListenerOf(AListener) : nullptr;
  if (!listener) return;
  const bool controller = IsController(listener);
  if (controller && !FIsRootLookAndFeel) return;
  if (FChangeListenerList->IndexOf(AListener) >= 0) return;
  FChangeListenerList->Add(AListener);
  if (controller) ++FControllerCount;
}

void TvxLookAndFeel::RemoveChangeListener(TObject* AListener) {
  if (!AListener || FChangeListenerList->IndexOf(AListener) < 0) return;
  if (FIsDestruction) return;
  FChangeListenerList->Remove(AListener);
  IvxLookAndFeelChangeListener* listener = ChangeListenerOf(AListener);
  if (FIsRootLookAndFeel && listener && IsController(listener)) {
    if (--FControllerCount == 0) Reset();
  }
}

TvxCustomLookAndFeelPainterClass TvxLookAndFeel::GetAvailablePainter(TvdThemedObjectType ANeededThemedObjectType) {
  if (FCurrentState.NativeStyle && vdIsThemeOpenable(ANeededThemedObjectType))
    return TvxWinXPLookAndFeelPainter::Instance();
  if (FSkinPainter) return FSkinPainter;
  return PainterOfKind(FCurrentState.Kind);
}

TvxCustomLookAndFeelPainterClass TvxLookAndFeel::GetAvailablePainter(const TvdThemedObjectTypes& ANeededThemedObjectTypes) {
  if (FCurrentState.NativeStyle && vdThemesAvailable(ANeededThemedObjectTypes))
    return TvxWinXPLookAndFeelPainter::Instance();
  if (FSkinPainter) return FSkinPainter;
  return PainterOfKind(FCurrentState.Kind);
}

void TvxLookAndFeel::Refresh() { NotifyChanged(AllValues); }

void TvxLookAndFeel::Reset() { SetAssignedValues({}); }

TvxLookAndFeelStyle TvxLookAndFeel::ActiveStyle() {
  if (NativeStyle() && vdThemesAvailable()) return lfsNative;
  switch (Kind()) {
    case lfFlat:
      return lfsFlat;
    case lfStandard:
      return lfsStandard;
    case lfOffice11:
      return lfsOffice11;
    case lfUltraFlat:
    default:
      return lfsUltraFlat;
  }
}

void TvxLookAndFeel::SetStyle(TvxLookAndFeelStyle Value) {
  SetNativeStyle(Value == lfsNative);
  if (NativeStyle()) return;
  switch (Value) {
    case lfsFlat:
      SetKind(lfFlat);
      break;
    case lfsStandard:
    case lfsNative:
      SetKind(lfStandard);
      break;
    case lfsUltraFlat:
      SetKind(lfUltraFlat);
      break;
    case lfsOffice11:
      SetKind(lfOffice11);
      break;
  }
}

void TvxLookAndFeel::SetAssignedValues(TvxLookAndFeelValues Value) {
  if (Value == FAssignedValues) return;
  RememberState();
  FAssignedValues = Value;
  NotifyStateDifferences();
}

void TvxLookAndFeel::SetKind(TvxLookAndFeelKind Value) {
  TvxLookAndFeelKind old = EffectiveKind();
  FAssignedValues.Include(lfvKind);
  FData.Kind = Value;
  if (EffectiveKind() != old) NotifyChanged({lfvKind});
}

void TvxLookAndFeel::SetNativeStyle(bool Value) {
  bool old = EffectiveNativeStyle();
  FAssignedValues.Include(lfvNativeStyle);
  FData.NativeStyle = Value;
  if (EffectiveNativeStyle() != old) NotifyChanged({lfvNativeStyle});
}

void TvxLookAndFeel::SetSkinName(const TvdSkinName& Value) {
  TvdSkinName old = EffectiveSkinName();
  FAssignedValues.Include(lfvSkinName);
  FData.SkinName = Value;
  if (EffectiveSkinName() != old) NotifyChanged({lfvSkinName});
}

void TvxLookAndFeel::SetMasterLookAndFeel(TvxLookAndFeel* Value) {
  if (FIsRootLookAndFeel || Value == this || Value == MasterLookAndFeel()) return;
  RememberState();
  if (TvxLookAndFeel* old = MasterLookAndFeel()) old->RemoveChangeListener(this);
  FMasterLookAndFeel = Value;
  if (TvxLookAndFeel* now = MasterLookAndFeel()) now->AddChangeListener(this);
  NotifyStateDifferences();
}

void TvxLookAndFeel::SetPainter(TvxCustomLookAndFeelPainterClass Value) {
  if (Value == Painter()) return;
  FPainter = Value;
  NotifyChanged({lfvKind, lfvNativeStyle});
}

void TvxLookAndFeel::SourceChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  MasterChanged(Sender, AChangedValues);
}

void TvxLookAndFeel::SourceDestroying(TvxLookAndFeel* Sender) {
  (void)Sender;
  SetMasterLookAndFeel(nullptr);
}

void TvxLookAndFeel::PainterChanged(TvxCustomLookAndFeelPainterClass APainter) {
  (void)APainter;
  NotifyChanged(AllValues);
}

void TvxLookAndFeel::MasterChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  (void)Sender;
  NotifyChanged(AChangedValues - FAssignedValues);
}

void TvxLookAndFeel::UpdateCurrentState() {
  FCurrentState.Kind = EffectiveKind();
  FCurrentState.NativeStyle = EffectiveNativeStyle();
  FCurrentState.SkinName = EffectiveSkinName();
  FCurrentState.UseSkins = UseSkins;
  FSkinPainter = FCurrentState.NativeStyle ? nullptr : EffectiveSkinPainter();
}

TvxLookAndFeelKind TvxLookAndFeel::EffectiveKind() {
  if (FAssignedValues.Contains(lfvKind)) return FData.Kind;
  if (FIsRootLookAndFeel) return vxDefaultLookAndFeelKind;
  TvxLookAndFeel* source = InheritanceSource();
  return source ? source->EffectiveKind() : vxDefaultLookAndFeelKind;
}

bool TvxLookAndFeel::EffectiveNativeStyle() {
  if (FAssignedValues.Contains(lfvNativeStyle)) return FData.NativeStyle;
  if (FIsRootLookAndFeel) return vxDefaultLookAndFeelNativeStyle;
  TvxLookAndFeel* source = InheritanceSource();
  return source ? source->EffectiveNativeStyle() : vxDefaultLookAndFeelNativeStyle;
}

TvdSkinName TvxLookAndFeel::EffectiveSkinName() {
  if (FAssignedValues.Contains(lfvSkinName)) return FData.SkinName;
  if (FIsRootLookAndFeel) return TvdSkinName();
  TvxLookAndFeel* source = InheritanceSource();
  return source ? source->EffectiveSkinName() : TvdSkinName();
}

TvxCustomLookAndFeelPainterClass TvxLookAndFeel::EffectiveSkinPainter() {
  TvxCustomLookAndFeelPainterClass painter = nullptr;
  if (FAssignedValues.Contains(lfvSkinName)) {
    FindSkinPainter(FData.SkinName, painter);
    return painter;
  }
  if (FIsRootLookAndFeel) return nullptr;
  if (TvxLookAndFeel* source = InheritanceSource()) source->FindSkinPainter(source->EffectiveSkinName(), painter);
  return painter;
}

bool TvxLookAndFeel::FindSkinPainter(const TvdSkinName& AName, TvxCustomLookAndFeelPainterClass& APainter) {
  TvxExtendedStylePainters* painters = vxGlobalExtendedStylePainters();
  bool result = !AName.empty() && painters && painters->GetPainterByName(AName, APainter);
  if (!result || !UseSkins) APainter = nullptr;
  return result;
}

void TvxLookAndFeel::PaletteChanged() { NotifyChanged({lfvNativeStyle}); }

void TvxLookAndFeel::NotifyChanged(TvxLookAndFeelValues AChangedValues) {
  if (AChangedValues.Empty() && FCurrentState.UseSkins == UseSkins) return;
  if (FIsDestruction) return;
  UpdateCurrentState();
  FCurrentState.Painter = GetAvailablePainter();
  if (TvxExtendedStylePainters* painters = vxGlobalExtendedStylePainters()) {
    if (FSkinPainter)
      painters->AddListener(this);
    else
      painters->RemoveListener(this);
  }
  // A listener that leaves the list while being told does not make the next one be
  // skipped.
  Integer i = 0;
  while (i < FChangeListenerList->Count()) {
    Integer count = FChangeListenerList->Count();
    if (auto* listener = ChangeListenerOf(FChangeListenerList->GetItem(i))) listener->SourceChanged(this, AChangedValues);
    if (FChangeListenerList->Count() == count) ++i;
  }
  if (OnChanged) OnChanged(this, AChangedValues);
}

void TvxLookAndFeel::RememberState() {
  FPrevState.Kind = EffectiveKind();
  FPrevState.NativeStyle = EffectiveNativeStyle();
  FPrevState.SkinName = EffectiveSkinName();
}

void TvxLookAndFeel::NotifyStateDifferences() {
  TvxLookAndFeelValues changed;
  if (EffectiveKind() != FPrevState.Kind) changed.Include(lfvKind);
  if (EffectiveNativeStyle() != FPrevState.NativeStyle) changed.Include(lfvNativeStyle);
  if (EffectiveSkinName() != FPrevState.SkinName) changed.Include(lfvSkinName);
  NotifyChanged(changed);
}

// --- TvxLookAndFeelController -----------------------------------------------------------------

void TvxLookAndFeelController::DeclarePublished(TPublisher<TvxLookAndFeelController>& P) {
  using C = TvxLookAndFeelController;
  P.Property(L"Kind", &C::Kind, &C::SetKind).Default(vxDefaultLookAndFeelKind);
  P.Property(L"NativeStyle", &C::NativeStyle, &C::SetNativeStyle).Default(vxDefaultLookAndFeelNativeStyle);
  P.Property(L"SkinName", &C::SkinName, &C::SetSkinName).Stored([](C* c) { return !c->SkinName().empty(); });
}

TvxLookAndFeelController::TvxLookAndFeelController(TComponent* AOwner) : TComponent(AOwner) {
  if (FRootLookAndFeel) FRootLookAndFeel->AddChangeListener(this);
}

TvxLookAndFeelController::~TvxLookAndFeelController() {
  if (FRootLookAndFeel) FRootLookAndFeel->RemoveChangeListener(this);
}

TvxLookAndFeelKind TvxLookAndFeelController::Kind() const {
  return FRootLookAndFeel ? FRootLookAndFeel->Kind() : vxDefaultLookAndFeelKind;
}

void TvxLookAndFeelController::SetKind(TvxLookAndFeelKind Value) {
  if (FRootLookAndFeel) FRootLookAndFeel->SetKind(Value);
}

bool TvxLookAndFeelController::NativeStyle() const {
  return FRootLookAndFeel ? FRootLookAndFeel->NativeStyle() : vxDefaultLookAndFeelNativeStyle;
}

void TvxLookAndFeelController::SetNativeStyle(bool Value) {
  if (FRootLookAndFeel) FRootLookAndFeel->SetNativeStyle(Value);
}

TvdSkinName TvxLookAndFeelController::SkinName() const {
  return FRootLookAndFeel ? FRootLookAndFeel->SkinName() : TvdSkinName();
}

void TvxLookAndFeelController::SetSkinName(const TvdSkinName& Value) {
  if (FRootLookAndFeel) FRootLookAndFeel->SetSkinName(Value);
}

void TvxLookAndFeelController::SourceChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) {
  (void)Sender;
  RootChanged(AChangedValues);
}

void TvxLookAndFeelController::SourceDestroying(TvxLookAndFeel* Sender) {
  (void)Sender;
  RootDestroying();
}

const TUnitInfo vxLookAndFeelsUnit = {L"vxLookAndFeels", vxCreateRootLookAndFeel, vxDestroyRootLookAndFeel};
