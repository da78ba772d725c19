#pragma once

#include <string>

// A file that is written whole or not at all: its text goes to a temporary name in the same folder,
// is checked and flushed to the disk, and only then renamed to the file's own name. A full disk or a
// killed program never leaves a file cut short under the name a reader trusts; a file that was there
// before stays as it was. A link is written through: the file it names is replaced, the link kept.
class WholeFile {
public:
    explicit WholeFile(const std::string& path);
    // The temporary file, if still there, goes with the object.
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Makes the temporary file (empty), for a writer of its own to fill: gnuplot, say.
    bool open(std::string& error);
    const std::string& getTemporary() const { return temporary; }
    // Flushes the temporary file to the disk and renames it to the final name.
    bool commit(std::string& error);

    // The text as the file's whole content.
    static bool write(const std::string& path, const std::string& text, std::string& error);
    // True when the file holds a whole PNG: its signature first and its end chunk last.
    static bool isWholePng(const std::string& path);

private:
    std::string path;
    std::string target;
    std::string temporary;
};
