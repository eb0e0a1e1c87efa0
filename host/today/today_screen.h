// The stand-in Today screen: its window, upright or turned, with the Today background and the
// rows of its items, the keys and taps that move the highlight, the items' settings pages, and
// the reload of the items, as the Today screen runs them.
#pragma once

#include "platform/platform.h"

// Makes the screen's window, upright or turned as the arguments ask, and its background; false on
// failure.
bool CreateScreen();

// Shows the screen, makes the items and runs the screen's messages until the run ends; returns
// the run's exit status.
int RunScreen();

// Destroys the screen's window and background and unloads the items' libraries.
void DestroyScreen();
