#include <winsock2.h>  // first: Winsock 2 before windows.h

#include "VRNetUnits.h"

#include "RuntimeUnits.h"
#include "VRNetComponent.h"
#include "VRNetGlobal.h"
#include "VRNetIOHandler.h"
#include "VRNetIOHandlerStack.h"
#include "VRNetStack.h"
#include "VRNetStackWindows.h"
#include "VRNetWinsock2.h"
#include "VRNetWship6.h"

namespace {
const TUnitList* const Needs[] = {&RuntimeUnits};
// Start-up order; shut-down runs in reverse.
const TUnitInfo* const Units[] = {
    &VRNetGlobalUnit,
    &VRNetWinsock2Unit,
    &VRNetWship6Unit,
    &VRNetStackWindowsUnit,
    &VRNetStackUnit,
    &VRNetComponentUnit,
    &VRNetIOHandlerUnit,
    &VRNetIOHandlerStackUnit,
};
}  // namespace

const TUnitList VRNetUnits = {L"VRNetUnits", Needs, Units};
