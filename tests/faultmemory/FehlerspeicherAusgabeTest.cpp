// The fault-memory report against a scripted runtime: the three layouts,
// the option bits, the question-mark markers and the error lines.
#include "FaultMemoryTestSupport.h"

using namespace kitbox;
using namespace kitbox::testing;

namespace {

const QString ALT = QStringLiteral("D_ALT");
const QString MOTOR = QStringLiteral("D_MOTOR");
const QString fs = QStringLiteral("fs_lesen");
constexpr int defaultWord = faultmode::defaultWord;                    // 1919
constexpr int detailWord = faultmode::defaultWord | faultmode::detail; // 3967

const QString title = QString(11, u' ');
const QString underline = QString(11, u' ') + rule(u'-', 39);

FakeResultSet variant(const QString &name)
{
    return {txt(QStringLiteral("VARIANTE"), name)};
}
FakeResultSet okay()
{
    return {txt(QStringLiteral("JOB_STATUS"), QStringLiteral("OKAY"))};
}

// Two faults in the oldest layout: the first with two groups of environment
// conditions and fault types, the second with a single group and nothing else.
void scriptFirstGeneration(DetailRuntime &rt, const QString &job)
{
    FakeResultSet first = {
        formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-5I"), QStringLiteral("42   ")),
        txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Drosselklappe")),
        txt(QStringLiteral("F_HFK"), QStringLiteral("3")),
        txt(QStringLiteral("F_LZ"), QStringLiteral("12")),
        num(QStringLiteral("F_UW_ANZ"), 4),
        num(QStringLiteral("F_UW_SATZ"), 2),
        num(QStringLiteral("F_ART_ANZ"), 3),
        txt(QStringLiteral("F_ART1_TEXT"), QStringLiteral("Signal zu gross")),
        txt(QStringLiteral("F_ART2_TEXT"), QStringLiteral("--")),
        txt(QStringLiteral("F_ART3_TEXT"), QString()),
        bin(QStringLiteral("F_HEX_CODE"), QByteArray::fromHex("1234ab")),
    };
    const QStringList names = {QStringLiteral("Drehzahl"), QStringLiteral("Temperatur"), QStringLiteral("Drehzahl"),
                               QStringLiteral("Temperatur")};
    const QStringList values = {QStringLiteral("  850.00"), QStringLiteral("   90.50"), QStringLiteral(" 1200.00"),
                                QStringLiteral("   95.00")};
    for (int k = 1; k <= 4; ++k) {
        first << formatted(QStringLiteral("F_UW%1_TEXT").arg(k), QStringLiteral("-40T"), pad(names[k - 1], 40))
              << formatted(QStringLiteral("F_UW%1_WERT").arg(k), QStringLiteral("8.2R"), values[k - 1])
              << txt(QStringLiteral("F_UW%1_EINH").arg(k), k % 2 ? QStringLiteral("1/min") : QStringLiteral("Grad C"));
    }
    const FakeResultSet second = {
        formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-5I"), QStringLiteral("7    ")),
        txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Lambdasonde")),
        txt(QStringLiteral("F_HFK"), QStringLiteral("1")),
        txt(QStringLiteral("F_LZ"), QStringLiteral("0")),
        num(QStringLiteral("F_UW_ANZ"), 1),
        formatted(QStringLiteral("F_UW1_TEXT"), QStringLiteral("-40T"), pad(QStringLiteral("Spannung"), 40)),
        formatted(QStringLiteral("F_UW1_WERT"), QStringLiteral("8.2R"), QStringLiteral("    0.45")),
        txt(QStringLiteral("F_UW1_EINH"), QStringLiteral("V")),
        num(QStringLiteral("F_ART_ANZ"), 0),
    };
    rt.setJobResults(ALT, job, {variant(ALT), first, second, okay()});
}

QStringList firstGenerationHeader(const QString &titleText)
{
    return {title + titleText,
            underline,
            QString(),
            QStringLiteral("Datum:     07.03.26 09:05"),
            QStringLiteral("ECU:       D_ALT"),
            QStringLiteral("JobStatus: OKAY"),
            QStringLiteral("Variante:  D_ALT"),
            rule(u'-')};
}

} // namespace

class FirstGeneration : public FaultMemoryFixture {};

