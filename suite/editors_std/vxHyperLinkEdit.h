// A text editor whose text is a link, opened with the shell on a double click, a single
// click or a shortcut key. Only text that names a known link scheme is ever handed to the
// shell: the link is opened, never run as a program.
#pragma once

#include "Menus.h"
#include "vxTextEdit.h"

enum TvxHyperLinkEditUsePrefix { upAlways, upOnlyOnExecute, upNever };

// How the edit opens a link: ShellExecuteW looked up by name in shell32. Tests put their
// own in to see what would be opened.
using TvxShellExecuteProc = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
TvxShellExecuteProc vxGetShellExecuteProc();
TvxShellExecuteProc vxSetShellExecuteProc(TvxShellExecuteProc Proc);

// The link schemes opened without a prefix of the properties' own.
constexpr const wchar_t* vxHyperLinkKnownSchemes[] = {L"http", L"https", L"ftp", L"mailto", L"file"};
// The scheme a text begins with ("http" for "http://x"), or empty when it names none.
String vxHyperLinkScheme(const String& AText);

class TvxCustomHyperLinkEditProperties : public TvxCustomTextEditProperties {
  DECLARE_CLASS(TvxCustomHyperLinkEditProperties, TvxCustomTextEditProperties)
 public:
  explicit TvxCustomHyperLinkEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, TvxCustomEdit* AEdit) override;
  // The text trimmed, with Prefix put in front when it lacks it (case-sensitive test).
  virtual String AddPrefixTo(const String& AText);
  // Whether a link text may be opened: it names http, https, ftp, mailto, file or the
  // scheme of Prefix, and holds no control characters.
  virtual bool IsOpenableLink(const String& ALink);

  TColor LinkColor() const { return FLinkColor; }
  void SetLinkColor(TColor Value);
  const String& Prefix() const { return FPrefix; }
  void SetPrefix(const String& Value) { FPrefix = Value; }
  bool SingleClick() const { return FSingleClick; }
  void SetSingleClick(bool Value);
  TShortCut StartKey() const { return FStartKey; }
  void SetStartKey(TShortCut Value) { FStartKey = Value; }
  TvxHyperLinkEditUsePrefix UsePrefix() const { return FUsePrefix; }
  void SetUsePrefix(TvxHyperLinkEditUsePrefix Value) { FUsePrefix = Value; }
  bool AutoComplete() const { return FUsePrefix != upNever; }
  void SetAutoComplete(bool Value) { FUsePrefix = Value ? upAlways : upNever; }
  TNotifyEvent OnStartClick;

 private:
  TColor FLinkColor = TColor(0xFF0000);
  String FPrefix = L"http://";
  bool FSingleClick = false;
  TShortCut FStartKey = 16397;  // Ctrl+Enter
  TvxHyperLinkEditUsePrefix FUsePrefix = upAlways;
};

class TvxHyperLinkEditProperties : public TvxCustomHyperLinkEditProperties {
  DECLARE_CLASS(TvxHyperLinkEditProperties, TvxCustomHyperLinkEditProperties)
 public:
  using TvxCustomHyperLinkEditProperties::TvxCustomHyperLinkEditProperties;
};

class TvxCustomHyperLinkEdit : public TvxCustomTextEdit {
  DECLARE_CLASS(TvxCustomHyperLinkEdit, TvxCustomTextEdit)
 public:
  using TvxCustomTextEdit::TvxCustomTextEdit;
  TvxCustomHyperLinkEditProperties* ActiveProperties() const {
    return static_cast<TvxCustomHyperLinkEditProperties*>(TvxCustomTextEdit::ActiveProperties());
  }
  TvxCustomHyperLinkEditProperties* Properties() const {
    return static_cast<TvxCustomHyperLinkEditProperties*>(TvxCustomTextEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxCustomHyperLinkEditProperties::StaticClass(); }
  // Opens the link of the edit's text (or runs OnStartClick instead).
  virtual void DoStart();

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
};

class TvxHyperLinkEdit : public TvxCustomHyperLinkEdit {
  DECLARE_CLASS(TvxHyperLinkEdit, TvxCustomHyperLinkEdit)
 public:
  using TvxCustomHyperLinkEdit::TvxCustomHyperLinkEdit;
  TClass GetPropertiesClass() override { return TvxHyperLinkEditProperties::StaticClass(); }
};

// Filter rows type link texts into a hyperlink edit.
class TvxFilterHyperLinkEditHelper : public TvxFilterTextEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterHyperLinkEditHelper, TvxFilterTextEditHelper)
 public:
  TClass GetFilterEditClass() const override { return TvxHyperLinkEdit::StaticClass(); }
};

extern const TUnitInfo vxHyperLinkEditUnit;
