// Surveys every surface through the installed survey library and prints the
// report as tintsurvey writes it.
#include <iostream>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/one_line.hpp"
#include "brackwater/survey/report.hpp"
#include "brackwater/survey/survey.hpp"

namespace survey = brackwater::survey;

int main(int argc, char** argv) {
  if (argc != 2) return 2;  // survey_report ARCHIVE
  const auto db = brackwater::dat::DatDatabase::open(argv[1]);
  if (!db) {
    std::cerr << survey::one_line(db.error()) << '\n';
    return 1;
  }
  std::cout << survey::render_report(survey::run_survey(*db, survey::surface_ids(db->index())).colors);
}
