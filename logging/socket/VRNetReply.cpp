#include "VRNetReply.h"

#include "VRNetException.h"

TVRNetReply::TVRNetReply(TCollection* ACollection)
    : TCollectionItem(ACollection), FFormattedReply(std::make_unique<TStringList>()),
      FText(std::make_unique<TStringList>()) {}

TVRNetReply::TVRNetReply(TCollection* ACollection, TVRNetReplies* AReplyTexts) : TVRNetReply(ACollection) {
  FReplyTexts = AReplyTexts;
}

TVRNetReply::~TVRNetReply() = default;

void TVRNetReply::Assign(TPersistent* Source) {
  if (auto* r = dynamic_cast<TVRNetReply*>(Source)) {
    r->AssignTo(this);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TVRNetReply::AssignTo(TPersistent* Dest) {
  if (auto* d = dynamic_cast<TVRNetReply*>(Dest)) {
    d->SetCode(FCode);
    d->FText->Assign(FText.get());
    return;
  }
  TCollectionItem::AssignTo(Dest);
}

void TVRNetReply::SetCode(const String& AValue) {
  if (AValue == FCode) return;
  if (!CodeIsValid(AValue)) EVRNetException::Toss(UsFormat(L"Reply Code is not valid: %s", {AValue}));
  if (auto* replies = dynamic_cast<TVRNetReplies*>(Collection()))
    if (replies->Find(AValue, this)) EVRNetException::Toss(UsFormat(L"Reply Code already exists: %s", {AValue}));
  Clear();
  FCode = AValue;
}

Integer TVRNetReply::NumericCode() const { return TrimStrToInt(FCode, 0); }

TStrings* TVRNetReply::ClearedFormattedReply() {
  FFormattedReply->Clear();
  return FFormattedReply.get();
}

TStrings* TVRNetReply::FormattedReply() { return ClearedFormattedReply(); }

void TVRNetReply::Clear() {
  FText->Clear();
  FCode.clear();
}

void TVRNetReply::SetReply(const String& ACode, const String& AText) {
  SetCode(ACode);
  FText->SetText(AText);
}

void TVRNetReply::UpdateText() {
  if (FReplyTexts) FReplyTexts->UpdateText(this);
}

String TVRNetReply::GetDisplayName() {
  String r = FCode;
  if (FText->Count() > 0) r += L" " + FText->Strings(0);
  return r;
}

TVRNetReply* TVRNetReplies::Add(const String& ACode, const String& AText) {
  TVRNetReply* r = Add();
  TScopeExit discard([r] { delete r; });  // a reply that cannot be set leaves the list
  r->SetReply(ACode, AText);
  discard.Dismiss();
  return r;
}

TVRNetReply* TVRNetReplies::Find(const String& ACode, TVRNetReply* AIgnore) {
  if (ACode.empty()) return nullptr;
  for (Integer i = 0; i < Count(); ++i) {
    auto* r = static_cast<TVRNetReply*>(Items(i));
    if (r != AIgnore && r->Code() == ACode) return r;
  }
  return nullptr;
}

void TVRNetReplies::UpdateText(TVRNetReply* AReply) {
  if (AReply->Text()->Count() != 0) return;
  if (TVRNetReply* other = Find(AReply->Code(), AReply)) AReply->Text()->Assign(other->Text());
}
