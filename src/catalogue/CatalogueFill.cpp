#include "catalogue/CatalogueFill.h"

#include "catalogue/InfoBlockParser.h"
#include "catalogue/SifterApi.h"
#include "catalogue/TableErrorFile.h"
#include "catalogue/TableTextReader.h"
#include "catalogue/UsesExtension.h"
#include "runtime/VedamisApi.h"
#include "shell/TextCatalogue.h"

#include <QDir>
#include <QFile>

namespace kitbox {

namespace {

// A description file opened for reading its located ranges: mapped into
// memory when the system allows, else read range by range.
class RangeReader {
public:
    explicit RangeReader(const QString &path) : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            return;
        m_size = m_file.size();
        if (m_size > 0)
            m_map = m_file.map(0, m_size);
    }
    RangeReader(const RangeReader &) = delete;
    RangeReader &operator=(const RangeReader &) = delete;

    // [start, start + length) in one piece; a range that lies (partly)
    // outside the file gives what the file has of it.
    QByteArrayView range(qint64 start, qint64 length)
    {
        if (!m_file.isOpen() || start < 0 || length <= 0 || start >= m_size)
            return {};
        length = qMin(length, m_size - start);
        if (m_map != nullptr)
            return QByteArrayView(reinterpret_cast<const char *>(m_map) + start, length);
        if (!m_file.seek(start))
            return {};
        m_buffer = m_file.read(length);
        return m_buffer;
    }

private:
    QFile m_file;
    qint64 m_size = 0;
    uchar *m_map = nullptr;
    QByteArray m_buffer;
};

// Changes the current directory for the lifetime of the object.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const QString &directory) : m_saved(QDir::currentPath())
    {
        if (!directory.isEmpty() && QDir(directory).exists() &&
            QDir(directory).canonicalPath() != QDir(m_saved).canonicalPath())
            m_changed = QDir::setCurrent(directory);
    }
    ~CurrentDirectory()
    {
        if (m_changed)
            QDir::setCurrent(m_saved);
    }
    CurrentDirectory(const CurrentDirectory &) = delete;
    CurrentDirectory &operator=(const CurrentDirectory &) = delete;

private:
    QString m_saved;
    bool m_changed = false;
};

class BusyPointer {
public:
    explicit BusyPointer(CatalogueHost &host) : m_host(host) { m_host.setBusy(true); }
    ~BusyPointer() { m_host.setBusy(false); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    CatalogueHost &m_host;
};

} // namespace

void CatalogueFill::run(JobCatalogue &catalogue, const QString &ecuPath, int jobCount, bool reset,
                        const CatalogueOptions &options)
{
    const BusyPointer busy(m_host);
    if (reset) {
        catalogue.resetJobTexts(jobCount);
        catalogue.tables = QList<TableDescription>(1);
        catalogue.tableText = QList<QByteArray>(1);
    } else {
        // Arrays erased by a load that stopped early are sized again.
        if (catalogue.jobInfo.size() < qsizetype(jobCount) + 1)
            catalogue.resetJobTexts(jobCount);
        if (catalogue.tables.isEmpty()) {
            catalogue.tables = QList<TableDescription>(1);
            catalogue.tableText = QList<QByteArray>(1);
        }
    }

    UsesExtension uses(m_api, m_host);
    const int lastBase = uses.readBaseNames(catalogue, catalogue.loadedName);
    const CurrentDirectory directory(ecuPath);

    QList<FileInfo> files;
    qint64 totalTables = 0;
    for (int k = 0; k <= lastBase + 1; ++k) {
        FileInfo f;
        if (k == 0) {
            f.path = catalogue.descriptionPath;
        } else {
            f.path = UsesExtension::baseFile(catalogue, ecuPath, k - 1);
            f.baseName = catalogue.baseNames.at(k - 1).toLower();
        }
        f.status = m_sifter.SIFTER_INFO(f.path, f.infoOffset, f.infoLength, f.tableAreaEnd, f.tableCount);
        // A base file's status is not looked at; its outputs count as they are.
        totalTables += qMax<qint32>(f.tableCount, 0);
        files.append(f);
    }

    if (files.first().status != 0) {
        catalogue.jobInfo[0] = m_texts.text(505) + QStringLiteral(" Sifter:") + QString::number(files.first().status) +
                               QLatin1Char(' ') + m_texts.text(64);
        return;
    }

    if (totalTables > 0 && catalogue.tables.first().name.isEmpty() && options.tableInfo)
        readTables(catalogue, files, totalTables, options);
    else if (totalTables == 0)
        m_host.closeTableViewer();

    if ((options.jobInfo || options.argInfo || options.resultInfo) && catalogue.jobInfo.first().isEmpty())
        readInfoTexts(catalogue, files);
}

