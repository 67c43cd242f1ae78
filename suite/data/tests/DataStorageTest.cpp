#include <gtest/gtest.h>

#include <random>

#include "TestUtils.h"
#include "vxDataStorage.h"

namespace ZS_UNITY_ID {

namespace {

class TDataStorageTest : public testing::Test {
 protected:
  TvxDataStorage S;
  TvxValueDef* AddDef(TvxValueTypeClass AType, bool ATextStored = false, bool AStored = true) {
    return S.ValueDefs()->Add(AType, AStored, ATextStored, nullptr);
  }
};

std::string Written(TvxDataStorage& S, Integer AIndex) {
  TMemoryStream m;
  S.WriteData(AIndex, &m);
  return StreamBytes(m);
}

void ReadInto(TvxDataStorage& S, Integer AIndex, const std::string& ABytes) {
  TMemoryStream m;
  LoadBytes(m, ABytes);
  S.ReadData(AIndex, &m);
}

}  // namespace

TEST_F(TDataStorageTest, LayoutOfDefinitions) {
  TvxValueDef* d = AddDef(TvxStringValueType::Class());
  EXPECT_EQ(d->Offset(), 1);
  EXPECT_EQ(d->DataSize(), 4);
  EXPECT_EQ(d->BufferSize(), 5);
  EXPECT_EQ(S.ValueDefs()->RecordSize(), 6);
  TvxDataStorageHelper::SetTextStored(d, true);
  EXPECT_EQ(d->BufferSize(), 9);
  EXPECT_EQ(S.ValueDefs()->RecordSize(), 10);
  S.SetUseRecordID(true);
  EXPECT_EQ(d->Offset(), 5);
  S.SetUseRecordID(false);

  TvxValueDef* hidden = AddDef(TvxIntegerValueType::Class(), false, false);
  TvxValueDef* next = AddDef(TvxFloatValueType::Class());
  EXPECT_EQ(hidden->BufferSize(), 5);  // laid out like any other while all values are kept
  S.SetStoredValuesOnly(true);
  EXPECT_EQ(hidden->BufferSize(), 0);
  EXPECT_EQ(hidden->Offset(), next->Offset());
  EXPECT_EQ(S.ValueDefs()->StoredCount(), 2);
  EXPECT_EQ(S.ValueDefs()->Count(), 3);
}

TEST_F(TDataStorageTest, ValuesNullsAndAllocation) {
  TvxValueDef* str = AddDef(TvxStringValueType::Class());
  TvxValueDef* num = AddDef(TvxIntegerValueType::Class(), true);
  S.SetRecordCount(3);
  EXPECT_TRUE(S.GetValue(1, str).IsNull());
  EXPECT_EQ(S.RecordBuffer(1), nullptr);  // reading allocates nothing
  S.SetValue(1, str, Variant(L"\u65E5\u672C"));
  EXPECT_NE(S.RecordBuffer(1), nullptr);
  EXPECT_EQ(S.GetValue(1, str).AsString(), L"\u65E5\u672C");
  S.SetValue(1, str, Null());
  Byte* b = S.RecordBuffer(1);
  EXPECT_EQ(b[str->Offset()], 0);
  EXPECT_EQ(b[str->Offset() + 1] | b[str->Offset() + 2] | b[str->Offset() + 3] | b[str->Offset() + 4], 0);
  S.SetValue(1, str, Variant(L""));
  EXPECT_FALSE(S.GetValue(1, str).IsNull());
  EXPECT_EQ(S.GetValue(1, str).AsString(), L"");

  S.SetValue(2, num, Variant(42));
  EXPECT_EQ(S.GetDisplayText(2, num), L"");  // TextStored: the stored text, none yet
  S.SetDisplayText(2, num, L"forty-two");
  EXPECT_EQ(S.GetDisplayText(2, num), L"forty-two");
  EXPECT_EQ(S.GetDisplayText(0, num), L"");
  TvxDataStorageHelper::SetTextStored(num, false);
  EXPECT_EQ(S.CompareRecords(0, 2, str), 0);
}

TEST_F(TDataStorageTest, FailedStoreLeavesANullValueNull) {
  TvxValueDef* num = AddDef(TvxIntegerValueType::Class());
  S.SetRecordCount(1);
  EXPECT_THROW(S.SetValue(0, num, Variant(L"not a number")), EVariantError);
  EXPECT_TRUE(S.GetValue(0, num).IsNull());
  S.SetValue(0, num, Variant(7));
  EXPECT_THROW(S.SetValue(0, num, Variant(L"x")), EVariantError);
  EXPECT_EQ(S.GetValue(0, num).AsInteger(), 7);
}

TEST_F(TDataStorageTest, InternalRecordsAndTwins) {
  TvxValueDef* str = AddDef(TvxStringValueType::Class());
  EXPECT_EQ(S.AddInternalRecord(), -1);
  S.DeleteRecord(-1);
  EXPECT_EQ(S.AddInternalRecord(), -1);
  EXPECT_EQ(S.AddInternalRecord(), -2);
  EXPECT_EQ(S.AddInternalRecord(), -3);
  S.SetValue(-2, str, Variant(L"inner"));
  EXPECT_EQ(S.GetValue(-2, str).AsString(), L"inner");
  ASSERT_NE(S.InternalValueDefs()->FindByLinkObject(str), nullptr);
  EXPECT_EQ(S.InternalValueDefs()->FindByLinkObject(str)->GetValueDef(), str);
  // A definition added later reaches the internal records through its twin.
  TvxValueDef* num = AddDef(TvxIntegerValueType::Class());
  S.SetValue(-2, num, Variant(5));
  EXPECT_EQ(S.GetValue(-2, num).AsInteger(), 5);
  EXPECT_EQ(S.GetValue(-2, str).AsString(), L"inner");
  int cleared = 0;
  S.OnClearInternalRecords = [&](TObject*) { ++cleared; };
  S.ClearInternalRecords();
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(S.InternalRecordCount(), 0);
}

TEST_F(TDataStorageTest, RecordIds) {
  AddDef(TvxIntegerValueType::Class());
  S.SetUseRecordID(true);
  for (int i = 0; i < 3; ++i) S.AppendRecord();
  EXPECT_EQ(S.GetRecordID(0), 1);
  EXPECT_EQ(S.GetRecordID(2), 3);
  S.SetRecordCount(0);
  S.AppendRecord();
  EXPECT_EQ(S.GetRecordID(0), 1);
  S.SetRecordID(0, 10);
  std::string bytes = Written(S, 0);
  S.AppendRecord();
  ReadInto(S, 1, bytes);
  EXPECT_EQ(S.GetRecordID(1), 10);
  EXPECT_EQ(S.AppendRecord(), 2);
  EXPECT_EQ(S.GetRecordID(2), 11);
}

TEST_F(TDataStorageTest, RemovingTheOnlyStoredDefinitionKeepsHeaders) {
  TvxValueDef* num = AddDef(TvxIntegerValueType::Class());
  S.SetUseRecordID(true);
  S.AppendRecord();
  S.AppendRecord();
  S.SetValue(1, num, Variant(9));
  Integer inner = S.AddInternalRecord();
  delete num;
  EXPECT_EQ(S.ValueDefs()->RecordSize(), 5);
  EXPECT_EQ(S.GetRecordID(0), 1);
  EXPECT_EQ(S.GetRecordID(1), 2);
  // The internal record is still in use: the next one gets a new slot.
  EXPECT_EQ(S.AddInternalRecord(), inner - 1);
}

TEST_F(TDataStorageTest, AddingAndRemovingDefinitionsKeepsOtherValues) {
  TvxValueDef* a = AddDef(TvxStringValueType::Class(), true);
  TvxValueDef* b = AddDef(TvxIntegerValueType::Class());
  S.SetRecordCount(2);
  S.SetValue(0, a, Variant(L"first"));
  S.SetDisplayText(0, a, L"shown");
  S.SetValue(0, b, Variant(3));
  TvxValueDef* c = AddDef(TvxFloatValueType::Class());
  S.SetValue(0, c, Variant(1.5));
  delete a;
  EXPECT_EQ(S.GetValue(0, b).AsInteger(), 3);
  EXPECT_DOUBLE_EQ(S.GetValue(0, c).AsDouble(), 1.5);
  EXPECT_EQ(b->Offset(), 1);
}

TEST_F(TDataStorageTest, DefinitionsAddedAndRemovedOneByOneLieEndToEnd) {
  // Each definition is laid out after the last one when it comes, and the ones after a
  // removed one move up: the layout must match a full one at every step.
  S.SetUseRecordID(true);
  std::vector<TvxValueDef*> defs;
  for (int i = 0; i < 300; ++i)
    defs.push_back(AddDef(i % 3 == 0 ? TvxStringValueType::Class() : TvxIntegerValueType::Class(), i % 5 == 0));
  S.SetRecordCount(2);
  for (size_t i = 0; i < defs.size(); ++i) S.SetValue(1, defs[i], Variant(static_cast<int>(i)));
  auto endToEnd = [](TvxValueDefs* D) {
    Integer offset = D->RecordOffset();
    for (Integer i = 0; i < D->Count(); ++i) {
      if (D->Items(i)->Offset() != offset) return false;
      offset += D->Items(i)->BufferSize();
    }
    return D->RecordSize() == offset;
  };
  EXPECT_TRUE(endToEnd(S.ValueDefs()));
  EXPECT_TRUE(endToEnd(S.InternalValueDefs()));
  for (size_t gone : {size_t{100}, size_t{0}, defs.size() - 1}) {
    delete defs[gone];
    defs[gone] = nullptr;
  }
  EXPECT_TRUE(endToEnd(S.ValueDefs()));
  EXPECT_TRUE(endToEnd(S.InternalValueDefs()));
  for (size_t i = 0; i < defs.size(); ++i)
    if (defs[i]) {
      EXPECT_EQ(VarToStr(S.GetValue(1, defs[i])), IntToStr(static_cast<Integer>(i))) << i;
    }
  EXPECT_EQ(S.ValueDefs()->Count(), 297);
}

TEST_F(TDataStorageTest, RecordStreamRoundTripKeepsJapaneseText) {
  TvxValueDef* str = AddDef(TvxStringValueType::Class(), true);
  TvxValueDef* num = AddDef(TvxFloatValueType::Class());
  TvxValueDef* obj = AddDef(TvxObjectValueType::Class());
  S.SetRecordCount(3);
  S.SetValue(0, str, Variant(L"\u65E5\u672C\u8A9E"));
  S.SetDisplayText(0, str, L"\u8868\u793A");
  S.SetValue(0, num, Variant(2.5));
  S.SetValue(0, obj, Variant(TvxObjectValueType::HandleOf(new TObject)));
  std::string bytes = Written(S, 0);
  EXPECT_EQ(bytes.substr(0, 6), "VDUFMT");
  // marker, nil byte, string (flag, count, 3 units), text (count, 2 units), float (flag, 10), object flag
  EXPECT_EQ(bytes.size(), 6u + 1 + (1 + 4 + 6) + (4 + 4) + (1 + 10) + 1);
  ReadInto(S, 2, bytes);
  EXPECT_EQ(S.GetValue(2, str).AsString(), L"\u65E5\u672C\u8A9E");
  EXPECT_EQ(S.GetDisplayText(2, str), L"\u8868\u793A");
  EXPECT_DOUBLE_EQ(S.GetValue(2, num).AsDouble(), 2.5);
  // Only the object value's flag is streamed: the copy names no object.
  EXPECT_EQ(TvxObjectValueType::ObjectOf(S.GetValue(2, obj).AsInteger()), nullptr);

  EXPECT_EQ(Written(S, 1), std::string("VDUFMT\x01", 7));
  ReadInto(S, 2, Written(S, 1));
  EXPECT_EQ(S.RecordBuffer(2), nullptr);
  EXPECT_THROW(Written(S, 3), EListError);
}

TEST_F(TDataStorageTest, RecordStreamInTheAnsiForm) {
  TvxValueDef* str = AddDef(TvxStringValueType::Class());
  S.SetRecordCount(2);
  // "VDAFMT" and no marker at all both mean 8-bit text in the system code page (932).
  std::string body = std::string("\x00\x00\x04\x00\x00\x00\x93\xFA\x96\x7B", 10);
  ReadInto(S, 0, "VDAFMT" + body);
  EXPECT_EQ(S.GetValue(0, str).AsString(), L"\u65E5\u672C");
  ReadInto(S, 1, body);
  EXPECT_EQ(S.GetValue(1, str).AsString(), L"\u65E5\u672C");
}

TEST_F(TDataStorageTest, MalformedRecordStreamsLeaveTheRecordAlone) {
  TvxValueDef* str = AddDef(TvxStringValueType::Class());
  TvxValueDef* flag = AddDef(TvxBooleanValueType::Class());
  S.SetRecordCount(1);
  S.SetValue(0, str, Variant(L"kept"));
  S.SetValue(0, flag, Variant(true));
  struct {
    const char* name;
    std::string bytes;
    const wchar_t* message;
  } cases[] = {
      {"nil byte 2", std::string("VDUFMT\x02", 7), L"Invalid stream format"},
      {"null flag 5", std::string("VDUFMT\x00\x05", 8), L"Invalid stream format"},
      {"string count beyond the stream", std::string("VDUFMT\x00\x00\xFF\x00\x00\x00\x41\x00", 14),
       L"Invalid stream format"},
      {"negative string count", std::string("VDUFMT\x00\x00\xFF\xFF\xFF\xFF", 12), L"Invalid stream format"},
      {"Boolean byte 7", std::string("VDUFMT\x00\x00\x01\x00\x00\x00\x41\x00\x00\x07", 16), L"Invalid stream format"},
      {"ends inside a value", std::string("VDUFMT\x00\x00\x01\x00\x00\x00\x41\x00\x00", 15), L"Stream read error"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RaisedMessage([&] { ReadInto(S, 0, c.bytes); }), c.message) << c.name;
    EXPECT_EQ(S.GetValue(0, str).AsString(), L"kept") << c.name;
    EXPECT_TRUE(S.GetValue(0, flag).AsBoolean()) << c.name;
  }
}

TEST_F(TDataStorageTest, StreamingOrder) {
  TvxValueDef* a = AddDef(TvxIntegerValueType::Class());
  TvxValueDef* b = AddDef(TvxSmallintValueType::Class());
  S.BeginStreaming([&](TvxValueDef* x, TvxValueDef* y) { return x == b ? -1 : (y == b ? 1 : 0); });
  EXPECT_EQ(S.ValueDefs()->Items(0), b);
  EXPECT_EQ(S.ValueDefs()->Items(1), a);
  S.EndStreaming();
  EXPECT_EQ(S.ValueDefs()->Items(0), a);
}

TEST_F(TDataStorageTest, HelperWorksOnDetachedBuffers) {
  TvxValueDef* str = AddDef(TvxStringValueType::Class(), true);
  TvxValueDef* num = AddDef(TvxIntegerValueType::Class());
  Pointer r1 = TvxDataStorageHelper::AllocateRecord(&S);
  Pointer r2 = TvxDataStorageHelper::AllocateRecord(&S);
  TvxDataStorageHelper::SetValue(r1, str, Variant(L"b"));
  TvxDataStorageHelper::SetValue(r2, str, Variant(L"a"));
  TvxDataStorageHelper::SetDisplayText(r1, str, L"B!");
  TvxDataStorageHelper::SetValue(r1, num, Variant(1));
  EXPECT_GT(TvxDataStorageHelper::Compare(str, r1, r2), 0);
  EXPECT_LT(TvxDataStorageHelper::Compare(num, r2, r1), 0);  // null first
  EXPECT_EQ(TvxDataStorageHelper::GetDisplayText(str, r1), L"B!");
  EXPECT_TRUE(TvxDataStorageHelper::GetValue(num, nullptr).IsNull());
  EXPECT_EQ(TvxDataStorageHelper::GetRecordSize(&S), 1 + 9 + 5);
  EXPECT_EQ(TvxDataStorageHelper::AppendRecord(&S, r2), 0);
  EXPECT_EQ(S.GetValue(0, str).AsString(), L"a");
  Pointer removed = TvxDataStorageHelper::RemoveRecord(&S, 0);
  EXPECT_EQ(removed, r2);
  TvxDataStorageHelper::FreeRecord(&S, r1);
  TvxDataStorageHelper::FreeRecord(&S, removed);
  EXPECT_EQ(r1, nullptr);
}

TEST_F(TDataStorageTest, RandomBytesAreReadOrRefused) {
  AddDef(TvxStringValueType::Class(), true);
  AddDef(TvxBooleanValueType::Class());
  AddDef(TvxVariantValueType::Class());
  AddDef(TvxWideStringValueType::Class());
  S.SetRecordCount(1);
  std::mt19937 rng(5);
  for (int i = 0; i < 3000; ++i) {
    std::string bytes = i % 2 ? "VDUFMT" : "";
    size_t n = rng() % 24;
    for (size_t k = 0; k < n; ++k) bytes.push_back(static_cast<char>(rng() % 4 == 0 ? rng() % 256 : rng() % 3));
    try {
      ReadInto(S, 0, bytes);
    } catch (const EReadError&) {
      // malformed input is refused with a read error
    } catch (const EVariantError&) {
      // a streamed value of the wrong kind does not convert
    }
    TMemoryStream m;
    LoadBytes(m, bytes.substr(i % 2 ? 6 : 0));
    try {
      ReadVariantFromStream(&m);
    } catch (const EReadError&) {
      // as above
    }
  }
}

}  // namespace ZS_UNITY_ID
