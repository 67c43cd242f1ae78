// Measures the program's start-up to its first painted window beside a bare Win32 program
// that creates one window, and listing a folder whose DACL holds 1,000 entries (read
// through the security binding's seam) up to the painted list, beside the model's own read
// of that DACL. Prints the figures side by side with their floors.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "../../access/tests/SecurityFakes.h"
#include "../tests/ProgramProcess.h"
#include "NewMainFormUnit.h"
#include "ProgramUnits.h"
#include "QvNTSecurityUnit.h"

using program_process::Seconds;
using program_process::Sibling;

namespace {

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V[V.size() / 2];
}

}  // namespace

int main() {
  // Start-up, one process at a time, alternating the two programs.
  std::vector<double> program, bare;
  for (int i = 0; i < 5; ++i) {
    program.push_back(program_process::StartShowAndClose(Sibling(L"ZalvoSorvane.exe"), L"Zalvo Sorvane").PaintedAfter);
    bare.push_back(program_process::StartShowAndClose(Sibling(L"bare_window.exe"), L"Bare window").PaintedAfter);
  }
  const double p = Median(program), b = Median(bare);
  std::printf("start-up to the first painted window: %8.1f ms   bare window: %8.1f ms   ratio %.2f\n", p * 1e3,
              b * 1e3, b > 0 ? p / b : 0.0);

  TUnitScope units(ProgramUnits);
  Application->Initialize();
  TForm1* form = TCustomForm::Create<TForm1>(nullptr);
  form->Show();

  // A 1,000-entry DACL over a mix of accounts, rights and flags, inherited entries among them.
  const wchar_t* trustees[] = {L"SY", L"BA", L"BU", L"WD", L"AU", L"CO", L"S-1-5-21-1-2-3-1001", L"S-1-5-32-547"};
  const wchar_t* rights[] = {L"FA", L"0x1200a9", L"0x1301bf", L"FR", L"GA", L"0x10000"};
  const wchar_t* flags[] = {L"OICI", L"OICIID", L"CI", L"OIIO", L"OICINP", L"ID"};
  String big = L"D:";
  for (int i = 0; i < 1000; ++i)
    big += String(L"(") + (i % 7 == 3 ? L"D" : L"A") + L";" + flags[i % 6] + L";" + rights[i % 6] + L";;;" +
           trustees[i % 8] + L")";
  const String folder = L"C:\\zs_bench_big";
  CreateDirectoryW(folder.c_str(), nullptr);
  fakes::Sddl = {{folder, big}, {L"C:\\", L"D:(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"}};
  QvSecurityApi.GetNamedSecurityInfoW = &fakes::FakeGetNamedSecurityInfo;

  const int runs = 5;
  auto listOnce = [&] {
    form->Folderlabel->SetCaption(folder);
    form->CompatCheckBoxClick(nullptr);
    form->WinList->Repaint();
  };
  auto readOnce = [&] {
    TQvAccessList list;
    TQvNTFileSecurity(folder).GetAccessList(&list, L"");
  };
  listOnce();  // warm up: account names cached as after the first refresh
  readOnce();
  double t0 = Seconds();
  for (int i = 0; i < runs; ++i) listOnce();
  const double listed = (Seconds() - t0) / runs;
  t0 = Seconds();
  for (int i = 0; i < runs * 10; ++i) readOnce();
  const double read = (Seconds() - t0) / (runs * 10);
  std::printf("1,000-entry folder listed and painted: %8.1f ms (%d rows)   model's read: %8.2f ms   ratio %.1f\n",
              listed * 1e3, form->WinList->AbsoluteCount(), read * 1e3, listed / read);

  delete form;
  RemoveDirectoryW(folder.c_str());
  return 0;
}
