// Resource numbers of Quorvane. Shared by the resource script and the code.
#pragma once

// Dialog templates.
#define IDD_QUORVANE_DIALOG 102  // main window: 418 x 263 dialog units
#define IDD_DUMMY_MSG_OWNER 106  // invisible owner of topmost message boxes
#define IDC_BROWSER 1000         // the browser control's site in IDD_QUORVANE_DIALOG
#define IDC_DUMMY_TEXT 1001

// Icon group.
#define IDR_MAINFRAME 284

// The page archive: resource 136 of type "HTML_ZIP".
#define IDR_HTML_ZIP 136

// Configuration strings (string table).
#define IDS_CLSID_COM0 132
#define IDS_CLSID_COM1 133
#define IDS_CLSID_COM2 134
#define IDS_CLSID_SIGN0 135
#define IDS_CLSID_SIGN1 136
#define IDS_CLSID_SIGN2 137
#define IDS_CLSID_ENCKEY0 138
#define IDS_CLSID_ENCKEY1 139
#define IDS_CLSID_ENCKEY2 140
#define IDS_TRUSTED_SITES 141
#define IDS_PROVIDER_VERSION 142
#define IDS_PROVIDER_FILE 143
#define IDS_TRANSPORT_FILE 144
#define IDS_PACKAGE_TOOL 145
#define IDS_RESTORE_QUESTION 146
#define IDS_RESTORE_QUESTION_CAPTION 147
#define IDS_RESTORE_DONE 148
#define IDS_RESTORE_DONE_CAPTION 149
#define IDS_APP_TITLE 150
#define IDS_HOME_PAGE 152
#define IDS_NET_STATES 153
#define IDS_INSTALLED_MESSAGE 154
#define IDS_INSTANCE_NAME 160
#define IDS_QUIT_MESSAGE 161
#define IDS_CSP_NAME 192
#define IDS_PROVIDER_PACKAGE 193
#define IDS_DRIVER_COUNT 200
#define IDS_INSTALL_LAYOUT 201
#define IDS_DRIVER_DETECT_BASE 210
#define IDS_DRIVER_INSTALLER_BASE 250
#define IDS_DRIVER_ARGS_BASE 300
