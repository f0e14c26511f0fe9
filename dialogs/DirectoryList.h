#pragma once

// The directory list of the path dialog: the folder tree of one volume around
// the current folder, that is the chain from the volume's root down to the
// current folder and the current folder's subfolders. A double-click, or
// Return, opens a folder; a folder that is only highlighted is not the
// current path. Folders are listed where they really are, links followed, so
// that the tree never climbs out of its volume.

#include <QTreeWidget>

class DirectoryList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Makes the folder the current path and lists the tree around it. A
    // folder that cannot be read is refused: the current path stays, and the
    // reason comes back.
    QString setPath(const QString &folder);
    // Lists the current folder again, as the file system has it now.
    void refresh();
    // The folder the highlight is on.
    QString highlightedPath() const;
    QTreeWidgetItem *itemOfPath(const QString &folder) const;

signals:
    // A folder the user opened could not be read; the reason is given.
    void openFailed(const QString &reason);
    // Another folder, perhaps on another volume, is the current path.
    void pathChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void open(QTreeWidgetItem *item);
    QTreeWidgetItem *addFolder(QTreeWidgetItem *parent, const QString &folder,
                               const QString &caption, bool open);

    QString m_path;
};
