// Runs every preset without the forms, as after the calculation form's activation,
// and leaves each run's sample file in DIR as <list>_<entry>.txt.
#include <cstdio>
#include <exception>
#include <string>

#include "fault/faults.h"
#include "model/state.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "support/runfixtures.h"

using namespace torv;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    int failures = 0;
    for (int l = 0; l < 6; ++l) {
        for (size_t i = 0; i < presets(kPresetLists[l]).size(); ++i) {
            resetState();
            choosePreset(kPresetLists[l], static_cast<int>(i));
            activate('.');
            fpClear();
            try {
                Flugbahn();
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%d.%zu: %s\n", l, i, e.what());
                ++failures;
                continue;
            }
            const std::string target = dir + "/" + std::to_string(l) + "_" + std::to_string(i) + ".txt";
            if (std::rename("Torv_500.txt", target.c_str()) != 0) {
                std::perror(target.c_str());
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
