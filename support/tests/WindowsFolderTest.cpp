// The special-folder list as the private Wine prefix resolves it.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "ZvWindowsFolder.h"

namespace ZS_UNITY_ID {

TEST(WindowsFolders, EntriesResolvedAtStartUp) {
  ASSERT_NE(WindowsFolderList, nullptr);
  const TWindowsFolderList& l = *WindowsFolderList;
  EXPECT_EQ(l.Count(), 53);
  wchar_t buf[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_WINDOWS, FALSE));
  EXPECT_TRUE(SameText(l.GetFolder(WF_WINDOWS), ExcludeTrailingPathDelimiter(buf)));
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_APPDATA, FALSE));
  EXPECT_EQ(l.GetFolder(WF_APPDATA), ExcludeTrailingPathDelimiter(buf));
  GetTempPathW(MAX_PATH, buf);
  EXPECT_EQ(l.GetFolder(WF_TEMP), ExcludeTrailingPathDelimiter(buf));
  // Virtual folders have no file-system path.
  EXPECT_EQ(l.GetFolder(WF_DRIVES), L"");
  EXPECT_EQ(l.GetFolder(WF_CONTROLS), L"");
  EXPECT_EQ(l.GetFolder(53), L"");
  EXPECT_EQ(l.GetFolder(-1), L"");
  for (Integer i = 0; i < l.Count(); ++i) {
    const String p = l.GetFolder(i);
    EXPECT_TRUE(p.empty() || (p.back() != L'\\' && p.back() != L'/')) << i << " " << UTF8Encode(p);
  }
  // The profiles folder is the profile's parent, spelled as the system spells it.
  const String profile = l.GetFolder(WF_PROFILE);
  ASSERT_FALSE(profile.empty());
  EXPECT_EQ(l.GetFolder(52), ExtractFileDir(profile));
  EXPECT_TRUE(DirectoryExists(l.GetFolder(52)));
}

TEST(WindowsFolders, DumpListsEveryNamedEntry) {
  const String dump = WindowsFolderList->Dump();
  TStringList lines;
  lines.SetText(dump);
  ASSERT_EQ(lines.Count(), 52);
  EXPECT_EQ(dump.substr(dump.size() - 2), L"\r\n");
  EXPECT_EQ(lines[0], L"WF_DESKTOP=>" + WindowsFolderList->GetFolder(WF_DESKTOP));
  EXPECT_EQ(lines[13], L"WF_DRIVES=>");
  EXPECT_EQ(lines[38], L"WF_PROFILE=>" + WindowsFolderList->GetFolder(WF_PROFILE));
  EXPECT_EQ(lines[50], L"WF_CDBURN_AREA=>" + WindowsFolderList->GetFolder(WF_CDBURN_AREA));
  EXPECT_EQ(lines[51], L"WF_TEMP=>" + WindowsFolderList->GetFolder(WF_TEMP));
  EXPECT_EQ(WindowsFolderList->CommaText().empty(), false);
}

TEST(WindowsFolders, UserProfileFoldersKeepTheirCaseUnlessAskedToLower) {
  const String users = WindowsFolderList->GetFolder(52);
  // What the file system holds there.
  std::vector<String> expected;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((users + L"\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    const String name = fd.cFileName;
    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
      expected.push_back(users + L"\\" + name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  ASSERT_FALSE(expected.empty());

  TStringList list;
  list.Add(L"kept");
  WindowsFolderList->GetUsersFolderList(&list, false);
  ASSERT_EQ(list.Count(), static_cast<Integer>(expected.size()) + 1);
  EXPECT_EQ(list[0], L"kept");
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(list[static_cast<Integer>(i) + 1], expected[i]);
  const String profile = WindowsFolderList->GetFolder(WF_PROFILE);
  EXPECT_TRUE(std::find(expected.begin(), expected.end(), profile) != expected.end());

  TStringList lower;
  WindowsFolderList->GetUsersFolderList(&lower, true);
  ASSERT_EQ(lower.Count(), static_cast<Integer>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lower[static_cast<Integer>(i)], AnsiLowerCase(expected[i]));
}

TEST(WindowsFolders, AnUnresolvedProfileNamesNoFolder) {
  EXPECT_EQ(TWindowsFolderList::UsersFolderOf(L""), L"");
  EXPECT_EQ(TWindowsFolderList::UsersFolderOf(L"C:\\Users\\Alice"), L"C:\\Users");
  EXPECT_EQ(TWindowsFolderList::FolderName(WF_MYMUSIC), L"WF_MYMUSIC");
  EXPECT_EQ(TWindowsFolderList::FolderName(52), L"");
}

TEST(WindowsFolders, BuiltOnceByTheFirstReaderAndShared) {
  ZvWindowsFolderFinalize();
  ZvWindowsFolderInitialize();
  EXPECT_FALSE(WindowsFolderList.Built()) << "start-up asks the shell for nothing";
  // Readers on several threads at once all get the one list.
  std::vector<TWindowsFolderList*> seen(4, nullptr);
  std::vector<std::thread> readers;
  for (size_t i = 0; i < seen.size(); ++i) readers.emplace_back([&seen, i] { seen[i] = WindowsFolderList; });
  for (std::thread& t : readers) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (TWindowsFolderList* l : seen) EXPECT_EQ(l, seen[0]);
  EXPECT_TRUE(WindowsFolderList.Built());
  EXPECT_EQ(WindowsFolderList->Count(), 53);
  EXPECT_EQ(static_cast<TWindowsFolderList*>(WindowsFolderList), seen[0]);
}

}  // namespace ZS_UNITY_ID
