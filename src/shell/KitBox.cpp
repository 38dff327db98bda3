#include "shell/KitBox.h"

#include "execution/Res_Form.h"
#include "runtime/RuntimeSession.h"
#include "shell/Clock.h"
#include "shell/DialogService.h"
#include "shell/FirstRunLayout.h"
#include "shell/KitBoxFonts.h"
#include "shell/KitBoxPictures.h"
#include "shell/KitBoxPrinting.h"
#include "shell/MainMenuModel.h"
#include "shell/MainWindowRules.h"
#include "shell/StartArguments.h"
#include "shell/TextCatalogue.h"
#include "shell/WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kitbox {

namespace {

const QString appPrefix = QStringLiteral("APP");
constexpr int arrangeCascade = 0;
constexpr int arrangeHorizontal = 1;
constexpr int arrangeVertical = 2;
constexpr int arrangeIcons = 3;

} // namespace

// The results window as the reports see it.
class KitBox::ResultsHost : public ResultsOutput {
public:
    explicit ResultsHost(KitBox &window) : m_window(window) {}
    void showNormal() override
    {
        Res_Form *form = m_window.resultsWindow(true);
        if (form->isMinimized() || form->isMaximized())
            form->showNormal();
        form->show();
        m_window.m_mdi->setActiveSubWindow(form);
    }
    QString text() const override
    {
        Res_Form *form = m_window.resultsWindow(false);
        return form ? form->text() : QString();
    }
    void setText(const QString &text) override { m_window.resultsWindow(true)->setText(text); }
    void appendText(const QString &more) override { m_window.resultsWindow(true)->appendText(more); }

private:
    KitBox &m_window;
};

KitBox::KitBox(const KitBoxServices &services, QWidget *parent)
    : QMainWindow(parent), m_services(services),
      m_start(services.settings, services.texts, services.dialogs, services.runtime, services.registry),
      m_results(std::make_unique<ResultsHost>(*this))
{
    setObjectName(QStringLiteral("KitBox"));
    setAcceptDrops(true);
    buildMenus();

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildToolbar();
    buildHeader();
    buildClientArea();
    buildHintLine();
    column->addWidget(m_toolBar);
    column->addWidget(m_kopfzeile);
    column->addWidget(m_mdi, 1);
    column->addWidget(m_hinweiszeile);
    setCentralWidget(central);

    m_datumTimer = new QTimer(this);
    m_datumTimer->setObjectName(QStringLiteral("datum_timer"));
    m_datumTimer->setInterval(1000);
    connect(m_datumTimer, &QTimer::timeout, this, &KitBox::datumTick);

    m_cascadeTimer = new QTimer(this);
    m_cascadeTimer->setObjectName(QStringLiteral("Timer_CASCADE_TEST"));
    m_cascadeTimer->setInterval(200);
    connect(m_cascadeTimer, &QTimer::timeout, this, &KitBox::cascadeTick);

    connectCommands();
}

KitBox::~KitBox()
{
    // The child windows report to this window's slots while they close (the
    // results window its editor status); they go while this window is still
    // whole, not in the base class's destructor after it.
    delete m_mdi;
}

ResultsOutput &KitBox::results()
{
    return *m_results;
}

int KitBox::toPixels(int twips) const
{
    return WindowPlacement::twipsToPixels(twips, logicalDpiY());
}

int KitBox::toTwips(int pixels) const
{
    return WindowPlacement::pixelsToTwips(pixels, logicalDpiY());
}

void KitBox::buildMenus()
{
    for (const MenuEntry &entry : MainMenuModel::entries()) {
        if (entry.kind == MenuEntry::Kind::Submenu) {
            QMenu *m = menuBar()->addMenu(QString());
            m->setObjectName(entry.objectName);
            m_menus.insert(entry.objectName, m);
            continue;
        }
        QMenu *parentMenu = m_menus.value(entry.parent);
        if (parentMenu == nullptr)
            continue;
        QAction *action = nullptr;
        if (entry.kind == MenuEntry::Kind::Separator) {
            action = parentMenu->addSeparator();
        } else {
            action = parentMenu->addAction(QString());
            if (!entry.shortcut.isEmpty())
                action->setShortcut(QKeySequence::fromString(entry.shortcut, QKeySequence::PortableText));
        }
        action->setObjectName(entry.objectName);
        action->setEnabled(entry.startState != MenuEntry::StartState::Disabled);
        action->setVisible(entry.startState != MenuEntry::StartState::Hidden);
        m_actions.insert(entry.objectName, action);
    }

    // The right-mouse edit menu never appears in the menu bar; child windows pop it up.
    m_editMenu = new QMenu(this);
    m_editMenu->setObjectName(QStringLiteral("RechteMausMenu"));
    for (const EditMenuEntry &e : MainMenuModel::editMenu()) {
        QAction *a = e.command == 0 ? m_editMenu->addSeparator() : m_editMenu->addAction(e.caption);
        a->setObjectName(e.objectName);
        a->setData(e.command);
    }
}

