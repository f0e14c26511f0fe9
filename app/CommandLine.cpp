#include "app/CommandLine.h"

#include "device/DiskReserve.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void finish(const QString &text, int status)
{
    std::fputs(qPrintable(text), status == EXIT_SUCCESS ? stdout : stderr);
    std::exit(status);
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine", "Snapshots and time-lapse series from a video capture device."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QCoreApplication::translate("CommandLine",
                                    "Capture from <device>: a device path such as /dev/video0, "
                                    "test-pattern or stand-in. Without it, the first camera "
                                    "attached, or the stand-in when there is none."),
        QStringLiteral("device"));
    const QCommandLineOption listDevices(
        QStringLiteral("list-devices"),
        QCoreApplication::translate("CommandLine",
                                    "List the capture devices, marking the one that would run."));
    const QCommandLineOption settleTime(
        QStringLiteral("settle-time"),
        QCoreApplication::translate(
            "CommandLine", "Leave a camera's frames unused for <milliseconds> after it opens, "
                           "while its exposure and white balance settle (default 1000)."),
        QStringLiteral("milliseconds"));
    const QCommandLineOption reserve(
        QStringLiteral("reserve"),
        QCoreApplication::translate("CommandLine",
                                    "Make no save that would leave less than <MiB> free on the "
                                    "snaps' disk (default %1; 0 for no limit).")
            .arg(device::DiskReserve::defaultMiB),
        QStringLiteral("MiB"));
    parser.addOption(device);
    parser.addOption(listDevices);
    parser.addOption(settleTime);
    parser.addOption(reserve);

    if (!parser.parse(arguments))
        finish(parser.errorText() + QLatin1Char('\n'), EXIT_FAILURE);
    // Parsing comes before the application object, which a display needs,
    // so the parser cannot know the program's name by itself.
    if (parser.isSet(help))
        finish(parser.helpText().replace(QLatin1String("<executable_name>"),
                                         QFileInfo(arguments.value(0)).fileName()),
               EXIT_SUCCESS);
    if (parser.isSet(version))
        finish(QCoreApplication::applicationName() + QLatin1Char(' ') +
                   QCoreApplication::applicationVersion() + QLatin1Char('\n'),
               EXIT_SUCCESS);
    if (!parser.positionalArguments().isEmpty())
        finish(QCoreApplication::translate("CommandLine", "Unexpected argument: %1\n")
                   .arg(parser.positionalArguments().join(QLatin1Char(' '))),
               EXIT_FAILURE);
    CommandLine options{parser.value(device), parser.isSet(listDevices), std::nullopt,
                        std::nullopt};
    if (parser.isSet(settleTime)) {
        bool number = false;
        const int milliseconds = parser.value(settleTime).toInt(&number);
        if (!number || milliseconds < 0)
            finish(QCoreApplication::translate("CommandLine",
                                               "--settle-time takes a number of milliseconds, "
                                               "0 or more: %1\n")
                       .arg(parser.value(settleTime)),
                   EXIT_FAILURE);
        options.settleMs = milliseconds;
    }
    if (parser.isSet(reserve)) {
        bool number = false;
        const int mebibytes = parser.value(reserve).toInt(&number);
        if (!number || mebibytes < 0)
            finish(QCoreApplication::translate("CommandLine",
                                               "--reserve takes a number of MiB, 0 or more: %1\n")
                       .arg(parser.value(reserve)),
                   EXIT_FAILURE);
        options.reserveMiB = mebibytes;
    }
    return options;
}
