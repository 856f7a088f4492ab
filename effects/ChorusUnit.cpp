#include "ChorusUnit.h"
