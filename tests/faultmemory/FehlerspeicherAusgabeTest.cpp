// The fault-memory report against a scripted runtime: the three layouts,
// the option bits, the question-mark markers and the error lines. Whole
// reports are compared with the files in tests/data/faultmemory; the newest
// layout's detail, short and count-only reports are the demo fleet's.
#include "FaultMemoryTestSupport.h"

using namespace kitbox;
using namespace kitbox::testing;
using namespace Qt::StringLiterals;

namespace {

const QString ALT = u"D_ALT"_s;
const QString MOTOR = u"D_MOTOR"_s;
const QString fs = u"fs_lesen"_s;
constexpr int defaultWord = faultmode::defaultWord;                    // 1919
constexpr int detailWord = faultmode::defaultWord | faultmode::detail; // 3967

FakeResultSet variant(const QString &name)
{
    return {txt(u"VARIANTE", name)};
}
FakeResultSet okay()
{
    return {txt(u"JOB_STATUS", u"OKAY")};
}
FakeResult envText(int k, QStringView format, QStringView name, qsizetype width)
{
    return formatted(u"F_UW%1_TEXT"_s.arg(k), format, pad(name, width));
}
FakeResult envValue(int k, QStringView format, QStringView value)
{
    return formatted(u"F_UW%1_WERT"_s.arg(k), format, value);
}
FakeResult envUnit(int k, QStringView unit)
{
    return txt(u"F_UW%1_EINH"_s.arg(k), unit);
}

// Two faults in the oldest layout: the first with two groups of environment
// conditions and fault types, the second with a single group and nothing else.
void scriptFirstGeneration(DetailRuntime &rt, const QString &job)
{
    FakeResultSet first = {formatted(u"F_ORT_NR", u"-5I", u"42   "),
                           txt(u"F_ORT_TEXT", u"Drosselklappe"),
                           txt(u"F_HFK", u"3"),
                           txt(u"F_LZ", u"12"),
                           num(u"F_UW_ANZ", 4),
                           num(u"F_UW_SATZ", 2),
                           num(u"F_ART_ANZ", 3),
                           txt(u"F_ART1_TEXT", u"Signal zu gross"),
                           txt(u"F_ART2_TEXT", u"--"),
                           txt(u"F_ART3_TEXT", u""),
                           bin(u"F_HEX_CODE", QByteArray::fromHex("1234ab"))};
    const QStringList names = {u"Drehzahl"_s, u"Temperatur"_s, u"Drehzahl"_s, u"Temperatur"_s};
    const QStringList values = {u"  850.00"_s, u"   90.50"_s, u" 1200.00"_s, u"   95.00"_s};
    for (int k = 1; k <= 4; ++k)
        first << envText(k, u"-40T", names[k - 1], 40) << envValue(k, u"8.2R", values[k - 1])
              << envUnit(k, k % 2 ? u"1/min" : u"Grad C");
    const FakeResultSet second = {formatted(u"F_ORT_NR", u"-5I", u"7    "),
                                  txt(u"F_ORT_TEXT", u"Lambdasonde"),
                                  txt(u"F_HFK", u"1"),
                                  txt(u"F_LZ", u"0"),
                                  num(u"F_UW_ANZ", 1),
                                  envText(1, u"-40T", u"Spannung", 40),
                                  envValue(1, u"8.2R", u"    0.45"),
                                  envUnit(1, u"V"),
                                  num(u"F_ART_ANZ", 0)};
    rt.setJobResults(ALT, job, {variant(ALT), first, second, okay()});
}

} // namespace

class FirstGeneration : public FaultMemoryFixture {};

