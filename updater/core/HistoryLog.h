// The history log "log.xml": one record line per result of an update run,
// appended by the updater and read by every open history window, possibly
// in another process.
#pragma once

#include <windows.h>

#include <string>

constexpr wchar_t kHistoryLogName[] = L"log.xml";
constexpr wchar_t kLogChangedMessageName[] = L"The Log of Vexa Kestrel";

// Record lines are at most this many characters, line end included.
constexpr size_t kMaxHistoryLineChars = 1023;

// The type value that selects the short record form (no item).
constexpr int kHistoryNoItem = -1;

// Byte layout of the file: FF FE, `<logs sync="`, the flag, `">` CR LF ...
// `</logs>` CR LF.
constexpr DWORD kSyncFlagOffset = 26;

// "log.xml" beside the running program.
std::wstring GetHistoryLogPath();

// The record line for one result, CR LF included. Markup characters of the
// name and text are escaped; when the line would exceed the limit the text
// (then the name) is shortened so the line still closes its element.
std::wstring FormatHistoryRecord(DWORD time, BOOL status, const wchar_t* text, int type,
                                 const wchar_t* name);

// Appends one record to the log at logPath, creating the file when missing,
// and tells every history window to reload. A log cut short (by a crash,
// say) keeps its whole records and loses only the cut line; one without a
// whole opening line is started again. Returns false when the file could
// not be opened, even after waiting briefly for another writer, or a write
// failed; the sync flag is lowered in every case.
bool AppendHistoryLog(const wchar_t* logPath, BOOL status, const wchar_t* text, int type,
                      const wchar_t* name);

// The same for "log.xml" beside the running program.
bool AppendHistoryLog(BOOL status, const wchar_t* text, int type, const wchar_t* name);

// The registered log-changed message.
UINT GetLogChangedMessage();
