// The assistant windows driven as a user would, and the command line giving
// the same argument for the same choices. What is listed and composed is the
// assistants' rules (UdsAssistantTest); the windows show it and hand it on.
#include "cli/UdsCommand.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"
#include "uds/Job_00_Form.h"
#include "uds/Job_22_Form.h"

#include "UdsTestCatalogue.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::test;

namespace {

template <typename T> T *child(QWidget &w, const char *name)
{
    T *found = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The command line's composed argument (its first output line) or its error
// text, and its exit code; the words are separated by blanks.
std::pair<int, QString> cli(const JobCatalogue &catalogue, const TextCatalogue &texts, const char *words)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    auto request = parseUdsArguments(QStringList{s("D_TEST.prg")} + s(words).split(u' '));
    EXPECT_TRUE(request.ok()) << request.error();
    if (!request)
        return {-1, QString()};
    const int code = composeUds(request.value(), catalogue, texts, out, err);
    out.flush();
    err.flush();
    return {code, code == 0 ? outText.section(u'\n', 0, 0) : errText};
}

class UdsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(texts.loadBuiltIn().ok()); }
    TextCatalogue texts;
    ScriptedDialogService dialogs;
    JobCatalogue catalogue = assistantCatalogue();
};

} // namespace

TEST_F(UdsDialogTest, StatusReadDialogAndCommandLineCompose)
{
    Job_22_Form form(catalogue, texts);
    form.prepare(s("LABEL;Luefter"));
    auto *list = child<QListWidget>(form, "lbStatus");
    ASSERT_EQ(list->count(), 5);
    EXPECT_TRUE(list->item(2)->isSelected());
    child<QRadioButton>(form, "rbSpalte2")->click();
    ASSERT_EQ(list->item(1)->text(), s("TEMP"));
    // Type-ahead hides what does not match; picked in reverse, composed in list order.
    child<QLineEdit>(form, "txSuche")->setText(s("emp"));
    EXPECT_TRUE(list->isRowHidden(0));
    EXPECT_FALSE(list->isRowHidden(1));
    list->item(1)->setSelected(true);
    child<QLineEdit>(form, "txSuche")->clear();
    list->item(0)->setSelected(true);
    EXPECT_EQ(child<QLabel>(form, "labelArgument")->text(), s("ARG;DREHZAHL;TEMP"));
    child<QPushButton>(form, "btnOK")->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(cli(catalogue, texts, "--job status_lesen --select arg --function TEMP --function drehzahl"),
              std::make_pair(0, form.argumentOut()));

    Job_22_Form cancelled(catalogue, texts);
    cancelled.prepare(s("LABEL;Mix"));
    child<QPushButton>(cancelled, "btnCancel")->click();
    EXPECT_EQ(cancelled.argumentOut(), QString());
}

TEST_F(UdsDialogTest, ControlDialogMarksValuesAndMatchesTheCommandLine)
{
    Job_00_Form form(catalogue, texts, dialogs, s("2F"));
    form.prepare(s("LABEL;Klappe"));
    EXPECT_EQ(form.windowTitle(), texts.text(603) + s(" STEUERN_IO"));
    EXPECT_TRUE(child<QRadioButton>(form, "rbSteuern3")->isChecked());
    auto *grid = child<QTableWidget>(form, "ArgGrid");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 3)->text(), s("100"));
    EXPECT_TRUE(grid->item(0, 3)->textAlignment() & Qt::AlignRight);
    // A physical value is typed, a switch chosen; the third entry stays hidden.
    auto *position = child<QLineEdit>(form, "txWert1");
    auto *aktiv = child<QComboBox>(form, "cbWert2");
    EXPECT_TRUE(child<QComboBox>(form, "cbWert1")->isHidden());
    EXPECT_TRUE(child<QLineEdit>(form, "txWert3")->isHidden());
    EXPECT_EQ(position->palette().color(QPalette::Base), Job_00_Form::warningColour());
    QTest::keyClicks(position, s("150")); // 150 is above MAX 100
    EXPECT_EQ(position->palette().color(QPalette::Base), Job_00_Form::warningColour());
    position->clear();
    QTest::keyClicks(position, s("40"));
    EXPECT_NE(position->palette().color(QPalette::Base), Job_00_Form::warningColour());

    // RTD empties the grid; STA brings the rows back without their values.
    child<QRadioButton>(form, "rbSteuern1")->click();
    EXPECT_EQ(grid->rowCount(), 0);
    child<QRadioButton>(form, "rbSteuern3")->click();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_TRUE(position->text().isEmpty());
    QTest::keyClicks(position, s("40"));
    aktiv->setCurrentIndex(1);
    emit aktiv->activated(1);
    EXPECT_NE(aktiv->palette().color(QPalette::Base), Job_00_Form::warningColour());
    child<QPushButton>(form, "btnOK")->click();
    EXPECT_EQ(form.argumentOut(), s("LABEL;Klappe;STA;40;1"));
    EXPECT_EQ(cli(catalogue, texts, "--job STEUERN_IO --function klappe --param sta --value 40 --value 1"),
              std::make_pair(0, form.argumentOut()));
}

TEST_F(UdsDialogTest, CommandLineRefusals)
{
    const struct {
        const char *words;
        int code;
        const char *message; // part of the error text
    } cases[] = {
        {"--job STEUERN_IO --function Klappe --value 150 --value 1", 4, "POSITION"},
        {"--job STEUERN_IO --function Klappe --value 40 --value 2", 4, "AKTIV"},
        {"--job STEUERN_IO --function Klappe --value 40", 4, "AKTIV"},
        {"--job STEUERN_IO --select ARG --function LUEFTER --value 5", 4, "STUFE"},
        {"--job STEUERN_IO --function Drehzahl", 3, "Drehzahl"},
        {"--job STATUS_LESEN --function Klappe", 3, "Klappe"},
        {"--job STEUERN_IO --function Klappe --param STR", 1, "RCTECU"},
        {"--job STEUERN_IO --function Luefter --value AUS --value EIN", 1, "values given"},
    };
    for (const auto &k : cases) {
        const auto [code, error] = cli(catalogue, texts, k.words);
        EXPECT_EQ(code, k.code) << k.words;
        EXPECT_TRUE(error.contains(s(k.message))) << error.toStdString();
    }
    for (const char *words :
         {"--job IDENT", "--job STEUERN", "--job STATUS_LESEN --value 1", "--job STATUS_LESEN --select NAME"})
        EXPECT_FALSE(parseUdsArguments(QStringList{s("F")} + s(words).split(u' ')).ok()) << words;
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
