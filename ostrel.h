#pragma once

// Umbrella header: every exported class of the library.
#include "frame/DataStream.h"
#include "frame/Export.h"
#include "frame/NodeList.h"
#include "frame/OwnedString.h"
#include "frame/Progress.h"
#include "frame/RazDLL.h"
#include "pbo/FolderScan.h"
#include "pbo/Ostrel.h"
#include "pbo/PboEntry.h"
#include "pbo/PboFormat.h"
#include "rap/DeRap.h"
#include "rap/RapError.h"
#include "rap/RapInput.h"
#include "rap/RapTextOutput.h"
#include "rapify/Rapify.h"
