// Decisions of the update run, kept apart from the window so that they can
// be checked with plain inputs: which item is installed next, which text a
// result gets, and whether an item needs a restart.
#pragma once

#include <windows.h>

#include <string>

#include "UpdateItem.h"

// Steps of the update run (m_nRunStep).
enum RunStep
{
    StepConnect = 0,   // fetch the index, parse, inventory, filter, show the list
    StepResume = 1,    // resume the pending work loaded at window start
    StepConfirm = 2,   // check the user's selection
    StepDownload = 3,  // drop unchecked items, download every checked package
    StepInstall = 4,   // unpack and install the items one after the other
    StepFinished = 5,  // record the time, clean up, close
};

// The name of the maker's BIOS flashing utility's item.
extern const wchar_t kRomtoolItemName[];

// Position in items of the item to install next: the first item, or
// "Romtool" when the first is a BIOS image, then down its dependency list
// to the deepest dependency still in items. No item is chosen twice, so a
// cycle ends the walk at the item where it closes. items must not be empty.
size_t ChooseNextItem(const UpdateItemArray& items);

// Replaces "%1", "%2" and "%3" in a string-table text; a null argument
// leaves its marker as it is.
std::wstring FormatRecordText(const std::wstring& text, const wchar_t* arg1,
                              const wchar_t* arg2 = nullptr, const wchar_t* arg3 = nullptr);

// String id of the history text for an unpacking result: 37 for a damaged
// package, 38 for a file that could not be written, 44 for a package that
// failed its check, 0 for success or a cancel (no record).
UINT UnpackFailureMessageId(LONG lInstallError);

// String id of an installed item's record: 41 when the install failed, 39
// when an installed version was found, else 40.
UINT InstallRecordMessageId(bool bSucceeded, bool bInstalledVersionKnown);

// An item that was installed needs a restart: a BIOS image, an item with
// the index's reboot flag, an installer that asked for one, or a run during
// which Windows wanted to end the session.
bool ItemNeedsRestart(BYTE bType, BOOL bReboot, bool bInstallerAskedRestart, BOOL bShutdownSeen);

// The step a window starts in from what the pending-work file gave.
RunStep FirstRunStep(BOOL bPendingWorkFound, BOOL bPendingWorkItems);
