// Errors the program reports in its error box, and the floating-point fault
// layer: arithmetic runs with the IEEE flags, and the code tests them after
// each step so that a fault ends the operation where it happened instead of
// leaving an infinity or a NaN behind. Below everything else: every folder
// may use it, and it uses none.
#pragma once

#include <cfenv>
#include <stdexcept>
#include <string>

namespace torv {

// Base of every error shown to the user; what() is the message without the
// closing full stop.
class TorvError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Division by zero, invalid operation or overflow.
class FloatError : public TorvError {
public:
    using TorvError::TorvError;
};

// The user stopped a run before its end: not a fault of the run.
class RunCancelled : public TorvError {
public:
    RunCancelled()
        : TorvError("The run was cancelled")
    {
    }
};

// A run refused for its integration step: one that is not positive, or one
// that would take too many steps. what() is the English message that
// torv-batch prints; the window words it in the form's language.
class StepRefused : public TorvError {
public:
    enum class Why { NotPositive, TooMany };
    explicit StepRefused(Why why);
    Why why() const { return why_; }

private:
    Why why_;
};

// A result file that could not be created or written; carries errno. what()
// is the error box's "I/O error N"; detail() adds what failed and why, for
// messages that have room for them.
class IoError : public TorvError {
public:
    // `subject`: what failed, e.g. "cannot write out/Torv_500.txt"; `reason`:
    // why, when the system's description of `code` would not say it.
    explicit IoError(int code, std::string subject = {}, std::string reason = {});
    int code() const { return code_; }
    // Why it failed: the reason given, else the C library's description of
    // the code in English ("Permission denied").
    std::string reason() const;
    // "cannot write out/Torv_500.txt: Permission denied (I/O error 13)".
    std::string detail() const;

private:
    int code_;
    std::string subject_;
    std::string reason_;
};

// What a message repeats of a user's text: at most `longest` characters
// (UTF-8 code points; 0: all), then an ellipsis, so that a pasted page stays
// readable, on one line and with every control character shown as an
// escape (\n, \x1B), so that none reaches a terminal or a box raw.
std::string echoed(const std::string& text, int longest = 80);

// A field text that does not read as a number.
class ConvertError : public TorvError {
public:
    explicit ConvertError(const std::string& text)
        : TorvError("'" + echoed(text) + "' is not a valid floating point value")
    {
    }
};

inline constexpr int kTrappedFlags = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;

// Forget earlier faults; every handler and every test starts with this.
inline void fpClear()
{
    std::feclearexcept(FE_ALL_EXCEPT);
}

// Clears the flags and throws the message of the most serious one:
// division by zero before overflow before invalid operation.
[[noreturn]] void fpRaise(int flags);

// Cheap test of the trapped flags; on x86-64 all double arithmetic is SSE,
// so MXCSR holds every flag this program can raise.
inline int fpPending()
{
#if defined(__x86_64__)
    // Our own volatile read: the compiler may merge two _mm_getcsr() calls.
    // The memory clobber keeps every store before the read, and with it the
    // arithmetic behind the stored values, and every load after it.
    unsigned csr;
    asm volatile("stmxcsr %0" : "=m"(csr) : : "memory");
    return static_cast<int>(csr) & kTrappedFlags;
#else
    return std::fetestexcept(kTrappedFlags);
#endif
}

// Forces `v` to be computed before this point and to be used only after it.
// The compiler does not know that arithmetic writes the flags, and would
// otherwise be free to move a division past the test of its flag.
inline void fpFence(double& v)
{
#if defined(__x86_64__)
    asm volatile("" : "+x"(v));
#else
    asm volatile("" : "+m"(v));
#endif
}

// The same for every member of `obj`: its stores are done before this point.
template <typename T> inline void fpFenceObject(T& obj)
{
    asm volatile("" : "+m"(obj));
}

// Throws if a trapped fault happened in the arithmetic so far; `results` are
// the values computed by the step just done.
template <typename... T> inline void fpCheck(T&... results)
{
    (fpFence(results), ...);
    if (int f = fpPending(); __builtin_expect(f != 0, 0))
        fpRaise(f | std::fetestexcept(kTrappedFlags));
}

// How a routine treats the fault flags after each formula. Checked tests
// them there and throws, so a fault ends the operation at the formula that
// raised it; Unchecked leaves the sticky flags for the caller to test after
// many steps, and to run those steps again checked if one was raised. The
// formulas are written once, with test() after each.
struct Checked {
    static constexpr bool kTests = true;
    template <typename... T> static void test(T&... results) { fpCheck(results...); }
    // `v` once it is known to be sound.
    static double sound(double v)
    {
        fpCheck(v);
        return v;
    }
};

struct Unchecked {
    static constexpr bool kTests = false;
    template <typename... T> static void test(T&...) { }
    static double sound(double v) { return v; }
};

} // namespace torv
