// The yardstick for the program's start: the least a Qt Widgets program does
// to show a window of the same size.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(960, 600);
    window.show();
    return application.exec();
}
