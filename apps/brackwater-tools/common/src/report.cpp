#include "brackwater/tools/report.hpp"
