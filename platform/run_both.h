// Two pieces of work at once, for the few calls that split a large job
// between the calling thread and one more (a big sort, a scan of many rows,
// the hash of a data file, faulting in a large buffer). The machines this
// runs on have few cores; a second thread is worth its start only for work
// of a millisecond or more.
#pragma once

#include <exception>
#include <system_error>
#include <thread>

namespace platform {

// Runs `a` and `b`, at the same time when `parallel` (`a` on a thread of its
// own, which a system out of threads leaves to the caller's), and returns
// when both are done. An exception of either reaches the caller, after both
// have ended.
template <typename A, typename B>
void RunBoth(bool parallel, const A& a, const B& b) {
  if (!parallel) {
    a();
    b();
    return;
  }
  std::exception_ptr failure;
  std::thread helper;
  try {
    helper = std::thread([&a, &failure] {
      try {
        a();
      } catch (...) {
        failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    a();
  }
  try {
    b();
  } catch (...) {
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace platform
