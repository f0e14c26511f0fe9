#pragma once

// The program itself, run as a user would without a display: anything that
// tried to open a window would fail. LUMIVANE_PROGRAM names the binary.

#include <QProcess>

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

inline QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    return environment;
}

// A run that does not end within two minutes counts as one that failed.
inline Run runProgram(const QStringList &arguments)
{
    QProcess program;
    program.setProcessEnvironment(withoutDisplay());
    program.start(QStringLiteral(LUMIVANE_PROGRAM), arguments);
    if (!program.waitForFinished(120000))
        return {};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}
