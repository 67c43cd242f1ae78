#include "Menus.h"

#include <algorithm>
#include <map>
#include <string>

#include <commctrl.h>

#include "Forms.h"

namespace {

// Command numbers of live items, so that a number coming back from the system finds
// its item (or nothing, once the item is gone).
std::map<UINT, TMenuItem*>& Commands() {
  static std::map<UINT, TMenuItem*> m;
  return m;
}
UINT NextCommand = 1;

UINT AllocCommand(TMenuItem* Item) {
  auto& m = Commands();
  for (UINT tries = 0; tries < 0xFFFF; ++tries) {
    UINT c = NextCommand;
    NextCommand = NextCommand >= 0xFFFF ? 1 : NextCommand + 1;
    if (!m.count(c)) {
      m[c] = Item;
      return c;
    }
  }
  throw EMenuError(L"Too many menu items");
}

TMenuItem* ItemOfCommand(UINT Command) {
  auto it = Commands().find(Command);
  return it == Commands().end() ? nullptr : it->second;
}

// The hidden window that owns popup menus while they are shown: it gets their
// owner-draw and command messages and hands them to the menu of the item.
class TPopupList : public TObject {
  DECLARE_CLASS(TPopupList, TObject)
 public:
  static const TMessageMap* ClassMessages();

 private:
  void WMOwnerDraw(TMessage& Message);
  void WMCommand(TWMCommand& Message);
};

const TMessageMap* TPopupList::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {WM_MEASUREITEM, MessageHandler<&TPopupList::WMOwnerDraw>},
      {WM_DRAWITEM, MessageHandler<&TPopupList::WMOwnerDraw>},
      {WM_COMMAND, MessageHandler<&TPopupList::WMCommand>},
  };
  static constexpr TMessageMap Map(Entries);
  return &Map;
}

void TPopupList::WMOwnerDraw(TMessage& Message) {
  UINT id = Message.Msg == WM_MEASUREITEM ? TWMMeasureItem(Message).MeasureItemStruct()->itemID
                                          : TWMDrawItem(Message).DrawItemStruct()->itemID;
  if (TMenuItem* item = ItemOfCommand(id))
    if (TMenu* menu = item->GetParentMenu())
      if (menu->HandleOwnerDrawMessage(Message)) return;
  Message.Result = 0;
}

void TPopupList::WMCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == 0 && !Message.Ctl())
    if (TMenuItem* item = ItemOfCommand(Message.ItemID()))
      if (TMenu* menu = item->GetParentMenu()) menu->DispatchCommand(Message.ItemID());
}

TPopupList PopupListObject;
HWND PopupWindow = nullptr;
const wchar_t* const PopupClassName = L"ZsPopupList";

HWND PopupList() {
  if (!PopupWindow) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MessageMapWndProc<TPopupList>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = PopupClassName;
    RegisterClassW(&wc);
    PopupWindow = CreateWindowExW(WS_EX_TOOLWINDOW, PopupClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(PopupWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&PopupListObject));
  }
  return PopupWindow;
}

// The classes form files may name, registered while the unit runs.
std::vector<TClass> MenusClasses() {
  return {TMainMenu::StaticClass(), TPopupMenu::StaticClass(), TMenuItem::StaticClass()};
}

void InitMenus() {
  for (TClass c : MenusClasses()) RegisterClass(c);
}

void DoneMenus() {
  for (TClass c : MenusClasses()) UnRegisterClass(c);
  if (PopupWindow) DestroyWindow(PopupWindow);
  PopupWindow = nullptr;
  UnregisterClassW(PopupClassName, GetModuleHandleW(nullptr));
}

struct TKeyName {
  Word Key;
  const wchar_t* Name;
};
const TKeyName KeyNames[] = {
    {VK_BACK, L"BkSp"},   {VK_TAB, L"Tab"},     {VK_ESCAPE, L"Esc"},  {VK_RETURN, L"Enter"},
    {VK_SPACE, L"Space"}, {VK_PRIOR, L"PgUp"},  {VK_NEXT, L"PgDn"},   {VK_END, L"End"},
    {VK_HOME, L"Home"},   {VK_LEFT, L"Left"},   {VK_UP, L"Up"},       {VK_RIGHT, L"Right"},
    {VK_DOWN, L"Down"},   {VK_INSERT, L"Ins"},  {VK_DELETE, L"Del"},
};

