// String lists: sorting, duplicates, delimited text, name=value pairs, line breaks,
// change events, owned objects and files.
#include <gtest/gtest.h>

#include "Classes.h"
#include "Streaming.h"

namespace ZS_UNITY_ID {

namespace {

String Joined(const TStrings& L) {
  String s;
  for (Integer i = 0; i < L.Count(); ++i) {
    if (i) s += L'|';
    s += L[i];
  }
  return s;
}

String TempPath(const String& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return String(dir) + std::to_wstring(GetCurrentProcessId()) + L"_" + name;  // parallel runs stay apart
}

void WriteBytes(const String& path, const TBytes& b) {
  TFileStream f(path, fmCreate);
  f.WriteBuffer(b.data(), static_cast<Integer>(b.size()));
}

// Counts its own destructions.
class TCounted : public TObject {
  DECLARE_CLASS(TCounted, TObject)
 public:
  explicit TCounted(int* counter) : FCounter(counter) {}
  ~TCounted() override { ++*FCounter; }

 private:
  int* FCounter;
};

}  // namespace

TEST(StringList, SortedAddHonoursDuplicates) {
  struct Case { TDuplicates dup; const wchar_t* want; bool raises; };
  const Case cases[] = {
      {dupIgnore, L"apple|Banana|cherry", false},
      {dupAccept, L"apple|banana|Banana|cherry", false},
      {dupError, L"apple|Banana|cherry", true},
  };
  for (const Case& c : cases) {
    TStringList L;
    L.SetSorted(true);
    L.SetDuplicates(c.dup);
    L.Add(L"cherry");
    L.Add(L"Banana");
    L.Add(L"apple");
    if (c.raises) {
      try {
        L.Add(L"banana");
        ADD_FAILURE() << "no exception";
      } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), L"String list does not allow duplicates");
      }
    } else {
      Integer at = L.Add(L"banana");
      EXPECT_EQ(L[at].substr(1), L"anana");
    }
    EXPECT_EQ(Joined(L), c.want) << c.dup;
  }
}

TEST(StringList, FindAndCaseSensitivity) {
  TStringList L;
  for (const wchar_t* s : {L"b", L"D", L"a", L"c"}) L.Add(s);
  Integer at = -1;
  L.SetSorted(true);
  EXPECT_EQ(Joined(L), L"a|b|c|D");
  EXPECT_TRUE(L.Find(L"d", at));
  EXPECT_EQ(at, 3);
  EXPECT_FALSE(L.Find(L"bb", at));
  EXPECT_EQ(at, 2);  // where it would go
  EXPECT_FALSE(L.Find(L"zz", at));
  EXPECT_EQ(at, 4);
  EXPECT_EQ(L.IndexOf(L"C"), 2);
  L.SetCaseSensitive(true);  // re-sorts; letters still order alphabetically first
  EXPECT_EQ(L.IndexOf(L"C"), -1);
  EXPECT_EQ(L.IndexOf(L"D"), 3);
  // A sorted list refuses positional edits.
  for (auto op : {std::function<void()>([&] { L.Insert(0, L"x"); }), std::function<void()>([&] { L.SetStrings(0, L"x"); })}) {
    try {
      op();
      ADD_FAILURE() << "no exception";
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), L"Operation not allowed on sorted list");
    }
  }
  try {
    L.Delete(4);
    ADD_FAILURE() << "no exception";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), L"List index out of bounds (4)");
  }
}

TEST(StringList, CustomSortSeesStableIndexes) {
  TStringList L;
  for (const wchar_t* s : {L"ccc", L"a", L"bb", L"dd", L"e"}) L.Add(s);
  L.CustomSort([](TStringList* List, Integer i, Integer j) {
    return static_cast<Integer>(List->Strings(i).size()) - static_cast<Integer>(List->Strings(j).size());
  });
  EXPECT_EQ(Joined(L), L"a|e|bb|dd|ccc");
  L.SetSorted(true);
  EXPECT_EQ(Joined(L), L"a|bb|ccc|dd|e");
  L.CustomSort([](TStringList*, Integer, Integer) { return 1; });  // no effect while Sorted
  EXPECT_EQ(Joined(L), L"a|bb|ccc|dd|e");
}

