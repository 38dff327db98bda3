#pragma once
// The controls both argument assistants open with: the column frame with its
// three options, the info check box and the type-ahead search field.
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class TextCatalogue;

namespace kitbox {

struct AssistantControls {
    QGroupBox *frameSpalte = nullptr;
    QButtonGroup *columns = nullptr; // ids 0..2 of the options
    QRadioButton *rbSpalte[3] = {};
    QCheckBox *chkInfo = nullptr;
    QLineEdit *search = nullptr;
    QLabel *returnsLabel = nullptr; // names the line below it
    QLabel *argumentLine = nullptr; // the argument text OK returns, kept up to date
    QPushButton *btnOK = nullptr;   // the default button
    QPushButton *btnCancel = nullptr;
};

// Made as children of dialog; option 0 (LABEL) checked.
AssistantControls makeAssistantControls(QWidget *dialog, const TextCatalogue &texts);

} // namespace kitbox
