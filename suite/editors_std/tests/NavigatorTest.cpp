#include <gtest/gtest.h>

#include <string>

#include "vxNavigator.h"

namespace ZS_UNITY_ID {

namespace {

struct Owner : IvxNavigatorOwner {
  Owner(std::string& ALog, char AName) : Log(ALog), Name(AName) {}
  void RefreshButtons() override { Log += Name; }
  std::string& Log;
  char Name;
};

TEST(NavigatorNotifier, RefreshesEachOwnerOnceInOrder) {
  std::string log;
  Owner a(log, 'a'), b(log, 'b'), c(log, 'c');
  TvxNavigatorControlNotifier notifier;
  notifier.RefreshNavigatorButtons();  // empty: nothing happens
  EXPECT_EQ(log, "");
  notifier.AddNavigator(&b);
  notifier.AddNavigator(&a);
  notifier.AddNavigator(&b);
  notifier.AddNavigator(&c);
  EXPECT_EQ(notifier.Count(), 3);
  notifier.RefreshNavigatorButtons();
  EXPECT_EQ(log, "bac");
  notifier.RemoveNavigator(&a);
  Owner stranger(log, 'x');
  notifier.RemoveNavigator(&stranger);
  log.clear();
  notifier.RefreshNavigatorButtons();
  EXPECT_EQ(log, "bc");
}

}  // namespace

}  // namespace ZS_UNITY_ID
