// The fault-memory report against the runtime engine and the demo fleet, as
// the user sees it after F5 on the memory jobs, and the same through
// kitbox32-cli run.
#include <gtest/gtest.h>

#include <QProcess>

#include "FaultMemoryTestSupport.h"
#include "runtime/InProcessVedamisApi.h"

using namespace kitbox;
using namespace kitbox::testing;

namespace {

QStringList lines(const QString &report)
{
    return report.split(QStringLiteral("\r\n"));
}

// The lines of the report from the first one equal to start on, count of them.
QStringList linesFrom(const QString &report, const QString &start, qsizetype count)
{
    const QStringList all = lines(report);
    const qsizetype at = all.indexOf(start);
    if (at < 0)
        return {QStringLiteral("<no line \"%1\">").arg(start)};
    return all.mid(at, count);
}

QString env(const QString &name, const QString &rest)
{
    return u"   " + pad(name, 40) + rest;
}
QString rawEnv(const QString &name, const QString &value, const QString &unit)
{
    return u"   " + pad(name, 20) + u' ' + value.rightJustified(28) + u"  " + unit;
}

const QString fs = QStringLiteral("fs_lesen");
constexpr int detailWord = faultmode::defaultWord | faultmode::detail;

class DemoFaultMemory : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_api = new InProcessVedamisApi;
        ASSERT_TRUE(s_api->apiInit());
        ASSERT_TRUE(s_api->apiSetConfig(QStringLiteral("EcuPath"), QStringLiteral(KITBOX_DATA_DIR "/ecu")));
        ASSERT_TRUE(s_api->apiSetConfig(QStringLiteral("SimulationPath"), QStringLiteral(KITBOX_DATA_DIR "/sim")));
        ASSERT_TRUE(s_api->apiSetConfig(QStringLiteral("Simulation"), QStringLiteral("1")));
    }
    static void TearDownTestSuite()
    {
        s_api->apiEnd();
        delete s_api;
        s_api = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(texts.loadBuiltIn().ok());
        texts.selectLanguage(QStringLiteral("D"));
    }
    QString build(const QString &sgbd, const QString &job, int mode) { return report.build(sgbd, job, mode); }

    static InProcessVedamisApi *s_api;
    TextCatalogue texts;
    FakeClock clock{QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3))};
    FehlerspeicherAusgabe report{*s_api, texts, clock};
};

InProcessVedamisApi *DemoFaultMemory::s_api = nullptr;

} // namespace

