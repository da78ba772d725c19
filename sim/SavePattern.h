#pragma once

#include <string>

// A file name with the tick in it, printf-style: "run-%06d.sylvara". It must hold exactly one
// conversion of a whole number (d, i or u, with flags, and a width and precision of up to
// two digits); "%%" is a
// percent sign. Anything else is refused, so no name can read what is not there.
class SavePattern {
public:
    // False with the reason when the text is no such pattern.
    static bool parse(const std::string& text, SavePattern& out, std::string& error);
    std::string fileFor(long tick) const;

private:
    std::string before;
    // The conversion as written, widened to take a long: "%06ld".
    std::string conversion;
    std::string after;
};