TEST(StringList, DelimitedTextRoundTrips) {
  // items (joined by '|'), delimiter, quote, strict, expected text
  struct Case { std::vector<String> items; Char delim; Char quote; bool strict; const wchar_t* text; };
  const Case cases[] = {
      {{L"a", L"b", L"c"}, L',', L'"', false, L"a,b,c"},
      {{L"a b", L"c"}, L',', L'"', false, L"\"a b\",c"},
      {{L"say \"hi\"", L"x,y"}, L',', L'"', false, L"\"say \"\"hi\"\"\",\"x,y\""},
      {{L""}, L',', L'"', false, L"\"\""},
      {{L"a", L""}, L',', L'"', false, L"a,"},
      {{L"", L"a"}, L',', L'"', false, L",a"},
      {{L"a b", L"c d"}, L';', L'\'', true, L"a b;c d"},
      {{L"it's", L"x;y"}, L';', L'\'', true, L"'it''s';'x;y'"},
      {{L"日本 語", L"テスト"}, L',', L'"', false, L"\"日本 語\",テスト"},
      {{L"tab\there"}, L',', L'"', false, L"\"tab\there\""},
      // A blank delimiter skips runs of blanks: empty items are kept by quoting them.
      {{L"a", L"", L"b", L""}, L' ', L'"', false, L"a \"\" b \"\""},
      {{L"", L"x y", L""}, L'\t', L'"', false, L"\"\"\t\"x y\"\t\"\""},
      {{L"a", L"", L"b"}, L'\t', L'"', true, L"a\t\tb"},
  };
  for (const Case& c : cases) {
    TStringList L;
    L.SetDelimiter(c.delim);
    L.SetQuoteChar(c.quote);
    L.SetStrictDelimiter(c.strict);
    for (const String& s : c.items) L.Add(s);
    EXPECT_EQ(L.DelimitedText(), c.text);
    TStringList R;
    R.SetDelimiter(c.delim);
    R.SetQuoteChar(c.quote);
    R.SetStrictDelimiter(c.strict);
    R.SetDelimitedText(c.text);
    EXPECT_EQ(R.ToStringArray(), c.items) << c.text;
  }
}

TEST(StringList, ParsingLooseDelimitedText) {
  using namespace std::string_literals;  // texts with NUL characters
  struct Case { String text; bool strict; String want; Integer count; };
  const Case cases[] = {
      {L"", false, L"", 0},
      {L"  a   b ,c  ", false, L"a|b|c", 3},
      {L"a, ,b", false, L"a||b", 3},
      {L"\"unterminated, x", false, L"unterminated, x", 1},
      {L"\"a\"b,c", false, L"a|b|c", 3},
      {L" a , b ", true, L" a | b ", 2},
      {L"a,,b", true, L"a||b", 3},
      // NUL is a blank like any other control character: consumed, never looped on.
      {L"a\0b,\0,c\0"s, false, L"a|b||c", 4},
      {L"\0\0"s, false, L"", 0},
      {L"x\0y,z"s, true, L"x\0y|z"s, 2},
  };
  for (const Case& c : cases) {
    TStringList L;
    L.SetStrictDelimiter(c.strict);
    L.SetDelimitedText(c.text);
    EXPECT_EQ(Joined(L), c.want) << c.text;
    EXPECT_EQ(L.Count(), c.count) << c.text;
  }
  // CommaText always uses comma, double quote and space separation.
  TStringList L;
  L.SetDelimiter(L';');
  L.SetStrictDelimiter(true);
  L.SetCommaText(L"x y,\"p;q\"");
  EXPECT_EQ(Joined(L), L"x|y|p;q");
  EXPECT_EQ(L.CommaText(), L"x,y,p;q");
  EXPECT_EQ(L.DelimitedText(), L"x;y;\"p;q\"");
}

TEST(StringList, NamesAndValues) {
  TStringList L;
  L.SetText(L"Host=example\r\nport=80\r\nplain\r\n=empty name\r\nkey=a=b\r\n");
  EXPECT_EQ(L.Names(0), L"Host");
  EXPECT_EQ(L.Names(2), L"");
  EXPECT_EQ(L.Values(L"HOST"), L"example");  // names compare without case
  EXPECT_EQ(L.Values(L"key"), L"a=b");
  EXPECT_EQ(L.Values(L""), L"empty name");
  EXPECT_EQ(L.Values(L"missing"), L"");
  EXPECT_EQ(L.ValueFromIndex(2), L"");  // no separator, no value
  EXPECT_EQ(L.IndexOfName(L"PORT"), 1);
  L.SetValues(L"port", L"8080");
  L.SetValues(L"new", L"1");
  L.SetValues(L"Host", L"");  // an empty value removes the line
  EXPECT_EQ(Joined(L), L"port=8080|plain|=empty name|key=a=b|new=1");
  L.SetValueFromIndex(0, L"9");
  EXPECT_EQ(L[0], L"port=9");
  L.SetNameValueSeparator(L':');
  L.Add(L"a:b");
  EXPECT_EQ(L.Values(L"a"), L"b");
}

