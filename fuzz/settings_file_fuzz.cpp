// libFuzzer target for the settings file: the profile reader and writer and
// the program's settings read from it. The first input byte picks the
// screen width class and the instance part read; the rest is the file.
// Besides "no crash" it checks that
//  - an unchanged profile writes back exactly the bytes it was read from
//    (comments, unknown keys, encoding and line endings kept);
//  - a value set is read back as set, line breaks turned into blanks;
//  - the settings written from what was read are a fixed point: reading
//    them again and writing gives the same file.
#include "shell/IniFile.h"
#include "shell/Settings.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t control = data[0];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    IniFile file;
    file.loadFromData(bytes);
    if (file.toData() != bytes)
        __builtin_trap();

    // Every key of every section reads, and writing one value changes only it.
    for (const QString &section : file.sections())
        for (const QString &key : file.keys(section))
            (void)file.intValue(section, key, 0);
    IniFile changed = file;
    const QString value = QString::fromUtf8(bytes.left(40));
    changed.setValue(QStringLiteral("Fuzz"), QStringLiteral("Key"), value);
    QString expected = value;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    expected.replace(u'\r', u' ');
    expected.replace(u'\n', u' ');
    IniFile reread;
    reread.loadFromData(changed.toData());
    if (reread.value(QStringLiteral("Fuzz"), QStringLiteral("Key")) != expected.trimmed())
        __builtin_trap();

    const int width = (control & 1) ? 1024 : 640;
    Settings settings;
    settings.readCommon(file, width);
    settings.readInstance(control >> 4);
    IniFile written = file;
    settings.writeTo(written);

    Settings again;
    again.readCommon(written, width);
    again.readInstance(control >> 4);
    IniFile writtenAgain = written;
    again.writeTo(writtenAgain);
    if (writtenAgain.toData() != written.toData())
        __builtin_trap();
    return 0;
}
