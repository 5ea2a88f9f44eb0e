// Umbrella header of a library that promises one class more than Ostrel.dll
// exports: the export check must fail on it.
#pragma once

#include "promised.h"
