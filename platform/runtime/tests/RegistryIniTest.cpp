#include <gtest/gtest.h>

#include <memory>

#include "Registry.h"

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

}  // namespace
