#include "files/numfmt.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

namespace torv {

namespace {

// A number's significant digits, without trailing zeros, and the decimal
// exponent of the first.
struct Digits {
    char d[24] {};
    int n = 0;
    int exponent = 0;
};

// The digits of `text`, a finite nonzero magnitude in to_chars' scientific
// form ("d.ddde+XX", "de-XXX").
Digits digitsOf(const char* text, const char* end)
{
    Digits g;
    const char* e = static_cast<const char*>(std::memchr(text, 'e', static_cast<size_t>(end - text)));
    g.d[0] = text[0];
    g.n = 1;
    if (text[1] == '.') {
        const int more = std::min(static_cast<int>(e - text) - 2, static_cast<int>(sizeof g.d) - 1);
        std::memcpy(g.d + 1, text + 2, static_cast<size_t>(more));
        g.n += more;
    }
    int exponent = 0;
    for (const char* p = e + 2; p < end; ++p)
        exponent = 10 * exponent + (*p - '0');
    g.exponent = e[1] == '-' ? -exponent : exponent;
    return g;
}

void dropTrailingZeros(Digits& g)
{
    while (g.n > 1 && g.d[g.n - 1] == '0')
        --g.n;
}

constexpr std::uint64_t kTen17 = 100'000'000'000'000'000;

// 10^k, 0 <= k <= 22, exact.
constexpr auto kPowersOfTen = [] {
    std::array<unsigned __int128, 23> p {};
    p[0] = 1;
    for (size_t k = 1; k < p.size(); ++k)
        p[k] = p[k - 1] * 10;
    return p;
}();

unsigned __int128 powerOfTen(int k)
{
    return kPowersOfTen[static_cast<size_t>(k)];
}

// `n` < 10^9 as nine digits at `out`, two at a time.
void nineDigits(std::uint32_t n, char* out)
{
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                     "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                     "8081828384858687888990919293949596979899";
    for (int k = 7; k >= 1; k -= 2, n /= 100)
        std::memcpy(out + k, kPairs + 2 * (n % 100), 2);
    out[0] = static_cast<char>('0' + n);
}

// The 18 significant digits of `magnitude` correctly rounded (a tie to the
// even digit), as to_chars writes them, worked out in integers where they
// fit: from 2^-16 to 2^64. False elsewhere.
bool eighteenDigits(double magnitude, Digits& g)
{
    if (!(magnitude >= 0x1p-16 && magnitude < 0x1p64))
        return false;
    std::uint64_t bits;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int q = static_cast<int>(bits >> 52) - 1075; // magnitude = m * 2^q, 2^52 <= m < 2^53
    // At most the magnitude's decimal exponent (1233 / 4096 is just under
    // log10(2), and no power of two in this range lies close enough to a
    // power of ten for it to overshoot); the loop raises it to that.
    int exponent = ((52 + q) * 1233) >> 12;
    std::uint64_t digits = 0;
    for (;;) {
        // magnitude * 10^(17 - exponent) = whole + rest / unit.
        unsigned __int128 whole, rest = 0, unit = 1;
        if (q >= 0) {
            const unsigned __int128 x = static_cast<unsigned __int128>(m) << q;
            if (exponent <= 17) {
                whole = x * powerOfTen(17 - exponent);
            } else {
                unit = powerOfTen(exponent - 17);
                whole = x / unit;
                rest = x % unit;
            }
        } else {
            const unsigned __int128 x = static_cast<unsigned __int128>(m) * powerOfTen(17 - exponent);
            unit = static_cast<unsigned __int128>(1) << -q;
            whole = x >> -q;
            rest = x & (unit - 1);
        }
        if (whole >= 10 * static_cast<unsigned __int128>(kTen17)) {
            ++exponent;
            continue;
        }
        digits = static_cast<std::uint64_t>(whole);
        if (2 * rest > unit || (2 * rest == unit && (digits & 1) != 0))
            ++digits;
        break;
    }
    if (digits == 10 * kTen17) {
        digits = kTen17;
        ++exponent;
    }
    nineDigits(static_cast<std::uint32_t>(digits / 1'000'000'000), g.d);
    nineDigits(static_cast<std::uint32_t>(digits % 1'000'000'000), g.d + 9);
    g.n = 18;
    g.exponent = exponent;
    return true;
}

// Like the classic conversion routine: 18 significant digits first, then
// rounded half up (away from zero) to `precision`.
Digits roundedDigits(double magnitude, int precision)
{
    Digits g;
    if (!eighteenDigits(magnitude, g)) {
        char buf[64];
        const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
        g = digitsOf(buf, res.ptr);
    }
    if (precision < g.n) {
        const bool up = g.d[precision] >= '5';
        g.n = precision;
        if (up) {
            int k = precision - 1;
            while (k >= 0 && g.d[k] == '9')
                g.d[k--] = '0';
            if (k >= 0) {
                ++g.d[k];
            } else {
                // 9.99..9 became 10.0..0: one digit 1, the exponent one up.
                g.d[0] = '1';
                for (int j = 1; j < g.n; ++j)
                    g.d[j] = '0';
                ++g.exponent;
            }
        }
    }
    dropTrailingZeros(g);
    return g;
}

// The general format's layout of `g` for a number of sign `negative`: its
// length, and the text at `o` with room for 24 characters more (the digits
// go whole, the next text over the rest).
struct Layout {
    bool scientific;
    size_t length;
};

Layout layoutOf(const Digits& g, bool negative, int precision, int expDigits)
{
    const size_t n = static_cast<size_t>(g.n);
    const int exponent = g.exponent;
    size_t len = negative ? 1 : 0;
    if (exponent >= precision || exponent < -4) {
        const int magnitude = exponent < 0 ? -exponent : exponent;
        const size_t eLen = std::max<size_t>(magnitude >= 100 ? 3
                : magnitude >= 10                             ? 2
                                                              : 1,
            expDigits > 0 ? expDigits : 0);
        return { true, len + 1 + (n > 1 ? n : 0) + 1 + (exponent < 0 ? 1 : 0) + eLen };
    }
    if (exponent >= 0) {
        const size_t intLen = static_cast<size_t>(exponent) + 1;
        return { false, len + (n <= intLen ? intLen : n + 1) };
    }
    return { false, len + 1 + static_cast<size_t>(-exponent) + n };
}

void writeLayout(char* o, const Layout& layout, const Digits& g, bool negative, int expDigits, char sep)
{
    const size_t n = static_cast<size_t>(g.n);
    const int exponent = g.exponent;
    if (negative)
        *o++ = '-';
    if (layout.scientific) {
        *o++ = g.d[0];
        if (n > 1) {
            *o++ = sep;
            std::memcpy(o, g.d + 1, sizeof g.d - 1);
            o += n - 1;
        }
        *o++ = 'E';
        if (exponent < 0)
            *o++ = '-';
        char e[8];
        const auto res = std::to_chars(e, e + sizeof e, exponent < 0 ? -exponent : exponent);
        const size_t eLen = static_cast<size_t>(res.ptr - e);
        if (expDigits > static_cast<int>(eLen))
            o = std::fill_n(o, static_cast<size_t>(expDigits) - eLen, '0');
        std::memcpy(o, e, eLen);
    } else if (exponent >= 0) {
        const size_t intLen = static_cast<size_t>(exponent) + 1;
        if (n <= intLen) {
            std::memcpy(o, g.d, sizeof g.d);
            std::fill_n(o + n, intLen - n, '0');
        } else {
            std::memcpy(o, g.d, sizeof g.d);
            std::memmove(o + intLen + 1, o + intLen, n - intLen);
            o[intLen] = sep;
        }
    } else {
        *o++ = '0';
        *o++ = sep;
        o = std::fill_n(o, static_cast<size_t>(-exponent - 1), '0');
        std::memcpy(o, g.d, sizeof g.d);
    }
}

void appendLayout(std::string& out, bool negative, const Digits& g, int precision, int expDigits, char sep)
{
    const Layout layout = layoutOf(g, negative, precision, expDigits);
    char buf[64 + sizeof g.d];
    if (layout.length <= 64) {
        writeLayout(buf, layout, g, negative, expDigits, sep);
        out.append(buf, layout.length);
        return;
    }
    std::string text(layout.length + sizeof g.d, '\0');
    writeLayout(text.data(), layout, g, negative, expDigits, sep);
    out.append(text, 0, layout.length);
}

} // namespace

void appendGeneral(std::string& out, double value, int precision, int expDigits, char sep)
{
    if (value == 0 || !std::isfinite(value)) {
        out += value == 0 ? "0" : (std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF"));
        return;
    }
    appendLayout(out, value < 0, roundedDigits(std::fabs(value), precision), precision, expDigits, sep);
}

std::string formatGeneral(double value, int precision, int expDigits, char sep)
{
    std::string out;
    appendGeneral(out, value, precision, expDigits, sep);
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
    std::string out;
    // The significant digits of the shortest text that reads back exactly.
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    if (value == 0 || !std::isfinite(value) || ec != std::errc()) {
        appendGeneral(out, value, 15, 0, sep);
        return out;
    }
    Digits shortest = digitsOf(buf, end);
    dropTrailingZeros(shortest);
    // A normal number's shortest text of at most 15 digits lies within a
    // tenth of a unit in the 15th digit of it (half its last bit is at most
    // 2^-53 of it), so its general 15 text is that one: no second formatting
    // and no reading back. Below the least normal number the last bit is
    // coarser, and the rounding decides.
    if (shortest.n <= 15 && std::fabs(value) >= std::numeric_limits<double>::min()) {
        appendLayout(out, value < 0, shortest, 15, 0, sep);
        return out;
    }
    // With 17, no text of 16 digits reads back as the number.
    for (int precision = std::max(15, shortest.n); precision < 17; ++precision) {
        appendGeneral(out, value, precision, 0, sep);
        if (parseNumber(out, sep) == value)
            return out;
        out.clear();
    }
    appendGeneral(out, value, 17, 0, sep);
    return out;
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
