#pragma once

namespace runner {

// The commit this runner was built from ("-dirty" when the sources had
// changes, "unknown" outside a checkout): a record's header names it, so
// that its games can be replayed from the same sources.
const char* build_commit();

}  // namespace runner
