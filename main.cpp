#include "app/Lumivane.h"
#include "device/standin/StandInDevice.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QtPrompts prompts;
    Lumivane window(std::make_unique<device::StandInDevice>(), prompts);
    window.show();
    return application.exec();
}
