// Component state stored in an INI file, the registry and a binary stream and read back
// into a fresh tree of the same components; the stream's exact items; paths that name no
// stored object; a reader used twice; interface-only storing down the tree.
#include <gtest/gtest.h>

#include <cstring>

#include "TypInfo.h"
#include "vxStorage.h"

namespace ZS_UNITY_ID {

namespace {

enum TStateKind { skNone, skSome, skAll };
ENUM_TYPEINFO(TStateKind, skNone, skSome, skAll)

// A stored component with a value of every kind the stores keep.
class TStateItem : public TComponent {
  DECLARE_CLASS(TStateItem, TComponent)
  PUBLISHED(TStateItem)
 public:
  explicit TStateItem(TComponent* AOwner) : TComponent(AOwner) {}
  String Caption;
  Integer Count = 0;
  Int64 Big = 0;
  double Ratio = 0;
  bool Shown = false;
  TStateKind Kind = skNone;
};

void TStateItem::DeclarePublished(TPublisher<TStateItem>& P) {
  using C = TStateItem;
  P.Property(L"Caption", [](C* I) { return I->Caption; }, [](C* I, const String& V) { I->Caption = V; });
  P.Property(L"Count", [](C* I) { return I->Count; }, [](C* I, Integer V) { I->Count = V; });
  P.Property(L"Big", [](C* I) { return I->Big; }, [](C* I, Int64 V) { I->Big = V; });
  P.Property(L"Ratio", [](C* I) { return I->Ratio; }, [](C* I, double V) { I->Ratio = V; });
  P.Property(L"Shown", [](C* I) { return I->Shown; }, [](C* I, bool V) { I->Shown = V; });
  P.Property(L"Kind", [](C* I) { return I->Kind; }, [](C* I, TStateKind V) { I->Kind = V; });
}

// The root: its items are its children in the store.
class TStateRoot : public TStateItem, public IvxStorageParent {
  DECLARE_CLASS(TStateRoot, TStateItem)
 public:
  explicit TStateRoot(TComponent* AOwner) : TStateItem(AOwner) {}
  std::vector<TStateItem*> Items;
  TObject* CreateStorageChild(const String&, const String&) override { return nullptr; }
  void DeleteStorageChild(const String&, TObject*) override {}
  void GetStorageChildren(TStringList* AChildren) override {
    for (TStateItem* I : Items) AChildren->AddObject(L"", I);
  }
};

// A fresh form of the same components: a root named Root with items First and Second.
struct TTree {
  std::unique_ptr<TStateRoot> Root = std::make_unique<TStateRoot>(nullptr);
  TTree() {
    Root->SetName(L"Root");
    for (const wchar_t* N : {L"First", L"Second"}) {
      auto* I = new TStateItem(Root.get());
      I->SetName(N);
      Root->Items.push_back(I);
    }
  }
  TStateItem* First() { return Root->Items[0]; }
  TStateItem* Second() { return Root->Items[1]; }
};

void Fill(TTree& T) {
  T.Root->Caption = L"根";
  T.First()->Caption = L"日本語\r\n二行目\tタブ \\ back";
  T.First()->Count = 300;
  T.First()->Big = Int64(1) << 40;
  T.First()->Ratio = 1.5;
  T.First()->Shown = true;
  T.First()->Kind = skAll;
  T.Second()->Caption = L"lone\rcarriage and\nfeed";
  T.Second()->Count = -70000;
  T.Second()->Big = -(Int64(1) << 50) - 3;
  T.Second()->Ratio = -0.25;
}

void ExpectSame(TTree& A, TTree& B) {
  EXPECT_EQ(A.Root->Caption, B.Root->Caption);
  for (size_t i = 0; i < 2; ++i) {
    TStateItem* a = A.Root->Items[i];
    TStateItem* b = B.Root->Items[i];
    EXPECT_EQ(a->Caption, b->Caption) << i;
    EXPECT_EQ(a->Count, b->Count) << i;
    EXPECT_EQ(a->Big, b->Big) << i;
    EXPECT_EQ(a->Ratio, b->Ratio) << i;
    EXPECT_EQ(a->Shown, b->Shown) << i;
    EXPECT_EQ(a->Kind, b->Kind) << i;
  }
}

String TempIni(const wchar_t* Name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  String f = String(dir) + Name;
  DeleteFileW(f.c_str());
  return f;
}

// A comma as the decimal separator while the scope lasts.
struct TCommaLocale {
  TFormatSettings Saved = FormatSettings;
  TCommaLocale() {
    FormatSettings.DecimalSeparator = L',';
    FormatSettings.ThousandSeparator = L'.';
  }
  ~TCommaLocale() { FormatSettings = Saved; }
};

String ReadFileText(const String& Name) {
  HANDLE f = CreateFileW(Name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return String();
  std::vector<char> buf(GetFileSize(f, nullptr));
  DWORD n = 0;
  ReadFile(f, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr);
  CloseHandle(f);
  if (n < 2) return String();
  return String(reinterpret_cast<const wchar_t*>(buf.data() + 2), (n - 2) / 2);
}

}  // namespace

TEST(Storage, EveryStoreRoundTripsIntoAFreshTree) {
  for (int store = 0; store < 3; ++store) {
    SCOPED_TRACE(store);
    TTree a, b;
    Fill(a);
    const String ini = TempIni(L"zs_state.ini");
    const String key = L"Software\\ZsStorageTest\\State" + IntToStr(store);
    TMemoryStream m;
    m.WriteBuffer("abc", 3);  // the record starts at the stream's position
    {
      TCommaLocale comma;
      TvxStorage s(store == 0 ? ini : key, &m);
      if (store == 0) s.StoreToIni(a.Root.get());
      if (store == 1) s.StoreToRegistry(a.Root.get());
      if (store == 2) s.StoreToStream(a.Root.get());
    }
    m.SetPosition(3);
    // Read back under another locale than it was written in.
    TvxStorage r(store == 0 ? ini : key, &m);
    if (store == 0) r.RestoreFromIni(b.Root.get());
    if (store == 1) r.RestoreFromRegistry(b.Root.get());
    if (store == 2) r.RestoreFromStream(b.Root.get());
    ExpectSame(a, b);
    if (store == 0) {
      const String text = ReadFileText(ini);
      EXPECT_NE(String::npos, text.find(L"Ratio=1.5\r\n"));
      EXPECT_NE(String::npos, text.find(L"Big=1099511627776\r\n"));
      EXPECT_NE(String::npos, text.find(L"Caption=\"lone\\rcarriage and\\lfeed\"\r\n"));
      EXPECT_NE(String::npos, text.find(L"[Root/First: TStateItem]"));
    }
  }
}

TEST(Storage, IniEscapesKeepEveryLineWhole) {
  struct Case { const wchar_t* Text; const wchar_t* Quoted; } cases[] = {
      {L"a\\b", L"\"a\\\\b\""}, {L"a\r\nb", L"\"a\\nb\""}, {L"a\tb", L"\"a\\tb\""},
      {L"a\rb", L"\"a\\rb\""},  {L"a\nb", L"\"a\\lb\""},    {L"\"q\"", L"\"\"q\"\""},
  };
  for (const Case& c : cases) {
    const String q = vxIniQuote(c.Text);
    EXPECT_EQ(String(c.Quoted), q);
    EXPECT_EQ(String::npos, q.find_first_of(L"\r\n"));
    EXPECT_EQ(String(c.Text), vxIniUnescape(q.substr(1, q.size() - 2)));
  }
}

TEST(Storage, IniPathWithAMissingSegmentRestoresNothingIntoAnotherObject) {
  const String ini = TempIni(L"zs_crafted.ini");
  {
    TMemIniFile f(ini, TEncoding::Unicode());
    f.WriteInteger(L"Main", L"Version", 1);
    f.WriteString(L"Root: TStateRoot", L"Caption", L"\"root\"");
    f.WriteString(L"Root/Missing/First: TStateItem", L"Caption", L"\"wrong\"");
    f.WriteString(L"Root/Second: TStateItem", L"Count", L"7");
    f.UpdateFile();
  }
  TTree t;
  TvxStorage s(ini);
  s.RestoreFromIni(t.Root.get());
  EXPECT_EQ(L"root", t.Root->Caption);
  EXPECT_EQ(L"", t.First()->Caption);
  EXPECT_EQ(7, t.Second()->Count);
}

TEST(StorageStream, ItemsAreWrittenWithTheSmallestTag) {
  struct Case { Variant Value; std::vector<Byte> Expected; } cases[] = {
      {Variant(300), {6, 3, 44, 1}},                       // kind 6, tag 3, two bytes
      {Variant(static_cast<long long>(Int64(1) << 40)), {6, 19, 0, 0, 0, 0, 0, 1, 0, 0}},
      {Variant(String(L"")), {9, 18, 0, 0, 0, 0}},
      {Variant(String(L"\u00E9")), {9, 18, 1, 0, 0, 0, 0xE9, 0}},
      {Variant(String(L"a\u00E9")), {9, 20, 3, 0, 0, 0, 'a', 0xC3, 0xA9}},
      {Variant(true), {1, 9}},
  };
  for (const Case& c : cases) {
    TMemoryStream m;
    TvxStreamPropertyData(L"P", c.Value).Write(&m);
    const Byte* p = static_cast<const Byte*>(m.Memory());
    // "P" as tag 6, length 1, then the kind as an integer item (tag 2), then the value.
    ASSERT_EQ(static_cast<Int64>(4 + c.Expected.size()), m.Size());
    EXPECT_EQ(0, memcmp(p, "\x06\x01P\x02", 4));
    EXPECT_EQ(c.Expected[0], p[4]);
    EXPECT_EQ(0, memcmp(p + 5, c.Expected.data() + 1, c.Expected.size() - 1));
    m.SetPosition(0);
    TvxStreamPropertyData back(L"", Variant());
    back.Read(&m);
    EXPECT_TRUE(VarSameValue(c.Value, back.Value()) || VarToWideStr(c.Value) == VarToWideStr(back.Value()));
  }
  TMemoryStream l;
  TvxStreamPropertyData(L"P", Variant(String(255, L'x'))).Write(&l);
  EXPECT_EQ(6, static_cast<const Byte*>(l.Memory())[5]);
  TMemoryStream l2;
  TvxStreamPropertyData(L"P", Variant(String(256, L'x'))).Write(&l2);
  EXPECT_EQ(12, static_cast<const Byte*>(l2.Memory())[5]);
}

namespace {
// A stream holding the record A { B { C } } with the property V on C.
void WriteABC(TMemoryStream& m, Integer V, const String& Leaf = L"C") {
  TvxStreamWriter w(L"", &m, true);
  w.StartWriting();
  w.BeginWriteObject(L"A", L"T");
  w.BeginWriteObject(L"A/B", L"T");
  w.BeginWriteObject(L"A/B/" + Leaf, L"T");
  w.WriteProperty(L"A/B/" + Leaf, L"T", L"V", Variant(V));
  w.BeginWriteObject(L"A/X/D", L"T");  // no X: refused, and its property dropped
  w.WriteProperty(L"A/X/D", L"T", L"V", Variant(99));
  w.FinishWriting();
  m.SetPosition(0);
}
}  // namespace

TEST(StorageStream, MissingSegmentsAreRefusedAndRestartingForgetsTheOldTree) {
  TMemoryStream m1, m2;
  WriteABC(m1, 1);
  WriteABC(m2, 2, L"E");
  TvxStreamReader r(L"", &m1);
  r.StartReading();
  EXPECT_EQ(1, r.ReadProperty(L"A/B/C", L"T", L"V").AsInteger());
  TStringList names, classes;
  r.ReadChildren(L"A/B", L"T", &names, &classes);
  EXPECT_EQ(1, names.Count());
  // A path through a child that does not exist finds nothing, even where a deeper name matches.
  EXPECT_TRUE(r.ReadProperty(L"A/X/B/C", L"T", L"V").IsNull());
  EXPECT_TRUE(r.ReadProperty(L"A/X/C", L"T", L"V").IsNull());
  EXPECT_TRUE(r.ReadProperty(L"A/C", L"T", L"V").IsNull());
  names.Clear();
  r.ReadChildren(L"A", L"T", &names, &classes);
  EXPECT_EQ(1, names.Count());  // B only: the refused D was never added
  // The same reader over another stream: the last object looked up is forgotten.
  r.SetStream(&m2);
  EXPECT_EQ(1, r.ReadProperty(L"A/B/C", L"T", L"V").AsInteger());  // cached
  r.StartReading();
  EXPECT_TRUE(r.ReadProperty(L"A/B/C", L"T", L"V").IsNull());
  EXPECT_EQ(2, r.ReadProperty(L"A/B/E", L"T", L"V").AsInteger());
}

namespace {
// An item that stores one value through its interface only.
class TInterfaceItem : public TStateItem, public IvxStorageObject {
  DECLARE_CLASS(TInterfaceItem, TStateItem)
 public:
  using TStateItem::TStateItem;
  String GetStorageObjectName() override { return Name(); }
  bool GetStorageProperties(TStrings* P) override {
    P->Add(L"Caption");
    return true;
  }
  void GetStoragePropertyValue(const String& AName, Variant& AValue) override { AValue = Variant(String(L"iface " + AName)); }
  void SetStoragePropertyValue(const String& AName, const Variant& AValue) override { Received = VarToWideStr(AValue); }
  String Received;
};
}  // namespace

TEST(Storage, InterfaceOnlyReachesEveryLevel) {
  TStateRoot root(nullptr);
  root.SetName(L"Root");
  auto* item = new TInterfaceItem(&root);
  item->SetName(L"Item");
  item->Caption = L"published";
  root.Items.push_back(item);
  TMemoryStream m;
  TvxStorage s(&m);
  s.SetUseInterfaceOnly(true);
  s.StoreToStream(&root);
  m.SetPosition(0);
  TvxStreamReader r(L"", &m);
  r.StartReading();
  EXPECT_EQ(L"iface Caption", VarToWideStr(r.ReadProperty(L"Root/Item", L"TInterfaceItem", L"Caption")));
  m.SetPosition(0);
  TvxStorage back(&m);
  back.SetUseInterfaceOnly(true);
  back.RestoreFromStream(&root);
  EXPECT_EQ(L"iface Caption", item->Received);
  EXPECT_EQ(L"published", item->Caption);
}

}  // namespace ZS_UNITY_ID
