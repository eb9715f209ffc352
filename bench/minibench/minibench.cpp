// The runner behind bench/minibench/benchmark/benchmark.h: registration, the timing loop
// that grows the iteration count until a run lasts long enough, and one result line per
// benchmark.
#include "benchmark/benchmark.h"

#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>
#include <string>

namespace benchmark {

namespace {

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// CPU time of the whole process (winpthreads provides this clock in the Windows build).
int64_t CpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::vector<std::unique_ptr<internal::Benchmark>>& Registry() {
  static std::vector<std::unique_ptr<internal::Benchmark>> list;
  return list;
}

struct TOptions {
  std::string Filter = ".";
  double MinTime = 0.5;
  bool List = false;
};

TOptions& Options() {
  static TOptions options;
  return options;
}

const char* UnitName(TimeUnit unit) {
  switch (unit) {
    case kNanosecond:
      return "ns";
    case kMicrosecond:
      return "us";
    case kMillisecond:
      return "ms";
    default:
      return "s";
  }
}

double UnitPerSecond(TimeUnit unit) {
  switch (unit) {
    case kNanosecond:
      return 1e9;
    case kMicrosecond:
      return 1e6;
    case kMillisecond:
      return 1e3;
    default:
      return 1.0;
  }
}

// 1234567 -> "1.17737M" in the library's style (powers of 1024 for bytes, 1000 otherwise).
std::string Human(double value, double base) {
  static const char* const kPrefixes[] = {"", "k", "M", "G", "T", "P"};
  int k = 0;
  while (std::fabs(value) >= base && k < 5) {
    value /= base;
    ++k;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4g%s%s", value, kPrefixes[k], (base == 1024 && k > 0) ? "i" : "");
  return buf;
}

// A time in 11 columns, without an exponent for long times.
std::string Fixed(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, value >= 1e4 ? "%11.0f" : "%11.4g", value);
  return buf;
}

}  // namespace

State::State(IterationCount maxIterations, std::vector<int64_t> args)
    : max_iterations(maxIterations), args_(std::move(args)) {}

void State::StartKeepRunning() {
  started_ = true;
  elapsedNs_ = cpuNs_ = 0;
  startNs_ = NowNs();
  startCpuNs_ = CpuNs();
}

void State::FinishKeepRunning() {
  if (finished_) return;
  if (!paused_) {
    elapsedNs_ += NowNs() - startNs_;
    cpuNs_ += CpuNs() - startCpuNs_;
  }
  paused_ = true;
  finished_ = true;
}

void State::PauseTiming() {
  if (paused_) return;
  elapsedNs_ += NowNs() - startNs_;
  cpuNs_ += CpuNs() - startCpuNs_;
  paused_ = true;
}

void State::ResumeTiming() {
  if (!paused_ || finished_) return;
  startNs_ = NowNs();
  startCpuNs_ = CpuNs();
  paused_ = false;
}

void State::SkipWithError(const std::string& message) { error_ = message.empty() ? "error" : message; }

namespace internal {

Benchmark* Benchmark::Range(int64_t lo, int64_t hi) {
  Arg(lo);
  for (int64_t x = lo < 1 ? 1 : lo; x < hi;) {
    x *= multiplier_;
    if (x >= hi) break;
    if (x > lo) Arg(x);
  }
  if (hi > lo) Arg(hi);
  return this;
}

Benchmark* RegisterBenchmarkInternal(Benchmark* bench) {
  Registry().emplace_back(bench);
  return bench;
}

// Runs one benchmark with one argument list and prints its line.
struct TRunState {
  static void Run(const Benchmark& bench, const std::vector<int64_t>& args, const std::string& name) {
    const double minTime = bench.MinTimeOf() > 0 ? bench.MinTimeOf() : Options().MinTime;
    IterationCount n = bench.FixedIterations() > 0 ? bench.FixedIterations() : 1;
    for (;;) {
      State state(n, args);
      bench.Fn()(state);
      if (!state.error_.empty()) {
        std::printf("%-44s ERROR: %s\n", name.c_str(), state.error_.c_str());
        return;
      }
      if (!state.finished_) {
        std::printf("%-44s ERROR: the benchmark did not run its loop to the end\n", name.c_str());
        return;
      }
      const double wall = static_cast<double>(state.elapsedNs_) * 1e-9;
      const double cpu = static_cast<double>(state.cpuNs_) * 1e-9;
      const double seconds = bench.UsesRealTime() || cpu <= 0 ? wall : cpu;
      // A benchmark that mostly waits would take very long to gather CPU time.
      const bool done = bench.FixedIterations() > 0 || seconds >= minTime || wall >= 10 * minTime || n >= 1000000000;
      if (done) {
        Report(bench, state, name, wall, seconds);
        return;
      }
      // Aim a little past the minimum; grow at most tenfold when the last run was too short
      // to predict from.
      double multiplier = seconds > 0 ? minTime * 1.4 / seconds : 10.0;
      if (seconds < minTime / 10) multiplier = multiplier > 10 ? 10 : multiplier;
      const double next = static_cast<double>(n) * multiplier;
      n = next > 1e9 ? 1000000000 : (static_cast<IterationCount>(next) > n ? static_cast<IterationCount>(next) : n + 1);
    }
  }

