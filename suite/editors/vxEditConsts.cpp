#include "vxEditConsts.h"

TResStringRec vxSEditButtonCancel(L"Cancel");
TResStringRec vxSEditButtonOK(L"OK");
TResStringRec vxSEditDateConvertError(L"Could not convert to date");
TResStringRec vxSEditInvalidRepositoryItem(L"The repository item is not acceptable");
TResStringRec vxSEditNumericValueConvertError(L"Could not convert to numeric value");
TResStringRec vxSEditPopupCircularReferencingError(L"Circular referencing is not allowed");
TResStringRec vxSEditPostError(L"An error occured during posting edit value");
TResStringRec vxSEditTimeConvertError(L"Could not convert to time");
TResStringRec vxSEditValidateErrorText(L"Invalid input value. Use escape key to abandon changes");
TResStringRec vxSEditValueOutOfBounds(L"Value out of bounds");
TResStringRec vxSEditCheckBoxChecked(L"True");
TResStringRec vxSEditCheckBoxGrayed(L"");
TResStringRec vxSEditCheckBoxUnchecked(L"False");
TResStringRec vxSRadioGroupDefaultCaption(L"");
TResStringRec vxSTextTrue(L"True");
TResStringRec vxSTextFalse(L"False");
TResStringRec vxSBlobButtonOK(L"&OK");
TResStringRec vxSBlobButtonCancel(L"&Cancel");
TResStringRec vxSBlobButtonClose(L"&Close");
TResStringRec vxSBlobMemo(L"(MEMO)");
TResStringRec vxSBlobMemoEmpty(L"(memo)");
TResStringRec vxSBlobPicture(L"(PICTURE)");
TResStringRec vxSBlobPictureEmpty(L"(picture)");
TResStringRec vxSMenuItemCaptionCut(L"Cu&t");
TResStringRec vxSMenuItemCaptionCopy(L"&Copy");
TResStringRec vxSMenuItemCaptionPaste(L"&Paste");
TResStringRec vxSMenuItemCaptionDelete(L"&Delete");
TResStringRec vxSMenuItemCaptionLoad(L"&Load...");
TResStringRec vxSMenuItemCaptionSave(L"Save &As...");
TResStringRec vxSDatePopupClear(L"Clear");
TResStringRec vxSDatePopupNow(L"Now");
TResStringRec vxSDatePopupOK(L"OK");
TResStringRec vxSDatePopupToday(L"Today");
TResStringRec vxSDateError(L"Invalid Date");
TResStringRec svxSCalcError(L"Error");
TResStringRec svxSHyperLinkPrefix(L"http://");
TResStringRec svxSHyperLinkDoubleSlash(L"//");
TResStringRec vxNavigatorHint_First(L"First record");
TResStringRec vxNavigatorHint_Prior(L"Prior record");
TResStringRec vxNavigatorHint_PriorPage(L"Prior page");
TResStringRec vxNavigatorHint_Next(L"Next record");
TResStringRec vxNavigatorHint_NextPage(L"Next page");
TResStringRec vxNavigatorHint_Last(L"Last record");
TResStringRec vxNavigatorHint_Insert(L"Insert record");
TResStringRec vxNavigatorHint_Append(L"Append record");
TResStringRec vxNavigatorHint_Delete(L"Delete record");
TResStringRec vxNavigatorHint_Edit(L"Edit record");
TResStringRec vxNavigatorHint_Post(L"Post edit");
TResStringRec vxNavigatorHint_Cancel(L"Cancel edit");
TResStringRec vxNavigatorHint_Refresh(L"Refresh data");
TResStringRec vxNavigatorHint_SaveBookmark(L"Save Bookmark");
TResStringRec vxNavigatorHint_GotoBookmark(L"Goto Bookmark");
TResStringRec vxNavigatorHint_Filter(L"Filter data");
TResStringRec vxNavigator_DeleteRecordQuestion(L"Delete record?");
TResStringRec svxSEditRepositoryBlobItem(L"BlobEdit|Represents the BLOB editor");
TResStringRec svxSEditRepositoryButtonItem(L"ButtonEdit|Represents an edit control with embedded buttons");
TResStringRec svxSEditRepositoryCalcItem(L"CalcEdit|Represents an edit control with a dropdown calculator window");
TResStringRec svxSEditRepositoryCheckBoxItem(
    L"CheckBox|Represents a check box control that allows selecting an option");
