#include "dialogs/PathDialogFields.h"

namespace {

// Names travel to systems that give these characters a meaning of their own,
// so they are refused on every platform.
const QString BadCharacters = QStringLiteral("\\/:*?\"<>|");

} // namespace

bool PathDialogFields::CheckBadChr()
{
    qsizetype badPositions = 0;
    for (const QChar character : sTestString) {
        if (BadCharacters.contains(character))
            ++badPositions;
    }
    bBadChr = badPositions > 0;
    return bBadChr;
}
