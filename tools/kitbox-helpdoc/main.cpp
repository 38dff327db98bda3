// kitbox-helpdoc: turns a help document written in Markdown into the HTML and
// PDF files the help menu opens, with Qt's own text document, so that the
// build needs no document tool of its own.
//
//   kitbox-helpdoc INPUT.md [--html OUT.html] [--pdf OUT.pdf]
//
// A heading that holds a code span (`Job_Form`) gets that text, lower-cased,
// as its anchor: the context help opens the guide there for the window of
// that name. Exit codes: 0 written, 1 input unreadable or output not
// writable, 2 wrong command line.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>

namespace {

int fail(const QString &message, int code)
{
    std::fprintf(stderr, "kitbox-helpdoc: %s\n", qPrintable(message));
    return code;
}

// Anchors from the code spans of headings (see the header comment).
void addAnchors(QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0)
            continue;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().fontFixedPitch())
                continue;
            const QString name = fragment.text().trimmed().toLower();
            if (name.isEmpty())
                continue;
            QTextCursor cursor(document.findBlock(block.position()));
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            QTextCharFormat anchor;
            anchor.setAnchor(true);
            anchor.setAnchorNames({name});
            cursor.mergeCharFormat(anchor);
            break;
        }
    }
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(data);
    return file.commit();
}

} // namespace

int main(int argc, char *argv[])
{
    // Laying out text needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString input, html, pdf;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if ((a == QLatin1String("--html") || a == QLatin1String("--pdf")) && i + 1 < args.size())
            (a == QLatin1String("--html") ? html : pdf) = args[++i];
        else if (!a.startsWith(QLatin1String("--")) && input.isEmpty())
            input = a;
        else
            return fail(QStringLiteral("usage: kitbox-helpdoc INPUT.md [--html OUT.html] [--pdf OUT.pdf]"), 2);
    }
    if (input.isEmpty() || (html.isEmpty() && pdf.isEmpty()))
        return fail(QStringLiteral("usage: kitbox-helpdoc INPUT.md [--html OUT.html] [--pdf OUT.pdf]"), 2);

    QFile in(input);
    if (!in.open(QIODevice::ReadOnly))
        return fail(input + QStringLiteral(": ") + in.errorString(), 1);
    const QString markdown = QString::fromUtf8(in.readAll());
    QTextDocument document;
    document.setMarkdown(markdown);
    addAnchors(document);
    // The first heading is the document's title.
    const QRegularExpression title(QStringLiteral("^#\\s+(.+)$"), QRegularExpression::MultilineOption);
    document.setMetaInformation(QTextDocument::DocumentTitle, title.match(markdown).captured(1).trimmed());

    if (!html.isEmpty() && !writeFile(html, document.toHtml().toUtf8()))
        return fail(html + QStringLiteral(": cannot be written"), 1);
    if (!pdf.isEmpty()) {
        QDir().mkpath(QFileInfo(pdf).absolutePath());
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("kitbox-helpdoc"));
        document.print(&writer);
        if (!QFileInfo(pdf).isFile() || QFileInfo(pdf).size() == 0)
            return fail(pdf + QStringLiteral(": cannot be written"), 1);
    }
    return 0;
}