String KeyName(Word Key) {
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return String(1, static_cast<wchar_t>(Key));
  if (Key >= VK_F1 && Key <= VK_F24) return L"F" + std::to_wstring(Key - VK_F1 + 1);
  for (const auto& k : KeyNames)
    if (k.Key == Key) return k.Name;
  return {};
}

bool StartsWithText(const String& S, size_t At, const String& Prefix) {
  return S.size() - At >= Prefix.size() && SameText(S.substr(At, Prefix.size()), Prefix);
}

TFont* MenuFont() { return Screen ? Screen->MenuFont() : nullptr; }

}  // namespace

const TUnitInfo MenusUnit{L"Menus", InitMenus, DoneMenus};

// --- shortcuts -----------------------------------------------------------------------

TShortCut ShortCut(Word Key, TShiftState Shift) {
  if (Key & 0xFF00) return 0;
  TShortCut r = Key;
  if (Shift.Contains(ssShift)) r |= scShift;
  if (Shift.Contains(ssCtrl)) r |= scCtrl;
  if (Shift.Contains(ssAlt)) r |= scAlt;
  return r;
}

void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift) {
  Key = ShortCut & 0xFF;
  Shift = TShiftState();
  if (ShortCut & scShift) Shift.Include(ssShift);
  if (ShortCut & scCtrl) Shift.Include(ssCtrl);
  if (ShortCut & scAlt) Shift.Include(ssAlt);
}

String ShortCutToText(TShortCut ShortCut) {
  String name = KeyName(ShortCut & 0xFF);
  if (name.empty()) return {};
  String r;
  if (ShortCut & scShift) r += L"Shift+";
  if (ShortCut & scCtrl) r += L"Ctrl+";
  if (ShortCut & scAlt) r += L"Alt+";
  return r + name;
}

TShortCut TextToShortCut(const String& Text) {
  TShortCut mods = 0;
  size_t at = 0;
  for (;;) {
    if (StartsWithText(Text, at, L"Shift+")) { mods |= scShift; at += 6; }
    else if (StartsWithText(Text, at, L"Ctrl+")) { mods |= scCtrl; at += 5; }
    else if (StartsWithText(Text, at, L"Alt+")) { mods |= scAlt; at += 4; }
    else break;
  }
  String rest = Text.substr(at);
  if (rest.empty()) return 0;
  for (Word k = 8; k < 255; ++k) {
    String n = KeyName(k);
    if (!n.empty() && SameText(n, rest)) return static_cast<TShortCut>(k | mods);
  }
  return 0;
}

String StripHotkey(const String& Text) {
  String r;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == L'&') {
      if (i + 1 < Text.size() && Text[i + 1] == L'&') r += L'&';
      else continue;
      ++i;
      continue;
    }
    r += Text[i];
  }
  return r;
}

wchar_t GetHotkey(const String& Text) {
  for (size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != L'&') continue;
    if (Text[i + 1] == L'&') {
      ++i;
      continue;
    }
    return static_cast<wchar_t>(towupper(Text[i + 1]));
  }
  return 0;
}

TOwnerDrawState OwnerDrawStateOf(UINT S) {
  TOwnerDrawState r;
  if (S & ODS_SELECTED) r.Include(odSelected);
  if (S & ODS_GRAYED) r.Include(odGrayed);
  if (S & ODS_DISABLED) r.Include(odDisabled);
  if (S & ODS_CHECKED) r.Include(odChecked);
  if (S & ODS_FOCUS) r.Include(odFocused);
  if (S & ODS_DEFAULT) r.Include(odDefault);
  if (S & ODS_HOTLIGHT) r.Include(odHotLight);
  if (S & ODS_INACTIVE) r.Include(odInactive);
  if (S & ODS_NOACCEL) r.Include(odNoAccel);
  if (S & ODS_NOFOCUSRECT) r.Include(odNoFocusRect);
  if (S & ODS_COMBOBOXEDIT) r.Include(odComboBoxEdit);
  return r;
}

