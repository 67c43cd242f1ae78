// Reading a page control from form text at 40 and 400 sheets, beside its floor: the
// same form text with panels in place of the sheets (the platform's own controls, one
// window each). Per-sheet costs at both sizes show the growth.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Classes.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Streaming.h"
#include "SuitePageControlUnits.h"
#include "SysInit.h"
#include "vxPC.h"

namespace {

using Clock = std::chrono::steady_clock;

// Microseconds to read (and free) a form of N children of the class AChildClass inside a
// parent of the class AParentClass.
double ReadForm(int N, const wchar_t* AParentClass, const wchar_t* AChildClass) {
  std::wstring text = L"object BenchForm: TForm\n  Left = 0\n  Top = 0\n  ClientWidth = 800\n  ClientHeight = 400\n"
                      L"  object Parent1: ";
  text += AParentClass;
  text += L"\n    Width = 780\n    Height = 380\n";
  for (int i = 0; i < N; ++i)
    text += L"    object Child" + std::to_wstring(i) + L": " + AChildClass + L"\n      Caption = 'Page " +
            std::to_wstring(i) + L"'\n    end\n";
  text += L"  end\nend\n";
  TForm* form = TCustomForm::Create<TForm>(nullptr);
  auto t0 = Clock::now();
  TextToComponent(text, form);
  auto t1 = Clock::now();
  delete form;
  return std::chrono::duration<double, std::micro>(t1 - t0).count();
}

}  // namespace

int main() {
  TUnitScope units(SuitePageControlUnits);
  if (!GetClass(L"TPanel")) RegisterClass(TPanel::StaticClass());
  const int sizes[] = {40, 400};
  double pages[2], floor[2];
  for (int i = 0; i < 2; ++i) {
    pages[i] = ReadForm(sizes[i], L"TvxPageControl", L"TvxTabSheet");
    floor[i] = ReadForm(sizes[i], L"TPanel", L"TPanel");
  }
  std::printf("page control read from form text (microseconds per sheet)\n");
  std::printf("%-34s %12s %12s %10s\n", "operation", "40", "400", "growth");
  auto line = [&](const char* name, const double* v) {
    double a = v[0] / sizes[0], b = v[1] / sizes[1];
    std::printf("%-34s %12.1f %12.1f %10.2f\n", name, a, b, b / a);
  };
  line("page control with sheets", pages);
  line("floor: panel with panels", floor);
  std::printf("pages / floor: %.1f at 40, %.1f at 400\n", pages[0] / floor[0], pages[1] / floor[1]);
  std::printf("growth is the per-sheet cost at 400 over that at 40: 1 for linear work\n");
  return 0;
}
