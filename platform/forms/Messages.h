// Window message records and the component messages (CM_) and reflected notifications
// (CN_) that the control classes exchange.
#pragma once

#include <windows.h>

#include <cstddef>
#include <type_traits>

#include "System.h"

// The message record passed through WndProc and Dispatch. The word halves mirror the
// low and high 16 bits of WParam, LParam and Result.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
  Word WParamLo() const { return LOWORD(WParam); }
  Word WParamHi() const { return HIWORD(WParam); }
  Word LParamLo() const { return LOWORD(LParam); }
  Word LParamHi() const { return HIWORD(LParam); }
};

// ---------------------------------------------------------------------------------------
// Typed message records: views over a TMessage that name its parameters. A handler in a
// message map takes one of these (or TMessage itself). Result is the message's result;
// a view converts to the underlying TMessage, so a handler passes it on unchanged with
// DefaultHandler(Message) or InheritedMessage(Message).

struct TMessageView {
  TMessage& M;
  const UINT Msg;
  LRESULT& Result;
  explicit TMessageView(TMessage& m) : M(m), Msg(m.Msg), Result(m.Result) {}
  operator TMessage&() const { return M; }
};

// Messages without parameters (WM_CANCELMODE, WM_NCDESTROY, CM_ENTER ...).
struct TWMNoParams : TMessageView {
  using TMessageView::TMessageView;
};
using TCMNoParams = TWMNoParams;

