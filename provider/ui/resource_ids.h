// Dialog templates and control identifiers of the provider's windows.
#pragma once

#define IDD_NOTE 102
#define IDD_NOTE_CAPTION 108
#define IDD_PRESS_BUTTON 107
#define IDD_LED_BUTTON 3005
#define IDD_HIDDEN_OWNER 3004

#define IDC_PICTURE 1004
#define IDC_NOTE_TEXT 1006
#define IDC_REMAINING 1010
#define IDC_PRESS_HINT 1012
#define IDC_EXPLAIN 1015
#define IDC_CANCEL_DEAL 3006
