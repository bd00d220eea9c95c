#include "build_commit.h"

#include "generated/build_commit.h"

namespace runner {

const char* build_commit() { return CURLING_BUILD_COMMIT; }

}  // namespace runner
