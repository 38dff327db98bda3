// libFuzzer target for the text catalogue reader. Besides "no crash" it
// checks that
//  - a catalogue that is refused leaves the texts held before untouched;
//  - an accepted one, written out again with the escapes, reads back to the
//    same texts;
//  - every lookup the program makes at start works in both languages,
//    whatever text 1 (the English offset) holds.
#include "shell/TextCatalogue.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

QByteArray written(const TextCatalogue &catalogue)
{
    QString out;
    for (int id : catalogue.ids()) {
        QString text = catalogue.rawText(id);
        text.replace(u'\\', QStringLiteral("\\\\"));
        text.replace(u'\t', QStringLiteral("\\t"));
        text.replace(u'\r', QStringLiteral("\\r"));
        text.replace(u'\n', QStringLiteral("\\n"));
        out += QString::number(id) + u'\t' + text + QStringLiteral("|\n");
    }
    return out.toUtf8();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TextCatalogue catalogue;
    if (!catalogue.load(QByteArrayLiteral("1\t10000|\n3\tUnknown|\n10010\tHint|\n")))
        __builtin_trap();
    const QByteArray before = written(catalogue);

    const kitbox::Status status = catalogue.load(bytes);
    if (!status) {
        if (status.error().empty() || written(catalogue) != before)
            __builtin_trap();
        return 0;
    }
    const QByteArray text = written(catalogue);
    TextCatalogue again;
    if (!again.load(text) || written(again) != text)
        __builtin_trap();

    int missing = 0;
    catalogue.setMissingTextHandler([&missing](const QString &, const QString &) { ++missing; });
    for (const char *language : {"D", "E"}) {
        catalogue.selectLanguage(QString::fromLatin1(language));
        (void)catalogue.helpFileName(QStringLiteral("/opt/kitbox32"), QStringLiteral("kitbox32"));
        for (int id : {1, 2, 3, 4, 611, 20000, 29999})
            (void)catalogue.text(id);
    }
    return 0;
}
