#include "LimitMarker.h"

#include <QTest>

// The marker's place for each limit: one 120-twip cell a character from 175, exact in single
// precision up to the spinner's top.
class TestLimitMarker final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void leftFor_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<float>("left");
        QTest::newRow("no limit") << 0 << 175.0f;
        QTest::newRow("1") << 1 << 295.0f;
        QTest::newRow("10") << 10 << 1375.0f;
        QTest::newRow("the top") << LimitMarker::MaximumLimit << 5575.0f;
    }
    void leftFor()
    {
        QFETCH(int, limit);
        QFETCH(float, left);
        QCOMPARE(LimitMarker::leftFor(limit), left);
    }
};

QTEST_APPLESS_MAIN(TestLimitMarker)
#include "tst_limitmarker.moc"
