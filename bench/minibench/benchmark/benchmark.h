#pragma once
// A small benchmark runner with the part of Google Benchmark's interface the project's
// benchmarks use, for the Windows build (Debian ships no mingw build of the library).
//
// Supported: State (range-for loop, KeepRunning, iterations, range, SetBytesProcessed,
// SetItemsProcessed, counters, PauseTiming / ResumeTiming, SetLabel, SkipWithError),
// BENCHMARK(fn) with ->Arg, ->Args, ->Range, ->DenseRange, ->Unit, ->Iterations,
// ->MinTime, ->UseRealTime, BENCHMARK_CAPTURE, DoNotOptimize and ClobberMemory. The main
// program is bench/minibench/minibench.cpp; it takes --benchmark_filter=REGEX and
// --benchmark_min_time=SECONDS. Each line shows the wall-clock and the process CPU time per
// iteration; as in Google Benchmark, rates and the minimum run time go by CPU time unless
// the benchmark asks for UseRealTime, so a busy machine does not skew them.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace benchmark {

using IterationCount = int64_t;

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

class Counter {
public:
  enum Flags {
    kDefaults = 0,
    kIsRate = 1,      // divided by the elapsed time
    kAvgThreads = 2,  // (one thread only here: no effect)
    kAvgThreadsRate = 3,
    kIsIterationInvariant = 4,  // multiplied by the iterations
    kIsIterationInvariantRate = 5,
    kAvgIterations = 8,  // divided by the iterations
    kAvgIterationsRate = 9,
  };
  Counter(double v = 0.0, Flags f = kDefaults) : value(v), flags(f) {}
  operator double const&() const { return value; }
  operator double&() { return value; }
  double value;
  Flags flags;
};

using UserCounters = std::map<std::string, Counter>;

namespace internal {
class Benchmark;
struct TRunState;
}  // namespace internal

class State {
public:
  struct __attribute__((unused)) Value {};

  class StateIterator {
  public:
    StateIterator() = default;
    explicit StateIterator(State* parent) : remaining_(parent->max_iterations), parent_(parent) {}
    Value operator*() const { return Value(); }
    StateIterator& operator++() {
      --remaining_;
      return *this;
    }
    bool operator!=(const StateIterator&) const {
      // SkipWithError inside the loop ends it at the next turn.
      if (__builtin_expect(remaining_ != 0, 1) && parent_->error_.empty()) return true;
      parent_->FinishKeepRunning();
      return false;
    }

  private:
    IterationCount remaining_ = 0;
    State* parent_ = nullptr;
  };

  StateIterator begin() {
    StartKeepRunning();
    return StateIterator(this);
  }
  StateIterator end() { return StateIterator(); }

  bool KeepRunning() {
    if (!started_) StartKeepRunning();
    if (done_ < max_iterations && error_.empty()) {
      ++done_;
      return true;
    }
    FinishKeepRunning();
    return false;
  }

  IterationCount iterations() const { return finished_ ? max_iterations : done_; }
  int64_t range(size_t pos = 0) const { return pos < args_.size() ? args_[pos] : 0; }
  int threads() const { return 1; }
  int thread_index() const { return 0; }

  void SetBytesProcessed(int64_t bytes) { bytes_ = bytes; }
  int64_t bytes_processed() const { return bytes_; }
  void SetItemsProcessed(int64_t items) { items_ = items; }
  int64_t items_processed() const { return items_; }
  void SetLabel(const std::string& label) { label_ = label; }
  void SkipWithError(const std::string& message);
  bool error_occurred() const { return !error_.empty(); }
  void PauseTiming();
  void ResumeTiming();

  UserCounters counters;
  const IterationCount max_iterations;

private:
  friend struct internal::TRunState;
  State(IterationCount maxIterations, std::vector<int64_t> args);
  void StartKeepRunning();
  void FinishKeepRunning();

  std::vector<int64_t> args_;
  IterationCount done_ = 0;
  bool started_ = false;
  bool finished_ = false;
  bool paused_ = false;
  int64_t bytes_ = 0, items_ = 0;
  std::string label_, error_;
  int64_t startNs_ = 0, startCpuNs_ = 0;  // when the timer last (re)started
  int64_t elapsedNs_ = 0, cpuNs_ = 0;     // timed wall-clock and CPU time before that
};

