// The nested message pumps that keep the main window alive while the run
// waits: for a download, an unpacking worker, an installer, or a pause.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches every message waiting for this thread.
void DispatchWaitingMessages();

// Dispatches messages until the object is signalled (a thread or a process
// that ends), sleeping in between until a message or the object arrives.
void DispatchUntilSignalled(HANDLE object);

// Dispatches messages for ms milliseconds; stop, when given, ends the wait
// early once it returns true.
void DispatchFor(DWORD ms, const std::function<bool()>& stop = nullptr);
