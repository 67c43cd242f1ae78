#include "vxStyles.h"

#include <algorithm>

#include "TypInfo.h"

namespace {

template <class T>
void EraseValue(std::vector<T*>& AList, T* AValue) {
  auto it = std::find(AList.begin(), AList.end(), AValue);
  if (it != AList.end()) AList.erase(it);
}

template <class T>
void AppendOnce(std::vector<T*>& AList, T* AValue) {
  if (std::find(AList.begin(), AList.end(), AValue) == AList.end()) AList.push_back(AValue);
}

}  // namespace

// --- TvxCustomStyle -----------------------------------------------------------------------

TvxCustomStyle::~TvxCustomStyle() {
  while (!FListeners.empty()) {
    IvxStyleChangeListener* last = FListeners.back();
    last->StyleDetached(this);
    // A listener that keeps itself listed is dropped, so that the loop ends.
    if (!FListeners.empty() && FListeners.back() == last) FListeners.pop_back();
  }
  SetStyleRepository(nullptr);
}

void TvxCustomStyle::Changed() {
  std::vector<IvxStyleChangeListener*> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) (*it)->StyleUpdated(this);
}

void TvxCustomStyle::AddListener(IvxStyleChangeListener* AListener) { AppendOnce(FListeners, AListener); }

void TvxCustomStyle::RemoveListener(IvxStyleChangeListener* AListener) { EraseValue(FListeners, AListener); }

Integer TvxCustomStyle::Index() const {
  return FStyleRepository ? FStyleRepository->StyleIndexOf(const_cast<TvxCustomStyle*>(this)) : -1;
}

void TvxCustomStyle::SetStyleRepository(TvxStyleRepository* Value) {
  if (FStyleRepository) EraseValue(FStyleRepository->FItems, this);
  FStyleRepository = Value;
  if (Value) AppendOnce(Value->FItems, this);
}

TComponent* TvxCustomStyle::GetParentComponent() const { return FStyleRepository; }

void TvxCustomStyle::SetParentComponent(TComponent* Value) {
  if (!ComponentState().Contains(csLoading)) SetStyleRepository(dynamic_cast<TvxStyleRepository*>(Value));
}

void TvxCustomStyle::ReadState(TReader* Reader) {
  if (auto* repository = dynamic_cast<TvxStyleRepository*>(Reader->Parent())) SetStyleRepository(repository);
  TComponent::ReadState(Reader);
}

// --- TvxStyle -----------------------------------------------------------------------------

TvxStyle::TvxStyle(TComponent* AOwner) : TvxCustomStyle(AOwner) {
  FBitmap = std::make_unique<TBitmap>();
  FBitmap->OnChange = [this](TObject* Sender) { BitmapChanged(Sender); };
  FFont = std::make_unique<TFont>();
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TvxStyle::~TvxStyle() {
  FBitmap->OnChange = nullptr;
  FFont->OnChange = nullptr;
}

void TvxStyle::BitmapChanged(TObject*) {
  if (FBitmap->Empty()) FAssignedValues.Exclude(svBitmap);
  else FAssignedValues.Include(svBitmap);
  Changed();
}

void TvxStyle::FontChanged(TObject*) {
  FAssignedValues.Include(svFont);
  Changed();
}

void TvxStyle::SetAssignedValues(TvxStyleValues Value) {
  if (FAssignedValues == Value) return;
  FAssignedValues = Value;
  Changed();
}

void TvxStyle::SetBitmap(TBitmap* Value) { FBitmap->Assign(Value); }

void TvxStyle::SetFont(TFont* Value) { FFont->Assign(Value); }

void TvxStyle::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  if (Value == clDefault) FAssignedValues.Exclude(svColor);
  else FAssignedValues.Include(svColor);
  Changed();
}

void TvxStyle::SetTextColor(TColor Value) {
  if (FTextColor == Value) return;
  FTextColor = Value;
  if (Value == clDefault) FAssignedValues.Exclude(svTextColor);
  else FAssignedValues.Include(svTextColor);
  Changed();
}

