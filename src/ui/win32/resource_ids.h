// Numbers of the dialog templates of dialogs.rc and of their controls, read
// by windres and by the C++ code; plain macros, which both understand.
#pragma once

// Templates. About and help keep the numbers the menu commands always named.
#define TARVIK_IDD_ABOUT 100
#define TARVIK_IDD_HELP 106
#define TARVIK_IDD_PORT 110
#define TARVIK_IDD_IP 111

// The program's icon.
#define TARVIK_IDI_PROGRAM 400

// "Nastav port a rychlost": a label before each field, in the field order of
// the model (port, speed, terminal, data bits, parity, model, log name).
#define TARVIK_IDC_PORT_LABEL 1001  // ... 1007
#define TARVIK_IDC_PORT 1011
#define TARVIK_IDC_SPEED 1012
#define TARVIK_IDC_TERMINAL 1013
#define TARVIK_IDC_DATA_BITS 1014
#define TARVIK_IDC_PARITY 1015
#define TARVIK_IDC_MODEL 1016
#define TARVIK_IDC_LOG_NAME 1017
// Both line dialogs: why OK was refused.
#define TARVIK_IDC_PROBLEM 1020

// "Nastav IP adresy".
#define TARVIK_IDC_IP_LABEL 1041  // ... 1043
#define TARVIK_IDC_OCTET 1031     // ... 1034
#define TARVIK_IDC_IP_MODEL 1035
#define TARVIK_IDC_IP_TERMINAL 1036

// About: the icon and the three texts.
#define TARVIK_IDC_ABOUT_ICON 1050
#define TARVIK_IDC_ABOUT_TEXT 1051  // ... 1053

// Help: the read-only text.
#define TARVIK_IDC_HELP_TEXT 1060