struct TWMMouse : TMessageView {
  using TMessageView::TMessageView;
  WPARAM Keys() const { return M.WParam; }
  SmallInt XPos() const { return static_cast<SmallInt>(LOWORD(M.LParam)); }
  SmallInt YPos() const { return static_cast<SmallInt>(HIWORD(M.LParam)); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};

struct TWMMouseWheel : TMessageView {
  using TMessageView::TMessageView;
  Word Keys() const { return LOWORD(M.WParam); }
  SmallInt WheelDelta() const { return static_cast<SmallInt>(HIWORD(M.WParam)); }
  SmallInt XPos() const { return static_cast<SmallInt>(LOWORD(M.LParam)); }
  SmallInt YPos() const { return static_cast<SmallInt>(HIWORD(M.LParam)); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};

// WM_KEYDOWN, WM_CHAR and their reflections; CM_DIALOGKEY and CM_DIALOGCHAR.
struct TWMKey : TMessageView {
  using TMessageView::TMessageView;
  Word CharCode() const { return static_cast<Word>(M.WParam); }
  void SetCharCode(Word Value) { M.WParam = Value; }
  LPARAM KeyData() const { return M.LParam; }
};
using TWMChar = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;

struct TWMContextMenu : TMessageView {
  using TMessageView::TMessageView;
  HWND Window() const { return reinterpret_cast<HWND>(M.WParam); }
  SmallInt XPos() const { return static_cast<SmallInt>(LOWORD(M.LParam)); }
  SmallInt YPos() const { return static_cast<SmallInt>(HIWORD(M.LParam)); }
  // Screen position; (-1, -1) when the menu was asked for from the keyboard.
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};

// WM_PAINT and WM_ERASEBKGND: the device context to paint on (0 for WM_PAINT from the
// system: the handler begins painting itself).
struct TWMPaint : TMessageView {
  using TMessageView::TMessageView;
  HDC DC() const { return reinterpret_cast<HDC>(M.WParam); }
};
struct TWMEraseBkgnd : TMessageView {
  using TMessageView::TMessageView;
  HDC DC() const { return reinterpret_cast<HDC>(M.WParam); }
  // Painting into a buffer sends the buffer's DC in both parameters.
  bool IntoBuffer() const { return M.WParam == static_cast<WPARAM>(M.LParam); }
};

struct TWMSize : TMessageView {
  using TMessageView::TMessageView;
  WPARAM SizeType() const { return M.WParam; }
  Word Width() const { return LOWORD(M.LParam); }
  Word Height() const { return HIWORD(M.LParam); }
};

struct TWMMove : TMessageView {
  using TMessageView::TMessageView;
  SmallInt XPos() const { return static_cast<SmallInt>(LOWORD(M.LParam)); }
  SmallInt YPos() const { return static_cast<SmallInt>(HIWORD(M.LParam)); }
};

struct TWMWindowPosMsg : TMessageView {
  using TMessageView::TMessageView;
  WINDOWPOS* WindowPos() const { return reinterpret_cast<WINDOWPOS*>(M.LParam); }
};
using TWMWindowPosChanged = TWMWindowPosMsg;

// WM_SETFOCUS and WM_KILLFOCUS: the window that lost (or gets) the focus.
struct TWMFocus : TMessageView {
  using TMessageView::TMessageView;
  HWND FocusedWnd() const { return reinterpret_cast<HWND>(M.WParam); }
};
using TWMSetFocus = TWMFocus;
using TWMKillFocus = TWMFocus;

struct TWMSetCursor : TMessageView {
  using TMessageView::TMessageView;
  HWND CursorWnd() const { return reinterpret_cast<HWND>(M.WParam); }
  SmallInt HitTest() const { return static_cast<SmallInt>(LOWORD(M.LParam)); }
  Word MouseMsg() const { return HIWORD(M.LParam); }
};

struct TWMGetDlgCode : TMessageView {
  using TMessageView::TMessageView;
  // The key message being asked about, or nullptr.
  MSG* KeyMsg() const { return reinterpret_cast<MSG*>(M.LParam); }
};

struct TWMActivate : TMessageView {
  using TMessageView::TMessageView;
  Word Active() const { return LOWORD(M.WParam); }
  bool Minimized() const { return HIWORD(M.WParam) != 0; }
  HWND ActiveWindow() const { return reinterpret_cast<HWND>(M.LParam); }
};

struct TWMTimer : TMessageView {
  using TMessageView::TMessageView;
  UINT_PTR TimerID() const { return M.WParam; }
};

// WM_COMMAND and CN_COMMAND.
struct TWMCommand : TMessageView {
  using TMessageView::TMessageView;
  Word ItemID() const { return LOWORD(M.WParam); }
  Word NotifyCode() const { return HIWORD(M.WParam); }
  HWND Ctl() const { return reinterpret_cast<HWND>(M.LParam); }
};

// WM_NOTIFY and CN_NOTIFY.
struct TWMNotify : TMessageView {
  using TMessageView::TMessageView;
  WPARAM IDCtrl() const { return M.WParam; }
  NMHDR* NMHdr() const { return reinterpret_cast<NMHDR*>(M.LParam); }
};

// WM_HSCROLL, WM_VSCROLL and their reflections.
struct TWMScroll : TMessageView {
  using TMessageView::TMessageView;
  Word ScrollCode() const { return LOWORD(M.WParam); }
  Word Pos() const { return HIWORD(M.WParam); }
  HWND ScrollBar() const { return reinterpret_cast<HWND>(M.LParam); }
};

// WM_CTLCOLOR... and their reflections.
struct TWMCtlColor : TMessageView {
  using TMessageView::TMessageView;
  HDC ChildDC() const { return reinterpret_cast<HDC>(M.WParam); }
  HWND ChildWnd() const { return reinterpret_cast<HWND>(M.LParam); }
};

struct TWMDrawItem : TMessageView {
  using TMessageView::TMessageView;
  DRAWITEMSTRUCT* DrawItemStruct() const { return reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam); }
};
struct TWMMeasureItem : TMessageView {
  using TMessageView::TMessageView;
  MEASUREITEMSTRUCT* MeasureItemStruct() const {
    return reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
  }
};
struct TWMDeleteItem : TMessageView {
  using TMessageView::TMessageView;
  DELETEITEMSTRUCT* DeleteItemStruct() const { return reinterpret_cast<DELETEITEMSTRUCT*>(M.LParam); }
};
struct TWMCompareItem : TMessageView {
  using TMessageView::TMessageView;
  COMPAREITEMSTRUCT* CompareItemStruct() const {
    return reinterpret_cast<COMPAREITEMSTRUCT*>(M.LParam);
  }
};

// Component messages with parameters. Objects travel as pointers in the parameters; the
// views give them their types.
class TControl;
class TFont;

// CM_MOUSEENTER and CM_MOUSELEAVE: the control the mouse entered or left (nullptr when
// the message is about the receiver itself; parents are told with the child).
struct TCMMouseEnterLeave : TMessageView {
  using TMessageView::TMessageView;
  TControl* Control() const { return reinterpret_cast<TControl*>(M.LParam); }
};

// CM_VISIBLECHANGED: the new visibility.
struct TCMVisibleChanged : TMessageView {
  using TMessageView::TMessageView;
  bool Visible() const { return M.WParam != 0; }
};

// CM_PARENTFONTCHANGED and CM_PARENTCOLORCHANGED: with Given set, the parameter carries
// the font or colour to take instead of the parent's.
struct TCMParentFontChanged : TMessageView {
  using TMessageView::TMessageView;
  bool Given() const { return M.WParam != 0; }
  TFont* Font() const { return reinterpret_cast<TFont*>(M.LParam); }
};
struct TCMParentColorChanged : TMessageView {
  using TMessageView::TMessageView;
  bool Given() const { return M.WParam != 0; }
  Integer Color() const { return static_cast<Integer>(M.LParam); }
};

// CM_HITTEST: a point in client coordinates.
struct TCMHitTest : TMessageView {
  using TMessageView::TMessageView;
  SmallInt XPos() const { return static_cast<SmallInt>(LOWORD(M.LParam)); }
  SmallInt YPos() const { return static_cast<SmallInt>(HIWORD(M.LParam)); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
};

// CM_CHILDKEY: a key that reached a child control, offered up the parent chain.
struct TCMChildKey : TMessageView {
  using TMessageView::TMessageView;
  Word CharCode() const { return static_cast<Word>(M.WParam); }
  TControl* Sender() const { return reinterpret_cast<TControl*>(M.LParam); }
};

// CM_FOCUSCHANGED: the control that now has the focus.
struct TCMFocusChanged : TMessageView {
  using TMessageView::TMessageView;
  TControl* Sender() const { return reinterpret_cast<TControl*>(M.LParam); }
};

// CM_INVALIDATE: FromChild set when a child asks its parent to repaint the area.
struct TCMInvalidate : TMessageView {
  using TMessageView::TMessageView;
  bool FromChild() const { return M.WParam != 0; }
};

// CM_HINTSHOW: the hint about to be shown; the handler may change it or answer
// non-zero to keep it hidden.
struct THintInfo;
struct TCMHintShow : TMessageView {
  using TMessageView::TMessageView;
  THintInfo* HintInfo() const { return reinterpret_cast<THintInfo*>(M.LParam); }
};

// ---------------------------------------------------------------------------------------
// Message maps. Each class that handles messages has one table: message number ->
// handler. A handler is a method taking a typed record above (or TMessage&). The table
// is chained to the parent class's table; Dispatch looks in the object's own class's
// table first, then up the chain, and gives the message to DefaultHandler when no
// table lists it. See TControl (Controls.h) for the declaration in a class:
//
//   class TMyControl : public TWinControl {
//     DECLARE_CLASS(TMyControl, TWinControl)
//     DECLARE_MESSAGE_MAP
//    private:
//     void WMSize(TWMSize& Message);
//   };
//
//   const TMessageMap* TMyControl::ClassMessages() {
//     static constexpr TMessageEntry Entries[] = {
//         {WM_SIZE, MessageHandler<&TMyControl::WMSize>},
//     };
//     static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
//     return &Map;
//   }

class TObject;
using TMessageHandler = void (*)(TObject* Self, TMessage& Message);

struct TMessageEntry {
  UINT Msg;
  TMessageHandler Handler;
};

class TMessageMap {
 public:
  using TParentFunc = const TMessageMap* (*)();
  template <std::size_t N>
  constexpr TMessageMap(TParentFunc AParent, const TMessageEntry (&AEntries)[N])
      : FParent(AParent), FEntries(AEntries), FCount(N) {}
  // A root table (the class has no parent table).
  template <std::size_t N>
  constexpr explicit TMessageMap(const TMessageEntry (&AEntries)[N])
      : FParent(nullptr), FEntries(AEntries), FCount(N) {}

