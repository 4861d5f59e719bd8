#include "brackwater/dat/file_type/pixel_format.hpp"
