// The transport bar: its buttons drive the Studio's transport and it shows what the core
// reports (time display, slider, master meter).
#include "app/transport_bar.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "engine/level_meters.h"
#include "engine/transport.h"
#include "support/studio_rig.h"

namespace tqx {

class TransportBarTest : public QObject {
    Q_OBJECT

    struct Rig : test::StudioRig {
        TransportBar bar{studio};
    };

private slots:
    void recordButtonStaysDownAndSetsTheToggle() {
        Rig rig;
        QCOMPARE(rig.bar.SpeedButton3->toolTip(), QString("録音"));
        QTest::mouseClick(rig.bar.SpeedButton3, Qt::LeftButton);
        QVERIFY(rig.bar.SpeedButton3->isChecked());
        QVERIFY(rig.studio.transport().recordToggle);
        QTest::mouseClick(rig.bar.SpeedButton3, Qt::LeftButton);
        QVERIFY(!rig.studio.transport().recordToggle);
    }

    void timeDisplayFollowsTheTransport() {
        Rig rig;
        QCOMPARE(rig.bar.Edit2->text(), QString("00:00.000"));
        QVERIFY(rig.bar.Edit2->isReadOnly());
        rig.studio.transport().ShowTime(75.25f);
        QCOMPARE(rig.bar.Edit2->text(), QString("01:15.250"));
        // Play, let the device clock run with the timer ticking, then go to start.
        QTest::mouseClick(rig.bar.SpeedButton1, Qt::LeftButton);
        QVERIFY(rig.studio.transport().isPlaying());
        rig.audio.advance(510, [&] { rig.timer.advance(1); });
        rig.sink.pump();
        QCOMPARE(rig.bar.Edit2->text(), QString("00:00.510"));
        QTest::mouseClick(rig.bar.SpeedButton2, Qt::LeftButton);
        QCOMPARE(rig.bar.Edit2->text(), QString("00:00.000"));
        QTest::mouseClick(rig.bar.SpeedButton1, Qt::LeftButton);
        QVERIFY(!rig.studio.transport().isPlaying());
    }

    void sliderSetsTheTimeScale() {
        Rig rig;
        QSlider* slider = rig.bar.TrackBar1;
        QCOMPARE(slider->minimum(), 4410);
        QCOMPARE(slider->maximum(), 22050);
        QCOMPARE(slider->value(), 11025);
        QCOMPARE(slider->tickInterval(), 500);
        slider->setValue(4410);
        QCOMPARE(rig.studio.timeline.TimeScale, 441.0f);
        // A new project rate reaches the slider.
        rig.studio.timeline.setRate(8000);
        rig.studio.timeline.scaleChanged();
        QCOMPARE(slider->maximum(), 4000);
        QCOMPARE(slider->value(), 2000);
    }

    void masterIndicatorShowsTheMasterMeter() {
        Rig rig;
        QCOMPARE(rig.bar.MasterIndicator->size(), QSize(169, 12));
        rig.studio.meters().DrawMasterMeter(0, -6.0, 0.5);
        const QImage shown = rig.bar.MasterIndicator->pixmap().toImage();
        QCOMPARE(shown.pixel(1, 3), qRgb(0, 127, 0));
        QCOMPARE(shown.pixel(100, 3), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(100, 0), qRgb(0, 0, 255));
        QVERIFY(rig.bar.Edit1->isHidden());
        QCOMPARE(rig.bar.Edit1->text(), QString("-6"));
    }
};

}  // namespace tqx

QTEST_MAIN(tqx::TransportBarTest)
#include "transport_bar_test.moc"
