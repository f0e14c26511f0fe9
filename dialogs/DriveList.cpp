#include "dialogs/DriveList.h"

#include "core/PlatformPaths.h"

#include <QSignalBlocker>

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    addItems(platform::mountedVolumes());
    setCurrentIndex(0);
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::Change);
}

void DriveList::setDrive(const QString &volume)
{
    setCurrentIndex(indexOfDrive(volume));
}

void DriveList::showDrive(const QString &volume)
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(indexOfDrive(volume));
}

int DriveList::indexOfDrive(const QString &volume)
{
    // A volume the system does not offer for picking, such as a memory file
    // system, still holds a folder that snaps may be saved in.
    const int index = findText(volume);
    if (index >= 0)
        return index;
    addItem(volume);
    return count() - 1;
}
