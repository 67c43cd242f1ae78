// The multi-line text editor: its value is the whole text, edited in a multi-line edit
// control; painted as a cell it shows the first line.
#pragma once

#include <vector>

#include "StdCtrls.h"
#include "vxFilterControlUtils.h"
#include "vxTextEdit.h"

class TvxCustomMemoProperties : public TvxCustomTextEditProperties {
  DECLARE_CLASS(TvxCustomMemoProperties, TvxCustomTextEditProperties)
 public:
  explicit TvxCustomMemoProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  // The text editor's text, cut to its first line (at most 250 characters) unless AFullText.
  String GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  TvxCustomEditViewData* CreateViewData(TvxCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;
  TvxCustomEditViewInfo* CreateViewInfo() override;

  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  Integer VisibleLineCount() const { return FVisibleLineCount; }
  void SetVisibleLineCount(Integer Value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value);
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

 private:
  TScrollStyle FScrollBars = ssNone;
  Integer FVisibleLineCount = 0;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = true;
};

class TvxCustomMemoViewInfo : public TvxCustomTextEditViewInfo {
  DECLARE_CLASS(TvxCustomMemoViewInfo, TvxCustomTextEditViewInfo)
 public:
  TvxCustomMemoViewInfo() = default;
};

// A memo's size: room for a horizontal scroll bar and for the visible line count.
class TvxCustomMemoViewData : public TvxCustomTextEditViewData {
  DECLARE_CLASS(TvxCustomMemoViewData, TvxCustomTextEditViewData)
 public:
  using TvxCustomTextEditViewData::TvxCustomTextEditViewData;
  // With an editor and a horizontal scroll bar the fixed part is a scroll bar taller; with
  // VisibleLineCount the content is at least that many lines high.
  TSize GetEditConstantPartSize(TvxCanvas* ACanvas, const TvxEditSizeProperties& AEditSizeProperties,
                                TSize& MinContentSize, TvxCustomEditViewInfo* AViewInfo = nullptr) override;
  TvxCustomMemoProperties* MemoProperties() const { return static_cast<TvxCustomMemoProperties*>(Properties()); }
};

class TvxMemoProperties : public TvxCustomMemoProperties {
  DECLARE_CLASS(TvxMemoProperties, TvxCustomMemoProperties)
  PUBLISHED(TvxMemoProperties)
 public:
  using TvxCustomMemoProperties::TvxCustomMemoProperties;
};

// Filter rows type a memo's filter text in a text edit: only likeness and blanks apply.
class TvxFilterMemoHelper : public TvxCustomFilterEditHelper {
  DECLARE_FILTER_EDIT_HELPER(TvxFilterMemoHelper, TvxCustomFilterEditHelper)
 public:
  TClass GetFilterEditClass() const override;
  TvxFilterControlOperators GetSupportedFilterOperators(TvxCustomEditProperties* AProperties,
                                                        TvxValueTypeClass AValueTypeClass,
                                                        bool AExtendedSet = false) const override;
};

// The first line of a text: cut at the first CR or LF, and to 250 characters.
String MemoFirstLine(const String& AText);
// Text that replaces a selection: every LF CR pair becomes CR LF CR LF; CR LF pairs and
// lone CR or LF stay.
String MemoConvertLineBreaks(const String& AText);

class TvxCustomMemo;

// The memo's text as lines, read from and written to its edit control: with a window the
// control's own lines (wrapped lines count as the control shows them), without one the
// text split at its line breaks. Inside BeginUpdate/EndUpdate changes collect in a copy that
// is written once at the end.
class TvxMemoLines : public TStrings {
  DECLARE_CLASS(TvxMemoLines, TStrings)
 public:
  explicit TvxMemoLines(TvxCustomMemo* AMemo) : FMemo(AMemo) {}
  void Clear() override;
  void Delete(Integer Index) override;
  void Insert(Integer Index, const String& S) override;
  void Put(Integer Index, const String& S) override;
  String GetTextStr() const override;
  void SetTextStr(const String& Value) override;

 protected:
  String Get(Integer Index) const override;
  Integer GetCount() const override;
  void SetUpdateState(bool Updating) override;

 private:
  HWND Window() const;
  std::vector<String> Snapshot() const;
  void Write(const std::vector<String>& ALines);
  void Check(Integer Index, Integer Max) const;
  TvxCustomMemo* FMemo;
  bool FBuffered = false;
  std::vector<String> FBuffer;  // the lines while an update collects changes
};

class TvxCustomInnerMemo;

// What the memo's inner control offers besides a text edit's: the caret as column and
// line, the lines, and the memo's line settings.
class IvxInnerMemo {
 public:
  virtual TPoint GetCaretPos() = 0;
  virtual void SetCaretPos(const TPoint& Value) = 0;
  virtual TStrings* GetLines() = 0;
  virtual TScrollStyle GetScrollBars() = 0;
  virtual void SetScrollBars(TScrollStyle Value) = 0;
  virtual bool GetWantReturns() = 0;
  virtual void SetWantReturns(bool Value) = 0;
  virtual bool GetWantTabs() = 0;
  virtual void SetWantTabs(bool Value) = 0;
  virtual bool GetWordWrap() = 0;
  virtual void SetWordWrap(bool Value) = 0;

