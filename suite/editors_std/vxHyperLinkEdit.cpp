#include "vxHyperLinkEdit.h"

#include <cwctype>

#include "Libraries.h"
#include "vxEditConsts.h"

namespace {
TvxShellExecuteProc GShellExecute = nullptr;
bool GShellExecuteSet = false;

bool IsSchemeChar(wchar_t C, bool First) {
  const bool Letter = (C >= L'a' && C <= L'z') || (C >= L'A' && C <= L'Z');
  if (First) return Letter;
  return Letter || (C >= L'0' && C <= L'9') || C == L'+' || C == L'-' || C == L'.';
}
}  // namespace

TvxShellExecuteProc vxGetShellExecuteProc() {
  if (!GShellExecuteSet) {
    GShellExecute = ModuleFunction<TvxShellExecuteProc>(L"shell32.dll", "ShellExecuteW");
    if (!GShellExecute) {
      static TLibrary Shell32(L"shell32.dll");
      Shell32.Bind(GShellExecute, "ShellExecuteW");
    }
    GShellExecuteSet = true;
  }
  return GShellExecute;
}

TvxShellExecuteProc vxSetShellExecuteProc(TvxShellExecuteProc Proc) {
  TvxShellExecuteProc Old = vxGetShellExecuteProc();
  GShellExecute = Proc;
  GShellExecuteSet = true;
  return Old;
}

String vxHyperLinkScheme(const String& AText) {
  size_t I = 0;
  while (I < AText.size() && IsSchemeChar(AText[I], I == 0)) ++I;
  // A single letter before the colon is a drive ("C:\..."), not a scheme.
  if (I < 2 || I >= AText.size() || AText[I] != L':') return String();
  String S = AText.substr(0, I);
  for (wchar_t& C : S) C = static_cast<wchar_t>(std::towlower(C));
  return S;
}

// --- Properties -------------------------------------------------------------------------------------------

TvxCustomHyperLinkEditProperties::TvxCustomHyperLinkEditProperties(TPersistent* AOwner)
    : TvxCustomTextEditProperties(AOwner) {
  SetAutoSelect(false);
}

void TvxCustomHyperLinkEditProperties::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TvxCustomHyperLinkEditProperties*>(Source);
  if (!S) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  auto End = TScopeExit([this] { EndUpdate(); });
  inherited::Assign(Source);
  SetLinkColor(S->LinkColor());
  SetPrefix(S->Prefix());
  SetSingleClick(S->SingleClick());
  SetStartKey(S->StartKey());
  SetUsePrefix(S->UsePrefix());
  OnStartClick = S->OnStartClick;
}

TClass TvxCustomHyperLinkEditProperties::GetContainerClass() { return TvxHyperLinkEdit::StaticClass(); }

void TvxCustomHyperLinkEditProperties::SetLinkColor(TColor Value) {
  if (FLinkColor == Value) return;
  FLinkColor = Value;
  Changed();
}

void TvxCustomHyperLinkEditProperties::SetSingleClick(bool Value) {
  if (FSingleClick == Value) return;
  FSingleClick = Value;
  Changed();
}

String TvxCustomHyperLinkEditProperties::AddPrefixTo(const String& AText) {
  String R = Trim(AText);
  if (!FPrefix.empty() && !R.empty() && R.compare(0, FPrefix.size(), FPrefix) != 0) R = Trim(FPrefix + R);
  return R;
}

bool TvxCustomHyperLinkEditProperties::IsOpenableLink(const String& ALink) {
  for (wchar_t C : ALink)
    if (C < 0x20 || C == 0x7F) return false;
  const String Scheme = vxHyperLinkScheme(ALink);
  if (Scheme.empty()) return false;
  for (const wchar_t* Known : vxHyperLinkKnownSchemes)
    if (Scheme == Known) return true;
  return Scheme == vxHyperLinkScheme(FPrefix);
}

void TvxCustomHyperLinkEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                            TvxCustomEdit* AEdit) {
  if (FUsePrefix == upAlways) ADisplayValue = Variant(AddPrefixTo(VarToWideStr(ADisplayValue)));
  inherited::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

// --- Edit -------------------------------------------------------------------------------------------------------

void TvxCustomHyperLinkEdit::DoStart() {
  bool Assigned = false;
  if (Properties()->OnStartClick) {
    Properties()->OnStartClick(this);
    Assigned = true;
  }
  if (RepositoryItem() && ActiveProperties()->OnStartClick) {
    ActiveProperties()->OnStartClick(this);
    Assigned = true;
  }
  if (Assigned) return;
  TvxCustomHyperLinkEditProperties* P = ActiveProperties();
  String Link = Trim(Text());
  if (P->UsePrefix() != upNever) Link = P->AddPrefixTo(Link);
  // Text that names no link scheme is never given to the shell, which would run it.
  if (Link.empty() || !P->IsOpenableLink(Link)) return;
  if (TvxShellExecuteProc Open = vxGetShellExecuteProc())
    Open(nullptr, L"OPEN", Link.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void TvxCustomHyperLinkEdit::KeyDown(Word& Key, TShiftState Shift) {
  if (Key != 0 && ShortCut(Key, Shift) == ActiveProperties()->StartKey()) {
    DoStart();
    Key = 0;
    return;
  }
  inherited::KeyDown(Key, Shift);
}

void TvxCustomHyperLinkEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  const RECT R{0, 0, Width(), Height()};
  if (Button == mbLeft && Shift.Contains(ssDouble) && !ActiveProperties()->SingleClick() && PtInRect(&R, POINT{X, Y}))
    DoStart();
}

void TvxCustomHyperLinkEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  const RECT R{0, 0, Width(), Height()};
  if (Button == mbLeft && ActiveProperties()->SingleClick() && SelLength() == 0 && PtInRect(&R, POINT{X, Y}))
    DoStart();
}

namespace {
void InitHyperLink() {
  RegisterClass(TvxHyperLinkEdit::StaticClass());
  GetEditPropertiesRegistry()->Register(TvxHyperLinkEditProperties::StaticClass(),
                                        vxGetResString(&svxSEditRepositoryHyperLinkItem));
  GetFilterEditsController()->Register(TvxHyperLinkEditProperties::StaticClass(),
                                       TvxFilterHyperLinkEditHelper::Class());
}
void FinHyperLink() {
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TvxHyperLinkEditProperties::StaticClass(),
                                           TvxFilterHyperLinkEditHelper::Class());
  UnRegisterClass(TvxHyperLinkEdit::StaticClass());
  if (TvxRegisteredClasses* R = GetEditPropertiesRegistry()) R->Unregister(TvxHyperLinkEditProperties::StaticClass());
}
}  // namespace

const TUnitInfo vxHyperLinkEditUnit = {L"vxHyperLinkEdit", InitHyperLink, FinHyperLink};
