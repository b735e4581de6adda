// SPDX-License-Identifier: GPL-3.0-or-later
// Scan cycles of the real Model over a lister that prints a fixed set of sockets: the time of one
// cycle and how much the resident memory grows once the Model is warm.
//
//   model_cycles [cycles] [sockets]
#include <cstdio>

#include "bench_model.h"

using namespace BenchModel;

namespace {

constexpr int warmUpCycles = 100;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int cycles = argc > 1 ? std::stoi(argv[1]) : 1000;
    const int sockets = argc > 2 ? std::stoi(argv[2]) : 1000;
    Root root(sockets);
    Dates::TimePoint now = std::chrono::system_clock::now();
    Model model(root.options(now));
    model.start();
    for (int n = 0; n < warmUpCycles; ++n)
        cycle(model, now);
    const long before = residentKiB();
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < cycles; ++n)
        cycle(model, now);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = residentKiB();
    std::printf("sockets %d, rows %zu, journal entries %zu\n", sockets, model.apps().size(),
                model.journalRows().size());
    std::printf("%d cycles after %d warm-up cycles: %.2f ms a cycle\n", cycles, warmUpCycles,
                seconds * 1000 / cycles);
    std::printf("resident memory %ld KiB -> %ld KiB: growth %ld KiB\n", before, after,
                after - before);
    return 0;
}