TEST_F(FirstGeneration, FullReportWithEveryBlock)
{
    scriptFirstGeneration(runtime, fs);
    const QString out = build(ALT, fs, defaultWord);
    EXPECT_EQ(report.lastGeneration(), 1);
    QStringList expected = firstGenerationHeader(QStringLiteral("F E H L E R S P E I C H E R   L E S E N"));
    expected << QString() << QStringLiteral("ERGEBNIS:  2 Fehler im Fehlerspeicher !") << rule(u'-') << QString()
             << QStringLiteral("42    Drosselklappe") << QString() << QStringLiteral("Fehlerhäufigkeit: 3")
             << QStringLiteral("Logistikzähler  : 12") << QString()
             << QStringLiteral("   Fehler 1. mal aufgetreten bei:") << QString()
             << u"   " + pad(QStringLiteral("Drehzahl"), 40) + u"   850.00  1/min"
             << u"   " + pad(QStringLiteral("Temperatur"), 40) + u"    90.50  Grad C" << QString()
             << QStringLiteral("   Fehler 2. mal aufgetreten bei:") << QString()
             << u"   " + pad(QStringLiteral("Drehzahl"), 40) + u"  1200.00  1/min"
             << u"   " + pad(QStringLiteral("Temperatur"), 40) + u"    95.00  Grad C" << QString()
             << QStringLiteral("   Signal zu gross") << QString() << QStringLiteral("Fehlercode: 12 34 AB")
             << rule(u'-') << QString() << QStringLiteral("7     Lambdasonde") << QString()
             << QStringLiteral("Fehlerhäufigkeit: 1") << QStringLiteral("Logistikzähler  : 0") << QString()
             << u"   " + pad(QStringLiteral("Spannung"), 40) + u"     0.45  V" << rule(u'=');
    EXPECT_EQ(out, crlf(expected));
    EXPECT_EQ(report.lastErrorCode(), 0);
    // The job ran once to find the layout and once for the report.
    EXPECT_EQ(runtime.argumentsOf(fs), QStringList({QString(), QString()}));
}

TEST_F(FirstGeneration, BitsSwitchTheirLinesAndBit256AloneGivesHeaderAndCount)
{
    scriptFirstGeneration(runtime, fs);
    // Location only; environment without value and unit columns.
    QString out = build(ALT, fs, faultmode::zemo | faultmode::location | faultmode::environment);
    EXPECT_TRUE(out.contains(u"\r\n42    Drosselklappe\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n   " + pad(QStringLiteral("Drehzahl"), 40) + u"\r\n"));
    EXPECT_FALSE(out.contains(u"Fehlerhäufigkeit"));
    EXPECT_FALSE(out.contains(u"Fehlercode"));
    EXPECT_FALSE(out.contains(u"Signal zu gross"));

    // Bit 128 has no meaning of its own but still gives each fault its rule.
    out = build(ALT, fs, faultmode::zemo | 128);
    EXPECT_EQ(out.count(rule(u'-')), 3);

    runtime.clearCalls();
    out = build(ALT, fs, faultmode::zemo);
    QStringList expected = firstGenerationHeader(QStringLiteral("F E H L E R S P E I C H E R   L E S E N"));
    expected << QString() << QStringLiteral("ERGEBNIS:  2 Fehler im Fehlerspeicher !") << rule(u'=');
    EXPECT_EQ(out, crlf(expected));
    EXPECT_EQ(runtime.callCount(QStringLiteral("apiResultText")), 2); // JOB_STATUS and VARIANTE only
}

TEST_F(FirstGeneration, UnknownVersionAndHistoryMemoryKeepTheOldLayout)
{
    scriptFirstGeneration(runtime, QStringLiteral("hs_lesen"));
    QList<FakeResultSet> sets = {
        variant(ALT), {num(QStringLiteral("F_VERSION"), 7), txt(QStringLiteral("JOB_STATUS"), QStringLiteral("OKAY"))}};
    runtime.setJobResults(ALT, QStringLiteral("hs_lesen"), sets);
    const QString out = build(ALT, QStringLiteral("hs_lesen"), defaultWord);
    EXPECT_EQ(report.lastGeneration(), 1);
    QStringList expected = firstGenerationHeader(QStringLiteral("F E H L E R S P E I C H E R   L E S E N"));
    expected << QString() << title + QStringLiteral(">>>>>>>>>> Kein Fehler gefunden <<<<<<<<<<<") << rule(u'=');
    EXPECT_EQ(out, crlf(expected));
}

TEST_F(FirstGeneration, FewerConditionsThanGroupsAndAMissingGroupCount)
{
    FakeResultSet fault = {
        num(QStringLiteral("F_UW_ANZ"), 2),
        num(QStringLiteral("F_UW_SATZ"), 5),
        formatted(QStringLiteral("F_UW1_TEXT"), QStringLiteral("-40T"), pad(QStringLiteral("A"), 40)),
        formatted(QStringLiteral("F_UW2_TEXT"), QStringLiteral("-40T"), pad(QStringLiteral("B"), 40)),
    };
    runtime.setJobResults(ALT, fs, {variant(ALT), fault, okay()});
    const QString out = build(ALT, fs, faultmode::zemo | faultmode::environment);
    EXPECT_TRUE(
        out.contains(QStringLiteral("   Fehler 1. mal aufgetreten bei:\r\n\r\n   ") + pad(QStringLiteral("A"), 40)));
    EXPECT_TRUE(
        out.contains(QStringLiteral("   Fehler 2. mal aufgetreten bei:\r\n\r\n   ") + pad(QStringLiteral("B"), 40)));
    EXPECT_TRUE(out.endsWith(rule(u'=') + u"\r\n"));
}

