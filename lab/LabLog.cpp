#include "lab/LabLog.h"

#include "common/OutputFiles.h"

#include <cerrno>
#include <cstring>

LabLog::~LabLog() {
    if (out)
        std::fclose(out);
}

bool LabLog::open(const std::string& file, const std::string& heading, std::string& error) {
    name = file;
    errno = 0;
    out = std::fopen(file.c_str(), "w");
    if (!out) {
        error = "cannot write the log " + OutputFiles::printable(file) + ": " + std::strerror(errno);
        return false;
    }
    put(heading);
    if (!out) {
        error = "cannot write the log " + OutputFiles::printable(file);
        return false;
    }
    return true;
}

std::string LabLog::line(long tick, const Command& command) {
    const std::string text = "@" + std::to_string(tick) + " " + command.action();
    return command.windowOnly() ? "# " + text : text;
}

void LabLog::write(long tick, const Command& command) {
    put(line(tick, command) + "\n");
}

void LabLog::note(const std::string& text) {
    put("# " + text + "\n");
}

void LabLog::put(const std::string& text) {
    if (!out)
        return;
    errno = 0;
    const bool written = std::fputs(text.c_str(), out) >= 0 && std::fflush(out) == 0;
    if (written)
        return;
    const int reason = errno;
    std::fprintf(stderr, "sylvara-lab: the log %s cannot be written (%s): it stops here\n",
                 OutputFiles::printable(name).c_str(), reason ? std::strerror(reason) : "write error");
    std::fclose(out);
    out = nullptr;
}
