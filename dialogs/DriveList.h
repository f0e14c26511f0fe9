#pragma once

// The drive list of the path dialog: the mounted volumes, each shown by its
// root path. It only steers the directory list.

#include <QComboBox>

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);

    QString drive() const { return currentText(); }
    // Selects the volume, adding it when the list lacks it; raises Change when
    // the selected drive changes.
    void setDrive(const QString &volume);
    // Shows the volume without raising Change: puts the list back on the
    // drive the directory list is on after another drive could not be read.
    void showDrive(const QString &volume);

signals:
    void Change();

private:
    int indexOfDrive(const QString &volume);
};
