// Dialogs: message boxes (ShowMessage, MessageDlg and the dialog form behind it) and
// the system's file open and save dialogs.
#pragma once

#include <windows.h>

#include <memory>

#include "Classes.h"
#include "Forms.h"
#include "SysInit.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll,
  mbHelp, mbClose
};
using TMsgDlgButtons = Set<TMsgDlgBtn, 16>;
const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
const TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
const TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// A dialog form with the type's icon, the message and one button per member of
// Buttons (in the enumeration's order); each button closes it with its modal result.
TForm* CreateMessageDialog(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Shows that dialog modally and answers the modal result of the button pressed.
Integer MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, Integer HelpCtx = 0);
// A message with an OK button, titled with the application's title.
void ShowMessage(const String& Msg);
void ShowMessageFmt(const String& Msg, TVarRecs Params);

enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
  ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
  ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
  ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing,
  ofDontAddToRecent, ofForceShowHidden
};
using TOpenOptions = Set<TOpenOption, 32>;

class TCommonDialog : public TComponent {
  DECLARE_CLASS(TCommonDialog, TComponent)
 public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute() = 0;
  HWND Handle() const { return FHandle; }
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  HWND FHandle = nullptr;
};

class TOpenDialog : public TCommonDialog {
  DECLARE_CLASS(TOpenDialog, TCommonDialog)
  PUBLISHED(TOpenDialog)
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  String FileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  // The chosen files (more than one with ofAllowMultiSelect).
  TStrings* Files() const { return FFiles.get(); }
  // "Description|pattern|Description|pattern".
  String Filter() const { return FFilter; }
  void SetFilter(const String& Value) { FFilter = Value; }
  // 1-based, as the system counts filters.
  Integer FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(Integer Value) { FFilterIndex = Value; }
  String InitialDir() const { return FInitialDir; }
  void SetInitialDir(const String& Value) { FInitialDir = Value; }
  String DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const String& Value) { FDefaultExt = Value; }
  String Title() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  TOpenOptions Options() const { return FOptions; }
  void SetOptions(TOpenOptions Value) { FOptions = Value; }
  bool Execute() override;
  // The filter in the system's form: pairs separated by NUL characters, two at the end.
  static String SystemFilter(const String& Filter);

 protected:
  virtual bool DoExecute(bool Save);
  void* FHook = nullptr;

 private:
  std::unique_ptr<TStringList> FFiles;
  String FFileName, FFilter, FInitialDir, FDefaultExt, FTitle;
  Integer FFilterIndex = 1;
  TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
  DECLARE_CLASS(TSaveDialog, TOpenDialog)
  PUBLISHED(TSaveDialog)
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  bool Execute() override;
};

// Registers the unit's classes for the form streaming.
extern const TUnitInfo DialogsUnit;
