// Helpers shared by the source files of the vxCustomData unit (not part of its interface).
#pragma once

#include "vxCustomData.h"

namespace vxCustomDataInternal {

[[noreturn]] inline void RaiseOperationError(const TResStringRec& ARec) {
  throw EvxInvalidDataControllerOperation(vxGetResString(&ARec));
}

}  // namespace vxCustomDataInternal