TEST_F(FirstGeneration, FullReportCountOnlyAndBitsThatSwitchTheirLines)
{
    scriptFirstGeneration(runtime, fs);
    QString out = build(ALT, fs, defaultWord);
    EXPECT_EQ(report.lastGeneration(), 1);
    EXPECT_EQ(out, golden("first_full.txt"));
    EXPECT_EQ(report.lastErrorCode(), 0);
    // The job ran once to find the layout and once for the report.
    EXPECT_EQ(runtime.argumentsOf(fs), QStringList({QString(), QString()}));

    // Location only; environment without value and unit columns.
    out = build(ALT, fs, faultmode::zemo | faultmode::location | faultmode::environment);
    EXPECT_TRUE(out.contains(u"\r\n42    Drosselklappe\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n   " + pad(u"Drehzahl", 40) + u"\r\n"));
    EXPECT_FALSE(out.contains(u"Fehlerhäufigkeit") || out.contains(u"Fehlercode") || out.contains(u"Signal zu gross"));

    // Bit 128 has no meaning of its own but still gives each fault its rule.
    out = build(ALT, fs, faultmode::zemo | 128);
    EXPECT_EQ(out.count(rule(u'-')), 3);

    // Bit 256 alone gives the header and the count.
    runtime.clearCalls();
    EXPECT_TRUE(
        build(ALT, fs, faultmode::zemo)
            .endsWith(rule(u'-') + u"\r\n\r\nERGEBNIS:  2 Fehler im Fehlerspeicher !\r\n" + rule(u'=') + u"\r\n"));
    EXPECT_EQ(runtime.callCount(u"apiResultText"_s), 2); // JOB_STATUS and VARIANTE only

    // An unknown version and the history memory keep the old layout.
    runtime.setJobResults(ALT, u"hs_lesen"_s, {variant(ALT), {num(u"F_VERSION", 7), txt(u"JOB_STATUS", u"OKAY")}});
    EXPECT_TRUE(build(ALT, u"hs_lesen"_s, defaultWord).contains(u"\r\nECU:       D_ALT\r\n"));
    EXPECT_EQ(report.lastGeneration(), 1);
}

TEST_F(FirstGeneration, FewerConditionsThanGroupsAndAMissingGroupCount)
{
    const FakeResultSet fault = {num(u"F_UW_ANZ", 2), num(u"F_UW_SATZ", 5), envText(1, u"-40T", u"A", 40),
                                 envText(2, u"-40T", u"B", 40)};
    runtime.setJobResults(ALT, fs, {variant(ALT), fault, okay()});
    const QString out = build(ALT, fs, faultmode::zemo | faultmode::environment);
    EXPECT_TRUE(out.contains(u"   Fehler 1. mal aufgetreten bei:\r\n\r\n   " + pad(u"A", 40)));
    EXPECT_TRUE(out.contains(u"   Fehler 2. mal aufgetreten bei:\r\n\r\n   " + pad(u"B", 40)));
    EXPECT_TRUE(out.endsWith(rule(u'=') + u"\r\n"));
}

TEST_F(FirstGeneration, FailedEntryReadOrJobEndTheReportWithTheErrorLine)
{
    const FakeResultSet fault = {formatted(u"F_ORT_NR", u"-5I", u"42   "), txt(u"F_ORT_TEXT", u"Drosselklappe")};
    runtime.setJobResults(ALT, fs, {variant(ALT), fault, fault, okay()});
    const QString out = build(ALT, fs, faultmode::zemo | faultmode::location | faultmode::faultType);
    EXPECT_TRUE(out.endsWith(u"42    Drosselklappe\r\nVEDAMIS Fehler 2 : no such result: F_ART_ANZ\r\n"));
    EXPECT_EQ(out.count(u"Drosselklappe"), 1);
    EXPECT_FALSE(out.contains(rule(u'=')));
    EXPECT_EQ(report.lastErrorCode(), 2);

    // A job that fails ends after the description line.
    runtime.setJobError(ALT, fs, 5, u"Zeitueberschreitung"_s);
    EXPECT_TRUE(
        build(ALT, fs, defaultWord).endsWith(u"\r\nECU:       D_ALT\r\nVEDAMIS Fehler 5 : Zeitueberschreitung\r\n"));
}

class NewerGenerations : public FaultMemoryFixture {};

