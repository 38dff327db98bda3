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
    EXPECT_EQ(std::pair(list->count(), list->itemText(0)), std::pair(2, s("SG_FUNKTIONEN[3][2]")));

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
    EXPECT_EQ(std::pair(list->currentIndex(), back->toolTip()), std::pair(1, s("TABLE SG_FUNKTIONEN [3][2]")));
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(std::pair(form->viewer().currentLevel(), child<QPushButton>(*form, "btnLupeVor")->isEnabled()),
              std::pair(1, true));

    // A table opened from the job information marks the named column.
    form->openTable(0, s("TABLE TAB_ZUSTAND TEXT"));
    EXPECT_TRUE(grid->model()->index(0, 1).data(TableGridModel::MarkedRole).toBool());
}

TEST_F(TableWindowsTest, JobInfoWindowKeepsTheScrollPositionAndALineOpensItsTable)
{
    Com_Form info(texts);
    info.resize(300, 120);
    info.show();
    const QString text = s("result    : R\r\n").repeated(60) + s("  comment : TABLE TAB_ZUSTAND WERT\r\n");
    info.showJobInfo(text);
    auto *box = child<QPlainTextEdit>(info, "Ausgabe");
    box->verticalScrollBar()->setValue(30);
    info.showJobInfo(text + s("more\r\n"));
    EXPECT_EQ(box->verticalScrollBar()->value(), 30);

    QSignalSpy referenced(&info, &Com_Form::tableReferenced);
    info.followReference(box->toPlainText().indexOf(s("R\n")));
    info.followReference(box->toPlainText().indexOf(s("TAB_ZUSTAND")));
    ASSERT_EQ(referenced.count(), 1);
    EXPECT_EQ(referenced.at(0).mid(0, 2), (QVariantList{s("TAB_ZUSTAND"), s("TABLE TAB_ZUSTAND WERT")}));
}
