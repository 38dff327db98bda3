// libFuzzer target for the info-block reader of the job catalogue. Input: a
// drop count (one byte), the description's own block and, after a NUL byte,
// the block of one base description, both unscrambled (the target scrambles
// them as a file holds them). The job list is made from the blocks' JOBNAME
// lines as the locator would list them, less the last `drop` entries, so that
// blocks and list also disagree. Besides "no crash" it checks that the
// parser neither grows nor shrinks the catalogue's lists (jobs beyond the
// list are counted, not stored) and that every argument summary it writes
// has its heading.
#include "catalogue/InfoBlockParser.h"
#include "catalogue/JobCatalogue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

QStringList jobNames(const QByteArray &plain)
{
    QStringList names;
    for (const QByteArray &line : plain.split('\n'))
        if (line.startsWith("JOBNAME:"))
            names << QString::fromUtf8(line.mid(8)).trimmed().toLower();
    return names;
}

QByteArray scrambled(QByteArray plain)
{
    for (char &c : plain)
        c = char(c ^ 0x6B);
    return plain;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int drop = data[0] & 3;
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype cut = rest.indexOf('\0');
    const QByteArray own = cut < 0 ? rest : rest.left(cut);
    const bool withBase = cut >= 0;
    const QByteArray base = withBase ? rest.mid(cut + 1) : QByteArray();

    kitbox::JobCatalogue catalogue;
    catalogue.jobList = jobNames(own);
    if (withBase) {
        catalogue.jobList << kitbox::JobCatalogue::separatorFor(QStringLiteral("D_BASE"));
        catalogue.jobList << jobNames(base);
    }
    for (int i = 0; i < drop && !catalogue.jobList.isEmpty(); ++i)
        catalogue.jobList.removeLast();
    catalogue.resetJobTexts(int(catalogue.jobList.size()));
    const qsizetype entries = catalogue.jobInfo.size();

    int beeps = 0;
    kitbox::InfoBlockParser parser(catalogue, [&beeps] { ++beeps; });
    parser.parseDescription(scrambled(own));
    if (withBase)
        parser.parseBase(scrambled(base), QStringLiteral("d_base"));

    if (catalogue.jobInfo.size() != entries || catalogue.argSummary.size() != entries ||
        catalogue.resultNames.size() != entries || beeps < 0)
        __builtin_trap();
    for (const QString &summary : catalogue.argSummary)
        if (!summary.isEmpty() && !summary.startsWith(QLatin1String("Argumente:")))
            __builtin_trap();
    return 0;
}