  const TMessageMap* Parent() const { return FParent ? FParent() : nullptr; }
  std::size_t Count() const { return FCount; }
  const TMessageEntry& Entry(std::size_t Index) const { return FEntries[Index]; }
  // The handler listed for Msg in this table or the nearest table up the chain.
  TMessageHandler Find(UINT Msg) const {
    for (const TMessageMap* m = this; m; m = m->Parent())
      for (std::size_t i = 0; i < m->FCount; ++i)
        if (m->FEntries[i].Msg == Msg) return m->FEntries[i].Handler;
    return nullptr;
  }
  // Calls the handler for the message; false when no table in the chain lists it.
  bool Dispatch(TObject* Self, TMessage& Message) const {
    TMessageHandler h = Find(Message.Msg);
    if (!h) return false;
    h(Self, Message);
    return true;
  }

 private:
  TParentFunc FParent;
  const TMessageEntry* FEntries;
  std::size_t FCount;
};

namespace zs_detail {
template <class M> struct MessageMethodTraits;
template <class C, class R>
struct MessageMethodTraits<void (C::*)(R&)> {
  using Class = C;
  using Record = R;
};
template <auto Method>
void CallMessageMethod(TObject* Self, TMessage& Message) {
  using Traits = MessageMethodTraits<decltype(Method)>;
  auto* obj = static_cast<typename Traits::Class*>(Self);
  if constexpr (std::is_same_v<typename Traits::Record, TMessage>) {
    (obj->*Method)(Message);
  } else {
    typename Traits::Record record(Message);
    (obj->*Method)(record);
  }
}
}  // namespace zs_detail

// The table entry's handler for a method `void C::Handler(Record&)`.
template <auto Method>
constexpr TMessageHandler MessageHandler = &zs_detail::CallMessageMethod<Method>;

// The window procedure of a plain window that belongs to an object of class C (a
// timer, the application's hidden window ...): the object sits in the window's
// GWLP_USERDATA; messages listed in C's message map go to their handlers, the others
// (and those arriving before the object is set) to DefWindowProc. Handlers must not
// let exceptions escape into the system.
template <class C>
LRESULT CALLBACK MessageMapWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (auto* obj = reinterpret_cast<C*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA))) {
    TMessage m{Msg, WParam, LParam, 0};
    if (C::ClassMessages()->Dispatch(obj, m)) return m.Result;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// In the class body of a descendant of a class with a message map (after
// DECLARE_CLASS): declares the class's table, and InheritedMessage, which passes a
// message on to the parent class's handler for it (or DefaultHandler when there is none).
#define DECLARE_MESSAGE_MAP                                                              \
 public:                                                                                 \
  static const TMessageMap* ClassMessages();                                             \
  const TMessageMap* MessageMap() const override { return ClassMessages(); }             \
                                                                                         \
 protected:                                                                              \
  void InheritedMessage(TMessage& Message) {                                             \
    if (!inherited::ClassMessages()->Dispatch(this, Message)) DefaultHandler(Message);   \
  }                                                                                      \
                                                                                         \
 public:

// Component messages. The numbering is fixed: callers and message handlers outside this
// library use the raw numbers.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_DOCKCLIENT = CM_BASE + 56;
constexpr UINT CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr UINT CM_FLOAT = CM_BASE + 58;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr UINT CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;
// What CM_DOCKNOTIFICATION tells a dock site (WParam: the client; LParam: this record):
// the message the client handled (WM_SETTEXT with the new text, CM_VISIBLECHANGED with
// the new visibility in WParam).
struct TDockNotifyRec {
  UINT ClientMsg;
  WPARAM MsgWParam;
  LPARAM MsgLParam;
};
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;
constexpr UINT CM_ISSHORTCUT = CM_BASE + 68;
constexpr UINT CM_INVALIDATEDOCKHOST = CM_BASE + 70;
constexpr UINT CM_SETACTIVECONTROL = CM_BASE + 71;
constexpr UINT CM_POPUPHWNDDESTROY = CM_BASE + 72;
constexpr UINT CM_CREATEPOPUP = CM_BASE + 73;
constexpr UINT CM_DESTROYHANDLE = CM_BASE + 74;
constexpr UINT CM_MOUSEACTIVATE = CM_BASE + 75;
constexpr UINT CM_CONTROLLISTCHANGING = CM_BASE + 76;
constexpr UINT CM_BUFFEREDPRINTCLIENT = CM_BASE + 77;
constexpr UINT CM_UNTHEMECONTROL = CM_BASE + 78;
constexpr UINT CM_DOUBLEBUFFEREDCHANGED = CM_BASE + 79;
constexpr UINT CM_PARENTDOUBLEBUFFEREDCHANGED = CM_BASE + 80;

// Notifications reflected back to the control that caused them: CN_BASE plus the
// original window message.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
