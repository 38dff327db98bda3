#pragma once
// The -INTERFACE option of the command line: which instance this process is
// and the four texts its runtime session is opened with.
#include <QString>

#include <array>

// Interface, unit, application and extra settings, in the order the runtime's
// extended start takes them.
using InterfaceTexts = std::array<QString, 4>;

struct InterfaceOption {
    QString optionText; // the option as found, e.g. "-INTERFACE01=a,b,c,d"; empty when absent
    int instance = 0;   // 0 when absent or when the two characters are not a number
    InterfaceTexts texts;

    bool present() const { return !optionText.isEmpty(); }

    // Splits "a,b,c,d" into the four texts; missing pieces are empty, a fifth
    // and later pieces are dropped.
    static InterfaceTexts splitTexts(const QString &text);
    // The stored form of the four texts (joined with commas).
    static QString joinTexts(const InterfaceTexts &texts);
};

struct ParsedCommandLine {
    QString commandLine; // without double quotes and without the option
    InterfaceOption option;
};

// Removes every double quote and cuts the first "-INTERFACE" (any case) up to
// the next blank out of the command line.
ParsedCommandLine parseCommandLine(const QString &commandLine);
