#pragma once

// How folder and file names map onto this platform: the separator between a
// folder and a name, the program's own folder and where snaps go by default,
// the root that a trailing separator must not be stripped from, and the
// volume ("drive") of a path.
// Everything else in the program builds paths through these functions only.

#include <QChar>
#include <QString>
#include <QStringList>

namespace platform {

QChar separator();

// The folder that holds the program's executable, in native form.
QString programFolder();

// Where snaps go until the user chooses a folder, for a program run from
// `folder`. Run from where it was built, that is the program's own folder;
// installed (in a "bin" folder, or one the user cannot write), a "Lumivane"
// folder among the user's pictures, which need not exist yet.
QString defaultSnapFolder(const QString &folder = programFolder());

bool endsWithSeparator(const QString &path);

// Folder and name joined by one separator, also when the folder already ends
// in one (a volume's root).
QString joinFolderAndName(const QString &folder, const QString &name);

// The folder as it is kept in the capture state: without a trailing separator,
// except where stripping it would leave no folder at all (the root '/').
QString withoutTrailingSeparator(const QString &path);

// The folder a kept folder text names, ready to be listed: an empty text names
// the root folder.
QString folderToList(const QString &folder);

// The root path of the mounted volume that holds the path.
QString volumeOf(const QString &path);

// The root paths of the mounted volumes a user would pick, the system's root
// first; kernel interfaces and other pseudo file systems are left out.
QStringList mountedVolumes();

// Why the folder cannot be listed, in the system's words; empty when it can.
QString folderReadFailure(const QString &folder);

// The name of the entry (folder, file or link) that the path names, spelt as
// the file system keeps it, which differs from the asked name only where the
// file system folds letter case; empty when there is no such entry.
QString existingEntryName(const QString &path);

// Creates one folder; empty on success, else the system's reason.
QString makeFolder(const QString &path);

// Creates the folder and any missing folders above it; empty on success or
// when it exists, else the system's reason.
QString makeFolderPath(const QString &path);

} // namespace platform
