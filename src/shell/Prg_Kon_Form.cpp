#include "shell/Prg_Kon_Form.h"

#include "shell/TextCatalogue.h"
#include "shell/WindowPlacement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kitbox {

namespace {

const QString kPrefix = QStringLiteral("PRG");

} // namespace

Prg_Kon_Form::Prg_Kon_Form(Settings &settings, const TextCatalogue &texts, QWidget *parent)
    : QMdiSubWindow(parent), m_settings(settings), m_texts(texts)
{
    setObjectName(QStringLiteral("Prg_Kon_Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *body = new QWidget(this);
    auto *columns = new QHBoxLayout(body);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    auto makeBox = [this](const OptionBoxInfo &info, QWidget *owner) {
        auto *box = new QCheckBox(owner);
        box->setObjectName(QString::fromLatin1(info.objectName));
        // clicked, not toggled: boxes set by the program send nothing.
        connect(box, &QCheckBox::clicked, this, [this, which = info.box] { boxClicked(which); });
        m_boxes[size_t(info.box)] = box;
        return box;
    };
    m_udsFrame = new QGroupBox(body);
    m_udsFrame->setObjectName(QStringLiteral("UDS_Bezeichnung"));
    auto *udsRow = new QHBoxLayout(m_udsFrame);
    for (const OptionBoxInfo &info : ProgramOptions::boxes()) {
        if (info.box == OptionBox::UdsEinh || info.box == OptionBox::UdsInfo || info.box == OptionBox::UdsText)
            udsRow->addWidget(makeBox(info, m_udsFrame));
        else if (info.box != OptionBox::Language)
            left->addWidget(makeBox(info, body));
    }
    left->addWidget(m_udsFrame);
    left->addWidget(makeBox(ProgramOptions::boxes().back(), body));
    left->addStretch();

    m_zemo = new QCheckBox(body);
    m_zemo->setObjectName(QStringLiteral("FSLesenZemo"));
    connect(m_zemo, &QCheckBox::clicked, this, [this] { faultMemoryClicked(-1); });
    right->addWidget(m_zemo);
    m_flagFrame = new QGroupBox(body);
    m_flagFrame->setObjectName(QStringLiteral("Bezeichnung1"));
    auto *flagColumn = new QVBoxLayout(m_flagFrame);
    for (int k : FaultMemoryBoxes::indices()) {
        auto *box = new QCheckBox(m_flagFrame);
        box->setObjectName(QStringLiteral("Flag%1").arg(k));
        connect(box, &QCheckBox::clicked, this, [this, k] { faultMemoryClicked(k); });
        m_flags[size_t(k)] = box;
        flagColumn->addWidget(box);
    }
    right->addWidget(m_flagFrame);
    right->addStretch();
    setWidget(body);

    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
        if (now.testFlag(Qt::WindowActive) != before.testFlag(Qt::WindowActive))
            emit activated();
    });
}

void Prg_Kon_Form::load()
{
    const ShellOptions &o = m_settings.options();
    for (const OptionBoxInfo &info : ProgramOptions::boxes()) {
        QCheckBox *box = m_boxes[size_t(info.box)];
        const QSignalBlocker block(box);
        box->setChecked(ProgramOptions::isSet(o, info.box));
    }
    showFaultMemory(FaultMemoryBoxes::fromWord(o.zemoFsMode));
    applyTexts();
    const WindowPlacement p = m_settings.window(kPrefix);
    move(WindowPlacement::twipsToPixels(p.left, logicalDpiX()), WindowPlacement::twipsToPixels(p.top, logicalDpiY()));
    // The frame's size hint counts the title bar only once the window is polished.
    ensurePolished();
    widget()->adjustSize();
    resize(sizeHint().expandedTo(widget()->sizeHint() + QSize(8, 32)));
}

void Prg_Kon_Form::applyTexts()
{
    setWindowTitle(m_texts.text(308));
    for (const OptionBoxInfo &info : ProgramOptions::boxes())
        m_boxes[size_t(info.box)]->setText(info.captionText ? m_texts.text(info.captionText)
                                                            : QString::fromLatin1(info.fixedCaption));
    m_udsFrame->setTitle(m_texts.text(326));
    m_zemo->setText(m_texts.text(317));
    m_flagFrame->setTitle(m_texts.text(325));
    for (int k : FaultMemoryBoxes::indices()) {
        const int id = FaultMemoryBoxes::captionText(k);
        m_flags[size_t(k)]->setText(id ? m_texts.text(id) : FaultMemoryBoxes::fixedCaption(k));
    }
}

void Prg_Kon_Form::showFaultMemory(const FaultMemoryBoxes &boxes)
{
    {
        const QSignalBlocker block(m_zemo);
        m_zemo->setChecked(boxes.zemo());
    }
    for (int k : FaultMemoryBoxes::indices()) {
        QCheckBox *box = m_flags[size_t(k)];
        const QSignalBlocker block(box);
        box->setChecked(boxes.flag(k));
        box->setEnabled(boxes.enabled(k));
    }
}

void Prg_Kon_Form::boxClicked(OptionBox which)
{
    const OptionEffect effect = ProgramOptions::set(m_settings.options(), which, m_boxes[size_t(which)]->isChecked());
    emit optionChanged(effect);
}

void Prg_Kon_Form::faultMemoryClicked(int k)
{
    // The boxes as they are on screen: with FSLesenZemo clear the stored word
    // is 0, but the boxes keep their state for when it is set again.
    FaultMemoryBoxes boxes;
    boxes.setZemo(m_zemo->isChecked());
    for (int i : FaultMemoryBoxes::indices())
        boxes.setFlag(i, m_flags[size_t(i)]->isChecked());
    if (k >= 0)
        boxes.clickFlag(k, m_flags[size_t(k)]->isChecked());
    m_settings.options().zemoFsMode = boxes.word();
    showFaultMemory(boxes);
}

void Prg_Kon_Form::storePlacement()
{
    if (isMinimized() || isMaximized())
        showNormal();
    m_settings.setWindowPosition(kPrefix, x(), y(), logicalDpiX(), logicalDpiY());
}

void Prg_Kon_Form::closeEvent(QCloseEvent *event)
{
    storePlacement();
    QMdiSubWindow::closeEvent(event);
}

Prg_Kon_Form::~Prg_Kon_Form()
{
    // QMdiSubWindow's destructor deactivates the window after this part of
    // it is gone; the state handler must not run on it then.
    disconnect(this, &QMdiSubWindow::windowStateChanged, this, nullptr);
}

} // namespace kitbox
