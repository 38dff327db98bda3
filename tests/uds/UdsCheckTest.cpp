// The function-table check on small descriptions held in memory: whole
// reports in both languages for the frame, and the findings of one row at a
// time for the row rules.
#include "uds/UdsCheck.h"

#include "UdsTestCatalogue.h"
#include "shell/TextCatalogue.h"

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::test;

namespace {

const QString kEq = QStringLiteral("================================");

QStringList header()
{
    return cells("ARG|ID|RESULTNAME|EINHEIT|DATENTYP|NAME|MUL|DIV|SERVICE|ARG_TABELLE|RES_TABELLE");
}

struct Fn {
    const char *result = "STAT_X";
    const char *unit = "0/1";
    const char *type = "unsigned char";
    const char *service = "22";
    const char *argTable = "-";
    const char *resTable = "-";
    const char *name = "-";
    const char *mul = "-";
    const char *div = "-";
};

QStringList row(const char *arg, const char *id, const Fn &f)
{
    return {s(arg),   s(id),    s(f.result),  s(f.unit),     s(f.type),    s(f.name),
            s(f.mul), s(f.div), s(f.service), s(f.argTable), s(f.resTable)};
}

QStringList definitionHeader(const char *first)
{
    return QStringList{s(first)} + cells("EINHEIT|DATENTYP|NAME|MUL|DIV");
}

QString lines(const QStringList &l)
{
    QString text;
    for (const QString &line : l)
        text += line + kCrLf;
    return text;
}

QString frameStart(const char *startText)
{
    return lines({kEq, s("D_TEST: ") + s(startText), kEq});
}

QString frameEnd(const char *endText)
{
    return lines({kEq, s("D_TEST: ") + s(endText), kEq});
}

// Tables every row case may point to.
QList<TestTable> supportTables()
{
    const QStringList res = definitionHeader("RESULTNAME");
    const QStringList arg = definitionHeader("ARG");
    return {
        {s("TAB_OK"), {cells("WERT|TEXT"), cells("0|aus")}},
        {s("TAB_OHNE_TEXT"), {cells("WERT|INFO")}},
        {s("TAB_OHNE_WERT"), {cells(" text |INFO")}},
        {s("TAB_GEERBT"), {cells("WERT|TEXT")}, s("d_basis")},
        {s("RES_OK"), {res, cells("STAT_A_WERT|rpm|int|-|0,5|2")}},
        {s("RES_KOPF"), {cells("RESULTNAME|DATENTYP|NAME|MUL")}},
        {s("RES_ZWEI"),
         {res, cells("STAT_A|0-n|int|-|-|-"), cells("STAT_B|hex|int|-|-|-"), cells("STAT_C WERT|-|int|-|-|-")}},
        {s("ARG_OK"), {arg, cells("STUFE|0-n|int|TAB_OK|-|-")}},
        {s("ARG_FEHLER"),
         {arg, cells("STUFE|0-n|int|-|-|-"), cells("EIN AUS|0/1|int|-|-|-"), cells("WERT|Nm|float|-|1|0")}},
        {s("BF_OK"), {res, cells("STAT_A|0/1|int|-|0|"), cells("STAT_B|0-n|int|TAB_OK|-|-")}},
        {s("BF_MIX"), {res, cells("STAT_A|0/1|char|-|-|-"), cells("STAT_B|0/1|int|-|-|-")}},
        {s("BF_GROSS"), {res, cells("STAT_A|0/1|Char|-|-|-")}},
        {s("BF_KOPF"), {cells("RESULTNAME|DATENTYP")}},
        {s("BF_DETAIL"), {res, cells("STAT_A|0-n|int|TAB_FEHLT|-|-")}},
        {s("BF_GEERBT"), {res}, s("d_basis")},
        {s("res_klein"), {res, cells("STAT_B|hex|int|-|-|-")}}, // a name stored in lower case
    };
}

JobCatalogue withRows(const QList<QStringList> &rows, const QList<TestTable> &more = supportTables())
{
    QList<QStringList> table{header()};
    table += rows;
    JobCatalogue catalogue = makeCatalogue({{s("SG_FUNKTIONEN"), table}});
    for (const TestTable &t : more)
        addTable(catalogue, t);
    return catalogue;
}

class UdsCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(texts.loadBuiltIn().ok()); }

    UdsCheckReport check(const JobCatalogue &c, bool english = false)
    {
        texts.selectLanguage(english ? s("E") : s("D"));
        return UdsCheck(c, texts, QLocale(QLocale::German)).run(c.loadedName);
    }
    // The lines between the plausibility headline and the closing frame.
    QString rowFindings(const JobCatalogue &c)
    {
        const QString text = check(c).text;
        const QString from = s("Plausibilität SG_FUNKTIONEN und Service-IDs prüfen....\r\n");
        const qsizetype start = text.indexOf(from);
        if (start < 0)
            return s("<no row loop>\r\n") + text;
        const qsizetype begin = start + from.size();
        return text.mid(begin, text.lastIndexOf(frameEnd("Ende Prüfung")) - begin);
    }
    TextCatalogue texts;
};

