#include "fault/faults.h"

#include <cstdio>
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

std::string echoed(const std::string& text, int longest)
{
    std::string out;
    int points = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // A byte that does not continue a UTF-8 sequence starts a character.
        if ((c & 0xC0) != 0x80 && ++points > longest && longest > 0)
            return out + "\u2026";
        // C0 controls, DEL and the C1 controls (U+0080 to U+009F).
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        const bool c1 = c == 0xC2 && next >= 0x80 && next <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            const unsigned code = c1 ? next : c;
            i += c1 ? 1 : 0;
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", code);
            out += code == '\n' ? "\\n" : code == '\r' ? "\\r" : code == '\t' ? "\\t" : buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
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
