// A shown form and message pumping for the tests of the controls unit.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "Controls.h"
#include "Forms.h"

namespace vx_test {

// Handles messages for about Ms milliseconds.
inline void Pump(DWORD Ms = 50) {
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

// Moves the real cursor (the window under it gets WM_MOUSEMOVE) and handles messages.
inline void MoveMouse(POINT Screen) {
  SetCursorPos(Screen.x, Screen.y);
  Pump(40);
}

inline void SendMouseButton(DWORD Flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = Flags;
  SendInput(1, &in, sizeof in);
}

inline void SendKey(WORD Vk, bool Up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = Vk;
  in.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// A shown form with a 300 x 200 client area at a known place on the screen.
struct TFormFixture : ::testing::Test {
  TForm* Form = nullptr;
  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetPosition(poDesigned);
    Form->SetBounds(60, 60, 10, 10);
    Form->SetClientWidth(300);
    Form->SetClientHeight(200);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Pump(100);
  }
  void TearDown() override {
    delete Form;
    Pump(20);
  }
  template <class T>
  T* Add(TWinControl* Parent, RECT R) {
    T* c = new T(Form);
    c->SetBoundsRect(R);
    c->SetParent(Parent);
    c->HandleNeeded();
    return c;
  }
};

}  // namespace vx_test