// --- TMenuItem -----------------------------------------------------------------------

void TMenuItem::DeclarePublished(TPublisher<TMenuItem>& P) {
  using C = TMenuItem;
  P.Property(L"AutoCheck", &C::AutoCheck, &C::SetAutoCheck).Default(false);
  P.Property(L"Break", &C::Break, &C::SetBreak).Default(mbNone);
  P.Property(L"Caption", &C::Caption, &C::SetCaption);
  P.Property(L"Checked", &C::Checked, &C::SetChecked).Default(false);
  P.Property(L"Default", &C::Default, &C::SetDefault).Default(false);
  P.Property(L"Enabled", &C::Enabled, &C::SetEnabled).Default(true);
  P.Property(L"GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
  P.Property(L"Hint", &C::Hint, &C::SetHint);
  P.Property(L"ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(-1);
  P.Property(L"RadioItem", &C::RadioItem, &C::SetRadioItem).Default(false);
  P.Property(L"ShortCut", &C::ShortCut, &C::SetShortCut).Default(0);
  P.Property(L"SubMenuImages", &C::SubMenuImages, &C::SetSubMenuImages);
  P.Property(L"Visible", &C::Visible, &C::SetVisible).Default(true);
  P.Property(L"OnClick", &C::OnClick);
  P.Property(L"OnAdvancedDrawItem", &C::OnAdvancedDrawItem);
  P.Property(L"OnDrawItem", &C::OnDrawItem);
  P.Property(L"OnMeasureItem", &C::OnMeasureItem);
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { FCommand = AllocCommand(this); }

TMenuItem::~TMenuItem() {
  if (FParent) FParent->Remove(this);
  while (!FItems.empty()) {
    TMenuItem* c = FItems.back();
    FItems.pop_back();
    c->FParent = nullptr;
    delete c;
  }
  if (FMenu == nullptr) DestroyHandle();
  Commands().erase(FCommand);
}

TMenuItem* TMenuItem::Items(Integer Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError(L"Menu index out of range");
  return FItems[static_cast<size_t>(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Add(const std::vector<TMenuItem*>& AItems) {
  for (TMenuItem* i : AItems) Add(i);
}

void TMenuItem::Insert(Integer Index, TMenuItem* Item) {
  if (!Item) return;
  if (Item->FParent) throw EMenuError(L"Menu inserted twice");
  if (Index < 0 || Index > Count()) throw EMenuError(L"Menu index out of range");
  for (TMenuItem* p = this; p; p = p->FParent)
    if (p == Item) throw EMenuError(L"Menu inserted into itself");
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  MenuChanged();
}

void TMenuItem::Delete(Integer Index) {
  TMenuItem* c = Items(Index);
  FItems.erase(FItems.begin() + Index);
  c->FParent = nullptr;
  MenuChanged();
}

void TMenuItem::Remove(TMenuItem* Item) {
  Integer i = IndexOf(Item);
  if (i < 0) throw EMenuError(L"Sub-menu is not in menu");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

Integer TMenuItem::IndexOf(TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<Integer>(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const String& ACaption) const {
  String want = StripHotkey(ACaption);
  for (TMenuItem* i : FItems)
    if (SameText(StripHotkey(i->FCaption), want)) return i;
  return nullptr;
}

void TMenuItem::SetMenuIndex(Integer Value) {
  if (!FParent) return;
  TMenuItem* p = FParent;
  Integer cur = MenuIndex();
  if (Value < 0) Value = 0;
  if (Value >= p->Count()) Value = p->Count() - 1;
  if (Value == cur) return;
  p->FItems.erase(p->FItems.begin() + cur);
  p->FItems.insert(p->FItems.begin() + Value, this);
  MenuChanged();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->FParent) i = i->FParent;
  return i->FMenu;
}

void TMenuItem::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  MenuChanged();
}

void TMenuItem::TurnSiblingsOff() {
  if (!FParent) return;
  for (TMenuItem* s : FParent->FItems)
    if (s != this && s->FRadioItem && s->FGroupIndex == FGroupIndex) s->FChecked = false;
}

void TMenuItem::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (Value && FRadioItem) TurnSiblingsOff();
  MenuChanged();
}

void TMenuItem::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  MenuChanged();
}

void TMenuItem::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  MenuChanged();
}

void TMenuItem::SetDefault(bool Value) {
  if (FDefault == Value) return;
  if (Value && FParent)
    for (TMenuItem* s : FParent->FItems) s->FDefault = false;
  FDefault = Value;
  MenuChanged();
}

void TMenuItem::SetRadioItem(bool Value) {
  if (FRadioItem == Value) return;
  FRadioItem = Value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged();
}

void TMenuItem::SetGroupIndex(Byte Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged();
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  MenuChanged();
}

void TMenuItem::SetImageIndex(TImageIndex Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  MenuChanged();
}

void TMenuItem::SetBreak(TMenuBreak Value) {
  if (FBreak == Value) return;
  FBreak = Value;
  MenuChanged();
}

TBitmap* TMenuItem::Bitmap() {
  if (!FBitmap) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->OnChange = [this](TObject*) { MenuChanged(); };
  }
  return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) { Bitmap()->Assign(Value); }

void TMenuItem::SetSubMenuImages(TCustomImageList* Value) {
  if (FSubMenuImages == Value) return;
  if (FSubMenuImages) FSubMenuImages->RemoveFreeNotification(this);
  FSubMenuImages = Value;
  if (Value) Value->FreeNotification(this);
  MenuChanged();
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FSubMenuImages) {
    FSubMenuImages = nullptr;
    MenuChanged();
  }
}

TCustomImageList* TMenuItem::GetImageList() const {
  for (TMenuItem* p = FParent; p; p = p->FParent)
    if (p->FSubMenuImages) return p->FSubMenuImages;
  TMenu* m = GetParentMenu();
  return m ? m->Images() : nullptr;
}

bool TMenuItem::IsOwnerDraw() const {
  TMenu* m = GetParentMenu();
  return (m && m->OwnerDraw()) || OnMeasureItem || OnDrawItem || OnAdvancedDrawItem;
}

void TMenuItem::MenuChanged() {
  TMenu* m = GetParentMenu();
  if (m) m->MenuChanged();
}

HMENU TMenuItem::Handle() {
  if (TMenu* m = GetParentMenu()) {
    m->Handle();
    return FHandle;
  }
  if (!FHandle) {
    FHandle = CreatePopupMenu();
    for (TMenuItem* c : FItems) c->AppendTo(FHandle, false);
  }
  return FHandle;
}

void TMenuItem::DestroyHandle() {
  if (FHandle) DestroyMenu(FHandle);  // takes the submenus with it
  std::vector<TMenuItem*> stack{this};
  while (!stack.empty()) {
    TMenuItem* i = stack.back();
    stack.pop_back();
    i->FHandle = nullptr;
    for (TMenuItem* c : i->FItems) stack.push_back(c);
  }
}

void TMenuItem::AppendTo(HMENU Menu, bool TopLevel) {
  if (!FVisible) return;
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
  mii.wID = FCommand;
  mii.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  String text;
  if (IsLine() && !TopLevel) {
    mii.fType = MFT_SEPARATOR;
  } else {
    text = FCaption;
    if (FShortCut && !TopLevel) text += L"\t" + ShortCutToText(FShortCut);
    mii.fMask |= MIIM_STRING;
    mii.dwTypeData = text.data();
    if (FRadioItem) mii.fType |= MFT_RADIOCHECK;
    if (IsOwnerDraw()) mii.fType |= MFT_OWNERDRAW;
    if (FBreak == mbBreak) mii.fType |= MFT_MENUBREAK;
    if (FBreak == mbBarBreak) mii.fType |= MFT_MENUBARBREAK;
    if (FChecked) mii.fState |= MFS_CHECKED;
    if (!FEnabled) mii.fState |= MFS_DISABLED | MFS_GRAYED;
    if (FDefault) mii.fState |= MFS_DEFAULT;
    TCustomImageList* images = GetImageList();
    bool image = (images && FImageIndex >= 0) || (FBitmap && !FBitmap->Empty());
    if (image && !IsOwnerDraw() && !TopLevel) {
      // The image is drawn by the menu's owner when the system asks for it.
      mii.fMask |= MIIM_BITMAP;
      mii.hbmpItem = HBMMENU_CALLBACK;
    }
  }
  if (!FItems.empty()) {
    FHandle = CreatePopupMenu();
    for (TMenuItem* c : FItems) c->AppendTo(FHandle, false);
    mii.fMask |= MIIM_SUBMENU;
    mii.hSubMenu = FHandle;
  }
  InsertMenuItemW(Menu, static_cast<UINT>(GetMenuItemCount(Menu)), TRUE, &mii);
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FAutoCheck) SetChecked(FRadioItem ? true : !FChecked);
  if (OnClick) OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent && FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (FParent) FParent->Remove(this);
  if (auto* m = dynamic_cast<TMenu*>(Value)) m->Items()->Add(this);
  else if (auto* i = dynamic_cast<TMenuItem*>(Value)) i->Add(this);
}