TEST_F(UdsCheckTest, FrameWholeReportsInBothLanguages)
{
    const JobCatalogue inheritedOnly =
        makeCatalogue({{s("SG_FUNKTIONEN"), {header(), row("A", "0x1", {})}, s("d_basis")}});
    EXPECT_EQ(check(inheritedOnly).text,
              frameStart("Start Prüfung") +
                  lines({s("Tabelle SG_FUNKTIONEN prüfen...."), s("  ! Tabelle SG_FUNKTIONEN existiert nicht!")}) +
                  frameEnd("Ende Prüfung"));
    EXPECT_EQ(check(inheritedOnly, true).text,
              frameStart("Start Check") +
                  lines({s("Checking table SG_FUNKTIONEN ...."), s("  ! Table SG_FUNKTIONEN does not exist!")}) +
                  frameEnd("End Check"));

    QStringList partial = header();
    partial.removeAll(s("SERVICE"));
    partial.removeAll(s("RES_TABELLE"));
    const JobCatalogue badHeader = makeCatalogue({{s("SG_FUNKTIONEN"), {partial, {s("A B"), s("1")}}}});
    EXPECT_EQ(check(badHeader).text,
              frameStart("Start Prüfung") +
                  lines({s("Tabelle SG_FUNKTIONEN prüfen...."), s("  Tabelle existiert"),
                         s("  ! Tabelle Header fehlerhaft"), s("    Spalte(n) SERVICE;RES_TABELLE nicht gefunden!")}) +
                  frameEnd("Ende Prüfung"));
    EXPECT_EQ(check(badHeader, true).text,
              frameStart("Start Check") +
                  lines({s("Checking table SG_FUNKTIONEN ...."), s("  Table existent"), s("  ! Table header incorrect"),
                         s("    column(s) SERVICE;RES_TABELLE not found!")}) +
                  frameEnd("End Check"));

    // Three equal arguments give three pairs; a blank in one is named with its position.
    const JobCatalogue duplicates =
        withRows({row(" dup ", "0x1", {}), row("DUP", "0x2", {}), row("dup", "0x3", {}), row("MIT LEER", "0x4", {})});
    const UdsCheckReport de = check(duplicates);
    EXPECT_EQ(de.text, frameStart("Start Prüfung") +
                           lines({s("Tabelle SG_FUNKTIONEN prüfen...."), s("  Tabelle existiert"),
                                  s("  Tabelle Header ok"), s("Eindeutige Verwendung von ARG prüfen...."),
                                  s("  ! DUP: Argument nicht eindeutig verwendet!"), s("    Zeile1: 0x1 & Zeile2: 0x2"),
                                  s("  ! DUP: Argument nicht eindeutig verwendet!"), s("    Zeile1: 0x1 & Zeile3: 0x3"),
                                  s("  ! DUP: Argument nicht eindeutig verwendet!"), s("    Zeile2: 0x2 & Zeile3: 0x3"),
                                  s("  ! MIT LEER: 0x4, Argument darf kein Leerzeichen beinhalten (Pos=4)"),
                                  s("Plausibilität SG_FUNKTIONEN und Service-IDs prüfen....")}) +
                           frameEnd("Ende Prüfung"));
    EXPECT_EQ(de.findings, 4);
    EXPECT_EQ(check(duplicates, true).text,
              frameStart("Start Check") +
                  lines({s("Checking table SG_FUNKTIONEN ...."), s("  Table existent"), s("  Table header ok"),
                         s("Checking unique use of ARG...."), s("  ! DUP: Use of argument not unique!"),
                         s("    line1: 0x1 & line2: 0x2"), s("  ! DUP: Use of argument not unique!"),
                         s("    line1: 0x1 & line3: 0x3"), s("  ! DUP: Use of argument not unique!"),
                         s("    line2: 0x2 & line3: 0x3"),
                         s("  ! MIT LEER: 0x4, Argument must not contain SPACE character (Pos=4)"),
                         s("Checking plausibility of table SG_FUNKTIONEN and Service-IDs....")}) +
                  frameEnd("End Check"));
}

