#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "vdCore.h"
#include "vxClasses.h"

namespace ZS_UNITY_ID {

namespace {

TResStringRec sOk = L"OK";
TResStringRec sCancel = L"Cancel";
TResStringRec sInvalid = L"Invalid stream format";
TResStringRec sOtherOk = L"Other OK";

struct Listener : IvdLocalizerListener {
  std::vector<int>* log;
  int id;
  Listener(std::vector<int>* l, int i) : log(l), id(i) {}
  void TranslationChanged() override { log->push_back(id); }
};

TEST(ResourceStrings, ProductsTranslationAndListeners) {
  TvdResourceStringsRepository* repo = vdGetResourceStringsRepository();
  ASSERT_EQ(repo, vdGetResourceStringsRepository());
  int before = repo->ProductsCount();

  repo->RegisterProduct(L"TestLibrary", [](TvdProductResourceStrings* p) {
    p->Add(L"sOk", &sOk);
    p->Add(L"sCancel", &sCancel);
    p->Add(L"SOK", &sOtherOk);  // same name in another case: ignored
    p->Add(L"sInvalid", &sInvalid);
  });
  repo->RegisterProduct(L"TestEditors", [](TvdProductResourceStrings* p) { p->Add(L"sOk", &sOtherOk); });
  repo->RegisterProduct(L"TestLibrary", nullptr);  // duplicate names are not checked
  ASSERT_EQ(repo->ProductsCount(), before + 3);

  Integer lib = repo->GetProductIndexByName(L"TestLibrary");
  ASSERT_EQ(lib, before);
  EXPECT_EQ(repo->GetProductIndexByName(L"testlibrary"), -1);
  TvdProductResourceStrings* p = repo->Products(lib);
  ASSERT_EQ(p->ResStringsCount(), 3);
  EXPECT_EQ(p->ResStringNames(0), L"sCancel");  // sorted by name
  EXPECT_EQ(p->GetIndexByName(L"SINVALID"), 1);
  EXPECT_EQ(p->GetIndexByName(L"sMissing"), -1);
  EXPECT_EQ(repo->GetOriginalValue(L"sOk"), L"OK");  // the first product that knows it
  EXPECT_EQ(repo->GetOriginalValue(L"sMissing"), L"");

  // Without a handler nothing is enumerated.
  repo->Translate();
  EXPECT_EQ(vxGetResString(&sOk), L"OK");

  std::vector<String> seen;
  repo->SetOnTranslateResString([&](const String& name, Pointer rec) {
    seen.push_back(name);
    if (name == L"sOk") static_cast<TResStringRec*>(rec)->Text = L"了解";
  });
  repo->Translate();
  repo->SetOnTranslateResString(nullptr);
  // Products in order, names in name order (registered products of other tests may come first).
  std::vector<String> tail(seen.end() - 4, seen.end());
  EXPECT_EQ(tail, (std::vector<String>{L"sCancel", L"sInvalid", L"sOk", L"sOk"}));
  EXPECT_EQ(vxGetResString(&sOk), L"了解");
  EXPECT_EQ(vxGetResString(&sOtherOk), L"了解");  // the second product's record was handed over too

  std::vector<int> log;
  Listener a(&log, 1), b(&log, 2);
  repo->AddListener(&a);
  repo->AddListener(&b);
  repo->AddListener(&a);
  repo->NotifyListeners();
  EXPECT_EQ(log, (std::vector<int>{1, 2}));
  repo->RemoveListener(&a);
  repo->RemoveListener(&a);
  repo->NotifyListeners();
  EXPECT_EQ(log, (std::vector<int>{1, 2, 2}));
  repo->RemoveListener(&b);

  // Unregistering a duplicated name removes the first only.
  repo->UnRegisterProduct(L"TestLibrary");
  EXPECT_EQ(repo->GetProductIndexByName(L"TestLibrary"), before + 1);
  EXPECT_EQ(repo->Products(before + 1)->ResStringsCount(), 0);
  repo->UnRegisterProduct(L"TestLibrary");
  repo->UnRegisterProduct(L"TestEditors");
  repo->UnRegisterProduct(L"NoSuchProduct");
  EXPECT_EQ(repo->ProductsCount(), before);
  sOk.Text = L"OK";
  sOtherOk.Text = L"Other OK";
}

// A listener that, when told, runs an action first (to remove or free others).
struct ActingListener : Listener {
  std::function<void()> Act;
  using Listener::Listener;
  void TranslationChanged() override {
    Listener::TranslationChanged();
    if (Act) Act();
  }
};

TEST(ResourceStrings, ListenersRemovedWhileBeingToldAreNotToldAfterwards) {
  TvdResourceStringsRepository repo;
  std::vector<int> log;
  ActingListener first(&log, 1), second(&log, 2), added(&log, 4);
  auto* freed = new Listener(&log, 3);
  repo.AddListener(&first);
  repo.AddListener(&second);
  repo.AddListener(freed);
  // The first one frees the third and removes itself and the second; it adds a new one.
  first.Act = [&] {
    repo.RemoveListener(freed);
    delete freed;
    freed = nullptr;
    repo.RemoveListener(&first);
    repo.RemoveListener(&second);
    repo.AddListener(&added);
  };
  repo.NotifyListeners();
  EXPECT_EQ(log, (std::vector<int>{1}));
  EXPECT_EQ(repo.ListenersCount(), 1);
  log.clear();
  repo.NotifyListeners();
  EXPECT_EQ(log, (std::vector<int>{4}));

  // A listener told during a nested round is told once per round; removal inside the
  // inner round holds for the outer one too.
  log.clear();
  repo.AddListener(&second);
  bool nested = false;
  added.Act = [&] {
    if (nested) return;
    nested = true;
    repo.NotifyListeners();
    repo.RemoveListener(&second);
  };
  repo.NotifyListeners();
  EXPECT_EQ(log, (std::vector<int>{4, 4, 2}));
  EXPECT_EQ(repo.ListenersCount(), 1);
}

TEST(CoreUtilities, ConversionsColoursAndOSFlags) {
  EXPECT_EQ(vdAnsiToWideString("", 932), L"");
  EXPECT_EQ(vdAnsiToWideString("\x93\xfa\x96\x7b", 932), L"日本");
  EXPECT_EQ(vdAnsiToWideString("\x93\xfa\x96\x7b", 932, 2), L"日");
  // UTF-8 ignores the length and decodes the whole text.
  EXPECT_EQ(vdAnsiToWideString("\xe6\x97\xa5\xe6\x9c\xac", CP_UTF8, 1), L"日本");
  EXPECT_EQ(vdWideToAnsiString(L"日本", 932), "\x93\xfa\x96\x7b");
  EXPECT_EQ(vdWideToAnsiString(L"日本", 932, 1), "\x93\xfa");
  EXPECT_EQ(vdWideToAnsiString(L"日本", CP_UTF8, 1), "\xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_EQ(vdWideToAnsiString(L"", CP_UTF8), "");

  EXPECT_EQ(vdColorToQuad(0x00332211, 0x44), 0x44112233u);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(vdColorToQuad(static_cast<Integer>(0xFF00000F)),
            (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face));

  TvxByteSet set;
  set.set('a');
  EXPECT_TRUE(vxCharInByteSet(L'a', set));
  EXPECT_FALSE(vxCharInByteSet(L'b', set));
  EXPECT_FALSE(vxCharInByteSet(static_cast<WideChar>(0x161), set));  // above 255, even if 0x61 is set
  EXPECT_TRUE(vdCharTypeFlags(L'7') & C1_DIGIT);
  EXPECT_TRUE(vdCharTypeFlags(L'\t') & C1_CNTRL);

  char buf[8] = "abcdef";
  vdMoveMemory(buf, buf + 1, 5);  // overlapping
  EXPECT_STREQ(buf, "aabcde");
  vdZeroMemory(buf, 3);
  EXPECT_EQ(buf[2], 0);

  // The flags computed at start-up agree with the system's answer.
  OSVERSIONINFOW vi{sizeof(vi)};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&vi);
#pragma GCC diagnostic pop
  EXPECT_TRUE(vdOSWinNT);
  EXPECT_EQ(vdOSWinVistaUp, vi.dwMajorVersion >= 6);
  EXPECT_EQ(vdOSMajorVersion(), vi.dwMajorVersion);
  EXPECT_FALSE(vdOSWow64);  // a 64-bit process

  struct {
    DWORD p, M, m;
    bool w9x, w98, nt, w2000, w2000up, xp, xpup, major5, vista, vistaUp, w7;
  } cases[] = {
      {1, 4, 10, true, true, false, false, false, false, false, false, false, false, false},
      {2, 5, 0, false, false, true, true, true, false, false, true, false, false, false},
      {2, 5, 1, false, false, true, false, true, true, true, true, false, false, false},
      {2, 6, 1, false, false, true, false, true, false, true, false, true, true, true},
      {2, 10, 0, false, false, true, false, true, false, true, false, false, true, false},
  };
  for (const auto& c : cases) {
    vdSetOSFlags(c.p, c.M, c.m);
    SCOPED_TRACE(testing::Message() << c.p << " " << c.M << "." << c.m);
    EXPECT_EQ(vdOSWin9x, c.w9x);
    EXPECT_EQ(vdOSWin98, c.w98);
    EXPECT_EQ(vdOSWinNT, c.nt);
    EXPECT_EQ(vdOSWin2000, c.w2000);
    EXPECT_EQ(vdOSWin2000Up, c.w2000up);
    EXPECT_EQ(vdOSWinXP, c.xp);
    EXPECT_EQ(vdOSWinXPUp, c.xpup);
    EXPECT_EQ(vdOSWinMajor5, c.major5);
    EXPECT_EQ(vdOSWinVista, c.vista);
    EXPECT_EQ(vdOSWinVistaUp, c.vistaUp);
    EXPECT_EQ(vdOSWin7, c.w7);
    EXPECT_EQ(IsWindowsNTVersion6, c.nt && c.M == 6);
  }
  vdSetOSFlags(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion);
}

}  // namespace

}  // namespace ZS_UNITY_ID
