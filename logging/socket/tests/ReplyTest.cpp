// Numbered replies.
#include "TestPeer.h"

#include <gtest/gtest.h>

#include "VRNetException.h"
#include "VRNetReplyRFC.h"

namespace ZS_UNITY_ID {

TEST(VRNetReply, ParsesAndFormatsMultiLineReplies) {
  TVRNetReplyRFC r;
  struct Case {
    const wchar_t* Line;
    bool End;
  } cases[] = {{L"250-first", false}, {L"250-second", false}, {L"250 last", true}, {L"250", true}, {L"25", true}};
  for (const Case& c : cases) EXPECT_EQ(r.IsEndMarker(c.Line), c.End) << c.Line;

  TStringList lines;
  lines.Add(L"250-first");
  lines.Add(L"250-second");
  lines.Add(L"250 last");
  r.SetFormattedReply(&lines);
  EXPECT_EQ(r.Code(), L"250");
  EXPECT_EQ(r.NumericCode(), 250);
  ASSERT_EQ(r.Text()->Count(), 3);
  EXPECT_EQ(r.Text()->Strings(0), L"first");
  EXPECT_EQ(r.Text()->Strings(2), L"last");
  TStrings* again = r.FormattedReply();
  ASSERT_EQ(again->Count(), 3);
  EXPECT_EQ(again->Strings(0), L"250-first");
  EXPECT_EQ(again->Strings(2), L"250 last");
  EXPECT_EQ(r.DisplayName(), L"250 first");

  TVRNetReplyRFC bare;
  bare.SetReply(550, L"");
  EXPECT_EQ(bare.FormattedReply()->Count(), 1);
  EXPECT_EQ(bare.FormattedReply()->Strings(0), L"550");
  EXPECT_TRUE(bare.ReplyExists());
  TVRNetReplyRFC none;
  EXPECT_FALSE(none.ReplyExists());
}

TEST(VRNetReply, CodesAreValidatedAndUniqueInACollection) {
  TVRNetReplyRFC r;
  for (const wchar_t* bad : {L"99", L"word", L"1000"}) {
    try {
      r.SetCode(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const EVRNetException& e) {
      EXPECT_EQ(e.Message(), String(L"Reply Code is not valid: ") + bad);
    }
  }
  r.SetCode(L"  ");
  EXPECT_EQ(r.Code(), L"  ");
  r.SetCode(L"200");
  EXPECT_EQ(r.Code(), L"200");

  TVRNetReplies replies(nullptr, TVRNetReplyRFC::StaticClass());
  replies.Add(200, L"OK");
  try {
    replies.Add(L"200", L"again");
    FAIL();
  } catch (const EVRNetException& e) {
    EXPECT_EQ(e.Message(), L"Reply Code already exists: 200");
  }
  EXPECT_EQ(replies.Count(), 1);
  EXPECT_EQ(replies.Find(L"200")->Text()->Strings(0), L"OK");
  EXPECT_EQ(replies.Find(L""), nullptr);

  // A reply that knows the collection takes the default text of its code.
  TVRNetReplyRFC withTexts(nullptr, &replies);
  withTexts.SetCode(L"200");
  withTexts.UpdateText();
  EXPECT_EQ(withTexts.Text()->Strings(0), L"OK");
}

TEST(VRNetReply, RaisesItsErrorAndCopies) {
  TVRNetReplyRFC r;
  r.SetReply(421, L"line one\r\nline two");
  try {
    r.RaiseReplyError();
  } catch (const EVRNetReplyRFCError& e) {
    EXPECT_EQ(e.ErrorCode(), 421);
    EXPECT_EQ(e.Message(), L"line one\r\nline two");
  }
  TVRNetReplyRFC copy;
  copy.Assign(&r);
  EXPECT_EQ(copy.Code(), L"421");
  EXPECT_EQ(copy.Text()->Count(), 2);
  TVRNetReplyRFC empty, target;
  target.SetReply(500, L"x");
  target.Assign(&empty);  // a reply without code passes on a blank code
  EXPECT_EQ(target.Code(), L"");
  TStringList notAReply;
  EXPECT_THROW(r.Assign(&notAReply), EConvertError);
}

}  // namespace ZS_UNITY_ID
