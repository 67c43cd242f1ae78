#include "VRNetReplyRFC.h"

#include "VRNetException.h"

bool TVRNetReplyRFC::CodeIsValid(const String& ACode) {
  const String c = Trim(ACode);
  if (c.empty()) return true;
  Integer n;
  return TryStrToInt(c, n) && n >= 100 && n <= 999;
}

bool TVRNetReplyRFC::IsEndMarker(const String& ALine) { return ALine.size() < 4 || ALine[3] == L' '; }

void TVRNetReplyRFC::RaiseReplyError() {
  String msg;
  for (Integer i = 0; i < Text()->Count(); ++i) {
    if (i) msg += L"\r\n";
    msg += Text()->Strings(i);
  }
  throw EVRNetReplyRFCError(NumericCode(), msg);
}

TStrings* TVRNetReplyRFC::FormattedReply() {
  TStrings* r = ClearedFormattedReply();
  if (NumericCode() < 1) {
    r->AddStrings(Text());
    return r;
  }
  const String code = IntToStr(NumericCode());
  if (Text()->Count() == 0) {
    r->Add(code);
    return r;
  }
  for (Integer i = 0; i < Text()->Count(); ++i)
    r->Add(code + (i + 1 < Text()->Count() ? L"-" : L" ") + Text()->Strings(i));
  return r;
}

void TVRNetReplyRFC::SetFormattedReply(TStrings* AValue) {
  Clear();
  if (AValue->Count() < 1) return;
  SetCode(Trim(AValue->Strings(0).substr(0, 3)));
  for (Integer i = 0; i < AValue->Count(); ++i) {
    const String& l = AValue->Strings(i);
    Text()->Add(l.size() > 4 ? l.substr(4) : String());
  }
}

void TVRNetReplyRFC::AssignTo(TPersistent* Dest) {
  if (auto* d = dynamic_cast<TVRNetReplyRFC*>(Dest)) {
    // A reply without a numeric code passes on a blank code: "0" is no valid code.
    if (NumericCode() > 0) d->SetNumericCode(NumericCode());
    else d->SetCode(String());
    d->Text()->Assign(Text());
    return;
  }
  TVRNetReply::AssignTo(Dest);
}
