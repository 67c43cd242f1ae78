#include "SecurityFakes.h"

namespace ZS_UNITY_ID {

namespace {

TQvAceFlags SetOf(Byte b) { return QvAceFlagsFromSetByte(b); }

TEST(Captions, PermissionLevelsAndSpecialRights) {
  struct Case {
    Cardinal Mask;
    const wchar_t *Caption, *Symbols;
  } cases[] = {
      {0xF01FF, L"フルコントロール", L"DE,RD,REA,X,RA,Rc,WDAC,WO,WD,WEA,DC,WA,AD"},
      {0x301BF, L"変更", L"DE,RD,REA,X,RA,Rc,WD,WEA,WA,AD"},
      {0x201BF, L"読み取り・書き込みと実行", L"RD,REA,X,RA,Rc,WD,WEA,WA,AD"},
      {0x200A9, L"読み取りと実行", L"RD,REA,X,RA,Rc"},
      {0x2019F, L"読み取りと書き込み", L"RD,REA,RA,Rc,WD,WEA,WA,AD"},
      {0x20089, L"読み取り", L"RD,REA,RA,Rc"},
      {0x116, L"書き込み", L"WD,WEA,WA,AD"},
      {0, L"なし", L""},
      {0x1200A9, L"特殊なアクセス許可", L"RD,REA,X,RA,Rc,?1048576"},
      {0x100000, L"特殊なアクセス許可", L"?1048576"},
      {0x80000000, L"特殊なアクセス許可", L"?2147483648"},
      {0x40, L"特殊なアクセス許可", L"DC"},
      {0xF0000000 | 0x1, L"特殊なアクセス許可", L"RD,?4026531840"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Mask);
    EXPECT_EQ(MaskCaption(c.Mask), c.Caption);
    EXPECT_EQ(MaskSymbol(c.Mask), c.Symbols);
  }
  EXPECT_EQ(FindPermissionLevel(0x200A9), 3);
  EXPECT_EQ(FindPermissionLevel(0x1F01FF), -1);
  EXPECT_STREQ(QvPermissionLevels[2].Symbol, L"RX,W");
  EXPECT_STREQ(QvSpecialRights[10].Caption, L"サブフォルダのファイルの削除");
}

TEST(Captions, FlagsAppliesToAndTypes) {
  struct Case {
    Byte Set;
    const wchar_t *Flags, *ApplyTo;
  } cases[] = {
      {0x00, L"", L"このフォルダのみ"},
      {0x03, L"(OI)(CI)", L"このフォルダ、サブフォルダおよびファイル"},
      {0x02, L"(CI)", L"このフォルダとサブフォルダ"},
      {0x01, L"(OI)", L"このフォルダとファイル"},
      {0x07, L"(OI)(CI)(IO)", L"サブフォルダとファイルのみ"},
      {0x06, L"(CI)(IO)", L"サブフォルダのみ"},
      {0x05, L"(OI)(IO)", L"ファイルのみ"},
      {0x04, L"(IO)", L"？？？"},
      {0x13, L"(I)(OI)(CI)", L"このフォルダ、サブフォルダおよびファイル"},
      {0x0B, L"(OI)(CI)(NP)", L"このフォルダ、サブフォルダおよびファイル(下位フォルダに継承しない)"},
      {0x1F, L"(I)(OI)(CI)(IO)(NP)", L"サブフォルダとファイルのみ(下位フォルダに継承しない)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Set);
    EXPECT_EQ(FlagsText(SetOf(c.Set)), c.Flags);
    EXPECT_EQ(ApplyToText(SetOf(c.Set)), c.ApplyTo);
  }
  EXPECT_EQ(AceTypeText(actAccessAllowed), L"許可");
  EXPECT_EQ(AceTypeText(actAccessDenied), L"拒否");
  for (TQvAceType t : {actAuditSuccess, actAuditFailure, actAuditFull}) {
    EXPECT_EQ(AceTypeText(t), L"？？");
    TQvAccessItem item;
    item.SetAceType(t);
    EXPECT_EQ(TypeCaption(&item), L"？？");
  }
  TQvAccessItem item;
  item.SetAceType(actAccessDenied);
  EXPECT_EQ(TypeCaption(&item), L"拒否");
  item.SetAceType(actAccessAllowed);
  EXPECT_EQ(TypeCaption(&item), L"許可");
}

TEST(MainWindowCaptions, Permission) {
  struct Case {
    Cardinal Mask;
    const wchar_t *Exact, *ExactSymbol, *Compat, *CompatSymbol;
  } cases[] = {
      {0, L"なし", L"-", L"なし", L"-"},
      {0x116, L"書き込み", L"W", L"書き込み", L"W"},
      {0x20089, L"読み取り", L"R", L"読み取り", L"R"},
      {0x200A9, L"読み取りと実行", L"R", L"読み取りと実行", L"X"},
      {0x201BF, L"読み取り・書き込みと実行", L"#", L"読み取り・書き込みと実行", L"M"},
      {0x301BF, L"変更", L"C", L"変更", L"C"},
      {0xF01FF, L"フルコントロール", L"F", L"フルコントロール", L"F"},
      {0x1F01FF, L"フルコントロール", L"F", L"フルコントロール", L"F"},
      {0x1200A9, L"読み取りと実行", L"R", L"読み取りと実行", L"X"},  // SYNCHRONIZE dropped
      {0x2019F, L"特殊", L"#", L"書き込み+", L"W+"},
      {0x3019F, L"特殊", L"#", L"書き込み+", L"W+"},
      {0x301FF, L"特殊", L"#", L"変更+", L"C+"},
      {0x601BF, L"特殊", L"#", L"読み取り・書き込みと実行+", L"M+"},
      {0x200AB, L"特殊", L"#", L"読み取りと実行+", L"X+"},
      {0x20088, L"特殊", L"#", L"特殊", L"#"},
      {0x100000, L"なし", L"-", L"なし", L"-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Mask);
    TQvAccessItem item;
    item.SetMask(c.Mask);
    String symbol = L"stale";
    EXPECT_EQ(PermissionCaption(&item, symbol, false), c.Exact);
    EXPECT_EQ(symbol, c.ExactSymbol);
    EXPECT_EQ(PermissionCaption(&item, symbol, true), c.Compat);
    EXPECT_EQ(symbol, c.CompatSymbol);
    String caption;
    EXPECT_EQ(MaskPermissionCaption(c.Mask, caption, false), c.ExactSymbol);
    EXPECT_EQ(caption, c.Exact);
  }
  EXPECT_EQ(NormalizedMask(0xFFFFFFFF), 0xF01FFu);
}

TEST(MainWindowCaptions, AppliesTo) {
  struct Case {
    Byte Set;
    const wchar_t *Exact, *Symbol, *Compat;
  } cases[] = {
      {0x00, L"このフォルダのみ", L"", L"このフォルダのみ"},
      {0x10, L"このフォルダのみ", L"", L"このフォルダのみ"},
      {0x08, L"このフォルダのみ(NP)", L"(NP)", L"このフォルダのみ(NP)"},
      {0x01, L"このフォルダとファイル", L"(OI)", L"このフォルダとファイル(このフォルダ以下全て)"},
      {0x09, L"このフォルダとファイル(NP)", L"(OI)(NP)", L"このフォルダとファイル(このフォルダ直下のみ)"},
      {0x02, L"このフォルダとサブフォルダ", L"(CI)", L"このフォルダとサブフォルダ(このフォルダ以下全て)"},
      {0x0A, L"このフォルダとサブフォルダ(NP)", L"(CI)(NP)", L"このフォルダとサブフォルダ(このフォルダ直下のみ)"},
      {0x13, L"このフォルダ、サブフォルダおよびファイル", L"(OI)(CI)", L"このフォルダ、サブフォルダおよびファイル(このフォルダ以下全て)"},
      {0x0B, L"このフォルダ、サブフォルダおよびファイル(NP)", L"(OI)(CI)(NP)", L"このフォルダ、サブフォルダおよびファイル(このフォルダ直下のみ)"},
      {0x05, L"ファイルのみ", L"(OI)(IO)", L"ファイルのみ（サブフォルダ以下すべて）"},
      {0x0D, L"ファイルのみ(NP)", L"(OI)(IO)(NP)", L"ファイル(このフォルダ直下のみ)"},
      {0x06, L"サブフォルダのみ", L"(CI)(IO)", L"サブフォルダのみ（サブフォルダ以下すべて）"},
      {0x0E, L"サブフォルダのみ(NP)", L"(CI)(IO)(NP)", L"サブフォルダ(このフォルダ直下のみ)"},
      {0x17, L"サブフォルダとファイルのみ", L"(OI)(CI)(IO)", L"サブフォルダとファイルのみ(サブフォルダ以下すべて)"},
      {0x0F, L"サブフォルダとファイルのみ(NP)", L"(OI)(CI)(IO)(NP)", L"サブフォルダとファイル(このフォルダ直下のみ)"},
      {0x04, L"？？？", L"", L"？？？"},
      {0x0C, L"？？？(NP)", L"(NP)", L"？？？(NP)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Set);
    TQvAccessItem item;
    item.SetFlags(SetOf(c.Set));
    String symbol = L"stale";
    EXPECT_EQ(ApplyToCaption(&item, symbol, false), c.Exact);
    EXPECT_EQ(symbol, c.Symbol);
    EXPECT_EQ(ApplyToCaption(&item, symbol, true), c.Compat);
    EXPECT_EQ(symbol, c.Symbol);
  }
}

class InheritedFromTest : public SecurityTest {
 protected:
  // The entry of `Folder` at `Index` read through the fakes.
  TQvAccessItem* EntryOf(const String& Folder, Integer Index) {
    Read(Folder);
    return List.Get(Index);
  }
};

TEST_F(InheritedFromTest, ExplicitEntriesReadNothing) {
  TQvAccessItem item;
  item.SetFlags(SetOf(0x03));
  EXPECT_EQ(InheritedFrom(&item, L"C:\\A\\B"), L"(継承なし)");
  EXPECT_TRUE(fakes::Reads.empty());
}

TEST_F(InheritedFromTest, ThreeLevels) {
  fakes::Sddl[L"C:\\"] = L"D:(A;OICI;FA;;;SY)";
  fakes::Sddl[L"C:\\A"] = L"D:(A;OICIID;FA;;;SY)(A;OICI;0x1200a9;;;BU)(D;OICI;FW;;;WD)";
  fakes::Sddl[L"C:\\A\\B"] =
      L"D:(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(D;OICIID;FW;;;WD)(A;OICIID;FA;;;BA)";
  fakes::Sddl[L"C:\\A\\B\\C"] =
      L"D:(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(D;OICIID;FW;;;WD)(A;OICIID;FA;;;BA)"
      L"(A;ID;FR;;;BU)(A;OICIID;FA;;;AU)";
  struct Case {
    Integer Entry;
    const wchar_t* From;
  } cases[] = {
      {0, L"C:\\"},     // explicit at the root
      {1, L"C:\\A"},    // explicit in the grandparent, inherited in the parent
      {2, L"C:\\A"},    // a denied entry matches only a denied one
      {3, L"C:\\A\\B"}, // inherited in the parent, absent above: the nearest holder
      {4, L"C:\\A\\B\\C"},  // the mask differs from every ancestor's: the folder itself
      {5, L"C:\\A\\B\\C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Entry);
    TQvAccessList own;
    TQvNTFileSecurity(L"C:\\A\\B\\C").GetAccessList(&own, L"");
    EXPECT_EQ(InheritedFrom(own.Get(c.Entry), L"C:\\A\\B\\C"), c.From);
  }
}

TEST_F(InheritedFromTest, StopsAtTheDriveRoot) {
  fakes::Sddl[L"C:\\"] = L"D:(A;OICIIOID;FA;;;SY)";
  fakes::Sddl[L"C:\\A"] = L"D:(A;OICIID;FA;;;SY)";
  TQvAccessList own;
  TQvNTFileSecurity(L"C:\\A").GetAccessList(&own, L"");
  fakes::Reads.clear();
  EXPECT_EQ(InheritedFrom(own.Get(0), L"C:\\A"), L"C:\\");
  EXPECT_EQ(fakes::Reads, std::vector<String>{L"C:\\"});
  // An unreadable parent ends the walk with the folder itself.
  fakes::Sddl.erase(L"C:\\");
  EXPECT_EQ(InheritedFrom(own.Get(0), L"C:\\A"), L"C:\\A");
  // The root folder itself: nothing above it.
  EXPECT_EQ(InheritedFrom(own.Get(0), L"C:\\"), L"C:\\");
}

}  // namespace

}  // namespace ZS_UNITY_ID