void KitBox::buildToolbar()
{
    m_toolBar = new QWidget(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setMouseTracking(true);
    m_toolBar->installEventFilter(this);
    auto *row = new QHBoxLayout(m_toolBar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    for (const ToolbarButton &b : MainMenuModel::toolbar()) {
        auto *button = new QToolButton(m_toolBar);
        button->setObjectName(QStringLiteral("ToolbarKnopf"));
        button->setProperty("index", b.index);
        const QSize iconSize(24, 24);
        button->setIcon(QIcon(picture(b.iconName, iconSize, devicePixelRatioF())));
        button->setIconSize(iconSize);
        button->setAutoRaise(true);
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, index = b.index] { toolbarClicked(index); });
        // The button mirrors its command's state.
        if (QAction *action = m_actions.value(b.command)) {
            auto sync = [button, action] {
                button->setEnabled(action->isEnabled());
                button->setVisible(action->isVisible());
            };
            connect(action, &QAction::changed, button, sync);
            sync();
        }
        m_buttons.insert(b.index, button);
        row->addWidget(button);
        // Gaps between the groups of the file, job, test and help commands.
        if (b.index == 1 || b.index == 4 || b.index == 7 || b.index == 10 || b.index == 11)
            row->addSpacing(10);
    }
    row->addStretch(1);
    m_logo = new QLabel(m_toolBar);
    m_logo->setObjectName(QStringLiteral("LOGO"));
    m_logo->setFixedSize(36, 24);
    m_logo->setScaledContents(true);
    m_logo->setCursor(Qt::PointingHandCursor);
    m_logo->installEventFilter(this);
    row->addWidget(m_logo);
}

void KitBox::buildHeader()
{
    m_kopfzeile = new QWidget(this);
    m_kopfzeile->setObjectName(QStringLiteral("Kopfzeile"));
    m_kopfzeile->setAutoFillBackground(true);
    m_logoFrame = new QLabel(m_kopfzeile);
    m_logoFrame->setObjectName(QStringLiteral("Hedra_Logo_Rahmen"));
    m_logoFrame->setPixmap(picture(QStringLiteral("logo"), QSize(48, 48), devicePixelRatioF()));
    m_logoFrame->setFixedSize(52, 52);
    m_titel = new QLabel(QStringLiteral("VEDAMIS KitBox 32"), m_kopfzeile);
    m_titel->setObjectName(QStringLiteral("Titel"));
    QFont titleFont = m_titel->font();
    titleFont.setPointSize(titleFont.pointSize() + 8);
    titleFont.setBold(true);
    m_titel->setFont(titleFont);
    m_firma = new QLabel(m_kopfzeile);
    m_firma->setObjectName(QStringLiteral("Firma"));
    m_version = new QLabel(m_kopfzeile);
    m_version->setObjectName(QStringLiteral("Version"));
    m_datum = new QLabel(m_kopfzeile);
    m_datum->setObjectName(QStringLiteral("Datum"));
    m_kopfzeile->setFixedHeight(58);
}

void KitBox::buildClientArea()
{
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MdiArea"));
    m_mdi->installEventFilter(this);
    m_bilderRahmen = new QWidget(m_mdi);
    m_bilderRahmen->setObjectName(QStringLiteral("BilderRahmen"));
    m_bilderRahmen->installEventFilter(this);
    m_startBild = new QLabel(m_bilderRahmen);
    m_startBild->setObjectName(QStringLiteral("StartBild"));
    // The picture itself is drawn when the frame is first shown (layoutStartPicture).
    m_startBild->setFixedSize(startPictureSize);
    m_startBild->installEventFilter(this);
    m_bilderRahmen->hide();
}