void TvxStyle::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxStyle*>(Source);
  if (!src) {
    TvxCustomStyle::Assign(Source);
    return;
  }
  SetBitmap(src->Bitmap());
  SetColor(src->Color());
  SetFont(src->Font());
  SetTextColor(src->TextColor());
  SetAssignedValues(src->AssignedValues());
}

void TvxStyle::RestoreDefaults() {
  FAssignedValues.Clear();
  FBitmap->OnChange = nullptr;
  TBitmap empty;
  FBitmap->Assign(&empty);
  FBitmap->OnChange = [this](TObject* Sender) { BitmapChanged(Sender); };
  FColor = clDefault;
  FTextColor = clDefault;
  Changed();
}

void TvxStyle::ReadState(TReader* Reader) {
  TvxCustomStyle::ReadState(Reader);
  if (StyleRepository()) FFont->SetHeight(StyleRepository()->ScaleFontHeight(FFont->Height()));
}

void TvxStyle::DeclarePublished(TPublisher<TvxStyle>& P) {
  P.Property(L"AssignedValues", &TvxStyle::AssignedValues, &TvxStyle::SetAssignedValues).NoDefault();
  P.Property(L"Bitmap", &TvxStyle::Bitmap, &TvxStyle::SetBitmap)
      .Stored([](TvxStyle* S) { return S->AssignedValues().Contains(svBitmap); });
  P.Property(L"Color", &TvxStyle::Color, &TvxStyle::SetColor)
      .Type(TypeInfoColor())
      .Stored([](TvxStyle* S) { return S->AssignedValues().Contains(svColor); });
  P.Property(L"Font", &TvxStyle::Font, &TvxStyle::SetFont)
      .Stored([](TvxStyle* S) { return S->AssignedValues().Contains(svFont); });
  P.Property(L"TextColor", &TvxStyle::TextColor, &TvxStyle::SetTextColor)
      .Type(TypeInfoColor())
      .Stored([](TvxStyle* S) { return S->AssignedValues().Contains(svTextColor); });
}

// --- TvxCustomStyles ----------------------------------------------------------------------

TvxCustomStyles::TvxCustomStyles(TPersistent* AOwner) : TvxInterfacedPersistent(AOwner) {}

TvxCustomStyles::~TvxCustomStyles() {
  FDestroying = true;
  while (!FItems.empty()) DeleteItem(FItems.size() - 1);
  SetStyleSheet(nullptr);
}

void TvxCustomStyles::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TvxCustomStyles*>(Source)) SetStyleSheet(src->StyleSheet());
  else TvxInterfacedPersistent::Assign(Source);
}

bool TvxCustomStyles::Find(Integer AIndex, size_t& APos) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), AIndex,
                             [](const std::unique_ptr<TvxCustomStylesItem>& a, Integer i) { return a->Index < i; });
  APos = static_cast<size_t>(it - FItems.begin());
  return it != FItems.end() && (*it)->Index == AIndex;
}

void TvxCustomStyles::DeleteItem(size_t APos) {
  std::unique_ptr<TvxCustomStylesItem> item = std::move(FItems[APos]);
  FItems.erase(FItems.begin() + static_cast<long>(APos));
  if (item->Item) item->Item->RemoveListener(this);
  NotifyStyleChanged(item->Index);
}

TvxCustomStyle* TvxCustomStyles::FindStyle(Integer AIndex) const {
  size_t pos;
  if (Find(AIndex, pos)) return FItems[pos]->Item;
  if (!FStyleSheet) return nullptr;
  // While the owning form is written only the object's own styles count.
  auto* owner = dynamic_cast<TComponent*>(const_cast<TvxCustomStyles*>(this)->GetOwner());
  if (owner && owner->ComponentState().Contains(csWriting)) return nullptr;
  return FStyleSheet->Styles()->FindStyle(AIndex);
}

