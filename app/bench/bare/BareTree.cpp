// A floor of the start-up benchmark: a bare Win32 program whose window holds a tree view
// with one node, the computer, named and drawn with its shell icon from the system image
// list, then runs its message loop until the window closes.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {
HWND Tree = nullptr;

LRESULT CALLBACK BareProc(HWND W, UINT M, WPARAM Wp, LPARAM Lp) {
  switch (M) {
    case WM_SIZE:
      if (Tree) MoveWindow(Tree, 0, 0, 183, HIWORD(Lp), TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(W, M, Wp, Lp);
  }
}
}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, PWSTR, int Show) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSW wc{};
  wc.lpfnWndProc = BareProc;
  wc.hInstance = Instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"BareTree";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, L"BareTree", L"Bare tree", WS_OVERLAPPEDWINDOW, 244, 173, 900, 512, nullptr, nullptr,
                           Instance, nullptr);
  Tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                         WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0, 0, 183, 454,
                         w, nullptr, Instance, nullptr);
  PIDLIST_ABSOLUTE computer = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(w, CSIDL_DRIVES, &computer)) && computer) {
    SHFILEINFOW fi{};
    auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(computer), 0, &fi, sizeof fi,
                       SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME));
    SendMessageW(Tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    TVINSERTSTRUCTW ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    ins.item.pszText = fi.szDisplayName;
    ins.item.iImage = ins.item.iSelectedImage = fi.iIcon;
    ins.item.cChildren = 1;
    SendMessageW(Tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins));
    CoTaskMemFree(computer);
  }
  ShowWindow(w, Show);
  UpdateWindow(w);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}