void KitBox::buildHintLine()
{
    m_hinweiszeile = new QWidget(this);
    m_hinweiszeile->setObjectName(QStringLiteral("Hinweiszeile"));
    auto *row = new QHBoxLayout(m_hinweiszeile);
    row->setContentsMargins(4, 1, 4, 1);
    m_hinweisLabel = new QLabel(m_hinweiszeile);
    m_hinweisLabel->setObjectName(QStringLiteral("HinweiszeileLabel"));
    m_editorPosition = new QLabel(m_hinweiszeile);
    m_editorPosition->setObjectName(QStringLiteral("Editorposition"));
    m_editorMode = new QLabel(m_hinweiszeile);
    m_editorMode->setObjectName(QStringLiteral("Editormode"));
    row->addWidget(m_hinweisLabel, 1);
    row->addWidget(m_editorPosition);
    row->addWidget(m_editorMode);
}

void KitBox::connectCommands()
{
    connect(m_actions.value(QStringLiteral("Beenden")), &QAction::triggered, this, &QWidget::close);
    connect(m_actions.value(QStringLiteral("PrintFile")), &QAction::triggered, this, &KitBox::printSource);
    connect(m_actions.value(QStringLiteral("PrintPdf")), &QAction::triggered, this, &KitBox::printSourceToPdf);
    connect(m_actions.value(QStringLiteral("FensterUeberlappend")), &QAction::triggered, this,
            [this] { arrange(arrangeCascade); });
    connect(m_actions.value(QStringLiteral("FensterUntereinander")), &QAction::triggered, this,
            [this] { arrange(arrangeHorizontal); });
    connect(m_actions.value(QStringLiteral("FensterNebeneinander")), &QAction::triggered, this,
            [this] { arrange(arrangeVertical); });
    connect(m_actions.value(QStringLiteral("SymboleAnordnen")), &QAction::triggered, this,
            [this] { arrange(arrangeIcons); });
    connect(m_menus.value(QStringLiteral("Fenster")), &QMenu::aboutToShow, this, &KitBox::fillWindowMenu);
}

StartSequence::Outcome KitBox::load(const QString &rawCommandLine, const std::function<void()> &beforeMeasuringText)
{
    const QScreen *s = screen();
    const QSize screenPixels = s ? s->size() : QSize(1024, 768);
    const StartSequence::Outcome outcome = m_start.start(m_services.locations, screenPixels.width(), rawCommandLine);
    if (outcome != StartSequence::Outcome::Run)
        return outcome;

    setWindowTitle(m_start.caption());
    placeWindow();
    // Single-instance mode fills the screen; instances share it.
    if (!m_start.multiInstance())
        setWindowState(windowState() | Qt::WindowMaximized);

    m_version->setText(MainWindowRules::versionText(KITBOX_VERSION_MAJOR, KITBOX_VERSION_MINOR, KITBOX_VERSION_PATCH));
    m_firma->setText(QStringLiteral(KITBOX_COMPANY));
    datumTick();
    m_startPictureFlag = true;
    applyLanguage();

    // Text is measured from here on only: until now the fonts may still be
    // read in the background, beside building the window and the start.
    if (beforeMeasuringText)
        beforeMeasuringText();
    for (QLabel *label : {m_titel, m_firma, m_version, m_datum})
        label->adjustSize();
    m_editorMode->setMinimumWidth(m_editorMode->fontMetrics().horizontalAdvance(QStringLiteral("überschreiben__")));
    m_minimumWidthTwips = MainWindowRules::minimumWidth(toTwips(m_logoFrame->width()), toTwips(m_titel->width()),
                                                        toTwips(m_firma->width()));
    setMinimumSize(toPixels(m_minimumWidthTwips), toPixels(MainWindowRules::minimumHeightTwips));

    m_actions.value(QStringLiteral("UDS_Check_List"))->setVisible(m_services.settings.options().udsCheckListe != 0);
    updateRecentFiles();
    updateTraceMenu();
    applyPanels();
    m_datumTimer->start();
    m_loaded = true;
    return outcome;
}

