#include "vxEditRepositoryItems.h"

const TUnitInfo vxEditRepositoryItemsUnit = {L"vxEditRepositoryItems", nullptr, nullptr};