void TvxCustomStyles::PutStyle(Integer AIndex, TvxCustomStyle* AStyle) {
  if (AStyle && !AStyle->Name().empty()) {
    // On an inherited form a style of the ancestor is replaced by the descendant's
    // component of the same name.
    auto* root = dynamic_cast<TComponent*>(vxGetPersistentOwner(this));
    TComponent* styleOwner = AStyle->Owner();
    if (root && styleOwner && root != styleOwner && root->InheritsFrom(styleOwner->ClassType()))
      AStyle = dynamic_cast<TvxCustomStyle*>(root->FindComponent(AStyle->Name()));
  }
  if (AStyle == FindStyle(AIndex)) return;
  size_t pos;
  if (Find(AIndex, pos)) {
    TvxCustomStylesItem* item = FItems[pos].get();
    if (item->Item) item->Item->RemoveListener(this);
    if (AStyle) {
      item->Item = AStyle;
      AStyle->AddListener(this);
    } else {
      FItems.erase(FItems.begin() + static_cast<long>(pos));
    }
  } else if (AStyle) {
    auto item = std::make_unique<TvxCustomStylesItem>();
    item->Index = AIndex;
    item->Item = AStyle;
    AStyle->AddListener(this);
    FItems.insert(FItems.begin() + static_cast<long>(pos), std::move(item));
  }
  NotifyStyleChanged(AIndex);
}

void TvxCustomStyles::ResetStyles() {
  // Every assigned item goes, from the last down, whatever its style index.
  while (!FItems.empty()) PutStyle(FItems.back()->Index, nullptr);
}

void TvxCustomStyles::NotifyStyleChanged(Integer AIndex) {
  if (FDestroying) return;
  StyleChanged(AIndex);
  if (FOwnerStyleSheet) FOwnerStyleSheet->NotifyStylesUsers(AIndex);
}

void TvxCustomStyles::StyleUpdated(TvxCustomStyle* AStyle) {
  std::vector<Integer> indexes;
  for (const auto& item : FItems)
    if (item->Item == AStyle) indexes.push_back(item->Index);
  for (Integer i : indexes) NotifyStyleChanged(i);
}

void TvxCustomStyles::StyleDetached(TvxCustomStyle* AStyle) {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FItems[i]->Item == AStyle) DeleteItem(i);
  AStyle->RemoveListener(this);
}

bool TvxCustomStyles::IsValidStyleSheet(TvxCustomStyleSheet* ASheet) const {
  if (!ASheet) return true;
  if (ASheet == FOwnerStyleSheet || ASheet->GetStylesClass() != ClassType()) return false;
  if (FOwnerStyleSheet) {
    std::vector<TvxCustomStyleSheet*> seen;
    for (TvxCustomStyleSheet* s = ASheet; s; s = s->Styles()->StyleSheet()) {
      if (s == FOwnerStyleSheet || std::find(seen.begin(), seen.end(), s) != seen.end()) return false;
      seen.push_back(s);
    }
  }
  return true;
}

void TvxCustomStyles::CollectIndexes(TvxCustomStyleSheet* ASheet, std::vector<Integer>& AIndexes) const {
  std::vector<TvxCustomStyleSheet*> seen;
  for (TvxCustomStyleSheet* s = ASheet; s && std::find(seen.begin(), seen.end(), s) == seen.end();
       s = s->Styles()->StyleSheet()) {
    seen.push_back(s);
    for (const auto& item : s->Styles()->FItems)
      if (std::find(AIndexes.begin(), AIndexes.end(), item->Index) == AIndexes.end()) AIndexes.push_back(item->Index);
  }
}