void KitBox::placeWindow()
{
    const QScreen *s = screen();
    const QSize screenPixels = s ? s->size() : QSize(1024, 768);
    if (!m_services.settings.windowStored(appPrefix)) {
        const QRect area = s ? s->availableGeometry() : QRect(QPoint(0, 0), screenPixels);
        storeFirstRunPlacement(appPrefix,
                               FirstRunLayout::mainWindow({area.x(), area.y(), area.width(), area.height()}));
    }
    const WindowPlacement placed = WindowPlacement::placeMainWindow(
        m_services.settings.window(appPrefix), toTwips(screenPixels.width()), toTwips(screenPixels.height()));
    setGeometry(toPixels(placed.left), toPixels(placed.top), toPixels(placed.width), toPixels(placed.height));
}

void KitBox::applyLanguage()
{
    const TextCatalogue &texts = m_services.texts;
    for (const MenuEntry &entry : MainMenuModel::entries()) {
        if (entry.kind == MenuEntry::Kind::Submenu) {
            m_menus.value(entry.objectName)->setTitle(MainMenuModel::caption(entry, texts));
        } else if (entry.kind == MenuEntry::Kind::Command) {
            m_actions.value(entry.objectName)->setText(MainMenuModel::caption(entry, texts));
        }
    }
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setToolTip(MainMenuModel::hintText(it.key(), texts));
    const bool english = texts.isEnglish();
    m_logo->setPixmap(picture(english ? QStringLiteral("flag-english") : QStringLiteral("flag-german"), m_logo->size(),
                              devicePixelRatioF()));
}

void KitBox::addRecentFile(const QString &path)
{
    if (m_services.settings.addRecentFile(path))
        updateRecentFiles();
}

void KitBox::updateRecentFiles()
{
    const QStringList &files = m_services.settings.recentFiles();
    bool any = false;
    for (int i = 1; i <= Settings::maxRecentFiles; ++i) {
        QAction *entry = m_actions.value(QStringLiteral("LastFile") + QString::number(i));
        const QString path = files.value(i - 1);
        entry->setText(path.isEmpty() ? QString() : MainMenuModel::recentFileCaption(i, path));
        entry->setVisible(!path.isEmpty());
        any = any || !path.isEmpty();
    }
    m_actions.value(QStringLiteral("Trennlinie"))->setVisible(any);
}

void KitBox::updateTraceMenu()
{
    const TraceMenuState state = m_services.runtime.traceMenuState();
    if (!state.known)
        return;
    m_actions.value(QStringLiteral("IfhTraceAnzeigen"))->setEnabled(state.showEnabled);
    m_actions.value(QStringLiteral("IfhTraceLöschen"))->setEnabled(state.clearEnabled);
}

void KitBox::applyPanels()
{
    const ShellOptions &o = m_services.settings.options();
    m_toolBar->setVisible(o.toolbar != 0);
    m_kopfzeile->setVisible(o.kopfzeile != 0);
    m_hinweiszeile->setVisible(o.hinweiszeile != 0);
}

void KitBox::applyDisplayOptions()
{
    applyPanels();
    // The header takes its place once the layout has settled.
    QTimer::singleShot(0, this, &KitBox::layoutHeader);
}

void KitBox::layoutHeader()
{
    const int inner = toTwips(m_kopfzeile->width());
    const int logoRight = toTwips(m_logoFrame->x() + m_logoFrame->width());
    const MainWindowRules::HeaderPositions p =
        MainWindowRules::headerPositions(inner, logoRight, toTwips(m_titel->width()), toTwips(m_firma->width()));
    m_logoFrame->move(4, (m_kopfzeile->height() - m_logoFrame->height()) / 2);
    const int lineHeight = m_datum->fontMetrics().height();
    int y = (m_kopfzeile->height() - 3 * lineHeight) / 2;
    for (QLabel *label : {m_datum, m_version, m_firma}) {
        label->move(toPixels(p.labelsLeft), y);
        y += lineHeight;
    }
    m_titel->move(toPixels(p.titleLeft), (m_kopfzeile->height() - m_titel->height()) / 2);
}

void KitBox::layoutStartPicture()
{
    m_bilderRahmen->setGeometry(m_mdi->rect());
    // The picture keeps its drawn size while it fits and shrinks with a
    // smaller frame, so that it is always seen whole: to the next smaller
    // size it was drawn at when the program was built, which needs no scaling.
    const QSize fitted =
        fittedPictureSize(QStringLiteral("start"), startPictureSize, m_bilderRahmen->size(), devicePixelRatioF());
    if (fitted != m_startBild->size())
        m_startBild->setFixedSize(fitted);
    // Drawing the picture is one of the dearer steps of the start, so it is
    // drawn only while the frame is seen, once the client area has its size
    // from the window's layout (before, it has a placeholder size), and only
    // once per size.
    if (!m_bilderRahmen->isHidden() && m_mdi->testAttribute(Qt::WA_Resized) && fitted != m_startBildDrawnSize) {
        m_startBild->setPixmap(picture(QStringLiteral("start"), fitted, devicePixelRatioF()));
        m_startBildDrawnSize = fitted;
    }
    const MainWindowRules::Point at = MainWindowRules::centred(m_bilderRahmen->width(), m_bilderRahmen->height(),
                                                               m_startBild->width(), m_startBild->height());
    m_startBild->move(at.x, at.y);
}

