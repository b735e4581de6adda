#include "classify/tracker_list.h"
#include "store/journal.h"