TEST(StringList, TextSplitsAtEveryLineBreak) {
  struct Case { const wchar_t* text; const wchar_t* want; Integer count; };
  const Case cases[] = {
      {L"a\r\nb\nc\rd", L"a|b|c|d", 4},
      {L"a\r\n\r\nb\r\n", L"a||b", 3},
      {L"a\n\n", L"a|", 2},
      {L"a\r\r\nb", L"a||b", 3},
      {L"", L"", 0},
      {L"\r\n", L"", 1},
  };
  for (const Case& c : cases) {
    TStringList L;
    L.SetText(c.text);
    EXPECT_EQ(Joined(L), c.want);
    EXPECT_EQ(L.Count(), c.count);
  }
  TStringList L;
  L.Add(L"x");
  L.Add(L"y");
  EXPECT_EQ(L.Text(), L"x\r\ny\r\n");
  L.SetLineBreak(L"<br>");
  EXPECT_EQ(L.Text(), L"x<br>y<br>");
  L.SetText(L"p<br>q\r\nr");
  EXPECT_EQ(Joined(L), L"p|q\r\nr");
}

TEST(StringList, ChangeEventsAndUpdates) {
  TStringList L;
  String trace;
  L.OnChanging = [&](TObject* s) { EXPECT_EQ(s, &L); trace += L"<"; };
  L.OnChange = [&](TObject*) { trace += L">"; };
  L.Add(L"a");
  L.SetStrings(0, L"b");
  L.Delete(0);
  L.Clear();  // empty: nothing to announce
  EXPECT_EQ(trace, L"<><><>");
  trace.clear();
  L.BeginUpdate();
  L.BeginUpdate();
  L.Add(L"x");
  L.Add(L"y");
  L.Exchange(0, 1);
  L.EndUpdate();
  EXPECT_EQ(trace, L"<");
  L.EndUpdate();
  EXPECT_EQ(trace, L"<>");
  EXPECT_EQ(Joined(L), L"y|x");
}

TEST(StringList, OwnedObjectsAreFreedExactlyOnce) {
  int freed = 0;
  {
    TStringList L(true);
    L.AddObject(L"a", new TCounted(&freed));
    L.AddObject(L"b", new TCounted(&freed));
    L.AddObject(L"c", new TCounted(&freed));
    L.AddObject(L"d", new TCounted(&freed));
    TObject* b = L.Objects(1);
    L.Move(1, 3);  // moving keeps the object
    EXPECT_EQ(freed, 0);
    EXPECT_EQ(L.Objects(3), b);
    EXPECT_EQ(L.IndexOfObject(b), 3);
    L.Delete(0);
    EXPECT_EQ(freed, 1);
    L.Exchange(0, 1);
    EXPECT_EQ(freed, 1);
  }
  EXPECT_EQ(freed, 4);
  TStringList NotOwning;
  TCounted kept(&freed);
  NotOwning.AddObject(L"k", &kept);
  NotOwning.Clear();
  EXPECT_EQ(freed, 4);
}

TEST(StringList, AssignAddStringsAndEquals) {
  TStringList A;
  A.SetText(L"one\r\ntwo\r\n");
  A.SetDelimiter(L';');
  int dummy = 0;
  TCounted obj(&dummy);
  A.SetObjects(1, &obj);
  TStringList B;
  B.Add(L"old");
  B.Assign(&A);
  EXPECT_TRUE(B.Equals(&A));
  EXPECT_EQ(B.Objects(1), &obj);
  EXPECT_EQ(B.Delimiter(), L';');
  B.AddStrings(&A);
  EXPECT_EQ(Joined(B), L"one|two|one|two");
  EXPECT_FALSE(B.Equals(&A));
  B.SetStrings(0, L"ONE");
  TPersistent other;
  try {
    B.Assign(&other);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"Cannot assign a TPersistent to a TStringList");
  }
}

TEST(StringList, HashedLookupsFollowChanges) {
  THashedStringList H;
  H.SetText(L"alpha=1\r\nBeta=2\r\ngamma=3\r\nbeta=4\r\n");
  EXPECT_EQ(H.IndexOf(L"GAMMA=3"), 2);
  EXPECT_EQ(H.IndexOfName(L"beta"), 1);  // the first of equal names
  H.Delete(0);
  EXPECT_EQ(H.IndexOfName(L"beta"), 0);
  EXPECT_EQ(H.IndexOf(L"alpha=1"), -1);
  H.Insert(0, L"delta=5");
  EXPECT_EQ(H.IndexOfName(L"DELTA"), 0);
  H.SetCaseSensitive(true);
  EXPECT_EQ(H.IndexOfName(L"beta"), 3);
  EXPECT_EQ(H.IndexOf(L"Gamma=3"), -1);
  // Appending after lookups: the new lines are found, earlier equal ones still win.
  H.SetCaseSensitive(false);
  EXPECT_EQ(H.IndexOf(L"delta=5"), 0);
  EXPECT_EQ(H.IndexOfName(L"gamma"), 2);
  H.Add(L"epsilon=6");
  H.Add(L"DELTA=7");
  H.Add(L"plain");
  EXPECT_EQ(H.IndexOf(L"EPSILON=6"), 4);
  EXPECT_EQ(H.IndexOfName(L"epsilon"), 4);
  EXPECT_EQ(H.IndexOfName(L"delta"), 0);
  EXPECT_EQ(H.IndexOf(L"delta=7"), 5);
  EXPECT_EQ(H.IndexOf(L"PLAIN"), 6);
  EXPECT_EQ(H.IndexOfName(L"plain"), -1);
  // A change handler that changes the list again while a line is appended.
  H.OnChange = [&H](TObject*) {
    if (H.Count() == 8) H.Delete(0);
  };
  H.Add(L"zeta=8");
  H.OnChange = nullptr;
  EXPECT_EQ(H.Count(), 7);
  EXPECT_EQ(H.IndexOf(L"zeta=8"), 6);
  EXPECT_EQ(H.IndexOfName(L"beta"), 0);
  EXPECT_EQ(H.IndexOfName(L"delta"), 4);
}

