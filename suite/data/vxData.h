// The concrete data controller: active from creation.
#pragma once

#include "vxCustomData.h"

class TvxDataController : public TvxCustomDataController {
  DECLARE_CLASS(TvxDataController, TvxCustomDataController)
 public:
  explicit TvxDataController(TComponent* AOwner);
  ~TvxDataController() override;
};

extern const TUnitInfo vxDataUnit;
