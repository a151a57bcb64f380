// The one place where the program registers the services that lower layers ask of higher ones: a
// lower layer defines a small hook, and only this file fills it in.
#pragma once

namespace StartupHooks
{

// Registers every process-wide hook of the lower layers. mainImpl calls it before the gallery library
// starts; calling it again registers the same services again.
void Register();
// The dialogs of the lower layers (proxy settings, server credentials, the elevation password and busy
// cursor). mainImpl calls it before the elevated relaunch, in GUI runs only.
void RegisterDialogs();

} // namespace StartupHooks
