// Loading the bundled demo descriptions with the real runtime and locator.
#include "CatalogueTestSupport.h"
#include "catalogue/CatalogueFill.h"
#include "catalogue/DescriptionLoader.h"
#include "catalogue/JobInfoReference.h"
#include "catalogue/SifterEntryPoints.h"
#include "catalogue/TableViewer.h"
#include "runtime/InProcessVedamisApi.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::test;

namespace {

class DemoDataTest : public CatalogueFixtureOf<InProcessVedamisApi, InProcessSifterApi> {
protected:
    void SetUp() override
    {
        ecuDir = QStringLiteral(KITBOX_DATA_DIR) + s("/ecu");
        if (!QFileInfo::exists(ecuDir + s("/D_MOTOR.prg")))
            GTEST_SKIP() << "demo descriptions not built";
        CatalogueFixtureOf::SetUp();
        QFile source(ecuDir + s("/D_MOTOR.prg"));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        engineBytes = source.readAll();
    }
    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile out(path);
        return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size();
    }
    bool load(const QString &path)
    {
        return DescriptionLoader(api, sifter, dialogs, texts, host).load(catalogue, path, options);
    }

    QString ecuDir;
    QByteArray engineBytes;
};

QString lineWith(const QString &text, const QString &part)
{
    return JobInfoReference::lineAt(text, text.indexOf(part));
}

} // namespace

TEST_F(DemoDataTest, CorruptedFilesNeverCrashTheFill)
{
    const QString path = dir.filePath(s("D_MOTOR.PRG"));
    FakeVedamisApi noBases;
    ASSERT_TRUE(noBases.apiInit());
    QRandomGenerator random(20261205);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = engineBytes;
        const int flips = 1 + int(random.bounded(20));
        for (int f = 0; f < flips; ++f)
            bytes[qsizetype(random.bounded(quint32(bytes.size())))] = char(random.bounded(256));
        if (round % 3 == 0)
            bytes.truncate(qsizetype(random.bounded(quint32(bytes.size()))));
        ASSERT_TRUE(writeFile(path, bytes));
        JobCatalogue c;
        c.loadedName = s("D_MOTOR");
        c.descriptionPath = path;
        c.jobList = {s("ident"), s("status_lesen")};
        CatalogueFill(noBases, sifter, texts, host).run(c, dir.path(), 2, true, options);
        EXPECT_EQ(c.jobInfo.size(), 3);
    }
}

// The engine description's own then inherited jobs, and its tables as the
// viewer meets them: the list with the inherited tables, and job texts (own
// and inherited) that name a table and its columns.
TEST_F(DemoDataTest, EngineJobsThenBaseJobsAndJobTextsLeadToTheirTables)
{
    options.tableInfo = options.jobInfo = true;
    ASSERT_TRUE(load(ecuDir + s("/D_MOTOR.prg")));
    EXPECT_TRUE(host.runtimeErrors.isEmpty()) << host.runtimeErrors.join(s("|")).toStdString();
    const qsizetype separator = catalogue.jobList.indexOf(s("---- uses: d_basis"));
    ASSERT_GT(separator, 0);
    ASSERT_LT(separator, catalogue.jobList.size() - 1);
    // Jobs the engine redefines appear once, before the separator.
    for (const QString &job : catalogue.jobList)
        EXPECT_EQ(catalogue.jobList.count(job), 1) << job.toStdString();
    EXPECT_TRUE(host.ecuInfoEnabled);
    EXPECT_TRUE(catalogue.jobInfo[0].startsWith(s("name      : ")));
    // The separator collects only line ends (from the redefined base job's comments).
    EXPECT_EQ(QString(catalogue.jobInfo[separator]).remove(s("\r\n")), QString());
    EXPECT_EQ(catalogue.argSummary[separator], QString());
    for (qsizetype j = separator + 1; j < catalogue.jobList.size(); ++j)
        EXPECT_TRUE(catalogue.jobInfo[j].startsWith(s("---- uses : D_BASIS\r\nname      : ")))
            << catalogue.jobList[j].toStdString() << ": " << catalogue.jobInfo[j].toStdString();
    EXPECT_TRUE(catalogue.isUdsSgbd);

    FakeView view;
    TableViewer viewer(catalogue, view, dialogs, texts);
    viewer.rebuildList();
    EXPECT_EQ(viewer.entries().value(0), s("SG_FUNKTIONEN[14][13]"));
    EXPECT_TRUE(viewer.entries().contains(s("JOBRESULT[3][10] ---- uses: d_basis")));

    struct Case {
        const char *job;
        const char *table;
        const char *base;
        QList<bool> marked;
    } cases[] = {
        {"status_motor", "TAB_MOTOR_ZUSTAND", "", {true, true}},
        {"diagnose_ende", "JOBRESULT", "d_basis", {true, true, false}},
    };
    for (const Case &c : cases) {
        const QString info = catalogue.jobInfoAt(int(catalogue.jobList.indexOf(s(c.job))));
        const auto ref = JobInfoReference::onLine(lineWith(info, s("TABLE ")));
        ASSERT_TRUE(ref.has_value()) << c.job << info.toStdString();
        const int table = JobInfoReference::resolve(catalogue, info, ref->tableName);
        ASSERT_GE(table, 0) << c.job;
        EXPECT_EQ(catalogue.tables.at(table).name, s(c.table));
        EXPECT_EQ(catalogue.tables.at(table).baseName, s(c.base));
        viewer.openTable(table, ref->searchValue);
        EXPECT_EQ(viewer.currentLevel(), 1);
        for (int col = 0; col < c.marked.size(); ++col)
            EXPECT_EQ(viewer.model().isMarked(col), c.marked.at(col)) << c.job << " column " << col;
    }
}
