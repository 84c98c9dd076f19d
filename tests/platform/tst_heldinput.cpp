#include "HeldInput.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

// Keys held back while a table loads: nothing reaches the window's controls until the release,
// then everything in the order it came, each to the control that has the focus by then.
class TestHeldInput final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_window;
    QLineEdit *m_edit = nullptr;
    QSpinBox *m_spin = nullptr;
    HeldInput *m_held = nullptr;

    void commit(const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(QApplication::focusWidget(), &event);
    }
    // Types where the focus is, as the keyboard does: "\t" is Tab, "^" Up, "<" commits "é".
    void type(const QString &keys)
    {
        for (const QChar key : keys) {
            if (key == u'\t')
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            else if (key == u'^')
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
            else if (key == u'<')
                commit(u"\u00e9"_s);
            else
                QTest::keyClicks(QApplication::focusWidget(), QString(key));
        }
    }

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        m_edit = new QLineEdit(m_window.get());
        m_spin = new QSpinBox(m_window.get());
        layout->addWidget(m_edit);
        layout->addWidget(m_spin);
        m_held = new HeldInput(m_window.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_edit->setFocus();
    }
    void cleanup() { m_window.reset(); }

    void heldUntilReleased_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("value");
        QTest::newRow("in order") << u"abc\b<d"_s << u"ab\u00e9d"_s << 0;
        QTest::newRow("Tab moves the rest on") << u"a\t^^"_s << u"a"_s << 2;
        QTest::newRow("Tab, then letters and Up") << u"\tAB^"_s << QString() << 1;
        QTest::newRow("round the window and back") << u"\t^\tx"_s << u"x"_s << 1;
    }
    void heldUntilReleased()
    {
        QFETCH(QString, keys);
        QFETCH(QString, line);
        QFETCH(int, value);

        m_held->hold();
        type(keys);
        QCOMPARE(m_edit->text(), QString());
        QCOMPARE(m_spin->value(), 0);
        QCOMPARE(QApplication::focusWidget(), m_edit);
        // What is not a key still reaches the controls.
        m_edit->setText(u"x"_s);
        QCOMPARE(m_edit->text(), u"x"_s);
        m_edit->clear();

        m_held->release();
        QCOMPARE(m_edit->text(), line);
        QCOMPARE(m_spin->value(), value);
        // From here on keys go straight where the focus is.
        type(u"^"_s);
        QCOMPARE(m_spin->value(), QApplication::focusWidget() == m_spin ? value + 1 : value);
    }

    void discardForgets()
    {
        m_held->hold();
        type(u"abc"_s);
        m_held->discard();
        m_held->release();
        QCOMPARE(m_edit->text(), QString());
        type(u"d"_s);
        QCOMPARE(m_edit->text(), u"d"_s);
    }

    void keyThatStartsAnotherHold()
    {
        // The first delivered character starts a new hold (a second load): the rest wait for
        // its release, none lost, still in order.
        connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) {
            if (text == u"a"_s)
                m_held->hold();
        });
        m_held->hold();
        for (const QString &text : {u"a"_s, u"b"_s, u"c"_s})
            commit(text);
        m_held->release();
        QCOMPARE(m_edit->text(), u"a"_s);
        commit(u"d"_s);
        QCOMPARE(m_edit->text(), u"a"_s);
        m_held->release();
        QCOMPARE(m_edit->text(), u"abcd"_s);
    }
};

QTEST_MAIN(TestHeldInput)
#include "tst_heldinput.moc"
