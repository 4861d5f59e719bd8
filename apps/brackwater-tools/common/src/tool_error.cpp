#include "brackwater/tools/tool_error.hpp"
