#pragma once
// Work handed to Qt's thread pool. Qt orders a task's construction (and everything the UI thread
// did before it) before the task runs, through locks that ThreadSanitizer cannot see because Qt
// is not built for it. Under ThreadSanitizer that ordering is stated explicitly here, so the
// checker stays quiet about the hand-over itself and keeps watching everything the work does.

#include <utility>

#include <QtConcurrent/QtConcurrentRun>

#if defined(__SANITIZE_THREAD__)
#define LANTARO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LANTARO_THREAD_SANITIZER 1
#endif
#endif

#ifdef LANTARO_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace lantaro::ui {

namespace detail {
inline char handover_token;
inline void handover_release() {
#ifdef LANTARO_THREAD_SANITIZER
  __tsan_release(&handover_token);
#endif
}
inline void handover_acquire() {
#ifdef LANTARO_THREAD_SANITIZER
  __tsan_acquire(&handover_token);
#endif
}
}  // namespace detail

// QtConcurrent::run(work), with the hand-over visible to ThreadSanitizer.
template <class Work>
auto run_in_background(Work work) {
  detail::handover_release();
  return QtConcurrent::run([work = std::move(work)]() mutable {
    detail::handover_acquire();
    return work();
  });
}

}  // namespace lantaro::ui