void TMenuItem::GetChildren(const TGetChildProc& Proc, TComponent*) {
  for (TMenuItem* c : std::vector<TMenuItem*>(FItems)) Proc(c);
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, Integer& Width, Integer& Height) {
  TCustomImageList* images = GetImageList();
  Integer imgW = images ? images->Width() : 16, imgH = images ? images->Height() : 16;
  if (IsLine()) {
    Height = 5;
    Width = 10;
  } else {
    String text = StripHotkey(FCaption);
    if (FShortCut) text += L"    " + ShortCutToText(FShortCut);
    SIZE s = ACanvas->TextExtent(text.empty() ? String(L"W") : text);
    Width = s.cx + imgW + 16;
    Height = std::max<Integer>(s.cy + 4, imgH + 4);
  }
  if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, const RECT& ARect, TOwnerDrawState State,
                                 bool TopLevel) {
  if (OnAdvancedDrawItem) {
    OnAdvancedDrawItem(this, ACanvas, ARect, State);
    return;
  }
  if (OnDrawItem) {
    OnDrawItem(this, ACanvas, ARect, State.Contains(odSelected));
    return;
  }
  // The default look: highlight bar, image (or check), caption and shortcut.
  bool sel = State.Contains(odSelected);
  ACanvas->Brush()->SetColor(sel ? clHighlight : clMenu);
  ACanvas->FillRect(ARect);
  if (IsLine()) {
    Integer y = (ARect.top + ARect.bottom) / 2;
    ACanvas->Pen()->SetColor(clBtnShadow);
    ACanvas->MoveTo(ARect.left + 2, y);
    ACanvas->LineTo(ARect.right - 2, y);
    return;
  }
  TCustomImageList* images = GetImageList();
  Integer imgW = images ? images->Width() : 16;
  if (images && FImageIndex >= 0)
    images->Draw(ACanvas, ARect.left + 2,
                 (ARect.top + ARect.bottom - images->Height()) / 2, FImageIndex, FEnabled);
  else if (FChecked) {
    RECT r{ARect.left + 2, ARect.top, ARect.left + 2 + imgW, ARect.bottom};
    HDC dc = ACanvas->Handle();
    SetTextColor(dc, ColorToRGB(sel ? clHighlightText : clMenuText));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, FRadioItem ? L"\x25CF" : L"\x2713", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  ACanvas->Font()->SetColor(!FEnabled ? clGrayText : sel ? clHighlightText : clMenuText);
  RECT tr{ARect.left + imgW + 8, ARect.top, ARect.right - 4, ARect.bottom};
  HDC dc = ACanvas->Handle();
  SetBkMode(dc, TRANSPARENT);
  UINT flags = DT_VCENTER | DT_SINGLELINE | (State.Contains(odNoAccel) ? DT_HIDEPREFIX : 0);
  DrawTextW(dc, FCaption.c_str(), -1, &tr, flags | DT_LEFT);
  if (FShortCut && !TopLevel) {
    String sc = ShortCutToText(FShortCut);
    DrawTextW(dc, sc.c_str(), -1, &tr, flags | DT_RIGHT);
  }
}

// --- TMenu ---------------------------------------------------------------------------

void TMenu::DeclarePublished(TPublisher<TMenu>& P) {
  P.Property(L"Images", &TMenu::Images, &TMenu::SetImages);
  P.Property(L"OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw).Default(false);
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {
  FItems->FMenu = this;
  FImageChangeLink.OnChange = [this](TObject* S) { ImageListChange(S); };
}

TMenu::~TMenu() {
  if (FImages) FImages->UnRegisterChanges(&FImageChangeLink);
  FItems->DestroyHandle();
  // Children go before the root forgets the menu, so that none of them rebuilds it.
  FItems->FMenu = nullptr;
  FItems.reset();
}

void TMenu::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(FImages, Value, FImageChangeLink, this)) return;
  MenuChanged();
}

void TMenu::ImageListChange(TObject*) { MenuChanged(); }

void TMenu::SetOwnerDraw(bool Value) {
  if (FOwnerDraw == Value) return;
  FOwnerDraw = Value;
  MenuChanged();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    MenuChanged();
  }
}

