#include "vxData.h"

TvxDataController::TvxDataController(TComponent* AOwner) : TvxCustomDataController(AOwner) { SetActive(true); }

TvxDataController::~TvxDataController() = default;

const TUnitInfo vxDataUnit = {L"vxData", nullptr, nullptr};
