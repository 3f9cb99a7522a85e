// Number texts: the general formats in which the forms and the graph labels
// show numbers, the strict reading of a field's text, and the fixed-point
// fields of the result files. Qt-free; the decimal separator is a parameter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torv {

// General format: `value` rounded to `precision` significant digits, written
// in fixed notation when 1e-4 <= |rounded| < 10^precision (and for 0, "0"),
// otherwise as mantissa, "E", a minus sign for negative exponents only and
// the exponent with at least `expDigits` digits. Trailing zeros after the
// separator, and a separator with nothing after it, are dropped.
std::string formatGeneral(double value, int precision, int expDigits, char sep);
// The same text appended to `out`.
void appendGeneral(std::string& out, double value, int precision, int expDigits, char sep);

// The calculation form's two formats.
inline std::string general15(double value, char sep)
{
    return formatGeneral(value, 15, 0, sep);
}
inline std::string general4(double value, char sep)
{
    return formatGeneral(value, 4, 0, sep);
}

// Reads a field's text: optional blanks, optional sign, digits with at most
// one decimal separator `sep`, optional exponent (E or e, optional sign,
// digits), optional blanks, nothing else. Empty result for anything else,
// including a number too large for a double.
std::optional<double> parseNumber(std::string_view text, char sep);

// The shortest text, with a full stop, that reads back as exactly `value`
// ("0.1", "1e-05", "300000"); labels and files that must repeat a number.
std::string shortestText(double value);

// General format with 15 significant digits, or with as many more as it
// takes to read back as exactly `value` (at most 17): the text of a number
// that must be repeated to the last bit, in the look of the others.
std::string exactGeneral(double value, char sep);

// `text` as one field of a CSV line (RFC 4180): in double quotes, its own
// doubled, when it holds a comma, a quote or a line break; other control
// characters as \u00XX, so that none reaches a terminal raw.
std::string csvField(const std::string& text);

// `text` in double quotes as TOML's basic strings and JSON both read it:
// quotes, backslashes and control characters escaped (\u00XX), UTF-8 as is.
std::string quotedText(const std::string& text);

// Fixed point with `decimals` decimals, right-aligned in at least `width`
// characters, full stop as separator; a wider number takes the room it needs.
std::string fixedField(double value, int width, int decimals);

} // namespace torv
