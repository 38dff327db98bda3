// The assistant windows driven as a user would, and the command line giving
// the same argument for the same choices.
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

// The command line's composed argument (its first output line) and exit code.
std::pair<int, QString> cli(const JobCatalogue &catalogue, const TextCatalogue &texts, const QStringList &words)
{
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    auto request = parseUdsArguments(QStringList{s("D_TEST.prg")} + words);
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
    EXPECT_EQ(list->toolTip(), s("Luefter"));
    child<QRadioButton>(form, "rbSpalte2")->click();
    ASSERT_EQ(list->item(1)->text(), s("TEMP"));
    EXPECT_TRUE(list->selectedItems().isEmpty());
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
    EXPECT_EQ(form.argumentOut(), s("ARG;DREHZAHL;TEMP"));
    EXPECT_EQ(cli(catalogue, texts,
                  {s("--job"), s("status_lesen"), s("--select"), s("arg"), s("--function"), s("TEMP"), s("--function"),
                   s("drehzahl")}),
              std::make_pair(0, form.argumentOut()));

    Job_22_Form cancelled(catalogue, texts);
    cancelled.prepare(s("LABEL;Mix"));
    child<QPushButton>(cancelled, "btnCancel")->click();
    EXPECT_EQ(cancelled.argumentOut(), QString());
}

TEST_F(UdsDialogTest, ControlDialogChecksValuesAndMatchesTheCommandLine)
{
    Job_00_Form form(catalogue, texts, dialogs, s("2F"));
    form.prepare(s("LABEL;Klappe"));
    EXPECT_EQ(form.windowTitle(), texts.text(603) + s(" STEUERN_IO"));
    EXPECT_TRUE(child<QRadioButton>(form, "rbSteuern3")->isChecked());
    auto *grid = child<QTableWidget>(form, "ArgGrid");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 3)->text(), s("100"));
    EXPECT_TRUE(grid->item(0, 3)->textAlignment() & Qt::AlignRight);
    auto *position = child<QLineEdit>(form, "txWert1");
    auto *aktiv = child<QComboBox>(form, "cbWert2");
    EXPECT_FALSE(position->isHidden());
    EXPECT_TRUE(child<QComboBox>(form, "cbWert1")->isHidden());
    EXPECT_FALSE(aktiv->isHidden());
    EXPECT_TRUE(child<QLineEdit>(form, "txWert3")->isHidden());
    EXPECT_EQ(position->palette().color(QPalette::Base), Job_00_Form::warningColour());

    QTest::keyClicks(position, s("150")); // 150 is above MAX 100
    EXPECT_EQ(position->palette().color(QPalette::Base), Job_00_Form::warningColour());
    position->clear();
    QTest::keyClicks(position, s("40"));
    EXPECT_NE(position->palette().color(QPalette::Base), Job_00_Form::warningColour());
    aktiv->setCurrentIndex(1);
    emit aktiv->activated(1);
    EXPECT_NE(aktiv->palette().color(QPalette::Base), Job_00_Form::warningColour());

    // RTD empties the grid; STA brings the rows back without their values.
    child<QRadioButton>(form, "rbSteuern1")->click();
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_TRUE(position->isHidden());
    child<QRadioButton>(form, "rbSteuern3")->click();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_TRUE(position->text().isEmpty());
    QTest::keyClicks(position, s("40"));
    aktiv->setCurrentIndex(1);
    emit aktiv->activated(1);
    child<QPushButton>(form, "btnOK")->click();
    EXPECT_EQ(form.argumentOut(), s("LABEL;Klappe;STA;40;1"));
    EXPECT_EQ(cli(catalogue, texts,
                  {s("--job"), s("STEUERN_IO"), s("--function"), s("klappe"), s("--param"), s("sta"), s("--value"),
                   s("40"), s("--value"), s("1")}),
              std::make_pair(0, form.argumentOut()));
}

TEST_F(UdsDialogTest, CommandLineRefusals)
{
    struct Case {
        QStringList words;
        int code;
        const char *message; // part of the error text
    };
    const Case cases[] = {
        {{s("--job"), s("STEUERN_IO"), s("--function"), s("Klappe"), s("--value"), s("150"), s("--value"), s("1")},
         4,
         "POSITION"},
        {{s("--job"), s("STEUERN_IO"), s("--function"), s("Klappe"), s("--value"), s("40"), s("--value"), s("2")},
         4,
         "AKTIV"},
        {{s("--job"), s("STEUERN_IO"), s("--function"), s("Klappe"), s("--value"), s("40")}, 4, "AKTIV"},
        {{s("--job"), s("STEUERN_IO"), s("--select"), s("ARG"), s("--function"), s("LUEFTER"), s("--value"), s("5")},
         4,
         "STUFE"},
        {{s("--job"), s("STEUERN_IO"), s("--function"), s("Drehzahl")}, 3, "Drehzahl"},
        {{s("--job"), s("STATUS_LESEN"), s("--function"), s("Klappe")}, 3, "Klappe"},
        {{s("--job"), s("STEUERN_IO"), s("--function"), s("Klappe"), s("--param"), s("STR")}, 1, "RCTECU"},
        {{s("--job"), s("STEUERN_IO"), s("--function"), s("Luefter"), s("--value"), s("AUS"), s("--value"), s("EIN")},
         1,
         "values given"},
    };
    for (const Case &k : cases) {
        const auto [code, error] = cli(catalogue, texts, k.words);
        EXPECT_EQ(code, k.code) << k.words.join(u' ').toStdString();
        EXPECT_TRUE(error.contains(s(k.message))) << error.toStdString();
    }
    EXPECT_FALSE(parseUdsArguments({s("F"), s("--job"), s("IDENT")}).ok());
    EXPECT_FALSE(parseUdsArguments({s("F"), s("--job"), s("STEUERN")}).ok());
    EXPECT_FALSE(parseUdsArguments({s("F"), s("--job"), s("STATUS_LESEN"), s("--value"), s("1")}).ok());
    EXPECT_FALSE(parseUdsArguments({s("F"), s("--job"), s("STATUS_LESEN"), s("--select"), s("NAME")}).ok());
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
