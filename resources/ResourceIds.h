// Resource ids shared by the resource script and the code.
#pragma once

// The program's version, for the version resource; the build reads the text for its packages.
#define GW_VERSION_COMMAS 2, 2, 0, 0
#define GW_VERSION_TEXT "2.2.0"

#define IDD_ABOUT 100
#define IDR_MAINFRAME 128
#define IDD_MAIN 129
#define IDD_PROXY_EDIT 208

#define ID_FILE_CLOSE_TO_TRAY 0x800B
