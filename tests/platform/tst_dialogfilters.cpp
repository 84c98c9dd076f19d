#include "OpenFileDialog.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDialogFilters final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void qtFilters_data();
    void qtFilters();
    void setFilterKeepsTheList();
};

void TestDialogFilters::qtFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("table files and all files")
        << u"File Tabella (*.tbl)|*.tbl|Tutti i file (*.*)|*.*"_s
        << QStringList{u"File Tabella (*.tbl)"_s, u"Tutti i file (*)"_s};
    QTest::newRow("description without patterns")
        << u"Tabelle|*.tbl"_s << QStringList{u"Tabelle (*.tbl)"_s};
    QTest::newRow("description naming other patterns")
        << u"Testo (solo txt)|*.txt"_s << QStringList{u"Testo (*.txt)"_s};
    QTest::newRow("several patterns")
        << u"Tabelle (*.tbl;*.tab)|*.tbl;*.tab"_s << QStringList{u"Tabelle (*.tbl *.tab)"_s};
    QTest::newRow("all files among others")
        << u"Tutto|*.tbl;*.*"_s << QStringList{u"Tutto (*.tbl *)"_s};
    QTest::newRow("missing pattern is dropped")
        << u"File Tabella (*.tbl)|*.tbl|Tutti i file"_s << QStringList{u"File Tabella (*.tbl)"_s};
    QTest::newRow("empty pattern is dropped")
        << u"Niente||Tabelle|*.tbl"_s << QStringList{u"Tabelle (*.tbl)"_s};
    QTest::newRow("empty") << QString() << QStringList{};
}

void TestDialogFilters::qtFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(OpenFileDialog::qtFilters(filter), expected);
}

void TestDialogFilters::setFilterKeepsTheList()
{
    OpenFileDialog dialog;
    dialog.setFilter(u"File Tabella (*.tbl)|*.tbl|Tutti i file (*.*)|*.*"_s);
    QCOMPARE(dialog.filters(), (QStringList{u"File Tabella (*.tbl)"_s, u"Tutti i file (*)"_s}));
}

QTEST_APPLESS_MAIN(TestDialogFilters)
#include "tst_dialogfilters.moc"