TEST_F(FirstGeneration, AFailedEntryReadEndsTheReportWithTheErrorLine)
{
    const FakeResultSet fault = {
        formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-5I"), QStringLiteral("42   ")),
        txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Drosselklappe")),
    };
    runtime.setJobResults(ALT, fs, {variant(ALT), fault, fault, okay()});
    const QString out = build(ALT, fs, faultmode::zemo | faultmode::location | faultmode::faultType);
    EXPECT_TRUE(
        out.endsWith(QStringLiteral("42    Drosselklappe\r\nVEDAMIS Fehler 2 : no such result: F_ART_ANZ\r\n")));
    EXPECT_EQ(out.count(u"Drosselklappe"), 1);
    EXPECT_FALSE(out.contains(rule(u'=')));
    EXPECT_EQ(report.lastErrorCode(), 2);
}

TEST_F(FirstGeneration, AJobThatFailsEndsAfterTheDescriptionLine)
{
    runtime.setJobError(ALT, fs, 5, QStringLiteral("Zeitueberschreitung"));
    const QString out = build(ALT, fs, defaultWord);
    QStringList expected = {title + QStringLiteral("F E H L E R S P E I C H E R   L E S E N"),
                            underline,
                            QString(),
                            QStringLiteral("Datum:     07.03.26 09:05"),
                            QStringLiteral("ECU:       D_ALT"),
                            QStringLiteral("VEDAMIS Fehler 5 : Zeitueberschreitung")};
    EXPECT_EQ(out, crlf(expected));
}

namespace {

// A fault memory in the newest layout with three faults: the first one's
// detail job answers with every block, the second with a refusal and the
// telegram, the third location cannot be read and its detail job fails.
void scriptThirdGeneration(DetailRuntime &rt, const QString &job)
{
    rt.setJobResults(MOTOR, QStringLiteral("INFO"),
                     {variant(MOTOR), {txt(QStringLiteral("REVISION"), QStringLiteral("2.31"))}});
    const FakeResultSet first = {
        num(QStringLiteral("F_VERSION"), 3),
        formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-6X"), QStringLiteral("ABC   ")),
        txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Kurbelwelle")),
        txt(QStringLiteral("F_READY_TEXT"), QStringLiteral("Test abgeschlossen")),
        txt(QStringLiteral("F_VORHANDEN_TEXT"), QStringLiteral("Fehler vorhanden")),
        txt(QStringLiteral("F_WARNUNG_TEXT"), QStringLiteral("--")),
        num(QStringLiteral("F_EREIGNIS_DTC"), 0),
        bin(QStringLiteral("F_HEX_CODE"), QByteArray::fromHex("000abc20")),
    };
    const FakeResultSet second = {
        formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-6X"), QStringLiteral("4711  ")),
        txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Nockenwelle")),
    };
    rt.setJobResults(MOTOR, job, {variant(MOTOR), first, second, {}, okay()});

    const QString detail = job + QStringLiteral("_detail");
    const FakeResultSet detailFirst = {
        formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-6X"), QStringLiteral("ABC   ")),
        txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Kurbelwelle")),
        txt(QStringLiteral("F_SAE_CODE_STRING"), QStringLiteral("P0335")),
        txt(QStringLiteral("F_SAE_CODE_TEXT"), QStringLiteral("P0335 Kurbelwellengeber")),
        num(QStringLiteral("F_UEBERLAUF"), 1),
        txt(QStringLiteral("F_HFK"), QStringLiteral("5")),
        txt(QStringLiteral("F_HLZ"), QStringLiteral("-1")),
        txt(QStringLiteral("F_UW_ZEIT"), QStringLiteral("1234")),
        formatted(QStringLiteral("F_UW_KM"), QStringLiteral("6L"), QStringLiteral(" 12345")),
        num(QStringLiteral("F_UW_ANZ"), 3),
        txt(QStringLiteral("F_UW1_EINH"), QStringLiteral("1/min")),
        formatted(QStringLiteral("F_UW1_TEXT"), QStringLiteral("-40T"), pad(QStringLiteral("Drehzahl"), 40)),
        formatted(QStringLiteral("F_UW1_WERT"), QStringLiteral("8.2R"), QStringLiteral("  850.00")),
        txt(QStringLiteral("F_UW2_EINH"), QStringLiteral("hex")),
        formatted(QStringLiteral("F_UW2_TEXT"), QStringLiteral("-20T"), pad(QStringLiteral("Statusbyte"), 20)),
        formatted(QStringLiteral("F_UW2_WERT"), QStringLiteral("28T"), QStringLiteral("0x1F").rightJustified(28)),
        txt(QStringLiteral("F_UW3_EINH"), QStringLiteral("V")),
        formatted(QStringLiteral("F_UW3_TEXT"), QStringLiteral("-40T"), pad(QStringLiteral("--"), 40)),
        txt(QStringLiteral("F_READY_TEXT"), QStringLiteral("Test abgeschlossen")),
        txt(QStringLiteral("F_VORHANDEN_TEXT"), QStringLiteral("Fehler vorhanden")),
        txt(QStringLiteral("F_WARNUNG_TEXT"), QStringLiteral("--")),
        num(QStringLiteral("F_EREIGNIS_DTC"), 1),
        bin(QStringLiteral("F_HEX_CODE"), QByteArray::fromHex("000abc20")),
    };
    const FakeResultSet detailSecond = {
        formatted(QStringLiteral("F_UW_KM"), QStringLiteral("6L"), QStringLiteral("524280")),
        num(QStringLiteral("F_UW_ANZ"), 1),
        txt(QStringLiteral("F_UW1_EINH"), QStringLiteral("0-n")),
        formatted(QStringLiteral("F_UW1_TEXT"), QStringLiteral("-20T"), pad(QStringLiteral("Zaehler"), 20)),
    };
    rt.setDetail(detail, QStringLiteral("0xABC"), {variant(MOTOR), detailFirst, detailSecond, okay()});
    const FakeResultSet refusal = {
        txt(QStringLiteral("JOB_STATUS"), QStringLiteral("ERROR_CONDITIONS")),
        txt(QStringLiteral("JOB_MESSAGE"), QStringLiteral("Bedingungen nicht erfuellt")),
        bin(QStringLiteral("_RESPONSE_EXTENDED_DATA"), QByteArray::fromHex("5906004711ff01")),
        bin(QStringLiteral("_RESPONSE_SNAPSHOT"), QByteArray::fromHex("5904004711ff01")),
    };
    rt.setDetail(detail, QStringLiteral("0x4711"), {variant(MOTOR), refusal});
}

QStringList thirdGenerationHeader(const QString &titleText, int faults)
{
    return {title + titleText,
            underline,
            QString(),
            QStringLiteral("Datum:     07.03.2026, 09:05:03"),
            QStringLiteral("JobStatus: OKAY"),
            QStringLiteral("Variante:  D_MOTOR.PRG"),
            QStringLiteral("Version:   2.31"),
            rule(u'-'),
            QString(),
            QStringLiteral("ERGEBNIS:  %1 Fehler im Fehlerspeicher !").arg(faults)};
}

} // namespace

