// A small filter criteria over records held as vectors of variants: each item link is a
// field with a name, a caption, an ID and a column.
#pragma once

#include <memory>
#include <vector>

#include "vxFilter.h"

struct TTestFilterField : public TObject {
  TTestFilterField(String AName, String ACaption, Integer AID, Integer AColumn)
      : Name(std::move(AName)), Caption(std::move(ACaption)), ID(AID), Column(AColumn) {}
  String Name, Caption;
  Integer ID, Column;
};

using TTestFilterRecord = std::vector<Variant>;

class TTestFilterItem : public TvxFilterCriteriaItem {
 public:
  using TvxFilterCriteriaItem::TvxFilterCriteriaItem;
  void RecordValue(Pointer AData, Variant& AValue) override {
    AValue = (*static_cast<const TTestFilterRecord*>(AData))[Field()->Column];
  }
  void FieldCaption(String& AText) override { AText = Field()->Caption; }
  void FieldName(String& AText) override { AText = Field()->Name; }
  TTestFilterField* Field() const { return static_cast<TTestFilterField*>(ItemLink()); }
};

class TTestFilterCriteria : public TvxFilterCriteria {
 public:
  std::vector<std::unique_ptr<TTestFilterField>> Fields;
  bool FailWrites = false;  // ItemLinkToID raises, as a writer whose links went away would
  int ChangedCount = 0;

  TTestFilterCriteria() {
    SetOnChanged([this](TObject*) { ++ChangedCount; });
  }
  TTestFilterField* AddField(const String& AName, const String& ACaption, Integer AID) {
    Fields.push_back(std::make_unique<TTestFilterField>(AName, ACaption, AID, static_cast<Integer>(Fields.size())));
    return Fields.back().get();
  }
  Integer ItemLinkToID(TObject* AItemLink) override {
    if (FailWrites) throw EWriteError(L"Stream write error");
    return static_cast<TTestFilterField*>(AItemLink)->ID;
  }
  void ItemLinkToName(TObject* AItemLink, String& AName) override {
    AName = static_cast<TTestFilterField*>(AItemLink)->Name;
  }
  TObject* IDToItemLink(Integer AID) override {
    for (auto& f : Fields)
      if (f->ID == AID) return f.get();
    return nullptr;
  }
  TObject* NameToItemLink(const String& AName) override {
    for (auto& f : Fields)
      if (f->Name == AName) return f.get();
    return nullptr;
  }
  std::unique_ptr<TvxFilterCriteriaItem> CreateItem(TvxFilterCriteriaItemList* AOwner, TObject* AItemLink,
                                                    TvxFilterOperatorKind AKind, const Variant& AValue,
                                                    const String& ADisplayValue) override {
    return std::make_unique<TTestFilterItem>(AOwner, AItemLink, AKind, AValue, ADisplayValue);
  }
  bool Passes(const TTestFilterRecord& R) { return EvaluateRecord(const_cast<TTestFilterRecord*>(&R)); }
};
