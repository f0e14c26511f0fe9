#include "ScriptedPrompts.h"

#include "dialogs/ImageCounter.h"

#include <QtTest>

namespace {

const QString NotNumeric = QStringLiteral("Please enter only Numbers for image Counter");
const QString OutOfRange = QStringLiteral("please enter a number Between 0 and 2 billion");

} // namespace

class OutputCounterTest : public QObject {
    Q_OBJECT

private slots:
    void SetCounter_Click_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<qint32>("counter");
        QTest::addColumn<QStringList>("messages");
        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
        const auto row = [](const QLocale &locale, const QString &answer, qint32 counter,
                            const QStringList &messages) {
            QTest::addRow("%s %s", qPrintable(locale.name()), qPrintable(answer))
                << locale << QStringList{answer} << counter << messages;
        };

        // Stored: the bound, rounding half to even, signs, separators,
        // exponents, blanks around, magnitudes beyond the double range.
        row(c, "2000000000", 2000000000, {});
        row(c, "-0.4", 0, {});
        row(c, "-0.5", 0, {});
        row(c, "1.5", 2, {});
        row(c, "2.5", 2, {});
        row(c, "1e3", 1000, {});
        row(c, "250E-2", 2, {});
        row(c, " \t+42  ", 42, {});
        row(c, "1,000.5", 1000, {});
        row(c, ".5", 0, {});
        row(c, "1e-999", 0, {});
        row(german, "1.000,5", 1000, {});
        // Refused with the range message, the bound tested before rounding;
        // 7 is the counter unchanged.
        for (const char *answer :
             {"2000000001", "2000000000.4", "-1", "-5000000000", "-0.6", "-1e999"})
            row(c, answer, 7, {OutOfRange});
        row(swedish, QString::fromUtf8("\u22123"), 7, {OutOfRange});
        row(swedish, "-3", 7, {OutOfRange});
        // Not numbers.
        for (const char *answer : {" ", "-", ".", "1e", "--1", "1 2", "0x10", "inf"})
            row(c, answer, 7, {NotNumeric});
        row(german, "1,000.5", 7, {NotNumeric});

        QTest::newRow("not numeric, then a number")
            << c << QStringList{"abc", "12"} << 12 << QStringList{NotNumeric};
        QTest::newRow("empty answer") << c << QStringList{""} << 7 << QStringList{};
        QTest::newRow("cancel") << c << QStringList{} << 7 << QStringList{};
        QTest::newRow("two refusals, then cancel")
            << c << QStringList{"abc", "-1"} << 7 << QStringList{NotNumeric, OutOfRange};
    }
    void SetCounter_Click()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, answers);
        QFETCH(qint32, counter);
        QFETCH(QStringList, messages);
        PathDialogFields fields;
        fields.iNewImageNumber = 7;
        ScriptedPrompts prompts;
        prompts.answers << answers;

        ImageCounter(fields, prompts, locale).SetCounter_Click();

        QCOMPARE(fields.iNewImageNumber, counter);
        QCOMPARE(prompts.messages, messages);
        // Every refusal asks again, and every question shows the value as it
        // was before the refused answer.
        QCOMPARE(prompts.inputs.size(), messages.size() + 1);
        for (const ScriptedPrompts::InputBox &box : prompts.inputs) {
            QCOMPARE(box.prompt, QString("\r\n\r\n\r\n\r\nCurrent image counter is 7"));
            QCOMPARE(box.defaultAnswer, QString("7"));
        }
    }
};

QTEST_GUILESS_MAIN(OutputCounterTest)
#include "tst_output_counter.moc"
