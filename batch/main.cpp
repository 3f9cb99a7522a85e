// torv-batch: every run of the program without a window, for scripts,
// parameter sweeps and tests. Errors end it with a one-line message on
// standard error and the exit status that --help lists.
#include <cstdio>
#include <exception>

#include "batch/batch.h"

int main(int argc, char** argv)
{
    using namespace torv::batch;
    try {
        const Options options = parseOptions(argc, argv);
        if (options.help) {
            std::fputs(helpText().c_str(), stdout);
            return kOk;
        }
        if (options.list) {
            std::fputs(presetListText().c_str(), stdout);
            return kOk;
        }
        const Plan plan = makePlan(options);
        if (plan.many())
            return runMany(plan);
        runSingle(plan);
        return std::fflush(stdout) == 0 ? kOk : kIoError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torv-batch: %s\n", e.what());
        return statusOfCurrentException();
    }
}
