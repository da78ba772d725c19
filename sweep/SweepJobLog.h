#pragma once

#include <map>
#include <string>
#include <vector>

// GNU parallel's job log, one line per job run: sequence number, host, start, run time, bytes
// sent and received, exit value, signal and command. A job run again after a failure gets a
// second line; its last line tells how it ended.
class SweepJobLog {
public:
    struct Entry {
        int sequence = 0;
        std::string host;
        double runtime = 0.0;
        int exitValue = 0;
        int signal = 0;
        std::string command;
        bool succeeded() const { return exitValue == 0 && signal == 0; }
    };

    // A missing or unreadable file is an empty log: nothing has run yet.
    static SweepJobLog read(const std::string& path);

    int entries() const { return static_cast<int>(all.size()); }
    // Whether the job has a line at all.
    bool ran(int sequence) const { return latest.count(sequence) != 0; }
    // How many times the job has been run.
    int runsOf(int sequence) const;
    // Jobs whose last run succeeded.
    int finished() const;
    // The last run of each job that failed, by sequence number.
    std::vector<Entry> failed() const;
    bool succeeded(int sequence) const;

private:
    std::vector<Entry> all;
    std::map<int, Entry> latest;
};
