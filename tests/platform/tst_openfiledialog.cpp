#include "OpenFileDialog.h"
#include "Translations.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QStringList TableFilters = {u"File Tabella (*.tbl) (*.tbl)"_s, u"Tutti i file (*.*) (*)"_s};

// The names the dialog lists in its current folder, once it has read the folder.
QStringList listedNames(QFileDialog *dialog)
{
    auto *model = dialog->findChild<QFileSystemModel *>();
    if (!model)
        return {};
    const QModelIndex folder = model->index(dialog->directory().absolutePath());
    // A change of filter reaches the rows a moment later.
    QTest::qWait(100);
    const bool loaded = QTest::qWaitFor(
        [&] { return !model->canFetchMore(folder) && model->rowCount(folder) > 0; }, 5000);
    if (!loaded)
        return {};
    QStringList names;
    for (int row = 0; row < model->rowCount(folder); ++row)
        names.append(model->index(row, 0, folder).data().toString());
    names.sort();
    return names;
}

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
    void chooserSeesTitleFiltersAndParent();
    void realDialogOpensATypedPath();
    void realDialogOpensAtTheLastChoice();
    void realDialogFilters();
    void browsingNeverReadsFiles_data();
    void browsingNeverReadsFiles();

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

void TestOpenFileDialog::chooserSeesTitleFiltersAndParent()
{
    QWidget parent;
    QWidget *seenParent = nullptr;
    QString seenTitle;
    QStringList seenFilters;
    std::optional<QString> answer;
    OpenFileDialog dialog([&](QWidget *p, const QString &title, const QStringList &filters) {
        seenParent = p;
        seenTitle = title;
        seenFilters = filters;
        return answer;
    });
    dialog.setTitle(u"Apri Tabella..."_s);
    dialog.setNameFilters(TableFilters);
    QCOMPARE(dialog.choose(&parent), std::nullopt);
    QCOMPARE(seenParent, &parent);
    QCOMPARE(seenTitle, u"Apri Tabella..."_s);
    QCOMPARE(seenFilters, TableFilters);
    answer = QString(); // an empty answer is no choice either
    QCOMPARE(dialog.choose(&parent), std::nullopt);
    answer = u"/percorso/di/tabelle/giapponese.tbl"_s;
    QCOMPARE(dialog.choose(&parent), answer);
}

void TestOpenFileDialog::realDialogOpensATypedPath()
{
    QWidget parent;
    parent.show();
    OpenFileDialog dialog;
    dialog.setTitle(u"Apri Tabella..."_s);
    dialog.setNameFilters(TableFilters);

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
    QCOMPARE(dialog.choose(&parent), m_table);
    QCOMPARE(title, u"Apri Tabella..."_s);
    QCOMPARE(selectedFilter, u"File Tabella (*.tbl)"_s); // what Qt shows of it
    QCOMPARE(acceptText.remove(u'&'), u"Apri"_s);        // Qt's own words, in Italian
}

// The dialog opens in the working folder, then in the folder of the last confirmed choice,
// which a cancel does not change.
void TestOpenFileDialog::realDialogOpensAtTheLastChoice()
{
    OpenFileDialog dialog;
    QStringList folders;
    for (const QString &confirmed : {QString(), m_table, QString()}) {
        if (!confirmed.isEmpty())
            dialog.confirmChoice(confirmed);
        whenDialogShows([&](QFileDialog *fileDialog) {
            folders.append(fileDialog->directory().absolutePath());
            QTest::keyClick(fileDialog, Qt::Key_Escape);
        });
        QCOMPARE(dialog.choose(nullptr), std::nullopt);
    }
    QCOMPARE(folders, (QStringList{QDir::currentPath(), m_dir.path(), m_dir.path()}));
}

void TestOpenFileDialog::realDialogFilters()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : {u"prova.tbl"_s, u"LEGGIMI"_s, u"note.txt"_s}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    OpenFileDialog dialog;
    dialog.setNameFilters(TableFilters);
    dialog.confirmChoice(dir.filePath(u"prova.tbl"_s));

    QStringList captions;
    QStringList tablesListed;
    QStringList allListed;
    whenDialogShows([&](QFileDialog *fileDialog) {
        const auto *types = fileDialog->findChild<QComboBox *>(u"fileTypeCombo"_s);
        if (types) {
            for (int i = 0; i < types->count(); ++i)
                captions.append(types->itemText(i));
        }
        tablesListed = listedNames(fileDialog);
        fileDialog->selectNameFilter(TableFilters[1]);
        allListed = listedNames(fileDialog);
        fileDialog->reject();
    });
    QCOMPARE(dialog.choose(nullptr), std::nullopt);
    // The design's captions exactly, and "*.*" lists names without a dot too.
    QCOMPARE(captions, (QStringList{u"File Tabella (*.tbl)"_s, u"Tutti i file (*.*)"_s}));
    QCOMPARE(tablesListed, QStringList{u"prova.tbl"_s});
    QCOMPARE(allListed, (QStringList{u"LEGGIMI"_s, u"note.txt"_s, u"prova.tbl"_s}));
}

void TestOpenFileDialog::browsingNeverReadsFiles_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("a FIFO") << QString();
    // As root, a read of /proc/kmsg waits for the next kernel message.
    QTest::newRow("/proc") << u"/proc"_s;
}

void TestOpenFileDialog::browsingNeverReadsFiles()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (folder.isEmpty()) {
        folder = dir.path();
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"coda"_s)).constData(), 0600), 0);
        QFile table(dir.filePath(u"a.tbl"_s));
        QVERIFY(table.open(QIODevice::WriteOnly));
    }

    OpenFileDialog dialog;
    dialog.setNameFilters(TableFilters);
    dialog.confirmChoice(folder + u"/x"_s);
    QStringList listed;
    whenDialogShows([&](QFileDialog *fileDialog) {
        fileDialog->selectNameFilter(TableFilters[1]);
        listed = listedNames(fileDialog);
        // Give the dialog's file information thread time to look at every file.
        QTest::qWait(500);
        fileDialog->reject();
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dialog.choose(nullptr), std::nullopt);
    // A hang guard: this takes ~0.6 s.
    QVERIFY2(clock.elapsed() < 10'000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!listed.isEmpty());
}

QTEST_MAIN(TestOpenFileDialog)
#include "tst_openfiledialog.moc"