void KitBox::showStartPicture(bool show)
{
    if (!show) {
        m_startPictureFlag = false;
        m_bilderRahmen->hide();
        arrange(arrangeIcons);
        return;
    }
    if (!m_startPictureFlag || !m_start.commandLine().isEmpty())
        return;
    m_bilderRahmen->raise();
    m_bilderRahmen->show();
    layoutStartPicture();
    m_startBild->show();
}

void KitBox::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!m_loaded || isMinimized())
        return;
    const MainWindowRules::Size wanted =
        MainWindowRules::constrainedSize({toTwips(width()), toTwips(height())}, m_minimumWidthTwips);
    if (!isMaximized() && !isFullScreen() && (wanted.width > toTwips(width()) || wanted.height > toTwips(height())))
        resize(std::max(width(), toPixels(wanted.width)), std::max(height(), toPixels(wanted.height)));
    applyPanels();
    layoutHeader();
    showStartPicture(true);
    if (!m_firstResizeDone) {
        m_firstResizeDone = true;
        // After the window has come up, as the deferred work of the first resize.
        QTimer::singleShot(0, this, &KitBox::firstResizeWork);
    }
}

bool KitBox::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::UpdateRequest && !m_shownOnce && m_loaded) {
        m_shownOnce = true;
        emit firstShown();
        QTimer::singleShot(0, this, &KitBox::checkPrinter);
    }
    return handled;
}

void KitBox::checkPrinter()
{
    m_printerChecked = true;
    if (m_services.printerInstalled && !m_services.printerInstalled())
        m_actions.value(QStringLiteral("PrintFile"))->setVisible(false);
}

void KitBox::startBatchEndTimer()
{
    m_cascadeTimer->start();
}

void KitBox::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    layoutHeader();
    layoutStartPicture();
}

void KitBox::storeFirstRunPlacement(const QString &prefix, const FirstRunLayout::Rect &r)
{
    WindowPlacement p = m_services.settings.window(prefix);
    p.left = toTwips(r.x);
    p.top = toTwips(r.y);
    p.width = toTwips(r.width);
    p.height = toTwips(r.height);
    m_services.settings.setWindow(prefix, p);
}

void KitBox::placeFirstRunChildren()
{
    const QFontMetrics report(fixedPitchFont(9));
    // Frame and title bar, the row of controls above the text, the text's margins.
    const int resultsChrome = 2 * fontMetrics().height() + 4 * report.height();
    const FirstRunLayout::Children c =
        FirstRunLayout::children(m_mdi->viewport()->width(), m_mdi->viewport()->height(), report.lineSpacing(),
                                 resultsChrome, report.horizontalAdvance(QLatin1Char('0')));
    // Windows whose placement the settings file holds keep it.
    const std::pair<const char *, FirstRunLayout::Rect> places[] = {
        {"JOB", c.job},         {"TST", c.job},  {"RES", c.results},       {"COM", c.info},
        {"TAB", c.tables},      {"SIM", c.simulation}, {"IFH", c.trace},
    };
    for (const auto &[prefix, rect] : places)
        if (!m_services.settings.windowStored(QString::fromLatin1(prefix)))
            storeFirstRunPlacement(QString::fromLatin1(prefix), rect);
}

void KitBox::firstResizeWork()
{
    placeFirstRunChildren();
    const QString commandLine = m_start.commandLine();
    if (commandLine.isEmpty())
        return;
    const QString file = commandLineFile(commandLine);
    if (!file.isEmpty())
        openFile(file);
    const BatchTrace batch = batchTrace(commandLine);
    if (batch.present) {
        m_services.runtime.setConfigValue(QStringLiteral("ApiTrace"), batch.apiTrace);
        m_services.runtime.setConfigValue(QStringLiteral("IfhTrace"), batch.ifhTrace);
        emit batchTestRequested(file);
    }
}

