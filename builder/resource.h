#pragma once

#define IDD_MAIN 101
#define IDI_BUILDER 102
