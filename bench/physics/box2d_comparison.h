// The physics benchmark's comparison with Box2D: the same shots played by
// Box2D at 60 Hz and 1 kHz and by this library, timed in the same run and
// each compared with the fine-step reference integrator.
#pragma once

#include <cstdio>

namespace physics_bench {

// Prints the comparison table of the Box2D benchmarks that ran (nothing when
// none did), or why the benchmark was built without them.
void print_box2d_comparison(std::FILE* out);

}  // namespace physics_bench
