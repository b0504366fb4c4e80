#include "popover/Page.h"
#include "dashboard/DashboardRouter.h"
