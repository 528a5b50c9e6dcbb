// Starts the updater of the installation that the Run value names.
#pragma once

// True when the Run value "Vexa Kestrel" was there and the updater was
// started from its folder.
bool RestartUpdater();
