#include "brackwater/tools/dominant.hpp"