TEST_F(DemoFaultMemory, UdsEngineDetailReport)
{
    const QString out = build(QStringLiteral("D_MOTOR"), fs, detailWord);
    ASSERT_EQ(report.lastGeneration(), 3) << out.toStdString();
    EXPECT_EQ(linesFrom(out, QString(11, u' ') + QStringLiteral("F E H L E R S P E I C H E R   L E S E N"), 10),
              QStringList({QString(11, u' ') + QStringLiteral("F E H L E R S P E I C H E R   L E S E N"),
                           QString(11, u' ') + rule(u'-', 39), QString(),
                           QStringLiteral("Datum:     07.03.2026, 09:05:03"), QStringLiteral("JobStatus: OKAY"),
                           QStringLiteral("Variante:  D_MOTOR.PRG"), QStringLiteral("Version:   2.17"), rule(u'-'),
                           QString(), QStringLiteral("ERGEBNIS:  3 Fehler im Fehlerspeicher !")}));

    // Two environment records with headings, time lines, hex and 0-n values.
    EXPECT_EQ(
        linesFrom(out, QStringLiteral("0x120308   Zündaussetzer Zylinder 3"), 26),
        QStringList({QStringLiteral("0x120308   Zündaussetzer Zylinder 3"),
                     QString(),
                     QStringLiteral("P0303 Zylinder 3: Verbrennungsaussetzer erkannt"),
                     QString(),
                     QStringLiteral("Fehlerhäufigkeit:  5"),
                     QStringLiteral("Heilungszähler  : wird nicht unterstützt"),
                     QStringLiteral("1. Umweltsatz"),
                     env(QStringLiteral("Absolute Zeit"), QStringLiteral("  3600     s")),
                     env(QStringLiteral("Kilometerstand"), QStringLiteral(" 12345     km")),
                     env(QStringLiteral("Motordrehzahl"), QStringLiteral("   850.50  1/min")),
                     env(QStringLiteral("Kühlmitteltemperatur"), QStringLiteral("    85.00  degC")),
                     QStringLiteral("2. Umweltsatz"),
                     env(QStringLiteral("Absolute Zeit"), QStringLiteral("  7200     s")),
                     env(QStringLiteral("Kilometerstand"), QStringLiteral(" 12756     km")),
                     env(QStringLiteral("Motordrehzahl"), QStringLiteral("  1000.00  1/min")),
                     rawEnv(QStringLiteral("Status Drosselklappe"), QStringLiteral("0x05"), QStringLiteral("hex")),
                     rawEnv(QStringLiteral("Anzahl Startversuche"), QStringLiteral("3"), QStringLiteral("0-n")),
                     QString(),
                     QStringLiteral("   Fehlertest abgeschlossen"),
                     QStringLiteral("   Fehler momentan vorhanden"),
                     QStringLiteral("   keine Warnlampe"),
                     QStringLiteral("   Dies ist kein Ereignis-DTC. Das SG ist für den Fehlerspeichereintrag (DTC) "
                                    "verantwortlich."),
                     QString(),
                     QStringLiteral("Fehlercode: 12 03 08 2F"),
                     rule(u'-'),
                     QString()}));

    // One record: no heading; a code without standard form; the overflow box; no mileage line for 524280.
    EXPECT_EQ(linesFrom(out, QStringLiteral("0x1A2B00   Kühlmitteltemperaturfühler; Signal unplausibel"), 10).mid(4),
              QStringList({QStringLiteral("Fehlerhäufigkeit:  2"), QStringLiteral("Heilungszähler  : 40"),
                           env(QStringLiteral("Kilometerstand"), QStringLiteral(" 12346     km")),
                           env(QStringLiteral("Motordrehzahl"), QStringLiteral("   750.00  1/min")),
                           env(QStringLiteral("Kühlmitteltemperatur"), QStringLiteral("     8.00  degC")),
                           env(QStringLiteral("Saugrohrdruck"), QStringLiteral("  1000.00  hPa"))}));
    EXPECT_EQ(linesFrom(out, QStringLiteral("0x4C1007   Drosselklappe \"Position 1\" klemmt"), 13).mid(1),
              QStringList({QString(), QStringLiteral("2135  Drosselklappensensoren 1/2: Spannungen unplausibel"),
                           QString(), rule(u'+', 79),
                           rule(u'+', 24) + QStringLiteral(" Fehlerspeicher ist übergelaufen! ") + rule(u'+', 21),
                           rule(u'+', 79), QString(), QStringLiteral("Fehlerhäufigkeit:  1"),
                           QStringLiteral("Heilungszähler  :  0"),
                           env(QStringLiteral("Saugrohrdruck"), QStringLiteral("   990.00  hPa")), QString(),
                           QStringLiteral("   Fehlertest abgeschlossen")}));
    EXPECT_TRUE(out.endsWith(u"\r\nFehlercode: 4C 10 07 88\r\n" + rule(u'=') + u"\r\n"));
    EXPECT_EQ(report.lastErrorCode(), 0);
}

