#include "selection/request_flags.h"

uint8_t startRequest = 0;
uint8_t endRequest = 0;
