// The monitor's blocking wait on POSIX.
#include "monitor/platform.h"

#include <cerrno>
#include <ctime>

void WaitMilliseconds(std::uint32_t ms) {
  timespec left;
  left.tv_sec = static_cast<time_t>(ms / 1000);
  left.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  // A signal cuts nanosleep short; the wait resumes for the rest of its time.
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
