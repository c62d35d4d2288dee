#pragma once
// The calling thread's processor time, kernel time included. The benchmark
// machines are shared, and wall time there measures the neighbours as much
// as the code; the file reads being compared are served from the page cache,
// so no waiting is left out by not counting it.
#include <time.h>

namespace ktr::bench {

inline double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace ktr::bench