namespace internal {

using Function = std::function<void(State&)>;

class Benchmark {
public:
  Benchmark(std::string name, Function fn) : name_(std::move(name)), fn_(std::move(fn)) {}
  Benchmark* Arg(int64_t x) { return Args({x}); }
  Benchmark* Args(const std::vector<int64_t>& args) {
    args_.push_back(args);
    return this;
  }
  // Powers of `RangeMultiplier` (8 unless set) from lo to hi, both included.
  Benchmark* Range(int64_t lo, int64_t hi);
  Benchmark* RangeMultiplier(int multiplier) {
    multiplier_ = multiplier;
    return this;
  }
  Benchmark* DenseRange(int64_t lo, int64_t hi, int step = 1) {
    for (int64_t x = lo; x <= hi; x += step) Arg(x);
    return this;
  }
  Benchmark* Unit(TimeUnit unit) {
    unit_ = unit;
    return this;
  }
  Benchmark* Iterations(IterationCount n) {
    iterations_ = n;
    return this;
  }
  Benchmark* MinTime(double seconds) {
    minTime_ = seconds;
    return this;
  }
  Benchmark* UseRealTime() {
    realTime_ = true;
    return this;
  }
  Benchmark* Name(const std::string& name) {
    name_ = name;
    return this;
  }

  const std::string& BaseName() const { return name_; }
  const std::vector<std::vector<int64_t>>& ArgLists() const { return args_; }
  const Function& Fn() const { return fn_; }
  TimeUnit TimeUnitOf() const { return unit_; }
  IterationCount FixedIterations() const { return iterations_; }
  double MinTimeOf() const { return minTime_; }
  bool UsesRealTime() const { return realTime_; }

private:
  std::string name_;
  Function fn_;
  std::vector<std::vector<int64_t>> args_;
  int multiplier_ = 8;
  TimeUnit unit_ = kNanosecond;
  IterationCount iterations_ = 0;
  double minTime_ = 0.0;
  bool realTime_ = false;
};

Benchmark* RegisterBenchmarkInternal(Benchmark* bench);

}  // namespace internal

inline internal::Benchmark* RegisterBenchmark(const std::string& name, internal::Function fn) {
  return internal::RegisterBenchmarkInternal(new internal::Benchmark(name, std::move(fn)));
}

void Initialize(int* argc, char** argv);
size_t RunSpecifiedBenchmarks();
void Shutdown();

// Keeps the compiler from dropping a computation whose result is otherwise unused.
template <class T>
inline __attribute__((always_inline)) void DoNotOptimize(const T& value) {
  asm volatile("" : : "m"(value) : "memory");
}
template <class T>
inline __attribute__((always_inline)) void DoNotOptimize(T& value) {
  if constexpr (std::is_trivially_copyable_v<T> && sizeof(T) <= sizeof(void*))
    asm volatile("" : "+m,r"(value) : : "memory");
  else
    asm volatile("" : "+m"(value) : : "memory");
}
inline __attribute__((always_inline)) void ClobberMemory() { asm volatile("" : : : "memory"); }

}  // namespace benchmark

#define BENCHMARK_PRIVATE_CONCAT2(a, b) a##b
#define BENCHMARK_PRIVATE_CONCAT(a, b) BENCHMARK_PRIVATE_CONCAT2(a, b)
#define BENCHMARK_PRIVATE_NAME(n) BENCHMARK_PRIVATE_CONCAT(benchmark_uniq_##n##_, __LINE__)

#define BENCHMARK(fn)                                                                    \
  static ::benchmark::internal::Benchmark* BENCHMARK_PRIVATE_NAME(fn) [[maybe_unused]] = \
      ::benchmark::RegisterBenchmark(#fn, fn)

#define BENCHMARK_CAPTURE(fn, name, ...)                                                 \
  static ::benchmark::internal::Benchmark* BENCHMARK_PRIVATE_NAME(fn) [[maybe_unused]] = \
      ::benchmark::RegisterBenchmark(#fn "/" #name, [](::benchmark::State& st) { fn(st, __VA_ARGS__); })

// The runner's own main is always linked; this keeps sources written for the library building.
#define BENCHMARK_MAIN()
