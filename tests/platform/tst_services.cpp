#include "Clipboard.h"
#include "MessageBox.h"
#include "Translations.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The clipboard, the message boxes and the Italian words of Qt's own dialogs.
class TestServices final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void clipboardHoldsExactlyTheText_data();
    void clipboardHoldsExactlyTheText();
    void clipboardClear();
    void messageBox_data();
    void messageBox();
};

void TestServices::initTestCase()
{
    QVERIFY(Translations::installItalian(*qApp));
    QCOMPARE(QLocale().language(), QLocale::Italian);
    QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), u"&Nome del file:"_s);
}

void TestServices::clipboardHoldsExactlyTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("line") << u"Ciao, mondo"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks kept") << u"  due  "_s;
    QTest::newRow("accents and euro") << u"perch\u00e9 \u20ac"_s;
}

void TestServices::clipboardHoldsExactlyTheText()
{
    QFETCH(QString, text);
    Clipboard::putText(u"prima"_s);
    Clipboard::clear();
    Clipboard::putText(text);
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), text);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QVERIFY(data);
    QVERIFY(data->hasText());
    QCOMPARE(data->formats(), QStringList{u"text/plain"_s});
}

void TestServices::clipboardClear()
{
    Clipboard::putText(u"prima"_s);
    Clipboard::clear();
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), QString());
}

void TestServices::messageBox_data()
{
    QTest::addColumn<bool>("isError");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    QTest::newRow("information") << false << int(QMessageBox::Information) << u"Riga 1\nRiga 2"_s;
    QTest::newRow("error") << true << int(QMessageBox::Critical) << u"Impossibile leggere"_s;
    // A file name that looks like markup is shown as written.
    QTest::newRow("error, markup in a file name")
        << true << int(QMessageBox::Critical) << u"Impossibile leggere \"<b>a</b>.tbl\""_s;
    // A name too long for a line is cut in its middle: its start, its end, the reason and the
    // button stay on the screen, whatever its width.
    for (const int length : {60, 120, 240, 5500}) {
        QTest::addRow("error, a name of %d characters", length)
            << true << int(QMessageBox::Critical)
            << u"Impossibile leggere la tabella \"/tmp/x/%1.tbl\": il file non esiste."_s.arg(
                   QString(length, u'n'));
    }
}

void TestServices::messageBox()
{
    QFETCH(bool, isError);
    QFETCH(int, icon);
    QFETCH(QString, text);

    QWidget parent;
    parent.show();
    QMessageBox *seen = nullptr;
    QString title, shownText, buttonText;
    Qt::TextFormat format = Qt::AutoText;
    int buttons = 0;
    QObject *seenParent = nullptr;
    bool fits = false;
    QStringList cutWords;
    QTimer::singleShot(0, this, [&] {
        seen = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!seen)
            return;
        seenParent = seen->parent();
        title = seen->windowTitle();
        shownText = seen->text();
        format = seen->textFormat();
        buttons = int(seen->buttons().size());
        QCOMPARE(seen->icon(), QMessageBox::Icon(icon));
        buttonText = seen->buttons().value(0)->text();
        const QRect screen = seen->screen()->availableGeometry();
        fits =
            screen.contains(seen->frameGeometry()) && seen->rect().contains(seen->childrenRect());
        // No word runs past the label's edge, where it could not be read.
        const auto *label = seen->findChild<QLabel *>(u"qt_msgbox_label"_s);
        const int room = label->contentsRect().width();
        for (const QString &word : shownText.split(QRegularExpression(u"\\s+"_s))) {
            if (label->fontMetrics().horizontalAdvance(word) > room)
                cutWords.append(word);
        }
        QTest::keyClick(seen, Qt::Key_Return);
    });
    if (isError)
        MessageBox::error(&parent, u"Verzino"_s, text);
    else
        MessageBox::information(&parent, u"Verzino"_s, text);
    QVERIFY(seen); // it was up, modal, and is closed now
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(seenParent, &parent);
    QCOMPARE(title, u"Verzino"_s);
    QVERIFY(fits);
    QVERIFY2(cutWords.isEmpty(), qPrintable(cutWords.join(u'\n')));
    if (text.size() < 100)
        QCOMPARE(shownText, text);
    QVERIFY2(shownText.startsWith(text.left(40)) && shownText.endsWith(text.right(32)),
             qPrintable(shownText));
    QCOMPARE(shownText.contains(u'\u2026'), shownText != text);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(buttons, 1);
    QCOMPARE(buttonText.remove(u'&'), u"OK"_s);
}

QTEST_MAIN(TestServices)
#include "tst_services.moc"