void TvxCustomStyles::SetStyleSheet(TvxCustomStyleSheet* Value) {
  if (FStyleSheet == Value || !IsValidStyleSheet(Value)) return;
  std::vector<Integer> indexes;
  if (!FDestroying) CollectIndexes(FStyleSheet, indexes);
  CollectIndexes(Value, indexes);
  if (FStyleSheet) EraseValue(FStyleSheet->FUsers, static_cast<TvxCustomStyles*>(this));
  FStyleSheet = Value;
  if (Value) AppendOnce(Value->FUsers, static_cast<TvxCustomStyles*>(this));
  for (Integer i : indexes) NotifyStyleChanged(i);
}

// --- TvxStyles ----------------------------------------------------------------------------

void TvxStyles::GetDefaultViewParams(Integer AIndex, TObject*, TvxViewParams& AParams) {
  AParams.Bitmap = nullptr;
  if (AIndex > FMaxDefaultViewParamsIndex) FMaxDefaultViewParamsIndex = AIndex;
}

bool TvxStyles::UsesDefaultFont(Integer AIndex) {
  auto* s = dynamic_cast<TvxStyle*>(FindStyle(AIndex));
  return !s || !s->AssignedValues().Contains(svFont);
}

void TvxStyles::GetViewParams(Integer AIndex, TObject* AData, TvxStyle* AStyle, TvxViewParams& AParams) {
  auto* s = dynamic_cast<TvxStyle*>(FindStyle(AIndex));
  auto has = [](TvxStyle* st, TvxStyleValue v) { return st && st->AssignedValues().Contains(v); };
  AParams.Bitmap = nullptr;
  if (BitmapInViewParams) {
    if (has(AStyle, svBitmap)) AParams.Bitmap = AStyle->Bitmap();
    else if (has(s, svBitmap)) AParams.Bitmap = s->Bitmap();
  }
  AParams.Color = has(AStyle, svColor) ? AStyle->Color() : has(s, svColor) ? s->Color() : clDefault;
  AParams.Font = has(AStyle, svFont) ? AStyle->Font() : has(s, svFont) ? s->Font() : nullptr;
  AParams.TextColor = has(AStyle, svTextColor) ? AStyle->TextColor() : has(s, svTextColor) ? s->TextColor() : clDefault;
  bool unset = (BitmapInViewParams && !AParams.Bitmap) || AParams.Color == clDefault || !AParams.Font ||
               AParams.TextColor == clDefault;
  if (!unset) return;
  TvxViewParams d;
  d.Color = clDefault;
  d.TextColor = clDefault;
  GetDefaultViewParams(AIndex, AData, d);
  if (BitmapInViewParams && !AParams.Bitmap) AParams.Bitmap = d.Bitmap;
  if (AParams.Color == clDefault) AParams.Color = d.Color;
  if (!AParams.Font) AParams.Font = d.Font;
  if (AParams.TextColor == clDefault) AParams.TextColor = d.TextColor;
}

TBitmap* TvxStyles::GetBitmap(Integer AIndex) {
  auto* s = dynamic_cast<TvxStyle*>(FindStyle(AIndex));
  if (s && s->AssignedValues().Contains(svBitmap) && !s->Bitmap()->Empty()) return s->Bitmap();
  return nullptr;
}

void TvxStyles::NotifyFontChanged(TObject*, TFont* AFont) {
  for (Integer i = 0; i <= FMaxDefaultViewParamsIndex; ++i) {
    if (!UsesDefaultFont(i)) continue;
    TvxViewParams d;
    GetDefaultViewParams(i, nullptr, d);
    if (d.Font == AFont) NotifyStyleChanged(i);
  }
}

// --- TvxCustomStyleSheet ------------------------------------------------------------------

TvxCustomStyleSheet::~TvxCustomStyleSheet() {
  while (!FUsers.empty()) FUsers.back()->SetStyleSheet(nullptr);
  SetStyleRepository(nullptr);
  FStyles.reset();
}

