// A second yardstick for the program's start: the bare window with a single
// captioned frame, the least a window with any text in a frame does before it
// is shown (the frame measures its caption, which loads the fonts).

#include <QApplication>
#include <QGroupBox>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(960, 600);
    auto *frame = new QGroupBox(QStringLiteral("Snap Mode"), &window);
    frame->setGeometry(8, 0, 145, 49);
    window.show();
    return application.exec();
}
