#include "sim/RunRecord.h"

#include "SylvaraCommit.h"
#include "common/BoardSize.h"
#include "common/CommandFile.h"
#include "common/ContentHash.h"
#include "common/GenesisOption.h"
#include "common/OrganismKind.h"
#include "common/OutputFiles.h"
#include "common/RuleCombination.h"
#include "common/RuleTable.h"
#include "common/RulesDigest.h"
#include "common/RulesFile.h"
#include "common/TextFile.h"
#include "sim/SimulationOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <unistd.h>

namespace {

// The length of the valid UTF-8 sequence at i, or 0.
size_t utf8Length(const std::string& text, size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
            return 0;
    return length;
}

// A TOML basic string. TOML holds only UTF-8: a byte that is not (a name in another encoding) becomes
// U+FFFD, so the record still reads, and a rerun that needs that name says it is gone.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = utf8Length(text, i);
        if (length == 0) {
            out += "\\uFFFD";
            i += 1;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out + "\"";
}

std::string quotedList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + quoted(items[i]);
    return out + "]";
}

std::string decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string shortest(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    std::string out = text;
    // TOML tells a float from an integer by its point.
    return out.find_first_of(".eE") == std::string::npos ? out + ".0" : out;
}

// The typed look-ups of a record's reading; each failure names the key.
struct Reader {
    const std::map<std::string, TomlEntry>& entries;
    std::string& error;

    const TomlEntry* find(const std::string& key, TomlEntry::Kind kind, const char* what) {
        const auto at = entries.find(key);
        if (at == entries.end()) {
            error = "it has no " + key;
            return nullptr;
        }
        const bool number = kind == TomlEntry::Kind::Float && at->second.kind == TomlEntry::Kind::Integer;
        if (at->second.kind != kind && !number) {
            error = key + " is not " + what;
            return nullptr;
        }
        return &at->second;
    }
    bool text(const std::string& key, std::string& value) {
        const TomlEntry* entry = find(key, TomlEntry::Kind::String, "text");
        if (entry)
            value = entry->text;
        return entry;
    }
    bool flag(const std::string& key, bool& value) {
        const TomlEntry* entry = find(key, TomlEntry::Kind::Boolean, "true or false");
        if (entry)
            value = entry->flag;
        return entry;
    }
    bool number(const std::string& key, double& value) {
        const TomlEntry* entry = find(key, TomlEntry::Kind::Float, "a number");
        if (entry)
            value = entry->number;
        return entry;
    }
    template <typename T> bool whole(const std::string& key, long long low, long long high, T& value) {
        const TomlEntry* entry = find(key, TomlEntry::Kind::Integer, "a whole number");
        if (entry && (entry->integer < low || entry->integer > high)) {
            error = key + " = " + std::to_string(entry->integer) + " is out of range";
            return false;
        }
        if (entry)
            value = static_cast<T>(entry->integer);
        return entry;
    }
    bool texts(const std::string& key, std::vector<std::string>& value) {
        const TomlEntry* entry = find(key, TomlEntry::Kind::Strings, "a list of texts");
        if (entry)
            value = entry->strings;
        return entry;
    }
};

} // namespace

std::string RunRecord::sourceCommit() {
    return SYLVARA_COMMIT;
}

std::string RunRecord::genesisOf(const SimulationOptions& options) {
    if (options.genesis == SimulationOptions::Genesis::All)
        return "all";
    if (options.genesis == SimulationOptions::Genesis::None)
        return "none";
    std::string text;
    for (const auto& [column, row] : options.genesisTiles)
        text += (text.empty() ? "" : ";") + std::to_string(column) + "," + std::to_string(row);
    return text;
}

std::string RunRecord::pathFor(const std::string& csvFile) {
    const std::string ending = ".csv";
    if (csvFile.size() > ending.size() &&
        csvFile.compare(csvFile.size() - ending.size(), ending.size(), ending) == 0 &&
        csvFile[csvFile.size() - ending.size() - 1] != '/')
        return csvFile.substr(0, csvFile.size() - ending.size()) + ".toml";
    return csvFile + ".toml";
}

