#include "sweep/SweepReport.h"

#include "common/WholeFile.h"
#include "sweep/SweepPlot.h"

#include <ostream>
#include <sstream>
#include <utility>
#include <vector>

namespace {

// A kind kept alive by rescue is said to be, with how often and how many.
std::string rescueText(const SweepSummary& s, int group) {
    const int rescued = s.rescuedRuns(group);
    if (rescued == 0)
        return "";
    return ", rescued in " + std::to_string(rescued) + " of " + std::to_string(s.runs()) + " (" +
           std::to_string(s.inserted(group)) + " inserted)";
}

std::string extinctionText(const SweepSummary::Extinction& e, int runs) {
    if (e.diedOut == 0)
        return "alive in every run";
    const auto tick = [](double value) {
        return value == SweepSummary::ALIVE ? std::string("alive") : std::to_string(static_cast<long>(value));
    };
    return "died out in " + std::to_string(e.diedOut) + " of " + std::to_string(runs) + ", median tick " +
           tick(e.median) + " (quartiles " + tick(e.q1) + " to " + tick(e.q3) + ")";
}

} // namespace

SweepReport::SweepReport(const SweepPlan& plan, const std::string& folder)
    : plan(plan), folder(folder), summaries(plan.getConfigurations().size()),
      evolutions(plan.getConfigurations().size()) {}

std::string SweepReport::title(const SweepPlan::Configuration& c) {
    std::string text = "size " + std::to_string(c.size) + ", genesis " + c.genesis + ", " +
                       std::to_string(c.ticks) + " ticks";
    for (const SweepPlan::Configuration::RuleValue& rule : c.rules)
        if (rule.varies)
            text += ", " + rule.name + " " + rule.value;
    if (c.commandsVary)
        text += ", commands " + SweepOptions::commandsName(c.commands);
    return text;
}

void SweepReport::gather() {
    for (const SweepPlan::Job& job : plan.getJobs()) {
        SweepSummary::Run run;
        std::string error;
        if (!SweepSummary::readRun(plan.csvFile(job), run, error) ||
            run.ticks.back() != plan.getConfigurations()[job.configuration].ticks)
            continue;
        SweepSummary::readSummaryLines(plan.logFile(job), run);
        summaries[job.configuration].add(run);
        if (plan.measuresEvolution())
            evolutions[job.configuration].addRun(plan.evolutionFile(job), plan.selectionFile(job), error);
    }
}

int SweepReport::runs() const {
    int total = 0;
    for (const SweepSummary& summary : summaries)
        total += summary.runs();
    return total;
}

bool SweepReport::write(std::ostream& out, std::string& error) const {
    // Built whole, then written whole: a full disk leaves no table cut short under its name.
    std::ostringstream summary;
    std::ostringstream curves;
    // Every rule that varies gets a column of its own.
    std::vector<std::string> varying;
    if (!plan.getConfigurations().empty())
        for (const auto& rule : plan.getConfigurations().front().rules)
            if (rule.varies)
                varying.push_back(rule.name);
    summary << "configuration,size,genesis,ticks,";
    for (const std::string& name : varying)
        summary << name << ",";
    const bool commandsVary =
        !plan.getConfigurations().empty() && plan.getConfigurations().front().commandsVary;
    if (commandsVary)
        summary << "commands,";
    summary << SweepSummary::summaryHeader() << ",rules_fingerprint\n";
    curves << "configuration," << SweepSummary::curvesHeader() << "\n";
    std::vector<SweepPlot::Panel> panels;
    const char* const kinds[] = {"herbivores", "carnivores", "plants"};
    for (size_t i = 0; i < summaries.size(); ++i) {
        const SweepPlan::Configuration& c = plan.getConfigurations()[i];
        const SweepSummary& s = summaries[i];
        // The genesis may hold commas: quoted as a CSV field.
        summary << c.name() << "," << c.size << ",\"" << c.genesis << "\"," << c.ticks << ",";
        for (const auto& rule : c.rules)
            if (rule.varies)
                summary << rule.value << ",";
        if (commandsVary)
            summary << SweepOptions::commandsName(c.commands) << ",";
        summary << s.summaryRow() << "," << c.rulesFingerprint << "\n";
        for (const std::string& row : s.curvesRows())
            curves << c.name() << "," << row << "\n";
        out << c.name() << ": " << s.runs() << " runs, rules " << c.rulesFingerprint << "\n";
        for (int group = 0; group < OrganismKind::COUNT && s.runs() > 0; ++group)
            out << "  " << kinds[group] << " " << extinctionText(s.extinction(group), s.runs())
                << rescueText(s, group) << "\n";
        if (s.runs() > 0)
            panels.push_back({c.name(), title(c) + " (" + std::to_string(s.runs()) + " runs)", c.ticks});
    }
    if (!WholeFile::write(summaryFile(), summary.str(), error))
        return false;
    out << "summary " << summaryFile();
    if (!WholeFile::write(curvesFile(), curves.str(), error)) {
        out << "\n";
        return false;
    }
    out << ", curves " << curvesFile() << "\n";
    if (plan.measuresEvolution() && !writeEvolution(out, error))
        return false;
    if (panels.empty())
        return true;
    // Each plot is named once it is whole, and the one that failed is the error.
    const std::pair<std::string, std::string> plots[] = {
        {SweepPlot::survivalScript(panels), survivalPlot()},
        {SweepPlot::populationsScript(panels), populationsPlot()}};
    std::vector<std::string> drawn;
    for (const auto& plot : plots) {
        const Gnuplot::Result result =
            Gnuplot::run(plot.first, curvesFile(), plot.second, plan.rulesTitle(), error);
        if (result == Gnuplot::Result::NoGnuplot) {
            out << "gnuplot was not found on PATH: no plots drawn (install gnuplot-nox)\n";
            return true;
        }
        if (result != Gnuplot::Result::Drawn) {
            if (error.empty())
                error = "gnuplot failed to draw " + plot.second;
            break;
        }
        drawn.push_back(plot.second);
    }
    if (!drawn.empty())
        out << (drawn.size() > 1 ? "plots " : "plot ") << drawn[0]
            << (drawn.size() > 1 ? ", " + drawn[1] : "") << "\n";
    return drawn.size() == 2;
}

bool SweepReport::writeEvolution(std::ostream& out, std::string& error) const {
    const std::string measuresFile = folder + "/evolution.csv";
    const std::string selectionFile = folder + "/selection.csv";
    std::ostringstream measures;
    std::ostringstream selection;
    measures << "configuration," << SweepEvolution::measureHeader() << "\n";
    selection << "configuration," << SweepEvolution::selectionHeader() << "\n";
    for (size_t i = 0; i < evolutions.size(); ++i) {
        const std::string name = plan.getConfigurations()[i].name();
        for (const std::string& row : evolutions[i].measureRows())
            measures << name << "," << row << "\n";
        for (const std::string& row : evolutions[i].selectionRows())
            selection << name << "," << row << "\n";
    }
    // Each file whole or not at all, as the summary is.
    if (!WholeFile::write(measuresFile, measures.str(), error))
        return false;
    out << "evolution " << measuresFile;
    if (!WholeFile::write(selectionFile, selection.str(), error)) {
        out << "\n";
        return false;
    }
    out << ", selection " << selectionFile << "\n";
    return true;
}
