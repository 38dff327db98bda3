#pragma once
// Printing, through the print module that is loaded on first use: the program
// starts without the print library, which it needs only when asked whether a
// printer is installed (after the window is shown) and when it prints.
#include <kitbox/Result.h>

#include <QFont>
#include <QString>

namespace kitbox {

// Whether the system lists a printer; false when the print module is missing.
bool printersInstalled();

// Prints text (lines separated by CR LF) in the font on the default printer.
// A failure carries the text to show.
// While a PdfPrintTarget is alive, this writes the pages to its PDF file
// instead, so that every window that prints can also print to a file.
Status printText(const QString &documentName, const QString &text, const QFont &font);

// Writes the pages of text as a PDF file (A4), atomically: a failed write
// leaves an existing file as it was.
Status printTextToPdf(const QString &pdfPath, const QString &documentName, const QString &text, const QFont &font);

// Sends the print jobs started during its lifetime to a PDF file. The print
// command sets it around the same print request it makes for the printer, so
// the windows need not know where their pages go.
class PdfPrintTarget {
public:
    explicit PdfPrintTarget(const QString &pdfPath);
    ~PdfPrintTarget();
    PdfPrintTarget(const PdfPrintTarget &) = delete;
    PdfPrintTarget &operator=(const PdfPrintTarget &) = delete;

    // Whether a print job reached the file (a print source may have had nothing to print).
    bool used() const;
};

} // namespace kitbox