TEST_F(DemoFaultMemory, UdsEngineShortBlocksAndModeBitAlone)
{
    QString out = build(QStringLiteral("D_MOTOR"), fs, faultmode::defaultWord);
    EXPECT_EQ(
        linesFrom(out, QStringLiteral("0x4C1007   Drosselklappe \"Position 1\" klemmt"), 9),
        QStringList({QStringLiteral("0x4C1007   Drosselklappe \"Position 1\" klemmt"), QString(),
                     QStringLiteral("   Fehlertest abgeschlossen"),
                     QStringLiteral("   Fehler momentan nicht vorhanden"), QStringLiteral("   Warnlampe ein"),
                     QStringLiteral("   Dies ist kein Ereignis-DTC. Das SG ist für den Fehlerspeichereintrag (DTC) "
                                    "verantwortlich."),
                     QString(), QStringLiteral("Fehlercode: 4C 10 07 88"), rule(u'=')}));
    EXPECT_FALSE(out.contains(u"Umweltsatz"));
    EXPECT_FALSE(out.contains(u"P0303"));

    out = build(QStringLiteral("D_MOTOR"), fs, faultmode::zemo);
    EXPECT_TRUE(out.endsWith(u"\r\nERGEBNIS:  3 Fehler im Fehlerspeicher !\r\n" + rule(u'=') + u"\r\n"));
    EXPECT_EQ(lines(out).size(), 12);
}

TEST_F(DemoFaultMemory, UdsEngineInfoAndHistoryMemory)
{
    QString out = build(QStringLiteral("D_MOTOR"), QStringLiteral("is_lesen"), detailWord);
    EXPECT_TRUE(out.startsWith(QString(11, u' ') + QStringLiteral("I N F O S P E I C H E R   L E S E N\r\n")));
    EXPECT_TRUE(out.contains(u"\r\n0x930100   Info: Motor überdreht\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n   Dies ist ein Ereignis-DTC. Das SG ist somit nicht für den Fehlerspeichereintrag "
                             u"verantwortlich.\r\n   (Z.B. falsche oder fehlende Netzwerkinformationen.)\r\n"));
    EXPECT_TRUE(out.contains(env(QStringLiteral("Motordrehzahl"), QStringLiteral("  2000.00  1/min"))));

    out = build(QStringLiteral("D_MOTOR"), QStringLiteral("hs_lesen"), detailWord);
    EXPECT_TRUE(
        out.startsWith(QString(11, u' ') + QStringLiteral("H I S T O R I E N S P E I C H E R   L E S E N\r\n")));
    EXPECT_EQ(linesFrom(out, QStringLiteral("0x556677   unbekannter Fehlerort"), 7),
              QStringList({QStringLiteral("0x556677   unbekannter Fehlerort"),
                           QStringLiteral("hs_lesen_detail: JobStatus: ERROR_ECU_RESPONSE_TOO_SHORT --> Umweltsatz 1 "
                                          "unvollständig"),
                           QString(), QStringLiteral("Telegramm-Antwort ab Service Identifier zur Analyse"),
                           QStringLiteral("Data      : 59 06 55 66 77 08 01 01   00 00"),
                           QStringLiteral("Snapshot  : 59 04 55 66 77 08 01 05   00"), rule(u'=')}));
    EXPECT_TRUE(out.contains(u"\r\n0x120308   Zündaussetzer Zylinder 3\r\n"));
}

TEST_F(DemoFaultMemory, OlderEngineFirstGeneration)
{
    const QString out = build(QStringLiteral("D_ALT"), fs, faultmode::defaultWord);
    ASSERT_EQ(report.lastGeneration(), 1) << out.toStdString();
    EXPECT_EQ(linesFrom(out, QStringLiteral("Datum:     07.03.26 09:05"), 7),
              QStringList({QStringLiteral("Datum:     07.03.26 09:05"), QStringLiteral("ECU:       D_ALT"),
                           QStringLiteral("JobStatus: OKAY"), QStringLiteral("Variante:  D_ALT"), rule(u'-'), QString(),
                           QStringLiteral("ERGEBNIS:  2 Fehler im Fehlerspeicher !")}));
    EXPECT_EQ(linesFrom(out, QStringLiteral("16    Luftmassenmesser"), 14),
              QStringList({QStringLiteral("16    Luftmassenmesser"), QString(), QStringLiteral("Fehlerhäufigkeit: 3"),
                           QStringLiteral("Logistikzähler  : 40"), QString(),
                           env(QStringLiteral("Kühlmitteltemperatur"), QStringLiteral("    85.00  degC")),
                           env(QStringLiteral("Motordrehzahl"), QStringLiteral("   840.00  1/min")),
                           env(QStringLiteral("Batteriespannung"), QStringLiteral("    14.00  V")), QString(),
                           QStringLiteral("   Signal zu groß"), QStringLiteral("   Fehler momentan vorhanden"),
                           QString(), QStringLiteral("Fehlercode: 00 10 41"), rule(u'-')}));
    EXPECT_TRUE(out.endsWith(rule(u'=') + u"\r\n"));
}

