#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "IniFiles.h"
#include "Registry.h"

namespace ZS_UNITY_ID {

namespace {

const wchar_t* const kTestKey = L"\\Software\\ZalvoSorvaneTest";

// Every test starts from and leaves behind a registry without the test key.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { TRegistry().DeleteKey(kTestKey); }
  void TearDown() override {
    TRegistry r;
    r.DeleteKey(kTestKey);
    EXPECT_FALSE(r.KeyExists(kTestKey));
  }
};

TEST_F(RegistryTest, EveryValueKindRoundTrips) {
  const TBytes blob{0, 1, 2, 0xFF};
  {
    TRegistry r;
    EXPECT_EQ(r.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(r.OpenKey(kTestKey, false));
    ASSERT_TRUE(r.OpenKey(kTestKey, true));
    EXPECT_EQ(r.CurrentPath(), L"Software\\ZalvoSorvaneTest");
    r.WriteString(L"Text", L"日本語テキスト");
    r.WriteString(L"Empty", L"");
    r.WriteExpandString(L"Path", L"%TEMP%\\x");
    r.WriteInteger(L"Int", -123456);
    r.WriteBool(L"Flag", true);
    r.WriteFloat(L"Float", 3.25);
    r.WriteCurrency(L"Money", Currency::FromScaled(12345));
    r.WriteDateTime(L"When", 45293.75);
    r.WriteDate(L"Day", 45293);
    r.WriteTime(L"Clock", 0.5);
    r.WriteBinaryData(L"Blob", blob);
  }
  TRegistry r;
  ASSERT_TRUE(r.OpenKeyReadOnly(kTestKey));
  EXPECT_EQ(r.Access(), static_cast<REGSAM>(KEY_READ));
  EXPECT_EQ(r.ReadString(L"Text"), L"日本語テキスト");
  EXPECT_EQ(r.ReadString(L"Empty"), L"");
  EXPECT_EQ(r.ReadString(L"Missing"), L"");
  EXPECT_EQ(r.ReadExpandString(L"Path"), L"%TEMP%\\x");
  EXPECT_EQ(r.ReadInteger(L"Int"), -123456);
  EXPECT_TRUE(r.ReadBool(L"Flag"));
  EXPECT_DOUBLE_EQ(r.ReadFloat(L"Float"), 3.25);
  EXPECT_EQ(r.ReadCurrency(L"Money"), Currency::FromScaled(12345));
  EXPECT_DOUBLE_EQ(r.ReadDateTime(L"When"), 45293.75);
  EXPECT_DOUBLE_EQ(r.ReadDate(L"Day"), 45293);
  EXPECT_DOUBLE_EQ(r.ReadTime(L"Clock"), 0.5);
  EXPECT_EQ(r.ReadBinaryData(L"Blob"), blob);

  struct Row {
    const wchar_t* name;
    TRegDataType type;
    Integer size;
  };
  const Row rows[] = {
      {L"Text", rdString, 16},       {L"Path", rdExpandString, 18}, {L"Int", rdInteger, 4},
      {L"Flag", rdInteger, 4},       {L"Float", rdBinary, 8},       {L"Money", rdBinary, 8},
      {L"Blob", rdBinary, 4},        {L"Missing", rdUnknown, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(r.GetDataType(row.name), row.type);
    EXPECT_EQ(r.GetDataSize(row.name), row.size);
    EXPECT_EQ(r.ValueExists(row.name), row.size >= 0);
  }
  TStringList names;
  names.SetSorted(true);
  r.GetValueNames(&names);
  EXPECT_EQ(names.CommaText(), L"Blob,Clock,Day,Empty,Flag,Float,Int,Money,Path,Text,When");
}

TEST_F(RegistryTest, WrongKindsAndMissingValuesRaise) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(kTestKey, true));
  r.WriteInteger(L"Int", 1);
  r.WriteString(L"Text", L"abc");
  r.WriteBinaryData(L"Blob", TBytes{1, 2, 3});
  struct Row {
    std::function<void()> read;
    const wchar_t* message;
  };
  const Row rows[] = {
      {[&] { r.ReadString(L"Int"); }, L"Invalid data type for 'Int'"},
      {[&] { r.ReadInteger(L"Text"); }, L"Invalid data type for 'Text'"},
      {[&] { r.ReadFloat(L"Int"); }, L"Invalid data type for 'Int'"},
      {[&] { r.ReadFloat(L"Blob"); }, L"Invalid data type for 'Blob'"},
      {[&] { r.ReadInteger(L"Missing"); }, L"Failed to get data for 'Missing'"},
      {[&] { r.ReadBool(L"Missing"); }, L"Failed to get data for 'Missing'"},
      {[&] { r.ReadCurrency(L"Missing"); }, L"Failed to get data for 'Missing'"},
      {[&] { Byte two[2]; r.ReadBinaryData(L"Blob", two, 2); }, L"Invalid data type for 'Blob'"},
  };
  for (const auto& row : rows) {
    try {
      row.read();
      ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
  }
  Byte one[1];
  EXPECT_EQ(r.ReadBinaryData(L"Missing", one, 1), 0);

  // Writing without an open key fails with the runtime's message.
  TRegistry closed;
  try {
    closed.WriteInteger(L"X", 1);
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"Failed to set data for 'X'");
  }
  // A read-only key refuses writes.
  TRegistry ro;
  ASSERT_TRUE(ro.OpenKeyReadOnly(kTestKey));
  EXPECT_THROW(ro.WriteString(L"Y", L"y"), ERegistryException);
}

TEST_F(RegistryTest, KeysSubKeysAndDeletion) {
  TRegistry r;
  EXPECT_TRUE(r.CreateKey(L"\\Software\\ZalvoSorvaneTest\\A\\Deep"));
  ASSERT_TRUE(r.OpenKey(kTestKey, false));
  EXPECT_TRUE(r.HasSubKeys());
  EXPECT_TRUE(r.OpenKey(L"B", true));  // relative to the open key
  EXPECT_EQ(r.CurrentPath(), L"Software\\ZalvoSorvaneTest\\B");
  EXPECT_FALSE(r.HasSubKeys());
  r.WriteString(L"V", L"v");
  EXPECT_TRUE(r.RenameValue(L"V", L"W"));
  EXPECT_FALSE(r.ValueExists(L"V"));
  EXPECT_EQ(r.ReadString(L"W"), L"v");
  EXPECT_TRUE(r.DeleteValue(L"W"));
  EXPECT_FALSE(r.DeleteValue(L"W"));

  ASSERT_TRUE(r.OpenKey(kTestKey, false));
  TStringList keys;
  keys.SetSorted(true);
  r.GetKeyNames(&keys);
  EXPECT_EQ(keys.CommaText(), L"A,B");
  EXPECT_TRUE(r.KeyExists(L"A\\Deep"));
  EXPECT_TRUE(r.DeleteKey(L"A"));  // with everything below it
  EXPECT_FALSE(r.KeyExists(L"A"));
  EXPECT_FALSE(r.DeleteKey(L"A"));
  r.CloseKey();
  EXPECT_EQ(r.CurrentKey(), nullptr);
  EXPECT_EQ(r.CurrentPath(), L"");
  EXPECT_TRUE(r.KeyExists(L"Software\\ZalvoSorvaneTest\\B"));

  r.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(r.KeyExists(L"Software\\ZalvoSorvaneTest"));
}

TEST_F(RegistryTest, RegistrySettingsInSectionKeys) {
  {
    TRegIniFile ini(L"Software\\ZalvoSorvaneTest");
    EXPECT_EQ(ini.FileName(), L"Software\\ZalvoSorvaneTest");
    ini.WriteString(L"Window", L"Caption", L"表示");
    ini.WriteInteger(L"Window", L"Left", -10);
    ini.WriteBool(L"Window", L"Maximized", true);
    ini.WriteString(L"", L"Top", L"level");
    ini.WriteString(L"Other", L"x", L"1");
  }
  TRegIniFile ini(L"Software\\ZalvoSorvaneTest");
  EXPECT_EQ(ini.ReadString(L"Window", L"Caption", L""), L"表示");
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Left", 0), -10);
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Caption", 5), 5);  // not a number
  EXPECT_TRUE(ini.ReadBool(L"Window", L"Maximized", false));
  EXPECT_EQ(ini.ReadString(L"", L"Top", L""), L"level");
  EXPECT_EQ(ini.ReadString(L"Missing", L"Caption", L"def"), L"def");
  EXPECT_FALSE(ini.KeyExists(L"Missing"));  // reading never creates a section
  // Numbers are stored as text; a number stored as such reads too.
  ini.OpenKey(L"Window", false);
  EXPECT_EQ(ini.GetDataType(L"Left"), rdString);
  ini.TRegistry::WriteInteger(L"Native", 77);
  ini.CloseKey();
  ini.OpenKey(L"\\Software\\ZalvoSorvaneTest", false);
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Native", 0), 77);

  TStringList list;
  list.SetSorted(true);
  ini.ReadSections(&list);
  EXPECT_EQ(list.CommaText(), L"Other,Window");
  ini.ReadSection(L"Window", &list);
  EXPECT_EQ(list.CommaText(), L"Caption,Left,Maximized,Native");
  ini.ReadSectionValues(L"Window", &list);
  EXPECT_EQ(list.CommaText(), L"Caption=表示,Left=-10,Maximized=1,Native=77");
  ini.DeleteKey(L"Window", L"Left");
  EXPECT_EQ(ini.ReadInteger(L"Window", L"Left", 3), 3);
  ini.EraseSection(L"Other");
  ini.ReadSections(&list);
  EXPECT_EQ(list.CommaText(), L"Window");
}

// A fresh folder under the temporary folder, removed with its files afterwards.
class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    FDir = String(tmp) + L"zs_ini_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(FDir.c_str(), nullptr);
  }
  void TearDown() override {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((FDir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((FDir + L"\\" + fd.cFileName).c_str());
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryW(FDir.c_str());
  }
  String Path(const wchar_t* name) const { return FDir + L"\\" + name; }
  static TBytes FileBytes(const String& path) {
    TMemoryStream m;
    m.LoadFromFile(path);
    auto* p = static_cast<const Byte*>(m.Memory());
    return TBytes(p, p + m.Size());
  }
  String FDir;
};

// The typed reads and writes behave the same over the profile file and in memory.
TEST_F(IniTest, TypedValuesRoundTripInBothKinds) {
  const String longText(5000, L'x');  // longer than any fixed read buffer
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind == 0 ? "TIniFile" : "TMemIniFile");
    String file = Path(kind == 0 ? L"profile.ini" : L"memory.ini");
    std::unique_ptr<TCustomIniFile> ini;
    if (kind == 0) ini = std::make_unique<TIniFile>(file);
    else ini = std::make_unique<TMemIniFile>(file);
    EXPECT_EQ(ini->FileName(), file);
    ini->WriteString(L"Main", L"Name", L"日本語の名前");
    ini->WriteString(L"Main", L"Long", longText);
    ini->WriteInteger(L"Main", L"Count", -42);
    ini->WriteBool(L"Main", L"On", true);
    ini->WriteFloat(L"Main", L"Ratio", 2.5);
    ini->WriteDate(L"Main", L"Day", 45293.75);
    ini->WriteDateTime(L"Main", L"When", 45293.75);
    ini->WriteTime(L"Main", L"Clock", 45293.75);
    ini->WriteString(L"Main", L"Hex", L"0x1F");
    ini->WriteString(L"Main", L"Dollar", L"$FFFFFFFF");
    ini->WriteString(L"Main", L"Junk", L"12abc");
    TMemoryStream blob;
    blob.WriteBuffer("\x00\x01\xAB\xFF", 4);
    blob.SetPosition(1);  // only the bytes from the position on are stored
    ini->WriteBinaryStream(L"Data", L"Blob", &blob);
    ini->UpdateFile();

    EXPECT_EQ(ini->ReadString(L"Main", L"Name", L""), L"日本語の名前");
    EXPECT_EQ(ini->ReadString(L"main", L"NAME", L""), L"日本語の名前");  // no case
    EXPECT_EQ(ini->ReadString(L"Main", L"Long", L""), longText);
    EXPECT_EQ(ini->ReadString(L"Main", L"Missing", L"def"), L"def");
    EXPECT_EQ(ini->ReadString(L"Nowhere", L"Name", L"def"), L"def");
    EXPECT_EQ(ini->ReadString(L"Main", L"On", L""), L"1");
    EXPECT_EQ(ini->ReadInteger(L"Main", L"Count", 0), -42);
    EXPECT_EQ(ini->ReadInteger(L"Main", L"Hex", 0), 31);
    EXPECT_EQ(ini->ReadInteger(L"Main", L"Dollar", 0), -1);
    EXPECT_EQ(ini->ReadInteger(L"Main", L"Junk", 7), 7);
    EXPECT_EQ(ini->ReadInteger(L"Main", L"Missing", 7), 7);
    EXPECT_TRUE(ini->ReadBool(L"Main", L"On", false));
    EXPECT_TRUE(ini->ReadBool(L"Main", L"Count", false));
    EXPECT_FALSE(ini->ReadBool(L"Main", L"Missing", false));
    EXPECT_DOUBLE_EQ(ini->ReadFloat(L"Main", L"Ratio", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini->ReadFloat(L"Main", L"Name", -1), -1);
    EXPECT_DOUBLE_EQ(ini->ReadDate(L"Main", L"Day", 0), 45293);
    EXPECT_DOUBLE_EQ(ini->ReadDateTime(L"Main", L"When", 0), 45293.75);
    EXPECT_DOUBLE_EQ(ini->ReadTime(L"Main", L"Clock", 0), 0.75);
    EXPECT_DOUBLE_EQ(ini->ReadDateTime(L"Main", L"Name", 1.5), 1.5);
    EXPECT_EQ(ini->ReadString(L"Data", L"Blob", L""), L"01ABFF");
    TMemoryStream back;
    EXPECT_EQ(ini->ReadBinaryStream(L"Data", L"Blob", &back), 3);
    EXPECT_EQ(back.Size(), 3);
    EXPECT_EQ(std::memcmp(back.Memory(), "\x01\xAB\xFF", 3), 0);

    TStringList list;
    ini->ReadSections(&list);
    EXPECT_EQ(list.CommaText(), L"Main,Data");
    ini->ReadSection(L"Data", &list);
    EXPECT_EQ(list.CommaText(), L"Blob");
    ini->ReadSectionValues(L"Data", &list);
    EXPECT_EQ(list.CommaText(), L"Blob=01ABFF");
    EXPECT_TRUE(ini->SectionExists(L"data"));
    EXPECT_TRUE(ini->ValueExists(L"Main", L"Count"));
    EXPECT_FALSE(ini->ValueExists(L"Main", L"Nope"));

    ini->DeleteKey(L"Main", L"Count");
    EXPECT_FALSE(ini->ValueExists(L"Main", L"Count"));
    ini->EraseSection(L"Data");
    EXPECT_FALSE(ini->SectionExists(L"Data"));
    ini->UpdateFile();
    // What reached the file reads back the same through a memory copy.
    TMemIniFile reread(file);
    EXPECT_EQ(reread.ReadString(L"Main", L"Name", L""), L"日本語の名前");
    EXPECT_EQ(reread.ReadString(L"Main", L"Long", L""), longText);
    EXPECT_FALSE(reread.SectionExists(L"Data"));
    EXPECT_FALSE(reread.ValueExists(L"Main", L"Count"));
  }
}

