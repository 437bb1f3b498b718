// <windows.h> as every Windows file of the program takes it: without the
// rarely used parts and the min and max macros that break the standard
// library, and with Winsock 2, which must follow it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