void TMenu::Loaded() {
  inherited::Loaded();
  MenuChanged();
}

HMENU TMenu::Handle() {
  if (!FItems->FHandle) RebuildHandle();
  return FItems->FHandle;
}

void TMenu::RebuildHandle() {
  FItems->DestroyHandle();
  FItems->FHandle = IsPopup() ? CreatePopupMenu() : CreateMenu();
  for (TMenuItem* c : FItems->FItems) c->AppendTo(FItems->FHandle, !IsPopup());
}

// A popup menu rebuilds when it is next shown.
void TMenu::MenuChanged() {
  if (FItems && FItems->FHandle) FItems->DestroyHandle();
}

TMenuItem* TMenu::FindItem(UINT_PTR Value, TMenuItemFindKind Kind) {
  std::vector<TMenuItem*> stack(FItems->FItems.rbegin(), FItems->FItems.rend());
  while (!stack.empty()) {
    TMenuItem* i = stack.back();
    stack.pop_back();
    switch (Kind) {
      case fkCommand: if (i->FCommand == Value) return i; break;
      case fkHandle: if (i->FHandle && reinterpret_cast<UINT_PTR>(i->FHandle) == Value) return i; break;
      case fkShortCut: if (i->FShortCut && i->FShortCut == Value) return i; break;
    }
    for (auto it = i->FItems.rbegin(); it != i->FItems.rend(); ++it) stack.push_back(*it);
  }
  return nullptr;
}

