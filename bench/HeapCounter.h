#pragma once
// Counts the heap a benchmark program uses by replacing the global operator new and delete:
// g_live holds the bytes requested and not yet freed, g_peak the most g_live has reached
// (a benchmark resets it to g_live before the part it measures). Each block carries its size
// in a header in front. Include this in exactly one source file of a benchmark program.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_peak{0};
constexpr std::size_t kHeader = 16;

void* Allocate(std::size_t size) noexcept {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) return nullptr;
  *reinterpret_cast<std::size_t*>(block) = size;
  const int64_t live = g_live.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) + size;
  int64_t peak = g_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {}
  return block + kHeader;
}

void Release(void* p) noexcept {
  if (!p) return;
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  g_live.fetch_sub(static_cast<int64_t>(*reinterpret_cast<std::size_t*>(block)), std::memory_order_relaxed);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