TEST_F(IniTest, MemIniParsesLinesAndWritesSections) {
  TStringList source;
  source.SetText(
      L"orphan=dropped\r\n"
      L"; comment\r\n"
      L"[ First ]\r\n"
      L"  key = value with spaces  \r\n"
      L"bare line\r\n"
      L"\r\n"
      L"[Second]\r\n"
      L"a=1\r\n"
      L"[first]\r\n"
      L"more=2\r\n");
  TMemIniFile ini(L"");
  ini.SetStrings(&source);
  EXPECT_EQ(ini.ReadString(L"First", L"key", L""), L"value with spaces");
  EXPECT_EQ(ini.ReadString(L"FIRST", L"more", L""), L"2");  // same section, any case
  EXPECT_EQ(ini.ReadString(L"First", L"orphan", L"-"), L"-");
  TStringList names;
  ini.ReadSection(L"First", &names);
  EXPECT_EQ(names.CommaText(), L"key,\"bare line\",more");
  ini.WriteString(L"second", L"A", L"one");  // replaces the existing line
  ini.WriteString(L"Third", L"b", L"=x=");
  EXPECT_EQ(ini.ReadString(L"Third", L"b", L""), L"=x=");

  TStringList out;
  ini.GetStrings(&out);
  EXPECT_EQ(out.Text(),
            L"[First]\r\nkey=value with spaces\r\nbare line\r\nmore=2\r\n\r\n"
            L"[Second]\r\nA=one\r\n\r\n"
            L"[Third]\r\nb==x=\r\n\r\n");

  TMemIniFile exact(L"", nullptr, true);
  exact.SetStrings(&source);
  EXPECT_EQ(exact.ReadString(L"first", L"key", L"-"), L"-");
  EXPECT_EQ(exact.ReadString(L"first", L"more", L"-"), L"2");
  EXPECT_EQ(exact.ReadString(L"First", L"KEY", L"-"), L"-");
  exact.SetCaseSensitive(false);
  EXPECT_EQ(exact.ReadString(L"First", L"KEY", L"-"), L"value with spaces");
}

