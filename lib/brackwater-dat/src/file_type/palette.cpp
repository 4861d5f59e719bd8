#include "brackwater/dat/file_type/palette.hpp"
