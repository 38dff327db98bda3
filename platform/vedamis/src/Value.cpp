#include <vedamis/Value.h>

#include "TextUtil.h"
#include "ValueText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vedamis {

namespace {

// A type name of up to six characters folded to lower case and packed into
// one word together with its length: every result of a job names its type,
// so the name is matched with one switch instead of a list of compares.
constexpr uint64_t packTypeName(std::string_view name)
{
    uint64_t packed = static_cast<uint64_t>(name.size()) << 56;
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        packed |= static_cast<uint64_t>(c) << (8 * i);
    }
    return packed;
}

} // namespace

bool valueTypeFromName(std::string_view name, ValueType &type)
{
    if (name.empty() || name.size() > 6)
        return false;
    switch (packTypeName(name)) {
    case packTypeName("char"):
        type = ValueType::Char;
        return true;
    case packTypeName("byte"):
        type = ValueType::Byte;
        return true;
    case packTypeName("int"):
        type = ValueType::Int;
        return true;
    case packTypeName("word"):
        type = ValueType::Word;
        return true;
    case packTypeName("long"):
        type = ValueType::Long;
        return true;
    case packTypeName("dword"):
        type = ValueType::Dword;
        return true;
    case packTypeName("text"):
        type = ValueType::Text;
        return true;
    case packTypeName("binary"):
        type = ValueType::Binary;
        return true;
    case packTypeName("real"):
        type = ValueType::Real;
        return true;
    default:
        return false;
    }
}

void integerRange(ValueType type, int64_t &min, int64_t &max)
{
    switch (type) {
    case ValueType::Char:
        min = -128, max = 127;
        return;
    case ValueType::Byte:
        min = 0, max = 255;
        return;
    case ValueType::Int:
        min = -32768, max = 32767;
        return;
    case ValueType::Word:
        min = 0, max = 65535;
        return;
    case ValueType::Long:
        min = INT32_MIN, max = INT32_MAX;
        return;
    case ValueType::Dword:
        min = 0, max = UINT32_MAX;
        return;
    default:
        min = INT64_MIN, max = INT64_MAX;
        return;
    }
}