TvxCustomStyles* TvxCustomStyleSheet::Styles() {
  if (!FStyles) {
    TObject* o = GetStylesClass()->NewInstance(this);
    FStyles.reset(dynamic_cast<TvxCustomStyles*>(o));
    if (!FStyles) {
      delete o;
      FStyles = std::make_unique<TvxCustomStyles>(this);
    }
    FStyles->FOwnerStyleSheet = this;
  }
  return FStyles.get();
}

String TvxCustomStyleSheet::Caption() const { return FCaption.empty() ? Name() : FCaption; }

void TvxCustomStyleSheet::SetCaption(const String& Value) {
  if (Caption() == Value) return;
  FCaption = SameText(Value, Name()) ? String() : Value;
}

void TvxCustomStyleSheet::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TvxCustomStyleSheet*>(Source);
  if (!src) {
    TvxComponent::Assign(Source);
    return;
  }
  SetCaption(src->Caption());
  Styles()->Assign(src->Styles());
}

void TvxCustomStyleSheet::CopyFrom(TvxCustomStyleSheet* ASheet) {
  if (!ASheet || ASheet->GetStylesClass() != GetStylesClass()) return;
  TvxCustomStyles* source = ASheet->Styles();
  for (Integer i = 0; i < source->Count(); ++i) {
    TvxCustomStyle* src = source->Items(i).Item;
    TvxCustomStyle* style;
    if (FStyleRepository) {
      style = FStyleRepository->CreateItemEx(src->ClassType(), FStyleRepository->Owner());
    } else {
      style = dynamic_cast<TvxCustomStyle*>(src->ClassType()->NewInstance(Owner()));
    }
    if (!style) continue;
    style->Assign(src);
    Styles()->PutStyle(source->Items(i).Index, style);
  }
}

Integer TvxCustomStyleSheet::Index() const {
  return FStyleRepository ? FStyleRepository->StyleSheetIndexOf(const_cast<TvxCustomStyleSheet*>(this)) : -1;
}

void TvxCustomStyleSheet::SetStyleRepository(TvxStyleRepository* Value) {
  if (FStyleRepository) EraseValue(FStyleRepository->FStyleSheets, this);
  FStyleRepository = Value;
  if (Value) AppendOnce(Value->FStyleSheets, this);
}

TComponent* TvxCustomStyleSheet::GetParentComponent() const { return FStyleRepository; }

void TvxCustomStyleSheet::SetParentComponent(TComponent* Value) {
  if (!ComponentState().Contains(csLoading)) SetStyleRepository(dynamic_cast<TvxStyleRepository*>(Value));
}

void TvxCustomStyleSheet::DefineProperties(TFiler* Filer) {
  TvxComponent::DefineProperties(Filer);
  Filer->DefineProperty(
      L"BuiltIn", [this](TReader* Reader) { FBuiltIn = Reader->ReadBoolean(); },
      [this](TWriter* Writer) { Writer->WriteBoolean(FBuiltIn); }, FBuiltIn);
}

void TvxCustomStyleSheet::ReadState(TReader* Reader) {
  if (auto* repository = dynamic_cast<TvxStyleRepository*>(Reader->Parent())) SetStyleRepository(repository);
  TvxComponent::ReadState(Reader);
}

void TvxCustomStyleSheet::DeclarePublished(TPublisher<TvxCustomStyleSheet>& P) {
  P.Property(L"Caption", &TvxCustomStyleSheet::Caption, &TvxCustomStyleSheet::SetCaption)
      .Stored([](TvxCustomStyleSheet* S) { return !S->FCaption.empty(); });
}

void TvxCustomStyleSheet::NotifyStylesUsers(Integer AIndex) {
  std::vector<TvxCustomStyles*> users = FUsers;
  for (TvxCustomStyles* u : users) u->NotifyStyleChanged(AIndex);
  RefreshDesignLinks();
}

void TvxCustomStyleSheet::CollectLinkedComponents(TList* AList) {
  if (!FStyles) return;
  for (Integer i = 0; i < FStyles->Count(); ++i) {
    TvxCustomStyle* s = FStyles->Items(i).Item;
    TComponent* owner = s ? s->Owner() : nullptr;
    if (owner && owner != Owner() && AList->IndexOf(owner) < 0) AList->Add(owner);
  }
}

