#include "OpenFileDialog.h"
#include "Translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr auto TableFilter = "File Tabella (*.tbl)|*.tbl|Tutti i file (*.*)|*.*";

// Runs action on the dialog as soon as it is up and modal.
void whenDialogShows(std::function<void(QFileDialog *)> action)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(dialog);
    });
    timer->start();
}

} // namespace

class TestOpenFileDialog final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void emptyBeforeFirstChoice();
    void chooserSeesTitleFiltersAndParent();
    void cancelKeepsLastChoice();
    void realDialogOpensATypedPath();
    void realDialogCancelledByEscape();

private:
    QTemporaryDir m_dir;
    QString m_table;
};

void TestOpenFileDialog::initTestCase()
{
    QVERIFY(Translations::installItalian(*qApp));
    QVERIFY(m_dir.isValid());
    m_table = m_dir.filePath(u"prova.tbl"_s);
    QFile file(m_table);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("41=A\n");
}

void TestOpenFileDialog::emptyBeforeFirstChoice()
{
    OpenFileDialog dialog;
    QCOMPARE(dialog.fileName(), QString());
    QCOMPARE(dialog.fileTitle(), QString());
}

void TestOpenFileDialog::chooserSeesTitleFiltersAndParent()
{
    QWidget parent;
    OpenFileDialog dialog;
    dialog.setTitle(u"Apri Tabella..."_s);
    dialog.setFilter(QString::fromLatin1(TableFilter));
    QWidget *seenParent = nullptr;
    QString seenTitle;
    QStringList seenFilters;
    dialog.setChooser([&](QWidget *p, const QString &title, const QStringList &filters) {
        seenParent = p;
        seenTitle = title;
        seenFilters = filters;
        return std::optional<QString>(u"/percorso/di/tabelle/giapponese.tbl"_s);
    });
    QVERIFY(dialog.showOpen(&parent));
    QCOMPARE(seenParent, &parent);
    QCOMPARE(seenTitle, u"Apri Tabella..."_s);
    QCOMPARE(seenFilters, (QStringList{u"File Tabella (*.tbl)"_s, u"Tutti i file (*)"_s}));
    QCOMPARE(dialog.fileName(), u"/percorso/di/tabelle/giapponese.tbl"_s);
    QCOMPARE(dialog.fileTitle(), u"giapponese.tbl"_s);
}

void TestOpenFileDialog::cancelKeepsLastChoice()
{
    OpenFileDialog dialog;
    std::optional<QString> answer;
    dialog.setChooser([&](QWidget *, const QString &, const QStringList &) { return answer; });

    QVERIFY(!dialog.showOpen(nullptr));
    QCOMPARE(dialog.fileName(), QString());

    answer = u"/a/prima.tbl"_s;
    QVERIFY(dialog.showOpen(nullptr));
    answer.reset();
    QVERIFY(!dialog.showOpen(nullptr));
    QCOMPARE(dialog.fileName(), u"/a/prima.tbl"_s);
    QCOMPARE(dialog.fileTitle(), u"prima.tbl"_s);

    answer = QString(); // an empty answer is no choice either
    QVERIFY(!dialog.showOpen(nullptr));
    QCOMPARE(dialog.fileName(), u"/a/prima.tbl"_s);
}

void TestOpenFileDialog::realDialogOpensATypedPath()
{
    QWidget parent;
    parent.show();
    OpenFileDialog dialog;
    dialog.setTitle(u"Apri Tabella..."_s);
    dialog.setFilter(QString::fromLatin1(TableFilter));

    QString title;
    QString selectedFilter;
    QString acceptText;
    whenDialogShows([&](QFileDialog *fileDialog) {
        title = fileDialog->windowTitle();
        selectedFilter = fileDialog->selectedNameFilter();
        const auto *buttons = fileDialog->findChild<QDialogButtonBox *>();
        if (buttons && !buttons->buttons().isEmpty())
            acceptText = buttons->buttons().constFirst()->text();
        fileDialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fileDialog));
        auto *name = fileDialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        QCOMPARE(QApplication::focusWidget(), name); // the file name field starts with the focus
        QTest::keyClicks(name, m_table);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QVERIFY(dialog.showOpen(&parent));
    QCOMPARE(title, u"Apri Tabella..."_s);
    QCOMPARE(selectedFilter, u"File Tabella (*.tbl)"_s);
    QCOMPARE(acceptText.remove(u'&'), u"Apri"_s); // Qt's own words, in Italian
    QCOMPARE(dialog.fileName(), m_table);
    QCOMPARE(dialog.fileTitle(), u"prova.tbl"_s);
}

void TestOpenFileDialog::realDialogCancelledByEscape()
{
    OpenFileDialog dialog;
    dialog.setFilter(QString::fromLatin1(TableFilter));
    dialog.setChooser([](QWidget *, const QString &, const QStringList &) {
        return std::optional<QString>(u"/a/prima.tbl"_s);
    });
    QVERIFY(dialog.showOpen(nullptr));
    dialog.setChooser({}); // back to the real dialog

    bool shown = false;
    whenDialogShows([&](QFileDialog *fileDialog) {
        shown = true;
        QTest::keyClick(fileDialog, Qt::Key_Escape);
    });
    QVERIFY(!dialog.showOpen(nullptr));
    QVERIFY(shown);
    QCOMPARE(dialog.fileName(), u"/a/prima.tbl"_s);
    QCOMPARE(dialog.fileTitle(), u"prima.tbl"_s);
}

QTEST_MAIN(TestOpenFileDialog)
#include "tst_openfiledialog.moc"
