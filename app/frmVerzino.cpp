#include "frmVerzino.h"

#include "AppInfo.h"
#include "Clipboard.h"
#include "EnterActions.h"
#include "FileDropTarget.h"
#include "Fonts.h"
#include "Keystroke.h"
#include "LimitMarker.h"
#include "LineBox.h"
#include "MessageBox.h"
#include "ReadProgress.h"
#include "Shape.h"
#include "StatusBar.h"
#include "TableReader.h"
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
#include <QScopedValueRollback>

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

frmVerzino::frmVerzino(QWidget *parent) : QMainWindow(parent)
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
    rtbRiga->setFocus();
}

frmVerzino::~frmVerzino() = default;

void frmVerzino::createMenus()
{
    // Access keys only: no item has a shortcut key.
    mnuFile = menuBar()->addMenu(u"&File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuApriT = mnuFile->addAction(u"&Apri Tabella..."_s);
    mnuApriT->setObjectName(u"mnuApriT"_s);
    mnuEsci = mnuFile->addAction(u"&Esci"_s);
    mnuEsci->setObjectName(u"mnuEsci"_s);

    mnuAiuto = menuBar()->addMenu(u"&?"_s);
    mnuAiuto->setObjectName(u"mnuAiuto"_s);
    mnuInfo = mnuAiuto->addAction(u"&Informazioni su..."_s);
    mnuInfo->setObjectName(u"mnuInfo"_s);
}

void frmVerzino::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"clientArea"_s);
    m_client->setFixedSize(Twips::rect(0, 0, 6600, 2070).size());
    setCentralWidget(m_client);

    rtbRiga = new LineBox(m_client);
    rtbRiga->setObjectName(u"rtbRiga"_s);
    place(rtbRiga, 120, 600, 5535, 345);
    rtbRiga->setFont(Fonts::courier());

    chkAppunti = new QCheckBox(u"Copia negli Appunti con INVIO"_s, m_client);
    chkAppunti->setObjectName(u"chkAppunti"_s);
    place(chkAppunti, 120, 1320, 2655, 255);
    chkAppunti->setChecked(true);

    txtLimite = new QLineEdit(m_client);
    txtLimite->setObjectName(u"txtLimite"_s);
    place(txtLimite, 5760, 600, 480, 350);
    txtLimite->setFont(Fonts::courier());
    txtLimite->setReadOnly(true);
    txtLimite->setText(u"0"_s);

    Label1 = new QLabel(u"Scrivi qui la riga:"_s, m_client);
    Label1->setObjectName(u"Label1"_s);
    place(Label1, 120, 240, 2655, 255);

    Label2 = new QLabel(u"Limite:"_s, m_client);
    Label2->setObjectName(u"Label2"_s);
    place(Label2, 5760, 240, 495, 255);

    chkSvuota = new QCheckBox(u"Svuota casella con INVIO"_s, m_client);
    chkSvuota->setObjectName(u"chkSvuota"_s);
    place(chkSvuota, 3000, 1320, 2295, 255);
    chkSvuota->setChecked(true);

    UpDown1 = new UpDown(m_client);
    UpDown1->setObjectName(u"UpDown1"_s);
    place(UpDown1, 6240, 600, 240, 345);
    UpDown1->setRange(0, 45);
    UpDown1->setBuddy(txtLimite);

    shpLimite = new Shape(m_client);
    shpLimite->setObjectName(u"shpLimite"_s);
    shpLimite->setSizeTwips(135, 135);
    shpLimite->setLeft(175);
    shpLimite->setTop(960);

    CommonDialog1.setFilter(u"File Tabella (*.tbl)|*.tbl|Tutti i file (*.*)|*.*"_s);
}

void frmVerzino::createStatusBar()
{
    SB = new StatusBar(m_client);
    SB->setObjectName(u"SB"_s);
    SB->setSizeGripEnabled(false);
    place(SB, 0, 1695, 6600, 375);
    SB->setPanelText(u"Nessuna tabella aperta"_s);
    // Key events go to whichever control has the focus; the Caps Lock panel follows all of them.
    SB->followCapsLock(qApp);
}

void frmVerzino::fitCaptions()
{
    // The design's widths were drawn for a narrower dialog font than most Linux desktops use.
    for (QWidget *control : std::initializer_list<QWidget *>{Label1, Label2, chkAppunti, chkSvuota})
        widenToCaption(control);
    keepClear(Label1, Label2);
    keepClear(chkAppunti, chkSvuota);
}

void frmVerzino::setFocusOrder()
{
    // Labels and the status bar take no focus; the rest follow the designed order.
    QWidget::setTabOrder(rtbRiga, chkAppunti);
    QWidget::setTabOrder(chkAppunti, txtLimite);
    QWidget::setTabOrder(txtLimite, chkSvuota);
    QWidget::setTabOrder(chkSvuota, UpDown1);
}

