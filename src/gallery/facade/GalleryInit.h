// The gallery library's start and shutdown as the program's start-up sequence uses them.
#pragma once

// Starts the gallery library and waits for its initialisation thread. A non-zero start code is also
// passed to QCoreApplication::exit (the event loop then ends after the current slot; the run goes on).
// Returns the start code, 0 on success.
int Initialize();
// Shuts the gallery library down.
void Uninitialize();
