// Starts an installer and waits for it a bounded time.
#pragma once

// Rounds of one second that an installer gets after its first second.
constexpr int kInstallerWaitRounds = 60;

// Starts file with parameters in directory (verb "open", shown) and waits for
// it, keeping this thread's message queue drained. A program still running
// after the rounds is terminated. True when it ended by itself, and when it
// could not be started or gave no process to wait for.
bool RunProcessAndWait(const char* directory, const char* file, const char* parameters,
                       int waitRounds = kInstallerWaitRounds);