class NewerGenerations : public FaultMemoryFixture {};

TEST_F(NewerGenerations, ThirdGenerationDetailReport)
{
    scriptThirdGeneration(runtime, fs);
    const QString out = build(MOTOR, fs, detailWord);
    EXPECT_EQ(report.lastGeneration(), 3);
    QStringList expected = thirdGenerationHeader(QStringLiteral("F E H L E R S P E I C H E R   L E S E N"), 3);
    expected << rule(u'-') << QString() << QStringLiteral("0x000ABC   Kurbelwelle") << QString()
             << QStringLiteral("P0335 Kurbelwellengeber") << QString() << rule(u'+', 79)
             << rule(u'+', 24) + QStringLiteral(" Fehlerspeicher ist übergelaufen! ") + rule(u'+', 21) << rule(u'+', 79)
             << QString() << QStringLiteral("Fehlerhäufigkeit:  5")
             << QStringLiteral("Heilungszähler  : wird nicht unterstützt") << QStringLiteral("1. Umweltsatz")
             << u"   " + pad(QStringLiteral("Absolute Zeit"), 40) + u"  1234     s"
             << u"   " + pad(QStringLiteral("Kilometerstand"), 40) + u" 12345     km"
             << u"   " + pad(QStringLiteral("Drehzahl"), 40) + u"   850.00  1/min"
             << u"   " + pad(QStringLiteral("Statusbyte"), 20) + u" " + QStringLiteral("0x1F").rightJustified(28) +
                    u"  hex"
             << QStringLiteral("2. Umweltsatz")
             << u"   " + pad(QStringLiteral("Zaehler"), 20) + u" " + QStringLiteral("????").rightJustified(28) +
                    u"  0-n"
             << QString() << QStringLiteral("   Test abgeschlossen") << QStringLiteral("   Fehler vorhanden")
             << QStringLiteral("   Dies ist ein Ereignis-DTC. Das SG ist somit nicht für den Fehlerspeichereintrag "
                               "verantwortlich.")
             << QStringLiteral("   (Z.B. falsche oder fehlende Netzwerkinformationen.)") << QString()
             << QStringLiteral("Fehlercode: 00 0A BC 20")
             // The refused detail job: location line, status and the telegram.
             << rule(u'-') << QStringLiteral("0x4711     Nockenwelle")
             << QStringLiteral("fs_lesen_detail: JobStatus: ERROR_CONDITIONS --> Bedingungen nicht erfuellt")
             << QString() << QStringLiteral("Telegramm-Antwort ab Service Identifier zur Analyse")
             << QStringLiteral("Data      : 59 06 00 47 11 FF 01")
             << QStringLiteral("Snapshot  : 59 04 00 47 11 FF 01")
             // Nothing readable about the third fault, and its detail job fails.
             << rule(u'-') << QStringLiteral("0x??????    ????") << QStringLiteral("VEDAMIS Fehler  2 : no results")
             << rule(u'=');
    EXPECT_EQ(out, crlf(expected));
    EXPECT_EQ(runtime.argumentsOf(QStringLiteral("fs_lesen_detail")),
              QStringList({QStringLiteral("0xABC"), QStringLiteral("0x4711"), QStringLiteral("0x??????")}));
    EXPECT_EQ(report.lastErrorCode(), 2);
}

