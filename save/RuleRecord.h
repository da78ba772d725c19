#pragma once

#include "common/RecordFields.h"

#include <string>

// The rules table, a row per rule in force: its name (as --set takes it) and its value.
#define SYLVARA_RULE_FIELDS(OWN)                                                                             \
    OWN(std::string, name, std::string(), "name", Name)                                                      \
    OWN(double, value, 0.0, "value", Number)

// One rule as plain values.
struct RuleRecord {
    SYLVARA_RULE_FIELDS(SYLVARA_RECORD_MEMBER)
};
