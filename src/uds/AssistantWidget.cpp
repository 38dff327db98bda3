#include "uds/AssistantWidget.h"

#include "shell/TextCatalogue.h"
#include "uds/UdsFunctionList.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kitbox {

namespace {

constexpr int textInfo = 600;
constexpr int textCancel = 601;
constexpr int textOk = 602;
constexpr int textSearch = 21700;
constexpr int textReturns = 21701;

} // namespace

AssistantControls makeAssistantControls(QWidget *dialog, const TextCatalogue &texts)
{
    AssistantControls c;
    c.frameSpalte = new QGroupBox(QStringLiteral("ARGUMENT_SPALTE"), dialog);
    c.frameSpalte->setObjectName(QStringLiteral("frameSpalte"));
    auto *layout = new QHBoxLayout(c.frameSpalte);
    c.columns = new QButtonGroup(dialog);
    for (int i = 0; i < 3; ++i) {
        c.rbSpalte[i] = new QRadioButton(UdsFunctionList::columnCaptions().at(i), c.frameSpalte);
        c.rbSpalte[i]->setObjectName(QStringLiteral("rbSpalte%1").arg(i));
        c.columns->addButton(c.rbSpalte[i], i);
        layout->addWidget(c.rbSpalte[i]);
    }
    c.rbSpalte[0]->setChecked(true);
    c.chkInfo = new QCheckBox(texts.text(textInfo), dialog);
    c.chkInfo->setObjectName(QStringLiteral("chkInfo"));
    c.search = new QLineEdit(dialog);
    c.search->setObjectName(QStringLiteral("txSuche"));
    c.search->setPlaceholderText(texts.text(textSearch));
    c.search->setClearButtonEnabled(true);
    c.returnsLabel = new QLabel(texts.text(textReturns), dialog);
    c.argumentLine = new QLabel(dialog);
    c.argumentLine->setObjectName(QStringLiteral("labelArgument"));
    c.argumentLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    c.argumentLine->setWordWrap(true);
    c.btnOK = new QPushButton(texts.text(textOk), dialog);
    c.btnOK->setObjectName(QStringLiteral("btnOK"));
    c.btnOK->setDefault(true);
    c.btnCancel = new QPushButton(texts.text(textCancel), dialog);
    c.btnCancel->setObjectName(QStringLiteral("btnCancel"));
    return c;
}

} // namespace kitbox
