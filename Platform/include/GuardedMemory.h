#pragma once
// Reading and writing shared memory that another program may shrink under
// us. A mapping of a segment that its owner truncates stays in place, but
// touching a page beyond the new end raises a bus error (SIGBUS), which would
// end the program. These calls catch that error for the span of one access
// and report it instead. The first call installs a SIGBUS handler that acts
// only while one of these calls runs on the same thread; any other bus error
// goes to whatever handled SIGBUS before.

#include <cstddef>

namespace Platform {

// Copies length bytes from `from` to `to`. False when a bus error stopped the
// copy; `to` may then hold part of it.
bool GuardedCopy(void* to, const void* from, std::size_t length);

// Sets length bytes at `to` to zero; false as for GuardedCopy.
bool GuardedZero(void* to, std::size_t length);

// Runs work(context) and tells whether it ran to its end (false: a bus error
// stopped it). The work is abandoned where the error struck, so it must hold
// nothing that needs releasing: plain stores and loads only, no allocation,
// no locks, no objects with destructors.
bool RunGuarded(void (*work)(void*), void* context);

}  // namespace Platform
