#pragma once
// The test editor: the 15 steps of a test matrix in a grid whose fixed title
// row and step column are the headers, and the input line Eingabe that shows
// and edits the current cell. The matrix belongs to the test document; the
// window edits it through the rules of TestEditing and reports every change.
#include "testmatrix/TestEditing.h"

#include <QWidget>

#include <functional>

class QLineEdit;
class QTableWidget;
class QTableWidgetItem;
class TextCatalogue;

namespace kitbox {

class TestMatrix;

class Tst_Form : public QWidget {
    Q_OBJECT
public:
    Tst_Form(const TextCatalogue &texts, TestMatrix &matrix, QWidget *parent = nullptr);

    // Shows every step cell and fits the columns to their longest text.
    void showMatrix();
    // Step rows 1..15.
    int currentStep() const;
    void setCurrentStep(int row);
    void setCurrentCell(int row, int column);
    void applyTexts();

    // The selected step cells as one rectangle from the upper-left to the
    // lower-right selected cell; the current cell when nothing is selected.
    TestEditing::CellRange selection() const;
    void setSelection(const TestEditing::CellRange &range);

    // Pops the edit menu at a grid position. The handler shows it and returns
    // the edit command chosen (0 for none); selectAll says whether "select
    // all" is offered.
    using EditMenuHandler = std::function<int(const QPoint &globalPosition, bool selectAll)>;
    void setEditMenuHandler(EditMenuHandler handler) { m_editMenu = std::move(handler); }
    // Carries out an edit command of the menu: 2 cut, 3 copy, 4 paste,
    // 5 delete, 6 select all; anything else does nothing.
    void editCommand(int command);

signals:
    // The user changed the matrix.
    void edited();
    void fileDropped(const QString &path);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void takeOver(int row, int column, const QString &typed);
    void itemChanged(QTableWidgetItem *item);
    void inputEdited(const QString &text);
    void currentMoved();
    void contextMenu(const QPoint &position);
    bool gridKey(QKeyEvent *event);
    // Shows the matrix' texts in the grid; fits all columns or just one.
    void refresh(int column = 0);
    void matrixChanged(int column = 0);

    const TextCatalogue &m_texts;
    TestMatrix &m_matrix;
    QLineEdit *m_eingabe = nullptr;
    QTableWidget *m_grid = nullptr;
    EditMenuHandler m_editMenu;
    bool m_showing = false;
};

} // namespace kitbox