TEST_F(NewerGenerations, SecondGenerationDetailReportOfTheHistoryMemory)
{
    const QString hs = u"hs_lesen"_s;
    const QString motor2 = u"D_MOTOR2"_s;
    runtime.setJobResults(
        motor2, hs,
        {variant(motor2),
         {num(u"F_VERSION", 2), formatted(u"F_ORT_NR", u"-4X", u"2A  "), txt(u"F_ORT_TEXT", u"Ladedruck")},
         okay()});
    const FakeResultSet detail = {formatted(u"F_ORT_NR", u"-4X", u"2A  "),
                                  txt(u"F_ORT_TEXT", u"Ladedruck"),
                                  txt(u"F_PCODE_STRING", u"??"),
                                  formatted(u"F_PCODE", u"-4X", u"1A2B"),
                                  txt(u"F_PCODE_TEXT", u"unbekannter Code"),
                                  txt(u"F_PCODE7_STRING", u"--"),
                                  txt(u"F_PCODE7_TEXT", u"nie zu sehen"),
                                  txt(u"F_HFK", u"2"),
                                  txt(u"F_LZ", u"-1"),
                                  formatted(u"F_UW_KM", u"6L", u"  1500"),
                                  num(u"F_UW_ANZ", 0),
                                  txt(u"F_SYMPTOM_TEXT", u"--"),
                                  txt(u"F_READY_TEXT", u"Test nicht abgeschlossen"),
                                  txt(u"F_VORHANDEN_TEXT", u"sporadisch"),
                                  txt(u"F_WARNUNG_TEXT", u"Warnlampe aus"),
                                  num(u"F_ART_ANZ", 2),
                                  txt(u"F_ART1_TEXT", u"Kurzschluss")};
    runtime.setDetail(u"hs_lesen_detail"_s, u";1"_s, {variant(motor2), detail, okay()});
    EXPECT_EQ(build(motor2, hs, detailWord), golden("second_history_detail.txt"));
    EXPECT_EQ(report.lastGeneration(), 2);

    // The fault memory asks for the location instead of the set number.
    runtime.setJobResults(motor2, fs, {variant(motor2), {num(u"F_VERSION", 2)}, okay()});
    runtime.clearCalls();
    const QString failed = build(motor2, fs, detailWord);
    EXPECT_EQ(runtime.argumentsOf(u"fs_lesen_detail"_s), QStringList({u"0x????"_s}));
    EXPECT_TRUE(failed.contains(u"\r\n????   ????\r\nVEDAMIS Fehler  2 : no results\r\n"));
}

TEST_F(NewerGenerations, CodeLinesFromTheirStringResult)
{
    auto detailWith = [&](const FakeResultSet &codes) {
        runtime.setJobResults(
            u"D_MOTOR2"_s, fs,
            {variant(u"D_MOTOR2"_s), {num(u"F_VERSION", 2), formatted(u"F_ORT_NR", u"-4X", u"10  ")}, okay()});
        runtime.setDetail(u"fs_lesen_detail"_s, u"0x10"_s, {variant(u"D_MOTOR2"_s), codes, okay()});
        return build(u"D_MOTOR2"_s, fs, faultmode::zemo | faultmode::detail | faultmode::pCode | faultmode::pCode7);
    };
    const QString body = rule(u'-') + u"\r\n";
    // A readable code string shows the text alone; "??" with an unreadable text shows two markers.
    QString out = detailWith({txt(u"F_PCODE_STRING", u"P0101"), txt(u"F_PCODE_TEXT", u"P0101 Luftmasse"),
                              txt(u"F_PCODE7_STRING", u"??"), formatted(u"F_PCODE7", u"-4X", u"FFFF")});
    EXPECT_TRUE(out.contains(body + u"\r\nP0101 Luftmasse\r\n\r\n????  ????\r\n="));
    // A string that cannot be read gives nothing; a readable string with an unreadable text gives "????".
    out = detailWith({txt(u"F_PCODE7_STRING", u"P010100")});
    EXPECT_TRUE(out.contains(body + u"\r\n????\r\n="));
}

TEST_F(NewerGenerations, InfoMemoryAsksBySetNumberAndShowsItsOwnOverflow)
{
    const QString is = u"is_lesen"_s;
    runtime.setJobResults(MOTOR, u"INFO"_s, {variant(MOTOR), {txt(u"REVISION", u"2.31")}});
    runtime.setJobResults(MOTOR, is, {variant(MOTOR), {num(u"F_VERSION", 3)}, {}, okay()});
    runtime.setDetail(u"is_lesen_detail"_s, u";2"_s,
                      {variant(MOTOR), {num(u"F_UEBERLAUF", 1), num(u"F_EREIGNIS_DTC", 4)}, okay()});
    const QString out = build(MOTOR, is, faultmode::zemo | faultmode::detail | faultmode::faultType);
    EXPECT_TRUE(out.startsWith(QString(11, u' ') + u"I N F O S P E I C H E R   L E S E N\r\n"));
    EXPECT_EQ(runtime.argumentsOf(u"is_lesen_detail"_s), QStringList({u";1"_s, u";2"_s}));
    EXPECT_TRUE(out.contains(rule(u'+', 24) + u" Infospeicher ist übergelaufen! " + rule(u'+', 23) + u"\r\n"));
    EXPECT_TRUE(out.contains(u"   Fehler in SGBD! In Tabelle FOrtTexte, muss EREIGNIS_DTC 0 oder 1 sein.\r\n"));
}

