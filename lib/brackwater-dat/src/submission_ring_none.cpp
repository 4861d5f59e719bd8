#include "submission_ring.hpp"

namespace brackwater::dat {

// Built without a ring library: every batch takes the portable path.
std::unique_ptr<SubmissionRing> SubmissionRing::create(unsigned) { return nullptr; }

}  // namespace brackwater::dat
