// Component bases, intercepts, anti-freeze and exceptions.
#include "TestPeer.h"

#include <gtest/gtest.h>

#include "VRNetAntiFreezeBase.h"
#include "VRNetException.h"
#include "VRNetIntercept.h"

namespace ZS_UNITY_ID {

TEST(VRNetComponent, NestedWorkReportsOnlyTheOutermostBracket) {
  TVRNetComponent c;
  std::vector<String> events;
  c.OnWorkBegin = [&](TObject*, TWorkMode m, Int64 max) { events.push_back(L"begin " + IntToStr(max)); };
  c.OnWork = [&](TObject*, TWorkMode, Int64 n) { events.push_back(L"work " + IntToStr(n)); };
  c.OnWorkEnd = [&](TObject*, TWorkMode) { events.push_back(L"end"); };
  c.DoWork(wmRead, 5);  // before any begin: nothing
  c.BeginWork(wmRead, 100);
  c.BeginWork(wmRead, 50);
  c.DoWork(wmRead, 10);
  c.DoWork(wmRead, 20);
  c.EndWork(wmRead);
  c.EndWork(wmRead);
  c.EndWork(wmRead);  // unbalanced: ignored
  EXPECT_EQ(events, (std::vector<String>{L"begin 100", L"work 10", L"work 30", L"end"}));

  // A work target receives everything instead.
  TVRNetComponent target;
  Int64 got = 0;
  target.OnWork = [&](TObject*, TWorkMode, Int64 n) { got = n; };
  c.SetWorkTarget(&target);
  c.BeginWork(wmWrite, 0);
  c.DoWork(wmWrite, 7);
  c.EndWork(wmWrite);
  EXPECT_EQ(got, 7);
  EXPECT_EQ(c.Version(), L"10.5.7");
}

TEST(VRNetComponent, StatusTextsAreFormattedOnlyForAListener) {
  TVRNetComponent c;
  c.ReportStatus(hsConnecting, {String(L"x")});  // no listener: nothing happens
  std::vector<String> texts;
  c.OnStatus = [&](TObject*, TNetStatus, const String& t) { texts.push_back(t); };
  c.ReportStatus(hsResolving, {String(L"example")});
  c.ReportStatus(hsConnected);
  c.ReportStatus(hsStatusText, {String(L"free text")});
  EXPECT_EQ(texts, (std::vector<String>{L"Resolving hostname example.", L"Connected.", L"free text"}));
}

TEST(VRNetComponent, InterceptChainOrderAndCircularLinks) {
  TVRNetConnectionIntercept a, b;
  std::vector<String> order;
  a.OnSend = [&](TVRNetConnectionIntercept*, TBytes& buf) {
    order.push_back(L"A send");
    buf.push_back('a');
  };
  b.OnSend = [&](TVRNetConnectionIntercept*, TBytes& buf) {
    order.push_back(L"B send " + IntToStr(static_cast<Integer>(buf.size())));
  };
  a.OnReceive = [&](TVRNetConnectionIntercept*, TBytes&) { order.push_back(L"A receive"); };
  b.OnReceive = [&](TVRNetConnectionIntercept*, TBytes&) { order.push_back(L"B receive"); };
  a.OnConnect = [&](TVRNetConnectionIntercept*) { order.push_back(L"A connect"); };
  b.OnConnect = [&](TVRNetConnectionIntercept*) { order.push_back(L"B connect"); };
  a.OnDisconnect = [&](TVRNetConnectionIntercept*) { order.push_back(L"A disconnect"); };
  b.OnDisconnect = [&](TVRNetConnectionIntercept*) { order.push_back(L"B disconnect"); };
  a.SetIntercept(&b);
  TBytes buf{'x'};
  a.Send(buf);
  a.Receive(buf);
  a.Connect(&a);
  a.Disconnect();
  EXPECT_EQ(order, (std::vector<String>{L"A send", L"B send 2", L"B receive", L"A receive", L"A connect",
                                        L"B connect", L"B disconnect", L"A disconnect"}));
  EXPECT_TRUE(a.IsClient());
  EXPECT_THROW(b.SetIntercept(&a), EVRNetInterceptCircularLink);
  EXPECT_EQ(b.Intercept(), nullptr);
  EXPECT_THROW(a.SetIntercept(&a), EVRNetInterceptCircularLink);
  EXPECT_EQ(a.Intercept(), &b);
  {
    TVRNetConnectionIntercept c;
    b.SetIntercept(&c);
  }
  EXPECT_EQ(b.Intercept(), nullptr);  // the destroyed next intercept was forgotten
}

namespace {
class TCountingAntiFreeze : public TVRNetAntiFreezeBase {
 public:
  using TVRNetAntiFreezeBase::TVRNetAntiFreezeBase;
  void Process() override { ++Calls; }
  int Calls = 0;
};
}  // namespace

TEST(VRNetComponent, AntiFreezeOnlyOnTheMainThreadAndOnlyOnce) {
  EXPECT_FALSE(TVRNetAntiFreezeBase::ShouldUse());
  TCountingAntiFreeze af;
  EXPECT_EQ(af.IdleTimeOut, 250);
  try {
    TCountingAntiFreeze second;
    FAIL();
  } catch (const EVRNetException& e) {
    EXPECT_EQ(e.Message(), L"Only one TVRNetAntiFreeze can exist per application.");
  }
  EXPECT_EQ(TVRNetAntiFreezeBase::Instance(), &af);
  af.IdleTimeOut = 20;
  TVRNetAntiFreezeBase::Sleep(70);  // slices of 20 with a call after each, and after the rest
  EXPECT_EQ(af.Calls, 4);
  TVRNetAntiFreezeBase::DoProcess(false);  // not idle and only when idle: nothing
  EXPECT_EQ(af.Calls, 4);
  TVRNetAntiFreezeBase::DoProcess(false, true);
  EXPECT_EQ(af.Calls, 5);
  std::thread([] { TVRNetAntiFreezeBase::Sleep(60); }).join();  // one plain sleep elsewhere
  EXPECT_EQ(af.Calls, 5);
  af.Active = false;
  EXPECT_FALSE(TVRNetAntiFreezeBase::ShouldUse());
}

TEST(VRNetComponent, EveryLibraryExceptionRaisesThroughItsClass) {
  try {
    EVRNetSocksAuthError::Toss(L"m");
  } catch (const EVRNetSocksError& e) {
    EXPECT_EQ(e.ClassName(), L"EVRNetSocksAuthError");
    EXPECT_TRUE(e.InheritsFrom(EVRNetException::StaticClass()));
  }
  EXPECT_TRUE(EVRNetConnClosedGracefully::StaticClass()->InheritsFrom(EVRNetSilentException::StaticClass()));
  EXPECT_TRUE(EVRNetNotASocket::StaticClass()->InheritsFrom(EVRNetSocketError::StaticClass()));
  EXPECT_TRUE(EVRNetIOHandlerRequiresLargeStream::StaticClass()->InheritsFrom(EVRNetIOHandler::StaticClass()));
  EXPECT_TRUE(EVRNetException::StaticClass()->InheritsFrom(Exception::StaticClass()));
}

}  // namespace ZS_UNITY_ID
