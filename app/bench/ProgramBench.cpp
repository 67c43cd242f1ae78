// The program's speed beside the floors it is measured against, each pair timed in
// alternating runs within the same run of this program, medians printed:
// - start-up to the first painted window, beside a bare one-window program and a bare
//   program whose window holds a tree view with the computer node and its shell icon;
//   then, of the same runs, the close (WM_CLOSE to process end) and the private memory
//   of the idle window, with the part of it the process wrote, the part that is pages of
//   its own program file, and its threads;
// - the heap in use in this process after the units' start-up and after the window shows;
// - a shell tree showing the computer node made, shown and painted, beside a bare tree
//   view given that node and its shell icon;
// - selecting a folder of three entries in the tree by the keyboard's message up to the
//   painted list, beside a bare list view filled with the same six columns and rows;
// - listing folders of 300, 1,000 and 3,000 entries (read through the security binding's
//   seam) up to the painted list, beside the model's own read of the same DACL;
// - the list's down arrow near the top and near the end of 10,000 rows, beside a bare list
//   view's focus move.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "../../access/tests/SecurityFakes.h"
#include "../tests/ProgramProcess.h"
#include "ACLUtil.h"
#include "NewMainFormUnit.h"
#include "ProgramUnits.h"
#include "QvNTSecurityUnit.h"

using program_process::Seconds;
using program_process::Sibling;

namespace {

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V.empty() ? 0 : V[V.size() / 2];
}

double Ratio(double A, double B) { return B > 0 ? A / B : 0.0; }

// --- whole programs ---------------------------------------------------------------------

// The memory of an idle program, from the host's process table.
struct TMemory {
  double PrivateMiB = -1;  // pages no other process maps: written pages and file pages read only here
  double WrittenMiB = -1;  // of those, the pages the process wrote (heaps, stacks, data)
  double ImageMiB = -1;    // of those, the pages of the program's own file read into memory
  int Threads = -1;
};

struct TProgramRun {
  double Painted = -1;  // seconds from start to the shown, idle window
  double Closed = -1;   // seconds from WM_CLOSE to the process's end
  TMemory Idle;         // memory of the idle window
};

// The whole text of a file, read to its end (the files of the Linux process table report
// no size).
std::string ReadWholeFile(const std::wstring& Path) {
  std::string text;
  HANDLE f = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return text;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  CloseHandle(f);
  return text;
}

// The number after Key on each line of Text that starts with it (kB in the process
// table), summed; with Mapping given, only in the mappings of that file.
double SumOfKey(const std::string& Text, const char* Key, const std::string& Mapping = {}) {
  double sum = 0;
  bool inMapping = Mapping.empty();
  size_t at = 0;
  while (at < Text.size()) {
    size_t end = Text.find('\n', at);
    if (end == std::string::npos) end = Text.size();
    const std::string line = Text.substr(at, end - at);
    at = end + 1;
    // A mapping's header starts with its address range, "start-end perms ...".
    const size_t dash = line.find('-');
    if (!Mapping.empty() && dash != std::string::npos && dash > 0 && line.find(' ') > dash &&
        std::isxdigit(static_cast<unsigned char>(line[0])))
      inMapping = line.size() >= Mapping.size() && line.compare(line.size() - Mapping.size(), Mapping.size(), Mapping) == 0;
    if (inMapping && line.compare(0, std::strlen(Key), Key) == 0) sum += std::atof(line.c_str() + std::strlen(Key));
  }
  return sum;
}

