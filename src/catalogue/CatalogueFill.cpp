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
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kitbox {

namespace {

// Bytes [start, start + length) of a file in one read; a range that lies
// (partly) outside the file gives what the file has of it. The bytes are
// copied rather than mapped: a mapping of a file that another program cuts
// short while it is loaded would bring the workbench down. Plain system
// calls: a file object would tie the thread that reads the info texts to
// the object system, and its end to undoing that.
QByteArray readRange(const QString &path, qint64 start, qint64 length)
{
    if (start < 0 || length <= 0)
        return {};
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && start < st.st_size) {
        bytes = QByteArray(qMin(length, qint64(st.st_size) - start), Qt::Uninitialized);
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), start + done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        bytes.truncate(done);
    }
    ::close(fd);
    return bytes;
}

// Room for size bytes of a file from offset on, placed so that each byte
// lies at the same place within a cache line as in the file: the system
// copies from its file cache fastest between equally aligned addresses.
QByteArray alignedLike(qint64 offset, qint64 size)
{
    constexpr qsizetype line = 64;
    QByteArray bytes(size + line, Qt::Uninitialized);
    const auto at = qsizetype(reinterpret_cast<quintptr>(bytes.constData()) % line);
    const qsizetype skip = (qsizetype(offset % line) - at + line) % line;
    // Taking bytes off the front moves where the array begins, without a copy.
    bytes.remove(0, skip);
    bytes.truncate(size);
    return bytes;
}

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

// Threads kept from one fill to the next: starting a thread and letting it
// end again cost a large description's fill more than waking a kept one.
class KeptThreads {
public:
    static KeptThreads &instance()
    {
        static KeptThreads threads;
        return threads;
    }

    // Runs task on an idle kept thread; a new one is started while fewer
    // are idle than tasks wait (up to a few; beyond, tasks wait their turn).
    void run(std::function<void()> task)
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        if (m_idle < qsizetype(m_tasks.size()) && m_threads.size() < maxThreads)
            m_threads.emplace_back([this] { loop(); });
        else
            m_wake.notify_one();
    }

    ~KeptThreads()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (std::thread &thread : m_threads)
            thread.join();
    }

private:
    KeptThreads() = default;

    void loop()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            ++m_idle;
            m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            --m_idle;
            if (m_tasks.empty())
                return;
            std::function<void()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
            task = nullptr; // what it holds goes before the lock is taken again
            lock.lock();
        }
    }

    static constexpr size_t maxThreads = 4;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    std::vector<std::thread> m_threads;
    qsizetype m_idle = 0;
    bool m_stopping = false;
};

// Counts tasks handed to kept threads until they are all done. Shared with
// the tasks, so that it outlives the last one's report.
class Completion {
public:
    void add(int tasks)
    {
        const std::lock_guard lock(m_mutex);
        m_pending += tasks;
    }
    void finishOne()
    {
        const std::lock_guard lock(m_mutex);
        if (--m_pending == 0)
            m_done.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [this] { return m_pending == 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    int m_pending = 0;
};

// Threads pay off only for some work; a small description is done at once.
constexpr qint64 bytesWorthAThread = 1 << 20;

} // namespace

// One file's share of the tables: where its bytes lie and how they are read.
struct TableArea {
    QString path;
    qint64 lowest = 0; // its table indexes
    qint64 highest = -1;
    qint64 start = -1; // file offset of the area's first byte
    std::unique_ptr<QFile> file;
    bool readPerTable = false;       // else the area was read in one piece beforehand
    std::atomic<bool> failed{false}; // a table's range could not be read whole
};

// Neighbouring tables of one file, read together and measured one after the other.
struct TableGroup {
    size_t area = 0;
    qint64 first = 0; // table indexes
    qint64 last = -1;
    qint64 start = 0; // file range to read
    qint64 end = 0;
};

struct CatalogueFill::TablePlan {
    TableTextReader reader{0};
    std::vector<TableGroup> groups;
    TableErrorTexts texts;
    std::vector<TableArea> areas; // one per file
    QList<QString> findings;      // control characters, per table
    qint64 lowest = 0;
    qint64 highest = -1;
    qint64 bytes = 0; // to read and measure
};

struct CatalogueFill::EarlyTask {
    struct Shared {
        // The loop that shares out the table groups, once they are planned;
        // null when there are none.
        std::promise<const std::function<void()> *> tableWork;
        Completion done;
    };
    std::shared_ptr<Shared> shared; // set while started
    bool handed = false;

