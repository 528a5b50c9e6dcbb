// Resource ids of the skin artwork (made by tools/make-artwork.py).
#pragma once

// Window outlines: type "RGN", named "MAINPANEL" and "LOGPANEL".
// Background pictures, type "JPGFILE".
#define IDR_MAIN_BACKGROUND 246
#define IDR_HISTORY_BACKGROUND 250
// Animated busy cursor, type "ANICURSORS".
#define IDR_BUSY_CURSOR 173

#define IDB_IMAGE_STRIP 131
#define IDI_UPDATER 128
#define IDI_HISTORY 273

// Button faces.
#define IDB_OK_DISABLED 142
#define IDB_OK 143
#define IDB_OK_PRESSED 144
#define IDB_CLOSE_PRESSED 147
#define IDB_CLOSE 148
#define IDB_MINIMIZE 149
#define IDB_CLEAR_DISABLED 180
#define IDB_CLEAR_PRESSED 181
#define IDB_CLEAR 182
#define IDB_CANCEL_DISABLED 188
#define IDB_CANCEL_PRESSED 189
#define IDB_CANCEL 190
#define IDB_UNCHECK_ALL 191
#define IDB_CHECK_ALL_PRESSED 192
#define IDB_UNCHECK_ALL_PRESSED 193
#define IDB_CHECK_ALL 194
#define IDB_OK_HOVER 226
#define IDB_CANCEL_HOVER 227
#define IDB_CLEAR_HOVER 228
#define IDB_CLOSE_HOVER 237
#define IDB_UNCHECK_ALL_HOVER 238
#define IDB_CHECK_ALL_HOVER 239
#define IDB_LOGO 242
#define IDB_LOGO_PRESSED 243
#define IDB_LOGO_HOVER 244
#define IDB_MINIMIZE_HOVER 251
#define IDB_MINIMIZE_PRESSED 252
