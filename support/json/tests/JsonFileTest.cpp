// Files, string lists and pointer lists.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Classes.h"
#include "Encoding.h"
#include "LeakCounter.h"
#include "ZvJson.h"

namespace ZS_UNITY_ID {

namespace {

class JsonFile : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FPath = String(temp) + L"zs_json_" + std::to_wstring(GetCurrentProcessId()) + L".json";
  }
  void TearDown() override { DeleteFileW(FPath.c_str()); }

  TBytes FileBytes() const {
    TMemoryStream m;
    m.LoadFromFile(FPath);
    const Byte* p = static_cast<const Byte*>(m.Memory());
    return TBytes(p, p + m.Size());
  }
  void WriteBytes(const TBytes& b) const {
    TFileStream f(FPath, fmCreate);
    if (!b.empty()) f.WriteBuffer(b.data(), static_cast<Integer>(b.size()));
  }

  String FPath;
};

TBytes Utf8(const char* s) { return TBytes(s, s + std::strlen(s)); }

TEST_F(JsonFile, SaveWritesIndentedLinesWithCrLfAndThePreamble) {
  TJSONObject o;
  o.put(L"a", 1)->put(L"名前", (new TJSONArray())->put(L"値")->put(true));
  o.SaveToFileUtf8(FPath);
  EXPECT_EQ(FileBytes(), Utf8("\xEF\xBB\xBF{\r\n  \"a\": 1,\r\n  \"\xE5\x90\x8D\xE5\x89\x8D\": [\r\n"
                              "    \"\xE5\x80\xA4\",\r\n    true\r\n  ]\r\n}\r\n"));

  TJSONArray a(L"[1]");
  a.SaveToFile(FPath, TEncoding::BigEndianUnicode());
  EXPECT_EQ(FileBytes(), TBytes({0xFE, 0xFF, 0, '[', 0, '1', 0, ']', 0, '\r', 0, '\n'}));
  std::unique_ptr<TEncoding> sjis(TEncoding::GetEncoding(932));
  TJSONObject(L"{\"k\":\"漢\"}").SaveToFile(FPath, sjis.get());
  EXPECT_EQ(FileBytes(), TBytes({'{', '"', 'k', '"', ':', ' ', '"', 0x8A, 0xBF, '"', '}', '\r', '\n'}));
}

TEST_F(JsonFile, LoadDetectsTheEncodingAndIgnoresAMissingFile) {
  TJSONObject o(L"{\"keep\":1}");
  o.LoadFromFile(FPath, false);  // no file yet: nothing changes
  EXPECT_EQ(o.toString(), L"{\"keep\":1}");

  // Shift_JIS without a mark, with an unquoted word.
  WriteBytes({'{', 'k', ':', ' ', 0x8A, 0xBF, ',', ' ', 'n', ':', '2', '}'});
  o.LoadFromFile(FPath, true);
  EXPECT_EQ(o.toString(), L"{\"k\":漢,\"n\":2}");

  TJSONObject saved(L"{\"text\":\"日本語\",\"list\":[1.5,null]}");
  saved.SaveToFileUtf8(FPath);
  TJSONObject back;
  back.LoadFromFile(FPath, nullptr, false);
  EXPECT_EQ(back.toString(), saved.toString());
  TJSONArray arr(L"[0]");
  EXPECT_THROW(arr.LoadFromFile(FPath, TEncoding::UTF8(), false), ParseException);  // an object
  EXPECT_EQ(arr.toString(), L"[0]");
}

TEST(JsonLists, StringListsAndPointerLists) {
  long long before = LiveAllocations();
  {
    // The list keeps its objects: the JSON object copies them.
    TStringList map(true);
    map.AddObject(L"b", new Integer_(1));
    map.AddObject(L"a", new String_(L"w", true));
    map.AddObject(L"n", nullptr);
    TJSONObject fromMap(&map);
    EXPECT_EQ(fromMap.toString(), L"{\"b\":1,\"a\":w,\"n\":null}");
    EXPECT_NE(fromMap.get(L"b"), map.Objects(0));

    std::unique_ptr<TStringList> keys(fromMap.keys());
    EXPECT_EQ(keys->CommaText(), L"b,a,n");

    TStringList notJson;
    notJson.AddObject(L"x", &notJson);
    EXPECT_THROW(TJSONObject bad(&notJson), ClassCastException);

    TList items;
    Integer_ one(1);
    TJSONArray inner(L"[2]");
    items.Add(&one);
    items.Add(nullptr);
    items.Add(&inner);
    TJSONArray fromList(&items);
    EXPECT_EQ(fromList.toString(), L"[1,null,[2]]");
    EXPECT_NE(fromList.get(0), &one);

    std::unique_ptr<TList> ptrs(fromList.toList());
    ASSERT_EQ(ptrs->Count(), 3);
    EXPECT_EQ(ptrs->Items(2), fromList.get(2));

    TStringList lines;
    lines.SetText(L"one\r\n\"two\"\r\n3\r\n");
    TJSONArray fromLines(L"[9]");
    fromLines.LoadFromStringList(&lines);
    EXPECT_EQ(fromLines.toString(), L"[\"one\",\"\\\"two\\\"\",\"3\"]");
    TStringList out;
    out.Add(L"old");
    TJSONArray(L"[1,\"x\",{\"k\":true}]").SaveToStringList(&out);
    EXPECT_EQ(out.Text(), L"1\r\nx\r\n{\"k\":true}\r\n");
  }
  EXPECT_EQ(LiveAllocations(), before);
}

}  // namespace

}  // namespace ZS_UNITY_ID
