// The runtime's scope helpers: state put back however a block is left, and cleanups that
// raise never end the process.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "SyncObjs.h"
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

// A named pair of calls behaves as the update scope does: the leaving call's failure
// travels on alone, and goes to the handler while another exception unwinds.
using TLockScope = TCallScope<TLocked, &TLocked::BeginUpdate, &TLocked::EndUpdate>;

TEST(Scopes, CallPairLeavesOnEveryExitAndNeverTerminates) {
  TLocked obj;
  { TLockScope lock(obj); EXPECT_EQ(obj.Locks, 1); }
  EXPECT_EQ(obj.Locks, 0);
  obj.FailOnEnd = true;
  EXPECT_THROW({ TLockScope lock(&obj); }, Exception);
  EXPECT_EQ(obj.Locks, 0);
  TValueScope<void (*)()> handler(HandleCleanupException, CountSecondFailure);
  GSecondFailures = 0;
  try {
    TLockScope lock(obj);
    throw std::logic_error("first");
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "first");
  }
  EXPECT_EQ(obj.Locks, 0);
  EXPECT_EQ(GSecondFailures, 1);
}

// The device-context scopes put back the clip region (also "none") and the selected
// object, and delete an object of their own only after deselecting it.
// A handle scope closes what it holds once, early or at the end, and never a null handle.
TEST(Scopes, HandleScopeClosesItsHandleOnce) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key));
  {
    THandleScope<HKEY, &RegCloseKey> scope(key);
    EXPECT_EQ(key, scope.Get());
  }
  DWORD subKeys = 0;
  EXPECT_NE(ERROR_SUCCESS, RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr))
      << "closed when the scope ended";
  HMENU menu = CreatePopupMenu();
  {
    THandleScope<HMENU, &DestroyMenu> scope(menu);
    scope.Close();
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_EQ(nullptr, scope.Get());
  }
  { THandleScope<HMENU, &DestroyMenu> none(nullptr); }
}

// A lock scope holds a critical section for the block, also when the block raises.
TEST(Scopes, AcquireScopeHoldsTheLockForTheBlock) {
  TCriticalSection section;
  auto heldElsewhere = [&] {
    bool held = false;
    std::thread([&] {
      held = !section.TryEnter();
      if (!held) section.Leave();
    }).join();
    return held;
  };
  EXPECT_THROW(
      {
        TAcquireScope lock(section);
        EXPECT_TRUE(heldElsewhere());
        throw std::runtime_error("inside");
      },
      std::runtime_error);
  EXPECT_FALSE(heldElsewhere());
}

TEST(Scopes, DeviceContextScopesRestoreWhatTheyChanged) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  for (bool clipped : {false, true}) {
    SCOPED_TRACE(clipped);
    if (clipped) {
      HRGN r = CreateRectRgn(1, 2, 30, 40);
      SelectClipRgn(dc, r);
      DeleteObject(r);
    } else {
      SelectClipRgn(dc, nullptr);
    }
    {
      TClipRegionScope clip(dc);
      IntersectClipRect(dc, 5, 5, 6, 6);
      ExcludeClipRect(dc, 5, 5, 6, 6);
      EXPECT_EQ(GetClipRgn(dc, probe), 1);
    }
    if (!clipped) {
      EXPECT_EQ(GetClipRgn(dc, probe), 0);
    } else {
      ASSERT_EQ(GetClipRgn(dc, probe), 1);
      RECT box{};
      GetRgnBox(probe, &box);
      EXPECT_EQ(box.left, 1);
      EXPECT_EQ(box.bottom, 40);
    }
  }
  DeleteObject(probe);

  HGDIOBJ before = GetCurrentObject(dc, OBJ_PEN);
  HPEN own = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
  {
    TSelectedObject pen(dc, own, true);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), own);
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), before);
  EXPECT_EQ(GetObjectType(own), 0u);  // deleted once deselected
  HPEN kept = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
  { TSelectedObject pen(dc, kept); }
  EXPECT_EQ(GetObjectType(kept), static_cast<DWORD>(OBJ_PEN));
  DeleteObject(kept);
  DeleteDC(dc);
}

}  // namespace ZS_UNITY_ID
