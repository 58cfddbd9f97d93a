// Identifiers shared by the resource script and the program. Macros, because
// the resource compiler reads this file too.
#pragma once

#define ZENTREL_ICON 101
#define ZENTREL_MENU 102
#define ZENTREL_SETTINGS_DIALOG 103

#define ZENTREL_VENDOR_EDIT 1001
#define ZENTREL_PRODUCT_EDIT 1002

#define ZENTREL_CMD_EXIT 40002
#define ZENTREL_CMD_SETTINGS 40003
#define ZENTREL_CMD_ABOUT 40004
