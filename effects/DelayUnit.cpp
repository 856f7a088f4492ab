#include "DelayUnit.h"
