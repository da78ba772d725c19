#pragma once

#include "common/Rules.h"

#include <map>
#include <string>
#include <vector>

// Rules each within its range can still not run together: an animal born with more energy than
// breeding needs breeds in the tick it is born, its young is born the same way, and the tick never
// ends while memory fills. Every tool refuses such rules before anything runs.
class RuleCombination {
public:
    // Empty when the rules can run together, else a one-line reason naming both rules.
    static std::string check(const Rules& rules);
    // The same for every combination of the values each named rule may take over the base, as a
    // sweep runs them: the reason names the worst pair.
    static std::string checkAcross(const Rules& base,
                                   const std::map<std::string, std::vector<double>>& choices);
};
