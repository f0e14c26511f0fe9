#include "device/DeviceCatalog.h"
#include "program/CommandLine.h"
#include "program/FontConfigurationAhead.h"
#include "program/ProgramIdentity.h"
#include "timelapse/MakeVideo.h"
#include "widgets/ProgramStyle.h"
#include "window/Lumivane.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    applyProgramIdentity();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine options = CommandLine::parse(arguments);
    if (options.makeVideo)
        return timelapse::MakeVideo(*options.makeVideo).run();
    std::jthread fontConfiguration = readFontConfigurationAhead();

    const device::DeviceCatalog catalog = device::DeviceCatalog::attached();
    if (options.listDevices) {
        std::fputs(qPrintable(catalog.listing(options.device)), stdout);
        return 0;
    }
    const QString chosen = catalog.resolve(options.device);
    if (chosen.isEmpty()) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(device::DeviceCatalog::unknownChoice(options.device)));
        return 2;
    }

    QApplication application(argc, argv);
    fontConfiguration.join();
    applyProgramIcon(application);
    applyProgramStyle(application);
    QtPrompts prompts;
    Lumivane window(catalog.open(chosen, options.settleMs, options.reserveMiB), prompts);
    window.show();
    return application.exec();
}
