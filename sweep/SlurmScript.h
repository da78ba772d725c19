#pragma once

#include <string>

// A Slurm job array that runs a sweep's job list, one array task per line.
class SlurmScript {
public:
    static std::string text(const std::string& jobListFile, int jobs, const std::string& logFolder);
};
