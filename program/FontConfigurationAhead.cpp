#include "program/FontConfigurationAhead.h"

#include <fontconfig/fontconfig.h>

std::jthread readFontConfigurationAhead()
{
    // Loads the configuration Qt's font database reads later; if Qt asked
    // first, fontconfig would keep whichever copy was finished first.
    return std::jthread([] { FcInit(); });
}
