#pragma once

#include "core/Clock.h"
#include <QString>