TResStringRec svxSEditRepositoryComboBoxItem(L"ComboBox|Represents the combo box editor");
TResStringRec svxSEditRepositoryCurrencyItem(L"CurrencyEdit|Represents an editor enabling editing currency data");
TResStringRec svxSEditRepositoryDateItem(L"DateEdit|Represents an edit control with a dropdown calendar");
TResStringRec svxSEditRepositoryHyperLinkItem(L"HyperLink|Represents a text editor with hyperlink functionality");
TResStringRec svxSEditRepositoryImageComboBoxItem(
    L"ImageComboBox|Represents an editor displaying the list of images and text strings within the dropdown window");
TResStringRec svxSEditRepositoryImageItem(L"Image|Represents an image editor");
TResStringRec svxSEditRepositoryLookupComboBoxItem(L"LookupComboBox|Represents a lookup combo box control");
TResStringRec svxSEditRepositoryMaskItem(L"MaskEdit|Represents a generic masked edit control.");
TResStringRec svxSEditRepositoryMemoItem(L"Memo|Represents an edit control that allows editing memo data");
TResStringRec svxSEditRepositoryMRUItem(
    L"MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a dropdown window");
TResStringRec svxSEditRepositoryPopupItem(L"PopupEdit|Represents an edit control with a dropdown list");
TResStringRec svxSEditRepositorySpinItem(L"SpinEdit|Represents a spin editor");
TResStringRec svxSEditRepositoryRadioGroupItem(L"RadioGroup|Represents a group of radio buttons");
TResStringRec svxSEditRepositoryTextItem(L"TextEdit|Represents a single line text editor");
TResStringRec svxSEditRepositoryTimeItem(L"TimeEdit|Represents an editor displaying time values");
TResStringRec svxRegExprLine(L"Line");
TResStringRec svxRegExprChar(L"Char");
TResStringRec svxRegExprNotAssignedSourceStream(L"The source stream is not assigned");
TResStringRec svxRegExprEmptySourceStream(L"The source stream is empty");
TResStringRec svxRegExprCantUsePlusQuantifier(L"The '+' quantifier cannot be applied here");
TResStringRec svxRegExprCantUseStarQuantifier(L"The '*' quantifier cannot be applied here");
TResStringRec svxRegExprCantCreateEmptyAlt(L"The alternative should not be empty");
TResStringRec svxRegExprCantCreateEmptyBlock(L"The block should not be empty");
TResStringRec svxRegExprIllegalSymbol(L"Illegal '%s'");
TResStringRec svxRegExprIllegalQuantifier(L"Illegal quantifier '%s'");
TResStringRec svxRegExprNotSupportQuantifier(L"The parameter quantifiers are not supported");
TResStringRec svxRegExprIllegalIntegerValue(L"Illegal integer value");
TResStringRec svxRegExprTooBigReferenceNumber(L"Too big reference number");
TResStringRec svxRegExprCantCreateEmptyEnum(L"Can't create empty enumeration");
TResStringRec svxRegExprSubrangeOrder(L"The starting character of the subrange must be less than the finishing one");
TResStringRec svxRegExprHexNumberExpected0(L"Hexadecimal number expected");
TResStringRec svxRegExprHexNumberExpected(L"Hexadecimal number expected but '%s' found");
TResStringRec svxRegExprMissing(L"Missing '%s'");
TResStringRec svxRegExprUnnecessary(L"Unnecessary '%s'");
TResStringRec svxRegExprIncorrectSpace(L"The space character is not allowed after '\\'");
TResStringRec svxRegExprNotCompiled(L"Regular expression is not compiled");
TResStringRec svxRegExprIncorrectParameterQuantifier(L"Incorrect parameter quantifier");
TResStringRec svxRegExprCantUseParameterQuantifier(L"The parameter quantifier cannot be applied here");
TResStringRec svxMaskEditRegExprError(L"Regular expression errors:");
TResStringRec svxMaskEditInvalidEditValue(L"The edit value is invalid");
TResStringRec svxMaskEditNoMask(L"None");
TResStringRec svxMaskEditIllegalFileFormat(L"Illegal file format");
TResStringRec svxMaskEditEmptyMaskCollectionFile(L"The mask collection file is empty");
TResStringRec svxMaskEditMaskCollectionFiles(L"Mask collection files");
TResStringRec vxSSpinEditInvalidNumericValue(L"Invalid numeric value");

