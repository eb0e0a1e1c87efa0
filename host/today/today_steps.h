// today.exe's scripted steps, for pictures and tests: keys on the screen, a row selected, tapped
// or tapped and held, an entry of the menu that comes up, the settings page, and picks and clicks
// in the dialog on top; then the picture asked for.
#pragma once

#include "platform/platform.h"

// Starts the step timer when the run has steps or a picture to take.
void StartSteps();

// One look, from the step timer: makes the next step when it is due, or once every step is made,
// takes the picture asked for when the screen is ready for it.
void DriveSteps();

// Says so and returns true when a picture was asked for and never taken.
bool StepsUnfinished();
