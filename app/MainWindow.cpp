#include "MainWindow.h"

#include "AppInfo.h"
#include "Clipboard.h"
#include "EnterActions.h"
#include "Fonts.h"
#include "HeldInput.h"
#include "Keystroke.h"
#include "LimitMarker.h"
#include "LineBox.h"
#include "MessageBox.h"
#include "ReadProgress.h"
#include "Shape.h"
#include "StatusBar.h"
#include "Twips.h"
#include "UpDown.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

// Room kept between two controls of a row when a widened caption pushes its neighbour.
constexpr int CaptionGapTwips = 120;

void place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(Twips::rect(left, top, width, height));
}

// Widens a label or check box whose caption the current font would clip; Left and Top stay.
void widenToCaption(QWidget *control)
{
    const int needed = control->sizeHint().width();
    if (control->width() < needed)
        control->resize(needed, control->height());
}

// Moves the right-hand control of a row just clear of a widened left-hand one.
void keepClear(const QWidget *left, QWidget *right)
{
    const int gap = qRound(Twips::toPixels(CaptionGapTwips));
    const int firstFree = left->geometry().right() + 1 + gap;
    if (right->x() < firstFree)
        right->move(firstFree, right->y());
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(u"frmVerzino"_s);
    setWindowTitle(u"Verzino v.1.0 - "_s + AppInfo::maker());
    QIcon icon;
    icon.addFile(u":/icons/verzino-16.png"_s);
    icon.addFile(u":/icons/verzino-32.png"_s);
    setWindowIcon(icon);

    createMenus();
    createControls();
    createStatusBar();
    fitCaptions();
    setFocusOrder();
    connectHandlers();

    // The window keeps its designed size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_lineBox->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenus()
{
    // Access keys only: no item has a shortcut key.
    m_fileMenu = menuBar()->addMenu(u"&File"_s);
    m_fileMenu->setObjectName(u"mnuFile"_s);
    m_openTableAction = m_fileMenu->addAction(u"&Apri Tabella..."_s);
    m_openTableAction->setObjectName(u"mnuApriT"_s);
    m_exitAction = m_fileMenu->addAction(u"&Esci"_s);
    m_exitAction->setObjectName(u"mnuEsci"_s);

    m_helpMenu = menuBar()->addMenu(u"&?"_s);
    m_helpMenu->setObjectName(u"mnuAiuto"_s);
    m_aboutAction = m_helpMenu->addAction(u"&Informazioni su..."_s);
    m_aboutAction->setObjectName(u"mnuInfo"_s);
}

void MainWindow::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"clientArea"_s);
    m_client->setFixedSize(Twips::rect(0, 0, 6600, 2070).size());
    setCentralWidget(m_client);

    m_lineBox = new LineBox(m_client);
    m_lineBox->setObjectName(u"rtbRiga"_s);
    place(m_lineBox, 120, 600, 5535, 345);
    m_lineBox->setFont(Fonts::courier());

    m_copyOnEnter = new QCheckBox(u"Copia negli Appunti con INVIO"_s, m_client);
    m_copyOnEnter->setObjectName(u"chkAppunti"_s);
    place(m_copyOnEnter, 120, 1320, 2655, 255);
    m_copyOnEnter->setChecked(true);

    m_limitField = new QLineEdit(m_client);
    m_limitField->setObjectName(u"txtLimite"_s);
    place(m_limitField, 5760, 600, 480, 350);
    m_limitField->setFont(Fonts::courier());
    m_limitField->setReadOnly(true);
    m_limitField->setText(u"0"_s);

    m_lineLabel = new QLabel(u"Scrivi qui la riga:"_s, m_client);
    m_lineLabel->setObjectName(u"Label1"_s);
    place(m_lineLabel, 120, 240, 2655, 255);

    m_limitLabel = new QLabel(u"Limite:"_s, m_client);
    m_limitLabel->setObjectName(u"Label2"_s);
    place(m_limitLabel, 5760, 240, 495, 255);

    m_clearOnEnter = new QCheckBox(u"Svuota casella con INVIO"_s, m_client);
    m_clearOnEnter->setObjectName(u"chkSvuota"_s);
    place(m_clearOnEnter, 3000, 1320, 2295, 255);
    m_clearOnEnter->setChecked(true);

    m_limitSpinner = new UpDown(m_client);
    m_limitSpinner->setObjectName(u"UpDown1"_s);
    place(m_limitSpinner, 6240, 600, 240, 345);
    m_limitSpinner->setRange(0, 45);
    m_limitSpinner->setBuddy(m_limitField);

    m_limitMarker = new Shape(m_client);
    m_limitMarker->setObjectName(u"shpLimite"_s);
    m_limitMarker->setSizeTwips(135, 135);
    m_limitMarker->setLeft(175);
    m_limitMarker->setTop(960);

    // Qt shows what comes before each filter's last group: the design's captions, while
    // "Tutti i file (*.*)" lists every file, with a dot in its name or not.
    m_openDialog.setNameFilters({u"File Tabella (*.tbl) (*.tbl)"_s, u"Tutti i file (*.*) (*)"_s});
}

