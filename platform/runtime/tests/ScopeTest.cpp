// The runtime's scope helpers: state put back however a block is left, and cleanups that
// raise never end the process.
#include <gtest/gtest.h>

#include <stdexcept>

#include "SysUtils.h"

namespace ZS_UNITY_ID {

namespace {

struct TLocked {
  int Locks = 0;
  bool FailOnEnd = false;
  void BeginUpdate() { ++Locks; }
  void EndUpdate() {
    --Locks;
    if (FailOnEnd) throw Exception(L"end failed");
  }
};

// Counts the cleanup failures handed on while another exception unwinds.
int GSecondFailures = 0;
void CountSecondFailure() {
  try {
    throw;
  } catch (const Exception& e) {
    if (e.Message() == L"end failed") ++GSecondFailures;
  }
}

}  // namespace

TEST(Scopes, CleanupFailurePassesOnWhenNothingElseUnwinds) {
  TLocked obj;
  obj.FailOnEnd = true;
  EXPECT_THROW({ TUpdateScope<TLocked> lock(obj); }, Exception);
  EXPECT_EQ(obj.Locks, 0);
}

TEST(Scopes, SecondFailureGoesToTheHandlerAndTheFirstTravelsOn) {
  TValueScope<void (*)()> handler(HandleCleanupException, CountSecondFailure);
  GSecondFailures = 0;
  TLocked obj;
  obj.FailOnEnd = true;
  int cleanups = 0;
  try {
    TScopeExit other([&] {
      ++cleanups;
      throw std::runtime_error("second cleanup");
    });
    TUpdateScope<TLocked> lock(&obj);
    throw std::logic_error("first");
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "first");
  }
  EXPECT_EQ(obj.Locks, 0);
  EXPECT_EQ(cleanups, 1);
  EXPECT_EQ(GSecondFailures, 1);  // the runtime_error is not an Exception, so not counted
}

TEST(Scopes, ValueCounterAndDismiss) {
  int depth = 0, value = 1, ran = 0;
  {
    TCounterScope<int> c(depth);
    TValueScope<int> v(value, 7);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(value, 7);
    TScopeExit skipped([&] { ++ran; });
    skipped.Dismiss();
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(ran, 0);
}

}  // namespace ZS_UNITY_ID
