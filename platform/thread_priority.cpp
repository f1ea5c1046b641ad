// Idle priority through the scheduler where the system has it.
#include "platform/thread_priority.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace platform {

void RunCallingThreadWhenIdle() {
#if defined(__linux__) && defined(SCHED_IDLE)
  sched_param param{};
  param.sched_priority = 0;
  pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
#endif
}

}  // namespace platform
