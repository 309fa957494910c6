#pragma once
// Runs one piece of work on several threads at once, for the search and the sentence extraction
// alike. The workers share their work among themselves (a counter of the next piece, say); the pool
// only starts them, waits for all of them and hands the first failure to the caller.

#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lantaro {

// Runs work(0) .. work(workers - 1) at once and returns when all have returned. Without `meanwhile`
// the calling thread is worker 0; with it, every worker gets a thread of its own and the calling
// thread runs `meanwhile` in the meantime. The first exception thrown by a worker or by `meanwhile`
// is rethrown here once every worker has ended; the others go on with what is left, so work
// should be shared such that any worker can finish it. If threads cannot be started, the workers
// that did start (or worker 0 on the calling thread, when none did) do all the work.
inline void run_workers(unsigned workers, const std::function<void(unsigned)>& work,
                        const std::function<void()>& meanwhile = nullptr) {
  std::mutex lock;
  std::exception_ptr failure;
  auto guarded = [&](const std::function<void()>& f) {
    try {
      f();
    } catch (...) {
      std::lock_guard guard(lock);
      if (!failure) failure = std::current_exception();
    }
  };
  if (workers == 0) workers = 1;
  const unsigned first_thread = meanwhile ? 0 : 1;
  std::vector<std::thread> pool;
  try {
    pool.reserve(workers - first_thread);
    for (unsigned n = first_thread; n < workers; ++n)
      pool.emplace_back([&guarded, &work, n] { guarded([&] { work(n); }); });
  } catch (...) {
    // Fewer threads than asked for: those running share all the work between them.
  }
  if (meanwhile) {
    guarded(meanwhile);
    if (pool.empty()) guarded([&] { work(0); });
  } else {
    guarded([&] { work(0); });
  }
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace lantaro
