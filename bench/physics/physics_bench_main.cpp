// The physics benchmark: Google Benchmark's runner, then the table of the
// comparison with Box2D.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string_view>

#include "box2d_comparison.h"

int main(int argc, char** argv) {
    // A table after JSON or CSV on the same stream would break its readers.
    bool console = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--benchmark_format=") && arg != "--benchmark_format=console") console = false;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (console) physics_bench::print_box2d_comparison(stdout);
    return 0;
}