std::string RunRecord::text() const {
    std::string t = "# What made a run of sylvara-sim. Run it again with:\n"
                    "#   sylvara-sim --rerun THIS_FILE --csv NEW.csv\n";
    t += "\n[sylvara]\nversion = " + quoted(version) + "\ncommit = " + quoted(commit) + "\n";
    t += "\n[run]\ncommand = " + quotedList(command) + "\nfolder = " + quoted(folder) + "\n";
    if (!rerunOf.empty())
        t += "rerun_of = " + quoted(rerunOf) + "\n";
    t += "size = " + std::to_string(size) + "\ngenesis = " + quoted(genesis) +
         "\nseed = " + std::to_string(seed) + "\nseed_given = " + (seedGiven ? "true" : "false") +
         "\nrepeatable = " + (repeatable ? "true" : "false") + "\n";
    if (!repeatable)
        t += "# The seed was drawn from the clock (no --seed): this run cannot be repeated.\n";
    t += "ticks = " + std::to_string(ticks) + "\ninterval = " + std::to_string(interval) +
         "\nfirst_tick = " + std::to_string(firstTick) + "\nlast_tick = " + std::to_string(lastTick) +
         "\nphylogeny_extant = " + (phylogenyExtant ? "true" : "false") +
         "\nmuller_share = " + shortest(mullerShare) + "\nwall_seconds = " + decimal(wallSeconds) + "\n";
    if (!loadFile.empty())
        t += "\n[loaded]\nfile = " + quoted(loadFile) + "\ntick = " + std::to_string(loadTick) +
             "\nfnv1a64 = " + quoted(loadHash) + "\n";
    t += "\n[rules]\ngiven = " + quoted(RulesDigest::brief(rulesFile, ruleSettings)) +
         "\nfile = " + quoted(rulesFile) + "\nset = " + quotedList(ruleSettings) +
         "\nfingerprint = " + quoted(RulesDigest::fingerprint(rules)) + "\n";
    if (!rulesChange.empty())
        t += "changed_on_load = " + quoted(rulesChange) + "\nchanged_at_tick = " + std::to_string(loadTick) +
             "\n";
    t += "\n# Every rule in force" +
         std::string(loadFile.empty() ? " at the first tick" : " from the loaded tick") +
         ", whatever gave it.\n[rules.in_force]\n" + RulesDigest::toml(rules);
    t += "\n[rescue]\n";
    for (int k = 0; k < 3; ++k)
        t += OrganismKind::plural(static_cast<OrganismKind::Value>(k)) + " = " + std::to_string(floors[k]) +
             "\n";
    for (int k = 0; k < 3; ++k)
        t += OrganismKind::plural(static_cast<OrganismKind::Value>(k)) +
             "_inserted = " + std::to_string(inserted[k]) + "\n";
    if (!commandsFile.empty())
        t += "\n# The commands as they were read; a rerun carries them out again, its saves aside.\n"
             "[commands]\nfile = " +
             quoted(commandsFile) + "\nlines = " + quotedList(commandLines) +
             "\ncarried_out = " + std::to_string(commandsCarriedOut) + "\n";
    t += "\n[outputs]\n";
    std::map<std::string, std::vector<std::string>> byOption;
    for (const auto& [option, file] : outputs) {
        // "--save-every" is the key save_every.
        std::string key = option.substr(option.find_first_not_of('-'));
        for (char& c : key)
            c = c == '-' ? '_' : c;
        byOption[key].push_back(file);
    }
    for (const auto& [name, files] : byOption)
        t += name + " = " + quotedList(files) + "\n";
    return t;
}

bool RunRecord::write(const std::string& path, std::string& error) const {
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file) {
        error = "cannot write the run record " + OutputFiles::printable(path) + ": " + std::strerror(errno);
        return false;
    }
    const std::string body = text();
    errno = 0;
    bool written = std::fwrite(body.data(), 1, body.size(), file) == body.size() && std::fflush(file) == 0 &&
                   fsync(fileno(file)) == 0;
    const int failure = errno != 0 ? errno : EIO;
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int reason = written ? errno : failure;
        std::remove(temporary.c_str());
        error = "cannot write the run record " + OutputFiles::printable(path) + ": " + std::strerror(reason);
        return false;
    }
    return true;
}