  // `seconds` is the time rates are given in: CPU time, or wall-clock time with UseRealTime.
  static void Report(const Benchmark& bench, const State& state, const std::string& name, double wall, double seconds) {
    const double iterations = static_cast<double>(state.max_iterations);
    const double perIteration = wall / iterations * UnitPerSecond(bench.TimeUnitOf());
    const double cpuPerIteration =
        static_cast<double>(state.cpuNs_) * 1e-9 / iterations * UnitPerSecond(bench.TimeUnitOf());
    std::string extra;
    if (state.bytes_ > 0 && seconds > 0)
      extra += " bytes_per_second=" + Human(static_cast<double>(state.bytes_) / seconds, 1024) + "/s";
    if (state.items_ > 0 && seconds > 0)
      extra += " items_per_second=" + Human(static_cast<double>(state.items_) / seconds, 1000) + "/s";
    for (const auto& [key, counter] : state.counters) {
      double v = counter.value;
      if (counter.flags & Counter::kIsIterationInvariant) v *= iterations;
      if (counter.flags & Counter::kAvgIterations) v /= iterations;
      if ((counter.flags & Counter::kIsRate) && seconds > 0) v /= seconds;
      extra += " " + key + "=" + Human(v, 1000) + ((counter.flags & Counter::kIsRate) ? "/s" : "");
    }
    if (!state.label_.empty()) extra += " " + state.label_;
    const char* unit = UnitName(bench.TimeUnitOf());
    std::printf("%-44s %s %-2s %s %-2s %12lld%s\n", name.c_str(), Fixed(perIteration).c_str(), unit,
                Fixed(cpuPerIteration).c_str(), unit, static_cast<long long>(state.max_iterations), extra.c_str());
    std::fflush(stdout);
  }
};

}  // namespace internal

void Initialize(int* argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* flag) -> const char* {
      const size_t len = std::char_traits<char>::length(flag);
      return arg.compare(0, len, flag) == 0 ? argv[i] + len : nullptr;
    };
    if (const char* v = value("--benchmark_filter=")) {
      Options().Filter = std::string(v) == "all" ? "." : v;
    } else if (const char* v = value("--benchmark_min_time=")) {
      Options().MinTime = std::atof(v);  // "0.5" and "0.5s" both read as seconds
    } else if (arg == "--benchmark_list_tests" || arg == "--benchmark_list_tests=true") {
      Options().List = true;
    } else if (arg.compare(0, 12, "--benchmark_") == 0) {
      std::fprintf(stderr, "minibench: ignoring %s\n", arg.c_str());
    } else {
      argv[kept++] = argv[i];
    }
  }
  *argc = kept;
}

size_t RunSpecifiedBenchmarks() {
  std::regex filter;
  try {
    filter = std::regex(Options().Filter, std::regex::extended);
  } catch (const std::regex_error&) {
    std::fprintf(stderr, "minibench: bad --benchmark_filter: %s\n", Options().Filter.c_str());
    return 0;
  }
  bool header = false;
  size_t count = 0;
  for (const auto& bench : Registry()) {
    std::vector<std::vector<int64_t>> argLists = bench->ArgLists();
    if (argLists.empty()) argLists.emplace_back();
    for (const auto& args : argLists) {
      std::string name = bench->BaseName();
      for (int64_t a : args) {
        name += '/';
        name += std::to_string(a);
      }
      if (bench->FixedIterations() > 0) {
        name += "/iterations:";
        name += std::to_string(bench->FixedIterations());
      }
      if (!std::regex_search(name, filter)) continue;
      ++count;
      if (Options().List) {
        std::printf("%s\n", name.c_str());
        continue;
      }
      if (!header) {
        std::printf("%-44s %14s %14s %12s %s\n", "Benchmark", "Time", "CPU", "Iterations", "Rates and counters");
        std::printf("%s\n", std::string(110, '-').c_str());
        header = true;
      }
      internal::TRunState::Run(*bench, args, name);
    }
  }
  if (count == 0) std::fprintf(stderr, "minibench: no benchmark matches \"%s\"\n", Options().Filter.c_str());
  return count;
}

void Shutdown() {}

}  // namespace benchmark

namespace {

int RunMain(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc > 1) {
    std::fprintf(stderr, "minibench: unknown argument %s\n", argv[1]);
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace

#ifdef _WIN32
// The Windows build links with -municode, whose start-up calls wmain. Arguments are
// converted to UTF-8 by hand so that no Windows header is needed here.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    std::string s;
    for (const wchar_t* p = argv[i]; *p; ++p) {
      unsigned cp = static_cast<unsigned>(*p) & 0xFFFF;
      if (cp >= 0xD800 && cp <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + ((static_cast<unsigned>(p[1]) & 0xFFFF) - 0xDC00);
        ++p;
      }
      if (cp < 0x80) {
        s += static_cast<char>(cp);
      } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
      } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
      }
    }
    args.push_back(std::move(s));
  }
  std::vector<char*> pointers;
  for (auto& a : args) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  return RunMain(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return RunMain(argc, argv); }
#endif
