// Identifiers shared by the resource script and the program's dialogs.
#pragma once

#define IDI_PONDLET 106  // icon group: the tray image and the About icon
#define IDD_ABOUT 105
#define IDD_PANEL 125
#define IDD_SELECT 126

#define IDC_ABOUT_BUTTON 1056
#define IDC_QUIT 1057
#define IDC_HIDE 1058
#define IDC_SKIN_LIST 1060
#define IDC_BLEND_LIST 1061
#define IDC_RIGHT_TEN 1066
#define IDC_UP_TEN 1062
#define IDC_RIGHT 1063
#define IDC_LEFT_TEN 1064
#define IDC_DOWN_TEN 1065
#define IDC_UP 1067
#define IDC_LEFT 1068
#define IDC_DOWN 1069
