#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Messages.h"

namespace ZS_UNITY_ID {

namespace {

// Messages of the probes' own; nothing in the library handles these numbers.
constexpr UINT CM_PROBE_A = CM_BASE + 200;
constexpr UINT CM_PROBE_B = CM_BASE + 201;
constexpr UINT CM_PROBE_C = CM_BASE + 202;

std::vector<std::wstring> Trace;

// Three generations of controls with message maps, and one without a map of its own.
// Each handler writes its name to Trace; DefaultHandler writes "default".
class TProbeBase : public TCustomControl {
  DECLARE_CLASS(TProbeBase, TCustomControl)
  DECLARE_MESSAGE_MAP
 public:
  explicit TProbeBase(TComponent* AOwner) : TCustomControl(AOwner) {}
  void DefaultHandler(TMessage& Message) override {
    Trace.push_back(L"default");
    TCustomControl::DefaultHandler(Message);
  }

 protected:
  void CMProbeA(TMessage& Message) {
    Trace.push_back(L"Base.A");
    InheritedMessage(Message);
  }
  void CMProbeB(TMessage& Message) {
    Trace.push_back(L"Base.B");
    Message.Result = 2;
  }
};

const TMessageMap* TProbeBase::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_PROBE_A, MessageHandler<&TProbeBase::CMProbeA>},
      {CM_PROBE_B, MessageHandler<&TProbeBase::CMProbeB>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

class TProbeMiddle : public TProbeBase {
  DECLARE_CLASS(TProbeMiddle, TProbeBase)
  DECLARE_MESSAGE_MAP
 public:
  explicit TProbeMiddle(TComponent* AOwner) : TProbeBase(AOwner) {}

 protected:
  void CMProbeA(TMessage& Message) {
    Trace.push_back(L"Middle.A");
    InheritedMessage(Message);
  }
  // A typed record: the focus message's sender.
  void CMProbeC(TCMFocusChanged& Message) {
    Trace.push_back(L"Middle.C:" + (Message.Sender() ? Message.Sender()->Name() : L"-"));
    Message.Result = 3;
  }
};

const TMessageMap* TProbeMiddle::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_PROBE_A, MessageHandler<&TProbeMiddle::CMProbeA>},
      {CM_PROBE_C, MessageHandler<&TProbeMiddle::CMProbeC>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// No table of its own: it dispatches through its parent's.
class TProbeLeaf : public TProbeMiddle {
  DECLARE_CLASS(TProbeLeaf, TProbeMiddle)
 public:
  explicit TProbeLeaf(TComponent* AOwner) : TProbeMiddle(AOwner) {}
};

class TProbeOverride : public TProbeLeaf {
  DECLARE_CLASS(TProbeOverride, TProbeLeaf)
  DECLARE_MESSAGE_MAP
 public:
  explicit TProbeOverride(TComponent* AOwner) : TProbeLeaf(AOwner) {}

 protected:
  void CMProbeA(TMessage& Message) {
    Trace.push_back(L"Override.A");
    InheritedMessage(Message);
  }
  void CMProbeB(TMessage&) { Trace.push_back(L"Override.B"); }
  // Takes over a message of TControl's own table and passes it on.
  void CMHitTest(TCMHitTest& Message) {
    Trace.push_back(L"Override.HitTest:" + std::to_wstring(Message.XPos()) + L"," +
                    std::to_wstring(Message.YPos()));
    InheritedMessage(Message);
  }
};

const TMessageMap* TProbeOverride::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_PROBE_A, MessageHandler<&TProbeOverride::CMProbeA>},
      {CM_PROBE_B, MessageHandler<&TProbeOverride::CMProbeB>},
      {CM_HITTEST, MessageHandler<&TProbeOverride::CMHitTest>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

enum TProbeKind { pkBase, pkMiddle, pkLeaf, pkOverride };

std::unique_ptr<TControl> MakeProbe(TProbeKind Kind) {
  switch (Kind) {
    case pkBase: return std::make_unique<TProbeBase>(nullptr);
    case pkMiddle: return std::make_unique<TProbeMiddle>(nullptr);
    case pkLeaf: return std::make_unique<TProbeLeaf>(nullptr);
    case pkOverride: return std::make_unique<TProbeOverride>(nullptr);
  }
  return nullptr;
}

struct TSent {
  UINT Msg;
  LPARAM LParam;
};

struct TDispatchCase {
  const wchar_t* Name;
  TProbeKind Kind;
  std::vector<TSent> Messages;
  std::vector<std::wstring> ExpectedTrace;
  std::vector<LRESULT> ExpectedResults;
};

TEST(MessageMap, DispatchFindsTheNearestTableAndInheritedMessageWalksUpTheChain) {
  const std::vector<TDispatchCase> cases = {
      {L"own handler, then the default", pkBase, {{CM_PROBE_A, 0}}, {L"Base.A", L"default"}, {0}},
      {L"own handler that answers", pkBase, {{CM_PROBE_B, 0}}, {L"Base.B"}, {2}},
      {L"no table lists it", pkBase, {{CM_PROBE_C, 0}}, {L"default"}, {0}},
      {L"derived handler first, then the parent's", pkMiddle, {{CM_PROBE_A, 0}},
       {L"Middle.A", L"Base.A", L"default"}, {0}},
      {L"parent's handler when the class lists none", pkMiddle, {{CM_PROBE_B, 0}}, {L"Base.B"}, {2}},
      {L"typed record", pkMiddle, {{CM_PROBE_C, 0}}, {L"Middle.C:-"}, {3}},
      {L"class without a table", pkLeaf, {{CM_PROBE_A, 0}, {CM_PROBE_C, 0}},
       {L"Middle.A", L"Base.A", L"default", L"Middle.C:-"}, {0, 3}},
      {L"three levels", pkOverride, {{CM_PROBE_A, 0}},
       {L"Override.A", L"Middle.A", L"Base.A", L"default"}, {0}},
      {L"a handler that does not pass on stops there", pkOverride, {{CM_PROBE_B, 0}},
       {L"Override.B"}, {0}},
      {L"a library message taken over and passed on", pkOverride, {{CM_HITTEST, MAKELPARAM(7, -3)}},
       {L"Override.HitTest:7,-3"}, {HTCLIENT}},
      {L"a library message answered by TControl's table", pkBase, {{CM_HITTEST, 0}}, {}, {HTCLIENT}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto probe = MakeProbe(c.Kind);
    Trace.clear();
    std::vector<LRESULT> results;
    for (const TSent& m : c.Messages) results.push_back(probe->Perform(m.Msg, 0, m.LParam));
    EXPECT_EQ(Trace, c.ExpectedTrace);
    EXPECT_EQ(results, c.ExpectedResults);
  }
}

TEST(MessageMap, TablesChainToTheParentClassTable) {
  EXPECT_EQ(TProbeMiddle::ClassMessages()->Parent(), TProbeBase::ClassMessages());
  EXPECT_EQ(TProbeBase::ClassMessages()->Parent(), TCustomControl::ClassMessages());
  EXPECT_EQ(TCustomControl::ClassMessages()->Parent(), TWinControl::ClassMessages());
  EXPECT_EQ(TWinControl::ClassMessages()->Parent(), TControl::ClassMessages());
  EXPECT_EQ(TControl::ClassMessages()->Parent(), nullptr);
  // A class without a table answers with its parent's.
  TProbeLeaf leaf(nullptr);
  EXPECT_EQ(leaf.MessageMap(), TProbeMiddle::ClassMessages());
  EXPECT_EQ(TProbeLeaf::ClassMessages(), TProbeMiddle::ClassMessages());
  // Every table lists a message at most once.
  for (const TMessageMap* m : {TControl::ClassMessages(), TWinControl::ClassMessages(),
                               TCustomControl::ClassMessages(), TProbeOverride::ClassMessages()})
    for (std::size_t i = 0; i < m->Count(); ++i)
      for (std::size_t j = i + 1; j < m->Count(); ++j) EXPECT_NE(m->Entry(i).Msg, m->Entry(j).Msg);
}

TEST(MessageMap, TypedRecordsNameTheParametersAndWriteThrough) {
  TMessage mouse{WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 300), 0};
  TWMMouse m(mouse);
  EXPECT_EQ(m.XPos(), -5);
  EXPECT_EQ(m.YPos(), 300);
  EXPECT_EQ(m.Keys(), static_cast<WPARAM>(MK_LBUTTON));
  m.Result = 7;
  EXPECT_EQ(mouse.Result, 7);

  TMessage key{WM_KEYDOWN, 'A', 0x001E0001, 0};
  TWMKey k(key);
  EXPECT_EQ(k.CharCode(), 'A');
  k.SetCharCode(0);
  EXPECT_EQ(key.WParam, 0u);

  TMessage wheel{WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), MAKELPARAM(10, 20), 0};
  TWMMouseWheel w(wheel);
  EXPECT_EQ(w.WheelDelta(), -120);
  EXPECT_EQ(w.Keys(), MK_CONTROL);
  EXPECT_EQ(w.Pos().x, 10);

  TMessage command{WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), 0, 0};
  TWMCommand cmd(command);
  EXPECT_EQ(cmd.ItemID(), 42);
  EXPECT_EQ(cmd.NotifyCode(), BN_CLICKED);

  TMessage menu{WM_CONTEXTMENU, 0, static_cast<LPARAM>(-1), 0};
  TWMContextMenu cm(menu);
  EXPECT_EQ(cm.Pos().x, -1);
  EXPECT_EQ(cm.Pos().y, -1);
}

}  // namespace

}  // namespace ZS_UNITY_ID
