#include "ScriptedPrompts.h"
#include "app/Lumivane.h"
#include "device/standin/StandInDevice.h"

#include <QtTest>

// On a real display server: the program's window comes up with its title
// and its controls, driven by the device the program ships with.
class WindowSmokeTest : public QObject {
    Q_OBJECT

private slots:
    void windowAppearsWithItsTitle()
    {
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
        ScriptedPrompts prompts;
        Lumivane window(std::make_unique<device::StandInDevice>(), prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString("Lumivane"));
        QVERIFY(window.controls().imgDisplay->isVisible());
        QCOMPARE(window.controls().imgDisplay->size(), QSize(640, 480));
        QCOMPARE(window.focusWidget(), window.controls().sldBright);
    }
};

QTEST_MAIN(WindowSmokeTest)
#include "tst_window_smoke.moc"
