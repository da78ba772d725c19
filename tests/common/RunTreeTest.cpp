// Where the tools find their art: beside themselves in a build, else in the installed tree.
#include "common/RunTree.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// A tree as the build or the install lays it out: models/bloom.xsf and a data folder.
void makeTree(const fs::path& tree) {
    fs::create_directories(tree / "models");
    fs::create_directories(tree / "data");
    std::ofstream(tree / "models" / "bloom.xsf") << "art";
}

} // namespace

TEST(RunTree, TheRunTreeBesideTheProgramComesBeforeTheInstalledOne) {
    ScratchFolder scratch("runtree-order");
    const fs::path stage = scratch.folder / "stage", installed = scratch.folder / "usr/share/sylvara";
    fs::create_directories(stage / "bin");
    makeTree(stage);
    makeTree(installed);
    // The stage's own bin, as stage/bin/sylvara-sim runs today.
    EXPECT_EQ(RunTree::workFolder((stage / "bin").string(), {installed.string()}), (stage / "bin").string());

    // Installed: nothing beside /usr/bin, so the tree's data folder, whose ../models is the art.
    const fs::path bin = scratch.folder / "usr/bin";
    fs::create_directories(bin);
    EXPECT_EQ(RunTree::workFolder(bin.string(), {installed.string()}), (installed / "data").string());
}

TEST(RunTree, AnInstalledTreeWithoutItsArtIsPassedOver) {
    ScratchFolder scratch("runtree-missing");
    const fs::path bin = scratch.folder / "bin", empty = scratch.folder / "empty",
                   full = scratch.folder / "full";
    fs::create_directories(bin);
    fs::create_directories(empty / "data");
    makeTree(full);
    EXPECT_EQ(RunTree::workFolder(bin.string(), {empty.string(), full.string()}), (full / "data").string());
    // None anywhere: the program's own folder, so the runner's check names the missing art.
    EXPECT_EQ(RunTree::workFolder(bin.string(), {empty.string()}), bin.string());
}

TEST(RunTree, TheInstalledTreeIsFoundFromWhereTheProgramsWereInstalled) {
    // A prefix moved after the install still finds its tree: first beside the program's folder.
    const std::vector<std::string> trees = RunTree::installedTrees("/opt/x/bin");
    ASSERT_EQ(trees.size(), 2u);
    EXPECT_EQ(fs::path(trees[0]).lexically_normal(), fs::path("/opt/x/share/sylvara"));
    EXPECT_EQ(fs::path(trees[1]).filename(), "sylvara");
}

TEST(RunTree, EnteringKeepsTheStartFolderForTheUsersFiles) {
    const fs::path before = fs::current_path();
    std::string start, error;
    ASSERT_TRUE(RunTree::enter(start, error)) << error;
    EXPECT_EQ(start, before.string());
    EXPECT_EQ(fs::current_path().string(), RunTree::workFolder());
    EXPECT_EQ(RunTree::fromStart(start, "a.csv"), start + "/a.csv");
    EXPECT_EQ(RunTree::fromStart(start, "/abs/a.csv"), "/abs/a.csv");
    fs::current_path(before);
}
