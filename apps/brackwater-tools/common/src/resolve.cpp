#include "brackwater/tools/resolve.hpp"
