// A reply of a command/response exchange (a code and text lines), and a collection of
// known replies.
#pragma once

#include <memory>

#include "Persistent.h"
#include "VRNetGlobal.h"

class TVRNetReplies;

class TVRNetReply : public TCollectionItem {
  DECLARE_CLASS(TVRNetReply, TCollectionItem)
 public:
  explicit TVRNetReply(TCollection* ACollection = nullptr);
  TVRNetReply(TCollection* ACollection, TVRNetReplies* AReplyTexts);
  ~TVRNetReply() override;

  void Assign(TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) override;

  const String& Code() const { return FCode; }
  // "Reply Code is not valid: %s", "Reply Code already exists: %s" (EVRNetException).
  void SetCode(const String& AValue);
  TStrings* Text() const { return FText.get(); }
  void SetText(TStrings* AValue) { FText->Assign(AValue); }
  Integer NumericCode() const;
  void SetNumericCode(Integer AValue) { SetCode(IntToStr(AValue)); }

  virtual TStrings* FormattedReply();
  virtual void SetFormattedReply(TStrings* AValue) = 0;
  virtual bool CodeIsValid(const String& ACode) { return true; }
  virtual void Clear();
  virtual bool IsEndMarker(const String& ALine) { return false; }
  [[noreturn]] virtual void RaiseReplyError() = 0;
  virtual bool ReplyExists() { return !FCode.empty(); }
  void SetReply(Integer ACode, const String& AText) { SetReply(IntToStr(ACode), AText); }
  virtual void SetReply(const String& ACode, const String& AText);
  void UpdateText();

 protected:
  String GetDisplayName() override;
  TStrings* ClearedFormattedReply();

  String FCode;
  std::unique_ptr<TStrings> FFormattedReply;
  TVRNetReplies* FReplyTexts = nullptr;
  std::unique_ptr<TStrings> FText;
};

class TVRNetReplies : public TOwnedCollection {
  DECLARE_CLASS(TVRNetReplies, TOwnedCollection)
 public:
  TVRNetReplies(TPersistent* AOwner, TClass AReplyClass) : TOwnedCollection(AOwner, AReplyClass) {}
  TVRNetReply* Add() { return static_cast<TVRNetReply*>(TCollection::Add()); }
  TVRNetReply* Add(Integer ACode, const String& AText) { return Add(IntToStr(ACode), AText); }
  // A failing SetReply frees the new item and propagates.
  TVRNetReply* Add(const String& ACode, const String& AText);
  virtual TVRNetReply* Find(const String& ACode, TVRNetReply* AIgnore = nullptr);
  virtual void UpdateText(TVRNetReply* AReply);
};
