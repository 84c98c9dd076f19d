#include "LimitMarker.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLimitMarker final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void limitFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::newRow("0 is no limit") << u"0"_s << 0;
        QTest::newRow("1") << u"1"_s << 1;
        QTest::newRow("10") << u"10"_s << 10;
        QTest::newRow("45") << u"45"_s << 45;
        QTest::newRow("empty") << QString() << 0;
    }
    void limitFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, limit);
        QCOMPARE(LimitMarker::limitFromText(text), limit);
    }

    void downStopsAtTheLeftmost()
    {
        QVERIFY(!LimitMarker::afterDownClick(175.0f).has_value());
        QVERIFY(!LimitMarker::afterDownClick(100.0f).has_value());
        QCOMPARE(LimitMarker::afterDownClick(295.0f), std::optional<float>(175.0f));
    }

    void tenUpClicks()
    {
        float left = LimitMarker::Leftmost;
        for (int i = 0; i < 10; ++i)
            left = LimitMarker::afterUpClick(left);
        QCOMPARE(left, 175.0f + 1200.0f);
    }

    // Clicks as a spinner over 0..45 reports them (none at the ends): the marker always stands at
    // the limit's column, and the single-precision arithmetic stays exact.
    void markerFollowsTheSpinner()
    {
        QRandomGenerator random(2026);
        int value = 0;
        float left = LimitMarker::Leftmost;
        for (int i = 0; i < 10000; ++i) {
            const bool up = random.bounded(2) == 0;
            if (up && value < LimitMarker::MaximumLimit) {
                ++value;
                left = LimitMarker::afterUpClick(left);
            } else if (!up && value > 0) {
                --value;
                left = LimitMarker::afterDownClick(left).value();
            }
            QCOMPARE(left, 175.0f + 120.0f * float(value));
        }
    }
};

QTEST_APPLESS_MAIN(TestLimitMarker)
#include "tst_limitmarker.moc"
