// The rules of the status-read and control assistants and of the result
// preview, on descriptions held in memory.
#include "uds/ControlAssistant.h"
#include "uds/StatusReadAssistant.h"
#include "uds/UdsResultPreview.h"
#include "uds/UdsTable.h"

#include "UdsTestCatalogue.h"
#include "shell/TextCatalogue.h"

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::test;

namespace {

QStringList entryTexts(const QList<UdsFunctionEntry> &entries)
{
    QStringList texts;
    for (const UdsFunctionEntry &e : entries)
        texts << e.text;
    return texts;
}

class UdsAssistantTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(texts.loadBuiltIn().ok()); }
    TextCatalogue texts;
};

} // namespace

TEST(UdsTable, RaggedAndMissingCellsReadEmpty)
{
    const JobCatalogue c =
        makeCatalogue({{s("T"), {cells(" arg |ID|ARG"), cells("a|b|c"), {s("d")}}}, {s("t"), {{s("X")}}, s("b")}});
    const UdsTable t(c, UdsTable::lookup(c, s("t")));
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.column(s("ARG")), 0); // trimmed, first match
    EXPECT_EQ(t.column(s("NAME")), -1);
    EXPECT_EQ((QStringList{t.cell(2, 0), t.cell(2, 2), t.cell(3, 0), t.cell(-1, 0), UdsTable(c, 99).cell(0, 0)}),
              (QStringList{s("d"), {}, {}, {}, {}}));
    EXPECT_EQ(UdsTable(c, 99).rowCount(), 0);
}

TEST(StatusReadAssistant, ListsComposeAndPreselection)
{
    const JobCatalogue c = assistantCatalogue();
    struct Case {
        const char *argument; // argument text in
        bool info;
        QStringList entries; // expected list
        const char *composed;
    };
    const Case cases[] = {
        // duplicate labels once; pure control rows never appear; nothing selected
        {"", false, cells("Drehzahl|Temperatur|Luefter|Statusbits|Mix"), "LABEL"},
        // ID option, selection in list order, not in the order of the argument
        {"id;0x4005; 0x4000 ", false, cells("0x4000|0x4001|0x4009|0x4200|0x4005|0x4006"), "ID;0x4000;0x4005"},
        // an unknown selector checks LABEL; unknown names are dropped, names match in any case
        {"XYZ;nix;DREHZAHL", false, cells("Drehzahl|Temperatur|Luefter|Statusbits|Mix"), "LABEL;Drehzahl"},
        // with the second column the entry shows it, the argument only the name
        {"ARG;LUEFTER",
         true,
         {s("DREHZAHL | 0x4000"), s("TEMP | 0x4001"), s("TEMP2 | 0x4009"), s("LUEFTER | 0x4200"),
          s("STATUSBITS | 0x4005"), s("MIX | 0x4006")},
         "ARG;LUEFTER"},
        {"ID;0x4001",
         true,
         {s("0x4000 | DREHZAHL"), s("0x4001 | TEMP"), s("0x4009 | TEMP2"), s("0x4200 | LUEFTER"),
          s("0x4005 | STATUSBITS"), s("0x4006 | MIX")},
         "ID;0x4001"},
    };
    for (const Case &k : cases) {
        StatusReadAssistant a(c);
        a.setInfo(k.info);
        a.preselect(s(k.argument));
        EXPECT_EQ(a.entryTexts(), k.entries) << k.argument;
        EXPECT_EQ(a.compose(), s(k.composed)) << k.argument;
        EXPECT_EQ(a.toolTip(), a.compose().section(u';', 1)) << k.argument;
    }

    // Changing the column loses the selection.
    StatusReadAssistant a(c);
    a.preselect(s("LABEL;Mix"));
    a.setColumn(2);
    EXPECT_EQ(a.compose(), s("ARG"));
}

TEST(StatusReadAssistant, MessagesNeverBecomeNames)
{
    struct Case {
        JobCatalogue catalogue;
        const char *message;
    };
    const Case cases[] = {
        // SG_FUNKTIONEN only from a used description
        {makeCatalogue({{s("SG_FUNKTIONEN"), {functionHeader(), functionRow("A", "1", "L", "R", "22")}, s("b")}}),
         "---- Tabelle SG_FUNKTIONEN nicht gefunden ----"},
        {makeCatalogue({{s("SG_FUNKTIONEN"), {{s("ARG"), s("SERVICE")}, {s("A"), s("22")}}}}),
         "---- Spalte LABEL in SG_FUNKTIONEN nicht gefunden ----"},
        // only control rows, and a row whose label is "-"
        {makeCatalogue(
             {{s("SG_FUNKTIONEN"),
               {functionHeader(), functionRow("A", "1", "L", "-", "2E"), functionRow("B", "2", "-", "R", "22")}}}),
         "---- kein Eintrag in Spalte LABEL gefunden ----"},
        // no SERVICE column: every cell reads "-"
        {makeCatalogue({{s("SG_FUNKTIONEN"), {{s("LABEL")}, {s("L")}}}}),
         "---- kein Eintrag in Spalte LABEL gefunden ----"},
    };
    for (const Case &k : cases) {
        StatusReadAssistant a(k.catalogue);
        ASSERT_EQ(a.entryTexts(), QStringList{s(k.message)});
        a.setSelected(0, true);
        EXPECT_EQ(a.compose(), s("LABEL")) << k.message;
    }
}

TEST_F(UdsAssistantTest, ControlComposition)
{
    const JobCatalogue c = assistantCatalogue();
    struct Case {
        const char *service;
        const char *argument; // argument text in
        QStringList values;   // typed or chosen afterwards (list entries by their text)
        int rows;             // argument rows shown
        const char *composed;
    };
    const Case cases[] = {
        // a switch and a physical value, no control parameter
        {"2E", "ARG;LEERLAUF", {s("1"), s("1500")}, 2, "ARG;LEERLAUF;1;1500"},
        // RTD shows no rows; the parameter still ends the argument
        {"2F", "ARG;LUEFTER;RTD", {}, 0, "ARG;LUEFTER;RTD"},
        // a discrete value is composed from its text
        {"2F", "ARG;LUEFTER;STA", {s("EIN")}, 1, "ARG;LUEFTER;STA;EIN"},
        // a discrete value given by its number selects the entry of that WERT
        {"2F", "ARG;LUEFTER;STA;0x1", {}, 1, "ARG;LUEFTER;STA;EIN"},
        // STPR shows only the rows marked for it
        {"31", "ARG;TEST;STPR", {s("AUS")}, 1, "ARG;TEST;STPR;"},
        {"31", "ARG;TEST;STR;5", {}, 2, "ARG;TEST;STR;5;"},
        // without STR/STPR columns every row is shown for both
        {"31", "ARG;ALT;STPR;1;2", {}, 2, "ARG;ALT;STPR;1;2"},
        {"31", "ARG;ALT;RRR", {}, 0, "ARG;ALT;RRR"},
        // unknown function: the first entry; unknown parameter: STA / STR
        {"2F", "ARG;NIX;XYZ", {}, 1, "ARG;LUEFTER;STA;"},
        {"31", "LABEL;Test;XYZ;7", {}, 2, "LABEL;Test;STR;7;"},
        // 11 arguments: the grid's place shows the error, no values
        {"2E", "ARG;KENNFELD;1;2", {}, 11, "ARG;KENNFELD"},
        // an argument table from a used description is no argument table
        {"2E", "ARG;FREMD;5", {}, 0, "ARG;FREMD"},
    };
    for (const Case &k : cases) {
        ControlAssistant a(c, texts, s(k.service));
        a.open(s(k.argument));
        ASSERT_EQ(a.rows().size(), k.rows) << k.argument;
        EXPECT_EQ(a.gridShown(), k.rows <= 10) << k.argument;
        for (qsizetype i = 0; i < k.values.size(); ++i)
            a.fillValue(int(i), k.values.at(i));
        const ControlAssistant::Composed composed = a.compose();
        ASSERT_TRUE(composed.ok) << k.argument;
        EXPECT_EQ(composed.text, s(k.composed)) << k.argument;
    }
}

