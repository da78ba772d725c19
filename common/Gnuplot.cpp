#include "common/Gnuplot.h"

#include "common/OutputFiles.h"
#include "common/WholeFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

const char* const Gnuplot::KIND_COLOURS[3] = {"#2a62b8", "#c0302c", "#2e9a3a"};

namespace {

// The script, in a file of our own naming that is gone when the plot is.
class TemporaryFile {
public:
    TemporaryFile() {
        const char* folder = std::getenv("TMPDIR");
        path = std::string(folder && *folder ? folder : "/tmp") + "/sylvara-plot-XXXXXX";
        descriptor = mkstemp(path.data());
    }
    ~TemporaryFile() {
        if (descriptor >= 0) {
            ::close(descriptor);
            ::unlink(path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool write(const std::string& text) const {
        return descriptor >= 0 && ::write(descriptor, text.data(), text.size()) == ssize_t(text.size());
    }
    const std::string& getPath() const { return path; }

private:
    std::string path;
    int descriptor = -1;
};

// Runs a program with nothing on its input and its output and errors discarded; its exit code, or
// -1 when it could not start or was killed.
int runQuietly(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& word : arguments)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t child = 0;
    const bool started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (!started || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// Only the quote itself needs doubling; a line break would end the command, so none gets through.
std::string Gnuplot::quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += static_cast<unsigned char>(c) < ' ' ? ' ' : c;
    }
    return out + "'";
}

std::string Gnuplot::pngPreamble(int width, int height) {
    const std::string size = std::to_string(width) + "," + std::to_string(height);
    return "if (strstrt(GPVAL_TERMINALS, 'pngcairo') > 0) {\n"
           "  set terminal pngcairo size " +
           size +
           " noenhanced font 'Sans,10'\n"
           "} else {\n"
           "  set terminal png size " +
           size +
           " noenhanced\n"
           "}\n"
           "set output ARG2\n"
           "set datafile separator ','\n";
}

std::string Gnuplot::findGnuplot() {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/gnuplot";
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

Gnuplot::Result Gnuplot::run(const std::string& text, const std::string& dataFile, const std::string& pngFile,
                             const std::string& title) {
    std::string error;
    return run(text, dataFile, pngFile, title, error);
}

Gnuplot::Result Gnuplot::run(const std::string& text, const std::string& dataFile, const std::string& pngFile,
                             const std::string& title, std::string& error) {
    error.clear();
    const std::string gnuplot = findGnuplot();
    if (gnuplot.empty())
        return Result::NoGnuplot;
    TemporaryFile scriptFile;
    if (!scriptFile.write(text))
        return Result::Failed;
    WholeFile png(pngFile);
    if (!png.open(error))
        return Result::Failed;
    // gnuplot takes a name beginning with '<' for a command to run, '|' for a pipe, '-' for its input
    // and '+' for a pseudo-file; an absolute path is never any of those.
    const std::vector<std::string> arguments{gnuplot,
                                             "-c",
                                             scriptFile.getPath(),
                                             std::filesystem::absolute(dataFile).string(),
                                             std::filesystem::absolute(png.getTemporary()).string(),
                                             title};
    if (runQuietly(arguments) != 0)
        return Result::Failed;
    // gnuplot ends well even when the disk took only part of the picture.
    if (!WholeFile::isWholePng(png.getTemporary())) {
        error = "cannot write " + OutputFiles::printable(pngFile) +
                ": the picture came out cut short (is the disk full?)";
        return Result::Failed;
    }
    return png.commit(error) ? Result::Drawn : Result::Failed;
}
