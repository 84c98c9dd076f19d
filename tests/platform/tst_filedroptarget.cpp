#include "FileDropTarget.h"
#include "LineBox.h"

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class Payload { OneFile, TwoFiles, FileAndText, NotUtf8, WebAddress, PlainText };

std::unique_ptr<QMimeData> payload(Payload kind)
{
    auto data = std::make_unique<QMimeData>();
    switch (kind) {
    case Payload::OneFile:
        data->setUrls({QUrl::fromLocalFile(u"/tmp/a.tbl"_s)});
        break;
    case Payload::TwoFiles:
        data->setUrls({QUrl::fromLocalFile(u"/tmp/b.tbl"_s), QUrl::fromLocalFile(u"/tmp/a.tbl"_s)});
        break;
    case Payload::FileAndText:
        // What file managers send: the address as text too, and a web link among the files.
        data->setUrls(
            {QUrl(u"https://example.org/x.tbl"_s), QUrl::fromLocalFile(u"/tmp/a b.tbl"_s)});
        data->setText(u"file:///tmp/a%20b.tbl"_s);
        break;
    case Payload::NotUtf8:
        data->setUrls({QUrl(u"file:///tmp/lat%E9.tbl"_s)}); // Latin-1 "é", as file managers send it
        break;
    case Payload::WebAddress:
        data->setUrls({QUrl(u"https://example.org/x.tbl"_s)});
        break;
    case Payload::PlainText:
        data->setText(u"testo"_s);
        break;
    }
    return data;
}

} // namespace

Q_DECLARE_METATYPE(Payload)

class TestFileDropTarget final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void drops_data();
    void drops();

private:
    std::unique_ptr<QWidget> m_window;
    LineBox *m_box = nullptr;
    QLabel *m_label = nullptr;
    FileDropTarget *m_target = nullptr;
};

void TestFileDropTarget::init()
{
    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    m_box = new LineBox;
    m_label = new QLabel(u"etichetta"_s);
    layout->addWidget(m_box);
    layout->addWidget(m_label);
    m_target = new FileDropTarget(m_window.get());
    m_target->watch(m_window.get());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestFileDropTarget::cleanup()
{
    m_window.reset();
}

void TestFileDropTarget::drops_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<Payload>("kind");
    QTest::addColumn<QByteArrayList>("paths"); // reported; empty: nothing reported
    QTest::addColumn<QString>("line");         // the line box's text afterwards, from "abc"
    QTest::addColumn<bool>("accepting");       // files: while refusing, nothing is taken

    for (const QString &where : {u"box"_s, u"label"_s, u"window"_s}) {
        const QByteArray name = where.toUtf8();
        QTest::addRow("%s: one file", name.constData())
            << where << Payload::OneFile << QByteArrayList{"/tmp/a.tbl"} << u"abc"_s << true;
        QTest::addRow("%s: two files", name.constData())
            << where << Payload::TwoFiles << QByteArrayList{"/tmp/b.tbl", "/tmp/a.tbl"} << u"abc"_s
            << true;
        QTest::addRow("%s: file with its address as text", name.constData())
            << where << Payload::FileAndText << QByteArrayList{"/tmp/a b.tbl"} << u"abc"_s << true;
        QTest::addRow("%s: refusing, file with its address as text", name.constData())
            << where << Payload::FileAndText << QByteArrayList{} << u"abc"_s << false;
    }
    QTest::newRow("box: a name that is no UTF-8")
        << u"box"_s << Payload::NotUtf8 << QByteArrayList{"/tmp/lat\xe9.tbl"} << u"abc"_s << true;
    QTest::newRow("box: plain text is pasted")
        << u"box"_s << Payload::PlainText << QByteArrayList{} << u"abctesto"_s << true;
    QTest::newRow("label: plain text refused")
        << u"label"_s << Payload::PlainText << QByteArrayList{} << u"abc"_s << true;
    QTest::newRow("box: refusing, plain text is pasted")
        << u"box"_s << Payload::PlainText << QByteArrayList{} << u"abctesto"_s << false;
    QTest::newRow("box: web link refused")
        << u"box"_s << Payload::WebAddress << QByteArrayList{} << u"abc"_s << true;
}

void TestFileDropTarget::drops()
{
    QFETCH(QString, where);
    QFETCH(Payload, kind);
    QFETCH(QByteArrayList, paths);
    QFETCH(QString, line);
    QFETCH(bool, accepting);

    m_target->setAcceptingFiles(accepting);
    QWidget *target = where == u"box"_s     ? static_cast<QWidget *>(m_box)
                      : where == u"label"_s ? static_cast<QWidget *>(m_label)
                                            : m_window.get();
    m_box->setTextUnlimited(u"abc"_s);
    QSignalSpy dropped(m_target, &FileDropTarget::filesDropped);
    const std::unique_ptr<QMimeData> data = payload(kind);
    // At the right end of the target, so that dropped text lands after the line.
    const QPoint point(target->width() - 2, target->height() / 2);

    QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QCOMPARE(enter.isAccepted(), !paths.isEmpty() || line != u"abc"_s);
    QDropEvent drop(point, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(target, &drop);

    if (paths.isEmpty()) {
        QCOMPARE(drop.isAccepted(), line != u"abc"_s);
        QTest::qWait(20);
        QCOMPARE(dropped.size(), 0);
    } else {
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        // Reported after the drop, once.
        QCOMPARE(dropped.size(), 0);
        QTRY_COMPARE(dropped.size(), 1);
        QCOMPARE(dropped.at(0).at(0).value<QByteArrayList>(), paths);
    }
    QCOMPARE(m_box->text(), line);
}

QTEST_MAIN(TestFileDropTarget)
#include "tst_filedroptarget.moc"
