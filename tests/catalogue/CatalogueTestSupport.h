#pragma once
// Building blocks for the catalogue tests: scrambled info blocks and tables,
// description-like files with located ranges, and a host that records.
#include "catalogue/CatalogueFill.h"
#include "catalogue/CatalogueHost.h"
#include "catalogue/FakeSifterApi.h"
#include "catalogue/JobCatalogue.h"
#include "catalogue/TableViewer.h"
#include "runtime/FakeVedamisApi.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <type_traits>

#include <gtest/gtest.h>

namespace kitbox::test {

inline QString s(const char *text)
{
    return QString::fromUtf8(text);
}

inline QByteArray scrambled(QByteArray plain)
{
    for (char &c : plain)
        c = char(c ^ 0x6B);
    return plain;
}

// Info lines "KEY:value", each ended by LF.
inline QByteArray infoBlock(const QStringList &lines)
{
    QByteArray plain;
    for (const QString &line : lines)
        plain += line.toUtf8() + '\n';
    return plain;
}

// Cells row by row, each ended by NUL.
inline QByteArray tableBytes(const QStringList &cells)
{
    QByteArray plain;
    for (const QString &cell : cells)
        plain += cell.toUtf8() + '\0';
    return plain;
}

struct TableSpec {
    QString name;
    int columns = 1;
    int rows = 0;
    QByteArray plain; // unscrambled cells
};

// Writes a file of a leading filler, the scrambled info block and the scrambled
// tables, and the locator answers that point to them.
inline FakeSifterFile writeDescriptionFile(const QString &path, const QByteArray &info, const QList<TableSpec> &tables)
{
    FakeSifterFile located;
    QByteArray bytes("KBX-TEST-HEADER-");
    if (!info.isEmpty()) {
        located.infoOffset = qint32(bytes.size());
        located.infoLength = qint32(info.size());
        bytes += scrambled(info);
    }
    for (const TableSpec &t : tables) {
        SifterTable entry;
        entry.name = t.name;
        entry.start = qint32(bytes.size());
        entry.columnCount = t.columns;
        entry.rowCount = t.rows;
        located.tables.append(entry);
        bytes += scrambled(t.plain);
    }
    located.tableAreaEnd = qint32(bytes.size());
    bytes += "TRAILER";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return located;
}

// Adds a table to a catalogue from its cells, row by row (column names first).
inline void addPlainTable(JobCatalogue &catalogue, const QString &name, const QList<QStringList> &rows,
                          const QString &base = {})
{
    TableDescription t;
    t.name = name;
    t.baseName = base;
    t.columnCount = rows.isEmpty() ? 0 : int(rows.first().size());
    t.rowCount = int(rows.size()) - 1;
    QStringList cells;
    for (const QStringList &row : rows)
        cells += row;
    const QByteArray bytes = scrambled(tableBytes(cells));
    t.area = int(catalogue.tableAreas.size());
    t.length = qint32(bytes.size());
    for (int c = 0; c < t.columnCount; ++c)
        t.columnWidth[size_t(c)] = c == 0 ? 120 : 600;
    catalogue.tableAreas.append(bytes);
    catalogue.tables.append(t);
}

inline FakeResult text(const QString &name, const QString &value)
{
    FakeResult r;
    r.name = name;
    r.text = value;
    return r;
}

// "_JOBS" answer: VARIANTE in set 0, one JOBNAME per set.
inline QList<FakeResultSet> jobsAnswer(const QString &variant, const QStringList &jobs)
{
    QList<FakeResultSet> sets;
    sets.append(FakeResultSet{text(QStringLiteral("VARIANTE"), variant)});
    for (const QString &job : jobs)
        sets.append(FakeResultSet{text(QStringLiteral("JOBNAME"), job)});
    return sets;
}

// "_VERSIONINFO" answer with USES0.. and REVISION in set 1.
inline QList<FakeResultSet> versionAnswer(const QStringList &uses)
{
    FakeResultSet set1{text(QStringLiteral("REVISION"), QStringLiteral("1.0"))};
    for (int i = 0; i < uses.size(); ++i)
        set1.append(text(QStringLiteral("USES") + QString::number(i), uses.at(i)));
    return {FakeResultSet{}, set1};
}

class RecordingHost : public CatalogueHost {
public:
    QStringList events;
    int beeps = 0;
    QStringList shownJobs;
    QString caption;
    bool ecuInfoEnabled = false;
    QStringList runtimeErrors;

    void setBusy(bool busy) override { events.append(busy ? QStringLiteral("busy") : QStringLiteral("idle")); }
    void beep() override { ++beeps; }
    void reportRuntimeError(qint16 code, const QString &text) override
    {
        runtimeErrors.append(QString::number(code) + QStringLiteral(" : ") + text);
    }
    void closeTableViewer() override { events.append(QStringLiteral("closeTableViewer")); }
    void addRecentFile(const QString &path) override { events.append(QStringLiteral("recent ") + path); }
    void resetJobWindow() override { events.append(QStringLiteral("reset")); }
    void setJobWindowCaption(const QString &c) override { caption = c; }
    void setEcuInfoEnabled(bool enabled) override { ecuInfoEnabled = enabled; }
    void closeDetailWindows() override { events.append(QStringLiteral("closeDetailWindows")); }
    void showJobList(const QStringList &jobs) override { shownJobs = jobs; }
    void reinitTableViewer() override { events.append(QStringLiteral("reinitTableViewer")); }
};

// The table viewer's view: where it stands and where it was told to scroll.
class FakeView : public TableViewerView {
public:
    int row = 1;
    int column = 1;
    QList<int> shown;
    QList<QPair<int, int>> scrolls;
    int firstVisibleRow() const override { return row; }
    int firstVisibleColumn() const override { return column; }
    void scrollTo(int r, int c) override { scrolls.append({r, c}); }
    void tableShown(int table) override { shown.append(table); }
    void navigationChanged() override {}
};

// A runtime and locator (scripted ones unless told) over a temporary
// description directory.
template <typename Api = FakeVedamisApi, typename Sifter = FakeSifterApi>
class CatalogueFixtureOf : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(texts.loadBuiltIn().ok());
        ASSERT_TRUE(api.apiInit());
        if constexpr (std::is_same_v<Api, FakeVedamisApi>)
            api.setConfig(s("EcuPath"), dir.path());
        options.tableErrorFilePath = dir.filePath(s("kitbox32.ERR"));
    }
    void TearDown() override { api.apiEnd(); }
    // Writes a description-like file and lets the locator point into it.
    void describe(const QString &path, const QByteArray &info, const QList<TableSpec> &tables)
    {
        sifter.setFile(path, writeDescriptionFile(path, info, tables));
    }

    QTemporaryDir dir;
    TextCatalogue texts;
    Api api;
    Sifter sifter;
    ScriptedDialogService dialogs;
    RecordingHost host;
    JobCatalogue catalogue;
    CatalogueOptions options;
};
using CatalogueFixture = CatalogueFixtureOf<>;

// A named child of a window.
template <typename T, typename W> T *child(W &w, const char *name)
{
    return w.template findChild<T *>(QString::fromUtf8(name));
}

} // namespace kitbox::test
