#pragma once
// The two pending-request flags, module-wide, 0 when the module is loaded.
// FilterWndProc only sets them to 1 (a button press); the request stages of
// FilterProc only test and clear them. Plain bytes: the host calls the two
// procedures one at a time, so no lock or atomic access is needed.
#include <cstdint>

extern uint8_t startRequest;  // a move of the selection's start is pending
extern uint8_t endRequest;    // a move of the selection's end is pending