 protected:
  ~IvxInnerMemo() = default;
};

// The memo's inner control as its editor sees it: a text edit that is always multi-line
// and never echoes with a password character.
class TvxCustomInnerMemoHelper : public TvxCustomInnerTextEditHelper, public IvxInnerMemo {
 public:
  explicit TvxCustomInnerMemoHelper(TvxCustomInnerMemo* AEdit);
  // With a window the text goes in with the memo's change events held (one notification
  // follows); an in-place memo that wraps clears its lines first.
  void SetEditValue(const Variant& Value) override;
  TvxEditEchoMode GetEchoMode() override { return eemNormal; }
  void SetEchoMode(TvxEditEchoMode) override {}
  wchar_t GetPasswordChar() override { return 0; }
  void SetPasswordChar(wchar_t) override {}
  wchar_t GetImeLastChar() override { return 0; }
  bool GetMultiLine() override { return true; }
  TPoint GetCaretPos() override;
  void SetCaretPos(const TPoint& Value) override;
  TStrings* GetLines() override;
  TScrollStyle GetScrollBars() override;
  void SetScrollBars(TScrollStyle Value) override;
  bool GetWantReturns() override;
  void SetWantReturns(bool Value) override;
  bool GetWantTabs() override;
  void SetWantTabs(bool Value) override;
  bool GetWordWrap() override;
  void SetWordWrap(bool Value) override;

 private:
  TvxCustomInnerMemo* FMemoEdit;
};

// The multi-line edit control inside the memo.
class TvxCustomInnerMemo : public TvxCustomInnerTextEdit {
  DECLARE_CLASS(TvxCustomInnerMemo, TvxCustomInnerTextEdit)
 public:
  explicit TvxCustomInnerMemo(TComponent* AOwner);
  TvxCustomInnerMemoHelper* MemoHelper() const { return static_cast<TvxCustomInnerMemoHelper*>(Helper()); }
  TvxCustomMemo* Memo();
  void WndProc(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
};

class TvxCustomMemo : public TvxCustomTextEdit {
  DECLARE_CLASS(TvxCustomMemo, TvxCustomTextEdit)
 public:
  using TvxCustomTextEdit::TvxCustomTextEdit;
  TvxCustomMemoProperties* ActiveProperties() const {
    return static_cast<TvxCustomMemoProperties*>(TvxCustomTextEdit::ActiveProperties());
  }
  TvxCustomMemoProperties* Properties() const {
    return static_cast<TvxCustomMemoProperties*>(TvxCustomTextEdit::Properties());
  }
  TClass GetPropertiesClass() override { return TvxCustomMemoProperties::StaticClass(); }
  TvxCustomInnerMemo* InnerMemo() const { return dynamic_cast<TvxCustomInnerMemo*>(InnerTextControl()); }
  // Lines of the text as the edit control holds them.
  Integer LineCount();
  TStrings* Lines() const { return FLines.get(); }
  // Copies the given lines into the memo.
  void SetLines(TStrings* Value) { FLines->Assign(Value); }
  // X is the column, Y the line, both from 0.
  TPoint CaretPos();
  void SetCaretPos(const TPoint& Value);
  // Replaces the selection. While the memo has the focus and MaxLength is set, the new text
  // is cut so that the whole text (before, new, after the selection) stays within MaxLength;
  // nothing happens when no room is left.
  void SetSelText(const String& Value);

 protected:
  void Initialize() override;
  TClass GetInnerEditClass() override { return TvxCustomInnerMemo::StaticClass(); }
  void PropertiesChanged(TObject* Sender) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void ProcessKeyDown(Word& Key, TShiftState Shift) override;
  // A memo read from a form takes its edit value from the lines read.
  void ReadState(TReader* Reader) override;

 private:
  std::unique_ptr<TvxMemoLines> FLines = std::make_unique<TvxMemoLines>(this);
  TScrollStyle FAppliedScrollBars = ssNone;
  bool FAppliedWordWrap = true;
};

class TvxMemo : public TvxCustomMemo {
  DECLARE_CLASS(TvxMemo, TvxCustomMemo)
  PUBLISHED(TvxMemo)
 public:
  using TvxCustomMemo::TvxCustomMemo;
  TClass GetPropertiesClass() override { return TvxMemoProperties::StaticClass(); }
};

extern const TUnitInfo vxMemoUnit;
