// The print module of kitbox32 (libkitbox32-print.so): everything that needs
// the print library. The program loads it on first use (KitBoxPrinting.h),
// so that its start does not wait for the print library to be loaded.
#include "shell/print/PagePainter.h"

#include <QFont>
#include <QPrinter>
#include <QPrinterInfo>
#include <QString>
#include <QStringList>

#define KITBOX_PRINT_EXPORT __attribute__((visibility("default")))

extern "C" KITBOX_PRINT_EXPORT bool kitbox32PrintersInstalled()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

// Prints the lines of text (separated by CR LF) on the default printer in the
// given font, starting a new page whenever the page is full.
extern "C" KITBOX_PRINT_EXPORT bool kitbox32PrintText(const QString &documentName, const QString &text,
                                                      const QFont &font, QString *error)
{
    QPrinter printer;
    printer.setDocName(documentName);
    return kitbox::paintTextPages(printer, text, font, error);
}