bool RunRecord::read(const std::string& path, RunRecord& record, std::string& error) {
    const std::string name = OutputFiles::printable(path);
    std::string text;
    if (!TextFile::read(path, "run record", text, error)) {
        // Named as every message names a file: on one line.
        error = name + error.substr(path.size());
        return false;
    }
    std::map<std::string, TomlEntry> entries;
    if (!RulesFile::readEntries(text, name, entries, error))
        return false;
    RunRecord r;
    Reader in{entries, error};
    const bool read =
        in.text("sylvara.version", r.version) && in.text("sylvara.commit", r.commit) &&
        in.texts("run.command", r.command) && in.text("run.folder", r.folder) &&
        in.whole("run.size", 1, BoardSize::MAX_TILES_PER_SIDE, r.size) && in.text("run.genesis", r.genesis) &&
        in.whole("run.seed", 0, 0xffffffffll, r.seed) && in.flag("run.seed_given", r.seedGiven) &&
        in.flag("run.repeatable", r.repeatable) && in.whole("run.ticks", 0, 0x7fffffffll, r.ticks) &&
        in.whole("run.interval", 1, 0x7fffffffll, r.interval) &&
        in.whole("run.first_tick", 0, 1ll << 62, r.firstTick) &&
        in.whole("run.last_tick", 0, 1ll << 62, r.lastTick) &&
        in.flag("run.phylogeny_extant", r.phylogenyExtant) && in.number("run.muller_share", r.mullerShare) &&
        in.text("rules.file", r.rulesFile) && in.texts("rules.set", r.ruleSettings) &&
        (!entries.count("commands.file") ||
         (in.text("commands.file", r.commandsFile) && in.texts("commands.lines", r.commandLines))) &&
        (!entries.count("loaded.file") ||
         (in.text("loaded.file", r.loadFile) && in.whole("loaded.tick", 0, 1ll << 62, r.loadTick) &&
          in.text("loaded.fnv1a64", r.loadHash)));
    for (int k = 0; read && k < 3; ++k)
        if (!in.whole("rescue." + OrganismKind::plural(static_cast<OrganismKind::Value>(k)), 0, 100000,
                      r.floors[k]) ||
            !in.whole("rescue." + OrganismKind::plural(static_cast<OrganismKind::Value>(k)) + "_inserted", 0,
                      1ll << 62, r.inserted[k])) {
            error = name + ": not a run record of sylvara-sim: " + error;
            return false;
        }
    if (!read) {
        error = name + ": not a run record of sylvara-sim: " + error;
        return false;
    }
    if (!(r.mullerShare > 0.0 && r.mullerShare <= 100.0)) {
        error = name + ": run.muller_share is not a percentage above 0 and at most 100";
        return false;
    }
    // Every rule, so that a rule added to Sylvara later is never silently taken at its default.
    const std::string prefix = "rules.in_force.";
    for (const RuleTable::Field& field : RuleTable::fields()) {
        const auto at = entries.find(prefix + field.name);
        if (at == entries.end() ||
            (at->second.kind != TomlEntry::Kind::Float && at->second.kind != TomlEntry::Kind::Integer)) {
            error = name + ": the record gives no number for the rule " + field.name;
            return false;
        }
        if (!RulesDigest::restore(r.rules, field.name, at->second.number, error)) {
            error = name + ":" + std::to_string(at->second.line) + ": " + error;
            return false;
        }
    }
    for (const auto& [key, entry] : entries)
        if (key.rfind(prefix, 0) == 0 && !RuleTable::find(key.substr(prefix.size()))) {
            error = name + ":" + std::to_string(entry.line) + ": the rule " + key.substr(prefix.size()) +
                    " is not one of this Sylvara's: it cannot run this run again";
            return false;
        }
    for (const auto& [key, entry] : entries) {
        if (key.rfind("outputs.", 0) != 0)
            continue;
        std::string option = "--" + key.substr(8);
        for (char& c : option)
            c = c == '_' ? '-' : c;
        for (const std::string& file : entry.strings)
            r.outputs.push_back({option, file});
    }
    record = r;
    return true;
}

bool RunRecord::rerun(SimulationOptions& options, std::string& error) const {
    if (!repeatable) {
        error = "the recorded run drew its seed from the clock (it had no --seed): it cannot be repeated";
        return false;
    }
    if (!loadFile.empty()) {
        std::uint64_t hash = 0;
        std::string reason;
        if (!ContentHash::ofFile(loadFile, hash, reason)) {
            error = "the recorded run loaded " + OutputFiles::printable(loadFile) +
                    ", which cannot be read now (" + reason + ")";
            return false;
        }
        if (ContentHash::hex(hash) != loadHash) {
            error = "the recorded run loaded " + OutputFiles::printable(loadFile) +
                    ", which has changed since (its content hash is " + ContentHash::hex(hash) + ", not " +
                    loadHash + ")";
            return false;
        }
    } else if (!GenesisOption::read(genesis, options.genesis, options.genesisTiles, error) ||
               !GenesisOption::fitsBoard(options.genesisTiles, size, error)) {
        error = "the record's genesis: " + error;
        return false;
    }
    // A record edited by hand could hold rules under which a tick never ends.
    const std::string clash = RuleCombination::check(rules);
    if (!clash.empty()) {
        error = "the record's rules: " + clash;
        return false;
    }
    options.size = size;
    options.loadFile = loadFile;
    options.seeded = true;
    options.seed = seed;
    options.ticks = ticks;
    options.interval = interval;
    options.phylogenyExtant = phylogenyExtant;
    options.mullerShare = mullerShare / 100.0;
    options.rulesFile = rulesFile;
    options.ruleSettings = ruleSettings;
    options.rules = rules;
    options.keep = floors;
    options.fromRecord = true;
    return rerunCommands(options, error);
}

bool RunRecord::rerunCommands(SimulationOptions& options, std::string& error) const {
    if (commandsFile.empty())
        return true;
    std::string text;
    for (const std::string& line : commandLines)
        text += line + "\n";
    const size_t slash = commandsFile.rfind('/');
    std::vector<Command> commands;
    if (!CommandFile::readText(text, commandsFile, commands, error,
                               slash == std::string::npos ? "" : commandsFile.substr(0, slash))) {
        error = "the record's commands: " + error;
        return false;
    }
    // The recorded run's saves are its own files: a save changes nothing in the world, so the rerun
    // leaves them out and keeps the census exact.
    commands.erase(std::remove_if(commands.begin(), commands.end(),
                                  [](const Command& c) { return c.name == Command::Name::Save; }),
                   commands.end());
    options.commandsFile = commandsFile;
    options.commands = commands;
    return true;
}
