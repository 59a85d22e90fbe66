#pragma once

#include <termios.h>

// Whether a line asked for aWanted and reporting aGot carries the unit's frames: the same speed, data bits,
// stop bits and parity. A pseudo-terminal has no wire and may drop the parity flags, so that difference
// alone is allowed there; a real device that keeps another setting would garble every frame.
bool LineSettingsHeld(const termios& aWanted, const termios& aGot, bool aPseudoTerminal);
