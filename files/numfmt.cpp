#include "files/numfmt.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace torv {

std::string formatGeneral(double value, int precision, int expDigits, char sep)
{
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? "0" : (std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF"));

    // Like the classic conversion routine: 18 significant digits first, then
    // rounded half up (away from zero) to the requested precision.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    *res.ptr = '\0';
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    int exponent = std::atoi(p + 1);
    if (precision < static_cast<int>(digits.size())) {
        const bool up = digits[precision] >= '5';
        digits.resize(precision);
        if (up) {
            int k = precision - 1;
            while (k >= 0 && digits[k] == '9')
                digits[k--] = '0';
            if (k >= 0) {
                ++digits[k];
            } else {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++exponent;
            }
        }
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = value < 0 ? "-" : "";
    if (exponent >= precision || exponent < -4) {
        out += digits[0];
        if (digits.size() > 1) {
            out += sep;
            out.append(digits, 1, std::string::npos);
        }
        out += 'E';
        if (exponent < 0)
            out += '-';
        std::string e = std::to_string(std::abs(exponent));
        if (static_cast<int>(e.size()) < expDigits)
            e.insert(0, expDigits - e.size(), '0');
        out += e;
    } else if (exponent >= 0) {
        const size_t intLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out += digits;
            out.append(intLen - digits.size(), '0');
        } else {
            out.append(digits, 0, intLen);
            out += sep;
            out.append(digits, intLen, std::string::npos);
        }
    } else {
        out += '0';
        out += sep;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
    }
    return out;
}

std::string shortestText(double value)
{
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, ec == std::errc() ? end : buf);
}

std::string exactGeneral(double value, char sep)
{
    // The significant digits of the shortest text that reads back exactly.
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    int digits = 0;
    for (const char* c = buf; ec == std::errc() && c != end && *c != 'e'; ++c)
        digits += *c >= '0' && *c <= '9' ? 1 : 0;
    for (int precision = std::max(15, digits); precision < 17; ++precision) {
        std::string text = formatGeneral(value, precision, 0, sep);
        if (parseNumber(text, sep) == value)
            return text;
    }
    return formatGeneral(value, 17, 0, sep);
}

std::string csvField(const std::string& text)
{
    std::string out;
    bool quoted = false;
    for (unsigned char c : text) {
        quoted = quoted || c == ',' || c == '"' || c == '\n' || c == '\r';
        if (c == '"') {
            out += "\"\"";
        } else if ((c < 0x20 && c != '\n' && c != '\r' && c != '\t') || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return quoted ? "\"" + out + "\"" : out;
}

std::string quotedText(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::optional<double> parseNumber(std::string_view text, char sep)
{
    size_t i = 0;
    const size_t n = text.size();
    auto isDigit = [&](size_t k) { return k < n && text[k] >= '0' && text[k] <= '9'; };

    while (i < n && text[i] == ' ')
        ++i;
    std::string c; // the number re-spelt for strtod in the C locale
    if (i < n && (text[i] == '+' || text[i] == '-'))
        c += text[i++];
    size_t mantissaDigits = 0;
    while (isDigit(i)) {
        c += text[i++];
        ++mantissaDigits;
    }
    if (i < n && text[i] == sep) {
        c += '.';
        ++i;
        while (isDigit(i)) {
            c += text[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        c += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            c += text[i++];
        if (!isDigit(i))
            return std::nullopt;
        while (isDigit(i))
            c += text[i++];
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        return std::nullopt;

    // strtod in the C locale: the separator was already mapped to '.', and
    // a value below the smallest double reads as 0 as it should.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t {});
    const double v = strtod_l(c.c_str(), nullptr, cLocale);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::string fixedField(double value, int width, int decimals)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string s(buf, res.ptr);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, width - s.size(), ' ');
    return s;
}

} // namespace torv
