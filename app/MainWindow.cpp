#include "MainWindow.h"

#include "AppInfo.h"
#include "Clipboard.h"
#include "EnterActions.h"
#include "FileDropTarget.h"
#include "Fonts.h"
#include "HeldInput.h"
#include "Keystroke.h"
#include "LimitMarker.h"
#include "LimitSpinner.h"
#include "LineBox.h"
#include "MessageBox.h"
#include "ReadProgress.h"
#include "Shape.h"
#include "StatusBar.h"
#include "Twips.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The design, in twips (15 to a pixel at 96 dpi). The controls stand in rows from the client
// area's top-left corner: the labels, the line box and the limit spinner, a lane where the
// marker runs, the check boxes, and the status bar along the bottom.
namespace Design {
constexpr int Margin = 120;     // left and right, and above the status bar
constexpr int Top = 240;        // above the labels
constexpr int Gap = 105;        // under the labels, and between the line box and the spinner
constexpr int MarkerLane = 375; // from the line box down to the check boxes
constexpr int MarkerGap = 15;   // from the line box down to the marker, shpLimite
constexpr int MarkerSize = 135;
constexpr int CheckGap = 225; // between the check boxes
constexpr int CaptionHeight = 255;
constexpr QSize rtbRiga(5535, 345);
constexpr QSize UpDown1(720, 345); // with txtLimite, the field it steps
constexpr int chkAppunti = 2655;   // wide
constexpr int SB = 375;            // high
} // namespace Design

// The open dialog's title, and the title of what reading the chosen file shows.
const QString OpenTitle = u"Apri Tabella..."_s;

int px(int twips)
{
    return qRound(Twips::toPixels(twips));
}

} // namespace

MainWindow::MainWindow(OpenFileDialog::Chooser chooser, TableSession::ReadFunction read)
    : m_session(std::move(read)), m_openDialog(std::move(chooser))
{
    setObjectName(u"frmVerzino"_s);
    setWindowTitle(u"Verzino v.%1 - %2"_s.arg(AppInfo::shortVersion(), AppInfo::maker()));
    QIcon icon;
    icon.addFile(u":/icons/verzino-16.png"_s);
    icon.addFile(u":/icons/verzino-32.png"_s);
    setWindowIcon(icon);

    createMenus();
    createControls();
    createStatusBar();
    layOutControls();
    setFocusOrder();
    connectHandlers();

    // The window keeps the size its controls need.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_lineBox->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenus()
{
    // Access keys only: no item has a shortcut key.
    QMenu *fileMenu = menuBar()->addMenu(u"&File"_s);
    fileMenu->setObjectName(u"mnuFile"_s);
    m_openTableAction = fileMenu->addAction(u"&Apri Tabella..."_s);
    m_openTableAction->setObjectName(u"mnuApriT"_s);
    m_exitAction = fileMenu->addAction(u"&Esci"_s);
    m_exitAction->setObjectName(u"mnuEsci"_s);

    QMenu *helpMenu = menuBar()->addMenu(u"&?"_s);
    helpMenu->setObjectName(u"mnuAiuto"_s);
    m_aboutAction = helpMenu->addAction(u"&Informazioni su..."_s);
    m_aboutAction->setObjectName(u"mnuInfo"_s);
}

void MainWindow::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"clientArea"_s);
    setCentralWidget(m_client);

    m_lineBox = new LineBox(m_client);
    m_lineBox->setObjectName(u"rtbRiga"_s);
    m_lineBox->setFont(Fonts::courier());

    m_copyOnEnter = new QCheckBox(u"Copia negli Appunti con INVIO"_s, m_client);
    m_copyOnEnter->setObjectName(u"chkAppunti"_s);
    m_copyOnEnter->setChecked(true);

    m_limitSpinner = new LimitSpinner(m_client);
    m_limitSpinner->setObjectName(u"UpDown1"_s);
    m_limitSpinner->setRange(0, LimitMarker::MaximumLimit);
    m_limitSpinner->setFont(Fonts::courier());
    m_limitSpinner->setAccessibleName(u"Limite"_s);
    // Tab only: a click on an arrow leaves the focus in the line box, in the middle of typing.
    m_limitSpinner->setFocusPolicy(Qt::TabFocus);

    m_lineLabel = new QLabel(u"Scrivi qui la riga:"_s, m_client);
    m_lineLabel->setObjectName(u"Label1"_s);

    m_limitLabel = new QLabel(u"Limite:"_s, m_client);
    m_limitLabel->setObjectName(u"Label2"_s);

    // Screen readers name the line box after the label above it.
    m_lineLabel->setBuddy(m_lineBox);
    m_limitLabel->setBuddy(m_limitSpinner);

    m_clearOnEnter = new QCheckBox(u"Svuota casella con INVIO"_s, m_client);
    m_clearOnEnter->setObjectName(u"chkSvuota"_s);
    m_clearOnEnter->setChecked(true);

    m_limitMarker = new Shape(m_client);
    m_limitMarker->setObjectName(u"shpLimite"_s);
    m_limitMarker->setSizeTwips(Design::MarkerSize, Design::MarkerSize);
    m_limitMarker->setLeft(LimitMarker::leftFor(0));
    // Its Top follows the line box, wherever the layout puts the box.
    m_lineBox->installEventFilter(this);

    // Qt shows what comes before each filter's last group: the design's captions, while
    // "Tutti i file (*.*)" lists every file, with a dot in its name or not.
    m_openDialog.setNameFilters({u"File Tabella (*.tbl) (*.tbl)"_s, u"Tutti i file (*.*) (*)"_s});
}

