#include "Clipboard.h"
#include "MessageBox.h"
#include "Translations.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
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
    QCOMPARE(Clipboard::text(), text);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QVERIFY(data);
    QVERIFY(data->hasText());
    QCOMPARE(data->formats(), QStringList{u"text/plain"_s});
}

void TestServices::clipboardClear()
{
    Clipboard::putText(u"prima"_s);
    Clipboard::clear();
    QCOMPARE(Clipboard::text(), QString());
}

void TestServices::messageBox_data()
{
    QTest::addColumn<bool>("isError");
    QTest::addColumn<int>("icon");
    QTest::newRow("information") << false << int(QMessageBox::Information);
    QTest::newRow("error") << true << int(QMessageBox::Critical);
}

void TestServices::messageBox()
{
    QFETCH(bool, isError);
    QFETCH(int, icon);

    QWidget parent;
    parent.show();
    QMessageBox *seen = nullptr;
    QString title, text, buttonText;
    int buttons = 0;
    QObject *seenParent = nullptr;
    QTimer::singleShot(0, this, [&] {
        seen = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!seen)
            return;
        QCOMPARE(seen->objectName(), QString::fromLatin1(MessageBox::ObjectName));
        seenParent = seen->parent();
        title = seen->windowTitle();
        text = seen->text();
        buttons = int(seen->buttons().size());
        QCOMPARE(seen->icon(), QMessageBox::Icon(icon));
        buttonText = seen->buttons().value(0)->text();
        QTest::keyClick(seen, Qt::Key_Return);
    });
    if (isError)
        MessageBox::error(&parent, u"Verzino"_s, u"Impossibile leggere"_s);
    else
        MessageBox::information(&parent, u"Verzino"_s, u"Riga 1\nRiga 2"_s);
    QVERIFY(seen); // it was up, modal, and is closed now
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(seenParent, &parent);
    QCOMPARE(title, u"Verzino"_s);
    QCOMPARE(text, isError ? u"Impossibile leggere"_s : u"Riga 1\nRiga 2"_s);
    QCOMPARE(buttons, 1);
    QCOMPARE(buttonText.remove(u'&'), u"OK"_s);
}

QTEST_MAIN(TestServices)
#include "tst_services.moc"
