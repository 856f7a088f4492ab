#include "RateConverter.h"
