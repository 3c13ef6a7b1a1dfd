// The window's parameter fields and how "Build data" turns them into the
// builder's run parameters, free of any window code.
#pragma once

#include <cstdint>
#include <string>

namespace builder::window {

// The texts of the twelve parameter fields.
struct FieldTexts {
    std::string Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text9, Text10, Text11, Text12;
};

// The texts the fields hold when the window opens.
FieldTexts DefaultFieldTexts();

// The fields read into the types of the run parameters they feed.
struct FieldValues {
    std::int32_t MaxSimDuration = 0, InjectionDuration = 0, InjectionMassFlow = 0;
    float DetectionSensitivity = 0.0f;
    std::int32_t RepeatCount = 0, nRandomEvents = 0;
    float IngestionRate = 0.0f, BodyWeight = 0.0f, D50 = 0.0f, Beta = 0.0f, PerCapitaConsumption = 0.0f;
    std::int32_t nInjectionsPerEvent = 0;
};

// Reads every field; throws FieldError for the first value that does not
// fit its parameter, before anything is changed.
FieldValues ReadFields(const FieldTexts& texts);

// Copies the values into the run parameters.
void ApplyFields(const FieldValues& values);

// Sets EventMode and the expected nEvents for the chosen mode (0 all nodes
// and all times, 1 all nodes X times, 2 random events) from the loaded
// network and the run parameters. Throws FieldError when the count does not
// fit a 32-bit integer.
void SetEventMode(int mode);

}  // namespace builder::window
