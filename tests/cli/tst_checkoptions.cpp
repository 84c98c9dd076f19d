// The options of the command line and of the project's options file, read as a user writes
// them: where the file is found, what its lines mean, and which line a mistake is on.

#include "CheckOptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCheckOptions final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void TestCheckOptions::parse_data()
{
    QTest::addColumn<QByteArray>("file"); // in the folder "progetto"
    QTest::addColumn<QString>("folder");  // where the program starts, below the temporary one
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("outcome"); // limit, tables, skipped prefixes; or the error

    const QByteArray file = "# Il progetto\r\n--limite 28\r\n  --tabella tabelle/it.tbl\r\n"
                            "--salta-righe // \r\n--salta-righe #\r\n\r\n";
    QTest::newRow("the file, then the command line")
        << file << u"progetto"_s << QStringList{u"--limite"_s, u"30"_s, u"testo.txt"_s}
        << u"30 | progetto/tabelle/it.tbl | // ,#"_s;
    QTest::newRow("found in a folder above")
        << file << u"progetto/testi/capitolo1"_s << QStringList{u"--tabella=/t.tbl"_s}
        << u"28 | progetto/tabelle/it.tbl,/t.tbl | // ,#"_s;
    QTest::newRow("ignored when asked")
        << file << u"progetto"_s << QStringList{u"--nessun-file-opzioni"_s, u"x"_s}
        << u"manca --tabella"_s;
    QTest::newRow("a line that is no option")
        << "--limite 28\nlimite 3\n"_ba << u"progetto"_s << QStringList()
        << u"progetto/.verzino-controlla:2: ci vuole un'opzione per riga"_s;
    QTest::newRow("a bad value") << "\n--righe-per-box 100"_ba << u"progetto"_s << QStringList()
                                 << u"progetto/.verzino-controlla:2: --righe-per-box vuole"_s;
}

void TestCheckOptions::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, folder);
    QFETCH(QStringList, arguments);
    QFETCH(QString, outcome);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(folder));
    QFile options(root.filePath(u"progetto/.verzino-controlla"_s));
    QVERIFY(options.open(QIODevice::WriteOnly));
    options.write(file);
    options.close();
    QList<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes.append(argument.toUtf8());
    const CheckOptions parsed = CheckOptions::parse(bytes, root.filePath(folder));

    QString seen = parsed.error;
    if (parsed.action == CheckOptions::Action::Check) {
        QStringList tables;
        for (const QByteArray &table : parsed.tables)
            tables.append(QString::fromUtf8(table).remove(root.path() + u'/'));
        QStringList skipped;
        for (const QByteArray &prefix : parsed.markup.skippedPrefixes)
            skipped.append(QString::fromUtf8(prefix));
        seen = u"%1 | %2 | %3"_s.arg(parsed.limit).arg(tables.join(u','), skipped.join(u','));
    }
    seen.remove(root.path() + u'/');
    QVERIFY2(seen.startsWith(outcome), qPrintable(seen));
}

QTEST_APPLESS_MAIN(TestCheckOptions)
#include "tst_checkoptions.moc"
