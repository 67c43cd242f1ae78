#include "Samples.h"

#include <stdexcept>

const String JapaneseText =
    L"アクセス権確認ツール Ver. 1.0\r\n"
    L"フォルダーのアクセス許可を一覧で表示します。\r\n"
    L"名前、種類、継承元、適用先を確認できます。\r\n"
    L"ｶﾀｶﾅ と 漢字 と ひらがな。\r\n";

TBytes Encode(UINT codePage, const String& text) {
  int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) throw std::runtime_error("code page not converted");
  TBytes r(static_cast<size_t>(n));
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<char*>(r.data()), n,
                      nullptr, nullptr);
  return r;
}

TBytes Utf16(const String& text, bool bigEndian) {
  TBytes r;
  for (wchar_t c : text) {
    Byte lo = static_cast<Byte>(c & 0xFF), hi = static_cast<Byte>(c >> 8);
    r.push_back(bigEndian ? hi : lo);
    r.push_back(bigEndian ? lo : hi);
  }
  return r;
}

TBytes Iso2022Jp(const String& text) {
  TBytes r;
  bool kanji = false;
  for (wchar_t c : text) {
    if (c < 0x80) {
      if (kanji) r.insert(r.end(), {0x1B, 0x28, 0x42});
      kanji = false;
      r.push_back(static_cast<Byte>(c));
      continue;
    }
    TBytes euc = Encode(20932, String(1, c));
    if (euc.size() != 2 || euc[0] == 0x8E) continue;  // half-width katakana have no place in this form
    if (!kanji) r.insert(r.end(), {0x1B, 0x24, 0x42});
    kanji = true;
    r.push_back(euc[0] & 0x7F);
    r.push_back(euc[1] & 0x7F);
  }
  if (kanji) r.insert(r.end(), {0x1B, 0x28, 0x42});
  return r;
}

TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes r;
  for (const TBytes& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}

TScratchFolder::TScratchFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  FPath = String(temp) + L"zs_support_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(GetTickCount64());
  CreateDirectoryW(FPath.c_str(), nullptr);
}

TScratchFolder::~TScratchFolder() {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((FPath + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      String name = fd.cFileName;
      if (name != L"." && name != L"..") DeleteFileW(Path(name).c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(FPath.c_str());
}

String TScratchFolder::WriteFile(const String& name, const TBytes& bytes) const {
  String p = Path(name);
  HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write scratch file");
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return p;
}

TBytes TScratchFolder::ReadFile(const String& name) const {
  String p = Path(name);
  HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read scratch file");
  TBytes r(GetFileSize(h, nullptr));
  DWORD got = 0;
  if (!r.empty()) ::ReadFile(h, r.data(), static_cast<DWORD>(r.size()), &got, nullptr);
  CloseHandle(h);
  r.resize(got);
  return r;
}
