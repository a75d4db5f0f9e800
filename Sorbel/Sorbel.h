#pragma once

// The grid library: the flex grid, the edit grid and the dictionary control.

#include "EditGrid.h"
#include "FlexGrid.h"
#include "MessageService.h"
#include "SorbelControl.h"
