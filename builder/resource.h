#pragma once

// Dialog templates and the application icon.
#define IDD_MAIN 101
#define IDI_BUILDER 102
#define IDD_ABOUT 103

// Controls of the main window (and, for 1012 and 1018, of the About box).
#define IDC_MSI_PATH 1001
#define IDC_SKIN_PATH 1002
#define IDC_OUTPUT_PATH 1003
#define IDC_BROWSE_MSI 1004
#define IDC_BROWSE_SKIN 1005
#define IDC_BROWSE_OUTPUT 1006
#define IDC_CREATE 1007
#define IDC_ICON_PATH 1008
#define IDC_BROWSE_ICON 1009
#define IDC_HELP_BUTTON 1012
#define IDC_PROGRESS 1014
#define IDC_BANNER_SITE 1016
#define IDC_BANNER_SKINS 1017
#define IDC_ABOUT 1018

// In the About box: the support address label and the builder page banner.
#define IDC_ABOUT_MAIL 1012
#define IDC_ABOUT_BANNER 1018
