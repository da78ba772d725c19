#pragma once

#include <string>

// The SHA-256 of a file's or a text's bytes, as 64 lowercase hex digits: what a log records of a world it
// loaded, so a replay can tell the same file from one changed since.
class Sha256 {
public:
    static std::string of(const std::string& bytes);
    // False, with the reason, when the file cannot be read whole (missing, a folder, a FIFO, a device).
    static bool ofFile(const std::string& path, std::string& digest, std::string& error);
    // Why the file is not the one whose digest is given, in words naming it; empty when it is, when no
    // digest is given, or when it cannot be read (which reading it as a world says better).
    static std::string changed(const std::string& file, const std::string& digest);
    // The same words for a digest the file was found to have now, against the one it should have.
    static std::string mismatch(const std::string& file, const std::string& now, const std::string& digest);
};
