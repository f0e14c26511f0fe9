#include "ScriptedPrompts.h"

#include "output/frmPath.h"

#include <QtTest>

namespace {

const QString BadCharacters = QStringLiteral("\\/:*?\"<>|");
const QString BadFileName = QStringLiteral("Invalid Character in File Name!");

} // namespace

class OutputNamesTest : public QObject {
    Q_OBJECT

private slots:
    void CheckBadChr_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bad");
        // Each character in turn at the start, inside and at the end.
        for (int i = 0; i < BadCharacters.size(); ++i) {
            const QString text = QString("pic").insert(i % 4, BadCharacters.at(i));
            QTest::addRow("%s", qPrintable(text)) << text << true;
        }
        QTest::newRow("empty") << "" << false;
        QTest::newRow("hyphen, blank, dot") << " pic-01 v2. " << false;
        QTest::newRow("control character") << "pic\tone" << false;
        QTest::newRow("look-alike slash") << QString::fromUtf8("a\u2215b") << false;
    }
    void CheckBadChr()
    {
        QFETCH(QString, text);
        QFETCH(bool, bad);
        PathDialogFields fields;
        fields.sTestString = text;
        fields.bBadChr = !bad;
        QCOMPARE(fields.CheckBadChr(), bad);
        QCOMPARE(fields.bBadChr, bad);
    }

    void Text1_Change_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("name");
        for (const QChar bad : BadCharacters)
            QTest::addRow("typed %s", qPrintable(QString(bad))) << true << QString(bad) << "pic";
        QTest::newRow("pasted with one bad character") << false << "holiday|2024"
                                                       << "pic";
        QTest::newRow("typed hyphen") << true << "-"
                                      << "pic-";
        QTest::newRow("typed blank and dot") << true << " ."
                                             << "pic .";
        QTest::newRow("cleared") << false << ""
                                 << "";
    }
    void Text1_Change()
    {
        QFETCH(bool, typed);
        QFETCH(QString, edit);
        QFETCH(QString, name);
        CaptureState state;
        QLabel lblPath;
        ScriptedPrompts prompts;
        frmPath dialog(state, lblPath, prompts);
        dialog.fields.sNewFile = QStringLiteral("pic");
        dialog.Form_Activate();

        if (typed) {
            dialog.Text1->end(false);
            QTest::keyClicks(dialog.Text1, edit);
        } else {
            dialog.Text1->setText(edit);
        }

        const bool refused = name == QLatin1String("pic");
        QCOMPARE(dialog.Text1->text(), name);
        QCOMPARE(dialog.fields.sNewFile, name);
        QCOMPARE(prompts.messages, refused ? QStringList{BadFileName} : QStringList{});
    }

    void activationLoadsTheNameAndResetsTheCheck()
    {
        CaptureState state;
        QLabel lblPath;
        ScriptedPrompts prompts;
        frmPath dialog(state, lblPath, prompts);
        dialog.fields.sFolder = QStringLiteral("Shots");
        dialog.fields.sNewFile = QStringLiteral("holiday");
        dialog.Form_Activate();
        QCOMPARE(dialog.Text1->text(), QString("holiday"));
        QCOMPARE(dialog.fields.sFolder, QString());
        // Set after the name field's check, which found nothing.
        QVERIFY(dialog.fields.bBadChr);
    }
};

QTEST_MAIN(OutputNamesTest)
#include "tst_output_names.moc"
