// Ties the desktop portal's screen cast to the lens switch: the cast runs
// while `LoepKnop` has the lens on, and stops when it is switched off.
// When the cast cannot start (the user refused, there is no portal) or the
// desktop ends it, the lens switches off and `LoepPic` says why in one line.
#pragma once

#include "platform/screen_cast_portal.h"

#include <QString>

namespace mergola {

class Main;
class PortalScreenReader;

QString castFailureText(CastFailure why);

// The window's own handler of `LoepKnop` runs first, so the cast follows
// the switch as it has just been set.
void runCastWithLens(Main &window, PortalScreenReader &reader);

} // namespace mergola
