// Program entry: starts every unit in order, creates the main form from its resource,
// runs the message loop and shuts the units down in reverse.
#include <windows.h>

#include "Forms.h"
#include "NewMainFormUnit.h"
#include "ProgramUnits.h"
#include "SysUtils.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    // A unit whose start-up fails (the operating-system check among them) stops the
    // program before any window exists.
    TUnitScope units(ProgramUnits);
    Application->Initialize();
    Application->CreateForm(Form1);
    Application->Run();
    // The forms go before any unit shuts down: their controls still use what the units
    // hold (the shell's allocator and OLE, the suite's painters and caches).
    // The window goes whole first: destroying the top window takes every child window with
    // it in one call, where child windows destroyed one by one would each make the window
    // give up their area and redraw it. The controls' objects then go with no windows to
    // update.
    if (Form1 && Form1->HandleAllocated()) ::DestroyWindow(Form1->Handle());
    Application->DestroyComponents();
    return 0;
  } catch (const Exception& e) {
    MessageBoxW(nullptr, e.Message().c_str(), L"Zalvo Sorvane", MB_OK | MB_ICONERROR);
    return 1;
  }
}
