#include "program/CommandLine.h"

#include "device/DiskReserve.h"
#include "device/SnapFileWriter.h"
#include "timelapse/SnapSeries.h"
#include "timelapse/VideoFormat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void finish(const QString &text, int status)
{
    std::fputs(qPrintable(text), status == EXIT_SUCCESS ? stdout : stderr);
    std::exit(status);
}

// Making a video is a command for scripts, which expect the usual 2 for
// arguments it cannot take; the window's options keep 1.
constexpr int badVideoArguments = 2;
constexpr int mostFramesPerSecond = 240;

struct VideoOptions {
    QCommandLineOption makeVideo{
        QStringLiteral("make-video"),
        QCoreApplication::translate(
            "CommandLine", "Make a video of the numbered snaps from <first-snap> on, such as "
                           "Lumivane00000.bmp, and end; no window opens. Gaps in the numbers "
                           "are told and skipped. Ctrl-C ends the video where it is."),
        QStringLiteral("first-snap")};
    QCommandLineOption fps{
        QStringLiteral("fps"),
        QCoreApplication::translate("CommandLine",
                                    "Frames a second in the video (default 25, at most 240)."),
        QStringLiteral("frames")};
    QCommandLineOption output{
        QStringLiteral("output"),
        QCoreApplication::translate(
            "CommandLine", "Write the video to <file>: .webm, or .mp4 where an H.264 encoder "
                           "is installed (default: the snaps' base name with .webm, beside "
                           "them)."),
        QStringLiteral("file")};
    QCommandLineOption overwrite{
        QStringLiteral("overwrite"),
        QCoreApplication::translate("CommandLine", "Let the video replace a file of its name.")};

    // Exits for arguments the video cannot take.
    std::optional<timelapse::VideoRequest> requested(const QCommandLineParser &parser) const
    {
        if (!parser.isSet(makeVideo)) {
            if (parser.isSet(fps) || parser.isSet(output) || parser.isSet(overwrite))
                finish(QCoreApplication::translate(
                           "CommandLine", "--fps, --output and --overwrite go with --make-video\n"),
                       badVideoArguments);
            return std::nullopt;
        }
        timelapse::VideoRequest request{.firstSnap = parser.value(makeVideo),
                                        .output = parser.value(output),
                                        .overwrite = parser.isSet(overwrite)};
        if (!QFileInfo(request.firstSnap).isFile())
            finish(QCoreApplication::translate("CommandLine", "No such snap: %1\n")
                       .arg(request.firstSnap),
                   badVideoArguments);
        if (!timelapse::SnapSeries::startingAt(request.firstSnap))
            finish(QCoreApplication::translate(
                       "CommandLine", "%1 is not a numbered snap: a base name, five or more "
                                      "digits and a snap type's extension (%2), such as "
                                      "Lumivane00000.bmp\n")
                       .arg(request.firstSnap,
                            device::SnapFileWriter::types().join(QStringLiteral(", "))),
                   badVideoArguments);
        if (parser.isSet(fps)) {
            bool number = false;
            request.framesPerSecond = parser.value(fps).toDouble(&number);
            if (!number || !(request.framesPerSecond > 0) ||
                request.framesPerSecond > mostFramesPerSecond)
                finish(QCoreApplication::translate("CommandLine",
                                                   "--fps takes a number of frames a second "
                                                   "above 0 and at most %1: %2\n")
                           .arg(mostFramesPerSecond)
                           .arg(parser.value(fps)),
                       badVideoArguments);
        }
        if (!request.output.isEmpty() && !timelapse::VideoFormat::named(request.output))
            finish(QCoreApplication::translate("CommandLine",
                                               "--output %1: a video is written as .webm or "
                                               ".mp4\n")
                       .arg(request.output),
                   badVideoArguments);
        return request;
    }
};

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
    const VideoOptions video;
    for (const QCommandLineOption &option :
         {device, listDevices, settleTime, reserve, video.makeVideo, video.fps, video.output,
          video.overwrite})
        parser.addOption(option);

    const int badArguments =
        std::any_of(arguments.begin(), arguments.end(),
                    [](const QString &argument) {
                        return argument.startsWith(QLatin1String("--make-video"));
                    })
            ? badVideoArguments
            : EXIT_FAILURE;
    if (!parser.parse(arguments))
        finish(parser.errorText() + QLatin1Char('\n'), badArguments);
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
               badArguments);
    CommandLine options{parser.value(device), parser.isSet(listDevices), std::nullopt, std::nullopt,
                        video.requested(parser)};
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
