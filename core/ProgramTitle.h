#pragma once

#include <QString>

// The program's title: the main window's caption and that of its messages.
inline const QString ProgramTitle = QStringLiteral("Lumivane");
