#include "lab/LabLog.h"

#include "common/CommandFile.h"
#include "common/OutputFiles.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

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
    // Unbuffered: a line that fails leaves nothing behind to be written later, past the cut.
    std::setvbuf(out, nullptr, _IONBF, 0);
    put(heading);
    if (!out) {
        error = "cannot write the log " + OutputFiles::printable(file);
        return false;
    }
    return true;
}

std::string LabLog::line(long tick, const Command& command) {
    const std::string text = "@" + std::to_string(tick) + " " + command.action();
    if (command.name == Command::Name::Load && !command.digest.empty())
        return text + CommandFile::digestComment(command.digest);
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
    if (written) {
        whole += static_cast<long>(text.size());
        return;
    }
    const int reason = errno;
    // A line cut short could read back as another command: the log ends with its last whole line.
    if (ftruncate(fileno(out), whole) != 0)
        std::fprintf(stderr, "sylvara-lab: the log's last line may be cut short\n");
    std::fprintf(stderr, "sylvara-lab: the log %s cannot be written (%s): it stops here\n",
                 OutputFiles::printable(name).c_str(), reason ? std::strerror(reason) : "write error");
    std::fclose(out);
    out = nullptr;
}
