// The runner of minibench (see benchmark/benchmark.h): runs every registered benchmark,
// or those whose name contains --benchmark_filter's text, and prints one line each in
// Google Benchmark's console layout.
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "benchmark/benchmark.h"

namespace benchmark {

namespace internal {

static std::vector<std::unique_ptr<Benchmark>>& Registry() {
  static std::vector<std::unique_ptr<Benchmark>> registry;
  return registry;
}

Benchmark* Register(const char* name, Benchmark::Function fn) {
  Registry().push_back(std::make_unique<Benchmark>(name, fn));
  return Registry().back().get();
}

}  // namespace internal

namespace {

std::string Rate(double perSecond, bool bytes) {
  const char* units[] = {"", "k", "M", "G", "T"};
  double base = bytes ? 1024.0 : 1000.0;
  int u = 0;
  while (perSecond >= base && u < 4) {
    perSecond /= base;
    ++u;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.5g%s/s", perSecond, units[u]);
  return text;
}

void RunOne(const internal::Benchmark& b, const std::vector<int64_t>& args) {
  std::string name = b.Name;
  for (auto a : args) name += "/" + std::to_string(a);
  IterationCount iterations = b.FixedIterations > 0 ? b.FixedIterations : 1;
  for (;;) {
    State state(iterations, args);
    b.Fn(state);
    double seconds = state.Seconds();
    double cpu = state.CpuSeconds() > 0 ? state.CpuSeconds() : seconds;
    if (state.Skipped()) {
      std::printf("%-40s ERROR: %s\n", name.c_str(), state.ErrorText().c_str());
      return;
    }
    if (b.FixedIterations == 0 && seconds < b.MinSeconds && iterations < 1000000000) {
      double grow = seconds > 0 ? b.MinSeconds * 1.4 / seconds : 10.0;
      if (grow > 10.0) grow = 10.0;
      if (grow < 2.0) grow = 2.0;
      iterations = static_cast<IterationCount>(iterations * grow);
      continue;
    }
    static const char* unitNames[] = {"ns", "us", "ms", "s"};
    static const double unitScale[] = {1e9, 1e6, 1e3, 1.0};
    double perIteration = seconds / static_cast<double>(iterations) * unitScale[b.TimeUnitValue];
    double cpuPerIteration = cpu / static_cast<double>(iterations) * unitScale[b.TimeUnitValue];
    std::string line;
    char head[160];
    std::snprintf(head, sizeof head, "%-40s %10.3g %s %10.3g %s %10lld", name.c_str(), perIteration,
                  unitNames[b.TimeUnitValue], cpuPerIteration, unitNames[b.TimeUnitValue],
                  static_cast<long long>(iterations));
    line = head;
    if (state.Bytes() > 0 && cpu > 0) line += " bytes_per_second=" + Rate(state.Bytes() / cpu, true);
    if (state.Items() > 0 && cpu > 0) line += " items_per_second=" + Rate(state.Items() / cpu, false);
    for (const auto& [key, value] : state.counters) {
      char c[96];
      std::snprintf(c, sizeof c, " %s=%g", key.c_str(), value);
      line += c;
    }
    if (!state.Label().empty()) line += " " + state.Label();
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return;
  }
}

}  // namespace

int RunAll(int argc, char** argv) {
  std::string filter;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const std::string prefix = "--benchmark_filter=";
    if (arg.rfind(prefix, 0) == 0) filter = arg.substr(prefix.size());
  }
  std::regex pattern(filter.empty() ? std::string(".") : filter);
  std::printf("%-40s %13s %13s %10s\n", "Benchmark", "Time", "CPU", "Iterations");
  for (const auto& b : internal::Registry()) {
    if (b->ArgSets.empty()) {
      if (std::regex_search(b->Name, pattern)) RunOne(*b, {});
    } else {
      for (const auto& args : b->ArgSets) {
        std::string name = b->Name;
        for (auto a : args) name += "/" + std::to_string(a);
        if (std::regex_search(name, pattern)) RunOne(*b, args);
      }
    }
  }
  return 0;
}

}  // namespace benchmark

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    std::string a;
    for (const wchar_t* p = argv[i]; *p; ++p) a += static_cast<char>(*p < 128 ? *p : '?');
    args.push_back(a);
  }
  std::vector<char*> ptrs;
  for (auto& a : args) ptrs.push_back(a.data());
  return benchmark::RunAll(argc, ptrs.data());
}
#else
int main(int argc, char** argv) { return benchmark::RunAll(argc, argv); }
#endif