TEST_F(UdsCheckTest, RowRulesGiveTheirFindings)
{
    const QString name58 = s("STAT_") + QString(53, QLatin1Char('A'));
    const QString name63 = s("STAT_") + QString(53, QLatin1Char('A')) + s("_WERT");
    const QByteArray n58 = name58.toUtf8(), n59 = (name58 + s("B")).toUtf8();
    const QByteArray n63 = name63.toUtf8(), n64 = (s("X") + name63).toUtf8();
    const QString at22 = s("  ! Zeile1: 0x1 ($22), "); // the start of a finding in the first row, service 22
    struct Case {
        Fn fn;
        QStringList expected; // empty: the row passes
    };
    const QList<Case> cases = {
        {{}, {}}, // clean 0/1 read
        {{.result = "stat_lamp_wert"}, {at22 + s("STAT_LAMP_WERT[0/1]: Resultname darf nicht mit _WERT enden")}},
        {{.type = "Float"}, {at22 + s("STAT_X[0/1]: Ungültiger Datentyp (float)")}},
        {{.result = "X_STAT_A"}, {at22 + s("X_STAT_A[0/1]: Resultname muss mit STAT_ (bzw. _STAT_) beginnen")}},
        {{.result = "_STAT_A"}, {}}, // _STAT_ prefix passes
        {{.result = "STAT_A B"}, {at22 + s("STAT_A B[0/1]: Resultname darf kein Leerzeichen beinhalten (Pos=7)")}},
        {{.result = "\u00A0stat_stra\u00DFe x "},
         {at22 + s("STAT_STRASSE X[0/1]: Resultname darf kein Leerzeichen beinhalten (Pos=13)")}},
        {{.result = "STAT_CODE", .unit = "HEX"}, {at22 + s("STAT_CODE[hex]: Resultname muss mit _WERT enden")}},
        {{.result = n63.constData(), .unit = "hex"}, {}}, // hex 63 characters pass
        {{.result = n64.constData(), .unit = "hex"}, {at22 + s(n64) + s("[hex]: Resultname zu lang (64/max=63)")}},
        {{.result = n58.constData(), .unit = "0-n"}, {}}, // 0-n 58 characters pass
        {{.result = n59.constData(), .unit = "0-n"}, {at22 + s(n59) + s("[0-n]: Resultname zu lang (59/max=58)")}},
        {{.unit = "0-n", .name = "tab_ok"}, {}}, // 0-n detail table own with WERT and TEXT
        {{.unit = "0-n", .name = "TAB_GEERBT"}, {at22 + s("STAT_X[0-n]: NAME=TAB_GEERBT, Tabelle existiert nicht!")}},
        {{.unit = "0-n", .name = "TAB_OHNE_TEXT"},
         {at22 + s("STAT_X[0-n]: NAME=TAB_OHNE_TEXT; Spalte TEXT nicht in Tabelle gefunden!")}},
        {{.unit = "0-n", .name = "TAB_OHNE_WERT"},
         {at22 + s("STAT_X[0-n]: NAME=TAB_OHNE_WERT; Spalte WERT nicht in Tabelle gefunden!")}},
        {{.result = "STAT_SPEED_WERT", .unit = "rpm", .type = "float"},
         {at22 + s("STAT_SPEED_WERT[rpm]: Warnung: Datentyp 'float' verwendet")}},
        {{.result = "STAT_SPEED_WERT", .unit = "rpm", .type = "motorola float"}, {}}, // physical motorola float passes
        {{.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .mul = "0,5"}, {}},  // MUL with decimal comma passes
        {{.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .mul = "0"},
         {at22 + s("STAT_A_WERT[rpm]: MUL muss Wert <> 0 oder '-' beinhalten")}},
        {{.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .mul = "abc"},
         {at22 + s("STAT_A_WERT[rpm]: MUL muss Wert <> 0 oder '-' beinhalten")}},
        {{.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .div = ""},
         {at22 + s("STAT_A_WERT[rpm]: DIV muss Wert <> 0 oder '-' beinhalten")}},
        {{.result = "STAT_A_WERT", .unit = "-", .type = "string[255]"}, {}}, // sized type 255
        {{.result = "STAT_A_WERT", .unit = "-", .type = "data[256]"},
         {at22 + s("STAT_A_WERT[-]: Ungültiger Datentyp (data[256])")}},
        {{.result = "STAT_A_WERT", .unit = "-", .type = "string[0]"},
         {at22 + s("STAT_A_WERT[-]: Ungültiger Datentyp (string[0])")}},
        {{.result = "STAT_A_WERT", .unit = "-", .type = "string[]"},
         {at22 + s("STAT_A_WERT[-]: Ungültiger Datentyp (string[])")}},
        {{.result = "STAT_A_WERT", .unit = "-", .type = "text[20]"},
         {at22 + s("STAT_A_WERT[-]: Ungültiger Datentyp (text[20])")}},
        {{.unit = "bit", .type = "int", .name = "BF_OK"}, {at22 + s("STAT_X[bit]: Ungültiger Datentyp (int)")}},
        {{.result = "x y", .unit = "bit", .type = "bitfield", .name = "BF_OK"},
         {at22 + s("X Y[bit]: Resultname darf kein Leerzeichen beinhalten (Pos=2)")}},
        {{.unit = "bit", .type = "BITFIELD", .name = "BF_MIX"},
         {at22 + s("STAT_X[bit]: BF_MIX: Im Bitfeld müssen alle Datentypen gleich sein (STAT_B)")}},
        {{.unit = "bit", .type = "bitfield", .name = "BF_GROSS"},
         {at22 + s("STAT_X[bit]: BF_GROSS: Ungültiger Datentyp (Char) für Bitfeld")}},
        {{.unit = "bit", .type = "bitfield", .name = "BF_GEERBT"},
         {at22 + s("STAT_X[bit]: NAME=BF_GEERBT, Bitfeld-Tabelle existiert nicht!")}},
        {{.unit = "bit", .type = "bitfield", .name = "BF_KOPF"},
         {at22 + s("STAT_X[bit]: NAME=BF_KOPF, Bitfeld-Tabelle Header fehlerhaft, "
                   "Spalte(n) EINHEIT;NAME;MUL;DIV nicht gefunden!")}},
        {{.unit = "bit", .type = "bitfield", .name = "BF_DETAIL"},
         {at22 + s("STAT_X[bit]: BF_DETAIL: Detailtabelle (STAT_A): NAME=TAB_FEHLT, Tabelle "
                   "existiert nicht!")}},
        {{.service = "2c"}, {s("  ! Zeile1: 0x1, STAT_X: SID=2C, wird nicht geprüft!")}},
        {{.service = "10"}, {s("  ! Zeile1: 0x1, STAT_X: Keine gültige Service-ID! (SERVICE=10)")}},
        {{.result = "STAT_A_WERT", .service = "22;2E"},
         {at22 + s("STAT_A_WERT[0/1]: Resultname darf nicht mit _WERT enden"),
          s("  ! Zeile1: 0x1 ($2E), Keine ARG_TABELLE parametriert!")}},
        {{.result = "-"}, {at22 + s("Weder Result noch RES_TABELLE angegeben!")}},
        {{.result = "-", .service = "2F"}, {}},      // 2F accepts neither result nor table
        {{.result = "-", .resTable = "res_ok"}, {}}, // result table clean
        {{.result = "-", .resTable = "RES_FEHLT"},
         {at22 + s("Fehler in RES_TABELLE RES_FEHLT!"), s("    ! RES_FEHLT: Tabelle nicht gefunden")}},
        {{.result = "-", .resTable = "RES_KLEIN"},
         {at22 + s("Fehler in RES_TABELLE RES_KLEIN!"),
          s("    ! RES_KLEIN Zeile1: STAT_B[hex]: Resultname muss mit _WERT enden")}},
        {{.result = "-", .resTable = "RES_KOPF"},
         {at22 + s("Fehler in RES_TABELLE RES_KOPF!"), s("    ! RES_KOPF: Tabelle Header fehlerhaft"),
          s("      Spalte(n) EINHEIT;DIV nicht gefunden!")}},
        {{.result = "-", .service = "31", .resTable = "RES_ZWEI"},
         {s("  ! Zeile1: 0x1 ($31), Fehler in RES_TABELLE RES_ZWEI!"),
          s("    ! RES_ZWEI Zeile2: STAT_B[hex]: Resultname muss mit _WERT enden"),
          s("    ! RES_ZWEI Zeile3: STAT_C WERT[-]: Resultname darf kein Leerzeichen beinhalten (Pos=7)")}},
        {{.service = "2E", .argTable = "ARG_OK"}, {}}, // argument table clean
        {{.service = "2F", .argTable = "ARG_FEHLER"},
         {s("  ! Zeile1: 0x1 ($2F), Fehler in ARG_TABELLE ARG_FEHLER!"),
          s("    ! ARG_FEHLER Zeile1: STUFE[0-n]: Detailtabelle muss angegeben werden (NAME)"),
          s("    ! ARG_FEHLER Zeile2: EIN AUS[0/1]: Argumentname darf kein Leerzeichen beinhalten (Pos=4)"),
          s("    ! ARG_FEHLER Zeile3: WERT[nm]: DIV muss Wert <> 0 oder '-' beinhalten")}},
        {{.service = "2E", .argTable = "ARG_FEHLT"},
         {s("  ! Zeile1: 0x1 ($2E), Fehler in ARG_TABELLE ARG_FEHLT!"), s("    ! ARG_FEHLT: Tabelle nicht gefunden")}},
    };
    for (const Case &c : cases) {
        const JobCatalogue catalogue = withRows({row("A", "0x1", c.fn)});
        const QString shown = row("A", "0x1", c.fn).join(u'|');
        EXPECT_EQ(rowFindings(catalogue), lines(c.expected)) << qPrintable(shown);
        EXPECT_EQ(check(catalogue).findings > 0, !c.expected.isEmpty()) << qPrintable(shown);
    }
}

