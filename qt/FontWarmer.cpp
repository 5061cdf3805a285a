#include "qt/FontWarmer.h"

#ifdef MV2MGR_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontWarmer::FontWarmer()
{
#ifdef MV2MGR_FONTCONFIG
    // Qt's own FcInit() then finds the configuration loaded.
    thread = std::thread([] { FcInit(); });
#endif
}

void FontWarmer::Join()
{
    if (thread.joinable())
        thread.join();
}
