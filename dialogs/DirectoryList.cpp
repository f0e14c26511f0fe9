#include "dialogs/DirectoryList.h"

#include "core/PlatformPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

namespace {

constexpr int PathRole = Qt::UserRole;

QString normalFolder(const QString &folder)
{
    // A link to a folder on another volume would otherwise hang that volume's
    // tree below a root it does not lie under.
    const QFileInfo info(platform::folderToList(folder));
    const QString real = info.canonicalFilePath();
    return QDir::toNativeSeparators(real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                                                   : real);
}

} // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(12);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &DirectoryList::open);
}

QString DirectoryList::setPath(const QString &folder)
{
    const QString target = normalFolder(folder);
    const QString failure = platform::folderReadFailure(target);
    if (!failure.isEmpty())
        return QStringLiteral("Cannot open the folder %1: %2").arg(target, failure);
    m_path = target;
    refresh();
    emit pathChanged();
    return {};
}

void DirectoryList::refresh()
{
    clear();
    if (m_path.isEmpty())
        return;
    const QString root = platform::volumeOf(m_path);
    QTreeWidgetItem *current = addFolder(nullptr, root, root, true);
    QString folder = root;
    const QString below =
        QDir(QDir::fromNativeSeparators(root)).relativeFilePath(QDir::fromNativeSeparators(m_path));
    for (const QString &name : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("."))
            continue;
        folder = platform::joinFolderAndName(folder, name);
        current = addFolder(current, folder, name, true);
    }
    // A folder that turned unreadable since it was opened shows no subfolders.
    const QFileInfoList subfolders = QDir(m_path).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo &subfolder : subfolders) {
        addFolder(current, QDir::toNativeSeparators(subfolder.absoluteFilePath()),
                  subfolder.fileName(), false);
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
}

QString DirectoryList::highlightedPath() const
{
    const QTreeWidgetItem *item = currentItem();
    return item ? item->data(0, PathRole).toString() : QString();
}

QTreeWidgetItem *DirectoryList::itemOfPath(const QString &folder) const
{
    QList<QTreeWidgetItem *> pending;
    for (int i = 0; i < topLevelItemCount(); ++i)
        pending << topLevelItem(i);
    while (!pending.isEmpty()) {
        QTreeWidgetItem *item = pending.takeFirst();
        if (item->data(0, PathRole).toString() == folder)
            return item;
        for (int i = 0; i < item->childCount(); ++i)
            pending << item->child(i);
    }
    return nullptr;
}

void DirectoryList::keyPressEvent(QKeyEvent *event)
{
    // The keyboard's way to open the highlighted folder.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        open(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirectoryList::open(QTreeWidgetItem *item)
{
    const QString folder = item->data(0, PathRole).toString();
    const QString failure = setPath(folder);
    if (!failure.isEmpty())
        emit openFailed(failure);
}

QTreeWidgetItem *DirectoryList::addFolder(QTreeWidgetItem *parent, const QString &folder,
                                          const QString &caption, bool open)
{
    auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, caption);
    item->setData(0, PathRole, folder);
    item->setIcon(0,
                  style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
    return item;
}