TEST_F(UdsCheckTest, EnglishRowFindingsKeepTheirFixedWords)
{
    const JobCatalogue c = withRows({row("A", "0x1", {.service = "2C"}), row("B", "0x2", {.service = "xx"}),
                                     row("C", "0x3", {.result = "-", .resTable = "RES_FEHLT"})});
    const QString text = check(c, true).text;
    EXPECT_TRUE(text.contains(
        lines({s("  ! Zeile1: 0x1, STAT_X: SID=2C, will not be checked!"),
               s("  ! Zeile2: 0x2, STAT_X: Not a valid Service-ID! (SERVICE=XX)"),
               s("  ! line3: 0x3 ($22), Error in RES_TABELLE RES_FEHLT!"), s("    ! RES_FEHLT: Table not found")})))
        << qPrintable(text);
}

TEST_F(UdsCheckTest, RaggedAndEmptyTablesNeverCrash)
{
    // Cells are stored one after the other, so only the last row can stop
    // early: its missing cells, an empty result table and a table of one
    // empty header all read as empty.
    const JobCatalogue c = withRows({cells("B|0x2|-|0/1|int|-|-|-|22|-|RES_LEER"), {s("A"), s("0x3")}},
                                    {{s("RES_LEER"), {}}, {s("TAB_X"), {{}}}});
    const UdsCheckReport report = check(c);
    EXPECT_TRUE(report.text.contains(lines(
        {s("  ! Zeile1: 0x2 ($22), Fehler in RES_TABELLE RES_LEER!"), s("    ! RES_LEER: Tabelle Header fehlerhaft"),
         s("      Spalte(n) RESULTNAME;EINHEIT;DATENTYP;NAME;MUL;DIV nicht gefunden!"),
         s("  ! Zeile2: 0x3, : Keine gültige Service-ID! (SERVICE=)")})))
        << qPrintable(report.text);
    EXPECT_TRUE(report.text.endsWith(frameEnd("Ende Prüfung")));
}

} // namespace
