#include "brackwater/dat/lrs.hpp"