void frmVerzino::connectHandlers()
{
    connect(mnuApriT, &QAction::triggered, this, &frmVerzino::mnuApriT_Click);
    connect(mnuEsci, &QAction::triggered, this, &frmVerzino::mnuEsci_Click);
    connect(mnuInfo, &QAction::triggered, this, &frmVerzino::mnuInfo_Click);

    rtbRiga->setAdmission([this](qint16 code) { return rtbRiga_KeyPress(code); });
    connect(rtbRiga, &LineBox::enterPressed, this, &frmVerzino::rtbRiga_Enter);
    // A file dropped anywhere on the window is opened, never typed.
    m_fileDrops = new FileDropTarget(this);
    m_fileDrops->watch(this);
    connect(m_fileDrops, &FileDropTarget::filesDropped, this, &frmVerzino::openTables);
    connect(txtLimite, &QLineEdit::textChanged, this, &frmVerzino::txtLimite_Change);
    connect(UpDown1, &UpDown::upClick, this, &frmVerzino::UpDown1_UpClick);
    connect(UpDown1, &UpDown::downClick, this, &frmVerzino::UpDown1_DownClick);
}

void frmVerzino::mnuApriT_Click()
{
    // The reading in progress lets events run; a second one must wait for it to end.
    if (m_reading)
        return;

    const QString previousFile = FileTabella;
    const QString previousName = NomeTabella;

    CommonDialog1.setTitle(u"Apri Tabella..."_s);
    // A cancelled dialog keeps its last choice, so a cancel reads that file again.
    CommonDialog1.showOpen(this);
    FileTabella = CommonDialog1.fileName();
    NomeTabella = CommonDialog1.fileTitle();
    if (!CaricaTabella()) {
        // A file that could not be read does not come into force, nor is it read on a cancel.
        FileTabella = previousFile;
        NomeTabella = previousName;
        CommonDialog1.restoreChoice(previousFile, previousName);
    }
}

void frmVerzino::mnuEsci_Click()
{
    close();
}

void frmVerzino::mnuInfo_Click()
{
    const QStringList lines = {u"Verzino versione 1.0"_s, AppInfo::maker(), AppInfo::contact()};
    MessageBox::information(this, u"Informazioni su..."_s, lines.join(u'\n'));
}

// Reads the chosen file into the table and names it in the status line. Returns false when
// the file could not be read; then the table and the status line are as they were.
bool frmVerzino::CaricaTabella()
{
    if (FileTabella.isEmpty())
        return true;

    TableReadResult result;
    {
        // A long reading shows its progress and can be cancelled; the window keeps painting.
        ReadProgress progress(this, u"Apri Tabella..."_s, u"Lettura di %1..."_s.arg(NomeTabella));
        const QScopedValueRollback reading(m_reading, &progress);
        result = readTableFile(FileTabella, VociTabella, [&progress](qint64 done, qint64 total) {
            return progress.update(done, total);
        });
    }
    if (result.outcome == TableReadResult::Outcome::Failed)
        MessageBox::error(this, u"Apri Tabella..."_s, result.error);
    if (!result.ok())
        return false;

    SB->setPanelText(u"Tabella caricata: "_s + NomeTabella);
    return true;
}

// Every character typed or committed in the line box, before the box acts on it.
KeystrokeAction frmVerzino::rtbRiga_KeyPress(qint16 code) const
{
    return admitKeystroke(code, !FileTabella.isEmpty(), VociTabella);
}

// Enter in the line box; the copy comes first, so with both boxes ticked the clipboard gets
// the line.
void frmVerzino::rtbRiga_Enter()
{
    const EnterActions actions =
        EnterActions::from(chkAppunti->checkState(), chkSvuota->checkState());
    if (actions.copyToClipboard) {
        Clipboard::clear();
        Clipboard::putText(rtbRiga->text());
    }
    if (actions.clearLine)
        rtbRiga->setTextUnlimited(QString());
}

void frmVerzino::openTables(const QStringList &paths)
{
    for (const QString &path : paths) {
        // The reading in progress lets events run; another must wait for it to end.
        if (m_reading || path.isEmpty())
            return;
        const QString previousFile = FileTabella;
        const QString previousName = NomeTabella;
        FileTabella = path;
        NomeTabella = QFileInfo(path).fileName();
        CommonDialog1.restoreChoice(FileTabella, NomeTabella);
        if (!CaricaTabella()) {
            FileTabella = previousFile;
            NomeTabella = previousName;
            CommonDialog1.restoreChoice(previousFile, previousName);
            return;
        }
    }
}

void frmVerzino::txtLimite_Change()
{
    rtbRiga->setLengthLimit(LimitMarker::limitFromText(txtLimite->text()));
}

// The marker is hidden while it moves so that it is never drawn in two places.
void frmVerzino::UpDown1_UpClick()
{
    shpLimite->hide();
    shpLimite->setLeft(LimitMarker::afterUpClick(shpLimite->left()));
    shpLimite->show();
}

void frmVerzino::UpDown1_DownClick()
{
    const std::optional<float> left = LimitMarker::afterDownClick(shpLimite->left());
    if (!left)
        return;
    shpLimite->hide();
    shpLimite->setLeft(*left);
    shpLimite->show();
}

void frmVerzino::closeEvent(QCloseEvent *event)
{
    // A reading still running would go on for a window that is gone.
    if (m_reading)
        m_reading->cancel();
    QMainWindow::closeEvent(event);
}
