#pragma once

#include <cstddef>

// Room on the stack of every thread the process starts once
// `use_worker_stack` has run. The deepest path of a sweep worker (thread
// start, `Simulation` of a shot into a crowded house, `GetScore` or
// `evaluate_position`) fits a 24 KiB stack in a plain build and a 28 KiB one
// under AddressSanitizer; this leaves nine times that. Seven such stacks fit
// the C library's cache of freed stacks, so the threads of a sweep block reuse
// the last block's stacks instead of each mapping and unmapping 8 MiB.
inline constexpr std::size_t WORKER_STACK_BYTES = 256 * 1024;

// The stack size `use_worker_stack` sets: WORKER_STACK_BYTES plus the static
// thread-local storage that the C library places at the top of every
// thread's stack (small in a plain build, hundreds of KiB under
// ThreadSanitizer), rounded up to whole pages.
std::size_t worker_stack_size();

// Makes `worker_stack_size()`, above a guard page, the stack of every thread
// started from now on; to be called before the process starts any thread.
// False, with the defaults left as they were, when the platform refuses:
// threads then keep the system's stack, which is slower but plays the same.
bool use_worker_stack();
