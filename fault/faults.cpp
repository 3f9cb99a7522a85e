#include "fault/faults.h"

#include <cstring>
#include <utility>

namespace torv {

IoError::IoError(int code, std::string subject, std::string reason)
    : TorvError("I/O error " + std::to_string(code))
    , code_(code)
    , subject_(std::move(subject))
    , reason_(std::move(reason))
{
}

std::string IoError::reason() const
{
    if (!reason_.empty())
        return reason_;
    // The description of the C library in English whatever the locale, as
    // every other word of these messages.
    const char* known = strerrordesc_np(code_);
    return known ? known : "Unknown error";
}

std::string IoError::detail() const
{
    std::string text = reason();
    if (!subject_.empty())
        text = subject_ + ": " + text;
    return text + " (" + what() + ")";
}

StepRefused::StepRefused(Why why)
    : TorvError(why == Why::NotPositive
            ? "The integration step must be a positive number"
            : "The flight needs more than 100000000 integration steps; choose a larger integration step")
    , why_(why)
{
}

std::string echoed(const std::string& text)
{
    constexpr int kMaxEchoed = 80;
    int points = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++points > kMaxEchoed)
            return text.substr(0, i) + "\u2026";
    }
    return text;
}

void fpRaise(int flags)
{
    fpClear();
    if (flags & FE_DIVBYZERO)
        throw FloatError("Floating point division by zero");
    if (flags & FE_OVERFLOW)
        throw FloatError("Floating point overflow");
    throw FloatError("Invalid floating point operation");
}

} // namespace torv
