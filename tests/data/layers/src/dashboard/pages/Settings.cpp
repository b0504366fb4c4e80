#include "widgets/Card.h"
#include "app/AppDelegate.h"
#include "../../popover/Page.h"
