#include "SuiteEditorsStdUnits.h"

#include "SuiteEditorsUnits.h"
#include "vxCheckBox.h"
#include "vxCheckListBox.h"
#include "vxCurrencyEdit.h"
#include "vxEditDataRegisteredRepositoryItems.h"
#include "vxEditRegisteredRepositoryItems.h"
#include "vxEditRepositoryItems.h"
#include "vxListBox.h"
#include "vxNavigator.h"
#include "vdGDIPlusAPI.h"
#include "vxButtons.h"
#include "vdGDIPlusClasses.h"
#include "vxImage.h"
#include "vxMemo.h"
#include "vxHyperLinkEdit.h"
#include "vxStorage.h"
#include "vxGroupBox.h"
#include "vxRadioGroup.h"
// Button, spin, time and calendar editors.
#include "vxButtonEdit.h"
#include "vxSpinEdit.h"
#include "vxTimeEdit.h"
#include "vxCalendar.h"
#include "vxCalc.h"
// Image combo box, MRU and blob editors.
#include "vxImageComboBox.h"
#include "vxBlobEdit.h"
#include "vxMRUEdit.h"

namespace {
const TUnitList* const Needs[] = {&SuiteEditorsUnits};
// Start-up order; shut-down runs in reverse. The value-type map comes last: it creates
// items of the editors above.
const TUnitInfo* const Units[] = {
    &vdGDIPlusAPIUnit, &vdGDIPlusClassesUnit, &vxNavigatorUnit, &vxButtonsUnit, &vxImageUnit, &vxMemoUnit, &vxHyperLinkEditUnit, &vxStorageUnit, &vxCheckBoxUnit, &vxListBoxUnit, &vxCheckListBoxUnit, &vxCurrencyEditUnit, &vxGroupBoxUnit, &vxRadioGroupUnit,
    &vxButtonEditUnit, &vxSpinEditUnit, &vxTimeEditUnit, &vxCalendarUnit, &vxCalcUnit,
    &vxImageComboBoxUnit, &vxBlobEditUnit, &vxMRUEditUnit,
    &vxEditRepositoryItemsUnit, &vxEditRegisteredRepositoryItemsUnit,
    &vxEditDataRegisteredRepositoryItemsUnit,
};
}  // namespace

const TUnitList SuiteEditorsStdUnits = {L"SuiteEditorsStdUnits", Needs, Units};