TEST_F(DemoFaultMemory, DieselSecondGenerationAndAnEmptyMemory)
{
    const QString motor2 = QStringLiteral("D_MOTOR2");
    QString out = build(motor2, fs, detailWord);
    ASSERT_EQ(report.lastGeneration(), 2) << out.toStdString();
    EXPECT_TRUE(out.contains(u"\r\nDatum:     07.03.2026 09:05:03\r\nECU:       D_MOTOR2\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n2A0100  Raildruck zu niedrig\r\n\r\nP0087 Raildruck zu niedrig\r\n\r\n"
                             u"Fehlerhäufigkeit: 3\r\n\r\n1. Umweltbedingung\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n\r\n2. Umweltbedingung\r\n" +
                             env(QStringLiteral("Kilometerstand"), QStringLiteral(" 21420     km")) + u"\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n   Test seit dem Löschen fehlgeschlagen\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n   Fehler bestätigt\r\n   Fehler im aktuellen Fahrzyklus\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n671   Glühkerzenkreis Zylinder 1\r\n\r\nP0671-00 Glühkerze 1: Stromkreis offen\r\n"
                             u"\r\nFehlerhäufigkeit: 1\r\nLogistikzähler  : 39\r\n"));

    out = build(motor2, QStringLiteral("is_lesen"), detailWord);
    EXPECT_EQ(report.lastGeneration(), 2);
    EXPECT_TRUE(out.endsWith(u"\r\n\r\n" + QString(11, u' ') +
                             QStringLiteral(">>>>>>>>>> Kein Fehler gefunden <<<<<<<<<<<\r\n") + rule(u'=') + u"\r\n"));
}

TEST_F(DemoFaultMemory, CommandLineToolPrintsTheSameReport)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEDAMIS_INI"), QString());
    environment.remove(QStringLiteral("KITBOX_RUNTIME_LIBRARY"));
    process.setProcessEnvironment(environment);
    auto run = [&](const QStringList &arguments) {
        process.start(QStringLiteral(KITBOX_BIN_DIR "/kitbox32-cli"),
                      QStringList{QStringLiteral("run"), QStringLiteral(KITBOX_DATA_DIR "/ecu/D_ALT.prg")} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    // The date line comes from the real clock; everything after it is the report the window shows.
    const QString fromCli = run({fs, QStringLiteral("--fault-mode"), QStringLiteral("1919")});
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QString inWindow = build(QStringLiteral("D_ALT"), fs, faultmode::defaultWord);
    EXPECT_EQ(fromCli.section(QStringLiteral("ECU:"), 1), inWindow.section(QStringLiteral("ECU:"), 1));

    const QString ordinary = run({fs, QStringLiteral("--fault-mode"), QStringLiteral("1663")});
    EXPECT_TRUE(ordinary.startsWith(u"apiJob(\"D_ALT\",\"fs_lesen\",\"\",\"\")\r\n"));

    EXPECT_TRUE(run({fs, QStringLiteral("--fault-mode"), QStringLiteral("65536")}).isEmpty());
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().startsWith("--fault-mode needs a number from 0 to 65535"));
}
