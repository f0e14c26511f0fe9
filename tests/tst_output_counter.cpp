#include "ScriptedPrompts.h"

#include "output/ImageCounter.h"
#include "output/LocaleNumber.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

const QString NotNumeric = QStringLiteral("Please enter only Numbers for image Counter");
const QString OutOfRange = QStringLiteral("please enter a number Between 0 and 2 billion");
constexpr double NoNumber = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

} // namespace

class OutputCounterTest : public QObject {
    Q_OBJECT

private slots:
    void localeNumber_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale swedish(QLocale::Swedish, QLocale::Sweden);

        QTest::newRow("blanks and sign") << c << " \t+42  " << 42.0;
        QTest::newRow("group and decimal separators") << c << "-1,000.5" << -1000.5;
        QTest::newRow("exponent") << c << "25E-2" << 0.25;
        QTest::newRow("no whole part") << c << ".5" << 0.5;
        QTest::newRow("beyond the double range") << c << "-1e999" << -Infinity;
        QTest::newRow("below the double range") << c << "1e-999" << 0.0;
        for (const char *text : {"abc", "", " ", "-", ".", "1e", "--1", "1 2", "0x10", "inf"})
            QTest::addRow("no number: '%s'", text) << c << QString(text) << NoNumber;
        QTest::newRow("German separators") << german << "1.000,5" << 1000.5;
        QTest::newRow("English separators in German") << german << "1,000.5" << NoNumber;
        QTest::newRow("Swedish minus") << swedish << QString::fromUtf8("\u22123") << -3.0;
        QTest::newRow("ASCII minus in Swedish") << swedish << "-3" << -3.0;
    }
    void localeNumber()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(double, value);
        const std::optional<double> read = ::localeNumber(text, locale);
        if (std::isnan(value)) {
            QVERIFY2(!read, qPrintable(QString::number(read.value_or(0))));
            return;
        }
        QVERIFY(read);
        QCOMPARE(*read, value);
    }

    void SetCounter_Click_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<qint32>("counter");
        QTest::addColumn<QStringList>("messages");

        const qint32 unchanged = 7;
        QTest::newRow("upper bound") << QStringList{"2000000000"} << 2000000000 << QStringList{};
        QTest::newRow("above the bound")
            << QStringList{"2000000001"} << unchanged << QStringList{OutOfRange};
        QTest::newRow("above the bound before rounding")
            << QStringList{"2000000000.4"} << unchanged << QStringList{OutOfRange};
        QTest::newRow("minus one") << QStringList{"-1"} << unchanged << QStringList{OutOfRange};
        QTest::newRow("large negative")
            << QStringList{"-5000000000"} << unchanged << QStringList{OutOfRange};
        QTest::newRow("rounds to minus one")
            << QStringList{"-0.6"} << unchanged << QStringList{OutOfRange};
        QTest::newRow("rounds to zero") << QStringList{"-0.4"} << 0 << QStringList{};
        QTest::newRow("half to even zero") << QStringList{"-0.5"} << 0 << QStringList{};
        QTest::newRow("half up to even") << QStringList{"1.5"} << 2 << QStringList{};
        QTest::newRow("half down to even") << QStringList{"2.5"} << 2 << QStringList{};
        QTest::newRow("exponent") << QStringList{"1e3"} << 1000 << QStringList{};
        QTest::newRow("not numeric, then a number")
            << QStringList{"abc", "12"} << 12 << QStringList{NotNumeric};
        QTest::newRow("empty answer") << QStringList{""} << unchanged << QStringList{};
        QTest::newRow("cancel") << QStringList{} << unchanged << QStringList{};
        QTest::newRow("two refusals, then cancel")
            << QStringList{"abc", "-1"} << unchanged << QStringList{NotNumeric, OutOfRange};
    }
    void SetCounter_Click()
    {
        QFETCH(QStringList, answers);
        QFETCH(qint32, counter);
        QFETCH(QStringList, messages);
        PathDialogFields fields;
        fields.iNewImageNumber = 7;
        ScriptedPrompts prompts;
        for (const QString &answer : answers)
            prompts.answers.enqueue(answer);

        ImageCounter(fields, prompts, QLocale::c()).SetCounter_Click();

        QCOMPARE(fields.iNewImageNumber, counter);
        QCOMPARE(prompts.messages, messages);
        // Every refusal asks again, and every question shows the value as it
        // was before the refused answer.
        QCOMPARE(prompts.inputs.size(), messages.size() + 1);
        for (const ScriptedPrompts::InputBox &box : prompts.inputs) {
            QCOMPARE(box.caption, QString("Change Image Counter"));
            QCOMPARE(box.prompt, QString("\r\n\r\n\r\n\r\nCurrent image counter is 7"));
            QCOMPARE(box.defaultAnswer, QString("7"));
        }
    }

    void answerIsReadInTheUsersLocale()
    {
        PathDialogFields fields;
        ScriptedPrompts prompts;
        prompts.answers.enqueue(QStringLiteral("1.234,5"));
        ImageCounter(fields, prompts, QLocale(QLocale::German, QLocale::Germany))
            .SetCounter_Click();
        QCOMPARE(fields.iNewImageNumber, 1234);
        QVERIFY(prompts.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(OutputCounterTest)
#include "tst_output_counter.moc"