void MainWindow::createStatusBar()
{
    m_statusBar = new StatusBar(m_client);
    m_statusBar->setObjectName(u"SB"_s);
    m_statusBar->setSizeGripEnabled(false);
    place(m_statusBar, 0, 1695, 6600, 375);
    m_statusBar->setPanelText(u"Nessuna tabella aperta"_s);
    // Key events go to whichever control has the focus; the Caps Lock panel follows all of them.
    m_statusBar->followCapsLock(qApp);
}

void MainWindow::fitCaptions()
{
    // The design's widths were drawn for a narrower dialog font than most Linux desktops use.
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_lineLabel, m_limitLabel, m_copyOnEnter, m_clearOnEnter})
        widenToCaption(control);
    keepClear(m_lineLabel, m_limitLabel);
    keepClear(m_copyOnEnter, m_clearOnEnter);
}

void MainWindow::setFocusOrder()
{
    // Labels and the status bar take no focus; the rest follow the designed order.
    QWidget::setTabOrder(m_lineBox, m_copyOnEnter);
    QWidget::setTabOrder(m_copyOnEnter, m_limitField);
    QWidget::setTabOrder(m_limitField, m_clearOnEnter);
    QWidget::setTabOrder(m_clearOnEnter, m_limitSpinner);
}

void MainWindow::connectHandlers()
{
    connect(m_openTableAction, &QAction::triggered, this, &MainWindow::chooseTable);
    connect(m_exitAction, &QAction::triggered, this, &MainWindow::close);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    m_lineBox->setKeyPressHandler([this](qint16 &code) { onLineKeyPress(code); });
    connect(m_limitField, &QLineEdit::textChanged, this, &MainWindow::onLimitTextChanged);
    connect(m_limitSpinner, &UpDown::upClick, this, &MainWindow::onUpClicked);
    connect(m_limitSpinner, &UpDown::downClick, this, &MainWindow::onDownClicked);

    // Keys typed while a table loads wait for it, so none is checked against the table that is
    // being replaced.
    m_heldKeys = new HeldInput(m_lineBox);
    connect(&m_session, &TableSession::progressed, this, [this](qint64 done, qint64 total) {
        if (m_progress)
            m_progress->setProgress(done, total);
    });
    connect(&m_session, &TableSession::loadFinished, this, &MainWindow::onTableLoadFinished);
}

void MainWindow::chooseTable()
{
    // The menu still answers while a table loads; one reading at a time.
    if (m_loading)
        return;
    m_openDialog.setTitle(u"Apri Tabella..."_s);
    // A cancelled dialog gives back the file in force, which is read again.
    const QString path = m_openDialog.choose(this).value_or(m_openDialog.fileName());
    if (!path.isEmpty())
        openTable(path);
}

void MainWindow::showAbout()
{
    const QStringList lines = {u"Verzino versione 1.0"_s, AppInfo::maker(), AppInfo::contact()};
    MessageBox::information(this, u"Informazioni su..."_s, lines.join(u'\n'));
}

void MainWindow::openTables(const QStringList &paths)
{
    if (m_loading || paths.isEmpty())
        return;
    m_loading = true;
    m_pendingTables = paths;
    m_heldKeys->hold();
    loadNextTable();
}

void MainWindow::loadNextTable()
{
    const QString path = m_pendingTables.takeFirst();
    m_progress = std::make_unique<ReadProgress>(
        this, u"Apri Tabella..."_s, u"Lettura di %1..."_s.arg(QFileInfo(path).fileName()));
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
            MessageBox::error(this, u"Apri Tabella..."_s, result.error);
    }
    m_loading = false;
    m_heldKeys->release();
    Q_EMIT tableLoadFinished(result.ok());
}

// Every character keystroke of the line box, before the box acts on it.
void MainWindow::onLineKeyPress(qint16 &code)
{
    switch (admitKeystroke(code, m_session.hasTable(), m_session.table())) {
    case KeystrokeAction::Enter: {
        // The copy comes first, so with both boxes ticked the clipboard gets the line.
        const EnterActions actions =
            EnterActions::from(m_copyOnEnter->checkState(), m_clearOnEnter->checkState());
        if (actions.copyToClipboard) {
            Clipboard::clear();
            Clipboard::putText(m_lineBox->text());
        }
        if (actions.clearLine)
            m_lineBox->setText(QString());
        break;
    }
    case KeystrokeAction::AppendAtEnd:
        m_lineBox->setSelectionStart(int(m_lineBox->text().size()));
        break;
    case KeystrokeAction::Drop:
        code = KeyCode::Dropped;
        break;
    case KeystrokeAction::PassOn:
        break;
    }
}

void MainWindow::onLimitTextChanged()
{
    m_lineBox->setLengthLimit(LimitMarker::limitFromText(m_limitField->text()));
}

// The marker is hidden while it moves so that it is never drawn in two places.
void MainWindow::onUpClicked()
{
    m_limitMarker->hide();
    m_limitMarker->setLeft(LimitMarker::afterUpClick(m_limitMarker->left()));
    m_limitMarker->show();
}

void MainWindow::onDownClicked()
{
    const std::optional<float> left = LimitMarker::afterDownClick(m_limitMarker->left());
    if (!left)
        return;
    m_limitMarker->hide();
    m_limitMarker->setLeft(*left);
    m_limitMarker->show();
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
