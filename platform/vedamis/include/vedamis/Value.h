#pragma once
// A typed job result and its conversion to text by format texts.
#include <vedamis/vedamis.h>

#include <cstdint>
#include <string>
#include <string_view>

#if defined(__GNUC__)
#define VEDAMIS_CXX_EXPORT __attribute__((visibility("default")))
#else
#define VEDAMIS_CXX_EXPORT
#endif

namespace vedamis {

enum class ValueType : int16_t {
    Char = VEDAMIS_TYPE_CHAR,
    Byte = VEDAMIS_TYPE_BYTE,
    Int = VEDAMIS_TYPE_INT,
    Word = VEDAMIS_TYPE_WORD,
    Long = VEDAMIS_TYPE_LONG,
    Dword = VEDAMIS_TYPE_DWORD,
    Text = VEDAMIS_TYPE_TEXT,
    Binary = VEDAMIS_TYPE_BINARY,
    Real = VEDAMIS_TYPE_REAL,
};

struct Value {
    ValueType type = ValueType::Long;
    int64_t integer = 0; // integer types
    double real = 0.0;   // Real
    std::string bytes;   // Text (UTF-8) and Binary

    static Value makeInteger(ValueType type, int64_t v)
    {
        Value value;
        value.type = type;
        value.integer = v;
        return value;
    }
    static Value makeReal(double v)
    {
        Value value;
        value.type = ValueType::Real;
        value.real = v;
        return value;
    }
    static Value makeText(std::string v, ValueType type = ValueType::Text)
    {
        Value value;
        value.type = type;
        value.bytes = std::move(v);
        return value;
    }
};

inline bool isIntegerType(ValueType type)
{
    return static_cast<int>(type) >= VEDAMIS_TYPE_CHAR && static_cast<int>(type) <= VEDAMIS_TYPE_DWORD;
}
// "char", "byte", ... as description sources spell them; false for unknown names.
VEDAMIS_CXX_EXPORT bool valueTypeFromName(std::string_view name, ValueType &type);
// Smallest and largest value of an integer type.
void integerRange(ValueType type, int64_t &min, int64_t &max);

// Renders a value by a format text "[-][0][width][.precision]letter"
// (docs/runtime-engine.md); an empty format gives the default conversion.
// On failure returns false and puts the reason into text.
VEDAMIS_CXX_EXPORT bool formatValue(const Value &value, std::string_view format, std::string &text);

} // namespace vedamis
