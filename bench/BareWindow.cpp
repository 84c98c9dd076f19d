#include "BareWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Pixels at 96 dots per inch for a size in twips, as the program places its controls.
int pixels(int twips)
{
    return twips / 15;
}

QLabel *panel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

BareWindow::BareWindow(bool quitAfterFirstPaint, QWidget *parent)
    : QMainWindow(parent), m_quitAfterFirstPaint(quitAfterFirstPaint)
{
    setWindowTitle(u"Finestra di confronto"_s);

    QMenu *file = menuBar()->addMenu(u"&File"_s);
    file->addAction(u"&Apri Tabella..."_s);
    file->addAction(u"&Esci"_s);
    menuBar()->addMenu(u"&?"_s)->addAction(u"&Informazioni su..."_s);

    auto *client = new QWidget(this);
    client->setFixedSize(pixels(6600), pixels(2070));
    setCentralWidget(client);

    auto *line = new QLineEdit(client);
    line->setGeometry(pixels(120), pixels(600), pixels(5535), pixels(345));

    auto *status = new QStatusBar(client);
    status->setSizeGripEnabled(false);
    status->setGeometry(pixels(0), pixels(1695), pixels(6600), pixels(375));
    QLabel *messages = panel(status);
    messages->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    messages->setText(u"Nessuna tabella aperta"_s);
    status->addWidget(messages, 1);
    QLabel *capsLock = panel(status);
    capsLock->setText(u"BLOC MAIUSC"_s);
    capsLock->setAlignment(Qt::AlignCenter);
    capsLock->setFixedWidth(pixels(1440));
    status->addPermanentWidget(capsLock, 0);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    line->setFocus();
}

void BareWindow::paintEvent(QPaintEvent *event)
{
    QMainWindow::paintEvent(event);
    if (m_quitAfterFirstPaint && !m_painted) {
        m_painted = true;
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
}
