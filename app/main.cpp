// Program entry: runs the unit start-up list, creates the main form and runs the
// application's message loop.
#include <windows.h>

#include "Classes.h"
#include "Controls.h"
#include "Forms.h"
#include "Graphics.h"
#include "ProgramUnits.h"
#include "SysUtils.h"

namespace {

// The main window; its layout comes from the form resource of the same name.
class TMainForm : public TForm {
  DECLARE_CLASS(TMainForm, TForm)
 public:
  explicit TMainForm(TComponent* AOwner) : TForm(AOwner) {}
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    TUnitScope units(ProgramUnits);
    Application->Initialize();
    Application->SetTitle(L"Zalvo Sorvane");
    TMainForm* mainForm = nullptr;
    Application->CreateForm(mainForm);
    Application->Run();
    return 0;
  } catch (const Exception& e) {
    MessageBoxW(nullptr, e.Message().c_str(), L"Zalvo Sorvane", MB_OK | MB_ICONERROR);
    return 1;
  }
}
