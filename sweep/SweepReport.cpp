#include "sweep/SweepReport.h"

#include "sweep/SweepPlot.h"

#include <fstream>
#include <ostream>

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
    std::ofstream summary(summaryFile());
    std::ofstream curves(curvesFile());
    // Every rule that varies gets a column of its own.
    std::vector<std::string> varying;
    if (!plan.getConfigurations().empty())
        for (const auto& rule : plan.getConfigurations().front().rules)
            if (rule.varies)
                varying.push_back(rule.name);
    summary << "configuration,size,genesis,ticks,";
    for (const std::string& name : varying)
        summary << name << ",";
    summary << SweepSummary::summaryHeader() << "\n";
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
        summary << s.summaryRow() << "\n";
        for (const std::string& row : s.curvesRows())
            curves << c.name() << "," << row << "\n";
        out << c.name() << ": " << s.runs() << " runs\n";
        for (int group = 0; group < CensusColumns::GROUPS && s.runs() > 0; ++group)
            out << "  " << kinds[group] << " " << extinctionText(s.extinction(group), s.runs())
                << rescueText(s, group) << "\n";
        if (s.runs() > 0)
            panels.push_back({c.name(), title(c) + " (" + std::to_string(s.runs()) + " runs)", c.ticks});
    }
    summary.close();
    curves.close();
    if (!summary || !curves) {
        error = "cannot write " + summaryFile() + " or " + curvesFile();
        return false;
    }
    out << "summary " << summaryFile() << ", curves " << curvesFile() << "\n";
    if (plan.measuresEvolution() && !writeEvolution(out, error))
        return false;
    if (panels.empty())
        return true;
    const Gnuplot::Result survival =
        Gnuplot::run(SweepPlot::survivalScript(panels), curvesFile(), survivalPlot(), "");
    const Gnuplot::Result populations =
        Gnuplot::run(SweepPlot::populationsScript(panels), curvesFile(), populationsPlot(), "");
    if (survival == Gnuplot::Result::NoGnuplot) {
        out << "gnuplot was not found on PATH: no plots drawn (install gnuplot-nox)\n";
        return true;
    }
    if (survival != Gnuplot::Result::Drawn || populations != Gnuplot::Result::Drawn) {
        error = "gnuplot failed to draw " + survivalPlot() + " or " + populationsPlot();
        return false;
    }
    out << "plots " << survivalPlot() << ", " << populationsPlot() << "\n";
    return true;
}

bool SweepReport::writeEvolution(std::ostream& out, std::string& error) const {
    const std::string measuresFile = folder + "/evolution.csv";
    const std::string selectionFile = folder + "/selection.csv";
    std::ofstream measures(measuresFile);
    std::ofstream selection(selectionFile);
    measures << "configuration," << SweepEvolution::measureHeader() << "\n";
    selection << "configuration," << SweepEvolution::selectionHeader() << "\n";
    for (size_t i = 0; i < evolutions.size(); ++i) {
        const std::string name = plan.getConfigurations()[i].name();
        for (const std::string& row : evolutions[i].measureRows())
            measures << name << "," << row << "\n";
        for (const std::string& row : evolutions[i].selectionRows())
            selection << name << "," << row << "\n";
    }
    measures.close();
    selection.close();
    if (!measures || !selection) {
        error = "cannot write " + measuresFile + " or " + selectionFile;
        return false;
    }
    out << "evolution " << measuresFile << ", selection " << selectionFile << "\n";
    return true;
}