TEST_F(NewerGenerations, UnreadableAnswersShowMarkersAndAFailedHeaderReadEndsTheReport)
{
    runtime.setJobResults(MOTOR, u"INFO"_s, {variant(MOTOR)}); // no REVISION
    runtime.setJobResults(MOTOR, fs,
                          {variant(MOTOR), {num(u"F_VERSION", 3), formatted(u"F_ORT_NR", u"-6X", u"1     ")}, okay()});
    runtime.setDetail(u"fs_lesen_detail"_s, u"0x1"_s, {variant(MOTOR), {num(u"F_UW_ANZ", 1)}, okay()});
    EXPECT_EQ(build(MOTOR, fs, detailWord), golden("third_unreadable.txt"));
    EXPECT_EQ(report.lastErrorCode(), 0);

    runtime.setJobResults(MOTOR, u"INFO"_s, {variant(MOTOR), {txt(u"REVISION", u"1.0")}});
    runtime.setJobResults(MOTOR, fs, {variant(MOTOR), {num(u"F_VERSION", 3)}});
    EXPECT_TRUE(build(MOTOR, fs, detailWord)
                    .endsWith(u"Datum:     07.03.2026, 09:05:03\r\n"
                              u"VEDAMIS Fehler  2 : no such result: JOB_STATUS\r\n"));
}

// The newer layouts in English are the demo fleet's (DemoFaultMemoryTest).
TEST_F(FirstGeneration, EnglishTitlesAndCountsWithTheGermanFrameWords)
{
    texts.selectLanguage(u"E"_s);
    scriptFirstGeneration(runtime, fs);
    const QString out = build(ALT, fs, faultmode::zemo | faultmode::frequency);
    EXPECT_TRUE(out.startsWith(QString(11, u' ') + u"E R R O R   M E M O R Y\r\n" + QString(11, u' ') + rule(u'-', 39) +
                               u"\r\n\r\nDatum:     07.03.26 09:05\r\n"));
    EXPECT_TRUE(out.contains(u"\r\nError counter   : 3\r\nLogistic counter: 12\r\n"));
    runtime.setJobResults(ALT, fs, {variant(ALT), okay()});
    EXPECT_TRUE(build(ALT, fs, defaultWord).contains(u">>>>>>>>>>>>> No error found <<<<<<<<<<<<<<\r\n"));
}

TEST(FaultMemoryLayout, ByteColumnsBreakAfterSixteenBytes)
{
    QByteArray bytes;
    for (int i = 0; i < 33; ++i)
        bytes.append(char(i));
    const QString first = u" 00 01 02 03 04 05 06 07   08 09 0A 0B 0C 0D 0E 0F"_s;
    const QString next = u"\r\n"_s + QString(11, u' ') + u" 10 11 12 13 14 15 16 17   18 19 1A 1B 1C 1D 1E 1F"_s;
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(bytes.left(16)), first);
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(bytes), first + next + u"\r\n"_s + QString(11, u' ') + u" 20");
    EXPECT_EQ(FehlerspeicherAusgabe::byteColumns(bytes.left(8)), u" 00 01 02 03 04 05 06 07  "_s);
}

TEST(FaultMemoryLayout, AppliesToTheThreeMemoryJobsInZemoModeOnly)
{
    const std::tuple<const char16_t *, int, bool> cases[] = {
        {u"fs_lesen", 256, true},          {u"is_lesen", 1919, true},         {u"hs_lesen", 3967, true},
        {u"fs_lesen", 1919 & ~256, false}, {u"fs_lesen_detail", 1919, false}, {u"FS_LESEN", 1919, false}};
    for (const auto &[job, mode, applies] : cases)
        EXPECT_EQ(FehlerspeicherAusgabe::appliesTo(QString::fromUtf16(job), mode), applies) << mode;
}
