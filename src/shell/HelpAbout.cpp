#include "shell/HelpAbout.h"

#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace kitbox {

namespace {

struct DocumentName {
    const char *objectName;
    int captionText;
    const char *german;
    const char *english;
};

// Relative to the program directory.
constexpr std::array<DocumentName, 4> kDocuments{{
    {"MenuHelpPdf1", 195, "../doku/deutsch/Anleitung_STATUS_STEUERN_UDS.pdf",
     "../doku/english/Anleitung_STATUS_STEUERN_UDS.pdf"},
    {"MenuHelpPdf2", 196, "../doku/deutsch/FAQ.pdf", "../doku/english/FAQ.pdf"},
    {"MenuHelpPdf3", 194, "Kitbox32_News.pdf", "Kitbox32_News_EN.pdf"},
    {"MenuHelpPdf4", 193, "../doku/deutsch/vedamis-de.chm", "../doku/english/vedamis-en.chm"},
}};

// A file counts as present when its length can be read, which a directory's cannot.
bool present(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

// The places a document relative to the program directory may be, in order.
QStringList candidates(const QString &programDirectory, const QString &dataDirectory, const QString &relative)
{
    QStringList places;
    if (!programDirectory.isEmpty())
        places << QDir::cleanPath(programDirectory + u'/' + relative);
    if (!dataDirectory.isEmpty()) {
        QString inData = relative;
        while (inData.startsWith(QLatin1String("../")))
            inData.remove(0, 3);
        places << QDir::cleanPath(dataDirectory + u'/' + inData);
    }
    return places;
}

QString firstPresent(const QStringList &places)
{
    for (const QString &place : places)
        if (present(place))
            return place;
    return QString();
}

QString line(const QString &label, const QString &value)
{
    return label.leftJustified(15) + QStringLiteral("\t: ") + value + u'\n';
}

} // namespace

QList<HelpDocument> HelpAbout::documents(const QString &programDirectory, const QString &dataDirectory, bool english)
{
    QList<HelpDocument> list;
    for (const DocumentName &d : kDocuments) {
        const QStringList places =
            candidates(programDirectory, dataDirectory, QString::fromLatin1(english ? d.english : d.german));
        HelpDocument doc;
        doc.objectName = QString::fromLatin1(d.objectName);
        doc.captionText = d.captionText;
        doc.path = firstPresent(places);
        doc.available = !doc.path.isEmpty();
        if (!doc.available)
            doc.path = places.value(0);
        list << doc;
    }
    return list;
}

QString HelpAbout::helpAnchor(const QString &windowName)
{
    return windowName.toLower();
}

QString HelpAbout::contextHelpUrl(const QString &programDirectory, const QString &dataDirectory, bool english,
                                  const QString &windowName, const QString &helpFile)
{
    if (!helpFile.isEmpty() && present(helpFile))
        return QUrl::fromLocalFile(helpFile).toString();
    const QString relative = english ? QStringLiteral("../doku/english/Kitbox32_Anleitung.html")
                                     : QStringLiteral("../doku/deutsch/Kitbox32_Anleitung.html");
    const QString path = firstPresent(candidates(programDirectory, dataDirectory, relative));
    if (path.isEmpty())
        return QString();
    QUrl url = QUrl::fromLocalFile(path);
    if (!windowName.isEmpty())
        url.setFragment(helpAnchor(windowName));
    return url.toString();
}

QString HelpAbout::aboutTitle()
{
    return QStringLiteral("About ...");
}

QString HelpAbout::aboutText(const AboutValues &v, const TextCatalogue &texts)
{
    QString text;
    text += line(texts.text(51), v.version);
    text += line(texts.text(52), v.company);
    if (!v.settingsPath.isEmpty() && present(v.settingsPath))
        text += u'\n' + line(QStringLiteral("INI"), v.settingsPath);
    text += u'\n';
    text += line(QStringLiteral("VEDAMIS"), v.vedamisVersion);
    text += line(QStringLiteral("IFH"), v.ifhVersion);
    text += line(QStringLiteral("Interface"), v.interfaceName);
    text += u'\n';
    text += line(QStringLiteral("Video"), QString::number(v.screenWidth) + u'*' + QString::number(v.screenHeight));
    text += QStringLiteral("Puffer:\n");
    const std::array<const char *, 4> stores{"Argument", "Result", "Comment", "Table"};
    for (size_t i = 0; i < stores.size(); ++i)
        text += line(QString::fromLatin1(stores[i]), QString::number(v.storeSizes[i]) + QStringLiteral(" Byte"));
    return text;
}

void HelpAbout::showAbout(const AboutValues &values, const TextCatalogue &texts, DialogService &dialogs)
{
    dialogs.message(aboutText(values, texts), aboutTitle(), MessageIcon::Information);
}

} // namespace kitbox
