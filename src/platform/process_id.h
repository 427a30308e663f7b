#pragma once
// The calling process's id: a library keeps the id it was initialised in, to see that it now runs
// in a forked child. And the work such a child must do first: a state that another thread of the
// parent held at the fork (a lock, a table half changed) is the child's too, without that thread.

#include <cstdint>

namespace kq::platform {

uint32_t CurrentProcessId();

// Runs the handler in every child forked after this call, before fork returns there (POSIX:
// pthread_atfork, which forgets the handler when its library is unloaded). Windows has no fork.
void OnForkedChild(void (*handler)());

}  // namespace kq::platform