void KitBox::openFile(const QString &path)
{
    showStartPicture(false);
    switch (openFileKind(path)) {
    case OpenFileKind::Description:
        emit descriptionRequested(path);
        break;
    case OpenFileKind::Test:
        emit testFileRequested(path);
        break;
    case OpenFileKind::Other:
        break;
    }
}

void KitBox::setHint(const QString &text)
{
    m_hinweisLabel->setText(text);
}

void KitBox::setEditorStatus(bool active, bool readOnly, bool overwrite, int line, int lineCount, int column)
{
    const MainWindowRules::EditorStatus s =
        MainWindowRules::editorStatus(active, readOnly, overwrite, line, lineCount, column, m_services.texts);
    m_editorMode->setText(s.mode);
    m_editorPosition->setText(s.position);
    if (s.clearHint)
        m_hinweisLabel->clear();
}

void KitBox::setPrintSource(const QString &text, const QString &caption)
{
    m_printText = text;
    m_printCaption = caption;
    m_actions.value(QStringLiteral("PrintFile"))->setEnabled(true);
    m_actions.value(QStringLiteral("PrintPdf"))->setEnabled(true);
}

void KitBox::clearPrintSource()
{
    m_printText.clear();
    m_printCaption.clear();
    m_actions.value(QStringLiteral("PrintFile"))->setEnabled(false);
    m_actions.value(QStringLiteral("PrintPdf"))->setEnabled(false);
}

void KitBox::toolbarClicked(int index)
{
    const ToolbarButton *button = MainMenuModel::toolbarButton(index);
    if (button == nullptr) {
        m_services.dialogs.message(MainMenuModel::unknownIndexMessage(index, m_services.texts), programTitle(),
                                   MessageIcon::Information);
        return;
    }
    QAction *action = m_actions.value(button->command);
    if (action != nullptr && action->isEnabled())
        action->trigger();
}

int KitBox::popupEditMenu(const QPoint &globalPosition, const QList<QAction *> &extra)
{
    QAction *separator = extra.isEmpty() ? nullptr : m_editMenu->addSeparator();
    m_editMenu->addActions(extra);
    QAction *chosen = m_editMenu->exec(globalPosition);
    for (QAction *a : extra)
        m_editMenu->removeAction(a);
    delete separator;
    if (extra.contains(chosen))
        chosen = nullptr;
    m_editCommand = chosen ? chosen->data().toInt() : 0;
    return m_editCommand;
}

void KitBox::printSource()
{
    if (MainWindowRules::isGridPrintSource(m_printCaption)) {
        emit gridPrintRequested(m_printCaption);
        return;
    }
    if (m_printText.isEmpty())
        return;
    QAction *print = m_actions.value(QStringLiteral("PrintFile"));
    print->setEnabled(false);
    const QString page =
        MainWindowRules::printText(m_printCaption, m_services.clock.now().date(), m_printText, m_services.texts);

    const Status printed = printText(m_printCaption, page, fixedPitchFont(10, QStringLiteral("Courier New")));
    if (!printed)
        m_services.dialogs.message(QString::fromStdString(printed.error()), programTitle(), MessageIcon::Information);
    print->setEnabled(true);
}

void KitBox::printSourceToPdf()
{
    if (m_printCaption.isEmpty())
        return;
    QString name = m_printCaption;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]+")), QStringLiteral("_"));
    const QString title = m_services.texts.text(21611).remove(QLatin1Char('&'));
    const QString path = m_services.dialogs.saveFileName(title, QDir::home().filePath(name + QStringLiteral(".pdf")),
                                                         m_services.texts.text(21612));
    if (path.isEmpty())
        return;
    const PdfPrintTarget target(path);
    printSource();
}

Res_Form *KitBox::resultsWindow(bool create)
{
    if (m_resForm || !create)
        return m_resForm;
    showStartPicture(false);
    auto *form = new Res_Form(m_services.settings, m_services.texts, m_runFlags);
    m_mdi->addSubWindow(form);
    connect(form, &Res_Form::printSourceChanged, this, &KitBox::setPrintSource);
    connect(form, &Res_Form::editorStatusChanged, this, &KitBox::setEditorStatus);
    m_resForm = form;
    form->load();
    form->show();
    return form;
}

