#include "brackwater/tools/survey.hpp"
