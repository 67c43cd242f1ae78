// A tree list read from form text at 10^3 and 10^4 bands and columns: bands nested under
// one parent in reversed places, and columns written in reversed places in one band row.
// The floor is the same text parsed into a plain component with no tree list behind it,
// so the figure beside it is what placing the bands and columns costs on top of reading.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Forms.h"
#include "Streaming.h"
#include "vxTL.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

// Bands: one root, N - 1 children of it with their places reversed. Columns: N in the
// first child band, row 0, places reversed.
std::wstring BandsText(int N) {
  std::wstring s = L"object ListForm: TForm\n object List: TvxTreeList\n  Bands = <\n    item\n      Caption.Text = 'Root'\n    end";
  for (int i = 1; i < N; ++i)
    s += L"\n    item\n      Position.BandIndex = 0\n      Position.ColIndex = " + std::to_wstring(N - 1 - i) +
         L"\n    end";
  return s + L">\n end\nend\n";
}

std::wstring ColumnsText(int N) {
  std::wstring s = L"object ListForm: TForm\n object List: TvxTreeList\n  Bands = <\n    item\n    end>\n";
  for (int i = 0; i < N; ++i)
    s += L"  object C" + std::to_wstring(i) + L": TvxTreeListColumn\n    Position.ColIndex = " +
         std::to_wstring(N - 1 - i) + L"\n    Position.RowIndex = 0\n    Position.BandIndex = 0\n  end\n";
  return s + L" end\nend\n";
}

double ReadList(const std::wstring& AText, bool ACheckBands, int N) {
  auto t0 = Clock::now();
  std::unique_ptr<TForm> form(new TForm(nullptr));
  TextToComponent(AText, form.get());
  auto* tl = dynamic_cast<TvxTreeList*>(form->FindComponent(L"List"));
  auto t1 = Clock::now();
  if (ACheckBands) {
    TvxTreeListBand* root = tl->Bands()->Items(0);
    if (root->ChildBandCount() != N - 1 || root->ChildBands(0) != tl->Bands()->Items(N - 1))
      std::printf("bands read out of place\n");
  } else if (tl->ColumnCount() != N || tl->Columns(0)->Position()->ColIndex() != N - 1) {
    std::printf("columns read out of place\n");
  }
  return Micro(t0, t1);
}

// The floor: the same text's parse into a form's binary stream (the reader's own work).
double Parse(const std::wstring& AText) {
  auto t0 = Clock::now();
  TBytes bytes = ObjectTextToBinary(String(AText));
  auto t1 = Clock::now();
  if (bytes.empty()) std::printf("text not parsed\n");
  return Micro(t0, t1);
}

}  // namespace

void RunTreeListFormBench() {
  const char* env = std::getenv("ZS_FORM_BENCH_SIZE");
  const int small = env ? std::atoi(env) : 1000;
  const int sizes[] = {small, small * 10};
  double bands[2], columns[2], bandsFloor[2], columnsFloor[2];
  for (int i = 0; i < 2; ++i) {
    const std::wstring b = BandsText(sizes[i]), c = ColumnsText(sizes[i]);
    bands[i] = columns[i] = bandsFloor[i] = columnsFloor[i] = 1e30;
    for (int k = 0; k < (i == 0 ? 3 : 1); ++k) {
      bands[i] = std::min(bands[i], ReadList(b, true, sizes[i]));
      columns[i] = std::min(columns[i], ReadList(c, false, sizes[i]));
      bandsFloor[i] = std::min(bandsFloor[i], Parse(b));
      columnsFloor[i] = std::min(columnsFloor[i], Parse(c));
    }
  }
  std::printf("\ntree list read from form text (microseconds per band or column; best of 3 at the smaller size)\n");
  std::printf("%-52s %12s %12s %10s\n", "operation", "N", "10 N", "growth");
  auto line = [&](const char* name, const double* v) {
    double pa = v[0] / sizes[0], pb = v[1] / sizes[1];
    std::printf("%-52s %12.3f %12.3f %10.2f\n", name, pa, pb, pb / pa);
  };
  line("bands nested under one parent, places reversed", bands);
  line("floor: the same text parsed to a binary form", bandsFloor);
  line("columns in one row, places reversed", columns);
  line("floor: the same text parsed to a binary form", columnsFloor);
}
