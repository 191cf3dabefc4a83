// Numbers of the saver's resources and dialog controls.
#pragma once

#define IDD_CONFIG            2003
#define IDI_MOCHIPOTE         102
#define IDC_MOCHIPOTE_POINTER 110

#define IDS_COPYRIGHT         1
#define IDS_VERSION           2
#define IDS_HOMEPAGE          3
#define IDS_EMAIL             4

#define IDC_BGM_ON            1000
#define IDC_INTERVAL          1002
#define IDC_ABOUT_COPYRIGHT   1007
#define IDC_ABOUT_VERSION     1008
#define IDC_ABOUT_HOMEPAGE    1009
#define IDC_ABOUT_EMAIL       1010
#define IDC_CLOCK_12H         1011
#define IDC_CLOCK_24H         1012
#define IDC_CLOCK_HIDDEN      1013
#define IDC_CLOCK_SHOWN       1014
