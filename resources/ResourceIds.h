// Resource ids shared by the resource script and the code.
#pragma once

#define IDD_ABOUT 100
#define IDR_MAINFRAME 128
#define IDD_MAIN 129
#define IDD_PROXY_EDIT 208

#define ID_FILE_CLOSE_TO_TRAY 0x800B