namespace {

struct FormatSpec {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
    char letter = 0;
};

constexpr int kMaxWidth = 1023;

bool parseFormat(std::string_view format, FormatSpec &spec, std::string &reason)
{
    size_t i = 0;
    auto digits = [&](int &out) {
        size_t start = i;
        int64_t n = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9' && n <= kMaxWidth)
            n = n * 10 + (format[i++] - '0');
        out = static_cast<int>(n);
        return i > start;
    };
    if (i < format.size() && format[i] == '-')
        spec.left = true, ++i;
    if (i < format.size() && format[i] == '0')
        spec.zero = true, ++i;
    digits(spec.width);
    if (i < format.size() && format[i] == '.') {
        ++i;
        if (!digits(spec.precision)) {
            reason = "precision digits missing in '" + std::string(format) + "'";
            return false;
        }
    }
    if (spec.width > kMaxWidth || spec.precision > kMaxWidth) {
        reason = "width or precision above 1023 in '" + std::string(format) + "'";
        return false;
    }
    if (i + 1 != format.size() || std::string_view("ILXxRT").find(format[i]) == std::string_view::npos) {
        reason.assign(1, '\'').append(format).append(
            "' is not [-][0][width][.precision] followed by I, L, X, x, R or T");
        return false;
    }
    spec.letter = format[i];
    return true;
}

// The shortest text of a double for the usual values of measurements: at
// most 15 significant digits and 8 decimals, written in fixed notation when
// that is not longer than the scientific one. 0 for any other value. The
// digits m of the value times 10^k round back to the same double when
// m / 10^k gives it again (both exact, the division rounds correctly), and
// the smallest such k has the fewest digits; so the text is the one the
// general conversion finds, only without its search.
size_t shortRealChars(double v, char *buffer)
{
    static const double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    static const uint64_t kDivisor[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    const double magnitude = std::fabs(v);
    if (!(magnitude >= 1e-3 && magnitude < 1e15))
        return 0;
    for (int k = 0; k <= 8; ++k) {
        const double scaled = magnitude * kScale[k];
        if (scaled >= 1e15)
            return 0;
        const double digits = std::nearbyint(scaled);
        if (digits / kScale[k] != magnitude)
            continue;
        const auto all = static_cast<uint64_t>(digits);
        const uint64_t integral = all / kDivisor[k];
        uint64_t fraction = all % kDivisor[k];
        int count = 0, trailingZeros = 0;
        for (uint64_t x = all; x != 0; x /= 10, ++count) {
            if (x % 10 == 0 && trailingZeros == count)
                ++trailingZeros;
        }
        int integralDigits = 1;
        for (uint64_t x = integral; x >= 10; x /= 10)
            ++integralDigits;
        const int significant = count - trailingZeros;
        const int exponent = count - 1 - k;
        const int fixedLength = integralDigits + (k > 0 ? k + 1 : 0);
        const int scientificLength =
            significant + (significant > 1 ? 1 : 0) + 2 + (exponent >= 100 || exponent <= -100 ? 3 : 2);
        if (scientificLength < fixedLength)
            return 0; // 1e+06 and the like: left to the general conversion
        char *at = buffer;
        if (v < 0)
            *at++ = '-';
        at = std::to_chars(at, at + 24, integral).ptr;
        if (k > 0) {
            *at++ = '.';
            for (int i = k - 1; i >= 0; --i, fraction /= 10)
                at[i] = static_cast<char>('0' + fraction % 10);
            at += k;
        }
        return static_cast<size_t>(at - buffer);
    }
    return 0;
}

// The shortest text that reads back as the same double; buffer holds 64 characters.
size_t realChars(double v, char *buffer)
{
    if (const size_t length = shortRealChars(v, buffer))
        return length;
    if (std::isnan(v)) {
        std::memcpy(buffer, "nan", 3);
        return 3;
    }
    if (std::isinf(v)) {
        std::memcpy(buffer, v < 0 ? "-inf" : "inf", v < 0 ? 4 : 3);
        return v < 0 ? 4 : 3;
    }
    auto [ptr, ec] = std::to_chars(buffer, buffer + 64, v);
    if (ec != std::errc()) {
        buffer[0] = '?';
        return 1;
    }
    return static_cast<size_t>(ptr - buffer);
}

void defaultReal(double v, std::string &out)
{
    char buffer[64];
    out.assign(buffer, realChars(v, buffer));
}

// Written into out, which keeps its storage: results are read one after another.
void defaultText(const Value &value, std::string &out)
{
    if (isIntegerType(value.type)) {
        char buffer[24];
        auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value.integer);
        (void)ec; // 24 characters hold every 64-bit number
        out.assign(buffer, static_cast<size_t>(ptr - buffer));
    } else if (value.type == ValueType::Real) {
        defaultReal(value.real, out);
    } else if (value.type == ValueType::Binary) {
        out = toHex(value.bytes);
    } else {
        out.assign(value.bytes);
    }
}

// The value as a number for the numeric letters; texts that hold a number count.
bool numericValue(const Value &value, bool &isReal, int64_t &integer, double &real, std::string &reason)
{
    if (isIntegerType(value.type)) {
        isReal = false;
        integer = value.integer;
        real = static_cast<double>(integer);
        return true;
    }
    if (value.type == ValueType::Real) {
        isReal = true;
        real = value.real;
        integer = std::isfinite(real) && std::fabs(real) < 9.2e18 ? std::llround(real) : 0;
        return true;
    }
    if (value.type == ValueType::Text) {
        std::string_view t = trim(value.bytes);
        const char *end = t.data() + t.size();
        auto [p1, e1] = std::from_chars(t.data(), end, integer);
        if (!t.empty() && e1 == std::errc() && p1 == end) {
            isReal = false;
            real = static_cast<double>(integer);
            return true;
        }
        auto [p2, e2] = std::from_chars(t.data(), end, real);
        if (!t.empty() && e2 == std::errc() && p2 == end) {
            isReal = true;
            integer = std::isfinite(real) && std::fabs(real) < 9.2e18 ? std::llround(real) : 0;
            return true;
        }
        reason = "text '" + std::string(t.substr(0, 40)) + "' is not a number";
        return false;
    }
    reason = "a binary result has no numeric value";
    return false;
}

// Bits of the two's complement that X shows for negative values.
int hexBits(const Value &value, int64_t integer)
{
    switch (value.type) {
    case ValueType::Char:
    case ValueType::Byte:
        return 8;
    case ValueType::Int:
    case ValueType::Word:
        return 16;
    case ValueType::Long:
    case ValueType::Dword:
        return 32;
    default:
        return integer >= INT32_MIN ? 32 : 64;
    }
}

std::string pad(std::string body, const FormatSpec &spec, bool numeric)
{
    size_t length = utf8Length(body);
    if (static_cast<int>(length) >= spec.width)
        return body;
    size_t fill = static_cast<size_t>(spec.width) - length;
    if (spec.left)
        return body + std::string(fill, ' ');
    if (spec.zero && numeric) {
        size_t signLength = (!body.empty() && (body[0] == '-' || body[0] == '+')) ? 1 : 0;
        return body.substr(0, signLength) + std::string(fill, '0') + body.substr(signLength);
    }
    return std::string(fill, ' ') + body;
}

} // namespace