bool TMenu::DispatchCommand(UINT ACommand) {
  TMenuItem* i = FindItem(ACommand, fkCommand);
  if (!i) return false;
  i->Click();
  return true;
}

bool TMenu::IsShortCut(TWMKey& Message) {
  if (Message.Msg != WM_KEYDOWN && Message.Msg != WM_SYSKEYDOWN &&
      Message.Msg != CN_KEYDOWN && Message.Msg != CN_SYSKEYDOWN)
    return false;
  TShiftState shift = KeyDataToShiftState(Message.KeyData());
  TShortCut sc = ::ShortCut(static_cast<Word>(Message.CharCode() & 0xFF), shift);
  if (!sc) return false;
  // Only an item whose whole path is enabled and visible runs.
  std::function<TMenuItem*(TMenuItem*)> find = [&](TMenuItem* parent) -> TMenuItem* {
    for (TMenuItem* i : parent->FItems) {
      if (!i->FEnabled || !i->FVisible) continue;
      if (i->FShortCut == sc) return i;
      if (TMenuItem* r = find(i)) return r;
    }
    return nullptr;
  };
  TMenuItem* item = find(FItems.get());
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::HandleOwnerDrawMessage(TMessage& Message) {
  if (Message.Msg == WM_MEASUREITEM) {
    MEASUREITEMSTRUCT* mis = TWMMeasureItem(Message).MeasureItemStruct();
    if (mis->CtlType != ODT_MENU) return false;
    TMenuItem* item = FindItem(mis->itemID, fkCommand);
    if (!item) return false;
    HDC dc = GetDC(nullptr);
    {
      TCanvas c;
      c.SetHandle(dc);
      if (TFont* f = MenuFont()) c.SetFont(f);
      if (item->IsOwnerDraw()) {
        Integer w = 0, h = 0;
        item->MeasureItem(&c, w, h);
        mis->itemWidth = static_cast<UINT>(std::max<Integer>(w, 0));
        mis->itemHeight = static_cast<UINT>(std::max<Integer>(h, 0));
      } else {
        TCustomImageList* images = item->GetImageList();
        bool fromList = images && item->ImageIndex() >= 0;
        mis->itemWidth = static_cast<UINT>(fromList ? images->Width() : item->Bitmap()->Width());
        mis->itemHeight = static_cast<UINT>(fromList ? images->Height() : item->Bitmap()->Height());
      }
      c.SetHandle(nullptr);
    }
    ReleaseDC(nullptr, dc);
    Message.Result = TRUE;
    return true;
  }
  if (Message.Msg == WM_DRAWITEM) {
    DRAWITEMSTRUCT* dis = TWMDrawItem(Message).DrawItemStruct();
    if (dis->CtlType != ODT_MENU) return false;
    TMenuItem* item = FindItem(dis->itemID, fkCommand);
    if (!item) return false;
    {
      TSavedDC saved(dis->hDC);
      TCanvas c;
      c.SetHandle(dis->hDC);
      if (TFont* f = MenuFont()) c.SetFont(f);
      TOwnerDrawState state = OwnerDrawStateOf(dis->itemState);
      if (item->IsOwnerDraw()) {
        item->AdvancedDrawItem(&c, dis->rcItem, state, item->Parent() == FItems.get() && !IsPopup());
      } else {
        TCustomImageList* images = item->GetImageList();
        if (images && item->ImageIndex() >= 0)
          images->Draw(&c, dis->rcItem.left,
                       (dis->rcItem.top + dis->rcItem.bottom - images->Height()) / 2,
                       item->ImageIndex(), item->Enabled());
        else if (item->Bitmap() && !item->Bitmap()->Empty())
          c.Draw(dis->rcItem.left, dis->rcItem.top, item->Bitmap());
      }
      c.SetHandle(nullptr);
    }
    Message.Result = TRUE;
    return true;
  }
  return false;
}

void TMenu::GetChildren(const TGetChildProc& Proc, TComponent*) {
  for (TMenuItem* c : std::vector<TMenuItem*>(FItems->FItems)) Proc(c);
}

// --- TMainMenu -----------------------------------------------------------------------

void TMainMenu::DeclarePublished(TPublisher<TMainMenu>& P) {
  P.Property(L"AutoMerge", &TMainMenu::AutoMerge, &TMainMenu::SetAutoMerge).Default(false);
}

namespace {

// The window showing a main menu is subclassed so that the menu's commands and
// owner-draw requests reach its items.
LRESULT CALLBACK MainMenuSubclass(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam, UINT_PTR,
                                  DWORD_PTR Data) {
  auto* menu = reinterpret_cast<TMainMenu*>(Data);
  switch (Msg) {
    case WM_COMMAND:
      if (HIWORD(WParam) == 0 && LParam == 0 && menu->DispatchCommand(LOWORD(WParam))) return 0;
      break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM: {
      TMessage m{Msg, WParam, LParam, 0};
      if (menu->HandleOwnerDrawMessage(m)) return m.Result;
      break;
    }
    default:
      break;
  }
  return DefSubclassProc(Wnd, Msg, WParam, LParam);
}

}  // namespace

TMainMenu::~TMainMenu() { SetWindowHandle(nullptr); }

void TMainMenu::SetWindowHandle(HWND Value) {
  if (FWindowHandle == Value) return;
  if (FWindowHandle && IsWindow(FWindowHandle)) {
    RemoveWindowSubclass(FWindowHandle, MainMenuSubclass, 1);
    if (GetMenu(FWindowHandle) == Items()->FHandle) ::SetMenu(FWindowHandle, nullptr);
  }
  FWindowHandle = Value;
  if (Value) {
    SetWindowSubclass(Value, MainMenuSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
    ::SetMenu(Value, Handle());
  }
}

// The menu bar shows the new menu before the old one goes. A menu being destroyed (its
// form going, its items leaving one by one) is not rebuilt for each item that leaves.
void TMainMenu::MenuChanged() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying) || !Items() ||
      !Items()->FHandle)
    return;
  HMENU old = Items()->FHandle;
  std::vector<TMenuItem*> stack{Items()};
  while (!stack.empty()) {
    TMenuItem* i = stack.back();
    stack.pop_back();
    i->FHandle = nullptr;
    for (TMenuItem* c : i->FItems) stack.push_back(c);
  }
  RebuildHandle();
  if (FWindowHandle && IsWindow(FWindowHandle)) {
    ::SetMenu(FWindowHandle, Items()->FHandle);
    DrawMenuBar(FWindowHandle);
  }
  DestroyMenu(old);
}

