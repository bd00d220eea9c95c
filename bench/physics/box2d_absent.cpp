// Built without Box2D: the comparison with it is skipped, and says why.
#include <benchmark/benchmark.h>

#include "box2d_comparison.h"

namespace physics_bench {

namespace {

constexpr const char* WHY = "built without Box2D 2.4 (Debian's libbox2d-dev, which scripts/setup.sh installs; "
                            "install it and configure again)";

void BM_Box2D(benchmark::State& state) { state.SkipWithError(WHY); }
BENCHMARK(BM_Box2D);

}  // namespace

void print_box2d_comparison(std::FILE* out) { std::fprintf(out, "\nComparison with Box2D skipped: %s.\n", WHY); }

}  // namespace physics_bench
