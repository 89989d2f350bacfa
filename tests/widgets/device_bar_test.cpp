// The device lists and the master volume wedge of the top panel.
#include "app/device_bar.h"

#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

#include "audio/simulated_audio.h"
#include "engine/device_choice.h"
#include "engine/master_volume.h"
#include "platform/scripted_dialogs.h"
#include "session/studio.h"

using namespace tqx;

class DeviceBarTest : public QObject {
    Q_OBJECT

    struct Rig {
        QueuedEventSink sink;
        SimulatedAudioSystem audio{sink};
        ScriptedDialogs dialogs;
        ManualTimerService timer;
        std::unique_ptr<Studio> studio;
        std::unique_ptr<DeviceBar> bar;
        std::vector<int> volumeSet;

        Rig() {
            audio.addInputDevice("Mic");
            audio.addOutputDevice("Speakers");
            audio.addOutputDevice("Headphones");
            studio = std::make_unique<Studio>(Platform{dialogs, audio, timer, sink});
            bar = std::make_unique<DeviceBar>(*studio);
        }
    };

private slots:
    void listsShowTheDevicesWithTheMapperSelected() {
        Rig rig;
        QComboBox* in = rig.bar->ComboBox1;
        QComboBox* out = rig.bar->ComboBox2;
        QCOMPARE(in->count(), 2);
        QCOMPARE(in->itemText(0), QString("Mic"));
        QCOMPARE(in->currentText(), QString("WAVE MAPPER"));
        QCOMPARE(out->count(), 3);
        QCOMPARE(out->currentText(), QString("WAVE MAPPER"));
        QCOMPARE(rig.bar->CheckBox1->text(), QString("トラック毎に割り当てる"));

        in->setCurrentIndex(0);
        QCOMPARE(rig.studio->devices.InputDeviceId, 0);
        out->setCurrentIndex(1);
        QCOMPARE(rig.studio->devices.OutputDeviceId, 1);
        out->setCurrentIndex(2);
        QCOMPARE(rig.studio->devices.OutputDeviceId, -1);
    }

    void perTrackBoxesDisableTheMainLists() {
        Rig rig;
        rig.bar->CheckBox1->setChecked(true);
        QVERIFY(rig.studio->devices.perTrackRecording);
        QVERIFY(!rig.bar->ComboBox1->isEnabled());
        QVERIFY(rig.bar->ComboBox2->isEnabled());
        rig.bar->CheckBox2->setChecked(true);
        QVERIFY(!rig.bar->ComboBox2->isEnabled());
        rig.bar->CheckBox1->setChecked(false);
        QVERIFY(rig.bar->ComboBox1->isEnabled());
    }

    void draggingTheWedgeSetsTheVolume() {
        Rig rig;
        MasterVolume& volume = rig.studio->masterVolume();
        volume.attach({[] { return 0.0; }, [&rig](int p) { rig.volumeSet.push_back(p); }});
        MasterVolumeView* view = rig.bar->MasterVolume;
        QCOMPARE(view->size(), QSize(126, 20));
        rig.bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.bar.get()));

        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(rig.volumeSet.empty());
        QMouseEvent far(QEvent::MouseMove, QPointF(400, 10), view->mapToGlobal(QPointF(400, 10)), Qt::NoButton,
                        Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &far);
        QCOMPARE(volume.percentText(), std::string("100"));
        QMouseEvent left(QEvent::MouseMove, QPointF(-20, 10), view->mapToGlobal(QPointF(-20, 10)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &left);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(0, 10));
        QCOMPARE(rig.volumeSet, (std::vector<int>{100, 0}));

        // What the widget shows: the wedge image, filled to the left edge now.
        const QImage shot = view->grab().toImage();
        QCOMPARE(shot.pixelColor(124, 1), QColor(64, 64, 64));
        QCOMPARE(shot.pixelColor(125, 10), QColor(0, 0, 0));
        QCOMPARE(shot.pixelColor(123, 15), QColor(163, 73, 164));
    }
};

QTEST_MAIN(DeviceBarTest)
#include "device_bar_test.moc"
