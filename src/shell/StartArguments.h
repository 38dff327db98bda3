#pragma once
// The program's command line: the requests for version and help, and the
// pieces the main window takes from the rest (file to open, trace levels of
// a batch test run, dropped file names).
#include <QString>
#include <QStringList>

namespace kitbox {

struct ProgramArguments {
    enum class Request { Run, Version, Help };
    Request request = Request::Run;
    QString output;      // text to print for Version and Help
    QString commandLine; // the arguments after the program name, joined by blanks
};

// --version and --help (also -v, -h) are answered alone; everything else,
// including -INTERFACEnn=..., is the command line of the run.
ProgramArguments parseProgramArguments(const QStringList &arguments);

// The file part of a command line: up to the first "." and three characters
// after it; empty when there is no ".".
QString commandLineFile(const QString &commandLine);

// Trace levels after a test file: the words after ".TST" (any case) are the
// ApiTrace level and the IfhTrace level ("0" when only one word follows).
struct BatchTrace {
    bool present = false;
    QString apiTrace;
    QString ifhTrace;
};
BatchTrace batchTrace(const QString &commandLine);

// The name of a dropped file to open: from after the first double quote (or
// from the start) up to three characters after the first "."; empty when it
// has no ".".
QString droppedFileName(const QString &name);

enum class OpenFileKind { Description, Test, Other };
// ".PRG" or ".GRP" anywhere in the upper-cased path is a description, else
// ".TST" a test file.
OpenFileKind openFileKind(const QString &path);

} // namespace kitbox
