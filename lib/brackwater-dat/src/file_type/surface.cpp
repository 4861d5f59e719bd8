#include "brackwater/dat/file_type/surface.hpp"