// --- TvxStyleRepository -------------------------------------------------------------------

TvxStyleRepository::~TvxStyleRepository() {
  // Styles and sheets owned by this repository go with it; the others only forget it.
  Destroying();
  DestroyComponents();
  for (TvxCustomStyle* s : std::vector<TvxCustomStyle*>(FItems)) s->FStyleRepository = nullptr;
  for (TvxCustomStyleSheet* s : std::vector<TvxCustomStyleSheet*>(FStyleSheets)) s->FStyleRepository = nullptr;
  FItems.clear();
  FStyleSheets.clear();
}

TvxCustomStyle* TvxStyleRepository::CreateItemEx(TvxCustomStyleClass AStyleClass, TComponent* AOwner) {
  TObject* o = AStyleClass->NewInstance(AOwner);
  auto* style = dynamic_cast<TvxCustomStyle*>(o);
  if (!style) {
    delete o;
    return nullptr;
  }
  style->SetStyleRepository(this);
  return style;
}

TvxCustomStyleSheet* TvxStyleRepository::CreateStyleSheetEx(TvxCustomStyleSheetClass AStyleSheetClass,
                                                            TComponent* AOwner) {
  TObject* o = AStyleSheetClass->NewInstance(AOwner);
  auto* sheet = dynamic_cast<TvxCustomStyleSheet*>(o);
  if (!sheet) {
    delete o;
    return nullptr;
  }
  sheet->SetStyleRepository(this);
  return sheet;
}

void TvxStyleRepository::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

void TvxStyleRepository::ClearStyleSheets() {
  while (!FStyleSheets.empty()) delete FStyleSheets.back();
}

Integer TvxStyleRepository::StyleIndexOf(TvxCustomStyle* AStyle) const {
  auto it = std::find(FItems.begin(), FItems.end(), AStyle);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

Integer TvxStyleRepository::StyleSheetIndexOf(TvxCustomStyleSheet* ASheet) const {
  auto it = std::find(FStyleSheets.begin(), FStyleSheets.end(), ASheet);
  return it == FStyleSheets.end() ? -1 : static_cast<Integer>(it - FStyleSheets.begin());
}

void TvxStyleRepository::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TvxCustomStyle* s : FItems)
    if (s->Owner() == Root) Proc(s);
  for (TvxCustomStyleSheet* s : FStyleSheets)
    if (s->Owner() == Root) Proc(s);
}

void TvxStyleRepository::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineProperty(
      L"PixelsPerInch", [this](TReader* Reader) { PixelsPerInch = Reader->ReadInteger(); },
      [](TWriter* Writer) {
        TSize ppi{0, 0};
        vxGetScreenPixelsPerInch(ppi);
        Writer->WriteInteger(ppi.cy);
      },
      Filer->Ancestor() == nullptr);
}

void TvxStyleRepository::DeclarePublished(TPublisher<TvxStyleRepository>& P) {
  P.Property(L"Scalable", &TvxStyleRepository::GetScalable, &TvxStyleRepository::SetScalable).Default(false);
}

Integer TvxStyleRepository::ScaleFontHeight(Integer H) const {
  TSize ppi{0, 0};
  vxGetScreenPixelsPerInch(ppi);
  if (!Scalable || PixelsPerInch == 0 || PixelsPerInch == ppi.cy || ppi.cy == 0) return H;
  return MulDiv(H, ppi.cy, PixelsPerInch);
}

// --- Unit ---------------------------------------------------------------------------------

namespace {
void InitStyles() { RegisterClass(TvxStyle::StaticClass()); }
void FinStyles() { UnRegisterClass(TvxStyle::StaticClass()); }
}  // namespace

const TUnitInfo vxStylesUnit = {L"vxStyles", InitStyles, FinStyles};
