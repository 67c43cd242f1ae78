#include "LeakCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long long> live{0};

void* Take(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (p) ++live;
  return p;
}
void Give(void* p) {
  if (!p) return;
  --live;
  std::free(p);
}
}  // namespace

long long LiveAllocations() { return live.load(); }

void* operator new(std::size_t n) {
  if (void* p = Take(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  if (void* p = Take(n)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }
