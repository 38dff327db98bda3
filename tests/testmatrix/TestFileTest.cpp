// The test file: the layout written and read, the size limit, the name rules
// and the new/load/save operations with their questions.
#include "testmatrix/TestFile.h"
#include "Support.h"
#include "runtime/FakeVedamisApi.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestDocument.h"
#include "testmatrix/TestMatrix.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace Qt::StringLiterals;
using kitbox::test::readAll;
using kitbox::test::writeFile;

namespace {

TextCatalogue &germanTexts()
{
    TextCatalogue &t = TextCatalogue::shared();
    t.selectLanguage(QStringLiteral("D"));
    return t;
}

} // namespace

TEST(TestFileLayout, WritesOnlyUpToTheLastCellAndRow)
{
    const struct {
        const char *name;
        int row;
        QStringList fields; // columns 1 to 11 of that step
        const char *file;
    } cases[] = {
        {"empty matrix", 1, {}, ""},
        {"only step 3", 3, {u"1"_s, {}, u"ident"_s}, "\r\n\r\n1||ident\r\n"},
        {"only column 2", 1, {{}, u"d_motor"_s}, "|d_motor\r\n"},
        {"all eleven fields",
         1,
         {u"2"_s, u"d_motor"_s, u"status_lesen"_s, {}, {}, u"STAT"_s, {}, u"STAT"_s, u"1"_s, u"5"_s, u"3"_s},
         "2|d_motor|status_lesen|||STAT||STAT|1|5|3\r\n"},
        {"step 15 and blanks kept",
         15,
         {{}, {}, {}, {}, u" a b "_s},
         "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n|||| a b \r\n"},
    };
    for (const auto &c : cases) {
        TestMatrix m;
        for (int column = 1; column <= c.fields.size(); ++column)
            m.setCell(c.row, column, c.fields.at(column - 1));
        EXPECT_EQ(m.serialise(), QString::fromUtf8(c.file)) << c.name;
        TestMatrix back;
        back.paste(m.serialise());
        EXPECT_TRUE(back == m) << c.name << ": the file reads back as the same matrix";
    }
}

TEST(TestFileLayout, ReadingAcceptsEveryLineEndAndDropsWhatDoesNotFit)
{
    QByteArray twenty;
    for (int i = 1; i <= 20; ++i)
        twenty += QByteArray::number(i) + "|job" + QByteArray::number(i) + "\r\n";
    const QByteArray fifteen = twenty.left(twenty.indexOf("16|"));
    // What was read, written out again (the layout itself is checked above).
    const struct {
        const char *name;
        QByteArray text;
        const char *read;
    } cases[] = {
        {"no final line break", "1|a\r\n2|b", "1|a\r\n2|b\r\n"},
        {"LF only", "1|a\n\n3|c\n", "1|a\r\n\r\n3|c\r\n"},
        {"CR only", "1|a\r2|b\r", "1|a\r\n2|b\r\n"},
        {"fields past column 11", "1|2|3|4|5|6|7|8|9|10|11|12|13", "1|2|3|4|5|6|7|8|9|10|11\r\n"},
        {"leading separator", "|d_motor", "|d_motor\r\n"},
        {"lines 16 to 20 are dropped", twenty, fifteen.constData()},
    };
    for (const auto &c : cases) {
        TestMatrix m;
        m.setCell(7, 7, QStringLiteral("old content"));
        m.paste(QString::fromUtf8(c.text));
        EXPECT_EQ(m.serialise(), QString::fromUtf8(c.read)) << c.name;
        EXPECT_EQ(m.cell(1, 0), QStringLiteral("1")) << "the step numbers stay";
        EXPECT_EQ(m.cell(0, 11), QStringLiteral("L: Nein")) << "the titles stay";
    }
}

TEST(TestFileReading, OversizedFileKeepsItsEndBehindTheWarning)
{
    const TextCatalogue &texts = germanTexts();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BIG.TST"));
    // Each line holds a multi-byte character, so the cut lands inside one at some point.
    QByteArray body;
    while (body.size() <= testFileSizeLimit * 4 + 5000)
        body += "1|d_m\xC3\xB6tor|ident\r\n";
    body += "9|last|line\r\n";
    writeFile(path, body);

    const auto read = readTestFile(path, texts);
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_TRUE(read.value().truncated);
    EXPECT_EQ(read.value().fileSize, body.size());
    EXPECT_TRUE(read.value().text.endsWith(u"9|last|line\r\n"));
    EXPECT_FALSE(read.value().text.contains(QChar(0xFFFD))) << "the cut character is dropped, not mangled";
    EXPECT_FALSE(read.value().text.contains(u"\u00C3")) << "still read as UTF-8";

    TestMatrix m;
    m.paste(read.value().text);
    EXPECT_EQ(m.cell(1, 1), QStringLiteral("! ! ! ! ! ! ! ! ! ! ! ! ! ! ! ! ! ! ! !"));
    EXPECT_EQ(m.cell(2, 1), QStringLiteral("! Vorsicht Datei wurde abgeschnitten  !"));
    EXPECT_EQ(m.cell(3, 1), m.cell(1, 1));
    EXPECT_EQ(oversizedTestFileMessage(path, 36000, texts),
              u"Datei: " + path + u"\nist zu groß (36000) Bytes\nDer vordere Teil wird abgeschnitten!");

    EXPECT_FALSE(readTestFile(dir.filePath(QStringLiteral("NONE.TST")), texts).ok());
    EXPECT_FALSE(readTestFile(dir.path(), texts).ok()) << "a directory is no test file";
}

TEST(TestFileNames, SaveNameIsCutAfterTheExtension)
{
    const struct {
        const char *chosen;
        const char *saved; // nullptr: refused
    } cases[] = {
        {"/t/run.tst", "/t/run.tst"}, {"/t/RUN.TST.bak", "/t/RUN.TST"},   {"/t/run.TsTx", "/t/run.TsT"},
        {"/t/run.txt", nullptr},      {"/t/straße.tst", "/t/straße.tst"},
    };
    for (const auto &c : cases) {
        const auto name = testFileSaveName(QString::fromUtf8(c.chosen));
        if (c.saved == nullptr)
            EXPECT_FALSE(name.has_value()) << c.chosen;
        else
            EXPECT_EQ(name.value_or(QString()), QString::fromUtf8(c.saved)) << c.chosen;
    }
}

class TestDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        api.setConfig(QStringLiteral("EcuPath"), dir.path());
        writeFile(file("A.TST"), "1|d_motor|ident\r\n");
    }
    QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString lastMessage() const { return dialogs.messages().isEmpty() ? QString() : dialogs.messages().last().text; }

    QTemporaryDir dir;
    ScriptedDialogService dialogs;
    FakeVedamisApi api;
    TestDocument doc{dialogs, germanTexts(), api};
};

// The boxes of each refusal, by the start of their text.
TEST_F(TestDocumentTest, LoadChecksNameAndFile)
{
    const struct {
        const char *chosen;
        bool loads;
        QString box; // start of the message; empty: none
    } cases[] = {
        {"A.TXT", false, u"Kein gültiger Name."_s},
        {"MISSING.TST", false, u"Testdatei nicht gefunden.\n"_s},
        {"A", true, QString()}, // a name without extension gets .tst
    };
    writeFile(file("A.tst"), "2|d_alt|ident\r\n");
    for (const auto &c : cases) {
        dialogs.clear();
        dialogs.setNextFileName(file(c.chosen));
        EXPECT_EQ(doc.testLaden(), c.loads) << c.chosen;
        EXPECT_EQ(dialogs.shown().first().text, dir.path()) << "the dialog starts in EcuPath";
        EXPECT_TRUE(c.box.isEmpty() ? dialogs.messages().isEmpty() : lastMessage().startsWith(c.box)) << c.chosen;
    }
    EXPECT_EQ(doc.path(), file("A.tst"));
    EXPECT_EQ(doc.matrix().cell(1, 2), u"d_alt"_s);
    EXPECT_EQ(doc.statusText(), u" Testdatei : " + file("A.tst"));
    EXPECT_FALSE(doc.changed());
}

TEST_F(TestDocumentTest, ChangeCheckAnswers)
{
    for (const DialogAnswer answer : {DialogAnswer::Cancel, DialogAnswer::No, DialogAnswer::Yes}) {
        SCOPED_TRACE(int(answer));
        writeFile(file("A.TST"), "1|d_motor|ident\r\n");
        TestDocument doc{dialogs, germanTexts(), api};
        ASSERT_TRUE(doc.openFile(file("A.TST")));
        doc.matrix().setCell(1, 3, u"edited"_s);
        doc.setChanged();
        dialogs.clear();
        dialogs.setNextAnswer(answer);
        EXPECT_EQ(doc.testNeu(), answer != DialogAnswer::Cancel);
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_EQ(dialogs.messages().first().title, u"Speichern von  " + file("A.TST"));
        EXPECT_EQ(readAll(file("A.TST")), answer == DialogAnswer::Yes ? "1|d_motor|edited\r\n" : "1|d_motor|ident\r\n");
        // Cancel keeps the matrix, its name and its change; the others start anew.
        const bool kept = answer == DialogAnswer::Cancel;
        EXPECT_EQ(doc.matrix().stepIsEmpty(1), !kept);
        EXPECT_EQ(doc.changed(), kept);
        EXPECT_EQ(doc.path(), kept ? file("A.TST") : QString());
    }
    dialogs.clear();
    ASSERT_TRUE(doc.openFile(file("A.TST")));
    EXPECT_TRUE(doc.changeCheck()) << "an unchanged test asks nothing";
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(TestDocumentTest, SaveAsAsksForNameAndOverwrite)
{
    ASSERT_TRUE(doc.openFile(file("A.TST")));
    doc.matrix().setCell(2, 2, u"d_alt"_s);
    const struct {
        QString chosen;
        DialogAnswer answer;
        bool saved;
        QString path, box; // the name afterwards; the start of the message, empty: none
    } cases[] = {
        {file("B.TXT"), DialogAnswer::Ok, false, file("A.TST"), file("B.TXT") + u"\nKein gültiger Name.."},
        {file("A.TST"), DialogAnswer::No, false, file("A.TST"), file("A.TST") + u"\nbesteht bereits.\n\n"},
        {file("C.TST.old"), DialogAnswer::Ok, true, file("C.TST"), QString()},
        // A file in a directory that does not exist cannot be written; the old name stays.
        {dir.filePath(u"no/such/D.TST"_s), DialogAnswer::Ok, false, file("C.TST"), u"Fehler beim Speichern\n"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        dialogs.clear();
        dialogs.setNextFileName(c.chosen);
        dialogs.setNextAnswer(c.answer);
        doc.setChanged();
        EXPECT_EQ(doc.testSpeichernUnter(), c.saved);
        EXPECT_EQ(doc.path(), c.path);
        EXPECT_EQ(doc.changed(), !c.saved);
        EXPECT_TRUE(c.box.isEmpty() ? dialogs.messages().isEmpty() : lastMessage().startsWith(c.box));
    }
    EXPECT_EQ(readAll(file("A.TST")), QByteArray("1|d_motor|ident\r\n")) << "No writes nothing";
    EXPECT_EQ(readAll(file("C.TST")), QByteArray("1|d_motor|ident\r\n|d_alt\r\n"));
}
