#include "link/LineSettings.h"

bool LineSettingsHeld(const termios& aWanted, const termios& aGot, bool aPseudoTerminal)
{
    if (cfgetispeed(&aWanted) != cfgetispeed(&aGot) || cfgetospeed(&aWanted) != cfgetospeed(&aGot))
        return false;
    tcflag_t format = CSIZE | CSTOPB | PARENB | PARODD;
    if (aPseudoTerminal)
        format &= ~tcflag_t(PARENB | PARODD);
    return (aWanted.c_cflag & format) == (aGot.c_cflag & format);
}
