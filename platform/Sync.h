#pragma once
// TMutex and TCondition: a lock and a condition variable for the threads of one process,
// with the interface of std::mutex and std::condition_variable (std::lock_guard and
// std::unique_lock work with TMutex).
//
// On Windows they are the system's slim reader/writer lock and condition variable, which
// wait inside the process; the threads library's std::mutex and std::condition_variable wait
// on kernel objects, a system call (on Wine a round trip to its server) for every hand-over.
// The workers of a run hand work over per file, so this is on the path of every file.
// Elsewhere they are std::mutex and std::condition_variable.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vog {

#ifdef _WIN32

class TMutex {
public:
  TMutex() = default;
  TMutex(const TMutex&) = delete;
  TMutex& operator=(const TMutex&) = delete;
  void lock();
  void unlock();
  bool try_lock();

private:
  friend class TCondition;
  void* lock_ = nullptr;  // an SRWLOCK, free when null
};

class TCondition {
public:
  TCondition() = default;
  TCondition(const TCondition&) = delete;
  TCondition& operator=(const TCondition&) = delete;
  void notify_one() noexcept;
  void notify_all() noexcept;
  // `lock` holds its mutex; it is released while waiting and held again on return.
  void wait(std::unique_lock<TMutex>& lock);
  template <class Predicate>
  void wait(std::unique_lock<TMutex>& lock, Predicate ready) {
    while (!ready()) wait(lock);
  }
  // Waits until `ready` or until `timeout` has passed; returns ready().
  template <class Rep, class Period, class Predicate>
  bool wait_for(std::unique_lock<TMutex>& lock, const std::chrono::duration<Rep, Period>& timeout, Predicate ready) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return ready();
      WaitMs(lock, static_cast<unsigned long>(left.count()));
    }
    return true;
  }

private:
  void WaitMs(std::unique_lock<TMutex>& lock, unsigned long ms);
  void* condition_ = nullptr;  // a CONDITION_VARIABLE, empty when null
};

#else

using TMutex = std::mutex;
using TCondition = std::condition_variable;

#endif

}  // namespace vog
