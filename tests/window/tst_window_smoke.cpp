#include "ScriptedPrompts.h"
#include "device/standin/StandInDevice.h"
#include "dialogs/frmFileType.h"
#include "dialogs/frmPath.h"
#include "window/Lumivane.h"

#include <QtTest>

namespace {

// Every caption and list entry of the window that does not fit the room its
// control draws it in, in the control's own font.
QStringList cutOffTexts(const QWidget &window)
{
    QStringList cut;
    const auto check = [&cut](const QWidget *control, const QString &text, int room) {
        const int width = control->fontMetrics().horizontalAdvance(text);
        if (width > room)
            cut << QStringLiteral("%1 \"%2\": %3 > %4")
                       .arg(control->objectName(), text, QString::number(width),
                            QString::number(room));
    };
    for (const QWidget *control : window.findChildren<QWidget *>()) {
        const QStyle *style = control->style();
        if (const auto *list = qobject_cast<const QComboBox *>(control)) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.frame = list->hasFrame();
            const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, list);
            for (int i = 0; i < list->count(); ++i)
                check(list, list->itemText(i), field.width() - 2);
        } else if (const auto *box = qobject_cast<const QGroupBox *>(control)) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect label =
                style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            check(box, box->title(), box->width() - label.left());
        } else if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
            // The contents' room beside the indicator or inside the frame,
            // whatever the caption.
            QStyleOptionButton option;
            option.initFrom(button);
            const QStyle::SubElement contents =
                qobject_cast<const QPushButton *>(button) ? QStyle::SE_PushButtonContents
                : qobject_cast<const QCheckBox *>(button) ? QStyle::SE_CheckBoxContents
                                                          : QStyle::SE_RadioButtonContents;
            check(button, button->text(), style->subElementRect(contents, &option, button).width());
        }
    }
    return cut;
}

} // namespace

// On a real display server: the program's window comes up with its title
// and its controls, driven by the device the program ships with, and every
// text fits the control that shows it.
class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowAppearsWithItsTitleAndEveryTextFits()
    {
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
        ScriptedPrompts prompts;
        Lumivane window(std::make_unique<device::StandInDevice>(), prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString("Lumivane"));
        QVERIFY(window.controls().imgDisplay->isVisible());
        QCOMPARE(window.focusWidget(), window.controls().sldBright);

        frmPath path(window.state(), *window.controls().lblPath, prompts);
        QString type;
        frmFileType fileType(type);
        const QStringList cut = cutOffTexts(window) + cutOffTexts(path) + cutOffTexts(fileType);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window_smoke.moc"