void MainWindow::createStatusBar()
{
    m_statusBar = new StatusBar(m_client);
    m_statusBar->setObjectName(u"SB"_s);
    m_statusBar->setPanelText(u"Nessuna tabella aperta"_s);
    // Key events go to whichever control has the focus; the Caps Lock panel follows all of them.
    m_statusBar->followCapsLock(qApp);
}

void MainWindow::layOutControls()
{
    // The Courier fields keep their designed size: their font does not follow the desktop's,
    // and the marker steps along the line box's cells.
    m_lineBox->setFixedSize(px(Design::rtbRiga.width()), px(Design::rtbRiga.height()));
    m_limitSpinner->setFixedSize(px(Design::UpDown1.width()), px(Design::UpDown1.height()));
    // Captions take the design's height, or what their line and a check box's indicator need
    // in the desktop's font; Qt's size hints would add room for a focus frame the design has
    // not got. Widths grow to the captions.
    const std::initializer_list<QWidget *> captions = {m_lineLabel, m_limitLabel, m_copyOnEnter,
                                                       m_clearOnEnter};
    for (QWidget *caption : captions) {
        caption->setFixedHeight(std::max(
            {px(Design::CaptionHeight), caption->fontMetrics().height(),
             caption->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, caption)}));
    }
    m_copyOnEnter->setMinimumWidth(px(Design::chkAppunti));
    m_statusBar->setMinimumHeight(px(Design::SB));

    auto *boxes = new QGridLayout;
    boxes->setSpacing(px(Design::Gap));
    boxes->addWidget(m_lineLabel, 0, 0);
    boxes->addWidget(m_limitLabel, 0, 1);
    boxes->addWidget(m_lineBox, 1, 0);
    boxes->addWidget(m_limitSpinner, 1, 1, Qt::AlignLeft);

    auto *checks = new QHBoxLayout;
    checks->setSpacing(px(Design::CheckGap));
    checks->addWidget(m_copyOnEnter);
    checks->addWidget(m_clearOnEnter);
    checks->addStretch();

    auto *rows = new QVBoxLayout;
    rows->setContentsMargins(px(Design::Margin), px(Design::Top), px(Design::Margin),
                             px(Design::Margin));
    rows->setSpacing(0);
    rows->addLayout(boxes);
    rows->addSpacing(px(Design::MarkerLane));
    rows->addLayout(checks);

    auto *client = new QVBoxLayout(m_client);
    client->setContentsMargins(QMargins());
    client->setSpacing(0);
    client->addLayout(rows);
    client->addWidget(m_statusBar);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lineBox &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        const qreal boxBottom = Twips::fromPixels(m_lineBox->y() + m_lineBox->height());
        m_limitMarker->setTop(float(boxBottom + Design::MarkerGap));
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::setFocusOrder()
{
    // Labels and the status bar take no focus; the rest follow the designed order.
    QWidget::setTabOrder(m_lineBox, m_copyOnEnter);
    QWidget::setTabOrder(m_copyOnEnter, m_limitSpinner);
    QWidget::setTabOrder(m_limitSpinner, m_clearOnEnter);
}