TEST_F(UdsAssistantTest, ControlEntriesAndChecks)
{
    const JobCatalogue c = assistantCatalogue();
    ControlAssistant io(c, texts, s("2F"));
    io.open(QString());
    EXPECT_EQ(entryTexts(io.statusEntries()), (QStringList{s("Luefter"), s("Klappe")}));
    EXPECT_EQ(io.controlParameter(), s("STA"));
    EXPECT_EQ(io.parameterOptions().at(1).toolTip, s("resetToDefault"));
    ASSERT_EQ(io.values().at(0).kind, ControlAssistant::EntryKind::Discrete);
    EXPECT_EQ(io.values().at(0).items, (QStringList{s("0 | AUS"), s("1 | EIN")}));
    EXPECT_FALSE(io.values().at(0).valid); // every entry starts empty and warned
    io.chooseValue(0, 1);
    EXPECT_TRUE(io.values().at(0).valid);
    io.fillValue(0, s("7")); // no such value: kept as typed text, still warned
    EXPECT_TRUE(io.values().at(0).text == s("7") && !io.values().at(0).valid && io.firstInvalidValue() == 0);
    EXPECT_EQ(io.compose().text, s("LABEL;Luefter;STA;"));

    ControlAssistant write(c, texts, s("2E"));
    write.open(s("ARG;LEERLAUF;1;599"));
    EXPECT_EQ(write.caption(), texts.text(603) + s(" STEUERN"));
    EXPECT_FALSE(write.parameterFrameVisible());
    EXPECT_EQ(write.infoString(), s("an/aus#|#Soll#|#"));
    EXPECT_EQ(write.rowToolTip(2) + u'|' + write.rowToolTip(3), s("Soll|"));
    EXPECT_EQ(write.firstInvalidValue(), 1); // 599 is below MIN 600
    write.setValueText(1, s("600"));
    EXPECT_EQ(write.firstInvalidValue(), -1);
    write.setValueText(0, QString());
    EXPECT_EQ(write.compose().emptyValues, QStringList{texts.text(609) + s(" 1: ") + texts.text(610)});

    ControlAssistant big(c, texts, s("2E"));
    big.open(s("ARG;KENNFELD"));
    EXPECT_EQ(big.gridErrorText(), s("\r11 ") + texts.text(606) + s(" ARG_KENNFELD\r\r") + texts.text(607));
    EXPECT_EQ(big.firstInvalidValue(), -1);

    // No SG_FUNKTIONEN: the message entry cannot be composed.
    const JobCatalogue none = makeCatalogue({});
    ControlAssistant empty(none, texts, s("31"));
    empty.open(s("ARG;TEST"));
    EXPECT_TRUE(empty.statusWarning() && !empty.compose().ok);
    EXPECT_EQ(empty.compose().error, texts.text(611));
    EXPECT_EQ(ControlAssistant::jobName(s("22")), s("<22> Tag unbekannt !"));
}

TEST(UdsResultPreview, LinesPerAddressedFunction)
{
    const JobCatalogue c = assistantCatalogue();
    struct Case {
        const char *job;
        const char *argument;
        QStringList lines;
    };
    const Case cases[] = {
        {"status_lesen", "ARG", {}},
        {"IDENT", "ARG;DREHZAHL", {}},
        {"STATUS_LESEN", "XYZ;DREHZAHL", {}},
        // three labels: one lacks 22, the others bring their names; a second row of a label is never reached
        {"STATUS_LESEN",
         "LABEL;Drehzahl;Leerlauf;Temperatur",
         {s("------ label=drehzahl (0x4000) ------"), s("stat_drehzahl_wert"),
          s("------ label=temperatur (0x4001) ------"), s("stat_temp_wert")}},
        // a bitfield function lists its members; a result table may hold a bitfield row
        {"STATUS_LESEN",
         "ID;0x4005;0x4006",
         {s("------ id=0x4005 (statusbits) ------"), s("stat_bit_a"), s("stat_bit_b"),
          s("------ id=0x4006 (mix) ------"), s("stat_bit_a"), s("stat_bit_b"), s("stat_stunden_wert")}},
        // control jobs preview only their function
        {"STEUERN_IO", "ARG;LUEFTER;STA;1", {s("------ arg=luefter (0x4200) ------"), s("stat_stufe")}},
        {"STEUERN_ROUTINE", "ARG;TEST;STPR", {s("------ arg=test (0xf010) ------"), s("stat_routine")}},
        {"STEUERN_ROUTINE",
         "ARG;TEST;RRR",
         {s("------ arg=test (0xf010) ------"), s("stat_routine"), s("stat_spannung_wert")}},
        {"STEUERN_ROUTINE", "ARG;TEST", {s("------ arg=test (0xf010) ------")}},
        {"STEUERN", "ARG;LEERLAUF", {s("------ arg=leerlauf (0x4100) ------")}},
    };
    for (const Case &k : cases)
        EXPECT_EQ(UdsResultPreview::lines(c, s(k.job), s(k.argument)), k.lines) << k.job << " " << k.argument;
    EXPECT_EQ(UdsResultPreview::timeText(12), s("Zeit= 12ms"));
}
