// A logger whose send hook keeps every message it is offered, so that nothing reaches a
// dispatcher and each test reads back exactly what the send operations built.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "VantrelLogging.h"

namespace capture {

struct Message {
  Integer Type = 0;
  String Text, TypeName;
  std::vector<String> Details;
};

class TCapturingLogger {
 public:
  TCapturingLogger() : Logger(nullptr) {
    Logger.OnSendMsg = [this](TObject*, const TVantrelMsgData& Data, bool&) {
      Message m{Data.MsgType, Data.MsgText, Data.TypeName, {}};
      for (Integer i = 0; i < Data.Details->Count(); ++i) m.Details.push_back((*Data.Details)[i]);
      Messages.push_back(std::move(m));
    };
  }
  // The one message sent; fails the test when there is not exactly one.
  const Message& Only() const {
    EXPECT_EQ(Messages.size(), 1u);
    static const Message none;
    return Messages.empty() ? none : Messages.front();
  }
  TVantrelLogger Logger;
  std::vector<Message> Messages;
};

}  // namespace capture
