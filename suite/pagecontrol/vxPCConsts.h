// The page control's translatable texts, registered under the product "TarvixPageControl".
#pragma once

#include "SysInit.h"
#include "vdCore.h"

extern TResStringRec svxPCImageListIndexError;
extern TResStringRec svxPCNoBaseImages;
extern TResStringRec svxPCNoRegisteredStyles;
extern TResStringRec svxPCPageIndexError;
extern TResStringRec svxPCPainterClassError;
extern TResStringRec svxPCStandardStyleError;
extern TResStringRec svxPCStyleNameError;
extern TResStringRec svxPCTabCountEqualsZero;
extern TResStringRec svxPCTabIndexError;
extern TResStringRec svxPCTabVisibleIndexOutsOfBounds;
extern TResStringRec svxPCVisibleTabListEmpty;
extern TResStringRec svxPCAllowRotateError;

extern const TUnitInfo vxPCConstsUnit;