    void start(const std::function<void()> &task)
    {
        shared = std::make_shared<Shared>();
        shared->done.add(1);
        KeptThreads::instance().run([s = shared, &task, work = shared->tableWork.get_future().share()] {
            task();
            if (const std::function<void()> *tables = work.get())
                (*tables)();
            s->done.finishOne();
        });
    }
    void hand(const std::function<void()> *tables)
    {
        if (shared && !handed) {
            handed = true;
            shared->tableWork.set_value(tables);
        }
    }
    void finish()
    {
        hand(nullptr);
        if (shared) {
            shared->done.wait();
            shared.reset();
        }
    }
    ~EarlyTask() { finish(); }
};

void CatalogueFill::run(JobCatalogue &catalogue, const QString &ecuPath, int jobCount, bool reset,
                        const CatalogueOptions &options)
{
    const BusyPointer busy(m_host);
    if (reset) {
        catalogue.resetJobTexts(jobCount);
        catalogue.tables = QList<TableDescription>(1);
        catalogue.tableAreas.clear();
    } else {
        // Arrays erased by a load that stopped early are sized again.
        if (catalogue.jobInfo.size() < qsizetype(jobCount) + 1)
            catalogue.resetJobTexts(jobCount);
        if (catalogue.tables.isEmpty()) {
            catalogue.tables = QList<TableDescription>(1);
            catalogue.tableAreas.clear();
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

    const bool wantTables = totalTables > 0 && catalogue.tables.first().name.isEmpty() && options.tableInfo;
    if (totalTables == 0)
        m_host.closeTableViewer();
    const bool wantInfo =
        (options.jobInfo || options.argInfo || options.resultInfo) && catalogue.jobInfo.first().isEmpty();

    // The tables and the info texts are independent of each other and of the
    // windows: on a large description they are read on all cores at once.
    int unknownKeys = 0;
    const QString noInfoText = m_texts.text(78);
    // Done once, by whichever thread comes to it first.
    std::atomic<bool> infoTaken{false};
    std::function<void()> infoTask;
    if (wantInfo)
        infoTask = [&] {
            if (!infoTaken.exchange(true))
                unknownKeys = readInfoTexts(catalogue, files, noInfoText);
        };
    // With a megabyte of tables or more, the info texts begin on a kept
    // thread at once, while this one locates the tables; that thread then
    // takes its share of the tables. On a busy machine the thread may get to
    // run only later: the texts are then read by this one when the tables
    // are located.
    qint64 tableBytesAtMost = 0;
    for (const FileInfo &f : files)
        tableBytesAtMost += qMax<qint32>(f.tableAreaEnd, 0);
    EarlyTask early;
    const bool beginEarly =
        wantInfo && wantTables && tableBytesAtMost >= bytesWorthAThread && QThread::idealThreadCount() > 1;
    if (beginEarly)
        early.start(infoTask);
    TablePlan plan;
    if (wantTables)
        planTables(catalogue, files, totalTables, options, plan);
    runTables(catalogue, plan, infoTask, beginEarly ? &early : nullptr);
    if (wantTables)
        finishTables(catalogue, plan, options);
    for (int k = 0; k < unknownKeys; ++k)
        m_host.beep();
}

void CatalogueFill::planTables(JobCatalogue &catalogue, const QList<FileInfo> &files, qint64 totalTables,
                               const CatalogueOptions &options, TablePlan &plan)
{
    // A locator that reports absurd counts must not make us allocate without bound.
    constexpr qint64 maxTables = 1'000'000;
    totalTables = qMin(totalTables, maxTables);
    catalogue.tables = QList<TableDescription>(totalTables);
    catalogue.tableAreas = QList<QByteArray>(files.size());
    catalogue.tableErrorFlag = false;
    catalogue.tableErrorText.clear();
    plan.reader = TableTextReader(options.screenWidthTwips);
    plan.texts = {m_texts.text(511), m_texts.text(512), m_texts.text(513), m_texts.text(514), m_texts.text(515)};
    plan.findings = QList<QString>(totalTables);
    plan.areas = std::vector<TableArea>(size_t(files.size()));

    // From the last base back to file 0, each file's tables take the highest
    // free indexes, its table numbers counting down with the index.
    qint64 index = totalTables - 1;
    for (qsizetype k = files.size() - 1; k >= 0 && index >= 0; --k) {
        const FileInfo &f = files.at(k);
        TableArea &area = plan.areas[size_t(k)];
        area.path = f.path;
        area.highest = index;
        qint64 nextStart = -1;
        qint64 areaStart = -1;
        qint64 areaEnd = -1;
        bool sideBySide = true; // no two ranges overlap
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
            table.area = qint32(k);
            nextStart = entry.start;
            if (table.start >= 0 && table.length > 0) {
                // Counting down, a range must end where the one above begins.
                if (areaStart >= 0 && qint64(table.start) + table.length > areaStart)
                    sideBySide = false;
                areaStart = areaStart < 0 ? table.start : qMin<qint64>(areaStart, table.start);
                areaEnd = qMax<qint64>(areaEnd, qint64(table.start) + table.length);
            }
        }
        area.lowest = index + 1;
        area.start = areaStart;
        for (qint64 t = area.lowest; t <= area.highest; ++t)
            catalogue.tables[t].areaOffset = qint64(catalogue.tables[t].start) - areaStart;
        if (areaStart < 0)
            continue;

        area.file = std::make_unique<QFile>(f.path);
        if (!area.file->open(QIODevice::ReadOnly | QIODevice::Unbuffered) || area.file->size() <= areaStart) {
            area.file.reset();
            continue;
        }
        areaEnd = qMin(areaEnd, area.file->size());
        if (sideBySide) {
            // Each group of tables is read by whoever measures it, while its
            // bytes are still in the processor's cache.
            catalogue.tableAreas[k] = alignedLike(areaStart, areaEnd - areaStart);
            area.readPerTable = true;
        } else {
            catalogue.tableAreas[k] = readRange(f.path, areaStart, areaEnd - areaStart);
            area.file.reset();
        }
        plan.bytes += areaEnd - areaStart;

        // Groups of about a quarter megabyte: few system calls, and a group
        // still fits the processor's cache.
        constexpr qint64 groupBytes = 256 * 1024;
        TableGroup group;
        group.area = size_t(k);
        group.first = area.lowest;
        group.start = -1;
        for (qint64 t = area.lowest; t <= area.highest; ++t) {
            const TableDescription &table = catalogue.tables.at(t);
            if (table.start >= 0 && table.length > 0) {
                if (group.start < 0)
                    group.start = table.start;
                group.end = qMin(qint64(table.start) + table.length, areaEnd);
            }
            if (t == area.highest || (group.start >= 0 && group.end - group.start >= groupBytes)) {
                group.last = t;
                plan.groups.push_back(group);
                group.first = t + 1;
                group.start = -1;
                group.end = 0;
            }
        }
    }
    plan.lowest = index + 1;
    plan.highest = totalTables - 1;
}

void CatalogueFill::runTables(JobCatalogue &catalogue, TablePlan &plan, const std::function<void()> &other,
                              EarlyTask *early)
{
    // Raw pointers, taken before any thread starts: the lists are not
    // detached or resized while the work runs.
    TableDescription *const tables = catalogue.tables.data();
    std::vector<char *> areaData;
    std::vector<qint64> areaSize;
    for (qsizetype k = 0; k < catalogue.tableAreas.size(); ++k) {
        areaData.push_back(catalogue.tableAreas[k].data());
        areaSize.push_back(catalogue.tableAreas.at(k).size());
    }
    QString *const findings = plan.findings.data();

    const auto measure = [&](const TableGroup &group) {
        TableArea &area = plan.areas[group.area];
        char *const data = areaData[group.area];
        const qint64 size = areaSize[group.area];
        if (area.readPerTable && group.start >= 0 && group.end > group.start) {
            char *const bytes = data + (group.start - area.start);
            const qint64 length = group.end - group.start;
            qint64 done = 0;
            while (done < length) {
                const ssize_t got =
                    ::pread(area.file->handle(), bytes + done, size_t(length - done), group.start + done);
                if (got <= 0)
                    break;
                done += got;
            }
            if (done != length) {
                // Read again in one piece once all threads are done.
                area.failed.store(true);
                return;
            }
        }
        for (qint64 t = group.first; t <= group.last; ++t) {
            TableDescription &table = tables[t];
            if (table.length <= 0 || table.areaOffset < 0 || table.areaOffset >= size)
                continue;
            const qint64 length = qMin<qint64>(table.length, size - table.areaOffset);
            plan.reader.scan(QByteArrayView(data + table.areaOffset, length), table, plan.texts, findings[t]);
        }
    };

    // Item 0 is the other task; items 1... are the groups of tables.
    const qint64 items = 1 + qint64(plan.groups.size());
    std::atomic<qint64> next{other ? 0 : 1};
    const std::function<void()> work = [&] {
        for (qint64 item = next.fetch_add(1); item < items; item = next.fetch_add(1)) {
            if (item == 0)
                other();
            else
                measure(plan.groups[size_t(item - 1)]);
        }
    };

    int helpers = plan.bytes >= bytesWorthAThread ? qBound(0, QThread::idealThreadCount() - 1, 3) : 0;
    if (early)
        helpers = qMax(0, helpers - 1);
    const auto helpersDone = std::make_shared<Completion>();
    helpersDone->add(helpers);
    // Whatever happens, the other threads are done with this frame before it goes.
    struct WaitForHelpers {
        Completion &helpers;
        EarlyTask *early;
        ~WaitForHelpers()
        {
            helpers.wait();
            if (early)
                early->finish();
        }
    } waitForHelpers{*helpersDone, early};
    if (early)
        early->hand(&work);
    for (int h = 0; h < helpers; ++h)
        KeptThreads::instance().run([helpersDone, &work] {
            work();
            helpersDone->finishOne();
        });
    work();
}

void CatalogueFill::finishTables(JobCatalogue &catalogue, TablePlan &plan, const CatalogueOptions &options)
{
    // A file that changed under the reading is taken as it is now, in one piece.
    for (size_t k = 0; k < plan.areas.size(); ++k) {
        TableArea &area = plan.areas[k];
        area.file.reset();
        if (!area.failed.load())
            continue;
        QByteArray &bytes = catalogue.tableAreas[qsizetype(k)];
        bytes = readRange(area.path, area.start, bytes.size());
        for (qint64 t = area.lowest; t <= area.highest; ++t) {
            TableDescription &table = catalogue.tables[t];
            table.columnWidth.fill(0);
            plan.findings[t].clear();
            plan.reader.scan(catalogue.tableBytes(int(t)), table, plan.texts, plan.findings[t]);
        }
    }

    TableErrorLog errors;
    errors.descriptionPath = catalogue.descriptionPath;
    errors.texts = plan.texts;
    for (qint64 t = plan.highest; t >= plan.lowest; --t)
        errors.add(plan.findings.at(t));
    catalogue.tableErrorFlag = errors.flag;
    if (errors.flag) {
        catalogue.tableErrorFilePath = options.tableErrorFilePath;
        catalogue.tableErrorFileWritten = TableErrorFile::write(options.tableErrorFilePath, errors.text).ok();
    }
    catalogue.tableErrorText.clear();
}

int CatalogueFill::readInfoTexts(JobCatalogue &catalogue, const QList<FileInfo> &files, const QString &noInfoText)
{
    int unknownKeys = 0;
    catalogue.lastFilledJob = -1;
    InfoBlockParser parser(catalogue, [&unknownKeys] { ++unknownKeys; });
    const qsizetype entries = catalogue.jobList.size();
    for (qsizetype k = 0; k < files.size(); ++k) {
        const FileInfo &f = files.at(k);
        if (f.infoOffset > 0 && f.infoLength > 0) {
            // Handed over, so that it is unscrambled where it was read to.
            QByteArray block = readRange(f.path, f.infoOffset, f.infoLength);
            if (k == 0)
                parser.parseDescription(std::move(block));
            else
                parser.parseBase(std::move(block), UsesExtension::baseName(catalogue, int(k - 1)));
            continue;
        }
        // Without an info block every entry not yet filled gets a placeholder.
        for (qsizetype j = catalogue.lastFilledJob + 1; j < entries && j < catalogue.jobInfo.size(); ++j) {
            const QString &entry = catalogue.jobList.at(j);
            if (JobCatalogue::isSeparator(entry))
                catalogue.jobInfo[j] = kCrLf;
            else
                catalogue.jobInfo[j] =
                    QStringLiteral("name      : ") + entry.toUpper() + kCrLf + kCrLf + noInfoText + QLatin1Char('.');
        }
        catalogue.lastFilledJob = qint32(qMax<qsizetype>(entries - 1, catalogue.lastFilledJob));
    }
    return unknownKeys;
}

} // namespace kitbox
