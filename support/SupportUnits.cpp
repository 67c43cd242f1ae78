#include "SupportUnits.h"

#include "LoggingUnits.h"
#include "ZvVrIntf.h"
#include "ZvWindowsFolder.h"

namespace {
// The log-destination manager hooks into the global logger, so the logging client starts
// first.
const TUnitList* const Needs[] = {&LoggingUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &ZvVrIntfUnit,
    &ZvWindowsFolderUnit,
};
}  // namespace

const TUnitList SupportUnits = {L"SupportUnits", Needs, Units};
