#include "brackwater/dat/file_type/dxt.hpp"
