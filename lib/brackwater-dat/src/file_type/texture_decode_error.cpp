#include "brackwater/dat/file_type/texture_decode_error.hpp"
