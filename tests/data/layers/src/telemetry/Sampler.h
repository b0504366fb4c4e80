#pragma once

#include "core/Fine.h"
#include "localai/LocalAIModel.h"