void CatalogueFill::readTables(JobCatalogue &catalogue, const QList<FileInfo> &files, qint64 totalTables,
                               const CatalogueOptions &options)
{
    // A locator that reports absurd counts must not make us allocate without bound.
    constexpr qint64 maxTables = 1'000'000;
    totalTables = qMin(totalTables, maxTables);
    catalogue.tables = QList<TableDescription>(totalTables);
    catalogue.tableText = QList<QByteArray>(totalTables);

    TableErrorLog errors;
    errors.descriptionPath = catalogue.descriptionPath;
    errors.texts = {m_texts.text(511), m_texts.text(512), m_texts.text(513), m_texts.text(514), m_texts.text(515)};
    catalogue.tableErrorFlag = false;
    catalogue.tableErrorText.clear();
    const TableTextReader reader(options.screenWidthTwips);

    // From the last base back to file 0, each file's tables take the highest
    // free indexes, its table numbers counting down with the index.
    qint64 index = totalTables - 1;
    for (qsizetype k = files.size() - 1; k >= 0 && index >= 0; --k) {
        const FileInfo &f = files.at(k);
        RangeReader file(f.path);
        qint64 nextStart = -1;
        for (qint32 number = f.tableCount - 1; number >= 0 && index >= 0; --number, --index) {
            TableDescription &table = catalogue.tables[index];
            SifterTable entry;
            (void)m_sifter.SIFTER_TABLE(f.path, entry, number);
            table.name = entry.name;
            table.start = entry.start;
            table.columnCount = entry.columnCount;
            table.rowCount = entry.rowCount;
            table.baseName = f.baseName;
            const qint64 end = nextStart >= 0 ? nextStart : qint64(f.tableAreaEnd);
            table.length = qint32(qBound<qint64>(qint64(INT32_MIN), end - entry.start, qint64(INT32_MAX)));
            table.listIndex = -1;
            nextStart = entry.start;
            catalogue.tableText[index] = reader.readUtf8(file.range(table.start, table.length), table, errors);
        }
    }

    catalogue.tableErrorFlag = errors.flag;
    if (errors.flag) {
        catalogue.tableErrorFilePath = options.tableErrorFilePath;
        catalogue.tableErrorFileWritten = TableErrorFile::write(options.tableErrorFilePath, errors.text).ok();
    }
    catalogue.tableErrorText.clear();
}

void CatalogueFill::readInfoTexts(JobCatalogue &catalogue, const QList<FileInfo> &files)
{
    catalogue.lastFilledJob = -1;
    InfoBlockParser parser(catalogue, [this] { m_host.beep(); });
    const qsizetype entries = catalogue.jobList.size();
    for (qsizetype k = 0; k < files.size(); ++k) {
        const FileInfo &f = files.at(k);
        if (f.infoOffset > 0 && f.infoLength > 0) {
            RangeReader file(f.path);
            const QByteArrayView block = file.range(f.infoOffset, f.infoLength);
            if (k == 0)
                parser.parseDescription(block);
            else
                parser.parseBase(block, UsesExtension::baseName(catalogue, int(k - 1)));
            continue;
        }
        // Without an info block every entry not yet filled gets a placeholder.
        for (qsizetype j = catalogue.lastFilledJob + 1; j < entries && j < catalogue.jobInfo.size(); ++j) {
            const QString &entry = catalogue.jobList.at(j);
            if (JobCatalogue::isSeparator(entry))
                catalogue.jobInfo[j] = kCrLf;
            else
                catalogue.jobInfo[j] = QStringLiteral("name      : ") + entry.toUpper() + kCrLf + kCrLf +
                                       m_texts.text(78) + QLatin1Char('.');
        }
        catalogue.lastFilledJob = qint32(qMax<qsizetype>(entries - 1, catalogue.lastFilledJob));
    }
}

} // namespace kitbox
