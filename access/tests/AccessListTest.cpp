#include <gtest/gtest.h>

#include "QvNTSecurityUnit.h"

namespace ZS_UNITY_ID {

namespace {

TQvAceFlags SetOf(Byte b) { return QvAceFlagsFromSetByte(b); }

TEST(AceFlags, WindowsByteToSetAndBack) {
  struct Case {
    Byte Windows;  // AceFlags byte of an ACE
    Byte Set;      // the TQvAceFlags byte it maps to
  } cases[] = {
      {0x00, 0x00}, {0x01, 0x01}, {0x02, 0x02}, {0x04, 0x08}, {0x08, 0x04},
      {0x10, 0x10}, {0x1F, 0x1F}, {0x0B, 0x07}, {0x13, 0x13}, {0xC0, 0x00},
      {0xDF, 0x1F}, {0x20, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Windows);
    EXPECT_EQ(QvAceFlagsByte(AceFlagsFromByte(c.Windows)), c.Set);
    // Back to the header byte: the inheritance bits return, audit and unknown bits not.
    EXPECT_EQ(AceFlagsToByte(SetOf(c.Set), actAccessAllowed), c.Windows & 0x1F);
  }
}

TEST(AceFlags, AuditTypesAddTheirBits) {
  const TQvAceFlags io = SetOf(0x04);
  EXPECT_EQ(AceFlagsToByte(io, actAuditFull), 0xC8);
  EXPECT_EQ(AceFlagsToByte(io, actAuditSuccess), 0x48);
  EXPECT_EQ(AceFlagsToByte(io, actAuditFailure), 0x88);
  EXPECT_EQ(AceFlagsToByte(io, actAccessDenied), 0x08);
}

TEST(AceFlags, HeaderTypes) {
  struct Case {
    Byte Flags, Type;
    TQvAceType Expected;
  } cases[] = {
      {0x00, 0, actAccessAllowed},   // allowed
      {0x00, 1, actAccessDenied},    // denied
      {0x00, 9, actAccessAllowed},   // allowed callback
      {0x00, 10, actAccessDenied},   // denied callback
      {0x00, 5, actAccessAllowed},   // allowed object
      {0x00, 6, actAccessDenied},    // denied object
      {0x00, 11, actAccessAllowed},  // allowed callback object
      {0x00, 12, actAccessDenied},   // denied callback object
      {0x40, 2, actAuditSuccess},  {0x80, 2, actAuditFailure},
      {0xC0, 2, actAuditFull},     {0x00, 2, actAccessAllowed},
      {0xC0, 1, actAccessDenied},  // audit bits mean nothing outside an audit ACE
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.Type) << "/" << int(c.Flags));
    EXPECT_EQ(AceTypeFromHeader(c.Flags, c.Type), c.Expected);
  }
}

TEST(AccessList, AddGetDeleteAndIndexes) {
  TQvAccessList list;
  TQvAccessItem* a = list.Add();
  TQvAccessItem* b = list.Add();
  EXPECT_EQ(a->Index(), 0);
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(a->Mask(), 0u);
  EXPECT_TRUE(a->UserName().empty());
  auto* c = new TQvAccessItem();
  c->SetIndex(42);
  EXPECT_EQ(list.Add(c), 2);
  EXPECT_EQ(c->Index(), 42);  // appending an existing item leaves its Index alone
  EXPECT_EQ(list.Get(2), c);
  EXPECT_THROW(list.Get(3), EListError);
  EXPECT_THROW(list.Get(-1), EListError);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), b);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(AccessList, InheritanceQueries) {
  TQvAccessList list;
  EXPECT_FALSE(list.IsAllInheritedAcl());
  list.Add()->SetFlags(SetOf(0x13));
  list.Add()->SetFlags(SetOf(0x10));
  EXPECT_TRUE(list.IsAllInheritedAcl());
  list.Add()->SetFlags(SetOf(0x03));
  EXPECT_FALSE(list.IsAllInheritedAcl());

  list.SetSecurityDescriptor(0x9004);  // self-relative, DACL present and protected
  EXPECT_FALSE(list.IsInheritedAcl());
  EXPECT_EQ(list.SecurityDescriptor(), 0x9004);
  list.SetSecurityDescriptor(0x8004);
  EXPECT_TRUE(list.IsInheritedAcl());
}

TEST(AccessItem, Dump) {
  TQvAccessItem item;
  item.SetMask(0x1);
  EXPECT_EQ(item.Dump(),
            L"READ_DATA\tX\r\nLIST_DIRECTORY\tX\r\nWRITE_DATA\t-\r\nADD_FILE\t-\r\n"
            L"ADD_SUBDIRECTORY\t-\r\nCREATE_PIPE_INSTANCE\t-\r\nREAD_EA\t-\r\nWRITE_EA\t-\r\n"
            L"EXECUTE\t-\r\nTRAVERSE\t-\r\nDELETE_CHILD\t-\r\nREAD_ATTRIBUTES\t-\r\n"
            L"WRITE_ATTRIBUTES\t-");
  item.SetMask(0xF01FF);
  String all = item.Dump();
  EXPECT_EQ(all.find(L"\t-"), String::npos);
  EXPECT_NE(all.substr(all.size() - 1), L"\n");
}

}  // namespace

}  // namespace ZS_UNITY_ID
