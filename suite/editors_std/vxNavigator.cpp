#include "vxNavigator.h"

#include <algorithm>

void TvxNavigatorControlNotifier::AddNavigator(IvxNavigatorOwner* ANavigator) {
  if (std::find(FList.begin(), FList.end(), ANavigator) == FList.end()) FList.push_back(ANavigator);
}

void TvxNavigatorControlNotifier::RemoveNavigator(IvxNavigatorOwner* ANavigator) {
  auto it = std::find(FList.begin(), FList.end(), ANavigator);
  if (it != FList.end()) FList.erase(it);
}

void TvxNavigatorControlNotifier::RefreshNavigatorButtons() {
  // A copy: an owner may leave the list while it refreshes.
  const std::vector<IvxNavigatorOwner*> owners = FList;
  for (IvxNavigatorOwner* owner : owners)
    if (std::find(FList.begin(), FList.end(), owner) != FList.end()) owner->RefreshButtons();
}

const TUnitInfo vxNavigatorUnit = {L"vxNavigator", nullptr, nullptr};
