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
    return {s("ARG"), s("ID"),  s("RESULTNAME"), s("EINHEIT"),     s("DATENTYP"),   s("NAME"),
            s("MUL"), s("DIV"), s("SERVICE"),    s("ARG_TABELLE"), s("RES_TABELLE")};
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
    return {s(first), s("EINHEIT"), s("DATENTYP"), s("NAME"), s("MUL"), s("DIV")};
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
        {s("TAB_OK"), {{s("WERT"), s("TEXT")}, {s("0"), s("aus")}}},
        {s("TAB_OHNE_TEXT"), {{s("WERT"), s("INFO")}}},
        {s("TAB_OHNE_WERT"), {{s(" text "), s("INFO")}}},
        {s("TAB_GEERBT"), {{s("WERT"), s("TEXT")}}, s("d_basis")},
        {s("RES_OK"), {res, {s("STAT_A_WERT"), s("rpm"), s("int"), s("-"), s("0,5"), s("2")}}},
        {s("RES_KOPF"), {{s("RESULTNAME"), s("DATENTYP"), s("NAME"), s("MUL")}}},
        {s("RES_ZWEI"),
         {res,
          {s("STAT_A"), s("0-n"), s("int"), s("-"), s("-"), s("-")},
          {s("STAT_B"), s("hex"), s("int"), s("-"), s("-"), s("-")},
          {s("STAT_C WERT"), s("-"), s("int"), s("-"), s("-"), s("-")}}},
        {s("ARG_OK"), {arg, {s("STUFE"), s("0-n"), s("int"), s("TAB_OK"), s("-"), s("-")}}},
        {s("ARG_FEHLER"),
         {arg,
          {s("STUFE"), s("0-n"), s("int"), s("-"), s("-"), s("-")},
          {s("EIN AUS"), s("0/1"), s("int"), s("-"), s("-"), s("-")},
          {s("WERT"), s("Nm"), s("float"), s("-"), s("1"), s("0")}}},
        {s("BF_OK"),
         {res,
          {s("STAT_A"), s("0/1"), s("int"), s("-"), s("0"), s("")},
          {s("STAT_B"), s("0-n"), s("int"), s("TAB_OK"), s("-"), s("-")}}},
        {s("BF_MIX"),
         {res,
          {s("STAT_A"), s("0/1"), s("char"), s("-"), s("-"), s("-")},
          {s("STAT_B"), s("0/1"), s("int"), s("-"), s("-"), s("-")}}},
        {s("BF_GROSS"), {res, {s("STAT_A"), s("0/1"), s("Char"), s("-"), s("-"), s("-")}}},
        {s("BF_KOPF"), {{s("RESULTNAME"), s("DATENTYP")}}},
        {s("BF_DETAIL"), {res, {s("STAT_A"), s("0-n"), s("int"), s("TAB_FEHLT"), s("-"), s("-")}}},
        {s("BF_GEERBT"), {res}, s("d_basis")},
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
    struct Case {
        const char *what;
        Fn fn;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"clean 0/1 read", {}, {}},
        {"0/1 must not end in _WERT",
         {.result = "stat_lamp_wert"},
         {s("  ! Zeile1: 0x1 ($22), STAT_LAMP_WERT[0/1]: Resultname darf nicht mit _WERT enden")}},
        {"0/1 needs an integer type",
         {.type = "Float"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[0/1]: Ungültiger Datentyp (float)")}},
        {"prefix at position 1 only",
         {.result = "X_STAT_A"},
         {s("  ! Zeile1: 0x1 ($22), X_STAT_A[0/1]: Resultname muss mit STAT_ (bzw. _STAT_) beginnen")}},
        {"_STAT_ prefix passes", {.result = "_STAT_A"}, {}},
        {"blank in result name",
         {.result = "STAT_A B"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A B[0/1]: Resultname darf kein Leerzeichen beinhalten (Pos=7)")}},
        {"cells beyond ASCII trimmed and upper-cased as text",
         {.result = "\u00A0stat_stra\u00DFe x "},
         {s("  ! Zeile1: 0x1 ($22), STAT_STRASSE X[0/1]: Resultname darf kein Leerzeichen beinhalten (Pos=13)")}},
        {"hex must end in _WERT",
         {.result = "STAT_CODE", .unit = "HEX"},
         {s("  ! Zeile1: 0x1 ($22), STAT_CODE[hex]: Resultname muss mit _WERT enden")}},
        {"hex 63 characters pass", {.result = n63.constData(), .unit = "hex"}, {}},
        {"hex 64 characters fail",
         {.result = n64.constData(), .unit = "hex"},
         {s("  ! Zeile1: 0x1 ($22), ") + s(n64) + s("[hex]: Resultname zu lang (64/max=63)")}},
        {"0-n 58 characters pass", {.result = n58.constData(), .unit = "0-n"}, {}},
        {"0-n 59 characters fail",
         {.result = n59.constData(), .unit = "0-n"},
         {s("  ! Zeile1: 0x1 ($22), ") + s(n59) + s("[0-n]: Resultname zu lang (59/max=58)")}},
        {"0-n detail table own with WERT and TEXT", {.unit = "0-n", .name = "tab_ok"}, {}},
        {"0-n detail table only inherited",
         {.unit = "0-n", .name = "TAB_GEERBT"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[0-n]: NAME=TAB_GEERBT, Tabelle existiert nicht!")}},
        {"0-n detail table without TEXT",
         {.unit = "0-n", .name = "TAB_OHNE_TEXT"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[0-n]: NAME=TAB_OHNE_TEXT; Spalte TEXT nicht in Tabelle gefunden!")}},
        {"0-n detail table without WERT",
         {.unit = "0-n", .name = "TAB_OHNE_WERT"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[0-n]: NAME=TAB_OHNE_WERT; Spalte WERT nicht in Tabelle gefunden!")}},
        {"physical float warns",
         {.result = "STAT_SPEED_WERT", .unit = "rpm", .type = "float"},
         {s("  ! Zeile1: 0x1 ($22), STAT_SPEED_WERT[rpm]: Warnung: Datentyp 'float' verwendet")}},
        {"physical motorola float passes", {.result = "STAT_SPEED_WERT", .unit = "rpm", .type = "motorola float"}, {}},
        {"MUL with decimal comma passes", {.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .mul = "0,5"}, {}},
        {"MUL 0",
         {.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .mul = "0"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[rpm]: MUL muss Wert <> 0 oder '-' beinhalten")}},
        {"MUL letters",
         {.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .mul = "abc"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[rpm]: MUL muss Wert <> 0 oder '-' beinhalten")}},
        {"DIV empty",
         {.result = "STAT_A_WERT", .unit = "rpm", .type = "int", .div = ""},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[rpm]: DIV muss Wert <> 0 oder '-' beinhalten")}},
        {"sized type 255", {.result = "STAT_A_WERT", .unit = "-", .type = "string[255]"}, {}},
        {"sized type 256",
         {.result = "STAT_A_WERT", .unit = "-", .type = "data[256]"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[-]: Ungültiger Datentyp (data[256])")}},
        {"sized type 0",
         {.result = "STAT_A_WERT", .unit = "-", .type = "string[0]"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[-]: Ungültiger Datentyp (string[0])")}},
        {"sized type empty brackets",
         {.result = "STAT_A_WERT", .unit = "-", .type = "string[]"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[-]: Ungültiger Datentyp (string[])")}},
        {"sized type of another base",
         {.result = "STAT_A_WERT", .unit = "-", .type = "text[20]"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[-]: Ungültiger Datentyp (text[20])")}},
        {"bit needs bitfield",
         {.unit = "bit", .type = "int", .name = "BF_OK"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[bit]: Ungültiger Datentyp (int)")}},
        {"bitfield clean, no name rules",
         {.result = "x y", .unit = "bit", .type = "bitfield", .name = "BF_OK"},
         {s("  ! Zeile1: 0x1 ($22), X Y[bit]: Resultname darf kein Leerzeichen beinhalten (Pos=2)")}},
        {"bitfield of mixed types",
         {.unit = "bit", .type = "BITFIELD", .name = "BF_MIX"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[bit]: BF_MIX: Im Bitfeld müssen alle Datentypen gleich sein (STAT_B)")}},
        {"bitfield member type is case-sensitive",
         {.unit = "bit", .type = "bitfield", .name = "BF_GROSS"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[bit]: BF_GROSS: Ungültiger Datentyp (Char) für Bitfeld")}},
        {"bitfield only inherited",
         {.unit = "bit", .type = "bitfield", .name = "BF_GEERBT"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[bit]: NAME=BF_GEERBT, Bitfeld-Tabelle existiert nicht!")}},
        {"bitfield header",
         {.unit = "bit", .type = "bitfield", .name = "BF_KOPF"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[bit]: NAME=BF_KOPF, Bitfeld-Tabelle Header fehlerhaft, "
            "Spalte(n) EINHEIT;NAME;MUL;DIV nicht gefunden!")}},
        {"bitfield member detail table",
         {.unit = "bit", .type = "bitfield", .name = "BF_DETAIL"},
         {s("  ! Zeile1: 0x1 ($22), STAT_X[bit]: BF_DETAIL: Detailtabelle (STAT_A): NAME=TAB_FEHLT, Tabelle "
            "existiert nicht!")}},
        {"2C is not checked", {.service = "2c"}, {s("  ! Zeile1: 0x1, STAT_X: SID=2C, wird nicht geprüft!")}},
        {"unknown service", {.service = "10"}, {s("  ! Zeile1: 0x1, STAT_X: Keine gültige Service-ID! (SERVICE=10)")}},
        {"22;2E runs both blocks",
         {.result = "STAT_A_WERT", .service = "22;2E"},
         {s("  ! Zeile1: 0x1 ($22), STAT_A_WERT[0/1]: Resultname darf nicht mit _WERT enden"),
          s("  ! Zeile1: 0x1 ($2E), Keine ARG_TABELLE parametriert!")}},
        {"22 with neither result nor table",
         {.result = "-"},
         {s("  ! Zeile1: 0x1 ($22), Weder Result noch RES_TABELLE angegeben!")}},
        {"2F accepts neither result nor table", {.result = "-", .service = "2F"}, {}},
        {"result table clean", {.result = "-", .resTable = "res_ok"}, {}},
        {"result table missing",
         {.result = "-", .resTable = "RES_FEHLT"},
         {s("  ! Zeile1: 0x1 ($22), Fehler in RES_TABELLE RES_FEHLT!"), s("    ! RES_FEHLT: Tabelle nicht gefunden")}},
        {"result table header",
         {.result = "-", .resTable = "RES_KOPF"},
         {s("  ! Zeile1: 0x1 ($22), Fehler in RES_TABELLE RES_KOPF!"), s("    ! RES_KOPF: Tabelle Header fehlerhaft"),
          s("      Spalte(n) EINHEIT;DIV nicht gefunden!")}},
        {"result table rows",
         {.result = "-", .service = "31", .resTable = "RES_ZWEI"},
         {s("  ! Zeile1: 0x1 ($31), Fehler in RES_TABELLE RES_ZWEI!"),
          s("    ! RES_ZWEI Zeile2: STAT_B[hex]: Resultname muss mit _WERT enden"),
          s("    ! RES_ZWEI Zeile3: STAT_C WERT[-]: Resultname darf kein Leerzeichen beinhalten (Pos=7)")}},
        {"argument table clean", {.service = "2E", .argTable = "ARG_OK"}, {}},
        {"argument table rows",
         {.service = "2F", .argTable = "ARG_FEHLER"},
         {s("  ! Zeile1: 0x1 ($2F), Fehler in ARG_TABELLE ARG_FEHLER!"),
          s("    ! ARG_FEHLER Zeile1: STUFE[0-n]: Detailtabelle muss angegeben werden (NAME)"),
          s("    ! ARG_FEHLER Zeile2: EIN AUS[0/1]: Argumentname darf kein Leerzeichen beinhalten (Pos=4)"),
          s("    ! ARG_FEHLER Zeile3: WERT[nm]: DIV muss Wert <> 0 oder '-' beinhalten")}},
        {"argument table missing",
         {.service = "2E", .argTable = "ARG_FEHLT"},
         {s("  ! Zeile1: 0x1 ($2E), Fehler in ARG_TABELLE ARG_FEHLT!"), s("    ! ARG_FEHLT: Tabelle nicht gefunden")}},
    };
    for (const Case &c : cases) {
        const JobCatalogue catalogue = withRows({row("A", "0x1", c.fn)});
        EXPECT_EQ(rowFindings(catalogue), lines(c.expected)) << c.what;
        EXPECT_EQ(check(catalogue).findings > 0, !c.expected.isEmpty()) << c.what;
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
    const JobCatalogue c = withRows(
        {{s("B"), s("0x2"), s("-"), s("0/1"), s("int"), s("-"), s("-"), s("-"), s("22"), s("-"), s("RES_LEER")},
         {s("A"), s("0x3")}},
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
