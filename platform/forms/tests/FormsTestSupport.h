// Controls, input and pumping helpers shared by the window tests.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Controls.h"
#include "Forms.h"

namespace zs_test {

// A windowed control that fills itself with its colour and logs what happens to it.
class TSwatch : public TCustomControl {
  DECLARE_CLASS(TSwatch, TCustomControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TSwatch)

 public:
  explicit TSwatch(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle.Include(csAcceptsControls);
  }
  std::wstring* Log = nullptr;
  int Paints = 0;
  void Note(const std::wstring& s) {
    if (Log) *Log += Name() + L"." + s + L" ";
  }

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
  void DoEnter() override { Note(L"Enter"); TCustomControl::DoEnter(); }
  void DoExit() override { Note(L"Exit"); TCustomControl::DoExit(); }
  void CMMouseEnter(TCMMouseEnterLeave& M) {
    if (!M.Control()) Note(L"MouseEnter");
    InheritedMessage(M);
  }
  void CMMouseLeave(TCMMouseEnterLeave& M) {
    if (!M.Control()) Note(L"MouseLeave");
    InheritedMessage(M);
  }
};

inline const TMessageMap* TSwatch::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_MOUSEENTER, MessageHandler<&TSwatch::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TSwatch::CMMouseLeave>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// A graphic control that paints a filled square and logs the mouse.
class TDot : public TGraphicControl {
  DECLARE_CLASS(TDot, TGraphicControl)
  DECLARE_MESSAGE_MAP
  PUBLISHED(TDot)

 public:
  explicit TDot(TComponent* AOwner) : TGraphicControl(AOwner) {}
  std::wstring* Log = nullptr;
  void Note(const std::wstring& s) {
    if (Log) *Log += Name() + L"." + s + L" ";
  }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(RECT{0, 0, Width(), Height()});
  }
  void CMMouseEnter(TCMMouseEnterLeave& M) {
    if (!M.Control()) Note(L"MouseEnter");
    InheritedMessage(M);
  }
  void CMMouseLeave(TCMMouseEnterLeave& M) {
    if (!M.Control()) Note(L"MouseLeave");
    InheritedMessage(M);
  }
};

inline const TMessageMap* TDot::ClassMessages() {
  static constexpr TMessageEntry Entries[] = {
      {CM_MOUSEENTER, MessageHandler<&TDot::CMMouseEnter>},
      {CM_MOUSELEAVE, MessageHandler<&TDot::CMMouseLeave>},
  };
  static constexpr TMessageMap Map(&inherited::ClassMessages, Entries);
  return &Map;
}

// Handles messages for about Ms milliseconds.
inline void Pump(DWORD Ms = 50);

// The fixture of the window tests: a form at a known place on the screen with a known
// client area, created before each test and destroyed after it.
class TFormTest : public ::testing::Test {
 protected:
  explicit TFormTest(int AClientWidth = 300, int AClientHeight = 200, int ALeft = 40,
                     int ATop = 40)
      : FClient{AClientWidth, AClientHeight}, FOrigin{ALeft, ATop} {}
  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(FOrigin.x, FOrigin.y, 10, 10);
    Form->SetClientWidth(FClient.x);
    Form->SetClientHeight(FClient.y);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  // Shows the form in front and lets it paint.
  void ShowForm() {
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Pump(150);
  }

  TForm* Form = nullptr;

 private:
  POINT FClient;
  POINT FOrigin;
};


inline void Pump(DWORD Ms) {
  DWORD end = GetTickCount() + Ms;
  do {
    Application->ProcessMessages();
    Sleep(2);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

// Handles messages until Done() holds or Ms milliseconds passed.
template <class F>
bool PumpUntil(F Done, DWORD Ms = 2000) {
  DWORD end = GetTickCount() + Ms;
  while (!Done()) {
    if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    Application->ProcessMessages();
    Sleep(2);
  }
  return true;
}

inline void MoveMouse(POINT Screen) {
  SetCursorPos(Screen.x, Screen.y);
  Pump(60);
}

inline void MouseButton(DWORD Flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = Flags;
  SendInput(1, &in, sizeof in);
  Pump(60);
}

inline void ClickAt(POINT Screen) {
  MoveMouse(Screen);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
}

inline void Key(WORD Vk, bool Up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = Vk;
  in.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// Presses and releases a key, with Shift held when asked.
inline void PressKey(WORD Vk, bool Shift = false) {
  if (Shift) Key(VK_SHIFT, false);
  Key(Vk, false);
  Key(Vk, true);
  if (Shift) Key(VK_SHIFT, true);
  Pump(80);
}

// The colour on screen at a client point of a window.
inline TColor PixelAt(HWND Wnd, int X, int Y) {
  HDC dc = GetDC(Wnd);
  COLORREF c = GetPixel(dc, X, Y);
  ReleaseDC(Wnd, dc);
  return static_cast<TColor>(c);
}

// Started with this switch, the test program shows one of its forms (on top, at
// ForeignFormBounds) and keeps it up until the test that started it ends the process.
inline constexpr char ForeignFormSwitch[] = "--show-foreign-form";
inline constexpr RECT ForeignFormBounds{420, 260, 640, 420};
int ShowForeignForm();

}  // namespace zs_test