void MainWindow::connectHandlers()
{
    connect(m_openTableAction, &QAction::triggered, this, &MainWindow::chooseTable);
    connect(m_exitAction, &QAction::triggered, this, &MainWindow::close);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    // Every character typed or committed in the line box is decided against the table in force.
    m_lineBox->setAdmission([this](qint16 code) {
        return admitKeystroke(code, m_session.hasTable(), m_session.table());
    });
    connect(m_lineBox, &LineBox::enterPressed, this, &MainWindow::onEnterPressed);
    // A file dropped anywhere on the window is opened, never typed.
    m_drops = new FileDropTarget(this);
    m_drops->watch(this);
    connect(m_drops, &FileDropTarget::filesDropped, this, &MainWindow::openTables);
    connect(m_limitSpinner, &QSpinBox::valueChanged, this, &MainWindow::onLimitChanged);

    // Keys typed while a table loads wait for it, so none is checked against the table that is
    // being replaced.
    m_heldKeys = new HeldInput(this);
    connect(&m_session, &TableSession::progressed, this, [this](qint64 done, qint64 total) {
        if (m_progress)
            m_progress->setProgress(done, total);
    });
    connect(&m_session, &TableSession::loadFinished, this, &MainWindow::onTableLoadFinished);
}

void MainWindow::chooseTable()
{
    m_openDialog.setTitle(OpenTitle);
    // A cancelled dialog gives back its last confirmed choice, the file in force, which is read
    // again: by the name the file has, which the dialog's text may not carry whole.
    const std::optional<QString> chosen = m_openDialog.choose(this);
    const QByteArray path = chosen ? QFile::encodeName(*chosen) : m_session.nativePath();
    if (!path.isEmpty())
        openTable(path);
}

void MainWindow::showAbout()
{
    const QStringList lines = {u"Verzino versione "_s + AppInfo::shortVersion(), AppInfo::maker(),
                               AppInfo::contact()};
    MessageBox::information(this, u"Informazioni su..."_s, lines.join(u'\n'));
}

void MainWindow::openTables(const QByteArrayList &paths)
{
    if (m_loading || paths.isEmpty())
        return;
    setLoading(true);
    m_pendingTables = paths;
    m_heldKeys->hold();
    loadNextTable();
}

void MainWindow::setLoading(bool loading)
{
    m_loading = loading;
    m_openTableAction->setEnabled(!loading);
    m_drops->setAcceptingFiles(!loading);
}

void MainWindow::loadNextTable()
{
    const QByteArray path = m_pendingTables.takeFirst();
    m_progress = std::make_unique<ReadProgress>(
        this, OpenTitle, u"Lettura di %1..."_s.arg(QFileInfo(QFile::decodeName(path)).fileName()));
    // Queued, so the cancel never runs inside the dialog's own signal; it reaches only the
    // reading this dialog belongs to.
    const QPointer<ReadProgress> progress = m_progress.get();
    connect(
        m_progress.get(), &ReadProgress::canceled, this,
        [this, progress] {
            if (progress && progress == m_progress.get())
                m_session.cancel();
        },
        Qt::QueuedConnection);
    m_session.startLoad(path);
}

// The session has the outcome; the window shows it.
void MainWindow::onTableLoadFinished(const TableReadResult &result)
{
    m_progress.reset();
    if (result.ok()) {
        m_statusBar->setPanelText(u"Tabella caricata: "_s + m_session.fileName());
        m_openDialog.confirmChoice(m_session.filePath());
        if (!m_pendingTables.isEmpty()) {
            loadNextTable();
            return;
        }
    } else {
        m_pendingTables.clear();
        if (result.outcome == TableReadResult::Outcome::Failed)
            MessageBox::error(this, OpenTitle, result.error);
    }
    setLoading(false);
    m_heldKeys->release();
}

// Enter in the line box. The copy comes first, so with both boxes ticked the clipboard gets the
// line.
void MainWindow::onEnterPressed()
{
    const EnterActions actions =
        EnterActions::from(m_copyOnEnter->checkState(), m_clearOnEnter->checkState());
    if (actions.copyToClipboard) {
        Clipboard::clear();
        Clipboard::putText(m_lineBox->text());
    }
    if (actions.clearLine)
        m_lineBox->setTextUnlimited(QString());
}

// Arrows, keys, the wheel and screen readers step the spinner: the line box takes its limit, and
// the marker stands under the limit's column.
void MainWindow::onLimitChanged(int limit)
{
    m_lineBox->setLengthLimit(limit);
    m_limitMarker->setLeft(LimitMarker::leftFor(limit));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A reading still running is let go of, never waited for; what was typed meanwhile goes
    // with the window.
    m_heldKeys->discard();
    m_pendingTables.clear();
    m_session.cancel();
    QMainWindow::closeEvent(event);
}
