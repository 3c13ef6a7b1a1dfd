// Whether the event summary beside a network belongs with the matrix
// records: the same events, each with the same injections. A summary copied
// from another build of the same size would otherwise give every missed
// event another event's penalty without a word.
#pragma once

#include <optional>
#include <string>

namespace matrix {

// Why the summary does not belong with the detection file's records, naming
// the first event (from 1) that differs; nothing when it belongs, or when
// either file is missing. Each record describes its event's first three
// injections, and those are compared with the summary's first three. The
// summary may lack the last record's line when the build did not finish
// (the writer writes it last); otherwise both hold the same number of events.
std::optional<std::string> SummaryDisagreement(const std::string& networkPath, bool buildFinished);

}  // namespace matrix