TEST_F(NewerGenerations, ThirdGenerationShortBlocksReadTheFaultJobOnly)
{
    scriptThirdGeneration(runtime, fs);
    const QString out = build(MOTOR, fs, defaultWord);
    QStringList expected = thirdGenerationHeader(QStringLiteral("F E H L E R S P E I C H E R   L E S E N"), 3);
    expected << rule(u'-') << QString() << QStringLiteral("0x000ABC   Kurbelwelle") << QString()
             << QStringLiteral("   Test abgeschlossen") << QStringLiteral("   Fehler vorhanden")
             << QStringLiteral("   Dies ist kein Ereignis-DTC. Das SG ist für den Fehlerspeichereintrag (DTC) "
                               "verantwortlich.")
             << QString() << QStringLiteral("Fehlercode: 00 0A BC 20") << rule(u'-') << QString()
             << QStringLiteral("0x004711   Nockenwelle") << QString() << QStringLiteral("   ????")
             << QStringLiteral("   ????") << QStringLiteral("   ????") << QStringLiteral("   ????") << QString()
             << QStringLiteral("Fehlercode: ????") << rule(u'-') << QString() << QStringLiteral("0x??????   ????")
             << QString() << QStringLiteral("   ????") << QStringLiteral("   ????") << QStringLiteral("   ????")
             << QStringLiteral("   ????") << QString() << QStringLiteral("Fehlercode: ????") << rule(u'=');
    EXPECT_EQ(out, crlf(expected));
    EXPECT_TRUE(runtime.argumentsOf(QStringLiteral("fs_lesen_detail")).isEmpty());

    // The mode bit alone: header and count, no entry is read at all.
    runtime.clearCalls();
    const QString bare = build(MOTOR, fs, faultmode::zemo);
    expected = thirdGenerationHeader(QStringLiteral("F E H L E R S P E I C H E R   L E S E N"), 3);
    expected << rule(u'=');
    EXPECT_EQ(bare, crlf(expected));
    EXPECT_FALSE(runtime.calls().join(u' ').contains(u"F_ORT"));
}

TEST_F(NewerGenerations, DetailBitsSwitchTheirBlocks)
{
    scriptThirdGeneration(runtime, fs);
    // Only frequency and environment with values, units off; no rule without 0x6FF bits.
    QString out =
        build(MOTOR, fs,
              faultmode::zemo | faultmode::detail | faultmode::frequency | faultmode::environment | faultmode::value);
    EXPECT_TRUE(out.contains(u"   " + pad(QStringLiteral("Drehzahl"), 40) + u"   850.00\r\n"));
    EXPECT_FALSE(out.contains(u"0x000ABC"));
    EXPECT_FALSE(out.contains(u"P0335"));
    EXPECT_FALSE(out.contains(u"Fehlercode"));
    EXPECT_TRUE(out.contains(u"übergelaufen")); // the overflow box has no bit of its own

    out = build(MOTOR, fs, faultmode::zemo | faultmode::detail);
    EXPECT_EQ(out.count(rule(u'-')), 1); // the header's rule only
    EXPECT_TRUE(out.contains(u"\r\nfs_lesen_detail: JobStatus: ERROR_CONDITIONS --> Bedingungen nicht erfuellt\r\n"));
    EXPECT_FALSE(out.contains(u"Nockenwelle")); // the location line needs bit 1
}

