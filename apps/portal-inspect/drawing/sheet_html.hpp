#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "sheet_model.hpp"

namespace brackwater::inspect {

// The contact sheet as one HTML page: plain HTML and CSS, a filter box of a
// few lines of script, images beside it loaded as they come into view,
// nothing from the network. Tiles carry data-id="0x08XXXXXX", surfaces left
// out of the report data-failed-id (or data-unreported-id when they resolve).
// Written to `out` a tile at a time, so the page is never held whole.
void write_sheet_html(const Sheet& sheet, std::string_view archive_name,
                      std::string_view report_name, std::ostream& out);

}  // namespace brackwater::inspect