// The memory of the running process started from Exe, read from the host's process table
// that Wine shows on drive Z: (its own accounting of another process's private bytes
// reads 0); all -1 when not found.
TMemory MemoryOf(const std::wstring& Exe) {
  const std::wstring name = Exe.substr(Exe.find_last_of(L"\\/") + 1);
  std::string want(name.begin(), name.end());  // the program names are ASCII
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(L"Z:\\proc\\*", &fd);
  TMemory found;
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    if (fd.cFileName[0] < L'0' || fd.cFileName[0] > L'9') continue;
    const std::wstring dir = std::wstring(L"Z:\\proc\\") + fd.cFileName + L"\\";
    const std::string cmd = ReadWholeFile(dir + L"cmdline");
    // This build's copy: the worktree's path is in the command line.
    if (cmd.find(want) == std::string::npos) continue;
    std::wstring wdir = Exe.substr(0, Exe.find_last_of(L"\\/"));
    std::string dirA(wdir.begin(), wdir.end());
    for (char& c : dirA) c = c == '\\' ? '/' : c;
    std::string cmdA = cmd;
    for (char& c : cmdA) c = c == '\\' ? '/' : c;
    if (cmdA.find(dirA.substr(dirA.find('/'))) == std::string::npos) continue;
    const std::string maps = ReadWholeFile(dir + L"smaps");
    const double kb = SumOfKey(maps, "Private_Clean:") + SumOfKey(maps, "Private_Dirty:");
    if (kb <= 0) continue;
    found.PrivateMiB = kb / 1024.0;
    found.WrittenMiB = SumOfKey(maps, "Anonymous:") / 1024.0;
    const std::string image = "/" + want;
    found.ImageMiB = (SumOfKey(maps, "Private_Clean:", image) + SumOfKey(maps, "Private_Dirty:", image)) / 1024.0;
    found.Threads = 0;
    WIN32_FIND_DATAW td;
    HANDLE t = FindFirstFileW((dir + L"task\\*").c_str(), &td);
    if (t != INVALID_HANDLE_VALUE) {
      do found.Threads += td.cFileName[0] >= L'0' && td.cFileName[0] <= L'9';
      while (FindNextFileW(t, &td));
      FindClose(t);
    }
  } while (found.PrivateMiB < 0 && FindNextFileW(h, &fd));
  FindClose(h);
  return found;
}

