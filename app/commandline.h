// What the program answers before it opens a window: --version and --help,
// and, where no window can open (no display), one line saying so instead of
// Qt's abort.
#pragma once

namespace torv {

// The exit status when the options ask for no window (--version prints the
// version, --help the usage: 0) or are not understood (2, with one line on
// standard error), or -1 to go on.
int answerWithoutWindow(int argc, char** argv);

// While it lives, a platform that cannot start (no display) ends the
// program with one line on standard error and status 1; Qt's own messages
// about it are held back, and passed on if the platform starts after all.
class DisplayCheck {
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;
};

} // namespace torv
