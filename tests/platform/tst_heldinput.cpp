#include "HeldInput.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// Keys held back while a table loads, without a display server: nothing reaches the widget
// until the release, then everything in the order it came.
class TestHeldInput final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QLineEdit> m_edit;
    HeldInput *m_held = nullptr;

    void commit(const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(m_edit.get(), &event);
    }

private Q_SLOTS:
    void init()
    {
        m_edit = std::make_unique<QLineEdit>();
        m_held = new HeldInput(m_edit.get());
        m_edit->show();
        QVERIFY(QTest::qWaitForWindowActive(m_edit.get()));
    }
    void cleanup() { m_edit.reset(); }

    void passesWhenNotHolding()
    {
        QTest::keyClicks(m_edit.get(), u"ab"_s);
        QCOMPARE(m_edit->text(), u"ab"_s);
        QCOMPARE(m_held->heldCount(), 0);
    }

    void releaseDeliversInOrder()
    {
        m_held->hold();
        QTest::keyClicks(m_edit.get(), u"abc"_s);
        QTest::keyClick(m_edit.get(), Qt::Key_Backspace);
        commit(u"\u00e9"_s);
        QTest::keyClicks(m_edit.get(), u"d"_s);
        QCOMPARE(m_edit->text(), QString());
        QCOMPARE(m_held->heldCount(), 11); // five presses and releases, one commit

        // What is not a key still reaches the widget.
        m_edit->setText(u"x"_s);
        QCOMPARE(m_edit->text(), u"x"_s);

        m_held->release();
        QVERIFY(!m_held->isHolding());
        QCOMPARE(m_edit->text(), u"xab\u00e9d"_s);
        QCOMPARE(m_held->heldCount(), 0);
        QTest::keyClicks(m_edit.get(), u"e"_s);
        QCOMPARE(m_edit->text(), u"xab\u00e9de"_s);
    }

    void discardForgets()
    {
        m_held->hold();
        QTest::keyClicks(m_edit.get(), u"abc"_s);
        m_held->discard();
        QVERIFY(!m_held->isHolding());
        QCOMPARE(m_held->heldCount(), 0);
        m_held->release();
        QCOMPARE(m_edit->text(), QString());
    }

    void keyThatStartsAnotherHold()
    {
        // The first delivered key starts a new hold: the rest wait for its release.
        connect(m_edit.get(), &QLineEdit::textChanged, this, [this](const QString &text) {
            if (text == u"a"_s)
                m_held->hold();
        });
        m_held->hold();
        QTest::keyClicks(m_edit.get(), u"abc"_s);
        m_held->release();
        QCOMPARE(m_edit->text(), u"a"_s);
        QVERIFY(m_held->isHolding());
        QTest::keyClicks(m_edit.get(), u"d"_s);
        m_held->release();
        QCOMPARE(m_edit->text(), u"abcd"_s);
    }
};

QTEST_MAIN(TestHeldInput)
#include "tst_heldinput.moc"
