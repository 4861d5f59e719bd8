// Opens the archive named on the command line and prints how many files its
// directory indexes.

#include <iostream>

#include "brackwater/dat/database.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: count_files ARCHIVE\n";
    return 2;
  }
  const auto db = brackwater::dat::DatDatabase::open(argv[1]);
  if (!db) {
    std::cerr << db.error().message() << '\n';
    return 1;
  }
  std::cout << db->index().size() << " files\n";
  return 0;
}
