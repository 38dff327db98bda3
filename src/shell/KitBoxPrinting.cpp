#include "shell/KitBoxPrinting.h"

#include "shell/FileSave.h"
#include "shell/print/PagePainter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QStringList>

namespace kitbox {

namespace {

using PrintersInstalled = bool (*)();
using PrintText = bool (*)(const QString &, const QString &, const QFont &, QString *);

struct PrintModule {
    PrintersInstalled printersInstalled = nullptr;
    PrintText printText = nullptr;
    QString error;
};

// Loaded once, beside the program's libraries: <bin>/../lib (build tree and
// installed tree alike), else next to the program.
const PrintModule &module()
{
    static const PrintModule loaded = [] {
        PrintModule m;
        const QDir programDir(QCoreApplication::applicationDirPath());
        const QString fileName = QStringLiteral(KITBOX_PRINT_MODULE);
        QStringList tried;
        for (const QString &dir : {programDir.filePath(QStringLiteral("../" KITBOX_INSTALL_LIBDIR)),
                                   programDir.filePath(QStringLiteral("../lib")), programDir.path()}) {
            const QString path = QDir::cleanPath(QDir(dir).filePath(fileName));
            if (tried.contains(path) || !QFile::exists(path))
                continue;
            tried << path;
            QLibrary library(path);
            m.printersInstalled = reinterpret_cast<PrintersInstalled>(library.resolve("kitbox32PrintersInstalled"));
            m.printText = reinterpret_cast<PrintText>(library.resolve("kitbox32PrintText"));
            if (m.printersInstalled && m.printText)
                return m; // the library stays loaded for the rest of the process
            m.error = library.errorString();
            m.printersInstalled = nullptr;
            m.printText = nullptr;
        }
        if (m.error.isEmpty())
            m.error = QStringLiteral("Printing is not available: ") + fileName + QStringLiteral(" was not found");
        return m;
    }();
    return loaded;
}

struct PdfRedirect {
    QString path;
    bool active = false;
    bool used = false;
};

// Print jobs run on the user-interface thread only.
PdfRedirect &pdfRedirect()
{
    static PdfRedirect redirect;
    return redirect;
}

} // namespace

PdfPrintTarget::PdfPrintTarget(const QString &pdfPath)
{
    pdfRedirect() = {pdfPath, true, false};
}

PdfPrintTarget::~PdfPrintTarget()
{
    pdfRedirect() = {};
}

bool PdfPrintTarget::used() const
{
    return pdfRedirect().used;
}

Status printTextToPdf(const QString &pdfPath, const QString &documentName, const QString &text, const QFont &font)
{
    // The document is made in memory and then saved in one step, so a failed
    // print leaves an existing file as it was.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QString error;
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(documentName);
        writer.setCreator(QStringLiteral("Kitbox32"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                         QPageLayout::Millimeter));
        if (!paintTextPages(writer, text, font, &error))
            return failure(error.toStdString());
    } // the writer finishes the document when it goes
    return saveFileAtomically(pdfPath, pdf.data());
}

bool printersInstalled()
{
    const PrintModule &m = module();
    return m.printersInstalled && m.printersInstalled();
}

Status printText(const QString &documentName, const QString &text, const QFont &font)
{
    PdfRedirect &redirect = pdfRedirect();
    if (redirect.active) {
        redirect.used = true;
        return printTextToPdf(redirect.path, documentName, text, font);
    }
    const PrintModule &m = module();
    if (!m.printText)
        return failure(m.error.toStdString());
    QString error;
    if (!m.printText(documentName, text, font, &error))
        return failure(error.toStdString());
    return success();
}

} // namespace kitbox
