#include "SecurityFakes.h"

#include "ZvJson.h"

namespace ZS_UNITY_ID {

namespace {

class ExportTest : public SecurityTest {};

TEST_F(ExportTest, IcaclsLikeText) {
  ReadSddl(L"D:PAI(A;OICIID;0x1200a9;;;BU)(D;;FW;;;WD)(A;;FA;;;SY)(A;OICIIONP;GA;;;CO)"
           L"(D;CI;0x100000;;;BA)");
  TQvAccessItem* odd = List.Add();  // bits outside the thirteen rights, set by hand
  odd->SetUserName(L"S-1-5-21-1-2-3-1001");
  odd->SetAceType(actAccessDenied);
  odd->SetMask(0x80000001);
  TQvAccessItem* none = List.Add();
  none->SetUserName(L"Everyone");
  EXPECT_EQ(List.GetICacslLikeFormat(),
            L"BUILTIN\\Users:(I)(OI)(CI)(RD,REA,X,RA,Rc)\r\n"
            L"Everyone:(DENY)(Rc,WD,WEA,WA,AD)\r\n"
            L"SYSTEM:(DE,RD,REA,X,RA,Rc,WDAC,WO,WD,WEA,DC,WA,AD)\r\n"
            L"CREATOR OWNER:(OI)(CI)(IO)(NP)(DE,RD,REA,X,RA,Rc,WDAC,WO,WD,WEA,DC,WA,AD)\r\n"
            L"BUILTIN\\Administrators:(CI)(DENY)\r\n"
            L"S-1-5-21-1-2-3-1001:(DENY)(RD,?2147483648)\r\n"
            L"Everyone:");
  TQvAccessList empty;
  EXPECT_EQ(empty.GetICacslLikeFormat(), L"");
}

TEST_F(ExportTest, Json) {
  ReadSddl(L"D:PAI(A;OICIID;0x1200a9;;;BU)(D;;FA;;;S-1-5-21-1-2-3-1001)");
  TJSONObject json;
  List.SaveToJson(&json);
  const String golden =
      L"{\"securityDescriptor\":37892,\"IsInheritedAcl\":false,\"acelist\":["
      L"{\"user\":\"BUILTIN\\\\Users\",\"sid\":\"S-1-5-32-545\",\"mask\":131241,"
      L"\"mask_caption\":\"読み取りと実行\",\"mask_symbol\":\"RD,REA,X,RA,Rc\","
      L"\"flags\":\"(I)(OI)(CI)\",\"flagsdword\":19,\"acetype\":\"許可\","
      L"\"applyto\":\"このフォルダ、サブフォルダおよびファイル\"},"
      L"{\"user\":\"S-1-5-21-1-2-3-1001\",\"sid\":\"S-1-5-21-1-2-3-1001\",\"mask\":983551,"
      L"\"mask_caption\":\"フルコントロール\","
      L"\"mask_symbol\":\"DE,RD,REA,X,RA,Rc,WDAC,WO,WD,WEA,DC,WA,AD\",\"flags\":\"\","
      L"\"flagsdword\":0,\"acetype\":\"拒否\",\"applyto\":\"このフォルダのみ\"}]}";
  EXPECT_EQ(json.toString(), golden);
  // 0x9404: self-relative, DACL protected, auto-inherited and present.
  EXPECT_EQ(json.getInt(L"securityDescriptor"), 0x9404);
  // Saving again replaces the three values instead of adding to them.
  List.SaveToJson(&json);
  EXPECT_EQ(json.toString(), golden);
}

TEST_F(ExportTest, JsonIntoAnObjectThatHasKeys) {
  ReadSddl(L"D:");
  TJSONObject json;
  json.put(L"path", L"C:\\fixture");
  json.put(L"acelist", 1);
  List.SaveToJson(&json);
  EXPECT_EQ(json.toString(),
            L"{\"path\":\"C:\\\\fixture\",\"acelist\":[],\"securityDescriptor\":32772,"
            L"\"IsInheritedAcl\":true}");
}

}  // namespace

}  // namespace ZS_UNITY_ID
