#include "sweep/SweepJobLog.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

SweepJobLog SweepJobLog::read(const std::string& path) {
    SweepJobLog log;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; cells.size() < 8 && std::getline(fields, cell, '\t');)
            cells.push_back(cell);
        std::string command;
        std::getline(fields, command);
        // A line cut short by a kill is no finished job.
        if (cells.size() < 8 || command.empty())
            continue;
        Entry entry;
        entry.sequence = std::atoi(cells[0].c_str());
        entry.host = cells[1];
        entry.runtime = std::atof(cells[3].c_str());
        entry.exitValue = std::atoi(cells[6].c_str());
        entry.signal = std::atoi(cells[7].c_str());
        entry.command = command;
        log.all.push_back(entry);
        log.latest[entry.sequence] = entry;
    }
    return log;
}

int SweepJobLog::runsOf(int sequence) const {
    int runs = 0;
    for (const Entry& entry : all)
        runs += entry.sequence == sequence;
    return runs;
}

int SweepJobLog::finished() const {
    int count = 0;
    for (const auto& job : latest)
        count += job.second.succeeded();
    return count;
}

std::vector<SweepJobLog::Entry> SweepJobLog::failed() const {
    std::vector<Entry> result;
    for (const auto& job : latest)
        if (!job.second.succeeded())
            result.push_back(job.second);
    return result;
}

bool SweepJobLog::succeeded(int sequence) const {
    const auto job = latest.find(sequence);
    return job != latest.end() && job->second.succeeded();
}
