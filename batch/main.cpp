// torv-batch: every run of the program without a window, for scripts,
// parameter sweeps and tests. Errors end it with a one-line message on
// standard error and the exit status that --help lists.
#include <cerrno>
#include <cstdio>
#include <exception>

#include "batch/batch.h"
#include "batch/explore.h"
#include "fault/faults.h"

namespace {

// What goes to standard output is a result too: losing it is an error.
void finishStandardOutput()
{
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw torv::IoError(errno != 0 ? errno : EIO, "cannot write standard output");
}

} // namespace

int main(int argc, char** argv)
{
    using namespace torv::batch;
    if (argc <= 1) {
        std::fputs((usageText() + "Run torv-batch --help for the options.\n").c_str(), stderr);
        return kUsage;
    }
    try {
        const Options options = parseOptions(argc, argv);
        int status = kOk;
        if (options.help) {
            printOut(helpText());
        } else if (options.list || options.version) {
            printOut(options.list ? presetListText() : versionText());
        } else {
            const Plan plan = makePlan(options);
            if (!plan.saveScenario.empty())
                saveScenario(plan);
            else if (plan.explore.kind != Explore::Kind::None)
                status = runExplore(plan);
            else if (plan.many())
                status = runMany(plan);
            else
                runSingle(plan);
        }
        finishStandardOutput();
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torv-batch: %s\n", messageOf(e).c_str());
        return statusOfCurrentException();
    }
}
