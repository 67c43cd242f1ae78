// A region from a bitmap of single-pixel runs (a checkerboard) at 256 x 256 and
// 1024 x 1024 pixels, so 32,768 and 524,288 runs, beside its floor: reading the pixels and
// collecting the runs in a vector. Per-run costs at both sizes show the growth.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "vxBitmaps.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micro(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::micro>(B - A).count(); }

std::unique_ptr<TBitmap> Checkerboard(int N) {
  std::unique_ptr<TBitmap> b(vxCreateBitmapOfSize(TRect{0, 0, N, N}, pf32bit));
  TRGBColors c(static_cast<size_t>(N) * N);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x)
      c[static_cast<size_t>(y) * N + x] = ((x ^ y) & 1) ? RGBQUAD{0, 255, 0, 0} : RGBQUAD{0, 0, 255, 0};
  vxSetBitmapPixels(b.get(), true, c);
  return b;
}

// The floor: the pixels read back and the runs collected.
double Floor(TBitmap* B, int N) {
  const auto t0 = Clock::now();
  TRGBColors c;
  vxGetBitmapPixels(B, true, c);
  std::vector<RECT> runs;
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x)
      if (c[static_cast<size_t>(y) * N + x].rgbGreen == 255) runs.push_back(RECT{x, y, x + 1, y + 1});
  const auto t1 = Clock::now();
  if (runs.size() != static_cast<size_t>(N) * N / 2) std::printf("floor counted %zu runs\n", runs.size());
  return Micro(t0, t1);
}

}  // namespace

int main() {
  const int sizes[2] = {256, 1024};
  double ours[2], floor[2];
  for (int i = 0; i < 2; ++i) {
    auto b = Checkerboard(sizes[i]);
    const auto t0 = Clock::now();
    HRGN r = vxCreateRegionFromBitmap(b.get(), clRed);
    const auto t1 = Clock::now();
    DeleteObject(r);
    ours[i] = Micro(t0, t1);
    floor[i] = Floor(b.get(), sizes[i]);
  }
  const double runs[2] = {256.0 * 256 / 2, 1024.0 * 1024 / 2};
  std::printf("region from a checkerboard bitmap (microseconds per run)\n");
  std::printf("%-24s %12s %12s %10s\n", "operation", "32768 runs", "524288 runs", "growth");
  std::printf("%-24s %12.3f %12.3f %10.2f\n", "vxCreateRegionFromBitmap", ours[0] / runs[0], ours[1] / runs[1],
              (ours[1] / runs[1]) / (ours[0] / runs[0]));
  std::printf("%-24s %12.3f %12.3f %10.2f\n", "floor (pixels and runs)", floor[0] / runs[0], floor[1] / runs[1],
              (floor[1] / runs[1]) / (floor[0] / runs[0]));
  std::printf("growth is the per-run cost at the larger size over that at the smaller: 1 for linear work\n");
  return 0;
}
