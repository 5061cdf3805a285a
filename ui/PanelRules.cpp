#include "ui/PanelRules.h"

#include <Version.h>

WindowPixels InitialWindowSize(int density)
{
    // The 96 row is not the formula's (which would give 590 by 454): the
    // window has always opened at this size there.
    if (density <= 0 || density == 96)
        return {556, 455};
    if (density == 120)
        return {738, 568};
    return {density * 738 / 120, density * 568 / 120};
}

bool StatusCountdown::Tick()
{
    if (left <= 0)
        return false;
    return --left == 0;
}

std::string VersionLine()
{
    // __TIME__ and __DATE__ have exactly the forms "09:38:27" and "Jan  4 2007".
    return std::string("Ver ") + ProgramVersion + ", Built " + __TIME__ + ", " + __DATE__;
}

std::string SystemLine(std::string_view osFamily)
{
    return "Operating System is " + std::string(osFamily);
}

std::string MainWindowTitle(std::string_view backup)
{
    std::string title = "Morvel2 Standalone Editor";
    return backup.empty() ? title : title.append(" \u2014 ").append(backup);
}
