#pragma once
// The value rules of the control assistant: a typed argument value is checked
// against the data type of its argument row and against MIN/MAX, and the value
// scaled by MUL, DIV and ADD must still fit the data type.
#include <QString>

#include <optional>

namespace kitbox {

// One row of an argument table as the control assistant reads it. Missing
// columns read "-" (STR and STPR read "+").
struct UdsArgumentRow {
    QString arg;
    QString einheit;
    QString datentyp;
    QString mul;
    QString div;
    QString add;
    QString min;
    QString max;
    QString info;
    QString name;
    QString str = QStringLiteral("+");
    QString stpr = QStringLiteral("+");
};

class UdsValueCheck {
public:
    // Whether text is a valid value for the row. An empty text never is.
    static bool isValid(const QString &text, const UdsArgumentRow &row);

    // The number at the start of text, the way a leading-number conversion
    // reads a table cell: blanks skipped, then sign, digits, point, exponent;
    // 0 when there is none (so "-" and "" read 0).
    static double leadingNumber(const QString &text);

    // A whole text as a number: "0x"/"&h" followed by hex digits, or a decimal
    // number (point or comma). Empty when the text is not a number.
    static std::optional<double> number(const QString &text);

    struct Range {
        double low;
        double high;
    };
    // The range of an integer data type (lower case), empty for other types.
    static std::optional<Range> integerRange(const QString &type);
};

} // namespace kitbox
