#pragma once
// Runs a release step when a scope ends, however it ends (a return, an error): closing a
// progress window or an archive handle. Only for releasing; work that can fail belongs on
// the code path, where its failure can be reported.
#include <utility>

namespace vog {

template <class F>
class TScopeExit {
public:
  explicit TScopeExit(F release) : release_(std::move(release)) {}
  ~TScopeExit() { release_(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

private:
  F release_;
};

}  // namespace vog
