// SIGINT and SIGTERM during a build act like the window's "Stop run": the
// running events finish and the files keep a whole prefix of the event set.
#pragma once

namespace tesmar {

// Installs the handlers for SIGINT and SIGTERM. The first signal asks the
// builder to stop; a second one ends the program at once, the usual way.
// The handlers are restored to their defaults when the object goes away.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Whether a stop signal came since the handlers were installed.
    static bool Received();
    // Sets the builder's stop request again when a signal came: the driver
    // clears the request when a build starts.
    static void Forward();
};

}  // namespace tesmar
