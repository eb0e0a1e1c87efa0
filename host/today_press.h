// today.exe's walk through the settings page: the --pick and --press steps made in turn in the
// dialog on top, and the picture of the dialog they lead to.
#pragma once

#include "platform/platform.h"

enum { DriveTimerId = 3, DrivePeriod = 200 };

// Starts looking for the dialog on top when the run has steps or a dialog picture to take.
void StartDialogSteps();

// One look at the dialog on top, from the drive timer: makes the picks due in it and the next
// click, or, once every step is made, takes the dialog's picture.
void DriveDialogs();

// Says so and returns true when a dialog picture was asked for and never taken.
bool DialogStepsUnfinished();
