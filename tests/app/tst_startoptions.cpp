#include "StartOptions.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Action = StartOptions::Action;
Q_DECLARE_METATYPE(StartOptions::Action)

// The command line is read before any display is opened: no application here.
class TestStartOptions final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void whatQtSees_data();
    void whatQtSees();
    void helpAndVersionAreItalian();
    void failuresNameTheProgram();
};

void TestStartOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("tableFile");
    QTest::addColumn<QString>("inMessage");

    const QString none;
    QTest::newRow("nothing") << QStringList{u"verzino"_s} << Action::Run << none << none;
    QTest::newRow("no program name") << QStringList{} << Action::Run << none << none;
    QTest::newRow("a table") << QStringList{u"verzino"_s, u"a.tbl"_s} << Action::Run << u"a.tbl"_s
                             << none;
    QTest::newRow("a path with blanks") << QStringList{u"verzino"_s, u"/tmp/le mie tabelle/è.tbl"_s}
                                        << Action::Run << u"/tmp/le mie tabelle/è.tbl"_s << none;
    QTest::newRow("a file after --") << QStringList{u"verzino"_s, u"--"_s, u"-strano.tbl"_s}
                                     << Action::Run << u"-strano.tbl"_s << none;
    QTest::newRow("a lone dash is a file name")
        << QStringList{u"verzino"_s, u"-"_s} << Action::Run << u"-"_s << none;
    QTest::newRow("--help") << QStringList{u"verzino"_s, u"--help"_s} << Action::ShowHelp << none
                            << u"Uso: verzino"_s;
    QTest::newRow("-h") << QStringList{u"verzino"_s, u"-h"_s} << Action::ShowHelp << none
                        << u"--version"_s;
    QTest::newRow("help after a file") << QStringList{u"verzino"_s, u"a.tbl"_s, u"--help"_s}
                                       << Action::ShowHelp << none << u"TABELLA.tbl"_s;
    QTest::newRow("--version") << QStringList{u"verzino"_s, u"--version"_s} << Action::ShowVersion
                               << none << u"Verzino 1.00"_s;
    QTest::newRow("--help after --")
        << QStringList{u"verzino"_s, u"--"_s, u"--help"_s} << Action::Run << u"--help"_s << none;

    // Qt's own options still reach the application.
    QTest::newRow("-platform name")
        << QStringList{u"verzino"_s, u"-platform"_s, u"xcb"_s, u"a.tbl"_s} << Action::Run
        << u"a.tbl"_s << none;
    QTest::newRow("--style=name") << QStringList{u"verzino"_s, u"--style=Fusion"_s, u"a.tbl"_s}
                                  << Action::Run << u"a.tbl"_s << none;
    QTest::newRow("-reverse") << QStringList{u"verzino"_s, u"-reverse"_s} << Action::Run << none
                              << none;

    QTest::newRow("unknown option") << QStringList{u"verzino"_s, u"--nonsense"_s} << Action::Fail
                                    << none << u"opzione non riconosciuta: \"--nonsense\""_s;
    QTest::newRow("unknown short option")
        << QStringList{u"verzino"_s, u"-x"_s, u"a.tbl"_s} << Action::Fail << none << u"\"-x\""_s;
    QTest::newRow("-reverse takes no value") << QStringList{u"verzino"_s, u"-reverse=yes"_s}
                                             << Action::Fail << none << u"non riconosciuta"_s;
    QTest::newRow("Qt option without its value") << QStringList{u"verzino"_s, u"-platform"_s}
                                                 << Action::Fail << none << u"vuole un valore"_s;
    QTest::newRow("two files") << QStringList{u"verzino"_s, u"a.tbl"_s, u"b.tbl"_s} << Action::Fail
                               << none << u"una sola tabella"_s;
    QTest::newRow("two files around an option")
        << QStringList{u"verzino"_s, u"a.tbl"_s, u"-style"_s, u"Fusion"_s, u"b.tbl"_s}
        << Action::Fail << none << u"\"b.tbl\""_s;
    QTest::newRow("empty file name")
        << QStringList{u"verzino"_s, QString()} << Action::Fail << none << u"vuoto"_s;
}

void TestStartOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(QString, tableFile);
    QFETCH(QString, inMessage);

    const StartOptions::Request request = StartOptions::parse(arguments);
    QCOMPARE(request.action, action);
    QCOMPARE(request.tableArgument > 0 ? arguments.at(request.tableArgument) : QString(),
             tableFile);
    if (inMessage.isEmpty())
        QCOMPARE(request.message, QString());
    else
        QVERIFY2(request.message.contains(inMessage), qPrintable(request.message));
    if (action != Action::Run)
        QVERIFY(request.message.endsWith(u'\n'));
}

void TestStartOptions::whatQtSees_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("qtArguments"); // how many, from the program's name on
    QTest::addColumn<int>("tableArgument");
    QTest::addColumn<bool>("namesDisplay");
    QTest::newRow("-reverse after --")
        << QStringList{u"v"_s, u"-style"_s, u"F"_s, u"--"_s, u"-reverse"_s} << 3 << 4 << false;
    QTest::newRow("--display name, a table")
        << QStringList{u"v"_s, u"--display"_s, u":1"_s, u"a.tbl"_s} << 4 << 3 << true;
    // Qt takes no value after "=" for -platform: it names no display.
    QTest::newRow("-platform=name") << QStringList{u"v"_s, u"-platform=x"_s} << 2 << 0 << false;
}

void TestStartOptions::whatQtSees()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, qtArguments);
    QFETCH(int, tableArgument);
    QFETCH(bool, namesDisplay);

    const StartOptions::Request request = StartOptions::parse(arguments);
    QCOMPARE(request.action, Action::Run);
    QCOMPARE(request.qtArguments, qtArguments);
    QCOMPARE(request.tableArgument, tableArgument);
    QCOMPARE(request.namesDisplay, namesDisplay);
}

void TestStartOptions::helpAndVersionAreItalian()
{
    const QString help = StartOptions::parse({u"/usr/bin/verzino"_s, u"--help"_s}).message;
    QVERIFY(help.startsWith(u"Uso: verzino [OPZIONE]... [TABELLA.tbl]\n"_s));
    QVERIFY(help.contains(u"mostra questo aiuto ed esce"_s));
    QVERIFY(help.contains(u"Apri Tabella"_s));
    const QString version = StartOptions::parse({u"verzino"_s, u"--version"_s}).message;
    QVERIFY(version.startsWith(u"Verzino 1.00\n"_s));
    QVERIFY(version.contains(u"GPL versione 3 o successiva"_s));
}

void TestStartOptions::failuresNameTheProgram()
{
    const QString message = StartOptions::parse({u"/opt/bin/verzino"_s, u"--colore"_s}).message;
    QCOMPARE(message, u"verzino: opzione non riconosciuta: \"--colore\"\n"
                      "Usare \"verzino --help\" per maggiori informazioni.\n"_s);
    QCOMPARE(StartOptions::UsageError, 2);
}

QTEST_APPLESS_MAIN(TestStartOptions)
#include "tst_startoptions.moc"
