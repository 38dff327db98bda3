#include "runtime/Kon_Form.h"

#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "shell/WindowPlacement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace kitbox {

namespace {

const QString kPrefix = QStringLiteral("KON");

} // namespace

Kon_Form::Kon_Form(RuntimeSession &runtime, Settings &settings, const TextCatalogue &texts, QWidget *parent)
    : QMdiSubWindow(parent), m_configuration(runtime), m_settings(settings), m_texts(texts)
{
    setObjectName(QStringLiteral("Kon_Form"));
    auto *body = new QWidget(this);
    auto *column = new QVBoxLayout(body);

    auto field = [this, body](int i) {
        auto *edit = new QLineEdit(body);
        edit->setObjectName(QStringLiteral("Erg%1").arg(i));
        edit->setReadOnly(true);
        edit->setMinimumWidth(320);
        edit->installEventFilter(this);
        m_erg[size_t(i)] = edit;
        return edit;
    };
    const auto &keys = RuntimeConfiguration::displayKeys();

    // Versions, interface and debug level above, the paths below.
    auto *top = new QGridLayout;
    const QStringList groupLabels = {QStringLiteral("Vedamis"), QStringLiteral("Interface"),
                                     QString(), QStringLiteral("BIP Level")};
    for (int i = 0; i < 4; ++i) {
        top->addWidget(new QLabel(groupLabels[i], body), i, 0);
        top->addWidget(new QLabel(keys[size_t(i)], body), i, 1);
        top->addWidget(field(i), i, 2);
    }
    column->addLayout(top);

    auto *paths = new QGroupBox(body);
    paths->setObjectName(QStringLiteral("Pfade"));
    auto *pathGrid = new QGridLayout(paths);
    for (int i = 4; i < 8; ++i) {
        pathGrid->addWidget(new QLabel(keys[size_t(i)], paths), i - 4, 0);
        pathGrid->addWidget(field(i), i - 4, 1);
    }
    column->addWidget(paths);

    auto *options = new QGroupBox(QStringLiteral("Trace"), body);
    auto *optionGrid = new QGridLayout(options);
    const auto &names = RuntimeConfiguration::optionNames();
    for (int i = 0; i < RuntimeConfiguration::optionCount; ++i) {
        auto *box = new QCheckBox(names[size_t(i)], options);
        box->setObjectName(QStringLiteral("Flag%1").arg(i));
        // clicked, not toggled: setting a box from the program sends nothing.
        connect(box, &QCheckBox::clicked, this, [this, i] { flagClicked(i); });
        m_flag[size_t(i)] = box;
        optionGrid->addWidget(box, i % 3, i / 3 == 0 ? 0 : 2);
    }
    m_levelFrame = new QFrame(options);
    m_levelFrame->setObjectName(QStringLiteral("IfhTraceRahmen"));
    auto *levelRow = new QHBoxLayout(m_levelFrame);
    levelRow->setContentsMargins(0, 0, 0, 0);
    levelRow->addWidget(new QLabel(QStringLiteral("Level:"), m_levelFrame));
    m_levelGroup = new QButtonGroup(this);
    for (int k = 0; k < 3; ++k) {
        auto *button = new QRadioButton(QString::number(k + 1), m_levelFrame);
        button->setObjectName(QStringLiteral("IfhTraceLevel%1").arg(k));
        m_levelGroup->addButton(button, k);
        m_level[size_t(k)] = button;
        levelRow->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this] { flagClicked(RuntimeConfiguration::traceOption); });
    }
    levelRow->addStretch();
    optionGrid->addWidget(m_levelFrame, 1, 1);
    column->addWidget(options);
    setWidget(body);

    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
        if (now.testFlag(Qt::WindowActive) && !before.testFlag(Qt::WindowActive)) {
            readValues();
            emit activated();
        }
    });
}

void Kon_Form::load()
{
    setWindowTitle(m_texts.text(300));
    if (auto *paths = findChild<QGroupBox *>(QStringLiteral("Pfade")))
        paths->setTitle(m_texts.text(301));
    const WindowPlacement p = m_settings.window(kPrefix);
    const QSize size = sizeHint();
    setGeometry(WindowPlacement::twipsToPixels(p.left, logicalDpiX()), WindowPlacement::twipsToPixels(p.top, logicalDpiY()),
                size.width(), size.height());
    readValues();
}

void Kon_Form::showOption(int option, const OptionState &state)
{
    QCheckBox *box = m_flag[size_t(option)];
    if (box->isChecked() != state.set) {
        const QSignalBlocker block(box);
        box->setChecked(state.set);
    }
    if (option != RuntimeConfiguration::traceOption)
        return;
    m_levelFrame->setVisible(state.levelOffered);
    // A level no button stands for leaves all three clear.
    m_levelGroup->setExclusive(false);
    for (int k = 0; k < 3; ++k) {
        const QSignalBlocker block(m_level[size_t(k)]);
        m_level[size_t(k)]->setChecked(k == state.levelButton);
    }
    m_levelGroup->setExclusive(true);
}

void Kon_Form::readValues()
{
    const ConfigurationValues values = m_configuration.read();
    for (int i = 0; i < 8; ++i)
        m_erg[size_t(i)]->setText(values.values[size_t(i)]);
    for (int i = 0; i < RuntimeConfiguration::optionCount; ++i)
        showOption(i, values.options[size_t(i)]);
}

int Kon_Form::selectedLevel() const
{
    return m_levelGroup->checkedId();
}

void Kon_Form::flagClicked(int option)
{
    const bool set = m_flag[size_t(option)]->isChecked();
    if (option == RuntimeConfiguration::traceOption && set)
        m_levelFrame->setVisible(true);
    showOption(option, m_configuration.apply(option, set, selectedLevel()));
    if (option == RuntimeConfiguration::simulationOption)
        emit simulationSwitched();
    else if (option == RuntimeConfiguration::traceOption)
        emit traceSwitched();
}

void Kon_Form::storePlacement()
{
    if (isMinimized() || isMaximized())
        showNormal();
    m_settings.setWindowPosition(kPrefix, x(), y(), logicalDpiX(), logicalDpiY());
}

void Kon_Form::closeEvent(QCloseEvent *event)
{
    storePlacement();
    QMdiSubWindow::closeEvent(event);
}

bool Kon_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        for (QLineEdit *edit : m_erg)
            if (watched == edit)
                QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

Kon_Form::~Kon_Form()
{
    // QMdiSubWindow's destructor deactivates the window after this part of
    // it is gone; the state handler must not run on it then.
    disconnect(this, &QMdiSubWindow::windowStateChanged, this, nullptr);
}

} // namespace kitbox