bool formatValue(const Value &value, std::string_view format, std::string &text)
{
    format = trim(format);
    if (format.empty()) {
        defaultText(value, text);
        return true;
    }
    FormatSpec spec;
    std::string reason;
    if (!parseFormat(format, spec, reason)) {
        text = reason;
        return false;
    }
    if (spec.letter == 'T') {
        std::string body;
        defaultText(value, body);
        if (spec.precision >= 0 && utf8Length(body) > static_cast<size_t>(spec.precision)) {
            size_t bytes = 0;
            for (int n = 0; n < spec.precision; ++n) {
                ++bytes;
                while (bytes < body.size() && (static_cast<unsigned char>(body[bytes]) & 0xC0) == 0x80)
                    ++bytes;
            }
            body.resize(bytes);
        }
        text = pad(std::move(body), spec, false);
        return true;
    }
    bool isReal = false;
    int64_t integer = 0;
    double real = 0;
    if (!numericValue(value, isReal, integer, real, reason)) {
        text = reason;
        return false;
    }
    std::string body;
    switch (spec.letter) {
    case 'I':
    case 'L':
        body = std::to_string(integer);
        break;
    case 'X':
    case 'x': {
        uint64_t bits = static_cast<uint64_t>(integer);
        int width = hexBits(value, integer);
        if (integer < 0 && width < 64)
            bits &= (uint64_t(1) << width) - 1;
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), spec.letter == 'X' ? "%llX" : "%llx",
                      static_cast<unsigned long long>(bits));
        body = buffer;
        break;
    }
    case 'R': {
        if (spec.precision < 0) {
            defaultReal(real, body);
        } else {
            // A fixed rendering of 1e308 needs 309 digits plus the precision.
            std::string buffer(static_cast<size_t>(spec.precision) + 330, '\0');
            int n = std::snprintf(buffer.data(), buffer.size(), "%.*f", spec.precision, real);
            buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
            body = std::move(buffer);
        }
        break;
    }
    default:
        break;
    }
    text = pad(std::move(body), spec, std::isfinite(real));
    return true;
}

void writeText(std::string_view text, char *buffer, size_t capacity, size_t &length)
{
    length = utf8CutSize(text, capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

void writeDefaultText(const Value &value, char *buffer, size_t capacity, size_t &length)
{
    if (value.type == ValueType::Text) {
        writeText(value.bytes, buffer, capacity, length);
        return;
    }
    if (value.type == ValueType::Binary) {
        // "0A 1B ...": ASCII, so the cut needs no care for characters.
        static const char digits[] = "0123456789ABCDEF";
        const size_t limit = capacity - 1;
        size_t at = 0;
        for (size_t i = 0; i < value.bytes.size() && at < limit; ++i) {
            const auto b = static_cast<unsigned char>(value.bytes[i]);
            if (i > 0)
                buffer[at++] = ' ';
            if (at < limit)
                buffer[at++] = digits[b >> 4];
            if (at < limit)
                buffer[at++] = digits[b & 15];
        }
        buffer[at] = '\0';
        length = at;
        return;
    }
    char number[64];
    size_t size = 0;
    if (isIntegerType(value.type))
        size = static_cast<size_t>(std::to_chars(number, number + sizeof(number), value.integer).ptr - number);
    else
        size = realChars(value.real, number);
    writeText(std::string_view(number, size), buffer, capacity, length);
}

} // namespace vedamis
