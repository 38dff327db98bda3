#pragma once
// The job information window: the selected job's information text in a
// fixed-pitch text field. A double click on a line that names a TABLE asks
// for that table in the table viewer.
#include <QWidget>

class QPlainTextEdit;
class TextCatalogue;

namespace kitbox {

class Com_Form : public QWidget {
    Q_OBJECT
public:
    explicit Com_Form(const TextCatalogue &texts, QWidget *parent = nullptr);

    // Replaces the text (lines ended by CR LF) when it differs; the scroll
    // position and the cursor stay where they were.
    void showJobInfo(const QString &text);
    QString jobInfo() const { return m_text; }
    void applyTexts();
    // The double click's work for a position in the text.
    void followReference(qsizetype position);

signals:
    // tableName upper case; jobInfo decides whose tables qualify.
    void tableReferenced(const QString &tableName, const QString &searchValue, const QString &jobInfo);
    // Ausgabe got the focus: the main window prints this text.
    void printSourceChanged(const QString &text, const QString &caption);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const TextCatalogue &m_texts;
    QPlainTextEdit *m_ausgabe = nullptr;
    QString m_text;
};

} // namespace kitbox
