#include "ScriptedPrompts.h"

#include "app/CaptureState.h"
#include "output/PathDialogFields.h"
#include "output/frmPath.h"

#include <QtTest>

namespace {

const QString BadCharacters = QStringLiteral("\\/:*?\"<>|");

struct PathDialogRig {
    CaptureState state;
    QLabel lblPath;
    ScriptedPrompts prompts;
    frmPath dialog{state, lblPath, prompts};

    explicit PathDialogRig(const QString &name)
    {
        dialog.fields.sNewFile = name;
        dialog.Form_Activate();
    }
};

} // namespace

class OutputNamesTest : public QObject {
    Q_OBJECT

private slots:
    void CheckBadChr_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bad");
        for (const QChar bad : BadCharacters) {
            const QString shown(bad);
            QTest::addRow("%s alone", qPrintable(shown)) << shown << true;
            QTest::addRow("%s first", qPrintable(shown)) << shown + "pic" << true;
            QTest::addRow("%s inside", qPrintable(shown)) << "pi" + shown + "c" << true;
            QTest::addRow("%s last", qPrintable(shown)) << "pic" + shown << true;
        }
        QTest::newRow("two bad ones") << "a<b>c" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("hyphen") << "pic-01" << false;
        QTest::newRow("blank") << "my pic" << false;
        QTest::newRow("dot") << "pic.v2" << false;
        QTest::newRow("leading and trailing blanks and dots") << " .pic. " << false;
        QTest::newRow("control character") << "pic\tone" << false;
        QTest::newRow("reserved device name") << "CON" << false;
        QTest::newRow("look-alike slash") << QString::fromUtf8("a\u2215b") << false;
    }
    void CheckBadChr()
    {
        QFETCH(QString, text);
        QFETCH(bool, bad);
        PathDialogFields fields;
        fields.sTestString = text;
        // The check must overwrite what an earlier one left behind.
        fields.bBadChr = !bad;
        QCOMPARE(fields.CheckBadChr(), bad);
        QCOMPARE(fields.bBadChr, bad);
    }

    void refusedEditRestoresLastAcceptedName_data()
    {
        QTest::addColumn<QString>("typed");
        for (const QChar bad : BadCharacters)
            QTest::addRow("typed %s", qPrintable(QString(bad))) << QString(bad);
    }
    void refusedEditRestoresLastAcceptedName()
    {
        QFETCH(QString, typed);
        PathDialogRig rig(QStringLiteral("pic"));
        rig.dialog.Text1->end(false);
        QTest::keyClicks(rig.dialog.Text1, typed);
        QCOMPARE(rig.dialog.Text1->text(), QString("pic"));
        QCOMPARE(rig.dialog.fields.sNewFile, QString("pic"));
        QCOMPARE(rig.prompts.messages, QStringList{"Invalid Character in File Name!"});
    }

    void pastedTextWithOneBadCharacterIsDroppedWhole()
    {
        PathDialogRig rig(QStringLiteral("pic"));
        rig.dialog.Text1->setText(QStringLiteral("holiday|2024"));
        QCOMPARE(rig.dialog.Text1->text(), QString("pic"));
        QCOMPARE(rig.dialog.fields.sNewFile, QString("pic"));
        QCOMPARE(rig.prompts.messages.size(), 1);
    }

    void acceptedEditsBecomeTheName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::newRow("hyphen") << "-"
                                << "pic-";
        QTest::newRow("blank") << " "
                               << "pic ";
        QTest::newRow("dot") << "."
                             << "pic.";
        QTest::newRow("letters and digits") << "Day7"
                                            << "picDay7";
    }
    void acceptedEditsBecomeTheName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        PathDialogRig rig(QStringLiteral("pic"));
        rig.dialog.Text1->end(false);
        QTest::keyClicks(rig.dialog.Text1, typed);
        QCOMPARE(rig.dialog.fields.sNewFile, name);
        QVERIFY(!rig.dialog.fields.bBadChr);
        QVERIFY(rig.prompts.messages.isEmpty());
    }

    void clearingTheNameIsAccepted()
    {
        PathDialogRig rig(QStringLiteral("pic"));
        rig.dialog.Text1->clear();
        QCOMPARE(rig.dialog.fields.sNewFile, QString());
        QVERIFY(rig.prompts.messages.isEmpty());
    }

    void activationLoadsTheNameAndResetsTheCheck()
    {
        PathDialogRig rig(QStringLiteral("pic"));
        rig.dialog.fields.sFolder = QStringLiteral("Shots");
        rig.dialog.fields.bBadChr = false;
        rig.dialog.fields.sNewFile = QStringLiteral("holiday");
        rig.dialog.Form_Activate();
        QCOMPARE(rig.dialog.Text1->text(), QString("holiday"));
        QCOMPARE(rig.dialog.fields.sFolder, QString());
        QVERIFY(rig.dialog.fields.bBadChr);
    }
};

QTEST_MAIN(OutputNamesTest)
#include "tst_output_names.moc"
