// The table viewer and the job information window offscreen: what the
// controls show and what clicking them does.
#include "CatalogueTestSupport.h"
#include "catalogue/Com_Form.h"
#include "catalogue/Tab_Form.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::test;

namespace {

class TableWindowsTest : public CatalogueFixture {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        addPlainTable(catalogue, s("TAB_ZUSTAND"), {{s("WERT"), s("TEXT")}, {s("0"), s("aus")}, {s("1"), s("an")}});
        addPlainTable(catalogue, s("SG_FUNKTIONEN"),
                      {{s("ARG"), s("ID"), s("RES_TABELLE")},
                       {s("DREHZAHL"), s("0x4000"), s("TAB_ZUSTAND")},
                       {s("LUEFTER"), s("0x4200"), s("-")}});
        form = std::make_unique<Tab_Form>(catalogue, dialogs, texts);
        form->setArgumentField([this] { return argument; }, [this](const QString &t) { argument = t; });
        form->resize(800, 400);
        form->show();
        form->reinit();
        grid = child<QTableView>(*form, "TabMatrix");
    }

    void doubleClick(int row, int column) { emit grid->doubleClicked(grid->model()->index(row, column)); }

    QString argument;
    std::unique_ptr<Tab_Form> form;
    QTableView *grid = nullptr;
};

} // namespace

// The navigation and the double-click rules are TableViewerTest's; the window
// shows the viewer's list, levels and buttons and hands it the user's clicks.
TEST_F(TableWindowsTest, ListGridButtonsDrillDownAndCopy)
{
    auto *list = child<QComboBox>(*form, "TabellenEintrag");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), s("SG_FUNKTIONEN[3][2]"));

    // Ctrl+C copies the selected range as lines of TAB-separated cells.
    grid->setCurrentIndex(grid->model()->index(0, 0));
    grid->selectionModel()->select(QItemSelection(grid->model()->index(0, 0), grid->model()->index(1, 1)),
                                   QItemSelectionModel::Select);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), s("DREHZAHL\t0x4000\r\nLUEFTER\t0x4200\r\n"));

    // The function table's ARG column feeds the argument field; another column drills down.
    doubleClick(0, 0);
    EXPECT_EQ(argument, s("DREHZAHL;"));
    doubleClick(0, 2);
    auto *back = child<QPushButton>(*form, "btnLupeRueck");
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(back->toolTip(), s("TABLE SG_FUNKTIONEN [3][2]"));
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(form->viewer().currentLevel(), 1);
    EXPECT_TRUE(child<QPushButton>(*form, "btnLupeVor")->isEnabled());

    // A table opened from the job information marks the named column.
    form->openTable(0, s("TABLE TAB_ZUSTAND TEXT"));
    EXPECT_TRUE(grid->model()->index(0, 1).data(TableGridModel::MarkedRole).toBool());
}

TEST(JobInfoWindowTest, ReplacingTheTextKeepsTheScrollPositionAndALineOpensItsTable)
{
    TextCatalogue texts;
    ASSERT_TRUE(texts.loadBuiltIn().ok());
    Com_Form form(texts);
    form.resize(300, 120);
    form.show();
    QString text;
    for (int i = 0; i < 60; ++i)
        text += s("result    : R") + QString::number(i) + s("\r\n");
    text += s("  comment : TABLE TAB_ZUSTAND WERT\r\n");
    form.showJobInfo(text);
    auto *box = child<QPlainTextEdit>(form, "Ausgabe");
    box->verticalScrollBar()->setValue(30);
    form.showJobInfo(text + s("more\r\n"));
    EXPECT_EQ(box->verticalScrollBar()->value(), 30);

    QSignalSpy referenced(&form, &Com_Form::tableReferenced);
    form.followReference(box->toPlainText().indexOf(s("R5")));
    form.followReference(box->toPlainText().indexOf(s("TAB_ZUSTAND")));
    ASSERT_EQ(referenced.count(), 1);
    EXPECT_EQ(referenced.at(0).mid(0, 2), (QVariantList{s("TAB_ZUSTAND"), s("TABLE TAB_ZUSTAND WERT")}));
}
