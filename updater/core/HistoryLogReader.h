// Reading and clearing the history log for the history window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct HistoryRecord
{
    LONG lTime = 0;    // seconds since 1970-01-01 00:00 UTC
    LONG lStatus = 0;  // 1 success, 0 failure
    LONG lType = 0;    // item type, 1 BIOS ... 4 hotfix
    std::wstring strName;
    std::wstring strText;
};

// Reads the records of the log at path, in file order. Returns false when
// the file does not exist (the shown list stays as it is); a file the parser
// rejects gives no records and two trace lines. Records carrying an
// attribute other than time, status, type and name are skipped.
bool LoadHistoryRecords(const wchar_t* path, std::vector<HistoryRecord>& records);

// Local date "%04d/%02d/%02d" and time "%02d:%02d:%02d" of a record.
std::wstring FormatHistoryDate(LONG time);
std::wstring FormatHistoryTime(LONG time);

// Deletes the log, first waiting a little (ten tries) while a writer's sync
// flag is up. Returns false, changing nothing, when the file cannot be
// opened; the rows are then kept too.
bool ClearHistoryLog(const wchar_t* path);