// Starts Exe, waits for its visible window with that caption to go idle, reads its private
// memory, closes it and waits for the process to end.
TProgramRun RunProgram(const std::wstring& Exe, const wchar_t* Caption) {
  TProgramRun run;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + Exe + L"\"";
  const double t0 = Seconds();
  if (!CreateProcessW(Exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return run;
  HWND w = nullptr;
  for (int i = 0; i < 20000 && !w; ++i) {
    HWND found = FindWindowW(nullptr, Caption);
    if (found && IsWindowVisible(found)) w = found;
    else Sleep(1);
  }
  if (w) {
    WaitForInputIdle(pi.hProcess, 20000);
    run.Painted = Seconds() - t0;
    Sleep(200);  // settled: whatever the window does after its first paint is done
    run.Idle = MemoryOf(Exe);
    const double c0 = Seconds();
    PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0) run.Closed = Seconds() - c0;
  }
  if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return run;
}

void StartUp(int Runs) {
  struct TSeries {
    const wchar_t* Exe;
    const wchar_t* Caption;
    std::vector<double> Painted, Closed, Mem, Written, Image, Threads;
  } series[] = {{L"ZalvoSorvane.exe", L"Zalvo Sorvane", {}, {}, {}, {}, {}, {}},
                {L"bare_window.exe", L"Bare window", {}, {}, {}, {}, {}, {}},
                {L"bare_tree.exe", L"Bare tree", {}, {}, {}, {}, {}, {}}};
  RunProgram(Sibling(L"ZalvoSorvane.exe"), L"Zalvo Sorvane");  // warm up the file cache
  for (int i = 0; i < Runs; ++i)
    for (TSeries& s : series) {
      TProgramRun r = RunProgram(Sibling(s.Exe), s.Caption);
      s.Painted.push_back(r.Painted);
      s.Closed.push_back(r.Closed);
      s.Mem.push_back(r.Idle.PrivateMiB);
      s.Written.push_back(r.Idle.WrittenMiB);
      s.Image.push_back(r.Idle.ImageMiB);
      s.Threads.push_back(r.Idle.Threads);
    }
  const double p = Median(series[0].Painted), w = Median(series[1].Painted), t = Median(series[2].Painted);
  std::printf("start-up to the first painted window: %7.1f ms   bare tree: %7.1f ms (ratio %.2f)   bare window: %7.1f ms"
              " (ratio %.2f)\n",
              p * 1e3, t * 1e3, Ratio(p, t), w * 1e3, Ratio(p, w));
  const double pc = Median(series[0].Closed), wc = Median(series[1].Closed), tc = Median(series[2].Closed);
  std::printf("close to process end:                 %7.1f ms   bare window: %7.1f ms (ratio %.2f)   bare tree: %7.1f ms\n",
              pc * 1e3, wc * 1e3, Ratio(pc, wc), tc * 1e3);
  const double pm = Median(series[0].Mem), wm = Median(series[1].Mem), tm = Median(series[2].Mem);
  std::printf("idle private memory:                  %7.1f MiB  bare window: %7.1f MiB (ratio %.2f)  bare tree: %7.1f MiB\n",
              pm, wm, Ratio(pm, wm), tm);
  // What the private memory is made of: the pages the process wrote, and the pages of its
  // own program file it read (file pages that no other process maps count as private).
  const double pw = Median(series[0].Written), ww = Median(series[1].Written), tw = Median(series[2].Written);
  std::printf("  of it written (heaps, stacks, data):  %7.1f MiB  bare window: %7.1f MiB (ratio %.2f)  bare tree: %7.1f MiB\n",
              pw, ww, Ratio(pw, ww), tw);
  std::printf("  of it the program file's own pages:   %7.1f MiB  bare window: %7.1f MiB               bare tree: %7.1f MiB\n",
              Median(series[0].Image), Median(series[1].Image), Median(series[2].Image));
  std::printf("  threads of the idle window:           %7.0f      bare window: %7.0f                   bare tree: %7.0f\n",
              Median(series[0].Threads), Median(series[1].Threads), Median(series[2].Threads));
}

// --- in the process ---------------------------------------------------------------------

void Pump() {
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
}

// Paints whatever of the window is pending, children included.
void Paint(HWND W) { RedrawWindow(W, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

// A bare report list view with the window's six columns, as a top-level window of the
// list's size.
class TBareListView {
 public:
  TBareListView(int W, int H) {
    FWnd = CreateWindowExW(0, WC_LISTVIEWW, L"Bare list", WS_POPUP | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 300,
                           300, W, H, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const wchar_t* captions[] = {L"種類", L"名前", L"アクセス許可", L"継承元", L"適用先", L""};
    const int widths[] = {35, 130, 160, 130, 150, 40};
    for (int i = 0; i < 6; ++i) {
      LVCOLUMNW c{};
      c.mask = LVCF_TEXT | LVCF_WIDTH;
      c.pszText = const_cast<wchar_t*>(captions[i]);
      c.cx = widths[i];
      SendMessageW(FWnd, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&c));
    }
    Paint(FWnd);
  }
  ~TBareListView() { DestroyWindow(FWnd); }
  HWND Handle() const { return FWnd; }
  // Replaces the rows and paints them.
  void Fill(const std::vector<std::vector<String>>& Rows) {
    SendMessageW(FWnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(FWnd, LVM_DELETEALLITEMS, 0, 0);
    for (size_t r = 0; r < Rows.size(); ++r) {
      LVITEMW it{};
      it.mask = LVIF_TEXT;
      it.iItem = static_cast<int>(r);
      it.pszText = const_cast<wchar_t*>(Rows[r][0].c_str());
      SendMessageW(FWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
      for (int c = 1; c < 6; ++c) {
        it.iSubItem = c;
        it.pszText = const_cast<wchar_t*>(Rows[r][c].c_str());
        SendMessageW(FWnd, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&it));
      }
    }
    SendMessageW(FWnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FWnd, nullptr, TRUE);
    Paint(FWnd);
  }
  void Focus(int Row) {
    LVITEMW it{};
    it.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    it.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageW(FWnd, LVM_SETITEMSTATE, Row, reinterpret_cast<LPARAM>(&it));
    SendMessageW(FWnd, LVM_ENSUREVISIBLE, Row, FALSE);
    Paint(FWnd);
  }
  int FocusedRow() const { return static_cast<int>(SendMessageW(FWnd, LVM_GETNEXTITEM, -1, LVNI_FOCUSED)); }

 private:
  HWND FWnd = nullptr;
};

// The six texts of each row of the list.
std::vector<std::vector<String>> ListTexts(TForm1* F) {
  std::vector<std::vector<String>> rows;
  for (Integer r = 0; r < F->WinList->AbsoluteCount(); ++r) {
    TvxTreeListNode* n = F->WinList->AbsoluteItems(r);
    std::vector<String> t;
    for (TvxTreeListColumn* c : {F->WinListType, F->WinListName, F->WinListAccess, F->WinListInheritFrom,
                                 F->WinListApplyTo, F->WinListApplyToSymbol})
      t.push_back(VarToStr(n->Values(c->ItemIndex())));
    rows.push_back(std::move(t));
  }
  return rows;
}

// An SDDL DACL of Count entries over a mix of accounts, rights and flags, inherited
// entries among them. Short lists the trustees with 12-byte SIDs only, so that 3,000
// entries still fit the 64 KiB an ACL can hold.
String BigDacl(int Count, bool Short) {
  const wchar_t* trustees[] = {L"SY", L"BA", L"BU", L"WD", L"AU", L"CO", L"S-1-5-21-1-2-3-1001", L"S-1-5-32-547"};
  const wchar_t* shortTrustees[] = {L"SY", L"WD", L"AU", L"CO", L"LS", L"NS", L"IU", L"SU"};
  const wchar_t* rights[] = {L"FA", L"0x1200a9", L"0x1301bf", L"FR", L"GA", L"0x10000"};
  const wchar_t* flags[] = {L"OICI", L"OICIID", L"CI", L"OIIO", L"OICINP", L"ID"};
  String s = L"D:";
  for (int i = 0; i < Count; ++i)
    s += String(L"(") + (i % 7 == 3 ? L"D" : L"A") + L";" + flags[i % 6] + L";" + rights[i % 6] + L";;;" +
         (Short ? shortTrustees : trustees)[i % 8] + L")";
  return s;
}

// The bytes in use in all of the process's heaps (the C runtime's among them), in MiB.
double HeapInUseMiB() {
  std::vector<HANDLE> heaps(64);
  DWORD n = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (n > heaps.size()) {
    heaps.resize(n);
    n = GetProcessHeaps(n, heaps.data());
  }
  double bytes = 0;
  for (DWORD i = 0; i < n && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e{};
    while (HeapWalk(heaps[i], &e))
      if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += e.cbData;
    HeapUnlock(heaps[i]);
  }
  return bytes / (1024.0 * 1024.0);
}

// Alternates A and B Runs times (after one warm-up of each) and returns the medians.
std::pair<double, double> Alternate(int Runs, const std::function<void()>& A, const std::function<void()>& B) {
  A();
  B();
  std::vector<double> a, b;
  for (int i = 0; i < Runs; ++i) {
    double t0 = Seconds();
    A();
    a.push_back(Seconds() - t0);
    t0 = Seconds();
    B();
    b.push_back(Seconds() - t0);
  }
  return {Median(a), Median(b)};
}

}  // namespace

// With --start-up only the whole-program figures are measured, with --in-process only the
// others.
int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  if (only != "--in-process") StartUp(7);
  if (only == "--start-up") return 0;

  // The folders exist before the window: the tree lists them under the drive.
  const String selA = L"C:\\zs_bench_sel_a", selB = L"C:\\zs_bench_sel_b";
  const String folder300 = L"C:\\zs_bench_300", folder1000 = L"C:\\zs_bench_1000", folder3000 = L"C:\\zs_bench_3000";
  for (const String& f : {selA, selB, folder300, folder1000, folder3000}) CreateDirectoryW(f.c_str(), nullptr);
  const String three = L"D:(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)";
  fakes::Sddl = {{selA, three},
                 {selB, three},
                 {folder300, BigDacl(300, true)},
                 {folder1000, BigDacl(1000, false)},
                 {folder3000, BigDacl(3000, true)},
                 {L"C:\\", L"D:(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"}};

  const double heapAtStart = HeapInUseMiB();
  TUnitScope units(ProgramUnits);
  Application->Initialize();
  const double heapUnits = HeapInUseMiB();
  QvSecurityApi.GetNamedSecurityInfoW = &fakes::FakeGetNamedSecurityInfo;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  TForm1* form = TCustomForm::Create<TForm1>(nullptr);
  form->Show();
  SetForegroundWindow(form->Handle());
  Pump();
  const HWND formWnd = form->Handle();
  // Where the heap of the idle window goes: what the units' start-up holds, and what the
  // shown window adds (its controls, the tree's first fill, the painters' caches).
  Sleep(200);
  Pump();
  const double heapWindow = HeapInUseMiB();
  std::printf("heap in use in this process: %.2f MiB at start, units started +%.2f MiB, window shown +%.2f MiB\n",
              heapAtStart, heapUnits - heapAtStart, heapWindow - heapUnits);
  TBareListView bare(form->WinList->Width(), form->WinList->Height());

  // A shell tree showing the computer node, made, shown and painted on a window of its own,
  // beside a bare tree view given the same node with its shell icon (the system image list
  // is built once per process, before either is timed).
  {
    auto shellTree = [] {
      TForm* f = TCustomForm::Create<TForm>(nullptr);
      f->SetBounds(40, 40, 200, 460);
      auto* t = new TvxShellTreeView(f);
      t->AfterConstruction();  // as the form reader does after creating a component
      t->Root()->SetBrowseFolder(bfDrives);
      t->SetParent(f);
      t->SetAlign(alClient);
      f->Show();
      Paint(f->Handle());
      delete f;
    };
    auto bareTree = [] {
      HWND w = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_LINESATROOT,
                               40, 40, 200, 460, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
      PIDLIST_ABSOLUTE computer = nullptr;
      if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer)) && computer) {
        SHFILEINFOW fi{};
        auto images = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoW(reinterpret_cast<LPCWSTR>(computer), 0, &fi, sizeof fi,
                           SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME));
        SendMessageW(w, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        TVINSERTSTRUCTW ins{};
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        ins.item.pszText = fi.szDisplayName;
        ins.item.iImage = ins.item.iSelectedImage = fi.iIcon;
        ins.item.cChildren = 1;
        SendMessageW(w, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins));
        CoTaskMemFree(computer);
      }
      Paint(w);
      DestroyWindow(w);
    };
    auto [p, b] = Alternate(11, shellTree, bareTree);
    std::printf("shell tree made, shown and painted:          %8.2f ms   bare tree view: %8.2f ms   ratio %.2f\n",
                p * 1e3, b * 1e3, Ratio(p, b));
  }

  // Selecting a folder of three entries by the keyboard, up and down between two.
  {
    form->ExplorerTreeView->SetAbsolutePath(selA);
    Pump();
    HWND tree = form->ExplorerTreeView->InnerTreeView()->Handle();
    SetFocus(tree);
    Pump();
    const auto rows = ListTexts(form);
    bool down = true, followed = true;
    auto select = [&] {
      SendMessageW(tree, WM_KEYDOWN, down ? VK_DOWN : VK_UP, 0);
      Paint(formWnd);
      followed = followed && form->Folderlabel->Caption() == (down ? selB : selA) && form->WinList->AbsoluteCount() == 3;
      SendMessageW(tree, WM_KEYUP, down ? VK_DOWN : VK_UP, 0);
      down = !down;
    };
    auto [p, b] = Alternate(21, select, [&] { bare.Fill(rows); });
    std::printf("3-entry folder selected by key and painted: %8.2f ms   bare list view: %8.2f ms   ratio %.2f%s\n",
                p * 1e3, b * 1e3, Ratio(p, b), followed ? "" : "   (the selection did not follow!)");
  }

  // Listing large folders beside the model's read of the same DACL.
  for (const String& folder : {folder300, folder1000, folder3000}) {
    auto list = [&] {
      form->Folderlabel->SetCaption(folder);
      form->CompatCheckBoxClick(nullptr);
      Paint(formWnd);
    };
    auto read = [&] {
      TQvAccessList l;
      TQvNTFileSecurity(folder).GetAccessList(&l, L"");
    };
    auto [p, r] = Alternate(5, list, read);
    const Integer rows = form->WinList->AbsoluteCount();
    std::printf("%5d-entry folder listed and painted: %9.2f ms (%.4f ms a row)   model's read: %8.2f ms   ratio %.2f\n",
                static_cast<int>(rows), p * 1e3, p * 1e3 / std::max<Integer>(rows, 1), r * 1e3, Ratio(p, r));
  }

  // The same 1,000 rows without the window's update lock (it fills row by row while a
  // handler listens for each changed value): what the list's own handling of changes
  // outside a lock costs.
  {
    form->WinList->OnNodeChanged = [](TObject*, TvxTreeListNode*, TvxTreeListColumn*) {};
    auto list = [&] {
      form->Folderlabel->SetCaption(folder1000);
      form->CompatCheckBoxClick(nullptr);
      Paint(formWnd);
    };
    auto read = [&] {
      TQvAccessList l;
      TQvNTFileSecurity(folder1000).GetAccessList(&l, L"");
    };
    auto [p, r] = Alternate(3, list, read);
    std::printf(" 1000-entry folder listed row by row (no lock): %9.2f ms   model's read: %8.2f ms   ratio %.2f\n",
                p * 1e3, r * 1e3, Ratio(p, r));
    form->WinList->OnNodeChanged = nullptr;
  }

  // The list's down arrow in a list of 10,000 rows, in chunks of 100 steps alternating with
  // a bare list view's focus move.
  {
    const int count = 10000, chunk = 100;
    std::vector<std::vector<String>> rows;
    {
      TvxTreeListUpdateScope lock(form->WinList);
      form->WinList->Clear();
      for (int i = 0; i < count; ++i) {
        TvxTreeListNode* n = form->WinList->Add();
        n->SetData(reinterpret_cast<Pointer>(static_cast<NativeUInt>(0x1200a9)));
        std::vector<String> t = {L"許可", L"Account " + IntToStr(i), L"読み取りと実行", L"C:\\", L"このフォルダ", L""};
        n->SetValues(form->WinListType->ItemIndex(), t[0]);
        n->SetValues(form->WinListName->ItemIndex(), t[1]);
        n->SetValues(form->WinListAccess->ItemIndex(), t[2]);
        n->SetValues(form->WinListInheritFrom->ItemIndex(), t[3]);
        n->SetValues(form->WinListApplyTo->ItemIndex(), t[4]);
        n->SetValues(form->WinListApplyToSymbol->ItemIndex(), t[5]);
        rows.push_back(std::move(t));
      }
    }
    bare.Fill(rows);
    form->WinList->SetFocusedNode(form->WinList->AbsoluteItems(0));
    form->WinList->SetFocus();
    bare.Focus(0);
    Pump();
    Paint(formWnd);
    HWND list = form->WinList->Handle();
    std::vector<double> tl, lv;
    // Ten chunks from the top, then ten that end at the last row.
    for (int done = 0; done + chunk < count; done += chunk) {
      if (done == 10 * chunk) {
        done = count - 1 - 10 * chunk;
        form->WinList->SetFocusedNode(form->WinList->AbsoluteItems(done));
        bare.Focus(done);
        Pump();
        Paint(formWnd);
      }
      double t0 = Seconds();
      for (int i = 0; i < chunk; ++i) {
        SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
        Paint(formWnd);
      }
      tl.push_back((Seconds() - t0) / chunk);
      t0 = Seconds();
      for (int i = 0; i < chunk; ++i) {
        SendMessageW(bare.Handle(), WM_KEYDOWN, VK_DOWN, 0);
        Paint(bare.Handle());
      }
      lv.push_back((Seconds() - t0) / chunk);
    }
    TvxTreeListNode* focused = form->WinList->FocusedNode();
    const Integer reached = focused ? focused->AbsoluteIndex() : -1;
    const double p = Median(tl), b = Median(lv);
    std::printf("down arrow in %d rows:      %8.3f ms a step (reached row %d)   bare list view: %8.3f ms (row %d)"
                "   ratio %.2f\n",
                count, p * 1e3, static_cast<int>(reached), b * 1e3, bare.FocusedRow(), Ratio(p, b));
  }

  delete form;
  for (const String& f : {selA, selB, folder300, folder1000, folder3000}) RemoveDirectoryW(f.c_str());
  return 0;
}
