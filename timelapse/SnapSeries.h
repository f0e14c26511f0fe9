#pragma once

// A numbered series of snaps as the program writes it: a base name, a number
// of five or more digits and an image type's extension, such as
// Lumivane00042.bmp. The counter is padded to five digits and grows past
// them, so Lumivane99999.bmp is followed by Lumivane100000.bmp: a number
// belongs to the series when it has the first snap's digits, or more without
// a leading zero.

#include <QDir>
#include <QList>
#include <QString>

#include <optional>

namespace timelapse {

class SnapSeries {
public:
    // Empty when the name is not that of a numbered snap.
    static std::optional<SnapSeries> startingAt(const QString &firstSnap);

    // The numbers present from the first snap's on, in order, read from one
    // listing of the folder: however long a gap, the series goes on after it.
    QList<qint64> present() const;
    // The numbers missing between those present, as runs written the way
    // the file names write them: "00012-00014, 00020". Empty without gaps.
    QString gapsIn(const QList<qint64> &present) const;

    QString pathOf(qint64 number) const;
    QString folder() const { return m_folder.path(); }
    QString baseName() const { return m_base; }

private:
    SnapSeries(const QDir &folder, const QString &base, int digits, const QString &extension,
               qint64 first);
    QString numbered(qint64 number) const;

    QDir m_folder;
    QString m_base;
    int m_digits;
    QString m_extension;
    qint64 m_first;
};

} // namespace timelapse
