#include "core/CaptureState.h"

#include "core/PlatformPaths.h"

namespace {
constexpr int PaddedDigits = 5;
}

QString paddedNumber(qint32 number)
{
    return QStringLiteral("%1").arg(number, PaddedDigits, 10, QLatin1Char('0'));
}

QString snapFileName(const CaptureState &state)
{
    return platform::joinFolderAndName(state.sCurrentpath,
                                       state.sFileName + paddedNumber(state.iCurrentImageNumber) +
                                           QLatin1Char('.') + state.sFileType);
}

QString makeDefaultFolder(const CaptureState &state)
{
    if (state.sCurrentpath != state.sDefaultPath)
        return {};
    return platform::makeFolderPath(state.sCurrentpath);
}
