#include "Dialogs.h"

#include <commdlg.h>

#include <algorithm>

#include "ExtCtrls.h"
#include "StdCtrls.h"

namespace {

// A function of the common dialog library, bound by name. The library (and what it pulls in,
// the print spooler among them) is loaded when a file dialog is first shown, not with the
// program: most runs never show one.
template <class F>
F CommonDialogFunction(const char* Name) {
  static const HMODULE library = LoadLibraryW(L"comdlg32.dll");
  return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, Name))) : nullptr;
}

struct TButtonInfo {
  const wchar_t* Caption;
  TModalResult Result;
};

// Captions and results by button, in the enumeration's order.
const TButtonInfo ButtonInfo[] = {
    {L"&Yes", mrYes},       {L"&No", mrNo},           {L"OK", mrOk},
    {L"Cancel", mrCancel},  {L"&Abort", mrAbort},     {L"&Retry", mrRetry},
    {L"&Ignore", mrIgnore}, {L"&All", mrAll},         {L"N&o to All", mrNoToAll},
    {L"Yes to &All", mrYesToAll}, {L"&Help", mrNone}, {L"&Close", mrClose}};

const wchar_t* const Captions[] = {L"Warning", L"Error", L"Information", L"Confirm", nullptr};
const wchar_t* const Icons[] = {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION, nullptr};

HWND ActiveOwner() {
  HWND w = GetActiveWindow();
  return w ? w : (Application && Application->MainForm() ? Application->MainForm()->Handle() : nullptr);
}

}  // namespace

TForm* CreateMessageDialog(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  auto* f = TCustomForm::Create<TForm>(Application);
  // A dialog that cannot be built is freed.
  TScopeExit free([f] { delete f; });
  f->SetBorderStyle(bsDialog);
  f->SetPosition(poScreenCenter);
  f->SetCaption(Captions[DlgType] ? String(Captions[DlgType]) : (Application ? Application->Title() : String()));
  const Integer margin = 12, spacing = 8, buttonW = 75, buttonH = 25;
  Integer x = margin;
  if (Icons[DlgType]) {
    auto* image = new TImage(f);
    image->SetName(L"Image");
    image->SetBounds(margin, margin, 32, 32);
    TIcon icon;
    icon.SetHandle(static_cast<HICON>(CopyIcon(LoadIconW(nullptr, Icons[DlgType]))));
    image->Picture()->SetIcon(&icon);
    image->SetParent(f);
    x += 32 + margin;
  }
  auto* text = new TLabel(f);
  text->SetName(L"Message");
  text->SetParentFont(true);
  text->SetWordWrap(true);
  text->SetShowAccelChar(false);
  text->SetBounds(x, margin, Screen ? Screen->Width() / 3 : 400, 13);
  text->SetParent(f);
  text->SetCaption(Msg);
  Integer count = 0;
  for (int b = mbYes; b <= mbClose; ++b)
    if (Buttons.Contains(static_cast<TMsgDlgBtn>(b))) ++count;
  Integer rowW = count * buttonW + std::max<Integer>(count - 1, 0) * spacing;
  Integer contentW = std::max<Integer>(text->Left() + text->Width() + margin, rowW + 2 * margin);
  Integer top = std::max<Integer>(text->Top() + text->Height(), Icons[DlgType] ? margin + 32 : 0) + margin;
  f->SetClientWidth(contentW);
  f->SetClientHeight(top + buttonH + margin);
  Integer bx = (contentW - rowW) / 2;
  bool haveDefault = false;
  for (int b = mbYes; b <= mbClose; ++b) {
    auto btn = static_cast<TMsgDlgBtn>(b);
    if (!Buttons.Contains(btn)) continue;
    auto* button = new TButton(f);
    button->SetName(String(L"Button") + std::to_wstring(b));
    button->SetCaption(ButtonInfo[b].Caption);
    button->SetModalResult(ButtonInfo[b].Result);
    button->SetBounds(bx, top, buttonW, buttonH);
    if (!haveDefault && (btn == mbOK || btn == mbYes)) {
      button->SetDefault(true);
      haveDefault = true;
    }
    if (btn == mbCancel || (btn == mbNo && !Buttons.Contains(mbCancel)) ||
        (btn == mbOK && !Buttons.Contains(mbCancel)))
      button->SetCancel(true);
    button->SetParent(f);
    bx += buttonW + spacing;
  }
  free.Dismiss();
  return f;
}

Integer MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, Integer HelpCtx) {
  std::unique_ptr<TForm> f(CreateMessageDialog(Msg, DlgType, Buttons));
  f->SetHelpContext(HelpCtx);
  return f->ShowModal();
}

void ShowMessage(const String& Msg) {
  String title = Application ? Application->Title() : String();
  MessageBoxW(ActiveOwner(), Msg.c_str(), title.c_str(), MB_OK);
}

void ShowMessageFmt(const String& Msg, TVarRecs Params) { ShowMessage(Format(Msg, Params)); }

// =======================================================================================
// TOpenDialog, TSaveDialog

