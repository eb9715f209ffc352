#pragma once
// minibench: the part of Google Benchmark's interface that the benchmarks in bench/ use,
// for the Windows build (Debian ships no mingw build of the library). Benchmarks are
// written against Google Benchmark; this runner only has to run them the same way.
// Rates are per second of the process's CPU time, as Google Benchmark reports them, so a
// busy machine does not skew them; wall-clock time is shown beside.
#include <time.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace benchmark {

using IterationCount = int64_t;

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

template <class T>
inline void DoNotOptimize(T const& value) {
  asm volatile("" : : "r,m"(value) : "memory");
}
template <class T>
inline void DoNotOptimize(T& value) {
  asm volatile("" : "+r,m"(value) : : "memory");
}
inline void ClobberMemory() { asm volatile("" : : : "memory"); }

class State {
public:
  State(IterationCount iterations, std::vector<int64_t> args) : max_(iterations), args_(std::move(args)) {}

  struct __attribute__((unused)) Value {};  // `for (auto _ : state)` without a warning
  struct Iterator {
    State* Parent;
    IterationCount Remaining;
    bool operator!=(const Iterator&) {
      if (Remaining > 0 && !Parent->skipped_) return true;
      Parent->Finish();
      return false;
    }
    Iterator& operator++() {
      --Remaining;
      return *this;
    }
    Value operator*() const { return {}; }
  };
  Iterator begin() {
    Start();
    return {this, max_};
  }
  Iterator end() { return {this, 0}; }

  void PauseTiming() {
    elapsed_ += Clock::now() - started_;
    cpu_ += CpuNow() - cpuStarted_;
  }
  void ResumeTiming() {
    started_ = Clock::now();
    cpuStarted_ = CpuNow();
  }
  void SetBytesProcessed(int64_t bytes) { bytes_ = bytes; }
  void SetItemsProcessed(int64_t items) { items_ = items; }
  void SkipWithError(const std::string& message) {
    skipped_ = true;
    error_ = message;
  }
  void SetLabel(const std::string& label) { label_ = label; }
  int64_t range(size_t i = 0) const { return i < args_.size() ? args_[i] : 0; }
  IterationCount iterations() const { return max_; }
  IterationCount max_iterations = 0;

  std::map<std::string, double> counters;

  // For the runner.
  double Seconds() const { return std::chrono::duration<double>(elapsed_).count(); }
  double CpuSeconds() const { return cpu_; }
  int64_t Bytes() const { return bytes_; }
  int64_t Items() const { return items_; }
  bool Skipped() const { return skipped_; }
  const std::string& ErrorText() const { return error_; }
  const std::string& Label() const { return label_; }

private:
  using Clock = std::chrono::steady_clock;
  static double CpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
  }
  void Start() {
    elapsed_ = Clock::duration::zero();
    cpu_ = 0;
    started_ = Clock::now();
    cpuStarted_ = CpuNow();
  }
  void Finish() {
    if (!finished_) {
      elapsed_ += Clock::now() - started_;
      cpu_ += CpuNow() - cpuStarted_;
    }
    finished_ = true;
  }

  IterationCount max_;
  std::vector<int64_t> args_;
  Clock::time_point started_{};
  Clock::duration elapsed_{};
  double cpuStarted_ = 0, cpu_ = 0;
  int64_t bytes_ = 0, items_ = 0;
  bool skipped_ = false, finished_ = false;
  std::string error_, label_;
};

namespace internal {

class Benchmark {
public:
  using Function = void (*)(State&);
  Benchmark(std::string name, Function fn) : Name(std::move(name)), Fn(fn) {}
  Benchmark* Unit(TimeUnit unit) {
    TimeUnitValue = unit;
    return this;
  }
  Benchmark* Iterations(IterationCount n) {
    FixedIterations = n;
    return this;
  }
  Benchmark* Arg(int64_t value) {
    ArgSets.push_back({value});
    return this;
  }
  Benchmark* Args(const std::vector<int64_t>& values) {
    ArgSets.push_back(values);
    return this;
  }
  Benchmark* MinTime(double seconds) {
    MinSeconds = seconds;
    return this;
  }
  Benchmark* UseRealTime() { return this; }

  std::string Name;
  Function Fn;
  TimeUnit TimeUnitValue = kNanosecond;
  IterationCount FixedIterations = 0;
  std::vector<std::vector<int64_t>> ArgSets;
  double MinSeconds = 0.5;
};

Benchmark* Register(const char* name, Benchmark::Function fn);

}  // namespace internal

int RunAll(int argc, char** argv);

}  // namespace benchmark

#define MINIBENCH_CONCAT2(a, b) a##b
#define MINIBENCH_CONCAT(a, b) MINIBENCH_CONCAT2(a, b)
#define BENCHMARK(fn)                                                                      \
  [[maybe_unused]] static ::benchmark::internal::Benchmark* MINIBENCH_CONCAT(minibench_, __LINE__) = \
      ::benchmark::internal::Register(#fn, fn)
// main comes from minibench.cpp.
#define BENCHMARK_MAIN() static_assert(true, "")
