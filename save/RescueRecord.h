#pragma once

#include "common/RecordFields.h"

#include <climits>
#include <string>

// The rescue table, a row per kind ("herbivores", "carnivores", "plants"): the floor rescue keeps it
// at, and how many rescue has made.
#define SYLVARA_RESCUE_FIELDS(OWN)                                                                           \
    OWN(std::string, kind, std::string(), "kind", TextKey)                                                   \
    OWN(int, keep, 0, "keep", Whole, 0, 100000)                                                              \
    OWN(long, inserted, 0, "inserted", Whole, 0, LLONG_MAX)

// One kind's rescue as plain values.
struct RescueRecord {
    SYLVARA_RESCUE_FIELDS(SYLVARA_RECORD_MEMBER)
};
