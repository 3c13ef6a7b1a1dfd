// The matrix set beside a network as the commands read it, with the notes
// a user should see.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "base/json_writer.h"
#include "matrix/event_summary.h"
#include "matrix/manifest.h"
#include "matrix/matrix_set.h"
#include "network/netload.h"

namespace tesmar {

// Figures resting on fewer events than the set holds.
struct Shortfall {
    std::int32_t used = 0;   // events the figures use
    std::int64_t held = 0;   // events in the detection records, or written by the finished build
    std::string why;         // what cut the others off
};

struct SetInput {
    matrix::MatrixSet set;
    std::optional<matrix::Manifest> manifest;
    std::optional<matrix::EventSummary> summary;  // when the command asks for it
    std::optional<Shortfall> partial;             // some events could not be used
    std::optional<std::string> unfinished;        // the build did not finish: what its manifest says
};

// "The set is partial: the figures use 5 of its 50 events (...)".
std::string PartialText(const Shortfall& partial);

// What a set's figures rest on, as the members "partial" (null, or an object
// of used, held and why) and "build_unfinished" (null, or the manifest's note).
void WriteSetShortfalls(base::JsonWriter& json, const std::optional<Shortfall>& partial,
                        const std::optional<std::string>& unfinished);

// Loads the set beside the network: binary when it agrees with the text,
// otherwise text. Notes and load problems go to err prefixed with the
// command's name. Throws InputError when the set is refused (another
// network's, or being built), has no readable event, or its summary is
// malformed.
SetInput LoadSetInput(const network::Network& net, const std::string& command, std::ostream& err,
                      bool withSummary = false);

// Throws InputError unless the set's ".z1", ".z3" and ".z4" files are there
// (the ".z2" file is absent after a build without Z2).
void RequireMatrixFiles(const std::string& networkPath);

}  // namespace tesmar
