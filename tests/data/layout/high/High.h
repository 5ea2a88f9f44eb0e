// A high folder that may use the low one.
#pragma once
#include "../low/Low.h"