TEST(StringList, FilesRoundTripJapaneseText) {
  const String path = TempPath(L"zs_strings_日本.txt");
  const String text = L"一行目 ダクル\r\nsecond line\r\n三行目: 表示\r\n";
  TStringList L;
  L.SetText(text);
  L.SaveToFile(path);  // no encoding: the ANSI code page, no mark
  TStringList R;
  R.LoadFromFile(path);
  EXPECT_EQ(R.Text(), text);
  // Byte-order marks pick the encoding on load.
  const TBytes utf8 = {0xEF, 0xBB, 0xBF, 0xE6, 0x97, 0xA5, 0x0D, 0x0A, 'x'};
  WriteBytes(path, utf8);
  R.LoadFromFile(path);
  EXPECT_EQ(Joined(R), L"日|x");
  const TBytes utf16 = {0xFF, 0xFE, 0xE5, 0x65, 0x2C, 0x67};
  WriteBytes(path, utf16);
  R.LoadFromFile(path);
  EXPECT_EQ(Joined(R), L"日本");
  const TBytes utf16be = {0xFE, 0xFF, 0x65, 0xE5, 0x00, 'a'};
  WriteBytes(path, utf16be);
  R.LoadFromFile(path);
  EXPECT_EQ(Joined(R), L"日a");
  DeleteFileW(path.c_str());
  try {
    R.LoadFromFile(path);
    ADD_FAILURE() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind(L"Cannot open file \"" + path + L"\". ", 0), 0u) << e.what();
  }
}

TEST(StringList, FilesKeepTheirEncoding) {
  const String path = TempPath(L"zs_strings_enc.txt");
  TStringList L;
  L.Add(L"ファイル名");
  L.SaveToFile(path, TEncoding::UTF8());
  TMemoryStream m;
  m.LoadFromFile(path);
  ASSERT_EQ(m.Size(), 3 + 15 + 2);
  EXPECT_EQ(static_cast<const Byte*>(m.Memory())[0], 0xEF);
  TStringList R;
  R.LoadFromFile(path);
  EXPECT_EQ(R.Encoding(), TEncoding::UTF8());
  R.Add(L"追加");
  R.SaveToFile(path);  // saved again in the encoding it was read in
  R.Clear();
  R.LoadFromFile(path, TEncoding::UTF8());
  EXPECT_EQ(Joined(R), L"ファイル名|追加");
  // Without a mark, an explicit code page reads what the default could not.
  std::unique_ptr<TEncoding> euc(TEncoding::GetEncoding(20932));
  R.SetWriteBOM(false);
  R.SaveToFile(path, euc.get());
  m.LoadFromFile(path);
  EXPECT_EQ(m.Size(), 10 + 2 + 4 + 2);
  R.Clear();
  R.LoadFromFile(path, euc.get());
  EXPECT_EQ(Joined(R), L"ファイル名|追加");
  R.SaveToFile(path);  // a caller's encoding is not remembered: the default is used
  m.LoadFromFile(path);
  EXPECT_EQ(m.Size(), 18);
  DeleteFileW(path.c_str());
}

TEST(StringList, StreamsItsLinesAsAProperty) {
  TStringList L;
  L.SetText(L"first\r\n日本語\r\n\r\n");
  TMemoryStream m;
  {
    TWriter W(&m);
    W.WriteProperties(&L);
  }
  EXPECT_GT(m.Size(), 0);
  m.SetPosition(0);
  TStringList R;
  R.Add(L"replaced");
  {
    TReader Rd(&m);
    Rd.ReadProperty(&R);
  }
  EXPECT_EQ(Joined(R), L"first|日本語|");
  TStringList Empty;  // an empty list writes nothing
  TMemoryStream e;
  {
    TWriter W(&e);
    W.WriteProperties(&Empty);
  }
  EXPECT_EQ(e.Size(), 0);
}

}  // namespace ZS_UNITY_ID
