#include "lab/LabOptions.h"

#include "common/OptionHelp.h"
#include "common/OptionReader.h"
#include "lab/VideoRecorder.h"

#include <climits>
#include <set>
#include <vector>

namespace {

// The options that choose the world; sylvara-sim's reader reads them.
const std::set<std::string> WORLD_OPTIONS = {"--size",  "--genesis", "--seed", "--load",
                                             "--rules", "--set",     "--keep"};

// Read as sylvara-sim reads its own options.
const OptionReader READER(OptionReader::Sign::Allowed, OptionReader::Strays::Named);

// The lab's own options; the flags among them take no value.
const std::set<std::string> LAB_OPTIONS = {"--ahead",  "--commands", "--log",
                                           "--window", "--record",   "--record-fps"};
const std::set<std::string> LAB_FLAGS = {"--panels", "--record-clean"};

// "WIDTHxHEIGHT" within what a screen holds.
bool readWindow(const std::string& text, int& width, int& height, std::string& error) {
    const size_t cross = text.find('x');
    long long wide = 0;
    long long high = 0;
    std::string ignored;
    if (cross == std::string::npos ||
        !READER.readNumber("--window", text.substr(0, cross), 320, 8192, wide, ignored) ||
        !READER.readNumber("--window", text.substr(cross + 1), 240, 8192, high, ignored)) {
        error = "--window takes WIDTHxHEIGHT, from 320x240 to 8192x8192, not \"" + text + "\"";
        return false;
    }
    width = static_cast<int>(wide);
    height = static_cast<int>(high);
    return true;
}

} // namespace

SimulationOptions::Outcome LabOptions::parse(int argc, const char* const* argv, int size, LabOptions& options,
                                             std::string& error) {
    using Outcome = SimulationOptions::Outcome;
    std::vector<std::string> forwarded = {"sylvara-lab"};
    bool loading = false;
    std::set<std::string> given;
    options.arguments.assign(argv + 1, argv + argc);
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-h" || word == "--help")
            return Outcome::Help;
        if (word == "--version")
            return Outcome::Version;
        std::string option;
        std::string value;
        if (LAB_FLAGS.count(word)) {
            option = word;
        } else {
            const auto isKnown = [](const std::string& name) {
                return LAB_OPTIONS.count(name) || WORLD_OPTIONS.count(name);
            };
            if (!READER.readOption(argc, argv, i, isKnown, option, value, error))
                return Outcome::Error;
        }
        loading = loading || option == "--load";
        // Its own options once; the world's, repeats too, are judged as sylvara-sim judges them.
        const bool own = LAB_OPTIONS.count(option) || LAB_FLAGS.count(option);
        if (own && given.count(option)) {
            error = option + " is given twice";
            return Outcome::Error;
        }
        given.insert(option);
        if (option == "--ahead" && !READER.readCount(option, value, 0, INT_MAX, options.ahead, error))
            return Outcome::Error;
        if (option == "--window" && !readWindow(value, options.width, options.height, error))
            return Outcome::Error;
        if (option == "--record-fps" && !READER.readCount(option, value, VideoRecorder::MIN_FPS,
                                                          VideoRecorder::MAX_FPS, options.recordFps, error))
            return Outcome::Error;
        if (option == "--record") {
            if (value.empty() || value.find('\n') != std::string::npos) {
                error = "--record needs a file name on one line";
                return Outcome::Error;
            }
            options.recordFile = value;
        }
        options.panels = options.panels || option == "--panels";
        options.recordClean = options.recordClean || option == "--record-clean";
        if (option == "--commands")
            options.commandsFile = value;
        if (option == "--log")
            options.logFile = value;
        if ((option == "--commands" || option == "--log") && value.empty()) {
            error = option + " needs a file name";
            return Outcome::Error;
        }
        if (WORLD_OPTIONS.count(option) != 0)
            forwarded.insert(forwarded.end(), {option, value});
    }
    if ((given.count("--record-fps") || given.count("--record-clean")) && !given.count("--record")) {
        error = std::string(given.count("--record-fps") ? "--record-fps" : "--record-clean") +
                " needs --record FILE";
        return Outcome::Error;
    }
    // A new world is the sandbox's unless the command line says otherwise.
    if (!loading && !given.count("--size"))
        forwarded.insert(forwarded.begin() + 1, {"--size", std::to_string(size)});
    if (!loading && !given.count("--genesis"))
        forwarded.insert(forwarded.begin() + 1, {"--genesis", "none"});
    std::vector<const char*> words;
    for (const std::string& word : forwarded)
        words.push_back(word.c_str());
    return SimulationOptions::parse(static_cast<int>(words.size()), words.data(), options.world, error);
}

std::string LabOptions::usage(const std::string& program) {
    return OptionHelp(
               21, program, "[options]",
               "Opens Sylvara's sandbox window on a world of your choice, at any speed, with a live chart\n"
               "of its populations; it saves the world on a key, in the folder it is started in. Return "
               "opens\n"
               "a console that takes the commands of sylvara-commands(5).")
        .size("default: the settings file's size")
        .genesis("default none")
        .seed()
        .option("--load FILE", {"open a saved world instead of a new one (not with --size or --genesis)"})
        .option("--rules FILE", {"the rules, from a TOML file (sylvara-sim --rules-list names them)"})
        .option("--set NAME=VALUE", {"set one rule, over the file; repeat it for other rules"})
        .option("--keep KIND=N",
                {"keep at least N herbivores, carnivores or plants alive by making new ones"})
        .option("--ahead TICKS", {"run the world this many ticks without a window first (default 0)"})
        .option("--window WxH", {"the window's size in pixels (default 800x600)"})
        .option("--panels", {"open with the panels shown (F1 shows and hides them)"})
        .option("--record FILE",
                {"write the window to an H.264 video in MP4 from the first frame to the end"})
        .option("--record-fps N", {"the video's frames a second, 1 to 120 (default 30)"})
        .option("--record-clean", {"leave the panels out of the video"})
        .option("--commands FILE", {"carry out a command file on the window, each command at its tick;",
                                    "- reads the commands from standard input as they come"})
        .option("--log FILE", {"write every action carried out (keys, mouse, console, file) as a command",
                               "file that sylvara-sim --commands replays with the same world options"})
        .help()
        .text("\nBad options and files that cannot be loaded exit with 2 before the window opens.\n")
        .str();
}
