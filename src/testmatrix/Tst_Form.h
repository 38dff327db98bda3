#pragma once
// The test editor: the 15 steps of a test matrix in a grid whose fixed title
// row and step column are the headers, and the input line Eingabe that shows
// and edits the current cell. It only shows and forwards: the matrix lives in
// the test document, and every edit is reported as a cell change.
#include <QWidget>

class QLineEdit;
class QTableWidget;
class QTableWidgetItem;
class TextCatalogue;

namespace kitbox {

class TestMatrix;

class Tst_Form : public QWidget {
    Q_OBJECT
public:
    Tst_Form(const TextCatalogue &texts, QWidget *parent = nullptr);

    // Shows every step cell and fits the columns to their longest text.
    void showMatrix(const TestMatrix &matrix);
    // Step rows 1..15.
    int currentStep() const;
    void setCurrentStep(int row);
    void applyTexts();

    // Typed text with "|" left out (it separates the fields of the file) and
    // line breaks and tabs turned into ";". Empty when nothing is left to change.
    static QString cleaned(const QString &typed, bool *refused = nullptr);

signals:
    void cellEdited(int row, int column, const QString &text);
    void fileDropped(const QString &path);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void itemChanged(QTableWidgetItem *item);
    void inputEdited(const QString &text);
    void currentMoved();

    const TextCatalogue &m_texts;
    QLineEdit *m_eingabe = nullptr;
    QTableWidget *m_grid = nullptr;
    bool m_showing = false;
};

} // namespace kitbox
