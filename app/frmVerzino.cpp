#include "frmVerzino.h"

#include "AppInfo.h"
#include "Clipboard.h"
#include "ContentSize.h"
#include "DesignLayout.h"
#include "EnterActions.h"
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
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The design: positions and sizes in twips from the client area's top-left corner.
namespace Design {
constexpr QSize Client(6600, 2070);
constexpr QRect SB(0, 1695, 6600, 375);
constexpr int TextPanel = 5115; // panel 1 of SB, as it comes out of the design's width
constexpr int CapsPanel = 1440; // panel 2 of SB
constexpr QRect rtbRiga(120, 600, 5535, 345);
constexpr QRect chkAppunti(120, 1320, 2655, 255);
constexpr QRect txtLimite(5760, 600, 480, 350);
constexpr QRect Label1(120, 240, 2655, 255);
constexpr QRect Label2(5760, 240, 495, 255);
constexpr QRect chkSvuota(3000, 1320, 2295, 255);
constexpr QRect UpDown1(6240, 600, 240, 345);
constexpr QRect shpLimite(175, 960, 135, 135);
} // namespace Design

void place(QWidget *control, const QRect &twips)
{
    control->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
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
    m_client->setFixedSize(
        Twips::rect(0, 0, Design::Client.width(), Design::Client.height()).size());
    setCentralWidget(m_client);

    rtbRiga = new LineBox(m_client);
    rtbRiga->setObjectName(u"rtbRiga"_s);
    place(rtbRiga, Design::rtbRiga);
    rtbRiga->setFont(Fonts::courier());

    chkAppunti = new QCheckBox(u"Copia negli Appunti con INVIO"_s, m_client);
    chkAppunti->setObjectName(u"chkAppunti"_s);
    place(chkAppunti, Design::chkAppunti);
    chkAppunti->setChecked(true);

    txtLimite = new QLineEdit(m_client);
    txtLimite->setObjectName(u"txtLimite"_s);
    place(txtLimite, Design::txtLimite);
    txtLimite->setFont(Fonts::courier());
    txtLimite->setReadOnly(true);
    txtLimite->setText(u"0"_s);

    Label1 = new QLabel(u"Scrivi qui la riga:"_s, m_client);
    Label1->setObjectName(u"Label1"_s);
    place(Label1, Design::Label1);

    Label2 = new QLabel(u"Limite:"_s, m_client);
    Label2->setObjectName(u"Label2"_s);
    place(Label2, Design::Label2);

    // Screen readers name the line box and the limit field after the labels above them.
    Label1->setBuddy(rtbRiga);
    Label2->setBuddy(txtLimite);

    chkSvuota = new QCheckBox(u"Svuota casella con INVIO"_s, m_client);
    chkSvuota->setObjectName(u"chkSvuota"_s);
    place(chkSvuota, Design::chkSvuota);
    chkSvuota->setChecked(true);

    UpDown1 = new UpDown(m_client);
    UpDown1->setObjectName(u"UpDown1"_s);
    place(UpDown1, Design::UpDown1);
    UpDown1->setRange(0, 45);
    UpDown1->setBuddy(txtLimite);
    UpDown1->setAccessibleName(u"Limite"_s);

    shpLimite = new Shape(m_client);
    shpLimite->setObjectName(u"shpLimite"_s);
    shpLimite->setSizeTwips(float(Design::shpLimite.width()), float(Design::shpLimite.height()));
    shpLimite->setLeft(float(Design::shpLimite.left()));
    shpLimite->setTop(float(Design::shpLimite.top()));

    CommonDialog1.setFilter(u"File Tabella (*.tbl)|*.tbl|Tutti i file (*.*)|*.*"_s);
}

void frmVerzino::createStatusBar()
{
    SB = new StatusBar(m_client);
    SB->setObjectName(u"SB"_s);
    SB->setSizeGripEnabled(false);
    place(SB, Design::SB);
    SB->setPanelText(u"Nessuna tabella aperta"_s);
    // Key events go to whichever control has the focus; the Caps Lock panel follows all of them.
    SB->followCapsLock(qApp);
}

void frmVerzino::fitCaptions()
{
    // The design was drawn for a smaller dialog font than desktops use: the controls that hold
    // text grow to the desktop's font and their neighbours and the window make room. The line
    // box and the limit field keep Courier 9.75 pt, whose 120-twip cells the marker steps
    // along, so they keep their designed size unless the style's frame needs more height.
    const std::pair<QWidget *, QRect> controls[] = {{Label1, Design::Label1},
                                                    {Label2, Design::Label2},
                                                    {rtbRiga, Design::rtbRiga},
                                                    {txtLimite, Design::txtLimite},
                                                    {UpDown1, Design::UpDown1},
                                                    {shpLimite, Design::shpLimite},
                                                    {chkAppunti, Design::chkAppunti},
                                                    {chkSvuota, Design::chkSvuota},
                                                    {SB, Design::SB}};
    QList<DesignLayout::Control> input;
    for (const auto &[control, design] : controls)
        input.append({design, ContentSize::needed(control), control == SB});
    // The status bar's panels keep their designed shares: the bar is as wide as both need.
    input.last().needed.setWidth(
        qMax(DesignLayout::widthForShare(ContentSize::needed(SB->panel1()).width(),
                                         Design::TextPanel, Design::SB.width()),
             DesignLayout::widthForShare(ContentSize::needed(SB->panel2()).width(),
                                         Design::CapsPanel, Design::SB.width())));

    const DesignLayout::Fit fit = DesignLayout::fit(Design::Client, input);
    m_client->setFixedSize(fit.client);
    for (qsizetype i = 0; i < input.size(); ++i) {
        QWidget *control = controls[i].first;
        if (control != shpLimite) {
            control->setGeometry(fit.rects[i]);
            continue;
        }
        // The marker's Left is the limit's column, moved only by the spinner: only its Top
        // follows the rows above it.
        const int down = fit.rects[i].top() - Twips::rect(0, Design::shpLimite.top(), 0, 0).top();
        shpLimite->setTop(float(Design::shpLimite.top() + Twips::fromPixels(down)));
    }
    SB->setPanel2Width(DesignLayout::share(SB->width(), Design::CapsPanel, Design::SB.width()));
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

    rtbRiga->setKeyPressHandler([this](qint16 &code) { rtbRiga_KeyPress(code); });
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

// Every character keystroke of the line box, before the box acts on it.
void frmVerzino::rtbRiga_KeyPress(qint16 &code)
{
    switch (admitKeystroke(code, !FileTabella.isEmpty(), VociTabella)) {
    case KeystrokeAction::Enter: {
        // The copy comes first, so with both boxes ticked the clipboard gets the line.
        const EnterActions actions =
            EnterActions::from(chkAppunti->checkState(), chkSvuota->checkState());
        if (actions.copyToClipboard) {
            Clipboard::clear();
            Clipboard::putText(rtbRiga->text());
        }
        if (actions.clearLine)
            rtbRiga->setText(QString());
        break;
    }
    case KeystrokeAction::AppendAtEnd:
        rtbRiga->setSelectionStart(int(rtbRiga->text().size()));
        break;
    case KeystrokeAction::Drop:
        code = KeyCode::Dropped;
        break;
    case KeystrokeAction::PassOn:
        break;
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