void KitBox::datumTick()
{
    m_datum->setText(MainWindowRules::dateText(m_services.clock.now().date()));
}

void KitBox::cascadeTick()
{
    if (m_runFlags.testRun)
        return;
    m_cascadeTimer->stop();
    close();
}

void KitBox::fillWindowMenu()
{
    QMenu *menu = m_menus.value(QStringLiteral("Fenster"));
    for (QAction *a : std::as_const(m_windowListActions)) {
        menu->removeAction(a);
        a->deleteLater();
    }
    m_windowListActions.clear();
    const QList<QMdiSubWindow *> windows = m_mdi->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowListActions.append(menu->addSeparator());
    int n = 1;
    for (QMdiSubWindow *w : windows) {
        QAction *a = menu->addAction(QLatin1Char('&') + QString::number(n++) + QLatin1Char(' ') + w->windowTitle());
        a->setCheckable(true);
        a->setChecked(w == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(w)] {
            if (target) {
                if (target->isMinimized())
                    target->showNormal();
                m_mdi->setActiveSubWindow(target);
            }
        });
        m_windowListActions.append(a);
    }
}

void KitBox::arrange(int how)
{
    if (how == arrangeCascade) {
        m_mdi->cascadeSubWindows();
        return;
    }
    QList<QMdiSubWindow *> normal;
    QList<QMdiSubWindow *> minimised;
    for (QMdiSubWindow *w : m_mdi->subWindowList()) {
        if (!w->isVisible())
            continue;
        (w->isMinimized() ? minimised : normal).append(w);
    }
    const QSize area = m_mdi->viewport()->size();
    if (how == arrangeIcons) {
        if (minimised.isEmpty())
            return;
        const QSize icon = minimised.first()->size();
        const QList<QRect> places = MainWindowRules::iconPositions(int(minimised.size()), area.width(), area.height(),
                                                                   icon.width(), icon.height());
        for (qsizetype i = 0; i < minimised.size(); ++i)
            minimised[i]->move(places[i].topLeft());
        return;
    }
    const QList<QRect> places = MainWindowRules::tiled(
        int(normal.size()), area.width(), area.height(),
        how == arrangeHorizontal ? MainWindowRules::Arrangement::Horizontal : MainWindowRules::Arrangement::Vertical);
    for (qsizetype i = 0; i < normal.size(); ++i) {
        if (normal[i]->isMaximized())
            normal[i]->showNormal();
        normal[i]->setGeometry(places[i]);
    }
}

void KitBox::storePlacement()
{
    const QRect g = (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
    WindowPlacement p = m_services.settings.window(appPrefix);
    p.left = toTwips(g.x());
    p.top = toTwips(g.y());
    p.width = toTwips(g.width());
    p.height = toTwips(g.height());
    m_services.settings.setWindow(appPrefix, p);
}

void KitBox::closeEvent(QCloseEvent *event)
{
    if (m_unloaded || !m_loaded) {
        event->accept();
        return;
    }
    for (const auto &step : m_unloadSteps) {
        if (!step()) {
            event->ignore();
            return;
        }
    }
    if (m_resForm)
        m_resForm->unload();
    m_datumTimer->stop();
    m_cascadeTimer->stop();
    storePlacement();
    m_start.shutDown(m_services.locations);
    m_unloaded = true;
    event->accept();
}

void KitBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void KitBox::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    const QString file = droppedFileName(urls.first().toLocalFile());
    if (!file.isEmpty())
        openFile(file);
    event->acceptProposedAction();
}

bool KitBox::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_mdi && type == QEvent::Resize) {
        if (!m_bilderRahmen->isHidden())
            layoutStartPicture();
    } else if ((watched == m_bilderRahmen || watched == m_startBild) && type == QEvent::MouseButtonPress) {
        showStartPicture(false);
        return true;
    } else if (watched == m_logo && type == QEvent::MouseButtonPress) {
        if (QAction *options = m_actions.value(QStringLiteral("KonfigKitbox")); options && options->isEnabled())
            options->trigger();
        return true;
    } else if (watched == m_toolBar && type == QEvent::MouseMove) {
        setHint(QString());
    } else if (auto *button = qobject_cast<QToolButton *>(watched);
               button && (type == QEvent::Enter || type == QEvent::FocusIn)) {
        setHint(MainMenuModel::hintText(button->property("index").toInt(), m_services.texts));
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace kitbox
