#include "CharacterTable.h"
#include "EnterActions.h"
#include "Keystroke.h"
#include "TableParser.h"

#include <QTest>

namespace {

CharacterTable tableFrom(const QByteArray &file)
{
    TableParser parser;
    parser.feed(std::string_view(file.constData(), std::size_t(file.size())));
    parser.finish();
    CharacterTable table;
    table.merge(parser);
    return table;
}

// Letters A and B, the blank, DEL, e-grave, the euro sign and a two-character entry.
const QByteArray kSmall = "41=A\r\n42=B\r\n20= \r\n7F=\x7F\r\nE8=\xE8\r\n90=\x80\r\n43=XY\r\n";

// Every one of the 256 codes defined as something other than "#" or a blank: no fill.
QByteArray fullTableWithoutHash()
{
    QByteArray file;
    for (int code = 0; code < 256; ++code)
        file += QByteArray::number(code, 16).rightJustified(2, '0') + "=x" +
                QByteArray::number(code) + "\r\n";
    return file + "41=A\r\n";
}

} // namespace

Q_DECLARE_METATYPE(KeystrokeAction)

class TestKeystroke final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void admission_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no table in force
        QTest::addColumn<int>("code");
        QTest::addColumn<KeystrokeAction>("action");
        using A = KeystrokeAction;
        const QByteArray none;
        const QByteArray full = fullTableWithoutHash();

        QTest::newRow("enter, no table") << none << 13 << A::Enter;
        QTest::newRow("enter, table") << kSmall << 13 << A::Enter;
        QTest::newRow("backspace, table") << kSmall << 8 << A::PassOn;
        QTest::newRow("NUL, table") << kSmall << 0 << A::PassOn;
        QTest::newRow("tab, table") << kSmall << 9 << A::PassOn;
        QTest::newRow("31, table") << kSmall << 31 << A::PassOn;
        QTest::newRow("blank defined") << kSmall << 32 << A::AppendAtEnd;
        QTest::newRow("blank undefined") << full << 32 << A::Drop;
        QTest::newRow("hash from the fill") << kSmall << 35 << A::AppendAtEnd;
        QTest::newRow("hash, no fill") << full << 35 << A::Drop;
        QTest::newRow("A defined") << kSmall << 65 << A::AppendAtEnd;
        QTest::newRow("a, case-sensitive") << kSmall << 97 << A::Drop;
        QTest::newRow("X only in XY") << kSmall << 88 << A::Drop;
        QTest::newRow("127 defined") << kSmall << 127 << A::AppendAtEnd;
        QTest::newRow("127 undefined") << full << 127 << A::Drop;
        QTest::newRow("128 never checked") << full << 128 << A::PassOn;
        QTest::newRow("euro 128 defined, never checked") << kSmall << 128 << A::PassOn;
        QTest::newRow("159 never checked") << full << 159 << A::PassOn;
        QTest::newRow("160 undefined") << kSmall << 160 << A::Drop;
        QTest::newRow("e-grave 232") << kSmall << 232 << A::AppendAtEnd;
        QTest::newRow("255 undefined") << kSmall << 255 << A::Drop;
        QTest::newRow("outside code page, table") << kSmall << -1 << A::Drop;
        QTest::newRow("outside code page, no table") << none << -1 << A::PassOn;
        QTest::newRow("code above 255, table") << kSmall << 300 << A::PassOn;
        QTest::newRow("A, no table") << none << 65 << A::PassOn;
        QTest::newRow("undefined a, no table") << none << 97 << A::PassOn;
        QTest::newRow("200, no table") << none << 200 << A::PassOn;
    }
    void admission()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(KeystrokeAction, action);
        const bool inForce = !file.isEmpty();
        const CharacterTable table = inForce ? tableFrom(file) : CharacterTable();
        QCOMPARE(admitKeystroke(qint16(code), inForce, table), action);
    }

    // A file with no definition at all: of the checked codes only "#" goes in.
    void onlyHashAfterAnEmptyFile()
    {
        const CharacterTable table = tableFrom("nessuna definizione\r\n");
        for (int code = 0; code < 256; ++code) {
            const KeystrokeAction action = admitKeystroke(qint16(code), true, table);
            const bool checked = (code >= 32 && code <= 127) || code >= 160;
            KeystrokeAction expected = KeystrokeAction::PassOn;
            if (code == 13)
                expected = KeystrokeAction::Enter;
            else if (checked)
                expected = code == '#' ? KeystrokeAction::AppendAtEnd : KeystrokeAction::Drop;
            QVERIFY2(action == expected, qPrintable(QString::number(code)));
        }
    }

    // Without a table nothing is checked, even when the table still holds an earlier file.
    void noTableChecksNothing()
    {
        const CharacterTable table = tableFrom(kSmall);
        for (int code = -1; code < 256; ++code) {
            const KeystrokeAction expected =
                code == 13 ? KeystrokeAction::Enter : KeystrokeAction::PassOn;
            QVERIFY2(admitKeystroke(qint16(code), false, table) == expected,
                     qPrintable(QString::number(code)));
        }
    }

    void enterActions_data()
    {
        QTest::addColumn<Qt::CheckState>("appunti");
        QTest::addColumn<Qt::CheckState>("svuota");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("clear");
        QTest::newRow("both ticked") << Qt::Checked << Qt::Checked << true << true;
        QTest::newRow("copy only") << Qt::Checked << Qt::Unchecked << true << false;
        QTest::newRow("clear only") << Qt::Unchecked << Qt::Checked << false << true;
        QTest::newRow("neither") << Qt::Unchecked << Qt::Unchecked << false << false;
        QTest::newRow("greyed copy") << Qt::PartiallyChecked << Qt::Checked << false << true;
        QTest::newRow("greyed clear") << Qt::Checked << Qt::PartiallyChecked << true << false;
    }
    void enterActions()
    {
        QFETCH(Qt::CheckState, appunti);
        QFETCH(Qt::CheckState, svuota);
        QFETCH(bool, copy);
        QFETCH(bool, clear);
        const EnterActions actions = EnterActions::from(appunti, svuota);
        QCOMPARE(actions.copyToClipboard, copy);
        QCOMPARE(actions.clearLine, clear);
    }
};

QTEST_APPLESS_MAIN(TestKeystroke)
#include "tst_keystroke.moc"
