// A sweep names each configuration's rules by content, and will not go on in a folder whose jobs began
// under other rules than those it is given now.
#include "ScratchFolder.h"

#include "common/RulesDigest.h"
#include "common/RulesFile.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepPlan.h"
#include "sweep/SweepReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace {

SweepOptions sweepOptions(const ScratchFolder& scratch) {
    const std::string out = scratch.file("sweep");
    const std::string rules = scratch.file("my.toml");
    std::vector<const char*> argv{
        "sylvara-sweep",     "--out", out.c_str(),        "--rules", rules.c_str(), "--set",
        "mutation.step=2,3", "--set", "plant.growAt=0.7", "--seeds", "1-2"};
    SweepOptions options;
    std::string error;
    EXPECT_EQ(SweepOptions::parse(static_cast<int>(argv.size()), argv.data(), options, error),
              SweepOptions::Outcome::Run)
        << error;
    return options;
}

} // namespace

TEST(SweepRules, EachConfigurationIsNamedByTheFingerprintOfEveryRuleItsJobsRunUnder) {
    ScratchFolder scratch{"sylvara-sweep-rules"};
    std::ofstream(scratch.file("my.toml")) << "[mutation]\nchance = 30\n";
    const SweepOptions options = sweepOptions(scratch);
    const SweepPlan plan(options, scratch.file("sweep"), "/bin");
    ASSERT_EQ(plan.getConfigurations().size(), 2u);
    for (int step : {2, 3}) {
        Rules rules;
        std::string error;
        ASSERT_TRUE(RulesFile::apply(scratch.file("my.toml"),
                                     {"mutation.step=" + std::to_string(step), "plant.growAt=0.7"}, rules,
                                     error));
        EXPECT_EQ(plan.getConfigurations()[step - 2].rulesFingerprint, RulesDigest::fingerprint(rules))
            << step;
    }
    EXPECT_EQ(plan.rulesTitle(), "rules my.toml, set plant.growAt=0.7") << "the value every job shares";

    SweepReport report(plan, scratch.file("sweep"));
    std::filesystem::create_directories(scratch.file("sweep"));
    std::ostringstream said;
    std::string error;
    ASSERT_TRUE(report.write(said, error)) << error;
    const std::vector<std::string> rows = lines(report.summaryFile());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].substr(rows[0].rfind(',') + 1), "rules_fingerprint");
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(rows[i + 1].substr(rows[i + 1].rfind(',') + 1),
                  plan.getConfigurations()[i].rulesFingerprint);
        EXPECT_NE(said.str().find(plan.getConfigurations()[i].name() + ": 0 runs, rules " +
                                  plan.getConfigurations()[i].rulesFingerprint),
                  std::string::npos)
            << said.str();
    }
}

TEST(SweepRules, ARerunUnderEditedRulesIsRefusedNamingTheFileButNotOneUnderTheSameRules) {
    ScratchFolder scratch{"sylvara-sweep-edited"};
    std::ofstream(scratch.file("my.toml")) << "[mutation]\nchance = 30\n";
    // The real program, each time a process of its own as a rerun is; --slurm stops once the folder is
    // prepared, before any job runs.
    const auto sweep = [&](const std::string& more, std::string& said) {
        const std::string command = std::filesystem::current_path().string() + "/sylvara-sweep --out '" +
                                    scratch.file("sweep") + "' --rules '" + scratch.file("my.toml") +
                                    "' --sizes 1 --ticks 50 --seeds 1-2 --set mutation.step=2,3 " + more +
                                    " 2>&1";
        return shellOutput(command, said);
    };
    std::string said;
    ASSERT_EQ(sweep("--slurm", said), 0) << said;
    const std::vector<std::string> kept = lines(scratch.file("sweep/rules.toml"));
    EXPECT_NE(std::find(kept.begin(), kept.end(), "mutation.chance = 30"), kept.end());
    // The same rules written otherwise: the jobs are the same, and the sweep goes on.
    std::ofstream(scratch.file("my.toml"), std::ios::trunc) << "# tidied\nmutation.chance = 30.0\n";
    EXPECT_EQ(sweep("--slurm", said), 0) << said;

    std::ofstream(scratch.file("my.toml"), std::ios::trunc) << "[mutation]\nchance = 31\n";
    for (const std::string more : {"--slurm", "--summarize"}) {
        EXPECT_EQ(sweep(more, said), 2) << said;
        EXPECT_EQ(said.rfind("sylvara-sweep: " + scratch.file("my.toml") + ": the rules differ", 0), 0u)
            << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
    EXPECT_EQ(lines(scratch.file("sweep/rules.toml")), kept)
        << "the folder keeps the rules its jobs began under";
}

TEST(SweepRules, EachJobKeepsARunRecordThatRunsItAgainUnderTheRulesTheSummaryNames) {
    if (std::system("command -v parallel > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed";
    ScratchFolder scratch{"sylvara-sweep-records"};
    std::ofstream(scratch.file("my.toml")) << "[mutation]\nchance = 30\n";
    const std::string bin = std::filesystem::current_path().string();
    const auto run = [&](const std::string& command, std::string& said) {
        return shellOutput(command + " 2>&1", said);
    };
    std::string said;
    ASSERT_EQ(run(bin + "/sylvara-sweep --out '" + scratch.file("sweep") + "' --rules '" +
                      scratch.file("my.toml") +
                      "' --sizes 1 --ticks 60 --interval 20 --seeds 1-2 --jobs 2 --set mutation.step=2,4",
                  said),
              0)
        << said;
    const std::vector<std::string> rows = lines(scratch.file("sweep/summary.csv"));
    ASSERT_EQ(rows.size(), 3u) << said;
    for (const std::string step : {"2", "4"}) {
        const std::string job = scratch.file("sweep/jobs/size1-all-t60-mutation.step" + step + "-seed2");
        const std::string record = job + ".toml";
        const std::vector<std::string> kept = lines(record);
        const std::string row = rows[step == "2" ? 1 : 2];
        const std::string fingerprint = row.substr(row.rfind(',') + 1);
        EXPECT_NE(std::find(kept.begin(), kept.end(), "fingerprint = \"" + fingerprint + "\""), kept.end())
            << "the summary names the rules the job's record gives\n"
            << row;
        ASSERT_EQ(run(bin + "/sylvara-sim --rerun '" + record + "' --csv '" + scratch.file("again.csv") + "'",
                      said),
                  0)
            << said;
        EXPECT_EQ(lines(scratch.file("again.csv")), lines(job + ".csv")) << step;
        std::filesystem::remove(scratch.file("again.toml"));
    }
}