TEST_F(NewerGenerations, SecondGenerationDetailReportOfTheHistoryMemory)
{
    const QString hs = QStringLiteral("hs_lesen");
    const QString motor2 = QStringLiteral("D_MOTOR2");
    runtime.setJobResults(motor2, hs,
                          {variant(motor2),
                           {num(QStringLiteral("F_VERSION"), 2),
                            formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-4X"), QStringLiteral("2A  ")),
                            txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Ladedruck"))},
                           okay()});
    const FakeResultSet detail = {
        formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-4X"), QStringLiteral("2A  ")),
        txt(QStringLiteral("F_ORT_TEXT"), QStringLiteral("Ladedruck")),
        txt(QStringLiteral("F_PCODE_STRING"), QStringLiteral("??")),
        formatted(QStringLiteral("F_PCODE"), QStringLiteral("-4X"), QStringLiteral("1A2B")),
        txt(QStringLiteral("F_PCODE_TEXT"), QStringLiteral("unbekannter Code")),
        txt(QStringLiteral("F_PCODE7_STRING"), QStringLiteral("--")),
        txt(QStringLiteral("F_PCODE7_TEXT"), QStringLiteral("nie zu sehen")),
        txt(QStringLiteral("F_HFK"), QStringLiteral("2")),
        txt(QStringLiteral("F_LZ"), QStringLiteral("-1")),
        formatted(QStringLiteral("F_UW_KM"), QStringLiteral("6L"), QStringLiteral("  1500")),
        num(QStringLiteral("F_UW_ANZ"), 0),
        txt(QStringLiteral("F_SYMPTOM_TEXT"), QStringLiteral("--")),
        txt(QStringLiteral("F_READY_TEXT"), QStringLiteral("Test nicht abgeschlossen")),
        txt(QStringLiteral("F_VORHANDEN_TEXT"), QStringLiteral("sporadisch")),
        txt(QStringLiteral("F_WARNUNG_TEXT"), QStringLiteral("Warnlampe aus")),
        num(QStringLiteral("F_ART_ANZ"), 2),
        txt(QStringLiteral("F_ART1_TEXT"), QStringLiteral("Kurzschluss")),
    };
    runtime.setDetail(QStringLiteral("hs_lesen_detail"), QStringLiteral(";1"), {variant(motor2), detail, okay()});

    const QString out = build(motor2, hs, detailWord);
    EXPECT_EQ(report.lastGeneration(), 2);
    const QStringList expected = {title + QStringLiteral("H I S T O R I E N S P E I C H E R   L E S E N"),
                                  underline,
                                  QString(),
                                  QStringLiteral("Datum:     07.03.2026 09:05:03"),
                                  QStringLiteral("ECU:       D_MOTOR2"),
                                  QStringLiteral("JobStatus: OKAY"),
                                  QStringLiteral("Variante:  D_MOTOR2"),
                                  rule(u'-'),
                                  QString(),
                                  QStringLiteral("ERGEBNIS:  1 Fehler im Fehlerspeicher !"),
                                  rule(u'-'),
                                  QString(),
                                  QStringLiteral("2A    Ladedruck"),
                                  QString(),
                                  QStringLiteral("1A2B  unbekannter Code"),
                                  QString(),
                                  QStringLiteral("Fehlerhäufigkeit: 2"),
                                  u"   " + pad(QStringLiteral("Kilometerstand"), 40) + u"  1500     km",
                                  QString(),
                                  QStringLiteral("   Test nicht abgeschlossen"),
                                  QStringLiteral("   sporadisch"),
                                  QStringLiteral("   Warnlampe aus"),
                                  QStringLiteral("   Kurzschluss"),
                                  QStringLiteral("   ????"),
                                  QString(),
                                  QStringLiteral("Fehlercode: ????"),
                                  rule(u'=')};
    EXPECT_EQ(out, crlf(expected));

    // The fault memory asks for the location instead of the set number.
    runtime.setJobResults(motor2, fs, {variant(motor2), {num(QStringLiteral("F_VERSION"), 2)}, okay()});
    runtime.clearCalls();
    const QString failed = build(motor2, fs, detailWord);
    EXPECT_EQ(runtime.argumentsOf(QStringLiteral("fs_lesen_detail")), QStringList({QStringLiteral("0x????")}));
    EXPECT_TRUE(failed.contains(QStringLiteral("\r\n????   ????\r\nVEDAMIS Fehler  2 : no results\r\n")));
}

TEST_F(NewerGenerations, CodeLinesFromTheirStringResult)
{
    auto detailWith = [&](const FakeResultSet &codes) {
        runtime.setJobResults(QStringLiteral("D_MOTOR2"), fs,
                              {variant(QStringLiteral("D_MOTOR2")),
                               {num(QStringLiteral("F_VERSION"), 2),
                                formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-4X"), QStringLiteral("10  "))},
                               okay()});
        runtime.setDetail(QStringLiteral("fs_lesen_detail"), QStringLiteral("0x10"),
                          {variant(QStringLiteral("D_MOTOR2")), codes, okay()});
        return build(QStringLiteral("D_MOTOR2"), fs,
                     faultmode::zemo | faultmode::detail | faultmode::pCode | faultmode::pCode7);
    };
    const QString body = rule(u'-') + QStringLiteral("\r\n");
    // A readable code string shows the text alone; "??" with an unreadable text shows two markers.
    QString out = detailWith({txt(QStringLiteral("F_PCODE_STRING"), QStringLiteral("P0101")),
                              txt(QStringLiteral("F_PCODE_TEXT"), QStringLiteral("P0101 Luftmasse")),
                              txt(QStringLiteral("F_PCODE7_STRING"), QStringLiteral("??")),
                              formatted(QStringLiteral("F_PCODE7"), QStringLiteral("-4X"), QStringLiteral("FFFF"))});
    EXPECT_TRUE(out.contains(body + QStringLiteral("\r\nP0101 Luftmasse\r\n\r\n????  ????\r\n=")));
    // A string that cannot be read gives nothing; a readable string with an unreadable text gives "????".
    out = detailWith({txt(QStringLiteral("F_PCODE7_STRING"), QStringLiteral("P010100"))});
    EXPECT_TRUE(out.contains(body + QStringLiteral("\r\n????\r\n=")));
}

TEST_F(NewerGenerations, InfoMemoryAsksBySetNumberAndShowsItsOwnOverflow)
{
    const QString is = QStringLiteral("is_lesen");
    runtime.setJobResults(MOTOR, QStringLiteral("INFO"),
                          {variant(MOTOR), {txt(QStringLiteral("REVISION"), QStringLiteral("2.31"))}});
    runtime.setJobResults(MOTOR, is, {variant(MOTOR), {num(QStringLiteral("F_VERSION"), 3)}, {}, okay()});
    runtime.setDetail(
        QStringLiteral("is_lesen_detail"), QStringLiteral(";2"),
        {variant(MOTOR), {num(QStringLiteral("F_UEBERLAUF"), 1), num(QStringLiteral("F_EREIGNIS_DTC"), 4)}, okay()});
    const QString out = build(MOTOR, is, faultmode::zemo | faultmode::detail | faultmode::faultType);
    EXPECT_TRUE(out.startsWith(title + QStringLiteral("I N F O S P E I C H E R   L E S E N\r\n")));
    EXPECT_EQ(runtime.argumentsOf(QStringLiteral("is_lesen_detail")),
              QStringList({QStringLiteral(";1"), QStringLiteral(";2")}));
    EXPECT_TRUE(
        out.contains(rule(u'+', 24) + QStringLiteral(" Infospeicher ist übergelaufen! ") + rule(u'+', 23) + u"\r\n"));
    EXPECT_TRUE(out.contains(u"   Fehler in SGBD! In Tabelle FOrtTexte, muss EREIGNIS_DTC 0 oder 1 sein.\r\n"));
}

TEST_F(NewerGenerations, NothingReadableInADetailAnswerShowsMarkers)
{
    runtime.setJobResults(MOTOR, QStringLiteral("INFO"), {variant(MOTOR)}); // no REVISION
    runtime.setJobResults(MOTOR, fs,
                          {variant(MOTOR),
                           {num(QStringLiteral("F_VERSION"), 3),
                            formatted(QStringLiteral("F_ORT_NR"), QStringLiteral("-6X"), QStringLiteral("1     "))},
                           okay()});
    runtime.setDetail(QStringLiteral("fs_lesen_detail"), QStringLiteral("0x1"),
                      {variant(MOTOR), {num(QStringLiteral("F_UW_ANZ"), 1)}, okay()});
    const QString out = build(MOTOR, fs, detailWord);
    EXPECT_TRUE(out.contains(u"\r\nVersion:   ?.??\r\n"));
    const QStringList expected = {rule(u'-'),
                                  QString(),
                                  QStringLiteral("0x??????   ????"),
                                  QString(),
                                  QStringLiteral("Fehlerhäufigkeit: ????"),
                                  QStringLiteral("Heilungszähler  : ????"),
                                  u"   " + pad(QStringLiteral("Kilometerstand"), 40) + u"  ????     km",
                                  u"   " + pad(QStringLiteral("????"), 40) + u"  ????     ????",
                                  QString(),
                                  QStringLiteral("   ????"),
                                  QStringLiteral("   ????"),
                                  QStringLiteral("   ????"),
                                  QStringLiteral("   ????"),
                                  QString(),
                                  QStringLiteral("Fehlercode: ????"),
                                  rule(u'=')};
    EXPECT_TRUE(out.endsWith(crlf(expected))) << out.toStdString();
    EXPECT_EQ(report.lastErrorCode(), 0);
}

TEST_F(NewerGenerations, HeaderReadFailureEndsTheReport)
{
    runtime.setJobResults(MOTOR, QStringLiteral("INFO"),
                          {variant(MOTOR), {txt(QStringLiteral("REVISION"), QStringLiteral("1.0"))}});
    runtime.setJobResults(MOTOR, fs, {variant(MOTOR), {num(QStringLiteral("F_VERSION"), 3)}});
    const QString out = build(MOTOR, fs, detailWord);
    EXPECT_TRUE(out.endsWith(QStringLiteral("Datum:     07.03.2026, 09:05:03\r\n"
                                            "VEDAMIS Fehler  2 : no such result: JOB_STATUS\r\n")));
}

TEST_F(NewerGenerations, EnglishTexts)
{
    texts.selectLanguage(QStringLiteral("E"));
    scriptThirdGeneration(runtime, fs);
    QString out = build(MOTOR, fs, defaultWord);
    const QStringList head = {title + QStringLiteral("E R R O R   M E M O R Y"),
                              underline,
                              QString(),
                              QStringLiteral("Date:      07.03.2026, 09:05:03"),
                              QStringLiteral("JobStatus: OKAY"),
                              QStringLiteral("Variant:   D_MOTOR.PRG"),
                              QStringLiteral("Version:   2.31"),
                              rule(u'-'),
                              QString(),
                              QStringLiteral("RESULT:    3 error in error memory !")};
    EXPECT_TRUE(out.startsWith(crlf(head)));
    EXPECT_TRUE(out.contains(u"   This is no event DTC. This ecu IS RESPONSIBLE for this error entry.\r\n"));
    EXPECT_TRUE(out.contains(u"\r\nError code: 00 0A BC 20\r\n"));

    out = build(MOTOR, fs, detailWord);
    EXPECT_TRUE(out.contains(u"\r\nError counter   :  5\r\nHealing counter : not supported\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n1. environment condition\r\n   Absolute time"));
    EXPECT_TRUE(out.contains(u"\r\nVEDAMIS failure 2 : no results\r\n"));

    // The oldest layout keeps its German frame words; titles and counts follow the language.
    scriptFirstGeneration(runtime, fs);
    out = build(ALT, fs, faultmode::zemo | faultmode::frequency);
    EXPECT_TRUE(out.startsWith(title + QStringLiteral("E R R O R   M E M O R Y\r\n") + underline +
                               QStringLiteral("\r\n\r\nDatum:     07.03.26 09:05\r\n")));
    EXPECT_TRUE(out.contains(u"\r\nError counter   : 3\r\nLogistic counter: 12\r\n"));
    runtime.setJobResults(ALT, fs, {variant(ALT), okay()});
    out = build(ALT, fs, defaultWord);
    EXPECT_TRUE(out.contains(title + QStringLiteral(">>>>>>>>>>>>> No error found <<<<<<<<<<<<<<\r\n")));
}

TEST(FaultMemoryLayout, ByteColumnsBreakAfterSixteenBytes)
{
    QByteArray bytes;
    for (int i = 0; i < 33; ++i)
        bytes.append(char(i));
    const QString first = QStringLiteral(" 00 01 02 03 04 05 06 07   08 09 0A 0B 0C 0D 0E 0F");
    const QString second = QStringLiteral(" 10 11 12 13 14 15 16 17   18 19 1A 1B 1C 1D 1E 1F");
    const QString indent(11, u' ');
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(bytes.left(16)), first);
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(bytes.left(32)), first + u"\r\n" + indent + second);
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(bytes), first + u"\r\n" + indent + second + u"\r\n" + indent + u" 20");
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(bytes.left(8)), QStringLiteral(" 00 01 02 03 04 05 06 07  "));
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(QByteArray("\xff", 1)), QStringLiteral(" FF"));
}

TEST(FaultMemoryLayout, AppliesToTheThreeMemoryJobsInZemoModeOnly)
{
    EXPECT_TRUE(FehlerspeicherAusgabe::appliesTo(QStringLiteral("fs_lesen"), 256));
    EXPECT_TRUE(FehlerspeicherAusgabe::appliesTo(QStringLiteral("is_lesen"), 1919));
    EXPECT_TRUE(FehlerspeicherAusgabe::appliesTo(QStringLiteral("hs_lesen"), 3967));
    EXPECT_FALSE(FehlerspeicherAusgabe::appliesTo(QStringLiteral("fs_lesen"), 1919 & ~256));
    EXPECT_FALSE(FehlerspeicherAusgabe::appliesTo(QStringLiteral("fs_lesen_detail"), 1919));
    EXPECT_FALSE(FehlerspeicherAusgabe::appliesTo(QStringLiteral("FS_LESEN"), 1919));
}
