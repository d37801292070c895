#pragma once

// Resource ids of Runlet.exe. The builder rewrites the images of icon group
// 105 in its copy of the stub, so the group and its image ids stay fixed.
#define IDD_STATUS 103
#define IDC_STATUS_TEXT 1001
#define IDI_SETUP 105
