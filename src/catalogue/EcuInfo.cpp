#include "catalogue/EcuInfo.h"

#include "runtime/VedamisApi.h"
#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

namespace {

// label + TAB + ": " + value + LF when the result named like the trimmed label exists.
bool appendLine(VedamisApi &api, QString &text, const QString &label)
{
    QString value;
    if (!api.apiResultText(value, label.trimmed(), 1, QString()))
        return false;
    text += label + QStringLiteral("\t: ") + value + QLatin1Char('\n');
    return true;
}

// The numbered results (ECUCOMMENT0, ECUCOMMENT1, ...) up to the first missing one.
void appendNumbered(VedamisApi &api, QString &text, const QString &prefix)
{
    // A runtime that answers every number must not keep us here for ever.
    constexpr int maxLines = 10000;
    for (int k = 0; k < maxLines; ++k) {
        const QString label = QString(prefix + QString::number(k) + QStringLiteral("       ")).left(12);
        if (!appendLine(api, text, label))
            break;
    }
}

} // namespace

QString EcuInfo::text(VedamisApi &api, const QString &description)
{
    api.apiJob(description, QStringLiteral("_VERSIONINFO"), QString(), QString());
    QString text;
    appendLine(api, text, QStringLiteral("ECU            "));
    text += QLatin1Char('\n');
    for (const char *label :
         {"BIP_Version ", "Revision    ", "From           ", "Package     ", "Origin         ", "Author      "})
        appendLine(api, text, QString::fromLatin1(label));
    text += QLatin1Char('\n');
    appendNumbered(api, text, QStringLiteral("ECUCOMMENT"));
    text += QLatin1Char('\n');
    appendNumbered(api, text, QStringLiteral("USES"));
    return text;
}

void EcuInfo::show(VedamisApi &api, DialogService &dialogs, const TextCatalogue &texts, const QString &loadedName)
{
    if (loadedName.isEmpty()) {
        dialogs.message(texts.text(54), QStringLiteral("Ecu Info ..."), MessageIcon::Information);
        return;
    }
    dialogs.message(text(api, loadedName), QStringLiteral("Ecu Info ..."), MessageIcon::Information);
}

} // namespace kitbox
