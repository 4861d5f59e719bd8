#include "brackwater/dat/file_type/texture.hpp"
