// The effect window: the equalizer's sliders, readout and switches, and where they sit.
#include "forms/effect_window.h"

#include <memory>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

#include "audio/no_audio_system.h"
#include "effects/equalizer.h"
#include "platform/scripted_dialogs.h"
#include "session/studio.h"

using namespace tqx;

class EffectWindowTest : public QObject {
    Q_OBJECT

    struct Rig {
        QueuedEventSink sink;
        NoAudioSystem audio;
        ScriptedDialogs dialogs;
        ManualTimerService timer;
        std::unique_ptr<Studio> studio;
        std::unique_ptr<TForm2> window;

        Rig() {
            studio = std::make_unique<Studio>(Platform{dialogs, audio, timer, sink});
            window = std::make_unique<TForm2>(*studio);
        }
        Equalizer& eq() { return studio->equalizer(); }
    };

private slots:
    void slidersDriveTheEqualizerAndFollowIt() {
        Rig rig;
        TForm2& w = *rig.window;
        QCOMPARE(w.windowTitle(), QString("エフェクト"));
        QCOMPARE(w.Label15->text(), QString("----"));

        w.radioButtons[1]->click();
        QCOMPARE(rig.eq().bandSet(), 1);
        QCOMPARE(w.bandLabels[6]->text(), QString("1k"));
        w.bandTrackBars[6]->setValue(-150);
        QCOMPARE(rig.eq().bandPosition(6), -150);
        QCOMPARE(w.Label15->text(), QString("1kHz = 1.50"));

        // The top of a slider is the largest gain: a key press upwards raises it.
        w.bandTrackBars[0]->setFocus();
        QTest::keyClick(w.bandTrackBars[0], Qt::Key_Up);
        QCOMPARE(rig.eq().bandPosition(0), -1);
        QCOMPARE(w.Label15->text(), QString("31Hz = 0.01"));

        w.CheckBox1->click();
        QVERIFY(rig.eq().isOn());

        // Changes made in the core show in the controls.
        rig.eq().newProjectReset();
        QCOMPARE(w.bandTrackBars[6]->value(), 0);
        QCOMPARE(w.Label15->text(), QString("----"));
        QVERIFY(!w.CheckBox1->isChecked());
        QVERIFY(w.radioButtons[0]->isChecked());
        QCOMPARE(w.bandLabels[6]->text(), QString("300"));
        rig.eq().loadBandPosition(3, 1000);
        QCOMPARE(w.GetBandTrackBar(3)->value(), 300);
        QVERIFY(w.GetBandTrackBar(10) == nullptr);

        rig.dialogs.answers = {DialogAnswer::Yes};
        w.Button1->click();
        QCOMPARE(rig.dialogs.messages().back(), std::string("リセットしますか？"));
        QCOMPARE(w.GetBandTrackBar(3)->value(), 0);
    }

    void bandControlsFollowTheLayoutRules() {
        Rig rig;
        TForm2& w = *rig.window;
        for (int i = 0; i < w.GetBandCount(); ++i) {
            QSlider* s = w.GetBandTrackBar(i);
            QCOMPARE(s->orientation(), Qt::Vertical);
            QCOMPARE(s->geometry(), QRect(20 + 32 * i, 14, 17, 70));
            QCOMPARE(s->minimum(), -300);
            QCOMPARE(s->maximum(), 300);
            QCOMPARE(s->tickInterval(), 20);
            QCOMPARE(w.bandLabels[i]->pos(), QPoint(20 + 32 * i, 84));
        }
        QCOMPARE(w.scaleLabels[0]->pos(), QPoint(10, 16));
        QCOMPARE(w.scaleLabels[1]->pos(), QPoint(10, 45));
        QCOMPARE(w.scaleLabels[2]->pos(), QPoint(10, 70));
        QCOMPARE(w.Label14->pos(), QPoint(20 + 32 * 9 + 5, 98));
        QCOMPARE(w.Label15->y(), 104);
        QCOMPARE(w.CheckBox1->y(), 104);
        QCOMPARE(w.Button1->pos(), QPoint(w.Label15->x() + w.Button1->width() + 5, 98));
        // The readout's longest text ends before the button.
        const int longest = w.Label15->fontMetrics().horizontalAdvance("1.5kHz = -3.00");
        QVERIFY(w.Label15->x() + longest < w.Button1->x());
    }
};

QTEST_MAIN(EffectWindowTest)
#include "effect_window_test.moc"