TEST_F(IniTest, MemIniEncodingsFilesAndRename) {
  String utf8File = Path(L"utf8.ini");
  {
    TMemIniFile ini(utf8File, TEncoding::UTF8());
    ini.WriteString(L"表", L"名前", L"値");
    ini.UpdateFile();
  }
  TBytes bytes = FileBytes(utf8File);
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(TBytes(bytes.begin(), bytes.begin() + 3), TEncoding::UTF8()->GetPreamble());
  {
    TMemIniFile ini(utf8File);  // the mark tells the encoding; saving keeps it
    EXPECT_EQ(ini.ReadString(L"表", L"名前", L""), L"値");
    EXPECT_EQ(ini.Encoding(), TEncoding::UTF8());
    ini.WriteString(L"表", L"追加", L"もう一つ");
    ini.UpdateFile();
  }
  EXPECT_EQ(TMemIniFile(utf8File).ReadString(L"表", L"追加", L""), L"もう一つ");

  // Without a mark or an encoding the file is in the ANSI code page (932 here).
  String ansiFile = Path(L"ansi.ini");
  {
    TStringList lines;
    lines.SetText(L"[S]\r\nk=日本\r\n");
    lines.SaveToFile(ansiFile, TEncoding::ANSI());
  }
  TMemIniFile ansi(ansiFile);
  EXPECT_EQ(ansi.ReadString(L"S", L"k", L""), L"日本");

  // Rename: saving goes to the new name; Reload reads the new file.
  String copyFile = Path(L"copy.ini");
  ansi.Rename(copyFile, false);
  EXPECT_EQ(ansi.ReadString(L"S", L"k", L""), L"日本");
  ansi.UpdateFile();
  EXPECT_EQ(TMemIniFile(copyFile).ReadString(L"S", L"k", L""), L"日本");
  ansi.Rename(Path(L"absent.ini"), true);
  TStringList sections;
  ansi.ReadSections(&sections);
  EXPECT_EQ(sections.Count(), 0);
  EXPECT_EQ(ansi.FileName(), Path(L"absent.ini"));
}

TEST_F(IniTest, UnwritableProfileRaises) {
  TIniFile ini(Path(L"no\\such\\folder\\x.ini"));
  try {
    ini.WriteString(L"S", L"k", L"v");
    ADD_FAILURE();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), L"Unable to write to " + Path(L"no\\such\\folder\\x.ini"));
  }
  EXPECT_EQ(ini.ReadString(L"S", L"k", L"def"), L"def");
}

}  // namespace

}  // namespace ZS_UNITY_ID
