// Resource ids of the updater: dialogs, controls and the string table.
// Shared by the .rc file and the window code.
#pragma once

// Dialog templates.
#define IDD_UPDATER_DIALOG 102
#define IDD_HISTORY_DIALOG 253

// Controls of the main window (IDOK 1 and IDCANCEL 2 are the system's).
#define IDC_CLOSE_BUTTON 8
#define IDC_STATUS_TEXT 1001
#define IDC_LIST_FRAME 1002
#define IDC_CORNER_TEXT 1061
#define IDC_MODEL_NAME 1062
#define IDC_CHECK_ALL 1065
#define IDC_UNCHECK_ALL 1066
#define IDC_WEB_SITE 1067
#define IDC_MINIMIZE_BUTTON 1068
#define IDC_CHECK_ALL_LABEL 1069
#define IDC_UNCHECK_ALL_LABEL 1070
// Created by the update list at run time.
#define IDC_LIST_HEADER 333
#define IDC_UPDATE_TREE 334
#define IDC_LIST_SCROLL 335

// Controls of the history window.
#define IDC_HISTORY_LIST 1063
#define IDC_CLEAR_LOG 1064

// String table.
#define IDS_UPDATE_COMPLETED 2
#define IDS_PRESS_OK_TO_CONNECT 3
#define IDS_CHECK_ITEMS 4
#define IDS_NO_NEED_TO_UPDATE 5
#define IDS_DOWNLOAD 6
#define IDS_CANNOT_CREATE_LOCAL_FILE 7
#define IDS_UPDATE 8
#define IDS_COMPLETE_TO_UPDATE 9
#define IDS_PARSING_UPDATE_INFO 10
#define IDS_UNPACK 11
#define IDS_CLOSE_FOR_SELF_UPDATE 12
#define IDS_INSTALL_ROMTOOL_FIRST 13
#define IDS_REBOOT_AFTER_OK 14
#define IDS_COLUMN_ITEM 16
#define IDS_COLUMN_VERSION 17
#define IDS_COLUMN_FILE_SIZE 18
#define IDS_CATEGORY_BIOS 19
#define IDS_CATEGORY_DRIVERS 20
#define IDS_CATEGORY_APPLICATION 21
#define IDS_DOWNLOADING 22
#define IDS_UNPACKING 23
#define IDS_UPDATING 24
#define IDS_INSTALL_ROMTOOL 25
#define IDS_LOAD_DEFAULT_BIOS 26
#define IDS_HISTORY_DATE 27
#define IDS_HISTORY_TIME 28
#define IDS_HISTORY_ITEM 29
#define IDS_HISTORY_DESCRIPTION 30
#define IDS_CONFIRM_EXIT 32
#define IDS_CONNECTION_CANCELLED 33
#define IDS_SERVER_UNREACHABLE 34
#define IDS_FILE_NOT_ON_SERVER 35
#define IDS_DISK_FULL 36
#define IDS_UNPACK_FORMAT_ERROR 37
#define IDS_UNPACK_FILE_ERROR 38
#define IDS_UPDATED_FROM_TO 39
#define IDS_INSTALLED_VERSION 40
#define IDS_UPDATE_FAILED 41
#define IDS_CHECK_ALL 42
#define IDS_UNCHECK_ALL 43
#define IDS_CONNECT_AC_ADAPTER 48
#define IDS_PACKAGE_CHANGED 44
#define IDS_INDEX_NOT_VERIFIED 45

// The maker's public key for the index's signature (RCDATA, PEM text),
// present only in a build made with one (CMake option KESTREL_SIGNING_KEY).
#define IDR_SIGNING_KEY 300
