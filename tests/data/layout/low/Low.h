// A low folder that reaches up: the include check must refuse it.
#pragma once
#include "../high/High.h"