// --- TPopupMenu ----------------------------------------------------------------------

void TPopupMenu::DeclarePublished(TPublisher<TPopupMenu>& P) {
  using C = TPopupMenu;
  P.Property(L"Alignment", &C::Alignment, &C::SetAlignment).Default(paLeft);
  P.Property(L"AutoPopup", &C::AutoPopup, &C::SetAutoPopup).Default(true);
  P.Property(L"TrackButton", &C::TrackButton, &C::SetTrackButton).Default(tbRightButton);
  P.Property(L"OnPopup", &C::OnPopup);
  P.Property(L"OnClose", &C::OnClose);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::DoPopup(TObject* Sender) {
  if (OnPopup) OnPopup(Sender);
}

void TPopupMenu::Popup(Integer X, Integer Y) {
  FPopupPoint = POINT{X, Y};
  DoPopup(this);
  RebuildHandle();
  UINT flags = TPM_RETURNCMD | (FTrackButton == tbLeftButton ? TPM_LEFTBUTTON : TPM_RIGHTBUTTON);
  switch (FAlignment) {
    case paRight: flags |= TPM_RIGHTALIGN; break;
    case paCenter: flags |= TPM_CENTERALIGN; break;
    default: flags |= TPM_LEFTALIGN; break;
  }
  HWND owner = PopupList();
  UINT cmd = static_cast<UINT>(TrackPopupMenu(Handle(), flags, X, Y, 0, owner, nullptr));
  PostMessageW(owner, WM_NULL, 0, 0);
  if (OnClose) OnClose(this);
  if (cmd) DispatchCommand(cmd);
}

// --- control helpers -----------------------------------------------------------------

bool IsMenuShortCut(TControl* Control, TWMKey& Message) {
  for (TControl* c = Control; c; c = c->Parent())
    if (TPopupMenu* p = c->PopupMenu())
      if (p->IsShortCut(Message)) return true;
  if (!Control) return false;
  TCustomForm* form = GetParentForm(Control);
  return form && form->IsShortCut(Message);
}

bool ShowControlPopupMenu(TControl* Control, POINT ScreenPos) {
  if (!Control) return false;
  TPopupMenu* p = Control->GetPopupMenu();
  if (!p || !p->AutoPopup()) return false;
  p->SetPopupComponent(Control);
  p->Popup(ScreenPos.x, ScreenPos.y);
  return true;
}
