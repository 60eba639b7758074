// Out-of-line data for the public value types.
#include "TevoRobotMetaType.h"
