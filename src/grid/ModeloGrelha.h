#pragma once

// Transitional: see ColunasGrelha.h.
#include "ColunasGrelha.h"
