// The real program on a copy of the run tree with one asset taken away: it must
// say which file it could not read, open its window, run, and end with Escape
// and exit code 0.
#include "ProgramSession.h"
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The program and its assets, copied so that one can go missing.
class RunTreeCopy {
public:
    RunTreeCopy() {
        std::string pattern = (fs::temp_directory_path() / "sylvara-bad-assets-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no scratch folder");
        root = pattern;
        const fs::path stage = ProgramSession::stageDir();
        for (const char* folder : {"data", "models", "sounds"})
            fs::copy(stage / folder, root / folder, fs::copy_options::recursive);
        fs::create_directory(root / "bin");
        fs::copy_file(stage / "bin/sylvara", root / "bin/sylvara");
    }
    ~RunTreeCopy() { fs::remove_all(root); }
    fs::path operator/(const std::string& relative) const { return root / relative; }

private:
    fs::path root;
};

// Starts Sylvara without the file; returns what it printed once it has ended.
std::string runWithout(const std::string& file, const std::string& line, const std::string& shotName) {
    RunTreeCopy tree;
    EXPECT_TRUE(fs::remove(tree / file)) << file;
    ProgramSession session;
    session.setWorkingDirectory((tree / "bin").string());
    EXPECT_TRUE(session.start());
    EXPECT_TRUE(session.waitForOutput(line, 60)) << session.output();
    EXPECT_TRUE(session.waitForWindow(60)) << session.output();
    // Animals, plants and a tile full of them, whatever they look like now.
    session.moveTo(400, 300);
    for (const char* key : {"w", "e", "r", "g", "m"})
        session.key(key);
    ProgramSession::pause(2.0);
    const Screenshot shot(session.screenshot(shotName));
    EXPECT_TRUE(shot.valid());
    // The title band still carries text, in whichever font.
    EXPECT_GT(shot.darkShare(20, 20, 500, 45, 0.4f), 0.005) << shotName;
    EXPECT_TRUE(session.running()) << session.output();
    EXPECT_EQ(session.endWithEscape(), 0) << session.output();
    return session.output();
}

} // namespace

TEST(BadAssets, WithoutTheFontItSaysSoAndRuns) {
    const std::string out =
        runWithout("data/arial.ttf", "Warning: could not read the font ../data/arial.ttf", "no-font");
    EXPECT_EQ(out.find("EXCEPTION"), std::string::npos) << out;
}

TEST(BadAssets, WithoutTheGroundTileItSaysSoAndRuns) {
    const std::string out =
        runWithout("models/groundtile.osg", "Warning: could not read ../models/groundtile.osg", "no-ground");
    EXPECT_EQ(out.find("EXCEPTION"), std::string::npos) << out;
}

TEST(BadAssets, WithoutTheAnimalSkeletonItSaysSoAndRuns) {
    const std::string out =
        runWithout("models/animal.xsf", "Cal3D: cannot load skeleton ../models/animal.xsf", "no-skeleton");
    EXPECT_EQ(out.find("EXCEPTION"), std::string::npos) << out;
}

TEST(BadAssets, WithoutTheWalkAnimationItSaysSoAndRuns) {
    const std::string out = runWithout("models/animal_Walk.xaf",
                                       "Cal3D: cannot load animation ../models/animal_Walk.xaf", "no-walk");
    EXPECT_EQ(out.find("EXCEPTION"), std::string::npos) << out;
}

TEST(BadAssets, WithoutAFarShapeItSaysSoAndDrawsTheFarStemsInFull) {
    const std::string out = runWithout(
        "models/stem_far.osg", "Warning: could not read ../models/stem_far.osg; far ones are drawn in full.",
        "no-far-stem");
    EXPECT_EQ(out.find("EXCEPTION"), std::string::npos) << out;
}
