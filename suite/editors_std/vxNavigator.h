// The notifier that asks every owner of navigator buttons to refresh them.
#pragma once

#include <vector>

#include "SysInit.h"
#include "System.h"

// An owner of navigator buttons; the notifier only asks it to refresh them.
class IvxNavigatorOwner {
 public:
  virtual ~IvxNavigatorOwner() = default;
  virtual void RefreshButtons() = 0;
};

class TvxNavigatorControlNotifier : public TObject {
  DECLARE_CLASS(TvxNavigatorControlNotifier, TObject)
 public:
  // Appends the owner unless it is listed already.
  void AddNavigator(IvxNavigatorOwner* ANavigator);
  // Removes the owner, when listed.
  void RemoveNavigator(IvxNavigatorOwner* ANavigator);
  // Asks every owner, in the order they were added, to refresh its buttons.
  void RefreshNavigatorButtons();
  Integer Count() const { return static_cast<Integer>(FList.size()); }

 private:
  std::vector<IvxNavigatorOwner*> FList;  // not owned
};

extern const TUnitInfo vxNavigatorUnit;
