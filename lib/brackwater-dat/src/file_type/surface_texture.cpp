#include "brackwater/dat/file_type/surface_texture.hpp"
