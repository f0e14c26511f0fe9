#include "DataColumns.h"
#include "ScriptedPrompts.h"

#include "dialogs/ImageCounter.h"

#include <QtTest>

class OutputCounterTest : public QObject {
    Q_OBJECT

private slots:
    void SetCounter_Click_data()
    {
        addColumns<QLocale, QStringList, qint32, QStringList>(
            {"locale", "answers", "counter", "messages"});
        const QLocale c = QLocale::c();
        const QString notNumeric = QStringLiteral("Please enter only Numbers for image Counter");
        const QString outOfRange = QStringLiteral("please enter a number Between 0 and 2 billion");
        // Stored: the bound, blanks and signs, separators, rounding half to
        // even, exponents, magnitudes beyond the double range.
        const QList<std::pair<const char *, qint32>> stored{{"2000000000", 2000000000},
                                                            {" \t+42  ", 42},
                                                            {"1,000.5", 1000},
                                                            {"15E-1", 2},
                                                            {"-.5", 0},
                                                            {"1e-999", 0}};
        for (const auto &[answer, counter] : stored)
            QTest::addRow("%s", answer) << c << QStringList{answer} << counter << QStringList{};
        // Every refusal asks again and leaves the counter, 7, as it was; the
        // bound is tested before rounding.
        const QStringList outside{"2000000001", "2000000000.4", "-5000000000", "-0.6", "-1e999"};
        const QStringList notNumbers{" ", "-", ".", "1e", "--1", "1 2", "0x10", "inf"};
        QTest::newRow("refused, then a number")
            << c << outside + notNumbers + QStringList{"12"} << 12
            << QStringList(outside.size(), outOfRange) + QStringList(notNumbers.size(), notNumeric);
        QTest::newRow("the locale's own minus, then an empty answer")
            << QLocale(QLocale::Swedish, QLocale::Sweden)
            << QStringList{QString::fromUtf8("\u22123"), "-3", ""} << 7
            << QStringList(2, outOfRange);
        QTest::newRow("the locale's separators")
            << QLocale(QLocale::German, QLocale::Germany) << QStringList{"1,000.5", "1.000,5"}
            << 1000 << QStringList{notNumeric};
    }
    void SetCounter_Click()
    {
        const auto [locale, answers, counter, messages] =
            fetchRow<QLocale, QStringList, qint32, QStringList>();
        PathDialogFields fields;
        fields.iNewImageNumber = 7;
        ScriptedPrompts prompts;
        prompts.answers << answers;

        ImageCounter(fields, prompts, locale).SetCounter_Click();

        QCOMPARE(fields.iNewImageNumber, counter);
        QCOMPARE(prompts.messages, messages);
        // Every question shows the value as it was before the refused answer.
        QCOMPARE(prompts.inputs.size(), messages.size() + 1);
        for (const ScriptedPrompts::InputBox &box : prompts.inputs) {
            QCOMPARE(box.prompt, QString("\r\n\r\n\r\n\r\nCurrent image counter is 7"));
            QCOMPARE(box.defaultAnswer, QString("7"));
        }
    }
};

QTEST_GUILESS_MAIN(OutputCounterTest)
#include "tst_output_counter.moc"
