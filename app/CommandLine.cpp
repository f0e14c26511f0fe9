#include "app/CommandLine.h"

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
    parser.addOption(device);
    parser.addOption(listDevices);

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
    return {parser.value(device), parser.isSet(listDevices)};
}