namespace {

using TEntry = TvdResourceStringEntry;

const TEntry GEditConstsEntries[] = {
    {L"vxSEditButtonCancel", &vxSEditButtonCancel, L"Cancel"},
    {L"vxSEditButtonOK", &vxSEditButtonOK, L"OK"},
    {L"vxSEditDateConvertError", &vxSEditDateConvertError, L"Could not convert to date"},
    {L"vxSEditInvalidRepositoryItem", &vxSEditInvalidRepositoryItem, L"The repository item is not acceptable"},
    {L"vxSEditNumericValueConvertError", &vxSEditNumericValueConvertError, L"Could not convert to numeric value"},
    {L"vxSEditPopupCircularReferencingError", &vxSEditPopupCircularReferencingError,
     L"Circular referencing is not allowed"},
    {L"vxSEditPostError", &vxSEditPostError, L"An error occured during posting edit value"},
    {L"vxSEditTimeConvertError", &vxSEditTimeConvertError, L"Could not convert to time"},
    {L"vxSEditValidateErrorText", &vxSEditValidateErrorText, L"Invalid input value. Use escape key to abandon changes"},
    {L"vxSEditValueOutOfBounds", &vxSEditValueOutOfBounds, L"Value out of bounds"},
    {L"vxSEditCheckBoxChecked", &vxSEditCheckBoxChecked, L"True"},
    {L"vxSEditCheckBoxGrayed", &vxSEditCheckBoxGrayed, L""},
    {L"vxSEditCheckBoxUnchecked", &vxSEditCheckBoxUnchecked, L"False"},
    {L"vxSRadioGroupDefaultCaption", &vxSRadioGroupDefaultCaption, L""},
    {L"vxSTextTrue", &vxSTextTrue, L"True"},
    {L"vxSTextFalse", &vxSTextFalse, L"False"},
    {L"vxSBlobButtonOK", &vxSBlobButtonOK, L"&OK"},
    {L"vxSBlobButtonCancel", &vxSBlobButtonCancel, L"&Cancel"},
    {L"vxSBlobButtonClose", &vxSBlobButtonClose, L"&Close"},
    {L"vxSBlobMemo", &vxSBlobMemo, L"(MEMO)"},
    {L"vxSBlobMemoEmpty", &vxSBlobMemoEmpty, L"(memo)"},
    {L"vxSBlobPicture", &vxSBlobPicture, L"(PICTURE)"},
    {L"vxSBlobPictureEmpty", &vxSBlobPictureEmpty, L"(picture)"},
    {L"vxSMenuItemCaptionCut", &vxSMenuItemCaptionCut, L"Cu&t"},
    {L"vxSMenuItemCaptionCopy", &vxSMenuItemCaptionCopy, L"&Copy"},
    {L"vxSMenuItemCaptionPaste", &vxSMenuItemCaptionPaste, L"&Paste"},
    {L"vxSMenuItemCaptionDelete", &vxSMenuItemCaptionDelete, L"&Delete"},
    {L"vxSMenuItemCaptionLoad", &vxSMenuItemCaptionLoad, L"&Load..."},
    {L"vxSMenuItemCaptionSave", &vxSMenuItemCaptionSave, L"Save &As..."},
    {L"vxSDatePopupClear", &vxSDatePopupClear, L"Clear"},
    {L"vxSDatePopupNow", &vxSDatePopupNow, L"Now"},
    {L"vxSDatePopupOK", &vxSDatePopupOK, L"OK"},
    {L"vxSDatePopupToday", &vxSDatePopupToday, L"Today"},
    {L"vxSDateError", &vxSDateError, L"Invalid Date"},
    {L"svxSCalcError", &svxSCalcError, L"Error"},
    {L"svxSHyperLinkPrefix", &svxSHyperLinkPrefix, L"http://"},
    {L"svxSHyperLinkDoubleSlash", &svxSHyperLinkDoubleSlash, L"//"},
    {L"vxNavigatorHint_First", &vxNavigatorHint_First, L"First record"},
    {L"vxNavigatorHint_Prior", &vxNavigatorHint_Prior, L"Prior record"},
    {L"vxNavigatorHint_PriorPage", &vxNavigatorHint_PriorPage, L"Prior page"},
    {L"vxNavigatorHint_Next", &vxNavigatorHint_Next, L"Next record"},
    {L"vxNavigatorHint_NextPage", &vxNavigatorHint_NextPage, L"Next page"},
    {L"vxNavigatorHint_Last", &vxNavigatorHint_Last, L"Last record"},
    {L"vxNavigatorHint_Insert", &vxNavigatorHint_Insert, L"Insert record"},
    {L"vxNavigatorHint_Append", &vxNavigatorHint_Append, L"Append record"},
    {L"vxNavigatorHint_Delete", &vxNavigatorHint_Delete, L"Delete record"},
    {L"vxNavigatorHint_Edit", &vxNavigatorHint_Edit, L"Edit record"},
    {L"vxNavigatorHint_Post", &vxNavigatorHint_Post, L"Post edit"},
    {L"vxNavigatorHint_Cancel", &vxNavigatorHint_Cancel, L"Cancel edit"},
    {L"vxNavigatorHint_Refresh", &vxNavigatorHint_Refresh, L"Refresh data"},
    {L"vxNavigatorHint_SaveBookmark", &vxNavigatorHint_SaveBookmark, L"Save Bookmark"},
    {L"vxNavigatorHint_GotoBookmark", &vxNavigatorHint_GotoBookmark, L"Goto Bookmark"},
    {L"vxNavigatorHint_Filter", &vxNavigatorHint_Filter, L"Filter data"},
    {L"vxNavigator_DeleteRecordQuestion", &vxNavigator_DeleteRecordQuestion, L"Delete record?"},
    {L"svxSEditRepositoryBlobItem", &svxSEditRepositoryBlobItem, L"BlobEdit|Represents the BLOB editor"},
    {L"svxSEditRepositoryButtonItem", &svxSEditRepositoryButtonItem,
     L"ButtonEdit|Represents an edit control with embedded buttons"},
    {L"svxSEditRepositoryCalcItem", &svxSEditRepositoryCalcItem,
     L"CalcEdit|Represents an edit control with a dropdown calculator window"},
    {L"svxSEditRepositoryCheckBoxItem", &svxSEditRepositoryCheckBoxItem,
     L"CheckBox|Represents a check box control that allows selecting an option"},
    {L"svxSEditRepositoryComboBoxItem", &svxSEditRepositoryComboBoxItem, L"ComboBox|Represents the combo box editor"},
    {L"svxSEditRepositoryCurrencyItem", &svxSEditRepositoryCurrencyItem,
     L"CurrencyEdit|Represents an editor enabling editing currency data"},
    {L"svxSEditRepositoryDateItem", &svxSEditRepositoryDateItem,
     L"DateEdit|Represents an edit control with a dropdown calendar"},
    {L"svxSEditRepositoryHyperLinkItem", &svxSEditRepositoryHyperLinkItem,
     L"HyperLink|Represents a text editor with hyperlink functionality"},
    {L"svxSEditRepositoryImageComboBoxItem", &svxSEditRepositoryImageComboBoxItem,
     L"ImageComboBox|Represents an editor displaying the list of images and text strings within the dropdown window"},
    {L"svxSEditRepositoryImageItem", &svxSEditRepositoryImageItem, L"Image|Represents an image editor"},
    {L"svxSEditRepositoryLookupComboBoxItem", &svxSEditRepositoryLookupComboBoxItem,
     L"LookupComboBox|Represents a lookup combo box control"},
    {L"svxSEditRepositoryMaskItem", &svxSEditRepositoryMaskItem, L"MaskEdit|Represents a generic masked edit control."},
    {L"svxSEditRepositoryMemoItem", &svxSEditRepositoryMemoItem,
     L"Memo|Represents an edit control that allows editing memo data"},
    {L"svxSEditRepositoryMRUItem", &svxSEditRepositoryMRUItem,
     L"MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a dropdown "
     L"window"},
    {L"svxSEditRepositoryPopupItem", &svxSEditRepositoryPopupItem,
     L"PopupEdit|Represents an edit control with a dropdown list"},
    {L"svxSEditRepositorySpinItem", &svxSEditRepositorySpinItem, L"SpinEdit|Represents a spin editor"},
    {L"svxSEditRepositoryRadioGroupItem", &svxSEditRepositoryRadioGroupItem,
     L"RadioGroup|Represents a group of radio buttons"},
    {L"svxSEditRepositoryTextItem", &svxSEditRepositoryTextItem, L"TextEdit|Represents a single line text editor"},
    {L"svxSEditRepositoryTimeItem", &svxSEditRepositoryTimeItem,
     L"TimeEdit|Represents an editor displaying time values"},
    {L"svxRegExprLine", &svxRegExprLine, L"Line"},
    {L"svxRegExprChar", &svxRegExprChar, L"Char"},
    {L"svxRegExprNotAssignedSourceStream", &svxRegExprNotAssignedSourceStream, L"The source stream is not assigned"},
    {L"svxRegExprEmptySourceStream", &svxRegExprEmptySourceStream, L"The source stream is empty"},
    {L"svxRegExprCantUsePlusQuantifier", &svxRegExprCantUsePlusQuantifier,
     L"The '+' quantifier cannot be applied here"},
    {L"svxRegExprCantUseStarQuantifier", &svxRegExprCantUseStarQuantifier,
     L"The '*' quantifier cannot be applied here"},
    {L"svxRegExprCantCreateEmptyAlt", &svxRegExprCantCreateEmptyAlt, L"The alternative should not be empty"},
    {L"svxRegExprCantCreateEmptyBlock", &svxRegExprCantCreateEmptyBlock, L"The block should not be empty"},
    {L"svxRegExprIllegalSymbol", &svxRegExprIllegalSymbol, L"Illegal '%s'"},
    {L"svxRegExprIllegalQuantifier", &svxRegExprIllegalQuantifier, L"Illegal quantifier '%s'"},
    {L"svxRegExprNotSupportQuantifier", &svxRegExprNotSupportQuantifier,
     L"The parameter quantifiers are not supported"},
    {L"svxRegExprIllegalIntegerValue", &svxRegExprIllegalIntegerValue, L"Illegal integer value"},
    {L"svxRegExprTooBigReferenceNumber", &svxRegExprTooBigReferenceNumber, L"Too big reference number"},
    {L"svxRegExprCantCreateEmptyEnum", &svxRegExprCantCreateEmptyEnum, L"Can't create empty enumeration"},
    {L"svxRegExprSubrangeOrder", &svxRegExprSubrangeOrder,
     L"The starting character of the subrange must be less than the finishing one"},
    {L"svxRegExprHexNumberExpected0", &svxRegExprHexNumberExpected0, L"Hexadecimal number expected"},
    {L"svxRegExprHexNumberExpected", &svxRegExprHexNumberExpected, L"Hexadecimal number expected but '%s' found"},
    {L"svxRegExprMissing", &svxRegExprMissing, L"Missing '%s'"},
    {L"svxRegExprUnnecessary", &svxRegExprUnnecessary, L"Unnecessary '%s'"},
    {L"svxRegExprIncorrectSpace", &svxRegExprIncorrectSpace, L"The space character is not allowed after '\\'"},
    {L"svxRegExprNotCompiled", &svxRegExprNotCompiled, L"Regular expression is not compiled"},
    {L"svxRegExprIncorrectParameterQuantifier", &svxRegExprIncorrectParameterQuantifier,
     L"Incorrect parameter quantifier"},
    {L"svxRegExprCantUseParameterQuantifier", &svxRegExprCantUseParameterQuantifier,
     L"The parameter quantifier cannot be applied here"},
    {L"svxMaskEditRegExprError", &svxMaskEditRegExprError, L"Regular expression errors:"},
    {L"svxMaskEditInvalidEditValue", &svxMaskEditInvalidEditValue, L"The edit value is invalid"},
    {L"svxMaskEditNoMask", &svxMaskEditNoMask, L"None"},
    {L"svxMaskEditIllegalFileFormat", &svxMaskEditIllegalFileFormat, L"Illegal file format"},
    {L"svxMaskEditEmptyMaskCollectionFile", &svxMaskEditEmptyMaskCollectionFile, L"The mask collection file is empty"},
    {L"svxMaskEditMaskCollectionFiles", &svxMaskEditMaskCollectionFiles, L"Mask collection files"},
    {L"vxSSpinEditInvalidNumericValue", &vxSSpinEditInvalidNumericValue, L"Invalid numeric value"},
};

const wchar_t* const CEditConstsProductName = L"TarvixEditors Library";

void InitEditConsts() { vdRegisterResourceStrings(CEditConstsProductName, GEditConstsEntries); }

void FinEditConsts() { vdUnregisterResourceStrings(CEditConstsProductName, GEditConstsEntries); }

}  // namespace

const TUnitInfo vxEditConstsUnit = {L"vxEditConsts", InitEditConsts, FinEditConsts};