void TOpenDialog::DeclarePublished(TPublisher<TOpenDialog>& P) {
  using C = TOpenDialog;
  P.Property(L"DefaultExt", &C::DefaultExt, &C::SetDefaultExt);
  P.Property(L"FileName", &C::FileName, &C::SetFileName);
  P.Property(L"Filter", &C::Filter, &C::SetFilter);
  P.Property(L"FilterIndex", &C::FilterIndex, &C::SetFilterIndex).Default(1);
  P.Property(L"InitialDir", &C::InitialDir, &C::SetInitialDir);
  P.Property(L"Title", &C::Title, &C::SetTitle);
}

void TSaveDialog::DeclarePublished(TPublisher<TSaveDialog>&) {}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(new TStringList()) {}
TOpenDialog::~TOpenDialog() = default;

String TOpenDialog::SystemFilter(const String& Filter) {
  if (Filter.empty()) return String(2, L'\0');
  String r = Filter;
  std::replace(r.begin(), r.end(), L'|', L'\0');
  r.push_back(L'\0');
  r.push_back(L'\0');
  return r;
}

bool TOpenDialog::Execute() { return DoExecute(false); }
bool TSaveDialog::Execute() { return DoExecute(true); }

bool TOpenDialog::DoExecute(bool Save) {
  const size_t bufferSize = 32 * 1024;
  std::wstring buffer(bufferSize, L'\0');
  std::copy(FFileName.begin(), FFileName.begin() + static_cast<std::ptrdiff_t>(std::min(FFileName.size(), bufferSize - 1)), buffer.begin());
  String filter = SystemFilter(FFilter);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ActiveOwner();
  ofn.lpstrFilter = FFilter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(FFilterIndex);
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(bufferSize);
  ofn.lpstrInitialDir = FInitialDir.empty() ? nullptr : FInitialDir.c_str();
  ofn.lpstrTitle = FTitle.empty() ? nullptr : FTitle.c_str();
  ofn.lpstrDefExt = FDefaultExt.empty() ? nullptr : FDefaultExt.c_str();
  struct { TOpenOption O; DWORD F; } map[] = {
      {ofReadOnly, OFN_READONLY}, {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
      {ofHideReadOnly, OFN_HIDEREADONLY}, {ofNoChangeDir, OFN_NOCHANGEDIR},
      {ofShowHelp, OFN_SHOWHELP}, {ofNoValidate, OFN_NOVALIDATE},
      {ofAllowMultiSelect, OFN_ALLOWMULTISELECT}, {ofPathMustExist, OFN_PATHMUSTEXIST},
      {ofFileMustExist, OFN_FILEMUSTEXIST}, {ofCreatePrompt, OFN_CREATEPROMPT},
      {ofShareAware, OFN_SHAREAWARE}, {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
      {ofNoTestFileCreate, OFN_NOTESTFILECREATE}, {ofNoNetworkButton, OFN_NONETWORKBUTTON},
      {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS}, {ofEnableSizing, OFN_ENABLESIZING},
      {ofDontAddToRecent, OFN_DONTADDTORECENT}, {ofForceShowHidden, OFN_FORCESHOWHIDDEN}};
  ofn.Flags = OFN_EXPLORER;
  for (auto& m : map)
    if (FOptions.Contains(m.O)) ofn.Flags |= m.F;
  if (OnShow) OnShow(this);
  using TFileDialog = BOOL(WINAPI*)(LPOPENFILENAMEW);
  using TExtendedError = DWORD(WINAPI*)();
  const auto dialog = CommonDialogFunction<TFileDialog>(Save ? "GetSaveFileNameW" : "GetOpenFileNameW");
  const auto extendedError = CommonDialogFunction<TExtendedError>("CommDlgExtendedError");
  if (!dialog || !extendedError) RaiseLastOSError();
  BOOL ok = dialog(&ofn);
  if (OnClose) OnClose(this);
  if (!ok) {
    DWORD err = extendedError();
    if (err != 0) throw EOSError(L"The file dialog failed (error %d)", {static_cast<Integer>(err)});
    return false;
  }
  FFilterIndex = static_cast<Integer>(ofn.nFilterIndex);
  FFiles->Clear();
  // A multiple selection comes as the folder and then each name, NUL-separated.
  const wchar_t* p = buffer.c_str();
  String first = p;
  p += first.size() + 1;
  if ((ofn.Flags & OFN_ALLOWMULTISELECT) && *p) {
    String dir = first;
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    while (*p) {
      String name = p;
      FFiles->Add(dir + name);
      p += name.size() + 1;
    }
    FFileName = FFiles->Strings(0);
  } else {
    FFileName = first;
    FFiles->Add(first);
  }
  return true;
}

// =======================================================================================
// Unit start-up and shut-down

namespace {

// The classes form files may name, registered while the unit runs.
std::vector<TClass> DialogsClasses() { return {TOpenDialog::StaticClass(), TSaveDialog::StaticClass()}; }

void InitDialogs() {
  for (TClass c : DialogsClasses()) RegisterClass(c);
}

void DoneDialogs() {
  for (TClass c : DialogsClasses()) UnRegisterClass(c);
}

}  // namespace

const TUnitInfo DialogsUnit{L"Dialogs", InitDialogs, DoneDialogs};
