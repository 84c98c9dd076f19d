// What a screen reader finds in the window, asked through Qt's accessibility interfaces.
#include "Shape.h"
#include "UpDown.h"
#include "frmVerzino.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

class tst_Accessibility final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmVerzino> m_window;
    QAccessibleInterface *accessible(const QString &name) const
    {
        auto *object = m_window->findChild<QObject *>(name);
        if (!object)
            qFatal("no control named %s", qPrintable(name));
        return QAccessible::queryAccessibleInterface(object);
    }

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<frmVerzino>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void namesRolesValues_data();
    void namesRolesValues();
    void spinnerStepsLikeItsArrows();
};

void tst_Accessibility::namesRolesValues_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    QTest::newRow("line box") << u"rtbRiga"_s << QAccessible::EditableText
                              << u"Scrivi qui la riga:"_s << u""_s;
    QTest::newRow("limit field") << u"txtLimite"_s << QAccessible::EditableText << u"Limite:"_s
                                 << u"0"_s;
    QTest::newRow("spinner") << u"UpDown1"_s << QAccessible::SpinBox << u"Limite"_s << u"0"_s;
    QTest::newRow("up arrow") << u"up"_s << QAccessible::Button << u"Aumenta"_s << u""_s;
    QTest::newRow("down arrow") << u"down"_s << QAccessible::Button << u"Diminuisci"_s << u""_s;
    QTest::newRow("copy box") << u"chkAppunti"_s << QAccessible::CheckBox
                              << u"Copia negli Appunti con INVIO"_s << u""_s;
    QTest::newRow("clear box") << u"chkSvuota"_s << QAccessible::CheckBox
                               << u"Svuota casella con INVIO"_s << u""_s;
}

void tst_Accessibility::namesRolesValues()
{
    QFETCH(QString, object);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, value);

    QAccessibleInterface *interface = accessible(object);
    QVERIFY(interface && interface->isValid());
    QCOMPARE(interface->role(), role);
    QCOMPARE(interface->text(QAccessible::Name), name);
    QCOMPARE(interface->text(QAccessible::Value), value);
    // Reachable from the window, as a screen reader walks the tree.
    QAccessibleInterface *top = interface;
    while (top->parent() && top->object() != m_window.get())
        top = top->parent();
    QCOMPARE(top->object(), m_window.get());
}

void tst_Accessibility::spinnerStepsLikeItsArrows()
{
    auto *marker = m_window->findChild<Shape *>(u"shpLimite"_s);
    auto *field = m_window->findChild<QLineEdit *>(u"txtLimite"_s);

    QAccessibleValueInterface *value = accessible(u"UpDown1"_s)->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 45);
    QCOMPARE(value->minimumStepSize().toInt(), 1);

    QAccessibleActionInterface *up = accessible(u"up"_s)->actionInterface();
    QVERIFY(up && up->actionNames().contains(QAccessibleActionInterface::pressAction()));
    up->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(value->currentValue().toInt(), 1);
    // A value set from outside moves the marker as the clicks would, one cell per step.
    value->setCurrentValue(5);
    QCOMPARE(field->text(), u"5"_s);
    QCOMPARE(marker->left(), 175.0f + 120.0f * 5);
    accessible(u"UpDown1"_s)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::decreaseAction());
    accessible(u"down"_s)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(accessible(u"UpDown1"_s)->text(QAccessible::Value), u"3"_s);
    QCOMPARE(marker->left(), 175.0f + 120.0f * 3);
    value->setCurrentValue(99);
    QCOMPARE(marker->left(), 175.0f + 120.0f * 45);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
